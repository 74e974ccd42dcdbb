// The operating system's version, as GetVersionExA reports it.
#pragma once
#include <cstdint>
#include <string>

namespace vorpex::platform {

inline constexpr uint32_t kPlatformWin32s = 0;
inline constexpr uint32_t kPlatformWindows = 1;  // Windows 95, 98, Me
inline constexpr uint32_t kPlatformNt = 2;

struct OsVersion {
  uint32_t major = 0;
  uint32_t minor = 0;
  uint32_t build = 0;
  uint32_t platformId = 0;
  std::string servicePack;  // at most 127 characters
};

// What Linux reports: NT family, version 10.0, build 0, the kernel in the service-pack text.
inline constexpr uint32_t kLinuxNtMajor = 10;

// The running system's version.
OsVersion QueryOsVersion();

}  // namespace vorpex::platform
