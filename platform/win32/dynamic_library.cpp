#include "platform/dynamic_library.h"

#include <windows.h>

#include "platform/error.h"

namespace vorpex::platform {

DynamicLibrary::DynamicLibrary(DynamicLibrary&& other) noexcept : handle_(other.handle_) {
  other.handle_ = nullptr;
}

DynamicLibrary& DynamicLibrary::operator=(DynamicLibrary&& other) noexcept {
  if (this != &other) {
    if (handle_ != nullptr) ::FreeLibrary(static_cast<HMODULE>(handle_));
    handle_ = other.handle_;
    other.handle_ = nullptr;
  }
  return *this;
}

DynamicLibrary::~DynamicLibrary() {
  if (handle_ != nullptr) ::FreeLibrary(static_cast<HMODULE>(handle_));
}

namespace {
thread_local DWORD loadError = 0;
}  // namespace

std::optional<DynamicLibrary> DynamicLibrary::Load(const std::string& path) {
  HMODULE handle = ::LoadLibraryA(path.c_str());
  if (handle == nullptr) {
    loadError = ::GetLastError();
    return std::nullopt;
  }
  return DynamicLibrary(handle);
}

std::optional<DynamicLibrary> DynamicLibrary::LoadIfLoaded(const std::string& path) {
  // The module's name alone, as Windows compares loaded modules by it.
  const size_t separator = path.find_last_of("\\/");
  const std::string name = separator == std::string::npos ? path : path.substr(separator + 1);
  HMODULE handle = nullptr;
  if (::GetModuleHandleExA(0, name.c_str(), &handle) == 0 || handle == nullptr) {
    return std::nullopt;
  }
  return DynamicLibrary(handle);
}

std::string DynamicLibrary::LoadError() {
  std::string text =
      SystemErrorText(loadError).value_or("Windows error " + std::to_string(loadError));
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

void* DynamicLibrary::Find(const std::string& name) const {
  if (handle_ == nullptr) return nullptr;
  return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(handle_), name.c_str()));
}

std::string LibraryFileName(std::string_view baseName) {
  return std::string(baseName) + ".dll";
}

std::string ExportName(std::string_view decoratedName) {
  return std::string(decoratedName);
}

}  // namespace vorpex::platform
