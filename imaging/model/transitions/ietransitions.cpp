#include "imaging/model/transitions/ietransitions.h"

#include <algorithm>
#include <cstring>

#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/pixels/iedefs.h"
#include "imaging/model/pixels/ierender.h"
#include "imaging/model/processing/ieview.h"
#include "imaging/model/transitions/ieeffects.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/clock.h"
#include "platform/vcl/timers.h"

namespace {

constexpr int32_t kFull = 1024;
constexpr int32_t kFirstEffect = 31, kLastEffect = 163, kPanZoom = 164;

void MakeIdle(TBitmap& B) {
  B.SetPixelFormat(TPixelFormat::pf24bit);
  B.SetSize(1, 1);
}

std::vector<uint8_t*> RowsOf(TBitmap& B) {
  std::vector<uint8_t*> rows(static_cast<size_t>(B.Height()));
  for (int32_t y = 0; y < B.Height(); ++y) rows[size_t(y)] = B.ScanLine(y);
  return rows;
}

// A pf24bit copy of Picture, cropped or padded with black to W x H.
void CopyAs24(TBitmap& Dest, TBitmap* Picture, int32_t W, int32_t H) {
  Dest.Assign(Picture);
  Dest.SetPixelFormat(TPixelFormat::pf24bit);
  Dest.SetSize(W, H);
}

int32_t NearestInt(double V) { return int32_t(Round(V)); }

}  // namespace

TIETransitionEffects::TIETransitionEffects(TIEView* AView)
    : FromBitmap(std::make_unique<TBitmap>()),
      ToBitmap(std::make_unique<TBitmap>()),
      FrameBitmap(std::make_unique<TBitmap>()),
      View(AView) {
  Idle();
  TTimer* timer = new TTimer(View->ViewComponent());
  timer->SetEnabled(false);
  timer->SetInterval(1);
  timer->SetOnTimer([this](TObject*) { Tick(); });
  Timer = timer;
}

TIETransitionEffects::~TIETransitionEffects() {
  // The view, as the timer's owner, may have freed it already.
  delete Timer.Get();
}

void TIETransitionEffects::Idle() {
  MakeIdle(*FromBitmap);
  MakeIdle(*ToBitmap);
  MakeIdle(*FrameBitmap);
  FromRows.clear();
  ToRows.clear();
  FrameRows.clear();
}

bool TIETransitionEffects::Start(TIETransitionType ATransition, TBitmap* FromPicture, TBitmap* ToPicture,
                                 int32_t ADuration, bool AUpdateOnEnd) {
  const int32_t type = static_cast<int32_t>(ATransition);
  if (type < 1 || type >= kPanZoom || !FromPicture || !ToPicture || FromPicture->Empty() || ToPicture->Empty() ||
      FromPicture->Width() <= 0 || FromPicture->Height() <= 0 || ADuration < 0)
    return false;
  Stop();
  Width = FromPicture->Width();
  Height = FromPicture->Height();
  CopyAs24(*FromBitmap, FromPicture, Width, Height);
  CopyAs24(*ToBitmap, ToPicture, Width, Height);
  Begin(ATransition, ADuration, AUpdateOnEnd);
  return true;
}

bool TIETransitionEffects::StartPanZoom(TIEBitmap* Source, const TRect& StartRect, const TRect& EndRect, int32_t AWidth,
                                        int32_t AHeight, int32_t ADuration, bool AUpdateOnEnd) {
  if (!Source || Source->Width() <= 0 || Source->Height() <= 0 || AWidth <= 0 || AHeight <= 0 || ADuration < 0)
    return false;
  Stop();
  Width = AWidth;
  Height = AHeight;
  PanZoomSource = Source;
  PanZoomStart = StartRect;
  PanZoomEnd = EndRect;
  for (TBitmap* b : {FromBitmap.get(), ToBitmap.get()}) {
    b->SetPixelFormat(TPixelFormat::pf24bit);
    b->SetSize(Width, Height);
  }
  DrawPanZoom(FromBitmap.get(), 0);
  DrawPanZoom(ToBitmap.get(), kFull);
  Begin(TIETransitionType::iettPanZoom, ADuration, AUpdateOnEnd);
  return true;
}

