// Imaging annotations of TIFF pages (the block of tag 32932): marks such as
// lines, text notes and embedded pictures. The block is a sequence of
// records: mark attributes (164 bytes, kept byte for byte) and named data
// blocks; the reader keeps each mark's attributes, line points, text and
// picture, and the writer puts them back with the group and index blocks.
// The reader takes untrusted bytes: every record, size and count is checked
// against the block.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/rtl/graphtypes.h"
#include "platform/rtl/types.h"

class TIEBitmap;

// One mark.
class TIEImagingObject {
 public:
  static constexpr int32_t AttributesSize = 164;

  TIEImagingObject();
  ~TIEImagingObject();
  TIEImagingObject(const TIEImagingObject&) = delete;
  TIEImagingObject& operator=(const TIEImagingObject&) = delete;

  // The mark-attributes record, little-endian. Offset 0: the mark type (1
  // embedded image; 1, 2 and 12 rotation data; 3 and 4 point lists; 7 to 10
  // text; below 1 no mark). Offset 48: the font height.
  std::array<uint8_t, AttributesSize> Attributes{};
  // The points of a line mark (types 3, 4).
  std::vector<TPoint> Points;
  // The text of a text mark (types 7 to 10).
  String Text;
  // The picture of an embedded-image mark (type 1); nil when none.
  std::unique_ptr<TIEBitmap> Image;

  int32_t PointCount() const { return static_cast<int32_t>(Points.size()); }
  int32_t MarkType() const;
  void SetMarkType(int32_t Value);
  int32_t FontHeight() const;
  void SetFontHeight(int32_t Value);
};

class TIEImagingAnnot {
 public:
  TIEImagingAnnot();
  ~TIEImagingAnnot();
  TIEImagingAnnot(const TIEImagingAnnot&) = delete;
  TIEImagingAnnot& operator=(const TIEImagingAnnot&) = delete;

  // The marks, in order, owned by the list.
  std::vector<std::unique_ptr<TIEImagingObject>>& Objects() { return FObjects; }
  int32_t Count() const { return static_cast<int32_t>(FObjects.size()); }

  void Clear() { FObjects.clear(); }
  // Clear, then a deep copy of every mark of Source; nothing for nil.
  void Assign(TIEImagingAnnot* Source);
  // Appends the marks of the block of Length bytes at Data. A text mark's
  // font height is rescaled from the block's creation scale to the screen
  // (kept as stored when the scale is 0). Reading stops at the first record
  // that does not fit in the block; the marks read before it are kept.
  void LoadFromBuffer(const void* Data, int64_t Length);
  // The block of all marks (empty when there are none), pictures as packed
  // DIBs, text at the screen's creation scale.
  void SaveToBuffer(std::vector<uint8_t>& Buffer) const;

 private:
  std::vector<std::unique_ptr<TIEImagingObject>> FObjects;
};

// The screen resolution in pixels per inch the annotations are read and
// written with: the screen's (96 in the headless backend) unless set here.
// Values of 0 return to the screen's.
void IESetAnnotScreenResolution(int32_t HRes, int32_t VRes);
