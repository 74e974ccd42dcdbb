#include "tools/vorpex/upgrade_guard.h"

#include <atomic>
#include <chrono>
#include <cstdint>

namespace vorpex::cli {
namespace {

// The upgrade's stages as its progress window shows them: the first range is set just before
// the erase command, the second just before the write command; the window closes after the
// final reply. Two one-second pauses follow each of those two commands.
constexpr uint32_t kPausesPerStageMs = 2000;
constexpr uint32_t kAssumedBytesPerMs = 500;  // until the first blocks tell the real pace

// Read by the interrupt's notice, which may run in a signal handler: lock-free atomics only.
std::atomic<uint32_t> gRanges{0};
std::atomic<uint32_t> gStageStartMs{0};
std::atomic<uint32_t> gTotal{0};
std::atomic<uint32_t> gSent{0};
std::atomic<uint32_t> gFirstDataMs{0};
std::atomic<uint32_t> gFirstDataSent{0};
VorpexUiHooks gInner{};

uint32_t NowMs() {
  using namespace std::chrono;
  return static_cast<uint32_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// Seconds the exchange still takes: the pauses ahead and the data not yet sent.
uint32_t SecondsLeft() {
  const uint32_t now = NowMs();
  const uint32_t inStage = now - gStageStartMs.load();
  const uint32_t stagePauses = gRanges.load() >= 2 ? kPausesPerStageMs : 2 * kPausesPerStageMs;
  const uint64_t pausesLeft = inStage < stagePauses ? stagePauses - inStage : 0;
  const uint32_t sent = gSent.load();
  const uint32_t total = gTotal.load();
  const uint64_t left = total > sent ? total - sent : 0;
  const uint32_t paced = sent - gFirstDataSent.load();
  const uint32_t pacedMs = now - gFirstDataMs.load();
  const uint64_t dataMs =
      paced > 0 && pacedMs > 0 ? left * pacedMs / paced : left / kAssumedBytesPerMs;
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

void* OpenProgress(void* context, void* owner, const char* title, const char* status,
                   const char* indexText, uint32_t total) {
  gRanges.store(0);
  gSent.store(0);
  gTotal.store(total);
  return gInner.openProgress != nullptr
             ? gInner.openProgress(context, owner, title, status, indexText, total)
             : nullptr;
}

void SetProgressRange(void* context, void* window, uint32_t low, uint32_t high) {
  const uint32_t now = NowMs();
  gStageStartMs.store(now);
  gTotal.store(high);
  gFirstDataMs.store(now);
  gFirstDataSent.store(gSent.load());
  gRanges.fetch_add(1);
  DeferInterrupts(&TellTimeLeft);  // the erase command follows
  if (gInner.setProgressRange != nullptr) gInner.setProgressRange(context, window, low, high);
}

void SetProgressPercent(void* context, void* window, const char* percentText, uint32_t position) {
  if (gSent.load() == 0 && position > 0) {
    gFirstDataMs.store(NowMs());
    gFirstDataSent.store(position);
  }
  gSent.store(position);
  if (gInner.setProgressPercent != nullptr) {
    gInner.setProgressPercent(context, window, percentText, position);
  }
}

void CloseWindow(void* context, void* window) {
  StopDeferringInterrupts();  // the final reply was read, or the exchange failed
  if (gInner.closeWindow != nullptr) gInner.closeWindow(context, window);
}

}  // namespace

UpgradeGuard::UpgradeGuard(const VorpexUiHooks& inner) {
  gInner = inner;
  VorpexUiHooks hooks = inner;
  hooks.size = sizeof hooks;
  hooks.openProgress = &OpenProgress;
  hooks.setProgressRange = &SetProgressRange;
  hooks.setProgressPercent = &SetProgressPercent;
  hooks.closeWindow = &CloseWindow;
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
