// The firmware upgrade over the chip library's own transport.
#pragma once
#include <cstdint>

#include "chiplib/transport.h"

namespace vorpex::chip {

int32_t UpgradeFirmware(void* parentWindow, ChipDevice* device, int32_t kind, int32_t mode,
                        const char* imagePath, const char* statusText);

}  // namespace vorpex::chip
