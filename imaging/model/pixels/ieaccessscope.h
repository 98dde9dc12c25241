// Gives a bitmap another row access while a scope lasts, and puts the old one
// back at its end (also when an exception leaves the scope). Read-only rows of
// a file image are not written back when they are let go; write-only rows are
// not read from the file.
#pragma once

#include "imaging/model/pixels/iebitmap.h"

class TIEAccessScope {
 public:
  TIEAccessScope(TIEBaseBitmap* Bitmap, const TIEDataAccess& Access) : FBitmap(Bitmap), FSaved(Bitmap->Access()) {
    Bitmap->SetAccess(Access);
  }
  ~TIEAccessScope() { FBitmap->SetAccess(FSaved); }
  TIEAccessScope(const TIEAccessScope&) = delete;
  TIEAccessScope& operator=(const TIEAccessScope&) = delete;

 private:
  TIEBaseBitmap* FBitmap;
  TIEDataAccess FSaved;
};
