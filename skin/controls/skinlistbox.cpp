#include "skin/controls/skinlistbox.h"

#include "platform/gui/win_scrollbars.h"
#include "platform/gui/windows.h"
#include "platform/rtl/arith.h"
#include "platform/vcl/messages.h"
#include "skin/engine/data/skindraw.h"

namespace {

// The plain look's scroll bar thickness.
constexpr int32_t kPlainBar = 19;

}  // namespace

TbsSkinCustomListBox::TbsSkinCustomListBox(TComponent* AOwner)
    : TbsSkinCustomControl(AOwner),
      FTabWidths(std::make_unique<TStringList>()),
      FGlyph(std::make_unique<TBitmap>()),
      FDefaultCaptionFont(CreateSkinDefaultFont()) {
  SetControlStyle(TControlStyle{TControlStyleItem::csAcceptsControls, TControlStyleItem::csCaptureMouse,
                                TControlStyleItem::csClickEvents, TControlStyleItem::csOpaque,
                                TControlStyleItem::csDoubleClicks, TControlStyleItem::csReplicatable});
  FPaintInStrips = true;
  FFillClientPart = false;
  FDefaultCaptionFont->OnChange = [this](TObject*) {
    if (FSkinIndex == -1 && FCaptionMode) Repaint();
  };
  Font()->SetName("Arial");
  Font()->SetHeight(14);
  Font()->SetColor(clWindowText);
  Font()->SetStyle(TFontStyles{});
  FListBox = new TbsListBox(this);
  FListBox->SetSkinListBox(this);
  FListBox->SetStyle(TListBoxStyle::lbOwnerDrawFixed);
  FListBox->SetItemHeight(FDefaultItemHeight);
  FListBox->SetParent(this);
  FListBox->SetVisible(true);
  SetHeight(120);
  SetWidth(120);
  SetSkinDataName("listbox");
}

// The main bar and the list are owned components too: freed early, they
// leave this control's list, so nothing is freed twice.
TbsSkinCustomListBox::~TbsSkinCustomListBox() {
  FDefaultCaptionFont->OnChange = nullptr;
  StopRepeat();
  delete FScrollBar;
  FScrollBar = nullptr;
  TbsListBox* list = FListBox;
  FListBox = nullptr;
  list->SetSkinListBox(nullptr);
  delete list;
  delete FHScrollBar;
  FHScrollBar = nullptr;
}

