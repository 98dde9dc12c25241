// Painting of the image view: the back buffer (background, layers, selection
// marks, pixel grid), its blit to the window and the timer's countdowns.
#include <algorithm>
#include <cstring>

#include "imaging/model/containers/ierenderfiltered.h"
#include "imaging/views/view/imgview.h"
#include "platform/gui/canvas.h"
#include "platform/gui/gdi.h"
#include "platform/gui/win_paint.h"

namespace {

bool IsDesigning(const TComponent* C) { return C->ComponentState().Contains(TComponentStateItem::csDesigning); }

// The entries 0 .. Count - 1 of a table window, as the renderer takes them.
TIEIndexTable WindowEntries(const TIECoordWindow& Window, int32_t Count) {
  TIEIndexTable t(static_cast<size_t>(std::max(Count, 0)));
  const int32_t n = std::min(Count, Window.Count);
  for (int32_t i = 0; i < Count; ++i) t[static_cast<size_t>(i)] = Window.At(std::min(i, n - 1));
  return t;
}

}  // namespace

// ---- Paint and blit ------------------------------------------------------------------------

void TImgView::Paint() {
  if (!HasParentWindow() || GetViewWidth() == 0 || GetViewHeight() == 0) return;
  TCanvas* canvas = Canvas();
  try {
    if (IsDesigning(this)) {
      IEDrawBackground(ComponentState(), canvas, nullptr, FBackgroundStyle, Background(), 0, 0, Width(), Height(), 0, 0,
                       0, 0, ChessboardSize, ChessboardBrushStyle, GradientEndColor, FWallPaper.get(), FWallPaperStyle);
    } else {
      if (PaintLock == 0) {
        TRect area = FullRepaint ? ClientRect() : canvas->ClipRect();
        if (area.Right == 0) area.Right = GetViewWidth();
        if (area.Bottom == 0) area.Bottom = GetViewHeight();
        Blit(area);
        if (OnDrawCanvas) OnDrawCanvas(this, canvas, ClientRect());
      }
      FullRepaint = false;
      if (!RectangleMoving) DrawSelectionOverlay(this, false);
      if (OnPaint) OnPaint(this);
    }
  } catch (const std::exception&) {
    // A failing paint leaves the window as it was; the next one tries again.
  }
  if (FDrawVersion) PaintVersion(canvas);
}

void TImgView::Blit(const TRect& Area) {
  if (!HasParentWindow() || !BackBuffer) return;
  const int32_t w = GetViewWidth(), h = GetViewHeight();
  if (BackBuffer->Width() != w || BackBuffer->Height() != h) {
    BackBuffer->SetSize(w, h);
    BackBufferRows.resize(static_cast<size_t>(h));
    for (int32_t y = 0; y < h; ++y)
      BackBufferRows[static_cast<size_t>(y)] = static_cast<uint8_t*>(BackBuffer->ScanLine(y));
    BackBufferDirty = true;
  }
  if (BackBufferDirty) {
    PaintBackBuffer(BackBuffer.get(), BackBufferRows, Area);
    if (OnDrawBackBuffer) OnDrawBackBuffer(this);
    BackBufferDirty = false;
  }
  FillDibHeader();
  const TRect r{std::max(Area.Left, 0), std::max(Area.Top, 0), std::min(Area.Right, w), std::min(Area.Bottom, h)};
  if (r.Right > r.Left && r.Bottom > r.Top) Canvas()->CopyRect(r, BackBuffer->Canvas(), r);
  DrawRubberBand();
}

void TImgView::FillDibHeader() {
  BITMAPINFOHEADER header;
  header.biWidth = GetViewWidth();
  header.biHeight = GetViewHeight();
  header.biBitCount = BackBuffer->PixelFormat() == TPixelFormat::pf1bit ? 1 : 24;
  std::memset(DibHeader, 0, sizeof DibHeader);
  std::memcpy(DibHeader, &header, sizeof header);
  if (header.biBitCount == 1) std::memset(DibHeader + sizeof header + 4, 0xFF, 3);
}

