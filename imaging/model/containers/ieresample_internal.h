// Pieces shared by the resampling engines (not part of the library's API).
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/model/containers/ieresample.h"
#include "imaging/model/pixels/iebitmap.h"

namespace ieresample_detail {

// Narrows Source to reading and Dest to writing for the life of the guard.
// Finish() drops the row buffers of file-backed bitmaps (so the last row
// written reaches the file) and restores both accesses; when the guard dies
// without Finish (an exception is passing) the same happens with errors
// swallowed. Either bitmap may be nil.
class TAccessGuard {
 public:
  TAccessGuard(TIEBitmap* Source, TIEBitmap* Dest);
  ~TAccessGuard();
  TAccessGuard(const TAccessGuard&) = delete;
  TAccessGuard& operator=(const TAccessGuard&) = delete;
  void Finish();

 private:
  TIEBitmap* FSource;
  TIEBitmap* FDest;
  TIEDataAccess FSourceAccess;
  TIEDataAccess FDestAccess;
  bool FDone = false;
};

// The channel value of the kernel engine: Sum div WeightSum (toward zero)
// when the weight sum is not 0, else Sum shr 8 taken as an unsigned 32-bit
// number; then clamped to 0..255. Positive weight sums divide by a
// multiply-and-shift that is exact for every int32 sum.
struct TChannelDivisor {
  int32_t WeightSum = 0;
  uint64_t Multiplier = 0;
  uint32_t Shift = 0;
};
TChannelDivisor MakeChannelDivisor(int32_t WeightSum);

inline uint8_t ChannelValue(int32_t Sum, const TChannelDivisor& D) {
  if (D.WeightSum > 0) [[likely]] {
    if (Sum <= 0) return 0;
    const uint64_t q = (static_cast<uint64_t>(Sum) * D.Multiplier) >> D.Shift;
    return static_cast<uint8_t>(q > 255 ? 255 : q);
  }
  if (D.WeightSum == 0) {
    const uint32_t q = static_cast<uint32_t>(Sum) >> 8;
    return static_cast<uint8_t>(q > 255 ? 255 : q);
  }
  const int32_t q = Sum / D.WeightSum;
  return static_cast<uint8_t>(q < 0 ? 0 : (q > 255 ? 255 : q));
}

// The same reciprocal for unsigned averages: Value div Count for Value below
// 2^31 and Count >= 1.
inline uint32_t DivideBy(uint32_t Value, const TChannelDivisor& D) {
  return static_cast<uint32_t>((static_cast<uint64_t>(Value) * D.Multiplier) >> D.Shift);
}

// Whether the kernel engine takes its AVX2 paths: set at start-up when the
// processor has AVX2; tests clear it to check the SSE2 paths against them.
// The results are the same to the bit either way.
extern bool ResampleAvx2;

// Kernel engine entry points (ieresample_kernel.cpp). Sources of at least
// 2 pixels on one side; Dest already of the right format and size.
void KernelResample24(TIEBitmap* Source, TIEBitmap* Dest, const TResampleKernelEntry& Kernel,
                      const TIEProgressEvent& OnProgress, TObject* Sender);
void KernelResample8(TIEBitmap* Source, TIEBitmap* Dest, const TResampleKernelEntry& Kernel);
void KernelResample1Bit(TIEBitmap* Source, TIEBitmap* Dest, const TResampleKernelEntry& Kernel);

// Dest reallocated in Format at its current size when its format differs:
// its contents are about to be replaced.
inline void EnsureFormat(TIEBitmap* Dest, TIEPixelFormat Format) {
  if (Dest->PixelFormat() != Format || Dest->IsEmpty()) Dest->Allocate(Dest->Width(), Dest->Height(), Format);
}

// Every pixel of Dest (ie24RGB or one 8-bit channel), whole rows.
void FillRows24(TIEBitmap* Dest, TRGB Colour);
void FillRows8(TIEBitmap* Dest, uint8_t Value);

// Bits of a 1-bit row as bytes 0 or 255.
void ExpandBits(const uint8_t* Row, int32_t Width, uint8_t* Out);

// Truncation of a finite real known to lie inside int32 (the fast form of
// the runtime's Trunc for pixel coordinates).
inline int32_t TruncInt(double X) { return static_cast<int32_t>(X); }

inline int32_t ClampIndex(int64_t I, int32_t Count) {
  return I < 0 ? 0 : (I >= Count ? Count - 1 : static_cast<int32_t>(I));
}

}  // namespace ieresample_detail
