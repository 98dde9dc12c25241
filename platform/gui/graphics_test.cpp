// TBitmap as a DIB raster (layout, ScanLine, canvas into the same memory,
// resizing, format conversion, copies, transparency, handles) and TPicture /
// TIcon (file format registry, icon files, the standard icons).
#include "platform/gui/graphics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "platform/gui/gdi_internal.h"
#include "platform/rtl/resources.h"
#include "platform/rtl/streams.h"

namespace {

constexpr COLORREF kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kWhite = 0xFFFFFF, kBlack = 0;

COLORREF PixelOf(const TBitmap& b, int32_t x, int32_t y) {
  const TGdiRaster r = GdiBitmapRaster(b.Handle());
  return GdiValueToColor(r, GdiReadPixel(r, x, y));
}

void SetPixelOf(TBitmap& b, int32_t x, int32_t y, COLORREF c) {
  const TGdiRaster r = GdiBitmapRaster(b.Handle());
  GdiWritePixel(r, x, y, GdiColorToValue(r, c));
}

std::unique_ptr<TBitmap> Make24(int32_t w, int32_t h) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(TPixelFormat::pf24bit);
  b->SetSize(w, h);
  return b;
}

std::string TempPath(const std::string& name) {
  const char* home = std::getenv("HOME");
  const std::string dir = std::string(home ? home : "/tmp") + "/gfxpicture";
  std::filesystem::create_directories(dir);
  return dir + "/" + name;
}

TEST(GfxBitmap, OneBottomUpBlockWithPaddedRowsForEveryFormat) {
  const struct {
    TPixelFormat Format;
    int32_t Bits;
  } cases[] = {{TPixelFormat::pfDevice, 32}, {TPixelFormat::pf1bit, 1},   {TPixelFormat::pf4bit, 4},
               {TPixelFormat::pf8bit, 8},    {TPixelFormat::pf15bit, 16}, {TPixelFormat::pf16bit, 16},
               {TPixelFormat::pf24bit, 24},  {TPixelFormat::pf32bit, 32}};
  for (const auto& c : cases) {
    SCOPED_TRACE(int(c.Format));
    TBitmap b;
    b.SetPixelFormat(c.Format);
    b.SetSize(5, 3);
    EXPECT_EQ(b.PixelFormat(), c.Format);
    const int64_t stride = GdiDibStride(5, c.Bits);
    EXPECT_EQ(stride % 4, 0);
    // Row 0 is the top row at the highest address; the block is contiguous.
    EXPECT_EQ(b.ScanLine(0) - b.ScanLine(1), stride);
    EXPECT_EQ(b.ScanLine(1) - b.ScanLine(2), stride);
    DIBSECTION ds;
    ASSERT_EQ(GetObject(b.Handle(), int32_t(sizeof ds), &ds), int32_t(sizeof ds));
    EXPECT_EQ(ds.dsBm.bmBits, b.ScanLine(2));
    EXPECT_EQ(ds.dsBm.bmBitsPixel, c.Bits);
    EXPECT_EQ(b.Monochrome(), c.Bits == 1);
  }
  TBitmap b;
  b.SetSize(2, 2);
  for (int32_t row : {-1, 2}) {
    try {
      b.ScanLine(row);
      ADD_FAILURE() << row;
    } catch (const EInvalidGraphicOperation& e) {
      EXPECT_STREQ(e.Message().c_str(), "Scan line index out of range");
    }
  }
  TBitmap empty;
  EXPECT_TRUE(empty.Empty());
  EXPECT_EQ(empty.Handle(), nullptr);
  EXPECT_EQ(empty.PixelFormat(), TPixelFormat::pfDevice);
  EXPECT_THROW(empty.ScanLine(0), EInvalidGraphicOperation);
}

TEST(GfxBitmap, CanvasAndScanLineShareTheSameMemory) {
  auto b = Make24(4, 3);
  uint8_t* row2 = b->ScanLine(2);
  b->Canvas()->SetPixels(1, 2, clRed);
  EXPECT_EQ(row2[3], 0);  // blue, green, red
  EXPECT_EQ(row2[4], 0);
  EXPECT_EQ(row2[5], 255);
  b->Canvas()->Brush()->SetColor(clBlue);
  b->Canvas()->FillRect(Rect(0, 0, 2, 1));
  EXPECT_EQ(b->ScanLine(0)[0], 255);
  EXPECT_EQ(b->ScanLine(0)[3], 255);
  EXPECT_EQ(b->ScanLine(0)[6], 0);
  // Written through ScanLine, read through the canvas.
  b->ScanLine(1)[9] = 0x10;
  b->ScanLine(1)[10] = 0x20;
  b->ScanLine(1)[11] = 0x30;
  EXPECT_EQ(b->Canvas()->Pixels(3, 1), RGB(0x30, 0x20, 0x10));
  // Row addresses stay while nothing but pixels change.
  EXPECT_EQ(b->ScanLine(2), row2);
}

