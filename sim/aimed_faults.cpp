#include "sim/aimed_faults.h"

#include <algorithm>

namespace vorpex::sim {

void AimedFaults::Clear(AimKind kind) {
  std::erase_if(armed_, [kind](const AimedFault& f) { return f.kind == kind; });
}

std::optional<AimKind> AimedFaults::Strike(AimAt at, std::optional<CommandId> command) {
  std::optional<AimKind> struck;
  for (auto it = armed_.begin(); it != armed_.end();) {
    bool hit = false;
    if (it->at == AimAt::kCommand) {
      hit = command && command->letter == it->letter && command->code == it->code;
    } else if (it->at == at || (it->at == AimAt::kTransfer && at != AimAt::kReply)) {
      hit = --it->count == 0;
    }
    if (!hit) {
      ++it;
      continue;
    }
    if (!struck) struck = it->kind;
    it = armed_.erase(it);
  }
  return struck;
}

}  // namespace vorpex::sim
