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

// Creates a player in `dir` with `settings` (defaults when null); false when it cannot.
inline bool CreatePlayer(const std::string& dir, const PlayerSimSettings* settings = nullptr) {
  PlayerSimSettings defaults{};
  PlayerSim_DefaultSettings(&defaults);
  return PlayerSim_CreateStateDir(dir.c_str(), settings != nullptr ? settings : &defaults) == 1;
}

// Creates a player with `settings` (defaults when null) and attaches it in place of the one
// before (let go first: its folder may be the one made afresh).
inline bool AttachFreshPlayer(const std::string& tag, const PlayerSimSettings* settings = nullptr) {
  PlayerSim_Detach();
  const std::string dir = FreshStateDir(tag);
  return CreatePlayer(dir, settings) && PlayerSim_Attach(dir.c_str()) == 1;
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
