#include "skin/engine/data/skincontroldata.h"

namespace {

const char* const kSkinControls = "SKINCONTROLS";

// The five keys shared by the tree view, list view and rich edit.
template <class C>
std::span<const TbsKeyEntry<C>> FontAndBGKeys() {
  using K = TbsKeyEntry<C>;
  static const K keys[] = {
      {"fontname", &C::FontName, "Arial"},  {"fontheight", &C::FontHeight, 14}, {"fontstyle", &C::FontStyle},
      K::Color("fontcolor", &C::FontColor), K::Color("bgcolor", &C::BGColor),
  };
  return keys;
}

}  // namespace

std::span<const TbsKeyEntry<TbsDataSkinControl>> TbsDataSkinControl::Keys() {
  using C = TbsDataSkinControl;
  static const TbsKeyEntry<C> keys[] = {
      {"pictureindex", &C::PictureIndex, -1},
      {"maskpictureindex", &C::MaskPictureIndex, -1},
      {"skinrect", &C::SkinRect},
  };
  return keys;
}

void TbsDataSkinControl::LoadFromIni(TMemIniFile* IniFile) { ReadKeys(IniFile, SectionName, *this, Keys()); }

void TbsDataSkinControl::SaveToIni(TCustomIniFile* IniFile) { SaveKeysToSection(IniFile, SectionName, *this, Keys()); }

void TbsDataSkinControl::EnumKeys(const TbsKeyVisitor& Visit) { VisitKeys(*this, Keys(), Visit); }

std::span<const TbsKeyEntry<TbsDataSkinCustomControl>> TbsDataSkinCustomControl::Keys() {
  using C = TbsDataSkinCustomControl;
  static const TbsKeyEntry<C> keys[] = {
      {"lefttoppoint", &C::LeftTopPoint},       {"righttoppoint", &C::RightTopPoint},
      {"leftbottompoint", &C::LeftBottomPoint}, {"rightbottompoint", &C::RightBottomPoint},
      {"clientrect", &C::ClientRect},           {"leftstretch", &C::LeftStretch},
      {"topstretch", &C::TopStretch},           {"rightstretch", &C::RightStretch},
      {"bottomstretch", &C::BottomStretch},     {"stretcheffect", &C::StretchEffect},
      {"stretchtype", &C::StretchType},
  };
  return keys;
}
BS_SKIN_KEYS_AFTER(TbsDataSkinCustomControl, TbsDataSkinControl)

std::span<const TbsKeyEntry<TbsDataSkinPanelControl>> TbsDataSkinPanelControl::Keys() {
  using C = TbsDataSkinPanelControl;
  using K = TbsKeyEntry<C>;
  static const K keys[] = {
      {"bgpictureindex", &C::BGPictureIndex, -1},
      {"captionrect", &C::CaptionRect},
      {"alignment", &C::Alignment},
      {"fontname", &C::FontName, "Arial"},
      {"fontheight", &C::FontHeight, 14},
      {"fontstyle", &C::FontStyle},
      K::Color("fontcolor", &C::FontColor),
      {"checkimagerect", &C::CheckImageRect},
      {"uncheckimagerect", &C::UnCheckImageRect},
      {"markframerect", &C::MarkFrameRect},
      {"framerect", &C::FrameRect},
      {"frametextrect", &C::FrameTextRect},
      {"frameleftoffset", &C::FrameLeftOffset},
      {"framerightoffset", &C::FrameRightOffset},
      {"gripperrect", &C::GripperRect},
      {"grippertransparent", &C::GripperTransparent},
      K::Color("grippertransparentcolor", &C::GripperTransparentColor),
  };
  return keys;
}
BS_SKIN_KEYS_AFTER(TbsDataSkinPanelControl, TbsDataSkinCustomControl)

