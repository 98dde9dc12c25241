#include "imaging/model/processing/iesmallroutines.h"

#include <cstring>

#include "imaging/model/pixels/iebitmap.h"

namespace {
bool RowsEqual(TIEBitmap* A, TIEBitmap* B) {
  const auto len = static_cast<size_t>(A->RowLen());
  for (int32_t y = 0; y < A->Height(); ++y) {
    // Each bitmap keeps its own ScanLine buffer, so both rows stay valid.
    if (std::memcmp(A->ScanLine(y), B->ScanLine(y), len) != 0) return false;
  }
  return true;
}

bool SameShape(TIEBitmap* A, TIEBitmap* B) {
  return A->Width() == B->Width() && A->Height() == B->Height() && A->PixelFormat() == B->PixelFormat() &&
         A->RowLen() == B->RowLen();
}
}  // namespace

bool BitmapsEqual(TIEBitmap* A, TIEBitmap* B) {
  if (A == B) return true;
  if (!A || !B || !SameShape(A, B) || A->HasAlphaChannel() != B->HasAlphaChannel()) return false;
  if (!RowsEqual(A, B)) return false;
  if (!A->HasAlphaChannel()) return true;
  TIEBitmap* alphaA = A->AlphaChannel();
  TIEBitmap* alphaB = B->AlphaChannel();
  return SameShape(alphaA, alphaB) && RowsEqual(alphaA, alphaB);
}
