#include "chiplib/transport.h"

#include <algorithm>
#include <new>
#include <vector>

#include "chiplib/driver_select.h"
#include "chiplib/error_state.h"
#include "chiplib/state.h"
#include "platform/error.h"

namespace vorpex::chip {
namespace {

namespace wd = protocol::windriver;

constexpr int32_t kErrorDriverOpen = 1;
constexpr int32_t kErrorDriverVersion = 2;

// One request on a held handle, with a zeroed record of `size` bytes that `fill` fills in.
template <typename Fill>
std::vector<uint8_t> HeldRequest(platform::DriverHandle handle, uint32_t code, size_t size,
                                 Fill fill) {
  std::vector<uint8_t> record(size, 0);
  fill(std::span<uint8_t>(record));
  ActiveWinDriver().Request(handle, code, record, {});
  return record;
}

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

  platform::WinDriverPort& driver = ActiveWinDriver();
  const auto handle = driver.Open();
  if (!handle) return -1;
  driver.Request(*handle, wd::kCodeTransfer, record, buffer);
  driver.Close(*handle);
  if (wd::GetWord(record, wd::kTransferSuccess) == 0) return -1;
  return static_cast<int32_t>(wd::GetWord(record, wd::kTransferBytesDone));
}

void Halt(const ChipDevice& device, uint32_t pipe) {
  const State& state = GetState();
  Transfer(device, pipe, false, wd::kOptionHalt, {}, state.writeTimeoutMs);
  Transfer(device, pipe | wd::kPipeIn, false, wd::kOptionHalt, {}, state.readTimeoutMs);
}

}  // namespace

ChipDevice* OpenDevice() {
  platform::WinDriverPort& driver = ActiveWinDriver();
  auto handle = driver.Open();
  if (!handle) {
    SetError(kErrorDriverOpen);
    return nullptr;
  }
  const auto scan = HeldRequest(*handle, wd::kCodeScan, wd::kScanSize, [](std::span<uint8_t> r) {
    wd::PutWord(r, wd::kScanVendor, wd::kPlayerVendor);
    wd::PutWord(r, wd::kScanProduct, wd::kPlayerProduct);
  });
  driver.Close(*handle);
  if (wd::GetWord(scan, wd::kScanCount) == 0) return nullptr;  // no player: error untouched
  const uint32_t uniqueId = wd::GetWord(scan, wd::kScanUniqueId);

  handle = driver.Open();
  if (!handle) {
    SetError(kErrorDriverOpen);
    return nullptr;
  }
  auto* device = new (std::nothrow) ChipDevice{};
  if (device == nullptr) {
    driver.Close(*handle);
    return nullptr;
  }
  device->driverHandle = *handle;
  auto fail = [&] {
    // A player the system will not let this user open is told as such, not as an old driver.
    if (platform::LastError() == platform::kErrorAccessDenied) {
      SetWindowsError(platform::kErrorAccessDenied);
    } else {
      SetError(kErrorDriverVersion);
    }
    driver.Close(*handle);
    *device = ChipDevice{};
    delete device;
    return nullptr;
  };

  platform::SetLastError(0);
  const auto version = HeldRequest(*handle, wd::kCodeVersion, wd::kVersionSize, [](auto) {});
  if (wd::GetWord(version, wd::kVersionNumber) < wd::kMinimumDriverVersion) return fail();

  platform::SetLastError(0);
  const auto registration =
      HeldRequest(*handle, wd::kCodeRegister, wd::kRegisterSize,
                  [&](std::span<uint8_t> r) { wd::PutWord(r, wd::kRegisterUniqueId, uniqueId); });
  device->deviceHandle = wd::GetWord(registration, wd::kRegisterDeviceHandle);
  if (device->deviceHandle == 0) return fail();
  std::copy_n(registration.begin() + wd::kRegisterDeviceInfo, wd::kDeviceInfoSize,
              device->deviceInfo.begin());

  Halt(*device, wd::kBulkOutPipe);
  Halt(*device, wd::kBulkInPipe);
  return device;
}

void CloseDevice(ChipDevice* device) {
  if (device == nullptr) return;
  HeldRequest(device->driverHandle, wd::kCodeUnregister, wd::kRegisterSize,
              [&](std::span<uint8_t> r) {
                wd::PutWord(r, wd::kRegisterDeviceHandle, device->deviceHandle);
              });
  ActiveWinDriver().Close(device->driverHandle);
  *device = ChipDevice{};
  delete device;
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
