// The flat drawing API: device contexts, drawing objects, drawing, blits,
// regions, palettes and device queries over memory rasters (DIB sections).
//
// Every handle is an id into one type-checked object table: a stale handle or
// a handle of the wrong kind makes a call fail with its failure value (0,
// false, CLR_INVALID, ERROR ...), never crash. Coordinates are pixels (the
// map mode is fixed): device point = logical point - window origin + viewport
// origin. Right and bottom edges are exclusive everywhere.
//
// Text output and font measuring are declared in platform/gui/text.h.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/gui/rasterize.h"
#include "platform/gui/region.h"
#include "platform/gui/syscolors.h"
#include "platform/rtl/graphtypes.h"
#include "platform/rtl/types.h"

// ---- Handles ------------------------------------------------------------------
// Opaque handle types; the value is a table id, never a pointer to memory.
// Every kind converts to HGDIOBJ; converting back needs a cast, as usual.
struct HDC__;
struct HBITMAP__;
struct HPEN__;
struct HBRUSH__;
struct HFONT__;
struct HRGN__;
struct HPALETTE__;
struct HICON__;
using HGDIOBJ = void*;
using HDC = HDC__*;
using HBITMAP = HBITMAP__*;
using HPEN = HPEN__*;
using HBRUSH = HBRUSH__*;
using HFONT = HFONT__*;
using HRGN = HRGN__*;
using HPALETTE = HPALETTE__*;
using HICON = HICON__*;
using HCURSOR = HICON;

// 0x00BBGGRR; 0x01 in the top byte: an index into the DC's palette
// (PALETTEINDEX); 0x02: an RGB value matched against the palette (PALETTERGB).
using COLORREF = uint32_t;
inline constexpr COLORREF CLR_INVALID = 0xFFFFFFFFu;
inline constexpr COLORREF CLR_NONE = 0xFFFFFFFFu;
inline constexpr COLORREF CLR_DEFAULT = 0xFF000000u;
constexpr COLORREF PALETTEINDEX(uint16_t index) { return 0x01000000u | index; }
constexpr COLORREF PALETTERGB(uint8_t r, uint8_t g, uint8_t b) {
  return 0x02000000u | uint32_t(r) | (uint32_t(g) << 8) | (uint32_t(b) << 16);
}

// ---- Object kinds (GetObjectType, GetCurrentObject) ----------------------------
inline constexpr uint32_t OBJ_PEN = 1;
inline constexpr uint32_t OBJ_BRUSH = 2;
inline constexpr uint32_t OBJ_DC = 3;
inline constexpr uint32_t OBJ_PAL = 5;
inline constexpr uint32_t OBJ_FONT = 6;
inline constexpr uint32_t OBJ_BITMAP = 7;
inline constexpr uint32_t OBJ_REGION = 8;
inline constexpr uint32_t OBJ_MEMDC = 10;
inline constexpr uint32_t OBJ_EXTPEN = 11;

// ---- Stock objects ------------------------------------------------------------
inline constexpr int32_t WHITE_BRUSH = 0;
inline constexpr int32_t LTGRAY_BRUSH = 1;
inline constexpr int32_t GRAY_BRUSH = 2;
inline constexpr int32_t DKGRAY_BRUSH = 3;
inline constexpr int32_t BLACK_BRUSH = 4;
inline constexpr int32_t NULL_BRUSH = 5;
inline constexpr int32_t HOLLOW_BRUSH = NULL_BRUSH;
inline constexpr int32_t WHITE_PEN = 6;
inline constexpr int32_t BLACK_PEN = 7;
inline constexpr int32_t NULL_PEN = 8;
inline constexpr int32_t SYSTEM_FONT = 13;
inline constexpr int32_t DEFAULT_PALETTE = 15;
inline constexpr int32_t DEFAULT_GUI_FONT = 17;

// ---- Pens ---------------------------------------------------------------------
inline constexpr uint32_t PS_SOLID = 0;
inline constexpr uint32_t PS_DASH = 1;        // 18 on, 6 off
inline constexpr uint32_t PS_DOT = 2;         // 3 on, 3 off
inline constexpr uint32_t PS_DASHDOT = 3;     // 9-6-3-6
inline constexpr uint32_t PS_DASHDOTDOT = 4;  // 9-3-3-3-3-3
inline constexpr uint32_t PS_NULL = 5;
inline constexpr uint32_t PS_INSIDEFRAME = 6;
inline constexpr uint32_t PS_USERSTYLE = 7;
inline constexpr uint32_t PS_ALTERNATE = 8;  // every other pixel
inline constexpr uint32_t PS_STYLE_MASK = 0x0000000F;
inline constexpr uint32_t PS_ENDCAP_ROUND = 0x00000000;
inline constexpr uint32_t PS_ENDCAP_SQUARE = 0x00000100;
inline constexpr uint32_t PS_ENDCAP_FLAT = 0x00000200;
inline constexpr uint32_t PS_ENDCAP_MASK = 0x00000F00;
inline constexpr uint32_t PS_JOIN_ROUND = 0x00000000;
inline constexpr uint32_t PS_JOIN_BEVEL = 0x00001000;
inline constexpr uint32_t PS_JOIN_MITER = 0x00002000;
inline constexpr uint32_t PS_JOIN_MASK = 0x0000F000;
inline constexpr uint32_t PS_COSMETIC = 0x00000000;
inline constexpr uint32_t PS_GEOMETRIC = 0x00010000;
inline constexpr uint32_t PS_TYPE_MASK = 0x000F0000;

