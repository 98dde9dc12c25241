#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/pixels/iedib.h"
#include "imaging/model/pixels/pixels_testing.h"
#include "platform/gui/graphics.h"

namespace {

TRGB Pixel(TIEBitmap& B, int32_t X, int32_t Y) {
  TRGB c;
  B.GetPixelAsRGB(X, Y, c);
  return c;
}

// A platform bitmap of the format and size given, its rows filled with a
// pattern.
std::unique_ptr<TBitmap> Platform(TPixelFormat Format, int32_t W, int32_t H) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(Format);
  b->SetSize(W, H);
  const int32_t rowLen = IETBitmapRowLen(W, Format);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t i = 0; i < rowLen; ++i) b->ScanLine(y)[i] = uint8_t(i * 29 + y * 7);
  return b;
}

}  // namespace

using ModelTBitmapStorage = PixelsTempDirTest;

TEST_F(ModelTBitmapStorage, EncapsulateCopiesNothingAndLeavesTheBitmapAlive) {
  auto platform = Platform(TPixelFormat::pf24bit, 640, 480);
  {
    TIEBitmap b;
    b.EncapsulateTBitmap(platform.get(), true);
    EXPECT_EQ(b.Location(), TIELocation::ieTBitmap);
    EXPECT_TRUE(b.TBitmapExternal());
    EXPECT_EQ(b.Width(), 640);
    EXPECT_EQ(b.Height(), 480);
    EXPECT_EQ(b.PixelFormat(), TIEPixelFormat::ie24RGB);
    EXPECT_EQ(b.RowLen(), 1920);
    // The rows are the platform bitmap's own.
    for (int32_t y : {0, 1, 479}) EXPECT_EQ(b.ScanLine(y), platform->ScanLine(y));
    EXPECT_EQ(b.GetTBitmap(), platform.get());
    b.PixelRGB(3, 2)->r = 0xAB;
    EXPECT_EQ(platform->ScanLine(2)[3 * 3 + 2], 0xAB);
  }
  // Freed with the TIEBitmap? No: still usable.
  EXPECT_EQ(platform->Width(), 640);
  EXPECT_EQ(platform->ScanLine(2)[3 * 3 + 2], 0xAB);
}

TEST_F(ModelTBitmapStorage, ResizeBehindItsBackIsReadAgain) {
  auto platform = Platform(TPixelFormat::pf24bit, 640, 480);
  TIEBitmap b;
  b.EncapsulateTBitmap(platform.get(), true);
  b.AlphaChannel()->SetPixel8(0, 0, 7);
  ASSERT_EQ(b.AlphaChannel()->Width(), 640);

  platform->SetSize(320, 200);  // the rows move
  EXPECT_EQ(b.Width(), 320);
  EXPECT_EQ(b.Height(), 200);
  EXPECT_EQ(b.RowLen(), 960);
  for (int32_t y : {0, 199}) EXPECT_EQ(b.ScanLine(y), platform->ScanLine(y));
  ASSERT_TRUE(b.HasAlphaChannel());
  EXPECT_EQ(b.AlphaChannel()->Width(), 320);
  EXPECT_EQ(b.AlphaChannel()->Height(), 200);
  EXPECT_EQ(b.AlphaChannel()->GetPixel8(0, 0), 0);  // a new channel: zero

  // Another format is brought to pf24bit first, keeping the picture.
  platform->Canvas()->SetPixels(5, 6, RGB(10, 20, 30));
  platform->SetPixelFormat(TPixelFormat::pf32bit);
  EXPECT_EQ(b.PixelFormat(), TIEPixelFormat::ie24RGB);
  EXPECT_EQ(platform->PixelFormat(), TPixelFormat::pf24bit);
  EXPECT_EQ(Pixel(b, 5, 6), MakeTRGB(10, 20, 30));
  EXPECT_EQ(b.ScanLine(199), platform->ScanLine(199));

  // Copies and moves read the platform bitmap again too.
  platform->SetSize(100, 50);
  TIEBitmap copy;
  copy.Assign(&b);
  EXPECT_EQ(copy.Width(), 100);
  EXPECT_EQ(copy.Height(), 50);
  EXPECT_EQ(Pixel(copy, 5, 6), MakeTRGB(10, 20, 30));
  platform->SetSize(60, 40);
  b.SetLocation(TIELocation::ieMemory);
  EXPECT_EQ(b.Width(), 60);
  EXPECT_EQ(Pixel(b, 5, 6), MakeTRGB(10, 20, 30));
  EXPECT_EQ(platform->Width(), 60);  // the caller's bitmap is left to the caller
}

