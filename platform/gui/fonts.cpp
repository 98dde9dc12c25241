#include "platform/gui/fonts.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <map>
#include <mutex>
#include <numbers>
#include <optional>
#include <tuple>
#include <unordered_map>

namespace {

// ---- The one lock and the process-wide state --------------------------------

// Never destroyed: instances held by static objects of other modules may be
// released after this file's statics are gone.
std::recursive_mutex& FontLock() {
  static std::recursive_mutex* lock = new std::recursive_mutex();
  return *lock;
}

constexpr int32_t MaxEmPixels = 2000;  // bounds glyph bitmaps for hostile sizes
constexpr size_t MaxCachedInstances = 256;
constexpr size_t MaxCachedFaces = 64;
constexpr size_t MaxCachedGlyphs = 4096;  // per sized face
constexpr double ObliqueShear = 0.2;      // synthetic italic, about 11 degrees
const char* const LastResortFamily = "Liberation Sans";
const char* const LastResortFile = "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf";

struct TSubstitution {
  const char* Name;
  const char* Family;
};

// Windows face names the program's forms ask for, mapped to installed faces of
// the same metrics (or, for Verdana, the closest installed design).
constexpr TSubstitution Substitutions[] = {
    {"Arial", "Liberation Sans"},
    {"MS Sans Serif", "Liberation Sans"},
    {"Tahoma", "Liberation Sans"},
    {"Microsoft Sans Serif", "Liberation Sans"},
    {"Segoe UI", "Liberation Sans"},
    {"System", "Liberation Sans"},
    {"Times New Roman", "Liberation Serif"},
    {"Courier New", "Liberation Mono"},
    {"Courier", "Liberation Mono"},
    {"Verdana", "DejaVu Sans"},
};

String AsciiLower(const String& s) {
  String r = s;
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return r;
}

String TrimBlanks(const String& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

// Design-unit facts of one face file, read once.
struct TFaceInfo {
  int32_t UnitsPerEm = 2048;
  int32_t WinAscent = 0;
  int32_t WinDescent = 0;
  int32_t LineGap = 0;  // hhea line gap beyond the Windows cell
  int32_t AvgWidth = 0;
  int32_t MaxAdvance = 0;
  int32_t UnderlinePosition = 0;  // centre of the stroke, negative below
  int32_t UnderlineThickness = 0;
  int32_t StrikeOutPosition = 0;  // top of the stroke above the baseline
  int32_t StrikeOutSize = 0;
  uint32_t FirstChar = 0x20;
  uint32_t LastChar = 0xFFFD;
  uint8_t PitchAndFamily = 0;
};

struct TFaceKey {
  String Path;
  int32_t Index;
  int32_t EmPixels;
  int32_t XSize26;  // horizontal size in 26.6 pixels
  bool Bold;
  bool Italic;
  bool operator<(const TFaceKey& o) const {
    return std::tie(Path, Index, EmPixels, XSize26, Bold, Italic) <
           std::tie(o.Path, o.Index, o.EmPixels, o.XSize26, o.Bold, o.Italic);
  }
};

struct TRequestKey {
  String Name;  // lower case
  int32_t Height, Width, Weight;
  bool Italic;
  bool operator<(const TRequestKey& o) const {
    return std::tie(Name, Height, Width, Weight, Italic) < std::tie(o.Name, o.Height, o.Width, o.Weight, o.Italic);
  }
};

class TFontSystem;
TFontSystem* GSystem = nullptr;
std::atomic<bool> GTornDown{false};

}  // namespace

// ---- Sized faces -----------------------------------------------------------

struct TGlyphBitmap {
  int32_t Left = 0;  // from the pen position, pixels right
  int32_t Top = 0;   // from the baseline, pixels up
  int32_t Width = 0;
  int32_t Height = 0;
  std::vector<uint8_t> Bits;
};

// One FT_Face set to one size, with its advance and glyph caches. Used only
// under FontLock.
class TSizedFace {
 public:
  TSizedFace(FT_Face face, bool bold, bool italic) : FFace(face), FBold(bold), FItalic(italic) {
    FSmallAdvances.fill(-1);
  }
  ~TSizedFace() {
    std::lock_guard<std::recursive_mutex> guard(FontLock());
    // FT_Done_FreeType has already released every face when the system is gone.
    if (FFace && !GTornDown.load()) FT_Done_Face(FFace);
  }
  TSizedFace(const TSizedFace&) = delete;
  TSizedFace& operator=(const TSizedFace&) = delete;

  void Detach() { FFace = nullptr; }
  FT_Face Face() const { return FFace; }
  bool Usable() const { return FFace != nullptr && !GTornDown.load(); }

