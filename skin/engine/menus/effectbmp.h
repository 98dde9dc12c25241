// A 24-bit top-down DIB with direct row access for the skin's image effects:
// hover transitions, the colour effects of inactive frames, and rotations and
// flips of tab images. Callers make one from a bitmap, change it, draw it and
// free it within one paint.
//
// Pixels are blue, green, red; row y starts at y * (PixWidth * 3 + PixWidth
// mod 4). A colour is an integer whose low three bytes are the pixel's bytes
// in memory order. The accessors do no range checks (asserted in debug
// builds).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gui/gdi.h"
#include "skin/engine/data/skinini.h"

void ClampRGB(int32_t& R, int32_t& G, int32_t& B);

class TbsEffectBmp {
 public:
  // Pixels not set.
  TbsEffectBmp(int32_t Width, int32_t Height);
  ~TbsEffectBmp();
  TbsEffectBmp(const TbsEffectBmp&) = delete;
  TbsEffectBmp& operator=(const TbsEffectBmp&) = delete;
  // A copy of the bitmap's pixels at its size.
  static std::unique_ptr<TbsEffectBmp> CreateFromHandle(HBITMAP Bmp);

  // The whole bitmap at (X, Y) of DC, unscaled.
  void Draw(HDC DC, int32_t X, int32_t Y);

  void SetPixel(int32_t X, int32_t Y, int32_t Value);
  int32_t GetPixel(int32_t X, int32_t Y) const;
  uint8_t* ScanLine(int32_t Y);
  const uint8_t* ScanLine(int32_t Y) const;
  // PixWidth * 3 bytes of row Y, without the alignment bytes.
  void GetLine(int32_t Y, uint8_t* Line) const;
  void SetLine(int32_t Y, const uint8_t* Line);

  // Transitions from this (normal) image towards BM (hot) by K in 0..1; a
  // bitmap of another size leaves this one unchanged.
  void Morph(const TbsEffectBmp* BM, double K);
  void MorphGrad(const TbsEffectBmp* BM, double K);
  void MorphHGrad(const TbsEffectBmp* BM, double K);
  void MorphVGrad(const TbsEffectBmp* BM, double K);
  void MorphLeftGrad(const TbsEffectBmp* BM, double K);
  void MorphRightGrad(const TbsEffectBmp* BM, double K);
  void MorphLeftSlide(const TbsEffectBmp* BM, double K);
  void MorphRightSlide(const TbsEffectBmp* BM, double K);
  void MorphPush(const TbsEffectBmp* BM, double K);

  // Colour effects in place.
  void ChangeBrightness(double K);
  void ChangeDarkness(double K);
  void GrayScale();
  void Invert();
  void SplitBlur(int32_t Amount);
  void AddMonoNoise(int32_t Amount);

  // Into a bitmap of the swapped size (rotations) or the same size (flip).
  void Rotate90CCW(TbsEffectBmp* BM) const;
  void Rotate90CW(TbsEffectBmp* BM) const;
  void FlipVertical(TbsEffectBmp* BM) const;

  HBITMAP DibHandle = nullptr;
  int32_t PixWidth = 0;
  int32_t PixHeight = 0;
  int32_t DataSize = 0;
  uint8_t* PixelData = nullptr;
  BITMAPINFOHEADER InfoHeader;
  BITMAPINFO BitmapInfo{};

 private:
  int32_t Stride() const { return PixWidth * 3 + PixWidth % 4; }
  bool SameSize(const TbsEffectBmp* BM) const;
  // Every row through a scratch line: F(y, own line, other's row).
  template <class F>
  void ForEachLine(const TbsEffectBmp* BM, F Fn);
};

// The transition of a morph kind, called on the normal-state image.
void MorphByKind(TbsEffectBmp* Normal, const TbsEffectBmp* Hot, double K, TbsMorphKind Kind);
// A form's inactive look, with the skin's fixed amounts.
void ApplyInactiveEffect(TbsEffectBmp* Bmp, TbsSkinEffect Effect);
