// The libraries' user interface drawn by FLTK: their message boxes, and their progress,
// format and delete windows, installed into the chip library as VorpexUiHooks.
#pragma once
#include <cstdint>

#include "vorpex_host.h"

namespace vorpex::app {

class FltkLibraryUi {
 public:
  // Hooks whose context is this object; it must outlive their installation.
  VorpexUiHooks Hooks();
};

}  // namespace vorpex::app
