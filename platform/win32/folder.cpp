#include "platform/folder.h"

#include <windows.h>

namespace vorpex::platform {

bool FolderExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool MakeFolder(const std::string& path) {
  return CreateDirectoryA(path.c_str(), nullptr) != 0 || FolderExists(path);
}

bool RemoveEmptyFolder(const std::string& path) {
  return RemoveDirectoryA(path.c_str()) != 0;
}

bool RenameOver(const std::string& from, const std::string& to) {
  return MoveFileExA(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

std::string FolderOf(const std::string& path) {
  const size_t end = path.find_last_of("\\/:");
  if (end == std::string::npos) return ".";
  // Keep the separator of a root ("C:\\", "\\") and the colon of a drive ("C:").
  if (end == 0 || path[end] == ':' || (end == 2 && path[1] == ':')) return path.substr(0, end + 1);
  return path.substr(0, end);
}

}  // namespace vorpex::platform

namespace vorpex::platform {

std::optional<std::string> AbsolutePath(const std::string& path) {
  char full[MAX_PATH];
  const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
  if (length == 0 || length >= MAX_PATH) return std::nullopt;
  return std::string(full, length);
}

}  // namespace vorpex::platform
