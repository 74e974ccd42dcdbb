#include "sim/simulator.h"

#include <new>

#include "sim/player.h"
#include "sim/state_dir.h"
#include "sim/vizu10_face.h"
#include "sim/windriver_face.h"

namespace vorpex::sim {

Simulator::Simulator() = default;
Simulator::~Simulator() = default;

namespace {

constexpr intptr_t kVizu10HandlesPerPlayer = 0x100000;

void Forget(Simulator& simulator) {
  simulator.vizu10.reset();
  simulator.driver.reset();
  simulator.player.reset();
}

}  // namespace

Simulator& GetSimulator() {
  // Lives as long as the process: the other libraries' own state may close its handles while
  // the process ends, after this library's statics would be gone (Windows detaches the DLLs in
  // an order of its own). The state folder's lock is an open file, which the system lets go.
  static Simulator& simulator = *new Simulator;
  return simulator;
}

Player* ActivePlayer() {
  return GetSimulator().player.get();
}

bool Attach(const std::string& dir) {
  Simulator& simulator = GetSimulator();
  Forget(simulator);
  simulator.requestFailed = true;  // until the player is in place
  try {
    std::string error;
    auto player = Player::Load(dir, error);
    if (!player) {
      simulator.message = error;
      return false;
    }
    simulator.driver = std::make_unique<SimWinDriver>(*player);
    simulator.vizu10 = std::make_unique<SimVizu10>(*player, simulator.nextVizu10Handles);
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

void Detach() {
  Simulator& simulator = GetSimulator();
  Forget(simulator);
  simulator.message.clear();
  simulator.requestFailed = false;
}

bool CreatePlayer(const std::string& dir, const PlayerSettings& settings) {
  std::string& message = GetSimulator().message;
  try {
    std::string error;
    if (CreateStateDir(dir, settings, error)) return true;
    message = error;
  } catch (const std::bad_alloc&) {
    message = "out of memory";
  }
  return false;
}

}  // namespace vorpex::sim
