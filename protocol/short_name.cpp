#include "protocol/short_name.h"

#include <algorithm>

namespace vorpex::protocol {
namespace {

constexpr size_t kBaseLimit = 8;
constexpr size_t kExtensionLimit = 3;

// Copies whole characters of text[from, to) while they fit within `limit` bytes; `length`
// gives the bytes of the character that starts at a position.
template <typename CharLength>
std::string CopyWhole(std::string_view text, size_t from, size_t to, size_t limit,
                      const CharLength& length) {
  std::string out;
  for (size_t at = from; at < to;) {
    const size_t n = length(text, at);
    if (at + n > to || out.size() + n > limit) break;
    out.append(text.substr(at, n));
    at += n;
  }
  return out;
}

// Where the last dot and the last folder separator stand, found character by character: the
// trail byte of a double-byte character may be 0x5C ("\\"), and is no separator.
struct Marks {
  size_t dot = std::string_view::npos;
  size_t slash = std::string_view::npos;
};

template <typename CharLength>
Marks FindMarks(std::string_view text, const CharLength& length) {
  Marks marks;
  for (size_t at = 0; at < text.size(); at += length(text, at)) {
    if (text[at] == '.') marks.dot = at;
    if (text[at] == '\\' || text[at] == '/') marks.slash = at;
  }
  return marks;
}

template <typename CharLength>
bool EmptyBase(std::string_view path, const CharLength& length) {
  path = path.substr(0, path.find('\0'));
  const Marks marks = FindMarks(path, length);
  if (marks.dot == std::string_view::npos) return false;
  return marks.slash == std::string_view::npos ? marks.dot == 0 : marks.dot == marks.slash + 1;
}

template <typename CharLength>
std::optional<std::string> Make(std::string_view path, const CharLength& length) {
  // The text ends at its first NUL, as a C string does.
  path = path.substr(0, path.find('\0'));
  const Marks marks = FindMarks(path, length);
  const bool hasExtension = marks.dot != std::string_view::npos &&
                            (marks.slash == std::string_view::npos || marks.dot > marks.slash);
  if (hasExtension && marks.dot == 0) return std::nullopt;
  size_t baseEnd = path.size();
  std::string extension;
  if (hasExtension) {
    // The player takes a stored name's last dot for the one before the extension: a character
    // whose trail byte is a dot ends the extension before it.
    size_t extensionEnd = marks.dot + 1;
    while (extensionEnd < path.size() &&
           path.substr(extensionEnd, length(path, extensionEnd)).find('.') == std::string::npos) {
      extensionEnd += length(path, extensionEnd);
    }
    extension = CopyWhole(path, marks.dot + 1, std::min(extensionEnd, path.size()), kExtensionLimit,
                          length);
    baseEnd = marks.dot;
  }
  const size_t baseStart = marks.slash == std::string_view::npos ? 0 : marks.slash + 1;
  std::string base = CopyWhole(path, baseStart, baseEnd, kBaseLimit, length);
  if (base.empty()) base = kDefaultBaseName;
  return base + "." + extension;
}

size_t Utf8Length(std::string_view text, size_t at) {
  const auto lead = static_cast<uint8_t>(text[at]);
  size_t n = 1;
  if (lead >= 0xC0 && lead < 0xE0) {
    n = 2;
  } else if (lead >= 0xE0 && lead < 0xF0) {
    n = 3;
  } else if (lead >= 0xF0 && lead < 0xF8) {
    n = 4;
  }
  // A lead byte without its continuation bytes is a byte of its own.
  for (size_t k = 1; k < n; ++k) {
    if (at + k >= text.size() || (static_cast<uint8_t>(text[at + k]) & 0xC0) != 0x80) return 1;
  }
  return n;
}

// A character is two bytes when it starts with a lead byte of the code page.
struct CodePageLength {
  LeadBytePredicate isLeadByte;
  size_t operator()(std::string_view text, size_t at) const {
    return isLeadByte != nullptr && isLeadByte(static_cast<uint8_t>(text[at])) ? 2 : 1;
  }
};

template <typename CharLength>
std::string Unique(std::string_view shortName, const NameTaken& isTaken, const CharLength& length) {
  if (!isTaken(shortName)) return std::string(shortName);
  // The extension starts after the last dot, found character by character as MakeShortName
  // finds it; a name without a dot keeps having none.
  const Marks marks = FindMarks(shortName, length);
  const size_t baseEnd = marks.dot == std::string_view::npos ? shortName.size() : marks.dot;
  const std::string_view extension = shortName.substr(baseEnd);
  for (uint32_t n = 1; n <= 999999; ++n) {
    // Built by appending: g++ 12's optimiser takes "~" + text for an overlapping copy.
    std::string tail = "~";
    tail += std::to_string(n);
    std::string candidate = CopyWhole(shortName, 0, baseEnd, kBaseLimit - tail.size(), length) +
                            tail + std::string(extension);
    if (!isTaken(candidate)) return candidate;
  }
  return {};
}

}  // namespace

std::optional<std::string> MakeShortName(std::string_view path, LeadBytePredicate isLeadByte) {
  return Make(path, CodePageLength{isLeadByte});
}

std::optional<std::string> MakeShortNameUtf8(std::string_view path) {
  return Make(path, Utf8Length);
}

bool HasEmptyBaseName(std::string_view path, LeadBytePredicate isLeadByte) {
  return EmptyBase(path, CodePageLength{isLeadByte});
}

bool HasEmptyBaseNameUtf8(std::string_view path) {
  return EmptyBase(path, Utf8Length);
}

std::string UniqueShortName(std::string_view shortName, const NameTaken& isTaken) {
  return Unique(shortName, isTaken, Utf8Length);
}

std::string UniqueShortName(std::string_view shortName, const NameTaken& isTaken,
                            LeadBytePredicate isLeadByte) {
  return Unique(shortName, isTaken, CodePageLength{isLeadByte});
}

}  // namespace vorpex::protocol
