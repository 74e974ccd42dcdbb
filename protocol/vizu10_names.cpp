#include "protocol/vizu10_names.h"

namespace vorpex::protocol {
namespace {

constexpr std::string_view kInterfacePathStart = "\\\\?\\usb#vid_04e8&pid_1003#";
constexpr std::string_view kPipePrefix = "\\pipe";

}  // namespace

std::string Vizu10InterfacePath(std::string_view instance) {
  return std::string(kInterfacePathStart) + std::string(instance) + "#" +
         AsciiLower(kVizu10ClassGuid);
}

std::optional<Vizu10Path> ParseVizu10Path(std::string_view path) {
  const std::string lower = AsciiLower(path);
  const std::string fixedName = AsciiLower(kVizu10FixedName);
  std::string_view rest(lower);
  Vizu10Path parsed;
  if (rest.starts_with(fixedName)) {
    parsed.fixedName = true;
    rest.remove_prefix(fixedName.size());
  } else if (rest.starts_with(kInterfacePathStart)) {
    rest.remove_prefix(kInterfacePathStart.size());
    const size_t end = rest.find('#');
    if (end == std::string_view::npos || end == 0) return std::nullopt;
    parsed.instance = std::string(rest.substr(0, end));
    const std::string classPart = Vizu10InterfacePath(parsed.instance);
    if (!std::string_view(lower).starts_with(classPart)) return std::nullopt;
    rest = std::string_view(lower).substr(classPart.size());
  } else {
    return std::nullopt;
  }
  if (rest.empty()) return parsed;
  // A pipe file: "\PIPE" and two digits.
  if (rest.size() != kPipePrefix.size() + 2 || !rest.starts_with(kPipePrefix)) return std::nullopt;
  const char tens = rest[kPipePrefix.size()];
  const char ones = rest[kPipePrefix.size() + 1];
  if (tens < '0' || tens > '9' || ones < '0' || ones > '9') return std::nullopt;
  parsed.pipe = static_cast<uint32_t>((tens - '0') * 10 + (ones - '0'));
  return parsed;
}

}  // namespace vorpex::protocol
