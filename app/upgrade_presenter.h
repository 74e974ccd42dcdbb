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

class UpgradePresenter {
 public:
  UpgradePresenter(UpgradeView& view, DeviceBinder& binder, PackagePaths paths);

  // Start-up: reads the settings file, captions the buttons and enables them by boot state.
  void Load();
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
