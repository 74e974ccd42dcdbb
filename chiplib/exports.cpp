// The library's exported C interface: each export hands over to the C++ internals.
#include "VORPEXUSB.h"

#include "chiplib/error_state.h"
#include "chiplib/hex_convert.h"
#include "chiplib/state.h"
#include "chiplib/ui_host.h"
#include "vorpex_host.h"

using namespace vorpex::chip;

extern "C" {

int32_t VORPEX_CC VORPEX_GetError(void) { return GetError(); }
int32_t VORPEX_CC VORPEX_SetError(int32_t code) { return SetError(code); }
uint32_t VORPEX_CC VORPEX_GetWindowsError(void) { return GetWindowsError(); }
uint32_t VORPEX_CC VORPEX_SetWindowsError(uint32_t windowsError) {
  return SetWindowsError(windowsError);
}
int32_t VORPEX_CC VORPEX_DispError(int32_t code, uint32_t windowsError) {
  return DispError(code, windowsError);
}
void* VORPEX_CC VORPEX_GetModuleHandle(void) { return GetState().module; }

int32_t VORPEX_CC loc_ConvertHexToBin(const char* sourcePath, const char* destinationPath,
                                      uint32_t base) {
  return ConvertHexToBin(sourcePath, destinationPath, base);
}

void VORPEX_CC VorpexHost_InstallUi(const VorpexUiHooks* hooks) { InstallUi(hooks); }

}  // extern "C"
