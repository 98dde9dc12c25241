// TbsSkinCustomComboBox: selection, the drop-down and its tracking, the
// keyboard, the edit part and the description copy.
#include "skin/controls/skincombobox.h"

#include <algorithm>

#include "platform/gui/windows.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/clock.h"
#include "platform/rtl/scopeguard.h"
#include "platform/rtl/strings.h"
#include "platform/vcl/drawframe.h"
#include "platform/vcl/messages.h"
#include "skin/engine/data/skindraw.h"

namespace {

constexpr uintptr_t kScrollTimer = 1;
constexpr uint32_t kScrollInterval = 25;
constexpr uint32_t kSearchGap = 500;
constexpr uint32_t kCompleteGap = 200;

int32_t CharCount(const String& S) {
  int32_t n = 0;
  for (char c : S)
    if ((uint8_t(c) & 0xC0) != 0x80) ++n;
  return n;
}

bool IsArrow(uint32_t Key) { return Key == VK_LEFT || Key == VK_RIGHT || Key == VK_UP || Key == VK_DOWN; }

}  // namespace

TbsSkinCustomComboBox::TbsSkinCustomComboBox(TComponent* AOwner) : TbsSkinCustomControl(AOwner) {
  SetTabStop(true);
  SetControlStyle(TControlStyle{TControlStyleItem::csAcceptsControls, TControlStyleItem::csCaptureMouse,
                                TControlStyleItem::csOpaque, TControlStyleItem::csDoubleClicks,
                                TControlStyleItem::csReplicatable});
  Font()->SetName("Arial");
  Font()->SetColor(clWindowText);
  Font()->SetStyle(TFontStyles{});
  Font()->SetHeight(14);
  SetBounds(Left(), Top(), 120, 20);
  FListBox = new TbsPopupListBox(this);
  FListBox->SetVisible(false);
  FListBox->SetParent(this);
  TbsListBox* inner = FListBox->ListBox();
  inner->SetTabStop(false);
  inner->OnMouseMove = [this](TObject* S, TShiftState Sh, int32_t X, int32_t Y) { ListBoxMouseMove(S, Sh, X, Y); };
  FOldListBoxWProc = inner->WindowProc;
  inner->WindowProc = [this](TMessage& M) { ListBoxWindowProcHook(M); };
  FListBox->OnCheckButtonClick = [this](TObject*) { CloseUp(true); };
  CalcRects();
  SetSkinDataName("combobox");
}

TbsSkinCustomComboBox::~TbsSkinCustomComboBox() {
  // Cleared before the delete: the removal notifications ask for the list.
  TbsCustomEdit* edit = FEdit;
  FEdit = nullptr;
  delete edit;
  TbsPopupListBox* list = FListBox;
  FListBox = nullptr;
  delete list;
}

// ---- Selection ----------------------------------------------------------------------------

void TbsSkinCustomComboBox::SetItemIndex(int32_t Value) {
  SetListIndex(Value);
  const int32_t i = FListBox->ItemIndex();
  if (Items()->Count() > 0 && i != -1) SetText(Items()->Strings(i));
  FPrevItemIndex = FListBox->ItemIndex();
  if (FEdit == nullptr) Repaint();
  const TComponentState state = ComponentState();
  if (state.Contains(TComponentStateItem::csDesigning) || state.Contains(TComponentStateItem::csLoading)) return;
  if (OnClick) OnClick(this);
  Change();
}

int32_t TbsSkinCustomComboBox::FindItem(int32_t After, const String& S) const {
  TbsListBox* inner = FListBox->ListBox();
  return int32_t(SendMessage(inner->Handle(), LB_FINDSTRING, WPARAM(After), reinterpret_cast<LPARAM>(S.c_str())));
}

void TbsSkinCustomComboBox::SetDropDownCount(int32_t Value) {
  if (Value >= 1) FDropDownCount = Value;
}

void TbsSkinCustomComboBox::SetDefaultColor(TColor Value) {
  FDefaultColor = Value;
  if (FSkinIndex == -1) Invalidate();
  if (FEdit != nullptr) FEdit->SetColor(Value);
}

