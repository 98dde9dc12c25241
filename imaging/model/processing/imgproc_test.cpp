#include "imaging/model/processing/imgproc.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "imaging/model/containers/iemask.h"
#include "imaging/model/pixels/iefilebuffer.h"
#include "imaging/model/processing/ieview_testing.h"
#include "platform/gui/graphics.h"
#include "platform/vcl/extctrls.h"

namespace {

// An ie24RGB image whose pixel (x, y) is (x * 10 + y, 100 + y, 200 - x).
void MakeRamp(TIEBitmap& B, int32_t W, int32_t H) {
  B.Allocate(W, H, TIEPixelFormat::ie24RGB);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) *B.PixelRGB(x, y) = MakeTRGB(x * 10 + y, 100 + y, 200 - x);
}

TEST(ModelImgProc, NegativeChangesOnlyTheTriangle) {
  TIEFakeView view;
  MakeRamp(view.Own, 12, 10);
  TImgProc proc(nullptr);
  proc.SetAttachedImg(&view);
  ASSERT_EQ(proc.IEBitmap(), &view.Own);
  view.SelectPolygon({{1, 1}, {11, 1}, {1, 9}});
  TIEBitmap before;
  before.Assign(&view.Own);
  proc.Negative();
  int inside = 0;
  for (int32_t y = 0; y < 10; ++y)
    for (int32_t x = 0; x < 12; ++x) {
      const TRGB o = *before.PixelRGB(x, y), n = *view.Own.PixelRGB(x, y);
      if (view.Mask.GetPixel(x, y)) {
        ++inside;
        EXPECT_EQ(n, MakeTRGB(255 - o.r, 255 - o.g, 255 - o.b)) << x << "," << y;
      } else {
        EXPECT_EQ(n, o) << x << "," << y;
      }
    }
  EXPECT_GT(inside, 10);
  EXPECT_FALSE(view.Mask.IsPointInside(10, 8));  // the box holds unselected pixels too
  EXPECT_GE(view.Updates, 1);
  EXPECT_GE(view.ImageChanges, 1);

  // On a palette image the palette is inverted, whatever the selection.
  view.Own.Allocate(12, 10, TIEPixelFormat::ie8p);
  view.Own.SetPaletteColor(3, MakeTRGB(10, 20, 30));
  view.Own.SetPixel8(2, 2, 3);
  proc.Negative();
  TRGB c;
  view.Own.GetPaletteColor(3, c);
  EXPECT_EQ(c, MakeTRGB(245, 235, 225));
  EXPECT_EQ(view.Own.GetPixel8(2, 2), 3);
}

TEST(ModelImgProc, FeatheredMaskBlends) {
  TIEFakeView view;
  view.Own.Allocate(4, 2, TIEPixelFormat::ie24RGB);
  view.Own.Fill(0x646464);  // 100 on every channel
  TImgProc proc(nullptr);
  proc.SetAttachedImg(&view);
  view.Mask.Allocate(4, 2, 8);
  view.Mask.SetPixel(1, 0, 128);
  view.Mask.SetPixel(2, 0, 255);
  view.Mask.SetPixel(1, 1, 0);
  view.Selected = true;
  proc.IntensityRGBall(100, 100, 100);  // 100 -> 200 inside
  EXPECT_EQ(*view.Own.PixelRGB(1, 0), MakeTRGB(150, 150, 150));
  EXPECT_EQ(*view.Own.PixelRGB(2, 0), MakeTRGB(200, 200, 200));
  EXPECT_EQ(*view.Own.PixelRGB(0, 0), MakeTRGB(100, 100, 100));
  EXPECT_EQ(*view.Own.PixelRGB(1, 1), MakeTRGB(100, 100, 100));
}

class TempDirScope {
 public:
  TempDirScope() {
    char tmpl[] = "/tmp/m6undoXXXXXX";
    Dir = mkdtemp(tmpl);
    Saved = IETempDirectory;
    IETempDirectory = Dir + "/";
  }
  ~TempDirScope() {
    IETempDirectory = Saved;
    rmdir(Dir.c_str());
  }
  int UndoFiles() const {
    int n = 0;
    if (DIR* d = opendir(Dir.c_str())) {
      while (dirent* e = readdir(d)) {
        const String name = e->d_name;
        if (name.rfind("IMG-", 0) == 0 && name.size() > 4 && name.substr(name.size() - 4) == ".tmp") ++n;
      }
      closedir(d);
    }
    return n;
  }
  String Dir, Saved;
};

