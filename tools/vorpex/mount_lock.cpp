#include "tools/vorpex/mount_lock.h"

#include <cstdio>

#include "platform/environment.h"
#include "platform/folder.h"
#include "platform/lock_file.h"
#include "platform/temp.h"
#include "tools/vorpex/mount.h"

namespace vorpex::cli {
namespace {

// The player's name in the record's file name: "player", or a hash of the simulated player's
// folder.
std::string PlayerKey(const Options& options) {
  std::optional<std::string> folder = options.simulateFolder;
  if (!folder) folder = platform::EnvironmentVariable("VORPEX_SIMULATOR");
  if (!folder) return "player";
  const std::string full = platform::AbsolutePath(*folder).value_or(*folder);
  uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (unsigned char c : full) hash = (hash ^ c) * 1099511628211ull;
  char text[24];
  std::snprintf(text, sizeof text, "sim-%016llx", static_cast<unsigned long long>(hash));
  return text;
}

}  // namespace

std::optional<std::string> MountLockPath(const Options& options) {
  std::optional<std::string> folder = platform::EnvironmentVariable("XDG_RUNTIME_DIR");
  if (folder) {
    *folder += '/';
  } else {
    folder = platform::TempFolder();
  }
  if (!folder) return std::nullopt;
  return *folder + "vorpex-mount-" + PlayerKey(options) + ".lock";
}

std::optional<std::string> MountedAt(const Options& options) {
  const auto path = MountLockPath(options);
  if (!path) return std::nullopt;
  return platform::HeldLockText(*path);
}

}  // namespace vorpex::cli