// ---- Brushes ------------------------------------------------------------------
inline constexpr uint32_t BS_SOLID = 0;
inline constexpr uint32_t BS_NULL = 1;
inline constexpr uint32_t BS_HOLLOW = BS_NULL;
inline constexpr uint32_t BS_HATCHED = 2;
inline constexpr uint32_t BS_PATTERN = 3;
inline constexpr uint32_t BS_DIBPATTERN = 5;  // not supported (CreateBrushIndirect fails)

inline constexpr int32_t HS_HORIZONTAL = 0;
inline constexpr int32_t HS_VERTICAL = 1;
inline constexpr int32_t HS_FDIAGONAL = 2;  // "\"
inline constexpr int32_t HS_BDIAGONAL = 3;  // "/"
inline constexpr int32_t HS_CROSS = 4;
inline constexpr int32_t HS_DIAGCROSS = 5;

// ---- DC state values ----------------------------------------------------------
inline constexpr int32_t TRANSPARENT = 1;
inline constexpr int32_t OPAQUE = 2;

// ROP2 modes: (code - 1) is the truth table over pen 0xC and destination 0xA.
inline constexpr int32_t R2_BLACK = 1;
inline constexpr int32_t R2_NOTMERGEPEN = 2;
inline constexpr int32_t R2_MASKNOTPEN = 3;
inline constexpr int32_t R2_NOTCOPYPEN = 4;
inline constexpr int32_t R2_MASKPENNOT = 5;
inline constexpr int32_t R2_NOT = 6;
inline constexpr int32_t R2_XORPEN = 7;
inline constexpr int32_t R2_NOTMASKPEN = 8;
inline constexpr int32_t R2_MASKPEN = 9;
inline constexpr int32_t R2_NOTXORPEN = 10;
inline constexpr int32_t R2_NOP = 11;
inline constexpr int32_t R2_MERGENOTPEN = 12;
inline constexpr int32_t R2_COPYPEN = 13;
inline constexpr int32_t R2_MERGEPENNOT = 14;
inline constexpr int32_t R2_MERGEPEN = 15;
inline constexpr int32_t R2_WHITE = 16;

inline constexpr int32_t BLACKONWHITE = 1;
inline constexpr int32_t WHITEONBLACK = 2;
inline constexpr int32_t COLORONCOLOR = 3;
inline constexpr int32_t HALFTONE = 4;
inline constexpr int32_t STRETCH_ANDSCANS = BLACKONWHITE;
inline constexpr int32_t STRETCH_ORSCANS = WHITEONBLACK;
inline constexpr int32_t STRETCH_DELETESCANS = COLORONCOLOR;
inline constexpr int32_t STRETCH_HALFTONE = HALFTONE;

inline constexpr uint32_t TA_NOUPDATECP = 0;
inline constexpr uint32_t TA_UPDATECP = 1;
inline constexpr uint32_t TA_LEFT = 0;
inline constexpr uint32_t TA_RIGHT = 2;
inline constexpr uint32_t TA_CENTER = 6;
inline constexpr uint32_t TA_TOP = 0;
inline constexpr uint32_t TA_BOTTOM = 8;
inline constexpr uint32_t TA_BASELINE = 24;
inline constexpr uint32_t TA_RTLREADING = 256;
inline constexpr uint32_t GDI_ERROR = 0xFFFFFFFFu;

// ---- Raster operations (ROP3) -------------------------------------------------
// Bits 16..23 of a code are the truth table over pattern 0xF0, source 0xCC and
// destination 0xAA, evaluated bitwise on pixel values (palette indexes on 1-,
// 4- and 8-bit targets). The low word is not looked at.
inline constexpr uint32_t SRCCOPY = 0x00CC0020;
inline constexpr uint32_t SRCPAINT = 0x00EE0086;
inline constexpr uint32_t SRCAND = 0x008800C6;
inline constexpr uint32_t SRCINVERT = 0x00660046;
inline constexpr uint32_t SRCERASE = 0x00440328;
inline constexpr uint32_t NOTSRCCOPY = 0x00330008;
inline constexpr uint32_t NOTSRCERASE = 0x001100A6;
inline constexpr uint32_t MERGECOPY = 0x00C000CA;
inline constexpr uint32_t MERGEPAINT = 0x00BB0226;
inline constexpr uint32_t PATCOPY = 0x00F00021;
inline constexpr uint32_t PATPAINT = 0x00FB0A09;
inline constexpr uint32_t PATINVERT = 0x005A0049;
inline constexpr uint32_t DSTINVERT = 0x00550009;
inline constexpr uint32_t BLACKNESS = 0x00000042;
inline constexpr uint32_t WHITENESS = 0x00FF0062;

