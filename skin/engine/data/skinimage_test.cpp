// Skin image composition on small synthetic pictures: every source pixel
// (x, y) has the colour RGB(x, y, Tag), so each destination pixel tells which
// source pixel it came from; untouched pixels stay 0.
#include "skin/engine/data/skinimage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include "platform/gui/win_readback.h"
#include "platform/rtl/arith.h"

namespace {

constexpr uint8_t Tag = 0x80;

std::unique_ptr<TBitmap> CoordPicture(int32_t W, int32_t H) {
  auto b = std::make_unique<TBitmap>();
  b->SetSize(W, H);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) b->Canvas()->SetPixels(x, y, RGB(uint8_t(x), uint8_t(y), Tag));
  return b;
}

// The source pixel a destination pixel came from; (-1, -1) when untouched.
TPoint SourceOf(TBitmap& B, int32_t X, int32_t Y) {
  const TColor c = B.Canvas()->Pixels(X, Y);
  if (((c >> 16) & 0xFF) != Tag) return TPoint{-1, -1};
  return TPoint{c & 0xFF, (c >> 8) & 0xFF};
}

// Saves a picture for looking at under the build's test output folder.
void Keep(TBitmap& B, const char* Name) {
  const std::filesystem::path dir = std::filesystem::path(PROJECT_SOURCE_DIR) / "build" / "looks" / "skin";
  std::filesystem::create_directories(dir);
  // Coordinates brightened and every pixel made 8 x 8, so the parts show.
  TBitmap look;
  look.SetSize(B.Width() * 8, B.Height() * 8);
  for (int32_t y = 0; y < B.Height(); ++y)
    for (int32_t x = 0; x < B.Width(); ++x) {
      const TPoint s = SourceOf(B, x, y);
      look.Canvas()->Brush()->SetColor(s.X < 0 ? clBlack : RGB(uint8_t(s.X * 6), uint8_t(s.Y * 8), 0x60));
      look.Canvas()->FillRect(TRect{x * 8, y * 8, x * 8 + 8, y * 8 + 8});
    }
  SavePng(look, (dir / Name).string());
}

// One axis of a nine-part image: below NA the corner as it is, NA..NB the side
// A..B tiled from NA or stretched (nearest pixel), from NB on the far corner.
int32_t MapAxis(int32_t N, int32_t A, int32_t B, int32_t NA, int32_t NB, bool Stretch) {
  if (N < NA) return N;
  if (N >= NB) return B + (N - NB);
  if (Stretch) return A + ((2 * (N - NA) + 1) * (B - A)) / (2 * (NB - NA));
  return A + (N - NA) % (B - A);
}

// The skin rect's geometry used throughout: SR at (5, 4) in a 40 x 30
// picture, 20 x 16, with sides 7 pixels long.
struct TGeometry {
  TRect SR{5, 4, 25, 20};
  TPoint LT{5, 4}, RT{12, 4}, LB{5, 11}, RB{12, 11};
  TRect CR{3, 2, 17, 13};
  int32_t W = 20, H = 16;
  int32_t DW() const { return W - SR.Width(); }
  int32_t DH() const { return H - SR.Height(); }
  TPoint Right(TPoint P) const { return TPoint{P.X + DW(), P.Y}; }
  TPoint Down(TPoint P) const { return TPoint{P.X, P.Y + DH()}; }
  TPoint NLT() const { return LT; }
  TPoint NRT() const { return Right(RT); }
  TPoint NLB() const { return Down(LB); }
  TPoint NRB() const { return Down(Right(RB)); }
  TRect NCR() const { return TRect{CR.Left, CR.Top, CR.Right + DW(), CR.Bottom + DH()}; }
};

void Build(const TGeometry& g, TBitmap* Dst, TBitmap* Src, bool Stretch, bool DrawClient = true,
           bool ClientStretch = false, TbsStretchType Type = TbsStretchType::stFull) {
  BuildSkinImage(g.LT, g.RT, g.LB, g.RB, g.CR, g.NLT(), g.NRT(), g.NLB(), g.NRB(), g.NCR(), Dst, Src, g.SR, g.W, g.H,
                 DrawClient, Stretch, Stretch, Stretch, Stretch, ClientStretch, Type);
}