std::span<const TbsKeyEntry<TbsDataSkinExPanelControl>> TbsDataSkinExPanelControl::Keys() {
  using C = TbsDataSkinExPanelControl;
  using K = TbsKeyEntry<C>;
  static const K keys[] = {
      {"rollhskinrect", &C::RollHSkinRect},
      {"rollvskinrect", &C::RollVSkinRect},
      {"rollleftoffset", &C::RollLeftOffset},
      {"rollrightoffset", &C::RollRightOffset},
      {"rolltopoffset", &C::RollTopOffset},
      {"rollbottomoffset", &C::RollBottomOffset},
      {"rollvcaptionrect", &C::RollVCaptionRect},
      {"rollhcaptionrect", &C::RollHCaptionRect},
      {"closebuttonrect", &C::CloseButtonRect},
      {"closebuttonactiverect", &C::CloseButtonActiveRect},
      {"closebuttondownrect", &C::CloseButtonDownRect},
      {"hrollbuttonrect", &C::HRollButtonRect},
      {"hrollbuttonactiverect", &C::HRollButtonActiveRect},
      {"hrollbuttondownrect", &C::HRollButtonDownRect},
      {"hrestorebuttonrect", &C::HRestoreButtonRect},
      {"hrestorebuttonactiverect", &C::HRestoreButtonActiveRect},
      {"hrestorebuttondownrect", &C::HRestoreButtonDownRect},
      {"vrollbuttonrect", &C::VRollButtonRect},
      {"vrollbuttonactiverect", &C::VRollButtonActiveRect},
      {"vrollbuttondownrect", &C::VRollButtonDownRect},
      {"vrestorebuttonrect", &C::VRestoreButtonRect},
      {"vrestorebuttonactiverect", &C::VRestoreButtonActiveRect},
      {"vrestorebuttondownrect", &C::VRestoreButtonDownRect},
      {"captionrect", &C::CaptionRect},
      {"fontname", &C::FontName, "Arial"},
      {"fontheight", &C::FontHeight, 14},
      {"fontstyle", &C::FontStyle},
      K::Color("fontcolor", &C::FontColor),
      {"buttonstransparent", &C::ButtonsTransparent},
      K::Color("buttonstransparentcolor", &C::ButtonsTransparentColor),
  };
  return keys;
}
BS_SKIN_KEYS_AFTER(TbsDataSkinExPanelControl, TbsDataSkinCustomControl)

std::span<const TbsKeyEntry<TbsDataSkinButtonControl>> TbsDataSkinButtonControl::Keys() {
  using C = TbsDataSkinButtonControl;
  using K = TbsKeyEntry<C>;
  static const K keys[] = {
      {"fontname", &C::FontName, "Arial"},
      {"fontheight", &C::FontHeight, 14},
      {"fontstyle", &C::FontStyle},
      K::Color("fontcolor", &C::FontColor),
      K::Color("activefontcolor", &C::ActiveFontColor),
      K::Color("downfontcolor", &C::DownFontColor),
      K::Color("disabledfontcolor", &C::DisabledFontColor),
      {"activeskinrect", &C::ActiveSkinRect},
      {"downskinrect", &C::DownSkinRect},
      {"disabledskinrect", &C::DisabledSkinRect},
      {"morphing", &C::Morphing},
      {"morphkind", &C::MorphKind},
      {"animateskinrect", &C::AnimateSkinRect},
      {"framecount", &C::FrameCount},
      {"animateinterval", &C::AnimateInterval, 25},
      {"showfocus", &C::ShowFocus},
      {"menumarkerflatrect", &C::MenuMarkerFlatRect},
      {"menumarkerrect", &C::MenuMarkerRect},
      {"menumarkeractiverect", &C::MenuMarkerActiveRect},
      {"menumarkerdownrect", &C::MenuMarkerDownRect},
      K::Color("menumarkertransparentcolor", &C::MenuMarkerTransparentColor),
  };
  return keys;
}
BS_SKIN_KEYS_AFTER(TbsDataSkinButtonControl, TbsDataSkinCustomControl)

std::span<const TbsKeyEntry<TbsDataSkinMenuButtonControl>> TbsDataSkinMenuButtonControl::Keys() {
  using C = TbsDataSkinMenuButtonControl;
  static const TbsKeyEntry<C> keys[] = {{"trackbuttonrect", &C::TrackButtonRect}};
  return keys;
}
BS_SKIN_KEYS_AFTER(TbsDataSkinMenuButtonControl, TbsDataSkinButtonControl)

