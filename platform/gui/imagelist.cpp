#include "platform/gui/imagelist.h"

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/gui/canvas.h"
#include "platform/gui/gdi_internal.h"
#include "platform/gui/syscolors.h"

namespace {

struct TListImage {
  std::vector<COLORREF> Pixels;  // rows top to bottom
  std::vector<uint8_t> Opaque;   // 1 where the image shows
};

struct TImageListData {
  int32_t Cx = 0;
  int32_t Cy = 0;
  uint32_t Flags = 0;
  COLORREF BkColor = CLR_NONE;
  std::vector<TListImage> Images;
  int32_t Overlays[15] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
  // The system's list: shared by every user, so nobody may change or destroy it.
  bool SystemOwned = false;
  bool Masked() const { return (Flags & ILC_MASK) != 0; }
};

struct TListTable {
  std::mutex Lock;
  std::map<uintptr_t, std::unique_ptr<TImageListData>> Lists;
  uintptr_t NextId = 0x1000;
};

TListTable& Table() {
  static TListTable t;
  return t;
}

// Looks a list up; the caller holds the table lock.
TImageListData* Find(HIMAGELIST list) {
  auto it = Table().Lists.find(reinterpret_cast<uintptr_t>(list));
  return it == Table().Lists.end() ? nullptr : it->second.get();
}

// A list its caller may change: nullptr for a system-owned one.
TImageListData* FindEditable(HIMAGELIST list) {
  TImageListData* l = Find(list);
  return l && !l->SystemOwned ? l : nullptr;
}

// Reads the count images at the left of image; the mask marks transparent
// pixels white; maskColor (when not CLR_NONE) marks them by colour instead.
bool ReadImages(const TImageListData& l, HBITMAP image, HBITMAP mask, COLORREF maskColor, int32_t count,
                std::vector<TListImage>& out) {
  const TGdiRaster r = GdiBitmapRaster(image);
  if (!r.Valid()) return false;
  const TGdiRaster m = mask ? GdiBitmapRaster(mask) : TGdiRaster{};
  if (count < 0) count = r.Width / l.Cx;
  if (count <= 0) return false;
  const size_t n = size_t(l.Cx) * size_t(l.Cy);
  for (int32_t k = 0; k < count; ++k) {
    TListImage img;
    img.Pixels.assign(n, 0);
    img.Opaque.assign(n, 1);
    for (int32_t y = 0; y < l.Cy && y < r.Height; ++y)
      for (int32_t x = 0; x < l.Cx; ++x) {
        const int32_t sx = k * l.Cx + x;
        if (sx >= r.Width) break;
        const size_t i = size_t(y) * size_t(l.Cx) + size_t(x);
        const COLORREF c = GdiValueToColor(r, GdiReadPixel(r, sx, y)) & 0x00FFFFFFu;
        img.Pixels[i] = c;
        if (!l.Masked()) continue;
        if (maskColor != CLR_NONE) {
          if (c == maskColor) {
            img.Opaque[i] = 0;
            img.Pixels[i] = 0;
          }
        } else if (m.Valid() && sx < m.Width && y < m.Height) {
          const COLORREF mc = GdiValueToColor(m, GdiReadPixel(m, sx, y)) & 0x00FFFFFFu;
          img.Opaque[i] = mc == 0x00FFFFFFu ? 0 : 1;
        }
      }
    out.push_back(std::move(img));
  }
  return true;
}

COLORREF Blend(COLORREF image, COLORREF fg, uint32_t a) {
  auto ch = [&](int shift) {
    const uint32_t i = (image >> shift) & 0xFF, f = (fg >> shift) & 0xFF;
    return ((f * a + i * (255 - a) + 127) / 255) << shift;
  };
  return ch(0) | ch(8) | ch(16);
}

bool DrawOne(HIMAGELIST list, int32_t index, HDC dc, int32_t x, int32_t y, int32_t dx, int32_t dy, COLORREF bk,
             COLORREF fg, uint32_t style);

}  // namespace

HIMAGELIST ImageList_Create(int32_t cx, int32_t cy, uint32_t flags, int32_t initial, int32_t) {
  if (cx <= 0 || cy <= 0) return nullptr;
  auto data = std::make_unique<TImageListData>();
  data->Cx = cx;
  data->Cy = cy;
  data->Flags = flags;
  if (initial > 0 && initial < 4096) data->Images.reserve(size_t(initial));
  TListTable& t = Table();
  std::lock_guard<std::mutex> guard(t.Lock);
  const uintptr_t id = t.NextId++;
  t.Lists[id] = std::move(data);
  return reinterpret_cast<HIMAGELIST>(id);
}