void TbsSkinCustomComboBox::SetCharCase(TEditCharCase Value) {
  FCharCase = Value;
  if (FEdit != nullptr) FEdit->SetCharCase(Value);
}

void TbsSkinCustomComboBox::SetHideSelection(bool Value) {
  FHideSelection = Value;
  if (FEdit != nullptr) FEdit->SetHideSelection(Value);
}

void TbsSkinCustomComboBox::SetImages(TCustomImageList* Value) {
  FListBox->SetImages(Value);
  Repaint();
}

void TbsSkinCustomComboBox::SetImageIndex(int32_t Value) {
  FListBox->SetImageIndex(Value);
  Repaint();
}

void TbsSkinCustomComboBox::SetOnListBoxDrawItem(TbsDrawSkinItemEvent Value) {
  FOnListBoxDrawItem = Value;
  FListBox->OnDrawItem = std::move(Value);
}

void TbsSkinCustomComboBox::Notification(TComponent* AComponent, TOperation Operation) {
  TbsSkinCustomControl::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && FListBox != nullptr && AComponent == Images()) SetImages(nullptr);
}

// ---- Drop-down ----------------------------------------------------------------------------

void TbsSkinCustomComboBox::DropDown() {
  const int32_t count = Items()->Count();
  if (count == 0) return;
  FListTracking = false;
  StopAutoScroll();
  if (OnDropDown) OnDropDown(this);
  FListBox->SetWidth(FListBoxWidth > 0 ? FListBoxWidth : Width());
  FListBox->SetRowCount(std::min(count, FDropDownCount));
  TPoint P = Parent() != nullptr ? Parent()->ClientToScreen(TPoint{Left(), Top() + Height()})
                                 : ClientToScreen(TPoint{0, Height()});
  TRect work;
  GetMonitorRect(Handle(), true, work);
  if (P.Y + FListBox->Height() > work.Bottom) P.Y -= Height() + FListBox->Height();
  if (FEdit != nullptr && FEdit->Enabled()) FEdit->SetFocus();
  FPrevItemIndex = FListBox->ItemIndex();
  if (FPrevItemIndex == 0 && count > 1) {
    SetListIndex(1);
    SetListIndex(0);
  }
  FListBox->SetTopIndex(FListBox->ItemIndex());
  FListBox->SetSkinData(SkinData());
  FListBox->Show(P);
}

void TbsSkinCustomComboBox::CloseUp(bool Accept) {
  StopAutoScroll();
  if (!GetDroppedDown()) return;
  FListBox->Hide();
  if (FListBox->ItemIndex() < 0) SetListIndex(FPrevItemIndex);
  const int32_t i = FListBox->ItemIndex();
  if (Accept && i >= 0 && i < Items()->Count()) {
    if (FEdit != nullptr) {
      {
        const auto fromBox = FlagScope(FEditFromBox);
        FEdit->SetText(Items()->Strings(i));
      }
      FEdit->SelectAll();
    } else {
      SetText(Items()->Strings(i));
      Repaint();
    }
    if (OnClick) OnClick(this);
    Change();
  } else if (!Accept) {
    SetListIndex(FPrevItemIndex);
  }
  Repaint();
  if (Accept && OnCloseUp) OnCloseUp(this);
}

// ---- Mouse and tracking ---------------------------------------------------------------------

void TbsSkinCustomComboBox::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TbsSkinCustomControl::MouseDown(Button, Shift, X, Y);
  if (FStyle == TbsSkinCustomComboBoxStyle::bscbFixedStyle && !Focused()) SetFocus();
  if (Button != TMouseButton::mbLeft) return;
  const TPoint P{X, Y};
  FMouseInButton = PtInRect(FButtonRect, P);
  if (FMouseInButton || (FEdit == nullptr && PtInRect(FItemAreaRect, P))) {
    FButtonDown = true;
    Repaint();
    if (!GetDroppedDown()) {
      FListTracking = false;
      FDropPressed = true;
      DropDown();
    } else {
      CloseUp(false);
    }
  } else if (GetDroppedDown()) {
    CloseUp(false);
  }
}

