#include "skins/gen/lint.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <span>
#include <typeinfo>

#include "platform/gui/graphics.h"
#include "platform/rtl/inifiles.h"
#include "platform/rtl/stringlist.h"
#include "skin/engine/data/skindata.h"
#include "skins/gen/atlas.h"

namespace {

TRgb FromColour(TColor C) { return {uint8_t(C & 0xFF), uint8_t((C >> 8) & 0xFF), uint8_t((C >> 16) & 0xFF)}; }

bool IsSet(const TPoint& P) { return P.X != 0 || P.Y != 0; }
bool Inside(const TRect& R, int32_t W, int32_t H) { return R.Left >= 0 && R.Top >= 0 && R.Right <= W && R.Bottom <= H; }
bool Empty(const TRect& R) { return R.Width() <= 0 || R.Height() <= 0; }

// The required control sections and the class each must have.
struct TRequired {
  const char* Name;
  const std::type_info& Type;
};

const TRequired kControls[] = {
    {"button", typeid(TbsDataSkinButtonControl)},
    {"toolbutton", typeid(TbsDataSkinButtonControl)},
    {"resizebutton", typeid(TbsDataSkinButtonControl)},
    {"resizetoolbutton", typeid(TbsDataSkinButtonControl)},
    {"bigtoolbutton", typeid(TbsDataSkinButtonControl)},
    {"combobutton", typeid(TbsDataSkinButtonControl)},
    {"editbutton", typeid(TbsDataSkinButtonControl)},
    {"menuitembutton", typeid(TbsDataSkinButtonControl)},
    {"vtracktoolbutton", typeid(TbsDataSkinButtonControl)},
    {"htracktoolbutton", typeid(TbsDataSkinButtonControl)},
    {"toolmenubutton", typeid(TbsDataSkinMenuButtonControl)},
    {"toolmenutrackbutton", typeid(TbsDataSkinMenuButtonControl)},
    {"bigtoolmenubutton", typeid(TbsDataSkinMenuButtonControl)},
    {"bigtoolmenutrackbutton", typeid(TbsDataSkinMenuButtonControl)},
    {"panel", typeid(TbsDataSkinPanelControl)},
    {"toolpanel", typeid(TbsDataSkinPanelControl)},
    {"groupbox", typeid(TbsDataSkinPanelControl)},
    {"statusbar", typeid(TbsDataSkinPanelControl)},
    {"bigtoolpanel", typeid(TbsDataSkinPanelControl)},
    {"resizetoolpanel", typeid(TbsDataSkinPanelControl)},
    {"rolluppanel", typeid(TbsDataSkinPanelControl)},
    {"checkbox", typeid(TbsDataSkinCheckRadioControl)},
    {"radiobox", typeid(TbsDataSkinCheckRadioControl)},
    {"gauge", typeid(TbsDataSkinGaugeControl)},
    {"vgauge", typeid(TbsDataSkinGaugeControl)},
    {"statusgauge", typeid(TbsDataSkinGaugeControl)},
    {"label", typeid(TbsDataSkinLabelControl)},
    {"statuspanel", typeid(TbsDataSkinLabelControl)},
    {"trackbar", typeid(TbsDataSkinTrackBarControl)},
    {"htrackbar", typeid(TbsDataSkinTrackBarControl)},
    {"vsplitter", typeid(TbsDataSkinSplitterControl)},
    {"hsplitter", typeid(TbsDataSkinSplitterControl)},
    {"vupdown", typeid(TbsDataSkinUpDownControl)},
    {"hupdown", typeid(TbsDataSkinUpDownControl)},
    {"edit", typeid(TbsDataSkinEditControl)},
    {"buttonedit", typeid(TbsDataSkinEditControl)},
    {"statusedit", typeid(TbsDataSkinEditControl)},
    {"statusbuttonedit", typeid(TbsDataSkinEditControl)},
    {"tooledit", typeid(TbsDataSkinEditControl)},
    {"toolbuttonedit", typeid(TbsDataSkinEditControl)},
    {"memo", typeid(TbsDataSkinMemoControl)},
    {"listbox", typeid(TbsDataSkinListBox)},
    {"captionlistbox", typeid(TbsDataSkinListBox)},
    {"checklistbox", typeid(TbsDataSkinCheckListBox)},
    {"captionchecklistbox", typeid(TbsDataSkinCheckListBox)},
    {"combobox", typeid(TbsDataSkinComboBox)},
    {"captioncombobox", typeid(TbsDataSkinComboBox)},
    {"statuscombobox", typeid(TbsDataSkinComboBox)},
    {"toolcombobox", typeid(TbsDataSkinComboBox)},
    {"hscrollbar", typeid(TbsDataSkinScrollBarControl)},
    {"vscrollbar", typeid(TbsDataSkinScrollBarControl)},
    {"bothhscrollbar", typeid(TbsDataSkinScrollBarControl)},
    {"spinedit", typeid(TbsDataSkinSpinEditControl)},
    {"statusspinedit", typeid(TbsDataSkinSpinEditControl)},
    {"toolspinedit", typeid(TbsDataSkinSpinEditControl)},
    {"expanel", typeid(TbsDataSkinExPanelControl)},
    {"scrollbox", typeid(TbsDataSkinScrollBoxControl)},
    {"controlbar", typeid(TbsDataSkinControlBar)},
    {"stdlabel", typeid(TbsDataSkinStdLabelControl)},
    {"grid", typeid(TbsDataSkinGridControl)},
    {"tab", typeid(TbsDataSkinTabControl)},
    {"mainmenubar", typeid(TbsDataSkinMainMenuBar)},
    {"treeview", typeid(TbsDataSkinTreeView)},
    {"listview", typeid(TbsDataSkinListView)},
    {"richedit", typeid(TbsDataSkinRichEdit)},
    {"slider", typeid(TbsDataSkinSlider)},
    {"bevel", typeid(TbsDataSkinBevel)},
};

const TRequired kObjects[] = {
    {"caption", typeid(TbsDataSkinCaption)},
    {"closebutton", typeid(TbsDataSkinStdButton)},
    {"maxbutton", typeid(TbsDataSkinStdButton)},
    {"minbutton", typeid(TbsDataSkinStdButton)},
    {"rollupbutton", typeid(TbsDataSkinStdButton)},
    {"sysmenubutton", typeid(TbsDataSkinStdButton)},
    {"traybutton", typeid(TbsDataSkinStdButton)},
    {"menuitem", typeid(TbsDataSkinMenuItem)},
    {"mainmenubaritem", typeid(TbsDataSkinMainMenuBarItem)},
    {"mdiclosebutton", typeid(TbsDataSkinMainMenuBarButton)},
    {"mdimaxbutton", typeid(TbsDataSkinMainMenuBarButton)},
    {"mdiminbutton", typeid(TbsDataSkinMainMenuBarButton)},
    {"mdisysmenubutton", typeid(TbsDataSkinMainMenuBarButton)},
};

// State images and the image each must differ from; both absolute in the
// section's picture after their frames are resolved.
const std::pair<const char*, const char*> kStatePairs[] = {{"activeskinrect", "skinrect"},
                                                           {"downskinrect", "skinrect"},
                                                           {"disabledskinrect", "skinrect"},
                                                           {"downrect", "skinrect"},
                                                           {"disableskinrsect", "skinrect"},
                                                           {"restoreactiverect", "restorerect"},
                                                           {"restoredownrect", "restorerect"},
                                                           {"activethumbrect", "thumbrect"},
                                                           {"downthumbrect", "thumbrect"},
                                                           {"activebuttonrect", "buttonrect"},
                                                           {"unenabledbuttonrect", "buttonrect"},
                                                           {"activeupbuttonrect", "upbuttonrect"},
                                                           {"downupbuttonrect", "upbuttonrect"},
                                                           {"activedownbuttonrect", "downbuttonrect"},
                                                           {"downdownbuttonrect", "downbuttonrect"},
                                                           {"activecheckimagerect", "checkimagerect"},
                                                           {"activeuncheckimagerect", "uncheckimagerect"},
                                                           {"unenabledcheckimagerect", "checkimagerect"},
                                                           {"unenableduncheckimagerect", "uncheckimagerect"},
                                                           {"activeitemrect", "itemrect"},
                                                           {"activetabrect", "tabrect"},
                                                           {"mouseintabrect", "tabrect"}};
// State keys that must have exactly the size of "skinrect".
const char* const kStateKeys[] = {"activeskinrect",   "downskinrect",       "disabledskinrect", "downrect",
                                  "disableskinrsect", "inactiveskinrect",   "restorerect",      "restoreactiverect",
                                  "restoredownrect",  "restoreinactiverect"};
// Rects absolute in the section's picture, for every kind.
const char* const kAbsoluteKeys[] = {"skinrect",
                                     "dividerrect",
                                     "tabsbgrect",
                                     "checkimagerect",
                                     "uncheckimagerect",
                                     "activecheckimagerect",
                                     "activeuncheckimagerect",
                                     "unenabledcheckimagerect",
                                     "unenableduncheckimagerect",
                                     "itemrect",
                                     "activeitemrect",
                                     "focusitemrect",
                                     "activebuttonrect",
                                     "unenabledbuttonrect",
                                     "activeupbuttonrect",
                                     "downupbuttonrect",
                                     "activedownbuttonrect",
                                     "downdownbuttonrect",
                                     "thumbrect",
                                     "activethumbrect",
                                     "downthumbrect",
                                     "progressrect",
                                     "gripperrect",
                                     "tabrect",
                                     "activetabrect",
                                     "focustabrect",
                                     "mouseintabrect",
                                     "fixedcellrect",
                                     "selectcellrect",
                                     "focuscellrect",
                                     "hrulerrect",
                                     "hthumbrect",
                                     "vrulerrect",
                                     "vthumbrect",
                                     "activeskinrect",
                                     "downskinrect",
                                     "disabledskinrect",
                                     "downrect",
                                     "disableskinrsect",
                                     "inactiveskinrect",
                                     "restorerect",
                                     "restoreactiverect",
                                     "restoredownrect",
                                     "restoreinactiverect"};
// Rects relative to another rect of the same section (its key second).
const std::pair<const char*, const char*> kRelativeKeys[] = {{"clientrect", "skinrect"},
                                                             {"captionrect", "skinrect"},
                                                             {"textarea", "skinrect"},
                                                             {"checkimagearea", "skinrect"},
                                                             {"trackarea", "skinrect"},
                                                             {"progressarea", "skinrect"},
                                                             {"trackbuttonrect", "skinrect"},
                                                             {"itemsrect", "skinrect"},
                                                             {"itemcheckrect", "itemrect"},
                                                             {"celltextrect", "selectcellrect"},
                                                             {"fixedcelltextrect", "fixedcellrect"},
                                                             {"textrect", "skinrect"},
                                                             {"imagerect", "skinrect"}};
// Sprites drawn transparently: keyed by their bottom-left pixel.
const char* const kKeyedKeys[] = {"checkimagerect",
                                  "uncheckimagerect",
                                  "activecheckimagerect",
                                  "activeuncheckimagerect",
                                  "unenabledcheckimagerect",
                                  "unenableduncheckimagerect",
                                  "thumbrect",
                                  "activethumbrect",
                                  "downthumbrect",
                                  "buttonrect",
                                  "activebuttonrect",
                                  "gripperrect",
                                  "hrulerrect",
                                  "vrulerrect",
                                  "hthumbrect",
                                  "vthumbrect"};

bool InList(const String& Key, std::span<const char* const> List) {
  return std::any_of(List.begin(), List.end(), [&](const char* k) { return Key == k; });
}

// One section's keys as read, with its rects resolved into its picture.
struct TSection {
  String Name;
  const TRaster* Pic = nullptr;
  std::map<String, TRect> Rects, Absolute;
  std::map<String, TColor> Colours;
  std::map<String, int32_t> Ints;
  std::map<String, String> Strings;
  TRect Rect(const String& Key) const {
    const auto i = Rects.find(Key);
    return i == Rects.end() ? TRect() : i->second;
  }
  TRect InPicture(const String& Key) const {
    const auto i = Absolute.find(Key);
    return i == Absolute.end() ? TRect() : i->second;
  }
};

using TFrameOf = std::function<TKeyFrame(const String& Key)>;

template <class D>
TSection Collect(const String& Name, D& Desc, const TRaster* Pic, const TFrameOf& FrameOf) {
  TSection s;
  s.Name = Name;
  s.Pic = Pic;
  Desc.EnumKeys([&](const TbsKeyInfo& Info, const TbsKeyValue& Value) {
    if (Info.Form == TbsKeyForm::kfRect) s.Rects[Info.Key] = **std::get_if<TRect*>(&Value);
    if (Info.Form == TbsKeyForm::kfColor) s.Colours[Info.Key] = **std::get_if<int32_t*>(&Value);
    if (Info.Form == TbsKeyForm::kfInteger) s.Ints[Info.Key] = **std::get_if<int32_t*>(&Value);
    if (Info.Form == TbsKeyForm::kfString) s.Strings[Info.Key] = **std::get_if<String*>(&Value);
  });
  for (const auto& [key, r] : s.Rects) {
    const TKeyFrame f = FrameOf(key);
    if (f.Frame == TRectFrame::rfPicture) s.Absolute[key] = r;
  }
  for (const auto& [key, r] : s.Rects) {
    const TKeyFrame f = FrameOf(key);
    if (f.Frame != TRectFrame::rfRelative || !s.Absolute.count(f.Base)) continue;
    const TRect b = s.Absolute[f.Base];
    s.Absolute[key] = ::Rect(b.Left + r.Left, b.Top + r.Top, b.Left + r.Right, b.Top + r.Bottom);
  }
  return s;
}

class TLinter {
 public:
  explicit TLinter(const TbsSkinLayout& L) : FLayout(L) {
    FIni.SetText(L.IniText);
    ReadSkinContents(L.IniText, FContents);
    for (const auto& p : L.ActivePictures) FPictures.push_back(BitmapToRaster(*p));
    FMain = BitmapToRaster(*L.MainPicture);
    FInactive = BitmapToRaster(*L.InactivePicture);
  }
  std::vector<TLintFailure> Run();

