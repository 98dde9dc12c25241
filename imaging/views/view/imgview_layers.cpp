// Layers of the image view: the list operations, hit tests and grips,
// resizing by grip, merging two layers, and painting layers placed by their
// own position and display size (magnifiers included).
#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "imaging/model/containers/ierenderfiltered.h"
#include "imaging/model/containers/ieresample.h"
#include "imaging/model/pixels/ieblend.h"
#include "imaging/views/view/imgview.h"
#include "imaging/views/view/imgview_internal.h"
#include "platform/gui/canvas.h"
#include "platform/rtl/arith.h"

namespace {

constexpr int32_t kLayerGripHalf = 4;

uint8_t ClampByte(double V) { return static_cast<uint8_t>(std::clamp<double>(Round(V), 0, 255)); }

// A 24-bit bitmap of the layer at its display size: the layer's own bitmap
// when it is one already, else a resampled or converted copy in Holder (the
// layer's bitmap is left as it was).
TIEBitmap* MergeSource(TIELayer& Layer, TResampleFilter Filter, std::unique_ptr<TIEBitmap>& Holder) {
  TIEBitmap* b = Layer.Bitmap;
  const bool resized = Layer.DisplayWidth() != b->Width() || Layer.DisplayHeight() != b->Height();
  if (!resized && b->PixelFormat() == TIEPixelFormat::ie24RGB) return b;
  Holder = std::make_unique<TIEBitmap>();
  if (resized) {
    Holder->Allocate(Layer.DisplayWidth(), Layer.DisplayHeight(), b->PixelFormat());
    ResampleBitmap(b, Holder.get(), Filter);
  } else {
    Holder->Assign(b);
  }
  if (Holder->PixelFormat() != TIEPixelFormat::ie24RGB) Holder->ConvertFormat(TIEPixelFormat::ie24RGB);
  return Holder.get();
}

struct TMergeSide {
  TIEBitmap* Bitmap;
  int32_t X, Y, Transparency;
  bool Contains(int32_t DX, int32_t DY) const {
    return DX >= X && DY >= Y && DX < X + Bitmap->Width() && DY < Y + Bitmap->Height();
  }
  TRGB Colour(int32_t DX, int32_t DY) const { return *Bitmap->PixelRGB(DX - X, DY - Y); }
  // min(alpha, Transparency); no alpha channel counts 255.
  int32_t Opacity(int32_t DX, int32_t DY) const {
    const int32_t a = Bitmap->HasAlphaChannel() ? Bitmap->AlphaChannel()->GetPixel8(DX - X, DY - Y) : 255;
    return std::min(a, Transparency);
  }
};

// Upper over lower with the upper's blend and both opacities; the result's
// alpha is their union.
void MergePixel(const TMergeSide& Lower, const TMergeSide& Upper, int32_t X, int32_t Y, TIEBlendOperation Op, TRGB& Out,
                uint8_t& Alpha) {
  const double f = Lower.Opacity(X, Y), g = Upper.Opacity(X, Y);
  const double j = g / 255, k = (1 - j) * f / 255, l = j + k;
  const TRGB lower = Lower.Colour(X, Y);
  TRGB c = lower;
  IEBlendPixel(Upper.Colour(X, Y), c, Op);
  Out = c;
  if (l != 0) {
    Out.r = ClampByte((c.r * j + lower.r * k) / l);
    Out.g = ClampByte((c.g * j + lower.g * k) / l);
    Out.b = ClampByte((c.b * j + lower.b * k) / l);
  }
  Alpha = ClampByte(l * 255);
}

void MergeInto(TIEBitmap* Dest, const TMergeSide& Lower, const TMergeSide& Upper, TIEBlendOperation Op,
               TColor Background) {
  const int32_t w = std::max(Lower.X + Lower.Bitmap->Width(), Upper.X + Upper.Bitmap->Width());
  const int32_t h = std::max(Lower.Y + Lower.Bitmap->Height(), Upper.Y + Upper.Bitmap->Height());
  Dest->Allocate(w, h, TIEPixelFormat::ie24RGB);
  TIEBitmap* alpha = Dest->AlphaChannel();
  alpha->SetFull(false);
  const TRGB back = ColorToTRGB(Background);
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      const bool inLower = Lower.Contains(x, y), inUpper = Upper.Contains(x, y);
      TRGB c = back;
      uint8_t a = 0;
      if (inLower && inUpper) {
        MergePixel(Lower, Upper, x, y, Op, c, a);
      } else if (inLower || inUpper) {
        const TMergeSide& s = inLower ? Lower : Upper;
        c = s.Colour(x, y);
        a = static_cast<uint8_t>(s.Opacity(x, y));
      }
      *Dest->PixelRGB(x, y) = c;
      alpha->SetPixel8(x, y, a);
    }
  }
  alpha->SyncFull();
  if (alpha->Full()) Dest->RemoveAlphaChannel();
}