std::span<const TbsKeyEntry<TbsDataSkinCheckRadioControl>> TbsDataSkinCheckRadioControl::Keys() {
  using C = TbsDataSkinCheckRadioControl;
  using K = TbsKeyEntry<C>;
  static const K keys[] = {
      {"fontname", &C::FontName, "Arial"},
      {"fontheight", &C::FontHeight, 14},
      {"fontstyle", &C::FontStyle},
      K::Color("fontcolor", &C::FontColor),
      K::Color("activefontcolor", &C::ActiveFontColor),
      K::Color("unenabledfontcolor", &C::UnEnabledFontColor),
      K::Color("framefontcolor", &C::FrameFontColor),
      {"activeskinrect", &C::ActiveSkinRect},
      {"checkimagearea", &C::CheckImageArea},
      {"textarea", &C::TextArea},
      {"checkimagerect", &C::CheckImageRect},
      {"uncheckimagerect", &C::UnCheckImageRect},
      {"activecheckimagerect", &C::ActiveCheckImageRect},
      {"activeuncheckimagerect", &C::ActiveUnCheckImageRect},
      {"unenabledcheckimagerect", &C::UnEnabledCheckImageRect},
      {"unenableduncheckimagerect", &C::UnEnabledUnCheckImageRect},
      {"morphing", &C::Morphing},
      {"morphkind", &C::MorphKind},
  };
  return keys;
}
BS_SKIN_KEYS_AFTER(TbsDataSkinCheckRadioControl, TbsDataSkinCustomControl)

std::span<const TbsKeyEntry<TbsDataSkinGaugeControl>> TbsDataSkinGaugeControl::Keys() {
  using C = TbsDataSkinGaugeControl;
  using K = TbsKeyEntry<C>;
  static const K keys[] = {
      {"progressarea", &C::ProgressArea},
      {"progressrect", &C::ProgressRect},
      {"beginoffset", &C::BeginOffset},
      {"endoffset", &C::EndOffset},
      {"vertical", &C::Vertical},
      {"fontname", &C::FontName, "Arial"},
      {"fontheight", &C::FontHeight, 14},
      {"fontstyle", &C::FontStyle},
      K::Color("fontcolor", &C::FontColor),
      {"progresstransparent", &C::ProgressTransparent},
      K::Color("progresstransparentcolor", &C::ProgressTransparentColor),
      {"progressstretch", &C::ProgressStretch},
  };
  return keys;
}
BS_SKIN_KEYS_AFTER(TbsDataSkinGaugeControl, TbsDataSkinCustomControl)

std::span<const TbsKeyEntry<TbsDataSkinSplitterControl>> TbsDataSkinSplitterControl::Keys() {
  using C = TbsDataSkinSplitterControl;
  using K = TbsKeyEntry<C>;
  static const K keys[] = {
      {"gripperrect", &C::GripperRect},
      {"grippertransparent", &C::GripperTransparent},
      K::Color("grippertransparentcolor", &C::GripperTransparentColor),
  };
  return keys;
}
BS_SKIN_KEYS_AFTER(TbsDataSkinSplitterControl, TbsDataSkinCustomControl)

std::span<const TbsKeyEntry<TbsDataSkinTrackBarControl>> TbsDataSkinTrackBarControl::Keys() {
  using C = TbsDataSkinTrackBarControl;
  using K = TbsKeyEntry<C>;
  static const K keys[] = {
      {"activeskinrect", &C::ActiveSkinRect},
      {"trackarea", &C::TrackArea},
      {"buttonrect", &C::ButtonRect},
      {"activebuttonrect", &C::ActiveButtonRect},
      {"vertical", &C::Vertical},
      {"buttontransparent", &C::ButtonTransparent},
      K::Color("buttontransparentcolor", &C::ButtonTransparentColor),
  };
  return keys;
}
BS_SKIN_KEYS_AFTER(TbsDataSkinTrackBarControl, TbsDataSkinCustomControl)

std::span<const TbsKeyEntry<TbsDataSkinLabelControl>> TbsDataSkinLabelControl::Keys() {
  using C = TbsDataSkinLabelControl;
  using K = TbsKeyEntry<C>;
  static const K keys[] = {
      {"fontname", &C::FontName, "Arial"},
      {"fontheight", &C::FontHeight, 14},
      {"fontstyle", &C::FontStyle},
      K::Color("fontcolor", &C::FontColor),
  };
  return keys;
}
BS_SKIN_KEYS_AFTER(TbsDataSkinLabelControl, TbsDataSkinCustomControl)

