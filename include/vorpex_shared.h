/* What the chip library lends the device library of this implementation: its progress window
 * (the window, its state and whoever draws it live here, so one host draws both libraries'
 * windows) and its strings. Not part of either library's original interface. */
#ifndef VORPEX_SHARED_H
#define VORPEX_SHARED_H

#include <stdint.h>

#include "VORPEXUSB.h"

#ifdef __cplusplus
extern "C" {
#endif

/* What a progress window shows; the caller owns it for as long as the window exists. Bit 0 of
 * `flags` is set when the user pressed Cancel or Escape, bit 1 toggles with the pause button. */
typedef struct VorpexProgressSetup {
  uint32_t title; /* string resource of the chip library shown as the caption */
  int32_t index;  /* shown in decimal when 0 or more */
  const char* status;
  uint32_t total;
  uint32_t flags;
} VorpexProgressSetup;

VORPEX_API void* VORPEX_CC VorpexShared_OpenProgressWindow(void* owner, VorpexProgressSetup* setup);
VORPEX_API void VORPEX_CC VorpexShared_SetProgressRange(void* window, uint32_t low, uint32_t high,
                                                        const char* status);
VORPEX_API void VORPEX_CC VorpexShared_UpdateProgress(void* window, uint32_t position,
                                                      uint32_t startTick);
VORPEX_API void VORPEX_CC VorpexShared_CloseProgressWindow(void* window);
/* String `id` of the chip library's table into `buffer` (at most limit - 1 characters and a
 * terminator); returns its length, 0 when there is no such string. */
VORPEX_API uint32_t VORPEX_CC VorpexShared_LoadString(uint32_t id, char* buffer, uint32_t limit);

/* A message box through the chip library's user interface (the host's, when one is installed),
 * so that both libraries' boxes reach the same host; returns the button pressed. */
VORPEX_API int32_t VORPEX_CC VorpexShared_MessageBox(const char* text, const char* caption,
                                                     uint32_t flags);
/* The chip library's clock (virtual while a simulated player runs on virtual time), so that the
 * device library's pauses and time stamps keep time with it. */
typedef struct VorpexLocalTime {
  uint16_t year, month, dayOfWeek, day, hour, minute, second, milliseconds;
} VorpexLocalTime;
VORPEX_API void VORPEX_CC VorpexShared_Sleep(uint32_t ms);
VORPEX_API uint32_t VORPEX_CC VorpexShared_TickCount(void);
VORPEX_API void VORPEX_CC VorpexShared_LocalTime(VorpexLocalTime* time);

#ifdef __cplusplus
}
#endif

#endif /* VORPEX_SHARED_H */
