#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/gui/win_layer_testing.h"
#include "platform/gui/win_readback.h"
#include "platform/gui/win_scrollbars.h"

#include <sys/wait.h>

namespace {

constexpr COLORREF kRed = 0x0000FF;
constexpr COLORREF kBlue = 0xFF0000;
constexpr COLORREF kWhite = 0xFFFFFF;

bool HaveTool(const char* name) {
  return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

// Runs a command and answers its exit status and what it wrote (both streams).
int RunTool(const std::string& command, std::string* output) {
  FILE* p = popen((command + " 2>&1").c_str(), "r");
  if (!p) return -1;
  char buf[256];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) output->append(buf, n);
  const int status = pclose(p);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

String TempPath(const char* name) {
  const char* home = std::getenv("HOME");
  return String(home ? home : "/tmp") + "/" + name;
}

// A framed window with a caption, a vertical scroll bar and a child, and a
// layered popup over it: half transparent, with a colour-keyed hole.
struct TScene {
  explicit TScene(TTestScene& s) {
    Frame = s.Make(WS_OVERLAPPEDWINDOW | WS_VSCROLL | WS_VISIBLE, WS_EX_CLIENTEDGE, Bounds(40, 30, 320, 240), nullptr,
                   "Scene");
    s.PaintSolid(Frame, kWhite);
    SCROLLINFO si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMax = 99;
    si.nPage = 25;
    si.nPos = 30;
    SetScrollInfo(Frame, SB_VERT, &si, true);
    Child = s.Make(WS_CHILD | WS_VISIBLE | WS_BORDER, 0, Bounds(20, 20, 80, 60), Frame);
    s.PaintSolid(Child, kBlue);
    Popup = s.Make(WS_POPUP | WS_VISIBLE, WS_EX_LAYERED | WS_EX_TOPMOST | WS_EX_NOACTIVATE, Bounds(200, 150, 100, 80));
    s.On(Popup, [](HWND hwnd, uint32_t msg, WPARAM, LPARAM, LRESULT&) {
      if (msg != WM_PAINT) return false;
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      HBRUSH red = CreateSolidBrush(kRed), key = CreateSolidBrush(0x00FF00);
      FillRect(dc, TRect{0, 0, 100, 80}, red);
      FillRect(dc, TRect{10, 10, 30, 30}, key);
      DeleteObject(red);
      DeleteObject(key);
      EndPaint(hwnd, &ps);
      return true;
    });
    SetLayeredWindowAttributes(Popup, 0x00FF00, 128, LWA_ALPHA | LWA_COLORKEY);
    SetActiveWindow(Frame);
    s.Pump();
  }
  HWND Frame, Child, Popup;
};

TEST(WinReadback, DesktopComposesRegionsOpacityAndColourKeys) {
  TTestScene s;
  TScene scene(s);
  // The popup lies over the frame's white client area: red at alpha 128
  // over white, exact to the rounding of a division by 255.
  const uint8_t half = uint8_t((255 * 127 + 127) / 255);
  EXPECT_EQ(ScreenPixel(260, 200), COLORREF(RGB(255, half, half)));
  // The keyed square shows the frame beneath unchanged.
  EXPECT_EQ(ScreenPixel(215, 165), kWhite);
  // The popup's own surface is untouched by its layering.
  EXPECT_EQ(ClientPixel(scene.Popup, 60, 50), kRed);
  EXPECT_EQ(ClientPixel(scene.Popup, 15, 15), COLORREF(0x00FF00));
  COLORREF key;
  uint8_t alpha;
  uint32_t flags;
  ASSERT_TRUE(GetLayeredWindowAttributes(scene.Popup, &key, &alpha, &flags));
  EXPECT_EQ(key, COLORREF(0x00FF00));
  EXPECT_EQ(alpha, 128);
  EXPECT_EQ(flags, LWA_ALPHA | LWA_COLORKEY);
  EXPECT_FALSE(SetLayeredWindowAttributes(scene.Frame, 0, 1, LWA_ALPHA));  // not layered
  // The child (blue inside a 1-pixel border) and the desktop colour.
  TPoint c{30, 30};
  ClientToScreen(scene.Child, &c);
  EXPECT_EQ(ScreenPixel(c.X, c.Y), kBlue);
  EXPECT_EQ(ScreenPixel(5, 5), GetSysColor(COLOR_DESKTOP));
  // A hidden window leaves the desktop.
  ShowWindow(scene.Popup, SW_HIDE);
  EXPECT_EQ(ScreenPixel(260, 200), kWhite);
}

TEST(WinReadback, ScreenshotIsAValidPngOfExactlyThePixelsReadBack) {
  if (!HaveTool("pngcheck") || !HaveTool("compare")) GTEST_SKIP() << "pngcheck or ImageMagick missing";
  TTestScene s;
  TScene scene(s);
  std::unique_ptr<TBitmap> shot = DesktopPixels();
  ASSERT_TRUE(shot);
  const String png = TempPath("w2_shot.png"), bmp = TempPath("w2_shot.bmp");
  ASSERT_TRUE(SavePng(*shot, png));
  shot->SaveToFile(bmp);  // the same pixels through another writer
  std::string out;
  EXPECT_EQ(RunTool("pngcheck " + png, &out), 0) << out;
  out.clear();
  EXPECT_EQ(RunTool("compare -metric AE " + png + " " + bmp + " null:", &out), 0) << out;
  EXPECT_EQ(out, "0") << out;
  // The framed window as its own surface has it, against the screenshot's
  // part where nothing covers it (the popup lies further right and down).
  std::unique_ptr<TBitmap> own = WindowPixels(scene.Frame, true);
  ASSERT_TRUE(own);
  const String ownPng = TempPath("w2_frame.png");
  ASSERT_TRUE(SavePng(*own, ownPng));
  out.clear();
  const std::string crop = "convert " + png + " -crop 160x110+40+30 +repage " + TempPath("w2_crop.png");
  ASSERT_EQ(RunTool(crop, &out), 0) << out;
  const std::string ownCrop = "convert " + ownPng + " -crop 160x110+0+0 +repage " + TempPath("w2_own.png");
  ASSERT_EQ(RunTool(ownCrop, &out), 0) << out;
  out.clear();
  EXPECT_EQ(RunTool("compare -metric AE " + TempPath("w2_crop.png") + " " + TempPath("w2_own.png") + " null:", &out), 0)
      << out;
  EXPECT_EQ(out, "0");
}

TEST(WinReadback, PngFailuresAreReportedNotThrown) {
  TTestScene s;
  HWND w = s.Make(WS_POPUP | WS_VISIBLE, 0, Bounds(0, 0, 8, 8));
  s.Pump();
  HBITMAP dib = WindowPixelsDib(w, false);
  ASSERT_NE(dib, nullptr);
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(EncodePng(dib, bytes));
  ASSERT_GT(bytes.size(), 8u);
  EXPECT_EQ(bytes[1], 'P');
  EXPECT_FALSE(SavePng(dib, "/nonexistent-dir/x.png"));
  DeleteObject(dib);
  EXPECT_FALSE(EncodePng(nullptr, bytes));
  EXPECT_TRUE(bytes.empty());
  EXPECT_EQ(WindowPixels(nullptr, true), nullptr);
}

}  // namespace
