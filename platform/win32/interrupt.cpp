#include "platform/interrupt.h"

#include <windows.h>

#include <atomic>
#include <cstring>

namespace vorpex::platform {
namespace {

std::atomic<InterruptHook> gHook{nullptr};

// The number each console event counts as, as its POSIX counterpart would: 0 for the events
// that are no interrupt of this program.
int SignalOf(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
      return 2;  // an interrupt
    case CTRL_BREAK_EVENT:
      return 3;  // a quit
    case CTRL_CLOSE_EVENT:
      return 1;  // a hang-up: the console went away
    default:
      return 0;
  }
}

// Runs on a thread of its own; returning FALSE lets the next handler end the process.
BOOL WINAPI OnControl(DWORD event) {
  const int signal = SignalOf(event);
  if (signal == 0) return FALSE;
  char message[256] = {};
  InterruptHook hook = gHook.load();
  if (hook == nullptr || !hook(signal, message, sizeof message)) return FALSE;
  DWORD written = 0;
  ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), message, static_cast<DWORD>(std::strlen(message)),
              &written, nullptr);
  // The system ends the process as soon as this returns from a closed console, whatever it
  // returns: it waits here, in the system's grace time, for the program to finish on its own.
  if (event == CTRL_CLOSE_EVENT) ::Sleep(INFINITE);
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
