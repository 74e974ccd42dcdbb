/* Hosting the chip library's user interface.
 *
 * An addition of this implementation, not part of the library's original interface: a program
 * that has its own user interface (a toolkit window, a terminal, a test) installs hooks here and
 * the library's message boxes and its windows (progress, format, delete) go through them
 * instead of the system's. Without hooks the library uses the system's message boxes and
 * dialogs on Windows; on Linux message boxes go to standard error and no windows are shown.
 * Both libraries share what is installed here. All hooks are called on the thread that called
 * the library. */
#ifndef VORPEX_HOST_H
#define VORPEX_HOST_H

#include <stdint.h>

#include "VORPEXUSB.h"

#ifdef __cplusplus
extern "C" {
#endif

/* What pump reports: the user pressed Cancel (or Escape) in the progress window, and the
 * user pressed the pause button an odd number of times (pause toggles). */
#define VORPEX_UI_CANCEL 0x1u
#define VORPEX_UI_PAUSE 0x2u

/* The stages of a firmware upgrade (either library's), in the order upgradeStage reports them.
 * An upgrade that fails reports VORPEX_STAGE_ENDED right after the stage it failed in. */
#define VORPEX_STAGE_MODE 1 /* the upgrade-mode command, two one-second pauses and its reply */
#define VORPEX_STAGE_ERASE                                                                        \
  2                          /* the erase command, two one-second pauses and its reply: from here \
                              * until VORPEX_STAGE_ENDED the firmware area is empty or partly     \
                              * written, and the exchange must not be cut short */
#define VORPEX_STAGE_WRITE 3 /* the write command, two one-second pauses and its reply */
#define VORPEX_STAGE_DATA 4  /* the image in 512-byte blocks; setProgressPercent tells the bytes */
#define VORPEX_STAGE_FINAL 5 /* the player's reply to the last block */
#define VORPEX_STAGE_ENDED 6 /* the exchange is over, completed or not (the upgrade's result) */

typedef struct VorpexUiHooks {
  /* sizeof(VorpexUiHooks) as the host was compiled; hooks beyond it are taken as absent. */
  uint32_t size;
  void* context;
  /* A message box: text, caption (null for the default caption) and MessageBoxA flags.
   * Returns the button pressed (IDOK is 1). */
  int32_t (*messageBox)(void* context, const char* text, const char* caption, uint32_t flags);

  /* Windows. When any of the hooks from here to openDelete is set, the host shows all of the
   * library's windows and the system shows none; a hook left null does nothing (an open hook
   * left null: no window of that kind, a null handle). A window is whatever non-null value the
   * host's open hook returns; the library hands it back unchanged and never looks into it. Only
   * one progress window exists at a time. Strings are only valid during the call.
   *
   * The progress window: caption `title`, status line `status`, index label `indexText`
   * (empty for none), a bar ranging from 0 to `total` at position 0, the percent " 0 %" and
   * an empty speed text, a Cancel button; `owner` is the caller's window (may be null). */
  void* (*openProgress)(void* context, void* owner, const char* title, const char* status,
                        const char* indexText, uint32_t total);
  /* A new range for the bar; `low` may exceed `high` as the caller gave them. */
  void (*setProgressRange)(void* context, void* window, uint32_t low, uint32_t high);
  void (*setProgressStatus)(void* context, void* window, const char* status);
  /* The percent text ("37 %") and the bar's position, in the range's units (bytes). */
  void (*setProgressPercent)(void* context, void* window, const char* percentText,
                             uint32_t position);
  /* The speed text ("1.50 MB/s"); empty clears it. */
  void (*setProgressSpeed)(void* context, void* window, const char* speedText);
  /* Called between the steps of a long operation (with the window the operation shows, or
   * null): keep the windows painted and report what the user pressed in the progress window
   * since the last call, as VORPEX_UI_CANCEL and VORPEX_UI_PAUSE bits. Must not block. */
  uint32_t (*pump)(void* context, void* window);
  /* Closes a window of any of the three kinds. */
  void (*closeWindow)(void* context, void* window);
  /* The format window: caption "Format", the text "Formating...". */
  void* (*openFormat)(void* context, void* owner, const char* caption, const char* text);
  /* The delete window: caption "Deleting...", the entry's index (empty for none) and the name
   * of the file being deleted. It has a Cancel button, which has no effect. */
  void* (*openDelete)(void* context, void* owner, const char* caption, const char* indexText,
                      const char* fileName);

  /* A firmware upgrade reached `stage` (VORPEX_STAGE_*); `total` is the image's size in bytes.
   * Called whether or not the host draws the windows. */
  void (*upgradeStage)(void* context, int32_t stage, uint32_t total);
} VorpexUiHooks;

/* Installs `hooks` (copied; null puts the system's interface back). */
VORPEX_API void VORPEX_CC VorpexHost_InstallUi(const VorpexUiHooks* hooks);

#ifdef __cplusplus
}
#endif

#endif /* VORPEX_HOST_H */
