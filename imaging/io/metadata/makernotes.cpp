#include "imaging/io/metadata/makernotes.h"

#include "imaging/io/metadata/exifreader.h"
#include "platform/rtl/strings.h"

TmsInfo::TmsInfo(bool AIsTiff, TImageInfo* AParentInfo)
    : IsTiff(AIsTiff), ParentInfo(AParentInfo), MakerOffset(AParentInfo ? AParentInfo->MakerNotePos : 0) {}

bool TmsInfo::RecognizeMaker(TImageInfo* AParentInfo) {
  if (!AParentInfo) return false;
  static const char* const kKeys[] = {"NIKON", "OLYMP", "CASIO", "FUJIF", "CANON", "SEIKO", "SANYO", "MINOL"};
  const String key = UpperCase(Copy(AParentInfo->CameraMake, 1, 5));
  for (const char* k : kKeys)
    if (key == k) {
      MakerName = AParentInfo->CameraMake;
      return true;
    }
  return false;
}
