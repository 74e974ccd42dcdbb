#include "devicelib/catalogue.h"

#include "devicelib/storage.h"
#include "platform/ui.h"
#include "vorpex_shared.h"

namespace vorpex::device {
namespace {

constexpr size_t kNameAt = 0;
constexpr size_t kNameLength = 8;
constexpr size_t kExtensionAt = 9;
constexpr size_t kExtensionLength = 3;
constexpr size_t kSizeAt = 24;

// Record `index` of the area's cache; null when the pair names no slot.
const uint8_t* Entry(int32_t area, int32_t index) {
  if (!IsArea(area) || !IsEntryIndex(index)) return nullptr;
  return Cache(area).catalogue.data() + static_cast<size_t>(index) * protocol::kDirEntrySize;
}

// Copies the text at `from` up to its first zero byte, at most `limit` bytes, no terminator.
void CopyText(const uint8_t* from, size_t limit, char* to) {
  for (size_t i = 0; i < limit && from[i] != 0; ++i) to[i] = static_cast<char>(from[i]);
}

}  // namespace

uint32_t CountFiles(int32_t device, int32_t area, size_t word,
                    std::optional<ReplaceAfterCount> replace) {
  // The caller's device value becomes the session value, zero included.
  int32_t& sessionValue = GetState().session.sessionValue;
  sessionValue = device;
  if (!IsArea(area)) return 0;
  RefreshArea(area);
  if (sessionValue == 0) return 0;
  const uint32_t result = Cache(area).memoryInfo[word];
  if (replace) Replace(area, replace->index, replace->second);
  return result;
}

int32_t ListFileName(int32_t area, int32_t index, char* name) {
  const uint8_t* entry = Entry(area, index);
  if (entry == nullptr || name == nullptr) return 0;
  CopyText(entry + kNameAt, kNameLength, name);
  return 0;
}

const char* ListFileNameExt(int32_t area, int32_t index, char* ext) {
  const uint8_t* entry = Entry(area, index);
  if (entry == nullptr) return nullptr;
  // Byte 12 of a cached record is never written, so the extension text ends there.
  const char* text = reinterpret_cast<const char*>(entry + kExtensionAt);
  VorpexShared_MessageBox(text, nullptr, platform::kMbOk);
  if (ext != nullptr) CopyText(entry + kExtensionAt, kExtensionLength, ext);
  return text;
}

uint32_t ListFileSize(int32_t area, int32_t index) {
  const uint8_t* entry = Entry(area, index);
  if (entry == nullptr) return 0;
  const uint8_t* size = entry + kSizeAt;
  return static_cast<uint32_t>(size[0]) | static_cast<uint32_t>(size[1]) << 8 |
         static_cast<uint32_t>(size[2]) << 16 | static_cast<uint32_t>(size[3]) << 24;
}

}  // namespace vorpex::device
