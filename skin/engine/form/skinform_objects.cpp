// The frame objects: construction from their descriptions, drawing,
// morphing, the mouse and the caption commands.
#include "skin/engine/data/skindraw.h"
#include "skin/engine/form/skinform.h"
#include "skin/engine/menus/effectbmp.h"

namespace {

TBitmap* ActivePicture(TbsSkinData* Skin, int32_t Index) {
  if (Skin == nullptr || Index < 0 || Index >= int32_t(Skin->ActivePictures.size())) return nullptr;
  return Skin->ActivePictures[size_t(Index)].get();
}

std::unique_ptr<TbsEffectBmp> EffectOf(TBitmap* Picture, const TRect& Src) {
  TBitmap b;
  b.SetPixelFormat(TPixelFormat::pf24bit);
  b.SetSize(Src.Width(), Src.Height());
  b.Canvas()->CopyRect(TRect{0, 0, Src.Width(), Src.Height()}, Picture->Canvas(), Src);
  return TbsEffectBmp::CreateFromHandle(b.Handle());
}

}  // namespace

// ---- TbsActiveSkinObject ------------------------------------------------------------------------

TbsActiveSkinObject::TbsActiveSkinObject(TbsSkinForm* AForm, const TbsDataSkinObject* AData)
    : FSkinForm(AForm), FSkinRef(AForm->SkinData()) {
  if (AData == nullptr) return;
  FSectionName = AData->SectionName;
  FHintText = AData->Hint;
  FInObjectPicture = AData->SkinRectInAPicture;
  FNormalRect = AData->SkinRect;
  FHoverRect = AData->ActiveSkinRect;
  FInactiveRect = AData->InActiveSkinRect;
  FUseMorph = AData->Morphing;
  FMorphStyle = AData->MorphKind;
  FObjectPicture = ActivePicture(FSkinRef, AData->ActivePictureIndex);
  if (FObjectPicture == nullptr) FHoverRect = TRect{0, 0, 0, 0};
  if (IsRectEmpty(FHoverRect)) FUseMorph = false;
  FBounds = FNormalRect;
  if (FSkinRef != nullptr) FSourcePicture = FSkinRef->MainPicture.get();
}

bool TbsActiveSkinObject::FormActive() const { return FSkinForm->IsFormActive(); }

void TbsActiveSkinObject::Redraw() { FSkinForm->DrawObject(this); }

bool TbsActiveSkinObject::CanMorph() const {
  TbsSkinData* skin = FSkinForm->SkinData();
  return FUseMorph && skin != nullptr && !skin->Empty && skin->EnableSkinEffects();
}

void TbsActiveSkinObject::StartMorph() {
  if (CanMorph())
    FSkinForm->MorphTimer()->SetEnabled(true);
  else
    Redraw();
}

void TbsActiveSkinObject::SetMorphPos(double Value) { FMorphPos = Value < 0 ? 0 : Value > 1 ? 1 : Value; }

void TbsActiveSkinObject::MorphStep() {
  SetMorphPos(FHot ? FMorphPos + 0.2 : FMorphPos - 0.2);
  // Five steps of 0.2 must land on 0 or 1 exactly.
  if (FMorphPos > 0.99) FMorphPos = 1;
  if (FMorphPos < 0.01) FMorphPos = 0;
  Redraw();
}

bool TbsActiveSkinObject::MorphPending() { return (FHot && FMorphPos < 1) || (!FHot && FMorphPos > 0); }

void TbsActiveSkinObject::DrawImage(TCanvas* Cnvs, TBitmap* Picture, const TRect& Src) {
  if (Picture == nullptr || IsRectEmpty(Src)) return;
  Cnvs->CopyRect(TRect{FBounds.Left, FBounds.Top, FBounds.Left + Src.Width(), FBounds.Top + Src.Height()},
                 Picture->Canvas(), Src);
}

void TbsActiveSkinObject::DrawMorphed(TCanvas* Cnvs, TBitmap* Normal, const TRect& N, const TRect& H) {
  if (Normal == nullptr || FObjectPicture == nullptr || IsRectEmpty(N)) return;
  auto normal = EffectOf(Normal, N);
  auto hover = EffectOf(FObjectPicture, TRect{H.Left, H.Top, H.Left + N.Width(), H.Top + N.Height()});
  MorphByKind(normal.get(), hover.get(), FMorphPos, FMorphStyle);
  normal->Draw(Cnvs->Handle(), FBounds.Left, FBounds.Top);
}

