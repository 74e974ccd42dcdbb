// The WinDriver generic USB driver's control device: open it, issue a request, close it.
// Outcomes come back in the request record; the driver writes its results into it.
#pragma once
#include <cstdint>
#include <optional>
#include <span>

#include "platform/driver_handle.h"

namespace vorpex::platform {

class WinDriverPort {
 public:
  virtual ~WinDriverPort() = default;
  // Opens a handle to the control device; nullopt (with LastError set) when it cannot.
  virtual std::optional<DriverHandle> Open() = 0;
  // Issues one request. `record` is the request record (input and results); `data` is the buffer
  // of a transfer, whose address the record carries at offset 16 for the driver.
  virtual void Request(DriverHandle handle, uint32_t code, std::span<uint8_t> record,
                       std::span<uint8_t> data) = 0;
  virtual void Close(DriverHandle handle) = 0;
};

// The system's driver: "\\.\WINDRVR" on Windows; on Linux there is none (open fails with
// Windows error 2).
WinDriverPort& SystemWinDriver();

}  // namespace vorpex::platform