bool ImageList_Destroy(HIMAGELIST list) {
  TListTable& t = Table();
  std::lock_guard<std::mutex> guard(t.Lock);
  if (!FindEditable(list)) return false;
  return t.Lists.erase(reinterpret_cast<uintptr_t>(list)) > 0;
}

bool ImageList_SetSystemOwned(HIMAGELIST list) {
  std::lock_guard<std::mutex> guard(Table().Lock);
  TImageListData* l = Find(list);
  if (!l) return false;
  l->SystemOwned = true;
  return true;
}

int32_t ImageList_Add(HIMAGELIST list, HBITMAP image, HBITMAP mask) {
  std::lock_guard<std::mutex> guard(Table().Lock);
  TImageListData* l = FindEditable(list);
  if (!l) return -1;
  std::vector<TListImage> images;
  if (!ReadImages(*l, image, mask, CLR_NONE, -1, images)) return -1;
  const int32_t first = int32_t(l->Images.size());
  for (auto& img : images) l->Images.push_back(std::move(img));
  return first;
}

int32_t ImageList_AddMasked(HIMAGELIST list, HBITMAP image, COLORREF maskColor) {
  std::lock_guard<std::mutex> guard(Table().Lock);
  TImageListData* l = FindEditable(list);
  if (!l) return -1;
  std::vector<TListImage> images;
  if (!ReadImages(*l, image, nullptr, maskColor & 0x00FFFFFFu, -1, images)) return -1;
  const int32_t first = int32_t(l->Images.size());
  for (auto& img : images) l->Images.push_back(std::move(img));
  return first;
}

bool ImageList_Replace(HIMAGELIST list, int32_t index, HBITMAP image, HBITMAP mask) {
  std::lock_guard<std::mutex> guard(Table().Lock);
  TImageListData* l = FindEditable(list);
  if (!l || index < 0 || index >= int32_t(l->Images.size())) return false;
  std::vector<TListImage> images;
  if (!ReadImages(*l, image, mask, CLR_NONE, 1, images)) return false;
  l->Images[size_t(index)] = std::move(images[0]);
  return true;
}

bool ImageList_Remove(HIMAGELIST list, int32_t index) {
  std::lock_guard<std::mutex> guard(Table().Lock);
  TImageListData* l = FindEditable(list);
  if (!l) return false;
  if (index == -1) {
    l->Images.clear();
    return true;
  }
  if (index < 0 || index >= int32_t(l->Images.size())) return false;
  l->Images.erase(l->Images.begin() + index);
  return true;
}

int32_t ImageList_GetImageCount(HIMAGELIST list) {
  std::lock_guard<std::mutex> guard(Table().Lock);
  TImageListData* l = Find(list);
  return l ? int32_t(l->Images.size()) : -1;
}

bool ImageList_GetIconSize(HIMAGELIST list, int32_t* cx, int32_t* cy) {
  std::lock_guard<std::mutex> guard(Table().Lock);
  TImageListData* l = Find(list);
  if (!l) return false;
  if (cx) *cx = l->Cx;
  if (cy) *cy = l->Cy;
  return true;
}

COLORREF ImageList_SetBkColor(HIMAGELIST list, COLORREF color) {
  std::lock_guard<std::mutex> guard(Table().Lock);
  TImageListData* l = FindEditable(list);
  if (!l) return CLR_NONE;
  const COLORREF old = l->BkColor;
  l->BkColor = color == CLR_NONE ? CLR_NONE : (color & 0x00FFFFFFu);
  return old;
}

COLORREF ImageList_GetBkColor(HIMAGELIST list) {
  std::lock_guard<std::mutex> guard(Table().Lock);
  TImageListData* l = Find(list);
  return l ? l->BkColor : CLR_NONE;
}

bool ImageList_Draw(HIMAGELIST list, int32_t index, HDC dc, int32_t x, int32_t y, uint32_t style) {
  return ImageList_DrawEx(list, index, dc, x, y, 0, 0, CLR_DEFAULT, CLR_DEFAULT, style);
}

bool ImageList_SetOverlayImage(HIMAGELIST list, int32_t image, int32_t overlay) {
  std::lock_guard<std::mutex> guard(Table().Lock);
  TImageListData* l = FindEditable(list);
  if (!l || overlay < 1 || overlay > 15 || image < -1 || image >= int32_t(l->Images.size())) return false;
  l->Overlays[overlay - 1] = image;
  return true;
}

