// vorpex's file commands as their users run them: separate processes against simulated
// players; what they print, their exit status, the files they leave on the PC and the player.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/child_process.h"
#include "platform/process.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#endif

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

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Text as the program wrote it, without the carriage returns of Windows line ends.
std::string ReadText(const std::string& path) {
  std::string text;
  for (char c : ReadBytes(path)) {
    if (c != '\r') text += c;
  }
  return text;
}

std::string Bytes(size_t size, int seed) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 13 + seed + i / 509);
  return bytes;
}

std::string Program() {
  return platform::ProgramFolder().value_or(".") + platform::PathSeparator() +
         VORPEX_PROGRAM_FILE_NAME;
}

class VorpexFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    work_ = std::string(VORPEX_TEST_TMP) + "/vorpex-files-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(work_);
    fs::create_directories(work_ + "/pc");
    fs::create_directories(work_ + "/back");
    ASSERT_EQ(platform::RunProgram(Program(), {"sim", "init", Path("player")}, Path("out.txt"),
                                   Path("err.txt")),
              0);
  }

  std::string Path(const std::string& name) const { return work_ + "/" + name; }

  // vorpex --simulate <the player> ARGS...
  Outcome Run(std::vector<std::string> args) {
    args.insert(args.begin(), {"--simulate", Path("player")});
    auto status = platform::RunProgram(Program(), args, Path("out.txt"), Path("err.txt"));
    EXPECT_TRUE(status.has_value()) << "vorpex did not run to its end";
    return {status.value_or(-1), ReadText(Path("out.txt")), ReadText(Path("err.txt"))};
  }

  std::string WriteFile(const std::string& name, const std::string& bytes) {
    std::ofstream(Path(name), std::ios::binary) << bytes;
    return Path(name);
  }

  // Gives entry `index` of memory M the stored name `stored` (8 bytes and 3 of extension), as
  // a player whose directory was written by other software may hold.
  void NameEntry(size_t index, const std::string& stored) {
    std::string text = ReadBytes(Path("player/player.txt"));
    size_t at = 0;
    for (size_t i = 0; i <= index; ++i) at = text.find("slot M ", at) + 7;
    for (char c : stored) {
      text[at++] = "0123456789ABCDEF"[static_cast<unsigned char>(c) >> 4];
      text[at++] = "0123456789ABCDEF"[c & 15];
    }
    WriteFile("player/player.txt", text);
  }

  std::string work_;
};

