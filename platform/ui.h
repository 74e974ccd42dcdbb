// The system's own user interface, used when no host has installed one of its own.
#pragma once
#include <cstdint>

namespace vorpex::platform {

inline constexpr uint32_t kMbOk = 0x0;
inline constexpr uint32_t kMbIconError = 0x10;
inline constexpr uint32_t kMbIconWarning = 0x30;
inline constexpr uint32_t kMbIconInformation = 0x40;
inline constexpr uint32_t kMbTaskModal = 0x2000;
inline constexpr int kIdOk = 1;

// MessageBoxA with no owner window; caption null means the system's default caption. On Linux
// the text goes to standard error and the result is IDOK.
int ShowMessageBox(const char* text, const char* caption, uint32_t flags);

}  // namespace vorpex::platform
