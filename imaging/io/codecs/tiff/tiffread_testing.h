// Test support of the TIFF reader: a small TIFF builder (either byte order,
// any tags, strips or tiles, several pages) and a reader call with a fresh
// abort flag. Used by *_test.cpp only.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/io/codecs/tiff/ietiffread.h"
#include "imaging/io/contract/iecodec.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/model/containers/iemask.h"
#include "imaging/model/pixels/iebitmap.h"
#include "platform/rtl/streams.h"

namespace tiffread {

using TBytes = std::vector<uint8_t>;

struct TTag {
  uint16_t Tag = 0;
  uint16_t Type = 3;
  std::vector<uint32_t> Values;  // SHORT/LONG values, or numerator/denominator pairs for RATIONAL
  TBytes Raw;                    // bytes for BYTE/ASCII/UNDEFINED (Values ignored)
};

inline TTag Short(uint16_t tag, std::vector<uint32_t> v) { return TTag{tag, 3, std::move(v), {}}; }
inline TTag Long(uint16_t tag, std::vector<uint32_t> v) { return TTag{tag, 4, std::move(v), {}}; }
inline TTag Rational(uint16_t tag, uint32_t num, uint32_t den) { return TTag{tag, 5, {num, den}, {}}; }
inline TTag Ascii(uint16_t tag, const std::string& s, bool nul = true) {
  TBytes b(s.begin(), s.end());
  if (nul) b.push_back(0);
  return TTag{tag, 2, {}, b};
}
inline TTag Bytes(uint16_t tag, uint16_t type, const TBytes& b) { return TTag{tag, type, {}, b}; }

struct TPage {
  std::vector<TTag> Tags;
  std::vector<TBytes> Blocks;  // strips, or tiles when Tiled
  bool Tiled = false;
  bool NoCounts = false;         // leave out the byte counts
  std::vector<uint32_t> Counts;  // override of the byte counts
  // A sub-IFD written after the page and pointed to by tag 34665.
  std::vector<TTag> Exif;
};

class TBuilder {
 public:
  explicit TBuilder(bool big) : FBig(big) {}
  TBytes Build(std::vector<TPage> pages) {
    FOut = {FBig ? uint8_t('M') : uint8_t('I'), FBig ? uint8_t('M') : uint8_t('I'), 0, 0, 0, 0, 0, 0};
    Put16At(2, 42);
    size_t link = 4;
    for (TPage& p : pages) {
      std::vector<uint32_t> offsets;
      for (const TBytes& b : p.Blocks) {
        offsets.push_back(static_cast<uint32_t>(FOut.size()));
        FOut.insert(FOut.end(), b.begin(), b.end());
        Align();
      }
      std::vector<TTag> tags = p.Tags;
      if (!p.Blocks.empty()) {
        tags.push_back(Long(p.Tiled ? 324 : 273, offsets));
        if (!p.NoCounts) {
          std::vector<uint32_t> counts = p.Counts;
          if (counts.empty())
            for (const TBytes& b : p.Blocks) counts.push_back(static_cast<uint32_t>(b.size()));
          tags.push_back(Long(p.Tiled ? 325 : 279, counts));
        }
      }
      if (!p.Exif.empty()) {
        const uint32_t exif = WriteIFD(p.Exif, nullptr);
        tags.push_back(Long(34665, {exif}));
      }
      size_t next = 0;
      const uint32_t ifd = WriteIFD(tags, &next);
      Put32At(link, ifd);
      link = next;
    }
    return FOut;
  }

