// The process-wide error state and how it is shown to the user.
#pragma once
#include <cstdint>
#include <string>

namespace vorpex::chip {

int32_t GetError();
int32_t SetError(int32_t code);
uint32_t GetWindowsError();
uint32_t SetWindowsError(uint32_t windowsError);
int32_t DispError(int32_t code, uint32_t windowsError);

// The text DispError shows for a code other than 6.
std::string ErrorText(int32_t code);
// The text DispError shows for code 6: the system's text of a Windows error code.
std::string WindowsErrorText(uint32_t windowsError);

}  // namespace vorpex::chip
