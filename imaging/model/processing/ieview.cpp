#include "imaging/model/processing/ieview.h"

#include <algorithm>
#include <cstring>

#include "imaging/model/containers/iemask.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/byteorder.h"

int32_t IEDefaultDpiX = 300;
int32_t IEDefaultDpiY = 300;

int32_t TIEBitmapChangeListeners::Add(TIEBitmapChangeEvent Callback) {
  const int32_t handle = FNextHandle++;
  FItems.push_back(TItem{handle, std::move(Callback)});
  return handle;
}

void TIEBitmapChangeListeners::Remove(int32_t Handle) {
  if (Handle < 0) return;
  auto it = std::find_if(FItems.begin(), FItems.end(), [Handle](const TItem& I) { return I.Handle == Handle; });
  if (it != FItems.end()) FItems.erase(it);
}

void TIEBitmapChangeListeners::Notify(TObject* Sender, bool Destroying) {
  std::vector<int32_t> handles;
  handles.reserve(FItems.size());
  for (const TItem& I : FItems) handles.push_back(I.Handle);
  for (int32_t h : handles) {
    auto it = std::find_if(FItems.begin(), FItems.end(), [h](const TItem& I) { return I.Handle == h; });
    if (it == FItems.end()) continue;
    TIEBitmapChangeEvent cb = it->Callback;  // the callback may remove its entry
    if (cb) cb(Sender, Destroying);
  }
}

namespace {

void PutInt(TStream* S, int32_t V) {
  uint8_t b[4] = {static_cast<uint8_t>(V), static_cast<uint8_t>(V >> 8), static_cast<uint8_t>(V >> 16),
                  static_cast<uint8_t>(V >> 24)};
  S->WriteBuffer(b, 4);
}

void PutByte(TStream* S, uint8_t V) { S->WriteBuffer(&V, 1); }

// Bounded reader: every read is checked against what the stream still holds.
struct TReaderState {
  TStream* S;
  int64_t Left;
  bool Ok = true;
  bool Bytes(void* Dest, int64_t Count) {
    if (!Ok || Count < 0 || Count > Left) return Ok = false;
    if (Count > 0 && S->Read(Dest, static_cast<int32_t>(Count)) != Count) return Ok = false;
    Left -= Count;
    return true;
  }
  int32_t Int() {
    uint8_t b[4] = {};
    if (!Bytes(b, 4)) return 0;
    return static_cast<int32_t>(GetLE32(b));
  }
  uint8_t Byte() {
    uint8_t b = 0;
    Bytes(&b, 1);
    return b;
  }
};

}  // namespace

void IEWriteSelectionState(TStream* Stream, const TIEMask& Mask, const std::vector<TPoint>& Points,
                           const int32_t PolyRecord[4], bool HasSelection) {
  TIEMask& m = const_cast<TIEMask&>(Mask);
  PutInt(Stream, m.Width());
  PutInt(Stream, m.Height());
  PutInt(Stream, static_cast<int32_t>(Points.size()));
  for (const TPoint& p : Points) {
    PutInt(Stream, p.X);
    PutInt(Stream, p.Y);
  }
  for (int i = 0; i < 4; ++i) PutInt(Stream, PolyRecord[i]);
  PutByte(Stream, HasSelection ? 1 : 0);
  PutInt(Stream, m.BitsPerPixel());
  PutInt(Stream, m.X1());
  PutInt(Stream, m.Y1());
  PutInt(Stream, m.X2());
  PutInt(Stream, m.Y2());
  PutByte(Stream, m.Full() ? 1 : 0);
  // The rows as stored: bottom-up.
  for (int32_t y = m.Height() - 1; y >= 0; --y) Stream->WriteBuffer(m.ScanLine(y), m.RowLen());
}

bool IEReadSelectionState(TStream* Stream, TIEMask& Mask, std::vector<TPoint>& Points, int32_t PolyRecord[4],
                          bool& HasSelection, int32_t ImageWidth, int32_t ImageHeight) {
  TReaderState r{Stream, Stream->Size() - Stream->Position()};
  const int32_t w = r.Int(), h = r.Int(), count = r.Int();
  if (!r.Ok || w < 0 || h < 0 || count < 0 || int64_t{count} * 8 > r.Left) return false;
  std::vector<TPoint> pts(static_cast<size_t>(count));
  for (TPoint& p : pts) {
    p.X = r.Int();
    p.Y = r.Int();
  }
  int32_t poly[4];
  for (int32_t& v : poly) v = r.Int();
  const bool has = r.Byte() != 0;
  const int32_t bpp = r.Int();
  const int32_t bx1 = r.Int(), by1 = r.Int(), bx2 = r.Int(), by2 = r.Int();
  const bool full = r.Byte() != 0;
  if (!r.Ok) return false;
  const bool sized = w > 0 && h > 0;
  if (sized && bpp != 1 && bpp != 8) return false;
  const int64_t rowLen = sized ? (int64_t{w} * bpp + 31) / 32 * 4 : 0;
  if (rowLen * h > r.Left) return false;

  if (sized) {
    Mask.Allocate(w, h, bpp);
    for (int32_t y = h - 1; y >= 0; --y) r.Bytes(Mask.ScanLine(y), rowLen);
    Mask.SetBoundingBox(bx1, by1, bx2, by2);
    Mask.SetFull(full);
  } else {
    Mask.FreeBits();
  }
  if (sized && (w != ImageWidth || h != ImageHeight) && ImageWidth > 0 && ImageHeight > 0)
    Mask.Resize(ImageWidth, ImageHeight);
  Points = std::move(pts);
  std::memcpy(PolyRecord, poly, sizeof poly);
  HasSelection = has;
  return true;
}
