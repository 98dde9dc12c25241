#include "skin/controls/skinpanel.h"

#include "platform/gui/gdi.h"
#include "platform/gui/syscolors.h"
#include "platform/gui/windows.h"
#include "platform/rtl/arith.h"
#include "platform/vcl/messages.h"
#include "skin/engine/data/skindraw.h"
#include "skin/engine/data/skinimage.h"
#include "skin/engine/data/skinmessages.h"

// ---- Fills --------------------------------------------------------------------------

namespace {

void DrawRepeated(TCanvas* C, TBitmap* Tile, const TRect& Area, int32_t Columns, int32_t Rows) {
  for (int32_t j = 0; j < Rows; ++j)
    for (int32_t i = 0; i < Columns; ++i) C->Draw(Area.Left + i * Tile->Width(), Area.Top + j * Tile->Height(), Tile);
}

// Tiles Tile over Area from its top-left: size div tile size + 1 copies each way.
void TileOver(TCanvas* C, TBitmap* Tile, const TRect& Area) {
  const int32_t tw = Tile->Width(), th = Tile->Height();
  if (tw <= 0 || th <= 0) return;
  DrawRepeated(C, Tile, Area, Div(RectWidth(Area), tw) + 1, Div(RectHeight(Area), th) + 1);
}

}  // namespace

void FillSkinTiles(TCanvas* C, TBitmap* Tile, const TRect& Area, bool Stretch, TbsStretchType Type) {
  const int32_t tw = Tile->Width(), th = Tile->Height();
  const int32_t aw = RectWidth(Area), ah = RectHeight(Area);
  if (tw <= 0 || th <= 0 || aw <= 0 || ah <= 0) return;
  if (!Stretch) {
    TileOver(C, Tile, Area);
    return;
  }
  TBitmap band;
  switch (Type) {
    case TbsStretchType::stFull: C->StretchDraw(Area, Tile); break;
    case TbsStretchType::stHorz:
      band.SetSize(tw, ah);
      band.Canvas()->StretchDraw(TRect{0, 0, tw, ah}, Tile);
      TileOver(C, &band, Area);
      break;
    case TbsStretchType::stVert:
      band.SetSize(aw, th);
      band.Canvas()->StretchDraw(TRect{0, 0, aw, th}, Tile);
      TileOver(C, &band, Area);
      break;
  }
}

void FillSkinPart(TCanvas* C, TBitmap* Picture, const TRect& SrcRect, const TRect& Area, bool Stretch,
                  TbsStretchType Type) {
  if (Picture == nullptr || IsNullRect(SrcRect)) return;
  TBitmap tile;
  tile.SetSize(RectWidth(SrcRect), RectHeight(SrcRect));
  tile.Canvas()->CopyRect(TRect{0, 0, tile.Width(), tile.Height()}, Picture->Canvas(), SrcRect);
  FillSkinTiles(C, &tile, Area, Stretch, Type);
}

void TbsPanelFrame::DrawFixed(TBitmap* B, TBitmap* Picture, const TRect& SkinRect) {
  B->SetSize(RectWidth(SkinRect), RectHeight(SkinRect));
  B->Canvas()->CopyRect(TRect{0, 0, B->Width(), B->Height()}, Picture->Canvas(), SkinRect);
}

void TbsPanelFrame::DrawFree(TBitmap* B, TBitmap* Picture, const TRect& SkinRect, const TRect& ClientRect) {
  BuildStretchedSkinImage(B, Picture, SkinRect, ClientRect, true);
}

void TbsPanelFrame::DrawClientPart(TCanvas* C, TBitmap* Picture, const TRect& SkinRect, const TRect& ClientRect,
                                   const TRect& Area, bool Stretch, TbsStretchType Type) {
  const TRect src{SkinRect.Left + ClientRect.Left, SkinRect.Top + ClientRect.Top, SkinRect.Left + ClientRect.Right,
                  SkinRect.Top + ClientRect.Bottom};
  FillSkinPart(C, Picture, src, Area, Stretch, Type);
}

// ---- Construction and properties ------------------------------------------------------

