// Component texts, alpha flattening and the preview zoom steps.
#include "app/settings/marloutils.h"

#include <algorithm>
#include <memory>

#include "imaging/model/pixels/iebitmap.h"
#include "platform/rtl/filer.h"
#include "platform/rtl/objtext.h"
#include "platform/rtl/streams.h"

namespace {

constexpr int kZoomSteps = 22;
constexpr double kZoomTable[kZoomSteps] = {2,   5,   10,  15,  20,  30,  40,  50,   60,   80,   100,
                                           125, 150, 175, 200, 300, 500, 700, 1000, 2000, 3000, 5000};

// The table entry that Fit takes the place of: the nearer of the two around
// it (the upper one on a tie); -1 when Fit lies outside the table.
int FitStep(double Fit) {
  if (!(Fit > kZoomTable[0] && Fit < kZoomTable[kZoomSteps - 1])) return -1;
  for (int i = 0; i < kZoomSteps - 1; ++i) {
    if (kZoomTable[i] <= Fit && Fit <= kZoomTable[i + 1])
      return kZoomTable[i + 1] - Fit <= Fit - kZoomTable[i] ? i + 1 : i;
  }
  return -1;
}

double ZoomStep(int Index, int FitIndex, double Fit) { return Index == FitIndex ? Fit : kZoomTable[Index]; }

}  // namespace

String ComponentToText(TComponent* Component) {
  TMemoryStream binary;
  WriteComponent(&binary, Component);
  binary.SetPosition(0);
  TStringStream text;
  ObjectBinaryToText(&binary, &text);
  return text.DataString();
}

TComponent* TextToComponent(const String& Text) {
  TStringStream text(Text);
  TMemoryStream binary;
  ObjectTextToBinary(&text, &binary);
  binary.SetPosition(0);
  return ReadComponent(&binary);
}

void FlattenAlpha(TIEBitmap* Bitmap, TColor Colour) { IEMergeAlphaWithBackground(Bitmap, Colour); }

double FitZoom(int32_t BitmapWidth, int32_t BitmapHeight, int32_t ClientWidth, int32_t ClientHeight) {
  const double w = ClientWidth - 4, h = ClientHeight - 4;
  if (BitmapWidth == 0 || BitmapHeight == 0) return 100;
  if (BitmapWidth <= w && BitmapHeight <= h) return 100;
  return 100 * std::min(w / BitmapWidth, h / BitmapHeight);
}

double NextZoomIn(double Fit, double Current) {
  const int k = FitStep(Fit);
  for (int i = 0; i < kZoomSteps; ++i)
    if (Current < ZoomStep(i, k, Fit)) return ZoomStep(i, k, Fit);
  return Current;
}

double NextZoomOut(double Fit, double Current) {
  const int k = FitStep(Fit);
  for (int i = kZoomSteps - 1; i >= 0; --i)
    if (Current > ZoomStep(i, k, Fit)) return ZoomStep(i, k, Fit);
  return Current;
}
