#include "tools/vorpex/arguments.h"

#include <vector>

#include "tools/vorpex/option_argument.h"

namespace vorpex::cli {
namespace {

constexpr std::string_view kProgramHelp =
    "usage: vorpex [--simulate DIR] [--quiet] COMMAND ...\n"
    "\n"
    "Upgrades and inspects the player attached to this computer.\n"
    "\n"
    "commands:\n"
    "  upgrade boot FILE.hex    write the boot code from an Intel HEX file\n"
    "  upgrade codec FILE.hex   write the main firmware (codec) from an Intel HEX file\n"
    "  info [--json]            whether a player answers, the driver route, device information\n"
    "  ls [M|S]                 the files on the player\n"
    "  df                       size, used and free space of each memory\n"
    "  put FILE... [--to M|S]   copy files to the player\n"
    "  get ENTRY... [-o DEST]   copy files from the player (ENTRY: M:3 or M:NAME.EXT)\n"
    "  rm ENTRY...              delete files on the player\n"
    "  mv ENTRY NEWNAME         rename a file on the player\n"
    "  format M|S [--yes]       erase every file of a memory\n"
    "                           (the file commands take --route chip|device: through the chip\n"
    "                           library, the default when it finds the player, or the device\n"
    "                           library, which has no rename and no progress on copies)\n"
    "  hex2bin IN.hex OUT.bin   convert an Intel HEX file into a binary image\n"
    "  sim init DIR             create a simulated player in DIR\n"
    "  mp3info FILE...          the MPEG audio layer and bit rate of each file\n"
    "\n"
    "options:\n"
    "  --simulate DIR   talk to the simulated player kept in DIR instead of a real one\n"
    "                   (VORPEX_SIMULATOR=DIR does the same)\n"
    "  -q, --quiet      no progress display and no messages but errors\n"
    "  -h, --help       this text; COMMAND --help explains a command\n"
    "  --version        the version of vorpex\n"
    "  --               what follows is no option, even when it starts with -\n"
    "\n"
    "An option's value may follow it (--simulate DIR) or be joined to it (--simulate=DIR).\n"
    "\n"
    "exit status: 0 done, 1 the operation failed, 2 wrong command line, 128 + the signal's\n"
    "number when an interrupt stopped it (130 for Ctrl-C); no partial file is left behind\n";

constexpr std::string_view kUpgradeHelp =
    "usage: vorpex [--simulate DIR] [--quiet] upgrade boot|codec FILE.hex\n"
    "\n"
    "Converts FILE.hex and writes it into the player's boot area (boot, at most 8192 bytes\n"
    "from address 0) or codec area (codec, from address 0x2000), showing the progress.\n"
    "The player must answer; unplug it and plug it in again afterwards.\n"
    "\n"
    "Once the area is being erased the upgrade cannot be interrupted: Ctrl-C (or any\n"
    "other interrupt, a terminal closed) waits for the exchange to end and reports its\n"
    "outcome, so that the player is never left half-written. A failed upgrade then exits\n"
    "with 128 + the signal's number (130 for Ctrl-C); a completed one with 0.\n";

constexpr std::string_view kInfoHelp =
    "usage: vorpex [--simulate DIR] info [--json]\n"
    "\n"
    "Shows the system version the driver route is chosen from, the route, whether a player\n"
    "answers, and its 20 bytes of device information in hex and as text.\n"
    "Exit status 1 when no player answers.\n"
    "\n"
    "options:\n"
    "  --json    one JSON document on standard output instead of the table\n";

constexpr std::string_view kHexToBinHelp =
    "usage: vorpex hex2bin IN.hex OUT.bin [--base N]\n"
    "\n"
    "Converts an Intel HEX file into a flat binary image: byte k of OUT.bin belongs to\n"
    "address N + k, holes are filled with 0x00 and data below N is dropped. N is decimal or\n"
    "0x hex (default 0; the codec's images start at 0x2000). A malformed file leaves OUT.bin\n"
    "as it was.\n";

constexpr std::string_view kSimInitHelp =
    "usage: vorpex sim init DIR [options]\n"
    "\n"
    "Creates a simulated player in DIR (which must not hold one yet). Use it with\n"
    "--simulate DIR or VORPEX_SIMULATOR=DIR.\n"
    "\n"
    "options:\n"
    "  --capacity-m N       memory M in units of 16384 bytes, up to 65535 (2048)\n"
    "  --capacity-s N       memory S in units of 16384 bytes, up to 65535 (1024)\n"
    "  --driver-version N   what the USB driver reports as its version (502)\n"
    "  --interfaces N       device interfaces of the player's driver, 0 to 32 (1)\n"
    "  --endpoints N        endpoints of the player's interface, 3 to 30 (3)\n"
    "  --device-info TEXT   the 20 bytes of device information, at most 20 characters\n"
    "  --absent             the driver is installed but no player is plugged in\n";

constexpr std::string_view kMp3InfoHelp =
    "usage: vorpex mp3info FILE...\n"
    "\n"
    "Tells for each file whether it is MPEG audio Layer III or Layer II and at which bit rate\n"
    "(\"Layer III, 128 kbit/s\"), as the device library reads it from the file's first 19267\n"
    "bytes: a frame must start in the first 16384 bytes and be followed by the next one.\n"
    "Exit status 1 when a file cannot be read or holds no MPEG audio frame there.\n";

std::string_view NameOf(Command command) {
  switch (command) {
    case Command::kUpgrade:
      return "upgrade";
    case Command::kInfo:
      return "info";
    case Command::kHexToBin:
      return "hex2bin";
    case Command::kSimInit:
      return "sim init";
    case Command::kMp3Info:
      return "mp3info";
    case Command::kNone:
      break;
  }
  return "";
}

// A numeric option's value within [low, high].
std::optional<std::string> TakeNumber(std::string_view option, std::string_view text, uint32_t low,
                                      uint32_t high, std::optional<uint32_t>& out) {
  std::optional<uint32_t> value = ParseNumber(text);
  if (!value || *value < low || *value > high) {
    return std::string(option) + " wants a number from " + std::to_string(low) + " to " +
           std::to_string(high) + ", not \"" + std::string(text) + "\"";
  }
  out = value;
  return std::nullopt;
}

// The command that the words so far name.
Command CommandOf(const std::vector<std::string_view>& words) {
  if (words.empty()) return Command::kNone;
  if (words[0] == "upgrade") return Command::kUpgrade;
  if (words[0] == "info") return Command::kInfo;
  if (words[0] == "hex2bin") return Command::kHexToBin;
  if (words[0] == "mp3info") return Command::kMp3Info;
  if (words[0] == "sim" && words.size() >= 2 && words[1] == "init") return Command::kSimInit;
  return Command::kNone;
}

}  // namespace

std::optional<uint32_t> ParseNumber(std::string_view text) {
  uint32_t radix = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    radix = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return std::nullopt;
  uint64_t value = 0;
  for (char c : text) {
    uint32_t digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<uint32_t>(c - '0');
    } else if (radix == 16 && c >= 'a' && c <= 'f') {
      digit = static_cast<uint32_t>(c - 'a' + 10);
    } else if (radix == 16 && c >= 'A' && c <= 'F') {
      digit = static_cast<uint32_t>(c - 'A' + 10);
    } else {
      return std::nullopt;
    }
    value = value * radix + digit;
    if (value > UINT32_MAX) return std::nullopt;
  }
  return static_cast<uint32_t>(value);
}

