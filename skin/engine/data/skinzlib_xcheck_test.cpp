// Cross-checks of the skin containers' zlib data against zlib-flate (qpdf).
#include <gtest/gtest.h>

#include "platform/rtl/tools_testing.h"
#include "skin/engine/data/storedskin_testing.h"

namespace {

String FileText(const std::vector<uint8_t>& Bytes) { return String(Bytes.begin(), Bytes.end()); }

String Plain() {
  TSkinFolder folder;
  TbsCompressedStoredSkin skin(nullptr);
  skin.LoadFromSkinIni(folder.IniPath());
  return Inflate(&skin);
}

TEST(SkinZlibXcheck, CompressedDataInflatesWithZlibFlate) {
  REQUIRE_TOOL("zlib-flate", "qpdf");
  TTestTempDir dir;
  const String plain = Plain();
  const String packed = Deflate(plain);
  SaveBytesToFile(dir.File("packed"), packed.data(), packed.size());
  const TToolRun run = RunToolCaptured({"zlib-flate", "-uncompress"}, dir.File("packed"));
  ASSERT_EQ(run.ExitStatus, 0);
  EXPECT_EQ(FileText(run.Output), plain);
}

TEST(SkinZlibXcheck, ZlibFlateOutputIsRead) {
  REQUIRE_TOOL("zlib-flate", "qpdf");
  TTestTempDir dir;
  const String plain = Plain();
  SaveBytesToFile(dir.File("plain"), plain.data(), plain.size());
  for (const char* level : {"-compress=1", "-compress=6", "-compress=9"}) {
    SCOPED_TRACE(level);
    const TToolRun run = RunToolCaptured({"zlib-flate", level}, dir.File("plain"));
    ASSERT_EQ(run.ExitStatus, 0);
    TStringStream source(FileText(run.Output)), target;
    DecompressStream(&target, &source);
    EXPECT_EQ(target.DataString(), plain);
  }
}

}  // namespace
