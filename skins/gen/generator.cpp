#include "skins/gen/generator.h"

#include <algorithm>
#include <memory>
#include <typeinfo>

#include "platform/gui/graphics.h"
#include "platform/rtl/files.h"
#include "platform/rtl/inifiles.h"
#include "skin/engine/data/skincontroldata.h"
#include "skin/engine/data/skindata.h"
#include "skin/engine/data/skinobjects.h"
#include "skins/gen/atlas.h"
#include "skins/gen/glyphs.h"

namespace {

constexpr TRgb kWhite{255, 255, 255}, kBlack{0, 0, 0};
enum TState { sNormal, sHot, sPressed, sDisabled };
// The popup-menu and hint windows compose their frame from a whole picture
// (its size is the frame's size), so each has a picture of its own.
enum TPictureSlot { pCaption, pWindows, pButtons, pBars, pContainers, pPopup, pHint, pCount };
constexpr int32_t kFrameWidth = 320, kFrameHeight = 200;

TRgb Lighten(TRgb C, int32_t S) { return Mix(kWhite, C, S); }
TRgb Darken(TRgb C, int32_t S) { return Mix(kBlack, C, S); }
int32_t CV(TRgb C) { return ColourValue(C); }

// The list word of a description: the kind whose class it is exactly.
template <class Base>
String KindWord(const Base& Description, std::span<const TbsDescriptionKind<Base>> Kinds) {
  for (const auto& k : Kinds)
    if (typeid(*k.Create("")) == typeid(Description)) return k.Kind;
  return "";
}

// Nine-part geometry with the same inset on every side.
template <class T>
void NinePart(T& D, const TRect& SR, int32_t Inset) {
  const int32_t w = SR.Width(), h = SR.Height();
  D.SkinRect = SR;
  D.LeftTopPoint = Point(Inset, Inset);
  D.RightTopPoint = Point(w - Inset, Inset);
  D.LeftBottomPoint = Point(Inset, h - Inset);
  D.RightBottomPoint = Point(w - Inset, h - Inset);
  D.ClientRect = Rect(Inset, Inset, w - Inset, h - Inset);
}

// A field with its buttons at the right end: the fixed right part holds them,
// so they follow the right edge, and the client rect (where the text goes)
// stops before them. That side carries glyphs: stretched, never tiled.
template <class T>
void FieldNinePart(T& D, const TRect& SR, int32_t Inset, int32_t Right) {
  NinePart(D, SR, Inset);
  D.RightTopPoint.X = D.RightBottomPoint.X = Right;
  D.ClientRect.Right = Right;
  D.RightStretch = true;
}

class TGenerator {
 public:
  explicit TGenerator(const TSkinTheme& Theme) : T(Theme), P(Theme.Palette), M(Theme.Metrics) {
    for (int i = 0; i < pCount; ++i) FAtlas.emplace_back(P.Face);
  }
  TGeneratedSkin Run();

 private:
  // ---- painters ----
  std::vector<TStop> MaterialStops(TRgb C) const;
  void Texture(TRaster& R, int32_t X0, int32_t Y0, int32_t X1, int32_t Y1, bool Across = false) const;
  TRadii CaptionButtonRadii(int Place) const;
  TRgb Tone(TState S) const;
  // Horizontal runs the shading left to right, for a face tiled vertically.
  TRaster Face(int32_t W, int32_t H, int32_t Radius, TState S, TRgb Surface, bool Horizontal = false) const;
  TRaster Field(int32_t W, int32_t H, TState S) const;
  TRaster Panel(int32_t W, int32_t H, TRgb Fill) const;
  TRaster Sprite(int32_t W, int32_t H, TRgb Surface, TGlyph G, TRgb C) const;
  TRaster CheckBox(int32_t G, TRgb Surface, int32_t Radius, TGlyph Mark, bool On, TState S) const;
  TRaster CaptionButton(TGlyph G, TState S, bool Close, bool Active, int Place) const;
  TRaster FramePicture(bool Active) const;
  TRaster FrameMask() const;

  // ---- builders ----
  template <class D>
  D& Control(const String& Name) {
    auto d = std::make_unique<D>(Name);
    D& r = *d;
    FControls.push_back(std::move(d));
    return r;
  }
  template <class D>
  void Fonts(D& Desc, int32_t Height) {
    Desc.FontName = "Arial";
    Desc.FontHeight = Height;
  }
  std::vector<TRect> States(TPictureSlot Slot, int32_t W, int32_t H, int32_t Radius, bool FieldLook, int32_t Count = 4);
  void Button(const String& Name, int32_t W, int32_t H, bool Menu);
  void Panel(const String& Name, int32_t W, int32_t H, bool Field);
  void CheckRadio(const String& Name, bool Radio);
  void Gauge(const String& Name, bool Vertical);
  void Label(const String& Name);
  void TrackBar(const String& Name, bool Vertical);
  void Splitter(const String& Name, bool Vertical);
  void UpDown(const String& Name, bool Vertical);
  void Edit(const String& Name, bool Memo);
  void ListBox(const String& Name, bool Check, bool Caption);
  void ComboBox(const String& Name);
  void ScrollBar(const String& Name, bool Vertical, bool Corner);
  void SpinEdit(const String& Name);
  void Singles();
  void Frame();
  void Objects();
  void Windows();
  void Controls();
  String IniText();