TEST(ModelImgProc, UndoRestoresPixelsAndAlphaFromAFile) {
  TempDirScope tmp;
  TIEFakeView view;
  MakeRamp(view.Own, 5, 4);
  view.Own.SetAlpha(2, 1, 77);
  TIEBitmap before;
  before.Assign(&view.Own);
  TImgProc proc(nullptr);
  proc.SetAttachedImg(&view);
  proc.SetTransparentColors(MakeTRGB(0, 0, 0), MakeTRGB(255, 255, 255), 5);
  proc.Negative();
  EXPECT_EQ(view.Own.GetAlpha(0, 0), 5);
  ASSERT_EQ(proc.UndoCount(), 1);
  EXPECT_EQ(proc.UndoCaptions(0), "Negative");
  ASSERT_NE(proc.UndoBitmap(0), nullptr);
  EXPECT_EQ(proc.UndoBitmap(0)->Location(), TIELocation::ieFile);
  EXPECT_GE(tmp.UndoFiles(), 1);
  proc.Undo();  // back to the state before Negative, that is after the transparency
  EXPECT_EQ(view.Own.GetAlpha(2, 1), 5);
  EXPECT_EQ(*view.Own.PixelRGB(3, 2), *before.PixelRGB(3, 2));

  proc.SetUndoLimit(3);
  proc.ClearAllUndo();
  EXPECT_EQ(tmp.UndoFiles(), 0);  // the copies' files go with them
  before.Assign(&view.Own);
  proc.SetTransparentColors(MakeTRGB(0, 0, 0), MakeTRGB(255, 255, 255), 9);
  proc.Undo();
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 5; ++x) {
      EXPECT_EQ(*view.Own.PixelRGB(x, y), *before.PixelRGB(x, y));
      EXPECT_EQ(view.Own.GetAlpha(x, y), before.GetAlpha(x, y));
    }
}

TEST(ModelImgProc, UndoEntries) {
  TImgProc proc(nullptr);
  for (int32_t v : {1, 0, -3}) {
    proc.SetUndoLimit(v);
    EXPECT_EQ(proc.UndoLimit(), 1) << v;
  }
  TIEBitmap& img = *proc.IEBitmap();
  MakeRamp(img, 3, 3);
  const TRGB orig = *img.PixelRGB(1, 1);
  proc.Negative();
  proc.HSLvar(10, -20, 30);
  ASSERT_EQ(proc.UndoCount(), 1);  // the limit of 1 drops the older entry with its caption
  EXPECT_EQ(proc.UndoCaptions(0), "HSLvar 10,-20,30");
  proc.Undo();
  const TRGB negated = *img.PixelRGB(1, 1);
  EXPECT_EQ(negated, MakeTRGB(255 - orig.r, 255 - orig.g, 255 - orig.b));
  img.PixelRGB(1, 1)->r = 1;
  proc.Undo();  // the entry stays: the same state again
  EXPECT_EQ(*img.PixelRGB(1, 1), negated);
  EXPECT_EQ(proc.UndoCount(), 1);

  proc.SetUndoLimit(2);
  proc.Contrast(5);
  proc.IntensityRGBall(1, 2, 3);
  ASSERT_EQ(proc.UndoCount(), 2);
  EXPECT_EQ(proc.UndoCaptions(0), "Contrast 5");
  EXPECT_EQ(proc.UndoCaptions(1), "IntensityRGBall 1,2,3");
  proc.UndoAt(5);                // out of range: nothing
  EXPECT_FALSE(proc.CanRedo());  // no operation fills the redo list

  // Gray images: HSLvar refuses them (no entry); ConvertToGray stores one and
  // changes nothing.
  proc.ClearAllUndo();
  img.Allocate(4, 4, TIEPixelFormat::ie8g);
  img.Fill(90);
  proc.HSLvar(0, -100, 0);
  EXPECT_EQ(proc.UndoCount(), 0);
  proc.ConvertToGray();
  EXPECT_EQ(proc.UndoCount(), 1);
  EXPECT_EQ(proc.UndoCaptions(0), "ConvertToGray");
  EXPECT_EQ(img.GetPixel8(3, 3), 90);

  // A one-row image gets no entry, but the operation runs.
  proc.ClearAllUndo();
  img.Allocate(5, 1, TIEPixelFormat::ie8g);
  img.Fill(10);
  proc.Negative();
  EXPECT_EQ(proc.UndoCount(), 0);
  EXPECT_EQ(img.GetPixel8(4, 0), 245);
}

