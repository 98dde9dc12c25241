// A one-line caption in a skinned frame (aligned, optionally cut with "..."
// and widening to fit), and the status panel that shows a picture before it.
#pragma once

#include <cstdint>
#include <memory>

#include "skin/controls/base/skinctrls.h"
#include "skin/controls/skinborderstyle.h"

class TCustomImageList;

enum class TbsEllipsType2 : uint8_t { bsetNoneEllips, bsetEllips };

class TbsSkinLabel : public TbsSkinCustomControl {
 public:
  explicit TbsSkinLabel(TComponent* AOwner);
  const char* ClassName() const override { return "TbsSkinLabel"; }

  TbsEllipsType2 EllipsType() const { return FEllipsType; }
  void SetEllipsType(TbsEllipsType2 Value);
  bool UseSkinSize() const { return FUseSkinSize; }
  void SetUseSkinSize(bool Value) { FUseSkinSize = Value; }
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  TbsSkinBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TbsSkinBorderStyle Value);
  bool UseSkinFontColor() const { return FUseSkinFontColor; }
  void SetUseSkinFontColor(bool Value) { FUseSkinFontColor = Value; }
  // True fits the width to the caption at once, also when it was True.
  void SetAutoSize(bool Value) override;

  void GetSkinData() override;
  // Widens AWidth (never narrows it) when the caption needs more room.
  void CalcSize(int32_t& AWidth, int32_t& AHeight) override;
  void SetControlRegion() override;
  // The caption's width (and picture's) less the room it has; 0 for a
  // fixed-size description.
  virtual int32_t GetAutoSizeDelta();
  void Dispatch(TMessage& Message) override;

 protected:
  // Grows or shrinks the width by the auto-size delta, unless the width
  // belongs to the parent's alignment.
  void AdjustSize() override;
  void CreateControlDefaultImage(TBitmap* B) override;
  void CreateControlSkinImage(TBitmap* B) override;
  // The skin frame alone; the caption's rectangle.
  TRect CreateFrameImage(TBitmap* B, bool AllowFreeSize);
  // The plain frame by BorderStyle; the caption's rectangle.
  TRect CreatePlainFrame(TBitmap* B);
  // The caption aligned in R, cut to R's width with bsetEllips.
  void DrawLabelText(TCanvas* C, const TRect& R);
  void PrepareFont(TFont* F);
  int32_t CaptionWidth();
  bool Skinned() const { return FSkinIndex != -1; }

 private:
  // Geometry for the proposed size, without the auto-size growth.
  void CalcLabelGeometry(int32_t& AWidth, int32_t& AHeight);
  bool WidthFollowsCaption() const;

  TbsEllipsType2 FEllipsType = TbsEllipsType2::bsetNoneEllips;
  bool FUseSkinSize = true;
  TAlignment FAlignment = TAlignment::taLeftJustify;
  TbsSkinBorderStyle FBorderStyle = TbsSkinBorderStyle::bvFrame;
  bool FUseSkinFontColor = true;
  // From a label description.
  bool FHasSkinFont = false;
  String FFontName;
  TFontStyles FFontStyle;
  int32_t FFontHeight = 0;
  TColor FFontColor = 0;
};

class TbsSkinStatusPanel : public TbsSkinLabel {
 public:
  explicit TbsSkinStatusPanel(TComponent* AOwner);
  const char* ClassName() const override { return "TbsSkinStatusPanel"; }

  TCustomImageList* ImageList() const { return FImageList; }
  void SetImageList(TCustomImageList* Value);
  int32_t ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int32_t Value);
  TBitmap* Glyph() const { return FGlyph.get(); }
  void SetGlyph(TBitmap* Value);
  // Images in the glyph strip: 1, or 2 with the disabled one second.
  int32_t NumGlyphs() const { return FNumGlyphs; }
  void SetNumGlyphs(int32_t Value);

  int32_t GetAutoSizeDelta() override;
  void Dispatch(TMessage& Message) override;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void CreateControlDefaultImage(TBitmap* B) override;
  void CreateControlSkinImage(TBitmap* B) override;

 private:
  bool ShowsListImage() const;
  // The picture's width plus its gap; 0 without a picture.
  int32_t PictureRoom() const;
  // The picture at X, centred vertically in Area; answers how far the
  // caption moves right.
  int32_t DrawPicture(TCanvas* C, const TRect& Area, int32_t X);
  void PictureChanged();

  TCustomImageList* FImageList = nullptr;
  int32_t FImageIndex = -1;
  std::unique_ptr<TBitmap> FGlyph;
  int32_t FNumGlyphs = 1;
};
