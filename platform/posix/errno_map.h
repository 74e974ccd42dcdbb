// Linux failures are recorded under the Windows error code that means the same, so callers see
// one set of codes on both builds.
#pragma once
#include <cstdint>
#include <string>

namespace vorpex::platform::posix {

uint32_t WindowsCodeForErrno(int errnum);
// Records the current errno as the thread's last error.
void RecordErrno();
// As RecordErrno, for a failure on `path`: a missing file in a missing folder is "path not found".
void RecordPathErrno(const std::string& path);

}  // namespace vorpex::platform::posix
