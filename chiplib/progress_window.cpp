#include "chiplib/progress_window.h"

#include <cstring>
#include <string>

#include "chiplib/resource_ids.h"
#include "chiplib/ui_host.h"
#include "platform/clock.h"
#include "platform/module.h"
#include "protocol/progress_text.h"

namespace vorpex::chip {
namespace {

// Loads string `id` into the shared block as a NUL-terminated caption. A missing string leaves
// an empty caption rather than whatever the block last held.
const char* LoadTitleIntoSharedBlock(uint32_t id) {
  State& state = GetState();
  auto& block = state.sharedBlock;
  std::string title =
      platform::LoadModuleString(state.module, id, block.size()).value_or(std::string());
  std::memcpy(block.data(), title.c_str(), title.size() + 1);
  return reinterpret_cast<const char*>(block.data());
}

}  // namespace

void ProgressWindowInitialised(ProgressSetup* setup) {
  ProgressState& progress = GetState().progress;
  progress.setup = setup;
  // The bar starts at 0 to the total; keep the figures that the percent is worked out from in
  // step with it.
  progress.rangeLow = 0;
  progress.rangeHigh = setup != nullptr ? setup->total : 0;
  progress.lastPercent = -1;
}

bool ProgressWindowCommand(uint16_t id) {
  ProgressSetup* setup = GetState().progress.setup;
  switch (id) {
    case IDC_PROGRESS_CANCEL:
      if (setup != nullptr) setup->flags |= kProgressCancelled;
      return true;
    case IDC_PROGRESS_PAUSE:
      if (setup != nullptr) setup->flags ^= kProgressPaused;
      return true;
    default:
      return false;
  }
}

WindowHandle OpenProgressWindow(WindowHandle owner, ProgressSetup* setup) {
  std::string indexText = protocol::IndexText(setup->index);
  const char* title = LoadTitleIntoSharedBlock(setup->title);
  const char* status = setup->status != nullptr ? setup->status : "";
  WindowHandle window = Windows().OpenProgress(owner, setup, {title, status, indexText.c_str()});
  PumpMessages(window);
  return window;
}

void SetProgressRange(WindowHandle window, uint32_t low, uint32_t high, const char* status) {
  ProgressState& progress = GetState().progress;
  progress.rangeLow = low < high ? low : high;
  progress.rangeHigh = low < high ? high : low;
  progress.lastPercent = -1;
  Windows().SetProgressRange(window, low, high);
  if (status != nullptr) Windows().SetProgressStatus(window, status);
  Windows().SetProgressSpeed(window, "");
  PumpMessages(window);
}

void UpdateProgress(WindowHandle window, uint32_t position, uint32_t startTick) {
  ProgressState& progress = GetState().progress;
  bool percentChanged = false;
  auto percent = protocol::ProgressPercent(progress.rangeLow, progress.rangeHigh, position);
  if (percent && *percent != progress.lastPercent) {
    progress.lastPercent = *percent;
    Windows().SetProgressPercent(window, protocol::PercentText(*percent).c_str(), position);
    percentChanged = true;
  }
  auto rate = protocol::TransferRate(position, progress.rangeLow, startTick, platform::TickCount());
  std::string speed = rate ? protocol::SpeedText(*rate) : std::string();
  if (!speed.empty()) Windows().SetProgressSpeed(window, speed.c_str());
  if (!speed.empty() || percentChanged) PumpMessages(window);
}

void CloseProgressWindow(WindowHandle window) {
  Windows().CloseWindow(window);
  // The setup lives in the operation's frame, which is about to go: forget it.
  GetState().progress.setup = nullptr;
}

WindowHandle OpenFormatWindow(WindowHandle owner) {
  WindowHandle window = Windows().OpenFormat(owner);
  PumpMessages(window);
  return window;
}

WindowHandle OpenDeleteWindow(WindowHandle owner, int32_t index, const char* fileName) {
  std::string indexText = protocol::IndexText(index);
  auto caption = platform::LoadModuleString(GetState().module, IDS_DELETE_CAPTION, 512);
  WindowHandle window =
      Windows().OpenDelete(owner, caption ? caption->c_str() : nullptr, indexText.c_str(),
                           fileName != nullptr ? fileName : "");
  PumpMessages(window);
  return window;
}

void CloseStatusWindow(WindowHandle window) {
  Windows().CloseWindow(window);
}

void PumpMessages(WindowHandle window) {
  Windows().PumpMessages(window);
}

}  // namespace vorpex::chip