// ---- Bitmaps and DIBs ---------------------------------------------------------
inline constexpr uint32_t BI_RGB = 0;
inline constexpr uint32_t BI_RLE8 = 1;
inline constexpr uint32_t BI_RLE4 = 2;
inline constexpr uint32_t BI_BITFIELDS = 3;

inline constexpr uint32_t DIB_RGB_COLORS = 0;
inline constexpr uint32_t DIB_PAL_COLORS = 1;  // not supported

struct RGBQUAD {
  uint8_t rgbBlue = 0;
  uint8_t rgbGreen = 0;
  uint8_t rgbRed = 0;
  uint8_t rgbReserved = 0;
  friend bool operator==(const RGBQUAD&, const RGBQUAD&) = default;
};

struct BITMAPINFOHEADER {
  uint32_t biSize = 40;
  int32_t biWidth = 0;
  int32_t biHeight = 0;  // > 0 bottom-up rows, < 0 top-down
  uint16_t biPlanes = 1;
  uint16_t biBitCount = 0;
  uint32_t biCompression = BI_RGB;
  uint32_t biSizeImage = 0;
  int32_t biXPelsPerMeter = 0;
  int32_t biYPelsPerMeter = 0;
  uint32_t biClrUsed = 0;
  uint32_t biClrImportant = 0;
};

// The colour table (or, for BI_BITFIELDS with a 40-byte header, the three
// masks red, green, blue) follows the header at biSize bytes; allocate room
// for as many entries as are used.
struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
};

#pragma pack(push, 2)
struct BITMAPFILEHEADER {
  uint16_t bfType = 0x4D42;  // "BM"
  uint32_t bfSize = 0;
  uint16_t bfReserved1 = 0;
  uint16_t bfReserved2 = 0;
  uint32_t bfOffBits = 0;
};
#pragma pack(pop)
static_assert(sizeof(BITMAPFILEHEADER) == 14);
static_assert(sizeof(BITMAPINFOHEADER) == 40);

struct BITMAP {
  int32_t bmType = 0;
  int32_t bmWidth = 0;
  int32_t bmHeight = 0;
  int32_t bmWidthBytes = 0;
  uint16_t bmPlanes = 1;
  uint16_t bmBitsPixel = 0;
  void* bmBits = nullptr;  // the pixels of a DIB section; nullptr for other bitmaps
};

struct DIBSECTION {
  BITMAP dsBm;
  BITMAPINFOHEADER dsBmih;
  uint32_t dsBitfields[3] = {0, 0, 0};
  void* dshSection = nullptr;
  uint32_t dsOffset = 0;
};

// ---- Object descriptions ------------------------------------------------------
struct LOGPEN {
  uint32_t lopnStyle = PS_SOLID;
  TPoint lopnWidth;  // X is the width; Y unused
  COLORREF lopnColor = 0;
};

struct LOGBRUSH {
  uint32_t lbStyle = BS_SOLID;
  COLORREF lbColor = 0;
  uintptr_t lbHatch = 0;  // HS_* for BS_HATCHED, the HBITMAP for BS_PATTERN
};

// GetObject of a pen made by ExtCreatePen. The style entries of a
// PS_USERSTYLE pen are returned when the buffer has room for them.
struct EXTLOGPEN {
  uint32_t elpPenStyle = 0;
  uint32_t elpWidth = 0;
  uint32_t elpBrushStyle = BS_SOLID;
  COLORREF elpColor = 0;
  uintptr_t elpHatch = 0;
  uint32_t elpNumEntries = 0;
  uint32_t elpStyleEntry[1] = {0};
};

inline constexpr int32_t FW_DONTCARE = 0;
inline constexpr int32_t FW_THIN = 100;
inline constexpr int32_t FW_LIGHT = 300;
inline constexpr int32_t FW_NORMAL = 400;
inline constexpr int32_t FW_MEDIUM = 500;
inline constexpr int32_t FW_SEMIBOLD = 600;
inline constexpr int32_t FW_BOLD = 700;
inline constexpr int32_t FW_HEAVY = 900;

inline constexpr uint8_t ANSI_CHARSET = 0;
inline constexpr uint8_t DEFAULT_CHARSET = 1;
inline constexpr uint8_t OUT_DEFAULT_PRECIS = 0;
inline constexpr uint8_t CLIP_DEFAULT_PRECIS = 0;
inline constexpr uint8_t DEFAULT_QUALITY = 0;
inline constexpr uint8_t DRAFT_QUALITY = 1;
inline constexpr uint8_t PROOF_QUALITY = 2;
inline constexpr uint8_t NONANTIALIASED_QUALITY = 3;
inline constexpr uint8_t ANTIALIASED_QUALITY = 4;
inline constexpr uint8_t CLEARTYPE_QUALITY = 5;
inline constexpr uint8_t DEFAULT_PITCH = 0;
inline constexpr uint8_t FIXED_PITCH = 1;
inline constexpr uint8_t VARIABLE_PITCH = 2;

