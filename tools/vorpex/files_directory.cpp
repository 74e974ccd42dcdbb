#include "tools/vorpex/files_directory.h"

#include <algorithm>
#include <cstdio>

#include "VORPEXUSB.h"

namespace vorpex::cli {
namespace {

constexpr uint32_t kUnitBytes = 16384;

std::string Trimmed(const char* text, size_t size) {
  std::string value(text, size);
  while (!value.empty() && (value.back() == ' ' || value.back() == '\0')) value.pop_back();
  return value;
}

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

struct DateParts {
  unsigned year, month, day, hour, minute, second;
};

DateParts Unpack(uint16_t date, uint16_t time) {
  return {1980u + (date >> 9), (date >> 5) & 15u, date & 31u,
          (time >> 11) & 31u,  (time >> 5) & 63u, (time & 31u) * 2};
}

}  // namespace

char MemoryLetter(int32_t memory) {
  return memory == 0 ? 'M' : 'S';
}

MemoryListing MakeListing(int32_t memory, const MemoryInfo& info, const DirEntry* entries,
                          uint32_t count) {
  MemoryListing listing;
  listing.memory = memory;
  listing.capacityBytes = uint64_t{info.capacity} * kUnitBytes;
  listing.usedBytes = uint64_t{info.used} * kUnitBytes;
  for (uint32_t i = 0; i < count && i < kListCapacity; ++i) {
    const DirEntry& entry = entries[i];
    PlayerFile file;
    file.memory = memory;
    file.index = static_cast<int32_t>(i);
    file.name = Trimmed(entry.name, sizeof entry.name);
    const std::string extension = Trimmed(entry.extension, sizeof entry.extension);
    if (!extension.empty()) file.name += "." + extension;
    file.size = entry.size;
    file.date = static_cast<uint16_t>(entry.date);
    file.time = static_cast<uint16_t>(entry.time);
    file.attributes = entry.attributes;
    listing.files.push_back(std::move(file));
  }
  return listing;
}

std::string ListedName(std::string_view shortName) {
  const size_t dot = shortName.rfind('.');
  std::string base(shortName.substr(0, dot));
  std::string extension(dot == std::string_view::npos ? "" : shortName.substr(dot + 1));
  base = Trimmed(base.data(), base.size());
  extension = Trimmed(extension.data(), extension.size());
  return extension.empty() ? base : base + "." + extension;
}

bool SameName(std::string_view listedA, std::string_view listedB) {
  const std::string a = ListedName(listedA);
  const std::string b = ListedName(listedB);
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

std::optional<EntryWord> ParseEntryWord(std::string_view word) {
  EntryWord entry;
  if (word.size() >= 2 && word[1] == ':') {
    auto memory = word[0] == 'M' || word[0] == 'm'   ? std::optional<int32_t>(0)
                  : word[0] == 'S' || word[0] == 's' ? std::optional<int32_t>(1)
                                                     : std::nullopt;
    if (memory) {
      entry.memory = *memory;
      word.remove_prefix(2);
    }
  }
  if (word.empty()) return std::nullopt;
  // An entry number has at most three digits; anything else is a name (which may be "1234").
  const bool digits = word.size() <= 3 && std::all_of(word.begin(), word.end(),
                                                      [](char c) { return c >= '0' && c <= '9'; });
  if (digits) {
    int32_t number = 0;
    for (char c : word) number = number * 10 + (c - '0');
    entry.index = number;
  } else {
    entry.name = std::string(word);
  }
  return entry;
}

std::variant<PlayerFile, std::string> ResolveEntry(const MemoryListing& listing,
                                                   const EntryWord& word,
                                                   std::string_view original) {
  const std::string memory(1, MemoryLetter(listing.memory));
  for (const PlayerFile& file : listing.files) {
    if (word.index ? file.index == *word.index : SameName(file.name, word.name)) return file;
  }
  if (word.index) {
    return std::string(original) + ": memory " + memory + " has no entry " +
           std::to_string(*word.index) + " (it holds " + std::to_string(listing.files.size()) +
           " files)";
  }
  return std::string(original) + ": memory " + memory + " has no file named " + word.name;
}

std::string DateTimeText(uint16_t date, uint16_t time) {
  const DateParts p = Unpack(date, time);
  char text[32];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u", p.year, p.month, p.day, p.hour,
                p.minute);
  return text;
}

std::string IsoDateTime(uint16_t date, uint16_t time) {
  const DateParts p = Unpack(date, time);
  char text[32];
  std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02u", p.year, p.month, p.day, p.hour,
                p.minute, p.second);
  return text;
}

std::string ReadableSize(uint64_t bytes) {
  if (bytes < 1024) return std::to_string(bytes) + " B";
  const char* units = "KMGT";
  double value = static_cast<double>(bytes) / 1024;
  size_t unit = 0;
  while (value >= 1024 && unit + 1 < 4) {
    value /= 1024;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.1f%c", value, units[unit]);
  return text;
}

}  // namespace vorpex::cli
