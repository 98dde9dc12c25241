// The native "Static" class with TStaticText, and the window-less TLabel.
#include "platform/gui/syscolors.h"
#include "platform/gui/text.h"
#include "platform/gui/win_paint.h"
#include "platform/vcl/drawframe.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/stdctrls.h"
#include "platform/vcl/stdctrls_internal.h"
#include "platform/rtl/scopeguard.h"

// ================================================================================
// The native class
// ================================================================================

namespace {

struct TStaticState {
  HFONT Font = nullptr;
};

void PaintStatic(HWND hwnd, HDC dc, TStaticState* s) {
  const uint32_t style = uint32_t(GetWindowLong(hwnd, GWL_STYLE));
  TRect client;
  GetClientRect(hwnd, &client);
  const int32_t saved = SaveDC(dc);
  if (s->Font != nullptr) SelectObject(dc, s->Font);
  HBRUSH brush = StdCtlColor(hwnd, WM_CTLCOLORSTATIC, dc);
  const COLORREF text = brush != nullptr ? GetTextColor(dc) : GetSysColor(COLOR_WINDOWTEXT);
  if (brush == nullptr) brush = GetSysColorBrush(COLOR_BTNFACE);
  if (!StdIsNullBrush(brush)) FillRect(dc, client, brush);
  TRect r = client;
  if ((style & SS_SUNKEN) != 0) DrawEdge(dc, r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
  uint32_t format = DT_EXPANDTABS | DT_WORDBREAK;
  switch (style & SS_TYPEMASK) {
    case SS_CENTER: format |= DT_CENTER; break;
    case SS_RIGHT: format |= DT_RIGHT; break;
    default: break;
  }
  if ((style & SS_NOPREFIX) != 0) format |= DT_NOPREFIX;
  StdDrawCaption(dc, GetWindowTextString(hwnd), r, format, IsWindowEnabled(hwnd), text);
  RestoreDC(dc, saved);
}

}  // namespace

LRESULT StdStaticWndProc(HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  TStaticState* s = StdState<TStaticState>(hwnd);
  if (s == nullptr && msg != WM_NCCREATE) return DefWindowProc(hwnd, msg, wParam, lParam);
  const bool notify = (uint32_t(GetWindowLong(hwnd, GWL_STYLE)) & SS_NOTIFY) != 0;
  switch (msg) {
    case WM_NCCREATE:
      SetWindowLong(hwnd, 0, reinterpret_cast<intptr_t>(new TStaticState));
      return DefWindowProc(hwnd, msg, wParam, lParam);
    case WM_NCDESTROY:
      SetWindowLong(hwnd, 0, 0);
      delete s;
      return DefWindowProc(hwnd, msg, wParam, lParam);
    case WM_GETDLGCODE: return DLGC_STATIC;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: return StdPaintMessage(hwnd, wParam, [&](HDC dc) { PaintStatic(hwnd, dc, s); });
    case WM_SETFONT:
      s->Font = reinterpret_cast<HFONT>(wParam);
      if (lParam != 0) InvalidateRect(hwnd, nullptr, false);
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(s->Font);
    case WM_SETTEXT: {
      LRESULT r = DefWindowProc(hwnd, msg, wParam, lParam);
      InvalidateRect(hwnd, nullptr, false);
      return r;
    }
    case WM_ENABLE:
    case WM_STYLECHANGED: InvalidateRect(hwnd, nullptr, false); return 0;
    case WM_LBUTTONDOWN:
      if (notify) StdNotifyParent(hwnd, STN_CLICKED);
      return 0;
    case WM_LBUTTONDBLCLK:
      if (notify) StdNotifyParent(hwnd, STN_DBLCLK);
      return 0;
    default: return DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

// ================================================================================
// TCustomStaticText
// ================================================================================

TCustomStaticText::TCustomStaticText(TComponent* AOwner) : TWinControl(AOwner) {
  SetControlStyle(TControlStyle{TControlStyleItem::csCaptureMouse, TControlStyleItem::csClickEvents,
                                TControlStyleItem::csSetCaption, TControlStyleItem::csDoubleClicks,
                                TControlStyleItem::csReplicatable});
  SetBounds(0, 0, 65, 17);
  SetAutoSize(true);
}

void TCustomStaticText::CreateParams(TCreateParams& Params) {
  RegisterStdControlClasses();
  TWinControl::CreateParams(Params);
  CreateSubClass(Params, "Static");
  Params.Style |= SS_NOTIFY;
  if (FAlignment == TAlignment::taCenter) Params.Style |= SS_CENTER;
  if (FAlignment == TAlignment::taRightJustify) Params.Style |= SS_RIGHT;
  if (!FShowAccelChar) Params.Style |= SS_NOPREFIX;
  if (FBorderStyle == TStaticBorderStyle::sbsSingle) Params.Style |= WS_BORDER;
  if (FBorderStyle == TStaticBorderStyle::sbsSunken) Params.Style |= SS_SUNKEN;
}

void TCustomStaticText::SetAlignment(TAlignment Value) {
  if (FAlignment == Value) return;
  FAlignment = Value;
  RecreateWnd();
}

void TCustomStaticText::SetBorderStyle(TStaticBorderStyle Value) {
  if (FBorderStyle == Value) return;
  FBorderStyle = Value;
  RecreateWnd();
  AdjustSize();
}

void TCustomStaticText::SetShowAccelChar(bool Value) {
  if (FShowAccelChar == Value) return;
  FShowAccelChar = Value;
  RecreateWnd();
  AdjustSize();
}

void TCustomStaticText::SetFocusControl(TWinControl* Value) {
  FFocusControl = Value;
  if (Value != nullptr) Value->FreeNotification(this);
}

void TCustomStaticText::Notification(TComponent* AComponent, TOperation Operation) {
  TWinControl::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FFocusControl) FFocusControl = nullptr;
}

void TCustomStaticText::AdjustSize() {
  if (!AutoSize() || ControlState().Contains(TControlStateItem::csReadingState)) return;
  HDC dc = GetDC(nullptr);
  const int32_t saved = SaveDC(dc);
  SelectObject(dc, Font()->Handle());
  String text = Caption();
  if (text.empty()) text = " ";
  TRect r{0, 0, 0, 0};
  DrawText(dc, text, &r, DT_EXPANDTABS | DT_CALCRECT | (FShowAccelChar ? 0 : DT_NOPREFIX));
  RestoreDC(dc, saved);
  ReleaseDC(nullptr, dc);
  int32_t extra = 0;
  if (FBorderStyle == TStaticBorderStyle::sbsSingle) extra = 2;
  if (FBorderStyle == TStaticBorderStyle::sbsSunken) extra = 2;
  SetBounds(Left(), Top(), r.Width() + extra, r.Height() + extra);
}

void TCustomStaticText::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CN_COMMAND:
      // The framework's mouse handling gives OnClick; the notification only confirms it.
      return;
    case CM_DIALOGCHAR:
      if (FFocusControl != nullptr && Enabled() && FShowAccelChar && IsAccel(uint32_t(Message.WParam), Caption()) &&
          FFocusControl->CanFocus()) {
        FFocusControl->SetFocus();
        Message.Result = 1;
        return;
      }
      break;
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED:
      TWinControl::Dispatch(Message);
      AdjustSize();
      return;
    default: break;
  }
  TWinControl::Dispatch(Message);
}

