// The library's windows as the system's dialogs, made from the library's own templates.
#pragma once
#include "chiplib/ui_host.h"

namespace vorpex::chip {

platform::WindowHandle OpenSystemProgressWindow(platform::WindowHandle owner, ProgressSetup* setup,
                                                const ProgressTexts& texts);
platform::WindowHandle OpenSystemFormatWindow(platform::WindowHandle owner);
platform::WindowHandle OpenSystemDeleteWindow(platform::WindowHandle owner, const char* caption,
                                              const char* indexText, const char* fileName);

}  // namespace vorpex::chip
