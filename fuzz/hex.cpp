// Intel HEX text of any shape: its first line as one record; the whole text fed to the image
// builder at once and in small pieces, which must give the same image and outcome; then the
// text as a file through the real conversion into an image file, with and without the
// end-of-file record required. A conversion that fails must leave no image behind, one that
// succeeds must leave it.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <vector>

#include "chiplib/hex_convert.h"
#include "fuzz/scratch_folder.h"
#include "protocol/hex_image.h"
#include "protocol/hex_record.h"

namespace {

using namespace vorpex;

class MemorySink : public protocol::ImageSink {
 public:
  bool Write(uint64_t offset, std::span<const uint8_t> bytes) override {
    Grow(offset + bytes.size());
    std::copy(bytes.begin(), bytes.end(), image.begin() + static_cast<ptrdiff_t>(offset));
    return true;
  }
  bool Fill(uint64_t offset, uint64_t count) override {
    Grow(offset + count);
    std::fill_n(image.begin() + static_cast<ptrdiff_t>(offset), count, 0);
    return true;
  }
  std::vector<uint8_t> image;

 private:
  void Grow(uint64_t end) {
    if (end > image.size()) image.resize(end, 0xEE);
  }
};

struct Built {
  bool good;
  protocol::HexFailure failure;
  std::vector<uint8_t> image;
  bool operator==(const Built&) const = default;
};

// The image of `text` fed in pieces of `piece` characters (small images only).
Built Build(std::string_view text, size_t piece) {
  constexpr uint64_t kLargest = 1 << 20;
  MemorySink sink;
  protocol::HexImageBuilder builder(0x100, sink, kLargest);
  for (size_t at = 0; at < text.size(); at += piece) {
    builder.Feed(std::span(text.data() + at, std::min(piece, text.size() - at)));
  }
  const bool good = builder.Finish();
  return {good, builder.failure(), sink.image};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  protocol::HexRecord record;
  protocol::ParseHexLine(text.substr(0, text.find('\n')), record);
  if (Build(text, text.size() + 1) != Build(text, 1 + size % 3)) abort();

  const std::string source = fuzz::ScratchFolder() + "/in.hex";
  const std::string image = fuzz::ScratchFolder() + "/out.bin";
  std::ofstream(source, std::ios::binary).write(text.data(), static_cast<std::streamsize>(size));
  struct Run {
    uint32_t base;
    bool requireEndOfFile;
  };
  for (const Run run : {Run{0, false}, Run{0x10000, true}}) {
    const auto result = chip::ConvertHex(source.c_str(), image.c_str(), run.base,
                                         run.requireEndOfFile);
    const bool converted = result.outcome == chip::HexOutcome::kConverted;
    if (converted != std::filesystem::exists(image)) abort();
    std::filesystem::remove(image);
  }
  return 0;
}
