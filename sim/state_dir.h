// The state directory: the simulated player between runs, in a form anyone can read.
//
//   player.txt   settings and both directories, one item a line:
//                  vorpex-player 1
//                  driver-version 502          (what the driver's version request answers)
//                  present 1                   (0: the player is not on the bus)
//                  refuse-registration 0       (1: the driver refuses to register it)
//                  endpoints 3                 (endpoints of the player's interface, up to 30)
//                  endpoint-addresses 01 02 83 (their addresses in hex, one per endpoint;
//                                               PIPE00, PIPE01, ... are these in order)
//                  interfaces 1                (device interfaces of the Vizu10 class, 0 to 32)
//                  refuse-open 0               (bit i set: interface i cannot be opened)
//                  configuration-length 0      (0: the configuration descriptor's total length
//                                               is that of the descriptors sent; else this)
//                  device-info <40 hex digits> (the 20 bytes of the device information)
//                  next-file <n>               (serial of the next data file)
//                  memory M <capacity> <last format: F, C, V or ->
//                  slot M <64 hex digits: the 32-byte directory slot> <data file or ->
//                  ... the same for S
//                Capacities count units of 16384 bytes. Items missing from an older
//                player.txt take their defaults.
//   M/, S/       the files' bytes, one file per stored file ("<serial>.bin"), named in
//                player.txt beside the slot ("M/<serial>.bin" for a slot of M, "S/..." for
//                S; no other name is read, and no file is named by two slots).
//   boot.bin     the blocks last written to the boot area (block count times 512 bytes)
//   codec.bin    the same for the codec area
//   player.lock  held by the program that has the player attached (opened without sharing
//                on Windows, flock on Linux), so that a second program is refused instead of
//                the two removing each other's data files; it stays behind, empty, unheld.
//
// Every file is written beside its final name and then renamed over it, data files before
// player.txt, so a crash leaves the previous player or the new one, never a broken one. A file
// coming in from the host is written into its data file as it arrives; a data file is read
// only when the host reads its file.
//
// The folder is input: only its own regular files are opened (a link, a device or a pipe is
// refused before anything is read, and nothing waits on a pipe), and none is read beyond what
// the player can hold: player.txt up to 1 MiB, boot.bin up to 8192 bytes, codec.bin up to
// 65535 blocks, a data file exactly as many bytes as its slot says. Each refusal names the file.
#pragma once
#include <optional>
#include <string>

#include "platform/file.h"
#include "sim/player_data.h"

namespace vorpex::sim {

// False, with the reason in `error`, when `dir` holds no player.txt (or only a link to none):
// a player is only ever made by CreateStateDir, never on the way to using one.
bool HoldsPlayer(const std::string& dir, std::string& error);

// Reads the player of `dir` (its data files only checked, left where they are: the data's
// `files` reads them). Nullopt, with the reason in `error`, when the folder holds no player or
// something that is not a valid player.
std::optional<PlayerData> LoadStateDir(const std::string& dir, std::string& error);

// Writes the player into `dir` (created when missing). Bytes of files kept in memory are written
// into data files and let go of (the data's `files` reads them from `dir` from then on). Data
// files that it no longer names are removed afterwards. False, with the reason in `error`, when a
// file cannot be written; the data files this save wrote are then removed again and `data` names
// none of them.
bool SaveStateDir(const std::string& dir, PlayerData& data, std::string& error);

// Creates a fresh player with `settings`; fails when `dir` already holds a player.
bool CreateStateDir(const std::string& dir, const PlayerSettings& settings, std::string& error);

// The state directory held for one program from attach to detach (player.lock). The folder is
// created when missing.
class StateDirLock {
 public:
  // Nullopt, with the reason in `error`, when another program holds the folder or the lock
  // file cannot be made.
  static std::optional<StateDirLock> Take(const std::string& dir, std::string& error);

 private:
  explicit StateDirLock(platform::File file) : file_(std::move(file)) {}
  platform::File file_;
};

}  // namespace vorpex::sim
