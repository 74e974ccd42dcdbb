// Everything the chip library keeps between calls: one record, set up when the library loads.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/dynamic_library.h"
#include "platform/module.h"
#include "platform/transfer_buffer.h"
#include "sim/connection.h"
#include "vorpex_host.h"

namespace vorpex::chip {

class WindowHost;
// The system's dialogs (system_windows.cpp): who draws the windows until a host that draws
// them is installed.
const WindowHost& SystemWindows();

inline constexpr uint32_t kDefaultReadTimeoutMs = 3000;
inline constexpr uint32_t kDefaultWriteTimeoutMs = 2000;

// Bits of ProgressSetup::flags.
inline constexpr uint32_t kProgressCancelled = 0x1;  // the user pressed Cancel (or Escape)
inline constexpr uint32_t kProgressPaused = 0x2;     // toggled by the pause button

// What an operation shows in its progress window; the operation owns it (in its own frame) for
// as long as the window exists.
struct ProgressSetup {
  uint32_t title = 0;  // string resource shown as the caption
  int32_t index = -1;  // shown in decimal when 0 or more
  const char* status = nullptr;
  uint32_t total = 0;  // top of the bar's range when the window opens
  uint32_t flags = 0;
};

// The progress window of the moment: there is at most one.
struct ProgressState {
  ProgressSetup* setup = nullptr;  // set when the window is initialised
  uint32_t rangeLow = 0;
  uint32_t rangeHigh = 0;
  int32_t lastPercent = -1;  // the percent on show; -1 redraws at the next update
};

// The simulated player's library (sim/connection.h), once a simulated player was asked for: by
// the environment variable, or by a program that loaded the library and attached one.
struct SimulatorState {
  bool environmentChecked = false;  // the environment variable is read once, at the first use
  bool environmentAsked = false;    // ... and named a player
  std::optional<platform::DynamicLibrary> library;  // kept loaded for the life of the process
  const VorpexSimPorts* ports = nullptr;
  // Why the library asked for cannot be used (the library itself says why a player cannot).
  std::string message;
};

struct State {
  // The error state: the code, and the Windows error code that goes with code 6.
  int32_t errorCode = 0;
  uint32_t windowsError = 0;
  // The reason in plain words, when whoever recorded the error knew more than its code; any
  // later error clears it.
  std::string errorDetail;
  // The library's own module, recorded by the entry point.
  platform::ModuleHandle module = nullptr;
  // Transfer time-outs in milliseconds, shared by every device record.
  uint32_t readTimeoutMs = kDefaultReadTimeoutMs;
  uint32_t writeTimeoutMs = kDefaultWriteTimeoutMs;
  // Every command block is built here and every reply read into it; never cleared.
  std::array<uint8_t, 512> sharedBlock{};
  // How a file copy allocates its chunk buffer (tests make it fail to reach the fallbacks).
  platform::TransferBuffer::Allocator transferAllocator = platform::TransferBuffer::HeapAllocate;
  ProgressState progress;
  // The host's user interface, when one is installed (ui.size == 0 otherwise).
  VorpexUiHooks ui{};
  // Who draws the windows, chosen whenever hooks are installed or removed.
  const WindowHost* windows = &SystemWindows();
  SimulatorState simulator;
};

State& GetState();

}  // namespace vorpex::chip
