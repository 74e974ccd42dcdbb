#include "app/fltk/fltk_library_ui.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Progress.H>

#include <memory>
#include <string>

#include "app/fltk/fltk_text.h"
#include "app/fltk/fltk_view.h"

namespace vorpex::app {
namespace {

// One window of the library; the handle the library holds is a pointer to it.
struct LibraryWindow {
  std::unique_ptr<Fl_Double_Window> window;
  Fl_Box* status = nullptr;
  Fl_Box* index = nullptr;
  Fl_Box* percent = nullptr;
  Fl_Box* speed = nullptr;
  Fl_Progress* bar = nullptr;
  uint32_t pressed = 0;  // VORPEX_UI_ bits since the last pump
};

LibraryWindow* Of(void* window) {
  return static_cast<LibraryWindow*>(window);
}

// A line of a window; `kind` names it in the trace of shown texts (null: not traced).
Fl_Box* Text(int x, int y, int w, int h, const char* text, const char* kind = nullptr) {
  auto* box = new Fl_Box(x, y, w, h);
  box->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
  ShowLine(box, text != nullptr ? text : "", kind);
  return box;
}

void SetText(Fl_Box* box, const char* text, const char* kind = nullptr) {
  ShowLine(box, text != nullptr ? text : "", kind);
}

// Cancel, Escape and the close box all ask the operation to stop; the window stays until the
// library closes it.
void OnCancel(Fl_Widget* /*widget*/, void* window) {
  Of(window)->pressed |= VORPEX_UI_CANCEL;
}

LibraryWindow* NewWindow(int w, int h, const char* caption) {
  auto* made = new LibraryWindow;
  made->window = std::make_unique<Fl_Double_Window>(w, h);
  made->window->copy_label(caption != nullptr ? caption : "");
  made->window->callback(OnCancel, made);
  return made;
}

void* OpenProgress(void* /*context*/, void* /*owner*/, const char* title, const char* status,
                   const char* indexText, uint32_t total) {
  LibraryWindow* made = NewWindow(360, 150, title);
  made->status = Text(10, 10, 340, 22, status, "progress");
  made->index = Text(10, 34, 340, 22, indexText);
  made->bar = new Fl_Progress(10, 60, 340, 20);
  made->bar->minimum(0);
  made->bar->maximum(static_cast<float>(total));
  made->bar->value(0);
  made->bar->selection_color(FL_BLUE);
  made->percent = Text(10, 84, 100, 22, " 0 %");
  made->speed = Text(120, 84, 230, 22, "");
  auto* cancel = new Fl_Button(260, 114, 90, 26, "Cancel");
  cancel->callback(OnCancel, made);
  made->window->end();
  made->window->show();
  Fl::check();
  return made;
}

void SetProgressRange(void* /*context*/, void* window, uint32_t low, uint32_t high) {
  if (window == nullptr || Of(window)->bar == nullptr) return;
  Of(window)->bar->minimum(static_cast<float>(low));
  Of(window)->bar->maximum(static_cast<float>(high));
}

void SetProgressStatus(void* /*context*/, void* window, const char* status) {
  if (window != nullptr) SetText(Of(window)->status, status, "progress");
}

void SetProgressPercent(void* /*context*/, void* window, const char* percentText,
                        uint32_t position) {
  if (window == nullptr) return;
  SetText(Of(window)->percent, percentText);
  if (Of(window)->bar != nullptr) Of(window)->bar->value(static_cast<float>(position));
}

void SetProgressSpeed(void* /*context*/, void* window, const char* speedText) {
  if (window != nullptr) SetText(Of(window)->speed, speedText);
}

uint32_t Pump(void* /*context*/, void* window) {
  Fl::check();
  if (window == nullptr) return 0;
  uint32_t pressed = Of(window)->pressed;
  Of(window)->pressed = 0;
  return pressed;
}

void CloseWindow(void* /*context*/, void* window) {
  if (window == nullptr) return;
  Of(window)->window->hide();
  delete Of(window);
  Fl::check();
}

void* OpenFormat(void* /*context*/, void* /*owner*/, const char* caption, const char* text) {
  LibraryWindow* made = NewWindow(260, 70, caption);
  made->status = Text(10, 10, 240, 50, text);
  made->window->end();
  made->window->show();
  Fl::check();
  return made;
}

void* OpenDelete(void* /*context*/, void* /*owner*/, const char* caption, const char* indexText,
                 const char* fileName) {
  LibraryWindow* made = NewWindow(320, 110, caption);
  made->index = Text(10, 10, 300, 22, indexText);
  made->status = Text(10, 34, 300, 22, fileName, "delete");
  // The delete window's Cancel button has no effect.
  new Fl_Button(220, 74, 90, 26, "Cancel");
  made->window->end();
  made->window->show();
  Fl::check();
  return made;
}

}  // namespace

VorpexUiHooks FltkLibraryUi::Hooks() {
  VorpexUiHooks hooks{};
  hooks.size = sizeof hooks;
  hooks.context = this;
  hooks.messageBox = FltkMessageBox;
  hooks.openProgress = OpenProgress;
  hooks.setProgressRange = SetProgressRange;
  hooks.setProgressStatus = SetProgressStatus;
  hooks.setProgressPercent = SetProgressPercent;
  hooks.setProgressSpeed = SetProgressSpeed;
  hooks.pump = Pump;
  hooks.closeWindow = CloseWindow;
  hooks.openFormat = OpenFormat;
  hooks.openDelete = OpenDelete;
  return hooks;
}

}  // namespace vorpex::app
