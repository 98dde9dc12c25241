#include "imaging/model/pixels/iedefs.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "platform/gui/syscolors.h"

TEST(ModelPixelFormats, EdgeValues) {
  struct RowLenCase {
    int64_t width;
    int32_t bits;
    int64_t expected;
  };
  for (const RowLenCase& c : {RowLenCase{0, 24, 0}, RowLenCase{1, 1, 4}, RowLenCase{3, 24, 12}, RowLenCase{5, 8, 8},
                              RowLenCase{1, 48, 8}, RowLenCase{9, 1, 4}, RowLenCase{33, 1, 8}})
    EXPECT_EQ(IEBitmapRowLen(c.width, c.bits, 32), c.expected) << c.width << " x " << c.bits;
  // A width whose bit count overflows 32 bits still gives the true length.
  EXPECT_EQ(IEBitmapRowLen(100000000, 48, 32), 600000000);
  EXPECT_EQ(IEBitmapRowLen(2147483647, 48, 32), int64_t{12884901884});

  struct CMYKCase {
    TRGB rgb;
    TCMYK cmyk;
  };
  for (const CMYKCase& c :
       {CMYKCase{MakeTRGB(0, 0, 0), TCMYK{0, 0, 0, 1}}, CMYKCase{MakeTRGB(255, 128, 0), TCMYK{255, 128, 0, 255}},
        CMYKCase{MakeTRGB(255, 255, 255), TCMYK{255, 255, 255, 255}},
        CMYKCase{MakeTRGB(10, 20, 30), TCMYK{85, 170, 255, 30}}}) {
    EXPECT_EQ(IERGBToCMYK(c.rgb), c.cmyk);
    EXPECT_EQ(IECMYKToRGB(c.cmyk), c.rgb);
  }
  // Packed forms: CMYK with c in the low byte, RGB as 0x00RRGGBB.
  EXPECT_EQ(IERGBToCMYK(0x000A141Eu), 0x1EFFAA55u);
  TRGB back;
  IECMYKToRGB(0x1EFFAA55u, back);
  EXPECT_EQ(back, MakeTRGB(10, 20, 30));

  EXPECT_EQ(IEGray8(255, 0, 0), 53);
  EXPECT_EQ(IEGray8(255, 255, 255), 255);

  EXPECT_EQ(IEWiden8To16(255), 65535);
  EXPECT_EQ(IEWiden8To16(1), 257);
  EXPECT_EQ(IENarrow16To8(65535), 255);
  EXPECT_EQ(IENarrow16To8(257), 1);
  EXPECT_EQ(IENarrow16To8(256), 1);
  EXPECT_EQ(IENarrow16To8(255), 0);

  const int32_t bits[] = {0, 1, 8, 8, 16, 24, 32, 32, 48};
  for (uint8_t f = 0; f <= 8; ++f) EXPECT_EQ(IEBitsPerPixel(static_cast<TIEPixelFormat>(f)), bits[f]);
}

TEST(ModelPixelFormats, RecordsKeepStorageOrder) {
  const uint8_t bytes[6] = {1, 2, 3, 4, 5, 6};
  TRGB rgb;
  std::memcpy(&rgb, bytes, 3);
  EXPECT_EQ(rgb, MakeTRGB(3, 2, 1));  // blue first
  TRGB48 rgb48;
  std::memcpy(&rgb48, bytes, 6);
  EXPECT_EQ(rgb48.r, 0x0201);  // red first, little-endian words
  EXPECT_EQ(rgb48.b, 0x0605);
}

TEST(ModelPixelFormats, ColorToTRGBResolvesSystemColours) {
  EXPECT_EQ(ColorToTRGB(clRed), MakeTRGB(255, 0, 0));
  EXPECT_EQ(ColorToTRGB(RGB(1, 2, 3)), MakeTRGB(1, 2, 3));
  const uint32_t face = GetSysColor(COLOR_BTNFACE);
  EXPECT_EQ(ColorToTRGB(clBtnFace),
            MakeTRGB(static_cast<uint8_t>(face), static_cast<uint8_t>(face >> 8), static_cast<uint8_t>(face >> 16)));
}

TEST(ModelPixelFormats, SettingsAtStart) {
  EXPECT_EQ(IEGrayWeightRed, 21);
  EXPECT_EQ(IEGrayWeightGreen, 71);
  EXPECT_EQ(IEGrayWeightBlue, 8);
  EXPECT_EQ(IEMsgLanguage, TMsgLanguage::msSystem);
  for (const String& s : IECaptionTable1) EXPECT_TRUE(s.empty());
  for (const String& s : IECaptionTable2) EXPECT_TRUE(s.empty());
  EXPECT_EQ(IECaptionTable1.size(), 30u);
}

TEST(ModelPixelFormats, ThumbnailLockIsReentrantAndExclusive) {
  TCriticalSection& lock = IEThumbnailLock();
  EXPECT_EQ(&lock, &IEThumbnailLock());
  lock.Enter();
  lock.Enter();  // the holder may enter again
  std::atomic<bool> otherGotIt{true};
  std::thread([&] { otherGotIt = lock.TryEnter(); }).join();
  EXPECT_FALSE(otherGotIt);
  lock.Leave();
  lock.Leave();
  std::thread([&] {
    otherGotIt = lock.TryEnter();
    if (otherGotIt) lock.Leave();
  }).join();
  EXPECT_TRUE(otherGotIt);
}
