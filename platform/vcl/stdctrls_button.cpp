// The native "Button" class (push buttons, check boxes, radio buttons, group
// boxes) and the framework's TButton, TCheckBox and TRadioButton.
#include <memory>

#include "platform/gui/syscolors.h"
#include "platform/gui/text.h"
#include "platform/gui/win_paint.h"
#include "platform/vcl/drawframe.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/stdctrls.h"
#include "platform/vcl/stdctrls_internal.h"

// ================================================================================
// The native class
// ================================================================================

namespace {

struct TButtonState {
  uint32_t Check = BST_UNCHECKED;
  bool Pushed = false;
  bool Focused = false;
  bool Captured = false;
  bool SpaceDown = false;
  HFONT Font = nullptr;
};

uint32_t ButtonType(HWND hwnd) { return uint32_t(GetWindowLong(hwnd, GWL_STYLE)) & BS_TYPEMASK; }

bool IsPush(uint32_t type) { return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON; }
bool IsRadio(uint32_t type) { return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON; }
bool IsCheck(uint32_t type) {
  return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE;
}

void Redraw(HWND hwnd) { InvalidateRect(hwnd, nullptr, false); }

// What a click does: auto styles change their check first, then BN_CLICKED.
void ButtonClick(HWND hwnd, TButtonState* s) {
  const uint32_t type = ButtonType(hwnd);
  switch (type) {
    case BS_AUTOCHECKBOX: s->Check = s->Check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED; break;
    case BS_AUTO3STATE: s->Check = (s->Check + 1) % 3; break;
    case BS_AUTORADIOBUTTON: {
      s->Check = BST_CHECKED;
      HWND parent = GetParent(hwnd);
      for (HWND h = parent != nullptr ? GetWindow(parent, GW_CHILD) : nullptr; h != nullptr;
           h = GetWindow(h, GW_HWNDNEXT))
        if (h != hwnd && GetClassNameString(h) == "Button" && ButtonType(h) == BS_AUTORADIOBUTTON)
          SendMessage(h, BM_SETCHECK, BST_UNCHECKED, 0);
      break;
    }
    default: break;
  }
  Redraw(hwnd);
  StdNotifyParent(hwnd, BN_CLICKED);
}

void PaintButton(HWND hwnd, HDC dc, TButtonState* s) {
  const uint32_t style = uint32_t(GetWindowLong(hwnd, GWL_STYLE));
  const uint32_t type = style & BS_TYPEMASK;
  const bool enabled = IsWindowEnabled(hwnd);
  TRect client;
  GetClientRect(hwnd, &client);
  const int32_t saved = SaveDC(dc);
  if (s->Font != nullptr) SelectObject(dc, s->Font);
  String caption = GetWindowTextString(hwnd);
  const uint32_t wrap = (style & BS_MULTILINE) != 0 ? DT_WORDBREAK : DT_SINGLELINE;

  if (type == BS_OWNERDRAW) {
    DRAWITEMSTRUCT d;
    d.CtlType = ODT_BUTTON;
    d.CtlID = uint32_t(GetWindowLong(hwnd, GWL_ID));
    d.itemAction = ODA_DRAWENTIRE;
    d.itemState = (s->Pushed ? ODS_SELECTED : 0) | (s->Focused ? ODS_FOCUS : 0) | (enabled ? 0 : ODS_DISABLED);
    d.hwndItem = hwnd;
    d.hDC = dc;
    d.rcItem = client;
    SendMessage(GetParent(hwnd), WM_DRAWITEM, d.CtlID, reinterpret_cast<LPARAM>(&d));
    RestoreDC(dc, saved);
    return;
  }

  if (IsPush(type)) {
    HBRUSH answer = StdCtlColor(hwnd, WM_CTLCOLORBTN, dc);
    const COLORREF text = answer != nullptr ? GetTextColor(dc) : GetSysColor(COLOR_BTNTEXT);
    TRect r = client;
    if (type == BS_DEFPUSHBUTTON) {
      StdFrameRect(dc, r, COLOR_WINDOWFRAME);
      InflateRect(r, -1, -1);
    }
    TRect inside = r;
    DrawFrameControl(dc, &inside, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_ADJUSTRECT | (s->Pushed ? DFCS_PUSHED : 0));
    if (s->Pushed) OffsetRect(inside, 1, 1);
    TRect tr = inside;
    if (wrap == DT_WORDBREAK) {
      TRect calc = tr;
      String c = caption;
      DrawText(dc, c, &calc, DT_CALCRECT | DT_WORDBREAK | DT_CENTER);
      tr.Top += (tr.Height() - calc.Height()) / 2;
      StdDrawCaption(dc, caption, tr, DT_CENTER | DT_WORDBREAK, enabled, text);
    } else {
      StdDrawCaption(dc, caption, tr, DT_CENTER | DT_VCENTER | DT_SINGLELINE, enabled, text);
    }
    if (s->Focused) {
      TRect f = client;
      InflateRect(f, -4, -4);
      DrawFocusRect(dc, f);
    }
    RestoreDC(dc, saved);
    return;
  }

  // Check boxes, radio buttons and group boxes sit on the parent's colour.
  HBRUSH brush = StdCtlColor(hwnd, WM_CTLCOLORSTATIC, dc);
  const COLORREF text = brush != nullptr ? GetTextColor(dc) : GetSysColor(COLOR_BTNTEXT);
  if (brush == nullptr) brush = GetSysColorBrush(COLOR_BTNFACE);
  if (!StdIsNullBrush(brush)) FillRect(dc, client, brush);

  TEXTMETRIC tm;
  GetTextMetrics(dc, &tm);
  if (type == BS_GROUPBOX) {
    TRect frame = client;
    frame.Top += tm.tmHeight / 2;
    DrawEdge(dc, frame, EDGE_ETCHED, BF_RECT);
    if (!caption.empty()) {
      TRect calc{0, 0, 0, 0};
      String c = caption;
      DrawText(dc, c, &calc, DT_CALCRECT | DT_SINGLELINE);
      TRect tr{client.Left + 8, client.Top, client.Left + 8 + calc.Width() + 2, client.Top + tm.tmHeight};
      if (!StdIsNullBrush(brush)) FillRect(dc, tr, brush);
      tr.Left += 1;
      StdDrawCaption(dc, caption, tr, DT_LEFT | DT_SINGLELINE, enabled, text);
    }
    RestoreDC(dc, saved);
    return;
  }

  const bool radio = IsRadio(type);
  const int32_t box = radio ? StdRadioSize : StdCheckSize;
  const bool leftText = (style & BS_LEFTTEXT) != 0;
  TRect boxRect;
  boxRect.Top = client.Top + (client.Height() - box) / 2;
  boxRect.Bottom = boxRect.Top + box;
  boxRect.Left = leftText ? client.Right - box : client.Left;
  boxRect.Right = boxRect.Left + box;
  uint32_t state = radio ? DFCS_BUTTONRADIO : DFCS_BUTTONCHECK;
  if (s->Check == BST_CHECKED) state |= DFCS_CHECKED;
  if (s->Check == BST_INDETERMINATE && !radio) state |= DFCS_CHECKED | DFCS_BUTTON3STATE;
  if (s->Pushed) state |= DFCS_PUSHED;
  if (!enabled) state |= DFCS_INACTIVE;
  DrawFrameControl(dc, &boxRect, DFC_BUTTON, state);

  TRect tr = client;
  if (leftText)
    tr.Right = boxRect.Left - 4;
  else
    tr.Left = boxRect.Right + 4;
  const uint32_t align = leftText ? DT_RIGHT : DT_LEFT;
  TRect calc = tr;
  String c = caption;
  DrawText(dc, c, &calc, DT_CALCRECT | align | wrap);
  TRect textRect = tr;
  textRect.Top = client.Top + (client.Height() - calc.Height()) / 2;
  textRect.Bottom = textRect.Top + calc.Height();
  StdDrawCaption(dc, caption, textRect, align | wrap, enabled, text);
  if (s->Focused && !caption.empty()) {
    TRect f{leftText ? tr.Right - calc.Width() : tr.Left, textRect.Top, leftText ? tr.Right : tr.Left + calc.Width(),
            textRect.Bottom};
    InflateRect(f, 1, 1);
    DrawFocusRect(dc, f);
  }
  RestoreDC(dc, saved);
}

bool ArrowKeyDown() {
  for (int32_t vk : {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN})
    if (GetKeyState(vk) < 0) return true;
  return false;
}

}  // namespace

