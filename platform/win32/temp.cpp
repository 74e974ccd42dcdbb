#include <windows.h>

#include "platform/temp.h"

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

}  // namespace vorpex::platform
