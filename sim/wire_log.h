// The wire log: every block and data transfer between host and player, with its direction,
// plus the pipe requests and the protocol violations the player refused.
#pragma once
#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <vector>

namespace vorpex::sim {

// Values match PLAYERSIM_LOG_* of playersim.h.
enum class LogKind : int32_t {
  kOut = 1,            // host to player (bulk OUT)
  kIn = 2,             // player to host (bulk IN)
  kControl = 3,        // control transfer; bytes are the 8-byte setup packet
  kHalt = 4,           // halt of a pipe's pending transfer
  kReset = 5,          // pipe reset
  kAbort = 6,          // abort message
  kViolation = 7,      // a transfer the player refused as breaking the protocol; note says why
  kOpen = 8,           // a Vizu10 driver file opened (or not); bytes are its path
  kConfiguration = 9,  // the Vizu10 configuration request; bytes are the descriptors sent
};

struct LogEntry {
  LogKind kind;
  uint32_t pipe;
  bool ok;
  std::vector<uint8_t> bytes;  // what moved (for a failed OUT transfer: what was offered)
  std::string note;
};

// Kept only when asked for (Keep): a log nobody reads costs nothing. Kept, it holds the bytes
// of the first 64 MiB of transfers, then only lengths, and past 16 MiB more of entries it
// only counts them, so its memory stays bounded however long a program runs.
class WireLog {
 public:
  // Off: entries are no longer added, and those held are let go of.
  void Keep(bool on);
  bool kept() const { return keep_; }
  void Add(LogKind kind, uint32_t pipe, bool ok, std::span<const uint8_t> bytes = {},
           std::string note = {});
  const std::deque<LogEntry>& entries() const { return entries_; }
  void Clear();
  // One line per entry: kind, pipe, result, length, note, then the bytes in hex.
  std::string Text() const;

 private:
  bool keep_ = false;
  std::deque<LogEntry> entries_;
  size_t storedBytes_ = 0;  // the entries' bytes
  size_t entryBytes_ = 0;   // what the entries take beside them
  size_t dropped_ = 0;      // entries not kept for want of room
};

}  // namespace vorpex::sim
