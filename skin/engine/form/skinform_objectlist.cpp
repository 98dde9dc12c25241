// The form's side of the frame objects: building the list, the states the
// border icons give, hover tracking, the mouse routing with capture, the
// morph and animation timers, the commands and the event forwarders.
#include "platform/gui/win_paint.h"
#include "skin/engine/data/resstrdata.h"
#include "skin/engine/form/skinform.h"
#include "skin/engine/form/skinhint.h"

namespace {

std::unique_ptr<TbsActiveSkinObject> ObjectFor(TbsSkinForm* Form, TbsDataSkinObject* D) {
  if (dynamic_cast<TbsDataSkinMenuItem*>(D) != nullptr || dynamic_cast<TbsDataSkinMainMenuItem*>(D) != nullptr ||
      dynamic_cast<TbsDataSkinMainMenuBarButton*>(D) != nullptr)
    return nullptr;
  if (auto* d = dynamic_cast<TbsDataSkinStdButton*>(D)) return std::make_unique<TbsSkinStdButtonObject>(Form, d);
  if (auto* d = dynamic_cast<TbsDataSkinButton*>(D)) return std::make_unique<TbsSkinButtonObject>(Form, d);
  if (auto* d = dynamic_cast<TbsDataSkinCaption*>(D)) return std::make_unique<TbsSkinCaptionObject>(Form, d);
  if (auto* d = dynamic_cast<TbsDataSkinAnimate*>(D)) return std::make_unique<TbsSkinAnimateObject>(Form, d);
  if (dynamic_cast<TbsDataUserObject*>(D) != nullptr) return std::make_unique<TbsUserObject>(Form, D);
  return nullptr;
}

// The border icon a command needs; cmclose and cmdefault have none.
bool IconOf(TbsStdCommand Command, TbsBorderIcon& Icon) {
  switch (Command) {
    case TbsStdCommand::cmMaximize: Icon = TbsBorderIcon::biMaximize; return true;
    case TbsStdCommand::cmMinimize: Icon = TbsBorderIcon::biMinimize; return true;
    case TbsStdCommand::cmSysMenu: Icon = TbsBorderIcon::biSystemMenu; return true;
    case TbsStdCommand::cmRollUp: Icon = TbsBorderIcon::biRollUp; return true;
    case TbsStdCommand::cmMinimizeToTray: Icon = TbsBorderIcon::biMinimizeToTray; return true;
    default: return false;
  }
}

const char* HintNameOf(TbsStdCommand Command) {
  switch (Command) {
    case TbsStdCommand::cmClose: return "CLOSEBUTTON_HINT";
    case TbsStdCommand::cmMaximize: return "MAXBUTTON_HINT";
    case TbsStdCommand::cmMinimize: return "MINBUTTON_HINT";
    case TbsStdCommand::cmSysMenu: return "MENUBUTTON_HINT";
    case TbsStdCommand::cmRollUp: return "ROLLUPBUTTON_HINT";
    case TbsStdCommand::cmMinimizeToTray: return "TRAYBUTTON_HINT";
    default: return nullptr;
  }
}

// The command of a standard button or an animation object.
bool CommandOf(TbsActiveSkinObject* O, TbsStdCommand& Command) {
  if (auto* b = dynamic_cast<TbsSkinStdButtonObject*>(O)) {
    Command = b->FButtonCommand;
    return true;
  }
  if (auto* a = dynamic_cast<TbsSkinAnimateObject*>(O)) {
    Command = a->FButtonCommand;
    return true;
  }
  return false;
}

}  // namespace

void TbsSkinForm::CreateSkinObjects() {
  FreeObjects();
  if (FSkinData == nullptr || FSkinData->Empty) return;
  for (auto& d : FSkinData->SkinObjects)
    if (auto o = ObjectFor(this, d.get())) FObjects.push_back(std::move(o));
  UpdateObjectStates();
}

