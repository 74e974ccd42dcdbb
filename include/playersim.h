/* The simulated player: control from code. Not part of the player's own interface; exported by
 * the simulated player's own library (libvorpexsim.so, VorpexSim.dll), which a program links or
 * loads itself. The chip library (VORPEXUSB) loads it only when a simulated player is asked
 * for: by the environment variable below, or by a program that has the library loaded already
 * and attached a player through it. A build may leave the library out; the two libraries then
 * have no driver at all whenever a simulated player is asked for.
 *
 * A simulated player is kept in a state directory (player.txt, M/, S/, boot.bin, codec.bin;
 * see sim/state_dir.h). Setting the environment variable VORPEX_SIMULATOR to such a directory
 * makes both libraries of any program talk to it instead of the drivers; PlayerSim_Attach does
 * the same from code (and takes precedence). Only PlayerSim_CreateStateDir makes a player (the
 * defaults: M 2048 and S 1024 units of 16384 bytes, driver version 502); a directory without
 * one is refused, never filled with a fresh player.
 *
 * The player is strict: a block that breaks the protocol fails its transfer and is logged as a
 * violation (PlayerSim_Violations), so a library fault shows up in tests. */
#ifndef PLAYERSIM_H
#define PLAYERSIM_H

#include <stdint.h>

#include "VORPEXUSB.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The library's base name: loaded as libvorpexsim.so.0 (its SONAME), and vorpexsim.dll, which
 * Windows finds as VorpexSim.dll (its file names compare without regard to case). */
#define PLAYERSIM_LIBRARY_NAME "vorpexsim"
/* The environment variable that names a simulated player's state directory. */
#define PLAYERSIM_ENVIRONMENT_VARIABLE "VORPEX_SIMULATOR"

typedef struct PlayerSimSettings {
  uint32_t size;              /* sizeof(PlayerSimSettings) */
  uint32_t capacityM;         /* capacity of memory M in units of 16384 bytes, up to 65535 */
  uint32_t capacityS;         /* the same for memory S */
  uint32_t driverVersion;     /* what the WinDriver version request answers */
  int32_t playerPresent;      /* 0: the driver is there but the player is not on the bus */
  int32_t refuseRegistration; /* 1: the driver refuses to register the player */
  uint32_t endpointCount;     /* endpoints of the player's interface, up to 30 (3) */
  uint8_t deviceInfo[20];     /* the answer to the device-information command */
  /* The player as the Vizu10 driver shows it (playersim_vizu10.h). Callers compiled before
   * these fields existed pass the smaller size and get the defaults. */
  uint32_t interfaceCount; /* device interfaces of the driver's class, 0 to 32 (1) */
  uint32_t refuseOpenMask; /* bit i: interface i cannot be opened (0) */
  /* 0: the configuration descriptor's total length is that of the descriptors sent
   * (9 + 9 + 7 * endpointCount); else the total-length field carries this value, up to 65535
   * (as for a player with descriptors beyond those modelled). */
  uint32_t configurationLength;
  /* Addresses of the endpointCount endpoints (up to 30): 0x01, 0x02, 0x83, then further
   * addresses of both directions. Pipe file PIPE0n is endpoint n. */
  uint8_t endpointAddresses[32];
} PlayerSimSettings;

/* Fills `settings` (its size field included) with the defaults. */
VORPEX_API void VORPEX_CC PlayerSim_DefaultSettings(PlayerSimSettings* settings);
/* Creates a fresh player with `settings` in `dir`; 1, or 0 when `dir` already holds a player or
 * cannot be written (PlayerSim_GetMessage says why). Neither changes which driver the libraries
 * use. */
VORPEX_API int32_t VORPEX_CC PlayerSim_CreateStateDir(const char* dir,
                                                      const PlayerSimSettings* settings);
/* Makes the player of `dir` the device of both libraries; 0 when `dir` holds none (no
 * player.txt). Open device records of an earlier player stop working. 1, or 0 with a message; after
 * a 0 both libraries have no driver at all (they never fall back to the system's, which could
 * hold a real player) until the next attach that works or PlayerSim_Detach. A directory that
 * VORPEX_SIMULATOR names and that cannot be used does the same. */
VORPEX_API int32_t VORPEX_CC PlayerSim_Attach(const char* dir);
/* Back to the real drivers, also after a failed attach. */
VORPEX_API void VORPEX_CC PlayerSim_Detach(void);
VORPEX_API int32_t VORPEX_CC PlayerSim_IsAttached(void);
/* Why the last attach, creation or save of the state directory failed ("" when none did);
 * copies at most size - 1 characters and a terminator, returns the full length. */
VORPEX_API uint32_t VORPEX_CC PlayerSim_GetMessage(char* buffer, uint32_t size);

/* Faults. `value` 0 clears a fault (aimed ones of its kind included). One-shot faults clear
 * themselves when they have struck. */
