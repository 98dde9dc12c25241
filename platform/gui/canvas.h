// The drawing framework over device contexts: pens, brushes, fonts and the
// canvas that selects them into its DC before each operation.
//
// The canvas derives the DC's background from its brush: a solid brush means
// OPAQUE with the brush colour (dash gaps, hatch gaps of pens and the text
// cell of TextOut take it), any other style TRANSPARENT. The text colour is
// the font colour; the ROP2 mode follows the pen's mode.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/gui/gdi.h"
#include "platform/rtl/components.h"
#include "platform/rtl/graphtypes.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/threads.h"
#include "platform/rtl/types.h"

class TBitmap;
class TCanvas;
class TGraphic;

enum class TPenStyle : uint8_t { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum class TPenMode : uint8_t {
  pmBlack,
  pmWhite,
  pmNop,
  pmNot,
  pmCopy,
  pmNotCopy,
  pmMergePenNot,
  pmMaskPenNot,
  pmMergeNotPen,
  pmMaskNotPen,
  pmMerge,
  pmNotMerge,
  pmMask,
  pmNotMask,
  pmXor,
  pmNotXor
};
enum class TBrushStyle : uint8_t {
  bsSolid,
  bsClear,
  bsHorizontal,
  bsVertical,
  bsFDiagonal,
  bsBDiagonal,
  bsCross,
  bsDiagCross
};
enum class TFontPitch : uint8_t { fpDefault, fpVariable, fpFixed };
using TFontCharset = uint8_t;
enum class TFillStyle : uint8_t { fsSurface, fsBorder };

// The R2_* code of a pen mode.
int32_t PenModeToRop2(TPenMode Mode);

// Canvas copy modes are ROP3 codes.
using TCopyMode = uint32_t;
inline constexpr TCopyMode cmBlackness = BLACKNESS;
inline constexpr TCopyMode cmDstInvert = DSTINVERT;
inline constexpr TCopyMode cmMergeCopy = MERGECOPY;
inline constexpr TCopyMode cmMergePaint = MERGEPAINT;
inline constexpr TCopyMode cmNotSrcCopy = NOTSRCCOPY;
inline constexpr TCopyMode cmNotSrcErase = NOTSRCERASE;
inline constexpr TCopyMode cmPatCopy = PATCOPY;
inline constexpr TCopyMode cmPatInvert = PATINVERT;
inline constexpr TCopyMode cmPatPaint = PATPAINT;
inline constexpr TCopyMode cmSrcAnd = SRCAND;
inline constexpr TCopyMode cmSrcCopy = SRCCOPY;
inline constexpr TCopyMode cmSrcErase = SRCERASE;
inline constexpr TCopyMode cmSrcInvert = SRCINVERT;
inline constexpr TCopyMode cmSrcPaint = SRCPAINT;
inline constexpr TCopyMode cmWhiteness = WHITENESS;

// Base of pens, brushes and fonts: a description that makes its GDI object on
// demand and drops it when the description changes. OnChange fires after
// every change (a canvas uses it to deselect the object first).
class TGraphicsObject : public TPersistent {
 public:
  TGraphicsObject() = default;
  ~TGraphicsObject() override;
  const char* ClassName() const override { return "TGraphicsObject"; }

  TNotifyEvent OnChange;

 protected:
  virtual void Changed();
  // Puts New in place of the current object, tells the listeners, then
  // deletes the old one (kept for later when it is still selected somewhere).
  void ReplaceHandle(HGDIOBJ New);
  HGDIOBJ FHandle = nullptr;

 private:
  void DeleteRetired();
  std::vector<HGDIOBJ> FRetired;
};

class TPen : public TGraphicsObject {
 public:
  TPen() = default;
  const char* ClassName() const override { return "TPen"; }
  void Assign(TPersistent* Source) override;

  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  int32_t Width() const { return FWidth; }
  void SetWidth(int32_t Value);
  TPenStyle Style() const { return FStyle; }
  void SetStyle(TPenStyle Value);
  TPenMode Mode() const { return FMode; }
  void SetMode(TPenMode Value);
  HPEN Handle();

