// The upgrade window for tests: records everything the presenter does to it, in order, and
// keeps the window's current captions, states and status text.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "app/upgrade_view.h"

namespace vorpex::test {

// Everything the presenter does to the window, in order, and the window's current state.
class RecordingView final : public app::UpgradeView {
 public:
  void SetCaption(app::UpgradeButton b, const std::string& caption) override {
    caption_[Index(b)] = caption;
  }
  void SetEnabled(app::UpgradeButton b, bool enabled) override { enabled_[Index(b)] = enabled; }
  void SetStatusText(const std::string& text) override {
    status = text;
    log.push_back("status:" + text);
  }
  // "box:" and "box[]:" (empty title) for boxes that inform, "box!:" for errors.
  void ShowMessage(const std::string& text, app::BoxTitle title, app::BoxKind kind) override {
    log.push_back(std::string(title == app::BoxTitle::kEmpty ? "box[]" : "box") +
                  (kind == app::BoxKind::kError ? "!:" : ":") + text);
  }
  void PumpMessages() override {
    log.push_back("pump");
    if (onPump) onPump();
  }
  void* OwnerWindow() override { return this; }

  std::vector<std::string> Boxes() const {
    std::vector<std::string> boxes;
    for (const auto& entry : log) {
      if (entry.rfind("box", 0) == 0) boxes.push_back(entry);
    }
    return boxes;
  }
  const std::string& Caption(app::UpgradeButton b) const { return caption_[Index(b)]; }
  bool Enabled(app::UpgradeButton b) const { return enabled_[Index(b)]; }

  std::vector<std::string> log;
  std::string status;
  std::function<void()> onPump;

 private:
  static int Index(app::UpgradeButton b) { return b == app::UpgradeButton::kBootUp ? 0 : 1; }
  std::string caption_[2];
  bool enabled_[2] = {true, true};  // laid out enabled, without captions
};

}  // namespace vorpex::test
