// vorpex's command line of any shape (the input's NUL-separated parts are the arguments), as
// main() sends it to the one parser, and the help and usage of whatever command it names.
#include "tools/vorpex/arguments.h"

#include <cstdint>
#include <string_view>
#include <variant>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vorpex::cli;
  std::vector<std::string_view> args;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  while (!input.empty()) {
    const size_t nul = input.find('\0');
    args.push_back(input.substr(0, nul));
    input = nul == std::string_view::npos ? std::string_view{} : input.substr(nul + 1);
  }
  const auto parsed = ParseArguments(args);
  const Command command = std::holds_alternative<Options>(parsed)
                              ? std::get<Options>(parsed).command
                              : std::get<UsageError>(parsed).command;
  UsageLine(command);
  HelpCommand(command);
  HelpText(command);
  return 0;
}
