// The player on the USB bus through libusb-1.0, shared by the two driver ports of the Linux
// build: the process's one libusb context, the attached players, opening one for exclusive use,
// and libusb's failures in Windows error codes.
#pragma once
#include <libusb.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace vorpex::platform::usb {

// Where a player sits on the bus; stable while it stays plugged in.
struct BusAddress {
  uint8_t bus = 0;
  uint8_t address = 0;
  bool operator==(const BusAddress&) const = default;
};

// Starts libusb on first use (libusb's default context, which every user in the process
// shares); false, with "file not found" as the last error, when the system gives no USB access.
bool Started();

// The attached players (vendor 0x04E8, product 0x1003) in the bus's order.
std::vector<BusAddress> Players();

// Opens the player at `where` and claims its interface, detaching a kernel driver that holds it
// (reattached on Close). nullptr with the last error set: access denied (5) when the system
// refuses the device, file not found (2) when it is gone.
libusb_device_handle* Open(BusAddress where);
void Close(libusb_device_handle* handle);

// The endpoint addresses of the player's interface in the order of its configuration
// descriptor; empty when libusb cannot read it.
std::vector<uint8_t> Endpoints(libusb_device_handle* handle);

// A libusb failure as a Windows error code: access denied, file not found, a time-out, and
// "the device does not work" for the rest.
uint32_t WindowsError(int libusbError);

}  // namespace vorpex::platform::usb
