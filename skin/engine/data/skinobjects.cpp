#include "skin/engine/data/skinobjects.h"

#include <algorithm>

namespace {

const char* const kFormInfo = "FORMINFO";
const char* const kPopupWindow = "POPUPWINDOW";
const char* const kHintWindow = "HINTWINDOW";
const char* const kSkinColors = "SKINCOLORS";
const char* const kSkinObjects = "SKINOBJECTS";

}  // namespace

// ---- FORMINFO ----------------------------------------------------------------

std::span<const TbsKeyEntry<TbsSkinFormInfo>> TbsSkinFormInfo::Keys() {
  using C = TbsSkinFormInfo;
  using K = TbsKeyEntry<C>;
  static const K keys[] = {
      {"lefttoppoint", &C::LeftTopPoint},
      {"righttoppoint", &C::RightTopPoint},
      {"leftbottompoint", &C::LeftBottomPoint},
      {"rightbottompoint", &C::RightBottomPoint},
      {"clientrect", &C::ClientRect},
      {"bgpictureindex", &C::BGPictureIndex, -1},
      {"mdibgpictureindex", &C::MDIBGPictureIndex, -1},
      {"leftstretch", &C::LeftStretch},
      {"rightstretch", &C::RightStretch},
      {"topstretch", &C::TopStretch},
      {"bottomstretch", &C::BottomStretch},
      {"stretcheffect", &C::StretchEffect},
      {"stretchtype", &C::StretchType},
      {"mdibgstretcheffect", &C::MDIBGStretchEffect},
      {"mdibgstretchtype", &C::MDIBGStretchType},
      {"maskrectarea", &C::MaskRectArea},
      {"hittestlefttoppoint", &C::HitTestLeftTopPoint},
      {"hittestrighttoppoint", &C::HitTestRightTopPoint},
      {"hittestleftbottompoint", &C::HitTestLeftBottomPoint},
      {"hittestrightbottompoint", &C::HitTestRightBottomPoint},
      {"buttonsrect", &C::ButtonsRect},
      {"captionrect", &C::CaptionRect},
      {"buttonsoffset", &C::ButtonsOffset},
      {"buttonsinleft", &C::ButtonsInLeft},
      {"mainmenupopupup", &C::MainMenuPopupUp},
      {"borderwidth", &C::BorderWidth},
      {"formminwidth", &C::FormMinWidth},
      {"mditabstransparent", &C::MDITabsTransparent},
      {"mainmenubartransparent", &C::MainMenuBarTransparent},
      {"autorenderinginactiveimage", &C::AutoRenderingInActiveImage},
      {"inactiveeffect", &C::InActiveEffect},
  };
  return keys;
}

// The normalisation only touches the mask area, the hit-test points and the
// corner points, so reading every key first gives the same result as reading
// the keys after the hit-test points later.
void TbsSkinFormInfo::LoadFromIni(TMemIniFile* IniFile, bool MaskNamed) {
  ReadKeys(IniFile, kFormInfo, *this, Keys());
  if (MaskNamed) FitMaskToClient();
  PullCornersIntoClient();
}

void TbsSkinFormInfo::SaveToIni(TCustomIniFile* IniFile) { SaveKeysToSection(IniFile, kFormInfo, *this, Keys()); }

void TbsSkinFormInfo::EnumKeys(const TbsKeyVisitor& Visit) { VisitKeys(*this, Keys(), Visit); }

void TbsSkinFormInfo::FitMaskToClient() {
  TRect& m = MaskRectArea;
  if (m.Width() <= 0 || m.Height() <= 0) {
    m = ClientRect;
  } else {
    m.Left = std::min(m.Left, ClientRect.Left);
    m.Top = std::min(m.Top, ClientRect.Top);
    m.Right = std::max(m.Right, ClientRect.Right);
    m.Bottom = std::max(m.Bottom, ClientRect.Bottom);
  }
  const auto take = [](TPoint& hit, const TPoint& corner) {
    if (hit.X == 0 || hit.Y == 0) hit = corner;
  };
  take(HitTestLeftTopPoint, LeftTopPoint);
  take(HitTestRightTopPoint, RightTopPoint);
  take(HitTestLeftBottomPoint, LeftBottomPoint);
  take(HitTestRightBottomPoint, RightBottomPoint);
}

