// Faults a test aims at one exchange of the player: the Nth reply or transfer from now, or the
// next command with a given letter and code. Each strikes once and is then forgotten.
#pragma once
#include <cstdint>
#include <optional>
#include <vector>

namespace vorpex::sim {

enum class AimKind {
  kRefuseReply,    // the reply becomes a refusal; the command sends nothing more
  kDropReply,      // the reply is lost; the command sends nothing more
  kShortTransfer,  // the transfer moves half its 512-byte units
  kStallTransfer,  // the transfer moves nothing and fails after its time-out
  kUnplug,         // the player is unplugged as the transfer begins (it fails)
};

enum class AimAt {
  kReply,        // reply blocks (directory blocks too), not file data
  kTransfer,     // bulk transfers in either direction
  kTransferOut,  // bulk transfers from the host
  kTransferIn,   // bulk transfers to the host
  kCommand,      // the next command with `letter` and `code`
};

struct AimedFault {
  AimKind kind;
  AimAt at;
  uint32_t count = 1;  // counted targets: the exchange this many from now (1: the next)
  uint8_t letter = 0;  // kCommand
  uint8_t code = 0;
};

struct CommandId {
  uint8_t letter;
  uint8_t code;
};

class AimedFaults {
 public:
  void Add(const AimedFault& fault) { armed_.push_back(fault); }
  void Clear() { armed_.clear(); }
  void Clear(AimKind kind);
  bool Empty() const { return armed_.empty(); }

  // One exchange of the kind `at` (kReply, kTransferOut or kTransferIn) happens, carrying the
  // command `command` when it is the first reply to one or the transfer of one. Counted faults
  // that cover it step on; the fault that strikes now is returned (the one armed first when
  // several do).
  std::optional<AimKind> Strike(AimAt at, std::optional<CommandId> command);

 private:
  std::vector<AimedFault> armed_;
};

}  // namespace vorpex::sim
