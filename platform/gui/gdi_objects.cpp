// The object table and the drawing objects: pens, brushes, fonts, bitmaps,
// palettes, regions and icons.
#include <algorithm>
#include <cstring>
#include <deque>
#include <mutex>

#include "platform/gui/gdi_internal.h"
#include "platform/gui/gdi_testing.h"
#include "platform/gui/syscolors.h"

namespace {

// Handle value: generation (11 bits) above slot index + 1 (20 bits), so
// handles stay positive 32-bit numbers and a reused slot gets a new value.
constexpr uint32_t kIndexBits = 20;
constexpr uint32_t kIndexMask = (1u << kIndexBits) - 1;
constexpr uint32_t kGenerations = 2047;
constexpr int kSysColorCount = COLOR_MAX + 1;

struct TSlot {
  std::unique_ptr<TGdiObject> Object;
  uint32_t Generation = 0;
};

struct TTable {
  std::mutex Lock;
  std::vector<TSlot> Slots;
  std::deque<uint32_t> Free;  // oldest first, so a slot is reused late
  void* Stock[DEFAULT_GUI_FONT + 1] = {};
  void* DefaultBitmap = nullptr;
  void* SysBrushes[kSysColorCount] = {};

  TTable();
  void* AddLocked(std::unique_ptr<TGdiObject> object);
  TGdiObject* FindLocked(const void* handle) const;
  void RemoveLocked(TGdiObject* object);
};

TTable& Table() {
  // Never destroyed: objects may be released by other static destructors.
  static TTable* table = new TTable;
  return *table;
}

void* TTable::AddLocked(std::unique_ptr<TGdiObject> object) {
  uint32_t index;
  if (!Free.empty()) {
    index = Free.front();
    Free.pop_front();
  } else {
    if (Slots.size() >= kIndexMask - 1) return nullptr;
    index = uint32_t(Slots.size());
    Slots.emplace_back();
  }
  TSlot& slot = Slots[index];
  slot.Generation = slot.Generation % kGenerations + 1;
  const uintptr_t value = (uintptr_t(slot.Generation) << kIndexBits) | (index + 1);
  void* handle = reinterpret_cast<void*>(value);
  object->Handle = handle;
  slot.Object = std::move(object);
  return handle;
}

TGdiObject* TTable::FindLocked(const void* handle) const {
  const uintptr_t value = reinterpret_cast<uintptr_t>(handle);
  if (value == 0 || value > 0x7FFFFFFFu) return nullptr;
  const uint32_t index = uint32_t(value & kIndexMask);
  const uint32_t generation = uint32_t(value >> kIndexBits);
  if (index == 0 || index > Slots.size()) return nullptr;
  const TSlot& slot = Slots[index - 1];
  if (!slot.Object || slot.Generation != generation) return nullptr;
  return slot.Object.get();
}

void TTable::RemoveLocked(TGdiObject* object) {
  const uint32_t index = uint32_t(reinterpret_cast<uintptr_t>(object->Handle) & kIndexMask) - 1;
  Slots[index].Object.reset();
  Free.push_back(index);
}

template <class T>
T* MakeStock(TTable& t, std::unique_ptr<T> object, void*& handle) {
  object->Stock = true;
  T* raw = object.get();
  handle = t.AddLocked(std::move(object));
  return raw;
}

std::unique_ptr<TGdiBrush> SolidBrush(COLORREF c) {
  auto b = std::make_unique<TGdiBrush>();
  b->Style = BS_SOLID;
  b->Color = c;
  return b;
}

std::unique_ptr<TGdiPen> SimplePen(uint32_t style, COLORREF c) {
  auto p = std::make_unique<TGdiPen>();
  p->Style = style;
  p->Width = 1;
  p->Color = c;
  return p;
}

TTable::TTable() {
  MakeStock(*this, SolidBrush(0xFFFFFF), Stock[WHITE_BRUSH]);
  MakeStock(*this, SolidBrush(0xC0C0C0), Stock[LTGRAY_BRUSH]);
  MakeStock(*this, SolidBrush(0x808080), Stock[GRAY_BRUSH]);
  MakeStock(*this, SolidBrush(0x404040), Stock[DKGRAY_BRUSH]);
  MakeStock(*this, SolidBrush(0x000000), Stock[BLACK_BRUSH]);
  auto nullBrush = std::make_unique<TGdiBrush>();
  nullBrush->Style = BS_NULL;
  MakeStock(*this, std::move(nullBrush), Stock[NULL_BRUSH]);
  MakeStock(*this, SimplePen(PS_SOLID, 0xFFFFFF), Stock[WHITE_PEN]);
  MakeStock(*this, SimplePen(PS_SOLID, 0x000000), Stock[BLACK_PEN]);
  MakeStock(*this, SimplePen(PS_NULL, 0x000000), Stock[NULL_PEN]);

  auto systemFont = std::make_unique<TGdiFont>();
  systemFont->LogFont.lfHeight = 16;
  systemFont->LogFont.lfWeight = FW_BOLD;
  systemFont->LogFont.lfFaceName = "System";
  MakeStock(*this, std::move(systemFont), Stock[SYSTEM_FONT]);
  auto guiFont = std::make_unique<TGdiFont>();
  guiFont->LogFont.lfHeight = -11;
  guiFont->LogFont.lfWeight = FW_NORMAL;
  guiFont->LogFont.lfFaceName = "MS Sans Serif";
  MakeStock(*this, std::move(guiFont), Stock[DEFAULT_GUI_FONT]);

  // The 20 static colours of the default palette.
  static const uint8_t kStatic[20][3] = {{0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},
                                         {0, 0, 128},     {128, 0, 128},   {0, 128, 128},   {192, 192, 192},
                                         {192, 220, 192}, {166, 202, 240}, {255, 251, 240}, {160, 160, 164},
                                         {128, 128, 128}, {255, 0, 0},     {0, 255, 0},     {255, 255, 0},
                                         {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};
  auto pal = std::make_unique<TGdiPalette>();
  for (auto& c : kStatic) pal->Entries.push_back(PALETTEENTRY{c[0], c[1], c[2], 0});
  MakeStock(*this, std::move(pal), Stock[DEFAULT_PALETTE]);

  auto bmp = std::make_unique<TGdiBitmap>();
  bmp->Allocate(1, 1, GdiFormat1, false);
  bmp->Monochrome = true;
  MakeStock(*this, std::move(bmp), DefaultBitmap);

  for (int i = 0; i < kSysColorCount; ++i) MakeStock(*this, SolidBrush(GetSysColor(i)), SysBrushes[i]);
}

template <class T>
T* Find(const void* handle, TGdiKind kind) {
  TTable& t = Table();
  std::lock_guard<std::mutex> guard(t.Lock);
  TGdiObject* o = t.FindLocked(handle);
  return o && o->Kind == kind ? static_cast<T*>(o) : nullptr;
}

template <class H>
H AddObject(std::unique_ptr<TGdiObject> object) {
  return static_cast<H>(GdiAddObject(std::move(object)));
}

void AdjustRefsLocked(TTable& t, const TDCState& s, int delta) {
  const void* handles[] = {s.Pen, s.Brush, s.Font, s.Bitmap, s.Palette};
  for (const void* h : handles) {
    if (TGdiObject* o = t.FindLocked(h)) o->Selected += delta;
  }
}

// Resolves the object pointers of the DC's current state.
void BindLocked(TTable& t, TDC& dc) {
  auto get = [&](const void* h, TGdiKind kind) -> TGdiObject* {
    TGdiObject* o = t.FindLocked(h);
    return o && o->Kind == kind ? o : nullptr;
  };
  dc.Pen = static_cast<TGdiPen*>(get(dc.State.Pen, TGdiKind::Pen));
  dc.Brush = static_cast<TGdiBrush*>(get(dc.State.Brush, TGdiKind::Brush));
  dc.Font = static_cast<TGdiFont*>(get(dc.State.Font, TGdiKind::Font));
  dc.Bitmap = static_cast<TGdiBitmap*>(get(dc.State.Bitmap, TGdiKind::Bitmap));
  dc.Palette = static_cast<TGdiPalette*>(get(dc.State.Palette, TGdiKind::Palette));
  dc.InvalidateVisible();
}

}  // namespace

// ---- Table access -------------------------------------------------------------------------

void* GdiAddObject(std::unique_ptr<TGdiObject> object) {
  TTable& t = Table();
  std::lock_guard<std::mutex> guard(t.Lock);
  return t.AddLocked(std::move(object));
}

TDC* GdiDC(HDC h) { return Find<TDC>(h, TGdiKind::DC); }
TGdiBitmap* GdiBitmap(HBITMAP h) { return Find<TGdiBitmap>(h, TGdiKind::Bitmap); }
TGdiPen* GdiPen(HPEN h) { return Find<TGdiPen>(h, TGdiKind::Pen); }
TGdiBrush* GdiBrush(HBRUSH h) { return Find<TGdiBrush>(h, TGdiKind::Brush); }
TGdiFont* GdiFont(HFONT h) { return Find<TGdiFont>(h, TGdiKind::Font); }
TGdiRegion* GdiRegion(HRGN h) { return Find<TGdiRegion>(h, TGdiKind::Region); }
TGdiPalette* GdiPalette(HPALETTE h) { return Find<TGdiPalette>(h, TGdiKind::Palette); }
TGdiIcon* GdiIcon(HICON h) { return Find<TGdiIcon>(h, TGdiKind::Icon); }

TGdiRaster GdiBitmapRaster(HBITMAP h) {
  TGdiBitmap* b = GdiBitmap(h);
  return b ? b->Raster() : TGdiRaster{};
}

std::unique_ptr<TGdiBitmap> GdiCloneBitmap(const TGdiBitmap& src) {
  auto b = std::make_unique<TGdiBitmap>();
  if (!b->Allocate(src.Width, src.Height, src.Format, src.TopDown)) return nullptr;
  std::memcpy(b->Memory.get(), src.Memory.get(), src.MemorySize);
  b->IsDIB = src.IsDIB;
  b->Monochrome = src.Monochrome;
  b->ColorTable = src.ColorTable;
  return b;
}

// ---- DCs and selection --------------------------------------------------------------------

namespace {

HDC NewDC(HBITMAP target, bool memory, TPoint deviceOrg = TPoint{}) {
  TTable& t = Table();
  auto dc = std::make_unique<TDC>();
  dc->IsMemoryDC = memory;
  dc->DeviceOrg = deviceOrg;
  dc->State.Pen = static_cast<HPEN>(t.Stock[BLACK_PEN]);
  dc->State.Brush = static_cast<HBRUSH>(t.Stock[WHITE_BRUSH]);
  dc->State.Font = static_cast<HFONT>(t.Stock[SYSTEM_FONT]);
  dc->State.Palette = static_cast<HPALETTE>(t.Stock[DEFAULT_PALETTE]);
  std::lock_guard<std::mutex> guard(t.Lock);
  if (target) {
    TGdiObject* o = t.FindLocked(target);
    if (!o || o->Kind != TGdiKind::Bitmap) return nullptr;
    dc->State.Bitmap = target;
  } else {
    dc->State.Bitmap = static_cast<HBITMAP>(t.DefaultBitmap);
  }
  TDC* raw = dc.get();
  void* h = t.AddLocked(std::move(dc));
  if (!h) return nullptr;
  AdjustRefsLocked(t, raw->State, +1);
  BindLocked(t, *raw);
  return static_cast<HDC>(h);
}

}  // namespace

HDC CreateCompatibleDC(HDC ref) {
  if (ref && !GdiDC(ref)) return nullptr;
  return NewDC(nullptr, true);
}

HDC GdiCreateWindowDC(HBITMAP bitmap, TPoint deviceOrg) { return bitmap ? NewDC(bitmap, false, deviceOrg) : nullptr; }

bool DeleteDC(HDC h) {
  TTable& t = Table();
  std::lock_guard<std::mutex> guard(t.Lock);
  TGdiObject* o = t.FindLocked(h);
  if (!o || o->Kind != TGdiKind::DC) return false;
  TDC* dc = static_cast<TDC*>(o);
  AdjustRefsLocked(t, dc->State, -1);
  for (const TDCState& s : dc->Saved) AdjustRefsLocked(t, s, -1);
  t.RemoveLocked(dc);
  return true;
}

HGDIOBJ SelectObject(HDC h, HGDIOBJ obj) {
  TTable& t = Table();
  std::unique_lock<std::mutex> guard(t.Lock);
  TGdiObject* d = t.FindLocked(h);
  TGdiObject* o = t.FindLocked(obj);
  if (!d || d->Kind != TGdiKind::DC || !o) return nullptr;
  TDC* dc = static_cast<TDC*>(d);
  auto swap = [&](auto& slot) -> HGDIOBJ {
    using H = std::remove_reference_t<decltype(slot)>;
    H old = slot;
    if (TGdiObject* prev = t.FindLocked(old)) --prev->Selected;
    ++o->Selected;
    slot = static_cast<H>(obj);
    BindLocked(t, *dc);
    return old;
  };
  switch (o->Kind) {
    case TGdiKind::Pen: return swap(dc->State.Pen);
    case TGdiKind::Brush: return swap(dc->State.Brush);
    case TGdiKind::Font: return swap(dc->State.Font);
    case TGdiKind::Bitmap:
      if (!dc->IsMemoryDC) return nullptr;
      return swap(dc->State.Bitmap);
    case TGdiKind::Region: {
      dc->State.HasClip = true;
      dc->State.Clip = static_cast<TGdiRegion*>(o)->Region;
      dc->InvalidateVisible();
      guard.unlock();
      return reinterpret_cast<HGDIOBJ>(uintptr_t(dc->Visible().Kind()));
    }
    default: return nullptr;
  }
}

HGDIOBJ GetCurrentObject(HDC h, uint32_t type) {
  TDC* dc = GdiDC(h);
  if (!dc) return nullptr;
  switch (type) {
    case OBJ_PEN: return dc->State.Pen;
    case OBJ_BRUSH: return dc->State.Brush;
    case OBJ_FONT: return dc->State.Font;
    case OBJ_BITMAP: return dc->State.Bitmap;
    case OBJ_PAL: return dc->State.Palette;
    default: return nullptr;
  }
}

int32_t SaveDC(HDC h) {
  TTable& t = Table();
  std::lock_guard<std::mutex> guard(t.Lock);
  TGdiObject* o = t.FindLocked(h);
  if (!o || o->Kind != TGdiKind::DC) return 0;
  TDC* dc = static_cast<TDC*>(o);
  dc->Saved.push_back(dc->State);
  AdjustRefsLocked(t, dc->State, +1);
  return int32_t(dc->Saved.size());
}

bool RestoreDC(HDC h, int32_t saved) {
  TTable& t = Table();
  std::lock_guard<std::mutex> guard(t.Lock);
  TGdiObject* o = t.FindLocked(h);
  if (!o || o->Kind != TGdiKind::DC) return false;
  TDC* dc = static_cast<TDC*>(o);
  const int64_t depth = int64_t(dc->Saved.size());
  const int64_t level = saved < 0 ? depth + 1 + saved : saved;
  if (saved == 0 || level < 1 || level > depth) return false;
  AdjustRefsLocked(t, dc->State, -1);
  while (int64_t(dc->Saved.size()) > level) {
    AdjustRefsLocked(t, dc->Saved.back(), -1);
    dc->Saved.pop_back();
  }
  dc->State = std::move(dc->Saved.back());  // its references pass to the current state
  dc->Saved.pop_back();
  BindLocked(t, *dc);
  return true;
}

// ---- Deleting and describing ------------------------------------------------------------

bool DeleteObject(HGDIOBJ obj) {
  TTable& t = Table();
  std::lock_guard<std::mutex> guard(t.Lock);
  TGdiObject* o = t.FindLocked(obj);
  if (!o || o->Kind == TGdiKind::DC || o->Kind == TGdiKind::Icon) return false;
  if (o->Stock) return true;
  if (o->Selected > 0) return false;
  t.RemoveLocked(o);
  return true;
}

namespace {

uint32_t GetObjectTypeOf(const TGdiObject& o) {
  switch (o.Kind) {
    case TGdiKind::DC: return static_cast<const TDC&>(o).IsMemoryDC ? OBJ_MEMDC : OBJ_DC;
    case TGdiKind::Bitmap: return OBJ_BITMAP;
    case TGdiKind::Pen: return static_cast<const TGdiPen&>(o).Extended ? OBJ_EXTPEN : OBJ_PEN;
    case TGdiKind::Brush: return OBJ_BRUSH;
    case TGdiKind::Font: return OBJ_FONT;
    case TGdiKind::Region: return OBJ_REGION;
    case TGdiKind::Palette: return OBJ_PAL;
    default: return 0;
  }
}

}  // namespace

uint32_t GetObjectType(HGDIOBJ obj) {
  TTable& t = Table();
  std::lock_guard<std::mutex> guard(t.Lock);
  TGdiObject* o = t.FindLocked(obj);
  return o ? GetObjectTypeOf(*o) : 0;
}

int32_t GdiLiveObjectCount(uint32_t objectType) {
  TTable& t = Table();
  std::lock_guard<std::mutex> guard(t.Lock);
  int32_t n = 0;
  for (const TSlot& slot : t.Slots)
    if (slot.Object && GetObjectTypeOf(*slot.Object) == objectType) ++n;
  return n;
}

HGDIOBJ GetStockObject(int32_t index) {
  if (index < 0 || index > DEFAULT_GUI_FONT) return nullptr;
  return Table().Stock[index];
}

HBRUSH GetSysColorBrush(int32_t index) {
  if (index < 0 || index >= kSysColorCount) return nullptr;
  return static_cast<HBRUSH>(Table().SysBrushes[index]);
}

namespace {

int32_t DescribeBitmap(const TGdiBitmap& b, int32_t size, void* buffer) {
  BITMAP bm;
  bm.bmType = 0;
  bm.bmWidth = b.Width;
  bm.bmHeight = b.Height;
  bm.bmWidthBytes = b.IsDIB ? b.Stride : ((b.Width * b.Format.BitCount + 15) / 16) * 2;
  bm.bmPlanes = 1;
  bm.bmBitsPixel = uint16_t(b.Format.BitCount);
  bm.bmBits = b.IsDIB ? b.Memory.get() : nullptr;
  if (b.IsDIB && size >= int32_t(sizeof(DIBSECTION))) {
    DIBSECTION ds;
    ds.dsBm = bm;
    ds.dsBmih.biWidth = b.Width;
    ds.dsBmih.biHeight = b.TopDown ? -b.Height : b.Height;
    ds.dsBmih.biBitCount = uint16_t(b.Format.BitCount);
    const bool bitfields =
        b.Layout == TGdiLayout::Rgb565 || b.Layout == TGdiLayout::Bitfields16 || b.Layout == TGdiLayout::Bitfields32;
    ds.dsBmih.biCompression = bitfields ? BI_BITFIELDS : BI_RGB;
    ds.dsBmih.biSizeImage = uint32_t(b.MemorySize);
    ds.dsBmih.biClrUsed = uint32_t(b.ColorTable.size());
    if (b.Format.BitCount == 16 || b.Format.BitCount == 32) {
      ds.dsBitfields[0] = b.Format.RedMask;
      ds.dsBitfields[1] = b.Format.GreenMask;
      ds.dsBitfields[2] = b.Format.BlueMask;
    }
    std::memcpy(buffer, &ds, sizeof ds);
    return int32_t(sizeof ds);
  }
  if (size < int32_t(sizeof(BITMAP))) return 0;
  std::memcpy(buffer, &bm, sizeof bm);
  return int32_t(sizeof bm);
}

}  // namespace

int32_t GetObject(HGDIOBJ obj, int32_t size, void* buffer) {
  TTable& t = Table();
  std::lock_guard<std::mutex> guard(t.Lock);
  TGdiObject* o = t.FindLocked(obj);
  if (!o) return 0;
  switch (o->Kind) {
    case TGdiKind::Pen: {
      const TGdiPen& p = *static_cast<TGdiPen*>(o);
      if (p.Extended) {
        const size_t n = p.UserStyle.size();
        const size_t need = offsetof(EXTLOGPEN, elpStyleEntry) + sizeof(uint32_t) * std::max<size_t>(n, 1);
        if (!buffer) return int32_t(need);
        if (size < int32_t(offsetof(EXTLOGPEN, elpStyleEntry))) return 0;
        EXTLOGPEN e;
        e.elpPenStyle = p.Style;
        e.elpWidth = uint32_t(p.Width);
        e.elpBrushStyle = p.BrushStyle;
        e.elpColor = p.Color;
        e.elpHatch = p.Hatch;
        e.elpNumEntries = uint32_t(n);
        std::memcpy(buffer, &e, offsetof(EXTLOGPEN, elpStyleEntry));
        const size_t room = (size_t(size) - offsetof(EXTLOGPEN, elpStyleEntry)) / sizeof(uint32_t);
        const size_t copy = std::min(room, n);
        if (copy) {
          std::memcpy(static_cast<uint8_t*>(buffer) + offsetof(EXTLOGPEN, elpStyleEntry), p.UserStyle.data(),
                      copy * sizeof(uint32_t));
        }
        return int32_t(offsetof(EXTLOGPEN, elpStyleEntry) + copy * sizeof(uint32_t));
      }
      if (!buffer) return int32_t(sizeof(LOGPEN));
      if (size < int32_t(sizeof(LOGPEN))) return 0;
      LOGPEN lp;
      lp.lopnStyle = p.Style;
      lp.lopnWidth = TPoint{p.Width, 0};
      lp.lopnColor = p.Color;
      std::memcpy(buffer, &lp, sizeof lp);
      return int32_t(sizeof lp);
    }
    case TGdiKind::Brush: {
      const TGdiBrush& b = *static_cast<TGdiBrush*>(o);
      if (!buffer) return int32_t(sizeof(LOGBRUSH));
      if (size < int32_t(sizeof(LOGBRUSH))) return 0;
      LOGBRUSH lb;
      lb.lbStyle = b.Style;
      lb.lbColor = b.Color;
      lb.lbHatch = b.Style == BS_HATCHED   ? uintptr_t(b.Hatch)
                   : b.Style == BS_PATTERN ? reinterpret_cast<uintptr_t>(b.PatternHandle)
                                           : 0;
      std::memcpy(buffer, &lb, sizeof lb);
      return int32_t(sizeof lb);
    }
    case TGdiKind::Font:
      if (!buffer) return int32_t(sizeof(LOGFONT));
      if (size < int32_t(sizeof(LOGFONT))) return 0;
      *static_cast<LOGFONT*>(buffer) = static_cast<TGdiFont*>(o)->LogFont;
      return int32_t(sizeof(LOGFONT));
    case TGdiKind::Bitmap: {
      const TGdiBitmap& b = *static_cast<TGdiBitmap*>(o);
      if (!buffer) return int32_t(b.IsDIB ? sizeof(DIBSECTION) : sizeof(BITMAP));
      return DescribeBitmap(b, size, buffer);
    }
    case TGdiKind::Palette: {
      if (!buffer) return int32_t(sizeof(uint16_t));
      if (size < int32_t(sizeof(uint16_t))) return 0;
      const uint16_t n = uint16_t(static_cast<TGdiPalette*>(o)->Entries.size());
      std::memcpy(buffer, &n, sizeof n);
      return int32_t(sizeof n);
    }
    default: return 0;
  }
}

// ---- Pens, brushes, fonts ----------------------------------------------------------------

HPEN CreatePen(int32_t style, int32_t width, COLORREF color) {
  if (style < int32_t(PS_SOLID) || style > int32_t(PS_INSIDEFRAME)) return nullptr;
  auto p = std::make_unique<TGdiPen>();
  p->Style = uint32_t(style);
  p->Width = std::max(width, 0);
  p->Color = color;
  return AddObject<HPEN>(std::move(p));
}

HPEN ExtCreatePen(uint32_t style, uint32_t width, const LOGBRUSH& brush, uint32_t styleCount,
                  const uint32_t* styleEntries) {
  const uint32_t base = style & PS_STYLE_MASK, type = style & PS_TYPE_MASK;
  if (base > PS_ALTERNATE || (type != PS_COSMETIC && type != PS_GEOMETRIC)) return nullptr;
  if (type == PS_COSMETIC && (width != 1 || brush.lbStyle != BS_SOLID)) return nullptr;
  if (base == PS_ALTERNATE && type != PS_COSMETIC) return nullptr;
  if (brush.lbStyle != BS_SOLID && brush.lbStyle != BS_HATCHED && brush.lbStyle != BS_NULL) return nullptr;
  if (width > 0x7FFFFFFF) return nullptr;
  auto p = std::make_unique<TGdiPen>();
  if (base == PS_USERSTYLE) {
    if (styleCount == 0 || styleCount > 16 || styleEntries == nullptr) return nullptr;
    uint64_t total = 0;
    for (uint32_t i = 0; i < styleCount; ++i) total += styleEntries[i];
    if (total == 0) return nullptr;
    p->UserStyle.assign(styleEntries, styleEntries + styleCount);
  } else if (styleCount != 0 || styleEntries != nullptr) {
    return nullptr;
  }
  p->Style = brush.lbStyle == BS_NULL ? ((style & ~PS_STYLE_MASK) | PS_NULL) : style;
  p->Width = int32_t(width);
  p->Color = brush.lbColor;
  p->Extended = true;
  p->BrushStyle = brush.lbStyle;
  p->Hatch = brush.lbHatch;
  return AddObject<HPEN>(std::move(p));
}

HBRUSH CreateSolidBrush(COLORREF color) { return AddObject<HBRUSH>(SolidBrush(color)); }

HBRUSH CreateHatchBrush(int32_t hatch, COLORREF color) {
  if (hatch < HS_HORIZONTAL || hatch > HS_DIAGCROSS) return nullptr;
  auto b = std::make_unique<TGdiBrush>();
  b->Style = BS_HATCHED;
  b->Color = color;
  b->Hatch = hatch;
  return AddObject<HBRUSH>(std::move(b));
}

HBRUSH CreatePatternBrush(HBITMAP bitmap) {
  std::unique_ptr<TGdiBitmap> copy;
  {
    TTable& t = Table();
    std::lock_guard<std::mutex> guard(t.Lock);
    TGdiObject* o = t.FindLocked(bitmap);
    if (!o || o->Kind != TGdiKind::Bitmap) return nullptr;
    copy = GdiCloneBitmap(*static_cast<TGdiBitmap*>(o));
  }
  if (!copy) return nullptr;
  auto b = std::make_unique<TGdiBrush>();
  b->Style = BS_PATTERN;
  b->Pattern = std::move(copy);
  b->PatternHandle = bitmap;
  return AddObject<HBRUSH>(std::move(b));
}

HBRUSH CreateBrushIndirect(const LOGBRUSH& lb) {
  switch (lb.lbStyle) {
    case BS_SOLID: return CreateSolidBrush(lb.lbColor);
    case BS_NULL: {
      auto b = std::make_unique<TGdiBrush>();
      b->Style = BS_NULL;
      return AddObject<HBRUSH>(std::move(b));
    }
    case BS_HATCHED:
      if (lb.lbHatch > uintptr_t(HS_DIAGCROSS)) return nullptr;
      return CreateHatchBrush(int32_t(lb.lbHatch), lb.lbColor);
    case BS_PATTERN: return CreatePatternBrush(reinterpret_cast<HBITMAP>(lb.lbHatch));
    default: return nullptr;
  }
}

HFONT CreateFontIndirect(const LOGFONT& font) {
  auto f = std::make_unique<TGdiFont>();
  f->LogFont = font;
  return AddObject<HFONT>(std::move(f));
}

// ---- Bitmaps ---------------------------------------------------------------------------------

bool GdiParseBitmapInfo(const BITMAPINFO* info, TGdiDibInfo& out) {
  if (!info) return false;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biSize < 40 || h.biSize > 4096) return false;
  if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN) return false;
  const uint32_t bpp = h.biBitCount;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return false;
  TGdiDibInfo r;
  r.Width = h.biWidth;
  r.Height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  r.TopDown = h.biHeight < 0;
  r.Format.BitCount = int32_t(bpp);
  r.Compression = h.biCompression;
  const uint8_t* after = reinterpret_cast<const uint8_t*>(info) + h.biSize;
  if (h.biCompression == BI_BITFIELDS) {
    if (bpp != 16 && bpp != 32) return false;
    uint32_t masks[3];
    if (h.biSize >= 52)
      std::memcpy(masks, reinterpret_cast<const uint8_t*>(info) + 40, sizeof masks);
    else
      std::memcpy(masks, after, sizeof masks);
    r.Format.RedMask = masks[0];
    r.Format.GreenMask = masks[1];
    r.Format.BlueMask = masks[2];
  } else if (h.biCompression != BI_RGB) {
    return false;
  } else if (bpp == 16) {
    r.Format = GdiFormat15;
  } else if (bpp == 32) {
    r.Format = GdiFormat32;
  }
  TGdiLayout layout;
  if (!GdiLayoutOf(r.Format, layout)) return false;
  if (int64_t(GdiDibStride(r.Width, int32_t(bpp))) * r.Height > INT32_MAX) return false;
  if (bpp <= 8) {
    const uint32_t max = 1u << bpp;
    const uint32_t n = h.biClrUsed == 0 ? max : std::min(h.biClrUsed, max);
    r.Colors.resize(n);
    std::memcpy(r.Colors.data(), after, n * sizeof(RGBQUAD));
  }
  out = std::move(r);
  return true;
}

