#include "chiplib/ui_host.h"

#include <algorithm>
#include <cstring>

#include "chiplib/progress_window.h"
#include "chiplib/resource_ids.h"
#include "platform/clock.h"
#include "platform/ui.h"

namespace vorpex::chip {
namespace {

using platform::WindowHandle;

const VorpexUiHooks& Hooks() {
  return GetState().ui;
}

// The windows as the host's hooks draw them; a hook left null does nothing.
class HostWindows final : public WindowHost {
 public:
  WindowHandle OpenProgress(WindowHandle owner, ProgressSetup* setup,
                            const ProgressTexts& texts) const override {
    const VorpexUiHooks& ui = Hooks();
    ProgressWindowInitialised(setup);
    if (ui.openProgress == nullptr) return nullptr;
    return ui.openProgress(ui.context, owner, texts.title, texts.status, texts.indexText,
                           setup->total);
  }
  void SetProgressRange(WindowHandle window, uint32_t low, uint32_t high) const override {
    const VorpexUiHooks& ui = Hooks();
    if (ui.setProgressRange != nullptr) ui.setProgressRange(ui.context, window, low, high);
  }
  void SetProgressStatus(WindowHandle window, const char* status) const override {
    const VorpexUiHooks& ui = Hooks();
    if (ui.setProgressStatus != nullptr) ui.setProgressStatus(ui.context, window, status);
  }
  void SetProgressPercent(WindowHandle window, const char* percentText,
                          uint32_t position) const override {
    const VorpexUiHooks& ui = Hooks();
    if (ui.setProgressPercent != nullptr) {
      ui.setProgressPercent(ui.context, window, percentText, position);
    }
  }
  void SetProgressSpeed(WindowHandle window, const char* speedText) const override {
    const VorpexUiHooks& ui = Hooks();
    if (ui.setProgressSpeed != nullptr) ui.setProgressSpeed(ui.context, window, speedText);
  }
  WindowHandle OpenFormat(WindowHandle owner) const override {
    const VorpexUiHooks& ui = Hooks();
    if (ui.openFormat == nullptr) return nullptr;
    return ui.openFormat(ui.context, owner, TEXT_FORMAT_CAPTION, TEXT_FORMAT_MESSAGE);
  }
  WindowHandle OpenDelete(WindowHandle owner, const char* caption, const char* indexText,
                          const char* fileName) const override {
    const VorpexUiHooks& ui = Hooks();
    if (ui.openDelete == nullptr) return nullptr;
    return ui.openDelete(ui.context, owner, caption != nullptr ? caption : TEXT_DELETE_CAPTION,
                         indexText, fileName);
  }
  void CloseWindow(WindowHandle window) const override {
    const VorpexUiHooks& ui = Hooks();
    if (ui.closeWindow != nullptr) ui.closeWindow(ui.context, window);
  }
  void PumpMessages(WindowHandle window) const override {
    const VorpexUiHooks& ui = Hooks();
    const uint32_t pressed = ui.pump != nullptr ? ui.pump(ui.context, window) : 0;
    if (pressed & VORPEX_UI_CANCEL) ProgressWindowCommand(IDC_PROGRESS_CANCEL);
    if (pressed & VORPEX_UI_PAUSE) ProgressWindowCommand(IDC_PROGRESS_PAUSE);
  }
  void WaitWhilePaused() const override {
    // The host's pump must not block, so ask it again after a pause a person does not notice.
    constexpr uint32_t kHostPollMs = 50;
    platform::SleepMs(kHostPollMs);
  }
};

constexpr HostWindows kHostWindows;

// A host that sets any window hook draws all windows.
bool DrawsWindows(const VorpexUiHooks& ui) {
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
  State& state = GetState();
  state.ui = installed;
  state.windows = DrawsWindows(installed) ? &kHostWindows : &SystemWindows();
}

const WindowHost& Windows() {
  return *GetState().windows;
}

int32_t ShowMessageBox(const char* text, const char* caption, uint32_t flags) {
  const VorpexUiHooks& ui = Hooks();
  if (ui.messageBox != nullptr) return ui.messageBox(ui.context, text, caption, flags);
  return platform::ShowMessageBox(text, caption, flags);
}

void ReportUpgradeStage(int32_t stage, uint32_t total) {
  const VorpexUiHooks& ui = Hooks();
  if (ui.upgradeStage != nullptr) ui.upgradeStage(ui.context, stage, total);
}

}  // namespace vorpex::chip
