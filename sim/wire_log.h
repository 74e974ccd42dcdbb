// The wire log: every block and data transfer between host and player, with its direction,
// plus the pipe requests and the protocol violations the player refused.
#pragma once
#include <cstdint>
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

class WireLog {
 public:
  void Add(LogKind kind, uint32_t pipe, bool ok, std::vector<uint8_t> bytes = {},
           std::string note = {});
  const std::vector<LogEntry>& entries() const { return entries_; }
  void Clear();
  // One line per entry: kind, pipe, result, length, note, then the bytes in hex.
  std::string Text() const;

 private:
  std::vector<LogEntry> entries_;
  size_t storedBytes_ = 0;
};

}  // namespace vorpex::sim
