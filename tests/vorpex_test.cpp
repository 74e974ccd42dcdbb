// vorpex as its users run it: a separate process against simulated players that it creates
// itself; what it prints, its exit status and what lands in the player's state folder.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <thread>
#endif

#include "platform/child_process.h"
#include "platform/environment.h"
#include "platform/process.h"
#include "playersim.h"
#include "protocol/sample_image.h"
#include "support/hex_text.h"
#include "tools/vorpex/arguments.h"
#include "tools/vorpex/progress_line.h"
#include "tools/vorpex/terminal_ui.h"
#include "vorpex_shared.h"

namespace {

namespace fs = std::filesystem;
using namespace vorpex;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Text as the program wrote it, without the carriage returns of Windows line ends.
std::string ReadText(const std::string& path) {
  std::string text;
  for (uint8_t c : ReadBytes(path)) {
    if (c != '\r') text += static_cast<char>(c);
  }
  return text;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<uint8_t> Pattern(size_t size, uint8_t seed) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + seed);
  return bytes;
}

class Vorpex : public ::testing::Test {
 protected:
  void SetUp() override {
    work_ = std::string(VORPEX_TEST_TMP) + "/vorpex-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(work_);
    fs::create_directories(work_);
  }

  std::string Path(const std::string& name) const { return work_ + "/" + name; }

  Outcome Run(const std::vector<std::string>& args) {
    const std::string program = platform::ProgramFolder().value_or(".") +
                                platform::PathSeparator() + VORPEX_PROGRAM_FILE_NAME;
    auto status = platform::RunProgram(program, args, Path("stdout.txt"), Path("stderr.txt"));
    EXPECT_TRUE(status.has_value()) << "vorpex did not run to its end";
    return {status.value_or(-1), ReadText(Path("stdout.txt")), ReadText(Path("stderr.txt"))};
  }

  // A simulated player made by `vorpex sim init`.
  std::string NewPlayer(std::vector<std::string> options = {}) {
    std::vector<std::string> args{"sim", "init", Path("player")};
    args.insert(args.end(), options.begin(), options.end());
    Outcome made = Run(args);
    EXPECT_EQ(made.status, 0) << made.err;
    return Path("player");
  }

  std::string WriteFile(const std::string& name, const std::string& text) {
    std::ofstream(Path(name), std::ios::binary) << text;
    return Path(name);
  }

  std::string work_;
};

TEST_F(Vorpex, SimInitMakesAPlayerThatInfoDescribes) {
  const std::string player =
      NewPlayer({"--device-info", "TEST PLAYER 2.00", "--capacity-m", "0x100"});
  const std::vector<uint8_t> saved = ReadBytes(player + "/player.txt");
  ASSERT_FALSE(saved.empty());

  Outcome info = Run({"--simulate", player, "info"});
  EXPECT_EQ(info.status, 0) << info.err;
  EXPECT_THAT(info.err, IsEmpty());
  EXPECT_THAT(info.out, HasSubstr("NT family"));
  EXPECT_THAT(info.out,
              HasSubstr("\ndriver route: 2000 (device interface class)\nplayer: answers\n"));
  EXPECT_THAT(info.out, HasSubstr("device information: 54 45 53 54 20 50 4C 41 59 45 52 20 32 2E "
                                  "30 30 20 20 20 20\n"));
  EXPECT_THAT(info.out, HasSubstr("\"TEST PLAYER 2.00    \"\n"));

  // The same facts as one JSON document, for scripts.
  Outcome json = Run({"--simulate", player, "info", "--json"});
  EXPECT_EQ(json.status, 0) << json.err;
  EXPECT_THAT(json.out, StartsWith("{\n  \"system\": {"));
  EXPECT_THAT(json.out, HasSubstr("\"platform\": 2, \"platformName\": \"NT family\"},\n"
                                  "  \"driverRoute\": {\"code\": 2000, \"name\": \"device "
                                  "interface class\"},\n  \"player\": {\"answers\": true, "
                                  "\"deviceInformation\": {\"hex\": \"54 45 53 54 20 50 4C 41 59 "
                                  "45 52 20 32 2E 30 30 20 20 20 20\", \"text\": \"TEST PLAYER "
                                  "2.00    \"}}\n}\n"));

  // A folder that holds a player is not made again, and the player stays as it was.
  Outcome again = Run({"sim", "init", player});
  EXPECT_EQ(again.status, 1);
  EXPECT_THAT(again.err, StartsWith("vorpex: cannot create a simulated player in " + player));
  EXPECT_EQ(ReadBytes(player + "/player.txt"), saved);
}

TEST_F(Vorpex, TheEnvironmentVariableSelectsThePlayerToo) {
  const std::string player = NewPlayer({"--device-info", "FROM ENVIRONMENT"});
  ASSERT_TRUE(platform::SetEnvironment(PLAYERSIM_ENVIRONMENT_VARIABLE, player));
  Outcome info = Run({"info"});
  // A sample image goes to the simulated player the variable names, as to one asked for.
  const std::string_view mark = protocol::kSampleImageMark;
  const std::string sample =
      WriteFile("sample.hex", test::HexOf(0x2000, {mark.begin(), mark.end()}) + test::kHexEnd);
  Outcome upgrade = Run({"--quiet", "upgrade", "codec", sample});
  platform::SetEnvironment(PLAYERSIM_ENVIRONMENT_VARIABLE, "");
  EXPECT_EQ(info.status, 0) << info.err;
  EXPECT_THAT(info.out, HasSubstr("player: answers\n"));
  EXPECT_THAT(info.out, HasSubstr("\"FROM ENVIRONMENT    \""));
  // Every run says which player it used, since the variable is easily left set in a shell.
  EXPECT_EQ(info.err, "vorpex: using the simulated player in " + player + " (VORPEX_SIMULATOR)\n");
  EXPECT_EQ(upgrade.status, 0) << upgrade.err;
  EXPECT_EQ(upgrade.err, info.err);

  // Without a simulated player, the sample is refused before any player is looked for.
  Outcome refused = Run({"upgrade", "codec", sample});
  EXPECT_EQ(refused.status, 1);
  EXPECT_THAT(refused.err, StartsWith("vorpex: " + sample + " is a sample image that comes with"));
}

