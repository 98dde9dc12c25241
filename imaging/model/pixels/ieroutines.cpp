#include "imaging/model/pixels/ieroutines.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "platform/rtl/arith.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/files.h"
#include "platform/rtl/format.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"

std::function<void(HWND__* Window)> IECenterWindowHook;

// ---- Files and memory ------------------------------------------------------------

bool IEDirectoryExists(const String& Path) { return DirectoryExists(Path); }

namespace {
void ForceDirectoriesFrom(String Path) {
  while (Path.size() > 1 && Path.back() == '/') Path.pop_back();
  if (Path.empty() || Path == "/" || DirectoryExists(Path)) return;
  const size_t slash = Path.rfind('/');
  if (slash != String::npos) ForceDirectoriesFrom(Path.substr(0, slash == 0 ? 1 : slash));
  CreateDir(Path);
}
}  // namespace

void IEForceDirectories(const String& Path) {
  if (Path.empty()) throw Exception("Cannot Create Directory");
  ForceDirectoriesFrom(Path);
}

int32_t IEGetFileSize(const String& FileName) {
  struct stat st;
  if (FileName.empty() || ::stat(FileName.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return -1;
  if (st.st_size < 0 || st.st_size > std::numeric_limits<int32_t>::max()) return -1;
  return static_cast<int32_t>(st.st_size);
}

void* IEVirtualAlloc(int64_t Size) {
  if (Size <= 0 || static_cast<uint64_t>(Size) > std::numeric_limits<size_t>::max() / 2) return nullptr;
  return std::calloc(1, static_cast<size_t>(Size));
}

void IEVirtualFree(void*& Address) {
  std::free(Address);
  Address = nullptr;
}

// ---- Maths ------------------------------------------------------------------------------

double IEIntPower(double Base, int32_t Exponent) {
  // The magnitude in 64 bits: -(-2147483648) does not fit in int32.
  uint64_t n = Exponent < 0 ? static_cast<uint64_t>(-static_cast<int64_t>(Exponent)) : static_cast<uint64_t>(Exponent);
  double result = 1, x = Base;
  while (n != 0) {
    if (n & 1) result *= x;
    x *= x;
    n >>= 1;
  }
  return Exponent < 0 ? 1 / result : result;
}

double IEPower(double Base, double Exponent) {
  if (Exponent == 0) return 1;
  if (Base == 0 && Exponent > 0) return 0;
  if (std::trunc(Exponent) == Exponent && std::fabs(Exponent) <= 2147483647.0)
    return IEIntPower(Base, static_cast<int32_t>(Exponent));
  if (Base < 0 || std::isnan(Base)) throw EInvalidOp("Invalid floating point operation");
  return std::exp(Exponent * std::log(Base));
}

double IEAngleBetween(double X1, double Y1, double X2, double Y2, double X3, double Y3) {
  const double ax = X2 - X1, ay = Y2 - Y1, bx = X3 - X2, by = Y3 - Y2;
  const double la = ax * ax + ay * ay, lb = bx * bx + by * by;
  if (la == 0 || lb == 0) return 0;
  // One square root of the product: for (anti)parallel integer vectors it is
  // exactly |dot|, so the quotient is exactly +-1 and never rounds past it.
  const double c = (ax * bx + ay * by) / std::sqrt(la * lb);
  if (c > 1 || c < -1) return 0;
  return IEArcCos(c);
}

void IEBezierPoints(const TPoint& P0, const TPoint& P1, const TPoint& P2, const TPoint& P3, TPoint* Points,
                    int32_t Count) {
  for (int32_t i = 0; i < Count; ++i) {
    const double t = static_cast<double>(i + 1) / Count, u = 1 - t;
    const double k0 = u * u * u, k1 = 3 * u * u * t, k2 = 3 * u * t * t, k3 = t * t * t;
    Points[i].X = static_cast<int32_t>(Round(k0 * P0.X + k1 * P1.X + k2 * P2.X + k3 * P3.X));
    Points[i].Y = static_cast<int32_t>(Round(k0 * P0.Y + k1 * P1.Y + k2 * P2.Y + k3 * P3.Y));
  }
}

void IEConstrainLine(int32_t X0, int32_t Y0, int32_t& X1, int32_t& Y1) {
  const int64_t dx = int64_t{X0} - X1, dy = int64_t{Y0} - Y1;
  const int64_t adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
  if (ady > adx + 30) {
    X1 = X0;
    return;
  }
  if (adx > ady + 30) {
    Y1 = Y0;
    return;
  }
  const int32_t k = static_cast<int32_t>(adx > ady ? adx - ady : ady - adx);
  const bool xShorter = adx < ady;
  if (dx < 0 && dy < 0) {  // end right-below: lengthen the shorter side
    if (xShorter)
      X1 = AddWrap32(X1, k);
    else
      Y1 = AddWrap32(Y1, k);
  } else if (dx > 0 && dy > 0) {  // end left-above: shorten the longer side
    if (adx > ady)
      X1 = AddWrap32(X1, k);
    else
      Y1 = AddWrap32(Y1, k);
  } else if (dx > 0) {  // end left (and below or level): lengthen the shorter side
    if (xShorter)
      X1 = SubWrap32(X1, k);
    else
      Y1 = AddWrap32(Y1, k);
  } else if (dy > 0) {  // end above (and right or level): lengthen the shorter side
    if (xShorter)
      X1 = AddWrap32(X1, k);
    else
      Y1 = SubWrap32(Y1, k);
  }
}

// ---- Lab colour --------------------------------------------------------------------------

namespace {
double LinearChannel(uint32_t v8) {
  const double v = v8 / 255.0;
  return (v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4)) * 100;
}
double LabF(double t) { return t > 0.008856 ? std::pow(t, 1.0 / 3.0) : 7.787 * t + 16.0 / 116.0; }
int32_t ClampTrunc(double v, int32_t lo, int32_t hi) {
  if (!(v >= lo)) return lo;  // NaN too
  if (v > hi) return hi;
  return static_cast<int32_t>(v);
}
}  // namespace

void IERGBToCIELab(TCIELab& Lab, uint32_t Colour) {
  const double r = LinearChannel((Colour >> 16) & 0xFF), g = LinearChannel((Colour >> 8) & 0xFF),
               b = LinearChannel(Colour & 0xFF);
  const double x = 0.4124 * r + 0.3576 * g + 0.1805 * b;
  const double y = 0.2126 * r + 0.7152 * g + 0.0722 * b;
  const double z = 0.0193 * r + 0.1192 * g + 0.9505 * b;
  const double fx = LabF(x), fy = LabF(y), fz = LabF(z);
  Lab.l = static_cast<uint8_t>(ClampTrunc((116 * fy - 16) / 550 * 255, 0, 255));
  Lab.a = static_cast<int8_t>(ClampTrunc((fx - fy) * 500 / 200 * 128, -128, 127));
  Lab.b = static_cast<int8_t>(ClampTrunc((fy - fz) * 200 / 500 * 128, -128, 127));
}

void IECIELabToRGB(TRGB& Colour, const TCIELab& Lab) {
  const double l = Lab.l / 255.0 * 100;
  const int32_t ai = Lab.a == -128 ? 128 : Lab.a, bi = Lab.b == -128 ? 128 : Lab.b;
  const double a = (ai + 127) / 255.0 * 200 - 100, b = (bi + 127) / 255.0 * 200 - 100;
  const double fy = (l + 16) / 116, fx = fy + a / 500, fz = fy - b / 200;
  double x, y, z;
  if (l >= 7.9996) {
    x = fx * fx * fx;
    y = fy * fy * fy;
    z = fz * fz * fz;
  } else {
    x = l / 903.3 + a / 3893.5;
    y = l / 903.3;
    z = l / 903.3 - b / 1557.4;
  }
  auto channel = [](double c) -> uint8_t {
    if (!(c > 0)) return 0;
    if (c >= 1) return 255;
    return static_cast<uint8_t>(std::sqrt(c) * 256);
  };
  Colour.r = channel(2.69 * x - 1.276 * y - 0.414 * z);
  Colour.g = channel(-1.022 * x + 1.978 * y + 0.044 * z);
  Colour.b = channel(0.061 * x - 0.224 * y + 1.163 * z);
}

// ---- System and text ---------------------------------------------------------------------

double IEStrToFloatDef(const String& Text, double Default) {
  double v;
  if (TryStrToFloat(Text, v)) return v;
  String alt = Text;
  size_t p = alt.find(',');
  if (p != String::npos)
    alt[p] = '.';
  else if ((p = alt.find('.')) != String::npos)
    alt[p] = ',';
  if (TryStrToFloat(alt, v)) return v;
  return Default;
}

void IEReplacePlaceholders(const String& Template, const String& V1, const String& V2, const String& V3,
                           const String& V4, String& Result) {
  const TReplaceFlags all{TReplaceFlag::rfReplaceAll};
  Result = StringReplace(Template, "%1%", V1, all);
  if (!V2.empty()) Result = StringReplace(Result, "%2%", V2, all);
  if (!V3.empty()) Result = StringReplace(Result, "%3%", V3, all);
  if (!V4.empty()) Result = StringReplace(Result, "%4%", V4, all);
}

// ---- Base64 -----------------------------------------------------------------------------

namespace {
constexpr char Base64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
}

void IEBase64EncodeTriplet(const uint8_t* Bytes, char* Out, int32_t Count) {
  const uint32_t v =
      (uint32_t{Bytes[0]} << 16) | (Count > 1 ? uint32_t{Bytes[1]} << 8 : 0) | (Count > 2 ? uint32_t{Bytes[2]} : 0);
  Out[0] = Base64Alphabet[(v >> 18) & 63];
  Out[1] = Base64Alphabet[(v >> 12) & 63];
  Out[2] = Count > 1 ? Base64Alphabet[(v >> 6) & 63] : '=';
  Out[3] = Count > 2 ? Base64Alphabet[v & 63] : '=';
}

void IEBase64EncodeStream(TStream* Stream, TStream* TextFile, int32_t LineLength) {
  const int32_t unitsPerLine = std::max(LineLength / 4, 1);
  // One line of input at a time: 3 bytes per unit.
  std::vector<uint8_t> in(static_cast<size_t>(unitsPerLine) * 3);
  std::vector<char> out(static_cast<size_t>(unitsPerLine) * 4 + 2);
  for (;;) {
    // Fill the whole line's input, so that only the stream's end can leave a
    // unit short.
    int32_t got = 0;
    const int32_t want = static_cast<int32_t>(in.size());
    while (got < want) {
      const int32_t n = Stream->Read(in.data() + got, want - got);
      if (n <= 0) break;
      got += n;
    }
    if (got == 0) return;
    size_t len = 0;
    for (int32_t i = 0; i < got; i += 3) {
      IEBase64EncodeTriplet(in.data() + i, out.data() + len, std::min(3, got - i));
      len += 4;
    }
    out[len++] = '\r';
    out[len++] = '\n';
    TextFile->WriteBuffer(out.data(), static_cast<int64_t>(len));
    if (got < want) return;
  }
}
