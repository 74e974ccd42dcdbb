// What vorpex mount shows: the folders M and S with the player's files, read once into a cache
// folder on the PC when first opened, and files written there, sent to the player when closed.
// Paths are those of the mount ("/", "/M", "/M/SONG.MP3"); every call returns 0 or a negated
// errno value, as a FUSE file system answers. After a failure that leaves the player unreachable
// (unplugged) every call fails with EIO.
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/file.h"
#include "tools/vorpex/files_route.h"

namespace vorpex::cli {

struct MountEntry {
  bool folder = false;
  uint64_t size = 0;
  uint16_t date = 0;  // MS-DOS packed, 0 for a folder
  uint16_t time = 0;
};

struct MountFigures {
  uint64_t capacityBytes = 0;
  uint64_t usedBytes = 0;
  uint32_t files = 0;
};

class MountTree {
 public:
  // `renamer` gives the route that renames when `route` cannot (nullptr when none can);
  // `cacheFolder` is an empty folder of this mount's own.
  MountTree(FileRoute& route, std::function<FileRoute*()> renamer, std::string cacheFolder);
  ~MountTree();
  MountTree(const MountTree&) = delete;
  MountTree& operator=(const MountTree&) = delete;

  // Reads both memories; false when the player does not answer.
  bool Start();
  // The memories shown: 'M', 'S' or both.
  std::string MemoryLetters() const;

  int Stat(const std::string& path, MountEntry& entry);
  int List(const std::string& path, std::vector<std::string>& names);
  int Open(const std::string& path, bool write, bool truncate, uint64_t& id);
  int Create(const std::string& path, uint64_t& id);
  // Bytes read or written, or a negated errno value.
  int Read(uint64_t id, std::span<uint8_t> buffer, uint64_t offset);
  int Write(uint64_t id, std::span<const uint8_t> data, uint64_t offset);
  // Only to its own size or to nothing: the player's files are written whole.
  int Resize(const std::string& path, uint64_t size);
  // Sends a file written through `handle` to the player.
  int Flush(uint64_t id);
  int Release(uint64_t id);
  int Remove(const std::string& path);
  int Rename(const std::string& from, const std::string& to, bool replace);
  int Figures(const std::string& path, MountFigures& figures);

 private:
  struct Place {
    int32_t memory = -1;  // -1: the root
    std::string name;     // empty: the memory's folder
  };
  struct Handle {
    int32_t memory = 0;
    std::string name;  // as shown
    std::string path;  // its copy in the cache folder
    platform::File file;
    bool writing = false;
    bool changed = false;
  };
  struct Memory {
    bool present = false;
    std::optional<MemoryListing> listing;
    std::map<std::string, std::string> aliases;  // name created -> name stored
  };

  std::optional<Place> PlaceOf(const std::string& path) const;
  // The memory's listing as the player has it now (read again after each change); nullptr
  // when it cannot be read.
  const MemoryListing* Listing(int32_t memory);
  std::string ShownName(int32_t memory, const PlayerFile& file) const;
  std::optional<PlayerFile> Find(int32_t memory, const std::string& name);
  Handle* Unsent(int32_t memory, const std::string& name);
  std::string NewCachePath();
  // The errno value of a failed call to the player: ENOSPC when its memory or directory is
  // full, else EIO; an unreachable player breaks the mount.
  int Failed(int32_t memory);
  int Send(Handle& handle);
  void Forget(int32_t memory, const std::string& storedName);

  FileRoute& route_;
  std::function<FileRoute*()> renamer_;
  std::string cacheFolder_;
  bool broken_ = false;
  Memory memories_[2];
  std::map<std::string, std::string> cached_;  // "M:STORED" -> its copy in the cache folder
  std::map<uint64_t, Handle> handles_;
  uint64_t nextHandle_ = 1;
  uint64_t nextCache_ = 0;
};

}  // namespace vorpex::cli
