// Test support of the TIFF writer: fixtures, a save through IEEncodeTIFF, a
// read back through IEDecodeTIFF, and a plain parser of the written IFDs
// (little-endian) that keeps every entry as stored. Used by *_test.cpp only.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "imaging/io/codecs/tiff/ietiffread.h"
#include "imaging/io/codecs/tiff/ietiffwrite.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/model/containers/iemask.h"
#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/pixels/ieprogress.h"
#include "platform/rtl/streams.h"

namespace tiffwrite {

using TBytes = std::vector<uint8_t>;

inline uint32_t U16(const TBytes& f, uint64_t at) { return at + 2 <= f.size() ? f[at] | f[at + 1] << 8 : 0; }
inline uint32_t U32(const TBytes& f, uint64_t at) { return U16(f, at) | U16(f, at + 2) << 16; }

struct TTag {
  uint16_t Tag = 0;
  uint16_t Type = 0;
  uint32_t Count = 0;
  uint32_t Field = 0;  // the value field as a LONG
  uint64_t Where = 0;  // position of the values (the field itself when they fit)
  bool Inline = false;
  TBytes Data;  // the values' bytes
  uint32_t Value(size_t i = 0) const {
    const size_t size = Type == 3 ? 2 : 4;
    if ((i + 1) * size > Data.size()) return 0;
    return size == 2 ? Data[2 * i] | Data[2 * i + 1] << 8
                     : Data[4 * i] | Data[4 * i + 1] << 8 | Data[4 * i + 2] << 16 | uint32_t(Data[4 * i + 3]) << 24;
  }
  double Rational(size_t i = 0) const {
    const auto n = Value(2 * i), d = Value(2 * i + 1);
    return Type == 10 ? double(int32_t(n)) / double(int32_t(d)) : double(n) / double(d);
  }
  std::string Text() const { return std::string(Data.begin(), Data.end()); }
};

struct TIFD {
  uint64_t Offset = 0;
  std::vector<TTag> Tags;  // in file order
  uint32_t Next = 0;
  const TTag* Find(uint16_t tag) const {
    for (const TTag& t : Tags)
      if (t.Tag == tag) return &t;
    return nullptr;
  }
  bool Has(uint16_t tag) const { return Find(tag) != nullptr; }
  uint32_t Value(uint16_t tag, size_t i = 0) const {
    const TTag* t = Find(tag);
    return t ? t->Value(i) : 0;
  }
};

inline int64_t TypeBytes(uint32_t type) {
  static const int64_t s[13] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};
  return type < 13 ? s[type] : 0;
}

inline TIFD ParseIFD(const TBytes& f, uint64_t at) {
  TIFD d;
  d.Offset = at;
  const uint32_t n = U16(f, at);
  for (uint32_t i = 0; i < n; ++i) {
    const uint64_t e = at + 2 + 12 * uint64_t(i);
    TTag t;
    t.Tag = static_cast<uint16_t>(U16(f, e));
    t.Type = static_cast<uint16_t>(U16(f, e + 2));
    t.Count = U32(f, e + 4);
    t.Field = U32(f, e + 8);
    const int64_t size = int64_t(t.Count) * TypeBytes(t.Type);
    t.Inline = size <= 4;
    t.Where = t.Inline ? e + 8 : t.Field;
    if (size >= 0 && t.Where + uint64_t(size) <= f.size())
      t.Data.assign(f.begin() + static_cast<int64_t>(t.Where), f.begin() + static_cast<int64_t>(t.Where + size));
    d.Tags.push_back(t);
  }
  d.Next = U32(f, at + 2 + 12 * uint64_t(n));
  return d;
}

// Every IFD of the chain that starts at the header at Base.
inline std::vector<TIFD> ParseChain(const TBytes& f, uint64_t base = 0) {
  std::vector<TIFD> out;
  uint32_t link = U32(f, base + 4);
  while (link != 0 && link < f.size() && out.size() < 64) {
    out.push_back(ParseIFD(f, link));
    link = out.back().Next;
  }
  return out;
}

struct TSave {
  TBytes Bytes;
  int32_t Result = 0;
  bool Aborted = false;
};