void TIETransitionEffects::Begin(TIETransitionType ATransition, int32_t ADuration, bool AUpdateOnEnd) {
  FrameBitmap->Assign(FromBitmap.get());
  FromRows = RowsOf(*FromBitmap);
  ToRows = RowsOf(*ToBitmap);
  FrameRows = RowsOf(*FrameBitmap);
  Transition = ATransition;
  Duration = ADuration;
  UpdateOnEnd = AUpdateOnEnd;
  Progress = 0;
  RandomDone = 0;
  TickCount = 0;
  StartTick = GetTickCount();
  View->LockPaint();
  Running = true;
  if (Timer) Timer->SetEnabled(true);
}

void TIETransitionEffects::Stop() {
  if (!Running || Transition == TIETransitionType::iettNone) return;
  if (Timer) Timer->SetEnabled(false);
  Running = false;
  Idle();
  View->UnlockPaintNoUpdate();
  if (UpdateOnEnd) View->Update();
}

void TIETransitionEffects::Tick() {
  if (!Running) return;
  ++TickCount;
  DrawFrame(Progress);
  TCanvas* target = View->GetCanvas();
  if (target) BitBlt(target->Handle(), 0, 0, Width, Height, FrameBitmap->Canvas()->Handle(), 0, 0, SRCCOPY);
  const uint32_t elapsed = GetTickCount() - StartTick;
  if (elapsed >= uint32_t(Duration)) {
    if (UpdateOnEnd && target)
      BitBlt(target->Handle(), 0, 0, Width, Height, ToBitmap->Canvas()->Handle(), 0, 0, SRCCOPY);
    Stop();
  }
  Progress = Duration > 0 ? int32_t(std::min<int64_t>(kFull, Trunc(double(elapsed) / Duration * kFull))) : kFull;
}

void TIETransitionEffects::DrawPanZoom(TBitmap* Dest, int32_t p) {
  auto edge = [p](int32_t s, int32_t e) { return int32_t(Trunc(s - p * double(s - e) / kFull)); };
  const int32_t x = std::max(0, edge(PanZoomStart.Left, PanZoomEnd.Left));
  const int32_t y = std::max(0, edge(PanZoomStart.Top, PanZoomEnd.Top));
  const int32_t w = std::min(PanZoomSource->Width() - 1, edge(PanZoomStart.Right, PanZoomEnd.Right) - x);
  const int32_t h = std::min(PanZoomSource->Height() - 1, edge(PanZoomStart.Bottom, PanZoomEnd.Bottom) - y);
  DrawToTBitmap(PanZoomSource, Dest, 0, 0, Width, Height, x, y, w, h, 255, 0);
}

