#include <windows.h>

#include "platform/module.h"

namespace vorpex::platform {

void RegisterModuleStrings(ModuleHandle, std::span<const StringResource>) {
  // The module's resource section holds its strings.
}

std::optional<std::string> ModuleFolder(ModuleHandle module) {
  char buffer[MAX_PATH];
  const DWORD n = ::GetModuleFileNameA(static_cast<HMODULE>(module), buffer, sizeof buffer);
  if (module == nullptr || n == 0 || n >= sizeof buffer) return std::nullopt;
  const std::string path(buffer, n);
  const size_t separator = path.find_last_of("\\/");
  if (separator == std::string::npos) return std::nullopt;
  return path.substr(0, separator);
}

std::optional<std::string> LoadModuleString(ModuleHandle module, uint32_t id, size_t limit) {
  if (limit == 0) return std::nullopt;
  std::string text(limit, '\0');
  int length = ::LoadStringA(static_cast<HINSTANCE>(module), id, text.data(),
                             static_cast<int>(limit));
  if (length <= 0) return std::nullopt;
  text.resize(static_cast<size_t>(length));
  return text;
}

}  // namespace vorpex::platform
