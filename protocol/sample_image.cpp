#include "protocol/sample_image.h"

#include <limits>
#include <string>

#include "protocol/hex_image.h"

namespace vorpex::protocol {
namespace {

// Keeps the bytes that follow on from the first data written, until it holds as many as the
// mark; then it stops the conversion, which need not read further.
class MarkSink final : public ImageSink {
 public:
  bool Write(uint64_t offset, std::span<const uint8_t> bytes) override {
    if (bytes.empty()) return true;
    if (head_.empty()) next_ = offset;
    if (offset != next_) return false;  // a gap or a jump back: the data do not run on
    for (uint8_t byte : bytes) {
      if (head_.size() == kSampleImageMark.size()) break;
      head_ += static_cast<char>(byte);
    }
    next_ = offset + bytes.size();
    return head_.size() < kSampleImageMark.size();
  }
  bool Fill(uint64_t, uint64_t) override { return head_.empty(); }
  bool Marked() const { return head_ == kSampleImageMark; }

 private:
  std::string head_;
  uint64_t next_ = 0;
};

}  // namespace

bool IsSampleImage(std::string_view hexText) {
  MarkSink sink;
  HexImageBuilder builder(0, sink, std::numeric_limits<uint64_t>::max());
  builder.Feed(hexText);
  return sink.Marked();
}

}  // namespace vorpex::protocol
