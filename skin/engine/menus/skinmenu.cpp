#include <algorithm>

#include "skin/engine/data/skindraw.h"
#include "skin/engine/data/skinmessages.h"
#include "skin/engine/menus/skinmenus.h"

namespace {

// Posted to the controller's own window: free the closed popup windows.
constexpr uint32_t WM_RELEASE_CLOSED = WM_USER + 1;

}  // namespace

bool IsMenuCloseMessage(uint32_t Msg) {
  switch (Msg) {
    case WM_MOVE:
    case WM_SIZE:
    case WM_ACTIVATE:
    case WM_KILLFOCUS:
    case WM_CANCELMODE:
    case WM_MOUSEACTIVATE:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_PARENTNOTIFY: return true;
    default: return false;
  }
}

void SendMenuMessage(TControl* Control, uint32_t Msg) {
  if (Control == nullptr) return;
  auto* windowed = dynamic_cast<TWinControl*>(Control);
  if (windowed != nullptr && windowed->HandleAllocated())
    SendMessage(windowed->Handle(), Msg, 0, 0);
  else
    Control->Perform(Msg, 0, 0);
}

TbsSkinMenu::TbsSkinMenu(TComponent* AOwner, TCustomForm* AForm)
    : TComponent(AOwner), FDefMenuItemFont(std::make_unique<TFont>()), FOwnerForm(AForm) {
  FDefMenuItemFont->SetName("Arial");
  FDefMenuItemFont->SetHeight(14);
  FDefMenuItemFont->SetStyle({});
  FSubmenuTimer = new TTimer(this);
  FSubmenuTimer->SetEnabled(false);
  FSubmenuTimer->SetInterval(500);
  FSubmenuTimer->SetOnTimer([this](TObject* Sender) { SubmenuTimerTick(Sender); });
  FReleaseWnd = AllocateHWnd([this](TMessage& Message) { ReleaseWndProc(Message); });
}

TbsSkinMenu::~TbsSkinMenu() {
  if (IsOpen || !WindowChain.empty()) CloseLevels(0);
  for (TbsSkinPopupWindow* w : FClosedWindows) delete w;
  FClosedWindows.clear();
  DeallocateHWnd(FReleaseWnd);
  DestroyComponents();
}

// ---- Opening -----------------------------------------------------------------------------------

void TbsSkinMenu::Open(TControl* APopupCtrl, TbsSkinData* ASkinData) {
  FirstWindow = !IsOpen;
  // The menu being replaced tells its own opener; the new opener is kept.
  if (!WindowChain.empty()) CloseLevels(0);
  FOpenerControl = APopupCtrl;
  MenuArea = TRect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  TCustomForm* form = FOwnerForm.Get();
  GetMonitorRect(form != nullptr ? form->Handle() : nullptr, true, MenuArea);
  MenuSkinData = ASkinData;
}

void TbsSkinMenu::Popup(TControl* APopupCtrl, TbsSkinData* ASkinData, bool PopupUp, TMenuItem* Item, const TRect& R,
                        int32_t StartIndex) {
  Open(APopupCtrl, ASkinData);
  if (Item == nullptr || Item->Count() == 0 || StartIndex >= Item->Count()) return;
  IsOpen = true;
  OpenWindow(R, Item, nullptr, PopupUp, false, StartIndex);
  FirstWindow = false;
}

void TbsSkinMenu::PopupMerged(TControl* APopupCtrl, TbsSkinData* ASkinData, bool PopupUp, TMenuItem* A, TMenuItem* B,
                              const TRect& R, int32_t StartIndex) {
  Open(APopupCtrl, ASkinData);
  if (A == nullptr || B == nullptr || B->Count() == 0 || StartIndex >= A->Count() + B->Count()) return;
  IsOpen = true;
  OpenWindow(R, B, A, PopupUp, false, StartIndex);
  FirstWindow = false;
}

void TbsSkinMenu::OpenWindow(const TRect& R, TMenuItem* A, TMenuItem* B, bool PopupUp, bool Beside,
                             int32_t StartIndex) {
  TbsDataSkinPopupWindow* d =
      MenuSkinData != nullptr && !MenuSkinData->Empty ? &MenuSkinData->PopupWindowData : nullptr;
  auto* w = new TbsSkinPopupWindow(this, d);
  WindowChain.push_back(w);
  if (B == nullptr)
    w->Show(R, A, StartIndex, PopupUp, Beside);
  else
    w->ShowMerged(R, A, B, StartIndex, PopupUp, Beside);
}

int32_t TbsSkinMenu::IndexOfWindow(const TbsSkinPopupWindow* W) const {
  const auto it = std::find(WindowChain.begin(), WindowChain.end(), W);
  return int32_t(it - WindowChain.begin());
}

// ---- Entering and choosing items --------------------------------------------------------------------

