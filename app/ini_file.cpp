#include "app/ini_file.h"

#include "platform/profile.h"

namespace vorpex::app {
namespace {
constexpr size_t kValueBuffer = 100;  // room for 99 characters and the terminating NUL
}

std::string CIniFile::GetFile(const std::string& strSection, const std::string& strKey) const {
  return platform::ReadProfileValue(strSection, strKey, path_, kValueBuffer);
}

bool CIniFile::WriteFile(const std::string& strSection, const std::string& strKey,
                         const std::string& strValue) const {
  return platform::WriteProfileValue(strSection, strKey, strValue, path_);
}

}  // namespace vorpex::app
