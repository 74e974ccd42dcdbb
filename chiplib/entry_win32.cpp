// The DLL's entry point: records the module handle at process attach.
#include <windows.h>

#include "chiplib/state.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) vorpex::chip::GetState().module = instance;
  return TRUE;
}
