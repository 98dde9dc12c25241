#include "imaging/io/contract/iecodec.h"

#include <cmath>

#include "platform/rtl/arith.h"

int32_t IEProgressPercent(double Value, double Per) {
  const double p = Value * Per;
  // NaN and values out of range are clamped before truncation, which would
  // otherwise be undefined for them.
  if (!(p > 0)) return 0;
  if (p >= 100) return 100;
  return static_cast<int32_t>(Trunc(p));
}

void IEProgressStart(TIECodecProgress& Progress, int64_t Rows, int64_t Units) {
  Progress.Per1 = Rows > 0 ? 100.0 / static_cast<double>(Rows) : 0.0;
  if (Units > 0) Progress.Per2 = 100.0 / static_cast<double>(Units);
  Progress.Counter = 0;
}

bool IEProgressRow(TIECodecProgress& Progress, int64_t Row) {
  if (Progress.Event) IEDoProgress(Progress, IEProgressPercent(static_cast<double>(Row), Progress.Per1));
  return IEAborting(Progress);
}

bool IEProgressStep(TIECodecProgress& Progress, bool PerUnit) {
  ++Progress.Counter;
  if (Progress.Event)
    IEDoProgress(Progress, IEProgressPercent(Progress.Counter, PerUnit ? Progress.Per2 : Progress.Per1));
  return IEAborting(Progress);
}