  const TSkinTheme& T;
  const TSkinPalette& P;
  const TSkinMetrics& M;
  std::vector<TAtlas> FAtlas;
  TbsSkinContents FContents;
  TbsSkinControlList FControls;
  TbsSkinObjectList FObjects;
  TRect FButtonRects[6];  // caption buttons in the frame
};

std::vector<TStop> TGenerator::MaterialStops(TRgb C) const {
  const int32_t s = T.Strength;
  switch (T.Material) {
    case TSkinMaterial::smFlat:
    case TSkinMaterial::smBevel:
    case TSkinMaterial::smPinstripe: return {{0, C}, {1024, C}};
    case TSkinMaterial::smGradient: return {{0, Lighten(C, s)}, {1024, Darken(C, s / 2)}};
    case TSkinMaterial::smGlossy:
      return GlossyStops(Lighten(C, s), Lighten(C, s / 2), Darken(C, s / 4), Lighten(C, s / 4), T.Split);
    case TSkinMaterial::smGlass:
      return {{0, Lighten(C, s)}, {T.Split, Lighten(C, s / 3)}, {T.Split + 1, Darken(C, s / 4)}, {1024, C}};
  }
  return {{0, C}, {1024, C}};
}

// The material's surface over a filled box. Brushed pinstripes run along the
// rows (period 2), so a box stays uniform along its tiled width; smoked glass
// carries a one-pixel sheen under its top edge and a shadow over its bottom.
// Across runs the stripes and the glass edges down the columns, for a face
// shaded left to right.
void TGenerator::Texture(TRaster& R, int32_t X0, int32_t Y0, int32_t X1, int32_t Y1, bool Across) const {
  const auto blend = [&](int32_t Along, int32_t Other, TRgb C, int32_t S) {
    Across ? R.Blend(Along, Other, C, S) : R.Blend(Other, Along, C, S);
  };
  const int32_t a0 = Across ? X0 : Y0, a1 = Across ? X1 : Y1, o0 = Across ? Y0 : X0, o1 = Across ? Y1 : X1;
  if (T.Material == TSkinMaterial::smPinstripe) {
    for (int32_t a = a0 + 1; a < a1; a += 2)
      for (int32_t o = o0; o < o1; ++o) blend(a, o, P.FaceDark, T.Strength / 4);
  } else if (T.Material == TSkinMaterial::smGlass && a1 - a0 > 2) {
    for (int32_t o = o0; o < o1; ++o) {
      blend(a0, o, kWhite, 40);
      blend(a1 - 1, o, kBlack, 10);
    }
  }
}

TRgb TGenerator::Tone(TState S) const {
  switch (S) {
    case sHot: return Mix(P.Accent, P.FaceLight, 18);
    case sPressed: return Mix(P.Accent, P.Face, 30);
    case sDisabled: return Mix(P.FaceLight, P.Face, 40);
    default: return P.Face;
  }
}

// A rounded box: its edge anti-aliased over Surface, a border, the material
// inside. The fill is stretched across, so its gradient never tiles.
TRaster TGenerator::Face(int32_t W, int32_t H, int32_t Radius, TState S, TRgb Surface, bool Horizontal) const {
  TRaster r(W, H, Surface);
  const TRgb border = S == sDisabled ? Mix(P.Border, P.Face, 24) : S == sNormal ? P.Border : P.Accent;
  FillShape(r, RoundRectShape(0, 0, W, H, {Radius, Radius, Radius, Radius}), 0, 0, W, H, border);
  const auto stops = MaterialStops(Tone(S));
  const int32_t ri = std::max(0, Radius - 1);
  TRaster fill(W, H);
  FillGradient(fill, 1, 1, W - 1, H - 1, stops, !Horizontal);
  Texture(fill, 1, 1, W - 1, H - 1, Horizontal);
  FillShapeWith(r, RoundRectShape(1, 1, W - 1, H - 1, {ri, ri, ri, ri}), 1, 1, W - 1, H - 1,
                [&](int32_t x, int32_t y) { return fill.At(x, y); });
  if (T.Material == TSkinMaterial::smBevel) Bevel(r, 1, 1, W - 1, H - 1, P.FaceLight, P.FaceDark);
  return r;
}

TRaster TGenerator::Field(int32_t W, int32_t H, TState S) const {
  TRaster r(W, H, P.Face);
  const int32_t rad = M.FieldRadius;
  const TRgb border = S == sHot ? P.Accent : S == sDisabled ? Mix(P.Border, P.Face, 24) : P.FaceDark;
  FillShape(r, RoundRectShape(0, 0, W, H, {rad, rad, rad, rad}), 0, 0, W, H, border);
  const int32_t ri = std::max(0, rad - 1);
  const TRgb fill = S == sDisabled ? P.Face : P.Field;
  FillShape(r, RoundRectShape(1, 1, W - 1, H - 1, {ri, ri, ri, ri}), 1, 1, W - 1, H - 1, fill);
  return r;
}

TRaster TGenerator::Panel(int32_t W, int32_t H, TRgb Fill) const {
  TRaster r(W, H, Fill);
  Bevel(r, 0, 0, W, H, P.FaceLight, P.FaceDark);
  return r;
}

// A glyph composited over Surface, for a sprite that is drawn with a key
// margin around it.
TRaster TGenerator::Sprite(int32_t W, int32_t H, TRgb Surface, TGlyph G, TRgb C) const {
  TRaster r(W, H, Surface);
  DrawGlyph(r, G, 0, 0, W, H, C);
  return r;
}

// A check or radio box over Surface: the hot box takes the accent border and
// mark, the disabled one fades, so that every state reads at a glance.
TRaster TGenerator::CheckBox(int32_t G, TRgb Surface, int32_t Radius, TGlyph Mark, bool On, TState S) const {
  TRaster r(G, G, Surface);
  const TRgb border = S == sHot ? P.Accent : S == sDisabled ? Mix(P.FaceDark, Surface, 24) : P.FaceDark;
  const TRgb fill = S == sDisabled ? Mix(P.Face, P.Field, 32) : S == sHot ? Mix(P.Accent, P.Field, 6) : P.Field;
  FillShape(r, RoundRectShape(0, 0, G, G, {Radius, Radius, Radius, Radius}), 0, 0, G, G, border);
  const int32_t ri = std::max(0, Radius - 1);
  FillShape(r, RoundRectShape(1, 1, G - 1, G - 1, {ri, ri, ri, ri}), 1, 1, G - 1, G - 1, fill);
  const TRgb ink = S == sDisabled ? P.DisabledText : S == sHot ? Darken(P.Accent, 8) : P.Text;
  if (On) DrawGlyph(r, Mark, 0, 0, G, G, ink);
  return r;
}

std::vector<TRect> TGenerator::States(TPictureSlot Slot, int32_t W, int32_t H, int32_t Radius, bool FieldLook,
                                      int32_t Count) {
  std::vector<TRaster> images;
  for (int32_t s = 0; s < Count; ++s)
    images.push_back(FieldLook ? Field(W, H, TState(s)) : Face(W, H, Radius, TState(s), P.Face));
  return FAtlas[Slot].Add(images, false);
}

// ---- control sections ----------------------------------------------------------

void TGenerator::Button(const String& Name, int32_t W, int32_t H, bool Menu) {
  auto& d = Menu ? Control<TbsDataSkinMenuButtonControl>(Name) : Control<TbsDataSkinButtonControl>(Name);
  const int32_t rad = M.ButtonRadius;
  const auto r = States(pButtons, W, H, rad, false);
  NinePart(d, r[0], rad + 1);
  d.PictureIndex = pButtons;
  d.ActiveSkinRect = r[1];
  d.DownSkinRect = r[2];
  d.DisabledSkinRect = r[3];
  d.LeftStretch = d.RightStretch = d.StretchEffect = true;
  Fonts(d, M.FontHeight);
  d.FontColor = d.ActiveFontColor = d.DownFontColor = CV(P.Text);
  d.DisabledFontColor = CV(P.DisabledText);
  d.Morphing = T.Morphing;
  d.MorphKind = T.MorphKind;
  if (Menu) static_cast<TbsDataSkinMenuButtonControl&>(d).TrackButtonRect = Rect(W - 14, 0, W, H);
}

void TGenerator::Panel(const String& Name, int32_t W, int32_t H, bool FieldLook) {
  auto& d = Control<TbsDataSkinPanelControl>(Name);
  const auto r = FAtlas[pContainers].Add({Panel(W, H, FieldLook ? P.Field : P.Face)}, false);
  NinePart(d, r[0], 2);
  d.PictureIndex = pContainers;
  Fonts(d, M.FontHeight);
  d.FontColor = CV(P.Text);
  if (Name == "groupbox" || Name == "rolluppanel") d.CaptionRect = Rect(6, 0, W - 6, 16);
}

void TGenerator::CheckRadio(const String& Name, bool Radio) {
  auto& d = Control<TbsDataSkinCheckRadioControl>(Name);
  const int32_t w = 80, h = 17, g = 13;
  // the hot image frames the whole box and its text in a light accent
  TRaster hot(w, h, P.Face);
  FillShape(hot, RoundRectShape(0, 0, w, h, {3, 3, 3, 3}), 0, 0, w, h, Mix(P.Accent, P.Face, 24));
  FillShape(hot, RoundRectShape(1, 1, w - 1, h - 1, {2, 2, 2, 2}), 0, 0, w, h, Mix(P.Accent, P.FaceLight, 6));
  const auto bg = FAtlas[pButtons].Add({TRaster(w, h, P.Face), hot}, false);
  NinePart(d, bg[0], 2);
  d.PictureIndex = pButtons;
  d.ActiveSkinRect = bg[1];
  d.CheckImageArea = Rect(0, 2, g + 2, g + 4);
  d.TextArea = Rect(g + 6, 0, w, h);
  const int32_t rad = Radio ? g / 2 : 2;
  const TGlyph mark = Radio ? TGlyph::gDot : TGlyph::gTick;
  const auto box = [&](bool On, TState S) { return CheckBox(g, P.Face, rad, mark, On, S); };
  const auto s = FAtlas[pButtons].Add({box(true, sNormal), box(false, sNormal), box(true, sHot), box(false, sHot),
                                       box(true, sDisabled), box(false, sDisabled)},
                                      true);
  d.CheckImageRect = s[0];
  d.UnCheckImageRect = s[1];
  d.ActiveCheckImageRect = s[2];
  d.ActiveUnCheckImageRect = s[3];
  d.UnEnabledCheckImageRect = s[4];
  d.UnEnabledUnCheckImageRect = s[5];
  Fonts(d, M.FontHeight);
  d.FontColor = d.ActiveFontColor = d.FrameFontColor = CV(P.Text);
  d.UnEnabledFontColor = CV(P.DisabledText);
}

void TGenerator::Gauge(const String& Name, bool Vertical) {
  auto& d = Control<TbsDataSkinGaugeControl>(Name);
  const int32_t w = Vertical ? 17 : 100, h = Vertical ? 100 : 17;
  const auto r = FAtlas[pBars].Add({Field(w, h, sNormal)}, false);
  NinePart(d, r[0], 2);
  d.PictureIndex = pBars;
  d.Vertical = Vertical;
  d.ProgressArea = Rect(2, 2, w - 2, h - 2);
  const int32_t pw = Vertical ? w - 4 : 24, ph = Vertical ? 24 : h - 4;
  TRaster bar(pw, ph, P.Progress);
  FillGradient(bar, 0, 0, pw, ph, MaterialStops(P.Progress), !Vertical);
  d.ProgressRect = FAtlas[pBars].Add({bar}, false)[0];
  d.ProgressStretch = true;
  Fonts(d, M.FontHeight);
  d.FontColor = CV(P.Text);
}

void TGenerator::Label(const String& Name) {
  auto& d = Control<TbsDataSkinLabelControl>(Name);
  const auto r = FAtlas[pContainers].Add({Panel(60, M.StatusBarHeight, P.Face)}, false);
  NinePart(d, r[0], 2);
  d.PictureIndex = pContainers;
  Fonts(d, M.FontHeight);
  d.FontColor = CV(P.Text);
}

void TGenerator::TrackBar(const String& Name, bool Vertical) {
  auto& d = Control<TbsDataSkinTrackBarControl>(Name);
  const int32_t w = Vertical ? 24 : 100, h = Vertical ? 100 : 24;
  // the hot groove takes the accent
  const auto groove = [&](TRgb C) {
    TRaster g(w, h, P.Face);
    const TInside shape = Vertical ? RoundRectShape(w / 2 - 2, 4, w / 2 + 2, h - 4, {2, 2, 2, 2})
                                   : RoundRectShape(4, h / 2 - 2, w - 4, h / 2 + 2, {2, 2, 2, 2});
    FillShape(g, shape, 0, 0, w, h, C);
    return g;
  };
  const auto r = FAtlas[pBars].Add({groove(P.Track), groove(Mix(P.Accent, P.Track, 24))}, false);
  NinePart(d, r[0], 6);
  // the groove runs across the sides: stretched, never tiled
  d.LeftStretch = d.RightStretch = d.TopStretch = d.BottomStretch = d.StretchEffect = true;
  d.PictureIndex = pBars;
  d.ActiveSkinRect = r[1];
  d.Vertical = Vertical;
  d.TrackArea = Vertical ? Rect(0, 6, w, h - 6) : Rect(6, 0, w - 6, h);
  const int32_t tw = Vertical ? 19 : 11, th = Vertical ? 11 : 19;
  const auto thumb = [&](TState S) { return Face(tw, th, 2, S, P.Face); };
  const auto s = FAtlas[pBars].Add({thumb(sNormal), thumb(sHot)}, true);
  d.ButtonRect = s[0];
  d.ActiveButtonRect = s[1];
  d.ButtonTransparent = true;
  d.ButtonTransparentColor = CV(kKeyColour);
}

void TGenerator::Splitter(const String& Name, bool Vertical) {
  auto& d = Control<TbsDataSkinSplitterControl>(Name);
  const int32_t w = Vertical ? 6 : 40, h = Vertical ? 40 : 6;
  const auto r = FAtlas[pBars].Add({Panel(w, h, P.Face)}, false);
  NinePart(d, r[0], 1);
  d.PictureIndex = pBars;
  const int32_t gw = Vertical ? 4 : 16, gh = Vertical ? 16 : 4;
  d.GripperRect = FAtlas[pBars].Add({Sprite(gw, gh, P.Face, TGlyph::gGripDots, P.FaceDark)}, true)[0];
  d.GripperTransparent = true;
  d.GripperTransparentColor = CV(kKeyColour);
}

// Button 0 of an up-down increases: it sits at "upbuttonrect", right of the
// decreasing button (horizontal) or above it (vertical). The two button rects
// are places in the control; only the hot and pressed images are sprites.
void TGenerator::UpDown(const String& Name, bool Vertical) {
  auto& d = Control<TbsDataSkinUpDownControl>(Name);
  const int32_t w = Vertical ? 17 : 34, h = Vertical ? 22 : 17;
  const int32_t bw = Vertical ? w : w / 2, bh = Vertical ? h / 2 : h;
  const TGlyph inc = Vertical ? TGlyph::gArrowUp : TGlyph::gArrowRight;
  const TGlyph dec = Vertical ? TGlyph::gArrowDown : TGlyph::gArrowLeft;
  const auto part = [&](TGlyph G, TState S) {
    TRaster r = Face(bw, bh, 2, S, P.Face);
    DrawGlyph(r, G, (bw - 9) / 2, (bh - 9) / 2, 9, 9, P.Text);
    return r;
  };
  d.UpButtonRect = Vertical ? Rect(0, 0, w, bh) : Rect(w - bw, 0, w, h);
  d.DownButtonRect = Vertical ? Rect(0, h - bh, w, h) : Rect(0, 0, bw, h);
  TRaster whole(w, h, P.Face);
  whole.Blit(part(inc, sNormal), d.UpButtonRect.Left, d.UpButtonRect.Top);
  whole.Blit(part(dec, sNormal), d.DownButtonRect.Left, d.DownButtonRect.Top);
  d.SkinRect = FAtlas[pBars].Add({whole}, false)[0];
  d.PictureIndex = pBars;
  const auto up = FAtlas[pBars].Add({part(inc, sHot), part(inc, sPressed)}, false);
  const auto dn = FAtlas[pBars].Add({part(dec, sHot), part(dec, sPressed)}, false);
  d.ActiveUpButtonRect = up[0];
  d.DownUpButtonRect = up[1];
  d.ActiveDownButtonRect = dn[0];
  d.DownDownButtonRect = dn[1];
}

void TGenerator::Edit(const String& Name, bool Memo) {
  auto& d = Memo ? Control<TbsDataSkinMemoControl>(Name) : Control<TbsDataSkinEditControl>(Name);
  const int32_t h = Memo ? 60 : M.EditHeight;
  const auto r = States(pButtons, 100, h, 0, true, 2);
  NinePart(d, r[0], M.FieldRadius + 1);
  d.PictureIndex = pButtons;
  d.ActiveSkinRect = r[1];
  Fonts(d, M.FontHeight);
  d.FontColor = d.ActiveFontColor = CV(P.FieldText);
  d.DisabledFontColor = CV(P.DisabledText);
  if (Memo) {
    auto& m = static_cast<TbsDataSkinMemoControl&>(d);
    m.BGColor = m.ActiveBGColor = CV(P.Field);
  }
}

void TGenerator::ListBox(const String& Name, bool Check, bool Caption) {
  auto& d = Check ? Control<TbsDataSkinCheckListBox>(Name) : Control<TbsDataSkinListBox>(Name);
  const int32_t w = 100, h = 80, ih = 18;
  const auto r = FAtlas[pContainers].Add({Field(w, h, sNormal)}, false);
  NinePart(d, r[0], M.FieldRadius + 1);
  d.PictureIndex = pContainers;
  TRaster item(40, ih, P.Field), active(40, ih, P.Selection), focus(40, ih, P.Selection);
  Bevel(focus, 0, 0, 40, ih, P.Accent, P.Accent);
  const auto it = FAtlas[pContainers].Add({item, active, focus}, false);
  d.ItemRect = it[0];
  d.ActiveItemRect = it[1];
  d.FocusItemRect = it[2];
  d.ItemTextRect = Rect(3, 0, 37, ih);
  Fonts(d, M.FontHeight);
  d.FontColor = CV(P.FieldText);
  d.ActiveFontColor = d.FocusFontColor = CV(P.SelectionText);
  d.CaptionFontName = "Arial";
  d.CaptionFontHeight = M.FontHeight;
  d.CaptionFontColor = CV(P.Text);
  if (Caption) d.CaptionRect = Rect(3, 3, w - 3, 19);
  if (Check) {
    auto& c = static_cast<TbsDataSkinCheckListBox&>(d);
    c.ItemCheckRect = Rect(2, 2, 17, 17);
    const auto s = FAtlas[pContainers].Add({CheckBox(13, P.Field, 2, TGlyph::gTick, true, sNormal),
                                            CheckBox(13, P.Field, 2, TGlyph::gTick, false, sNormal)},
                                           true);
    c.CheckImageRect = s[0];
    c.UnCheckImageRect = s[1];
  }
}

// The controls draw the hot, pressed and disabled buttons over the frame
// picture; the normal button is part of both frame pictures. "itemtextrect"
// lies in the item picture, which fills the client rect.
void TGenerator::ComboBox(const String& Name) {
  auto& d = Control<TbsDataSkinComboBox>(Name);
  const int32_t w = 100, h = M.EditHeight, bw = 17, in = M.FieldRadius + 1;
  const TRect place = Rect(w - bw - 1, 1, w - 1, h - 1);
  const auto button = [&](TState S) {
    TRaster r = S == sNormal ? TRaster(bw, h - 2, P.Field) : Face(bw, h - 2, 2, S, P.Field);
    DrawGlyph(r, TGlyph::gArrowDown, (bw - 9) / 2, (h - 2 - 9) / 2, 9, 9, S == sDisabled ? P.DisabledText : P.Text);
    return r;
  };
  const auto field = [&](TState S) {
    TRaster r = Field(w, h, S);
    r.Blit(button(sNormal), place.Left, place.Top);
    return r;
  };
  const auto fields = FAtlas[pButtons].Add({field(sNormal), field(sHot)}, false);
  FieldNinePart(d, fields[0], in, place.Left - 1);
  d.PictureIndex = pButtons;
  d.ActiveSkinRect = fields[1];
  d.ButtonRect = place;
  const auto b = FAtlas[pButtons].Add({button(sHot), button(sPressed), button(sDisabled)}, false);
  d.ActiveButtonRect = b[0];
  d.DownButtonRect = b[1];
  d.UnEnabledButtonRect = b[2];
  // focused: the shown item on the selection colour, a field-coloured ring round it
  const int32_t iw = d.ClientRect.Width(), ih = d.ClientRect.Height();
  TRaster focus(iw, ih, P.Field);
  focus.FillRect(1, 1, iw - 1, ih - 1, P.Selection);
  d.ItemRect = d.ActiveItemRect = Rect(0, 0, 0, 0);
  d.FocusItemRect = FAtlas[pButtons].Add({focus}, false)[0];
  d.ItemLeftOffset = d.ItemRightOffset = 1;
  d.ItemTextRect = Rect(1, 0, iw - 1, ih);
  d.ListBoxName = "listbox";
  Fonts(d, M.FontHeight);
  d.FontColor = d.ActiveFontColor = CV(P.FieldText);
  d.FocusFontColor = CV(P.SelectionText);
}

// "upbuttonrect" is the increasing arrow (right or bottom), past the corner
// point so that it follows the bar's size. The corner bar ends in the square
// under the vertical bar, which stays fixed with the right arrow.
void TGenerator::ScrollBar(const String& Name, bool Vertical, bool Corner) {
  auto& d = Control<TbsDataSkinScrollBarControl>(Name);
  const int32_t s = M.ScrollBarSize, len = 100, square = Corner ? s : 0;
  const int32_t w = Vertical ? s : len, h = Vertical ? len : s;
  const TGlyph inc = Vertical ? TGlyph::gArrowDown : TGlyph::gArrowRight;
  const TGlyph dec = Vertical ? TGlyph::gArrowUp : TGlyph::gArrowLeft;
  const auto arrow = [&](TGlyph G, TState S) {
    TRaster r = S == sNormal ? TRaster(s, s, P.Track) : Face(s, s, 2, S, P.Track);
    DrawGlyph(r, G, (s - 9) / 2, (s - 9) / 2, 9, 9, P.Text);
    return r;
  };
  TRaster bar(w, h, P.Track);
  if (Corner) bar.Blit(Panel(s, s, P.Face), w - s, 0);
  bar.Blit(arrow(dec, sNormal), 0, 0);
  bar.Blit(arrow(inc, sNormal), Vertical ? 0 : w - square - s, Vertical ? h - s : 0);
  d.SkinRect = FAtlas[pBars].Add({bar}, false)[0];
  d.PictureIndex = pBars;
  if (Vertical) {
    d.LeftTopPoint = Point(1, s);
    d.LeftBottomPoint = Point(1, h - s);
    d.TrackArea = Rect(0, s, w, h - s);
    d.UpButtonRect = Rect(0, h - s, s, h);
    d.DownButtonRect = Rect(0, 0, s, s);
  } else {
    d.LeftTopPoint = Point(s, 1);
    d.RightTopPoint = Point(w - square - s, 1);
    d.TrackArea = Rect(s, 0, w - square - s, h);
    d.UpButtonRect = Rect(w - square - s, 0, w - square, h);
    d.DownButtonRect = Rect(0, 0, s, s);
  }
  const auto up = FAtlas[pBars].Add({arrow(inc, sHot), arrow(inc, sPressed)}, false);
  const auto dn = FAtlas[pBars].Add({arrow(dec, sHot), arrow(dec, sPressed)}, false);
  d.ActiveUpButtonRect = up[0];
  d.DownUpButtonRect = up[1];
  d.ActiveDownButtonRect = dn[0];
  d.DownDownButtonRect = dn[1];
  const int32_t tw = Vertical ? s - 2 : 30, th = Vertical ? 30 : s - 2;
  // with a page size the thumb's middle is tiled along the bar: shaded across
  const auto thumb = [&](TState S) { return Face(tw, th, 3, S, P.Track, Vertical); };
  const auto t = FAtlas[pBars].Add({thumb(sNormal), thumb(sHot), thumb(sPressed)}, true);
  d.ThumbRect = t[0];
  d.ActiveThumbRect = t[1];
  d.DownThumbRect = t[2];
  d.ThumbOffset1 = d.ThumbOffset2 = 5;
  d.ThumbTransparent = true;
  d.ThumbTransparentColor = CV(kKeyColour);
}

// As the combo box: the normal buttons are part of the frame pictures.
void TGenerator::SpinEdit(const String& Name) {
  auto& d = Control<TbsDataSkinSpinEditControl>(Name);
  const int32_t w = 100, h = M.EditHeight, bw = 15, bh = (h - 2) / 2;
  const auto part = [&](TGlyph G, TState S) {
    TRaster r = S == sNormal ? TRaster(bw, bh, P.Field) : Face(bw, bh, 1, S, P.Field);
    DrawGlyph(r, G, (bw - 7) / 2, (bh - 7) / 2, 7, 7, P.Text);
    return r;
  };
  d.UpButtonRect = Rect(w - bw - 1, 1, w - 1, 1 + bh);
  d.DownButtonRect = Rect(w - bw - 1, 1 + bh, w - 1, 1 + 2 * bh);
  const auto field = [&](TState S) {
    TRaster r = Field(w, h, S);
    r.Blit(part(TGlyph::gArrowUp, sNormal), d.UpButtonRect.Left, d.UpButtonRect.Top);
    r.Blit(part(TGlyph::gArrowDown, sNormal), d.DownButtonRect.Left, d.DownButtonRect.Top);
    return r;
  };
  const auto fields = FAtlas[pButtons].Add({field(sNormal), field(sHot)}, false);
  FieldNinePart(d, fields[0], M.FieldRadius + 1, d.UpButtonRect.Left - 1);
  d.PictureIndex = pButtons;
  d.ActiveSkinRect = fields[1];
  const auto up = FAtlas[pButtons].Add({part(TGlyph::gArrowUp, sHot), part(TGlyph::gArrowUp, sPressed)}, false);
  const auto dn = FAtlas[pButtons].Add({part(TGlyph::gArrowDown, sHot), part(TGlyph::gArrowDown, sPressed)}, false);
  d.ActiveUpButtonRect = up[0];
  d.DownUpButtonRect = up[1];
  d.ActiveDownButtonRect = dn[0];
  d.DownDownButtonRect = dn[1];
  Fonts(d, M.FontHeight);
  d.FontColor = d.ActiveFontColor = CV(P.FieldText);
  d.DisabledFontColor = CV(P.DisabledText);
}

// The kinds with a single section each.
void TGenerator::Singles() {
  {
    auto& d = Control<TbsDataSkinExPanelControl>("expanel");
    const auto r = FAtlas[pContainers].Add({Panel(80, 60, P.Face)}, false);
    NinePart(d, r[0], 2);
    d.PictureIndex = pContainers;
    d.CaptionRect = Rect(2, 2, 78, 20);
    Fonts(d, M.FontHeight);
    d.FontColor = CV(P.Text);
  }
  {
    auto& d = Control<TbsDataSkinScrollBoxControl>("scrollbox");
    const auto r = FAtlas[pContainers].Add({Field(60, 60, sNormal)}, false);
    NinePart(d, r[0], M.FieldRadius + 1);
    d.PictureIndex = pContainers;
  }
  {
    auto& d = Control<TbsDataSkinControlBar>("controlbar");
    const auto r = FAtlas[pContainers].Add({Panel(60, 30, P.Face)}, false);
    NinePart(d, r[0], 2);
    d.PictureIndex = pContainers;
  }
  {
    auto& d = Control<TbsDataSkinStdLabelControl>("stdlabel");
    Fonts(d, M.FontHeight);
    d.FontColor = CV(P.Text);
    d.ActiveFontColor = CV(Darken(P.Selection, 8));
  }
  {
    auto& d = Control<TbsDataSkinGridControl>("grid");
    d.PictureIndex = pContainers;
    TRaster fixed = Face(40, 18, 0, sNormal, P.Face), sel(40, 18, P.Selection), foc(40, 18, P.Selection);
    Bevel(foc, 0, 0, 40, 18, P.Accent, P.Accent);
    const auto r = FAtlas[pContainers].Add({fixed, sel, foc}, false);
    d.FixedCellRect = r[0];
    d.SelectCellRect = r[1];
    d.FocusCellRect = r[2];
    d.FixedCellTextRect = d.CellTextRect = Rect(2, 0, 38, 18);
    d.LinesColor = CV(P.FaceDark);
    d.BGColor = CV(P.Field);
    Fonts(d, M.FontHeight);
    d.FontColor = CV(P.FieldText);
    d.SelectFontColor = d.FocusFontColor = CV(P.SelectionText);
    d.FixedFontName = "Arial";
    d.FixedFontHeight = M.FontHeight;
    d.FixedFontColor = CV(P.Text);
    d.FixedCellStretchEffect = d.CellStretchEffect = true;
  }
  {
    auto& d = Control<TbsDataSkinTabControl>("tab");
    d.PictureIndex = pContainers;
    const int32_t tw = 60, th = M.TabHeight, rad = M.TabRadius;
    const auto tab = [&](TState S, TRgb Fill) {
      TRaster r(tw, th, P.Face);
      FillShape(r, RoundRectShape(0, 0, tw, th + rad, {rad, rad, 0, 0}), 0, 0, tw, th, P.FaceDark);
      FillShape(r, RoundRectShape(1, 1, tw - 1, th + rad, {rad, rad, 0, 0}), 0, 0, tw, th,
                S == sHot ? Mix(P.Accent, Fill, 12) : Fill);
      // the selected tab carries an accent line under its top edge
      if (S == sPressed) FillShape(r, RoundRectShape(1, 1, tw - 1, 3, {rad, rad, 0, 0}), 0, 0, tw, 3, P.Accent);
      return r;
    };
    const auto t = FAtlas[pContainers].Add(
        {tab(sNormal, P.Face), tab(sPressed, P.Field), tab(sNormal, P.Field), tab(sHot, P.Face)}, false);
    d.TabRect = t[0];
    d.ActiveTabRect = t[1];
    d.FocusTabRect = t[2];
    d.MouseInTabRect = t[3];
    d.TabLeftOffset = d.TabRightOffset = rad + 1;
    const auto page = FAtlas[pContainers].Add({Panel(80, 60, P.Field)}, false);
    d.SkinRect = page[0];
    d.LeftTopPoint = Point(2, 2);
    d.RightTopPoint = Point(78, 2);
    d.LeftBottomPoint = Point(2, 58);
    d.RightBottomPoint = Point(78, 58);
    d.ClientRect = Rect(2, 2, 78, 58);
    Fonts(d, M.FontHeight);
    d.FontColor = d.ActiveFontColor = d.FocusFontColor = d.MouseInFontColor = CV(P.Text);
    d.UpDown = "hupdown";
  }
  {
    auto& d = Control<TbsDataSkinMainMenuBar>("mainmenubar");
    d.PictureIndex = pCaption;
    TRaster bar(60, M.MenuBarHeight, P.Menu);
    d.SkinRect = FAtlas[pCaption].Add({bar}, false)[0];
    d.ItemsRect = Rect(0, 0, 60, M.MenuBarHeight);
    d.MenuBarItem = "mainmenubaritem";
    d.CloseButton = "mdiclosebutton";
    d.MinButton = "mdiminbutton";
    d.MaxButton = "mdimaxbutton";
    d.SysMenuButton = "mdisysmenubutton";
    d.TrackMarkColor = CV(P.FaceDark);
    d.TrackMarkActiveColor = CV(P.Accent);
    d.StretchEffect = true;
  }
  const auto plainFont = [&](auto& D) {
    Fonts(D, M.FontHeight);
    D.FontColor = CV(P.FieldText);
    D.BGColor = CV(P.Field);
  };
  plainFont(Control<TbsDataSkinTreeView>("treeview"));
  plainFont(Control<TbsDataSkinListView>("listview"));
  plainFont(Control<TbsDataSkinRichEdit>("richedit"));
  {
    auto& d = Control<TbsDataSkinSlider>("slider");
    d.PictureIndex = pBars;
    // Ruler and thumbs are drawn with their bottom-left pixel as the key, so
    // each keeps a key margin; a thumb holds its normal and its pressed state
    // side by side and lies across its ruler.
    const int32_t len = 40, across = 6, rad = 2;
    const auto ruler = [&](bool Vertical) {
      const int32_t w = Vertical ? across : len, h = Vertical ? len : across;
      TRaster r(w, h, P.Face);
      FillShape(r, RoundRectShape(0, 0, w, h, {rad, rad, rad, rad}), 0, 0, w, h, P.FaceDark);
      FillShape(r, RoundRectShape(1, 1, w - 1, h - 1, {rad - 1, rad - 1, rad - 1, rad - 1}), 1, 1, w - 1, h - 1,
                P.Track);
      return r;
    };
    const auto thumb = [&](int32_t W, int32_t H) {
      return FAtlas[pBars].Add({Face(W, H, 2, sNormal, P.Face), Face(W, H, 2, sPressed, P.Face)}, true);
    };
    const auto both = [](const std::vector<TRect>& R) { return Rect(R[0].Left, R[0].Top, R[1].Right, R[1].Bottom); };
    d.HRulerRect = FAtlas[pBars].Add({ruler(false)}, true)[0];
    d.VRulerRect = FAtlas[pBars].Add({ruler(true)}, true)[0];
    d.HThumbRect = both(thumb(11, 19));
    d.VThumbRect = both(thumb(19, 11));
    d.EdgeSize = rad + 2;
    d.BGColor = CV(P.Face);
    d.PointsColor = CV(P.FaceDark);
  }
  {
    auto& d = Control<TbsDataSkinBevel>("bevel");
    d.LightColor = CV(P.FaceLight);
    d.DarkColor = CV(P.FaceDark);
  }
}

void TGenerator::Controls() {
  const int32_t bh = M.EditHeight + 2;
  Button("button", 75, bh, false);
  Button("toolbutton", 24, 22, false);
  Button("resizebutton", 60, 20, false);
  Button("resizetoolbutton", 40, 22, false);
  Button("bigtoolbutton", 40, 40, false);
  Button("combobutton", 17, M.EditHeight, false);
  Button("editbutton", 17, M.EditHeight, false);
  Button("menuitembutton", 40, M.MenuItemHeight, false);
  Button("vtracktoolbutton", 17, 30, false);
  Button("htracktoolbutton", 30, 17, false);
  Button("toolmenubutton", 36, 22, true);
  Button("toolmenutrackbutton", 36, 22, true);
  Button("bigtoolmenubutton", 52, 40, true);
  Button("bigtoolmenutrackbutton", 52, 40, true);
  for (const char* name :
       {"panel", "toolpanel", "groupbox", "statusbar", "bigtoolpanel", "resizetoolpanel", "rolluppanel"})
    Panel(name, 60, String(name) == "statusbar" ? M.StatusBarHeight : 40, false);
  CheckRadio("checkbox", false);
  CheckRadio("radiobox", true);
  Gauge("gauge", false);
  Gauge("vgauge", true);
  Gauge("statusgauge", false);
  Label("label");
  Label("statuspanel");
  TrackBar("trackbar", false);
  TrackBar("htrackbar", false);
  Splitter("vsplitter", true);
  Splitter("hsplitter", false);
  UpDown("vupdown", true);
  UpDown("hupdown", false);
  for (const char* name : {"edit", "buttonedit", "statusedit", "statusbuttonedit", "tooledit", "toolbuttonedit"})
    Edit(name, false);
  Edit("memo", true);
  ListBox("listbox", false, false);
  ListBox("captionlistbox", false, true);
  ListBox("checklistbox", true, false);
  ListBox("captionchecklistbox", true, true);
  for (const char* name : {"combobox", "captioncombobox", "statuscombobox", "toolcombobox"}) ComboBox(name);
  ScrollBar("hscrollbar", false, false);
  ScrollBar("vscrollbar", true, false);
  ScrollBar("bothhscrollbar", false, true);
  for (const char* name : {"spinedit", "statusspinedit", "toolspinedit"}) SpinEdit(name);
  Singles();
}

// ---- frame, objects, windows ----------------------------------------------------

TRaster TGenerator::FramePicture(bool Active) const {
  const int32_t W = kFrameWidth, H = kFrameHeight, bw = M.FrameBorder, ch = M.CaptionHeight;
  const TRgb top = Active ? P.CaptionTop : P.InactiveCaptionTop;
  const TRgb bottom = Active ? P.CaptionBottom : P.InactiveCaptionBottom;
  TRaster r(W, H, P.Face);
  const TRadii radii{M.TopRadius, M.TopRadius, M.BottomRadius, M.BottomRadius};
  FillShape(r, RoundRectShape(0, 0, W, H, radii), 0, 0, W, H, P.Border);
  std::vector<TStop> stops{{0, top}, {1024, bottom}};
  if (T.Material == TSkinMaterial::smGlossy) stops = GlossyStops(Lighten(top, 20), top, bottom, bottom, T.Split);
  // smoked glass: a bright sheen above the split, the smoky tint below it
  if (T.Material == TSkinMaterial::smGlass)
    stops = GlossyStops(Lighten(top, T.Strength), Lighten(top, T.Strength / 3), Darken(bottom, T.Strength / 3), bottom,
                        T.Split);
  const TRadii inner{std::max(0, M.TopRadius - 1), std::max(0, M.TopRadius - 1), std::max(0, M.BottomRadius - 1),
                     std::max(0, M.BottomRadius - 1)};
  TRaster band(W, H, bottom);
  FillGradient(band, 0, 1, W, ch, stops, true);
  if (T.Material == TSkinMaterial::smPinstripe) Texture(band, 0, 1, W, ch);
  // frosted glass: a 2 x 2 dither, whose period divides the caption's tile
  if (T.Material == TSkinMaterial::smGlass) Dither(band, 0, 1, W, ch, kWhite, T.Strength / 4);
  FillShapeWith(r, RoundRectShape(1, 1, W - 1, H - 1, inner), 0, 0, W, H,
                [&](int32_t x, int32_t y) { return band.At(x, y); });
  r.FillRect(bw - 1, ch - 1, W - bw + 1, H - bw + 1, Darken(bottom, 16));
  r.FillRect(bw, ch, W - bw, H - bw, P.Face);
  // the client tile: brushed lines faint enough for a plain dialog, at a
  // period that divides the tile's height so that it repeats seamlessly
  const int32_t tile = H - bw - ch;
  if (T.Material == TSkinMaterial::smPinstripe)
    for (int32_t period : {3, 2, 4})
      if (tile % period == 0) {
        for (int32_t y = ch + period - 1; y < H - bw; y += period)
          for (int32_t x = bw; x < W - bw; ++x) r.Blend(x, y, P.FaceLight, 24);
        break;
      }
  return r;
}

TRaster TGenerator::FrameMask() const {
  const int32_t W = kFrameWidth, H = kFrameHeight;
  TRaster m(W, H, kWhite);
  const auto inside = RoundRectShape(0, 0, W, H, {M.TopRadius, M.TopRadius, M.BottomRadius, M.BottomRadius});
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x)
      if (Coverage(inside, x, y) >= 32) m.Set(x, y, kBlack);
  return m;
}

