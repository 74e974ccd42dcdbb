// Profile strings: single values of an INI file by section and key, as
// GetPrivateProfileStringA and WritePrivateProfileStringA read and write them.
#pragma once
#include <cstddef>
#include <string>

namespace vorpex::platform {

// What GetPrivateProfileStringA with the default "" puts into a buffer of `bufferSize`
// characters: the value cut to bufferSize - 1 characters, or "" when the file, the section or
// the key is missing.
std::string ReadProfileValue(const std::string& section, const std::string& key,
                             const std::string& path, size_t bufferSize);

// Sets the key to the value, creating the file, the section or the key when missing; every
// other line stays as it was. Never leaves a half-written file. A symbolic link is written
// through to its target; a file without any write permission is left alone, whoever runs the
// program. False when it could not write, with the reason in LastError().
bool WriteProfileValue(const std::string& section, const std::string& key, const std::string& value,
                       const std::string& path);

}  // namespace vorpex::platform
