// Cursors: the system cursors (simple drawn images), cursors read from
// embedded cursor files by name, CreateCursor, and the current cursor with
// its show counter.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

#include "platform/gui/bmpfile.h"
#include "platform/gui/guiresources.h"
#include "platform/gui/win_core.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/resources.h"
#include "platform/rtl/byteorder.h"

namespace {

struct TCursorState {
  std::map<uint16_t, HCURSOR> System;
  std::map<String, HCURSOR> Named;
  HCURSOR Current = nullptr;
  bool CurrentSet = false;
  int32_t ShowCount = 0;
};

TCursorState& S() {
  static TCursorState* s = new TCursorState;
  return *s;
}

constexpr int kSize = 32;

// A 32 x 32 image with alpha: ink pixels black with a white halo.
class TCursorImage {
 public:
  void Line(int x0, int y0, int x1, int y1) {
    int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1, err = dx + dy;
    for (;;) {
      Ink(x0, y0);
      if (x0 == x1 && y0 == y1) break;
      int e2 = 2 * err;
      if (e2 >= dy) {
        err += dy;
        x0 += sx;
      }
      if (e2 <= dx) {
        err += dx;
        y0 += sy;
      }
    }
  }
  void Circle(int cx, int cy, int r) {
    for (int a = 0; a < 64; ++a) {
      double t = a * 6.283185307179586 / 64;
      Ink(cx + int(std::lround(r * std::cos(t))), cy + int(std::lround(r * std::sin(t))));
    }
  }
  void Ink(int x, int y) {
    if (x >= 0 && y >= 0 && x < kSize && y < kSize) FInk[y][x] = true;
  }
  HCURSOR Make(int hotX, int hotY) const {
    std::vector<uint32_t> color(kSize * kSize, 0);
    for (int y = 0; y < kSize; ++y)
      for (int x = 0; x < kSize; ++x) {
        if (FInk[y][x]) {
          color[size_t(y * kSize + x)] = 0xFF000000u;
          continue;
        }
        bool halo = false;
        for (int dy = -1; dy <= 1 && !halo; ++dy)
          for (int dx = -1; dx <= 1 && !halo; ++dx) {
            int nx = x + dx, ny = y + dy;
            halo = nx >= 0 && ny >= 0 && nx < kSize && ny < kSize && FInk[ny][nx];
          }
        if (halo) color[size_t(y * kSize + x)] = 0xFFFFFFFFu;
      }
    std::vector<uint8_t> mask(size_t(kSize / 8) * kSize, 0xFF);  // all transparent for AND
    for (int y = 0; y < kSize; ++y)
      for (int x = 0; x < kSize; ++x)
        if (color[size_t(y * kSize + x)] != 0) mask[size_t(y * (kSize / 8) + x / 8)] &= uint8_t(~(0x80 >> (x % 8)));
    ICONINFO ii;
    ii.fIcon = false;
    ii.xHotspot = uint32_t(hotX);
    ii.yHotspot = uint32_t(hotY);
    ii.hbmMask = CreateBitmap(kSize, kSize, 1, 1, mask.data());
    ii.hbmColor = CreateBitmap(kSize, kSize, 1, 32, color.data());
    HCURSOR c = CreateIconIndirect(ii);
    DeleteObject(ii.hbmMask);
    DeleteObject(ii.hbmColor);
    return c;
  }

