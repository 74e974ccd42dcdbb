// The WinDriver control device over libusb: the chip library's requests answered from the bus.
// A scan identifies a player by its place on the bus; register opens and claims it; transfers
// are libusb transfers on the record's pipe with the record's time-out.
#include "platform/windriver.h"

#include <algorithm>
#include <map>

#include "platform/error.h"
#include "platform/libusb/usb_bus.h"
#include "protocol/windriver_records.h"

namespace vorpex::platform {
namespace {

namespace wd = protocol::windriver;

// A scan's identifier: the bus and address with a mark above them, so that it is never 0.
constexpr uint32_t kIdMark = 0x10000;

uint32_t IdOf(usb::BusAddress where) {
  return kIdMark | static_cast<uint32_t>(where.bus) << 8 | where.address;
}

class LibusbWinDriver final : public WinDriverPort {
 public:
  std::optional<DriverHandle> Open() override {
    if (!usb::Started()) return std::nullopt;
    return nextHandle_++;
  }

  void Close(DriverHandle) override {}

  void Request(DriverHandle, uint32_t code, std::span<uint8_t> record,
               std::span<uint8_t> data) override {
    switch (code) {
      case wd::kCodeScan:
        if (record.size() == wd::kScanSize) Scan(record);
        break;
      case wd::kCodeVersion:
        // libusb serves every version of the requests this code makes.
        if (record.size() == wd::kVersionSize) {
          wd::PutWord(record, wd::kVersionNumber, wd::kMinimumDriverVersion);
        }
        break;
      case wd::kCodeRegister:
        if (record.size() == wd::kRegisterSize) Register(record);
        break;
      case wd::kCodeUnregister:
        if (record.size() == wd::kRegisterSize) Unregister(record);
        break;
      case wd::kCodeResetPipe:
        if (record.size() == wd::kResetSize) {
          if (auto* handle = Device(wd::GetWord(record, wd::kResetDeviceHandle))) {
            libusb_clear_halt(handle, static_cast<uint8_t>(wd::GetWord(record, wd::kResetPipe)));
          }
        }
        break;
      case wd::kCodeTransfer:
        if (record.size() == wd::kTransferSize) Transfer(record, data);
        break;
      default:
        break;
    }
  }

 private:
  void Scan(std::span<uint8_t> record) {
    std::vector<usb::BusAddress> players;
    if (wd::GetWord(record, wd::kScanVendor) == wd::kPlayerVendor &&
        wd::GetWord(record, wd::kScanProduct) == wd::kPlayerProduct) {
      players = usb::Players();
    }
    wd::PutWord(record, wd::kScanCount, static_cast<uint32_t>(players.size()));
    wd::PutWord(record, wd::kScanUniqueId, players.empty() ? 0 : IdOf(players.front()));
  }

  void Register(std::span<uint8_t> record) {
    wd::PutWord(record, wd::kRegisterDeviceHandle, 0);
    const uint32_t id = wd::GetWord(record, wd::kRegisterUniqueId);
    if ((id & ~0xFFFFu) != kIdMark || wd::GetWord(record, wd::kRegisterConfiguration) != 0 ||
        wd::GetWord(record, wd::kRegisterInterface) != 0 ||
        wd::GetWord(record, wd::kRegisterAlternate) != 0) {
      SetLastError(kErrorFileNotFound);
      return;
    }
    libusb_device_handle* handle =
        usb::Open({static_cast<uint8_t>(id >> 8), static_cast<uint8_t>(id)});
    if (handle == nullptr) return;
    const uint32_t device = nextDevice_++;
    devices_[device] = handle;
    // The device description: identity, then the interface's endpoint count.
    auto info = record.subspan(wd::kRegisterDeviceInfo, wd::kDeviceInfoSize);
    std::fill(info.begin(), info.end(), 0);
    wd::PutWord(info, 0, wd::kPlayerVendor);
    wd::PutWord(info, 4, wd::kPlayerProduct);
    wd::PutWord(info, 8, static_cast<uint32_t>(usb::Endpoints(handle).size()));
    wd::PutWord(record, wd::kRegisterDeviceHandle, device);
  }

  void Unregister(std::span<const uint8_t> record) {
    const auto found = devices_.find(wd::GetWord(record, wd::kRegisterDeviceHandle));
    if (found == devices_.end()) return;
    usb::Close(found->second);
    devices_.erase(found);
  }

  libusb_device_handle* Device(uint32_t device) const {
    const auto found = devices_.find(device);
    return found == devices_.end() ? nullptr : found->second;
  }

  void Transfer(std::span<uint8_t> record, std::span<uint8_t> data) {
    wd::PutWord(record, wd::kTransferBytesDone, 0);
    wd::PutWord(record, wd::kTransferSuccess, 0);
    libusb_device_handle* handle = Device(wd::GetWord(record, wd::kTransferDeviceHandle));
    const uint32_t size = wd::GetWord(record, wd::kTransferBufferSize);
    if (handle == nullptr || size > data.size()) {
      SetLastError(kErrorInvalidHandle);
      return;
    }
    const auto endpoint = static_cast<uint8_t>(wd::GetWord(record, wd::kTransferPipe));
    const uint32_t timeout = wd::GetWord(record, wd::kTransferTimeout);
    int result = LIBUSB_ERROR_INVALID_PARAM;
    int moved = 0;
    if (wd::GetWord(record, wd::kTransferOptions) == wd::kOptionHalt) {
      result = libusb_clear_halt(handle, endpoint);
    } else if (endpoint == wd::kControlPipe) {
      const auto setup = record.subspan(wd::kTransferSetup, 8);
      const auto word = [&](size_t at) {
        return static_cast<uint16_t>(setup[at] | setup[at + 1] << 8);
      };
      result =
          libusb_control_transfer(handle, setup[0], setup[1], word(2), word(4), data.data(),
                                  static_cast<uint16_t>(std::min<uint32_t>(size, 0xFFFF)), timeout);
      if (result >= 0) {
        moved = result;
        result = LIBUSB_SUCCESS;
      }
    } else {
      result = libusb_bulk_transfer(handle, endpoint, data.data(), static_cast<int>(size), &moved,
                                    timeout);
    }
    wd::PutWord(record, wd::kTransferBytesDone, static_cast<uint32_t>(moved));
    // A player unplugged in the middle fails the transfer as a time-out does.
    if (result != LIBUSB_SUCCESS) {
      SetLastError(usb::WindowsError(result));
      return;
    }
    wd::PutWord(record, wd::kTransferSuccess, 1);
  }

  DriverHandle nextHandle_ = 0x100;
  uint32_t nextDevice_ = 0x5001;
  std::map<uint32_t, libusb_device_handle*> devices_;
};

}  // namespace

WinDriverPort& SystemWinDriver() {
  static LibusbWinDriver driver;
  return driver;
}

}  // namespace vorpex::platform