void TbsSkinCustomListBox::CreateParams(TCreateParams& Params) {
  TbsSkinCustomControl::CreateParams(Params);
  Params.WindowClass.style &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TbsSkinCustomListBox::Notification(TComponent* AComponent, TOperation Operation) {
  TbsSkinCustomControl::Notification(AComponent, Operation);
  if (Operation != TOperation::opRemove) return;
  if (AComponent == FImages) SetImages(nullptr);
  if (AComponent == FScrollBar) FScrollBar = nullptr;
  if (AComponent == FHScrollBar) FHScrollBar = nullptr;
}

// ---- Skin data ------------------------------------------------------------------------

void TbsSkinCustomListBox::GetSkinData() {
  TbsSkinCustomControl::GetSkinData();
  if (FSkinIndex == -1) return;
  auto* D = dynamic_cast<TbsDataSkinListBox*>(FSkinData->ControlDescriptions[size_t(FSkinIndex)].get());
  if (D == nullptr) return;
  FSkinFontName = D->FontName;
  FSkinFontStyle = D->FontStyle;
  FSkinFontHeight = D->FontHeight;
  FSItemRect = D->ItemRect;
  FActiveItemRect = IsNullRect(D->ActiveItemRect) ? D->ItemRect : D->ActiveItemRect;
  FFocusItemRect = IsNullRect(D->FocusItemRect) ? D->ItemRect : D->FocusItemRect;
  FItemLeftOffset = D->ItemLeftOffset;
  FItemRightOffset = D->ItemRightOffset;
  FItemTextRect = D->ItemTextRect;
  FFontColor = D->FontColor;
  FActiveFontColor = D->ActiveFontColor;
  FFocusFontColor = D->FocusFontColor;
  FSkinCaptionRect = D->CaptionRect;
  FCaptionFontName = D->CaptionFontName;
  FCaptionFontStyle = D->CaptionFontStyle;
  FCaptionTextHeight = D->CaptionFontHeight;
  FCaptionFontColor = D->CaptionFontColor;
  FUpButtonRect = D->UpButtonRect;
  FActiveUpButtonRect = D->ActiveUpButtonRect;
  FDownUpButtonRect = IsNullRect(D->DownUpButtonRect) ? D->ActiveUpButtonRect : D->DownUpButtonRect;
  FDownButtonRect = D->DownButtonRect;
  FActiveDownButtonRect = D->ActiveDownButtonRect;
  FDownDownButtonRect = IsNullRect(D->DownDownButtonRect) ? D->ActiveDownButtonRect : D->DownDownButtonRect;
  FCheckButtonRect = D->CheckButtonRect;
  FActiveCheckButtonRect = D->ActiveCheckButtonRect;
  FDownCheckButtonRect = IsNullRect(D->DownCheckButtonRect) ? D->ActiveCheckButtonRect : D->DownCheckButtonRect;
  FVScrollBarName = D->VScrollBarName;
  FHScrollBarName = D->HScrollBarName;
  FBothScrollBarName = D->BothScrollBarName;
  FShowFocus = D->ShowFocus;
}

void TbsSkinCustomListBox::ChangeSkinData() {
  TbsSkinCustomControl::ChangeSkinData();
  FInChangeSkinData = true;
  if (FSkinIndex == -1) {
    FListBox->SetItemHeight(FDefaultItemHeight);
    FListBox->Font()->Assign(DefaultFont());
  } else if (FUseSkinItemHeight) {
    // An empty "itemrect" must not leave the rows 0 pixels high.
    FListBox->SetItemHeight(IntMax(1, RectHeight(FSItemRect)));
  }
  if (FScrollBar != nullptr) {
    SetBarNames(FScrollBar, Columns() >= 1);
    FScrollBar->SetSkinData(FSkinData);
  }
  if (FHScrollBar != nullptr) {
    if (FScrollBar != nullptr)
      SetBothNames(FHScrollBar);
    else
      SetBarNames(FHScrollBar, true);
    FHScrollBar->SetSkinData(FSkinData);
  }
  if (FRowCount != 0) SetHeight(CalcHeight(FRowCount));
  CalcListRects();
  FInChangeSkinData = false;
  UpdateScrollBars();
  FListBox->Repaint();
}

void TbsSkinCustomListBox::DefaultFontChanged() {
  if (FSkinIndex == -1) Font()->Assign(DefaultFont());
}

void TbsSkinCustomListBox::SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) {
  TbsSkinCustomControl::SetBounds(ALeft, ATop, AWidth, AHeight);
  if (FSkinIndex == -1) Repaint();
}

// ---- Messages -----------------------------------------------------------------------------

void TbsSkinCustomListBox::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_SIZE: WMSize(Message); break;
    case WM_TIMER: WMTimer(Message); break;
    case CM_TEXTCHANGED: CMTextChanged(Message); break;
    case CM_MOUSEENTER: FrameMouseEnter(Message); break;
    case CM_MOUSELEAVE: FrameMouseLeave(Message); break;
    default: TbsSkinCustomControl::Dispatch(Message); break;
  }
}

void TbsSkinCustomListBox::WMSize(TMessage& Message) {
  TbsSkinCustomControl::Dispatch(Message);
  CalcListRects();
  UpdateScrollBars();
  if (FScrollBar != nullptr) FScrollBar->Repaint();
}

void TbsSkinCustomListBox::CMTextChanged(TMessage& Message) {
  TbsSkinCustomControl::Dispatch(Message);
  if (FCaptionMode) Repaint();
}