TEST_F(VorpexFiles, FilesGoThereAndBackAndAreManaged) {
  struct Sample {
    std::string name, listed;
    size_t size;
  };
#ifdef _WIN32
  const std::string wide = "Long name.text";
  const std::string wideListed = "Long nam.tex";
#else
  const std::string wide = "Größe über alles.text";
  const std::string wideListed = "Größe.tex";
#endif
  const std::vector<Sample> samples = {
      {"empty.dat", "empty.dat", 0},
      {"block.bin", "block.bin", 512},
      {"unit.mp3", "unit.mp3", 16385},
      {wide, wideListed, 3 * 1024 * 1024 + 7},
  };
  std::vector<std::string> put = {"put"};
  for (size_t i = 0; i < samples.size(); ++i) {
    put.push_back(WriteFile("pc/" + samples[i].name, Bytes(samples[i].size, static_cast<int>(i))));
  }
  const Outcome stored = Run(put);
  ASSERT_EQ(stored.status, 0) << stored.err;
  EXPECT_THAT(stored.out, HasSubstr("[4/4] " + Path("pc/" + wide) + " -> " + wideListed + "\n"));

  // Both listings show every file with its exact size, in the order stored.
  const Outcome table = Run({"ls", "--bytes"});
  EXPECT_EQ(table.status, 0) << table.err;
  EXPECT_THAT(table.out, StartsWith("memory M: 4 files\n"));
  EXPECT_THAT(table.out, HasSubstr("\nmemory S: 0 files\n"));
  const Outcome json = Run({"ls", "M", "--json"});
  EXPECT_EQ(json.status, 0) << json.err;
  EXPECT_THAT(json.out, HasSubstr("\"memory\": \"M\", \"count\": 4,"));
  std::vector<std::string> get = {"get"};
  for (size_t i = 0; i < samples.size(); ++i) {
    const std::string size = std::to_string(samples[i].size);
    EXPECT_THAT(table.out, HasSubstr(" " + size + "  ")) << samples[i].name;
    EXPECT_THAT(table.out, HasSubstr("  " + samples[i].listed + "\n"));
    EXPECT_THAT(json.out, HasSubstr("{\"index\": " + std::to_string(i) + ", \"name\": \"" +
                                    samples[i].listed + "\", \"size\": " + size + ","));
    get.push_back(i % 2 == 0 ? "M:" + std::to_string(i) : "m:" + samples[i].listed);
  }

  // Back byte for byte, named as on the player.
  get.insert(get.end(), {"-o", Path("back")});
  const Outcome fetched = Run(get);
  ASSERT_EQ(fetched.status, 0) << fetched.err;
  for (size_t i = 0; i < samples.size(); ++i) {
    EXPECT_TRUE(ReadBytes(Path("back/" + samples[i].listed)) == Bytes(samples[i].size, int(i)))
        << samples[i].name;
  }

  // Units of 16384 bytes: 0 + 1 + 2 + 193.
  const Outcome before = Run({"df", "--json"});
  EXPECT_THAT(before.out, HasSubstr("{\"memory\": \"M\", \"size\": 33554432, \"used\": 3211264,"));

  // Entries 0 and 2 go (resolved before either is deleted), named by number and by name.
  const Outcome removed = Run({"rm", "M:0", "M:unit.mp3"});
  EXPECT_EQ(removed.status, 0) << removed.err;
  const Outcome renamed = Run({"mv", "M:BLOCK.BIN", "renamed.raw"});
  EXPECT_EQ(renamed.status, 0) << renamed.err;
  const Outcome left = Run({"ls", "M", "--bytes"});
  EXPECT_THAT(left.out, StartsWith("memory M: 2 files\n   0  "));
  EXPECT_THAT(left.out, HasSubstr("  renamed.raw\n   1  "));
  EXPECT_THAT(left.out, HasSubstr("  " + wideListed + "\n"));

  // Formatting wants --yes without a terminal, and then leaves the memory empty.
  const Outcome asked = Run({"format", "M"});
  EXPECT_EQ(asked.status, 2);
  EXPECT_THAT(asked.err, HasSubstr("--yes is needed"));
  const Outcome formatted = Run({"format", "M", "--yes"});
  EXPECT_EQ(formatted.status, 0) << formatted.err;
  const Outcome after = Run({"df"});
  EXPECT_THAT(after.out, HasSubstr("\nM           32.0M       0 B     32.0M   0%\n"));
}

