#include "chiplib/driver_select.h"

#include <cstdio>
#include <new>

#include "chiplib/state.h"
#include "platform/environment.h"
#include "platform/error.h"
#include "sim/player.h"
#include "sim/vizu10_face.h"
#include "sim/windriver_face.h"

namespace vorpex::chip {

SimulatorState::SimulatorState() = default;
SimulatorState::~SimulatorState() = default;

namespace {

constexpr const char* kEnvironmentVariable = "VORPEX_SIMULATOR";
constexpr intptr_t kVizu10HandlesPerPlayer = 0x100000;

void Forget(SimulatorState& simulator) {
  simulator.vizu10.reset();
  simulator.driver.reset();
  simulator.player.reset();
}

void CheckEnvironment() {
  SimulatorState& simulator = GetState().simulator;
  if (simulator.environmentChecked) return;
  simulator.environmentChecked = true;
  if (simulator.player) return;  // a program attached one from code: that one counts
  const auto dir = platform::EnvironmentVariable(kEnvironmentVariable);
  if (!dir) return;
  if (!AttachSimulator(*dir)) {
    // No driver is better than the real one when a simulator was asked for: say why.
    std::fprintf(stderr, "%s: %s\n", kEnvironmentVariable, simulator.message.c_str());
  }
}

}  // namespace

bool AttachSimulator(const std::string& dir) {
  SimulatorState& simulator = GetState().simulator;
  simulator.environmentChecked = true;
  Forget(simulator);
  try {
    std::string error;
    auto player = sim::Player::Load(dir, error);
    if (!player) {
      simulator.message = error;
      return false;
    }
    simulator.driver = std::make_unique<sim::SimWinDriver>(*player);
    simulator.vizu10 = std::make_unique<sim::SimVizu10>(*player, simulator.nextVizu10Handles);
    simulator.nextVizu10Handles += kVizu10HandlesPerPlayer;
    simulator.player = std::move(player);
    simulator.message.clear();
    return true;
  } catch (const std::bad_alloc&) {
    simulator.message = "out of memory";
    Forget(simulator);
    return false;
  }
}

void DetachSimulator() {
  SimulatorState& simulator = GetState().simulator;
  Forget(simulator);
  simulator.message.clear();
}

sim::Player* ActivePlayer() {
  CheckEnvironment();
  return GetState().simulator.player.get();
}

sim::SimVizu10* ActiveVizu10() {
  CheckEnvironment();
  return GetState().simulator.vizu10.get();
}

platform::WinDriverPort& ActiveWinDriver() {
  CheckEnvironment();
  SimulatorState& simulator = GetState().simulator;
  if (simulator.driver) return *simulator.driver;
  // The simulator was asked for but could not be loaded: behave as if no driver were there.
  if (simulator.environmentChecked && !simulator.message.empty()) {
    static class Missing final : public platform::WinDriverPort {
     public:
      std::optional<platform::DriverHandle> Open() override {
        platform::SetLastError(platform::kErrorFileNotFound);
        return std::nullopt;
      }
      void Request(platform::DriverHandle, uint32_t, std::span<uint8_t>,
                   std::span<uint8_t>) override {}
      void Close(platform::DriverHandle) override {}
    } missing;
    return missing;
  }
  return platform::SystemWinDriver();
}

}  // namespace vorpex::chip
