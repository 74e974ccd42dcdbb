#include "sim/vizu10_face.h"

#include <algorithm>

#include "platform/error.h"
#include "protocol/vizu10_names.h"
#include "sim/config_descriptors.h"

namespace vorpex::sim {
namespace {

constexpr std::string_view kFixedName = "\\\\.\\vizu10-0";
constexpr std::string_view kPipePrefix = "\\pipe";
constexpr uint32_t kReadPipe = 2;

using protocol::AsciiLower;
using protocol::kAbortFirstByte;
using protocol::kAbortMessageSize;
using protocol::UnbracedGuid;

std::string InterfacePath(uint32_t index) {
  return "\\\\?\\usb#vid_04e8&pid_1003#sim" + std::to_string(index) + "#" +
         AsciiLower(kVizu10ClassGuid);
}

std::string PipeName(uint32_t pipe) {
  if (pipe == kDeviceFile) return "the device file";
  return "PIPE" + std::string(pipe < 10 ? "0" : "") + std::to_string(pipe);
}

std::vector<uint8_t> Bytes(std::string_view text) {
  return {text.begin(), text.end()};
}

}  // namespace

SimVizu10::SimVizu10(Player& player, Vizu10Handle firstHandle)
    : player_(player), nextHandle_(firstHandle) {}

std::vector<std::string> SimVizu10::InterfacePaths(std::string_view classGuid) const {
  std::vector<std::string> paths;
  if (!player_.Present() || UnbracedGuid(classGuid) != UnbracedGuid(kVizu10ClassGuid)) return paths;
  for (uint32_t i = 0; i < player_.settings().interfaceCount; ++i) {
    paths.push_back(InterfacePath(i));
  }
  return paths;
}

std::optional<SimVizu10::Target> SimVizu10::Parse(std::string_view path) const {
  const std::string lower = AsciiLower(path);
  const PlayerSettings& settings = player_.settings();
  std::optional<Target> target;
  std::string_view rest;
  if (settings.interfaceCount > 0 && lower.starts_with(kFixedName)) {
    target = Target{0, kDeviceFile, true};
    rest = std::string_view(lower).substr(kFixedName.size());
  }
  for (uint32_t i = 0; !target && i < settings.interfaceCount; ++i) {
    const std::string base = InterfacePath(i);
    if (lower.starts_with(base)) {
      target = Target{i, kDeviceFile, false};
      rest = std::string_view(lower).substr(base.size());
    }
  }
  if (!target || rest.empty()) return target;
  // A pipe file: "\PIPE" and two digits naming an endpoint of the interface.
  if (rest.size() != kPipePrefix.size() + 2 || !rest.starts_with(kPipePrefix)) return std::nullopt;
  const char tens = rest[kPipePrefix.size()];
  const char ones = rest[kPipePrefix.size() + 1];
  if (tens < '0' || tens > '9' || ones < '0' || ones > '9') return std::nullopt;
  target->pipe = static_cast<uint32_t>((tens - '0') * 10 + (ones - '0'));
  if (target->pipe >= settings.endpointCount) return std::nullopt;
  return target;
}

std::optional<Vizu10Handle> SimVizu10::Open(std::string_view path) {
  const auto target = Parse(path);
  const uint32_t pipe = target ? target->pipe : kDeviceFile;
  auto fail = [&](uint32_t error, const char* why) -> std::optional<Vizu10Handle> {
    player_.log().Add(LogKind::kOpen, pipe, false, Bytes(path), std::string(path) + ": " + why);
    platform::SetLastError(error);
    return std::nullopt;
  };
  if (!player_.Present()) return fail(platform::kErrorFileNotFound, "no player");
  if (!target) return fail(platform::kErrorFileNotFound, "no such file");
  if (target->interface < kMaxInterfaces &&
      (player_.settings().refuseOpenMask >> target->interface & 1) != 0) {
    return fail(platform::kErrorAccessDenied, "the interface refuses to open");
  }
  // Logged first: when memory runs out, no handle stays open that the caller never got.
  player_.log().Add(LogKind::kOpen, pipe, true, Bytes(path), std::string(path));
  const Vizu10Handle handle = nextHandle_;
  files_[handle] = {target->pipe, target->fixedName, player_.unplugCount()};
  nextHandle_ += 4;
  return handle;
}

void SimVizu10::Close(Vizu10Handle handle) {
  files_.erase(handle);
}

uint32_t SimVizu10::EndpointOf(uint32_t pipe) const {
  return pipe < kMaxEndpoints ? player_.settings().endpointAddresses[pipe] : pipe;
}

const SimVizu10::OpenFile* SimVizu10::Usable(Vizu10Handle handle, LogKind kind) {
  const auto found = files_.find(handle);
  if (found == files_.end()) {
    // Not a handle of this driver: the system refuses the call before the driver sees it.
    platform::SetLastError(platform::kErrorInvalidHandle);
    return nullptr;
  }
  const OpenFile& file = found->second;
  if (file.unplugCount != player_.unplugCount()) {
    player_.log().Add(kind, EndpointOf(file.pipe), false, {}, "the device was removed");
    platform::SetLastError(platform::kErrorGenFailure);
    return nullptr;
  }
  return &file;
}

bool SimVizu10::Configuration(Vizu10Handle device,
                              std::span<uint8_t, kConfigurationBufferSize> buffer) {
  const OpenFile* file = Usable(device, LogKind::kConfiguration);
  if (file == nullptr) return false;
  if (file->pipe != kDeviceFile) {
    player_.RecordViolation(EndpointOf(file->pipe), {}, "configuration request on a pipe file");
    platform::SetLastError(platform::kErrorInvalidParameter);
    return false;
  }
  if (!player_.Present()) {
    player_.log().Add(LogKind::kConfiguration, kDeviceFile, false, {}, "no player");
    platform::SetLastError(platform::kErrorGenFailure);
    return false;
  }
  std::vector<uint8_t> descriptors = ConfigurationDescriptors(player_.settings());
  descriptors.resize(std::min(descriptors.size(), buffer.size()));
  std::copy(descriptors.begin(), descriptors.end(), buffer.begin());
  player_.log().Add(LogKind::kConfiguration, kDeviceFile, true, std::move(descriptors));
  return true;
}

std::optional<uint32_t> SimVizu10::Write(Vizu10Handle pipe, std::span<const uint8_t> data) {
  const OpenFile* file = Usable(pipe, LogKind::kOut);
  if (file == nullptr) return std::nullopt;
  const uint32_t endpoint = EndpointOf(file->pipe);
  std::vector<uint8_t> bytes(data.begin(), data.end());
  auto refuse = [&](const std::string& why) -> std::optional<uint32_t> {
    player_.RecordViolation(endpoint, std::move(bytes), why);
    platform::SetLastError(platform::kErrorInvalidParameter);
    return std::nullopt;
  };
  if (file->pipe == 0 && data.size() == kAbortMessageSize && data[0] == kAbortFirstByte) {
    if (player_.Abort(endpoint, std::move(bytes))) return static_cast<uint32_t>(data.size());
    platform::SetLastError(platform::kErrorGenFailure);
    return std::nullopt;
  }
  if (file->pipe == kDeviceFile) return refuse("write to the device file");
  if (file->pipe != WritePipeIndex(player_.settings(), file->fixedName)) {
    return refuse("write of " + std::to_string(data.size()) + " bytes to " + PipeName(file->pipe) +
                  ", which is not the player's write pipe");
  }
  const auto moved = player_.BulkOut(endpoint, data, kVizu10TimeoutMs);
  if (!moved) platform::SetLastError(platform::kErrorGenFailure);
  return moved;
}

std::optional<uint32_t> SimVizu10::Read(Vizu10Handle pipe, std::span<uint8_t> buffer) {
  const OpenFile* file = Usable(pipe, LogKind::kIn);
  if (file == nullptr) return std::nullopt;
  const uint32_t endpoint = EndpointOf(file->pipe);
  if (file->pipe != kReadPipe) {
    player_.RecordViolation(endpoint, {}, "read from " + PipeName(file->pipe));
    platform::SetLastError(platform::kErrorInvalidParameter);
    return std::nullopt;
  }
  const auto moved = player_.BulkIn(endpoint, buffer, kVizu10TimeoutMs);
  if (!moved) platform::SetLastError(platform::kErrorGenFailure);
  return moved;
}

}  // namespace vorpex::sim
