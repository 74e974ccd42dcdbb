/* ORVANEUsbDll: the player device library.
 *
 * The session with the player over its device driver, the command channel, device
 * information, the player's two memory areas (0 "M", 1 "S"), their files, copies both ways, MP3
 * header reading and the firmware upgrade.
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
/* Storage, catalogue and transfers */
#define Usb_Refresh _Usb_Refresh
#define Usb_TotalMemory _Usb_TotalMemory
#define Usb_FreeMemory _Usb_FreeMemory
#define Usb_Format _Usb_Format
#define Usb_VocaFormat _Usb_VocaFormat
#define Usb_Mp3Format _Usb_Mp3Format
#define Usb_Delete _Usb_Delete
#define Usb_Replace _Usb_Replace
#define Usb_FileCount _Usb_FileCount
#define Usb_FileCount2 _Usb_FileCount2
#define Usb_MusicFileCount _Usb_MusicFileCount
#define Usb_ListFileName _Usb_ListFileName
#define Usb_ListFileNameExt _Usb_ListFileNameExt
#define Usb_ListFileSize _Usb_ListFileSize
#define Usb_Download _Usb_Download
#define Usb_DownloadIndexFile _Usb_DownloadIndexFile
#define Usb_Upload _Usb_Upload
#define Usb_UploadIndexFile _Usb_UploadIndexFile
#define Usb_UploadFile _Usb_UploadFile
#define Usb_DownloadElseFile _Usb_DownloadElseFile
#define Usb_DownloadFile _Usb_DownloadFile
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
 * (kind 0): 1 when the player acknowledged the whole image, 0 on failure. A failure after the
 * write command went out tells the player to drop the image (the abort message), so that it
 * takes the next command as one. */
ORVANE_API int32_t ORVANE_CC Usb_UpgradeFirmware(void* parentWindow, void* device, int32_t kind,
                                                 int32_t mode, const char* unused,
                                                 const char* hexPath);
/* Writes a binary image into the boot or codec area, statusText in the progress window. */
ORVANE_API int32_t ORVANE_CC Usb_UpgradeCodec(void* parentWindow, void* device, int32_t kind,
                                              int32_t mode, const char* imagePath,
                                              const char* statusText);

/* ---- Storage, catalogue and transfers ----
 * The library keeps a picture of each area: its directory (256 records of 32 bytes, the chip
 * library's DirEntry) and its five memory words (files, 0, capacity, used, 0; capacity and used
 * in units of 16384 bytes), zero at load. The file counts and Usb_TotalMemory reload it; the
 * listings and Usb_FreeMemory read it as the last reload left it, so after a copy, delete or
 * format its entries are stale until the next count. A failed reload leaves the area's words
 * zero. `device` arguments are ignored unless said otherwise: the library talks over its one
 * session (Usb_Checking). `index` is an entry number as the directory read counts files. */

/* The directory read: `info` (may be null) receives the five words, `entries` up to `*count`
 * records, `*count` (may be null) the number of files. 1 when read, 0 when not. Writes only the
 * caller's buffers, never the library's picture. */
ORVANE_API int32_t ORVANE_CC Usb_Refresh(void* device, int32_t area, uint32_t* info,
                                         uint8_t* entries, uint32_t* count);
/* Reloads the area and returns its capacity in bytes: 0 after a failed reload (error 4) or for
 * an area without capacity (error 12), and for an area other than 0 or 1. */
ORVANE_API uint32_t ORVANE_CC Usb_TotalMemory(int32_t area);
/* Free bytes of the area from the picture, nothing sent; 0 when used is not below capacity and
 * for an area other than 0 or 1. */
ORVANE_API uint32_t ORVANE_CC Usb_FreeMemory(int32_t unused, int32_t area);
/* Format the area ("F"), as voice memory ("V") or as MP3 memory ("C"): 0 when formatted, 3 without
 * a session value (after a message box), 4 or 12 when the area cannot be read, 4 when the
 * command is not sent or not answered, 10 when the player refuses. Failures are shown in a
 * message box, the voice and MP3 formats' refusals after a box "Format error 2". The player is
 * given up to 5000000 ms to answer; the read time-out is 3000 ms again afterwards. The picture
 * is not reloaded. */
ORVANE_API int32_t ORVANE_CC Usb_Format(void* owner, void* device, int32_t area);
ORVANE_API int32_t ORVANE_CC Usb_VocaFormat(void* owner, void* device, int32_t area);
ORVANE_API int32_t ORVANE_CC Usb_Mp3Format(void* owner, void* device, int32_t area);
/* Deletes entry `index` (0 to 255): 0 deleted, 1 not sent (an index outside 0 to 255 records 5,
 * an unsent command 4), 2 no reply (4), 3 refused (5). */
ORVANE_API int32_t ORVANE_CC Usb_Delete(void* device, int32_t area, int32_t index);
/* Sends "P" with `index` and the low byte of `second`: 1 acknowledged, 0 with error 5 (index
 * outside 0 to 255, refused) or 4 (not sent, no reply). */
