// How many images a file holds and with which JPEG quality a JPEG was
// written, without loading the file into a component. Each function opens
// the file itself, read-only and denying writes to others, and closes it
// before returning. Only IECountGIFFrames catches errors; the others let
// file errors and the codecs' exceptions pass.
#pragma once

#include <cstdint>

#include "platform/rtl/types.h"

class TStream;

int32_t IECountTIFFPages(const String& FileName);
// 0 for a file that is not a GIF or cannot be read.
int32_t IECountGIFFrames(const String& FileName);
int32_t IECountDCXPages(const String& FileName);
int32_t IECountICOImages(const String& FileName);
// By the format registered for the name's extension: the page, frame or
// image count of TIFF, GIF, ICO and DCX, 1 for every other registered
// format; names no format claims are asked of the media reader (0 when it
// cannot play them).
int32_t IECountFileImages(const String& FileName);

// The mean (integer division) of the quality estimates of the tables of the
// first DQT segment; 0 when the stream holds no quantization table, which
// callers read as "unknown" (a quality is 1..100).
int32_t IEEstimateStreamJPEGQuality(TStream* Stream);
int32_t IEEstimateFileJPEGQuality(const String& FileName);
