// The player's device driver over libusb. Each attached player is one device interface of the
// driver's class; its device file is the player itself and its pipe files PIPE00, PIPE01, ...
// are the endpoints of its interface in the order of the configuration descriptor. Files of one
// player share one claimed libusb handle.
//
// Paths: \\?\usb#vid_04e8&pid_1003#<bus>.<address>#{a5b039c4-d5f2-11d6-99e0-52544c996075}, the
// same with \PIPE0n, and the fixed names \\.\Vizu10-0 and \\.\Vizu10-0\PIPE0n for the first
// player. Names compare without regard to case.
#include "platform/vizu10.h"

#include <algorithm>
#include <charconv>
#include <map>

#include "platform/error.h"
#include "platform/libusb/usb_bus.h"
#include "protocol/vizu10_names.h"

namespace vorpex::platform {
namespace {

constexpr uint32_t kDeviceFile = protocol::kVizu10DeviceFile;
constexpr uint8_t kDirectionIn = 0x80;
// The driver waits for the player; a player that never answers fails the transfer after this.
constexpr unsigned kPipeTimeoutMs = 10000;
constexpr uint8_t kDescriptorConfiguration = 2;

using protocol::kAbortFirstByte;
using protocol::kAbortMessageSize;
using protocol::UnbracedGuid;

std::string PathOf(usb::BusAddress where) {
  return protocol::Vizu10InterfacePath(std::to_string(where.bus) + "." +
                                       std::to_string(where.address));
}

class LibusbVizu10 final : public Vizu10Port {
 public:
  std::vector<std::string> InterfacePaths(const std::string& classGuid) override {
    std::vector<std::string> paths;
    if (UnbracedGuid(classGuid) != UnbracedGuid(protocol::kVizu10ClassGuid)) return paths;
    for (const usb::BusAddress& where : usb::Players()) paths.push_back(PathOf(where));
    return paths;
  }

  DriverHandle Open(const std::string& path) override {
    if (!usb::Started()) return kInvalidDriverHandle;
    const auto target = Parse(path);
    if (!target) {
      SetLastError(kErrorFileNotFound);
      return kInvalidDriverHandle;
    }
    Device* device = Acquire(target->where);
    if (device == nullptr) return kInvalidDriverHandle;
    if (target->pipe != kDeviceFile && target->pipe >= device->endpoints.size()) {
      Release(target->where);
      SetLastError(kErrorFileNotFound);
      return kInvalidDriverHandle;
    }
    const DriverHandle handle = nextHandle_;
    nextHandle_ += 4;
    files_[handle] = {target->where, target->pipe};
    return handle;
  }

  bool Configuration(DriverHandle file,
                     std::span<uint8_t, kVizu10ConfigBufferSize> buffer) override {
    const File* found = Find(file);
    if (found == nullptr) return false;
    if (found->pipe != kDeviceFile) {
      SetLastError(kErrorInvalidParameter);
      return false;
    }
    const int result =
        libusb_get_descriptor(devices_.at(Key(found->where)).handle, kDescriptorConfiguration, 0,
                              buffer.data(), static_cast<int>(buffer.size()));
    if (result < 0) {
      SetLastError(kErrorGenFailure);
      return false;
    }
    return true;
  }

  std::optional<uint32_t> Write(DriverHandle pipe, std::span<const uint8_t> data) override {
    const File* file = Find(pipe);
    if (file == nullptr) return std::nullopt;
    Device& device = devices_.at(Key(file->where));
    if (file->pipe == 0 && data.size() == kAbortMessageSize && data[0] == kAbortFirstByte) {
      return Abort(device) ? std::optional<uint32_t>(static_cast<uint32_t>(data.size()))
                           : std::nullopt;
    }
    if (file->pipe == kDeviceFile || (device.endpoints[file->pipe] & kDirectionIn) != 0) {
      SetLastError(kErrorInvalidParameter);
      return std::nullopt;
    }
    std::vector<uint8_t> copy(data.begin(), data.end());
    return Bulk(device, device.endpoints[file->pipe], copy);
  }

