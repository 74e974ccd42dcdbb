#include "platform/environment.h"

#include <windows.h>

namespace vorpex::platform {

std::optional<std::string> EnvironmentVariable(const std::string& name) {
  char small[1];
  const DWORD needed = GetEnvironmentVariableA(name.c_str(), small, 0);
  if (needed <= 1) return std::nullopt;
  std::string value(needed, '\0');
  const DWORD length = GetEnvironmentVariableA(name.c_str(), value.data(), needed);
  if (length == 0 || length >= needed) return std::nullopt;
  value.resize(length);
  return value;
}

bool SetEnvironment(const std::string& name, const std::string& value) {
  // The system's copy (GetEnvironmentVariableA) and the C runtime's (getenv) are separate.
  bool system = ::SetEnvironmentVariableA(name.c_str(), value.c_str()) != FALSE;
  std::string entry = name + "=" + value;
  bool runtime = ::_putenv(entry.c_str()) == 0;
  return system && runtime;
}

}  // namespace vorpex::platform
