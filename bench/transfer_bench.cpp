// Copies a 16 MiB file to the simulated player and back with the quiet copies, and prints the
// library's own share of the time (the simulated player's time taken out) beside USB 2.0
// high-speed bulk (53 MB/s), and the peak heap of each copy at 1 MiB and 16 MiB, which must
// not grow with the size (the simulated player keeps files in its data files, not in memory).
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "VORPEXUSB.h"
#include "bench_player.h"
#include "playersim.h"

namespace {

// Live and peak heap bytes of the whole process, counted in operator new and delete.
std::atomic<int64_t> live{0};
std::atomic<int64_t> peak{0};

void* Allocate(size_t size) {
  auto* block = static_cast<size_t*>(std::malloc(size + sizeof(std::max_align_t)));
  if (block == nullptr) throw std::bad_alloc();
  *block = size;
  const int64_t now = live += static_cast<int64_t>(size);
  int64_t seen = peak.load();
  while (now > seen && !peak.compare_exchange_weak(seen, now)) {
  }
  return reinterpret_cast<char*>(block) + sizeof(std::max_align_t);
}

void Free(void* p) {
  if (p == nullptr) return;
  auto* block = reinterpret_cast<size_t*>(static_cast<char*>(p) - sizeof(std::max_align_t));
  live -= static_cast<int64_t>(*block);
  std::free(block);
}

}  // namespace

void* operator new(size_t size) {
  return Allocate(size);
}
void* operator new[](size_t size) {
  return Allocate(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void operator delete(void* p) noexcept {
  Free(p);
}
void operator delete[](void* p) noexcept {
  Free(p);
}
void operator delete(void* p, size_t) noexcept {
  Free(p);
}
void operator delete[](void* p, size_t) noexcept {
  Free(p);
}

namespace {

struct Copy {
  // cppcheck-suppress unusedStructMember ; printed below, which cppcheck does not follow
  double seconds;    // wall time
  double library;    // wall time less the simulated player's
  int64_t peakHeap;  // above the heap in use before the copy
  int64_t heldHeap;  // still in use after it
};

template <typename F>
Copy Measure(F&& run) {
  const uint64_t busyBefore = PlayerSim_BusyMicroseconds();
  const int64_t before = live.load();
  peak = before;
  const auto start = std::chrono::steady_clock::now();
  if (run() != 1) {
    std::fprintf(stderr, "copy failed: error %d (%u)\n", VORPEX_GetError(),
                 VORPEX_GetWindowsError());
    std::exit(1);
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double player = static_cast<double>(PlayerSim_BusyMicroseconds() - busyBefore) / 1e6;
  return {seconds, seconds - player, peak.load() - before, live.load() - before};
}

}  // namespace

int main(int argc, char** argv) {
  const std::string dir = argc > 1 ? argv[1] : "/tmp/vorpex-transfer-bench";
  for (size_t size : {size_t{1} << 20, size_t{16} << 20}) {
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    vorpex::bench::WriteRandomFile(dir + "/song.bin", size);
    void* device = vorpex::bench::OpenSimulatedPlayer(dir + "/player");
    if (device == nullptr) return 1;
    Copy bestTo{1e9, 1e9, 0, 0}, bestFrom{1e9, 1e9, 0, 0};
    for (int round = 0; round < 6; ++round) {
      PlayerSim_ClearLog();
      const Copy to = Measure([&] {
        return VORPEX_DownloadIndexFile(nullptr, device, 0, (dir + "/song.bin").c_str());
      });
      PlayerSim_ClearLog();
      const Copy from = Measure([&] {
        return VORPEX_UploadIndexFile(nullptr, device, 0, 0, (dir + "/back.bin").c_str(), nullptr,
                                      static_cast<uint32_t>(size));
      });
      uint8_t entry = 0;
      VORPEX_Delete(nullptr, device, 0, entry, "song.bin");
      // The best time of the rounds; the heap of the last one.
      if (to.library < bestTo.library) bestTo = to;
      if (from.library < bestFrom.library) bestFrom = from;
      bestTo.peakHeap = to.peakHeap;
      bestTo.heldHeap = to.heldHeap;
      bestFrom.peakHeap = from.peakHeap;
      bestFrom.heldHeap = from.heldHeap;
    }
    VORPEX_Close(device);
    PlayerSim_Detach();
    const double mb = static_cast<double>(size) / 1e6;
    const double mib = static_cast<double>(size) / (1 << 20);
    for (const auto& [name, c] :
         {std::pair{"to the player  ", bestTo}, {"from the player", bestFrom}}) {
      std::printf(
          "%5.0f MiB %s: %.4f s in all, library's share %.4f s = %.0f MB/s, ratio to "
          "53 MB/s %.1f (goal 20)\n",
          mib, name, c.seconds, c.library, mb / c.library, mb / c.library / 53.0);
      std::printf(
          "    heap: peak %.2f MiB above the start, %.2f MiB still held after (%.2f x the "
          "size); the simulated player keeps the file in its data file, so the peak is the "
          "library's\n",
          static_cast<double>(c.peakHeap) / (1 << 20), static_cast<double>(c.heldHeap) / (1 << 20),
          static_cast<double>(c.heldHeap) / static_cast<double>(size));
    }
  }
  return 0;
}