TEST_F(VorpexFiles, FailuresSayWhatAndChangeNothing) {
  ASSERT_EQ(Run({"put", WriteFile("pc/song.mp3", Bytes(2000, 1))}).status, 0);
  // 13 chunks of 16384 bytes on memory S, for a player that goes away in the middle of them.
  ASSERT_EQ(Run({"put", "--to", "S", WriteFile("pc/long.bin", Bytes(200 * 1024, 4))}).status, 0);
  WriteFile("back/song.mp3", "kept");
  fs::create_directories(Path("not-a-player"));
  WriteFile("not-a-player/player.txt", "a file");
  const std::string big = WriteFile("pc/big.bin", Bytes(40 * 1024 * 1024, 2));
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string message;
  };
  const std::string unplugged =
      "S:long.bin to " + Path("back/song.mp3") +
      " failed: the exchange with the player over USB failed (was it unplugged?)";
  const std::vector<Case> cases = {
      // Unplugged at the 12th bulk transfer: the directory read and the opening are done, five
      // chunks have arrived. Memory S has no room for the second file of a put: neither goes.
      {{"--route", "chip", "--sim-fault", "unplug@transfer=12", "get", "S:0", "-o",
        Path("back/song.mp3")},
       1,
       unplugged},
      {{"--route", "device", "--sim-fault", "unplug@transfer=12", "get", "S:0", "-o",
        Path("back/song.mp3")},
       1,
       unplugged},
      {{"--route", "chip", "put", "--to", "S", WriteFile("pc/one.bin", "1"), big},
       1,
       "memory S needs 40.0 MB, 15.8 MB free: 1 file too many; nothing was copied"},
      {{"--route", "device", "put", "--to", "S", WriteFile("pc/two.bin", "2"), big},
       1,
       "memory S needs 40.0 MB, 15.8 MB free: 1 file too many; nothing was copied"},
      {{"--sim-fault", "unplug@reply=1", "ls"}, 2, "--sim-fault wants"},
      {{"get", "M:7", "-o", Path("back")}, 1, "M:7: memory M has no entry 7 (it holds 1 files)"},
      {{"get", "S:song.mp3"}, 1, "memory S has no file named song.mp3"},
      {{"put", WriteFile("pc/SONG.MP3", "other"), "--name", "SONG.MP3"},
       1,
       "memory M already holds song.mp3 (entry 0)"},
      {{"put", WriteFile("pc/.hidden", "h")}, 1, ".hidden has no name the player can store"},
      {{"put", "--name", "toolong.name", Path("pc/.hidden")}, 1, "is no name the player can"},
      {{"put", Path("pc/missing.mp3")}, 1, "cannot read " + Path("pc/missing.mp3") + ": "},
      {{"get", "M:0", "M:0", "-o", Path("nowhere")}, 1, "the folder " + Path("nowhere")},
      {{"get", "M:0", "-o", Path("nowhere/song.mp3")}, 1, "the folder " + Path("nowhere")},
      {{"rm", "M:0", "M:5"}, 1, "M:5: memory M has no entry 5"},
      {{"mv", "M:0", "x", "y"}, 2, "too many arguments for mv"},
      {{"mv", "M:0", "M:1"}, 1, "\"M:1\" is no name the player can store"},
      {{"mv", "M:0", "a\x1b]0;b"}, 1, "\"a\\x1b]0;b\" is no name the player can store"},
      {{"get", "M:0", "S:0", "-o", "-"}, 1, "-o - writes one file to standard output, not 2"},
#ifndef _WIN32
      {{"put", "/dev/zero"}, 1, "cannot read /dev/zero: is not a regular file"},
#endif
  };
  for (const Case& c : cases) {
    const Outcome outcome = Run(c.args);
    EXPECT_EQ(outcome.status, c.status) << c.args[0] << " " << c.args[1] << ": " << outcome.err;
    EXPECT_THAT(outcome.err, HasSubstr(c.message));
  }
  EXPECT_EQ(ReadText(Path("back/song.mp3")), "kept");
  EXPECT_EQ(std::distance(fs::directory_iterator(Path("back")), {}), 1);  // no partial file
  const Outcome list = Run({"ls", "--bytes"});
  EXPECT_THAT(list.out, StartsWith("memory M: 1 file\n   0  2000  "));
  EXPECT_THAT(list.out, HasSubstr("memory S: 1 file\n"));
  EXPECT_THAT(list.out, Not(HasSubstr("  one.bin\n")));

  // A folder that cannot be a player, and a player whose memory has no room.
  auto notPlayer = platform::RunProgram(Program(), {"--simulate", Path("not-a-player"), "ls"},
                                        Path("out.txt"), Path("err.txt"));
  EXPECT_EQ(notPlayer, 1);
  EXPECT_THAT(ReadText(Path("err.txt")), StartsWith("vorpex: cannot use the simulated player"));
  const Outcome full = Run({"put", big});
  EXPECT_EQ(full.status, 1);
  EXPECT_THAT(full.err, HasSubstr("memory M needs 40.0 MB, 32.0 MB free: 1 file too many"));
  EXPECT_THAT(Run({"ls", "M"}).out, StartsWith("memory M: 1 file\n"));

  // --replace: the one entry of that name now holds the new file, with a second file stored
  // behind it in the same run.
  const Outcome replaced =
      Run({"put", "--replace", Path("pc/SONG.MP3"), WriteFile("pc/next.mp3", Bytes(700, 5))});
  EXPECT_EQ(replaced.status, 0) << replaced.err;
  const Outcome now = Run({"ls", "M", "--bytes"});
  EXPECT_THAT(now.out, StartsWith("memory M: 2 files\n"));
  EXPECT_THAT(now.out, HasSubstr("  5  ")) << now.out;
  EXPECT_THAT(now.out, HasSubstr("  700  ")) << now.out;
  ASSERT_EQ(Run({"get", "M:song.mp3", "-o", Path("back")}).status, 0);
  EXPECT_EQ(ReadBytes(Path("back/SONG.MP3")), "other");  // named as the player now has it
}

