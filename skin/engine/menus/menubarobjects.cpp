#include "skin/engine/menus/menubarobjects.h"

#include <algorithm>

#include "platform/gui/text.h"
#include "platform/rtl/strings.h"
#include "skin/controls/base/skinctrls.h"
#include "skin/engine/data/skindraw.h"
#include "skin/engine/data/skinimage.h"
#include "skin/engine/form/skinform.h"
#include "skin/engine/menus/effectbmp.h"
#include "skin/engine/menus/skinmainmenubar.h"

namespace {

constexpr TColor kNavy = TColor(0x800000);
constexpr TColor kPressedFill = TColor(133 | (146 << 8) | (181 << 16));
constexpr TColor kHotFill = TColor(182 | (189 << 8) | (210 << 16));

bool SkinUsable(const TbsSkinData* Skin) { return Skin != nullptr && !Skin->Empty && Skin->EnableSkinEffects(); }

TRect ScreenRect(TControl* Control, const TRect& R) {
  const TPoint p = Control->ClientToScreen(TPoint{R.Left, R.Top});
  return TRect{p.X, p.Y, p.X + RectWidth(R), p.Y + RectHeight(R)};
}

// The plain look of an object: navy frame and fill when pressed or hot,
// button face otherwise.
void FillPlainState(TCanvas* C, int32_t W, int32_t H, bool Pressed, bool Hot) {
  C->Brush()->SetStyle(TBrushStyle::bsSolid);
  if (Pressed || Hot) {
    C->Brush()->SetColor(Pressed ? kPressedFill : kHotFill);
    C->FillRect(TRect{0, 0, W, H});
    C->Brush()->SetColor(kNavy);
    C->FrameRect(TRect{0, 0, W, H});
  } else {
    C->Brush()->SetColor(clBtnFace);
    C->FillRect(TRect{0, 0, W, H});
  }
}

// Two images of one size blended by the hover transition into Target at (X, Y).
void DrawMorphed(TCanvas* Target, int32_t X, int32_t Y, TBitmap* Normal, TBitmap* Hot, double Pos, TbsMorphKind Kind) {
  auto e1 = TbsEffectBmp::CreateFromHandle(Normal->Handle());
  auto e2 = TbsEffectBmp::CreateFromHandle(Hot->Handle());
  MorphByKind(e1.get(), e2.get(), Pos, Kind);
  e1->Draw(Target->Handle(), X, Y);
}

}  // namespace

// ---- TbsMenuBarObject ----------------------------------------------------------------------

TbsMenuBarObject::TbsMenuBarObject(TbsSkinMainMenuBar* AOwner, TbsDataSkinObject* AData) : OwnerBar(AOwner) {
  if (AData == nullptr) return;
  SkinPicture = SkinActivePicture(OwnerBar->SkinData(), AData->ActivePictureIndex);
  ObjectName = AData->SectionName;
  NormalRect = AData->SkinRect;
  HotRect = AData->ActiveSkinRect;
  PressedRect = AData->ActiveSkinRect;
  BarRect = AData->SkinRect;
  // Without a hot image there is nothing to morph to.
  MorphEnabled = AData->Morphing && !IsNullRect(AData->ActiveSkinRect);
  TransitionKind = AData->MorphKind;
}

bool TbsMenuBarObject::CanMorph() const { return MorphEnabled && SkinUsable(OwnerBar->SkinData()); }

void TbsMenuBarObject::SetMorphPos(double Value) { MorphPos = std::clamp(Value, 0.0, 1.0); }

void TbsMenuBarObject::MorphStep() {
  SetMorphPos(MorphPos + (IsHot ? 0.2 : -0.2));
  OwnerBar->RedrawObject(this);
}

bool TbsMenuBarObject::MorphPending() const {
  return (!IsDown || IsNullRect(PressedRect)) && ((IsHot && MorphPos < 1) || (!IsHot && MorphPos > 0));
}

