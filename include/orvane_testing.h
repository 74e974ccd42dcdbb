/* Test hooks of the device library: an addition of this implementation, not part of the
 * library's original interface. They let a test pretend to run on another system version. */
#ifndef ORVANE_TESTING_H
#define ORVANE_TESTING_H

#include "ORVANEUsbDll.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The next route decision uses this version instead of the system's (and is made again). */
ORVANE_API void OrvaneTesting_SetOsVersion(uint32_t major, uint32_t minor,
                                                     uint32_t build, uint32_t platformId);
ORVANE_API void OrvaneTesting_UseSystemVersion(void);
/* 0 not yet known, 1 unsupported, 98 fixed names, 2000 interface class. */
ORVANE_API int32_t OrvaneTesting_RouteCode(void);

#ifdef __cplusplus
}
#endif

#endif /* ORVANE_TESTING_H */
