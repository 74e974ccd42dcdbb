// The driver route by system version, and the write pipe by the player's configuration.
#include "protocol/device_route.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "ORVANEUsbDll.h"
#include "orvane_testing.h"
#include "playersim.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

using namespace vorpex::protocol;

TEST(DeviceRoute, FollowsTheSystemVersion) {
  struct Case {
    uint32_t platform, major, minor;
    int32_t route;
  } const cases[] = {
      {0, 3, 10, kRouteUnsupported},    // Win32s
      {1, 4, 0, kRouteUnsupported},     // Windows 95
      {1, 4, 10, kRouteFixedNames},     // Windows 98
      {1, 4, 90, kRouteFixedNames},     // Windows Me
      {2, 3, 51, kRouteUnsupported},    // NT 3.51
      {2, 4, 0, kRouteInterfaceClass},  // NT 4.0
      {2, 5, 0, kRouteInterfaceClass},  // 2000
      {2, 5, 1, kRouteInterfaceClass},  // XP
      {2, 6, 2, kRouteInterfaceClass},  // and later, Linux among them
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RouteForVersion(c.platform, c.major, c.minor, 0), c.route)
        << c.platform << " " << c.major << "." << c.minor;
  }
  EXPECT_EQ(RouteForVersion(3, 10, 0, 98), 98);  // an unknown platform changes nothing
}

TEST(DeviceRoute, WritePipeFollowsTheConfiguration) {
  std::array<uint8_t, 256> config{};
  config[0] = 9;  // the configuration descriptor's own length
  config[2] = 39;
  config[9 + 4] = 17;  // endpoints of the first interface
  EXPECT_EQ(PipeSelector(config, kRouteInterfaceClass), 39u);
  EXPECT_STREQ(WritePipeName(39, kRouteInterfaceClass), "PIPE01");
  EXPECT_STREQ(WritePipeName(40, kRouteInterfaceClass), "PIPE00");
  EXPECT_EQ(PipeSelector(config, kRouteFixedNames), 17u);
  EXPECT_STREQ(WritePipeName(17, kRouteFixedNames), "PIPE01");
  EXPECT_STREQ(WritePipeName(18, kRouteFixedNames), "PIPE00");
  config[2] = 0x2C;
  config[3] = 0x01;
  EXPECT_EQ(PipeSelector(config, kRouteInterfaceClass), 300u);
  // A first-interface offset beyond the reply reads as no endpoints, never past the buffer.
  config[0] = 255;
  EXPECT_EQ(PipeSelector(config, kRouteFixedNames), 0u);
  EXPECT_STREQ(WritePipeName(0, kRouteInterfaceClass), "PIPE01");  // a failed request
}

TEST(DeviceSession, VersionRecordAndRouteThroughTheExports) {
  OrvaneTesting_SetOsVersion(5, 1, 2600, 2);
  uint8_t record[16];
  std::memset(record, 0xCC, sizeof record);
#ifdef _WIN32
  // The export's only name is the decorated one; the test binds it as callers do.
  auto getOsVersion = reinterpret_cast<OrvaneGetOsVersionFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("ORVANEUsbDll.dll"), "?get_osVersion@@YGXPAD@Z")));
  ASSERT_NE(getOsVersion, nullptr);
  getOsVersion(reinterpret_cast<char*>(record));
#else
  get_osVersion(reinterpret_cast<char*>(record));
#endif
  uint32_t fields[4];
  std::memcpy(fields, record, sizeof fields);
  EXPECT_EQ(fields[0], 5u);
  EXPECT_EQ(fields[1], 1u);
  EXPECT_EQ(fields[2], 2600u);
  EXPECT_EQ(fields[3], 2u);
  EXPECT_EQ(OrvaneTesting_RouteCode(), 2000);

  // Windows 95: the check fails at once.
  OrvaneTesting_SetOsVersion(4, 0, 950, 1);
  EXPECT_EQ(Usb_Checking(0), 0);
  EXPECT_EQ(OrvaneTesting_RouteCode(), 1);
  EXPECT_EQ(Usb_Close(0), 1);
  EXPECT_EQ(Usb_Close(0), 1);
  OrvaneTesting_UseSystemVersion();
}

TEST(DeviceSession, TheSystemsOwnVersionTakesTheInterfaceClassRoute) {
  OrvaneTesting_UseSystemVersion();
  PlayerSim_Detach();
  EXPECT_EQ(Usb_Checking(0), 0);  // no player, but the route is settled
  EXPECT_EQ(OrvaneTesting_RouteCode(), 2000);
#ifndef _WIN32
  // Not the kernel's numbers: a 3.x kernel would read as NT 3, a system the drivers never ran on.
  uint32_t fields[4];
  get_osVersion(reinterpret_cast<char*>(fields));
  EXPECT_EQ(fields[0], 10u);
  EXPECT_EQ(fields[1], 0u);
  EXPECT_EQ(fields[3], 2u);
#endif
  Usb_Close(0);
}

}  // namespace
