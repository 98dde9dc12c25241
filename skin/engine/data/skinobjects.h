// The frame and menu descriptions of a skin: FORMINFO, the SKINOBJECTS list,
// POPUPWINDOW, HINTWINDOW and SKINCOLORS. Members are named after the keys
// they are read from; each class reads and writes itself through one key
// table, so a key is spelled in one place only.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/rtl/graphtypes.h"
#include "platform/rtl/inifiles.h"
#include "skin/engine/data/skinini.h"

// ---- FORMINFO ----------------------------------------------------------------

struct TbsSkinFormInfo {
  TPoint LeftTopPoint, RightTopPoint, LeftBottomPoint, RightBottomPoint;
  TRect ClientRect;
  int32_t BGPictureIndex = -1;
  int32_t MDIBGPictureIndex = -1;
  bool LeftStretch = false, RightStretch = false, TopStretch = false, BottomStretch = false;
  bool StretchEffect = false;
  TbsStretchType StretchType = TbsStretchType::stFull;
  bool MDIBGStretchEffect = false;
  TbsStretchType MDIBGStretchType = TbsStretchType::stFull;
  TRect MaskRectArea;
  TPoint HitTestLeftTopPoint, HitTestRightTopPoint, HitTestLeftBottomPoint, HitTestRightBottomPoint;
  TRect ButtonsRect;
  TRect CaptionRect;
  int32_t ButtonsOffset = 0;
  bool ButtonsInLeft = false;
  bool MainMenuPopupUp = false;
  int32_t BorderWidth = 0;
  int32_t FormMinWidth = 0;
  bool MDITabsTransparent = false;
  bool MainMenuBarTransparent = false;
  bool AutoRenderingInActiveImage = false;
  TbsSkinEffect InActiveEffect = TbsSkinEffect::ieBrightness;

  // Reads FORMINFO and normalises it. MaskNamed: PICTURES names a mask picture
  // (whether or not it loaded).
  void LoadFromIni(TMemIniFile* IniFile, bool MaskNamed);
  void SaveToIni(TCustomIniFile* IniFile);
  void EnumKeys(const TbsKeyVisitor& Visit);
  static std::span<const TbsKeyEntry<TbsSkinFormInfo>> Keys();

 private:
  void FitMaskToClient();
  void PullCornersIntoClient();
};

// ---- SKINOBJECTS -------------------------------------------------------------

class TbsDataSkinObject {
 public:
  explicit TbsDataSkinObject(const String& ASectionName) : SectionName(ASectionName) {}
  virtual ~TbsDataSkinObject() = default;

  // Reads the object's section; the writer erases it and writes every key back.
  virtual void LoadFromIni(TMemIniFile* IniFile);
  virtual void SaveToIni(TCustomIniFile* IniFile);
  // Every key the class reads, with the member it fills, in reading order.
  virtual void EnumKeys(const TbsKeyVisitor& Visit);
  static std::span<const TbsKeyEntry<TbsDataSkinObject>> Keys();

  String SectionName;
  String Hint;
  int32_t ActivePictureIndex = -1;
  bool SkinRectInAPicture = false;
  TRect SkinRect;
  TRect ActiveSkinRect;
  TRect InActiveSkinRect;
  bool Morphing = false;
  TbsMorphKind MorphKind = TbsMorphKind::mkDefault;
};

// Reads "skinrect" only; the other members keep their creation values.
class TbsDataUserObject : public TbsDataSkinObject {
 public:
  using TbsDataSkinObject::TbsDataSkinObject;
  BS_SKIN_KEY_TABLE(TbsDataUserObject);
};

class TbsDataSkinButton : public TbsDataSkinObject {
 public:
  using TbsDataSkinObject::TbsDataSkinObject;
  BS_SKIN_KEY_TABLE(TbsDataSkinButton);

  TRect DownRect;
  TRect DisableSkinRect;  // key "disableskinrsect"
};

class TbsDataSkinStdButton : public TbsDataSkinButton {
 public:
  using TbsDataSkinButton::TbsDataSkinButton;
  BS_SKIN_KEY_TABLE(TbsDataSkinStdButton);

  TbsStdCommand Command = TbsStdCommand::cmDefault;
  TRect RestoreRect, RestoreActiveRect, RestoreDownRect, RestoreInActiveRect;
};

// The buttons of a maximised MDI child on the menu bar.
class TbsDataSkinMainMenuBarButton : public TbsDataSkinStdButton {
 public:
  using TbsDataSkinStdButton::TbsDataSkinStdButton;
};

// Morphing is always off, whatever the section says.
class TbsDataSkinAnimate : public TbsDataSkinObject {
 public:
  using TbsDataSkinObject::TbsDataSkinObject;
  BS_SKIN_KEY_TABLE(TbsDataSkinAnimate);

  int32_t CountFrames = 1;
  bool Cycle = false;
  bool ButtonStyle = false;
  int32_t TimerInterval = 50;
  TbsStdCommand Command = TbsStdCommand::cmDefault;
  TRect DownSkinRect;
  TRect RestoreRect, RestoreActiveRect, RestoreDownRect, RestoreInActiveRect;
};

class TbsDataSkinMenuItem : public TbsDataSkinObject {
 public:
  using TbsDataSkinObject::TbsDataSkinObject;
  BS_SKIN_KEY_TABLE(TbsDataSkinMenuItem);

