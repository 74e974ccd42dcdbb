// The WinDriver transport: the device record, opening and closing the player, and transfers
// on its pipes with the library's time-outs.
#pragma once
#include <array>
#include <cstdint>
#include <span>

#include "platform/windriver.h"
#include "protocol/windriver_records.h"

namespace vorpex::chip {

// The device record that VORPEX_Open hands out.
struct ChipDevice {
  platform::DriverHandle driverHandle;  // for registration, reset and release only
  std::array<uint8_t, protocol::windriver::kDeviceInfoSize> deviceInfo;
  uint32_t deviceHandle;  // the driver's handle of the registered player; 0 for none
};

// Null when the driver, the player or the registration fails (see the error state).
ChipDevice* OpenDevice();
void CloseDevice(ChipDevice* device);
// Resets pipes 2, 0x82, 3 and 0x83; always 1.
int32_t TestDevice(ChipDevice* device);

// Transfers: bytes moved, or -1.
int32_t WriteDefaultPipe(ChipDevice* device, std::span<uint8_t> buffer,
                         std::span<const uint8_t, 8> setup);
int32_t ReadBulkPipe(ChipDevice* device, uint32_t pipe, std::span<uint8_t> buffer);
int32_t WriteBulkPipe(ChipDevice* device, uint32_t pipe, std::span<uint8_t> buffer);
// The command pipes, with failure as 0.
int32_t SendUsb(ChipDevice* device, std::span<uint8_t> buffer);
int32_t RecvUsb(ChipDevice* device, std::span<uint8_t> buffer);

// Sets both time-outs; returns `readMs`.
uint32_t SetTimeouts(uint32_t readMs, uint32_t writeMs);

}  // namespace vorpex::chip
