// The texts the FLTK windows show: every message box and every line that a flow or a library
// changes goes through here, so that each is shown the same way (no line break at its end,
// shortened in the middle when it would not fit) and can be followed from outside.
#pragma once
#include <FL/Fl_Widget.H>

#include <cstdint>
#include <string>
#include <string_view>

namespace vorpex::app {

// Shows `text` as the label of a box that shows one line, shortened to fit its width. `kind`
// names the line in the trace ("status", "progress"); null: not traced.
void ShowLine(Fl_Widget* widget, std::string_view text, const char* kind);

// How wide `text` is drawn in `widget`'s label font, and how wide the widget's label may be.
int LineWidth(const Fl_Widget* widget, std::string_view text);
int LineRoom(const Fl_Widget* widget);

// A modal message box with MessageBoxA's buttons (flags' low 4 bits) and icon (an error or
// warning icon shows FLTK's alert icon). Returns the button pressed as MessageBoxA does.
int32_t ShowBox(std::string_view text, const char* caption, uint32_t flags);

}  // namespace vorpex::app
