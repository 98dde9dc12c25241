// The colour operations of TImgProc, their workers and colour routines.
#include <cmath>
#include <cstring>

#include "imaging/model/pixels/ieblend.h"
#include "imaging/model/pixels/ieroutines.h"
#include "imaging/model/processing/iesmallroutines.h"
#include "imaging/model/processing/imgproc.h"
#include "platform/rtl/format.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/scopeguard.h"

namespace {

using ie_detail::TruncToInt32;

// Nearest, ties to even (the FPU's default mode).
inline double Rnd(double x) { return std::nearbyint(x); }

inline uint8_t LimitByte(int64_t v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); }
inline uint8_t LimitByteD(double v) { return !(v > 0) ? 0 : (v > 255 ? 255 : static_cast<uint8_t>(v)); }

inline uint32_t PackRGB(const TRGB& p) {
  return static_cast<uint32_t>(p.r) << 16 | static_cast<uint32_t>(p.g) << 8 | p.b;
}

// The rectangle limited to Work.
bool ClipRect(TIEBitmap* Work, int32_t& X1, int32_t& Y1, int32_t& X2, int32_t& Y2) {
  if (X1 < 0) X1 = 0;
  if (Y1 < 0) Y1 = 0;
  if (X2 > Work->Width()) X2 = Work->Width();
  if (Y2 > Work->Height()) Y2 = Work->Height();
  return X1 < X2 && Y1 < Y2;
}

// Maps the three channels of the ie24RGB rectangle through tables.
void MapRGB(TIEBitmap* Work, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, const uint8_t* TR, const uint8_t* TG,
            const uint8_t* TB, TObject* Sender, const TIEProgressEvent& OnProgress) {
  for (int32_t y = Y1; y < Y2; ++y) {
    TRGB* p = static_cast<TRGB*>(Work->ScanLine(y)) + X1;
    for (int32_t x = X1; x < X2; ++x, ++p) {
      p->r = TR[p->r];
      p->g = TG[p->g];
      p->b = TB[p->b];
    }
    IEProcRowProgress(Sender, OnProgress, y, Y1, Y2);
  }
}

}  // namespace

void IEProcRowProgress(TObject* Sender, const TIEProgressEvent& OnProgress, int32_t Y, int32_t Y1, int32_t Y2) {
  if (!OnProgress) return;
  const double per = (static_cast<double>(Y) - Y1 + 1) * (100.0 / (static_cast<double>(Y2) - Y1 - 1 + 0.5));
  IEDoProgress(OnProgress, Sender, TruncToInt32(per));
}

// ---- Colour routines ---------------------------------------------------------------------

void HSVToRGB(TRGB& Pixel, int32_t Hue, int32_t Saturation, int32_t Value) {
  if (Hue < 0)
    Hue += 360;
  else if (Hue > 359)
    Hue -= 360;
  const int32_t S = Saturation < 0 ? 0 : (Saturation > 99 ? 99 : Saturation);
  const int32_t V = Value < 0 ? 0 : (Value > 99 ? 99 : Value);
  int32_t r, g, b;
  if (S == 0) {
    r = g = b = V;
  } else {
    const int32_t h = Hue % 60;
    const int32_t up = V - S * V * (60 - h) / 5940;
    const int32_t down = V - S * V * h / 5940;
    const int32_t low = V - S * V / 99;
    switch (Hue / 60) {
      case 0: r = V, g = up, b = low; break;
      case 1: r = down, g = V, b = low; break;
      case 2: r = low, g = V, b = up; break;
      case 3: r = low, g = down, b = V; break;
      case 4: r = up, g = low, b = V; break;
      case 5: r = V, g = low, b = down; break;
      default: r = g = b = 0; break;  // a hue still out of range after one wrap
    }
  }
  Pixel.r = LimitByteD(Rnd(r / 99.0 * 255));
  Pixel.g = LimitByteD(Rnd(g / 99.0 * 255));
  Pixel.b = LimitByteD(Rnd(b / 99.0 * 255));
}