// Corners of the caption button at a place: a joined strip rounds only its
// outer ends (close at the outside, minimise at the inside of the strip).
TRadii TGenerator::CaptionButtonRadii(int Place) const {
  const int32_t r = M.ButtonRadius;
  switch (M.ButtonShape) {
    case TButtonShape::bsSquare: return {};
    case TButtonShape::bsStrip: {
      const bool outer = Place == 0, inner = Place == 2 || Place == 3;
      if (!outer && !inner) return Place == 1 ? TRadii{} : TRadii{r, r, r, r};
      const bool left = outer == M.ButtonsLeft;
      return left ? TRadii{r, 0, 0, r} : TRadii{0, r, r, 0};
    }
    default: return {r, r, r, r};
  }
}

TRaster TGenerator::CaptionButton(TGlyph G, TState S, bool Close, bool Active, int Place) const {
  const int32_t w = M.ButtonWidth, h = M.ButtonHeight;
  const TRgb surface = Active ? P.CaptionTop : P.InactiveCaptionTop;
  TRaster r(w, h, surface);
  TRgb fill = Mix(P.FaceLight, surface, S == sNormal ? 8 : 24);
  if (Close)
    fill = S == sNormal ? Mix(P.CloseHot, surface, 40) : S == sHot ? P.CloseHot : Darken(P.CloseHot, 16);
  else if (S == sHot)
    fill = Mix(P.Accent, P.FaceLight, 36);
  else if (S == sPressed)
    fill = Mix(P.Accent, P.Face, 40);
  if (S == sDisabled) fill = Mix(P.Face, surface, 20);
  const TRgb edge = S == sDisabled ? Mix(P.Border, surface, 24) : Darken(P.Border, 8);
  const auto paint = [&](int32_t, int32_t y) { return GradientAt(MaterialStops(fill), y - 1, h - 2); };
  int32_t g = std::min(w, h) - 4;
  if (M.ButtonShape == TButtonShape::bsDisc) {
    // a disc of the button's height, centred; its glyph fits inside the circle
    const int32_t d = std::min(w, h), cx = w * 8, cy = h * 8;
    FillShape(r, DiscShape(cx, cy, d * 8), 0, 0, w, h, edge);
    FillShapeWith(r, DiscShape(cx, cy, d * 8 - 16), 0, 0, w, h, paint);
    g = d * 2 / 3;
  } else {
    const TRadii radii = CaptionButtonRadii(Place);
    const TRadii in{std::max(0, radii.LT - 1), std::max(0, radii.RT - 1), std::max(0, radii.RB - 1),
                    std::max(0, radii.LB - 1)};
    FillShape(r, RoundRectShape(0, 0, w, h, radii), 0, 0, w, h, edge);
    FillShapeWith(r, RoundRectShape(1, 1, w - 1, h - 1, in), 0, 0, w, h, paint);
  }
  const TRgb ink = S == sDisabled ? P.DisabledText : Close ? P.AccentText : P.CaptionText;
  DrawGlyph(r, G, (w - g) / 2, (h - g) / 2, g, g, ink);
  return r;
}

