// The two JPEG writers of JPEG-to-JPEG conversions: one keeps the source's
// raw EXIF block (maker notes included) with the new resolution, the new
// size and Orientation 1, the other writes no EXIF at all.
#pragma once

#include "platform/rtl/types.h"

class TbsSkinMessage;
class TImgIO;
class TImgView;
class TStream;

// Encodes the view's image into Target keeping Source's metadata segments
// when KeepExif, else without EXIF. False when nothing complete was written;
// with ShowErrors and a Messager the failure is shown in an error box.
bool SaveJpegWithSourceExif(TImgView* View, const String& Source, const String& Target, bool KeepExif, bool ShowErrors,
                            TbsSkinMessage* Messager = nullptr);
// Encodes the view's bitmap with the view's JPEG options and no EXIF, into
// Stream when given, else into the file Target. False on any failure.
bool SaveJpegWithoutExif(TImgView* View, const String& Target, TStream* Stream);
