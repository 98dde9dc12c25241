#include "skin/controls/skinpagecontrol.h"

#include "platform/gui/gdi.h"
#include "platform/gui/syscolors.h"
#include "platform/gui/windows.h"
#include "platform/rtl/arith.h"
#include "platform/vcl/imglist.h"
#include "platform/vcl/messages.h"
#include "skin/controls/skinpanel.h"
#include "skin/controls/updown.h"
#include "skin/engine/data/skindraw.h"
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

// ---- TbsSkinPageControl ----------------------------------------------------------------

TbsSkinPageControl::TbsSkinPageControl(TComponent* AOwner) : TPageControl(AOwner), FTabs(this, this) {
  Font()->Assign(FTabs.DefaultFont.get());
}

TbsSkinPageControl::~TbsSkinPageControl() { FTabs.FreeScroller(); }

int32_t TbsSkinPageControl::VisibleTabCount() { return Tabs()->Count(); }

int32_t TbsSkinPageControl::ItemOfTab(int32_t Tab) {
  if (Tab < 0 || Tab >= Tabs()->Count()) return -1;
  auto* page = static_cast<TTabSheet*>(Tabs()->Objects(Tab));
  return page != nullptr ? page->PageIndex() : -1;
}

String TbsSkinPageControl::ItemText(int32_t Item) { return Pages(Item)->Caption(); }
int32_t TbsSkinPageControl::ItemImageIndex(int32_t Item) { return Pages(Item)->ImageIndex(); }
bool TbsSkinPageControl::ItemEnabled(int32_t Item) { return Pages(Item)->Enabled(); }

void TbsSkinPageControl::SetSkinData(TbsSkinData* Value) {
  ReplaceSkinDataReference(this, FTabs.SkinData, Value);
  if (Value != nullptr && !Value->Empty && !ComponentState().Contains(TComponentStateItem::csDesigning))
    ChangeSkinData();
}

// A new window (a side or style change) starts from the native tab size:
// the skin's comes back.
void TbsSkinPageControl::CreateWnd() {
  TPageControl::CreateWnd();
  if (FTabs.SkinData != nullptr) SetTabSize(TabWidth(), FTabs.TabSizeHeight());
}

void TbsSkinPageControl::Notification(TComponent* AComponent, TOperation Operation) {
  TPageControl::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FTabs.SkinData) FTabs.SkinData = nullptr;
}

void TbsSkinPageControl::ApplyTabSize(int32_t H) {
  SetTabSize(TabWidth(), H);
  FTabs.PlaceScroller();
  Invalidate();
  Realign();
}

void TbsSkinPageControl::ChangeSkinData() {
  FTabs.GetSkinData();
  FTabs.ApplyFont();
  ApplyTabSize(FTabs.TabSizeHeight());
  FTabs.FreeScroller();
  UpdateScroller();
  if (ActivePage() != nullptr) ActivePage()->Invalidate();
}

void TbsSkinPageControl::UpdateTabSize() {
  SetTabSize(TabWidth(), FTabs.TabSizeHeight());
  if (MultiLine()) FTabs.FreeScroller();
  Realign();
}

void TbsSkinPageControl::SetTabsBGTransparent(bool Value) {
  if (Value == FTabs.TabsBGTransparent) return;
  FTabs.TabsBGTransparent = Value;
  Invalidate();
}

void TbsSkinPageControl::SetDefaultItemHeight(int32_t Value) {
  FTabs.DefaultItemHeight = Value;
  FTabs.GetSkinData();
  if (!FTabs.Described()) ApplyTabSize(Value);
}

void TbsSkinPageControl::Loaded() {
  TPageControl::Loaded();
  FTabs.GetSkinData();
  if (!FTabs.Described()) ApplyTabSize(TabHeight() > 0 ? TabHeight() : FTabs.DefaultItemHeight);
}

void TbsSkinPageControl::Change() {
  FTabs.PlaceScroller();
  TPageControl::Change();
  Invalidate();
  if (ActivePage() != nullptr) ActivePage()->Invalidate();
}

void TbsSkinPageControl::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TPageControl::MouseDown(Button, Shift, X, Y);
  if (Button == TMouseButton::mbLeft) FTabs.TrackHotTab(X, Y);
}

void TbsSkinPageControl::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  TPageControl::MouseMove(Shift, X, Y);
  FTabs.TrackHotTab(X, Y);
}

