#include "platform/child_process.h"

#include <windows.h>

namespace vorpex::platform {
namespace {

// One argument as the C runtime of the child splits its command line again.
std::string Quote(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
  std::string quoted = "\"";
  size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    // Backslashes before a quote are doubled, and the quote itself escaped.
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');  // before the closing quote
  quoted += '"';
  return quoted;
}

HANDLE OpenInheritable(const char* path, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return ::CreateFileA(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

std::optional<int> RunProgram(const std::string& program, const std::vector<std::string>& args,
                              const std::string& outputPath, const std::string& errorPath) {
  std::string commandLine = Quote(program);
  for (const std::string& arg : args) {
    commandLine += ' ';
    commandLine += Quote(arg);
  }

  HANDLE input = OpenInheritable("NUL", GENERIC_READ, OPEN_EXISTING);
  HANDLE output = OpenInheritable(outputPath.c_str(), GENERIC_WRITE, CREATE_ALWAYS);
  HANDLE error = OpenInheritable(errorPath.c_str(), GENERIC_WRITE, CREATE_ALWAYS);
  std::optional<int> status;
  if (input != INVALID_HANDLE_VALUE && output != INVALID_HANDLE_VALUE &&
      error != INVALID_HANDLE_VALUE) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = output;
    startup.hStdError = error;
    PROCESS_INFORMATION process{};
    if (::CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                         CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process)) {
      ::WaitForSingleObject(process.hProcess, INFINITE);
      DWORD code = 0;
      if (::GetExitCodeProcess(process.hProcess, &code)) status = static_cast<int>(code);
      ::CloseHandle(process.hThread);
      ::CloseHandle(process.hProcess);
    }
  }
  for (HANDLE handle : {input, output, error}) {
    if (handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
  }
  return status;
}

}  // namespace vorpex::platform
