#include <windows.h>

#include <atomic>
#include <cstring>

#include "platform/interrupt.h"

namespace vorpex::platform {
namespace {

std::atomic<InterruptHook> gHook{nullptr};

// Runs on a thread of its own; returning FALSE lets the next handler end the process.
BOOL WINAPI OnControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) {
    return FALSE;
  }
  char message[256] = {};
  InterruptHook hook = gHook.load();
  if (hook == nullptr || !hook(message, sizeof message)) return FALSE;
  DWORD written = 0;
  ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), message, static_cast<DWORD>(std::strlen(message)),
              &written, nullptr);
  return TRUE;
}

}  // namespace

void IgnoreBrokenPipe() {
  // Writes to a closed pipe fail with an error here; nothing ends the process.
}

void SetInterruptHook(InterruptHook hook) {
  const bool wasSet = gHook.exchange(hook) != nullptr;
  if (hook != nullptr && !wasSet) ::SetConsoleCtrlHandler(&OnControl, TRUE);
  if (hook == nullptr && wasSet) ::SetConsoleCtrlHandler(&OnControl, FALSE);
}

}  // namespace vorpex::platform