std::span<const TbsKeyEntry<TbsDataSkinUpDownControl>> TbsDataSkinUpDownControl::Keys() {
  using C = TbsDataSkinUpDownControl;
  static const TbsKeyEntry<C> keys[] = {
      {"upbuttonrect", &C::UpButtonRect},
      {"activeupbuttonrect", &C::ActiveUpButtonRect},
      {"downupbuttonrect", &C::DownUpButtonRect},
      {"downbuttonrect", &C::DownButtonRect},
      {"activedownbuttonrect", &C::ActiveDownButtonRect},
      {"downdownbuttonrect", &C::DownDownButtonRect},
  };
  return keys;
}

void TbsDataSkinUpDownControl::LoadFromIni(TMemIniFile* IniFile) {
  TbsDataSkinCustomControl::LoadFromIni(IniFile);
  ReadKeys(IniFile, SectionName, *this, Keys());
  LeftTopPoint = RightTopPoint = LeftBottomPoint = RightBottomPoint = TPoint();
  ClientRect = TRect();
}

void TbsDataSkinUpDownControl::SaveToIni(TCustomIniFile* IniFile) {
  TbsDataSkinCustomControl::SaveToIni(IniFile);
  WriteKeys(IniFile, SectionName, *this, Keys());
}

void TbsDataSkinUpDownControl::EnumKeys(const TbsKeyVisitor& Visit) {
  TbsDataSkinCustomControl::EnumKeys(Visit);
  VisitKeys(*this, Keys(), Visit);
}

std::span<const TbsKeyEntry<TbsDataSkinControlBar>> TbsDataSkinControlBar::Keys() {
  using C = TbsDataSkinControlBar;
  using K = TbsKeyEntry<C>;
  static const K keys[] = {
      {"itemrect", &C::ItemRect},
      {"bgpictureindex", &C::BGPictureIndex, -1},
      {"hgriprect", &C::HGripRect},
      {"vgriprect", &C::VGripRect},
      {"gripoffset1", &C::GripOffset1},
      {"gripoffset2", &C::GripOffset2},
      {"itemstretcheffect", &C::ItemStretchEffect},
      {"itemoffset1", &C::ItemOffset1, 3},
      {"itemoffset2", &C::ItemOffset2, 3},
      {"itemtransparent", &C::ItemTransparent},
      K::Color("itemtransparentcolor", &C::ItemTransparentColor),
      {"griptransparent", &C::GripTransparent},
      K::Color("griptransparentcolor", &C::GripTransparentColor),
  };
  return keys;
}
BS_SKIN_KEYS_AFTER(TbsDataSkinControlBar, TbsDataSkinCustomControl)

std::span<const TbsKeyEntry<TbsDataSkinEditControl>> TbsDataSkinEditControl::Keys() {
  using C = TbsDataSkinEditControl;
  using K = TbsKeyEntry<C>;
  static const K keys[] = {
      {"activeskinrect", &C::ActiveSkinRect},
      {"fontname", &C::FontName, "Arial"},
      {"fontheight", &C::FontHeight, 14},
      {"fontstyle", &C::FontStyle},
      K::Color("fontcolor", &C::FontColor),
      K::Color("disabledfontcolor", &C::DisabledFontColor),
      K::Color("activefontcolor", &C::ActiveFontColor),
      {"buttonrect", &C::ButtonRect},
      {"activebuttonrect", &C::ActiveButtonRect},
      {"downbuttonrect", &C::DownButtonRect},
      {"unenabledbuttonrect", &C::UnEnabledButtonRect},
  };
  return keys;
}
BS_SKIN_KEYS_AFTER(TbsDataSkinEditControl, TbsDataSkinCustomControl)

std::span<const TbsKeyEntry<TbsDataSkinMemoControl>> TbsDataSkinMemoControl::Keys() {
  using C = TbsDataSkinMemoControl;
  using K = TbsKeyEntry<C>;
  static const K keys[] = {
      K::Color("bgcolor", &C::BGColor),
      K::Color("activebgcolor", &C::ActiveBGColor),
  };
  return keys;
}
BS_SKIN_KEYS_AFTER(TbsDataSkinMemoControl, TbsDataSkinEditControl)