TEST_F(ModelTBitmapStorage, EightBitsReadBackAsPaletteOrAlpha) {
  auto platform = Platform(TPixelFormat::pf8bit, 5, 3);
  TIEBitmap b;
  b.EncapsulateTBitmap(platform.get(), true);
  EXPECT_EQ(b.PixelFormat(), TIEPixelFormat::ie8p);
  EXPECT_EQ(b.PaletteLength(), 256);
  TRGB c;
  b.GetPaletteColor(9, c);  // the platform bitmap's own colours
  EXPECT_EQ(c, MakeTRGB(255, 0, 0));

  std::unique_ptr<TIEBitmap> alpha = TIEBitmap::CreateAsAlphaChannel(5, 3, TIELocation::ieMemory);
  alpha->EncapsulateTBitmap(platform.get(), true);
  EXPECT_EQ(alpha->PixelFormat(), TIEPixelFormat::ie8g);
  EXPECT_EQ(alpha->PaletteLength(), 0);

  // An ie8g image moved into a platform bitmap gets a gray ramp there.
  TIEBitmap g;
  g.Allocate(4, 2, TIEPixelFormat::ie8g);
  g.SetPixel8(1, 1, 200);
  g.SetLocation(TIELocation::ieTBitmap);
  EXPECT_EQ(g.PixelFormat(), TIEPixelFormat::ie8p);
  EXPECT_EQ(g.GetPixel8(1, 1), 200);
  EXPECT_EQ(Pixel(g, 1, 1), MakeTRGB(200, 200, 200));
  EXPECT_EQ(g.GetTBitmap()->Canvas()->Pixels(1, 1), RGB(200, 200, 200));
}

TEST_F(ModelTBitmapStorage, CopyFromTBitmapValues) {
  TIEBitmap b;
  // pf16bit: 0xFFFF and 0xF800.
  auto p16 = Platform(TPixelFormat::pf16bit, 2, 1);
  p16->ScanLine(0)[0] = 0xFF;
  p16->ScanLine(0)[1] = 0xFF;
  p16->ScanLine(0)[2] = 0x00;
  p16->ScanLine(0)[3] = 0xF8;
  b.Assign(p16.get());
  ASSERT_EQ(b.PixelFormat(), TIEPixelFormat::ie24RGB);
  EXPECT_EQ(Pixel(b, 0, 0), MakeTRGB(248, 252, 248));
  EXPECT_EQ(Pixel(b, 1, 0), MakeTRGB(248, 0, 0));
  EXPECT_FALSE(b.Full());
  // pf15bit: 0x7FFF.
  auto p15 = Platform(TPixelFormat::pf15bit, 1, 1);
  p15->ScanLine(0)[0] = 0xFF;
  p15->ScanLine(0)[1] = 0x7F;
  b.CopyFromTBitmap(p15.get());
  EXPECT_EQ(Pixel(b, 0, 0), MakeTRGB(248, 248, 248));
  // pf4bit: bytes 0x12, 0x34 are indexes 1, 2, 3, 4, with 16 colours.
  auto p4 = Platform(TPixelFormat::pf4bit, 4, 1);
  p4->ScanLine(0)[0] = 0x12;
  p4->ScanLine(0)[1] = 0x34;
  b.CopyFromTBitmap(p4.get());
  ASSERT_EQ(b.PixelFormat(), TIEPixelFormat::ie8p);
  for (int32_t x = 0; x < 4; ++x) EXPECT_EQ(b.GetPixel8(x, 0), x + 1);
  TRGB c;
  b.GetPaletteColor(4, c);
  EXPECT_EQ(c, MakeTRGB(0, 0, 128));  // the default 16-colour table's navy
  // pf32bit: the first three bytes of each pixel.
  auto p32 = Platform(TPixelFormat::pf32bit, 3, 2);
  b.CopyFromTBitmap(p32.get());
  EXPECT_EQ(Pixel(b, 2, 1), (TRGB{p32->ScanLine(1)[8], p32->ScanLine(1)[9], p32->ScanLine(1)[10]}));
  // pf1bit in black and white stays 1 bit; coloured becomes ie8p.
  auto p1 = Platform(TPixelFormat::pf1bit, 11, 2);
  b.CopyFromTBitmap(p1.get());
  ASSERT_EQ(b.PixelFormat(), TIEPixelFormat::ie1g);
  EXPECT_EQ(std::memcmp(b.ScanLine(1), p1->ScanLine(1), 2), 0);
  std::vector<uint8_t> mem(sizeof(LOGPALETTE) + 2 * sizeof(PALETTEENTRY));
  auto* lp = reinterpret_cast<LOGPALETTE*>(mem.data());
  lp->palNumEntries = 2;
  lp->palPalEntry[0] = PALETTEENTRY{255, 0, 0, 0};
  lp->palPalEntry[1] = PALETTEENTRY{0, 0, 255, 0};
  p1->SetPalette(CreatePalette(lp));
  b.CopyFromTBitmap(p1.get());
  ASSERT_EQ(b.PixelFormat(), TIEPixelFormat::ie8p);
  for (int32_t x = 0; x < 11; ++x)
    EXPECT_EQ(Pixel(b, x, 0),
              (p1->ScanLine(0)[x >> 3] & (0x80 >> (x & 7))) ? MakeTRGB(0, 0, 255) : MakeTRGB(255, 0, 0));
  // pfDevice changes nothing.
  TBitmap device;
  device.SetSize(3, 3);
  b.CopyFromTBitmap(&device);
  EXPECT_EQ(b.Width(), 11);
}