void TbsSkinForm::CreateDefaultButtons() {
  FreeObjects();
  static const std::pair<TbsStdCommand, const char*> kButtons[] = {
      {TbsStdCommand::cmClose, "closebutton"},     {TbsStdCommand::cmMaximize, "maxbutton"},
      {TbsStdCommand::cmMinimize, "minbutton"},    {TbsStdCommand::cmRollUp, "rollupbutton"},
      {TbsStdCommand::cmSysMenu, "sysmenubutton"}, {TbsStdCommand::cmMinimizeToTray, "traybutton"}};
  for (const auto& [command, name] : kButtons) {
    auto b = std::make_unique<TbsSkinStdButtonObject>(this, nullptr);
    b->FButtonCommand = command;
    b->FSectionName = name;
    FObjects.push_back(std::move(b));
  }
  UpdateObjectStates();
}

void TbsSkinForm::FreeObjects() {
  FObjects.clear();
  FActiveObject = FOldActiveObject = FCapturedObject = -1;
}

TbsActiveSkinObject* TbsSkinForm::Objects(int32_t Index) const {
  return Index >= 0 && Index < ObjectCount() ? FObjects[size_t(Index)].get() : nullptr;
}

void TbsSkinForm::UpdateObjectStates() {
  for (auto& o : FObjects) {
    TbsStdCommand command;
    if (!CommandOf(o.get(), command)) continue;
    auto* anim = dynamic_cast<TbsSkinAnimateObject*>(o.get());
    if (HideCaptionButtons) {
      // An image that is part of the frame picture stays, inert.
      o->FEnabled = false;
      o->FVisible = !o->FInObjectPicture;
      continue;
    }
    if (anim != nullptr && !anim->FButtonStyle) continue;
    TbsBorderIcon icon;
    if (IconOf(command, icon)) {
      o->FEnabled = FBorderIcons.Contains(icon);
      o->FVisible = o->FEnabled || !o->FInObjectPicture;
    } else if (command == TbsStdCommand::cmDefault) {
      bool visible = false;
      if (OnActivateCustomObject) OnActivateCustomObject(this, o->FSectionName, visible);
      o->FVisible = visible;
    }
  }
  UpdateObjectHints();
}

void TbsSkinForm::UpdateObjectHints() {
  if (!UseDefaultObjectHint || FSkinData == nullptr) return;
  for (auto& o : FObjects) {
    TbsStdCommand command;
    if (!CommandOf(o.get(), command)) continue;
    if (const char* name = HintNameOf(command)) o->FHintText = SkinResStr(FSkinData->ResourceStrData(), name);
  }
}

// Animations return to their first frame, buttons to their normal image;
// the caption keeps its state.
void TbsSkinForm::ResetObjectStates() {
  for (auto& o : FObjects) {
    if (dynamic_cast<TbsSkinCaptionObject*>(o.get()) != nullptr) continue;
    o->FHot = o->FMouseOver = false;
    if (auto* a = dynamic_cast<TbsSkinAnimateObject*>(o.get()))
      a->FFrameIndex = 1;
    else
      o->FMorphPos = 0;
  }
  FActiveObject = FOldActiveObject = -1;
}

bool TbsSkinForm::IsFormActive() const {
  if (IsMDIChild() || IsMDIFrame()) return FNCActive;
  return FOwnerForm->Active();
}

void TbsSkinForm::DrawObject(TbsActiveSkinObject* Object) {
  if (!FOwnerForm->HandleAllocated() || FOwnerForm->BorderStyle() == TBorderStyle::bsNone || IsMaximizedMDIChild())
    return;
  HDC dc = GetWindowDC(FOwnerForm->Handle());
  if (dc == nullptr) return;
  // The caption's text lies on the frame picture: the frame is redrawn.
  if (FSkinActive && dynamic_cast<TbsSkinCaptionObject*>(Object) != nullptr) {
    ReleaseDC(FOwnerForm->Handle(), dc);
    return PaintNCSkin(nullptr, false);
  }
  TCanvas canvas;
  canvas.SetHandle(dc);
  if (!FSkinActive) LayoutDefaultButtons();
  Object->Draw(&canvas, true);
  canvas.SetHandle(nullptr);
  ReleaseDC(FOwnerForm->Handle(), dc);
}

// ---- Hover, capture and routing ----------------------------------------------------------------------

