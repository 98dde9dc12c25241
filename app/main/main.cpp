// Program entry. Until the windows exist, the program prints its version and a
// self-check of the runtime layer: number and date formatting, and a file
// written through the safe writer and renamed into place.
#include <cstdio>
#include <exception>
#include <unistd.h>

#include "platform/rtl/dates.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/files.h"
#include "platform/rtl/format.h"
#include "platform/rtl/safewriter.h"
#include "platform/rtl/strings.h"

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

}  // namespace

int main(int argc, char** argv) {
  SetCommandLine(argc, argv);
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