TEST(ModelImgProc, SelectionUndoEntryRewindsItsStream) {
  TIEFakeView view;
  MakeRamp(view.Own, 6, 6);
  TImgProc proc(nullptr);
  proc.SetAttachedImg(&view);
  view.SelectPolygon({{0, 0}, {4, 0}, {0, 4}});
  proc.SaveUndo(TImgProc::ieuSelection);
  view.SelectPolygon({{2, 2}, {6, 2}, {6, 6}});
  view.Selected = false;
  proc.Undo();
  proc.Undo();  // a second time reads from the start again
  EXPECT_TRUE(view.Selected);
  EXPECT_TRUE(view.Mask.IsPointInside(1, 1));
  EXPECT_FALSE(view.Mask.IsPointInside(5, 4));
  ASSERT_EQ(view.Points.size(), 3u);
  EXPECT_EQ(view.Points[1].X, 4);
}

TEST(ModelImgProc, DestroyedViewDetaches) {
  TImgProc proc(nullptr);
  {
    TIEFakeView view;
    MakeRamp(view.Own, 4, 4);
    proc.SetAttachedImg(&view);
    EXPECT_EQ(view.ListenerCount(), 1);
    proc.SetAttachedImg(&view);  // re-attaching keeps one listener
    EXPECT_EQ(view.ListenerCount(), 1);
  }
  EXPECT_EQ(proc.AttachedImg(), nullptr);
  ASSERT_NE(proc.IEBitmap(), nullptr);
  EXPECT_TRUE(proc.IEBitmap()->IsEmpty());
  MakeRamp(*proc.IEBitmap(), 4, 4);
  proc.Negative();
  EXPECT_EQ(*proc.IEBitmap()->PixelRGB(0, 0), MakeTRGB(255, 155, 55));

  // The removal notification alone (an owner freeing the view) also detaches.
  auto* owner = new TComponent(nullptr);
  auto* view = new TIEFakeView(owner);
  proc.SetAttachedImg(view);
  proc.SetBackground(0x123456);
  EXPECT_EQ(view->Background(), 0x123456);
  delete owner;
  EXPECT_EQ(proc.AttachedImg(), nullptr);
  EXPECT_EQ(proc.Background(), 0);
  proc.Negative();  // on its own empty image: nothing, no crash
}

TEST(ModelImgProc, AttachingABitmapRemovesTheListener) {
  TIEFakeView view;
  TIEBitmap mine;
  MakeRamp(mine, 3, 3);
  TImgProc proc(nullptr);
  proc.SetAttachedImg(&view);
  proc.SetAttachedBitmap(&mine);
  EXPECT_EQ(view.ListenerCount(), 0);
  EXPECT_EQ(proc.AttachedImg(), nullptr);
  proc.Negative();
  EXPECT_EQ(*mine.PixelRGB(0, 0), MakeTRGB(255, 155, 55));
  EXPECT_EQ(view.Updates, 0);
  // The view changing its image is followed.
  proc.SetAttachedImg(&view);
  view.SetExternalBitmap(&mine);
  EXPECT_EQ(proc.IEBitmap(), &mine);
}

TEST(ModelImgProc, AttachedTImageEditsItsPictureBitmap) {
  TIEFakeView view;
  MakeRamp(view.Own, 3, 3);
  TImgProc proc(nullptr);
  proc.SetAttachedImg(&view);
  auto* image = new TImage(nullptr);
  TBitmap* pic = image->Picture()->Bitmap();
  pic->SetPixelFormat(TPixelFormat::pf24bit);
  pic->SetSize(4, 3);
  pic->ScanLine(1)[3] = 10;  // pixel (1, 1), blue byte
  pic->SetModified(false);
  proc.SetAttachedTImage(image);
  EXPECT_EQ(proc.AttachedImg(), nullptr);
  EXPECT_EQ(view.ListenerCount(), 0);
  ASSERT_EQ(proc.IEBitmap()->Width(), 4);
  proc.IEBitmap()->AlphaChannel();
  proc.Negative();
  EXPECT_EQ(pic->ScanLine(1)[3], 245);
  EXPECT_EQ(pic->ScanLine(2)[0], 255);
  EXPECT_TRUE(pic->Modified());
  EXPECT_FALSE(proc.IEBitmap()->HasAlphaChannel());            // a platform bitmap carries none
  EXPECT_EQ(*view.Own.PixelRGB(0, 0), MakeTRGB(0, 100, 200));  // the view's image is untouched
  ASSERT_EQ(proc.UndoCount(), 1);
  proc.Undo();
  EXPECT_EQ(pic->ScanLine(1)[3], 10);

  delete image;  // the removal notification detaches
  EXPECT_EQ(proc.AttachedTImage(), nullptr);
  EXPECT_TRUE(proc.IEBitmap()->IsEmpty());
  proc.Negative();
}

