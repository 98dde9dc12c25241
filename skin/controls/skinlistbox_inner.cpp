// The inner list of the skinned list box: items, empty area and background
// painted from the frame, input passed up to it, its scroll bars kept in step.
#include "platform/gui/gdi.h"
#include "platform/gui/windows.h"
#include "platform/rtl/arith.h"
#include "platform/vcl/messages.h"
#include "skin/controls/listboxdraw.h"
#include "skin/controls/skinlistbox.h"
#include "skin/engine/data/skindraw.h"
#include "skin/engine/data/skinimage.h"
#include "skin/engine/data/skinmessages.h"

namespace {

bool IsSelected(uint32_t State) { return (State & ODS_SELECTED) != 0; }
bool IsFocused(uint32_t State) { return (State & ODS_FOCUS) != 0; }

// A canvas on a DC it does not own.
class TBorrowedCanvas {
 public:
  explicit TBorrowedCanvas(HDC DC) { FCanvas.SetHandle(DC); }
  ~TBorrowedCanvas() { FCanvas.SetHandle(nullptr); }
  TBorrowedCanvas(const TBorrowedCanvas&) = delete;
  TBorrowedCanvas& operator=(const TBorrowedCanvas&) = delete;
  TCanvas* operator->() { return &FCanvas; }
  TCanvas* Get() { return &FCanvas; }

 private:
  TCanvas FCanvas;
};

}  // namespace

TbsListBox::TbsListBox(TComponent* AOwner) : TListBox(AOwner) {
  SetControlStyle(
      TControlStyle{TControlStyleItem::csCaptureMouse, TControlStyleItem::csOpaque, TControlStyleItem::csDoubleClicks});
}

void TbsListBox::CreateParams(TCreateParams& Params) {
  TListBox::CreateParams(Params);
  Params.Style &= ~WS_BORDER;
  Params.ExStyle &= ~WS_EX_CLIENTEDGE;
  Params.Style |= WS_TABSTOP;
  Params.WindowClass.style = CS_DBLCLKS;
}

void TbsListBox::CreateWnd() {
  TListBox::CreateWnd();
  if (FSkinListBox != nullptr) FSkinListBox->ListBoxCreateWnd();
}

void TbsListBox::SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) {
  const int32_t oldWidth = Width();
  TListBox::SetBounds(ALeft, ATop, AWidth, AHeight);
  if (oldWidth == Width() || FHorzExtent < 1) return;
  FHorzExtent = IntMax(0, FHorzExtent + oldWidth - Width());
  Repaint();
}

// ---- Messages -------------------------------------------------------------------------------

void TbsListBox::WndProc(TMessage& Message) {
  bool handled = true;
  if (FSkinListBox != nullptr) {
    handled = false;
    FSkinListBox->ListBoxWProc(Message, handled);
  }
  if (!handled) return;
  TListBox::WndProc(Message);
  if (FSkinListBox != nullptr) AfterMessage(Message);
}

void TbsListBox::AfterMessage(TMessage& Message) {
  switch (Message.Msg) {
    case WM_ERASEBKGND:
    case LB_ADDSTRING:
    case LB_INSERTSTRING:
    case LB_DELETESTRING: FSkinListBox->UpdateScrollBars(); break;
    case WM_LBUTTONDBLCLK: FSkinListBox->ListBoxDblClick(); break;
    case WM_MOUSEWHEEL: WheelScroll(Message); break;
    case WM_SKIN_PAINTBACKGROUND: AnswerPaintBackground(Message); break;
    default: break;
  }
}

void TbsListBox::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_PAINT: PaintHandler(Message); break;
    case WM_ERASEBKGND: EraseBackground(Message); break;
    case WM_NCCALCSIZE: break;
    case CN_DRAWITEM: CNDrawItem(Message); break;
    case CM_ENTER:
      if (FSkinListBox != nullptr) FSkinListBox->ListBoxEnter();
      TListBox::Dispatch(Message);
      break;
    case CM_EXIT:
      if (FSkinListBox != nullptr) FSkinListBox->ListBoxExit();
      TListBox::Dispatch(Message);
      break;
    default: TListBox::Dispatch(Message); break;
  }
}