  uint32_t GlyphIndex(char32_t ch) {
    if (ch < 256) {
      if (FSmallIndexes[ch] == 0 && !FSmallIndexKnown[ch]) {
        FSmallIndexes[ch] = FT_Get_Char_Index(FFace, ch);
        FSmallIndexKnown[ch] = true;
      }
      return FSmallIndexes[ch];
    }
    auto it = FIndexes.find(ch);
    if (it != FIndexes.end()) return it->second;
    uint32_t gi = FT_Get_Char_Index(FFace, ch);
    if (FIndexes.size() < 65536) FIndexes.emplace(ch, gi);
    return gi;
  }

  int32_t Advance(char32_t ch) {
    if (ch < 256 && FSmallAdvances[ch] >= 0) return FSmallAdvances[ch];
    if (ch >= 256) {
      auto it = FAdvances.find(ch);
      if (it != FAdvances.end()) return it->second;
    }
    int32_t adv = 0;
    FT_Set_Transform(FFace, nullptr, nullptr);
    if (LoadGlyph(GlyphIndex(ch), true) == 0) {
      if (FBold) FT_GlyphSlot_Embolden(FFace->glyph);
      adv = static_cast<int32_t>((FFace->glyph->advance.x + 32) >> 6);
    }
    if (ch < 256)
      FSmallAdvances[ch] = adv;
    else if (FAdvances.size() < 65536)
      FAdvances.emplace(ch, adv);
    return adv;
  }

  // Hinted glyph image at an integral pen position (no rotation), cached.
  std::shared_ptr<const TGlyphBitmap> UprightGlyph(uint32_t gi, bool antialiased) {
    uint64_t key = (static_cast<uint64_t>(gi) << 1) | (antialiased ? 1u : 0u);
    auto it = FGlyphs.find(key);
    if (it != FGlyphs.end()) return it->second;
    auto bmp = std::make_shared<TGlyphBitmap>();
    FT_Matrix m{0x10000, 0, 0, 0x10000};
    if (FItalic) m.xy = static_cast<FT_Fixed>(std::lround(ObliqueShear * 65536.0));
    FT_Set_Transform(FFace, &m, nullptr);
    RenderCurrent(gi, antialiased, *bmp);
    FT_Set_Transform(FFace, nullptr, nullptr);
    if (FGlyphs.size() >= MaxCachedGlyphs) FGlyphs.clear();
    FGlyphs.emplace(key, bmp);
    return bmp;
  }

  // Glyph image under an arbitrary rotation with a sub-pixel origin offset
  // (26.6, y up as FreeType has it). Not cached.
  void RotatedGlyph(uint32_t gi, bool antialiased, double c, double s, FT_Vector delta, TGlyphBitmap& out) {
    // Rotation after the optional shear; FreeType applies it after hinting.
    double k = FItalic ? ObliqueShear : 0.0;
    FT_Matrix m;
    m.xx = static_cast<FT_Fixed>(std::lround(c * 65536.0));
    m.xy = static_cast<FT_Fixed>(std::lround((c * k - s) * 65536.0));
    m.yx = static_cast<FT_Fixed>(std::lround(s * 65536.0));
    m.yy = static_cast<FT_Fixed>(std::lround((s * k + c) * 65536.0));
    FT_Set_Transform(FFace, &m, &delta);
    RenderCurrent(gi, antialiased, out);
    FT_Set_Transform(FFace, nullptr, nullptr);
  }

 private:
  FT_Error LoadGlyph(uint32_t gi, bool antialiased) {
    FT_Int32 flags = FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP | (antialiased ? FT_LOAD_TARGET_NORMAL : FT_LOAD_TARGET_MONO);
    FT_Error err = FT_Load_Glyph(FFace, gi, flags);
    if (err) err = FT_Load_Glyph(FFace, gi, FT_LOAD_DEFAULT);
    return err;
  }