void AverageColor(TIEBitmap* Bitmap, int32_t& R, int32_t& G, int32_t& B) {
  R = G = B = 0;
  if (!Bitmap || Bitmap->IsEmpty()) return;
  const int32_t w = Bitmap->Width(), h = Bitmap->Height();
  const TIEPixelFormat pf = Bitmap->PixelFormat();
  TRGB pal[256];
  if (pf == TIEPixelFormat::ie8p)
    for (int32_t i = 0; i < 256; ++i) {
      if (i < Bitmap->PaletteLength()) Bitmap->GetPaletteColor(i, pal[i]);
    }
  int64_t tr = 0, tg = 0, tb = 0;
  for (int32_t y = 0; y < h; ++y) {
    const void* row = Bitmap->ScanLine(y);
    int64_t sr = 0, sg = 0, sb = 0;
    switch (pf) {
      case TIEPixelFormat::ie1g: {
        const auto* p = static_cast<const uint8_t*>(row);
        int64_t n = 0;
        for (int32_t x = 0; x < w; ++x) n += (p[x >> 3] >> (7 - (x & 7))) & 1;
        sr = sg = sb = n * 255;
        break;
      }
      case TIEPixelFormat::ie8p: {
        const auto* p = static_cast<const uint8_t*>(row);
        for (int32_t x = 0; x < w; ++x) {
          sr += pal[p[x]].r;
          sg += pal[p[x]].g;
          sb += pal[p[x]].b;
        }
        break;
      }
      case TIEPixelFormat::ie8g: {
        const auto* p = static_cast<const uint8_t*>(row);
        for (int32_t x = 0; x < w; ++x) sr += p[x];
        sg = sb = sr;
        break;
      }
      case TIEPixelFormat::ie16g: {
        const auto* p = static_cast<const uint8_t*>(row);
        for (int32_t x = 0; x < w; ++x) sr += p[2 * x + 1];  // the high byte
        sg = sb = sr;
        break;
      }
      case TIEPixelFormat::ie24RGB: {
        const auto* p = static_cast<const TRGB*>(row);
        for (int32_t x = 0; x < w; ++x) {
          sr += p[x].r;
          sg += p[x].g;
          sb += p[x].b;
        }
        break;
      }
      case TIEPixelFormat::ie32f: {
        const auto* p = static_cast<const uint8_t*>(row);
        for (int32_t x = 0; x < w; ++x) {
          float v;
          std::memcpy(&v, p + 4 * x, 4);
          sr += TruncToInt32(static_cast<double>(v) * 255);
        }
        sg = sb = sr;
        break;
      }
      case TIEPixelFormat::ieCMYK: {
        const auto* p = static_cast<const TCMYK*>(row);
        for (int32_t x = 0; x < w; ++x) {
          const TRGB c = IECMYKToRGB(p[x]);
          sr += c.r;
          sg += c.g;
          sb += c.b;
        }
        break;
      }
      case TIEPixelFormat::ieRGB48: {
        const auto* p = static_cast<const uint8_t*>(row);
        for (int32_t x = 0; x < w; ++x) {
          TRGB48 c;
          std::memcpy(&c, p + 6 * x, 6);
          sr += c.r * 255 / 65535;
          sg += c.g * 255 / 65535;
          sb += c.b * 255 / 65535;
        }
        break;
      }
      default: break;
    }
    tr += sr / w;
    tg += sg / w;
    tb += sb / w;
  }
  R = static_cast<int32_t>(tr / h);
  G = static_cast<int32_t>(tg / h);
  B = static_cast<int32_t>(tb / h);
}

// ---- Workers ---------------------------------------------------------------------------

void ApplyGray(TIEBitmap* Work, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, TObject* Sender,
               const TIEProgressEvent& OnProgress) {
  if (Work->PixelFormat() != TIEPixelFormat::ie24RGB || !ClipRect(Work, X1, Y1, X2, Y2)) return;
  int32_t wr[256], wg[256], wb[256];
  for (int32_t i = 0; i < 256; ++i) {
    wr[i] = i * IEGrayWeightRed;
    wg[i] = i * IEGrayWeightGreen;
    wb[i] = i * IEGrayWeightBlue;
  }
  for (int32_t y = Y1; y < Y2; ++y) {
    TRGB* p = static_cast<TRGB*>(Work->ScanLine(y)) + X1;
    for (int32_t x = X1; x < X2; ++x, ++p) {
      const auto v = static_cast<uint8_t>((wr[p->r] + wg[p->g] + wb[p->b]) / 100);
      p->r = p->g = p->b = v;
    }
    IEProcRowProgress(Sender, OnProgress, y, Y1, Y2);
  }
}