void TbsSkinCustomComboBox::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  TbsSkinCustomControl::MouseMove(Shift, X, Y);
  if (FDropPressed) return TrackListBox(X, Y);
  const bool in = PtInRect(FButtonRect, TPoint{X, Y});
  if (in == FMouseInButton) return;
  FMouseInButton = in;
  Repaint();
}

void TbsSkinCustomComboBox::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (FDropPressed && FListTracking) {
    ReleaseCapture();
    FDropPressed = false;
    TPoint p;
    GetCursorPos(&p);
    TbsListBox* inner = FListBox->ListBox();
    CloseUp(inner->HandleAllocated() && WindowFromPoint(p) == inner->Handle());
  } else {
    FDropPressed = false;
  }
  TbsSkinCustomControl::MouseUp(Button, Shift, X, Y);
  if (!FButtonDown) return;
  FButtonDown = false;
  Repaint();
}

void TbsSkinCustomComboBox::TrackListBox(int32_t X, int32_t Y) {
  if (!GetDroppedDown()) return;
  TbsListBox* inner = FListBox->ListBox();
  const TPoint P = inner->ScreenToClient(ClientToScreen(TPoint{X, Y}));
  const bool scrolls = FListBox->ScrollBar() != nullptr && FListTracking;
  if (P.Y < 0) {
    if (scrolls) StartAutoScroll(1);
  } else if (P.Y > inner->Height()) {
    if (scrolls) StartAutoScroll(2);
  } else if (P.X >= 0 && P.X <= inner->Width()) {
    StopAutoScroll();
    inner->Perform(WM_MOUSEMOVE, 0, MAKELPARAM(1, P.Y));
    FListTracking = true;
  }
}

void TbsSkinCustomComboBox::ListBoxMouseMove(TObject*, TShiftState, int32_t X, int32_t Y) {
  const int32_t i = FListBox->ItemAtPos(TPoint{X, Y}, true);
  if (i >= 0) SetListIndex(i);
}

// Presses in the open list belong to the box, which captures the mouse and
// accepts on release; the list never activates.
void TbsSkinCustomComboBox::ListBoxWindowProcHook(TMessage& Message) {
  switch (Message.Msg) {
    case WM_LBUTTONDOWN:
      FDropPressed = true;
      FListTracking = true;
      SetCapture(Handle());
      break;
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP: break;
    case WM_MOUSEACTIVATE:
      FOldListBoxWProc(Message);
      Message.Result = MA_NOACTIVATE;
      break;
    default: FOldListBoxWProc(Message); break;
  }
}

void TbsSkinCustomComboBox::StartAutoScroll(int32_t Mode) {
  if (FRepeatAction == Mode) return;
  FRepeatAction = Mode;
  SetTimer(Handle(), kScrollTimer, kScrollInterval, nullptr);
}

void TbsSkinCustomComboBox::StopAutoScroll() {
  if (FRepeatAction == 0) return;
  FRepeatAction = 0;
  if (HandleAllocated()) KillTimer(Handle(), kScrollTimer);
}

void TbsSkinCustomComboBox::WMTimer(TMessage& Message) {
  TbsSkinCustomControl::Dispatch(Message);
  if (Message.WParam != kScrollTimer) return;
  const int32_t i = FListBox->ItemIndex();
  if (FRepeatAction == 1 && i >= 1) SetListIndex(i - 1);
  if (FRepeatAction == 2 && i < Items()->Count() - 1) SetListIndex(i + 1);
}

bool TbsSkinCustomComboBox::IsOwnPart(TControl* Sender) const {
  return Sender == this || Sender == FListBox || Sender == FListBox->ScrollBar() || Sender == FListBox->HScrollBar() ||
         Sender == FListBox->ListBox();
}