  void RenderCurrent(uint32_t gi, bool antialiased, TGlyphBitmap& out) {
    out = TGlyphBitmap{};
    if (LoadGlyph(gi, antialiased)) return;
    FT_GlyphSlot slot = FFace->glyph;
    if (FBold) FT_GlyphSlot_Embolden(slot);
    if (FT_Render_Glyph(slot, antialiased ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO)) return;
    const FT_Bitmap& b = slot->bitmap;
    if (b.width == 0 || b.rows == 0 || !b.buffer) return;
    out.Left = slot->bitmap_left;
    out.Top = slot->bitmap_top;
    out.Width = static_cast<int32_t>(b.width);
    out.Height = static_cast<int32_t>(b.rows);
    out.Bits.assign(static_cast<size_t>(out.Width) * static_cast<size_t>(out.Height), 0);
    int32_t pitch = b.pitch < 0 ? -b.pitch : b.pitch;
    for (int32_t y = 0; y < out.Height; ++y) {
      const uint8_t* row = b.buffer + static_cast<ptrdiff_t>(b.pitch < 0 ? out.Height - 1 - y : y) * pitch;
      uint8_t* dst = out.Bits.data() + static_cast<size_t>(y) * static_cast<size_t>(out.Width);
      if (b.pixel_mode == FT_PIXEL_MODE_MONO) {
        for (int32_t x = 0; x < out.Width; ++x) dst[x] = ((row[x >> 3] >> (7 - (x & 7))) & 1) ? 255 : 0;
      } else if (b.pixel_mode == FT_PIXEL_MODE_GRAY) {
        int32_t levels = b.num_grays > 1 ? b.num_grays - 1 : 255;
        for (int32_t x = 0; x < out.Width; ++x)
          dst[x] = levels == 255 ? row[x] : static_cast<uint8_t>((row[x] * 255 + levels / 2) / levels);
      }
    }
  }

  FT_Face FFace;
  bool FBold;
  bool FItalic;
  std::array<int32_t, 256> FSmallAdvances{};
  std::array<uint32_t, 256> FSmallIndexes{};
  std::array<bool, 256> FSmallIndexKnown{};
  std::unordered_map<char32_t, int32_t> FAdvances;
  std::unordered_map<char32_t, uint32_t> FIndexes;
  std::unordered_map<uint64_t, std::shared_ptr<const TGlyphBitmap>> FGlyphs;
};

namespace {

// Weights of the lower-case letters a..z and the space (per thousand) in the
// classic definition of the average character width, which the Windows core
// fonts report; newer fonts average all their glyphs and come out about a
// third wider, which would widen tab stops and dialog layouts.
constexpr int32_t AverageWeights[27] = {64, 14, 27, 35, 100, 20, 14, 42, 63, 3, 6,  35, 20, 56,
                                        56, 17, 4,  49, 56,  71, 31, 10, 18, 3, 18, 2,  166};

uint8_t PitchAndFamilyOf(FT_Face face, const TT_OS2* os2) {
  uint8_t pf = 0;
  if (!FT_IS_FIXED_WIDTH(face)) pf |= TMPF_FIXED_PITCH;
  if (FT_IS_SCALABLE(face)) pf |= TMPF_VECTOR;
  if (FT_IS_SFNT(face)) pf |= TMPF_TRUETYPE;
  uint8_t family = FT_IS_FIXED_WIDTH(face) ? FF_MODERN : FF_SWISS;
  if (os2 && os2->version != 0xFFFF) {
    const FT_Byte* p = os2->panose;
    if (p[0] == 2) {  // Latin text
      if (p[3] == 9)
        family = FF_MODERN;
      else if (p[1] >= 2 && p[1] <= 10)
        family = FF_ROMAN;
      else if (p[1] >= 11)
        family = FF_SWISS;
    } else if (p[0] == 3) {
      family = FF_SCRIPT;
    } else if (p[0] == 4) {
      family = FF_DECORATIVE;
    }
  }
  return static_cast<uint8_t>(pf | family);
}

TFaceInfo ReadFaceInfo(FT_Face face) {
  TFaceInfo info;
  info.UnitsPerEm = face->units_per_EM > 0 ? face->units_per_EM : 2048;
  const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  if (os2 && os2->version == 0xFFFF) os2 = nullptr;
  int32_t hheaAsc = face->ascender, hheaDesc = -face->descender;
  int32_t hheaGap = face->height - (face->ascender - face->descender);
  if (os2 && os2->usWinAscent + os2->usWinDescent > 0) {
    info.WinAscent = os2->usWinAscent;
    info.WinDescent = os2->usWinDescent;
  } else if (hheaAsc + hheaDesc > 0) {
    info.WinAscent = hheaAsc;
    info.WinDescent = hheaDesc;
  } else {
    info.WinAscent = static_cast<int32_t>(face->bbox.yMax);
    info.WinDescent = static_cast<int32_t>(-face->bbox.yMin);
  }
  if (info.WinAscent + info.WinDescent <= 0) {
    info.WinAscent = info.UnitsPerEm * 4 / 5;
    info.WinDescent = info.UnitsPerEm / 5;
  }
  // The part of the hhea line gap that the Windows cell does not already hold.
  info.LineGap = std::max(0, hheaGap - ((info.WinAscent + info.WinDescent) - (hheaAsc + hheaDesc)));

  int64_t weighted = 0;
  bool all = true;
  for (int i = 0; i < 27 && all; ++i) {
    FT_UInt gi = FT_Get_Char_Index(face, i < 26 ? 'a' + i : ' ');
    FT_Fixed adv = 0;
    if (gi == 0 || FT_Get_Advance(face, gi, FT_LOAD_NO_SCALE, &adv)) all = false;
    weighted += static_cast<int64_t>(adv) * AverageWeights[i];
  }
  if (all)
    info.AvgWidth = static_cast<int32_t>(weighted / 1000);
  else if (os2 && os2->xAvgCharWidth > 0)
    info.AvgWidth = os2->xAvgCharWidth;
  else
    info.AvgWidth = info.UnitsPerEm / 2;
  info.MaxAdvance = face->max_advance_width > 0 ? face->max_advance_width : info.UnitsPerEm;
  info.UnderlinePosition = face->underline_position;
  info.UnderlineThickness = face->underline_thickness;
  if (os2 && os2->yStrikeoutSize > 0) {
    info.StrikeOutPosition = os2->yStrikeoutPosition;
    info.StrikeOutSize = os2->yStrikeoutSize;
  } else {
    info.StrikeOutSize = std::max(1, info.UnderlineThickness);
    info.StrikeOutPosition = info.WinAscent / 3 + info.StrikeOutSize / 2;
  }
  if (os2) {
    info.FirstChar = os2->usFirstCharIndex;
    info.LastChar = os2->usLastCharIndex;
  } else {
    FT_UInt gi = 0;
    FT_ULong c = FT_Get_First_Char(face, &gi);
    if (gi != 0) info.FirstChar = static_cast<uint32_t>(c);
  }
  info.PitchAndFamily = PitchAndFamilyOf(face, os2);
  return info;
}

int32_t RoundDiv(int64_t num, int64_t den) {
  // Rounds half away from zero; den > 0.
  return static_cast<int32_t>(num >= 0 ? (num + den / 2) / den : -((-num + den / 2) / den));
}

class TFontSystem {
 public:
  TFontSystem() = default;
  ~TFontSystem() {
    FInstances.clear();
    for (auto& [key, face] : FFaces) face->Detach();
    FFaces.clear();
    if (FLibrary) FT_Done_FreeType(FLibrary);
    if (FFcReady) FcFini();
  }

