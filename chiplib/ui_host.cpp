#include "chiplib/ui_host.h"

#include <algorithm>
#include <cstring>

#include "chiplib/state.h"
#include "platform/ui.h"

namespace vorpex::chip {

void InstallUi(const VorpexUiHooks* hooks) {
  VorpexUiHooks installed{};
  if (hooks != nullptr) {
    // A host built against an older, shorter record gets the hooks it knows of.
    std::memcpy(&installed, hooks, std::min<size_t>(hooks->size, sizeof installed));
    installed.size = sizeof installed;
  }
  GetState().ui = installed;
}

int32_t ShowMessageBox(const char* text, const char* caption, uint32_t flags) {
  const VorpexUiHooks& ui = GetState().ui;
  if (ui.messageBox != nullptr) return ui.messageBox(ui.context, text, caption, flags);
  return platform::ShowMessageBox(text, caption, flags);
}

}  // namespace vorpex::chip
