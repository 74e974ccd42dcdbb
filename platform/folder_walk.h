// The files under a folder and its subfolders, as a copy of a whole folder walks them.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/file.h"

namespace vorpex::platform {

struct WalkedFile {
  std::string path;                    // the folder's path, a separator, the path below it
  FileKind kind = FileKind::kRegular;  // kRegular, or kOther for a link, device or pipe
  uint64_t size = 0;                   // of a regular file
};

// Every file under `folder`, subfolders walked in name order, each folder's files before its
// subfolders. A symbolic link (a reparse point on Windows) is listed as kOther and never
// followed, so no loop is walked. Nullopt with the system's error when a folder cannot be read.
std::optional<std::vector<WalkedFile>> FilesUnder(const std::string& folder);

}  // namespace vorpex::platform
