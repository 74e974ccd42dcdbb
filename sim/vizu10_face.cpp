#include "sim/vizu10_face.h"

#include <algorithm>

#include "platform/error.h"
#include "protocol/vizu10_names.h"
#include "sim/config_descriptors.h"

namespace vorpex::sim {
namespace {

constexpr uint32_t kReadPipe = 2;

using protocol::kAbortFirstByte;
using protocol::kAbortMessageSize;
using protocol::kVizu10ClassGuid;
using protocol::UnbracedGuid;

// The simulated players' interfaces are named sim0, sim1, ...
std::string Instance(uint32_t index) {
  return "sim" + std::to_string(index);
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
    paths.push_back(protocol::Vizu10InterfacePath(Instance(i)));
  }
  return paths;
}

std::optional<SimVizu10::Target> SimVizu10::Parse(std::string_view path) const {
  const PlayerSettings& settings = player_.settings();
  const auto parsed = protocol::ParseVizu10Path(path);
  if (!parsed) return std::nullopt;
  std::optional<Target> target;
  if (parsed->fixedName && settings.interfaceCount > 0) target = Target{0, parsed->pipe, true};
  for (uint32_t i = 0; !parsed->fixedName && !target && i < settings.interfaceCount; ++i) {
    if (parsed->instance == Instance(i)) target = Target{i, parsed->pipe, false};
  }
  // A pipe file names an endpoint of the interface.
  if (target && target->pipe != kDeviceFile && target->pipe >= settings.endpointCount) {
    return std::nullopt;
  }
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
