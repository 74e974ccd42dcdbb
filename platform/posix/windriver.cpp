// Linux has no WinDriver: the control device is never there.
#include "platform/windriver.h"

#include "platform/error.h"

namespace vorpex::platform {
namespace {

class NoWinDriver final : public WinDriverPort {
 public:
  std::optional<DriverHandle> Open() override {
    SetLastError(kErrorFileNotFound);
    return std::nullopt;
  }
  void Request(DriverHandle, uint32_t, std::span<uint8_t>, std::span<uint8_t>) override {}
  void Close(DriverHandle) override {}
};

}  // namespace

WinDriverPort& SystemWinDriver() {
  static NoWinDriver driver;
  return driver;
}

}  // namespace vorpex::platform