// Not a plain-old-data record: GetObject of a font assigns into a LOGFONT.
struct LOGFONT {
  int32_t lfHeight = 0;
  int32_t lfWidth = 0;
  int32_t lfEscapement = 0;  // tenths of a degree, counter-clockwise
  int32_t lfOrientation = 0;
  int32_t lfWeight = 0;
  uint8_t lfItalic = 0;
  uint8_t lfUnderline = 0;
  uint8_t lfStrikeOut = 0;
  uint8_t lfCharSet = DEFAULT_CHARSET;
  uint8_t lfOutPrecision = OUT_DEFAULT_PRECIS;
  uint8_t lfClipPrecision = CLIP_DEFAULT_PRECIS;
  uint8_t lfQuality = DEFAULT_QUALITY;
  uint8_t lfPitchAndFamily = DEFAULT_PITCH;
  String lfFaceName;
  friend bool operator==(const LOGFONT&, const LOGFONT&) = default;
};

struct TEXTMETRIC {
  int32_t tmHeight = 0;
  int32_t tmAscent = 0;
  int32_t tmDescent = 0;
  int32_t tmInternalLeading = 0;
  int32_t tmExternalLeading = 0;
  int32_t tmAveCharWidth = 0;
  int32_t tmMaxCharWidth = 0;
  int32_t tmWeight = 0;
  int32_t tmOverhang = 0;
  int32_t tmDigitizedAspectX = 96;
  int32_t tmDigitizedAspectY = 96;
  char16_t tmFirstChar = 0;
  char16_t tmLastChar = 0;
  char16_t tmDefaultChar = 0;
  char16_t tmBreakChar = 0;
  uint8_t tmItalic = 0;
  uint8_t tmUnderlined = 0;
  uint8_t tmStruckOut = 0;
  uint8_t tmPitchAndFamily = 0;
  uint8_t tmCharSet = 0;
};

struct PALETTEENTRY {
  uint8_t peRed = 0;
  uint8_t peGreen = 0;
  uint8_t peBlue = 0;
  uint8_t peFlags = 0;
  friend bool operator==(const PALETTEENTRY&, const PALETTEENTRY&) = default;
};

// palNumEntries entries follow; allocate room for them.
struct LOGPALETTE {
  uint16_t palVersion = 0x300;
  uint16_t palNumEntries = 0;
  PALETTEENTRY palPalEntry[1];
};

// Colour channels are 16-bit: the 8-bit value shifted left by 8.
struct TRIVERTEX {
  int32_t x = 0;
  int32_t y = 0;
  uint16_t Red = 0;
  uint16_t Green = 0;
  uint16_t Blue = 0;
  uint16_t Alpha = 0;
};

struct GRADIENT_RECT {
  uint32_t UpperLeft = 0;
  uint32_t LowerRight = 0;
};

inline constexpr uint32_t GRADIENT_FILL_RECT_H = 0;
inline constexpr uint32_t GRADIENT_FILL_RECT_V = 1;
inline constexpr uint32_t GRADIENT_FILL_TRIANGLE = 2;  // not supported

// Region data: the header, then nCount rectangles (TRect).
struct RGNDATAHEADER {
  uint32_t dwSize = 32;
  uint32_t iType = RDH_RECTANGLES;
  uint32_t nCount = 0;
  uint32_t nRgnSize = 0;
  TRect rcBound;
};
static_assert(sizeof(RGNDATAHEADER) == 32);

struct RGNDATA {
  RGNDATAHEADER rdh;
  char Buffer[1];
};

struct ICONINFO {
  bool fIcon = true;  // false: a cursor with a hot spot
  uint32_t xHotspot = 0;
  uint32_t yHotspot = 0;
  HBITMAP hbmMask = nullptr;   // 1-bit AND mask (twice the height when hbmColor is 0)
  HBITMAP hbmColor = nullptr;  // colour image; 32-bit with alpha, or XORed
};

// ---- Flood fill, edges, icons, images -----------------------------------------
inline constexpr uint32_t FLOODFILLBORDER = 0;
inline constexpr uint32_t FLOODFILLSURFACE = 1;

inline constexpr uint32_t BDR_RAISEDOUTER = 0x0001;
inline constexpr uint32_t BDR_SUNKENOUTER = 0x0002;
inline constexpr uint32_t BDR_RAISEDINNER = 0x0004;
inline constexpr uint32_t BDR_SUNKENINNER = 0x0008;
inline constexpr uint32_t BDR_OUTER = 0x0003;
inline constexpr uint32_t BDR_INNER = 0x000C;
inline constexpr uint32_t BDR_RAISED = 0x0005;
inline constexpr uint32_t BDR_SUNKEN = 0x000A;
inline constexpr uint32_t EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
inline constexpr uint32_t EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
inline constexpr uint32_t EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
inline constexpr uint32_t EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;

