#include "platform/terminal.h"

#include <windows.h>

namespace vorpex::platform {

bool IsTerminal(StandardStream stream) {
  // A console answers GetConsoleMode; files and pipes do not.
  HANDLE handle =
      ::GetStdHandle(stream == StandardStream::kOutput ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
  DWORD mode = 0;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode);
}

}  // namespace vorpex::platform