void TbsSkinCustomComboBox::CMCancelMode(TMessage& Message) {
  TbsSkinCustomControl::Dispatch(Message);
  if (!IsOwnPart(reinterpret_cast<TControl*>(Message.LParam))) CloseUp(false);
}

// ---- Keyboard of the fixed style -------------------------------------------------------------

void TbsSkinCustomComboBox::KeyDown(uint16_t& Key, TShiftState Shift) {
  TbsSkinCustomControl::KeyDown(Key, Shift);
  const bool alt = Shift.Contains(ssAlt);
  const int32_t i = ItemIndex(), last = Items()->Count() - 1;
  switch (Key) {
    case VK_RETURN: CloseUp(true); break;
    case VK_ESCAPE: CloseUp(false); break;
    case VK_PRIOR: SetItemIndex(std::max(0, i - FDropDownCount - 1)); break;
    case VK_NEXT: SetItemIndex(std::min(last, i + FDropDownCount - 1)); break;
    case VK_UP:
    case VK_LEFT:
      if (alt)
        CloseUp(false);
      else if (i > 0)
        SetItemIndex(i - 1);
      break;
    case VK_DOWN:
    case VK_RIGHT:
      if (alt) {
        if (!GetDroppedDown()) DropDown();
      } else if (i < last) {
        SetItemIndex(i + 1);
      }
      break;
    default: break;
  }
}

// Typed search: letters typed within the gap extend the searched prefix;
// a single letter searches after the current item, so repeats cycle.
void TbsSkinCustomComboBox::KeyPress(char32_t& Key) {
  TbsSkinCustomControl::KeyPress(Key);
  if (FEdit != nullptr || Key == 0) return;
  String S;
  AppendUTF8(S, Key);
  if (FAutoComplete) {
    const uint32_t now = GetTickCount();
    if (uint32_t(now - FLastKeyTick) >= kSearchGap) FSearchText.clear();
    FLastKeyTick = now;
    FSearchText += S;
    S = FSearchText;
  }
  if (S.empty()) return;
  const int32_t found = FindItem(CharCount(S) == 1 ? ItemIndex() : -1, S);
  if (found >= 0) SetItemIndex(found);
}

void TbsSkinCustomComboBox::WMMouseWheel(TMessage& Message) {
  TbsSkinCustomControl::Dispatch(Message);
  if (FStyle != TbsSkinCustomComboBoxStyle::bscbFixedStyle) return;
  const bool next = GET_WHEEL_DELTA_WPARAM(Message.WParam) < 0;
  const int32_t i = ItemIndex(), target = next ? i + 1 : i - 1;
  if (target < 0 || target >= Items()->Count()) return;
  if (GetDroppedDown())
    SetListIndex(target);
  else
    SetItemIndex(target);
}

// ---- Focus, text, hot state ---------------------------------------------------------------

bool TbsSkinCustomComboBox::Hot() const {
  if (FSkinIndex == -1 || IsNullRect(FActiveSkinRect)) return false;
  auto* self = const_cast<TbsSkinCustomComboBox*>(this);
  return FPointerInside || self->Focused() || (FEdit != nullptr && FEdit->Focused());
}

void TbsSkinCustomComboBox::SetEditFontColor(TColor Color) {
  if (FEdit != nullptr) FEdit->Font()->SetColor(Color);
}

bool TbsSkinCustomComboBox::ActiveLook() const { return FSkinIndex != -1 && !IsNullRect(FActiveSkinRect); }

void TbsSkinCustomComboBox::WMSetFocus(TMessage& Message) {
  if (FEdit == nullptr) {
    TbsSkinCustomControl::Dispatch(Message);
    Repaint();
    return;
  }
  if (FEdit->Enabled()) FEdit->SetFocus();
  if (!ActiveLook()) return;
  SetEditFontColor(FActiveFontColor);
  Invalidate();
}

void TbsSkinCustomComboBox::WMKillFocus(TMessage& Message) {
  TbsSkinCustomControl::Dispatch(Message);
  if (FEdit == nullptr && GetDroppedDown()) CloseUp(false);
  Repaint();
  if (FEdit == nullptr || !ActiveLook()) return;
  SetEditFontColor(FFontColor);
  Invalidate();
}

