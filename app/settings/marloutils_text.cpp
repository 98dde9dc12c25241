// Message texts and number formatting.
#include "app/settings/marloutils.h"

#include <utility>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/format.h"
#include "platform/rtl/strings.h"

namespace {

String ReplaceAll(const String& Text, const char* Placeholder, const String& Value) {
  return StringReplace(Text, Placeholder, Value, TReplaceFlags{TReplaceFlag::rfReplaceAll});
}

}  // namespace

String FormatMessageArgs(const String& Message, const String& A1, const String& A2, const String& A3,
                         const String& A4) {
  String s = ReplaceAll(Message, "%1%", A1);
  if (!A2.empty()) s = ReplaceAll(s, "%2%", A2);
  if (!A3.empty()) s = ReplaceAll(s, "%3%", A3);
  if (!A4.empty()) s = ReplaceAll(s, "%4%", A4);
  return s;
}

String ZeroPad(int64_t Number, int32_t Width) {
  String s = IntToStr(Number);
  if (Length(s) < Width) s.insert(0, size_t(Width - Length(s)), '0');
  return s;
}

String FormatSizeKB(const String& Separator, int64_t Size) {
  // Division truncates toward zero, which already is the ceiling for
  // negative sizes (the saving column shows them).
  int64_t kb = Size / 1024;
  if (Size % 1024 > 0) ++kb;
  return FormatFloat("#,##0", double(kb)) + Separator + "KB";
}

String FormatFloatTrimmed(int32_t Precision, int32_t Digits, double Value) {
  try {
    const double rounded = StrToFloat(FloatToStrF(Value, ffFixed, Precision, Digits));
    return FloatToStrF(rounded, ffGeneral, Precision, Digits);
  } catch (const Exception&) {
    return String();
  }
}

void SwapInts(int32_t& A, int32_t& B) { std::swap(A, B); }

bool IsNavigationKey(uint16_t Key) { return Key >= 35 && Key <= 40; }