inline constexpr uint32_t BF_LEFT = 0x0001;
inline constexpr uint32_t BF_TOP = 0x0002;
inline constexpr uint32_t BF_RIGHT = 0x0004;
inline constexpr uint32_t BF_BOTTOM = 0x0008;
inline constexpr uint32_t BF_TOPLEFT = BF_TOP | BF_LEFT;
inline constexpr uint32_t BF_TOPRIGHT = BF_TOP | BF_RIGHT;
inline constexpr uint32_t BF_BOTTOMLEFT = BF_BOTTOM | BF_LEFT;
inline constexpr uint32_t BF_BOTTOMRIGHT = BF_BOTTOM | BF_RIGHT;
inline constexpr uint32_t BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM;
inline constexpr uint32_t BF_MIDDLE = 0x0800;  // fill the inside
inline constexpr uint32_t BF_SOFT = 0x1000;
inline constexpr uint32_t BF_ADJUST = 0x2000;  // shrink the rectangle by the edges drawn
inline constexpr uint32_t BF_FLAT = 0x4000;
inline constexpr uint32_t BF_MONO = 0x8000;

inline constexpr uint32_t DI_MASK = 0x0001;
inline constexpr uint32_t DI_IMAGE = 0x0002;
inline constexpr uint32_t DI_NORMAL = 0x0003;

inline constexpr uint32_t IMAGE_BITMAP = 0;
inline constexpr uint32_t IMAGE_ICON = 1;
inline constexpr uint32_t IMAGE_CURSOR = 2;
inline constexpr uint32_t LR_DEFAULTCOLOR = 0x0000;
inline constexpr uint32_t LR_MONOCHROME = 0x0001;
inline constexpr uint32_t LR_COPYRETURNORG = 0x0004;
inline constexpr uint32_t LR_COPYDELETEORG = 0x0008;
inline constexpr uint32_t LR_CREATEDIBSECTION = 0x2000;

// ---- Device queries -----------------------------------------------------------
inline constexpr int32_t TECHNOLOGY = 2;
inline constexpr int32_t HORZRES = 8;
inline constexpr int32_t VERTRES = 10;
inline constexpr int32_t BITSPIXEL = 12;
inline constexpr int32_t PLANES = 14;
inline constexpr int32_t NUMCOLORS = 24;
inline constexpr int32_t RASTERCAPS = 38;
inline constexpr int32_t LOGPIXELSX = 88;
inline constexpr int32_t LOGPIXELSY = 90;
inline constexpr int32_t SIZEPALETTE = 104;
inline constexpr int32_t DT_RASDISPLAY = 1;
inline constexpr int32_t RC_BITBLT = 0x0001;
inline constexpr int32_t RC_BITMAP64 = 0x0008;
inline constexpr int32_t RC_DI_BITMAP = 0x0080;
inline constexpr int32_t RC_DIBTODEV = 0x0200;
inline constexpr int32_t RC_STRETCHBLT = 0x0800;
inline constexpr int32_t RC_STRETCHDIB = 0x2000;

// ================================================================================
// Device contexts and objects
// ================================================================================

// A memory DC with a 1 x 1 monochrome bitmap selected. The reference DC is
// only checked (0 or a valid DC).
HDC CreateCompatibleDC(HDC dc);
bool DeleteDC(HDC dc);

// Selects a pen, brush, font or bitmap and answers the previous one of that
// kind; a region is copied into the clip (the answer is the region kind, cast
// to HGDIOBJ). 0 on failure. A bitmap may be selected into several memory DCs
// at once (all draw into its memory); window DCs keep their bitmap.
HGDIOBJ SelectObject(HDC dc, HGDIOBJ obj);
// Fails for DCs, for objects selected into a DC (or held by a saved DC
// state) and for icons; stock objects stay alive and the call succeeds.
bool DeleteObject(HGDIOBJ obj);
// Copies the object's description (LOGPEN/EXTLOGPEN, LOGBRUSH, LOGFONT,
// BITMAP/DIBSECTION, the palette's entry count as uint16_t) into buffer and
// answers the bytes written; buffer nullptr answers the size needed; 0 on
// failure.
int32_t GetObject(HGDIOBJ obj, int32_t size, void* buffer);
uint32_t GetObjectType(HGDIOBJ obj);  // OBJ_*; 0 for a bad handle
HGDIOBJ GetStockObject(int32_t index);
HGDIOBJ GetCurrentObject(HDC dc, uint32_t type);  // OBJ_PEN, OBJ_BRUSH, OBJ_FONT, OBJ_BITMAP, OBJ_PAL

