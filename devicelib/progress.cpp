#include "devicelib/progress.h"

#include <vector>

namespace vorpex::device {

void ProgressWindow::Open(void* parentWindow, uint32_t titleId, int32_t index, const char* status,
                          uint32_t total) {
  setup_ = VorpexProgressSetup{titleId, index, status, total, 0};
  window_ = VorpexShared_OpenProgressWindow(parentWindow, &setup_);
}

void ProgressWindow::SetRange(uint32_t low, uint32_t high, const char* status) {
  VorpexShared_SetProgressRange(window_, low, high, status);
}

void ProgressWindow::Update(uint32_t position, uint32_t startTick) {
  VorpexShared_UpdateProgress(window_, position, startTick);
}

void ProgressWindow::Close() {
  VorpexShared_CloseProgressWindow(window_);
  window_ = nullptr;
}

std::string ProgressWindow::LoadText(uint32_t id, size_t limit) {
  std::vector<char> buffer(limit + 1);
  uint32_t length = VorpexShared_LoadString(id, buffer.data(), static_cast<uint32_t>(limit));
  return std::string(buffer.data(), length);
}

}  // namespace vorpex::device