 private:
  bool FInk[kSize][kSize] = {};
};

void Arrow(TCursorImage& img, int ox, int oy) {
  img.Line(ox, oy, ox, oy + 15);
  img.Line(ox, oy, ox + 10, oy + 10);
  img.Line(ox, oy + 15, ox + 4, oy + 11);
  img.Line(ox + 4, oy + 11, ox + 7, oy + 17);
  img.Line(ox + 10, oy + 10, ox + 6, oy + 10);
  img.Line(ox + 6, oy + 10, ox + 9, oy + 16);
}

void DoubleArrow(TCursorImage& img, int x0, int y0, int x1, int y1) {
  img.Line(x0, y0, x1, y1);
  int dx = x1 > x0 ? 1 : x1 < x0 ? -1 : 0;
  int dy = y1 > y0 ? 1 : y1 < y0 ? -1 : 0;
  // Heads: two short strokes at each end, turned 45 degrees off the shaft.
  auto head = [&](int x, int y, int ax, int ay) {
    img.Line(x, y, x + 3 * (ax - ay), y + 3 * (ay + ax));
    img.Line(x, y, x + 3 * (ax + ay), y + 3 * (ay - ax));
  };
  head(x0, y0, dx, dy);
  head(x1, y1, -dx, -dy);
}

HCURSOR BuildSystem(uint16_t id) {
  TCursorImage img;
  switch (id) {
    case 32513:  // I-beam
      img.Line(16, 8, 16, 24);
      img.Line(13, 8, 19, 8);
      img.Line(13, 24, 19, 24);
      return img.Make(16, 16);
    case 32514:  // wait: an hourglass
      img.Line(10, 6, 22, 6);
      img.Line(10, 26, 22, 26);
      img.Line(10, 6, 22, 26);
      img.Line(22, 6, 10, 26);
      return img.Make(16, 16);
    case 32515:  // cross
      img.Line(16, 6, 16, 26);
      img.Line(6, 16, 26, 16);
      return img.Make(16, 16);
    case 32516:  // up arrow
      img.Line(16, 4, 16, 28);
      img.Line(16, 4, 11, 9);
      img.Line(16, 4, 21, 9);
      return img.Make(16, 4);
    case 32642: DoubleArrow(img, 8, 8, 24, 24); return img.Make(16, 16);
    case 32643: DoubleArrow(img, 24, 8, 8, 24); return img.Make(16, 16);
    case 32644: DoubleArrow(img, 5, 16, 27, 16); return img.Make(16, 16);
    case 32645: DoubleArrow(img, 16, 5, 16, 27); return img.Make(16, 16);
    case 32646:
      DoubleArrow(img, 5, 16, 27, 16);
      DoubleArrow(img, 16, 5, 16, 27);
      return img.Make(16, 16);
    case 32648:  // no
      img.Circle(16, 16, 9);
      img.Line(10, 10, 22, 22);
      return img.Make(16, 16);
    case 32649:  // hand: a pointing finger
      img.Line(12, 2, 12, 14);
      img.Line(15, 2, 15, 14);
      img.Line(12, 2, 15, 2);
      img.Line(8, 14, 22, 14);
      img.Line(8, 14, 8, 24);
      img.Line(22, 14, 22, 24);
      img.Line(8, 24, 22, 24);
      return img.Make(13, 2);
    case 32650:  // arrow with an hourglass
      Arrow(img, 0, 0);
      img.Line(16, 14, 24, 14);
      img.Line(16, 26, 24, 26);
      img.Line(16, 14, 24, 26);
      img.Line(24, 14, 16, 26);
      return img.Make(0, 0);
    case 32651:  // arrow with a question mark
      Arrow(img, 0, 0);
      img.Circle(20, 8, 3);
      img.Line(20, 11, 20, 15);
      img.Ink(20, 18);
      return img.Make(0, 0);
    default: Arrow(img, 0, 0); return img.Make(0, 0);
  }
}

bool IsSystemId(uintptr_t id) {
  return (id >= 32512 && id <= 32516) || (id >= 32642 && id <= 32646) || (id >= 32648 && id <= 32651);
}

// A cursor (or icon) file: the directory, then a packed DIB whose height
// counts the image and its AND mask.
HCURSOR ReadCursorFile(const uint8_t* data, size_t size) {
  if (size < 6 || GetLE16(data) != 0) return nullptr;
  const uint16_t type = GetLE16(data + 2);
  const uint16_t count = GetLE16(data + 4);
  if ((type != 1 && type != 2) || count == 0 || 6 + size_t(count) * 16 > size) return nullptr;
  size_t pick = 0;
  int best = 1 << 30;
  for (uint16_t i = 0; i < count; ++i) {
    const uint8_t* e = data + 6 + size_t(i) * 16;
    int w = e[0] == 0 ? 256 : e[0];
    int d = std::abs(w - 32);
    if (d < best) {
      best = d;
      pick = i;
    }
  }
  const uint8_t* e = data + 6 + pick * 16;
  const uint32_t hotX = type == 2 ? GetLE16(e + 4) : 0;
  const uint32_t hotY = type == 2 ? GetLE16(e + 6) : 0;
  const uint32_t bytes = GetLE32(e + 8);
  const uint32_t offset = GetLE32(e + 12);
  if (offset >= size || bytes > size - offset || bytes < 40) return nullptr;
  const uint8_t* dib = data + offset;
  HBITMAP color = nullptr;
  size_t used = 0;
  try {
    color = ReadPackedDib(dib, bytes, true, &used);
  } catch (const Exception&) {
    return nullptr;
  }
  if (color == nullptr) return nullptr;
  BITMAP bm;
  GetObject(color, sizeof bm, &bm);
  const int32_t w = bm.bmWidth, h = bm.bmHeight;
  const size_t maskStride = size_t((w + 31) / 32) * 4;
  HBITMAP mask = nullptr;
  if (used <= bytes && bytes - used >= maskStride * size_t(h)) {
    // The mask rows are bottom-up and padded to 32 bits; CreateBitmap wants
    // top-down rows padded to 16 bits.
    const size_t outStride = size_t((w + 15) / 16) * 2;
    std::vector<uint8_t> rows(outStride * size_t(h), 0);
    for (int32_t y = 0; y < h; ++y)
      std::memcpy(rows.data() + size_t(y) * outStride, dib + used + size_t(h - 1 - y) * maskStride, outStride);
    mask = CreateBitmap(w, h, 1, 1, rows.data());
  } else {
    std::vector<uint8_t> rows(size_t((w + 15) / 16) * 2 * size_t(h), 0);
    mask = CreateBitmap(w, h, 1, 1, rows.data());
  }
  ICONINFO ii;
  ii.fIcon = type == 1;
  ii.xHotspot = hotX;
  ii.yHotspot = hotY;
  ii.hbmMask = mask;
  ii.hbmColor = color;
  HCURSOR c = CreateIconIndirect(ii);
  DeleteObject(mask);
  DeleteObject(color);
  return c;
}

bool IsShared(HCURSOR c) {
  for (auto& [id, h] : S().System)
    if (h == c) return true;
  for (auto& [name, h] : S().Named)
    if (h == c) return true;
  return false;
}

}  // namespace

