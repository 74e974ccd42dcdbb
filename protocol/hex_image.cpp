#include "protocol/hex_image.h"

#include <algorithm>

namespace vorpex::protocol {

std::string HexFailureText(HexFailure failure, size_t line) {
  const std::string at = "line " + std::to_string(line);
  switch (failure) {
    case HexFailure::kNone:
      return "";
    case HexFailure::kMalformedRecord:
      return "the record at " + at +
             " is cut short, holds a character that is not a hex digit or fails its checksum";
    case HexFailure::kRunsOn:
      return "the record at " + at +
             " runs on past its checksum, as if the line end before the next record were lost";
    case HexFailure::kRecordAfterStrayLine:
      return at + " is not a record, yet records follow it";
    case HexFailure::kImageTooLarge:
      return at + " places data beyond the 33,553,920 bytes a firmware image may hold";
    case HexFailure::kSinkFailed:
      return "the image cannot be written";
  }
  return "";
}

bool HexImageBuilder::Fail(HexFailure failure) {
  failure_ = failure;
  if (failure == HexFailure::kRecordAfterStrayLine) {
    failureLine_ = strayLine_;
  } else if (failure != HexFailure::kSinkFailed) {
    failureLine_ = lines_;
  }
  return false;
}

bool HexImageBuilder::Feed(std::span<const char> text) {
  for (char c : text) {
    if (done()) break;
    if (c == '\n' || c == '\r') {
      bool crLf = c == '\n' && lastWasCr_;
      lastWasCr_ = c == '\r';
      if (crLf) continue;  // the LF of a CR LF pair
      if (!EndLine()) return false;
      continue;
    }
    lastWasCr_ = false;
    if (line_.size() < kHexLineSignificant) {
      line_.push_back(c);
    } else if (!IsHexBlank(c)) {
      droppedNonBlank_ = true;
    }
  }
  return failure_ == HexFailure::kNone;
}

bool HexImageBuilder::Finish() {
  if (!done() && !line_.empty()) EndLine();
  return failure_ == HexFailure::kNone;
}

bool HexImageBuilder::EndLine() {
  ++lines_;
  HexLine kind = ParseHexLine(line_, record_);
  // Only the start of a line too long to hold was looked at: blanks there do not make the
  // whole line blank, and a record there is followed by more than blanks.
  if (droppedNonBlank_ && kind == HexLine::kBlank) kind = HexLine::kNotRecord;
  if (droppedNonBlank_ && kind == HexLine::kRecord) kind = HexLine::kRunsOn;
  line_.clear();
  droppedNonBlank_ = false;
  switch (kind) {
    case HexLine::kBlank: return true;
    case HexLine::kNotRecord:
      // The data end here; only more records after it would be an error.
      if (!strayLineSeen_) strayLine_ = lines_;
      strayLineSeen_ = true;
      return true;
    case HexLine::kMalformed:
      return Fail(strayLineSeen_ ? HexFailure::kRecordAfterStrayLine
                                 : HexFailure::kMalformedRecord);
    case HexLine::kRunsOn:
      return Fail(strayLineSeen_ ? HexFailure::kRecordAfterStrayLine : HexFailure::kRunsOn);
    case HexLine::kRecord:
      if (strayLineSeen_) return Fail(HexFailure::kRecordAfterStrayLine);
      return Apply(record_);
  }
  return true;
}

bool HexImageBuilder::Apply(const HexRecord& record) {
  switch (static_cast<HexRecordType>(record.type)) {
    case HexRecordType::kEndOfFile: endOfFile_ = true; return true;
    case HexRecordType::kExtendedLinearAddress:
    case HexRecordType::kExtendedSegmentAddress: {
      if (record.count != 2) return Fail(HexFailure::kMalformedRecord);
      uint64_t value = static_cast<uint64_t>(record.data[0]) << 8 | record.data[1];
      // A linear address counts its own address field too (normally 0000); a segment address
      // is a paragraph number. Whichever came last governs.
      extension_ = record.type == 0x04 ? (value << 16) + record.address : value << 4;
      return true;
    }
    case HexRecordType::kData: break;
    default: return true;  // start addresses and unknown types say nothing about the image
  }

  uint64_t address = (extension_ + record.address) & 0xFFFFFFFFull;
  uint64_t end = address + record.count;
  if (end <= base_ && !(record.count == 0 && address > currentEnd_)) return true;
  uint64_t start = std::max(address, base_);
  if (std::max(end, start) - base_ > maxImage_) return Fail(HexFailure::kImageTooLarge);
  if (currentEnd_ < start) {
    if (!sink_.Fill(currentEnd_ - base_, start - currentEnd_)) return Fail(HexFailure::kSinkFailed);
    currentEnd_ = start;
  }
  if (end > start) {
    std::span<const uint8_t> bytes(record.data.data() + (start - address), end - start);
    if (!sink_.Write(start - base_, bytes)) return Fail(HexFailure::kSinkFailed);
    currentEnd_ = std::max(currentEnd_, end);
  }
  return true;
}

}  // namespace vorpex::protocol
