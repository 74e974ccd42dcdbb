// What both windows do before they open: read the command line, find the upgrade package and
// the libraries beside the program, and select the simulated player when asked to.
#pragma once
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "app/upgrade_presenter.h"

namespace vorpex::app {

struct StartOptions {
  // --simulate DIR: the simulated player's state folder.
  std::optional<std::string> simulateFolder;
  // --package DIR: the folder of the upgrade package, instead of the program's own.
  std::optional<std::string> packageFolder;
  // --help or --version: this text is all the program shows.
  std::optional<std::string> answer;
};

inline constexpr const char* kUsage = "usage: Nebrisk [--simulate DIR] [--package DIR]";
inline constexpr const char* kHelp =
    "usage: Nebrisk [--simulate DIR] [--package DIR]\n"
    "\n"
    "Upgrades the boot code and the codec of the player from an upgrade package: a folder that\n"
    "holds CodecFileInfo.ini and the BootCodec folder (on Windows, the one beside the program).\n"
    "\n"
    "  --simulate DIR   talk to the simulated player kept in DIR instead of a real one\n"
    "                   (vorpex sim init DIR creates one)\n"
    "  --package DIR    the upgrade package in DIR\n"
    "  -h, --help       this text\n"
    "  --version        the program's version\n";

// What the window says when it has no package: where to find one and how to name it.
std::string NoPackageText();

// The options, or the text that tells the user what is wrong with the command line.
std::variant<StartOptions, std::string> ParseArguments(std::span<const std::string_view> args);

// The upgrade package of a program folder (given without a trailing separator): the settings
// file and the BootCodec folder in it.
PackagePaths PackageIn(const std::string& programFolder);

// The firmware file `name` of the package: taken relative to its BootCodec folder as it is (no
// extension added), with "\" and "/" both separating folders, as a package made on Windows
// writes them ("sub\boot.hex").
std::string FirmwarePath(const PackagePaths& paths, const std::string& name);

// Where the boot state of the package whose settings file is `settingsFile` is kept when that
// file cannot be written: a file of its own, named after the package, in the user's state
// folder `stateFolder`.
std::string BootStateFile(const std::string& stateFolder, const std::string& settingsFile);

struct ProgramSetup {
  PackagePaths paths;
  std::string deviceLibrary;  // paths of the libraries, beside the program
  std::string chipLibrary;
  // The simulated player stands in, by --simulate or by VORPEX_SIMULATOR.
  bool simulatedPlayer = false;
  // Set when there is no package to offer: what the window says instead.
  std::optional<std::string> noPackage;
};

// The window's title: it says when a simulated player stands in.
std::string WindowTitle(const ProgramSetup& setup);

// The package and library paths: the package of --package, or the one beside the program where
// programs keep their data beside them; on other systems a program folder without a package
// leaves the window without one, saying where to find one. With a simulate folder it also sets
// VORPEX_SIMULATOR, before any library is loaded. The error text when something fails.
std::variant<ProgramSetup, std::string> PrepareProgram(const StartOptions& options);

}  // namespace vorpex::app
