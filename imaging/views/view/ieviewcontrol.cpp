#include "imaging/views/view/ieviewcontrol.h"

#include "platform/vcl/messages.h"

TIEViewControl::TIEViewControl(TComponent* AOwner) : TCustomControl(AOwner) {
  // New-style controls exist, so the framed style is never added.
  SetControlStyle(ControlStyle() + TControlStyle{TControlStyleItem::csAcceptsControls, TControlStyleItem::csOpaque,
                                                 TControlStyleItem::csReplicatable});
}

TIEViewControl::~TIEViewControl() { FListeners.Notify(this, true); }

int32_t TIEViewControl::AddBitmapChangeListener(TIEBitmapChangeEvent Callback) {
  return FListeners.Add(std::move(Callback));
}

void TIEViewControl::RemoveBitmapChangeListener(int32_t Handle) { FListeners.Remove(Handle); }

void TIEViewControl::CallBitmapChangeListeners() { FListeners.Notify(this, false); }

void TIEViewControl::SetDpiX(int32_t Value) {
  if (Value != 0) FDpiX = Value;
}

void TIEViewControl::SetDpiY(int32_t Value) {
  if (Value != 0) FDpiY = Value;
}

void TIEViewControl::SetBorderStyle(TBorderStyle Value) {
  if (FBorderStyle == Value) return;
  FBorderStyle = Value;
  RecreateWnd();
}

void TIEViewControl::SetCtl3D(bool Value) {
  if (FCtl3D == Value) return;
  FCtl3D = Value;
  RecreateWnd();
}

void TIEViewControl::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  if (FBorderStyle == TBorderStyle::bsSingle) {
    if (FCtl3D)
      Params.ExStyle |= WS_EX_CLIENTEDGE;
    else
      Params.Style |= WS_BORDER;
  }
  Params.WindowClass.style &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TIEViewControl::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_MOUSEENTER: CMMouseEnter(Message); return;
    case CM_MOUSELEAVE: CMMouseLeave(Message); return;
    default: TCustomControl::Dispatch(Message); return;
  }
}

void TIEViewControl::CMMouseEnter(TMessage& Message) {
  TCustomControl::Dispatch(Message);
  if (OnMouseEnter) OnMouseEnter(this);
}

void TIEViewControl::CMMouseLeave(TMessage& Message) {
  TCustomControl::Dispatch(Message);
  if (OnMouseLeave) OnMouseLeave(this);
}
