// The 8.3 short name under which a PC file is stored on the player: at most 8 bytes of base
// name, a dot (always), at most 3 bytes of extension. Case is kept, no character is replaced,
// and a character of more than one byte is copied whole or not at all.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vorpex::protocol {

inline constexpr size_t kShortNameSize = 13;  // with the terminator
inline constexpr std::string_view kDefaultBaseName = "vorpex";

// True for the first byte of a double-byte character in the system code page.
using LeadBytePredicate = bool (*)(uint8_t byte);

// The short name of `path` in a double-byte code page; nullopt when the name starts with the
// only dot of the path and there is no folder in front of it (".profile").
std::optional<std::string> MakeShortName(std::string_view path, LeadBytePredicate isLeadByte);
// The same for a UTF-8 path: a multi-byte sequence counts as one character.
std::optional<std::string> MakeShortNameUtf8(std::string_view path);

// Whether the last part of `path` has nothing before the dot of its extension (".hidden",
// "music/.mp3"): MakeShortName refuses such a name without a folder in front and names it
// kDefaultBaseName with one; vorpex refuses it either way.
bool HasEmptyBaseName(std::string_view path, LeadBytePredicate isLeadByte);
bool HasEmptyBaseNameUtf8(std::string_view path);

// Whether a stored name is taken already; the caller decides how names compare (vorpex compares
// them as the player's FAT directory does, ASCII case ignored, so "SONG.MP3" takes "song.mp3").
using NameTaken = std::function<bool(std::string_view)>;

// `shortName` when it is not taken, else the first free "BASE~N.EXT" (N from 1), numbered the
// way Windows numbers short names: the base cut so that "BASE~N" fits in 8 bytes (a character of
// more than one byte whole or not at all), the extension and the case of the name kept. Empty
// when every number up to 999999 is taken. The rule for characters: UTF-8, or with
// `isLeadByte` a double-byte code page.
std::string UniqueShortName(std::string_view shortName, const NameTaken& isTaken);
std::string UniqueShortName(std::string_view shortName, const NameTaken& isTaken,
                            LeadBytePredicate isLeadByte);

}  // namespace vorpex::protocol