ORVANE_API int32_t ORVANE_CC Usb_Replace(void* device, int32_t area, int32_t index, int32_t second);

/* The counts make `device` the library's session value (0 leaves it without one, and the
 * formats then refuse with 3), reload the area and return the number of files the player
 * reported; 0 for an area other than 0 or 1, after a failed reload or when `device` is 0. */
ORVANE_API uint32_t ORVANE_CC Usb_FileCount(void* device, int32_t area);
/* The same, then Usb_Replace(device, area, index, second); returns the count read before it. */
ORVANE_API uint32_t ORVANE_CC Usb_FileCount2(void* device, int32_t area, int32_t index,
                                             int32_t second);
/* The same steps; returns the second memory word, which is always 0. */
ORVANE_API uint32_t ORVANE_CC Usb_MusicFileCount(void* device, int32_t area);
/* Copies the name of entry `index` (8 bytes as stored, trailing blanks included, up to its
 * first zero byte) into `name` without a terminator; returns 0. An area other than 0 or 1 or an
 * index above 255 copies nothing. */
ORVANE_API int32_t ORVANE_CC Usb_ListFileName(int32_t unused, int32_t area, int32_t index,
                                              char* name);
/* Shows the extension of entry `index` in a message box, copies it (up to 3 bytes) into `ext`
 * without a terminator and returns the terminated extension text inside the picture; null, with
 * no box, for an area or index that names no entry. */
ORVANE_API const char* ORVANE_CC Usb_ListFileNameExt(int32_t unused, int32_t area, int32_t index,
                                                     char* ext);
/* The size in bytes of entry `index`; 0 for an area or index that names no entry. */
ORVANE_API uint32_t ORVANE_CC Usb_ListFileSize(int32_t unused, int32_t area, int32_t index);

/* Announces the PC file `path` to the player ("W" with its 8.3 short name, the PC's local date
 * and time now and its size, 512 bytes more when `extra` is 1): 1 when the player accepted it;
 * the caller then sends the announced bytes in 512-byte units with Usb_SendUSB. 0 on failure:
 * 13 no short name, 6 the file cannot be opened (with the system's error), 8 too big, 4 not
 * sent or not answered (an unanswered one also stops the player's transfer with the abort
 * message), 9 the player has no room. */
ORVANE_API int32_t ORVANE_CC Usb_Download(void* device, int32_t area, const char* path,
                                          int32_t extra);
/* Copies `path` to the player: the announcement, then the data in chunks of up to 16384
 * bytes, the last rounded up to 512. 1 when copied; 0 with the announcement's errors, 4 for a
 * short data write, 6 when the file cannot be read or comes up short (38 without a system
 * error); a failed data phase is aborted so the player keeps no partial file. */
ORVANE_API int32_t ORVANE_CC Usb_DownloadIndexFile(void* owner, void* device, int32_t area,
                                                   const char* path);
/* Asks the player for entry `index` (0 to 255) and creates `path` anew: the open file's handle
 * (a HANDLE on Windows, a descriptor on Linux), which the caller fills and closes with
 * Usb_WriteData, the size known from Usb_ListFileSize. 0 on failure: nothing sent for an index
 * outside 0 to 255, 4 not sent or no first reply, 5 a refusal or no second reply, 6 the file
 * cannot be created. A reply that does not come may have been sent with the data behind it: the
 * player is then told to stop (the abort message), as for a file that cannot be created. */
ORVANE_API void* ORVANE_CC Usb_Upload(void* owner, void* device, int32_t area, int32_t index,
                                      const char* path, const char* displayName, uint32_t size);
/* Copies entry `index` of `size` bytes into `path`: 1 when every byte arrived. The data goes to
 * a new file beside `path` that replaces it only when complete; on failure an existing `path`
 * is unchanged and nothing is left behind. 0 with Usb_Upload's errors, 4 for a receive that
 * brings fewer bytes than asked, 6 for a failed write to the PC (the data phase is aborted). */
ORVANE_API int32_t ORVANE_CC Usb_UploadIndexFile(void* owner, void* device, int32_t area,
                                                 int32_t index, const char* path,
                                                 const char* displayName, uint32_t size);
/* VORPEX_Upload and VORPEX_DownloadElseFile of the chip library with the same arguments and
 * results; `device` is the chip library's device handle (VORPEX_Open). */
ORVANE_API int32_t ORVANE_CC Usb_UploadFile(void* owner, void* device, int32_t area,
                                            int32_t index, const char* path,
                                            const char* displayName, uint32_t size);
ORVANE_API int32_t ORVANE_CC Usb_DownloadElseFile(void* owner, void* device, int32_t area,
                                                  const char* path);
/* Does nothing; always 0. */
ORVANE_API int32_t ORVANE_CC Usb_DownloadFile(int32_t a, int32_t b, int32_t c, int32_t d, int32_t e,
                                              int32_t f, int32_t g, int32_t h);
/* ---- end of storage, catalogue and transfers ---- */
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
