#include "tools/vorpex/simulated_player.h"

#include <cstdio>

#include "platform/environment.h"
#include "platform/file.h"
#include "platform/process.h"
#include "playersim.h"
#include "tools/vorpex/library_error.h"

namespace vorpex::cli {
namespace {

constexpr const char* kEnvironmentVariable = "VORPEX_SIMULATOR";

std::string AttachMessage() {
  char message[512] = {};
  PlayerSim_GetMessage(message, sizeof message);
  return message;
}

}  // namespace

bool SelectSimulatedPlayer(const std::optional<std::string>& simulateFolder) {
  if (!simulateFolder) {
    // The libraries would read the variable at their first driver open and tell a player that
    // cannot be used on their own, unprefixed, before this program's own "no player" message.
    // Attached here, by the libraries' own rule, it is told once.
    const auto named = platform::EnvironmentVariable(kEnvironmentVariable);
    if (!named) return true;
    if (PlayerSim_Attach(named->c_str()) == 1) {
      std::fprintf(stderr, "vorpex: using the simulated player in %s (%s)\n", named->c_str(),
                   kEnvironmentVariable);
      return true;
    }
    ReportError(std::string("cannot use the simulated player in ") + *named + " (named by " +
                kEnvironmentVariable + "): " + AttachMessage());
    return false;
  }
  // The library refuses a folder without a player too; here the refusal says how to make one.
  const std::string& folder = *simulateFolder;
  if (!platform::FileExists(folder + platform::PathSeparator() + "player.txt")) {
    ReportError("no simulated player in " + folder + "; create one with vorpex sim init " +
                folder);
    return false;
  }
  if (PlayerSim_Attach(folder.c_str()) == 1) return true;
  ReportError("cannot use the simulated player in " + folder + ": " + AttachMessage());
  return false;
}

bool SimulatedPlayerSelected() {
  return PlayerSim_IsAttached() == 1;
}

}  // namespace vorpex::cli
