// The Vizu10 driver faces the device library uses, as C tables over the faces the chip library
// owns: the simulated player's (playersim_vizu10.h) beside its WinDriver face, and the system's
// driver (vorpex_shared.h). The system's driver lives here rather than in the device library so
// that a process has one of it, and with it one handle and one claim of a real player, whichever
// library asks: both libraries link the platform code in, each its own copy.
#include <algorithm>
#include <cstring>
#include <optional>
#include <span>
#include <string>

#include "chiplib/driver_select.h"
#include "chiplib/error_state.h"
#include "operations/export_barrier.h"
#include "platform/error.h"
#include "platform/vizu10.h"
#include "playersim_vizu10.h"
#include "sim/vizu10_face.h"
#include "vorpex_shared.h"

using namespace vorpex;

namespace {

constexpr intptr_t kInvalidHandle = -1;

sim::SimVizu10* SimulatedFace() {
  return chip::ActiveVizu10();
}
platform::Vizu10Port* SystemFace() {
  return &platform::SystemVizu10();
}

intptr_t HandleOf(std::optional<sim::Vizu10Handle> handle) {
  return handle.value_or(kInvalidHandle);
}
intptr_t HandleOf(platform::DriverHandle handle) {
  return handle;
}

// The table over the face that `Face` gives (none: every call fails as without a driver).
template <auto Face>
struct LentFace {
  static uint32_t VORPEX_CC InterfacePaths(const char* classGuid, char* paths, uint32_t capacity) {
    return RunExport(chip::SetError, 0, [&]() -> uint32_t {
      auto* face = Face();
      if (face == nullptr || classGuid == nullptr) return 0;
      const auto found = face->InterfacePaths(classGuid);
      for (uint32_t i = 0; paths != nullptr && i < capacity && i < found.size(); ++i) {
        char* slot = paths + size_t{i} * PLAYERSIM_VIZU10_PATH_SLOT;
        const size_t n = std::min<size_t>(found[i].size(), PLAYERSIM_VIZU10_PATH_SLOT - 1);
        std::memcpy(slot, found[i].data(), n);
        slot[n] = '\0';
      }
      return static_cast<uint32_t>(found.size());
    });
  }

  static intptr_t VORPEX_CC Open(const char* path) {
    return RunExport(chip::SetError, kInvalidHandle, [&] {
      auto* face = Face();
      if (face == nullptr || path == nullptr) {
        platform::SetLastError(platform::kErrorFileNotFound);
        return kInvalidHandle;
      }
      return HandleOf(face->Open(path));
    });
  }

  static int32_t VORPEX_CC Configuration(intptr_t device, uint8_t* buffer256) {
    return RunExport(chip::SetError, 0, [&] {
      auto* face = Face();
      if (face == nullptr || buffer256 == nullptr) return 0;
      return face->Configuration(device, std::span<uint8_t, sim::kConfigurationBufferSize>(
                                             buffer256, sim::kConfigurationBufferSize))
                 ? 1
                 : 0;
    });
  }

  static int32_t VORPEX_CC Write(intptr_t pipe, const uint8_t* data, uint32_t count,
                                 uint32_t* written) {
    if (written != nullptr) *written = 0;
    return RunExport(chip::SetError, 0, [&] {
      auto* face = Face();
      if (face == nullptr || (data == nullptr && count != 0)) return 0;
      const auto moved = face->Write(pipe, std::span(data, count));
      if (!moved) return 0;
      if (written != nullptr) *written = *moved;
      return 1;
    });
  }

  static int32_t VORPEX_CC Read(intptr_t pipe, uint8_t* buffer, uint32_t count, uint32_t* got) {
    if (got != nullptr) *got = 0;
    return RunExport(chip::SetError, 0, [&] {
      auto* face = Face();
      if (face == nullptr || (buffer == nullptr && count != 0)) return 0;
      const auto moved = face->Read(pipe, std::span(buffer, count));
      if (!moved) return 0;
      if (got != nullptr) *got = *moved;
      return 1;
    });
  }

  static void VORPEX_CC Close(intptr_t handle) {
    RunExport(chip::SetError, [&] {
      if (auto* face = Face()) face->Close(handle);
    });
  }

  static constexpr VorpexVizu10Ops kOps = {
      sizeof(VorpexVizu10Ops), InterfacePaths, Open, Configuration, Write, Read, Close,
  };
};

static_assert(sim::kConfigurationBufferSize == platform::kVizu10ConfigBufferSize);

}  // namespace

extern "C" {

const VorpexVizu10Ops* VORPEX_CC PlayerSim_Vizu10(void) {
  return RunExport(chip::SetError, nullptr, []() -> const VorpexVizu10Ops* {
    // A simulated player that was asked for and cannot be used still takes the system driver's
    // place: its table then fails every call, as a system without the driver does.
    return chip::ChosenDriver() != chip::DriverChoice::kSystem ? &LentFace<SimulatedFace>::kOps
                                                               : nullptr;
  });
}

const VorpexVizu10Ops* VORPEX_CC VorpexShared_SystemVizu10(void) {
  return &LentFace<SystemFace>::kOps;
}

uint32_t VORPEX_CC VorpexShared_LastSystemError(void) {
  return platform::LastError();
}

}  // extern "C"
