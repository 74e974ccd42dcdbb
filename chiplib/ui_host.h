// The chip library's user interface: the host's hooks when installed, else the system's.
#pragma once
#include <cstdint>

#include "chiplib/state.h"
#include "platform/dialog.h"
#include "vorpex_host.h"

namespace vorpex::chip {

// Installs a host's hooks (null: none) and chooses, once, who draws the windows from now on.
void InstallUi(const VorpexUiHooks* hooks);
int32_t ShowMessageBox(const char* text, const char* caption, uint32_t flags);
// Tells the host that a firmware upgrade reached `stage` (VORPEX_STAGE_*), when it listens.
void ReportUpgradeStage(int32_t stage, uint32_t total);

// The texts of a progress window as it opens.
struct ProgressTexts {
  const char* title;
  const char* status;
  const char* indexText;
};

// Whoever draws the three windows: the system's dialogs, or a host that set any window hook
// (handles never mix between the two). A window that reports a command (the progress window's
// Cancel and pause) reports it to ProgressWindowCommand; the progress window reports its
// creation to ProgressWindowInitialised.
class WindowHost {
 public:
  virtual platform::WindowHandle OpenProgress(platform::WindowHandle owner, ProgressSetup* setup,
                                              const ProgressTexts& texts) const = 0;
  virtual void SetProgressRange(platform::WindowHandle window, uint32_t low,
                                uint32_t high) const = 0;
  virtual void SetProgressStatus(platform::WindowHandle window, const char* status) const = 0;
  virtual void SetProgressPercent(platform::WindowHandle window, const char* percentText,
                                  uint32_t position) const = 0;
  virtual void SetProgressSpeed(platform::WindowHandle window, const char* speedText) const = 0;
  virtual platform::WindowHandle OpenFormat(platform::WindowHandle owner) const = 0;
  // `caption` null: the window keeps its own.
  virtual platform::WindowHandle OpenDelete(platform::WindowHandle owner, const char* caption,
                                            const char* indexText, const char* fileName) const = 0;
  virtual void CloseWindow(platform::WindowHandle window) const = 0;
  virtual void PumpMessages(platform::WindowHandle window) const = 0;
  // Waits, without burning the processor, for something the paused progress window may react
  // to: the next message of the system's windows, or a short sleep between the host's pumps.
  virtual void WaitWhilePaused() const = 0;

 protected:
  ~WindowHost() = default;
};

// The one InstallUi chose.
const WindowHost& Windows();

inline void UiWaitWhilePaused() {
  Windows().WaitWhilePaused();
}

}  // namespace vorpex::chip
