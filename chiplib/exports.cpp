// The library's exported C interface: each export hands over to the C++ internals.
#include <span>

#include "VORPEXUSB.h"
#include "chiplib/error_state.h"
#include "chiplib/hex_convert.h"
#include "chiplib/state.h"
#include "chiplib/storage.h"
#include "chiplib/transfers.h"
#include "chiplib/transport.h"
#include "chiplib/ui_host.h"
#include "chiplib/upgrade.h"
#include "operations/export_barrier.h"
#include "vorpex_host.h"

using namespace vorpex::chip;
using vorpex::RunExport;

namespace {

ChipDevice* AsDevice(void* device) {
  return static_cast<ChipDevice*>(device);
}

// The caller's buffer; a null buffer counts as empty and fails any transfer of bytes.
bool ToSpan(void* buffer, uint32_t size, std::span<uint8_t>& out) {
  if (buffer == nullptr && size != 0) return false;
  out = std::span<uint8_t>(static_cast<uint8_t*>(buffer), buffer == nullptr ? 0 : size);
  return true;
}

}  // namespace

extern "C" {

int32_t VORPEX_CC VORPEX_GetError(void) {
  return RunExport(SetError, VORPEX_ERR_INTERNAL, [] { return GetError(); });
}
int32_t VORPEX_CC VORPEX_SetError(int32_t code) {
  return RunExport(SetError, code, [&] { return SetError(code); });
}
uint32_t VORPEX_CC VORPEX_GetWindowsError(void) {
  return RunExport(SetError, 0, [] { return GetWindowsError(); });
}
uint32_t VORPEX_CC VORPEX_SetWindowsError(uint32_t windowsError) {
  return RunExport(SetError, windowsError, [&] { return SetWindowsError(windowsError); });
}
int32_t VORPEX_CC VORPEX_DispError(int32_t code, uint32_t windowsError) {
  return RunExport(SetError, 0, [&] { return DispError(code, windowsError); });
}
void* VORPEX_CC VORPEX_GetModuleHandle(void) {
  return RunExport(SetError, nullptr, [] { return GetState().module; });
}

int32_t VORPEX_CC VORPEX_UpgradeFirmware(void* parentWindow, void* device, int32_t kind,
                                         int32_t mode, const char* imagePath,
                                         const char* statusText) {
  return RunExport(SetError, 0, [&] {
    return UpgradeFirmware(parentWindow, AsDevice(device), kind, mode, imagePath, statusText);
  });
}

int32_t VORPEX_CC loc_ConvertHexToBin(const char* sourcePath, const char* destinationPath,
                                      uint32_t base) {
  return RunExport(SetError, 0, [&] { return ConvertHexToBin(sourcePath, destinationPath, base); });
}

void* VORPEX_CC VORPEX_Open(void) {
  return RunExport(SetError, nullptr, [] { return static_cast<void*>(OpenDevice()); });
}

void VORPEX_CC VORPEX_Close(void* device) {
  RunExport(SetError, [&] { CloseDevice(AsDevice(device)); });
}

int32_t VORPEX_CC VORPEX_test(void* device) {
  return RunExport(SetError, 1, [&] { return TestDevice(AsDevice(device)); });
}

int32_t VORPEX_CC VORPEX_WriteDefaultPipe(void* device, void* buffer, uint32_t size,
                                          const void* setup) {
  return RunExport(SetError, -1, [&] {
    std::span<uint8_t> data;
    if (setup == nullptr || !ToSpan(buffer, size, data)) return -1;
    return WriteDefaultPipe(AsDevice(device), data,
                            std::span<const uint8_t, 8>(static_cast<const uint8_t*>(setup), 8));
  });
}

int32_t VORPEX_CC VORPEX_ReadBulkPipe(void* device, uint32_t pipe, void* buffer, uint32_t size) {
  return RunExport(SetError, -1, [&] {
    std::span<uint8_t> data;
    if (!ToSpan(buffer, size, data)) return -1;
    return ReadBulkPipe(AsDevice(device), pipe, data);
  });
}

int32_t VORPEX_CC VORPEX_WriteBulkPipe(void* device, uint32_t pipe, void* buffer, uint32_t size) {
  return RunExport(SetError, -1, [&] {
    std::span<uint8_t> data;
    if (!ToSpan(buffer, size, data)) return -1;
    return WriteBulkPipe(AsDevice(device), pipe, data);
  });
}

int32_t VORPEX_CC VORPEX_SendUSB(void* device, void* buffer, uint32_t size) {
  return RunExport(SetError, 0, [&] {
    std::span<uint8_t> data;
    if (!ToSpan(buffer, size, data)) return 0;
    return SendUsb(AsDevice(device), data);
  });
}

int32_t VORPEX_CC VORPEX_RecvUSB(void* device, void* buffer, uint32_t size) {
  return RunExport(SetError, 0, [&] {
    std::span<uint8_t> data;
    if (!ToSpan(buffer, size, data)) return 0;
    return RecvUsb(AsDevice(device), data);
  });
}

uint32_t VORPEX_CC VORPEX_SetTimeout(uint32_t readMs, uint32_t writeMs) {
  return RunExport(SetError, readMs, [&] { return SetTimeouts(readMs, writeMs); });
}

int32_t VORPEX_CC VORPEX_Format(void* owner, void* device, int32_t memory) {
  return RunExport(SetError, 0, [&] { return Format(owner, AsDevice(device), memory); });
}

int32_t VORPEX_CC VORPEX_Refresh(void* device, int32_t memory, MemoryInfo* info, DirEntry* entries,
                                 uint32_t* count) {
  return RunExport(SetError, 0, [&] {
    return Refresh(AsDevice(device), memory, reinterpret_cast<uint32_t*>(info),
                   reinterpret_cast<uint8_t*>(entries), count);
  });
}

int32_t VORPEX_CC VORPEX_Delete(void* owner, void* device, int32_t memory, int32_t index,
                                const char* fileName) {
  return RunExport(SetError, 0,
                   [&] { return Delete(owner, AsDevice(device), memory, index, fileName); });
}

int32_t VORPEX_CC VORPEX_Rename(void* device, int32_t memory, int32_t index, const char* newName) {
  return RunExport(SetError, 0, [&] { return Rename(AsDevice(device), memory, index, newName); });
}

int32_t VORPEX_CC VORPEX_Replace(void* device, int32_t memory, int32_t index, int32_t second) {
  return RunExport(SetError, 0, [&] { return Replace(AsDevice(device), memory, index, second); });
}

int32_t VORPEX_CC VORPEX_Upload(void* owner, void* device, int32_t memory, int32_t index,
                                const char* localPath, const char* displayName, uint32_t size) {
  return RunExport(SetError, 0, [&] {
    return Upload(owner, AsDevice(device), memory, index, localPath, displayName, size, true);
  });
}

int32_t VORPEX_CC VORPEX_UploadIndexFile(void* owner, void* device, int32_t memory, int32_t index,
                                         const char* localPath, const char* displayName,
                                         uint32_t size) {
  return RunExport(SetError, 0, [&] {
    return Upload(owner, AsDevice(device), memory, index, localPath, displayName, size, false);
  });
}

int32_t VORPEX_CC VORPEX_DownloadElseFile(void* owner, void* device, int32_t memory,
                                          const char* localPath) {
  return RunExport(SetError, 0,
                   [&] { return Download(owner, AsDevice(device), memory, localPath, true); });
}

int32_t VORPEX_CC VORPEX_DownloadIndexFile(void* owner, void* device, int32_t memory,
                                           const char* localPath) {
  return RunExport(SetError, 0,
                   [&] { return Download(owner, AsDevice(device), memory, localPath, false); });
}

void VORPEX_CC VorpexHost_InstallUi(const VorpexUiHooks* hooks) {
  RunExport(SetError, [&] { InstallUi(hooks); });
}

}  // extern "C"
