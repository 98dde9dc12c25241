// The control descriptions of a skin: one class per SKINCONTROLS kind word.
// A skinned control finds its description by section name and accepts it
// when it is of its class (a dynamic_cast): a memo is an edit, a check list
// box a list box, a menu button a button; tab, slider and the other plain
// kinds are not custom controls although the tab carries corner points.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/rtl/graphtypes.h"
#include "platform/rtl/inifiles.h"
#include "skin/engine/data/skinini.h"

class TbsDataSkinControl {
 public:
  explicit TbsDataSkinControl(const String& ASectionName) : SectionName(ASectionName) {}
  virtual ~TbsDataSkinControl() = default;

  // Reads the description's section; the writer erases it and writes every
  // key back.
  virtual void LoadFromIni(TMemIniFile* IniFile);
  virtual void SaveToIni(TCustomIniFile* IniFile);
  // Every key the class reads, with the member it fills, in reading order.
  virtual void EnumKeys(const TbsKeyVisitor& Visit);
  static std::span<const TbsKeyEntry<TbsDataSkinControl>> Keys();

  String SectionName;
  int32_t PictureIndex = -1;
  int32_t MaskPictureIndex = -1;
  TRect SkinRect;
};

// The nine-part geometry of a resizable picture; points and client rect are
// relative to "skinrect".
class TbsDataSkinCustomControl : public TbsDataSkinControl {
 public:
  using TbsDataSkinControl::TbsDataSkinControl;
  BS_SKIN_KEY_TABLE(TbsDataSkinCustomControl);

  TPoint LeftTopPoint, RightTopPoint, LeftBottomPoint, RightBottomPoint;
  TRect ClientRect;
  bool StretchEffect = false;
  TbsStretchType StretchType = TbsStretchType::stFull;
  bool LeftStretch = false, TopStretch = false, RightStretch = false, BottomStretch = false;
};

class TbsDataSkinPanelControl : public TbsDataSkinCustomControl {
 public:
  using TbsDataSkinCustomControl::TbsDataSkinCustomControl;
  BS_SKIN_KEY_TABLE(TbsDataSkinPanelControl);

  int32_t BGPictureIndex = -1;
  TRect CaptionRect;
  TAlignment Alignment = TAlignment::taCenter;
  String FontName = "Arial";
  int32_t FontHeight = 14;
  TFontStyles FontStyle;
  TColor FontColor = 0;
  TRect CheckImageRect, UnCheckImageRect, MarkFrameRect, FrameRect, FrameTextRect;
  int32_t FrameLeftOffset = 0, FrameRightOffset = 0;
  TRect GripperRect;
  bool GripperTransparent = false;
  TColor GripperTransparentColor = 0;
};

class TbsDataSkinExPanelControl : public TbsDataSkinCustomControl {
 public:
  using TbsDataSkinCustomControl::TbsDataSkinCustomControl;
  BS_SKIN_KEY_TABLE(TbsDataSkinExPanelControl);

  TRect RollHSkinRect, RollVSkinRect;
  int32_t RollLeftOffset = 0, RollRightOffset = 0, RollTopOffset = 0, RollBottomOffset = 0;
  TRect RollVCaptionRect, RollHCaptionRect;
  TRect CloseButtonRect, CloseButtonActiveRect, CloseButtonDownRect;
  TRect HRollButtonRect, HRollButtonActiveRect, HRollButtonDownRect;
  TRect HRestoreButtonRect, HRestoreButtonActiveRect, HRestoreButtonDownRect;
  TRect VRollButtonRect, VRollButtonActiveRect, VRollButtonDownRect;
  TRect VRestoreButtonRect, VRestoreButtonActiveRect, VRestoreButtonDownRect;
  TRect CaptionRect;
  String FontName = "Arial";
  int32_t FontHeight = 14;
  TFontStyles FontStyle;
  TColor FontColor = 0;
  bool ButtonsTransparent = false;
  TColor ButtonsTransparentColor = 0;
};

