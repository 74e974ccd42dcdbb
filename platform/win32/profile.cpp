#include "platform/profile.h"

#include <windows.h>

#include <vector>

namespace vorpex::platform {

std::string ReadProfileValue(const std::string& section, const std::string& key,
                             const std::string& path, size_t bufferSize) {
  if (bufferSize == 0) return {};
  std::vector<char> buffer(bufferSize, '\0');
  DWORD n = ::GetPrivateProfileStringA(section.c_str(), key.c_str(), "", buffer.data(),
                                       static_cast<DWORD>(bufferSize), path.c_str());
  return std::string(buffer.data(), n);
}

bool WriteProfileValue(const std::string& section, const std::string& key, const std::string& value,
                       const std::string& path) {
  // A read-only file stays as it is, whoever runs the program (Wine run by root would write it).
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    ::SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  return ::WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), path.c_str()) !=
         FALSE;
}

}  // namespace vorpex::platform
