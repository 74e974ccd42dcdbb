#include "tools/vorpex/mp3_file.h"

#include <array>
#include <vector>

#include "platform/file.h"
#include "protocol/mp3_frame.h"
#include "tools/vorpex/commands.h"

namespace vorpex::cli {
namespace {

static_assert(protocol::kStreamWindowBytes >=
              protocol::kStreamSearchBytes +
                  (protocol::kConfirmingFrames + 1) * protocol::kMp3LongestFrame);

// Audio kept whole in memory at most; a longer stream is refused rather than half described.
constexpr uint64_t kLongestAudio = uint64_t{1} << 30;
// ID3v2 tags one after the other that are skipped at most.
constexpr int kMostLeadingTags = 16;

// Fills `buffer` from `offset`: the bytes read, or nullopt on a read error.
std::optional<size_t> ReadAt(platform::File& file, uint64_t offset, std::span<uint8_t> buffer) {
  if (!file.Seek(offset)) return std::nullopt;
  size_t filled = 0;
  while (filled < buffer.size()) {
    auto got = file.Read(buffer.subspan(filled));
    if (!got) return std::nullopt;
    if (*got == 0) break;
    filled += *got;
  }
  return filled;
}

// Where the audio lies between the tags: [begin, end) of the file.
struct AudioSpan {
  uint64_t begin = 0;
  uint64_t end = 0;
};

std::optional<AudioSpan> LocateAudio(platform::File& file, uint64_t size) {
  AudioSpan span{0, size};
  std::array<uint8_t, protocol::kId3v2HeaderBytes> header{};
  for (int k = 0; k < kMostLeadingTags; ++k) {
    auto got = ReadAt(file, span.begin, header);
    if (!got) return std::nullopt;
    auto tag = protocol::Id3v2TagBytes(std::span(header).first(*got));
    if (!tag || *tag > size - span.begin) break;
    span.begin += *tag;
  }
  std::array<uint8_t, protocol::kTrailingTagWindow> tail{};
  const size_t tailBytes = static_cast<size_t>(std::min<uint64_t>(size, tail.size()));
  auto got = ReadAt(file, size - tailBytes, std::span(tail).first(tailBytes));
  if (!got) return std::nullopt;
  const uint64_t trailing = protocol::TrailingTagBytes(std::span(tail).first(*got), size);
  span.end = std::max(span.begin, size - trailing);
  return span;
}

struct Opened {
  std::optional<platform::File> file;
  std::optional<std::string> unreadable;
  uint64_t size = 0;
};

Opened OpenMusicFile(const std::string& path) {
  Opened opened;
  if (platform::KindOf(path) == platform::FileKind::kRegular) {
    opened.file = platform::File::Open(path, platform::Access::kRead, platform::Share::kReadWrite,
                                       platform::Disposition::kOpenExisting);
  }
  std::optional<uint64_t> size = opened.file ? opened.file->Size() : std::nullopt;
  if (!size) {
    opened.file.reset();
    opened.unreadable = UnreadableFile(path).value_or("read error");
    return opened;
  }
  opened.size = *size;
  return opened;
}

// The window after the leading tags, and whether it holds the stream's first frames.
struct Window {
  std::vector<uint8_t> bytes;
  bool audioEnds = false;
  std::optional<protocol::StreamStart> start;
};

std::optional<Window> ReadWindow(platform::File& file, const AudioSpan& span) {
  Window window;
  const uint64_t audio = span.end - span.begin;
  window.audioEnds = audio <= protocol::kStreamWindowBytes;
  window.bytes.resize(static_cast<size_t>(std::min<uint64_t>(audio, protocol::kStreamWindowBytes)));
  auto got = ReadAt(file, span.begin, window.bytes);
  if (!got) return std::nullopt;
  window.bytes.resize(*got);
  window.start = protocol::FindStream(window.bytes, window.audioEnds);
  return window;
}

}  // namespace

MusicFile ReadMusicFile(const std::string& path) {
  MusicFile music;
  Opened opened = OpenMusicFile(path);
  music.size = opened.size;
  if (!opened.file) {
    music.unreadable = opened.unreadable;
    return music;
  }
  auto span = LocateAudio(*opened.file, opened.size);
  auto window = span ? ReadWindow(*opened.file, *span) : std::nullopt;
  if (!window) {
    music.unreadable = "read error";
    return music;
  }
  if (!window->start) return music;
  if (window->audioEnds) {
    music.audio = protocol::DescribeStream(window->bytes);
    return music;
  }
  const uint64_t length = span->end - span->begin;
  if (length > kLongestAudio) {
    music.unreadable = "its audio is longer than 1 GiB, more than is described here";
    return music;
  }
  std::vector<uint8_t> audio(static_cast<size_t>(length));
  auto got = ReadAt(*opened.file, span->begin, audio);
  if (!got) {
    music.unreadable = "read error";
    return music;
  }
  audio.resize(*got);
  music.audio = protocol::DescribeStream(audio);
  return music;
}

bool IsPlayableMpegAudio(const std::string& path) {
  Opened opened = OpenMusicFile(path);
  if (!opened.file) return false;
  auto span = LocateAudio(*opened.file, opened.size);
  auto window = span ? ReadWindow(*opened.file, *span) : std::nullopt;
  return window && window->start &&
         (window->start->header.layer == 2 || window->start->header.layer == 3);
}

}  // namespace vorpex::cli