  int32_t ItemLeftOffset = 0, ItemRightOffset = 0;
  TRect DividerRect;
  int32_t DividerLeftOffset = 0, DividerRightOffset = 0;
  TRect TextRect, ImageRect;
  String FontName = "Arial";
  int32_t FontHeight = 14;
  TFontStyles FontStyle;
  TColor FontColor = 0, ActiveFontColor = 0, UnEnabledFontColor = 0;
  bool StretchEffect = false, InActiveStretchEffect = false, DividerStretchEffect = false;
  TRect AnimateSkinRect;
  int32_t FrameCount = 0;
  int32_t AnimateInterval = 25;
  bool InActiveAnimation = false;
  bool UseImageColor = false;
  TColor ImageColor = 0, ActiveImageColor = 0;
};

class TbsDataSkinMainMenuItem : public TbsDataSkinObject {
 public:
  using TbsDataSkinObject::TbsDataSkinObject;
  BS_SKIN_KEY_TABLE(TbsDataSkinMainMenuItem);

  int32_t ItemLeftOffset = 0, ItemRightOffset = 0;
  TRect DownRect, TextRect;
  String FontName = "Arial";
  int32_t FontHeight = 14;
  TFontStyles FontStyle;
  TColor FontColor = 0, ActiveFontColor = 0, DownFontColor = 0, UnEnabledFontColor = 0;
  bool StretchEffect = false;
  TRect AnimateSkinRect;
  int32_t FrameCount = 0;
  int32_t AnimateInterval = 25;
  bool InActiveAnimation = false;
};

class TbsDataSkinMainMenuBarItem : public TbsDataSkinMainMenuItem {
 public:
  using TbsDataSkinMainMenuItem::TbsDataSkinMainMenuItem;
};

class TbsDataSkinCaption : public TbsDataSkinObject {
 public:
  using TbsDataSkinObject::TbsDataSkinObject;
  BS_SKIN_KEY_TABLE(TbsDataSkinCaption);

  TRect TextRect;
  String FontName = "Arial";
  int32_t FontHeight = 14;
  TFontStyles FontStyle;
  TColor FontColor = 0, ActiveFontColor = 0;
  TAlignment Alignment = TAlignment::taCenter;
  bool Light = false;
  TColor LightColor = 0, ActiveLightColor = 0;
  bool Shadow = false;
  TColor ShadowColor = 0, ActiveShadowColor = 0;
  TRect FrameRect, ActiveFrameRect, FrameTextRect;
  int32_t FrameLeftOffset = 0, FrameRightOffset = 0;
  bool StretchEffect = false;
  TRect AnimateSkinRect;
  int32_t FrameCount = 0;
  int32_t AnimateInterval = 25;
  bool InActiveAnimation = false;
  bool FullFrame = false;
};

using TbsSkinObjectList = std::vector<std::unique_ptr<TbsDataSkinObject>>;

// The SKINOBJECTS kind words in the order they are matched.
std::span<const TbsDescriptionKind<TbsDataSkinObject>> SkinObjectKinds();
// Appends a description per SKINOBJECTS entry of a known kind.
void LoadSkinObjects(TMemIniFile* IniFile, TbsSkinObjectList& List);

// ---- POPUPWINDOW, HINTWINDOW, SKINCOLORS -------------------------------------

class TbsDataSkinPopupWindow {
 public:
  void LoadFromIni(TMemIniFile* IniFile);
  void SaveToIni(TCustomIniFile* IniFile);
  void EnumKeys(const TbsKeyVisitor& Visit);
  static std::span<const TbsKeyEntry<TbsDataSkinPopupWindow>> Keys();

  int32_t WindowPictureIndex = -1;
  int32_t MaskPictureIndex = -1;
  TPoint LeftTopPoint, RightTopPoint, LeftBottomPoint, RightBottomPoint;
  TRect ItemsRect;
  TColor ScrollMarkerColor = 0, ScrollMarkerActiveColor = 0;
  bool TopStretch = false, LeftStretch = false, RightStretch = false, BottomStretch = false;
  bool StretchEffect = false;
  TbsStretchType StretchType = TbsStretchType::stFull;
};

class TbsDataSkinHintWindow {
 public:
  void LoadFromIni(TMemIniFile* IniFile);
  void SaveToIni(TCustomIniFile* IniFile);
  void EnumKeys(const TbsKeyVisitor& Visit);
  static std::span<const TbsKeyEntry<TbsDataSkinHintWindow>> Keys();

  int32_t WindowPictureIndex = -1;
  int32_t MaskPictureIndex = -1;
  TPoint LeftTopPoint, RightTopPoint, LeftBottomPoint, RightBottomPoint;
  TRect ClientRect;
  String FontName = "Arial";
  int32_t FontHeight = 12;  // 14 when read from a skin without the key
  TFontStyles FontStyle;
  TColor FontColor = 0;
  bool LeftStretch = false, RightStretch = false, TopStretch = false, BottomStretch = false;
  bool StretchEffect = false;
  TbsStretchType StretchType = TbsStretchType::stFull;
};

// Created all 0; SetDefault gives the system colours, as a load without
// SKINCOLORS does.
class TbsSkinColors {
 public:
  void SetDefault();
  void LoadFromIni(TMemIniFile* IniFile);
  void SaveToIni(TCustomIniFile* IniFile);
  void EnumKeys(const TbsKeyVisitor& Visit);
  static std::span<const TbsKeyEntry<TbsSkinColors>> Keys();

  TColor CBtnFace = 0, CBtnText = 0, CWindow = 0, CWindowText = 0;
  TColor CHighLight = 0, CHighLightText = 0, CBtnHighLight = 0, CBtnShadow = 0;
};
