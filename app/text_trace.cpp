#include "app/text_trace.h"

#include <optional>
#include <span>
#include <string>

#include "platform/environment.h"
#include "platform/file.h"

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
  // Best-effort: a trace that cannot be written has nowhere to say so.
  auto file = platform::File::Open(*path, platform::Access::kWrite, platform::Share::kReadWrite,
                                   platform::Disposition::kOpenAlways);
  if (!file) return;
  if (auto size = file->Size(); !size || !file->Seek(*size)) return;
  file->Write({reinterpret_cast<const uint8_t*>(line.data()), line.size()});
}

}  // namespace vorpex::app
