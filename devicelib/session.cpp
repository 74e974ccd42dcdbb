#include "devicelib/session.h"

#include <array>
#include <cstring>

#include "VORPEXUSB.h"
#include "devicelib/driver.h"
#include "devicelib/state.h"
#include "platform/error.h"
#include "platform/os_version.h"
#include "protocol/device_route.h"
#include "protocol/vizu10_names.h"

namespace vorpex::device {
namespace {

using platform::DriverHandle;
using platform::kInvalidDriverHandle;

constexpr size_t kMaxPath = 259;

DeviceSession& Session() { return GetState().session; }

bool IsDeviceAlive() {
  std::array<uint8_t, platform::kVizu10ConfigBufferSize> buffer{};
  return Driver().Configuration(Session().deviceHandle, buffer);
}

uint32_t QueryPipeSelector() {
  std::array<uint8_t, platform::kVizu10ConfigBufferSize> buffer{};
  if (!Driver().Configuration(Session().deviceHandle, buffer)) return 0;
  return protocol::PipeSelector(buffer, Session().routeCode);
}

// Finds the first present interface of the class that opens, remembers its path and opens the
// interface itself or one of its pipes. Every call enumerates again.
DriverHandle OpenInterfaceFile(const char* pipeName) {
  bool found = false;
  for (const std::string& path : Driver().InterfacePaths(std::string(protocol::kVizu10ClassGuid))) {
    DriverHandle probe = Driver().Open(path);
    if (probe == kInvalidDriverHandle) continue;
    Driver().Close(probe);
    Session().devicePath = path.substr(0, kMaxPath);
    found = true;
    break;
  }
  if (!found) return kInvalidDriverHandle;
  if (pipeName != nullptr) {
    Session().devicePath = (Session().devicePath + "\\" + pipeName).substr(0, kMaxPath);
  }
  return Driver().Open(Session().devicePath);
}

}  // namespace

void GetOsVersion(uint8_t* versionRecord) {
  platform::OsVersion version = GetState().osVersionOverride.value_or(platform::QueryOsVersion());
  const uint32_t fields[4] = {version.major, version.minor, version.build, version.platformId};
  if (versionRecord != nullptr) std::memcpy(versionRecord, fields, sizeof fields);
  Session().routeCode = protocol::RouteForVersion(version.platformId, version.major,
                                                  version.minor, Session().routeCode);
}

int32_t Checking() {
  if (Session().routeCode == protocol::kRouteUnknown) {
    uint8_t record[16];
    GetOsVersion(record);
  }
  if (!OpenPipes()) return 0;
  Session().sessionValue = 1;
  return 1;
}

bool OpenPipes() {
  DeviceSession& s = Session();
  if (s.pipesOpen && IsDeviceAlive()) return true;
  if (s.routeCode != protocol::kRouteInterfaceClass && s.routeCode != protocol::kRouteFixedNames) {
    return false;
  }
  // The files of a session that stopped answering are released before new ones replace them.
  ClosePipes();
  uint32_t deviceError = 0;
  if (s.routeCode == protocol::kRouteInterfaceClass) {
    s.deviceHandle = OpenInterfaceFile(nullptr);
    if (s.deviceHandle == kInvalidDriverHandle) deviceError = platform::LastError();
    s.pipeNames[1] = protocol::WritePipeName(QueryPipeSelector(), s.routeCode);
    s.cancelPipe = OpenInterfaceFile(s.pipeNames[0].c_str());
    s.readPipe = OpenInterfaceFile(protocol::kVizu10ReadPipe);
    s.writePipe = OpenInterfaceFile(s.pipeNames[1].c_str());
  } else if (s.routeCode == protocol::kRouteFixedNames) {
    const std::string device(protocol::kVizu10FixedName);
    s.deviceHandle = Driver().Open(device);
    if (s.deviceHandle == kInvalidDriverHandle) deviceError = platform::LastError();
    s.writePipe = Driver().Open(device + "\\" +
                                protocol::WritePipeName(QueryPipeSelector(), s.routeCode));
    s.readPipe = Driver().Open(device + "\\" + protocol::kVizu10ReadPipe);
  }
  if (s.cancelPipe == kInvalidDriverHandle || s.readPipe == kInvalidDriverHandle ||
      s.writePipe == kInvalidDriverHandle) {
    // A player the system will not let this user open, or that another program holds, is told
    // as such.
    if (deviceError == platform::kErrorAccessDenied ||
        deviceError == platform::kErrorSharingViolation) {
      VORPEX_SetWindowsError(deviceError);
    }
    return false;
  }
  s.pipesOpen = true;
  return true;
}

int32_t ClosePipes() {
  DeviceSession& s = Session();
  for (DriverHandle* h : {&s.deviceHandle, &s.cancelPipe, &s.readPipe, &s.writePipe}) {
    if (*h != platform::kNullDriverHandle && *h != kInvalidDriverHandle) Driver().Close(*h);
    *h = platform::kNullDriverHandle;
  }
  s.pipesOpen = false;
  return 1;
}

uint32_t WritePipe(std::span<const uint8_t> data) {
  if (!Session().pipesOpen) return 0;
  return Driver().Write(Session().writePipe, data).value_or(0);
}

uint32_t ReadPipe(std::span<uint8_t> buffer) {
  if (!Session().pipesOpen) return 0;
  return Driver().Read(Session().readPipe, buffer).value_or(0);
}

bool CancelPipe() {
  if (!Session().pipesOpen) return false;
  std::array<uint8_t, 8> abort{1};
  return Driver().Write(Session().cancelPipe, abort).has_value();
}

}  // namespace vorpex::device
