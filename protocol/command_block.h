// The player's 512-byte command and reply blocks: "#", 0, length, ":", memory letter, command
// code, payload, ".". Pure: blocks are built into and judged from the caller's buffers.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace vorpex::protocol {

inline constexpr size_t kBlockSize = 512;
using Block = std::span<uint8_t, kBlockSize>;
using ConstBlock = std::span<const uint8_t, kBlockSize>;

inline constexpr uint8_t kBlockHead = 0x23;        // "#"
inline constexpr uint8_t kBlockColon = 0x3A;       // ":"
inline constexpr uint8_t kBlockTerminator = 0x2E;  // "."
// The length byte counts from the colon through the terminator: payload + 4.
inline constexpr size_t kMaxPayload = 251;

// Memory letter tables, indexed by selector + 2. The chip library knows four letters, the device
// library also "Y" for the device information.
inline constexpr std::string_view kChipLetters = "GCMS";
inline constexpr std::string_view kDeviceLetters = "GCMSY";

inline constexpr uint8_t kLetterUpgradeMode = 'G';
inline constexpr uint8_t kLetterUpgradeArea = 'C';
inline constexpr uint8_t kLetterMemoryM = 'M';
inline constexpr uint8_t kLetterMemoryS = 'S';
inline constexpr uint8_t kLetterDeviceInfo = 'Y';

// Command codes.
inline constexpr uint8_t kCmdFormat = 'F';
inline constexpr uint8_t kCmdMp3Format = 'C';
inline constexpr uint8_t kCmdVoiceFormat = 'V';
inline constexpr uint8_t kCmdReadDirectory = 'G';
inline constexpr uint8_t kCmdDelete = 'E';
inline constexpr uint8_t kCmdRenameOrReplace = 'P';
inline constexpr uint8_t kCmdReadFile = 'R';
inline constexpr uint8_t kCmdWriteFile = 'W';
inline constexpr uint8_t kCmdDeviceInfo = 'Y';
inline constexpr uint8_t kCmdUpgradeMode = 'O';
inline constexpr uint8_t kCmdEraseArea = 0x02;
inline constexpr uint8_t kCmdWriteArea = 0x01;

// Upgrade targets in the erase and write commands.
inline constexpr uint8_t kAreaBoot = 'R';
inline constexpr uint8_t kAreaCodec = 'P';
inline constexpr uint8_t kUpgradeModeFirstByte = 0x10;

// The OK reply: "#", 0, length 3, ":", status 0, ".".
inline constexpr std::array<uint8_t, 6> kOkReply = {0x23, 0x00, 0x03, 0x3A, 0x00, 0x2E};

// The control request that stops a running transfer: vendor request 1 to the device.
inline constexpr std::array<uint8_t, 8> kCancelSetup = {0x40, 0x01, 0, 0, 0, 0, 0, 0};

// The letter of `selector` in `table` (selector -2 picks the first letter); nullopt outside it.
std::optional<uint8_t> MemoryLetter(std::string_view table, int32_t selector);

// Writes the head, payload and terminator of a command block into `block`; the bytes behind the
// terminator are left as they lie. False (nothing written) when the payload is too long.
bool BuildCommandBlock(Block block, uint8_t letter, uint8_t code, std::span<const uint8_t> payload);

// True when the reply starts with the six OK bytes, whatever follows.
bool IsReplyOk(std::span<const uint8_t> reply);

// A command block as the player reads it. Strict: the head, the length byte and the terminator
// must agree; anything else is not a command block.
struct CommandView {
  uint8_t letter;
  uint8_t code;
  std::span<const uint8_t> payload;
};
std::optional<CommandView> ParseCommandBlock(std::span<const uint8_t> block);

// A reply block with a status byte other than 0 (the player's refusal), head only.
void BuildRefusal(Block block, uint8_t status);

}  // namespace vorpex::protocol
