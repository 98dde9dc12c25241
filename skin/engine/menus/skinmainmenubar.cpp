#include "skin/engine/menus/skinmainmenubar.h"

#include <algorithm>
#include <cassert>
#include <set>

#include "platform/gui/win_menus.h"
#include "platform/gui/win_paint.h"
#include "platform/vcl/forms.h"
#include "skin/engine/data/skindraw.h"
#include "skin/engine/data/skinimage.h"
#include "skin/engine/data/skinmessages.h"
#include "skin/engine/form/skinform.h"

// Keeps the objects alive while one of them runs: a handler it calls may
// rebuild the bar (the application's OnSkinMenuClose calls UpdateItems).
struct TbsSkinMainMenuBar::TObjectCall {
  explicit TObjectCall(TbsSkinMainMenuBar* ABar) : Bar(ABar) { ++Bar->FObjectCallDepth; }
  ~TObjectCall() {
    if (--Bar->FObjectCallDepth == 0) Bar->FRetired.clear();
  }
  TObjectCall(const TObjectCall&) = delete;
  TObjectCall& operator=(const TObjectCall&) = delete;
  TbsSkinMainMenuBar* Bar;
};

// ---- TbsSkinMainMenu ----------------------------------------------------------------------------

void TbsSkinMainMenu::SetSkinData(TbsSkinData* Value) {
  FSkinData = Value;
  if (Value != nullptr) Value->FreeNotification(this);
}

void TbsSkinMainMenu::Notification(TComponent* AComponent, TOperation Operation) {
  TMainMenu::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FSkinData) FSkinData = nullptr;
}

// ---- Construction and properties ------------------------------------------------------------------

TbsSkinMainMenuBar::TbsSkinMainMenuBar(TComponent* AOwner)
    : TbsSkinControl(AOwner), FDefItemFont(std::make_unique<TFont>()) {
  FSkinDataName = "mainmenubar";
  FDefItemFont->SetName("Arial");
  FDefItemFont->SetHeight(14);
  FDefItemFont->SetColor(clBtnText);
  const auto timer = [this](uint32_t Interval, void (TbsSkinMainMenuBar::*Tick)(TObject*)) {
    auto* t = new TTimer(this);
    t->SetEnabled(false);
    t->SetInterval(Interval);
    t->SetOnTimer([this, Tick](TObject* Sender) { (this->*Tick)(Sender); });
    return t;
  };
  FLeaveTimer = timer(50, &TbsSkinMainMenuBar::LeaveTimerTick);
  FMorphTimer = timer(25, &TbsSkinMainMenuBar::MorphTimerTick);
  FAnimTimer = timer(25, &TbsSkinMainMenuBar::AnimTimerTick);
  SetBounds(0, 0, 150, FDefaultHeight);
  SetAlign(TAlign::alTop);
}

TbsSkinMainMenuBar::~TbsSkinMainMenuBar() {
  for (TTimer* t : {FLeaveTimer, FMorphTimer, FAnimTimer}) t->SetEnabled(false);
  FBarObjects.clear();
  FRetired.clear();
}

void TbsSkinMainMenuBar::SetMainMenu(TMainMenu* Value) {
  if (FMainMenu != nullptr) FMainMenu->RemoveFreeNotification(this);
  FMainMenu = Value;
  if (Value != nullptr) Value->FreeNotification(this);
  CreateMenuItems();
  Invalidate();
}

void TbsSkinMainMenuBar::SetSkinForm(TbsSkinForm* Value) {
  FSkinForm = Value;
  if (Value != nullptr) Value->FreeNotification(this);
}

void TbsSkinMainMenuBar::SetScrollMenu(bool Value) {
  FScrollMenu = Value;
  Invalidate();
}

void TbsSkinMainMenuBar::SetUseSkinFont(bool Value) {
  FUseSkinFont = Value;
  Invalidate();
}

void TbsSkinMainMenuBar::SetDefItemFont(TFont* Value) {
  FDefItemFont->Assign(Value);
  if (!FIsSkinned) Invalidate();
}