TbsSkinPanel::TbsSkinPanel(TComponent* AOwner) : TbsSkinCustomControl(AOwner), FGlyph(std::make_unique<TBitmap>()) {
  SetControlStyle(TControlStyle{TControlStyleItem::csAcceptsControls, TControlStyleItem::csCaptureMouse,
                                TControlStyleItem::csClickEvents, TControlStyleItem::csSetCaption,
                                TControlStyleItem::csOpaque, TControlStyleItem::csDoubleClicks,
                                TControlStyleItem::csReplicatable});
  FPaintInStrips = true;
  SetBounds(Left(), Top(), 150, 150);
  FSizedClientRect = NullRect();
  SetSkinDataName("panel");
}

TbsSkinPanel::~TbsSkinPanel() = default;

void TbsSkinPanel::Notification(TComponent* AComponent, TOperation Operation) {
  TbsSkinCustomControl::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FCaptionImageList) FCaptionImageList = nullptr;
}

void TbsSkinPanel::SetTransparentMode(bool Value) {
  if (Value == FTransparentMode) return;
  FTransparentMode = Value;
  Repaint();
  if (!ComponentState().Contains(TComponentStateItem::csDesigning) &&
      !ComponentState().Contains(TComponentStateItem::csLoading))
    BroadcastParentChanged();
}

void TbsSkinPanel::SetCaptionImageList(TCustomImageList* Value) {
  if (Value == FCaptionImageList) return;
  if (FCaptionImageList != nullptr) FCaptionImageList->RemoveFreeNotification(this);
  FCaptionImageList = Value;
  if (Value != nullptr) Value->FreeNotification(this);
  Repaint();
}

void TbsSkinPanel::SetCaptionImageIndex(int32_t Value) {
  if (Value == FCaptionImageIndex) return;
  FCaptionImageIndex = Value;
  Repaint();
}

void TbsSkinPanel::SetCheckedMode(bool Value) {
  FCheckedMode = Value;
  Repaint();
}

void TbsSkinPanel::SetGlyph(TBitmap* Value) {
  FGlyph->Assign(Value);
  Repaint();
}

void TbsSkinPanel::SetNumGlyphs(int32_t Value) {
  FNumGlyphs = Value < 1 ? 1 : (Value > 2 ? 2 : Value);
  Repaint();
}

void TbsSkinPanel::SetSpacing(int32_t Value) {
  FSpacing = Value;
  Repaint();
}

void TbsSkinPanel::SetChecked(bool Value) {
  FChecked = Value;
  if (FCheckedMode) Repaint();
  if (FAutoEnabledControls && FCheckedMode)
    for (int32_t i = 0; i < ControlCount(); ++i) Controls(i)->SetEnabled(Value);
  if (OnChecked) OnChecked(this);
}

void TbsSkinPanel::SetDefaultAlignment(TAlignment Value) {
  FDefaultAlignment = Value;
  if (FSkinIndex == -1 && FCaptionMode) Repaint();
}

void TbsSkinPanel::SetRollUpMode(bool Value) {
  FRollUpMode = Value;
  if (FSkinIndex == -1 && FCaptionMode) Repaint();
}

void TbsSkinPanel::SetBorderStyle(TbsSkinBorderStyle Value) {
  FBorderStyle = Value;
  if (FSkinIndex != -1) return;
  Repaint();
  Realign();
}

void TbsSkinPanel::SetDefaultCaptionHeight(int32_t Value) {
  FDefaultCaptionHeight = Value;
  if (FSkinIndex != -1 || !FCaptionMode) return;
  Repaint();
  Realign();
}

void TbsSkinPanel::SetCaptionMode(bool Value) {
  FCaptionMode = Value;
  Repaint();
  Realign();
}

// ---- Roll-up ------------------------------------------------------------------------

void TbsSkinPanel::SetChildrenVisible(bool Value) {
  for (int32_t i = 0; i < ControlCount(); ++i) Controls(i)->SetVisible(Value);
}

void TbsSkinPanel::ApplyRollUp() {
  GetSkinData();
  if (FRollUpState && FRealHeight == -1) {
    int32_t w = Width(), h = Height();
    CalcSize(w, h);
    FRealHeight = Height();
    if (!FRollUpAlignDisabled) DisableAlign();
    FRollUpAlignDisabled = true;
    SetChildrenVisible(false);
    SetHeight(FSkinIndex == -1 ? FDefaultCaptionHeight + 1 : Height() - RectHeight(FSizedClientRect));
  } else if (!FRollUpState && FRealHeight != -1) {
    SetHeight(FRealHeight);
    FRealHeight = -1;
    SetChildrenVisible(true);
    if (FRollUpAlignDisabled) EnableAlign();
    FRollUpAlignDisabled = false;
  }
}

