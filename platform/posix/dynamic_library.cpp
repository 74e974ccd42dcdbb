#include "platform/dynamic_library.h"

#include <dlfcn.h>
#include <link.h>

#include <string_view>

namespace vorpex::platform {

DynamicLibrary::DynamicLibrary(DynamicLibrary&& other) noexcept : handle_(other.handle_) {
  other.handle_ = nullptr;
}

DynamicLibrary& DynamicLibrary::operator=(DynamicLibrary&& other) noexcept {
  if (this != &other) {
    if (handle_ != nullptr) ::dlclose(handle_);
    handle_ = other.handle_;
    other.handle_ = nullptr;
  }
  return *this;
}

DynamicLibrary::~DynamicLibrary() {
  if (handle_ != nullptr) ::dlclose(handle_);
}

namespace {
thread_local std::string loadError;
}  // namespace

std::optional<DynamicLibrary> DynamicLibrary::Load(const std::string& path) {
  // Never unmapped, as a DLL stays until its process ends: what one library lent another (the
  // simulated player lives as long as the process) stays valid while the process ends.
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (handle == nullptr) {
    const char* reason = ::dlerror();
    loadError = reason != nullptr ? reason : "unknown reason";
    return std::nullopt;
  }
  return DynamicLibrary(handle);
}

std::optional<DynamicLibrary> DynamicLibrary::LoadIfLoaded(const std::string& path) {
  // Looked for among the loaded objects by file name: dlopen would search the file system
  // for a name it does not know, on every call.
  struct Search {
    std::string name;
    std::string found;
  } search{path.substr(path.rfind('/') + 1), {}};
  ::dl_iterate_phdr(
      [](dl_phdr_info* info, size_t, void* data) {
        auto* s = static_cast<Search*>(data);
        const std::string_view loaded = info->dlpi_name != nullptr ? info->dlpi_name : "";
        const std::string_view base = loaded.substr(loaded.rfind('/') + 1);
        if (base != s->name) return 0;
        s->found = loaded;
        return 1;
      },
      &search);
  if (search.found.empty()) return std::nullopt;
  void* handle = ::dlopen(search.found.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD | RTLD_NODELETE);
  if (handle == nullptr) {
    ::dlerror();  // not loaded is no failure to keep
    return std::nullopt;
  }
  return DynamicLibrary(handle);
}

std::string DynamicLibrary::LoadError() {
  return loadError;
}

void* DynamicLibrary::Find(const std::string& name) const {
  return handle_ != nullptr ? ::dlsym(handle_, name.c_str()) : nullptr;
}

std::string LibraryFileName(std::string_view baseName) {
  // The name a program loads at run time is the library's SONAME ("libVORPEXUSB.so.0"): the
  // bare ".so" link belongs to the development files, which a user's system need not have.
  return "lib" + std::string(baseName) + ".so." VORPEX_LIBRARY_SOVERSION;
}

std::string ExportName(std::string_view decoratedName) {
  // ELF symbols carry neither the leading underscore nor the "@<argument bytes>"; a C++
  // decorated name ("?get_osVersion@@YGXPAD@Z") is exported as its plain function name.
  std::string_view name = decoratedName;
  if (!name.empty() && name.front() == '?') {
    name.remove_prefix(1);
    return std::string(name.substr(0, name.find('@')));
  }
  if (!name.empty() && name.front() == '_') name.remove_prefix(1);
  size_t at = name.rfind('@');
  if (at != std::string_view::npos) name = name.substr(0, at);
  return std::string(name);
}

}  // namespace vorpex::platform
