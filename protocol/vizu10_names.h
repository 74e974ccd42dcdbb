// How the Vizu10 driver's names and abort message read, for every face of the driver: the
// simulated one and the one over libusb. Pure text and bytes, no I/O.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
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

// The driver's device interface class, and the fixed name of the first player's device file
// on the systems without device interfaces.
inline constexpr std::string_view kVizu10ClassGuid = "{A5B039C4-D5F2-11D6-99E0-52544C996075}";
inline constexpr std::string_view kVizu10FixedName = "\\\\.\\Vizu10-0";

// The pipe files below a device file ("<device>\PIPE00"), one for each endpoint of the
// interface in descriptor order: commands and data go out on PIPE00 or PIPE01 (the
// configuration decides, see device_route.h), replies come in on PIPE02.
inline constexpr const char* kVizu10Pipe00 = "PIPE00";
inline constexpr const char* kVizu10Pipe01 = "PIPE01";
inline constexpr const char* kVizu10ReadPipe = "PIPE02";
// What a parsed path names when it names no pipe: the device file.
inline constexpr uint32_t kVizu10DeviceFile = 0xFF;

// A path of the driver's files, taken apart.
struct Vizu10Path {
  bool fixedName = false;  // the fixed name: the first player
  std::string instance;    // of a device interface path, the part naming the player (lower case)
  uint32_t pipe = kVizu10DeviceFile;  // 0 to 99 for PIPE00 to PIPE99
};

// The path of the device interface of the class for the player `instance` names:
// "\\?\usb#vid_04e8&pid_1003#<instance>#{a5b039c4-d5f2-11d6-99e0-52544c996075}".
std::string Vizu10InterfacePath(std::string_view instance);
// A device file (the fixed name or an interface path), alone or followed by "\PIPE" and two
// digits, in any case; nothing for any other path.
std::optional<Vizu10Path> ParseVizu10Path(std::string_view path);

}  // namespace vorpex::protocol
