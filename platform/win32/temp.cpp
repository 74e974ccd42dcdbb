#include "platform/temp.h"

#include <windows.h>

#include <cstdio>

namespace vorpex::platform {

std::optional<std::string> TempFolder() {
  char path[MAX_PATH + 1];
  DWORD length = ::GetTempPathA(sizeof path, path);
  if (length == 0 || length > MAX_PATH) return std::nullopt;
  return std::string(path, length);
}

std::optional<std::string> CreateUniqueTempFile(const std::string& folder,
                                                const std::string& prefix) {
  char path[MAX_PATH + 1];
  if (::GetTempFileNameA(folder.c_str(), prefix.c_str(), 0, path) == 0) return std::nullopt;
  return std::string(path);
}

std::optional<std::string> CreateUniqueTempFolder(const std::string& prefix) {
  const auto folder = TempFolder();
  if (!folder) return std::nullopt;
  // Numbers from the tick count and the process, the first one whose folder is new.
  const DWORD start = ::GetTickCount() ^ ::GetCurrentProcessId();
  for (DWORD i = 0; i < 0x10000; ++i) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%lX", static_cast<unsigned long>((start + i) & 0xFFFFFF));
    std::string path = *folder + prefix + digits;
    if (::CreateDirectoryA(path.c_str(), nullptr) != 0) return path;
    if (::GetLastError() != ERROR_ALREADY_EXISTS) return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace vorpex::platform
