// The skinned panel, container of the skinned controls: frame and background
// from the skin's panel description, an optional caption bar (text, glyph or
// image-list image, a check box enabling the children, a roll-up arrow), and
// a transparent mode showing what lies under it. The group box is the same
// panel with its caption bar on.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/vcl/imglist.h"
#include "skin/controls/base/skinctrls.h"
#include "skin/controls/skinborderstyle.h"

// ---- Frame and background fills shared by the containers -----------------------------

// Covers Area of C with Tile: without Stretch tiled from Area's top-left
// (size div tile size + 1 copies each way, the last clipped by the caller's
// clip); with Stretch by Type: stFull stretched over Area, stHorz stretched
// to Area's height at the tile's width and tiled across, stVert stretched to
// Area's width at the tile's height and tiled down. An empty tile or area
// draws nothing.
void FillSkinTiles(TCanvas* C, TBitmap* Tile, const TRect& Area, bool Stretch, TbsStretchType Type);
// The same from the part SrcRect of Picture.
void FillSkinPart(TCanvas* C, TBitmap* Picture, const TRect& SrcRect, const TRect& Area, bool Stretch,
                  TbsStretchType Type);

// The frame image of a skinned panel-like control (panel, framed label,
// status panel) at its current size: the fixed-size branch copies the skin
// rect as it is, the nine-part branch composes corners, sides and client
// part, and the free-size branch stretches the whole skin rect (client part
// included) over the bitmap.
class TbsPanelFrame {
 public:
  // Copies the skin rect at its own size into B.
  static void DrawFixed(TBitmap* B, TBitmap* Picture, const TRect& SkinRect);
  // The skin rect stretched to B's size with its client rect's corners as
  // the corner points.
  static void DrawFree(TBitmap* B, TBitmap* Picture, const TRect& SkinRect, const TRect& ClientRect);
  // The skin's client part of a nine-part description (client rect relative
  // to the skin rect) tiled or stretched over Area.
  static void DrawClientPart(TCanvas* C, TBitmap* Picture, const TRect& SkinRect, const TRect& ClientRect,
                             const TRect& Area, bool Stretch, TbsStretchType Type);
};

// ---- The panel ---------------------------------------------------------------------

class TbsSkinPanel : public TbsSkinCustomControl {
 public:
  explicit TbsSkinPanel(TComponent* AOwner);
  ~TbsSkinPanel() override;
  const char* ClassName() const override { return "TbsSkinPanel"; }

