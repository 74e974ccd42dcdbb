#include "platform/file_copy.h"

#include <vector>

#include "platform/error.h"
#include "platform/folder.h"
#include "platform/temp.h"

namespace vorpex::platform {
namespace {

constexpr char kReceivePrefix[] = "vpx";
constexpr size_t kCopyBlock = 65536;

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

bool CopyContents(const std::string& from, File& to) {
  auto source = File::Open(from, Access::kRead, Share::kRead, Disposition::kOpenExisting);
  if (!source) return false;
  std::vector<uint8_t> block(kCopyBlock);
  for (;;) {
    const auto got = ReadFull(*source, block);
    if (!got) return false;
    if (*got == 0) return true;
    if (!to.Write(std::span(block).first(*got))) return false;
  }
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
  target_ = LinkTarget(destination_);
  const FileKind kind = KindOf(target_);
  inPlace_ = kind == FileKind::kOther;
  SetLastError(0);
  if (kind == FileKind::kFolder) {
    SetLastError(kErrorAccessDenied);
    return false;
  }
  // A device or a pipe is opened only once the data is complete (a pipe waits for its reader).
  if (!inPlace_ && !File::Open(target_, Access::kWrite, Share::kNone, Disposition::kOpenExisting)) {
    if (LastError() != kErrorFileNotFound) return false;
  }
  std::optional<std::string> folder = inPlace_ ? TempFolder() : FolderOf(target_);
  if (!folder) return false;
  auto path = CreateUniqueTempFile(*folder, kReceivePrefix);
  if (!path) return false;
  path_ = *path;
  return true;
}

bool ReceivingFile::Commit() {
  file_.Close();
  if (inPlace_) {
    auto target =
        File::Open(target_, Access::kWrite, Share::kReadWrite, Disposition::kOpenExisting);
    if (!target || !CopyContents(path_, *target)) return false;
    Discard();
    return true;
  }
  if (KindOf(target_) == FileKind::kRegular && !CopyPermissions(target_, path_)) return false;
  if (!RenameOver(path_, target_)) return false;
  path_.clear();
  return true;
}

void ReceivingFile::Discard() {
  file_.Close();
  if (!path_.empty()) RemoveFile(path_);
  path_.clear();
}

}  // namespace vorpex::platform