TEST_F(Vorpex, UpgradesLandInTheFirmwareAreas) {
  const std::string player = NewPlayer();
  const std::vector<uint8_t> boot = Pattern(4096, 3);
  const std::string bootHex = WriteFile("boot.hex", test::HexOf(0, boot) + test::kHexEnd);

  Outcome upgraded = Run({"--simulate", player, "upgrade", "boot", bootHex});
  EXPECT_EQ(upgraded.status, 0) << upgraded.err;
  EXPECT_THAT(upgraded.err, IsEmpty());
  EXPECT_EQ(ReadBytes(player + "/boot.bin"), boot);

  // Not a terminal: the window's title with each status and how long it waited for the player,
  // then a line at each tenth of the way and one at the end.
  std::vector<std::string> lines = Lines(upgraded.out);
  ASSERT_GE(lines.size(), 3u);
  // Two pauses of a second each: "2.0 s", a little more on a busy machine.
  const std::string heads[] = {"Boot Code Upgrade: ", "Boot Code Upgrade: Boot Area Erasing...  ",
                               "Boot Code Upgrade: " + bootHex + "  "};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_THAT(lines[i], StartsWith(heads[i] + "waited for the player 2."));
    EXPECT_THAT(lines[i], ::testing::EndsWith(" s"));
  }
  EXPECT_THAT(lines[lines.size() - 2], StartsWith("Boot Code Upgrade: 100 %  4.0 KB  "));
  EXPECT_THAT(lines[lines.size() - 2], ::testing::EndsWith(" in all"));
  std::vector<int> percents;
  for (const std::string& line : lines) {
    int percent = -1;
    // NOLINTNEXTLINE(cert-err34-c): a line that does not match is skipped; figures are small
    if (std::sscanf(line.c_str(), "Boot Code Upgrade: %d %%", &percent) == 1) {
      percents.push_back(percent);
    }
  }
  ASSERT_GE(percents.size(), 5u) << upgraded.out;
  EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end())) << upgraded.out;
  EXPECT_EQ(percents.back(), 100);
  EXPECT_THAT(lines.back(), HasSubstr("The boot code was upgraded from " + bootHex));

  // The codec's image starts at 0x2000: data from 0x2100 comes after 256 bytes of 0x00.
  const std::vector<uint8_t> codec = Pattern(3840, 90);
  const std::string codecHex = WriteFile("codec.hex", test::HexOf(0x2100, codec) + test::kHexEnd);
  Outcome quiet = Run({"--quiet", "--simulate", player, "upgrade", "codec", codecHex});
  EXPECT_EQ(quiet.status, 0) << quiet.err;
  EXPECT_THAT(quiet.out, IsEmpty());
  std::vector<uint8_t> image(256, 0);
  image.insert(image.end(), codec.begin(), codec.end());
  EXPECT_EQ(ReadBytes(player + "/codec.bin"), image);
  EXPECT_EQ(ReadBytes(player + "/boot.bin"), boot);
}

TEST_F(Vorpex, BadFirmwareFilesReachNothing) {
  const std::string player = NewPlayer();
  const std::string missing = Path("missing.hex");
  Outcome absent = Run({"--simulate", player, "upgrade", "boot", missing});
  EXPECT_EQ(absent.status, 1);
  EXPECT_THAT(absent.err, StartsWith("vorpex: cannot read " + missing + ": "));
  Outcome folder = Run({"--simulate", player, "upgrade", "boot", player});
  EXPECT_EQ(folder.status, 1);
  EXPECT_EQ(folder.err, "vorpex: cannot read " + player + ": is a folder\n");
#ifndef _WIN32
  // Neither a pipe (its opening waits for a writer) nor a device that never ends is read.
  ASSERT_EQ(::mkfifo(Path("fifo.hex").c_str(), 0600), 0);
  Outcome pipe = Run({"--simulate", player, "upgrade", "codec", Path("fifo.hex")});
  EXPECT_EQ(pipe.status, 1);
  EXPECT_EQ(pipe.err, "vorpex: cannot read " + Path("fifo.hex") + ": is not a regular file\n");
  Outcome device = Run({"hex2bin", "/dev/zero", Path("special.bin")});
  EXPECT_EQ(device.status, 1);
  EXPECT_EQ(device.err, "vorpex: cannot read /dev/zero: is not a regular file\n");
  EXPECT_FALSE(fs::exists(Path("special.bin")));
#endif

  // A record whose checksum does not match: the library refuses it before the player hears
  // anything, and says why.
  const std::string bad =
      WriteFile("bad.hex", test::HexOf(0x2000, Pattern(64, 1)).replace(9, 2, "00") + test::kHexEnd);
  Outcome corrupt = Run({"--simulate", player, "upgrade", "codec", bad});
  EXPECT_EQ(corrupt.status, 1);
  EXPECT_THAT(corrupt.err, StartsWith("vorpex: the codec upgrade from " + bad + " failed: "));
  EXPECT_THAT(corrupt.err, StartsWith("vorpex: the codec upgrade from " + bad +
                                      " failed: not a valid Intel HEX file\n"));
  // The line at fault is named, and the library's code and text come last.
  EXPECT_THAT(corrupt.err,
              HasSubstr("\n  The firmware file " + bad +
                        " is damaged: the record at line 1 is cut short, holds a character that "
                        "is not a hex digit or fails its checksum. Nothing was sent to the "
                        "player.\n  library error 6, Windows error 13: "));
  // Files that fit no area, or the other one: the plain words say which.
  struct Misfit {
    std::string area, text, hint;
  } const misfits[] = {
      {"boot", test::HexOf(0, Pattern(8704, 2)) + test::kHexEnd,
       "this looks like a codec file (its data reach up to 0x21FF, beyond the boot area's 8192 "
       "bytes); use vorpex upgrade codec "},
      {"boot", test::HexOf(0x2000, Pattern(512, 2)) + test::kHexEnd,
       "this looks like a codec file (its data start at 0x2000); use vorpex upgrade codec "},
      {"codec", test::HexOf(0, Pattern(512, 2)) + test::kHexEnd,
       "this looks like a boot code file (all its data lie below 0x2000, where the codec "
       "starts); use vorpex upgrade boot "},
  };
  for (const Misfit& misfit : misfits) {
    const std::string hex = WriteFile("misfit.hex", misfit.text);
    Outcome refused = Run({"--simulate", player, "upgrade", misfit.area, hex});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.out, "") << "no title line before the error";
    EXPECT_THAT(
        refused.err,
        HasSubstr(" failed: the image is empty, or too large for this area (the boot area "
                  "takes at most 8192 bytes from address 0, the codec starts at 0x2000)\n  " +
                  misfit.hint + hex + "\n  library error 6, Windows error 1903: "));
  }
  EXPECT_THAT(corrupt.out, Not(HasSubstr("upgraded")));

  // Cut short at a line end: every record is good, the end-of-file record is missing.
  const std::string cut = WriteFile("cut.hex", test::HexOf(0x2000, Pattern(600, 2)));
  Outcome shortFile = Run({"--simulate", player, "upgrade", "codec", cut});
  EXPECT_EQ(shortFile.status, 1);
  EXPECT_THAT(shortFile.err, HasSubstr("\n  library error 6, Windows error 13: "));
  EXPECT_THAT(shortFile.err, HasSubstr("\n  The firmware file " + cut +
                                       " ends without its end-of-file record: it was cut short. "
                                       "Nothing was sent to the player.\n"));

  EXPECT_TRUE(ReadBytes(player + "/boot.bin").empty());
  EXPECT_TRUE(ReadBytes(player + "/codec.bin").empty());
}

