// The upgrade window's behaviour without its toolkit: start-up, the boot-code and the
// main-firmware upgrade flows, and the close guard. The window forwards its events here; the
// presenter sets the window's captions, states and texts through UpgradeView and reaches the
// player through DeviceBinder.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "app/boot_state.h"
#include "app/device_binder.h"
#include "app/ini_file.h"
#include "app/upgrade_view.h"

namespace vorpex::app {

// Where the upgrade package lies: the settings file and the folder of the firmware files,
// the latter with its trailing separator.
struct PackagePaths {
  std::string settingsFile;
  std::string firmwareFolder;
  // Where the boot state goes when the settings file cannot be written; empty: nowhere.
  std::string stateFile;
};

// The texts the user sees.
inline constexpr const char* kBootCaptionPrefix = "Boot Upgrade to ";
inline constexpr const char* kMainCaptionPrefix = "Main Upgrade to ";
inline constexpr const char* kCableWarning = "Check USB cable connection, Please..";
inline constexpr const char* kPlayerMissing = "Check your MP3 player or USB plug-in";
inline constexpr const char* kFileMissing = "Firmware file not find";
inline constexpr const char* kUpgrading = "Firmware Upgrading...wait please";
inline constexpr const char* kCompleted = "Firmware Upgrade completed...";
inline constexpr const char* kFailed = "Firmware Upgrade failed...";
inline constexpr const char* kUpgradeFailedBox = "Firmware upgrade failed";
inline constexpr const char* kBootDoneBox =
    "Boot firmware upgrade completed. Please, USB cable plug-out";
inline constexpr const char* kMainDoneBox =
    "Firmware upgrade completed. Please, USB cable plug-out";
// The boot code was upgraded, but the settings file does not say so: the text after its path.
inline constexpr const char* kBootStateNotSaved =
    " could not be changed to record that the boot code was upgraded (BOOT UPGRADE=1 in "
    "[BOOTINFO]): ";
inline constexpr const char* kBootStateElsewhere = " cannot be changed (";
inline constexpr const char* kBootStateKeptIn =
    "), so the window keeps the state of this package's upgrade in ";
inline constexpr const char* kNoPackageStatus = "No firmware package";
inline constexpr const char* kSetItByHand =
    " Set it by hand, or the window offers the boot code again at its next start.";
// A sample image (our own pattern, not firmware) for a player that is not the simulated one.
inline constexpr const char* kSampleRefused =
    " is a sample image that comes with the program, not firmware. It is only sent to a "
    "simulated player (nebrisk --simulate DIR); nothing was sent to this player.";

class UpgradePresenter {
 public:
  UpgradePresenter(UpgradeView& view, DeviceBinder& binder, PackagePaths paths);

  // Start-up: reads the settings file, captions the buttons and enables them by boot state.
  void Load();
  // Start-up without a package: both buttons stay disabled and the window says `text`.
  void ShowNoPackage(const std::string& text);
  void OnBootUpClick();
  void OnFwUpClick();
  // The close request: false while a flow runs, so that the window stays open.
  bool OnCloseRequest() const { return !bUpgrading; }
  bool IsUpgrading() const { return bUpgrading; }

  // The text shown when BOOT UPGRADE is missing or not a whole number.
  std::string BadBootStateText() const;

 private:
  enum class Flow { kBootCode, kMainFirmware };
  void RunFlow(Flow flow);
  void SetEnabled(UpgradeButton button, bool enabled);
  void RestoreButtons(const ButtonStates& states);
  std::optional<int16_t> ReadBootState();
  // The firmware file names and versions, from the settings file just read.
  void ReadPackageNames();
  void ReportUpgradeFailure();
  // BOOT UPGRADE=1 into the settings file, else into the user's state file, saying so.
  void RecordBootCodeUpgraded();

  UpgradeView& view_;
  DeviceBinder& binder_;
  PackagePaths paths_;
  CIniFile gIniFile;
  std::string strBootFileName;
  std::string strBootVersion;
  std::string strMainFileName;
  std::string strMainVersion;
  bool bUpgrading = false;
  // False while the names come from a settings file without a boot state (as at a start
  // without "CodecFileInfo.ini"): the first click that finds one reads them again.
  bool namesFromValidFile_ = false;
  ButtonStates enabled_;  // as the window laid the buttons out: both enabled
};

}  // namespace vorpex::app
