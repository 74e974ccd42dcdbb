// How the Vizu10 driver's names and abort message read, for every face of the driver: the
// simulated one and the one over libusb. Pure text and bytes, no I/O.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vorpex::protocol {

// The abort message: eight bytes written to the device file, the first of them 1.
inline constexpr uint8_t kAbortFirstByte = 1;
inline constexpr size_t kAbortMessageSize = 8;

// Device paths and class names compare without regard to ASCII case.
inline std::string AsciiLower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  });
  return lower;
}

// A class GUID with or without its braces, in lower case.
inline std::string UnbracedGuid(std::string_view guid) {
  if (guid.size() >= 2 && guid.front() == '{' && guid.back() == '}') {
    guid = guid.substr(1, guid.size() - 2);
  }
  return AsciiLower(guid);
}

}  // namespace vorpex::protocol
