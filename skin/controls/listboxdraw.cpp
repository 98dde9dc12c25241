#include "skin/controls/listboxdraw.h"

#include "platform/gui/text.h"
#include "platform/rtl/arith.h"
#include "skin/engine/data/skindraw.h"

namespace {

constexpr int32_t kMaxTabStops = 10;

bool AllDigits(const String& S) {
  if (S.empty()) return false;
  for (char c : S)
    if (c < '0' || c > '9') return false;
  return true;
}

// Digits only: a stop too large for an int is as good as none.
int32_t TabStop(const String& S) {
  if (!AllDigits(S) || S.size() > 9) return 0;
  return int32_t(std::stol(S));
}

}  // namespace

std::vector<int32_t> ListTabStops(TStrings* TabWidths) {
  std::vector<int32_t> stops;
  const int32_t n = TabWidths == nullptr ? 0 : IntMin(TabWidths->Count(), kMaxTabStops);
  for (int32_t i = 0; i < n; ++i) stops.push_back(TabStop(TabWidths->Strings(i)));
  return stops;
}

void DrawTabbedText(TCanvas* C, const String& Text, TStrings* TabWidths, int32_t Start, const TRect& T) {
  const std::vector<int32_t> stops = ListTabStops(TabWidths);
  const int32_t y = T.Top + Div(RectHeight(T), 2) - Div(C->TextHeight(Text), 2);
  TabbedTextOut(C->Handle(), T.Left + Start + 2, y, Text.c_str(), int32_t(Text.size()), int32_t(stops.size()),
                stops.empty() ? nullptr : stops.data(), 0);
}

void TileSkinClient(TCanvas* C, TBitmap* Picture, const TRect& SkinRect, const TRect& ClientRect, int32_t X, int32_t Y,
                    int32_t W, int32_t H) {
  const int32_t cw = RectWidth(ClientRect), ch = RectHeight(ClientRect);
  if (Picture == nullptr || cw <= 0 || ch <= 0 || W <= 0 || H <= 0) return;
  const TRect src{SkinRect.Left + ClientRect.Left, SkinRect.Top + ClientRect.Top, SkinRect.Left + ClientRect.Right,
                  SkinRect.Top + ClientRect.Bottom};
  TBitmap B;
  B.SetSize(W, H);
  for (int32_t j = 0; j <= Div(H, ch); ++j)
    for (int32_t i = 0; i <= Div(W, cw); ++i) {
      const int32_t x = i * cw, y = j * ch;
      const int32_t w = IntMin(cw, W - x), h = IntMin(ch, H - y);
      if (w <= 0 || h <= 0) continue;
      B.Canvas()->CopyRect(TRect{x, y, x + w, y + h}, Picture->Canvas(),
                           TRect{src.Left, src.Top, src.Left + w, src.Top + h});
    }
  C->Draw(X, Y, &B);
}