void TbsSkinCustomComboBox::CMTextChanged(TMessage& Message) {
  TbsSkinCustomControl::Dispatch(Message);
  if (FEdit != nullptr && !FEditChanging) {
    const auto fromBox = FlagScope(FEditFromBox);
    FEdit->SetText(Text());
  }
  if (OnChange) OnChange(this);
  if (FEditChanging) Change();
}

TColor TbsSkinCustomComboBox::DisabledFontColor() const {
  if (FSkinIndex != -1) {
    const int32_t index = SkinDescriptionIndex(FSkinData, "edit");
    auto* D = index == -1 ? nullptr
                          : dynamic_cast<TbsDataSkinEditControl*>(FSkinData->ControlDescriptions[size_t(index)].get());
    if (D != nullptr) return D->DisabledFontColor;
  }
  return clGrayText;
}

void TbsSkinCustomComboBox::CMEnabledChanged(TMessage& Message) {
  TbsSkinCustomControl::Dispatch(Message);
  if (FEdit != nullptr) {
    if (!Enabled())
      SetEditFontColor(DisabledFontColor());
    else
      SetEditFontColor(FSkinIndex == -1 ? DefaultFont()->Color() : FFontColor);
  }
  Repaint();
}

void TbsSkinCustomComboBox::CMMouseEnter(TMessage& Message) {
  TbsSkinCustomControl::Dispatch(Message);
  FPointerInside = true;
  if (ActiveLook() && FEdit != nullptr && !FEdit->Focused()) SetEditFontColor(FActiveFontColor);
  Invalidate();
}

void TbsSkinCustomComboBox::CMMouseLeave(TMessage& Message) {
  TbsSkinCustomControl::Dispatch(Message);
  FPointerInside = false;
  if (FMouseInButton) {
    FMouseInButton = false;
    Repaint();
  }
  if (ActiveLook() && FEdit != nullptr && !FEdit->Focused()) SetEditFontColor(FFontColor);
  Invalidate();
}

// The control and then its edit part into one DC, so a transparent edit's
// glyphs land on the skin image.
void TbsSkinCustomComboBox::EraseBackground(TMessage& Message) {
  Message.Result = 1;
  if (FInPaintMessage) return;
  HDC dc = reinterpret_cast<HDC>(Message.WParam);
  TCanvas C;
  C.SetHandle(dc);
  GetSkinData();
  PaintImageTo(&C);
  C.SetHandle(nullptr);
  if (FEdit == nullptr || !FEdit->HandleAllocated()) return;
  const int32_t saved = SaveDC(dc);
  OffsetViewportOrgEx(dc, FEdit->Left(), FEdit->Top(), nullptr);
  IntersectClipRect(dc, 0, 0, FEdit->Width(), FEdit->Height());
  SendMessage(FEdit->Handle(), WM_PAINT, WPARAM(dc), 0);
  RestoreDC(dc, saved);
}

void TbsSkinCustomComboBox::Invalidate() {
  TbsSkinCustomControl::Invalidate();
  if (FSkinIndex != -1 && FEdit != nullptr) FEdit->Invalidate();
}

void TbsSkinCustomComboBox::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_ERASEBKGND: EraseBackground(Message); break;
    case WM_SIZE:
      TbsSkinCustomControl::Dispatch(Message);
      CalcRects();
      break;
    case WM_SETFOCUS: WMSetFocus(Message); break;
    case WM_KILLFOCUS: WMKillFocus(Message); break;
    case WM_TIMER: WMTimer(Message); break;
    case WM_MOUSEWHEEL: WMMouseWheel(Message); break;
    case CM_TEXTCHANGED: CMTextChanged(Message); break;
    case CM_ENABLEDCHANGED: CMEnabledChanged(Message); break;
    case CM_MOUSEENTER: CMMouseEnter(Message); break;
    case CM_MOUSELEAVE: CMMouseLeave(Message); break;
    case CM_CANCELMODE: CMCancelMode(Message); break;
    case CM_WANTSPECIALKEY:
      TbsSkinCustomControl::Dispatch(Message);
      if (IsArrow(uint32_t(Message.WParam))) Message.Result = 1;
      break;
    default: TbsSkinCustomControl::Dispatch(Message); break;
  }
}

