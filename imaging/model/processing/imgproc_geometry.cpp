// The geometry and filter operations of TImgProc.
#include <cmath>
#include <cstdlib>
#include <memory>

#include "imaging/model/containers/iemask.h"
#include "imaging/model/containers/ieresample.h"
#include "imaging/model/processing/iefilters.h"
#include "imaging/model/processing/iegeometry.h"
#include "imaging/model/processing/iesmallroutines.h"
#include "imaging/model/processing/imgproc.h"

void TImgProc::Rotate(double Angle, bool AntiAlias, uint8_t AntiAliasMode, TColor Background) {
  if (Angle == 0 || !CheckBitmap({})) return;
  if (FAutoUndo) SaveUndoCaptioned(IEProcCaption("Rotate", Angle), ieuImage);
  const TColor bg = Background == -1 ? this->Background() : Background;
  TIEBitmap* image = FIEBitmap;
  // The alpha channel turns on its own, through the routine of the image's
  // road, so both end with one geometry.
  std::unique_ptr<TIEBitmap> alpha;
  if (image->HasAlphaChannel()) {
    alpha = std::make_unique<TIEBitmap>();
    alpha->Assign(image->AlphaChannel());
    image->RemoveAlphaChannel();
  }
  const TIEPixelFormat pf = image->PixelFormat();
  if (AntiAlias && (AntiAliasMode == 1 || AntiAliasMode == 2) && !IsMultipleOf90(Angle) &&
      pf == TIEPixelFormat::ie24RGB) {
    if (alpha) RotateInterpolated8(alpha.get(), 0, AntiAliasMode, Angle);
    RotateInterpolated24(image, bg, AntiAliasMode, this, OnProgress, Angle);
  } else {
    if (alpha) {
      switch (pf) {
        case TIEPixelFormat::ie1g:
        case TIEPixelFormat::ie16g:
        case TIEPixelFormat::ie32f:
        case TIEPixelFormat::ieCMYK:
        case TIEPixelFormat::ieRGB48: RotateBitmap8Nearest(alpha.get(), 0, Angle); break;
        default: RotateBitmap8(alpha.get(), AntiAlias, 0, this, OnProgress, Angle); break;
      }
    }
    RotateBitmap24(image, AntiAlias, this, OnProgress, ColorToTRGB(bg), Angle);
  }
  if (alpha && alpha->Width() == image->Width() && alpha->Height() == image->Height()) {
    TIEBitmap* a = image->AlphaChannel();
    a->Assign(alpha.get());
    a->SyncFull();
  }
  Update();
}

void TImgProc::Flip(int32_t Direction) {
  RunWholeImageOp(IEProcAllFormats, "Flip", [&](TIEBitmap* image) { FlipBitmap(image, Direction); });
}

void TImgProc::ImageResize(int32_t NewWidth, int32_t NewHeight, int32_t HAlign, int32_t VAlign) {
  if (!CheckBitmap({}) || NewWidth <= 0 || NewHeight <= 0) return;
  if (FAutoUndo) SaveUndoCaptioned(IEProcCaption("ImageResize", {NewWidth, NewHeight}), ieuImage);
  TIEBitmap* image = FIEBitmap;
  const double fill = IEBackgroundFillValue(image, Background());
  // A blank 1 x 1 image becomes a plain canvas.
  if (image->Width() < 2 && image->Height() < 2) image->Fill(fill);
  image->Resize(NewWidth, NewHeight, fill, 255, HAlign, VAlign);
  Update();
}

void TImgProc::ResampleTo(TIEBitmap* Dest, int32_t NewWidth, int32_t NewHeight, TResampleFilter Filter) {
  if (!Dest || !CheckBitmap({})) return;
  const int32_t W = FIEBitmap->Width(), H = FIEBitmap->Height();
  if (W == 0 || H == 0) return;
  if (FAutoUndo) SaveUndoCaptioned(IEProcCaption("Resample", {NewWidth, NewHeight}), ieuImage);
  if (NewWidth < 0 && NewHeight < 0) return;
  auto side = [](int64_t v) { return static_cast<int32_t>(v < 1 ? 1 : (v > 2147483647 ? 2147483647 : v)); };
  // -1 for the width scales by the height argument as given (0 gives 1).
  const int32_t w = side(NewWidth == -1  ? int64_t{NewHeight} * W / H
                         : NewWidth == 0 ? int64_t{W}
                                         : std::llabs(int64_t{NewWidth}));
  const int32_t h = side(NewHeight == -1  ? int64_t{w} * H / W
                         : NewHeight == 0 ? int64_t{H}
                                          : std::llabs(int64_t{NewHeight}));
  if (Dest == FIEBitmap) {
    // Allocating the working image first would throw its pixels away.
    TIEBitmap temp;
    temp.Allocate(w, h, FIEBitmap->PixelFormat());
    ResampleBitmap(FIEBitmap, &temp, Filter, OnProgress, this);
    IETakeBitmap(FIEBitmap, &temp);
    return;
  }
  Dest->Allocate(w, h, FIEBitmap->PixelFormat());
  ResampleBitmap(FIEBitmap, Dest, Filter, OnProgress, this);
}

