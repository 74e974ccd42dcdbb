#include <cstdio>
#include <string>

#include "VORPEXUSB.h"
#include "platform/terminal.h"
#include "playersim.h"
#include "tools/vorpex/commands.h"
#include "tools/vorpex/files_commands.h"
#include "tools/vorpex/library_error.h"
#include "tools/vorpex/simulated_player.h"

namespace vorpex::cli {

std::unique_ptr<FileRoute> OpenFileRoute(RouteChoice choice, TerminalUi& ui) {
  if (choice != RouteChoice::kDevice) {
    if (auto chip = OpenChipRoute()) return chip;
    if (choice == RouteChoice::kChip) return nullptr;
  }
  return OpenDeviceRoute(ui);
}

int RunFilesCommand(std::span<const std::string_view> args) {
  auto parsed = ParseFilesArguments(args);
  if (auto* usage = std::get_if<FilesUsageError>(&parsed)) {
    const std::string_view help = FilesHelpText(usage->command);
    const std::string_view line = help.substr(0, help.find('\n') + 1);
    std::fprintf(stderr, "vorpex: %s\n%.*s(vorpex %s --help tells more)\n",
                 usage->message.c_str(), static_cast<int>(line.size()), line.data(),
                 std::string(FilesCommandName(usage->command)).c_str());
    return kExitUsage;
  }
  const FilesOptions& options = std::get<FilesOptions>(parsed);
  if (options.version) {
    std::printf("vorpex %s\n", VORPEX_VERSION);
    return kExitOk;
  }
  if (options.help) {
    std::fputs(std::string(FilesHelpText(options.command)).c_str(), stdout);
    return kExitOk;
  }
  if (options.command == FilesCommand::kFormat) {
    if (auto status = ConfirmFormat(options)) return *status;
  }
  if (!SelectSimulatedPlayer(options.simulateFolder)) return kExitFailed;
  const SimulatorLibrary* simulator = SelectedSimulator();
  if (simulator != nullptr && options.simulateFolder && options.simulatedDelayMs != 0) {
    simulator->setFault(PLAYERSIM_FAULT_SLOW_DEVICE, options.simulatedDelayMs);
  }
  for (const SimulatedFault& fault : options.simulatedFaults) {
    if (simulator == nullptr ||
        simulator->aimFault(fault.kind, fault.target, fault.count, 0, 0) != 1) {
      ReportError("the simulated player's fault cannot be armed");
      return kExitFailed;
    }
  }
  using platform::StandardStream;
  // get -o - keeps standard output for the file's bytes: the progress goes to standard error.
  const bool fileToOutput = options.command == FilesCommand::kGet && options.destination == "-";
  const StandardStream shown = fileToOutput ? StandardStream::kError : StandardStream::kOutput;
  TerminalUiSetup setup;
  setup.terminal = platform::IsTerminal(shown);
  setup.quiet = options.quiet || options.json;
  setup.columns = [shown] { return platform::CurrentTerminalColumns(shown, 80); };
  TerminalUi ui(fileToOutput ? stderr : stdout, std::move(setup));
  ui.Install();
  VORPEX_SetError(VORPEX_OK);
  const RouteChoice choice = options.route == 1   ? RouteChoice::kChip
                             : options.route == 2 ? RouteChoice::kDevice
                                                  : RouteChoice::kAny;
  std::unique_ptr<FileRoute> route = OpenFileRoute(choice, ui);
  if (!route) {
    ReportNoPlayer(ui);
    return kExitFailed;
  }
  switch (options.command) {
    case FilesCommand::kList:
      return RunList(options, *route, ui);
    case FilesCommand::kFree:
      return RunFree(options, *route, ui);
    case FilesCommand::kPut:
      return RunPut(options, *route, ui);
    case FilesCommand::kGet:
      return RunGet(options, *route, ui);
    case FilesCommand::kRemove:
      return RunRemove(options, *route, ui);
    case FilesCommand::kMove:
      return RunMove(options, *route, ui);
    case FilesCommand::kFormat:
      return RunFormat(options, *route, ui);
  }
  return kExitUsage;
}

}  // namespace vorpex::cli
