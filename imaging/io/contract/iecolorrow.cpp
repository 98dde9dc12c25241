#include "imaging/io/contract/iecolorrow.h"

#include <lcms2.h>

#include <cstring>

#include "imaging/io/contract/ieparams.h"
#include "imaging/model/containers/ieicc.h"
#include "imaging/model/pixels/ieroutines.h"
#include "imaging/model/processing/iesmallroutines.h"

TIEColorConvertProc IEColorConvertHook = IEConvertColorRow;
bool IEColorManagement = false;

namespace {

constexpr int32_t kBytesPerPixel[8] = {3, 3, 4, 6, 3, 1, 6, 6};
// Six 8-bit channels without a colour space.
constexpr int32_t kCMYK6Format = CHANNELS_SH(6) | BYTES_SH(1);
static_assert(kCMYK6Format == 0x31);
constexpr int32_t kCMSFormats[8] = {TYPE_RGB_8, TYPE_BGR_8,  TYPE_CMYK_8_REV, kCMYK6Format,
                                    TYPE_Lab_8, TYPE_GRAY_8, TYPE_RGB_16,     TYPE_RGB_16_SE};

bool ConvertThroughICC(const void* Source, TIEColorRowFormat SourceFormat, void* Dest, TIEColorRowFormat DestFormat,
                       int32_t Count, TIOParamsVals* Params) {
  if (!IEColorManagement || Params == nullptr) return false;
  TIEICC* input = Params->InputICC.get();  // never created here
  if (input == nullptr || !input->IsValid()) return false;
  TIEICC* output = Params->GetOutputICC();
  if (!output->IsValid()) return false;
  const int32_t inFormat = IEColorRowCMSFormat(SourceFormat), outFormat = IEColorRowCMSFormat(DestFormat);
  if (inFormat == 0 || outFormat == 0) return false;
  return input->Transform(output, inFormat, outFormat, INTENT_PERCEPTUAL, 0, Source, Dest, Count);
}

}  // namespace

int32_t IEColorRowBytesPerPixel(TIEColorRowFormat Format) {
  const auto i = static_cast<uint8_t>(Format);
  return i < 8 ? kBytesPerPixel[i] : 0;
}

int32_t IEColorRowCMSFormat(TIEColorRowFormat Format) {
  const auto i = static_cast<uint8_t>(Format);
  return i < 8 ? kCMSFormats[i] : 0;
}

void IEConvertColorRow(const void* Source, TIEColorRowFormat SourceFormat, void* Dest, TIEColorRowFormat DestFormat,
                       int32_t Count, TIOParamsVals* Params) {
  if (Count <= 0) return;
  if (ConvertThroughICC(Source, SourceFormat, Dest, DestFormat, Count, Params)) return;

  using F = TIEColorRowFormat;
  const auto* s = static_cast<const uint8_t*>(Source);
  auto* d = static_cast<uint8_t*>(Dest);
  const auto n = static_cast<size_t>(Count);

  if (SourceFormat == F::crfBGR) {
    switch (DestFormat) {
      case F::crfBGR: std::memmove(d, s, n * 3); break;
      case F::crfCMYK:
        for (size_t i = 0; i < n; ++i, s += 3, d += 4) {
          const TCMYK k = IERGBToCMYK(TRGB{s[0], s[1], s[2]});
          d[0] = k.c;
          d[1] = k.m;
          d[2] = k.y;
          d[3] = k.k;
        }
        break;
      case F::crfCIELab:
        for (size_t i = 0; i < n; ++i, s += 3, d += 3) {
          TCIELab lab;
          IERGBToCIELab(lab, (uint32_t(s[2]) << 16) | (uint32_t(s[1]) << 8) | s[0]);
          std::memcpy(d, &lab, 3);
        }
        break;
      case F::crfGray:
        for (size_t i = 0; i < n; ++i, s += 3, ++d) *d = static_cast<uint8_t>(IEGray8(s[2], s[1], s[0]));
        break;
      default: break;
    }
    return;
  }
  if (DestFormat != F::crfBGR) return;  // no other pair is listed

  switch (SourceFormat) {
    case F::crfRGB: CopyRowSwapRedBlue(d, s, Count); break;
    case F::crfCMYK:
      for (size_t i = 0; i < n; ++i, s += 4, d += 3) {
        const TRGB c = IECMYKToRGB(TCMYK{s[0], s[1], s[2], s[3]});
        d[0] = c.b;
        d[1] = c.g;
        d[2] = c.r;
      }
      break;
    case F::crfCMYK6:
      // Ink values as stored in the file: inverted on the fly, the source row
      // stays as it is.
      for (size_t i = 0; i < n; ++i, s += 6, d += 3) {
        const TRGB c =
            IECMYKToRGB(TCMYK{uint8_t(255 - s[0]), uint8_t(255 - s[1]), uint8_t(255 - s[2]), uint8_t(255 - s[3])});
        d[0] = c.b;
        d[1] = c.g;
        d[2] = c.r;
      }
      break;
    case F::crfCIELab:
      for (size_t i = 0; i < n; ++i, s += 3, d += 3) {
        TCIELab lab;
        std::memcpy(&lab, s, 3);
        TRGB c;
        IECIELabToRGB(c, lab);
        d[0] = c.b;
        d[1] = c.g;
        d[2] = c.r;
      }
      break;
    case F::crfRGB48:
      for (size_t i = 0; i < n; ++i, s += 6, d += 3) {
        d[0] = s[5];
        d[1] = s[3];
        d[2] = s[1];
      }
      break;
    case F::crfRGB48BE:
      for (size_t i = 0; i < n; ++i, s += 6, d += 3) {
        d[0] = s[4];
        d[1] = s[2];
        d[2] = s[0];
      }
      break;
    default: break;
  }
}
