// Fonts: face resolution (a fixed substitution table, then fontconfig), a
// cache of sized FreeType faces, text metrics, cached glyph advances and glyph
// rendering into 8-bit coverage masks.
//
// FreeType's library object is not thread-safe, so every FreeType and
// fontconfig call goes through one process-wide lock; worker threads may
// measure and render text. FreeType and fontconfig are released at exit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/rtl/types.h"

// What chooses a face and its size (the matching part of a LOGFONT).
// Height < 0: em height in pixels; > 0: cell height (ascent + descent of the
// face's Windows metrics); 0: a 16-pixel cell. Width 0: the face's natural
// width, otherwise the wanted average character width. Weight 0 means 400;
// 600 and above asks for a bold face.
struct TFontRequest {
  String FaceName;
  int32_t Height = 0;
  int32_t Width = 0;
  int32_t Weight = 0;
  bool Italic = false;
};

// Where a face name leads.
struct TFontFileRef {
  String Path;
  int32_t Index = 0;             // face index inside the file
  String Family;                 // family name the file reports
  bool SyntheticBold = false;    // bold asked for, face is not bold
  bool SyntheticItalic = false;  // italic asked for, face is upright
};

// Pixel metrics of a sized face, in the terms of TEXTMETRIC.
struct TFontMetrics {
  int32_t Height = 0;  // Ascent + Descent
  int32_t Ascent = 0;
  int32_t Descent = 0;
  int32_t InternalLeading = 0;
  int32_t ExternalLeading = 0;
  int32_t AveCharWidth = 0;
  int32_t MaxCharWidth = 0;
  int32_t Weight = 400;
  bool Italic = false;
  uint32_t FirstChar = 0x20;
  uint32_t LastChar = 0xFFFD;
  uint32_t DefaultChar = 0x1F;
  uint32_t BreakChar = 0x20;
  uint8_t PitchAndFamily = 0;  // TMPF_* bits and FF_* family
  int32_t EmHeight = 0;        // pixels per em the glyphs are rendered at
  // Decorations: first row below the baseline (0 = the row just under it)
  // and thickness of the underline; first row above the baseline and
  // thickness of the strike-out stroke.
  int32_t UnderlineOffset = 1;
  int32_t UnderlineThickness = 1;
  int32_t StrikeOutOffset = 3;
  int32_t StrikeOutThickness = 1;
};

// TEXTMETRIC pitch and family bits.
inline constexpr uint8_t TMPF_FIXED_PITCH = 0x01;  // set for variable pitch
inline constexpr uint8_t TMPF_VECTOR = 0x02;
inline constexpr uint8_t TMPF_TRUETYPE = 0x04;
inline constexpr uint8_t TMPF_DEVICE = 0x08;
inline constexpr uint8_t FF_DONTCARE = 0x00;
inline constexpr uint8_t FF_ROMAN = 0x10;
inline constexpr uint8_t FF_SWISS = 0x20;
inline constexpr uint8_t FF_MODERN = 0x30;
inline constexpr uint8_t FF_SCRIPT = 0x40;
inline constexpr uint8_t FF_DECORATIVE = 0x50;

// An 8-bit coverage mask in device pixels: Bits[(y - Top) * Width + (x - Left)].
struct TCoverageMask {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  std::vector<uint8_t> Bits;

  bool Empty() const { return Width <= 0 || Height <= 0; }
  // Sizes the mask to the rectangle (empty when it is empty) and zeroes it.
  void Reset(int32_t left, int32_t top, int32_t right, int32_t bottom);
};

// Device rectangle, right and bottom exclusive.
struct TDeviceBox {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;
};

// Placement of a run: run space has u along the baseline direction and v
// perpendicular to it pointing down; the device point of (u, v) is
// Ref + u * (cos a, -sin a) + v * (sin a, cos a) with a = Escapement / 10
// degrees counter-clockwise. Without escapement this is Ref + (u, v).
struct TRunPlacement {
  int32_t RefX = 0;
  int32_t RefY = 0;
  int32_t Escapement = 0;  // tenths of a degree, counter-clockwise
};

// Sets every pixel of the mask whose centre lies in the run-space rectangle
// [u0, u1) x [v0, v1) to full coverage (underlines, strike-outs, the opaque
// text cell of a rotated run).
void FillRunRect(const TRunPlacement& place, int32_t u0, int32_t v0, int32_t u1, int32_t v1, TCoverageMask& mask);
// Device bounding box of a run-space rectangle.
TDeviceBox RunRectBounds(const TRunPlacement& place, int32_t u0, int32_t v0, int32_t u1, int32_t v1);

class TSizedFace;

// A face at one size for one request. Metrics are fixed at creation and may be
// read without the lock; measuring and rendering take it.
class TFontInstance {
 public:
  TFontInstance(std::shared_ptr<TSizedFace> face, const TFontMetrics& metrics, const TFontFileRef& file);
  ~TFontInstance();
  TFontInstance(const TFontInstance&) = delete;
  TFontInstance& operator=(const TFontInstance&) = delete;

  const TFontMetrics& Metrics() const { return FMetrics; }
  const TFontFileRef& File() const { return FFile; }

  // Integer advance of one character (hinted, no kerning). Cached.
  int32_t Advance(char32_t ch) const;
  // Advances of count characters, taking the lock once.
  void Advances(const char32_t* text, size_t count, int32_t* out) const;
  // Sum of the advances.
  int32_t TextWidth(const char32_t* text, size_t count) const;

  // Renders count characters whose pens sit at pens[i] along the baseline
  // (run space, baseline at v = baseline) into mask. The mask is limited to
  // clip; glyph coverage combines with what is there by maximum, so one mask
  // can collect several calls. Mask must already be sized (see RunBounds).
  void Render(const char32_t* text, size_t count, const int32_t* pens, int32_t baseline, const TRunPlacement& place,
              bool antialiased, TCoverageMask& mask) const;

 private:
  std::shared_ptr<TSizedFace> FFace;
  TFontMetrics FMetrics;
  TFontFileRef FFile;
};

using TFontInstancePtr = std::shared_ptr<const TFontInstance>;

// The face and size for a request; never null (the last resort is Liberation
// Sans, then any face fontconfig offers). Instances are shared and cached.
TFontInstancePtr AcquireFont(const TFontRequest& request);

// Family the fixed substitution table gives for a face name (case-insensitive),
// or "" when the name is not in the table.
String FontSubstitute(const String& faceName);
// The names the fixed table knows, in table order.
std::vector<String> FontSubstitutionNames();

// File for a face name, weight and slant: the table, then fontconfig's best
// match, then Liberation Sans. Path is "" only when no font is installed.
TFontFileRef ResolveFontFile(const String& faceName, bool bold, bool italic);
