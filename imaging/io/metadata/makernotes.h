// Recognition of the camera maker of a picture whose EXIF block holds a
// MakerNote. The maker note's own items are not decoded.
#pragma once

#include <cstdint>

#include "platform/rtl/types.h"

class TImageInfo;

class TmsInfo {
 public:
  TmsInfo(bool AIsTiff, TImageInfo* AParentInfo);

  // True for the makers whose notes are known, by the first five letters of
  // the make (case ignored); sets MakerName to the make then.
  bool RecognizeMaker(TImageInfo* AParentInfo);

  bool IsTiff;
  TImageInfo* ParentInfo;  // not owned
  int32_t MakerOffset;     // position of the maker note's value
  String MakerName;
};
