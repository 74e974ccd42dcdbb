#include "platform/os_version.h"

#include <sys/utsname.h>

namespace vorpex::platform {

OsVersion QueryOsVersion() {
  // Linux reports itself as a current member of the NT family, whatever the kernel's numbers
  // (a kernel 3.x would otherwise read as NT 3, which the player's drivers never ran on); the
  // kernel's name and release stand where a service pack would.
  OsVersion version;
  version.platformId = kPlatformNt;
  version.major = kLinuxNtMajor;
  version.minor = 0;
  utsname name{};
  if (uname(&name) == 0) {
    version.servicePack = (std::string(name.sysname) + " " + name.release).substr(0, 127);
  }
  return version;
}

}  // namespace vorpex::platform
