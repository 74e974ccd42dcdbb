// What the upgrade window showed, told to a file for the tests that drive the real window: the
// environment variable NEBRISK_TEXT_TRACE names it, and only tests set it (unset, nothing is
// written). One line per text shown, its fields separated by tabs: the kind ("message",
// "alert", "choice" for boxes, each followed by "box-width" with its widest line; "status",
// "progress", "delete" for lines; "title" for the window's title), the box's title or the
// line's "width/room" in pixels, and the text, with CR, LF, tab and "\" written as \r, \n,
// \t and \\.
#pragma once
#include <string_view>

namespace vorpex::app {

void TraceShownText(std::string_view kind, std::string_view detail, std::string_view text);

}  // namespace vorpex::app
