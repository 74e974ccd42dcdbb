// vorpex's command line: one table of the commands, each with its options and their help; one
// parser over it, which takes every option before, between or after the command's words; and the
// usage lines, help texts and man page synopsis that the table gives.
#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace vorpex::cli {

enum class Command {
  kNone,
  kUpgrade,
  kInfo,
  kList,
  kFree,
  kPut,
  kGet,
  kRemove,
  kMove,
  kFormat,
  kHexToBin,
  kSimInit,
  kMp3Info,
  kSync,
  kMount,
  kUnmount,
};

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

// A fault of the simulated player, armed to strike at the count-th reply or bulk transfer
// (PlayerSim_AimFault's kinds and targets).
struct SimulatedFault {
  int32_t kind = 0;
  int32_t target = 0;
  uint32_t count = 0;
};

// The file commands' way to the player: the chip library, the device library, or the chip
// library's when it finds the player and else the device library's.
enum class RouteChoice { kAny, kChip, kDevice };

struct Options {
  Command command = Command::kNone;
  bool help = false;     // --help, -h: the command's help text, nothing else
  bool version = false;  // --version: the program's version, nothing else
  bool quiet = false;    // --quiet, -q: no progress and no success messages
  bool json = false;     // info, ls, df: one JSON document
  bool bytes = false;    // ls: exact sizes
  bool replace = false;  // put: a file of the same short name is replaced
  bool yes = false;      // format: no question
  std::optional<std::string> simulateFolder;
  std::optional<uint32_t> simulatedDelayMs;     // --sim-slow: what every transfer takes
  std::vector<SimulatedFault> simulatedFaults;  // --sim-fault
  RouteChoice route = RouteChoice::kAny;        // --route
  int32_t upgradeKind = 0;                      // upgrade: -1 the boot code, 0 the codec
  std::string input;   // upgrade: the HEX file; hex2bin: IN.hex; sim init, mount: DIR
  std::string output;  // hex2bin: OUT.bin
  uint32_t base = 0;   // hex2bin --base
  SimOptions sim;
  std::vector<std::string> operands;       // mp3info's files, ENTRY..., put's files, sync's folder
  std::vector<int32_t> memories;           // ls: the memories to list; put --to, format: the one
  std::optional<std::string> destination;  // get -o
  char formatKind = 'F';                   // format --kind: F plain, C mp3, V voice

  std::optional<std::string> storedName;  // put --name
  bool deleteOthers = false;  // sync --delete: the memory's files the folder lacks are deleted
  bool dryRun = false;        // sync --dry-run: the plan only
  bool allFiles = false;      // sync --all: every file, not only MPEG audio
  bool foreground = false;    // mount: stay in the foreground
};

struct UsageError {
  Command command;  // whose usage to show
  std::string message;
};

std::variant<Options, UsageError> ParseArguments(std::span<const std::string_view> args);

// The help text of a command (kNone: the program's).
std::string HelpText(Command command);
// "vorpex upgrade --help": how to ask for a command's help.
std::string HelpCommand(Command command);
// The usage line of a command, for a wrong command line ("usage: vorpex ...\n").
std::string UsageLine(Command command);
// The lines of the man page's synopsis, one a command ("vorpex [options] ls [M|S] ...") and the
// last one for the help and the version.
std::vector<std::string> SynopsisLines();

// What the shell's completion offers for the word being typed, from the command table: `words`
// are the words after "vorpex", the last one the word typed so far (empty for a new word). The
// command names (a two-word command's next word), the options the command takes, an option's or
// operand's choices ("boot", "codec"); or "@file", "@dir" where a file or folder of the PC goes,
// "@entry" where a file on the player goes, then "@simulate DIR" when the line names a
// simulated player. Candidates are not narrowed to the typed prefix: the shell does that.
std::vector<std::string> CompletionWords(std::span<const std::string_view> words);

// A number written in decimal or, after "0x", in hex; nullopt when it is not one or too large.
std::optional<uint32_t> ParseNumber(std::string_view text);
// "M" or "S" as the memory's number (0 or 1), any case; nullopt for anything else.
std::optional<int32_t> ParseMemory(std::string_view text);

}  // namespace vorpex::cli
