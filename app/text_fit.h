// Fitting a text into the room a window gives it, whatever the toolkit measures with.
#pragma once
#include <functional>
#include <string>
#include <string_view>

namespace vorpex::app {

// How wide a text is drawn, in any unit; the toolkit passes its own measure.
using TextWidth = std::function<double(std::string_view)>;

// The text without the line breaks and blanks at its end (the system's error texts end in
// CR LF, which a box would show as a stray character).
std::string TrimLineEnd(std::string_view text);

// The text as it fits into `room`: unchanged when it fits; otherwise shortened in the middle
// with "…". A path keeps its file name and as many folders next to it as fit, and its first
// folder when there is room ("/home/…/BootCodec/codec.hex"); either "/" or "\" separates.
// A text without separators, or a file name too long on its own, keeps its start and end.
std::string ShortenMiddle(std::string_view text, double room, const TextWidth& width);

// The text broken into lines no wider than `room`, for a message box: at blanks where it can,
// a word wider than the room (a long path) after a "/" or "" that keeps the piece within it,
// else after the last character that fits. Line breaks of the text stay; nothing is dropped
// but the blanks a break replaces.
std::string WrapText(std::string_view text, double room, const TextWidth& width);

// How wide the widest line of a text is.
double WidestLine(std::string_view text, const TextWidth& width);

// The room, in pixels, for the text of a message box: its box stays well within a screen
// 1024 pixels wide.
inline constexpr double kBoxTextRoom = 480;

}  // namespace vorpex::app