void TbsMenuBarObject::StartEffect() {
  if (CanMorph())
    OwnerBar->MorphTimer()->SetEnabled(true);
  else
    OwnerBar->RedrawObject(this);
}

void TbsMenuBarObject::MouseEnter() {
  MouseIn = true;
  IsHot = true;
  StartEffect();
}

void TbsMenuBarObject::MouseLeave() {
  MouseIn = false;
  IsHot = false;
  StartEffect();
}

// ---- TbsSkinMainMenuBarItem: state --------------------------------------------------------------

TbsSkinMainMenuBarItem::TbsSkinMainMenuBarItem(TbsSkinMainMenuBar* AOwner, TbsDataSkinMainMenuItem* AData)
    : TbsMenuBarObject(AOwner, AData), Skinned(AData != nullptr) {
  if (AData == nullptr) return;
  ItemFontName = AData->FontName;
  ItemFontHeight = AData->FontHeight;
  ItemFontStyle = AData->FontStyle;
  DisabledColor = AData->UnEnabledFontColor;
  NormalColor = AData->FontColor;
  HotColor = AData->ActiveFontColor;
  PressedColor = AData->DownFontColor;
  TextArea = AData->TextRect;
  ItemPressedRect = AData->DownRect;
  if (IsNullRect(ItemPressedRect)) ItemPressedRect = AData->ActiveSkinRect;
  if (IsNullRect(ItemPressedRect)) ItemPressedRect = AData->SkinRect;
  LeftCap = AData->ItemLeftOffset;
  RightCap = AData->ItemRightOffset;
  CapStretch = AData->StretchEffect;
  AnimRect = AData->AnimateSkinRect;
  AnimFrames = AData->FrameCount;
  AnimInterval = AData->AnimateInterval;
  InactiveAnim = AData->InActiveAnimation;
}

bool TbsSkinMainMenuBarItem::CanAnimate() const {
  return Skinned && !IsNullRect(AnimRect) && AnimFrames > 0 && SkinUsable(OwnerBar->SkinData());
}

void TbsSkinMainMenuBarItem::StartEffect() {
  if (!CanAnimate()) return TbsMenuBarObject::StartEffect();
  TTimer* timer = OwnerBar->AnimTimer();
  timer->SetInterval(uint32_t(std::max(1, AnimInterval)));
  timer->SetEnabled(true);
}

bool TbsSkinMainMenuBarItem::AnimStep() {
  if (!CanAnimate()) return false;
  if (IsHot && FrameIndex <= AnimFrames)
    ++FrameIndex;
  else if (!IsHot && FrameIndex > 0)
    --FrameIndex;
  else
    return false;
  OwnerBar->RedrawObject(this);
  return true;
}

// ---- TbsSkinMainMenuBarItem: placement and painting -------------------------------------------

void TbsSkinMainMenuBarItem::SetItemFont(TCanvas* Cnvs) const {
  TFont* f = Cnvs->Font();
  TbsSkinMainMenuBar* bar = OwnerBar;
  if (Skinned && bar->UseSkinFont()) {
    f->SetName(ItemFontName);
    f->SetStyle(ItemFontStyle);
    f->SetHeight(ItemFontHeight);
  } else {
    f->Assign(bar->DefItemFont());
  }
  TbsSkinData* skin = bar->SkinData();
  if (skin != nullptr && skin->ResourceStrData() != nullptr)
    f->SetCharset(skin->ResourceStrData()->CharSet());
  else
    f->SetCharset(bar->DefItemFont()->Charset());
}

TSize TbsSkinMainMenuBarItem::CaptionSize(TCanvas* Cnvs) const {
  TRect r{0, 0, 0, 0};
  DrawTextWide(Cnvs, UTF8ToUTF16(SourceItem != nullptr ? SourceItem->Caption() : String()), r,
               DT_CALCRECT | DT_SINGLELINE);
  return TSize{RectWidth(r), RectHeight(r)};
}

