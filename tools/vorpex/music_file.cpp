#include "tools/vorpex/music_file.h"

#include <array>
#include <span>

#include "platform/file.h"
#include "platform/file_copy.h"
#include "protocol/mp3_frame.h"

namespace vorpex::cli {
namespace {

// The frame scan over the file's first bytes, as the device library reads a file's layer.
bool HasMpegFrames(const std::string& path) {
  auto file = platform::File::Open(path, platform::Access::kRead, platform::Share::kReadWrite,
                                   platform::Disposition::kOpenExisting);
  if (!file) return false;
  std::array<uint8_t, protocol::kMp3ScanBytes> start{};
  const auto read = platform::ReadFull(*file, start);
  return read && protocol::ScanFrames(std::span(start).first(*read)).found;
}

}  // namespace

bool IsPlayableMusic(const std::string& path) {
  return HasMpegFrames(path);
}

}  // namespace vorpex::cli
