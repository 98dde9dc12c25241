// TApplication (the message loop with its key and mouse pre-processing,
// idle work, exceptions, short-cuts), TScreen, TMonitor and the message box.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <typeinfo>

#include "platform/gui/fonts.h"
#include "platform/gui/headless.h"
#include "platform/gui/win_internal.h"
#include "platform/rtl/threads.h"
#include "platform/vcl/controls_internal.h"
#include "platform/vcl/forms.h"

TApplication* Application = nullptr;
TScreen* Screen = nullptr;

// ================================================================================
// Message box
// ================================================================================

namespace {

bool IsMouseMessage(uint32_t msg) {
  return (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST && msg != WM_MOUSEWHEEL && msg != WM_MOUSEHWHEEL) ||
         (msg >= WM_NCMOUSEMOVE && msg <= WM_NCMBUTTONDBLCLK) || msg == WM_MOUSELEAVE || msg == WM_NCMOUSELEAVE;
}

String ExecutablePath() {
  char buffer[4096];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
  if (n <= 0) return String();
  return String(buffer, size_t(n));
}

}  // namespace

// ================================================================================
// TApplication
// ================================================================================

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {
  VclCheckThread("TApplication");
  Application = this;
  FIcon = std::make_unique<TIcon>();
  FExeName = ExecutablePath();
  String base = FExeName.substr(FExeName.find_last_of('/') + 1);
  FTitle = base.substr(0, base.find_last_of('.') == String::npos ? base.size() : base.find_last_of('.'));
}

TApplication::~TApplication() {
  Destroying();
  FPendingReleases.clear();
  DoneHints();
  DestroyComponents();
  FMouseControl = nullptr;
  if (FHandle != nullptr) {
    WinSetApplicationWindow(nullptr);
    DeallocateHWnd(FHandle);
    FHandle = nullptr;
  }
  if (Application == this) Application = nullptr;
}

void TApplication::Initialize() {}

void TApplication::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != TOperation::opRemove) return;
  if (AComponent == static_cast<TComponent*>(FMainForm)) FMainForm = nullptr;
}

bool VclFormBusy(TCustomForm* Form, int32_t OwnDepth);

void TApplication::DeferRelease(TCustomForm* Form) {
  for (auto& r : FPendingReleases)
    if (r.Get() == Form) return;
  FPendingReleases.emplace_back(Form);
}

void TApplication::ReleasePending() {
  if (FPendingReleases.empty()) return;
  std::vector<TComponentRef<TCustomForm>> list;
  list.swap(FPendingReleases);
  for (auto& r : list) {
    TCustomForm* f = r.Get();
    if (f == nullptr) continue;
    if (VclFormBusy(f, 0) || f->FormState().Contains(TFormStateItem::fsModal))
      FPendingReleases.push_back(r);
    else
      delete f;
  }
}

void TApplication::AdoptForm(TCustomForm* Form) {
  Form->AfterConstruction();
  if (FMainForm == nullptr) {
    FMainForm = Form;
    Form->HandleNeeded();
  }
}

HWND TApplication::Handle() {
  if (FHandle == nullptr || !IsWindow(FHandle)) {
    FHandle = AllocateHWnd([this](TMessage& Message) { WndProc(Message); });
    WinSetApplicationWindow(FHandle);
  }
  return FHandle;
}

int32_t TApplication::HookMainWindow(TWindowHook Hook) {
  const int32_t id = FNextHookId++;
  FWindowHooks.emplace_back(id, std::move(Hook));
  return id;
}

void TApplication::UnhookMainWindow(int32_t HookId) {
  FWindowHooks.erase(
      std::remove_if(FWindowHooks.begin(), FWindowHooks.end(), [&](const auto& h) { return h.first == HookId; }),
      FWindowHooks.end());
}

void TApplication::WndProc(TMessage& Message) {
  try {
    auto hooks = FWindowHooks;
    for (auto& h : hooks)
      if (h.second && h.second(Message)) return;
    switch (Message.Msg) {
      case CM_APPKEYDOWN: {
        TWMKey k(Message);
        Message.Result = IsShortCut(k) ? 1 : 0;
        return;
      }
      case CM_APPSYSCOMMAND:
        if (FMainForm != nullptr && FMainForm->HandleAllocated())
          Message.Result = SendMessage(FMainForm->Handle(), WM_SYSCOMMAND, Message.WParam, Message.LParam);
        return;
      case WM_NULL: TThread::CheckSynchronize(); return;
      default: Message.Result = DefWindowProc(FHandle, Message.Msg, Message.WParam, Message.LParam); return;
    }
  } catch (...) {
    HandleException(this);
  }
}

