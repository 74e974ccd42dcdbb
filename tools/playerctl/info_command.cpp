#include <cstdio>

#include "ORVANEUsbDll.h"
#include "VORPEXUSB.h"
#include "platform/dynamic_library.h"
#include "platform/os_version.h"
#include "platform/process.h"
#include "protocol/device_route.h"
#include "tools/playerctl/commands.h"
#include "tools/playerctl/library_error.h"

namespace vorpex::playerctl {
namespace {

constexpr size_t kDeviceInfoSize = 20;

// get_osVersion is exported under its decorated C++ name only on Windows, so it is bound by
// name on every build, from the device library this program already runs with.
struct OsVersionEntry {
  platform::DynamicLibrary library;
  OrvaneGetOsVersionFn function = nullptr;
};

std::optional<OsVersionEntry> BindGetOsVersion() {
  const std::string name = platform::LibraryFileName("ORVANEUsbDll");
  std::optional<std::string> folder = platform::ProgramFolder();
  std::optional<platform::DynamicLibrary> library;
  if (folder) library = platform::DynamicLibrary::Load(*folder + platform::PathSeparator() + name);
  // Installed, the library is where the system's loader finds it, not beside the program.
  if (!library) library = platform::DynamicLibrary::Load(name);
  if (!library) return std::nullopt;
  void* address = library->Find(platform::ExportName("?get_osVersion@@YGXPAD@Z"));
  if (address == nullptr) return std::nullopt;
  return OsVersionEntry{std::move(*library), reinterpret_cast<OrvaneGetOsVersionFn>(address)};
}

const char* PlatformName(uint32_t platformId) {
  switch (platformId) {
    case 0:
      return "Win32s";
    case 1:
      return "Windows 95, 98 or Me";
    case 2:
      return "NT family";
    default:
      return "unknown";
  }
}

const char* RouteName(int32_t route) {
  switch (route) {
    case 1:
      return "unsupported system";
    case 98:
      return "fixed device names";
    case 2000:
      return "device interface class";
    default:
      return "not determined";
  }
}

}  // namespace

int RunInfo(const Options&, TerminalUi& ui) {
  std::optional<OsVersionEntry> entry = BindGetOsVersion();
  if (!entry) {
    ReportError("cannot find get_osVersion in the device library");
    return kExitFailed;
  }
  OrvaneVersionRecord version{};
  entry->function(reinterpret_cast<char*>(&version));
  const int32_t route = protocol::RouteForVersion(version.platformId, version.major, version.minor,
                                                  protocol::kRouteUnknown);
#ifdef _WIN32
  std::printf("system version: %u.%u.%u, platform %u (%s)\n", version.major, version.minor,
              version.build, version.platformId, PlatformName(version.platformId));
#else
  // The libraries see Linux as a current member of the NT family; the kernel is named as such.
  const std::string kernel = platform::QueryOsVersion().servicePack;
  std::printf("system version: %s, reported to the libraries as the %s %u.%u (platform %u)\n",
              kernel.empty() ? "Linux" : kernel.c_str(), PlatformName(version.platformId),
              version.major, version.minor, version.platformId);
#endif
  std::printf("driver route: %d (%s)\n", route, RouteName(route));

  VORPEX_SetError(VORPEX_OK);
  if (Usb_Checking(0) != 1) {
    std::printf("player: does not answer\n");
    std::fflush(stdout);
    ReportNoPlayer();
    return kExitFailed;
  }
  std::printf("player: answers\n");
  uint8_t info[kDeviceInfoSize] = {};
  const int32_t failed = Usb_GetDevInfo(nullptr, info);
  LibraryError error;
  if (failed != 0) error = ReadLibraryError(ui);
  Usb_Close(0);
  if (failed != 0) {
    std::fflush(stdout);
    ReportLibraryError("the device information cannot be read", error);
    return kExitFailed;
  }
  std::string hex, text;
  for (uint8_t byte : info) {
    char digits[4];
    std::snprintf(digits, sizeof digits, hex.empty() ? "%02X" : " %02X", byte);
    hex += digits;
    text += byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : '.';
  }
  std::printf("device information: %s\n", hex.c_str());
  std::printf("                    \"%s\"\n", text.c_str());
  return kExitOk;
}

}  // namespace vorpex::playerctl
