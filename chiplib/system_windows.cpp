#include "chiplib/system_windows.h"

#include "chiplib/progress_window.h"
#include "chiplib/resource_ids.h"

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

}  // namespace

WindowHandle OpenSystemProgressWindow(WindowHandle owner, ProgressSetup* setup,
                                      const ProgressTexts& texts) {
  ProgressCreation creation{setup, &texts};
  return Shown(platform::CreateModelessDialog(GetState().module, IDD_PROGRESS, owner,
                                              &kProgressEvents, &creation));
}

WindowHandle OpenSystemFormatWindow(WindowHandle owner) {
  return Shown(
      platform::CreateModelessDialog(GetState().module, IDD_FORMAT, owner, nullptr, nullptr));
}

WindowHandle OpenSystemDeleteWindow(WindowHandle owner, const char* caption, const char* indexText,
                                    const char* fileName) {
  WindowHandle window =
      platform::CreateModelessDialog(GetState().module, IDD_DELETE, owner, nullptr, nullptr);
  if (window != nullptr) {
    platform::SetDialogItemText(window, IDC_DELETE_INDEX, indexText);
    platform::SetDialogItemText(window, IDC_DELETE_FILENAME, fileName);
    if (caption != nullptr) platform::SetDialogCaption(window, caption);
  }
  return Shown(window);
}

}  // namespace vorpex::chip
