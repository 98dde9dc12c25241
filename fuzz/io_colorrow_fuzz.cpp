// Fuzz target for the colour-row conversion and the format registry's
// extension lookup. Byte 0 picks the source format, byte 1 the destination
// format (values past the last format included), the rest is the source row.
// A conversion reads and writes only within rows of exactly Count pixels,
// never writes its source, leaves the destination alone for pairs it does
// not convert; an extension lookup finds a row that lists the extension.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "imaging/io/contract/iecolorrow.h"
#include "imaging/io/core/ieformats.h"
#include "platform/rtl/strings.h"

namespace {

inline void Check(bool condition) {
  if (!condition) __builtin_trap();
}

bool Converts(TIEColorRowFormat From, TIEColorRowFormat To) {
  using F = TIEColorRowFormat;
  if (From == F::crfBGR) return To == F::crfBGR || To == F::crfCMYK || To == F::crfCIELab || To == F::crfGray;
  return To == F::crfBGR && (From == F::crfRGB || From == F::crfCMYK || From == F::crfCMYK6 || From == F::crfCIELab ||
                             From == F::crfRGB48 || From == F::crfRGB48BE);
}

void FuzzConversion(const uint8_t* data, size_t size) {
  const auto from = static_cast<TIEColorRowFormat>(data[0] % 10);
  const auto to = static_cast<TIEColorRowFormat>(data[1] % 10);
  const size_t inBpp = static_cast<size_t>(IEColorRowBytesPerPixel(from));
  const size_t outBpp = static_cast<size_t>(IEColorRowBytesPerPixel(to));
  const size_t count = inBpp == 0 ? 0 : (size - 2) / inBpp;
  // Exact-size rows, so that a step past either end is caught.
  const std::vector<uint8_t> source(data + 2, data + 2 + count * inBpp);
  std::vector<uint8_t> copy = source;
  std::vector<uint8_t> dest(count * outBpp, 0xA5);
  IEConvertColorRow(copy.data(), from, dest.data(), to, static_cast<int32_t>(count), nullptr);
  Check(copy == source);
  if (!Converts(from, to) || count == 0) {
    for (uint8_t b : dest) Check(b == 0xA5);
  }
}

void FuzzExtension(const uint8_t* data, size_t size) {
  const String ext(reinterpret_cast<const char*>(data), size);
  const TIEFormatRecord* row = IEFindFormatByExtension(ext);
  if (row == nullptr) return;
  String wanted = LowerCase(ext);
  if (!wanted.empty() && wanted[0] == '.') wanted.erase(0, 1);
  if (wanted == "arw" || wanted == "rw2" || wanted == "x3f") wanted = "srf";
  const String list = ";" + LowerCase(row->Extensions) + ";";
  Check(!wanted.empty() && list.find(";" + wanted + ";") != String::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  IEInitImageIO();
  if (size >= 2) FuzzConversion(data, size);
  if (size <= 64) FuzzExtension(data, size);
  return 0;
}
