// The objects of a skinned frame: caption buttons, animations, user objects
// and the base of the caption. Each is built from one SKINOBJECTS
// description (or, for the plain look's six buttons, from none), knows where
// it sits on the frame (FBounds, window coordinates), draws itself, morphs
// between its normal and hover images and runs the caption commands.
//
// The objects copy what they need from their description: descriptions are
// freed by every skin change, and so are the objects.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/gui/graphics.h"
#include "platform/vcl/controls.h"
#include "platform/vcl/menus.h"
#include "skin/engine/data/skinobjects.h"

class TbsSkinForm;
class TbsSkinData;

class TbsActiveSkinObject {
 public:
  TbsActiveSkinObject(TbsSkinForm* AForm, const TbsDataSkinObject* AData);
  virtual ~TbsActiveSkinObject() = default;

  virtual bool MorphPending();
  virtual void Draw(TCanvas* Cnvs, bool UpdateAll);
  virtual void DblClick() {}
  virtual void MouseDown(int32_t X, int32_t Y, TMouseButton Button);
  virtual void MouseUp(int32_t X, int32_t Y, TMouseButton Button);
  virtual void MouseMove(int32_t X, int32_t Y);
  virtual void MouseEnter();
  virtual void MouseLeave();

  bool CanMorph() const;
  void StartMorph();
  // One fifth of the way towards the hover image (hot) or back.
  void MorphStep();
  void SetMorphPos(double Value);

  TbsSkinForm* FSkinForm;
  double FMorphPos = 0;
  bool FMouseOver = false;
  TBitmap* FSourcePicture = nullptr;
  TBitmap* FObjectPicture = nullptr;
  TbsSkinData* FSkinRef = nullptr;
  String FSectionName;
  String FHintText;
  TRect FNormalRect{}, FHoverRect{}, FInactiveRect{};
  TRect FBounds{};
  bool FHot = false;
  bool FUseMorph = false;
  TbsMorphKind FMorphStyle = TbsMorphKind::mkDefault;
  bool FEnabled = true, FVisible = true;
  bool FInObjectPicture = false;

 protected:
  bool FormActive() const;
  void Redraw();
  // Source rect Src of Picture at the top-left of FBounds.
  void DrawImage(TCanvas* Cnvs, TBitmap* Picture, const TRect& Src);
  // The normal image of Normal (from NormalPicture) morphed towards Hover of
  // the object picture by FMorphPos.
  void DrawMorphed(TCanvas* Cnvs, TBitmap* NormalPicture, const TRect& Normal, const TRect& Hover);
  bool MorphUnderWay() const { return !(FHot && FMorphPos >= 1) && !(!FHot && FMorphPos <= 0); }
  TBitmap* NormalPicture() const { return FInObjectPicture ? FObjectPicture : FSourcePicture; }
  // Normal, hover or inactive, as the base draws them.
  void DrawStates(TCanvas* Cnvs, bool UpdateAll, const TRect& Normal, const TRect& Hover, const TRect& Inactive);
};

// Drawn by the form's OnPaintEvent only.
class TbsUserObject : public TbsActiveSkinObject {
 public:
  using TbsActiveSkinObject::TbsActiveSkinObject;
  void Draw(TCanvas* Cnvs, bool UpdateAll) override;
};

class TbsSkinButtonObject : public TbsActiveSkinObject {
 public:
  TbsSkinButtonObject(TbsSkinForm* AForm, const TbsDataSkinButton* AData);
  bool MorphPending() override;
  void Draw(TCanvas* Cnvs, bool UpdateAll) override;
  void MouseDown(int32_t X, int32_t Y, TMouseButton Button) override;
  void MouseUp(int32_t X, int32_t Y, TMouseButton Button) override;
  void MouseEnter() override;
  void MouseLeave() override;
  void SetDown(bool Value);
  // Opens FMenuItem's items below the button.
  void ShowMenu();

  bool FDown = false;
  bool FMenuUpwards = false;
  TRect FDisabledRect{}, FDownRect{};
  TMenuItem* FMenuItem = nullptr;
};

class TbsSkinStdButtonObject : public TbsSkinButtonObject {
 public:
  // Without a description: a button of the plain look.
  TbsSkinStdButtonObject(TbsSkinForm* AForm, const TbsDataSkinStdButton* AData);
  bool MorphPending() override;
  void Draw(TCanvas* Cnvs, bool UpdateAll) override;
  void DblClick() override;
  void MouseDown(int32_t X, int32_t Y, TMouseButton Button) override;
  void MouseUp(int32_t X, int32_t Y, TMouseButton Button) override;
  void ExecuteCommand();
  // Maximised, minimised or rolled up, as the command says.
  bool RestoreState() const;
  bool IconButton() const;

