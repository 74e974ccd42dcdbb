#include "app/boot_state.h"

namespace vorpex::app {

std::optional<int16_t> ParseBootState(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  int32_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > 32768) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > 32767) return std::nullopt;
  return static_cast<int16_t>(value);
}

std::optional<ButtonStates> StartButtonStates(int16_t bootState) {
  switch (bootState) {
    case 0:
      return ButtonStates{true, false};
    case 1:
    case 2:
      return ButtonStates{false, true};
    case 3:
      return ButtonStates{true, false};
    case 4:
      return ButtonStates{true, true};
    default:
      return std::nullopt;
  }
}

}  // namespace vorpex::app
