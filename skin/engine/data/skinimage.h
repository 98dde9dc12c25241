// Composing skin images: a skin rect of a picture drawn at any size (corners
// copied, sides stretched or tiled, the client part stretched or tiled), its
// three-part and border variants, and window regions from mask pictures.
//
// Nine-part geometry: SR is the skin rect in the source picture; LT, RT, LB,
// RB its corner points and CR its client rect, relative to SR's top-left;
// NLT .. NRB and NCR the same in the new W x H image. All routines are free
// and keep no state; every copy goes through the canvas of the bitmaps.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gui/gdi.h"
#include "platform/gui/graphics.h"
#include "platform/rtl/graphtypes.h"
#include "skin/engine/data/skinini.h"

// A 24-bit top-down DIB copy of a bitmap with a row table, for reading pixels
// without the canvas. Rows are Width x 3 + Width mod 4 bytes (4-byte aligned).
class TbsFBitmap {
 public:
  explicit TbsFBitmap(HBITMAP Source);
  ~TbsFBitmap();
  TbsFBitmap(const TbsFBitmap&) = delete;
  TbsFBitmap& operator=(const TbsFBitmap&) = delete;

  int32_t Width() const { return FWidth; }
  int32_t Height() const { return FHeight; }
  int32_t RowStride() const { return FRowInc; }
  // Row Y, blue-green-red triples.
  const uint8_t* Row(int32_t Y) const;

 private:
  HBITMAP FHandle = nullptr;
  int32_t FWidth = 0;
  int32_t FHeight = 0;
  int32_t FSize = 0;
  uint8_t* FBits = nullptr;
  BITMAPINFOHEADER FBmHeader;
  BITMAPINFO FBmInfo{};
  std::vector<uint8_t*> FPixels;  // row table
  int32_t FRowInc = 0;
  int32_t FGap = 0;
  HDC FDC = nullptr;
};

// ---- Nine-part images -----------------------------------------------------------

void BuildSkinImage(const TPoint& LT, const TPoint& RT, const TPoint& LB, const TPoint& RB, const TRect& CR,
                    const TPoint& NLT, const TPoint& NRT, const TPoint& NLB, const TPoint& NRB, const TRect& NCR,
                    TBitmap* B, TBitmap* SB, const TRect& R, int32_t W, int32_t H, bool DrawClient, bool LeftStretch,
                    bool TopStretch, bool RightStretch, bool BottomStretch, bool ClientStretch,
                    TbsStretchType StretchType);
// The same composition, for the popup-menu, image-menu and hint windows.
void BuildWindowSkinImage(const TPoint& LT, const TPoint& RT, const TPoint& LB, const TPoint& RB, const TRect& CR,
                          const TPoint& NLT, const TPoint& NRT, const TPoint& NLB, const TPoint& NRB, const TRect& NCR,
                          TBitmap* B, TBitmap* SB, const TRect& R, int32_t W, int32_t H, bool DrawClient,
                          bool LeftStretch, bool TopStretch, bool RightStretch, bool BottomStretch, bool ClientStretch,
                          TbsStretchType StretchType);
// Without the right side and right corners: top, bottom and client run to W.
void BuildSkinImageOpenRight(const TPoint& LT, const TPoint& RT, const TPoint& LB, const TPoint& RB, const TRect& CR,
                             const TPoint& NLT, const TPoint& NRT, const TPoint& NLB, const TPoint& NRB,
                             const TRect& NCR, TBitmap* B, TBitmap* SB, const TRect& R, int32_t W, int32_t H,
                             bool DrawClient, bool LeftStretch, bool TopStretch, bool RightStretch, bool BottomStretch,
                             bool ClientStretch, TbsStretchType StretchType);
// At B's current size, with CR's corners as the corner points and every part
// stretched.
void BuildStretchedSkinImage(TBitmap* B, TBitmap* SB, const TRect& R, const TRect& CR, bool DrawClient);

