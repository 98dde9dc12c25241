#include "imaging/io/codecs/gif/iegif.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/io/contract/iecodec.h"
#include "imaging/io/contract/ielzwhooks.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/model/containers/iegeom.h"
#include "imaging/model/containers/iemask.h"
#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/processing/iecolordepth.h"
#include "imaging/model/processing/iequantizer.h"
#include "imaging/model/processing/ieview.h"
#include "platform/rtl/safewriter.h"
#include "platform/rtl/streams.h"

namespace {

constexpr int64_t kMaxImageBytes = 2147483647;

uint16_t LEWord(const uint8_t* P) { return static_cast<uint16_t>(P[0] | (P[1] << 8)); }

// Reads exactly Count bytes; false (and whatever came) when the stream ends.
bool ReadExact(TStream* Stream, void* Buffer, int32_t Count) { return Stream->Read(Buffer, Count) == Count; }

// Skips a sequence of sub-blocks up to and including its terminator (or the
// end of the stream).
void SkipSubBlocks(TStream* Stream, int64_t Size) {
  uint8_t len = 0;
  while (Stream->Read(&len, 1) == 1 && len != 0) {
    const int64_t pos = Stream->Position();
    if (pos + len >= Size) {
      Stream->Seek(Size, soBeginning);
      return;
    }
    Stream->Seek(pos + len, soBeginning);
  }
}

// A colour table of 2^(Bits) entries read as red, green, blue; entries the
// stream does not hold stay black.
std::vector<TRGB> ReadColorTable(TStream* Stream, int32_t Bits) {
  const int32_t count = 1 << Bits;
  std::vector<uint8_t> raw(static_cast<size_t>(count) * 3, 0);
  Stream->Read(raw.data(), static_cast<int32_t>(raw.size()));
  std::vector<TRGB> table(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    const uint8_t* p = &raw[static_cast<size_t>(i) * 3];
    table[static_cast<size_t>(i)] = TRGB{p[2], p[1], p[0]};
  }
  return table;
}

void Report(TIECodecProgress& Progress, int32_t Percent) { IEDoProgress(Progress, Percent); }

}  // namespace

