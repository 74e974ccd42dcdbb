#include "chiplib/ui_host.h"

#include <algorithm>
#include <cstring>

#include "chiplib/progress_window.h"
#include "chiplib/resource_ids.h"
#include "chiplib/system_windows.h"
#include "platform/clock.h"
#include "platform/ui.h"

namespace vorpex::chip {
namespace {

using platform::WindowHandle;

const VorpexUiHooks& Hooks() {
  return GetState().ui;
}

// A host that sets any window hook draws all windows: handles never mix between the two.
bool HostDrawsWindows() {
  const VorpexUiHooks& ui = Hooks();
  return ui.openProgress != nullptr || ui.setProgressRange != nullptr ||
         ui.setProgressStatus != nullptr || ui.setProgressPercent != nullptr ||
         ui.setProgressSpeed != nullptr || ui.pump != nullptr || ui.closeWindow != nullptr ||
         ui.openFormat != nullptr || ui.openDelete != nullptr;
}

}  // namespace

void InstallUi(const VorpexUiHooks* hooks) {
  VorpexUiHooks installed{};
  if (hooks != nullptr) {
    // A host built against an older, shorter record gets the hooks it knows of.
    std::memcpy(&installed, hooks, std::min<size_t>(hooks->size, sizeof installed));
    installed.size = sizeof installed;
  }
  GetState().ui = installed;
}

int32_t ShowMessageBox(const char* text, const char* caption, uint32_t flags) {
  const VorpexUiHooks& ui = Hooks();
  if (ui.messageBox != nullptr) return ui.messageBox(ui.context, text, caption, flags);
  return platform::ShowMessageBox(text, caption, flags);
}

WindowHandle UiOpenProgress(WindowHandle owner, ProgressSetup* setup, const ProgressTexts& texts) {
  if (!HostDrawsWindows()) return OpenSystemProgressWindow(owner, setup, texts);
  const VorpexUiHooks& ui = Hooks();
  ProgressWindowInitialised(setup);
  if (ui.openProgress == nullptr) return nullptr;
  return ui.openProgress(ui.context, owner, texts.title, texts.status, texts.indexText,
                         setup->total);
}

void UiSetProgressRange(WindowHandle window, uint32_t low, uint32_t high) {
  const VorpexUiHooks& ui = Hooks();
  if (!HostDrawsWindows()) {
    platform::SetProgressBarRange(window, IDC_PROGRESS_BAR, low, high);
  } else if (ui.setProgressRange != nullptr) {
    ui.setProgressRange(ui.context, window, low, high);
  }
}

void UiSetProgressStatus(WindowHandle window, const char* status) {
  const VorpexUiHooks& ui = Hooks();
  if (!HostDrawsWindows()) {
    platform::SetDialogItemText(window, IDC_PROGRESS_STATUS, status);
  } else if (ui.setProgressStatus != nullptr) {
    ui.setProgressStatus(ui.context, window, status);
  }
}

void UiSetProgressPercent(WindowHandle window, const char* percentText, uint32_t position) {
  const VorpexUiHooks& ui = Hooks();
  if (!HostDrawsWindows()) {
    platform::SetDialogItemText(window, IDC_PROGRESS_PERCENT, percentText);
    platform::SetProgressBarPosition(window, IDC_PROGRESS_BAR, position);
  } else if (ui.setProgressPercent != nullptr) {
    ui.setProgressPercent(ui.context, window, percentText, position);
  }
}

void UiSetProgressSpeed(WindowHandle window, const char* speedText) {
  const VorpexUiHooks& ui = Hooks();
  if (!HostDrawsWindows()) {
    platform::SetDialogItemText(window, IDC_PROGRESS_SPEED, speedText);
  } else if (ui.setProgressSpeed != nullptr) {
    ui.setProgressSpeed(ui.context, window, speedText);
  }
}

WindowHandle UiOpenFormat(WindowHandle owner) {
  if (!HostDrawsWindows()) return OpenSystemFormatWindow(owner);
  const VorpexUiHooks& ui = Hooks();
  if (ui.openFormat == nullptr) return nullptr;
  return ui.openFormat(ui.context, owner, TEXT_FORMAT_CAPTION, TEXT_FORMAT_MESSAGE);
}

WindowHandle UiOpenDelete(WindowHandle owner, const char* caption, const char* indexText,
                          const char* fileName) {
  if (!HostDrawsWindows()) return OpenSystemDeleteWindow(owner, caption, indexText, fileName);
  const VorpexUiHooks& ui = Hooks();
  if (ui.openDelete == nullptr) return nullptr;
  return ui.openDelete(ui.context, owner, caption != nullptr ? caption : TEXT_DELETE_CAPTION,
                       indexText, fileName);
}

void UiCloseWindow(WindowHandle window) {
  const VorpexUiHooks& ui = Hooks();
  if (!HostDrawsWindows()) {
    if (window != nullptr) platform::DestroyDialog(window);
  } else if (ui.closeWindow != nullptr) {
    ui.closeWindow(ui.context, window);
  }
}

void UiPumpMessages(WindowHandle window) {
  const VorpexUiHooks& ui = Hooks();
  if (!HostDrawsWindows()) {
    platform::PumpMessages(window);
    return;
  }
  uint32_t pressed = ui.pump != nullptr ? ui.pump(ui.context, window) : 0;
  if (pressed & VORPEX_UI_CANCEL) ProgressWindowCommand(IDC_PROGRESS_CANCEL);
  if (pressed & VORPEX_UI_PAUSE) ProgressWindowCommand(IDC_PROGRESS_PAUSE);
}

void UiWaitWhilePaused() {
  // The host's pump must not block, so ask it again after a pause a person does not notice.
  constexpr uint32_t kHostPollMs = 50;
  if (!HostDrawsWindows()) {
    platform::WaitForMessage();
  } else {
    platform::SleepMs(kHostPollMs);
  }
}

}  // namespace vorpex::chip
