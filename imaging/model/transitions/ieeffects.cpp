#include "imaging/model/transitions/ieeffects.h"

#include <utility>

#include "imaging/model/transitions/ieeffects_internal.h"
#include "platform/gui/canvas.h"
#include "platform/gui/graphics.h"
#include "platform/rtl/arith.h"

TEffectGeometry EffectGeometry(const TRect& Rect, int32_t Step, int32_t Percent) {
  TEffectGeometry g{};
  g.W = Rect.Right - Rect.Left;
  g.H = Rect.Bottom - Rect.Top;
  if (g.W >= g.H) {
    g.X = MulDiv(g.W, Percent, 100);
    g.Y = MulDiv(g.X, g.H, g.W);
    g.U = MulDiv(g.W, Step, 90);
  } else {
    g.Y = MulDiv(g.H, Percent, 100);
    g.X = MulDiv(g.Y, g.W, g.H);
    g.U = MulDiv(g.H, Step, 90);
  }
  return g;
}

TEffectArea MakeEffectArea(const TRect& Rect, int32_t Step, int32_t Percent) {
  TEffectArea a;
  static_cast<TEffectGeometry&>(a) = EffectGeometry(Rect, Step, Percent);
  a.Percent = Percent;
  return a;
}

void StretchFlipped(TCanvas* Canvas, const TRect& DestRect, TBitmap* Bitmap, bool FlipVertical, bool FlipHorizontal,
                    const TRect& SourceRect) {
  TRect S;
  IntersectRect(S, SourceRect, Rect(0, 0, Bitmap->Width(), Bitmap->Height()));
  TRect D = DestRect;
  if (FlipHorizontal) {
    D.Left = DestRect.Right + 1;
    D.Right = DestRect.Left - 1;
  }
  if (FlipVertical) {
    D.Top = DestRect.Bottom + 1;
    D.Bottom = DestRect.Top - 1;
  }
  const HDC dc = Canvas->Handle();
  SetStretchBltMode(dc, HALFTONE);
  StretchBlt(dc, D.Left, D.Top, D.Right - D.Left, D.Bottom - D.Top, Bitmap->Canvas()->Handle(), S.Left, S.Top,
             S.Right - S.Left, S.Bottom - S.Top, SRCCOPY);
}

void RunCopyPlan(TCanvas* Canvas, TBitmap* ToBitmap, const TCopyPlan& Plan) {
  for (const TCopyStep& s : Plan.Steps) {
    switch (s.Kind) {
      case TCopyKind::ckNone: return;
      case TCopyKind::ckCopy: Canvas->CopyRect(s.D, ToBitmap->Canvas(), s.S); break;
      case TCopyKind::ckSelf: Canvas->CopyRect(s.D, Canvas, s.S); break;
      case TCopyKind::ckFlipH: StretchFlipped(Canvas, s.D, ToBitmap, false, true, s.S); break;
      case TCopyKind::ckFlipV: StretchFlipped(Canvas, s.D, ToBitmap, true, false, s.S); break;
    }
  }
}

TCopyPlan UnrollPlan(const TEffectArea& A, bool Vertical, bool FromEnd) {
  // n is the side the roll travels along, x the part passed.
  const int32_t n = Vertical ? A.H : A.W, x = Vertical ? A.Y : A.X;
  auto span = [&](int32_t From, int32_t To) { return Vertical ? Rect(0, From, A.W, To) : Rect(From, 0, To, A.H); };
  const TCopyKind flip = Vertical ? TCopyKind::ckFlipV : TCopyKind::ckFlipH;
  TCopyPlan p;
  if (!FromEnd) {
    // The roll is half the passed part while that is under a fifth of the
    // side, half the rest once the rest is, and a tenth of the side between.
    const int32_t r = x < n / 5 ? x + x / 2 : n < x + n / 5 ? x + (n - x) / 2 : x + n / 10;
    p.Steps[0] = {flip, span(r, 2 * r - x), span(x, r)};
    p.Steps[1] = Same(span(0, x));
  } else {
    const int32_t e = n - x;
    const int32_t l = n < e + n / 5 ? e - x / 2 : e < n / 5 ? e - e / 2 : e - n / 10;
    p.Steps[0] = {flip, span(2 * l - e, l), span(l, e)};
    p.Steps[1] = Same(span(e, n));
  }
  return p;
}