void TGenerator::Frame() {
  const int32_t W = kFrameWidth, H = kFrameHeight, bw = M.FrameBorder, ch = M.CaptionHeight;
  auto& f = FContents.FormInfo;
  f.LeftTopPoint = Point(bw, ch);
  f.RightTopPoint = Point(W - bw, ch);
  f.LeftBottomPoint = Point(bw, H - bw);
  f.RightBottomPoint = Point(W - bw, H - bw);
  f.ClientRect = Rect(bw, ch, W - bw, H - bw);
  f.BorderWidth = bw;
  f.FormMinWidth = 6 * (M.ButtonWidth + M.ButtonGap) + 60 + 2 * bw;
  f.CaptionRect = Rect(bw, 1, W - bw, ch - 1);
  f.LeftStretch = f.RightStretch = false;
  f.TopStretch = f.BottomStretch = false;
  f.BGPictureIndex = -1;
  f.MDIBGPictureIndex = -1;
  f.ButtonsInLeft = M.ButtonsLeft;
  // a joined strip has no gaps between its buttons
  const int32_t gap = M.ButtonShape == TButtonShape::bsStrip ? 0 : M.ButtonGap;
  const int32_t n = 3, by = (ch - M.ButtonHeight) / 2, bwid = M.ButtonWidth;
  const int32_t right = W - bw;
  const int32_t left = right - n * bwid - (n - 1) * gap;
  // places are laid out for buttons at the right and mirrored for the left
  const auto place = [&](int32_t X) {
    const int32_t x = M.ButtonsLeft ? W - X - bwid : X;
    return Rect(x, by, x + bwid, by + M.ButtonHeight);
  };
  f.ButtonsRect =
      M.ButtonsLeft ? Rect(W - right, by, W - left, by + M.ButtonHeight) : Rect(left, by, right, by + M.ButtonHeight);
  f.ButtonsOffset = 0;
  if (M.Mask) {
    f.MaskRectArea = f.ClientRect;
    f.HitTestLeftTopPoint = f.LeftTopPoint;
    f.HitTestRightTopPoint = f.RightTopPoint;
    f.HitTestLeftBottomPoint = f.LeftBottomPoint;
    f.HitTestRightBottomPoint = f.RightBottomPoint;
  }
  if (!T.InactivePicture) {
    f.AutoRenderingInActiveImage = true;
    f.InActiveEffect = T.InactiveEffect;
  }
  // close, max, min at the outer end; the others share the places they replace
  for (int i = 0; i < 3; ++i) FButtonRects[i] = place(right - (i + 1) * bwid - i * gap);
  FButtonRects[3] = FButtonRects[2];                   // roll-up
  FButtonRects[4] = place(bw + 2);                     // system menu, at the other end
  FButtonRects[5] = place(left - bwid - M.ButtonGap);  // tray, apart from a strip
}

