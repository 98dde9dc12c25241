#include "imaging/model/containers/ieannot.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <limits>

#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/pixels/iedib.h"
#include "platform/gui/gdi.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/byteorder.h"

namespace {

constexpr int32_t kRecordDefaultBlock = 2;
constexpr int32_t kRecordAttributes = 5;
constexpr int32_t kRecordMarkBlock = 6;
constexpr int32_t kNamedBlockRecordSize = 12;
constexpr int32_t kTypeOffset = 0;
constexpr int32_t kFontHeightOffset = 48;
constexpr size_t kRotationDataSize = 56;

std::atomic<int32_t> GHResOverride{0};
std::atomic<int32_t> GVResOverride{0};

void ScreenResolution(int32_t& HRes, int32_t& VRes) {
  HRes = GHResOverride.load();
  VRes = GVResOverride.load();
  if (HRes > 0 && VRes > 0) return;
  HDC dc = CreateCompatibleDC(nullptr);
  HRes = dc ? GetDeviceCaps(dc, LOGPIXELSX) : 0;
  VRes = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 0;
  if (dc) DeleteDC(dc);
  if (HRes <= 0) HRes = 96;
  if (VRes <= 0) VRes = 96;
}

int32_t Le32(const uint8_t* p) { return static_cast<int32_t>(GetLE32(p)); }
void SetLe32(uint8_t* p, int32_t v) { PutLE32(p, static_cast<uint32_t>(v)); }

// A named block's data inside the buffer being read.
struct TBlockSpan {
  const uint8_t* Data = nullptr;
  int64_t Size = 0;
  bool Present = false;
};

// What has been read of the current mark.
struct TMarkState {
  std::array<uint8_t, TIEImagingObject::AttributesSize> Attributes{};
  TBlockSpan AnoDat, DIB, AnText;

