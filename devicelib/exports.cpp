// The library's exported C interface: each export hands over to the C++ internals.
#include "ORVANEUsbDll.h"
#include "VORPEXUSB.h"
#include "chiplib/export_barrier.h"
#include "devicelib/command_channel.h"
#include "devicelib/mp3_header.h"
#include "devicelib/session.h"
#include "devicelib/state.h"
#include "devicelib/upgrade.h"
#include "orvane_testing.h"

using namespace vorpex::device;
using vorpex::RunExport;

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

int32_t OrvaneTesting_RouteCode(void) {
  return RunExport(VORPEX_SetError, 0, [] { return GetState().session.routeCode; });
}

}  // extern "C"