#ifndef _WIN32
TEST_F(Vorpex, AnUpgradeUnderWayIsNeverCutInTwo) {
  // Its reader goes away once the erase has begun (vorpex ... | head), then Ctrl-C, a
  // request to terminate and a closed terminal arrive: the upgrade ends whole all the same.
  const std::string player = NewPlayer();
  const std::vector<uint8_t> codec = Pattern(20000, 4);
  const std::string hex = WriteFile("codec.hex", test::HexOf(0x2000, codec) + test::kHexEnd);
  const std::string program = platform::ProgramFolder().value_or(".") + platform::PathSeparator() +
                              VORPEX_PROGRAM_FILE_NAME;
  int out[2];
  ASSERT_EQ(::pipe(out), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::dup2(out[1], STDOUT_FILENO);
    ::close(out[0]);
    const int err = ::open(Path("stderr.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(err, STDERR_FILENO);
    ::execl(program.c_str(), program.c_str(), "--simulate", player.c_str(), "upgrade", "codec",
            hex.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(out[1]);
  std::string seen;
  char buffer[256];
  for (ssize_t got; seen.find("Erasing") == std::string::npos &&
                    (got = ::read(out[0], buffer, sizeof buffer)) > 0;) {
    seen.append(buffer, static_cast<size_t>(got));
  }
  ::close(out[0]);
  EXPECT_THAT(seen, HasSubstr("Codec Area Erasing..."));
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) ::kill(child, signal);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the interrupts came too late to stop anything";
  const std::string err = ReadText(Path("stderr.txt"));
  EXPECT_THAT(err, ::testing::MatchesRegex(
                       "(\nvorpex: the upgrade cannot be interrupted now; it ends in about "
                       "[0-9]+ s\n){4}vorpex: the interrupt came too late to stop the upgrade, "
                       "which completed\n"))
      << err;
  std::vector<uint8_t> padded = codec;  // the last block's fill lands too
  padded.resize(40 * 512, 0x00);
  EXPECT_EQ(ReadBytes(player + "/codec.bin"), padded);
}
#endif

#ifndef _WIN32
// A terminal of its own: a tmux server for one test, one pane per session, read back as a
// person sees the screen.
class Tmux {
 public:
  Tmux() : server_("vorpex-test-" + std::to_string(::getpid())) {}
  ~Tmux() { Call("kill-server"); }

  // `command` runs in a pane `columns` wide, in `folder`, through the shell.
  void Start(const std::string& session, size_t columns, const std::string& folder,
             const std::string& command) {
    Call("new-session -d -s " + session + " -x " + std::to_string(columns) + " -y 20 -c " +
         Quoted(folder) + " " + Quoted(command));
  }
  // The screen and what scrolled off it, wrapped lines joined, trailing blanks cut.
  std::vector<std::string> Screen(const std::string& session) {
    std::vector<std::string> lines;
    for (std::string& line : Lines(Call("capture-pane -p -J -S - -t " + session))) {
      line.erase(line.find_last_not_of(' ') + 1);
      if (!line.empty()) lines.push_back(line);
    }
    return lines;
  }
  bool WaitFor(const std::string& session, const std::string& text) {
    for (int i = 0; i < 300; ++i) {
      if (Call("capture-pane -p -J -t " + session).find(text) != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }
  void Resize(const std::string& session, size_t columns) {
    Call("resize-window -t " + session + " -x " + std::to_string(columns));
  }
  void Keys(const std::string& session, const std::string& keys) {
    Call("send-keys -t " + session + " " + keys);
  }

 private:
  static std::string Quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
  }
  std::string Call(const std::string& args) {
    std::string output;
    const std::string command = "tmux -f /dev/null -L " + server_ + " " + args + " 2>&1";
    std::FILE* pipe = ::popen(command.c_str(), "r");  // NOLINT(cert-env33-c): the terminal used
    if (pipe == nullptr) return output;
    char buffer[4096];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
      output.append(buffer, got);
    ::pclose(pipe);
    return output;
  }
  std::string server_;
};

// The tmux session of the i-th case, built by appending: g++ 12 at -O3 warns wrongly about
// "literal" + std::string&& (-Wrestrict).
std::string SessionName(size_t i) {
  std::string name = "s";
  name += std::to_string(i);
  return name;
}

// vorpex on a terminal, as a person sees it when it has ended: each status once, above one
// bar that fits the terminal, also after the terminal was narrowed half-way; into a pipe whose
// reader went away it still upgrades, quietly; format asks first.
TEST_F(Vorpex, OnATerminalAsAPersonSeesIt) {
  const std::string program = platform::ProgramFolder().value_or(".") + platform::PathSeparator() +
                              VORPEX_PROGRAM_FILE_NAME;
  const std::vector<uint8_t> codec = Pattern(20000, 6);
  WriteFile("codec.hex", test::HexOf(0x2000, codec) + test::kHexEnd);
  const std::string waited = "waited for the player 2\\.[0-9] s";
  const std::string bar120 = "\\[#{60,}\\]  100 %  19\\.5 KB  .*[0-9]:[0-9][0-9] in all";
  const std::string bar40 = "\\[#{5,}\\]  100 %  19\\.5 KB  [0-9]:[0-9][0-9] in all";
  const std::string done =
      "The codec was upgraded from codec\\.hex\\. Unplug the player and plug "
      "it in again\\.";
  struct Case {
    std::string name;
    size_t columns;
    std::string command;              // after "vorpex --simulate PLAYER"
    size_t narrowTo;                  // columns once the erase began; 0 leaves the width
    std::string answer;               // keys for format's question
    std::vector<std::string> screen;  // every line, as regular expressions
    bool erased = false;              // format: memory M is empty afterwards
  };
  const std::vector<Case> cases = {
      {"wide",
       120,
       "upgrade codec codec.hex",
       0,
       "",
       {"Codec Upgrade: " + waited, "Codec Upgrade: Codec Area Erasing\\.\\.\\.  " + waited,
        "Codec Upgrade: codec\\.hex  " + waited, bar120, done, "\\[exit 0\\]"}},
      {"narrow",
       40,
       "upgrade codec codec.hex",
       0,
       "",
       {"Codec Upgrade: waited 2\\.[0-9] s", "Codec Area Erasing\\.\\.\\.  waited 2\\.[0-9] s",
        "codec\\.hex  waited 2\\.[0-9] s", bar40, done, "\\[exit 0\\]"}},
      // Narrowed, the terminal rewraps the live line drawn before: its first row stays.
      {"narrowed",
       120,
       "upgrade codec codec.hex",
       40,
       "",
       {"Codec Upgrade: " + waited,
        // NOLINTNEXTLINE(bugprone-suspicious-missing-comma): one pattern over two lines
        "(Codec Upgrade: Codec Area Erasing\\.\\.\\.  wa)?Codec Area Erasing\\.\\.\\.  waited "
        "2\\.[0-9] s",
        "codec\\.hex  waited 2\\.[0-9] s", bar40, done, "\\[exit 0\\]"}},
      {"reader gone",
       80,
       "upgrade codec codec.hex",
       0,
       "",
       {"Codec Upgrade: waite", "\\[exit 0\\]"}},
      {"format no",
       80,
       "format M",
       0,
       "n Enter",
       {"Erase all files in memory M\\? \\[y/N\\] n", "Nothing was erased\\.", "\\[exit 1\\]"},
       false},
      {"format yes",
       80,
       "format M",
       0,
       "y Enter",
       {"Erase all files in memory M\\? \\[y/N\\] y", "Format: Formating\\.\\.\\.",
        "Memory M is empty\\.", "\\[exit 0\\]"},
       true},
  };
  // The exit status is the pane's last line; the pane stays for reading.
  Tmux tmux;
  for (size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    const std::string player = Path("player" + std::to_string(i));
    ASSERT_EQ(Run({"sim", "init", player}).status, 0);
    if (!c.answer.empty()) {
      ASSERT_EQ(Run({"--simulate", player, "put", Path("codec.hex")}).status, 0);
    }
    const std::string run = "'" + program + "' --simulate '" + player + "' " + c.command;
    const std::string command =
        c.name == "reader gone"
            ? "{ " + run + "; printf '\\n[exit %d]\\n' $? >&2; } | head -c 20; sleep 600"
            : run + "; echo \"[exit $?]\"; sleep 600";
    tmux.Start(SessionName(i), c.columns, work_, command);
  }
  for (size_t i = 0; i < cases.size(); ++i) {
    const std::string session = SessionName(i);
    if (cases[i].narrowTo != 0) {
      ASSERT_TRUE(tmux.WaitFor(session, "Erasing"));
      tmux.Resize(session, cases[i].narrowTo);
    }
    if (!cases[i].answer.empty()) {
      ASSERT_TRUE(tmux.WaitFor(session, "[y/N]"));
      tmux.Keys(session, cases[i].answer);
    }
  }
  for (size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    const bool ended = tmux.WaitFor(SessionName(i), "[exit ");
    const std::vector<std::string> screen = tmux.Screen(SessionName(i));
    std::string shown;
    for (const std::string& line : screen) shown += line + "\n";
    ASSERT_TRUE(ended) << c.name << ":\n" << shown;
    ASSERT_EQ(screen.size(), c.screen.size()) << c.name << ":\n" << shown;
    for (size_t l = 0; l < screen.size(); ++l) {
      EXPECT_THAT(screen[l], ::testing::MatchesRegex(c.screen[l])) << c.name << ":\n" << shown;
      // The bar is as wide as the terminal allows, not wider.
      const size_t width = c.narrowTo != 0 ? c.narrowTo : c.columns;
      if (screen[l].starts_with("[#")) {
        EXPECT_EQ(screen[l].size(), width - 1) << c.name;
      }
    }
    const std::string player = Path("player" + std::to_string(i));
    if (c.answer.empty()) {
      std::vector<uint8_t> padded = codec;  // the last block's fill lands too
      padded.resize(40 * 512, 0x00);
      EXPECT_EQ(ReadBytes(player + "/codec.bin"), padded) << c.name;
    } else {
      EXPECT_THAT(Run({"--simulate", player, "ls", "M"}).out,
                  StartsWith(c.erased ? "memory M: 0 files\n" : "memory M: 1 file\n"));
    }
  }
}

#endif

TEST_F(Vorpex, WithoutAPlayerNothingAnswers) {
  // A folder that holds no simulated player is not quietly made one.
  const std::string nothing = Path("nothing");
  Outcome none = Run({"--simulate", nothing, "info"});
  EXPECT_EQ(none.status, 1);
  EXPECT_EQ(none.err, "vorpex: no simulated player in " + nothing +
                          "; create one with vorpex sim init " + nothing + "\n");
  EXPECT_FALSE(fs::exists(nothing));
  // One that VORPEX_SIMULATOR names and that cannot be used is told once, as every message.
  fs::create_directories(Path("broken"));
  WriteFile("broken/player.txt", "not a player\n");
  ASSERT_TRUE(platform::SetEnvironment(PLAYERSIM_ENVIRONMENT_VARIABLE, Path("broken")));
  Outcome broken = Run({"info"});
  platform::SetEnvironment(PLAYERSIM_ENVIRONMENT_VARIABLE, "");
  EXPECT_EQ(broken.status, 1);
  EXPECT_THAT(broken.err, StartsWith("vorpex: cannot use the simulated player in " +
                                     Path("broken") + " (named by VORPEX_SIMULATOR): "));
  EXPECT_THAT(broken.err, ::testing::EndsWith("player.txt line 1: not a simulated player\n"));
  EXPECT_EQ(Lines(broken.err).size(), 1u) << broken.err;

  const std::string player = NewPlayer({"--absent"});
  Outcome info = Run({"--simulate", player, "info"});
  EXPECT_EQ(info.status, 1);
  EXPECT_THAT(info.out, HasSubstr("driver route: 2000"));
#ifndef _WIN32
  EXPECT_THAT(info.out, StartsWith("system version: Linux "));
  EXPECT_THAT(info.out,
              HasSubstr(", reported to the libraries as the NT family 10.0 (platform 2)\n"));
#endif
  EXPECT_THAT(info.out, HasSubstr("player: does not answer\n"));
  EXPECT_THAT(info.out, Not(HasSubstr("device information")));
  EXPECT_THAT(info.err, StartsWith("vorpex: no player answers"));

  const std::string hex = WriteFile("boot.hex", test::HexOf(0, Pattern(512, 5)) + test::kHexEnd);
  Outcome upgrade = Run({"--simulate", player, "upgrade", "boot", hex});
  EXPECT_EQ(upgrade.status, 1);
  EXPECT_THAT(upgrade.err, StartsWith("vorpex: no player answers"));
  // Every command says it in the same words, the system's own.
  Outcome files = Run({"--simulate", player, "ls"});
  EXPECT_EQ(files.status, 1);
#ifdef _WIN32
  const std::string hint = "is it plugged in, and its driver installed?\n";
#else
  const std::string hint =
      "is it plugged in with a working USB cable, and may this user open the device (the udev "
      "rule 70-vorpex-player.rules lets the logged-in user open it)?\n";
#endif
  for (const Outcome* said : {&info, &upgrade, &files})
    EXPECT_THAT(said->err, StartsWith("vorpex: no player answers: " + hint));
  EXPECT_TRUE(ReadBytes(player + "/boot.bin").empty());
}

TEST_F(Vorpex, HexToBinWritesTheWholeImageOrNothing) {
  const std::vector<uint8_t> data = Pattern(100, 9);
  const std::string hex = WriteFile("in.hex", test::HexOf(0x2010, data) + test::kHexEnd);
  const std::string out = Path("out.bin");
  const std::string mine = WriteFile("out.bin.partial", "mine");

  Outcome based = Run({"hex2bin", hex, out, "--base", "0x2000"});
  EXPECT_EQ(based.status, 0) << based.err;
  EXPECT_THAT(based.out, HasSubstr("116 bytes from address 0x2000"));
  std::vector<uint8_t> image(16, 0);
  image.insert(image.end(), data.begin(), data.end());
  EXPECT_EQ(ReadBytes(out), image);

  Outcome fromZero = Run({"hex2bin", hex, out});  // base 0: 0x2010 bytes of holes first
  EXPECT_EQ(fromZero.status, 0) << fromZero.err;
  EXPECT_EQ(ReadBytes(out).size(), 0x2010u + data.size());

  // A file cut off in its last record leaves the earlier image as it was.
  const std::vector<uint8_t> before = ReadBytes(out);
  std::string cut = test::HexOf(0, data);
  const std::string truncated = WriteFile("cut.hex", cut.substr(0, cut.size() - 8));
  Outcome bad = Run({"hex2bin", truncated, out});
  EXPECT_EQ(bad.status, 1);
  EXPECT_THAT(bad.err, StartsWith("vorpex: " + truncated +
                                  " is not a valid Intel HEX file: the record at line 7 is cut "
                                  "short"));
  EXPECT_EQ(ReadBytes(out), before);
  EXPECT_EQ(ReadText(mine), "mine") << "a file of the user's is never the temporary one";
  EXPECT_EQ(std::distance(fs::directory_iterator(work_), {}), 6) << "no temporary file is left";

  // The HEX file is never its own image, by whatever name.
  Outcome same = Run({"hex2bin", hex, work_ + "/./" + fs::path(hex).filename().string()});
  EXPECT_EQ(same.status, 1);
  EXPECT_THAT(same.err, HasSubstr("is the HEX file itself"));
  EXPECT_EQ(ReadText(hex).substr(0, 1), ":");

  Outcome missing = Run({"hex2bin", Path("none.hex"), Path("none.bin")});
  EXPECT_EQ(missing.status, 1);
  EXPECT_THAT(missing.err, StartsWith("vorpex: cannot read " + Path("none.hex") + ": "));
  EXPECT_FALSE(fs::exists(Path("none.bin")));

  // Files with nothing to convert fail; odd but usable ones convert with a warning.
  struct Odd {
    std::string name, text;
    std::vector<std::string> options;
    int status;
    std::string err;
  };
  const Odd odds[] = {
      {"text.hex", "hello\n", {}, 1, "vorpex: no Intel HEX records in "},
      {"empty.hex", "", {}, 1, "vorpex: no Intel HEX records in "},
      {"open.hex", test::HexOf(0, data), {}, 0, "has no end-of-file record; converted"},
      {"low.hex",
       test::HexOf(0, data) + test::kHexEnd,
       {"--base", "0x1000"},
       0,
       "lies at or above the base address; "},
  };
  for (const Odd& odd : odds) {
    std::vector<std::string> args{"hex2bin", WriteFile(odd.name, odd.text), Path("odd.bin")};
    args.insert(args.end(), odd.options.begin(), odd.options.end());
    Outcome outcome = Run(args);
    EXPECT_EQ(outcome.status, odd.status) << odd.name << outcome.err;
    EXPECT_THAT(outcome.err, HasSubstr(odd.err)) << odd.name;
    EXPECT_EQ(fs::exists(Path("odd.bin")), odd.status == 0) << odd.name;
    fs::remove(Path("odd.bin"));
  }

  const std::string nowhere = Path("no-folder/out.bin");
  Outcome unwritable = Run({"hex2bin", hex, nowhere});
  EXPECT_EQ(unwritable.status, 1);
  EXPECT_THAT(unwritable.err, StartsWith("vorpex: cannot write " + nowhere + ": "));
}

TEST_F(Vorpex, WrongCommandLinesExitWithTwo) {
  struct Case {
    std::vector<std::string> args;
    std::string complaint;
  };
  const Case cases[] = {
      {{}, "no command given"},
      {{"erase"}, "unknown command \"erase\""},
      {{"upgrade", "firmware", "x.hex"}, "upgrade boot or upgrade codec, not \"firmware\""},
      {{"upgrade", "boot"}, "upgrade needs boot or codec and the HEX file"},
      {{"info", "extra"}, "too many arguments for info"},
      {{"hex2bin", "in.hex"}, "hex2bin needs the HEX file and the image file"},
      {{"hex2bin", "in.hex", "out.bin", "--base", "0x"}, "--base wants a number"},
      {{"hex2bin", "in.hex", "out.bin", "--base", "0x100000000"}, "--base wants a number"},
      {{"sim", "init", "dir", "--interfaces", "33"}, "--interfaces wants a number from 0 to 32"},
      {{"sim", "init", "dir", "--device-info", "twenty-one characters"},
       "--device-info needs at most 20"},
      {{"sim", "start"}, "sim init is the only sim command"},
      {{"info", "--base", "1"}, "unknown option --base"},
      {{"--simulate"}, "--simulate needs the folder"},
      {{"--simulate="}, "--simulate needs the folder"},
      {{"-x", "info"}, "unknown option -x"},
      {{"--quiet=yes", "info"}, "--quiet takes no value"},
      {{"--", "--help"}, "unknown command \"--help\""},
      {{"ls", "--yes"}, "unknown option --yes for ls\n"},
      {{"--sim-slow", "10", "put", "x.mp3"}, "--sim-slow works only with --simulate"},
      {{"get", "M:0", "--sim-fault", "unplug@transfer=1"},
       "--sim-fault works only with --simulate"},
  };
  for (const Case& c : cases) {
    Outcome wrong = Run(c.args);
    EXPECT_EQ(wrong.status, 2) << c.complaint;
    EXPECT_THAT(wrong.err, StartsWith("vorpex: " + c.complaint));
    EXPECT_THAT(wrong.err, HasSubstr("\nusage: vorpex"));
    // The hint names the help of the command that was meant.
    const bool upgrade = !c.args.empty() && c.args[0] == "upgrade";
    EXPECT_THAT(wrong.err,
                HasSubstr(upgrade ? "(vorpex upgrade --help tells more)" : "--help tells more)"));
    EXPECT_THAT(wrong.out, IsEmpty());
  }
  EXPECT_FALSE(fs::exists("dir"));
}

TEST_F(Vorpex, EveryCommandExplainsItself) {
  // -h and --help anywhere on the line.
  const std::vector<std::vector<std::string>> helps = {{"--help"},
                                                       {"upgrade", "boot", "x.hex", "-h"},
                                                       {"info", "--help"},
                                                       {"-h", "hex2bin"},
                                                       {"sim", "init", "--help", "dir"}};
  const std::string usages[] = {"COMMAND ...", "upgrade boot|codec FILE.hex", "info",
                                "hex2bin IN.hex OUT.bin [--base N]", "sim init DIR [options]"};
  for (size_t i = 0; i < helps.size(); ++i) {
    Outcome help = Run(helps[i]);
    EXPECT_EQ(help.status, 0);
    EXPECT_THAT(help.out, StartsWith("usage: vorpex "));
    EXPECT_THAT(Lines(help.out).at(0), HasSubstr(usages[i]));
    EXPECT_THAT(help.err, IsEmpty());
  }
  Outcome version = Run({"info", "--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "vorpex " VORPEX_VERSION "\n");

  // The man page's synopsis is the command table's, its markup aside.
  std::ifstream man(VORPEX_SOURCE_DIR "/packaging/vorpex.1");
  std::string page(std::istreambuf_iterator<char>(man), {});
  page = page.substr(page.find(".SH SYNOPSIS\n") + 13);
  page.resize(page.find(".SH "));
  for (std::string markup : {"\\fB", "\\fI", "\\fR", ".B ", "\\"}) {
    for (size_t at; (at = page.find(markup)) != std::string::npos;) page.erase(at, markup.size());
  }
  std::vector<std::string> synopsis{""};
  for (const std::string& line : Lines(page)) {
    if (line == ".br")
      synopsis.emplace_back();
    else
      synopsis.back() += (synopsis.back().empty() ? "" : " ") + line;
  }
  EXPECT_EQ(synopsis, cli::SynopsisLines());
}

#ifndef _WIN32
// Output that cannot be written (a full disk) fails the command that wrote it: every command
// ends through the one check, from the line's own options and from the file commands alike.
TEST_F(Vorpex, OutputThatCannotBeWrittenFails) {
  const std::string program = platform::ProgramFolder().value_or(".") + platform::PathSeparator() +
                              VORPEX_PROGRAM_FILE_NAME;
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--version"}, {"--simulate", NewPlayer(), "ls"}}) {
    EXPECT_EQ(platform::RunProgram(program, args, "/dev/full", Path("stderr.txt")), 1);
    EXPECT_THAT(ReadText(Path("stderr.txt")), StartsWith("vorpex: cannot write to standard output"))
        << args.back();
  }
}
#endif

// Options written the other ways people write them: joined values, -q, and "--".
TEST_F(Vorpex, OptionsTakeTheirCommonForms) {
  const std::string player = NewPlayer();
  const std::string hex = WriteFile("boot.hex", test::HexOf(0, Pattern(512, 5)) + test::kHexEnd);
  Outcome joined = Run({"--simulate=" + player, "-q", "upgrade", "boot", "--", hex});
  EXPECT_EQ(joined.status, 0) << joined.err;
  EXPECT_EQ(joined.out, "");
  EXPECT_EQ(ReadBytes(player + "/boot.bin"), Pattern(512, 5));

  // The file commands take them too.
  const std::string song = WriteFile("song.mp3", "music");
  Outcome put = Run({"--simulate=" + player, "-q", "put", "--to=S", "--", song});
  EXPECT_EQ(put.status, 0) << put.err;
  EXPECT_EQ(put.out, "");
  Outcome listed = Run({"--simulate", player, "ls", "--bytes", "S"});
  EXPECT_THAT(listed.out, HasSubstr("  5  "));
  EXPECT_THAT(listed.out, HasSubstr("  song.mp3\n"));
  // Options stand anywhere around the command, the command's own too.
  Outcome got = Run({"-o", Path("got.mp3"), "--simulate", player, "get", "S:song.mp3", "-q"});
  EXPECT_EQ(got.status, 0) << got.err;
  EXPECT_EQ(ReadText(Path("got.mp3")), "music");
  EXPECT_THAT(Run({"ls", "-h"}).out, StartsWith("usage: vorpex [--simulate DIR] ls"));
  EXPECT_EQ(Run({"df", "--version"}).out, "vorpex " VORPEX_VERSION "\n");
  Outcome valued = Run({"--simulate", player, "ls", "--bytes=1"});
  EXPECT_EQ(valued.status, 2);
  EXPECT_THAT(valued.err, StartsWith("vorpex: --bytes takes no value\n"));
}

// The bar line in the room a terminal gives it: the figures that fit, the bar filling the rest.
TEST(ProgressLine, BarLineFitsItsWidth) {
  cli::BarState running{50, 4 << 20, 8 << 20, 3.1 * 1024 * 1024, 3, std::nullopt};
  cli::BarState ended{100, 8 << 20, 8 << 20, 3.1 * 1024 * 1024, std::nullopt, 9};
  cli::BarState boot{12, 512, 4096, 0, std::nullopt, std::nullopt};
  struct Case {
    const cli::BarState& state;
    size_t width;
    std::string line;
  } const cases[] = {
      {running, 60, "[##-]  50 %  4.0 / 8.0 MB  3.17 MB/s  0:03 left"},
      {running, 39, "[######------]  50 %  4.0 / 8.0 MB"},
      {running, 20, "[#######-------]  50 %"},
      {ended, 39, "[##########]  100 %  8.0 MB  0:09 in all"},
      {boot, 30, "[##---------------]  12 %  0.5 / 4.0 KB"},
  };
  for (const Case& c : cases) {
    std::string line = cli::BarLine(c.state, c.width);
    EXPECT_LE(line.size(), c.width) << line;
    // The bar's length depends on the width; what follows it is the point.
    EXPECT_EQ(line.substr(line.find(']')), c.line.substr(c.line.find(']'))) << c.width;
  }
  EXPECT_EQ(cli::BarLine(running, 60).size(), 60u);  // wider bar, not a shorter line
  EXPECT_EQ(cli::FitText("/a/long/folder/SampleBoot.hex", 20), "/a/long/f...Boot.hex");
  EXPECT_EQ(cli::ClockText(3725), "1:02:05");
  EXPECT_EQ(cli::RateText(850 * 1024), "870 KB/s");
}

TEST(ProgressLine, PercentAndTimeLeftStayInBounds) {
  EXPECT_EQ(cli::PercentDone(512, 1536, 1024), 50u);
  EXPECT_EQ(cli::PercentDone(0, 100, 250), 100u);
  EXPECT_EQ(cli::PercentDone(100, 0, 50), 0u);  // a reversed range fills nothing
  EXPECT_EQ(cli::PercentDone(0, 0, 0), 0u);
  EXPECT_EQ(cli::SecondsLeft(1, 4, 3.0), 9u);
  EXPECT_EQ(cli::SecondsLeft(0, 4, 3.0), std::nullopt);
  EXPECT_EQ(cli::SecondsLeft(5, 4, 3.0), std::nullopt);
}

// The terminal user interface installed into the chip library, driven by its progress window.
std::string Drawn(std::FILE* file) {
  std::rewind(file);
  std::string text;
  for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
  return text;
}

// What a terminal `width` columns wide shows after `drawn`: carriage returns go back to the
// start of the line, a character past the last column wraps to the next line.
struct Screen {
  std::vector<std::string> lines{""};
  bool wrapped = false;
};
Screen Show(const std::string& drawn, size_t width) {
  Screen screen;
  size_t column = 0;
  for (char c : drawn) {
    if (c == '\r') {
      column = 0;
    } else if (c == '\n') {
      screen.lines.emplace_back();
      column = 0;
    } else {
      if (column == width) {
        screen.wrapped = true;
        screen.lines.emplace_back();
        column = 0;
      }
      std::string& line = screen.lines.back();
      if (line.size() <= column) line.resize(column + 1, ' ');
      line[column++] = c;
    }
  }
  for (std::string& line : screen.lines) line.erase(line.find_last_not_of(' ') + 1);
  return screen;
}

// The upgrade's steps as the library takes them: the window, two pauses, the erase status, two
// pauses, the file's status, two pauses, then `size` bytes in blocks of 512 at `bytesPerSecond`
// on vorpex's clock.
void ShowAnUpgrade(double& clock, uint32_t size, double bytesPerSecond) {
  PlayerSim_UseVirtualTime(1);
  VorpexProgressSetup setup{3016, -1, "", size, 0};  // "Codec Upgrade"
  void* window = VorpexShared_OpenProgressWindow(nullptr, &setup);
  clock += 2;
  VorpexShared_SetProgressRange(window, 0, size, "Codec Area Erasing...");
  clock += 2;
  VorpexShared_SetProgressRange(window, 0, size, "codec.hex");
  clock += 2;
  const uint32_t start = VorpexShared_TickCount();
  for (uint32_t sent = 512; sent <= size; sent += 512) {
    clock += 512 / bytesPerSecond;
    VorpexShared_UpdateProgress(window, sent, start);
  }
  VorpexShared_CloseProgressWindow(window);
  PlayerSim_UseVirtualTime(0);
}

TEST(TerminalUi, OneUpgradeOnATerminalAndIntoAPipe) {
  struct Case {
    bool terminal;
    size_t columns;
    std::vector<std::string> screen;
  } const cases[] = {
      {true,
       120,
       {"Codec Upgrade: waited for the player 2.0 s",
        "Codec Upgrade: Codec Area Erasing...  waited for the player 2.0 s",
        "Codec Upgrade: codec.hex  waited for the player 2.0 s",
        "]  100 %  8.0 MB  2.04 MB/s  0:10 in all", ""}},
      {true,
       40,
       {"Codec Upgrade: waited 2.0 s", "Codec Area Erasing...  waited 2.0 s",
        "codec.hex  waited 2.0 s", "]  100 %  8.0 MB  0:10 in all", ""}},
      {false,
       0,
       {"Codec Upgrade: waited for the player 2.0 s",
        "Codec Upgrade: Codec Area Erasing...  waited for the player 2.0 s",
        "Codec Upgrade: codec.hex  waited for the player 2.0 s",
        "Codec Upgrade: 10 %  0.8 / 8.0 MB", "Codec Upgrade: 20 %  1.6 / 8.0 MB",
        "Codec Upgrade: 30 %  2.4 / 8.0 MB", "Codec Upgrade: 40 %  3.2 / 8.0 MB",
        "Codec Upgrade: 50 %  4.0 / 8.0 MB", "Codec Upgrade: 60 %  4.8 / 8.0 MB",
        "Codec Upgrade: 70 %  5.6 / 8.0 MB", "Codec Upgrade: 80 %  6.4 / 8.0 MB",
        "Codec Upgrade: 90 %  7.2 / 8.0 MB", "Codec Upgrade: 100 %  8.0 MB  2.04 MB/s  0:10 in all",
        ""}},
  };
  for (const Case& c : cases) {
    std::FILE* out = std::fopen(VORPEX_TEST_TMP "/terminal-ui.txt", "w+b");
    ASSERT_NE(out, nullptr);
    double clock = 0;  // cppcheck-suppress variableScope ; the UI's clock reads it
    size_t redraws = 0;
    {
      cli::TerminalUi ui(out,
                         {c.terminal, false, [&] { return c.columns; }, [&] { return clock; }});
      ui.Install();
      ShowAnUpgrade(clock, 8 << 20, 2 << 20);
      redraws = ui.Redraws();
    }
    const std::string drawn = Drawn(out);
    std::fclose(out);  // NOLINT(cert-err33-c): only read back, and read already
    Screen screen = Show(drawn, c.terminal ? c.columns : 100000);
    EXPECT_FALSE(screen.wrapped) << c.columns;
    ASSERT_EQ(screen.lines.size(), c.screen.size()) << drawn;
    for (size_t i = 0; i < c.screen.size(); ++i) {
      const std::string& want = c.screen[i];
      if (want.starts_with("]")) {
        // The final bar: full, as wide as the terminal allows.
        EXPECT_EQ(screen.lines[i].size(), c.columns - 1);
        EXPECT_THAT(screen.lines[i], StartsWith("[####"));
        EXPECT_THAT(screen.lines[i], testing::EndsWith(want));
      } else {
        EXPECT_EQ(screen.lines[i], want);
      }
    }
    if (c.terminal) {
      // Four seconds of transfer: about ten redraws a second, not one per block.
      EXPECT_LE(redraws, 50u);
      EXPECT_GE(redraws, 30u);
      EXPECT_LE(drawn.size(), redraws * c.columns + 400);
      EXPECT_THAT(drawn,
                  HasSubstr(c.columns > 80 ? "  waiting for the player..." : "  waiting..."));
      if (c.columns > 80) {
        EXPECT_THAT(drawn, HasSubstr("  0:02 left"));
      }
    }
  }
}

TEST(TerminalUi, QuietShowsNothingAndMessagesCanBeTaken) {
  std::FILE* out = std::fopen(VORPEX_TEST_TMP "/terminal-ui.txt", "w+b");
  ASSERT_NE(out, nullptr);
  {
    double clock = 0;
    cli::TerminalUi ui(out, {true, true, [] { return size_t{80}; }, [&] { return clock; }});
    ui.Install();
    ShowAnUpgrade(clock, 4096, 1024);
    EXPECT_EQ(ui.CaptureMessage([] { VORPEX_DispError(VORPEX_ERR_USB, 0); }), "VORPEXUSB_ERR_USB");
    EXPECT_EQ(ui.CaptureMessage([] {}), "");
  }
  EXPECT_EQ(Drawn(out), "");
  std::fclose(out);  // NOLINT(cert-err33-c): only read back, and read already
}

TEST_F(Vorpex, Mp3InfoTellsEachFilesLayerAndBitRate) {
  const std::string fixtures = VORPEX_MP3_FIXTURES;
  const std::string l3 = fixtures + "/m25-12000-64.mp3";
  const std::string l2 = fixtures + "/l2-48000-192.mp2";
  const std::string text = WriteFile("notes.txt", std::string(30000, 'x'));
  const std::string missing = Path("missing.mp3");

  const std::string l3Line =
      l3 + ": MPEG-2.5 Layer III, 12000 Hz, joint stereo, 0:01.1, 64 kbit/s\n";
  Outcome good = Run({"mp3info", l3, l2});
  EXPECT_EQ(good.status, 0) << good.err;
  EXPECT_EQ(good.out, l3Line + l2 + ": MPEG-1 Layer II, 48000 Hz, stereo, 0:01.0, 192 kbit/s\n");

  Outcome mixed = Run({"mp3info", text, l3, missing});
  EXPECT_EQ(mixed.status, 1);
  EXPECT_EQ(mixed.out, l3Line);
  EXPECT_THAT(mixed.err, HasSubstr(text + ": not MPEG audio (no 3 consecutive frames"));
  EXPECT_THAT(mixed.err, HasSubstr("cannot read " + missing));
}

// Every encoded file as mpg123 decodes the whole of it (streams.txt), and files of the system
// that are no audio at all, in one --json run: one line a file.
TEST_F(Vorpex, Mp3InfoAgreesWithTheDecoderAndRefusesOtherFiles) {
  struct Stream {
    std::string name, version, layer, mode, kind;
    uint32_t rate = 0, frames = 0;
  };
  std::vector<Stream> streams;
  std::ifstream in(std::string(VORPEX_MP3_FIXTURES) + "/streams.txt");
  for (Stream s; in >> s.name >> s.version >> s.layer >> s.mode >> s.kind >> s.rate >> s.frames;) {
    streams.push_back(s);
  }
  ASSERT_GE(streams.size(), 24u) << "the encoded files are missing";
  std::vector<std::string> others{WriteFile("zeros.mp3", std::string(100000, '\0'))};
  const std::string program = platform::ProgramFolder().value_or(".") + platform::PathSeparator() +
                              VORPEX_PROGRAM_FILE_NAME;
  others.push_back(program);
  for (const char* folder : {"/var/cache/apt/archives", "/usr/share/doc/gcc-12-base"}) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
      const std::string name = entry.path().string();
      if (name.ends_with(".deb") || name.ends_with(".gz")) others.push_back(name);
      if (others.size() % 4 == 0) break;
    }
  }
  std::vector<std::string> args{"mp3info", "--json"};
  for (const Stream& s : streams) args.push_back(std::string(VORPEX_MP3_FIXTURES) + "/" + s.name);
  args.insert(args.end(), others.begin(), others.end());
  Outcome info = Run(args);
  EXPECT_EQ(info.status, 1) << info.err;  // the other files are no audio
  std::vector<std::string> lines;
  std::istringstream out(info.out);
  for (std::string line; std::getline(out, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), streams.size() + others.size() + 4) << info.out;
  const std::map<std::string, std::string> modes{
      {"stereo", "stereo"}, {"j-s", "joint stereo"}, {"dual", "dual channel"}, {"mono", "mono"}};
  for (size_t k = 0; k < streams.size(); ++k) {
    const Stream& s = streams[k];
    const std::string& line = lines[k + 2];
    SCOPED_TRACE(line);
    const std::string version = s.version == "2.5" ? s.version : s.version.substr(0, 1);
    EXPECT_THAT(line, HasSubstr("/" + s.name + "\", \"mpegAudio\": true, \"version\": \"" +
                                version + "\", \"layer\": " + std::to_string(s.layer.size()) +
                                ", \"sampleRate\": " + std::to_string(s.rate) +
                                ", \"channelMode\": \"" + modes.at(s.mode) + "\""));
    EXPECT_THAT(line, HasSubstr("\"frames\": " + std::to_string(s.frames) + ","));
    EXPECT_THAT(line, HasSubstr(s.kind.starts_with("cbr")
                                    ? "\"vbr\": false, \"bitRate\": " + s.kind.substr(3) + "}"
                                    : std::string("\"vbr\": true")));
  }
  for (size_t k = 0; k < others.size(); ++k) {
    std::string escaped;  // as JSON writes a Windows path's backslashes
    for (char c : others[k]) escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
    EXPECT_EQ(lines[streams.size() + k + 2], "    {\"file\": \"" + escaped +
                                                 "\", \"mpegAudio\": false}" +
                                                 (k + 1 < others.size() ? "," : ""));
  }
}

}  // namespace