  FT_Library Library() {
    if (!FLibrary && !FLibraryFailed) {
      if (FT_Init_FreeType(&FLibrary)) {
        FLibrary = nullptr;
        FLibraryFailed = true;
      }
    }
    return FLibrary;
  }

  bool Fontconfig() {
    if (!FFcReady && !FFcFailed) {
      FFcReady = FcInit() == FcTrue;
      FFcFailed = !FFcReady;
    }
    return FFcReady;
  }

  // fontconfig's best match for a family, weight and slant; Path "" when none.
  TFontFileRef Match(const String& family, bool bold, bool italic) {
    TFontFileRef ref;
    if (!Fontconfig()) return ref;
    FcPattern* pat = FcPatternCreate();
    if (!pat) return ref;
    if (!family.empty()) FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pat, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pat, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pat, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pat, FcMatchPattern);
    FcDefaultSubstitute(pat);
    FcResult result = FcResultNoMatch;
    FcPattern* m = FcFontMatch(nullptr, pat, &result);
    if (m) {
      FcChar8* file = nullptr;
      FcChar8* fam = nullptr;
      int index = 0, weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
      FcBool scalable = FcTrue;
      if (FcPatternGetString(m, FC_FILE, 0, &file) == FcResultMatch && file) {
        FcPatternGetInteger(m, FC_INDEX, 0, &index);
        FcPatternGetInteger(m, FC_WEIGHT, 0, &weight);
        FcPatternGetInteger(m, FC_SLANT, 0, &slant);
        FcPatternGetBool(m, FC_SCALABLE, 0, &scalable);
        if (FcPatternGetString(m, FC_FAMILY, 0, &fam) == FcResultMatch && fam)
          ref.Family = reinterpret_cast<const char*>(fam);
        if (scalable) {
          ref.Path = reinterpret_cast<const char*>(file);
          ref.Index = index;  // upper bits: a named instance, which FreeType takes as is
          ref.SyntheticBold = bold && weight < FC_WEIGHT_DEMIBOLD;
          ref.SyntheticItalic = italic && slant == FC_SLANT_ROMAN;
        }
      }
      FcPatternDestroy(m);
    }
    FcPatternDestroy(pat);
    return ref;
  }

