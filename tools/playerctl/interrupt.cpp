#include "tools/playerctl/interrupt.h"

#include <csignal>

namespace vorpex::playerctl {
namespace {

volatile std::sig_atomic_t interrupted = 0;

extern "C" void OnInterrupt(int) {
  interrupted = 1;
}

}  // namespace

void CatchInterrupt() {
  std::signal(SIGINT, &OnInterrupt);  // NOLINT(cert-err33-c): cannot fail for a valid signal
}

bool Interrupted() {
  return interrupted != 0;
}

}  // namespace vorpex::playerctl
