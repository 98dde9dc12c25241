// Thumbnails: the freedesktop thumbnail cache (read, never written), our own
// JPEG, PNG and BMP decoders, and providers the application registers for
// other formats. Usable from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "platform/gui/gdi.h"
#include "platform/rtl/types.h"

// A picture: rows top-down, 3 bytes per pixel in B, G, R order, no padding.
struct TThumbImage {
  int32_t Width = 0;
  int32_t Height = 0;
  std::vector<uint8_t> Bgr;
};

// Pictures over this many pixels (a JPEG's after its DCT scaling) are not
// decoded.
inline constexpr int64_t ThumbnailMaxPixels = 100000000;

// The size that fits width x height into the box with the aspect kept,
// never enlarged, at least 1 x 1.
void ThumbnailFitSize(int32_t width, int32_t height, int32_t boxWidth, int32_t boxHeight, int32_t& outWidth,
                      int32_t& outHeight);
// Averages the picture down to the size (never up; a larger size copies).
bool ThumbnailBoxScale(const TThumbImage& in, int32_t width, int32_t height, TThumbImage& out);

// Decode within the data and fit the box (EXIF orientation applied for
// JPEG, alpha put over white for PNG). False for data that gives no picture.
bool DecodeJpegThumbnail(const uint8_t* data, size_t size, int32_t boxWidth, int32_t boxHeight, TThumbImage& out);
// texts, when given, receives the tEXt/zTXt/iTXt keys and values found
// before and after the image data.
bool DecodePngThumbnail(const uint8_t* data, size_t size, int32_t boxWidth, int32_t boxHeight, TThumbImage& out,
                        std::map<String, String>* texts = nullptr);

// The URI the thumbnail cache is keyed by: "file://" + the absolute path with
// unreserved characters and !$&'()*+,=:@/ kept and every other byte
// (";" too) as %XX in upper case.
String ThumbnailCacheUri(const String& path);

// A provider answers a 24-bit picture (a DIB section the caller deletes)
// that fits the box, or nullptr. extensions: "*.tif;*.gif" or ".tif;.gif".
using TThumbnailProvider = std::function<HBITMAP(const String& path, int32_t boxWidth, int32_t boxHeight)>;
void RegisterThumbnailProvider(const String& extensions, TThumbnailProvider provider);
void ClearThumbnailProviders();

// The thumbnail of a file, made on the calling thread: a 24-bit DIB section
// (bottom-up) fitting the box, or nullptr when the file gives no picture.
HBITMAP ExtractThumbnail(const String& path, int32_t boxWidth, int32_t boxHeight);
// A picture as a 24-bit DIB section (nullptr for an empty one).
HBITMAP ThumbImageToBitmap(const TThumbImage& image);
