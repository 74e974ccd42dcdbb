#include "app/upgrade_presenter.h"

#include "app/startup.h"
#include "app/text_fit.h"
#include "platform/clock.h"
#include "platform/error.h"
#include "platform/file_head.h"
#include "platform/file_search.h"
#include "platform/folder.h"
#include "protocol/sample_image.h"

namespace vorpex::app {
namespace {

constexpr const char* kBootInfo = "BOOTINFO";
constexpr const char* kMaindInfo = "MAINDINFO";
constexpr const char* kBootUpgrade = "BOOT UPGRADE";
constexpr int16_t kBootStateDue = 0;
constexpr int16_t kBootStateBootIsAll = 3;
constexpr int16_t kBootStateQuiet = 4;
constexpr int32_t kKindBootCode = -1;
constexpr int32_t kKindCodec = 0;
constexpr uint32_t kPauseAfterUpgradeMs = 1000;

// Whether the firmware file is one of the sample images: our own patterns, not firmware.
bool IsSampleImage(const std::string& path) {
  return protocol::IsSampleImage(
      platform::ReadFileHead(path, protocol::kSampleImageHead).value_or(""));
}

}  // namespace

UpgradePresenter::UpgradePresenter(UpgradeView& view, DeviceBinder& binder, PackagePaths paths)
    : view_(view), binder_(binder), paths_(std::move(paths)) {}

std::string UpgradePresenter::BadBootStateText() const {
  return std::string("The key \"") + kBootUpgrade + "\" in section [" + kBootInfo + "] of " +
         paths_.settingsFile + " is missing or not a whole number.";
}

std::optional<int16_t> UpgradePresenter::ReadBootState() {
  gIniFile = CIniFile{};
  gIniFile.INIFile(paths_.settingsFile);
  std::optional<int16_t> state = ParseBootState(gIniFile.GetFile(kBootInfo, kBootUpgrade));
  // A boot state kept for the package in the user's state folder, because the package could
  // not be written, is the later word.
  if (state && !paths_.stateFile.empty()) {
    CIniFile kept;
    kept.INIFile(paths_.stateFile);
    if (auto keptState = ParseBootState(kept.GetFile(kBootInfo, kBootUpgrade))) state = keptState;
  }
  return state;
}

void UpgradePresenter::RecordBootCodeUpgraded() {
  if (gIniFile.WriteFile(kBootInfo, kBootUpgrade, "1")) return;
  const uint32_t code = platform::LastError();
  const std::string reason = TrimLineEnd(
      platform::SystemErrorText(code).value_or("Windows error " + std::to_string(code)));
  if (!paths_.stateFile.empty()) {
    const std::string folder = platform::FolderOf(paths_.stateFile);
    platform::MakeFolder(platform::FolderOf(folder));
    platform::MakeFolder(folder);
    CIniFile kept;
    kept.INIFile(paths_.stateFile);
    if (kept.WriteFile(kBootInfo, kBootUpgrade, "1") &&
        kept.WriteFile(kBootInfo, "PACKAGE", paths_.settingsFile)) {
      view_.ShowMessage(paths_.settingsFile + kBootStateElsewhere + reason + kBootStateKeptIn +
                            paths_.stateFile + ".",
                        BoxTitle::kProgram, BoxKind::kInformation);
      return;
    }
  }
  view_.ShowMessage(paths_.settingsFile + kBootStateNotSaved + reason + kSetItByHand,
                    BoxTitle::kProgram, BoxKind::kError);
}

void UpgradePresenter::ShowNoPackage(const std::string& text) {
  SetEnabled(UpgradeButton::kBootUp, false);
  SetEnabled(UpgradeButton::kFwUp, false);
  view_.SetStatusText(kNoPackageStatus);
  view_.ShowMessage(text, BoxTitle::kProgram, BoxKind::kInformation);
}

void UpgradePresenter::SetEnabled(UpgradeButton button, bool enabled) {
  (button == UpgradeButton::kBootUp ? enabled_.bootUp : enabled_.fwUp) = enabled;
  view_.SetEnabled(button, enabled);
}

void UpgradePresenter::RestoreButtons(const ButtonStates& states) {
  SetEnabled(UpgradeButton::kBootUp, states.bootUp);
  SetEnabled(UpgradeButton::kFwUp, states.fwUp);
}

void UpgradePresenter::ReadPackageNames() {
  strBootFileName = gIniFile.GetFile(kBootInfo, "BOOT FILENAME");
  strBootVersion = gIniFile.GetFile(kBootInfo, "BOOT VERSION");
  strMainFileName = gIniFile.GetFile(kMaindInfo, "MAIND FILENAME");
  strMainVersion = gIniFile.GetFile(kMaindInfo, "MAIND VERSION");
}

void UpgradePresenter::Load() {
  std::optional<int16_t> bootState = ReadBootState();
  ReadPackageNames();
  namesFromValidFile_ = bootState.has_value();

  std::optional<ButtonStates> states;
  if (bootState) states = StartButtonStates(*bootState);
  // Without a boot state the buttons still carry their versions, so that the user can tell them
  // apart once the settings file is mended; both stay enabled, and a click reads it again.
  if (states || !bootState) {
    view_.SetCaption(UpgradeButton::kBootUp, kBootCaptionPrefix + strBootVersion);
    view_.SetCaption(UpgradeButton::kFwUp, kMainCaptionPrefix + strMainVersion);
  }
  if (states) RestoreButtons(*states);
  bUpgrading = false;
  if (!bootState) view_.ShowMessage(BadBootStateText(), BoxTitle::kProgram, BoxKind::kError);
}

void UpgradePresenter::OnBootUpClick() {
  RunFlow(Flow::kBootCode);
}
void UpgradePresenter::OnFwUpClick() {
  RunFlow(Flow::kMainFirmware);
}

void UpgradePresenter::ReportUpgradeFailure() {
  // The device library left the reason in the chip library's error state; the chip library
  // shows it as it shows all its errors, unless it knew the reason in plain words (a firmware
  // file cut short or damaged). A failure that left no reason still gets a box.
  ChipError error = binder_.GetError();
  if (std::string detail = binder_.ErrorDetail(); !detail.empty()) {
    view_.ShowMessage(detail, BoxTitle::kProgram, BoxKind::kError);
  } else if (error.code != 0) {
    binder_.DispError(error);
  } else {
    view_.ShowMessage(kUpgradeFailedBox, BoxTitle::kProgram, BoxKind::kError);
  }
}

void UpgradePresenter::RunFlow(Flow flow) {
  if (bUpgrading) return;  // a click that slipped through while a flow runs
  const bool boot = flow == Flow::kBootCode;
  const ButtonStates before = enabled_;
  bUpgrading = true;
  SetEnabled(UpgradeButton::kFwUp, false);
  SetEnabled(UpgradeButton::kBootUp, false);

  // Leaves the buttons for the next step. `upgraded` is empty when the upgrade call was not made.
  auto finish = [&](std::optional<bool> upgraded) {
    if (!boot) {
      SetEnabled(UpgradeButton::kBootUp, false);
      SetEnabled(UpgradeButton::kFwUp, true);
    } else if (upgraded == false) {
      SetEnabled(UpgradeButton::kBootUp, true);  // another try of the failed step
    }
    bUpgrading = false;
  };

  std::optional<int16_t> bootState = ReadBootState();
  if (!bootState) {
    view_.ShowMessage(BadBootStateText(), BoxTitle::kProgram, BoxKind::kError);
    RestoreButtons(before);
    bUpgrading = false;
    return;
  }
  if (!namesFromValidFile_) {
    // Start-up found no usable settings file; now that it is mended, its names count.
    ReadPackageNames();
    view_.SetCaption(UpgradeButton::kBootUp, kBootCaptionPrefix + strBootVersion);
    view_.SetCaption(UpgradeButton::kFwUp, kMainCaptionPrefix + strMainVersion);
    namesFromValidFile_ = true;
  }
  if (*bootState != kBootStateQuiet)
    view_.ShowMessage(kCableWarning, BoxTitle::kEmpty, BoxKind::kInformation);

  if (std::optional<std::string> failure = binder_.Bind()) {
    view_.ShowMessage(*failure, BoxTitle::kProgram, BoxKind::kError);
    RestoreButtons(before);
    bUpgrading = false;
    return;
  }
  // A sample image is refused before any player is looked for, unless a simulated one stands in.
  const std::string path = FirmwarePath(paths_, boot ? strBootFileName : strMainFileName);
  if (!binder_.SimulatedPlayer() && IsSampleImage(path)) {
    view_.ShowMessage(path + kSampleRefused, BoxTitle::kProgram, BoxKind::kError);
    RestoreButtons(before);
    bUpgrading = false;
    return;
  }
  if (binder_.Checking(0) == 0) {
    view_.ShowMessage(kPlayerMissing, BoxTitle::kProgram, BoxKind::kError);
    finish(std::nullopt);
    return;
  }

  if (!platform::FindAnyFile(path)) {
    view_.ShowMessage(kFileMissing, BoxTitle::kProgram, BoxKind::kError);
    finish(std::nullopt);
    return;
  }

  view_.SetStatusText(kUpgrading);
  view_.PumpMessages();
  binder_.ClearError();  // so that a failure shows its own reason, not an earlier one
  const bool upgraded =
      binder_.UpgradeFirmware(view_.OwnerWindow(), nullptr, boot ? kKindBootCode : kKindCodec, 0,
                              path.c_str(), path.c_str()) != 0;
  view_.PumpMessages();
  platform::SleepMs(kPauseAfterUpgradeMs);
  binder_.Close(0);

  if (!upgraded) {
    ReportUpgradeFailure();
    view_.SetStatusText(kFailed);
  } else if (boot) {
    if (*bootState == kBootStateDue) RecordBootCodeUpgraded();
    if (*bootState == kBootStateBootIsAll) {
      view_.ShowMessage(kMainDoneBox, BoxTitle::kProgram, BoxKind::kInformation);
    } else if (*bootState != kBootStateQuiet) {
      view_.ShowMessage(kBootDoneBox, BoxTitle::kProgram, BoxKind::kInformation);
      SetEnabled(UpgradeButton::kBootUp, false);
      SetEnabled(UpgradeButton::kFwUp, true);
    }
    view_.SetStatusText(kCompleted);
  } else {
    if (*bootState != kBootStateQuiet)
      view_.ShowMessage(kMainDoneBox, BoxTitle::kProgram, BoxKind::kInformation);
    view_.SetStatusText(kCompleted);
  }
  finish(upgraded);
}

}  // namespace vorpex::app