  void ClearBlocks() { AnoDat = DIB = AnText = TBlockSpan{}; }
};

// Reads a named block at Pos (just past its record header): an 8-byte name,
// a data size of 4 bytes (8 when WideSizes), the data. False when any of it
// lies beyond the block.
bool ReadNamedBlock(const uint8_t* P, int64_t Length, int64_t& Pos, bool WideSizes, String& Name, TBlockSpan& Span) {
  const int64_t sizeBytes = WideSizes ? 8 : 4;
  if (Length - Pos < 8 + sizeBytes) return false;
  const uint8_t* name = P + Pos;
  Name.assign(reinterpret_cast<const char*>(name), size_t(std::find(name, name + 8, 0) - name));
  Pos += 8;
  uint64_t size = static_cast<uint32_t>(Le32(P + Pos));
  if (WideSizes) size |= uint64_t(static_cast<uint32_t>(Le32(P + Pos + 4))) << 32;
  Pos += sizeBytes;
  if (size > uint64_t(Length - Pos)) return false;
  Span = TBlockSpan{P + Pos, int64_t(size), true};
  Pos += int64_t(size);
  return true;
}

// Whether a packed DIB's header is sound and describes no more pixel data
// than the DIB holds, so that the picture made from it stays in proportion
// to the block.
bool DIBFits(const TBlockSpan& Dib) {
  if (Dib.Size < 40) return false;
  const int64_t width = Le32(Dib.Data + 4), height = Le32(Dib.Data + 8);
  const int64_t bits = Dib.Data[14] | (Dib.Data[15] << 8);
  const uint32_t compression = static_cast<uint32_t>(Le32(Dib.Data + 16));
  if (width <= 0 || height == 0 || bits == 0) return false;
  // One bit per pixel exists only uncompressed; a 1-bit header on a video
  // frame is not a picture.
  if (bits == 1 && compression != 0) return false;
  const int64_t rowBytes = (width * bits + 31) / 32 * 4;
  const int64_t available = Dib.Size - 40;
  const int64_t rows = height < 0 ? -height : height;
  return rowBytes <= available && rows <= available / rowBytes;
}

int32_t ClampToInt32(double Value) {
  if (Value >= double(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
  if (Value <= double(std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(Round(Value));
}

std::unique_ptr<TIEImagingObject> FinishMark(const TMarkState& Mark, int32_t VRes) {
  const int32_t type = Le32(Mark.Attributes.data() + kTypeOffset);
  if (type < 1) return nullptr;
  auto object = std::make_unique<TIEImagingObject>();
  object->Attributes = Mark.Attributes;
  if (type == 1 && Mark.DIB.Present && DIBFits(Mark.DIB)) {
    auto image = std::make_unique<TIEBitmap>();
    DIBToIEBitmap(Mark.DIB.Data, size_t(Mark.DIB.Size), image.get());
    if (!image->IsEmpty()) object->Image = std::move(image);
  }
  if ((type == 3 || type == 4) && Mark.AnoDat.Present && Mark.AnoDat.Size >= 8) {
    const int64_t stated = std::max(Le32(Mark.AnoDat.Data + 4), 0);
    const int64_t count = std::min(stated, (Mark.AnoDat.Size - 8) / 8);
    object->Points.resize(size_t(count));
    for (int64_t i = 0; i < count; ++i) {
      const uint8_t* p = Mark.AnoDat.Data + 8 + 8 * i;
      object->Points[size_t(i)] = TPoint{Le32(p), Le32(p + 4)};
    }
  }
  if (type >= 7 && type <= 10 && Mark.AnText.Present && Mark.AnText.Size >= 16) {
    const uint8_t* p = Mark.AnText.Data;
    const int32_t scale = Le32(p + 8);
    const int64_t length = std::min<int64_t>(std::max(Le32(p + 12), 0), Mark.AnText.Size - 16);
    const uint8_t* text = p + 16;
    object->Text.assign(reinterpret_cast<const char*>(text), size_t(std::find(text, text + length, 0) - text));
    // Font heights are stored at the creation scale; 0 gives no scale to
    // undo.
    if (scale != 0) object->SetFontHeight(ClampToInt32(72000.0 / scale * object->FontHeight() / VRes));
  }
  return object;
}

// Writes records into a growing block.
class TBlockWriter {
 public:
  std::vector<uint8_t> Out;

  void Int(int32_t Value) {
    const size_t at = Out.size();
    Out.resize(at + 4);
    SetLe32(Out.data() + at, Value);
  }
  void Bytes(const void* Data, size_t Size) {
    const auto* p = static_cast<const uint8_t*>(Data);
    Out.insert(Out.end(), p, p + Size);
  }
  // Opens a named-block record; its data follows until EndBlock patches the
  // size in.
  void BeginBlock(int32_t RecordType, const char* Name) {
    Int(RecordType);
    Int(kNamedBlockRecordSize);
    char name[8] = {};
    std::memcpy(name, Name, std::min(std::strlen(Name), sizeof(name)));
    Bytes(name, sizeof(name));
    FSizeAt = Out.size();
    Int(0);
  }
  void EndBlock() { SetLe32(Out.data() + FSizeAt, static_cast<int32_t>(Out.size() - FSizeAt - 4)); }
  void TextBlock(int32_t RecordType, const char* Name, const String& Text) {
    BeginBlock(RecordType, Name);
    Bytes(Text.c_str(), Text.size() + 1);
    EndBlock();
  }

 private:
  size_t FSizeAt = 0;
};

}  // namespace

// ---- TIEImagingObject ---------------------------------------------------------------------

TIEImagingObject::TIEImagingObject() = default;
TIEImagingObject::~TIEImagingObject() = default;

int32_t TIEImagingObject::MarkType() const { return Le32(Attributes.data() + kTypeOffset); }
void TIEImagingObject::SetMarkType(int32_t Value) { SetLe32(Attributes.data() + kTypeOffset, Value); }
int32_t TIEImagingObject::FontHeight() const { return Le32(Attributes.data() + kFontHeightOffset); }
void TIEImagingObject::SetFontHeight(int32_t Value) { SetLe32(Attributes.data() + kFontHeightOffset, Value); }

// ---- TIEImagingAnnot ----------------------------------------------------------------------

TIEImagingAnnot::TIEImagingAnnot() = default;
TIEImagingAnnot::~TIEImagingAnnot() = default;

void TIEImagingAnnot::Assign(TIEImagingAnnot* Source) {
  if (!Source || Source == this) return;
  Clear();
  for (const auto& source : Source->FObjects) {
    auto object = std::make_unique<TIEImagingObject>();
    object->Attributes = source->Attributes;
    object->Points = source->Points;
    object->Text = source->Text;
    if (source->Image) {
      object->Image = std::make_unique<TIEBitmap>();
      object->Image->Assign(source->Image.get());
    }
    FObjects.push_back(std::move(object));
  }
}

void TIEImagingAnnot::LoadFromBuffer(const void* Data, int64_t Length) {
  const auto* p = static_cast<const uint8_t*>(Data);
  if (!p || Length < 8) return;
  const bool wideSizes = Le32(p + 4) == 0;
  int32_t hRes, vRes;
  ScreenResolution(hRes, vRes);
  TMarkState mark;
  auto finish = [&] {
    if (auto object = FinishMark(mark, vRes)) FObjects.push_back(std::move(object));
  };
  int64_t pos = 8;
  String name;
  while (Length - pos >= 8) {
    const int32_t type = Le32(p + pos);
    pos += 8;
    if (type == kRecordDefaultBlock || type == kRecordMarkBlock) {
      TBlockSpan span;
      if (!ReadNamedBlock(p, Length, pos, wideSizes, name, span)) break;
      // Blocks of the default holder (group, index, file name) and the
      // rotation data are not kept.
      if (type == kRecordMarkBlock) {
        if (name == "OiAnoDat")
          mark.AnoDat = span;
        else if (name == "OiDIB")
          mark.DIB = span;
        else if (name == "OiAnText")
          mark.AnText = span;
      }
    } else if (type == kRecordAttributes) {
      finish();
      mark = TMarkState{};
      if (Length - pos < TIEImagingObject::AttributesSize) break;
      std::memcpy(mark.Attributes.data(), p + pos, TIEImagingObject::AttributesSize);
      pos += TIEImagingObject::AttributesSize;
    }
    // Any other record type is passed over by its 8 header bytes.
  }
  finish();
}

void TIEImagingAnnot::SaveToBuffer(std::vector<uint8_t>& Buffer) const {
  Buffer.clear();
  if (FObjects.empty()) return;
  int32_t hRes, vRes;
  ScreenResolution(hRes, vRes);
  TBlockWriter w;
  w.Int(0);
  w.Int(1);  // 4-byte data sizes
  w.TextBlock(kRecordDefaultBlock, "OiGroup", "0");
  w.TextBlock(kRecordDefaultBlock, "OiIndex", "1");
  for (size_t i = 0; i < FObjects.size(); ++i) {
    const TIEImagingObject& object = *FObjects[i];
    w.Int(kRecordAttributes);
    w.Int(TIEImagingObject::AttributesSize);
    w.Bytes(object.Attributes.data(), object.Attributes.size());
    const int32_t type = object.MarkType();
    if (type == 1) {
      w.BeginBlock(kRecordMarkBlock, "OiAnoDat");
      for (int32_t v : {1, 1000, hRes, vRes, hRes, vRes, 0, 0}) w.Int(v);
      const uint8_t reserved[kRotationDataSize - 32] = {};
      w.Bytes(reserved, sizeof(reserved));
      w.EndBlock();
      if (object.Image) {
        const std::vector<uint8_t> dib = IEBitmapToDIB(object.Image.get());
        w.BeginBlock(kRecordMarkBlock, "OiDIB");
        w.Bytes(dib.data(), dib.size());
        w.EndBlock();
      }
    } else if (type == 3 || type == 4) {
      w.BeginBlock(kRecordMarkBlock, "OiAnoDat");
      w.Int(object.PointCount());
      w.Int(object.PointCount());
      for (const TPoint& pt : object.Points) {
        w.Int(pt.X);
        w.Int(pt.Y);
      }
      w.EndBlock();
    } else if (type >= 7 && type <= 10) {
      w.BeginBlock(kRecordMarkBlock, "OiAnText");
      w.Int(0);
      w.Int(1000);
      w.Int(72000 / vRes);
      w.Int(static_cast<int32_t>(object.Text.size()));
      w.Bytes(object.Text.c_str(), object.Text.size() + 1);
      w.EndBlock();
    }
    w.TextBlock(kRecordMarkBlock, "OiGroup", "0");
    w.TextBlock(kRecordMarkBlock, "OiIndex", IntToStr(static_cast<int32_t>(i)));
  }
  Buffer = std::move(w.Out);
}

void IESetAnnotScreenResolution(int32_t HRes, int32_t VRes) {
  GHResOverride = HRes;
  GVResOverride = VRes;
}
