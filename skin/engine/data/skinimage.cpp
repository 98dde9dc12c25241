#include "skin/engine/data/skinimage.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <memory>

// ---- TbsFBitmap -------------------------------------------------------------------

TbsFBitmap::TbsFBitmap(HBITMAP Source) {
  BITMAP bm;
  if (Source == nullptr || GetObject(Source, sizeof(bm), &bm) == 0) return;
  FWidth = bm.bmWidth;
  FHeight = bm.bmHeight;
  FRowInc = FWidth * 3 + FWidth % 4;
  FGap = FWidth % 4;
  FSize = FRowInc * FHeight;
  FBmHeader.biWidth = FWidth;
  FBmHeader.biHeight = -FHeight;
  FBmHeader.biBitCount = 24;
  FBmInfo.bmiHeader = FBmHeader;
  FDC = CreateCompatibleDC(nullptr);
  void* bits = nullptr;
  FHandle = CreateDIBSection(FDC, &FBmInfo, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (FHandle == nullptr) {
    FWidth = FHeight = FSize = 0;
    return;
  }
  FBits = static_cast<uint8_t*>(bits);
  SelectObject(FDC, FHandle);
  GetDIBits(FDC, Source, 0, uint32_t(FHeight), FBits, &FBmInfo, DIB_RGB_COLORS);
  FPixels.resize(size_t(FHeight));
  for (int32_t y = 0; y < FHeight; ++y) FPixels[size_t(y)] = FBits + size_t(y) * size_t(FRowInc);
}

TbsFBitmap::~TbsFBitmap() {
  if (FDC != nullptr) DeleteDC(FDC);
  if (FHandle != nullptr) DeleteObject(FHandle);
}

const uint8_t* TbsFBitmap::Row(int32_t Y) const {
  assert(Y >= 0 && Y < FHeight);
  return FPixels[size_t(Y)];
}

// ---- Copy primitives -----------------------------------------------------------------

namespace {

bool IsEmptyArea(const TRect& R) { return R.Width() <= 0 || R.Height() <= 0; }

// The rect running a0..a1 along the axis and c0..c1 across it.
TRect Span(bool Horz, int32_t a0, int32_t a1, int32_t c0, int32_t c1) {
  return Horz ? TRect{a0, c0, a1, c1} : TRect{c0, a0, c1, a1};
}

// The canvas's rectangle copy (it scales when the sizes differ).
void CopyPart(TCanvas* D, const TRect& Dst, TBitmap* S, const TRect& Src) {
  if (IsEmptyArea(Dst) || IsEmptyArea(Src)) return;
  D->CopyRect(Dst, S->Canvas(), Src);
}

// Src taken into a bitmap of its own size, then drawn stretched into Dst.
void StretchPart(TCanvas* D, const TRect& Dst, TBitmap* S, const TRect& Src) {
  if (IsEmptyArea(Dst) || IsEmptyArea(Src)) return;
  TBitmap part;
  part.SetSize(Src.Width(), Src.Height());
  part.Canvas()->CopyRect(TRect{0, 0, Src.Width(), Src.Height()}, S->Canvas(), Src);
  D->StretchDraw(Dst, &part);
}

// Src (one whole tile) repeated along an axis from Start, (End - Start) div t
// + 1 times, the tile passing End cut there with its source cut on the same
// side; across the axis the tiles cover C0..C1. A tile size of 0 or less has
// nothing to copy from.
void TilePart(TCanvas* D, TBitmap* S, const TRect& Src, bool Horz, int32_t Start, int32_t End, int32_t C0, int32_t C1) {
  const int32_t t = Horz ? Src.Width() : Src.Height();
  if (t <= 0) return;
  const int32_t count = (End - Start) / t + 1;
  for (int32_t k = 0; k < count; ++k) {
    const int32_t a = Start + k * t;
    const int32_t len = a + t > End ? End - a : t;
    if (len <= 0) break;
    const TRect cut = Horz ? TRect{Src.Left, Src.Top, Src.Left + len, Src.Bottom}
                           : TRect{Src.Left, Src.Top, Src.Right, Src.Top + len};
    CopyPart(D, Span(Horz, a, a + len, C0, C1), S, cut);
  }
}

// Src tiled in rows and columns from Area's top-left, cut at its right and
// bottom edges.
void TileGrid(TCanvas* D, TBitmap* S, const TRect& Src, const TRect& Area) {
  const int32_t tw = Src.Width(), th = Src.Height();
  if (tw <= 0 || th <= 0) return;
  for (int32_t y = Area.Top; y < Area.Bottom; y += th) {
    const int32_t h = std::min(th, Area.Bottom - y);
    TRect rowSrc{Src.Left, Src.Top, Src.Right, Src.Top + h};
    TilePart(D, S, rowSrc, true, Area.Left, Area.Right, y, y + h);
  }
}

// A side: stretched into Dst, or tiled along the axis from Start to End.
void SidePart(TCanvas* D, TBitmap* S, const TRect& Src, const TRect& Dst, bool Stretch, bool Horz, int32_t Start,
              int32_t End) {
  if (Stretch)
    StretchPart(D, Dst, S, Src);
  else
    TilePart(D, S, Src, Horz, Start, End, Horz ? Dst.Top : Dst.Left, Horz ? Dst.Bottom : Dst.Right);
}

// The client part Src drawn into Area: stretched both ways (stFull), to
// Area's height and repeated across (stHorz), to Area's width and repeated
// down (stVert); or tiled as it is.
void ClientPart(TCanvas* D, TBitmap* S, const TRect& Src, const TRect& Area, bool ClientStretch,
                TbsStretchType StretchType) {
  if (!ClientStretch) {
    TileGrid(D, S, Src, Area);
    return;
  }
  if (IsEmptyArea(Area) || IsEmptyArea(Src)) return;
  if (StretchType == TbsStretchType::stFull) {
    StretchPart(D, Area, S, Src);
    return;
  }
  const bool horz = StretchType == TbsStretchType::stHorz;
  TBitmap band;
  band.SetSize(horz ? Src.Width() : Area.Width(), horz ? Area.Height() : Src.Height());
  StretchPart(band.Canvas(), TRect{0, 0, band.Width(), band.Height()}, S, Src);
  const TRect tile{0, 0, band.Width(), band.Height()};
  if (horz)
    TilePart(D, &band, tile, true, Area.Left, Area.Right, Area.Top, Area.Bottom);
  else
    TilePart(D, &band, tile, false, Area.Top, Area.Bottom, Area.Left, Area.Right);
}

TRect Moved(const TRect& R, const TRect& By) {
  return TRect{R.Left + By.Left, R.Top + By.Top, R.Right + By.Left, R.Bottom + By.Top};
}

struct TNinePart {
  TPoint LT, RT, LB, RB;
  TRect CR;
  TPoint NLT, NRT, NLB, NRB;
  TRect NCR;
  TBitmap* B;
  TBitmap* SB;
  TRect R;
  int32_t W, H;
  bool DrawClient, LeftStretch, TopStretch, RightStretch, BottomStretch, ClientStretch;
  TbsStretchType StretchType;
};

void ComposeNinePart(const TNinePart& g, bool OpenRight) {
  g.B->SetSize(g.W, g.H);
  if (g.RB.X == g.LT.X || g.RB.Y == g.LT.Y || g.SB == nullptr || g.SB->Empty()) return;
  TCanvas* D = g.B->Canvas();
  const int32_t SW = g.R.Width(), SH = g.R.Height();
  auto src = [&](int32_t l, int32_t t, int32_t r, int32_t b) { return Moved(TRect{l, t, r, b}, g.R); };
  const int32_t topEnd = OpenRight ? g.W : g.NRT.X;
  const int32_t bottomEnd = OpenRight ? g.W : g.NRB.X;

  SidePart(D, g.SB, src(g.LT.X, 0, g.RT.X, g.CR.Top), TRect{g.NLT.X, 0, topEnd, g.NCR.Top}, g.TopStretch, true, g.NLT.X,
           topEnd);
  SidePart(D, g.SB, src(g.LB.X, g.CR.Bottom, g.RB.X, SH), TRect{g.NLB.X, g.NCR.Bottom, bottomEnd, g.H}, g.BottomStretch,
           true, g.NLB.X, bottomEnd);
  // The left side stretches from CR.Left columns but tiles NCR.Left of them.
  const TRect leftDst{0, g.NLT.Y, g.NCR.Left, g.NLB.Y};
  if (g.LeftStretch)
    StretchPart(D, leftDst, g.SB, src(0, g.LT.Y, g.CR.Left, g.LB.Y));
  else
    TilePart(D, g.SB, src(0, g.LT.Y, g.NCR.Left, g.LB.Y), false, g.NLT.Y, g.NLB.Y, 0, g.NCR.Left);
  if (!OpenRight)
    SidePart(D, g.SB, src(g.CR.Right, g.RT.Y, SW, g.RB.Y), TRect{g.NCR.Right, g.NRT.Y, g.W, g.NRB.Y}, g.RightStretch,
             false, g.NRT.Y, g.NRB.Y);

  CopyPart(D, TRect{0, 0, g.NLT.X, g.NCR.Top}, g.SB, src(0, 0, g.LT.X, g.CR.Top));
  CopyPart(D, TRect{0, g.NCR.Top, g.NCR.Left, g.NLT.Y}, g.SB, src(0, g.CR.Top, g.CR.Left, g.LT.Y));
  CopyPart(D, TRect{0, g.NLB.Y, g.NCR.Left, g.H}, g.SB, src(0, g.LB.Y, g.CR.Left, SH));
  CopyPart(D, TRect{g.NCR.Left, g.NCR.Bottom, g.NLB.X, g.H}, g.SB, src(g.CR.Left, g.CR.Bottom, g.LB.X, SH));
  if (!OpenRight) {
    CopyPart(D, TRect{g.NRT.X, 0, g.W, g.NCR.Top}, g.SB, src(g.RT.X, 0, SW, g.CR.Top));
    CopyPart(D, TRect{g.NCR.Right, g.NCR.Top, g.W, g.NRT.Y}, g.SB, src(g.CR.Right, g.CR.Top, SW, g.RT.Y));
    CopyPart(D, TRect{g.NRB.X, g.NCR.Bottom, g.W, g.H}, g.SB, src(g.RB.X, g.CR.Bottom, SW, SH));
    CopyPart(D, TRect{g.NCR.Right, g.NRB.Y, g.W, g.NCR.Bottom}, g.SB, src(g.CR.Right, g.RB.Y, SW, g.CR.Bottom));
  }

  if (!g.DrawClient) return;
  TRect area = g.NCR;
  if (OpenRight) area.Right = g.W;
  ClientPart(D, g.SB, Moved(g.CR, g.R), area, g.ClientStretch, g.StretchType);
}

}  // namespace

// ---- Nine-part images -----------------------------------------------------------

void BuildSkinImage(const TPoint& LT, const TPoint& RT, const TPoint& LB, const TPoint& RB, const TRect& CR,
                    const TPoint& NLT, const TPoint& NRT, const TPoint& NLB, const TPoint& NRB, const TRect& NCR,
                    TBitmap* B, TBitmap* SB, const TRect& R, int32_t W, int32_t H, bool DrawClient, bool LeftStretch,
                    bool TopStretch, bool RightStretch, bool BottomStretch, bool ClientStretch,
                    TbsStretchType StretchType) {
  ComposeNinePart(
      TNinePart{
          LT, RT, LB, RB, CR,         NLT,         NRT,        NLB,          NRB,           NCR,           B,
          SB, R,  W,  H,  DrawClient, LeftStretch, TopStretch, RightStretch, BottomStretch, ClientStretch, StretchType},
      false);
}

void BuildWindowSkinImage(const TPoint& LT, const TPoint& RT, const TPoint& LB, const TPoint& RB, const TRect& CR,
                          const TPoint& NLT, const TPoint& NRT, const TPoint& NLB, const TPoint& NRB, const TRect& NCR,
                          TBitmap* B, TBitmap* SB, const TRect& R, int32_t W, int32_t H, bool DrawClient,
                          bool LeftStretch, bool TopStretch, bool RightStretch, bool BottomStretch, bool ClientStretch,
                          TbsStretchType StretchType) {
  BuildSkinImage(LT, RT, LB, RB, CR, NLT, NRT, NLB, NRB, NCR, B, SB, R, W, H, DrawClient, LeftStretch, TopStretch,
                 RightStretch, BottomStretch, ClientStretch, StretchType);
}

void BuildSkinImageOpenRight(const TPoint& LT, const TPoint& RT, const TPoint& LB, const TPoint& RB, const TRect& CR,
                             const TPoint& NLT, const TPoint& NRT, const TPoint& NLB, const TPoint& NRB,
                             const TRect& NCR, TBitmap* B, TBitmap* SB, const TRect& R, int32_t W, int32_t H,
                             bool DrawClient, bool LeftStretch, bool TopStretch, bool RightStretch, bool BottomStretch,
                             bool ClientStretch, TbsStretchType StretchType) {
  ComposeNinePart(
      TNinePart{
          LT, RT, LB, RB, CR,         NLT,         NRT,        NLB,          NRB,           NCR,           B,
          SB, R,  W,  H,  DrawClient, LeftStretch, TopStretch, RightStretch, BottomStretch, ClientStretch, StretchType},
      true);
}

void BuildStretchedSkinImage(TBitmap* B, TBitmap* SB, const TRect& R, const TRect& CR, bool DrawClient) {
  const int32_t W = B->Width(), H = B->Height();
  const TRect NCR{CR.Left, CR.Top, CR.Right + W - R.Width(), CR.Bottom + H - R.Height()};
  BuildSkinImage(TPoint{CR.Left, CR.Top}, TPoint{CR.Right, CR.Top}, TPoint{CR.Left, CR.Bottom},
                 TPoint{CR.Right, CR.Bottom}, CR, TPoint{NCR.Left, NCR.Top}, TPoint{NCR.Right, NCR.Top},
                 TPoint{NCR.Left, NCR.Bottom}, TPoint{NCR.Right, NCR.Bottom}, NCR, B, SB, R, W, H, DrawClient, true,
                 true, true, true, true, TbsStretchType::stFull);
}

// ---- Three-part images ------------------------------------------------------------

namespace {

enum class TThreePart : uint8_t { Full, OpenEnd, MiddleOnly };

// A bar along one axis: R's extent across it, Len along it; caps of Cap0 and
// Cap1 pixels at the two ends, the middle of R between them stretched or
// tiled. A horizontal middle of 0 pixels counts as 1; a vertical one draws
// nothing.
void BuildThreePart(int32_t Cap0, int32_t Cap1, TBitmap* B, TBitmap* SB, const TRect& R, int32_t Len, bool Stretch,
                    bool Horz, TThreePart Kind) {
  const int32_t across = Horz ? R.Height() : R.Width();
  const int32_t r0 = Horz ? R.Left : R.Top, r1 = Horz ? R.Right : R.Bottom;
  const int32_t c0 = Horz ? R.Top : R.Left, c1 = Horz ? R.Bottom : R.Right;
  B->SetSize(Horz ? Len : across, Horz ? across : Len);
  if (SB == nullptr || SB->Empty()) return;
  TCanvas* D = B->Canvas();
  if (Kind != TThreePart::MiddleOnly && Cap0 != 0)
    CopyPart(D, Span(Horz, 0, Cap0, 0, across), SB, Span(Horz, r0, r0 + Cap0, c0, c1));
  if (Kind == TThreePart::Full && Cap1 != 0)
    CopyPart(D, Span(Horz, Len - Cap1, Len, 0, across), SB, Span(Horz, r1 - Cap1, r1, c0, c1));
  int32_t m = r1 - r0 - Cap0 - Cap1;
  if (m == 0 && Horz) m = 1;
  if (m <= 0) return;
  const TRect src = Span(Horz, r0 + Cap0, r0 + Cap0 + m, c0, c1);
  const int32_t start = Kind == TThreePart::MiddleOnly ? 0 : Cap0;
  const int32_t end = Kind == TThreePart::Full ? Len - Cap1 : Len;
  SidePart(D, SB, src, Span(Horz, start, end, 0, across), Stretch, Horz, start, end);
}

}  // namespace

void BuildHSkinImage(int32_t LOWidth, int32_t ROWidth, TBitmap* B, TBitmap* SB, const TRect& R, int32_t W, int32_t,
                     bool Stretch) {
  BuildThreePart(LOWidth, ROWidth, B, SB, R, W, Stretch, true, TThreePart::Full);
}

void BuildHSkinImageOpenRight(int32_t LOWidth, int32_t ROWidth, TBitmap* B, TBitmap* SB, const TRect& R, int32_t W,
                              int32_t, bool Stretch) {
  BuildThreePart(LOWidth, ROWidth, B, SB, R, W, Stretch, true, TThreePart::OpenEnd);
}

void BuildHSkinImageMiddle(int32_t LOWidth, int32_t ROWidth, TBitmap* B, TBitmap* SB, const TRect& R, int32_t W,
                           int32_t, bool Stretch) {
  BuildThreePart(LOWidth, ROWidth, B, SB, R, W, Stretch, true, TThreePart::MiddleOnly);
}

void BuildVSkinImage(int32_t TOHeight, int32_t BOHeight, TBitmap* B, TBitmap* SB, const TRect& R, int32_t, int32_t H,
                     bool Stretch) {
  BuildThreePart(TOHeight, BOHeight, B, SB, R, H, Stretch, false, TThreePart::Full);
}

// ---- Client part and frame strips ----------------------------------------------------

void BuildClientSkinImage(const TRect& CR, const TRect& NCR, TBitmap* B, TBitmap* SB, const TRect& R, int32_t W,
                          int32_t H, bool ClientStretch, TbsStretchType StretchType) {
  B->SetSize(W, H);
  if (IsEmptyArea(NCR) || SB == nullptr || SB->Empty()) return;
  const TRect src = Moved(CR, R);
  if (ClientStretch)
    ClientPart(B->Canvas(), SB, src, NCR, true, StretchType);
  else
    TileGrid(B->Canvas(), SB, src, TRect{0, 0, NCR.Width(), NCR.Height()});
}

namespace {

// A horizontal frame strip of source rows Y0..Y1 (absolute): the side of
// columns A..B (relative to Org) stretched into NA..NB or tiled from TileFrom
// to TileTo, then the columns before A into 0..LeftEnd and from B on into
// NB..W.
struct THStrip {
  int32_t Y0, Y1, A, B, NA, NB, TileFrom, TileTo, LeftEnd;
};

void BuildHStrip(TBitmap* Dst, TBitmap* SB, const TRect& Org, const THStrip& s, int32_t W, bool Stretch) {
  TCanvas* D = Dst->Canvas();
  const int32_t h = Dst->Height();
  const TRect side{Org.Left + s.A, s.Y0, Org.Left + s.B, s.Y1};
  if (Stretch)
    StretchPart(D, TRect{s.NA, 0, s.NB, h}, SB, side);
  else
    TilePart(D, SB, side, true, s.TileFrom, s.TileTo, 0, h);
  CopyPart(D, TRect{0, 0, s.LeftEnd, h}, SB, TRect{Org.Left, s.Y0, Org.Left + s.A, s.Y1});
  CopyPart(D, TRect{s.NB, 0, W, h}, SB, TRect{Org.Left + s.B, s.Y0, Org.Right, s.Y1});
}

// A vertical frame strip of source columns X0..X1 (absolute) and V rows: the
// side rows A..B (relative to Org) stretched into A - CR.Top .. V + B -
// CR.Bottom or tiled from row 0, then rows CR.Top..A at the top and rows
// B..CR.Bottom at the bottom.
void BuildVStrip(TBitmap* Dst, TBitmap* SB, const TRect& Org, int32_t X0, int32_t X1, int32_t A, int32_t B,
                 const TRect& CR, bool Stretch) {
  TCanvas* D = Dst->Canvas();
  const int32_t w = Dst->Width(), V = Dst->Height();
  const TRect side{X0, Org.Top + A, X1, Org.Top + B};
  if (Stretch)
    StretchPart(D, TRect{0, A - CR.Top, w, V + B - CR.Bottom}, SB, side);
  else
    TilePart(D, SB, side, false, 0, V, 0, w);
  if (A > CR.Top) CopyPart(D, TRect{0, 0, w, A - CR.Top}, SB, TRect{X0, Org.Top + CR.Top, X1, Org.Top + A});
  if (CR.Bottom > B)
    CopyPart(D, TRect{0, V - (CR.Bottom - B), w, V}, SB, TRect{X0, Org.Top + B, X1, Org.Top + CR.Bottom});
}

}  // namespace

void BuildSkinBorderImages(const TPoint& LT, const TPoint& RT, const TPoint& LB, const TPoint& RB, const TRect& CR,
                           const TPoint& NLT, const TPoint& NRT, const TPoint& NLB, const TPoint& NRB, const TRect& NCR,
                           TBitmap* LeftB, TBitmap* TopB, TBitmap* RightB, TBitmap* BottomB, TBitmap* SB,
                           const TRect& R, int32_t W, int32_t H, bool LeftStretch, bool TopStretch, bool RightStretch,
                           bool BottomStretch) {
  if (SB == nullptr || SB->Empty()) return;
  if (W > 0 && NCR.Top > 0 && RT.X > LT.X) {
    TopB->SetSize(W, NCR.Top);
    BuildHStrip(TopB, SB, R, THStrip{R.Top, R.Top + NCR.Top, LT.X, RT.X, NLT.X, NRT.X, 0, W, NLT.X}, W, TopStretch);
  }
  const int32_t D = H - NCR.Bottom;
  if (W > 0 && D > 0 && RB.X > LB.X) {
    BottomB->SetSize(W, D);
    BuildHStrip(BottomB, SB, R, THStrip{R.Bottom - D, R.Bottom, LB.X, RB.X, NLB.X, NRB.X, 0, W, NLB.X}, W,
                BottomStretch);
  }
  const int32_t V = H - BottomB->Height() - TopB->Height();
  if (NCR.Left > 0 && V > 0 && LB.Y > LT.Y) {
    LeftB->SetSize(NCR.Left, V);
    BuildVStrip(LeftB, SB, R, R.Left, R.Left + NCR.Left, LT.Y, LB.Y, CR, LeftStretch);
  }
  if (W - NCR.Right >= 1 && V >= 1 && RB.Y > RT.Y) {
    RightB->SetSize(W - NCR.Right, V);
    BuildVStrip(RightB, SB, R, R.Left + CR.Right, R.Right, RT.Y, RB.Y, CR, RightStretch);
  }
}

// ---- Masks and regions ----------------------------------------------------------------

void BuildSkinMask(const TPoint& LT, const TPoint& RT, const TPoint& LB, const TPoint& RB, const TRect& CR,
                   const TPoint& NLT, const TPoint& NRT, const TPoint& NLB, const TPoint& NRB, const TRect& NCR,
                   TBitmap* FMask, TBitmap* TopM, TBitmap* LeftM, TBitmap* RightM, TBitmap* BottomM, int32_t W,
                   int32_t) {
  if (FMask == nullptr || FMask->Empty()) return;
  const int32_t MW = FMask->Width(), MH = FMask->Height();
  const TRect org{0, 0, MW, MH};
  const int32_t h = NCR.Height();
  if (CR.Left > 0 && h > 0) {
    LeftM->SetSize(CR.Left, h);
    BuildVStrip(LeftM, FMask, org, 0, CR.Left, LT.Y, LB.Y, CR, false);
  }
  if (MW - CR.Right > 0 && h > 0) {
    RightM->SetSize(MW - CR.Right, h);
    BuildVStrip(RightM, FMask, org, CR.Right, MW, RT.Y, RB.Y, CR, false);
  }
  if (W > 0 && CR.Top > 0) {
    TopM->SetSize(W, CR.Top);
    BuildHStrip(TopM, FMask, org, THStrip{0, CR.Top, LT.X, RT.X, NLT.X, NRT.X, NLT.X, NRT.X, LT.X}, W, false);
  }
  if (W > 0 && MH - CR.Bottom > 0) {
    BottomM->SetSize(W, MH - CR.Bottom);
    BuildHStrip(BottomM, FMask, org, THStrip{CR.Bottom, MH, LB.X, RB.X, NLB.X, NRB.X, NLB.X, NRB.X, LB.X}, W, false);
  }
}

int32_t MaskToRegionData(TBitmap* Mask, int32_t XO, int32_t YO, std::vector<uint8_t>& RgnData) {
  RgnData.clear();
  if (Mask == nullptr || Mask->Empty() || Mask->Width() <= 0 || Mask->Height() <= 0) return 0;
  TbsFBitmap fb(Mask->Handle());
  std::vector<TRect> rects;
  for (int32_t y = 0; y < fb.Height(); ++y) {
    const uint8_t* row = fb.Row(y);
    auto black = [row](int32_t x) { return row[x * 3] == 0 && row[x * 3 + 1] == 0 && row[x * 3 + 2] == 0; };
    int32_t x = 0;
    while (x < fb.Width()) {
      if (!black(x)) {
        ++x;
        continue;
      }
      const int32_t x1 = x;
      while (x < fb.Width() && black(x)) ++x;
      rects.push_back(TRect{x1 + XO, y + YO, x + XO, y + 1 + YO});
    }
  }
  RGNDATAHEADER header;
  header.nCount = uint32_t(rects.size());
  header.rcBound = TRect{XO, YO, XO + fb.Width(), YO + fb.Height()};
  RgnData.resize(sizeof(RGNDATAHEADER) + rects.size() * sizeof(TRect));
  std::memcpy(RgnData.data(), &header, sizeof(header));
  if (!rects.empty()) std::memcpy(RgnData.data() + sizeof(RGNDATAHEADER), rects.data(), rects.size() * sizeof(TRect));
  return int32_t(RgnData.size());
}

void RegionFromMask(HRGN& Rgn, TBitmap* Mask) {
  Rgn = nullptr;
  std::vector<uint8_t> data;
  const int32_t size = MaskToRegionData(Mask, 0, 0, data);
  if (size == 0) return;
  Rgn = ExtCreateRegion(nullptr, uint32_t(size), reinterpret_cast<const RGNDATA*>(data.data()));
}

namespace {

// The region of a mask strip at an offset; nullptr for a strip without pixels.
HRGN StripRegion(TBitmap* Strip, int32_t XO, int32_t YO) {
  std::vector<uint8_t> data;
  if (Strip->Width() <= 0 || Strip->Height() <= 0) return nullptr;
  const int32_t size = MaskToRegionData(Strip, XO, YO, data);
  return size == 0 ? nullptr : ExtCreateRegion(nullptr, uint32_t(size), reinterpret_cast<const RGNDATA*>(data.data()));
}

// A := A united with B (either may be missing); B is deleted.
HRGN UniteInto(HRGN A, HRGN B) {
  if (A == nullptr) return B;
  if (B != nullptr) {
    CombineRgn(A, A, B, RGN_OR);
    DeleteObject(B);
  }
  return A;
}

}  // namespace

void RegionFromSkinMask(HRGN& Rgn, const TPoint& LT, const TPoint& RT, const TPoint& LB, const TPoint& RB,
                        const TRect& CR, const TPoint& NLT, const TPoint& NRT, const TPoint& NLB, const TPoint& NRB,
                        const TRect& NCR, TBitmap* FMask, int32_t W, int32_t H) {
  Rgn = nullptr;
  if (NRT.X < NLT.X || NLB.Y < NLT.Y) return;
  TBitmap top, left, right, bottom;
  BuildSkinMask(LT, RT, LB, RB, CR, NLT, NRT, NLB, NRB, NCR, FMask, &top, &left, &right, &bottom, W, H);
  HRGN rTop = StripRegion(&top, 0, 0);
  HRGN rBottom = StripRegion(&bottom, 0, NCR.Bottom);
  HRGN rLeft = StripRegion(&left, 0, NCR.Top);
  HRGN rRight = StripRegion(&right, NCR.Right, NCR.Top);
  HRGN strips = UniteInto(UniteInto(rTop, rBottom), UniteInto(rLeft, rRight));
  Rgn = IsEmptyArea(NCR) ? CreateRectRgn(0, 0, 0, 0) : CreateRectRgnIndirect(NCR);
  if (strips != nullptr) {
    CombineRgn(Rgn, Rgn, strips, RGN_OR);
    DeleteObject(strips);
  }
}

void DrawStripGlyph(TCanvas* Cnvs, int32_t X, int32_t Y, TBitmap* Strip, int32_t Count, int32_t Index) {
  if (Strip == nullptr || Strip->Empty() || Count <= 0) return;
  const int32_t gw = Strip->Width() / Count;
  if (gw <= 0) return;
  TBitmap glyph;
  glyph.SetSize(gw, Strip->Height());
  glyph.Canvas()->CopyRect(TRect{0, 0, gw, Strip->Height()}, Strip->Canvas(),
                           TRect{(Index - 1) * gw, 0, Index * gw, Strip->Height()});
  glyph.SetTransparent(true);
  Cnvs->Draw(X, Y, &glyph);
}
