#include <windows.h>

#include "platform/file.h"

namespace vorpex::platform {
namespace {

HANDLE AsHandle(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }
constexpr intptr_t kNoHandle = -1;  // INVALID_HANDLE_VALUE

}  // namespace

File::File(File&& other) noexcept : handle_(other.handle_) { other.handle_ = kNoHandle; }

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = other.handle_;
    other.handle_ = kNoHandle;
  }
  return *this;
}

File::~File() { Close(); }

std::optional<File> File::Open(const std::string& path, Access access, Share share,
                               Disposition disposition) {
  DWORD desired = access == Access::kRead    ? GENERIC_READ
                  : access == Access::kWrite ? GENERIC_WRITE
                                             : GENERIC_READ | GENERIC_WRITE;
  DWORD sharing = share == Share::kNone   ? 0
                  : share == Share::kRead ? FILE_SHARE_READ
                                          : FILE_SHARE_READ | FILE_SHARE_WRITE;
  DWORD how = OPEN_EXISTING;
  switch (disposition) {
    case Disposition::kOpenExisting: how = OPEN_EXISTING; break;
    case Disposition::kCreateAlways: how = CREATE_ALWAYS; break;
    case Disposition::kCreateNew: how = CREATE_NEW; break;
    case Disposition::kOpenAlways: how = OPEN_ALWAYS; break;
    case Disposition::kTruncateExisting: how = TRUNCATE_EXISTING; break;
  }
  HANDLE h = ::CreateFileA(path.c_str(), desired, sharing, nullptr, how, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  return File(reinterpret_cast<intptr_t>(h));
}

bool File::IsOpen() const { return handle_ != kNoHandle; }

bool File::SameFileAs(const std::string& path) const {
  if (handle_ == kNoHandle) return false;
  // Opened for no access at all, so that neither sharing mode nor a lock stands in the way.
  HANDLE other =
      ::CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (other == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION a{};
  BY_HANDLE_FILE_INFORMATION b{};
  bool same = ::GetFileInformationByHandle(AsHandle(handle_), &a) &&
              ::GetFileInformationByHandle(other, &b) &&
              a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
              a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
  ::CloseHandle(other);
  return same;
}

std::optional<size_t> File::Read(std::span<uint8_t> buffer) {
  size_t done = 0;
  while (done < buffer.size()) {
    DWORD got = 0;
    DWORD want = static_cast<DWORD>(buffer.size() - done);
    if (!::ReadFile(AsHandle(handle_), buffer.data() + done, want, &got, nullptr)) {
      return std::nullopt;
    }
    if (got == 0) break;
    done += got;
  }
  return done;
}

bool File::Write(std::span<const uint8_t> data) {
  size_t done = 0;
  while (done < data.size()) {
    DWORD put = 0;
    DWORD want = static_cast<DWORD>(data.size() - done);
    if (!::WriteFile(AsHandle(handle_), data.data() + done, want, &put, nullptr)) return false;
    if (put == 0) {
      ::SetLastError(ERROR_WRITE_FAULT);
      return false;
    }
    done += put;
  }
  return true;
}

bool File::Seek(uint64_t offset) {
  LARGE_INTEGER to;
  to.QuadPart = static_cast<LONGLONG>(offset);
  return ::SetFilePointerEx(AsHandle(handle_), to, nullptr, FILE_BEGIN) != 0;
}

std::optional<uint64_t> File::Size() {
  DWORD high = 0;
  DWORD low = ::GetFileSize(AsHandle(handle_), &high);
  if (low == INVALID_FILE_SIZE && ::GetLastError() != NO_ERROR) return std::nullopt;
  return (static_cast<uint64_t>(high) << 32) | low;
}

void File::Close() {
  if (handle_ != kNoHandle) {
    ::CloseHandle(AsHandle(handle_));
    handle_ = kNoHandle;
  }
}

bool RemoveFile(const std::string& path) { return ::DeleteFileA(path.c_str()) != 0; }

bool LinkFile(const std::string& existing, const std::string& link) {
  return ::CreateHardLinkA(link.c_str(), existing.c_str(), nullptr) != 0;
}

bool FileExists(const std::string& path) {
  DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

FileKind KindOf(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return FileKind::kFolder;
  }
  // Devices (NUL, CON, COM1) and pipes open like files: what the handle is tells them apart.
  HANDLE h = ::CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FileKind::kMissing
                                                                          : FileKind::kRegular;
  }
  const DWORD type = ::GetFileType(h);
  ::CloseHandle(h);
  return type == FILE_TYPE_DISK ? FileKind::kRegular : FileKind::kOther;
}

std::optional<File> OpenRegularFile(const std::string& path, FileKind& kind) {
  // The reparse point itself is opened, never what it leads to; a folder does not open at all
  // without backup semantics.
  HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    kind = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0
               ? FileKind::kFolder
               : FileKind::kMissing;
    return std::nullopt;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  const bool regular =
      ::GetFileType(h) == FILE_TYPE_DISK && ::GetFileInformationByHandle(h, &info) &&
      (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) == 0;
  if (regular) {
    kind = FileKind::kRegular;
    return File::FromNative(reinterpret_cast<intptr_t>(h));
  }
  ::CloseHandle(h);
  ::SetLastError(ERROR_ACCESS_DENIED);
  kind = FileKind::kOther;
  return std::nullopt;
}

std::string LinkTarget(const std::string& path) {
  return path;
}

bool CopyPermissions(const std::string& from, const std::string& to) {
  // The attributes a user gives a file; what the file system keeps for itself stays.
  constexpr DWORD kKept = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                          FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  const DWORD attributes = ::GetFileAttributesA(from.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  const DWORD kept = attributes & kKept;
  return ::SetFileAttributesA(to.c_str(), kept == 0 ? FILE_ATTRIBUTE_NORMAL : kept) != 0;
}

std::optional<File> OpenStandardOutput() {
  HANDLE self = ::GetCurrentProcess();
  HANDLE copy = nullptr;
  if (!::DuplicateHandle(self, ::GetStdHandle(STD_OUTPUT_HANDLE), self, &copy, 0, FALSE,
                         DUPLICATE_SAME_ACCESS)) {
    return std::nullopt;
  }
  return File::FromNative(reinterpret_cast<intptr_t>(copy));
}

}  // namespace vorpex::platform
