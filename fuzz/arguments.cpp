// vorpex's command line of any shape (the input's NUL-separated parts are the arguments):
// through the upgrade, hex2bin, info, sim and mp3info side and through the file commands' side,
// as main() sends it, and the help of whatever command either names.
#include <cstdint>
#include <string_view>
#include <variant>
#include <vector>

#include "tools/vorpex/arguments.h"
#include "tools/vorpex/files_arguments.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vorpex::cli;
  std::vector<std::string_view> args;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  while (!input.empty()) {
    const size_t nul = input.find('\0');
    args.push_back(input.substr(0, nul));
    input = nul == std::string_view::npos ? std::string_view{} : input.substr(nul + 1);
  }
  if (const auto files = FindFilesCommand(args)) FilesHelpText(*files);
  const auto filesParsed = ParseFilesArguments(args);
  if (const auto* usage = std::get_if<FilesUsageError>(&filesParsed)) {
    FilesHelpText(usage->command);
    FilesCommandName(usage->command);
  }
  const auto parsed = ParseArguments(args);
  if (const auto* usage = std::get_if<UsageError>(&parsed)) {
    UsageLine(usage->command);
    HelpCommand(usage->command);
    HelpText(usage->command);
  }
  return 0;
}
