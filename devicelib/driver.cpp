#include "devicelib/driver.h"

#include <vector>

#include "platform/error.h"
#include "playersim_vizu10.h"
#include "vorpex_shared.h"

namespace vorpex::device {
namespace {

// A driver face lent by the chip library (the simulated player's or the system's), behind the
// port. A failing call leaves its system error in the chip library; it is brought over, so that
// this library reads it as if it had made the call itself.
class LentVizu10 final : public platform::Vizu10Port {
 public:
  explicit LentVizu10(const VorpexVizu10Ops& ops) : ops_(ops) {}

  std::vector<std::string> InterfacePaths(const std::string& classGuid) override {
    std::vector<char> slots;
    uint32_t count = 0;
    for (uint32_t capacity = 4;; capacity *= 2) {
      slots.assign(size_t{capacity} * PLAYERSIM_VIZU10_PATH_SLOT, '\0');
      count = ops_.interfacePaths(classGuid.c_str(), slots.data(), capacity);
      if (count <= capacity) break;
    }
    std::vector<std::string> paths;
    for (uint32_t i = 0; i < count; ++i)
      paths.emplace_back(&slots[size_t{i} * PLAYERSIM_VIZU10_PATH_SLOT]);
    return paths;
  }
  platform::DriverHandle Open(const std::string& path) override {
    const platform::DriverHandle handle = ops_.open(path.c_str());
    if (handle == platform::kInvalidDriverHandle) TakeLastError();
    return handle;
  }
  bool Configuration(platform::DriverHandle device,
                     std::span<uint8_t, platform::kVizu10ConfigBufferSize> buffer) override {
    if (ops_.configuration(device, buffer.data()) == 1) return true;
    TakeLastError();
    return false;
  }
  std::optional<uint32_t> Write(platform::DriverHandle pipe, std::span<const uint8_t> data) override {
    uint32_t written = 0;
    if (ops_.write(pipe, data.data(), static_cast<uint32_t>(data.size()), &written) != 1) {
      TakeLastError();
      return std::nullopt;
    }
    return written;
  }
  std::optional<uint32_t> Read(platform::DriverHandle pipe, std::span<uint8_t> buffer) override {
    uint32_t got = 0;
    if (ops_.read(pipe, buffer.data(), static_cast<uint32_t>(buffer.size()), &got) != 1) {
      TakeLastError();
      return std::nullopt;
    }
    return got;
  }
  void Close(platform::DriverHandle handle) override { ops_.close(handle); }

 private:
  static void TakeLastError() { platform::SetLastError(VorpexShared_LastSystemError()); }

  const VorpexVizu10Ops& ops_;
};

}  // namespace

platform::Vizu10Port& Driver() {
  // The chip library decides whether a simulated player stands in for the driver (attached
  // from code or named by VORPEX_SIMULATOR); it is asked at every use, so attaching and
  // detaching take effect at once. The system's driver comes from there as well: the process
  // has one, whose handle of a real player both libraries share.
  if (const VorpexVizu10Ops* ops = PlayerSim_Vizu10()) {
    static LentVizu10 simulated(*ops);
    return simulated;
  }
  static LentVizu10 system(*VorpexShared_SystemVizu10());
  return system;
}

}  // namespace vorpex::device
