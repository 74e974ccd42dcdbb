// A fresh simulated player for one test, attached through playersim.h, and its wire log.
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "playersim.h"

namespace vorpex::test {

struct WireEntry {
  int32_t kind;
  uint32_t pipe;
  bool ok;
  std::vector<uint8_t> bytes;
};

// The folder of the current test's player `tag`.
inline std::string StateDirOf(const std::string& tag) {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  return std::string(VORPEX_TEST_TMP) + "/sim-" + tag + "-" + info->test_suite_name() + "-" +
         info->name();
}

inline std::string FreshStateDir(const std::string& tag) {
  std::string dir = StateDirOf(tag);
  std::filesystem::remove_all(dir);
  return dir;
}

// Creates a player with `settings` (defaults when null) and attaches it in place of the one
// before (let go first: its folder may be the one made afresh), keeping its wire log.
inline bool AttachFreshPlayer(const std::string& tag, const PlayerSimSettings* settings = nullptr) {
  PlayerSim_Detach();
  PlayerSimSettings defaults{};
  PlayerSim_DefaultSettings(&defaults);
  const std::string dir = FreshStateDir(tag);
  std::filesystem::create_directories(dir);  // with the folders of a parameterised test's name
  PlayerSim_KeepLog(1);
  return PlayerSim_CreateStateDir(dir.c_str(), settings != nullptr ? settings : &defaults) == 1 &&
         PlayerSim_Attach(dir.c_str()) == 1;
}

inline std::vector<WireEntry> WireLog() {
  std::vector<WireEntry> log;
  for (uint32_t i = 0; i < PlayerSim_LogCount(); ++i) {
    PlayerSimLogEntry entry{sizeof(PlayerSimLogEntry), 0, 0, 0, 0};
    PlayerSim_LogEntry(i, &entry, nullptr, 0);
    std::vector<uint8_t> bytes(entry.length);
    PlayerSim_LogEntry(i, &entry, bytes.data(), entry.length);
    log.push_back({entry.kind, entry.pipe, entry.ok != 0, bytes});
  }
  return log;
}

}  // namespace vorpex::test