LRESULT StdButtonWndProc(HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  TButtonState* s = StdState<TButtonState>(hwnd);
  if (s == nullptr && msg != WM_NCCREATE) return DefWindowProc(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_NCCREATE:
      SetWindowLong(hwnd, 0, reinterpret_cast<intptr_t>(new TButtonState));
      return DefWindowProc(hwnd, msg, wParam, lParam);
    case WM_NCDESTROY:
      SetWindowLong(hwnd, 0, 0);
      delete s;
      return DefWindowProc(hwnd, msg, wParam, lParam);
    case WM_GETDLGCODE: {
      const uint32_t type = ButtonType(hwnd);
      if (type == BS_DEFPUSHBUTTON) return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
      if (type == BS_PUSHBUTTON) return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
      if (IsRadio(type)) return DLGC_BUTTON | DLGC_RADIOBUTTON;
      if (type == BS_GROUPBOX) return DLGC_STATIC;
      return DLGC_BUTTON;
    }
    case WM_ERASEBKGND: return 1;  // WM_PAINT covers the whole client area
    case WM_PAINT: return StdPaintMessage(hwnd, wParam, [&](HDC dc) { PaintButton(hwnd, dc, s); });
    case WM_SETFONT:
      s->Font = reinterpret_cast<HFONT>(wParam);
      if (lParam != 0) Redraw(hwnd);
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(s->Font);
    case WM_SETTEXT: {
      LRESULT r = DefWindowProc(hwnd, msg, wParam, lParam);
      Redraw(hwnd);
      return r;
    }
    case WM_ENABLE:
    case WM_STYLECHANGED: Redraw(hwnd); return 0;
    case WM_SETFOCUS:
      s->Focused = true;
      Redraw(hwnd);
      // A radio button reached by an arrow key is clicked.
      if (IsRadio(ButtonType(hwnd)) && ArrowKeyDown() && s->Check != BST_CHECKED) ButtonClick(hwnd, s);
      return 0;
    case WM_KILLFOCUS:
      s->Focused = false;
      s->SpaceDown = false;
      if (s->Captured) ReleaseCapture();
      s->Pushed = false;
      Redraw(hwnd);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (ButtonType(hwnd) == BS_GROUPBOX) return 0;
      if (msg == WM_LBUTTONDBLCLK && (IsRadio(ButtonType(hwnd)) || ButtonType(hwnd) == BS_OWNERDRAW)) {
        StdNotifyParent(hwnd, BN_DOUBLECLICKED);
        return 0;
      }
      if (GetFocus() != hwnd) SetFocus(hwnd);
      SetCapture(hwnd);
      s->Captured = true;
      s->Pushed = true;
      Redraw(hwnd);
      return 0;
    case WM_MOUSEMOVE:
      if (s->Captured) {
        TRect client;
        GetClientRect(hwnd, &client);
        const bool inside = PtInRect(client, LParamToPoint(lParam));
        if (inside != s->Pushed) {
          s->Pushed = inside;
          Redraw(hwnd);
        }
      }
      return 0;
    case WM_LBUTTONUP:
      if (s->Captured) {
        TRect client;
        GetClientRect(hwnd, &client);
        const bool inside = PtInRect(client, LParamToPoint(lParam));
        ReleaseCapture();  // WM_CAPTURECHANGED clears the pushed look
        if (inside) ButtonClick(hwnd, s);
      }
      return 0;
    case WM_CAPTURECHANGED:
      if (s->Captured) {
        s->Captured = false;
        s->Pushed = false;
        Redraw(hwnd);
      }
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_SPACE && !s->Captured) {
        if ((lParam & (1 << 30)) == 0) {
          s->SpaceDown = true;
          s->Pushed = true;
          Redraw(hwnd);
        }
        return 0;
      }
      return DefWindowProc(hwnd, msg, wParam, lParam);
    case WM_KEYUP:
      if (wParam == VK_SPACE && s->SpaceDown) {
        s->SpaceDown = false;
        s->Pushed = false;
        ButtonClick(hwnd, s);
        return 0;
      }
      return DefWindowProc(hwnd, msg, wParam, lParam);
    case BM_GETCHECK: return s->Check;
    case BM_SETCHECK:
      if (IsCheck(ButtonType(hwnd)) || IsRadio(ButtonType(hwnd))) {
        uint32_t v = uint32_t(wParam);
        if (v > BST_INDETERMINATE || (v == BST_INDETERMINATE && (IsRadio(ButtonType(hwnd))))) v = BST_CHECKED;
        if (v != s->Check) {
          s->Check = v;
          Redraw(hwnd);
        }
      }
      return 0;
    case BM_GETSTATE: return s->Check | (s->Pushed ? BST_PUSHED : 0) | (s->Focused ? BST_FOCUS : 0);
    case BM_SETSTATE:
      if (s->Pushed != (wParam != 0)) {
        s->Pushed = wParam != 0;
        Redraw(hwnd);
      }
      return 0;
    case BM_SETSTYLE: {
      const uint32_t style = uint32_t(GetWindowLong(hwnd, GWL_STYLE));
      SetWindowLong(hwnd, GWL_STYLE, intptr_t((style & ~BS_TYPEMASK) | (uint32_t(wParam) & BS_TYPEMASK)));
      if (lParam != 0) Redraw(hwnd);
      return 0;
    }
    case BM_CLICK:
      if (IsWindowEnabled(hwnd)) ButtonClick(hwnd, s);
      return 0;
    default: return DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

// ================================================================================
// TButtonControl
// ================================================================================

TButtonControl::TButtonControl(TComponent* AOwner) : TWinControl(AOwner) {
  // The native class captures, pushes and clicks; the framework only reports.
  SetControlStyle(TControlStyle{TControlStyleItem::csSetCaption, TControlStyleItem::csDoubleClicks});
  SetTabStop(true);
}

// ================================================================================
// TButton
// ================================================================================

TButton::TButton(TComponent* AOwner) : TButtonControl(AOwner) {
  SetBounds(0, 0, 75, 25);
  FColor = clBtnFace;
  FParentColor = false;
}

void TButton::CreateParams(TCreateParams& Params) {
  RegisterStdControlClasses();
  TButtonControl::CreateParams(Params);
  CreateSubClass(Params, "Button");
  Params.Style |= FDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TButton::CreateWnd() {
  TButtonControl::CreateWnd();
  FActive = FDefault;
}

void TButton::SetDefault(bool Value) {
  FDefault = Value;
  if (!HandleAllocated()) return;
  if (TCustomForm* form = GetParentForm(this))
    form->Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(form->ActiveControl()));
  else
    SetButtonStyle(Value);
}

void TButton::SetButtonStyle(bool ADefault) {
  FActive = ADefault;
  if (!HandleAllocated()) return;
  const uint32_t style = ADefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
  if ((uint32_t(GetWindowLong(Handle(), GWL_STYLE)) & BS_TYPEMASK) != style) Perform(BM_SETSTYLE, style, 1);
}

void TButton::Click() {
  TComponentRef<TButton> self(this);
  if (FModalResult != 0)
    if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(FModalResult);
  if (self) TButtonControl::Click();
}

void TButton::CMFocusChanged(TMessage& Message) {
  TControl* sender = reinterpret_cast<TControl*>(Message.LParam);
  if (dynamic_cast<TButton*>(sender) != nullptr)
    SetButtonStyle(sender == this);
  else
    SetButtonStyle(FDefault);
}

void TButton::CMDialogKey(TMessage& Message) {
  const bool enter = Message.WParam == VK_RETURN && FActive;
  const bool escape = Message.WParam == VK_ESCAPE && FCancel;
  if ((enter || escape) && KeyDataToShiftState(int32_t(Message.LParam)).Empty() && CanFocus()) {
    Click();
    Message.Result = 1;
    return;
  }
  TButtonControl::Dispatch(Message);
}

void TButton::CMDialogChar(TMessage& Message) {
  if (IsAccel(uint32_t(Message.WParam), Caption()) && CanFocus()) {
    Click();
    Message.Result = 1;
    return;
  }
  TButtonControl::Dispatch(Message);
}

void TButton::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CN_COMMAND:
      if (HIWORD(Message.WParam) == BN_CLICKED) Click();
      return;
    case CM_FOCUSCHANGED: CMFocusChanged(Message); return;
    case CM_DIALOGKEY: CMDialogKey(Message); return;
    case CM_DIALOGCHAR: CMDialogChar(Message); return;
    default: TButtonControl::Dispatch(Message); return;
  }
}

