// The libraries' user interface on a terminal: the progress window as a bar redrawn in place
// (or, when the output is not a terminal, a line at every tenth of the way and at every new
// status), the format and delete windows as a line each, message boxes as text on standard
// error. Installed into the chip library, it serves both libraries.
#pragma once
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>

#include "tools/playerctl/progress_line.h"
#include "vorpex_host.h"

namespace vorpex::playerctl {

class TerminalUi {
 public:
  // `out` receives the progress; `terminal` redraws a bar in place; `quiet` shows none.
  TerminalUi(std::FILE* out, bool terminal, bool quiet);
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

  void ShowStatus();
  void ShowProgress();
  void EndBar();

  std::FILE* out_;
  bool terminal_;
  bool quiet_;
  bool installed_ = false;
  std::optional<std::string> captured_;

  // The one progress window; the format and delete windows are just lines.
  bool progressOpen_ = false;
  ProgressState progress_;
  uint32_t tenthsShown_ = 0;  // plain lines: how many tenths of the way were reported
  size_t barLength_ = 0;      // terminal: length of the bar line drawn, 0 when none
  std::optional<std::chrono::steady_clock::time_point> firstMove_;
  uint32_t firstPosition_ = 0;
  char progressWindow_ = 0, otherWindow_ = 0;  // their addresses are the window handles
};

}  // namespace vorpex::playerctl
