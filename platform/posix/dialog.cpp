// No desktop: dialogs are placeholders and nothing is drawn.
#include "platform/dialog.h"

namespace vorpex::platform {
namespace {

char placeholder;

}  // namespace

WindowHandle CreateModelessDialog(ModuleHandle, uint32_t, WindowHandle, const DialogEvents* events,
                                  void* param) {
  if (events != nullptr && events->initialised != nullptr) events->initialised(&placeholder, param);
  return &placeholder;
}

void ShowDialog(WindowHandle) {}
void DestroyDialog(WindowHandle) {}
void SetDialogCaption(WindowHandle, const char*) {}
void SetDialogItemText(WindowHandle, uint16_t, const char*) {}
void SetProgressBarRange(WindowHandle, uint16_t, uint32_t, uint32_t) {}
void SetProgressBarPosition(WindowHandle, uint16_t, uint32_t) {}
void PumpMessages(WindowHandle) {}
void WaitForMessage() {}

}  // namespace vorpex::platform
