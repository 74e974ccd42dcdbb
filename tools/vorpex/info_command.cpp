#include <array>
#include <cstdio>
#include <optional>
#include <string>

#include "ORVANEUsbDll.h"
#include "VORPEXUSB.h"
#include "platform/dynamic_library.h"
#include "platform/os_version.h"
#include "platform/process.h"
#include "protocol/device_route.h"
#include "tools/vorpex/commands.h"
#include "tools/vorpex/json_text.h"
#include "tools/vorpex/library_error.h"

namespace vorpex::cli {
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
    case protocol::kRouteUnsupported:
      return "unsupported system";
    case protocol::kRouteFixedNames:
      return "fixed device names";
    case protocol::kRouteInterfaceClass:
      return "device interface class";
    default:
      return "not determined";
  }
}

// What info finds, for the table or the JSON document.
struct InfoFacts {
  OrvaneVersionRecord version{};
  std::string systemName;  // Linux: the kernel; Windows: empty
  int32_t route = 0;
  bool answers = false;
  std::optional<std::array<uint8_t, kDeviceInfoSize>> deviceInfo;
};

std::string InfoHex(const std::array<uint8_t, kDeviceInfoSize>& info) {
  std::string hex;
  for (uint8_t byte : info) {
    char digits[4];
    std::snprintf(digits, sizeof digits, hex.empty() ? "%02X" : " %02X", byte);
    hex += digits;
  }
  return hex;
}

std::string InfoText(const std::array<uint8_t, kDeviceInfoSize>& info) {
  std::string text;
  for (uint8_t byte : info) text += byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : '.';
  return text;
}

void PrintTable(const InfoFacts& facts) {
  const OrvaneVersionRecord& version = facts.version;
#ifdef _WIN32
  std::printf("system version: %u.%u.%u, platform %u (%s)\n", version.major, version.minor,
              version.build, version.platformId, PlatformName(version.platformId));
#else
  // The libraries see Linux as a current member of the NT family; the kernel is named as such.
  std::printf("system version: %s, reported to the libraries as the %s %u.%u (platform %u)\n",
              facts.systemName.c_str(), PlatformName(version.platformId), version.major,
              version.minor, version.platformId);
#endif
  std::printf("driver route: %d (%s)\n", facts.route, RouteName(facts.route));
  std::printf("player: %s\n", facts.answers ? "answers" : "does not answer");
  if (facts.deviceInfo) {
    std::printf("device information: %s\n", InfoHex(*facts.deviceInfo).c_str());
    std::printf("                    \"%s\"\n", InfoText(*facts.deviceInfo).c_str());
  }
}

void PrintJson(const InfoFacts& facts) {
  const OrvaneVersionRecord& version = facts.version;
  JsonWriter json;
  json.BeginObject(JsonWriter::kLines).Key("system").BeginObject();
  if (!facts.systemName.empty()) json.Key("name").String(facts.systemName);
  json.Key("major").Number(version.major).Key("minor").Number(version.minor);
  json.Key("build").Number(version.build).Key("platform").Number(version.platformId);
  json.Key("platformName").String(PlatformName(version.platformId)).EndObject();
  json.Key("driverRoute").BeginObject().Key("code").Number(facts.route);
  json.Key("name").String(RouteName(facts.route)).EndObject();
  json.Key("player").BeginObject().Key("answers").Bool(facts.answers);
  if (facts.deviceInfo) {
    json.Key("deviceInformation").BeginObject().Key("hex").String(InfoHex(*facts.deviceInfo));
    json.Key("text").String(InfoText(*facts.deviceInfo)).EndObject();
  }
  json.EndObject().EndObject();
  std::fputs(json.Text().c_str(), stdout);
}

}  // namespace

int RunInfo(const Options& options, TerminalUi& ui) {
  std::optional<OsVersionEntry> entry = BindGetOsVersion();
  if (!entry) {
    ReportError("cannot find get_osVersion in the device library");
    return kExitFailed;
  }
  InfoFacts facts;
  entry->function(reinterpret_cast<char*>(&facts.version));
  facts.route = protocol::RouteForVersion(facts.version.platformId, facts.version.major,
                                          facts.version.minor, protocol::kRouteUnknown);
#ifndef _WIN32
  facts.systemName = platform::QueryOsVersion().servicePack;
  if (facts.systemName.empty()) facts.systemName = "Linux";
#endif
  auto print = [&] {
    options.json ? PrintJson(facts) : PrintTable(facts);
    std::fflush(stdout);
  };

  VORPEX_SetError(VORPEX_OK);
  if (Usb_Checking(0) != 1) {
    print();
    ReportNoPlayer(ui);
    return kExitFailed;
  }
  facts.answers = true;
  std::array<uint8_t, kDeviceInfoSize> info{};
  const int32_t failed = Usb_GetDevInfo(nullptr, info.data());
  LibraryError error;
  if (failed != 0) error = ReadLibraryError(ui);
  Usb_Close(0);
  if (failed != 0) {
    print();
    ReportLibraryError("the device information cannot be read", error);
    return kExitFailed;
  }
  facts.deviceInfo = info;
  print();
  return kExitOk;
}

}  // namespace vorpex::cli