void TbsSkinMainMenuBar::SetDefaultWidth(int32_t Value) {
  FDefaultWidth = Value;
  if (!FIsSkinned && Value > 0) SetWidth(Value);
}

void TbsSkinMainMenuBar::SetDefaultHeight(int32_t Value) {
  FDefaultHeight = Value;
  if (!FIsSkinned && Value > 0) SetHeight(Value);
}

void TbsSkinMainMenuBar::Notification(TComponent* AComponent, TOperation Operation) {
  TbsSkinControl::Notification(AComponent, Operation);
  if (Operation != TOperation::opRemove) return;
  if (AComponent == FSkinForm) FSkinForm = nullptr;
  if (AComponent == FMainMenu) {
    FMainMenu = nullptr;
    FreeObjects();
  } else if (AComponent == FChildMenu) {
    FChildMenu = nullptr;
    FreeObjects();
  } else {
    RemoveItemOf(AComponent);
  }
}

// An item whose menu item goes would point at freed memory: it goes too.
void TbsSkinMainMenuBar::RemoveItemOf(TComponent* AComponent) {
  for (size_t i = size_t(FButtonCount); i < FBarObjects.size(); ++i) {
    auto* item = static_cast<TbsSkinMainMenuBarItem*>(FBarObjects[i].get());
    if (item->SourceItem != AComponent) continue;
    if (FObjectCallDepth > 0) FRetired.push_back(std::move(FBarObjects[i]));
    FBarObjects.erase(FBarObjects.begin() + std::ptrdiff_t(i));
    FHotIndex = FPrevHotIndex = FPressedIndex = -1;
    Invalidate();
    return;
  }
}

// ---- Skin ---------------------------------------------------------------------------------------

void TbsSkinMainMenuBar::GetSkinData() {
  TbsSkinControl::GetSkinData();
  if (FSkinIndex == -1) return;
  auto* d = dynamic_cast<TbsDataSkinMainMenuBar*>(FSkinData->ControlDescriptions[size_t(FSkinIndex)].get());
  if (d == nullptr) {
    FSkinIndex = -1;
    return;
  }
  FBarSkinRect = d->SkinRect;
  FBarItemsRect = d->ItemsRect;
  FItemObjectName = d->MenuBarItem;
  FCloseButtonName = d->CloseButton;
  FMinButtonName = d->MinButton;
  FMaxButtonName = d->MaxButton;
  FSysMenuButtonName = d->SysMenuButton;
  FChevronColor = d->TrackMarkColor;
  FChevronHotColor = d->TrackMarkActiveColor;
  FBarPicture = SkinActivePicture(FSkinData, d->PictureIndex);
  FBarStretch = d->StretchEffect;
  FItemTransparent = d->ItemTransparent;
}

void TbsSkinMainMenuBar::ChangeSkinData() {
  GetSkinData();
  FIsSkinned = FSkinIndex != -1;
  CreateMenuItems();
  if (FIsSkinned) {
    SetHeight(RectHeight(FBarSkinRect));
  } else {
    if (FDefaultWidth > 0) SetWidth(FDefaultWidth);
    if (FDefaultHeight > 0) SetHeight(FDefaultHeight);
  }
  Invalidate();
}

void TbsSkinMainMenuBar::BeforeChangeSkinData() {
  FIsSkinned = false;
  TbsSkinControl::BeforeChangeSkinData();
  FreeObjects();
}

void TbsSkinMainMenuBar::SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) {
  GetSkinData();
  if (FSkinIndex != -1) AHeight = RectHeight(FBarSkinRect);
  TbsSkinControl::SetBounds(ALeft, ATop, AWidth, AHeight);
  Invalidate();
}

// ---- Items --------------------------------------------------------------------------------------

TbsDataSkinObject* TbsSkinMainMenuBar::FindSkinObject(const String& Name) const {
  if (FSkinData == nullptr || FSkinData->Empty) return nullptr;
  const int32_t index = FSkinData->GetIndex(Name);
  return index < 0 ? nullptr : FSkinData->SkinObjects[size_t(index)].get();
}