// ================================================================================
// TCustomCheckBox
// ================================================================================

TCustomCheckBox::TCustomCheckBox(TComponent* AOwner) : TButtonControl(AOwner) { SetBounds(0, 0, 97, 17); }

void TCustomCheckBox::CreateParams(TCreateParams& Params) {
  RegisterStdControlClasses();
  TButtonControl::CreateParams(Params);
  CreateSubClass(Params, "Button");
  Params.Style |= BS_3STATE;
  if (FAlignment == TAlignment::taLeftJustify) Params.Style |= BS_LEFTTEXT;
}

void TCustomCheckBox::CreateWnd() {
  TButtonControl::CreateWnd();
  Perform(BM_SETCHECK, WPARAM(FState), 0);
}

void TCustomCheckBox::SetState(TCheckBoxState Value) {
  if (FState == Value) return;
  FState = Value;
  if (HandleAllocated()) Perform(BM_SETCHECK, WPARAM(FState), 0);
  if (!ClicksDisabled()) Click();
}

void TCustomCheckBox::SetAlignment(TLeftRight Value) {
  if (FAlignment == Value) return;
  FAlignment = Value;
  RecreateWnd();
}

void TCustomCheckBox::Toggle() {
  switch (FState) {
    case TCheckBoxState::cbUnchecked: SetState(TCheckBoxState::cbChecked); break;
    case TCheckBoxState::cbChecked:
      SetState(FAllowGrayed ? TCheckBoxState::cbGrayed : TCheckBoxState::cbUnchecked);
      break;
    case TCheckBoxState::cbGrayed: SetState(TCheckBoxState::cbUnchecked); break;
  }
}