 private:
  void Fail(const String& Section, const String& Key, const String& Reason) {
    FFailures.push_back({Section, Key, Reason});
  }
  const TRaster* Picture(int32_t Index) const {
    return Index >= 0 && Index < int32_t(FPictures.size()) ? &FPictures[Index] : nullptr;
  }
  void Sections();
  void Pictures();
  void NumberForm();
  void FormInfo();
  void Windows();
  void Colours();
  void Geometry(const TSection& S, const TFrameOf& FrameOf);
  void KeyedSprites(const TSection& S, const TbsDataSkinControl& C);
  void StatesDiffer(const TSection& S);
  void Texts(const TSection& S);
  void Fonts(const TSection& S);
  void Control(TbsDataSkinControl& C);
  void Object(TbsDataSkinObject& O);
  void CaptionAndHint();
  void Resize(TbsDataSkinCustomControl& C);
  void Uniform(TbsDataSkinCustomControl& C, const TRaster& Pic);
  void Contrast(const String& Section, const String& Key, TColor Font, const TRaster& Pic, const TRect& Area,
                int32_t Minimum);
  void ContrastOn(const String& Section, const String& Key, TColor Font, TColor Background, int32_t Minimum);
  void Keyed(const String& Section, const String& Key, const TRect& R, const TRaster& Pic, TColor Declared);
  void Names();
  void KeyElsewhere();
  void Arrows(const TbsDataSkinControl& C);
  void Thumbs(const TbsDataSkinScrollBarControl& D, const TRaster& Pic);
  void Slider(const TbsDataSkinSlider& D);

