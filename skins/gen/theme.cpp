#include "skins/gen/theme.h"

#include <cstring>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/inifiles.h"
#include "platform/rtl/files.h"

namespace {

[[noreturn]] void Bad(const char* Section, const char* Key, const String& Why) {
  throw EConvertError(String("[") + Section + "] " + Key + ": " + Why);
}

TRgb ReadRgb(TMemIniFile* Ini, const char* Key) {
  const String v = Ini->ReadString("palette", Key, "");
  TRgb c;
  if (!ParseRgb(v.c_str(), c)) Bad("palette", Key, "'" + v + "' is not #RRGGBB");
  return c;
}

int32_t ReadInt(TMemIniFile* Ini, const char* Section, const char* Key, int32_t Low, int32_t High) {
  const String v = Ini->ReadString(Section, Key, "");
  int32_t n = 0;
  if (!TryStrToInt(v, n) || n < Low || n > High)
    Bad(Section, Key, "'" + v + "' is not a number in " + IntToStr(Low) + ".." + IntToStr(High));
  return n;
}

template <class E, size_t N>
E ReadWord(TMemIniFile* Ini, const char* Section, const char* Key, const char* const (&Words)[N]) {
  const String v = Ini->ReadString(Section, Key, "");
  for (size_t i = 0; i < N; ++i)
    if (v == Words[i]) return E(i);
  Bad(Section, Key, "unknown word '" + v + "'");
}

const char* const kMaterials[] = {"flat", "gradient", "glossy", "bevel", "pinstripe", "glass"};
const char* const kShapes[] = {"square", "rounded", "disc", "strip"};
const char* const kSides[] = {"right", "left"};

void ReadPalette(TMemIniFile* Ini, TSkinPalette& P) {
  const std::pair<const char*, TRgb*> keys[] = {{"face", &P.Face},
                                                {"facelight", &P.FaceLight},
                                                {"facedark", &P.FaceDark},
                                                {"border", &P.Border},
                                                {"text", &P.Text},
                                                {"disabledtext", &P.DisabledText},
                                                {"field", &P.Field},
                                                {"fieldtext", &P.FieldText},
                                                {"selection", &P.Selection},
                                                {"selectiontext", &P.SelectionText},
                                                {"accent", &P.Accent},
                                                {"accenttext", &P.AccentText},
                                                {"captiontop", &P.CaptionTop},
                                                {"captionbottom", &P.CaptionBottom},
                                                {"inactivecaptiontop", &P.InactiveCaptionTop},
                                                {"inactivecaptionbottom", &P.InactiveCaptionBottom},
                                                {"captiontext", &P.CaptionText},
                                                {"inactivecaptiontext", &P.InactiveCaptionText},
                                                {"closehot", &P.CloseHot},
                                                {"menu", &P.Menu},
                                                {"menutext", &P.MenuText},
                                                {"hint", &P.Hint},
                                                {"hinttext", &P.HintText},
                                                {"track", &P.Track},
                                                {"thumb", &P.Thumb},
                                                {"progress", &P.Progress}};
  for (const auto& [key, colour] : keys) *colour = ReadRgb(Ini, key);
}

void ReadMetrics(TMemIniFile* Ini, TSkinMetrics& M) {
  M.FrameBorder = ReadInt(Ini, "metrics", "frameborder", 3, 16);
  M.CaptionHeight = ReadInt(Ini, "metrics", "captionheight", 16, 40);
  M.TopRadius = ReadInt(Ini, "metrics", "topradius", 0, 12);
  M.BottomRadius = ReadInt(Ini, "metrics", "bottomradius", 0, 12);
  M.Mask = ReadInt(Ini, "metrics", "mask", 0, 1) == 1;
  M.ButtonsLeft = ReadWord<int, 2>(Ini, "metrics", "buttonside", kSides) == 1;
  M.ButtonShape = ReadWord<TButtonShape>(Ini, "metrics", "buttonshape", kShapes);
  M.ButtonWidth = ReadInt(Ini, "metrics", "buttonwidth", 12, 48);
  M.ButtonHeight = ReadInt(Ini, "metrics", "buttonheight", 12, 30);
  M.ButtonGap = ReadInt(Ini, "metrics", "buttongap", 0, 8);
  M.ButtonRadius = ReadInt(Ini, "metrics", "buttonradius", 0, 8);
  M.FieldRadius = ReadInt(Ini, "metrics", "fieldradius", 0, 6);
  M.TabRadius = ReadInt(Ini, "metrics", "tabradius", 0, 6);
  M.EditHeight = ReadInt(Ini, "metrics", "editheight", 16, 30);
  M.ScrollBarSize = ReadInt(Ini, "metrics", "scrollbarsize", 12, 24);
  M.MenuItemHeight = ReadInt(Ini, "metrics", "menuitemheight", 16, 30);
  M.MenuSeparator = ReadInt(Ini, "metrics", "menuseparator", 3, 12);
  M.MenuBarHeight = ReadInt(Ini, "metrics", "menubarheight", 16, 30);
  M.TabHeight = ReadInt(Ini, "metrics", "tabheight", 16, 30);
  M.StatusBarHeight = ReadInt(Ini, "metrics", "statusbarheight", 16, 30);
  M.FontHeight = ReadInt(Ini, "metrics", "fontheight", 13, 14);
  M.CaptionFontHeight = ReadInt(Ini, "metrics", "captionfontheight", 13, 14);
  M.HintFontHeight = ReadInt(Ini, "metrics", "hintfontheight", 13, 14);
}

}  // namespace

TSkinTheme LoadTheme(TMemIniFile* Ini) {
  TSkinTheme t;
  t.Number = ReadInt(Ini, "identity", "number", 1, 10);
  t.SkinName = Ini->ReadString("identity", "skinname", "");
  if (t.SkinName.empty()) Bad("identity", "skinname", "missing");
  t.Author = Ini->ReadString("identity", "author", "");
  t.Email = Ini->ReadString("identity", "email", "");
  t.Url = Ini->ReadString("identity", "url", "");
  t.Comment = Ini->ReadString("identity", "comment", "");
  ReadPalette(Ini, t.Palette);
  t.Material = ReadWord<TSkinMaterial>(Ini, "material", "kind", kMaterials);
  t.Strength = ReadInt(Ini, "material", "strength", 0, 64);
  t.Split = ReadInt(Ini, "material", "split", 1, 1023);
  ReadMetrics(Ini, t.Metrics);
  const String look = Ini->ReadString("inactive", "look", "");
  t.InactivePicture = look == "picture";
  if (!t.InactivePicture) t.InactiveEffect = ReadWord<TbsSkinEffect>(Ini, "inactive", "look", bsSkinEffectWords);
  t.Morphing = ReadInt(Ini, "transitions", "morphing", 0, 1) == 1;
  t.MorphKind = ReadWord<TbsMorphKind>(Ini, "transitions", "morphkind", bsMorphKindWords);
  return t;
}

TSkinTheme LoadThemeFile(const String& FileName) {
  if (!FileExists(FileName)) throw EConvertError("theme " + FileName + " does not exist");
  TMemIniFile ini(FileName);
  return LoadTheme(&ini);
}
