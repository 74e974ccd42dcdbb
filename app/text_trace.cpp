#include "app/text_trace.h"

#include <cstdio>
#include <optional>
#include <string>

#include "platform/environment.h"

namespace vorpex::app {

void TraceShownText(std::string_view kind, std::string_view detail, std::string_view text) {
  static const std::optional<std::string> path =
      platform::EnvironmentVariable("NEBRISK_TEXT_TRACE");
  if (!path) return;
  std::string line = std::string(kind) + "\t" + std::string(detail) + "\t";
  for (char c : text) {
    switch (c) {
      case '\r':
        line += "\\r";
        break;
      case '\n':
        line += "\\n";
        break;
      case '\t':
        line += "\\t";
        break;
      case '\\':
        line += "\\\\";
        break;
      default:
        line += c;
    }
  }
  line += "\n";
  if (std::FILE* file = std::fopen(path->c_str(), "ab")) {
    std::fputs(line.c_str(), file);
    std::fclose(file);
  }
}

}  // namespace vorpex::app