void TbsSkinPanel::SetRollUpState(bool Value) {
  if (Value == FRollUpState) return;
  TSizeConstraints* c = Constraints();
  if (!FRollUpMode) {
    // A panel left rolled up when the mode went off must come down again,
    // or it stays small with its children hidden for good.
    FRollUpState = false;
    ApplyRollUp();
    RestoreConstraints();
    return;
  }
  if (Value) {
    FSavedMaxWidth = c->MaxWidth();
    FSavedMinWidth = c->MinWidth();
    FSavedMaxHeight = c->MaxHeight();
    FSavedMinHeight = c->MinHeight();
    c->SetMaxWidth(0);
    c->SetMinWidth(0);
    c->SetMaxHeight(0);
    c->SetMinHeight(0);
  }
  FRollUpState = Value;
  ApplyRollUp();
  // Coming down gives the constraints back (saving the zeroes would lose them).
  if (!Value) RestoreConstraints();
  if (OnChangeRollUpState) OnChangeRollUpState(this);
}

void TbsSkinPanel::RestoreConstraints() {
  TSizeConstraints* c = Constraints();
  c->SetMaxWidth(FSavedMaxWidth);
  c->SetMinWidth(FSavedMinWidth);
  c->SetMaxHeight(FSavedMaxHeight);
  c->SetMinHeight(FSavedMinHeight);
}

// ---- Skin data and layout -------------------------------------------------------------

void TbsSkinPanel::GetSkinData() {
  TbsSkinCustomControl::GetSkinData();
  FBGPictureIndex = -1;
  if (FSkinIndex == -1) return;
  auto* D = dynamic_cast<TbsDataSkinPanelControl*>(FSkinData->ControlDescriptions[size_t(FSkinIndex)].get());
  if (D == nullptr) return;
  FSkinCaptionRect = D->CaptionRect;
  FSkinAlignment = D->Alignment;
  FSkinFontName = D->FontName;
  FSkinFontColor = D->FontColor;
  FSkinFontStyle = D->FontStyle;
  FSkinFontHeight = D->FontHeight;
  FBGPictureIndex = D->BGPictureIndex;
  FCheckImageRect = D->CheckImageRect;
  FUnCheckImageRect = D->UnCheckImageRect;
  FMarkFrameRect = D->MarkFrameRect;
  FFrameRect = D->FrameRect;
  FFrameTextRect = D->FrameTextRect;
  FFrameLeftOffset = D->FrameLeftOffset;
  FFrameRightOffset = D->FrameRightOffset;
}

void TbsSkinPanel::ChangeSkinData() {
  TbsSkinCustomControl::ChangeSkinData();
  if (FRealHeight == -1) {
    Realign();
    return;
  }
  // Rolled up: roll up again at the new caption height, keeping the height
  // to come back to.
  const int32_t real = FRealHeight;
  FRealHeight = -1;
  ApplyRollUp();
  FRealHeight = real;
}

void TbsSkinPanel::SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) {
  TbsSkinCustomControl::SetBounds(ALeft, ATop, AWidth, AHeight);
  if (FSkinIndex == -1) Repaint();
}

void TbsSkinPanel::AdjustClientRect(TRect& Rect) {
  TbsSkinCustomControl::AdjustClientRect(Rect);
  GetSkinData();
  if (FSkinIndex == -1 || ComponentState().Contains(TComponentStateItem::csDesigning)) {
    if (FBorderStyle != TbsSkinBorderStyle::bvNone) InflateRect(Rect, -1, -1);
    if (FCaptionMode) Rect.Top += FDefaultCaptionHeight;
    return;
  }
  if (FBGPictureIndex != -1 || (FBorderStyle == TbsSkinBorderStyle::bvNone && !FCaptionMode && FResizeMode == 1)) {
    Rect = TRect{0, 0, Width(), Height()};
    return;
  }
  int32_t w = Width(), h = Height();
  CalcSize(w, h);
  Rect = FSizedClientRect;
}

void TbsSkinPanel::CreateParams(TCreateParams& Params) {
  TbsSkinCustomControl::CreateParams(Params);
  Params.WindowClass.style &= ~(CS_HREDRAW | CS_VREDRAW);
}

