// The settings file of an upgrade package, one value at a time by section and key.
#pragma once
#include <string>

namespace vorpex::app {

class CIniFile {
 public:
  // The path of the settings file; empty until set.
  void INIFile(const std::string& New_IniPath) { path_ = New_IniPath; }
  const std::string& INIFile() const { return path_; }

  // The value cut to 99 characters; "" when the file, the section or the key is missing.
  std::string GetFile(const std::string& strSection, const std::string& strKey) const;
  // Sets the value, creating what is missing, through a symbolic link to its target. A file
  // without write permission is left as it is. False when the value could not be written, with
  // the system's reason in platform::LastError().
  bool WriteFile(const std::string& strSection, const std::string& strKey,
                 const std::string& strValue) const;

 private:
  std::string path_;
};

}  // namespace vorpex::app
