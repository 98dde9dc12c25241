#include "platform/vcl/hints.h"

#include <algorithm>
#include <memory>
#include <typeindex>

#include "platform/gui/graphics.h"
#include "platform/gui/headless.h"
#include "platform/gui/text.h"
#include "platform/gui/win_paint.h"
#include "platform/vcl/forms.h"
#include "platform/rtl/scopeguard.h"

// ================================================================================
// Hint texts
// ================================================================================

String GetShortHint(const String& Hint) {
  const size_t bar = Hint.find('|');
  return bar == String::npos ? Hint : Hint.substr(0, bar);
}

String GetLongHint(const String& Hint) {
  const size_t bar = Hint.find('|');
  return bar == String::npos ? Hint : Hint.substr(bar + 1);
}

namespace {

bool EndsHint(uint32_t msg) {
  return (msg >= WM_KEYFIRST && msg <= WM_KEYLAST) || msg == CM_ACTIVATE || msg == CM_DEACTIVATE ||
         msg == CM_APPKEYDOWN || msg == CM_APPSYSCOMMAND || msg == WM_COMMAND ||
         (msg > WM_MOUSEMOVE && msg <= WM_MOUSELAST) || msg == WM_NCMOUSEMOVE;
}

}  // namespace

// ================================================================================
// THintWindow
// ================================================================================

THintWindow::THintWindow(TComponent* AOwner) : TCustomControl(AOwner) {
  SetVisible(false);
  SetColor(clInfoBk);
  if (Screen != nullptr) Font()->Assign(Screen->HintFont());
  TControlStyle style = ControlStyle();
  style.Include(TControlStyleItem::csOpaque);
  SetControlStyle(style);
}

THintWindow::~THintWindow() = default;

void THintWindow::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.Style = WS_POPUP | WS_BORDER;
  Params.ExStyle |= WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
  Params.WndParent = nullptr;
  Params.WindowClass.style |= CS_SAVEBITS;
}

void THintWindow::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_NCHITTEST:
      Message.Result = HTTRANSPARENT;  // the pointer goes to what is below
      return;
    case WM_MOUSEACTIVATE: Message.Result = MA_NOACTIVATE; return;
    case CM_TEXTCHANGED: CMTextChanged(Message); return;
    default: TCustomControl::Dispatch(Message);
  }
}

void THintWindow::CMTextChanged(TMessage& Message) {
  TCustomControl::Dispatch(Message);
  if (FActivating) return;  // ActivateHint sets the bounds itself
  Canvas()->Font()->Assign(Font());
  const String text = Caption();
  SetBounds(Left(), Top(), Canvas()->TextWidth(text) + 6, Canvas()->TextHeight(text) + 4);
}

void THintWindow::Paint() {
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  c->Brush()->SetColor(Color());
  c->Brush()->SetStyle(TBrushStyle::bsSolid);
  c->FillRect(r);
  c->Font()->Assign(Font());
  c->Font()->SetColor(clInfoText);
  c->Brush()->SetStyle(TBrushStyle::bsClear);
  r.Left += 2;
  r.Top += 2;
  const String text = Caption();
  DrawText(c->Handle(), text.c_str(), -1, &r, DT_LEFT | DT_NOPREFIX | DT_WORDBREAK);
}

