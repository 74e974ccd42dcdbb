// Modeless dialogs from a module's templates, their controls, and the message pump that keeps
// them painted while a long operation runs on the same thread.
//
// On Windows these are real dialogs. Linux has no desktop of its own: nothing is drawn, every
// call on a window does nothing, and CreateModelessDialog returns the address of a private
// placeholder (so a window "exists", non-null, as it would on Windows) after reporting the
// creation to `initialised` as Windows does. A program that wants windows on Linux installs
// its own user interface in the library instead.
#pragma once
#include <cstdint>

#include "platform/module.h"

namespace vorpex::platform {

using WindowHandle = void*;

// What a dialog tells its owner, on the owner's thread: `initialised` once, while the window
// is being created, with the creation parameter (the place to fill in its texts); `command`
// for every command it receives (a button's identifier; Escape is the identifier 2),
// returning whether it was handled. Either may be null; the record must outlive the window.
struct DialogEvents {
  void (*initialised)(WindowHandle window, void* param);
  bool (*command)(WindowHandle window, uint16_t id);
};

// Creates the dialog of template `templateId` in `module`, owned by `owner`, hidden as the
// template has it; `events` null for a dialog that handles nothing itself. Null on failure.
WindowHandle CreateModelessDialog(ModuleHandle module, uint32_t templateId, WindowHandle owner,
                                  const DialogEvents* events, void* param);
// Paints the dialog and shows it.
void ShowDialog(WindowHandle window);
void DestroyDialog(WindowHandle window);

void SetDialogCaption(WindowHandle window, const char* text);
void SetDialogItemText(WindowHandle window, uint16_t item, const char* text);
// A progress bar control ("msctls_progress32") of the dialog: range and position.
void SetProgressBarRange(WindowHandle window, uint16_t item, uint32_t low, uint32_t high);
void SetProgressBarPosition(WindowHandle window, uint16_t item, uint32_t position);

// Runs the thread's message queue dry once; messages go through `window`'s dialog keyboard
// handling first (Escape becomes command 2). Stops early at a quit message, which it takes.
void PumpMessages(WindowHandle window);
// Sleeps until a new message arrives for the thread (WaitMessage); at once where there are no
// windows.
void WaitForMessage();

}  // namespace vorpex::platform
