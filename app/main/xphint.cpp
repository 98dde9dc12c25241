#include "app/main/xphint.h"

#include "app/settings/marloutils.h"
#include "platform/gui/gdi.h"
#include "platform/gui/win_paint.h"
#include "platform/rtl/scopeguard.h"
#include "platform/vcl/forms.h"

void TXPHintWindow::CreateParams(TCreateParams& Params) {
  THintWindow::CreateParams(Params);
  SetDoubleBuffered(false);
  if (IsWinXPOrLater()) Params.WindowClass.style |= CS_DROPSHADOW;
}

void TXPHintWindow::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_NCPAINT: WMNCPaint(Message); return;
    case CM_TEXTCHANGED: CMTextChanged(Message); return;
    default: THintWindow::Dispatch(Message);
  }
}

void TXPHintWindow::WMNCPaint(TMessage& Message) {
  Message.Result = 0;
  HDC dc = GetWindowDC(Handle());
  if (dc == nullptr) return;
  TRect r{0, 0, Width(), Height()};
  DrawEdge(dc, r, BDR_RAISEDINNER | BDR_SUNKENOUTER, BF_RECT | BF_MONO);
  ReleaseDC(Handle(), dc);
}

void TXPHintWindow::CMTextChanged(TMessage& Message) {
  if (FActivating) return;
  THintWindow::Dispatch(Message);
  Canvas()->Font()->Assign(Font());
  const String text = Caption();
  SetWidth(Canvas()->TextWidth(text) + 6);
  SetHeight(Canvas()->TextHeight(text) + 4);
}

// Kept on the desktop: a hint too low goes above the cursor.
void TXPHintWindow::ActivateHint(TRect Rect, const String& AHint) {
  FActivating = true;
  auto done = ScopeExit([&] { FActivating = false; });
  const bool changed = AHint != Caption();
  if (changed) SetCaption(AHint);
  Rect.Bottom += 4;
  SetBounds(Rect.Left, Rect.Top, Rect.Width(), Rect.Height());
  const TRect desk = Screen->DesktopRect();
  int32_t left = Left(), top = Top();
  if (top + Height() > desk.Height() + 5) top = desk.Height() - Height() - 32;
  if (left + Width() > desk.Width() - 5) left = desk.Width() - Width() - 5;
  if (left < desk.Left) left = desk.Left;
  SetWindowPos(Handle(), HWND_TOPMOST, left, top, Width(), Height(), SWP_SHOWWINDOW | SWP_NOACTIVATE);
  if (changed) Invalidate();
}