// ---- Mouse and messages ------------------------------------------------------------------

bool TbsSkinPanel::CaptionHit(int32_t X, int32_t Y) const {
  if (FSkinIndex != -1) return PointInRect(FCaptionRect, TPoint{X, Y});
  return PtInRect(TRect{1, 1, Width() - 1, FDefaultCaptionHeight}, TPoint{X, Y});
}

void TbsSkinPanel::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (Button == TMouseButton::mbLeft && FCaptionMode && (FRollUpMode || FCheckedMode) && CaptionHit(X, Y)) {
    if (FCheckedMode) SetChecked(!FChecked);
    if (FRollUpMode) SetRollUpState(!FRollUpState);
  }
  TbsSkinCustomControl::MouseUp(Button, Shift, X, Y);
}

void TbsSkinPanel::ParentBackgroundChanged() {
  if (!FTransparentMode) return;
  Repaint();
  BroadcastParentChanged();
}

void TbsSkinPanel::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_MOVE:
      TbsSkinCustomControl::Dispatch(Message);
      ParentBackgroundChanged();
      break;
    case CM_ENABLEDCHANGED:
      TbsSkinCustomControl::Dispatch(Message);
      Repaint();
      break;
    case CM_TEXTCHANGED:
      TbsSkinCustomControl::Dispatch(Message);
      if (FCaptionMode) Repaint();
      break;
    default: TbsSkinCustomControl::Dispatch(Message); break;
  }
}

// ---- Caption pieces ------------------------------------------------------------------

bool TbsSkinPanel::HasListImage() const {
  return FGlyph->Empty() && FCaptionImageList != nullptr && FCaptionImageIndex >= 0 &&
         FCaptionImageIndex < FCaptionImageList->Count();
}

int32_t TbsSkinPanel::GlyphWidth() const { return FGlyph->Empty() ? 0 : Div(FGlyph->Width(), FNumGlyphs); }

// Draws the image-list image or the glyph at X, vertically centred in Area;
// answers how far the text moves right (0 without a picture).
int32_t TbsSkinPanel::DrawCaptionPicture(TCanvas* C, int32_t X, const TRect& Area) {
  const int32_t mid = Area.Top + Div(RectHeight(Area), 2);
  if (HasListImage()) {
    FCaptionImageList->Draw(C, X, mid - Div(FCaptionImageList->Height(), 2), FCaptionImageIndex, true);
    return FCaptionImageList->Width() + FSpacing;
  }
  if (FGlyph->Empty()) return 0;
  const int32_t index = !Enabled() && FNumGlyphs == 2 ? 2 : 1;
  DrawStripGlyph(C, X, mid - Div(FGlyph->Height(), 2), FGlyph.get(), FNumGlyphs, index);
  return GlyphWidth() + FSpacing;
}

int32_t TbsSkinPanel::CaptionBlockWidth(TCanvas* C) {
  const int32_t glyph = FGlyph->Empty() ? 0 : GlyphWidth() + FSpacing;
  return C->TextWidth(Caption()) + glyph;
}

int32_t TbsSkinPanel::AlignedX(TAlignment Alignment, const TRect& Area, int32_t BlockWidth, int32_t LeftPad) {
  switch (Alignment) {
    case TAlignment::taRightJustify: return Area.Right - BlockWidth;
    case TAlignment::taCenter: return Area.Left + LeftPad + Div(RectWidth(Area), 2) - Div(BlockWidth, 2);
    default: return Area.Left + LeftPad;
  }
}

// The check or uncheck image of the skin picture, its bottom-left pixel
// transparent, at X, vertically centred in Area; answers its width.
int32_t TbsSkinPanel::DrawCheckImage(TCanvas* C, int32_t X, const TRect& Area) {
  const TRect& src = FChecked ? FCheckImageRect : FUnCheckImageRect;
  if (FPicture == nullptr || IsNullRect(src)) return 0;
  TBitmap image;
  image.SetPixelFormat(TPixelFormat::pf24bit);
  image.SetSize(RectWidth(src), RectHeight(src));
  image.Canvas()->CopyRect(TRect{0, 0, image.Width(), image.Height()}, FPicture->Canvas(), src);
  image.SetTransparent(true);
  C->Draw(X, Area.Top + Div(RectHeight(Area), 2) - Div(image.Height(), 2), &image);
  return image.Width();
}

