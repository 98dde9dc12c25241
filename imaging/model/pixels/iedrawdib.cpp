#include "imaging/model/pixels/iedrawdib.h"

#include <vector>

#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/pixels/iedib.h"
#include "platform/rtl/byteorder.h"

// The platform keeps decompressor state here; decoding needs none.
struct TIEDrawDib {};

HDRAWDIB IEDrawDibOpen() { return new TIEDrawDib; }

bool IEDrawDibClose(HDRAWDIB Handle) {
  if (!Handle) return false;
  delete Handle;
  return true;
}

uint32_t IEDrawDibRealize(HDRAWDIB, HDC, bool) { return 0; }

bool IEDrawDibDraw(HDRAWDIB Handle, HDC DC, int32_t XDst, int32_t YDst, int32_t WDst, int32_t HDst, const uint8_t* DIB,
                   size_t Length, const uint8_t* Bits, size_t BitsLength, int32_t XSrc, int32_t YSrc, int32_t WSrc,
                   int32_t HSrc, uint32_t /*Flags*/) {
  if (!Handle || !DC || !DIB || Length < sizeof(BITMAPINFOHEADER)) return false;
  BITMAPINFOHEADER header;
  header.biBitCount = GetLE16(DIB + 14);
  header.biCompression = GetLE32(DIB + 16);
  if (!IEDIBIsDecodable(header)) return false;

  TIEBitmap picture;
  DIBToIEBitmap(DIB, Length, &picture, Bits, BitsLength);
  if (picture.IsEmpty()) return false;
  const int32_t width = picture.Width(), height = picture.Height();
  if (WSrc <= 0 || HSrc <= 0) {
    XSrc = 0;
    YSrc = 0;
    WSrc = width;
    HSrc = height;
  }
  if (WDst <= 0 || HDst <= 0) {
    WDst = WSrc;
    HDst = HSrc;
  }
  // As a plain 1-bit or 24-bit DIB (bottom-up) for the blit.
  const std::vector<uint8_t> plain = IEBitmapToDIB(&picture);
  const auto* info = reinterpret_cast<const BITMAPINFO*>(plain.data());
  const size_t table = picture.PixelFormat() == TIEPixelFormat::ie1g ? 8 : 0;
  const uint8_t* rows = plain.data() + sizeof(BITMAPINFOHEADER) + table;
  return StretchDIBits(DC, XDst, YDst, WDst, HDst, XSrc, height - YSrc - HSrc, WSrc, HSrc, rows, info, DIB_RGB_COLORS,
                       SRCCOPY) > 0;
}
