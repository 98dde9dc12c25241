// TMetafile: the size rules of the three kinds of files, playing records onto
// a canvas (compared pixel for pixel with the same primitives drawn directly),
// hostile records, and a cross-check of Windows metafiles against
// ImageMagick's renderer.
#include "platform/gui/metafile.h"

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/gui/metafile_testing.h"
#include "platform/gui/text.h"
#include "platform/rtl/streams.h"

extern char** environ;

namespace {

// A 2 x 2 24-bit packed DIB (bottom-up): red, green / blue, white from the top.
std::vector<uint8_t> SmallDib() {
  std::vector<uint8_t> v;
  Put32(v, 40);
  Put32(v, 2);
  Put32(v, 2);
  Put16(v, 1);
  Put16(v, 24);
  for (int i = 0; i < 6; ++i) Put32(v, 0);
  // Bottom row first: blue, white; then red, green. Rows padded to 8 bytes.
  for (uint8_t b : {255, 0, 0, 255, 255, 255, 0, 0}) v.push_back(b);
  for (uint8_t b : {0, 0, 255, 0, 255, 0, 0, 0}) v.push_back(b);
  return v;
}
BITMAPINFO SmallDibInfo() {
  BITMAPINFO bi{};
  bi.bmiHeader.biWidth = 2;
  bi.bmiHeader.biHeight = 2;
  bi.bmiHeader.biBitCount = 24;
  return bi;
}

// ---- Canvases --------------------------------------------------------------------

std::unique_ptr<TBitmap> White(int32_t w, int32_t h) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(TPixelFormat::pf24bit);
  b->SetSize(w, h);
  b->Canvas()->Brush()->SetColor(clWhite);
  b->Canvas()->FillRect(TRect{0, 0, w, h});
  return b;
}

std::unique_ptr<TMetafile> Load(const std::vector<uint8_t>& bytes) {
  auto m = std::make_unique<TMetafile>();
  TMemoryStream s;
  s.WriteBuffer(bytes.data(), int64_t(bytes.size()));
  s.SetPosition(0);
  m->LoadFromStream(&s);
  return m;
}

std::unique_ptr<TBitmap> Render(const std::vector<uint8_t>& bytes, int32_t w, int32_t h, const TRect& dest) {
  auto m = Load(bytes);
  auto b = White(w, h);
  b->Canvas()->StretchDraw(dest, m.get());
  return b;
}

// Draws onto a canvas of the same size with logical (0, 0) at Origin and the
// same clip as the player.
std::unique_ptr<TBitmap> Direct(int32_t w, int32_t h, const TRect& dest, const std::function<void(HDC)>& draw) {
  auto b = White(w, h);
  HDC dc = b->Canvas()->Handle();
  const int32_t saved = SaveDC(dc);
  IntersectClipRect(dc, dest.Left, dest.Top, dest.Right, dest.Bottom);
  SetViewportOrgEx(dc, dest.Left, dest.Top, nullptr);
  SetBkColor(dc, 0xFFFFFF);
  SetTextColor(dc, 0);
  SetBkMode(dc, OPAQUE);
  HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(WHITE_BRUSH));
  draw(dc);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  RestoreDC(dc, saved);
  return b;
}

int32_t Differences(TBitmap& a, TBitmap& b) {
  int32_t n = 0;
  for (int32_t y = 0; y < a.Height(); ++y)
    for (int32_t x = 0; x < a.Width(); ++x)
      if (a.Canvas()->Pixels(x, y) != b.Canvas()->Pixels(x, y)) ++n;
  return n;
}

int32_t CountColor(TBitmap& a, TColor c) {
  int32_t n = 0;
  for (int32_t y = 0; y < a.Height(); ++y)
    for (int32_t x = 0; x < a.Width(); ++x)
      if (a.Canvas()->Pixels(x, y) == c) ++n;
  return n;
}

// Objects made the way the records describe them, selected for one call.
template <class F>
void WithObjects(HDC dc, HGDIOBJ pen, HGDIOBJ brush, F draw) {
  HGDIOBJ op = pen ? SelectObject(dc, pen) : nullptr;
  HGDIOBJ ob = brush ? SelectObject(dc, brush) : nullptr;
  draw();
  if (op) SelectObject(dc, op);
  if (ob) SelectObject(dc, ob);
  if (pen) DeleteObject(pen);
  if (brush) DeleteObject(brush);
}

LOGFONT TestFont(int32_t height) {
  LOGFONT lf;
  lf.lfHeight = height;
  lf.lfWeight = FW_NORMAL;
  lf.lfFaceName = "DejaVu Sans";
  return lf;
}

// ---- Size rules ----------------------------------------------------------------------