bool TApplication::IsShortCut(TWMKey& Message) {
  bool handled = false;
  if (OnShortCut) OnShortCut(Message, handled);
  if (handled) return true;
  TCustomForm* main = FMainForm;
  if (main != nullptr && main != FShortCutAsked && main->HandleAllocated() && IsWindowEnabled(main->Handle()))
    return main->IsShortCut(Message);
  return false;
}

// ---- The loop --------------------------------------------------------------------

bool TApplication::IsKeyMsg(TMSG& Msg) {
  if (Msg.message < WM_KEYFIRST || Msg.message > WM_KEYLAST) return false;
  HWND target = GetCapture();
  if (target == nullptr) {
    target = Msg.hwnd;
    while (target != nullptr && FindControl(target) == nullptr) target = GetParent(target);
    if (target == nullptr) return false;
  } else if (FindControl(target) == nullptr) {
    return false;
  }
  return SendMessage(target, CN_BASE + Msg.message, Msg.wParam, Msg.lParam) != 0;
}

bool TApplication::ProcessMessage(TMSG& Msg) {
  if (!PeekMessage(&Msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (Msg.message == WM_QUIT) {
    FTerminated = true;
    return true;
  }
  try {
    bool handled = false;
    if (OnMessage) OnMessage(Msg, handled);
    // Input cancels a hint even when OnMessage took the message.
    const bool hint = IsHintMsg(Msg);
    if (!hint && !handled && !IsKeyMsg(Msg)) {
      TranslateMessage(&Msg);
      DispatchMessage(&Msg);
    }
  } catch (const EHeadlessHang&) {
    throw;
  } catch (...) {
    HandleException(this);
  }
  if (IsMouseMessage(Msg.message)) UpdateMouseControl(Msg.pt);
  ReleasePending();
  return true;
}

void TApplication::ProcessMessages() {
  VclCheckThread("ProcessMessages");
  TThread::CheckSynchronize();
  TMSG msg;
  while (ProcessMessage(msg)) {
  }
}

void TApplication::HandleMessage() {
  TMSG msg;
  if (!ProcessMessage(msg)) Idle(msg);
}

bool TApplication::DoIdle() {
  TPoint p;
  GetCursorPos(&p);
  UpdateMouseControl(p);
  HintIdle(FMouseControl);
  bool done = true;
  try {
    if (OnIdle) OnIdle(this, done);
    if (done && Screen != nullptr) {
      std::vector<TComponentRef<TCustomForm>> forms;
      for (int32_t i = 0; i < Screen->FormCount(); ++i) forms.emplace_back(Screen->Forms(i));
      for (auto& f : forms)
        if (f && f->HandleAllocated() && IsWindowVisible(f->Handle()) && IsWindowEnabled(f->Handle()))
          f->UpdateActions();
    }
  } catch (const EHeadlessHang&) {
    throw;
  } catch (...) {
    HandleException(this);
  }
  FreeDeviceContexts();
  TThread::CheckSynchronize();
  ReleasePending();
  return done;
}

void TApplication::Idle(const TMSG&) {
  if (DoIdle()) WaitMessage();
}

void TApplication::Run() {
  if (FMainForm == nullptr) return;
  FRunning = true;
  if (FShowMainForm) {
    if (FMainForm->WindowState() == TWindowState::wsMinimized)
      Minimize();
    else
      FMainForm->SetVisible(true);
  }
  do {
    try {
      HandleMessage();
    } catch (const EHeadlessHang&) {
      FRunning = false;
      throw;
    } catch (...) {
      HandleException(this);
    }
  } while (!FTerminated);
  FRunning = false;
}

void TApplication::Terminate() { PostQuitMessage(0); }

void TApplication::UpdateMouseControl(const TPoint& ScreenPos) {
  TControl* target = FindDragTarget(ScreenPos, true);
  if (target == FMouseControl) return;
  TComponentRef<TControl> oldRef(FMouseControl);
  TComponentRef<TControl> newRef(target);
  TControl* old = FMouseControl;
  FMouseControl = target;
  if (oldRef) VclGuard(old, [&] { old->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(old)); });
  if (newRef && FMouseControl == target)
    VclGuard(target, [&] { target->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(target)); });
}

