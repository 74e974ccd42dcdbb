// The library's exported C interface: each export hands over to the C++ internals.
#include "ORVANEUsbDll.h"
#include "VORPEXUSB.h"
#include "devicelib/catalogue.h"
#include "devicelib/command_channel.h"
#include "devicelib/mp3_header.h"
#include "devicelib/session.h"
#include "devicelib/state.h"
#include "devicelib/storage.h"
#include "devicelib/transfers.h"
#include "devicelib/upgrade.h"
#include "operations/export_barrier.h"
#include "orvane_copy.h"
#include "orvane_testing.h"
#include "protocol/command_block.h"

using namespace vorpex::device;
using vorpex::RunExport;

namespace {

// A caller's device value as the library keeps it: only whether it is zero counts.
int32_t DeviceValue(void* device) {
  const auto value = reinterpret_cast<intptr_t>(device);
  if (value == 0) return 0;
  // A 64-bit value whose low half is zero is not zero either.
  // cppcheck-suppress knownConditionTrueFalse ; the cast drops the high half
  return static_cast<int32_t>(value) != 0 ? static_cast<int32_t>(value) : 1;
}

}  // namespace

extern "C" {

ORVANE_API void ORVANE_CC get_osVersion(char* versionRecord) {
  RunExport(VORPEX_SetError, [&] { GetOsVersion(reinterpret_cast<uint8_t*>(versionRecord)); });
}

int32_t ORVANE_CC Usb_Checking(int32_t) {
  return RunExport(VORPEX_SetError, 0, [] { return Checking(); });
}
int32_t ORVANE_CC Usb_Close(int32_t) {
  return RunExport(VORPEX_SetError, 0, [] { return ClosePipes(); });
}

// The device argument names the player for callers; this library keeps its one session itself.
int32_t ORVANE_CC Usb_SendCommand(void*, int32_t area, int32_t command, const void* data,
                                  uint32_t n) {
  return RunExport(VORPEX_SetError, 0, [&] { return SendCommand(area, command, data, n); });
}
int32_t ORVANE_CC Usb_SendUSB(void*, const void* buffer, uint32_t count) {
  return RunExport(VORPEX_SetError, 0, [&] { return SendUsb(buffer, count); });
}
int32_t ORVANE_CC Usb_RecvUSB(void*, void* buffer, uint32_t count) {
  return RunExport(VORPEX_SetError, 0, [&] { return RecvUsb(buffer, count); });
}
int32_t ORVANE_CC Usb_CancelTransfer(void*) {
  return RunExport(VORPEX_SetError, 0, [] { return CancelTransfer(); });
}
int32_t ORVANE_CC Usb_WriteData(void*, void* file, uint32_t readCount, uint32_t writeCount,
                                int32_t closeFlag) {
  return RunExport(VORPEX_SetError, 0,
                   [&] { return WriteData(file, readCount, writeCount, closeFlag); });
}
int32_t ORVANE_CC Usb_GetDevInfo(void*, uint8_t* info20) {
  return RunExport(VORPEX_SetError, 0, [&] { return GetDevInfo(info20); });
}

int32_t ORVANE_CC Usb_UpgradeFirmware(void* parentWindow, void*, int32_t kind, int32_t mode,
                                      const char*, const char* hexPath) {
  return RunExport(VORPEX_SetError, 0,
                   [&] { return UpgradeFirmware(parentWindow, kind, mode, hexPath); });
}
int32_t ORVANE_CC Usb_UpgradeCodec(void* parentWindow, void*, int32_t kind, int32_t mode,
                                   const char* imagePath, const char* statusText) {
  return RunExport(VORPEX_SetError, 0,
                   [&] { return UpgradeCodec(parentWindow, kind, mode, imagePath, statusText); });
}

// ---- Storage, catalogue and transfers ----
int32_t ORVANE_CC Usb_Refresh(void*, int32_t area, uint32_t* info, uint8_t* entries,
                              uint32_t* count) {
  return RunExport(VORPEX_SetError, 0, [&] { return Refresh(area, info, entries, count); });
}
uint32_t ORVANE_CC Usb_TotalMemory(int32_t area) {
  return RunExport(VORPEX_SetError, 0, [&] { return TotalMemory(area); });
}
uint32_t ORVANE_CC Usb_FreeMemory(int32_t, int32_t area) {
  return RunExport(VORPEX_SetError, 0, [&] { return FreeMemory(area); });
}
int32_t ORVANE_CC Usb_Format(void*, void*, int32_t area) {
  return RunExport(VORPEX_SetError, VORPEX_ERR_MEMORY_ALLOC,
                   [&] { return Format(area, vorpex::protocol::kCmdFormat); });
}
int32_t ORVANE_CC Usb_VocaFormat(void*, void*, int32_t area) {
  return RunExport(VORPEX_SetError, VORPEX_ERR_MEMORY_ALLOC,
                   [&] { return Format(area, vorpex::protocol::kCmdVoiceFormat); });
}
int32_t ORVANE_CC Usb_Mp3Format(void*, void*, int32_t area) {
  return RunExport(VORPEX_SetError, VORPEX_ERR_MEMORY_ALLOC,
                   [&] { return Format(area, vorpex::protocol::kCmdMp3Format); });
}
int32_t ORVANE_CC Usb_Delete(void*, int32_t area, int32_t index) {
  return RunExport(VORPEX_SetError, 1, [&] { return Delete(area, index); });
}
int32_t ORVANE_CC Usb_Replace(void*, int32_t area, int32_t index, int32_t second) {
  return RunExport(VORPEX_SetError, 0, [&] { return Replace(area, index, second); });
}

uint32_t ORVANE_CC Usb_FileCount(void* device, int32_t area) {
  return RunExport(VORPEX_SetError, 0u, [&] { return CountFiles(DeviceValue(device), area, 0); });
}
uint32_t ORVANE_CC Usb_FileCount2(void* device, int32_t area, int32_t index, int32_t second) {
  return RunExport(VORPEX_SetError, 0u, [&] {
    return CountFiles(DeviceValue(device), area, 0, ReplaceAfterCount{index, second});
  });
}
uint32_t ORVANE_CC Usb_MusicFileCount(void* device, int32_t area) {
  return RunExport(VORPEX_SetError, 0u, [&] { return CountFiles(DeviceValue(device), area, 1); });
}
int32_t ORVANE_CC Usb_ListFileName(int32_t, int32_t area, int32_t index, char* name) {
  return RunExport(VORPEX_SetError, 0, [&] { return ListFileName(area, index, name); });
}
const char* ORVANE_CC Usb_ListFileNameExt(int32_t, int32_t area, int32_t index, char* ext) {
  return RunExport(VORPEX_SetError, nullptr, [&] { return ListFileNameExt(area, index, ext); });
}
uint32_t ORVANE_CC Usb_ListFileSize(int32_t, int32_t area, int32_t index) {
  return RunExport(VORPEX_SetError, 0u, [&] { return ListFileSize(area, index); });
}

int32_t ORVANE_CC Usb_Download(void*, int32_t area, const char* path, int32_t extra) {
  return RunExport(VORPEX_SetError, 0, [&] { return Download(area, path, extra); });
}
int32_t ORVANE_CC Usb_DownloadIndexFile(void*, void*, int32_t area, const char* path) {
  return RunExport(VORPEX_SetError, 0, [&] { return DownloadIndexFile(area, path); });
}
void* ORVANE_CC Usb_Upload(void*, void*, int32_t area, int32_t index, const char* path, const char*,
                           uint32_t) {
  return RunExport(VORPEX_SetError, nullptr,
                   [&] { return reinterpret_cast<void*>(Upload(area, index, path)); });
}
int32_t ORVANE_CC Usb_UploadIndexFile(void*, void*, int32_t area, int32_t index, const char* path,
                                      const char*, uint32_t size) {
  return RunExport(VORPEX_SetError, 0, [&] { return UploadIndexFile(area, index, path, size); });
}
// The chip library's copies, over its own transfer and device handle (it keeps its own barrier).
int32_t ORVANE_CC Usb_UploadFile(void* owner, void* device, int32_t area, int32_t index,
                                 const char* path, const char* displayName, uint32_t size) {
  return RunExport(VORPEX_SetError, 0, [&] {
    return VORPEX_Upload(owner, device, area, index, path, displayName, size);
  });
}
int32_t ORVANE_CC Usb_DownloadElseFile(void* owner, void* device, int32_t area, const char* path) {
  return RunExport(VORPEX_SetError, 0,
                   [&] { return VORPEX_DownloadElseFile(owner, device, area, path); });
}
int32_t ORVANE_CC Usb_DownloadFile(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                                   int32_t) {
  return 0;
}
// ---- end of storage, catalogue and transfers ----

int32_t ORVANE_CC Usb_GetBitRateAndType(const uint8_t* data, uint32_t length, int32_t* bitRate,
                                        int32_t* type) {
  return RunExport(VORPEX_SetError, 0,
                   [&] { return GetBitRateAndType(data, length, bitRate, type); });
}
// Callers of this one promise the whole scan window.
int32_t ORVANE_CC get_bitRateAndType(const uint8_t* data, int32_t* bitRate, int32_t* type) {
  return RunExport(VORPEX_SetError, 0,
                   [&] { return GetBitRateAndType(data, ORVANE_MP3_SCAN_BYTES, bitRate, type); });
}

void OrvaneTesting_SetOsVersion(uint32_t major, uint32_t minor, uint32_t build,
                                uint32_t platformId) {
  RunExport(VORPEX_SetError, [&] {
    vorpex::platform::OsVersion version;
    version.major = major;
    version.minor = minor;
    version.build = build;
    version.platformId = platformId;
    GetState().osVersionOverride = version;
    GetState().session.routeCode = 0;
  });
}

void OrvaneTesting_UseSystemVersion(void) {
  RunExport(VORPEX_SetError, [] {
    GetState().osVersionOverride.reset();
    GetState().session.routeCode = 0;
  });
}

int32_t OrvaneCopy_ToPlayer(int32_t area, const char* path, OrvaneProgress progress,
                            void* context) {
  return RunExport(VORPEX_SetError, 0,
                   [&] { return DownloadIndexFile(area, path, progress, context); });
}

int32_t OrvaneCopy_FromPlayer(int32_t area, int32_t index, const char* path, uint32_t size,
                              OrvaneProgress progress, void* context) {
  return RunExport(VORPEX_SetError, 0,
                   [&] { return UploadIndexFile(area, index, path, size, progress, context); });
}

int32_t OrvaneTesting_RouteCode(void) {
  return RunExport(VORPEX_SetError, 0, [] { return GetState().session.routeCode; });
}

}  // extern "C"
