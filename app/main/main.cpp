// Program entry. The program picks its window system backend (SDL2 on a
// display, headless otherwise) and, until the application's own windows
// exist, shows a demo form. --self-check prints the version and a self-check
// of the runtime layer instead; it is for a person checking an installed
// build by hand (the README names it): no script, test or CI job calls it.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <unistd.h>

#include "app/main/demo_form.h"
#include "platform/gui/backends/sdl_backend.h"
#include "platform/gui/graphics.h"
#include "platform/gui/windows.h"
#include "platform/rtl/dates.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/files.h"
#include "platform/rtl/format.h"
#include "platform/rtl/safewriter.h"
#include "platform/rtl/strings.h"
#include "platform/vcl/dialogs_msgbox.h"
#include "platform/vcl/dialogs_shell.h"
#include "platform/vcl/forms.h"

namespace {

bool SelfCheck() {
  bool ok = true;
  const String number = FormatFloat("#,##0.00", 1234567.125);
  const String date = FormatDateTime("yyyy-mm-dd hh:nn:ss", EncodeDate(2006, 12, 10) + EncodeTime(13, 5, 9, 0));
  std::printf("number: %s\ndate:   %s\n", number.c_str(), date.c_str());
  ok = ok && number == "1,234,567.13" && date == "2006-12-10 13:05:09";

  const String dir = GetTempPath();
  const String first = dir + "pictoval-selfcheck-" + IntToStr(static_cast<int64_t>(getpid())) + ".tmp";
  const String second = ChangeFileExt(first, ".done");
  {
    TSafeFileWriter writer(first);
    const char text[] = "self-check\n";
    writer.Stream().WriteBuffer(text, sizeof(text) - 1);
    writer.Commit(false);
  }
  const bool renamed = RenameFile(first, second);
  const bool present = FileExists(second) && !FileExists(first);
  DeleteFile(second);
  std::printf("file:   %s\n", renamed && present ? "written and renamed" : "FAILED");
  return ok && renamed && present;
}

int RunSelfCheck() {
  std::printf("Pictoval %s\n", PICTOVAL_VERSION);
  try {
    const bool ok = SelfCheck();
    std::printf("self-check: %s\n", ok ? "ok" : "FAILED");
    return ok ? 0 : 1;
  } catch (const std::exception& e) {
    std::printf("self-check: FAILED (%s)\n", e.what());
    return 1;
  }
}

bool Set(const char* name) {
  const char* v = std::getenv(name);
  return v != nullptr && *v != '\0';
}

// PICTOVAL_BACKEND=sdl2|headless decides; otherwise SDL2 when a display is
// there and SDL can open it. nullptr means headless; failed is set when the
// choice cannot be honoured.
std::unique_ptr<TSdlBackend> ChooseBackend(bool& failed) {
  failed = false;
  const char* choice = std::getenv("PICTOVAL_BACKEND");
  String error;
  if (choice != nullptr && *choice != '\0') {
    if (std::strcmp(choice, "headless") == 0) return nullptr;
    if (std::strcmp(choice, "sdl2") != 0) {
      std::fprintf(stderr, "pictoval: PICTOVAL_BACKEND must be \"sdl2\" or \"headless\", not \"%s\"\n", choice);
      failed = true;
      return nullptr;
    }
    std::unique_ptr<TSdlBackend> sdl = TSdlBackend::Create(error);
    if (!sdl) {
      std::fprintf(stderr, "pictoval: the SDL2 backend cannot start: %s\n", error.c_str());
      failed = true;
    }
    return sdl;
  }
  if (!Set("DISPLAY") && !Set("WAYLAND_DISPLAY")) {
    std::fprintf(stderr, "pictoval: no display (DISPLAY and WAYLAND_DISPLAY are not set); running headless\n");
    return nullptr;
  }
  std::unique_ptr<TSdlBackend> sdl = TSdlBackend::Create(error);
  if (!sdl) std::fprintf(stderr, "pictoval: the display cannot be opened (%s); running headless\n", error.c_str());
  return sdl;
}

int RunProgram() {
  bool failed = false;
  std::unique_ptr<TSdlBackend> sdl = ChooseBackend(failed);
  if (failed) return 1;
  if (sdl) WinSetBackend(sdl.get());
  {
    auto screen = std::make_unique<TScreen>(nullptr);
    auto app = std::make_unique<TApplication>(nullptr);
    app->Initialize();
    app->SetTitle("Pictoval");
    // The plain box runs our modal loop (timers and painting go on).
    InstallPlainMessageBox();
    // The shell's properties window and path auto-complete.
    InstallShellDialogs();
    if (sdl) {
      TSdlBackend* b = sdl.get();
      b->OnQuit = [] { Application->Terminate(); };
      b->SetApplicationIcon(LoadIcon(nullptr, IDI_APPLICATION));
    }
    TDemoForm* form = nullptr;
    app->CreateForm(form);
    if (sdl) {
      app->Run();
    } else {
      // Nobody can use a window without a display: build and paint the
      // form once, then end instead of waiting for input that never comes.
      form->Show();
      app->ProcessMessages();
      std::fprintf(stderr, "pictoval: the demo form was built and painted headless (%d x %d); nothing to show\n",
                   form->Width(), form->Height());
    }
    SetMessageBoxHook(nullptr);
    app.reset();
    screen.reset();
  }
  WinResetState();
  sdl.reset();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  SetCommandLine(argc, argv);
  if (argc > 1 && std::strcmp(argv[1], "--self-check") == 0) return RunSelfCheck();
  try {
    return RunProgram();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "pictoval: %s\n", e.what());
    return 1;
  }
}
