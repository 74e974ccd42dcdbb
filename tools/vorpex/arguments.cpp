#include "tools/vorpex/arguments.h"

#include <algorithm>
#include <array>

#include "playersim.h"

namespace vorpex::cli {
namespace {

using Value = std::optional<std::string_view>;
using Failure = std::optional<std::string>;

constexpr uint32_t Bit(Command command) {
  return 1u << static_cast<uint32_t>(command);
}
constexpr uint32_t kFileCommands = Bit(Command::kList) | Bit(Command::kFree) | Bit(Command::kPut) |
                                   Bit(Command::kGet) | Bit(Command::kRemove) |
                                   Bit(Command::kMove) | Bit(Command::kFormat) |
                                   Bit(Command::kSync) | Bit(Command::kMount);
constexpr uint32_t kEveryCommand = ~0u;

// Where an option's help stands: the program's options, the command's own (also on its usage
// line), the way to the player, the trials of failures on a simulated player.
enum class Group { kGlobal, kOwn, kRoute, kTrial };

struct OptionSpec {
  std::string_view name;   // "--to"
  std::string_view alias;  // "-q", or empty
  std::string_view value;  // what its value is called ("M|S"); empty for a flag
  uint32_t commands;       // Bit() of each command that takes it
  Group group;
  std::string_view help;  // lines after the first are indented under it
  Failure (*take)(Options& options, std::string_view name, Value value);
};

struct CommandSpec {
  Command command;
  std::string_view name;      // "sim init"
  std::string_view operands;  // "boot|codec FILE.hex"
  std::string_view summary;   // its line in the program's help
  std::string_view description;
  std::string_view notes;  // after its options
  bool player;             // talks to a player: [--simulate DIR]
  bool quietMatters;       // shows progress or messages: [--quiet]
  bool optionsInUsage;     // its own options on the usage line, else "[options]"
  // cppcheck-suppress unusedStructMember ; called through SpecOf() by the parser
  Failure (*take)(Options& options, const std::vector<std::string>& words);
};

Failure TooMany(Command command);

// A numeric option's value within [low, high].
Failure TakeNumber(std::string_view name, Value text, uint32_t low, uint32_t high,
                   std::optional<uint32_t>& out) {
  std::optional<uint32_t> value = text ? ParseNumber(*text) : std::nullopt;
  if (!text) return std::string(name) + " needs a number";
  if (!value || *value < low || *value > high) {
    return std::string(name) + " wants a number from " + std::to_string(low) + " to " +
           std::to_string(high) + ", not \"" + std::string(*text) + "\"";
  }
  out = value;
  return std::nullopt;
}

template <std::optional<uint32_t> SimOptions::*kField, uint32_t kLow, uint32_t kHigh>
Failure TakeSimNumber(Options& options, std::string_view name, Value value) {
  return TakeNumber(name, value, kLow, kHigh, options.sim.*kField);
}

template <bool Options::*kField>
Failure TakeFlag(Options& options, std::string_view, Value) {
  options.*kField = true;
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

constexpr OptionSpec kOptions[] = {
    {"--simulate", "", "DIR", kEveryCommand, Group::kGlobal,
     "talk to the simulated player kept in DIR instead of a real one\n"
     "(VORPEX_SIMULATOR=DIR does the same)",
     [](Options& options, std::string_view, Value folder) -> Failure {
       if (!folder || folder->empty()) return "--simulate needs the folder of a simulated player";
       options.simulateFolder = std::string(*folder);
       return std::nullopt;
     }},
    {"--quiet", "-q", "", kEveryCommand, Group::kGlobal,
     "no progress display and no messages but errors", TakeFlag<&Options::quiet>},
    {"--help", "-h", "", kEveryCommand, Group::kGlobal,
     "this text; COMMAND --help explains a command", TakeFlag<&Options::help>},
    {"--version", "", "", kEveryCommand, Group::kGlobal, "the version of vorpex",
     TakeFlag<&Options::version>},
    {"--", "", "", kEveryCommand, Group::kGlobal,
     "what follows is no option, even when it starts with -", nullptr},
    {"--json", "", "", Bit(Command::kInfo) | Bit(Command::kFree) | Bit(Command::kMp3Info),
     Group::kOwn, "one JSON document on standard output instead of the table",
     TakeFlag<&Options::json>},
    {"--bytes", "", "", Bit(Command::kList), Group::kOwn,
     "exact sizes in bytes instead of K, M and G", TakeFlag<&Options::bytes>},
    {"--json", "", "", Bit(Command::kList), Group::kOwn,
     "one JSON document on standard output instead of the tables", TakeFlag<&Options::json>},
    {"--to", "", "M|S", Bit(Command::kPut) | Bit(Command::kSync), Group::kOwn,
     "the memory to copy to (M)",
     [](Options& options, std::string_view, Value text) -> Failure {
       auto memory = text ? ParseMemory(*text) : std::nullopt;
       if (!memory) return "--to wants M or S";
       options.memories = {*memory};
       return std::nullopt;
     }},
    {"--replace", "", "", Bit(Command::kPut), Group::kOwn,
     "replace a file of the same short name: the new copy\n"
     "is stored first and the old one deleted only when\n"
     "the new one is complete",
     TakeFlag<&Options::replace>},
    {"--name", "", "NAME", Bit(Command::kPut), Group::kOwn,
     "store the one FILE as NAME, a short name the player\n"
     "can store (at most 8 bytes, a dot, at most 3)",
     [](Options& options, std::string_view, Value name) -> Failure {
       if (!name || name->empty()) return "--name needs the name to store the file under";
       options.storedName = std::string(*name);
       return std::nullopt;
     }},
    {"--delete", "", "", Bit(Command::kSync), Group::kOwn,
     "delete the memory's files that are not in FOLDER", TakeFlag<&Options::deleteOthers>},
    {"--dry-run", "", "", Bit(Command::kSync), Group::kOwn, "show the plan, copy nothing",
     TakeFlag<&Options::dryRun>},
    {"--all", "", "", Bit(Command::kSync), Group::kOwn, "every file, not only MPEG audio",
     TakeFlag<&Options::allFiles>},
    {"-o", "", "DEST", Bit(Command::kGet), Group::kOwn,
     "a folder, a file name for a single ENTRY, or - for standard output",
     [](Options& options, std::string_view, Value dest) -> Failure {
       if (!dest || dest->empty()) return "-o needs a file or folder";
       options.destination = std::string(*dest);
       return std::nullopt;
     }},
    {"--yes", "", "", Bit(Command::kFormat), Group::kOwn, "erase without asking",
     TakeFlag<&Options::yes>},
    {"--foreground", "", "", Bit(Command::kMount), Group::kOwn,
     "stay in the foreground until unmounted (Ctrl-C unmounts)", TakeFlag<&Options::foreground>},
    {"--kind", "", "plain|mp3|voice", Bit(Command::kFormat), Group::kOwn,
     "plain (the default), mp3 or voice; the chip\nlibrary's route formats plain only",
     [](Options& options, std::string_view, Value text) -> Failure {
       constexpr std::pair<std::string_view, char> kKinds[] = {
           {"plain", 'F'}, {"mp3", 'C'}, {"voice", 'V'}};
       for (const auto& [word, kind] : kKinds) {
         if (text == word) {
           options.formatKind = kind;
           return std::nullopt;
         }
       }
       return "--kind wants plain, mp3 or voice";
     }},
    {"--route", "", "chip|device", kFileCommands, Group::kRoute,
     "through the chip library, the default when it finds\n"
     "the player, or the device library, which cannot rename",
     [](Options& options, std::string_view, Value text) -> Failure {
       if (text == "chip") {
         options.route = RouteChoice::kChip;
       } else if (text == "device") {
         options.route = RouteChoice::kDevice;
       } else {
         return "--route wants chip or device";
       }
       return std::nullopt;
     }},
    {"--sim-slow", "", "MS", kFileCommands, Group::kTrial,
     "every transfer of the simulated player takes MS milliseconds",
     [](Options& options, std::string_view, Value text) -> Failure {
       auto ms = text ? ParseNumber(*text) : std::nullopt;
       if (!ms || *ms > 10000) return "--sim-slow wants milliseconds, up to 10000";
       options.simulatedDelayMs = *ms;
       return std::nullopt;
     }},
    {"--sim-fault", "", "K@AT=N", kFileCommands, Group::kTrial,
     "the simulated player fails at the N-th bulk transfer (AT:\n"
     "transfer, in, out) or reply (AT: reply) from the start, K being\n"
     "unplug, short or stall for transfers, refuse or drop for replies",
     [](Options& options, std::string_view, Value text) -> Failure {
       auto fault = text ? ParseSimulatedFault(*text) : std::nullopt;
       if (!fault) {
         return "--sim-fault wants unplug|short|stall@transfer|in|out=N or refuse|drop@reply=N";
       }
       options.simulatedFaults.push_back(*fault);
       return std::nullopt;
     }},
    {"--base", "", "N", Bit(Command::kHexToBin), Group::kOwn,
     "the address of OUT.bin's first byte (0)",
     [](Options& options, std::string_view name, Value text) -> Failure {
       if (!text) return "--base needs an address";
       std::optional<uint32_t> base;
       if (auto error = TakeNumber(name, text, 0, UINT32_MAX, base)) return error;
       options.base = *base;
       return std::nullopt;
     }},
    {"--capacity-m", "", "N", Bit(Command::kSimInit), Group::kOwn,
     "memory M in units of 16384 bytes, up to 65535 (2048)",
     TakeSimNumber<&SimOptions::capacityM, 0, 65535>},
    {"--capacity-s", "", "N", Bit(Command::kSimInit), Group::kOwn,
     "memory S in units of 16384 bytes, up to 65535 (1024)",
     TakeSimNumber<&SimOptions::capacityS, 0, 65535>},
    {"--driver-version", "", "N", Bit(Command::kSimInit), Group::kOwn,
     "what the USB driver reports as its version (502)",
     TakeSimNumber<&SimOptions::driverVersion, 0, UINT32_MAX>},
    {"--interfaces", "", "N", Bit(Command::kSimInit), Group::kOwn,
     "device interfaces of the player's driver, 0 to 32 (1)",
     TakeSimNumber<&SimOptions::interfaces, 0, 32>},
    {"--endpoints", "", "N", Bit(Command::kSimInit), Group::kOwn,
     "endpoints of the player's interface, 3 to 30 (3)",
     TakeSimNumber<&SimOptions::endpoints, 3, 30>},
    {"--device-info", "", "TEXT", Bit(Command::kSimInit), Group::kOwn,
     "the 20 bytes of device information, at most 20 characters",
     [](Options& options, std::string_view, Value text) -> Failure {
       if (!text || text->size() > 20) return "--device-info needs at most 20 characters";
       options.sim.deviceInfo = std::string(*text);
       return std::nullopt;
     }},
    {"--absent", "", "", Bit(Command::kSimInit), Group::kOwn,
     "the driver is installed but no player is plugged in",
     [](Options& options, std::string_view, Value) -> Failure {
       options.sim.absent = true;
       return std::nullopt;
     }},
};

// The memory that `word` names, into `memories`; `wrong` when it names none.
Failure TakeMemory(const std::string& word, std::vector<int32_t>& memories,
                   std::string_view wrong) {
  auto memory = ParseMemory(word);
  if (!memory) return std::string(wrong) + ", not \"" + word + "\"";
  memories.push_back(*memory);
  return std::nullopt;
}

constexpr std::string_view kCancelNote =
    "Ctrl-C (any interrupt) cancels the copy under way: the player keeps nothing of it;\n"
    "the program exits with 128 + the signal's number (130 for Ctrl-C).\n";

constexpr CommandSpec kCommands[] = {
    {Command::kUpgrade, "upgrade", "boot|codec FILE.hex",
     "write the boot code or the codec from an Intel\nHEX file",
     "Converts FILE.hex and writes it into the player's boot area (boot, at most 8192 bytes\n"
     "from address 0) or codec area (codec, from address 0x2000), showing the progress.\n"
     "The player must answer; unplug it and plug it in again afterwards.\n",
     "Once the area is being erased the upgrade cannot be interrupted: Ctrl-C (or any\n"
     "other interrupt, a terminal closed) waits for the exchange to end and reports its\n"
     "outcome, so that the player is never left half-written. A failed upgrade then exits\n"
     "with 128 + the signal's number (130 for Ctrl-C); a completed one with 0.\n",
     true, true, true,
     [](Options& options, const std::vector<std::string>& words) -> Failure {
       if (words.size() < 2) return "upgrade needs boot or codec and the HEX file";
       if (words.size() > 2) return TooMany(Command::kUpgrade);
       if (words[0] != "boot" && words[0] != "codec") {
         return "upgrade boot or upgrade codec, not \"" + words[0] + "\"";
       }
       options.upgradeKind = words[0] == "boot" ? -1 : 0;
       options.input = words[1];
       return std::nullopt;
     }},
    {Command::kInfo, "info", "",
     "whether a player answers, the driver route and\nits device information",
     "Shows the system version the driver route is chosen from, the route, whether a player\n"
     "answers, and its 20 bytes of device information in hex and as text.\n"
     "Exit status 1 when no player answers.\n",
     "", true, false, true,
     [](Options&, const std::vector<std::string>& words) -> Failure {
       return words.empty() ? std::nullopt : TooMany(Command::kInfo);
     }},
    {Command::kList, "ls", "[M|S]", "the files on the player",
     "Lists the files of memory M or S (both when none is named): the entry number, the size,\n"
     "the date and time stored on the player and the name.\n",
     "", true, false, true,
     [](Options& options, const std::vector<std::string>& words) -> Failure {
       for (const std::string& word : words) {
         if (auto error = TakeMemory(word, options.memories, "ls lists memory M or S")) {
           return error;
         }
       }
       if (options.memories.size() > 1) return TooMany(Command::kList);
       if (options.memories.empty()) options.memories = {0, 1};
       return std::nullopt;
     }},
    {Command::kFree, "df", "", "size, used and free space of each memory",
     "Shows the size, the space used and free and the share used of each memory.\n", "", true,
     false, true,
     [](Options& options, const std::vector<std::string>& words) -> Failure {
       options.memories = {0, 1};
       return words.empty() ? std::nullopt : TooMany(Command::kFree);
     }},
    {Command::kPut, "put", "FILE...", "copy files to the player",
     "Copies files to the player's memory M (or S), each under its 8.3 short name, which is\n"
     "shown when it differs from the file's own name. A short name taken on that memory, or\n"
     "by an earlier FILE, gives the next free NAME~N.EXT (ARTIST~1.MP3), and put says so.\n"
     "A name with nothing before its last dot (.hidden) has no short name: --name gives it\n"
     "one. Space and the memory's 256 entries are checked for all files before the first\n"
     "is copied.\n",
     kCancelNote, true, true, true,
     [](Options& options, const std::vector<std::string>& words) -> Failure {
       if (words.empty()) return "put needs the files to copy";
       if (options.storedName && words.size() > 1) return "--name names one FILE only";
       if (options.memories.empty()) options.memories = {0};
       return std::nullopt;
     }},
    {Command::kSync, "sync", "FOLDER", "copy what is new in a music folder to the player",
     "Copies the MPEG audio files (Layer II and III, found by their contents) of FOLDER and\n"
     "its subfolders to memory M (or S) that are not there yet: a file is there when a file\n"
     "of its short name (or a NAME~N.EXT of it) has its size, so a second run copies\n"
     "nothing. Names stay unique on the player, which has no folders. The plan (what is\n"
     "copied, what is there, what --delete deletes, the space needed and free) is shown\n"
     "first; what does not fit is refused before anything is copied. One progress bar\n"
     "covers the whole sync.\n",
     "Ctrl-C (any interrupt) cancels the copy under way and stops: the player keeps the\n"
     "files copied before it, and a new sync copies the rest. The program exits with\n"
     "128 + the signal's number (130 for Ctrl-C).\n",
     true, true, true,
     [](Options& options, const std::vector<std::string>& words) -> Failure {
       if (words.empty()) return "sync needs the folder to copy";
       if (words.size() > 1) return TooMany(Command::kSync);
       if (options.memories.empty()) options.memories = {0};
       return std::nullopt;
     }},
    {Command::kGet, "get", "ENTRY...", "copy files from the player (M:3, M:NAME.EXT)",
     "Copies files from the player. ENTRY is M:3 (memory and entry number, as ls shows it)\n"
     "or M:NAME.EXT (the name, in any case); S: for memory S; without a prefix, memory M.\n"
     "DEST is a folder (the current one when none is given) where the files are named as on\n"
     "the player (characters a PC name cannot hold, such as / \\ : and control characters,\n"
     "replaced by _), or for a single ENTRY a file name, or - for standard output. A copy\n"
     "that fails or is cancelled leaves no partial file, and a file that was there before\n"
     "stays as it was but for its contents: its permissions stay, a symbolic link stays and\n"
     "its target is replaced (other hard links of the file keep the old contents), and a\n"
     "device or pipe is written into, never replaced.\n",
     kCancelNote, true, true, true,
     [](Options&, const std::vector<std::string>& words) -> Failure {
       if (words.empty()) return "get needs the files on the player (M:3, M:NAME.EXT)";
       return std::nullopt;
     }},
    {Command::kRemove, "rm", "ENTRY...", "delete files on the player",
     "Deletes files from the player (ENTRY as for get). Every ENTRY is looked up before the\n"
     "first file is deleted, so entry numbers are those that ls showed.\n",
     "", true, true, true,
     [](Options&, const std::vector<std::string>& words) -> Failure {
       if (words.empty()) return "rm needs the files on the player (M:3, M:NAME.EXT)";
       return std::nullopt;
     }},
    {Command::kMove, "mv", "ENTRY NEWNAME", "rename a file on the player",
     "Renames a file on the player (ENTRY as for get) to the 8.3 short name of NEWNAME.\n"
     "The device library's route cannot rename.\n",
     "", true, true, true,
     [](Options&, const std::vector<std::string>& words) -> Failure {
       if (words.size() < 2) return "mv needs the file on the player and its new name";
       return words.size() > 2 ? TooMany(Command::kMove) : std::nullopt;
     }},
    {Command::kFormat, "format", "M|S", "erase every file of a memory",
     "Erases every file of the memory. Once the player answers and can format that kind, asks\n"
     "first on a terminal; without one, --yes is needed (else the exit status is 2).\n",
     "", true, true, true,
     [](Options& options, const std::vector<std::string>& words) -> Failure {
       if (words.empty()) return "format needs the memory, M or S";
       if (words.size() > 1) return TooMany(Command::kFormat);
       return TakeMemory(words[0], options.memories, "format M or format S");
     }},
    {Command::kHexToBin, "hex2bin", "IN.hex OUT.bin",
     "convert an Intel HEX file into a binary image",
     "Converts an Intel HEX file into a flat binary image: byte k of OUT.bin belongs to\n"
     "address N + k, holes are filled with 0x00 and data below N is dropped. N is decimal or\n"
     "0x hex (default 0; the codec's images start at 0x2000). A malformed file leaves OUT.bin\n"
     "as it was.\n",
     "", false, false, true,
     [](Options& options, const std::vector<std::string>& words) -> Failure {
       if (words.size() < 2) return "hex2bin needs the HEX file and the image file";
       if (words.size() > 2) return TooMany(Command::kHexToBin);
       options.input = words[0];
       options.output = words[1];
       return std::nullopt;
     }},
    {Command::kSimInit, "sim init", "DIR", "create a simulated player in DIR",
     "Creates a simulated player in DIR (which must not hold one yet). Use it with\n"
     "--simulate DIR or VORPEX_SIMULATOR=DIR.\n",
     "", false, false, false,
     [](Options& options, const std::vector<std::string>& words) -> Failure {
       if (words.empty()) return "sim init needs the folder of the new player";
       if (words.size() > 1) return TooMany(Command::kSimInit);
       options.input = words[0];
       return std::nullopt;
     }},
    {Command::kMp3Info, "mp3info", "FILE...", "what each music file is: MPEG version, layer, rate",
     "Tells for each file whether it is MPEG audio and, if so, its MPEG version, layer, sampling\n"
     "rate, channel mode, duration and bit rate (\"MPEG-1 Layer III, 44100 Hz, joint stereo,\n"
     "3:25.4, 128 kbit/s\"); a variable bit rate (a Xing or VBRI header, or frames of differing\n"
     "rates) is shown as \"VBR\" with its average. An ID3v2 tag in front is skipped by its\n"
     "declared size, ID3v1 and APE tags at the end are ignored. A file counts as MPEG audio only\n"
     "when 3 frames of one stream follow each other, each where the one before says, starting\n"
     "in the first 128 KiB after the tags (Layer I: 32 frames of one bit rate and mode). Found\n"
     "by content, whatever the file's name.\n"
     "Exit status 1 when a file cannot be read or holds no MPEG audio.\n",
     "", false, false, true,
     [](Options&, const std::vector<std::string>& words) -> Failure {
       if (words.empty()) return "mp3info needs at least one file";
       return std::nullopt;
     }},
    {Command::kMount, "mount", "DIR", "the player as a folder (Linux only, with FUSE 3)",
     "Shows the player's memories as the folders DIR/M and DIR/S (a memory of no size is\n"
     "left out) until vorpex unmount DIR (or fusermount3 -u DIR). Files keep the names the\n"
     "player stores; a file created under a name the player cannot store is stored under its\n"
     "unique 8.3 short name and keeps the name it was created with until the unmount. A file\n"
     "is read from the player once, when first opened; a file written is sent when it is\n"
     "closed, and a failure there (memory full: ENOSPC; unplugged: EIO) fails the close.\n"
     "After an unplug every access fails until the unmount. While mounted, the other\n"
     "commands leave the player alone. Works on Linux only, with FUSE 3.\n",
     "", true, false, true,
     [](Options& options, const std::vector<std::string>& words) -> Failure {
       if (words.empty()) return "mount needs the folder to mount the player on";
       if (words.size() > 1) return TooMany(Command::kMount);
       options.input = words[0];
       return std::nullopt;
     }},
    {Command::kUnmount, "unmount", "DIR", "end the mount of the player on DIR",
     "Ends vorpex mount DIR (as fusermount3 -u DIR does) and waits for the mount to let the\n"
     "player go (given the same --simulate DIR as the mount).\n",
     "", true, false, true,
     [](Options& options, const std::vector<std::string>& words) -> Failure {
       if (words.empty()) return "unmount needs the folder the player is mounted on";
       if (words.size() > 1) return TooMany(Command::kUnmount);
       options.input = words[0];
       return std::nullopt;
     }},
};

constexpr std::string_view kProgramDescription =
    "Upgrades and inspects the player attached to this computer and manages its files.\n";

constexpr std::string_view kProgramNotes =
    "Options may stand before or after the command. An option's value may follow it\n"
    "(--simulate DIR) or be joined to it (--simulate=DIR).\n"
    "\n"
    "exit status: 0 done, 1 the operation failed, 2 wrong command line, 128 + the signal's\n"
    "number when an interrupt stopped it (130 for Ctrl-C); no partial file is left behind\n";

const CommandSpec* SpecOf(Command command) {
  for (const CommandSpec& spec : kCommands) {
    if (spec.command == command) return &spec;
  }
  return nullptr;
}

std::string NameOf(Command command) {
  const CommandSpec* spec = SpecOf(command);
  return spec != nullptr ? std::string(spec->name) : std::string();
}

Failure TooMany(Command command) {
  return "too many arguments for " + NameOf(command);
}

bool Takes(const OptionSpec& option, Command command) {
  return (option.commands & Bit(command)) != 0;
}

// `word` after a space, when there is one.
void AppendWord(std::string& text, std::string_view word) {
  if (word.empty()) return;
  text += ' ';
  text.append(word);
}

// "-q, --quiet", "--to M|S".
std::string Label(const OptionSpec& option) {
  std::string label(option.alias);
  if (!label.empty()) label += ", ";
  label += option.name;
  AppendWord(label, option.value);
  return label;
}

// Two-column lines, the second column's lines all starting where its first one does.
std::string Columns(const std::vector<std::pair<std::string, std::string_view>>& rows) {
  size_t width = 0;
  for (const auto& [left, right] : rows) width = std::max(width, left.size());
  const std::string indent(2 + width + 3, ' ');
  std::string text;
  for (const auto& [left, right] : rows) {
    text += "  " + left + std::string(width + 3 - left.size(), ' ');
    for (size_t start = 0; start < right.size();) {
      const size_t end = std::min(right.find('\n', start), right.size());
      if (start != 0) text += indent;
      text.append(right.substr(start, end - start));
      text += '\n';
      start = end + 1;
    }
  }
  return text;
}

std::string OptionLines(Command command, std::initializer_list<Group> groups) {
  std::vector<std::pair<std::string, std::string_view>> rows;
  for (const OptionSpec& option : kOptions) {
    if (std::find(groups.begin(), groups.end(), option.group) != groups.end() &&
        Takes(option, command)) {
      rows.emplace_back(Label(option), option.help);
    }
  }
  return rows.empty() ? std::string() : Columns(rows);
}

// "upgrade boot|codec FILE.hex", "put FILE... [--to M|S] [--replace]".
std::string CommandLine(const CommandSpec& spec) {
  std::string line(spec.name);
  AppendWord(line, spec.operands);
  if (!spec.optionsInUsage) return line + " [options]";
  for (const OptionSpec& option : kOptions) {
    if (option.group != Group::kOwn || !Takes(option, spec.command)) continue;
    line += " [";
    line.append(option.name);
    AppendWord(line, option.value);
    line += "]";
  }
  return line;
}

std::string Usage(const CommandSpec* spec) {
  std::string line = "usage: vorpex ";
  if (spec == nullptr || spec->player) line += "[--simulate DIR] ";
  if (spec == nullptr || spec->quietMatters) line += "[--quiet] ";
  return line + (spec != nullptr ? CommandLine(*spec) : "COMMAND ...") + "\n";
}

std::string ProgramHelp() {
  std::vector<std::pair<std::string, std::string_view>> commands;
  for (const CommandSpec& spec : kCommands) {
    std::string left(spec.name);
    AppendWord(left, spec.operands);
    commands.emplace_back(left, spec.summary);
  }
  return Usage(nullptr) + "\n" + std::string(kProgramDescription) + "\ncommands:\n" +
         Columns(commands) + "\noptions:\n" + OptionLines(Command::kNone, {Group::kGlobal}) + "\n" +
         std::string(kProgramNotes);
}

// The command that `words` begin with, and how many words its name takes.
std::pair<Command, size_t> CommandOf(const std::vector<std::string>& words) {
  for (const CommandSpec& spec : kCommands) {
    const size_t space = spec.name.find(' ');
    if (space == std::string_view::npos) {
      if (!words.empty() && words[0] == spec.name) return {spec.command, 1};
    } else if (words.size() >= 2 && words[0] == spec.name.substr(0, space) &&
               words[1] == spec.name.substr(space + 1)) {
      return {spec.command, 2};
    }
  }
  return {Command::kNone, 0};
}

const OptionSpec* FindOption(std::string_view name, Command command, bool anyCommand) {
  for (const OptionSpec& option : kOptions) {
    if ((option.name == name || (!option.alias.empty() && option.alias == name)) &&
        option.take != nullptr && (anyCommand || Takes(option, command))) {
      return &option;
    }
  }
  return nullptr;
}

// An option as the command line gives it, before the command is known.
struct GivenOption {
  std::string_view name;
  Value value;
  bool joined = false;  // "--name=value"
};

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

std::optional<int32_t> ParseMemory(std::string_view text) {
  if (text == "M" || text == "m") return 0;
  if (text == "S" || text == "s") return 1;
  return std::nullopt;
}

std::string HelpText(Command command) {
  const CommandSpec* spec = SpecOf(command);
  if (spec == nullptr) return ProgramHelp();
  std::string text = Usage(spec) + "\n" + std::string(spec->description);
  const std::string own = OptionLines(command, {Group::kOwn, Group::kRoute});
  if (!own.empty()) text += "\noptions:\n" + own;
  if (!spec->notes.empty()) {
    text += '\n';
    text.append(spec->notes);
  }
  const std::string trials = OptionLines(command, {Group::kTrial});
  if (!trials.empty()) {
    text += "\nFor trying failures on a simulated player (with --simulate only):\n" + trials;
  }
  return text;
}

std::string HelpCommand(Command command) {
  const std::string name = NameOf(command);
  return "vorpex " + (name.empty() ? "" : name + " ") + "--help";
}

std::string UsageLine(Command command) {
  return Usage(SpecOf(command));
}

std::vector<std::string> SynopsisLines() {
  std::vector<std::string> lines;
  for (const CommandSpec& spec : kCommands) {
    lines.push_back(std::string(spec.player ? "vorpex [options] " : "vorpex ") + CommandLine(spec));
  }
  lines.emplace_back("vorpex --help | --version");
  return lines;
}

namespace {

// What goes where a value or an operand called `name` stands: its choices ("M|S", "[M|S]"),
// else a marker for the shell.
std::vector<std::string> CompletionOf(std::string_view name) {
  if (name.starts_with('[') && name.ends_with(']')) name = name.substr(1, name.size() - 2);
  if (name.ends_with("...")) name.remove_suffix(3);
  std::vector<std::string> choices;
  if (name.find('|') != std::string_view::npos) {
    for (size_t start = 0; start <= name.size();) {
      const size_t bar = std::min(name.find('|', start), name.size());
      choices.emplace_back(name.substr(start, bar - start));
      start = bar + 1;
    }
  } else if (name.starts_with("ENTRY")) {
    choices.emplace_back("@entry");
  } else if (name == "DIR" || name == "DEST") {
    choices.emplace_back(name == "DIR" ? "@dir" : "@file");
  } else if (name.starts_with("FILE") || name.find('.') != std::string_view::npos) {
    choices.emplace_back("@file");
  }
  return choices;
}

// The operand names of a command, one a word ("boot|codec", "FILE.hex"); the last one repeats
// when it ends with "...".
std::vector<std::string_view> OperandNames(std::string_view operands) {
  std::vector<std::string_view> names;
  for (size_t start = 0; start < operands.size();) {
    const size_t space = std::min(operands.find(' ', start), operands.size());
    if (space > start) names.push_back(operands.substr(start, space - start));
    start = space + 1;
  }
  return names;
}

}  // namespace

std::vector<std::string> CompletionWords(std::span<const std::string_view> words) {
  if (words.empty()) return {};
  const std::string_view typed = words.back();
  std::vector<std::string> plain;  // the command's words and operands before the typed one
  std::optional<std::string> simulate;
  const OptionSpec* valueOf = nullptr;  // the option whose value is being typed
  bool optionsEnded = false;
  for (const std::string_view word : words.first(words.size() - 1)) {
    if (valueOf != nullptr) {
      if (valueOf->name == "--simulate") simulate = std::string(word);
      valueOf = nullptr;
    } else if (optionsEnded || word == "-" || !word.starts_with("-")) {
      plain.emplace_back(word);
    } else if (word == "--") {
      optionsEnded = true;
    } else if (word.starts_with("--simulate=")) {
      simulate = std::string(word.substr(word.find('=') + 1));
    } else if (const OptionSpec* option = FindOption(word, Command::kNone, true);
               option != nullptr && !option->value.empty()) {
      valueOf = option;
    }
  }
  const auto [command, nameWords] = CommandOf(plain);
  std::vector<std::string> offered;
  if (valueOf != nullptr) {
    offered = CompletionOf(valueOf->value);
  } else if (!optionsEnded && typed.starts_with("-")) {
    for (const OptionSpec& option : kOptions) {
      const bool taken =
          command == Command::kNone ? option.group == Group::kGlobal : Takes(option, command);
      if (taken && option.take != nullptr &&
          std::find(offered.begin(), offered.end(), option.name) == offered.end()) {
        offered.emplace_back(option.name);
      }
    }
  } else if (command == Command::kNone) {
    for (const CommandSpec& spec : kCommands) {
      // The next word of each command name that the words so far begin.
      std::vector<std::string_view> parts = OperandNames(spec.name);
      if (plain.size() >= parts.size() || !std::equal(plain.begin(), plain.end(), parts.begin())) {
        continue;
      }
      const std::string next(parts[plain.size()]);
      if (std::find(offered.begin(), offered.end(), next) == offered.end()) {
        offered.push_back(next);
      }
    }
  } else {
    const std::vector<std::string_view> names = OperandNames(SpecOf(command)->operands);
    const size_t index = plain.size() - nameWords;
    if (!names.empty() && (index < names.size() || names.back().ends_with("..."))) {
      offered = CompletionOf(names[std::min(index, names.size() - 1)]);
    }
  }
  if (simulate && std::find(offered.begin(), offered.end(), "@entry") != offered.end()) {
    offered.push_back("@simulate " + *simulate);
  }
  return offered;
}

std::variant<Options, UsageError> ParseArguments(std::span<const std::string_view> args) {
  // The words first (the command and its operands), the options set aside with their values:
  // which options there are is known before the command is.
  std::vector<std::string> words;
  std::vector<GivenOption> given;
  bool optionsEnded = false;  // after "--" every argument is a word, even "-x"
  for (size_t i = 0; i < args.size(); ++i) {
    std::string_view arg = args[i];
    if (optionsEnded || arg == "-" || !arg.starts_with("-")) {
      words.emplace_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    GivenOption option{arg, std::nullopt, false};
    if (const size_t equals = arg.find('=');
        arg.starts_with("--") && equals != std::string_view::npos) {
      option = {arg.substr(0, equals), arg.substr(equals + 1), true};
    }
    const OptionSpec* spec = FindOption(option.name, Command::kNone, true);
    if (spec != nullptr && !spec->value.empty() && !option.joined && i + 1 < args.size()) {
      option.value = args[++i];
    }
    given.push_back(option);
  }

  Options options;
  const auto [command, nameWords] = CommandOf(words);
  options.command = command;
  auto fail = [&](std::string message) -> UsageError {
    return UsageError{options.command, std::move(message)};
  };
  for (const GivenOption& option : given) {
    const OptionSpec* spec = FindOption(option.name, command, false);
    if (spec == nullptr) {
      std::string message = "unknown option " + std::string(option.name);
      if (command != Command::kNone) message += " for " + NameOf(command);
      return fail(message);
    }
    if (spec->value.empty() && option.joined) {
      return fail(std::string(option.name) + " takes no value");
    }
    if (auto error = spec->take(options, option.name, option.value)) return fail(*error);
  }
  if (options.help || options.version) return options;

  if (!options.simulateFolder) {
    if (options.simulatedDelayMs) return fail("--sim-slow works only with --simulate");
    if (!options.simulatedFaults.empty()) return fail("--sim-fault works only with --simulate");
  }
  if (words.empty()) return fail("no command given");
  if (command == Command::kNone) {
    if (words[0] == "sim") return fail("sim init is the only sim command");
    return fail("unknown command \"" + words[0] + "\"");
  }
  options.operands.assign(words.begin() + static_cast<std::ptrdiff_t>(nameWords), words.end());
  if (auto error = SpecOf(command)->take(options, options.operands)) return fail(*error);
  return options;
}

}  // namespace vorpex::cli
