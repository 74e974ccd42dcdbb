// An upgrade that an interrupt cannot cut in two. From the erase to the final reply the player's
// firmware area is empty or half-written, so every interrupt is deferred there: the user hears
// how long the upgrade still takes, the exchange ends and its outcome is reported. An upgrade
// that failed then ends with the interrupt's status; one that completed says the interrupt came
// too late to stop it, and succeeds.
#pragma once
#include "tools/vorpex/interrupt.h"
#include "vorpex_host.h"

namespace vorpex::cli {

class UpgradeGuard {
 public:
  // Follows the upgrade's stages and the bytes it sent, passing every hook on to `inner` (the
  // hooks that draw its window), until destroyed.
  explicit UpgradeGuard(const VorpexUiHooks& inner);
  ~UpgradeGuard();
  UpgradeGuard(const UpgradeGuard&) = delete;
  UpgradeGuard& operator=(const UpgradeGuard&) = delete;

  // An interrupt came while the upgrade could not be stopped.
  bool Interrupted() const;
};

}  // namespace vorpex::cli
