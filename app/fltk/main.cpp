// nebrisk: the firmware upgrade program, FLTK window.
#include <FL/Fl.H>
#include <FL/fl_ask.H>

#include <cstdio>
#include <exception>
#include <new>
#include <vector>

#include "app/device_binder.h"
#include "app/fltk/fltk_library_ui.h"
#include "app/fltk/fltk_view.h"
#include "app/startup.h"
#include "app/upgrade_presenter.h"

using namespace vorpex::app;

// Whatever escapes the program (memory running out, above all) ends in a message and a failed
// exit, never in an abort.
int main(int argc, char** argv) try {
  std::vector<std::string_view> args(argv + 1, argv + argc);
  auto parsed = ParseArguments(args);
  if (auto* error = std::get_if<std::string>(&parsed)) {
    std::fprintf(stderr, "%s\n", error->c_str());
    return 2;
  }
  if (const auto& answer = std::get<StartOptions>(parsed).answer) {
    std::fputs(answer->c_str(), stdout);
    return 0;
  }
  auto prepared = PrepareProgram(std::get<StartOptions>(parsed));
  if (auto* error = std::get_if<std::string>(&prepared)) {
    std::fprintf(stderr, "%s\n", error->c_str());
    return 1;
  }
  const ProgramSetup& setup = std::get<ProgramSetup>(prepared);

  // The libraries' message boxes and windows appear as this program's own.
  FltkLibraryUi libraryUi;
  fl_close = "OK";  // message boxes have an OK button

  FltkView view;
  LibraryBinder binder(setup.deviceLibrary, setup.chipLibrary, libraryUi.Hooks());
  UpgradePresenter presenter(view, binder, setup.paths);
  view.Attach(presenter);
  view.Show();
  view.SetTitle(WindowTitle(setup));
  if (setup.noPackage) {
    presenter.ShowNoPackage(*setup.noPackage);
  } else {
    presenter.Load();
  }
  return Fl::run();
} catch (const std::bad_alloc&) {
  std::fputs("nebrisk: not enough memory\n", stderr);
  return 1;
} catch (const std::exception& error) {
  std::fprintf(stderr, "nebrisk: %s\n", error.what());
  return 1;
}
