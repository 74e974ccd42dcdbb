// The chip library's user interface: the host's hooks when installed, else the system's.
#pragma once
#include <cstdint>

#include "vorpex_host.h"

namespace vorpex::chip {

void InstallUi(const VorpexUiHooks* hooks);
int32_t ShowMessageBox(const char* text, const char* caption, uint32_t flags);

}  // namespace vorpex::chip
