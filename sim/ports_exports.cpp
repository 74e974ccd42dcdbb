// VorpexSim_Ports (sim/connection.h): the simulated player's driver faces and clock as the
// chip library reaches them.
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "operations/export_barrier.h"
#include "platform/clock.h"
#include "platform/error.h"
#include "platform/vizu10_table.h"
#include "playersim.h"
#include "sim/connection.h"
#include "sim/player.h"
#include "sim/simulator.h"
#include "sim/vizu10_face.h"
#include "sim/windriver_face.h"

using namespace vorpex;

namespace {

thread_local int32_t failure = 0;

void RecordFailure(int32_t code) {
  failure = code;
}

int32_t VORPEX_CC TakeFailure() {
  const int32_t code = failure;
  failure = 0;
  return code;
}

int32_t VORPEX_CC State() {
  const sim::Simulator& simulator = sim::GetSimulator();
  if (simulator.player) return VORPEXSIM_ATTACHED;
  return simulator.requestFailed ? VORPEXSIM_UNUSABLE : VORPEXSIM_NOTHING_ASKED;
}

int32_t VORPEX_CC AttachNamed(const char* dir) {
  return RunExport(RecordFailure, VORPEXSIM_UNUSABLE, [&] {
    if (State() != VORPEXSIM_NOTHING_ASKED || dir == nullptr) return State();
    if (!sim::Attach(dir)) {
      // No driver is better than the real one when a simulator was asked for: say why.
      std::fprintf(stderr, "%s: %s\n", PLAYERSIM_ENVIRONMENT_VARIABLE,
                   sim::GetSimulator().message.c_str());
    }
    return State();
  });
}

// The WinDriver face of the attached player; without one the control device does not open.
int32_t VORPEX_CC WinDriverOpen(intptr_t* handle) {
  return RunExport(RecordFailure, 0, [&] {
    sim::SimWinDriver* driver = sim::GetSimulator().driver.get();
    if (driver == nullptr || handle == nullptr) {
      platform::SetLastError(platform::kErrorFileNotFound);
      return 0;
    }
    const auto opened = driver->Open();
    if (!opened) return 0;
    *handle = *opened;
    return 1;
  });
}

void VORPEX_CC WinDriverRequest(intptr_t handle, uint32_t code, uint8_t* record,
                                uint32_t recordSize, uint8_t* data, uint32_t dataSize) {
  RunExport(RecordFailure, [&] {
    sim::SimWinDriver* driver = sim::GetSimulator().driver.get();
    if (driver == nullptr || (record == nullptr && recordSize != 0) ||
        (data == nullptr && dataSize != 0)) {
      return;
    }
    driver->Request(handle, code, std::span(record, recordSize), std::span(data, dataSize));
  });
}

void VORPEX_CC WinDriverClose(intptr_t handle) {
  RunExport(RecordFailure, [&] {
    if (sim::SimWinDriver* driver = sim::GetSimulator().driver.get()) driver->Close(handle);
  });
}

constexpr VorpexSimWinDriverOps kWinDriver = {WinDriverOpen, WinDriverRequest, WinDriverClose};

// The Vizu10 face of the attached player as a port; without one nothing is present and
// nothing opens.
class AttachedVizu10 final : public platform::Vizu10Port {
 public:
  std::vector<std::string> InterfacePaths(const std::string& classGuid) override {
    sim::SimVizu10* face = Face();
    return face != nullptr ? face->InterfacePaths(classGuid) : std::vector<std::string>{};
  }
  platform::DriverHandle Open(const std::string& path) override {
    sim::SimVizu10* face = Face();
    if (face == nullptr) {
      platform::SetLastError(platform::kErrorFileNotFound);
      return platform::kInvalidDriverHandle;
    }
    return face->Open(path).value_or(platform::kInvalidDriverHandle);
  }
  bool Configuration(platform::DriverHandle device,
                     std::span<uint8_t, platform::kVizu10ConfigBufferSize> buffer) override {
    sim::SimVizu10* face = Face();
    return face != nullptr && face->Configuration(device, buffer);
  }
  std::optional<uint32_t> Write(platform::DriverHandle pipe,
                                std::span<const uint8_t> data) override {
    sim::SimVizu10* face = Face();
    return face != nullptr ? face->Write(pipe, data) : std::nullopt;
  }
  std::optional<uint32_t> Read(platform::DriverHandle pipe, std::span<uint8_t> buffer) override {
    sim::SimVizu10* face = Face();
    return face != nullptr ? face->Read(pipe, buffer) : std::nullopt;
  }
  void Close(platform::DriverHandle handle) override {
    if (sim::SimVizu10* face = Face()) face->Close(handle);
  }

 private:
  static sim::SimVizu10* Face() { return sim::GetSimulator().vizu10.get(); }
};

platform::Vizu10Port& Vizu10() {
  static AttachedVizu10 port;
  return port;
}

static_assert(sim::kConfigurationBufferSize == platform::kVizu10ConfigBufferSize);

uint32_t VORPEX_CC LastError() {
  return platform::LastError();
}

void VORPEX_CC Sleep(uint32_t ms) {
  platform::SleepMs(ms);
}
uint32_t VORPEX_CC TickCount() {
  return platform::TickCount();
}
void VORPEX_CC LocalTime(VorpexLocalTime* time) {
  if (time == nullptr) return;
  const platform::LocalTime now = platform::CurrentLocalTime();
  *time = VorpexLocalTime{now.year, now.month,  now.dayOfWeek, now.day,
                          now.hour, now.minute, now.second,    now.milliseconds};
}

constexpr VorpexSimPorts kPorts = {
    sizeof(VorpexSimPorts),
    State,
    AttachNamed,
    &kWinDriver,
    &platform::Vizu10Table<Vizu10, RecordFailure>::kOps,
    LastError,
    TakeFailure,
    Sleep,
    TickCount,
    LocalTime,
};

}  // namespace

extern "C" {

const VorpexSimPorts* VORPEX_CC VorpexSim_Ports(void) {
  return &kPorts;
}

}  // extern "C"
