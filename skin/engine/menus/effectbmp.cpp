#include "skin/engine/menus/effectbmp.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "platform/rtl/arith.h"

void ClampRGB(int32_t& R, int32_t& G, int32_t& B) {
  R = std::clamp(R, 0, 255);
  G = std::clamp(G, 0, 255);
  B = std::clamp(B, 0, 255);
}

namespace {

int32_t Nint(double V) { return int32_t(Round(V)); }

double Clamp01(double K) { return std::clamp(K, 0.0, 1.0); }

// Each channel of a pixel through F, clamped.
template <class F>
void MapPixel(uint8_t* P, F Fn) {
  int32_t b = Fn(P[0], 0), g = Fn(P[1], 1), r = Fn(P[2], 2);
  ClampRGB(r, g, b);
  P[0] = uint8_t(b);
  P[1] = uint8_t(g);
  P[2] = uint8_t(r);
}

// Own pixel o and other pixel t with weight D: D = 1 keeps o, 0 gives t.
void BlendPixel(uint8_t* Own, const uint8_t* Other, double D) {
  MapPixel(Own, [&](uint8_t o, int c) { return Nint(o * D + Other[c] * (1 - D)); });
}

// Columns From, From + Dir, ..., To blended with a weight growing from 0 by
// Step per column, capped at 1.
void BlendRun(uint8_t* Own, const uint8_t* Other, int32_t From, int32_t To, int32_t Dir, double Step) {
  double d = 0;
  for (int32_t x = From; x != To + Dir; x += Dir) {
    BlendPixel(Own + x * 3, Other + x * 3, d);
    d = std::min(1.0, d + Step);
  }
}

void CopyPixel(uint8_t* Dst, const uint8_t* Src) { std::memmove(Dst, Src, 3); }

}  // namespace

// ---- Construction and output -------------------------------------------------------------

TbsEffectBmp::TbsEffectBmp(int32_t Width, int32_t Height) {
  PixWidth = Width;
  PixHeight = Height;
  DataSize = PixHeight * Stride();
  InfoHeader.biWidth = PixWidth;
  InfoHeader.biHeight = -PixHeight;
  InfoHeader.biBitCount = 24;
  BitmapInfo.bmiHeader = InfoHeader;
  void* bits = nullptr;
  DibHandle = CreateDIBSection(nullptr, &BitmapInfo, DIB_RGB_COLORS, &bits, nullptr, 0);
  PixelData = static_cast<uint8_t*>(bits);
  if (DibHandle == nullptr || PixelData == nullptr) PixWidth = PixHeight = DataSize = 0;  // nothing to address
}

TbsEffectBmp::~TbsEffectBmp() {
  if (DibHandle != nullptr) DeleteObject(DibHandle);
}

std::unique_ptr<TbsEffectBmp> TbsEffectBmp::CreateFromHandle(HBITMAP Bmp) {
  BITMAP bm;
  if (GetObject(Bmp, sizeof(bm), &bm) == 0) bm = BITMAP{};
  auto result = std::make_unique<TbsEffectBmp>(bm.bmWidth, bm.bmHeight);
  if (result->PixHeight > 0) {
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAPINFO info = result->BitmapInfo;
    GetDIBits(dc, Bmp, 0, uint32_t(result->PixHeight), result->PixelData, &info, DIB_RGB_COLORS);
    DeleteDC(dc);
  }
  return result;
}

void TbsEffectBmp::Draw(HDC DC, int32_t X, int32_t Y) {
  SetDIBitsToDevice(DC, X, Y, uint32_t(PixWidth), uint32_t(PixHeight), 0, 0, 0, uint32_t(PixHeight), PixelData,
                    &BitmapInfo, DIB_RGB_COLORS);
}

// ---- Pixel and row access -------------------------------------------------------------------

uint8_t* TbsEffectBmp::ScanLine(int32_t Y) {
  assert(Y >= 0 && Y < PixHeight);
  return PixelData + size_t(Y) * size_t(Stride());
}

const uint8_t* TbsEffectBmp::ScanLine(int32_t Y) const {
  assert(Y >= 0 && Y < PixHeight);
  return PixelData + size_t(Y) * size_t(Stride());
}

void TbsEffectBmp::SetPixel(int32_t X, int32_t Y, int32_t Value) {
  assert(X >= 0 && X < PixWidth);
  uint8_t* p = ScanLine(Y) + X * 3;
  p[0] = uint8_t(Value);
  p[1] = uint8_t(Value >> 8);
  p[2] = uint8_t(Value >> 16);
}