void TbsSkinPanel::DrawRollUpArrow(TCanvas* C, const TRect& Cell, TColor Color) {
  DrawArrow(C, Cell, Color, FRollUpState ? 4 : 3);
}

// ---- Unskinned look -----------------------------------------------------------------------

namespace {

void DrawBorder(TCanvas* C, const TRect& R, TbsSkinBorderStyle Style) {
  switch (Style) {
    case TbsSkinBorderStyle::bvFrame: DrawFrame3D(C, R, clBtnShadow, clBtnShadow); break;
    case TbsSkinBorderStyle::bvRaised: DrawFrame3D(C, R, clBtnHighlight, clBtnShadow); break;
    case TbsSkinBorderStyle::bvLowered: DrawFrame3D(C, R, clBtnShadow, clBtnHighlight); break;
    case TbsSkinBorderStyle::bvNone: break;
  }
}

// Draws the two frames of the plain caption bar; answers what lies inside.
TRect DrawDefaultCaptionBar(TCanvas* C, TbsSkinBorderStyle Style, int32_t W, int32_t H) {
  TRect R = Style == TbsSkinBorderStyle::bvFrame ? TRect{0, 0, W, H} : TRect{1, 1, W - 1, H};
  if (Style == TbsSkinBorderStyle::bvFrame) {
    DrawFrame3D(C, R, clBtnShadow, clBtnShadow);
    InflateRect(R, -1, -1);
    DrawFrame3D(C, R, clBtnHighlight, clBtnFace);
  } else {
    DrawFrame3D(C, R, clBtnShadow, clBtnHighlight);
    InflateRect(R, -1, -1);
    DrawFrame3D(C, R, clBtnHighlight, clBtnShadow);
  }
  InflateRect(R, -1, -1);
  return R;
}

}  // namespace

void TbsSkinPanel::CreateControlDefaultImage(TBitmap* B) {
  TbsSkinCustomControl::CreateControlDefaultImage(B);
  TCanvas* C = B->Canvas();
  DrawBorder(C, TRect{0, 0, Width(), Height()}, FBorderStyle);
  if (FCaptionMode) DrawDefaultCaption(C);
}

void TbsSkinPanel::DrawDefaultCaption(TCanvas* C) {
  TRect area = DrawDefaultCaptionBar(C, FBorderStyle, Width(), FDefaultCaptionHeight);
  if (FCheckedMode) area.Left += 20;
  if (FRollUpMode) area.Right -= 10;
  C->Font()->Assign(DefaultFont());
  if (FSkinData != nullptr && FSkinData->ResourceStrData() != nullptr)
    C->Font()->SetCharset(FSkinData->ResourceStrData()->CharSet());
  const String text = Caption();
  const int32_t ty = area.Top + Div(RectHeight(area), 2) - Div(C->TextHeight(text), 2);
  int32_t x = AlignedX(FDefaultAlignment, area, CaptionBlockWidth(C), 2);
  if (FCheckedMode) {
    const int32_t top = area.Top + Div(RectHeight(area), 2) - 7;
    C->Brush()->SetStyle(TBrushStyle::bsSolid);
    C->Brush()->SetColor(clBtnShadow);
    C->FrameRect(TRect{5, top, 19, top + 14});
    if (FChecked) DrawCheckMark(C, 8, top + 2, clBtnText);
  }
  x += DrawCaptionPicture(C, x, area);
  C->Brush()->SetStyle(TBrushStyle::bsClear);
  C->TextRect(area, x, ty, text);
  if (FRollUpMode) DrawRollUpArrow(C, TRect{area.Right, area.Top, area.Right + 10, area.Bottom}, clBtnText);
}

// ---- Skinned look ---------------------------------------------------------------------------

void TbsSkinPanel::CreateControlSkinImage(TBitmap* B) {
  if (FBorderStyle == TbsSkinBorderStyle::bvNone && FResizeMode == 1 && !FCaptionMode && !FStretchEffect) {
    TbsPanelFrame::DrawClientPart(B->Canvas(), FPicture, FSkinRect, FSkinClientRect,
                                  TRect{0, 0, B->Width(), B->Height()}, false, FStretchType);
    return;
  }
  TbsSkinCustomControl::CreateControlSkinImage(B);
  if (FResizeMode == 0 || FResizeMode == -1)
    FCaptionRect = FSkinCaptionRect;
  else if (!FTransparentMode)
    MapSkinRect(FSkinCaptionRect, FCaptionRect);
  if (!Caption().empty() && !IsNullRect(FSkinCaptionRect)) DrawSkinCaption(B->Canvas());
}