  bool FSkinSupport = true;
  TbsStdCommand FButtonCommand = TbsStdCommand::cmDefault;
  TRect FRestoreNormalRect{}, FRestoreHoverRect{}, FRestoreInactiveRect{}, FRestoreDownRect{};

 private:
  void DrawDefaultButton(TCanvas* Cnvs);
};

class TbsSkinAnimateObject : public TbsActiveSkinObject {
 public:
  TbsSkinAnimateObject(TbsSkinForm* AForm, const TbsDataSkinAnimate* AData);
  void Draw(TCanvas* Cnvs, bool UpdateAll) override;
  void DblClick() override;
  void MouseDown(int32_t X, int32_t Y, TMouseButton Button) override;
  void MouseUp(int32_t X, int32_t Y, TMouseButton Button) override;
  void MouseEnter() override;
  void MouseLeave() override;
  void ExecuteCommand();
  void ShowMenu();
  // One tick of the 25 ms animation timer.
  void AnimationStep();
  bool RestoreState() const;

  int32_t FFrameIndex = 1;
  int32_t FElapsed = 25;
  int32_t FInterval = 25;
  TMenuItem* FMenuItem = nullptr;
  bool FMenuUpwards = false;
  bool FPressed = false;
  bool FMenuShown = false;
  int32_t FFrameCount = 1;
  bool FCycle = false;
  bool FButtonStyle = false;
  bool FForward = true;
  TbsStdCommand FButtonCommand = TbsStdCommand::cmDefault;
  TRect FDownRect{};
  TRect FRestoreNormalRect{}, FRestoreHoverRect{}, FRestoreInactiveRect{}, FRestoreDownRect{};

 private:
  TRect FrameRect(int32_t Index) const;
};

// The caption: its image from the skin (with an activation animation and
// the morph between the inactive and the active look), the form's caption
// text with light, shadow and a text-frame image. FHot is the form's active
// state; FNormalRect the inactive look, FHoverRect the active one.
class TbsSkinCaptionObject : public TbsActiveSkinObject {
 public:
  TbsSkinCaptionObject(TbsSkinForm* AForm, const TbsDataSkinCaption* AData);
  void Draw(TCanvas* Cnvs, bool UpdateAll) override;
  void MouseDown(int32_t X, int32_t Y, TMouseButton Button) override;
  void MouseUp(int32_t X, int32_t Y, TMouseButton Button) override;
  void MouseEnter() override;
  void MouseLeave() override;
  bool CanAnimate() const;
  // Frame Index (1-based) of the animation strip; empty without frames.
  TRect AnimationFrame(int32_t Index) const;
  // One 25 ms tick; false once the animation has ended.
  bool AnimationStep();
  bool AnimationRunning() const { return CanAnimate() && FCurFrame > 0 && FCurFrame <= FFrameCount; }
  // SourceRect of Picture at the size of FBounds, with the frame's fixed
  // left and right parts.
  std::unique_ptr<TBitmap> BuildCaptionImage(const TRect& SourceRect, TBitmap* Picture);
  // The text area relative to the object's top-left corner.
  TRect TextArea() const;
  void DrawCaptionText(TCanvas* Cnvs, int32_t DX, int32_t DY, bool AActive);

  String FFontName;
  TFontStyles FFontStyle;
  int32_t FFontHeight = 14;
  TColor FFontColor = 0, FActiveFontColor = 0;
  TColor FShadowColor = 0, FActiveShadowColor = 0;
  bool FShadow = false;
  TColor FLightColor = 0, FActiveLightColor = 0;
  bool FLight = false;
  TAlignment FAlignment = TAlignment::taCenter;
  TRect FTextRect{};
  TRect FFrameRect{}, FActiveFrameRect{};
  int32_t FFrameLeftOffset = 0, FFrameRightOffset = 0;
  TRect FFrameTextRect{};
  bool FStretchEffect = false;
  TRect FAnimateRect{};
  int32_t FFrameCount = 0;
  int32_t FAnimateInterval = 25;
  bool FInactiveAnimation = false;
  bool FFullFrame = false;
  int32_t FCurFrame = 0;
  int32_t FAnimElapsed = 0;

 private:
  // Image and text of one state drawn into a bitmap of FBounds' size.
  std::unique_ptr<TBitmap> StateImage(const TRect& Src, TBitmap* Picture, bool TextActive);
  void DrawTextFrame(TCanvas* Cnvs, int32_t TextX, int32_t TextY, int32_t TextWidth, int32_t DX, bool AActive);
  void SetCaptionFont(TCanvas* Cnvs, TColor Color);
  void DrawBitmap(TCanvas* Cnvs, TBitmap* B, bool InactiveEffect);
};
