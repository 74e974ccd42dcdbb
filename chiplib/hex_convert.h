// Intel HEX firmware files into flat binary images.
#pragma once
#include <cstdint>

namespace vorpex::chip {

// 1 on success; 0 on failure, with no destination file left behind.
int32_t ConvertHexToBin(const char* sourcePath, const char* destinationPath, uint32_t base);

}  // namespace vorpex::chip