TRect THintWindow::CalcHintRect(int32_t MaxWidth, const String& AHint, void*) {
  TRect r{0, 0, MaxWidth, 0};
  Canvas()->Font()->Assign(Font());
  DrawText(Canvas()->Handle(), AHint.c_str(), -1, &r, DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
  r.Right += 6;
  r.Bottom += 2;
  return r;
}

void THintWindow::ActivateHint(TRect Rect, const String& AHint) {
  FActivating = true;
  auto cleanup = ScopeExit([&] { FActivating = false; });
  SetCaption(AHint);
  Rect.Bottom += 4;
  UpdateBoundsRect(Rect);
  TRect desk = Screen != nullptr ? Screen->DesktopRect()
                                 : TRect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  int32_t left = Rect.Left, top = Rect.Top;
  if (top + Height() > desk.Bottom) top = desk.Bottom - Height();
  if (left + Width() > desk.Right) left = desk.Right - Width();
  if (left < desk.Left) left = desk.Left;
  if (top < desk.Top) top = desk.Top;
  UpdateBoundsRect(TRect{left, top, left + Width(), top + Height()});
  SetWindowPos(Handle(), HWND_TOPMOST, left, top, Width(), Height(), SWP_SHOWWINDOW | SWP_NOACTIVATE);
  Invalidate();
  UpdateWindow(Handle());
}

void THintWindow::ActivateHintData(TRect Rect, const String& AHint, void*) { ActivateHint(Rect, AHint); }

void THintWindow::ReleaseHandle() { DestroyHandle(); }

bool THintWindow::IsHintMsg(const TMSG& Msg) { return EndsHint(Msg.message); }

bool THintWindow::HintShowing() { return HandleAllocated() && IsWindowVisible(Handle()); }

// ================================================================================
// The application's hint engine
// ================================================================================

enum class THintTimerMode : uint8_t { None, Show, Hide };

struct THintState {
  TComponentRef<THintWindow> Window;
  std::type_index WindowType{typeid(void)};
  TComponentRef<TControl> Control;  // the control whose hint is pending or shown
  TRect CursorRect;                 // Control's client coordinates
  bool Active = false;              // a hint is (or was a moment ago) showing
  HWND TimerWindow = nullptr;
  THintTimerMode Mode = THintTimerMode::None;
};

namespace {

constexpr uintptr_t kHintTimer = 1;

// The control whose hint applies: the first with ShowHint up the parents.
TControl* GetHintControl(TControl* Control) {
  TControl* c = Control;
  while (c != nullptr && !c->ShowHint()) c = c->Parent();
  return c;
}

// The control's hint, or the nearest parent's when it has none.
String GetHint(TControl* Control) {
  for (TControl* c = Control; c != nullptr; c = c->Parent())
    if (!c->Hint().empty()) return c->Hint();
  return String();
}

// How far below the pointer's hot spot the cursor image reaches.
int32_t CursorHeightMargin() {
  int32_t result = GetSystemMetrics(SM_CYCURSOR);
  HCURSOR cursor = GetCursor();
  ICONINFO info;
  if (cursor == nullptr || !GetIconInfo(cursor, &info)) return result;
  TBitmap mask, color;
  mask.SetHandle(info.hbmMask);  // both copies are freed with the bitmaps
  if (info.hbmColor != nullptr) color.SetHandle(info.hbmColor);
  mask.SetPixelFormat(TPixelFormat::pf32bit);
  const int32_t w = mask.Width();
  const int32_t h = info.hbmColor != nullptr ? mask.Height() : mask.Height() / 2;
  auto lowest = [&](int32_t from, int32_t to, bool opaqueIsBlack) {
    for (int32_t y = to - 1; y >= from; --y) {
      const uint8_t* row = mask.ScanLine(y);
      for (int32_t x = 0; x < w; ++x) {
        const bool black = row[4 * x] == 0 && row[4 * x + 1] == 0 && row[4 * x + 2] == 0;
        if (black == opaqueIsBlack) return y - from;
      }
    }
    return -1;
  };
  int32_t row = lowest(0, h, true);
  if (row < 0 && info.hbmColor == nullptr && mask.Height() >= 2 * w) row = lowest(h, 2 * h, false);
  if (row >= 0) result = row - int32_t(info.yHotspot);
  return result;
}

}  // namespace

void TApplication::SetHint(const String& Value) {
  if (Value == FHint) return;
  FHint = Value;
  if (OnHint) {
    TNotifyEvent handler = OnHint;
    handler(this);
  }
}

void TApplication::SetShowHint(bool Value) {
  if (Value == FShowHint) return;
  FShowHint = Value;
  if (FHintState == nullptr) return;
  CancelHint();
  // The window is made again (by the class in force) for the next hint.
  delete FHintState->Window.Get();
  FHintState->Window = nullptr;
}

void TApplication::HideHint() {
  if (FHintState == nullptr) return;
  THintWindow* w = FHintState->Window.Get();
  if (w == nullptr) return;
  if (w->Visible()) w->SetVisible(false);  // a window class that shows through Visible
  if (w->HandleAllocated() && IsWindowVisible(w->Handle())) ShowWindow(w->Handle(), SW_HIDE);
}

void TApplication::CancelHint() {
  if (FHintState == nullptr) return;
  THintState& s = *FHintState;
  if (s.Control.Get() == nullptr && !s.Active && s.Mode == THintTimerMode::None) return;
  HideHint();
  s.Control = nullptr;
  s.Active = false;
  if (s.Mode != THintTimerMode::None && IsWindow(s.TimerWindow)) KillTimer(s.TimerWindow, kHintTimer);
  s.Mode = THintTimerMode::None;
}

namespace {

THintState& HintStateOf(TApplication* app) {
  if (app->HintState() == nullptr) app->SetHintState(new THintState());
  THintState& s = *app->HintState();
  if (s.TimerWindow == nullptr || !IsWindow(s.TimerWindow)) {
    s.TimerWindow = AllocateHWnd([app](TMessage& m) {
      THintState* st = app->HintState();
      if (m.Msg == WM_TIMER && st != nullptr && m.WParam == kHintTimer) {
        const THintTimerMode mode = st->Mode;
        KillTimer(st->TimerWindow, kHintTimer);
        st->Mode = THintTimerMode::None;
        try {
          if (mode == THintTimerMode::Show) {
            TPoint p;
            GetCursorPos(&p);
            app->ActivateHint(p);
          } else if (mode == THintTimerMode::Hide) {
            app->CancelHint();
          }
        } catch (const EHeadlessHang&) {
          throw;
        } catch (...) {
          app->CancelHint();          // start afresh with the next move
          app->HandleException(app);  // from CM_HINTSHOW or OnShowHint handlers
        }
        return;
      }
      m.Result = DefWindowProc(st ? st->TimerWindow : nullptr, m.Msg, m.WParam, m.LParam);
    });
    s.Mode = THintTimerMode::None;
  }
  return s;
}

void StartHintTimer(THintState& s, int32_t ms, THintTimerMode mode) {
  if (s.Mode != THintTimerMode::None) KillTimer(s.TimerWindow, kHintTimer);
  s.Mode = mode;
  SetTimer(s.TimerWindow, kHintTimer, uint32_t(std::max(ms, 0)), nullptr);
}

}  // namespace

void TApplication::HintMouseMessage(TControl* Control, TMessage& Message) {
  if (Control == nullptr) return;
  const TPoint screen = Control->ClientToScreen(LParamToPoint(Message.LParam));
  TControl* hintControl = GetHintControl(FindDragTarget(screen, true));
  if (!FShowHint || hintControl == nullptr || !hintControl->ShowHint()) {
    CancelHint();
    return;
  }
  THintState& s = HintStateOf(this);
  if (hintControl != s.Control.Get() || !PtInRect(s.CursorRect, hintControl->ScreenToClient(screen))) {
    const bool wasActive = s.Active;
    int32_t pause = wasActive ? FHintShortPause : FHintPause;
    TComponentRef<TControl> ref(hintControl);
    hintControl->Perform(CM_HINTSHOWPAUSE, wasActive ? 1 : 0, reinterpret_cast<LPARAM>(&pause));
    CancelHint();
    if (!ref) return;
    s.Active = wasActive;
    s.Control = hintControl;
    StartHintTimer(s, pause, THintTimerMode::Show);
  }
}

void TApplication::ActivateHint(const TPoint& CursorPos) {
  THintState& s = HintStateOf(this);
  s.Active = false;
  TControl* control = s.Control.Get();
  THintInfo info;
  if (FShowHint && control != nullptr && control == GetHintControl(FindDragTarget(CursorPos, true))) {
    TComponentRef<TControl> ref(control);
    info.HintControl = control;
    info.HintPos = CursorPos;
    info.HintPos.Y += CursorHeightMargin();
    info.HintMaxWidth = Screen != nullptr ? Screen->Width() : GetSystemMetrics(SM_CXSCREEN);
    info.HintColor = FHintColor;
    const TPoint clientOrigin = control->ClientOrigin();
    const TPoint parentOrigin = control->Parent() != nullptr ? control->Parent()->ClientOrigin() : TPoint{0, 0};
    info.CursorRect = control->BoundsRect();
    OffsetRect(info.CursorRect, parentOrigin.X - clientOrigin.X, parentOrigin.Y - clientOrigin.Y);
    info.CursorPos = control->ScreenToClient(CursorPos);
    info.HintStr = GetShortHint(GetHint(control));
    info.ReshowTimeout = 0;
    info.HideTimeout = FHintHidePause;
    info.HintWindowClass = FHintWindowClass;
    bool canShow = control->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)) == 0;
    if (canShow && ref && OnShowHint) {
      TShowHintEvent handler = OnShowHint;
      handler(info.HintStr, canShow, info);
    }
    s.Active = canShow && ref && s.Control.Get() != nullptr;
    if (s.Active && !info.HintStr.empty()) {
      const std::type_index wanted =
          info.HintWindowClass ? std::type_index(info.HintWindowClass.target_type()) : std::type_index(typeid(void));
      if (s.Window.Get() != nullptr && s.WindowType != wanted) {
        delete s.Window.Get();
        s.Window = nullptr;
      }
      if (s.Window.Get() == nullptr) {
        s.Window = info.HintWindowClass ? info.HintWindowClass(this) : new THintWindow(this);
        s.WindowType = wanted;
      }
      THintWindow* w = s.Window.Get();
      TRect r = w->CalcHintRect(info.HintMaxWidth, info.HintStr, info.HintData);
      OffsetRect(r, info.HintPos.X, info.HintPos.Y);
      s.CursorRect = info.CursorRect;
      w->SetColor(info.HintColor);
      w->ActivateHintData(r, info.HintStr, info.HintData);
      if (info.ReshowTimeout > 0)
        StartHintTimer(s, info.ReshowTimeout, THintTimerMode::Show);
      else
        StartHintTimer(s, info.HideTimeout > 0 ? info.HideTimeout : FHintHidePause, THintTimerMode::Hide);
      return;
    }
  }
  if (info.ReshowTimeout > 0)
    StartHintTimer(s, info.ReshowTimeout, THintTimerMode::Show);
  else
    CancelHint();
}

bool TApplication::IsHintMsg(TMSG& Msg) {
  if (FHintState == nullptr) return false;
  THintWindow* w = FHintState->Window.Get();
  const bool ends = w != nullptr ? w->IsHintMsg(Msg) : EndsHint(Msg.message);
  if (ends) CancelHint();
  return false;
}

void TApplication::HintIdle(TControl* MouseControl) {
  if (FShowHint && MouseControl == nullptr) CancelHint();
  SetHint(GetLongHint(GetHint(MouseControl)));
}

void TApplication::DoneHints() {
  THintState* s = FHintState;
  if (s == nullptr) return;
  FHintState = nullptr;
  if (s->Mode != THintTimerMode::None && IsWindow(s->TimerWindow)) KillTimer(s->TimerWindow, kHintTimer);
  if (s->TimerWindow != nullptr && IsWindow(s->TimerWindow)) DeallocateHWnd(s->TimerWindow);
  delete s->Window.Get();
  delete s;
}
