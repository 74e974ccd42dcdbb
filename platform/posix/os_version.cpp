#include "platform/os_version.h"

#include <sys/utsname.h>

#include <cstdio>

namespace vorpex::platform {

OsVersion QueryOsVersion() {
  // Linux reports itself as a member of the NT family, with the kernel's release numbers.
  OsVersion version;
  version.platformId = kPlatformNt;
  utsname name{};
  if (uname(&name) == 0) {
    unsigned major = 0, minor = 0, patch = 0;
    std::sscanf(name.release, "%u.%u.%u", &major, &minor, &patch);
    version.major = major;
    version.minor = minor;
    version.build = patch;
    version.servicePack = std::string(name.sysname).substr(0, 127);
  }
  return version;
}

}  // namespace vorpex::platform
