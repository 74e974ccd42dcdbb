// The progress, format and delete windows and the message pump, drawn by a recording host.
// Links the library's internals: the state here is this test's own copy.
#include "chiplib/progress_window.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>

#include "chiplib/state.h"
#include "chiplib/string_table.h"
#include "chiplib/ui_host.h"
#include "platform/clock.h"
#include "platform/module.h"

#ifdef _WIN32
#include <windows.h>
#endif
#include "support/recording_ui.h"

namespace {

using namespace vorpex::chip;
using vorpex::test::Key;
using vorpex::test::RecordedWindow;
using vorpex::test::RecordingUi;
using vorpex::test::WindowKind;
namespace platform = vorpex::platform;

constexpr uint32_t kStartTick = 500000;

class ProgressWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef _WIN32
    // The strings and templates are the DLL's resources.
    GetState().module = ::LoadLibraryA("VORPEXUSB.dll");
#else
    static char module;
    platform::RegisterModuleStrings(&module, StringTable());
    GetState().module = &module;
#endif
    platform::UseVirtualClock(kStartTick, {2024, 5, 1, 3, 12, 0, 0, 0});
  }
  void TearDown() override {
    platform::UseRealClock();
    GetState().progress = {};
  }

  // The window a progress operation shows, ranged 0 to `high`, with the log cleared.
  WindowHandle OpenRanged(ProgressSetup& setup, uint32_t high) {
    WindowHandle window = OpenProgressWindow(owner_, &setup);
    SetProgressRange(window, 0, high, nullptr);
    ui_.log.clear();
    return window;
  }

  char ownerWindow_ = 0;
  void* owner_ = &ownerWindow_;
  RecordingUi ui_{&InstallUi};
};

TEST_F(ProgressWindowTest, OpensWithTitleStatusIndexAndTotal) {
  ProgressSetup setup{.title = 3016, .index = 7, .status = "firmware.bin", .total = 5000};
  WindowHandle window = OpenProgressWindow(owner_, &setup);

  ASSERT_EQ(ui_.windows.size(), 1u);
  RecordedWindow& w = ui_.Window(0);
  EXPECT_EQ(window, &w);
  EXPECT_EQ(w.kind, WindowKind::Progress);
  EXPECT_EQ(w.owner, owner_);
  EXPECT_EQ(w.caption, "Codec Upgrade");
  EXPECT_EQ(w.text, "firmware.bin");
  EXPECT_EQ(w.indexText, "7");
  EXPECT_EQ(w.total, 5000u);
  EXPECT_EQ(ui_.log, (std::vector<std::string>{"open progress Codec Upgrade", "pump"}));
  // The title went through the shared block, and the window is now the current one.
  EXPECT_STREQ(reinterpret_cast<const char*>(GetState().sharedBlock.data()), "Codec Upgrade");
  EXPECT_EQ(GetState().progress.setup, &setup);
  EXPECT_EQ(setup.flags, 0u);

  CloseProgressWindow(window);
  EXPECT_FALSE(w.open);
  EXPECT_EQ(GetState().progress.setup, nullptr);
}

TEST_F(ProgressWindowTest, NoIndexWhenNegativeAndEmptyCaptionWhenTheTitleIsMissing) {
  std::memset(GetState().sharedBlock.data(), 'x', GetState().sharedBlock.size());
  ProgressSetup setup{.title = 4242, .index = -1, .status = nullptr, .total = 0};
  CloseProgressWindow(OpenProgressWindow(owner_, &setup));
  EXPECT_EQ(ui_.Window(0).caption, "");
  EXPECT_EQ(ui_.Window(0).indexText, "");
  EXPECT_EQ(ui_.Window(0).text, "");
}

TEST_F(ProgressWindowTest, PercentIsRedrawnOnlyWhenItsWholeNumberChanges) {
  ProgressSetup setup{.title = 3001, .index = 0, .status = "A.MP3", .total = 1000};
  WindowHandle window = OpenRanged(setup, 1000);
  RecordedWindow& w = ui_.Window(0);

  UpdateProgress(window, 0, kStartTick);  // at the low end, and no millisecond has passed
  EXPECT_TRUE(ui_.log.empty());
  UpdateProgress(window, 500, kStartTick);
  UpdateProgress(window, 500, kStartTick);
  UpdateProgress(window, 509, kStartTick);  // still 50
  EXPECT_EQ(ui_.log, (std::vector<std::string>{"percent 50 % @500", "pump"}));
  UpdateProgress(window, 999, kStartTick);
  UpdateProgress(window, 1000, kStartTick);
  EXPECT_EQ(w.percents, (std::vector<std::string>{"50 %", "99 %", "100 %"}));
  EXPECT_EQ(w.positions, (std::vector<uint32_t>{500, 999, 1000}));
  EXPECT_EQ(w.speeds, std::vector<std::string>{""});  // cleared by the range, never set
  CloseProgressWindow(window);
}

