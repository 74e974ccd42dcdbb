#include "platform/libusb/usb_bus.h"

#include <sys/stat.h>

#include <algorithm>
#include <mutex>

#include "platform/error.h"
#include "protocol/windriver_records.h"

namespace vorpex::platform::usb {
namespace {

constexpr int kInterface = 0;
constexpr const char* kDeviceFolder = "/dev/bus/usb";
constexpr uint32_t kErrorSemTimeout = 121;

bool IsPlayer(libusb_device* device) {
  libusb_device_descriptor descriptor{};
  if (libusb_get_device_descriptor(device, &descriptor) != 0) return false;
  return descriptor.idVendor == protocol::windriver::kPlayerVendor &&
         descriptor.idProduct == protocol::windriver::kPlayerProduct;
}

BusAddress AddressOf(libusb_device* device) {
  return {libusb_get_bus_number(device), libusb_get_device_address(device)};
}

// Calls `use` with each attached player until it returns true.
template <typename Use>
void ForEachPlayer(Use use) {
  if (!Started()) return;
  libusb_device** list = nullptr;
  const ssize_t count = libusb_get_device_list(nullptr, &list);
  for (ssize_t i = 0; i < count; ++i) {
    if (IsPlayer(list[i]) && use(list[i])) break;
  }
  if (list != nullptr) libusb_free_device_list(list, 1);
}

// The players this process has open: one handle and one interface claim each, whoever uses
// them (the kernel refuses a second claim of the interface, from this process as from any
// other), closed when the last user is done.
struct Claim {
  BusAddress where;
  libusb_device_handle* handle = nullptr;
  size_t users = 0;
};

std::vector<Claim>& Claims() {
  static std::vector<Claim> claims;
  return claims;
}

std::mutex& ClaimsMutex() {
  static std::mutex mutex;
  return mutex;
}

}  // namespace

bool Started() {
  static std::once_flag once;
  static bool started = false;
  std::call_once(once, [] { started = libusb_init(nullptr) == LIBUSB_SUCCESS; });
  // libusb starts on a system without USB as well; where the bus has no device folder,
  // nothing can ever be opened: no driver.
  struct stat folder {};
  if (!started || stat(kDeviceFolder, &folder) != 0 || !S_ISDIR(folder.st_mode)) {
    SetLastError(kErrorFileNotFound);
    return false;
  }
  return true;
}

std::vector<BusAddress> Players() {
  std::vector<BusAddress> players;
  ForEachPlayer([&](libusb_device* device) {
    players.push_back(AddressOf(device));
    return false;
  });
  return players;
}

libusb_device_handle* Open(BusAddress where) {
  std::lock_guard lock(ClaimsMutex());
  std::vector<Claim>& claims = Claims();
  const auto held = std::find_if(claims.begin(), claims.end(),
                                 [&](const Claim& claim) { return claim.where == where; });
  if (held != claims.end()) {
    ++held->users;
    return held->handle;
  }
  libusb_device_handle* handle = nullptr;
  int result = LIBUSB_ERROR_NO_DEVICE;
  ForEachPlayer([&](libusb_device* device) {
    if (!(AddressOf(device) == where)) return false;
    result = libusb_open(device, &handle);
    return true;
  });
  if (result == LIBUSB_SUCCESS) {
    libusb_set_auto_detach_kernel_driver(handle, 1);
    result = libusb_claim_interface(handle, kInterface);
    if (result != LIBUSB_SUCCESS) {
      libusb_close(handle);
      handle = nullptr;
    }
  }
  if (handle == nullptr) {
    SetLastError(WindowsError(result));
    return nullptr;
  }
  claims.push_back({where, handle, 1});
  return handle;
}

void Close(libusb_device_handle* handle) {
  std::lock_guard lock(ClaimsMutex());
  std::vector<Claim>& claims = Claims();
  const auto held = std::find_if(claims.begin(), claims.end(),
                                 [&](const Claim& claim) { return claim.handle == handle; });
  if (held == claims.end() || --held->users > 0) return;
  claims.erase(held);
  libusb_release_interface(handle, kInterface);
  libusb_close(handle);
}

std::vector<uint8_t> Endpoints(libusb_device_handle* handle) {
  std::vector<uint8_t> endpoints;
  libusb_config_descriptor* config = nullptr;
  if (libusb_get_active_config_descriptor(libusb_get_device(handle), &config) != 0) {
    return endpoints;
  }
  if (config->bNumInterfaces > 0 && config->interface[0].num_altsetting > 0) {
    const libusb_interface_descriptor& setting = config->interface[0].altsetting[0];
    for (uint8_t i = 0; i < setting.bNumEndpoints; ++i) {
      endpoints.push_back(setting.endpoint[i].bEndpointAddress);
    }
  }
  libusb_free_config_descriptor(config);
  return endpoints;
}

uint32_t WindowsError(int libusbError) {
  switch (libusbError) {
    case LIBUSB_ERROR_ACCESS:
      return kErrorAccessDenied;
    case LIBUSB_ERROR_NO_DEVICE:
    case LIBUSB_ERROR_NOT_FOUND:
      return kErrorFileNotFound;
    case LIBUSB_ERROR_TIMEOUT:
      return kErrorSemTimeout;
    case LIBUSB_ERROR_BUSY:
      return kErrorSharingViolation;
    default:
      return kErrorGenFailure;
  }
}

}  // namespace vorpex::platform::usb
