#include "chiplib/string_table.h"

#include "chiplib/resource_ids.h"

namespace vorpex::chip {
namespace {

constexpr platform::StringResource kStrings[] = {
    {1, "VORPEXUSB_ERR_DEVICEDRIVER_OPEN"},
    {2, "VORPEXUSB_ERR_DEVICEDRIVER_VERSION"},
    {3, "VORPEXUSB_ERR_DEVICE_OPEN"},
    {4, "VORPEXUSB_ERR_USB"},
    {5, "VORPEXUSB_ERR_INTERNAL"},
    {6, "VORPEXUSB_ERR_WINDOWS"},
    {7, "VORPEXUSB_ERR_MEMORY_ALLOC"},
    {8, "VORPEXUSB_ERR_FILE_TOOBIG"},
    {9, "VORPEXUSB_ERR_DISKFULL"},
    {10, "VORPEXUSB_ERR_FORMAT"},
    {11, "VORPEXUSB_ERR_UNSUPPORTED"},
    {12, "VORPEXUSB_ERR_NODISK"},
    {13, "VORPIXUSB_ERR_INVALID_FILENAME"},
    {14, "VORPIXUSB_ERR_USERBREAK"},
    {IDS_TITLE_UPLOADING, "Uploading..."},
    {IDS_TITLE_DOWNLOADING, "Downloading"},
    {IDS_TITLE_BOOT_UPGRADE, "Boot Code Upgrade"},
    {IDS_TITLE_CODEC_UPGRADE, "Codec Upgrade"},
    {IDS_TITLE_BOOT_ERASING, "Boot Area Erasing..."},
    {IDS_TITLE_CODEC_ERASING, "Codec Area Erasing..."},
};

}  // namespace

std::span<const platform::StringResource> StringTable() {
  return kStrings;
}

}  // namespace vorpex::chip
