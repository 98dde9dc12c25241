#include "imaging/model/containers/ieworkbitmap.h"

#include <gtest/gtest.h>

TEST(ModelWorkBitmap, RowsAreBottomUpAndPadded) {
  TIEWorkBitmap w(5, 3, 24);
  EXPECT_EQ(w.Width(), 5);
  EXPECT_EQ(w.Height(), 3);
  EXPECT_EQ(w.BitsPerPixel(), 24);
  EXPECT_EQ(w.RowLen(), 16);  // 15 bytes padded to 32 bits
  EXPECT_EQ(w.ScanLine(2), w.Bits());
  EXPECT_EQ(w.ScanLine(0), w.Bits() + 2 * 16);

  TIEWorkBitmap one(33, 2, 1);
  EXPECT_EQ(one.RowLen(), 8);
  TIEWorkBitmap gray(6, 1, 8);
  EXPECT_EQ(gray.RowLen(), 8);
}

TEST(ModelWorkBitmap, SameShapeKeepsTheBlock) {
  TIEWorkBitmap w;
  EXPECT_EQ(w.Bits(), nullptr);
  w.Allocate(10, 4, 8);
  uint8_t* block = w.Bits();
  w.ScanLine(1)[3] = 77;
  w.Allocate(10, 4, 8);
  EXPECT_EQ(w.Bits(), block);
  EXPECT_EQ(w.ScanLine(1)[3], 77);

  w.Allocate(10, 4, 24);
  EXPECT_EQ(w.RowLen(), 32);
  w.FreeBits();
  EXPECT_EQ(w.Bits(), nullptr);
  EXPECT_EQ(w.Width() + w.Height() + w.BitsPerPixel() + w.RowLen(), 0);

  // A side of 0 leaves it empty, as the constructor does.
  w.Allocate(0, 4, 8);
  EXPECT_EQ(w.Bits(), nullptr);
  TIEWorkBitmap none(3, 0, 8);
  EXPECT_EQ(none.Bits(), nullptr);
}
