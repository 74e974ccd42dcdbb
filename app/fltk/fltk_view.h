// The upgrade window in FLTK: Form1 with its heading, two buttons and status line, laid out
// from the window's twip measures at the screen's resolution.
#pragma once
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>

#include <memory>

#include "app/upgrade_presenter.h"
#include "app/upgrade_view.h"

namespace vorpex::app {

class FltkView final : public UpgradeView {
 public:
  FltkView();
  FltkView(const FltkView&) = delete;
  FltkView& operator=(const FltkView&) = delete;

  // Connects the window's events to the presenter; the window then forwards clicks and close
  // requests to it.
  void Attach(UpgradePresenter& presenter) { presenter_ = &presenter; }
  void Show() { form_->show(); }
  void SetTitle(const std::string& title);

  void SetCaption(UpgradeButton button, const std::string& caption) override;
  void SetEnabled(UpgradeButton button, bool enabled) override;
  void SetStatusText(const std::string& text) override;
  void ShowMessage(const std::string& text, BoxTitle title, BoxKind kind) override;
  void PumpMessages() override;
  void* OwnerWindow() override { return form_.get(); }

 private:
  Fl_Button* ButtonOf(UpgradeButton button) const;
  static void OnClose(Fl_Widget* widget, void* self);
  static void OnBootUp(Fl_Widget* widget, void* self);
  static void OnFwUp(Fl_Widget* widget, void* self);

  UpgradePresenter* presenter_ = nullptr;
  std::unique_ptr<Fl_Double_Window> form_;
  Fl_Box* Label1 = nullptr;
  Fl_Button* cmdBootUp = nullptr;
  Fl_Button* cmdFWUp = nullptr;
  Fl_Box* StatusBar1 = nullptr;
};

// A message box for the libraries (VorpexUiHooks.messageBox): MessageBoxA's buttons in FLTK.
int32_t FltkMessageBox(void* context, const char* text, const char* caption, uint32_t flags);

}  // namespace vorpex::app