inline TSave Save(TIEBitmap* bitmap, TIOParamsVals& params, const TBytes& existing = {}, bool insert = false,
                  const TBytes& prefix = {}) {
  IEInstallTIFFLZWHooks();
  TMemoryStream s;
  if (!prefix.empty()) s.Write(prefix.data(), static_cast<int32_t>(prefix.size()));
  if (insert) {
    s.Write(existing.data(), static_cast<int32_t>(existing.size()));
    s.Seek(static_cast<int64_t>(prefix.size()), soBeginning);
  }
  std::atomic<bool> abort{false};
  TIECodecProgress progress;
  progress.AbortFlag = &abort;
  TSave r;
  r.Result = IEEncodeTIFF(&s, insert, bitmap, params, progress);
  r.Aborted = abort.load();
  const auto* p = static_cast<const uint8_t*>(s.Memory());
  r.Bytes.assign(p, p + s.Size());
  return r;
}

struct TLoad {
  bool Aborted = false;
  int32_t Pages = 0;
};

// Page Index of Bytes through the reader, offsets counted from 0.
inline TLoad Load(const TBytes& bytes, TIEBitmap& bitmap, TIOParamsVals& params, int32_t index = 0,
                  std::unique_ptr<TIEMask>* mask = nullptr) {
  IEInstallTIFFLZWHooks();
  TCustomMemoryStream stream;
  stream.SetPointer(bytes.data(), static_cast<int64_t>(bytes.size()));
  std::atomic<bool> abort{false};
  TIECodecProgress progress;
  progress.AbortFlag = &abort;
  std::unique_ptr<TIEMask> own;
  params.TIFFLZWDecoder = IETIFFLZWDecoderHook;
  params.TIFFImageIndex = index;
  TLoad r;
  IEDecodeTIFF(&bitmap, &stream, r.Pages, &params, progress, false, mask ? *mask : own, false, false, false);
  r.Aborted = abort.load();
  return r;
}

// Pixels as RGB triples, whatever the format.
inline TBytes Rgb(TIEBitmap& b) {
  TBytes out;
  for (int32_t y = 0; y < b.Height(); ++y)
    for (int32_t x = 0; x < b.Width(); ++x) {
      TRGB c;
      b.GetPixelAsRGB(x, y, c);
      out.insert(out.end(), {c.r, c.g, c.b});
    }
  return out;
}

// A colour gradient with a few hard edges.
inline std::unique_ptr<TIEBitmap> ColourImage(int32_t w, int32_t h) {
  auto b = std::make_unique<TIEBitmap>();
  b->Allocate(w, h, TIEPixelFormat::ie24RGB);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      TRGB* c = b->PixelRGB(x, y);
      c->r = static_cast<uint8_t>(x * 255 / std::max(1, w - 1));
      c->g = static_cast<uint8_t>(y * 255 / std::max(1, h - 1));
      c->b = static_cast<uint8_t>((x + y) % 7 == 0 ? 255 : (x * y) & 0x7F);
    }
  return b;
}

inline std::unique_ptr<TIEBitmap> GrayImage(int32_t w, int32_t h, TIEPixelFormat f = TIEPixelFormat::ie8g) {
  auto b = std::make_unique<TIEBitmap>();
  b->Allocate(w, h, f);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      const auto v = static_cast<uint8_t>((x * 37 + y * 11) & 0xFF);
      if (f == TIEPixelFormat::ie8g) {
        b->SetPixel8(x, y, v);
      } else if (f == TIEPixelFormat::ie16g) {
        b->SetPixel16(x, y, static_cast<uint16_t>(v * 257 + (x & 3)));
      } else {
        *b->PixelRGB(x, y) = TRGB{v, v, v};
      }
    }
  return b;
}

// Black and white stripes and a diagonal.
inline std::unique_ptr<TIEBitmap> BilevelImage(int32_t w, int32_t h) {
  auto b = std::make_unique<TIEBitmap>();
  b->Allocate(w, h, TIEPixelFormat::ie1g);
  for (int32_t y = 0; y < h; ++y) {
    auto* row = static_cast<uint8_t*>(b->ScanLine(y));
    for (int32_t x = 0; x < w; ++x) {
      const bool white = ((x / 3 + y / 2) & 1) != 0 && x != y;
      if (white)
        row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
      else
        row[x >> 3] &= static_cast<uint8_t>(~(0x80 >> (x & 7)));
    }
  }
  return b;
}

}  // namespace tiffwrite
