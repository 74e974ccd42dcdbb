#include "platform/terminal.h"

#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>

namespace vorpex::platform {
namespace {

int Descriptor(StandardStream stream) {
  if (stream == StandardStream::kInput) return STDIN_FILENO;
  return stream == StandardStream::kOutput ? STDOUT_FILENO : STDERR_FILENO;
}

std::atomic<bool> resized{true};

void OnResize(int) {
  resized.store(true);
}

}  // namespace

bool IsTerminal(StandardStream stream) {
  return ::isatty(Descriptor(stream)) == 1;
}

std::optional<size_t> TerminalColumns(StandardStream stream) {
  winsize size{};
  if (::ioctl(Descriptor(stream), TIOCGWINSZ, &size) != 0 || size.ws_col == 0) return std::nullopt;
  return size.ws_col;
}

size_t CurrentTerminalColumns(StandardStream stream, size_t fallback) {
  static size_t columns = 0;
  static const bool watching = [] {
    struct sigaction action {};
    action.sa_handler = &OnResize;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(SIGWINCH, &action, nullptr) == 0;
  }();
  if (resized.exchange(false) || !watching || columns == 0) {
    columns = TerminalColumns(stream).value_or(fallback);
  }
  return columns;
}

}  // namespace vorpex::platform