void TCustomCheckBox::Dispatch(TMessage& Message) {
  if (Message.Msg == CN_COMMAND) {
    if (HIWORD(Message.WParam) == BN_CLICKED) Toggle();
    return;
  }
  if (Message.Msg == CM_DIALOGCHAR) {
    if (IsAccel(uint32_t(Message.WParam), Caption()) && CanFocus()) {
      SetFocus();
      if (Focused()) Toggle();
      Message.Result = 1;
      return;
    }
  }
  TButtonControl::Dispatch(Message);
}

// ================================================================================
// TRadioButton
// ================================================================================

TRadioButton::TRadioButton(TComponent* AOwner) : TButtonControl(AOwner) {
  SetBounds(0, 0, 113, 17);
  SetTabStop(false);
}

void TRadioButton::CreateParams(TCreateParams& Params) {
  RegisterStdControlClasses();
  TButtonControl::CreateParams(Params);
  CreateSubClass(Params, "Button");
  Params.Style |= BS_RADIOBUTTON;
  if (FAlignment == TAlignment::taLeftJustify) Params.Style |= BS_LEFTTEXT;
}

void TRadioButton::CreateWnd() {
  TButtonControl::CreateWnd();
  Perform(BM_SETCHECK, FChecked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TRadioButton::SetAlignment(TLeftRight Value) {
  if (FAlignment == Value) return;
  FAlignment = Value;
  RecreateWnd();
}

void TRadioButton::SetChecked(bool Value) {
  if (FChecked == Value) return;
  FChecked = Value;
  SetTabStop(Value);
  if (HandleAllocated()) Perform(BM_SETCHECK, Value ? BST_CHECKED : BST_UNCHECKED, 0);
  if (!Value) return;
  TComponentRef<TRadioButton> self(this);
  if (TWinControl* parent = Parent())
    for (int32_t i = 0; i < parent->ControlCount(); ++i)
      if (auto* other = dynamic_cast<TRadioButton*>(parent->Controls(i)); other != nullptr && other != this)
        other->SetChecked(false);
  if (self && !ClicksDisabled()) Click();
}

void TRadioButton::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CN_COMMAND:
      if (HIWORD(Message.WParam) == BN_CLICKED)
        SetChecked(true);
      else if (HIWORD(Message.WParam) == BN_DOUBLECLICKED)
        DblClick();
      return;
    case CM_DIALOGCHAR:
      if (IsAccel(uint32_t(Message.WParam), Caption()) && CanFocus()) {
        SetFocus();
        if (Focused()) SetChecked(true);
        Message.Result = 1;
        return;
      }
      break;
    default: break;
  }
  TButtonControl::Dispatch(Message);
}