void TbsActiveSkinObject::DrawStates(TCanvas* Cnvs, bool UpdateAll, const TRect& Normal, const TRect& Hover,
                                     const TRect& Inactive) {
  if (!FormActive() && FEnabled && !IsRectEmpty(Inactive) && FObjectPicture != nullptr) {
    DrawImage(Cnvs, FObjectPicture, Inactive);
  } else if (CanMorph() && MorphUnderWay() && !IsRectEmpty(Hover)) {
    DrawMorphed(Cnvs, NormalPicture(), Normal, Hover);
  } else if (!FHot || IsRectEmpty(Hover)) {
    // A normal image that is part of the frame picture is already there.
    if (FInObjectPicture || UpdateAll) DrawImage(Cnvs, NormalPicture(), Normal);
  } else {
    DrawImage(Cnvs, FObjectPicture, Hover);
  }
}

void TbsActiveSkinObject::Draw(TCanvas* Cnvs, bool UpdateAll) {
  DrawStates(Cnvs, UpdateAll, FNormalRect, FHoverRect, FInactiveRect);
}

void TbsActiveSkinObject::MouseDown(int32_t X, int32_t Y, TMouseButton Button) {
  FSkinForm->FireObjectMouseDown(this, X, Y, Button);
}

void TbsActiveSkinObject::MouseUp(int32_t X, int32_t Y, TMouseButton Button) {
  if (FMouseOver) FSkinForm->FireObjectMouseUp(this, X, Y, Button);
}

void TbsActiveSkinObject::MouseMove(int32_t X, int32_t Y) { FSkinForm->FireObjectMouseMove(this, X, Y); }

void TbsActiveSkinObject::MouseEnter() {
  FMouseOver = FHot = true;
  if (!IsRectEmpty(FHoverRect)) StartMorph();
  FSkinForm->FireObjectMouseEnter(this);
}

void TbsActiveSkinObject::MouseLeave() {
  FMouseOver = FHot = false;
  if (!IsRectEmpty(FHoverRect)) StartMorph();
  FSkinForm->FireObjectMouseLeave(this);
}

// ---- TbsUserObject --------------------------------------------------------------------------------

void TbsUserObject::Draw(TCanvas* Cnvs, bool) { FSkinForm->FireObjectPaint(this, Cnvs); }

// ---- TbsSkinButtonObject ------------------------------------------------------------------------

TbsSkinButtonObject::TbsSkinButtonObject(TbsSkinForm* AForm, const TbsDataSkinButton* AData)
    : TbsActiveSkinObject(AForm, AData) {
  if (AData == nullptr) return;
  FDisabledRect = AData->DisableSkinRect;
  FDownRect = AData->DownRect;
}

bool TbsSkinButtonObject::MorphPending() {
  return TbsActiveSkinObject::MorphPending() && !(FMenuItem != nullptr && FDown);
}

void TbsSkinButtonObject::Draw(TCanvas* Cnvs, bool UpdateAll) {
  if (!FEnabled && !IsRectEmpty(FDisabledRect) && FObjectPicture != nullptr)
    DrawImage(Cnvs, FObjectPicture, FDisabledRect);
  else if (FDown && FMouseOver && !IsRectEmpty(FDownRect) && FObjectPicture != nullptr)
    DrawImage(Cnvs, FObjectPicture, FDownRect);
  else
    TbsActiveSkinObject::Draw(Cnvs, UpdateAll);
}

void TbsSkinButtonObject::SetDown(bool Value) {
  FDown = Value;
  if (CanMorph() && FHot) FMorphPos = 1;
  Redraw();
  if (CanMorph() && !FDown) StartMorph();
}

void TbsSkinButtonObject::MouseDown(int32_t X, int32_t Y, TMouseButton Button) {
  if (!FEnabled) return;
  if (Button == TMouseButton::mbLeft && !FDown) {
    SetDown(true);
    ShowMenu();
  }
  TbsActiveSkinObject::MouseDown(X, Y, Button);
}

void TbsSkinButtonObject::MouseUp(int32_t X, int32_t Y, TMouseButton Button) {
  if (!FEnabled) return;
  if (Button == TMouseButton::mbLeft && FDown && FMenuItem == nullptr) SetDown(false);
  TbsActiveSkinObject::MouseUp(X, Y, Button);
}

void TbsSkinButtonObject::MouseEnter() {
  FMouseOver = FHot = true;
  if (FDown && !IsRectEmpty(FDownRect)) {
    if (CanMorph()) FMorphPos = 1;
    Redraw();
  } else if (!IsRectEmpty(FHoverRect)) {
    StartMorph();
  }
  FSkinForm->FireObjectMouseEnter(this);
}

