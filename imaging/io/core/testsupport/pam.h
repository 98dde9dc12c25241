// Reference images for reader and writer tests: a test-only reader and
// writer of netpbm files (PAM "P7" with its header, and the binary P4, P5,
// P6 through model testsupport's pnm.h), independent of the program's own
// PXM codec, and the conversions between those images and TIEBitmap.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TIEBitmap;

// One image: Depth samples per pixel, row-major from the top row, each in
// 0 .. MaxVal (1 .. 65535).
struct TPamImage {
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Depth = 3;
  int32_t MaxVal = 255;
  std::string TupleType = "RGB";  // BLACKANDWHITE, GRAYSCALE, RGB, and the _ALPHA forms
  std::vector<uint16_t> Samples;

  size_t Index(int32_t X, int32_t Y, int32_t Channel) const {
    return (static_cast<size_t>(Y) * static_cast<size_t>(Width) + static_cast<size_t>(X)) * static_cast<size_t>(Depth) +
           static_cast<size_t>(Channel);
  }
  uint16_t& At(int32_t X, int32_t Y, int32_t Channel = 0) { return Samples[Index(X, Y, Channel)]; }
  uint16_t At(int32_t X, int32_t Y, int32_t Channel = 0) const { return Samples[Index(X, Y, Channel)]; }
  friend bool operator==(const TPamImage&, const TPamImage&) = default;
};

// Every sample 0.
TPamImage MakePam(const std::string& TupleType, int32_t Width, int32_t Height, int32_t MaxVal = 255);

// Parses a whole P7 file, or a binary P4/P5/P6 (read as BLACKANDWHITE with
// 1 = white as PAM has it, GRAYSCALE, RGB). False with a reason for anything
// incomplete or inconsistent.
bool ParsePam(const std::vector<uint8_t>& Bytes, TPamImage& Image, std::string* Error = nullptr);
bool ReadPamFile(const std::string& Path, TPamImage& Image, std::string* Error = nullptr);
// P7 bytes: WIDTH, HEIGHT, DEPTH, MAXVAL, TUPLTYPE, ENDHDR; samples above 255
// big-endian 16-bit.
std::vector<uint8_t> FormatPam(const TPamImage& Image);
// Binary P6 (RGB), P5 (GRAYSCALE) or P4 (BLACKANDWHITE) bytes; empty for
// other tuple types.
std::vector<uint8_t> FormatPnmOf(const TPamImage& Image);
bool WritePamFile(const std::string& Path, const TPamImage& Image);

// Between images and bitmaps: BLACKANDWHITE <-> ie1g, GRAYSCALE <-> ie8g
// (ie16g above MaxVal 255), RGB <-> ie24RGB (ieRGB48 above 255), the _ALPHA
// forms add the bitmap's alpha channel. Samples are scaled to the bitmap's
// range when MaxVal is not 1, 255 or 65535. BitmapToPam gives ie8p as RGB of
// its palette and an empty image for formats it does not take.
void PamToBitmap(const TPamImage& Image, TIEBitmap& Bitmap);
TPamImage BitmapToPam(TIEBitmap& Bitmap);

// The largest difference of one sample between a bitmap and an image of the
// same size and depth (after BitmapToPam), or -1 when their shapes differ.
int32_t PamMaxDifference(TIEBitmap& Bitmap, const TPamImage& Image);
