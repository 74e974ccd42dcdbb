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
  // --help or --version: this text is all the program shows.
  std::optional<std::string> answer;
};

inline constexpr const char* kUsage = "usage: Nebrisk [--simulate DIR]";
inline constexpr const char* kHelp =
    "usage: Nebrisk [--simulate DIR]\n"
    "\n"
    "Upgrades the boot code and the codec of the player from the upgrade package beside the\n"
    "program (CodecFileInfo.ini and the BootCodec folder).\n"
    "\n"
    "  --simulate DIR   talk to the simulated player kept in DIR instead of a real one\n"
    "                   (playerctl sim init DIR creates one)\n"
    "  -h, --help       this text\n"
    "  --version        the program's version\n";

// The options, or the text that tells the user what is wrong with the command line.
std::variant<StartOptions, std::string> ParseArguments(std::span<const std::string_view> args);

// The upgrade package of a program folder (given without a trailing separator): the settings
// file and the BootCodec folder in it.
PackagePaths PackageIn(const std::string& programFolder);

// The firmware file `name` of the package: taken relative to its BootCodec folder as it is (no
// extension added), with "\" and "/" both separating folders, as a package made on Windows
// writes them ("sub\boot.hex").
std::string FirmwarePath(const PackagePaths& paths, const std::string& name);

struct ProgramSetup {
  PackagePaths paths;
  std::string deviceLibrary;  // paths of the libraries, beside the program
  std::string chipLibrary;
};

// The package and library paths of the program folder. With a simulate folder it also sets
// VORPEX_SIMULATOR, before any library is loaded. The error text when something fails.
std::variant<ProgramSetup, std::string> PrepareProgram(const StartOptions& options);

}  // namespace vorpex::app
