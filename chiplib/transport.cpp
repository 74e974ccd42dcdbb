#include "chiplib/transport.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "VORPEXUSB.h"
#include "chiplib/driver_select.h"
#include "chiplib/error_state.h"
#include "chiplib/state.h"
#include "platform/error.h"

namespace vorpex::chip {
namespace {

namespace wd = protocol::windriver;

// One request on a held handle, with a zeroed record of `size` bytes that `fill` fills in.
template <typename Fill>
std::vector<uint8_t> HeldRequest(platform::DriverHandle handle, uint32_t code, size_t size,
                                 Fill fill) {
  std::vector<uint8_t> record(size, 0);
  fill(std::span<uint8_t>(record));
  ActiveWinDriver().Request(handle, code, record, {});
  return record;
}

// A held driver handle, closed when the owner goes.
struct HandleOwner {
  platform::DriverHandle handle;
  explicit HandleOwner(platform::DriverHandle held) : handle(held) {}
  HandleOwner(const HandleOwner&) = delete;
  HandleOwner& operator=(const HandleOwner&) = delete;
  ~HandleOwner() { ActiveWinDriver().Close(handle); }
};

// One transfer on a handle of its own, opened and closed around it.
int32_t Transfer(const ChipDevice& device, uint32_t pipe, bool read, uint32_t options,
                 std::span<uint8_t> buffer, uint32_t timeoutMs, const uint8_t* setup = nullptr) {
  std::array<uint8_t, wd::kTransferSize> record{};
  wd::PutWord(record, wd::kTransferDeviceHandle, device.deviceHandle);
  wd::PutWord(record, wd::kTransferPipe, pipe);
  wd::PutWord(record, wd::kTransferReadFlag, read ? 1 : 0);
  wd::PutWord(record, wd::kTransferOptions, options);
  wd::PutWord(record, wd::kTransferBufferSize, static_cast<uint32_t>(buffer.size()));
  wd::PutWord(record, wd::kTransferTimeout, timeoutMs);
  if (setup != nullptr) std::copy_n(setup, 8, record.begin() + wd::kTransferSetup);

  const auto handle = ActiveWinDriver().Open();
  if (!handle) return -1;
  {
    const HandleOwner owner{*handle};
    ActiveWinDriver().Request(*handle, wd::kCodeTransfer, record, buffer);
  }
  if (wd::GetWord(record, wd::kTransferSuccess) == 0) return -1;
  return static_cast<int32_t>(wd::GetWord(record, wd::kTransferBytesDone));
}

void Halt(const ChipDevice& device, uint32_t pipe) {
  const State& state = GetState();
  Transfer(device, pipe, false, wd::kOptionHalt, {}, state.writeTimeoutMs);
  Transfer(device, pipe | wd::kPipeIn, false, wd::kOptionHalt, {}, state.readTimeoutMs);
}

void Unregister(const ChipDevice& device) {
  HeldRequest(device.driverHandle, wd::kCodeUnregister, wd::kRegisterSize,
              [&](std::span<uint8_t> r) {
                wd::PutWord(r, wd::kRegisterDeviceHandle, device.deviceHandle);
              });
}

// A device record being opened: unless released, the owner unregisters the player (when it
// was registered), closes the handle and frees the record.
struct DeviceOwner {
  std::unique_ptr<ChipDevice> device;