void TImgProc::Resample(int32_t NewWidth, int32_t NewHeight, TResampleFilter Filter) {
  if (!CheckBitmap({}) || FIEBitmap->Width() == 0 || FIEBitmap->Height() == 0) return;
  TIEBitmap temp;
  ResampleTo(&temp, NewWidth, NewHeight, Filter);
  if (!temp.IsEmpty()) IETakeBitmap(FIEBitmap, &temp);
  Update();
}

void TImgProc::CropSel() {
  if (!CheckBitmap({})) return;
  if (FAutoUndo) SaveUndoCaptioned("CropSel", ieuImage);
  int32_t x1, y1, x2, y2, count;
  TIEMask* mask = nullptr;
  const TPoint* points = nullptr;
  TIEBitmap* image = FIEBitmap;
  // A mask whose box leaves the image (a stale selection) would be read
  // beyond the picture: such a selection crops nothing.
  if (GetSelection(x1, y1, x2, y2, mask, points, count) && mask && !mask->IsEmpty() && mask->X1() >= 0 &&
      mask->Y1() >= 0 && mask->X2() < image->Width() && mask->Y2() < image->Height()) {
    TIEBitmap cropped;
    cropped.Allocate(mask->X2() - mask->X1() + 1, mask->Y2() - mask->Y1() + 1, image->PixelFormat());
    if (image->PixelFormat() == TIEPixelFormat::ie8p) {
      TRGB c;
      for (int32_t i = 0; i < image->PaletteLength() && i < cropped.PaletteLength(); ++i) {
        image->GetPaletteColor(i, c);
        cropped.SetPaletteColor(i, c);
      }
    }
    cropped.Fill(IEBackgroundFillValue(&cropped, Background()));
    mask->CopyBitmap(&cropped, image, true, false, true);
    IETakeBitmap(image, &cropped);
    TIEBitmap* alpha = image->AlphaChannel();
    alpha->SyncFull();
    if (alpha->Full()) image->RemoveAlphaChannel();
  }
  Update();
}

void TImgProc::Clear() {
  RunWholeImageOp(IEProcAllFormats, "Clear",
                  [&](TIEBitmap* image) { image->Fill(IEBackgroundFillValue(image, Background())); });
}

void TImgProc::Blur(double Radius) {
  RunSelectionOp(
      IEProcGrayRGBFormats, IEProcCaption("Blur", Radius),
      [&](TIEBitmap* work, int32_t, int32_t, int32_t, int32_t) { GaussianBlur(work, this, OnProgress, Radius); });
}

void TImgProc::Sharpen(int32_t Intensity, int32_t NeighbourSize) {
  RunSelectionOp(IEProcRGBFormats, "Sharpen", [&](TIEBitmap* work, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    ApplySharpen(work, x1, y1, x2, y2, Intensity, NeighbourSize, this, OnProgress);
  });
}

void TImgProc::AddSoftShadow(double Radius, int32_t OffsetX, int32_t OffsetY, bool Enlarge, TColor ShadowColor,
                             int32_t Intensity, bool ShadowOnly) {
  RunWholeImageOp(IEProcAllFormats, "AddSoftShadow", [&](TIEBitmap* image) {
    const int32_t lighten = ie_detail::TruncToInt32(std::nearbyint((25500.0 - Intensity * 255.0) / 100));
    DrawSoftShadow(image, OffsetX, OffsetY, ShadowOnly, lighten, this, OnProgress, ColorToTRGB(ShadowColor), Enlarge,
                   Radius);
  });
}
