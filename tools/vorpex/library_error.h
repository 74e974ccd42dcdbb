// The reason of a failed library call, as the chip library's error state records it, told in
// plain words with the library's own code and text on standard error.
#pragma once
#include <cstdint>
#include <string>

#include "tools/vorpex/terminal_ui.h"

namespace vorpex::cli {

struct LibraryError {
  int32_t code = 0;
  uint32_t windowsError = 0;  // meaningful with code 6
  std::string text;           // what VORPEX_DispError shows for it
  std::string detail;         // the reason in plain words, when the library knew more
};

// The error state now, its text taken from the message box the library would show.
LibraryError ReadLibraryError(TerminalUi& ui);

// "vorpex: <what>: <plain words>", the detail on a line of its own when there is one, and a
// last line with the library's code and text.
void ReportLibraryError(const std::string& what, const LibraryError& error);

// When no player could be reached, in one wording per system, with the library's code and
// text after it when it recorded one: a player the system refused to open (error 6, access
// denied) is told as such, with the udev rule that lets the logged-in user open it, and one
// that another program holds (error 6, sharing violation) as in use.
void ReportNoPlayer(TerminalUi& ui);

// Any other failure: "vorpex: <text>".
void ReportError(const std::string& text);

}  // namespace vorpex::cli