// A stored name is input: shown escaped, fetched under a name that stays in the folder asked for
// (the naming is the command's own, the same on either route).
TEST_F(VorpexFiles, NamesFromThePlayerAreShownEscapedAndFetchedInsideTheFolder) {
  ASSERT_EQ(Run({"put", WriteFile("pc/a.bin", "first")}).status, 0);
  ASSERT_EQ(Run({"put", WriteFile("pc/b.bin", "second")}).status, 0);
  fs::create_directories(Path("back/sub"));
  // As stored (8 + 3 bytes, blank-padded), as ls and ls --json show it, as get names it.
  const std::vector<std::array<std::string, 4>> cases = {
      {"../evil txt", "../evil.txt", "../evil.txt", ".._evil.txt"},
      {"..\\x       ", "..\\\\x", "..\\\\x", ".._x"},
      {"C:boot  ini", "C:boot.ini", "C:boot.ini", "C_boot.ini"},
      {"\x1b[2J\x07      ", "\\x1b[2J\\x07", "\\u001b[2J\\u0007", "_[2J_"},
      {"..         ", "..", "..", "_.."},
      {"           ", "", "", "_"},
      {"nul     txt", "nul.txt", "nul.txt", "_nul.txt"},
  };
  for (const auto& [stored, shown, json, local] : cases) {
    NameEntry(0, stored);
    EXPECT_THAT(Run({"ls", "M"}).out, HasSubstr("  " + shown + "\n")) << shown;
    EXPECT_THAT(Run({"ls", "M", "--json"}).out, HasSubstr("\"name\": \"" + json + "\","));
    const Outcome got = Run({"get", "M:0", "-o", Path("back/sub")});
    EXPECT_EQ(got.status, 0) << shown << got.err;
    EXPECT_THAT(got.err, HasSubstr("M:" + shown + " is written as " + local + ": "));
    EXPECT_EQ(ReadBytes(Path("back/sub/" + local)), "first") << shown;
    // Nothing else anywhere in back/: only sub/ and the one file in it.
    EXPECT_EQ(std::distance(fs::recursive_directory_iterator(Path("back")), {}), 2) << shown;
    fs::remove(Path("back/sub/" + local));
  }
  // Two entries that would land on one name: nothing is copied.
  NameEntry(0, "../x       ");
  NameEntry(1, "..\\x       ");
  const Outcome both = Run({"get", "M:0", "M:1", "-o", Path("back/sub")});
  EXPECT_EQ(both.status, 1);
  EXPECT_THAT(both.err, HasSubstr("M:..\\\\x and M:../x would both be written to .._x"));
  EXPECT_TRUE(fs::is_empty(Path("back/sub")));
  // -o -: the bytes alone on standard output.
  EXPECT_EQ(Run({"get", "M:1", "-o", "-"}).status, 0);
  EXPECT_EQ(ReadBytes(Path("out.txt")), "second");
}