// ---- Style and the edit part --------------------------------------------------------------

void TbsSkinCustomComboBox::SetStyle(TbsSkinCustomComboBoxStyle Value) {
  const bool designing = ComponentState().Contains(TComponentStateItem::csDesigning);
  if (Value == FStyle && designing) return;
  FStyle = Value;
  if (Value == TbsSkinCustomComboBoxStyle::bscbEditStyle) {
    // Only a new edit part takes the tab stop: a second call must not take
    // it away again.
    const bool created = FEdit == nullptr;
    if (created) CreateEditControl();
    if (created && !designing) {
      FEdit->SetTabStop(TabStop());
      SetTabStop(false);
    }
    {
      const auto fromBox = FlagScope(FEditFromBox);
      FEdit->SetText(Text());
    }
    if (Focused() && FEdit->Enabled()) FEdit->SetFocus();
  } else if (FEdit != nullptr) {
    FreeEditControl();
  }
  CalcRects();
  RecreateWnd();
  Repaint();
}

void TbsSkinCustomComboBox::CreateEditControl() {
  FEdit = new TbsCustomEdit(this);
  FEdit->SetParent(this);
  FEdit->SetColor(FDefaultColor);
  FEdit->SetAutoSize(false);
  FEdit->SetHideSelection(FHideSelection);
  FEdit->SetVisible(true);
  FEdit->SetTransparentText(false);
  FEdit->OnChange = [this](TObject*) { EditChange(); };
  FOldEditWProc = FEdit->WindowProc;
  FEdit->WindowProc = [this](TMessage& M) { EditWindowProcHook(M); };
  FEdit->FCancelModeHandler = [this](TObject* S) { EditCancelMode(S); };
  FEdit->OnKeyDown = [this](TObject*, uint16_t& K, TShiftState Sh) {
    if (OnKeyDown) OnKeyDown(this, K, Sh);
  };
  FEdit->OnKeyPress = [this](TObject*, char32_t& K) {
    if (OnKeyPress) OnKeyPress(this, K);
  };
  FEdit->OnKeyUp = [this](TObject*, uint16_t& K, TShiftState Sh) {
    if (OnKeyUp) OnKeyUp(this, K, Sh);
  };
  FEdit->SetCharCase(FCharCase);
  TFont* f = FEdit->Font();
  if (FSkinIndex == -1) {
    f->SetName(Font()->Name());
    f->SetStyle(Font()->Style());
    f->SetColor(Font()->Color());
    f->SetHeight(Font()->Height());
  } else {
    f->SetStyle(FSkinFontStyle);
    f->SetColor(FFontColor);
    f->SetHeight(FSkinFontHeight);
    f->SetName(FSkinFontName);
  }
  FEdit->SetTransparentText(FSkinIndex != -1);
  CalcRects();
}

// A tab stop the edit part held goes back to the box.
void TbsSkinCustomComboBox::FreeEditControl() {
  const bool tabStop = FEdit->TabStop();
  FEdit->Hide();
  delete FEdit;
  FEdit = nullptr;
  if (tabStop) SetTabStop(true);
}

// Text put into the edit part by the box itself keeps the list's selection;
// typed text finds its item.
void TbsSkinCustomComboBox::EditChange() {
  const auto changing = FlagScope(FEditChanging);
  const String t = FEdit->Text();
  if (!t.empty() && !FEditFromBox) {
    const int32_t i = FindItem(-1, t);
    if (i >= 0) SendMessage(FListBox->ListBox()->Handle(), FAutoComplete ? LB_SETCURSEL : LB_SETTOPINDEX, WPARAM(i), 0);
  }
  SetText(t);
}

