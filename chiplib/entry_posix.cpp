// The shared object's load hook: records the module handle (its load address) and hands the
// string table to the platform, since an ELF object has no resource section.
#include <dlfcn.h>

#include "chiplib/state.h"
#include "chiplib/string_table.h"

namespace {

__attribute__((constructor)) void OnLoad() {
  static char sentinel;
  Dl_info info{};
  void* module = &sentinel;  // a handle of our own should dladdr not answer
  if (dladdr(reinterpret_cast<void*>(&OnLoad), &info) != 0 && info.dli_fbase != nullptr) {
    module = info.dli_fbase;
  }
  vorpex::chip::GetState().module = module;
  vorpex::platform::RegisterModuleStrings(module, vorpex::chip::StringTable());
}

}  // namespace
