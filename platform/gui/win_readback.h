// Reading back what the window system shows: a window's own pixels (its
// surface, as painted) and the desktop as the user sees it (the visible
// top-level windows composed in z-order with their regions, opacity and
// colour keys), and writing such pictures as PNG files.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gui/gdi.h"
#include "platform/gui/graphics.h"
#include "platform/gui/windows.h"

// The window's pixels from its top-level window's surface: the whole window
// rectangle (withFrame) or the client area. A pf32bit bitmap; nullptr for an
// invalid or message-only window.
std::unique_ptr<TBitmap> WindowPixels(HWND hwnd, bool withFrame);
// The virtual screen: the desktop colour, then every visible top-level window
// from the bottom of the z-order up, through its window region, with its
// layered colour key and opacity. A pf32bit bitmap whose top-left pixel is the
// virtual screen's top-left corner.
std::unique_ptr<TBitmap> DesktopPixels();

// The same as DIB sections the caller deletes.
HBITMAP WindowPixelsDib(HWND hwnd, bool withFrame);
HBITMAP DesktopPixelsDib();

// 8-bit RGB PNG of a bitmap (any format the drawing layer holds; alpha is
// not kept). EncodePng answers the file's bytes; SavePng writes them through
// a temporary file renamed into place. False on any failure (libpng's
// errors included), leaving an existing file alone.
bool EncodePng(HBITMAP bitmap, std::vector<uint8_t>& out);
bool SavePng(HBITMAP bitmap, const String& fileName);
bool SavePng(const TBitmap& bitmap, const String& fileName);
