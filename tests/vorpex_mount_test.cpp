// vorpex mount as its users use it: a simulated player mounted for real, driven with cp, rsync,
// mv, rm and df in a shell, and looked at again through vorpex after the unmount.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/child_process.h"
#include "platform/process.h"

namespace {

namespace fs = std::filesystem;
using namespace vorpex;

struct Step {
  const char* script;  // sh -c, with $V the program, $P its simulated player, $W the test folder
  int status;          // of the script
  const char* shows;   // in what it printed (standard output and error), or empty
  const char* absent;  // not in what it printed, or empty
};

class VorpexMount : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists("/dev/fuse")) GTEST_SKIP() << "/dev/fuse is missing: no FUSE mount here";
    if (!fs::exists("/usr/bin/fusermount3") && !fs::exists("/bin/fusermount3")) {
      GTEST_SKIP() << "fusermount3 is missing (Debian package fuse3)";
    }
    work_ = std::string(VORPEX_TEST_TMP) + "/vorpex-mount-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name();
    Run("fusermount3 -u -q $W/mnt 2>/dev/null; rm -rf $W");
    fs::create_directories(work_ + "/mnt");
    fs::create_directories(work_ + "/music");
    fs::create_directories(work_ + "/more");
    Write("music/one.mp3", 40000, 1);
    Write("music/Long Name Song.mp3", 70000, 2);
    Write("music/Long Name Other.mp3", 30000, 5);
    Write("more/three.mp3", 100000, 3);
    Write("big.bin", 2000000, 4);
  }
  void TearDown() override {
    if (!work_.empty()) Run("fusermount3 -u -q $W/mnt 2>/dev/null");
  }

  void Write(const std::string& name, size_t size, int seed) const {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + seed + i / 251);
    std::ofstream(work_ + "/" + name, std::ios::binary) << bytes;
  }

  // The script's exit status and what it printed.
  std::pair<int, std::string> Run(const std::string& script) const {
    const std::string program =
        platform::ProgramFolder().value_or(".") + "/" + VORPEX_PROGRAM_FILE_NAME;
    const std::string full = "V=" + program + "; W=" + work_ + "; P=$W/player; " + script;
    const std::string out = work_ + ".out";
    const auto status =
        platform::RunProgram("/bin/sh", {"-c", "{ " + full + "; } 2>&1"}, out, out + "2");
    std::ifstream in(out, std::ios::binary);
    return {status.value_or(-1), std::string(std::istreambuf_iterator<char>(in), {})};
  }

  void RunSteps(const std::vector<Step>& steps) const {
    for (const Step& step : steps) {
      const auto [status, said] = Run(step.script);
      EXPECT_EQ(status, step.status) << step.script << "\n" << said;
      EXPECT_THAT(said, ::testing::HasSubstr(step.shows)) << step.script;
      if (*step.absent != '\0') {
        EXPECT_THAT(said, ::testing::Not(::testing::HasSubstr(step.absent))) << step.script;
      }
    }
  }

  std::string work_;
};

TEST_F(VorpexMount, FilesGoInAndOutAsWithAnyFolder) {
  RunSteps({
      {"$V sim init $P --capacity-m 64 --capacity-s 0", 0, "", ""},
      {"$V --simulate $P mount $W/mnt", 0, "vorpex unmount", ""},
      {"ls $W/mnt", 0, "M", "S"},
      {"$V --simulate $P ls", 1, "the player is mounted at", ""},
      {"$V --simulate $P mount $W/more", 1, "the player is mounted at", ""},
      {"cp -r $W/music/. $W/mnt/M/ && ls $W/mnt/M", 0, "Long Name Song.mp3", ""},
      {"mkdir $W/back && cp -r $W/mnt/M/. $W/back/ && cmp $W/music/one.mp3 $W/back/one.mp3 && "
       "cmp \"$W/music/Long Name Song.mp3\" \"$W/mnt/M/Long Name Song.mp3\" && "
       "cmp \"$W/music/Long Name Other.mp3\" \"$W/mnt/M/Long Name Other.mp3\" && echo same",
       0, "same", ""},
      {"rsync -r $W/more/ $W/mnt/M/ && cmp $W/more/three.mp3 $W/mnt/M/three.mp3 && ls $W/mnt/M", 0,
       "three.mp3", ".three"},
      {"mv $W/mnt/M/one.mp3 $W/mnt/M/uno.mp3 && cmp $W/music/one.mp3 $W/mnt/M/uno.mp3 && ls "
       "$W/mnt/M",
       0, "uno.mp3", "one.mp3"},
      {"rm $W/mnt/M/uno.mp3 && ls $W/mnt/M", 0, "three.mp3", "uno.mp3"},
      {"df -B 16384 $W/mnt/M | tail -n 1", 0, " 64 ", ""},
      {"cp $W/big.bin $W/mnt/M/", 1, "No space left on device", ""},
      {"ls $W/mnt/M", 0, "three.mp3", "big.bin"},
      {"$V --simulate $P unmount $W/mnt && $V --simulate $P ls M", 0, "Long N~1.mp3", "big.bin"},
  });
}

TEST_F(VorpexMount, AnUnpluggedPlayerFailsEveryAccess) {
  RunSteps({
      {"$V sim init $P", 0, "", ""},
      {"$V --simulate $P --sim-fault unplug@out=3 mount $W/mnt", 0, "vorpex unmount", ""},
      {"ls $W/mnt", 0, "S", ""},
      {"cp $W/music/one.mp3 $W/mnt/M/", 1, "Input/output error", ""},
      {"ls $W/mnt/M", 2, "Input/output error", ""},
      {"cat $W/mnt/S/x", 1, "Input/output error", ""},
      {"$V --simulate $P unmount $W/mnt", 0, "", ""},
  });
}

}  // namespace
