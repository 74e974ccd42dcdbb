// Names read from the player are input like any other: shown with their control characters
// escaped, and turned into local file names that stay inside the folder they are written to.
#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace vorpex::cli {

// `name` safe to print on a terminal: control characters as \xNN, a backslash doubled.
std::string ShownName(std::string_view name);

// Whether `c` may stand in a file name on every PC: no control character, no folder separator,
// none of :*?"<>| (a colon names a drive or a stream on Windows).
bool IsPcNameChar(char c);

struct LocalName {
  std::string name;
  bool changed = false;  // differs from the player's name
};

// The name of the local file for a player's file: every character IsPcNameChar refuses becomes
// "_", and a name that names something else ("", ".", "..", a device such as NUL or COM1) gets
// a "_" in front.
LocalName LocalFileName(std::string_view playerName);

// Why `name` cannot be a stored name that the user chose (put --name), or nullopt when it can:
// it must be its own short name (at most 8 bytes, a dot and at most 3, no character split),
// a name a PC file can have too (none of / \ : * ? " < > | or control characters, no blank or
// dot at its end), with a base name that starts with neither a blank nor a dot, and a first
// byte other than 0xE5, which marks a deleted entry on the player.
std::optional<std::string> StoredNameProblem(std::string_view name);

}  // namespace vorpex::cli
