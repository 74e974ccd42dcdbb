#include "chiplib/upgrade.h"

#include "chiplib/command.h"
#include "operations/upgrade.h"

namespace vorpex::chip {

int32_t UpgradeFirmware(void* parentWindow, ChipDevice* device, int32_t kind, int32_t mode,
                        const char* imagePath, const char* statusText) {
  ChipChannel channel(device, parentWindow, true);
  return operations::RunUpgrade(channel, kind, mode, imagePath, statusText);
}

}  // namespace vorpex::chip
