#include "platform/short_name.h"

#include "protocol/short_name.h"

namespace vorpex::platform {

// Paths here are UTF-8.
std::optional<std::string> ShortNameOfPath(std::string_view path) {
  return protocol::MakeShortNameUtf8(path);
}

}  // namespace vorpex::platform
