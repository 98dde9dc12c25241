// Private to the thumbnail sources: area averaging of rows as they are
// decoded, and orientation.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/shellapi/thumbnails.h"

// Averages rows of a srcWidth x srcHeight picture (B, G, R per pixel, fed
// top-down one row at a time) down to dstWidth x dstHeight.
class TBoxAccumulator {
 public:
  TBoxAccumulator(int32_t srcWidth, int32_t srcHeight, int32_t dstWidth, int32_t dstHeight);
  void AddRow(const uint8_t* bgr);
  // The picture once every source row was added; false before.
  bool Finish(TThumbImage& out);

 private:
  void Flush();
  int32_t FSrcW, FSrcH, FDstW, FDstH;
  int32_t FRow = 0;
  int32_t FTargetRow = 0;
  std::vector<uint32_t> FSum;
  std::vector<uint32_t> FCount;
  TThumbImage FOut;
};

// Applies an EXIF orientation (1 to 8; others change nothing): 2 mirror,
// 3 rotate 180, 4 flip, 5 transpose, 6 rotate 90 clockwise, 7 transverse,
// 8 rotate 90 counter-clockwise.
TThumbImage Orient(const TThumbImage& in, int orientation);
inline bool OrientationSwaps(int orientation) { return orientation >= 5 && orientation <= 8; }
// The EXIF orientation in an APP1 payload ("Exif\0\0" + TIFF); 1 when absent.
int ExifOrientation(const uint8_t* data, size_t size);
