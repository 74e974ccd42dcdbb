#include "platform/interrupt.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace vorpex::platform {
namespace {

std::atomic<InterruptHook> gHook{nullptr};
constexpr int kInterrupts[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

void OnInterrupt(int signal) {
  const int savedErrno = errno;
  char message[256] = {};
  InterruptHook hook = gHook.load();
  if (hook != nullptr && hook(signal, message, sizeof message)) {
    if (::write(STDERR_FILENO, message, std::strlen(message)) < 0) {
      // Nowhere left to say it; the interrupt stays deferred all the same.
    }
    errno = savedErrno;
    return;
  }
  // The usual course: the default action of the signal, so the parent sees what ended us.
  // Should either fail, the handler returns and the program goes on: nothing better is left.
  ::signal(signal, SIG_DFL);  // NOLINT(cert-err33-c): see above
  ::raise(signal);            // NOLINT(cert-err33-c): see above
}

}  // namespace

void IgnoreBrokenPipe() {
  ::signal(SIGPIPE, SIG_IGN);  // NOLINT(cert-err33-c): cannot fail for a valid signal
}

void SetInterruptHook(InterruptHook hook) {
  gHook.store(hook);
  struct sigaction action {};
  action.sa_handler = hook != nullptr ? &OnInterrupt : SIG_DFL;
  action.sa_flags = SA_RESTART;  // the transfers under way go on as if nothing happened
  sigemptyset(&action.sa_mask);
  for (int signal : kInterrupts) sigaddset(&action.sa_mask, signal);
  for (int signal : kInterrupts) ::sigaction(signal, &action, nullptr);
}

}  // namespace vorpex::platform
