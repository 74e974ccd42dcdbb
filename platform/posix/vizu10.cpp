#include "platform/error.h"
#include "platform/vizu10.h"

namespace vorpex::platform {
namespace {

// Linux has no driver for the player's device interface: nothing is present, nothing opens.
class NoVizu10 final : public Vizu10Port {
 public:
  std::vector<std::string> InterfacePaths(const std::string&) override { return {}; }
  DriverHandle Open(const std::string&) override {
    SetLastError(kErrorFileNotFound);
    return kInvalidDriverHandle;
  }
  bool Configuration(DriverHandle, std::span<uint8_t, kVizu10ConfigBufferSize>) override {
    SetLastError(kErrorInvalidHandle);
    return false;
  }
  std::optional<uint32_t> Write(DriverHandle, std::span<const uint8_t>) override {
    SetLastError(kErrorInvalidHandle);
    return std::nullopt;
  }
  std::optional<uint32_t> Read(DriverHandle, std::span<uint8_t>) override {
    SetLastError(kErrorInvalidHandle);
    return std::nullopt;
  }
  void Close(DriverHandle) override {}
};

}  // namespace

Vizu10Port& SystemVizu10() {
  static NoVizu10 port;
  return port;
}

}  // namespace vorpex::platform