bool TbsSkinMainMenuBarItem::Place(TCanvas* Cnvs) {
  TbsSkinMainMenuBar* bar = OwnerBar;
  const TRect& area = bar->ItemsArea();
  int32_t left = area.Left;
  const int32_t self = bar->IndexOfObject(this);
  for (int32_t i = self - 1; i >= bar->ButtonCount(); --i)
    if (auto* prev = dynamic_cast<TbsSkinMainMenuBarItem*>(bar->Objects(i))) {
      if (prev->BarRect.Right != 0) left = prev->BarRect.Right;
      break;
    }
  SetItemFont(Cnvs);
  const int32_t cw = CaptionSize(Cnvs).cx;
  if (Skinned)
    BarRect = TRect{left, area.Top, left + RectWidth(NormalRect) - RectWidth(TextArea) + cw + 2,
                    area.Top + RectHeight(NormalRect)};
  else
    BarRect = TRect{left, area.Top, left + cw + 12, area.Bottom};
  const int32_t limit = area.Right - (bar->ScrollMenu() ? 5 : 0);
  if (BarRect.Right > limit) {
    bar->FHasHiddenItems = true;
    if (ShownInBar) {
      SavedEnabled = IsEnabled;
      IsEnabled = false;
      ShownInBar = false;
    }
    return false;
  }
  if (!ShownInBar) {
    ShownInBar = true;
    IsEnabled = SavedEnabled;
  }
  return true;
}

void TbsSkinMainMenuBarItem::Draw(TCanvas* Cnvs) {
  if (!Place(Cnvs)) return;
  if (Skinned)
    DrawSkinned(Cnvs);
  else
    DrawDefault(Cnvs);
}

TRect TbsSkinMainMenuBarItem::FrameRect(int32_t N) const {
  const int32_t count = std::max(1, AnimFrames);
  if (RectHeight(AnimRect) > RectHeight(NormalRect)) {
    const int32_t h = RectHeight(AnimRect) / count;
    return TRect{AnimRect.Left, AnimRect.Top + h * (N - 1), AnimRect.Right, AnimRect.Top + h * N};
  }
  const int32_t w = RectWidth(AnimRect) / count;
  return TRect{AnimRect.Left + w * (N - 1), AnimRect.Top, AnimRect.Left + w * N, AnimRect.Bottom};
}

