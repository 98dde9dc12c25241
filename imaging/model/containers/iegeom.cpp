#include "imaging/model/containers/iegeom.h"

#include <cmath>
#include <limits>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

#include "platform/rtl/arith.h"
#include "platform/rtl/streams.h"

void IEStreamWriteChecked(TStream* Stream, bool& Aborting, const void* Buffer, int32_t Count) {
  if (Stream->Write(Buffer, Count) < Count) Aborting = true;
}

int32_t IEFloor(double x) {
  // Trunc raises for NaN and out-of-range values; the rest wraps like the
  // platform's 32-bit result.
  int64_t t = Trunc(x);
  if (x - static_cast<double>(t) < 0) --t;
  return static_cast<int32_t>(static_cast<uint32_t>(t));
}

namespace {
inline double Hypot64(int64_t dx, int64_t dy) {
  const double x = static_cast<double>(dx), y = static_cast<double>(dy);
  return std::sqrt(x * x + y * y);
}
inline int64_t Abs64(int64_t v) { return v < 0 ? -v : v; }
}  // namespace

double IEPointDistance(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  return Hypot64(int64_t{x2} - x1, int64_t{y2} - y1);
}

double IEPointLineDistance(int32_t px, int32_t py, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  const int64_t dx = int64_t{x2} - x1, dy = int64_t{y2} - y1;
  if (dx == 0 && dy == 0) return IEPointDistance(px, py, x1, y1);
  // |(y1 - y2) px + (x2 - x1) py + x1 y2 - x2 y1| rewritten relative to P1,
  // which keeps the products small.
  const double num = static_cast<double>(-dy) * static_cast<double>(int64_t{px} - x1) +
                     static_cast<double>(dx) * static_cast<double>(int64_t{py} - y1);
  return std::fabs(num) / Hypot64(dx, dy);
}

double IEPointSegmentDistance(int32_t px, int32_t py, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  const int64_t dx = int64_t{x2} - x1, dy = int64_t{y2} - y1;
  if (dx == 0 && dy == 0) return IEPointDistance(px, py, x1, y1);
  const double ddx = static_cast<double>(dx), ddy = static_cast<double>(dy);
  const double u = (static_cast<double>(int64_t{px} - x1) * ddx + static_cast<double>(int64_t{py} - y1) * ddy) /
                   (ddx * ddx + ddy * ddy);
  if (u > 1) {
    if (Abs64(int64_t{px} - x2) > 45000 || Abs64(int64_t{py} - y2) > 45000) return IEFarDistance;
    return IEPointDistance(px, py, x2, y2);
  }
  if (u >= 0) return IEPointLineDistance(px, py, x1, y1, x2, y2);
  if (Abs64(int64_t{px} - x1) > 45000 || Abs64(int64_t{py} - y1) > 45000) return IEFarDistance;
  return IEPointDistance(px, py, x1, y1);
}

double IEPointPolylineDistance(int32_t px, int32_t py, const TPoint* Points, double ScaleX, double ScaleY, int32_t OffX,
                               int32_t OffY, int32_t OrgX, int32_t OrgY, int32_t Count) {
  double result = IEFarDistance;
  if (Count <= 0) return result;
  auto map = [&](const TPoint& p) {
    return TPoint{static_cast<int32_t>(Round(OffX + ScaleX * (int64_t{p.X} - OrgX))),
                  static_cast<int32_t>(Round(OffY + ScaleY * (int64_t{p.Y} - OrgY)))};
  };
  TPoint prev = map(Points[0]);
  for (int32_t i = 1; i < Count; ++i) {
    const TPoint cur = map(Points[i]);
    const double d = IEPointSegmentDistance(px, py, prev.X, prev.Y, cur.X, cur.Y);
    if (d < result) result = d;
    prev = cur;
  }
  return result;
}

void IEFitKeepAspect(int32_t Width, int32_t Height, int32_t MaxWidth, int32_t MaxHeight, int32_t& OutWidth,
                     int32_t& OutHeight) {
  if (Width == 0 || Height == 0) return;
  const double sx = static_cast<double>(MaxWidth) / Width, sy = static_cast<double>(MaxHeight) / Height;
  const double scale = sx < sy ? sx : sy;
  // Sizes of the wrong sign can scale beyond 32 bits: saturate.
  auto side = [](double v) -> int32_t {
    if (v >= 2147483647.0) return 2147483647;
    if (v <= -2147483648.0) return -2147483647 - 1;
    return static_cast<int32_t>(v);
  };
  OutWidth = side(Width * scale);
  OutHeight = side(Height * scale);
  if (OutWidth == 0) OutWidth = 1;
  if (OutHeight == 0) OutHeight = 1;
}

bool IECpuHasMMX() {
#if defined(__x86_64__) || defined(__i386__)
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
  return (edx & (1u << 23)) != 0;
#else
  return false;
#endif
}
