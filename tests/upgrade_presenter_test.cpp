// The upgrade window's start-up and flows, run headlessly: a recording window, a fake device
// library, and a real upgrade package (settings file and BootCodec folder) in a temporary folder.
#include "app/upgrade_presenter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "app/startup.h"
#include "app/text_fit.h"
#include "platform/clock.h"
#include "platform/error.h"
#include "platform/process.h"
#include "protocol/sample_image.h"
#include "support/hex_text.h"
#include "support/recording_view.h"

namespace vorpex::app {
namespace {

namespace fs = std::filesystem;
using test::RecordingView;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

// Stands in for the device library and the chip library's error state.
class FakeBinder final : public DeviceBinder {
 public:
  std::optional<std::string> Bind() override {
    ++bindCalls;
    return bindFailure;
  }
  int32_t Checking(int32_t unused) override {
    calls.push_back("check(" + std::to_string(unused) + ")");
    return playerPresent ? 1 : 0;
  }
  int32_t UpgradeFirmware(void* parent, void* device, int32_t kind, int32_t mode, const char* arg5,
                          const char* arg6) override {
    calls.push_back("upgrade(" + std::to_string(kind) + "," + std::to_string(mode) + ")");
    parentWindow = parent;
    deviceHandle = device;
    path5 = arg5;
    path6 = arg6;
    if (duringUpgrade) duringUpgrade();
    if (!upgradeSucceeds) error = failure;
    return upgradeSucceeds ? 1 : 0;
  }
  int32_t Close(int32_t unused) override {
    calls.push_back("close(" + std::to_string(unused) + ")");
    return 1;
  }
  void ClearError() override { error = {}; }
  ChipError GetError() override { return error; }
  bool SimulatedPlayer() override { return false; }
  void DispError(const ChipError& shown) override {
    calls.push_back("disp(" + std::to_string(shown.code) + "," +
                    std::to_string(shown.windowsError) + ")");
  }

  std::optional<std::string> bindFailure;
  bool playerPresent = true;
  bool upgradeSucceeds = true;
  ChipError failure{4, 0};  // what a failed upgrade leaves in the error state
  ChipError error;
  std::function<void()> duringUpgrade;
  int bindCalls = 0;
  std::vector<std::string> calls;
  void* parentWindow = nullptr;
  void* deviceHandle = reinterpret_cast<void*>(1);
  std::string path5, path6;
};

class PresenterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::path(VORPEX_TEST_TMP) /
              ("presenter_" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(folder_);
    fs::create_directories(folder_ / "BootCodec");
    const std::string separator(1, platform::PathSeparator());
    paths_.settingsFile = (folder_ / "CodecFileInfo.ini").string();
    paths_.firmwareFolder = (folder_ / "BootCodec").string() + separator;
    platform::UseVirtualClock(1000, platform::LocalTime{2024, 1, 1, 1, 0, 0, 0, 0});
    presenter_.emplace(view_, binder_, paths_);
  }
  void TearDown() override {
    platform::UseRealClock();
    fs::remove_all(folder_);
  }

