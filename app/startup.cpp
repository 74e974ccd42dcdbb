#include "app/startup.h"

#include "platform/dynamic_library.h"
#include "platform/environment.h"
#include "platform/process.h"

namespace vorpex::app {

std::variant<StartOptions, std::string> ParseArguments(std::span<const std::string_view> args) {
  StartOptions options;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--help" || args[i] == "-h") {
      options.answer = kHelp;
      return options;
    }
    if (args[i] == "--version") {
      options.answer = std::string("Nebrisk ") + VORPEX_VERSION + "\n";
      return options;
    }
    if (args[i] == "--simulate") {
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        return std::string("--simulate needs the folder of the simulated player\n") + kUsage;
      }
      options.simulateFolder = std::string(args[++i]);
    } else {
      return "unknown argument \"" + std::string(args[i]) + "\"\n" + kUsage;
    }
  }
  return options;
}

PackagePaths PackageIn(const std::string& programFolder) {
  const std::string separator(1, platform::PathSeparator());
  PackagePaths paths;
  paths.settingsFile = programFolder + separator + "CodecFileInfo.ini";
  paths.firmwareFolder = programFolder + separator + "BootCodec" + separator;
  return paths;
}

std::string FirmwarePath(const PackagePaths& paths, const std::string& name) {
  std::string path = paths.firmwareFolder;
  for (char c : name) path += (c == '\\' || c == '/') ? platform::PathSeparator() : c;
  return path;
}

std::variant<ProgramSetup, std::string> PrepareProgram(const StartOptions& options) {
  std::optional<std::string> folder = platform::ProgramFolder();
  if (!folder) return std::string("Cannot find the folder of the running program");
  const std::string separator(1, platform::PathSeparator());

  if (options.simulateFolder &&
      !platform::SetEnvironment("VORPEX_SIMULATOR", *options.simulateFolder)) {
    return "Cannot select the simulated player in " + *options.simulateFolder;
  }

  ProgramSetup setup;
  setup.paths = PackageIn(*folder);
  setup.deviceLibrary = *folder + separator + platform::LibraryFileName("ORVANEUsbDll");
  setup.chipLibrary = *folder + separator + platform::LibraryFileName("VORPEXUSB");
  return setup;
}

}  // namespace vorpex::app