// The alpha channel of a round lens: opaque inside the ellipse over the
// whole bitmap, transparent outside, as the platform rasteriser draws it.
void DrawLensAlpha(TIEBitmap* B) {
  const int32_t w = B->Width(), h = B->Height();
  TBitmap shape;
  shape.SetPixelFormat(TPixelFormat::pf24bit);
  shape.SetSize(w, h);
  TCanvas* c = shape.Canvas();
  c->Brush()->SetColor(clBlack);
  c->FillRect(TRect{0, 0, w, h});
  c->Pen()->SetColor(clWhite);
  c->Brush()->SetColor(clWhite);
  c->Ellipse(0, 0, w, h);
  TIEBitmap* alpha = B->AlphaChannel();
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* row = shape.ScanLine(y);
    for (int32_t x = 0; x < w; ++x) alpha->SetPixel8(x, y, row[x * 3]);
  }
  alpha->SyncFull();
}

}  // namespace

// ---- The layer record ------------------------------------------------------------------------

int32_t TIELayer::ClientToLayerX(int32_t X) const {
  const int32_t bx = Owner->ScreenToBitmapX(X - Trunc(PosX * Owner->ZoomFactor));
  return static_cast<int32_t>(Trunc(static_cast<double>(bx) * Bitmap->Width() / std::max(DisplayWidth(), 1)));
}

int32_t TIELayer::ClientToLayerY(int32_t Y) const {
  const int32_t by = Owner->ScreenToBitmapY(Y - Trunc(PosY * Owner->ZoomFactor));
  return static_cast<int32_t>(Trunc(static_cast<double>(by) * Bitmap->Height() / std::max(DisplayHeight(), 1)));
}

// ---- The list --------------------------------------------------------------------------------

void TImgView::SetCurrentLayer(int32_t Index) {
  if (Index < 0 || Index >= GetLayerCount() || Index == CurrentLayer) return;
  if (TIELayer* current = CurrentLayerObject()) current->Bitmap = Bitmap;
  CurrentLayer = Index;
  Bitmap = Layers[static_cast<size_t>(Index)]->Bitmap;
  LegacyTBitmap = Bitmap->Location() == TIELocation::ieTBitmap ? Bitmap->GetTBitmap() : nullptr;
  CallBitmapChangeListeners();
  DoLayerNotify(Index, 0);
  Update();
}

int32_t TImgView::AddLayer() {
  Layers.push_back(std::make_unique<TIELayer>(this, Bitmap, false));
  const int32_t index = GetLayerCount() - 1;
  SetCurrentLayer(index);
  FillWithBackground();
  Update();
  return index;
}