void TImgView::PaintVersion(TCanvas* ACanvas) {
  const String text = String("Img Version ") + IEImgVersion + " - 4/9/2005";
  ACanvas->Font()->SetName("Arial");
  ACanvas->Font()->SetHeight(13);
  ACanvas->Font()->SetColor(clBlack);
  ACanvas->Brush()->SetColor(clWhite);
  ACanvas->Brush()->SetStyle(TBrushStyle::bsSolid);
  const TRect r = ClientRect();
  ACanvas->TextOut(r.Right - ACanvas->TextWidth(text), r.Bottom - ACanvas->TextHeight(text), text);
}

// ---- The back buffer -----------------------------------------------------------------------

void TImgView::PaintBackBuffer(TBitmap* ABitmap, std::vector<uint8_t*>& Rows, const TRect& ClipRect) {
  SyncLayers();
  UpdateDisplayRect();
  BuildCoordinateTables();
  const int32_t w = Bitmap->Width(), h = Bitmap->Height();
  if (IsDesigning(this) || w == 0 || h == 0) return;
  // An alpha channel of another size waits for Update to repair it.
  if (Bitmap->HasAlphaChannel() && (Bitmap->AlphaChannel()->Width() != w || Bitmap->AlphaChannel()->Height() != h))
    return;
  bool needBackground = true;
  for (const auto& layer : Layers) {
    if (PaintWidth == 0 || PaintHeight == 0) break;
    if (!LayerDrawable(*layer)) continue;
    if (needBackground) DrawBackBufferBackground(ABitmap, &ClipRect, false, layer.get());
    RenderLayer(ABitmap, Rows, *layer, ClipRect, needBackground);
    DrawLayerFrame(ABitmap, *layer);
    needBackground = false;
  }
  if (needBackground) DrawBackBufferBackground(ABitmap, &ClipRect, true, nullptr);
  DrawSelectionMarks(ABitmap);
  DrawPixelGrid(ABitmap);
}

bool TImgView::LayerDrawable(const TIELayer& Layer) const {
  return Layer.Visible && Layer.Bitmap &&
         (Layer.Bitmap->Width() >= MinDrawnLayerSize || Layer.Bitmap->Height() >= MinDrawnLayerSize);
}

TResampleFilter TImgView::LayerFilter(const TIELayer& Layer) const {
  if (ZoomFilterCountdown >= 1) return TResampleFilter::rfNone;
  if (NoZoomFileterWhenZoomIn && FZoom > 100) return TResampleFilter::rfNone;
  if (Layer.Width == 0 && Layer.Height == 0 && FZoom == 100) return TResampleFilter::rfNone;
  return Layer.UseResampleFilter ? Layer.ResampleFilter : FZoomFilter;
}

void TImgView::RenderLayer(TBitmap* Target, std::vector<uint8_t*>& Rows, TIELayer& Layer, const TRect& Clip,
                           bool FirstDrawn) {
  const bool throughView = SyncLayerExtent || (&Layer == Layers[0].get() && Layer.Width == 0 && Layer.Height == 0 &&
                                               Layer.PosX == 0 && Layer.PosY == 0);
  if (!throughView) {
    RenderPositionedLayer(Target, Rows, Layer, Clip, FirstDrawn);
    return;
  }
  TIEIndexTable cols = WindowEntries(ScreenToBitmapXTable, PaintWidth);
  TIEIndexTable rowTable = WindowEntries(ScreenToBitmapYTable, PaintHeight);
  const bool solidHint = FBackgroundStyle == TIEBackgroundStyle::iebsSolid && FirstDrawn;
  RenderToTBitmap(Layer.Bitmap, Target, Rows, cols, rowTable, &Clip, OffsetX, OffsetY, PaintWidth, PaintHeight,
                  VisibleBitmapX, VisibleBitmapY, VisibleBitmapWidth, VisibleBitmapHeight, FEnableAlphaChannel,
                  solidHint, static_cast<uint8_t>(std::clamp(Layer.Transparency, 0, 255)), LayerFilter(Layer), true,
                  static_cast<TIEBlendOperation>(Layer.BlendOperation));
  Layer.BoxLeft = OffsetX, Layer.BoxTop = OffsetY;
  Layer.BoxRight = OffsetX + PaintWidth, Layer.BoxBottom = OffsetY + PaintHeight;
}