void TbsSkinMainMenuBar::FreeObjects() {
  FHotIndex = FPrevHotIndex = FPressedIndex = -1;
  FButtonCount = 0;
  if (FObjectCallDepth > 0)
    for (auto& o : FBarObjects) FRetired.push_back(std::move(o));
  FBarObjects.clear();
}

TMainMenu* TbsSkinMainMenuBar::GetChildMainMenu() const {
  if (FSkinForm == nullptr || FSkinForm->OwnerForm()->FormStyle() != TFormStyle::fsMDIForm) return nullptr;
  TCustomForm* main = Application != nullptr ? Application->MainForm() : nullptr;
  TCustomForm* child = main != nullptr ? main->ActiveMDIChild() : nullptr;
  if (child == nullptr) return nullptr;
  for (int32_t i = 0; i < child->ComponentCount(); ++i)
    if (auto* menu = dynamic_cast<TMainMenu*>(child->Components(i))) return menu;
  return nullptr;
}

namespace {

// The main menu's top-level items whose group no child item has, then the
// child's, ordered by group; a stable sort keeps menu order within a group.
std::vector<TMenuItem*> MergedTopItems(TMenuItem* Main, TMenuItem* Child) {
  std::set<uint8_t> childGroups;
  for (int32_t i = 0; i < Child->Count(); ++i) childGroups.insert(Child->Items(i)->GroupIndex());
  std::vector<TMenuItem*> list;
  for (int32_t i = 0; i < Main->Count(); ++i)
    if (!childGroups.contains(Main->Items(i)->GroupIndex())) list.push_back(Main->Items(i));
  for (int32_t i = 0; i < Child->Count(); ++i) list.push_back(Child->Items(i));
  std::stable_sort(list.begin(), list.end(),
                   [](TMenuItem* A, TMenuItem* B) { return A->GroupIndex() < B->GroupIndex(); });
  return list;
}

}  // namespace

void TbsSkinMainMenuBar::CreateMenuItems() {
  FreeObjects();
  if (FMainMenu == nullptr) return;
  TMainMenu* child = GetChildMainMenu();
  if (child != FChildMenu) {
    if (FChildMenu != nullptr) FChildMenu->RemoveFreeNotification(this);
    FChildMenu = child;
    if (child != nullptr) child->FreeNotification(this);
  }
  auto* data = dynamic_cast<TbsDataSkinMainMenuItem*>(FindSkinObject(FItemObjectName));
  if (!FIsSkinned) data = nullptr;
  FHasMergedMenu = child != nullptr;
  if (FHasMergedMenu) FScrollMenu = false;
  std::vector<TMenuItem*> source;
  if (child != nullptr) {
    source = MergedTopItems(FMainMenu->Items(), child->Items());
  } else {
    for (int32_t i = 0; i < FMainMenu->Items()->Count(); ++i) source.push_back(FMainMenu->Items()->Items(i));
  }
  [[maybe_unused]] std::set<String> names;
  for (TMenuItem* m : source) {
    if (!m->Visible()) continue;
    // Items tell each other apart by name.
    assert(names.insert(m->Name()).second && "top-level menu items need unique names");
    auto item = std::make_unique<TbsSkinMainMenuBarItem>(this, data);
    item->ObjectName = m->Name();
    item->IsEnabled = m->Enabled();
    item->SourceItem = m;
    m->FreeNotification(this);
    FBarObjects.push_back(std::move(item));
  }
  if (FMDIButtonsShown) {
    CreateMDIButtons();
    ApplyBorderIcons(MaximizedChildSkinForm());
  }
}

void TbsSkinMainMenuBar::UpdateItems() {
  CreateMenuItems();
  Invalidate();
  FHotIndex = FPrevHotIndex = -1;
  FLeaveTimer->SetEnabled(true);
}

int32_t TbsSkinMainMenuBar::IndexOfObject(const TbsMenuBarObject* Object) const {
  for (size_t i = 0; i < FBarObjects.size(); ++i)
    if (FBarObjects[i].get() == Object) return int32_t(i);
  return -1;
}

