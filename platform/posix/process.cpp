#include "platform/process.h"

#include <stdlib.h>
#include <unistd.h>

#include <climits>

namespace vorpex::platform {

char PathSeparator() {
  return '/';
}

std::optional<std::string> ProgramFolder() {
  char buffer[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer);
  if (n <= 0 || static_cast<size_t>(n) >= sizeof buffer) return std::nullopt;
  std::string path(buffer, static_cast<size_t>(n));
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return std::nullopt;
  return path.substr(0, slash);
}

}  // namespace vorpex::platform
