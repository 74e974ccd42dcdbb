// The library's windows as the system's dialogs, made from the library's own templates.
#pragma once
#include "chiplib/ui_host.h"

namespace vorpex::chip {

const WindowHost& SystemWindows();

}  // namespace vorpex::chip