void TbsSkinFormInfo::PullCornersIntoClient() {
  if (RightBottomPoint.X == LeftTopPoint.X || RightBottomPoint.Y == LeftTopPoint.Y) return;
  const TRect& c = ClientRect;
  LeftTopPoint = Point(std::max(LeftTopPoint.X, c.Left), std::max(LeftTopPoint.Y, c.Top));
  RightTopPoint = Point(std::min(RightTopPoint.X, c.Right), std::max(RightTopPoint.Y, c.Top));
  LeftBottomPoint = Point(std::max(LeftBottomPoint.X, c.Left), std::min(LeftBottomPoint.Y, c.Bottom));
  RightBottomPoint = Point(std::min(RightBottomPoint.X, c.Right), std::min(RightBottomPoint.Y, c.Bottom));
}

// ---- SKINOBJECTS -------------------------------------------------------------

std::span<const TbsKeyEntry<TbsDataSkinObject>> TbsDataSkinObject::Keys() {
  using C = TbsDataSkinObject;
  static const TbsKeyEntry<C> keys[] = {
      {"hint", &C::Hint},
      {"activepictureindex", &C::ActivePictureIndex, -1},
      {"skinrectinapicture", &C::SkinRectInAPicture},
      {"skinrect", &C::SkinRect},
      {"activeskinrect", &C::ActiveSkinRect},
      {"inactiveskinrect", &C::InActiveSkinRect},
      {"morphing", &C::Morphing},
      {"morphkind", &C::MorphKind},
  };
  return keys;
}

void TbsDataSkinObject::LoadFromIni(TMemIniFile* IniFile) { ReadKeys(IniFile, SectionName, *this, Keys()); }

void TbsDataSkinObject::SaveToIni(TCustomIniFile* IniFile) { SaveKeysToSection(IniFile, SectionName, *this, Keys()); }

void TbsDataSkinObject::EnumKeys(const TbsKeyVisitor& Visit) { VisitKeys(*this, Keys(), Visit); }

std::span<const TbsKeyEntry<TbsDataUserObject>> TbsDataUserObject::Keys() {
  using C = TbsDataUserObject;
  static const TbsKeyEntry<C> keys[] = {{"skinrect", &C::SkinRect}};
  return keys;
}

void TbsDataUserObject::LoadFromIni(TMemIniFile* IniFile) { ReadKeys(IniFile, SectionName, *this, Keys()); }

void TbsDataUserObject::SaveToIni(TCustomIniFile* IniFile) { SaveKeysToSection(IniFile, SectionName, *this, Keys()); }

void TbsDataUserObject::EnumKeys(const TbsKeyVisitor& Visit) { VisitKeys(*this, Keys(), Visit); }

std::span<const TbsKeyEntry<TbsDataSkinButton>> TbsDataSkinButton::Keys() {
  using C = TbsDataSkinButton;
  static const TbsKeyEntry<C> keys[] = {
      {"downrect", &C::DownRect},
      {"disableskinrsect", &C::DisableSkinRect},
  };
  return keys;
}
BS_SKIN_KEYS_AFTER(TbsDataSkinButton, TbsDataSkinObject)

std::span<const TbsKeyEntry<TbsDataSkinStdButton>> TbsDataSkinStdButton::Keys() {
  using C = TbsDataSkinStdButton;
  static const TbsKeyEntry<C> keys[] = {
      {"command", &C::Command},
      {"restorerect", &C::RestoreRect},
      {"restoreactiverect", &C::RestoreActiveRect},
      {"restoredownrect", &C::RestoreDownRect},
      {"restoreinactiverect", &C::RestoreInActiveRect},
  };
  return keys;
}
BS_SKIN_KEYS_AFTER(TbsDataSkinStdButton, TbsDataSkinButton)

