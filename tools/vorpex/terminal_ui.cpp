#include "tools/vorpex/terminal_ui.h"

#include <algorithm>
#include <cmath>

#include "protocol/progress_text.h"
#include "tools/vorpex/interrupt.h"
#include "tools/vorpex/progress_line.h"
#include "vorpex_shared.h"

namespace vorpex::cli {
namespace {

constexpr int32_t kIdOk = 1;
constexpr double kRedrawSeconds = 0.1;  // at most ten redraws a second
constexpr double kShortestWait = 0.05;  // shorter pauses are not worth a mention
constexpr size_t kNarrowest = 20;

TerminalUi& Self(void* context) {
  return *static_cast<TerminalUi*>(context);
}

std::string Text(const char* text) {
  return text != nullptr ? text : "";
}

// Message texts of the system end in a line break of their own.
std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
    text.pop_back();
  }
  return text;
}

std::string Tenths(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f s", seconds);
  return text;
}

}  // namespace

TerminalUi::TerminalUi(std::FILE* out, TerminalUiSetup setup)
    : out_(out), setup_(std::move(setup)) {
  if (!setup_.seconds) {
    const uint32_t start = VorpexShared_TickCount();
    setup_.seconds = [start] {
      return static_cast<uint32_t>(VorpexShared_TickCount() - start) / 1000.0;
    };
  }
}

TerminalUi::~TerminalUi() {
  if (installed_) VorpexHost_InstallUi(nullptr);
}

void TerminalUi::Install() {
  VorpexUiHooks hooks = Hooks();
  VorpexHost_InstallUi(&hooks);
  installed_ = true;
}

VorpexUiHooks TerminalUi::Hooks() {
  VorpexUiHooks hooks{};
  hooks.size = sizeof hooks;
  hooks.context = this;
  hooks.messageBox = &MessageBox;
  hooks.openProgress = &OpenProgress;
  hooks.setProgressRange = &SetProgressRange;
  hooks.setProgressStatus = &SetProgressStatus;
  hooks.setProgressPercent = &SetProgressPercent;
  hooks.setProgressSpeed = &SetProgressSpeed;
  hooks.pump = &Pump;
  hooks.closeWindow = &CloseWindow;
  hooks.openFormat = &OpenFormat;
  hooks.openDelete = &OpenDelete;
  return hooks;
}

int32_t TerminalUi::MessageBox(void* context, const char* text, const char* caption, uint32_t) {
  TerminalUi& ui = Self(context);
  if (ui.captured_) {
    *ui.captured_ = Trimmed(Text(text));
    return kIdOk;
  }
  ui.EraseLive();
  std::string heading = caption != nullptr ? std::string(caption) + ": " : "";
  std::fprintf(stderr, "vorpex: %s%s\n", heading.c_str(), Trimmed(Text(text)).c_str());
  std::fflush(stderr);
  return kIdOk;
}

void* TerminalUi::OpenProgress(void* context, void*, const char* title, const char* status,
                               const char*, uint32_t total) {
  TerminalUi& ui = Self(context);
  if (ui.batch_) {
    ui.fileLow_ = 0;
    ui.fileHigh_ = total;
    return &ui.progressWindow_;
  }
  ui.EraseLive();
  ui.progressOpen_ = true;
  ui.title_ = Text(title);
  ui.openedAt_ = ui.setup_.seconds();
  ui.low_ = ui.position_ = 0;
  ui.high_ = total;
  ui.moved_ = false;
  ui.tenthsShown_ = 0;
  ui.StartPhase(Text(status));
  ui.Redraw(true);
  return &ui.progressWindow_;
}

// cppcheck-suppress constParameter ; the UI hook's signature
void TerminalUi::SetProgressRange(void* context, void* window, uint32_t low, uint32_t high) {
  TerminalUi& ui = Self(context);
  if (window != &ui.progressWindow_) return;
  if (ui.batch_) {
    ui.fileLow_ = low;
    ui.fileHigh_ = high;
    return;
  }
  if (ui.moved_) ui.FinishBar();
  ui.low_ = low;
  ui.high_ = high;
  ui.position_ = low;
  ui.moved_ = false;
  ui.tenthsShown_ = 0;
  ui.Redraw(true);
}

// cppcheck-suppress constParameter ; the UI hook's signature
void TerminalUi::SetProgressStatus(void* context, void* window, const char* status) {
  TerminalUi& ui = Self(context);
  if (window != &ui.progressWindow_ || ui.batch_ || Text(status) == ui.status_) return;
  ui.EndPhase();
  ui.StartPhase(Text(status));
  ui.Redraw(true);
}