HPEN CreatePen(int32_t style, int32_t width, COLORREF color);
// Style, end cap, join and type bits; the brush's colour is used (BS_SOLID or
// BS_HATCHED); a PS_USERSTYLE pen takes styleCount on/off lengths. Wide pens
// are drawn with round ends and joins whatever the cap and join bits say, and
// solid whatever their style.
HPEN ExtCreatePen(uint32_t style, uint32_t width, const LOGBRUSH& brush, uint32_t styleCount,
                  const uint32_t* styleEntries);
HBRUSH CreateSolidBrush(COLORREF color);
HBRUSH CreateHatchBrush(int32_t hatch, COLORREF color);
// The bitmap is copied; a monochrome bitmap paints 0 bits in the DC's text
// colour and 1 bits in its background colour.
HBRUSH CreatePatternBrush(HBITMAP bitmap);
HBRUSH CreateBrushIndirect(const LOGBRUSH& brush);
// Stores the description; faces are resolved when text is drawn or measured.
HFONT CreateFontIndirect(const LOGFONT& font);

HBITMAP CreateCompatibleBitmap(HDC dc, int32_t width, int32_t height);
// planes * bitsPerPixel of 1 makes a monochrome bitmap, else a 32-bit one
// (or 4/8/16/24 bits, kept as they are). bits: rows top-down, each padded to
// 16 bits; nullptr leaves the pixels zero.
HBITMAP CreateBitmap(int32_t width, int32_t height, uint32_t planes, uint32_t bitsPerPixel, const void* bits);
// A DIB section: one zeroed block, rows padded to 32 bits, bottom-up unless
// biHeight < 0; *bits receives the block. section must be nullptr.
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, uint32_t usage, void** bits, void* section, uint32_t offset);

// ================================================================================
// DC state
// ================================================================================

bool SetViewportOrgEx(HDC dc, int32_t x, int32_t y, TPoint* old);
bool GetViewportOrgEx(HDC dc, TPoint* org);
bool OffsetViewportOrgEx(HDC dc, int32_t dx, int32_t dy, TPoint* old);
bool SetWindowOrgEx(HDC dc, int32_t x, int32_t y, TPoint* old);
bool GetWindowOrgEx(HDC dc, TPoint* org);

// Clip regions are kept in device coordinates. SelectClipRgn copies the
// region (0 removes the clip) and answers the kind of the resulting visible
// area; ExtSelectClipRgn combines with mode RGN_*; Intersect/ExcludeClipRect
// take logical coordinates.
int32_t SelectClipRgn(HDC dc, HRGN rgn);
int32_t ExtSelectClipRgn(HDC dc, HRGN rgn, int32_t mode);
int32_t IntersectClipRect(HDC dc, int32_t left, int32_t top, int32_t right, int32_t bottom);
int32_t ExcludeClipRect(HDC dc, int32_t left, int32_t top, int32_t right, int32_t bottom);
// Box of what can be drawn (clip, system clip and the bitmap), logical.
int32_t GetClipBox(HDC dc, TRect* rect);
// Copies the clip region (device coordinates, without the system clip) into
// rgn: 1; no clip region: 0; failure: -1.
int32_t GetClipRgn(HDC dc, HRGN rgn);

int32_t SetROP2(HDC dc, int32_t mode);  // previous mode; 0 on failure
int32_t GetROP2(HDC dc);
int32_t SetBkMode(HDC dc, int32_t mode);
int32_t GetBkMode(HDC dc);
COLORREF SetBkColor(HDC dc, COLORREF color);  // previous; CLR_INVALID on failure
COLORREF GetBkColor(HDC dc);
COLORREF SetTextColor(HDC dc, COLORREF color);
COLORREF GetTextColor(HDC dc);
uint32_t SetTextAlign(HDC dc, uint32_t align);  // previous; GDI_ERROR on failure
uint32_t GetTextAlign(HDC dc);
int32_t SetStretchBltMode(HDC dc, int32_t mode);
int32_t GetStretchBltMode(HDC dc);
bool SetBrushOrgEx(HDC dc, int32_t x, int32_t y, TPoint* old);
bool GetBrushOrgEx(HDC dc, TPoint* org);
int32_t SetPolyFillMode(HDC dc, int32_t mode);
int32_t GetPolyFillMode(HDC dc);
int32_t SetArcDirection(HDC dc, int32_t direction);
int32_t GetArcDirection(HDC dc);
bool MoveToEx(HDC dc, int32_t x, int32_t y, TPoint* old);
bool GetCurrentPositionEx(HDC dc, TPoint* pos);

// SaveDC answers the new level (1, 2, ...), 0 on failure. RestoreDC takes a
// level or a negative count back from the latest (-1: the last saved).
int32_t SaveDC(HDC dc);
bool RestoreDC(HDC dc, int32_t saved);

// ================================================================================
// Drawing (logical coordinates)
// ================================================================================

