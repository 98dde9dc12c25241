#include "skin/controls/skinstatusbar.h"

#include "platform/rtl/arith.h"
#include "platform/vcl/messages.h"
#include "skin/engine/data/skindraw.h"

TbsSkinStatusBar::TbsSkinStatusBar(TComponent* AOwner) : TbsSkinPanel(AOwner) {
  FSkinDataName = "statusbar";
  SetAlign(TAlign::alBottom);
  SetHeight(21);
  SetBorderStyle(TbsSkinBorderStyle::bvNone);
  FPaintInStrips = false;
}

void TbsSkinStatusBar::SetSizeGrip(bool Value) {
  FSizeGrip = Value;
  Repaint();
  Realign();
}

void TbsSkinStatusBar::SetGripEnabled(bool Value) {
  FGripEnabled = Value;
  Repaint();
  Realign();
}

void TbsSkinStatusBar::SetSkinData(TbsSkinData* Value) {
  TbsSkinPanel::SetSkinData(Value);
  for (int32_t i = 0; i < ControlCount(); ++i)
    if (auto* c = dynamic_cast<TbsSkinControl*>(Controls(i))) c->SetSkinData(Value);
}

void TbsSkinStatusBar::GetSkinData() {
  TbsSkinPanel::GetSkinData();
  if (FSkinIndex == -1) return;
  auto* D = dynamic_cast<TbsDataSkinPanelControl*>(FSkinData->ControlDescriptions[size_t(FSkinIndex)].get());
  if (D == nullptr) return;
  FGripperRect = D->GripperRect;
  FGripperTransparent = D->GripperTransparent;
  FGripperTransparentColor = D->GripperTransparentColor;
}

void TbsSkinStatusBar::AdjustClientRect(TRect& Rect) {
  TbsSkinPanel::AdjustClientRect(Rect);
  if (!GripShown()) return;
  Rect.Right -= HasGripperPicture() ? RectWidth(FGripperRect) : RectHeight(Rect);
}

TRect TbsSkinStatusBar::GripRect() {
  TRect c{0, 0, Width(), Height()};
  AdjustClientRect(c);
  if (HasGripperPicture())
    return TRect{c.Right, c.Bottom - RectHeight(FGripperRect), c.Right + RectWidth(FGripperRect), c.Bottom};
  return TRect{c.Right + 2, c.Top, c.Right + RectHeight(c), c.Bottom - 2};
}

// Diagonal line pairs, shadow then highlight, every 3 pixels.
void TbsSkinStatusBar::DrawGripLines(TCanvas* C, const TRect& R, TColor Highlight, TColor Shadow) {
  for (int32_t d = 3; R.Left + d + 2 <= R.Right; d += 3) {
    C->Pen()->SetColor(Shadow);
    C->MoveTo(R.Left + d, R.Bottom);
    C->LineTo(R.Right, R.Top + d);
    C->Pen()->SetColor(Highlight);
    C->MoveTo(R.Left + d + 1, R.Bottom);
    C->LineTo(R.Right, R.Top + d + 1);
  }
}

void TbsSkinStatusBar::CreateControlDefaultImage(TBitmap* B) {
  TbsSkinPanel::CreateControlDefaultImage(B);
  if (GripShown()) DrawGripLines(B->Canvas(), GripRect(), clBtnHighlight, clBtnShadow);
}

void TbsSkinStatusBar::CreateControlSkinImage(TBitmap* B) {
  TbsSkinPanel::CreateControlSkinImage(B);
  if (!GripShown()) return;
  const TRect R = GripRect();
  if (!HasGripperPicture() || FPicture == nullptr) {
    DrawGripLines(B->Canvas(), R, FSkinData->SkinColors.CBtnHighLight, FSkinData->SkinColors.CBtnShadow);
    return;
  }
  TBitmap grip;
  grip.SetSize(RectWidth(FGripperRect), RectHeight(FGripperRect));
  grip.Canvas()->CopyRect(TRect{0, 0, grip.Width(), grip.Height()}, FPicture->Canvas(), FGripperRect);
  if (FGripperTransparent) {
    grip.SetTransparentColor(FGripperTransparentColor);
    grip.SetTransparent(true);
  }
  B->Canvas()->Draw(R.Left, R.Top, &grip);
}

void TbsSkinStatusBar::WMNCHitTest(TMessage& Message) {
  if (ComponentState().Contains(TComponentStateItem::csDesigning) || !GripShown()) {
    TbsSkinPanel::Dispatch(Message);
    return;
  }
  const TPoint p = ScreenToClient(LParamToPoint(Message.LParam));
  Message.Result = PtInRect(GripRect(), p) ? HTBOTTOMRIGHT : HTCLIENT;
}

// The grip sizes the form the bar sits on, not the bar: the press goes to
// the top-level window, whose default handling runs the sizing loop.
void TbsSkinStatusBar::WMNCLButtonDown(TMessage& Message) {
  HWND top = Message.WParam == WPARAM(HTBOTTOMRIGHT) ? GetAncestor(Handle(), GA_ROOT) : nullptr;
  if (top == nullptr || top == Handle()) {
    TbsSkinPanel::Dispatch(Message);
    return;
  }
  PostMessage(top, WM_NCLBUTTONDOWN, Message.WParam, Message.LParam);
  Message.Result = 0;
}

void TbsSkinStatusBar::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_NCHITTEST: WMNCHitTest(Message); break;
    case WM_NCLBUTTONDOWN: WMNCLButtonDown(Message); break;
    default: TbsSkinPanel::Dispatch(Message); break;
  }
}