TEST(GfxBitmap, ResizingKeepsTheTopLeftAndZeroesNewAreas) {
  auto b = Make24(3, 2);
  const COLORREF colors[2][3] = {{kRed, kGreen, kBlue}, {kWhite, 0x123456, 0x654321}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) SetPixelOf(*b, x, y, colors[y][x]);
  int changes = 0;
  b->OnChange = [&](TObject*) { ++changes; };
  b->SetSize(5, 4);
  EXPECT_EQ(changes, 1);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(PixelOf(*b, x, y), (x < 3 && y < 2) ? colors[y][x] : kBlack) << x << "," << y;
  b->SetHeight(1);
  b->SetWidth(2);
  EXPECT_EQ(PixelOf(*b, 0, 0), kRed);
  EXPECT_EQ(PixelOf(*b, 1, 0), kGreen);
  b->SetWidth(0);
  EXPECT_TRUE(b->Empty());
  EXPECT_EQ(b->Height(), 1);
  EXPECT_EQ(b->PixelFormat(), TPixelFormat::pf24bit);
  b->SetWidth(3);
  EXPECT_EQ(PixelOf(*b, 0, 0), kBlack);
  EXPECT_EQ(GdiBitmapRaster(b->Handle()).BitCount, 24);
}

TEST(GfxBitmap, SettingThePixelFormatConvertsThePixels) {
  // Colour in, colour read back after the conversion (nearest entry of the
  // default palette, or the channels cut to the format's bits).
  const struct {
    TPixelFormat Format;
    COLORREF In;
    COLORREF Out;
  } cases[] = {
      {TPixelFormat::pf1bit, RGB(200, 190, 180), kWhite},
      {TPixelFormat::pf1bit, RGB(60, 70, 80), kBlack},
      {TPixelFormat::pf4bit, RGB(140, 10, 0), RGB(128, 0, 0)},
      {TPixelFormat::pf4bit, RGB(250, 250, 10), RGB(255, 255, 0)},
      {TPixelFormat::pf8bit, RGB(50, 100, 150), RGB(51, 102, 153)},
      {TPixelFormat::pf15bit, RGB(255, 128, 8), RGB(255, 132, 8)},
      {TPixelFormat::pf16bit, RGB(255, 128, 8), RGB(255, 130, 8)},
      {TPixelFormat::pf32bit, RGB(1, 2, 3), RGB(1, 2, 3)},
      {TPixelFormat::pfDevice, RGB(1, 2, 3), RGB(1, 2, 3)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(int(c.Format));
    auto b = Make24(2, 1);
    SetPixelOf(*b, 1, 0, uint32_t(c.In));
    b->SetPixelFormat(c.Format);
    EXPECT_EQ(b->PixelFormat(), c.Format);
    EXPECT_EQ(PixelOf(*b, 1, 0), uint32_t(c.Out));
    EXPECT_EQ(b->Canvas()->Pixels(1, 0), c.Out);
    b->SetPixelFormat(TPixelFormat::pf24bit);
    EXPECT_EQ(PixelOf(*b, 1, 0), uint32_t(c.Out));
  }
  TBitmap b;
  EXPECT_THROW(b.SetPixelFormat(TPixelFormat::pfCustom), EInvalidGraphic);
  // Monochrome is pf1bit.
  auto m = Make24(1, 1);
  m->SetMonochrome(true);
  EXPECT_EQ(m->PixelFormat(), TPixelFormat::pf1bit);
  m->SetMonochrome(false);
  EXPECT_EQ(m->PixelFormat(), TPixelFormat::pfDevice);
}

TEST(GfxBitmap, AssignCopiesWithoutSharingMemory) {
  auto a = Make24(3, 2);
  SetPixelOf(*a, 2, 1, kRed);
  a->SetTransparent(true);
  a->SetTransparentColor(clLime);
  TBitmap b;
  b.Assign(a.get());
  EXPECT_NE(b.Handle(), a->Handle());
  EXPECT_NE(b.ScanLine(0), a->ScanLine(0));
  EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf24bit);
  EXPECT_EQ(PixelOf(b, 2, 1), kRed);
  EXPECT_TRUE(b.Transparent());
  EXPECT_EQ(b.TransparentMode(), TTransparentMode::tmFixed);
  EXPECT_EQ(b.TransparentColor(), clLime | 0x02000000);
  b.Canvas()->SetPixels(2, 1, clBlue);
  EXPECT_EQ(PixelOf(*a, 2, 1), kRed);
  // A palette bitmap keeps its own colour table.
  auto p = Make24(1, 1);
  p->SetPixelFormat(TPixelFormat::pf8bit);
  RGBQUAD q{1, 2, 3, 0};
  HDC dc = p->Canvas()->Handle();
  SetDIBColorTable(dc, 0, 1, &q);
  TBitmap pc;
  pc.Assign(p.get());
  EXPECT_EQ(PixelOf(pc, 0, 0), RGB(3, 2, 1));
  pc.Assign(nullptr);
  EXPECT_TRUE(pc.Empty());
}