std::span<const TbsKeyEntry<TbsDataSkinAnimate>> TbsDataSkinAnimate::Keys() {
  using C = TbsDataSkinAnimate;
  static const TbsKeyEntry<C> keys[] = {
      {"countframes", &C::CountFrames, 1},
      {"cycle", &C::Cycle},
      {"buttonstyle", &C::ButtonStyle},
      {"timerinterval", &C::TimerInterval, 50},
      {"command", &C::Command},
      {"downskinrect", &C::DownSkinRect},
      {"restorerect", &C::RestoreRect},
      {"restoreactiverect", &C::RestoreActiveRect},
      {"restoredownrect", &C::RestoreDownRect},
      {"restoreinactiverect", &C::RestoreInActiveRect},
  };
  return keys;
}

void TbsDataSkinAnimate::LoadFromIni(TMemIniFile* IniFile) {
  TbsDataSkinObject::LoadFromIni(IniFile);
  Morphing = false;
  ReadKeys(IniFile, SectionName, *this, Keys());
}

void TbsDataSkinAnimate::SaveToIni(TCustomIniFile* IniFile) {
  TbsDataSkinObject::SaveToIni(IniFile);
  WriteKeys(IniFile, SectionName, *this, Keys());
}

void TbsDataSkinAnimate::EnumKeys(const TbsKeyVisitor& Visit) {
  TbsDataSkinObject::EnumKeys(Visit);
  VisitKeys(*this, Keys(), Visit);
}

std::span<const TbsKeyEntry<TbsDataSkinMenuItem>> TbsDataSkinMenuItem::Keys() {
  using C = TbsDataSkinMenuItem;
  using K = TbsKeyEntry<C>;
  static const K keys[] = {
      {"itemleftoffset", &C::ItemLeftOffset},
      {"itemrightoffset", &C::ItemRightOffset},
      {"dividerrect", &C::DividerRect},
      {"dividerleftoffset", &C::DividerLeftOffset},
      {"dividerrightoffset", &C::DividerRightOffset},
      {"textrect", &C::TextRect},
      {"imagerect", &C::ImageRect},
      {"fontname", &C::FontName, "Arial"},
      {"fontheight", &C::FontHeight, 14},
      {"fontstyle", &C::FontStyle},
      K::Color("fontcolor", &C::FontColor),
      K::Color("activefontcolor", &C::ActiveFontColor),
      K::Color("unenabledfontcolor", &C::UnEnabledFontColor),
      {"stretcheffect", &C::StretchEffect},
      {"inactivestretcheffect", &C::InActiveStretchEffect},
      {"dividerstretcheffect", &C::DividerStretchEffect},
      {"animateskinrect", &C::AnimateSkinRect},
      {"framecount", &C::FrameCount},
      {"animateinterval", &C::AnimateInterval, 25},
      {"inactiveanimation", &C::InActiveAnimation},
      {"useimagecolor", &C::UseImageColor},
      K::Color("imagecolor", &C::ImageColor),
      K::Color("activeimagecolor", &C::ActiveImageColor),
  };
  return keys;
}
BS_SKIN_KEYS_AFTER(TbsDataSkinMenuItem, TbsDataSkinObject)

std::span<const TbsKeyEntry<TbsDataSkinMainMenuItem>> TbsDataSkinMainMenuItem::Keys() {
  using C = TbsDataSkinMainMenuItem;
  using K = TbsKeyEntry<C>;
  static const K keys[] = {
      {"itemleftoffset", &C::ItemLeftOffset},
      {"itemrightoffset", &C::ItemRightOffset},
      {"downrect", &C::DownRect},
      {"textrect", &C::TextRect},
      {"fontname", &C::FontName, "Arial"},
      {"fontheight", &C::FontHeight, 14},
      {"fontstyle", &C::FontStyle},
      K::Color("fontcolor", &C::FontColor),
      K::Color("activefontcolor", &C::ActiveFontColor),
      K::Color("downfontcolor", &C::DownFontColor),
      K::Color("unenabledfontColor", &C::UnEnabledFontColor),
      {"stretcheffect", &C::StretchEffect},
      {"animateskinrect", &C::AnimateSkinRect},
      {"framecount", &C::FrameCount},
      {"animateinterval", &C::AnimateInterval, 25},
      {"inactiveanimation", &C::InActiveAnimation},
  };
  return keys;
}
BS_SKIN_KEYS_AFTER(TbsDataSkinMainMenuItem, TbsDataSkinObject)

