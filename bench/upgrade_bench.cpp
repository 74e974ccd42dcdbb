// Streams the largest codec image (33,553,920 bytes) through VORPEX_UpgradeFirmware into the
// simulated player, on virtual time so the six one-second pauses cost nothing, and prints the
// rate at which the library moves the image beside USB 2.0 high-speed bulk (53 MB/s).
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "VORPEXUSB.h"
#include "bench_player.h"
#include "playersim.h"

int main(int argc, char** argv) {
  const std::string dir = argc > 1 ? argv[1] : "/tmp/vorpex-upgrade-bench";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const size_t size = 65535u * 512u;
  vorpex::bench::WriteRandomFile(dir + "/codec.bin", size);
  void* device = vorpex::bench::OpenSimulatedPlayer(dir + "/player");
  if (device == nullptr) return 1;
  double best = 1e9, bestLibrary = 1e9;
  for (int round = 0; round < 3; ++round) {
    PlayerSim_ClearLog();
    uint64_t busyBefore = PlayerSim_BusyMicroseconds();
    auto start = std::chrono::steady_clock::now();
    int ok = VORPEX_UpgradeFirmware(nullptr, device, 0, 0, (dir + "/codec.bin").c_str(), "bench");
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    double player = static_cast<double>(PlayerSim_BusyMicroseconds() - busyBefore) / 1e6;
    bestLibrary = std::min(bestLibrary, seconds - player);
    if (ok != 1) {
      std::fprintf(stderr, "upgrade failed: error %d (%u)\n", VORPEX_GetError(),
                   VORPEX_GetWindowsError());
      return 1;
    }
    best = std::min(best, seconds);
  }
  VORPEX_Close(device);
  const double megabytes = static_cast<double>(size) / 1e6;
  const double rate = megabytes / best;
  std::printf("codec upgrade of %zu bytes through the simulated player: %.3f s, %.1f MB/s\n", size,
              best, rate);
  std::printf("ratio to USB 2.0 high-speed bulk (53 MB/s): %.1f\n", rate / 53.0);
  const double libraryRate = megabytes / bestLibrary;
  std::printf(
      "the library's own share (the simulated player's time taken out): %.3f s, %.1f MB/s,"
      " ratio %.1f (goal: at least 20)\n",
      bestLibrary, libraryRate, libraryRate / 53.0);
  return 0;
}