void TbsSkinPanel::PrepareCaptionFont(TFont* F) {
  SetSkinControlFont(F, FUseSkinFont, FSkinFontName, FSkinFontHeight, FSkinFontStyle, DefaultFont(), FSkinData);
}

void TbsSkinPanel::DrawSkinCaption(TCanvas* C) {
  TRect area = FCaptionRect;
  if (FRollUpMode) area.Right -= 12;
  if (FCheckedMode) {
    const int32_t w = DrawCheckImage(C, area.Left, area);
    area.Left += w + 2;
  }
  PrepareCaptionFont(C->Font());
  C->Font()->SetColor(FSkinFontColor);
  const String text = Caption();
  const int32_t textWidth = C->TextWidth(text);
  const int32_t ty = area.Top + Div(RectHeight(area), 2) - Div(C->TextHeight(text), 2);
  int32_t g = AlignedX(FSkinAlignment, area, CaptionBlockWidth(C), 0);
  int32_t x = g + PictureAdvance();
  if (FRollUpMode) {
    const TRect cell{area.Right, area.Top, area.Right + 10, area.Bottom};
    if (FPicture != nullptr && !IsNullRect(FMarkFrameRect)) {
      const TRect dst{cell.Left, cell.Top, cell.Left + RectWidth(FMarkFrameRect),
                      cell.Top + RectHeight(FMarkFrameRect)};
      C->CopyRect(dst, FPicture->Canvas(), FMarkFrameRect);
    }
    DrawRollUpArrow(C, cell, FSkinFontColor);
  }
  if (!IsNullRect(FFrameRect)) DrawCaptionFrame(C, x, g, textWidth);
  C->Brush()->SetStyle(TBrushStyle::bsClear);
  C->TextOut(x, ty, text);
  DrawCaptionPicture(C, g, area);
}

int32_t TbsSkinPanel::PictureAdvance() const {
  if (HasListImage()) return FCaptionImageList->Width() + FSpacing;
  return FGlyph->Empty() ? 0 : GlyphWidth() + FSpacing;
}

// The caption frame image behind the text; moves the text (TextX) and the
// picture (PictureX) into it.
void TbsSkinPanel::DrawCaptionFrame(TCanvas* C, int32_t& TextX, int32_t& PictureX, int32_t TextWidth) {
  if (FPicture == nullptr) return;
  const int32_t E = RectWidth(FFrameRect) - RectWidth(FFrameTextRect);
  TBitmap image;
  BuildHSkinImage(FFrameLeftOffset, FFrameRightOffset, &image, FPicture, FFrameRect, TextWidth + E,
                  RectHeight(FFrameRect), false);
  int32_t at = TextX;
  switch (FSkinAlignment) {
    case TAlignment::taRightJustify:
      at = TextX - E;
      TextX = TextX - E + FFrameTextRect.Left;
      PictureX -= E;
      break;
    case TAlignment::taCenter:
      at = TextX - FFrameTextRect.Left - 2;
      TextX -= 2;
      PictureX -= FFrameTextRect.Left;
      break;
    default: TextX += FFrameTextRect.Left; break;
  }
  C->Draw(at, FSkinCaptionRect.Top, &image);
}

// ---- Painting ---------------------------------------------------------------------------

TBitmap* TbsSkinPanel::BGPicture() const { return SkinActivePicture(FSkinData, FBGPictureIndex); }

