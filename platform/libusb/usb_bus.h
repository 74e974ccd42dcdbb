// The player on the USB bus through libusb-1.0, shared by the two driver ports of the Linux
// build: the process's one libusb context, the attached players, the one handle and interface
// claim of each open player, and libusb's failures in Windows error codes. Both ports run in
// the chip library (the device library borrows its driver port from there), so that a process
// has one of each whichever library asks.
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
// (reattached when the claim is given up); a player this process has open already gives the
// same handle, counted once more. nullptr with the last error set: access denied (5) when the
// system refuses the device, sharing violation (32) when another program holds its interface,
// file not found (2) when it is gone.
libusb_device_handle* Open(BusAddress where);
// One use of a handle from Open ends; the last one releases the claim and closes the device.
void Close(libusb_device_handle* handle);

// The endpoint addresses of the player's interface in the order of its configuration
// descriptor; empty when libusb cannot read it.
std::vector<uint8_t> Endpoints(libusb_device_handle* handle);

// A libusb failure as a Windows error code: access denied, file not found, a time-out, the
// device in use by another program, and "the device does not work" for the rest.
uint32_t WindowsError(int libusbError);

}  // namespace vorpex::platform::usb