void TGenerator::Objects() {
  auto& caption = *FObjects.emplace_back(std::make_unique<TbsDataSkinCaption>("caption"));
  auto& c = static_cast<TbsDataSkinCaption&>(caption);
  c.SkinRect = FContents.FormInfo.CaptionRect;
  c.ActivePictureIndex = -1;
  // between the system-menu button and the three buttons, whichever side they take
  const int32_t near = M.ButtonWidth + 8, far = 3 * (M.ButtonWidth + M.ButtonGap) + 4;
  c.TextRect = M.ButtonsLeft ? Rect(far, 0, c.SkinRect.Width() - near, c.SkinRect.Height())
                             : Rect(near, 0, c.SkinRect.Width() - far, c.SkinRect.Height());
  c.FontName = "Arial";
  c.FontHeight = M.CaptionFontHeight;
  c.FontStyle = TFontStyles{TFontStyle::fsBold};
  c.FontColor = CV(P.InactiveCaptionText);
  c.ActiveFontColor = CV(P.CaptionText);
  c.Alignment = TAlignment::taLeftJustify;

  // Normal images sit in picture 0 where the frame shows them.
  TRaster top(kFrameWidth, M.CaptionHeight, P.Face);
  struct TBtn {
    const char* Name;
    TGlyph Glyph, Restore;
    TbsStdCommand Command;
    int Place;
  };
  const TBtn buttons[] = {{"closebutton", TGlyph::gClose, TGlyph::gClose, TbsStdCommand::cmClose, 0},
                          {"maxbutton", TGlyph::gMaximize, TGlyph::gRestore, TbsStdCommand::cmMaximize, 1},
                          {"minbutton", TGlyph::gMinimize, TGlyph::gRestore, TbsStdCommand::cmMinimize, 2},
                          {"rollupbutton", TGlyph::gRollUp, TGlyph::gRollDown, TbsStdCommand::cmRollUp, 3},
                          {"sysmenubutton", TGlyph::gSysMenu, TGlyph::gSysMenu, TbsStdCommand::cmSysMenu, 4},
                          {"traybutton", TGlyph::gTray, TGlyph::gTray, TbsStdCommand::cmMinimizeToTray, 5}};
  std::vector<std::pair<TbsDataSkinStdButton*, const TBtn*>> made;
  for (const TBtn& b : buttons) {
    auto& o =
        static_cast<TbsDataSkinStdButton&>(*FObjects.emplace_back(std::make_unique<TbsDataSkinStdButton>(b.Name)));
    const bool close = b.Command == TbsStdCommand::cmClose;
    o.ActivePictureIndex = pCaption;
    o.SkinRectInAPicture = true;
    o.SkinRect = FButtonRects[b.Place];
    if (b.Place != 3) top.Blit(CaptionButton(b.Glyph, sNormal, close, true, b.Place), o.SkinRect.Left, o.SkinRect.Top);
    o.Command = b.Command;
    o.Morphing = T.Morphing;
    o.MorphKind = T.MorphKind;
    made.push_back({&o, &b});
  }
  FAtlas[pCaption].Reserve(top);
  for (auto [o, b] : made) {
    const bool close = b->Command == TbsStdCommand::cmClose;
    const auto look = [&, b = b](TGlyph G, TState S, bool Active) {
      return CaptionButton(G, S, close, Active, b->Place);
    };
    const auto s =
        FAtlas[pCaption].Add({look(b->Glyph, sNormal, true), look(b->Glyph, sHot, true), look(b->Glyph, sPressed, true),
                              look(b->Glyph, sDisabled, true), look(b->Glyph, sNormal, false)},
                             false);
    if (b->Place == 3) o->SkinRect = s[0];
    o->ActiveSkinRect = s[1];
    o->DownRect = s[2];
    o->DisableSkinRect = s[3];
    o->InActiveSkinRect = s[4];
    const bool restores = b->Command == TbsStdCommand::cmMaximize || b->Command == TbsStdCommand::cmMinimize ||
                          b->Command == TbsStdCommand::cmRollUp;
    if (!restores) continue;
    const auto r = FAtlas[pCaption].Add({look(b->Restore, sNormal, true), look(b->Restore, sHot, true),
                                         look(b->Restore, sPressed, true), look(b->Restore, sNormal, false)},
                                        false);
    o->RestoreRect = r[0];
    o->RestoreActiveRect = r[1];
    o->RestoreDownRect = r[2];
    o->RestoreInActiveRect = r[3];
  }

  // menu item rows in the windows picture
  const int32_t mw = 100, mh = M.MenuItemHeight;
  auto& mi =
      static_cast<TbsDataSkinMenuItem&>(*FObjects.emplace_back(std::make_unique<TbsDataSkinMenuItem>("menuitem")));
  TRaster normal(mw, mh, P.Menu), active(mw, mh, P.Menu), divider(mw, M.MenuSeparator, P.Menu);
  FillShape(active, RoundRectShape(1, 0, mw - 1, mh, {3, 3, 3, 3}), 0, 0, mw, mh, P.Selection);
  divider.FillRect(26, M.MenuSeparator / 2, mw - 2, M.MenuSeparator / 2 + 1, P.FaceDark);
  const auto rows = FAtlas[pWindows].Add({normal, active}, false);
  mi.ActivePictureIndex = pWindows;
  mi.SkinRectInAPicture = true;
  mi.SkinRect = rows[0];
  mi.ActiveSkinRect = rows[1];
  mi.DividerRect = FAtlas[pWindows].Add({divider}, false)[0];
  mi.ItemLeftOffset = mi.ItemRightOffset = 4;
  mi.DividerLeftOffset = 26;
  mi.DividerRightOffset = 2;
  mi.TextRect = Rect(26, 0, mw - 20, mh);
  mi.ImageRect = Rect(3, 0, 23, mh);
  mi.FontHeight = M.FontHeight;
  mi.FontColor = CV(P.MenuText);
  mi.ActiveFontColor = CV(P.SelectionText);
  mi.UnEnabledFontColor = CV(P.DisabledText);
  mi.StretchEffect = mi.InActiveStretchEffect = mi.DividerStretchEffect = true;
  mi.Morphing = T.Morphing;
  mi.MorphKind = T.MorphKind;

  auto& bi = static_cast<TbsDataSkinMainMenuBarItem&>(
      *FObjects.emplace_back(std::make_unique<TbsDataSkinMainMenuBarItem>("mainmenubaritem")));
  const int32_t iw = 40, ih = M.MenuBarHeight;
  TRaster item(iw, ih, P.Menu);
  TRaster hot = Face(iw, ih, 3, sHot, P.Menu), down = Face(iw, ih, 3, sPressed, P.Menu);
  const auto b = FAtlas[pCaption].Add({item, hot, down}, false);
  bi.ActivePictureIndex = pCaption;
  bi.SkinRectInAPicture = true;
  bi.SkinRect = b[0];
  bi.ActiveSkinRect = b[1];
  bi.DownRect = b[2];
  bi.ItemLeftOffset = bi.ItemRightOffset = 4;
  bi.TextRect = Rect(4, 0, iw - 4, ih);
  bi.FontHeight = M.FontHeight;
  bi.FontColor = bi.ActiveFontColor = bi.DownFontColor = CV(P.MenuText);
  bi.UnEnabledFontColor = CV(P.DisabledText);
  bi.StretchEffect = true;

  const std::pair<const char*, std::pair<TGlyph, TbsStdCommand>> mdi[] = {
      {"mdiclosebutton", {TGlyph::gClose, TbsStdCommand::cmClose}},
      {"mdimaxbutton", {TGlyph::gRestore, TbsStdCommand::cmMaximize}},
      {"mdiminbutton", {TGlyph::gMinimize, TbsStdCommand::cmMinimize}},
      {"mdisysmenubutton", {TGlyph::gSysMenu, TbsStdCommand::cmSysMenu}}};
  for (const auto& [name, what] : mdi) {
    const TGlyph face = what.first;  // clang 14 cannot capture a structured binding
    auto& o = static_cast<TbsDataSkinMainMenuBarButton&>(
        *FObjects.emplace_back(std::make_unique<TbsDataSkinMainMenuBarButton>(name)));
    const auto glyph = [&](TState S) {
      TRaster r = S == sNormal ? TRaster(16, 16, P.Menu) : Face(16, 16, 2, S, P.Menu);
      DrawGlyph(r, face, 2, 2, 12, 12, S == sDisabled ? P.DisabledText : P.MenuText);
      return r;
    };
    const auto s = FAtlas[pCaption].Add({glyph(sNormal), glyph(sHot), glyph(sPressed), glyph(sDisabled)}, false);
    o.ActivePictureIndex = pCaption;
    o.SkinRectInAPicture = true;
    o.SkinRect = s[0];
    o.ActiveSkinRect = s[1];
    o.DownRect = s[2];
    o.DisableSkinRect = s[3];
    o.Command = what.second;
  }
}

