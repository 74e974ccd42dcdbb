#include "platform/folder_walk.h"

#include <windows.h>

#include <algorithm>

namespace vorpex::platform {
namespace {

struct Found {
  std::string name;
  DWORD attributes = 0;
  uint64_t size = 0;
};

bool Walk(const std::string& folder, std::vector<WalkedFile>& files) {
  const std::string head =
      folder.empty() || folder.back() == '\\' || folder.back() == '/' ? folder : folder + "\\";
  WIN32_FIND_DATAA data{};
  HANDLE search = ::FindFirstFileA((head + "*").c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return false;
  std::vector<Found> found;
  do {
    const std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    found.push_back({name, data.dwFileAttributes,
                     (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow});
  } while (::FindNextFileA(search, &data) != 0);
  const DWORD error = ::GetLastError();
  ::FindClose(search);
  if (error != ERROR_NO_MORE_FILES) {
    ::SetLastError(error);
    return false;
  }
  std::sort(found.begin(), found.end(),
            [](const Found& a, const Found& b) { return a.name < b.name; });
  std::vector<std::string> folders;
  for (const Found& entry : found) {
    const std::string path = head + entry.name;
    if ((entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
      files.push_back({path, FileKind::kOther, 0});
    } else if ((entry.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      folders.push_back(path);
    } else {
      files.push_back({path, FileKind::kRegular, entry.size});
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
