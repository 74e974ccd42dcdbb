// The progress window and strings lent to the device library.
#include <algorithm>
#include <cstddef>
#include <cstring>

#include "chiplib/hex_convert.h"
#include "chiplib/progress_window.h"
#include "chiplib/state.h"
#include "platform/clock.h"
#include "platform/module.h"
#include "vorpex_shared.h"

using namespace vorpex::chip;

static_assert(sizeof(VorpexProgressSetup) == sizeof(ProgressSetup));
static_assert(offsetof(VorpexProgressSetup, title) == offsetof(ProgressSetup, title));
static_assert(offsetof(VorpexProgressSetup, index) == offsetof(ProgressSetup, index));
static_assert(offsetof(VorpexProgressSetup, status) == offsetof(ProgressSetup, status));
static_assert(offsetof(VorpexProgressSetup, total) == offsetof(ProgressSetup, total));
static_assert(offsetof(VorpexProgressSetup, flags) == offsetof(ProgressSetup, flags));

extern "C" {

void* VORPEX_CC VorpexShared_OpenProgressWindow(void* owner, VorpexProgressSetup* setup) {
  if (setup == nullptr) return nullptr;
  return OpenProgressWindow(owner, reinterpret_cast<ProgressSetup*>(setup));
}

void VORPEX_CC VorpexShared_SetProgressRange(void* window, uint32_t low, uint32_t high,
                                             const char* status) {
  SetProgressRange(window, low, high, status);
}

void VORPEX_CC VorpexShared_UpdateProgress(void* window, uint32_t position, uint32_t startTick) {
  UpdateProgress(window, position, startTick);
}

void VORPEX_CC VorpexShared_CloseProgressWindow(void* window) { CloseProgressWindow(window); }

uint32_t VORPEX_CC VorpexShared_LoadString(uint32_t id, char* buffer, uint32_t limit) {
  if (buffer == nullptr || limit == 0) return 0;
  auto text = vorpex::platform::LoadModuleString(GetState().module, id, limit);
  if (!text) {
    buffer[0] = '\0';
    return 0;
  }
  std::memcpy(buffer, text->c_str(), text->size() + 1);
  return static_cast<uint32_t>(text->size());
}

void VORPEX_CC VorpexShared_Sleep(uint32_t ms) { vorpex::platform::SleepMs(ms); }
uint32_t VORPEX_CC VorpexShared_TickCount(void) { return vorpex::platform::TickCount(); }

void VORPEX_CC VorpexShared_LocalTime(VorpexLocalTime* time) {
  if (time == nullptr) return;
  vorpex::platform::LocalTime now = vorpex::platform::CurrentLocalTime();
  *time = VorpexLocalTime{now.year, now.month, now.dayOfWeek, now.day,
                          now.hour, now.minute, now.second, now.milliseconds};
}

int32_t VORPEX_CC VorpexShared_ConvertHexForUpgrade(const char* sourcePath,
                                                    const char* destinationPath, uint32_t base) {
  return ConvertHexForUpgrade(sourcePath, destinationPath, base);
}

uint32_t VORPEX_CC VorpexShared_ErrorDetail(char* buffer, uint32_t limit) {
  if (buffer == nullptr || limit == 0) return 0;
  const std::string& detail = GetState().errorDetail;
  const size_t length = std::min<size_t>(detail.size(), limit - 1);
  std::memcpy(buffer, detail.data(), length);
  buffer[length] = '\0';
  return static_cast<uint32_t>(length);
}

}  // extern "C"
