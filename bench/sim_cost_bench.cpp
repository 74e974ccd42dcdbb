// What the simulated player costs a program that uses it, measured on child processes of the
// command-line program (wait4's rusage: peak resident set and time of that child alone):
// - `ls` with 1 GiB stored in eight files (sparse: the player must not read them to list
//   them): bars 50 ms and 10 MiB;
// - a 48 MiB copy to the player: peak resident set under 1.25 x the file;
// - 200,000 directory reads in one process with the wire log kept: the log's cap (64 MiB of
//   bytes, 16 MiB of entries) bounds the process's peak resident set.
// The player folders are written as the state directory documents them, so the same bench runs
// against any build of the program.
//   sim_cost_bench [PROGRAM] [FOLDER]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench_player.h"

namespace {

constexpr uint64_t kMiB = uint64_t{1} << 20;

struct Run {
  int status = -1;
  double seconds = 0;
  uint64_t peakBytes = 0;  // the child's peak resident set
};

// Waits for `child`, started at `start`.
Run Finish(pid_t child, std::chrono::steady_clock::time_point start) {
  Run run;
  struct rusage usage {};
  if (child < 0 || wait4(child, &run.status, 0, &usage) != child) return run;
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.peakBytes = static_cast<uint64_t>(usage.ru_maxrss) * 1024;  // KiB on Linux
  return run;
}

// Runs `arguments` as a child process with standard output discarded.
Run RunChild(const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  for (const auto& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::fflush(stdout);  // or the child's copy of the buffer is written twice
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    if (std::freopen("/dev/null", "w", stdout) == nullptr) _exit(126);
    execv(argv[0], argv.data());
    _exit(127);
  }
  return Finish(child, start);
}

// `reads` directory reads of memory M in a child process, the wire log kept.
Run ReadDirectories(const std::string& dir, int reads) {
  std::fflush(stdout);
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    void* device = vorpex::bench::OpenSimulatedPlayer(dir);
    if (device == nullptr) _exit(1);
    PlayerSim_KeepLog(1);
    MemoryInfo info{};
    for (int i = 0; i < reads; ++i) {
      if (VORPEX_Refresh(device, 0, &info, nullptr, nullptr) != 1) _exit(1);
    }
    _exit(PlayerSim_LogCount() > 0 ? 0 : 1);
  }
  return Finish(child, start);
}

// A player folder with both memories at 65535 units and `files` files of `fileBytes` each,
// half in M and half in S, their data files sparse.
void WritePlayer(const std::string& dir, int files, uint64_t fileBytes) {
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir + "/M");
  std::filesystem::create_directories(dir + "/S");
  std::ofstream(dir + "/boot.bin", std::ios::binary);
  std::ofstream(dir + "/codec.bin", std::ios::binary);
  std::ofstream text(dir + "/player.txt", std::ios::binary);
  text << "vorpex-player 1\nnext-file " << files + 1 << "\n";
  for (int m = 0; m < 2; ++m) {
    const char memory = m == 0 ? 'M' : 'S';
    text << "memory " << memory << " 65535 -\n";
    for (int i = m; i < files; i += 2) {
      uint8_t slot[32] = {'S', 'O', 'N', 'G', ' ', ' ', ' ', ' ', 'M', 'P', '3', 0x20};
      slot[4] = static_cast<uint8_t>('0' + i % 10);
      for (int b = 0; b < 4; ++b) slot[28 + b] = static_cast<uint8_t>(fileBytes >> (8 * b));
      text << "slot " << memory << " ";
      for (uint8_t byte : slot) {
        static constexpr char kDigits[] = "0123456789abcdef";
        text << kDigits[byte >> 4] << kDigits[byte & 15];
      }
      const std::string name = std::string(1, memory) + "/" + std::to_string(i + 1) + ".bin";
      text << " " << name << "\n";
      std::ofstream(dir + "/" + name, std::ios::binary).close();
      std::filesystem::resize_file(dir + "/" + name, fileBytes);
    }
  }
}

const char* Verdict(bool holds) {
  return holds ? "holds" : "MISSED";
}

}  // namespace

int main(int argc, char** argv) {
  const std::string program = argc > 1 ? argv[1] : VORPEX_CLI_PROGRAM;
  const std::string dir = argc > 2 ? argv[2] : "/tmp/vorpex-sim-cost-bench";
  std::filesystem::create_directories(dir);
  bool ok = true;

  // ls with 1 GiB stored: the best of five runs.
  constexpr int kFiles = 8;
  WritePlayer(dir + "/full", kFiles, 128 * kMiB);
  Run ls{-1, 1e9, 0};
  for (int round = 0; round < 5; ++round) {
    const Run r = RunChild({program, "--simulate", dir + "/full", "ls"});
    if (r.status != 0) {
      std::fprintf(stderr, "ls failed (status %d)\n", r.status);
      return 1;
    }
    if (r.seconds < ls.seconds) ls = r;
  }
  // The same on an empty player: what the program's own start takes on this machine now.
  WritePlayer(dir + "/empty", 0, 0);
  Run empty{-1, 1e9, 0};
  for (int round = 0; round < 5; ++round) {
    const Run r = RunChild({program, "--simulate", dir + "/empty", "ls"});
    if (r.status == 0 && r.seconds < empty.seconds) empty = r;
  }
  const bool lsFast = ls.seconds < 0.050;
  const bool lsSmall = ls.peakBytes < 10 * kMiB;
  std::printf(
      "ls, 1 GiB stored in %d files: %.1f ms (bar 50 ms: %s), peak RSS %.1f MiB "
      "(bar 10 MiB: %s)\n",
      kFiles, ls.seconds * 1e3, Verdict(lsFast), static_cast<double>(ls.peakBytes) / kMiB,
      Verdict(lsSmall));
  std::printf("    (ls of an empty player: %.1f ms, peak RSS %.1f MiB)\n", empty.seconds * 1e3,
              static_cast<double>(empty.peakBytes) / kMiB);
  ok = ok && lsFast && lsSmall;

  // A 48 MiB copy to an empty player.
  constexpr uint64_t kCopyBytes = 48 * kMiB;
  vorpex::bench::WriteRandomFile(dir + "/song.mp3", kCopyBytes);
  const Run put =
      RunChild({program, "--simulate", dir + "/empty", "--quiet", "put", dir + "/song.mp3"});
  if (put.status != 0) {
    std::fprintf(stderr, "put failed (status %d)\n", put.status);
    return 1;
  }
  const double ratio = static_cast<double>(put.peakBytes) / static_cast<double>(kCopyBytes);
  const bool putSmall = ratio < 1.25;
  std::printf("put, 48 MiB: %.2f s, peak RSS %.1f MiB = %.2f x the file (bar 1.25 x: %s)\n",
              put.seconds, static_cast<double>(put.peakBytes) / kMiB, ratio, Verdict(putSmall));
  ok = ok && putSmall;

  // The wire log kept over many directory reads.
  constexpr int kReads = 200000;
  const Run reads = ReadDirectories(dir + "/reads", kReads);
  if (reads.status != 0) {
    std::fprintf(stderr, "directory reads failed (status %d)\n", reads.status);
    return 1;
  }
  const bool logCapped = reads.peakBytes < 96 * kMiB;
  std::printf(
      "%d directory reads, wire log kept: %.2f s, peak RSS %.1f MiB (bar 96 MiB: the "
      "log's 80 MiB and the program: %s)\n",
      kReads, reads.seconds, static_cast<double>(reads.peakBytes) / kMiB, Verdict(logCapped));
  ok = ok && logCapped;
  std::filesystem::remove_all(dir);
  return ok ? 0 : 2;
}
