/* Hosting the chip library's user interface.
 *
 * An addition of this implementation, not part of the library's original interface: a program
 * that has its own user interface (a toolkit window, a terminal, a test) installs hooks here and
 * the library's message boxes (and, with later hooks, its windows) go through them instead of
 * the system's. Without hooks the library uses the system's message boxes on Windows and
 * standard error on Linux. Both libraries share what is installed here. */
#ifndef VORPEX_HOST_H
#define VORPEX_HOST_H

#include <stdint.h>

#include "VORPEXUSB.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct VorpexUiHooks {
  /* sizeof(VorpexUiHooks) as the host was compiled; hooks beyond it are taken as absent. */
  uint32_t size;
  void* context;
  /* A message box: text, caption (null for the default caption) and MessageBoxA flags.
   * Returns the button pressed (IDOK is 1). */
  int32_t (*messageBox)(void* context, const char* text, const char* caption, uint32_t flags);
} VorpexUiHooks;

/* Installs `hooks` (copied; null puts the system's interface back). */
VORPEX_API void VORPEX_CC VorpexHost_InstallUi(const VorpexUiHooks* hooks);

#ifdef __cplusplus
}
#endif

#endif /* VORPEX_HOST_H */
