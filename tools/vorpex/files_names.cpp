#include "tools/vorpex/files_names.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace vorpex::cli {
namespace {

char Upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsControl(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte < 0x20 || byte == 0x7f;
}

// A base name that opens a device on Windows, whatever extension follows it.
bool IsDeviceName(std::string_view name) {
  std::string base(name.substr(0, name.find('.')));
  std::transform(base.begin(), base.end(), base.begin(), Upper);
  constexpr std::array<std::string_view, 6> kDevices = {"CON", "PRN",    "AUX",
                                                        "NUL", "CONIN$", "CONOUT$"};
  if (std::find(kDevices.begin(), kDevices.end(), base) != kDevices.end()) return true;
  return base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) &&
         base[3] >= '1' && base[3] <= '9';
}

}  // namespace

std::string ShownName(std::string_view name) {
  std::string out;
  for (char c : name) {
    if (c == '\\') {
      out += "\\\\";
    } else if (IsControl(c)) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned char>(c));
      out += escape;
    } else {
      out += c;
    }
  }
  return out;
}

bool IsPcNameChar(char c) {
  return !IsControl(c) && std::string_view("/\\:*?\"<>|").find(c) == std::string_view::npos;
}

LocalName LocalFileName(std::string_view playerName) {
  LocalName local{std::string(playerName), false};
  for (char& c : local.name) {
    if (!IsPcNameChar(c)) c = '_';
  }
  const bool dotsOnly = local.name.find_first_not_of('.') == std::string::npos;
  if (dotsOnly || IsDeviceName(local.name)) {
    // Built by appending: g++ 12's optimiser takes an insertion at the front for an
    // overlapping copy.
    std::string prefixed = "_";
    prefixed += local.name;
    local.name = std::move(prefixed);
  }
  local.changed = local.name != playerName;
  return local;
}

}  // namespace vorpex::cli
