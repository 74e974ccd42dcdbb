/* What the chip library lends the device library of this implementation: its progress window
 * (the window, its state and whoever draws it live here, so one host draws both libraries'
 * windows), its strings, its clock and its choice of Vizu10 driver. Not part of either library's
 * original interface. */
#ifndef VORPEX_SHARED_H
#define VORPEX_SHARED_H

#include <stdint.h>

#include "VORPEXUSB.h"
#include "playersim_vizu10.h"

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
/* A firmware upgrade reached `stage` (VORPEX_STAGE_* of vorpex_host.h): told to the host. */
VORPEX_API void VORPEX_CC VorpexShared_UpgradeStage(int32_t stage, uint32_t total);
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

/* The conversion of a firmware upgrade: as loc_ConvertHexToBin, but a file without its
 * end-of-file record is refused as cut short, and a failure is recorded in the error state:
 * code 6 with the system's code when a file could not be opened or written, with 13 when the
 * HEX file is not whole and well-formed; no image is left behind. Returns 1 converted, 0 not. */
VORPEX_API int32_t VORPEX_CC VorpexShared_ConvertHexForUpgrade(const char* sourcePath,
                                                               const char* destinationPath,
                                                               uint32_t base);
/* The reason of the error recorded last, in plain words, when whoever recorded it knew more than
 * its code (empty otherwise), into `buffer` as VorpexShared_LoadString does; returns its length. */
VORPEX_API uint32_t VORPEX_CC VorpexShared_ErrorDetail(char* buffer, uint32_t limit);

/* The Vizu10 device driver the device library uses (playersim_vizu10.h's table), whichever the
 * chip library chose at each call: the simulated player's face when one is asked for, the
 * system's driver (libusb on Linux) when none is, and a driver on which nothing opens when one
 * was asked for and cannot be used (no paths, -1 with the system's "file not found", 0): the
 * device library must never fall back to a real driver, which could hold a real player. The
 * system's driver lives in the chip library so that the process has one of it: on a system
 * where an open player belongs to whoever opened it, both libraries then share the player's
 * one handle instead of refusing each other. Never null; valid for the life of the library. */
VORPEX_API const VorpexVizu10Ops* VORPEX_CC VorpexShared_Vizu10(void);
/* The system's error code that the last failing call of that table left on this thread. */
VORPEX_API uint32_t VORPEX_CC VorpexShared_LastSystemError(void);

#ifdef __cplusplus
}
#endif

#endif /* VORPEX_SHARED_H */
