// The chip library's string table, for builds whose modules carry no resource section. The
// resource script holds the same strings for Windows; a test keeps the two equal.
#pragma once
#include <span>

#include "platform/module.h"

namespace vorpex::chip {

std::span<const platform::StringResource> StringTable();

}  // namespace vorpex::chip
