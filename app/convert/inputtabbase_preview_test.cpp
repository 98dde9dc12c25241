#include <gtest/gtest.h>

#include "app/convert/converttab_testing.h"
#include "imaging/io/core/testsupport/xcheck.h"
#include "imaging/views/view/imgview.h"
#include "shell/shelllist.h"
#include "skin/controls/skincheckradio.h"
#include "skin/controls/skinlabels.h"

namespace {

using converttest::ConvertTabTest;
using SmallPreview = ConvertTabTest;

// Runs ImageMagick's convert with the arguments; answers whether it worked.
bool Magick(const std::vector<std::string>& Args) {
  std::vector<std::string> argv{"convert"};
  argv.insert(argv.end(), Args.begin(), Args.end());
  return IERunTool(argv).ExitStatus == 0;
}

TRGB PixelAt(TImgView* View, int32_t X, int32_t Y) {
  TIEBitmap* b = View->GetIEBitmap();
  const auto* row = static_cast<const uint8_t*>(b->ScanLine(Y));
  return TRGB{row[3 * X], row[3 * X + 1], row[3 * X + 2]};
}

bool Reddish(TRGB P) { return P.r > 200 && P.g < 60 && P.b < 60; }
bool Bluish(TRGB P) { return P.b > 200 && P.r < 60 && P.g < 60; }

// Stored 4000 x 3000 with orientation 6 (turn 90 degrees clockwise to show):
// the left half, red, ends on top.
TEST_F(SmallPreview, ExifOrientationTurnsThePictureAndItsSize) {
  IE_REQUIRE_TOOL("convert", "imagemagick");
  IE_REQUIRE_TOOL("exiftool", "libimage-exiftool-perl");
  const String path = Dir + "/turned.jpg";
  ASSERT_TRUE(Magick({"-size", "2000x3000", "xc:red", "-size", "2000x3000", "xc:blue", "+append", path}));
  ASSERT_EQ(IERunTool({"exiftool", "-q", "-n", "-Orientation=6", "-overwrite_original", path}).ExitStatus, 0);

  EXPECT_TRUE(Tab->LoadSelectedPreview(path, 2));
  EXPECT_EQ(Tab->FileInfo1->Caption(), "3000 x 4000");
  TImgView* v = Tab->ThumbIOView2;
  EXPECT_TRUE(v->Visible());
  EXPECT_FALSE(Tab->ThumbIOView1->Visible());
  const int32_t w = v->GetIEBitmap()->Width(), h = v->GetIEBitmap()->Height();
  EXPECT_EQ(h, 75);
  EXPECT_EQ(w, 56);
  EXPECT_TRUE(Reddish(PixelAt(v, w / 2, 5)));
  EXPECT_TRUE(Bluish(PixelAt(v, w / 2, h - 5)));
  EXPECT_NE(Tab->FileInfo2->Caption().find(" KB"), String::npos);
  EXPECT_EQ(Tab->FileInfo3->Caption().size(), 19u);  // yyyy-mm-dd hh:nn:ss
}

TEST_F(SmallPreview, SmallPicturesKeepTheirSizeAndAlphaFollowsTheType) {
  IE_REQUIRE_TOOL("convert", "imagemagick");
  struct TCase {
    const char* Name;
    std::vector<std::string> Make;  // convert's arguments before the path
    int32_t W, H;
    TRGB Pixel;  // at (1, 1)
  };
  const TCase cases[] = {
      {"small.png", {"-size", "60x40", "xc:green"}, 60, 40, TRGB{0, 128, 0}},
      // Half-transparent red: a BMP drops the alpha, a PNG is laid on white.
      {"alpha.bmp", {"-size", "20x10", "xc:rgba(255,0,0,0.5)", "-define", "bmp:format=bmp4"}, 20, 10, TRGB{0, 0, 255}},
      {"alpha.png", {"-size", "20x10", "xc:rgba(255,0,0,0.5)"}, 20, 10, TRGB{127, 127, 255}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const String path = Dir + "/" + c.Name;
    std::vector<std::string> args = c.Make;
    args.push_back(path);
    ASSERT_TRUE(Magick(args));
    EXPECT_TRUE(Tab->LoadSelectedPreview(path, 1));
    TIEBitmap* b = Tab->ThumbIOView1->GetIEBitmap();
    EXPECT_EQ(b->Width(), c.W);
    EXPECT_EQ(b->Height(), c.H);
    EXPECT_FALSE(b->HasAlphaChannel());
    EXPECT_EQ(Tab->FileInfo1->Caption(), std::to_string(c.W) + " x " + std::to_string(c.H));
    const TRGB p = PixelAt(Tab->ThumbIOView1, 1, 1);
    EXPECT_NEAR(p.r, c.Pixel.r, 2);
    EXPECT_NEAR(p.g, c.Pixel.g, 2);
    EXPECT_NEAR(p.b, c.Pixel.b, 2);
  }
}

// The second click on the same path shows the kept texts and reads nothing:
// the file may even be gone by then.
TEST_F(SmallPreview, SecondClickUsesTheCache) {
  IE_REQUIRE_TOOL("convert", "imagemagick");
  const String path = Dir + "/once.png";
  ASSERT_TRUE(Magick({"-size", "30x20", "xc:white", path}));
  EXPECT_TRUE(Tab->LoadSelectedPreview(path, 2));
  const String size = Tab->FileInfo2->Caption();
  std::filesystem::remove(path);
  EXPECT_TRUE(Tab->LoadSelectedPreview(path, 2));
  EXPECT_EQ(Tab->FileInfo1->Caption(), "30 x 20");
  EXPECT_EQ(Tab->FileInfo2->Caption(), size);
  EXPECT_EQ(Tab->ThumbIOView2->GetIEBitmap()->Width(), 30);
  // The other view has its own cache: a missing file shows nothing there.
  EXPECT_FALSE(Tab->LoadSelectedPreview(path, 1));
  EXPECT_EQ(Tab->FileInfo1->Caption(), "");
}

TEST_F(SmallPreview, UntickingHidesBothViewsAndTheTexts) {
  IE_REQUIRE_TOOL("convert", "imagemagick");
  const String path = Dir + "/p.png";
  ASSERT_TRUE(Magick({"-size", "30x20", "xc:white", path}));
  Tab->LoadSelectedPreview(path, 1);
  Tab->ChkPreview->SetChecked(false);
  EXPECT_FALSE(Tab->ThumbIOView1->Visible());
  EXPECT_FALSE(Tab->ThumbIOView2->Visible());
  EXPECT_FALSE(Tab->FileInfo1->Visible());
  EXPECT_FALSE(Tab->FileInfo3->Visible());
  EXPECT_EQ(Tab->FileInfo1->Caption(), "");
  Tab->ChkPreview->SetChecked(true);
  EXPECT_TRUE(Tab->FileInfo1->Visible());
}

TEST_F(SmallPreview, UnknownAndUnreadableFilesShowNothing) {
  for (const char* name : {"text.jpg", "empty.png"}) {
    SCOPED_TRACE(name);
    const String path = Write(name, String(name) == "empty.png" ? "" : "not a picture");
    EXPECT_FALSE(Tab->LoadSelectedPreview(path, 1));
    EXPECT_EQ(Tab->FileInfo1->Caption(), "");
  }
}

TEST_F(SmallPreview, GoingUpSelectsTheFolderLeft) {
  MakeDir("up/a");
  MakeDir("up/b");
  MakeDir("up/c");
  ShowForm();
  Tab->ShellList->SetPath(Dir + "/up/b");
  Pump();
  Tab->ParentButtonClick(nullptr);
  Pump();
  EXPECT_EQ(Tab->ShellList->GetPath(), Dir + "/up/");
  TListItem* sel = Tab->ShellList->Selected();
  ASSERT_NE(sel, nullptr);
  EXPECT_EQ(Tab->ShellList->GetItemPath(sel), Dir + "/up/b");
  EXPECT_EQ(Tab->ShellList->SelCount(), 1);
  EXPECT_EQ(Tab->ShellList->ItemFocused(), sel);
}

}  // namespace