void TbsSkinPanel::Paint() {
  if (Width() < 1 || Height() < 1) return;
  GetSkinData();
  if (FTransparentMode && FSkinIndex != -1) {
    if (FCaptionMode)
      PaintTransparentGroupBox();
    else
      PaintTransparentFrame();
    return;
  }
  int32_t w = Width(), h = Height();
  CalcSize(w, h);
  const TRect whole{0, 0, Width(), Height()};
  if (FSkinIndex == -1 || (!FPaintInStrips && FStretchEffect) || FPicture == nullptr) {
    TbsSkinCustomControl::Paint();
  } else if (FBorderStyle == TbsSkinBorderStyle::bvNone && FResizeMode == 1 && !FCaptionMode && FPaintInStrips) {
    const bool full = FStretchEffect && FStretchType == TbsStretchType::stFull;
    TbsPanelFrame::DrawClientPart(Canvas(), FPicture, FSkinRect, FSkinClientRect, full ? FSizedClientRect : whole,
                                  FStretchEffect, FStretchType);
  } else if (BGPicture() == nullptr) {
    TbsSkinCustomControl::Paint();
  } else {
    TBitmap* picture = BGPicture();
    FillSkinPart(Canvas(), picture, TRect{0, 0, picture->Width(), picture->Height()}, whole, FStretchEffect,
                 FStretchType);
  }
}

TColor TbsSkinPanel::FrameColor() const {
  if (FPicture == nullptr) return clBtnShadow;
  return FPicture->Canvas()->Pixels(FSkinRect.Left + Div(RectWidth(FSkinRect), 2), FSkinRect.Bottom - 1);
}

void TbsSkinPanel::PaintTransparentFrame() {
  TBitmap B;
  B.SetSize(Width(), Height());
  PaintParentImage(this, B.Canvas());
  TCanvas* C = B.Canvas();
  if (FBorderStyle != TbsSkinBorderStyle::bvNone) {
    C->Pen()->SetWidth(1);
    C->Pen()->SetColor(FrameColor());
    C->Brush()->SetStyle(TBrushStyle::bsClear);
    C->Rectangle(TRect{0, 0, Width(), Height()});
  }
  PaintTransparentExtra(C);
  Canvas()->Draw(0, 0, &B);
}

TColor TbsSkinPanel::TransparentTextColor() const {
  const int32_t index = SkinDescriptionIndex(FSkinData, "stdlabel");
  auto* D = index == -1
                ? nullptr
                : dynamic_cast<TbsDataSkinStdLabelControl*>(FSkinData->ControlDescriptions[size_t(index)].get());
  if (D != nullptr) return D->FontColor;
  return FSkinData != nullptr ? FSkinData->SkinColors.CBtnText : clBtnText;
}

namespace {

void Line(TCanvas* C, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2) {
  C->MoveTo(X1, Y1);
  C->LineTo(X2, Y2);
}

}  // namespace

void TbsSkinPanel::PaintTransparentGroupBox() {
  TBitmap B;
  B.SetSize(Width(), Height());
  PaintParentImage(this, B.Canvas());
  TCanvas* C = B.Canvas();
  C->Pen()->SetWidth(1);
  C->Pen()->SetColor(FrameColor());
  C->Brush()->SetStyle(TBrushStyle::bsClear);
  PrepareCaptionFont(C->Font());
  const TColor textColor = TransparentTextColor();
  C->Font()->SetColor(textColor);
  const String text = Caption();
  const int32_t th = C->TextHeight(text), W = Width(), H = Height();
  FCaptionRect = TRect{5, 0, W, th + 5};
  int32_t x = 5;
  if (FCheckedMode) x += DrawCheckImage(C, x, FCaptionRect) + 5;
  const int32_t advance = PictureAdvance();
  if (advance > 0) x += DrawCaptionPicture(C, x, FCaptionRect) - FSpacing + 2;
  C->Brush()->SetStyle(TBrushStyle::bsClear);
  DrawTextVCenter(C, text, TRect{x, 0, W, th + 5});
  const int32_t T = C->TextWidth(text), M = Div(th + 5, 2);
  if (FRollUpMode) {
    DrawRollUpArrow(C, TRect{x + T + 3, 0, x + T + 10, th + 5}, textColor);
    Line(C, x + T + 12, M, W, M);
  } else {
    Line(C, x + T + 3, M, W, M);
  }
  Line(C, 0, M, 4, M);
  C->Polyline({TPoint{W - 1, M}, TPoint{W - 1, H - 1}, TPoint{0, H - 1}, TPoint{0, M}});
  PaintTransparentExtra(C);
  Canvas()->Draw(0, 0, &B);
}

// ---- Group box ----------------------------------------------------------------------------

TbsSkinGroupBox::TbsSkinGroupBox(TComponent* AOwner) : TbsSkinPanel(AOwner) {
  SetSkinDataName("groupbox");
  SetCaptionMode(true);
}
