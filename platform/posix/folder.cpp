#include "platform/folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/posix/errno_map.h"

namespace vorpex::platform {

bool FolderExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeFolder(const std::string& path) {
  if (::mkdir(path.c_str(), 0777) == 0 || (errno == EEXIST && FolderExists(path))) return true;
  posix::RecordPathErrno(path);
  return false;
}

bool RemoveEmptyFolder(const std::string& path) {
  if (::rmdir(path.c_str()) == 0) return true;
  posix::RecordErrno();
  return false;
}

bool RenameOver(const std::string& from, const std::string& to) {
  if (std::rename(from.c_str(), to.c_str()) == 0) return true;
  posix::RecordErrno();
  return false;
}

std::string FolderOf(const std::string& path) {
  const size_t end = path.find_last_of('/');
  if (end == std::string::npos) return ".";
  return end == 0 ? "/" : path.substr(0, end);
}

}  // namespace vorpex::platform

namespace vorpex::platform {

std::optional<std::string> AbsolutePath(const std::string& path) {
  char* full = ::realpath(path.c_str(), nullptr);
  if (full == nullptr) {
    posix::RecordPathErrno(path);
    return std::nullopt;
  }
  std::string text(full);
  std::free(full);  // NOLINT(cppcoreguidelines-no-malloc): realpath allocates with malloc
  return text;
}

}  // namespace vorpex::platform
