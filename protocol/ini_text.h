// The text of a Windows profile (INI) file as the profile-string functions read and write it:
// "[section]" lines, then "key=value" lines. Pure functions over the whole text.
//
// Section and key names are compared without regard to ASCII case, blanks around names and
// around "=" do not count, the first matching section and the first matching key in it win, and
// a value wrapped in a pair of matching quotes comes back without them. A line in a section
// that holds no "=" is a key with an empty value.
#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace vorpex::protocol {

// The value of `key` in `section`, or nullopt when the section or the key is absent.
std::optional<std::string> IniLookup(std::string_view text, std::string_view section,
                                     std::string_view key);

// What GetPrivateProfileStringA with the default "" puts into a buffer of `bufferSize`
// characters for this text: the value cut to bufferSize - 1 characters, "" when absent.
std::string ProfileValue(std::string_view text, std::string_view section, std::string_view key,
                         size_t bufferSize);

// The text with `key` in `section` set to `value`: an existing key line is replaced in place
// (keeping its name as written), a missing key is added after the section's last entry, a
// missing section is added at the end. Every other line is kept byte for byte. New lines end
// as the text's lines do ("\r\n" or "\n"), or with `newLine` when the text has no line end.
std::string IniAssign(std::string_view text, std::string_view section, std::string_view key,
                      std::string_view value, std::string_view newLine = "\r\n");

}  // namespace vorpex::protocol