TEST(ModelImgProc, ViewShowingAPlatformBitmap) {
  TBitmap first, second;
  for (TBitmap* b : {&first, &second}) {
    b->SetPixelFormat(TPixelFormat::pf24bit);
    b->SetSize(3, 2);
  }
  second.SetSize(5, 2);
  TIEFakeView view;
  view.Platform = &first;
  TImgProc proc(nullptr);
  proc.SetAttachedImg(&view);
  EXPECT_EQ(proc.IEBitmap()->Width(), 3);
  proc.Negative();
  EXPECT_EQ(first.ScanLine(0)[8], 255);
  EXPECT_FALSE(proc.IEBitmap()->HasAlphaChannel());
  EXPECT_EQ(view.Updates, 1);
  // The view shows another platform bitmap: the working image follows it.
  view.Platform = &second;
  view.NotifyChanged();
  EXPECT_EQ(proc.IEBitmap()->Width(), 5);
  proc.Negative();
  EXPECT_EQ(second.ScanLine(1)[14], 255);
  EXPECT_EQ(first.ScanLine(0)[0], 255);  // once only
  // Back to a TIEBitmap of its own.
  view.Platform = nullptr;
  proc.SetAttachedImg(&view);
  EXPECT_EQ(proc.IEBitmap(), &view.Own);
}

TEST(ModelImgProc, ProgressEndsAt100) {
  for (int32_t rows : {1, 3}) {
    TImgProc proc(nullptr);
    MakeRamp(*proc.IEBitmap(), 4, rows);
    std::vector<int32_t> seen;
    proc.OnProgress = [&](TObject* s, int32_t p) {
      EXPECT_EQ(s, &proc);
      seen.push_back(p);
    };
    proc.Contrast(10);
    ASSERT_EQ(seen.size(), static_cast<size_t>(rows));
    EXPECT_EQ(seen.back(), 100);
    if (rows == 3) {
      EXPECT_EQ(seen, (std::vector<int32_t>{40, 80, 100}));
    }
  }
}

TEST(ModelImgProc, WholeImageFrameAndCaptions) {
  EXPECT_EQ(IEProcCaption("ImageResize", {640, 480}), "ImageResize 640,480");
  EXPECT_EQ(IEProcCaption("Rotate", 90.0), "Rotate 90");
  EXPECT_EQ(IEProcCaption("Blur", 2.5), "Blur 2.5");
  EXPECT_EQ(IEProcCaption("Flip", {}), "Flip");

  TIEFakeView view;
  MakeRamp(view.Own, 3, 3);
  TImgProc proc(nullptr);
  proc.SetAttachedImg(&view);
  view.SelectPolygon({{0, 0}, {1, 0}, {0, 1}});  // ignored by whole-image operations
  int runs = 0;
  auto worker = [&](TIEBitmap* image) {
    EXPECT_EQ(image, &view.Own);
    ++runs;
  };
  proc.RunWholeImageOp(IEProcBWFormats, "Refused", worker);
  EXPECT_EQ(runs, 0);
  EXPECT_EQ(proc.UndoCount(), 0);
  EXPECT_EQ(view.Updates, 0);
  proc.RunWholeImageOp(IEProcGrayRGBFormats, IEProcCaption("Blur", 2.5), worker);
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(proc.UndoCaptions(0), "Blur 2.5");
  EXPECT_EQ(view.Updates, 1);
  proc.SetAutoUndo(false);
  proc.ClearAllUndo();
  proc.RunWholeImageOp(IEProcAllFormats, "X", worker);
  EXPECT_EQ(proc.UndoCount(), 0);
  EXPECT_EQ(runs, 2);
}

TEST(ModelImgProc, CheckBitmapFormats) {
  TImgProc proc(nullptr);
  proc.IEBitmap()->Allocate(2, 2, TIEPixelFormat::ie8g);
  EXPECT_TRUE(proc.CheckBitmap({}));
  EXPECT_TRUE(proc.CheckBitmap({TIEPixelFormat::ie8g, TIEPixelFormat::ie1g}));
  EXPECT_FALSE(proc.CheckBitmap({TIEPixelFormat::ie24RGB}));
}

}  // namespace
