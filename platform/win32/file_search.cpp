#include "platform/file_search.h"

#include <windows.h>

namespace vorpex::platform {

bool FindAnyFile(const std::string& pathOrPattern) {
  WIN32_FIND_DATAA data{};
  HANDLE search = ::FindFirstFileA(pathOrPattern.c_str(), &data);
  if (search == INVALID_HANDLE_VALUE || search == nullptr) return false;
  ::FindClose(search);
  return true;
}

}  // namespace vorpex::platform
