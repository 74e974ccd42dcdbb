// The real progress dialog of a copy in each direction, under a real clock and a slow player:
// its caption and status while it runs, a screenshot of it, then its Cancel button pressed.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "VORPEXUSB.h"
#include "playersim.h"
#include "support/sim_player.h"

namespace {

namespace fs = std::filesystem;

std::string Text(HWND window) {
  char text[256] = {};
  ::GetWindowTextA(window, text, sizeof text);
  return text;
}

// Starts ImageMagick's import (a Linux program, which Wine starts as it is) on the dialog's
// place on the X display; the dialog goes on being painted while it runs. Wine runs the
// program but reports its start as failed, so only the file tells how it went.
void StartScreenshot(HWND window, const std::string& path) {
  RECT r;
  ::GetWindowRect(window, &r);
  std::string command = "/usr/bin/import -window root -crop " + std::to_string(r.right - r.left) +
                        "x" + std::to_string(r.bottom - r.top) + "+" + std::to_string(r.left) +
                        "+" + std::to_string(r.top) + " +repage " + path;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &process)) {
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
  }
}

// What the timer saw of the dialog: it waits for the dialog, has it photographed, and presses
// Cancel once the screenshot is done.
struct Seen {
  const char* caption = nullptr;
  std::string shot;
  bool found = false;
  std::string status;
  int ticks = 0;           // since the screenshot was started
  uintmax_t shotSize = 0;  // as the last tick found it
};
Seen seen;

void CALLBACK PressCancel(HWND, UINT, UINT_PTR id, DWORD) {
  HWND dialog = ::FindWindowA("#32770", seen.caption);
  if (dialog == nullptr || !::IsWindowVisible(dialog)) return;  // not up yet: next tick
  if (!seen.found) {
    seen.found = true;
    seen.status = Text(::GetDlgItem(dialog, 1005));
    StartScreenshot(dialog, seen.shot);
    return;
  }
  // Done when the picture is there and has stopped growing (or after ten seconds).
  std::error_code error;
  const uintmax_t size = fs::file_size(seen.shot, error);
  const bool done = !error && size > 0 && size == seen.shotSize;
  seen.shotSize = error ? 0 : size;
  if (!done && ++seen.ticks < 100) return;
  ::KillTimer(nullptr, id);
  ::SendMessageA(::GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
}

TEST(TransferDialog, CancelButtonStopsACopyInEachDirection) {
  ASSERT_TRUE(vorpex::test::AttachFreshPlayer("transfer-dialog"));
  const std::string dir = vorpex::test::FreshStateDir("transfer-dialog-pc");
  const std::string artifacts =
      std::string(VORPEX_TEST_TMP) + "/../../test-artifacts/transfer-dialog";
  fs::create_directories(dir);
  fs::create_directories(artifacts);
  std::vector<char> data(64 * 16384, 'x');
  std::ofstream(dir + "/song.mp3", std::ios::binary)
      .write(data.data(), static_cast<std::streamsize>(data.size()));
  void* device = VORPEX_Open();
  ASSERT_NE(device, nullptr);
  ASSERT_EQ(VORPEX_DownloadIndexFile(nullptr, device, 0, (dir + "/song.mp3").c_str()), 1);
  PlayerSim_SetFault(PLAYERSIM_FAULT_SLOW_DEVICE, 200);  // 64 chunks: 13 s on the real clock

  struct Case {
    const char* caption;
    const char* shot;
    const char* status;
  };
  for (const Case& c : {Case{"Uploading...", "upload-cancel.png", "song on the player"},
                        Case{"Downloading", "download-cancel.png", "song.mp3"}}) {
    seen = Seen();
    seen.caption = c.caption;
    seen.shot = artifacts + "/" + c.shot;
    fs::remove(seen.shot);
    PlayerSim_ClearLog();
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 100, PressCancel);
    const int32_t result =
        std::string(c.caption) == "Uploading..."
            ? VORPEX_Upload(nullptr, device, 0, 0, (dir + "/back.mp3").c_str(), c.status,
                            static_cast<uint32_t>(data.size()))
            : VORPEX_DownloadElseFile(nullptr, device, 0, (dir + "/song.mp3").c_str());
    ::KillTimer(nullptr, timer);
    EXPECT_EQ(result, 0) << c.caption;
    EXPECT_EQ(VORPEX_GetError(), VORPEX_ERR_USERBREAK) << c.caption;
    EXPECT_TRUE(seen.found) << c.caption;
    EXPECT_EQ(seen.status, c.status) << c.caption;
    std::ifstream shot(seen.shot, std::ios::binary);
    char signature[4] = {};
    shot.read(signature, 4);
    EXPECT_EQ(std::string(signature + 1, 3), "PNG") << c.caption;
    EXPECT_EQ(::FindWindowA("#32770", c.caption), nullptr) << c.caption;  // closed
    bool cancelRequest = false;
    for (const auto& e : vorpex::test::WireLog()) {
      cancelRequest = cancelRequest || (e.kind == PLAYERSIM_LOG_CONTROL && e.bytes[0] == 0x40);
    }
    EXPECT_TRUE(cancelRequest) << c.caption;
  }
  EXPECT_FALSE(fs::exists(dir + "/back.mp3"));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 1);
  uint32_t count = 0;
  PlayerSim_ClearFaults();
  EXPECT_EQ(VORPEX_Refresh(device, 0, nullptr, nullptr, &count), 1);
  EXPECT_EQ(count, 1u);
  VORPEX_Close(device);
  PlayerSim_Detach();
}

}  // namespace
