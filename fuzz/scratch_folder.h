// A folder of the fuzz program's own under the temporary folder, removed when it exits.
#pragma once
#include <stdlib.h>

#include <filesystem>
#include <string>

namespace vorpex::fuzz {

inline const std::string& ScratchFolder() {
  struct Folder {
    Folder() {
      std::string pattern = (std::filesystem::temp_directory_path() / "vorpex-fuzz-XXXXXX").string();
      if (mkdtemp(pattern.data()) == nullptr) abort();
      path = pattern;
    }
    ~Folder() {
      std::error_code ignored;
      std::filesystem::remove_all(path, ignored);
    }
    std::string path;
  };
  static const Folder folder;
  return folder.path;
}

}  // namespace vorpex::fuzz