class TbsDataSkinButtonControl : public TbsDataSkinCustomControl {
 public:
  using TbsDataSkinCustomControl::TbsDataSkinCustomControl;
  BS_SKIN_KEY_TABLE(TbsDataSkinButtonControl);

  String FontName = "Arial";
  int32_t FontHeight = 14;
  TFontStyles FontStyle;
  TColor FontColor = 0, ActiveFontColor = 0, DownFontColor = 0, DisabledFontColor = 0;
  TRect ActiveSkinRect, DownSkinRect, DisabledSkinRect;
  bool Morphing = false;
  TbsMorphKind MorphKind = TbsMorphKind::mkDefault;
  TRect AnimateSkinRect;
  int32_t FrameCount = 0;
  int32_t AnimateInterval = 25;
  bool ShowFocus = false;
  TRect MenuMarkerFlatRect, MenuMarkerRect, MenuMarkerActiveRect, MenuMarkerDownRect;
  TColor MenuMarkerTransparentColor = 0;
};

class TbsDataSkinMenuButtonControl : public TbsDataSkinButtonControl {
 public:
  using TbsDataSkinButtonControl::TbsDataSkinButtonControl;
  BS_SKIN_KEY_TABLE(TbsDataSkinMenuButtonControl);

  TRect TrackButtonRect;
};

class TbsDataSkinCheckRadioControl : public TbsDataSkinCustomControl {
 public:
  using TbsDataSkinCustomControl::TbsDataSkinCustomControl;
  BS_SKIN_KEY_TABLE(TbsDataSkinCheckRadioControl);

  String FontName = "Arial";
  int32_t FontHeight = 14;
  TFontStyles FontStyle;
  TColor FontColor = 0, ActiveFontColor = 0, UnEnabledFontColor = 0, FrameFontColor = 0;
  TRect ActiveSkinRect, CheckImageArea, TextArea;
  TRect CheckImageRect, UnCheckImageRect, ActiveCheckImageRect, ActiveUnCheckImageRect;
  TRect UnEnabledCheckImageRect, UnEnabledUnCheckImageRect;
  bool Morphing = false;
  TbsMorphKind MorphKind = TbsMorphKind::mkDefault;
};

class TbsDataSkinGaugeControl : public TbsDataSkinCustomControl {
 public:
  using TbsDataSkinCustomControl::TbsDataSkinCustomControl;
  BS_SKIN_KEY_TABLE(TbsDataSkinGaugeControl);

  TRect ProgressArea, ProgressRect;
  int32_t BeginOffset = 0, EndOffset = 0;
  bool Vertical = false;
  String FontName = "Arial";
  int32_t FontHeight = 14;
  TFontStyles FontStyle;
  TColor FontColor = 0;
  bool ProgressTransparent = false;
  TColor ProgressTransparentColor = 0;
  bool ProgressStretch = false;
};

class TbsDataSkinSplitterControl : public TbsDataSkinCustomControl {
 public:
  using TbsDataSkinCustomControl::TbsDataSkinCustomControl;
  BS_SKIN_KEY_TABLE(TbsDataSkinSplitterControl);

  TRect GripperRect;
  bool GripperTransparent = false;
  TColor GripperTransparentColor = 0;
};

class TbsDataSkinTrackBarControl : public TbsDataSkinCustomControl {
 public:
  using TbsDataSkinCustomControl::TbsDataSkinCustomControl;
  BS_SKIN_KEY_TABLE(TbsDataSkinTrackBarControl);

  TRect ActiveSkinRect, TrackArea, ButtonRect, ActiveButtonRect;
  bool Vertical = false, ButtonTransparent = false;
  TColor ButtonTransparentColor = 0;
};

class TbsDataSkinLabelControl : public TbsDataSkinCustomControl {
 public:
  using TbsDataSkinCustomControl::TbsDataSkinCustomControl;
  BS_SKIN_KEY_TABLE(TbsDataSkinLabelControl);

  String FontName = "Arial";
  int32_t FontHeight = 14;
  TFontStyles FontStyle;
  TColor FontColor = 0;
};

