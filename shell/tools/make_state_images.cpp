// Draws the pictures of the shell controls as BMPs of 4 bits per pixel,
// white where they are transparent, named after their resources: the 16 x 16
// check states ("TZAVSELECTIONSTATE_CHECKED.bmp") and the 8 x 8 sort arrows
// of the file list's header ("TZAVSHELLLIST_LV_ARROWUP.bmp"). The output is
// checked in under resources/; run: shell_make_state_images <that folder>
// [<PNG folder>] (the second folder receives a PNG of each, to look at).
#include <cstdio>
#include <string>
#include <vector>

#include "platform/gui/bmpfile.h"
#include "platform/gui/gdi.h"
#include "platform/gui/win_readback.h"
#include "platform/rtl/streams.h"

namespace {

constexpr int kSide = 16;

// The colours by the letters the pictures are drawn with.
struct TInk {
  char Letter;
  RGBQUAD Color;
};
const TInk kInks[] = {
    {'.', {255, 255, 255, 0}},  // white: transparent
    {'#', {112, 112, 112, 0}},  // box frame
    {'o', {252, 252, 252, 0}},  // box face (not white, so it stays opaque)
    {'x', {0, 0, 0, 0}},        // check mark
    {'g', {224, 224, 224, 0}},  // face of the partly checked box
    {'k', {128, 128, 128, 0}},  // its greyed check mark
    {'a', {96, 96, 96, 0}},     // sort arrow
};

using TArt = std::vector<std::string>;

const TArt kBlank(kSide, std::string(kSide, '.'));

TArt Box(char face, char mark) {
  // A 13 x 13 box with a 7 x 7 check mark in the middle of its face.
  static const char* const kMark[7] = {"......x", ".....xx", "x...xxx", "xx.xxx.", "xxxxx..", ".xxx...", "..x...."};
  TArt art(kSide, std::string(kSide, '.'));
  for (int y = 1; y <= 13; ++y)
    for (int x = 1; x <= 13; ++x) art[y][x] = (y == 1 || y == 13 || x == 1 || x == 13) ? '#' : face;
  if (mark)
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 7; ++x)
        if (kMark[y][x] == 'x') art[4 + y][4 + x] = mark;
  return art;
}

// A 7 pixels wide triangle in an 8 x 8 square; the bottom-left pixel stays
// white, since a bitmap's own transparent colour is that pixel's.
TArt Arrow(bool up) {
  TArt art(8, std::string(8, '.'));
  for (int row = 0; row < 4; ++row) {
    const int y = up ? 1 + row : 4 - row;
    for (int x = 3 - row; x <= 3 + row; ++x) art[y][x] = 'a';
  }
  return art;
}

int InkIndex(char letter) {
  for (size_t i = 0; i < sizeof kInks / sizeof kInks[0]; ++i)
    if (kInks[i].Letter == letter) return int(i);
  return 0;
}

HBITMAP Paint(const TArt& art) {
  const int side = int(art.size());
  std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + 16 * sizeof(RGBQUAD), 0);
  auto* bi = reinterpret_cast<BITMAPINFO*>(info.data());
  bi->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi->bmiHeader.biWidth = side;
  bi->bmiHeader.biHeight = -side;
  bi->bmiHeader.biPlanes = 1;
  bi->bmiHeader.biBitCount = 4;
  bi->bmiHeader.biClrUsed = 16;
  auto* colors = reinterpret_cast<RGBQUAD*>(info.data() + sizeof(BITMAPINFOHEADER));
  for (size_t i = 0; i < sizeof kInks / sizeof kInks[0]; ++i) colors[i] = kInks[i].Color;
  void* bits = nullptr;
  HBITMAP b = CreateDIBSection(nullptr, bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!b || !bits) return nullptr;
  auto* px = static_cast<uint8_t*>(bits);
  const int stride = ((side * 4 + 31) / 32) * 4;
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) {
      const int v = InkIndex(art[y][x]);
      uint8_t& byte = px[y * stride + x / 2];
      byte = (x % 2 == 0) ? uint8_t((byte & 0x0F) | (v << 4)) : uint8_t((byte & 0xF0) | v);
    }
  return b;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER [PNG_FOLDER]\n", argv[0]);
    return 2;
  }
  const struct {
    const char* Name;
    TArt Art;
  } pictures[] = {
      {"TZAVSELECTIONSTATE_DUMMY", kBlank},          {"TZAVSELECTIONSTATE_NONE", kBlank},
      {"TZAVSELECTIONSTATE_CHECKED", Box('o', 'x')}, {"TZAVSELECTIONSTATE_UNCHECKED", Box('o', 0)},
      {"TZAVSELECTIONSTATE_GRAYED", Box('g', 'k')},  {"TZAVSHELLLIST_LV_ARROWUP", Arrow(true)},
      {"TZAVSHELLLIST_LV_ARROWDOWN", Arrow(false)},
  };
  for (const auto& p : pictures) {
    HBITMAP b = Paint(p.Art);
    if (!b) return 1;
    TFileStream out(String(argv[1]) + "/" + p.Name + ".bmp", fmCreate);
    WriteBmpFile(out, b);
    if (argc > 2) SavePng(b, String(argv[2]) + "/" + p.Name + ".png");
    DeleteObject(b);
  }
  return 0;
}
