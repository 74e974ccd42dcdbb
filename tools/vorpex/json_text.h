// JSON for scripts: the one string writer of every --json document.
#pragma once
#include <string>

namespace vorpex::cli {

// A JSON string: quotes, backslashes and control characters escaped, other bytes as they are.
std::string JsonString(const std::string& text);

}  // namespace vorpex::cli