void TImgView::RemoveLayer(int32_t Index) {
  if (GetLayerCount() < 2 || Index < 0 || Index >= GetLayerCount()) return;
  if (TIELayer* current = CurrentLayerObject()) current->Bitmap = Bitmap;
  const int32_t current = CurrentLayer;
  Layers.erase(Layers.begin() + Index);
  if (Index > current) {
    Update();
    return;
  }
  const int32_t next = Index == current ? std::min(Index, GetLayerCount() - 1) : current - 1;
  CurrentLayer = -1;
  SetCurrentLayer(next);
}

void TImgView::MergeLayers(int32_t A, int32_t B, bool RemoveUpper) {
  const int32_t count = GetLayerCount();
  if (A == B || A < 0 || B < 0 || A >= count || B >= count) return;
  if (TIELayer* current = CurrentLayerObject()) current->Bitmap = Bitmap;
  const int32_t lowerIndex = std::min(A, B), upperIndex = std::max(A, B);
  TIELayer& lower = *Layers[static_cast<size_t>(lowerIndex)];
  TIELayer& upper = *Layers[static_cast<size_t>(upperIndex)];
  auto merged = std::make_unique<TIELayer>(this, Layers[static_cast<size_t>(A)]->Bitmap, false);
  {
    std::unique_ptr<TIEBitmap> lowerHold, upperHold;
    TMergeSide l{MergeSource(lower, FZoomFilter, lowerHold), lower.PosX, lower.PosY, lower.Transparency};
    TMergeSide u{MergeSource(upper, FZoomFilter, upperHold), upper.PosX, upper.PosY, upper.Transparency};
    const int32_t sx = std::min({l.X, u.X, 0}), sy = std::min({l.Y, u.Y, 0});
    l.X -= sx, u.X -= sx, l.Y -= sy, u.Y -= sy;
    MergeInto(merged->Bitmap, l, u, upper.BlendOperation, Background());
  }
  merged->Locked = lower.Locked;
  merged->Framed = lower.Framed;
  CurrentLayer = -1;
  Bitmap = nullptr;
  LegacyTBitmap = nullptr;
  if (RemoveUpper) Layers.erase(Layers.begin() + upperIndex);
  Layers[static_cast<size_t>(lowerIndex)] = std::move(merged);
  SetCurrentLayer(lowerIndex);
}

void TImgView::SetSyncLayerExtent(bool Value) {
  if (Value == SyncLayerExtent) return;
  SyncLayerExtent = Value;
  if (!Value) return;
  SyncLayers();
  Update();
}

void TImgView::DoLayerNotify(int32_t Layer, TIELayerEvent Event) {
  if (!OnLayerNotify) return;
  WithOwnSelectionBase([&] { OnLayerNotify(this, Layer, Event); });
}

// ---- Hit tests -------------------------------------------------------------------------------

int32_t TImgView::LayerAt(int32_t X, int32_t Y) {
  const bool anyPixel = SelectionOptions.Contains(TIESelectionOptionsItem::iesoSelectTranspLayers);
  for (int32_t i = GetLayerCount() - 1; i >= 0; --i) {
    const TIELayer& layer = *Layers[static_cast<size_t>(i)];
    if (X < layer.BoxLeft || X > layer.BoxRight || Y < layer.BoxTop || Y > layer.BoxBottom) continue;
    TIEBitmap* b = layer.Bitmap;
    if (anyPixel || !b->HasAlphaChannel()) return i;
    const int32_t lx = std::clamp(layer.ClientToLayerX(X), 0, std::max(b->Width() - 1, 0));
    const int32_t ly = std::clamp(layer.ClientToLayerY(Y), 0, std::max(b->Height() - 1, 0));
    if (b->AlphaChannel()->GetPixel8(lx, ly) != 0) return i;
  }
  return -1;
}

namespace {

// Grip points of a box, in grip order 1 .. 8.
std::array<TPoint, 8> GripPoints(int32_t L, int32_t T, int32_t R, int32_t B) {
  const int32_t mx = (L + R) / 2, my = (T + B) / 2;
  return {TPoint{L, T},  TPoint{R, T},  TPoint{R, B},  TPoint{L, B},
          TPoint{L, my}, TPoint{R, my}, TPoint{mx, T}, TPoint{mx, B}};
}

}  // namespace