std::span<const TbsKeyEntry<TbsDataSkinListBox>> TbsDataSkinListBox::Keys() {
  using C = TbsDataSkinListBox;
  using K = TbsKeyEntry<C>;
  static const K keys[] = {
      {"itemrect", &C::ItemRect},
      {"activeitemrect", &C::ActiveItemRect},
      {"focusitemrect", &C::FocusItemRect},
      {"itemleftoffset", &C::ItemLeftOffset},
      {"itemrightoffset", &C::ItemRightOffset},
      {"itemtextrect", &C::ItemTextRect},
      {"fontname", &C::FontName, "Arial"},
      {"fontheight", &C::FontHeight, 14},
      {"fontstyle", &C::FontStyle},
      K::Color("fontcolor", &C::FontColor),
      K::Color("activefontcolor", &C::ActiveFontColor),
      K::Color("focusfontcolor", &C::FocusFontColor),
      {"captionrect", &C::CaptionRect},
      {"captionfontname", &C::CaptionFontName, "Arial"},
      {"captionfontheight", &C::CaptionFontHeight, 14},
      {"captionfontstyle", &C::CaptionFontStyle},
      K::Color("captionfontcolor", &C::CaptionFontColor),
      {"upbuttonrect", &C::UpButtonRect},
      {"activeupbuttonrect", &C::ActiveUpButtonRect},
      {"downupbuttonrect", &C::DownUpButtonRect},
      {"downbuttonrect", &C::DownButtonRect},
      {"activedownbuttonrect", &C::ActiveDownButtonRect},
      {"downdownbuttonrect", &C::DownDownButtonRect},
      {"checkbuttonrect", &C::CheckButtonRect},
      {"activecheckbuttonrect", &C::ActiveCheckButtonRect},
      {"downcheckbuttonrect", &C::DownCheckButtonRect},
      {"vscrollbarname", &C::VScrollBarName, "vscrollbar"},
      {"hscrollbarname", &C::HScrollBarName, "hscrollbar"},
      {"bothhscrollbarname", &C::BothScrollBarName, "bothhscrollbar"},
      {"showfocus", &C::ShowFocus},
  };
  return keys;
}
BS_SKIN_KEYS_AFTER(TbsDataSkinListBox, TbsDataSkinCustomControl)

std::span<const TbsKeyEntry<TbsDataSkinCheckListBox>> TbsDataSkinCheckListBox::Keys() {
  using C = TbsDataSkinCheckListBox;
  static const TbsKeyEntry<C> keys[] = {
      {"itemcheckrect", &C::ItemCheckRect},
      {"checkimagerect", &C::CheckImageRect},
      {"uncheckimagerect", &C::UnCheckImageRect},
  };
  return keys;
}
BS_SKIN_KEYS_AFTER(TbsDataSkinCheckListBox, TbsDataSkinListBox)

std::span<const TbsKeyEntry<TbsDataSkinComboBox>> TbsDataSkinComboBox::Keys() {
  using C = TbsDataSkinComboBox;
  using K = TbsKeyEntry<C>;
  static const K keys[] = {
      {"activeskinrect", &C::ActiveSkinRect},
      {"itemrect", &C::ItemRect},
      {"activeitemrect", &C::ActiveItemRect},
      {"focusitemrect", &C::FocusItemRect},
      {"itemleftoffset", &C::ItemLeftOffset},
      {"itemrightoffset", &C::ItemRightOffset},
      {"itemtextrect", &C::ItemTextRect},
      {"fontname", &C::FontName, "Arial"},
      {"fontheight", &C::FontHeight, 14},
      {"fontstyle", &C::FontStyle},
      K::Color("fontcolor", &C::FontColor),
      K::Color("focusfontcolor", &C::FocusFontColor),
      K::Color("activefontcolor", &C::ActiveFontColor),
      {"listboxname", &C::ListBoxName},
      {"buttonrect", &C::ButtonRect},
      {"activebuttonrect", &C::ActiveButtonRect},
      {"downbuttonrect", &C::DownButtonRect},
      {"unenabledbuttonrect", &C::UnEnabledButtonRect},
      {"itemstretcheffect", &C::ItemStretchEffect},
      {"focusitemstretcheffect", &C::FocusItemStretchEffect},
      {"showfocus", &C::ShowFocus},
  };
  return keys;
}
BS_SKIN_KEYS_AFTER(TbsDataSkinComboBox, TbsDataSkinCustomControl)

