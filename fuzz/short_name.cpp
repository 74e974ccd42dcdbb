// Any path through the short-name rule, in a double-byte code page and as UTF-8: a name comes
// out as at most 8 bytes of base name, a dot and at most 3 bytes of extension.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "protocol/short_name.h"

namespace {

// Lead bytes of a double-byte code page shaped like Japanese Shift JIS.
bool IsLeadByte(uint8_t byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

void CheckShape(const std::optional<std::string>& name) {
  if (!name) return;
  const size_t dot = name->rfind('.');
  if (dot == std::string::npos || dot == 0 || dot > 8 || name->size() - dot - 1 > 3 ||
      name->size() + 1 > vorpex::protocol::kShortNameSize) {
    abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view path(reinterpret_cast<const char*>(data), size);
  CheckShape(vorpex::protocol::MakeShortName(path, IsLeadByte));
  CheckShape(vorpex::protocol::MakeShortNameUtf8(path));
  return 0;
}
