#include "imaging/io/core/testsupport/pam.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/pixels/testsupport/pnm.h"

namespace {

bool Fail(std::string* Error, const std::string& Why) {
  if (Error != nullptr) *Error = Why;
  return false;
}

bool HasAlpha(const std::string& TupleType) {
  return TupleType.size() > 6 && TupleType.compare(TupleType.size() - 6, 6, "_ALPHA") == 0;
}

std::string BaseType(const std::string& TupleType) {
  return HasAlpha(TupleType) ? TupleType.substr(0, TupleType.size() - 6) : TupleType;
}

int32_t ColourDepth(const std::string& Base) {
  if (Base == "RGB") return 3;
  if (Base == "GRAYSCALE" || Base == "BLACKANDWHITE") return 1;
  return 0;
}

// Scales v of 0..From to 0..To, rounding to nearest.
uint16_t Scale(uint32_t v, uint32_t From, uint32_t To) {
  if (From == To || From == 0) return static_cast<uint16_t>(v);
  return static_cast<uint16_t>((v * To + From / 2) / From);
}

void SetBit(uint8_t* Row, int32_t X, bool On) {
  const auto mask = static_cast<uint8_t>(0x80 >> (X & 7));
  Row[X >> 3] = static_cast<uint8_t>(On ? Row[X >> 3] | mask : Row[X >> 3] & ~mask);
}

bool ParseP7(const std::vector<uint8_t>& Bytes, TPamImage& Image, std::string* Error) {
  size_t pos = 3;  // after "P7\n"
  TPamImage img;
  img.TupleType.clear();
  img.Depth = 0;
  img.MaxVal = 0;
  bool ended = false;
  while (pos < Bytes.size() && !ended) {
    const size_t eol = std::find(Bytes.begin() + static_cast<std::ptrdiff_t>(pos), Bytes.end(), '\n') - Bytes.begin();
    if (eol >= Bytes.size()) return Fail(Error, "header without ENDHDR");
    std::string line(Bytes.begin() + static_cast<std::ptrdiff_t>(pos),
                     Bytes.begin() + static_cast<std::ptrdiff_t>(eol));
    pos = eol + 1;
    if (line.empty() || line[0] == '#') continue;
    std::istringstream in(line);
    std::string key;
    in >> key;
    if (key == "ENDHDR") {
      ended = true;
    } else if (key == "TUPLTYPE") {
      std::string t;
      in >> t;
      img.TupleType += img.TupleType.empty() ? t : " " + t;
    } else {
      long long v = -1;
      in >> v;
      if (!in || v < 0 || v > 1000000) return Fail(Error, "bad header value for " + key);
      if (key == "WIDTH")
        img.Width = static_cast<int32_t>(v);
      else if (key == "HEIGHT")
        img.Height = static_cast<int32_t>(v);
      else if (key == "DEPTH")
        img.Depth = static_cast<int32_t>(v);
      else if (key == "MAXVAL")
        img.MaxVal = static_cast<int32_t>(v);
      else
        return Fail(Error, "unknown header key " + key);
    }
  }
  if (!ended) return Fail(Error, "header without ENDHDR");
  if (img.Width < 1 || img.Height < 1 || img.Depth < 1 || img.MaxVal < 1 || img.MaxVal > 65535)
    return Fail(Error, "missing or impossible header values");
  const int32_t colour = ColourDepth(BaseType(img.TupleType));
  if (colour != 0 && img.Depth != colour + (HasAlpha(img.TupleType) ? 1 : 0))
    return Fail(Error, "DEPTH does not match TUPLTYPE");
  const size_t bytesPerSample = img.MaxVal > 255 ? 2 : 1;
  const size_t count =
      static_cast<size_t>(img.Width) * static_cast<size_t>(img.Height) * static_cast<size_t>(img.Depth);
  if (Bytes.size() - pos < count * bytesPerSample) return Fail(Error, "raster shorter than the header says");
  img.Samples.resize(count);
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* p = Bytes.data() + pos + i * bytesPerSample;
    img.Samples[i] = bytesPerSample == 2 ? static_cast<uint16_t>((p[0] << 8) | p[1]) : p[0];
    if (img.Samples[i] > img.MaxVal) return Fail(Error, "sample above MAXVAL");
  }
  Image = std::move(img);
  return true;
}

}  // namespace

