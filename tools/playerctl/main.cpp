// playerctl: the player from the command line (upgrade, information, HEX conversion, simulated
// players). Usage errors exit with 2, failed operations with 1.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/interrupt.h"
#include "platform/terminal.h"
#include "playersim.h"
#include "tools/playerctl/arguments.h"
#include "tools/playerctl/commands.h"
#include "tools/playerctl/library_error.h"
#include "tools/playerctl/terminal_ui.h"

using namespace vorpex::playerctl;

namespace {

// --simulate DIR: the simulated player of DIR stands in for the real one, for both libraries.
bool SelectSimulatedPlayer(const Options& options) {
  if (!options.simulateFolder) return true;
  if (PlayerSim_Attach(options.simulateFolder->c_str()) == 1) return true;
  char message[512] = {};
  PlayerSim_GetMessage(message, sizeof message);
  ReportError("cannot use the simulated player in " + *options.simulateFolder + ": " + message);
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  // A reader that went away (playerctl ... | head) makes output fail, never an upgrade.
  vorpex::platform::IgnoreBrokenPipe();
  std::vector<std::string_view> args(argv + 1, argv + argc);
  auto parsed = ParseArguments(args);
  if (auto* usage = std::get_if<UsageError>(&parsed)) {
    std::fprintf(stderr, "playerctl: %s\n%.*s(playerctl --help tells more)\n",
                 usage->message.c_str(), static_cast<int>(UsageLine(usage->command).size()),
                 UsageLine(usage->command).data());
    return kExitUsage;
  }
  const Options& options = std::get<Options>(parsed);
  if (options.help) {
    std::fputs(std::string(HelpText(options.command)).c_str(), stdout);
    return kExitOk;
  }

  TerminalUi ui(stdout, vorpex::platform::IsTerminal(vorpex::platform::StandardStream::kOutput),
                options.quiet);
  ui.Install();
  switch (options.command) {
    case Command::kUpgrade:
      return SelectSimulatedPlayer(options) ? RunUpgrade(options, ui) : kExitFailed;
    case Command::kInfo:
      return SelectSimulatedPlayer(options) ? RunInfo(options, ui) : kExitFailed;
    case Command::kHexToBin:
      return RunHexToBin(options);
    case Command::kSimInit:
      return RunSimInit(options);
    case Command::kMp3Info:
      return RunMp3Info(options);
    case Command::kNone:
      break;
  }
  return kExitUsage;
}