// The native answers are corrected after the inherited handling, so the
// pages move with the skin's frame.
void TbsSkinPageControl::WndProc(TMessage& Message) {
  TPageControl::WndProc(Message);
  switch (Message.Msg) {
    case TCM_ADJUSTRECT:
      if (auto* r = reinterpret_cast<TRect*>(Message.LParam)) FTabs.CorrectDisplayRect(*r, true);
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

void TbsSkinPageControl::WMEraseBkgnd(TMessage& Message) {
  Message.Result = 1;
  if (PageCount() > 0) return;
  FTabs.GetSkinData();
  if (!FTabs.Described()) {
    TPageControl::Dispatch(Message);
    return;
  }
  TCanvas c;
  c.SetHandle(reinterpret_cast<HDC>(Message.WParam));
  FTabs.FillBackground(&c, TRect{0, 0, Width(), Height()});
  c.SetHandle(nullptr);
}

void TbsSkinPageControl::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_ERASEBKGND: WMEraseBkgnd(Message); break;
    case WM_HSCROLL:
      TPageControl::Dispatch(Message);
      Invalidate();
      break;
    case CM_MOUSELEAVE:
      TPageControl::Dispatch(Message);
      FTabs.MouseLeave(reinterpret_cast<TControl*>(Message.LParam));
      break;
    case WM_SKIN_PARENTCHANGED:
      if (FTabs.TabsBGTransparent) Invalidate();
      break;
    default: TPageControl::Dispatch(Message); break;
  }
}

void TbsSkinPageControl::PaintWindow(HDC DC) {
  if (Width() <= 0 || Height() <= 0) return;
  FTabs.GetSkinData();
  TDCCanvas canvas(Canvas(), DC);
  TRect F = FTabs.FrameRect();
  if (FTabs.Described())
    FTabs.PaintPageFrame(Canvas(), F);
  else
    FTabs.PaintDefaultFrame(Canvas());
  FTabs.PaintTabRow(Canvas(), F);
}

// ---- Tab sheets --------------------------------------------------------------------------

TbsSkinCustomTabSheet::TbsSkinCustomTabSheet(TComponent* AOwner)
    : TTabSheet(AOwner), FWallPaper(std::make_unique<TBitmap>()) {
  SetAlign(TAlign::alClient);
  TControlStyle style = ControlStyle();
  style.Include(TControlStyleItem::csAcceptsControls);
  style.Include(TControlStyleItem::csNoDesignVisible);
  SetControlStyle(style);
  SetVisible(false);
}

TbsSkinCustomTabSheet::~TbsSkinCustomTabSheet() { SetPageControl(nullptr); }

void TbsSkinCustomTabSheet::SetWallPaper(TBitmap* Value) {
  FWallPaper->Assign(Value);
  if (ComponentState().Contains(TComponentStateItem::csDesigning)) Invalidate();
}

void TbsSkinCustomTabSheet::CreateParams(TCreateParams& Params) {
  TTabSheet::CreateParams(Params);
  Params.WindowClass.style &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TbsSkinCustomTabSheet::PaintBackground(TCanvas* C) {
  const TRect all{0, 0, Width(), Height()};
  if (!FWallPaper->Empty()) {
    FillSkinTiles(C, FWallPaper.get(), all, false, TbsStretchType::stFull);
    return;
  }
  auto* pc = dynamic_cast<TbsSkinPageControl*>(PageControl());
  TbsSkinTabs* tabs = pc != nullptr ? &pc->Painter() : nullptr;
  if (tabs != nullptr) tabs->GetSkinData();
  if (tabs == nullptr || !tabs->Described()) {
    C->Brush()->SetStyle(TBrushStyle::bsSolid);
    C->Brush()->SetColor(clBtnFace);
    C->FillRect(all);
    return;
  }
  tabs->FillBackground(C, all);
}

void TbsSkinCustomTabSheet::WMEraseBkgnd(TMessage& Message) {
  Message.Result = 1;
  if (Width() <= 0 || Height() <= 0 || PageControl() == nullptr) return;
  TCanvas c;
  c.SetHandle(reinterpret_cast<HDC>(Message.WParam));
  PaintBackground(&c);
  c.SetHandle(nullptr);
}

// A stretched background changes with the size: transparent children follow.
void TbsSkinCustomTabSheet::WMSize(TMessage& Message) {
  TTabSheet::Dispatch(Message);
  Repaint();
  auto* pc = dynamic_cast<TbsSkinPageControl*>(PageControl());
  if (pc == nullptr || pc->SkinData() == nullptr || pc->SkinData()->Empty) return;
  pc->Painter().GetSkinData();
  if (!pc->Painter().Described() || !pc->Painter().Description().StretchEffect) return;
  for (int32_t i = 0; i < ControlCount(); ++i)
    if (auto* w = dynamic_cast<TWinControl*>(Controls(i))) SendMessage(w->Handle(), WM_SKIN_PARENTCHANGED, 0, 0);
}

void TbsSkinCustomTabSheet::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_ERASEBKGND: WMEraseBkgnd(Message); break;
    case WM_SIZE: WMSize(Message); break;
    default: TTabSheet::Dispatch(Message); break;
  }
}
