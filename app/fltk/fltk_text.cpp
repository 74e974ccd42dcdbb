#include "app/fltk/fltk_text.h"

#include <FL/Fl.H>
#include <FL/fl_ask.H>
#include <FL/fl_draw.H>

#include <cstdio>
#include <optional>

#include "app/text_fit.h"
#include "platform/environment.h"
#include "platform/ui.h"

namespace vorpex::app {
namespace {

// Tests that drive the window read what it showed from this file: one line per text, its
// fields separated by tabs, line breaks and tabs inside a text written as \r, \n and \t.
constexpr const char* kTraceVariable = "NEBRISK_TEXT_TRACE";

void Trace(std::string_view kind, std::string_view detail, std::string_view text) {
  static const std::optional<std::string> path = platform::EnvironmentVariable(kTraceVariable);
  if (!path) return;
  std::string line = std::string(kind) + "\t" + std::string(detail) + "\t";
  for (char c : text) {
    switch (c) {
      case '\r':
        line += "\\r";
        break;
      case '\n':
        line += "\\n";
        break;
      case '\t':
        line += "\\t";
        break;
      case '\\':
        line += "\\\\";
        break;
      default:
        line += c;
    }
  }
  line += "\n";
  if (std::FILE* file = std::fopen(path->c_str(), "a")) {
    std::fputs(line.c_str(), file);
    std::fclose(file);
  }
}

}  // namespace

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
    Trace(kind, std::to_string(LineWidth(widget, shown)) + "/" + std::to_string(LineRoom(widget)),
          shown);
  }
}

int32_t ShowBox(std::string_view text, const char* caption, uint32_t flags) {
  constexpr int32_t kIdOk = 1, kIdCancel = 2, kIdYes = 6, kIdNo = 7;
  const std::string body = TrimLineEnd(text);
  const uint32_t icon = flags & 0xF0;
  const bool alert = icon == platform::kMbIconError || icon == platform::kMbIconWarning;
  const uint32_t buttons = flags & 0xF;
  Trace(buttons == 0 ? (alert ? "alert" : "message") : "choice", caption, body);

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