void TGenerator::Windows() {
  auto& pw = FContents.PopupWindowData;
  const int32_t w = 100, h = 60;
  TRaster popup(w, h, P.Menu);
  Bevel(popup, 0, 0, w, h, P.FaceDark, P.FaceDark);
  Bevel(popup, 1, 1, w - 1, h - 1, P.FaceLight, P.FaceLight);
  pw.WindowPictureIndex = pPopup;
  const auto r = FAtlas[pPopup].Add({popup}, false)[0];
  pw.LeftTopPoint = Point(r.Left + 3, r.Top + 3);
  pw.RightTopPoint = Point(r.Right - 3, r.Top + 3);
  pw.LeftBottomPoint = Point(r.Left + 3, r.Bottom - 3);
  pw.RightBottomPoint = Point(r.Right - 3, r.Bottom - 3);
  pw.ItemsRect = Rect(r.Left + 3, r.Top + 3, r.Right - 3, r.Bottom - 3);
  pw.ScrollMarkerColor = CV(P.MenuText);
  pw.ScrollMarkerActiveColor = CV(P.Accent);

  auto& hw = FContents.HintWindowData;
  TRaster hint(60, 24, P.Hint);
  Bevel(hint, 0, 0, 60, 24, P.FaceDark, P.FaceDark);
  hw.WindowPictureIndex = pHint;
  const auto q = FAtlas[pHint].Add({hint}, false)[0];
  hw.LeftTopPoint = Point(q.Left + 2, q.Top + 2);
  hw.RightTopPoint = Point(q.Right - 2, q.Top + 2);
  hw.LeftBottomPoint = Point(q.Left + 2, q.Bottom - 2);
  hw.RightBottomPoint = Point(q.Right - 2, q.Bottom - 2);
  hw.ClientRect = Rect(q.Left + 2, q.Top + 2, q.Right - 2, q.Bottom - 2);
  hw.FontHeight = M.HintFontHeight;
  hw.FontColor = CV(P.HintText);

  auto& sc = FContents.SkinColors;
  sc.CBtnFace = CV(P.Face);
  sc.CBtnText = CV(P.Text);
  sc.CWindow = CV(P.Field);
  sc.CWindowText = CV(P.FieldText);
  sc.CHighLight = CV(P.Selection);
  sc.CHighLightText = CV(P.SelectionText);
  sc.CBtnHighLight = CV(P.FaceLight);
  sc.CBtnShadow = CV(P.FaceDark);
}