void IEDecodeGIF(TStream* Stream, TIEBitmap* Bitmap, int32_t& FrameCount, TIOParamsVals& IOParams,
                 TIECodecProgress& Progress, bool Preview, std::unique_ptr<TIEMask>& Mask, bool NoMask) {
  FrameCount = 0;
  Report(Progress, 0);
  if (IEAborting(Progress)) return;
  try {
    const int64_t size = Stream->Size();
    const int32_t selected = IOParams.GIFImageIndex;
    uint8_t control[4] = {};  // flags, delay (2), transparent index

    uint8_t header[13];
    if (!ReadExact(Stream, header, 13) || std::memcmp(header, "GIF", 3) != 0) {
      IESetAborting(Progress);
      return;
    }
    IOParams.GIFVersion = String(reinterpret_cast<const char*>(header), 6);
    IOParams.GIFScreenWidth = LEWord(header + 6);
    IOParams.GIFScreenHeight = LEWord(header + 8);
    IOParams.GIFAspectRatio = header[12];
    IOParams.SetDpiX(IEDefaultDpiX);
    IOParams.SetDpiY(IEDefaultDpiY);
    IOParams.SamplesPerPixel = 1;

    const int32_t globalBits = (header[10] & 7) + 1;
    std::vector<TRGB> globalTable;
    if (header[10] & 0x80) {
      globalTable = ReadColorTable(Stream, globalBits);
      IOParams.GIFBackground = globalTable[std::min<size_t>(header[11], globalTable.size() - 1)];
    }
    if (Stream->Position() >= size) {
      IESetAborting(Progress);
      return;
    }

    bool decoded = false;
    while (!IEAborting(Progress)) {
      uint8_t block = 0;
      if (Stream->Read(&block, 1) != 1 || Stream->Position() >= size) break;  // the end reads as the trailer
      if (block == 0x21) {
        uint8_t label = 0;
        if (Stream->Read(&label, 1) != 1) break;
        if (label == 0xF9 && FrameCount == selected) {
          // The first sub-block holds the control data; a longer one is cut.
          uint8_t len = 0;
          if (Stream->Read(&len, 1) != 1) break;
          uint8_t data[255] = {};
          Stream->Read(data, len);
          std::memcpy(control, data, 4);
          if (len != 0) SkipSubBlocks(Stream, size);
        } else if (label == 0xFE) {
          uint8_t len = 0;
          while (Stream->Read(&len, 1) == 1 && len != 0) {
            char text[256];
            const int32_t got = Stream->Read(text, len);
            const size_t n = strnlen(text, static_cast<size_t>(std::max(got, 0)));
            if (n > 0) IOParams.GIFComments.Add(String(text, n));
            if (got < len) break;
          }
        } else {
          SkipSubBlocks(Stream, size);
        }
      } else if (block == 0x2C) {
        uint8_t desc[9];
        if (!ReadExact(Stream, desc, 9)) break;
        std::vector<TRGB> localTable;
        const bool hasLocal = (desc[8] & 0x80) != 0;
        if (hasLocal) localTable = ReadColorTable(Stream, (desc[8] & 7) + 1);
        if (FrameCount != selected) {
          uint8_t codeSize = 0;
          Stream->Read(&codeSize, 1);
          SkipSubBlocks(Stream, size);
          ++FrameCount;
          continue;
        }
        ++FrameCount;
        decoded = true;

        Report(Progress, 30);
        if (IEAborting(Progress)) return;
        // The frame's table; without any, its entries are black.
        const int32_t tableBits = hasLocal ? (desc[8] & 7) + 1 : globalBits;
        std::vector<TRGB> table = hasLocal ? std::move(localTable) : globalTable;
        table.resize(size_t{1} << tableBits);
        const int32_t width = LEWord(desc + 4);
        const int32_t height = LEWord(desc + 6);
        const bool transparent = (control[0] & 1) != 0;
        const int32_t transIndex = control[3];
        IOParams.GIFTransparentColor = table[std::min<size_t>(static_cast<size_t>(transIndex), table.size() - 1)];
        IOParams.GIFXPos = LEWord(desc);
        IOParams.GIFYPos = LEWord(desc + 2);
        IOParams.Width = width;
        IOParams.Height = height;
        IOParams.GIFDelayTime = LEWord(control + 1);
        IOParams.GIFTransparent = transparent;
        IOParams.GIFInterlaced = (desc[8] & 0x40) != 0;
        IOParams.GIFDisposal = static_cast<uint8_t>((control[0] >> 2) & 7);

        const TRGB black{0, 0, 0};
        const TRGB white{255, 255, 255};
        const int32_t last = static_cast<int32_t>(table.size()) - 1;
        TIEPixelFormat format = TIEPixelFormat::ie24RGB;
        if (tableBits == 1 && table[0] == black && table[1] == white)
          format = TIEPixelFormat::ie1g;
        else if (IOParams.NativePixelFormat)
          format = TIEPixelFormat::ie8p;

        std::vector<uint8_t> pixels;
        if (Preview) {
          uint8_t codeSize = 0;
          Stream->Read(&codeSize, 1);
          SkipSubBlocks(Stream, size);
        } else {
          const int64_t bytes = int64_t{width} * height;
          // A code of at least 3 bits stands for at most 4096 pixels: a frame
          // larger than the rest of the stream could ever fill is refused
          // before its buffers are allocated.
          const int64_t left = std::max<int64_t>(Stream->Size() - Stream->Position(), 0);
          // The bitmap is sized first: an index buffer is never allocated
          // for a frame whose bitmap would be refused.
          const int64_t bitmapBytes = IEBitmapRowLen(width, IEBitsPerPixel(format), 32) * height;
          if (bytes <= 0 || bytes > kMaxImageBytes || bitmapBytes > IEMaxImageBytes || bytes > left * 8 / 3 * 4096) {
            IESetAborting(Progress);
            break;
          }
          pixels.assign(static_cast<size_t>(bytes), 0);
          const TIEGIFLZWDecoderFunc decoder =
              IOParams.GIFLZWDecoder != nullptr ? IOParams.GIFLZWDecoder : IEGIFLZWDecoderHook;
          const int64_t before = Stream->Position();
          if (decoder != nullptr) decoder(Stream, height, width, IOParams.GIFInterlaced, pixels.data());
          if (decoder == nullptr || Stream->Position() == before) {
            IESetAborting(Progress);
            break;
          }
          Report(Progress, 70);
          if (IEAborting(Progress)) return;
        }

        IOParams.Palette = table;
        IOParams.BitsPerSample = tableBits;
        if (Preview) continue;

        Bitmap->Allocate(width, height, format);

        TIEMask* mask = nullptr;
        if (!NoMask) {
          if (!Mask) Mask = std::make_unique<TIEMask>();
          Mask->Allocate(width, height, 8);
          Mask->Fill(255);
          mask = Mask.get();
        }

        // Indexes past the table are clamped to its last entry.
        uint8_t clamp[256];
        for (int32_t i = 0; i < 256; ++i) clamp[i] = static_cast<uint8_t>(std::min(i, last));
        TRGB lut[256];
        for (int32_t i = 0; i < 256; ++i) lut[i] = table[clamp[i]];
        if (format == TIEPixelFormat::ie8p) {
          for (int32_t i = 0; i <= last; ++i) Bitmap->SetPaletteColor(i, table[static_cast<size_t>(i)]);
          Bitmap->SetQuantizeColors(1 << tableBits);
        }

        for (int32_t y = 0; y < height; ++y) {
          const uint8_t* src = pixels.data() + static_cast<int64_t>(y) * width;
          void* dst = Bitmap->ScanLine(y);
          switch (format) {
            case TIEPixelFormat::ie1g: {
              auto* d = static_cast<uint8_t*>(dst);
              std::memset(d, 0, static_cast<size_t>((width + 7) / 8));
              for (int32_t x = 0; x < width; ++x)
                if (src[x] != 0) d[x >> 3] |= static_cast<uint8_t>(0x80u >> (x & 7));
              break;
            }
            case TIEPixelFormat::ie8p: {
              auto* d = static_cast<uint8_t*>(dst);
              for (int32_t x = 0; x < width; ++x) d[x] = clamp[src[x]];
              break;
            }
            default: {
              auto* d = static_cast<TRGB*>(dst);
              for (int32_t x = 0; x < width; ++x) d[x] = lut[src[x]];
              break;
            }
          }
          if (mask != nullptr && transparent) {
            uint8_t* m = mask->ScanLine(y);
            for (int32_t x = 0; x < width; ++x)
              if (src[x] == transIndex) m[x] = 0;
          }
        }
        if (mask != nullptr) {
          mask->CheckFull();
          if (mask->Full())
            Mask.reset();
          else
            mask->SyncBoundingBox();
        }
      } else if (block == 0x3B) {
        break;
      }
    }
    IOParams.SetImageCount(FrameCount);
    IOParams.GIFTransparent = false;
    // A stream without any frame holds no image at all.
    if (FrameCount == 0 && !decoded) IESetAborting(Progress);
    if (!IEAborting(Progress)) Report(Progress, 100);
  } catch (const std::exception&) {
    IESetAborting(Progress);
  }
}