// The wheel towards the user scrolls down a line.
void TbsListBox::WheelScroll(TMessage& Message) {
  const bool towards = int32_t(uint32_t(Message.WParam)) < 1;
  if (FSkinListBox->FScrollBar != nullptr) {
    SendMessage(Handle(), WM_VSCROLL, towards ? SB_LINEDOWN : SB_LINEUP, 0);
    FSkinListBox->UpdateScrollBars();
  } else if (TbsSkinScrollBar* bar = FSkinListBox->FHScrollBar) {
    bar->SetPosition(bar->Position() + (towards ? bar->SmallChange() : -bar->SmallChange()));
  }
}

// Only an empty list paints its background for others.
void TbsListBox::AnswerPaintBackground(TMessage& Message) {
  if (Message.LParam != bsSkinPaintAnswer || Count() != 0) return;
  if (Message.WParam != 0) PaintBackground(reinterpret_cast<HDC>(Message.WParam));
  Message.Result = bsSkinPaintAnswer;
}

void TbsListBox::EraseBackground(TMessage& Message) {
  if (Width() > 0 && Height() > 0) PaintBackground(reinterpret_cast<HDC>(Message.WParam));
  Message.Result = 1;
}

void TbsListBox::CNDrawItem(TMessage& Message) {
  auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam);
  TBorrowedCanvas C(d->hDC);
  C->Font()->Assign(Font());
  C->Brush()->Assign(Brush());
  DrawItemTo(C.Get(), int32_t(d->itemID), d->rcItem, d->itemState);
  Message.Result = 1;
}

// ---- Input passed up ----------------------------------------------------------------------

void TbsListBox::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (FSkinListBox != nullptr) FSkinListBox->ListBoxMouseDown(Button, Shift, X, Y);
  TListBox::MouseDown(Button, Shift, X, Y);
}

void TbsListBox::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  if (FSkinListBox != nullptr) FSkinListBox->ListBoxMouseMove(Shift, X, Y);
  TListBox::MouseMove(Shift, X, Y);
}

void TbsListBox::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (FSkinListBox != nullptr) FSkinListBox->ListBoxMouseUp(Button, Shift, X, Y);
  TListBox::MouseUp(Button, Shift, X, Y);
}

// Left and right move the horizontal bar when there is one.
void TbsListBox::KeyDown(uint16_t& Key, TShiftState Shift) {
  if (FSkinListBox != nullptr) {
    FSkinListBox->ListBoxKeyDown(Key, Shift);
    if (TbsSkinScrollBar* bar = FSkinListBox->FHScrollBar) {
      if (Key == VK_LEFT || Key == VK_RIGHT) {
        bar->SetPosition(bar->Position() + (Key == VK_LEFT ? -bar->SmallChange() : bar->SmallChange()));
        Key = 0;
      }
    }
  }
  TListBox::KeyDown(Key, Shift);
}

void TbsListBox::KeyUp(uint16_t& Key, TShiftState Shift) {
  if (FSkinListBox != nullptr) FSkinListBox->ListBoxKeyUp(Key, Shift);
  TListBox::KeyUp(Key, Shift);
}

void TbsListBox::KeyPress(char32_t& Key) {
  if (FSkinListBox != nullptr) FSkinListBox->ListBoxKeyPress(Key);
  TListBox::KeyPress(Key);
}

void TbsListBox::Click() {
  if (FSkinListBox != nullptr) FSkinListBox->ListBoxClick();
  TListBox::Click();
}

// ---- Painting -----------------------------------------------------------------------------

int32_t TbsListBox::SafeItemHeight() { return IntMax(1, ItemHeight()); }

uint32_t TbsListBox::GetItemState(int32_t Index) {
  if (Index == ItemIndex()) return Focused() ? ODS_SELECTED | ODS_FOCUS : ODS_SELECTED;
  return SelCount() > 0 && Selected(Index) ? ODS_SELECTED : 0;
}

void TbsListBox::PaintBackground(HDC DC) {
  TBorrowedCanvas C(DC);
  FillRest(C.Get(), 0);
}

