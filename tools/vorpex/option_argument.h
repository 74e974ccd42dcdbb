// One option of a command line, as every vorpex command reads it: "--name=value" gives its
// value inline, "--name value" in the next argument. Also the options every command takes.
#pragma once
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vorpex::cli {

class OptionArgument {
 public:
  // The option at args[index]; taking its value from the next argument moves `index` on.
  OptionArgument(std::span<const std::string_view> args, size_t& index)
      : args_(args), index_(index), name_(args[index]) {
    if (size_t equals = name_.find('=');
        name_.starts_with("--") && equals != std::string_view::npos) {
      inline_ = name_.substr(equals + 1);
      name_ = name_.substr(0, equals);
    }
  }

  std::string_view Name() const { return name_; }

  // The option's value; nullopt when none was given inline and no argument follows.
  std::optional<std::string_view> Value() {
    taken_ = true;
    if (inline_) return inline_;
    if (index_ + 1 >= args_.size()) return std::nullopt;
    return args_[++index_];
  }

  // A value given inline to an option that takes none ("--quiet=1").
  bool ValueLeftOver() const { return inline_ && !taken_; }

 private:
  std::span<const std::string_view> args_;
  size_t& index_;
  std::string_view name_;
  std::optional<std::string_view> inline_;
  bool taken_ = false;
};

// -h/--help, --version, -q/--quiet and --simulate DIR, into the fields of those names of
// `options`. False when `option` is none of them; `error` tells what is wrong with one that is.
template <typename CommandOptions>
bool TakeCommonOption(OptionArgument& option, CommandOptions& options, std::string& error) {
  const std::string_view name = option.Name();
  if (name == "--help" || name == "-h") {
    options.help = true;
  } else if (name == "--version") {
    options.version = true;
  } else if (name == "--quiet" || name == "-q") {
    options.quiet = true;
  } else if (name == "--simulate") {
    auto folder = option.Value();
    if (!folder || folder->empty()) {
      error = "--simulate needs the folder of a simulated player";
    } else {
      options.simulateFolder = std::string(*folder);
    }
  } else {
    return false;
  }
  return true;
}

}  // namespace vorpex::cli
