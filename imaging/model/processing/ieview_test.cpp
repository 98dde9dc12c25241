#include "imaging/model/processing/ieview.h"

#include <gtest/gtest.h>

#include <vector>

#include "imaging/model/containers/iemask.h"
#include "imaging/model/processing/ieview_testing.h"
#include "platform/rtl/streams.h"

namespace {

TEST(ModelViewServices, ListenerHandlesAndNotification) {
  TIEBitmapChangeListeners list;
  std::vector<int> calls;
  int32_t h2 = -1;
  const int32_t h1 = list.Add([&](TObject*, bool d) { calls.push_back(d ? 11 : 1); });
  h2 = list.Add([&](TObject*, bool) {
    calls.push_back(2);
    list.Remove(h2);  // a listener may remove itself while being called
  });
  const int32_t h3 = list.Add([&](TObject*, bool) { calls.push_back(3); });
  EXPECT_GE(h1, 0);
  EXPECT_NE(h1, h2);
  list.Remove(-1);        // ignored
  list.Remove(-5);        // ignored
  list.Remove(h3 + 100);  // unknown: ignored
  EXPECT_EQ(list.Count(), 3);
  list.Notify(nullptr, false);
  EXPECT_EQ(calls, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(list.Count(), 2);
  calls.clear();
  list.Remove(h3);
  list.Notify(nullptr, true);
  EXPECT_EQ(calls, (std::vector<int>{11}));
  EXPECT_EQ(IEDefaultDpiX, 300);
  EXPECT_EQ(IEDefaultDpiY, 300);
}

int32_t IntAt(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<int32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24);
}

TEST(ModelViewServices, SelectionStreamLayoutAndRoundTrip) {
  TIEMask mask;
  mask.Allocate(3, 2, 8);
  mask.SetPixel(1, 0, 200);
  mask.SetPixel(2, 1, 7);
  const std::vector<TPoint> points{{1, 2}, {1048575, 1048575}};
  const int32_t poly[4] = {10, -20, 30, 40};

  TMemoryStream s;
  s.WriteBuffer("XY", 2);  // appended at the stream's position
  IEWriteSelectionState(&s, mask, points, poly, true);
  std::vector<uint8_t> b(static_cast<size_t>(s.Size()));
  s.SetPosition(0);
  s.ReadBuffer(b.data(), s.Size());

  const size_t o = 2;
  ASSERT_EQ(b.size(), o + 12 + 16 + 16 + 1 + 4 + 16 + 1 + 2 * 4);
  EXPECT_EQ(IntAt(b, o), 3);
  EXPECT_EQ(IntAt(b, o + 4), 2);
  EXPECT_EQ(IntAt(b, o + 8), 2);
  EXPECT_EQ(IntAt(b, o + 12), 1);
  EXPECT_EQ(IntAt(b, o + 16), 2);
  EXPECT_EQ(IntAt(b, o + 20), 1048575);
  EXPECT_EQ(IntAt(b, o + 28), 10);
  EXPECT_EQ(IntAt(b, o + 32), -20);
  EXPECT_EQ(b[o + 44], 1);         // has selection
  EXPECT_EQ(IntAt(b, o + 45), 8);  // bits per pixel
  EXPECT_EQ(IntAt(b, o + 49), 1);  // box X1
  EXPECT_EQ(IntAt(b, o + 53), 0);  // Y1
  EXPECT_EQ(IntAt(b, o + 57), 2);  // X2
  EXPECT_EQ(IntAt(b, o + 61), 1);  // Y2
  EXPECT_EQ(b[o + 65], 0);         // Full
  // Rows as stored: bottom-up, so the bottom row (y = 1) comes first.
  EXPECT_EQ(b[o + 66 + 2], 7);
  EXPECT_EQ(b[o + 70 + 1], 200);

  // Back, fitted to a 5 x 4 image.
  TIEMask back;
  std::vector<TPoint> pts;
  int32_t rec[4] = {};
  bool has = false;
  s.SetPosition(o);
  ASSERT_TRUE(IEReadSelectionState(&s, back, pts, rec, has, 5, 4));
  EXPECT_TRUE(has);
  EXPECT_EQ(pts, points);
  EXPECT_EQ(rec[1], -20);
  EXPECT_EQ(back.Width(), 5);
  EXPECT_EQ(back.Height(), 4);
  EXPECT_EQ(back.BitsPerPixel(), 8);
  EXPECT_EQ(back.GetPixel(1, 0), 200);
  EXPECT_EQ(back.GetPixel(2, 1), 7);
  EXPECT_EQ(back.GetPixel(4, 3), 0);
  EXPECT_EQ(back.X2(), 2);

  // Every shortened copy is refused and leaves the outputs alone.
  for (size_t cut = o; cut < b.size(); cut += 5) {
    TMemoryStream t;
    t.WriteBuffer(b.data() + o, static_cast<int64_t>(cut - o));
    t.SetPosition(0);
    std::vector<TPoint> keep{{9, 9}};
    bool flag = false;
    EXPECT_FALSE(IEReadSelectionState(&t, back, keep, rec, flag, 5, 4)) << cut;
    EXPECT_EQ(keep.size(), 1u);
  }
}

TEST(ModelViewServices, SelectionStateWithAMaskBoxOutsideTheMaskIsRefused) {
  TIEMask mask;
  mask.Allocate(4, 3, 1);
  mask.SetPixel(1, 1, 1);
  const int32_t rec[4] = {1, 1, 2, 2};
  TMemoryStream s;
  IEWriteSelectionState(&s, mask, {}, rec, true);
  std::vector<uint8_t> good(static_cast<size_t>(s.Size()));
  s.SetPosition(0);
  s.ReadBuffer(good.data(), s.Size());
  // The box sits at 33 for a state without points: X1, Y1, X2, Y2.
  struct Case {
    int32_t Box[4];
    bool Accepted;
  };
  const Case cases[] = {{{1, 1, 1, 1}, true},  {{2147483647, 2147483647, 0, 0}, true},
                        {{0, 0, 3, 2}, true},  {{0, 0, 4, 2}, false},
                        {{0, 0, 3, 3}, false}, {{-1, 0, 1, 1}, false},
                        {{2, 1, 1, 1}, false}, {{1, 2, 1, 1}, false}};
  for (const Case& c : cases) {
    std::vector<uint8_t> b = good;
    for (int i = 0; i < 4; ++i)
      for (int k = 0; k < 4; ++k) b[33 + 4 * i + k] = static_cast<uint8_t>(static_cast<uint32_t>(c.Box[i]) >> (8 * k));
    TMemoryStream t;
    t.WriteBuffer(b.data(), static_cast<int64_t>(b.size()));
    t.SetPosition(0);
    TIEMask back;
    std::vector<TPoint> pts;
    int32_t r[4] = {};
    bool has = false;
    EXPECT_EQ(IEReadSelectionState(&t, back, pts, r, has, 4, 3), c.Accepted) << c.Box[0] << " " << c.Box[2];
    if (!c.Accepted) {
      EXPECT_FALSE(has) << "outputs untouched";
    }
  }
}

TEST(ModelViewServices, FakeThumbnailViewReportsItsListChange) {
  TIEFakeMView view;
  TIEMViewServices& mv = view;
  int32_t seenOp = -1, seenIndex = -1;
  view.AddBitmapChangeListener([&](TObject*, bool Destroying) {
    if (Destroying) return;
    seenOp = mv.GetLastOperation();
    seenIndex = mv.GetLastOperationIndex();
  });
  mv.InsertImage(0);
  mv.InsertImage(99);  // past the end: appended
  EXPECT_EQ(seenOp, IEMV_OP_INSERT);
  EXPECT_EQ(seenIndex, 1);
  EXPECT_EQ(mv.GetLastOperation(), IEMV_OP_NONE);
  EXPECT_EQ(mv.SelectedIndex(), -1);
  mv.SetSelectedImage(5);  // out of range: ignored
  EXPECT_EQ(mv.SelectedIndex(), -1);
  mv.SetSelectedImage(1);
  EXPECT_EQ(mv.SelectedIndex(), 1);
  EXPECT_EQ(mv.GetImageCount(), 2);
}

}  // namespace
