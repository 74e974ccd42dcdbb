// The player's device driver as the device library sees it: device interfaces of a class, device
// and pipe files, the configuration request, synchronous pipe reads and writes.
#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/driver_handle.h"

namespace vorpex::platform {

// The configuration request: the configuration descriptor set of the player, in and out of one
// 256-byte buffer.
inline constexpr uint32_t kVizu10ConfigRequest = 0x220000;
inline constexpr size_t kVizu10ConfigBufferSize = 256;

class Vizu10Port {
 public:
  virtual ~Vizu10Port() = default;
  // The device paths of the present interfaces of the class, in the system's order. Entries the
  // system fails to describe are left out; the list ends where the enumeration ends.
  virtual std::vector<std::string> InterfacePaths(const std::string& classGuid) = 0;
  // Opens a device or pipe file for reading and writing, shared, as an existing file;
  // kInvalidDriverHandle on failure.
  virtual DriverHandle Open(const std::string& path) = 0;
  // The configuration request on a device file; false when the driver refused it.
  virtual bool Configuration(DriverHandle device,
                             std::span<uint8_t, kVizu10ConfigBufferSize> buffer) = 0;
  // One synchronous write or read; the byte count moved, or nullopt when the call failed.
  virtual std::optional<uint32_t> Write(DriverHandle pipe, std::span<const uint8_t> data) = 0;
  virtual std::optional<uint32_t> Read(DriverHandle pipe, std::span<uint8_t> buffer) = 0;
  virtual void Close(DriverHandle handle) = 0;
};

// The system's driver (SetupAPI and device files on Windows; none on Linux, where every open
// fails with "file not found").
Vizu10Port& SystemVizu10();

}  // namespace vorpex::platform
