#include "platform/short_name.h"

#include <windows.h>

#include "protocol/short_name.h"

namespace vorpex::platform {

std::optional<std::string> ShortNameOfPath(std::string_view path) {
  return protocol::MakeShortName(path, [](uint8_t byte) { return ::IsDBCSLeadByte(byte) != 0; });
}

}  // namespace vorpex::platform
