// Internals of the flat drawing API shared inside platform/gui: the object
// table, device-context state, raster access and the pixel helpers that text
// drawing, the bitmap class and the window system build on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gui/gdi.h"
#include "platform/gui/region.h"

// ---- Rasters --------------------------------------------------------------------

// How pixel values are laid out; chosen from the bit count and masks.
enum class TGdiLayout : uint8_t {
  Index1,       // palette index, 8 pixels a byte, leftmost in the high bit
  Index4,       // palette index, 2 pixels a byte, leftmost in the high nibble
  Index8,       // palette index
  Rgb555,       // 16 bits x rrrrr ggggg bbbbb
  Rgb565,       // 16 bits rrrrr gggggg bbbbb
  Bitfields16,  // 16 bits, other contiguous masks
  Bgr24,        // bytes blue, green, red
  Bgr32,        // bytes blue, green, red, reserved/alpha
  Bitfields32,  // 32 bits, other contiguous masks
};

// A pixel format: bit count and, for 16 and 32 bits, the channel masks. Masks
// of 0 mean the standard ones (5-5-5 for 16 bits, 8-8-8 for 32 bits).
struct TGdiPixelFormat {
  int32_t BitCount = 32;  // 1, 4, 8, 16, 24, 32
  uint32_t RedMask = 0;
  uint32_t GreenMask = 0;
  uint32_t BlueMask = 0;
};
inline constexpr TGdiPixelFormat GdiFormat1{1, 0, 0, 0};
inline constexpr TGdiPixelFormat GdiFormat4{4, 0, 0, 0};
inline constexpr TGdiPixelFormat GdiFormat8{8, 0, 0, 0};
inline constexpr TGdiPixelFormat GdiFormat15{16, 0x7C00, 0x03E0, 0x001F};
inline constexpr TGdiPixelFormat GdiFormat16{16, 0xF800, 0x07E0, 0x001F};
inline constexpr TGdiPixelFormat GdiFormat24{24, 0, 0, 0};
inline constexpr TGdiPixelFormat GdiFormat32{32, 0x00FF0000, 0x0000FF00, 0x000000FF};

// A view of pixel memory (owned elsewhere). Pixel values: palette indexes for
// 1/4/8 bits, the raw 16-bit value, 0x00RRGGBB for 24 bits and the raw 32-bit
// value (0xAARRGGBB for Bgr32) for 32 bits.
struct TGdiRaster {
  uint8_t* Bits = nullptr;
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Stride = 0;    // bytes per row, a multiple of 4
  bool TopDown = false;  // row 0 of memory is the top row
  TGdiLayout Layout = TGdiLayout::Bgr32;
  int32_t BitCount = 32;
  uint32_t RedMask = 0, GreenMask = 0, BlueMask = 0;  // 16/32 bits (filled in for every layout)
  const RGBQUAD* Colors = nullptr;                    // colour table for 1/4/8 bits
  int32_t ColorCount = 0;
  // 1 bit without a colour table: a monochrome bitmap (black 0, white 1 as
  // pixels; the DC's text and background colours when blitted to colour).
  bool Monochrome = false;

  bool Valid() const { return Bits != nullptr && Width > 0 && Height > 0; }
  bool Indexed() const { return BitCount <= 8; }
  // Row y, counted from the top.
  uint8_t* Row(int32_t y) const { return Bits + size_t(Stride) * size_t(TopDown ? y : Height - 1 - y); }
};

// Bytes per row of a DIB of that width and bit count (rows padded to 32 bits).
int64_t GdiDibStride(int64_t width, int32_t bitCount);
// The layout of a format; false for an impossible one (bit count, masks that
// are empty, overlapping or not contiguous).
bool GdiLayoutOf(const TGdiPixelFormat& format, TGdiLayout& layout);