// Where each pixel of the nine-part image should come from (relative to SR).
TPoint Expected(const TGeometry& g, int32_t X, int32_t Y, bool Stretch) {
  const TRect n = g.NCR();
  if (Y < n.Top) return TPoint{MapAxis(X, g.LT.X, g.RT.X, g.NLT().X, g.NRT().X, Stretch), Y};
  if (Y >= n.Bottom)
    return TPoint{MapAxis(X, g.LB.X, g.RB.X, g.NLB().X, g.NRB().X, Stretch), g.CR.Bottom + Y - n.Bottom};
  if (X < n.Left) return TPoint{X, MapAxis(Y, g.LT.Y, g.LB.Y, g.NLT().Y, g.NLB().Y, Stretch)};
  if (X >= n.Right) return TPoint{g.CR.Right + X - n.Right, MapAxis(Y, g.RT.Y, g.RB.Y, g.NRT().Y, g.NRB().Y, Stretch)};
  return TPoint{MapAxis(X - n.Left, 0, g.CR.Width(), 0, n.Width(), Stretch) + g.CR.Left,
                MapAxis(Y - n.Top, 0, g.CR.Height(), 0, n.Height(), Stretch) + g.CR.Top};
}

int32_t Mismatches(TBitmap& B, const TGeometry& g, bool Stretch) {
  int32_t bad = 0;
  for (int32_t y = 0; y < g.H; ++y)
    for (int32_t x = 0; x < g.W; ++x) {
      const TPoint e = Expected(g, x, y, Stretch);
      const TPoint s = SourceOf(B, x, y);
      if (s != TPoint{e.X + g.SR.Left, e.Y + g.SR.Top}) {
        if (bad < 5) ADD_FAILURE() << "pixel (" << x << ", " << y << ") from (" << s.X << ", " << s.Y << ")";
        ++bad;
      }
    }
  return bad;
}

}  // namespace

// Narrower than, as wide as and wider than the skin rect; tiled and
// stretched; the wide case ends every side and the client part on a cut tile.
TEST(SkinImageNinePart, EveryPixelComesFromItsPart) {
  auto src = CoordPicture(40, 30);
  for (bool stretch : {false, true})
    for (auto [w, h] : {std::pair{14, 16}, std::pair{20, 16}, std::pair{37, 27}, std::pair{20, 27}}) {
      TGeometry g;
      g.W = w;
      g.H = h;
      TBitmap dst;
      Build(g, &dst, src.get(), stretch, true, stretch);
      SCOPED_TRACE(testing::Message() << "stretch " << stretch << " size " << w << " x " << h);
      ASSERT_EQ(dst.Width(), w);
      ASSERT_EQ(dst.Height(), h);
      EXPECT_EQ(Mismatches(dst, g, stretch), 0);
      if (w == 37 && h == 27) Keep(dst, stretch ? "nine_part_stretched.png" : "nine_part_tiled.png");
    }
}

TEST(SkinImageNinePart, StopsAfterSizingWithoutSidesOrSource) {
  auto src = CoordPicture(40, 30);
  TBitmap empty;
  struct TCase {
    TPoint RB;
    TBitmap* Src;
  } cases[] = {{TPoint{5, 11}, src.get()}, {TPoint{12, 4}, src.get()}, {TPoint{12, 11}, &empty}};
  for (const TCase& c : cases) {
    TGeometry g;
    g.RB = c.RB;
    g.W = 30;
    TBitmap dst;
    Build(g, &dst, c.Src, false);
    EXPECT_EQ(dst.Width(), 30);
    EXPECT_EQ(dst.Height(), 16);
    for (int32_t y = 0; y < 16; ++y)
      for (int32_t x = 0; x < 30; ++x) ASSERT_EQ(dst.Canvas()->Pixels(x, y), 0) << x << ", " << y;
  }
}

