#include "chiplib/driver_select.h"

#include <cstdio>
#include <optional>

#include "chiplib/state.h"
#include "platform/clock.h"
#include "platform/dynamic_library.h"
#include "platform/environment.h"
#include "platform/error.h"
#include "platform/process.h"
#include "platform/vizu10_table.h"
#include "playersim.h"
#include "sim/connection.h"

namespace vorpex::chip {
namespace {

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

class MissingVizu10 final : public platform::Vizu10Port {
 public:
  std::vector<std::string> InterfacePaths(const std::string&) override { return {}; }
  platform::DriverHandle Open(const std::string&) override {
    platform::SetLastError(platform::kErrorFileNotFound);
    return platform::kInvalidDriverHandle;
  }
  bool Configuration(platform::DriverHandle,
                     std::span<uint8_t, platform::kVizu10ConfigBufferSize>) override {
    return false;
  }
  std::optional<uint32_t> Write(platform::DriverHandle, std::span<const uint8_t>) override {
    return std::nullopt;
  }
  std::optional<uint32_t> Read(platform::DriverHandle, std::span<uint8_t>) override {
    return std::nullopt;
  }
  void Close(platform::DriverHandle) override {}
};

// The simulated player's WinDriver face, lent as a table.
class TableWinDriver final : public platform::WinDriverPort {
 public:
  explicit TableWinDriver(const VorpexSimPorts& ports) : ports_(ports) {}
  std::optional<platform::DriverHandle> Open() override {
    intptr_t handle = platform::kInvalidDriverHandle;
    const int32_t opened = ports_.winDriver->open(&handle);
    platform::RaiseLentFailure(ports_.takeFailure);
    if (opened == 1) return handle;
    platform::SetLastError(ports_.lastError());
    return std::nullopt;
  }
  void Request(platform::DriverHandle handle, uint32_t code, std::span<uint8_t> record,
               std::span<uint8_t> data) override {
    ports_.winDriver->request(handle, code, record.data(), static_cast<uint32_t>(record.size()),
                              data.data(), static_cast<uint32_t>(data.size()));
    platform::RaiseLentFailure(ports_.takeFailure);
  }
  // Closes run in destructors too: nothing is raised (a close frees, it does not allocate).
  void Close(platform::DriverHandle handle) override {
    ports_.winDriver->close(handle);
    ports_.takeFailure();
  }

 private:
  const VorpexSimPorts& ports_;
};

const VorpexSimPorts& Ports() {
  return *GetState().simulator.ports;
}

// The library's file beside this library first, then by the system's search.
std::optional<platform::DynamicLibrary> FindLibrary(bool load) {
  const std::string name = platform::LibraryFileName(PLAYERSIM_LIBRARY_NAME);
  std::optional<std::string> beside = platform::ModuleFolder(GetState().module);
  for (const std::optional<std::string>& path :
       {beside ? std::optional(*beside + platform::PathSeparator() + name) : std::nullopt,
        std::optional(name)}) {
    if (!path) continue;
    auto library = load ? platform::DynamicLibrary::Load(*path)
                        : platform::DynamicLibrary::LoadIfLoaded(*path);
    if (library) return library;
  }
  return std::nullopt;
}

// The simulated player's library when a simulated player is asked for, else nullptr.
const VorpexSimPorts* Connection() {
  SimulatorState& simulator = GetState().simulator;
  std::optional<std::string> named;
  if (!simulator.environmentChecked) {
    simulator.environmentChecked = true;
    named = platform::EnvironmentVariable(PLAYERSIM_ENVIRONMENT_VARIABLE);
    simulator.environmentAsked = named.has_value();
  }
  if (simulator.ports != nullptr) {
    if (named) simulator.ports->attachNamed(named->c_str());
    return simulator.ports;
  }
  if (!simulator.message.empty()) return nullptr;  // asked for, and told once that it cannot be
  auto library = FindLibrary(false);
  if (!library && named) {
    library = FindLibrary(true);
    if (!library) {
      simulator.message = "cannot load " + platform::LibraryFileName(PLAYERSIM_LIBRARY_NAME) +
                          ": " + platform::DynamicLibrary::LoadError();
    }
  }
  if (library) {
    using Entry = const VorpexSimPorts*(VORPEX_CC*)();
    auto entry = reinterpret_cast<Entry>(library->Find("VorpexSim_Ports"));
    const VorpexSimPorts* ports = entry != nullptr ? entry() : nullptr;
    if (ports == nullptr || ports->size != sizeof(VorpexSimPorts)) {
      if (simulator.environmentAsked) {
        simulator.message = platform::LibraryFileName(PLAYERSIM_LIBRARY_NAME) +
                            " is not the simulated player's library of this build";
      }
    } else {
      simulator.library = std::move(library);
      simulator.ports = ports;
    }
  }
  if (!simulator.message.empty()) {
    // No driver is better than the real one when a simulator was asked for: say why.
    std::fprintf(stderr, "%s: %s\n", PLAYERSIM_ENVIRONMENT_VARIABLE, simulator.message.c_str());
    return nullptr;
  }
  if (simulator.ports != nullptr && named) simulator.ports->attachNamed(named->c_str());
  return simulator.ports;
}

// While the simulated player's library is in the process this library keeps its time, virtual
// or real; until then its own.
void ClockSleep(uint32_t ms) {
  if (const VorpexSimPorts* ports = Connection()) return ports->sleep(ms);
  platform::OwnSleepMs(ms);
}
uint32_t ClockTickCount() {
  if (const VorpexSimPorts* ports = Connection()) return ports->tickCount();
  return platform::OwnTickCount();
}
void ClockLocalTime(platform::LocalTime* time) {
  const VorpexSimPorts* ports = Connection();
  if (ports == nullptr) {
    *time = platform::OwnLocalTime();
    return;
  }
  VorpexLocalTime now{};
  ports->localTime(&now);
  *time = platform::LocalTime{now.year, now.month,  now.dayOfWeek, now.day,
                              now.hour, now.minute, now.second,    now.milliseconds};
}

}  // namespace

const platform::ClockSource kSimulatorClock{&ClockSleep, &ClockTickCount, &ClockLocalTime};

DriverChoice ChosenDriver() {
  const VorpexSimPorts* ports = Connection();
  if (ports == nullptr) {
    return GetState().simulator.environmentAsked ? DriverChoice::kNone : DriverChoice::kSystem;
  }
  switch (ports->state()) {
    case VORPEXSIM_ATTACHED:
      return DriverChoice::kSimulated;
    case VORPEXSIM_UNUSABLE:
      return DriverChoice::kNone;
    default:
      return DriverChoice::kSystem;
  }
}

platform::WinDriverPort& ActiveWinDriver() {
  switch (ChosenDriver()) {
    case DriverChoice::kSimulated: {
      static TableWinDriver simulated(Ports());
      return simulated;
    }
    case DriverChoice::kNone: {
      static MissingWinDriver missing;
      return missing;
    }
    case DriverChoice::kSystem:
      break;
  }
  return platform::SystemWinDriver();
}

platform::Vizu10Port& ActiveVizu10() {
  switch (ChosenDriver()) {
    case DriverChoice::kSimulated: {
      static platform::TableVizu10 simulated(*Ports().vizu10, Ports().lastError,
                                             Ports().takeFailure);
      return simulated;
    }
    case DriverChoice::kNone: {
      static MissingVizu10 missing;
      return missing;
    }
    case DriverChoice::kSystem:
      break;
  }
  return platform::SystemVizu10();
}

}  // namespace vorpex::chip