TbsSkinMainMenuBarItem* TbsSkinMainMenuBar::Items(int32_t Index) const {
  return static_cast<TbsSkinMainMenuBarItem*>(Objects(Index + FButtonCount));
}

TbsSkinMainMenuBarItem* TbsSkinMainMenuBar::FindItem(TMenuItem* MenuItem) const {
  for (int32_t i = 0; i < ItemCount(); ++i)
    if (Items(i)->SourceItem == MenuItem) return Items(i);
  return nullptr;
}

TbsSkinMainMenuBarItem* TbsSkinMainMenuBar::HotItem() const {
  for (int32_t i = 0; i < ItemCount(); ++i)
    if (Items(i)->IsHot || Items(i)->IsDown) return Items(i);
  return nullptr;
}

TbsSkinMainMenuBarItem* TbsSkinMainMenuBar::DownItem() const {
  for (int32_t i = 0; i < ItemCount(); ++i)
    if (Items(i)->IsDown) return Items(i);
  return nullptr;
}

int32_t TbsSkinMainMenuBar::ShownItemCount() const {
  int32_t n = 0;
  for (int32_t i = 0; i < ItemCount(); ++i)
    if (Items(i)->ShownInBar) ++n;
  return n;
}

// ---- MDI buttons --------------------------------------------------------------------------------

TbsSkinForm* TbsSkinMainMenuBar::MaximizedChildSkinForm() const {
  TCustomForm* main = Application != nullptr ? Application->MainForm() : nullptr;
  if (main == nullptr) return nullptr;
  for (int32_t i = 0; i < main->MDIChildCount(); ++i) {
    TbsSkinForm* child = FindFormSkinForm(main->MDIChildren(i));
    if (child != nullptr && child->WindowState() == 2) return child;
  }
  return nullptr;
}

void TbsSkinMainMenuBar::CreateMDIButtons() {
  const auto insert = [this](TbsDataSkinButton* Data, uint8_t Command) {
    FBarObjects.insert(FBarObjects.begin(), std::make_unique<TbsSkinMainMenuBarButton>(this, Data, Command));
  };
  if (!FIsSkinned) {
    for (uint8_t command : {2, 1, 0, 3}) insert(nullptr, command);
  } else {
    const std::pair<const String*, uint8_t> named[] = {
        {&FMaxButtonName, 1}, {&FMinButtonName, 2}, {&FCloseButtonName, 0}, {&FSysMenuButtonName, 3}};
    // A skin without one of the objects gets a plain button in its place.
    for (const auto& [name, command] : named) insert(dynamic_cast<TbsDataSkinButton*>(FindSkinObject(*name)), command);
  }
  FButtonCount = 4;
}

void TbsSkinMainMenuBar::ApplyBorderIcons(TbsSkinForm* Child) {
  if (Child == nullptr) return;
  const TbsBorderIcons icons = Child->BorderIcons();
  for (int32_t i = 0; i < FButtonCount; ++i) {
    auto* b = static_cast<TbsSkinMainMenuBarButton*>(Objects(i));
    b->IsEnabled = true;
    if (b->ButtonCommand == 2 && !icons.Contains(TbsBorderIcon::biMinimize)) b->IsEnabled = false;
    if (b->ButtonCommand == 3 && !icons.Contains(TbsBorderIcon::biSystemMenu)) b->IsEnabled = false;
  }
}

void TbsSkinMainMenuBar::ShowMDIButtons() {
  if (FMDIButtonsShown) return;
  FMDIButtonsShown = true;
  FHotIndex = FPrevHotIndex = FPressedIndex = -1;
  CreateMDIButtons();
  ApplyBorderIcons(MaximizedChildSkinForm());
  Invalidate();
}

