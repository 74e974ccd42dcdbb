#include "platform/terminal.h"

#include <unistd.h>

namespace vorpex::platform {

bool IsTerminal(StandardStream stream) {
  switch (stream) {
    case StandardStream::kInput:
      return ::isatty(STDIN_FILENO) == 1;
    case StandardStream::kOutput:
      return ::isatty(STDOUT_FILENO) == 1;
    case StandardStream::kError:
      break;
  }
  return ::isatty(STDERR_FILENO) == 1;
}

}  // namespace vorpex::platform