// A tile size of 0 has nothing to copy from: that part stays untouched and
// the rest is composed as usual.
TEST(SkinImageNinePart, ZeroTileSizesSkipOnlyTheirPart) {
  auto src = CoordPicture(40, 30);
  TGeometry g;
  g.W = 37;
  g.H = 27;
  g.RT = g.LT;  // the top side has no length
  TBitmap dst;
  Build(g, &dst, src.get(), false);
  EXPECT_EQ(SourceOf(dst, 10, 0), (TPoint{-1, -1}));
  EXPECT_EQ(SourceOf(dst, 0, 10), (TPoint{5 + 0, 4 + 4 + 6}));    // left side tiled as usual
  EXPECT_EQ(SourceOf(dst, 36, 0), (TPoint{5 + 19, 4 + 0}));       // top-right corner
  EXPECT_EQ(SourceOf(dst, 20, 10), (TPoint{5 + 3 + 3, 4 + 10}));  // client tiled

  TGeometry c;
  c.W = 37;
  c.H = 27;
  c.CR.Right = c.CR.Left;  // a client part without width, tiled and repeated
  for (auto [stretch, type] : {std::pair{false, TbsStretchType::stFull}, std::pair{true, TbsStretchType::stHorz}}) {
    TBitmap d;
    Build(c, &d, src.get(), false, true, stretch, type);
    EXPECT_EQ(SourceOf(d, 10, 10), (TPoint{-1, -1}));
    EXPECT_EQ(SourceOf(d, 36, 0), (TPoint{5 + 19, 4 + 0}));
  }
}

TEST(SkinImageNinePart, ClientStretchTypesAndEmptyClient) {
  auto src = CoordPicture(40, 30);
  const TRect CR{3, 2, 17, 13};   // 14 x 11
  const TRect NCR{2, 1, 33, 25};  // 31 x 24
  const TRect SR{5, 4, 25, 20};
  // Full: both ways; horizontal: NCR's height, repeated across; vertical: the mirror.
  for (TbsStretchType type : {TbsStretchType::stFull, TbsStretchType::stHorz, TbsStretchType::stVert}) {
    TBitmap dst;
    BuildClientSkinImage(CR, NCR, &dst, src.get(), SR, 36, 27, true, type);
    const bool hStretch = type != TbsStretchType::stHorz, vStretch = type != TbsStretchType::stVert;
    int32_t bad = 0;
    for (int32_t y = 0; y < 27; ++y)
      for (int32_t x = 0; x < 36; ++x) {
        TPoint e{-1, -1};
        if (x >= NCR.Left && x < NCR.Right && y >= NCR.Top && y < NCR.Bottom)
          e = TPoint{SR.Left + CR.Left + MapAxis(x - NCR.Left, 0, 14, 0, 31, hStretch),
                     SR.Top + CR.Top + MapAxis(y - NCR.Top, 0, 11, 0, 24, vStretch)};
        bad += SourceOf(dst, x, y) != e;
      }
    EXPECT_EQ(bad, 0) << int(type);
    if (type == TbsStretchType::stHorz) Keep(dst, "client_stretch_horz.png");
  }
  // Tiled from the image's corner, cut at NCR's width and height.
  TBitmap tiled;
  BuildClientSkinImage(CR, NCR, &tiled, src.get(), SR, 36, 27, false, TbsStretchType::stFull);
  EXPECT_EQ(SourceOf(tiled, 0, 0), (TPoint{8, 6}));
  EXPECT_EQ(SourceOf(tiled, 30, 23), (TPoint{8 + 2, 6 + 1}));
  EXPECT_EQ(SourceOf(tiled, 31, 0), (TPoint{-1, -1}));
  EXPECT_EQ(SourceOf(tiled, 0, 24), (TPoint{-1, -1}));
  // A client area without width or height draws nothing.
  for (const TRect& n : {TRect{2, 1, 2, 25}, TRect{2, 1, 33, 1}}) {
    TBitmap none;
    BuildClientSkinImage(CR, n, &none, src.get(), SR, 36, 27, true, TbsStretchType::stFull);
    for (int32_t y = 0; y < 27; ++y)
      for (int32_t x = 0; x < 36; ++x) ASSERT_EQ(SourceOf(none, x, y), (TPoint{-1, -1}));
  }
}

