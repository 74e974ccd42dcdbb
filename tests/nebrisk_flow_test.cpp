// The upgrade window's flows end to end: a recording window, the real binder loading the device
// library and the chip library from beside the program, and a simulated player on virtual time.
// Every test works on its own copy of the sample upgrade package.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "VORPEXUSB.h"
#include "app/startup.h"
#include "app/upgrade_presenter.h"
#include "platform/clock.h"
#include "platform/process.h"
#include "playersim.h"
#include "protocol/sample_image.h"
#include "support/recording_ui.h"
#include "support/recording_view.h"
#include "support/sim_player.h"

namespace vorpex::app {
namespace {

namespace fs = std::filesystem;
using test::RecordingUi;
using test::RecordingView;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

const std::string kCable = std::string("box[]:") + kCableWarning;
const std::string kBootDone = std::string("box:") + kBootDoneBox;
const std::string kMainDone = std::string("box:") + kMainDoneBox;
const std::string kNoPlayer = std::string("box!:") + kPlayerMissing;
const std::string kNoFile = std::string("box!:") + kFileMissing;

// The sample package's images, as its HEX files describe them: the sample mark, then byte k is
// (k * step + seed) & 255.
std::vector<uint8_t> SampleImage(size_t size, unsigned seed, unsigned step) {
  std::vector<uint8_t> image(protocol::kSampleImageMark.begin(), protocol::kSampleImageMark.end());
  for (size_t k = image.size(); k < size; ++k)
    image.push_back(static_cast<uint8_t>(k * step + seed));
  return image;
}
const std::vector<uint8_t> kBootImage = SampleImage(4096, 17, 7);
const std::vector<uint8_t> kCodecImage = SampleImage(6144, 91, 13);

std::vector<uint8_t> Area(int32_t area) {
  std::vector<uint8_t> bytes(1 << 16);
  bytes.resize(PlayerSim_ReadArea(area, bytes.data(), static_cast<uint32_t>(bytes.size())));
  return bytes;
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class NebriskFlow : public ::testing::Test {
 protected:
  void SetUp() override {
    setup_ = std::get<ProgramSetup>(PrepareProgram(StartOptions{}));
    const fs::path bin = *platform::ProgramFolder();
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    std::replace(name.begin(), name.end(), '/', '_');
    folder_ = fs::absolute(fs::path(VORPEX_TEST_TMP) / "flow" / name);
    program_ = folder_ / "program";
    fs::remove_all(folder_);
    fs::create_directories(program_);
    fs::copy_file(bin / "CodecFileInfo.ini", program_ / "CodecFileInfo.ini");
    fs::copy(bin / "BootCodec", program_ / "BootCodec", fs::copy_options::recursive);
    settingsAtStart_ = Settings();

    ASSERT_TRUE(vorpex::test::AttachFreshPlayer("flow"));
    PlayerSim_UseVirtualTime(1);
    platform::UseVirtualClock(1000, platform::LocalTime{2024, 1, 1, 1, 0, 0, 0, 0});
    binder_.emplace(setup_.deviceLibrary, setup_.chipLibrary);
    presenter_.emplace(view_, *binder_, PackageIn(program_.string()));
  }
  void TearDown() override {
    // A flow that stopped at the file check leaves the connection open.
    if (binder_ && !binder_->Bind()) binder_->Close(0);
    presenter_.reset();
    binder_.reset();
    platform::UseRealClock();
    PlayerSim_ClearFaults();
    PlayerSim_UseVirtualTime(0);
    PlayerSim_Detach();
    if (!HasFailure()) fs::remove_all(folder_);
  }

  std::string Settings() const { return ReadText(program_ / "CodecFileInfo.ini"); }
  void SetBootState(const std::string& state) {
    std::string text = settingsAtStart_;
    text.replace(text.find("BOOT UPGRADE=0"), 14, "BOOT UPGRADE=" + state);
    std::ofstream(program_ / "CodecFileInfo.ini", std::ios::binary) << text;
  }
  std::string Firmware(const std::string& name) const {
    return PackageIn(program_.string()).firmwareFolder + name;
  }
  bool BootOn() const { return view_.Enabled(UpgradeButton::kBootUp); }
  bool MainOn() const { return view_.Enabled(UpgradeButton::kFwUp); }

  ProgramSetup setup_;
  fs::path folder_;  // the test's own: the program folder and the player's state
  fs::path program_;
  std::string settingsAtStart_;
  RecordingUi ui_;  // the libraries' message boxes and progress window
  RecordingView view_;
  std::optional<LibraryBinder> binder_;
  std::optional<UpgradePresenter> presenter_;
  int windowPumps_ = 0;
};

// --- every outcome of both flows, from every boot state ---

enum class Flow { kBoot, kMain };
enum class Outcome { kDone, kNoPlayer, kNoFile, kFailed };

struct Row {
  const char* bootState;
  Flow flow;
  Outcome outcome;
  std::vector<std::string> boxes;  // the window's own message boxes, in order
  bool bootOnAfter, mainOnAfter;
};

std::ostream& operator<<(std::ostream& out, const Row& row) {
  const char* outcomes[] = {"done", "no player", "no file", "failed"};
  return out << (row.flow == Flow::kBoot ? "boot" : "main") << " flow, boot state " << row.bootState
             << ", " << outcomes[static_cast<int>(row.outcome)];
}

// The buttons at start: enabled states by boot state, and whether they carry captions.
struct StartState {
  bool bootOn, mainOn, captioned;
};
StartState StartFor(const std::string& bootState) {
  if (bootState == "0" || bootState == "3") return {true, false, true};
  if (bootState == "1" || bootState == "2") return {false, true, true};
  if (bootState == "4") return {true, true, true};
  return {true, true, false};
}

class FlowRow : public NebriskFlow, public ::testing::WithParamInterface<Row> {};

TEST_P(FlowRow, ShowsWritesAndEnablesAsTheTableSays) {
  const Row& row = GetParam();
  const bool boot = row.flow == Flow::kBoot;
  SetBootState(row.bootState);
  const std::string before = Settings();
  // Start-up is the same whether the player is there or not.
  if (row.outcome == Outcome::kNoPlayer) PlayerSim_SetFault(PLAYERSIM_FAULT_UNPLUG, 1);
  if (row.outcome == Outcome::kNoFile) {
    fs::remove(program_ / "BootCodec" / (boot ? "SampleBoot.hex" : "SampleCodec.hex"));
  }
  if (row.outcome == Outcome::kFailed) {
    if (boot) {
      // Cut short at a line end: every record but the end-of-file one is there.
      std::string hex = ReadText(program_ / "BootCodec" / "SampleBoot.hex");
      hex.erase(hex.rfind(":00000001FF"));
      std::ofstream(program_ / "BootCodec" / "SampleBoot.hex", std::ios::binary) << hex;
    } else {
      // The player goes away just before the upgrade call (the window's first pump).
      view_.onPump = [this] {
        if (++windowPumps_ == 1) PlayerSim_SetFault(PLAYERSIM_FAULT_UNPLUG, 1);
      };
    }
  }

  presenter_->Load();
  const StartState start = StartFor(row.bootState);
  EXPECT_EQ(view_.Caption(UpgradeButton::kBootUp), start.captioned ? "Boot Upgrade to 1.00" : "");
  EXPECT_EQ(view_.Caption(UpgradeButton::kFwUp), start.captioned ? "Main Upgrade to 1.00" : "");
  EXPECT_EQ(BootOn(), start.bootOn);
  EXPECT_EQ(MainOn(), start.mainOn);
  EXPECT_TRUE(view_.log.empty());
  EXPECT_EQ(PlayerSim_LogCount(), 0u);  // start-up does not touch the player

  if (boot) {
    presenter_->OnBootUpClick();
  } else {
    presenter_->OnFwUpClick();
  }

  // A firmware file cut short is told in plain words, after the boxes of the row.
  std::vector<std::string> boxes = view_.Boxes();
  std::string plainReason;
  if (boot && row.outcome == Outcome::kFailed && !boxes.empty()) {
    plainReason = boxes.back();
    boxes.pop_back();
  }
  EXPECT_THAT(boxes, ElementsAreArray(row.boxes));
  EXPECT_EQ(BootOn(), row.bootOnAfter);
  EXPECT_EQ(MainOn(), row.mainOnAfter);
  EXPECT_FALSE(presenter_->IsUpgrading());
  EXPECT_EQ(PlayerSim_Violations(), 0u);

  const bool called = row.outcome == Outcome::kDone || row.outcome == Outcome::kFailed;
  // Only a completed boot-code flow from boot state 0 records the boot code.
  std::string expected = before;
  if (boot && row.outcome == Outcome::kDone && std::string(row.bootState) == "0") {
    expected.replace(expected.find("BOOT UPGRADE=0"), 14, "BOOT UPGRADE=1");
  }
  EXPECT_EQ(Settings(), expected);

  if (row.outcome == Outcome::kDone) {
    EXPECT_EQ(Area(boot ? 0 : 1), boot ? kBootImage : kCodecImage);
    EXPECT_TRUE(Area(boot ? 1 : 0).empty());
    EXPECT_TRUE(ui_.boxes.empty());
    EXPECT_EQ(view_.status, kCompleted);
  } else {
    EXPECT_TRUE(Area(0).empty());
    EXPECT_TRUE(Area(1).empty());
  }
  if (!called) {
    // A flow that stops at a check leaves the status line as it was, and no window opens.
    EXPECT_THAT(view_.log, ElementsAreArray(row.boxes));
    EXPECT_TRUE(ui_.windows.empty());
  }
  if (row.outcome == Outcome::kDone) {
    // The library's progress window belongs to the upgrade window and shows the path given.
    ASSERT_EQ(ui_.windows.size(), 1u);
    const test::RecordedWindow& progress = *ui_.windows[0];
    EXPECT_EQ(progress.caption, boot ? "Boot Code Upgrade" : "Codec Upgrade");
    EXPECT_EQ(progress.owner, view_.OwnerWindow());
    EXPECT_EQ(progress.statuses.back(), Firmware(boot ? "SampleBoot.hex" : "SampleCodec.hex"));
  }
  if (called) {
    for (const auto& window : ui_.windows) EXPECT_FALSE(window->open);
    // The connection is closed after the upgrade call, whatever it returned.
    EXPECT_EQ(PlayerSim_Vizu10Handles(), 0u);
  }
  if (row.outcome == Outcome::kNoFile) {
    EXPECT_GT(PlayerSim_Vizu10Handles(), 0u);  // the check opened it; nothing closes it
  }
  if (row.outcome == Outcome::kFailed) {
    // The reason is shown as the chip library shows its errors, once; never a completion box.
    EXPECT_EQ(view_.status, kFailed);
    const int32_t code = VORPEX_GetError();
    const uint32_t windowsError = VORPEX_GetWindowsError();
    if (boot) {
      // A HEX file that does not convert never reaches the player: no window, nothing sent.
      EXPECT_EQ(code, 6);
      EXPECT_EQ(windowsError, 13u);  // invalid data
      EXPECT_TRUE(ui_.windows.empty());
      EXPECT_TRUE(ui_.boxes.empty());
      EXPECT_NE(plainReason.find("SampleBoot.hex ends without its end-of-file record: it was "
                                 "cut short."),
                std::string::npos)
          << plainReason;
      return;
    }
    EXPECT_EQ(code, 4);  // the player went away during the upgrade
    EXPECT_EQ(ui_.windows.size(), 1u);
    ASSERT_EQ(ui_.boxes.size(), 1u);
    VORPEX_DispError(code, windowsError);
    ASSERT_EQ(ui_.boxes.size(), 2u);
    EXPECT_EQ(ui_.boxes[0].text, ui_.boxes[1].text);
    EXPECT_EQ(ui_.boxes[0].caption, ui_.boxes[1].caption);
  }
}

const std::vector<std::string> kNone;

INSTANTIATE_TEST_SUITE_P(
    BootCodeFlow, FlowRow,
    ::testing::Values(Row{"0", Flow::kBoot, Outcome::kDone, {kCable, kBootDone}, false, true},
                      Row{"1", Flow::kBoot, Outcome::kDone, {kCable, kBootDone}, false, true},
                      Row{"2", Flow::kBoot, Outcome::kDone, {kCable, kBootDone}, false, true},
                      Row{"7", Flow::kBoot, Outcome::kDone, {kCable, kBootDone}, false, true},
                      Row{"3", Flow::kBoot, Outcome::kDone, {kCable, kMainDone}, false, false},
                      Row{"4", Flow::kBoot, Outcome::kDone, kNone, false, false},
                      Row{"0", Flow::kBoot, Outcome::kNoPlayer, {kCable, kNoPlayer}, false, false},
                      Row{"4", Flow::kBoot, Outcome::kNoPlayer, {kNoPlayer}, false, false},
                      Row{"0", Flow::kBoot, Outcome::kNoFile, {kCable, kNoFile}, false, false},
                      // A failed upgrade leaves the boot button for another try.
                      Row{"0", Flow::kBoot, Outcome::kFailed, {kCable}, true, false},
                      Row{"4", Flow::kBoot, Outcome::kFailed, kNone, true, false}));

INSTANTIATE_TEST_SUITE_P(
    MainFirmwareFlow, FlowRow,
    ::testing::Values(Row{"0", Flow::kMain, Outcome::kDone, {kCable, kMainDone}, false, true},
                      Row{"1", Flow::kMain, Outcome::kDone, {kCable, kMainDone}, false, true},
                      Row{"2", Flow::kMain, Outcome::kDone, {kCable, kMainDone}, false, true},
                      Row{"3", Flow::kMain, Outcome::kDone, {kCable, kMainDone}, false, true},
                      Row{"7", Flow::kMain, Outcome::kDone, {kCable, kMainDone}, false, true},
                      Row{"4", Flow::kMain, Outcome::kDone, kNone, false, true},
                      Row{"1", Flow::kMain, Outcome::kNoPlayer, {kCable, kNoPlayer}, false, true},
                      Row{"1", Flow::kMain, Outcome::kNoFile, {kCable, kNoFile}, false, true},
                      Row{"1", Flow::kMain, Outcome::kFailed, {kCable}, false, true},
                      Row{"4", Flow::kMain, Outcome::kFailed, kNone, false, true}));

// --- the sample package as a user meets it ---

TEST_F(NebriskFlow, SamplePackageLeadsFromBootCodeToMainFirmware) {
  presenter_->Load();
  presenter_->OnBootUpClick();
  EXPECT_THAT(Settings(), HasSubstr("BOOT UPGRADE=1\r\n"));
  EXPECT_EQ(Area(0), kBootImage);
  ASSERT_TRUE(MainOn());

  // The next click reads boot state 1, so the cable warning comes again.
  view_.log.clear();
  presenter_->OnFwUpClick();
  EXPECT_THAT(view_.Boxes(), ElementsAre(kCable, kMainDone));
  EXPECT_EQ(Area(0), kBootImage);
  EXPECT_EQ(Area(1), kCodecImage);
  EXPECT_EQ(ui_.windows.size(), 2u);
  EXPECT_TRUE(ui_.boxes.empty());
  EXPECT_FALSE(BootOn());
  EXPECT_TRUE(MainOn());
  EXPECT_EQ(PlayerSim_Vizu10Handles(), 0u);
}

TEST_F(NebriskFlow, AConnectionLeftOpenByAMissingFileServesTheNextClick) {
  presenter_->Load();
  fs::rename(program_ / "BootCodec" / "SampleCodec.hex", program_ / "codec.hex");
  presenter_->OnFwUpClick();
  EXPECT_THAT(view_.Boxes(), ElementsAre(kCable, kNoFile));
  fs::rename(program_ / "codec.hex", program_ / "BootCodec" / "SampleCodec.hex");
  view_.log.clear();
  presenter_->OnFwUpClick();
  EXPECT_THAT(view_.Boxes(), ElementsAre(kCable, kMainDone));
  EXPECT_EQ(Area(1), kCodecImage);
  EXPECT_EQ(PlayerSim_Vizu10Handles(), 0u);
}

// --- the close guard ---

TEST_F(NebriskFlow, TheWindowRefusesToCloseWhileTheLibraryWorks) {
  presenter_->Load();
  std::vector<bool> closeAllowed;
  auto ask = [&] { closeAllowed.push_back(presenter_->OnCloseRequest()); };
  view_.onPump = ask;
  ui_.onPump = [&] {
    ask();
    presenter_->OnFwUpClick();  // a click that reaches the window now starts nothing
  };
  presenter_->OnBootUpClick();
  ASSERT_GT(closeAllowed.size(), 2u);  // the window's two pumps and the library's
  EXPECT_THAT(closeAllowed, ::testing::Each(false));
  EXPECT_EQ(ui_.windows.size(), 1u);
  EXPECT_TRUE(Area(1).empty());
  EXPECT_TRUE(presenter_->OnCloseRequest());
}

// --- a settings file without a boot state ---

TEST_F(NebriskFlow, AMissingSettingsFileIsNamedAndAClickAfterItIsMendedWorks) {
  fs::rename(program_ / "CodecFileInfo.ini", program_ / "saved.ini");
  presenter_->Load();
  ASSERT_EQ(view_.Boxes().size(), 1u);
  EXPECT_THAT(view_.Boxes()[0], HasSubstr("BOOT UPGRADE"));
  EXPECT_THAT(view_.Boxes()[0], HasSubstr((program_ / "CodecFileInfo.ini").string()));
  EXPECT_TRUE(BootOn());
  EXPECT_TRUE(MainOn());

  view_.log.clear();
  presenter_->OnBootUpClick();
  ASSERT_EQ(view_.Boxes().size(), 1u);
  EXPECT_THAT(view_.Boxes()[0], HasSubstr("BOOT UPGRADE"));
  EXPECT_EQ(PlayerSim_LogCount(), 0u);
  EXPECT_TRUE(BootOn());
  EXPECT_TRUE(presenter_->OnCloseRequest());
  EXPECT_FALSE(fs::exists(program_ / "CodecFileInfo.ini"));  // nothing was written

  // Once the file is back, the click takes its names and versions and upgrades.
  fs::rename(program_ / "saved.ini", program_ / "CodecFileInfo.ini");
  view_.log.clear();
  presenter_->OnBootUpClick();
  EXPECT_THAT(view_.Boxes(), ElementsAre(kCable, kBootDone));
  EXPECT_EQ(view_.Caption(UpgradeButton::kBootUp), "Boot Upgrade to 1.00");
  EXPECT_EQ(Area(0), kBootImage);
  EXPECT_THAT(Settings(), HasSubstr("BOOT UPGRADE=1\r\n"));
}

TEST_F(NebriskFlow, ANonNumericBootStateIsNamedAtEveryClick) {
  SetBootState("zero");
  presenter_->Load();
  EXPECT_EQ(view_.Caption(UpgradeButton::kBootUp), "Boot Upgrade to 1.00");
  SetBootState("0");
  std::string mended = Settings();
  SetBootState("zero");
  view_.log.clear();
  presenter_->OnFwUpClick();
  ASSERT_EQ(view_.Boxes().size(), 1u);
  EXPECT_THAT(view_.Boxes()[0], HasSubstr("BOOT UPGRADE"));
  EXPECT_TRUE(Area(1).empty());

  std::ofstream(program_ / "CodecFileInfo.ini", std::ios::binary) << mended;
  view_.log.clear();
  presenter_->OnBootUpClick();
  EXPECT_THAT(view_.Boxes(), ElementsAre(kCable, kBootDone));
  EXPECT_EQ(Area(0), kBootImage);
  EXPECT_THAT(Settings(), HasSubstr("BOOT UPGRADE=1\r\n"));
}

// --- a device library that cannot be bound ---

TEST_F(NebriskFlow, AMissingDeviceLibraryIsNamedAndTheButtonsStayUsable) {
  const std::string absent =
      (program_ / "absent" / fs::path(setup_.deviceLibrary).filename()).string();
  LibraryBinder missing(absent, setup_.chipLibrary);
  UpgradePresenter presenter(view_, missing, PackageIn(program_.string()));
  presenter.Load();
  presenter.OnBootUpClick();
  // With the system's reason after the path.
  EXPECT_THAT(view_.Boxes(),
              ElementsAre(kCable, testing::StartsWith("box!:Cannot load " + absent + ": ")));
  EXPECT_TRUE(BootOn());  // as before the click
  EXPECT_FALSE(MainOn());
  EXPECT_TRUE(presenter.OnCloseRequest());
  EXPECT_EQ(PlayerSim_LogCount(), 0u);
  EXPECT_EQ(Settings(), settingsAtStart_);
}

}  // namespace
}  // namespace vorpex::app
