// Program entry. "-Unstall" as the first argument cleans the per-user
// settings folder and ends. Otherwise the program picks its window system
// backend (SDL2 on a display; headless only when PICTOVAL_BACKEND asks for
// it), keeps to one instance per user and runs the main window until it
// closes or SIGTERM or SIGINT closes it. --self-check prints the version and a self-check
// of the runtime layer instead; it is for a person checking an installed
// build by hand (the README names it): no script, test or CI job calls it.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <unistd.h>

#include "app/convert/batchconverttab.h"
#include "app/main/bconvert.h"
#include "app/main/closesignal.h"
#include "app/main/instanceguard.h"
#include "app/main/startup.h"
#include "app/rename/batchrenametab.h"
#include "app/settings/guarded.h"
#include "imaging/io/codecs/psd/fileformats.h"
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

// PICTOVAL_BACKEND=sdl2|headless decides; otherwise SDL2 on the display.
// nullptr means headless; failed is set when the choice cannot be honoured
// (a desktop program without a display has nothing to show).
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
  } else if (!Set("DISPLAY") && !Set("WAYLAND_DISPLAY")) {
    std::fprintf(stderr, "%s\n", kNoDisplayMessage);
    failed = true;
    return nullptr;
  }
  std::unique_ptr<TSdlBackend> sdl = TSdlBackend::Create(error);
  if (!sdl) {
    std::fprintf(stderr,
                 "pictoval: the display cannot be opened (%s); set PICTOVAL_BACKEND=headless to run without one\n",
                 error.c_str());
    failed = true;
  }
  return sdl;
}

// The main window and the message loop, each guarded: a window that cannot
// be made leaves a loop that ends at once.
void RunMainWindow(TApplication& App, TInstanceGuard& Guard, TCloseOnSignal& Signals) {
  TBatchConvert* form = nullptr;
  Guarded([&] { App.CreateForm(form); });
  if (form != nullptr) {
    Guard.SetTargetWindow(form->Handle());
    Signals.SetTargetWindow(form->Handle());
  }
  Guarded([&] { App.Run(); });
  Guard.SetTargetWindow(nullptr);
  Signals.SetTargetWindow(nullptr);
}

// Everything after the guard let this instance run.
void RunFirstInstance(TApplication& App, TSdlBackend* Sdl, TInstanceGuard& Guard, TCloseOnSignal& Signals) {
  GraphicExInitialize();
  // The tabs' pages, made by the main window when it first shows them.
  RegisterBatchConvertTab();
  RegisterBatchRenameTab();
  // The plain box runs our modal loop (timers and painting go on).
  InstallPlainMessageBox();
  // The shell's properties window and path auto-complete.
  InstallShellDialogs();
  if (Sdl != nullptr) {
    // The window manager's close goes through the main window's close.
    Sdl->OnQuit = [] {
      if (Application->MainForm() != nullptr) PostMessage(Application->MainForm()->Handle(), WM_CLOSE, 0, 0);
    };
    Sdl->SetApplicationIcon(LoadIcon(nullptr, IDI_APPLICATION));
  }
  App.OnException = IgnoreApplicationException;
  RunMainWindow(App, Guard, Signals);
  SetMessageBoxHook(nullptr);
}

int RunProgram() {
  // First, before the backend or anything else starts a thread.
  TCloseOnSignal signals;
  bool failed = false;
  std::unique_ptr<TSdlBackend> sdl = ChooseBackend(failed);
  if (failed) return 1;
  if (sdl) WinSetBackend(sdl.get());
  {
    auto screen = std::make_unique<TScreen>(nullptr);
    auto app = std::make_unique<TApplication>(nullptr);
    app->Initialize();
    TInstanceGuard guard;
    if (guard.Start() != TInstanceStart::isExit) RunFirstInstance(*app, sdl.get(), guard, signals);
    app.reset();
    screen.reset();
    if (FileFormatList() != nullptr) GraphicExFinalize();
  }
  WinResetState();
  sdl.reset();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  SetCommandLine(argc, argv);
  if (IsUninstallSwitch(argc, argv)) {
    RunUninstallSwitch();
    return 0;
  }
  if (argc > 1 && std::strcmp(argv[1], "--self-check") == 0) return RunSelfCheck();
  try {
    return RunProgram();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "pictoval: %s\n", e.what());
    return 1;
  }
}
