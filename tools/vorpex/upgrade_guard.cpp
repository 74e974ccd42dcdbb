#include "tools/vorpex/upgrade_guard.h"

#include <atomic>
#include <chrono>
#include <cstdint>

namespace vorpex::cli {
namespace {

// Two one-second pauses follow each of the erase and write commands.
constexpr uint32_t kPausesPerStageMs = 2000;
constexpr uint32_t kAssumedBytesPerMs = 500;  // until the first blocks tell the real pace

// What the upgrade told of itself: its stage, when it began, the image's size and the bytes of
// it sent. Read by the interrupt's notice, which may run in a signal handler: lock-free atomics.
std::atomic<int32_t> gStage{0};
std::atomic<uint32_t> gStageStartMs{0};
std::atomic<uint32_t> gTotal{0};
std::atomic<uint32_t> gSent{0};
static_assert(std::atomic<int32_t>::is_always_lock_free &&
              std::atomic<uint32_t>::is_always_lock_free);
VorpexUiHooks gInner{};

uint32_t NowMs() {
  using namespace std::chrono;
  return static_cast<uint32_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// Seconds the exchange still takes: the pauses ahead and the data not yet sent.
uint32_t SecondsLeft() {
  const uint32_t now = NowMs();
  const int32_t stage = gStage.load();
  const uint32_t inStage = now - gStageStartMs.load();
  const uint32_t stagePauses = stage == VORPEX_STAGE_ERASE   ? 2 * kPausesPerStageMs
                               : stage == VORPEX_STAGE_WRITE ? kPausesPerStageMs
                                                             : 0;
  const uint64_t pausesLeft = inStage < stagePauses ? stagePauses - inStage : 0;
  const uint32_t sent = gSent.load();
  const uint32_t total = gTotal.load();
  const uint64_t left = total > sent ? total - sent : 0;
  // The pace so far, once blocks went out (the data stage began as the first block went).
  const bool paced = stage >= VORPEX_STAGE_DATA && sent > 0 && inStage > 0;
  const uint64_t dataMs = paced ? left * inStage / sent : left / kAssumedBytesPerMs;
  const uint64_t seconds = (pausesLeft + dataMs + 999) / 1000;
  return static_cast<uint32_t>(seconds > 0 ? seconds : 1);
}

// Appends `text` to `out` within `capacity`, keeping the terminator.
size_t Append(char* out, size_t at, size_t capacity, const char* text) {
  while (*text != '\0' && at + 1 < capacity) out[at++] = *text++;
  out[at] = '\0';
  return at;
}

void TellTimeLeft(char* message, size_t capacity) {
  char digits[12] = {};
  char* d = digits + sizeof digits - 1;
  uint32_t seconds = SecondsLeft();
  do {
    *--d = static_cast<char>('0' + seconds % 10);
    seconds /= 10;
  } while (seconds > 0);
  size_t at = Append(message, 0, capacity,
                     "\nvorpex: the upgrade cannot be interrupted now; it ends in about ");
  at = Append(message, at, capacity, d);
  Append(message, at, capacity, " s\n");
}

void UpgradeStage(void* context, int32_t stage, uint32_t total) {
  if (stage == VORPEX_STAGE_MODE) gSent.store(0);
  gStageStartMs.store(NowMs());
  gTotal.store(total);
  gStage.store(stage);
  if (stage == VORPEX_STAGE_ERASE) DeferInterrupts(&TellTimeLeft);  // the erase command follows
  if (stage == VORPEX_STAGE_ENDED) StopDeferringInterrupts();       // completed or failed
  if (gInner.upgradeStage != nullptr) gInner.upgradeStage(context, stage, total);
}

void SetProgressPercent(void* context, void* window, const char* percentText, uint32_t position) {
  gSent.store(position);
  if (gInner.setProgressPercent != nullptr) {
    gInner.setProgressPercent(context, window, percentText, position);
  }
}

}  // namespace

UpgradeGuard::UpgradeGuard(const VorpexUiHooks& inner) {
  gInner = inner;
  VorpexUiHooks hooks = inner;
  hooks.size = sizeof hooks;
  hooks.setProgressPercent = &SetProgressPercent;
  hooks.upgradeStage = &UpgradeStage;
  VorpexHost_InstallUi(&hooks);
}

UpgradeGuard::~UpgradeGuard() {
  StopDeferringInterrupts();
  VorpexHost_InstallUi(&gInner);
}

bool UpgradeGuard::Interrupted() const {
  return cli::Interrupted();
}

}  // namespace vorpex::cli