int32_t TImgView::LayerGripAt(int32_t X, int32_t Y) {
  const TIELayer* layer = CurrentLayerObject();
  if (!layer) return 0;
  const auto points = GripPoints(layer->BoxLeft, layer->BoxTop, layer->BoxRight, layer->BoxBottom);
  for (size_t i = 0; i < points.size(); ++i)
    if (std::abs(X - points[i].X) <= kLayerGripHalf && std::abs(Y - points[i].Y) <= kLayerGripHalf)
      return static_cast<int32_t>(i) + 1;
  return 0;
}

// ---- Moving and resizing ---------------------------------------------------------------------

void TImgView::ConstrainLayerGrip(int32_t& G, int32_t X, int32_t Y, int32_t& BX, int32_t& BY, const TIELayer& Layer) {
  const double r = static_cast<double>(Layer.Bitmap->Height()) / std::max(Layer.Bitmap->Width(), 1);
  const TRect& box = LayerRectAtGrip;
  switch (G) {
    case 1:
    case 3: BY = ScreenToBitmapY(Trunc(r * (X - box.Left)) + box.Top); break;
    case 2: BY = ScreenToBitmapY(Trunc(r * (box.Right - X)) + box.Top); break;
    case 4:
    case 5: BY = ScreenToBitmapY(Trunc(r * (box.Left - X)) + box.Bottom), G = 4; break;
    case 6: G = 3; break;
    case 7:
    case 8: BX = ScreenToBitmapX(Trunc((Y - box.Top) / r) + box.Left), G = G == 7 ? 1 : 3; break;
    default: break;
  }
}

void TImgView::ResizeLayerByGrip(int32_t X, int32_t Y, bool Constrain) {
  TIELayer* layer = CurrentLayerObject();
  if (!layer || LayerGrip == 0) return;
  const int32_t dw = layer->DisplayWidth(), dh = layer->DisplayHeight();
  int32_t bx = ScreenToBitmapX(X), by = ScreenToBitmapY(Y);
  const int32_t px = ScreenToBitmapX(PrevRawX), py = ScreenToBitmapY(PrevRawY);
  int32_t g = LayerGrip;
  if (Constrain) ConstrainLayerGrip(g, X, Y, bx, by, *layer);
  const int32_t left = ScreenToBitmapX(LayerRectAtGrip.Left), top = ScreenToBitmapY(LayerRectAtGrip.Top);
  int32_t& w = layer->Width;
  int32_t& h = layer->Height;
  const auto atLeast1 = [](int32_t V) { return std::max(V, 1); };
  switch (g) {
    case 1:
      w = atLeast1(layer->PosX + dw - bx), h = atLeast1(layer->PosY + dh - by);
      if (w > 1) layer->PosX = bx;
      if (h > 1) layer->PosY = by;
      break;
    case 2:
      w = atLeast1(bx - layer->PosX), h = atLeast1(layer->PosY + dh - by);
      if (h > 1) layer->PosY = by;
      break;
    case 3: w = atLeast1(bx - left), h = atLeast1(by - top); break;
    case 4:
      w = atLeast1(layer->PosX + dw - bx), h = atLeast1(by - top);
      if (w > 1) layer->PosX = bx;
      break;
    case 5:
      w = atLeast1(dw + px - bx);
      if (w > 1) layer->PosX += bx - px;
      break;
    case 6: w = atLeast1(bx - left); break;
    case 7:
      h = atLeast1(layer->PosY + dh - by);
      if (h > 1) layer->PosY = by;
      break;
    case 8: h = atLeast1(dh + by - py); break;
    default: break;
  }
}

// ---- Painting positioned layers --------------------------------------------------------------

