#include "app/startup.h"

#include <cstdint>
#include <cstdio>

#include "platform/dynamic_library.h"
#include "platform/environment.h"
#include "platform/file.h"
#include "platform/process.h"
#include "playersim.h"

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
    } else if (args[i] == "--package") {
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        return std::string("--package needs the folder of the upgrade package\n") + kUsage;
      }
      options.packageFolder = std::string(args[++i]);
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

std::string BootStateFile(const std::string& stateFolder, const std::string& settingsFile) {
  // The package's folder, readable in the name; a hash of the whole path keeps two packages
  // whose names read alike apart.
  std::string folder = settingsFile.substr(0, settingsFile.find_last_of("/\\") + 1);
  uint32_t hash = 2166136261u;  // FNV-1a
  std::string readable;
  for (char c : folder) {
    hash = (hash ^ static_cast<uint8_t>(c)) * 16777619u;
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '.';
    if (readable.size() < 80) readable += plain ? c : '_';
  }
  char digits[9];
  std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(hash));
  const std::string separator(1, platform::PathSeparator());
  return stateFolder + separator + "vorpex" + separator + "boot-state" + readable + digits + ".ini";
}

std::string NoPackageText() {
  return "No firmware upgrade package was given. Start the program with --package DIR, where DIR "
         "is the folder of the upgrade package for your player: CodecFileInfo.ini and the "
         "BootCodec folder with the firmware files it names. The sample package installed with "
         "the program (" VORPEX_SAMPLE_PACKAGE
         ") only upgrades a simulated player: nebrisk "
         "--simulate PLAYER --package " VORPEX_SAMPLE_PACKAGE;
}

std::string WindowTitle(const ProgramSetup& setup) {
  return setup.simulatedPlayer ? "Firmware Upgrade - simulated player" : "Firmware Upgrade";
}

std::variant<ProgramSetup, std::string> PrepareProgram(const StartOptions& options) {
  std::optional<std::string> folder = platform::ProgramFolder();
  if (!folder) return std::string("Cannot find the folder of the running program");
  const std::string separator(1, platform::PathSeparator());

  if (options.simulateFolder &&
      !platform::SetEnvironment(PLAYERSIM_ENVIRONMENT_VARIABLE, *options.simulateFolder)) {
    return "Cannot select the simulated player in " + *options.simulateFolder;
  }

  ProgramSetup setup;
  setup.simulatedPlayer = platform::EnvironmentVariable(PLAYERSIM_ENVIRONMENT_VARIABLE).has_value();
  if (options.packageFolder) {
    std::string package = *options.packageFolder;
    while (package.size() > 1 && (package.back() == '/' || package.back() == '\\'))
      package.pop_back();
    setup.paths = PackageIn(package);
    if (!platform::FileExists(setup.paths.settingsFile)) {
      return "No upgrade package in " + package + ": it holds no CodecFileInfo.ini";
    }
  } else {
    setup.paths = PackageIn(*folder);
    if (!platform::DataBesideProgram() && !platform::FileExists(setup.paths.settingsFile)) {
      setup.noPackage = NoPackageText();
    }
  }
  if (auto state = platform::UserStateFolder()) {
    setup.paths.stateFile = BootStateFile(*state, setup.paths.settingsFile);
  }
  setup.deviceLibrary = *folder + separator + platform::LibraryFileName("ORVANEUsbDll");
  setup.chipLibrary = *folder + separator + platform::LibraryFileName("VORPEXUSB");
  return setup;
}

}  // namespace vorpex::app