void TbsSkinButtonObject::MouseLeave() {
  FMouseOver = FHot = false;
  if (!(FDown && FMenuItem != nullptr)) {
    Redraw();
    StartMorph();
  }
  FSkinForm->FireObjectMouseLeave(this);
}

void TbsSkinButtonObject::ShowMenu() {
  if (FMenuItem == nullptr || FMenuItem->Count() == 0) return;
  FSkinForm->PopupObjectMenu(FMenuItem, FBounds, FMenuUpwards);
}

// ---- TbsSkinStdButtonObject -------------------------------------------------------------------

TbsSkinStdButtonObject::TbsSkinStdButtonObject(TbsSkinForm* AForm, const TbsDataSkinStdButton* AData)
    : TbsSkinButtonObject(AForm, AData) {
  if (AData == nullptr) {
    FSkinSupport = false;
    FInObjectPicture = true;
    FNormalRect = FHoverRect = FInactiveRect = FBounds = TRect{0, 0, 1, 1};
    FDisabledRect = FDownRect = TRect{0, 0, 1, 1};
    return;
  }
  FButtonCommand = AData->Command;
  FRestoreNormalRect = AData->RestoreRect;
  FRestoreHoverRect = AData->RestoreActiveRect;
  FRestoreInactiveRect = AData->RestoreInActiveRect;
  FRestoreDownRect = AData->RestoreDownRect;
}

bool TbsSkinStdButtonObject::IconButton() const {
  return FButtonCommand == TbsStdCommand::cmSysMenu && FSkinForm->ShowIcon();
}

bool TbsSkinStdButtonObject::MorphPending() {
  if (IconButton() && FInObjectPicture) return false;
  return TbsSkinButtonObject::MorphPending();
}

bool TbsSkinStdButtonObject::RestoreState() const {
  switch (FButtonCommand) {
    case TbsStdCommand::cmMaximize: return FSkinForm->WindowState() == 2;
    case TbsStdCommand::cmMinimize: return FSkinForm->WindowState() == 1;
    case TbsStdCommand::cmRollUp: return FSkinForm->RolledUp();
    default: return false;
  }
}

void TbsSkinStdButtonObject::Draw(TCanvas* Cnvs, bool UpdateAll) {
  if (!FSkinSupport) return DrawDefaultButton(Cnvs);
  if (IconButton() && FInObjectPicture) {
    FSkinForm->DrawSmallIcon(Cnvs, FBounds.Left, FBounds.Top);
    FMorphPos = 0;
    return;
  }
  if (FEnabled && RestoreState() && !IsRectEmpty(FRestoreNormalRect) && FObjectPicture != nullptr) {
    if (!FSkinForm->NCActive() && !IsRectEmpty(FRestoreInactiveRect))
      DrawImage(Cnvs, FObjectPicture, FRestoreInactiveRect);
    else if (FDown && FMouseOver && !IsRectEmpty(FRestoreDownRect))
      DrawImage(Cnvs, FObjectPicture, FRestoreDownRect);
    else if (CanMorph() && MorphUnderWay() && !IsRectEmpty(FRestoreHoverRect))
      DrawMorphed(Cnvs, FObjectPicture, FRestoreNormalRect, FRestoreHoverRect);
    else
      DrawImage(Cnvs, FObjectPicture, FHot && !IsRectEmpty(FRestoreHoverRect) ? FRestoreHoverRect : FRestoreNormalRect);
    return;
  }
  TbsSkinButtonObject::Draw(Cnvs, UpdateAll);
}

