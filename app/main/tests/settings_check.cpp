// Reads a settings file with the program's own reader and prints what the
// shell tests compare: exit status 0 when it loads, 1 when it does not.
#include <cstdio>
#include <exception>
#include <memory>

#include "app/settings/settingsstore.h"
#include "platform/rtl/streams.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: pictoval_settings_check SETTINGS_FILE\n");
    return 2;
  }
  try {
    RegisterSettingsClasses();
    TFileStream file(argv[1], fmOpenRead | fmShareDenyWrite);
    std::unique_ptr<TProgramSettings> s = ReadProgramSettings(file);
    if (!s) {
      std::fprintf(stderr, "%s: not a settings file\n", argv[1]);
      return 1;
    }
    std::printf("skin %d, screen %d x %d, window %d x %d, maximised %d\n", s->SkinNewNo, s->lastScreenWidth,
                s->lastScreenHeight, s->lastWidth, s->lastHeight, int(s->Maximized));
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", argv[1], e.what());
    return 1;
  }
}