int32_t TbsEffectBmp::GetPixel(int32_t X, int32_t Y) const {
  assert(X >= 0 && X < PixWidth);
  const uint8_t* p = ScanLine(Y) + X * 3;
  return int32_t(p[0]) | (int32_t(p[1]) << 8) | (int32_t(p[2]) << 16);
}

void TbsEffectBmp::GetLine(int32_t Y, uint8_t* Line) const { std::memcpy(Line, ScanLine(Y), size_t(PixWidth) * 3); }

void TbsEffectBmp::SetLine(int32_t Y, const uint8_t* Line) { std::memcpy(ScanLine(Y), Line, size_t(PixWidth) * 3); }

bool TbsEffectBmp::SameSize(const TbsEffectBmp* BM) const {
  return BM != nullptr && BM->PixWidth == PixWidth && BM->PixHeight == PixHeight;
}

template <class F>
void TbsEffectBmp::ForEachLine(const TbsEffectBmp* BM, F Fn) {
  std::vector<uint8_t> line(size_t(PixWidth) * 3);
  for (int32_t y = 0; y < PixHeight; ++y) {
    GetLine(y, line.data());
    Fn(line.data(), BM != nullptr ? BM->ScanLine(y) : nullptr);
    SetLine(y, line.data());
  }
}

// ---- Transitions -----------------------------------------------------------------------------

void TbsEffectBmp::Morph(const TbsEffectBmp* BM, double K) {
  if (!SameSize(BM)) return;
  const double k = Clamp01(K);
  ForEachLine(BM, [&](uint8_t* own, const uint8_t* other) {
    for (int32_t x = 0; x < PixWidth; ++x)
      MapPixel(own + x * 3, [&](uint8_t o, int c) { return Nint((1 - k) * o + k * other[x * 3 + c]); });
  });
}

void TbsEffectBmp::MorphGrad(const TbsEffectBmp* BM, double K) {
  if (PixWidth < PixHeight)
    MorphVGrad(BM, K);
  else
    MorphHGrad(BM, K);
}

void TbsEffectBmp::MorphHGrad(const TbsEffectBmp* BM, double K) {
  if (!SameSize(BM)) return;
  const int32_t a = Nint(PixWidth * K);
  const int32_t half = (PixWidth - a) / 2;
  const double step = half == 0 ? 1.0 : 1.0 / half;
  const int32_t lo = std::max(0, PixWidth / 2 - a / 2);
  const int32_t hi = std::min(PixWidth - 1, PixWidth / 2 + a / 2);
  ForEachLine(BM, [&](uint8_t* own, const uint8_t* other) {
    for (int32_t x = lo; x <= hi; ++x) CopyPixel(own + x * 3, other + x * 3);
    BlendRun(own, other, lo, 0, -1, step);
    BlendRun(own, other, hi, PixWidth - 1, 1, step);
  });
}

void TbsEffectBmp::MorphVGrad(const TbsEffectBmp* BM, double K) {
  if (!SameSize(BM) || PixWidth <= 0) return;
  const int32_t b = Nint(PixHeight * K);
  const int32_t half = ((PixHeight - 1) - b) / 2;
  const double step = half == 0 ? 0.0 : 1.0 / half;
  const int32_t lo = std::max(0, PixHeight / 2 - b / 2);
  const int32_t hi = std::min(PixHeight - 1, PixHeight / 2 + b / 2);
  for (int32_t y = lo; y <= hi; ++y) SetLine(y, BM->ScanLine(y));
  std::vector<uint8_t> line(size_t(PixWidth) * 3);
  auto blendRow = [&](int32_t y, double d) {
    GetLine(y, line.data());
    for (int32_t x = 0; x < PixWidth; ++x) BlendPixel(line.data() + x * 3, BM->ScanLine(y) + x * 3, d);
    SetLine(y, line.data());
  };
  double d = 0;
  for (int32_t y = lo; y >= 0; --y, d = std::min(1.0, d + step)) blendRow(y, d);
  d = 0;
  for (int32_t y = hi; y <= PixHeight - 1; ++y, d = std::min(1.0, d + step)) blendRow(y, d);
}

