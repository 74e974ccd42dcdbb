#include "platform/file_copy.h"

#include "platform/error.h"
#include "platform/folder.h"
#include "platform/temp.h"

namespace vorpex::platform {
namespace {

constexpr char kReceivePrefix[] = "vpx";

}  // namespace

std::optional<size_t> ReadFull(File& file, std::span<uint8_t> out) {
  size_t done = 0;
  while (done < out.size()) {
    const auto got = file.Read(out.subspan(done));
    if (!got) return std::nullopt;
    if (*got == 0) break;
    done += *got;
  }
  return done;
}

bool ReceivingFile::Create() {
  if (!Reserve()) return false;
  auto file = File::Open(path_, Access::kWrite, Share::kNone, Disposition::kCreateAlways);
  if (!file) return false;
  file_ = std::move(*file);
  return true;
}

bool ReceivingFile::Reserve() {
  Discard();
  if (destination_.empty()) {
    SetLastError(kErrorPathNotFound);
    return false;
  }
  SetLastError(0);
  if (!File::Open(destination_, Access::kWrite, Share::kNone, Disposition::kOpenExisting)) {
    if (LastError() != kErrorFileNotFound) return false;
  }
  auto path = CreateUniqueTempFile(FolderOf(destination_), kReceivePrefix);
  if (!path) return false;
  path_ = *path;
  return true;
}

bool ReceivingFile::Commit() {
  file_.Close();
  if (!RenameOver(path_, destination_)) return false;
  path_.clear();
  return true;
}

void ReceivingFile::Discard() {
  file_.Close();
  if (!path_.empty()) RemoveFile(path_);
  path_.clear();
}

}  // namespace vorpex::platform