// Lines leave out their end point and visit the pixels of RasterLine.
bool LineTo(HDC dc, int32_t x, int32_t y);
bool Polyline(HDC dc, const TPoint* points, int32_t count);
bool Polygon(HDC dc, const TPoint* points, int32_t count);
bool PolyPolygon(HDC dc, const TPoint* points, const int32_t* counts, int32_t polygons);
// Outline with the pen, inside with the brush, both through ROP2. With a
// null pen the filled area is one pixel smaller on the right and bottom.
bool Rectangle(HDC dc, int32_t left, int32_t top, int32_t right, int32_t bottom);
bool RoundRect(HDC dc, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t width, int32_t height);
bool Ellipse(HDC dc, int32_t left, int32_t top, int32_t right, int32_t bottom);
bool Arc(HDC dc, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t xStart, int32_t yStart, int32_t xEnd,
         int32_t yEnd);
bool Chord(HDC dc, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t xStart, int32_t yStart,
           int32_t xEnd, int32_t yEnd);
bool Pie(HDC dc, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t xStart, int32_t yStart, int32_t xEnd,
         int32_t yEnd);

// Pattern copies with the brush: pen and ROP2 are not used; a null brush
// draws nothing. Answers int like the platform (nonzero = success).
int32_t FillRect(HDC dc, const TRect& rect, HBRUSH brush);
int32_t FrameRect(HDC dc, const TRect& rect, HBRUSH brush);
bool InvertRect(HDC dc, const TRect& rect);
bool DrawFocusRect(HDC dc, const TRect& rect);  // XOR dots; drawing twice erases
// Regions are in logical coordinates. FillRgn and FrameRgn copy the brush's
// pattern; PaintRgn fills with the selected brush through ROP2.
bool FillRgn(HDC dc, HRGN rgn, HBRUSH brush);
bool FrameRgn(HDC dc, HRGN rgn, HBRUSH brush, int32_t width, int32_t height);
bool PaintRgn(HDC dc, HRGN rgn);

// SetPixel answers the colour set (nearest available), GetPixel the colour
// there; both CLR_INVALID outside the bitmap or the clip.
COLORREF SetPixel(HDC dc, int32_t x, int32_t y, COLORREF color);
COLORREF GetPixel(HDC dc, int32_t x, int32_t y);
// Fills with the selected brush from (x, y): the area bounded by `color`
// (FLOODFILLBORDER) or the area of that colour (FLOODFILLSURFACE).
bool ExtFloodFill(HDC dc, int32_t x, int32_t y, COLORREF color, uint32_t type);

// Calls proc for every pixel LineTo would draw (the end left out).
using LINEDDAPROC = void (*)(int32_t x, int32_t y, intptr_t data);
bool LineDDA(int32_t x1, int32_t y1, int32_t x2, int32_t y2, LINEDDAPROC proc, intptr_t data);

// GRADIENT_FILL_RECT_H / _V over GRADIENT_RECT meshes: channel = c1 + (c2 -
// c1) * i / (n - 1) (truncated) of the 8-bit values, colour 1 on the left or
// top pixel and colour 2 on the right or bottom one.
bool GradientFill(HDC dc, const TRIVERTEX* vertices, uint32_t vertexCount, const void* mesh, uint32_t meshCount,
                  uint32_t mode);
// Edges in the system colours; BF_ADJUST shrinks rect by the edges drawn.
bool DrawEdge(HDC dc, TRect& rect, uint32_t edge, uint32_t flags);
// cx, cy 0: the icon's own size. With flickerFreeBrush the area is filled with
// it first. step is ignored.
bool DrawIconEx(HDC dc, int32_t x, int32_t y, HICON icon, int32_t cx, int32_t cy, uint32_t step,
                HBRUSH flickerFreeBrush, uint32_t flags);

// ================================================================================
// Blits
// ================================================================================

// Source and destination in their DCs' logical coordinates. Pixels whose
// source lies outside the source bitmap are left alone. A monochrome source
// (1 bit, no colour table) gives the destination DC's text colour for 0 bits
// and its background colour for 1 bits; a colour source going to a monochrome
// bitmap gives 1 where it equals the source DC's background colour.
bool BitBlt(HDC dst, int32_t x, int32_t y, int32_t width, int32_t height, HDC src, int32_t xSrc, int32_t ySrc,
            uint32_t rop);
// Negative extents mirror. COLORONCOLOR (and BLACKONWHITE, WHITEONBLACK)
// sample source pixel ((2i + 1) * srcSize) div (2 * dstSize); HALFTONE
// averages the covered source area.
bool StretchBlt(HDC dst, int32_t x, int32_t y, int32_t width, int32_t height, HDC src, int32_t xSrc, int32_t ySrc,
                int32_t widthSrc, int32_t heightSrc, uint32_t rop);
bool PatBlt(HDC dc, int32_t x, int32_t y, int32_t width, int32_t height, uint32_t rop);
// Source rectangles of packed DIBs count rows from the bottom for bottom-up
// images, from the top for top-down ones. Answer the rows drawn, 0 on failure.
int32_t StretchDIBits(HDC dc, int32_t xDst, int32_t yDst, int32_t widthDst, int32_t heightDst, int32_t xSrc,
                      int32_t ySrc, int32_t widthSrc, int32_t heightSrc, const void* bits, const BITMAPINFO* info,
                      uint32_t usage, uint32_t rop);