std::span<const TbsKeyEntry<TbsDataSkinCaption>> TbsDataSkinCaption::Keys() {
  using C = TbsDataSkinCaption;
  using K = TbsKeyEntry<C>;
  static const K keys[] = {
      {"textrect", &C::TextRect},
      {"fontname", &C::FontName, "Arial"},
      {"fontheight", &C::FontHeight, 14},
      {"fontstyle", &C::FontStyle},
      K::Color("fontcolor", &C::FontColor),
      K::Color("activefontcolor", &C::ActiveFontColor),
      {"alignment", &C::Alignment},
      {"light", &C::Light},
      K::Color("lightcolor", &C::LightColor),
      K::Color("activelightcolor", &C::ActiveLightColor),
      {"shadow", &C::Shadow},
      K::Color("shadowcolor", &C::ShadowColor),
      K::Color("activeshadowcolor", &C::ActiveShadowColor),
      {"framerect", &C::FrameRect},
      {"activeframerect", &C::ActiveFrameRect},
      {"frametextrect", &C::FrameTextRect},
      {"frameleftoffset", &C::FrameLeftOffset},
      {"framerightoffset", &C::FrameRightOffset},
      {"stretcheffect", &C::StretchEffect},
      {"animateskinrect", &C::AnimateSkinRect},
      {"framecount", &C::FrameCount},
      {"animateinterval", &C::AnimateInterval, 25},
      {"inactiveanimation", &C::InActiveAnimation},
      {"fullframe", &C::FullFrame},
  };
  return keys;
}
BS_SKIN_KEYS_AFTER(TbsDataSkinCaption, TbsDataSkinObject)

std::span<const TbsDescriptionKind<TbsDataSkinObject>> SkinObjectKinds() {
  using B = TbsDataSkinObject;
  static const TbsDescriptionKind<B> kinds[] = {
      {"menuitem", CreateDescription<B, TbsDataSkinMenuItem>},
      {"mainmenubaritem", CreateDescription<B, TbsDataSkinMainMenuBarItem>},
      {"stdbutton", CreateDescription<B, TbsDataSkinStdButton>},
      {"mainmenubarbutton", CreateDescription<B, TbsDataSkinMainMenuBarButton>},
      {"button", CreateDescription<B, TbsDataSkinButton>},
      {"caption", CreateDescription<B, TbsDataSkinCaption>},
      {"animate", CreateDescription<B, TbsDataSkinAnimate>},
      {"userobject", CreateDescription<B, TbsDataUserObject>},
  };
  return kinds;
}

void LoadSkinObjects(TMemIniFile* IniFile, TbsSkinObjectList& List) {
  LoadDescriptionList(IniFile, kSkinObjects, SkinObjectKinds(), List);
}

// ---- POPUPWINDOW, HINTWINDOW, SKINCOLORS -------------------------------------

std::span<const TbsKeyEntry<TbsDataSkinPopupWindow>> TbsDataSkinPopupWindow::Keys() {
  using C = TbsDataSkinPopupWindow;
  using K = TbsKeyEntry<C>;
  static const K keys[] = {
      {"windowpictureindex", &C::WindowPictureIndex, -1},
      {"maskpictureindex", &C::MaskPictureIndex, -1},
      {"lefttoppoint", &C::LeftTopPoint},
      {"righttoppoint", &C::RightTopPoint},
      {"leftbottompoint", &C::LeftBottomPoint},
      {"rightbottompoint", &C::RightBottomPoint},
      {"itemsrect", &C::ItemsRect},
      K::Color("scrollmarkercolor", &C::ScrollMarkerColor),
      K::Color("scrollmarkeractivecolor", &C::ScrollMarkerActiveColor),
      {"leftstretch", &C::LeftStretch},
      {"rightstretch", &C::RightStretch},
      {"topstretch", &C::TopStretch},
      {"bottomstretch", &C::BottomStretch},
      {"stretcheffect", &C::StretchEffect},
      {"stretchtype", &C::StretchType},
  };
  return keys;
}

