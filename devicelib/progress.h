// The progress window of the device library's long operations. The chip library draws it (from
// its own templates and strings, through whichever host draws its windows).
#pragma once
#include <cstdint>
#include <string>

#include "vorpex_shared.h"

namespace vorpex::device {

class ProgressWindow {
 public:
  // Opens the window with a caption from string `titleId`, `index` shown when 0 or more.
  void Open(void* parentWindow, uint32_t titleId, int32_t index, const char* status,
            uint32_t total);
  void SetRange(uint32_t low, uint32_t high, const char* status);
  void Update(uint32_t position, uint32_t startTick);
  void Close();
  std::string LoadText(uint32_t id, size_t limit);

 private:
  VorpexProgressSetup setup_{};
  void* window_ = nullptr;
};

}  // namespace vorpex::device
