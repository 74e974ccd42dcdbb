#include "tools/vorpex/hex_survey.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <limits>
#include <vector>

#include "platform/file.h"

namespace vorpex::cli {
namespace {

constexpr uint64_t kBootAreaSize = 8192;
constexpr uint64_t kCodecStart = 0x2000;

// Keeps where the data lie, not the data.
class ExtentSink final : public protocol::ImageSink {
 public:
  explicit ExtentSink(HexSurvey& survey) : survey_(survey) {}
  bool Write(uint64_t offset, std::span<const uint8_t> bytes) override {
    if (bytes.empty()) return true;
    survey_.lowest = survey_.data ? std::min(survey_.lowest, offset) : offset;
    survey_.end = std::max(survey_.end, offset + bytes.size());
    survey_.data = true;
    return true;
  }
  bool Fill(uint64_t, uint64_t) override { return true; }

 private:
  HexSurvey& survey_;
};

std::string Hex(uint64_t address) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%" PRIX64, address);
  return text;
}

}  // namespace

std::optional<HexSurvey> SurveyHexFile(const std::string& path) {
  auto file = platform::File::Open(path, platform::Access::kRead, platform::Share::kReadWrite,
                                   platform::Disposition::kOpenExisting);
  if (!file) return std::nullopt;
  HexSurvey survey;
  ExtentSink sink(survey);
  // From address 0 and without a limit: every address a record names is seen where it lies.
  protocol::HexImageBuilder builder(0, sink, std::numeric_limits<uint64_t>::max());
  std::vector<uint8_t> chunk(size_t{64} * 1024);
  while (!builder.done()) {
    auto got = file->Read(chunk);
    if (!got) return std::nullopt;
    if (*got == 0) break;
    builder.Feed(std::span(reinterpret_cast<const char*>(chunk.data()), *got));
  }
  builder.Finish();
  survey.endOfFile = builder.endOfFile();
  survey.failure = builder.failure();
  survey.line = builder.failureLine();
  return survey;
}

std::string AreaHint(const HexSurvey& survey, bool boot, const std::string& path) {
  if (survey.failure != protocol::HexFailure::kNone) return {};
  if (!survey.data) return path + " holds no data to write";
  if (boot && survey.end > kBootAreaSize) {
    const std::string where =
        survey.lowest >= kCodecStart
            ? "its data start at " + Hex(survey.lowest)
            : "its data reach up to " + Hex(survey.end - 1) + ", beyond the boot area's 8192 bytes";
    return "this looks like a codec file (" + where + "); use vorpex upgrade codec " + path;
  }
  if (!boot && survey.end <= kCodecStart) {
    return "this looks like a boot code file (all its data lie below " + Hex(kCodecStart) +
           ", where the codec starts); use vorpex upgrade boot " + path;
  }
  return {};
}

}  // namespace vorpex::cli