  // A package with both firmware files and the given boot state line ("" leaves it out).
  void WritePackage(const std::string& bootState, const std::string& bootFile = "boot.hex",
                    const std::string& mainFile = "codec.hex") {
    std::ofstream ini(paths_.settingsFile, std::ios::binary);
    ini << "[BOOTINFO]\r\n";
    if (!bootState.empty()) ini << "BOOT UPGRADE=" << bootState << "\r\n";
    ini << "BOOT FILENAME=" << bootFile << "\r\nBOOT VERSION=B1.2\r\n"
        << "[MAINDINFO]\r\nMAIND FILENAME=" << mainFile << "\r\nMAIND VERSION=M3.4\r\n";
    ini.close();
    std::ofstream(folder_ / "BootCodec" / "boot.hex") << ":00000001FF\n";
    std::ofstream(folder_ / "BootCodec" / "codec.hex") << ":00000001FF\n";
  }
  std::string Settings() const {
    std::ifstream in(paths_.settingsFile, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::string Firmware(const std::string& name) const { return paths_.firmwareFolder + name; }
  // Starts the window on a package with `bootState` and forgets what start-up did.
  void Start(const std::string& bootState) {
    WritePackage(bootState);
    presenter_->Load();
    view_.log.clear();
  }
  bool BootOn() const { return view_.Enabled(UpgradeButton::kBootUp); }
  bool MainOn() const { return view_.Enabled(UpgradeButton::kFwUp); }

  fs::path folder_;
  PackagePaths paths_;
  RecordingView view_;
  FakeBinder binder_;
  std::optional<UpgradePresenter> presenter_;
};

using FlowTest = PresenterTest;

const std::string kCable = std::string("box[]:") + kCableWarning;
const std::string kBootDone = std::string("box:") + kBootDoneBox;
const std::string kMainDone = std::string("box:") + kMainDoneBox;
const std::string kNoPlayer = std::string("box!:") + kPlayerMissing;
const std::string kNoFile = std::string("box!:") + kFileMissing;

// --- start-up ---

struct StartRow {
  const char* bootState;
  bool captioned, bootUp, fwUp;
};

class StartUp : public FlowTest, public ::testing::WithParamInterface<StartRow> {};

TEST_P(StartUp, CaptionsAndEnablesTheButtonsByBootState) {
  const StartRow& row = GetParam();
  WritePackage(row.bootState);
  presenter_->Load();
  EXPECT_EQ(view_.Caption(UpgradeButton::kBootUp), row.captioned ? "Boot Upgrade to B1.2" : "");
  EXPECT_EQ(view_.Caption(UpgradeButton::kFwUp), row.captioned ? "Main Upgrade to M3.4" : "");
  EXPECT_EQ(BootOn(), row.bootUp);
  EXPECT_EQ(MainOn(), row.fwUp);
  // Start-up neither shows nor sets a status text, nor touches the player.
  EXPECT_TRUE(view_.log.empty());
  EXPECT_EQ(binder_.bindCalls, 0);
  EXPECT_FALSE(presenter_->IsUpgrading());
}

INSTANTIATE_TEST_SUITE_P(
    BootStates, StartUp,
    ::testing::Values(StartRow{"0", true, true, false}, StartRow{"1", true, false, true},
                      StartRow{"2", true, false, true}, StartRow{"3", true, true, false},
                      StartRow{"4", true, true, true}, StartRow{"7", false, true, true},
                      StartRow{" -1 ", false, true, true}));

TEST_F(FlowTest, StartWithoutSettingsFileNamesTheFileAndKeyAndStaysUsable) {
  presenter_->Load();
  ASSERT_EQ(view_.Boxes().size(), 1u);
  EXPECT_THAT(view_.Boxes()[0], HasSubstr("BOOT UPGRADE"));
  EXPECT_THAT(view_.Boxes()[0], HasSubstr(paths_.settingsFile));
  EXPECT_TRUE(BootOn());
  EXPECT_TRUE(MainOn());
  EXPECT_TRUE(presenter_->OnCloseRequest());
}

TEST_F(FlowTest, StartWithNonNumericBootStateComplains) {
  WritePackage("two");
  presenter_->Load();
  ASSERT_EQ(view_.Boxes().size(), 1u);
  EXPECT_THAT(view_.Boxes()[0], HasSubstr("BOOT UPGRADE"));
  EXPECT_EQ(view_.Caption(UpgradeButton::kBootUp), "Boot Upgrade to B1.2");
}

// --- boot-code flow ---

TEST_F(FlowTest, BootFlowFromStateZeroRecordsTheBootCodeAndOffersTheMainFirmware) {
  Start("0");
  const std::string before = Settings();
  presenter_->OnBootUpClick();

  EXPECT_THAT(view_.log, ElementsAre(kCable, "status:" + std::string(kUpgrading), "pump", "pump",
                                     kBootDone, "status:" + std::string(kCompleted)));
  EXPECT_THAT(binder_.calls, ElementsAre("check(0)", "upgrade(-1,0)", "close(0)"));
  EXPECT_EQ(binder_.path5, Firmware("boot.hex"));
  EXPECT_EQ(binder_.path6, binder_.path5);
  EXPECT_EQ(binder_.parentWindow, &view_);
  EXPECT_EQ(binder_.deviceHandle, nullptr);
  EXPECT_EQ(platform::VirtualElapsedMs(), 1000u);
  std::string expected = before;
  expected.replace(expected.find("BOOT UPGRADE=0"), 14, "BOOT UPGRADE=1");
  EXPECT_EQ(Settings(), expected);
  EXPECT_FALSE(BootOn());
  EXPECT_TRUE(MainOn());
  EXPECT_FALSE(presenter_->IsUpgrading());

  // The next click reads the new state: 1, so the cable warning comes again.
  view_.log.clear();
  presenter_->OnFwUpClick();
  EXPECT_THAT(view_.Boxes(), ElementsAre(kCable, kMainDone));
  EXPECT_EQ(binder_.path6, Firmware("codec.hex"));
  EXPECT_EQ(Settings(), expected);

  // A settings file nobody may write stays as it is, and the user is told, with the system's
  // reason; with a state file in the user's own folder, the state goes there, said once, and
  // counts at the next start.
  const std::string denied =
      TrimLineEnd(platform::SystemErrorText(platform::kErrorAccessDenied).value_or(""));
  const fs::path stateFile = folder_ / "state" / "vorpex" / "package.ini";
  const std::vector<std::string> runs[] = {
      {kCable, "box!:" + paths_.settingsFile + kBootStateNotSaved + denied + kSetItByHand,
       kBootDone},
      {kCable,
       "box:" + paths_.settingsFile + kBootStateElsewhere + denied + kBootStateKeptIn +
           stateFile.string() + ".",
       kBootDone},
      {kCable, kBootDone}};
  for (const std::vector<std::string>& boxes : runs) {
    Start("0");
    fs::permissions(paths_.settingsFile, fs::perms::owner_read | fs::perms::group_read);
    presenter_->OnBootUpClick();
    fs::permissions(paths_.settingsFile, fs::perms::owner_all);
    EXPECT_EQ(view_.Boxes(), boxes);
    EXPECT_EQ(Settings(), before);
    paths_.stateFile = stateFile.string();
    presenter_.emplace(view_, binder_, paths_);
  }
}

TEST_F(FlowTest, WithoutAPackageTheWindowSaysWhereToFindOneAndOffersNothing) {
  presenter_->ShowNoPackage("where to find one");
  EXPECT_THAT(view_.log,
              ElementsAre("status:" + std::string(kNoPackageStatus), "box:where to find one"));
  EXPECT_FALSE(BootOn() || MainOn());
}

TEST_F(FlowTest, BootFlowFromOtherStatesLeavesTheFileAlone) {
  for (const char* state : {"1", "2", "7"}) {
    SCOPED_TRACE(state);
    Start(state);
    const std::string before = Settings();
    presenter_->OnBootUpClick();
    EXPECT_THAT(view_.Boxes(), ElementsAre(kCable, kBootDone));
    EXPECT_EQ(Settings(), before);
    EXPECT_FALSE(BootOn());
    EXPECT_TRUE(MainOn());
  }
}

TEST_F(FlowTest, BootFlowFromStateThreeIsTheWholeUpgrade) {
  Start("3");
  presenter_->OnBootUpClick();
  EXPECT_THAT(view_.Boxes(), ElementsAre(kCable, kMainDone));
  EXPECT_FALSE(BootOn());
  EXPECT_FALSE(MainOn());
  EXPECT_EQ(view_.status, kCompleted);
}

TEST_F(FlowTest, StateFourShowsNoBoxesOnlyTheStatusLine) {
  Start("4");
  presenter_->OnBootUpClick();
  EXPECT_THAT(view_.log, ElementsAre("status:" + std::string(kUpgrading), "pump", "pump",
                                     "status:" + std::string(kCompleted)));
  EXPECT_FALSE(BootOn());
  EXPECT_FALSE(MainOn());

  view_.log.clear();
  presenter_->OnFwUpClick();
  EXPECT_TRUE(view_.Boxes().empty());
  EXPECT_EQ(view_.status, kCompleted);
  EXPECT_TRUE(MainOn());
}

TEST_F(FlowTest, StateFourStillReportsFailedChecks) {
  Start("4");
  binder_.playerPresent = false;
  presenter_->OnBootUpClick();
  EXPECT_THAT(view_.Boxes(), ElementsAre(kNoPlayer));
}

TEST_F(FlowTest, BootFlowWithoutPlayerStopsAndLocksBothButtons) {
  Start("0");
  const std::string before = Settings();
  binder_.playerPresent = false;
  presenter_->OnBootUpClick();
  EXPECT_THAT(view_.log, ElementsAre(kCable, kNoPlayer));  // the status line stays as it was
  EXPECT_THAT(binder_.calls, ElementsAre("check(0)"));     // nothing to close
  EXPECT_EQ(Settings(), before);
  EXPECT_FALSE(BootOn());
  EXPECT_FALSE(MainOn());
  EXPECT_FALSE(presenter_->IsUpgrading());
}

TEST_F(FlowTest, BootFlowWithoutFirmwareFileStopsAfterTheCheck) {
  Start("0");
  fs::remove(folder_ / "BootCodec" / "boot.hex");
  presenter_->OnBootUpClick();
  EXPECT_THAT(view_.log, ElementsAre(kCable, kNoFile));
  EXPECT_THAT(binder_.calls, ElementsAre("check(0)"));
  EXPECT_FALSE(BootOn());
  EXPECT_FALSE(MainOn());
}

TEST_F(FlowTest, FirmwareNamesAreTakenAsTheyAreInsideBootCodec) {
  // No extension is added; a folder part stays below BootCodec; an empty name finds nothing.
  WritePackage("4", "boot", "sub/codec.hex");
  std::ofstream(folder_ / "BootCodec" / "boot") << "x";
  presenter_->Load();
  presenter_->OnBootUpClick();
  EXPECT_EQ(binder_.path6, Firmware("boot"));

  view_.log.clear();
  presenter_->OnFwUpClick();
  EXPECT_THAT(view_.Boxes(), ElementsAre(kNoFile));
  fs::create_directories(folder_ / "BootCodec" / "sub");
  std::ofstream(folder_ / "BootCodec" / "sub" / "codec.hex") << "x";
  presenter_->OnFwUpClick();
  const std::string sep(1, platform::PathSeparator());
  EXPECT_EQ(binder_.path6, Firmware("sub" + sep + "codec.hex"));

  // A package written on Windows separates folders with "\"; the file keeps its text when the
  // boot state is written back.
  WritePackage("0", "sub\\codec.hex");
  presenter_->Load();
  view_.log.clear();
  presenter_->OnBootUpClick();
  EXPECT_THAT(view_.Boxes(), ElementsAre(kCable, kBootDone));
  EXPECT_EQ(binder_.path6, Firmware("sub" + sep + "codec.hex"));
  EXPECT_THAT(Settings(), HasSubstr("BOOT FILENAME=sub\\codec.hex\r\n"));

  WritePackage("4", "", "codec.hex");
  presenter_->Load();
  view_.log.clear();
  presenter_->OnBootUpClick();
  EXPECT_THAT(view_.Boxes(), ElementsAre(kNoFile));
}

TEST_F(FlowTest, WildcardsInTheNameMatchAsInAFileSearch) {
  WritePackage("4", "*.hex");
  presenter_->Load();
  presenter_->OnBootUpClick();
  EXPECT_TRUE(view_.Boxes().empty());
  EXPECT_EQ(binder_.path6, Firmware("*.hex"));
}

// --- main-firmware flow ---

// A sample image (marked as one in its data) is refused before any real player is looked for.
TEST_F(FlowTest, SampleImagesGoToTheSimulatedPlayerOnly) {
  const std::string_view mark = protocol::kSampleImageMark;
  Start("1");
  std::ofstream(folder_ / "BootCodec" / "codec.hex")
      << test::HexOf(0, std::vector<uint8_t>(mark.begin(), mark.end())) << test::kHexEnd;
  presenter_->OnFwUpClick();
  EXPECT_THAT(view_.Boxes(), ElementsAre(kCable, "box!:" + Firmware("codec.hex") + kSampleRefused));
  EXPECT_TRUE(binder_.calls.empty()) << ::testing::PrintToString(binder_.calls);
}

TEST_F(FlowTest, MainFlowNeverWritesTheSettingsFile) {
  for (const char* state : {"0", "1", "2", "3", "7"}) {
    SCOPED_TRACE(state);
    Start(state);
    const std::string before = Settings();
    binder_.calls.clear();
    presenter_->OnFwUpClick();
    EXPECT_THAT(view_.Boxes(), ElementsAre(kCable, kMainDone));
    EXPECT_THAT(binder_.calls, ElementsAre("check(0)", "upgrade(0,0)", "close(0)"));
    EXPECT_EQ(binder_.path5, Firmware("codec.hex"));
    EXPECT_EQ(binder_.path6, binder_.path5);
    EXPECT_EQ(Settings(), before);
    EXPECT_FALSE(BootOn());
    EXPECT_TRUE(MainOn());
  }
}

TEST_F(FlowTest, MainFlowWithoutPlayerOrFileOffersARetry) {
  Start("1");
  binder_.playerPresent = false;
  presenter_->OnFwUpClick();
  EXPECT_THAT(view_.log, ElementsAre(kCable, kNoPlayer));
  EXPECT_FALSE(BootOn());
  EXPECT_TRUE(MainOn());

  view_.log.clear();
  binder_.playerPresent = true;
  fs::remove(folder_ / "BootCodec" / "codec.hex");
  presenter_->OnFwUpClick();
  EXPECT_THAT(view_.log, ElementsAre(kCable, kNoFile));
  EXPECT_TRUE(MainOn());
  EXPECT_TRUE(view_.status.empty());
}

// --- the close guard ---

TEST_F(FlowTest, CloseIsRefusedWhileAFlowRuns) {
  Start("0");
  std::vector<bool> allowed;
  view_.onPump = [&] { allowed.push_back(presenter_->OnCloseRequest()); };
  binder_.duringUpgrade = [&] {
    allowed.push_back(presenter_->OnCloseRequest());
    // A click that reaches the presenter now starts nothing.
    presenter_->OnFwUpClick();
  };
  presenter_->OnBootUpClick();
  EXPECT_THAT(allowed, ElementsAre(false, false, false));
  EXPECT_THAT(binder_.calls, ElementsAre("check(0)", "upgrade(-1,0)", "close(0)"));
  EXPECT_TRUE(presenter_->OnCloseRequest());
}

// --- a failed upgrade ---

TEST_F(FlowTest, FailedBootUpgradeShowsTheReasonAndOffersAnotherTry) {
  Start("0");
  const std::string before = Settings();
  binder_.upgradeSucceeds = false;
  binder_.failure = {6, 31};
  presenter_->OnBootUpClick();
  EXPECT_THAT(binder_.calls, ElementsAre("check(0)", "upgrade(-1,0)", "close(0)", "disp(6,31)"));
  EXPECT_THAT(view_.Boxes(), ElementsAre(kCable));  // no completion box
  EXPECT_EQ(view_.status, kFailed);
  EXPECT_EQ(Settings(), before);  // still boot state 0
  EXPECT_TRUE(BootOn());
  EXPECT_FALSE(MainOn());
  EXPECT_FALSE(presenter_->IsUpgrading());
}

TEST_F(FlowTest, FailedMainUpgradeIsNotReportedAsCompleted) {
  for (const char* state : {"1", "4"}) {
    SCOPED_TRACE(state);
    Start(state);
    binder_.calls.clear();
    binder_.upgradeSucceeds = false;
    presenter_->OnFwUpClick();
    EXPECT_THAT(binder_.calls, ElementsAre("check(0)", "upgrade(0,0)", "close(0)", "disp(4,0)"));
    for (const auto& box : view_.Boxes()) EXPECT_NE(box, kMainDone);
    EXPECT_EQ(view_.status, kFailed);
    EXPECT_TRUE(MainOn());
  }
}

TEST_F(FlowTest, FailureShowsItsOwnReasonNotAnEarlierOne) {
  Start("1");
  binder_.error = {12, 0};  // left over from something before the click
  binder_.upgradeSucceeds = false;
  binder_.failure = {};  // the upgrade failed without recording a reason
  presenter_->OnFwUpClick();
  EXPECT_THAT(binder_.calls, ElementsAre("check(0)", "upgrade(0,0)", "close(0)"));
  EXPECT_THAT(view_.Boxes(), ElementsAre(kCable, std::string("box!:") + kUpgradeFailedBox));
}

// --- a missing boot state or library at a click ---

TEST_F(FlowTest, ClickWithoutBootStateComplainsAndWorksOnceTheFileIsMended) {
  Start("");
  EXPECT_TRUE(BootOn());
  presenter_->OnBootUpClick();
  ASSERT_EQ(view_.Boxes().size(), 1u);
  EXPECT_THAT(view_.Boxes()[0], HasSubstr("BOOT UPGRADE"));
  EXPECT_EQ(binder_.bindCalls, 0);
  EXPECT_TRUE(BootOn());
  EXPECT_TRUE(MainOn());
  EXPECT_TRUE(presenter_->OnCloseRequest());

  WritePackage("0");
  view_.log.clear();
  presenter_->OnBootUpClick();
  EXPECT_THAT(view_.Boxes(), ElementsAre(kCable, kBootDone));
  EXPECT_THAT(Settings(), HasSubstr("BOOT UPGRADE=1\r\n"));
}

TEST_F(FlowTest, UnboundLibraryIsNamedAndTheButtonsStayUsable) {
  Start("0");
  binder_.bindFailure = "Cannot load ORVANEUsbDll.dll";
  presenter_->OnBootUpClick();
  EXPECT_THAT(view_.Boxes(), ElementsAre(kCable, "box!:Cannot load ORVANEUsbDll.dll"));
  EXPECT_TRUE(binder_.calls.empty());
  EXPECT_TRUE(BootOn());  // as before the click
  EXPECT_FALSE(MainOn());
  EXPECT_TRUE(presenter_->OnCloseRequest());

  binder_.bindFailure.reset();
  presenter_->OnBootUpClick();
  EXPECT_THAT(binder_.calls, ElementsAre("check(0)", "upgrade(-1,0)", "close(0)"));
}

// --- the command line ---

TEST(StartOptions, SimulateTakesAFolder) {
  std::vector<std::string_view> args{"--simulate", "/tmp/player"};
  auto parsed = ParseArguments(args);
  ASSERT_TRUE(std::holds_alternative<StartOptions>(parsed));
  EXPECT_EQ(std::get<StartOptions>(parsed).simulateFolder, "/tmp/player");

  std::vector<std::string_view> none;
  EXPECT_FALSE(std::get<StartOptions>(ParseArguments(none)).simulateFolder);
  std::vector<std::string_view> noFolder{"--package"};
  EXPECT_THAT(std::get<std::string>(ParseArguments(noFolder)), HasSubstr("--package"));
  std::vector<std::string_view> missing{"--simulate"};
  EXPECT_THAT(std::get<std::string>(ParseArguments(missing)), HasSubstr("--simulate"));
  std::vector<std::string_view> unknown{"-x"};
  EXPECT_THAT(std::get<std::string>(ParseArguments(unknown)), HasSubstr("\"-x\""));

  // Help and version anywhere on the line, and nothing else done.
  std::vector<std::string_view> help{"--simulate", "/tmp/player", "-h"};
  EXPECT_THAT(std::get<StartOptions>(ParseArguments(help)).answer.value_or(""),
              HasSubstr("  --simulate DIR   talk to the simulated player kept in DIR"));
  std::vector<std::string_view> version{"--version"};
  const std::string said = std::get<StartOptions>(ParseArguments(version)).answer.value_or("");
  EXPECT_THAT(said, testing::StartsWith("Nebrisk "));
  EXPECT_EQ(std::count(said.begin(), said.end(), '.'), 2) << said;  // major.minor.patch
}

TEST(StartOptions, PackageAndLibrariesLieBesideTheProgram) {
  auto prepared = PrepareProgram(StartOptions{});
  ASSERT_TRUE(std::holds_alternative<ProgramSetup>(prepared));
  const ProgramSetup& setup = std::get<ProgramSetup>(prepared);
  const std::string folder = *platform::ProgramFolder();
  const std::string sep(1, platform::PathSeparator());
  EXPECT_EQ(setup.paths.settingsFile, folder + sep + "CodecFileInfo.ini");
  EXPECT_EQ(setup.paths.firmwareFolder, folder + sep + "BootCodec" + sep);
  EXPECT_THAT(setup.deviceLibrary, HasSubstr("ORVANEUsbDll"));
  EXPECT_TRUE(fs::exists(setup.chipLibrary)) << setup.chipLibrary;
}

TEST(StartOptions, PackageFolderIsTakenAsGiven) {
  const fs::path package = fs::path(VORPEX_TEST_TMP) / "start_package";
  fs::create_directories(package);
  std::ofstream(package / "CodecFileInfo.ini") << "[BOOTINFO]\n";
  StartOptions options;
  options.packageFolder = package.string() + "/";
  auto prepared = PrepareProgram(options);
  const std::string sep(1, platform::PathSeparator());
  ASSERT_TRUE(std::holds_alternative<ProgramSetup>(prepared)) << std::get<std::string>(prepared);
  EXPECT_EQ(std::get<ProgramSetup>(prepared).paths.settingsFile,
            package.string() + sep + "CodecFileInfo.ini");

  // A folder without a package is refused at once, with its name.
  options.packageFolder = (package / "absent").string();
  EXPECT_THAT(std::get<std::string>(PrepareProgram(options)),
              HasSubstr((package / "absent").string() + ": it holds no CodecFileInfo.ini"));
  fs::remove_all(package);

  // Each package folder keeps its boot state in a file of its own in the user's state folder.
  const std::string a = BootStateFile("/state", "/opt/a/CodecFileInfo.ini");
  EXPECT_THAT(a, testing::StartsWith("/state" + sep + "vorpex" + sep));
  EXPECT_NE(a, BootStateFile("/state", "/opt/b/CodecFileInfo.ini"));
  EXPECT_NE(a, BootStateFile("/state", "/opt_a/CodecFileInfo.ini"));
  EXPECT_EQ(a, BootStateFile("/state", "/opt/a/other.ini"));
}

}  // namespace
}  // namespace vorpex::app

namespace vorpex::app {
namespace {

// The real binder, before the device library exists beside the tests: what it names when a
// library or an entry point is missing.
TEST(LibraryBinder, NamesTheMissingLibraryOrEntryPoint) {
  auto setup = std::get<ProgramSetup>(PrepareProgram(StartOptions{}));
  const std::string absent = setup.deviceLibrary + ".absent";
  LibraryBinder noLibrary(absent, setup.chipLibrary);
  const std::string said = noLibrary.Bind().value_or("");
  EXPECT_THAT(said, testing::StartsWith("Cannot load " + absent + ": "));  // and the reason
  EXPECT_GT(said.size(), ("Cannot load " + absent + ": ").size());

  // The chip library loads, but has none of the device library's entry points.
  LibraryBinder wrongLibrary(setup.chipLibrary, setup.chipLibrary);
  std::optional<std::string> failure = wrongLibrary.Bind();
  ASSERT_TRUE(failure);
  EXPECT_THAT(*failure, HasSubstr("Entry point " + platform::ExportName("_Usb_Checking@4")));
  EXPECT_THAT(*failure, HasSubstr("VORPEXUSB"));
}

}  // namespace
}  // namespace vorpex::app