void TbsSkinCustomComboBox::EditCancelMode(TObject* Sender) {
  if (!IsOwnPart(dynamic_cast<TControl*>(Sender))) CloseUp(false);
}

void TbsSkinCustomComboBox::EditSelect(bool Next, bool UpdateText) {
  const int32_t i = ItemIndex();
  if (Next ? i >= Items()->Count() - 1 : i <= 0) return;
  SetListIndex(Next ? i + 1 : i - 1);
  if (!UpdateText) return;
  {
    const auto fromBox = FlagScope(FEditFromBox);
    SetText(Items()->Strings(ItemIndex()));
  }
  FEdit->SelectAll();
  if (OnClick) OnClick(this);
}

// Answers whether the key is consumed.
bool TbsSkinCustomComboBox::EditKeyDown(uint16_t Key) {
  switch (Key) {
    case VK_RETURN: CloseUp(true); return false;
    case VK_ESCAPE: CloseUp(false); return false;
    case VK_PRIOR:
    case VK_NEXT:
      if (GetDroppedDown()) {
        const int32_t i = ItemIndex();
        SetListIndex(Key == VK_PRIOR ? std::max(0, i - FDropDownCount - 1)
                                     : std::min(Items()->Count() - 1, i + FDropDownCount - 1));
      }
      return false;
    case VK_UP: EditSelect(false, true); return true;
    case VK_DOWN: EditSelect(true, true); return true;
    default: return false;
  }
}

void TbsSkinCustomComboBox::AutoCompleteText() {
  const uint32_t now = GetTickCount();
  if (uint32_t(now - FLastKeyTick) <= kCompleteGap) return;
  FLastKeyTick = now;
  const String T0 = Text();
  const int32_t i = FindItem(CharCount(T0) == 1 ? ItemIndex() : -1, T0);
  if (i < 0 || FEdit == nullptr) return;
  SetItemIndex(i);
  if (FEdit == nullptr) return;
  const int32_t typed = CharCount(T0);
  FEdit->SetSelStart(typed);
  FEdit->SetSelLength(CharCount(Text()) - typed);
}

void TbsSkinCustomComboBox::EditWindowProcHook(TMessage& Message) {
  const bool open = GetDroppedDown();
  switch (Message.Msg) {
    case WM_SETFOCUS:
      if (ActiveLook()) {
        SetEditFontColor(FActiveFontColor);
        Invalidate();
      }
      break;
    case WM_KILLFOCUS:
      CloseUp(false);
      if (ActiveLook()) {
        SetEditFontColor(FFontColor);
        Invalidate();
      }
      break;
    case WM_KEYDOWN:
      if (EditKeyDown(uint16_t(Message.WParam))) return;
      break;
    case WM_KEYUP:
      FOldEditWProc(Message);
      if (Message.WParam > 0x2F && FAutoComplete) AutoCompleteText();
      return;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN: CloseUp(false); break;
    case WM_MOUSEWHEEL: EditSelect(GET_WHEEL_DELTA_WPARAM(Message.WParam) < 0, !open); break;
    default: break;
  }
  FOldEditWProc(Message);
}

// ---- Geometry and description ---------------------------------------------------------------

void TbsSkinCustomComboBox::CalcRects() {
  const int32_t W = Width(), H = Height();
  if (FSkinIndex == -1) {
    FButtonRect = TRect{W - 19, 2, W - 2, H - 2};
    FItemAreaRect = TRect{2, 2, FButtonRect.Left - 1, H - 2};
  } else {
    const int32_t SW = RectWidth(FSkinRect), SH = RectHeight(FSkinRect);
    FButtonRect = FSButtonRect;
    if (FSButtonRect.Left >= SW - FRightTop.X) {
      FButtonRect.Left += W - SW;
      FButtonRect.Right += W - SW;
    }
    FItemAreaRect = FSkinClientRect;
    FItemAreaRect.Right += W - SW;
    if (!FUseSkinSize) {
      FButtonRect.Bottom += H - SH;
      FItemAreaRect.Bottom += H - SH;
    }
  }
  if (FEdit == nullptr) return;
  const TRect& A = FItemAreaRect;
  const int32_t h = StdFontHeight(FEdit->Font()->Handle());
  FEdit->SetBounds(A.Left, A.Top + Div(A.Height(), 2) - Div(h, 2), A.Width(), h);
}

