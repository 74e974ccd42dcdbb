#include "sim/windriver_face.h"

#include <chrono>

#include <algorithm>

#include "protocol/windriver_records.h"

namespace vorpex::sim {

namespace wd = protocol::windriver;

namespace {

class BusyTimer {
 public:
  explicit BusyTimer(uint64_t& total) : total_(total), start_(std::chrono::steady_clock::now()) {}
  ~BusyTimer() {
    total_ += static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                        std::chrono::steady_clock::now() - start_)
                                        .count());
  }

 private:
  uint64_t& total_;
  std::chrono::steady_clock::time_point start_;
};

}  // namespace

std::optional<platform::DriverHandle> SimWinDriver::Open() {
  BusyTimer timer(busyNs_);
  const platform::DriverHandle handle = nextHandle_;
  nextHandle_ += 4;
  handles_.insert(handle);
  return handle;
}

void SimWinDriver::Close(platform::DriverHandle handle) {
  BusyTimer timer(busyNs_);
  handles_.erase(handle);
}

void SimWinDriver::Request(platform::DriverHandle handle, uint32_t code, std::span<uint8_t> record,
                           std::span<uint8_t> data) {
  BusyTimer timer(busyNs_);
  if (!handles_.contains(handle)) return;  // an invalid handle: the request never arrives
  size_t expected = 0;
  switch (code) {
    case wd::kCodeScan:
      expected = wd::kScanSize;
      break;
    case wd::kCodeVersion:
      expected = wd::kVersionSize;
      break;
    case wd::kCodeRegister:
    case wd::kCodeUnregister:
      expected = wd::kRegisterSize;
      break;
    case wd::kCodeResetPipe:
      expected = wd::kResetSize;
      break;
    case wd::kCodeTransfer:
      expected = wd::kTransferSize;
      break;
    default:
      break;
  }
  if (expected == 0 || record.size() != expected) {
    player_.RecordViolation(0, {},
                            "driver request " + std::to_string(code) + " with a record of " +
                                std::to_string(record.size()) + " bytes");
    return;
  }
  switch (code) {
    case wd::kCodeScan: {
      const bool found = player_.Present() &&
                         wd::GetWord(record, wd::kScanVendor) == wd::kPlayerVendor &&
                         wd::GetWord(record, wd::kScanProduct) == wd::kPlayerProduct;
      wd::PutWord(record, wd::kScanCount, found ? 1 : 0);
      wd::PutWord(record, wd::kScanUniqueId, found ? kPlayerUniqueId : 0);
      break;
    }
    case wd::kCodeVersion:
      wd::PutWord(record, wd::kVersionNumber, player_.settings().driverVersion);
      break;
    case wd::kCodeRegister: {
      const bool accept = player_.Present() && !player_.settings().refuseRegistration &&
                          wd::GetWord(record, wd::kRegisterUniqueId) == kPlayerUniqueId &&
                          wd::GetWord(record, wd::kRegisterConfiguration) == 0 &&
                          wd::GetWord(record, wd::kRegisterInterface) == 0 &&
                          wd::GetWord(record, wd::kRegisterAlternate) == 0;
      uint32_t device = 0;
      if (accept) {
        device = nextDevice_++;
        devices_.insert(device);
        // The device description: identity, then the interface's endpoint count.
        auto info = record.subspan(wd::kRegisterDeviceInfo, wd::kDeviceInfoSize);
        std::fill(info.begin(), info.end(), 0);
        wd::PutWord(info, 0, wd::kPlayerVendor);
        wd::PutWord(info, 4, wd::kPlayerProduct);
        wd::PutWord(info, 8, player_.settings().endpointCount);
      }
      wd::PutWord(record, wd::kRegisterDeviceHandle, device);
      break;
    }
    case wd::kCodeUnregister:
      devices_.erase(wd::GetWord(record, wd::kRegisterDeviceHandle));
      break;
    case wd::kCodeResetPipe:
      if (devices_.contains(wd::GetWord(record, wd::kResetDeviceHandle))) {
        player_.ResetPipe(wd::GetWord(record, wd::kResetPipe));
      }
      break;
    case wd::kCodeTransfer:
      Transfer(record, data);
      break;
    default:
      break;
  }
}

void SimWinDriver::Transfer(std::span<uint8_t> record, std::span<uint8_t> data) {
  wd::PutWord(record, wd::kTransferBytesDone, 0);
  wd::PutWord(record, wd::kTransferSuccess, 0);
  const uint32_t pipe = wd::GetWord(record, wd::kTransferPipe);
  const bool read = wd::GetWord(record, wd::kTransferReadFlag) != 0;
  const uint32_t options = wd::GetWord(record, wd::kTransferOptions);
  const uint32_t size = wd::GetWord(record, wd::kTransferBufferSize);
  const uint32_t timeout = wd::GetWord(record, wd::kTransferTimeout);
  if (!devices_.contains(wd::GetWord(record, wd::kTransferDeviceHandle))) return;

  auto refuse = [&](const std::string& why) { player_.RecordViolation(pipe, {}, why); };
  if (options == wd::kOptionHalt) {
    player_.Halt(pipe);
    wd::PutWord(record, wd::kTransferSuccess, 1);
    return;
  }
  if (options != 0) return refuse("unknown transfer options " + std::to_string(options));
  if (size > data.size()) return refuse("buffer size beyond the buffer");
  const auto buffer = data.first(size);

  std::optional<uint32_t> moved;
  if (pipe == wd::kControlPipe && !read) {
    std::array<uint8_t, 8> setup;
    std::copy_n(record.begin() + wd::kTransferSetup, 8, setup.begin());
    moved = player_.Control(setup, buffer);
  } else if (pipe == wd::kBulkOutPipe && !read) {
    moved = player_.BulkOut(pipe, buffer, timeout);
  } else if (pipe == (wd::kBulkInPipe | wd::kPipeIn) && read) {
    moved = player_.BulkIn(pipe, buffer, timeout);
  } else {
    return refuse(std::string(read ? "read from" : "write to") + " a pipe the player lacks");
  }
  if (!moved) return;
  wd::PutWord(record, wd::kTransferBytesDone, *moved);
  wd::PutWord(record, wd::kTransferSuccess, 1);
}

}  // namespace vorpex::sim
