#include "chiplib/driver_select.h"

#include <cstdio>
#include <new>

#include "chiplib/state.h"
#include "platform/environment.h"
#include "platform/error.h"
#include "sim/player.h"
#include "sim/state_dir.h"
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

// The driver of a system without one: every open fails as if the driver were not installed.
class MissingWinDriver final : public platform::WinDriverPort {
 public:
  std::optional<platform::DriverHandle> Open() override {
    platform::SetLastError(platform::kErrorFileNotFound);
    return std::nullopt;
  }
  void Request(platform::DriverHandle, uint32_t, std::span<uint8_t>, std::span<uint8_t>) override {}
  void Close(platform::DriverHandle) override {}
};

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
  simulator.requestFailed = true;  // until the player is in place
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
    simulator.requestFailed = false;
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
  simulator.requestFailed = false;
}

bool CreateSimulatorStateDir(const std::string& dir, const sim::PlayerSettings& settings) {
  std::string& message = GetState().simulator.message;
  try {
    std::string error;
    if (sim::CreateStateDir(dir, settings, error)) return true;
    message = error;
  } catch (const std::bad_alloc&) {
    message = "out of memory";
  }
  return false;
}

DriverChoice ChosenDriver() {
  CheckEnvironment();
  const SimulatorState& simulator = GetState().simulator;
  if (simulator.player) return DriverChoice::kSimulated;
  return simulator.requestFailed ? DriverChoice::kNone : DriverChoice::kSystem;
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
  switch (ChosenDriver()) {
    case DriverChoice::kSimulated:
      return *GetState().simulator.driver;
    case DriverChoice::kNone: {
      static MissingWinDriver missing;
      return missing;
    }
    case DriverChoice::kSystem:
      break;
  }
  return platform::SystemWinDriver();
}

}  // namespace vorpex::chip
