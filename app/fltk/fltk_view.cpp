#include "app/fltk/fltk_view.h"

#include <FL/Fl.H>

#include <algorithm>
#include <cmath>

#include "app/fltk/fltk_text.h"
#include "app/text_trace.h"
#include "platform/ui.h"

namespace vorpex::app {
namespace {

constexpr double kTwipsPerInch = 1440.0;
constexpr float kAssumedDpi = 96.0f;
constexpr double kHeadingPoints = 13.5;
// The status bar's text, in the size of the system's status bar font.
constexpr double kStatusPoints = 9;

// Twips to pixels at the screen's resolution; 96 dots per inch when the screen's is unknown
// or implausible.
class Twips {
 public:
  Twips() {
    float h = 0, v = 0;
    Fl::screen_dpi(h, v);
    dpiX_ = (h >= 48 && h <= 480) ? h : kAssumedDpi;
    dpiY_ = (v >= 48 && v <= 480) ? v : kAssumedDpi;
  }
  int X(int twips) const { return static_cast<int>(std::lround(twips / kTwipsPerInch * dpiX_)); }
  int Y(int twips) const { return static_cast<int>(std::lround(twips / kTwipsPerInch * dpiY_)); }
  int Points(double points) const { return static_cast<int>(std::lround(points * dpiY_ / 72.0)); }

 private:
  float dpiX_ = kAssumedDpi;
  float dpiY_ = kAssumedDpi;
};

}  // namespace

FltkView::FltkView() {
  Twips t;
  form_ = std::make_unique<Fl_Double_Window>(t.X(3420), t.Y(2790), "Firmware Upgrade");
  form_->begin();
  Label1 = new Fl_Box(t.X(150), t.Y(180), t.X(3015), t.Y(495), "Firmware Upgrade");
  Label1->labelfont(FL_HELVETICA);
  Label1->labelsize(t.Points(kHeadingPoints));
  Label1->align(FL_ALIGN_LEFT | FL_ALIGN_TOP | FL_ALIGN_INSIDE);
  cmdBootUp = new Fl_Button(t.X(165), t.Y(855), t.X(3075), t.Y(705));
  cmdBootUp->callback(OnBootUp, this);
  cmdFWUp = new Fl_Button(t.X(165), t.Y(1650), t.X(3075), t.Y(690));
  cmdFWUp->callback(OnFwUp, this);
  // The status line's one panel is as wide as the window.
  StatusBar1 = new Fl_Box(0, t.Y(2490), form_->w(), form_->h() - t.Y(2490));
  StatusBar1->box(FL_THIN_DOWN_BOX);
  StatusBar1->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
  StatusBar1->labelsize(t.Points(kStatusPoints));
  form_->end();
  // The window grows, to the right, until the status line holds each of the flows' texts whole
  // in the fonts this screen has.
  int widest = 0;
  for (const char* text : {kUpgrading, kCompleted, kFailed}) {
    widest = std::max(widest, LineWidth(StatusBar1, text));
  }
  if (const int missing = widest - LineRoom(StatusBar1); missing > 0) {
    form_->size(form_->w() + missing, form_->h());
    StatusBar1->size(form_->w(), StatusBar1->h());
  }
  form_->callback(OnClose, this);
}

Fl_Button* FltkView::ButtonOf(UpgradeButton button) const {
  return button == UpgradeButton::kBootUp ? cmdBootUp : cmdFWUp;
}

void FltkView::SetTitle(const std::string& title) {
  form_->copy_label(title.c_str());
  TraceShownText("title", "", title);
}

void FltkView::SetCaption(UpgradeButton button, const std::string& caption) {
  ButtonOf(button)->copy_label(caption.c_str());
}

void FltkView::SetEnabled(UpgradeButton button, bool enabled) {
  if (enabled) {
    ButtonOf(button)->activate();
  } else {
    ButtonOf(button)->deactivate();
  }
}

void FltkView::SetStatusText(const std::string& text) {
  ShowLine(StatusBar1, text, "status");
}

void FltkView::ShowMessage(const std::string& text, BoxTitle title, BoxKind kind) {
  ShowBox(text, title == BoxTitle::kEmpty ? "" : kProgramTitle,
          kind == BoxKind::kError ? platform::kMbIconError : platform::kMbOk);
}

void FltkView::PumpMessages() {
  Fl::check();
}

void FltkView::OnClose(Fl_Widget* /*widget*/, void* self) {
  auto* view = static_cast<FltkView*>(self);
  // Escape does not close the window; the close box does, unless an upgrade is running.
  if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) return;
  if (view->presenter_ != nullptr && !view->presenter_->OnCloseRequest()) return;
  view->form_->hide();
}

void FltkView::OnBootUp(Fl_Widget* /*widget*/, void* self) {
  auto* view = static_cast<FltkView*>(self);
  if (view->presenter_ != nullptr) view->presenter_->OnBootUpClick();
}

void FltkView::OnFwUp(Fl_Widget* /*widget*/, void* self) {
  auto* view = static_cast<FltkView*>(self);
  if (view->presenter_ != nullptr) view->presenter_->OnFwUpClick();
}

int32_t FltkMessageBox(void* /*context*/, const char* text, const char* caption, uint32_t flags) {
  // Without a caption, MessageBoxA titles its box "Error".
  return ShowBox(text != nullptr ? text : "", caption != nullptr ? caption : "Error", flags);
}

}  // namespace vorpex::app
