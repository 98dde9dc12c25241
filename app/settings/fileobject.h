// One entry of an input list of either tab, and the orders the lists sort by.
#pragma once

#include <cstdint>

#include "platform/rtl/object.h"
#include "platform/rtl/types.h"

// Owned by its tree node and freed with it; a new record is all zero.
class TMyFileObject : public TObject {
 public:
  const char* ClassName() const override { return "TMyFileObject"; }

  String Path;  // full path; a folder made with the new-folder command holds just its name
  String Name;  // display name: the file or folder name
  bool IsFolder = false;
  int64_t Size = 0;           // bytes; 0 for folders
  TDateTime FileDate = 0;     // last-write date, local time; 0 for folders
  TDateTime PictureDate = 0;  // 0 until a date sort fills it
};

// List comparators: negative when A sorts first, 0 when equal, positive when
// B does. Names compare in natural order on the upper-cased paths; the other
// orders fall back to the name order on a tie. The Desc forms exchange A and B.
int32_t CompareByName(const TMyFileObject* A, const TMyFileObject* B);
int32_t CompareBySize(const TMyFileObject* A, const TMyFileObject* B);
int32_t CompareByDate(const TMyFileObject* A, const TMyFileObject* B);
// By extension (with its dot), then by path.
int32_t CompareByType(const TMyFileObject* A, const TMyFileObject* B);
int32_t CompareByNameDesc(const TMyFileObject* A, const TMyFileObject* B);
int32_t CompareBySizeDesc(const TMyFileObject* A, const TMyFileObject* B);
int32_t CompareByDateDesc(const TMyFileObject* A, const TMyFileObject* B);
int32_t CompareByTypeDesc(const TMyFileObject* A, const TMyFileObject* B);