enum {
  /* value 1: unplugged, every transfer fails at once; like a player without power it forgets
   * the command it was answering, a transfer in progress and upgrade mode (its stored files
   * and firmware areas stay) */
  PLAYERSIM_FAULT_UNPLUG = 1,
  PLAYERSIM_FAULT_REFUSE_NEXT_REPLY = 2, /* one-shot: the next command is refused, no effect */
  PLAYERSIM_FAULT_DROP_NEXT_REPLY = 3,   /* one-shot: the next command is lost, no reply */
  PLAYERSIM_FAULT_SHORT_TRANSFER = 4,    /* one-shot: the next bulk transfer moves half */
  PLAYERSIM_FAULT_STALL_TRANSFER = 5,    /* one-shot: the next bulk transfer times out */
  PLAYERSIM_FAULT_MEMORY_FULL = 6,       /* value 1: every "W" is refused for want of room */
  PLAYERSIM_FAULT_SLOW_DEVICE = 7        /* value: milliseconds every bulk transfer takes */
};
/* 1, or 0 when no player is attached or the fault is unknown. */
VORPEX_API int32_t VORPEX_CC PlayerSim_SetFault(int32_t fault, uint32_t value);
/* Clears every fault, aimed ones and directory header overrides included. */
VORPEX_API void VORPEX_CC PlayerSim_ClearFaults(void);

/* Aimed faults: a one-shot fault that strikes at one chosen exchange instead of the next one.
 * Targets:
 *   PLAYERSIM_AT_REPLY         the count-th reply block from now (1: the next). Reply blocks
 *                              and directory blocks count, file data does not: the two OK
 *                              replies of "R" are replies 1 and 2, the directory header and
 *                              its blocks replies 1, 2, 3, ...
 *   PLAYERSIM_AT_TRANSFER      the count-th bulk transfer from now, either direction
 *   PLAYERSIM_AT_TRANSFER_OUT  the count-th bulk transfer from the host (commands and data)
 *   PLAYERSIM_AT_TRANSFER_IN   the count-th bulk transfer to the host (replies and data)
 *   PLAYERSIM_AT_COMMAND       the next command with `letter` and `code`: its first reply, or
 *                              the transfer that carries it
 * Kinds and where they strike:
 *   REFUSE_NEXT_REPLY, DROP_NEXT_REPLY (replies and commands): the reply becomes a refusal
 *     (status 1) or is lost; the command sends nothing after it (no further reply, directory
 *     block or file data) and takes no effect if it was its first reply.
 *   SHORT_TRANSFER, STALL_TRANSFER (transfers and commands): the transfer moves half its
 *     512-byte units, or nothing and fails after its time-out.
 *   UNPLUG (transfers and commands): the player is unplugged as the transfer begins, which
 *     fails; it stays unplugged until PlayerSim_SetFault(PLAYERSIM_FAULT_UNPLUG, 0).
 * `letter` and `code` are read for PLAYERSIM_AT_COMMAND only, `count` for the others. Several
 * aimed faults can be armed at once; each counts from the moment it was armed. 1, or 0 when no
 * player is attached or the kind cannot strike at the target (or `count` is 0). */
enum {
  PLAYERSIM_AT_REPLY = 1,
  PLAYERSIM_AT_TRANSFER = 2,
  PLAYERSIM_AT_TRANSFER_OUT = 3,
  PLAYERSIM_AT_TRANSFER_IN = 4,
  PLAYERSIM_AT_COMMAND = 5
};
VORPEX_API int32_t VORPEX_CC PlayerSim_AimFault(int32_t fault, int32_t target, uint32_t count,
                                                uint8_t letter, uint8_t code);

/* What the directory read of `memory` (0 M, 1 S) announces in its header instead of the
 * counted figures: `entries` and `slots` from 0 to 65535, -1 for the counted figure. The
 * directory blocks follow the announced counts (none when no entries are announced, else
 * enough blocks for the announced slots: the stored slots in order, zero-filled beyond them).
 * Kept until set again or PlayerSim_ClearFaults; 1, or 0 without a player or with a bad
 * argument. */
VORPEX_API int32_t VORPEX_CC PlayerSim_SetDirectoryHeader(int32_t memory, int32_t entries,
                                                          int32_t slots);

/* The wire log: every transfer in order, with its direction and bytes. Kept only when asked
 * for with PlayerSim_KeepLog; it holds the bytes of the first 64 MiB of transfers, then only
 * their lengths, and stops adding entries when they take 16 MiB more. */
