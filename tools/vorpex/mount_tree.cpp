#include "tools/vorpex/mount_tree.h"

#include <cerrno>

#include "VORPEXUSB.h"
#include "platform/folder.h"
#include "platform/short_name.h"

namespace vorpex::cli {
namespace {

constexpr uint32_t kMostEntries = 256;

std::string CacheKey(int32_t memory, const std::string& storedName) {
  std::string key(1, MemoryLetter(memory));
  key += ':';
  for (char c : storedName) key += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  return key;
}

}  // namespace

MountTree::MountTree(FileRoute& route, std::function<FileRoute*()> renamer, std::string cacheFolder)
    : route_(route), renamer_(std::move(renamer)), cacheFolder_(std::move(cacheFolder)) {}

MountTree::~MountTree() {
  for (auto& [id, handle] : handles_) {
    handle.file.Close();
    platform::RemoveFile(handle.path);
  }
  for (const auto& [key, path] : cached_) platform::RemoveFile(path);
}

bool MountTree::Start() {
  for (int32_t memory = 0; memory < 2; ++memory) {
    const MemoryListing* listing = Listing(memory);
    if (listing == nullptr) return false;
    memories_[memory].present = listing->capacityBytes != 0;
  }
  return true;
}

std::string MountTree::MemoryLetters() const {
  std::string letters;
  for (int32_t memory = 0; memory < 2; ++memory) {
    if (memories_[memory].present) letters += MemoryLetter(memory);
  }
  return letters;
}

std::optional<MountTree::Place> MountTree::PlaceOf(const std::string& path) const {
  if (path == "/") return Place{};
  if (path.size() < 2 || path[0] != '/') return std::nullopt;
  const size_t slash = path.find('/', 1);
  const auto memory = ParseMemory(path.substr(1, slash == std::string::npos ? slash : slash - 1));
  if (!memory || !memories_[*memory].present) return std::nullopt;
  if (slash == std::string::npos) return Place{*memory, {}};
  std::string name = path.substr(slash + 1);
  if (name.empty() || name.find('/') != std::string::npos) return std::nullopt;
  return Place{*memory, std::move(name)};
}

const MemoryListing* MountTree::Listing(int32_t memory) {
  Memory& state = memories_[memory];
  if (!state.listing) state.listing = route_.Read(memory);
  return state.listing ? &*state.listing : nullptr;
}

std::string MountTree::ShownName(int32_t memory, const PlayerFile& file) const {
  for (const auto& [shown, stored] : memories_[memory].aliases) {
    if (SameName(stored, file.name)) return shown;
  }
  return file.name;
}

std::optional<PlayerFile> MountTree::Find(int32_t memory, const std::string& name) {
  const MemoryListing* listing = Listing(memory);
  if (listing == nullptr) return std::nullopt;
  for (const PlayerFile& file : listing->files) {
    if (SameName(ShownName(memory, file), name)) return file;
  }
  return std::nullopt;
}

MountTree::Handle* MountTree::Unsent(int32_t memory, const std::string& name) {
  for (auto& [id, handle] : handles_) {
    if (handle.memory == memory && handle.changed && SameName(handle.name, name)) return &handle;
  }
  return nullptr;
}

std::string MountTree::NewCachePath() {
  return cacheFolder_ + "/" + std::to_string(nextCache_++);
}

int MountTree::Failed(int32_t memory) {
  const int32_t code = VORPEX_GetError();
  memories_[memory].listing.reset();
  const MemoryListing* listing = Listing(memory);
  if (listing == nullptr) {
    broken_ = true;
    return -EIO;
  }
  if (code == VORPEX_ERR_DISKFULL || listing->files.size() >= kMostEntries) return -ENOSPC;
  return -EIO;
}

void MountTree::Forget(int32_t memory, const std::string& storedName) {
  memories_[memory].listing.reset();
  const auto cached = cached_.find(CacheKey(memory, storedName));
  if (cached == cached_.end()) return;
  platform::RemoveFile(cached->second);
  cached_.erase(cached);
}

int MountTree::Stat(const std::string& path, MountEntry& entry) {
  const auto place = PlaceOf(path);
  if (!place) return -ENOENT;
  entry = MountEntry{};
  if (place->name.empty()) {
    entry.folder = true;
    return path == "/" || !broken_ ? 0 : -EIO;
  }
  if (broken_) return -EIO;
  if (Handle* unsent = Unsent(place->memory, place->name)) {
    entry.size = unsent->file.Size().value_or(0);
    return 0;
  }
  const auto file = Find(place->memory, place->name);
  if (!file) return broken_ ? -EIO : (Listing(place->memory) ? -ENOENT : Failed(place->memory));
  entry.size = file->size;
  entry.date = file->date;
  entry.time = file->time;
  return 0;
}

int MountTree::List(const std::string& path, std::vector<std::string>& names) {
  if (broken_) return -EIO;
  const auto place = PlaceOf(path);
  if (!place) return -ENOENT;
  if (!place->name.empty()) return -ENOTDIR;
  if (place->memory < 0) {
    for (char letter : MemoryLetters()) names.emplace_back(1, letter);
    return 0;
  }
  const MemoryListing* listing = Listing(place->memory);
  if (listing == nullptr) return Failed(place->memory);
  for (const PlayerFile& file : listing->files) names.push_back(ShownName(place->memory, file));
  for (const auto& [id, handle] : handles_) {
    if (handle.memory == place->memory && handle.changed && !Find(place->memory, handle.name)) {
      names.push_back(handle.name);
    }
  }
  return 0;
}

int MountTree::Open(const std::string& path, bool write, bool truncate, uint64_t& id) {
  if (broken_) return -EIO;
  const auto place = PlaceOf(path);
  if (!place) return -ENOENT;
  if (place->name.empty()) return -EISDIR;
  const auto file = Find(place->memory, place->name);
  if (!file) return Listing(place->memory) ? -ENOENT : Failed(place->memory);
  Handle handle{place->memory, place->name, {}, {}, write, write && truncate};
  if (write) {
    // A copy of its own, sent when closed; the file on the player stays until then.
    handle.path = NewCachePath();
    if (!truncate && !route_.Get(*file, handle.path, place->name)) return Failed(place->memory);
  } else {
    std::string& cached = cached_[CacheKey(place->memory, file->name)];
    if (cached.empty()) {
      const std::string copy = NewCachePath();
      if (!route_.Get(*file, copy, place->name)) {
        cached_.erase(CacheKey(place->memory, file->name));
        return Failed(place->memory);
      }
      cached = copy;
    }
    handle.path = cached;
  }
  using platform::Access;
  using platform::Disposition;
  auto opened = platform::File::Open(
      handle.path, write ? Access::kReadWrite : Access::kRead, platform::Share::kReadWrite,
      write && truncate ? Disposition::kCreateAlways : Disposition::kOpenExisting);
  if (!opened) return -EIO;
  handle.file = std::move(*opened);
  id = nextHandle_++;
  handles_.emplace(id, std::move(handle));
  return 0;
}

int MountTree::Create(const std::string& path, uint64_t& id) {
  if (broken_) return -EIO;
  const auto place = PlaceOf(path);
  if (!place || place->memory < 0) return -ENOENT;
  if (place->name.empty()) return -EEXIST;
  if (!platform::ShortNameOfPath(place->name)) return -EINVAL;  // no base name: ".profile"
  Handle handle{place->memory, place->name, NewCachePath(), {}, true, true};
  auto opened =
      platform::File::Open(handle.path, platform::Access::kReadWrite, platform::Share::kReadWrite,
                           platform::Disposition::kCreateAlways);
  if (!opened) return -EIO;
  handle.file = std::move(*opened);
  id = nextHandle_++;
  handles_.emplace(id, std::move(handle));
  return 0;
}

int MountTree::Read(uint64_t id, std::span<uint8_t> buffer, uint64_t offset) {
  const auto found = handles_.find(id);
  if (found == handles_.end()) return -EBADF;
  if (broken_) return -EIO;
  platform::File& file = found->second.file;
  if (!file.Seek(offset)) return -EIO;
  size_t total = 0;
  while (total < buffer.size()) {
    const auto got = file.Read(buffer.subspan(total));
    if (!got) return -EIO;
    if (*got == 0) break;
    total += *got;
  }
  return static_cast<int>(total);
}

int MountTree::Write(uint64_t id, std::span<const uint8_t> data, uint64_t offset) {
  const auto found = handles_.find(id);
  if (found == handles_.end()) return -EBADF;
  if (broken_) return -EIO;
  Handle& handle = found->second;
  if (!handle.writing) return -EBADF;
  if (!handle.file.Seek(offset) || !handle.file.Write(data)) return -ENOSPC;
  handle.changed = true;
  return static_cast<int>(data.size());
}

int MountTree::Resize(const std::string& path, uint64_t size) {
  if (broken_) return -EIO;
  const auto place = PlaceOf(path);
  if (!place) return -ENOENT;
  if (place->name.empty()) return -EISDIR;
  Handle* handle = nullptr;
  for (auto& [id, open] : handles_) {
    if (open.memory == place->memory && open.writing && SameName(open.name, place->name)) {
      handle = &open;
    }
  }
  MountEntry entry;
  if (handle == nullptr) {
    if (const int error = Stat(path, entry)) return error;
    return entry.size == size ? 0 : -EPERM;
  }
  if (handle->file.Size() == size) return 0;
  if (size != 0) return -EPERM;
  handle->file.Close();
  auto emptied =
      platform::File::Open(handle->path, platform::Access::kReadWrite, platform::Share::kReadWrite,
                           platform::Disposition::kCreateAlways);
  if (!emptied) return -EIO;
  handle->file = std::move(*emptied);
  handle->changed = true;
  return 0;
}

int MountTree::Send(Handle& handle) {
  const MemoryListing* listing = Listing(handle.memory);
  if (listing == nullptr) return Failed(handle.memory);
  const std::optional<PlayerFile> old = Find(handle.memory, handle.name);
  auto taken = [&](std::string_view name) {
    const std::string listed = ListedName(name);
    for (const PlayerFile& file : listing->files) {
      if (SameName(file.name, listed) && !(old && old->index == file.index)) return true;
    }
    return false;
  };
  const std::string shortName = platform::ShortNameOfPath(handle.name).value_or(handle.name);
  std::string stored = ListedName(shortName);
  if (old) {
    stored = old->name;
  } else if (stored != handle.name || taken(stored)) {
    stored = ListedName(platform::UniqueShortName(shortName, taken));
    if (stored.empty()) return -ENOSPC;
  }
  if (!route_.PutAs(handle.memory, handle.path, stored)) return Failed(handle.memory);
  // The old copy goes once the new one is complete; its entry number is unchanged, as a new
  // file is added after the others.
  if (old && !route_.Delete(*old)) return Failed(handle.memory);
  Forget(handle.memory, stored);
  auto& aliases = memories_[handle.memory].aliases;
  aliases.erase(handle.name);
  if (stored != handle.name) aliases[handle.name] = stored;
  return 0;
}

int MountTree::Flush(uint64_t id) {
  const auto found = handles_.find(id);
  if (found == handles_.end()) return -EBADF;
  Handle& handle = found->second;
  if (!handle.changed) return 0;
  if (broken_) return -EIO;
  handle.changed = false;
  return Send(handle);
}

int MountTree::Release(uint64_t id) {
  const int result = Flush(id);
  const auto found = handles_.find(id);
  if (found == handles_.end()) return result;
  Handle& handle = found->second;
  handle.file.Close();
  if (handle.writing) platform::RemoveFile(handle.path);
  handles_.erase(found);
  return result;
}

int MountTree::Remove(const std::string& path) {
  if (broken_) return -EIO;
  const auto place = PlaceOf(path);
  if (!place) return -ENOENT;
  if (place->name.empty()) return -EISDIR;
  const auto file = Find(place->memory, place->name);
  if (!file) return Listing(place->memory) ? -ENOENT : Failed(place->memory);
  if (!route_.Delete(*file)) return Failed(place->memory);
  Forget(place->memory, file->name);
  memories_[place->memory].aliases.erase(ShownName(place->memory, *file));
  return 0;
}

int MountTree::Rename(const std::string& from, const std::string& to, bool replace) {
  if (broken_) return -EIO;
  const auto source = PlaceOf(from);
  const auto target = PlaceOf(to);
  if (!source || !target) return -ENOENT;
  if (source->name.empty() || target->name.empty()) return -EPERM;
  if (source->memory != target->memory) return -EXDEV;  // mv copies across memories
  const int32_t memory = source->memory;
  const auto file = Find(memory, source->name);
  if (!file) return Listing(memory) ? -ENOENT : Failed(memory);
  FileRoute* renamer = route_.CanRename() ? &route_ : (renamer_ ? renamer_() : nullptr);
  if (renamer == nullptr) return -EXDEV;
  const std::string oldShown = ShownName(memory, *file);
  const auto existing = Find(memory, target->name);
  if (existing && existing->index != file->index) {
    if (!replace) return -EEXIST;
    if (!route_.Delete(*existing)) return Failed(memory);
    Forget(memory, existing->name);
    memories_[memory].aliases.erase(ShownName(memory, *existing));
  }
  const MemoryListing* listing = Listing(memory);
  if (listing == nullptr) return Failed(memory);
  auto taken = [&](std::string_view name) {
    const std::string listed = ListedName(name);
    for (const PlayerFile& other : listing->files) {
      if (SameName(other.name, listed) && other.name != file->name) return true;
    }
    return false;
  };
  const auto shortName = platform::ShortNameOfPath(target->name);
  if (!shortName) return -EINVAL;
  std::string stored = ListedName(*shortName);
  if (stored != target->name || taken(stored)) {
    stored = ListedName(platform::UniqueShortName(*shortName, taken));
    if (stored.empty()) return -ENOSPC;
  }
  // Entry numbers may have moved with a deletion: the file as the player lists it now.
  const auto current = existing ? Find(memory, oldShown) : file;
  if (!current) return -ENOENT;
  if (stored != current->name && !renamer->Rename(*current, stored)) return Failed(memory);
  Forget(memory, current->name);
  auto& aliases = memories_[memory].aliases;
  aliases.erase(oldShown);
  if (stored != target->name) aliases[target->name] = stored;
  return 0;
}

int MountTree::Figures(const std::string& path, MountFigures& figures) {
  if (broken_) return -EIO;
  const auto place = PlaceOf(path);
  if (!place) return -ENOENT;
  figures = MountFigures{};
  for (int32_t memory = 0; memory < 2; ++memory) {
    if (!memories_[memory].present || (place->memory >= 0 && place->memory != memory)) continue;
    const MemoryListing* listing = Listing(memory);
    if (listing == nullptr) return Failed(memory);
    figures.capacityBytes += listing->capacityBytes;
    figures.usedBytes += listing->usedBytes;
    figures.files += static_cast<uint32_t>(listing->files.size());
  }
  return 0;
}

}  // namespace vorpex::cli
