#include "protocol/hex_record.h"

namespace vorpex::protocol {
namespace {

// 0..15 for a hex digit of either case, 0xFF for anything else.
constexpr std::array<uint8_t, 256> MakeDigitTable() {
  std::array<uint8_t, 256> table{};
  for (auto& value : table) value = 0xFF;
  for (int c = '0'; c <= '9'; ++c) table[static_cast<size_t>(c)] = static_cast<uint8_t>(c - '0');
  for (int c = 'A'; c <= 'F'; ++c) table[static_cast<size_t>(c)] = static_cast<uint8_t>(c - 'A' + 10);
  for (int c = 'a'; c <= 'f'; ++c) table[static_cast<size_t>(c)] = static_cast<uint8_t>(c - 'a' + 10);
  return table;
}
constexpr std::array<uint8_t, 256> kDigit = MakeDigitTable();

// The byte at character position `at`, or false when a digit is missing or not hex.
bool ByteAt(std::string_view line, size_t at, uint8_t& value) {
  if (at + 2 > line.size()) return false;
  uint8_t high = kDigit[static_cast<uint8_t>(line[at])];
  uint8_t low = kDigit[static_cast<uint8_t>(line[at + 1])];
  if ((high | low) & 0xF0) return false;
  value = static_cast<uint8_t>(high << 4 | low);
  return true;
}

}  // namespace

bool IsHexBlank(char c) {
  return c == ' ' || c == '\t' || c == '\f' || c == '\v';
}

HexLine ParseHexLine(std::string_view line, HexRecord& record) {
  if (line.empty() || line[0] != ':') {
    for (char c : line) {
      if (!IsHexBlank(c)) return HexLine::kNotRecord;
    }
    return HexLine::kBlank;
  }
  uint8_t count = 0, addressHigh = 0, addressLow = 0, type = 0, checksum = 0;
  if (!ByteAt(line, 1, count) || !ByteAt(line, 3, addressHigh) || !ByteAt(line, 5, addressLow) ||
      !ByteAt(line, 7, type)) {
    return HexLine::kMalformed;
  }
  uint8_t sum = static_cast<uint8_t>(count + addressHigh + addressLow + type);
  size_t at = 9;
  for (size_t i = 0; i < count; ++i, at += 2) {
    if (!ByteAt(line, at, record.data[i])) return HexLine::kMalformed;
    sum = static_cast<uint8_t>(sum + record.data[i]);
  }
  if (!ByteAt(line, at, checksum) || static_cast<uint8_t>(sum + checksum) != 0) {
    return HexLine::kMalformed;
  }
  for (char c : line.substr(at + 2)) {
    if (!IsHexBlank(c)) return HexLine::kRunsOn;
  }
  record.count = count;
  record.address = static_cast<uint16_t>(addressHigh << 8 | addressLow);
  record.type = type;
  return HexLine::kRecord;
}

}  // namespace vorpex::protocol
