// Everything the device library keeps between calls: one record, zero when the library loads.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/os_version.h"
#include "platform/vizu10.h"
#include "protocol/dir_slot.h"
#include "protocol/vizu10_names.h"

namespace vorpex::device {

// The session with the player's driver files.
struct DeviceSession {
  int32_t routeCode = 0;     // 0 not yet known, 1 unsupported, 98 fixed names, 2000 interface class
  int32_t sessionValue = 0;  // nonzero once a session was opened
  bool pipesOpen = false;
  platform::DriverHandle deviceHandle = platform::kNullDriverHandle;
  platform::DriverHandle cancelPipe = platform::kNullDriverHandle;
  platform::DriverHandle writePipe = platform::kNullDriverHandle;
  platform::DriverHandle readPipe = platform::kNullDriverHandle;
  std::string devicePath;                                              // at most 259 characters
  // cancel, write, read
  std::array<std::string, 3> pipeNames{protocol::kVizu10Pipe00, protocol::kVizu10Pipe00,
                                       protocol::kVizu10ReadPipe};
};

// The cached picture of one memory area; only a reload writes it.
struct AreaCache {
  // Up to 256 DirEntry records of 32 bytes, as the last successful reload left them.
  std::array<uint8_t, 256 * protocol::kDirEntrySize> catalogue{};
  // Files, 0, capacity, used, 0 (capacity and used in units of 16384 bytes).
  protocol::MemoryInfo memoryInfo{};
  // Records the last reload filled.
  uint32_t areaCapacity = 0;
};

struct State {
  DeviceSession session;
  // Every command block is built here and every reply read into it; never cleared.
  std::array<uint8_t, 512> sharedBlock{};
  std::array<AreaCache, 2> areas;  // memory areas 0 "M" and 1 "S"
  // The system version the route is taken from; tests may put another in its place.
  std::optional<platform::OsVersion> osVersionOverride;
};

State& GetState();

}  // namespace vorpex::device
