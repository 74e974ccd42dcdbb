#include "sim/state_dir.h"

#include <set>
#include <sstream>

#include "platform/error.h"
#include "platform/file.h"
#include "platform/folder.h"

namespace vorpex::sim {
namespace {

using platform::Access;
using platform::Disposition;
using platform::File;
using platform::Share;

constexpr const char* kMemoryNames[2] = {"M", "S"};

std::string Join(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  const char last = dir.back();
  return last == '/' || last == '\\' ? dir + name : dir + "/" + name;
}

// player.txt of the largest player it can describe (two memories of 4096 slots, a line of about
// 90 characters each) takes about 720 KiB: more is no player.
constexpr uint64_t kMaxDescriptionBytes = uint64_t{1} << 20;

// Opens `path` (called `name` in errors) for reading when it is a regular file of the folder
// itself: no link is followed and a device or pipe is never opened for reading, so that nothing
// outside the folder is read and nothing waits. Nullopt with the reason in `error`.
std::optional<File> OpenInput(const std::string& path, const std::string& name,
                              std::string& error) {
  platform::FileKind kind = platform::FileKind::kMissing;
  auto file = platform::OpenRegularFile(path, kind);
  if (file) return file;
  if (kind == platform::FileKind::kOther) {
    error = "cannot read " + name + ": not a regular file of the folder (a link, a device or a " +
            "pipe is never read)";
  } else if (kind == platform::FileKind::kFolder) {
    error = "cannot read " + name + ": is a folder";
  } else {
    const auto text = platform::SystemErrorText(platform::LastError());
    error = "cannot read " + name + (text ? ": " + *text : std::string());
  }
  return std::nullopt;
}

// All of `path`, when it holds no more than `limit` bytes (`what` says whose limit that is);
// more is refused before anything is read.
std::optional<std::vector<uint8_t>> ReadInput(const std::string& path, const std::string& name,
                                              uint64_t limit, const std::string& what,
                                              std::string& error) {
  auto file = OpenInput(path, name, error);
  if (!file) return std::nullopt;
  const auto size = file->Size();
  if (size && *size > limit) {
    error = name + " holds " + std::to_string(*size) + " bytes, more than " + what + " (" +
            std::to_string(limit) + ")";
    return std::nullopt;
  }
  std::vector<uint8_t> bytes(size.value_or(0));
  const auto read = size ? file->Read(bytes) : std::nullopt;
  if (!read || *read != bytes.size()) {
    error = "cannot read " + name;
    return std::nullopt;
  }
  return bytes;
}

// A new file beside `path`, written in place of whatever that name was (a link there is
// replaced, never followed).
std::optional<File> CreateBeside(const std::string& temporary) {
  platform::RemoveFile(temporary);
  return File::Open(temporary, Access::kWrite, Share::kNone, Disposition::kCreateNew);
}

bool WriteAtomically(const std::string& path, std::span<const uint8_t> bytes) {
  const std::string temporary = path + ".new";
  {
    auto file = CreateBeside(temporary);
    if (!file || !file->Write(bytes)) {
      platform::RemoveFile(temporary);
      return false;
    }
  }
  if (platform::RenameOver(temporary, path)) return true;
  platform::RemoveFile(temporary);
  return false;
}

std::string ToHex(std::span<const uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  for (uint8_t b : bytes) {
    text += kDigits[b >> 4];
    text += kDigits[b & 15];
  }
  return text;
}

bool FromHex(const std::string& text, std::span<uint8_t> out) {
  if (text.size() != out.size() * 2) return false;
  auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  for (size_t i = 0; i < out.size(); ++i) {
    const int high = digit(text[2 * i]);
    const int low = digit(text[2 * i + 1]);
    if (high < 0 || low < 0) return false;
    out[i] = static_cast<uint8_t>(high << 4 | low);
  }
  return true;
}

std::optional<uint32_t> ParseNumber(const std::string& text) {
  if (text.empty() || text.size() > 10) return std::nullopt;
  uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  if (value > UINT32_MAX) return std::nullopt;
  return static_cast<uint32_t>(value);
}

int MemoryIndex(const std::string& name) {
  return name == "M" ? 0 : name == "S" ? 1 : -1;
}

// The name of a data file of memory `m` as the folder keeps them: "M/<serial>.bin".
std::string DataFileName(size_t m, uint32_t serial) {
  return std::string(kMemoryNames[m]) + "/" + std::to_string(serial) + ".bin";
}

// Only names of that form are read (or ever removed): nothing outside the folder.
bool IsDataFileName(const std::string& name, size_t m) {
  const std::string head = std::string(kMemoryNames[m]) + "/";
  const std::string tail = ".bin";
  if (name.size() <= head.size() + tail.size() || !name.starts_with(head) ||
      !name.ends_with(tail)) {
    return false;
  }
  return ParseNumber(name.substr(head.size(), name.size() - head.size() - tail.size())).has_value();
}

std::string Describe(const PlayerData& data) {
  std::ostringstream text;
  const PlayerSettings& s = data.settings;
  text << "vorpex-player 1\n"
       << "driver-version " << s.driverVersion << "\n"
       << "present " << (s.present ? 1 : 0) << "\n"
       << "refuse-registration " << (s.refuseRegistration ? 1 : 0) << "\n"
       << "endpoints " << s.endpointCount << "\n"
       << "endpoint-addresses";
  for (size_t i = 0; i < s.endpointCount && i < kMaxEndpoints; ++i) {
    text << " " << ToHex(std::span(&s.endpointAddresses[i], 1));
  }
  text << "\n"
       << "interfaces " << s.interfaceCount << "\n"
       << "refuse-open " << s.refuseOpenMask << "\n"
       << "configuration-length " << s.configurationLength << "\n"
       << "device-info " << ToHex(s.deviceInfo) << "\n"
       << "next-file " << data.nextDataFile << "\n";
  for (size_t m = 0; m < 2; ++m) {
    const Memory& memory = data.memories[m];
    text << "memory " << kMemoryNames[m] << " " << memory.capacity << " "
         << (memory.lastFormat == 0 ? std::string("-") : std::string(1, char(memory.lastFormat)))
         << "\n";
    for (const auto& slot : memory.slots) {
      text << "slot " << kMemoryNames[m] << " " << ToHex(slot.raw) << " "
           << (slot.dataFile.empty() ? "-" : slot.dataFile) << "\n";
    }
  }
  return text.str();
}

bool Parse(const std::string& dir, const std::string& text, PlayerData& data, std::string& error) {
  std::istringstream lines(text);
  std::string line;
  int number = 0;
  bool sawMagic = false;
  std::optional<size_t> addressCount;  // endpoint addresses given, when the item was there
  std::set<std::string> dataFiles;     // named so far
  auto fail = [&](const std::string& why) {
    error = Join(dir, "player.txt") + " line " + std::to_string(number) + ": " + why;
    return false;
  };
  while (std::getline(lines, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    std::istringstream words(line);
    std::vector<std::string> w;
    for (std::string word; words >> word;) w.push_back(word);
    if (w.empty()) continue;  // blanks only
    const std::string& key = w[0];
    if (!sawMagic) {
      if (key != "vorpex-player" || w.size() != 2 || w[1] != "1") {
        return fail("not a simulated player");
      }
      sawMagic = true;
      continue;
    }
    auto number1 = [&]() -> std::optional<uint32_t> {
      return w.size() == 2 ? ParseNumber(w[1]) : std::nullopt;
    };
    if (key == "driver-version" || key == "present" || key == "refuse-registration" ||
        key == "endpoints" || key == "next-file" || key == "interfaces" || key == "refuse-open" ||
        key == "configuration-length") {
      const auto value = number1();
      if (!value) return fail("expected one number after " + key);
      if (key == "driver-version") data.settings.driverVersion = *value;
      if (key == "present") data.settings.present = *value != 0;
      if (key == "refuse-registration") data.settings.refuseRegistration = *value != 0;
      if (key == "endpoints") data.settings.endpointCount = *value;
      if (key == "next-file") data.nextDataFile = *value;
      if (key == "interfaces") data.settings.interfaceCount = *value;
      if (key == "refuse-open") data.settings.refuseOpenMask = *value;
      if (key == "configuration-length") data.settings.configurationLength = *value;
    } else if (key == "endpoint-addresses") {
      if (w.size() - 1 > kMaxEndpoints) return fail("more than 30 endpoint addresses");
      for (size_t i = 1; i < w.size(); ++i) {
        if (!FromHex(w[i], std::span(&data.settings.endpointAddresses[i - 1], 1))) {
          return fail("endpoint addresses are two hex digits each");
        }
      }
      addressCount = w.size() - 1;
    } else if (key == "device-info") {
      if (w.size() != 2 || !FromHex(w[1], data.settings.deviceInfo)) {
        return fail("device-info needs 40 hex digits");
      }
    } else if (key == "memory") {
      const int m = w.size() == 4 ? MemoryIndex(w[1]) : -1;
      const auto capacity = w.size() == 4 ? ParseNumber(w[2]) : std::nullopt;
      if (m < 0 || !capacity || *capacity > 0xFFFF ||
          (w[3] != "-" && w[3] != "F" && w[3] != "C" && w[3] != "V")) {
        return fail("expected: memory M|S <capacity up to 65535> F|C|V|-");
      }
      data.memories[m].capacity = *capacity;
      data.memories[m].lastFormat = w[3] == "-" ? 0 : static_cast<uint8_t>(w[3][0]);
      data.settings.capacity[m] = *capacity;
    } else if (key == "slot") {
      const int m = w.size() == 4 ? MemoryIndex(w[1]) : -1;
      StoredSlot slot;
      if (m < 0 || !FromHex(w[2], slot.raw)) {
        return fail("expected: slot M|S <64 hex digits> <data file or ->");
      }
      if (data.memories[m].slots.size() >= kMaxSlots) return fail("too many slots");
      const bool file = protocol::IsFileSlot(slot.raw);
      if (w[3] != "-") {
        if (!IsDataFileName(w[3], static_cast<size_t>(m))) {
          return fail("a data file of memory " + w[1] + " is named " + w[1] +
                      "/<number>.bin, not " + w[3]);
        }
        if (!file) return fail("a slot that is not a file names a data file");
        if (!dataFiles.insert(w[3]).second) return fail(w[3] + " is named by two slots");
        // Only its size is looked at: the bytes are read when the host reads the file.
        std::string why;
        auto bytes = OpenInput(Join(dir, w[3]), w[3], why);
        if (!bytes) return fail(why);
        const auto size = bytes->Size();
        if (!size) return fail("cannot read " + w[3]);
        if (*size != protocol::DecodeSlot(slot.raw).size) {
          return fail("the slot's size differs from its data file: " + w[3] + " holds " +
                      std::to_string(*size) + " bytes, the slot says " +
                      std::to_string(protocol::DecodeSlot(slot.raw).size));
        }
        slot.dataFile = w[3];
      } else if (file && protocol::DecodeSlot(slot.raw).size != 0) {
        return fail("the slot's size differs from its data file (it names none)");
      }
      data.memories[m].slots.push_back(std::move(slot));
    } else {
      return fail("unknown item " + key);
    }
  }
  if (!sawMagic) {
    number = 1;
    return fail("not a simulated player");
  }
  for (size_t m = 0; m < 2; ++m) {
    const Memory& memory = data.memories[m];
    if (memory.FileCount() > kMaxFiles) return fail("more than 256 files in a memory");
    if (memory.UsedUnits() > memory.capacity) {
      return fail(std::string("the files of memory ") + kMemoryNames[m] +
                  " take more than its capacity");
    }
  }
  std::string problem = data.settings.Problem();
  if (addressCount && *addressCount != data.settings.endpointCount) {
    problem = "endpoint-addresses must list as many addresses as endpoints says";
  }
  if (!problem.empty()) {
    error = Join(dir, "player.txt") + ": " + problem;
    return false;
  }
  return true;
}

std::set<std::string> DataFiles(const PlayerData& data) {
  std::set<std::string> files;
  for (const Memory& memory : data.memories) {
    for (const auto& slot : memory.slots) {
      if (!slot.dataFile.empty()) files.insert(slot.dataFile);
    }
  }
  return files;
}

// The name of the next data file of memory `m`. A serial already in use (a hand-edited
// next-file) is passed over, never overwritten.
std::string NewDataFileName(PlayerData& data, size_t m, const std::set<std::string>& named) {
  std::string name = DataFileName(m, data.nextDataFile++);
  while (named.contains(name) || data.dataFilesOnDisk.contains(name)) {
    name = DataFileName(m, data.nextDataFile++);
  }
  return name;
}

// A file coming in, written under a temporary name beside its data file and renamed into place
// when it is whole; removed when it is dropped before.
class IncomingDataFile : public IncomingFile {
 public:
  IncomingDataFile(File file, std::string dir, std::string name)
      : file_(std::move(file)), dir_(std::move(dir)), name_(std::move(name)) {}
  ~IncomingDataFile() override {
    if (!file_.IsOpen()) return;
    file_.Close();
    platform::RemoveFile(Temporary());
  }
  IncomingDataFile(const IncomingDataFile&) = delete;
  IncomingDataFile& operator=(const IncomingDataFile&) = delete;

  bool Write(std::span<const uint8_t> bytes) override { return file_.Write(bytes); }
  bool Finish(StoredSlot& slot) override {
    file_.Close();
    if (!platform::RenameOver(Temporary(), Join(dir_, name_))) {
      platform::RemoveFile(Temporary());
      return false;
    }
    slot.dataFile = name_;
    return true;
  }

 private:
  std::string Temporary() const { return Join(dir_, name_) + ".new"; }
  File file_;
  std::string dir_;
  std::string name_;
};

class OutgoingDataFile : public OutgoingFile {
 public:
  explicit OutgoingDataFile(File file) : file_(std::move(file)) {}
  bool Read(std::span<uint8_t> out) override {
    const auto n = file_.Read(out);
    return n && *n == out.size();
  }

 private:
  File file_;
};

class FolderFiles : public FileStore {
 public:
  explicit FolderFiles(std::string dir) : dir_(std::move(dir)) {}

  std::unique_ptr<IncomingFile> Receive(PlayerData& data, size_t memory,
                                        std::string& error) override {
    const std::string name = NewDataFileName(data, memory, DataFiles(data));
    auto file = platform::MakeFolder(Join(dir_, kMemoryNames[memory]))
                    ? CreateBeside(Join(dir_, name) + ".new")
                    : std::nullopt;
    if (!file) {
      error = "cannot write " + Join(dir_, name);
      return nullptr;
    }
    return std::make_unique<IncomingDataFile>(std::move(*file), dir_, name);
  }

  std::unique_ptr<OutgoingFile> Send(const StoredSlot& slot, std::string& error) override {
    auto file = OpenInput(Join(dir_, slot.dataFile), slot.dataFile, error);
    if (!file) return nullptr;
    // The folder is input: a file changed since it was loaded is not sent as it is now.
    const auto size = file->Size();
    if (!size || *size != protocol::DecodeSlot(slot.raw).size) {
      error = slot.dataFile + " no longer holds the bytes its slot says";
      return nullptr;
    }
    return std::make_unique<OutgoingDataFile>(std::move(*file));
  }

  void Drop(const std::string& dataFile) override { platform::RemoveFile(Join(dir_, dataFile)); }

 private:
  std::string dir_;
};

}  // namespace

bool HoldsPlayer(const std::string& dir, std::string& error) {
  if (platform::FileExists(Join(dir, "player.txt"))) return true;
  error = "no simulated player in " + dir + " (it holds no player.txt); one must be created first";
  return false;
}

std::optional<PlayerData> LoadStateDir(const std::string& dir, std::string& error) {
  if (!HoldsPlayer(dir, error)) return std::nullopt;
  const std::string description = Join(dir, "player.txt");
  const auto text = ReadInput(description, description, kMaxDescriptionBytes,
                              "any player's description takes", error);
  if (!text) return std::nullopt;
  PlayerData data;
  if (!Parse(dir, std::string(text->begin(), text->end()), data, error)) return std::nullopt;
  const auto boot = ReadInput(Join(dir, "boot.bin"), Join(dir, "boot.bin"), kBootAreaBytes,
                              "the boot area holds", error);
  if (!boot) return std::nullopt;
  const auto codec = ReadInput(Join(dir, "codec.bin"), Join(dir, "codec.bin"),
                               uint64_t{kMaxAreaBlocks} * 512, "the codec area holds", error);
  if (!codec) return std::nullopt;
  if (boot->size() % 512 != 0 || codec->size() % 512 != 0) {
    error = "boot.bin or codec.bin in " + dir + " is not a whole number of blocks within its area";
    return std::nullopt;
  }
  data.bootArea = *boot;
  data.codecArea = *codec;
  data.areasChanged = false;
  data.dataFilesOnDisk = DataFiles(data);
  data.files = std::make_shared<FolderFiles>(dir);
  return data;
}

bool SaveStateDir(const std::string& dir, PlayerData& data, std::string& error) {
  auto fail = [&](const std::string& path) {
    error = "cannot write " + path;
    return false;
  };
  if (!platform::MakeFolder(dir)) return fail(dir);
  for (size_t m = 0; m < 2; ++m) {
    if (!platform::MakeFolder(Join(dir, kMemoryNames[m]))) return fail(Join(dir, kMemoryNames[m]));
  }
  // The data files written by this save: removed again when it fails, so that a player taken
  // back to what it held leaves none behind that no slot names.
  std::vector<StoredSlot*> written;
  const uint32_t nextBefore = data.nextDataFile;
  auto failAndUndo = [&](const std::string& path) {
    for (StoredSlot* slot : written) {
      platform::RemoveFile(Join(dir, slot->dataFile));
      slot->dataFile.clear();
    }
    data.nextDataFile = nextBefore;
    return fail(path);
  };
  std::set<std::string> named = DataFiles(data);
  for (size_t m = 0; m < 2; ++m) {
    for (auto& slot : data.memories[m].slots) {
      if (!slot.dataFile.empty() || slot.data.empty()) continue;
      const std::string name = NewDataFileName(data, m, named);
      if (!WriteAtomically(Join(dir, name), slot.data)) return failAndUndo(Join(dir, name));
      slot.dataFile = name;
      written.push_back(&slot);
      named.insert(name);
    }
  }
  if (data.areasChanged) {
    for (const auto& [name, bytes] :
         {std::pair{"boot.bin", &data.bootArea}, std::pair{"codec.bin", &data.codecArea}}) {
      if (!WriteAtomically(Join(dir, name), *bytes)) return failAndUndo(Join(dir, name));
    }
  }
  const std::string text = Describe(data);
  if (!WriteAtomically(Join(dir, "player.txt"),
                       std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()))) {
    return failAndUndo(Join(dir, "player.txt"));
  }
  data.areasChanged = false;
  // From now on the bytes are read from the folder.
  for (StoredSlot* slot : written) std::vector<uint8_t>().swap(slot->data);
  if (!data.files) data.files = std::make_shared<FolderFiles>(dir);
  const std::set<std::string> now = DataFiles(data);
  for (const auto& name : data.dataFilesOnDisk) {
    if (!now.contains(name)) platform::RemoveFile(Join(dir, name));
  }
  data.dataFilesOnDisk = now;
  return true;
}

bool CreateStateDir(const std::string& dir, const PlayerSettings& settings, std::string& error) {
  if (const std::string problem = settings.Problem(); !problem.empty()) {
    error = "the settings have " + problem;
    return false;
  }
  if (platform::FileExists(Join(dir, "player.txt"))) {
    error = dir + " already holds a player";
    return false;
  }
  PlayerData fresh = PlayerData::Fresh(settings);
  return SaveStateDir(dir, fresh, error);
}

std::optional<StateDirLock> StateDirLock::Take(const std::string& dir, std::string& error) {
  const std::string path = Join(dir, "player.lock");
  if (!platform::MakeFolder(dir)) {
    error = "cannot write " + dir;
    return std::nullopt;
  }
  auto file = platform::File::Open(path, platform::Access::kReadWrite, platform::Share::kNone,
                                   platform::Disposition::kOpenAlways);
  if (file) return StateDirLock(std::move(*file));
  error = platform::LastError() == platform::kErrorSharingViolation
              ? dir + " is in use by another program (it holds " + path + ")"
              : "cannot write " + path;
  return std::nullopt;
}

}  // namespace vorpex::sim
