// Everything the chip library keeps between calls: one record, set up when the library loads.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/module.h"
#include "vorpex_host.h"

namespace vorpex::sim {
class Player;
class SimWinDriver;
}  // namespace vorpex::sim

namespace vorpex::chip {

inline constexpr uint32_t kDefaultReadTimeoutMs = 3000;
inline constexpr uint32_t kDefaultWriteTimeoutMs = 2000;

// The simulated player, when a program attached one (playersim.h) or VORPEX_SIMULATOR names one.
struct SimulatorState {
  SimulatorState();
  ~SimulatorState();
  std::unique_ptr<sim::Player> player;
  std::unique_ptr<sim::SimWinDriver> driver;
  bool environmentChecked = false;  // VORPEX_SIMULATOR is read once, at the first driver open
  std::string message;              // why the last attach failed
};

struct State {
  // The error state: the code, and the Windows error code that goes with code 6.
  int32_t errorCode = 0;
  uint32_t windowsError = 0;
  // The library's own module, recorded by the entry point.
  platform::ModuleHandle module = nullptr;
  // Transfer time-outs in milliseconds, shared by every device record.
  uint32_t readTimeoutMs = kDefaultReadTimeoutMs;
  uint32_t writeTimeoutMs = kDefaultWriteTimeoutMs;
  // Every command block is built here and every reply read into it; never cleared.
  std::array<uint8_t, 512> sharedBlock{};
  // The host's user interface, when one is installed (ui.size == 0 otherwise).
  VorpexUiHooks ui{};
  SimulatorState simulator;
};

State& GetState();

}  // namespace vorpex::chip
