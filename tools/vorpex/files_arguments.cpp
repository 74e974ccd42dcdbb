#include "tools/vorpex/files_arguments.h"

#include <array>

#include "playersim.h"
#include "tools/vorpex/arguments.h"
#include "tools/vorpex/option_argument.h"

namespace vorpex::cli {
namespace {

struct CommandInfo {
  FilesCommand command;
  std::string_view name;
  std::string_view help;
};

constexpr std::array<CommandInfo, 7> kCommands{{
    {FilesCommand::kList, "ls",
     "usage: vorpex [--simulate DIR] ls [M|S] [--bytes] [--json]\n"
     "\n"
     "Lists the files of memory M or S (both when none is named): the entry number, the size,\n"
     "the date and time stored on the player and the name.\n"
     "\n"
     "options:\n"
     "  --bytes   exact sizes in bytes instead of K, M and G\n"
     "  --json    one JSON document on standard output instead of the tables\n"},
    {FilesCommand::kFree, "df",
     "usage: vorpex [--simulate DIR] df [--json]\n"
     "\n"
     "Shows the size, the space used and free and the share used of each memory.\n"
     "\n"
     "options:\n"
     "  --json    one JSON document on standard output instead of the table\n"},
    {FilesCommand::kPut, "put",
     "usage: vorpex [--simulate DIR] [--quiet] put FILE... [--to M|S] [--replace]\n"
     "\n"
     "Copies files to the player's memory M (or S), each under its 8.3 short name, which is\n"
     "shown when it differs from the file's own name. A file whose short name is taken on\n"
     "that memory is refused.\n"
     "\n"
     "options:\n"
     "  --to M|S    the memory to copy to (M)\n"
     "  --replace   replace a file of the same short name: the new copy is stored first and\n"
     "              the old one deleted only when the new one is complete\n"
     "\n"
     "Ctrl-C (any interrupt) cancels the copy under way: the player keeps nothing of it;\n"
     "the program exits with 128 + the signal's number (130 for Ctrl-C).\n"
     "\n"
     "For trying failures on a simulated player (with --simulate only):\n"
     "  --sim-slow MS       every transfer of the simulated player takes MS milliseconds\n"
     "  --sim-fault K@AT=N  the simulated player fails at the N-th bulk transfer (AT:\n"
     "                      transfer, in, out) or reply (AT: reply) from the start, K being\n"
     "                      unplug, short or stall for transfers, refuse or drop for replies\n"},
    {FilesCommand::kGet, "get",
     "usage: vorpex [--simulate DIR] [--quiet] get ENTRY... [-o DEST]\n"
     "\n"
     "Copies files from the player. ENTRY is M:3 (memory and entry number, as ls shows it)\n"
     "or M:NAME.EXT (the name, in any case); S: for memory S; without a prefix, memory M.\n"
     "DEST is a folder (the current one when none is given) where the files are named as on\n"
     "the player (characters a PC name cannot hold, such as / \\ : and control characters,\n"
     "replaced by _), or for a single ENTRY a file name, or - for standard output. A copy\n"
     "that fails or is cancelled leaves no partial file, and a file that was there before\n"
     "stays as it was but for its contents: its permissions stay, a symbolic link stays and\n"
     "its target is replaced (other hard links of the file keep the old contents), and a\n"
     "device or pipe is written into, never replaced.\n"
     "\n"
     "Ctrl-C (any interrupt) cancels the copy under way; the program exits with 128 + the\n"
     "signal's number (130 for Ctrl-C).\n"
     "\n"
     "For trying failures on a simulated player (with --simulate only), --sim-slow MS and\n"
     "--sim-fault K@AT=N as for put.\n"},
    {FilesCommand::kRemove, "rm",
     "usage: vorpex [--simulate DIR] [--quiet] rm ENTRY...\n"
     "\n"
     "Deletes files from the player (ENTRY as for get). Every ENTRY is looked up before the\n"
     "first file is deleted, so entry numbers are those that ls showed.\n"},
    {FilesCommand::kMove, "mv",
     "usage: vorpex [--simulate DIR] [--quiet] mv ENTRY NEWNAME\n"
     "\n"
     "Renames a file on the player (ENTRY as for get) to the 8.3 short name of NEWNAME.\n"},
    {FilesCommand::kFormat, "format",
     "usage: vorpex [--simulate DIR] [--quiet] format M|S [--yes] [--kind plain|mp3|voice]\n"
     "\n"
     "Erases every file of the memory. Asks first on a terminal; without one, --yes is\n"
     "needed (else the exit status is 2).\n"
     "\n"
     "options:\n"
     "  --yes          erase without asking\n"
     "  --kind K       plain (the default), mp3 or voice; the chip library's route formats\n"
     "                 plain only\n"},
}};

const CommandInfo& InfoOf(FilesCommand command) {
  for (const CommandInfo& info : kCommands) {
    if (info.command == command) return info;
  }
  return kCommands[0];
}

std::optional<FilesCommand> CommandNamed(std::string_view word) {
  for (const CommandInfo& info : kCommands) {
    if (info.name == word) return info.command;
  }
  return std::nullopt;
}

// The position of the command word: the first word that is neither an option nor the value of
// one; after "--", the word that follows it.
std::optional<size_t> CommandPosition(std::span<const std::string_view> args) {
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--") return i + 1 < args.size() ? std::optional<size_t>(i + 1) : std::nullopt;
    if (args[i] == "--simulate" || args[i] == "--sim-slow" || args[i] == "--sim-fault" ||
        args[i] == "--route") {
      ++i;
    } else if (args[i] == "-" || !args[i].starts_with("-")) {
      return i;
    }
  }
  return std::nullopt;
}

// "unplug@transfer=3": a kind that can strike at the target, and a count from 1.
std::optional<SimulatedFault> ParseSimulatedFault(std::string_view text) {
  struct Name {
    std::string_view word;
    int32_t value;
  };
  constexpr std::array<Name, 5> kKinds{{{"unplug", PLAYERSIM_FAULT_UNPLUG},
                                        {"short", PLAYERSIM_FAULT_SHORT_TRANSFER},
                                        {"stall", PLAYERSIM_FAULT_STALL_TRANSFER},
                                        {"refuse", PLAYERSIM_FAULT_REFUSE_NEXT_REPLY},
                                        {"drop", PLAYERSIM_FAULT_DROP_NEXT_REPLY}}};
  constexpr std::array<Name, 4> kTargets{{{"transfer", PLAYERSIM_AT_TRANSFER},
                                          {"in", PLAYERSIM_AT_TRANSFER_IN},
                                          {"out", PLAYERSIM_AT_TRANSFER_OUT},
                                          {"reply", PLAYERSIM_AT_REPLY}}};
  const size_t at = text.find('@');
  const size_t equals = text.find('=');
  if (at == std::string_view::npos || equals == std::string_view::npos || equals < at) {
    return std::nullopt;
  }
  auto find = [](const auto& names, std::string_view word) -> std::optional<int32_t> {
    for (const Name& name : names) {
      if (name.word == word) return name.value;
    }
    return std::nullopt;
  };
  const auto kind = find(kKinds, text.substr(0, at));
  const auto target = find(kTargets, text.substr(at + 1, equals - at - 1));
  const auto count = ParseNumber(text.substr(equals + 1));
  if (!kind || !target || !count || *count == 0) return std::nullopt;
  const bool replyKind =
      *kind == PLAYERSIM_FAULT_REFUSE_NEXT_REPLY || *kind == PLAYERSIM_FAULT_DROP_NEXT_REPLY;
  if (replyKind != (*target == PLAYERSIM_AT_REPLY)) return std::nullopt;
  return SimulatedFault{*kind, *target, *count};
}

}  // namespace