// cppcheck-suppress constParameter ; the UI hook's signature
void TerminalUi::SetProgressPercent(void* context, void* window, const char*, uint32_t position) {
  TerminalUi& ui = Self(context);
  if (window != &ui.progressWindow_) return;
  ui.Moved(ui.batch_ ? ui.BatchPosition(position) : position);
  ui.Redraw(false);
}

// cppcheck-suppress constParameter ; the UI hook's signature
void TerminalUi::SetProgressSpeed(void* context, void* window, const char*) {
  // The upgrade's figure counts from when the machine started: the bar works out the window's
  // figure itself, from when the bytes began to move.
  TerminalUi& ui = Self(context);
  if (window == &ui.progressWindow_) ui.Redraw(false);
}

// cppcheck-suppress constParameter ; the UI hook's signature
uint32_t TerminalUi::Pump(void* context, void* window) {
  TerminalUi& ui = Self(context);
  if (window == &ui.progressWindow_) ui.Redraw(false);
  // No Cancel or pause button on a terminal: Ctrl-C is the Cancel.
  return Interrupted() ? VORPEX_UI_CANCEL : 0;
}

// cppcheck-suppress constParameter ; the UI hook's signature
void TerminalUi::CloseWindow(void* context, void* window) {
  TerminalUi& ui = Self(context);
  if (window != &ui.progressWindow_ || ui.batch_) return;
  if (ui.moved_) {
    ui.FinishBar();
  } else if (!ui.status_.empty() || ui.setup_.seconds() - ui.phaseStart_ >= kShortestWait) {
    // A window closed at once, before it showed anything (a refused image), leaves no bare
    // title above the error that follows.
    ui.EndPhase();
  }
  ui.EraseLive();
  ui.progressOpen_ = false;
}

void* TerminalUi::OpenFormat(void* context, void*, const char* caption, const char* text) {
  TerminalUi& ui = Self(context);
  ui.PrintLine(Text(caption) + ": " + Text(text));
  return &ui.otherWindow_;
}

void* TerminalUi::OpenDelete(void* context, void*, const char* caption, const char* indexText,
                             const char* fileName) {
  TerminalUi& ui = Self(context);
  const std::string index = Text(indexText);
  ui.PrintLine(Text(caption) + (index.empty() ? "" : " ") + index + " " + Text(fileName));
  return &ui.otherWindow_;
}

void TerminalUi::BeginBatch(const std::string& title, uint64_t totalBytes) {
  const auto total = static_cast<uint32_t>(std::min<uint64_t>(totalBytes, UINT32_MAX));
  OpenProgress(this, nullptr, title.c_str(), "", "", total);
  batch_ = true;
}

void TerminalUi::NextFile(const std::string& line, uint64_t bytesBefore, uint64_t fileBytes) {
  batchBefore_ = bytesBefore;
  batchFile_ = fileBytes;
  fileLow_ = fileHigh_ = 0;
  // The file's line goes above the bar at once: the bar stays the whole run's.
  StartPhase(line);
  EndPhase();
  if (moved_) Moved(BatchPosition(0));
  Redraw(true);
}

void TerminalUi::EndBatch() {
  if (!batch_) return;
  batch_ = false;
  CloseWindow(this, &progressWindow_);
}

uint32_t TerminalUi::BatchPosition(uint32_t position) const {
  double share = 0;
  if (fileHigh_ > fileLow_ && position > fileLow_) {
    share = std::min(1.0, static_cast<double>(position - fileLow_) / (fileHigh_ - fileLow_));
  }
  const double at = static_cast<double>(batchBefore_) + share * static_cast<double>(batchFile_);
  return static_cast<uint32_t>(std::min(at, static_cast<double>(high_)));
}

bool TerminalUi::Showing() const {
  // A reader that went away takes no more lines.
  return !setup_.quiet && std::ferror(out_) == 0;
}

void TerminalUi::StartPhase(std::string status) {
  status_ = std::move(status);
  phaseStart_ = setup_.seconds();
  phaseShown_ = false;
}

void TerminalUi::EndPhase() {
  if (phaseShown_) return;
  phaseShown_ = true;
  PrintLine(PhaseText(true, LineWidth()));
}

