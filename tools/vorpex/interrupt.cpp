#include "tools/vorpex/interrupt.h"

#include <atomic>

#include "platform/interrupt.h"

namespace vorpex::cli {
namespace {

constexpr int kInterruptSignal = 2;  // Ctrl-C's
constexpr int kSignalStatusBase = 128;

// Read in the interrupt itself: lock-free atomics only.
std::atomic<bool> gDeferring{false};
std::atomic<InterruptNotice> gNotice{nullptr};
std::atomic<int> gSignal{0};

bool OnInterrupt(int signal, char* message, size_t capacity) {
  if (!gDeferring.load()) return false;
  int none = 0;
  gSignal.compare_exchange_strong(none, signal);
  InterruptNotice notice = gNotice.load();
  if (notice != nullptr) notice(message, capacity);
  return true;
}

}  // namespace

void CatchInterrupts() {
  platform::SetInterruptHook(&OnInterrupt);
}

void DeferInterrupts(InterruptNotice notice) {
  gNotice.store(notice);
  gDeferring.store(true);
}

void StopDeferringInterrupts() {
  gDeferring.store(false);
  gNotice.store(nullptr);
}

bool Interrupted() {
  return gSignal.load() != 0;
}

int InterruptedStatus() {
  const int signal = gSignal.load();
  return kSignalStatusBase + (signal != 0 ? signal : kInterruptSignal);
}

}  // namespace vorpex::cli