TEST(SkinImageNinePart, OpenRightRunsTopBottomAndClientToTheEdge) {
  auto src = CoordPicture(40, 30);
  TGeometry g;
  g.W = 37;
  g.H = 16;
  TBitmap dst;
  BuildSkinImageOpenRight(g.LT, g.RT, g.LB, g.RB, g.CR, g.NLT(), g.NRT(), g.NLB(), g.NRB(), g.NCR(), &dst, src.get(),
                          g.SR, g.W, g.H, true, false, false, false, false, false, TbsStretchType::stFull);
  for (int32_t x = 5; x < 37; ++x) {
    ASSERT_EQ(SourceOf(dst, x, 0), (TPoint{5 + 5 + (x - 5) % 7, 4})) << x;
    ASSERT_EQ(SourceOf(dst, x, 15), (TPoint{5 + 5 + (x - 5) % 7, 4 + 15})) << x;
    ASSERT_EQ(SourceOf(dst, x, 5), (TPoint{5 + 3 + (x - 3) % 14, 4 + 5})) << x;
  }
}

TEST(SkinImageNinePart, StretchedImageUsesTheClientCorners) {
  auto src = CoordPicture(40, 30);
  TBitmap dst;
  dst.SetSize(30, 20);
  const TRect SR{5, 4, 25, 20}, CR{3, 2, 17, 13};
  BuildStretchedSkinImage(&dst, src.get(), SR, CR, true);
  EXPECT_EQ(SourceOf(dst, 0, 0), (TPoint{5, 4}));
  EXPECT_EQ(SourceOf(dst, 29, 19), (TPoint{24, 19}));
  // The top side between the client corners: 14 columns stretched to 24.
  for (int32_t x = 3; x < 27; ++x)
    ASSERT_EQ(SourceOf(dst, x, 0), (TPoint{5 + 3 + ((2 * (x - 3) + 1) * 14) / 48, 4})) << x;
}

// ---- Three-part images ----------------------------------------------------------------

TEST(SkinImageThreePart, CapsAndMiddle) {
  auto src = CoordPicture(40, 30);
  const TRect R{2, 1, 18, 5};  // 3 + 10 + 3 columns
  struct TCase {
    const char* Name;
    void (*Fn)(int32_t, int32_t, TBitmap*, TBitmap*, const TRect&, int32_t, int32_t, bool);
    int32_t Width;
    bool Stretch;
    int32_t (*Col)(int32_t x);  // source column relative to R; -1 untouched
  } cases[] = {
      // Tiles at 3, 13 and 23, the last cut to 4 columns.
      {"tiled", BuildHSkinImage, 30, false,
       [](int32_t x) { return x < 3     ? x
                              : x >= 27 ? 13 + x - 27
                                        : 3 + (x - 3) % 10; }},
      {"stretched", BuildHSkinImage, 30, true,
       [](int32_t x) { return x < 3     ? x
                              : x >= 27 ? 13 + x - 27
                                        : 3 + ((2 * (x - 3) + 1) * 10) / 48; }},
      {"open right", BuildHSkinImageOpenRight, 30, false, [](int32_t x) { return x < 3 ? x : 3 + (x - 3) % 10; }},
      {"middle", BuildHSkinImageMiddle, 29, false, [](int32_t x) { return 3 + x % 10; }},
      {"narrower than the caps", BuildHSkinImage, 5, false, [](int32_t x) { return x < 2 ? x : 13 + x - 2; }},
  };
  for (const TCase& c : cases) {
    TBitmap dst;
    c.Fn(3, 3, &dst, src.get(), R, c.Width, 99, c.Stretch);
    ASSERT_EQ(dst.Width(), c.Width) << c.Name;
    ASSERT_EQ(dst.Height(), 4) << c.Name;
    for (int32_t y = 0; y < 4; ++y)
      for (int32_t x = 0; x < c.Width; ++x)
        ASSERT_EQ(SourceOf(dst, x, y), (TPoint{2 + c.Col(x), 1 + y})) << c.Name << " at " << x << ", " << y;
  }
}