std::string TerminalUi::PhaseText(bool ended, size_t width) const {
  std::string head = title_;
  if (!status_.empty()) head += ": " + status_;
  const double waited = setup_.seconds() - phaseStart_;
  const bool waitedLong = waited >= kShortestWait;
  auto tail = [&](bool brief) -> std::string {
    if (ended && !waitedLong) return {};
    std::string words = ended ? (brief ? "waited " : "waited for the player ") + Tenths(waited)
                              : (brief ? "waiting..." : "waiting for the player...");
    return (status_.empty() ? ": " : "  ") + words;
  };
  if (head.size() + tail(false).size() <= width) return head + tail(false);
  // On a narrow terminal the title goes, the words get fewer and the status (a path, often)
  // gives up its middle.
  head = status_.empty() ? title_ : status_;
  const std::string brief = tail(true);
  return FitText(FitText(head, width > brief.size() ? width - brief.size() : 0) + brief, width);
}

size_t TerminalUi::LineWidth() const {
  if (!setup_.terminal) return std::string::npos;
  return std::max(setup_.columns(), kNarrowest) - 1;
}

void TerminalUi::Moved(uint32_t position) {
  const double now = setup_.seconds();
  if (!moved_) {
    EndPhase();
    moved_ = true;
    movedSince_ = now;
    movedFrom_ = position_;
  }
  position_ = position;
}

double TerminalUi::BytesPerSecond() const {
  auto ticks = [](double seconds) { return static_cast<uint32_t>(std::llround(seconds * 1000)); };
  const auto rate =
      protocol::TransferRate(position_, movedFrom_, ticks(movedSince_), ticks(setup_.seconds()));
  return rate.value_or(0) * 1000.0;
}

void TerminalUi::Redraw(bool force) {
  if (!progressOpen_ || !Showing()) return;
  const double now = setup_.seconds();
  BarState bar;
  bar.percent = PercentDone(low_, high_, position_);
  if (high_ > low_) {
    bar.total = high_ - low_;
    bar.done = std::min<uint64_t>(position_ > low_ ? position_ - low_ : 0, bar.total);
  }
  bar.bytesPerSecond = BytesPerSecond();
  if (moved_ && position_ > movedFrom_ && high_ > position_) {
    bar.secondsLeft = SecondsLeft(position_ - movedFrom_, high_ - movedFrom_, now - movedSince_);
  }
  if (setup_.terminal) {
    if (!force && now - lastDraw_ < kRedrawSeconds) return;
    const size_t width = LineWidth();
    std::string line = moved_ ? BarLine(bar, width) : PhaseText(false, width);
    const size_t length = line.size();
    line.append(LeftOver(length), ' ');
    std::fprintf(out_, "\r%s", line.c_str());
    std::fflush(out_);
    liveLength_ = std::max<size_t>(length, 1);
  } else {
    const uint32_t tenths = bar.percent / 10;
    if (!moved_ || tenths <= tenthsShown_ || tenths >= 10) return;
    tenthsShown_ = tenths;
    std::fprintf(out_, "%s: %u %%  %s\n", title_.c_str(), bar.percent,
                 BytesText(bar.done, bar.total).c_str());
    std::fflush(out_);
  }
  lastDraw_ = now;
  ++redraws_;
}

void TerminalUi::FinishBar() {
  if (!Showing()) return;
  BarState bar;
  bar.percent = PercentDone(low_, high_, position_);
  if (high_ > low_) {
    bar.total = high_ - low_;
    bar.done = std::min<uint64_t>(position_ > low_ ? position_ - low_ : 0, bar.total);
  }
  const double now = setup_.seconds();
  bar.bytesPerSecond = BytesPerSecond();
  bar.secondsInAll = static_cast<uint32_t>(std::lround(now - openedAt_));
  if (setup_.terminal) {
    std::string line = BarLine(bar, LineWidth());
    line.append(LeftOver(line.size()), ' ');
    std::fprintf(out_, "\r%s\n", line.c_str());
    liveLength_ = 0;
    ++redraws_;
  } else {
    std::string line = BarLine(bar, 200);
    std::fprintf(out_, "%s: %s\n", title_.c_str(), line.substr(line.find(']') + 3).c_str());
  }
  std::fflush(out_);
  moved_ = false;
}

void TerminalUi::PrintLine(const std::string& line) {
  if (!Showing()) return;
  EraseLive();
  std::fprintf(out_, "%s\n", line.c_str());
  std::fflush(out_);
}

size_t TerminalUi::LeftOver(size_t length) const {
  // Spaces over what is left of a longer line drawn before, never beyond the terminal's width
  // now: after the terminal narrowed, more would wrap onto a line of their own.
  const size_t drawn = std::min(liveLength_, LineWidth());
  return drawn > length ? drawn - length : 0;
}

void TerminalUi::EraseLive() {
  if (liveLength_ == 0) return;
  std::fprintf(out_, "\r%s\r", std::string(LeftOver(0), ' ').c_str());
  std::fflush(out_);
  liveLength_ = 0;
}

}  // namespace vorpex::cli
