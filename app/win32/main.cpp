// Nebrisk.exe: the firmware upgrade program, Win32 window.
#include <windows.h>

#include <exception>
#include <new>
#include <string>
#include <vector>

#include "app/device_binder.h"
#include "app/startup.h"
#include "app/upgrade_presenter.h"
#include "app/win32/win32_view.h"

using namespace vorpex::app;

// Whatever escapes the program (memory running out, above all) ends in a message and a failed
// exit, never in an abort.
int main(int argc, char** argv) try {
  std::vector<std::string_view> args(argv + 1, argv + argc);
  auto parsed = ParseArguments(args);
  if (auto* error = std::get_if<std::string>(&parsed)) {
    ::MessageBoxA(nullptr, error->c_str(), kProgramTitle, MB_OK | MB_ICONERROR);
    return 2;
  }
  if (const auto& answer = std::get<StartOptions>(parsed).answer) {
    ::MessageBoxA(nullptr, answer->c_str(), kProgramTitle, MB_OK | MB_ICONINFORMATION);
    return 0;
  }
  auto prepared = PrepareProgram(std::get<StartOptions>(parsed));
  if (auto* error = std::get_if<std::string>(&prepared)) {
    ::MessageBoxA(nullptr, error->c_str(), kProgramTitle, MB_OK | MB_ICONERROR);
    return 1;
  }
  const ProgramSetup& setup = std::get<ProgramSetup>(prepared);

  Win32View view(::GetModuleHandleA(nullptr));
  if (!view.Created()) return 1;
  LibraryBinder binder(setup.deviceLibrary, setup.chipLibrary);
  UpgradePresenter presenter(view, binder, setup.paths);
  view.Attach(presenter);
  view.Show(SW_SHOWNORMAL);
  view.SetTitle(WindowTitle(setup));
  if (setup.noPackage) {
    presenter.ShowNoPackage(*setup.noPackage);
  } else {
    presenter.Load();
  }

  MSG message;
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
  return 0;
} catch (const std::bad_alloc&) {
  ::MessageBoxA(nullptr, "Not enough memory.", kProgramTitle, MB_OK | MB_ICONERROR);
  return 1;
} catch (const std::exception& error) {
  ::MessageBoxA(nullptr, error.what(), kProgramTitle, MB_OK | MB_ICONERROR);
  return 1;
}