namespace {

// Every byte of the output goes to memory first, then to the stream in one
// checked write.
void PutBytes(std::vector<uint8_t>& Out, const void* Data, size_t Count) {
  const auto* p = static_cast<const uint8_t*>(Data);
  Out.insert(Out.end(), p, p + Count);
}
void PutWord(std::vector<uint8_t>& Out, int32_t Value) {
  Out.push_back(static_cast<uint8_t>(Value & 0xFF));
  Out.push_back(static_cast<uint8_t>((Value >> 8) & 0xFF));
}

}  // namespace

void IEEncodeGIF(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIECodecProgress& Progress) {
  Report(Progress, 0);
  if (IEAborting(Progress)) return;
  try {
    const int32_t bits = std::clamp(IOParams.BitsPerSample, 1, 8);
    const bool hasAlpha = IEAlphaCovers(Bitmap);
    const int32_t width = Bitmap->Width();
    const int32_t height = Bitmap->Height();
    if (width <= 0 || height <= 0 || width > 65535 || height > 65535) {
      IESetAborting(Progress);
      return;
    }

    // The working image: ie1g for 1 bit, else ie8p or ie24RGB.
    std::unique_ptr<TIEBitmap> owned;
    TIEBitmap* work = Bitmap;
    std::vector<TRGB> table(size_t{1} << bits);
    bool twoColors = false;
    if (bits == 1) {
      if (Bitmap->PixelFormat() != TIEPixelFormat::ie1g) {
        TRGB c1, c2;
        owned = TwoColorsTo1Bit(Bitmap, c1, c2);
        if (owned) {
          table[0] = c1;
          table[1] = c2;
          twoColors = true;
        } else {
          owned = std::make_unique<TIEBitmap>();
          owned->Assign(Bitmap);
          owned->ConvertFormat(TIEPixelFormat::ie1g);
        }
        work = owned.get();
      }
    } else if (Bitmap->PixelFormat() != TIEPixelFormat::ie8p && Bitmap->PixelFormat() != TIEPixelFormat::ie24RGB) {
      owned = std::make_unique<TIEBitmap>();
      owned->Assign(Bitmap);
      owned->ConvertFormat(TIEPixelFormat::ie24RGB);
      work = owned.get();
    }

    int32_t ncolors = 1 << bits;
    if (hasAlpha) {
      --ncolors;
      IOParams.GIFTransparent = true;
    }

    std::vector<uint8_t> indexes(static_cast<size_t>(int64_t{width} * height));
    std::unique_ptr<TIEQuantizer> quantizer;
    const TIEPixelFormat format = work->PixelFormat();
    if (format == TIEPixelFormat::ie1g) {
      if (!twoColors) {
        table[0] = TRGB{0, 0, 0};
        table[1] = TRGB{255, 255, 255};
      }
      for (int32_t y = 0; y < height; ++y) {
        const auto* s = static_cast<const uint8_t*>(work->ScanLine(y));
        uint8_t* d = &indexes[static_cast<size_t>(int64_t{y} * width)];
        for (int32_t x = 0; x < width; ++x) d[x] = (s[x >> 3] >> (7 - (x & 7))) & 1;
      }
    } else {
      quantizer =
          std::make_unique<TIEQuantizer>(work, table.data(), static_cast<int32_t>(table.size()) - 1, ncolors, -1, 0);
      if (format == TIEPixelFormat::ie8p) {
        // Indexes past the colours kept take their nearest kept colour.
        const int32_t kept = std::max(quantizer->ColorCount(), 1);
        uint8_t lut[256];
        for (int32_t v = 0; v < 256; ++v) {
          TRGB c;
          work->GetPaletteColor(v, c);
          lut[v] = static_cast<uint8_t>(v < kept ? v : NearestPaletteIndex(table.data(), kept, c));
        }
        for (int32_t y = 0; y < height; ++y) {
          const auto* s = static_cast<const uint8_t*>(work->ScanLine(y));
          uint8_t* d = &indexes[static_cast<size_t>(int64_t{y} * width)];
          for (int32_t x = 0; x < width; ++x) d[x] = lut[s[x]];
        }
      } else {
        for (int32_t y = 0; y < height; ++y) {
          const auto* s = static_cast<const TRGB*>(work->ScanLine(y));
          uint8_t* d = &indexes[static_cast<size_t>(int64_t{y} * width)];
          for (int32_t x = 0; x < width; ++x) d[x] = static_cast<uint8_t>(quantizer->RGBIndex(s[x]));
        }
      }
    }
    if (hasAlpha) {
      TIEBitmap* alpha = Bitmap->AlphaChannel();
      for (int32_t y = 0; y < height; ++y) {
        const auto* a = static_cast<const uint8_t*>(alpha->ScanLine(y));
        uint8_t* d = &indexes[static_cast<size_t>(int64_t{y} * width)];
        for (int32_t x = 0; x < width; ++x)
          if (a[x] < 255) d[x] = static_cast<uint8_t>(ncolors);
      }
    }

    Report(Progress, 30);
    if (IEAborting(Progress)) return;

    // The index of a colour in the written table.
    const int32_t tableColors = format == TIEPixelFormat::ie1g ? 2 : std::max(quantizer->EntriesBuilt(), 1);
    auto indexOf = [&](const TRGB& c) {
      if (format == TIEPixelFormat::ie24RGB) return quantizer->RGBIndex(c);
      return NearestPaletteIndex(table.data(), std::min(tableColors, ncolors > 0 ? ncolors : 1), c);
    };

    std::vector<uint8_t> out;
    out.reserve(indexes.size() / 2 + 1024);
    String version = IOParams.GIFVersion.substr(0, 6);
    if (version.size() != 6 || version.compare(0, 3, "GIF") != 0) version = "GIF89a";
    PutBytes(out, version.data(), 6);
    PutWord(out, width);
    PutWord(out, height);
    out.push_back(static_cast<uint8_t>(0x80 + (bits - 1) * 16 + (bits - 1)));
    out.push_back(static_cast<uint8_t>(indexOf(IOParams.GIFBackground)));
    out.push_back(0);
    for (const TRGB& c : table) {
      out.push_back(c.r);
      out.push_back(c.g);
      out.push_back(c.b);
    }
    if (IOParams.GIFTransparent) {
      const int32_t transIndex = hasAlpha ? ncolors : indexOf(IOParams.GIFTransparentColor);
      const uint8_t gce[3] = {0x21, 0xF9, 4};
      PutBytes(out, gce, 3);
      out.push_back(static_cast<uint8_t>(1 + 8));
      PutWord(out, IOParams.GIFDelayTime & 0xFFFF);
      out.push_back(static_cast<uint8_t>(transIndex));
      out.push_back(0);
    }
    out.push_back(0x2C);
    PutWord(out, IOParams.GIFXPos);
    PutWord(out, IOParams.GIFYPos);
    PutWord(out, width);
    PutWord(out, height);
    out.push_back(IOParams.GIFInterlaced ? 64 : 0);

    Report(Progress, 70);
    if (IEAborting(Progress)) return;

    const TIEGIFLZWEncoderFunc encoder =
        IOParams.GIFLZWEncoder != nullptr ? IOParams.GIFLZWEncoder : IEGIFLZWEncoderHook;
    if (encoder == nullptr) {
      IESetAborting(Progress);
      return;
    }
    bool aborting = false;
    IEStreamWriteChecked(Stream, aborting, out.data(), static_cast<int32_t>(out.size()));
    out.clear();
    {
      TMemoryStream data;
      encoder(&data, height, width, IOParams.GIFInterlaced, indexes.data(), bits);
      if (!aborting) IEStreamWriteChecked(Stream, aborting, data.Memory(), static_cast<int32_t>(data.Size()));
    }

    // Comments: sub-blocks of at most 255 bytes; an empty one would end the
    // extension, so empty lines are left out.
    std::vector<uint8_t> comments;
    for (int32_t i = 0; i < IOParams.GIFComments.Count(); ++i) {
      const String line = IOParams.GIFComments.Strings(i);
      for (size_t at = 0; at < line.size(); at += 255) {
        const size_t n = std::min<size_t>(255, line.size() - at);
        comments.push_back(static_cast<uint8_t>(n));
        PutBytes(comments, line.data() + at, n);
      }
    }
    if (!comments.empty()) {
      out.push_back(0x21);
      out.push_back(0xFE);
      PutBytes(out, comments.data(), comments.size());
      out.push_back(0);
    }
    out.push_back(0x3B);
    if (!aborting) IEStreamWriteChecked(Stream, aborting, out.data(), static_cast<int32_t>(out.size()));
    if (aborting) {
      IESetAborting(Progress);
      return;
    }
    Report(Progress, 100);
  } catch (const std::exception&) {
    IESetAborting(Progress);
  }
}

