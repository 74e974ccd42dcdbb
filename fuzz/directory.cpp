// A directory read from a player whose directory is the fuzz input, through both libraries:
// VORPEX_Refresh over the WinDriver face and Usb_Refresh over the Vizu10 face, in virtual time.
// Both read the same directory, so both must give the same result, figures and records.
// The input: a byte of switches (bit 0 memory S, bit 1 the entry count announced, bit 2 the
// slot count announced, bit 3 the device library on the fixed-name route), the two announced
// counts (high byte first), the number of records the caller has room for, then raw 32-byte
// directory slots. A file slot's size is made 0, so that the player stores no data for it.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "ORVANEUsbDll.h"
#include "VORPEXUSB.h"
#include "fuzz/scratch_folder.h"
#include "orvane_testing.h"
#include "playersim.h"

namespace {

constexpr size_t kHeadBytes = 6;
constexpr size_t kSlotBytes = 32;

void AttachFreshPlayer() {
  static const std::string dir = vorpex::fuzz::ScratchFolder() + "/player";
  PlayerSim_Detach();
  std::filesystem::remove_all(dir);
  PlayerSimSettings settings{};
  PlayerSim_DefaultSettings(&settings);
  if (PlayerSim_CreateStateDir(dir.c_str(), &settings) != 1) abort();
  if (PlayerSim_Attach(dir.c_str()) != 1) abort();
  PlayerSim_UseVirtualTime(1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kHeadBytes) return 0;
  const int32_t memory = data[0] & 1;
  const int32_t entries = (data[0] & 2) != 0 ? data[1] << 8 | data[2] : -1;
  const int32_t slots = (data[0] & 4) != 0 ? data[3] << 8 | data[4] : -1;
  const uint32_t room = data[5];
  AttachFreshPlayer();
  for (size_t at = kHeadBytes; at + kSlotBytes <= size; at += kSlotBytes) {
    uint8_t slot[kSlotBytes];
    std::copy_n(data + at, kSlotBytes, slot);
    std::fill_n(slot + 28, 4, 0);
    if (PlayerSim_AddSlot(memory, slot, nullptr, 0) != 1) break;
  }
  if (PlayerSim_SetDirectoryHeader(memory, entries, slots) != 1) abort();

  // The records exactly as large as the caller says, so a write beyond them is caught.
  void* device = VORPEX_Open();
  if (device == nullptr) abort();
  std::vector<DirEntry> records(room);
  MemoryInfo info{};
  uint32_t count = room;
  const int32_t read = VORPEX_Refresh(device, memory, &info, records.data(), &count);
  VORPEX_Close(device);

  if ((data[0] & 8) != 0) {
    OrvaneTesting_SetOsVersion(4, 10, 2222, 1);
  } else {
    OrvaneTesting_SetOsVersion(5, 1, 2600, 2);
  }
  if (Usb_Checking(0) != 1) abort();
  std::vector<uint8_t> bytes(size_t{room} * kSlotBytes);
  uint32_t words[5] = {};
  uint32_t files = room;
  const int32_t deviceRead = Usb_Refresh(nullptr, memory, words, bytes.data(), &files);
  Usb_Close(0);

  static_assert(sizeof(DirEntry) == kSlotBytes && sizeof(MemoryInfo) == sizeof words);
  if (read != deviceRead || files != count || std::memcmp(words, &info, sizeof words) != 0 ||
      (room != 0 && std::memcmp(bytes.data(), records.data(), bytes.size()) != 0)) {
    abort();
  }
  return 0;
}
