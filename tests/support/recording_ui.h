// A user interface for tests: installed into the chip library, it records every message box
// instead of showing it.
#pragma once
#include <string>
#include <vector>

#include "vorpex_host.h"

namespace vorpex::test {

struct RecordedBox {
  std::string text;
  bool hasCaption = false;
  std::string caption;
  uint32_t flags = 0;
};

class RecordingUi {
 public:
  RecordingUi() {
    VorpexUiHooks hooks{};
    hooks.size = sizeof hooks;
    hooks.context = this;
    hooks.messageBox = [](void* context, const char* text, const char* caption,
                          uint32_t flags) -> int32_t {
      auto* self = static_cast<RecordingUi*>(context);
      self->boxes.push_back({text != nullptr ? text : "", caption != nullptr,
                             caption != nullptr ? caption : "", flags});
      return self->boxResult;
    };
    VorpexHost_InstallUi(&hooks);
  }
  ~RecordingUi() { VorpexHost_InstallUi(nullptr); }
  RecordingUi(const RecordingUi&) = delete;
  RecordingUi& operator=(const RecordingUi&) = delete;

  std::vector<RecordedBox> boxes;
  int32_t boxResult = 1;  // IDOK
};

}  // namespace vorpex::test
