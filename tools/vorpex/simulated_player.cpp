#include "tools/vorpex/simulated_player.h"

#include <cstdio>

#include "platform/dynamic_library.h"
#include "platform/environment.h"
#include "platform/file.h"
#include "platform/process.h"
#include "tools/vorpex/library_error.h"

namespace vorpex::cli {
namespace {

struct Loaded {
  std::optional<platform::DynamicLibrary> library;
  SimulatorLibrary entries{};
  bool selected = false;
};

Loaded& TheSimulator() {
  static Loaded loaded;
  return loaded;
}

template <typename Entry>
void Resolve(const platform::DynamicLibrary& library, const char* name, Entry& entry,
             std::string& missing) {
  entry = reinterpret_cast<Entry>(library.Find(name));
  if (entry == nullptr && missing.empty()) missing = name;
}

}  // namespace

std::string SimulatorLibrary::Message() const {
  char message[512] = {};
  getMessage(message, sizeof message);
  return message;
}

const SimulatorLibrary* LoadSimulatorLibrary(std::string& error) {
  Loaded& loaded = TheSimulator();
  if (loaded.library) return &loaded.entries;
  const std::string name = platform::LibraryFileName(PLAYERSIM_LIBRARY_NAME);
  std::optional<platform::DynamicLibrary> library;
  if (const auto folder = platform::ProgramFolder()) {
    library = platform::DynamicLibrary::Load(*folder + platform::PathSeparator() + name);
  }
  if (!library) library = platform::DynamicLibrary::Load(name);
  if (!library) {
    error = "cannot load " + name + ": " + platform::DynamicLibrary::LoadError();
    return nullptr;
  }
  SimulatorLibrary& e = loaded.entries;
  std::string missing;
  Resolve(*library, "PlayerSim_DefaultSettings", e.defaultSettings, missing);
  Resolve(*library, "PlayerSim_CreateStateDir", e.createStateDir, missing);
  Resolve(*library, "PlayerSim_Attach", e.attach, missing);
  Resolve(*library, "PlayerSim_IsAttached", e.isAttached, missing);
  Resolve(*library, "PlayerSim_GetMessage", e.getMessage, missing);
  Resolve(*library, "PlayerSim_SetFault", e.setFault, missing);
  Resolve(*library, "PlayerSim_AimFault", e.aimFault, missing);
  if (!missing.empty()) {
    error = name + " has no " + missing;
    return nullptr;
  }
  loaded.library = std::move(library);
  return &e;
}

bool SelectSimulatedPlayer(const std::optional<std::string>& simulateFolder) {
  std::string error;
  if (!simulateFolder) {
    // The libraries would read the variable at their first driver open and tell a player that
    // cannot be used on their own, unprefixed, before this program's own "no player" message.
    // Attached here, by the libraries' own rule, it is told once.
    const auto named = platform::EnvironmentVariable(PLAYERSIM_ENVIRONMENT_VARIABLE);
    if (!named) return true;
    const std::string cannot = "cannot use the simulated player in " + *named + " (named by " +
                               PLAYERSIM_ENVIRONMENT_VARIABLE + "): ";
    const SimulatorLibrary* simulator = LoadSimulatorLibrary(error);
    if (simulator == nullptr) {
      ReportError(cannot + error);
      return false;
    }
    if (simulator->attach(named->c_str()) == 1) {
      std::fprintf(stderr, "vorpex: using the simulated player in %s (%s)\n", named->c_str(),
                   PLAYERSIM_ENVIRONMENT_VARIABLE);
      TheSimulator().selected = true;
      return true;
    }
    ReportError(cannot + simulator->Message());
    return false;
  }
  // The library refuses a folder without a player too; here the refusal says how to make one.
  const std::string& folder = *simulateFolder;
  if (!platform::FileExists(folder + platform::PathSeparator() + "player.txt")) {
    ReportError("no simulated player in " + folder + "; create one with vorpex sim init " +
                folder);
    return false;
  }
  const std::string cannot = "cannot use the simulated player in " + folder + ": ";
  const SimulatorLibrary* simulator = LoadSimulatorLibrary(error);
  if (simulator == nullptr) {
    ReportError(cannot + error);
    return false;
  }
  if (simulator->attach(folder.c_str()) == 1) {
    TheSimulator().selected = true;
    return true;
  }
  ReportError(cannot + simulator->Message());
  return false;
}

const SimulatorLibrary* SelectedSimulator() {
  return TheSimulator().selected ? &TheSimulator().entries : nullptr;
}

bool SimulatedPlayerSelected() {
  const SimulatorLibrary* simulator = SelectedSimulator();
  return simulator != nullptr && simulator->isAttached() == 1;
}

}  // namespace vorpex::cli