// Its corner points and client rect are always zero, whatever the section says.
// "upbuttonrect" is the button that increases the value (right or top),
// "downbuttonrect" the one that decreases it; both are places in the control
// (skin rect coordinates), the active and down rects are in the picture.
class TbsDataSkinUpDownControl : public TbsDataSkinCustomControl {
 public:
  using TbsDataSkinCustomControl::TbsDataSkinCustomControl;
  BS_SKIN_KEY_TABLE(TbsDataSkinUpDownControl);

  TRect UpButtonRect, ActiveUpButtonRect, DownUpButtonRect;
  TRect DownButtonRect, ActiveDownButtonRect, DownDownButtonRect;
};

class TbsDataSkinControlBar : public TbsDataSkinCustomControl {
 public:
  using TbsDataSkinCustomControl::TbsDataSkinCustomControl;
  BS_SKIN_KEY_TABLE(TbsDataSkinControlBar);

  TRect ItemRect;
  int32_t BGPictureIndex = -1;
  TRect HGripRect, VGripRect;
  int32_t GripOffset1 = 0, GripOffset2 = 0;
  bool ItemStretchEffect = false;
  int32_t ItemOffset1 = 3, ItemOffset2 = 3;
  bool ItemTransparent = false;
  TColor ItemTransparentColor = 0;
  bool GripTransparent = false;
  TColor GripTransparentColor = 0;
};

class TbsDataSkinEditControl : public TbsDataSkinCustomControl {
 public:
  using TbsDataSkinCustomControl::TbsDataSkinCustomControl;
  BS_SKIN_KEY_TABLE(TbsDataSkinEditControl);

  TRect ActiveSkinRect;
  String FontName = "Arial";
  int32_t FontHeight = 14;
  TFontStyles FontStyle;
  TColor FontColor = 0, DisabledFontColor = 0, ActiveFontColor = 0;
  TRect ButtonRect, ActiveButtonRect, DownButtonRect, UnEnabledButtonRect;
};

class TbsDataSkinMemoControl : public TbsDataSkinEditControl {
 public:
  using TbsDataSkinEditControl::TbsDataSkinEditControl;
  BS_SKIN_KEY_TABLE(TbsDataSkinMemoControl);

  TColor BGColor = 0, ActiveBGColor = 0;
};

class TbsDataSkinListBox : public TbsDataSkinCustomControl {
 public:
  using TbsDataSkinCustomControl::TbsDataSkinCustomControl;
  BS_SKIN_KEY_TABLE(TbsDataSkinListBox);

  TRect ItemRect, ActiveItemRect, FocusItemRect;
  int32_t ItemLeftOffset = 0, ItemRightOffset = 0;
  TRect ItemTextRect;
  String FontName = "Arial";
  int32_t FontHeight = 14;
  TFontStyles FontStyle;
  TColor FontColor = 0, ActiveFontColor = 0, FocusFontColor = 0;
  TRect CaptionRect;
  String CaptionFontName = "Arial";
  int32_t CaptionFontHeight = 14;
  TFontStyles CaptionFontStyle;
  TColor CaptionFontColor = 0;
  TRect UpButtonRect, ActiveUpButtonRect, DownUpButtonRect;
  TRect DownButtonRect, ActiveDownButtonRect, DownDownButtonRect;
  TRect CheckButtonRect, ActiveCheckButtonRect, DownCheckButtonRect;
  String VScrollBarName = "vscrollbar";
  String HScrollBarName = "hscrollbar";
  String BothScrollBarName = "bothhscrollbar";
  bool ShowFocus = false;
};

class TbsDataSkinCheckListBox : public TbsDataSkinListBox {
 public:
  using TbsDataSkinListBox::TbsDataSkinListBox;
  BS_SKIN_KEY_TABLE(TbsDataSkinCheckListBox);

  TRect ItemCheckRect, CheckImageRect, UnCheckImageRect;
};

class TbsDataSkinComboBox : public TbsDataSkinCustomControl {
 public:
  using TbsDataSkinCustomControl::TbsDataSkinCustomControl;
  BS_SKIN_KEY_TABLE(TbsDataSkinComboBox);

