#include "tools/playerctl/terminal_ui.h"

#include <algorithm>

namespace vorpex::playerctl {
namespace {

constexpr size_t kBarWidth = 30;
constexpr int32_t kIdOk = 1;

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

}  // namespace

TerminalUi::TerminalUi(std::FILE* out, bool terminal, bool quiet)
    : out_(out), terminal_(terminal), quiet_(quiet) {}

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
  ui.EndBar();
  std::string heading = caption != nullptr ? std::string(caption) + ": " : "";
  std::fprintf(stderr, "playerctl: %s%s\n", heading.c_str(), Trimmed(Text(text)).c_str());
  std::fflush(stderr);
  return kIdOk;
}

void* TerminalUi::OpenProgress(void* context, void*, const char* title, const char* status,
                               const char*, uint32_t total) {
  TerminalUi& ui = Self(context);
  ui.EndBar();
  ui.progressOpen_ = true;
  ui.progress_ = ProgressState{};
  ui.progress_.title = Text(title);
  ui.progress_.status = Text(status);
  ui.progress_.percentText = "0 %";
  ui.progress_.high = total;
  ui.tenthsShown_ = 0;
  ui.firstMove_.reset();
  ui.ShowStatus();
  ui.ShowProgress();
  return &ui.progressWindow_;
}

void TerminalUi::SetProgressRange(void* context, void* window, uint32_t low, uint32_t high) {
  TerminalUi& ui = Self(context);
  if (window != &ui.progressWindow_) return;
  ui.progress_.low = low;
  ui.progress_.high = high;
  ui.progress_.position = low;
  ui.tenthsShown_ = 0;
  ui.firstMove_.reset();
  ui.ShowProgress();
}

void TerminalUi::SetProgressStatus(void* context, void* window, const char* status) {
  TerminalUi& ui = Self(context);
  if (window != &ui.progressWindow_ || Text(status) == ui.progress_.status) return;
  ui.progress_.status = Text(status);
  ui.ShowStatus();
  ui.ShowProgress();
}

void TerminalUi::SetProgressPercent(void* context, void* window, const char* percentText,
                                    uint32_t position) {
  TerminalUi& ui = Self(context);
  if (window != &ui.progressWindow_) return;
  ProgressState& p = ui.progress_;
  p.percentText = Trimmed(Text(percentText));
  p.position = position;
  // The time left from the pace since the bar first moved (the pauses before do not count).
  const auto now = std::chrono::steady_clock::now();
  if (!ui.firstMove_) {
    ui.firstMove_ = now;
    ui.firstPosition_ = position;
  } else if (position > ui.firstPosition_ && p.high > position) {
    const double seconds = std::chrono::duration<double>(now - *ui.firstMove_).count();
    p.secondsLeft = SecondsLeft(position - ui.firstPosition_, p.high - ui.firstPosition_, seconds);
  } else if (position >= p.high) {
    p.secondsLeft = 0;
  }
  ui.ShowProgress();
}

void TerminalUi::SetProgressSpeed(void* context, void* window, const char* speedText) {
  TerminalUi& ui = Self(context);
  if (window != &ui.progressWindow_) return;
  ui.progress_.speedText = Trimmed(Text(speedText));
  if (ui.terminal_) ui.ShowProgress();
}

uint32_t TerminalUi::Pump(void*, void*) {
  return 0;  // a terminal offers no Cancel or pause button
}

void TerminalUi::CloseWindow(void* context, void* window) {
  TerminalUi& ui = Self(context);
  if (window != &ui.progressWindow_) return;
  ui.EndBar();
  ui.progressOpen_ = false;
}

void* TerminalUi::OpenFormat(void* context, void*, const char* caption, const char* text) {
  TerminalUi& ui = Self(context);
  if (!ui.quiet_) {
    ui.EndBar();
    std::fprintf(ui.out_, "%s: %s\n", Text(caption).c_str(), Text(text).c_str());
    std::fflush(ui.out_);
  }
  return &ui.otherWindow_;
}

void* TerminalUi::OpenDelete(void* context, void*, const char* caption, const char* indexText,
                             const char* fileName) {
  TerminalUi& ui = Self(context);
  if (!ui.quiet_) {
    ui.EndBar();
    const std::string index = Text(indexText);
    std::fprintf(ui.out_, "%s%s%s %s\n", Text(caption).c_str(), index.empty() ? "" : " ",
                 index.c_str(), Text(fileName).c_str());
    std::fflush(ui.out_);
  }
  return &ui.otherWindow_;
}

void TerminalUi::ShowStatus() {
  if (quiet_) return;
  EndBar();
  if (progress_.status.empty()) {
    std::fprintf(out_, "%s\n", progress_.title.c_str());
  } else {
    std::fprintf(out_, "%s: %s\n", progress_.title.c_str(), progress_.status.c_str());
  }
  std::fflush(out_);
}

void TerminalUi::ShowProgress() {
  if (quiet_) return;
  if (terminal_) {
    std::string line = ProgressLine(progress_, kBarWidth);
    // Spaces over what is left of a longer line drawn before.
    const size_t length = line.size();
    line.append(barLength_ > length ? barLength_ - length : 0, ' ');
    std::fprintf(out_, "\r%s", line.c_str());
    barLength_ = std::max<size_t>(length, 1);
  } else {
    const uint32_t tenths = PercentDone(progress_.low, progress_.high, progress_.position) / 10;
    if (tenths <= tenthsShown_) return;
    tenthsShown_ = tenths;
    std::string line = progress_.title + ": " + progress_.percentText;
    if (!progress_.speedText.empty()) line += "  " + progress_.speedText;
    std::fprintf(out_, "%s\n", line.c_str());
  }
  std::fflush(out_);
}

void TerminalUi::EndBar() {
  if (barLength_ == 0) return;
  std::fputc('\n', out_);
  std::fflush(out_);
  barLength_ = 0;
}

}  // namespace vorpex::playerctl
