// The process's environment variables.
#pragma once
#include <optional>
#include <string>

namespace vorpex::platform {

// The value of `name`; nullopt when it is not set or empty.
std::optional<std::string> EnvironmentVariable(const std::string& name);

// Sets a variable for this process and the programs and libraries it loads later.
bool SetEnvironment(const std::string& name, const std::string& value);

}  // namespace vorpex::platform
