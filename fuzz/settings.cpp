// A settings file's text of any shape with a section, a key, a value and a second key (the
// input's parts, split at NUL bytes): looked up, cut to a buffer, and written back. Where the
// names and the value can be written as they are, the write must read back as written and leave
// the second key's value as it was.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/ini_text.h"

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

bool HasAny(std::string_view s, std::string_view chars) {
  return s.find_first_of(chars) != std::string_view::npos;
}

bool PlainSection(std::string_view s) {
  return !Trim(s).empty() && !HasAny(s, std::string_view("]\r\n", 3));
}
bool PlainKey(std::string_view k) {
  return !Trim(k).empty() && Trim(k).front() != '[' && !HasAny(k, "=\r\n");
}
bool PlainValue(std::string_view v) {
  const bool quoted = v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front();
  return Trim(v) == v && !quoted && !HasAny(v, "\r\n");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vorpex::protocol;
  std::vector<std::string_view> parts;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  for (size_t i = 0; i < 4; ++i) {
    const size_t nul = input.find('\0');
    parts.push_back(input.substr(0, nul));
    input = nul == std::string_view::npos ? std::string_view{} : input.substr(nul + 1);
  }
  parts.push_back(input);
  const std::string_view text = parts[0], section = parts[1], key = parts[2], value = parts[3],
                         other = parts[4];

  IniLookup(text, section, key);
  ProfileValue(text, section, key, size % 128);
  const std::string written = IniAssign(text, section, key, value);
  if (PlainSection(section) && PlainKey(key) && PlainValue(value)) {
    if (IniLookup(written, section, key) != std::string(value)) abort();
    if (PlainKey(other) && !SameName(Trim(other), Trim(key)) &&
        IniLookup(written, section, other) != IniLookup(text, section, other)) {
      abort();
    }
  }
  return 0;
}
