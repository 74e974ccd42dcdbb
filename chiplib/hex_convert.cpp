#include "chiplib/hex_convert.h"

#include <algorithm>
#include <array>
#include <vector>

#include "chiplib/error_state.h"
#include "chiplib/state.h"
#include "platform/error.h"
#include "platform/file.h"
#include "protocol/hex_image.h"

namespace vorpex::chip {
namespace {

constexpr size_t kReadChunk = size_t{64} * 1024;
constexpr size_t kWriteWindow = size_t{64} * 1024;

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

HexOutcome FromFailure(protocol::HexFailure failure) {
  switch (failure) {
    case protocol::HexFailure::kImageTooLarge: return HexOutcome::kTooLarge;
    case protocol::HexFailure::kSinkFailed: return HexOutcome::kDestinationUnwritable;
    case protocol::HexFailure::kRecordAfterStrayLine:
      return HexOutcome::kStrayLine;
    case protocol::HexFailure::kRunsOn:
      return HexOutcome::kRunsOn;
    default:
      return HexOutcome::kMalformed;
  }
}

HexConversion Convert(platform::File& source, platform::File& destination, uint32_t base,
                      bool requireEndOfFile) {
  FileImageSink sink(destination);
  protocol::HexImageBuilder builder(base, sink);
  std::vector<uint8_t> chunk(kReadChunk);
  while (!builder.done()) {
    auto got = source.Read(chunk);
    if (!got) return {HexOutcome::kSourceUnreadable, platform::LastError()};
    if (*got == 0) break;
    builder.Feed(std::span(reinterpret_cast<const char*>(chunk.data()), *got));
  }
  if (!builder.Finish()) {
    HexOutcome outcome = FromFailure(builder.failure());
    return {outcome, outcome == HexOutcome::kDestinationUnwritable ? platform::LastError() : 0,
            builder.failureLine()};
  }
  if (!sink.Flush()) return {HexOutcome::kDestinationUnwritable, platform::LastError()};
  if (requireEndOfFile && !builder.endOfFile()) return {HexOutcome::kCutShort, 0};
  return {};
}

}  // namespace

HexConversion ConvertHex(const char* sourcePath, const char* destinationPath, uint32_t base,
                         bool requireEndOfFile) {
  if (sourcePath == nullptr) {
    return {HexOutcome::kSourceUnreadable, platform::kErrorInvalidParameter};
  }
  if (destinationPath == nullptr) {
    return {HexOutcome::kDestinationUnwritable, platform::kErrorInvalidParameter};
  }
  auto source =
      platform::File::Open(sourcePath, platform::Access::kRead, platform::Share::kReadWrite,
                           platform::Disposition::kOpenExisting);
  if (!source) return {HexOutcome::kSourceUnreadable, platform::LastError()};
  // Opening the destination would empty the HEX file before a byte of it was read.
  if (source->SameFileAs(destinationPath)) return {HexOutcome::kSameFile, 0};
  auto destination =
      platform::File::Open(destinationPath, platform::Access::kWrite, platform::Share::kRead,
                           platform::Disposition::kCreateAlways);
  if (!destination) return {HexOutcome::kDestinationUnwritable, platform::LastError()};
  HexConversion result;
  try {
    result = Convert(*source, *destination, base, requireEndOfFile);
  } catch (...) {
    // Out of memory half-way: the export reports it, and no cut-off image stays behind.
    destination->Close();
    platform::RemoveFile(destinationPath);
    throw;
  }
  destination->Close();
  // A corrupt or cut-off image must never reach the player: leave nothing behind.
  if (result.outcome != HexOutcome::kConverted) platform::RemoveFile(destinationPath);
  return result;
}

int32_t ConvertHexToBin(const char* sourcePath, const char* destinationPath, uint32_t base) {
  const HexConversion result = ConvertHex(sourcePath, destinationPath, base, false);
  return result.outcome == HexOutcome::kConverted ? 1 : 0;
}

int32_t ConvertHexForUpgrade(const char* sourcePath, const char* destinationPath, uint32_t base) {
  HexConversion result = ConvertHex(sourcePath, destinationPath, base, true);
  if (result.outcome == HexOutcome::kConverted) return 1;
  SetWindowsError(result.systemError != 0 ? result.systemError : platform::kErrorInvalidData);
  GetState().errorDetail = HexOutcomeText(result, sourcePath != nullptr ? sourcePath : "");
  return 0;
}

std::string HexOutcomeText(const HexConversion& result, const std::string& sourcePath) {
  const std::string file = "The firmware file " + sourcePath;
  auto damaged = [&](protocol::HexFailure failure) {
    return file + " is damaged: " + protocol::HexFailureText(failure, result.line) + ".";
  };
  switch (result.outcome) {
    case HexOutcome::kConverted: return "";
    case HexOutcome::kSourceUnreadable: return file + " cannot be read.";
    case HexOutcome::kDestinationUnwritable:
      return "The firmware image made from " + sourcePath + " cannot be written.";
    case HexOutcome::kSameFile: return file + " would be overwritten by its own image.";
    case HexOutcome::kMalformed:
      return damaged(protocol::HexFailure::kMalformedRecord);
    case HexOutcome::kStrayLine:
      return damaged(protocol::HexFailure::kRecordAfterStrayLine);
    case HexOutcome::kRunsOn:
      return damaged(protocol::HexFailure::kRunsOn);
    case HexOutcome::kTooLarge:
      return file + " is too large: " +
             protocol::HexFailureText(protocol::HexFailure::kImageTooLarge, result.line) + ".";
    case HexOutcome::kCutShort:
      return file + " ends without its end-of-file record: it was cut short.";
  }
  return "";
}

}  // namespace vorpex::chip
