#include "platform/file_head.h"

#include <cstdint>
#include <span>

#include "platform/file.h"

namespace vorpex::platform {

std::optional<std::string> ReadFileHead(const std::string& path, size_t limit) {
  auto file = File::Open(path, Access::kRead, Share::kReadWrite, Disposition::kOpenExisting);
  if (!file) return std::nullopt;
  std::string head(limit, '\0');
  size_t filled = 0;
  while (filled < limit) {
    auto got =
        file->Read(std::span(reinterpret_cast<uint8_t*>(head.data()) + filled, limit - filled));
    if (!got) return std::nullopt;
    if (*got == 0) break;
    filled += *got;
  }
  head.resize(filled);
  return head;
}

}  // namespace vorpex::platform