TGdiRaster GdiRasterOver(const TGdiDibInfo& info, const void* bits) {
  TGdiRaster r;
  TGdiLayout layout;
  if (!bits || !GdiLayoutOf(info.Format, layout)) return r;
  r.Bits = static_cast<uint8_t*>(const_cast<void*>(bits));
  r.Width = info.Width;
  r.Height = info.Height;
  r.Stride = int32_t(GdiDibStride(info.Width, info.Format.BitCount));
  r.TopDown = info.TopDown;
  r.Layout = layout;
  r.BitCount = info.Format.BitCount;
  switch (layout) {
    case TGdiLayout::Rgb555: r.RedMask = 0x7C00, r.GreenMask = 0x03E0, r.BlueMask = 0x001F; break;
    case TGdiLayout::Bgr24:
    case TGdiLayout::Bgr32: r.RedMask = 0xFF0000, r.GreenMask = 0xFF00, r.BlueMask = 0xFF; break;
    default:
      r.RedMask = info.Format.RedMask;
      r.GreenMask = info.Format.GreenMask;
      r.BlueMask = info.Format.BlueMask;
      break;
  }
  r.Colors = info.Colors.empty() ? nullptr : info.Colors.data();
  r.ColorCount = int32_t(info.Colors.size());
  return r;
}

HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, uint32_t usage, void** bits, void* section, uint32_t offset) {
  if (bits) *bits = nullptr;
  (void)offset;
  if (dc && !GdiDC(dc)) return nullptr;
  TGdiDibInfo di;
  if (usage != DIB_RGB_COLORS || section != nullptr || !GdiParseBitmapInfo(info, di)) return nullptr;
  auto b = std::make_unique<TGdiBitmap>();
  if (!b->Allocate(di.Width, di.Height, di.Format, di.TopDown)) return nullptr;
  b->IsDIB = true;
  b->ColorTable = std::move(di.Colors);
  void* mem = b->Memory.get();
  HBITMAP h = AddObject<HBITMAP>(std::move(b));
  if (h && bits) *bits = mem;
  return h;
}

HBITMAP GdiCreateDIB(int32_t width, int32_t height, const TGdiPixelFormat& format, const RGBQUAD* colors,
                     int32_t colorCount, bool topDown) {
  auto b = std::make_unique<TGdiBitmap>();
  if (!b->Allocate(width, height, format, topDown)) return nullptr;
  b->IsDIB = true;
  if (format.BitCount <= 8) {
    b->ColorTable.assign(size_t(1) << format.BitCount, RGBQUAD{});
    if (colors) {
      const int32_t n = std::clamp(colorCount, 0, int32_t(b->ColorTable.size()));
      std::copy(colors, colors + n, b->ColorTable.begin());
    }
  }
  return AddObject<HBITMAP>(std::move(b));
}

