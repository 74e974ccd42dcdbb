/* The simulated player as the Vizu10 USB driver, and the table through which a Vizu10 driver
 * passes from one library to another.
 *
 * An addition of this implementation, not part of either library's original interface. The
 * simulated player's library (libvorpexsim.so, VorpexSim.dll) lends its face to the chip library
 * (VORPEXUSB) as a VorpexVizu10Ops table, and the chip library lends the device library
 * (ORVANEUsbDll) whichever driver it chose through VorpexShared_Vizu10 (vorpex_shared.h), the
 * same table; the device library uses these calls in place of the system's device interface
 * enumeration, CreateFile, DeviceIoControl, WriteFile, ReadFile and CloseHandle. Both faces of
 * the player (this one and the WinDriver one the chip library uses) share one player: its
 * memories, faults, wire log and virtual time.
 *
 * What the driver offers (see playersim.h for the settings named here):
 * - Device interfaces of the class {A5B039C4-D5F2-11D6-99E0-52544C996075}, interfaceCount of
 *   them, with paths "\\?\usb#vid_04e8&pid_1003#sim<i>#{a5b039c4-d5f2-11d6-99e0-52544c996075}";
 *   none while the player is unplugged or absent. Interface i refuses to open (its device file
 *   and its pipe files) while bit i of refuseOpenMask is set.
 * - The fixed names "\\.\Vizu10-0" and "\\.\Vizu10-0\PIPE00" ... "\PIPE02": the files of
 *   interface 0 for the older route. Pipe files of interfaces: "<interface path>\PIPE00" etc.
 *   Names compare without regard to case.
 * - The configuration request on a device file: the configuration descriptor, one interface
 *   descriptor and an endpoint descriptor for each of endpointCount endpoints (default 0x01,
 *   0x02, 0x83: total length 39). The rest of the 256-byte buffer is left as it was.
 * - The write pipe carries command blocks and data to the player: PIPE01, or PIPE00 when the
 *   descriptors' total length is 40 or more (device-interface route) or the interface has 18
 *   or more endpoints (fixed names). Commands written to the other pipe are refused.
 * - PIPE02 carries replies and data from the player. A read with nothing to deliver fails after
 *   3000 ms (virtual milliseconds when PlayerSim_UseVirtualTime is on).
 * - The abort message: an 8-byte write to PIPE00 whose first byte is 1 ends the transfer in
 *   progress. (Commands and data are whole 512-byte units, so when PIPE00 is also the write
 *   pipe an 8-byte write there is always the abort message.)
 * - Unplugged (PLAYERSIM_FAULT_UNPLUG): opens, the configuration request and every transfer
 *   fail; handles opened before the unplug stay dead after the player is plugged back in.
 * Every open, configuration request, transfer and abort is in the wire log (playersim.h). */
#ifndef PLAYERSIM_VIZU10_H
#define PLAYERSIM_VIZU10_H

#include <stdint.h>

#include "VORPEXUSB.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Length of one path slot of interfacePaths, terminator included (the system's MAX_PATH). */
#define PLAYERSIM_VIZU10_PATH_SLOT 260u
/* The size of the configuration request's buffer. */
#define PLAYERSIM_VIZU10_CONFIGURATION_SIZE 256u

typedef struct VorpexVizu10Ops {
  uint32_t size; /* sizeof(VorpexVizu10Ops) */
  /* Paths of the present interfaces of the class, each NUL-terminated in a 260-byte slot of
   * `paths` (capacity slots); returns how many there are. */
  uint32_t(VORPEX_CC* interfacePaths)(const char* classGuid, char* paths, uint32_t capacity);
  /* -1 when it cannot be opened */
  intptr_t(VORPEX_CC* open)(const char* path);
  /* 1 when the driver answered */
  int32_t(VORPEX_CC* configuration)(intptr_t device, uint8_t* buffer256);
  /* 1 ok */
  int32_t(VORPEX_CC* write)(intptr_t pipe, const uint8_t* data, uint32_t count, uint32_t* written);
  /* 1 ok */
  int32_t(VORPEX_CC* read)(intptr_t pipe, uint8_t* buffer, uint32_t count, uint32_t* got);
  void(VORPEX_CC* close)(intptr_t handle);
} VorpexVizu10Ops;

#ifdef __cplusplus
}
#endif

#endif /* PLAYERSIM_VIZU10_H */
