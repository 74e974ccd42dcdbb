#include "platform/child_process.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace vorpex::platform {

std::optional<int> RunProgram(const std::string& program, const std::vector<std::string>& args,
                              const std::string& outputPath, const std::string& errorPath) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);

  // Opened before the fork, so that the child only has to put them in place.
  const int input = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  const int output = ::open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const int error = ::open(errorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  std::optional<int> status;
  if (input >= 0 && output >= 0 && error >= 0) {
    const pid_t child = ::fork();
    if (child == 0) {
      if (::dup2(input, STDIN_FILENO) < 0 || ::dup2(output, STDOUT_FILENO) < 0 ||
          ::dup2(error, STDERR_FILENO) < 0) {
        ::_exit(127);
      }
      ::execv(program.c_str(), argv.data());
      ::_exit(127);
    }
    if (child > 0) {
      int raw = 0;
      pid_t waited;
      do {
        waited = ::waitpid(child, &raw, 0);
      } while (waited < 0 && errno == EINTR);
      if (waited == child && WIFEXITED(raw)) status = WEXITSTATUS(raw);
    }
  }
  for (int fd : {input, output, error}) {
    if (fd >= 0) ::close(fd);
  }
  return status;
}

}  // namespace vorpex::platform