void IEEncodeGIFFile(const String& FileName, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIECodecProgress& Progress) {
  try {
    TSafeFileWriter writer(FileName);
    IEEncodeGIF(&writer.Stream(), Bitmap, IOParams, Progress);
    if (!IEAborting(Progress)) writer.Commit(true);
  } catch (const std::exception&) {
    IESetAborting(Progress);
  }
}

int32_t IEScanGIFFrames(const String& FileName, int32_t DropIndex, bool Rewrite) {
  std::vector<uint8_t> file;
  {
    TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
    const int64_t size = f.Size();
    file.resize(static_cast<size_t>(std::max<int64_t>(size, 0)));
    if (!file.empty()) f.ReadBuffer(file.data(), static_cast<int64_t>(file.size()));
  }
  const size_t size = file.size();
  if (size < 13 || std::memcmp(file.data(), "GIF", 3) != 0) return 0;

  std::vector<uint8_t> copy;
  copy.reserve(size);
  PutBytes(copy, "GIF89a", 6);
  PutBytes(copy, file.data() + 6, 7);
  size_t at = 13;
  if (file[10] & 0x80) {
    const size_t n = std::min<size_t>(size - at, size_t{3} << ((file[10] & 7) + 1));
    PutBytes(copy, file.data() + at, n);
    at += n;
  }

  // Copies (or with Keep false skips) a sequence of sub-blocks; false when one
  // runs past the end (copied cut to the bytes there, then terminated).
  auto subBlocks = [&](bool Keep) {
    while (at < size) {
      const size_t len = file[at++];
      if (len == 0) {
        if (Keep) copy.push_back(0);
        return true;
      }
      const size_t n = std::min(len, size - at);
      if (Keep && n > 0) {
        copy.push_back(static_cast<uint8_t>(n));
        PutBytes(copy, file.data() + at, n);
      }
      at += n;
      if (n < len) break;
    }
    if (Keep) copy.push_back(0);
    return false;
  };

  int32_t counter = 0;
  int32_t copied = 0;
  while (at < size) {
    const uint8_t block = file[at++];
    if (block == 0x21) {
      if (at >= size) break;
      const uint8_t label = file[at++];
      const bool keep = !(label == 0xF9 && counter == DropIndex);
      if (keep) {
        copy.push_back(0x21);
        copy.push_back(label);
      }
      subBlocks(keep);
    } else if (block == 0x2C) {
      if (size - at < 9) break;
      const uint8_t* desc = file.data() + at;
      size_t tableBytes = (desc[8] & 0x80) ? size_t{3} << ((desc[8] & 7) + 1) : 0;
      const size_t start = at - 1;
      at += 9;
      if (size - at < tableBytes + 1) break;
      at += tableBytes + 1;  // the table and the code size byte
      const size_t mark = copy.size();
      const bool keep = counter != DropIndex;
      if (keep) PutBytes(copy, file.data() + start, at - start);
      if (!subBlocks(keep)) {
        copy.resize(mark);
        break;
      }
      if (keep) ++copied;
      ++counter;
    } else if (block == 0x3B) {
      break;
    }
  }
  copy.push_back(0x3B);
  if (Rewrite) SaveBytesToFile(FileName, copy.data(), copy.size(), true);
  return copied;
}