void ApplyHSLVar(TIEBitmap* Work, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t Hue, int32_t Saturation,
                 int32_t Lightness, TObject* Sender, const TIEProgressEvent& OnProgress) {
  if (Work->PixelFormat() != TIEPixelFormat::ie24RGB || !ClipRect(Work, X1, Y1, X2, Y2)) return;
  const double t = (Saturation + 100.0) / 100.0;
  const bool hsl = Hue != 0 || Lightness != 0;
  const double dh = Hue / 360.0, dl = Lightness / 100.0;
  for (int32_t y = Y1; y < Y2; ++y) {
    TRGB* p = static_cast<TRGB*>(Work->ScanLine(y)) + X1;
    for (int32_t x = X1; x < X2; ++x, ++p) {
      if (Saturation != 0) {
        const double l = 0.3 * p->r + 0.59 * p->g + 0.11 * p->b;
        p->r = LimitByteD(Rnd(l + t * (p->r - l)));
        p->g = LimitByteD(Rnd(l + t * (p->g - l)));
        p->b = LimitByteD(Rnd(l + t * (p->b - l)));
      }
      if (hsl) {
        double h, s, l;
        RGBToHSL(PackRGB(*p), h, s, l);
        HSLToRGB(*p, h + dh, s, l + dl);
      }
    }
    IEProcRowProgress(Sender, OnProgress, y, Y1, Y2);
  }
}

void ApplyContrast(TIEBitmap* Work, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t Value, int32_t MeanR,
                   int32_t MeanG, int32_t MeanB, TObject* Sender, const TIEProgressEvent& OnProgress) {
  if (Work->PixelFormat() != TIEPixelFormat::ie24RGB || !ClipRect(Work, X1, Y1, X2, Y2)) return;
  const double v = Value;
  const int64_t k = Value < 0 ? TruncToInt32((1 - std::sqrt(-v) / 30) * 65536) : TruncToInt32((v / 60 + 1) * 65536);
  uint8_t tr[256], tg[256], tb[256];
  for (int32_t c = 0; c < 256; ++c) {
    // Division truncating toward zero, as the fixed-point formula asks.
    tr[c] = LimitByte(MeanR + (c - MeanR) * k / 65536);
    tg[c] = LimitByte(MeanG + (c - MeanG) * k / 65536);
    tb[c] = LimitByte(MeanB + (c - MeanB) * k / 65536);
  }
  MapRGB(Work, X1, Y1, X2, Y2, tr, tg, tb, Sender, OnProgress);
}

void ApplyIntensity(TIEBitmap* Work, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t Red, int32_t Green,
                    int32_t Blue, TObject* Sender, const TIEProgressEvent& OnProgress) {
  if (Work->PixelFormat() != TIEPixelFormat::ie24RGB || !ClipRect(Work, X1, Y1, X2, Y2)) return;
  uint8_t tr[256], tg[256], tb[256];
  for (int32_t c = 0; c < 256; ++c) {
    tr[c] = LimitByte(int64_t{c} + Red);
    tg[c] = LimitByte(int64_t{c} + Green);
    tb[c] = LimitByte(int64_t{c} + Blue);
  }
  MapRGB(Work, X1, Y1, X2, Y2, tr, tg, tb, Sender, OnProgress);
}

