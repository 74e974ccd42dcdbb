#include <windows.h>

#include "platform/ui.h"

namespace vorpex::platform {

int ShowMessageBox(const char* text, const char* caption, uint32_t flags) {
  return ::MessageBoxA(nullptr, text, caption, flags);
}

}  // namespace vorpex::platform