TEST(MetafileSize, PlaceablePlainAndEnhanced) {
  struct Case {
    const char* Name;
    std::vector<uint8_t> Bytes;
    bool Enhanced;
    int32_t W, H;
  };
  TWmfWriter withExt;
  withExt.Rec(0x020B, {5, 7});      // window origin (y, x)
  withExt.Rec(0x020C, {100, 200});  // window extent (y, x)
  withExt.Rec(0x020C, {10, 20});    // only the first counts
  TWmfWriter none;
  none.Rec(0x041B, {10, 10, 0, 0});
  TWmfWriter flipped;
  flipped.Rec(0x020C, {-60, 80});
  const Case cases[] = {
      {"placeable twips", TWmfWriter{}.Build(true, 0, 0, 1440, 720, 1440), false, 96, 48},
      {"placeable rounds", TWmfWriter{}.Build(true, -10, 0, 490, 5, 1000), false, 48, 0},
      {"placeable offset box", TWmfWriter{}.Build(true, 100, 200, 196, 296, 96), false, 96, 96},
      {"plain window extent", withExt.Build(false, 0, 0, 0, 0, 0), false, 200, 100},
      {"plain negative extent", flipped.Build(false, 0, 0, 0, 0, 0), false, 80, 60},
      {"plain without extent", none.Build(false, 0, 0, 0, 0, 0), false, 0, 0},
      {"enhanced frame", TEmfWriter{}.Build(2540, 5080), true, 96, 192},
      {"enhanced rounds", TEmfWriter{}.Build(1000, 100), true, 38, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    auto m = Load(c.Bytes);
    EXPECT_FALSE(m->Empty());
    EXPECT_EQ(m->Enhanced(), c.Enhanced);
    EXPECT_EQ(m->Width(), c.W);
    EXPECT_EQ(m->Height(), c.H);
    // Saving gives back the same bytes.
    TMemoryStream out;
    m->SaveToStream(&out);
    std::vector<uint8_t> saved(size_t(out.Size()));
    out.SetPosition(0);
    out.ReadBuffer(saved.data(), out.Size());
    EXPECT_EQ(saved, c.Bytes);
    // From a file the same.
    const auto path =
        std::filesystem::temp_directory_path() / ("mfsize" + std::to_string(getpid()) + (c.Enhanced ? ".emf" : ".wmf"));
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(c.Bytes.data()), std::streamsize(c.Bytes.size()));
    TMetafile f;
    f.LoadFromFile(path.string());
    std::filesystem::remove(path);
    EXPECT_EQ(f.Enhanced(), c.Enhanced);
    EXPECT_EQ(f.Width(), c.W);
    EXPECT_EQ(f.Height(), c.H);
  }
}

TEST(MetafileSize, NotAMetafileIsRefusedAndLeavesTheOldOne) {
  std::vector<uint8_t> zeroInch = TWmfWriter{}.Build(true, 0, 0, 10, 10, 0);
  std::vector<uint8_t> badVersion = TWmfWriter{}.Build(false, 0, 0, 0, 0, 0);
  badVersion[4] = 0x77;
  std::vector<uint8_t> badEmfHeader = TEmfWriter{}.Build(100, 100);
  badEmfHeader[4] = 200;  // header size past the data
  badEmfHeader[5] = 200;
  const std::vector<std::vector<uint8_t>> cases = {{},       {1, 2, 3},  std::vector<uint8_t>(64, 0xFF),
                                                   zeroInch, badVersion, badEmfHeader};
  auto m = Load(TEmfWriter{}.Build(2540, 2540));
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    TMemoryStream s;
    if (!cases[i].empty()) s.WriteBuffer(cases[i].data(), int64_t(cases[i].size()));
    s.SetPosition(0);
    EXPECT_THROW(m->LoadFromStream(&s), EInvalidGraphic);
    EXPECT_TRUE(m->Enhanced());
    EXPECT_EQ(m->Width(), 96);
  }
}

// ---- Playing equals drawing ---------------------------------------------------------

constexpr int32_t kW = 64, kH = 64;
const TRect kDest{4, 4, 52, 52};  // a 48 x 48 picture, one pixel per unit

struct TPlayCase {
  const char* Name;
  std::function<void(TWmfWriter&)> Wmf;  // or
  std::function<void(TEmfWriter&)> Emf;
  std::function<void(HDC)> Draw;
};

void ExpectSame(const TPlayCase& c) {
  SCOPED_TRACE(c.Name);
  std::vector<uint8_t> bytes;
  if (c.Wmf) {
    TWmfWriter w;
    c.Wmf(w);
    bytes = w.Build(true, 0, 0, 48, 48, 96);
  } else {
    TEmfWriter e;
    c.Emf(e);
    bytes = e.Build(1270, 1270);
  }
  auto played = Render(bytes, kW, kH, kDest);
  auto drawn = Direct(kW, kH, kDest, c.Draw);
  // Something was drawn, and exactly what the direct calls draw.
  EXPECT_LT(CountColor(*drawn, clWhite), kW * kH);
  EXPECT_EQ(Differences(*played, *drawn), 0);
}