HBITMAP GdiCopyDIB(HBITMAP src, int32_t width, int32_t height, const TGdiPixelFormat& format, const RGBQUAD* colors,
                   int32_t colorCount) {
  TGdiBitmap* s = GdiBitmap(src);
  if (!s) return nullptr;
  std::vector<RGBQUAD> table;
  if (format.BitCount <= 8) {
    if (colors)
      table.assign(colors, colors + std::max(colorCount, 0));
    else if (s->Format.BitCount == format.BitCount && !s->Monochrome)
      table = s->ColorTable;
    else
      table = GdiDefaultColorTable(format.BitCount);
  }
  HBITMAP h = GdiCreateDIB(width, height, format, table.data(), int32_t(table.size()), false);
  TGdiBitmap* d = GdiBitmap(h);
  if (!d) return nullptr;
  GdiConvertPixels(s->Raster(), 0, 0, d->Raster(), 0, 0, std::min(width, s->Width), std::min(height, s->Height));
  return h;
}

namespace {

// A device-dependent bitmap of the bit count (rows kept like a DIB's).
HBITMAP NewDDB(int32_t width, int32_t height, int32_t bitCount) {
  auto b = std::make_unique<TGdiBitmap>();
  const TGdiPixelFormat f = bitCount == 1    ? GdiFormat1
                            : bitCount == 4  ? GdiFormat4
                            : bitCount == 8  ? GdiFormat8
                            : bitCount == 16 ? GdiFormat15
                            : bitCount == 24 ? GdiFormat24
                                             : GdiFormat32;
  if (!b->Allocate(width, height, f, false)) return nullptr;
  b->Monochrome = bitCount == 1;
  if (bitCount == 4 || bitCount == 8) b->ColorTable = GdiDefaultColorTable(bitCount);
  return AddObject<HBITMAP>(std::move(b));
}

HBITMAP DefaultBitmap() { return static_cast<HBITMAP>(Table().DefaultBitmap); }

}  // namespace

