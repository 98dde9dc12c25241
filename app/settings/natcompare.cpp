#include "app/settings/natcompare.h"

namespace {

// The character at I; the end of the text reads as 0.
uint8_t At(std::string_view S, size_t I) { return I < S.size() ? uint8_t(S[I]) : 0; }

bool IsDigit(uint8_t C) { return C >= '0' && C <= '9'; }

// "." sorts before everything, then "_" takes the place "." had.
uint8_t SortCode(uint8_t C) {
  if (C == '.') return 1;
  if (C == '_') return '.';
  return C;
}

size_t SkipZeros(std::string_view S, size_t I) {
  while (At(S, I) == '0') ++I;
  return I;
}

}  // namespace

int32_t CompareDigitRuns(std::string_view A, std::string_view B) {
  int32_t bias = 0;
  for (size_t i = 0;; ++i) {
    const uint8_t ca = At(A, i), cb = At(B, i);
    const bool da = IsDigit(ca), db = IsDigit(cb);
    if (!da && !db) return bias;
    if (!da) return -1;
    if (!db) return +1;
    if (bias == 0 && ca != cb) bias = ca < cb ? -1 : +1;
  }
}

int32_t NaturalCompare(std::string_view A, std::string_view B) {
  size_t ia = 0, ib = 0;
  for (;; ++ia, ++ib) {
    if (IsDigit(At(A, ia)) && IsDigit(At(B, ib))) {
      ia = SkipZeros(A, ia);
      ib = SkipZeros(B, ib);
      if (int32_t r = CompareDigitRuns(A.substr(ia), B.substr(ib))) return r;
    }
    const uint8_t ca = SortCode(At(A, ia)), cb = SortCode(At(B, ib));
    if (ca == 0 && cb == 0) return 0;
    if (ca != cb) return ca < cb ? -1 : +1;
  }
}
