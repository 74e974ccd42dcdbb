// Folders, the entries that are neither folders nor files, and atomic file replacement.
#pragma once
#include <string>

namespace vorpex::platform {

bool FolderExists(const std::string& path);
// Whether `path` names neither a folder nor a regular file but a device, a pipe or a socket:
// reading one may never end (/dev/zero), and opening one may wait for a writer (a pipe).
bool IsSpecialFile(const std::string& path);
// Creates one folder (its parent must exist); true when it exists afterwards.
bool MakeFolder(const std::string& path);
// Moves `from` over `to` in one step, replacing `to` when it exists. LastError on failure.
bool RenameOver(const std::string& from, const std::string& to);
// The folder that holds `path` ("." for a bare name), by this system's path separators.
std::string FolderOf(const std::string& path);

}  // namespace vorpex::platform
