// The library's windows as the system's dialogs, made from the library's own templates.
#include "chiplib/progress_window.h"
#include "chiplib/resource_ids.h"
#include "chiplib/ui_host.h"

namespace vorpex::chip {
namespace {

using platform::WindowHandle;

struct ProgressCreation {
  ProgressSetup* setup;
  const ProgressTexts* texts;
};

// The progress window's dialog procedure: it fills itself in while it is created and turns
// Cancel, Escape and pause into the current setup's flags.
void ProgressInitialised(WindowHandle window, void* param) {
  const auto* creation = static_cast<const ProgressCreation*>(param);
  ProgressWindowInitialised(creation->setup);
  platform::SetDialogCaption(window, creation->texts->title);
  platform::SetDialogItemText(window, IDC_PROGRESS_STATUS, creation->texts->status);
  platform::SetDialogItemText(window, IDC_PROGRESS_INDEX, creation->texts->indexText);
  platform::SetProgressBarRange(window, IDC_PROGRESS_BAR, 0, creation->setup->total);
}

bool ProgressCommand(WindowHandle, uint16_t id) {
  return ProgressWindowCommand(id);
}

constexpr platform::DialogEvents kProgressEvents{ProgressInitialised, ProgressCommand};

WindowHandle Shown(WindowHandle window) {
  if (window != nullptr) platform::ShowDialog(window);
  return window;
}

// The system's modeless dialogs and its message queue.
class SystemWindowsImpl final : public WindowHost {
 public:
  WindowHandle OpenProgress(WindowHandle owner, ProgressSetup* setup,
                            const ProgressTexts& texts) const override {
    ProgressCreation creation{setup, &texts};
    return Shown(platform::CreateModelessDialog(GetState().module, IDD_PROGRESS, owner,
                                                &kProgressEvents, &creation));
  }
  void SetProgressRange(WindowHandle window, uint32_t low, uint32_t high) const override {
    platform::SetProgressBarRange(window, IDC_PROGRESS_BAR, low, high);
  }
  void SetProgressStatus(WindowHandle window, const char* status) const override {
    platform::SetDialogItemText(window, IDC_PROGRESS_STATUS, status);
  }
  void SetProgressPercent(WindowHandle window, const char* percentText,
                          uint32_t position) const override {
    platform::SetDialogItemText(window, IDC_PROGRESS_PERCENT, percentText);
    platform::SetProgressBarPosition(window, IDC_PROGRESS_BAR, position);
  }
  void SetProgressSpeed(WindowHandle window, const char* speedText) const override {
    platform::SetDialogItemText(window, IDC_PROGRESS_SPEED, speedText);
  }
  WindowHandle OpenFormat(WindowHandle owner) const override {
    return Shown(
        platform::CreateModelessDialog(GetState().module, IDD_FORMAT, owner, nullptr, nullptr));
  }
  WindowHandle OpenDelete(WindowHandle owner, const char* caption, const char* indexText,
                          const char* fileName) const override {
    WindowHandle window =
        platform::CreateModelessDialog(GetState().module, IDD_DELETE, owner, nullptr, nullptr);
    if (window != nullptr) {
      platform::SetDialogItemText(window, IDC_DELETE_INDEX, indexText);
      platform::SetDialogItemText(window, IDC_DELETE_FILENAME, fileName);
      if (caption != nullptr) platform::SetDialogCaption(window, caption);
    }
    return Shown(window);
  }
  void CloseWindow(WindowHandle window) const override {
    if (window != nullptr) platform::DestroyDialog(window);
  }
  void PumpMessages(WindowHandle window) const override { platform::PumpMessages(window); }
  void WaitWhilePaused() const override { platform::WaitForMessage(); }
};

constexpr SystemWindowsImpl kSystemWindows;

}  // namespace

const WindowHost& SystemWindows() {
  return kSystemWindows;
}

}  // namespace vorpex::chip