// ---- Exceptions ------------------------------------------------------------------

void TApplication::HandleException(TObject* Sender) {
  std::exception_ptr ep = std::current_exception();
  if (!ep) return;
  if (HWND capture = GetCapture()) SendMessage(capture, WM_CANCELMODE, 0, 0);
  ++FHandleExceptionDepth;
  try {
    try {
      std::rethrow_exception(ep);
    } catch (const EAbort&) {
      // silent
    } catch (const Exception& E) {
      if (OnException && FHandleExceptionDepth == 1)
        OnException(Sender, E);
      else
        ShowException(E);
    } catch (const std::exception& e) {
      Exception wrapped(String(typeid(e).name()) + ": " + e.what());
      if (OnException && FHandleExceptionDepth == 1)
        OnException(Sender, wrapped);
      else
        ShowException(wrapped);
    } catch (...) {
      Exception wrapped("Unknown exception");
      if (OnException && FHandleExceptionDepth == 1)
        OnException(Sender, wrapped);
      else
        ShowException(wrapped);
    }
  } catch (const Exception& inner) {
    // The handler itself failed: show that one.
    ShowException(inner);
  } catch (...) {
    ShowException(Exception("Exception in the exception handler"));
  }
  --FHandleExceptionDepth;
}

void TApplication::ShowException(const Exception& E) {
  String msg = E.Message();
  if (!msg.empty() && uint8_t(msg.back()) > uint8_t('.')) msg += '.';
  MessageBox(msg, FTitle, MB_OK | MB_ICONSTOP);
}

void TApplication::ShowException(const String& ClassName, const String& Message) {
  MessageBox(ClassName + ": " + Message, FTitle, MB_OK | MB_ICONSTOP);
}

int32_t TApplication::MessageBox(const String& Text, const String& Caption, uint32_t Flags) {
  return ::MessageBox(GetActiveWindow(), Text, Caption.empty() ? FTitle : Caption, Flags);
}

// ---- Windows of the application -----------------------------------------------------

// The application window's hooks hear the change as WM_SIZE, as they would
// of a window that is minimised itself.
void TApplication::Minimize() {
  if (FMainForm != nullptr && FMainForm->HandleAllocated()) ShowWindow(FMainForm->Handle(), SW_MINIMIZE);
  SendMessage(Handle(), WM_SIZE, SIZE_MINIMIZED, 0);
  if (OnMinimize) OnMinimize(this);
}

void TApplication::Restore() {
  if (FMainForm != nullptr && FMainForm->HandleAllocated() && IsIconic(FMainForm->Handle()))
    ShowWindow(FMainForm->Handle(), SW_RESTORE);
  SendMessage(Handle(), WM_SIZE, SIZE_RESTORED, 0);
  if (OnRestore) OnRestore(this);
}

void TApplication::BringToFront() {
  TCustomForm* f = Screen != nullptr && Screen->ActiveCustomForm() != nullptr ? Screen->ActiveCustomForm() : FMainForm;
  if (f != nullptr && f->HandleAllocated() && IsWindowVisible(f->Handle())) {
    BringWindowToTop(f->Handle());
    SetForegroundWindow(f->Handle());
  }
}

// ================================================================================
// TMonitor and TScreen
// ================================================================================

TRect TMonitor::BoundsRect() const {
  MONITORINFO mi;
  if (!GetMonitorInfo(FHandle, &mi)) return TRect();
  return mi.rcMonitor;
}

TRect TMonitor::WorkareaRect() const {
  MONITORINFO mi;
  if (!GetMonitorInfo(FHandle, &mi)) return TRect();
  return mi.rcWork;
}

bool TMonitor::Primary() const {
  MONITORINFO mi;
  return GetMonitorInfo(FHandle, &mi) && (mi.dwFlags & MONITORINFOF_PRIMARY) != 0;
}

