// Content detection: the format of an image from its bytes, so that a file
// with a wrong or missing extension still loads. A fixed chain of tests runs
// in a fixed order and the first match decides; most tests are the codecs'
// own, the block-header tests of streams saved with stream headers and the
// AVI test live here.
//
// Detection never raises: short or foreign data gives fcNone, and so does a
// read error or an exception anywhere in the chain.
#pragma once

#include "imaging/io/contract/ieformatcode.h"
#include "platform/rtl/types.h"

class TStream;

// The format of the image that starts at the stream's position, or fcNone.
// The size conditions use the stream's whole size (64-bit), not the bytes
// left after the position, so a page inside a container is judged from where
// it starts. The position is restored, except after an exception. Codes of
// rows registered at run time come back as they were registered.
TIEFormatCode IEDetectStreamFormat(TStream* Stream);

// The format of a file: fcNone for an empty name; fcTIFF for a ".tif" or
// ".tiff" name without reading the file; otherwise the stream detection of
// its content (fcNone when it cannot be opened). TIFF-structured content
// under an extension of the camera RAW row gives fcRAW. With Verify the
// result must agree with the extension's row (an icon or cursor content
// takes the row's code), else fcNone.
TIEFormatCode IEDetectFileFormat(const String& FileName, bool Verify = false);

// "RIFF" in bytes 0..3 and "AVI " in bytes 8..11 from the position; the
// position is restored.
bool IETestAVI(TStream* Stream);
