// The progress window that long operations show while they run on the caller's thread, the
// format and delete windows, and the message pump that keeps them painted.
#pragma once
#include <cstdint>

#include "chiplib/state.h"
#include "platform/dialog.h"

namespace vorpex::chip {

using WindowHandle = platform::WindowHandle;

// Shows the progress window for `setup`, which must outlive it; returns the window (null when
// it could not be made: the operation runs on and the calls below do nothing with it).
WindowHandle OpenProgressWindow(WindowHandle owner, ProgressSetup* setup);
// A new range for the bar (kept as smaller and larger end) and, unless null, a new status line;
// clears the speed and redraws the percent at the next update.
void SetProgressRange(WindowHandle window, uint32_t low, uint32_t high, const char* status);
// Shows the percent of `position` in the range when its whole number changed, and the speed
// since `startTick` (a GetTickCount value); pumps messages when anything changed.
void UpdateProgress(WindowHandle window, uint32_t position, uint32_t startTick);
void CloseProgressWindow(WindowHandle window);

// The format window, for as long as the player formats.
WindowHandle OpenFormatWindow(WindowHandle owner);
// The delete window: the entry's index (none when negative) and the file name.
WindowHandle OpenDeleteWindow(WindowHandle owner, int32_t index, const char* fileName);
// Closes a format or delete window.
void CloseStatusWindow(WindowHandle window);

// Runs the thread's messages once; what the user pressed in the progress window meanwhile is
// in the current ProgressSetup's flags afterwards.
void PumpMessages(WindowHandle window);

// How the progress window reacts, whoever draws it: when it is created it becomes the current
// window; command 2 (Cancel, Escape) sets the cancel bit, command 1001 toggles the pause bit.
void ProgressWindowInitialised(ProgressSetup* setup);
bool ProgressWindowCommand(uint16_t id);

}  // namespace vorpex::chip