// The mark a replaced file keeps: the hidden attribute on Windows, mode 0600 on Linux. Sets it
// when `set`; tells whether `path` has it.
#ifdef _WIN32
bool Marked(const std::string& path, bool set = false) {
  if (set) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN);
  return (GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_HIDDEN) != 0;
}
#else
bool Marked(const std::string& path, bool set = false) {
  const fs::perms mark = fs::perms::owner_read | fs::perms::owner_write;
  if (set) fs::permissions(path, mark);
  return fs::status(path).permissions() == mark;
}
#endif

// What the user named keeps its kind, permissions and links: only the contents change. Both
// routes receive through the same code, so the default one stands for both.
TEST_F(VorpexFiles, GetChangesOnlyTheContentsOfWhatItWritesTo) {
  ASSERT_EQ(Run({"put", WriteFile("pc/song.mp3", "new contents")}).status, 0);
  Marked(WriteFile("back/dest", "old"), true);
  Marked(WriteFile("back/target.mp3", "old"), true);
  // What get writes to, and the file that then holds the contents.
  std::vector<std::pair<std::string, std::string>> cases = {{"dest", "dest"}};
#ifndef _WIN32
  cases.emplace_back("link", "target.mp3");
  fs::create_symlink("target.mp3", Path("back/link"));
  // A link to a full disk of the test's own (made as /dev/full is; root only), so that a fault
  // here replaces nothing outside the test: written into in place, which fails.
  if (::mknod(Path("back/full").c_str(), S_IFCHR | 0666, makedev(1, 7)) == 0) {
    cases.emplace_back("device", "");
    fs::create_symlink("full", Path("back/device"));
  }
#endif
  for (const auto& [dest, target] : cases) {
    const Outcome got = Run({"get", "M:0", "-o", Path("back/" + dest)});
    EXPECT_EQ(got.status, target.empty() ? 1 : 0) << dest << got.err;
    EXPECT_EQ(fs::is_symlink(Path("back/" + dest)), dest != "dest") << dest;
    if (target.empty()) continue;
    EXPECT_EQ(ReadBytes(Path("back/" + target)), "new contents") << dest;
    EXPECT_TRUE(Marked(Path("back/" + target))) << dest;
  }
}

// The device library's route: the same copies and listings, formats of every kind, no rename.
TEST_F(VorpexFiles, TheDeviceRouteCopiesListsDeletesAndFormats) {
  const std::vector<size_t> sizes = {0, 512, 16385, 2 * 1024 * 1024 + 3};
  const std::vector<std::string> names = {"f0.bin", "f1.bin", "f2.bin", "f3.bin"};
  std::vector<std::string> put = {"--route", "device", "put"};
  std::vector<std::string> get = {"--route", "device", "get", "-o", Path("back")};
  for (size_t i = 0; i < sizes.size(); ++i) {
    const std::string& name = names[i];
    put.push_back(WriteFile("pc/" + name, Bytes(sizes[i], static_cast<int>(i))));
    get.push_back("M:" + name);
  }
  const Outcome stored = Run(put);
  ASSERT_EQ(stored.status, 0) << stored.err;
  const Outcome json = Run({"--route", "device", "ls", "--json"});
  EXPECT_EQ(json.status, 0) << json.err;
  for (size_t i = 0; i < sizes.size(); ++i) {
    std::string entry = "{\"index\": ";
    entry += std::to_string(i);
    entry += ", \"name\": \"";
    entry += names[i];
    entry += "\", \"size\": ";
    entry += std::to_string(sizes[i]);
    EXPECT_THAT(json.out, HasSubstr(entry + ","));
  }
  ASSERT_EQ(Run(get).status, 0);
  for (size_t i = 0; i < sizes.size(); ++i) {
    EXPECT_TRUE(ReadBytes(Path("back/" + names[i])) == Bytes(sizes[i], static_cast<int>(i))) << i;
  }

  const Outcome removed = Run({"--route", "device", "rm", "M:3", "M:f1.bin"});
  EXPECT_EQ(removed.status, 0) << removed.err;
  const Outcome left = Run({"--route", "device", "ls", "M", "--bytes"});
  EXPECT_THAT(left.out, StartsWith("memory M: 2 files\n"));
  EXPECT_THAT(left.out, HasSubstr("  f0.bin\n"));
  EXPECT_THAT(left.out, HasSubstr("  f2.bin\n"));

  const Outcome renamed = Run({"--route", "device", "mv", "M:0", "x.bin"});
  EXPECT_EQ(renamed.status, 1);
  EXPECT_THAT(renamed.err, HasSubstr("cannot rename files; --route chip can"));
  const Outcome mp3 = Run({"--route", "chip", "format", "M", "--kind", "mp3", "--yes"});
  EXPECT_EQ(mp3.status, 1);
  const Outcome formatted = Run({"--route", "device", "format", "M", "--kind", "mp3", "--yes"});
  EXPECT_EQ(formatted.status, 0) << formatted.err;
  EXPECT_THAT(Run({"--route", "device", "ls", "M"}).out, StartsWith("memory M: 0 files\n"));
  EXPECT_THAT(ReadText(Path("player/player.txt")), HasSubstr("\nmemory M 2048 C\n"));
}

