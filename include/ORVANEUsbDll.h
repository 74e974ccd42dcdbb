/* ORVANEUsbDll: the player device library.
 *
 * The session with the player over its device driver, the command channel, device
 * information, MP3 header reading and the firmware upgrade (storage, catalogue and transfers
 * follow).
 *
 * Windows exports these as stdcall functions under decorated names: "_Usb_Checking@4",
 * "_Usb_UpgradeFirmware@24", ... and "?get_osVersion@@YGXPAD@Z". Callers that link the import
 * library write the plain names below; callers that bind at run time look up the decorated ones.
 * Linux exports the plain names (Usb_Checking, get_osVersion, ...).
 *
 * Failures leave their reason in the chip library's error state (VORPEXUSB.h). */
#ifndef ORVANEUSBDLL_H
#define ORVANEUSBDLL_H

#include <stdint.h>

#ifdef _WIN32
#define ORVANE_CC __stdcall
#define ORVANE_API
#define Usb_Checking _Usb_Checking
#define Usb_Close _Usb_Close
#define Usb_SendCommand _Usb_SendCommand
#define Usb_SendUSB _Usb_SendUSB
#define Usb_RecvUSB _Usb_RecvUSB
#define Usb_CancelTransfer _Usb_CancelTransfer
#define Usb_WriteData _Usb_WriteData
#define Usb_GetDevInfo _Usb_GetDevInfo
#define Usb_UpgradeFirmware _Usb_UpgradeFirmware
#define Usb_UpgradeCodec _Usb_UpgradeCodec
#define Usb_GetBitRateAndType _Usb_GetBitRateAndType
#define get_bitRateAndType _get_bitRateAndType
#else
#define ORVANE_CC
#define ORVANE_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The 16-byte record get_osVersion fills: four 32-bit fields in this order. */
typedef struct OrvaneVersionRecord {
  uint32_t major;
  uint32_t minor;
  uint32_t build;
  uint32_t platformId; /* 0 Win32s, 1 Windows 95/98/Me, 2 NT family */
} OrvaneVersionRecord;

/* Fills a 16-byte version record and picks the driver route from it. On Windows exported
 * only as "?get_osVersion@@YGXPAD@Z": bind it by that name. */
typedef void(ORVANE_CC* OrvaneGetOsVersionFn)(char* versionRecord);
#ifndef _WIN32
ORVANE_API void get_osVersion(char* versionRecord);
#endif

/* Opens (or keeps) the session with the player: 1 when it answers, 0 when not. */
ORVANE_API int32_t ORVANE_CC Usb_Checking(int32_t unused);
/* Closes the session's driver files; always 1. */
ORVANE_API int32_t ORVANE_CC Usb_Close(int32_t unused);

/* One command block (area -2 "G", -1 "C", 0 "M", 1 "S", 2 "Y"; at most 251 payload bytes):
 * 512 when sent, 0 when not. */
ORVANE_API int32_t ORVANE_CC Usb_SendCommand(void* device, int32_t area, int32_t command,
                                             const void* data, uint32_t n);
/* Raw data to and from the player: the byte count moved, 0 on failure. */
ORVANE_API int32_t ORVANE_CC Usb_SendUSB(void* device, const void* buffer, uint32_t count);
ORVANE_API int32_t ORVANE_CC Usb_RecvUSB(void* device, void* buffer, uint32_t count);
/* Posts the abort message that stops a transfer in progress; always 0. */
ORVANE_API int32_t ORVANE_CC Usb_CancelTransfer(void* device);
/* Receives one chunk of up to readCount bytes and writes writeCount of them to `file` (a
 * file handle), closing it when closeFlag is 1: 0 when a chunk arrived, 1 when nothing did (the
 * file is then closed). */
ORVANE_API int32_t ORVANE_CC Usb_WriteData(void* device, void* file, uint32_t readCount,
                                           uint32_t writeCount, int32_t closeFlag);
/* The player's 20 bytes of device information: 0 when copied, 1 on failure. */
ORVANE_API int32_t ORVANE_CC Usb_GetDevInfo(void* device, uint8_t* info20);

/* Converts an Intel HEX file and writes it into the boot area (kind nonzero) or the codec area
 * (kind 0): 1 when the player acknowledged the whole image, 0 on failure. */
ORVANE_API int32_t ORVANE_CC Usb_UpgradeFirmware(void* parentWindow, void* device, int32_t kind,
                                                 int32_t mode, const char* unused,
                                                 const char* hexPath);
/* Writes a binary image into the boot or codec area, statusText in the progress window. */
ORVANE_API int32_t ORVANE_CC Usb_UpgradeCodec(void* parentWindow, void* device, int32_t kind,
                                              int32_t mode, const char* imagePath,
                                              const char* statusText);

/* MP3 header reading: whether the first bytes of an audio file are MPEG audio (MPEG-1, MPEG-2 or
 * MPEG 2.5) Layer III or Layer II, and at which bit rate. A frame counts when the next one
 * starts where its header says; frames may start in the first 16384 bytes. On 1, *type is
 * ORVANE_MP3_LAYER3 or ORVANE_MP3_LAYER2 and *bitRate the bit rate in kbit/s; on 0, *bitRate is 0
 * and *type is left as it was. Neither touches the player or any library state. */
#define ORVANE_MP3_LAYER3 16
#define ORVANE_MP3_LAYER2 64
/* The bytes that Usb_GetBitRateAndType reads at most, and that get_bitRateAndType always reads. */
#define ORVANE_MP3_SCAN_BYTES 19267

/* Use this one in new code: it reads `data` only up to `length` bytes, and gives the same
 * results as get_bitRateAndType on ORVANE_MP3_SCAN_BYTES bytes or more. A shorter buffer holds
 * fewer places a frame may start. "_Usb_GetBitRateAndType@16" on Windows. */
ORVANE_API int32_t ORVANE_CC Usb_GetBitRateAndType(const uint8_t* data, uint32_t length,
                                                   int32_t* bitRate, int32_t* type);
/* The older interface, without a length: `data` must hold ORVANE_MP3_SCAN_BYTES bytes, all of
 * which may be read. "_get_bitRateAndType@12" on Windows. */
ORVANE_API int32_t ORVANE_CC get_bitRateAndType(const uint8_t* data, int32_t* bitRate,
                                                int32_t* type);

#ifdef __cplusplus
}
#endif

#endif /* ORVANEUSBDLL_H */
