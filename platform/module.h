// A loaded module (DLL or shared object) as a handle, and the strings of its string table.
#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace vorpex::platform {

using ModuleHandle = void*;

struct StringResource {
  uint32_t id;
  const char* text;
};

// Where a module has no resource section (Linux), it registers its string table under its
// handle once, when it is loaded; on Windows this does nothing and the resource script counts.
void RegisterModuleStrings(ModuleHandle module, std::span<const StringResource> table);

// The folder that holds the module's file, without a trailing separator; nullopt when the
// system cannot tell.
std::optional<std::string> ModuleFolder(ModuleHandle module);

// The string `id` of the module's table cut to `limit` - 1 characters, as LoadStringA reads it;
// nullopt when the module has no such string.
std::optional<std::string> LoadModuleString(ModuleHandle module, uint32_t id, size_t limit);

}  // namespace vorpex::platform
