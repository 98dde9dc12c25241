// The skin-change cycle of a form: BEFORECHANGE empties the frame and lets
// the form's controls forget their descriptions, CHANGE re-reads the skin
// for the frame, the controls and the skin components, AFTERCHANGE tells the
// application. Every message is sent, never posted, so the three arrive in
// order within one load.
#include "platform/gui/win_paint.h"
#include "skin/controls/base/skinctrls.h"
#include "skin/controls/base/skinintf.h"
#include "skin/engine/data/skinmessages.h"
#include "skin/engine/form/skinform.h"

// A menu open across the change holds the old skin's pictures and
// descriptions: it closes before they are freed.
void TbsSkinForm::WMSkinBeforeChange(TMessage& Message) {
  auto* skin = reinterpret_cast<TbsSkinData*>(Message.WParam);
  if (skin != FSkinData || FSkinData == nullptr) return;
  if (FSkinMenu->IsOpen) FSkinMenu->CloseMenu();
  if (FMainMenuMode) EndMainMenuMode();
  FSkinChanging = true;
  FSkinActive = false;
  StopTimers();
  FreeObjects();
  BeforeChangeControlsSkinData(skin, FOwnerForm);
  BeforeChangeComponents();
  if (OnBeforeChangeSkinData) OnBeforeChangeSkinData(this);
}

void TbsSkinForm::WMSkinChange(TMessage& Message) {
  auto* skin = reinterpret_cast<TbsSkinData*>(Message.WParam);
  FSkinChanging = false;
  if (skin == FSkinData && skin != nullptr) ChangeSkinData();
  ChangeControlsSkinData(skin, FOwnerForm);
  ChangeComponents();
}

void TbsSkinForm::WMSkinAfterChange(TMessage& Message) {
  auto* skin = reinterpret_cast<TbsSkinData*>(Message.WParam);
  if (skin == FSkinData && skin != nullptr && IsMDIFrame()) ResizeMDIChildren();
  if (OnAfterChangeSkinData) OnAfterChangeSkinData(this);
}

void TbsSkinForm::WMSkinnableChanged(TMessage& Message) {
  auto* skin = reinterpret_cast<TbsSkinData*>(Message.WParam);
  if (skin == FSkinData && skin != nullptr && !IsMDIChild()) SetSkinnable(skin->SkinnableForm());
}

void TbsSkinForm::StopTimers() {
  for (TTimer* t : {FMouseTimer, FMorphTimer, FAnimateTimer}) t->SetEnabled(false);
}

// ---- The walks ------------------------------------------------------------------------------------

void TbsSkinForm::BeforeChangeControlsSkinData(TbsSkinData* S, TControl* Control) {
  if (auto* c = dynamic_cast<TbsSkinControl*>(Control); c != nullptr && (S == nullptr || c->SkinData() == S))
    c->BeforeChangeSkinData();
  auto* w = dynamic_cast<TWinControl*>(Control);
  if (w == nullptr) return;
  for (int32_t i = 0; i < w->ControlCount(); ++i) BeforeChangeControlsSkinData(S, w->Controls(i));
}

void TbsSkinForm::ChangeControlsSkinData(TbsSkinData* S, TControl* Control) {
  ChangeControlSkinData(S, Control);
  auto* w = dynamic_cast<TWinControl*>(Control);
  if (w == nullptr) return;
  for (int32_t i = 0; i < w->ControlCount(); ++i) ChangeControlsSkinData(S, w->Controls(i));
}

// A frame goes through its skin component whatever skin it uses; every
// skin-aware control only for its own skin. Standard controls are left to
// their owners.
void TbsSkinForm::ChangeControlSkinData(TbsSkinData* S, TControl* Control) {
  if (dynamic_cast<TFrame*>(Control) != nullptr) {
    for (int32_t i = 0; i < Control->ComponentCount(); ++i)
      if (auto* f = dynamic_cast<TbsSkinFrame*>(Control->Components(i))) {
        f->ChangeSkinData();
        return;
      }
    return;
  }
  auto* aware = dynamic_cast<IbsSkinAware*>(Control);
  if (aware != nullptr && (S == nullptr || aware->SkinData() == S)) aware->ChangeSkinData();
}

void TbsSkinForm::BeforeChangeComponents() {
  for (int32_t i = 0; i < FOwnerForm->ComponentCount(); ++i)
    if (auto* c = dynamic_cast<TbsSkinComponent*>(FOwnerForm->Components(i))) c->BeforeChangeSkinData();
}

void TbsSkinForm::ChangeComponents() {
  for (int32_t i = 0; i < FOwnerForm->ComponentCount(); ++i)
    if (auto* c = dynamic_cast<TbsSkinComponent*>(FOwnerForm->Components(i))) c->ChangeSkinData();
}

