// A file search as FindFirstFileA starts one: the path's last part may hold the wildcards
// "*" and "?".
#pragma once
#include <string>

namespace vorpex::platform {

// True when a file or folder matches the path (a path that ends in a separator names nothing).
bool FindAnyFile(const std::string& pathOrPattern);

}  // namespace vorpex::platform