TEST(MetafilePlay, WindowsRecordsDrawLikeTheCanvas) {
  const TPlayCase cases[] = {
      {"pen lines",
       [](TWmfWriter& w) {
         w.Rec(0x02FA, {PS_SOLID, 1, 0, 0x00FF, 0});  // red pen -> slot 0
         w.Rec(0x012D, {0});
         w.Rec(0x0214, {3, 2});                      // MoveTo (y, x)
         w.Rec(0x0213, {30, 40});                    // LineTo
         w.Rec(0x0325, {3, 5, 40, 20, 44, 40, 10});  // Polyline
       },
       nullptr,
       [](HDC dc) {
         WithObjects(dc, CreatePen(PS_SOLID, 1, 0x0000FF), nullptr, [&] {
           MoveToEx(dc, 2, 3, nullptr);
           LineTo(dc, 40, 30);
           const TPoint pts[] = {{5, 40}, {20, 44}, {40, 10}};
           Polyline(dc, pts, 3);
         });
       }},
      {"shapes with brushes",
       [](TWmfWriter& w) {
         w.Rec(0x02FC, {BS_SOLID, 0x0000, 0x00FF, 0});      // blue brush -> 0
         w.Rec(0x02FC, {BS_HATCHED, 0x8000, 0, HS_CROSS});  // hatch -> 1
         w.Rec(0x012D, {0});
         w.Rec(0x041B, {20, 22, 2, 2});    // Rectangle (b, r, t, l)
         w.Rec(0x0418, {46, 46, 24, 24});  // Ellipse
         w.Rec(0x012D, {1});
         w.Rec(0x061C, {6, 8, 20, 46, 4, 26});  // RoundRect (h, w, b, r, t, l)
         w.Rec(0x0106, {WINDING});
         w.Rec(0x0324, {3, 2, 24, 20, 46, 2, 46});  // Polygon
       },
       nullptr,
       [](HDC dc) {
         WithObjects(dc, nullptr, CreateSolidBrush(0xFF0000), [&] {
           Rectangle(dc, 2, 2, 22, 20);
           Ellipse(dc, 24, 24, 46, 46);
         });
         WithObjects(dc, nullptr, CreateHatchBrush(HS_CROSS, 0x8000), [&] {
           RoundRect(dc, 26, 4, 46, 20, 8, 6);
           SetPolyFillMode(dc, WINDING);
           const TPoint pts[] = {{2, 24}, {20, 46}, {2, 46}};
           Polygon(dc, pts, 3);
         });
       }},
      {"arcs pies chords",
       [](TWmfWriter& w) {
         w.Rec(0x02FC, {BS_SOLID, 0xFF00, 0, 0});
         w.Rec(0x012D, {0});
         w.Rec(0x0817, {0, 20, 20, 0, 20, 20, 2, 2});     // Arc (yEnd xEnd yStart xStart b r t l)
         w.Rec(0x081A, {46, 24, 24, 46, 22, 46, 2, 24});  // Pie
         w.Rec(0x0830, {24, 2, 24, 24, 46, 24, 26, 2});   // Chord
       },
       nullptr,
       [](HDC dc) {
         WithObjects(dc, nullptr, CreateSolidBrush(0x00FF00), [&] {
           Arc(dc, 2, 2, 20, 20, 0, 20, 20, 0);
           Pie(dc, 24, 2, 46, 22, 46, 24, 24, 46);
           Chord(dc, 2, 26, 24, 46, 24, 24, 2, 24);
         });
       }},
      {"polypolygon",
       [](TWmfWriter& w) {
         w.Rec(0x02FC, {BS_SOLID, 0x00FF, 0, 0});
         w.Rec(0x012D, {0});
         w.Rec(0x0538, {2, 4, 3, 2, 2, 30, 2, 30, 30, 2, 30, 10, 10, 40, 40, 10, 40});
       },
       nullptr,
       [](HDC dc) {
         WithObjects(dc, nullptr, CreateSolidBrush(0x0000FF), [&] {
           const TPoint pts[] = {{2, 2}, {30, 2}, {30, 30}, {2, 30}, {10, 10}, {40, 40}, {10, 40}};
           const int32_t counts[] = {4, 3};
           PolyPolygon(dc, pts, counts, 2);
         });
       }},
      {"text out and ext text out",
       [](TWmfWriter& w) {
         // Font -16 "DejaVu Sans" -> slot 0.
         std::vector<uint8_t> f;
         for (int16_t v : {-16, 0, 0, 0, 400}) Put16(f, uint16_t(v));
         for (int i = 0; i < 8; ++i) f.push_back(0);
         for (char ch : std::string("DejaVu Sans")) f.push_back(uint8_t(ch));
         f.push_back(0);
         w.RecBytes(0x02FB, f);
         w.Rec(0x012D, {0});
         w.Rec(0x0209, {0x00C0, 0});
         w.Rec(0x0102, {TRANSPARENT});
         std::vector<uint8_t> t;
         Put16(t, 2);
         t.push_back('H');
         t.push_back('i');
         Put16(t, 4);  // y
         Put16(t, 3);  // x
         w.RecBytes(0x0521, t);
         std::vector<uint8_t> e;
         Put16(e, 26);  // y
         Put16(e, 2);   // x
         Put16(e, 3);   // count
         Put16(e, 0);   // options
         for (char ch : std::string("Ab\xE9")) e.push_back(uint8_t(ch));
         e.push_back(0);
         for (int16_t d : {12, 12, 12}) Put16(e, uint16_t(d));
         w.RecBytes(0x0A32, e);
       },
       nullptr,
       [](HDC dc) {
         HGDIOBJ font = CreateFontIndirect(TestFont(-16));
         HGDIOBJ old = SelectObject(dc, font);
         SetTextColor(dc, 0x0000C0);
         SetBkMode(dc, TRANSPARENT);
         TextOutW(dc, 3, 4, u"Hi", 2);
         const int32_t dx[] = {12, 12, 12};
         ExtTextOutW(dc, 2, 26, 0, nullptr, u"Ab\u00E9", 3, dx);
         SelectObject(dc, old);
         DeleteObject(font);
       }},
      {"stretched DIB",
       [](TWmfWriter& w) {
         // StretchDIB: rop, usage, src h, w, y, x, dest h, w, y, x, DIB.
         std::vector<uint8_t> p;
         Put32(p, SRCCOPY);
         for (int16_t v : {0, 2, 2, 0, 0, 16, 16, 6, 4}) Put16(p, uint16_t(v));
         const auto dib = SmallDib();
         p.insert(p.end(), dib.begin(), dib.end());
         w.RecBytes(0x0F43, p);
         // DIBStretchBlt: rop, src h, w, y, x, dest h, w, y, x, DIB.
         std::vector<uint8_t> q;
         Put32(q, SRCCOPY);
         for (int16_t v : {1, 2, 1, 0, 10, 20, 30, 24}) Put16(q, uint16_t(v));
         q.insert(q.end(), dib.begin(), dib.end());
         w.RecBytes(0x0B41, q);
       },
       nullptr,
       [](HDC dc) {
         const BITMAPINFO bi = SmallDibInfo();
         const auto dib = SmallDib();
         StretchDIBits(dc, 4, 6, 16, 16, 0, 0, 2, 2, dib.data() + 40, &bi, DIB_RGB_COLORS, SRCCOPY);
         // The lower row of the image (source rows count from the top).
         StretchDIBits(dc, 24, 30, 20, 10, 0, 0, 2, 1, dib.data() + 40, &bi, DIB_RGB_COLORS, SRCCOPY);
       }},
      {"save and restore",
       [](TWmfWriter& w) {
         w.Rec(0x02FA, {PS_SOLID, 3, 0, 0xFF00, 0});  // green 3 -> 0
         w.Rec(0x02FA, {PS_SOLID, 1, 0, 0x00FF, 0});  // red 1 -> 1
         w.Rec(0x012D, {0});
         w.Rec(0x001E, {});
         w.Rec(0x012D, {1});
         w.Rec(0x020B, {-10, -10});  // window origin moves the drawing
         w.Rec(0x0127, {-1});
         w.Rec(0x01F0, {0});  // deleting the selected pen keeps it in use
         w.Rec(0x0214, {10, 4});
         w.Rec(0x0213, {10, 40});
       },
       nullptr,
       [](HDC dc) {
         WithObjects(dc, CreatePen(PS_SOLID, 3, 0x00FF00), nullptr, [&] {
           MoveToEx(dc, 4, 10, nullptr);
           LineTo(dc, 40, 10);
         });
       }},
      {"window scaling scales pens",
       [](TWmfWriter& w) {
         w.Rec(0x0103, {8});  // MM_ANISOTROPIC
         w.Rec(0x020B, {0, 0});
         w.Rec(0x020C, {24, 24});  // half the frame: two pixels per unit
         w.Rec(0x02FA, {PS_SOLID, 2, 0, 0x00FF, 0});
         w.Rec(0x012D, {0});
         w.Rec(0x041B, {11, 11, 1, 1});
       },
       nullptr,
       [](HDC dc) {
         WithObjects(dc, CreatePen(PS_SOLID, 4, 0x0000FF), nullptr, [&] { Rectangle(dc, 2, 2, 22, 22); });
       }},
  };
  for (const auto& c : cases) ExpectSame(c);
}

