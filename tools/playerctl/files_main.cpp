#include <cstdio>
#include <string>

#include "VORPEXUSB.h"
#include "platform/terminal.h"
#include "playersim.h"
#include "tools/playerctl/commands.h"
#include "tools/playerctl/files_commands.h"
#include "tools/playerctl/library_error.h"

namespace vorpex::playerctl {
namespace {

// The player as the chip library opens it, closed again at the end.
class OpenPlayer {
 public:
  OpenPlayer() : device_(VORPEX_Open()) {}
  ~OpenPlayer() { VORPEX_Close(device_); }
  OpenPlayer(const OpenPlayer&) = delete;
  OpenPlayer& operator=(const OpenPlayer&) = delete;
  void* device() const { return device_; }

 private:
  void* device_;
};

}  // namespace

int RunFilesCommand(std::span<const std::string_view> args) {
  auto parsed = ParseFilesArguments(args);
  if (auto* usage = std::get_if<FilesUsageError>(&parsed)) {
    const std::string_view help = FilesHelpText(usage->command);
    const std::string_view line = help.substr(0, help.find('\n') + 1);
    std::fprintf(stderr, "playerctl: %s\n%.*s(playerctl %s --help tells more)\n",
                 usage->message.c_str(), static_cast<int>(line.size()), line.data(),
                 std::string(FilesCommandName(usage->command)).c_str());
    return kExitUsage;
  }
  const FilesOptions& options = std::get<FilesOptions>(parsed);
  if (options.help) {
    std::fputs(std::string(FilesHelpText(options.command)).c_str(), stdout);
    return kExitOk;
  }
  if (options.command == FilesCommand::kFormat) {
    if (auto status = ConfirmFormat(options)) return *status;
  }
  if (options.simulateFolder && PlayerSim_Attach(options.simulateFolder->c_str()) != 1) {
    char message[512] = {};
    PlayerSim_GetMessage(message, sizeof message);
    ReportError("cannot use the simulated player in " + *options.simulateFolder + ": " + message);
    return kExitFailed;
  }
  if (options.simulateFolder && options.simulatedDelayMs != 0) {
    PlayerSim_SetFault(PLAYERSIM_FAULT_SLOW_DEVICE, options.simulatedDelayMs);
  }
  TerminalUi ui(stdout, platform::IsTerminal(platform::StandardStream::kOutput),
                options.quiet || options.json);
  ui.Install();
  VORPEX_SetError(VORPEX_OK);
  OpenPlayer player;
  if (player.device() == nullptr) {
    const LibraryError error = ReadLibraryError(ui);
    if (error.code != VORPEX_OK) {
      ReportLibraryError("no player answers", error);
    } else {
      ReportError("no player answers: is it plugged in, and its driver installed?");
    }
    return kExitFailed;
  }
  switch (options.command) {
    case FilesCommand::kList:
      return RunList(options, player.device(), ui);
    case FilesCommand::kFree:
      return RunFree(options, player.device(), ui);
    case FilesCommand::kPut:
      return RunPut(options, player.device(), ui);
    case FilesCommand::kGet:
      return RunGet(options, player.device(), ui);
    case FilesCommand::kRemove:
      return RunRemove(options, player.device(), ui);
    case FilesCommand::kMove:
      return RunMove(options, player.device(), ui);
    case FilesCommand::kFormat:
      return RunFormat(options, player.device(), ui);
  }
  return kExitUsage;
}

}  // namespace vorpex::playerctl
