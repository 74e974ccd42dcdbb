// ls and df: the player's directories and memory figures as tables or as one JSON document.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/vorpex/commands.h"
#include "tools/vorpex/files_commands.h"
#include "tools/vorpex/files_directory.h"
#include "tools/vorpex/files_names.h"
#include "tools/vorpex/json_text.h"
#include "tools/vorpex/library_error.h"

namespace vorpex::cli {
namespace {

uint32_t UsePercent(const MemoryListing& listing) {
  if (listing.capacityBytes == 0) return 0;
  return static_cast<uint32_t>((listing.usedBytes * 100 + listing.capacityBytes / 2) /
                               listing.capacityBytes);
}

uint64_t FreeBytes(const MemoryListing& listing) {
  return listing.capacityBytes > listing.usedBytes ? listing.capacityBytes - listing.usedBytes : 0;
}

// Reads every memory asked for; nullopt after telling why one cannot be read.
std::optional<std::vector<MemoryListing>> ReadAll(const std::vector<int32_t>& memories,
                                                  FileRoute& route, TerminalUi& ui) {
  std::vector<MemoryListing> listings;
  for (int32_t memory : memories) {
    auto listing = ReadOrReport(route, memory, ui);
    if (!listing) return std::nullopt;
    listings.push_back(std::move(*listing));
  }
  return listings;
}

void PrintListJson(const std::vector<MemoryListing>& listings) {
  JsonWriter json;
  json.BeginObject().Key("memories").BeginArray();
  for (const MemoryListing& listing : listings) {
    json.BeginObject().Key("memory").String(std::string(1, MemoryLetter(listing.memory)));
    json.Key("count").Number(static_cast<int64_t>(listing.files.size()));
    json.Key("files").BeginArray();
    for (const PlayerFile& file : listing.files) {
      json.BeginObject().Key("index").Number(file.index).Key("name").String(file.name);
      json.Key("size").Number(file.size).Key("modified").String(IsoDateTime(file.date, file.time));
      json.Key("attributes").Number(file.attributes).EndObject();
    }
    json.EndArray().EndObject();
  }
  json.EndArray().EndObject();
  std::fputs(json.Text().c_str(), stdout);
}

void PrintListTable(const std::vector<MemoryListing>& listings, bool exactBytes) {
  for (size_t m = 0; m < listings.size(); ++m) {
    const MemoryListing& listing = listings[m];
    if (m > 0) std::printf("\n");
    const size_t count = listing.files.size();
    std::printf("memory %c: %zu file%s\n", MemoryLetter(listing.memory), count,
                count == 1 ? "" : "s");
    std::vector<std::string> sizes;
    size_t width = 0;
    for (const PlayerFile& file : listing.files) {
      sizes.push_back(exactBytes ? std::to_string(file.size) : ReadableSize(file.size));
      width = std::max(width, sizes.back().size());
    }
    for (size_t i = 0; i < count; ++i) {
      const PlayerFile& file = listing.files[i];
      std::printf("%4d  %*s  %s  %s\n", file.index, static_cast<int>(width), sizes[i].c_str(),
                  DateTimeText(file.date, file.time).c_str(), ShownName(file.name).c_str());
    }
  }
}

}  // namespace

int RunList(const Options& options, FileRoute& route, TerminalUi& ui) {
  auto listings = ReadAll(options.memories, route, ui);
  if (!listings) return kExitFailed;
  if (options.json) {
    PrintListJson(*listings);
  } else {
    PrintListTable(*listings, options.bytes);
  }
  return kExitOk;
}

int RunFree(const Options& options, FileRoute& route, TerminalUi& ui) {
  auto listings = ReadAll(options.memories, route, ui);
  if (!listings) return kExitFailed;
  if (options.json) {
    JsonWriter json;
    json.BeginObject().Key("memories").BeginArray();
    for (const MemoryListing& listing : *listings) {
      json.BeginObject().Key("memory").String(std::string(1, MemoryLetter(listing.memory)));
      json.Key("size").Number(static_cast<int64_t>(listing.capacityBytes));
      json.Key("used").Number(static_cast<int64_t>(listing.usedBytes));
      json.Key("free").Number(static_cast<int64_t>(FreeBytes(listing)));
      json.Key("usePercent").Number(UsePercent(listing)).EndObject();
    }
    json.EndArray().EndObject();
    std::fputs(json.Text().c_str(), stdout);
    return kExitOk;
  }
  std::printf("memory      size      used      free  use\n");
  for (const MemoryListing& listing : *listings) {
    std::printf("%c       %9s %9s %9s %3u%%\n", MemoryLetter(listing.memory),
                ReadableSize(listing.capacityBytes).c_str(),
                ReadableSize(listing.usedBytes).c_str(), ReadableSize(FreeBytes(listing)).c_str(),
                UsePercent(listing));
  }
  return kExitOk;
}

}  // namespace vorpex::cli