void TbsEffectBmp::MorphLeftGrad(const TbsEffectBmp* BM, double K) {
  if (!SameSize(BM)) return;
  const int32_t a = std::min(std::max(Nint(PixWidth * K), 1), PixWidth - 1);
  const double step = a <= 0 ? 1.0 : 1.0 / a;
  ForEachLine(BM, [&](uint8_t* own, const uint8_t* other) { BlendRun(own, other, 0, a, 1, step); });
}

void TbsEffectBmp::MorphRightGrad(const TbsEffectBmp* BM, double K) {
  if (!SameSize(BM) || PixWidth <= 0) return;
  const int32_t a = std::min(std::max(PixWidth - Nint(PixWidth * K), 0), PixWidth - 1);
  const double step = PixWidth - a <= 0 ? 1.0 : 1.0 / (PixWidth - a);
  ForEachLine(BM, [&](uint8_t* own, const uint8_t* other) { BlendRun(own, other, PixWidth - 1, a, -1, step); });
}

void TbsEffectBmp::MorphLeftSlide(const TbsEffectBmp* BM, double K) {
  if (!SameSize(BM)) return;
  const int32_t b = std::min(std::max(Nint(PixWidth * K), 1), PixWidth - 1);
  ForEachLine(BM, [&](uint8_t* own, const uint8_t* other) {
    for (int32_t x = 0; x < b; ++x) CopyPixel(own + x * 3, other + std::min(PixWidth - b + x, PixWidth - 1) * 3);
  });
}

void TbsEffectBmp::MorphRightSlide(const TbsEffectBmp* BM, double K) {
  if (!SameSize(BM)) return;
  const int32_t b = std::min(std::max(Nint(PixWidth * K), 1), PixWidth - 1);
  ForEachLine(BM, [&](uint8_t* own, const uint8_t* other) {
    for (int32_t x = 0; x < b; ++x) CopyPixel(own + (PixWidth - b + x) * 3, other + x * 3);
  });
}

void TbsEffectBmp::MorphPush(const TbsEffectBmp* BM, double K) {
  if (!SameSize(BM) || PixWidth <= 0) return;
  const int32_t a = std::min(std::max(Nint(PixWidth * K), 0), PixWidth - 1);
  ForEachLine(BM, [&](uint8_t* own, const uint8_t* other) {
    for (int32_t j = PixWidth - 1; j >= a; --j) CopyPixel(own + j * 3, own + std::max(0, j - a - 1) * 3);
    int32_t s = std::max(0, PixWidth - a - 1);
    for (int32_t j = 0; j <= a; ++j, s = std::min(PixWidth - 1, s + 1)) CopyPixel(own + j * 3, other + s * 3);
  });
}

// ---- Colour effects ---------------------------------------------------------------------------

void TbsEffectBmp::ChangeBrightness(double K) {
  const double k = Clamp01(K);
  ForEachLine(nullptr, [&](uint8_t* own, const uint8_t*) {
    for (int32_t x = 0; x < PixWidth; ++x)
      MapPixel(own + x * 3, [&](uint8_t c, int) { return Nint((1 - k) * c + 255 * k); });
  });
}

void TbsEffectBmp::ChangeDarkness(double K) {
  const double k = Clamp01(K);
  ForEachLine(nullptr, [&](uint8_t* own, const uint8_t*) {
    for (int32_t x = 0; x < PixWidth; ++x) MapPixel(own + x * 3, [&](uint8_t c, int) { return Nint((1 - k) * c); });
  });
}

void TbsEffectBmp::GrayScale() {
  ForEachLine(nullptr, [&](uint8_t* own, const uint8_t*) {
    for (int32_t x = 0; x < PixWidth; ++x) {
      uint8_t* p = own + x * 3;
      const int32_t g = Nint(0.3 * p[2] + 0.59 * p[1] + 0.11 * p[0]);
      MapPixel(p, [g](uint8_t, int) { return g; });
    }
  });
}

void TbsEffectBmp::Invert() {
  ForEachLine(nullptr, [&](uint8_t* own, const uint8_t*) {
    for (int32_t x = 0; x < PixWidth * 3; ++x) own[x] = uint8_t(255 - own[x]);
  });
}

void TbsEffectBmp::AddMonoNoise(int32_t Amount) {
  if (Amount <= 0) return;
  ForEachLine(nullptr, [&](uint8_t* own, const uint8_t*) {
    for (int32_t x = 0; x < PixWidth; ++x) {
      const int32_t v = Random(Amount) - Amount / 2;
      MapPixel(own + x * 3, [v](uint8_t c, int) { return c + v; });
    }
  });
}

