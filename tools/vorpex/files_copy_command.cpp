// put and get: files copied to and from the player with the progress bar. Everything that can
// be checked is checked before the first byte moves; an interrupt cancels the copy under way.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "VORPEXUSB.h"
#include "platform/error.h"
#include "platform/file.h"
#include "platform/file_copy.h"
#include "platform/folder.h"
#include "platform/process.h"
#include "platform/short_name.h"
#include "platform/temp.h"
#include "tools/vorpex/commands.h"
#include "tools/vorpex/copy_plan.h"
#include "tools/vorpex/files_commands.h"
#include "tools/vorpex/files_directory.h"
#include "tools/vorpex/files_names.h"
#include "tools/vorpex/interrupt.h"
#include "tools/vorpex/library_error.h"

namespace vorpex::cli {
namespace {

// "[2/5] " in front of each copy when there are several.
std::string Counter(size_t i, size_t count) {
  if (count < 2) return "";
  char text[48];
  std::snprintf(text, sizeof text, "[%zu/%zu] ", i + 1, count);
  return text;
}

// A failure of the PC's own side, told with the system's error.
int SystemFailed(const std::string& what, TerminalUi& ui) {
  const uint32_t code = platform::LastError();
  VORPEX_SetError(VORPEX_ERR_WINDOWS);
  VORPEX_SetWindowsError(code);
  ReportLibraryError(what, ReadLibraryError(ui));
  return kExitFailed;
}

// The entry where the new file went: the first place where the directory after the copy
// differs from the one before, which it equals but for that one file.
size_t InsertedAt(const MemoryListing& before, const MemoryListing& after) {
  size_t i = 0;
  while (i < before.files.size() && i < after.files.size()) {
    const PlayerFile& a = before.files[i];
    const PlayerFile& b = after.files[i];
    if (a.name != b.name || a.size != b.size || a.date != b.date || a.time != b.time) break;
    ++i;
  }
  return i;
}

// "M:NAME.EXT", the name as it can be shown.
std::string SourceText(const PlayerFile& file) {
  return std::string(1, MemoryLetter(file.memory)) + ":" + ShownName(file.name);
}

// get -o -: the file arrives in a temporary file of its own, which goes to standard output
// once complete; the progress and every message go to standard error.
int GetToOutput(const PlayerFile& file, FileRoute& route, TerminalUi& ui) {
  const std::string source = SourceText(file);
  const auto folder = platform::TempFolder();
  const auto temp = folder ? platform::CreateUniqueTempFile(*folder, "vpx") : std::nullopt;
  if (!temp) return SystemFailed("no temporary file for " + source + " can be made", ui);
  struct Removed {
    std::string path;
    ~Removed() { platform::RemoveFile(path); }
  } removed{*temp};
  VORPEX_SetError(VORPEX_OK);
  if (!route.Get(file, *temp, source)) {
    return CopyFailed("the copy of " + source, "nothing was written to standard output", ui);
  }
  std::fflush(stdout);
  auto out = platform::OpenStandardOutput();
  if (!out || !platform::CopyContents(*temp, *out)) {
    return SystemFailed(source + " could not be written to standard output", ui);
  }
  return kExitOk;
}

std::optional<std::vector<CopySource>> PutSources(const Options& options) {
  std::vector<CopySource> sources;
  for (const std::string& path : options.operands) {
    if (auto problem = UnreadableFile(path)) {
      ReportError("cannot read " + path + ": " + *problem);
      return std::nullopt;
    }
    auto file = platform::File::Open(path, platform::Access::kRead, platform::Share::kReadWrite,
                                     platform::Disposition::kOpenExisting);
    const auto size = file ? file->Size() : std::nullopt;
    if (!size) {
      ReportError("cannot read " + path + ": its size is not known");
      return std::nullopt;
    }
    CopySource source{path, *size, "", false};
    if (options.storedName) {
      if (auto problem = StoredNameProblem(*options.storedName)) {
        // Built by appending: g++ 12's optimiser takes "\"" + text for an overlapping copy.
        std::string message = "\"";
        message += ShownName(*options.storedName);
        message += "\" is no name the player can store: " + *problem;
        ReportError(message);
        return std::nullopt;
      }
      source.shortName = *options.storedName;
      source.chosen = true;
    } else if (platform::HasEmptyBaseName(path)) {
      ReportError(path + " has no name the player can store (an 8.3 name needs something " +
                  "before the dot); --name NAME stores it as NAME");
      return std::nullopt;
    } else {
      source.shortName = ListedName(platform::ShortNameOfPath(path).value_or(""));
    }
    sources.push_back(std::move(source));
  }
  return sources;
}

}  // namespace

int CopyFailed(const std::string& what, const std::string& afterCancel, TerminalUi& ui) {
  const LibraryError error = ReadLibraryError(ui);
  std::fflush(stdout);
  if (error.code == VORPEX_ERR_USERBREAK || Interrupted()) {
    ReportError(what + " was cancelled; " + afterCancel);
    return InterruptedStatus();
  }
  ReportLibraryError(what + " failed", error);
  return kExitFailed;
}

int RunPut(const Options& options, FileRoute& route, TerminalUi& ui) {
  DeferInterrupts();
  const int32_t memory = options.memories.at(0);
  auto listing = ReadOrReport(route, memory, ui);
  if (!listing) return kExitFailed;

  // Every file is checked, named and counted against the memory before the first is copied.
  auto sources = PutSources(options);
  if (!sources) return kExitFailed;
  PlanRules rules;
  rules.replace = options.replace;
  const CopyPlan plan = PlanCopies(*listing, *sources, rules);
  if (!plan.refusal.empty()) {
    ReportError(plan.refusal);
    return kExitFailed;
  }
  if (plan.filesTooMany != 0) {
    ReportError(ShortageText(plan) + "; nothing was copied");
    return kExitFailed;
  }

  const std::string letter(1, MemoryLetter(memory));
  for (size_t i = 0; i < plan.copies.size(); ++i) {
    const PlannedCopy& item = plan.copies[i];
    if (Interrupted()) {
      ReportError("cancelled before " + item.path + " was copied");
      return InterruptedStatus();
    }
    if (!options.quiet) {
      const std::string line = Counter(i, plan.copies.size()) + item.path + StoredAsText(item);
      std::printf("%s\n", line.c_str());
      std::fflush(stdout);
    }
    auto before = item.replaced ? ReadOrReport(route, memory, ui) : listing;
    if (!before) return kExitFailed;
    VORPEX_SetError(VORPEX_OK);
    if (!route.PutAs(memory, item.path, item.storedName)) {
      return CopyFailed("the copy of " + item.path + " to memory " + letter,
                        "the player keeps nothing of it", ui);
    }
    if (!item.replaced) continue;
    // The new copy is complete: now the old entry goes, wherever the new one was put. Earlier
    // copies may have moved it, so it is looked up in the directory read just before this copy.
    auto after = ReadOrReport(route, memory, ui);
    if (!after) return kExitFailed;
    auto old =
        std::find_if(before->files.begin(), before->files.end(),
                     [&](const PlayerFile& file) { return SameName(file.name, item.storedName); });
    if (old == before->files.end()) continue;  // gone meanwhile: nothing to replace
    const auto oldIndex = static_cast<size_t>(old->index);
    const size_t index = oldIndex < InsertedAt(*before, *after) ? oldIndex : oldIndex + 1;
    VORPEX_SetError(VORPEX_OK);
    PlayerFile stale = *old;
    stale.index = static_cast<int32_t>(index);
    if (!route.Delete(stale)) {
      ReportLibraryError(std::string("the new ") + ShownName(item.storedName) +
                             " is stored, but the old one (entry " + std::to_string(index) +
                             ") could not be deleted",
                         ReadLibraryError(ui));
      return kExitFailed;
    }
  }
  return kExitOk;
}

int RunGet(const Options& options, FileRoute& route, TerminalUi& ui) {
  DeferInterrupts();
  // Every ENTRY is found on the player before the first copy; one named twice is copied once.
  auto resolved = ResolveEntries(options.operands, route, ui);
  if (!resolved) return kExitFailed;
  std::vector<PlayerFile> files;
  for (const PlayerFile& file : *resolved) {
    if (std::none_of(files.begin(), files.end(), [&](const PlayerFile& earlier) {
          return earlier.memory == file.memory && earlier.index == file.index;
        })) {
      files.push_back(file);
    }
  }
  if (options.destination == "-") {
    if (files.size() > 1) {
      ReportError("-o - writes one file to standard output, not " + std::to_string(files.size()));
      return kExitFailed;
    }
    return GetToOutput(files.front(), route, ui);
  }

  // The destination: a folder, or for one file a file name in a folder that exists.
  std::string folder = options.destination.value_or(".");
  std::optional<std::string> fileName;
  if (!platform::FolderExists(folder)) {
    if (resolved->size() > 1) {
      ReportError("the folder " + folder + " does not exist");
      return kExitFailed;
    }
    fileName = folder;
    folder = platform::FolderOf(folder);
    if (!platform::FolderExists(folder)) {
      ReportError("the folder " + folder + " does not exist");
      return kExitFailed;
    }
  }

  // In a folder each file is named as on the player, as far as a PC name can hold it; two that
  // would land on one name stop the command before anything is copied.
  std::vector<std::string> targets;
  for (size_t i = 0; i < files.size(); ++i) {
    if (fileName) {
      targets.push_back(*fileName);
      continue;
    }
    const LocalName local = LocalFileName(files[i].name);
    for (size_t k = 0; k < i; ++k) {
      if (SameName(LocalFileName(files[k].name).name, local.name)) {
        ReportError(SourceText(files[i]) + " and " + SourceText(files[k]) +
                    " would both be written to " + ShownName(local.name));
        return kExitFailed;
      }
    }
    if (local.changed) {
      ReportError(SourceText(files[i]) + " is written as " + ShownName(local.name) +
                  ": its name holds characters a file name on the PC cannot");
    }
    targets.push_back(folder + platform::PathSeparator() + local.name);
  }

  for (size_t i = 0; i < files.size(); ++i) {
    const PlayerFile& file = files[i];
    const std::string source = SourceText(file);
    const std::string& target = targets[i];
    if (Interrupted()) {
      ReportError("cancelled before " + source + " was copied");
      return InterruptedStatus();
    }
    if (!options.quiet) {
      std::printf("%s%s -> %s\n", Counter(i, files.size()).c_str(), source.c_str(), target.c_str());
      std::fflush(stdout);
    }
    VORPEX_SetError(VORPEX_OK);
    if (!route.Get(file, target, source)) {
      return CopyFailed("the copy of " + source + " to " + target,
                        "no partial file is left and a file that was there is unchanged", ui);
    }
  }
  return kExitOk;
}

}  // namespace vorpex::cli
