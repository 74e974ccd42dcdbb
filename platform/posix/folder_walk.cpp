#include "platform/folder_walk.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

#include "platform/posix/errno_map.h"

namespace vorpex::platform {
namespace {

bool Walk(const std::string& folder, std::vector<WalkedFile>& files) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) {
    posix::RecordPathErrno(folder);
    return false;
  }
  std::vector<std::string> names;
  // cppcheck-suppress readdirCalled ; readdir_r is deprecated, and this stream is the walk's own
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  const std::string head = folder.empty() || folder.back() == '/' ? folder : folder + "/";
  std::vector<std::string> folders;
  for (const std::string& name : names) {
    const std::string path = head + name;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
      posix::RecordPathErrno(path);
      return false;
    }
    if (S_ISDIR(st.st_mode)) {
      folders.push_back(path);
    } else if (S_ISREG(st.st_mode)) {
      files.push_back({path, FileKind::kRegular, static_cast<uint64_t>(st.st_size)});
    } else {
      files.push_back({path, FileKind::kOther, 0});
    }
  }
  return std::all_of(folders.begin(), folders.end(),
                     [&](const std::string& path) { return Walk(path, files); });
}

}  // namespace

std::optional<std::vector<WalkedFile>> FilesUnder(const std::string& folder) {
  std::vector<WalkedFile> files;
  if (!Walk(folder, files)) return std::nullopt;
  return files;
}

}  // namespace vorpex::platform
