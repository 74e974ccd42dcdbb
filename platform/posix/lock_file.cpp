#include "platform/lock_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <array>
#include <cerrno>

#include "platform/posix/errno_map.h"

namespace vorpex::platform {
namespace {

std::string ReadAll(int descriptor) {
  std::string text;
  std::array<char, 512> buffer{};
  for (off_t offset = 0;;) {
    const ssize_t got = ::pread(descriptor, buffer.data(), buffer.size(), offset);
    if (got <= 0) break;
    text.append(buffer.data(), static_cast<size_t>(got));
    offset += got;
  }
  return text;
}

}  // namespace

FileLock::FileLock(FileLock&& other) noexcept
    : path_(std::move(other.path_)), descriptor_(other.descriptor_) {
  other.descriptor_ = -1;
}

FileLock::~FileLock() {
  if (descriptor_ < 0) return;
  ::unlink(path_.c_str());
  ::close(descriptor_);
}

std::optional<FileLock> FileLock::Take(const std::string& path, const std::string& text,
                                       std::string& holder) {
  holder.clear();
  const int descriptor = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (descriptor < 0) {
    posix::RecordPathErrno(path);
    return std::nullopt;
  }
  if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EWOULDBLOCK) holder = ReadAll(descriptor);
    posix::RecordErrno();
    ::close(descriptor);
    return std::nullopt;
  }
  FileLock lock(path, descriptor);
  if (::ftruncate(descriptor, 0) != 0 ||
      ::pwrite(descriptor, text.data(), text.size(), 0) != static_cast<ssize_t>(text.size())) {
    posix::RecordErrno();
    return std::nullopt;
  }
  return lock;
}

std::optional<std::string> HeldLockText(const std::string& path) {
  const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (descriptor < 0) return std::nullopt;
  std::optional<std::string> text;
  if (::flock(descriptor, LOCK_SH | LOCK_NB) != 0) {
    if (errno == EWOULDBLOCK) text = ReadAll(descriptor);
  }
  ::close(descriptor);
  return text;
}

}  // namespace vorpex::platform
