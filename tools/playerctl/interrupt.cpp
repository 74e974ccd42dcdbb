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
  std::signal(SIGINT, &OnInterrupt);
}

bool Interrupted() {
  return interrupted != 0;
}

}  // namespace vorpex::playerctl
