// The boot state of an upgrade package: how far the upgrade of the player has come, as the
// settings file keeps it under BOOT UPGRADE in BOOTINFO.
#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

namespace vorpex::app {

// A whole number in 16 bits, blanks around it allowed; nullopt for anything else (an empty
// value included).
std::optional<int16_t> ParseBootState(std::string_view text);

struct ButtonStates {
  bool bootUp = true;
  bool fwUp = true;
};

// The buttons a boot state offers at start; nullopt for a state that leaves them as laid out
// (both enabled, no captions).
std::optional<ButtonStates> StartButtonStates(int16_t bootState);

}  // namespace vorpex::app
