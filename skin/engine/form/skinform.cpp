#include "skin/engine/form/skinform.h"

#include "platform/rtl/exceptions.h"

namespace {

TTimer* MakeTimer(TComponent* Owner, uint32_t Interval, TNotifyEvent OnTimer) {
  auto* t = new TTimer(Owner);
  t->SetEnabled(false);
  t->SetInterval(Interval);
  t->SetOnTimer(std::move(OnTimer));
  return t;
}

TCustomForm* FormOwner(TComponent* AOwner) {
  if (auto* form = dynamic_cast<TCustomForm*>(AOwner)) return form;
  throw EInvalidCast("Invalid class typecast");
}

}  // namespace

TbsSkinForm* FindFormSkinForm(TComponent* AComponent) {
  if (AComponent == nullptr) return nullptr;
  for (int32_t i = 0; i < AComponent->ComponentCount(); ++i)
    if (auto* f = dynamic_cast<TbsSkinForm*>(AComponent->Components(i))) return f;
  return nullptr;
}

TbsSkinForm* FindSkinForm(TCustomForm* Form) { return FindFormSkinForm(Form); }

TbsSkinForm* FindMaximizedMDISkinForm() {
  TCustomForm* main = Application != nullptr ? Application->MainForm() : nullptr;
  if (main == nullptr) return nullptr;
  for (int32_t i = 0; i < main->MDIChildCount(); ++i)
    if (TbsSkinForm* f = FindSkinForm(main->MDIChildren(i)); f != nullptr && f->WindowState() == 2) return f;
  return nullptr;
}

TbsSkinForm* FindActiveMDISkinForm() {
  TCustomForm* main = Application != nullptr ? Application->MainForm() : nullptr;
  return main != nullptr ? FindSkinForm(main->ActiveMDIChild()) : nullptr;
}

TbsSkinForm::TbsSkinForm(TComponent* AOwner) : TComponent(AOwner), FOwnerForm(FormOwner(AOwner)) {
  for (TFont* f : {FDefCaptionFont.get(), FDefInActiveCaptionFont.get()}) {
    f->SetName("Arial");
    f->SetStyle(TFontStyles{TFontStyle::fsBold});
    f->SetHeight(14);
  }
  FDefCaptionFont->SetColor(clBtnText);
  FDefInActiveCaptionFont->SetColor(clBtnShadow);
  FMouseTimer = MakeTimer(this, 50, [this](TObject* Sender) { MouseTrackTick(Sender); });
  FMorphTimer = MakeTimer(this, 25, [this](TObject* Sender) { MorphTick(Sender); });
  FAnimateTimer = MakeTimer(this, 25, [this](TObject* Sender) { AnimateTick(Sender); });

  FOwnerForm->SetBorderIcons(TBorderIcons{});
  FOwnerForm->OnShortCut = [this](TWMKey& Msg, bool& Handled) { FormShortCut(Msg, Handled); };
  FOwnerForm->SetAutoSize(false);
  FOwnerForm->SetAutoScroll(false);

  FDefSysMenu = new TPopupMenu(this);
  FTrayMenu = new TbsSkinPopupMenu(this);
  FTrayMenu->SetHostForm(FOwnerForm);
  FillTrayMenu();
  FSkinMenu = new TbsSkinMenu(this, FOwnerForm);

  if (Designing()) return;
  FSavedWindowProc = FOwnerForm->WindowProc;
  FOwnerForm->WindowProc = [this](TMessage& Message) { FormWindowProc(Message); };
  if (FOwnerForm->HandleAllocated()) FOwnerForm->RecreateWnd();
}

TbsSkinForm::~TbsSkinForm() {
  UnhookApplicationMessages();
  // A dying form frees its components while it is still a form.
  if (!Designing()) FOwnerForm->WindowProc = FSavedWindowProc;
  FOwnerForm->OnShortCut = nullptr;
  FObjects.clear();
  DestroyComponents();
}

void TbsSkinForm::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != TOperation::opRemove) return;
  if (AComponent == FSkinData) {
    // Nothing may read the pictures of a skin that is gone: the frame falls
    // back to the unskinned look.
    FSkinData = nullptr;
    FSkinActive = false;
    FreeObjects();
  }
  if (AComponent == FMenusSkinData) FMenusSkinData = nullptr;
  if (AComponent == FSystemMenu) FSystemMenu = nullptr;
  if (AComponent == FMainMenuBar) FMainMenuBar = nullptr;
  if (AComponent == FMDITabsBar) FMDITabsBar = nullptr;
  if (AComponent == FTrayIcon) FTrayIcon = nullptr;
  if (AComponent == FSkinHint) FSkinHint = nullptr;
  if (AComponent == FStatusBar) FStatusBar = nullptr;
}

void TbsSkinForm::SetSkinData(TbsSkinData* Value) {
  SetReference(FSkinData, Value);
  const bool wasSkinnable = FSkinnable;
  if (Value != nullptr && !IsMDIChild()) FSkinnable = Value->SkinnableForm();
  if (!Designing()) {
    ChangeSkinData();
    if (FSkinnable != wasSkinnable) FrameChanged();
  }
  FTrayMenu->SetSkinData(Value);
}

void TbsSkinForm::SetMenusSkinData(TbsSkinData* Value) { SetReference(FMenusSkinData, Value); }

void TbsSkinForm::SetBorderIcons(TbsBorderIcons Value) {
  FBorderIcons = Value;
  const TComponentState state = ComponentState();
  if (state.Contains(TComponentStateItem::csDesigning) || state.Contains(TComponentStateItem::csLoading)) return;
  UpdateObjectStates();
  RepaintFrame();
}

void TbsSkinForm::SetShowIcon(bool Value) {
  FShowIcon = Value;
  RepaintFrame();
}

void TbsSkinForm::SetDefCaptionFont(TFont* Value) {
  FDefCaptionFont->Assign(Value);
  if (!FSkinActive) RepaintFrame();
}

void TbsSkinForm::SetDefInActiveCaptionFont(TFont* Value) {
  FDefInActiveCaptionFont->Assign(Value);
  if (!FSkinActive) RepaintFrame();
}

void TbsSkinForm::SetDefMenuItemHeight(int32_t Value) {
  if (Value > 0) FSkinMenu->DefMenuItemHeight = Value;
}

void TbsSkinForm::SetMaxMenuItemsInWindow(int32_t Value) {
  if (Value >= 0) FSkinMenu->MaxMenuItemsInWindow = Value;
}

void TbsSkinForm::RepaintFrame() {
  if (FOwnerForm->HandleAllocated()) SendMessage(FOwnerForm->Handle(), WM_NCPAINT, 0, 0);
}

void TbsSkinForm::FrameChanged() {
  if (FOwnerForm->HandleAllocated())
    SetWindowPos(FOwnerForm->Handle(), nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