TEST(GfxBitmap, TransparentColorFollowsTheMode) {
  auto b = Make24(2, 2);
  SetPixelOf(*b, 0, 1, 0x336699);  // bottom-left
  EXPECT_EQ(b->TransparentMode(), TTransparentMode::tmAuto);
  EXPECT_EQ(uint32_t(b->TransparentColor()), 0x02336699u);
  b->SetTransparentColor(clRed);
  EXPECT_EQ(b->TransparentMode(), TTransparentMode::tmFixed);
  EXPECT_EQ(uint32_t(b->TransparentColor()), 0x020000FFu);
  b->SetTransparentColor(clBtnFace);  // a system colour resolves
  EXPECT_EQ(uint32_t(b->TransparentColor()), 0x02F0F0F0u);
  b->SetTransparentMode(TTransparentMode::tmAuto);
  EXPECT_EQ(uint32_t(b->TransparentColor()), 0x02336699u);
  b->SetTransparentMode(TTransparentMode::tmFixed);  // keeps the colour it had
  SetPixelOf(*b, 0, 1, kWhite);
  EXPECT_EQ(uint32_t(b->TransparentColor()), 0x02336699u);
}

TEST(GfxBitmap, MaskDormantFreeImageAndReleaseHandle) {
  auto b = Make24(3, 1);
  SetPixelOf(*b, 0, 0, kRed);
  SetPixelOf(*b, 1, 0, kGreen);
  SetPixelOf(*b, 2, 0, kRed);
  b->Dormant();
  b->FreeImage();
  EXPECT_EQ(PixelOf(*b, 1, 0), kGreen);
  HBITMAP old = b->Handle();
  b->Canvas()->Handle();  // selected into the canvas DC
  HBITMAP released = b->ReleaseHandle();
  EXPECT_EQ(released, old);
  EXPECT_NE(b->Handle(), old);
  EXPECT_EQ(GetObjectType(released), OBJ_BITMAP);
  EXPECT_EQ(PixelOf(*b, 1, 0), kGreen);
  EXPECT_TRUE(DeleteObject(released));  // the canvas let go of it
  b->Canvas()->SetPixels(0, 0, clBlue);
  EXPECT_EQ(PixelOf(*b, 0, 0), kBlue);

  b->Mask(clLime);
  EXPECT_EQ(b->PixelFormat(), TPixelFormat::pf1bit);
  EXPECT_EQ(PixelOf(*b, 0, 0), kBlack);
  EXPECT_EQ(PixelOf(*b, 1, 0), kWhite);
  EXPECT_EQ(PixelOf(*b, 2, 0), kBlack);
}

