#include "sim/player_model.h"

#include <algorithm>
#include <utility>

#include "protocol/command_block.h"
#include "protocol/write_header.h"

namespace vorpex::sim {
namespace {

using namespace vorpex::protocol;

constexpr uint8_t kStatusBadArgument = 1;
constexpr uint8_t kStatusNoRoom = 2;
constexpr uint8_t kStatusWrongState = 3;
constexpr uint8_t kStatusMemoryFailed = 4;

Outcome Violation(std::string why) {
  return {false, std::move(why)};
}

std::vector<uint8_t> OkBlock() {
  std::vector<uint8_t> block(kBlockSize, 0);
  std::copy(kOkReply.begin(), kOkReply.end(), block.begin());
  return block;
}

std::string Hex(uint8_t value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  return std::string("0x") + kDigits[value >> 4] + kDigits[value & 15];
}

std::string PayloadViolation(uint8_t code, size_t n) {
  return "payload of " + std::to_string(n) + " bytes for command " + Hex(code);
}

bool IsMemoryLetter(uint8_t letter) {
  return letter == kLetterMemoryM || letter == kLetterMemoryS;
}

// A file coming in to a player that keeps its files in memory.
class BytesIncoming : public IncomingFile {
 public:
  explicit BytesIncoming(uint32_t size) { bytes_.reserve(size); }
  bool Write(std::span<const uint8_t> bytes) override {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return true;
  }
  bool Finish(StoredSlot& slot) override {
    slot.data = std::move(bytes_);
    return true;
  }

