// The process's environment variables.
#pragma once
#include <optional>
#include <string>

namespace vorpex::platform {

// The value of `name`; nullopt when it is not set or empty.
std::optional<std::string> EnvironmentVariable(const std::string& name);

}  // namespace vorpex::platform
