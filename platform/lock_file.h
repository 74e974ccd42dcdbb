// A lock record: a small file that one process holds locked while it owns something (the
// player, while it is mounted) and whose text tells others who holds it. The lock ends with the
// process that held it, however it ended, so a record never stays stuck.
#pragma once
#include <optional>
#include <string>

namespace vorpex::platform {

class FileLock {
 public:
  FileLock(FileLock&& other) noexcept;
  FileLock& operator=(FileLock&&) = delete;
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  // Removes the record and ends the lock.
  ~FileLock();

  // Keeps the lock until this process has ended, with whatever it still holds when it ends;
  // the record then stays behind, unlocked, and a later Take takes it.
  void HoldUntilExit() { descriptor_ = -1; }

  // Takes the lock of `path` (created when missing) and writes `text` into it. nullopt when
  // another process holds it (its text in `holder`) or with the system's error (`holder` empty).
  static std::optional<FileLock> Take(const std::string& path, const std::string& text,
                                      std::string& holder);

 private:
  FileLock(std::string path, int descriptor) : path_(std::move(path)), descriptor_(descriptor) {}
  std::string path_;
  int descriptor_ = -1;
};

// The text of the record at `path` when a living process holds its lock; nullopt when none
// does (no record, or one that its process left behind).
std::optional<std::string> HeldLockText(const std::string& path);

}  // namespace vorpex::platform
