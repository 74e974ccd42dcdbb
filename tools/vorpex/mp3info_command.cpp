// mp3info: the layer and bit rate of MPEG audio files as the device library reads them, from no
// more of each file than the library looks at.
#include <array>
#include <cstdio>
#include <string>

#include "ORVANEUsbDll.h"
#include "platform/file.h"
#include "tools/vorpex/commands.h"
#include "tools/vorpex/library_error.h"

namespace vorpex::cli {
namespace {

// The first bytes of `path`, up to the buffer's size: their count, or nullopt when it does not
// read (the reason then from UnreadableFile).
std::optional<size_t> ReadStart(const std::string& path,
                                std::array<uint8_t, ORVANE_MP3_SCAN_BYTES>& buffer) {
  auto file = platform::File::Open(path, platform::Access::kRead, platform::Share::kReadWrite,
                                   platform::Disposition::kOpenExisting);
  if (!file) return std::nullopt;
  size_t filled = 0;
  while (filled < buffer.size()) {
    auto got = file->Read(std::span(buffer).subspan(filled));
    if (!got) return std::nullopt;
    if (*got == 0) break;
    filled += *got;
  }
  return filled;
}

}  // namespace

int RunMp3Info(const Options& options) {
  int status = kExitOk;
  std::array<uint8_t, ORVANE_MP3_SCAN_BYTES> buffer;
  for (const std::string& path : options.operands) {
    std::optional<size_t> size = ReadStart(path, buffer);
    if (!size) {
      ReportError("cannot read " + path + ": " + UnreadableFile(path).value_or("read error"));
      status = kExitFailed;
      continue;
    }
    int32_t bitRate = 0;
    int32_t type = 0;
    if (Usb_GetBitRateAndType(buffer.data(), static_cast<uint32_t>(*size), &bitRate, &type) != 1) {
      ReportError(path + ": no MPEG audio frame found");
      status = kExitFailed;
      continue;
    }
    std::printf("%s: %s, %d kbit/s\n", path.c_str(),
                type == ORVANE_MP3_LAYER3 ? "Layer III" : "Layer II", static_cast<int>(bitRate));
  }
  return status;
}

}  // namespace vorpex::cli
