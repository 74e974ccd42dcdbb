#include "platform/temp.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/clock.h"
#include "platform/error.h"
#include "platform/posix/errno_map.h"

namespace vorpex::platform {

std::optional<std::string> TempFolder() {
  // The order in which the system looks: TMP, then TEMP, then the system's folder.
  for (const char* name : {"TMP", "TEMP", "TMPDIR"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') {
      std::string folder(value);
      if (folder.back() != '/') folder += '/';
      return folder;
    }
  }
  return std::string("/tmp/");
}

std::optional<std::string> CreateUniqueTempFile(const std::string& folder,
                                                const std::string& prefix) {
  // As GetTempFileNameA does: up to three characters of the prefix, four hex digits that start
  // from the tick count, ".tmp"; the first name that does not exist yet is created, as any new
  // file is (it may become the file a copy was made for).
  std::string dir = folder;
  if (!dir.empty() && dir.back() != '/') dir += '/';
  std::string head = dir + prefix.substr(0, 3);
  uint32_t start = (TickCount() ^ static_cast<uint32_t>(::getpid())) & 0xFFFF;
  for (uint32_t i = 0; i < 0x10000; ++i) {
    uint32_t unique = (start + i) & 0xFFFF;
    if (unique == 0) continue;
    char digits[8];
    std::snprintf(digits, sizeof digits, "%X", unique);
    std::string path = head + digits + ".tmp";
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0) {
      ::close(fd);
      return path;
    }
    if (errno != EEXIST) {
      posix::RecordPathErrno(path);
      return std::nullopt;
    }
  }
  SetLastError(kErrorFileExists);
  return std::nullopt;
}

std::optional<std::string> CreateUniqueTempFolder(const std::string& prefix) {
  std::string pattern = TempFolder().value_or("/tmp/") + prefix + "XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) {
    posix::RecordErrno();
    return std::nullopt;
  }
  return pattern;
}

}  // namespace vorpex::platform
