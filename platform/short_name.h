// The player's 8.3 short name of a PC path, by this system's rule for characters of more than
// one byte: the system code page's lead bytes on Windows, UTF-8 on Linux.
#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "protocol/short_name.h"

namespace vorpex::platform {

// Nullopt when the path gives no short name (a name that is nothing but a leading dot and an
// extension, with no folder in front).
std::optional<std::string> ShortNameOfPath(std::string_view path);

// protocol::HasEmptyBaseName and protocol::UniqueShortName by the same rule for characters.
bool HasEmptyBaseName(std::string_view path);
std::string UniqueShortName(std::string_view shortName, const protocol::NameTaken& isTaken);

}  // namespace vorpex::platform
