// Test support of the TIFF coders: bit strings, bilevel row patterns, whole
// strips through the CCITT coders in each mode, and a minimal TIFF writer and
// reader for the cross-checks with libtiff's tools. Used by *_test.cpp only.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "imaging/io/codecs/tiff/ieccitt.h"
#include "imaging/io/codecs/tiff/ietifflzw.h"
#include "platform/rtl/streams.h"

namespace tifftest {

using TBytes = std::vector<uint8_t>;
using TRows = std::vector<TBytes>;

// "0101 1..." (blanks ignored) as bytes, first bit in bit 7, zero-padded.
inline TBytes BitString(const std::string& bits) {
  TBytes out;
  int n = 0;
  for (char c : bits) {
    if (c != '0' && c != '1') continue;
    if (n % 8 == 0) out.push_back(0);
    if (c == '1') out.back() |= static_cast<uint8_t>(0x80 >> (n % 8));
    ++n;
  }
  return out;
}

inline uint8_t Reverse(uint8_t b) {
  uint8_t r = 0;
  for (int i = 0; i < 8; ++i)
    if (b & (1 << i)) r |= static_cast<uint8_t>(0x80 >> i);
  return r;
}

inline TBytes ReverseBits(TBytes bytes) {
  for (auto& b : bytes) b = Reverse(b);
  return bytes;
}

inline TBytes StreamBytes(TMemoryStream& s) {
  const auto* p = static_cast<const uint8_t*>(s.Memory());
  return TBytes(p, p + s.Size());
}

inline size_t RowBytes(int32_t width) { return (static_cast<size_t>(width) + 7) / 8; }

inline bool Pixel(const TBytes& row, int32_t x) { return (row[static_cast<size_t>(x) >> 3] >> (7 - (x & 7))) & 1; }
inline void SetPixel(TBytes& row, int32_t x, bool v) {
  const auto mask = static_cast<uint8_t>(0x80 >> (x & 7));
  if (v)
    row[static_cast<size_t>(x) >> 3] |= mask;
  else
    row[static_cast<size_t>(x) >> 3] &= static_cast<uint8_t>(~mask);
}

// Rows in the decoders' convention (1 = white) with the padding bits of the
// last byte white too, as decoders leave them.
inline TBytes WhiteRow(int32_t width) { return TBytes(RowBytes(width), 0xFF); }

// A page-like mix: white rows, black rows, noise, single-pixel alternation,
// long random runs, and rows that differ from the one above by small shifts
// (the vertical modes) or by new runs (pass and horizontal modes).
// The alternating rows start black (a white run of 0 first) unless
// whiteFirst: libtiff's own one-dimensional decoder overflows on such a row
// when the width is a multiple of 32 (1728), so the cross-checks avoid it.
inline TRows PatternRows(int32_t width, int32_t count, uint32_t seed, bool whiteFirst = false) {
  std::mt19937 rng(seed);
  TRows rows;
  TBytes previous = WhiteRow(width);
  for (int32_t y = 0; y < count; ++y) {
    TBytes row = WhiteRow(width);
    switch (y % 8) {
      case 0: break;
      case 1:
        for (int32_t x = 0; x < width; ++x) SetPixel(row, x, false);
        break;
      case 2:
        for (int32_t x = 0; x < width; ++x) SetPixel(row, x, (rng() & 3) != 0);
        break;
      case 3:
        for (int32_t x = 0; x < width; ++x) SetPixel(row, x, ((x & 1) != 0) != whiteFirst);
        break;
      case 4:
      case 7: {
        bool white = (rng() & 1) != 0;
        for (int32_t x = 0; x < width;) {
          const int32_t run = 1 + static_cast<int32_t>(rng() % (rng() % 4 == 0 ? 3000 : 40));
          for (int32_t k = 0; k < run && x < width; ++k, ++x) SetPixel(row, x, white);
          white = !white;
        }
        break;
      }
      default: {
        // The row above shifted by -3..3 pixels, with a few flipped spans.
        const int32_t shift = static_cast<int32_t>(rng() % 7) - 3;
        for (int32_t x = 0; x < width; ++x) {
          const int32_t from = std::clamp(x - shift, 0, width - 1);
          SetPixel(row, x, Pixel(previous, from));
        }
        for (int k = 0; k < 3; ++k) {
          const int32_t at = static_cast<int32_t>(rng() % static_cast<uint32_t>(width));
          const int32_t len = 1 + static_cast<int32_t>(rng() % 9);
          for (int32_t x = at; x < std::min(width, at + len); ++x) SetPixel(row, x, !Pixel(row, x));
        }
      }
    }
    rows.push_back(row);
    previous = row;
  }
  return rows;
}

enum class TMode { MH, G3_1D, G3_2D, G4 };
inline const char* ModeName(TMode m) {
  switch (m) {
    case TMode::MH: return "MH";
    case TMode::G3_1D: return "G3-1D";
    case TMode::G3_2D: return "G3-2D";
    case TMode::G4: return "G4";
  }
  return "?";
}

// One strip of rows (decoders' convention) through the encoder of the mode,
// inverted to the encoders' convention first, finished and padded as the
// TIFF writer finishes a strip.
inline TBytes EncodeStrip(TMode mode, const TRows& rows, int32_t width, int32_t fillOrder, bool* aborting = nullptr) {
  TMemoryStream s;
  bool abort = false;
  int32_t pendingBits = 0;
  uint8_t pendingByte = 0;
  std::unique_ptr<uint8_t[]> ref;
  for (const TBytes& row : rows) {
    TBytes inv(row.size());
    for (size_t i = 0; i < row.size(); ++i) inv[i] = static_cast<uint8_t>(~row[i]);
    switch (mode) {
      case TMode::MH: IECCITTEncodeMHRow(inv.data(), width, &s, fillOrder, abort); break;
      case TMode::G3_1D: IECCITTEncodeG3Row1D(inv.data(), width, &s, fillOrder, abort, pendingBits, pendingByte); break;
      case TMode::G3_2D:
        IECCITTEncodeG3Row2D(inv.data(), width, &s, fillOrder, abort, ref, pendingBits, pendingByte);
        break;
      case TMode::G4: IECCITTEncodeG4Row(inv.data(), width, &s, fillOrder, abort, ref, pendingBits, pendingByte); break;
    }
  }
  switch (mode) {
    case TMode::MH: break;
    case TMode::G3_1D: IECCITTEncodeG3Row1D(nullptr, width, &s, fillOrder, abort, pendingBits, pendingByte); break;
    case TMode::G3_2D: IECCITTEncodeG3Row2D(nullptr, width, &s, fillOrder, abort, ref, pendingBits, pendingByte); break;
    case TMode::G4: IECCITTEncodeG4Row(nullptr, width, &s, fillOrder, abort, ref, pendingBits, pendingByte); break;
  }
  if (pendingBits > 0) s.WriteBuffer(&pendingByte, 1);
  if (aborting) *aborting = abort;
  return StreamBytes(s);
}

// Decodes Count rows of a strip as the TIFF strip decoding does. The data is
// copied to a buffer of exactly its size so that ASan sees any read past it.
inline TRows DecodeStrip(TMode mode, const TBytes& data, int32_t width, int32_t count, int32_t fillOrder,
                         bool eolMode2D = true) {
  const auto exact = std::make_unique<uint8_t[]>(std::max<size_t>(data.size(), 1));
  if (!data.empty()) std::memcpy(exact.get(), data.data(), data.size());
  const uint8_t* src = data.empty() ? nullptr : exact.get();
  const auto size = static_cast<int32_t>(data.size());
  TRows rows;
  TBytes ref = WhiteRow(width);
  int32_t bit = 0, offset = 0;
  for (int32_t y = 0; y < count; ++y) {
    TBytes row(RowBytes(width), 0x55);
    switch (mode) {
      case TMode::MH:
        offset += IECCITTDecodeMHRow(row.data(), src ? src + offset : nullptr, size - offset, fillOrder, width);
        break;
      case TMode::G3_1D: bit = IECCITTDecode1DRow(row.data(), src, size, fillOrder, bit, width); break;
      case TMode::G3_2D:
        bit = IECCITTDecode2DRow(row.data(), src, size, eolMode2D, fillOrder, bit, ref.data(), width);
        break;
      case TMode::G4: bit = IECCITTDecode2DRow(row.data(), src, size, false, fillOrder, bit, ref.data(), width); break;
    }
    rows.push_back(row);
  }
  return rows;
}

// ---- Files and a minimal TIFF ------------------------------------------------------------
inline void WriteFile(const std::string& path, const TBytes& bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline TBytes ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return TBytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

// A little-endian TIFF of one page: the given tags (SHORT or LONG scalars,
// or a SHORT array for BitsPerSample) and the strips, with StripOffsets and
// StripByteCounts added.
struct TTiffPage {
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t BitsPerSample = 1;
  int32_t SamplesPerPixel = 1;
  int32_t Compression = 1;
  int32_t Photometric = 0;
  int32_t FillOrder = 1;
  int32_t RowsPerStrip = 0;
  int32_t T4Options = -1;  // -1: no tag
  int32_t T6Options = -1;
  int32_t Predictor = 1;
  std::vector<TBytes> Strips;
};

inline TBytes BuildTiff(const TTiffPage& p) {
  struct TEntry {
    uint16_t Tag, Type;
    uint32_t Count;
    std::vector<uint32_t> Values;
  };
  std::vector<TEntry> entries;
  auto shortTag = [&](uint16_t tag, uint32_t v) { entries.push_back({tag, 3, 1, {v}}); };
  auto longTag = [&](uint16_t tag, uint32_t v) { entries.push_back({tag, 4, 1, {v}}); };
  longTag(256, static_cast<uint32_t>(p.Width));
  longTag(257, static_cast<uint32_t>(p.Height));
  entries.push_back(
      {258, 3, static_cast<uint32_t>(p.SamplesPerPixel),
       std::vector<uint32_t>(static_cast<size_t>(p.SamplesPerPixel), static_cast<uint32_t>(p.BitsPerSample))});
  shortTag(259, static_cast<uint32_t>(p.Compression));
  shortTag(262, static_cast<uint32_t>(p.Photometric));
  if (p.FillOrder != 1) shortTag(266, static_cast<uint32_t>(p.FillOrder));
  const auto strips = static_cast<uint32_t>(p.Strips.size());
  entries.push_back({273, 4, strips, std::vector<uint32_t>(strips)});
  shortTag(277, static_cast<uint32_t>(p.SamplesPerPixel));
  longTag(278, static_cast<uint32_t>(p.RowsPerStrip > 0 ? p.RowsPerStrip : p.Height));
  std::vector<uint32_t> counts;
  for (const TBytes& s : p.Strips) counts.push_back(static_cast<uint32_t>(s.size()));
  entries.push_back({279, 4, strips, counts});
  shortTag(284, 1);
  if (p.T4Options >= 0) longTag(292, static_cast<uint32_t>(p.T4Options));
  if (p.T6Options >= 0) longTag(293, static_cast<uint32_t>(p.T6Options));
  if (p.Predictor != 1) shortTag(317, static_cast<uint32_t>(p.Predictor));

  // Layout: header, strips, out-of-line values, directory.
  TBytes out = {'I', 'I', 42, 0, 0, 0, 0, 0};
  std::vector<uint32_t> offsets;
  for (const TBytes& s : p.Strips) {
    offsets.push_back(static_cast<uint32_t>(out.size()));
    out.insert(out.end(), s.begin(), s.end());
    if (out.size() & 1) out.push_back(0);
  }
  for (TEntry& e : entries)
    if (e.Tag == 273) e.Values = offsets;
  auto put16 = [](TBytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
  };
  auto put32 = [&](TBytes& b, uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
  };
  std::vector<uint32_t> valueAt(entries.size(), 0);
  for (size_t i = 0; i < entries.size(); ++i) {
    const TEntry& e = entries[i];
    if (e.Count * (e.Type == 3 ? 2u : 4u) <= 4) continue;
    valueAt[i] = static_cast<uint32_t>(out.size());
    for (uint32_t v : e.Values) e.Type == 3 ? put16(out, v) : put32(out, v);
  }
  const auto ifd = static_cast<uint32_t>(out.size());
  out[4] = static_cast<uint8_t>(ifd);
  out[5] = static_cast<uint8_t>(ifd >> 8);
  out[6] = static_cast<uint8_t>(ifd >> 16);
  out[7] = static_cast<uint8_t>(ifd >> 24);
  put16(out, static_cast<uint32_t>(entries.size()));
  for (size_t i = 0; i < entries.size(); ++i) {
    const TEntry& e = entries[i];
    put16(out, e.Tag);
    put16(out, e.Type);
    put32(out, e.Count);
    if (valueAt[i] != 0) {
      put32(out, valueAt[i]);
    } else {
      TBytes inl;
      for (uint32_t v : e.Values) e.Type == 3 ? put16(inl, v) : put32(inl, v);
      inl.resize(4, 0);
      out.insert(out.end(), inl.begin(), inl.end());
    }
  }
  put32(out, 0);
  return out;
}

// The first page of a TIFF file as written by libtiff's tools: the tags the
// tests need and the strips' bytes.
struct TTiffRead {
  bool Ok = false;
  TTiffPage Page;
};

inline TTiffRead ParseTiff(const TBytes& f) {
  TTiffRead r;
  if (f.size() < 8) return r;
  const bool big = f[0] == 'M';
  auto u16 = [&](size_t at) -> uint32_t {
    if (at + 2 > f.size()) return 0;
    return big ? (uint32_t(f[at]) << 8) | f[at + 1] : (uint32_t(f[at + 1]) << 8) | f[at];
  };
  auto u32 = [&](size_t at) -> uint32_t { return big ? (u16(at) << 16) | u16(at + 2) : (u16(at + 2) << 16) | u16(at); };
  const uint32_t ifd = u32(4);
  const uint32_t n = u16(ifd);
  std::vector<uint32_t> offsets, counts;
  TTiffPage& p = r.Page;
  p.T4Options = 0;
  for (uint32_t i = 0; i < n; ++i) {
    const size_t e = ifd + 2 + 12 * i;
    const uint32_t tag = u16(e), type = u16(e + 2), count = u32(e + 4);
    const uint32_t size = type == 3 ? 2 : 4;
    const size_t at = count * size <= 4 ? e + 8 : u32(e + 8);
    std::vector<uint32_t> values;
    for (uint32_t k = 0; k < count; ++k) values.push_back(size == 2 ? u16(at + k * 2) : u32(at + k * 4));
    const uint32_t v = values.empty() ? 0 : values[0];
    switch (tag) {
      case 256: p.Width = static_cast<int32_t>(v); break;
      case 257: p.Height = static_cast<int32_t>(v); break;
      case 258: p.BitsPerSample = static_cast<int32_t>(v); break;
      case 259: p.Compression = static_cast<int32_t>(v); break;
      case 262: p.Photometric = static_cast<int32_t>(v); break;
      case 266: p.FillOrder = static_cast<int32_t>(v); break;
      case 273: offsets = values; break;
      case 277: p.SamplesPerPixel = static_cast<int32_t>(v); break;
      case 278: p.RowsPerStrip = static_cast<int32_t>(v); break;
      case 279: counts = values; break;
      case 292: p.T4Options = static_cast<int32_t>(v); break;
      case 293: p.T6Options = static_cast<int32_t>(v); break;
      case 317: p.Predictor = static_cast<int32_t>(v); break;
    }
  }
  if (offsets.size() != counts.size() || offsets.empty()) return r;
  for (size_t i = 0; i < offsets.size(); ++i) {
    if (uint64_t(offsets[i]) + counts[i] > f.size()) return r;
    p.Strips.emplace_back(f.begin() + offsets[i], f.begin() + offsets[i] + counts[i]);
  }
  if (p.RowsPerStrip <= 0 || p.RowsPerStrip > p.Height) p.RowsPerStrip = p.Height;
  r.Ok = p.Width > 0 && p.Height > 0;
  return r;
}

// The rows of an uncompressed page, strips joined.
inline TBytes JoinStrips(const TTiffPage& p) {
  TBytes all;
  for (const TBytes& s : p.Strips) all.insert(all.end(), s.begin(), s.end());
  return all;
}

}  // namespace tifftest
