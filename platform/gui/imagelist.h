// Image lists: numbered images of one size, each with a mask, drawn onto
// device contexts normally, transparently, as their mask, blended with a
// colour, or greyed out.
//
// Handles are ids into a table: a destroyed or foreign handle makes a call
// fail (false, -1, CLR_NONE), never crash. Images are kept in true colour.
#pragma once

#include <cstdint>

#include "platform/gui/gdi.h"

struct HIMAGELIST__;
using HIMAGELIST = HIMAGELIST__*;

// ImageList_Create flags. The colour depth is accepted and not acted on.
inline constexpr uint32_t ILC_MASK = 0x0001;
inline constexpr uint32_t ILC_COLOR = 0x0000;
inline constexpr uint32_t ILC_COLORDDB = 0x00FE;
inline constexpr uint32_t ILC_COLOR4 = 0x0004;
inline constexpr uint32_t ILC_COLOR8 = 0x0008;
inline constexpr uint32_t ILC_COLOR16 = 0x0010;
inline constexpr uint32_t ILC_COLOR24 = 0x0018;
inline constexpr uint32_t ILC_COLOR32 = 0x0020;

// Draw styles.
inline constexpr uint32_t ILD_NORMAL = 0x0000;       // masked parts in the background colour,
                                                     // or left alone when it is CLR_NONE
inline constexpr uint32_t ILD_TRANSPARENT = 0x0001;  // masked parts left alone
inline constexpr uint32_t ILD_BLEND25 = 0x0002;      // 25 % of the foreground colour
inline constexpr uint32_t ILD_FOCUS = ILD_BLEND25;
inline constexpr uint32_t ILD_BLEND50 = 0x0004;  // 50 % of the foreground colour
inline constexpr uint32_t ILD_SELECTED = ILD_BLEND50;
inline constexpr uint32_t ILD_BLEND = ILD_BLEND50;
inline constexpr uint32_t ILD_MASK = 0x0010;  // the mask: image in the DC's text colour, the
                                              // masked parts in its background colour
// Overlay o (1..15) of the list's overlay table drawn over the image.
inline constexpr uint32_t ILD_OVERLAYMASK = 0x0F00;
inline constexpr uint32_t INDEXTOOVERLAYMASK(uint32_t overlay) { return overlay << 8; }

// cx x cy images; ILC_MASK gives every image a mask. initial and grow are
// capacity hints. nullptr for a size below 1.
HIMAGELIST ImageList_Create(int32_t cx, int32_t cy, uint32_t flags, int32_t initial, int32_t grow);
bool ImageList_Destroy(HIMAGELIST list);
// Marks the list as the system's (shared by the whole process): from then on
// ImageList_Destroy and the calls that change the list (adding, replacing,
// removing, the background colour, overlays) fail on it. False for a bad
// handle.
bool ImageList_SetSystemOwned(HIMAGELIST list);

// Adds the images side by side in image (its width div cx of them, from its
// top rows). In mask, white marks the transparent pixels; without one every
// pixel is opaque. Answers the index of the first image added, -1 on
// failure. The bitmaps are copied.
int32_t ImageList_Add(HIMAGELIST list, HBITMAP image, HBITMAP mask);
// As ImageList_Add with the pixels of maskColor (0x00BBGGRR) transparent;
// the stored images have those pixels black.
int32_t ImageList_AddMasked(HIMAGELIST list, HBITMAP image, COLORREF maskColor);
// Replaces image index by the first image of image/mask.
bool ImageList_Replace(HIMAGELIST list, int32_t index, HBITMAP image, HBITMAP mask);
// Removes one image (-1: all); later images move down.
bool ImageList_Remove(HIMAGELIST list, int32_t index);
int32_t ImageList_GetImageCount(HIMAGELIST list);  // -1 for a bad handle
bool ImageList_GetIconSize(HIMAGELIST list, int32_t* cx, int32_t* cy);
// The background colour used by ILD_NORMAL (CLR_NONE at first); Set answers
// the previous one.
COLORREF ImageList_SetBkColor(HIMAGELIST list, COLORREF color);
COLORREF ImageList_GetBkColor(HIMAGELIST list);

// Makes image the list's overlay number overlay (1..15) for the overlay bits
// of the draw styles; false for a bad image or number.
bool ImageList_SetOverlayImage(HIMAGELIST list, int32_t image, int32_t overlay);

// Draws image index at logical (x, y) of dc, through its clip; the overlay
// named by the style's ILD_OVERLAYMASK bits is drawn over it in the same way.
bool ImageList_Draw(HIMAGELIST list, int32_t index, HDC dc, int32_t x, int32_t y, uint32_t style);
// dx, dy: the part of the image drawn from its top-left (0: all). bk:
// background for ILD_NORMAL (CLR_DEFAULT: the list's; CLR_NONE: none). fg:
// the colour blended in by ILD_BLEND25/50 (CLR_DEFAULT: the system highlight
// colour; CLR_NONE: the destination pixels). Blending weighs the colour by
// 64 or 128 out of 255 with rounding, so 0 would keep the image exactly.
bool ImageList_DrawEx(HIMAGELIST list, int32_t index, HDC dc, int32_t x, int32_t y, int32_t dx, int32_t dy, COLORREF bk,
                      COLORREF fg, uint32_t style);
// The greyed look of a disabled image: its opaque pixels in clBtnHighlight
// one pixel right and down, then in clBtnShadow at (x, y).
bool ImageList_DrawDisabled(HIMAGELIST list, int32_t index, HDC dc, int32_t x, int32_t y);