// MPEG-1 Layer III frames of 128 kbit/s at 44100 Hz, 417 bytes each, as many as asked for.
std::string MpegFrames(size_t frames) {
  std::string frame(417, '\x55');
  frame.replace(0, 4, std::string("\xFF\xFB\x90\x00", 4));
  std::string bytes;
  for (size_t i = 0; i < frames; ++i) bytes += frame;
  return bytes;
}

// Short names that are taken get the next NAME~N form, on the player and within one command;
// sync copies only what is new, deletes with --delete, and plans before it copies anything.
TEST_F(VorpexFiles, TakenShortNamesAreNumberedAndSyncCopiesWhatIsNew) {
  const Outcome put = Run({"put", WriteFile("pc/Artist - Zero.mp3", MpegFrames(3)),
                           WriteFile("pc/Artist - Zed.mp3", MpegFrames(4))});
  ASSERT_EQ(put.status, 0) << put.err;
  EXPECT_THAT(put.out, HasSubstr("Zed.mp3 -> Artist~1.mp3 (Artist -.mp3 is taken)\n"));
  fs::create_directories(Path("music/a/deeper"));
  fs::create_directories(Path("music/b"));
  WriteFile("music/a/Artist - One.mp3", MpegFrames(5));
  WriteFile("music/a/deeper/Artist - Two.mp3", MpegFrames(6));
  WriteFile("music/b/notes.txt", "no music");
  struct Step {
    std::vector<std::string> args;
    int status;
    std::vector<std::string> said;  // on standard output, or standard error when it failed
    std::string listed;             // how ls M --bytes then begins
  };
  const std::vector<Step> steps = {
      {{"--dry-run"},
       0,
       {"-> Artist~2.mp3 (Artist -.mp3 is taken)\n", "2 files to copy"},
       "memory M: 2 files\n"},
      {{},
       0,
       {"Two.mp3 -> Artist~3.mp3", "skipped 1 file that is no MPEG audio"},
       "memory M: 4 files\n"},
      {{}, 0, {"0 files to copy (0.0 MB), 2 there already;"}, "memory M: 4 files\n"},
      {{"--delete", "--all"},
       0,
       {"delete M:Artist -.mp3\n", "delete M:Artist~1.mp3\n"},
       "memory M: 3 files\n"},
      {{"--route", "device", "--to", "S"}, 0, {"synced: 2 files copied"}, "memory M: 3 files\n"},
      {{"--to", "S"}, 0, {"2 there already"}, "memory M: 3 files\n"},
  };
  for (const Step& step : steps) {
    std::vector<std::string> args = {"sync", Path("music")};
    args.insert(args.end(), step.args.begin(), step.args.end());
    const Outcome synced = Run(args);
    EXPECT_EQ(synced.status, step.status) << synced.err;
    for (const std::string& text : step.said) {
      EXPECT_THAT(step.status == 0 ? synced.out : synced.err, HasSubstr(text));
    }
    EXPECT_THAT(Run({"ls", "M", "--bytes"}).out, StartsWith(step.listed)) << args.back();
  }
  ASSERT_EQ(Run({"get", "M:Artist~3.mp3", "-o", Path("back")}).status, 0);
  EXPECT_TRUE(ReadBytes(Path("back/Artist~3.mp3")) == MpegFrames(6));

  // 253 more files make 257 entries: refused before anything is copied.
  fs::create_directories(Path("many"));
  for (int i = 0; i < 254; ++i) WriteFile("many/f" + std::to_string(i), "");
  const Outcome many = Run({"sync", Path("many"), "--all"});
  EXPECT_EQ(many.status, 1);
  EXPECT_THAT(many.err, HasSubstr("memory M would hold 257 files, 256 at most: 1 file too many; "
                                  "nothing was copied"));
  EXPECT_THAT(Run({"ls", "M"}).out, StartsWith("memory M: 3 files\n"));
}