 private:
  TColor FColor = clBlack;
  int32_t FWidth = 1;
  TPenStyle FStyle = TPenStyle::psSolid;
  TPenMode FMode = TPenMode::pmCopy;
};

class TBrush : public TGraphicsObject {
 public:
  TBrush() = default;
  const char* ClassName() const override { return "TBrush"; }
  void Assign(TPersistent* Source) override;

  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  TBrushStyle Style() const { return FStyle; }
  void SetStyle(TBrushStyle Value);
  // A pattern bitmap (not owned; copied into the brush when the handle is
  // made). It takes precedence over the style's hatch.
  TBitmap* Bitmap() const { return FBitmap; }
  void SetBitmap(TBitmap* Value);
  HBRUSH Handle();

 private:
  TColor FColor = clWhite;
  TBrushStyle FStyle = TBrushStyle::bsSolid;
  TBitmap* FBitmap = nullptr;
};

// Heights are in pixels at 96 pixels per inch: negative for the character
// height, positive for the cell height. Size is in points.
class TFont : public TGraphicsObject {
 public:
  TFont() = default;
  const char* ClassName() const override { return "TFont"; }
  void Assign(TPersistent* Source) override;

  const String& Name() const { return FName; }
  void SetName(const String& Value);
  int32_t Height() const { return FHeight; }
  void SetHeight(int32_t Value);
  // -MulDiv(Height, 72, 96); setting it sets Height to -MulDiv(Size, 96, 72).
  int32_t Size() const;
  void SetSize(int32_t Value);
  TFontStyles Style() const { return FStyle; }
  void SetStyle(TFontStyles Value);
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  TFontCharset Charset() const { return FCharset; }
  void SetCharset(TFontCharset Value);
  TFontPitch Pitch() const { return FPitch; }
  void SetPitch(TFontPitch Value);
  // Escapement of the text, tenths of a degree counter-clockwise.
  int32_t Orientation() const { return FOrientation; }
  void SetOrientation(int32_t Value);
  int32_t PixelsPerInch() const { return 96; }

  HFONT Handle();
  // Takes over a font made elsewhere: its description becomes this font's
  // (the handle itself is used until the next change) and the font deletes it.
  void SetHandle(HFONT Value);

 private:
  String FName = "MS Sans Serif";
  int32_t FHeight = -11;
  TFontStyles FStyle;
  TColor FColor = clWindowText;
  TFontCharset FCharset = DEFAULT_CHARSET;
  TFontPitch FPitch = TFontPitch::fpDefault;
  int32_t FOrientation = 0;
};

class TCanvas : public TPersistent {
 public:
  TCanvas();
  ~TCanvas() override;
  const char* ClassName() const override { return "TCanvas"; }

  // The DC with the pen, brush and font selected. A canvas without one asks
  // CreateHandle; when there still is none: EInvalidOperation "Canvas does
  // not allow drawing".
  HDC Handle();
  // Uses Value (not owned); the objects selected into the previous DC are
  // taken out of it first.
  void SetHandle(HDC Value);
  bool HandleAllocated() const { return FHandle != nullptr; }

  TPen* Pen() const { return FPen.get(); }
  void SetPen(TPen* Value) { FPen->Assign(Value); }
  TBrush* Brush() const { return FBrush.get(); }
  void SetBrush(TBrush* Value) { FBrush->Assign(Value); }
  TFont* Font() const { return FFont.get(); }
  void SetFont(TFont* Value) { FFont->Assign(Value); }
  TCopyMode CopyMode() const { return FCopyMode; }
  void SetCopyMode(TCopyMode Value) { FCopyMode = Value; }
  TPoint PenPos();
  void SetPenPos(const TPoint& Value) { MoveTo(Value.X, Value.Y); }
  TRect ClipRect();
  // CLR_INVALID (as a TColor, -1) outside the target or the clip.
  TColor Pixels(int32_t X, int32_t Y);
  void SetPixels(int32_t X, int32_t Y, TColor Value);

  // For drawing from several threads: Lock is re-entrant; TryLock succeeds
  // only when nobody holds the lock.
  void Lock();
  void Unlock();
  bool TryLock();
  int32_t LockCount() const { return FLockCount.load(); }