std::optional<int32_t> ParseMemory(std::string_view text) {
  if (text == "M" || text == "m") return 0;
  if (text == "S" || text == "s") return 1;
  return std::nullopt;
}

std::optional<FilesCommand> FindFilesCommand(std::span<const std::string_view> args) {
  const auto position = CommandPosition(args);
  if (!position) return std::nullopt;
  return CommandNamed(args[*position]);
}

std::string_view FilesCommandName(FilesCommand command) {
  return InfoOf(command).name;
}

std::string_view FilesHelpText(FilesCommand command) {
  return InfoOf(command).help;
}

std::variant<FilesOptions, FilesUsageError> ParseFilesArguments(
    std::span<const std::string_view> args) {
  FilesOptions options;
  options.command = FindFilesCommand(args).value_or(FilesCommand::kList);
  const std::string name(InfoOf(options.command).name);
  auto fail = [&](std::string message) -> FilesUsageError {
    return FilesUsageError{options.command, std::move(message)};
  };
  auto allowed = [&](std::initializer_list<FilesCommand> commands) {
    for (FilesCommand command : commands) {
      if (command == options.command) return true;
    }
    return false;
  };
  const size_t commandAt = *CommandPosition(args);
  std::optional<int32_t> to;
  bool optionsEnded = false;  // after "--" every argument is an operand, even "-x"
  for (size_t i = 0; i < args.size(); ++i) {
    std::string_view arg = args[i];
    if (i == commandAt) continue;
    if (optionsEnded || arg == "-" || !arg.starts_with("-")) {
      options.operands.emplace_back(arg);
      continue;
    }
    OptionArgument option(args, i);
    arg = option.Name();
    auto value = [&option] { return option.Value(); };
    std::string commonError;
    if (arg == "--") {
      optionsEnded = true;
    } else if (TakeCommonOption(option, options, commonError)) {
      if (!commonError.empty()) return fail(commonError);
    } else if (arg == "-o" && options.command == FilesCommand::kGet) {
      auto dest = value();
      if (!dest || dest->empty()) return fail("-o needs a file or folder");
      options.destination = std::string(*dest);
    } else if (arg == "--route") {
      auto text = value();
      if (text && *text == "chip") {
        options.route = 1;
      } else if (text && *text == "device") {
        options.route = 2;
      } else {
        return fail("--route wants chip or device");
      }
    } else if (arg == "--sim-slow") {
      auto text = value();
      auto ms = text ? ParseNumber(*text) : std::nullopt;
      if (!ms || *ms > 10000) return fail("--sim-slow wants milliseconds, up to 10000");
      options.simulatedDelayMs = *ms;
    } else if (arg == "--sim-fault") {
      auto text = value();
      auto fault = text ? ParseSimulatedFault(*text) : std::nullopt;
      if (!fault) {
        return fail(
            "--sim-fault wants unplug|short|stall@transfer|in|out=N or "
            "refuse|drop@reply=N");
      }
      options.simulatedFaults.push_back(*fault);
    } else if (arg == "--json" && allowed({FilesCommand::kList, FilesCommand::kFree})) {
      options.json = true;
    } else if (arg == "--bytes" && allowed({FilesCommand::kList})) {
      options.bytes = true;
    } else if (arg == "--replace" && allowed({FilesCommand::kPut})) {
      options.replace = true;
    } else if (arg == "--yes" && allowed({FilesCommand::kFormat})) {
      options.yes = true;
    } else if (arg == "--to" && allowed({FilesCommand::kPut})) {
      auto text = value();
      to = text ? ParseMemory(*text) : std::nullopt;
      if (!to) return fail("--to wants M or S");
    } else if (arg == "--kind" && allowed({FilesCommand::kFormat})) {
      auto text = value();
      if (text && *text == "plain") {
        options.formatKind = 'F';
      } else if (text && *text == "mp3") {
        options.formatKind = 'C';
      } else if (text && *text == "voice") {
        options.formatKind = 'V';
      } else {
        return fail("--kind wants plain, mp3 or voice");
      }
    } else {
      return fail("unknown option " + std::string(arg) + " for " + name);
    }
    if (option.ValueLeftOver()) return fail(std::string(arg) + " takes no value");
  }
  if (options.help || options.version) return options;
  if (!options.simulatedFaults.empty() && !options.simulateFolder) {
    return fail("--sim-fault works only with --simulate");
  }

  const std::vector<std::string>& words = options.operands;
  const std::string extra = "too many arguments for " + name;
  switch (options.command) {
    case FilesCommand::kList:
      for (const std::string& word : words) {
        auto memory = ParseMemory(word);
        if (!memory) return fail("ls lists memory M or S, not \"" + word + "\"");
        options.memories.push_back(*memory);
      }
      if (options.memories.size() > 1) return fail(extra);
      if (options.memories.empty()) options.memories = {0, 1};
      break;
    case FilesCommand::kFree:
      if (!words.empty()) return fail(extra);
      options.memories = {0, 1};
      break;
    case FilesCommand::kPut:
      if (words.empty()) return fail("put needs the files to copy");
      options.memories = {to.value_or(0)};
      break;
    case FilesCommand::kGet:
    case FilesCommand::kRemove:
      if (words.empty()) return fail(name + " needs the files on the player (M:3, M:NAME.EXT)");
      break;
    case FilesCommand::kMove:
      if (words.size() < 2) return fail("mv needs the file on the player and its new name");
      if (words.size() > 2) return fail(extra);
      break;
    case FilesCommand::kFormat: {
      if (words.empty()) return fail("format needs the memory, M or S");
      if (words.size() > 1) return fail(extra);
      auto memory = ParseMemory(words[0]);
      if (!memory) return fail("format M or format S, not \"" + words[0] + "\"");
      options.memories = {*memory};
      break;
    }
  }
  return options;
}

}  // namespace vorpex::cli
