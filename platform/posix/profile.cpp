#include "platform/profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

#include "platform/error.h"
#include "platform/file.h"
#include "platform/posix/errno_map.h"
#include "protocol/ini_text.h"

namespace vorpex::platform {
namespace {

// The whole file, "" when it does not exist, nullopt when it exists but cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return std::string{};
    return std::nullopt;
  }
  std::string text;
  char buffer[4096];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    text.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return text;
}

bool WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

std::string ReadProfileValue(const std::string& section, const std::string& key,
                             const std::string& path, size_t bufferSize) {
  std::optional<std::string> text = ReadWholeFile(path);
  if (!text) return {};
  return protocol::ProfileValue(*text, section, key, bufferSize);
}

bool WriteProfileValue(const std::string& section, const std::string& key, const std::string& value,
                       const std::string& linkOrPath) {
  // A symbolic link is written through: its target gets the new text, the link stays.
  const std::string path = LinkTarget(linkOrPath);
  struct stat st {};
  const bool exists = ::stat(path.c_str(), &st) == 0;
  // A file that nobody may write stays as it is, for root too; one this user may not write too.
  if (exists && ((st.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0)) {
    SetLastError(kErrorAccessDenied);
    return false;
  }
  std::optional<std::string> text = ReadWholeFile(path);
  if (!text) {
    posix::RecordPathErrno(path);
    return false;
  }
  // A new file gets Windows line ends, as WritePrivateProfileStringA writes it.
  std::string updated = protocol::IniAssign(*text, section, key, value);

  // The new text goes into a file beside the old one, which it then replaces in one step.
  std::string temporary = path + ".XXXXXX";
  int fd = ::mkstemp(temporary.data());
  if (fd < 0) {
    posix::RecordPathErrno(path);
    return false;
  }
  mode_t mode = exists ? (st.st_mode & 07777) : 0644;
  bool written = ::fchmod(fd, mode) == 0 && WriteAll(fd, updated) && ::fsync(fd) == 0;
  if (!written) posix::RecordErrno();
  written = (::close(fd) == 0) && written;
  if (!written || ::rename(temporary.c_str(), path.c_str()) != 0) {
    if (written) posix::RecordPathErrno(path);
    ::unlink(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace vorpex::platform
