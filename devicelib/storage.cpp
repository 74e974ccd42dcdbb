#include "devicelib/storage.h"

#include <array>

#include "VORPEXUSB.h"
#include "devicelib/command_channel.h"
#include "operations/storage.h"
#include "platform/ui.h"
#include "protocol/command_block.h"
#include "vorpex_shared.h"

namespace vorpex::device {
namespace {

constexpr uint32_t kFormatReadTimeoutMs = 5000000;
constexpr uint32_t kReadTimeoutMs = 3000;
constexpr uint32_t kWriteTimeoutMs = 2000;
constexpr char kVoiceOrMp3FormatFailed[] = "Format error 2";

int32_t ClearArea(AreaCache& cache, int32_t code) {
  cache.memoryInfo = {};
  cache.areaCapacity = 0;
  VORPEX_SetError(code);
  return 0;
}

}  // namespace

int32_t Refresh(int32_t area, uint32_t* info, uint8_t* entries, uint32_t* count) {
  if (!IsArea(area)) return 0;
  DeviceChannel channel;
  return operations::ReadDirectory(channel, area, info, entries, count) ? 1 : 0;
}

int32_t RefreshArea(int32_t area) {
  if (!IsArea(area)) {
    VORPEX_SetError(VORPEX_ERR_USB);
    return 0;
  }
  AreaCache& cache = Cache(area);
  cache.areaCapacity = 256;
  if (Refresh(area, cache.memoryInfo.data(), cache.catalogue.data(), &cache.areaCapacity) == 0) {
    return ClearArea(cache, VORPEX_ERR_USB);
  }
  if (cache.memoryInfo[2] == 0) return ClearArea(cache, VORPEX_ERR_NODISK);
  return 1;
}

uint32_t TotalMemory(int32_t area) {
  if (!IsArea(area)) return 0;
  RefreshArea(area);
  return Cache(area).memoryInfo[2] * protocol::kSpaceUnit;
}

uint32_t FreeMemory(int32_t area) {
  if (!IsArea(area)) return 0;
  const protocol::MemoryInfo& info = Cache(area).memoryInfo;
  // A used figure above the capacity leaves no room, not a wrapped-around amount.
  if (info[3] >= info[2]) return 0;
  return (info[2] - info[3]) * protocol::kSpaceUnit;
}

int32_t Format(int32_t area, uint8_t command) {
  if (GetState().session.sessionValue == 0) {
    VORPEX_DispError(VORPEX_ERR_DEVICE_OPEN, 0);
    return VORPEX_ERR_DEVICE_OPEN;
  }
  if (RefreshArea(area) == 0) {
    const int32_t code = VORPEX_GetError();
    VORPEX_DispError(code, VORPEX_GetWindowsError());
    return code;
  }
  // The player answers a format only when it is done; every path out restores the time-outs.
  VORPEX_SetTimeout(kFormatReadTimeoutMs, kWriteTimeoutMs);
  DeviceChannel channel;
  const operations::Answer answer = operations::Exchange(channel, area, command);
  if (answer == operations::Answer::kNotSent) {
    VORPEX_SetTimeout(kReadTimeoutMs, kWriteTimeoutMs);
    VORPEX_SetError(VORPEX_ERR_USB);
    return VORPEX_ERR_USB;
  }
  const int32_t result = operations::AnswerCode(answer, VORPEX_ERR_FORMAT);
  VORPEX_SetTimeout(kReadTimeoutMs, kWriteTimeoutMs);
  if (result != VORPEX_OK) {
    if (command != protocol::kCmdFormat) {
      VorpexShared_MessageBox(kVoiceOrMp3FormatFailed, nullptr, platform::kMbOk);
    }
    VORPEX_DispError(result, VORPEX_GetWindowsError());
  }
  return result;
}

int32_t Delete(int32_t area, int32_t index) {
  if (!IsEntryIndex(index)) {
    VORPEX_SetError(VORPEX_ERR_INTERNAL);
    return 1;  // nothing was sent
  }
  const std::array<uint8_t, 1> payload{static_cast<uint8_t>(index)};
  DeviceChannel channel;
  const operations::Answer answer =
      operations::Exchange(channel, area, protocol::kCmdDelete, payload);
  if (answer == operations::Answer::kOk) return 0;
  VORPEX_SetError(operations::AnswerCode(answer, VORPEX_ERR_INTERNAL));
  // Which step failed: 1 the command, 2 its reply, 3 a refusal.
  return static_cast<int32_t>(answer);
}

int32_t Replace(int32_t area, int32_t index, int32_t second) {
  if (!IsEntryIndex(index)) {
    VORPEX_SetError(VORPEX_ERR_INTERNAL);
    return 0;
  }
  const std::array<uint8_t, 2> payload{static_cast<uint8_t>(index), static_cast<uint8_t>(second)};
  DeviceChannel channel;
  const int32_t code = operations::AnswerCode(
      operations::Exchange(channel, area, protocol::kCmdRenameOrReplace, payload),
      VORPEX_ERR_INTERNAL);
  if (code == VORPEX_OK) return 1;
  VORPEX_SetError(code);
  return 0;
}

}  // namespace vorpex::device
