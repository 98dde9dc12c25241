#include <gtest/gtest.h>

#include <set>

#include "platform/gui/win_testing.h"
#include "platform/rtl/resources.h"

namespace {

class WinCursors : public ::testing::Test, public TWinTestBase {};

TPoint HotSpot(HCURSOR c) {
  ICONINFO ii;
  if (!GetIconInfo(c, &ii)) return Point(-1, -1);
  DeleteObject(ii.hbmMask);
  if (ii.hbmColor != nullptr) DeleteObject(ii.hbmColor);
  return Point(int32_t(ii.xHotspot), int32_t(ii.yHotspot));
}

TEST_F(WinCursors, SystemCursors) {
  const char* ids[] = {IDC_ARROW,  IDC_IBEAM,  IDC_WAIT,    IDC_CROSS, IDC_UPARROW, IDC_SIZENWSE,    IDC_SIZENESW,
                       IDC_SIZEWE, IDC_SIZENS, IDC_SIZEALL, IDC_NO,    IDC_HAND,    IDC_APPSTARTING, IDC_HELP};
  std::set<HCURSOR> seen;
  for (const char* id : ids) {
    HCURSOR c = LoadCursor(nullptr, id);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(LoadCursor(nullptr, id), c);  // shared
    seen.insert(c);
  }
  EXPECT_EQ(seen.size(), std::size(ids));
  EXPECT_EQ(LoadCursor(nullptr, MAKEINTRESOURCE(1)), nullptr);
  EXPECT_EQ(HotSpot(LoadCursor(nullptr, IDC_ARROW)), Point(0, 0));
  EXPECT_EQ(HotSpot(LoadCursor(nullptr, IDC_CROSS)), Point(16, 16));
  EXPECT_TRUE(DestroyCursor(LoadCursor(nullptr, IDC_ARROW)));  // shared cursors stay
  EXPECT_NE(HotSpot(LoadCursor(nullptr, IDC_ARROW)), Point(-1, -1));
}

TEST_F(WinCursors, CurrentCursorAndCounter) {
  HCURSOR arrow = LoadCursor(nullptr, IDC_ARROW);
  HCURSOR wait = LoadCursor(nullptr, IDC_WAIT);
  EXPECT_EQ(GetCursor(), arrow);
  EXPECT_EQ(SetCursor(wait), arrow);
  EXPECT_EQ(GetCursor(), wait);
  EXPECT_EQ(H().Cursor(), wait);
  EXPECT_EQ(ShowCursor(false), -1);
  EXPECT_FALSE(H().CursorShown());
  EXPECT_EQ(ShowCursor(true), 0);
  EXPECT_TRUE(H().CursorShown());
}

TEST_F(WinCursors, CreateCursorAndNamedCursors) {
  std::vector<uint8_t> andPlane(2 * 16, 0xFF), xorPlane(2 * 16, 0);
  HCURSOR made = CreateCursor(nullptr, 3, 4, 16, 16, andPlane.data(), xorPlane.data());
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(HotSpot(made), Point(3, 4));
  EXPECT_TRUE(DestroyCursor(made));

  // A 32 x 32 monochrome cursor file with its hot spot at (5, 7).
  static std::vector<uint8_t> file;
  auto put16 = [](uint16_t v) {
    file.push_back(uint8_t(v));
    file.push_back(uint8_t(v >> 8));
  };
  auto put32 = [&](uint32_t v) {
    put16(uint16_t(v));
    put16(uint16_t(v >> 16));
  };
  file.clear();
  put16(0);
  put16(2);
  put16(1);
  file.push_back(32);
  file.push_back(32);
  file.push_back(2);
  file.push_back(0);
  put16(5);
  put16(7);
  put32(40 + 8 + 128 + 128);
  put32(22);
  put32(40);
  put32(32);
  put32(64);
  put16(1);
  put16(1);
  put32(0);
  put32(256);
  put32(0);
  put32(0);
  put32(2);
  put32(0);
  put32(0x00000000);
  put32(0x00FFFFFF);
  for (int i = 0; i < 128; ++i) file.push_back(0xAA);  // image
  for (int i = 0; i < 128; ++i) file.push_back(0x00);  // mask: all opaque
  static EmbeddedResource table[] = {{"crTestPointer.cur", nullptr, 0}, {nullptr, nullptr, 0}};
  table[0].Data = file.data();
  table[0].Size = file.size();
  RegisterEmbeddedResources(table);
  HCURSOR named = LoadCursor(nullptr, "crTestPointer");
  ASSERT_NE(named, nullptr);
  EXPECT_EQ(HotSpot(named), Point(5, 7));
  EXPECT_EQ(LoadCursor(nullptr, "CRTESTPOINTER"), named);
  EXPECT_EQ(LoadCursor(nullptr, "crNoSuchCursor"), nullptr);
}

}  // namespace