  const TbsSkinLayout& FLayout;
  TMemIniFile FIni{""};
  TbsSkinContents FContents;
  std::vector<TRaster> FPictures;
  TRaster FMain, FInactive;
  std::vector<std::pair<int32_t, TRect>> FKeyedSprites;
  std::vector<TLintFailure> FFailures;
};

void TLinter::Sections() {
  for (const char* s :
       {"VERSION", "PICTURES", "FORMINFO", "POPUPWINDOW", "HINTWINDOW", "SKINCOLORS", "SKINOBJECTS", "SKINCONTROLS"})
    if (!FIni.SectionExists(s)) Fail(s, "", "section missing");
  if (FContents.SkinName.empty()) Fail("VERSION", "skinname", "empty");
  for (const char* k : {"skinauthor", "authoremail", "authorurl", "skincomments"})
    if (!FIni.ValueExists("VERSION", k)) Fail("VERSION", k, "missing");
  const auto find = [](auto& List, const char* Name) -> decltype(&*List.front()) {
    for (auto& d : List)
      if (d->SectionName == Name) return &*d;
    return nullptr;
  };
  for (const TRequired& r : kControls) {
    auto* d = find(FContents.ControlDescriptions, r.Name);
    if (!d)
      Fail("SKINCONTROLS", r.Name, "section missing");
    else if (typeid(*d) != r.Type)
      Fail(r.Name, "", "wrong kind");
  }
  for (const TRequired& r : kObjects) {
    auto* d = find(FContents.SkinObjects, r.Name);
    if (!d)
      Fail("SKINOBJECTS", r.Name, "object missing");
    else if (typeid(*d) != r.Type)
      Fail(r.Name, "", "wrong kind");
  }
}

void TLinter::Pictures() {
  const int32_t named = FContents.ActivePictureNames->Count();
  if (named != int32_t(FLayout.ActivePictures.size()))
    Fail("PICTURES", "activepicturescount",
         IntToStr(named) + " named but " + IntToStr(int32_t(FLayout.ActivePictures.size())) + " in the container");
  const TBitmap& main = *FLayout.MainPicture;
  if (main.Empty()) Fail("PICTURES", "picture", "no frame picture");
  const TBitmap& mask = *FLayout.MaskPicture;
  if (!mask.Empty() && (mask.Width() != main.Width() || mask.Height() != main.Height()))
    Fail("PICTURES", "mask", "not the size of the frame picture");
  for (size_t i = 0; i < FPictures.size(); ++i) {
    const TRaster& p = FPictures[i];
    if (p.Width() > kMaxPictureSize || p.Height() > kMaxPictureSize)
      Fail("PICTURES", IntToStr(int32_t(i)), "larger than 1024");
    for (int32_t y = 0; y < p.Height(); ++y)
      for (int32_t x = 0; x < p.Width(); ++x)
        if (p.At(x, y) == kSentinelColour) {
          Fail("PICTURES", IntToStr(int32_t(i)), "uses the sentinel colour");
          y = p.Height();
          break;
        }
  }
}

// The parser drops signs and extra fields: the raw text must have neither.
void TLinter::NumberForm() {
  TStringList sections;
  FIni.ReadSections(&sections);
  for (int32_t s = 0; s < sections.Count(); ++s) {
    TStringList keys;
    FIni.ReadSection(sections.Strings(s), &keys);
    for (int32_t k = 0; k < keys.Count(); ++k) {
      const String key = keys.Strings(k);
      const bool rect = key.size() > 4 && key.substr(key.size() - 4) == "rect";
      const bool point = key.size() > 5 && key.substr(key.size() - 5) == "point";
      if (!rect && !point && key != "clientrect" && key != "maskrectarea") continue;
      const String v = FIni.ReadString(sections.Strings(s), key, "");
      if (v.find('-') != String::npos) Fail(sections.Strings(s), key, "negative number '" + v + "'");
      const size_t fields = std::count(v.begin(), v.end(), ',') + 1;
      if (fields > (point ? 2u : 4u)) Fail(sections.Strings(s), key, "too many fields");
    }
  }
}

void TLinter::FormInfo() {
  const TbsSkinFormInfo& f = FContents.FormInfo;
  const int32_t w = FLayout.MainPicture->Width(), h = FLayout.MainPicture->Height();
  if (f.BorderWidth < 3) Fail("FORMINFO", "borderwidth", "below 3");
  if (!Inside(f.ClientRect, w, h) || Empty(f.ClientRect)) Fail("FORMINFO", "clientrect", "outside the picture");
  if (!Inside(f.CaptionRect, w, h)) Fail("FORMINFO", "captionrect", "outside the picture");
  if (!f.ButtonsInLeft && f.ButtonsRect.Left < w / 2) Fail("FORMINFO", "buttonsrect", "not in the right half");
  if (w < f.ButtonsRect.Width() + 60) Fail("FORMINFO", "picture", "narrower than the buttons plus 60");
  if (f.BGPictureIndex != -1 && !Picture(f.BGPictureIndex)) Fail("FORMINFO", "bgpictureindex", "no such picture");
  if (f.MDIBGPictureIndex != -1) Fail("FORMINFO", "mdibgpictureindex", "must be -1");
  if (f.MainMenuBarTransparent) Fail("FORMINFO", "mainmenubartransparent", "must be 0");
  if (f.MDITabsTransparent) Fail("FORMINFO", "mditabstransparent", "must be 0");
  if (FLayout.InactivePicture->Empty() && !f.AutoRenderingInActiveImage)
    Fail("FORMINFO", "autorenderinginactiveimage", "no inactive picture and no effect");
}

void TLinter::Windows() {
  const auto& pw = FContents.PopupWindowData;
  const TRaster* p = Picture(pw.WindowPictureIndex);
  if (!p)
    Fail("POPUPWINDOW", "windowpictureindex", "no such picture");
  else if (!Inside(pw.ItemsRect, p->Width(), p->Height()))
    Fail("POPUPWINDOW", "itemsrect", "outside its picture");
  if (pw.MaskPictureIndex != -1 && !Picture(pw.MaskPictureIndex))
    Fail("POPUPWINDOW", "maskpictureindex", "no such picture");
  const auto& hw = FContents.HintWindowData;
  const TRaster* q = Picture(hw.WindowPictureIndex);
  if (!q)
    Fail("HINTWINDOW", "windowpictureindex", "no such picture");
  else if (!Inside(hw.ClientRect, q->Width(), q->Height()))
    Fail("HINTWINDOW", "clientrect", "outside its picture");
}

void TLinter::Colours() {
  for (const char* k : {"cbtnface", "cbtntext", "cwindow", "cwindowtext", "chighlight", "chighlighttext",
                        "cbtnhighlight", "cbtnshadow"})
    if (!FIni.ValueExists("SKINCOLORS", k)) Fail("SKINCOLORS", k, "missing");
}

// Every rect of a description: inside its frame, ordered, states the size of
// "skinrect", keyed sprites with their margin.

// Order, state sizes and frames of every rect; a relative rect lies inside
// the rect it is relative to.
void TLinter::Geometry(const TSection& S, const TFrameOf& FrameOf) {
  const TRect skin = S.Rect("skinrect");
  for (const auto& [key, r] : S.Rects) {
    if (r.Left > r.Right || r.Top > r.Bottom) Fail(S.Name, key, "left above right or top below bottom");
    if (Empty(r)) continue;
    if (InList(key, kStateKeys) && (r.Width() != skin.Width() || r.Height() != skin.Height()))
      Fail(S.Name, key, "not the size of skinrect");
    const TKeyFrame f = FrameOf(key);
    if (f.Frame == TRectFrame::rfPicture && S.Pic && !Inside(r, S.Pic->Width(), S.Pic->Height()))
      Fail(S.Name, key, "outside its picture");
    if (f.Frame != TRectFrame::rfRelative) continue;
    const TRect base = S.Rect(f.Base);
    if (!Empty(base) && !Inside(r, base.Width(), base.Height())) Fail(S.Name, key, String("outside its ") + f.Base);
  }
}

void TLinter::KeyedSprites(const TSection& S, const TbsDataSkinControl& C) {
  if (!S.Pic) return;
  for (const auto& [key, r] : S.Absolute) {
    if (Empty(r) || !KeyedSpriteKey(C, key)) continue;
    if (!Inside(r, S.Pic->Width(), S.Pic->Height())) continue;
    TColor declared = ColourValue(kKeyColour);
    for (const auto& [ck, cv] : S.Colours)
      if (ck.find("transparentcolor") != String::npos) declared = cv;
    // a slider thumb holds two states side by side, each with its margin
    const int32_t states = key == "hthumbrect" || key == "vthumbrect" ? 2 : 1;
    if (r.Width() % states != 0) {
      Fail(S.Name, key, "does not hold " + IntToStr(states) + " states of equal width");
      continue;
    }
    const int32_t w = r.Width() / states;
    for (int32_t i = 0; i < states; ++i)
      Keyed(S.Name, key, ::Rect(r.Left + i * w, r.Top, r.Left + (i + 1) * w, r.Bottom), *S.Pic, declared);
  }
}

// CIE 1976 L*a*b* of an sRGB colour (the lint measures; it draws nothing).
struct TLab {
  double L, A, B;
};

TLab ToLab(TRgb C) {
  const auto lin = [](uint8_t V) {
    const double v = V / 255.0;
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
  };
  const double r = lin(C.R), g = lin(C.G), b = lin(C.B);
  const double x = (0.4124 * r + 0.3576 * g + 0.1805 * b) / 0.95047;
  const double y = 0.2126 * r + 0.7152 * g + 0.0722 * b;
  const double z = (0.0193 * r + 0.1192 * g + 0.9505 * b) / 1.08883;
  const auto f = [](double t) { return t > 216.0 / 24389 ? std::cbrt(t) : (24389.0 / 27 * t + 16) / 116; };
  return {116 * f(y) - 16, 500 * (f(x) - f(y)), 200 * (f(y) - f(z))};
}

double DeltaE(TRgb P, TRgb Q) {
  const TLab a = ToLab(P), b = ToLab(Q);
  return std::sqrt((a.L - b.L) * (a.L - b.L) + (a.A - b.A) * (a.A - b.A) + (a.B - b.B) * (a.B - b.B));
}

// Hot, pressed and disabled images: at least 5 % of their pixels differ from
// the normal image by a delta E of 10 or more.
void TLinter::StatesDiffer(const TSection& S) {
  if (!S.Pic) return;
  for (const auto& [state, normal] : kStatePairs) {
    const TRect a = S.InPicture(state), b = S.InPicture(normal);
    if (Empty(a) || Empty(b) || a.Width() != b.Width() || a.Height() != b.Height()) continue;
    if (!Inside(a, S.Pic->Width(), S.Pic->Height()) || !Inside(b, S.Pic->Width(), S.Pic->Height())) continue;
    int32_t differing = 0;
    for (int32_t y = 0; y < a.Height(); ++y)
      for (int32_t x = 0; x < a.Width(); ++x)
        differing += DeltaE(S.Pic->At(a.Left + x, a.Top + y), S.Pic->At(b.Left + x, b.Top + y)) >= 10;
    if (differing * 100 < 5 * a.Width() * a.Height())
      Fail(S.Name, state,
           String("differs from ") + normal + " on " + IntToStr(differing * 100 / (a.Width() * a.Height())) +
               " % of its pixels (5 % needed)");
  }
}

// Which state image each font colour is drawn on, tried in order.
struct TTextRule {
  const char* FontKey;
  std::vector<const char*> States;
  int32_t Minimum;
};

const TTextRule kTextRules[] = {
    {"fontcolor", {"itemrect", "tabrect", "skinrect"}, 450},
    {"activefontcolor", {"activeitemrect", "activetabrect", "activeskinrect", "skinrect"}, 450},
    {"downfontcolor", {"downskinrect", "downrect"}, 450},
    {"focusfontcolor", {"focusitemrect", "focustabrect", "focuscellrect"}, 450},
    {"mouseinfontcolor", {"mouseintabrect"}, 450},
    {"selectfontcolor", {"selectcellrect"}, 450},
    {"fixedfontcolor", {"fixedcellrect"}, 450},
    {"captionfontcolor", {"skinrect"}, 450},
    {"disabledfontcolor", {"disabledskinrect", "skinrect"}, 300},
    {"unenabledfontcolor", {"disableskinrsect", "skinrect"}, 300}};

// The text area inside a state image, relative to it.
TRect TextArea(const TSection& S, const String& FontKey, const String& State) {
  const TRect whole = Rect(0, 0, S.Rect(State).Width(), S.Rect(State).Height());
  std::vector<const char*> areas;
  if (FontKey == "captionfontcolor")
    areas = {"captionrect"};
  else if (State.find("itemrect") != String::npos)
    areas = {"itemtextrect"};
  else if (State == "fixedcellrect")
    areas = {"fixedcelltextrect"};
  else if (State.find("cellrect") != String::npos)
    areas = {"celltextrect"};
  else if (State.find("tabrect") == String::npos)
    areas = {"textarea", "textrect", "itemtextrect", "clientrect"};
  for (const char* a : areas) {
    const TRect r = S.Rect(a);
    if (!Empty(r)) return r;
  }
  return FontKey == "captionfontcolor" ? TRect() : whole;
}

// Every font colour against the median of its text area in the state image
// it is drawn on, or against the colour it is drawn on when there is none.
void TLinter::Texts(const TSection& S) {
  const TColor face = FContents.SkinColors.CBtnFace;
  for (const TTextRule& t : kTextRules) {
    const auto font = S.Colours.find(t.FontKey);
    if (font == S.Colours.end()) continue;
    const char* state = nullptr;
    for (const char* k : t.States)
      if (!Empty(S.InPicture(k))) {
        state = k;
        break;
      }
    if (state && S.Pic) {
      const TRect at = S.InPicture(state), area = TextArea(S, t.FontKey, state);
      Contrast(S.Name, t.FontKey, font->second, *S.Pic,
               Rect(at.Left + area.Left, at.Top + area.Top, at.Left + area.Right, at.Top + area.Bottom), t.Minimum);
      continue;
    }
    if (String(t.FontKey) == "focusfontcolor") {
      ContrastOn(S.Name, t.FontKey, font->second, FContents.SkinColors.CHighLight, t.Minimum);
      continue;
    }
    const auto bg = S.Colours.find("bgcolor");
    ContrastOn(S.Name, t.FontKey, font->second, bg == S.Colours.end() ? face : bg->second, t.Minimum);
  }
}

// Arial at a height of 13 or 14 wherever a font is named.
void TLinter::Fonts(const TSection& S) {
  for (const auto& [key, name] : S.Strings) {
    if (key.size() < 8 || key.substr(key.size() - 8) != "fontname") continue;
    if (name != "Arial") Fail(S.Name, key, "font is not Arial");
    const String height = key.substr(0, key.size() - 4) + "height";
    const auto h = S.Ints.find(height);
    if (h != S.Ints.end() && (h->second < 13 || h->second > 14))
      Fail(S.Name, height, "font height " + IntToStr(h->second) + " not 13 or 14");
  }
}

void TLinter::Control(TbsDataSkinControl& C) {
  const TRaster* pic = Picture(C.PictureIndex);
  if (C.PictureIndex != -1 && !pic) Fail(C.SectionName, "pictureindex", "no such picture");
  const TFrameOf frame = [&](const String& Key) { return ControlKeyFrame(C, Key); };
  const TSection s = Collect(C.SectionName, C, pic, frame);
  Geometry(s, frame);
  KeyedSprites(s, C);
  StatesDiffer(s);
  Texts(s);
  Fonts(s);
  Arrows(C);
  if (auto* bar = dynamic_cast<TbsDataSkinScrollBarControl*>(&C); bar && pic) Thumbs(*bar, *pic);
  if (auto* slider = dynamic_cast<TbsDataSkinSlider*>(&C); slider && pic) Slider(*slider);
  auto* custom = dynamic_cast<TbsDataSkinCustomControl*>(&C);
  if (custom && pic) {
    Resize(*custom);
    Uniform(*custom, *pic);
  }
}

void TLinter::Object(TbsDataSkinObject& O) {
  const TRaster* pic = O.SkinRectInAPicture ? Picture(O.ActivePictureIndex) : nullptr;
  if (O.SkinRectInAPicture && !pic) Fail(O.SectionName, "activepictureindex", "no such picture");
  const TFrameOf frame = [&](const String& Key) { return ObjectKeyFrame(O, Key); };
  const TSection s = Collect(O.SectionName, O, pic, frame);
  Geometry(s, frame);
  StatesDiffer(s);
  Fonts(s);
  if (pic) Texts(s);
}

// The caption's text is drawn on the frame pictures, the hint's on its window.
void TLinter::CaptionAndHint() {
  for (auto& o : FContents.SkinObjects) {
    auto* c = dynamic_cast<TbsDataSkinCaption*>(o.get());
    if (!c) continue;
    const TRect& r = c->SkinRect;
    const TRect area{r.Left + c->TextRect.Left, r.Top + c->TextRect.Top, r.Left + c->TextRect.Right,
                     r.Top + c->TextRect.Bottom};
    Contrast(c->SectionName, "activefontcolor", c->ActiveFontColor, FMain, area, 450);
    Contrast(c->SectionName, "fontcolor", c->FontColor, FInactive.Width() ? FInactive : FMain, area, 450);
  }
  const auto& hw = FContents.HintWindowData;
  if (hw.FontName != "Arial") Fail("HINTWINDOW", "fontname", "font is not Arial");
  if (hw.FontHeight < 13 || hw.FontHeight > 14)
    Fail("HINTWINDOW", "fontheight", "font height " + IntToStr(hw.FontHeight) + " not 13 or 14");
  if (const TRaster* q = Picture(hw.WindowPictureIndex))
    Contrast("HINTWINDOW", "fontcolor", hw.FontColor, *q, hw.ClientRect, 450);
}

void TLinter::Keyed(const String& Section, const String& Key, const TRect& R, const TRaster& Pic, TColor Declared) {
  FKeyedSprites.push_back({int32_t(&Pic - FPictures.data()), R});
  if (FromColour(Declared) != kKeyColour) Fail(Section, Key, "transparent colour is not #FF00FF");
  for (int32_t y = R.Top; y < R.Bottom; ++y)
    for (int32_t x = R.Left; x < R.Right; ++x) {
      const bool margin = x == R.Left || y == R.Top || x == R.Right - 1 || y == R.Bottom - 1;
      if (margin != (Pic.At(x, y) == kKeyColour)) {
        Fail(Section, Key, margin ? "margin is not the key colour" : "key colour inside the sprite");
        return;
      }
    }
}

// The increasing button is "upbuttonrect": a scroll bar's right or bottom
// arrow, past the corner point so that it follows the bar's size; an
// up-down's right (side by side) or top (stacked) button.
void TLinter::Arrows(const TbsDataSkinControl& C) {
  const auto* bar = dynamic_cast<const TbsDataSkinScrollBarControl*>(&C);
  const auto* updown = dynamic_cast<const TbsDataSkinUpDownControl*>(&C);
  if (!bar && !updown) return;
  const TbsDataSkinCustomControl& d = *static_cast<const TbsDataSkinCustomControl*>(&C);
  const TRect up = bar ? bar->UpButtonRect : updown->UpButtonRect;
  const TRect down = bar ? bar->DownButtonRect : updown->DownButtonRect;
  if (Empty(up) || Empty(down)) return Fail(C.SectionName, "upbuttonrect", "both buttons need a place");
  const bool stacked = up.Left < down.Right && down.Left < up.Right;
  if (updown && (stacked ? up.Bottom > down.Top : up.Left < down.Right))
    Fail(C.SectionName, "upbuttonrect", "the increasing button is not right of or above the decreasing one");
  if (!bar) return;
  const bool vertical = IsSet(d.LeftBottomPoint) && !IsSet(d.RightTopPoint);
  if (vertical ? up.Top < d.LeftBottomPoint.Y : up.Left < d.RightTopPoint.X)
    Fail(C.SectionName, "upbuttonrect", "the increasing arrow does not lie past the corner point");
  if (vertical ? down.Bottom > bar->TrackArea.Top : down.Right > bar->TrackArea.Left)
    Fail(C.SectionName, "downbuttonrect", "the decreasing arrow does not lie before the track");
}

// With a page size the thumb is built three-part along the bar: its middle
// between "thumboffset1" and "thumboffset2" is tiled, so it must not change
// along the bar.
void TLinter::Thumbs(const TbsDataSkinScrollBarControl& D, const TRaster& Pic) {
  const bool vertical = IsSet(D.LeftBottomPoint) && !IsSet(D.RightTopPoint);
  for (const auto& [key, r] : {std::pair<const char*, TRect>{"thumbrect", D.ThumbRect},
                               {"activethumbrect", D.ActiveThumbRect},
                               {"downthumbrect", D.DownThumbRect}}) {
    if (Empty(r) || !Inside(r, Pic.Width(), Pic.Height())) continue;
    const int32_t length = vertical ? r.Height() : r.Width(), across = vertical ? r.Width() : r.Height();
    const int32_t from = D.ThumbOffset1, to = length - D.ThumbOffset2;
    if (from < 0 || to <= from) {
      Fail(D.SectionName, "thumboffset1", "no middle left between the thumb's ends");
      continue;
    }
    const auto at = [&, r = r](int32_t Along, int32_t Across) {
      return vertical ? Pic.At(r.Left + Across, r.Top + Along) : Pic.At(r.Left + Along, r.Top + Across);
    };
    bool uniform = true;
    for (int32_t i = from; i < to && uniform; ++i)
      for (int32_t j = 0; j < across && uniform; ++j) uniform = at(i, j) == at(from, j);
    if (!uniform) Fail(D.SectionName, key, "tiled middle of the thumb changes along the bar");
  }
}

// A slider's ruler is stretched between ends of "edgesize" and drawn with its
// bottom-left pixel as the key; each thumb state lies across the ruler.
void TLinter::Slider(const TbsDataSkinSlider& D) {
  const TRaster& pic = *Picture(D.PictureIndex);
  for (const bool vertical : {false, true}) {
    const TRect ruler = vertical ? D.VRulerRect : D.HRulerRect, thumb = vertical ? D.VThumbRect : D.HThumbRect;
    const char* rulerKey = vertical ? "vrulerrect" : "hrulerrect";
    const char* thumbKey = vertical ? "vthumbrect" : "hthumbrect";
    if (Empty(ruler) || Empty(thumb) || !Inside(ruler, pic.Width(), pic.Height())) continue;
    const int32_t length = vertical ? ruler.Height() : ruler.Width(), e = D.EdgeSize;
    if (e < 1 || 2 * e >= length) {
      Fail(D.SectionName, "edgesize", "not between 1 and half the ruler's length");
      continue;
    }
    for (int32_t i = e; i < length - e; ++i)
      for (int32_t j = 0; j < (vertical ? ruler.Width() : ruler.Height()); ++j) {
        const int32_t x = vertical ? ruler.Left + j : ruler.Left + i, y = vertical ? ruler.Top + i : ruler.Top + j;
        const TRgb first = vertical ? pic.At(x, ruler.Top + e) : pic.At(ruler.Left + e, y);
        if (!(pic.At(x, y) == first)) {
          Fail(D.SectionName, rulerKey, "middle between the edges is not uniform along the ruler");
          i = length;
          break;
        }
      }
    const int32_t along = vertical ? thumb.Height() : thumb.Width() / 2;
    const int32_t across = vertical ? thumb.Width() / 2 : thumb.Height();
    if (across <= along || across <= (vertical ? ruler.Width() : ruler.Height()))
      Fail(D.SectionName, thumbKey, "a thumb state does not lie across its ruler");
  }
}

void TLinter::Resize(TbsDataSkinCustomControl& C) {
  const String& n = C.SectionName;
  for (const auto& [key, p] : {std::pair<const char*, TPoint>{"lefttoppoint", C.LeftTopPoint},
                               {"righttoppoint", C.RightTopPoint},
                               {"leftbottompoint", C.LeftBottomPoint},
                               {"rightbottompoint", C.RightBottomPoint}})
    if (IsSet(p) && (p.X < 1 || p.Y < 1)) Fail(n, key, "a set corner point needs both coordinates >= 1");
  if (dynamic_cast<TbsDataSkinUpDownControl*>(&C)) return;
  const bool nine = C.RightBottomPoint.X != 0 && C.RightBottomPoint.Y != 0;
  if (n == "hscrollbar" || n == "bothhscrollbar") {
    if (nine || IsSet(C.LeftBottomPoint) || !IsSet(C.RightTopPoint))
      Fail(n, "righttoppoint", "a horizontal scroll bar is three-part by its right-top point only");
  } else if (n == "vscrollbar") {
    if (nine || IsSet(C.RightTopPoint) || !IsSet(C.LeftBottomPoint))
      Fail(n, "leftbottompoint", "a vertical scroll bar is three-part by its left-bottom point only");
  } else if (!nine) {
    Fail(n, "rightbottompoint", "not nine-part");
  }
}

// A tiled side or client repeats along its tiled axis: every pixel there must
// equal the first of its row (horizontal tiling) or column (vertical).
void TLinter::Uniform(TbsDataSkinCustomControl& C, const TRaster& Pic) {
  const TRect& s = C.SkinRect;
  if (C.RightBottomPoint.X == 0 || C.RightBottomPoint.Y == 0 || !Inside(s, Pic.Width(), Pic.Height())) return;
  const int32_t x0 = s.Left + C.LeftTopPoint.X, x1 = s.Left + C.RightTopPoint.X;
  const int32_t y0 = s.Top + C.LeftTopPoint.Y, y1 = s.Top + C.LeftBottomPoint.Y;
  const auto rows = [&](int32_t Y0, int32_t Y1) {
    for (int32_t y = Y0; y < Y1; ++y)
      for (int32_t x = x0; x < x1; ++x)
        if (!(Pic.At(x, y) == Pic.At(x0, y))) return false;
    return true;
  };
  const auto cols = [&](int32_t X0, int32_t X1) {
    for (int32_t x = X0; x < X1; ++x)
      for (int32_t y = y0; y < y1; ++y)
        if (!(Pic.At(x, y) == Pic.At(x, y0))) return false;
    return true;
  };
  if (!C.TopStretch && !rows(s.Top, y0)) Fail(C.SectionName, "topstretch", "tiled top side is not uniform");
  if (!C.BottomStretch && !rows(y1, s.Bottom)) Fail(C.SectionName, "bottomstretch", "tiled bottom side is not uniform");
  if (!C.LeftStretch && !cols(s.Left, x0)) Fail(C.SectionName, "leftstretch", "tiled left side is not uniform");
  if (!C.RightStretch && !cols(x1, s.Right)) Fail(C.SectionName, "rightstretch", "tiled right side is not uniform");
  if (!C.StretchEffect && !(rows(y0, y1) && cols(x0, x1)))
    Fail(C.SectionName, "stretcheffect", "tiled client part is not uniform");
}

// Relative luminance on a 0..10000 scale, from an integer table of the sRGB curve.
int32_t Luminance(TRgb C) {
  const auto lin = [](int32_t V) {
    // (V/255)^2.2 approximated by two multiplications: close enough to rank contrast.
    const int64_t v = V * 10000 / 255;
    return int32_t(v * v / 10000 * (v + 2 * 10000) / (3 * 10000));
  };
  return (2126 * lin(C.R) + 7152 * lin(C.G) + 722 * lin(C.B)) / 10000;
}

void TLinter::Contrast(const String& Section, const String& Key, TColor Font, const TRaster& Pic, const TRect& Area,
                       int32_t Minimum) {
  if (Empty(Area) || !Inside(Area, Pic.Width(), Pic.Height())) return;
  std::vector<int32_t> lum;
  for (int32_t y = Area.Top; y < Area.Bottom; ++y)
    for (int32_t x = Area.Left; x < Area.Right; ++x) lum.push_back(Luminance(Pic.At(x, y)));
  std::nth_element(lum.begin(), lum.begin() + lum.size() / 2, lum.end());
  const int32_t a = lum[lum.size() / 2], b = Luminance(FromColour(Font));
  const int32_t ratio = (std::max(a, b) + 500) * 100 / (std::min(a, b) + 500);
  if (ratio < Minimum) Fail(Section, Key, "contrast " + IntToStr(ratio) + "/100 below " + IntToStr(Minimum) + "/100");
}

void TLinter::ContrastOn(const String& Section, const String& Key, TColor Font, TColor Background, int32_t Minimum) {
  const int32_t ratio = ContrastRatio100(FromColour(Font), FromColour(Background));
  if (ratio < Minimum) Fail(Section, Key, "contrast " + IntToStr(ratio) + "/100 below " + IntToStr(Minimum) + "/100");
}

void TLinter::Names() {
  const auto exists = [&](const String& Name) {
    return FContents.ControlDescriptions.end() != std::find_if(FContents.ControlDescriptions.begin(),
                                                               FContents.ControlDescriptions.end(),
                                                               [&](auto& d) { return d->SectionName == Name; });
  };
  const auto object = [&](const String& Name) {
    return std::any_of(FContents.SkinObjects.begin(), FContents.SkinObjects.end(),
                       [&](auto& d) { return d->SectionName == Name; });
  };
  for (auto& c : FContents.ControlDescriptions) {
    if (auto* cb = dynamic_cast<TbsDataSkinComboBox*>(c.get()); cb && !exists(cb->ListBoxName))
      Fail(c->SectionName, "listboxname", "'" + cb->ListBoxName + "' does not resolve");
    if (auto* t = dynamic_cast<TbsDataSkinTabControl*>(c.get()); t && !exists(t->UpDown))
      Fail(c->SectionName, "updown", "'" + t->UpDown + "' does not resolve");
    if (auto* l = dynamic_cast<TbsDataSkinListBox*>(c.get()))
      for (const auto& [key, name] : {std::pair<const char*, String>{"vscrollbarname", l->VScrollBarName},
                                      {"hscrollbarname", l->HScrollBarName},
                                      {"bothscrollbarname", l->BothScrollBarName}})
        if (!exists(name)) Fail(c->SectionName, key, "'" + name + "' does not resolve");
    if (auto* m = dynamic_cast<TbsDataSkinMainMenuBar*>(c.get()))
      for (const auto& [key, name] : {std::pair<const char*, String>{"menubaritem", m->MenuBarItem},
                                      {"closebutton", m->CloseButton},
                                      {"minbutton", m->MinButton},
                                      {"maxbutton", m->MaxButton},
                                      {"sysmenubutton", m->SysMenuButton}})
        if (!object(name)) Fail(c->SectionName, key, "'" + name + "' does not resolve");
  }
}

// The key colour belongs to sprite margins only.
void TLinter::KeyElsewhere() {
  for (size_t i = 0; i < FPictures.size(); ++i) {
    const TRaster& p = FPictures[i];
    for (int32_t y = 0; y < p.Height(); ++y)
      for (int32_t x = 0; x < p.Width(); ++x) {
        if (!(p.At(x, y) == kKeyColour)) continue;
        const bool known = std::any_of(FKeyedSprites.begin(), FKeyedSprites.end(), [&](const auto& s) {
          return s.first == int32_t(i) && x >= s.second.Left && x < s.second.Right && y >= s.second.Top &&
                 y < s.second.Bottom;
        });
        if (!known) {
          Fail("PICTURES", IntToStr(int32_t(i)), "key colour outside a sprite margin");
          return;
        }
      }
  }
}

std::vector<TLintFailure> TLinter::Run() {
  Sections();
  Pictures();
  NumberForm();
  FormInfo();
  Windows();
  Colours();
  for (auto& o : FContents.SkinObjects) Object(*o);
  for (auto& c : FContents.ControlDescriptions) Control(*c);
  CaptionAndHint();
  Names();
  KeyElsewhere();
  return FFailures;
}

}  // namespace

