// Memory running out inside the libraries: each export returns its failure value with error 7
// and leaves nothing behind (no file, no driver handle, no registered player). This program's
// global operator new fails on demand; the libraries' allocations come here too.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <new>
#include <string>

#include "ORVANEUsbDll.h"
#include "VORPEXUSB.h"
#include "orvane_testing.h"
#include "playersim.h"
#include "support/sim_player.h"

namespace {
long gAllocationsLeft = -1;  // allocations that still succeed; -1: all of them
bool gFailed = false;
}  // namespace

__attribute__((visibility("default"))) void* operator new(std::size_t size) {
  if (gAllocationsLeft == 0) {
    gAllocationsLeft = -1;
    gFailed = true;
    throw std::bad_alloc();
  }
  if (gAllocationsLeft > 0) --gAllocationsLeft;
  if (void* p = std::malloc(size != 0 ? size : 1)) return p;
  throw std::bad_alloc();
}
__attribute__((visibility("default"))) void operator delete(void* p) noexcept {
  std::free(p);
}
__attribute__((visibility("default"))) void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}

namespace {

using namespace vorpex::test;

// A call that fails (false) or succeeds, and what must hold after a failure.
struct Case {
  const char* name;
  std::function<bool()> call;
  std::function<void()> afterFailure;
};

TEST(AllocationFailure, EveryAllocationOfAnExportFailsCleanly) {
  ASSERT_TRUE(AttachFreshPlayer("alloc"));
  OrvaneTesting_SetOsVersion(5, 1, 2600, 2);
  const std::string hex = std::string(VORPEX_TEST_TMP) + "/alloc.hex";
  const std::string bin = std::string(VORPEX_TEST_TMP) + "/alloc.bin";
  { std::ofstream(hex) << ":0400000001020304F2\n:020010000A0BD9\n:00000001FF\n"; }

  const Case cases[] = {
      {"conversion", [&] { return loc_ConvertHexToBin(hex.c_str(), bin.c_str(), 0) == 1; },
       [&] { EXPECT_FALSE(std::filesystem::exists(bin)); }},
      {"chip open",
       [] {
         void* device = VORPEX_Open();
         VORPEX_Close(device);
         return device != nullptr;
       },
       [] {
         uint32_t handles = 1, devices = 1;
         PlayerSim_DriverUse(&handles, &devices);
         EXPECT_EQ(handles, 0u);
         EXPECT_EQ(devices, 0u);
       }},
      {"device check",
       [] {
         const bool ok = Usb_Checking(0) == 1;
         Usb_Close(0);
         return ok;
       },
       [] { EXPECT_EQ(PlayerSim_Vizu10Handles(), 0u); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int failures = 0;
    for (long n = 0;; ++n) {
      std::filesystem::remove(bin);
      VORPEX_SetError(0);
      gFailed = false;
      gAllocationsLeft = n;
      const bool ok = c.call();
      gAllocationsLeft = -1;
      if (!gFailed) {
        EXPECT_TRUE(ok);  // every allocation succeeded: so does the call
        break;
      }
      if (ok) continue;  // the library did without (a smaller buffer)
      ++failures;
      EXPECT_EQ(VORPEX_GetError(), VORPEX_ERR_MEMORY_ALLOC) << "allocation " << n;
      c.afterFailure();
    }
    EXPECT_GT(failures, 0);
  }
  OrvaneTesting_UseSystemVersion();
  PlayerSim_Detach();
}

}  // namespace