  TRect ActiveSkinRect, ItemRect, ActiveItemRect, FocusItemRect;
  int32_t ItemLeftOffset = 0, ItemRightOffset = 0;
  TRect ItemTextRect;
  String FontName = "Arial";
  int32_t FontHeight = 14;
  TFontStyles FontStyle;
  TColor FontColor = 0, FocusFontColor = 0, ActiveFontColor = 0;
  String ListBoxName;
  TRect ButtonRect, ActiveButtonRect, DownButtonRect, UnEnabledButtonRect;
  bool ItemStretchEffect = false, FocusItemStretchEffect = false, ShowFocus = false;
};

// "upbuttonrect" is the arrow that increases the position (right or bottom),
// "downbuttonrect" the one that decreases it (left or top); both and
// "trackarea" are places in the bar (skin rect coordinates), every state
// image (active, down, thumb, glyph) is a rect of the picture.
class TbsDataSkinScrollBarControl : public TbsDataSkinCustomControl {
 public:
  using TbsDataSkinCustomControl::TbsDataSkinCustomControl;
  BS_SKIN_KEY_TABLE(TbsDataSkinScrollBarControl);

  TRect TrackArea;
  TRect UpButtonRect, ActiveUpButtonRect, DownUpButtonRect;
  TRect DownButtonRect, ActiveDownButtonRect, DownDownButtonRect;
  TRect ThumbRect, ActiveThumbRect, DownThumbRect;
  int32_t ThumbOffset1 = 0, ThumbOffset2 = 0;
  bool ThumbTransparent = false;
  TColor ThumbTransparentColor = 0;
  TRect GlyphRect, ActiveGlyphRect, DownGlyphRect;
};

class TbsDataSkinSpinEditControl : public TbsDataSkinCustomControl {
 public:
  using TbsDataSkinCustomControl::TbsDataSkinCustomControl;
  BS_SKIN_KEY_TABLE(TbsDataSkinSpinEditControl);

  TRect ActiveSkinRect;
  String FontName = "Arial";
  int32_t FontHeight = 14;
  TFontStyles FontStyle;
  TColor FontColor = 0, ActiveFontColor = 0, DisabledFontColor = 0;
  TRect UpButtonRect, ActiveUpButtonRect, DownUpButtonRect;
  TRect DownButtonRect, ActiveDownButtonRect, DownDownButtonRect;
};

class TbsDataSkinScrollBoxControl : public TbsDataSkinCustomControl {
 public:
  using TbsDataSkinCustomControl::TbsDataSkinCustomControl;
  BS_SKIN_KEY_TABLE(TbsDataSkinScrollBoxControl);

  int32_t BGPictureIndex = -1;
};

// ---- Plain descriptions (no nine-part geometry of their own) -----------------

class TbsDataSkinStdLabelControl : public TbsDataSkinControl {
 public:
  using TbsDataSkinControl::TbsDataSkinControl;
  BS_SKIN_KEY_TABLE(TbsDataSkinStdLabelControl);

  String FontName = "Arial";
  int32_t FontHeight = 14;
  TFontStyles FontStyle;
  TColor FontColor = 0;
  TColor ActiveFontColor = clBlue;
};

class TbsDataSkinGridControl : public TbsDataSkinControl {
 public:
  using TbsDataSkinControl::TbsDataSkinControl;
  BS_SKIN_KEY_TABLE(TbsDataSkinGridControl);

  TRect FixedCellRect, SelectCellRect, FocusCellRect;
  int32_t FixedCellLeftOffset = 0, FixedCellRightOffset = 0;
  TRect FixedCellTextRect;
  int32_t CellLeftOffset = 0, CellRightOffset = 0;
  TRect CellTextRect;
  TColor LinesColor = 0, BGColor = 0;
  String FontName = "Arial";
  int32_t FontHeight = 14;
  TFontStyles FontStyle;
  TColor FontColor = 0, SelectFontColor = 0, FocusFontColor = 0;
  String FixedFontName = "Arial";
  int32_t FixedFontHeight = 14;
  TFontStyles FixedFontStyle;
  TColor FixedFontColor = 0;
  bool FixedCellStretchEffect = false, CellStretchEffect = false;
  bool ShowFocus = false;
};