std::vector<uint8_t> Points16(std::initializer_list<int16_t> xy) {
  std::vector<uint8_t> v(16, 0);  // bounds
  Put32(v, uint32_t(xy.size() / 2));
  for (int16_t c : xy) Put16(v, uint16_t(c));
  return v;
}

TEST(MetafilePlay, EnhancedRecordsDrawLikeTheCanvas) {
  const TPlayCase cases[] = {
      {"pens, 16-bit polys and stock objects", nullptr,
       [](TEmfWriter& e) {
         e.Rec(38, {1, PS_SOLID, 2, 0, 0x0000FF});  // CreatePen #1
         e.Rec(37, {1});
         e.RecBytes(87, Points16({2, 2, 40, 8, 20, 30}));  // Polyline16
         e.Rec(37, {int32_t(0x80000000u | NULL_PEN)});
         e.Rec(37, {int32_t(0x80000000u | BLACK_BRUSH)});
         e.RecBytes(86, Points16({4, 34, 20, 46, 4, 46}));  // Polygon16
         e.Rec(37, {int32_t(0x80000000u | BLACK_PEN)});
         e.Rec(39, {2, BS_SOLID, 0xFF0000, 0});  // CreateBrushIndirect #2
         e.Rec(37, {2});
         e.Rec(43, {24, 24, 46, 46});  // Rectangle
         e.Rec(27, {30, 2});           // MoveToEx
         e.Rec(54, {46, 20});          // LineTo
       },
       [](HDC dc) {
         WithObjects(dc, CreatePen(PS_SOLID, 2, 0x0000FF), nullptr, [&] {
           const TPoint pts[] = {{2, 2}, {40, 8}, {20, 30}};
           Polyline(dc, pts, 3);
         });
         WithObjects(dc, GetStockObject(NULL_PEN), GetStockObject(BLACK_BRUSH), [&] {
           const TPoint pts[] = {{4, 34}, {20, 46}, {4, 46}};
           Polygon(dc, pts, 3);
         });
         WithObjects(dc, nullptr, CreateSolidBrush(0xFF0000), [&] {
           Rectangle(dc, 24, 24, 46, 46);
           MoveToEx(dc, 30, 2, nullptr);
           LineTo(dc, 46, 20);
         });
       }},
      {"straight Bézier and geometric pen", nullptr,
       [](TEmfWriter& e) {
         std::vector<uint8_t> p;
         Put32(p, 1);  // ihPen
         for (int i = 0; i < 4; ++i) Put32(p, 0);
         Put32(p, PS_GEOMETRIC | PS_SOLID);
         Put32(p, 3);
         Put32(p, BS_SOLID);
         Put32(p, 0x008000);
         Put32(p, 0);
         Put32(p, 0);
         e.RecBytes(95, p);  // ExtCreatePen
         e.Rec(37, {1});
         e.RecBytes(85, Points16({2, 10, 10, 10, 20, 10, 40, 10}));  // PolyBezier16
         e.Rec(27, {2, 30});
         e.RecBytes(88, Points16({10, 30, 20, 30, 40, 30}));  // PolyBezierTo16
       },
       [](HDC dc) {
         LOGBRUSH lb;
         lb.lbColor = 0x008000;
         WithObjects(dc, ExtCreatePen(PS_GEOMETRIC | PS_SOLID, 3, lb, 0, nullptr), nullptr, [&] {
           MoveToEx(dc, 2, 10, nullptr);
           LineTo(dc, 40, 10);
           MoveToEx(dc, 2, 30, nullptr);
           LineTo(dc, 40, 30);
         });
       }},
      {"ExtTextOutW with advances and an opaque box", nullptr,
       [](TEmfWriter& e) {
         std::vector<uint8_t> f;
         Put32(f, 3);  // ihFont
         for (int32_t v : {-14, 0, 0, 0, 700}) Put32(f, uint32_t(v));
         for (int i = 0; i < 8; ++i) f.push_back(0);
         const std::u16string face = u"DejaVu Sans";
         for (int i = 0; i < 32; ++i) Put16(f, i < int(face.size()) ? face[size_t(i)] : 0);
         e.RecBytes(82, f);
         e.Rec(37, {3});
         e.Rec(24, {0x800000});
         e.Rec(25, {0x00FFFF});
         std::vector<uint8_t> t(16, 0);  // bounds
         Put32(t, 1);                    // graphics mode
         Put32(t, 0);
         Put32(t, 0);
         Put32(t, 4);   // reference x
         Put32(t, 8);   // y
         Put32(t, 3);   // chars
         Put32(t, 76);  // offString
         Put32(t, ETO_OPAQUE);
         for (int32_t v : {2, 6, 44, 30}) Put32(t, uint32_t(v));
         Put32(t, 84);  // offDx
         for (char16_t ch : std::u16string(u"W\u00E9x")) Put16(t, ch);
         Put16(t, 0);
         for (int32_t d : {14, 11, 9}) Put32(t, uint32_t(d));
         e.RecBytes(84, t);
       },
       [](HDC dc) {
         LOGFONT lf = TestFont(-14);
         lf.lfWeight = 700;
         HGDIOBJ font = CreateFontIndirect(lf);
         HGDIOBJ old = SelectObject(dc, font);
         SetTextColor(dc, 0x800000);
         SetBkColor(dc, 0x00FFFF);
         const TRect r{2, 6, 44, 30};
         const int32_t dx[] = {14, 11, 9};
         ExtTextOutW(dc, 4, 8, ETO_OPAQUE, &r, u"W\u00E9x", 3, dx);
         SelectObject(dc, old);
         DeleteObject(font);
       }},
      {"StretchDIBits and a pattern blit", nullptr,
       [](TEmfWriter& e) {
         const auto dib = SmallDib();
         std::vector<uint8_t> s(16, 0);
         for (int32_t v : {6, 8, 0, 0, 2, 2, 80, 40, 120, int32_t(dib.size()) - 40, 0, int32_t(SRCCOPY), 20, 12})
           Put32(s, uint32_t(v));
         s.insert(s.end(), dib.begin(), dib.end());
         e.RecBytes(81, s);
         e.Rec(39, {1, BS_SOLID, 0x00FF00, 0});
         e.Rec(37, {1});
         std::vector<uint8_t> b(16, 0);  // BitBlt without a source
         for (int32_t v : {30, 30, 10, 14, int32_t(PATCOPY), 0, 0}) Put32(b, uint32_t(v));
         for (int i = 0; i < 6; ++i) Put32(b, 0);  // xform
         for (int i = 0; i < 6; ++i) Put32(b, 0);
         e.RecBytes(76, b);
       },
       [](HDC dc) {
         const BITMAPINFO bi = SmallDibInfo();
         const auto dib = SmallDib();
         StretchDIBits(dc, 6, 8, 20, 12, 0, 0, 2, 2, dib.data() + 40, &bi, DIB_RGB_COLORS, SRCCOPY);
         WithObjects(dc, nullptr, CreateSolidBrush(0x00FF00), [&] { PatBlt(dc, 30, 30, 10, 14, PATCOPY); });
       }},
      {"paths fill and stroke", nullptr,
       [](TEmfWriter& e) {
         e.Rec(39, {1, BS_SOLID, 0x0000FF, 0});
         e.Rec(37, {1});
         e.Rec(59, {});  // BeginPath
         e.Rec(27, {4, 4});
         e.Rec(54, {30, 4});
         e.Rec(54, {18, 24});
         e.Rec(61, {});            // CloseFigure
         e.Rec(60, {});            // EndPath
         e.Rec(62, {0, 0, 0, 0});  // FillPath
         e.Rec(59, {});
         e.Rec(27, {4, 40});
         e.RecBytes(89, Points16({20, 30, 44, 44}));  // PolylineTo16
         e.Rec(60, {});
         e.Rec(64, {0, 0, 0, 0});  // StrokePath
       },
       [](HDC dc) {
         WithObjects(dc, GetStockObject(NULL_PEN), CreateSolidBrush(0x0000FF), [&] {
           const TPoint pts[] = {{4, 4}, {30, 4}, {18, 24}};
           Polygon(dc, pts, 3);
         });
         const TPoint line[] = {{4, 40}, {20, 30}, {44, 44}};
         Polyline(dc, line, 3);
       }},
      {"viewport scaling and mapping mode", nullptr,
       [](TEmfWriter& e) {
         e.Rec(17, {8});            // MM_ANISOTROPIC
         e.Rec(9, {10, 10});        // window extent
         e.Rec(11, {20, 30});       // viewport extent: 2 x, 3 y
         e.Rec(10, {1, 1});         // window origin
         e.Rec(42, {2, 2, 12, 8});  // Ellipse
       },
       [](HDC dc) { Ellipse(dc, 2, 3, 22, 21); }},
      {"metric mapping mode turns y upwards", nullptr,
       [](TEmfWriter& e) {
         e.Rec(17, {3});               // MM_HIMETRIC: 0.01 mm, y up
         e.Rec(12, {0, 48});           // viewport origin at the bottom left
         e.Rec(43, {0, 0, 635, 635});  // 6.35 mm = 24 pixels
       },
       [](HDC dc) { Rectangle(dc, 0, 24, 24, 48); }},
  };
  for (const auto& c : cases) ExpectSame(c);
}

