// Converts the HEX of the largest firmware image (33,553,920 bytes) and, in the same run, has
// objcopy do the same; prints the time ratio and our peak memory.
//
//   hex_convert_bench [work folder]         the comparison
//   hex_convert_bench --convert IN OUT BASE one conversion, then our peak memory in KiB
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "VORPEXUSB.h"

namespace {

long PeakKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  }
  return -1;
}

double TimeCommand(const std::string& command) {
  auto start = std::chrono::steady_clock::now();
  if (std::system(command.c_str()) != 0) {
    std::fprintf(stderr, "failed: %s\n", command.c_str());
    std::exit(1);
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::string(argv[1]) == "--convert") {
    int ok = loc_ConvertHexToBin(argv[2], argv[3], static_cast<uint32_t>(std::stoul(argv[4])));
    std::printf("%ld\n", PeakKiB());
    return ok == 1 ? 0 : 1;
  }
  std::string dir = argc > 1 ? argv[1] : "/tmp/vorpex-hex-bench";
  std::string self = argv[0];
  std::system(("mkdir -p " + dir).c_str());
  const size_t size = 65535u * 512u;
  {
    std::vector<char> image(size);
    std::mt19937 random(42);
    for (auto& b : image) b = static_cast<char>(random());
    std::ofstream(dir + "/image.bin", std::ios::binary).write(image.data(), image.size());
  }
  TimeCommand("objcopy -I binary -O ihex --change-addresses 0x2000 " + dir + "/image.bin " + dir +
              "/image.hex");

  double ours = 1e9, theirs = 1e9;
  for (int round = 0; round < 3; ++round) {
    ours = std::min(ours, TimeCommand(self + " --convert " + dir + "/image.hex " + dir +
                                      "/ours.bin 8192 > " + dir + "/peak.txt"));
    theirs = std::min(theirs, TimeCommand("objcopy -I ihex -O binary " + dir + "/image.hex " + dir +
                                          "/theirs.bin"));
  }
  if (std::system(("cmp -s " + dir + "/ours.bin " + dir + "/image.bin").c_str()) != 0) {
    std::fprintf(stderr, "the converted image differs from the original\n");
    return 1;
  }
  long peak = 0;
  std::ifstream(dir + "/peak.txt") >> peak;
  std::printf("HEX of a %zu-byte image: ours %.3f s, objcopy %.3f s, ratio %.2f (objcopy/ours)\n",
              size, ours, theirs, theirs / ours);
  std::printf("our peak memory: %ld KiB (goal: under 8192 KiB)\n", peak);
  return 0;
}