std::span<const TbsKeyEntry<TbsDataSkinScrollBarControl>> TbsDataSkinScrollBarControl::Keys() {
  using C = TbsDataSkinScrollBarControl;
  using K = TbsKeyEntry<C>;
  static const K keys[] = {
      {"trackarea", &C::TrackArea},
      {"upbuttonrect", &C::UpButtonRect},
      {"activeupbuttonrect", &C::ActiveUpButtonRect},
      {"downupbuttonrect", &C::DownUpButtonRect},
      {"downbuttonrect", &C::DownButtonRect},
      {"activedownbuttonrect", &C::ActiveDownButtonRect},
      {"downdownbuttonrect", &C::DownDownButtonRect},
      {"thumbrect", &C::ThumbRect},
      {"activethumbrect", &C::ActiveThumbRect},
      {"downthumbrect", &C::DownThumbRect},
      {"thumboffset1", &C::ThumbOffset1},
      {"thumboffset2", &C::ThumbOffset2},
      {"thumbtransparent", &C::ThumbTransparent},
      K::Color("thumbtransparentcolor", &C::ThumbTransparentColor),
      {"glyphrect", &C::GlyphRect},
      {"activeglyphrect", &C::ActiveGlyphRect},
      {"downglyphrect", &C::DownGlyphRect},
  };
  return keys;
}
BS_SKIN_KEYS_AFTER(TbsDataSkinScrollBarControl, TbsDataSkinCustomControl)

std::span<const TbsKeyEntry<TbsDataSkinSpinEditControl>> TbsDataSkinSpinEditControl::Keys() {
  using C = TbsDataSkinSpinEditControl;
  using K = TbsKeyEntry<C>;
  static const K keys[] = {
      {"activeskinrect", &C::ActiveSkinRect},
      {"fontname", &C::FontName, "Arial"},
      {"fontheight", &C::FontHeight, 14},
      {"fontstyle", &C::FontStyle},
      K::Color("fontcolor", &C::FontColor),
      K::Color("activefontcolor", &C::ActiveFontColor),
      K::Color("disabledfontcolor", &C::DisabledFontColor),
      {"upbuttonrect", &C::UpButtonRect},
      {"activeupbuttonrect", &C::ActiveUpButtonRect},
      {"downupbuttonrect", &C::DownUpButtonRect},
      {"downbuttonrect", &C::DownButtonRect},
      {"activedownbuttonrect", &C::ActiveDownButtonRect},
      {"downdownbuttonrect", &C::DownDownButtonRect},
  };
  return keys;
}
BS_SKIN_KEYS_AFTER(TbsDataSkinSpinEditControl, TbsDataSkinCustomControl)

std::span<const TbsKeyEntry<TbsDataSkinScrollBoxControl>> TbsDataSkinScrollBoxControl::Keys() {
  using C = TbsDataSkinScrollBoxControl;
  static const TbsKeyEntry<C> keys[] = {{"bgpictureindex", &C::BGPictureIndex, -1}};
  return keys;
}
BS_SKIN_KEYS_AFTER(TbsDataSkinScrollBoxControl, TbsDataSkinCustomControl)

// ---- Plain descriptions ------------------------------------------------------

std::span<const TbsKeyEntry<TbsDataSkinStdLabelControl>> TbsDataSkinStdLabelControl::Keys() {
  using C = TbsDataSkinStdLabelControl;
  using K = TbsKeyEntry<C>;
  static const K keys[] = {
      {"fontname", &C::FontName, "Arial"},
      {"fontheight", &C::FontHeight, 14},
      {"fontstyle", &C::FontStyle},
      K::Color("fontcolor", &C::FontColor),
      K::Color("activefontcolor", &C::ActiveFontColor, clBlue),
  };
  return keys;
}
BS_SKIN_KEYS_AFTER(TbsDataSkinStdLabelControl, TbsDataSkinControl)

std::span<const TbsKeyEntry<TbsDataSkinGridControl>> TbsDataSkinGridControl::Keys() {
  using C = TbsDataSkinGridControl;
  using K = TbsKeyEntry<C>;
  static const K keys[] = {
      {"fixedcellrect", &C::FixedCellRect},
      {"selectcellrect", &C::SelectCellRect},
      {"focuscellrect", &C::FocusCellRect},
      {"fixedcellleftoffset", &C::FixedCellLeftOffset},
      {"fixedcellrightoffset", &C::FixedCellRightOffset},
      {"fixedcelltextrect", &C::FixedCellTextRect},
      {"cellleftoffset", &C::CellLeftOffset},
      {"cellrightoffset", &C::CellRightOffset},
      {"celltextrect", &C::CellTextRect},
      K::Color("linescolor", &C::LinesColor),
      K::Color("bgcolor", &C::BGColor),
      {"fontname", &C::FontName, "Arial"},
      {"fontheight", &C::FontHeight, 14},
      {"fontstyle", &C::FontStyle},
      K::Color("fontcolor", &C::FontColor),
      K::Color("selectfontcolor", &C::SelectFontColor),
      K::Color("focusfontcolor", &C::FocusFontColor),
      {"fixedfontname", &C::FixedFontName, "Arial"},
      {"fixedfontheight", &C::FixedFontHeight, 14},
      {"fixedfontstyle", &C::FixedFontStyle},
      K::Color("fixedfontcolor", &C::FixedFontColor),
      {"cellstretcheffect", &C::CellStretchEffect},
      {"fixedcellstretcheffect", &C::FixedCellStretchEffect},
      {"showfocus", &C::ShowFocus},
  };
  return keys;
}
BS_SKIN_KEYS_AFTER(TbsDataSkinGridControl, TbsDataSkinControl)

