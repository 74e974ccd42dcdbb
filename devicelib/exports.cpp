// The library's exported C interface: each export hands over to the C++ internals.
#include "ORVANEUsbDll.h"

#include "devicelib/session.h"
#include "devicelib/state.h"
#include "orvane_testing.h"

using namespace vorpex::device;

extern "C" {

ORVANE_API void ORVANE_CC get_osVersion(char* versionRecord) {
  GetOsVersion(reinterpret_cast<uint8_t*>(versionRecord));
}

int32_t ORVANE_CC Usb_Checking(int32_t) { return Checking(); }
int32_t ORVANE_CC Usb_Close(int32_t) { return ClosePipes(); }

void OrvaneTesting_SetOsVersion(uint32_t major, uint32_t minor, uint32_t build,
                                          uint32_t platformId) {
  vorpex::platform::OsVersion version;
  version.major = major;
  version.minor = minor;
  version.build = build;
  version.platformId = platformId;
  GetState().osVersionOverride = version;
  GetState().session.routeCode = 0;
}

void OrvaneTesting_UseSystemVersion(void) {
  GetState().osVersionOverride.reset();
  GetState().session.routeCode = 0;
}

int32_t OrvaneTesting_RouteCode(void) { return GetState().session.routeCode; }

}  // extern "C"
