#include "skin/controls/skintabcontrol.h"

#include "platform/gui/gdi.h"
#include "platform/gui/syscolors.h"
#include "platform/gui/windows.h"
#include "platform/rtl/scopeguard.h"
#include "platform/vcl/messages.h"
#include "skin/controls/skinpanel.h"
#include "skin/controls/updown.h"
#include "skin/engine/data/skinmessages.h"

namespace {

// A canvas over a DC given to the control; the DC's state is restored after.
class TDCCanvas {
 public:
  TDCCanvas(TCanvas* C, HDC DC) : FCanvas(C), FDC(DC), FSaved(SaveDC(DC)) {
    FCanvas->Lock();
    FCanvas->SetHandle(DC);
  }
  ~TDCCanvas() {
    FCanvas->SetHandle(nullptr);
    FCanvas->Unlock();
    RestoreDC(FDC, FSaved);
  }
  TDCCanvas(const TDCCanvas&) = delete;
  TDCCanvas& operator=(const TDCCanvas&) = delete;

 private:
  TCanvas* FCanvas;
  HDC FDC;
  int32_t FSaved;
};

}  // namespace

TbsSkinTabControl::TbsSkinTabControl(TComponent* AOwner) : TTabControl(AOwner), FTabs(this, this) {
  FTabs.ScrollerSize = TSize{36, 18};
  Font()->Assign(FTabs.DefaultFont.get());
}

TbsSkinTabControl::~TbsSkinTabControl() { FTabs.FreeScroller(); }

void TbsSkinTabControl::SetSkinData(TbsSkinData* Value) {
  ReplaceSkinDataReference(this, FTabs.SkinData, Value);
  if (Value != nullptr && !Value->Empty && !ComponentState().Contains(TComponentStateItem::csDesigning))
    ChangeSkinData();
}

// A new window (a side or style change) starts from the native tab size:
// the skin's comes back.
void TbsSkinTabControl::CreateWnd() {
  TTabControl::CreateWnd();
  if (FTabs.SkinData != nullptr) SetTabSize(TabWidth(), FTabs.TabSizeHeight());
}

void TbsSkinTabControl::Notification(TComponent* AComponent, TOperation Operation) {
  TTabControl::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FTabs.SkinData) FTabs.SkinData = nullptr;
}

void TbsSkinTabControl::ApplyTabSize(int32_t H) {
  SetTabSize(TabWidth(), H);
  FTabs.PlaceScroller();
  Invalidate();
  Realign();
}

void TbsSkinTabControl::ChangeSkinData() {
  FTabs.GetSkinData();
  FTabs.ApplyFont();
  ApplyTabSize(FTabs.TabSizeHeight());
  Repaint();
  if (FTabs.Scroller() == nullptr) return;
  FTabs.FreeScroller();
  UpdateScroller();
}

void TbsSkinTabControl::SetTabsBGTransparent(bool Value) {
  if (Value == FTabs.TabsBGTransparent) return;
  FTabs.TabsBGTransparent = Value;
  Invalidate();
}

void TbsSkinTabControl::SetDefaultItemHeight(int32_t Value) {
  FTabs.DefaultItemHeight = Value;
  FTabs.GetSkinData();
  if (!FTabs.Described()) ApplyTabSize(Value);
}

void TbsSkinTabControl::Loaded() {
  TTabControl::Loaded();
  FTabs.GetSkinData();
  if (!FTabs.Described()) ApplyTabSize(TabHeight() > 0 ? TabHeight() : FTabs.DefaultItemHeight);
}

void TbsSkinTabControl::Change() {
  FTabs.PlaceScroller();
  TTabControl::Change();
  Invalidate();
}

void TbsSkinTabControl::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TTabControl::MouseDown(Button, Shift, X, Y);
  if (Button == TMouseButton::mbLeft) FTabs.TrackHotTab(X, Y);
}

void TbsSkinTabControl::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  TTabControl::MouseMove(Shift, X, Y);
  FTabs.TrackHotTab(X, Y);
}

