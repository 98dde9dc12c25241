#include "platform/gui/canvas.h"

#include <algorithm>
#include <vector>

#include "platform/gui/gdi_internal.h"
#include "platform/gui/graphics.h"
#include "platform/gui/syscolors.h"
#include "platform/gui/text.h"
#include "platform/rtl/arith.h"

namespace {

COLORREF Rgb(TColor c) { return ColorToRGB(c) & 0x00FFFFFFu; }

}  // namespace

int32_t PenModeToRop2(TPenMode Mode) {
  switch (Mode) {
    case TPenMode::pmBlack: return R2_BLACK;
    case TPenMode::pmWhite: return R2_WHITE;
    case TPenMode::pmNop: return R2_NOP;
    case TPenMode::pmNot: return R2_NOT;
    case TPenMode::pmCopy: return R2_COPYPEN;
    case TPenMode::pmNotCopy: return R2_NOTCOPYPEN;
    case TPenMode::pmMergePenNot: return R2_MERGEPENNOT;
    case TPenMode::pmMaskPenNot: return R2_MASKPENNOT;
    case TPenMode::pmMergeNotPen: return R2_MERGENOTPEN;
    case TPenMode::pmMaskNotPen: return R2_MASKNOTPEN;
    case TPenMode::pmMerge: return R2_MERGEPEN;
    case TPenMode::pmNotMerge: return R2_NOTMERGEPEN;
    case TPenMode::pmMask: return R2_MASKPEN;
    case TPenMode::pmNotMask: return R2_NOTMASKPEN;
    case TPenMode::pmXor: return R2_XORPEN;
    case TPenMode::pmNotXor: return R2_NOTXORPEN;
  }
  return R2_COPYPEN;
}

// ================================================================================
// Pens, brushes, fonts
// ================================================================================

TGraphicsObject::~TGraphicsObject() {
  if (FHandle) DeleteObject(FHandle);
  DeleteRetired();
}

void TGraphicsObject::Changed() {
  if (OnChange) OnChange(this);
}

void TGraphicsObject::DeleteRetired() {
  FRetired.erase(std::remove_if(FRetired.begin(), FRetired.end(),
                                [](HGDIOBJ h) { return DeleteObject(h) || GetObjectType(h) == 0; }),
                 FRetired.end());
}

void TGraphicsObject::ReplaceHandle(HGDIOBJ New) {
  HGDIOBJ old = FHandle;
  FHandle = New;
  Changed();
  if (old && old != New) FRetired.push_back(old);
  DeleteRetired();
}

void TPen::Assign(TPersistent* Source) {
  if (auto* p = dynamic_cast<TPen*>(Source)) {
    if (p == this) return;
    FColor = p->FColor;
    FWidth = p->FWidth;
    FStyle = p->FStyle;
    FMode = p->FMode;
    ReplaceHandle(nullptr);
    return;
  }
  TGraphicsObject::Assign(Source);
}

void TPen::SetColor(TColor Value) {
  if (Value == FColor) return;
  FColor = Value;
  ReplaceHandle(nullptr);
}

void TPen::SetWidth(int32_t Value) {
  if (Value < 0 || Value == FWidth) return;
  FWidth = Value;
  ReplaceHandle(nullptr);
}

void TPen::SetStyle(TPenStyle Value) {
  if (Value == FStyle) return;
  FStyle = Value;
  ReplaceHandle(nullptr);
}

void TPen::SetMode(TPenMode Value) {
  if (Value == FMode) return;
  FMode = Value;
  Changed();  // the handle does not depend on the mode
}