  std::optional<uint32_t> Read(DriverHandle pipe, std::span<uint8_t> buffer) override {
    const File* file = Find(pipe);
    if (file == nullptr) return std::nullopt;
    Device& device = devices_.at(Key(file->where));
    if (file->pipe == kDeviceFile || (device.endpoints[file->pipe] & kDirectionIn) == 0) {
      SetLastError(kErrorInvalidParameter);
      return std::nullopt;
    }
    return Bulk(device, device.endpoints[file->pipe], buffer);
  }

  void Close(DriverHandle handle) override {
    const auto found = files_.find(handle);
    if (found == files_.end()) return;
    const usb::BusAddress where = found->second.where;
    files_.erase(found);
    Release(where);
  }

 private:
  // Read through the optional that holds it, which cppcheck does not follow.
  struct Target {
    usb::BusAddress where;  // cppcheck-suppress unusedStructMember
    uint32_t pipe;          // cppcheck-suppress unusedStructMember
  };
  struct File {
    usb::BusAddress where;
    uint32_t pipe;  // index into the endpoint list, or kDeviceFile
  };
  struct Device {
    libusb_device_handle* handle = nullptr;
    std::vector<uint8_t> endpoints;
    size_t files = 0;
  };

  static uint32_t Key(usb::BusAddress where) { return uint32_t{where.bus} << 8 | where.address; }

  static std::optional<Target> Parse(const std::string& path) {
    const auto parsed = protocol::ParseVizu10Path(path);
    if (!parsed) return std::nullopt;
    if (parsed->fixedName) {
      const auto players = usb::Players();
      if (players.empty()) return std::nullopt;
      return Target{players.front(), parsed->pipe};
    }
    // The instance is the player's place on the bus: "<bus>.<address>".
    const char* const end = parsed->instance.data() + parsed->instance.size();
    unsigned bus = 0, address = 0;
    auto [afterBus, busError] = std::from_chars(parsed->instance.data(), end, bus);
    if (busError != std::errc() || afterBus == end || *afterBus != '.') return std::nullopt;
    auto [afterAddress, addressError] = std::from_chars(afterBus + 1, end, address);
    if (addressError != std::errc() || afterAddress != end || bus > 255 || address > 255) {
      return std::nullopt;
    }
    return Target{{static_cast<uint8_t>(bus), static_cast<uint8_t>(address)}, parsed->pipe};
  }

  Device* Acquire(usb::BusAddress where) {
    Device& device = devices_[Key(where)];
    if (device.handle == nullptr) {
      device.handle = usb::Open(where);
      if (device.handle == nullptr) {
        devices_.erase(Key(where));
        return nullptr;
      }
      device.endpoints = usb::Endpoints(device.handle);
    }
    ++device.files;
    return &device;
  }

  void Release(usb::BusAddress where) {
    const auto found = devices_.find(Key(where));
    if (found == devices_.end() || --found->second.files > 0) return;
    usb::Close(found->second.handle);
    devices_.erase(found);
  }

  const File* Find(DriverHandle handle) const {
    const auto found = files_.find(handle);
    if (found == files_.end()) {
      SetLastError(kErrorInvalidHandle);
      return nullptr;
    }
    return &found->second;
  }

  static std::optional<uint32_t> Bulk(Device& device, uint8_t endpoint, std::span<uint8_t> data) {
    int moved = 0;
    const int result = libusb_bulk_transfer(device.handle, endpoint, data.data(),
                                            static_cast<int>(data.size()), &moved, kPipeTimeoutMs);
    if (result != LIBUSB_SUCCESS) {
      SetLastError(result == LIBUSB_ERROR_NO_DEVICE ? kErrorGenFailure : usb::WindowsError(result));
      return std::nullopt;
    }
    return static_cast<uint32_t>(moved);
  }

  // The abort message ends the transfer in progress on the player's bulk pipes: their halt is
  // cleared, which resets them on both sides.
  static bool Abort(Device& device) {
    bool ok = true;
    for (uint8_t endpoint : device.endpoints) {
      const int result = libusb_clear_halt(device.handle, endpoint);
      if (result == LIBUSB_ERROR_NO_DEVICE) ok = false;
    }
    if (!ok) SetLastError(kErrorGenFailure);
    return ok;
  }

  std::map<DriverHandle, File> files_;
  std::map<uint32_t, Device> devices_;
  DriverHandle nextHandle_ = 0x200;
};

}  // namespace

Vizu10Port& SystemVizu10() {
  static LibusbVizu10 port;
  return port;
}

}  // namespace vorpex::platform