// Buttons lie above the caption, whose skin rectangle may run under them.
int32_t TbsSkinForm::ObjectAt(const TPoint& P) const {
  int32_t caption = -1;
  for (int32_t i = 0; i < ObjectCount(); ++i) {
    TbsActiveSkinObject* o = FObjects[size_t(i)].get();
    if (!o->FEnabled || !o->FVisible || !PtInRect(o->FBounds, P)) continue;
    if (dynamic_cast<TbsSkinCaptionObject*>(o) == nullptr) return i;
    if (caption == -1) caption = i;
  }
  return caption;
}

void TbsSkinForm::UpdateHotObject(int32_t X, int32_t Y, bool Track) {
  if (FObjects.empty() || !IsFormActive()) return;
  FOldActiveObject = FActiveObject;
  const int32_t found = ObjectAt(TPoint{X, Y});
  FActiveObject = Track ? found : -1;
  if (FCapturedObject != -1 && FActiveObject != FCapturedObject) FActiveObject = -1;
  if (FActiveObject >= ObjectCount()) FActiveObject = -1;
  if (FActiveObject == FOldActiveObject) return;
  if (TbsActiveSkinObject* old = Objects(FOldActiveObject); old != nullptr && old->FEnabled && old->FVisible) {
    old->MouseLeave();
    if (ShowObjectHint && FSkinHint != nullptr && !old->FHintText.empty()) HideObjectHint();
  }
  if (TbsActiveSkinObject* hot = Objects(FActiveObject); hot != nullptr && hot->FEnabled && hot->FVisible) {
    hot->MouseEnter();
    if (ShowObjectHint && !hot->FHintText.empty()) ShowObjectHintText(hot->FHintText);
  }
}

void TbsSkinForm::ObjectMouseDown(TMouseButton Button, int32_t X, int32_t Y) {
  TbsActiveSkinObject* o = Objects(FActiveObject);
  if (o == nullptr) return;
  if (dynamic_cast<TbsSkinCaptionObject*>(o) == nullptr) SetCapture(FOwnerForm->Handle());
  FCapturedObject = FActiveObject;
  o->MouseDown(X, Y, Button);
}

void TbsSkinForm::ObjectMouseUp(TMouseButton Button, int32_t X, int32_t Y) {
  TbsActiveSkinObject* o = Objects(FCapturedObject);
  if (o == nullptr) return;
  if (dynamic_cast<TbsSkinCaptionObject*>(o) == nullptr) ReleaseCapture();
  FCapturedObject = -1;
  o->MouseUp(X, Y, Button);
}

TPoint TbsSkinForm::ScreenToWindow(LPARAM LParam) const {
  TRect w{};
  GetWindowRect(FOwnerForm->Handle(), &w);
  return TPoint{GET_X_LPARAM(LParam) - w.Left, GET_Y_LPARAM(LParam) - w.Top};
}

// The press that started a move or size loop comes back once the loop is
// over: it only ends the loop. The rest goes to the object under the mouse.
void TbsSkinForm::NCMouseAfterOld(TMessage& Message) {
  if (!FSkinnable) return;
  if (Message.Msg == WM_LBUTTONUP || Message.Msg == WM_RBUTTONUP)
    return ObjectMouseUp(Message.Msg == WM_LBUTTONUP ? TMouseButton::mbLeft : TMouseButton::mbRight, -1, -1);
  if (Message.Msg == WM_NCLBUTTONDOWN && FInSizeMove) {
    FInSizeMove = false;
    return;
  }
  if (!FSkinActive && FObjects.empty()) return;
  const TPoint p = ScreenToWindow(Message.LParam);
  const bool onCaption = Message.WParam == HTCAPTION;
  switch (Message.Msg) {
    case WM_NCMOUSEMOVE: NCMouseMove(p); break;
    case WM_NCLBUTTONDOWN: NCButtonDown(p, TMouseButton::mbLeft, onCaption); break;
    case WM_NCLBUTTONUP: ObjectMouseUp(TMouseButton::mbLeft, p.X, p.Y); break;
    case WM_NCLBUTTONDBLCLK:
      NCLeftDoubleClick(p, onCaption);
      if (onCaption && FOwnerForm->BorderStyle() != TBorderStyle::bsNone) CaptionDoubleClick();
      break;
    case WM_NCRBUTTONDOWN: NCButtonDown(p, TMouseButton::mbRight, onCaption); break;
    case WM_NCRBUTTONUP: ObjectMouseUp(TMouseButton::mbRight, p.X, p.Y); break;
    case WM_NCRBUTTONDBLCLK: NCButtonDown(p, TMouseButton::mbRight, onCaption); break;
    default: break;
  }
}

