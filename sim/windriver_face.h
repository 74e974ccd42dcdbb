// The simulated player as the WinDriver control device: scan, version, register, unregister,
// reset pipe and transfer, with the driver's record layouts. Records of the wrong size and
// transfers on pipes the player does not have are refused and logged as violations.
#pragma once
#include <set>

#include "platform/windriver.h"
#include "sim/player.h"

namespace vorpex::sim {

// The unique identifier a scan reports for the player.
inline constexpr uint32_t kPlayerUniqueId = 0x1003A001;

class SimWinDriver final : public platform::WinDriverPort {
 public:
  explicit SimWinDriver(Player& player) : player_(player) {}

  std::optional<platform::DriverHandle> Open() override;
  void Request(platform::DriverHandle handle, uint32_t code, std::span<uint8_t> record,
               std::span<uint8_t> data) override;
  void Close(platform::DriverHandle handle) override;

  size_t OpenHandles() const { return handles_.size(); }
  size_t RegisteredDevices() const { return devices_.size(); }
  // Real time spent answering requests, so a measurement can tell the player's share from the
  // library's.
  uint64_t BusyNanoseconds() const { return busyNs_; }

 private:
  void Transfer(std::span<uint8_t> record, std::span<uint8_t> data);

  Player& player_;
  std::set<platform::DriverHandle> handles_;
  std::set<uint32_t> devices_;
  platform::DriverHandle nextHandle_ = 0x100;
  uint32_t nextDevice_ = 0x5001;
  uint64_t busyNs_ = 0;
};

}  // namespace vorpex::sim