 private:
  std::vector<uint8_t> bytes_;
};

}  // namespace

Outcome PlayerModel::Receive(std::span<const uint8_t> bytes) {
  switch (phase_) {
    case Phase::kCommand:
      return Command(bytes);
    case Phase::kReceiveFile:
      return ReceiveFileData(bytes);
    case Phase::kReceiveArea:
      return ReceiveAreaData(bytes);
    case Phase::kSendFile:
      break;
  }
  return Violation("OUT transfer while file data is due on the IN pipe");
}

Outcome PlayerModel::Deliver(std::span<uint8_t> out, size_t& delivered) {
  delivered = 0;
  if (out.size() % kBlockSize != 0 || out.empty()) {
    return Violation("IN read of " + std::to_string(out.size()) + " bytes");
  }
  if (output_.empty()) return outgoing_ ? DeliverFile(out, delivered) : Outcome{};
  const std::vector<uint8_t>& front = output_.front();
  delivered = std::min(out.size(), front.size() - frontOffset_);
  std::copy_n(front.begin() + static_cast<ptrdiff_t>(frontOffset_), delivered, out.begin());
  frontOffset_ += delivered;
  if (frontOffset_ == front.size()) {
    output_.pop_front();
    frontOffset_ = 0;
  }
  return {};
}

Outcome PlayerModel::DeliverFile(std::span<uint8_t> out, size_t& delivered) {
  const size_t n = static_cast<size_t>(std::min<uint64_t>(out.size(), outgoingWireLeft_));
  const size_t fromFile = static_cast<size_t>(std::min<uint64_t>(n, outgoingFileLeft_));
  if (!outgoing_->Read(out.first(fromFile))) {
    Cancel();
    return {true, {}, true};
  }
  std::fill(out.begin() + static_cast<ptrdiff_t>(fromFile), out.begin() + static_cast<ptrdiff_t>(n),
            uint8_t{0});
  outgoingFileLeft_ -= fromFile;
  outgoingWireLeft_ -= n;
  delivered = n;
  if (outgoingWireLeft_ == 0) {
    outgoing_.reset();
    phase_ = Phase::kCommand;
  }
  return {};
}

void PlayerModel::DropIncoming() {
  if (incoming_) data_.nextDataFile = nextDataFileBefore_;
  incoming_.reset();
  pendingMemory_ = nullptr;
}

void PlayerModel::Cancel() {
  output_.clear();
  frontOffset_ = 0;
  outgoing_.reset();
  pendingData_.clear();
  DropIncoming();
  phase_ = Phase::kCommand;
}

void PlayerModel::PowerLoss() {
  Cancel();
  upgradeMode_ = false;
  erased_ = {};
}

bool PlayerModel::Answer(std::vector<uint8_t> reply) {
  const auto struck = replyFaults.Strike(AimAt::kReply, std::exchange(firstReplyOf_, std::nullopt));
  if (!struck) {
    output_.push_back(std::move(reply));
    return true;
  }
  if (*struck == AimKind::kRefuseReply) {
    std::vector<uint8_t> refusal(kBlockSize, 0);
    BuildRefusal(Block(refusal.data(), kBlockSize), kStatusBadArgument);
    output_.push_back(std::move(refusal));
  }
  return false;
}

bool PlayerModel::AnswerOk() {
  return Answer(OkBlock());
}

void PlayerModel::Refuse(uint8_t status) {
  std::vector<uint8_t> block(kBlockSize, 0);
  BuildRefusal(Block(block.data(), kBlockSize), status);
  Answer(std::move(block));
}

bool PlayerModel::Kept() {
  return !keep || keep();
}

void PlayerModel::FailLastReply() {
  std::vector<uint8_t>& reply = output_.back();
  std::fill(reply.begin(), reply.end(), 0);
  BuildRefusal(Block(reply.data(), kBlockSize), kStatusMemoryFailed);
}

Outcome PlayerModel::Command(std::span<const uint8_t> block) {
  if (block.size() != kBlockSize) {
    return Violation("command block of " + std::to_string(block.size()) + " bytes");
  }
  const auto command = ParseCommandBlock(block);
  if (!command) return Violation("bad head, length or terminator");
  const uint8_t letter = command->letter;
  const uint8_t code = command->code;
  const auto payload = command->payload;

  // Outcome checks that need no state first, so a refused block changes nothing.
  if (IsMemoryLetter(letter)) {
    switch (code) {
      case kCmdFormat:
      case kCmdMp3Format:
      case kCmdVoiceFormat:
      case kCmdReadDirectory:
        if (!payload.empty()) return Violation(PayloadViolation(code, payload.size()));
        break;
      case kCmdDelete:
      case kCmdReadFile:
        if (payload.size() != 1) return Violation(PayloadViolation(code, payload.size()));
        break;
      case kCmdRenameOrReplace:
        if (payload.size() < 2 || payload.size() > 13) {
          return Violation(PayloadViolation(code, payload.size()));
        }
        break;
      case kCmdWriteFile:
        if (payload.size() <= kWriteHeaderTail || payload.size() > kWriteHeaderTail + 12) {
          return Violation(PayloadViolation(code, payload.size()));
        }
        break;
      default:
        return Violation("unknown command " + Hex(code) + " for memory " + Hex(letter));
    }
  } else if (letter == kLetterDeviceInfo) {
    if (code != kCmdDeviceInfo) return Violation("unknown command " + Hex(code) + " for Y");
    if (!payload.empty()) return Violation(PayloadViolation(code, payload.size()));
  } else if (letter == kLetterUpgradeMode) {
    if (code != kCmdUpgradeMode) return Violation("unknown command " + Hex(code) + " for G");
    if (payload.size() != 2 || payload[0] != kUpgradeModeFirstByte) {
      return Violation("bad upgrade-mode payload");
    }
  } else if (letter == kLetterUpgradeArea) {
    const size_t expected = code == kCmdEraseArea ? 1 : code == kCmdWriteArea ? 3 : 0;
    if (expected == 0) return Violation("unknown command " + Hex(code) + " for C");
    if (payload.size() != expected) return Violation(PayloadViolation(code, payload.size()));
    if (payload[0] != kAreaBoot && payload[0] != kAreaCodec) {
      return Violation("unknown firmware area " + Hex(payload[0]));
    }
  } else {
    return Violation("unknown memory letter " + Hex(letter));
  }

  // Replies the host did not read are dropped now.
  output_.clear();
  frontOffset_ = 0;
  firstReplyOf_ = CommandId{letter, code};

  if (IsMemoryLetter(letter)) {
    return MemoryCommand(letter == kLetterMemoryM ? 0 : 1, code, payload);
  }
  if (letter == kLetterDeviceInfo) {
    std::vector<uint8_t> reply(kBlockSize, 0);
    reply[0] = kBlockHead;
    reply[2] = static_cast<uint8_t>(kDeviceInfoSize + 2);
    reply[3] = kBlockColon;
    std::copy(data_.settings.deviceInfo.begin(), data_.settings.deviceInfo.end(),
              reply.begin() + 4);
    reply[4 + kDeviceInfoSize] = kBlockTerminator;
    Answer(std::move(reply));
    return {};
  }
  return UpgradeCommand(letter, code, payload);
}

Outcome PlayerModel::MemoryCommand(size_t index, uint8_t code, std::span<const uint8_t> payload) {
  Memory& memory = data_.memories[index];
  switch (code) {
    case kCmdFormat:
    case kCmdMp3Format:
    case kCmdVoiceFormat:
      if (AnswerOk()) {
        std::vector<StoredSlot> before = std::exchange(memory.slots, {});
        const uint8_t formatBefore = std::exchange(memory.lastFormat, code);
        if (!Kept()) {
          memory.slots = std::move(before);
          memory.lastFormat = formatBefore;
          FailLastReply();
        }
      }
      break;
    case kCmdReadDirectory:
      ReadDirectory(memory, headerOverrides[index]);
      break;
    case kCmdDelete: {
      const auto slot = memory.SlotOfEntry(payload[0]);
      if (!slot) {
        Refuse(kStatusBadArgument);
      } else if (AnswerOk()) {
        StoredSlot& stored = memory.slots[*slot];
        StoredSlot before = std::exchange(stored, StoredSlot{stored.raw, {}, {}});
        stored.raw[0] = kSlotDeleted;
        if (!Kept()) {
          stored = std::move(before);
          FailLastReply();
        }
      }
      break;
    }
    case kCmdRenameOrReplace:
      RenameOrReplace(memory, payload);
      break;
    case kCmdReadFile: {
      const auto slot = memory.SlotOfEntry(payload[0]);
      if (!slot) {
        Refuse(kStatusBadArgument);
        break;
      }
      const StoredSlot& stored = memory.slots[*slot];
      const uint64_t size = StoredSize(stored);
      std::unique_ptr<OutgoingFile> source;
      std::string error;
      if (size > 0 && !(source = OpenStored(data_, stored, error))) {
        Refuse(kStatusMemoryFailed);
        break;
      }
      if (!AnswerOk() || !AnswerOk()) break;  // refused or lost: no data follows
      if (source) {
        outgoing_ = std::move(source);
        outgoingFileLeft_ = size;
        outgoingWireLeft_ = WireLength(size);
        phase_ = Phase::kSendFile;
      }
      break;
    }
    case kCmdWriteFile:
      WriteFile(memory, payload);
      break;
    default:
      break;  // checked by the caller
  }
  return {};
}

void PlayerModel::ReadDirectory(const Memory& memory, const HeaderOverride& announced) {
  // Trailing empty or deleted slots are not announced.
  size_t stored = memory.slots.size();
  while (stored > 0 && !IsFileSlot(memory.slots[stored - 1].raw)) --stored;
  const uint16_t entries = announced.entries.value_or(static_cast<uint16_t>(memory.FileCount()));
  const uint16_t slots = announced.slots.value_or(static_cast<uint16_t>(stored));
  std::vector<uint8_t> header = OkBlock();
  EncodeDirectoryHeader(header, {entries, slots, static_cast<uint16_t>(memory.capacity),
                                 static_cast<uint16_t>(memory.UsedUnits())});
  if (!Answer(std::move(header))) return;
  if (entries == 0) return;  // the host reads no directory blocks then
  for (size_t first = 0; first < slots; first += kSlotsPerBlock) {
    std::vector<uint8_t> block(kBlockSize, 0);
    for (size_t i = 0; i < kSlotsPerBlock && first + i < std::min<size_t>(slots, stored); ++i) {
      const auto& raw = memory.slots[first + i].raw;
      std::copy(raw.begin(), raw.end(), block.begin() + static_cast<ptrdiff_t>(i * kSlotSize));
    }
    if (!Answer(std::move(block))) return;
  }
}

void PlayerModel::RenameOrReplace(Memory& memory, std::span<const uint8_t> payload) {
  const auto slot = memory.SlotOfEntry(payload[0]);
  if (!slot) return Refuse(kStatusBadArgument);
  if (payload.size() == 2) {
    const auto other = memory.SlotOfEntry(payload[1]);
    if (!other) return Refuse(kStatusBadArgument);
    if (AnswerOk()) {
      std::swap(memory.slots[*slot], memory.slots[*other]);
      if (!Kept()) {
        std::swap(memory.slots[*slot], memory.slots[*other]);
        FailLastReply();
      }
    }
    return;
  }
  const std::string name(payload.begin() + 1, payload.end());
  const auto split = SplitShortName(name);
  if (!split) return Refuse(kStatusBadArgument);
  if (AnswerOk()) {
    auto& raw = memory.slots[*slot].raw;
    const Slot before = raw;
    std::copy(split->name.begin(), split->name.end(), raw.begin());
    std::copy(split->extension.begin(), split->extension.end(), raw.begin() + 8);
    if (!Kept()) {
      raw = before;
      FailLastReply();
    }
  }
}

void PlayerModel::WriteFile(Memory& memory, std::span<const uint8_t> payload) {
  const auto header = DecodeWriteHeader(payload);
  const auto split = header ? SplitShortName(header->shortName) : std::nullopt;
  if (!split) return Refuse(kStatusBadArgument);
  if (memoryFull || memory.FileCount() >= kMaxFiles ||
      memory.UsedUnits() + static_cast<uint64_t>(UnitsFor(header->size)) > memory.capacity) {
    return Refuse(kStatusNoRoom);
  }
  size_t slot = 0;
  while (slot < memory.slots.size() && IsFileSlot(memory.slots[slot].raw)) ++slot;
  // A free slot is one never used or deleted; long-name, volume and folder slots stay.
  while (slot < memory.slots.size() && memory.slots[slot].raw[11] != 0 &&
         memory.slots[slot].raw[0] != kSlotDeleted) {
    ++slot;
  }
  if (slot >= kMaxSlots) return Refuse(kStatusNoRoom);

  SlotFields fields;
  fields.name = split->name;
  fields.extension = split->extension;
  fields.attributes = kAttrArchive;
  fields.time = header->time;
  fields.date = header->date;
  fields.size = header->size;

  // Where the bytes will go, made before the reply so that a player that cannot take them
  // says so.
  nextDataFileBefore_ = data_.nextDataFile;
  if (header->size > 0) {
    std::string error;
    const auto index = static_cast<size_t>(&memory - data_.memories.data());
    incoming_ = data_.files ? data_.files->Receive(data_, index, error)
                            : std::make_unique<BytesIncoming>(header->size);
    if (!incoming_) return Refuse(kStatusMemoryFailed);
  }
  std::vector<uint8_t> reply = OkBlock();
  reply[6] = static_cast<uint8_t>(memory.EntryOfSlot(slot));
  if (!Answer(std::move(reply))) return DropIncoming();
  pendingMemory_ = &memory;
  pendingSlot_ = slot;
  pendingRaw_ = EncodeSlot(fields);
  pendingSize_ = header->size;
  pendingWireLeft_ = WireLength(header->size);
  pendingFileLeft_ = header->size;
  if (pendingWireLeft_ == 0) {
    if (!CommitFile()) FailLastReply();
  } else {
    phase_ = Phase::kReceiveFile;
  }
}

Outcome PlayerModel::ReceiveFileData(std::span<const uint8_t> bytes) {
  if (bytes.empty() || bytes.size() % kBlockSize != 0) {
    return Violation("file data of " + std::to_string(bytes.size()) + " bytes");
  }
  if (bytes.size() > pendingWireLeft_) {
    return Violation("file data of " + std::to_string(bytes.size()) + " bytes where " +
                     std::to_string(pendingWireLeft_) + " are due");
  }
  // The padding of the last unit is not the file's.
  const size_t fileBytes = static_cast<size_t>(std::min<uint64_t>(bytes.size(), pendingFileLeft_));
  if (!incoming_->Write(bytes.first(fileBytes))) {
    DropIncoming();
    phase_ = Phase::kCommand;
    return {true, {}, true};
  }
  pendingFileLeft_ -= fileBytes;
  pendingWireLeft_ -= bytes.size();
  if (pendingWireLeft_ == 0 && !CommitFile()) return {true, {}, true};
  return {};
}

bool PlayerModel::CommitFile() {
  Memory& memory = *pendingMemory_;
  StoredSlot stored;
  stored.raw = pendingRaw_;
  phase_ = Phase::kCommand;
  if (incoming_ && !incoming_->Finish(stored)) {
    DropIncoming();
    return false;
  }
  incoming_.reset();
  pendingMemory_ = nullptr;
  const std::string dataFile = stored.dataFile;
  if (!dataFile.empty()) data_.dataFilesOnDisk.insert(dataFile);
  const bool appended = pendingSlot_ >= memory.slots.size();
  StoredSlot before;
  if (appended) {
    memory.slots.push_back(std::move(stored));
  } else {
    before = std::exchange(memory.slots[pendingSlot_], std::move(stored));
  }
  if (Kept()) return true;
  if (appended) {
    memory.slots.pop_back();
  } else {
    memory.slots[pendingSlot_] = std::move(before);
  }
  if (!dataFile.empty()) {
    data_.files->Drop(dataFile);
    data_.dataFilesOnDisk.erase(dataFile);
  }
  data_.nextDataFile = nextDataFileBefore_;
  return false;
}

Outcome PlayerModel::UpgradeCommand(uint8_t letter, uint8_t code,
                                    std::span<const uint8_t> payload) {
  if (letter == kLetterUpgradeMode) {
    if (AnswerOk()) {
      upgradeMode_ = true;
      upgradeModeByte_ = payload[1];
      erased_ = {};
    }
    return {};
  }
  const bool boot = payload[0] == kAreaBoot;
  const size_t area = boot ? 0 : 1;
  if (code == kCmdEraseArea) {
    if (!upgradeMode_) {
      Refuse(kStatusWrongState);
    } else if (AnswerOk()) {
      std::vector<uint8_t>& bytes = boot ? data_.bootArea : data_.codecArea;
      std::vector<uint8_t> before = std::exchange(bytes, {});
      data_.areasChanged = true;
      if (Kept()) {
        erased_[area] = true;
      } else {
        bytes = std::move(before);
        FailLastReply();
      }
    }
    return {};
  }
  const uint32_t blocks = static_cast<uint32_t>(payload[1]) << 8 | payload[2];
  const uint32_t limit = boot ? kBootAreaBytes / kBlockSize : kMaxAreaBlocks;
  if (!upgradeMode_ || !erased_[area]) {
    Refuse(kStatusWrongState);
  } else if (blocks == 0 || blocks > limit) {
    Refuse(kStatusBadArgument);
  } else if (AnswerOk()) {
    pendingBoot_ = boot;
    pendingWireLeft_ = static_cast<size_t>(blocks) * kBlockSize;
    pendingData_.clear();
    pendingData_.reserve(pendingWireLeft_);
    phase_ = Phase::kReceiveArea;
  }
  return {};
}

Outcome PlayerModel::ReceiveAreaData(std::span<const uint8_t> bytes) {
  if (bytes.empty() || bytes.size() % kBlockSize != 0 || bytes.size() > pendingWireLeft_) {
    return Violation("firmware data of " + std::to_string(bytes.size()) + " bytes where " +
                     std::to_string(pendingWireLeft_) + " are due");
  }
  pendingData_.insert(pendingData_.end(), bytes.begin(), bytes.end());
  pendingWireLeft_ -= bytes.size();
  if (pendingWireLeft_ > 0) return {};
  phase_ = Phase::kCommand;
  if (AnswerOk()) {
    std::vector<uint8_t>& area = pendingBoot_ ? data_.bootArea : data_.codecArea;
    std::vector<uint8_t> before = std::exchange(area, std::move(pendingData_));
    erased_[pendingBoot_ ? 0 : 1] = false;
    upgradeMode_ = false;
    data_.areasChanged = true;
    if (!Kept()) {
      area = std::move(before);
      FailLastReply();
    }
  }
  pendingData_.clear();
  return {};
}

}  // namespace vorpex::sim