TEST_F(ModelTBitmapStorage, CanvasOnAFileImageDrawsIntoTheRows) {
  TIEBitmap b;
  PreferFile(b);
  b.Allocate(60, 30, TIEPixelFormat::ie24RGB);
  ASSERT_EQ(b.Location(), TIELocation::ieFile);
  b.Fill(clWhite);
  TCanvas* canvas = b.Canvas();
  EXPECT_EQ(b.Location(), TIELocation::ieTBitmap);
  EXPECT_EQ(Pixel(b, 59, 29), MakeTRGB(255, 255, 255));  // the pixels came along
  canvas->Font()->SetName("Liberation Sans");
  canvas->Font()->SetHeight(-20);
  canvas->Font()->SetColor(clBlack);
  canvas->Brush()->SetStyle(TBrushStyle::bsClear);
  canvas->TextOut(4, 2, "Hi");
  int32_t dark = 0;
  for (int32_t y = 0; y < b.Height(); ++y) {
    const auto* row = static_cast<const TRGB*>(b.ScanLine(y));
    for (int32_t x = 0; x < b.Width(); ++x) dark += row[x].r < 128;
  }
  EXPECT_GT(dark, 20);  // the glyphs are in the rows
  EXPECT_LT(dark, 60 * 30 / 2);
}

TEST_F(ModelTBitmapStorage, RefusedFormatsLeaveTheImageIntact) {
  const std::pair<TIEPixelFormat, const char*> cases[] = {
      {TIEPixelFormat::ie32f, "ie32f pixel format not allowed when Location=ieTBitmap"},
      {TIEPixelFormat::ieCMYK, "ieCMYK pixel format not allowed when Location=ieTBitmap"},
      {TIEPixelFormat::ieRGB48, "ieRGB48 pixel format not allowed when Location=ieTBitmap"}};
  for (const auto& [format, message] : cases) {
    SCOPED_TRACE(message);
    TIEBitmap b;
    b.Allocate(3, 2, format);
    std::memset(b.ScanLine(1), 0x3C, 4);
    try {
      b.SetLocation(TIELocation::ieTBitmap);
      ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), message);
    }
    EXPECT_EQ(b.Location(), TIELocation::ieMemory);
    EXPECT_EQ(b.PixelFormat(), format);
    EXPECT_EQ(b.Width(), 3);
    EXPECT_EQ(static_cast<uint8_t*>(b.ScanLine(1))[3], 0x3C);

    // Assigning one into a platform bitmap raises the same and keeps it.
    TIEBitmap held;
    held.Allocate(4, 4, TIEPixelFormat::ie24RGB);
    held.SetLocation(TIELocation::ieTBitmap);
    try {
      held.Assign(&b);
      ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), message);
    }
    EXPECT_EQ(held.PixelFormat(), TIEPixelFormat::ie24RGB);
    EXPECT_EQ(held.Width(), 4);
    EXPECT_EQ(held.RowLen(), 12);
  }
}

