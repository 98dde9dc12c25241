#include "skin/controls/skinlabels.h"

#include "platform/gui/gdi.h"
#include "platform/gui/syscolors.h"
#include "platform/gui/text.h"
#include "platform/gui/windows.h"
#include "platform/shellapi/shellapi.h"
#include "platform/vcl/messages.h"

namespace {

// Text in the font's colour, or embossed in the highlight and shadow
// colours (the skin's when skinned) while disabled.
void DrawLabelText(TCanvas* C, const String& Text, TRect& Rect, uint32_t Flags, bool Enabled, bool Ellipsis,
                   const TbsLabelSkin& Skin) {
  const TColor textColor = C->Font()->Color();
  HDC dc = C->Handle();
  SetBkMode(dc, TRANSPARENT);
  auto draw = [&](TRect& R, TColor Color) {
    SetTextColor(dc, ColorToRGB(Color));
    String s = Text;
    if (Ellipsis)
      DrawTextEx(dc, s, &R, Flags, nullptr);
    else
      DrawText(dc, s, &R, Flags);
  };
  if (Enabled || (Flags & DT_CALCRECT) != 0) {
    draw(Rect, textColor);
    return;
  }
  TRect shifted{Rect.Left + 1, Rect.Top + 1, Rect.Right + 1, Rect.Bottom + 1};
  draw(shifted, Skin.Skinned() ? Skin.SkinData->SkinColors.CBtnHighLight : clBtnHighlight);
  draw(Rect, Skin.Skinned() ? Skin.SkinData->SkinColors.CBtnShadow : clBtnShadow);
}

}  // namespace

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
  if ((Flags & DT_CALCRECT) != 0 && (text.empty() || (ShowAccelChar() && text == "&"))) text = String(1, ' ');
  if (!ShowAccelChar()) Flags |= DT_NOPREFIX;
  const uint32_t ellipsis = EllipsisFlag();
  Flags |= ellipsis;
  TCanvas* C = Canvas();
  PrepareFont(C->Font());
  DrawLabelText(C, text, Rect, Flags, Enabled(), ellipsis != 0, FSkin);
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

// ---- TbsSkinTextLabel --------------------------------------------------------------------

TbsSkinTextLabel::TbsSkinTextLabel(TComponent* AOwner)
    : TGraphicControl(AOwner), FLines(std::make_unique<TStringList>()) {
  TControlStyle style = ControlStyle();
  style.Exclude(TControlStyleItem::csOpaque);
  style.Include(TControlStyleItem::csReplicatable);
  SetControlStyle(style);
  SetBounds(Left(), Top(), 65, 65);
  SetAutoSize(true);
  FLines->OnChange = [this](TObject*) {
    AdjustBounds();
    Invalidate();
  };
  Font()->OnChange = [this](TObject*) {
    AdjustBounds();
    Invalidate();
  };
}

TbsSkinTextLabel::~TbsSkinTextLabel() {
  FLines->OnChange = nullptr;
  Font()->OnChange = nullptr;
}

void TbsSkinTextLabel::SetSkinData(TbsSkinData* Value) {
  ReplaceSkinDataReference(this, FSkin.SkinData, Value);
  if (Value != nullptr) ChangeSkinData();
}

void TbsSkinTextLabel::ChangeSkinData() {
  FSkin.LookUp();
  AdjustBounds();
  Repaint();
}

void TbsSkinTextLabel::Notification(TComponent* AComponent, TOperation Operation) {
  TGraphicControl::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FSkin.SkinData) {
    FSkin.SkinData = nullptr;
    FSkin.Index = -1;
  }
}

void TbsSkinTextLabel::SetLines(TStringList* Value) {
  FLines->Assign(Value);
  Repaint();
}

void TbsSkinTextLabel::SetAlignment(TAlignment Value) {
  if (Value == FAlignment) return;
  FAlignment = Value;
  Invalidate();
}

void TbsSkinTextLabel::SetLayout(TTextLayout Value) {
  if (Value == FLayout) return;
  FLayout = Value;
  Invalidate();
}

void TbsSkinTextLabel::SetWordWrap(bool Value) {
  if (Value == FWordWrap) return;
  FWordWrap = Value;
  AdjustBounds();
  Invalidate();
}

void TbsSkinTextLabel::PrepareFont(TFont* F) {
  F->Assign(FSkin.Skinned() || !FSkin.UseSkinFont ? Font() : FSkin.DefaultFont.get());
  if (!FSkin.Skinned()) return;
  SetSkinControlFont(F, FSkin.UseSkinFont, FSkin.FontName, FSkin.FontHeight, FSkin.FontStyle, Font(), FSkin.SkinData);
  F->SetColor(FUseSkinColor ? FSkin.FontColor : Font()->Color());
}

uint32_t TbsSkinTextLabel::Flags() const {
  const uint32_t align = FAlignment == TAlignment::taRightJustify ? DT_RIGHT
                         : FAlignment == TAlignment::taCenter     ? DT_CENTER
                                                                  : DT_LEFT;
  return DT_EXPANDTABS | align | (FWordWrap ? DT_WORDBREAK : 0);
}

void TbsSkinTextLabel::Paint() {
  FSkin.LookUp();
  TCanvas* C = Canvas();
  PrepareFont(C->Font());
  C->Brush()->SetStyle(TBrushStyle::bsClear);
  const String text = FLines->Text();
  TRect R = ClientRect();
  if (FLayout != TTextLayout::tlTop) {
    TRect calc = R;
    DrawLabelText(C, text, calc, Flags() | DT_CALCRECT, true, false, FSkin);
    const int32_t bottom = calc.Bottom - C->TextHeight("A");
    const int32_t room = Height() - bottom;
    OffsetRect(R, 0, FLayout == TTextLayout::tlBottom ? room : room / 2);
  }
  DrawLabelText(C, text, R, Flags(), Enabled(), false, FSkin);
}

void TbsSkinTextLabel::AdjustBounds() {
  if (!AutoSize() || ComponentState().Contains(TComponentStateItem::csReading)) return;
  TBitmap screen;
  screen.SetSize(1, 1);
  TCanvas* C = screen.Canvas();
  FSkin.LookUp();
  PrepareFont(C->Font());
  TRect R = ClientRect();
  DrawLabelText(C, FLines->Text(), R, DT_CALCRECT | DT_EXPANDTABS | (FWordWrap ? DT_WORDBREAK : 0), true, false, FSkin);
  const int32_t w = R.Right, h = R.Bottom - C->TextHeight("A");
  const int32_t left = FAlignment == TAlignment::taRightJustify ? Left() + Width() - w : Left();
  SetBounds(left, Top(), w, h);
}
