// The libraries' user interface on a terminal. The progress window is one live line redrawn in
// place, at most about ten times a second and never wider than the terminal; its title and each
// status it went through are lines above it, a status that waited for the player with the time
// it waited. Into a pipe or a file the same lines are printed, with one line at every tenth of
// the way instead of the live line. The format and delete windows are a line each, message
// boxes are text on standard error. Installed into the chip library, it serves both libraries.
#pragma once
#include <cstdio>
#include <functional>
#include <optional>
#include <string>

#include "vorpex_host.h"

namespace vorpex::cli {

struct TerminalUiSetup {
  bool terminal = false;  // redraw a live line in place
  bool quiet = false;     // show no progress at all
  // The terminal's width in columns, asked before every redraw.
  std::function<size_t()> columns = [] { return size_t{80}; };
  // Seconds on the libraries' tick count (the clock of their progress window's speed) from
  // when the interface was made.
  std::function<double()> seconds;
};

class TerminalUi {
 public:
  TerminalUi(std::FILE* out, TerminalUiSetup setup);
  ~TerminalUi();
  TerminalUi(const TerminalUi&) = delete;
  TerminalUi& operator=(const TerminalUi&) = delete;

  // Makes this the libraries' user interface until destroyed.
  void Install();
  // The hooks Install installs, for a layer that watches them on their way.
  VorpexUiHooks Hooks();

  // The text of the message box that `show` makes the library show, taken instead of printed
  // (empty when it shows none).
  template <typename Show>
  std::string CaptureMessage(Show show) {
    captured_.emplace();
    show();
    std::string text = std::move(*captured_);
    captured_.reset();
    return text;
  }

  // One bar for a run of copies: from BeginBatch to EndBatch every progress window that the
  // libraries open is a stretch of one window titled `title` over `totalBytes`, so the bar,
  // its speed and its time left cover the whole run. NextFile starts a file's stretch,
  // `bytesBefore` into the run, and prints `line` above the bar.
  void BeginBatch(const std::string& title, uint64_t totalBytes);
  void NextFile(const std::string& line, uint64_t bytesBefore, uint64_t fileBytes);
  void EndBatch();

  // How many times the live line was drawn.
  size_t Redraws() const { return redraws_; }

 private:
  static int32_t MessageBox(void* context, const char* text, const char* caption, uint32_t flags);
  static void* OpenProgress(void* context, void* owner, const char* title, const char* status,
                            const char* indexText, uint32_t total);
  static void SetProgressRange(void* context, void* window, uint32_t low, uint32_t high);
  static void SetProgressStatus(void* context, void* window, const char* status);
  static void SetProgressPercent(void* context, void* window, const char* percentText,
                                 uint32_t position);
  static void SetProgressSpeed(void* context, void* window, const char* speedText);
  static uint32_t Pump(void* context, void* window);
  static void CloseWindow(void* context, void* window);
  static void* OpenFormat(void* context, void* owner, const char* caption, const char* text);
  static void* OpenDelete(void* context, void* owner, const char* caption, const char* indexText,
                          const char* fileName);

  bool Showing() const;
  // Where a position in the range of a file's own window lies in the run's window.
  uint32_t BatchPosition(uint32_t position) const;
  void StartPhase(std::string status);
  void EndPhase();
  void Moved(uint32_t position);
  void Redraw(bool force);
  void PrintLine(const std::string& line);
  void EraseLive();
  // How many spaces after a line of `length` cover the live line drawn before.
  size_t LeftOver(size_t length) const;
  void FinishBar();
  // The phase's line, at most `width` characters: waiting for the player, or at its end how
  // long it waited.
  std::string PhaseText(bool ended, size_t width) const;
  size_t LineWidth() const;  // the live line's room on a terminal; unlimited into a pipe
  // The pace since the bytes began to move, as the progress window works it out: whole bytes
  // per whole millisecond.
  double BytesPerSecond() const;

  std::FILE* out_;
  TerminalUiSetup setup_;
  bool installed_ = false;
  std::optional<std::string> captured_;
  size_t redraws_ = 0;

  // The one progress window; the format and delete windows are just lines.
  bool progressOpen_ = false;
  std::string title_;
  std::string status_;
  double openedAt_ = 0;
  double phaseStart_ = 0;
  bool phaseShown_ = false;  // its line is printed
  uint32_t low_ = 0, high_ = 0, position_ = 0;
  bool moved_ = false;  // bytes moved since the range was set
  double movedSince_ = 0;
  uint32_t movedFrom_ = 0;
  uint32_t tenthsShown_ = 0;  // plain lines: how many tenths of the way were reported
  size_t liveLength_ = 0;     // terminal: length of the live line drawn, 0 when none
  double lastDraw_ = -1;
  char progressWindow_ = 0, otherWindow_ = 0;  // their addresses are the window handles

  // A run of copies under one bar: where the file under way starts in it, its bytes, and the
  // range of its own window.
  bool batch_ = false;
  uint64_t batchBefore_ = 0, batchFile_ = 0;
  uint32_t fileLow_ = 0, fileHigh_ = 0;
};

}  // namespace vorpex::cli