TKeyFrame ControlKeyFrame(const TbsDataSkinControl& C, const String& Key) {
  const auto* combo = dynamic_cast<const TbsDataSkinComboBox*>(&C);
  const bool positions = dynamic_cast<const TbsDataSkinScrollBarControl*>(&C) != nullptr ||
                         dynamic_cast<const TbsDataSkinSpinEditControl*>(&C) != nullptr ||
                         dynamic_cast<const TbsDataSkinListBox*>(&C) != nullptr ||
                         dynamic_cast<const TbsDataSkinUpDownControl*>(&C) != nullptr;
  // The combo box names its pressed button image "downbuttonrect"; scroll
  // bars, spin edits, list boxes and up-downs name the decreasing button's
  // place so (the up-down lays its buttons out at these rects).
  if (combo && Key == "buttonrect") return {TRectFrame::rfRelative, "skinrect"};
  // The combo box draws its item picture over the client rect; without one
  // the text area lies in the client rect itself.
  if (combo && Key == "itemtextrect")
    return {TRectFrame::rfRelative, !Empty(combo->ItemRect)        ? "itemrect"
                                    : !Empty(combo->FocusItemRect) ? "focusitemrect"
                                                                   : "clientrect"};
  if (combo && Key == "downbuttonrect") return {TRectFrame::rfPicture, ""};
  if (positions && (Key == "upbuttonrect" || Key == "downbuttonrect")) return {TRectFrame::rfRelative, "skinrect"};
  if (Key == "upbuttonrect" || Key == "downbuttonrect" || Key == "buttonrect") return {TRectFrame::rfPicture, ""};
  if (Key == "itemtextrect") return {TRectFrame::rfRelative, "itemrect"};
  for (const auto& [key, base] : kRelativeKeys)
    if (Key == key) return {TRectFrame::rfRelative, base};
  if (InList(Key, kAbsoluteKeys)) return {TRectFrame::rfPicture, ""};
  return {TRectFrame::rfUnknown, ""};
}