TEST_F(ProgressWindowTest, SecondRangeRedrawsThePercentAndClearsTheSpeed) {
  ProgressSetup setup{.title = 3000, .index = 1, .status = "first", .total = 1000};
  WindowHandle window = OpenRanged(setup, 1000);
  RecordedWindow& w = ui_.Window(0);
  UpdateProgress(window, 500, kStartTick);

  SetProgressRange(window, 0, 1000, "second");
  EXPECT_EQ(w.text, "second");
  EXPECT_EQ(w.speedText, "");
  UpdateProgress(window, 500, kStartTick);
  EXPECT_EQ(w.percents, (std::vector<std::string>{"50 %", "50 %"}));

  // A null status keeps the line; a reversed range reaches the window as given but the
  // percent is worked out between the smaller and the larger end.
  SetProgressRange(window, 1000, 0, nullptr);
  EXPECT_EQ(w.text, "second");
  EXPECT_EQ(w.rangeLow, 1000u);
  EXPECT_EQ(w.rangeHigh, 0u);
  UpdateProgress(window, 250, kStartTick);
  EXPECT_EQ(w.percentText, "25 %");
  EXPECT_EQ(w.statuses, (std::vector<std::string>{"first", "second"}));
  CloseProgressWindow(window);
}

TEST_F(ProgressWindowTest, SpeedIsBytesPerMillisecondSinceTheStart) {
  struct Case {
    uint32_t rate;
    const char* text;
  } const cases[] = {{999, "999 KB/s"}, {1000, "1000 KB/s"}, {1001, "0.97 MB/s"},
                     {1034, "1 MB/s"},  {1100, "1.07 MB/s"}, {1536, "1.50 MB/s"}};
  ProgressSetup setup{.title = 3001, .index = 0, .status = "B.MP3", .total = 0};
  WindowHandle window = OpenRanged(setup, 0xFFFFFFFFu);
  RecordedWindow& w = ui_.Window(0);
  for (const Case& c : cases) {
    uint32_t start = platform::TickCount();
    platform::AdvanceVirtualClock(4);
    UpdateProgress(window, c.rate * 4 + 3, start);  // the rest of the division is dropped
    EXPECT_EQ(w.speedText, c.text) << c.rate;
  }
  // The percent stays at 0 throughout; the speed alone pumps every time.
  EXPECT_EQ(w.percents, (std::vector<std::string>{"0 %"}));
  EXPECT_EQ(ui_.pumps, 1 + 1 + 6);  // open, range, then one per update

  // No millisecond since the start: no speed, and no pump without a new percent.
  ui_.log.clear();
  UpdateProgress(window, 5000, platform::TickCount());
  EXPECT_TRUE(ui_.log.empty());
  // Fewer bytes than milliseconds: a rate of 0 shows nothing.
  UpdateProgress(window, 3, platform::TickCount() - 4);
  EXPECT_TRUE(ui_.log.empty());
  CloseProgressWindow(window);
}

TEST_F(ProgressWindowTest, SpeedCountsFromTheRangesLowEnd) {
  ProgressSetup setup{.title = 3001, .index = 0, .status = "C.MP3", .total = 0};
  WindowHandle window = OpenProgressWindow(owner_, &setup);
  SetProgressRange(window, 200, 400, nullptr);
  uint32_t start = platform::TickCount();
  platform::AdvanceVirtualClock(1);
  UpdateProgress(window, 200, start);  // no percent at the low end, and nothing moved
  EXPECT_EQ(ui_.Window(0).speeds, std::vector<std::string>{""});  // only the range's clearing
  EXPECT_TRUE(ui_.Window(0).percents.empty());
  UpdateProgress(window, 300, start);
  EXPECT_EQ(ui_.Window(0).percentText, "50 %");
  EXPECT_EQ(ui_.Window(0).speedText, "100 KB/s");
  CloseProgressWindow(window);
}

TEST_F(ProgressWindowTest, CancelAndEscapeSetTheCancelBit) {
  for (Key key : {Key::Cancel, Key::Escape}) {
    RecordingUi ui{&InstallUi};
    ui.PressAtPump(4, key);
    ProgressSetup setup{.title = 3000, .index = 2, .status = "D.MP3", .total = 100};
    WindowHandle window = OpenProgressWindow(owner_, &setup);  // pump 1
    SetProgressRange(window, 0, 100, nullptr);                 // pump 2
    int steps = 0;
    for (uint32_t sent = 10; sent <= 100 && !(setup.flags & kProgressCancelled); sent += 10) {
      PumpMessages(window);  // pumps 3, 5, ...
      UpdateProgress(window, sent, kStartTick);
      ++steps;
    }
    EXPECT_EQ(setup.flags, kProgressCancelled);
    EXPECT_EQ(steps, 1);  // seen after the update's pump, the 4th
    EXPECT_EQ(ui.pressed, std::vector<Key>{key});
    CloseProgressWindow(window);
    EXPECT_FALSE(ui.Window(0).open);
  }
}

