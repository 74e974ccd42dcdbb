// The progress window, message boxes, strings, clock and firmware conversion lent to the device
// library.
#include <algorithm>
#include <cstddef>
#include <cstring>

#include "chiplib/error_state.h"
#include "chiplib/hex_convert.h"
#include "chiplib/progress_window.h"
#include "chiplib/state.h"
#include "chiplib/ui_host.h"
#include "operations/export_barrier.h"
#include "platform/clock.h"
#include "platform/module.h"
#include "vorpex_shared.h"

using namespace vorpex::chip;
using vorpex::RunExport;

static_assert(sizeof(VorpexProgressSetup) == sizeof(ProgressSetup));
static_assert(offsetof(VorpexProgressSetup, title) == offsetof(ProgressSetup, title));
static_assert(offsetof(VorpexProgressSetup, index) == offsetof(ProgressSetup, index));
static_assert(offsetof(VorpexProgressSetup, status) == offsetof(ProgressSetup, status));
static_assert(offsetof(VorpexProgressSetup, total) == offsetof(ProgressSetup, total));
static_assert(offsetof(VorpexProgressSetup, flags) == offsetof(ProgressSetup, flags));

extern "C" {

void* VORPEX_CC VorpexShared_OpenProgressWindow(void* owner, VorpexProgressSetup* setup) {
  return RunExport(SetError, nullptr, [&]() -> void* {
    if (setup == nullptr) return nullptr;
    return OpenProgressWindow(owner, reinterpret_cast<ProgressSetup*>(setup));
  });
}

void VORPEX_CC VorpexShared_SetProgressRange(void* window, uint32_t low, uint32_t high,
                                             const char* status) {
  RunExport(SetError, [&] { SetProgressRange(window, low, high, status); });
}

void VORPEX_CC VorpexShared_UpdateProgress(void* window, uint32_t position, uint32_t startTick) {
  RunExport(SetError, [&] { UpdateProgress(window, position, startTick); });
}

void VORPEX_CC VorpexShared_CloseProgressWindow(void* window) {
  RunExport(SetError, [&] { CloseProgressWindow(window); });
}

void VORPEX_CC VorpexShared_UpgradeStage(int32_t stage, uint32_t total) {
  RunExport(SetError, [&] { ReportUpgradeStage(stage, total); });
}

uint32_t VORPEX_CC VorpexShared_LoadString(uint32_t id, char* buffer, uint32_t limit) {
  if (buffer != nullptr && limit != 0) buffer[0] = '\0';
  return RunExport(SetError, 0, [&]() -> uint32_t {
    if (buffer == nullptr || limit == 0) return 0;
    auto text = vorpex::platform::LoadModuleString(GetState().module, id, limit);
    if (!text) return 0;
    std::memcpy(buffer, text->c_str(), text->size() + 1);
    return static_cast<uint32_t>(text->size());
  });
}

int32_t VORPEX_CC VorpexShared_MessageBox(const char* text, const char* caption, uint32_t flags) {
  return RunExport(SetError, 0,
                   [&] { return ShowMessageBox(text != nullptr ? text : "", caption, flags); });
}

void VORPEX_CC VorpexShared_Sleep(uint32_t ms) {
  RunExport(SetError, [&] { vorpex::platform::SleepMs(ms); });
}
uint32_t VORPEX_CC VorpexShared_TickCount(void) {
  return RunExport(SetError, 0, [] { return vorpex::platform::TickCount(); });
}

void VORPEX_CC VorpexShared_LocalTime(VorpexLocalTime* time) {
  RunExport(SetError, [&] {
    if (time == nullptr) return;
    vorpex::platform::LocalTime now = vorpex::platform::CurrentLocalTime();
    *time = VorpexLocalTime{now.year, now.month,  now.dayOfWeek, now.day,
                            now.hour, now.minute, now.second,    now.milliseconds};
  });
}

int32_t VORPEX_CC VorpexShared_ConvertHexForUpgrade(const char* sourcePath,
                                                    const char* destinationPath, uint32_t base) {
  return RunExport(SetError, 0,
                   [&] { return ConvertHexForUpgrade(sourcePath, destinationPath, base); });
}

uint32_t VORPEX_CC VorpexShared_ErrorDetail(char* buffer, uint32_t limit) {
  return RunExport(SetError, 0, [&]() -> uint32_t {
    if (buffer == nullptr || limit == 0) return 0;
    const std::string& detail = GetState().errorDetail;
    const size_t length = std::min<size_t>(detail.size(), limit - 1);
    std::memcpy(buffer, detail.data(), length);
    buffer[length] = '\0';
    return static_cast<uint32_t>(length);
  });
}

}  // extern "C"
