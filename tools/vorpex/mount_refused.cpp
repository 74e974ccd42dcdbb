// vorpex mount where there is no FUSE 3 (Windows, or a Linux build without libfuse3).
#include "tools/vorpex/commands.h"
#include "tools/vorpex/library_error.h"
#include "tools/vorpex/mount.h"

namespace vorpex::cli {

namespace {
int Refuse() {
  ReportError("mount works on Linux only, with FUSE 3; this vorpex was built without it");
  return kExitFailed;
}
}  // namespace

int RunMount(const Options&) {
  return Refuse();
}

int RunUnmount(const Options&) {
  return Refuse();
}

// No mount can hold the player here.
std::optional<std::string> MountedAt(const Options&) {
  return std::nullopt;
}

}  // namespace vorpex::cli