bool ImageList_DrawEx(HIMAGELIST list, int32_t index, HDC dc, int32_t x, int32_t y, int32_t dx, int32_t dy, COLORREF bk,
                      COLORREF fg, uint32_t style) {
  int32_t overlayImage = -1;
  {
    std::lock_guard<std::mutex> guard(Table().Lock);
    TImageListData* l = Find(list);
    const uint32_t overlay = (style & ILD_OVERLAYMASK) >> 8;
    if (l && overlay != 0) overlayImage = l->Overlays[overlay - 1];
  }
  if (!DrawOne(list, index, dc, x, y, dx, dy, bk, fg, style)) return false;
  // The overlay keeps its own transparent parts over the image.
  if (overlayImage >= 0) DrawOne(list, overlayImage, dc, x, y, dx, dy, bk, fg, style | ILD_TRANSPARENT);
  return true;
}

namespace {

bool DrawOne(HIMAGELIST list, int32_t index, HDC dc, int32_t x, int32_t y, int32_t dx, int32_t dy, COLORREF bk,
             COLORREF fg, uint32_t style) {
  std::lock_guard<std::mutex> guard(Table().Lock);
  TImageListData* l = Find(list);
  if (!l || index < 0 || index >= int32_t(l->Images.size()) || GetObjectType(dc) == 0) return false;
  const TListImage& img = l->Images[size_t(index)];
  const int32_t w = dx > 0 ? std::min(dx, l->Cx) : l->Cx;
  const int32_t h = dy > 0 ? std::min(dy, l->Cy) : l->Cy;
  std::vector<COLORREF> colors(size_t(w) * size_t(h), 0);
  std::vector<uint8_t> mask(colors.size(), 1);

  if (style & ILD_MASK) {
    const COLORREF text = GetTextColor(dc) & 0x00FFFFFFu, back = GetBkColor(dc) & 0x00FFFFFFu;
    for (int32_t j = 0; j < h; ++j)
      for (int32_t i = 0; i < w; ++i)
        colors[size_t(j) * size_t(w) + size_t(i)] = img.Opaque[size_t(j) * size_t(l->Cx) + size_t(i)] ? text : back;
    return DrawColorBlock(dc, x, y, w, h, colors.data(), nullptr, SRCCOPY);
  }

  const COLORREF back = bk == CLR_DEFAULT ? l->BkColor : bk;
  const bool transparent = (style & ILD_TRANSPARENT) != 0 || back == CLR_NONE;
  const uint32_t alpha = (style & ILD_BLEND50) ? 128 : (style & ILD_BLEND25) ? 64 : 0;
  const COLORREF blendColor = fg == CLR_DEFAULT ? GetSysColor(COLOR_HIGHLIGHT) : fg & 0x00FFFFFFu;
  for (int32_t j = 0; j < h; ++j)
    for (int32_t i = 0; i < w; ++i) {
      const size_t s = size_t(j) * size_t(l->Cx) + size_t(i);
      const size_t d = size_t(j) * size_t(w) + size_t(i);
      if (img.Opaque[s]) {
        COLORREF c = img.Pixels[s];
        if (alpha) {
          COLORREF f = blendColor;
          if (fg == CLR_NONE) {
            f = GetPixel(dc, x + i, y + j);
            if (f == CLR_INVALID) {
              mask[d] = 0;
              continue;
            }
          }
          c = Blend(c, f, alpha);
        }
        colors[d] = c;
      } else if (!transparent) {
        colors[d] = back & 0x00FFFFFFu;
      } else {
        mask[d] = 0;
      }
    }
  return DrawColorBlock(dc, x, y, w, h, colors.data(), mask.data(), SRCCOPY);
}

}  // namespace

bool ImageList_DrawDisabled(HIMAGELIST list, int32_t index, HDC dc, int32_t x, int32_t y) {
  std::vector<uint8_t> shape;
  int32_t w = 0, h = 0;
  {
    std::lock_guard<std::mutex> guard(Table().Lock);
    TImageListData* l = Find(list);
    if (!l || index < 0 || index >= int32_t(l->Images.size())) return false;
    shape = l->Images[size_t(index)].Opaque;
    w = l->Cx;
    h = l->Cy;
  }
  std::vector<COLORREF> colors(shape.size(), GetSysColor(COLOR_BTNHIGHLIGHT));
  if (!DrawColorBlock(dc, x + 1, y + 1, w, h, colors.data(), shape.data(), SRCCOPY)) return false;
  std::fill(colors.begin(), colors.end(), GetSysColor(COLOR_BTNSHADOW));
  return DrawColorBlock(dc, x, y, w, h, colors.data(), shape.data(), SRCCOPY);
}
