/* How the chip library reaches the simulated player's library (libvorpexsim.so, VorpexSim.dll).
 *
 * An addition of this implementation, not part of the player's interface and not for programs:
 * a program controls the simulated player through playersim.h. The chip library looks
 * VorpexSim_Ports up by name in the simulated player's library and reaches the player only
 * through the table it returns: the player's two driver faces (the WinDriver control device and
 * the Vizu10 driver, as plain C tables that the chip library wraps into the same ports as the
 * system's drivers), whether a player is attached, and the library's clock, which is virtual
 * while PlayerSim_UseVirtualTime is on. */
#ifndef VORPEXSIM_CONNECTION_H
#define VORPEXSIM_CONNECTION_H

#include <stdint.h>

#include "VORPEXUSB.h"
#include "playersim.h"
#include "playersim_vizu10.h"
#include "vorpex_shared.h"

#ifdef __cplusplus
extern "C" {
#endif

/* What the simulated player's library holds: nothing asked for (no attach since the last
 * detach), an attached player, or an attach that failed (the libraries then have no driver). */
enum { VORPEXSIM_NOTHING_ASKED = 0, VORPEXSIM_ATTACHED = 1, VORPEXSIM_UNUSABLE = 2 };

/* The player as the WinDriver control device; the calls of platform::WinDriverPort. */
typedef struct VorpexSimWinDriverOps {
  /* 1 with the handle in *handle, or 0 (lastError says why) */
  int32_t(VORPEX_CC* open)(intptr_t* handle);
  /* the request record and the transfer's data buffer, both written in place */
  void(VORPEX_CC* request)(intptr_t handle, uint32_t code, uint8_t* record, uint32_t recordSize,
                           uint8_t* data, uint32_t dataSize);
  void(VORPEX_CC* close)(intptr_t handle);
} VorpexSimWinDriverOps;

typedef struct VorpexSimPorts {
  uint32_t size; /* sizeof(VorpexSimPorts) */
  /* VORPEXSIM_NOTHING_ASKED, VORPEXSIM_ATTACHED or VORPEXSIM_UNUSABLE */
  int32_t(VORPEX_CC* state)(void);
  /* The player named by the environment variable: attached as PlayerSim_Attach does, unless
   * a player was attached (or an attach failed) from code since the last detach; a folder that
   * cannot be used is told on standard error. Returns state(). */
  int32_t(VORPEX_CC* attachNamed)(const char* dir);
  const VorpexSimWinDriverOps* winDriver;
  /* Fails every call (no paths, -1, 0) while no player is attached. */
  const VorpexVizu10Ops* vizu10;
  /* The system error code the last failing call of either face left on this thread. */
  uint32_t(VORPEX_CC* lastError)(void);
  /* 0, or the error code (7 out of memory, 14 internal) of an exception that ended the last
   * call of this table on this thread, which failed for it; cleared by asking. The chip library
   * raises it again on its side, so that its own exports fail as they would have. */
  int32_t(VORPEX_CC* takeFailure)(void);
  /* The clock the player keeps time by (virtual while PlayerSim_UseVirtualTime is on). */
  void(VORPEX_CC* sleep)(uint32_t ms);
  uint32_t(VORPEX_CC* tickCount)(void);
  void(VORPEX_CC* localTime)(VorpexLocalTime* time);
} VorpexSimPorts;

/* Never null; the table stays valid for the life of the library. */
VORPEX_API const VorpexSimPorts* VORPEX_CC VorpexSim_Ports(void);

#ifdef __cplusplus
}
#endif

#endif /* VORPEXSIM_CONNECTION_H */