  void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) override;
  void GetSkinData() override;
  void ChangeSkinData() override;
  void Dispatch(TMessage& Message) override;

  bool TransparentMode() const { return FTransparentMode; }
  void SetTransparentMode(bool Value);
  TCustomImageList* CaptionImageList() const { return FCaptionImageList; }
  void SetCaptionImageList(TCustomImageList* Value);
  int32_t CaptionImageIndex() const { return FCaptionImageIndex; }
  void SetCaptionImageIndex(int32_t Value);
  int32_t RealHeight() const { return FRealHeight; }
  // A builder restoring a rolled-up panel sets this first, then RollUpState.
  void SetRealHeight(int32_t Value) { FRealHeight = Value; }
  bool AutoEnabledControls() const { return FAutoEnabledControls; }
  void SetAutoEnabledControls(bool Value) { FAutoEnabledControls = Value; }
  bool CheckedMode() const { return FCheckedMode; }
  void SetCheckedMode(bool Value);
  bool Checked() const { return FChecked; }
  void SetChecked(bool Value);
  TAlignment DefaultAlignment() const { return FDefaultAlignment; }
  void SetDefaultAlignment(TAlignment Value);
  int32_t DefaultCaptionHeight() const { return FDefaultCaptionHeight; }
  virtual void SetDefaultCaptionHeight(int32_t Value);
  TbsSkinBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TbsSkinBorderStyle Value);
  bool CaptionMode() const { return FCaptionMode; }
  virtual void SetCaptionMode(bool Value);
  bool RollUpMode() const { return FRollUpMode; }
  void SetRollUpMode(bool Value);
  bool RollUpState() const { return FRollUpState; }
  void SetRollUpState(bool Value);
  TBitmap* Glyph() const { return FGlyph.get(); }
  void SetGlyph(TBitmap* Value);
  int32_t NumGlyphs() const { return FNumGlyphs; }
  void SetNumGlyphs(int32_t Value);
  int32_t Spacing() const { return FSpacing; }
  void SetSpacing(int32_t Value);

  // The caption's hit area as the last layout or paint left it.
  const TRect& CaptionRect() const { return FCaptionRect; }
  int32_t BGPictureIndex() const { return FBGPictureIndex; }

  TNotifyEvent OnChecked;
  TNotifyEvent OnChangeRollUpState;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void AdjustClientRect(TRect& Rect) override;
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;
  void CreateControlDefaultImage(TBitmap* B) override;
  void CreateControlSkinImage(TBitmap* B) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void ParentBackgroundChanged() override;
  // Descendants draw over the transparent looks here, on the off-screen
  // canvas, after the frame lines.
  virtual void PaintTransparentExtra(TCanvas*) {}

  bool FTransparentMode = false;
  int32_t FSavedMaxWidth = 0, FSavedMinWidth = 0, FSavedMaxHeight = 0, FSavedMinHeight = 0;
  bool FCheckedMode = false, FChecked = false;
  std::unique_ptr<TBitmap> FGlyph;
  int32_t FNumGlyphs = 1;
  int32_t FSpacing = 2;
  int32_t FRealHeight = -1;
  bool FRollUpState = false, FRollUpMode = false, FCaptionMode = false;
  TbsSkinBorderStyle FBorderStyle = TbsSkinBorderStyle::bvFrame;
  int32_t FDefaultCaptionHeight = 22;
  TAlignment FDefaultAlignment = TAlignment::taLeftJustify;
  bool FAutoEnabledControls = true;
  TCustomImageList* FCaptionImageList = nullptr;
  int32_t FCaptionImageIndex = -1;
  String FSkinFontName;
  TFontStyles FSkinFontStyle;
  int32_t FSkinFontHeight = 0;
  TColor FSkinFontColor = 0;
  TAlignment FSkinAlignment = TAlignment::taLeftJustify;
  TRect FSkinCaptionRect, FCaptionRect;
  int32_t FBGPictureIndex = -1;
  TRect FCheckImageRect, FUnCheckImageRect;
  TRect FMarkFrameRect, FFrameRect;
  int32_t FFrameLeftOffset = 0, FFrameRightOffset = 0;
  TRect FFrameTextRect;

 private:
  bool HasListImage() const;
  int32_t GlyphWidth() const;
  // How far the text sits right of the picture (0 without one).
  int32_t PictureAdvance() const;
  int32_t DrawCaptionPicture(TCanvas* C, int32_t X, const TRect& Area);
  // Text width plus the glyph's (not the list image's) and Spacing.
  int32_t CaptionBlockWidth(TCanvas* C);
  static int32_t AlignedX(TAlignment Alignment, const TRect& Area, int32_t BlockWidth, int32_t LeftPad);
  int32_t DrawCheckImage(TCanvas* C, int32_t X, const TRect& Area);
  void DrawRollUpArrow(TCanvas* C, const TRect& Cell, TColor Color);
  void DrawDefaultCaption(TCanvas* C);
  void DrawSkinCaption(TCanvas* C);
  void DrawCaptionFrame(TCanvas* C, int32_t& TextX, int32_t& PictureX, int32_t TextWidth);
  void PaintTransparentFrame();
  void PaintTransparentGroupBox();
  void PrepareCaptionFont(TFont* F);
  TColor FrameColor() const;
  TColor TransparentTextColor() const;
  void ApplyRollUp();
  void RestoreConstraints();
  void SetChildrenVisible(bool Value);
  bool CaptionHit(int32_t X, int32_t Y) const;
  TBitmap* BGPicture() const;

  bool FRollUpAlignDisabled = false;
};

class TbsSkinGroupBox : public TbsSkinPanel {
 public:
  explicit TbsSkinGroupBox(TComponent* AOwner);
  const char* ClassName() const override { return "TbsSkinGroupBox"; }
};