TEST(MetafilePlay, StretchesIntoTheRectangleAndClipsToIt) {
  // A 48 x 48 picture filled red drawn into 24 x 12: exactly that box is red.
  TEmfWriter e;
  e.Rec(39, {1, BS_SOLID, 0x0000FF, 0});
  e.Rec(37, {1});
  e.Rec(37, {int32_t(0x80000000u | NULL_PEN)});
  e.Rec(43, {-100, -100, 200, 200});
  const auto bytes = e.Build(1270, 1270);
  auto b = Render(bytes, 40, 40, TRect{8, 10, 32, 22});
  for (int32_t y = 0; y < 40; ++y)
    for (int32_t x = 0; x < 40; ++x) {
      const bool inside = x >= 8 && x < 32 && y >= 10 && y < 22;
      ASSERT_EQ(b->Canvas()->Pixels(x, y), inside ? clRed : clWhite) << x << "," << y;
    }
  // A curved Bézier passes through its midpoint B(1/2).
  TEmfWriter c;
  c.RecBytes(85, Points16({0, 40, 0, 0, 40, 0, 40, 40}));
  auto curve = Render(c.Build(1270, 1270), 48, 48, TRect{0, 0, 48, 48});
  bool near = false;
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx) near |= curve->Canvas()->Pixels(20 + dx, 10 + dy) == clBlack;
  EXPECT_TRUE(near);
  EXPECT_EQ(curve->Canvas()->Pixels(20, 30), clWhite);
}

