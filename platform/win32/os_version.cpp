#include <windows.h>

#include "platform/os_version.h"

namespace vorpex::platform {

OsVersion QueryOsVersion() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  OsVersion version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!::GetVersionExA(&info)) return version;
#pragma GCC diagnostic pop
  version.major = info.dwMajorVersion;
  version.minor = info.dwMinorVersion;
  version.build = info.dwBuildNumber;
  version.platformId = info.dwPlatformId;
  version.servicePack = info.szCSDVersion;
  return version;
}

}  // namespace vorpex::platform