void TbsSkinCustomListBox::FrameMouseEnter(TMessage& Message) {
  TbsSkinCustomControl::Dispatch(Message);
  if (FCaptionMode) TestActive(-1, -1);
}

// The check button keeps its hot state until the next hit test.
void TbsSkinCustomListBox::FrameMouseLeave(TMessage& Message) {
  TbsSkinCustomControl::Dispatch(Message);
  if (!FCaptionMode) return;
  for (int32_t i : {0, 1})
    if (FButtons[i].MouseIn) {
      FButtons[i].MouseIn = false;
      RedrawButton(i);
    }
}

// ---- Forwarded properties and setters --------------------------------------------------

void TbsSkinCustomListBox::SetItems(TStrings* Value) {
  FListBox->Items()->Assign(Value);
  UpdateScrollBars();
}

void TbsSkinCustomListBox::SetColumns(int32_t Value) {
  FListBox->SetColumns(Value);
  UpdateScrollBars();
}

void TbsSkinCustomListBox::SetSorted(bool Value) {
  if (FScrollBar != nullptr) RemoveMainBar();
  FListBox->SetSorted(Value);
}

void TbsSkinCustomListBox::SetTabWidths(TStrings* Value) {
  FTabWidths->Assign(Value);
  if (FTabWidths->Count() > 0) FListBox->Invalidate();
}

void TbsSkinCustomListBox::SetHorizontalExtent(bool Value) {
  FHorizontalExtent = Value;
  UpdateScrollBars();
}

void TbsSkinCustomListBox::SetRowCount(int32_t Value) {
  FRowCount = Value;
  if (Value != 0) SetHeight(CalcHeight(Value));
  UpdateScrollBars();
}

void TbsSkinCustomListBox::SetGlyph(TBitmap* Value) {
  FGlyph->Assign(Value);
  Repaint();
}

void TbsSkinCustomListBox::SetNumGlyphs(int32_t Value) {
  FNumGlyphs = Value;
  Repaint();
}

void TbsSkinCustomListBox::SetSpacing(int32_t Value) {
  FSpacing = Value;
  Repaint();
}

void TbsSkinCustomListBox::SetImages(TCustomImageList* Value) {
  if (FImages != nullptr) FImages->RemoveFreeNotification(this);
  FImages = Value;
  if (Value != nullptr) Value->FreeNotification(this);
  if (FListBox != nullptr) FListBox->Repaint();
}

void TbsSkinCustomListBox::SetImageIndex(int32_t Value) {
  FImageIndex = Value;
  FListBox->Repaint();
}

void TbsSkinCustomListBox::SetCaptionMode(bool Value) {
  FCaptionMode = Value;
  if (FSkinIndex != -1) return;
  CalcListRects();
  Repaint();
}

void TbsSkinCustomListBox::SetDefaultCaptionHeight(int32_t Value) {
  FDefaultCaptionHeight = Value;
  if (FSkinIndex != -1 || !FCaptionMode) return;
  CalcListRects();
  Repaint();
}

void TbsSkinCustomListBox::SetAlignment(TAlignment Value) {
  if (FAlignment == Value) return;
  FAlignment = Value;
  if (FCaptionMode) Repaint();
}

void TbsSkinCustomListBox::SetDefaultItemHeight(int32_t Value) {
  FDefaultItemHeight = Value;
  if (FSkinIndex == -1 || !FUseSkinItemHeight) FListBox->SetItemHeight(Value);
}

int32_t TbsSkinCustomListBox::CalcHeight(int32_t Rows) {
  const int32_t itemHeight = IntMax(1, FListBox->ItemHeight());
  int32_t h;
  if (FSkinIndex == -1)
    h = Rows * itemHeight + 4 + (FCaptionMode ? FDefaultCaptionHeight : 0);
  else
    h = RectHeight(FSkinRect) + Rows * itemHeight - RectHeight(FSkinClientRect);
  if (FHScrollBar != nullptr) h += FHScrollBar->Height();
  return h;
}