void ApplyNegative(TIEBitmap* Work, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, TObject* Sender,
                   const TIEProgressEvent& OnProgress) {
  const TIEPixelFormat pf = Work->PixelFormat();
  if (pf == TIEPixelFormat::ie8p) {
    TRGB c;
    for (int32_t i = 0; i < Work->PaletteLength(); ++i) {
      Work->GetPaletteColor(i, c);
      c.r = static_cast<uint8_t>(255 - c.r);
      c.g = static_cast<uint8_t>(255 - c.g);
      c.b = static_cast<uint8_t>(255 - c.b);
      Work->SetPaletteColor(i, c);
    }
    return;
  }
  if (!ClipRect(Work, X1, Y1, X2, Y2)) return;
  for (int32_t y = Y1; y < Y2; ++y) {
    auto* row = static_cast<uint8_t*>(Work->ScanLine(y));
    switch (pf) {
      case TIEPixelFormat::ie1g: {
        int32_t x = X1;
        for (; x < X2 && (x & 7) != 0; ++x) row[x >> 3] ^= static_cast<uint8_t>(0x80u >> (x & 7));
        for (; x + 8 <= X2; x += 8) row[x >> 3] = static_cast<uint8_t>(~row[x >> 3]);
        for (; x < X2; ++x) row[x >> 3] ^= static_cast<uint8_t>(0x80u >> (x & 7));
        break;
      }
      case TIEPixelFormat::ie8g:
        for (int32_t x = X1; x < X2; ++x) row[x] = static_cast<uint8_t>(255 - row[x]);
        break;
      case TIEPixelFormat::ie16g:
        for (int32_t x = X1; x < X2; ++x) {
          row[2 * x] = static_cast<uint8_t>(~row[2 * x]);  // 65535 - v, byte by byte
          row[2 * x + 1] = static_cast<uint8_t>(~row[2 * x + 1]);
        }
        break;
      case TIEPixelFormat::ie24RGB:
        for (int32_t i = X1 * 3; i < X2 * 3; ++i) row[i] = static_cast<uint8_t>(255 - row[i]);
        break;
      case TIEPixelFormat::ie32f:
        for (int32_t x = X1; x < X2; ++x) {
          float v;
          std::memcpy(&v, row + 4 * x, 4);
          v = 1 - v;
          std::memcpy(row + 4 * x, &v, 4);
        }
        break;
      case TIEPixelFormat::ieCMYK: {
        auto* p = reinterpret_cast<TCMYK*>(row);
        for (int32_t x = X1; x < X2; ++x) {
          TRGB c = IECMYKToRGB(p[x]);
          c.r = static_cast<uint8_t>(255 - c.r);
          c.g = static_cast<uint8_t>(255 - c.g);
          c.b = static_cast<uint8_t>(255 - c.b);
          p[x] = IERGBToCMYK(c);
        }
        break;
      }
      case TIEPixelFormat::ieRGB48:
        for (int32_t i = X1 * 6; i < X2 * 6; ++i) row[i] = static_cast<uint8_t>(~row[i]);
        break;
      default: return;
    }
    IEProcRowProgress(Sender, OnProgress, y, Y1, Y2);
  }
}

void ApplyGamma(TIEBitmap* Work, int32_t /*X1*/, int32_t /*Y1*/, int32_t /*X2*/, int32_t /*Y2*/, double Gamma,
                uint8_t Channels, TObject* Sender, const TIEProgressEvent& OnProgress) {
  // The whole of Work, and only ie24RGB rows: narrower rows would be overrun.
  if (Work->PixelFormat() != TIEPixelFormat::ie24RGB || Work->IsEmpty()) return;
  if (!(Gamma != 0) || std::isnan(Gamma)) return;
  uint8_t t[256], id[256];
  for (int32_t i = 0; i < 256; ++i) {
    id[i] = static_cast<uint8_t>(i);
    const double v = Rnd(IEPower(i / 255.0, 1 / Gamma) * 255);
    t[i] = std::isnan(v) ? static_cast<uint8_t>(i) : LimitByteD(v);  // +-inf saturate
  }
  const uint8_t* tr = (Channels == 7 || (Channels & 1)) ? t : id;
  const uint8_t* tg = (Channels == 7 || (Channels & 2)) ? t : id;
  const uint8_t* tb = (Channels == 7 || (Channels & 4)) ? t : id;
  const int32_t w = Work->Width(), h = Work->Height();
  for (int32_t y = 0; y < h; ++y) {
    TRGB* p = static_cast<TRGB*>(Work->ScanLine(y));
    for (int32_t x = 0; x < w; ++x, ++p) {
      p->r = tr[p->r];
      p->g = tg[p->g];
      p->b = tb[p->b];
    }
    if (OnProgress) IEDoProgress(OnProgress, Sender, int64_t{y} * 100 / h);
  }
}

void ApplyTransparentColors(TIEBitmap* Work, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, const TRGB& MinColor,
                            const TRGB& MaxColor, int32_t Alpha, TObject* Sender, const TIEProgressEvent& OnProgress) {
  if (Work->IsEmpty()) return;
  TIEBitmap* alpha = Work->AlphaChannel();
  const auto a = static_cast<uint8_t>(Alpha);
  const TIEPixelFormat pf = Work->PixelFormat();
  if ((pf == TIEPixelFormat::ie24RGB || pf == TIEPixelFormat::ie1g) && ClipRect(Work, X1, Y1, X2, Y2)) {
    for (int32_t y = Y1; y < Y2; ++y) {
      const auto* row = static_cast<const uint8_t*>(Work->ScanLine(y));
      auto* arow = static_cast<uint8_t*>(alpha->ScanLine(y));
      if (pf == TIEPixelFormat::ie24RGB) {
        const auto* p = reinterpret_cast<const TRGB*>(row);
        for (int32_t x = X1; x < X2; ++x) {
          const TRGB& c = p[x];
          if (c.r >= MinColor.r && c.r <= MaxColor.r && c.g >= MinColor.g && c.g <= MaxColor.g && c.b >= MinColor.b &&
              c.b <= MaxColor.b)
            arow[x] = a;
        }
      } else {
        const int want = MinColor.r == 0 ? 0 : 1;
        for (int32_t x = X1; x < X2; ++x)
          if (((row[x >> 3] >> (7 - (x & 7))) & 1) == want) arow[x] = a;
      }
      IEProcRowProgress(Sender, OnProgress, y, Y1, Y2);
    }
  }
  alpha->SyncFull();
}

