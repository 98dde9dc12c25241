// Detection against file(1) over the codecs' fixtures: the fuzz corpora
// (with the option bytes their targets read before the file taken off) and
// the checked-in test data.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "imaging/io/core/iedetect.h"
#include "imaging/io/core/testsupport/xcheck.h"
#include "platform/rtl/streams.h"

namespace {

namespace fs = std::filesystem;

// The code file(1) means by a MIME type; fcNone for anything else.
TIEFormatCode CodeOfMime(const std::string& Mime) {
  static const std::map<std::string, TIEFormatCode> kCodes = {
      {"image/jpeg", fcJPEG},
      {"image/png", fcPNG},
      {"image/gif", fcGIF},
      {"image/bmp", fcBMP},
      {"image/x-ms-bmp", fcBMP},
      {"image/tiff", fcTIFF},
      {"image/jp2", fcJP2},
      {"image/x-jp2-codestream", fcJ2K},
      {"image/vnd.zbrush.pcx", fcPCX},
      {"image/x-pcx", fcPCX},
      {"image/vnd.microsoft.icon", fcICO},
      {"image/x-icon", fcICO},
      {"image/x-win-bitmap", fcCUR},
      {"image/x-portable-bitmap", fcPXM},
      {"image/x-portable-greymap", fcPXM},
      {"image/x-portable-graymap", fcPXM},
      {"image/x-portable-pixmap", fcPXM},
      {"image/x-tga", fcTGA},
      {"image/x-dcx", fcDCX},
  };
  const auto it = kCodes.find(Mime);
  return it == kCodes.end() ? fcNone : it->second;
}

// Fixture folders and the option bytes their fuzz targets read before the file.
struct TCorpus {
  const char* Folder;
  size_t Prefix;
};
const TCorpus kCorpora[] = {
    {"fuzz/corpus/jpeg", 0}, {"fuzz/corpus/png", 0}, {"fuzz/corpus/gif", 0}, {"fuzz/corpus/bmp", 0},
    {"fuzz/corpus/tiff", 1}, {"fuzz/corpus/j2k", 0}, {"fuzz/corpus/pcx", 4}, {"fuzz/corpus/ico", 1},
    {"fuzz/corpus/pxm", 1},  {"fuzz/corpus/tga", 0}, {"fuzz/corpus/dcx", 1}, {"fuzz/corpus/wbmp", 0},
    {"fuzz/corpus/psd", 0},  {"testdata", 0},
};

// Known disagreements, with the fixture's real format in mind: the file
// (relative to the source folder), our code and file(1)'s where they may
// differ from each other or from the format.
struct TKnown {
  const char* File;
  TIEFormatCode Ours;
  const char* Why;
};
const TKnown kKnown[] = {
    // The chain's TGA test looks at 18 header bytes; file(1) also refuses
    // the colour-map entry size of this one.
    {"fuzz/corpus/tga/crash_wide_map_entry.tga", fcTGA, "TGA: file(1) says application/octet-stream"},
    // WBMP has no signature: no step of the chain looks for it, nor does file(1).
    {"fuzz/corpus/wbmp/small.wbmp", fcNone, "WBMP: unrecognised by both"},
    {"fuzz/corpus/wbmp/wide.wbmp", fcNone, "WBMP: unrecognised by both"},
    // file(1) releases without the DCX magic say application/octet-stream.
    {"fuzz/corpus/dcx/two_pages.bin", fcDCX, "DCX: file(1) may not know it"},
};

struct TFixture {
  std::string Rel;             // relative to the source folder
  std::vector<uint8_t> Input;  // as stored
  size_t Prefix = 0;           // option bytes before the file
  std::string Plain;           // the file alone, written for file(1)
};

TEST(DetectXcheck, AgreesWithFileOnTheFixtures) {
  IE_REQUIRE_TOOL("file", "file");
  TIETempDir dir;
  const std::string root = PROJECT_SOURCE_DIR;
  std::vector<TFixture> fixtures;
  for (const TCorpus& corpus : kCorpora) {
    std::vector<fs::path> files;
    for (const auto& e : fs::recursive_directory_iterator(root + "/" + corpus.Folder))
      if (e.is_regular_file()) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    for (const fs::path& path : files) {
      TFixture f;
      f.Rel = fs::relative(path, root).string();
      ASSERT_TRUE(IEReadBytesFile(path.string(), f.Input));
      if (f.Input.size() < corpus.Prefix) continue;
      f.Prefix = corpus.Prefix;
      f.Plain = dir.File(std::to_string(fixtures.size()));
      ASSERT_TRUE(IEWriteBytesFile(f.Plain, std::vector<uint8_t>(f.Input.begin() + int64_t(f.Prefix), f.Input.end())));
      fixtures.push_back(std::move(f));
    }
  }
  // One run of file(1) for all of them: a MIME type per line, in order.
  std::vector<std::string> argv = {"file", "--brief", "--mime-type"};
  for (const TFixture& f : fixtures) argv.push_back(f.Plain);
  const TIEToolRun run = IERunTool(argv);
  ASSERT_EQ(run.ExitStatus, 0);
  std::vector<std::string> mimes;
  std::string line;
  for (const uint8_t c : run.Output) {
    if (c == '\n') {
      mimes.push_back(line);
      line.clear();
    } else {
      line.push_back(char(c));
    }
  }
  ASSERT_EQ(mimes.size(), fixtures.size());

  int compared = 0;
  for (size_t i = 0; i < fixtures.size(); ++i) {
    const TFixture& f = fixtures[i];
    const TIEFormatCode theirs = CodeOfMime(mimes[i]);
    TCustomMemoryStream stream;
    stream.SetPointer(f.Input.data() + f.Prefix, int64_t(f.Input.size() - f.Prefix));
    const TIEFormatCode ours = IEDetectStreamFormat(&stream);

    // The fuzz input itself is the file inside a larger stream: examined
    // from the file's position it gives the same answer.
    if (f.Prefix > 0) {
      TCustomMemoryStream whole;
      whole.SetPointer(f.Input.data(), int64_t(f.Input.size()));
      whole.SetPosition(int64_t(f.Prefix));
      EXPECT_EQ(IEDetectStreamFormat(&whole), ours) << f.Rel << " inside its fuzz input";
    }

    const auto known =
        std::find_if(std::begin(kKnown), std::end(kKnown), [&](const TKnown& k) { return f.Rel == k.File; });
    if (known != std::end(kKnown)) {
      EXPECT_EQ(ours, known->Ours) << f.Rel << " (" << known->Why << ")";
      continue;
    }
    ++compared;
    EXPECT_EQ(ours, theirs) << f.Rel << ": file(1) says " << mimes[i];
  }
  EXPECT_GT(compared, 0);
}

}  // namespace