int32_t TbsSkinCustomListBox::GetItemWidth(int32_t Index, TCanvas* Canvas) {
  return Canvas->TextWidth(Items()->Strings(Index));
}

// ---- Events from the inner list ----------------------------------------------------------

void TbsSkinCustomListBox::ListBoxMouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (OnListBoxMouseDown) OnListBoxMouseDown(this, Button, Shift, X, Y);
}

void TbsSkinCustomListBox::ListBoxMouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  if (OnListBoxMouseMove) OnListBoxMouseMove(this, Shift, X, Y);
}

void TbsSkinCustomListBox::ListBoxMouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (OnListBoxMouseUp) OnListBoxMouseUp(this, Button, Shift, X, Y);
}

void TbsSkinCustomListBox::ListBoxClick() {
  if (OnListBoxClick) OnListBoxClick(this);
}

void TbsSkinCustomListBox::ListBoxDblClick() {
  if (OnListBoxDblClick) OnListBoxDblClick(this);
}

void TbsSkinCustomListBox::ListBoxKeyDown(uint16_t& Key, TShiftState Shift) {
  if (OnListBoxKeyDown) OnListBoxKeyDown(this, Key, Shift);
}

void TbsSkinCustomListBox::ListBoxKeyUp(uint16_t& Key, TShiftState Shift) {
  if (OnListBoxKeyUp) OnListBoxKeyUp(this, Key, Shift);
}

void TbsSkinCustomListBox::ListBoxKeyPress(char32_t& Key) {
  if (OnListBoxKeyPress) OnListBoxKeyPress(this, Key);
}

// ---- Layout ---------------------------------------------------------------------------------

TRect TbsSkinCustomListBox::BarRect(TbsSkinScrollBar* Bar) const {
  return TRect{Bar->Left(), Bar->Top(), Bar->Left() + Bar->Width(), Bar->Top() + Bar->Height()};
}

// Places the horizontal bar; answers the height it takes at the bottom.
int32_t TbsSkinCustomListBox::PlaceHScrollBar() {
  if (Columns() != 0 || FHScrollBar == nullptr || !FHScrollBar->Visible()) return 0;
  const int32_t W = Width(), H = Height();
  if (FSkinIndex == -1) {
    FHScrollBar->SetBounds(1, H - 20, W - 2, kPlainBar);
    return FHScrollBar->Height() - 1;
  }
  const int32_t h = FHScrollBar->Height();
  FHScrollBar->SetBounds(FListRect.Left, FListRect.Bottom - h, RectWidth(FListRect), h);
  return FHScrollBar->Height();
}

void TbsSkinCustomListBox::PlaceMainBar(int32_t C, int32_t B, TRect& L) {
  const int32_t W = Width(), H = Height();
  TbsSkinScrollBar* bar = FScrollBar;
  if (FSkinIndex == -1) {
    if (Columns() <= 0) {
      bar->SetBounds(W - 20, C, kPlainBar, H - C - B - 1);
      L = TRect{2, C + 1, bar->Left(), H - B - 2};
    } else {
      bar->SetBounds(1, H - 20, W - 2, kPlainBar);
      L = TRect{2, C + 1, W - 2, bar->Top()};
    }
    return;
  }
  L = FListRect;
  if (Columns() <= 0) {
    const int32_t w = bar->Width();
    bar->SetBounds(FListRect.Right - w, FListRect.Top, w, RectHeight(FListRect) - B);
    L.Right -= w;
  } else {
    const int32_t h = bar->Height();
    bar->SetBounds(FListRect.Left, FListRect.Bottom - h, RectWidth(FListRect), h);
    L.Bottom -= h;
  }
  L.Bottom -= B;
}

