#include <array>

#include "platform/error.h"
#include "platform/file.h"
#include "tools/vorpex/commands.h"

namespace vorpex::cli {

std::optional<std::string> UnreadableFile(const std::string& path) {
  // Told before the file is opened: the system would say only that access to a folder is
  // denied, opening a pipe waits for a writer, and a device may never end (/dev/zero).
  switch (platform::KindOf(path)) {
    case platform::FileKind::kFolder:
      return std::string("is a folder");
    case platform::FileKind::kOther:
      return std::string("is not a regular file");
    case platform::FileKind::kMissing:
    case platform::FileKind::kRegular:
      break;
  }
  auto file = platform::File::Open(path, platform::Access::kRead, platform::Share::kReadWrite,
                                   platform::Disposition::kOpenExisting);
  // A folder opens on some systems but does not read.
  std::array<uint8_t, 1> first{};
  if (file && file->Read(first)) return std::nullopt;
  const uint32_t code = platform::LastError();
  std::string text =
      platform::SystemErrorText(code).value_or("Windows error " + std::to_string(code));
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

}  // namespace vorpex::cli