// ---- Three-part images ------------------------------------------------------------

// R's height by W: LOWidth and ROWidth columns of R copied as caps, the middle
// stretched or tiled between them. H is not used.
void BuildHSkinImage(int32_t LOWidth, int32_t ROWidth, TBitmap* B, TBitmap* SB, const TRect& R, int32_t W, int32_t H,
                     bool Stretch);
// No right cap: the middle runs to W (its source still leaves ROWidth out).
void BuildHSkinImageOpenRight(int32_t LOWidth, int32_t ROWidth, TBitmap* B, TBitmap* SB, const TRect& R, int32_t W,
                              int32_t H, bool Stretch);
// Only the middle, over the whole width.
void BuildHSkinImageMiddle(int32_t LOWidth, int32_t ROWidth, TBitmap* B, TBitmap* SB, const TRect& R, int32_t W,
                           int32_t H, bool Stretch);
// R's width by H, with top and bottom caps. W is not used.
void BuildVSkinImage(int32_t TOHeight, int32_t BOHeight, TBitmap* B, TBitmap* SB, const TRect& R, int32_t W, int32_t H,
                     bool Stretch);

// ---- Client part and frame strips ----------------------------------------------------

void BuildClientSkinImage(const TRect& CR, const TRect& NCR, TBitmap* B, TBitmap* SB, const TRect& R, int32_t W,
                          int32_t H, bool ClientStretch, TbsStretchType StretchType);
// The four strips of a W x H frame. A strip that does not exist keeps its
// bitmap as it was.
void BuildSkinBorderImages(const TPoint& LT, const TPoint& RT, const TPoint& LB, const TPoint& RB, const TRect& CR,
                           const TPoint& NLT, const TPoint& NRT, const TPoint& NLB, const TPoint& NRB, const TRect& NCR,
                           TBitmap* LeftB, TBitmap* TopB, TBitmap* RightB, TBitmap* BottomB, TBitmap* SB,
                           const TRect& R, int32_t W, int32_t H, bool LeftStretch, bool TopStretch, bool RightStretch,
                           bool BottomStretch);

// ---- Masks and regions ----------------------------------------------------------------

// The four strips of a mask picture (covering the skin rect exactly) for the
// new size; always tiled. H is not used.
void BuildSkinMask(const TPoint& LT, const TPoint& RT, const TPoint& LB, const TPoint& RB, const TRect& CR,
                   const TPoint& NLT, const TPoint& NRT, const TPoint& NLB, const TPoint& NRB, const TRect& NCR,
                   TBitmap* FMask, TBitmap* TopM, TBitmap* LeftM, TBitmap* RightM, TBitmap* BottomM, int32_t W,
                   int32_t H);
// Region data (RGNDATA: header, then rectangles) of the pure black pixels of
// Mask, one rectangle per run of a row, moved by (XO, YO). Answers the byte
// size; an empty mask gives 0 and an empty buffer.
int32_t MaskToRegionData(TBitmap* Mask, int32_t XO, int32_t YO, std::vector<uint8_t>& RgnData);
// The region of the black pixels of a whole mask; nullptr for an empty mask.
void RegionFromMask(HRGN& Rgn, TBitmap* Mask);
// The window region of a W x H image from its skin's mask; nullptr when the
// new corner points are out of order.
void RegionFromSkinMask(HRGN& Rgn, const TPoint& LT, const TPoint& RT, const TPoint& LB, const TPoint& RB,
                        const TRect& CR, const TPoint& NLT, const TPoint& NRT, const TPoint& NLB, const TPoint& NRB,
                        const TRect& NCR, TBitmap* FMask, int32_t W, int32_t H);

// Glyph Index (from 1) of a strip of Count equal glyphs, drawn at (X, Y) with
// the strip's automatic transparent colour (its bottom-left pixel).
void DrawStripGlyph(TCanvas* Cnvs, int32_t X, int32_t Y, TBitmap* Strip, int32_t Count, int32_t Index);