void TImgView::DrawBackBufferBackground(TBitmap* Target, const TRect* Clip, bool Force, const TIELayer* Next) {
  // Skipped only under an opaque layer covering the whole buffer: anything
  // less would leave trails of a dragged image.
  if (!Force && Next && OffsetX < 1 && OffsetY < 1 && PaintWidth >= Target->Width() &&
      PaintHeight >= Target->Height()) {
    TIEBitmap* b = Next->Bitmap;
    const bool opaque = !FEnableAlphaChannel || !b->HasAlphaChannel() || b->AlphaChannel()->Full();
    if (opaque && Next->Transparency > 254) return;
  }
  TCanvas* canvas = Target->Canvas();
  if (Clip) IntersectClipRect(canvas->Handle(), Clip->Left, Clip->Top, Clip->Right + 1, Clip->Bottom + 1);
  const TRect whole{0, 0, Target->Width(), Target->Height()};
  bool handled = false;
  if (OnDrawBackground) OnDrawBackground(this, canvas, whole, handled);
  if (!handled)
    IEDrawBackground(ComponentState(), canvas, Target, FBackgroundStyle, Background(), 0, 0, whole.Right, whole.Bottom,
                     OffsetX, OffsetY, OffsetX + PaintWidth, OffsetY + PaintHeight, ChessboardSize,
                     ChessboardBrushStyle, GradientEndColor, FWallPaper.get(), FWallPaperStyle);
  if (Clip) SelectClipRgn(canvas->Handle(), nullptr);
}

void TImgView::DrawSelectionMarks(TBitmap* Target) {
  if (!Selected || !PolygonRecords[0]->Visible) return;
  if (SelectionOptions.Contains(TIESelectionOptionsItem::iesoFilled))
    Mask->DrawFilled(Target->Canvas(), OffsetX, OffsetY, PaintWidth, PaintHeight, VisibleBitmapX, VisibleBitmapY,
                     VisibleBitmapWidth, VisibleBitmapHeight);
  if (SelectionOptions.Contains(TIESelectionOptionsItem::iesoMarkOuter))
    Mask->DrawOuter(Target, OffsetX, OffsetY, PaintWidth, PaintHeight, VisibleBitmapX, VisibleBitmapY,
                    VisibleBitmapWidth, VisibleBitmapHeight);
}

// One line per visible bitmap row and column, including the one after the
// last, in an inverting pen.
void TImgView::DrawPixelGrid(TBitmap* Target) {
  if (!ShowPixelGrid || FZoom < 400 || (ExtentWidth <= 1 && ExtentHeight <= 1)) return;
  TCanvas* canvas = Target->Canvas();
  canvas->Pen()->SetStyle(TPenStyle::psSolid);
  canvas->Pen()->SetMode(TPenMode::pmNot);
  canvas->Pen()->SetWidth(1);
  const int32_t x1 = OffsetX, x2 = OffsetX + PaintWidth, y1 = OffsetY, y2 = OffsetY + PaintHeight;
  for (int32_t by = VisibleBitmapY; by <= VisibleBitmapY + VisibleBitmapHeight; ++by) {
    const int32_t y = BitmapToScreenY(by);
    canvas->MoveTo(x1, y);
    canvas->LineTo(x2, y);
  }
  for (int32_t bx = VisibleBitmapX; bx <= VisibleBitmapX + VisibleBitmapWidth; ++bx) {
    const int32_t x = BitmapToScreenX(bx);
    canvas->MoveTo(x, y1);
    canvas->LineTo(x, y2);
  }
  canvas->Pen()->SetMode(TPenMode::pmCopy);
}

void TImgView::SetChessboardStyle(int32_t Size, TBrushStyle BrushStyle) {
  ChessboardSize = Size;
  ChessboardBrushStyle = BrushStyle;
}

void InvalidateViewRect(TImgView* View, const TRect& Rect) {
  View->BackBufferDirty = true;
  if (View->HandleAllocated()) InvalidateRect(View->Handle(), &Rect, false);
}