TEST_F(ProgressWindowTest, CancelWhenThePercentIsReached) {
  ui_.PressAtPercent(30, Key::Escape);
  ProgressSetup setup{.title = 3001, .index = 0, .status = "E.MP3", .total = 1000};
  WindowHandle window = OpenRanged(setup, 1000);
  uint32_t sent = 0;
  while (sent < 1000 && !(setup.flags & kProgressCancelled)) {
    sent += 100;
    UpdateProgress(window, sent, kStartTick);
  }
  EXPECT_EQ(sent, 300u);
  EXPECT_EQ(ui_.Window(0).percentText, "30 %");
  CloseProgressWindow(window);
}

TEST_F(ProgressWindowTest, PauseTogglesAndLeavesTheCancelBitAlone) {
  ui_.PressAtPump(3, Key::Pause);
  ui_.PressAtPump(5, Key::Pause);
  ui_.PressAtPump(6, Key::Cancel);
  ProgressSetup setup{.title = 3000, .index = 0, .status = "F.MP3", .total = 10};
  WindowHandle window = OpenRanged(setup, 10);  // pumps 1 and 2
  PumpMessages(window);
  EXPECT_EQ(setup.flags, kProgressPaused);
  PumpMessages(window);
  EXPECT_EQ(setup.flags, kProgressPaused);
  PumpMessages(window);
  EXPECT_EQ(setup.flags, 0u);
  PumpMessages(window);
  EXPECT_EQ(setup.flags, kProgressCancelled);
  CloseProgressWindow(window);
  // Nothing pressed after the window closed reaches the operation's (gone) setup.
  ui_.PressAtPump(7, Key::Cancel);
  PumpMessages(nullptr);
  EXPECT_EQ(setup.flags, kProgressCancelled);
}

TEST_F(ProgressWindowTest, FormatWindowShowsItsTextAndPumps) {
  WindowHandle window = OpenFormatWindow(owner_);
  ASSERT_EQ(ui_.windows.size(), 1u);
  EXPECT_EQ(window, &ui_.Window(0));
  EXPECT_EQ(ui_.Window(0).kind, WindowKind::Format);
  EXPECT_EQ(ui_.Window(0).caption, "Format");
  EXPECT_EQ(ui_.Window(0).text, "Formating...");
  EXPECT_EQ(ui_.pumps, 1);
  CloseStatusWindow(window);
  EXPECT_FALSE(ui_.Window(0).open);
}

TEST_F(ProgressWindowTest, DeleteWindowShowsIndexAndFileName) {
  WindowHandle window = OpenDeleteWindow(owner_, 12, "SONG.MP3");
  RecordedWindow& w = ui_.Window(0);
  EXPECT_EQ(w.kind, WindowKind::Delete);
  EXPECT_EQ(w.caption, "Deleting...");  // the table has no string 144
  EXPECT_EQ(w.indexText, "12");
  EXPECT_EQ(w.fileName, "SONG.MP3");
  EXPECT_EQ(ui_.pumps, 1);
  CloseStatusWindow(window);

  // Its Cancel button has no effect: there is no progress operation to cancel.
  ui_.PressAtPump(2, Key::Cancel);
  CloseStatusWindow(OpenDeleteWindow(owner_, -5, nullptr));
  EXPECT_EQ(ui_.Window(1).indexText, "");
  EXPECT_EQ(ui_.Window(1).fileName, "");
  EXPECT_EQ(GetState().progress.setup, nullptr);
}

TEST_F(ProgressWindowTest, HostWithoutWindowHooksGetsTheSystemWindows) {
  // A host built before the window hooks existed: its record ends after messageBox.
  VorpexUiHooks old{};
  old.size = offsetof(VorpexUiHooks, openProgress);
  old.messageBox = [](void*, const char*, const char*, uint32_t) -> int32_t { return 1; };
  old.openProgress = [](void*, void*, const char*, const char*, const char*, uint32_t) -> void* {
    ADD_FAILURE() << "a hook beyond the host's record was called";
    return nullptr;
  };
  InstallUi(&old);
  ProgressSetup setup{.title = 3015, .index = -1, .status = "", .total = 8192};
  // The system's windows take a real owner or none.
  WindowHandle window = OpenProgressWindow(nullptr, &setup);
  // Linux has no system windows: a placeholder stands in, and the window is still current.
  EXPECT_NE(window, nullptr);
  EXPECT_EQ(GetState().progress.setup, &setup);
  SetProgressRange(window, 0, 8192, "Boot Area Erasing...");
  UpdateProgress(window, 4096, 0);
  EXPECT_EQ(GetState().progress.lastPercent, 50);
  CloseProgressWindow(window);
  EXPECT_TRUE(ui_.windows.empty());
}

}  // namespace