HBITMAP CreateBitmap(int32_t width, int32_t height, uint32_t planes, uint32_t bitsPerPixel, const void* bits) {
  if (width < 0 || height < 0 || planes == 0 || planes > 32 || bitsPerPixel > 32) return nullptr;
  if (width == 0 || height == 0) return DefaultBitmap();
  const uint32_t depth = planes * bitsPerPixel;
  int32_t bpp;
  if (depth == 1)
    bpp = 1;
  else if (depth <= 4)
    bpp = 4;
  else if (depth <= 8)
    bpp = 8;
  else if (depth <= 16)
    bpp = 16;
  else if (depth <= 24)
    bpp = 24;
  else if (depth <= 32)
    bpp = 32;
  else
    return nullptr;
  HBITMAP h = NewDDB(width, height, bpp);
  TGdiBitmap* b = GdiBitmap(h);
  if (!b) return nullptr;
  if (bits) {
    const size_t rowBytes = size_t(((int64_t(width) * bpp + 15) / 16) * 2);
    const size_t used = size_t((int64_t(width) * bpp + 7) / 8);
    const TGdiRaster r = b->Raster();
    for (int32_t y = 0; y < height; ++y) {
      std::memcpy(r.Row(y), static_cast<const uint8_t*>(bits) + rowBytes * size_t(y), used);
    }
  }
  return h;
}

