#include "imaging/model/containers/iegeom.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "platform/rtl/streams.h"

namespace {
// Takes at most three bytes of every write, like a full disk would.
class TShortStream : public TStream {
 public:
  int32_t Read(void*, int32_t) override { return 0; }
  int32_t Write(const void*, int32_t Count) override {
    const int32_t n = std::min(Count, 3);
    Written += n;
    return n;
  }
  int64_t Seek(int64_t, TSeekOrigin) override { return Written; }
  int64_t Written = 0;
};
}  // namespace

TEST(ModelGeometry, FloorAndFit) {
  for (auto [x, expected] :
       {std::pair<double, int32_t>{-1.5, -2}, {2.0, 2}, {-2.0, -2}, {2.7, 2}, {-0.1, -1}, {0.0, 0}, {1e-300, 0}})
    EXPECT_EQ(IEFloor(x), expected) << x;

  struct FitCase {
    int32_t w, h, maxW, maxH, outW, outH;
  };
  for (const FitCase& c :
       {FitCase{800, 400, 400, 400, 400, 200}, FitCase{100, 50, 400, 400, 400, 200}, FitCase{4000, 1, 400, 400, 400, 1},
        FitCase{3, 1000, 10, 100, 1, 100}, FitCase{0, 50, 400, 400, -7, -7}, FitCase{50, 0, 400, 400, -7, -7}}) {
    int32_t w = -7, h = -7;
    IEFitKeepAspect(c.w, c.h, c.maxW, c.maxH, w, h);
    EXPECT_EQ(w, c.outW) << c.w << "x" << c.h;
    EXPECT_EQ(h, c.outH) << c.w << "x" << c.h;
  }
}

TEST(ModelGeometry, Distances) {
  struct SegCase {
    int32_t px, py, x1, y1, x2, y2;
    double expected;
  };
  for (const SegCase& c : {
           SegCase{3, 4, 0, 0, 0, 0, 5},                  // a point segment
           SegCase{5, 5, 0, 0, 10, 0, 5},                 // projection inside
           SegCase{-3, 4, 0, 0, 10, 0, 5},                // nearest end P1
           SegCase{13, 4, 0, 0, 10, 0, 5},                // nearest end P2
           SegCase{50000, 0, 0, 0, 10, 0, 1000000},       // far beyond P2
           SegCase{-50000, 0, 0, 0, 10, 0, 1000000},      // far before P1
           SegCase{10, 45000, 0, 0, 10, 0, 45000},        // inside: no far rule
           SegCase{60000, 0, 0, 0, 0, 0, 60000},          // squares beyond 32 bits
           SegCase{30000, 40000, 0, 0, 60000, 0, 40000},  // squared length beyond 32 bits
           SegCase{100000, 0, 0, 0, 100000, 100000, 100000 / std::sqrt(2.0)},
       })
    EXPECT_NEAR(IEPointSegmentDistance(c.px, c.py, c.x1, c.y1, c.x2, c.y2), c.expected, 1e-6)
        << c.px << "," << c.py << " to " << c.x1 << "," << c.y1 << "-" << c.x2 << "," << c.y2;

  EXPECT_NEAR(IEPointDistance(0, 0, 40000, 40000), 40000 * std::sqrt(2.0), 1e-6);
  EXPECT_EQ(IEPointDistance(-2147483647 - 1, 0, 2147483647, 0), 4294967295.0);
  EXPECT_NEAR(IEPointLineDistance(50, 7, 0, 0, 10, 0), 7, 1e-12);  // the infinite line
  EXPECT_EQ(IEPointLineDistance(3, 4, 0, 0, 0, 0), 5);

  // Polyline: points mapped to (Off + Scale (p - Org)) and rounded half to even.
  const TPoint line[] = {{0, 0}, {10, 0}, {10, 10}};
  EXPECT_NEAR(IEPointPolylineDistance(15, 8, line, 2, 2, 5, 5, 0, 0, 3), 3, 1e-12);  // (5,5)-(25,5)-(25,25)
  const TPoint vertical[] = {{5, 0}, {5, 10}};
  EXPECT_NEAR(IEPointPolylineDistance(0, 0, vertical, 0.5, 0.5, 0, 0, 0, 0, 2), 2, 1e-12);  // x 2.5 -> 2
  EXPECT_EQ(IEPointPolylineDistance(0, 0, line, 1, 1, 0, 0, 0, 0, 1), 1000000);
  EXPECT_EQ(IEPointPolylineDistance(0, 0, line, 1, 1, 0, 0, 0, 0, 0), 1000000);
}

TEST(ModelGeometry, StreamWriteCheckedAbortIsSticky) {
  const char data[10] = {};
  TMemoryStream full;
  bool aborting = false;
  IEStreamWriteChecked(&full, aborting, data, 10);
  EXPECT_FALSE(aborting);
  EXPECT_EQ(full.Size(), 10);

  TShortStream part;
  IEStreamWriteChecked(&part, aborting, data, 10);
  EXPECT_TRUE(aborting);
  IEStreamWriteChecked(&part, aborting, data, 2);  // accepted whole, still aborting
  EXPECT_TRUE(aborting);
  EXPECT_EQ(part.Written, 5);
}

TEST(ModelGeometry, CpuHasMMX) {
#if defined(__x86_64__)
  EXPECT_TRUE(IECpuHasMMX());  // every x86-64 processor has it
#else
  EXPECT_FALSE(IECpuHasMMX());
#endif
}