void TbsSkinMainMenuBar::HideMDIButtons() {
  TbsSkinForm* child = MaximizedChildSkinForm();
  if (child != nullptr) {
    ApplyBorderIcons(child);
    Invalidate();
    return;
  }
  if (!FMDIButtonsShown) return;
  FMDIButtonsShown = false;
  FHotIndex = FPrevHotIndex = FPressedIndex = -1;
  for (int32_t i = 0; i < FButtonCount; ++i)
    if (FObjectCallDepth > 0) FRetired.push_back(std::move(FBarObjects[size_t(i)]));
  FBarObjects.erase(FBarObjects.begin(), FBarObjects.begin() + FButtonCount);
  FButtonCount = 0;
  Invalidate();
}

// ---- Layout and painting ------------------------------------------------------------------------

void TbsSkinMainMenuBar::CalcItemsArea() {
  if (FIsSkinned && FSkinIndex != -1)
    FItemsArea = TRect{FBarItemsRect.Left, FBarItemsRect.Top, Width() - (RectWidth(FBarSkinRect) - FBarItemsRect.Right),
                       FBarItemsRect.Bottom};
  else
    FItemsArea = TRect{2, 2, Width() - 2, Height() - 2};
}

void TbsSkinMainMenuBar::ArrangeButtons() {
  if (FButtonCount != 4) return;
  const int32_t areaH = RectHeight(FItemsArea);
  const auto place = [&](TbsMenuBarObject* B, int32_t Left) {
    auto* button = static_cast<TbsSkinMainMenuBarButton*>(B);
    const int32_t w = button->Skinned ? RectWidth(button->NormalRect) : areaH;
    const int32_t h = button->Skinned ? RectHeight(button->NormalRect) : areaH;
    const int32_t top = FItemsArea.Top + (areaH - h) / 2;
    B->BarRect = TRect{Left, top, Left + w, top + h};
    return w;
  };
  FItemsArea.Left += place(Objects(0), FItemsArea.Left) + 2;
  for (int32_t i = 1; i < 4; ++i) {
    TbsMenuBarObject* b = Objects(i);
    const int32_t w = place(b, 0);
    b->BarRect = TRect{FItemsArea.Right - w, b->BarRect.Top, FItemsArea.Right, b->BarRect.Bottom};
    FItemsArea.Right -= w + 2;
  }
}

TRect TbsSkinMainMenuBar::ChevronRect() const {
  return TRect{FItemsArea.Right - 5, FItemsArea.Top, FItemsArea.Right, FItemsArea.Bottom};
}

void TbsSkinMainMenuBar::PaintBackground(TBitmap* B) {
  TCanvas* C = B->Canvas();
  const int32_t w = Width(), h = Height();
  if (FSkinIndex == -1) {
    C->Brush()->SetStyle(TBrushStyle::bsSolid);
    C->Brush()->SetColor(clBtnFace);
    C->FillRect(TRect{0, 0, w, h});
  } else if (FSkinData->FormInfo.MainMenuBarTransparent) {
    PaintParentImage(this, C);
  } else if (FBarPicture != nullptr) {
    BuildHSkinImage(FBarItemsRect.Left, RectWidth(FBarSkinRect) - FBarItemsRect.Right, B, FBarPicture, FBarSkinRect, w,
                    h, FBarStretch);
  }
}

void TbsSkinMainMenuBar::DrawChevron(TCanvas* C) {
  TColor color;
  if (FSkinIndex != -1)
    color = FChevronHot ? FChevronHotColor : FChevronColor;
  else
    color = FChevronHot ? clBtnText : clBtnShadow;
  DrawArrow(C, ChevronRect(), color, 2);
}

void TbsSkinMainMenuBar::PaintBar(HDC DC) {
  const int32_t w = Width(), h = Height();
  if (DC == nullptr || w <= 0 || h <= 0) return;
  TObjectCall call(this);
  GetSkinData();
  TBitmap b;
  b.SetSize(w, h);
  PaintBackground(&b);
  b.SetSize(w, h);
  CalcItemsArea();
  ArrangeButtons();
  FHasHiddenItems = false;
  for (const auto& o : FBarObjects)
    if (o->IsVisible) o->Draw(b.Canvas());
  if (FHasHiddenItems && FScrollMenu) DrawChevron(b.Canvas());
  BitBlt(DC, 0, 0, w, h, b.Canvas()->Handle(), 0, 0, SRCCOPY);
}