// ================================================================================
// TCustomLabel
// ================================================================================

TCustomLabel::TCustomLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
  TControlStyle style = ControlStyle();
  style.Include(TControlStyleItem::csOpaque);
  style.Include(TControlStyleItem::csReplicatable);
  SetControlStyle(style);
  SetBounds(0, 0, 65, 17);
  SetAutoSize(true);
}

void TCustomLabel::SetAlignment(TAlignment Value) {
  if (FAlignment == Value) return;
  FAlignment = Value;
  Invalidate();
}

void TCustomLabel::SetLayout(TTextLayout Value) {
  if (FLayout == Value) return;
  FLayout = Value;
  Invalidate();
}

void TCustomLabel::SetWordWrap(bool Value) {
  if (FWordWrap == Value) return;
  FWordWrap = Value;
  AdjustSize();
  Invalidate();
}

void TCustomLabel::SetTransparent(bool Value) {
  if (Transparent() == Value) return;
  TControlStyle style = ControlStyle();
  if (Value)
    style.Exclude(TControlStyleItem::csOpaque);
  else
    style.Include(TControlStyleItem::csOpaque);
  SetControlStyle(style);
  Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool Value) {
  if (FShowAccelChar == Value) return;
  FShowAccelChar = Value;
  AdjustSize();
  Invalidate();
}

