// The user's temporary folder and unique temporary files in it.
#pragma once
#include <optional>
#include <string>

namespace vorpex::platform {

// The temporary folder with its trailing separator (GetTempPathA); nullopt on failure.
std::optional<std::string> TempFolder();

// Creates an empty file with a unique name "<prefix><hex digits>.tmp" in `folder` and returns
// its path (GetTempFileNameA with a unique number of 0); nullopt on failure.
std::optional<std::string> CreateUniqueTempFile(const std::string& folder,
                                                const std::string& prefix);

// Creates a new empty folder of a unique name starting with `prefix` in the temporary folder,
// that only this user can enter; its path without a trailing separator, or nullopt with the
// system's error.
std::optional<std::string> CreateUniqueTempFolder(const std::string& prefix);

}  // namespace vorpex::platform
