// Fuzz target for the text conversions: arbitrary bytes through UTF-8 ->
// UTF-16 -> UTF-8, the display fallback and the Unicode case mapping. Every
// output must be well-formed, and well-formed input must survive unchanged.
#include <cstddef>
#include <cstdint>

#include "platform/rtl/strings.h"

namespace {

inline void Check(bool condition) {
  if (!condition) __builtin_trap();
}

bool HasLoneSurrogate(const WideString& w) {
  for (size_t i = 0; i < w.size(); ++i) {
    const char16_t u = w[i];
    if (u >= 0xD800 && u <= 0xDBFF) {
      if (i + 1 < w.size() && w[i + 1] >= 0xDC00 && w[i + 1] <= 0xDFFF) {
        ++i;
        continue;
      }
      return true;
    }
    if (u >= 0xDC00 && u <= 0xDFFF) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const String input(reinterpret_cast<const char*>(data), size);
  const bool valid = IsValidUTF8(input);

  // Bytes as UTF-8.
  const WideString wide = UTF8ToUTF16(input);
  Check(!HasLoneSurrogate(wide));
  Check(wide.size() <= input.size());  // at most one unit per byte
  const String back = UTF16ToUTF8(wide);
  Check(IsValidUTF8(back));
  Check(valid == (back == input));
  Check(UTF8ToUTF16(back) == wide);  // replacement is stable

  const String shown = DisplayText(input);
  Check(IsValidUTF8(shown));
  if (valid) Check(shown == input);
  Check(IsValidUTF8(CP1252ToUTF8(input)));

  // Case mapping keeps text well-formed and stray bytes where they were.
  const String upper = AnsiUpperCase(input);
  const String lower = AnsiLowerCase(input);
  Check(IsValidUTF8(upper) == valid);
  Check(IsValidUTF8(lower) == valid);
  Check(AnsiSameText(upper, input) && AnsiSameText(lower, input));

  // Bytes as UTF-16 code units, lone surrogates included.
  WideString units(size / 2, u'\0');
  for (size_t i = 0; i < units.size(); ++i) units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  const String narrowed = UTF16ToUTF8(units);
  Check(IsValidUTF8(narrowed));
  const WideString widened = UTF8ToUTF16(narrowed);
  Check(!HasLoneSurrogate(widened));
  if (!HasLoneSurrogate(units)) Check(widened == units);
  // Case mapping never creates or repairs a lone surrogate.
  Check(HasLoneSurrogate(WideUpperCase(units)) == HasLoneSurrogate(units));
  Check(HasLoneSurrogate(WideLowerCase(units)) == HasLoneSurrogate(units));
  return 0;
}