void TbsSkinCustomListBox::CalcListRects() {
  if (FListBox == nullptr) return;
  GetSkinData();
  const int32_t W = Width(), H = Height();
  int32_t C = 1;
  if (FSkinIndex == -1) {
    if (FCaptionMode) C = FDefaultCaptionHeight;
  } else {
    FListRect = FSkinClientRect;
    FListRect.Right += W - RectWidth(FSkinRect);
    FListRect.Bottom += H - RectHeight(FSkinRect);
  }
  const int32_t B = PlaceHScrollBar();
  TRect L;
  if (FScrollBar != nullptr && FScrollBar->Visible()) {
    PlaceMainBar(C, B, L);
  } else if (FSkinIndex == -1) {
    L = TRect{2, C + 1, W - 2, H - B - 2};
  } else {
    L = FListRect;
    L.Bottom -= B;
  }
  FListBoxRect = L;
  FListBox->SetBounds(L.Left, L.Top, IntMax(0, RectWidth(L)), IntMax(0, RectHeight(L)));
}

// ---- Scroll bars ----------------------------------------------------------------------------

void TbsSkinCustomListBox::UpdateScrollBars() {
  if (FListBox == nullptr) return;
  if (Columns() < 1) {
    UpdateHorizontalExtent();
    if (UpdateVerticalBar()) return;
  } else if (UpdateColumnsBar()) {
    return;
  }
  if (FScrollBar != nullptr && FScrollBar->Visible()) RemoveMainBar();
}

void TbsSkinCustomListBox::UpdateHorizontalExtent() {
  if (!FHorizontalExtent || FInChangeSkinData) {
    if (FHScrollBar != nullptr && FHScrollBar->Visible()) RemoveHScrollBar();
    return;
  }
  TCanvas* C = FListBox->Canvas();
  if (FSkinIndex != -1 && FUseSkinFont) {
    C->Font()->SetName(FSkinFontName);
    C->Font()->SetStyle(FSkinFontStyle);
    C->Font()->SetHeight(FSkinFontHeight);
  } else {
    C->Font()->Assign(FListBox->Font());
  }
  int32_t M = 0;
  for (int32_t i = 0; i < Items()->Count(); ++i) M = IntMax(M, GetItemWidth(i, C));
  int32_t R =
      FSkinIndex == -1 ? FListBox->Width() - 4 : FListBox->Width() + RectWidth(FItemTextRect) - RectWidth(FSItemRect);
  if (FImages != nullptr) R -= FImages->Width() + 4;
  if (R >= M) {
    if (FHScrollBar != nullptr && FHScrollBar->Visible()) RemoveHScrollBar();
    return;
  }
  if (FHScrollBar == nullptr) CreateHScrollBar();
  FHScrollBar->SetRange(0, M, FHScrollBar->Position(), R);
  const int32_t zero = C->TextWidth("0");
  FHScrollBar->SetSmallChange(zero);
  FHScrollBar->SetLargeChange(zero);
}

// The list's own vertical scroll state: 0 .. count - 1, position the top item.
bool TbsSkinCustomListBox::UpdateVerticalBar() {
  const int32_t count = Items()->Count();
  if (FRowCount >= 1 && FRowCount == count) return false;
  int32_t Min = 0, Max = 0;
  GetScrollRange(FListBox->Handle(), SB_VERT, &Min, &Max);
  const int32_t position = GetScrollPos(FListBox->Handle(), SB_VERT);
  const int32_t V = FListBox->Height() / IntMax(1, FListBox->ItemHeight());
  if (!(Min < Max && Max >= position && V < count)) return false;
  ShowMainBar(Min, Max, V, position);
  FScrollBar->SetLargeChange(V);
  return true;
}

bool TbsSkinCustomListBox::UpdateColumnsBar() {
  int32_t Min = 0, Max = 0;
  GetScrollRange(FListBox->Handle(), SB_HORZ, &Min, &Max);
  const int32_t position = GetScrollPos(FListBox->Handle(), SB_HORZ);
  const int32_t rows = FListBox->Height() / IntMax(1, FListBox->ItemHeight());
  if (!(Min < Max && Max >= position && Max >= Columns() && rows * Columns() < Items()->Count())) return false;
  ShowMainBar(Min, Max, Columns(), position);
  return true;
}