  TFontFileRef Resolve(const String& faceName, bool bold, bool italic) {
    String name = TrimBlanks(faceName);
    auto key = std::make_tuple(AsciiLower(name), bold, italic);
    auto it = FResolved.find(key);
    if (it != FResolved.end()) return it->second;
    String family = FontSubstitute(name);
    if (family.empty()) family = name.empty() ? String(LastResortFamily) : name;
    TFontFileRef ref = Match(family, bold, italic);
    if (ref.Path.empty() || !Openable(ref)) ref = Match(LastResortFamily, bold, italic);
    if (ref.Path.empty() || !Openable(ref)) {
      ref = TFontFileRef{};
      ref.Path = LastResortFile;
      ref.Family = LastResortFamily;
      ref.SyntheticBold = bold;
      ref.SyntheticItalic = italic;
      if (!Openable(ref)) ref.Path.clear();
    }
    if (FResolved.size() > 1024) FResolved.clear();
    FResolved.emplace(key, ref);
    return ref;
  }

  TFontInstancePtr Acquire(const TFontRequest& r) {
    TRequestKey key{AsciiLower(TrimBlanks(r.FaceName)), r.Height, r.Width, r.Weight, r.Italic};
    auto it = FInstances.find(key);
    if (it != FInstances.end()) return it->second;
    TFontInstancePtr inst = Create(r);
    if (FInstances.size() >= MaxCachedInstances) Prune(FInstances);
    FInstances.emplace(key, inst);
    return inst;
  }

 private:
  template <class Map>
  static void Prune(Map& map) {
    for (auto it = map.begin(); it != map.end();) it = it->second.use_count() == 1 ? map.erase(it) : std::next(it);
  }

  bool Openable(const TFontFileRef& ref) { return Info(ref) != nullptr; }

  const TFaceInfo* Info(const TFontFileRef& ref) {
    auto key = std::make_pair(ref.Path, ref.Index);
    auto it = FInfos.find(key);
    if (it != FInfos.end()) return it->second ? &*it->second : nullptr;
    std::optional<TFaceInfo> info;
    FT_Face face = nullptr;
    if (Library() && !ref.Path.empty() && FT_New_Face(FLibrary, ref.Path.c_str(), ref.Index, &face) == 0) {
      if (FT_IS_SCALABLE(face) && face->num_glyphs > 0) info = ReadFaceInfo(face);
      FT_Done_Face(face);
    }
    auto& slot = FInfos[key];
    slot = info;
    return slot ? &*slot : nullptr;
  }

  std::shared_ptr<TSizedFace> Sized(const TFontFileRef& ref, int32_t em, int32_t xSize26) {
    TFaceKey key{ref.Path, ref.Index, em, xSize26, ref.SyntheticBold, ref.SyntheticItalic};
    auto it = FFaces.find(key);
    if (it != FFaces.end()) return it->second;
    FT_Face face = nullptr;
    if (!Library() || FT_New_Face(FLibrary, ref.Path.c_str(), ref.Index, &face)) return nullptr;
    if (FT_Set_Char_Size(face, xSize26, static_cast<FT_F26Dot6>(em) * 64, 72, 72)) {
      FT_Done_Face(face);
      return nullptr;
    }
    auto sized = std::make_shared<TSizedFace>(face, ref.SyntheticBold, ref.SyntheticItalic);
    if (FFaces.size() >= MaxCachedFaces) Prune(FFaces);
    FFaces.emplace(key, sized);
    return sized;
  }

