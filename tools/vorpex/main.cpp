// vorpex: the player from the command line (upgrade, information, its files, HEX conversion,
// simulated players). Usage errors exit with 2, failed operations with 1.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "VORPEXUSB.h"
#include "platform/interrupt.h"
#include "platform/process.h"
#include "platform/terminal.h"
#include "playersim.h"
#include "tools/vorpex/arguments.h"
#include "tools/vorpex/commands.h"
#include "tools/vorpex/files_commands.h"
#include "tools/vorpex/interrupt.h"
#include "tools/vorpex/library_error.h"
#include "tools/vorpex/mount.h"
#include "tools/vorpex/simulated_player.h"
#include "tools/vorpex/terminal_ui.h"

namespace vorpex::cli {

// The progress and messages of a command, on `shown`: standard output, or standard error where
// standard output carries a file's bytes.
TerminalUi CommandUi(const Options& options, platform::StandardStream shown) {
  TerminalUiSetup setup;
  setup.terminal = platform::IsTerminal(shown);
  setup.quiet = options.quiet || options.json;
  setup.columns = [shown] { return platform::CurrentTerminalColumns(shown, 80); };
  return TerminalUi(shown == platform::StandardStream::kError ? stderr : stdout, std::move(setup));
}

bool SelectPlayerWithFaults(const Options& options) {
  if (!SelectSimulatedPlayer(options.simulateFolder)) return false;
  // The options that arm them are refused without --simulate, so a simulator is loaded here.
  const SimulatorLibrary* simulator = SelectedSimulator();
  if (simulator != nullptr && options.simulatedDelayMs) {
    simulator->setFault(PLAYERSIM_FAULT_SLOW_DEVICE, *options.simulatedDelayMs);
  }
  for (const SimulatedFault& fault : options.simulatedFaults) {
    if (simulator == nullptr ||
        simulator->aimFault(fault.kind, fault.target, fault.count, 0, 0) != 1) {
      ReportError("the simulated player's fault cannot be armed");
      return false;
    }
  }
  return true;
}

int RunFilesCommand(const Options& options) {
  if (!SelectPlayerWithFaults(options)) return kExitFailed;
  using platform::StandardStream;
  // get -o - keeps standard output for the file's bytes: the progress goes to standard error.
  const bool fileToOutput = options.command == Command::kGet && options.destination == "-";
  const StandardStream shown = fileToOutput ? StandardStream::kError : StandardStream::kOutput;
  TerminalUi ui = CommandUi(options, shown);
  ui.Install();
  VORPEX_SetError(VORPEX_OK);
  std::unique_ptr<FileRoute> route = OpenFileRoute(options.route, ui);
  if (!route) {
    ReportNoPlayer(ui);
    return kExitFailed;
  }
  switch (options.command) {
    case Command::kList:
      return RunList(options, *route, ui);
    case Command::kFree:
      return RunFree(options, *route, ui);
    case Command::kPut:
      return RunPut(options, *route, ui);
    case Command::kGet:
      return RunGet(options, *route, ui);
    case Command::kRemove:
      return RunRemove(options, *route, ui);
    case Command::kMove:
      return RunMove(options, *route, ui);
    case Command::kSync:
      return RunSync(options, *route, ui);
    default:
      return RunFormat(options, *route, ui);
  }
}

}  // namespace vorpex::cli

using namespace vorpex::cli;

namespace {

int RunCommand(std::span<const std::string_view> args) {
  auto parsed = ParseArguments(args);
  if (auto* usage = std::get_if<UsageError>(&parsed)) {
    std::fprintf(stderr, "vorpex: %s\n%s(%s tells more)\n", usage->message.c_str(),
                 UsageLine(usage->command).c_str(), HelpCommand(usage->command).c_str());
    return kExitUsage;
  }
  const Options& options = std::get<Options>(parsed);
  if (options.version) {
    std::printf("vorpex %s\n", VORPEX_VERSION);
    return kExitOk;
  }
  if (options.help) {
    std::fputs(HelpText(options.command).c_str(), stdout);
    return kExitOk;
  }
  if (options.command == Command::kUnmount) return RunUnmount(options);
  const bool usesPlayer = options.command != Command::kHexToBin &&
                          options.command != Command::kSimInit &&
                          options.command != Command::kMp3Info;
  if (usesPlayer) {
    if (auto folder = MountedAt(options)) {
      ReportError("the player is mounted at " + *folder + " (vorpex unmount " + *folder +
                  " ends it)");
      return kExitFailed;
    }
  }
  if (options.command == Command::kMount) return RunMount(options);
  if (usesPlayer && options.command != Command::kUpgrade && options.command != Command::kInfo) {
    return RunFilesCommand(options);
  }
  // Before the terminal is installed as the libraries' interface: installing it reaches the
  // chip library, which would otherwise read VORPEX_SIMULATOR itself and tell its own message.
  if (usesPlayer && !SelectSimulatedPlayer(options.simulateFolder)) return kExitFailed;
  TerminalUi ui = CommandUi(options, vorpex::platform::StandardStream::kOutput);
  ui.Install();
  switch (options.command) {
    case Command::kUpgrade:
      return RunUpgrade(options, ui);
    case Command::kInfo:
      return RunInfo(options, ui);
    case Command::kHexToBin:
      return RunHexToBin(options);
    case Command::kSimInit:
      return RunSimInit(options);
    case Command::kMp3Info:
      return RunMp3Info(options);
    default:
      return kExitUsage;
  }
}

// Output that never reached standard output (a full disk: vorpex ls > /dev/full) fails the
// command that wrote it. A reader that went away (vorpex ... | head) took what it wanted.
int WithOutputWritten(int status) {
  errno = 0;
  if (std::fflush(stdout) == 0 && std::ferror(stdout) == 0) return status;
  if (errno == EPIPE) return status;
  const int error = errno;
  ReportError(std::string("cannot write to standard output") +
              (error != 0 ? std::string(": ") + std::strerror(error) : std::string()));
  return status == kExitOk ? kExitFailed : status;
}

}  // namespace

// Whatever escapes a command (memory running out, above all) ends in a message and a failed
// exit, never in an abort.
int main(int argc, char** argv) try {
  // A reader that went away (vorpex ... | head) makes output fail, never an upgrade.
  vorpex::platform::IgnoreBrokenPipe();
  CatchInterrupts();
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  // The shell's completion asks which words fit (packaging/vorpex.bash-completion); not a
  // command for people, so neither help nor the man page shows it.
  if (!args.empty() && args[0] == "__complete") {
    for (const std::string& word : CompletionWords(std::span(args).subspan(1))) {
      std::printf("%s\n", word.c_str());
    }
    return WithOutputWritten(kExitOk);
  }
  return WithOutputWritten(RunCommand(args));
} catch (const std::bad_alloc&) {
  std::fputs("vorpex: not enough memory\n", stderr);
  return kExitFailed;
} catch (const std::exception& error) {
  std::fprintf(stderr, "vorpex: %s\n", error.what());
  return kExitFailed;
}
