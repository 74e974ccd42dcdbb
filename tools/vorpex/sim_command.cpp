#include <algorithm>
#include <cstdio>

#include "playersim.h"
#include "tools/vorpex/commands.h"
#include "tools/vorpex/library_error.h"
#include "tools/vorpex/simulated_player.h"

namespace vorpex::cli {

int RunSimInit(const Options& options) {
  const SimOptions& sim = options.sim;
  const std::string& dir = options.input;
  std::string error;
  const SimulatorLibrary* simulator = LoadSimulatorLibrary(error);
  if (simulator == nullptr) {
    ReportError("cannot create a simulated player in " + dir + ": " + error);
    return kExitFailed;
  }
  PlayerSimSettings settings{};
  simulator->defaultSettings(&settings);
  if (sim.capacityM) settings.capacityM = *sim.capacityM;
  if (sim.capacityS) settings.capacityS = *sim.capacityS;
  if (sim.driverVersion) settings.driverVersion = *sim.driverVersion;
  if (sim.interfaces) settings.interfaceCount = *sim.interfaces;
  if (sim.endpoints) settings.endpointCount = *sim.endpoints;
  if (sim.deviceInfo) {
    std::fill(std::begin(settings.deviceInfo), std::end(settings.deviceInfo), ' ');
    std::copy(sim.deviceInfo->begin(), sim.deviceInfo->end(), settings.deviceInfo);
  }
  if (sim.absent) settings.playerPresent = 0;

  if (simulator->createStateDir(dir.c_str(), &settings) != 1) {
    ReportError("cannot create a simulated player in " + dir + ": " + simulator->Message());
    return kExitFailed;
  }
  if (!options.quiet) {
    std::printf("simulated player created in %s: memory M %u and S %u units of 16384 bytes%s\n",
                dir.c_str(), settings.capacityM, settings.capacityS,
                sim.absent ? ", not plugged in" : "");
    std::printf("use it with: vorpex --simulate %s COMMAND\n", dir.c_str());
  }
  return kExitOk;
}

}  // namespace vorpex::cli
