// Modeless dialogs from resource templates, and the message pump.
#include <windows.h>
// commctrl.h needs windows.h first.
#include <commctrl.h>

#include "platform/dialog.h"

namespace vorpex::platform {
namespace {

HWND Hwnd(WindowHandle window) {
  return static_cast<HWND>(window);
}

struct Creation {
  const DialogEvents* events;
  void* param;
};

INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    const auto* creation = reinterpret_cast<const Creation*>(lParam);
    ::SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(creation->events));
    if (creation->events->initialised != nullptr) {
      creation->events->initialised(window, creation->param);
    }
    return TRUE;
  }
  if (message == WM_COMMAND) {
    const auto* events =
        reinterpret_cast<const DialogEvents*>(::GetWindowLongPtrA(window, DWLP_USER));
    if (events != nullptr && events->command != nullptr) {
      return events->command(window, LOWORD(wParam)) ? TRUE : FALSE;
    }
  }
  return FALSE;
}

void RegisterCommonControls() {
  // The progress bar's window class lives in the common controls; registering is idempotent.
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
  ::InitCommonControlsEx(&controls);
}

}  // namespace

WindowHandle CreateModelessDialog(ModuleHandle module, uint32_t templateId, WindowHandle owner,
                                  const DialogEvents* events, void* param) {
  RegisterCommonControls();
  Creation creation{events, param};
  return ::CreateDialogParamA(static_cast<HINSTANCE>(module), MAKEINTRESOURCEA(templateId),
                              Hwnd(owner), events != nullptr ? DialogProc : nullptr,
                              reinterpret_cast<LPARAM>(&creation));
}

void ShowDialog(WindowHandle window) {
  ::UpdateWindow(Hwnd(window));
  ::ShowWindow(Hwnd(window), SW_SHOW);
}

void DestroyDialog(WindowHandle window) {
  ::DestroyWindow(Hwnd(window));
}

void SetDialogCaption(WindowHandle window, const char* text) {
  ::SetWindowTextA(Hwnd(window), text);
}

void SetDialogItemText(WindowHandle window, uint16_t item, const char* text) {
  ::SetDlgItemTextA(Hwnd(window), item, text);
}

void SetProgressBarRange(WindowHandle window, uint16_t item, uint32_t low, uint32_t high) {
  ::SendDlgItemMessageA(Hwnd(window), item, PBM_SETRANGE32, low, static_cast<LPARAM>(high));
}

void SetProgressBarPosition(WindowHandle window, uint16_t item, uint32_t position) {
  ::SendDlgItemMessageA(Hwnd(window), item, PBM_SETPOS, position, 0);
}

void PumpMessages(WindowHandle window) {
  MSG message;
  while (::PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE)) {
    // 0: a quit message, now taken off the queue. -1 (an error) would loop forever: stop too.
    if (::GetMessageA(&message, nullptr, 0, 0) <= 0) return;
    if (!::IsDialogMessageA(Hwnd(window), &message)) {
      ::TranslateMessage(&message);
      ::DispatchMessageA(&message);
    }
  }
}

void WaitForMessage() {
  ::WaitMessage();
}

}  // namespace vorpex::platform