// ---- Re-reading the skin -----------------------------------------------------------------------------

void TbsSkinForm::ChangeSkinData() {
  FActiveObject = FOldActiveObject = FCapturedObject = -1;
  FSkinActive = FSkinData != nullptr && !FSkinData->Empty;
  if (FSkinActive && FSkinnable) {
    CreateSkinObjects();
    UpdateObjectStates();
  } else {
    FreeObjects();
    FFrameWidth = FOwnerForm->Width();
    FFrameHeight = FOwnerForm->Height();
    SetSkinRegion();
  }
  if (!FSkinnable)
    UpdateFormBorderIcons();
  else if (!FOwnerForm->BorderIcons().Empty())
    FOwnerForm->SetBorderIcons(TBorderIcons{});
  FitMinimumSize();
  FFrameWidth = FOwnerForm->Width();
  FFrameHeight = FOwnerForm->Height();
  if (FSkinActive) UpdateSkinFrame(true);
  if (IsMDIFrame()) {
    if (FOwnerForm->ClientHandle() != nullptr)
      RedrawWindow(FOwnerForm->ClientHandle(), nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE);
    ResizeMDIChildren();
  } else if (FOwnerForm->HandleAllocated()) {
    FOwnerForm->Invalidate();
  }
  UpdateCaptionActive(!IsMaximizedMDIChild());
  FMouseTimer->SetEnabled(true);
  if (OnChangeSkinData) OnChangeSkinData(this);
  if (FRolledUp) return;
  if (FClientWidth > 0) FOwnerForm->SetClientWidth(FClientWidth);
  if (FClientHeight > 0) FOwnerForm->SetClientHeight(FClientHeight);
}

// The native caption buttons of an unskinned frame follow the component's.
void TbsSkinForm::UpdateFormBorderIcons() {
  TBorderIcons icons;
  if (!HideCaptionButtons) icons.Include(TBorderIcon::biSystemMenu);
  if (FBorderIcons.Contains(TbsBorderIcon::biMinimize)) icons.Include(TBorderIcon::biMinimize);
  if (FBorderIcons.Contains(TbsBorderIcon::biMaximize)) icons.Include(TBorderIcon::biMaximize);
  if (FOwnerForm->BorderIcons() != icons) FOwnerForm->SetBorderIcons(icons);
}

void TbsSkinForm::FitMinimumSize() {
  const int32_t minW = GetMinWidth(), minH = GetMinHeight();
  const int32_t w = FOwnerForm->Width(), h = FOwnerForm->Height();
  const bool narrow = w < minW, low = h < minH;
  if (narrow && low)
    FOwnerForm->SetBounds(FOwnerForm->Left(), FOwnerForm->Top(), minW, minH);
  else if (low)
    FOwnerForm->SetHeight(minH);
  else if (narrow)
    FOwnerForm->SetWidth(minW);
  else
    NudgeWidth();
  // A rolled-up or component-minimised form is exactly as high as its
  // frame; a minimised one also exactly as wide.
  if (FRolledUp || FWindowState == 1) FOwnerForm->SetHeight(GetMinHeight());
  if (FWindowState == 1) FOwnerForm->SetWidth(GetMinWidth());
}

// Width down and up again (or up and down near the minimum): the window
// recomputes its frame and keeps its size.
void TbsSkinForm::NudgeWidth() {
  const int32_t w = FOwnerForm->Width();
  const int32_t step = w - 1 < GetMinWidth() ? 1 : -1;
  FOwnerForm->SetWidth(w + step);
  FOwnerForm->SetWidth(w);
}

// A maximised form stays maximised across the switch, in the other mode.
void TbsSkinForm::SetSkinnable(bool Value) {
  if (Value == FSkinnable || Designing()) return;
  if (IsMDIFrame() && FOwnerForm->MDIChildCount() > 0) return;
  const bool visible = FOwnerForm->Visible();
  bool keepMaximized = false;
  if (FWindowState == 2 && FSkinnable) {
    FOwnerForm->Hide();
    SetWindowState(0);
    keepMaximized = true;
  } else if (FOwnerForm->WindowState() == TWindowState::wsMaximized && !FSkinnable) {
    FOwnerForm->SetWindowState(TWindowState::wsNormal);
    FOwnerForm->Hide();
    keepMaximized = true;
  }
  FSkinnable = Value;
  ChangeSkinData();
  ChangeControlsSkinData(nullptr, FOwnerForm);
  FrameChanged();
  if (keepMaximized) {
    if (FSkinnable)
      SetWindowState(2);
    else
      FOwnerForm->SetWindowState(TWindowState::wsMaximized);
    if (visible) FOwnerForm->Show();
  }
}
