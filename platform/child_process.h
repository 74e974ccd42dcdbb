// Running another program to its end, its standard output and error going to files.
#pragma once
#include <optional>
#include <string>
#include <vector>

namespace vorpex::platform {

// Starts `program` (a path) with `args`, standard input empty, standard output written to
// `outputPath` and standard error to `errorPath` (both created or truncated), waits for it and
// returns its exit status; nullopt when it could not be started or did not exit normally.
std::optional<int> RunProgram(const std::string& program, const std::vector<std::string>& args,
                              const std::string& outputPath, const std::string& errorPath);

}  // namespace vorpex::platform
