#include "app/convert/outputnaming.h"

#include "app/main/picturedate.h"
#include "app/settings/marloutils.h"
#include "platform/rtl/dates.h"
#include "platform/rtl/files.h"
#include "platform/rtl/strings.h"

namespace {

constexpr int32_t kMaxTailCharacters = 100;

// The first Count code points of Text; a cut never splits a character.
String FirstCodePoints(const String& Text, int32_t Count) {
  size_t i = 0;
  for (int32_t seen = 0; i < Text.size(); ++i) {
    const bool starts = (static_cast<uint8_t>(Text[i]) & 0xC0) != 0x80;
    if (starts && seen++ == Count) break;
  }
  return Text.substr(0, i);
}

bool HasDateToken(const String& UpperPattern) {
  for (const char* token : {"$Y", "$M", "$D", "$H", "$N", "$S"})
    if (UpperPattern.find(token) != String::npos) return true;
  return false;
}

String ReplaceDateTokens(const String& Work, const String& Source) {
  const String digits = FormatDateTime("yyyymmddhhnnss", GetPictureDate(Source));
  const TReplaceFlags flags{TReplaceFlag::rfReplaceAll, TReplaceFlag::rfIgnoreCase};
  struct Token {
    const char* Name;
    size_t Start, Count;
  };
  static const Token tokens[] = {{"$Y", 0, 4}, {"$M", 4, 2}, {"$D", 6, 2}, {"$H", 8, 2}, {"$N", 10, 2}, {"$S", 12, 2}};
  String result = Work;
  for (const Token& t : tokens) result = StringReplace(result, t.Name, digits.substr(t.Start, t.Count), flags);
  return result;
}

// The first run of "#" becomes the counter; the tail after it is bounded.
String NumberFirstRun(const String& Work, int32_t Counter) {
  const size_t b = Work.find('#');
  if (b == String::npos) return Work;
  size_t e = b;
  while (e + 1 < Work.size() && Work[e + 1] == '#') ++e;
  const int32_t width = static_cast<int32_t>(e - b + 1);
  return Work.substr(0, b) + ZeroPad(Counter, width) + FirstCodePoints(Work.substr(e + 1), kMaxTailCharacters);
}

}  // namespace

String OutputExtension(int32_t OutputFormat) {
  switch (OutputFormat) {
    case 1: return ".bmp";
    case 2: return ".gif";
    case 3: return ".png";
    case 4: return ".jp2";
    case 5: return ".tif";
    default: return ".jpg";
  }
}

String BuildOutputName(const String& Source, const String& Pattern, int32_t& Counter, int32_t OutputFormat,
                       int32_t CaseIndex) {
  ++Counter;
  const String upper = AnsiUpperCase(Pattern);
  String work = StringReplace(Pattern, "*", NameWithoutExtension(Source), TReplaceFlags{TReplaceFlag::rfReplaceAll});
  if (HasDateToken(upper) && FastFileExists(Source)) work = ReplaceDateTokens(work, Source);
  work = StringReplace(work, "$P", ParentFolderName(Source),
                       TReplaceFlags{TReplaceFlag::rfReplaceAll, TReplaceFlag::rfIgnoreCase});
  const String ext = OutputExtension(OutputFormat);
  return NumberFirstRun(work, Counter) + (CaseIndex == 1 ? UpperCase(ext) : ext);
}

String PlainOutputName(const String& Source, int32_t OutputFormat) {
  return NameWithoutExtension(Source) + OutputExtension(OutputFormat);
}