TEST(SkinImageThreePart, EmptyMiddles) {
  auto src = CoordPicture(40, 30);
  // A horizontal middle of 0 columns counts as 1: the column after the left cap.
  TBitmap h;
  BuildHSkinImage(4, 4, &h, src.get(), TRect{2, 1, 10, 5}, 20, 0, false);
  for (int32_t x = 4; x < 16; ++x) ASSERT_EQ(SourceOf(h, x, 0), (TPoint{6, 1})) << x;
  EXPECT_EQ(SourceOf(h, 16, 0), (TPoint{6, 1}));
  // A vertical middle of 0 rows draws nothing between the caps.
  TBitmap v;
  BuildVSkinImage(4, 4, &v, src.get(), TRect{2, 1, 6, 9}, 0, 20, false);
  EXPECT_EQ(SourceOf(v, 0, 3), (TPoint{2, 4}));
  EXPECT_EQ(SourceOf(v, 0, 10), (TPoint{-1, -1}));
  EXPECT_EQ(SourceOf(v, 0, 16), (TPoint{2, 5}));
}

TEST(SkinImageThreePart, VerticalTiledAndStretched) {
  auto src = CoordPicture(40, 30);
  const TRect R{2, 1, 6, 17};  // 3 + 10 + 3 rows
  for (bool stretch : {false, true}) {
    TBitmap dst;
    BuildVSkinImage(3, 3, &dst, src.get(), R, 0, 30, stretch);
    ASSERT_EQ(dst.Width(), 4);
    ASSERT_EQ(dst.Height(), 30);
    for (int32_t y = 0; y < 30; ++y)
      ASSERT_EQ(SourceOf(dst, 1, y), (TPoint{3, 1 + MapAxis(y, 3, 13, 3, 27, stretch)})) << stretch << " " << y;
  }
}

// ---- Frame strips ----------------------------------------------------------------------

TEST(SkinImageBorders, StripsTileFromTheirOwnOrigin) {
  auto src = CoordPicture(40, 30);
  TGeometry g;
  g.W = 37;
  g.H = 27;
  for (bool stretch : {false, true}) {
    TBitmap left, top, right, bottom;
    BuildSkinBorderImages(g.LT, g.RT, g.LB, g.RB, g.CR, g.NLT(), g.NRT(), g.NLB(), g.NRB(), g.NCR(), &left, &top,
                          &right, &bottom, src.get(), g.SR, g.W, g.H, stretch, stretch, stretch, stretch);
    ASSERT_EQ((TPoint{top.Width(), top.Height()}), (TPoint{37, 2}));
    ASSERT_EQ((TPoint{bottom.Width(), bottom.Height()}), (TPoint{37, 3}));
    ASSERT_EQ((TPoint{left.Width(), left.Height()}), (TPoint{3, 22}));
    ASSERT_EQ((TPoint{right.Width(), right.Height()}), (TPoint{3, 22}));
    for (int32_t x = 0; x < 37; ++x) {
      // Tiled from x 0 (not from NLT.X as the nine-part image), then corners.
      const int32_t e = x < 5 ? x : x >= 29 ? 12 + x - 29 : stretch ? MapAxis(x, 5, 12, 5, 29, true) : 5 + x % 7;
      ASSERT_EQ(SourceOf(top, x, 1), (TPoint{5 + e, 4 + 1})) << stretch << " " << x;
      ASSERT_EQ(SourceOf(bottom, x, 0), (TPoint{5 + e, 4 + 13})) << stretch << " " << x;
    }
    // Left strip rows: CR.Top..LT.Y first, LB.Y..CR.Bottom last, the side
    // tiled from row 0 or stretched into rows 2 .. 22 - 2.
    for (int32_t y = 0; y < 22; ++y) {
      const int32_t e = y < 2 ? 2 + y : y >= 20 ? 11 + y - 20 : stretch ? MapAxis(y, 4, 11, 2, 20, true) : 4 + y % 7;
      ASSERT_EQ(SourceOf(left, 0, y), (TPoint{5, 4 + e})) << stretch << " " << y;
      ASSERT_EQ(SourceOf(right, 2, y), (TPoint{5 + 19, 4 + e})) << stretch << " " << y;
    }
  }
}

// ---- Masks and regions ------------------------------------------------------------------

