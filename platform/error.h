// The last system error, in Windows error codes on every build, and its system text.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace vorpex::platform {

// Windows error codes that this code base produces or tests for by name.
inline constexpr uint32_t kErrorFileNotFound = 2;
inline constexpr uint32_t kErrorPathNotFound = 3;
inline constexpr uint32_t kErrorAccessDenied = 5;
inline constexpr uint32_t kErrorInvalidHandle = 6;
inline constexpr uint32_t kErrorNotEnoughMemory = 8;
inline constexpr uint32_t kErrorInvalidData = 13;
inline constexpr uint32_t kErrorGenFailure = 31;        // a device that is no longer there
inline constexpr uint32_t kErrorSharingViolation = 32;  // the file is in use by another process
inline constexpr uint32_t kErrorHandleEof = 38;         // reached the end of the file
inline constexpr uint32_t kErrorFileExists = 80;
inline constexpr uint32_t kErrorInvalidParameter = 87;
inline constexpr uint32_t kErrorDiskFull = 112;
inline constexpr uint32_t kErrorBadFileType = 222;
// A firmware image of unusable size.
inline constexpr uint32_t kErrorInvalidFormSize = 1903;

// The calling thread's last system error (GetLastError on Windows).
uint32_t LastError();
void SetLastError(uint32_t code);

// The system's text for a code, as FormatMessageA gives it; nullopt when the system has none.
std::optional<std::string> SystemErrorText(uint32_t code);

}  // namespace vorpex::platform