void TbsSkinCustomListBox::ShowMainBar(int32_t Min, int32_t Max, int32_t Page, int32_t Position) {
  if (FScrollBar == nullptr) CreateMainBar();
  FScrollBar->SetRange(Min, Max, Position, Page);
}

void TbsSkinCustomListBox::SetBarNames(TbsSkinScrollBar* Bar, bool Horizontal) {
  if (FSkinIndex == -1)
    Bar->SetSkinDataName("");
  else
    Bar->SetSkinDataName(Horizontal ? FHScrollBarName : FVScrollBarName);
}

// The horizontal bar beside a main bar carries the corner square.
void TbsSkinCustomListBox::SetBothNames(TbsSkinScrollBar* Bar) {
  if (FSkinIndex == -1) {
    Bar->SetSkinDataName("");
    Bar->SetBoth(true);
    Bar->SetBothMarkerWidth(kPlainBar);
    return;
  }
  Bar->SetBothSkinDataName(FBothScrollBarName);
  Bar->SetSkinDataName(FBothScrollBarName);
  Bar->SetBoth(true);
}

void TbsSkinCustomListBox::CreateMainBar() {
  auto* bar = new TbsSkinScrollBar(this);
  FScrollBar = bar;
  bar->SetKind(Columns() <= 0 ? TScrollBarKind::sbVertical : TScrollBarKind::sbHorizontal);
  bar->SetBounds(bar->Left(), bar->Top(), 20, 100);
  bar->SetRange(0, bar->Max(), 0, 0);
  bar->OnChange = [this](TObject* Sender) { ScrollBarChange(Sender); };
  SetBarNames(bar, Columns() > 0);
  bar->SetSkinData(FSkinData);
  if (FHScrollBar != nullptr) {
    SetBothNames(FHScrollBar);
    FHScrollBar->SetSkinData(FSkinData);
  }
  bar->SetParent(this);
  CalcListRects();
  bar->SetVisible(true);
  Repaint();
}

void TbsSkinCustomListBox::CreateHScrollBar() {
  auto* bar = new TbsSkinScrollBar(this);
  FHScrollBar = bar;
  bar->SetKind(TScrollBarKind::sbHorizontal);
  bar->SetBounds(bar->Left(), bar->Top(), 20, 100);
  bar->SetRange(0, bar->Max(), 0, 0);
  bar->OnChange = [this](TObject* Sender) { HScrollBarChange(Sender); };
  if (FScrollBar != nullptr) {
    SetBothNames(bar);
  } else {
    SetBarNames(bar, true);
    bar->SetBothSkinDataName(FHScrollBarName);
  }
  bar->SetSkinData(FSkinData);
  bar->SetParent(this);
  bar->SetVisible(true);
  CalcListRects();
  Repaint();
}

void TbsSkinCustomListBox::RemoveMainBar() {
  TbsSkinScrollBar* bar = FScrollBar;
  FScrollBar = nullptr;
  bar->SetVisible(false);
  delete bar;
  CalcListRects();
}

void TbsSkinCustomListBox::RemoveHScrollBar() {
  FListBox->SetHorzExtent(0);
  TbsSkinScrollBar* bar = FHScrollBar;
  FHScrollBar = nullptr;
  bar->SetVisible(false);
  delete bar;
  CalcListRects();
  FListBox->Repaint();
}

void TbsSkinCustomListBox::ScrollBarChange(TObject*) {
  const uint32_t msg = Columns() <= 0 ? WM_VSCROLL : WM_HSCROLL;
  SendMessage(FListBox->Handle(), msg, MAKEWPARAM(SB_THUMBPOSITION, FScrollBar->Position()), 0);
}

void TbsSkinCustomListBox::HScrollBarChange(TObject*) {
  FListBox->SetHorzExtent(FHScrollBar->Position());
  FListBox->Repaint();
}