namespace {

std::unique_ptr<TBitmap> WhiteMask(int32_t W, int32_t H) {
  auto m = std::make_unique<TBitmap>();
  m->SetSize(W, H);
  m->Canvas()->Brush()->SetColor(clWhite);
  m->Canvas()->FillRect(TRect{0, 0, W, H});
  return m;
}

bool IsBlack(TBitmap& M, int32_t X, int32_t Y) { return M.Canvas()->Pixels(X, Y) == 0; }

const RGNDATAHEADER& Header(const std::vector<uint8_t>& Data) {
  return *reinterpret_cast<const RGNDATAHEADER*>(Data.data());
}

// The region equals the black pixels of the mask (moved by the offset),
// pixel by pixel.
void ExpectRegionIsBlack(TBitmap& M, int32_t XO, int32_t YO) {
  std::vector<uint8_t> data;
  const int32_t size = MaskToRegionData(&M, XO, YO, data);
  ASSERT_EQ(size_t(size), data.size());
  HRGN rgn = ExtCreateRegion(nullptr, uint32_t(size), reinterpret_cast<const RGNDATA*>(data.data()));
  ASSERT_NE(rgn, nullptr);
  int32_t bad = 0;
  for (int32_t y = -1; y <= M.Height(); ++y)
    for (int32_t x = -1; x <= M.Width(); ++x) {
      const bool inside = x >= 0 && y >= 0 && x < M.Width() && y < M.Height() && IsBlack(M, x, y);
      bad += PtInRegion(rgn, x + XO, y + YO) != inside;
    }
  EXPECT_EQ(bad, 0);
  DeleteObject(rgn);
}

}  // namespace

TEST(SkinMaskRegion, RunsOfARowBecomeRectangles) {
  auto m = WhiteMask(16, 3);
  for (int32_t x = 5; x <= 9; ++x) m->Canvas()->SetPixels(x, 1, clBlack);
  for (int32_t x = 12; x < 16; ++x) m->Canvas()->SetPixels(x, 1, clBlack);
  m->Canvas()->SetPixels(0, 2, RGB(0, 0, 1));  // nearly black is not black
  std::vector<uint8_t> data;
  ASSERT_EQ(MaskToRegionData(m.get(), 10, 20, data), 32 + 2 * 16);
  const RGNDATAHEADER& h = Header(data);
  EXPECT_EQ(h.dwSize, 32u);
  EXPECT_EQ(h.iType, 1u);
  EXPECT_EQ(h.nCount, 2u);
  EXPECT_EQ(h.nRgnSize, 0u);
  EXPECT_EQ(h.rcBound, (TRect{10, 20, 26, 23}));
  const TRect* r = reinterpret_cast<const TRect*>(data.data() + 32);
  EXPECT_EQ(r[0], (TRect{15, 21, 20, 22}));
  EXPECT_EQ(r[1], (TRect{22, 21, 26, 22}));

  TBitmap empty;
  EXPECT_EQ(MaskToRegionData(&empty, 0, 0, data), 0);
  EXPECT_TRUE(data.empty());
  HRGN none = reinterpret_cast<HRGN>(1);
  RegionFromMask(none, &empty);
  EXPECT_EQ(none, nullptr);
}

// More runs than a fixed store of 10,001 would hold: every one is kept.
TEST(SkinMaskRegion, ManyRunsGiveTheExactRegion) {
  auto m = WhiteMask(201, 120);
  for (int32_t y = 0; y < 120; ++y)
    for (int32_t x = (y % 2); x < 201; x += 2) m->Canvas()->SetPixels(x, y, clBlack);
  std::vector<uint8_t> data;
  MaskToRegionData(m.get(), 0, 0, data);
  EXPECT_EQ(Header(data).nCount, 60u * 101 + 60u * 100);
  ExpectRegionIsBlack(*m, 0, 0);
}

