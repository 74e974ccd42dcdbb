// Intel HEX text into a flat image whose byte k belongs to address base + k. The text arrives in
// pieces of any size; the image leaves through a sink as writes at offsets, so neither side is
// ever held whole in memory.
#pragma once
#include <cstdint>
#include <span>
#include <string>

#include "protocol/hex_record.h"

namespace vorpex::protocol {

// The largest image either firmware area takes: 65,535 blocks of 512 bytes.
inline constexpr uint64_t kMaxFirmwareImage = 65535ull * 512ull;

class ImageSink {
 public:
  virtual ~ImageSink() = default;
  // Writes `bytes` at image offset `offset`; false when the write failed.
  virtual bool Write(uint64_t offset, std::span<const uint8_t> bytes) = 0;
  // Writes `count` bytes of 0x00 from `offset` on.
  virtual bool Fill(uint64_t offset, uint64_t count) = 0;
};

enum class HexFailure {
  kNone,
  kMalformedRecord,       // a record cut short, with a non-hex digit or a wrong checksum
  kRunsOn,                // more than blanks after a record's checksum
  kRecordAfterStrayLine,  // a line that is not a record was followed by more records
  kImageTooLarge,        // the image would grow beyond kMaxFirmwareImage
  kSinkFailed,           // the sink could not write
};

// What went wrong, in plain words naming the line at fault ("line 12 is not a record, yet
// records follow it"); empty for kNone.
std::string HexFailureText(HexFailure failure, size_t line);

class HexImageBuilder {
 public:
  HexImageBuilder(uint32_t base, ImageSink& sink, uint64_t maxImage = kMaxFirmwareImage)
      : base_(base), maxImage_(maxImage), sink_(sink) {}

  // Takes the next piece of text. False once the conversion has failed; text after the
  // end-of-file record is not looked at.
  bool Feed(std::span<const char> text);
  // The end of the text: the last line may lack its line end. True when the image is good.
  bool Finish();

  HexFailure failure() const { return failure_; }
  // The line (counted from 1) the failure lies on: the damaged record, the line that is not a
  // record when records follow it, or the record that makes the image too large; 0 when the
  // failure lies on no line or there is none.
  size_t failureLine() const { return failureLine_; }
  bool done() const { return endOfFile_ || failure_ != HexFailure::kNone; }
  // An end-of-file record was read: the text was not cut off at a line end.
  bool endOfFile() const { return endOfFile_; }
  uint64_t imageSize() const { return currentEnd_ - base_; }

 private:
  bool EndLine();
  bool Apply(const HexRecord& record);
  bool Fail(HexFailure failure);

  uint64_t base_;
  uint64_t maxImage_;
  ImageSink& sink_;
  std::string line_;
  bool droppedNonBlank_ = false;  // the line went on beyond what is held, with more than blanks
  bool lastWasCr_ = false;
  bool strayLineSeen_ = false;
  size_t lines_ = 0;      // lines ended so far
  size_t strayLine_ = 0;  // the first line that is not a record
  size_t failureLine_ = 0;
  bool endOfFile_ = false;
  HexFailure failure_ = HexFailure::kNone;
  uint64_t extension_ = 0;  // from the last type 02 or type 04 record
  uint64_t currentEnd_ = base_;
  HexRecord record_;
};

}  // namespace vorpex::protocol
