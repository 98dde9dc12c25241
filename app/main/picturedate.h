// The picture date every window uses: for sorting by date, the file
// information under the previews and the date tokens of names. One routine
// serves them all so the rule cannot drift between the tabs.
#pragma once

#include <functional>

#include "platform/rtl/types.h"

// The EXIF date of recording (DateTimeOriginal, else DateTimeDigitized) of a
// file, or 0 when it has none or cannot be read. Never raises.
TDateTime ReadExifDate(const String& Path);
// ReadExifDate for ".JPG" and ".JPEG" files (any case) when it is above 0;
// otherwise, and for every other extension, the file's last-write date.
TDateTime GetPictureDate(const String& Path);

// Called with the path at every GetPictureDate, so tests can count reads; an
// empty function removes it.
void SetPictureDateObserver(std::function<void(const String& Path)> Observer);
