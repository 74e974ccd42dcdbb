// What a copy of PC files to one memory of the player will do, worked out before anything is
// copied: the name each file is stored under, what is there already, what goes, and whether it
// all fits in the memory's space and its 256 entries. put and sync plan with it.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/vorpex/files_directory.h"

namespace vorpex::cli {

// An entry number is one byte: a memory holds at most this many files.
inline constexpr size_t kMaxEntries = 256;

struct CopySource {
  std::string path;
  uint64_t size = 0;
  std::string shortName;  // as listed: the path's short name, or the name chosen for it
  bool chosen = false;    // chosen by the user: stored under it or not at all
};

struct PlanRules {
  bool replace = false;       // a file of the same name on the player is replaced
  bool keepPresent = false;   // a file of the same name and size is there already: not copied
  bool removeOthers = false;  // the memory's files that no source is are deleted first
};

struct PlannedCopy {
  std::string path;
  uint64_t size = 0;
  std::string storedName;   // as listed
  std::string shortName;    // the source's
  bool renumbered = false;  // storedName is a NAME~N form of the short name
  std::optional<PlayerFile> replaced;
};

struct CopyPlan {
  int32_t memory = 0;
  std::vector<PlannedCopy> copies;
  std::vector<PlayerFile> present;   // keepPresent: there already
  std::vector<PlayerFile> removals;  // removeOthers: in entry order
  uint64_t bytesNeeded = 0;   // what the copies take, each file in whole units of 16384 bytes
  uint64_t bytesFree = 0;     // free once the removals are done
  size_t filesAfter = 0;      // files the memory holds at the end
  size_t filesTooMany = 0;    // copies from the end that do not fit; 0 when all do
  bool entriesShort = false;  // the entries, not the space, are what runs out
  std::string refusal;        // why the sources cannot be stored at all; empty when they can
};

// The plan for copying `sources` in their order to the memory `listing` shows.
CopyPlan PlanCopies(const MemoryListing& listing, const std::vector<CopySource>& sources,
                    const PlanRules& rules);

// Why the plan does not fit, in plain words: "memory M needs 35.7 MB, 32.0 MB free: 1 file too
// many" or "memory M would hold 258 files, 256 at most: 2 files too many"; empty when it fits.
std::string ShortageText(const CopyPlan& plan);

// " -> Artist~1.mp3 (Artist -.mp3 is taken)": the stored name when it is not the file's own
// name, and the name it was numbered from.
std::string StoredAsText(const PlannedCopy& copy);

// "35.7 MB": bytes in units of 1048576, one decimal.
std::string MegabytesText(uint64_t bytes);

}  // namespace vorpex::cli