  explicit DeviceOwner(platform::DriverHandle handle) {
    try {
      device = std::make_unique<ChipDevice>();
    } catch (...) {
      ActiveWinDriver().Close(handle);
      throw;
    }
    device->driverHandle = handle;
  }
  DeviceOwner(const DeviceOwner&) = delete;
  DeviceOwner& operator=(const DeviceOwner&) = delete;
  ~DeviceOwner() {
    if (!device) return;
    try {
      if (device->deviceHandle != 0) Unregister(*device);
    } catch (...) {
      // Already on a failure path; the handle is closed below all the same.
    }
    ActiveWinDriver().Close(device->driverHandle);
  }
  ChipDevice* Release() { return device.release(); }
};

}  // namespace

ChipDevice* OpenDevice() {
  platform::WinDriverPort& driver = ActiveWinDriver();
  uint32_t uniqueId = 0;
  {
    const auto handle = driver.Open();
    if (!handle) {
      SetError(VORPEX_ERR_DEVICEDRIVER_OPEN);
      return nullptr;
    }
    const HandleOwner owner{*handle};
    const auto scan = HeldRequest(*handle, wd::kCodeScan, wd::kScanSize, [](std::span<uint8_t> r) {
      wd::PutWord(r, wd::kScanVendor, wd::kPlayerVendor);
      wd::PutWord(r, wd::kScanProduct, wd::kPlayerProduct);
    });
    if (wd::GetWord(scan, wd::kScanCount) == 0) return nullptr;  // no player: error untouched
    uniqueId = wd::GetWord(scan, wd::kScanUniqueId);
  }

  const auto handle = driver.Open();
  if (!handle) {
    SetError(VORPEX_ERR_DEVICEDRIVER_OPEN);
    return nullptr;
  }
  // Until the record is handed out, leaving this function (by a failure or an exception)
  // releases the registration and the handle.
  DeviceOwner owner{*handle};
  ChipDevice& device = *owner.device;
  auto fail = [] {
    // A player the system will not let this user open, or that another program holds, is told
    // as such, not as an old driver.
    const uint32_t refusal = platform::LastError();
    if (refusal == platform::kErrorAccessDenied || refusal == platform::kErrorSharingViolation) {
      SetWindowsError(refusal);
    } else {
      SetError(VORPEX_ERR_DEVICEDRIVER_VERSION);
    }
    return nullptr;
  };

  platform::SetLastError(0);
  const auto version = HeldRequest(*handle, wd::kCodeVersion, wd::kVersionSize, [](auto) {});
  if (wd::GetWord(version, wd::kVersionNumber) < wd::kMinimumDriverVersion) return fail();

  platform::SetLastError(0);
  const auto registration =
      HeldRequest(*handle, wd::kCodeRegister, wd::kRegisterSize,
                  [&](std::span<uint8_t> r) { wd::PutWord(r, wd::kRegisterUniqueId, uniqueId); });
  device.deviceHandle = wd::GetWord(registration, wd::kRegisterDeviceHandle);
  if (device.deviceHandle == 0) return fail();
  std::copy_n(registration.begin() + wd::kRegisterDeviceInfo, wd::kDeviceInfoSize,
              device.deviceInfo.begin());

  Halt(device, wd::kBulkOutPipe);
  Halt(device, wd::kBulkInPipe);
  return owner.Release();
}

void CloseDevice(ChipDevice* device) {
  if (device == nullptr) return;
  // Freed and its handle closed even when the unregistration throws.
  // cppcheck-suppress unreadVariable ; it frees the device when it goes out of scope
  const std::unique_ptr<ChipDevice> owned(device);
  const HandleOwner handle{device->driverHandle};
  Unregister(*device);
  *device = ChipDevice{};
}

int32_t TestDevice(ChipDevice* device) {
  if (device == nullptr) return 1;
  for (uint32_t pipe : {0x02u, 0x82u, 0x03u, 0x83u}) {
    HeldRequest(device->driverHandle, wd::kCodeResetPipe, wd::kResetSize,
                [&](std::span<uint8_t> r) {
                  wd::PutWord(r, wd::kResetDeviceHandle, device->deviceHandle);
                  wd::PutWord(r, wd::kResetPipe, pipe);
                });
  }
  return 1;
}

int32_t WriteDefaultPipe(ChipDevice* device, std::span<uint8_t> buffer,
                         std::span<const uint8_t, 8> setup) {
  if (device == nullptr) return -1;
  return Transfer(*device, wd::kControlPipe, false, 0, buffer, GetState().writeTimeoutMs,
                  setup.data());
}

int32_t ReadBulkPipe(ChipDevice* device, uint32_t pipe, std::span<uint8_t> buffer) {
  if (device == nullptr) return -1;
  return Transfer(*device, pipe | wd::kPipeIn, true, 0, buffer, GetState().readTimeoutMs);
}

int32_t WriteBulkPipe(ChipDevice* device, uint32_t pipe, std::span<uint8_t> buffer) {
  if (device == nullptr) return -1;
  return Transfer(*device, pipe, false, 0, buffer, GetState().writeTimeoutMs);
}

int32_t SendUsb(ChipDevice* device, std::span<uint8_t> buffer) {
  return std::max(WriteBulkPipe(device, wd::kBulkOutPipe, buffer), 0);
}

int32_t RecvUsb(ChipDevice* device, std::span<uint8_t> buffer) {
  return std::max(ReadBulkPipe(device, wd::kBulkInPipe, buffer), 0);
}

uint32_t SetTimeouts(uint32_t readMs, uint32_t writeMs) {
  State& state = GetState();
  state.readTimeoutMs = readMs;
  state.writeTimeoutMs = writeMs;
  return readMs;
}

}  // namespace vorpex::chip