// ---- Hostile records ------------------------------------------------------------------

TEST(MetafileHostile, BadRecordsAreSkippedOrEndThePlaying) {
  // Each file ends with a red 8 x 8 rectangle at (30, 30): whether it is drawn
  // tells whether the playing went on after the bad record.
  auto wmfTail = [](TWmfWriter& w) {
    w.Rec(0x02FC, {BS_SOLID, 0x00FF, 0, 0});
    w.Rec(0x012D, {0});
    w.Rec(0x012D, {1});
    w.Rec(0x012D, {2});
    w.Rec(0x041B, {38, 38, 30, 30});
  };
  auto emfTail = [](TEmfWriter& e) {
    e.Rec(39, {15, BS_SOLID, 0x0000FF, 0});
    e.Rec(37, {15});
    e.Rec(43, {30, 30, 38, 38});
  };
  auto dibHeader = [](int32_t w, int32_t h, uint16_t bits) {
    std::vector<uint8_t> v;
    Put32(v, 40);
    Put32(v, uint32_t(w));
    Put32(v, uint32_t(h));
    Put16(v, 1);
    Put16(v, bits);
    for (int i = 0; i < 6; ++i) Put32(v, 0);
    return v;
  };
  struct Case {
    const char* Name;
    std::function<void(TWmfWriter&)> Wmf;
    std::function<void(TEmfWriter&)> Emf;
    bool TailDrawn;
  };
  const Case cases[] = {
      {"wmf size past the end",
       [](TWmfWriter& w) {
         w.RawRec(0xFFFFFFFF, 0x041B, {1, 1, 0, 0});
       },
       nullptr, false},
      {"wmf size below a header", [](TWmfWriter& w) { w.RawRec(1, 0x041B, {}); }, nullptr, false},
      {"wmf polyline count past the record",
       [](TWmfWriter& w) {
         w.Rec(0x0325, {0xFFFF, 1, 1, 2, 2});
       },
       nullptr, true},
      {"wmf polypolygon counts past the record",
       [](TWmfWriter& w) {
         w.Rec(0x0538, {0xFFFF, 3, 3});
         w.Rec(0x0538, {2, 0xFFFF, 0xFFFF, 1});
       },
       nullptr, true},
      {"wmf text count past the record",
       [](TWmfWriter& w) {
         w.Rec(0x0521, {0x7FFF, 0x4141});
       },
       nullptr, true},
      {"wmf ext text count past the record",
       [](TWmfWriter& w) {
         w.Rec(0x0A32, {1, 1, 0xFFFF, ETO_OPAQUE, 0, 0, 5, 5});
       },
       nullptr, true},
      {"wmf bad object indexes",
       [](TWmfWriter& w) {
         w.Rec(0x012D, {9999});
         w.Rec(0x01F0, {0xFFFF});
         w.Rec(0x012D, {5});
       },
       nullptr, true},
      {"wmf full object table",
       [](TWmfWriter& w) {
         for (int i = 0; i < 40; ++i) w.Rec(0x02FA, {PS_SOLID, 1, 0, 0, 0});
       },
       nullptr, false},  // the tail's brush finds no slot: a white box
      {"wmf DIB larger than its record",
       [&](TWmfWriter& w) {
         std::vector<uint8_t> p;
         Put32(p, SRCCOPY);
         for (int16_t v : {0, 2, 2, 0, 0, 16, 16, 0, 0}) Put16(p, uint16_t(v));
         const auto h = dibHeader(16000, 16000, 24);
         p.insert(p.end(), h.begin(), h.end());
         w.RecBytes(0x0F43, p);
       },
       nullptr, true},
      {"wmf restore without save and deep saves",
       [](TWmfWriter& w) {
         w.Rec(0x0127, {-30000});
         w.Rec(0x0127, {5});
         for (int i = 0; i < 2000; ++i) w.Rec(0x001E, {});
         w.Rec(0x0127, {1});
       },
       nullptr, true},
      {"wmf huge coordinates",
       [](TWmfWriter& w) {
         w.Rec(0x001E, {});
         w.Rec(0x0103, {8});
         w.Rec(0x020C, {1, 1});  // every unit 48 pixels
         w.Rec(0x0418, {32767, 32767, -32768, -32768});
         w.Rec(0x02FA, {PS_SOLID, 30000, 0, 0, 0});
         w.Rec(0x012D, {0});
         w.Rec(0x0325, {3, -32768, 0, 32767, 1, 0, 32767});
         w.Rec(0x0127, {-1});
         w.Rec(0x01F0, {0});
       },
       nullptr, true},
      {"emf size past the end", nullptr,
       [](TEmfWriter& e) {
         e.RecBytes(43, {0, 0, 0, 0, 1, 0, 0, 0}, 0x7FFFFFF0);
       },
       false},
      {"emf size below a header", nullptr, [](TEmfWriter& e) { e.RecBytes(43, {}, 4); }, false},
      {"emf point count past the record", nullptr,
       [](TEmfWriter& e) {
         e.Rec(4, {0, 0, 0, 0, 0x7FFFFFFF, 1, 1});
         e.Rec(87, {0, 0, 0, 0, -1, 1});
         e.Rec(2, {0, 0, 0, 0, 0x20000000, 1, 1});
       },
       true},
      {"emf polypolygon counts that do not add up", nullptr,
       [](TEmfWriter& e) {
         e.Rec(8, {0, 0, 0, 0, -1, 3, 3, 1, 1, 2, 2, 3, 3});
         e.Rec(8, {0, 0, 0, 0, 2, 3, -1, 4, 1, 1, 2, 2, 3, 3});
         e.Rec(91, {0, 0, 0, 0, 1, 0x40000000, 0x40000000});
       },
       true},
      {"emf bad object indexes", nullptr,
       [](TEmfWriter& e) {
         e.Rec(37, {0x7FFFFFFF});
         e.Rec(37, {int32_t(0x800000FF)});
         e.Rec(38, {0, PS_SOLID, 1, 0, 0});
         e.Rec(38, {-1, PS_SOLID, 1, 0, 0});
         e.Rec(40, {0x10000});
         e.Rec(37, {0});
       },
       true},
      {"emf text past the record", nullptr,
       [](TEmfWriter& e) {
         std::vector<uint8_t> t(16, 0);
         for (int32_t v : {1, 0, 0, 0, 0, 0x7FFFFFFF, 76, int32_t(ETO_OPAQUE), 0, 0, 9, 9, 0}) Put32(t, uint32_t(v));
         e.RecBytes(84, t);
         std::vector<uint8_t> u(16, 0);
         for (int32_t v : {1, 0, 0, 0, 0, 2, -4, 0, 0, 0, 9, 9, -8}) Put32(u, uint32_t(v));
         Put32(u, 0x00410041);
         e.RecBytes(84, u);
       },
       true},
      {"emf DIB offsets and sizes outside the record", nullptr,
       [&](TEmfWriter& e) {
         std::vector<uint8_t> s(16, 0);
         for (int32_t v : {0, 0, 0, 0, 2, 2, 80, -1, 120, 16, 0, int32_t(SRCCOPY), 8, 8}) Put32(s, uint32_t(v));
         e.RecBytes(81, s);
         std::vector<uint8_t> s2(16, 0);
         const auto h = dibHeader(4096, -4096, 32);
         for (int32_t v : {0, 0, 0, 0, 4096, 4096, 80, 40, 120, 64, 0, int32_t(SRCCOPY), 8, 8}) Put32(s2, uint32_t(v));
         s2.insert(s2.end(), h.begin(), h.end());
         for (int i = 0; i < 16; ++i) Put32(s2, 0);
         e.RecBytes(81, s2);
         std::vector<uint8_t> b(16, 0);
         for (int32_t v : {0, 0, 9, 9, int32_t(SRCCOPY), 0, 0}) Put32(b, uint32_t(v));
         for (int i = 0; i < 8; ++i) Put32(b, 0);
         for (int32_t v : {-4, 40, 0, 0}) Put32(b, uint32_t(v));
         e.RecBytes(76, b);
       },
       true},
      {"emf huge coordinates and sizes", nullptr,
       [](TEmfWriter& e) {
         e.Rec(17, {8});
         e.Rec(9, {1, 1});
         e.Rec(11, {0x7FFFFFFF, 0x7FFFFFFF});
         e.Rec(38, {1, PS_SOLID, 0x7FFFFFFF, 0, 0});
         e.Rec(37, {1});
         e.Rec(42, {-0x7FFFFFFF, -0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF});
         e.Rec(45, {-0x7FFFFFFF, 0, 0x7FFFFFFF, 5, 1, 1, 2, 2});
         e.Rec(44, {0, 0, 0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF});
         e.Rec(17, {1});
         e.Rec(37, {int32_t(0x80000000u | BLACK_PEN)});
         e.Rec(40, {1});
       },
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    std::vector<uint8_t> bytes;
    if (c.Wmf) {
      TWmfWriter w;
      c.Wmf(w);
      wmfTail(w);
      bytes = w.Build(true, 0, 0, 48, 48, 96, 3);
    } else {
      TEmfWriter e;
      c.Emf(e);
      emfTail(e);
      bytes = e.Build(1270, 1270);
    }
    const auto start = std::chrono::steady_clock::now();
    auto b = Render(bytes, 48, 48, TRect{0, 0, 48, 48});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(b->Canvas()->Pixels(34, 34) == clRed, c.TailDrawn);
  }
}

// ---- Cross-check against ImageMagick's WMF renderer --------------------------------------

bool RunArgv(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, argv[0], &fa, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&fa);
  if (rc != 0) return false;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool ReadPpm(const std::string& path, int32_t& w, int32_t& h, std::vector<uint8_t>& rgb) {
  std::ifstream f(path, std::ios::binary);
  std::string magic;
  int maxval = 0;
  if (!(f >> magic >> w >> h >> maxval) || magic != "P6" || maxval != 255) return false;
  f.get();
  rgb.resize(size_t(w) * size_t(h) * 3);
  return bool(f.read(reinterpret_cast<char*>(rgb.data()), std::streamsize(rgb.size())));
}

TEST(MetafileXcheck, WindowsFixturesResembleImageMagick) {
  const auto dir = std::filesystem::temp_directory_path() / ("mfx" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  // Whether convert reads WMF at all: it needs ImageMagick's WMF coder.
  TWmfWriter probe;
  probe.Rec(0x041B, {10, 10, 0, 0});
  {
    const auto bytes = probe.Build(true, 0, 0, 16, 16, 96);
    std::ofstream(dir / "probe.wmf", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  }
  if (!RunArgv({"convert", (dir / "probe.wmf").string(), "ppm:" + (dir / "probe.ppm").string()})) {
    std::filesystem::remove_all(dir);
    const char* ci = std::getenv("CI");
    if (ci && *ci) FAIL() << "convert cannot read WMF (install imagemagick and libmagickcore-6.q16-6-extra)";
    GTEST_SKIP() << "convert cannot read WMF here (Debian package libmagickcore-6.q16-6-extra)";
  }
  // Shapes in solid colours: lines, filled shapes, a polygon. Up to 1% of
  // the pixels may be unlike theirs (see below).
  struct Case {
    const char* Name;
    std::function<void(TWmfWriter&)> Records;
  };
  const Case cases[] = {
      {"filled shapes",
       [](TWmfWriter& w) {
         w.Rec(0x02FC, {BS_SOLID, 0x00FF, 0, 0});       // red -> 1
         w.Rec(0x02FC, {BS_SOLID, 0x0000, 0x00FF, 0});  // blue -> 2
         w.Rec(0x012D, {1});
         w.Rec(0x041B, {40, 50, 10, 10});
         w.Rec(0x012D, {2});
         w.Rec(0x0418, {70, 110, 20, 60});
         w.Rec(0x0324, {3, 10, 75, 40, 45, 50, 75});
       }},
      {"scaled lines",
       [](TWmfWriter& w) {
         w.Rec(0x020C, {400, 600});                    // five units per pixel
         w.Rec(0x02FA, {PS_SOLID, 20, 0, 0x8000, 0});  // -> 1
         w.Rec(0x012D, {1});
         w.Rec(0x0214, {50, 50});
         w.Rec(0x0213, {50, 550});
         w.Rec(0x0213, {350, 550});
         w.Rec(0x02FC, {BS_SOLID, 0xFFFF, 0, 0});  // -> 2
         w.Rec(0x012D, {2});
         w.Rec(0x041B, {300, 300, 100, 100});
       }},
      {"round rectangle and chord",
       [](TWmfWriter& w) {
         w.Rec(0x02FC, {BS_SOLID, 0x8080, 0x0080, 0});  // -> 1
         w.Rec(0x012D, {1});
         w.Rec(0x061C, {16, 20, 70, 60, 10, 10});            // RoundRect
         w.Rec(0x0830, {40, 70, 40, 110, 75, 110, 45, 70});  // Chord
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TWmfWriter w;
    // The renderer fits the drawing's extent to the image: a white box over
    // the whole window makes that extent the window.
    w.Rec(0x0103, {8});
    w.Rec(0x020B, {0, 0});
    w.Rec(0x020C, {80, 120});
    w.Rec(0x02FA, {PS_NULL, 0, 0, 0, 0});
    w.Rec(0x02FC, {BS_SOLID, 0xFFFF, 0x00FF, 0});
    w.Rec(0x012D, {0});
    w.Rec(0x012D, {1});
    w.Rec(0x041B, {80, 120, 0, 0});
    w.Rec(0x01F0, {1});
    c.Records(w);
    const auto bytes = w.Build(true, 0, 0, 120, 80, 96);
    const auto wmf = dir / "x.wmf", ppm = dir / "x.ppm";
    std::ofstream(wmf, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    ASSERT_TRUE(RunArgv({"convert", "-density", "96", wmf.string(), "-depth", "8", "ppm:" + ppm.string()}));
    int32_t tw = 0, th = 0;
    std::vector<uint8_t> theirs;
    ASSERT_TRUE(ReadPpm(ppm.string(), tw, th, theirs));
    auto m = Load(bytes);
    EXPECT_EQ(tw, m->Width());
    EXPECT_EQ(th, m->Height());
    auto ours = White(tw, th);
    ours->Canvas()->StretchDraw(TRect{0, 0, tw, th}, m.get());
    // A pixel matches when one of theirs within a pixel of it is within a
    // third of the range in every channel: their edges are antialiased and
    // placed by half a pixel otherwise.
    auto near = [&](int32_t x, int32_t y, TColor c) {
      for (int32_t dy = -1; dy <= 1; ++dy)
        for (int32_t dx = -1; dx <= 1; ++dx) {
          const int32_t xx = x + dx, yy = y + dy;
          if (xx < 0 || yy < 0 || xx >= tw || yy >= th) continue;
          const uint8_t* t = &theirs[(size_t(yy) * size_t(tw) + size_t(xx)) * 3];
          if (std::abs(int(c & 0xFF) - t[0]) <= 85 && std::abs(int((c >> 8) & 0xFF) - t[1]) <= 85 &&
              std::abs(int((c >> 16) & 0xFF) - t[2]) <= 85)
            return true;
        }
      return false;
    };
    int32_t off = 0;
    for (int32_t y = 0; y < th; ++y)
      for (int32_t x = 0; x < tw; ++x)
        if (!near(x, y, ours->Canvas()->Pixels(x, y))) ++off;
    EXPECT_LE(off, tw * th / 100);
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