void TbsEffectBmp::SplitBlur(int32_t Amount) {
  if (Amount == 0 || PixWidth <= 0 || PixHeight <= 0) return;
  // The far index falls back to Size - i, which can leave the bitmap for
  // large amounts or a single row or column: every index is clamped into it.
  auto pick = [Amount](int32_t i, int32_t size, int32_t dir) {
    const int32_t moved = i + dir * Amount;
    const int32_t v = dir < 0 ? (moved >= 0 ? moved : i) : (moved < size ? moved : size - i);
    return std::clamp(v, 0, size - 1);
  };
  for (int32_t y = 0; y < PixHeight; ++y) {
    const uint8_t* r1 = ScanLine(pick(y, PixHeight, -1));
    const uint8_t* r2 = ScanLine(pick(y, PixHeight, 1));
    uint8_t* row = ScanLine(y);
    for (int32_t x = 0; x < PixWidth; ++x) {
      const int32_t x1 = pick(x, PixWidth, -1) * 3, x2 = pick(x, PixWidth, 1) * 3;
      for (int32_t c = 0; c < 3; ++c) row[x * 3 + c] = uint8_t((r1[x1 + c] + r1[x2 + c] + r2[x1 + c] + r2[x2 + c]) / 4);
    }
  }
}

// ---- Geometry ------------------------------------------------------------------------------------

void TbsEffectBmp::Rotate90CCW(TbsEffectBmp* BM) const {
  if (BM == nullptr || BM->PixWidth != PixHeight || BM->PixHeight != PixWidth) return;
  for (int32_t y = 0; y < PixHeight; ++y)
    for (int32_t x = 0; x < PixWidth; ++x) BM->SetPixel(y, PixWidth - 1 - x, GetPixel(x, y));
}

void TbsEffectBmp::Rotate90CW(TbsEffectBmp* BM) const {
  if (BM == nullptr || BM->PixWidth != PixHeight || BM->PixHeight != PixWidth) return;
  for (int32_t y = 0; y < PixHeight; ++y)
    for (int32_t x = 0; x < PixWidth; ++x) BM->SetPixel(PixHeight - 1 - y, x, GetPixel(x, y));
}

void TbsEffectBmp::FlipVertical(TbsEffectBmp* BM) const {
  if (!SameSize(BM)) return;
  for (int32_t y = 0; y < PixHeight; ++y)
    for (int32_t x = 0; x < PixWidth; ++x) BM->SetPixel(x, PixHeight - 1 - y, GetPixel(x, y));
}

// ---- Dispatch ----------------------------------------------------------------------------------------

void MorphByKind(TbsEffectBmp* Normal, const TbsEffectBmp* Hot, double K, TbsMorphKind Kind) {
  using TMorph = void (TbsEffectBmp::*)(const TbsEffectBmp*, double);
  static constexpr TMorph Morphs[] = {&TbsEffectBmp::Morph,          &TbsEffectBmp::MorphGrad,
                                      &TbsEffectBmp::MorphLeftGrad,  &TbsEffectBmp::MorphRightGrad,
                                      &TbsEffectBmp::MorphLeftSlide, &TbsEffectBmp::MorphRightSlide,
                                      &TbsEffectBmp::MorphPush};
  const size_t i = size_t(Kind);
  if (Normal != nullptr && i < std::size(Morphs)) (Normal->*Morphs[i])(Hot, K);
}

void ApplyInactiveEffect(TbsEffectBmp* Bmp, TbsSkinEffect Effect) {
  using TEffect = void (*)(TbsEffectBmp*);
  static constexpr TEffect Effects[] = {
      [](TbsEffectBmp* B) { B->ChangeBrightness(0.5); }, [](TbsEffectBmp* B) { B->ChangeDarkness(0.3); },
      [](TbsEffectBmp* B) { B->GrayScale(); },           [](TbsEffectBmp* B) { B->AddMonoNoise(50); },
      [](TbsEffectBmp* B) { B->SplitBlur(1); },          [](TbsEffectBmp* B) { B->Invert(); }};
  const size_t i = size_t(Effect);
  if (Bmp != nullptr && i < std::size(Effects)) Effects[i](Bmp);
}