void TbsSkinCustomComboBox::GetSkinData() {
  TbsSkinCustomControl::GetSkinData();
  auto* D = FSkinIndex == -1
                ? nullptr
                : dynamic_cast<TbsDataSkinComboBox*>(FSkinData->ControlDescriptions[size_t(FSkinIndex)].get());
  if (D == nullptr) return;
  FActiveSkinRect = D->ActiveSkinRect;
  FActiveFontColor = D->ActiveFontColor;
  FSkinFontName = D->FontName;
  FSkinFontStyle = D->FontStyle;
  FSkinFontHeight = D->FontHeight;
  FSItemRect = D->ItemRect;
  FFocusItemRect = IsNullRect(D->FocusItemRect) ? D->ItemRect : D->FocusItemRect;
  FActiveItemRect = D->ActiveItemRect;
  FItemLeftOffset = D->ItemLeftOffset;
  FItemRightOffset = D->ItemRightOffset;
  FItemTextRect = D->ItemTextRect;
  FFontColor = D->FontColor;
  FFocusFontColor = D->FocusFontColor;
  FSButtonRect = D->ButtonRect;
  FSActiveButtonRect = D->ActiveButtonRect;
  FSDownButtonRect = D->DownButtonRect;
  FSUnEnabledButtonRect = D->UnEnabledButtonRect;
  FListBoxName = D->ListBoxName;
  FItemStretchEffect = D->ItemStretchEffect;
  FFocusItemStretchEffect = D->FocusItemStretchEffect;
  FShowFocus = D->ShowFocus;
}

void TbsSkinCustomComboBox::ChangeSkinData() {
  TbsSkinCustomControl::ChangeSkinData();
  CalcRects();
  if (FEdit != nullptr) ApplyEditFont();
  Repaint();
  FListBox->SetSkinDataName(FSkinIndex == -1 ? String() : FListBoxName);
  FListBox->SetSkinData(SkinData());
  FListBox->UpdateScrollBars();
  CalcRects();
}

void TbsSkinCustomComboBox::ApplyEditFont() {
  TFont* f = FEdit->Font();
  const bool skinned = FSkinIndex != -1;
  if (skinned && FUseSkinFont) {
    f->SetStyle(FSkinFontStyle);
    f->SetHeight(FSkinFontHeight);
    f->SetName(FSkinFontName);
    f->SetColor(FFontColor);
  } else {
    f->Assign(DefaultFont());
    if (skinned) f->SetColor(FFontColor);
  }
  if (ActiveLook() && (FEdit->Focused() || FPointerInside)) f->SetColor(FActiveFontColor);
  if (FSkinData != nullptr && FSkinData->ResourceStrData() != nullptr)
    f->SetCharset(FSkinData->ResourceStrData()->CharSet());
  else
    f->SetCharset(DefaultFont()->Charset());
  FEdit->SetTransparentText(skinned);
  if (!Enabled()) f->SetColor(DisabledFontColor());
}

void TbsSkinCustomComboBox::DefaultFontChanged() { Font()->Assign(DefaultFont()); }

void TbsSkinCustomComboBox::CalcSize(int32_t& AWidth, int32_t& AHeight) {
  if (FUseSkinSize) return TbsSkinCustomControl::CalcSize(AWidth, AHeight);
  const int32_t dW = AWidth - RectWidth(FSkinRect);
  FSizedLeftTop = FLeftTop;
  FSizedRightTop = TPoint{FRightTop.X + dW, FRightTop.Y};
  FSizedClientRect = FSkinClientRect;
  FSizedClientRect.Right += dW;
}

void TbsSkinCustomComboBox::SetControlRegion() {
  if (FUseSkinSize) TbsSkinCustomControl::SetControlRegion();
}
