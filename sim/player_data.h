// Everything the simulated player keeps between runs: its settings, its two memories, and its
// two firmware areas.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "protocol/dir_slot.h"

namespace vorpex::sim {

inline constexpr uint32_t kBootAreaBytes = 8192;
inline constexpr uint32_t kMaxAreaBlocks = 65535;
inline constexpr size_t kMaxFiles = 256;   // an entry index is one byte
inline constexpr size_t kMaxSlots = 4096;  // directory slots of one memory
inline constexpr size_t kDeviceInfoSize = 20;
// The Vizu10 driver's view: how many device interfaces of its class can be present, and how
// many endpoints one USB interface can have (15 numbers in each direction).
inline constexpr uint32_t kMaxInterfaces = 32;
inline constexpr uint32_t kMaxEndpoints = 30;

// The address of endpoint `index` in the default endpoint list: 0x01 (the abort pipe), 0x02
// (bulk OUT), 0x83 (bulk IN), then further endpoints alternating in direction, every address
// used once.
uint8_t DefaultEndpointAddress(size_t index);
std::array<uint8_t, kMaxEndpoints> DefaultEndpointAddresses();
// An endpoint address a descriptor may carry: number 1 to 15, reserved bits clear.
bool IsValidEndpointAddress(uint8_t address);

struct PlayerSettings {
  // Capacities of M and S in units of 16384 bytes (32 MiB and 16 MiB).
  std::array<uint32_t, 2> capacity{2048, 1024};
  uint32_t driverVersion = 502;
  bool present = true;              // the player is on the bus
  bool refuseRegistration = false;  // the driver refuses to register it
  uint32_t endpointCount = 3;       // endpoints of the player's interface (up to 30)
  // What the device-information command answers (bytes 4 to 23 of its reply).
  std::array<uint8_t, kDeviceInfoSize> deviceInfo{'S', 'I', 'M', ' ', 'M', 'P', '3', ' ', 'P', 'L',
                                                  'A', 'Y', 'E', 'R', ' ', '1', '.', '0', '0', ' '};
  // The Vizu10 driver's view of the player.
  uint32_t interfaceCount = 1;  // device interfaces of the driver's class (0 to 32)
  uint32_t refuseOpenMask = 0;  // bit i: the files of interface i cannot be opened
  // Addresses of the interface's endpoints; the first `endpointCount` are used. Pipe file
  // PIPE0n is endpoint n of this list.
  std::array<uint8_t, kMaxEndpoints> endpointAddresses = DefaultEndpointAddresses();
  // 0: the configuration descriptor's total-length field gives the length of the descriptors
  // the player sends; else it carries this value (a player with descriptors beyond the ones
  // modelled here), up to 65535.
  uint32_t configurationLength = 0;

  // Why these settings cannot describe a player (empty when they can).
  std::string Problem() const;
};

// One directory slot and, for a file slot, where the file's bytes are: in a data file of the
// state directory, read only when the host reads the file, or (a player in memory only, a slot
// not saved yet) in `data`.
struct StoredSlot {
  protocol::Slot raw{};
  std::vector<uint8_t> data;  // empty once the bytes are in `dataFile`
  std::string dataFile;       // the data file of the state directory; empty when none
};

struct PlayerData;

// A file's bytes coming in from the host, in order.
class IncomingFile {
 public:
  virtual ~IncomingFile() = default;
  // False when they cannot be kept.
  virtual bool Write(std::span<const uint8_t> bytes) = 0;
  // All bytes are in: gives them to `slot` (its data file or its data); false when they cannot
  // be kept. Destroyed before that, it leaves nothing behind.
  virtual bool Finish(StoredSlot& slot) = 0;
};

// A stored file's bytes going out to the host, in order.
class OutgoingFile {
 public:
  virtual ~OutgoingFile() = default;
  // Fills `out` with the next bytes; false when they cannot be read.
  virtual bool Read(std::span<uint8_t> out) = 0;
};

// Where the bytes of stored files live between runs: the state directory, each file in a data
// file of its own, written as it comes in and read only when the host reads it.
class FileStore {
 public:
  virtual ~FileStore() = default;
  // A new file of memory 0 or 1 coming in (its data file named from `data.nextDataFile`);
  // nullptr with the reason in `error` when it cannot be started.
  virtual std::unique_ptr<IncomingFile> Receive(PlayerData& data, size_t memory,
                                                std::string& error) = 0;
  // The bytes of `slot`'s data file, which must hold as many as the slot says; nullptr with
  // the reason in `error` when it cannot be read.
  virtual std::unique_ptr<OutgoingFile> Send(const StoredSlot& slot, std::string& error) = 0;
  // Removes a data file that IncomingFile::Finish made for a slot that could not be kept.
  virtual void Drop(const std::string& dataFile) = 0;
};

struct Memory {
  uint32_t capacity = 0;   // units of 16384 bytes
  uint8_t lastFormat = 0;  // command code of the last format ('F', 'C', 'V'), 0 if never
  std::vector<StoredSlot> slots;

  size_t FileCount() const;
  // Space taken by the files, in units of 16384 bytes (each file rounded up).
  uint32_t UsedUnits() const;
  // The slot of the i-th file, counting files from 0 in slot order.
  std::optional<size_t> SlotOfEntry(size_t index) const;
  // The entry index a file would have in `slot`: the files in front of it.
  size_t EntryOfSlot(size_t slot) const;
};

inline uint32_t UnitsFor(uint64_t bytes) {
  return static_cast<uint32_t>((bytes + protocol::kSpaceUnit - 1) / protocol::kSpaceUnit);
}

struct PlayerData {
  PlayerSettings settings;
  std::array<Memory, 2> memories;
  // The blocks last written to each firmware area (block count times 512 bytes).
  std::vector<uint8_t> bootArea;
  std::vector<uint8_t> codecArea;
  uint32_t nextDataFile = 1;  // serial of the next file the state directory writes

  // Not kept between runs: what the state directory holds already.
  bool areasChanged = true;               // the firmware areas differ from boot.bin, codec.bin
  std::set<std::string> dataFilesOnDisk;  // data files that player.txt names (or may name)
  // The state directory the data files are in; null for a player in memory only.
  std::shared_ptr<FileStore> files;

  static PlayerData Fresh(const PlayerSettings& settings);
};

// The bytes a file slot holds, as many as its size says: from its data, or read from its data
// file through `data.files`. Nullopt, with the reason in `error`, when they cannot be read.
std::optional<std::vector<uint8_t>> StoredBytes(const PlayerData& data, const StoredSlot& slot,
                                                std::string& error);
// The bytes of `slot` going out in order: its data file, or a copy of its data.
std::unique_ptr<OutgoingFile> OpenStored(const PlayerData& data, const StoredSlot& slot,
                                         std::string& error);
// How many bytes `slot` holds: its size field when they are in a data file, else its data's.
uint64_t StoredSize(const StoredSlot& slot);

}  // namespace vorpex::sim