namespace {

// The frame's rows and the two pictures' rows for the row-table types.
struct TRowSet {
  const std::vector<uint8_t*>& From;
  const std::vector<uint8_t*>& To;
  const std::vector<uint8_t*>& Frame;
  int32_t W, H;
};

// Frame := (WeightA * a + WeightB * b) shr 10 per channel; a nil row table
// stands for the background colour Bg (blue, green, red).
void Mix(const TRowSet& r, int32_t WeightA, const std::vector<uint8_t*>* A, int32_t WeightB,
         const std::vector<uint8_t*>* B, const uint8_t Bg[3]) {
  const int32_t n = r.W * 3;
  for (int32_t y = 0; y < r.H; ++y) {
    const uint8_t* a = A ? (*A)[size_t(y)] : nullptr;
    const uint8_t* b = B ? (*B)[size_t(y)] : nullptr;
    uint8_t* f = r.Frame[size_t(y)];
    for (int32_t i = 0; i < n; ++i) {
      const int32_t va = a ? a[i] : Bg[i % 3], vb = b ? b[i] : Bg[i % 3];
      f[i] = uint8_t((WeightA * va + WeightB * vb) >> 10);
    }
  }
}

// Per row: C pixels of Left (its last C when LeftFromEnd, else its first C),
// then the first W - C pixels of Right.
void SpliceColumns(const TRowSet& r, int32_t C, const std::vector<uint8_t*>& Left, bool LeftFromEnd,
                   const std::vector<uint8_t*>& Right) {
  C = std::clamp(C, 0, r.W);
  for (int32_t y = 0; y < r.H; ++y) {
    uint8_t* f = r.Frame[size_t(y)];
    std::memcpy(f, Left[size_t(y)] + (LeftFromEnd ? size_t(r.W - C) * 3 : 0), size_t(C) * 3);
    std::memcpy(f + size_t(C) * 3, Right[size_t(y)], size_t(r.W - C) * 3);
  }
}

// Frame rows 0..N - 1 from Top (its last N rows when TopFromEnd, else its
// first N); the rest from Rest (rows of the same index when RestSameIndex,
// else its first rows).
void SpliceRows(const TRowSet& r, int32_t N, const std::vector<uint8_t*>& Top, bool TopFromEnd,
                const std::vector<uint8_t*>& Rest, bool RestSameIndex) {
  N = std::clamp(N, 0, r.H);
  const size_t bytes = size_t(r.W) * 3;
  for (int32_t y = 0; y < r.H; ++y) {
    const uint8_t* src = y < N ? Top[size_t((TopFromEnd ? r.H - N : 0) + y)] : Rest[size_t(RestSameIndex ? y : y - N)];
    std::memcpy(r.Frame[size_t(y)], src, bytes);
  }
}

}  // namespace

