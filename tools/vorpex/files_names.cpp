#include "tools/vorpex/files_names.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "platform/short_name.h"
#include "tools/vorpex/files_directory.h"

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

std::optional<std::string> StoredNameProblem(std::string_view name) {
  if (name.empty()) return "an empty name";
  if (!std::all_of(name.begin(), name.end(), IsPcNameChar)) {
    return "it holds a character a file name cannot (/ \\ : * ? \" < > | or a control character)";
  }
  if (name.front() == '.' || name.front() == ' ') return "it starts with a dot or a blank";
  if (name.back() == '.' || name.back() == ' ') return "it ends with a dot or a blank";
  if (static_cast<unsigned char>(name.front()) == 0xE5) {
    return "its first byte, 0xE5, marks a deleted entry on the player";
  }
  const auto own = platform::ShortNameOfPath(name);
  if (!own || ListedName(*own) != name) {
    return "a short name has at most 8 bytes, a dot and at most 3 bytes of extension";
  }
  const size_t dot = name.rfind('.');
  if (dot != std::string_view::npos && name.substr(0, dot).back() == ' ') {
    return "its base name ends with a blank";
  }
  return std::nullopt;
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