namespace {

struct TSystemCursor {
  TCursor Cursor;
  const char* Id;
};

const TSystemCursor kSystemCursors[] = {
    {crDefault, IDC_ARROW},
    {crArrow, IDC_ARROW},
    {crCross, IDC_CROSS},
    {crIBeam, IDC_IBEAM},
    {crSizeNESW, IDC_SIZENESW},
    {crSizeNS, IDC_SIZENS},
    {crSizeNWSE, IDC_SIZENWSE},
    {crSizeWE, IDC_SIZEWE},
    {crUpArrow, IDC_UPARROW},
    {crHourGlass, IDC_WAIT},
    {crDrag, IDC_ARROW},
    {crNoDrop, IDC_NO},
    {crHSplit, IDC_SIZEWE},
    {crVSplit, IDC_SIZENS},
    {crMultiDrag, IDC_ARROW},
    {crSQLWait, IDC_WAIT},
    {crNo, IDC_NO},
    {crAppStart, IDC_APPSTARTING},
    {crHelp, IDC_HELP},
    {crHandPoint, IDC_HAND},
    {crSizeAll, IDC_SIZEALL},
};

bool CollectMonitor(HMONITOR monitor, HDC, TRect*, LPARAM data) {
  reinterpret_cast<std::vector<HMONITOR>*>(data)->push_back(monitor);
  return true;
}

}  // namespace

TScreen::TScreen(TComponent* AOwner) : TComponent(AOwner) {
  VclCheckThread("TScreen");
  Screen = this;
  FHintFont = std::make_unique<TFont>();
  FHintFont->SetColor(clInfoText);
  FIconFont = std::make_unique<TFont>();
  FMenuFont = std::make_unique<TFont>();
  FMenuFont->SetColor(clMenuText);
}

TScreen::~TScreen() {
  Destroying();
  for (auto& c : FCursorMap)
    if (c.second != nullptr) DestroyCursor(c.second);
  FCursorMap.clear();
  if (Screen == this) Screen = nullptr;
}

TCustomForm* TScreen::Forms(int32_t Index) const {
  if (Index < 0 || Index >= FormCount()) throw EListError("List index out of bounds (%d)", {Index});
  return FForms[size_t(Index)];
}

void TScreen::AddForm(TCustomForm* AForm) { FForms.push_back(AForm); }

void TScreen::RemoveForm(TCustomForm* AForm) {
  FForms.erase(std::remove(FForms.begin(), FForms.end(), AForm), FForms.end());
  FormDestroyed(AForm);
}

void TScreen::FormDestroyed(TCustomForm* Form) {
  if (FFocusedForm == Form) FFocusedForm = nullptr;
  if (FLastActiveCustomForm == Form) FLastActiveCustomForm = nullptr;
  if (FActiveControl != nullptr && GetParentForm(FActiveControl) == Form) FActiveControl = nullptr;
  if (FActiveCustomForm == Form) {
    FActiveCustomForm = nullptr;
    if (OnActiveFormChange) VclGuard(this, [&] { OnActiveFormChange(this); });
  }
}

void TScreen::SetActive(TCustomForm* Form, TWinControl* Control) {
  const bool formChanged = FActiveCustomForm != Form;
  const bool controlChanged = FActiveControl != Control;
  FActiveCustomForm = Form;
  FLastActiveCustomForm = Form;
  FActiveControl = Control;
  if (controlChanged && OnActiveControlChange) VclGuard(this, [&] { OnActiveControlChange(this); });
  if (formChanged && OnActiveFormChange) VclGuard(this, [&] { OnActiveFormChange(this); });
}

void TScreen::SetCursor(TCursor Value) {
  if (FCursor == Value) return;
  FCursor = Value;
  if (Value == crDefault) {
    // The window under the pointer chooses again.
    TPoint p;
    GetCursorPos(&p);
    HWND h = WindowFromPoint(p);
    if (h != nullptr) {
      LRESULT hit = SendMessage(h, WM_NCHITTEST, 0, MAKELPARAM(p.X, p.Y));
      SendMessage(h, WM_SETCURSOR, reinterpret_cast<WPARAM>(h), MAKELPARAM(int32_t(hit), WM_MOUSEMOVE));
      return;
    }
  }
  ::SetCursor(Cursors(Value));
}

