// A user interface for tests: installed into the chip library, it records every message box
// and every window (captions, status lines, percent and speed texts, bar positions) instead of
// showing them, and presses Cancel, Escape or pause when told to.
#pragma once
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "vorpex_host.h"

namespace vorpex::test {

struct RecordedBox {
  std::string text;
  bool hasCaption = false;
  std::string caption;
  uint32_t flags = 0;
};

enum class WindowKind { Progress, Format, Delete };
enum class Key { Cancel, Escape, Pause };

struct RecordedWindow {
  WindowKind kind = WindowKind::Progress;
  void* owner = nullptr;
  std::string caption;
  std::string text;  // progress: the status line; format: its message
  std::string indexText;
  std::string fileName;  // delete window
  uint32_t total = 0;
  uint32_t rangeLow = 0;
  uint32_t rangeHigh = 0;
  std::string percentText = " 0 %";
  uint32_t position = 0;
  std::string speedText;
  bool open = true;
  // Everything shown, in order.
  std::vector<std::string> statuses;
  std::vector<std::string> percents;
  std::vector<uint32_t> positions;
  std::vector<std::string> speeds;
};

class RecordingUi {
 public:
  using Installer = void (*)(const VorpexUiHooks*);

  // `install` is the library's VorpexHost_InstallUi, or the internal installer of a test that
  // links the library's internals.
  explicit RecordingUi(Installer install = &VorpexHost_InstallUi) : install_(install) {
    VorpexUiHooks hooks{};
    hooks.size = sizeof hooks;
    hooks.context = this;
    hooks.messageBox = [](void* c, const char* text, const char* caption,
                          uint32_t flags) -> int32_t {
      auto* self = Self(c);
      self->boxes.push_back({Str(text), caption != nullptr, Str(caption), flags});
      return self->boxResult;
    };
    hooks.openProgress = [](void* c, void* owner, const char* title, const char* status,
                            const char* indexText, uint32_t total) -> void* {
      RecordedWindow& w = Self(c)->Add(WindowKind::Progress, owner, title);
      w.text = Str(status);
      w.statuses.push_back(w.text);
      w.indexText = Str(indexText);
      w.total = total;
      w.rangeHigh = total;
      Self(c)->log.push_back("open progress " + w.caption);
      return &w;
    };
    hooks.setProgressRange = [](void* c, void* window, uint32_t low, uint32_t high) {
      Get(window).rangeLow = low;
      Get(window).rangeHigh = high;
      Self(c)->log.push_back("range " + std::to_string(low) + " " + std::to_string(high));
    };
    hooks.setProgressStatus = [](void* c, void* window, const char* status) {
      Get(window).text = Str(status);
      Get(window).statuses.push_back(Str(status));
      Self(c)->log.push_back("status " + Str(status));
    };
    hooks.setProgressPercent = [](void* c, void* window, const char* text, uint32_t position) {
      RecordedWindow& w = Get(window);
      w.percentText = Str(text);
      w.position = position;
      w.percents.push_back(w.percentText);
      w.positions.push_back(position);
      // NOLINTNEXTLINE(cert-err34-c): the text starts with its figure ("45 %")
      Self(c)->lastPercent = std::atoi(w.percentText.c_str());
      Self(c)->log.push_back("percent " + w.percentText + " @" + std::to_string(position));
    };
    hooks.setProgressSpeed = [](void* c, void* window, const char* text) {
      Get(window).speedText = Str(text);
      Get(window).speeds.push_back(Str(text));
      Self(c)->log.push_back("speed " + Str(text));
    };
    hooks.pump = [](void* c, void*) -> uint32_t { return Self(c)->Pump(); };
    hooks.closeWindow = [](void* c, void* window) {
      Get(window).open = false;
      Self(c)->log.push_back("close");
    };
    hooks.openFormat = [](void* c, void* owner, const char* caption, const char* text) -> void* {
      RecordedWindow& w = Self(c)->Add(WindowKind::Format, owner, caption);
      w.text = Str(text);
      Self(c)->log.push_back("open format " + w.caption);
      return &w;
    };
    hooks.upgradeStage = [](void* c, int32_t stage, uint32_t total) {
      Self(c)->stages.push_back({stage, total});
    };
    hooks.openDelete = [](void* c, void* owner, const char* caption, const char* indexText,
                          const char* fileName) -> void* {
      RecordedWindow& w = Self(c)->Add(WindowKind::Delete, owner, caption);
      w.indexText = Str(indexText);
      w.fileName = Str(fileName);
      Self(c)->log.push_back("open delete " + w.caption);
      return &w;
    };
    install_(&hooks);
  }
  ~RecordingUi() { install_(nullptr); }
  RecordingUi(const RecordingUi&) = delete;
  RecordingUi& operator=(const RecordingUi&) = delete;

  // Presses `key` during the `n`th pump (counting from 1).
  void PressAtPump(int n, Key key) { plan_.push_back({key, n, -1}); }
  // Presses `key` at the first pump after a percent of at least `percent` was shown.
  void PressAtPercent(int percent, Key key) { plan_.push_back({key, -1, percent}); }

  RecordedWindow& Window(size_t i) { return *windows[i]; }
  static RecordedWindow& Get(void* handle) { return *static_cast<RecordedWindow*>(handle); }

  std::vector<RecordedBox> boxes;
  int32_t boxResult = 1;  // IDOK
  std::vector<std::unique_ptr<RecordedWindow>> windows;
  std::vector<std::string> log;  // every call on a window, and every key pressed
  std::vector<Key> pressed;
  std::vector<std::pair<int32_t, uint32_t>> stages;  // every upgrade stage, with its total
  int pumps = 0;
  int lastPercent = -1;
  std::function<void()> onPump;  // called at every pump of a window, before any key is pressed

 private:
  struct Press {
    Key key;
    int atPump;
    int atPercent;
    bool done = false;
  };

  static RecordingUi* Self(void* context) { return static_cast<RecordingUi*>(context); }
  static std::string Str(const char* text) { return text != nullptr ? text : ""; }

  RecordedWindow& Add(WindowKind kind, void* owner, const char* caption) {
    windows.push_back(std::make_unique<RecordedWindow>());
    RecordedWindow& w = *windows.back();
    w.kind = kind;
    w.owner = owner;
    w.caption = Str(caption);
    return w;
  }

  uint32_t Pump() {
    ++pumps;
    log.push_back("pump");
    if (onPump) onPump();
    uint32_t bits = 0;
    for (Press& p : plan_) {
      if (p.done) continue;
      if (p.atPump != pumps && (p.atPercent < 0 || lastPercent < p.atPercent)) continue;
      p.done = true;
      pressed.push_back(p.key);
      log.push_back(p.key == Key::Pause    ? "press pause"
                    : p.key == Key::Escape ? "press escape"
                                           : "press cancel");
      // Escape and Cancel both reach the window as its Cancel command.
      bits ^= p.key == Key::Pause ? VORPEX_UI_PAUSE : 0;
      bits |= p.key == Key::Pause ? 0 : VORPEX_UI_CANCEL;
    }
    return bits;
  }

  Installer install_;
  std::vector<Press> plan_;
};

}  // namespace vorpex::test
