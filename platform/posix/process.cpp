#include "platform/process.h"

#include <stdlib.h>
#include <unistd.h>

#include <climits>

#include "platform/environment.h"

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

bool DataBesideProgram() {
  return false;
}

std::optional<std::string> UserStateFolder() {
  if (auto state = EnvironmentVariable("XDG_STATE_HOME")) return state;
  if (auto home = EnvironmentVariable("HOME")) return *home + "/.local/state";
  return std::nullopt;
}

}  // namespace vorpex::platform
