#include "platform/module.h"

#include <dlfcn.h>

#include <map>

namespace vorpex::platform {
namespace {

std::map<ModuleHandle, std::span<const StringResource>>& Tables() {
  static std::map<ModuleHandle, std::span<const StringResource>> tables;
  return tables;
}

}  // namespace

void RegisterModuleStrings(ModuleHandle module, std::span<const StringResource> table) {
  Tables()[module] = table;
}

std::optional<std::string> ModuleFolder(ModuleHandle module) {
  Dl_info info{};
  if (module == nullptr || ::dladdr(module, &info) == 0 || info.dli_fname == nullptr) {
    return std::nullopt;
  }
  const std::string path = info.dli_fname;
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return std::nullopt;
  return path.substr(0, slash);
}

std::optional<std::string> LoadModuleString(ModuleHandle module, uint32_t id, size_t limit) {
  auto found = Tables().find(module);
  if (found == Tables().end() || limit == 0) return std::nullopt;
  for (const StringResource& entry : found->second) {
    if (entry.id == id) return std::string(entry.text).substr(0, limit - 1);
  }
  return std::nullopt;
}

}  // namespace vorpex::platform
