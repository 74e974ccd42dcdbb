// What the benchmarks share: a file of random bytes, and a simulated player opened on virtual
// time (so the player's pauses cost nothing).
#pragma once
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "VORPEXUSB.h"
#include "playersim.h"

namespace vorpex::bench {

inline void WriteRandomFile(const std::string& path, size_t size) {
  std::vector<char> data(size);
  std::mt19937 random(7);
  for (auto& b : data) b = static_cast<char>(random());
  std::ofstream(path, std::ios::binary).write(data.data(), static_cast<std::streamsize>(size));
}

// A fresh simulated player made in `dir` (which holds none), opened through the chip library;
// null (after a message) when it cannot be.
inline void* OpenSimulatedPlayer(const std::string& dir) {
  PlayerSimSettings settings{};
  PlayerSim_DefaultSettings(&settings);
  if (PlayerSim_CreateStateDir(dir.c_str(), &settings) != 1 || PlayerSim_Attach(dir.c_str()) != 1) {
    std::fprintf(stderr, "cannot attach the simulated player\n");
    return nullptr;
  }
  PlayerSim_UseVirtualTime(1);
  void* device = VORPEX_Open();
  if (device == nullptr) {
    std::fprintf(stderr, "cannot open the simulated player (error %d)\n", VORPEX_GetError());
  }
  return device;
}

}  // namespace vorpex::bench