void TIETransitionEffects::DrawFrame(int32_t p) {
  const int32_t type = static_cast<int32_t>(Transition);
  const int32_t W = Width, H = Height;
  TCanvas* frame = FrameBitmap->Canvas();
  if (type >= kFirstEffect && type <= kLastEffect) {
    if (p == 0) {
      FrameBitmap->Assign(FromBitmap.get());
      FrameRows = RowsOf(*FrameBitmap);
      return;
    }
    const TEffectProc proc = Effects[type - 1].Proc;
    if (!proc) return;
    SetStretchBltMode(frame->Handle(), HALFTONE);
    proc(frame, FromBitmap.get(), ToBitmap.get(), Rect(0, 0, W, H), 1, NearestInt(p / double(kFull) * 100));
    return;
  }

  const TRowSet rows{FromRows, ToRows, FrameRows, W, H};
  const TRGB bgc = ColorToTRGB(View->Background());
  const uint8_t bg[3] = {bgc.b, bgc.g, bgc.r};
  auto paint = [&](TBitmap* B) { frame->Draw(0, 0, B); };
  auto copyFrom = [&](TBitmap* B, const TRect& R) { frame->CopyRect(R, B->Canvas(), R); };
  auto redLine = [&](int32_t X1, int32_t Y1, int32_t X2, int32_t Y2) {
    frame->Pen()->SetColor(clRed);
    frame->MoveTo(X1, Y1);
    frame->LineTo(X2, Y2);
  };
  // The centred rectangle of the centre wipes and zooms for progress q.
  auto centred = [&](int32_t q) {
    const int32_t l = W / 2 - ((q * (W / 2)) >> 10), t = H / 2 - ((q * (H / 2)) >> 10);
    return Bounds(l, t, (q * W) >> 10, (q * H) >> 10);
  };
  // How many random points (boxes) the random types have reached at p.
  auto randomStep = [&](int32_t Units) {
    const int32_t target = NearestInt(double(Units) * p * (p / 180.0) / kFull);
    const int32_t k = target - RandomDone;
    RandomDone = target;
    return k;
  };

  switch (type) {
    case 1: Mix(rows, kFull - p, &FromRows, p, &ToRows, bg); break;
    case 2: Mix(rows, p, nullptr, kFull - p, &FromRows, bg); break;
    case 3: Mix(rows, kFull - p, nullptr, p, &ToRows, bg); break;
    case 4:
      if (p < 512)
        Mix(rows, 2 * p, nullptr, kFull - 2 * p, &FromRows, bg);
      else
        Mix(rows, kFull - (2 * p - kFull), nullptr, 2 * p - kFull, &ToRows, bg);
      break;
    case 5:
    case 6:
    case 7:
    case 8:
    case 9:
    case 10:
    case 11:
    case 12: {
      // Pairs of wipes: left to right, right to left, top to bottom, bottom
      // to top; the even type of each pair adds a red line at the edge.
      if (p == 0) paint(FromBitmap.get());
      const int32_t pair = (type - 5) / 2;
      const bool vertical = pair >= 2, fromEnd = pair % 2 == 1;
      const int32_t side = vertical ? H : W;
      const int32_t open = pair == 0 ? (p * W) >> 10 : NearestInt(double(p) * side / kFull);
      const int32_t edge = fromEnd ? NearestInt(side * double(kFull - p) / kFull) : open;
      const int32_t start = fromEnd ? edge : 0;
      copyFrom(ToBitmap.get(), vertical ? Bounds(0, start, W, open) : Bounds(start, 0, open, H));
      if (type % 2 == 0) {
        if (vertical)
          redLine(0, edge, W, edge);
        else
          redLine(edge, 0, edge, H);
      }
      break;
    }
    case 13:
    case 14:
    case 15:
    case 16: {
      if (p == 0) paint(FromBitmap.get());
      const int32_t dx = ((kFull - p) * W) >> 10, dy = ((kFull - p) * H) >> 10;
      const bool right = type == 14 || type == 16, down = type == 15 || type == 16;
      frame->Draw(right ? dx : -dx, down ? dy : -dy, ToBitmap.get());
      break;
    }
    case 17: SpliceColumns(rows, (p * W) >> 10, ToRows, true, FromRows); break;
    case 18: SpliceColumns(rows, (p * W) >> 10, ToRows, false, FromRows); break;
    case 19: SpliceColumns(rows, ((kFull - p) * W) >> 10, FromRows, true, ToRows); break;
    case 20: SpliceColumns(rows, ((kFull - p) * W) >> 10, FromRows, false, ToRows); break;
    case 21: SpliceRows(rows, (p * H) >> 10, ToRows, true, FromRows, false); break;
    case 22: SpliceRows(rows, (p * H) >> 10, ToRows, false, FromRows, false); break;
    case 23: SpliceRows(rows, ((kFull - p) * H) >> 10, FromRows, true, ToRows, false); break;
    case 24: SpliceRows(rows, ((kFull - p) * H) >> 10, FromRows, true, ToRows, true); break;
    case 25: {
      if (p == 0) {
        SpliceRows(rows, H, FromRows, false, FromRows, false);
        break;
      }
      const int32_t k = randomStep(W);
      for (int32_t y = 0; y < H; ++y) {
        for (int32_t i = 0; i < k; ++i) {
          const size_t x = size_t(Random(W)) * 3;
          std::memcpy(FrameRows[size_t(y)] + x, ToRows[size_t(y)] + x, 3);
        }
      }
      break;
    }
    case 26: {
      if (p == 0) {
        paint(FromBitmap.get());
        break;
      }
      const int32_t k = randomStep((W * H) / 64);
      for (int32_t i = 0; i < k; ++i) {
        const int32_t x = Random(W), y = Random(H);
        copyFrom(ToBitmap.get(), Bounds(x - x % 8, y - y % 8, 8, 8));
      }
      break;
    }
    case 27:
      if (p == 0) paint(FromBitmap.get());
      copyFrom(ToBitmap.get(), centred(p));
      break;
    case 28:
      paint(ToBitmap.get());
      copyFrom(FromBitmap.get(), centred(kFull - p));
      break;
    case 29:
    case 30:
      if (type == 29 && p == 0) paint(FromBitmap.get());
      if (type == 30) paint(ToBitmap.get());
      SetStretchBltMode(frame->Handle(), HALFTONE);
      frame->StretchDraw(type == 29 ? centred(p) : centred(kFull - p), type == 29 ? ToBitmap.get() : FromBitmap.get());
      break;
    case kPanZoom: DrawPanZoom(FrameBitmap.get(), p); break;
    default: break;
  }
}
