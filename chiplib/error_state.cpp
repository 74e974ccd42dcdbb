#include "chiplib/error_state.h"

#include <cstdio>

#include "chiplib/state.h"
#include "chiplib/ui_host.h"
#include "platform/error.h"
#include "platform/module.h"
#include "platform/ui.h"

namespace vorpex::chip {
namespace {
constexpr size_t kTextLimit = 512;
}

int32_t GetError() {
  return GetState().errorCode;
}

int32_t SetError(int32_t code) {
  GetState().errorCode = code;
  GetState().errorDetail.clear();
  return code;
}

uint32_t GetWindowsError() {
  return GetState().windowsError;
}

uint32_t SetWindowsError(uint32_t windowsError) {
  if (windowsError == 0) windowsError = platform::LastError();
  GetState().errorCode = 6;
  GetState().windowsError = windowsError;
  GetState().errorDetail.clear();
  return windowsError;
}

std::string ErrorText(int32_t code) {
  if (code == 0) return "VORPEX No Error";
  if (code > 0) {
    auto text =
        platform::LoadModuleString(GetState().module, static_cast<uint32_t>(code), kTextLimit);
    if (text) return *text;
  }
  char buffer[kTextLimit];
  std::snprintf(buffer, sizeof buffer, "VORPEX Unknown Error(%d)", code);
  return buffer;
}

std::string WindowsErrorText(uint32_t windowsError) {
  if (windowsError == 0) windowsError = platform::LastError();
  return platform::SystemErrorText(windowsError).value_or("System Internal Errors(null)");
}

int32_t DispError(int32_t code, uint32_t windowsError) {
  if (code == 6) {
    std::string text = WindowsErrorText(windowsError);
    ShowMessageBox(text.c_str(), nullptr, platform::kMbIconWarning);
    return 0;
  }
  std::string text = ErrorText(code);
  return ShowMessageBox(text.c_str(), nullptr, platform::kMbTaskModal | platform::kMbIconError);
}

}  // namespace vorpex::chip