uint32_t GdiReadPixel(const TGdiRaster& r, int32_t x, int32_t y);
void GdiWritePixel(const TGdiRaster& r, int32_t x, int32_t y, uint32_t value);
// Pixel value <-> 0x00BBGGRR colour. Indexes are clamped to the colour table;
// a monochrome raster reads black and white.
COLORREF GdiValueToColor(const TGdiRaster& r, uint32_t value);
// The nearest value: exact for true colour (channels truncated to the
// format's bits), the nearest colour-table entry (squared distance, first of
// equals) for indexed rasters.
uint32_t GdiColorToValue(const TGdiRaster& r, COLORREF color);
// Nearest entry of a colour table; 0 for an empty one.
uint32_t GdiNearestColorIndex(const RGBQUAD* colors, int32_t count, COLORREF color);

// Copies a w x h block between rasters of any formats, converting through
// colours (nearest colour-table entry when going to fewer colours; alpha kept
// between 32-bit rasters, 0 otherwise). No DC colours are involved: a
// monochrome raster is black and white. The block is clipped to both rasters.
void GdiConvertPixels(const TGdiRaster& src, int32_t sx, int32_t sy, const TGdiRaster& dst, int32_t dx, int32_t dy,
                      int32_t w, int32_t h);

// ROP3 evaluation, bitwise: bit i of rop3 gives the result where the pattern
// bit is (i >> 2) & 1, the source bit (i >> 1) & 1 and the destination bit
// i & 1. (A ROP3 code's rop3 byte is (code >> 16) & 0xFF.)
uint32_t GdiRop3(uint8_t rop3, uint32_t p, uint32_t s, uint32_t d);
// Over n bytes: d[i] := rop(p[i], s[i], d[i]); p or s may be nullptr when the
// operation does not use them.
void GdiRop3Bytes(uint8_t rop3, const uint8_t* p, const uint8_t* s, uint8_t* d, size_t n);
// The ROP3 byte that applies ROP2 mode (R2_*) with the pen as pattern.
uint8_t GdiRop2ToRop3(int32_t rop2);
bool GdiRopUsesPattern(uint8_t rop3);
bool GdiRopUsesSource(uint8_t rop3);
bool GdiRopUsesDest(uint8_t rop3);

// ---- Objects ----------------------------------------------------------------------

enum class TGdiKind : uint8_t { DC = 1, Bitmap, Pen, Brush, Font, Region, Palette, Icon };

struct TGdiObject {
  explicit TGdiObject(TGdiKind kind) : Kind(kind) {}
  virtual ~TGdiObject() = default;
  TGdiObject(const TGdiObject&) = delete;
  TGdiObject& operator=(const TGdiObject&) = delete;

  const TGdiKind Kind;
  bool Stock = false;    // never deleted
  int32_t Selected = 0;  // references from DC states, current and saved
  void* Handle = nullptr;
};

struct TGdiBitmap : TGdiObject {
  TGdiBitmap() : TGdiObject(TGdiKind::Bitmap) {}
  // Allocates zeroed pixels; false when the size or format is impossible, the
  // block would exceed 2^31 bytes, or memory runs out.
  bool Allocate(int32_t width, int32_t height, const TGdiPixelFormat& format, bool topDown);

  TGdiRaster Raster() const;  // Colors points into ColorTable

  int32_t Width = 0;
  int32_t Height = 0;
  TGdiPixelFormat Format;
  TGdiLayout Layout = TGdiLayout::Bgr32;
  bool TopDown = false;
  int32_t Stride = 0;
  bool IsDIB = false;       // made by CreateDIBSection (GetObject reports bmBits)
  bool Monochrome = false;  // 1 bit without colour table
  std::vector<RGBQUAD> ColorTable;
  std::unique_ptr<uint8_t[]> Memory;
  size_t MemorySize = 0;
};

struct TGdiPen : TGdiObject {
  TGdiPen() : TGdiObject(TGdiKind::Pen) {}
  uint32_t Style = PS_SOLID;  // full style word (style, end cap, join, type)
  int32_t Width = 0;          // 0 and 1: a one-pixel pen
  COLORREF Color = 0;
  bool Extended = false;  // made by ExtCreatePen
  uint32_t BrushStyle = BS_SOLID;
  uintptr_t Hatch = 0;
  std::vector<uint32_t> UserStyle;  // PS_USERSTYLE on/off lengths
  uint32_t BaseStyle() const { return Style & PS_STYLE_MASK; }
};