void TCustomLabel::SetFocusControl(TWinControl* Value) {
  FFocusControl = Value;
  if (Value != nullptr) Value->FreeNotification(this);
}

void TCustomLabel::Notification(TComponent* AComponent, TOperation Operation) {
  TGraphicControl::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FFocusControl) FFocusControl = nullptr;
}

void TCustomLabel::DoDrawText(TRect& Rect, uint32_t Flags) {
  String text = GetLabelText();
  if ((Flags & DT_CALCRECT) != 0 && (text.empty() || (FShowAccelChar && text == "&"))) text = " ";
  if (!FShowAccelChar) Flags |= DT_NOPREFIX;
  TCanvas* canvas = Canvas();
  canvas->SetFont(Font());
  HDC dc = canvas->Handle();
  StdDrawCaption(dc, text, Rect, Flags, Enabled(), ColorToRGB(Font()->Color()));
}

namespace {
uint32_t AlignmentFlags(TAlignment A) {
  switch (A) {
    case TAlignment::taCenter: return DT_CENTER;
    case TAlignment::taRightJustify: return DT_RIGHT;
    default: return DT_LEFT;
  }
}
}  // namespace

void TCustomLabel::Paint() {
  TCanvas* canvas = Canvas();
  TRect rect = ClientRect();
  if (!Transparent()) {
    canvas->Brush()->SetColor(Color());
    canvas->Brush()->SetStyle(TBrushStyle::bsSolid);
    canvas->FillRect(rect);
  }
  canvas->Brush()->SetStyle(TBrushStyle::bsClear);
  const uint32_t flags = DT_EXPANDTABS | (FWordWrap ? DT_WORDBREAK : 0) | AlignmentFlags(FAlignment);
  if (FLayout != TTextLayout::tlTop) {
    TRect calc = rect;
    DoDrawText(calc, flags | DT_CALCRECT);
    const int32_t free = rect.Height() - calc.Height();
    OffsetRect(rect, 0, FLayout == TTextLayout::tlBottom ? free : free / 2);
  }
  DoDrawText(rect, flags);
}

void TCustomLabel::SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) {
  TGraphicControl::SetBounds(ALeft, ATop, AWidth, AHeight);
  AdjustSize();
}

void TCustomLabel::AdjustSize() {
  if (!AutoSize() || FAdjusting || ControlState().Contains(TControlStateItem::csReadingState)) return;
  FAdjusting = true;
  struct TReset {
    bool& Flag;
    ~TReset() { Flag = false; }
  } reset{FAdjusting};
  TCanvas* canvas = Canvas();
  HDC dc = GetDC(nullptr);
  canvas->SetHandle(dc);
  TRect rect = ClientRect();
  {
    auto cleanup = ScopeExit([&] {
      canvas->SetHandle(nullptr);
      ReleaseDC(nullptr, dc);
    });
    DoDrawText(rect, DT_EXPANDTABS | DT_CALCRECT | (FWordWrap ? DT_WORDBREAK : 0));
  }
  int32_t x = Left();
  if (FAlignment == TAlignment::taRightJustify) x += Width() - rect.Right;
  SetBounds(x, Top(), rect.Right, rect.Bottom);
}

void TCustomLabel::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED:
      TGraphicControl::Dispatch(Message);
      Invalidate();
      AdjustSize();
      return;
    case CM_ENABLEDCHANGED:
      TGraphicControl::Dispatch(Message);
      Invalidate();
      return;
    case CM_DIALOGCHAR:
      if (FFocusControl != nullptr && Enabled() && FShowAccelChar && IsAccel(uint32_t(Message.WParam), Caption()) &&
          FFocusControl->CanFocus()) {
        FFocusControl->SetFocus();
        Message.Result = 1;
        return;
      }
      break;
    default: break;
  }
  TGraphicControl::Dispatch(Message);
}
