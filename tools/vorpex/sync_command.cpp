// sync: the files of a PC folder and its subfolders that the player's memory lacks are copied
// to it. The plan comes first (what is new, what is there, what --delete deletes, space and
// entries) and nothing moves unless all of it fits; the copies run under one progress bar, and
// an interrupt stops after cancelling the copy under way, so that a new sync takes up the rest.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "VORPEXUSB.h"
#include "platform/error.h"
#include "platform/folder.h"
#include "platform/folder_walk.h"
#include "platform/short_name.h"
#include "tools/vorpex/commands.h"
#include "tools/vorpex/copy_plan.h"
#include "tools/vorpex/files_commands.h"
#include "tools/vorpex/files_names.h"
#include "tools/vorpex/interrupt.h"
#include "tools/vorpex/library_error.h"
#include "tools/vorpex/mp3_file.h"

namespace vorpex::cli {
namespace {

std::string Count(size_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

// What the walk found that sync does not copy.
struct Skipped {
  size_t notMusic = 0;
  size_t notRegular = 0;  // links, devices, pipes
  std::vector<std::string> noShortName;
};

// The files of the folder that sync copies, in the walk's order.
std::optional<std::vector<CopySource>> SyncSources(const Options& options, Skipped& skipped) {
  const std::string& folder = options.operands[0];
  if (!platform::FolderExists(folder)) {
    ReportError(folder + " is no folder");
    return std::nullopt;
  }
  auto walked = platform::FilesUnder(folder);
  if (!walked) {
    const uint32_t code = platform::LastError();
    std::string text =
        platform::SystemErrorText(code).value_or("Windows error " + std::to_string(code));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    ReportError("cannot read the folder " + folder + ": " + text);
    return std::nullopt;
  }
  std::vector<CopySource> sources;
  for (const platform::WalkedFile& file : *walked) {
    if (file.kind != platform::FileKind::kRegular) {
      ++skipped.notRegular;
    } else if (platform::HasEmptyBaseName(file.path)) {
      skipped.noShortName.push_back(file.path);
    } else if (!options.allFiles && !IsPlayableMpegAudio(file.path)) {
      ++skipped.notMusic;
    } else if (auto problem = UnreadableFile(file.path)) {
      ReportError("cannot read " + file.path + ": " + *problem + "; nothing was copied");
      return std::nullopt;
    } else {
      const auto shortName = platform::ShortNameOfPath(file.path);
      sources.push_back({file.path, file.size, ListedName(shortName.value_or("")), false});
    }
  }
  return sources;
}

void ShowPlan(const CopyPlan& plan, const Skipped& skipped, const Options& options) {
  const std::string letter(1, MemoryLetter(plan.memory));
  for (const PlayerFile& file : plan.removals) {
    std::printf("delete %s:%s\n", letter.c_str(), ShownName(file.name).c_str());
  }
  for (const PlannedCopy& copy : plan.copies) {
    std::printf("copy   %s%s\n", copy.path.c_str(), StoredAsText(copy).c_str());
  }
  uint64_t newBytes = 0;
  for (const PlannedCopy& copy : plan.copies) newBytes += copy.size;
  std::string summary = Count(plan.copies.size(), "file", "files") + " to copy (" +
                        MegabytesText(newBytes) + "), " + std::to_string(plan.present.size()) +
                        " there already";
  if (options.deleteOthers) summary += ", " + std::to_string(plan.removals.size()) + " to delete";
  summary += "; memory " + letter + " needs " + MegabytesText(plan.bytesNeeded) + ", " +
             MegabytesText(plan.bytesFree) + " free; " + std::to_string(plan.filesAfter) + " of " +
             std::to_string(kMaxEntries) + " entries";
  std::printf("%s\n", summary.c_str());
  if (skipped.notMusic != 0) {
    std::printf("skipped %s that %s no MPEG audio (--all takes them)\n",
                Count(skipped.notMusic, "file", "files").c_str(),
                skipped.notMusic == 1 ? "is" : "are");
  }
  if (skipped.notRegular != 0) {
    std::printf("skipped %s (links, devices or pipes)\n",
                Count(skipped.notRegular, "entry that is no regular file",
                      "entries that are no regular files")
                    .c_str());
  }
  for (const std::string& path : skipped.noShortName) {
    std::printf("skipped %s: nothing before its dot to make a short name of\n", path.c_str());
  }
  std::fflush(stdout);
}

// Deletes the files the folder lacks, the last entries first: deleting one moves those after
// it down by one.
bool DeleteOthers(const CopyPlan& plan, FileRoute& route, TerminalUi& ui) {
  std::vector<PlayerFile> files = plan.removals;
  std::sort(files.begin(), files.end(),
            [](const PlayerFile& a, const PlayerFile& b) { return a.index > b.index; });
  for (const PlayerFile& file : files) {
    VORPEX_SetError(VORPEX_OK);
    if (!route.Delete(file)) {
      ReportLibraryError(std::string(1, MemoryLetter(file.memory)) + ":" + ShownName(file.name) +
                             " could not be deleted; nothing was copied",
                         ReadLibraryError(ui));
      return false;
    }
  }
  return true;
}

// The whole run's bar, ended however the run ends.
class RunBar {
 public:
  RunBar(TerminalUi& ui, uint64_t totalBytes) : ui_(ui) { ui_.BeginBatch("Syncing", totalBytes); }
  ~RunBar() { ui_.EndBatch(); }
  RunBar(const RunBar&) = delete;
  RunBar& operator=(const RunBar&) = delete;

 private:
  TerminalUi& ui_;
};

}  // namespace

int RunSync(const Options& options, FileRoute& route, TerminalUi& ui) {
  DeferInterrupts();
  const int32_t memory = options.memories.at(0);
  Skipped skipped;
  auto sources = SyncSources(options, skipped);
  if (!sources) return kExitFailed;
  auto listing = ReadOrReport(route, memory, ui);
  if (!listing) return kExitFailed;
  PlanRules rules;
  rules.keepPresent = true;
  rules.removeOthers = options.deleteOthers;
  const CopyPlan plan = PlanCopies(*listing, *sources, rules);
  if (!plan.refusal.empty()) {
    ReportError(plan.refusal);
    return kExitFailed;
  }
  if (!options.quiet) ShowPlan(plan, skipped, options);
  if (plan.filesTooMany != 0) {
    ReportError(ShortageText(plan) + "; nothing was copied");
    return kExitFailed;
  }
  if (options.dryRun) return kExitOk;
  if (Interrupted()) {
    ReportError("cancelled before anything was copied");
    return InterruptedStatus();
  }
  if (!DeleteOthers(plan, route, ui)) return kExitFailed;

  uint64_t total = 0;
  for (const PlannedCopy& copy : plan.copies) total += copy.size;
  const std::string letter(1, MemoryLetter(memory));
  {
    uint64_t done = 0;
    std::optional<RunBar> bar;
    if (!plan.copies.empty()) bar.emplace(ui, total);
    for (size_t i = 0; i < plan.copies.size(); ++i) {
      const PlannedCopy& copy = plan.copies[i];
      const std::string kept = Count(i, "file", "files") + " copied before it stay" +
                               (i == 1 ? "s" : "") + " on the player; sync again to copy the rest";
      if (Interrupted()) {
        bar.reset();
        ReportError("cancelled before " + copy.path + " was copied; " + kept);
        return InterruptedStatus();
      }
      ui.NextFile(std::string("[") + std::to_string(i + 1) + "/" +
                      std::to_string(plan.copies.size()) + "] " + copy.path + StoredAsText(copy),
                  done, copy.size);
      VORPEX_SetError(VORPEX_OK);
      if (!route.PutAs(memory, copy.path, copy.storedName)) {
        bar.reset();
        return CopyFailed("the copy of " + copy.path + " to memory " + letter,
                          "the player keeps nothing of it; " + kept, ui);
      }
      done += copy.size;
    }
  }
  if (!options.quiet) {
    std::printf("synced: %s copied, %s deleted\n",
                Count(plan.copies.size(), "file", "files").c_str(),
                std::to_string(plan.removals.size()).c_str());
  }
  return kExitOk;
}

}  // namespace vorpex::cli
