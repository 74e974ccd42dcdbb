// The command lines of the file commands (ls, df, put, get, rm, mv, format) and their help.
#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace vorpex::cli {

enum class FilesCommand { kList, kFree, kPut, kGet, kRemove, kMove, kFormat };

// A fault of the simulated player, armed to strike at the count-th reply or bulk transfer
// (PlayerSim_AimFault's kinds and targets).
struct SimulatedFault {
  int32_t kind = 0;
  int32_t target = 0;
  uint32_t count = 0;
};

struct FilesOptions {
  FilesCommand command = FilesCommand::kList;
  bool help = false;     // --help, -h
  bool version = false;  // --version
  bool quiet = false;    // --quiet, -q
  bool json = false;     // ls, df: one JSON document
  bool bytes = false;    // ls: exact sizes
  bool replace = false;  // put: a file of the same short name is replaced
  bool yes = false;      // format: no question
  std::optional<std::string> simulateFolder;
  uint32_t simulatedDelayMs = 0;  // --sim-slow: what every transfer of the simulated player takes
  std::vector<SimulatedFault> simulatedFaults;  // --sim-fault
  std::vector<int32_t> memories;  // ls: the memories to list; put --to, format: the one
  std::vector<std::string> operands;
  std::optional<std::string> destination;  // get -o
  char formatKind = 'F';                   // format --kind: F plain, C mp3, V voice
  int route = 0;                           // --route: 0 any, 1 chip, 2 device
};

struct FilesUsageError {
  FilesCommand command;
  std::string message;
};

// The file command that `args` name, or nullopt when they name another command (or none).
std::optional<FilesCommand> FindFilesCommand(std::span<const std::string_view> args);

std::variant<FilesOptions, FilesUsageError> ParseFilesArguments(
    std::span<const std::string_view> args);

std::string_view FilesHelpText(FilesCommand command);
// "ls", "df", ...
std::string_view FilesCommandName(FilesCommand command);

// "M" or "S" as the memory's number (0 or 1), any case; nullopt for anything else.
std::optional<int32_t> ParseMemory(std::string_view text);

}  // namespace vorpex::cli
