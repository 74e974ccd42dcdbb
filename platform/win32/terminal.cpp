#include "platform/terminal.h"

#include <windows.h>

namespace vorpex::platform {
namespace {

HANDLE Handle(StandardStream stream) {
  if (stream == StandardStream::kInput) return ::GetStdHandle(STD_INPUT_HANDLE);
  return ::GetStdHandle(stream == StandardStream::kOutput ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
}

}  // namespace

bool IsTerminal(StandardStream stream) {
  // A console answers GetConsoleMode; files and pipes do not.
  HANDLE handle = Handle(stream);
  DWORD mode = 0;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode);
}

std::optional<size_t> TerminalColumns(StandardStream stream) {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (!::GetConsoleScreenBufferInfo(Handle(stream), &info)) return std::nullopt;
  const int columns = info.srWindow.Right - info.srWindow.Left + 1;
  if (columns <= 0) return std::nullopt;
  return static_cast<size_t>(columns);
}

size_t CurrentTerminalColumns(StandardStream stream, size_t fallback) {
  // The console tells of no new size: read it every time (it is cheap).
  return TerminalColumns(stream).value_or(fallback);
}

}  // namespace vorpex::platform
