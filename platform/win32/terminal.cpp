#include "platform/terminal.h"

#include <windows.h>

namespace vorpex::platform {

bool IsTerminal(StandardStream stream) {
  // A console answers GetConsoleMode; files and pipes do not.
  DWORD which = STD_ERROR_HANDLE;
  if (stream == StandardStream::kInput) which = STD_INPUT_HANDLE;
  if (stream == StandardStream::kOutput) which = STD_OUTPUT_HANDLE;
  HANDLE handle = ::GetStdHandle(which);
  DWORD mode = 0;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode);
}

}  // namespace vorpex::platform