HCURSOR WinSystemCursor(uint16_t id) {
  if (!IsSystemId(id)) id = 32512;
  auto& sys = S().System;
  auto it = sys.find(id);
  if (it != sys.end()) return it->second;
  HCURSOR c = BuildSystem(id);
  sys[id] = c;
  return c;
}

HCURSOR LoadCursor(HINSTANCE /*instance*/, const char* name) {
  if (name == nullptr) return nullptr;
  if (IS_INTRESOURCE(name)) {
    uintptr_t id = reinterpret_cast<uintptr_t>(name);
    return IsSystemId(id) ? WinSystemCursor(uint16_t(id)) : nullptr;
  }
  String key = name;
  for (char& ch : key) ch = (ch >= 'a' && ch <= 'z') ? char(ch - 'a' + 'A') : ch;
  auto& named = S().Named;
  auto it = named.find(key);
  if (it != named.end()) return it->second;
  InitGuiResources();
  const EmbeddedResource* res = FindEmbeddedResource(name);
  if (res == nullptr) res = FindEmbeddedResource((String(name) + ".cur").c_str());
  if (res == nullptr) return nullptr;
  HCURSOR c = ReadCursorFile(res->Data, res->Size);
  if (c != nullptr) named[key] = c;
  return c;
}

HCURSOR CreateCursor(HINSTANCE /*instance*/, int32_t xHotSpot, int32_t yHotSpot, int32_t width, int32_t height,
                     const void* andPlane, const void* xorPlane) {
  if (width <= 0 || height <= 0 || width > 256 || height > 256 || andPlane == nullptr || xorPlane == nullptr)
    return nullptr;
  const size_t stride = size_t((width + 15) / 16) * 2;
  std::vector<uint8_t> planes(stride * size_t(height) * 2);
  std::memcpy(planes.data(), andPlane, stride * size_t(height));
  std::memcpy(planes.data() + stride * size_t(height), xorPlane, stride * size_t(height));
  ICONINFO ii;
  ii.fIcon = false;
  ii.xHotspot = uint32_t(std::clamp(xHotSpot, 0, width - 1));
  ii.yHotspot = uint32_t(std::clamp(yHotSpot, 0, height - 1));
  ii.hbmMask = CreateBitmap(width, height * 2, 1, 1, planes.data());
  ii.hbmColor = nullptr;
  HCURSOR c = CreateIconIndirect(ii);
  DeleteObject(ii.hbmMask);
  return c;
}

bool DestroyCursor(HCURSOR cursor) {
  if (cursor == nullptr) return false;
  if (IsShared(cursor)) return true;
  if (S().Current == cursor) S().Current = nullptr;
  return DestroyIcon(cursor);
}

HCURSOR SetCursor(HCURSOR cursor) {
  TCursorState& s = S();
  HCURSOR old = GetCursor();
  s.Current = cursor;
  s.CurrentSet = true;
  if (old != cursor) WinBackend().CursorChanged(cursor, s.ShowCount >= 0);
  return old;
}

HCURSOR GetCursor() {
  TCursorState& s = S();
  if (!s.CurrentSet) {
    s.Current = WinSystemCursor(32512);
    s.CurrentSet = true;
  }
  return s.Current;
}

int32_t ShowCursor(bool show) {
  TCursorState& s = S();
  s.ShowCount += show ? 1 : -1;
  WinBackend().CursorChanged(GetCursor(), s.ShowCount >= 0);
  return s.ShowCount;
}

HCURSOR WinCurrentCursor() { return GetCursor(); }
bool WinCursorVisible() { return S().ShowCount >= 0; }

HCURSOR WinCursorForHit(TWndRecord& w, LRESULT hit) {
  switch (hit) {
    case HTCLIENT: return w.Class ? w.Class->Cursor : nullptr;
    case HTLEFT:
    case HTRIGHT: return WinSystemCursor(32644);
    case HTTOP:
    case HTBOTTOM: return WinSystemCursor(32645);
    case HTTOPLEFT:
    case HTBOTTOMRIGHT:
    case HTGROWBOX: return WinSystemCursor(32642);
    case HTTOPRIGHT:
    case HTBOTTOMLEFT: return WinSystemCursor(32643);
    default: return WinSystemCursor(32512);
  }
}

void WinResetCursors() {
  TCursorState& s = S();
  s.Current = nullptr;
  s.CurrentSet = false;
  s.ShowCount = 0;
}