struct TGdiBrush : TGdiObject {
  TGdiBrush() : TGdiObject(TGdiKind::Brush) {}
  uint32_t Style = BS_SOLID;  // BS_SOLID, BS_NULL, BS_HATCHED, BS_PATTERN
  COLORREF Color = 0;
  int32_t Hatch = 0;
  std::unique_ptr<TGdiBitmap> Pattern;  // BS_PATTERN: a private copy
  HBITMAP PatternHandle = nullptr;      // what GetObject reports
};

struct TGdiFont : TGdiObject {
  TGdiFont() : TGdiObject(TGdiKind::Font) {}
  LOGFONT LogFont;
};

struct TGdiRegion : TGdiObject {
  TGdiRegion() : TGdiObject(TGdiKind::Region) {}
  TRegion Region;
};

struct TGdiPalette : TGdiObject {
  TGdiPalette() : TGdiObject(TGdiKind::Palette) {}
  std::vector<PALETTEENTRY> Entries;
};

struct TGdiIcon : TGdiObject {
  TGdiIcon() : TGdiObject(TGdiKind::Icon) {}
  bool IsIcon = true;
  uint32_t HotX = 0;
  uint32_t HotY = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  std::unique_ptr<TGdiBitmap> Mask;   // 1 bit; twice the height when Color is null
  std::unique_ptr<TGdiBitmap> Color;  // may be null (monochrome icon)
  bool HasAlpha = false;              // 32-bit colour with some nonzero alpha
};

// State saved by SaveDC.
struct TDCState {
  HPEN Pen = nullptr;
  HBRUSH Brush = nullptr;
  HFONT Font = nullptr;
  HBITMAP Bitmap = nullptr;
  HPALETTE Palette = nullptr;
  TPoint ViewportOrg;
  TPoint WindowOrg;
  bool HasClip = false;
  TRegion Clip;  // device coordinates (what SelectClipRgn takes and GetClipRgn answers)
  int32_t Rop2 = R2_COPYPEN;
  int32_t BkMode = OPAQUE;
  COLORREF BkColor = 0x00FFFFFF;
  COLORREF TextColor = 0;
  uint32_t TextAlign = TA_LEFT | TA_TOP;
  int32_t StretchMode = BLACKONWHITE;
  TPoint BrushOrg;
  int32_t PolyFillMode = ALTERNATE;
  int32_t ArcDirection = AD_COUNTERCLOCKWISE;
  TPoint CurrentPos;
};

// Coordinates: logical (what the public calls take) map to device
// coordinates through the window and viewport origins; device coordinates
// map to the target raster by adding the device origin. A memory DC's device
// origin is (0, 0); a window DC's is the window's place on its top-level
// surface, so its device coordinates are the window's own (client or
// window), as the platform's are. The device origin belongs to the DC, not
// to its state: SaveDC/RestoreDC and the public calls leave it alone. The
// engine (Visible(), the Gdi* painting helpers, TGdiBrushFill) works in
// raster coordinates.
struct TDC : TGdiObject {
  TDC() : TGdiObject(TGdiKind::DC) {}

  TDCState State;
  std::vector<TDCState> Saved;
  bool IsMemoryDC = true;
  TPoint DeviceOrg;  // raster position of device (0, 0); set when the DC is made
  bool HasSystemClip = false;
  TRegion SystemClip;  // raster coordinates; set by the window system

  // The selected objects (valid while selected: selected objects cannot be
  // deleted).
  TGdiBitmap* Bitmap = nullptr;
  TGdiPen* Pen = nullptr;
  TGdiBrush* Brush = nullptr;
  TGdiFont* Font = nullptr;
  TGdiPalette* Palette = nullptr;

