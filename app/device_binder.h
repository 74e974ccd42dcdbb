// The device library as the upgrade flows call it: loaded by file name at the first click, its
// entry points looked up by name, and beside it the chip library's error state, where the
// device library leaves the reason of a failure.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/dynamic_library.h"
#include "vorpex_host.h"

namespace vorpex::app {

struct ChipError {
  int32_t code = 0;
  uint32_t windowsError = 0;
};

class DeviceBinder {
 public:
  virtual ~DeviceBinder() = default;

  // Loads the libraries and binds every entry point, unless done before. nullopt when bound;
  // otherwise the text that tells the user which library or entry point is missing. A failed
  // attempt is tried again at the next call.
  virtual std::optional<std::string> Bind() = 0;

  // _Usb_Checking@4, _Usb_UpgradeFirmware@24 and _Usb_Close@4.
  virtual int32_t Checking(int32_t unused) = 0;
  virtual int32_t UpgradeFirmware(void* parentWindow, void* device, int32_t kind, int32_t mode,
                                  const char* unused, const char* hexPath) = 0;
  virtual int32_t Close(int32_t unused) = 0;

  // The chip library's error state: cleared before an upgrade, read after a failed one, and
  // shown the way VORPEX_DispError shows it.
  virtual void ClearError() = 0;
  virtual ChipError GetError() = 0;
  virtual void DispError(const ChipError& error) = 0;
  // The reason of the error in plain words, when the library knew more than its code.
  virtual std::string ErrorDetail() { return {}; }
  // Whether the chip library talks to its simulated player rather than a real one: one is
  // attached, or VORPEX_SIMULATOR names the one it attaches at its first use of the driver.
  virtual bool SimulatedPlayer() { return false; }
};

// The binder over the real libraries.
class LibraryBinder final : public DeviceBinder {
 public:
  // `deviceLibrary` and `chipLibrary` are the paths to load. When `hostUi` is given, it is
  // installed into the chip library (VorpexHost_InstallUi) once the libraries are loaded.
  LibraryBinder(std::string deviceLibrary, std::string chipLibrary,
                std::optional<VorpexUiHooks> hostUi = std::nullopt);
  // Takes the host's hooks out of the chip library again.
  ~LibraryBinder() override;
  LibraryBinder(const LibraryBinder&) = delete;
  LibraryBinder& operator=(const LibraryBinder&) = delete;

  std::optional<std::string> Bind() override;
  int32_t Checking(int32_t unused) override;
  int32_t UpgradeFirmware(void* parentWindow, void* device, int32_t kind, int32_t mode,
                          const char* unused, const char* hexPath) override;
  int32_t Close(int32_t unused) override;
  void ClearError() override;
  ChipError GetError() override;
  void DispError(const ChipError& error) override;
  std::string ErrorDetail() override;
  bool SimulatedPlayer() override;

 private:
  struct EntryPoints;
  std::string deviceLibraryPath_;
  std::string chipLibraryPath_;
  std::optional<VorpexUiHooks> hostUi_;
  std::optional<platform::DynamicLibrary> deviceLibrary_;
  std::optional<platform::DynamicLibrary> chipLibrary_;
  std::shared_ptr<const EntryPoints> entry_;
};

}  // namespace vorpex::app
