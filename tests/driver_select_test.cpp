// Which driver the libraries use: a simulated player asked for is the only one, even when it
// cannot be used; a failed creation of a player asks for nothing.
#include "chiplib/driver_select.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "chiplib/state.h"
#include "platform/environment.h"
#include "playersim.h"

namespace {

using namespace vorpex;
using chip::DriverChoice;

// The simulated player's library, which this test links as a program would.
bool CreateSimulatorStateDir(const std::string& dir) {
  PlayerSimSettings settings{};
  PlayerSim_DefaultSettings(&settings);
  return PlayerSim_CreateStateDir(dir.c_str(), &settings) == 1;
}
void AttachSimulator(const std::string& dir) {
  PlayerSim_Attach(dir.c_str());
}
void DetachSimulator() {
  PlayerSim_Detach();
}

TEST(DriverSelect, ASimulatedPlayerAskedForIsTheOnlyDriver) {
  const std::string base = std::string(VORPEX_TEST_TMP) + "/sim-driver-select";
  std::filesystem::remove_all(base);
  const std::string good = base + "/good";
  const std::string bad = base + "/bad";
  std::filesystem::create_directories(bad);
  std::ofstream(bad + "/player.txt") << "not a player\n";
  ASSERT_TRUE(CreateSimulatorStateDir(good));

  auto viaEnvironment = [](const std::string& dir) {
    DetachSimulator();
    chip::GetState().simulator.environmentChecked = false;
    platform::SetEnvironment(PLAYERSIM_ENVIRONMENT_VARIABLE, dir);
    chip::ChosenDriver();  // reads it
    platform::SetEnvironment(PLAYERSIM_ENVIRONMENT_VARIABLE, "");
  };
  struct Case {
    const char* name;
    std::function<void()> steps;
    DriverChoice choice;
  } const cases[] = {
      {"nothing asked for", [] {}, DriverChoice::kSystem},
      {"a failed creation asks for nothing", [&] { EXPECT_FALSE(CreateSimulatorStateDir(good)); },
       DriverChoice::kSystem},
      {"a usable player", [&] { AttachSimulator(good); }, DriverChoice::kSimulated},
      {"an unusable one", [&] { AttachSimulator(bad); }, DriverChoice::kNone},
      {"an unusable one in place of a usable one",
       [&] {
         AttachSimulator(good);
         AttachSimulator(bad);
       },
       DriverChoice::kNone},
      {"an unusable one named by VORPEX_SIMULATOR", [&] { viaEnvironment(bad); },
       DriverChoice::kNone},
      {"a usable one named by VORPEX_SIMULATOR", [&] { viaEnvironment(good); },
       DriverChoice::kSimulated},
      {"a failed creation after an unusable one",
       [&] {
         AttachSimulator(bad);
         CreateSimulatorStateDir(good);
       },
       DriverChoice::kNone},
      {"detached after an unusable one",
       [&] {
         AttachSimulator(bad);
         DetachSimulator();
       },
       DriverChoice::kSystem},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DetachSimulator();
    c.steps();
    EXPECT_EQ(chip::ChosenDriver(), c.choice);
    platform::WinDriverPort& port = chip::ActiveWinDriver();
    EXPECT_EQ(&port == &platform::SystemWinDriver(), c.choice == DriverChoice::kSystem);
    if (c.choice == DriverChoice::kNone) {
      EXPECT_FALSE(port.Open());
    }
  }
  DetachSimulator();
}

}  // namespace