void TbsSkinForm::NCMouseMove(const TPoint& P) {
  TbsActiveSkinObject* o = Objects(FCapturedObject != -1 ? FCapturedObject : FActiveObject);
  if (o != nullptr) o->MouseMove(P.X, P.Y);
}

// A right press on the caption opens the system menu at the cursor.
void TbsSkinForm::NCButtonDown(const TPoint& P, TMouseButton Button, bool OnCaption) {
  UpdateHotObject(P.X, P.Y, true);
  ObjectMouseDown(Button, P.X, P.Y);
  if (!OnCaption) return;
  FCapturedObject = -1;
  if (Button != TMouseButton::mbRight) return;
  const TRect r = WindowToScreen(TRect{P.X, P.Y, P.X, P.Y});
  PopupSysMenuAt(r.Left, r.Top);
}

// The caption's double click (maximise or roll up) belongs to the caption
// code; the system-menu button closes the form.
void TbsSkinForm::NCLeftDoubleClick(const TPoint& P, bool OnCaption) {
  UpdateHotObject(P.X, P.Y, true);
  ObjectMouseDown(TMouseButton::mbLeft, P.X, P.Y);
  if (TbsActiveSkinObject* o = Objects(FActiveObject)) o->DblClick();
  if (OnCaption) FCapturedObject = -1;
}

void TbsSkinForm::ObjectMenuClosed() {
  for (auto& o : FObjects)
    if (auto* b = dynamic_cast<TbsSkinButtonObject*>(o.get()); b != nullptr && b->FDown && b->FMenuItem != nullptr)
      b->SetDown(false);
  for (auto& o : FObjects) {
    auto* a = dynamic_cast<TbsSkinAnimateObject*>(o.get());
    if (a == nullptr || !a->FMenuShown) continue;
    a->FHot = true;
    a->FForward = false;
    a->FFrameIndex = a->FFrameCount;
    a->FPressed = a->FMenuShown = false;
    FAnimateTimer->SetEnabled(true);
    return;
  }
}

// ---- Timers ------------------------------------------------------------------------------------------

void TbsSkinForm::MouseTrackTick(TObject*) {
  if (!IsFormActive() || !FOwnerForm->HandleAllocated()) return;
  if (FInSizeMove) return FMouseTimer->SetEnabled(false);
  TPoint p;
  GetCursorPos(&p);
  TRect w{};
  GetWindowRect(FOwnerForm->Handle(), &w);
  p = TPoint{p.X - w.Left, p.Y - w.Top};
  if (!PtInRect(FrameClientRect(), p))
    UpdateHotObject(p.X, p.Y, true);
  else if (FActiveObject != -1)
    UpdateHotObject(-1, -1, true);
}

void TbsSkinForm::MorphTick(TObject*) {
  bool stepped = false;
  for (size_t i = 0; i < FObjects.size(); ++i) {
    TbsActiveSkinObject* o = FObjects[i].get();
    if (o->CanMorph() && o->MorphPending()) {
      o->MorphStep();
      stepped = true;
    }
  }
  if (!stepped) FMorphTimer->SetEnabled(false);
}

void TbsSkinForm::AnimateTick(TObject*) {
  bool moved = false;
  for (size_t i = 0; i < FObjects.size(); ++i) {
    auto* a = dynamic_cast<TbsSkinAnimateObject*>(FObjects[i].get());
    if (a == nullptr || !a->FHot || (a->FPressed && !IsRectEmpty(a->FDownRect))) continue;
    a->AnimationStep();
    moved = true;
  }
  for (auto& o : FObjects)
    if (auto* c = dynamic_cast<TbsSkinCaptionObject*>(o.get()); c != nullptr && c->AnimationStep()) moved = true;
  if (!moved) FAnimateTimer->SetEnabled(false);
}

// ---- Commands, menus and events -------------------------------------------------------------------