enum {
  PLAYERSIM_LOG_OUT = 1,       /* host to player, bulk pipe 2 */
  PLAYERSIM_LOG_IN = 2,        /* player to host, bulk pipe 0x83 */
  PLAYERSIM_LOG_CONTROL = 3,   /* control request; the bytes are its setup packet */
  PLAYERSIM_LOG_HALT = 4,      /* halt of a pipe */
  PLAYERSIM_LOG_RESET = 5,     /* reset of a pipe */
  PLAYERSIM_LOG_ABORT = 6,     /* abort message */
  PLAYERSIM_LOG_VIOLATION = 7, /* refused as breaking the protocol */
  /* The Vizu10 face (playersim_vizu10.h). Its transfers are logged as OUT, IN and ABORT with
   * the endpoint address of the pipe file (PIPE01 0x02, PIPE02 0x83, PIPE00 0x01 by default). */
  PLAYERSIM_LOG_OPEN = 8,         /* a file opened (or not); pipe 0-29 for PIPE00..., 0xFF for
                                   * the device file; the bytes are the path */
  PLAYERSIM_LOG_CONFIGURATION = 9 /* the configuration request; the bytes are the descriptors */
};
typedef struct PlayerSimLogEntry {
  uint32_t size;   /* sizeof(PlayerSimLogEntry), set by the caller */
  int32_t kind;    /* PLAYERSIM_LOG_* */
  uint32_t pipe;   /* pipe number as addressed (0x83 for the IN pipe) */
  int32_t ok;      /* 1 when the transfer succeeded */
  uint32_t length; /* bytes moved (offered, for a failed OUT transfer) */
} PlayerSimLogEntry;
/* 1: the attached player and any attached later keep the wire log; 0 (the default): they do
 * not, and what the attached player's log holds is let go of. */
VORPEX_API void VORPEX_CC PlayerSim_KeepLog(int32_t on);
VORPEX_API uint32_t VORPEX_CC PlayerSim_LogCount(void);
/* Fills `entry` and copies up to `capacity` of its bytes to `bytes` (may be null); 1, or 0
 * when there is no such entry. */
VORPEX_API int32_t VORPEX_CC PlayerSim_LogEntry(uint32_t index, PlayerSimLogEntry* entry,
                                                uint8_t* bytes, uint32_t capacity);
VORPEX_API void VORPEX_CC PlayerSim_ClearLog(void);
/* Writes the log as text, one line an entry; 1, or 0 when it cannot be written. */
VORPEX_API int32_t VORPEX_CC PlayerSim_WriteLog(const char* path);
/* Transfers the player refused as breaking the protocol since it was attached. */
VORPEX_API uint32_t VORPEX_CC PlayerSim_Violations(void);

/* WinDriver handles the chip library holds open and players it has registered, so tests can
 * see that everything acquired was released. */
VORPEX_API void VORPEX_CC PlayerSim_DriverUse(uint32_t* handles, uint32_t* devices);
/* Vizu10 files (device and pipe files) the device library holds open on the player. */
VORPEX_API uint32_t VORPEX_CC PlayerSim_Vizu10Handles(void);

/* Virtual time for the simulated player and both libraries, which keep its time while it is in
 * use (sleeps, ticks, local time, transfer time-outs): with `on`
 * time moves only when something waits; the clock starts at tick 1000000 on Monday 2005-03-07,
 * 14:30:58. Off: the real clock. */
VORPEX_API void VORPEX_CC PlayerSim_UseVirtualTime(int32_t on);
/* Virtual milliseconds passed since PlayerSim_UseVirtualTime(1). */
VORPEX_API uint64_t VORPEX_CC PlayerSim_ElapsedMs(void);
/* Real microseconds the player spent answering the chip library's driver requests since it was
 * attached: what a measurement subtracts to see the library's own share. */
VORPEX_API uint64_t VORPEX_CC PlayerSim_BusyMicroseconds(void);

/* Firmware areas: 0 boot, 1 codec. Returns the area's length (the blocks last written times 512)
 * and copies up to `capacity` bytes of it; 0 without a player. */
VORPEX_API uint32_t VORPEX_CC PlayerSim_ReadArea(int32_t area, uint8_t* buffer, uint32_t capacity);
/* -1 when the player is not in upgrade mode, else the mode byte it was given. */
VORPEX_API int32_t VORPEX_CC PlayerSim_UpgradeMode(void);

/* Memory contents: `memory` 0 for M, 1 for S. Appends a raw 32-byte directory slot and, for a
 * file slot, its `size` bytes of data (size must equal the slot's size field); 1, or 0 when
 * the memory has no room for it (4096 slots, 256 files, or the file's units beyond the
 * capacity). */
VORPEX_API int32_t VORPEX_CC PlayerSim_AddSlot(int32_t memory, const uint8_t* slot,
                                               const uint8_t* data, uint32_t size);
/* The size of entry `index` (files counted as the directory read counts them), copying up to
 * `capacity` of its bytes; 0xFFFFFFFF when there is no such entry or its bytes cannot be read
 * from the state directory. */
VORPEX_API uint32_t VORPEX_CC PlayerSim_ReadFile(int32_t memory, uint32_t index, uint8_t* buffer,
                                                 uint32_t capacity);
/* Copies the 32 raw bytes of directory slot `slot` (counting every stored slot from 0, used or
 * not) into `raw`; 1, or 0 when there is no such slot. */
VORPEX_API int32_t VORPEX_CC PlayerSim_ReadSlot(int32_t memory, uint32_t slot, uint8_t* raw);

#ifdef __cplusplus
}
#endif

#endif /* PLAYERSIM_H */