// Paints the whole bar now, through its off-screen image.
void TbsSkinMainMenuBar::RepaintNow() {
  if (!HandleAllocated() || !Visible()) return;
  HDC dc = GetDC(Handle());
  PaintBar(dc);
  ReleaseDC(Handle(), dc);
}

void TbsSkinMainMenuBar::RedrawObject(TbsMenuBarObject* Object) {
  if (!HandleAllocated() || !Visible() || Object == nullptr) return;
  // A transparent item copies the background from what it is drawn on: only
  // the off-screen image of the whole bar has it fresh.
  if (FSkinIndex != -1 && FItemTransparent && dynamic_cast<TbsSkinMainMenuBarItem*>(Object) != nullptr)
    return RepaintNow();
  if (!Object->IsVisible) return;
  HDC dc = GetDC(Handle());
  TCanvas c;
  c.SetHandle(dc);
  Object->Draw(&c);
  c.SetHandle(nullptr);
  ReleaseDC(Handle(), dc);
}

// ---- Messages and mouse -------------------------------------------------------------------------

void TbsSkinMainMenuBar::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_ERASEBKGND: WMEraseBkgnd(Message); break;
    case WM_SIZE: TbsSkinControl::Dispatch(Message), CalcItemsArea(), ArrangeButtons(); break;
    case WM_MOVE: TbsSkinControl::Dispatch(Message), RepaintIfParentShows(); break;
    case WM_SKIN_PARENTCHANGED: RepaintIfParentShows(); break;
    case WM_SKIN_MENUCLOSED: WMSkinMenuClosed(Message); break;
    case CM_MOUSEENTER: CMMouseEnterBar(Message); break;
    case CM_MOUSELEAVE: CMMouseLeaveBar(Message); break;
    default: TbsSkinControl::Dispatch(Message); break;
  }
}

void TbsSkinMainMenuBar::WMEraseBkgnd(TMessage& Message) {
  PaintBar(reinterpret_cast<HDC>(Message.WParam));
  Message.Result = 1;
}

void TbsSkinMainMenuBar::RepaintIfParentShows() {
  GetSkinData();
  if (FSkinIndex != -1 && FSkinData->FormInfo.MainMenuBarTransparent) Invalidate();
}

void TbsSkinMainMenuBar::WMSkinMenuClosed(TMessage&) {
  TObjectCall call(this);
  for (int32_t i = 0; i < FButtonCount; ++i) {
    auto* b = static_cast<TbsSkinMainMenuBarButton*>(Objects(i));
    if (!b->IsSysMenuButton() || !b->IsDown) continue;
    b->IsDown = false;
    b->IsHot = i == FHotIndex;
    b->StartEffect();
  }
}

void TbsSkinMainMenuBar::CMMouseEnterBar(TMessage& Message) {
  TbsSkinControl::Dispatch(Message);
  FLeaveTimer->SetEnabled(true);
}

void TbsSkinMainMenuBar::CMMouseLeaveBar(TMessage& Message) {
  TbsSkinControl::Dispatch(Message);
  FLeaveTimer->SetEnabled(false);
  TestMouse(-1, -1);
}

void TbsSkinMainMenuBar::TestMouse(int32_t X, int32_t Y) {
  if (FBarObjects.empty()) return;
  TObjectCall call(this);
  FPrevHotIndex = FHotIndex;
  FHotIndex = -1;
  for (int32_t i = 0; i < ObjectCount(); ++i)
    if (Objects(i)->IsEnabled && PointInRect(Objects(i)->BarRect, TPoint{X, Y})) {
      FHotIndex = i;
      break;
    }
  // A pressed object keeps the mouse to itself until the release.
  if (FPressedIndex != -1 && FHotIndex != FPressedIndex) FHotIndex = -1;
  if (FPrevHotIndex >= ObjectCount()) FPrevHotIndex = -1;
  if (FHotIndex != FPrevHotIndex) {
    TbsMenuBarObject* prev = FPrevHotIndex != -1 ? Objects(FPrevHotIndex) : nullptr;
    TbsMenuBarObject* hot = FHotIndex != -1 ? Objects(FHotIndex) : nullptr;
    if (prev != nullptr && prev->IsEnabled) prev->MouseLeave();
    if (hot != nullptr && hot->IsEnabled && IndexOfObject(hot) != -1) hot->MouseEnter();
  }
  if (FHasHiddenItems && FScrollMenu) TestChevron(X, Y);
}