String TGenerator::IniText() {
  TMemIniFile ini("");
  ini.WriteString("VERSION", "skinname", T.SkinName);
  ini.WriteString("VERSION", "skinauthor", T.Author);
  ini.WriteString("VERSION", "authoremail", T.Email);
  ini.WriteString("VERSION", "authorurl", T.Url);
  ini.WriteString("VERSION", "skincomments", T.Comment);
  ini.WriteString("PICTURES", "picture", kPictureFile);
  ini.WriteString("PICTURES", "inactivepicture", T.InactivePicture ? kInactivePictureFile : "");
  ini.WriteString("PICTURES", "mask", M.Mask ? kMaskFile : "");
  ini.WriteInteger("PICTURES", "activepicturescount", pCount);
  for (int32_t i = 0; i < pCount; ++i) ini.WriteString("PICTURES", IntToStr(i), ActivePictureFile(i));
  FContents.FormInfo.SaveToIni(&ini);
  FContents.PopupWindowData.SaveToIni(&ini);
  FContents.HintWindowData.SaveToIni(&ini);
  FContents.SkinColors.SaveToIni(&ini);
  ini.WriteInteger("SKINOBJECTS", "count", int32_t(FObjects.size()));
  for (size_t i = 0; i < FObjects.size(); ++i) {
    const TbsDataSkinObject& o = *FObjects[i];
    ini.WriteString("SKINOBJECTS", IntToStr(int32_t(i)), o.SectionName + ":" + KindWord(o, SkinObjectKinds()));
  }
  for (auto& o : FObjects) o->SaveToIni(&ini);
  ini.WriteInteger("SKINCONTROLS", "count", int32_t(FControls.size()));
  for (size_t i = 0; i < FControls.size(); ++i)
    ini.WriteString("SKINCONTROLS", IntToStr(int32_t(i)),
                    FControls[i]->SectionName + ":" + KindWord(*FControls[i], SkinControlKinds()));
  for (auto& c : FControls) c->SaveToIni(&ini);
  return ini.GetText();
}