void TImgView::FillMagnifier(TBitmap* Target, TIELayer& Layer) {
  if (LayerGrip == 0) {
    TIEBitmap* b = Layer.Bitmap;
    const int32_t w = Layer.Width > 0 ? Layer.Width : b->Width(), h = Layer.Height > 0 ? Layer.Height : b->Height();
    if (w != b->Width() || h != b->Height()) b->Allocate(w, h, TIEPixelFormat::ie24RGB);
  }
  TIEBitmap* b = Layer.Bitmap;
  const int32_t x = BitmapToScreenX(Layer.PosX), y = BitmapToScreenY(Layer.PosY);
  const int32_t cx = (x + BitmapToScreenX(Layer.PosX + Layer.DisplayWidth())) / 2;
  const int32_t cy = (y + BitmapToScreenY(Layer.PosY + Layer.DisplayHeight())) / 2;
  const double scale = Layer.MagnifyFactor / ZoomFactor;
  const int32_t sw = Trunc(b->Width() / scale), sh = Trunc(b->Height() / scale);
  const int32_t sx = cx - sw / 2, sy = cy - sh / 2;
  if (sw < 1 || sh < 1) return;
  TIEBitmap area;
  if (Layer.MagnifierSource == 0) {
    TIEBitmap* image = Layers[0]->Bitmap;
    const int32_t bx1 = ScreenToBitmapX(sx), by1 = ScreenToBitmapY(sy);
    const int32_t bx2 = ScreenToBitmapX(sx + sw), by2 = ScreenToBitmapY(sy + sh);
    if (bx1 < 0 || by1 < 0 || bx2 > image->Width() || by2 > image->Height() || bx2 <= bx1 || by2 <= by1) return;
    area.Allocate(bx2 - bx1, by2 - by1, image->PixelFormat());
    image->CopyRectTo(&area, bx1, by1, 0, 0, bx2 - bx1, by2 - by1);
  } else {
    area.Allocate(sw, sh, TIEPixelFormat::ie24RGB);
    for (int32_t row = 0; row < sh; ++row)
      for (int32_t col = 0; col < sw; ++col) {
        const int32_t tx = std::clamp(sx + col, 0, Target->Width() - 1),
                      ty = std::clamp(sy + row, 0, Target->Height() - 1);
        std::memcpy(area.PixelRGB(col, row), Target->ScanLine(ty) + tx * 3, 3);
      }
  }
  b->RemoveAlphaChannel();
  ResampleBitmap(&area, b, LayerFilter(Layer));
  b->RemoveAlphaChannel();
  if (Layer.MagnifierShape == 1) {
    DrawLensAlpha(b);
  } else {
    b->AlphaChannel()->Fill(255);
    b->AlphaChannel()->SetFull(true);
  }
}

void TImgView::RenderPositionedLayer(TBitmap* Target, std::vector<uint8_t*>& Rows, TIELayer& Layer, const TRect& Clip,
                                     bool FirstDrawn) {
  if (Layer.Magnifier && &Layer != Layers[0].get() && Layer.MagnifyFactor >= 1) FillMagnifier(Target, Layer);
  TIEBitmap* b = Layer.Bitmap;
  const int32_t x = BitmapToScreenX(Layer.PosX), y = BitmapToScreenY(Layer.PosY);
  const int32_t w = BitmapToScreenX(Layer.PosX + Layer.DisplayWidth()) - x;
  const int32_t h = BitmapToScreenY(Layer.PosY + Layer.DisplayHeight()) - y;
  Layer.BoxLeft = x, Layer.BoxTop = y, Layer.BoxRight = x + w, Layer.BoxBottom = y + h;
  TRect dst{x, y, x + w, y + h}, src{0, 0, b->Width(), b->Height()};
  if (Layer.Cropped) CropToImage(Layer, dst, src);
  if (dst.Right <= dst.Left || dst.Bottom <= dst.Top || src.Right <= src.Left || src.Bottom <= src.Top) return;
  TIEIndexTable cols, rowTable;
  const bool solidHint = FBackgroundStyle == TIEBackgroundStyle::iebsSolid && FirstDrawn;
  RenderToTBitmap(b, Target, Rows, cols, rowTable, &Clip, dst.Left, dst.Top, dst.Right - dst.Left, dst.Bottom - dst.Top,
                  src.Left, src.Top, src.Right - src.Left, src.Bottom - src.Top, FEnableAlphaChannel, solidHint,
                  static_cast<uint8_t>(std::clamp(Layer.Transparency, 0, 255)), LayerFilter(Layer), true,
                  static_cast<TIEBlendOperation>(Layer.BlendOperation));
}