TPamImage MakePam(const std::string& TupleType, int32_t Width, int32_t Height, int32_t MaxVal) {
  TPamImage img;
  img.TupleType = TupleType;
  img.Width = Width;
  img.Height = Height;
  img.MaxVal = MaxVal;
  img.Depth = ColourDepth(BaseType(TupleType)) + (HasAlpha(TupleType) ? 1 : 0);
  img.Samples.assign(static_cast<size_t>(Width) * static_cast<size_t>(Height) * static_cast<size_t>(img.Depth), 0);
  return img;
}

bool ParsePam(const std::vector<uint8_t>& Bytes, TPamImage& Image, std::string* Error) {
  if (Bytes.size() < 3 || Bytes[0] != 'P') return Fail(Error, "not a netpbm file");
  if (Bytes[1] == '7' && Bytes[2] == '\n') return ParseP7(Bytes, Image, Error);
  TPnmImage pnm;
  if (!ParsePnm(Bytes, pnm, Error)) return false;
  const char* type = pnm.Kind == '4' ? "BLACKANDWHITE" : pnm.Kind == '5' ? "GRAYSCALE" : "RGB";
  TPamImage img = MakePam(type, pnm.Width, pnm.Height, pnm.MaxVal);
  for (size_t i = 0; i < img.Samples.size(); ++i)
    img.Samples[i] = pnm.Kind == '4' ? static_cast<uint16_t>(1 - pnm.Samples[i]) : pnm.Samples[i];
  Image = std::move(img);
  return true;
}

bool ReadPamFile(const std::string& Path, TPamImage& Image, std::string* Error) {
  std::ifstream in(Path, std::ios::binary);
  if (!in) return Fail(Error, "cannot open " + Path);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return ParsePam(bytes, Image, Error);
}

std::vector<uint8_t> FormatPam(const TPamImage& Image) {
  std::ostringstream h;
  h << "P7\nWIDTH " << Image.Width << "\nHEIGHT " << Image.Height << "\nDEPTH " << Image.Depth << "\nMAXVAL "
    << Image.MaxVal << "\nTUPLTYPE " << Image.TupleType << "\nENDHDR\n";
  const std::string head = h.str();
  std::vector<uint8_t> out(head.begin(), head.end());
  for (uint16_t s : Image.Samples) {
    if (Image.MaxVal > 255) out.push_back(static_cast<uint8_t>(s >> 8));
    out.push_back(static_cast<uint8_t>(s & 0xFF));
  }
  return out;
}

std::vector<uint8_t> FormatPnmOf(const TPamImage& Image) {
  char kind = 0;
  if (Image.TupleType == "RGB") kind = '6';
  if (Image.TupleType == "GRAYSCALE") kind = '5';
  if (Image.TupleType == "BLACKANDWHITE") kind = '4';
  if (kind == 0) return {};
  TPnmImage pnm = MakePnm(kind, Image.Width, Image.Height, kind == '4' ? 1 : Image.MaxVal);
  for (size_t i = 0; i < pnm.Samples.size(); ++i)
    pnm.Samples[i] = kind == '4' ? static_cast<uint16_t>(Image.Samples[i] ? 0 : 1) : Image.Samples[i];
  return FormatPnm(pnm);
}

