// A PC file stored under a name of the caller's choosing. Both libraries store a file under its
// path's short name, so the file gets the chosen name in a folder of its own first; only that
// last part of the path makes the short name, never the folder's.
#include <optional>

#include "VORPEXUSB.h"
#include "platform/error.h"
#include "platform/file.h"
#include "platform/file_copy.h"
#include "platform/folder.h"
#include "platform/process.h"
#include "platform/short_name.h"
#include "platform/temp.h"
#include "tools/vorpex/files_route.h"

namespace vorpex::cli {
namespace {

// Records the system's last error as the reason a copy failed.
bool SystemFailure() {
  const uint32_t code = platform::LastError();
  VORPEX_SetError(VORPEX_ERR_WINDOWS);
  VORPEX_SetWindowsError(code);
  return false;
}

// `to` becomes another name of `from`, or a copy of it where no link can be made.
bool LinkOrCopy(const std::string& from, const std::string& to) {
  if (platform::LinkFile(from, to)) return true;
  auto target = platform::File::Open(to, platform::Access::kWrite, platform::Share::kNone,
                                     platform::Disposition::kCreateNew);
  if (!target) return false;
  if (platform::CopyContents(from, *target)) return true;
  const uint32_t code = platform::LastError();
  target->Close();
  platform::RemoveFile(to);
  platform::SetLastError(code);
  return false;
}

}  // namespace

bool FileRoute::PutAs(int32_t memory, const std::string& path, const std::string& storedName) {
  const std::string fileName = ListedName(storedName);
  const auto own = platform::ShortNameOfPath(path);
  if (own && ListedName(*own) == fileName) return Put(memory, path);
  if (fileName.empty() || fileName.find_first_of("/\\") != std::string::npos) {
    VORPEX_SetError(VORPEX_ERR_INVALID_FILENAME);
    return false;
  }
  const auto folder = platform::CreateUniqueTempFolder("vorpex-");
  if (!folder) return SystemFailure();
  const std::string staged = *folder + platform::PathSeparator() + fileName;
  bool stored = false;
  if (!LinkOrCopy(path, staged)) {
    SystemFailure();
  } else {
    stored = Put(memory, staged);
    platform::RemoveFile(staged);
  }
  platform::RemoveEmptyFolder(*folder);
  return stored;
}

}  // namespace vorpex::cli
