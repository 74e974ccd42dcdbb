// One session with the player that VORPEX_SIMULATOR names, through the chip library's exports
// alone, as any unchanged program would have it. Run twice by CTest, as two processes:
//   sim_session write   creates the player, copies a 1000-byte file "KEPT.TXT" to memory S
//   sim_session check   finds it there, reads it back and compares; the player's Vizu10 face
//                       is there for the device library too
// Exit status 0 when every step went as expected.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "VORPEXUSB.h"
#include "playersim.h"
#include "playersim_vizu10.h"
#include "protocol/command_block.h"
#include "protocol/dir_slot.h"
#include "protocol/write_header.h"
#include "vorpex_shared.h"

namespace {

using namespace vorpex::protocol;

constexpr uint32_t kSize = 1000;

uint8_t PatternByte(size_t i) {
  return static_cast<uint8_t>(i * 13 + 5);
}

int Fail(const char* step) {
  std::fprintf(stderr, "sim_session: %s failed (error %d)\n", step, VORPEX_GetError());
  return 1;
}

bool Command(void* device, uint8_t letter, uint8_t code, const std::vector<uint8_t>& payload) {
  std::array<uint8_t, kBlockSize> block{};
  return BuildCommandBlock(block, letter, code, payload) &&
         VORPEX_SendUSB(device, block.data(), kBlockSize) == static_cast<int32_t>(kBlockSize);
}

bool Reply(void* device, std::array<uint8_t, kBlockSize>& reply) {
  return VORPEX_RecvUSB(device, reply.data(), kBlockSize) == static_cast<int32_t>(kBlockSize);
}

int Write(void* device) {
  std::array<uint8_t, kBlockSize> reply{};
  if (!Command(device, 'S', kCmdWriteFile, EncodeWriteHeader({"KEPT.TXT", 0x3267, 0x73DD, kSize})))
    return Fail("W");
  if (!Reply(device, reply) || !IsReplyOk(reply)) return Fail("W reply");
  std::vector<uint8_t> data(WireLength(kSize), 0);
  for (size_t i = 0; i < kSize; ++i) data[i] = PatternByte(i);
  if (VORPEX_SendUSB(device, data.data(), static_cast<uint32_t>(data.size())) != 1024) {
    return Fail("data");
  }
  return 0;
}

int Check(void* device) {
  std::array<uint8_t, kBlockSize> reply{};
  if (!Command(device, 'S', kCmdReadDirectory, {}) || !Reply(device, reply)) return Fail("G");
  const DirectoryHeader header = DecodeDirectoryHeader(reply);
  if (header.entries != 1 || header.slots != 1 || header.used != 1) return Fail("header");
  if (!Reply(device, reply)) return Fail("directory block");
  const SlotFields slot = DecodeSlot(std::span<const uint8_t, kSlotSize>(reply.data(), kSlotSize));
  if (JoinShortName(slot) != "KEPT.TXT" || slot.size != kSize) return Fail("slot");
  if (!Command(device, 'S', kCmdReadFile, {0})) return Fail("R");
  if (!Reply(device, reply) || !IsReplyOk(reply)) return Fail("first R reply");
  if (!Reply(device, reply) || !IsReplyOk(reply)) return Fail("second R reply");
  std::vector<uint8_t> data(1024);
  if (VORPEX_RecvUSB(device, data.data(), 1024) != 1024) return Fail("data");
  for (size_t i = 0; i < kSize; ++i) {
    if (data[i] != PatternByte(i)) return Fail("compare");
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || (std::strcmp(argv[1], "write") != 0 && std::strcmp(argv[1], "check") != 0)) {
    std::fprintf(stderr, "usage: sim_session write|check\n");
    return 2;
  }
  // The device library asks for the Vizu10 face before the chip library opened anything.
  if (std::strcmp(argv[1], "check") == 0) {
    const VorpexVizu10Ops* vizu10 = VorpexShared_Vizu10();
    if (vizu10 == nullptr ||
        vizu10->interfacePaths("{A5B039C4-D5F2-11D6-99E0-52544C996075}", nullptr, 0) != 1) {
      return Fail("Vizu10 face");
    }
  }
  PlayerSimSettings settings{};
  PlayerSim_DefaultSettings(&settings);
  const char* dir =
      std::getenv(PLAYERSIM_ENVIRONMENT_VARIABLE);  // NOLINT(concurrency-mt-unsafe): one thread
  if (std::strcmp(argv[1], "write") == 0 && PlayerSim_CreateStateDir(dir, &settings) != 1) {
    return Fail("creation");
  }
  void* device = VORPEX_Open();
  if (device == nullptr) return Fail("VORPEX_Open");
  const int result = std::strcmp(argv[1], "write") == 0 ? Write(device) : Check(device);
  VORPEX_Close(device);
  return result;
}
