#include "platform/file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

#include "platform/error.h"
#include "platform/posix/errno_map.h"

namespace vorpex::platform {

File::File(File&& other) noexcept : handle_(other.handle_) { other.handle_ = -1; }

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = other.handle_;
    other.handle_ = -1;
  }
  return *this;
}

File::~File() { Close(); }

std::optional<File> File::Open(const std::string& path, Access access, Share share,
                               Disposition disposition) {
  int flags = O_CLOEXEC;
  switch (access) {
    case Access::kRead: flags |= O_RDONLY; break;
    case Access::kWrite: flags |= O_WRONLY; break;
    case Access::kReadWrite: flags |= O_RDWR; break;
  }
  switch (disposition) {
    case Disposition::kOpenExisting: break;
    case Disposition::kCreateAlways: flags |= O_CREAT; break;
    case Disposition::kCreateNew: flags |= O_CREAT | O_EXCL; break;
    case Disposition::kOpenAlways: flags |= O_CREAT; break;
    case Disposition::kTruncateExisting: break;
  }
  int fd = ::open(path.c_str(), flags, 0644);
  if (fd == 0) {
    // Standard input was closed: 0 is never an open file's handle here, as callers take it
    // (with -1) for "no file".
    fd = ::fcntl(0, F_DUPFD_CLOEXEC, 1);
    const int reason = errno;
    ::close(0);
    errno = reason;
  }
  if (fd < 0) {
    posix::RecordPathErrno(path);
    return std::nullopt;
  }
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    SetLastError(kErrorAccessDenied);
    return std::nullopt;
  }
  // Sharing: an advisory lock stands in for the sharing mode between our own processes.
  if (share != Share::kReadWrite) {
    int lock = (share == Share::kNone || access != Access::kRead) ? LOCK_EX : LOCK_SH;
    if (::flock(fd, lock | LOCK_NB) != 0) {
      ::close(fd);
      SetLastError(32);  // being used by another process
      return std::nullopt;
    }
  }
  // Emptied only once the lock is held: a file another process holds stays as it was.
  const bool truncate =
      disposition == Disposition::kCreateAlways || disposition == Disposition::kTruncateExisting;
  if (truncate && ::ftruncate(fd, 0) != 0) {
    posix::RecordErrno();
    ::close(fd);
    return std::nullopt;
  }
  return File(fd);
}

bool File::IsOpen() const { return handle_ >= 0; }

bool File::SameFileAs(const std::string& path) const {
  struct stat mine {};
  struct stat other {};
  if (handle_ < 0 || ::fstat(static_cast<int>(handle_), &mine) != 0) return false;
  if (::stat(path.c_str(), &other) != 0) return false;
  return mine.st_dev == other.st_dev && mine.st_ino == other.st_ino;
}

std::optional<size_t> File::Read(std::span<uint8_t> buffer) {
  size_t done = 0;
  while (done < buffer.size()) {
    ssize_t n = ::read(static_cast<int>(handle_), buffer.data() + done, buffer.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      posix::RecordErrno();
      return std::nullopt;
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

bool File::Write(std::span<const uint8_t> data) {
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::write(static_cast<int>(handle_), data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      posix::RecordErrno();
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

bool File::Seek(uint64_t offset) {
  if (::lseek(static_cast<int>(handle_), static_cast<off_t>(offset), SEEK_SET) < 0) {
    posix::RecordErrno();
    return false;
  }
  return true;
}

std::optional<uint64_t> File::Size() {
  struct stat st {};
  if (::fstat(static_cast<int>(handle_), &st) != 0) {
    posix::RecordErrno();
    return std::nullopt;
  }
  return static_cast<uint64_t>(st.st_size);
}

void File::Close() {
  if (handle_ >= 0) {
    ::close(static_cast<int>(handle_));
    handle_ = -1;
  }
}

bool RemoveFile(const std::string& path) {
  if (::unlink(path.c_str()) != 0) {
    posix::RecordErrno();
    return false;
  }
  return true;
}

bool LinkFile(const std::string& existing, const std::string& link) {
  if (::link(existing.c_str(), link.c_str()) == 0) return true;
  posix::RecordErrno();
  return false;
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

FileKind KindOf(const std::string& path) {
  struct stat st {};
  // Any other failure is told by opening the file.
  if (::stat(path.c_str(), &st) != 0) {
    return errno == ENOENT ? FileKind::kMissing : FileKind::kRegular;
  }
  if (S_ISREG(st.st_mode)) return FileKind::kRegular;
  return S_ISDIR(st.st_mode) ? FileKind::kFolder : FileKind::kOther;
}

std::optional<File> OpenRegularFile(const std::string& path, FileKind& kind) {
  // Non-blocking, so that a pipe without a writer opens at once and is refused below.
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
  if (fd == 0) {
    // As in File::Open: 0 is never an open file's handle here.
    fd = ::fcntl(0, F_DUPFD_CLOEXEC, 1);
    ::close(0);
  }
  if (fd < 0) {
    kind = errno == ELOOP ? FileKind::kOther : FileKind::kMissing;
    posix::RecordPathErrno(path);
    return std::nullopt;
  }
  struct stat st {};
  kind = ::fstat(fd, &st) != 0 ? FileKind::kMissing
         : S_ISREG(st.st_mode) ? FileKind::kRegular
         : S_ISDIR(st.st_mode) ? FileKind::kFolder
                               : FileKind::kOther;
  if (kind == FileKind::kRegular) return File::FromNative(fd);
  ::close(fd);
  SetLastError(kErrorAccessDenied);
  return std::nullopt;
}

std::string LinkTarget(const std::string& path) {
  std::string at = path;
  // As many links as the system itself follows before it gives up.
  for (int hop = 0; hop < 40; ++hop) {
    struct stat st {};
    if (::lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return at;
    char target[PATH_MAX];
    const ssize_t n = ::readlink(at.c_str(), target, sizeof target);
    if (n <= 0 || static_cast<size_t>(n) >= sizeof target) return at;
    const std::string next(target, static_cast<size_t>(n));
    const size_t slash = at.find_last_of('/');
    // A relative target is found from the link's own folder.
    at = next[0] == '/' || slash == std::string::npos ? next : at.substr(0, slash + 1) + next;
  }
  return at;
}

bool CopyPermissions(const std::string& from, const std::string& to) {
  struct stat st {};
  if (::stat(from.c_str(), &st) != 0 || ::chmod(to.c_str(), st.st_mode & 07777) != 0) {
    posix::RecordErrno();
    return false;
  }
  return true;
}

std::optional<File> OpenStandardOutput() {
  const int fd = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 1);
  if (fd < 0) {
    posix::RecordErrno();
    return std::nullopt;
  }
  return File::FromNative(fd);
}

}  // namespace vorpex::platform
