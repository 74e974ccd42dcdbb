// Whether the program's standard input, output or error is a terminal (a console on Windows), and
// how wide that terminal is.
#pragma once
#include <cstddef>
#include <optional>

namespace vorpex::platform {

enum class StandardStream { kInput, kOutput, kError };

bool IsTerminal(StandardStream stream);

// The width in columns of the terminal that `stream` goes to; nullopt when it is none.
std::optional<size_t> TerminalColumns(StandardStream stream);

// The width of the terminal as it was last read: read again only after the terminal told of a
// new size (on Windows, whose console tells nothing, at every call).
size_t CurrentTerminalColumns(StandardStream stream, size_t fallback);

}  // namespace vorpex::platform