void TbsSkinForm::ExecuteStdCommand(TbsStdCommand Command) {
  switch (Command) {
    case TbsStdCommand::cmClose: CloseByObject(); break;
    case TbsStdCommand::cmMaximize: SetWindowState(FWindowState == 2 ? 0 : 2); break;
    case TbsStdCommand::cmMinimize:
      if (AlwaysMinimizeToTray)
        MinimizeToTray();
      else
        SetWindowState(FWindowState == 1 ? 0 : 1);
      break;
    case TbsStdCommand::cmRollUp: SetRollUpState(!FRolledUp); break;
    case TbsStdCommand::cmMinimizeToTray: MinimizeToTray(); break;
    case TbsStdCommand::cmSysMenu:
    case TbsStdCommand::cmDefault: break;
  }
}

// Released after the dispatch that asked for it returns.
void TbsSkinForm::CloseByObject() { FOwnerForm->Close(); }

// The tray icon takes the form with the tray code; until then the form
// hides and tells its owner.

// An MDI child goes through its client origin, any other form adds its
// window origin.
TRect TbsSkinForm::WindowToScreen(const TRect& R) const {
  TRect r = R;
  if (IsMDIChild()) {
    const TPoint origin =
        FSkinActive ? TPoint{FSizedClientRect.Left, FSizedClientRect.Top} : TPoint{3, PlainCaptionHeight() + 3};
    const TPoint p = FOwnerForm->ClientToScreen(TPoint{r.Left - origin.X, r.Top - origin.Y});
    OffsetRect(r, p.X - r.Left, p.Y - r.Top);
  } else {
    TRect w{};
    if (FOwnerForm->HandleAllocated()) GetWindowRect(FOwnerForm->Handle(), &w);
    OffsetRect(r, w.Left, w.Top);
  }
  return r;
}

void TbsSkinForm::PopupObjectMenu(TMenuItem* Item, const TRect& Bounds, bool Upwards) {
  const TRect r = WindowToScreen(Bounds);
  if (auto* popup = dynamic_cast<TbsSkinPopupMenu*>(Item->GetParentMenu()))
    return popup->PopupFromRect(nullptr, r, Upwards);
  SkinMenuOpened();
  FSkinMenu->Popup(nullptr, FMenusSkinData != nullptr ? FMenusSkinData : FSkinData, Upwards, Item, r, 0);
}

void TbsSkinForm::FireObjectPaint(TbsActiveSkinObject* O, TCanvas* Cnvs) {
  if (OnPaintEvent) OnPaintEvent(this, O->FSectionName, Cnvs, O->FBounds);
}
void TbsSkinForm::FireObjectMouseDown(TbsActiveSkinObject* O, int32_t X, int32_t Y, TMouseButton B) {
  if (OnMouseDownEvent) OnMouseDownEvent(this, O->FSectionName, X, Y, O->FBounds, B);
}
void TbsSkinForm::FireObjectMouseUp(TbsActiveSkinObject* O, int32_t X, int32_t Y, TMouseButton B) {
  if (OnMouseUpEvent) OnMouseUpEvent(this, O->FSectionName, X, Y, O->FBounds, B);
}
void TbsSkinForm::FireObjectMouseMove(TbsActiveSkinObject* O, int32_t X, int32_t Y) {
  if (OnMouseMoveEvent) OnMouseMoveEvent(this, O->FSectionName, X, Y, O->FBounds);
}
void TbsSkinForm::FireObjectMouseEnter(TbsActiveSkinObject* O) {
  if (OnMouseEnterEvent) OnMouseEnterEvent(this, O->FSectionName);
}
void TbsSkinForm::FireObjectMouseLeave(TbsActiveSkinObject* O) {
  if (OnMouseLeaveEvent) OnMouseLeaveEvent(this, O->FSectionName);
}

// ---- Object hints ---------------------------------------------------------------------------------

void TbsSkinForm::ShowObjectHintText(const String& Text) {
  if (auto* hint = dynamic_cast<TbsSkinHint*>(FSkinHint)) hint->ActivateHintText(Text);
}

void TbsSkinForm::HideObjectHint() {
  if (auto* hint = dynamic_cast<TbsSkinHint*>(FSkinHint)) hint->HideHint();
}