HPEN TPen::Handle() {
  if (!FHandle) {
    static const int32_t kStyles[] = {PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
    FHandle = CreatePen(kStyles[int(FStyle)], FWidth, Rgb(FColor));
  }
  return static_cast<HPEN>(FHandle);
}

void TBrush::Assign(TPersistent* Source) {
  if (auto* b = dynamic_cast<TBrush*>(Source)) {
    if (b == this) return;
    FColor = b->FColor;
    FStyle = b->FStyle;
    FBitmap = b->FBitmap;
    ReplaceHandle(nullptr);
    return;
  }
  TGraphicsObject::Assign(Source);
}

void TBrush::SetColor(TColor Value) {
  if (Value == FColor) return;
  FColor = Value;
  if (FStyle == TBrushStyle::bsClear) FStyle = TBrushStyle::bsSolid;
  ReplaceHandle(nullptr);
}

void TBrush::SetStyle(TBrushStyle Value) {
  if (Value == FStyle) return;
  FStyle = Value;
  ReplaceHandle(nullptr);
}

void TBrush::SetBitmap(TBitmap* Value) {
  if (Value == FBitmap) return;
  FBitmap = Value;
  ReplaceHandle(nullptr);
}

HBRUSH TBrush::Handle() {
  if (!FHandle) {
    if (FBitmap && !FBitmap->Empty()) {
      FHandle = CreatePatternBrush(FBitmap->Handle());
    } else {
      LOGBRUSH lb;
      lb.lbColor = Rgb(FColor);
      switch (FStyle) {
        case TBrushStyle::bsSolid: lb.lbStyle = BS_SOLID; break;
        case TBrushStyle::bsClear: lb.lbStyle = BS_NULL; break;
        default:
          lb.lbStyle = BS_HATCHED;
          lb.lbHatch = uintptr_t(int(FStyle) - int(TBrushStyle::bsHorizontal));  // HS_* order
          break;
      }
      FHandle = CreateBrushIndirect(lb);
    }
  }
  return static_cast<HBRUSH>(FHandle);
}

void TFont::Assign(TPersistent* Source) {
  if (auto* f = dynamic_cast<TFont*>(Source)) {
    if (f == this) return;
    FName = f->FName;
    FHeight = f->FHeight;
    FStyle = f->FStyle;
    FColor = f->FColor;
    FCharset = f->FCharset;
    FPitch = f->FPitch;
    FOrientation = f->FOrientation;
    ReplaceHandle(nullptr);
    return;
  }
  TGraphicsObject::Assign(Source);
}

void TFont::SetName(const String& Value) {
  if (Value.empty() || Value == FName) return;
  FName = Value;
  ReplaceHandle(nullptr);
}

void TFont::SetHeight(int32_t Value) {
  if (Value == FHeight) return;
  FHeight = Value;
  ReplaceHandle(nullptr);
}

int32_t TFont::Size() const { return -MulDiv(FHeight, 72, PixelsPerInch()); }

void TFont::SetSize(int32_t Value) { SetHeight(-MulDiv(Value, PixelsPerInch(), 72)); }

void TFont::SetStyle(TFontStyles Value) {
  if (Value == FStyle) return;
  FStyle = Value;
  ReplaceHandle(nullptr);
}

void TFont::SetColor(TColor Value) {
  if (Value == FColor) return;
  FColor = Value;
  Changed();  // the colour is the DC's text colour, not part of the handle
}

void TFont::SetCharset(TFontCharset Value) {
  if (Value == FCharset) return;
  FCharset = Value;
  ReplaceHandle(nullptr);
}

void TFont::SetPitch(TFontPitch Value) {
  if (Value == FPitch) return;
  FPitch = Value;
  ReplaceHandle(nullptr);
}

void TFont::SetOrientation(int32_t Value) {
  if (Value == FOrientation) return;
  FOrientation = Value;
  ReplaceHandle(nullptr);
}

HFONT TFont::Handle() {
  if (!FHandle) {
    LOGFONT lf;
    lf.lfHeight = FHeight;
    lf.lfEscapement = FOrientation;
    lf.lfOrientation = FOrientation;
    lf.lfWeight = FStyle.Contains(TFontStyle::fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = FStyle.Contains(TFontStyle::fsItalic) ? 1 : 0;
    lf.lfUnderline = FStyle.Contains(TFontStyle::fsUnderline) ? 1 : 0;
    lf.lfStrikeOut = FStyle.Contains(TFontStyle::fsStrikeOut) ? 1 : 0;
    lf.lfCharSet = FCharset;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = FPitch == TFontPitch::fpFixed      ? FIXED_PITCH
                          : FPitch == TFontPitch::fpVariable ? VARIABLE_PITCH
                                                             : DEFAULT_PITCH;
    lf.lfFaceName = FName;
    FHandle = CreateFontIndirect(lf);
  }
  return static_cast<HFONT>(FHandle);
}

void TFont::SetHandle(HFONT Value) {
  if (Value == FHandle) return;
  LOGFONT lf;
  if (Value && GetObject(Value, int32_t(sizeof(LOGFONT)), &lf) > 0) {
    FName = lf.lfFaceName.empty() ? FName : lf.lfFaceName;
    FHeight = lf.lfHeight;
    TFontStyles style;
    if (lf.lfWeight >= FW_BOLD) style.Include(TFontStyle::fsBold);
    if (lf.lfItalic) style.Include(TFontStyle::fsItalic);
    if (lf.lfUnderline) style.Include(TFontStyle::fsUnderline);
    if (lf.lfStrikeOut) style.Include(TFontStyle::fsStrikeOut);
    FStyle = style;
    FCharset = lf.lfCharSet;
    const uint8_t pitch = lf.lfPitchAndFamily & 3;
    FPitch = pitch == FIXED_PITCH      ? TFontPitch::fpFixed
             : pitch == VARIABLE_PITCH ? TFontPitch::fpVariable
                                       : TFontPitch::fpDefault;
    FOrientation = lf.lfEscapement;
  }
  ReplaceHandle(Value);
}

// ================================================================================
// TCanvas
// ================================================================================

TCanvas::TCanvas()
    : FPen(std::make_unique<TPen>()), FBrush(std::make_unique<TBrush>()), FFont(std::make_unique<TFont>()) {
  FPen->OnChange = [this](TObject*) { PenChanged(); };
  FBrush->OnChange = [this](TObject*) { BrushChanged(); };
  FFont->OnChange = [this](TObject*) { FontChanged(); };
}

TCanvas::~TCanvas() {
  // The objects leave the DC before they are deleted.
  if (FHandle) DeselectHandles();
}

void TCanvas::Changed() {
  if (OnChange) OnChange(this);
}

void TCanvas::Changing() {
  if (OnChanging) OnChanging(this);
}

HDC TCanvas::Handle() {
  Changing();
  RequiredState(csAllValid);
  return FHandle;
}

void TCanvas::SetHandle(HDC Value) {
  if (Value == FHandle) return;
  if (FHandle) {
    DeselectHandles();
    GetCurrentPositionEx(FHandle, &FPenPos);
    FHandle = nullptr;
    FState &= uint8_t(~csHandleValid);
  }
  if (Value) {
    FHandle = Value;
    FState |= csHandleValid;
    MoveToEx(FHandle, FPenPos.X, FPenPos.Y, nullptr);
  }
}

void TCanvas::DeselectHandles() {
  if (FHandle && (FState & (csPenValid | csBrushValid | csFontValid))) {
    SelectObject(FHandle, GetStockObject(BLACK_PEN));
    SelectObject(FHandle, GetStockObject(HOLLOW_BRUSH));
    SelectObject(FHandle, GetStockObject(SYSTEM_FONT));
  }
  FState &= uint8_t(~(csPenValid | csBrushValid | csFontValid));
}

void TCanvas::RequiredState(uint8_t State) {
  const uint8_t need = uint8_t(State & ~FState);
  if (!need) return;
  if (need & csHandleValid) {
    CreateHandle();
    if (!FHandle) throw EInvalidOperation("Canvas does not allow drawing");
  }
  if (need & csFontValid) {
    SelectObject(FHandle, FFont->Handle());
    SetTextColor(FHandle, Rgb(FFont->Color()));
    FState |= csFontValid;
  }
  if (need & csPenValid) {
    SelectObject(FHandle, FPen->Handle());
    SetROP2(FHandle, PenModeToRop2(FPen->Mode()));
    FState |= csPenValid;
  }
  if (need & csBrushValid) {
    SelectObject(FHandle, FBrush->Handle());
    if (FBrush->Style() == TBrushStyle::bsSolid) {
      SetBkColor(FHandle, Rgb(FBrush->Color()));
      SetBkMode(FHandle, OPAQUE);
    } else {
      SetBkColor(FHandle, ~Rgb(FBrush->Color()) & 0x00FFFFFFu);
      SetBkMode(FHandle, TRANSPARENT);
    }
    FState |= csBrushValid;
  }
}

void TCanvas::PenChanged() {
  if (FState & csPenValid) {
    FState &= uint8_t(~csPenValid);
    SelectObject(FHandle, GetStockObject(BLACK_PEN));
  }
}

void TCanvas::BrushChanged() {
  if (FState & csBrushValid) {
    FState &= uint8_t(~csBrushValid);
    SelectObject(FHandle, GetStockObject(HOLLOW_BRUSH));
  }
}

void TCanvas::FontChanged() {
  if (FState & csFontValid) {
    FState &= uint8_t(~csFontValid);
    SelectObject(FHandle, GetStockObject(SYSTEM_FONT));
  }
}

void TCanvas::Refresh() { DeselectHandles(); }

TPoint TCanvas::PenPos() {
  RequiredState(csHandleValid);
  TPoint p;
  GetCurrentPositionEx(FHandle, &p);
  return p;
}

TRect TCanvas::ClipRect() {
  RequiredState(csHandleValid);
  TRect r;
  GetClipBox(FHandle, &r);
  return r;
}

TColor TCanvas::Pixels(int32_t X, int32_t Y) {
  RequiredState(csHandleValid);
  return static_cast<TColor>(GetPixel(FHandle, X, Y));
}

void TCanvas::SetPixels(int32_t X, int32_t Y, TColor Value) {
  Changing();
  RequiredState(csHandleValid | csPenValid);
  SetPixel(FHandle, X, Y, Rgb(Value));
  Changed();
}

void TCanvas::Lock() {
  FCountLock.lock();
  ++FLockCount;
  FCountLock.unlock();
  FLock.Enter();
}

void TCanvas::Unlock() {
  FLock.Leave();
  std::lock_guard<std::mutex> guard(FCountLock);
  --FLockCount;
}

bool TCanvas::TryLock() {
  std::lock_guard<std::mutex> guard(FCountLock);
  if (FLockCount.load() != 0 || !FLock.TryEnter()) return false;
  ++FLockCount;
  return true;
}

void TCanvas::MoveTo(int32_t X, int32_t Y) {
  RequiredState(csHandleValid);
  MoveToEx(FHandle, X, Y, nullptr);
}

void TCanvas::LineTo(int32_t X, int32_t Y) {
  Changing();
  RequiredState(csHandleValid | csPenValid | csBrushValid);
  ::LineTo(FHandle, X, Y);
  Changed();
}

void TCanvas::Polyline(const TPoint* Points, int32_t Count) {
  Changing();
  RequiredState(csHandleValid | csPenValid | csBrushValid);
  ::Polyline(FHandle, Points, Count);
  Changed();
}

void TCanvas::Polyline(const std::vector<TPoint>& Points) { Polyline(Points.data(), int32_t(Points.size())); }

void TCanvas::Polygon(const TPoint* Points, int32_t Count) {
  Changing();
  RequiredState(csHandleValid | csPenValid | csBrushValid);
  ::Polygon(FHandle, Points, Count);
  Changed();
}

void TCanvas::Polygon(const std::vector<TPoint>& Points) { Polygon(Points.data(), int32_t(Points.size())); }

void TCanvas::Rectangle(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2) {
  Changing();
  RequiredState(csHandleValid | csPenValid | csBrushValid);
  ::Rectangle(FHandle, X1, Y1, X2, Y2);
  Changed();
}

void TCanvas::RoundRect(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3) {
  Changing();
  RequiredState(csHandleValid | csPenValid | csBrushValid);
  ::RoundRect(FHandle, X1, Y1, X2, Y2, X3, Y3);
  Changed();
}

void TCanvas::Ellipse(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2) {
  Changing();
  RequiredState(csHandleValid | csPenValid | csBrushValid);
  ::Ellipse(FHandle, X1, Y1, X2, Y2);
  Changed();
}

void TCanvas::Arc(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3, int32_t X4, int32_t Y4) {
  Changing();
  RequiredState(csHandleValid | csPenValid | csBrushValid);
  ::Arc(FHandle, X1, Y1, X2, Y2, X3, Y3, X4, Y4);
  Changed();
}

void TCanvas::Chord(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3, int32_t X4, int32_t Y4) {
  Changing();
  RequiredState(csHandleValid | csPenValid | csBrushValid);
  ::Chord(FHandle, X1, Y1, X2, Y2, X3, Y3, X4, Y4);
  Changed();
}

void TCanvas::Pie(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3, int32_t X4, int32_t Y4) {
  Changing();
  RequiredState(csHandleValid | csPenValid | csBrushValid);
  ::Pie(FHandle, X1, Y1, X2, Y2, X3, Y3, X4, Y4);
  Changed();
}

void TCanvas::FillRect(const TRect& Rect) {
  Changing();
  RequiredState(csHandleValid | csBrushValid);
  if (FBrush->Style() != TBrushStyle::bsClear) ::FillRect(FHandle, Rect, FBrush->Handle());
  Changed();
}

void TCanvas::FrameRect(const TRect& Rect) {
  Changing();
  RequiredState(csHandleValid | csBrushValid);
  ::FrameRect(FHandle, Rect, FBrush->Handle());
  Changed();
}

void TCanvas::DrawFocusRect(const TRect& Rect) {
  Changing();
  RequiredState(csHandleValid | csBrushValid);
  ::DrawFocusRect(FHandle, Rect);
  Changed();
}

void TCanvas::FloodFill(int32_t X, int32_t Y, TColor Color, TFillStyle FillStyle) {
  Changing();
  RequiredState(csHandleValid | csBrushValid);
  ExtFloodFill(FHandle, X, Y, Rgb(Color), FillStyle == TFillStyle::fsSurface ? FLOODFILLSURFACE : FLOODFILLBORDER);
  Changed();
}

void TCanvas::TextOut(int32_t X, int32_t Y, const String& Text) {
  Changing();
  RequiredState(csHandleValid | csFontValid | csBrushValid);
  ExtTextOut(FHandle, X, Y, 0, nullptr, Text.data(), int32_t(Text.size()), nullptr);
  MoveTo(X + TextWidth(Text), Y);
  Changed();
}

void TCanvas::TextRect(const TRect& Rect, int32_t X, int32_t Y, const String& Text) {
  Changing();
  RequiredState(csHandleValid | csFontValid | csBrushValid);
  uint32_t options = ETO_CLIPPED;
  if (FBrush->Style() == TBrushStyle::bsSolid) options |= ETO_OPAQUE;
  ExtTextOut(FHandle, X, Y, options, &Rect, Text.data(), int32_t(Text.size()), nullptr);
  Changed();
}

TSize TCanvas::TextExtent(const String& Text) {
  RequiredState(csHandleValid | csFontValid);
  TSize size;
  if (!GetTextExtentPoint32(FHandle, Text.data(), int32_t(Text.size()), &size)) size = TSize{};
  return size;
}

void TCanvas::Draw(int32_t X, int32_t Y, TGraphic* Graphic) {
  if (!Graphic || Graphic->Empty()) return;
  Changing();
  RequiredState(csAllValid);
  SetBkColor(FHandle, Rgb(FBrush->Color()));
  SetTextColor(FHandle, Rgb(FFont->Color()));
  Graphic->Draw(this, Rect(X, Y, X + Graphic->Width(), Y + Graphic->Height()));
  Changed();
}

void TCanvas::StretchDraw(const TRect& Rect, TGraphic* Graphic) {
  if (!Graphic) return;
  Changing();
  RequiredState(csAllValid);
  Graphic->Draw(this, Rect);
  Changed();
}

void TCanvas::CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source) {
  Changing();
  RequiredState(csHandleValid | csFontValid | csBrushValid);
  Canvas->RequiredState(csHandleValid | csBrushValid);
  StretchBlt(FHandle, Dest.Left, Dest.Top, Dest.Width(), Dest.Height(), Canvas->FHandle, Source.Left, Source.Top,
             Source.Width(), Source.Height(), FCopyMode);
  Changed();
}

void TCanvas::BrushCopy(const TRect& Dest, TBitmap* Bitmap, const TRect& Source, TColor Color) {
  if (!Bitmap || Bitmap->Empty()) return;
  Changing();
  RequiredState(csHandleValid | csBrushValid);
  // The brush goes under all of Dest; the bitmap, without the pixels of
  // Color, over it.
  if (FBrush->Style() != TBrushStyle::bsClear) ::FillRect(FHandle, Dest, FBrush->Handle());
  TransparentStretchBlt(FHandle, Dest.Left, Dest.Top, Dest.Width(), Dest.Height(), Bitmap->Handle(), Source.Left,
                        Source.Top, Source.Width(), Source.Height(), Rgb(Color), SRCCOPY);
  Changed();
}

// ================================================================================
// Pixel blocks
// ================================================================================

bool DrawColorBlock(HDC DC, int32_t X, int32_t Y, int32_t W, int32_t H, const COLORREF* Colors, const uint8_t* Mask,
                    uint32_t Rop) {
  TDC* dc = GdiDC(DC);
  if (!dc || !Colors || W <= 0 || H <= 0) return false;
  const TGdiRaster t = dc->Target();
  if (!t.Valid()) return false;
  const TPoint o = dc->ToRaster(X, Y);
  const int64_t left = o.X, top = o.Y;
  const uint8_t rop3 = uint8_t((Rop >> 16) & 0xFF);
  const bool indexed = t.Indexed() && t.Colors && t.ColorCount > 0;
  TGdiNearest nearest(t.Colors, t.ColorCount);
  auto value = [&](COLORREF c) { return indexed ? nearest.Index(c) : GdiColorToValue(t, c); };
  TGdiSpanOp op;
  op.Rop3 = rop3;
  op.PatSolid = true;
  if (dc->Brush && dc->Brush->Style == BS_SOLID) op.PatValue = value(dc->ResolveColor(dc->Brush->Color));
  std::vector<uint32_t> values;
  std::vector<uint8_t> mask;
  for (const TRect& v : dc->Visible().Rects()) {
    const int64_t x0 = std::max<int64_t>(v.Left, left), x1 = std::min<int64_t>(v.Right, left + W);
    const int64_t y0 = std::max<int64_t>(v.Top, top), y1 = std::min<int64_t>(v.Bottom, top + H);
    if (x0 >= x1 || y0 >= y1) continue;
    const int32_t n = int32_t(x1 - x0);
    values.resize(size_t(n));
    mask.resize(size_t(n));
    for (int64_t y = y0; y < y1; ++y) {
      const size_t row = size_t(y - top) * size_t(W) + size_t(x0 - left);
      bool any = false;
      for (int32_t i = 0; i < n; ++i) {
        const uint8_t m = Mask ? Mask[row + size_t(i)] : 1;
        mask[size_t(i)] = m ? 1 : 0;
        if (m) {
          values[size_t(i)] = value(Colors[row + size_t(i)] & 0x00FFFFFFu);
          any = true;
        }
      }
      if (!any) continue;
      op.Src = values.data();
      op.Mask = Mask ? mask.data() : nullptr;
      GdiSpan(t, int32_t(y), int32_t(x0), n, op);
    }
  }
  return true;
}

bool TransparentStretchBlt(HDC Dest, int32_t X, int32_t Y, int32_t W, int32_t H, HBITMAP Source, int32_t XSrc,
                           int32_t YSrc, int32_t WSrc, int32_t HSrc, COLORREF TransparentColor, uint32_t Rop) {
  const TGdiRaster src = GdiBitmapRaster(Source);
  if (!src.Valid() || !GdiDC(Dest) || W == 0 || H == 0 || WSrc == 0 || HSrc == 0) return false;
  // Normalised rectangles; opposite signs mirror.
  const bool mirrorX = (W < 0) != (WSrc < 0), mirrorY = (H < 0) != (HSrc < 0);
  const int64_t dl = W < 0 ? int64_t(X) + W : X, dt = H < 0 ? int64_t(Y) + H : Y;
  const int64_t dw = std::abs(int64_t(W)), dh = std::abs(int64_t(H));
  const int64_t sl = WSrc < 0 ? int64_t(XSrc) + WSrc : XSrc, st = HSrc < 0 ? int64_t(YSrc) + HSrc : YSrc;
  const int64_t sw = std::abs(int64_t(WSrc)), sh = std::abs(int64_t(HSrc));
  // Only the part that can be seen is computed.
  TRect clip;
  if (GetClipBox(Dest, &clip) == ERROR) return false;
  const int64_t x0 = std::max<int64_t>(dl, clip.Left), x1 = std::min<int64_t>(dl + dw, clip.Right);
  const int64_t y0 = std::max<int64_t>(dt, clip.Top), y1 = std::min<int64_t>(dt + dh, clip.Bottom);
  if (x0 >= x1 || y0 >= y1) return true;
  const int32_t bw = int32_t(x1 - x0), bh = int32_t(y1 - y0);
  const COLORREF monoZero = GetTextColor(Dest) & 0x00FFFFFFu, monoOne = GetBkColor(Dest) & 0x00FFFFFFu;
  // The sampling rule of StretchBlt; 128-bit products because extents near
  // 2^31 would overflow 64 bits.
  auto sample = [](int64_t d, int64_t srcSize, int64_t dstSize) {
    return int64_t((__int128(2 * d + 1) * srcSize) / (__int128(2) * dstSize));
  };
  std::vector<int64_t> xs(static_cast<size_t>(bw));
  for (int32_t i = 0; i < bw; ++i) {
    int64_t d = x0 + i - dl;
    if (mirrorX) d = dw - 1 - d;
    xs[size_t(i)] = sl + sample(d, sw, dw);
  }
  std::vector<COLORREF> colors(size_t(bw) * size_t(bh));
  std::vector<uint8_t> mask(colors.size(), 0);
  for (int32_t j = 0; j < bh; ++j) {
    int64_t d = y0 + j - dt;
    if (mirrorY) d = dh - 1 - d;
    const int64_t sy = st + sample(d, sh, dh);
    if (sy < 0 || sy >= src.Height) continue;
    for (int32_t i = 0; i < bw; ++i) {
      const int64_t sx = xs[size_t(i)];
      if (sx < 0 || sx >= src.Width) continue;
      const uint32_t v = GdiReadPixel(src, int32_t(sx), int32_t(sy));
      const COLORREF c = GdiValueToColor(src, v) & 0x00FFFFFFu;
      if (c == TransparentColor) continue;
      const size_t k = size_t(j) * size_t(bw) + size_t(i);
      colors[k] = src.Monochrome ? ((v & 1) ? monoOne : monoZero) : c;
      mask[k] = 1;
    }
  }
  return DrawColorBlock(Dest, int32_t(x0), int32_t(y0), bw, bh, colors.data(), mask.data(), Rop);
}