void TbsListBox::FillRest(TCanvas* C, int32_t Bottom) {
  TbsSkinCustomListBox* f = FSkinListBox;
  if (f != nullptr) f->GetSkinData();
  if (f == nullptr || f->FSkinIndex == -1) {
    C->Brush()->SetStyle(TBrushStyle::bsSolid);
    C->Brush()->SetColor(clWindow);
    C->FillRect(TRect{0, Bottom, Width(), Height()});
    return;
  }
  TileSkinClient(C, f->FPicture, f->FSkinRect, f->FSkinClientRect, 0, Bottom, Width(), Height() - Bottom);
}

void TbsListBox::PaintWindow(HDC DC) {
  if (Width() <= 0 || Height() <= 0) return;
  const int32_t saved = SaveDC(DC);
  {
    TBorrowedCanvas C(DC);
    if (Columns() <= 0)
      PaintRows(C.Get());
    else
      PaintColumns(C.Get());
  }
  RestoreDC(DC, saved);
}

void TbsListBox::PaintRows(TCanvas* C) {
  const int32_t top = TopIndex();
  const int32_t last = IntMin(top + Height() / SafeItemHeight(), Count() - 1);
  int32_t bottom = 0;
  for (int32_t i = top; i <= last; ++i) {
    const TRect R = ItemRect(i);
    DrawItemTo(C, i, R, GetItemState(i));
    bottom = R.Bottom;
  }
  if (bottom < Height()) FillRest(C, bottom);
}

void TbsListBox::PaintColumns(TCanvas* C) {
  const int32_t top = TopIndex();
  const int32_t last = IntMin(top + (Height() / SafeItemHeight()) * Columns(), Count() - 1);
  for (int32_t i = top; i <= last; ++i) DrawItemTo(C, i, ItemRect(i), GetItemState(i));
}

void TbsListBox::DrawItemTo(TCanvas* C, int32_t Index, const TRect& R, uint32_t State) {
  if (Index < 0 || Index >= Count() || FSkinListBox == nullptr) return;
  TbsSkinCustomListBox* f = FSkinListBox;
  if (f->FSkinIndex == -1)
    DrawDefaultItem(C, Index, R, State);
  else if (f->FPicture == nullptr)
    return;
  else if (f->FUseSkinItemHeight)
    DrawSkinItem(C, Index, R, State);
  else
    DrawStretchItem(C, Index, R, State);
}

void TbsListBox::DrawDefaultItem(TCanvas* C, int32_t Index, const TRect& R, uint32_t State) {
  TbsSkinCustomListBox* f = FSkinListBox;
  const int32_t w = RectWidth(R), h = RectHeight(R);
  if (w <= 0 || h <= 0) return;
  TBitmap B;
  B.SetSize(w, h);
  TCanvas* bc = B.Canvas();
  bc->Font()->Assign(f->Font());
  if (f->FSkinData != nullptr && f->FSkinData->ResourceStrData() != nullptr)
    bc->Font()->SetCharset(f->FSkinData->ResourceStrData()->CharSet());
  else
    bc->Font()->SetCharset(f->DefaultFont()->Charset());
  const bool selected = IsSelected(State);
  bc->Brush()->SetColor(selected ? clHighlight : clWindow);
  bc->Font()->SetColor(selected ? clHighlightText : f->Font()->Color());
  bc->FillRect(TRect{0, 0, w, h});
  // The text must not paint over the image beside it.
  bc->Brush()->SetStyle(TBrushStyle::bsClear);
  DrawContent(bc, Index, w, h, TRect{2, 0, w - 2, h}, State, false);
  if (IsFocused(State)) bc->DrawFocusRect(TRect{0, 0, w, h});
  C->Draw(R.Left, R.Top, &B);
}

void TbsListBox::SetItemFont(TCanvas* C) {
  TbsSkinCustomListBox* f = FSkinListBox;
  SetSkinControlFont(C->Font(), f->UseSkinFont(), f->FSkinFontName, f->FSkinFontHeight, f->FSkinFontStyle,
                     f->DefaultFont(), f->FSkinData);
  C->Brush()->SetStyle(TBrushStyle::bsClear);
}

