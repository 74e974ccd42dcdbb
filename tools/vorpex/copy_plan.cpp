#include "tools/vorpex/copy_plan.h"

#include <algorithm>
#include <cstdio>

#include "platform/process.h"
#include "platform/short_name.h"
#include "tools/vorpex/files_names.h"

namespace vorpex::cli {
namespace {

constexpr uint64_t kUnitBytes = 16384;

uint64_t SpaceOf(uint64_t size) {
  return (size + kUnitBytes - 1) / kUnitBytes * kUnitBytes;
}

const PlayerFile* FindOn(const std::vector<PlayerFile>& files, std::string_view name) {
  auto found = std::find_if(files.begin(), files.end(),
                            [&](const PlayerFile& file) { return SameName(file.name, name); });
  return found == files.end() ? nullptr : &*found;
}

bool Contains(const std::vector<std::string>& names, std::string_view name) {
  return std::any_of(names.begin(), names.end(),
                     [&](const std::string& taken) { return SameName(taken, name); });
}

std::string LastPart(const std::string& path) {
  const size_t slash = path.find_last_of(std::string("/") + platform::PathSeparator());
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Plural(size_t count, const char* one) {
  return std::to_string(count) + " " + one + (count == 1 ? "" : "s");
}

// How many copies from the start fit, done in order after the removals: each needs a free entry
// and its space while the file it replaces is still there.
size_t FittingCopies(const CopyPlan& plan, size_t filesBefore, bool& entriesShort) {
  uint64_t free = plan.bytesFree;
  size_t files = filesBefore;
  for (size_t i = 0; i < plan.copies.size(); ++i) {
    const PlannedCopy& copy = plan.copies[i];
    entriesShort = files + 1 > kMaxEntries;
    if (entriesShort || SpaceOf(copy.size) > free) return i;
    free -= SpaceOf(copy.size);
    ++files;
    if (copy.replaced) {
      free += SpaceOf(copy.replaced->size);
      --files;
    }
  }
  return plan.copies.size();
}

}  // namespace

CopyPlan PlanCopies(const MemoryListing& listing, const std::vector<CopySource>& sources,
                    const PlanRules& rules) {
  CopyPlan plan;
  plan.memory = listing.memory;
  const std::vector<PlayerFile>& onPlayer = listing.files;
  std::vector<std::string> matched;  // player files that a source is already

  // First the files that are there already: the short name or one of its NAME~N forms, with
  // the same size, each player file matching one source at most.
  std::vector<bool> isPresent(sources.size(), false);
  if (rules.keepPresent) {
    for (size_t i = 0; i < sources.size(); ++i) {
      const CopySource& source = sources[i];
      auto differs = [&](std::string_view name) {
        const PlayerFile* file = FindOn(onPlayer, name);
        return file != nullptr && (file->size != source.size || Contains(matched, name));
      };
      const std::string name = source.chosen ? (differs(source.shortName) ? "" : source.shortName)
                                             : platform::UniqueShortName(source.shortName, differs);
      if (const PlayerFile* file = name.empty() ? nullptr : FindOn(onPlayer, name)) {
        matched.push_back(file->name);
        plan.present.push_back(*file);
        isPresent[i] = true;
      }
    }
  }
  if (rules.removeOthers) {
    for (const PlayerFile& file : onPlayer) {
      if (!Contains(matched, file.name)) plan.removals.push_back(file);
    }
  }

  // Then a name for each file to copy: taken are the names given earlier in this plan and the
  // player's files that stay.
  std::vector<std::string> claimed;
  auto staying = [&](std::string_view name) {
    const PlayerFile* file = FindOn(onPlayer, name);
    return file != nullptr && !FindOn(plan.removals, name) ? file : nullptr;
  };
  for (size_t i = 0; i < sources.size(); ++i) {
    if (isPresent[i]) continue;
    const CopySource& source = sources[i];
    PlannedCopy copy{source.path,      source.size, source.shortName,
                     source.shortName, false,       std::nullopt};
    const PlayerFile* there = staying(source.shortName);
    if (Contains(claimed, source.shortName) && source.chosen) {
      plan.refusal = source.path + " and an earlier file would both be stored as " +
                     ShownName(source.shortName);
      return plan;
    }
    if (there != nullptr && !Contains(claimed, source.shortName) && rules.replace) {
      copy.replaced = *there;
    } else if (there != nullptr && source.chosen) {
      plan.refusal = std::string("memory ") + MemoryLetter(listing.memory) + " already holds " +
                     ShownName(there->name) + " (entry " + std::to_string(there->index) +
                     "); --replace replaces it";
      return plan;
    } else {
      copy.storedName = platform::UniqueShortName(source.shortName, [&](std::string_view name) {
        return Contains(claimed, name) || staying(name) != nullptr;
      });
      copy.renumbered = copy.storedName != source.shortName;
      if (copy.storedName.empty()) {
        plan.refusal = source.path + " has no free NAME~N form of " + ShownName(source.shortName);
        return plan;
      }
    }
    claimed.push_back(copy.storedName);
    plan.copies.push_back(std::move(copy));
  }

  uint64_t freed = 0;
  for (const PlayerFile& file : plan.removals) freed += SpaceOf(file.size);
  const uint64_t used = std::min(listing.usedBytes, listing.capacityBytes);
  plan.bytesFree = listing.capacityBytes - used + std::min(freed, used);
  for (const PlannedCopy& copy : plan.copies) plan.bytesNeeded += SpaceOf(copy.size);
  const size_t filesBefore = onPlayer.size() - plan.removals.size();
  plan.filesTooMany = plan.copies.size() - FittingCopies(plan, filesBefore, plan.entriesShort);
  plan.filesAfter = filesBefore;
  for (const PlannedCopy& copy : plan.copies) plan.filesAfter += copy.replaced ? 0 : 1;
  return plan;
}

std::string StoredAsText(const PlannedCopy& copy) {
  std::string text;
  if (LastPart(copy.path) != copy.storedName)
    text = std::string(" -> ") + ShownName(copy.storedName);
  if (copy.renumbered) text += std::string(" (") + ShownName(copy.shortName) + " is taken)";
  return text;
}

std::string MegabytesText(uint64_t bytes) {
  char text[48];
  std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1048576.0);
  return text;
}

std::string ShortageText(const CopyPlan& plan) {
  if (plan.filesTooMany == 0) return {};
  const std::string memory = std::string("memory ") + MemoryLetter(plan.memory);
  const std::string tooMany = Plural(plan.filesTooMany, "file") + " too many";
  if (plan.entriesShort && plan.filesAfter > kMaxEntries) {
    return memory + " would hold " + std::to_string(plan.filesAfter) + " files, " +
           std::to_string(kMaxEntries) + " at most: " + tooMany;
  }
  if (plan.entriesShort) {
    // A replaced file goes only once its new copy is stored.
    return memory + " holds " + std::to_string(kMaxEntries) +
           " files, the most it can, and a new copy is stored before the file it replaces is "
           "deleted: " +
           tooMany;
  }
  return memory + " needs " + MegabytesText(plan.bytesNeeded) + ", " +
         MegabytesText(plan.bytesFree) + " free: " + tooMany;
}

}  // namespace vorpex::cli