HBITMAP CreateCompatibleBitmap(HDC h, int32_t width, int32_t height) {
  if (width < 0 || height < 0) return nullptr;
  if (!h) return width == 0 || height == 0 ? DefaultBitmap() : NewDDB(width, height, 32);
  TDC* dc = GdiDC(h);
  if (!dc) return nullptr;
  if (width == 0 || height == 0) return DefaultBitmap();
  const TGdiBitmap* cur = dc->Bitmap;
  if (!cur || !dc->IsMemoryDC) return NewDDB(width, height, 32);
  if (cur->Monochrome) return NewDDB(width, height, 1);
  if (cur->IsDIB) {
    return GdiCreateDIB(width, height, cur->Format, cur->ColorTable.data(), int32_t(cur->ColorTable.size()), false);
  }
  return NewDDB(width, height, cur->Format.BitCount);
}

// ---- Palettes --------------------------------------------------------------------------------

HPALETTE CreatePalette(const LOGPALETTE* lp) {
  if (!lp || lp->palNumEntries == 0) return nullptr;
  auto p = std::make_unique<TGdiPalette>();
  const PALETTEENTRY* e = lp->palPalEntry;
  p->Entries.resize(lp->palNumEntries);
  std::memcpy(p->Entries.data(), e, sizeof(PALETTEENTRY) * lp->palNumEntries);
  return AddObject<HPALETTE>(std::move(p));
}

uint32_t GetPaletteEntries(HPALETTE h, uint32_t start, uint32_t count, PALETTEENTRY* entries) {
  TGdiPalette* p = GdiPalette(h);
  if (!p) return 0;
  const uint32_t n = uint32_t(p->Entries.size());
  if (!entries) return n;
  if (start >= n) return 0;
  const uint32_t copy = std::min(count, n - start);
  std::copy_n(p->Entries.begin() + start, copy, entries);
  return copy;
}

uint32_t SetPaletteEntries(HPALETTE h, uint32_t start, uint32_t count, const PALETTEENTRY* entries) {
  TGdiPalette* p = GdiPalette(h);
  if (!p || !entries) return 0;
  const uint32_t n = uint32_t(p->Entries.size());
  if (start >= n) return 0;
  const uint32_t copy = std::min(count, n - start);
  std::copy_n(entries, copy, p->Entries.begin() + start);
  return copy;
}

uint32_t GetNearestPaletteIndex(HPALETTE h, COLORREF color) {
  TGdiPalette* p = GdiPalette(h);
  if (!p || p->Entries.empty()) return CLR_INVALID;
  std::vector<RGBQUAD> q;
  q.reserve(p->Entries.size());
  for (const PALETTEENTRY& e : p->Entries) q.push_back(RGBQUAD{e.peBlue, e.peGreen, e.peRed, 0});
  return GdiNearestColorIndex(q.data(), int32_t(q.size()), color);
}

HPALETTE SelectPalette(HDC h, HPALETTE palette, bool forceBackground) {
  (void)forceBackground;
  TTable& t = Table();
  std::lock_guard<std::mutex> guard(t.Lock);
  TGdiObject* d = t.FindLocked(h);
  TGdiObject* o = t.FindLocked(palette);
  if (!d || d->Kind != TGdiKind::DC || !o || o->Kind != TGdiKind::Palette) return nullptr;
  TDC* dc = static_cast<TDC*>(d);
  HPALETTE old = dc->State.Palette;
  if (TGdiObject* prev = t.FindLocked(old)) --prev->Selected;
  ++o->Selected;
  dc->State.Palette = palette;
  BindLocked(t, *dc);
  return old;
}

uint32_t RealizePalette(HDC h) { return GdiDC(h) ? 0 : GDI_ERROR; }