// The parts of a layer outside layer 0 are not drawn.
void TImgView::CropToImage(const TIELayer& Layer, TRect& Dst, TRect& Src) {
  const double perX = static_cast<double>(Layer.Bitmap->Width()) / std::max(Layer.DisplayWidth(), 1);
  const double perY = static_cast<double>(Layer.Bitmap->Height()) / std::max(Layer.DisplayHeight(), 1);
  const TIEBitmap* image = Layers[0]->Bitmap;
  if (Layer.PosX < 0) Src.Left = Trunc(perX * -Layer.PosX), Dst.Left = BitmapToScreenX(0);
  if (Layer.PosY < 0) Src.Top = Trunc(perY * -Layer.PosY), Dst.Top = BitmapToScreenY(0);
  const int32_t right = BitmapToScreenX(image->Width()), bottom = BitmapToScreenY(image->Height());
  if (Dst.Right > right && Dst.Right > Dst.Left) {
    const int32_t cut = Dst.Right - right;
    Src.Right -= Trunc(static_cast<double>(cut) * (Src.Right - Src.Left) / (Dst.Right - Dst.Left));
    Dst.Right = right;
  }
  if (Dst.Bottom > bottom && Dst.Bottom > Dst.Top) {
    const int32_t cut = Dst.Bottom - bottom;
    Src.Bottom -= Trunc(static_cast<double>(cut) * (Src.Bottom - Src.Top) / (Dst.Bottom - Dst.Top));
    Dst.Bottom = bottom;
  }
}

void TImgView::DrawLayerFrame(TBitmap* Target, const TIELayer& Layer) {
  if (!Layer.Framed) return;
  const bool current = &Layer == CurrentLayerObject();
  const bool editing = FMouseInteract.Contains(TIEMouseInteractItems::miMoveLayers) ||
                       FMouseInteract.Contains(TIEMouseInteractItems::miResizeLayers);
  if (current ? !editing : !ShowAllLayerFrames) return;
  TCanvas* c = Target->Canvas();
  c->Pen()->SetStyle(TPenStyle::psDot);
  c->Pen()->SetMode(TPenMode::pmNot);
  c->Pen()->SetWidth(1);
  c->Brush()->SetStyle(TBrushStyle::bsClear);
  c->Rectangle(Layer.BoxLeft, Layer.BoxTop, Layer.BoxRight, Layer.BoxBottom);
  c->Pen()->SetStyle(TPenStyle::psSolid);
  c->Pen()->SetMode(TPenMode::pmCopy);
  if (!current || Layer.Locked || !FMouseInteract.Contains(TIEMouseInteractItems::miResizeLayers)) return;
  c->Pen()->SetColor(clBlack);
  c->Brush()->SetStyle(TBrushStyle::bsSolid);
  c->Brush()->SetColor(clWhite);
  for (const TPoint p : GripPoints(Layer.BoxLeft, Layer.BoxTop, Layer.BoxRight, Layer.BoxBottom))
    c->Rectangle(p.X - kLayerGripHalf, p.Y - kLayerGripHalf, p.X + kLayerGripHalf + 1, p.Y + kLayerGripHalf + 1);
}