TEST(GfxBitmap, SetHandleTakesOverADibSection) {
  // A top-down 16-bit DIB with 4-4-4 masks: a layout outside the list.
  std::vector<uint8_t> mem(sizeof(BITMAPINFO) + 3 * sizeof(uint32_t));
  auto* bi = reinterpret_cast<BITMAPINFO*>(mem.data());
  bi->bmiHeader.biSize = 40;
  bi->bmiHeader.biPlanes = 1;
  bi->bmiHeader.biWidth = 2;
  bi->bmiHeader.biHeight = -2;
  bi->bmiHeader.biBitCount = 16;
  bi->bmiHeader.biCompression = BI_BITFIELDS;
  const uint32_t masks[3] = {0x0F00, 0x00F0, 0x000F};
  std::memcpy(reinterpret_cast<uint8_t*>(bi) + 40, masks, sizeof masks);
  void* bits = nullptr;
  HBITMAP h = CreateDIBSection(nullptr, bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(h, nullptr);
  static_cast<uint16_t*>(bits)[0] = 0x0F00;  // top-left: red
  TBitmap b;
  b.SetHandle(h);
  EXPECT_EQ(b.Handle(), h);
  EXPECT_EQ(b.PixelFormat(), TPixelFormat::pfCustom);
  EXPECT_EQ(b.Width(), 2);
  EXPECT_EQ(b.ScanLine(0), bits);  // top-down: row 0 first in memory
  EXPECT_EQ(b.Canvas()->Pixels(0, 0), clRed);
  HBRUSH brush = CreateSolidBrush(0);
  EXPECT_THROW(b.SetHandle(reinterpret_cast<HBITMAP>(brush)), EInvalidGraphic);
  EXPECT_EQ(b.Handle(), h);
  DeleteObject(brush);
}

TEST(GfxBitmap, PaletteCopiesTheColourTable) {
  auto b = Make24(2, 1);
  b->SetPixelFormat(TPixelFormat::pf4bit);
  HPALETTE pal = b->Palette();
  ASSERT_NE(pal, nullptr);
  EXPECT_EQ(b->Palette(), pal);
  PALETTEENTRY e[16];
  ASSERT_EQ(GetPaletteEntries(pal, 0, 16, e), 16u);
  EXPECT_EQ(e[9], (PALETTEENTRY{255, 0, 0, 0}));
  // A new palette recolours the indexes.
  std::vector<uint8_t> mem(sizeof(LOGPALETTE) + 16 * sizeof(PALETTEENTRY));
  auto* lp = reinterpret_cast<LOGPALETTE*>(mem.data());
  lp->palNumEntries = 2;
  lp->palPalEntry[0] = PALETTEENTRY{10, 20, 30, 0};
  lp->palPalEntry[1] = PALETTEENTRY{40, 50, 60, 0};
  HPALETTE mine = CreatePalette(lp);
  b->SetPalette(mine);
  EXPECT_EQ(b->Palette(), mine);
  EXPECT_EQ(PixelOf(*b, 0, 0), RGB(10, 20, 30));
  Make24(1, 1)->SetPixelFormat(TPixelFormat::pf8bit);  // no leak of its own palette
}

TEST(GfxBitmap, LoadFromResourceNameReadsFilesAndPackedDibs) {
  // A 1 x 1 BMP file and the same as a packed DIB.
  static const unsigned char file[] = {'B', 'M', 58, 0, 0, 0, 0, 0, 0,  0, 54, 0, 0, 0, 40,  0, 0, 0, 1, 0,
                                       0,   0,   1,  0, 0, 0, 1, 0, 24, 0, 0,  0, 0, 0, 4,   0, 0, 0, 0, 0,
                                       0,   0,   0,  0, 0, 0, 0, 0, 0,  0, 0,  0, 0, 0, 255, 0, 0, 0};
  static const EmbeddedResource table[] = {{"gfxtest/blue.bmp", file, sizeof file},
                                           {"gfxtest/blue.dib", file + 14, sizeof file - 14},
                                           {nullptr, nullptr, 0}};
  static const bool registered = RegisterEmbeddedResources(table);
  ASSERT_TRUE(registered);
  for (const char* name : {"gfxtest/blue.bmp", "GFXTEST/BLUE", "gfxtest/blue.dib"}) {
    SCOPED_TRACE(name);
    TBitmap b;
    b.LoadFromResourceName(nullptr, name);
    EXPECT_EQ(PixelOf(b, 0, 0), kBlue);
  }
  TBitmap b;
  EXPECT_THROW(b.LoadFromResourceName(nullptr, "gfxtest/none"), EResNotFound);
}

// ---- TPicture and TIcon ----------------------------------------------------------

class TFakeGraphic : public TGraphic {
 public:
  const char* ClassName() const override { return "TFakeGraphic"; }
  TGraphic* CreateNew() const override { return new TFakeGraphic(); }
  bool Empty() const override { return Text.empty(); }
  int32_t Width() const override { return int32_t(Text.size()); }
  void SetWidth(int32_t) override {}
  int32_t Height() const override { return 1; }
  void SetHeight(int32_t) override {}
  void LoadFromStream(TStream* Stream) override {
    Text.resize(size_t(Stream->Size()));
    Stream->ReadBuffer(Text.data(), int64_t(Text.size()));
    Progress(this, TProgressStage::psEnding, 100, false, TRect{}, "done");
  }
  void SaveToStream(TStream* Stream) override { Stream->WriteBuffer(Text.data(), int64_t(Text.size())); }
  void Assign(TPersistent* Source) override {
    if (auto* f = dynamic_cast<TFakeGraphic*>(Source))
      Text = f->Text;
    else
      TGraphic::Assign(Source);
  }
  String Text;

 protected:
  void Draw(TCanvas*, const TRect&) override {}
};

TEST(GfxPicture, LoadFromFileGoesByTheRegisteredExtension) {
  auto b = Make24(2, 1);
  SetPixelOf(*b, 1, 0, kRed);
  const std::string bmp = TempPath("pic.BMP");
  b->SaveToFile(bmp);
  TPicture pic;
  int changes = 0;
  pic.OnChange = [&](TObject*) { ++changes; };
  pic.LoadFromFile(bmp);
  ASSERT_NE(dynamic_cast<TBitmap*>(pic.Graphic()), nullptr);
  EXPECT_EQ(PixelOf(*pic.Bitmap(), 1, 0), kRed);
  EXPECT_EQ(pic.Width(), 2);
  EXPECT_EQ(changes, 1);

  const std::string fake = TempPath("note.fake");
  {
    TFileStream f(fake, fmCreate);
    f.WriteBuffer("hello", 5);
  }
  try {
    pic.LoadFromFile(fake);
    ADD_FAILURE() << "loaded";
  } catch (const EInvalidGraphic& e) {
    EXPECT_STREQ(e.Message().c_str(), "Unknown picture file extension (.fake)");
  }
  EXPECT_NE(dynamic_cast<TBitmap*>(pic.Graphic()), nullptr);  // kept

  TPicture::RegisterFileFormat("fake", "Fake files", &NewGraphic<TFakeGraphic>);
  int progress = 0;
  pic.OnProgress = [&](TObject*, TProgressStage s, uint8_t, bool, const TRect&, const String&) {
    progress += s == TProgressStage::psEnding;
  };
  pic.LoadFromFile(fake);
  auto* g = dynamic_cast<TFakeGraphic*>(pic.Graphic());
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->Text, "hello");
  EXPECT_EQ(progress, 1);
  // Copies, then the class goes away again.
  TPicture other;
  other.Assign(&pic);
  ASSERT_NE(dynamic_cast<TFakeGraphic*>(other.Graphic()), nullptr);
  EXPECT_NE(other.Graphic(), pic.Graphic());
  TPicture::UnregisterGraphicClass(&NewGraphic<TFakeGraphic>);
  EXPECT_THROW(pic.LoadFromFile(fake), EInvalidGraphic);
  EXPECT_THROW(pic.LoadFromFile(TempPath("noextension")), EInvalidGraphic);

  // Asking for the bitmap replaces another kind of graphic by an empty one.
  EXPECT_TRUE(other.Bitmap()->Empty());
  other.Bitmap()->Assign(b.get());
  TBitmap copy;
  copy.Assign(&other);
  EXPECT_EQ(PixelOf(copy, 1, 0), kRed);
}