  void MoveTo(int32_t X, int32_t Y);
  void LineTo(int32_t X, int32_t Y);
  void Polyline(const TPoint* Points, int32_t Count);
  void Polyline(const std::vector<TPoint>& Points);
  void Polygon(const TPoint* Points, int32_t Count);
  void Polygon(const std::vector<TPoint>& Points);
  void Rectangle(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2);
  void Rectangle(const TRect& Rect) { Rectangle(Rect.Left, Rect.Top, Rect.Right, Rect.Bottom); }
  void RoundRect(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3);
  void Ellipse(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2);
  void Ellipse(const TRect& Rect) { Ellipse(Rect.Left, Rect.Top, Rect.Right, Rect.Bottom); }
  void Arc(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3, int32_t X4, int32_t Y4);
  void Chord(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3, int32_t X4, int32_t Y4);
  void Pie(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3, int32_t X4, int32_t Y4);
  // With the brush only; a clear brush draws nothing.
  void FillRect(const TRect& Rect);
  void FrameRect(const TRect& Rect);
  void DrawFocusRect(const TRect& Rect);
  void FloodFill(int32_t X, int32_t Y, TColor Color, TFillStyle FillStyle);

  // Text at (X, Y); with a solid brush the text cell is filled behind it.
  // The pen position moves to the end of the text.
  void TextOut(int32_t X, int32_t Y, const String& Text);
  // Text at (X, Y) clipped to Rect; with a solid brush all of Rect is filled.
  void TextRect(const TRect& Rect, int32_t X, int32_t Y, const String& Text);
  int32_t TextWidth(const String& Text) { return TextExtent(Text).cx; }
  int32_t TextHeight(const String& Text) { return TextExtent(Text).cy; }
  TSize TextExtent(const String& Text);

  // The graphic at its own size / stretched into Rect (transparent graphics
  // leave their transparent pixels out); opaque pixels go through CopyMode.
  void Draw(int32_t X, int32_t Y, TGraphic* Graphic);
  void StretchDraw(const TRect& Rect, TGraphic* Graphic);
  void CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source);
  // Copies Source of Bitmap onto Dest with the pixels of Color replaced by
  // the brush.
  void BrushCopy(const TRect& Dest, TBitmap* Bitmap, const TRect& Source, TColor Color);
  // Takes the pen, brush and font out of the DC; they are selected again
  // before the next drawing.
  void Refresh();

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  virtual void Changed();
  virtual void Changing();
  // Called when a DC is needed and there is none; a derived canvas makes one
  // and hands it to SetHandle.
  virtual void CreateHandle() {}
  void DeselectHandles();

  enum : uint8_t { csHandleValid = 1, csPenValid = 2, csBrushValid = 4, csFontValid = 8, csAllValid = 15 };
  void RequiredState(uint8_t State);

 private:
  void PenChanged();
  void BrushChanged();
  void FontChanged();

  HDC FHandle = nullptr;
  uint8_t FState = 0;
  std::unique_ptr<TPen> FPen;
  std::unique_ptr<TBrush> FBrush;
  std::unique_ptr<TFont> FFont;
  TCopyMode FCopyMode = cmSrcCopy;
  TPoint FPenPos;
  TCriticalSection FLock;
  std::mutex FCountLock;
  std::atomic<int32_t> FLockCount{0};
};

// Writes a W x H block of colours (0x00BBGGRR, rows top to bottom) at logical
// (X, Y) of DC, under its clip, through the ROP3 code Rop (the pattern being
// the DC's brush colour when it is solid). With Mask only the pixels whose
// entry is nonzero are written. False for a bad DC or arguments.
bool DrawColorBlock(HDC DC, int32_t X, int32_t Y, int32_t W, int32_t H, const COLORREF* Colors, const uint8_t* Mask,
                    uint32_t Rop = SRCCOPY);

// Copies the source rectangle of Source onto the destination rectangle of
// Dest (logical coordinates), stretched by the nearest-pixel rule of
// StretchBlt (source index ((2i + 1) * source size) div (2 * destination
// size); extents of opposite signs mirror). Source pixels of
// TransparentColor (0x00BBGGRR, compared exactly; CLR_NONE for none) are left
// out, and so are pixels whose source lies outside the bitmap. A monochrome
// source gives Dest's text colour for 0 bits and its background colour for 1
// bits. The others go through Rop.
bool TransparentStretchBlt(HDC Dest, int32_t X, int32_t Y, int32_t W, int32_t H, HBITMAP Source, int32_t XSrc,
                           int32_t YSrc, int32_t WSrc, int32_t HSrc, COLORREF TransparentColor, uint32_t Rop = SRCCOPY);