#ifndef _WIN32
// Ctrl-C, or any other interrupt, in the middle of a slow copy: the copy is cancelled like the
// window's Cancel.
TEST_F(VorpexFiles, CtrlCCancelsACopy) {
  const std::string big = WriteFile("pc/big.bin", Bytes(4 * 1024 * 1024, 3));
  ASSERT_EQ(Run({"put", big}).status, 0);
  WriteFile("back/big.bin", "kept");
  struct Case {
    std::vector<std::string> args;
    std::string message;
    int signal = SIGINT;  // the others take the same path: a request to terminate stands for them
  };
  const std::vector<Case> cases = {
      {{"put", big, "--to", "S"}, "the player keeps nothing of it"},
      {{"get", "M:0", "-o", Path("back")}, "no partial file is left"},
      {{"--route", "device", "put", big, "--to", "S"}, "the player keeps nothing of it"},
      {{"--route", "device", "get", "M:0", "-o", Path("back")}, "no partial file is left"},
      {{"get", "M:0", "-o", Path("back")}, "no partial file is left", SIGTERM},
      {{"sync", Path("pc"), "--all", "--to", "S"}, "the player keeps nothing of it; 0 files"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {Program(), "--simulate", Path("player"), "--sim-slow", "40"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    fs::remove(Path("out.txt"));
    const pid_t child = fork();
    if (child == 0) {
      if (std::freopen(Path("out.txt").c_str(), "w", stdout) == nullptr ||
          std::freopen(Path("err.txt").c_str(), "w", stderr) == nullptr) {
        _exit(127);
      }
      std::vector<char*> argv;
      argv.reserve(args.size() + 1);
      for (std::string& arg : args) argv.push_back(arg.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    // Ctrl-C once the copy's progress window is open (its first line is out), however slowly
    // the program started.
    auto started = [&] {
      const std::string out = ReadText(Path("out.txt"));
      return out.find("load") != std::string::npos || out.find("Syncing") != std::string::npos;
    };
    for (int wait = 0; wait < 200 && !started(); ++wait) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    kill(child, c.signal);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 128 + c.signal) << c.args[0] << " " << c.args[1];
    EXPECT_THAT(ReadText(Path("err.txt")), HasSubstr("was cancelled; " + c.message));
  }
  EXPECT_EQ(ReadText(Path("back/big.bin")), "kept");
  EXPECT_EQ(std::distance(fs::directory_iterator(Path("back")), {}), 1);
  EXPECT_THAT(Run({"ls", "S"}).out, StartsWith("memory S: 0 files\n"));
  // A new sync copies what the cancelled one did not.
  EXPECT_EQ(Run({"sync", Path("pc"), "--all", "--to", "S"}).status, 0);
  EXPECT_THAT(Run({"ls", "S"}).out, StartsWith("memory S: 1 file\n"));
}
#endif

}  // namespace