void TbsSkinTabControl::WndProc(TMessage& Message) {
  TTabControl::WndProc(Message);
  switch (Message.Msg) {
    case TCM_ADJUSTRECT:
      if (auto* r = reinterpret_cast<TRect*>(Message.LParam))
        FTabs.CorrectDisplayRect(*r, FTabs.BGPicture() == nullptr);
      break;
    case TCM_GETITEMRECT:
      if (auto* r = reinterpret_cast<TRect*>(Message.LParam)) FTabs.CorrectTabRect(*r);
      break;
    case WM_SIZE:
    // The native window makes its own scroller again when tabs come or go.
    case TCM_INSERTITEM:
    case TCM_DELETEITEM:
      if (!MultiLine()) UpdateScroller();
      break;
    default: break;
  }
}

void TbsSkinTabControl::WMSize(TMessage& Message) {
  TTabControl::Dispatch(Message);
  FTabs.GetSkinData();
  if (!FTabs.Described() || !FTabs.Description().StretchEffect) return;
  for (int32_t i = 0; i < ControlCount(); ++i)
    if (auto* w = dynamic_cast<TWinControl*>(Controls(i))) SendMessage(w->Handle(), WM_SKIN_PARENTCHANGED, 0, 0);
}

void TbsSkinTabControl::WMPaint(TMessage& Message) {
  FInPaint = true;
  auto done = ScopeExit([this] { FInPaint = false; });
  TTabControl::Dispatch(Message);
}

// Its own paint draws the background itself.
void TbsSkinTabControl::WMEraseBkgnd(TMessage& Message) {
  if (!FInPaint) DrawClientBackground(reinterpret_cast<HDC>(Message.WParam));
  Message.Result = 1;
}

void TbsSkinTabControl::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_PAINT: WMPaint(Message); break;
    case WM_ERASEBKGND: WMEraseBkgnd(Message); break;
    case WM_SIZE: WMSize(Message); break;
    case WM_HSCROLL:
      TTabControl::Dispatch(Message);
      Invalidate();
      break;
    case CM_MOUSELEAVE:
      TTabControl::Dispatch(Message);
      FTabs.MouseLeave(reinterpret_cast<TControl*>(Message.LParam));
      break;
    case WM_SKIN_PARENTCHANGED:
      if (FTabs.TabsBGTransparent) Invalidate();
      break;
    default: TTabControl::Dispatch(Message); break;
  }
}

void TbsSkinTabControl::DrawClientBackground(HDC DC) {
  if (Width() <= 0 || Height() <= 0) return;
  FTabs.GetSkinData();
  TCanvas c;
  c.SetHandle(DC);
  const TRect all{0, 0, Width(), Height()};
  if (FTabs.Described()) {
    FTabs.FillBackground(&c, all);
  } else {
    c.Brush()->SetColor(clBtnFace);
    c.FillRect(all);
  }
  c.SetHandle(nullptr);
}

void TbsSkinTabControl::PaintSkinFrame(TCanvas* C) {
  const TRect all{0, 0, Width(), Height()};
  if (FTabs.BGPicture() != nullptr) {
    FTabs.FillBackground(C, all);
    return;
  }
  const TRect D = DisplayRect();
  {
    const int32_t saved = SaveDC(C->Handle());
    IntersectClipRect(C->Handle(), D.Left, D.Top, D.Right, D.Bottom);
    FTabs.FillClientPart(C, all);
    RestoreDC(C->Handle(), saved);
  }
  FTabs.PaintPageFrame(C, FTabs.FrameRect());
}

void TbsSkinTabControl::PaintWindow(HDC DC) {
  if (Width() <= 0 || Height() <= 0) return;
  FTabs.GetSkinData();
  TDCCanvas canvas(Canvas(), DC);
  if (FTabs.Described())
    PaintSkinFrame(Canvas());
  else
    FTabs.PaintDefaultFrame(Canvas());
  FTabs.PaintTabRow(Canvas(), FTabs.FrameRect(FTabs.BGPicture() == nullptr));
}