TEST(GfxPicture, StandardIconsLoadSaveAndDraw) {
  std::set<HICON> seen;
  for (uint32_t id : {IDI_APPLICATION, IDI_HAND, IDI_QUESTION, IDI_EXCLAMATION, IDI_ASTERISK}) {
    SCOPED_TRACE(id);
    HICON h = LoadIcon(nullptr, id);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(LoadIcon(nullptr, id), h);  // shared
    seen.insert(h);
    TIcon icon;
    icon.SetHandle(static_cast<HICON>(CopyImage(h, IMAGE_ICON, 0, 0, 0)));
    EXPECT_EQ(icon.Width(), 32);
    EXPECT_EQ(icon.Height(), 32);
    EXPECT_TRUE(icon.Transparent());
    EXPECT_THROW(icon.SetWidth(16), EInvalidGraphicOperation);

    // Drawn on white: the corner stays white, the middle is coloured.
    auto b = Make24(32, 32);
    b->Canvas()->FillRect(Rect(0, 0, 32, 32));
    b->Canvas()->Draw(0, 0, &icon);
    EXPECT_EQ(PixelOf(*b, 0, 0), kWhite);
    const std::vector<COLORREF> drawn = [&] {
      std::vector<COLORREF> v;
      for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) v.push_back(PixelOf(*b, x, y));
      return v;
    }();
    EXPECT_GT(std::count_if(drawn.begin(), drawn.end(), [](COLORREF c) { return c != kWhite; }), 300);

    // Through an .ico file and a picture the icon draws the same.
    const std::string path = TempPath("icon" + std::to_string(id) + ".ico");
    icon.SaveToFile(path);
    TPicture pic;
    pic.LoadFromFile(path);
    ASSERT_NE(dynamic_cast<TIcon*>(pic.Graphic()), nullptr);
    EXPECT_EQ(pic.Width(), 32);
    b->Canvas()->FillRect(Rect(0, 0, 32, 32));
    b->Canvas()->Draw(0, 0, pic.Graphic());
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) ASSERT_EQ(PixelOf(*b, x, y), drawn[size_t(y * 32 + x)]) << x << "," << y;
  }
  EXPECT_EQ(seen.size(), 5u);
  EXPECT_EQ(LoadIcon(nullptr, 1), nullptr);
}

