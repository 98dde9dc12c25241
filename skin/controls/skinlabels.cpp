#include "skin/controls/skinlabels.h"

#include "platform/gui/gdi.h"
#include "platform/gui/syscolors.h"
#include "platform/gui/text.h"
#include "platform/gui/windows.h"
#include "platform/shellapi/shellapi.h"
#include "platform/vcl/messages.h"

// ---- TbsLabelSkin ----------------------------------------------------------------------

TbsLabelSkin::TbsLabelSkin() : DefaultFont(CreateSkinDefaultFont()) {}

void TbsLabelSkin::LookUp() {
  Index = SkinDescriptionIndex(SkinData, SkinDataName);
  if (Index == -1) return;
  auto* D = dynamic_cast<TbsDataSkinStdLabelControl*>(SkinData->ControlDescriptions[size_t(Index)].get());
  if (D == nullptr) return;
  FontName = D->FontName;
  FontStyle = D->FontStyle;
  FontHeight = D->FontHeight;
  FontColor = D->FontColor;
  ActiveFontColor = D->ActiveFontColor;
}

// ---- TbsSkinCustomLabel ------------------------------------------------------------------

TbsSkinCustomLabel::TbsSkinCustomLabel(TComponent* AOwner) : TCustomLabel(AOwner) { SetTransparent(true); }

void TbsSkinCustomLabel::SetSkinData(TbsSkinData* Value) {
  ReplaceSkinDataReference(this, FSkin.SkinData, Value);
  if (Value != nullptr) ChangeSkinData();
}

void TbsSkinCustomLabel::ChangeSkinData() {
  FSkin.LookUp();
  if (AutoSize()) AdjustSize();
  Repaint();
}

void TbsSkinCustomLabel::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomLabel::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FSkin.SkinData) {
    FSkin.SkinData = nullptr;
    FSkin.Index = -1;
  }
}

void TbsSkinCustomLabel::Paint() {
  FSkin.LookUp();
  TCustomLabel::Paint();
}

// An empty caption measures as one space; a disabled label is embossed in
// the highlight and shadow colours (the skin's when skinned).
void TbsSkinCustomLabel::DoDrawText(TRect& Rect, uint32_t Flags) {
  String text = GetLabelText();
  const bool measuring = (Flags & DT_CALCRECT) != 0;
  if (measuring && (text.empty() || (ShowAccelChar() && text == "&"))) text = " ";
  if (!ShowAccelChar()) Flags |= DT_NOPREFIX;
  const uint32_t ellipsis = EllipsisFlag();
  Flags |= ellipsis;
  TCanvas* C = Canvas();
  PrepareFont(C->Font());
  const TColor textColor = C->Font()->Color();
  HDC dc = C->Handle();
  SetBkMode(dc, TRANSPARENT);
  auto draw = [&](TRect& R, TColor Color) {
    SetTextColor(dc, ColorToRGB(Color));
    String s = text;
    if (ellipsis != 0)
      DrawTextEx(dc, s, &R, Flags, nullptr);
    else
      DrawText(dc, s, &R, Flags);
  };
  if (Enabled() || measuring) {
    draw(Rect, textColor);
    return;
  }
  const bool skinned = FSkin.Skinned();
  TRect shifted{Rect.Left + 1, Rect.Top + 1, Rect.Right + 1, Rect.Bottom + 1};
  draw(shifted, skinned ? FSkin.SkinData->SkinColors.CBtnHighLight : clBtnHighlight);
  draw(Rect, skinned ? FSkin.SkinData->SkinColors.CBtnShadow : clBtnShadow);
}

// ---- TbsSkinStdLabel ---------------------------------------------------------------------

TbsSkinStdLabel::TbsSkinStdLabel(TComponent* AOwner) : TbsSkinCustomLabel(AOwner) {}

void TbsSkinStdLabel::SetEllipsType(TbsEllipsType Value) {
  if (Value == FEllipsType) return;
  FEllipsType = Value;
  Invalidate();
}

uint32_t TbsSkinStdLabel::EllipsisFlag() const {
  switch (FEllipsType) {
    case TbsEllipsType::bsetEndEllips: return DT_END_ELLIPSIS;
    case TbsEllipsType::bsetPathEllips: return DT_PATH_ELLIPSIS;
    default: return 0;
  }
}

void TbsSkinStdLabel::PrepareFont(TFont* F) {
  if (!FSkin.Skinned()) {
    F->Assign(FSkin.UseSkinFont ? FSkin.DefaultFont.get() : Font());
    return;
  }
  F->Assign(Font());
  SetSkinControlFont(F, FSkin.UseSkinFont, FSkin.FontName, FSkin.FontHeight, FSkin.FontStyle, Font(), FSkin.SkinData);
  F->SetColor(FUseSkinColor ? FSkin.FontColor : Font()->Color());
}

// ---- TbsSkinLinkLabel --------------------------------------------------------------------

TbsSkinLinkLabel::TbsSkinLinkLabel(TComponent* AOwner) : TbsSkinCustomLabel(AOwner) {
  TFontStyles underlined;
  underlined.Include(TFontStyle::fsUnderline);
  FSkin.DefaultFont->SetStyle(underlined);
  Font()->Assign(FSkin.DefaultFont.get());
  SetCursor(crHandPoint);
}

void TbsSkinLinkLabel::SetUseUnderLine(bool Value) {
  if (Value == FUseUnderLine) return;
  FUseUnderLine = Value;
  Repaint();
}

void TbsSkinLinkLabel::PrepareFont(TFont* F) {
  if (!FSkin.Skinned()) {
    F->Assign(FSkin.UseSkinFont ? FSkin.DefaultFont.get() : Font());
    if (FPointerInside) F->SetColor(FDefaultActiveFontColor);
  } else {
    F->Assign(Font());
    SetSkinControlFont(F, FSkin.UseSkinFont, FSkin.FontName, FSkin.FontHeight, FSkin.FontStyle, Font(), FSkin.SkinData);
    F->SetColor(FPointerInside ? FSkin.ActiveFontColor : FSkin.FontColor);
  }
  TFontStyles style = F->Style();
  if (FUseUnderLine && Enabled())
    style.Include(TFontStyle::fsUnderline);
  else
    style.Exclude(TFontStyle::fsUnderline);
  F->SetStyle(style);
}

void TbsSkinLinkLabel::Click() {
  TComponentRef<TbsSkinLinkLabel> self(this);
  TbsSkinCustomLabel::Click();
  if (self && !FURL.empty()) ShellExecute(nullptr, "open", FURL.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void TbsSkinLinkLabel::Dispatch(TMessage& Message) {
  TbsSkinCustomLabel::Dispatch(Message);
  if (Message.Msg != CM_MOUSEENTER && Message.Msg != CM_MOUSELEAVE) return;
  if (ComponentState().Contains(TComponentStateItem::csDesigning)) return;
  FPointerInside = Message.Msg == CM_MOUSEENTER;
  Repaint();
}
