// Folders and atomic file replacement, for data kept between runs.
#pragma once
#include <optional>
#include <string>

namespace vorpex::platform {

bool FolderExists(const std::string& path);
// Creates one folder (its parent must exist); true when it exists afterwards.
bool MakeFolder(const std::string& path);
// Removes a folder that is empty; false with the system's error.
bool RemoveEmptyFolder(const std::string& path);
// Moves `from` over `to` in one step, replacing `to` when it exists. LastError on failure.
bool RenameOver(const std::string& from, const std::string& to);
// The folder that holds `path` ("." for a bare name), by this system's path separators.
std::string FolderOf(const std::string& path);

}  // namespace vorpex::platform

namespace vorpex::platform {

// `path` as a full path from the root, for a program that changes its working folder later;
// nullopt with the system's error.
std::optional<std::string> AbsolutePath(const std::string& path);

}  // namespace vorpex::platform
