// The simulated player as the Vizu10 USB driver: the device interfaces of the driver's class,
// the fixed names of the older route, one file per pipe, the configuration request and the
// abort message, all on the same player as the WinDriver face.
//
// Files (names compare without regard to case, as the system's do):
//   <interface path>                the device file of interface i; the paths are
//                                   \\?\usb#vid_04e8&pid_1003#sim<i>#{a5b039c4-...-52544c996075}
//   <interface path>\PIPE0n         pipe file n (endpoint n of the endpoint list)
//   \\.\Vizu10-0, \\.\Vizu10-0\PIPE0n   the same files of interface 0 by their fixed names
// Interface i refuses every open of its files (access denied) while bit i of refuseOpenMask
// is set. With the player unplugged or absent nothing opens (file not found), the class has no
// present interfaces, and the configuration request and every transfer fail. Handles opened
// before an unplug stay dead after the player comes back (the device was removed).
//
// Pipes:
//   the write pipe   bulk OUT to the player: command blocks and data. It is PIPE01, or PIPE00
//                    when the descriptors make a host choose it (WritePipeIndex); a host that
//                    writes commands to the other one breaks the protocol.
//   PIPE00           also the abort pipe: an 8-byte write whose first byte is 1 is the abort
//                    message and ends a data phase, as the WinDriver cancel request does.
//                    When PIPE00 is the write pipe as well this is still unambiguous: commands
//                    and data are whole 512-byte units, never 8 bytes.
//   PIPE02           bulk IN from the player: replies and data.
// Every pipe transfer waits at most kVizu10TimeoutMs (a real driver waits until the device
// answers; the simulation gives up so that a test cannot hang): a read with nothing to deliver
// fails after that time, in virtual time when the clock is virtual.
//
// The wire log gets every open (kOpen: the pipe number, or kDeviceFile, and the path), every
// configuration request (kConfiguration, the descriptors sent), every transfer (kOut, kIn with
// the endpoint address of the pipe as its pipe number) and every abort message (kAbort).
#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/vizu10_names.h"
#include "sim/player.h"

namespace vorpex::sim {

inline constexpr uint32_t kVizu10TimeoutMs = 3000;
inline constexpr size_t kConfigurationBufferSize = 256;
// The pipe number the wire log gives the device file.
inline constexpr uint32_t kDeviceFile = protocol::kVizu10DeviceFile;

// Handles are never 0 or -1 (the values a caller may use for "none" and "invalid").
using Vizu10Handle = intptr_t;

class SimVizu10 {
 public:
  // Handles count up from `firstHandle`, so that handles of an earlier face are not mistaken
  // for handles of this one.
  SimVizu10(Player& player, Vizu10Handle firstHandle);

  // Paths of the present interfaces of the class `classGuid` (braces optional, any case).
  std::vector<std::string> InterfacePaths(std::string_view classGuid) const;
  // A handle to the file `path`, or nullopt (with the system's last error set).
  std::optional<Vizu10Handle> Open(std::string_view path);
  // The configuration request on a device file: fills the start of `buffer` with the
  // descriptors and leaves the rest as it was; false when it fails.
  bool Configuration(Vizu10Handle device, std::span<uint8_t, kConfigurationBufferSize> buffer);
  // Bytes moved, or nullopt when the transfer failed.
  std::optional<uint32_t> Write(Vizu10Handle pipe, std::span<const uint8_t> data);
  std::optional<uint32_t> Read(Vizu10Handle pipe, std::span<uint8_t> buffer);
  void Close(Vizu10Handle handle);

  size_t OpenHandles() const { return files_.size(); }

 private:
  struct OpenFile {
    uint32_t pipe;         // pipe number, or kDeviceFile
    bool fixedName;        // opened by its fixed name (the older route)
    uint32_t unplugCount;  // the player's unplug count when it was opened
  };
  struct Target {
    uint32_t interface;
    uint32_t pipe;
    bool fixedName;
  };
  std::optional<Target> Parse(std::string_view path) const;
  // The open file behind `handle` while it still works; nullptr (last error set) otherwise.
  const OpenFile* Usable(Vizu10Handle handle, LogKind kind);
  uint32_t EndpointOf(uint32_t pipe) const;

  Player& player_;
  std::map<Vizu10Handle, OpenFile> files_;
  Vizu10Handle nextHandle_;
};

}  // namespace vorpex::sim
