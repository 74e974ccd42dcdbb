// The simulated player's Vizu10 face for the device library (playersim_vizu10.h): thin C
// wrappers over the face that the chip library owns beside its WinDriver face.
#include <algorithm>
#include <cstring>
#include <span>
#include <string>

#include "chiplib/driver_select.h"
#include "chiplib/error_state.h"
#include "chiplib/export_barrier.h"
#include "platform/error.h"
#include "playersim_vizu10.h"
#include "sim/vizu10_face.h"

using namespace vorpex;

namespace {

constexpr intptr_t kInvalidHandle = -1;

uint32_t VORPEX_CC InterfacePaths(const char* classGuid, char* paths, uint32_t capacity) {
  return RunExport(chip::SetError, 0, [&]() -> uint32_t {
    sim::SimVizu10* face = chip::ActiveVizu10();
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

intptr_t VORPEX_CC Open(const char* path) {
  return RunExport(chip::SetError, kInvalidHandle, [&] {
    sim::SimVizu10* face = chip::ActiveVizu10();
    if (face == nullptr || path == nullptr) {
      platform::SetLastError(platform::kErrorFileNotFound);
      return kInvalidHandle;
    }
    return face->Open(path).value_or(kInvalidHandle);
  });
}

int32_t VORPEX_CC Configuration(intptr_t device, uint8_t* buffer256) {
  return RunExport(chip::SetError, 0, [&] {
    sim::SimVizu10* face = chip::ActiveVizu10();
    if (face == nullptr || buffer256 == nullptr) return 0;
    return face->Configuration(device, std::span<uint8_t, sim::kConfigurationBufferSize>(
                                           buffer256, sim::kConfigurationBufferSize))
               ? 1
               : 0;
  });
}

int32_t VORPEX_CC Write(intptr_t pipe, const uint8_t* data, uint32_t count, uint32_t* written) {
  if (written != nullptr) *written = 0;
  return RunExport(chip::SetError, 0, [&] {
    sim::SimVizu10* face = chip::ActiveVizu10();
    if (face == nullptr || (data == nullptr && count != 0)) return 0;
    const auto moved = face->Write(pipe, std::span(data, count));
    if (!moved) return 0;
    if (written != nullptr) *written = *moved;
    return 1;
  });
}

int32_t VORPEX_CC Read(intptr_t pipe, uint8_t* buffer, uint32_t count, uint32_t* got) {
  if (got != nullptr) *got = 0;
  return RunExport(chip::SetError, 0, [&] {
    sim::SimVizu10* face = chip::ActiveVizu10();
    if (face == nullptr || (buffer == nullptr && count != 0)) return 0;
    const auto moved = face->Read(pipe, std::span(buffer, count));
    if (!moved) return 0;
    if (got != nullptr) *got = *moved;
    return 1;
  });
}

void VORPEX_CC Close(intptr_t handle) {
  RunExport(chip::SetError, [&] {
    if (sim::SimVizu10* face = chip::ActiveVizu10()) face->Close(handle);
  });
}

constexpr VorpexVizu10Ops kOps = {
    sizeof(VorpexVizu10Ops), InterfacePaths, Open, Configuration, Write, Read, Close,
};

}  // namespace

extern "C" {

const VorpexVizu10Ops* VORPEX_CC PlayerSim_Vizu10(void) {
  return RunExport(chip::SetError, nullptr, []() -> const VorpexVizu10Ops* {
    // A simulated player that was asked for and cannot be used still takes the system driver's
    // place: its table then fails every call, as a system without the driver does.
    return chip::ChosenDriver() != chip::DriverChoice::kSystem ? &kOps : nullptr;
  });
}

}  // extern "C"
