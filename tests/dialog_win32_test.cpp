// The real dialogs of the Windows build: the templates in the library's resources have their
// controls, and the progress window works as a dialog (texts, bar, Escape, pause).
#include <gtest/gtest.h>
#include <windows.h>
// commctrl.h needs windows.h first.
#include <commctrl.h>

#include <string>

#include "VORPEXUSB.h"
#include "chiplib/progress_window.h"
#include "chiplib/state.h"
#include "platform/clock.h"

namespace {

using namespace vorpex::chip;

HINSTANCE LibraryModule() {
  return static_cast<HINSTANCE>(VORPEX_GetModuleHandle());
}

std::string Text(HWND window) {
  char text[256] = {};
  ::GetWindowTextA(window, text, sizeof text);
  return text;
}

std::string ItemText(HWND dialog, int item) {
  return Text(::GetDlgItem(dialog, item));
}

INT_PTR CALLBACK Passive(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG ? TRUE : FALSE;
}

HWND FromTemplate(int id) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
  ::InitCommonControlsEx(&controls);
  return ::CreateDialogParamA(LibraryModule(), MAKEINTRESOURCEA(id), nullptr, Passive, 0);
}

TEST(DialogTemplates, ProgressWindowHasItsControls) {
  ASSERT_NE(LibraryModule(), nullptr);
  HWND dialog = FromTemplate(1009);
  ASSERT_NE(dialog, nullptr) << ::GetLastError();
  EXPECT_EQ(Text(dialog), "Di3 Zazoruz");
  EXPECT_FALSE(::IsWindowVisible(dialog));
  for (int item : {2, 1001, 1002, 1003, 1004, 1005, 1006}) {
    EXPECT_NE(::GetDlgItem(dialog, item), nullptr) << item;
  }
  char className[64] = {};
  ::GetClassNameA(::GetDlgItem(dialog, 1003), className, sizeof className);
  EXPECT_STRCASEEQ(className, "msctls_progress32");
  EXPECT_EQ(ItemText(dialog, 2), "&Cancel");
  EXPECT_EQ(ItemText(dialog, 1004), " 0 %");
  EXPECT_EQ(ItemText(dialog, 1005), "STATUS");
  EXPECT_EQ(ItemText(dialog, 1002), "Speed");
  ::DestroyWindow(dialog);
}

TEST(DialogTemplates, FormatAndDeleteWindowsHaveTheirControls) {
  HWND format = FromTemplate(101);
  ASSERT_NE(format, nullptr);
  EXPECT_EQ(Text(format), "Format");
  ::DestroyWindow(format);

  HWND deleting = FromTemplate(144);
  ASSERT_NE(deleting, nullptr);
  EXPECT_EQ(Text(deleting), "Deleting...");
  EXPECT_EQ(ItemText(deleting, 2), "&Cancel");
  EXPECT_EQ(ItemText(deleting, 1000), "INDEX");
  EXPECT_EQ(ItemText(deleting, 1017), "FileName");
  ::DestroyWindow(deleting);
}

TEST(ProgressDialog, ShowsTextsAndBarAndTakesEscapeAndPause) {
  GetState().module = LibraryModule();  // this test's copy of the internals uses the DLL's
  vorpex::platform::UseVirtualClock(1000, {2024, 5, 1, 3, 12, 0, 0, 0});
  ProgressSetup setup{.title = 3016, .index = 7, .status = "image.bin", .total = 1000};
  HWND window = static_cast<HWND>(OpenProgressWindow(nullptr, &setup));
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(::IsWindowVisible(window));
  EXPECT_EQ(Text(window), "Codec Upgrade");
  EXPECT_EQ(ItemText(window, 1005), "image.bin");
  EXPECT_EQ(ItemText(window, 1006), "7");

  SetProgressRange(window, 0, 3000, "writing");
  vorpex::platform::AdvanceVirtualClock(2);
  UpdateProgress(window, 1500, 1000);
  EXPECT_EQ(ItemText(window, 1005), "writing");
  EXPECT_EQ(ItemText(window, 1004), "50 %");
  EXPECT_EQ(ItemText(window, 1002), "750 KB/s");
  HWND bar = ::GetDlgItem(window, 1003);
  EXPECT_EQ(::SendMessageA(bar, PBM_GETPOS, 0, 0), 1500);
  EXPECT_EQ(::SendMessageA(bar, PBM_GETRANGE, FALSE, 0), 3000);

  ::PostMessageA(window, WM_COMMAND, 1001, 0);
  PumpMessages(window);
  EXPECT_EQ(setup.flags, kProgressPaused);
  ::PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
  PumpMessages(window);
  EXPECT_EQ(setup.flags, kProgressPaused | kProgressCancelled);
  EXPECT_TRUE(::IsWindow(window));  // the operation closes it, not the button

  CloseProgressWindow(window);
  EXPECT_FALSE(::IsWindow(window));
  vorpex::platform::UseRealClock();
}

TEST(ProgressDialog, DeleteWindowGetsIndexAndName) {
  GetState().module = LibraryModule();
  HWND window = static_cast<HWND>(OpenDeleteWindow(nullptr, 3, "SONG.MP3"));
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(Text(window), "Deleting...");
  EXPECT_EQ(ItemText(window, 1000), "3");
  EXPECT_EQ(ItemText(window, 1017), "SONG.MP3");
  CloseStatusWindow(window);
  EXPECT_FALSE(::IsWindow(window));
}

}  // namespace