bool KeyedSpriteKey(const TbsDataSkinControl& C, const String& Key) {
  if (!InList(Key, kKeyedKeys)) return false;
  return Key.find("buttonrect") == String::npos || dynamic_cast<const TbsDataSkinTrackBarControl*>(&C) != nullptr;
}

TKeyFrame ObjectKeyFrame(const TbsDataSkinObject& O, const String& Key) {
  // The caption's "skinrect" is FORMINFO's "captionrect", in the frame picture.
  if (dynamic_cast<const TbsDataSkinCaption*>(&O) && Key == "skinrect") return {TRectFrame::rfUnknown, ""};
  for (const auto& [key, base] : kRelativeKeys)
    if (Key == key) return {TRectFrame::rfRelative, base};
  if (InList(Key, kAbsoluteKeys)) return {TRectFrame::rfPicture, ""};
  return {TRectFrame::rfUnknown, ""};
}

TRaster BitmapToRaster(const TBitmap& B) {
  TBitmap copy;
  copy.Assign(const_cast<TBitmap*>(&B));
  copy.SetPixelFormat(TPixelFormat::pf24bit);
  TRaster r(copy.Width(), copy.Height());
  for (int32_t y = 0; y < copy.Height(); ++y) {
    const uint8_t* row = copy.ScanLine(y);
    for (int32_t x = 0; x < copy.Width(); ++x) r.Set(x, y, {row[3 * x + 2], row[3 * x + 1], row[3 * x]});
  }
  return r;
}

int32_t ContrastRatio100(TRgb A, TRgb B) {
  const int32_t a = Luminance(A), b = Luminance(B);
  return (std::max(a, b) + 500) * 100 / (std::min(a, b) + 500);
}

std::vector<TLintFailure> LintSkinLayout(const TbsSkinLayout& Layout) { return TLinter(Layout).Run(); }

std::vector<TLintFailure> LintSkinFile(const String& SknFileName) {
  TbsCompressedStoredSkin container(nullptr);
  container.LoadFromCompressedFile(SknFileName);
  TbsStagedSkin staged;
  if (!StageSkin(&container, staged)) return {{"", "", "empty container or a version above 3"}};
  return LintSkinLayout(staged.Layout);
}
