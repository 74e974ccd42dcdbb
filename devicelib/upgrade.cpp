#include "devicelib/upgrade.h"

#include <string>
#include <utility>

#include "VORPEXUSB.h"
#include "devicelib/command_channel.h"
#include "operations/upgrade.h"
#include "platform/error.h"
#include "platform/file.h"
#include "platform/temp.h"
#include "vorpex_shared.h"

namespace vorpex::device {
namespace {

constexpr uint32_t kBootBase = 0;
constexpr uint32_t kCodecBase = 8192;

// The converted image in the temporary folder (up to 32 MiB): removed however the upgrade ends.
class TemporaryImage {
 public:
  explicit TemporaryImage(std::string path) : path_(std::move(path)) {}
  TemporaryImage(const TemporaryImage&) = delete;
  TemporaryImage& operator=(const TemporaryImage&) = delete;
  ~TemporaryImage() { platform::RemoveFile(path_); }
  const char* path() const { return path_.c_str(); }

 private:
  std::string path_;
};

}  // namespace

int32_t UpgradeCodec(void* parentWindow, int32_t kind, int32_t mode, const char* imagePath,
                     const char* statusText) {
  DeviceChannel channel(parentWindow);
  return operations::RunUpgrade(channel, kind, mode, imagePath, statusText);
}

int32_t UpgradeFirmware(void* parentWindow, int32_t kind, int32_t mode, const char* hexPath) {
  auto folder = platform::TempFolder();
  if (!folder) {
    VORPEX_SetWindowsError(platform::LastError());
    return 0;
  }
  auto created = platform::CreateUniqueTempFile(*folder, "$VPX");
  if (!created) {
    VORPEX_SetWindowsError(platform::LastError());
    return 0;
  }
  const TemporaryImage image(std::move(*created));
  // A HEX file that does not convert (missing, corrupt, cut off, too large) must never reach
  // the player: nothing is sent, and the conversion has recorded why.
  if (VorpexShared_ConvertHexForUpgrade(hexPath, image.path(),
                                        kind != 0 ? kBootBase : kCodecBase) != 1) {
    return 0;
  }
  return UpgradeCodec(parentWindow, kind, mode, image.path(), hexPath);
}

}  // namespace vorpex::device