  TFontInstancePtr Create(const TFontRequest& r) {
    int32_t weight = r.Weight <= 0 ? 400 : std::min(r.Weight, 1000);
    bool bold = weight >= 600;
    TFontFileRef ref = Resolve(r.FaceName, bold, r.Italic);
    const TFaceInfo* info = ref.Path.empty() ? nullptr : Info(ref);
    TFaceInfo fallback;
    fallback.WinAscent = 1854;
    fallback.WinDescent = 434;
    fallback.AvgWidth = 904;
    fallback.MaxAdvance = 2048;
    const TFaceInfo& fi = info ? *info : fallback;

    TFontMetrics m;
    const int64_t upem = fi.UnitsPerEm;
    const int64_t cellUnits = fi.WinAscent + fi.WinDescent;
    int64_t cell = r.Height == 0 ? 16 : r.Height;
    int32_t em;
    if (cell > 0) {
      cell = std::min<int64_t>(cell, MaxEmPixels);
      em = std::clamp(RoundDiv(cell * upem, cellUnits), 1, MaxEmPixels);
      m.Ascent = RoundDiv(cell * fi.WinAscent, cellUnits);
      m.Descent = static_cast<int32_t>(cell) - m.Ascent;
    } else {
      em = static_cast<int32_t>(std::clamp<int64_t>(-cell, 1, MaxEmPixels));
      m.Ascent = RoundDiv(static_cast<int64_t>(em) * fi.WinAscent, upem);
      m.Descent = RoundDiv(static_cast<int64_t>(em) * fi.WinDescent, upem);
    }
    m.EmHeight = em;
    m.Height = m.Ascent + m.Descent;
    m.InternalLeading = std::max(0, m.Height - em);
    m.ExternalLeading = RoundDiv(static_cast<int64_t>(em) * fi.LineGap, upem);

    // Horizontal size: the em unless a width was asked for, in which case the
    // face is stretched so that its average character width matches.
    int32_t xSize26 = em * 64;
    int32_t naturalAvg = std::max(1, RoundDiv(static_cast<int64_t>(em) * fi.AvgWidth, upem));
    if (r.Width > 0) {
      int64_t width = std::min<int64_t>(r.Width, MaxEmPixels);
      xSize26 = static_cast<int32_t>(std::clamp<int64_t>(64 * width * upem / std::max(1, fi.AvgWidth), 64,
                                                         static_cast<int64_t>(MaxEmPixels) * 64));
      m.AveCharWidth = static_cast<int32_t>(width);
    } else {
      m.AveCharWidth = naturalAvg;
    }
    m.MaxCharWidth = std::max(1, RoundDiv(static_cast<int64_t>(xSize26) * fi.MaxAdvance, upem * 64));
    m.Weight = weight;
    m.Italic = r.Italic;
    m.FirstChar = fi.FirstChar;
    m.LastChar = fi.LastChar;
    m.DefaultChar = fi.FirstChar > 0 ? fi.FirstChar - 1 : 0x1F;
    m.BreakChar = 0x20;
    m.PitchAndFamily = fi.PitchAndFamily;

    m.UnderlineThickness = std::max(1, RoundDiv(static_cast<int64_t>(em) * fi.UnderlineThickness, upem));
    // Stroke centre below the baseline to the first row of the stroke.
    int64_t centre26 = -static_cast<int64_t>(fi.UnderlinePosition) * em * 64 / upem;
    int32_t offset = static_cast<int32_t>((centre26 - m.UnderlineThickness * 32 + 32) >> 6);
    // Keep a row of air under the baseline when the descent has room for it.
    m.UnderlineOffset = std::max(m.Descent > m.UnderlineThickness ? 1 : 0, offset);
    if (m.UnderlineOffset + m.UnderlineThickness > m.Descent)
      m.UnderlineOffset = std::max(0, m.Descent - m.UnderlineThickness);
    m.StrikeOutThickness = std::max(1, RoundDiv(static_cast<int64_t>(em) * fi.StrikeOutSize, upem));
    m.StrikeOutOffset = std::max(1, RoundDiv(static_cast<int64_t>(em) * fi.StrikeOutPosition, upem));

    std::shared_ptr<TSizedFace> sized = info ? Sized(ref, em, xSize26) : nullptr;
    return std::make_shared<const TFontInstance>(std::move(sized), m, ref);
  }

  FT_Library FLibrary = nullptr;
  bool FLibraryFailed = false;
  bool FFcReady = false;
  bool FFcFailed = false;
  std::map<std::tuple<String, bool, bool>, TFontFileRef> FResolved;
  std::map<std::pair<String, int32_t>, std::optional<TFaceInfo>> FInfos;
  std::map<TFaceKey, std::shared_ptr<TSizedFace>> FFaces;
  std::map<TRequestKey, TFontInstancePtr> FInstances;
};

// Owns the font system for the life of the process and tears it down at exit,
// after which requests get metrics only and nothing is drawn.
struct TFontSystemOwner {
  ~TFontSystemOwner() {
    std::lock_guard<std::recursive_mutex> guard(FontLock());
    TFontSystem* sys = GSystem;
    GSystem = nullptr;
    delete sys;
    GTornDown.store(true);
  }
};

TFontSystem* System() {
  if (GTornDown.load()) return nullptr;
  if (!GSystem) {
    static TFontSystemOwner owner;  // tears the system down at exit
    GSystem = new TFontSystem();
  }
  return GSystem;
}

}  // namespace

// ---- Public entries --------------------------------------------------------

void TCoverageMask::Reset(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  Left = left;
  Top = top;
  Width = std::max(0, right - left);
  Height = std::max(0, bottom - top);
  if (Width == 0 || Height == 0) Width = Height = 0;
  Bits.assign(static_cast<size_t>(Width) * static_cast<size_t>(Height), 0);
}