void TbsSkinMainMenuBar::TestChevron(int32_t X, int32_t Y) {
  const bool in = PointInRect(ChevronRect(), TPoint{X, Y});
  if (in == FChevronHot) return;
  FChevronHot = in;
  RepaintNow();
}

void TbsSkinMainMenuBar::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  TbsSkinControl::MouseMove(Shift, X, Y);
  if (!FLeaveTimer->Enabled()) FLeaveTimer->SetEnabled(true);
  TestMouse(X, Y);
}

void TbsSkinMainMenuBar::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TbsSkinControl::MouseDown(Button, Shift, X, Y);
  TObjectCall call(this);
  TestMouse(X, Y);
  if (FHotIndex != -1) {
    FPressedIndex = FHotIndex;
    TbsMenuBarObject* o = Objects(FHotIndex);
    o->MouseDown(X, Y, Button);
    if (Shift.Contains(ssDouble) && IndexOfObject(o) != -1) o->DblClick();
  } else if (FHasHiddenItems && FScrollMenu && PointInRect(ChevronRect(), TPoint{X, Y})) {
    OpenOverflowMenu();
  }
}

void TbsSkinMainMenuBar::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TbsSkinControl::MouseUp(Button, Shift, X, Y);
  TObjectCall call(this);
  if (FPressedIndex >= 0 && FPressedIndex < ObjectCount()) Objects(FPressedIndex)->MouseUp(X, Y, Button);
  FPressedIndex = -1;
}

void TbsSkinMainMenuBar::OpenOverflowMenu() {
  if (FSkinForm == nullptr || FMainMenu == nullptr) return;
  const TRect c = ChevronRect();
  const TPoint p = ClientToScreen(TPoint{c.Left, c.Top});
  const TRect anchor{p.X, p.Y, p.X + RectWidth(c), p.Y + RectHeight(c)};
  const int32_t n = ShownItemCount();
  FSkinForm->SkinMenuOpened();
  TMainMenu* child = GetChildMainMenu();
  if (child != nullptr)
    FSkinForm->SkinMenu()->PopupMerged(nullptr, FSkinData, false, child->Items(), FMainMenu->Items(), anchor, n);
  else
    FSkinForm->SkinMenu()->Popup(nullptr, FSkinData, false, FMainMenu->Items(), anchor, n);
}

// ---- Timers -------------------------------------------------------------------------------------

void TbsSkinMainMenuBar::LeaveTimerTick(TObject*) {
  TPoint p{};
  GetCursorPos(&p);
  p = ScreenToClient(p);
  if (p.X < 0 || p.Y < 0 || p.X >= Width() || p.Y >= Height()) {
    FLeaveTimer->SetEnabled(false);
    TestMouse(-1, -1);
  } else {
    TestMouse(p.X, p.Y);
  }
}

void TbsSkinMainMenuBar::MorphTimerTick(TObject*) {
  TObjectCall call(this);
  bool any = false;
  for (size_t i = 0; i < FBarObjects.size(); ++i) {
    TbsMenuBarObject* o = FBarObjects[i].get();
    if (o->CanMorph() && o->MorphPending()) {
      o->MorphStep();
      any = true;
    }
  }
  if (!any) FMorphTimer->SetEnabled(false);
}

void TbsSkinMainMenuBar::AnimTimerTick(TObject*) {
  TObjectCall call(this);
  bool any = false;
  for (int32_t i = 0; i < ItemCount(); ++i)
    if (Items(i)->AnimStep()) any = true;
  if (!any) FAnimTimer->SetEnabled(false);
}

