// The PC side of a file copy: reading a chunk in full, and a file that receives data beside its
// destination and takes the destination's place only when complete.
#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/file.h"

namespace vorpex::platform {

// Reads until `out` is full or the file ends: the bytes read, or nullopt on failure.
std::optional<size_t> ReadFull(File& file, std::span<uint8_t> out);

// Copies the whole file at `from` to the end of `to`; false with the system's error.
bool CopyContents(const std::string& from, File& to);

// A new file beside the destination that takes the data; it replaces the destination only when
// it is complete, and is removed otherwise. Only the contents change: a destination that is a
// symbolic link keeps it, and its target is replaced (the new file made beside the target); the
// replaced file's permissions (attributes on Windows) stay. A file with further hard links
// becomes a new file under this name only; its other names keep the old contents. A
// destination that is neither a file nor a folder (a device, a pipe) is never replaced: the data
// gathers in the temporary folder and is written into it in place when complete, as cp does.
class ReceivingFile {
 public:
  explicit ReceivingFile(std::string destination) : destination_(std::move(destination)) {}
  ~ReceivingFile() { Discard(); }
  ReceivingFile(const ReceivingFile&) = delete;
  ReceivingFile& operator=(const ReceivingFile&) = delete;

  // False, with the system's error, when the destination cannot be written: an existing one
  // that cannot be opened for writing, a folder, or a folder that takes no new file.
  bool Create();
  // The same checks, and the new file made but not held open: for a writer that opens Path()
  // itself and closes it before Commit or Discard.
  bool Reserve();
  const std::string& Path() const { return path_; }
  bool Write(std::span<const uint8_t> data) { return file_.Write(data); }
  // Puts the complete file in the destination's place; false with the system's error.
  bool Commit();
  void Discard();

 private:
  std::string destination_;
  std::string target_;    // the destination with its links followed
  bool inPlace_ = false;  // the target is no file: written into, never replaced
  std::string path_;
  File file_;
};

}  // namespace vorpex::platform
