// A Vizu10 driver port handed from one module to another as a plain C table
// (VorpexVizu10Ops), both ways: Vizu10Table lends a port of this module as a table, TableVizu10
// wraps a table lent by another module back into a port. The simulated player's library lends
// its face to the chip library so, and the chip library lends whichever port it chose to the
// device library. Each module has its own copy of platform/ and with it its own last error: a
// failing call's error is carried over by the lender's `lastError` function.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "operations/export_barrier.h"
#include "platform/error.h"
#include "platform/vizu10.h"
#include "playersim_vizu10.h"

namespace vorpex::platform {

static_assert(PLAYERSIM_VIZU10_CONFIGURATION_SIZE == kVizu10ConfigBufferSize);

// The table over the port `Port()` gives; `Record(code)` keeps what the export barrier caught.
template <auto Port, auto Record>
struct Vizu10Table {
  static uint32_t VORPEX_CC InterfacePaths(const char* classGuid, char* paths, uint32_t capacity) {
    return RunExport(Record, 0, [&]() -> uint32_t {
      if (classGuid == nullptr) return 0;
      const auto found = Port().InterfacePaths(classGuid);
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
    return RunExport(Record, kInvalidDriverHandle, [&] {
      if (path == nullptr) {
        SetLastError(kErrorFileNotFound);
        return kInvalidDriverHandle;
      }
      return Port().Open(path);
    });
  }

  static int32_t VORPEX_CC Configuration(intptr_t device, uint8_t* buffer256) {
    return RunExport(Record, 0, [&] {
      if (buffer256 == nullptr) return 0;
      return Port().Configuration(device, std::span<uint8_t, kVizu10ConfigBufferSize>(
                                              buffer256, kVizu10ConfigBufferSize))
                 ? 1
                 : 0;
    });
  }

  static int32_t VORPEX_CC Write(intptr_t pipe, const uint8_t* data, uint32_t count,
                                 uint32_t* written) {
    if (written != nullptr) *written = 0;
    return RunExport(Record, 0, [&] {
      if (data == nullptr && count != 0) return 0;
      const auto moved = Port().Write(pipe, std::span(data, count));
      if (!moved) return 0;
      if (written != nullptr) *written = *moved;
      return 1;
    });
  }

  static int32_t VORPEX_CC Read(intptr_t pipe, uint8_t* buffer, uint32_t count, uint32_t* got) {
    if (got != nullptr) *got = 0;
    return RunExport(Record, 0, [&] {
      if (buffer == nullptr && count != 0) return 0;
      const auto moved = Port().Read(pipe, std::span(buffer, count));
      if (!moved) return 0;
      if (got != nullptr) *got = *moved;
      return 1;
    });
  }

  static void VORPEX_CC Close(intptr_t handle) {
    RunExport(Record, [&] { Port().Close(handle); });
  }

  static constexpr VorpexVizu10Ops kOps = {
      sizeof(VorpexVizu10Ops), InterfacePaths, Open, Configuration, Write, Read, Close,
  };
};

// What a lending module's export barrier caught, raised again in the borrower: the error code
// (7 out of memory, anything else internal) that `takeFailure` gives after a call, 0 for none.
inline void RaiseLentFailure(int32_t(VORPEX_CC* takeFailure)(void)) {
  if (takeFailure == nullptr) return;
  const int32_t code = takeFailure();
  if (code == VORPEX_ERR_MEMORY_ALLOC) throw std::bad_alloc();
  if (code != 0) throw std::runtime_error("a lent driver failed");
}

// The port over a table another module lends; `lastError` gives that module's last error, and
// `takeFailure`, when given, what its export barrier caught.
class TableVizu10 final : public Vizu10Port {
 public:
  TableVizu10(const VorpexVizu10Ops& ops, uint32_t(VORPEX_CC* lastError)(void),
              int32_t(VORPEX_CC* takeFailure)(void) = nullptr)
      : ops_(ops), lastError_(lastError), takeFailure_(takeFailure) {}

  std::vector<std::string> InterfacePaths(const std::string& classGuid) override {
    std::vector<char> slots;
    uint32_t count = 0;
    for (uint32_t capacity = 4;; capacity *= 2) {
      slots.assign(size_t{capacity} * PLAYERSIM_VIZU10_PATH_SLOT, '\0');
      count = ops_.interfacePaths(classGuid.c_str(), slots.data(), capacity);
      RaiseLentFailure(takeFailure_);
      if (count <= capacity) break;
    }
    std::vector<std::string> paths;
    for (uint32_t i = 0; i < count; ++i)
      paths.emplace_back(&slots[size_t{i} * PLAYERSIM_VIZU10_PATH_SLOT]);
    return paths;
  }
  DriverHandle Open(const std::string& path) override {
    const DriverHandle handle = ops_.open(path.c_str());
    RaiseLentFailure(takeFailure_);
    if (handle == kInvalidDriverHandle) TakeLastError();
    return handle;
  }
  bool Configuration(DriverHandle device,
                     std::span<uint8_t, kVizu10ConfigBufferSize> buffer) override {
    const int32_t answered = ops_.configuration(device, buffer.data());
    RaiseLentFailure(takeFailure_);
    if (answered == 1) return true;
    TakeLastError();
    return false;
  }
  std::optional<uint32_t> Write(DriverHandle pipe, std::span<const uint8_t> data) override {
    uint32_t written = 0;
    const int32_t ok = ops_.write(pipe, data.data(), static_cast<uint32_t>(data.size()), &written);
    RaiseLentFailure(takeFailure_);
    if (ok != 1) {
      TakeLastError();
      return std::nullopt;
    }
    return written;
  }
  std::optional<uint32_t> Read(DriverHandle pipe, std::span<uint8_t> buffer) override {
    uint32_t got = 0;
    const int32_t ok = ops_.read(pipe, buffer.data(), static_cast<uint32_t>(buffer.size()), &got);
    RaiseLentFailure(takeFailure_);
    if (ok != 1) {
      TakeLastError();
      return std::nullopt;
    }
    return got;
  }
  // Closes run in destructors too: nothing is raised (a close frees, it does not allocate).
  void Close(DriverHandle handle) override {
    ops_.close(handle);
    if (takeFailure_ != nullptr) takeFailure_();
  }

 private:
  void TakeLastError() const { SetLastError(lastError_()); }

  const VorpexVizu10Ops& ops_;
  uint32_t(VORPEX_CC* lastError_)(void);
  int32_t(VORPEX_CC* takeFailure_)(void);
};

}  // namespace vorpex::platform