namespace {

struct TRotation {
  double C = 1.0;
  double S = 0.0;
  bool Upright = true;  // an exact multiple of 360 degrees
};

TRotation RotationOf(int32_t escapement) {
  int32_t e = escapement % 3600;
  if (e < 0) e += 3600;
  TRotation r;
  r.Upright = e == 0;
  switch (e) {
    case 0:
      r.C = 1;
      r.S = 0;
      break;
    case 900:
      r.C = 0;
      r.S = 1;
      break;
    case 1800:
      r.C = -1;
      r.S = 0;
      break;
    case 2700:
      r.C = 0;
      r.S = -1;
      break;
    default: {
      double a = e * (std::numbers::pi / 1800.0);
      r.C = std::cos(a);
      r.S = std::sin(a);
    }
  }
  return r;
}

void BlitMax(const TGlyphBitmap& g, int64_t left, int64_t top, TCoverageMask& mask) {
  if (left >= int64_t(mask.Left) + mask.Width || left + g.Width <= mask.Left ||
      top >= int64_t(mask.Top) + mask.Height || top + g.Height <= mask.Top)
    return;
  const int32_t x0 = static_cast<int32_t>(left), y0 = static_cast<int32_t>(top);
  int32_t xa = std::max(x0, mask.Left), xb = std::min(x0 + g.Width, mask.Left + mask.Width);
  int32_t ya = std::max(y0, mask.Top), yb = std::min(y0 + g.Height, mask.Top + mask.Height);
  for (int32_t y = ya; y < yb; ++y) {
    const uint8_t* src = g.Bits.data() + static_cast<size_t>(y - y0) * g.Width;
    uint8_t* dst = mask.Bits.data() + static_cast<size_t>(y - mask.Top) * mask.Width;
    for (int32_t x = xa; x < xb; ++x) {
      uint8_t v = src[x - x0];
      if (v > dst[x - mask.Left]) dst[x - mask.Left] = v;
    }
  }
}

}  // namespace

TDeviceBox RunRectBounds(const TRunPlacement& place, int32_t u0, int32_t v0, int32_t u1, int32_t v1) {
  // In doubles and clamped, so that far-away runs cannot overflow.
  TRotation r = RotationOf(place.Escapement);
  double xs[4], ys[4];
  const double us[4] = {double(u0), double(u1), double(u0), double(u1)};
  const double vs[4] = {double(v0), double(v0), double(v1), double(v1)};
  for (int i = 0; i < 4; ++i) {
    xs[i] = place.RefX + us[i] * r.C + vs[i] * r.S;
    ys[i] = place.RefY - us[i] * r.S + vs[i] * r.C;
  }
  auto clamp = [](double v) { return static_cast<int32_t>(std::clamp(v, double(INT32_MIN), double(INT32_MAX))); };
  auto lo = [&](const double* a) { return clamp(std::floor(*std::min_element(a, a + 4))); };
  auto hi = [&](const double* a) { return clamp(std::ceil(*std::max_element(a, a + 4))); };
  return {lo(xs), lo(ys), hi(xs), hi(ys)};
}

void FillRunRect(const TRunPlacement& place, int32_t u0, int32_t v0, int32_t u1, int32_t v1, TCoverageMask& mask) {
  if (mask.Empty() || u1 <= u0 || v1 <= v0) return;
  TDeviceBox box = RunRectBounds(place, u0, v0, u1, v1);
  int32_t xa = std::max(box.Left, mask.Left), xb = std::min(box.Right, mask.Left + mask.Width);
  int32_t ya = std::max(box.Top, mask.Top), yb = std::min(box.Bottom, mask.Top + mask.Height);
  TRotation r = RotationOf(place.Escapement);
  for (int32_t y = ya; y < yb; ++y) {
    uint8_t* row = mask.Bits.data() + static_cast<size_t>(y - mask.Top) * mask.Width;
    for (int32_t x = xa; x < xb; ++x) {
      if (!r.Upright) {
        // Pixel centre back into run space.
        double dx = x + 0.5 - place.RefX, dy = y + 0.5 - place.RefY;
        double u = dx * r.C - dy * r.S, v = dx * r.S + dy * r.C;
        if (u < u0 || u >= u1 || v < v0 || v >= v1) continue;
      }
      row[x - mask.Left] = 255;
    }
  }
}

TFontInstance::TFontInstance(std::shared_ptr<TSizedFace> face, const TFontMetrics& metrics, const TFontFileRef& file)
    : FFace(std::move(face)), FMetrics(metrics), FFile(file) {}

TFontInstance::~TFontInstance() {
  std::lock_guard<std::recursive_mutex> guard(FontLock());
  FFace.reset();
}

int32_t TFontInstance::Advance(char32_t ch) const {
  std::lock_guard<std::recursive_mutex> guard(FontLock());
  if (!FFace || !FFace->Usable()) return FMetrics.AveCharWidth;
  return FFace->Advance(ch);
}