// The corner points and stretch keys describe the page frame.
class TbsDataSkinTabControl : public TbsDataSkinControl {
 public:
  using TbsDataSkinControl::TbsDataSkinControl;
  BS_SKIN_KEY_TABLE(TbsDataSkinTabControl);

  TRect TabRect, ActiveTabRect, FocusTabRect, MouseInTabRect;
  TRect ClientRect;
  int32_t BGPictureIndex = -1;
  TPoint LeftTopPoint, RightTopPoint, LeftBottomPoint, RightBottomPoint;
  int32_t TabLeftOffset = 0, TabRightOffset = 0;
  TRect TabsBGRect;
  bool TabStretchEffect = false;
  bool LeftStretch = false, TopStretch = false, RightStretch = false, BottomStretch = false;
  bool StretchEffect = false;
  TbsStretchType StretchType = TbsStretchType::stFull;
  String FontName = "Arial";
  int32_t FontHeight = 14;
  TFontStyles FontStyle;
  TColor FontColor = 0, ActiveFontColor = 0, FocusFontColor = 0, MouseInFontColor = 0;
  String UpDown;
  bool ShowFocus = false;
  int32_t FocusOffsetX = 0, FocusOffsetY = 0;
};

class TbsDataSkinMainMenuBar : public TbsDataSkinControl {
 public:
  using TbsDataSkinControl::TbsDataSkinControl;
  BS_SKIN_KEY_TABLE(TbsDataSkinMainMenuBar);

  TRect ItemsRect;
  String MenuBarItem, CloseButton, MinButton, MaxButton, SysMenuButton;
  TColor TrackMarkColor = 0, TrackMarkActiveColor = 0;
  bool StretchEffect = false, ItemTransparent = false;
};

class TbsDataSkinTreeView : public TbsDataSkinControl {
 public:
  using TbsDataSkinControl::TbsDataSkinControl;
  BS_SKIN_KEY_TABLE(TbsDataSkinTreeView);

  String FontName = "Arial";
  int32_t FontHeight = 14;
  TFontStyles FontStyle;
  TColor FontColor = 0, BGColor = 0;
};

class TbsDataSkinListView : public TbsDataSkinControl {
 public:
  using TbsDataSkinControl::TbsDataSkinControl;
  BS_SKIN_KEY_TABLE(TbsDataSkinListView);

  String FontName = "Arial";
  int32_t FontHeight = 14;
  TFontStyles FontStyle;
  TColor FontColor = 0, BGColor = 0;
};

class TbsDataSkinRichEdit : public TbsDataSkinControl {
 public:
  using TbsDataSkinControl::TbsDataSkinControl;
  BS_SKIN_KEY_TABLE(TbsDataSkinRichEdit);

  String FontName = "Arial";
  int32_t FontHeight = 14;
  TFontStyles FontStyle;
  TColor FontColor = 0, BGColor = 0;
};

class TbsDataSkinBevel : public TbsDataSkinControl {
 public:
  using TbsDataSkinControl::TbsDataSkinControl;
  BS_SKIN_KEY_TABLE(TbsDataSkinBevel);

  TColor LightColor = 0, DarkColor = 0;
};

class TbsDataSkinSlider : public TbsDataSkinControl {
 public:
  using TbsDataSkinControl::TbsDataSkinControl;
  BS_SKIN_KEY_TABLE(TbsDataSkinSlider);

  TRect HRulerRect, HThumbRect, VRulerRect, VThumbRect;
  int32_t EdgeSize = 0;
  TColor BGColor = 0, PointsColor = 0;
};

using TbsSkinControlList = std::vector<std::unique_ptr<TbsDataSkinControl>>;

// The SKINCONTROLS kind words in the order they are matched.
std::span<const TbsDescriptionKind<TbsDataSkinControl>> SkinControlKinds();
// Appends a description per SKINCONTROLS entry of a known kind.
void LoadSkinControls(TMemIniFile* IniFile, TbsSkinControlList& List);
