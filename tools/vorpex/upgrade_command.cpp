#include <cstdio>
#include <optional>

#include "ORVANEUsbDll.h"
#include "VORPEXUSB.h"
#include "platform/file_head.h"
#include "protocol/sample_image.h"
#include "tools/vorpex/commands.h"
#include "tools/vorpex/hex_survey.h"
#include "tools/vorpex/library_error.h"
#include "tools/vorpex/simulated_player.h"
#include "tools/vorpex/upgrade_guard.h"

namespace vorpex::cli {
namespace {

// What the upgrade records for an image that is empty or too large for its area.
constexpr uint32_t kImageSizeRefused = 1903;

}  // namespace

int RunUpgrade(const Options& options, TerminalUi& ui) {
  const std::string area = options.upgradeKind != 0 ? "boot code" : "codec";
  const std::string& path = options.input;
  // A file that is not there is told as such, before the player is touched.
  if (auto problem = UnreadableFile(path)) {
    ReportError("cannot read " + path + ": " + *problem);
    return kExitFailed;
  }
  if (!SimulatedPlayerSelected() &&
      protocol::IsSampleImage(
          platform::ReadFileHead(path, protocol::kSampleImageHead).value_or(""))) {
    ReportError(path +
                " is a sample image that comes with the programs, not firmware: it is only "
                "sent to a simulated player (--simulate DIR). Nothing was sent to the player.");
    return kExitFailed;
  }
  VORPEX_SetError(VORPEX_OK);
  if (Usb_Checking(0) != 1) {
    ReportNoPlayer(ui);
    return kExitFailed;
  }
  // The upgrade program passes the path as the fifth argument as well; the sixth counts.
  std::optional<UpgradeGuard> guard(std::in_place, ui.Hooks());
  const int32_t upgraded =
      Usb_UpgradeFirmware(nullptr, nullptr, options.upgradeKind, 0, path.c_str(), path.c_str());
  const bool interrupted = guard->Interrupted();
  guard.reset();
  LibraryError error;
  if (upgraded != 1) error = ReadLibraryError(ui);
  Usb_Close(0);
  if (upgraded != 1) {
    if (!error.detail.empty()) {
      // A firmware file that does not convert: the player was not touched.
      error.detail += " Nothing was sent to the player.";
    } else if (error.code == VORPEX_ERR_WINDOWS && error.windowsError == kImageSizeRefused) {
      // A file that fits no area, or the other one: say which.
      if (auto survey = SurveyHexFile(path)) {
        error.detail = AreaHint(*survey, options.upgradeKind != 0, path);
      }
    }
    ReportLibraryError("the " + area + " upgrade from " + path + " failed", error);
    return interrupted ? InterruptedStatus() : kExitFailed;
  }
  if (!options.quiet) {
    std::printf("The %s was upgraded from %s. Unplug the player and plug it in again.\n",
                area.c_str(), path.c_str());
  }
  if (interrupted) ReportError("the interrupt came too late to stop the upgrade, which completed");
  return kExitOk;
}

}  // namespace vorpex::cli