 private:
  void Align() {
    if (FOut.size() & 1) FOut.push_back(0);
  }
  void Put16At(size_t at, uint32_t v) {
    FOut[at + (FBig ? 0 : 1)] = static_cast<uint8_t>(v >> 8);
    FOut[at + (FBig ? 1 : 0)] = static_cast<uint8_t>(v);
  }
  void Put32At(size_t at, uint32_t v) {
    for (int k = 0; k < 4; ++k) FOut[at + (FBig ? 3 - k : k)] = static_cast<uint8_t>(v >> (8 * k));
  }
  void Append(TBytes& b, uint32_t v, int size) {
    for (int k = 0; k < size; ++k) b.push_back(static_cast<uint8_t>(v >> (8 * (FBig ? size - 1 - k : k))));
  }
  TBytes Value(const TTag& t) {
    if (!t.Raw.empty() || t.Type == 1 || t.Type == 2 || t.Type == 7) return t.Raw;
    TBytes b;
    for (uint32_t v : t.Values) Append(b, v, t.Type == 3 ? 2 : 4);
    return b;
  }
  uint32_t Count(const TTag& t) {
    if (!t.Raw.empty() || t.Type == 1 || t.Type == 2 || t.Type == 7) return static_cast<uint32_t>(t.Raw.size());
    return static_cast<uint32_t>(t.Type == 5 ? t.Values.size() / 2 : t.Values.size());
  }
  // Values first, then the directory; answers its offset and where its
  // next-IFD link lies.
  uint32_t WriteIFD(std::vector<TTag> tags, size_t* next) {
    std::stable_sort(tags.begin(), tags.end(), [](const TTag& a, const TTag& b) { return a.Tag < b.Tag; });
    std::vector<uint32_t> at(tags.size(), 0);
    for (size_t i = 0; i < tags.size(); ++i) {
      const TBytes v = Value(tags[i]);
      if (v.size() <= 4) continue;
      at[i] = static_cast<uint32_t>(FOut.size());
      FOut.insert(FOut.end(), v.begin(), v.end());
      Align();
    }
    const auto ifd = static_cast<uint32_t>(FOut.size());
    TBytes d;
    Append(d, static_cast<uint32_t>(tags.size()), 2);
    for (size_t i = 0; i < tags.size(); ++i) {
      Append(d, tags[i].Tag, 2);
      Append(d, tags[i].Type, 2);
      Append(d, Count(tags[i]), 4);
      TBytes v = Value(tags[i]);
      if (v.size() <= 4) {
        v.resize(4, 0);
        d.insert(d.end(), v.begin(), v.end());
      } else {
        Append(d, at[i], 4);
      }
    }
    FOut.insert(FOut.end(), d.begin(), d.end());
    if (next) *next = FOut.size();
    Append(FOut, 0, 4);
    return ifd;
  }

  bool FBig;
  TBytes FOut;
};

// The tags of a plain page.
inline std::vector<TTag> PageTags(int32_t w, int32_t h, int32_t bits, int32_t samples, int32_t photometric,
                                  int32_t compression = 1) {
  return {Long(256, {uint32_t(w)}),
          Long(257, {uint32_t(h)}),
          Short(258, std::vector<uint32_t>(size_t(samples), uint32_t(bits))),
          Short(259, {uint32_t(compression)}),
          Short(262, {uint32_t(photometric)}),
          Short(277, {uint32_t(samples)})};
}

struct TResult {
  bool Aborted = false;
  int32_t Pages = 0;
};

struct TReadOptions {
  bool ParamsOnly = false;
  bool IgnoreAlpha = false;
  bool Thumbnail = false;
  bool Native = false;
};

inline TResult ReadTiff(const TBytes& bytes, TIEBitmap& bitmap, TIOParamsVals& params,
                        std::unique_ptr<TIEMask>* mask = nullptr, TReadOptions o = {}) {
  IEInstallTIFFLZWHooks();
  TCustomMemoryStream stream;
  stream.SetPointer(bytes.data(), static_cast<int64_t>(bytes.size()));
  std::atomic<bool> abort{false};
  TIECodecProgress progress;
  progress.AbortFlag = &abort;
  std::unique_ptr<TIEMask> own;
  params.NativePixelFormat = o.Native;
  params.TIFFLZWDecoder = IETIFFLZWDecoderHook;
  TResult r;
  IEDecodeTIFF(&bitmap, &stream, r.Pages, &params, progress, o.ParamsOnly, mask ? *mask : own, true, o.IgnoreAlpha,
               o.Thumbnail);
  r.Aborted = abort.load();
  return r;
}

// Row y of a bitmap as RGB triples (r, g, b), whatever its format.
inline TBytes RgbRow(TIEBitmap& b, int32_t y) {
  TBytes out;
  for (int32_t x = 0; x < b.Width(); ++x) {
    TRGB c;
    b.GetPixelAsRGB(x, y, c);
    out.insert(out.end(), {c.r, c.g, c.b});
  }
  return out;
}

inline TBytes RgbPixels(TIEBitmap& b) {
  TBytes out;
  for (int32_t y = 0; y < b.Height(); ++y) {
    const TBytes r = RgbRow(b, y);
    out.insert(out.end(), r.begin(), r.end());
  }
  return out;
}

// Strip data through the LZW coder, one row after another.
inline TBytes LzwStrip(const std::vector<TBytes>& rows) {
  TMemoryStream s;
  TIELZWEncoderState* state = nullptr;
  for (const TBytes& r : rows) IETIFFLZWEncode(r.data(), static_cast<int32_t>(r.size()), &s, state);
  IETIFFLZWEncode(nullptr, 0, &s, state);
  const auto* p = static_cast<const uint8_t*>(s.Memory());
  return TBytes(p, p + s.Size());
}

}  // namespace tiffread