TEST(GfxPicture, IconFilesPickTheBestBmpImageAndKeepTheMask) {
  // Two images: 16 x 16 and 32 x 32 (1 bit, with a mask). The 32 x 32 one is
  // taken; its top-left pixel is transparent.
  auto image = [](int size, uint8_t fill) {
    std::vector<uint8_t> img(40, 0);
    auto set32 = [&](size_t at, uint32_t v) {
      for (int i = 0; i < 4; ++i) img[at + i] = uint8_t(v >> (8 * i));
    };
    set32(0, 40);
    set32(4, uint32_t(size));
    set32(8, uint32_t(2 * size));
    img[12] = 1;
    img[14] = 1;
    img.insert(img.end(), {0, 0, 0, 0, 0, 0, 255, 0});  // black, red
    const size_t stride = size_t(GdiDibStride(size, 1));
    for (int y = 0; y < size; ++y) img.insert(img.end(), stride, fill);  // XOR rows
    for (int y = 0; y < size; ++y) {
      std::vector<uint8_t> row(stride, 0);
      if (y == size - 1) row[0] = 0x80;  // top row (stored last), first pixel
      img.insert(img.end(), row.begin(), row.end());
    }
    return img;
  };
  const std::vector<uint8_t> small = image(16, 0x00), big = image(32, 0xFF);
  std::vector<uint8_t> file = {0, 0, 1, 0, 2, 0};
  auto entry = [&](int size, size_t bytes, size_t offset) {
    file.insert(file.end(), {uint8_t(size), uint8_t(size), 2, 0, 1, 0, 1, 0});
    for (size_t v : {bytes, offset})
      for (int i = 0; i < 4; ++i) file.push_back(uint8_t(v >> (8 * i)));
  };
  entry(16, small.size(), 38);
  entry(32, big.size(), 38 + small.size());
  file.insert(file.end(), small.begin(), small.end());
  file.insert(file.end(), big.begin(), big.end());
  file.push_back(0x99);  // something after the file

  TCustomMemoryStream s;
  s.SetPointer(file.data(), int64_t(file.size()));
  TIcon icon;
  icon.LoadFromStream(&s);
  EXPECT_EQ(s.Position(), int64_t(file.size()) - 1);
  ASSERT_EQ(icon.Width(), 32);
  auto b = Make24(32, 32);
  b->Canvas()->Brush()->SetColor(clLime);
  b->Canvas()->FillRect(Rect(0, 0, 32, 32));
  b->Canvas()->Draw(0, 0, &icon);
  EXPECT_EQ(PixelOf(*b, 1, 0), kRed);
  EXPECT_EQ(PixelOf(*b, 5, 31), kRed);
  // The masked pixel shows the background XORed with the image colour.
  EXPECT_EQ(PixelOf(*b, 0, 0), kGreen ^ kRed);

  const std::vector<uint8_t> junk = {0, 0, 1, 0, 1, 0, 32, 32, 0, 0, 1, 0, 32, 0, 200, 0, 0, 0, 22, 0, 0, 0};
  TCustomMemoryStream j;
  j.SetPointer(junk.data(), int64_t(junk.size()));
  EXPECT_THROW(icon.LoadFromStream(&j), EInvalidGraphic);
  EXPECT_EQ(icon.Width(), 32);
}

}  // namespace
