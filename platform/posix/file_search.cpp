#include "platform/file_search.h"

#include <glob.h>

namespace vorpex::platform {

bool FindAnyFile(const std::string& pathOrPattern) {
  if (pathOrPattern.empty() || pathOrPattern.back() == '/') return false;
  // Only "*" and "?" are wildcards, as in a Windows file search: "[" and "\" are taken as they are.
  std::string pattern;
  for (char c : pathOrPattern) {
    if (c == '[' || c == ']' || c == '\\') pattern.push_back('\\');
    pattern.push_back(c);
  }
  glob_t found{};
  int result = ::glob(pattern.c_str(), GLOB_NOSORT, nullptr, &found);
  bool any = result == 0 && found.gl_pathc > 0;
  ::globfree(&found);
  return any;
}

}  // namespace vorpex::platform
