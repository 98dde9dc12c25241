#include "app/main/picturedate.h"

#include <utility>

#include "app/settings/marloutils.h"
#include "imaging/io/metadata/exifreader.h"
#include "platform/rtl/files.h"
#include "platform/rtl/strings.h"

namespace {
std::function<void(const String&)>& Observer() {
  static std::function<void(const String&)> observer;
  return observer;
}
}  // namespace

void SetPictureDateObserver(std::function<void(const String& Path)> Fn) { Observer() = std::move(Fn); }

TDateTime ReadExifDate(const String& Path) {
  try {
    TimgData data(255);
    data.ReadFromFile(Path);
    if (!data.HasEXIFSegment() || !data.ExifInfo) return 0;
    const TDateTime date = data.ExifInfo->GetDateTimeOriginal();
    return date > 0 ? date : 0;
  } catch (...) {
    return 0;
  }
}

TDateTime GetPictureDate(const String& Path) {
  if (Observer()) Observer()(Path);
  const String ext = AnsiUpperCase(ExtractFileExt(Path));
  if (ext == ".JPG" || ext == ".JPEG") {
    const TDateTime exif = ReadExifDate(Path);
    if (exif > 0) return exif;
  }
  return GetFileDate(Path);
}
