// A run on a real player never maps the simulated player's library, although it lies beside the
// chip library.
#include <gtest/gtest.h>
#include <link.h>

#include <string_view>

#include "VORPEXUSB.h"

namespace {

bool SimulatorMapped() {
  return ::dl_iterate_phdr(
             [](dl_phdr_info* info, size_t, void*) {
               const std::string_view name = info->dlpi_name != nullptr ? info->dlpi_name : "";
               return name.find("/libvorpexsim.so") != std::string_view::npos ? 1 : 0;
             },
             nullptr) == 1;
}

TEST(RealRoute, DoesNotMapTheSimulatedPlayer) {
  void* device = VORPEX_Open();  // no player on a build machine
  EXPECT_EQ(device, nullptr);
  EXPECT_NE(VORPEX_GetError(), 0);
  EXPECT_FALSE(SimulatorMapped());
}

}  // namespace