void TFontInstance::Advances(const char32_t* text, size_t count, int32_t* out) const {
  std::lock_guard<std::recursive_mutex> guard(FontLock());
  bool usable = FFace && FFace->Usable();
  for (size_t i = 0; i < count; ++i) out[i] = usable ? FFace->Advance(text[i]) : FMetrics.AveCharWidth;
}

int32_t TFontInstance::TextWidth(const char32_t* text, size_t count) const {
  std::lock_guard<std::recursive_mutex> guard(FontLock());
  bool usable = FFace && FFace->Usable();
  int64_t w = 0;
  for (size_t i = 0; i < count; ++i) w += usable ? FFace->Advance(text[i]) : FMetrics.AveCharWidth;
  return static_cast<int32_t>(std::clamp<int64_t>(w, INT32_MIN, INT32_MAX));
}

void TFontInstance::Render(const char32_t* text, size_t count, const int32_t* pens, int32_t baseline,
                           const TRunPlacement& place, bool antialiased, TCoverageMask& mask) const {
  if (mask.Empty() || count == 0) return;
  std::lock_guard<std::recursive_mutex> guard(FontLock());
  if (!FFace || !FFace->Usable()) return;
  TRotation r = RotationOf(place.Escapement);
  TGlyphBitmap rotated;
  // Glyphs whose pen lies further than this from the mask cannot touch it.
  const double reach = 2.0 * std::max(FMetrics.EmHeight, FMetrics.MaxCharWidth) + 2;
  const double maskLeft = mask.Left - reach, maskRight = double(mask.Left) + mask.Width + reach;
  const double maskTop = mask.Top - reach, maskBottom = double(mask.Top) + mask.Height + reach;
  for (size_t i = 0; i < count; ++i) {
    double penX = place.RefX + pens[i] * r.C + baseline * r.S;
    double penY = place.RefY - pens[i] * r.S + baseline * r.C;
    if (penX < maskLeft || penX > maskRight || penY < maskTop || penY > maskBottom) continue;
    uint32_t gi = FFace->GlyphIndex(text[i]);
    if (r.Upright) {
      auto g = FFace->UprightGlyph(gi, antialiased);
      if (g->Width == 0) continue;
      BlitMax(*g, int64_t(place.RefX) + pens[i] + g->Left, int64_t(place.RefY) + baseline - g->Top, mask);
    } else {
      // Pen position in device space, split into whole pixels and a 26.6 rest.
      double x = penX, y = penY;
      double ix = std::floor(x), iy = std::floor(y);
      FT_Vector delta{static_cast<FT_Pos>(std::lround((x - ix) * 64)),
                      static_cast<FT_Pos>(-std::lround((y - iy) * 64))};
      FFace->RotatedGlyph(gi, antialiased, r.C, r.S, delta, rotated);
      if (rotated.Width == 0) continue;
      BlitMax(rotated, static_cast<int64_t>(ix) + rotated.Left, static_cast<int64_t>(iy) - rotated.Top, mask);
    }
  }
}

TFontInstancePtr AcquireFont(const TFontRequest& request) {
  std::lock_guard<std::recursive_mutex> guard(FontLock());
  TFontSystem* sys = System();
  if (sys) return sys->Acquire(request);
  // After teardown: plausible metrics, nothing drawn.
  TFontMetrics m;
  int32_t cell =
      request.Height > 0 ? std::min(request.Height, MaxEmPixels)
      : request.Height < 0
          ? std::min<int32_t>(
                static_cast<int32_t>(std::min<int64_t>(-static_cast<int64_t>(request.Height), MaxEmPixels)) * 9 / 8,
                MaxEmPixels)
          : 16;
  m.Height = cell;
  m.Ascent = cell * 4 / 5;
  m.Descent = cell - m.Ascent;
  m.EmHeight = cell;
  m.AveCharWidth = std::max(1, cell * 2 / 5);
  m.MaxCharWidth = cell;
  return std::make_shared<const TFontInstance>(nullptr, m, TFontFileRef{});
}

String FontSubstitute(const String& faceName) {
  String key = AsciiLower(TrimBlanks(faceName));
  for (const TSubstitution& s : Substitutions)
    if (AsciiLower(s.Name) == key) return s.Family;
  return String();
}

std::vector<String> FontSubstitutionNames() {
  std::vector<String> names;
  for (const TSubstitution& s : Substitutions) names.emplace_back(s.Name);
  return names;
}

TFontFileRef ResolveFontFile(const String& faceName, bool bold, bool italic) {
  std::lock_guard<std::recursive_mutex> guard(FontLock());
  TFontSystem* sys = System();
  return sys ? sys->Resolve(faceName, bold, italic) : TFontFileRef{};
}