TGeneratedSkin TGenerator::Run() {
  Frame();
  Objects();
  Windows();
  Controls();
  TGeneratedSkin s;
  s.Picture = FramePicture(true);
  if (T.InactivePicture) s.InactivePicture = FramePicture(false);
  if (M.Mask) s.Mask = FrameMask();
  for (const TAtlas& a : FAtlas) s.Active.push_back(a.Build());
  s.IniText = IniText();
  return s;
}

}  // namespace

String ActivePictureFile(int32_t Index) { return "active" + IntToStr(Index) + ".bmp"; }

TGeneratedSkin GenerateSkin(const TSkinTheme& Theme) { return TGenerator(Theme).Run(); }

void RasterToBitmap(const TRaster& R, TBitmap& B, bool OneBit) {
  B.SetPixelFormat(TPixelFormat::pf24bit);
  B.SetSize(R.Width(), R.Height());
  for (int32_t y = 0; y < R.Height(); ++y) {
    uint8_t* row = B.ScanLine(y);
    for (int32_t x = 0; x < R.Width(); ++x) {
      const TRgb c = R.At(x, y);
      row[3 * x] = c.B;
      row[3 * x + 1] = c.G;
      row[3 * x + 2] = c.R;
    }
  }
  if (OneBit) B.SetPixelFormat(TPixelFormat::pf1bit);
}

void WriteSkinFiles(const TGeneratedSkin& Skin, const String& Dir) {
  const String dir = IncludeTrailingPathDelimiter(Dir);
  const auto save = [&](const TRaster& R, const String& Name, bool OneBit) {
    if (R.Width() == 0) return;
    TBitmap b;
    RasterToBitmap(R, b, OneBit);
    b.SaveToFile(dir + Name);
  };
  save(Skin.Picture, kPictureFile, false);
  save(Skin.InactivePicture, kInactivePictureFile, false);
  save(Skin.Mask, kMaskFile, true);
  for (size_t i = 0; i < Skin.Active.size(); ++i) save(Skin.Active[i], ActivePictureFile(int32_t(i)), false);
  TMemIniFile ini(dir + "skin.ini");
  ini.SetText(Skin.IniText);
  ini.UpdateFile();
}