uint32_t GetDIBColorTable(HDC h, uint32_t start, uint32_t count, RGBQUAD* colors) {
  TDC* dc = GdiDC(h);
  if (!dc || !dc->Bitmap || !colors) return 0;
  const std::vector<RGBQUAD>& t = dc->Bitmap->ColorTable;
  if (start >= t.size()) return 0;
  const uint32_t copy = std::min<uint32_t>(count, uint32_t(t.size()) - start);
  std::copy_n(t.begin() + start, copy, colors);
  return copy;
}

uint32_t SetDIBColorTable(HDC h, uint32_t start, uint32_t count, const RGBQUAD* colors) {
  TDC* dc = GdiDC(h);
  if (!dc || !dc->Bitmap || !colors) return 0;
  std::vector<RGBQUAD>& t = dc->Bitmap->ColorTable;
  if (start >= t.size()) return 0;
  const uint32_t copy = std::min<uint32_t>(count, uint32_t(t.size()) - start);
  std::copy_n(colors, copy, t.begin() + start);
  return copy;
}

// ---- Regions ---------------------------------------------------------------------------------

namespace {

HRGN NewRegion(TRegion region) {
  auto r = std::make_unique<TGdiRegion>();
  r->Region = std::move(region);
  return AddObject<HRGN>(std::move(r));
}

// Shapes beyond this extent are refused rather than rasterised row by row.
constexpr int64_t kMaxShapeExtent = int64_t(1) << 20;

bool ShapeBoxOk(int32_t l, int32_t t, int32_t r, int32_t b) {
  return std::abs(int64_t(r) - l) <= kMaxShapeExtent && std::abs(int64_t(b) - t) <= kMaxShapeExtent;
}

bool PointsOk(const TPoint* pts, int64_t n) {
  if (n <= 0) return true;
  int32_t minX = pts[0].X, maxX = pts[0].X, minY = pts[0].Y, maxY = pts[0].Y;
  for (int64_t i = 1; i < n; ++i) {
    minX = std::min(minX, pts[i].X), maxX = std::max(maxX, pts[i].X);
    minY = std::min(minY, pts[i].Y), maxY = std::max(maxY, pts[i].Y);
  }
  return ShapeBoxOk(minX, minY, maxX, maxY);
}

}  // namespace

HRGN CreateRectRgn(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  return NewRegion(TRegion(TRect{left, top, right, bottom}));
}

HRGN CreateRectRgnIndirect(const TRect& r) { return CreateRectRgn(r.Left, r.Top, r.Right, r.Bottom); }

HRGN CreateRoundRectRgn(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t width, int32_t height) {
  if (!ShapeBoxOk(left, top, right, bottom)) return nullptr;
  return NewRegion(RoundRectRegion(left, top, right, bottom, width, height));
}

HRGN CreateEllipticRgn(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  if (!ShapeBoxOk(left, top, right, bottom)) return nullptr;
  return NewRegion(EllipseRegion(left, top, right, bottom));
}

HRGN CreatePolygonRgn(const TPoint* points, int32_t count, int32_t fillMode) {
  if (!points || count < 2 || (fillMode != ALTERNATE && fillMode != WINDING)) return nullptr;
  if (!PointsOk(points, count)) return nullptr;
  return NewRegion(PolygonRegion(points, count, fillMode));
}

HRGN CreatePolyPolygonRgn(const TPoint* points, const int32_t* counts, int32_t polygons, int32_t fillMode) {
  if (!points || !counts || polygons <= 0 || (fillMode != ALTERNATE && fillMode != WINDING)) return nullptr;
  int64_t total = 0;
  for (int32_t i = 0; i < polygons; ++i) {
    if (counts[i] < 0) return nullptr;
    total += counts[i];
  }
  if (!PointsOk(points, total)) return nullptr;
  return NewRegion(PolyPolygonRegion(points, counts, polygons, fillMode));
}

int32_t CombineRgn(HRGN dst, HRGN src1, HRGN src2, int32_t mode) {
  TTable& t = Table();
  std::lock_guard<std::mutex> guard(t.Lock);
  auto find = [&](HRGN h) -> TGdiRegion* {
    TGdiObject* o = t.FindLocked(h);
    return o && o->Kind == TGdiKind::Region ? static_cast<TGdiRegion*>(o) : nullptr;
  };
  TGdiRegion* d = find(dst);
  TGdiRegion* a = find(src1);
  if (!d || !a || mode < RGN_AND || mode > RGN_COPY) return ERROR;
  if (mode == RGN_COPY) {
    d->Region = a->Region;
    return d->Region.Kind();
  }
  TGdiRegion* b = find(src2);
  if (!b) return ERROR;
  return TRegion::Combine(d->Region, a->Region, b->Region, mode);
}

int32_t OffsetRgn(HRGN rgn, int32_t dx, int32_t dy) {
  TGdiRegion* r = GdiRegion(rgn);
  if (!r) return ERROR;
  if (!r->Region.Offset(dx, dy)) return ERROR;
  return r->Region.Kind();
}

bool PtInRegion(HRGN rgn, int32_t x, int32_t y) {
  TGdiRegion* r = GdiRegion(rgn);
  return r && r->Region.Contains(x, y);
}

bool RectInRegion(HRGN rgn, const TRect& rect) {
  TGdiRegion* r = GdiRegion(rgn);
  return r && r->Region.IntersectsRect(rect);
}

int32_t GetRgnBox(HRGN rgn, TRect* rect) {
  TGdiRegion* r = GdiRegion(rgn);
  if (!r || !rect) return ERROR;
  *rect = r->Region.Box();
  return r->Region.Kind();
}

bool EqualRgn(HRGN a, HRGN b) {
  TGdiRegion* ra = GdiRegion(a);
  TGdiRegion* rb = GdiRegion(b);
  return ra && rb && ra->Region == rb->Region;
}

bool SetRectRgn(HRGN rgn, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  TGdiRegion* r = GdiRegion(rgn);
  if (!r) return false;
  r->Region = TRegion(TRect{left, top, right, bottom});
  return true;
}

HRGN ExtCreateRegion(const void* xform, uint32_t size, const RGNDATA* data) {
  if (xform != nullptr || data == nullptr) return nullptr;
  TRegion region;
  if (!TRegion::FromRegionData(data, size, region)) return nullptr;
  return NewRegion(std::move(region));
}

uint32_t GetRegionData(HRGN rgn, uint32_t size, RGNDATA* data) {
  TGdiRegion* r = GdiRegion(rgn);
  if (!r) return 0;
  const std::vector<uint8_t> bytes = r->Region.ToRegionData();
  if (!data || size < bytes.size()) return uint32_t(bytes.size());
  std::memcpy(data, bytes.data(), bytes.size());
  return uint32_t(bytes.size());
}