TEST_F(ModelTBitmapStorage, AssignShapesAndSixteenBitsKeepHighBytes) {
  TIEBitmap held;
  held.SetLocation(TIELocation::ieTBitmap);
  TIEBitmap g16;
  g16.Allocate(3, 2, TIEPixelFormat::ie16g);
  g16.SetPixel16(2, 1, 0xAB12);
  held.Assign(&g16);
  EXPECT_EQ(held.GetTBitmap()->PixelFormat(), TPixelFormat::pf8bit);
  EXPECT_EQ(held.Width(), 3);
  EXPECT_EQ(held.GetPixel8(2, 1), 0xAB);
  EXPECT_EQ(held.GetPixel8(0, 0), 0);

  // ie8p keeps its palette in the platform bitmap; ie1g and 24 bits reshape it.
  TIEBitmap p;
  p.Allocate(2, 2, TIEPixelFormat::ie8p);
  p.SetPaletteColor(5, MakeTRGB(1, 2, 3));
  p.SetPixel8(1, 0, 5);
  held.Assign(&p);
  EXPECT_EQ(held.PixelFormat(), TIEPixelFormat::ie8p);
  EXPECT_EQ(held.GetTBitmap()->Canvas()->Pixels(1, 0), RGB(1, 2, 3));
  held.SetPaletteColor(5, MakeTRGB(9, 8, 7));  // reaches the platform bitmap
  EXPECT_EQ(held.GetTBitmap()->Canvas()->Pixels(1, 0), RGB(9, 8, 7));

  TIEBitmap one;
  one.Allocate(9, 3, TIEPixelFormat::ie1g);
  static_cast<uint8_t*>(one.ScanLine(2))[1] = 0x80;
  held.Assign(&one);
  EXPECT_EQ(held.PixelFormat(), TIEPixelFormat::ie1g);
  EXPECT_EQ(held.GetTBitmap()->Canvas()->Pixels(8, 2), clWhite);
  EXPECT_EQ(held.GetTBitmap()->Canvas()->Pixels(7, 2), clBlack);

  // Back to memory: the pixels follow.
  held.SetLocation(TIELocation::ieMemory);
  EXPECT_EQ(held.Location(), TIELocation::ieMemory);
  EXPECT_EQ(std::memcmp(held.ScanLine(2), one.ScanLine(2), 2), 0);
}

TEST_F(ModelTBitmapStorage, WidthAndHeightKeepTheTopLeft) {
  TIEBitmap b;
  b.Allocate(4, 3, TIEPixelFormat::ie24RGB);
  *b.PixelRGB(0, 0) = MakeTRGB(1, 2, 3);
  *b.PixelRGB(3, 2) = MakeTRGB(4, 5, 6);
  b.AlphaChannel()->SetPixel8(0, 0, 9);
  b.SetLocation(TIELocation::ieTBitmap);
  b.SetWidth(6);
  b.SetHeight(2);
  EXPECT_EQ(b.Width(), 6);
  EXPECT_EQ(b.Height(), 2);
  EXPECT_EQ(b.GetTBitmap()->Width(), 6);
  EXPECT_EQ(b.RowLen(), 20);
  EXPECT_EQ(Pixel(b, 0, 0), MakeTRGB(1, 2, 3));
  EXPECT_EQ(Pixel(b, 5, 1), TRGB{});
  EXPECT_EQ(b.AlphaChannel()->Width(), 6);
  EXPECT_EQ(b.AlphaChannel()->GetPixel8(0, 0), 9);
  for (int32_t y : {0, 1}) EXPECT_EQ(b.ScanLine(y), b.GetTBitmap()->ScanLine(y));
}
