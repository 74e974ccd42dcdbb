// The upgrade window in Win32: Form1 with its heading, two buttons and status bar, laid out
// from the window's twip measures at the screen's resolution.
#pragma once
#include <windows.h>

#include "app/upgrade_presenter.h"
#include "app/upgrade_view.h"

namespace vorpex::app {

class Win32View final : public UpgradeView {
 public:
  explicit Win32View(HINSTANCE instance);
  ~Win32View() override;
  Win32View(const Win32View&) = delete;
  Win32View& operator=(const Win32View&) = delete;

  bool Created() const { return Form1 != nullptr; }
  void Attach(UpgradePresenter& presenter) { presenter_ = &presenter; }
  void Show(int showCommand);
  void SetTitle(const std::string& title);

  void SetCaption(UpgradeButton button, const std::string& caption) override;
  void SetEnabled(UpgradeButton button, bool enabled) override;
  void SetStatusText(const std::string& text) override;
  void ShowMessage(const std::string& text, BoxTitle title, BoxKind kind) override;
  void PumpMessages() override;
  void* OwnerWindow() override { return Form1; }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  HWND ButtonOf(UpgradeButton button) const;

  UpgradePresenter* presenter_ = nullptr;
  HFONT headingFont_ = nullptr;
  HWND Form1 = nullptr;
  HWND Label1 = nullptr;
  HWND cmdBootUp = nullptr;
  HWND cmdFWUp = nullptr;
  HWND StatusBar1 = nullptr;
};

}  // namespace vorpex::app