// ---- Icons ---------------------------------------------------------------------------------

HICON CreateIconIndirect(const ICONINFO& info) {
  auto icon = std::make_unique<TGdiIcon>();
  {
    TTable& t = Table();
    std::lock_guard<std::mutex> guard(t.Lock);
    auto find = [&](HBITMAP h) -> TGdiBitmap* {
      TGdiObject* o = t.FindLocked(h);
      return o && o->Kind == TGdiKind::Bitmap ? static_cast<TGdiBitmap*>(o) : nullptr;
    };
    TGdiBitmap* mask = find(info.hbmMask);
    TGdiBitmap* color = info.hbmColor ? find(info.hbmColor) : nullptr;
    if (!mask || (info.hbmColor && !color)) return nullptr;
    icon->Mask = GdiCloneBitmap(*mask);
    if (!icon->Mask) return nullptr;
    if (color) {
      icon->Color = GdiCloneBitmap(*color);
      if (!icon->Color) return nullptr;
      if (mask->Width != color->Width || mask->Height != color->Height) {
        // The mask is made the image's size, so drawing never reads past it:
        // its pixels kept over the overlap, 0 (the image shows) elsewhere.
        auto fitted = std::make_unique<TGdiBitmap>();
        if (!fitted->Allocate(color->Width, color->Height, mask->Format, mask->TopDown)) return nullptr;
        fitted->IsDIB = mask->IsDIB;
        fitted->Monochrome = mask->Monochrome;
        fitted->ColorTable = mask->ColorTable;
        GdiConvertPixels(mask->Raster(), 0, 0, fitted->Raster(), 0, 0, color->Width, color->Height);
        icon->Mask = std::move(fitted);
      }
    }
  }
  icon->IsIcon = info.fIcon;
  icon->HotX = info.xHotspot;
  icon->HotY = info.yHotspot;
  icon->Width = icon->Mask->Width;
  icon->Height = icon->Color ? icon->Mask->Height : icon->Mask->Height / 2;
  if (icon->Color) {
    icon->Width = icon->Color->Width;
    icon->Height = icon->Color->Height;
    if (icon->Color->Format.BitCount == 32 && icon->Color->Layout == TGdiLayout::Bgr32) {
      const TGdiRaster r = icon->Color->Raster();
      for (int32_t y = 0; y < r.Height && !icon->HasAlpha; ++y)
        for (int32_t x = 0; x < r.Width; ++x)
          if (r.Row(y)[4 * x + 3] != 0) {
            icon->HasAlpha = true;
            break;
          }
    }
  }
  if (icon->Width <= 0 || icon->Height <= 0) return nullptr;
  return AddObject<HICON>(std::move(icon));
}

bool GetIconInfo(HICON h, ICONINFO* info) {
  TGdiIcon* icon = GdiIcon(h);
  if (!icon || !info) return false;
  std::unique_ptr<TGdiBitmap> mask = GdiCloneBitmap(*icon->Mask);
  std::unique_ptr<TGdiBitmap> color = icon->Color ? GdiCloneBitmap(*icon->Color) : nullptr;
  if (!mask || (icon->Color && !color)) return false;
  ICONINFO r;
  r.fIcon = icon->IsIcon;
  r.xHotspot = icon->HotX;
  r.yHotspot = icon->HotY;
  r.hbmMask = AddObject<HBITMAP>(std::move(mask));
  r.hbmColor = color ? AddObject<HBITMAP>(std::move(color)) : nullptr;
  *info = r;
  return true;
}

bool DestroyIcon(HICON h) {
  TTable& t = Table();
  std::lock_guard<std::mutex> guard(t.Lock);
  TGdiObject* o = t.FindLocked(h);
  if (!o || o->Kind != TGdiKind::Icon) return false;
  t.RemoveLocked(o);
  return true;
}

namespace {

std::unique_ptr<TGdiBitmap> Resized(const TGdiBitmap& src, int32_t w, int32_t h, bool mono) {
  if (w == src.Width && h == src.Height && (!mono || src.Monochrome)) return GdiCloneBitmap(src);
  auto b = std::make_unique<TGdiBitmap>();
  const TGdiPixelFormat f = mono ? GdiFormat1 : src.Format;
  if (!b->Allocate(w, h, f, src.TopDown)) return nullptr;
  b->IsDIB = !mono && src.IsDIB;
  b->Monochrome = mono || src.Monochrome;
  if (!b->Monochrome) b->ColorTable = src.ColorTable;
  GdiStretchRaster(src.Raster(), b->Raster());
  return b;
}

}  // namespace

void* CopyImage(void* image, uint32_t type, int32_t cx, int32_t cy, uint32_t flags) {
  if (cx < 0 || cy < 0) return nullptr;
  if (type == IMAGE_BITMAP) {
    TGdiBitmap* src = GdiBitmap(static_cast<HBITMAP>(image));
    if (!src) return nullptr;
    const int32_t w = cx ? cx : src->Width, h = cy ? cy : src->Height;
    if ((flags & LR_COPYRETURNORG) && w == src->Width && h == src->Height && !(flags & LR_MONOCHROME)) return image;
    std::unique_ptr<TGdiBitmap> copy = Resized(*src, w, h, (flags & LR_MONOCHROME) != 0);
    if (!copy) return nullptr;
    if ((flags & LR_CREATEDIBSECTION) && !copy->Monochrome) copy->IsDIB = true;
    void* result = AddObject<HBITMAP>(std::move(copy));
    if (result && (flags & LR_COPYDELETEORG)) DeleteObject(image);
    return result;
  }
  if (type == IMAGE_ICON || type == IMAGE_CURSOR) {
    TGdiIcon* src = GdiIcon(static_cast<HICON>(image));
    if (!src) return nullptr;
    const int32_t w = cx ? cx : src->Width, h = cy ? cy : src->Height;
    auto icon = std::make_unique<TGdiIcon>();
    icon->IsIcon = src->IsIcon;
    icon->HotX = src->HotX;
    icon->HotY = src->HotY;
    icon->Width = w;
    icon->Height = h;
    icon->HasAlpha = src->HasAlpha;
    icon->Mask = Resized(*src->Mask, w, src->Color ? h : 2 * h, false);
    if (!icon->Mask) return nullptr;
    if (src->Color) {
      icon->Color = Resized(*src->Color, w, h, (flags & LR_MONOCHROME) != 0);
      if (!icon->Color) return nullptr;
    }
    void* result = AddObject<HICON>(std::move(icon));
    if (result && (flags & LR_COPYDELETEORG)) DestroyIcon(static_cast<HICON>(image));
    return result;
  }
  return nullptr;
}