std::span<const TbsKeyEntry<TbsDataSkinTabControl>> TbsDataSkinTabControl::Keys() {
  using C = TbsDataSkinTabControl;
  using K = TbsKeyEntry<C>;
  static const K keys[] = {
      {"tabrect", &C::TabRect},
      {"activetabrect", &C::ActiveTabRect},
      {"focustabrect", &C::FocusTabRect},
      {"mouseintabrect", &C::MouseInTabRect},
      {"clientrect", &C::ClientRect},
      {"bgpictureindex", &C::BGPictureIndex, -1},
      {"lefttoppoint", &C::LeftTopPoint},
      {"righttoppoint", &C::RightTopPoint},
      {"leftbottompoint", &C::LeftBottomPoint},
      {"rightbottompoint", &C::RightBottomPoint},
      {"tableftoffset", &C::TabLeftOffset},
      {"tabrightoffset", &C::TabRightOffset},
      {"tabsbgrect", &C::TabsBGRect},
      {"tabstretcheffect", &C::TabStretchEffect},
      {"leftstretch", &C::LeftStretch},
      {"topstretch", &C::TopStretch},
      {"rightstretch", &C::RightStretch},
      {"bottomstretch", &C::BottomStretch},
      {"stretcheffect", &C::StretchEffect},
      {"stretchtype", &C::StretchType},
      {"fontname", &C::FontName, "Arial"},
      {"fontheight", &C::FontHeight, 14},
      {"fontstyle", &C::FontStyle},
      K::Color("fontcolor", &C::FontColor),
      K::Color("activefontcolor", &C::ActiveFontColor),
      K::Color("focusfontcolor", &C::FocusFontColor),
      K::Color("mouseinfontcolor", &C::MouseInFontColor),
      {"updown", &C::UpDown},
      {"showfocus", &C::ShowFocus},
      {"focusoffsetx", &C::FocusOffsetX},
      {"focusoffsety", &C::FocusOffsetY},
  };
  return keys;
}
BS_SKIN_KEYS_AFTER(TbsDataSkinTabControl, TbsDataSkinControl)

std::span<const TbsKeyEntry<TbsDataSkinMainMenuBar>> TbsDataSkinMainMenuBar::Keys() {
  using C = TbsDataSkinMainMenuBar;
  using K = TbsKeyEntry<C>;
  static const K keys[] = {
      {"itemsrect", &C::ItemsRect},
      {"menubaritem", &C::MenuBarItem},
      {"closebutton", &C::CloseButton},
      {"minbutton", &C::MinButton},
      {"maxbutton", &C::MaxButton},
      {"sysmenubutton", &C::SysMenuButton},
      K::Color("trackmarkcolor", &C::TrackMarkColor),
      K::Color("trackmarkactivecolor", &C::TrackMarkActiveColor),
      {"stretcheffect", &C::StretchEffect},
      {"itemtransparent", &C::ItemTransparent},
  };
  return keys;
}
BS_SKIN_KEYS_AFTER(TbsDataSkinMainMenuBar, TbsDataSkinControl)

std::span<const TbsKeyEntry<TbsDataSkinTreeView>> TbsDataSkinTreeView::Keys() {
  return FontAndBGKeys<TbsDataSkinTreeView>();
}
BS_SKIN_KEYS_AFTER(TbsDataSkinTreeView, TbsDataSkinControl)

