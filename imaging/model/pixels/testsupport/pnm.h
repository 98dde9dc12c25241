// Test support: a small reader and writer of binary PBM, PGM and PPM files
// (P4, P5, P6; 8- and 16-bit samples) for fixtures and for cross-checks with
// the netpbm tools, and a way to run those tools. Not the program's codec.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/rtl/tools_testing.h"  // HaveTool

class TIEBitmap;

// One image: Channels is 1 (PBM, PGM) or 3 (PPM); samples are row-major from
// the top row, Channels per pixel, each in 0 .. MaxVal. A PBM holds 0 for
// white and 1 for black, as the file does, with MaxVal 1.
struct TPnmImage {
  char Kind = '6';  // '4' PBM, '5' PGM, '6' PPM
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t MaxVal = 255;
  int32_t Channels = 3;
  std::vector<uint16_t> Samples;

  size_t Index(int32_t X, int32_t Y, int32_t Channel) const {
    return (static_cast<size_t>(Y) * static_cast<size_t>(Width) + static_cast<size_t>(X)) *
               static_cast<size_t>(Channels) +
           static_cast<size_t>(Channel);
  }
  uint16_t& At(int32_t X, int32_t Y, int32_t Channel = 0) { return Samples[Index(X, Y, Channel)]; }
  uint16_t At(int32_t X, int32_t Y, int32_t Channel = 0) const { return Samples[Index(X, Y, Channel)]; }
  friend bool operator==(const TPnmImage&, const TPnmImage&) = default;
};

// An empty image of the kind given, every sample 0.
TPnmImage MakePnm(char Kind, int32_t Width, int32_t Height, int32_t MaxVal = 255);

// Parses a whole file's bytes; false (with a reason in Error) for anything
// that is not a complete binary PBM/PGM/PPM. Comments in the header are
// skipped; bytes after the raster are ignored.
bool ParsePnm(const std::vector<uint8_t>& Bytes, TPnmImage& Image, std::string* Error = nullptr);
bool ReadPnmFile(const std::string& Path, TPnmImage& Image, std::string* Error = nullptr);
// The file's bytes: header "P<kind>\n<w> <h>\n[<maxval>\n]" and the raster,
// 16-bit samples big-endian when MaxVal > 255.
std::vector<uint8_t> FormatPnm(const TPnmImage& Image);
bool WritePnmFile(const std::string& Path, const TPnmImage& Image);

// Between images and bitmaps: PBM <-> ie1g (black and white swapped to the
// bitmap's 1 = white), PGM <-> ie8g or ie16g, PPM <-> ie24RGB or ieRGB48 by
// MaxVal (samples above 255 are 16-bit formats, which keep them as they are
// without scaling). BitmapToPnm also takes ie8p (as PPM of its palette
// colours); other formats give an empty image.
void PnmToBitmap(const TPnmImage& Image, TIEBitmap& Bitmap);
TPnmImage BitmapToPnm(TIEBitmap& Bitmap);

// Runs Argv (Argv[0] looked up on PATH, no shell) with standard output sent
// to OutputPath when it is not empty and standard error discarded. Returns
// the exit status, or -1 when the program could not be run.
int RunTool(const std::vector<std::string>& Argv, const std::string& OutputPath = std::string());
// Cross-check guards of the image library's tests, over the platform's tool
// runner: a missing tool fails under CI and skips otherwise.
inline bool IERunningInCI() { return RunningInCI(); }
#define IE_REQUIRE_TOOL(Tool, Package) REQUIRE_TOOL(Tool, Package)
