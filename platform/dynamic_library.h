// Libraries loaded at run time by file name, and their exports looked up by name.
#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace vorpex::platform {

class DynamicLibrary {
 public:
  DynamicLibrary() = default;
  DynamicLibrary(DynamicLibrary&& other) noexcept;
  DynamicLibrary& operator=(DynamicLibrary&& other) noexcept;
  DynamicLibrary(const DynamicLibrary&) = delete;
  DynamicLibrary& operator=(const DynamicLibrary&) = delete;
  ~DynamicLibrary();

  // LoadLibraryA / dlopen; nullopt when the library or one it needs cannot be loaded.
  static std::optional<DynamicLibrary> Load(const std::string& path);
  // The library when the process has it loaded already (linked, or loaded by someone else),
  // without loading it: nullopt otherwise. The handle counts as a load of its own.
  static std::optional<DynamicLibrary> LoadIfLoaded(const std::string& path);
  // Why the last Load on this thread failed, in the system's words.
  static std::string LoadError();

  // The address of an export, or null. `name` as this build's libraries export it.
  void* Find(const std::string& name) const;

 private:
  explicit DynamicLibrary(void* handle) : handle_(handle) {}
  void* handle_ = nullptr;
};

// A library's file name from its base name: "ORVANEUsbDll.dll", or "libORVANEUsbDll.so.0" (its
// SONAME) on Linux.
std::string LibraryFileName(std::string_view baseName);

// The name under which this build exports a stdcall function known by its decorated Windows
// name: "_Usb_Checking@4" itself on Windows, "Usb_Checking" where symbols carry no decoration.
std::string ExportName(std::string_view decoratedName);

}  // namespace vorpex::platform
