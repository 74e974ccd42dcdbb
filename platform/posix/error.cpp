#include "platform/error.h"

#include <sys/stat.h>

#include <cerrno>

#include "platform/posix/errno_map.h"

namespace vorpex::platform {
namespace {

thread_local uint32_t lastError = 0;

struct ErrorText {
  uint32_t code;
  const char* text;
};

// The system's texts for the codes this build can produce (as Windows words them, each ending
// in a line break as FormatMessageA returns it).
constexpr ErrorText kTexts[] = {
    {0, "The operation completed successfully.\r\n"},
    {1, "Incorrect function.\r\n"},
    {2, "The system cannot find the file specified.\r\n"},
    {3, "The system cannot find the path specified.\r\n"},
    {4, "The system cannot open the file.\r\n"},
    {5, "Access is denied.\r\n"},
    {6, "The handle is invalid.\r\n"},
    {8, "Not enough memory resources are available to process this command.\r\n"},
    {13, "The data is invalid.\r\n"},
    {19, "The media is write protected.\r\n"},
    {21, "The device is not ready.\r\n"},
    {29, "The system cannot write to the specified device.\r\n"},
    {30, "The system cannot read from the specified device.\r\n"},
    {31, "A device attached to the system is not functioning.\r\n"},
    {32, "The process cannot access the file because it is being used by another process.\r\n"},
    {38, "Reached the end of the file.\r\n"},
    {50, "The request is not supported.\r\n"},
    {80, "The file exists.\r\n"},
    {82, "The directory or file cannot be created.\r\n"},
    {87, "The parameter is incorrect.\r\n"},
    {112, "There is not enough space on the disk.\r\n"},
    {121, "The semaphore timeout period has expired.\r\n"},
    {123, "The filename, directory name, or volume label syntax is incorrect.\r\n"},
    {145, "The directory is not empty.\r\n"},
    {183, "Cannot create a file when that file already exists.\r\n"},
    {206, "The filename or extension is too long.\r\n"},
    {222, "The file type being saved or retrieved has been blocked.\r\n"},
    {267, "The directory name is invalid.\r\n"},
    {995, "The I/O operation has been aborted because of either a thread exit or an application "
          "request.\r\n"},
    {1117, "The request could not be performed because of an I/O device error.\r\n"},
    {1167, "The device is not connected.\r\n"},
    {1460, "This operation returned because the timeout period expired.\r\n"},
    {1903, "The specified form size is invalid.\r\n"},
};

}  // namespace

uint32_t LastError() { return lastError; }
void SetLastError(uint32_t code) { lastError = code; }

std::optional<std::string> SystemErrorText(uint32_t code) {
  for (const auto& entry : kTexts) {
    if (entry.code == code) return std::string(entry.text);
  }
  return std::nullopt;
}

namespace posix {

uint32_t WindowsCodeForErrno(int errnum) {
  switch (errnum) {
    case 0: return 0;
    case ENOENT: return kErrorFileNotFound;
    case ENOTDIR: return kErrorPathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR: return kErrorAccessDenied;
    case EBADF: return kErrorInvalidHandle;
    case ENOMEM: return kErrorNotEnoughMemory;
    case EROFS: return 19;
    case EIO: return 1117;
    case EBUSY:
    case ETXTBSY: return 32;
    case EEXIST: return kErrorFileExists;
    case EINVAL: return kErrorInvalidParameter;
    case ENOSPC:
    case EFBIG:
    case EDQUOT: return kErrorDiskFull;
    case ENAMETOOLONG: return 206;
    case ENOTEMPTY: return 145;
    case ETIMEDOUT: return 1460;
    case ENODEV:
    case ENXIO: return 1167;
    case EMFILE:
    case ENFILE: return 4;
    case ENOSYS:
    case ENOTSUP: return 50;
    default: return 31;  // a device attached to the system is not functioning
  }
}

void RecordErrno() { lastError = WindowsCodeForErrno(errno); }

void RecordPathErrno(const std::string& path) {
  int saved = errno;
  lastError = WindowsCodeForErrno(saved);
  if (saved == ENOENT) {
    auto slash = path.find_last_of('/');
    std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) lastError = kErrorPathNotFound;
  }
  errno = saved;
}

}  // namespace posix
}  // namespace vorpex::platform
