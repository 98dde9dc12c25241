// Gives a bitmap another row access while a scope lasts, and puts the old one
// back at its end (also when an exception leaves the scope). Read-only rows of
// a file image are not written back when they are let go; write-only rows are
// not read from the file.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

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

// Source and destination rows of a copy between bitmaps (or within one).
// When both are one bitmap the source row is copied aside first: a file
// image's next ScanLine would replace it, and memory rows may overlap.
// Rows only read from another bitmap are not written back to its file.
class TIERowPair {
 public:
  TIERowPair(TIEBitmap* Source, TIEBitmap* Dest) : FSource(Source), FDest(Dest) {
    if (Source != Dest) FReadOnly.emplace(Source, kIEReadOnly);
    if (Source == Dest) FAside.resize(static_cast<size_t>(Source->RowLen()));
  }
  // Fetches source row SourceRow (first) and then destination row DestRow.
  void Fetch(int32_t SourceRow, int32_t DestRow) {
    const void* s = FSource->ScanLine(SourceRow);
    if (!FAside.empty()) {
      std::memcpy(FAside.data(), s, FAside.size());
      s = FAside.data();
    }
    Source = static_cast<const uint8_t*>(s);
    Dest = static_cast<uint8_t*>(FDest->ScanLine(DestRow));
  }
  const uint8_t* Source = nullptr;
  uint8_t* Dest = nullptr;

 private:
  TIEBitmap* FSource;
  TIEBitmap* FDest;
  std::optional<TIEAccessScope> FReadOnly;
  std::vector<uint8_t> FAside;
};