TEST(SkinMaskRegion, RandomMasksAreAcceptedAndExact) {
  SetRandSeed(7);
  for (int32_t i = 0; i < 12; ++i) {
    const int32_t w = 1 + Random(23), h = 1 + Random(9);
    auto m = WhiteMask(w, h);
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x)
        if (Random(3) == 0) m->Canvas()->SetPixels(x, y, clBlack);
    if (i % 3 == 0) m->SetPixelFormat(TPixelFormat::pf1bit);
    SCOPED_TRACE(testing::Message() << "mask " << i << ": " << w << " x " << h);
    ExpectRegionIsBlack(*m, Random(7) - 3, Random(7) - 3);
  }
}

TEST(SkinMaskRegion, SkinMaskRegionOfAResizedWindow) {
  TGeometry g;  // the mask covers the skin rect: 20 x 16
  g.W = 37;
  g.H = 27;
  TRect SR0{0, 0, 20, 16};
  auto m = WhiteMask(20, 16);
  m->Canvas()->Brush()->SetColor(clBlack);
  m->Canvas()->FillRect(SR0);
  // Holes: the outer corner pixels, one in the top side, one in the left side.
  for (TPoint p : {TPoint{0, 0}, TPoint{19, 0}, TPoint{0, 15}, TPoint{19, 15}, TPoint{7, 0}, TPoint{0, 6}})
    m->Canvas()->SetPixels(p.X, p.Y, clWhite);
  HRGN rgn = nullptr;
  RegionFromSkinMask(rgn, g.LT, g.RT, g.LB, g.RB, g.CR, g.NLT(), g.NRT(), g.NLB(), g.NRB(), g.NCR(), m.get(), g.W, g.H);
  ASSERT_NE(rgn, nullptr);
  std::vector<TPoint> holes{{0, 0}, {36, 0}, {0, 26}, {36, 26}};
  for (int32_t x = 7; x < 29; x += 7) holes.push_back(TPoint{x, 0});  // top side tiled from NLT.X
  // The left strip starts at NCR.Top; its side tiles from the strip's row 0
  // and its first LT.Y - CR.Top rows are then the upper piece.
  for (int32_t r = 2; r < 20; ++r)
    if ((4 + r % 7) == 6) holes.push_back(TPoint{0, 2 + r});
  int32_t bad = 0;
  for (int32_t y = 0; y < 27; ++y)
    for (int32_t x = 0; x < 37; ++x) {
      bool hole = false;
      for (TPoint p : holes) hole = hole || p == TPoint{x, y};
      if (PtInRegion(rgn, x, y) == hole) {
        if (bad < 5) ADD_FAILURE() << x << ", " << y;
        ++bad;
      }
    }
  EXPECT_EQ(bad, 0);
  EXPECT_FALSE(PtInRegion(rgn, 37, 5));
  DeleteObject(rgn);

  HRGN none = reinterpret_cast<HRGN>(1);
  RegionFromSkinMask(none, g.LT, g.RT, g.LB, g.RB, g.CR, TPoint{10, 4}, TPoint{9, 4}, g.NLB(), g.NRB(), g.NCR(),
                     m.get(), g.W, g.H);
  EXPECT_EQ(none, nullptr);
}

TEST(SkinImageStripGlyph, SecondOfFourWithTheBottomLeftColourLeftOut) {
  auto strip = CoordPicture(64, 8);
  const TColor key = RGB(16, 7, Tag);
  strip->Canvas()->SetPixels(20, 3, key);
  TBitmap dst;
  dst.SetSize(30, 12);
  DrawStripGlyph(dst.Canvas(), 5, 2, strip.get(), 4, 2);
  for (int32_t y = 0; y < 12; ++y)
    for (int32_t x = 0; x < 30; ++x) {
      const bool inGlyph = x >= 5 && x < 21 && y >= 2 && y < 10;
      TPoint e = inGlyph ? TPoint{x - 5 + 16, y - 2} : TPoint{-1, -1};
      if (e == TPoint{16, 7} || e == TPoint{20, 3}) e = TPoint{-1, -1};
      ASSERT_EQ(SourceOf(dst, x, y), e) << x << ", " << y;
    }
  TBitmap untouched;
  untouched.SetSize(4, 4);
  DrawStripGlyph(untouched.Canvas(), 0, 0, strip.get(), 0, 1);  // no glyphs to count
  EXPECT_EQ(SourceOf(untouched, 0, 0), (TPoint{-1, -1}));
}
