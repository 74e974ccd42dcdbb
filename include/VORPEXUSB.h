/* VORPEXUSB: the chip USB library of the player.
 *
 * Error state and messages, the Intel HEX conversion, the WinDriver transport, and (in later
 * versions of this header) storage, transfers and the firmware upgrade.
 *
 * Every function returns its result as a 32-bit value and leaves the reason of a failure in
 * the process-wide error state (VORPEX_GetError, VORPEX_GetWindowsError). Nothing allocated by
 * the library is freed by the caller, and nothing allocated by the caller is freed here.
 *
 * On Windows the functions are exported under the names below, plus "_loc_ConvertHexToBin";
 * on Linux under the same names with loc_ConvertHexToBin spelt without its underscore. */
#ifndef VORPEXUSB_H
#define VORPEXUSB_H

#include <stdint.h>

#ifdef _WIN32
#define VORPEX_CC __cdecl
#define VORPEX_API
/* The conversion is exported as "_loc_ConvertHexToBin"; callers write loc_ConvertHexToBin. */
#define loc_ConvertHexToBin _loc_ConvertHexToBin
#else
#define VORPEX_CC
#define VORPEX_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Error codes (VORPEX_GetError). Code 6 carries a Windows error code beside it. */
enum {
  VORPEX_OK = 0,
  VORPEX_ERR_DEVICEDRIVER_OPEN = 1,
  VORPEX_ERR_DEVICEDRIVER_VERSION = 2,
  VORPEX_ERR_DEVICE_OPEN = 3,
  VORPEX_ERR_USB = 4,
  VORPEX_ERR_INTERNAL = 5,
  VORPEX_ERR_WINDOWS = 6,
  VORPEX_ERR_MEMORY_ALLOC = 7,
  VORPEX_ERR_FILE_TOOBIG = 8,
  VORPEX_ERR_DISKFULL = 9,
  VORPEX_ERR_FORMAT = 10,
  VORPEX_ERR_UNSUPPORTED = 11,
  VORPEX_ERR_NODISK = 12,
  VORPEX_ERR_INVALID_FILENAME = 13,
  VORPEX_ERR_USERBREAK = 14
};

/* The error code; 0 until something fails. */
VORPEX_API int32_t VORPEX_CC VORPEX_GetError(void);
/* Stores `code` as the error code and returns it; the Windows error code stays. */
VORPEX_API int32_t VORPEX_CC VORPEX_SetError(int32_t code);
/* The Windows error code that goes with error code 6. */
VORPEX_API uint32_t VORPEX_CC VORPEX_GetWindowsError(void);
/* Sets the error code to 6 and the Windows error code to `windowsError`, or to the calling
 * thread's last system error when it is 0; returns the Windows error code stored. */
VORPEX_API uint32_t VORPEX_CC VORPEX_SetWindowsError(uint32_t windowsError);
/* Shows the text of an error code in a message box and returns the box's result; for code 6
 * it shows the system's text of `windowsError` (the last system error when 0) and returns 0. */
VORPEX_API int32_t VORPEX_CC VORPEX_DispError(int32_t code, uint32_t windowsError);
/* The library's module handle (HINSTANCE on Windows), through which its resources are found. */
VORPEX_API void* VORPEX_CC VORPEX_GetModuleHandle(void);

/* Writes the binary image at `imagePath` into the player's boot area (kind nonzero, at most
 * 8192 bytes) or codec area (kind 0, at most 33,553,920 bytes), showing a progress window owned
 * by `parentWindow` with `statusText` (null keeps the erase text) while the image is written.
 * Leaves both transfer time-outs at 5,000,000 ms. 1 when the player acknowledged the whole
 * image, 0 otherwise. */
VORPEX_API int32_t VORPEX_CC VORPEX_UpgradeFirmware(void* parentWindow, void* device,
                                                    int32_t kind, int32_t mode,
                                                    const char* imagePath, const char* statusText);

/* Converts an Intel HEX file into a flat binary image whose byte k belongs to address
 * base + k, holes filled with 0x00. Returns 1 on success, 0 on failure (source missing,
 * destination not writable, a malformed record, or an image beyond 33,553,920 bytes); on
 * failure no destination file is left behind. */
VORPEX_API int32_t VORPEX_CC loc_ConvertHexToBin(const char* sourcePath,
                                                 const char* destinationPath, uint32_t base);

/* Transport. A device is the record VORPEX_Open returns; pass it back unchanged. */

/* Opens the player (USB vendor 0x04E8, product 0x1003) through the WinDriver driver. Null when
 * the driver is missing (error 1), the player is not attached (error code untouched), or the
 * driver is older than version 502 or refuses the player (error 2). */
VORPEX_API void* VORPEX_CC VORPEX_Open(void);
/* Releases the player and frees the record; null is ignored. */
VORPEX_API void VORPEX_CC VORPEX_Close(void* device);
/* Resets pipes 2, 0x82, 3 and 0x83; returns 1. */
VORPEX_API int32_t VORPEX_CC VORPEX_test(void* device);
/* A control transfer on pipe 0 with the 8-byte `setup` packet and the write time-out.
 * Returns the bytes transferred, or -1. */
VORPEX_API int32_t VORPEX_CC VORPEX_WriteDefaultPipe(void* device, void* buffer, uint32_t size,
                                                     const void* setup);
/* Reads from pipe `pipe` | 0x80 with the read time-out; bytes transferred, or -1. */
VORPEX_API int32_t VORPEX_CC VORPEX_ReadBulkPipe(void* device, uint32_t pipe, void* buffer,
                                                 uint32_t size);
/* Writes to pipe `pipe` with the write time-out; bytes transferred, or -1. */
VORPEX_API int32_t VORPEX_CC VORPEX_WriteBulkPipe(void* device, uint32_t pipe, void* buffer,
                                                  uint32_t size);
/* Writes to pipe 2, reads from pipe 0x83: bytes transferred, 0 for failure (so a transfer
 * of 0 bytes counts as failed too). */
VORPEX_API int32_t VORPEX_CC VORPEX_SendUSB(void* device, void* buffer, uint32_t size);
VORPEX_API int32_t VORPEX_CC VORPEX_RecvUSB(void* device, void* buffer, uint32_t size);
/* Sets the read and write time-outs in milliseconds (3000 and 2000 at load) for every later
 * transfer; returns `readMs`. */
VORPEX_API uint32_t VORPEX_CC VORPEX_SetTimeout(uint32_t readMs, uint32_t writeMs);

#ifdef __cplusplus
}
#endif

#endif /* VORPEXUSB_H */
