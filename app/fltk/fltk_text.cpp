#include "app/fltk/fltk_text.h"

#include <FL/Fl.H>
#include <FL/fl_ask.H>
#include <FL/fl_draw.H>

#include <string>

#include "app/text_fit.h"
#include "app/text_trace.h"
#include "platform/ui.h"

namespace vorpex::app {

int LineWidth(const Fl_Widget* widget, std::string_view text) {
  fl_font(widget->labelfont(), widget->labelsize());
  return static_cast<int>(fl_width(text.data(), static_cast<int>(text.size())) + 0.999);
}

int LineRoom(const Fl_Widget* widget) {
  // FLTK draws a left- or right-aligned label 3 pixels in from the box's frame on either side.
  return widget->w() - Fl::box_dw(widget->box()) - 6;
}

void ShowLine(Fl_Widget* widget, std::string_view text, const char* kind) {
  if (widget == nullptr) return;
  const std::string shown =
      ShortenMiddle(TrimLineEnd(text), LineRoom(widget),
                    [widget](std::string_view part) { return LineWidth(widget, part); });
  widget->copy_label(shown.c_str());
  widget->redraw();
  if (kind != nullptr) {
    TraceShownText(
        kind, std::to_string(LineWidth(widget, shown)) + "/" + std::to_string(LineRoom(widget)),
        shown);
  }
}

int32_t ShowBox(std::string_view text, const char* caption, uint32_t flags) {
  constexpr int32_t kIdOk = 1, kIdCancel = 2, kIdYes = 6, kIdNo = 7;
  const uint32_t icon = flags & 0xF0;
  const bool alert = icon == platform::kMbIconError || icon == platform::kMbIconWarning;
  const uint32_t buttons = flags & 0xF;
  // The box is as wide as its longest line: long texts are broken into lines that fit.
  auto width = [](std::string_view part) {
    fl_font(FL_HELVETICA, FL_NORMAL_SIZE);
    return fl_width(part.data(), static_cast<int>(part.size()));
  };
  const std::string trimmed = TrimLineEnd(text);
  const std::string body = WrapText(trimmed, kBoxTextRoom, width);
  TraceShownText(buttons == 0 ? (alert ? "alert" : "message") : "choice", caption, trimmed);
  TraceShownText("box-width",
                 std::to_string(static_cast<int>(WidestLine(body, width) + 0.999)) + "/" +
                     std::to_string(static_cast<int>(kBoxTextRoom)),
                 "");

  fl_message_title(caption);
  switch (buttons) {
    case 1:  // OK and Cancel
      return fl_choice("%s", "Cancel", "OK", nullptr, body.c_str()) == 1 ? kIdOk : kIdCancel;
    case 3: {  // Yes, No and Cancel
      int pressed = fl_choice("%s", "Cancel", "Yes", "No", body.c_str());
      return pressed == 1 ? kIdYes : pressed == 2 ? kIdNo : kIdCancel;
    }
    case 4:  // Yes and No
      return fl_choice("%s", "No", "Yes", nullptr, body.c_str()) == 1 ? kIdYes : kIdNo;
    default:
      if (alert) {
        fl_alert("%s", body.c_str());
      } else {
        fl_message("%s", body.c_str());
      }
      return kIdOk;
  }
}

}  // namespace vorpex::app
