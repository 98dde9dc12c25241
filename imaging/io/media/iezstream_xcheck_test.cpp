// Cross-checks of the deflate stream: qpdf's zlib-flate and Python's zlib
// inflate what it writes, at every level. Skipped when the tools are absent.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "imaging/io/media/iezstream.h"
#include "imaging/model/pixels/testsupport/pnm.h"

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

// Text-like content with repeats, so that the levels differ.
std::string Sample(size_t n) {
  std::mt19937 rng(static_cast<uint32_t>(n));
  static const char* words[] = {"pixel ", "strip ", "row ", "deflate ", "\n", "0123456789 "};
  std::string out;
  while (out.size() < n) out += rng() % 5 == 0 ? std::string(1, static_cast<char>(rng())) : words[rng() % 6];
  out.resize(n);
  return out;
}

}  // namespace

TEST(ZStreamXcheck, IndependentInflatersReadOurOutput) {
  const bool flate = HaveTool("zlib-flate"), python = HaveTool("python3");
  if (!flate && !python) IE_REQUIRE_TOOL("zlib-flate", "qpdf");
  const char* home = std::getenv("HOME");
  std::string dir = std::string(home && *home ? home : "/tmp") + "/zx-XXXXXX";
  ASSERT_NE(mkdtemp(dir.data()), nullptr);
  const std::string zfile = dir + "/data.z", out = dir + "/data.out";
  for (size_t size : {size_t(0), size_t(1), size_t(70000), size_t(300000)})
    for (int32_t level = 0; level <= 3; ++level) {
      const std::string data = Sample(size);
      {
        TFileStream file(zfile, fmCreate);
        TZCompressionStream z(&file, level);
        for (size_t at = 0; at < data.size(); at += 10000)
          z.WriteBuffer(data.data() + at, static_cast<int64_t>(std::min<size_t>(10000, data.size() - at)));
        z.Finish();
      }
      const std::string what = std::to_string(size) + " bytes at level index " + std::to_string(level);
      if (flate) {
        // zlib-flate reads standard input; run it through the shell's redirection.
        EXPECT_EQ(RunTool({"sh", "-c", "zlib-flate -uncompress < \"$0\"", zfile}, out), 0) << what;
        EXPECT_TRUE(ReadAll(out) == data) << "zlib-flate, " << what;
      }
      if (python) {
        const std::string script =
            "import zlib,sys\n"
            "sys.stdout.buffer.write(zlib.decompress(open(sys.argv[1],'rb').read()))\n";
        EXPECT_EQ(RunTool({"python3", "-c", script, zfile}, out), 0) << what;
        EXPECT_TRUE(ReadAll(out) == data) << "python, " << what;
      }
    }
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
}