HCURSOR TScreen::Cursors(int32_t Index) const {
  auto it = FCursorMap.find(Index);
  if (it != FCursorMap.end()) return it->second;
  if (Index == crNone) return nullptr;
  for (const TSystemCursor& c : kSystemCursors)
    if (c.Cursor == Index) return LoadCursor(nullptr, c.Id);
  return LoadCursor(nullptr, IDC_ARROW);
}

void TScreen::SetCursors(int32_t Index, HCURSOR Handle) {
  auto it = FCursorMap.find(Index);
  if (it != FCursorMap.end()) {
    if (it->second == Handle) return;
    if (it->second != nullptr) DestroyCursor(it->second);
    FCursorMap.erase(it);
  }
  if (Handle != nullptr) FCursorMap[Index] = Handle;
}

int32_t TScreen::Width() const { return GetSystemMetrics(SM_CXSCREEN); }
int32_t TScreen::Height() const { return GetSystemMetrics(SM_CYSCREEN); }

TRect TScreen::DesktopRect() const {
  const int32_t x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
  return Bounds(x, y, GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN));
}

TRect TScreen::WorkAreaRect() const {
  TRect r;
  SystemParametersInfo(SPI_GETWORKAREA, 0, &r, 0);
  return r;
}

void TScreen::UpdateMonitors() {
  std::vector<HMONITOR> handles;
  EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&handles));
  std::vector<std::unique_ptr<TMonitor>> next;
  for (size_t i = 0; i < handles.size(); ++i) {
    std::unique_ptr<TMonitor> m;
    for (auto& old : FMonitors)
      if (old && old->FHandle == handles[i]) m = std::move(old);
    if (!m) {
      m = std::make_unique<TMonitor>();
      m->FHandle = handles[i];
    }
    m->FMonitorNum = int32_t(i);
    next.push_back(std::move(m));
  }
  // Monitors that went away stay allocated until the screen goes: callers
  // may still hold them.
  for (auto& old : FMonitors)
    if (old) {
      old->FMonitorNum = -1;
      next.push_back(std::move(old));
    }
  FMonitors = std::move(next);
}

int32_t TScreen::MonitorCount() {
  UpdateMonitors();
  int32_t n = 0;
  for (auto& m : FMonitors)
    if (m->FMonitorNum >= 0) ++n;
  return n;
}

TMonitor* TScreen::Monitors(int32_t Index) {
  UpdateMonitors();
  for (auto& m : FMonitors)
    if (m->FMonitorNum == Index && Index >= 0) return m.get();
  throw EListError("List index out of bounds (%d)", {Index});
}

TMonitor* TScreen::FindMonitor(HMONITOR Handle) {
  if (Handle == nullptr) return nullptr;
  UpdateMonitors();
  for (auto& m : FMonitors)
    if (m->FHandle == Handle && m->FMonitorNum >= 0) return m.get();
  return nullptr;
}

TMonitor* TScreen::PrimaryMonitor() {
  UpdateMonitors();
  for (auto& m : FMonitors)
    if (m->FMonitorNum >= 0 && m->Primary()) return m.get();
  return nullptr;
}

namespace {
uint32_t MonitorFlags(TMonitorDefaultTo Default) {
  switch (Default) {
    case TMonitorDefaultTo::mdNull: return MONITOR_DEFAULTTONULL;
    case TMonitorDefaultTo::mdPrimary: return MONITOR_DEFAULTTOPRIMARY;
    default: return MONITOR_DEFAULTTONEAREST;
  }
}
}  // namespace

TMonitor* TScreen::MonitorFromWindow(HWND Handle, TMonitorDefaultTo Default) {
  return FindMonitor(::MonitorFromWindow(Handle, MonitorFlags(Default)));
}

TMonitor* TScreen::MonitorFromPoint(const TPoint& Point, TMonitorDefaultTo Default) {
  return FindMonitor(::MonitorFromPoint(Point, MonitorFlags(Default)));
}

TMonitor* TScreen::MonitorFromRect(const TRect& Rect, TMonitorDefaultTo Default) {
  return FindMonitor(::MonitorFromRect(&Rect, MonitorFlags(Default)));
}

TStrings* TScreen::Fonts() {
  if (!FFonts) {
    FFonts = std::make_unique<TStringList>();
    FFonts->SetSorted(true);
    for (const String& name : FontSubstitutionNames())
      if (FFonts->IndexOf(name) < 0) FFonts->Add(name);
  }
  return FFonts.get();
}
