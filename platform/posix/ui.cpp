#include <cstdio>

#include "platform/ui.h"

namespace vorpex::platform {

int ShowMessageBox(const char* text, const char* caption, uint32_t /*flags*/) {
  // No desktop to show a box on: the text goes to standard error.
  std::fprintf(stderr, "%s%s%s\n", caption != nullptr ? caption : "",
               caption != nullptr ? ": " : "", text != nullptr ? text : "");
  std::fflush(stderr);
  return kIdOk;
}

}  // namespace vorpex::platform
