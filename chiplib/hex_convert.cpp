#include "chiplib/hex_convert.h"

#include <algorithm>
#include <array>
#include <vector>

#include "platform/file.h"
#include "protocol/hex_image.h"

namespace vorpex::chip {
namespace {

constexpr size_t kReadChunk = 64 * 1024;
constexpr size_t kWriteWindow = 64 * 1024;

// Writes the image through a window of pending bytes: records mostly follow one another, so
// most writes append to the window and the file sees large sequential writes. A write elsewhere
// flushes the window and starts a new one at its offset.
class FileImageSink final : public protocol::ImageSink {
 public:
  explicit FileImageSink(platform::File& file) : file_(file) { pending_.reserve(kWriteWindow); }

  bool Write(uint64_t offset, std::span<const uint8_t> bytes) override {
    uint64_t pendingEnd = pendingStart_ + pending_.size();
    if (offset >= pendingStart_ && offset <= pendingEnd &&
        offset + bytes.size() <= pendingStart_ + kWriteWindow) {
      size_t at = static_cast<size_t>(offset - pendingStart_);
      size_t overlap = std::min(bytes.size(), pending_.size() - at);
      std::copy_n(bytes.begin(), overlap, pending_.begin() + static_cast<ptrdiff_t>(at));
      pending_.insert(pending_.end(), bytes.begin() + static_cast<ptrdiff_t>(overlap), bytes.end());
      return true;
    }
    if (!Flush()) return false;
    pendingStart_ = offset;
    pending_.assign(bytes.begin(), bytes.end());
    return true;
  }

  bool Fill(uint64_t offset, uint64_t count) override {
    static constexpr std::array<uint8_t, 4096> kZeros{};
    while (count > 0) {
      size_t piece = static_cast<size_t>(std::min<uint64_t>(count, kZeros.size()));
      if (!Write(offset, std::span(kZeros.data(), piece))) return false;
      offset += piece;
      count -= piece;
    }
    return true;
  }

  bool Flush() {
    if (pending_.empty()) return true;
    bool ok = file_.Seek(pendingStart_) && file_.Write(pending_);
    pending_.clear();
    return ok;
  }

 private:
  platform::File& file_;
  uint64_t pendingStart_ = 0;
  std::vector<uint8_t> pending_;
};

bool Convert(platform::File& source, platform::File& destination, uint32_t base) {
  FileImageSink sink(destination);
  protocol::HexImageBuilder builder(base, sink);
  std::vector<uint8_t> chunk(kReadChunk);
  while (!builder.done()) {
    auto got = source.Read(chunk);
    if (!got) return false;
    if (*got == 0) break;
    if (!builder.Feed(std::span(reinterpret_cast<const char*>(chunk.data()), *got))) return false;
  }
  return builder.Finish() && sink.Flush();
}

}  // namespace

int32_t ConvertHexToBin(const char* sourcePath, const char* destinationPath, uint32_t base) {
  if (sourcePath == nullptr || destinationPath == nullptr) return 0;
  auto source =
      platform::File::Open(sourcePath, platform::Access::kRead, platform::Share::kReadWrite,
                           platform::Disposition::kOpenExisting);
  if (!source) return 0;
  auto destination =
      platform::File::Open(destinationPath, platform::Access::kWrite, platform::Share::kRead,
                           platform::Disposition::kCreateAlways);
  if (!destination) return 0;
  bool ok = false;
  try {
    ok = Convert(*source, *destination, base);
  } catch (...) {
    // Out of memory half-way: the export reports it, and no cut-off image stays behind.
    destination->Close();
    platform::RemoveFile(destinationPath);
    throw;
  }
  destination->Close();
  if (!ok) {
    // A corrupt or cut-off image must never reach the player: leave nothing behind.
    platform::RemoveFile(destinationPath);
    return 0;
  }
  return 1;
}

}  // namespace vorpex::chip
