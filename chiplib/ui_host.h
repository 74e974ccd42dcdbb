// The chip library's user interface: the host's hooks when installed, else the system's.
#pragma once
#include <cstdint>

#include "chiplib/state.h"
#include "platform/dialog.h"
#include "vorpex_host.h"

namespace vorpex::chip {

void InstallUi(const VorpexUiHooks* hooks);
int32_t ShowMessageBox(const char* text, const char* caption, uint32_t flags);

// The texts of a progress window as it opens.
struct ProgressTexts {
  const char* title;
  const char* status;
  const char* indexText;
};

// The three windows, each call going to whoever draws them. A window that reports a command
// (the progress window's Cancel and pause) reports it to ProgressWindowCommand; the progress
// window reports its creation to ProgressWindowInitialised.
platform::WindowHandle UiOpenProgress(platform::WindowHandle owner, ProgressSetup* setup,
                                      const ProgressTexts& texts);
void UiSetProgressRange(platform::WindowHandle window, uint32_t low, uint32_t high);
void UiSetProgressStatus(platform::WindowHandle window, const char* status);
void UiSetProgressPercent(platform::WindowHandle window, const char* percentText,
                          uint32_t position);
void UiSetProgressSpeed(platform::WindowHandle window, const char* speedText);
platform::WindowHandle UiOpenFormat(platform::WindowHandle owner);
// `caption` null: the window keeps its own.
platform::WindowHandle UiOpenDelete(platform::WindowHandle owner, const char* caption,
                                    const char* indexText, const char* fileName);
void UiCloseWindow(platform::WindowHandle window);
void UiPumpMessages(platform::WindowHandle window);
// Waits, without burning the processor, for something the paused progress window may react
// to: the next message of the system's windows, or a short sleep between the host's pumps.
void UiWaitWhilePaused();

}  // namespace vorpex::chip