  // The target pixels.
  TGdiRaster Target() const;
  // What drawing may touch, in raster coordinates: the bitmap's area
  // intersected with the clip region (moved by the device origin) and the
  // system clip. Cached.
  const TRegion& Visible();
  // Forgets the cached visible region (after clip, bitmap or system clip
  // changes).
  void InvalidateVisible() { FVisibleValid = false; }

  // Results beyond the 32-bit range saturate (and then fail the coordinate
  // checks of the drawing calls).
  // Logical to device (clip rectangles are kept in device coordinates).
  TPoint LogicalToDevice(int32_t x, int32_t y) const {
    return TPoint{Saturate(int64_t(x) - State.WindowOrg.X + State.ViewportOrg.X),
                  Saturate(int64_t(y) - State.WindowOrg.Y + State.ViewportOrg.Y)};
  }
  // Logical to raster: the one mapping every drawing call goes through.
  TPoint ToRaster(int32_t x, int32_t y) const { return TPoint{Saturate(RasterX(x)), Saturate(RasterY(y))}; }
  // The same in 64 bits, for callers that check the range themselves.
  int64_t RasterX(int64_t x) const { return x - State.WindowOrg.X + State.ViewportOrg.X + DeviceOrg.X; }
  int64_t RasterY(int64_t y) const { return y - State.WindowOrg.Y + State.ViewportOrg.Y + DeviceOrg.Y; }
  TPoint RasterToLogical(int32_t x, int32_t y) const {
    return TPoint{Saturate(int64_t(x) - DeviceOrg.X - State.ViewportOrg.X + State.WindowOrg.X),
                  Saturate(int64_t(y) - DeviceOrg.Y - State.ViewportOrg.Y + State.WindowOrg.Y)};
  }
  static int32_t Saturate(int64_t v) { return v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : int32_t(v); }
  // The selected font's description.
  const LOGFONT& LogFont() const;
  // A colour as RGB: PALETTEINDEX resolved through the selected palette, the
  // top byte dropped otherwise.
  COLORREF ResolveColor(COLORREF color) const;

 private:
  bool FVisibleValid = false;
  TRegion FVisible;
};

// Table lookups, type-checked; nullptr for a bad or stale handle.
TDC* GdiDC(HDC dc);
TGdiBitmap* GdiBitmap(HBITMAP bitmap);
TGdiPen* GdiPen(HPEN pen);
TGdiBrush* GdiBrush(HBRUSH brush);
TGdiFont* GdiFont(HFONT font);
TGdiRegion* GdiRegion(HRGN rgn);
TGdiPalette* GdiPalette(HPALETTE palette);
TGdiIcon* GdiIcon(HICON icon);
// Puts a new object into the table and answers its handle (nullptr when the
// table is full).
void* GdiAddObject(std::unique_ptr<TGdiObject> object);

// ---- Helpers for text drawing (raster coordinates, under the visible region) ----

// Fills the rectangle with a colour. useRop2: through the DC's ROP2 mode;
// otherwise a plain copy (a pattern copy with a solid colour).
void GdiFillRasterRect(TDC& dc, const TRect& rect, COLORREF color, bool useRop2);
// Blends the colour into the target with an 8-bit coverage mask (w x h bytes,
// rows `stride` apart, top-left at raster (left, top)). On 16/24/32-bit
// targets target = (color * a + target * (255 - a) + 127) / 255 per channel;
// on 1/4/8-bit targets pixels with coverage >= 128 take the nearest index of
// the colour and the others stay.
void GdiBlendCoverage(TDC& dc, int32_t left, int32_t top, int32_t w, int32_t h, const uint8_t* coverage, int32_t stride,
                      COLORREF color);

// ---- For the bitmap class ------------------------------------------------------------

// A DIB section of the format with the colour table (1/4/8 bits; missing
// entries black); zeroed pixels. nullptr when impossible.
HBITMAP GdiCreateDIB(int32_t width, int32_t height, const TGdiPixelFormat& format, const RGBQUAD* colors,
                     int32_t colorCount, bool topDown = false);