void TbsDataSkinPopupWindow::LoadFromIni(TMemIniFile* IniFile) { ReadKeys(IniFile, kPopupWindow, *this, Keys()); }

void TbsDataSkinPopupWindow::SaveToIni(TCustomIniFile* IniFile) {
  SaveKeysToSection(IniFile, kPopupWindow, *this, Keys());
}

void TbsDataSkinPopupWindow::EnumKeys(const TbsKeyVisitor& Visit) { VisitKeys(*this, Keys(), Visit); }

std::span<const TbsKeyEntry<TbsDataSkinHintWindow>> TbsDataSkinHintWindow::Keys() {
  using C = TbsDataSkinHintWindow;
  using K = TbsKeyEntry<C>;
  static const K keys[] = {
      {"windowpictureindex", &C::WindowPictureIndex, -1},
      {"maskpictureindex", &C::MaskPictureIndex, -1},
      {"lefttoppoint", &C::LeftTopPoint},
      {"righttoppoint", &C::RightTopPoint},
      {"leftbottompoint", &C::LeftBottomPoint},
      {"rightbottompoint", &C::RightBottomPoint},
      {"clientrect", &C::ClientRect},
      {"fontname", &C::FontName, "Arial"},
      {"fontheight", &C::FontHeight, 14},
      {"fontstyle", &C::FontStyle},
      K::Color("fontcolor", &C::FontColor),
      {"leftstretch", &C::LeftStretch},
      {"rightstretch", &C::RightStretch},
      {"topstretch", &C::TopStretch},
      {"bottomstretch", &C::BottomStretch},
      {"stretcheffect", &C::StretchEffect},
      {"stretchtype", &C::StretchType},
  };
  return keys;
}

void TbsDataSkinHintWindow::LoadFromIni(TMemIniFile* IniFile) { ReadKeys(IniFile, kHintWindow, *this, Keys()); }

void TbsDataSkinHintWindow::SaveToIni(TCustomIniFile* IniFile) {
  SaveKeysToSection(IniFile, kHintWindow, *this, Keys());
}

void TbsDataSkinHintWindow::EnumKeys(const TbsKeyVisitor& Visit) { VisitKeys(*this, Keys(), Visit); }

std::span<const TbsKeyEntry<TbsSkinColors>> TbsSkinColors::Keys() {
  using C = TbsSkinColors;
  using K = TbsKeyEntry<C>;
  static const K keys[] = {
      K::Color("cbtnface", &C::CBtnFace, clBtnFace),
      K::Color("cbtntext", &C::CBtnText, clBtnText),
      K::Color("cwindow", &C::CWindow, clWindow),
      K::Color("cwindowtext", &C::CWindowText, clWindowText),
      K::Color("chighlight", &C::CHighLight, clHighlight),
      K::Color("chighlighttext", &C::CHighLightText, clHighlightText),
      K::Color("cbtnhighlight", &C::CBtnHighLight, clBtnHighlight),
      K::Color("cbtnshadow", &C::CBtnShadow, clBtnShadow),
  };
  return keys;
}

void TbsSkinColors::SetDefault() {
  for (const TbsKeyEntry<TbsSkinColors>& k : Keys()) *std::get<int32_t*>(k.Value(*this)) = k.Info().IntDefault;
}

void TbsSkinColors::LoadFromIni(TMemIniFile* IniFile) { ReadKeys(IniFile, kSkinColors, *this, Keys()); }

void TbsSkinColors::SaveToIni(TCustomIniFile* IniFile) { SaveKeysToSection(IniFile, kSkinColors, *this, Keys()); }

void TbsSkinColors::EnumKeys(const TbsKeyVisitor& Visit) { VisitKeys(*this, Keys(), Visit); }