// ---- Keyboard menu mode -------------------------------------------------------------------------

bool TbsSkinMainMenuBar::Selectable(int32_t Index) const {
  const TbsSkinMainMenuBarItem* item = Items(Index);
  return item->IsEnabled && item->ShownInBar;
}

bool TbsSkinMainMenuBar::ProcessAccel(uint32_t Key) {
  if (FSkinForm == nullptr || FBarObjects.empty() || !FSkinForm->OwnerForm()->Visible()) return false;
  TObjectCall call(this);
  for (int32_t i = 0; i < ItemCount(); ++i) {
    TbsSkinMainMenuBarItem* item = Items(i);
    if (!Selectable(i) || item->SourceItem == nullptr || !IsAccel(Key, item->SourceItem->Caption())) continue;
    item->MouseEnter();
    if (!FSkinForm->SkinMenuOpen() || !item->HasChildren()) item->MouseDown(0, 0, TMouseButton::mbLeft);
    return true;
  }
  return false;
}

void TbsSkinMainMenuBar::SelectItem(int32_t Step) {
  const int32_t n = ItemCount();
  if (n == 0) return;
  TObjectCall call(this);
  int32_t current = -1;
  for (int32_t i = 0; i < n && current == -1; ++i)
    if (Selectable(i) && (Items(i)->IsHot || Items(i)->IsDown)) current = i;
  int32_t start = current;
  if (current != -1)
    Items(current)->MouseLeave();
  else
    start = Step > 0 ? n - 1 : 0;
  if (ItemCount() != n) return;  // a handler rebuilt the bar
  for (int32_t k = 1; k <= n; ++k) {
    const int32_t j = ((start + Step * k) % n + n) % n;
    if (!Selectable(j)) continue;
    Items(j)->MouseEnter();
    return;
  }
}

void TbsSkinMainMenuBar::SelectNextItem() { SelectItem(1); }

void TbsSkinMainMenuBar::SelectPrevItem() { SelectItem(-1); }

bool TbsSkinMainMenuBar::ExecuteHotItem() {
  if (FSkinForm == nullptr) return false;
  TObjectCall call(this);
  for (int32_t i = 0; i < ItemCount(); ++i) {
    TbsSkinMainMenuBarItem* item = Items(i);
    if (!((item->IsDown && !item->HasChildren()) || (item->IsHot && !FSkinForm->SkinMenuOpen()))) continue;
    item->IsHot = false;
    item->MouseDown(0, 0, TMouseButton::mbLeft);
    return true;
  }
  return false;
}

void TbsSkinMainMenuBar::EnterMenuMode() {
  if (FSkinForm == nullptr) return;
  TObjectCall call(this);
  TbsSkinMainMenuBarItem* item = nullptr;
  for (int32_t i = 0; i < ItemCount() && item == nullptr; ++i)
    if (Items(i)->IsHot) item = Items(i);
  for (int32_t i = 0; i < ItemCount() && item == nullptr; ++i)
    if (Selectable(i)) item = Items(i);
  if (item != nullptr) item->MouseEnter();
  FSkinForm->StartMainMenuMode();
  if (FSkinForm->OnMainMenuEnter) FSkinForm->OnMainMenuEnter(this);
}

void TbsSkinMainMenuBar::ReleaseDownItem() {
  TObjectCall call(this);
  if (TbsSkinMainMenuBarItem* item = DownItem()) {
    item->IsDown = false;
    item->IsHot = true;
    RedrawObject(item);
  }
}

void TbsSkinMainMenuBar::ResetItems() {
  TObjectCall call(this);
  if (TbsSkinMainMenuBarItem* item = HotItem()) {
    item->IsHot = false;
    item->IsDown = false;
    item->MouseIn = false;
    if (item->CanAnimate() && !item->InactiveAnim) {
      item->FrameIndex = 0;
      RedrawObject(item);
    } else {
      item->StartEffect();
    }
  }
  FHotIndex = FPrevHotIndex = -1;
}
