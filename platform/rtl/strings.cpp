#include "platform/rtl/strings.h"
#include "platform/rtl/varrec.h"
String UTF16ToUTF8(const WideString& s) { String r; for (char16_t c : s) r += char(c); return r; }
TVarRec::TVarRec(const WideString& v) : kind(Kind::WideString), s(UTF16ToUTF8(v)), ws(v) {}