void TbsSkinMainMenuBarItem::DrawItemImage(TCanvas* Target, TBitmap* B, const TRect& Source, bool HotStyle) {
  const int32_t w = RectWidth(BarRect), h = RectHeight(BarRect);
  B->SetSize(w, h);
  TCanvas* c = B->Canvas();
  if (OwnerBar->FItemTransparent && Source == NormalRect)
    c->CopyRect(TRect{0, 0, w, h}, Target, BarRect);
  else
    BuildHSkinImage(LeftCap, RightCap, B, SkinPicture, Source, w, h, HotStyle && CapStretch);
  B->SetSize(w, h);
  SetItemFont(c);
  c->Brush()->SetStyle(TBrushStyle::bsClear);
  const bool enabled = SourceItem == nullptr || SourceItem->Enabled();
  c->Font()->SetColor(IsDown ? PressedColor : HotStyle ? HotColor : enabled ? NormalColor : DisabledColor);
  // The caption's own width from the text area's left, centred over it.
  const TSize ext = CaptionSize(c);
  TRect r{TextArea.Left, TextArea.Top, TextArea.Left + ext.cx + 2, TextArea.Bottom};
  DrawTextWide(c, UTF8ToUTF16(SourceItem != nullptr ? SourceItem->Caption() : String()), r,
               DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void TbsSkinMainMenuBarItem::DrawSkinned(TCanvas* Cnvs) {
  if (IsNullRect(NormalRect) || IsNullRect(TextArea) || SkinPicture == nullptr) return;
  TBitmap b;
  if (IsDown) {
    DrawItemImage(Cnvs, &b, ItemPressedRect, true);
  } else if (CanAnimate() && FrameIndex >= 1 && FrameIndex <= AnimFrames) {
    DrawItemImage(Cnvs, &b, FrameRect(FrameIndex), true);
  } else if (CanMorph() && ((IsHot && MorphPos != 1) || (!IsHot && MorphPos != 0))) {
    TBitmap hot;
    DrawItemImage(Cnvs, &b, NormalRect, false);
    DrawItemImage(Cnvs, &hot, HotRect, true);
    DrawMorphed(Cnvs, BarRect.Left, BarRect.Top, &b, &hot, MorphPos, TransitionKind);
    return;
  } else if (IsHot) {
    DrawItemImage(Cnvs, &b, IsNullRect(HotRect) ? NormalRect : HotRect, true);
  } else {
    DrawItemImage(Cnvs, &b, NormalRect, false);
  }
  Cnvs->Draw(BarRect.Left, BarRect.Top, &b);
}

void TbsSkinMainMenuBarItem::DrawDefault(TCanvas* Cnvs) {
  const int32_t w = RectWidth(BarRect), h = RectHeight(BarRect);
  if (w <= 0 || h <= 0) return;
  TBitmap b;
  b.SetSize(w, h);
  TCanvas* c = b.Canvas();
  FillPlainState(c, w, h, IsDown, MouseIn);
  c->Font()->Assign(OwnerBar->DefItemFont());
  c->Brush()->SetStyle(TBrushStyle::bsClear);
  const TSize ext = CaptionSize(c);
  const int32_t shift = IsDown ? 1 : 0;
  const int32_t top = (h - ext.cy) / 2 + shift;
  TRect r{shift, top, w + shift, top + ext.cy};
  DrawTextWide(c, UTF8ToUTF16(SourceItem != nullptr ? SourceItem->Caption() : String()), r, DT_CENTER | DT_SINGLELINE);
  Cnvs->Draw(BarRect.Left, BarRect.Top, &b);
}

// ---- TbsSkinMainMenuBarItem: mouse protocol -----------------------------------------------------

void TbsSkinMainMenuBarItem::LeaveOtherHotItem() {
  for (int32_t i = 0; i < OwnerBar->ItemCount(); ++i) {
    TbsSkinMainMenuBarItem* other = OwnerBar->Items(i);
    if (other->ObjectName != ObjectName && other->IsHot) other->MouseLeave();
  }
}

void TbsSkinMainMenuBarItem::ReleaseOtherDownItem() {
  for (int32_t i = 0; i < OwnerBar->ItemCount(); ++i) {
    TbsSkinMainMenuBarItem* other = OwnerBar->Items(i);
    if (other->ObjectName != ObjectName && other->IsDown) other->SetDown(false);
  }
}

void TbsSkinMainMenuBarItem::MouseEnter() {
  bool otherDown = false;
  for (int32_t i = 0; i < OwnerBar->ItemCount(); ++i)
    if (OwnerBar->Items(i)->ObjectName != ObjectName && OwnerBar->Items(i)->IsDown) otherDown = true;
  if (otherDown) {
    // The open drop-down follows the mouse to this item.
    ReleaseOtherDownItem();
    MouseIn = true;
    IsHot = true;
    if (CanMorph()) MorphPos = 1;
    SetDown(true);
    return;
  }
  LeaveOtherHotItem();
  MouseIn = true;
  IsHot = true;
  StartEffect();
  if (OwnerBar->OnItemMouseEnter) OwnerBar->OnItemMouseEnter(SourceItem);
  if (SourceItem != nullptr && OwnerBar->Hint() != SourceItem->Hint()) OwnerBar->SetHint(SourceItem->Hint());
}

void TbsSkinMainMenuBarItem::MouseLeave() {
  IsHot = false;
  MouseIn = false;
  if (CanAnimate() && !InactiveAnim) {
    FrameIndex = 0;
    OwnerBar->RedrawObject(this);
  }
  if (CanMorph() && IsDown) MorphPos = 0;
  StartEffect();
  if (OwnerBar->OnItemMouseLeave) OwnerBar->OnItemMouseLeave(SourceItem);
}

void TbsSkinMainMenuBarItem::MouseDown(int32_t, int32_t, TMouseButton Button) {
  TbsSkinForm* form = OwnerBar->SkinForm();
  if (Button != TMouseButton::mbLeft || !IsEnabled || form == nullptr) return;
  if (HasChildren()) return SetDown(true);
  if (form->MainMenuMode()) form->EndMainMenuMode();
  // Through the form, so that the hooks and events of the menu state end too.
  if (form->SkinMenuOpen()) form->SkinMenuClosed();
  if (CanMorph())
    StartEffect();
  else
    OwnerBar->RedrawObject(this);
  if (SourceItem == nullptr) return;
  TMenu* menu = SourceItem->GetParentMenu();
  if (menu == nullptr || !menu->DispatchCommand(SourceItem->Command())) SourceItem->Click();
}

void TbsSkinMainMenuBarItem::SetDown(bool Value) {
  if (Value) {
    IsDown = true;
    MorphPos = 1;
    OwnerBar->RedrawObject(this);
    TbsSkinForm* form = OwnerBar->SkinForm();
    if (form != nullptr && !form->MainMenuMode() && form->OnMainMenuEnter) form->OnMainMenuEnter(OwnerBar);
    OpenMenu();
    return;
  }
  IsDown = false;
  IsHot = false;
  if (CanAnimate()) {
    if (InactiveAnim) {
      FrameIndex = AnimFrames + 1;
      StartEffect();
    } else {
      FrameIndex = 0;
      OwnerBar->RedrawObject(this);
    }
  } else if (CanMorph()) {
    MorphPos = 1;
    StartEffect();
  } else {
    OwnerBar->RedrawObject(this);
  }
}

void TbsSkinMainMenuBarItem::OpenMenu() {
  TbsSkinForm* form = OwnerBar->SkinForm();
  if (form == nullptr || SourceItem == nullptr) return;
  const TRect anchor = ScreenRect(OwnerBar, BarRect);
  form->SkinMenuOpened();
  form->StartMainMenuMode();
  form->SkinMenu()->Popup(nullptr, OwnerBar->SkinData(), OwnerBar->PopupToUp(), SourceItem, anchor, 0);
}

// ---- TbsSkinMainMenuBarButton -----------------------------------------------------------------

TbsSkinMainMenuBarButton::TbsSkinMainMenuBarButton(TbsSkinMainMenuBar* AOwner, TbsDataSkinButton* AData,
                                                   uint8_t ACommand)
    : TbsMenuBarObject(AOwner, AData), Skinned(AData != nullptr), ButtonCommand(ACommand) {
  if (AData == nullptr) return;
  PressedRect = AData->DownRect;
  if (auto* std = dynamic_cast<TbsDataSkinStdButton*>(AData)) ButtonCommand = uint8_t(std->Command);
}

void TbsSkinMainMenuBarButton::Draw(TCanvas* Cnvs) {
  if (!Skinned || SkinPicture == nullptr) return DrawDefault(Cnvs);
  TCanvas* picture = SkinPicture->Canvas();
  if (IsDown && !IsNullRect(PressedRect) && MouseIn) {
    Cnvs->CopyRect(BarRect, picture, PressedRect);
  } else if (CanMorph() && ((IsHot && MorphPos != 1) || (!IsHot && MorphPos != 0))) {
    const int32_t w = RectWidth(NormalRect), h = RectHeight(NormalRect);
    TBitmap normal, hot;
    normal.SetSize(w, h);
    hot.SetSize(w, h);
    normal.Canvas()->CopyRect(TRect{0, 0, w, h}, picture, NormalRect);
    hot.Canvas()->CopyRect(TRect{0, 0, w, h}, picture, HotRect);
    DrawMorphed(Cnvs, BarRect.Left, BarRect.Top, &normal, &hot, MorphPos, TransitionKind);
  } else {
    Cnvs->CopyRect(BarRect, picture, IsHot && !IsNullRect(HotRect) ? HotRect : NormalRect);
  }
}

void TbsSkinMainMenuBarButton::DrawDefault(TCanvas* Cnvs) {
  const int32_t w = RectWidth(BarRect), h = RectHeight(BarRect);
  if (w <= 0 || h <= 0) return;
  TBitmap b;
  b.SetSize(w, h);
  TCanvas* c = b.Canvas();
  const bool pressed = IsDown && MouseIn;
  FillPlainState(c, w, h, pressed, MouseIn);
  const TColor color = IsEnabled ? clBtnText : clBtnShadow;
  const int32_t x = w / 2 - (pressed ? 4 : 5), y = h / 2 - (pressed ? 3 : 4);
  switch (ButtonCommand) {
    case 0: DrawCloseGlyph(c, x, y, color); break;
    case 1: DrawRestoreGlyph(c, x, y, color); break;
    case 2: DrawMinimizeGlyph(c, x, y, color); break;
    case 3: DrawSysMenuGlyph(c, x, y, color); break;
    default: break;
  }
  Cnvs->Draw(BarRect.Left, BarRect.Top, &b);
}

void TbsSkinMainMenuBarButton::MouseEnter() {
  if (IsDown && (IsSysMenuButton() || CanMorph())) {
    MouseIn = true;
    IsHot = true;
    if (!IsSysMenuButton()) OwnerBar->RedrawObject(this);
    return;
  }
  TbsMenuBarObject::MouseEnter();
}

void TbsSkinMainMenuBarButton::MouseLeave() {
  if (IsDown && IsSysMenuButton()) {
    if (CanMorph()) MorphPos = 1;
    IsHot = false;
    MouseIn = false;
  } else if (IsDown && CanMorph()) {
    IsHot = false;
    MouseIn = false;
    OwnerBar->RedrawObject(this);
  } else {
    TbsMenuBarObject::MouseLeave();
  }
}

void TbsSkinMainMenuBarButton::MouseDown(int32_t, int32_t, TMouseButton Button) {
  if (!IsEnabled || Button != TMouseButton::mbLeft || IsDown) return;
  IsDown = true;
  if (CanMorph() && !IsNullRect(PressedRect)) MorphPos = 1;
  OwnerBar->RedrawObject(this);
  if (IsSysMenuButton()) DoCommand();
}

void TbsSkinMainMenuBarButton::MouseUp(int32_t, int32_t, TMouseButton Button) {
  if (!IsEnabled || Button != TMouseButton::mbLeft) return;
  if (IsSysMenuButton()) return;
  IsDown = false;
  OwnerBar->RedrawObject(this);
  if (CanMorph()) StartEffect();
  if (IsHot) DoCommand();
}

void TbsSkinMainMenuBarButton::DblClick() {
  if (!IsSysMenuButton()) return;
  TbsSkinForm* child = OwnerBar->MaximizedChildSkinForm();
  TbsSkinForm* form = OwnerBar->SkinForm();
  if (child == nullptr || form == nullptr) return;
  form->SkinMenu()->CloseMenu();
  form->SkinMenuClosed();
  child->OwnerForm()->Close();
}

void TbsSkinMainMenuBarButton::DoCommand() {
  TbsSkinForm* child = OwnerBar->MaximizedChildSkinForm();
  if (child == nullptr) return;
  switch (ButtonCommand) {
    case 0: child->OwnerForm()->Close(); break;
    case 1: child->SetWindowState(0); break;
    case 2: child->SetWindowState(1); break;
    case 3: {
      TbsSkinForm* form = OwnerBar->SkinForm();
      if (form == nullptr) return;
      OwnerBar->Repaint();
      TMenuItem* items = child->GetSysMenuItems();
      TbsSkinData* skin = form->MenusSkinData() != nullptr ? form->MenusSkinData() : form->SkinData();
      form->SkinMenuOpened();
      form->SkinMenu()->Popup(OwnerBar, skin, OwnerBar->PopupToUp(), items, ScreenRect(OwnerBar, BarRect), 0);
      break;
    }
    default: break;
  }
}
