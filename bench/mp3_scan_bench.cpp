// How fast the MP3 header exports scan, in bytes of the window per second: the worst case (a
// header every third byte, none confirmed, so every position is looked at) and the start of a
// file made by lame. Counts the allocations made while scanning (there should be none).
//
//   mp3_scan_bench [FILE.mp3] [benchmark options]   without a file, one is made with sox and lame
#include <benchmark/benchmark.h>

#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <new>
#include <string>
#include <vector>

#include "ORVANEUsbDll.h"

namespace {

std::atomic<long> allocations{0};

std::vector<uint8_t> WorstCase() {
  std::vector<uint8_t> bytes(ORVANE_MP3_SCAN_BYTES);
  for (size_t k = 0; k < bytes.size(); ++k) {
    bytes[k] = std::array<uint8_t, 3>{0xFF, 0xFB, 0x80}[k % 3];  // 112 kbit/s, 44100 Hz
  }
  return bytes;
}

std::string realFile;

std::vector<uint8_t> RealFileStart() {
  std::ifstream in(realFile, std::ios::binary);
  std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
  bytes.resize(ORVANE_MP3_SCAN_BYTES);
  return bytes;
}

void Scan(benchmark::State& state, const std::vector<uint8_t>& bytes, int32_t expected) {
  int32_t bitRate = 0, type = 0;
  const long before = allocations.load();
  for (auto _ : state) {
    int32_t result =
        Usb_GetBitRateAndType(bytes.data(), static_cast<uint32_t>(bytes.size()), &bitRate, &type);
    benchmark::DoNotOptimize(result);
    benchmark::DoNotOptimize(bitRate);
  }
  state.counters["allocations"] = static_cast<double>(allocations.load() - before);
  if (bitRate != expected) state.SkipWithError("unexpected bit rate");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(bytes.size()));
}

void BM_WorstCase(benchmark::State& state) {
  static const std::vector<uint8_t> bytes = WorstCase();
  Scan(state, bytes, 112);
}
void BM_RealFile(benchmark::State& state) {
  static const std::vector<uint8_t> bytes = RealFileStart();
  Scan(state, bytes, 128);
}
BENCHMARK(BM_WorstCase);
BENCHMARK(BM_RealFile);

}  // namespace

// Every allocation of the process counted. g++ 12 at -O3 sees the replaced operator new paired
// with free() once the operators are inlined, and warns although they belong together.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(size_t size) {
  ++allocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, size_t) noexcept {
  std::free(p);
}

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (argc > 1) {
    realFile = argv[1];
  } else {
    // A minute-long 128 kbit/s file with a tag of a few kilobytes in front.
    realFile = "/tmp/mp3_scan_bench.mp3";
    const std::string make =
        "sox -n -r 44100 -c 2 -b 16 /tmp/mp3_scan_bench.wav synth 60 sine 440 2>/dev/null && "
        "lame --quiet -b 128 --add-id3v2 --pad-id3v2-size 3000 /tmp/mp3_scan_bench.wav " +
        realFile + " && rm /tmp/mp3_scan_bench.wav";
    if (std::system(make.c_str()) != 0) {
      std::fprintf(stderr, "cannot make %s with sox and lame\n", realFile.c_str());
      return 1;
    }
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
