/* VORPEXUSB: the chip USB library of the player.
 *
 * Error state and messages, the Intel HEX conversion, the WinDriver transport, the player's
 * storage, file transfers and the firmware upgrade.
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
 * image, 0 otherwise; a failure after the write command went out sends the player the cancel
 * request, so that it drops the image and takes the next command as one. */
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

/* Storage. `memory` picks the player's memory: 0 "M" or 1 "S". `index` is an entry number as
 * the directory read counts files, from 0; it must lie in 0 to 255. Each returns 1 on success
 * and 0 on failure with the reason in the error state: 4 when the player cannot be reached or
 * does not answer, 5 for a refusal or an index outside 0 to 255 (nothing is sent then). */

/* A file of the player's directory, as VORPEX_Refresh fills it (32 bytes). */
typedef struct DirEntry {
  char name[8];      /* base name as stored, space-padded */
  uint8_t zero8;     /* 0 */
  char extension[3]; /* space-padded */
  uint8_t unused12;  /* not written */
  uint8_t zero13;    /* 0 */
  uint8_t unused14[2];
  uint32_t time;       /* last write, MS-DOS packed time */
  uint32_t date;       /* last write, MS-DOS packed date */
  uint32_t size;       /* bytes */
  uint32_t attributes; /* FAT attribute byte */
} DirEntry;

/* A memory's figures, as VORPEX_Refresh fills them (five words). */
typedef struct MemoryInfo {
  uint32_t entries;  /* files, as the player counts them */
  uint32_t zero1;    /* 0 */
  uint32_t capacity; /* in units of 16384 bytes */
  uint32_t used;     /* in units of 16384 bytes */
  uint32_t zero4;    /* 0 */
} MemoryInfo;

/* Formats the memory, showing the format window owned by `owner` until the player answers.
 * 10 when the player refuses; a success sets the error state to 0. */
VORPEX_API int32_t VORPEX_CC VORPEX_Format(void* owner, void* device, int32_t memory);
/* Reads the memory's directory. `info` (may be null) receives the figures; `count` (may be
 * null) holds the capacity of `entries` in records on entry and receives the number of files;
 * the first files, up to that capacity, are written to `entries` (none when `entries` or
 * `count` is null). 0 without an error code when the directory cannot be read; `info` and
 * `count` are then not written. */
VORPEX_API int32_t VORPEX_CC VORPEX_Refresh(void* device, int32_t memory, MemoryInfo* info,
                                            DirEntry* entries, uint32_t* count);
/* Deletes entry `index`, showing the delete window owned by `owner` with `fileName`. */
VORPEX_API int32_t VORPEX_CC VORPEX_Delete(void* owner, void* device, int32_t memory,
                                           int32_t index, const char* fileName);
/* Renames entry `index` to the short name of `newName` (error 13 when it has none). */
VORPEX_API int32_t VORPEX_CC VORPEX_Rename(void* device, int32_t memory, int32_t index,
                                           const char* newName);
/* Sends the replace command for entry `index` with the low byte of `second`. */
VORPEX_API int32_t VORPEX_CC VORPEX_Replace(void* device, int32_t memory, int32_t index,
                                            int32_t second);

/* File transfers. Each returns 1 on success and 0 on failure with the reason in the error
 * state: 4 the player cannot be reached, stops answering or a chunk does not move whole;
 * 5 the player refuses to send; 6 with the system's error a PC file that cannot be opened,
 * created, read or written; 8 a PC file of 4 GiB or more; 9 the player has no room; 13 no
 * short name; 14 the user pressed Cancel. Success leaves the error state as it was. A reply
 * that does not come may have been sent, with the data due behind it: the player is then sent
 * the cancel request, so that it takes the next command as one.
 *
 * Copies entry `index` (of `size` bytes, as the directory read reported) into the PC file
 * `localPath`, showing the progress window "Uploading..." owned by `owner` with `displayName`
 * (null: `localPath`) and a Cancel button. The data arrives in a new file beside `localPath`
 * that replaces it only when complete: a failed or cancelled copy leaves an existing file of
 * that name as it was. An index outside 0 to 255 returns 0 and records no code. */
VORPEX_API int32_t VORPEX_CC VORPEX_Upload(void* owner, void* device, int32_t memory,
                                           int32_t index, const char* localPath,
                                           const char* displayName, uint32_t size);
/* The same without a window; `owner` and `displayName` are ignored. */
VORPEX_API int32_t VORPEX_CC VORPEX_UploadIndexFile(void* owner, void* device, int32_t memory,
                                                    int32_t index, const char* localPath,
                                                    const char* displayName, uint32_t size);
/* Copies the PC file `localPath` to the player under its short name, dated with the PC's local
 * time now, showing the progress window "Downloading" owned by `owner` and a Cancel button.
 * A cancelled or failed copy sends the player the cancel request, so it keeps no partial file. */
VORPEX_API int32_t VORPEX_CC VORPEX_DownloadElseFile(void* owner, void* device, int32_t memory,
                                                     const char* localPath);
/* The same without a window; `owner` is ignored. */
VORPEX_API int32_t VORPEX_CC VORPEX_DownloadIndexFile(void* owner, void* device, int32_t memory,
                                                      const char* localPath);

#ifdef __cplusplus
}
#endif

#endif /* VORPEXUSB_H */