void TbsSkinMenu::ExecuteItem(TbsSkinPopupWindow* W, TbsSkinMenuItem* I, bool Kb, bool Click) {
  TMenuItem* source = I->SourceItem;
  const int32_t level = IndexOfWindow(W);
  const bool children = source->Count() > 0;
  if (!children && !Click) {
    StopSubmenuTimer();
    CloseLevels(level + 1);
  } else if (!children) {
    StopSubmenuTimer();
    CloseMenu();
    DispatchCommand(source);
    TControl* command = FCommandControl.Get();
    FCommandControl = nullptr;
    SendMenuMessage(command, WM_SKIN_MENUCOMMAND);
  } else if (!Click && !Kb) {
    StopSubmenuTimer();
    CloseLevels(level + 1);
    PendingItem = I;
    FSubmenuTimer->SetEnabled(true);
  } else if (Click) {
    DispatchCommand(source);
    StopSubmenuTimer();
    // A level already open below this window (another item's submenu) goes
    // first, so each level holds one window.
    CloseLevels(level + 1);
    if (IndexOfWindow(W) >= WindowCount()) return;  // the command closed the menu
    I->SubmenuOpen = true;
    const TPoint origin = W->ClientToScreen(TPoint{0, 0});
    const TRect anchor{I->ItemRect.Left + origin.X, I->ItemRect.Top + origin.Y, I->ItemRect.Right + origin.X,
                       I->ItemRect.Bottom + origin.Y};
    OpenWindow(anchor, source, nullptr, false, true, 0);
  }
}

void TbsSkinMenu::DispatchCommand(TMenuItem* Item) {
  TMenu* menu = Item->GetParentMenu();
  if (menu == nullptr || !menu->DispatchCommand(Item->Command())) Item->Click();
}

void TbsSkinMenu::StopSubmenuTimer() {
  FSubmenuTimer->SetEnabled(false);
  PendingItem = nullptr;
}

void TbsSkinMenu::SubmenuTimerTick(TObject*) {
  FSubmenuTimer->SetEnabled(false);
  TbsSkinMenuItem* item = PendingItem;
  PendingItem = nullptr;
  if (item != nullptr) ExecuteItem(item->ListWindow, item, false, true);
}

// ---- Closing ----------------------------------------------------------------------------------------

void TbsSkinMenu::CloseLevels(int32_t Level) {
  const int32_t from = std::max(0, Level);
  bool closed = false;
  while (int32_t(WindowChain.size()) > from) {
    TbsSkinPopupWindow* w = WindowChain.back();
    WindowChain.pop_back();
    // The pending item lives in the window: its timer must not fire on it.
    if (PendingItem != nullptr && PendingItem->ListWindow == w) StopSubmenuTimer();
    w->Hide();
    w->SetClosed();
    FClosedWindows.push_back(w);
    closed = true;
  }
  if (closed) ScheduleRelease();
  if (Level != 0) return;
  IsOpen = false;
  StopSubmenuTimer();
  FCommandControl = FOpenerControl;
  if (TControl* opener = FOpenerControl.Get()) {
    FOpenerControl = nullptr;
    SendMenuMessage(opener, WM_SKIN_MENUCLOSED);
  }
  if (OnMenuClose) {
    TNotifyEvent handler = std::move(OnMenuClose);
    OnMenuClose = nullptr;
    handler(this);
  }
}

void TbsSkinMenu::CloseMenu() {
  CloseLevels(0);
  StopSubmenuTimer();
  if (TCustomForm* form = FOwnerForm.Get()) SendMenuMessage(form, WM_SKIN_MENUCLOSED);
  if (TControl* opener = FOpenerControl.Get()) {
    FOpenerControl = nullptr;
    SendMenuMessage(opener, WM_SKIN_MENUCLOSED);
  }
}

void TbsSkinMenu::ScheduleRelease() {
  if (FReleaseWnd != nullptr) PostMessage(FReleaseWnd, WM_RELEASE_CLOSED, 0, 0);
}

void TbsSkinMenu::ReleaseClosedWindows() {
  std::vector<TbsSkinPopupWindow*> busy;
  std::vector<TbsSkinPopupWindow*> list;
  list.swap(FClosedWindows);
  for (TbsSkinPopupWindow* w : list) {
    if (w->HandlerRunning())
      busy.push_back(w);  // its handler posts again when it returns
    else
      delete w;
  }
  FClosedWindows.insert(FClosedWindows.end(), busy.begin(), busy.end());
}

void TbsSkinMenu::ReleaseWndProc(TMessage& Message) {
  if (Message.Msg == WM_RELEASE_CLOSED)
    ReleaseClosedWindows();
  else
    Message.Result = DefWindowProc(FReleaseWnd, Message.Msg, Message.WParam, Message.LParam);
}
