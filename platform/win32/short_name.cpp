#include "platform/short_name.h"

#include <windows.h>

#include "protocol/short_name.h"

namespace vorpex::platform {

namespace {

bool IsLeadByte(uint8_t byte) {
  return ::IsDBCSLeadByte(byte) != 0;
}

}  // namespace

std::optional<std::string> ShortNameOfPath(std::string_view path) {
  return protocol::MakeShortName(path, IsLeadByte);
}

bool HasEmptyBaseName(std::string_view path) {
  return protocol::HasEmptyBaseName(path, IsLeadByte);
}

std::string UniqueShortName(std::string_view shortName, const protocol::NameTaken& isTaken) {
  return protocol::UniqueShortName(shortName, isTaken, IsLeadByte);
}

}  // namespace vorpex::platform
