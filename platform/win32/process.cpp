#include "platform/process.h"

#include <windows.h>

#include <cstdlib>

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

bool SetEnvironment(const std::string& name, const std::string& value) {
  // The system's copy (GetEnvironmentVariableA) and the C runtime's (getenv) are separate.
  bool system = ::SetEnvironmentVariableA(name.c_str(), value.c_str()) != FALSE;
  std::string entry = name + "=" + value;
  bool runtime = ::_putenv(entry.c_str()) == 0;
  return system && runtime;
}

}  // namespace vorpex::platform
