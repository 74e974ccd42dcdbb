#include "platform/terminal.h"

#include <unistd.h>

namespace vorpex::platform {

bool IsTerminal(StandardStream stream) {
  return ::isatty(stream == StandardStream::kOutput ? STDOUT_FILENO : STDERR_FILENO) == 1;
}

}  // namespace vorpex::platform