void TbsSkinStdButtonObject::DrawDefaultButton(TCanvas* Cnvs) {
  if (IconButton()) return FSkinForm->DrawSmallIcon(Cnvs, FBounds.Left, FBounds.Top);
  const int32_t w = FBounds.Width(), h = FBounds.Height();
  if (w <= 0 || h <= 0) return;
  TBitmap b;
  b.SetSize(w, h);
  TCanvas* c = b.Canvas();
  const bool hot = FMouseOver && FEnabled, pressed = FDown && FMouseOver;
  c->Brush()->SetColor(clBtnFace);
  c->FillRect(TRect{0, 0, w, h});
  if (hot) {
    c->Brush()->SetColor(pressed ? TColor(0xB59385) : TColor(0xD2BDB6));
    c->FillRect(TRect{0, 0, w, h});
    c->Brush()->SetColor(clNavy);
    c->FrameRect(TRect{0, 0, w, h});
  }
  const int32_t x = w / 2 - 5 + (pressed ? 1 : 0), y = h / 2 - 4 + (pressed ? 1 : 0);
  const TColor color = FEnabled ? clBtnText : clBtnShadow;
  switch (FButtonCommand) {
    case TbsStdCommand::cmClose: DrawCloseGlyph(c, x, y, color); break;
    case TbsStdCommand::cmMaximize: (RestoreState() ? DrawRestoreGlyph : DrawMaximizeGlyph)(c, x, y, color); break;
    case TbsStdCommand::cmMinimize: (RestoreState() ? DrawRestoreGlyph : DrawMinimizeGlyph)(c, x, y, color); break;
    case TbsStdCommand::cmSysMenu: DrawSysMenuGlyph(c, x, y, color); break;
    case TbsStdCommand::cmRollUp: (RestoreState() ? DrawRollDownGlyph : DrawRollUpGlyph)(c, x, y, color); break;
    case TbsStdCommand::cmMinimizeToTray: DrawTrayGlyph(c, x, y, color); break;
    case TbsStdCommand::cmDefault: break;
  }
  Cnvs->Draw(FBounds.Left, FBounds.Top, &b);
}

void TbsSkinStdButtonObject::DblClick() {
  if (FButtonCommand == TbsStdCommand::cmSysMenu) FSkinForm->CloseByObject();
}

void TbsSkinStdButtonObject::MouseDown(int32_t, int32_t, TMouseButton Button) {
  if (!FEnabled || Button != TMouseButton::mbLeft || FDown) return;
  SetDown(true);
  if (FButtonCommand != TbsStdCommand::cmSysMenu) return;
  // An empty system menu opens nothing, and the button comes up on release.
  TMenuItem* items = FSkinForm->GetSysMenuItems();
  FMenuItem = items != nullptr && items->Count() > 0 ? items : nullptr;
  ShowMenu();
}

// The close button releases first so that a release outside it (no longer
// hot) does not close the form.
void TbsSkinStdButtonObject::MouseUp(int32_t X, int32_t Y, TMouseButton Button) {
  if (FButtonCommand == TbsStdCommand::cmClose) {
    TbsSkinButtonObject::MouseUp(X, Y, Button);
    if (FHot && Button == TMouseButton::mbLeft) ExecuteCommand();
    return;
  }
  if (FHot && FDown && Button == TMouseButton::mbLeft) ExecuteCommand();
  TbsSkinButtonObject::MouseUp(X, Y, Button);
}

void TbsSkinStdButtonObject::ExecuteCommand() { FSkinForm->ExecuteStdCommand(FButtonCommand); }

// ---- TbsSkinAnimateObject ------------------------------------------------------------------------

TbsSkinAnimateObject::TbsSkinAnimateObject(TbsSkinForm* AForm, const TbsDataSkinAnimate* AData)
    : TbsActiveSkinObject(AForm, AData) {
  FUseMorph = false;
  if (AData == nullptr) return;
  FInterval = AData->TimerInterval < 25 ? 25 : AData->TimerInterval;
  FFrameCount = AData->CountFrames < 1 ? 1 : AData->CountFrames;
  FCycle = AData->Cycle;
  FButtonStyle = AData->ButtonStyle;
  FButtonCommand = AData->Command;
  FDownRect = AData->DownSkinRect;
  FRestoreNormalRect = AData->RestoreRect;
  FRestoreHoverRect = AData->RestoreActiveRect;
  FRestoreInactiveRect = AData->RestoreInActiveRect;
  FRestoreDownRect = AData->RestoreDownRect;
  // The frame strip is read from the object picture even when the
  // description names no hover image of its own.
  FHoverRect = AData->ActiveSkinRect;
}

bool TbsSkinAnimateObject::RestoreState() const {
  switch (FButtonCommand) {
    case TbsStdCommand::cmMaximize: return FSkinForm->WindowState() == 2;
    case TbsStdCommand::cmMinimize: return FSkinForm->WindowState() == 1;
    case TbsStdCommand::cmRollUp: return FSkinForm->RolledUp();
    default: return false;
  }
}

TRect TbsSkinAnimateObject::FrameRect(int32_t Index) const {
  const bool restore = RestoreState() && !IsRectEmpty(FRestoreHoverRect);
  const TRect strip = restore ? FRestoreHoverRect : FHoverRect;
  const TRect normal = restore && !IsRectEmpty(FRestoreNormalRect) ? FRestoreNormalRect : FNormalRect;
  const int32_t w = normal.Width();
  return TRect{strip.Left + (Index - 1) * w, strip.Top, strip.Left + Index * w, strip.Top + normal.Height()};
}