// ---- Operations --------------------------------------------------------------------------

void TImgProc::RunSelectionOp(TIEPixelFormatSet Formats, const String& Caption, const TIERectWorker& Worker) {
  int32_t x1, y1, x2, y2;
  TIEMask* mask = nullptr;
  TIEBitmap* work = nullptr;
  if (!BeginImageProcessing(Formats, Caption, x1, y1, x2, y2, mask, work)) return;
  {
    auto cleanup = ScopeFail([&] {
      if (work != FIEBitmap) delete work;
    });
    Worker(work, x1, y1, x2, y2);
  }
  EndImageProcessing(work, mask);
}

void TImgProc::RunWholeImageOp(TIEPixelFormatSet Formats, const String& Caption, const TIEImageWorker& Worker) {
  if (!CheckBitmap(Formats)) return;
  if (FAutoUndo) SaveUndoCaptioned(Caption, ieuImage);
  Worker(FIEBitmap);
  Update();
}

String IEProcCaption(const String& Name, std::initializer_list<int32_t> Values) {
  String s = Name;
  const char* sep = " ";
  for (int32_t v : Values) {
    s += sep + IntToStr(v);
    sep = ",";
  }
  return s;
}

String IEProcCaption(const String& Name, double Value) { return Name + " " + FloatToStr(Value); }

void TImgProc::ConvertToGray() {
  RunSelectionOp({}, "ConvertToGray", [this](TIEBitmap* w, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    ApplyGray(w, x1, y1, x2, y2, this, OnProgress);
  });
}

void TImgProc::HSLvar(int32_t Hue, int32_t Saturation, int32_t Lightness) {
  RunSelectionOp(IEProcRGBFormats, IEProcCaption("HSLvar", {Hue, Saturation, Lightness}),
                 [&](TIEBitmap* w, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
                   ApplyHSLVar(w, x1, y1, x2, y2, Hue, Saturation, Lightness, this, OnProgress);
                 });
}

void TImgProc::Contrast(int32_t Value) {
  RunSelectionOp(IEProcRGBFormats, IEProcCaption("Contrast", {Value}),
                 [&](TIEBitmap* w, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
                   int32_t r, g, b;
                   AverageColor(FIEBitmap, r, g, b);  // of the whole image, not the selection
                   ApplyContrast(w, x1, y1, x2, y2, Value, r, g, b, this, OnProgress);
                 });
}

void TImgProc::IntensityRGBall(int32_t Red, int32_t Green, int32_t Blue) {
  RunSelectionOp(IEProcRGBFormats, IEProcCaption("IntensityRGBall", {Red, Green, Blue}),
                 [&](TIEBitmap* w, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
                   ApplyIntensity(w, x1, y1, x2, y2, Red, Green, Blue, this, OnProgress);
                 });
}

void TImgProc::Negative() {
  RunSelectionOp({}, "Negative", [this](TIEBitmap* w, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    ApplyNegative(w, x1, y1, x2, y2, this, OnProgress);
  });
}

void TImgProc::GammaCorrect(double Gamma, uint8_t Channels) {
  RunSelectionOp({}, "GammaCorrect", [&](TIEBitmap* w, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    ApplyGamma(w, x1, y1, x2, y2, Gamma, Channels, this, OnProgress);
  });
}

void TImgProc::SetTransparentColors(const TRGB& MinColor, const TRGB& MaxColor, int32_t Alpha) {
  RunSelectionOp({}, "SetTransparentColors", [&](TIEBitmap* w, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    ApplyTransparentColors(w, x1, y1, x2, y2, MinColor, MaxColor, Alpha, this, OnProgress);
  });
}