std::string_view HelpText(Command command) {
  switch (command) {
    case Command::kUpgrade:
      return kUpgradeHelp;
    case Command::kInfo:
      return kInfoHelp;
    case Command::kHexToBin:
      return kHexToBinHelp;
    case Command::kSimInit:
      return kSimInitHelp;
    case Command::kMp3Info:
      return kMp3InfoHelp;
    case Command::kNone:
      break;
  }
  return kProgramHelp;
}

std::string HelpCommand(Command command) {
  std::string name(NameOf(command));
  return "vorpex " + (name.empty() ? "" : name + " ") + "--help";
}

std::string_view UsageLine(Command command) {
  std::string_view help = HelpText(command);
  return help.substr(0, help.find('\n') + 1);
}

std::variant<Options, UsageError> ParseArguments(std::span<const std::string_view> args) {
  Options options;
  std::vector<std::string_view> words;  // the command and its operands, options taken out
  auto fail = [&](std::string message) -> UsageError {
    return UsageError{options.command, std::move(message)};
  };
  bool optionsEnded = false;  // after "--" every argument is a word, even "-x"
  for (size_t i = 0; i < args.size(); ++i) {
    std::string_view arg = args[i];
    // The command is known once its words are in; options after it may be its own.
    options.command = CommandOf(words);
    if (optionsEnded || arg == "-" || !arg.starts_with("-")) {
      words.push_back(arg);
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
    } else if (options.command == Command::kInfo && arg == "--json") {
      options.json = true;
    } else if (options.command == Command::kHexToBin && arg == "--base") {
      auto text = value();
      std::optional<uint32_t> base;
      if (!text) return fail("--base needs an address");
      if (auto error = TakeNumber(arg, *text, 0, UINT32_MAX, base)) return fail(*error);
      options.base = *base;
    } else if (options.command == Command::kSimInit && arg == "--absent") {
      options.sim.absent = true;
    } else if (options.command == Command::kSimInit && arg == "--device-info") {
      auto text = value();
      if (!text || text->size() > 20) return fail("--device-info needs at most 20 characters");
      options.sim.deviceInfo = std::string(*text);
    } else if (options.command == Command::kSimInit) {
      struct NumberOption {
        std::string_view name;
        uint32_t low, high;
        std::optional<uint32_t>& out;
      };
      NumberOption numbers[] = {
          {"--capacity-m", 0, 65535, options.sim.capacityM},
          {"--capacity-s", 0, 65535, options.sim.capacityS},
          {"--driver-version", 0, UINT32_MAX, options.sim.driverVersion},
          {"--interfaces", 0, 32, options.sim.interfaces},
          {"--endpoints", 3, 30, options.sim.endpoints},
      };
      bool known = false;
      for (NumberOption& number : numbers) {
        if (arg != number.name) continue;
        known = true;
        auto text = value();
        if (!text) return fail(std::string(arg) + " needs a number");
        if (auto error = TakeNumber(arg, *text, number.low, number.high, number.out)) {
          return fail(*error);
        }
      }
      if (!known) return fail("unknown option " + std::string(arg));
    } else {
      return fail("unknown option " + std::string(arg));
    }
    if (option.ValueLeftOver()) return fail(std::string(arg) + " takes no value");
  }
  options.command = CommandOf(words);
  if (options.help || options.version) return options;

  if (words.empty()) return fail("no command given");
  const std::string extra = "too many arguments for " + std::string(NameOf(options.command));
  switch (options.command) {
    case Command::kUpgrade:
      if (words.size() < 3) return fail("upgrade needs boot or codec and the HEX file");
      if (words.size() > 3) return fail(extra);
      if (words[1] == "boot") {
        options.upgradeKind = -1;
      } else if (words[1] == "codec") {
        options.upgradeKind = 0;
      } else {
        return fail("upgrade boot or upgrade codec, not \"" + std::string(words[1]) + "\"");
      }
      options.input = words[2];
      break;
    case Command::kInfo:
      if (words.size() > 1) return fail(extra);
      break;
    case Command::kHexToBin:
      if (words.size() < 3) return fail("hex2bin needs the HEX file and the image file");
      if (words.size() > 3) return fail(extra);
      options.input = words[1];
      options.output = words[2];
      break;
    case Command::kSimInit:
      if (words.size() < 3) return fail("sim init needs the folder of the new player");
      if (words.size() > 3) return fail(extra);
      options.input = words[2];
      break;
    case Command::kMp3Info:
      if (words.size() < 2) return fail("mp3info needs at least one file");
      options.files.assign(words.begin() + 1, words.end());
      break;
    case Command::kNone:
      if (words[0] == "sim") return fail("sim init is the only sim command");
      return fail("unknown command \"" + std::string(words[0]) + "\"");
  }
  return options;
}

}  // namespace vorpex::cli