void TbsListBox::DrawStretchItem(TCanvas* C, int32_t Index, const TRect& R, uint32_t State) {
  TbsSkinCustomListBox* f = FSkinListBox;
  const int32_t w = RectWidth(R), h = RectHeight(R);
  if (w <= 0 || h <= 0) return;
  const bool selected = IsSelected(State), focused = IsFocused(State);
  const TRect& picture = focused ? f->FFocusItemRect : (selected ? f->FActiveItemRect : f->FSItemRect);
  TRect client = f->FItemTextRect;
  InflateRect(client, -1, -1);
  TBitmap B;
  B.SetSize(w, h);
  if (!IsNullRect(picture)) BuildStretchedSkinImage(&B, f->FPicture, picture, client, true);
  TRect T = f->FItemTextRect;
  T.Right += w - RectWidth(f->FSItemRect);
  T.Bottom += h - RectHeight(f->FSItemRect);
  TCanvas* bc = B.Canvas();
  SetItemFont(bc);
  bc->Font()->SetColor(focused ? f->FFocusFontColor : (selected ? f->FActiveFontColor : f->FFontColor));
  DrawContent(bc, Index, w, RectHeight(f->FSItemRect), T, State, true);
  C->Draw(R.Left, R.Top, &B);
}

void TbsListBox::DrawSkinItem(TCanvas* C, int32_t Index, const TRect& R, uint32_t State) {
  TbsSkinCustomListBox* f = FSkinListBox;
  const int32_t w = RectWidth(R), h = RectHeight(f->FSItemRect);
  // An empty "itemrect" has no picture to compose.
  if (w <= 0 || h <= 0) return;
  const bool selected = IsSelected(State), focused = IsFocused(State);
  const TRect& picture =
      focused ? (selected ? f->FFocusItemRect : f->FSItemRect) : (selected ? f->FActiveItemRect : f->FSItemRect);
  const bool stretch = (focused || selected) && f->FStretchEffect;
  TBitmap B;
  B.SetSize(w, h);
  BuildHSkinImage(f->FItemLeftOffset, f->FItemRightOffset, &B, f->FPicture, picture, w, h, stretch);
  TCanvas* bc = B.Canvas();
  if (focused && !selected) bc->DrawFocusRect(TRect{0, 0, w, h});
  TRect T = f->FItemTextRect;
  T.Right += w - RectWidth(f->FSItemRect);
  SetItemFont(bc);
  bc->Font()->SetColor(focused && selected ? f->FFocusFontColor : (selected ? f->FActiveFontColor : f->FFontColor));
  DrawContent(bc, Index, w, h, T, State, true);
  C->Draw(R.Left, R.Top, &B);
}

// Image and text of an item; texts start Images.Width + 2 right of the text
// rect also when the item has no image.
void TbsListBox::DrawContent(TCanvas* C, int32_t Index, int32_t W, int32_t H, const TRect& T, uint32_t State,
                             bool Skinned) {
  TbsSkinCustomListBox* f = FSkinListBox;
  if (f->OnDrawItem) {
    f->OnDrawItem(C, Index, W, H, T, OwnerDrawStateFromBits(State));
    return;
  }
  if (Skinned && IsFocused(State) && f->FShowFocus) {
    C->Brush()->SetStyle(TBrushStyle::bsSolid);
    C->Brush()->SetColor(f->FSkinData->SkinColors.CBtnFace);
    C->DrawFocusRect(TRect{0, 0, W, H});
    C->Brush()->SetStyle(TBrushStyle::bsClear);
  }
  int32_t start = 0;
  if (TCustomImageList* images = f->FImages) {
    const int32_t image = f->FImageIndex < 0 ? Index : f->FImageIndex;
    if (image < images->Count())
      images->Draw(C, T.Left - FHorzExtent, T.Top + Div(RectHeight(T), 2) - Div(images->Height(), 2), image, true);
    start = images->Width() + 2;
  }
  const String text = Items()->Strings(Index);
  if (f->FTabWidths->Count() > 0 && Columns() == 0)
    DrawTabbedText(C, text, f->FTabWidths.get(), start, T);
  else
    DrawRectTextOffset(C, text, T, start - FHorzExtent);
}
