#include "platform/short_name.h"

#include "protocol/short_name.h"

namespace vorpex::platform {

// Paths here are UTF-8.
std::optional<std::string> ShortNameOfPath(std::string_view path) {
  return protocol::MakeShortNameUtf8(path);
}

bool HasEmptyBaseName(std::string_view path) {
  return protocol::HasEmptyBaseNameUtf8(path);
}

std::string UniqueShortName(std::string_view shortName, const protocol::NameTaken& isTaken) {
  return protocol::UniqueShortName(shortName, isTaken);
}

}  // namespace vorpex::platform
