// Metafile import: a WMF or EMF file rendered by the platform's metafile
// player into the working bitmap at a chosen size.
#include <cstdint>

#include "imaging/io/core/ieimgio.h"
#include "imaging/model/pixels/iedibbitmap.h"
#include "platform/gui/canvas.h"
#include "platform/gui/metafile.h"

namespace {

// Larger sides are scaled down to this, keeping the aspect.
constexpr int64_t kMaxMetafileSide = 16000;
// Painted under a second rendering: pixels still of this colour (red 3,
// green 2, blue 1) were not drawn.
constexpr TColor kUndrawnColor = 66051;

// The rendering size (integer arithmetic, truncating division); a side of 0
// or less when there is nothing to render.
void RenderSize(int64_t MW, int64_t MH, int32_t Width, int32_t Height, int64_t& W, int64_t& H) {
  if (Width >= 0 && Height >= 0) {
    W = Width;
    H = Height;
  } else if (Width < 0 && Height >= 0) {
    H = Height;
    W = MH != 0 ? H * MW / MH : 0;
  } else if (Height < 0 && Width >= 0) {
    W = Width;
    H = MW != 0 ? W * MH / MW : 0;
  } else {
    W = MW;
    H = MH;
  }
  if (W > kMaxMetafileSide || H > kMaxMetafileSide) {
    if (W < H) {
      W = W * kMaxMetafileSide / H;
      H = kMaxMetafileSide;
    } else {
      H = H * kMaxMetafileSide / W;
      W = kMaxMetafileSide;
    }
  }
}

// A 24-bit raster of W x H filled with Color and the metafile played on it.
void Render(TMetafile& Meta, TIEDibbitmap& Dib, int32_t W, int32_t H, TColor Color) {
  Dib.Allocate(W, H, TIEPixelFormat::ie24RGB);
  TCanvas* canvas = Dib.Canvas();
  canvas->Brush()->SetStyle(TBrushStyle::bsSolid);
  canvas->Brush()->SetColor(Color);
  canvas->FillRect(Rect(0, 0, W, H));
  Meta.Play(canvas, Rect(0, 0, W, H));
}

}  // namespace

void TImgIO::ImportMetafile(const String& FileName, int32_t Width, int32_t Height, bool WithAlpha) {
  if (AsyncGate([this, FileName, Width, Height, WithAlpha] { ImportMetafile(FileName, Width, Height, WithAlpha); }))
    return;
  AbortFlag = false;
  Framed([&] {
    if (Width == 0 || Height == 0) return;
    if (!PrepareBitmap({})) return;
    FParams->ResetMetadata();
    TMetafile meta;
    meta.LoadFromFile(FileName);
    int64_t w = 0, h = 0;
    RenderSize(meta.Width(), meta.Height(), Width, Height, w, h);
    // Also a side that the 16000 limit scaled down to nothing.
    if (w <= 0 || h <= 0) {
      AbortFlag = true;
      return;
    }
    const auto dw = static_cast<int32_t>(w), dh = static_cast<int32_t>(h);
    {
      TIEDibbitmap dib;
      Render(meta, dib, dw, dh, GetBackground());
      FParams->FileName = FileName;
      FParams->FileType = meta.Enhanced() ? fcEMF : fcWMF;
      FParams->BitsPerSample = 8;
      FParams->SamplesPerPixel = 3;
      FParams->Width = dw;
      FParams->Height = dh;
      FParams->SetDpiX(IEDefaultDpiX);
      FParams->SetDpiY(IEDefaultDpiY);
      FParams->Palette.clear();
      ViewSetDpi();
      FIEBitmap->CopyFromDibbitmap(&dib);
      FIEBitmap->RemoveAlphaChannel();
    }
    if (WithAlpha) {
      TIEDibbitmap dib;
      Render(meta, dib, dw, dh, kUndrawnColor);
      TIEBitmap* alpha = FIEBitmap->AlphaChannel();
      for (int32_t y = 0; y < dh; ++y) {
        const auto* row = static_cast<const uint8_t*>(dib.ScanLine(y));
        auto* out = static_cast<uint8_t*>(alpha->ScanLine(y));
        for (int32_t x = 0; x < dw; ++x) {
          const uint8_t* p = row + 3 * x;  // blue, green, red
          out[x] = p[0] == 1 && p[1] == 2 && p[2] == 3 ? 0 : 255;
        }
      }
      alpha->SyncFull();
    }
    UpdateAttached();
  });
}