void TbsSkinAnimateObject::Draw(TCanvas* Cnvs, bool) {
  if (FObjectPicture == nullptr) return;
  const bool restore = RestoreState();
  const TRect down = restore && !IsRectEmpty(FRestoreDownRect) ? FRestoreDownRect : FDownRect;
  const TRect inactive = restore && !IsRectEmpty(FRestoreInactiveRect) ? FRestoreInactiveRect : FInactiveRect;
  if (FMenuShown)
    DrawImage(Cnvs, FObjectPicture, IsRectEmpty(down) ? FrameRect(FFrameCount) : down);
  else if (!FormActive() && !IsRectEmpty(inactive))
    DrawImage(Cnvs, FObjectPicture, inactive);
  else if (FPressed && FMouseOver && !IsRectEmpty(down))
    DrawImage(Cnvs, FObjectPicture, down);
  else
    DrawImage(Cnvs, FObjectPicture, FrameRect(FFrameIndex));
}

void TbsSkinAnimateObject::DblClick() {
  if (FButtonCommand == TbsStdCommand::cmSysMenu) FSkinForm->CloseByObject();
}

void TbsSkinAnimateObject::MouseEnter() {
  FMouseOver = true;
  if (FMenuShown) return;
  if (FButtonStyle) {
    FHot = true;
    FForward = true;
    if (FPressed && !IsRectEmpty(FDownRect))
      Redraw();
    else
      FSkinForm->AnimateTimer()->SetEnabled(true);
  }
  FSkinForm->FireObjectMouseEnter(this);
}

void TbsSkinAnimateObject::MouseLeave() {
  if (!FMouseOver) return;
  FMouseOver = false;
  if (FMenuShown) return;
  if (FButtonStyle) {
    FHot = true;
    FForward = false;
    if (FPressed && !IsRectEmpty(FDownRect))
      Redraw();
    else
      FSkinForm->AnimateTimer()->SetEnabled(true);
  }
  FSkinForm->FireObjectMouseLeave(this);
}

void TbsSkinAnimateObject::MouseDown(int32_t X, int32_t Y, TMouseButton Button) {
  TbsActiveSkinObject::MouseDown(X, Y, Button);
  if (Button != TMouseButton::mbLeft) return;
  if (!IsRectEmpty(FDownRect)) {
    FFrameIndex = FFrameCount;
    FPressed = true;
    Redraw();
  }
  if (FButtonStyle && FButtonCommand == TbsStdCommand::cmSysMenu && FMouseOver) ExecuteCommand();
}

void TbsSkinAnimateObject::MouseUp(int32_t X, int32_t Y, TMouseButton Button) {
  TbsActiveSkinObject::MouseUp(X, Y, Button);
  if (FMenuShown || Button != TMouseButton::mbLeft) return;
  if (!IsRectEmpty(FDownRect)) {
    FPressed = false;
    Redraw();
    FSkinForm->AnimateTimer()->SetEnabled(true);
  }
  if (FMouseOver && FButtonStyle && FButtonCommand != TbsStdCommand::cmSysMenu) ExecuteCommand();
}

void TbsSkinAnimateObject::ExecuteCommand() {
  if (FButtonCommand == TbsStdCommand::cmSysMenu) {
    FMenuItem = FSkinForm->GetSysMenuItems();
    return ShowMenu();
  }
  if (FButtonCommand == TbsStdCommand::cmDefault) return ShowMenu();
  FSkinForm->ExecuteStdCommand(FButtonCommand);
}

void TbsSkinAnimateObject::ShowMenu() {
  if (FMenuItem == nullptr || FMenuItem->Count() == 0) return;
  FMenuShown = true;
  FSkinForm->PopupObjectMenu(FMenuItem, FBounds, FMenuUpwards);
}

void TbsSkinAnimateObject::AnimationStep() {
  if (FElapsed < FInterval) {
    FElapsed += 25;
    return;
  }
  if (FForward) {
    FFrameIndex = FFrameIndex >= FFrameCount ? 1 : FFrameIndex + 1;
    if (!FCycle && FFrameIndex == FFrameCount) FHot = false;
  } else {
    FFrameIndex = FFrameIndex <= 1 ? FFrameCount : FFrameIndex - 1;
    if (FFrameIndex == 1) FHot = false;
  }
  FElapsed = 25;
  Redraw();
}
