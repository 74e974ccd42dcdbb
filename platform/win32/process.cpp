#include "platform/process.h"

#include <windows.h>

#include <cstdlib>

#include "platform/environment.h"

namespace vorpex::platform {

char PathSeparator() {
  return '\\';
}

std::optional<std::string> ProgramFolder() {
  char buffer[MAX_PATH];
  DWORD n = ::GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  if (n == 0 || n >= sizeof buffer) return std::nullopt;
  std::string path(buffer, n);
  size_t separator = path.find_last_of("\\/");
  if (separator == std::string::npos) return std::nullopt;
  return path.substr(0, separator);
}

bool DataBesideProgram() {
  return true;
}

std::optional<std::string> UserStateFolder() {
  return EnvironmentVariable("LOCALAPPDATA");
}

}  // namespace vorpex::platform