// A new DIB of the given size and format holding src's pixels converted
// (nearest colour-table entry when going to fewer colours); the top-left
// overlap is copied, the rest is zero. colors nullptr: keep src's table when
// the bit count is unchanged, else a default table (black/white, the 16
// standard colours, or a 256-colour cube with greys).
HBITMAP GdiCopyDIB(HBITMAP src, int32_t width, int32_t height, const TGdiPixelFormat& format, const RGBQUAD* colors,
                   int32_t colorCount);
// The raster of a bitmap; Valid() false for a bad handle.
TGdiRaster GdiBitmapRaster(HBITMAP bitmap);
// The default colour table of a bit count (see GdiCopyDIB).
std::vector<RGBQUAD> GdiDefaultColorTable(int32_t bitCount);

// ---- For the window system --------------------------------------------------------------

// A DC drawing into bitmap (as if selected into a memory DC) that reports
// itself as a window DC (GetObjectType OBJ_DC). Its device coordinate (0, 0)
// is at deviceOrg on the bitmap; the viewport and window origins start at
// (0, 0) on top of that.
HDC GdiCreateWindowDC(HBITMAP bitmap, TPoint deviceOrg = TPoint{});
// The system clip of a DC in raster coordinates (on the bitmap, whatever the
// device origin); nullptr removes it.
bool GdiSetSystemClip(HDC dc, const TRegion* clip);
// HORZRES / VERTRES.
void GdiSetScreenSize(int32_t width, int32_t height);

// ---- Engine shared by the gdi_*.cpp files -------------------------------------------

// One span of a row: destination pixels x0..x0+n-1 on row y (in the raster)
// := rop3(pattern, source, destination). Pattern and source are target pixel
// values; either may be absent when the operation does not use it.
struct TGdiSpanOp {
  uint8_t Rop3 = 0xCC;
  bool PatSolid = false;
  uint32_t PatValue = 0;
  const uint32_t* Pat = nullptr;      // n values (when not solid)
  const uint32_t* Src = nullptr;      // n values
  const uint8_t* SrcBytes = nullptr;  // or n pixels already packed like the target (8+ bits)
  const uint8_t* Mask = nullptr;      // n flags; 0 leaves the pixel alone
};
void GdiSpan(const TGdiRaster& dst, int32_t y, int32_t x0, int32_t n, const TGdiSpanOp& op);
// A rectangle (inside the raster) with one pattern value: row copies for
// pattern copies, bitwise row operations otherwise.
void GdiFillRectValue(const TGdiRaster& dst, const TRect& r, uint32_t value, uint8_t rop3);

// Nearest colour-table entries with a small cache.
class TGdiNearest {
 public:
  TGdiNearest(const RGBQUAD* colors, int32_t count);
  uint32_t Index(COLORREF color);

 private:
  const RGBQUAD* FColors;
  int32_t FCount;
  std::vector<uint32_t> FKeys;
  std::vector<uint8_t> FValues;
};

// Turns source pixels into target values for blits.
struct TGdiConvertColors {
  COLORREF MonoZero = 0x000000;  // colour of 0 bits of a monochrome source
  COLORREF MonoOne = 0xFFFFFF;   // colour of 1 bits
  // A colour source going to a monochrome target: true compares with SrcBk
  // (equal -> 1), false takes the nearest of black and white.
  bool MonoByBk = false;
  COLORREF SrcBk = 0xFFFFFF;
};

class TGdiRowConverter {
 public:
  TGdiRowConverter(const TGdiRaster& src, const TGdiRaster& dst, const TGdiConvertColors& colors);
  // True when source values are target values (raw copies are possible).
  bool Identity() const { return FMode == kIdentity; }
  // Target values of source pixels xs[0..n) of source row sy (from the top).
  void Gather(int32_t sy, const int32_t* xs, int32_t n, uint32_t* out);
  void Run(int32_t sy, int32_t sx, int32_t n, uint32_t* out);
  // Source pixel as a colour (0x00BBGGRR) with the alpha of 32-bit sources
  // in the top byte.
  uint32_t SourceColor(uint32_t value) const;
  // Target value of a colour (after the monochrome rules).
  uint32_t TargetValue(COLORREF color);

