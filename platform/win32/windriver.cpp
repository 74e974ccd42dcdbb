// The WinDriver control device "\\.\WINDRVR", driven with DeviceIoControl.
#include "platform/windriver.h"

#include <windows.h>

#include "protocol/windriver_records.h"

namespace vorpex::platform {
namespace {

class Win32WinDriver final : public WinDriverPort {
 public:
  std::optional<DriverHandle> Open() override {
    HANDLE handle = CreateFileA("\\\\.\\WINDRVR", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    return reinterpret_cast<DriverHandle>(handle);
  }

  void Request(DriverHandle handle, uint32_t code, std::span<uint8_t> record,
               std::span<uint8_t> data) override {
    HANDLE h = reinterpret_cast<HANDLE>(handle);
    if (h == INVALID_HANDLE_VALUE || h == nullptr) return;
    if (code == protocol::windriver::kCodeTransfer &&
        record.size() >= protocol::windriver::kTransferSize) {
      // A 32-bit process: the buffer's address fits the record's word.
      protocol::windriver::PutWord(
          record, protocol::windriver::kTransferBuffer,
          static_cast<uint32_t>(reinterpret_cast<uintptr_t>(data.empty() ? nullptr : data.data())));
    }
    // The outcome is read from the record; the call's own result tells callers nothing more.
    DeviceIoControl(h, code, record.data(), static_cast<DWORD>(record.size()), nullptr, 0,
                    &bytesReturned_, nullptr);
  }

  void Close(DriverHandle handle) override { CloseHandle(reinterpret_cast<HANDLE>(handle)); }

 private:
  DWORD bytesReturned_ = 0;  // one word for every request of the process
};

}  // namespace

WinDriverPort& SystemWinDriver() {
  static Win32WinDriver driver;
  return driver;
}

}  // namespace vorpex::platform
