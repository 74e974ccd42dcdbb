// Files as the libraries open them: access, sharing and disposition as CreateFileA takes them.
// Every failure leaves its reason in LastError().
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace vorpex::platform {

enum class Access { kRead, kWrite, kReadWrite };
enum class Share { kNone, kRead, kReadWrite };
enum class Disposition {
  kOpenExisting,      // fails when the file is missing
  kCreateAlways,      // creates or truncates
  kCreateNew,         // fails when the file exists
  kOpenAlways,        // opens or creates
  kTruncateExisting,  // fails when the file is missing
};

class File {
 public:
  File() = default;
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File();

  static std::optional<File> Open(const std::string& path, Access access, Share share,
                                  Disposition disposition);

  // Whether a handle a caller passes can be an open file: 0 and -1 are the failure values of
  // the functions that hand files out, on Windows (null, INVALID_HANDLE_VALUE) as on Linux,
  // where Open never yields descriptor 0.
  static constexpr bool IsHandle(intptr_t handle) { return handle != 0 && handle != -1; }
  // A file the caller opened by other means (a HANDLE on Windows, a descriptor on Linux); the
  // File owns it until Release hands it back.
  static File FromNative(intptr_t handle) { return File(handle); }
  intptr_t Release() {
    intptr_t handle = handle_;
    handle_ = File().handle_;
    return handle;
  }

  bool IsOpen() const;
  // Bytes read (0 at the end of the file), or nullopt on failure.
  std::optional<size_t> Read(std::span<uint8_t> buffer);
  // True when every byte was written.
  bool Write(std::span<const uint8_t> data);
  bool Seek(uint64_t offset);
  std::optional<uint64_t> Size();
  void Close();
  // True when `path` names this open file, by whatever name or link; false when it names
  // another file or none.
  bool SameFileAs(const std::string& path) const;

 private:
  explicit File(intptr_t handle) : handle_(handle) {}
  intptr_t handle_ = -1;
};

bool RemoveFile(const std::string& path);
// Gives the file `existing` the further name `link` (a hard link; `link` must not exist); false
// with the system's error, for instance across file systems.
bool LinkFile(const std::string& existing, const std::string& link);
bool FileExists(const std::string& path);

// What a path names, symbolic links followed: kOther is a device, a pipe, a socket.
enum class FileKind { kMissing, kRegular, kFolder, kOther };
FileKind KindOf(const std::string& path);

// Opens `path` for reading only when it is itself a regular file: no symbolic link is followed
// (on Windows no reparse point), and a device, a pipe or a folder is refused without waiting on
// it (a pipe without a writer never blocks). `kind` says what `path` is: kRegular when opened,
// kOther for a link, device or pipe, kFolder, or kMissing when it cannot be opened at all
// (LastError says why).
std::optional<File> OpenRegularFile(const std::string& path, FileKind& kind);

// The path that symbolic links starting at `path` lead to (the last one's target need not
// exist); `path` itself when it is no link, and on Windows, whose copies replace a link itself.
std::string LinkTarget(const std::string& path);

// Gives the file `to` the permissions of the file `from` (its mode on Linux, its attributes on
// Windows); false with the system's error.
bool CopyPermissions(const std::string& from, const std::string& to);

// The program's standard output as a file of its own (closing it leaves standard output open);
// nullopt with the system's error.
std::optional<File> OpenStandardOutput();

}  // namespace vorpex::platform
