// What the upgrade flows need of a window: two buttons, a status line, message boxes and a
// chance for the window to process its messages. Both windows (Win32 and FLTK) implement it,
// and so does the recorder of the tests.
#pragma once
#include <string>

namespace vorpex::app {

enum class UpgradeButton { kBootUp, kFwUp };

// Message boxes have an OK button only. The cable warning has an empty title; the others the
// program's own.
enum class BoxTitle { kEmpty, kProgram };
// A box that says something went wrong, or one that only informs.
enum class BoxKind { kInformation, kError };

inline constexpr const char* kProgramTitle = "Nebrisk";

class UpgradeView {
 public:
  virtual ~UpgradeView() = default;

  virtual void SetCaption(UpgradeButton button, const std::string& caption) = 0;
  virtual void SetEnabled(UpgradeButton button, bool enabled) = 0;
  // The first panel of the status bar.
  virtual void SetStatusText(const std::string& text) = 0;
  // A modal box; returns when the user has closed it.
  virtual void ShowMessage(const std::string& text, BoxTitle title, BoxKind kind) = 0;
  // Processes the messages waiting now, once, and returns.
  virtual void PumpMessages() = 0;
  // The window that owns the device library's progress window (HWND on Windows; may be null).
  virtual void* OwnerWindow() = 0;
};

}  // namespace vorpex::app
