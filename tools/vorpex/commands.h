// vorpex's commands. Each returns the program's exit status.
#pragma once
#include <optional>
#include <string>

#include "tools/vorpex/arguments.h"
#include "tools/vorpex/terminal_ui.h"

namespace vorpex::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

int RunUpgrade(const Options& options, TerminalUi& ui);
int RunInfo(const Options& options, TerminalUi& ui);
int RunHexToBin(const Options& options);
int RunSimInit(const Options& options);
int RunMp3Info(const Options& options);

// Why `path` cannot be read (the system's words), or nullopt when its first byte can be.
std::optional<std::string> UnreadableFile(const std::string& path);

}  // namespace vorpex::cli
