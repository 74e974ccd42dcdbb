#include <windows.h>

#include "platform/error.h"

namespace vorpex::platform {

uint32_t LastError() { return ::GetLastError(); }
void SetLastError(uint32_t code) { ::SetLastError(code); }

std::optional<std::string> SystemErrorText(uint32_t code) {
  char* text = nullptr;
  DWORD length = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM,
      nullptr, code, 0x400, reinterpret_cast<LPSTR>(&text), 1024, nullptr);
  if (length == 0 || text == nullptr) {
    if (text != nullptr) ::LocalFree(text);
    return std::nullopt;
  }
  std::string result(text, length);
  ::LocalFree(text);
  return result;
}

}  // namespace vorpex::platform