bool WritePamFile(const std::string& Path, const TPamImage& Image) {
  const std::vector<uint8_t> bytes = FormatPam(Image);
  std::ofstream out(Path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

void PamToBitmap(const TPamImage& Image, TIEBitmap& Bitmap) {
  const std::string base = BaseType(Image.TupleType);
  const bool wide = Image.MaxVal > 255;
  const auto maxVal = static_cast<uint32_t>(Image.MaxVal);
  TIEPixelFormat format = TIEPixelFormat::ie1g;
  if (base == "GRAYSCALE") format = wide ? TIEPixelFormat::ie16g : TIEPixelFormat::ie8g;
  if (base == "RGB") format = wide ? TIEPixelFormat::ieRGB48 : TIEPixelFormat::ie24RGB;
  Bitmap.Allocate(Image.Width, Image.Height, format);
  const uint32_t top = wide ? 65535u : 255u;
  for (int32_t y = 0; y < Image.Height; ++y) {
    auto* row = static_cast<uint8_t*>(Bitmap.ScanLine(y));
    for (int32_t x = 0; x < Image.Width; ++x) {
      switch (format) {
        case TIEPixelFormat::ie1g: SetBit(row, x, Image.At(x, y) != 0); break;
        case TIEPixelFormat::ie8g: row[x] = static_cast<uint8_t>(Scale(Image.At(x, y), maxVal, top)); break;
        case TIEPixelFormat::ie16g: {
          const uint16_t v = Scale(Image.At(x, y), maxVal, top);
          std::memcpy(row + 2 * x, &v, 2);
          break;
        }
        case TIEPixelFormat::ie24RGB:
          reinterpret_cast<TRGB*>(row)[x] = MakeTRGB(static_cast<uint8_t>(Scale(Image.At(x, y, 0), maxVal, top)),
                                                     static_cast<uint8_t>(Scale(Image.At(x, y, 1), maxVal, top)),
                                                     static_cast<uint8_t>(Scale(Image.At(x, y, 2), maxVal, top)));
          break;
        default: {
          const TRGB48 v{Scale(Image.At(x, y, 0), maxVal, top), Scale(Image.At(x, y, 1), maxVal, top),
                         Scale(Image.At(x, y, 2), maxVal, top)};
          std::memcpy(row + 6 * x, &v, 6);
          break;
        }
      }
    }
  }
  Bitmap.FreeRowBuffers();
  if (HasAlpha(Image.TupleType)) {
    TIEBitmap* alpha = Bitmap.AlphaChannel();
    const int32_t a = Image.Depth - 1;
    for (int32_t y = 0; y < Image.Height; ++y)
      for (int32_t x = 0; x < Image.Width; ++x)
        alpha->SetPixel8(x, y, static_cast<uint8_t>(Scale(Image.At(x, y, a), maxVal, 255)));
    alpha->FreeRowBuffers();
  }
}

TPamImage BitmapToPam(TIEBitmap& Bitmap) {
  const int32_t w = Bitmap.Width(), h = Bitmap.Height();
  const bool alpha = Bitmap.HasAlphaChannel();
  const std::string suffix = alpha ? "_ALPHA" : "";
  TPamImage img;
  switch (Bitmap.PixelFormat()) {
    case TIEPixelFormat::ie1g: img = MakePam("BLACKANDWHITE" + suffix, w, h, alpha ? 255 : 1); break;
    case TIEPixelFormat::ie8g: img = MakePam("GRAYSCALE" + suffix, w, h, 255); break;
    case TIEPixelFormat::ie16g: img = MakePam("GRAYSCALE" + suffix, w, h, 65535); break;
    case TIEPixelFormat::ie8p:
    case TIEPixelFormat::ie24RGB: img = MakePam("RGB" + suffix, w, h, 255); break;
    case TIEPixelFormat::ieRGB48: img = MakePam("RGB" + suffix, w, h, 65535); break;
    default: return TPamImage{0, 0, 0, 255, "", {}};
  }
  const uint32_t top = static_cast<uint32_t>(img.MaxVal);
  // The colour samples are the PNM ones; only black and white flip, since a
  // PBM holds 1 for black and a PAM 1 (MaxVal) for white.
  const TPnmImage pnm = BitmapToPnm(Bitmap);
  const bool bw = Bitmap.PixelFormat() == TIEPixelFormat::ie1g;
  if (pnm.Width == w && pnm.Height == h) {
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x)
        for (int32_t c = 0; c < pnm.Channels; ++c) {
          const uint16_t v = pnm.At(x, y, c);
          img.At(x, y, c) = bw ? static_cast<uint16_t>(v == 0 ? top : 0) : v;
        }
  }
  if (alpha) {
    TIEBitmap* a = Bitmap.AlphaChannel();
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) img.At(x, y, img.Depth - 1) = Scale(a->GetPixel8(x, y), 255, top);
  }
  return img;
}

int32_t PamMaxDifference(TIEBitmap& Bitmap, const TPamImage& Image) {
  const TPamImage mine = BitmapToPam(Bitmap);
  if (mine.Width != Image.Width || mine.Height != Image.Height || mine.Depth != Image.Depth ||
      mine.Samples.size() != Image.Samples.size())
    return -1;
  int32_t worst = 0;
  for (size_t i = 0; i < mine.Samples.size(); ++i) {
    const uint32_t a = Scale(mine.Samples[i], static_cast<uint32_t>(mine.MaxVal), 65535);
    const uint32_t b = Scale(Image.Samples[i], static_cast<uint32_t>(Image.MaxVal), 65535);
    // Compared on the coarser of the two scales.
    const uint32_t unit = 65535u / static_cast<uint32_t>(std::min(mine.MaxVal, Image.MaxVal));
    worst = std::max(worst, static_cast<int32_t>((a > b ? a - b : b - a) / unit));
  }
  return worst;
}