int32_t SetDIBitsToDevice(HDC dc, int32_t xDst, int32_t yDst, uint32_t width, uint32_t height, int32_t xSrc,
                          int32_t ySrc, uint32_t startScan, uint32_t scanLines, const void* bits,
                          const BITMAPINFO* info, uint32_t usage);
// Copies scan lines of the bitmap into bits in the format info asks for
// (converting; a colour table for 8 bits and less is written after the
// header). bits nullptr: fills in the header (all of it when biBitCount is
// 0) and biSizeImage. Answers the lines copied (or 1 for the header), 0 on
// failure. The bitmap may be selected into dc.
int32_t GetDIBits(HDC dc, HBITMAP bitmap, uint32_t startScan, uint32_t scanLines, void* bits, BITMAPINFO* info,
                  uint32_t usage);

// ================================================================================
// Regions (device-independent; see region.h)
// ================================================================================

HRGN CreateRectRgn(int32_t left, int32_t top, int32_t right, int32_t bottom);
HRGN CreateRectRgnIndirect(const TRect& rect);
HRGN CreateRoundRectRgn(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t width, int32_t height);
HRGN CreateEllipticRgn(int32_t left, int32_t top, int32_t right, int32_t bottom);
HRGN CreatePolygonRgn(const TPoint* points, int32_t count, int32_t fillMode);
HRGN CreatePolyPolygonRgn(const TPoint* points, const int32_t* counts, int32_t polygons, int32_t fillMode);
// dst must exist; answers the kind of the result or ERROR.
int32_t CombineRgn(HRGN dst, HRGN src1, HRGN src2, int32_t mode);
int32_t OffsetRgn(HRGN rgn, int32_t dx, int32_t dy);
bool PtInRegion(HRGN rgn, int32_t x, int32_t y);
bool RectInRegion(HRGN rgn, const TRect& rect);
int32_t GetRgnBox(HRGN rgn, TRect* rect);
bool EqualRgn(HRGN a, HRGN b);
bool SetRectRgn(HRGN rgn, int32_t left, int32_t top, int32_t right, int32_t bottom);
// xform must be nullptr. The data is checked against size.
HRGN ExtCreateRegion(const void* xform, uint32_t size, const RGNDATA* data);
// Answers the bytes needed when data is nullptr or size is too small (data
// left alone), else the bytes written; 0 for a bad handle.
uint32_t GetRegionData(HRGN rgn, uint32_t size, RGNDATA* data);

// ================================================================================
// Colours and palettes
// ================================================================================

// One brush per system colour, owned by the system (DeleteObject ignores it).
HBRUSH GetSysColorBrush(int32_t index);

HPALETTE CreatePalette(const LOGPALETTE* palette);
uint32_t GetPaletteEntries(HPALETTE palette, uint32_t start, uint32_t count, PALETTEENTRY* entries);
uint32_t SetPaletteEntries(HPALETTE palette, uint32_t start, uint32_t count, const PALETTEENTRY* entries);
// Nearest entry by squared RGB distance, the first of equals; CLR_INVALID on failure.
uint32_t GetNearestPaletteIndex(HPALETTE palette, COLORREF color);
// Palettes only resolve PALETTEINDEX colours here; our screens are true colour.
HPALETTE SelectPalette(HDC dc, HPALETTE palette, bool forceBackground);
uint32_t RealizePalette(HDC dc);
// The colour table of the DIB section selected into dc.
uint32_t GetDIBColorTable(HDC dc, uint32_t start, uint32_t count, RGBQUAD* colors);
uint32_t SetDIBColorTable(HDC dc, uint32_t start, uint32_t count, const RGBQUAD* colors);

// ================================================================================
// Icons and cursors
// ================================================================================

// The bitmaps are copied. A 32-bit colour bitmap with any nonzero alpha is
// drawn by alpha blending; otherwise the mask is ANDed and the image XORed.
HICON CreateIconIndirect(const ICONINFO& info);
// Fills info with new copies of the bitmaps, which the caller deletes.
bool GetIconInfo(HICON icon, ICONINFO* info);
bool DestroyIcon(HICON icon);
// IMAGE_BITMAP, IMAGE_ICON or IMAGE_CURSOR, resized to cx x cy when nonzero.
// LR_COPYDELETEORG deletes the original, LR_MONOCHROME makes a monochrome
// copy, LR_CREATEDIBSECTION a DIB section.
void* CopyImage(void* image, uint32_t type, int32_t cx, int32_t cy, uint32_t flags);

// ================================================================================
// Device queries
// ================================================================================

// LOGPIXELSX/Y 96, BITSPIXEL 32, PLANES 1, HORZRES/VERTRES the screen size,
// RASTERCAPS RC_STRETCHBLT | RC_DI_BITMAP (and the other blit bits).
int32_t GetDeviceCaps(HDC dc, int32_t index);