std::span<const TbsKeyEntry<TbsDataSkinListView>> TbsDataSkinListView::Keys() {
  return FontAndBGKeys<TbsDataSkinListView>();
}
BS_SKIN_KEYS_AFTER(TbsDataSkinListView, TbsDataSkinControl)

std::span<const TbsKeyEntry<TbsDataSkinRichEdit>> TbsDataSkinRichEdit::Keys() {
  return FontAndBGKeys<TbsDataSkinRichEdit>();
}
BS_SKIN_KEYS_AFTER(TbsDataSkinRichEdit, TbsDataSkinControl)

std::span<const TbsKeyEntry<TbsDataSkinBevel>> TbsDataSkinBevel::Keys() {
  using C = TbsDataSkinBevel;
  using K = TbsKeyEntry<C>;
  static const K keys[] = {
      K::Color("lightcolor", &C::LightColor),
      K::Color("darkcolor", &C::DarkColor),
  };
  return keys;
}
BS_SKIN_KEYS_AFTER(TbsDataSkinBevel, TbsDataSkinControl)

std::span<const TbsKeyEntry<TbsDataSkinSlider>> TbsDataSkinSlider::Keys() {
  using C = TbsDataSkinSlider;
  using K = TbsKeyEntry<C>;
  static const K keys[] = {
      K::Color("bgcolor", &C::BGColor),         {"hrulerrect", &C::HRulerRect}, {"hthumbrect", &C::HThumbRect},
      {"vrulerrect", &C::VRulerRect},           {"vthumbrect", &C::VThumbRect}, {"edgesize", &C::EdgeSize},
      K::Color("pointscolor", &C::PointsColor),
  };
  return keys;
}
BS_SKIN_KEYS_AFTER(TbsDataSkinSlider, TbsDataSkinControl)

std::span<const TbsDescriptionKind<TbsDataSkinControl>> SkinControlKinds() {
  using B = TbsDataSkinControl;
  static const TbsDescriptionKind<B> kinds[] = {
      {"panel", CreateDescription<B, TbsDataSkinPanelControl>},
      {"expanel", CreateDescription<B, TbsDataSkinExPanelControl>},
      {"menubutton", CreateDescription<B, TbsDataSkinMenuButtonControl>},
      {"button", CreateDescription<B, TbsDataSkinButtonControl>},
      {"checkradio", CreateDescription<B, TbsDataSkinCheckRadioControl>},
      {"gauge", CreateDescription<B, TbsDataSkinGaugeControl>},
      {"splitter", CreateDescription<B, TbsDataSkinSplitterControl>},
      {"trackbar", CreateDescription<B, TbsDataSkinTrackBarControl>},
      {"label", CreateDescription<B, TbsDataSkinLabelControl>},
      {"stdlabel", CreateDescription<B, TbsDataSkinStdLabelControl>},
      {"updown", CreateDescription<B, TbsDataSkinUpDownControl>},
      {"grid", CreateDescription<B, TbsDataSkinGridControl>},
      {"tab", CreateDescription<B, TbsDataSkinTabControl>},
      {"mainmenubar", CreateDescription<B, TbsDataSkinMainMenuBar>},
      {"controlbar", CreateDescription<B, TbsDataSkinControlBar>},
      {"memo", CreateDescription<B, TbsDataSkinMemoControl>},
      {"edit", CreateDescription<B, TbsDataSkinEditControl>},
      {"checklistbox", CreateDescription<B, TbsDataSkinCheckListBox>},
      {"listbox", CreateDescription<B, TbsDataSkinListBox>},
      {"combobox", CreateDescription<B, TbsDataSkinComboBox>},
      {"scrollbar", CreateDescription<B, TbsDataSkinScrollBarControl>},
      {"spinedit", CreateDescription<B, TbsDataSkinSpinEditControl>},
      {"scrollbox", CreateDescription<B, TbsDataSkinScrollBoxControl>},
      {"treeview", CreateDescription<B, TbsDataSkinTreeView>},
      {"bevel", CreateDescription<B, TbsDataSkinBevel>},
      {"slider", CreateDescription<B, TbsDataSkinSlider>},
      {"listview", CreateDescription<B, TbsDataSkinListView>},
      {"richedit", CreateDescription<B, TbsDataSkinRichEdit>},
  };
  return kinds;
}

void LoadSkinControls(TMemIniFile* IniFile, TbsSkinControlList& List) {
  LoadDescriptionList(IniFile, kSkinControls, SkinControlKinds(), List);
}
