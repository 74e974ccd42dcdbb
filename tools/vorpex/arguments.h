// vorpex's command line: the global options, the command and its own options, and the help
// text of each command.
#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace vorpex::cli {

enum class Command { kNone, kUpgrade, kInfo, kHexToBin, kSimInit, kMp3Info };

// Settings of a new simulated player; each one left unset keeps the player's default.
struct SimOptions {
  std::optional<uint32_t> capacityM;
  std::optional<uint32_t> capacityS;
  std::optional<uint32_t> driverVersion;
  std::optional<uint32_t> interfaces;
  std::optional<uint32_t> endpoints;
  std::optional<std::string> deviceInfo;  // at most 20 characters
  bool absent = false;                    // the driver is there, the player is not
};

struct Options {
  Command command = Command::kNone;
  bool help = false;     // --help: the command's help text, nothing else
  bool version = false;  // --version: the program's version, nothing else
  bool quiet = false;    // --quiet, -q: no progress and no success messages
  bool json = false;     // info --json: one JSON document instead of the table
  std::optional<std::string> simulateFolder;
  int32_t upgradeKind = 0;  // upgrade: -1 the boot code, 0 the codec
  std::string input;        // upgrade: the HEX file; hex2bin: IN.hex; sim init: DIR
  std::string output;       // hex2bin: OUT.bin
  uint32_t base = 0;        // hex2bin --base
  SimOptions sim;
  std::vector<std::string> files;  // mp3info: FILE...
};

struct UsageError {
  Command command;  // whose usage to show
  std::string message;
};

std::variant<Options, UsageError> ParseArguments(std::span<const std::string_view> args);

// The help text of a command (kNone: the program's).
std::string_view HelpText(Command command);
// "vorpex upgrade --help": how to ask for a command's help.
std::string HelpCommand(Command command);
// The short usage line of a command, for a wrong command line.
std::string_view UsageLine(Command command);

// A number written in decimal or, after "0x", in hex; nullopt when it is not one or too large.
std::optional<uint32_t> ParseNumber(std::string_view text);

}  // namespace vorpex::cli
