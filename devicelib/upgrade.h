// The codec and boot-code upgrade over the device library's own channel.
#pragma once
#include <cstdint>

namespace vorpex::device {

int32_t UpgradeFirmware(void* parentWindow, int32_t kind, int32_t mode, const char* hexPath);
int32_t UpgradeCodec(void* parentWindow, int32_t kind, int32_t mode, const char* imagePath,
                     const char* statusText);

}  // namespace vorpex::device
