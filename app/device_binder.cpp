#include "app/device_binder.h"

#include "ORVANEUsbDll.h"
#include "VORPEXUSB.h"
#include "platform/dynamic_library.h"
#include "platform/environment.h"
#include "playersim.h"

namespace vorpex::app {

// The entry points, typed as the libraries export them.
struct LibraryBinder::EntryPoints {
  int32_t(ORVANE_CC* checking)(int32_t) = nullptr;
  int32_t(ORVANE_CC* upgradeFirmware)(void*, void*, int32_t, int32_t, const char*,
                                      const char*) = nullptr;
  int32_t(ORVANE_CC* close)(int32_t) = nullptr;
  int32_t(VORPEX_CC* getError)() = nullptr;
  int32_t(VORPEX_CC* setError)(int32_t) = nullptr;
  uint32_t(VORPEX_CC* getWindowsError)() = nullptr;
  int32_t(VORPEX_CC* dispError)(int32_t, uint32_t) = nullptr;
  void(VORPEX_CC* installUi)(const VorpexUiHooks*) = nullptr;
  uint32_t(VORPEX_CC* errorDetail)(char*, uint32_t) = nullptr;  // absent from other libraries
};

namespace {

std::string FileNameOf(const std::string& path) {
  size_t separator = path.find_last_of("/\\");
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

// Looks `name` up and stores it in `slot`; the missing name's message otherwise.
template <typename Fn>
bool Resolve(const platform::DynamicLibrary& library, const std::string& libraryPath,
             const std::string& name, Fn& slot, std::optional<std::string>& failure) {
  if (failure) return false;
  void* address = library.Find(name);
  if (address == nullptr) {
    failure = "Entry point " + name + " not found in " + FileNameOf(libraryPath);
    return false;
  }
  slot = reinterpret_cast<Fn>(address);
  return true;
}

}  // namespace

LibraryBinder::LibraryBinder(std::string deviceLibrary, std::string chipLibrary,
                             std::optional<VorpexUiHooks> hostUi)
    : deviceLibraryPath_(std::move(deviceLibrary)),
      chipLibraryPath_(std::move(chipLibrary)),
      hostUi_(hostUi) {}

LibraryBinder::~LibraryBinder() {
  if (entry_ && entry_->installUi != nullptr) entry_->installUi(nullptr);
}

std::optional<std::string> LibraryBinder::Bind() {
  if (entry_) return std::nullopt;

  // The device library first: it brings the chip library in as its own dependency.
  std::optional<platform::DynamicLibrary> device =
      platform::DynamicLibrary::Load(deviceLibraryPath_);
  if (!device)
    return "Cannot load " + deviceLibraryPath_ + ": " + platform::DynamicLibrary::LoadError();
  std::optional<platform::DynamicLibrary> chip = platform::DynamicLibrary::Load(chipLibraryPath_);
  if (!chip)
    return "Cannot load " + chipLibraryPath_ + ": " + platform::DynamicLibrary::LoadError();

  auto entry = std::make_shared<EntryPoints>();
  std::optional<std::string> failure;
  const std::string& d = deviceLibraryPath_;
  const std::string& c = chipLibraryPath_;
  Resolve(*device, d, platform::ExportName("_Usb_Checking@4"), entry->checking, failure);
  Resolve(*device, d, platform::ExportName("_Usb_UpgradeFirmware@24"), entry->upgradeFirmware,
          failure);
  Resolve(*device, d, platform::ExportName("_Usb_Close@4"), entry->close, failure);
  Resolve(*chip, c, "VORPEX_GetError", entry->getError, failure);
  Resolve(*chip, c, "VORPEX_SetError", entry->setError, failure);
  Resolve(*chip, c, "VORPEX_GetWindowsError", entry->getWindowsError, failure);
  Resolve(*chip, c, "VORPEX_DispError", entry->dispError, failure);
  if (hostUi_) Resolve(*chip, c, "VorpexHost_InstallUi", entry->installUi, failure);
  if (failure) return failure;
  entry->errorDetail =
      reinterpret_cast<decltype(entry->errorDetail)>(chip->Find("VorpexShared_ErrorDetail"));

  if (hostUi_) entry->installUi(&*hostUi_);
  deviceLibrary_ = std::move(device);
  chipLibrary_ = std::move(chip);
  entry_ = std::move(entry);
  return std::nullopt;
}

int32_t LibraryBinder::Checking(int32_t unused) {
  return entry_->checking(unused);
}

int32_t LibraryBinder::UpgradeFirmware(void* parentWindow, void* device, int32_t kind, int32_t mode,
                                       const char* unused, const char* hexPath) {
  return entry_->upgradeFirmware(parentWindow, device, kind, mode, unused, hexPath);
}

int32_t LibraryBinder::Close(int32_t unused) {
  return entry_->close(unused);
}

void LibraryBinder::ClearError() {
  entry_->setError(0);
}

ChipError LibraryBinder::GetError() {
  return {entry_->getError(), entry_->getWindowsError()};
}

void LibraryBinder::DispError(const ChipError& error) {
  entry_->dispError(error.code, error.windowsError);
}

std::string LibraryBinder::ErrorDetail() {
  if (entry_->errorDetail == nullptr) return {};
  char detail[1024] = {};
  entry_->errorDetail(detail, sizeof detail);
  return detail;
}

bool LibraryBinder::SimulatedPlayer() {
  // Asked of the simulated player's library only when the process has it already: never
  // loaded for this question alone.
  if (const auto simulator = platform::DynamicLibrary::LoadIfLoaded(
          platform::LibraryFileName(PLAYERSIM_LIBRARY_NAME))) {
    using IsAttached = int32_t(VORPEX_CC*)();
    const auto attached = reinterpret_cast<IsAttached>(simulator->Find("PlayerSim_IsAttached"));
    if (attached != nullptr && attached() == 1) return true;
  }
  return platform::EnvironmentVariable(PLAYERSIM_ENVIRONMENT_VARIABLE).has_value();
}

}  // namespace vorpex::app