 private:
  enum { kIdentity, kLut, kColor } FMode;
  const TGdiRaster& FSrc;
  const TGdiRaster& FDst;
  TGdiConvertColors FColors;
  uint32_t FLut[256] = {};
  TGdiNearest FNearest;
  uint32_t Convert(uint32_t value);
};

// Reads a BITMAPINFO: size, row order, format and colour table (1/4/8 bits:
// biClrUsed entries or all, at most 2^bits). False for anything this layer
// cannot hold (compressed data, a core header, impossible sizes).
struct TGdiDibInfo {
  int32_t Width = 0;
  int32_t Height = 0;  // positive
  bool TopDown = false;
  TGdiPixelFormat Format;
  uint32_t Compression = BI_RGB;
  std::vector<RGBQUAD> Colors;
};
bool GdiParseBitmapInfo(const BITMAPINFO* info, TGdiDibInfo& out);
// A raster over caller memory described by a parsed BITMAPINFO.
TGdiRaster GdiRasterOver(const TGdiDibInfo& info, const void* bits);
// Nearest-pixel copy of all of src onto all of dst with the fixed sampling
// rule, converting formats (monochrome as black and white).
void GdiStretchRaster(const TGdiRaster& src, const TGdiRaster& dst);
// A private copy of a bitmap (same format, size and pixels).
std::unique_ptr<TGdiBitmap> GdiCloneBitmap(const TGdiBitmap& src);

// A brush made ready for one DC's target: pattern values in the target's
// format, repeating from the brush origin (raster coordinates: the DC's brush
// origin moved by its device origin).
struct TGdiBrushFill {
  bool Null = true;  // draws nothing
  bool Solid = false;
  uint32_t Value = 0;  // the solid value
  int32_t Width = 0;
  int32_t Height = 0;
  std::vector<uint32_t> Values;  // Width * Height
  std::vector<uint8_t> Opaque;   // Width * Height flags; empty: every pixel drawn
  TPoint Org;
  // Values (and flags, 1 = draw) of raster row y, pixels x0 .. x0 + n - 1.
  void Row(int32_t y, int32_t x0, int32_t n, uint32_t* values, uint8_t* mask) const;
};
// Hatch gaps take the background colour in OPAQUE mode and are left alone in
// TRANSPARENT mode; monochrome pattern bitmaps paint 0 bits in the text
// colour and 1 bits in the background colour.
TGdiBrushFill GdiRealizeBrush(TDC& dc, const TGdiBrush* brush);
TGdiBrushFill GdiSolidFill(uint32_t value);
// The brush of a FillRect-style argument: a brush handle, or a system colour
// index + 1 (the platform's shorthand).
TGdiBrush* GdiBrushArg(HBRUSH brush);

// Painting in raster coordinates through the visible region.
void GdiPaintRect(TDC& dc, const TRect& rect, const TGdiBrushFill& fill, uint8_t rop3);
void GdiPaintSpans(TDC& dc, const std::vector<TSpan>& spans, const TGdiBrushFill& fill, uint8_t rop3);
void GdiPaintRegion(TDC& dc, const TRegion& region, const TGdiBrushFill& fill, uint8_t rop3);

// Calls f(x0, x1) for the visible parts of row y between x0 and x1.
template <class F>
void GdiForEachVisible(const TRegion& visible, int32_t y, int32_t x0, int32_t x1, F&& f) {
  const std::vector<TRect>& rects = visible.Rects();
  size_t lo = 0, hi = rects.size();
  while (lo < hi) {  // first rectangle whose band ends below y
    const size_t mid = (lo + hi) / 2;
    if (rects[mid].Bottom <= y)
      lo = mid + 1;
    else
      hi = mid;
  }
  for (size_t i = lo; i < rects.size() && rects[i].Top <= y; ++i) {
    const int32_t a = rects[i].Left > x0 ? rects[i].Left : x0;
    const int32_t b = rects[i].Right < x1 ? rects[i].Right : x1;
    if (a < b) f(a, b);
    if (rects[i].Left >= x1) break;
  }
}
