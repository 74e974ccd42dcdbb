// The first bytes of a file, for a look at what it is before it is used.
#pragma once
#include <cstddef>
#include <optional>
#include <string>

namespace vorpex::platform {

// Up to `limit` bytes from the file's start; nullopt when it cannot be opened or read.
std::optional<std::string> ReadFileHead(const std::string& path, size_t limit);

}  // namespace vorpex::platform
