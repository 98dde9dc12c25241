// The framework's bar controls over the native classes of barctrls_native.cpp.
#include "platform/vcl/barctrls.h"

#include <algorithm>

// ================================================================================
// TProgressBar
// ================================================================================

TProgressBar::TProgressBar(TComponent* AOwner) : TWinControl(AOwner) { SetBounds(0, 0, 150, 16); }

void TProgressBar::CreateParams(TCreateParams& Params) {
  RegisterBarControlClasses();
  TWinControl::CreateParams(Params);
  CreateSubClass(Params, "msctls_progress32");
  if (FSmooth) Params.Style |= PBS_SMOOTH;
  if (FOrientation == TProgressBarOrientation::pbVertical) Params.Style |= PBS_VERTICAL;
}

void TProgressBar::CreateWnd() {
  TWinControl::CreateWnd();
  Perform(PBM_SETRANGE32, WPARAM(FMin), LPARAM(FMax));
  Perform(PBM_SETSTEP, WPARAM(FStep), 0);
  Perform(PBM_SETPOS, WPARAM(FPosition), 0);
}

void TProgressBar::DestroyWnd() {
  FPosition = int32_t(Perform(PBM_GETPOS, 0, 0));
  TWinControl::DestroyWnd();
}

int32_t TProgressBar::Clamp(int64_t Value) const {
  return int32_t(std::clamp<int64_t>(Value, std::min(FMin, FMax), std::max(FMin, FMax)));
}

void TProgressBar::SetMin(int32_t Value) {
  if (Value == FMin) return;
  FMin = Value;
  FPosition = Clamp(Position());
  if (HandleAllocated()) Perform(PBM_SETRANGE32, WPARAM(FMin), LPARAM(FMax));
}

void TProgressBar::SetMax(int32_t Value) {
  if (Value == FMax) return;
  FMax = Value;
  FPosition = Clamp(Position());
  if (HandleAllocated()) Perform(PBM_SETRANGE32, WPARAM(FMin), LPARAM(FMax));
}

int32_t TProgressBar::Position() {
  if (HandleAllocated()) FPosition = int32_t(Perform(PBM_GETPOS, 0, 0));
  return FPosition;
}

void TProgressBar::SetPosition(int32_t Value) {
  FPosition = Clamp(Value);
  if (HandleAllocated()) Perform(PBM_SETPOS, WPARAM(FPosition), 0);
}

void TProgressBar::SetStep(int32_t Value) {
  FStep = Value;
  if (HandleAllocated()) Perform(PBM_SETSTEP, WPARAM(Value), 0);
}

void TProgressBar::StepIt() {
  if (HandleAllocated())
    Perform(PBM_STEPIT, 0, 0);
  else
    FPosition = Clamp(int64_t(FPosition) + FStep);
}

void TProgressBar::StepBy(int32_t Delta) {
  if (HandleAllocated())
    Perform(PBM_DELTAPOS, WPARAM(Delta), 0);
  else
    FPosition = Clamp(int64_t(FPosition) + Delta);
}

void TProgressBar::SetSmooth(bool Value) {
  if (Value == FSmooth) return;
  FSmooth = Value;
  RecreateWnd();
}

void TProgressBar::SetOrientation(TProgressBarOrientation Value) {
  if (Value == FOrientation) return;
  FOrientation = Value;
  RecreateWnd();
}

// ================================================================================
// TScrollBar
// ================================================================================

TScrollBar::TScrollBar(TComponent* AOwner) : TWinControl(AOwner) {
  SetBounds(0, 0, 121, GetSystemMetrics(SM_CYHSCROLL));
  SetTabStop(true);
  SetControlStyle(
      TControlStyle{TControlStyleItem::csFramed, TControlStyleItem::csDoubleClicks, TControlStyleItem::csOpaque});
  // The bar answers WM_CTLCOLORSCROLLBAR with Color: the track keeps its system colour.
  SetColor(clScrollBar);
}

void TScrollBar::CreateParams(TCreateParams& Params) {
  RegisterBarControlClasses();
  TWinControl::CreateParams(Params);
  CreateSubClass(Params, "ScrollBar");
  Params.Style |= FKind == TScrollBarKind::sbVertical ? SBS_VERT : SBS_HORZ;
}

void TScrollBar::CreateWnd() {
  TWinControl::CreateWnd();
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  si.nMin = FMin;
  si.nMax = FMax;
  si.nPage = uint32_t(std::max(FPageSize, 0));
  si.nPos = FPosition;
  Perform(SBM_SETSCROLLINFO, 1, reinterpret_cast<LPARAM>(&si));
}

void TScrollBar::SetKind(TScrollBarKind Value) {
  if (Value == FKind) return;
  FKind = Value;
  SetBounds(Left(), Top(), Height(), Width());
  RecreateWnd();
}

int32_t TScrollBar::MaxPosition() const {
  return int32_t(std::max<int64_t>(int64_t(FMax) - std::max<int64_t>(int64_t(FPageSize) - 1, 0), FMin));
}

void TScrollBar::SetParams(int32_t APosition, int32_t AMin, int32_t AMax) {
  if (AMax < AMin) throw EInvalidOperation("Scroll bar property out of range");
  const bool rangeChanged = AMin != FMin || AMax != FMax;
  FMin = AMin;
  FMax = AMax;
  const int32_t pos = std::clamp(APosition, FMin, MaxPosition());
  const bool posChanged = pos != FPosition;
  FPosition = pos;
  if (HandleAllocated() && (rangeChanged || posChanged)) {
    SCROLLINFO si;
    si.fMask = SIF_RANGE | SIF_POS;
    si.nMin = FMin;
    si.nMax = FMax;
    si.nPos = FPosition;
    Perform(SBM_SETSCROLLINFO, 1, reinterpret_cast<LPARAM>(&si));
  }
  if (posChanged) Change();
}

void TScrollBar::SetPageSize(int32_t Value) {
  if (Value == FPageSize) return;
  if (Value < 0 || int64_t(Value) > int64_t(FMax) - FMin + 1)
    throw EInvalidOperation("Scroll bar property out of range");
  FPageSize = Value;
  if (HandleAllocated()) {
    SCROLLINFO si;
    si.fMask = SIF_PAGE;
    si.nPage = uint32_t(Value);
    Perform(SBM_SETSCROLLINFO, 1, reinterpret_cast<LPARAM>(&si));
  }
  SetPosition(FPosition);  // a larger page may lower the largest position
}

void TScrollBar::Change() {
  if (OnChange) OnChange(this);
}

void TScrollBar::Scroll(TScrollCode ScrollCode, int32_t& ScrollPos) {
  if (OnScroll) OnScroll(this, ScrollCode, ScrollPos);
}

void TScrollBar::DoScroll(TMessage& Message) {
  const uint32_t code = LOWORD(Message.WParam);
  if (code > SB_ENDSCROLL) return;
  int64_t pos = FPosition;
  switch (code) {
    case SB_LINEUP: pos -= FSmallChange; break;
    case SB_LINEDOWN: pos += FSmallChange; break;
    case SB_PAGEUP: pos -= FLargeChange; break;
    case SB_PAGEDOWN: pos += FLargeChange; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: {
      // The full 32-bit position, not the 16 bits of the message.
      SCROLLINFO si;
      si.fMask = SIF_TRACKPOS;
      if (HandleAllocated() && Perform(SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(&si)) != 0)
        pos = si.nTrackPos;
      else
        pos = int16_t(HIWORD(Message.WParam));
      break;
    }
    case SB_TOP: pos = FMin; break;
    case SB_BOTTOM: pos = FMax; break;
    default: break;
  }
  int32_t scrollPos = int32_t(std::clamp<int64_t>(pos, FMin, MaxPosition()));
  TComponentRef<TScrollBar> self(this);
  Scroll(TScrollCode(code), scrollPos);
  if (self) SetPosition(scrollPos);
}

void TScrollBar::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CN_HSCROLL:
    case CN_VSCROLL:
      DoScroll(Message);
      Message.Result = 0;
      return;
    default: TWinControl::Dispatch(Message); return;
  }
}

// ================================================================================
// TCustomUpDown
// ================================================================================

TCustomUpDown::TCustomUpDown(TComponent* AOwner) : TWinControl(AOwner) {
  SetBounds(0, 0, GetSystemMetrics(SM_CXVSCROLL), GetSystemMetrics(SM_CYVSCROLL) * 2);
  SetControlStyle(
      TControlStyle{TControlStyleItem::csOpaque, TControlStyleItem::csFixedWidth, TControlStyleItem::csFixedHeight});
}

void TCustomUpDown::CreateParams(TCreateParams& Params) {
  RegisterBarControlClasses();
  TWinControl::CreateParams(Params);
  CreateSubClass(Params, "msctls_updown32");
  Params.Style |= UDS_SETBUDDYINT;
  if (FAlignButton == TUDAlignButton::udRight)
    Params.Style |= UDS_ALIGNRIGHT;
  else
    Params.Style |= UDS_ALIGNLEFT;
  if (FOrientation == TUDOrientation::udHorizontal) Params.Style |= UDS_HORZ;
  if (FArrowKeys) Params.Style |= UDS_ARROWKEYS;
  if (!FThousands) Params.Style |= UDS_NOTHOUSANDS;
  if (FWrap) Params.Style |= UDS_WRAP;
}

void TCustomUpDown::CreateWnd() {
  TWinControl::CreateWnd();
  Perform(UDM_SETRANGE32, WPARAM(FMin), LPARAM(FMax));
  UDACCEL accel{0, uint32_t(FIncrement)};
  Perform(UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&accel));
  Perform(UDM_SETPOS32, 0, LPARAM(FPosition));
  if (FAssociate != nullptr) Perform(UDM_SETBUDDY, reinterpret_cast<WPARAM>(FAssociate->Handle()), 0);
}

void TCustomUpDown::DestroyWnd() {
  FPosition = int32_t(Perform(UDM_GETPOS32, 0, 0));
  TWinControl::DestroyWnd();
}

void TCustomUpDown::Notification(TComponent* AComponent, TOperation Operation) {
  TWinControl::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FAssociate) {
    FAssociate = nullptr;
    if (HandleAllocated()) Perform(UDM_SETBUDDY, 0, 0);
  }
}

void TCustomUpDown::SetAssociate(TWinControl* Value) {
  if (Value == FAssociate) return;
  if (FAssociate != nullptr) FAssociate->RemoveFreeNotification(this);
  if (HandleAllocated()) Perform(UDM_SETBUDDY, 0, 0);
  FAssociate = Value;
  if (Value == nullptr) return;
  Value->FreeNotification(this);
  if (HandleAllocated()) Perform(UDM_SETBUDDY, reinterpret_cast<WPARAM>(Value->Handle()), 0);
}

void TCustomUpDown::ApplyRange() {
  FPosition = std::clamp(FPosition, std::min(FMin, FMax), std::max(FMin, FMax));
  if (!HandleAllocated()) return;
  Perform(UDM_SETRANGE32, WPARAM(FMin), LPARAM(FMax));
  Perform(UDM_SETPOS32, 0, LPARAM(FPosition));
}

void TCustomUpDown::SetMin(int32_t Value) {
  if (Value == FMin) return;
  FMin = Value;
  ApplyRange();
}

void TCustomUpDown::SetMax(int32_t Value) {
  if (Value == FMax) return;
  FMax = Value;
  ApplyRange();
}

int32_t TCustomUpDown::Position() {
  if (HandleAllocated()) FPosition = int32_t(Perform(UDM_GETPOS32, 0, 0));
  return FPosition;
}

void TCustomUpDown::SetPosition(int32_t Value) {
  FPosition = std::clamp(Value, std::min(FMin, FMax), std::max(FMin, FMax));
  if (HandleAllocated()) Perform(UDM_SETPOS32, 0, LPARAM(FPosition));
}

void TCustomUpDown::SetIncrement(int32_t Value) {
  if (Value == FIncrement) return;
  FIncrement = Value;
  if (!HandleAllocated()) return;
  UDACCEL accel{0, uint32_t(Value)};
  Perform(UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&accel));
}

void TCustomUpDown::SetWrap(bool Value) {
  if (Value == FWrap) return;
  FWrap = Value;
  RecreateWnd();
}

void TCustomUpDown::SetArrowKeys(bool Value) {
  if (Value == FArrowKeys) return;
  FArrowKeys = Value;
  RecreateWnd();
}

void TCustomUpDown::SetThousands(bool Value) {
  if (Value == FThousands) return;
  FThousands = Value;
  RecreateWnd();
}

void TCustomUpDown::SetOrientation(TUDOrientation Value) {
  if (Value == FOrientation) return;
  FOrientation = Value;
  SetBounds(Left(), Top(), Height(), Width());
  RecreateWnd();
}

void TCustomUpDown::SetAlignButton(TUDAlignButton Value) {
  if (Value == FAlignButton) return;
  FAlignButton = Value;
  RecreateWnd();
}

bool TCustomUpDown::CanChange() {
  bool allow = true;
  if (OnChanging) OnChanging(this, allow);
  return allow;
}

bool TCustomUpDown::DoCanChange(int32_t NewVal, int32_t Delta) {
  bool allow = CanChange();
  if (allow && OnChangingEx) {
    const TUpDownDirection dir =
        Delta == 0 ? TUpDownDirection::updNone : (Delta > 0 ? TUpDownDirection::updUp : TUpDownDirection::updDown);
    OnChangingEx(this, allow, NewVal, dir);
  }
  return allow;
}

void TCustomUpDown::Click(TUDBtnType Button) {
  if (OnClick) OnClick(this, Button);
}

void TCustomUpDown::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CN_NOTIFY: {
      const auto* nm = reinterpret_cast<const NMUPDOWN*>(Message.LParam);
      if (nm != nullptr && nm->hdr.code == UDN_DELTAPOS)
        Message.Result = DoCanChange(int32_t(int64_t(nm->iPos) + nm->iDelta), nm->iDelta) ? 0 : 1;
      return;
    }
    case CN_HSCROLL:
    case CN_VSCROLL:
      if (LOWORD(Message.WParam) == SB_THUMBPOSITION) {
        const int32_t pos = int32_t(Perform(UDM_GETPOS32, 0, 0));
        const int32_t old = FPosition;
        FPosition = pos;
        if (pos > old)
          Click(TUDBtnType::btNext);
        else if (pos < old)
          Click(TUDBtnType::btPrev);
      }
      Message.Result = 0;
      return;
    default: TWinControl::Dispatch(Message); return;
  }
}

// ================================================================================
// TTrackBar
// ================================================================================

TTrackBar::TTrackBar(TComponent* AOwner) : TWinControl(AOwner) {
  SetBounds(0, 0, 150, 45);
  SetTabStop(true);
  SetControlStyle(TControlStyle{TControlStyleItem::csOpaque, TControlStyleItem::csDoubleClicks});
}

void TTrackBar::CreateParams(TCreateParams& Params) {
  RegisterBarControlClasses();
  TWinControl::CreateParams(Params);
  CreateSubClass(Params, "msctls_trackbar32");
  Params.Style |= TBS_FIXEDLENGTH | TBS_ENABLESELRANGE;
  if (FOrientation == TTrackBarOrientation::trVertical) Params.Style |= TBS_VERT;
  switch (FTickMarks) {
    case TTickMark::tmTopLeft: Params.Style |= TBS_TOP; break;
    case TTickMark::tmBoth: Params.Style |= TBS_BOTH; break;
    default: break;
  }
  switch (FTickStyle) {
    case TTickStyle::tsNone: Params.Style |= TBS_NOTICKS; break;
    case TTickStyle::tsAuto: Params.Style |= TBS_AUTOTICKS; break;
    default: break;
  }
  if (!FSliderVisible) Params.Style |= TBS_NOTHUMB;
}

void TTrackBar::CreateWnd() {
  TWinControl::CreateWnd();
  Perform(TBM_SETTHUMBLENGTH, WPARAM(FThumbLength), 0);
  Perform(TBM_SETLINESIZE, 0, LPARAM(FLineSize));
  Perform(TBM_SETPAGESIZE, 0, LPARAM(FPageSize));
  Perform(TBM_SETRANGEMIN, 0, LPARAM(FMin));
  Perform(TBM_SETRANGEMAX, 0, LPARAM(FMax));
  Perform(TBM_SETTICFREQ, WPARAM(FFrequency), 0);
  for (int32_t t : FTicks) Perform(TBM_SETTIC, 0, LPARAM(t));
  ApplySel();
  Perform(TBM_SETPOS, 1, LPARAM(FPosition));
}

void TTrackBar::DestroyWnd() {
  FPosition = int32_t(Perform(TBM_GETPOS, 0, 0));
  TWinControl::DestroyWnd();
}

void TTrackBar::ApplyRange() {
  if (HandleAllocated()) {
    Perform(TBM_SETRANGEMIN, 0, LPARAM(FMin));
    Perform(TBM_SETRANGEMAX, 1, LPARAM(FMax));
  }
  SetPosition(FPosition);  // kept within the range, OnChange when it moved
}

void TTrackBar::ApplySel() {
  if (!HandleAllocated()) return;
  Perform(TBM_SETSELSTART, 0, LPARAM(FSelStart));
  Perform(TBM_SETSELEND, 1, LPARAM(FSelEnd));
}

void TTrackBar::SetMin(int32_t Value) {
  if (Value == FMin) return;
  FMin = Value;
  ApplyRange();
}

void TTrackBar::SetMax(int32_t Value) {
  if (Value == FMax) return;
  FMax = Value;
  ApplyRange();
}

void TTrackBar::SetPosition(int32_t Value) {
  const int32_t pos = std::clamp(Value, std::min(FMin, FMax), std::max(FMin, FMax));
  if (HandleAllocated()) Perform(TBM_SETPOS, 1, LPARAM(pos));
  if (pos == FPosition) return;
  FPosition = pos;
  Changed();
}

void TTrackBar::SetFrequency(int32_t Value) {
  if (Value == FFrequency) return;
  FFrequency = Value;
  if (HandleAllocated()) Perform(TBM_SETTICFREQ, WPARAM(Value), 0);
}

void TTrackBar::SetLineSize(int32_t Value) {
  FLineSize = Value;
  if (HandleAllocated()) Perform(TBM_SETLINESIZE, 0, LPARAM(Value));
}

void TTrackBar::SetPageSize(int32_t Value) {
  FPageSize = Value;
  if (HandleAllocated()) Perform(TBM_SETPAGESIZE, 0, LPARAM(Value));
}

void TTrackBar::SetThumbLength(int32_t Value) {
  FThumbLength = Value;
  if (HandleAllocated()) Perform(TBM_SETTHUMBLENGTH, WPARAM(Value), 0);
}

void TTrackBar::SetSelStart(int32_t Value) {
  FSelStart = Value;
  ApplySel();
}

void TTrackBar::SetSelEnd(int32_t Value) {
  FSelEnd = Value;
  ApplySel();
}

void TTrackBar::SetTickMarks(TTickMark Value) {
  if (Value == FTickMarks) return;
  FTickMarks = Value;
  RecreateWnd();
}

void TTrackBar::SetTickStyle(TTickStyle Value) {
  if (Value == FTickStyle) return;
  FTickStyle = Value;
  RecreateWnd();
}

void TTrackBar::SetOrientation(TTrackBarOrientation Value) {
  if (Value == FOrientation) return;
  FOrientation = Value;
  SetBounds(Left(), Top(), Height(), Width());
  RecreateWnd();
}

void TTrackBar::SetSliderVisible(bool Value) {
  if (Value == FSliderVisible) return;
  FSliderVisible = Value;
  RecreateWnd();
}

void TTrackBar::SetTick(int32_t Value) {
  FTicks.push_back(Value);
  if (HandleAllocated()) Perform(TBM_SETTIC, 0, LPARAM(Value));
}

void TTrackBar::Changed() {
  TComponentRef<TTrackBar> self(this);
  TWinControl::Changed();
  if (self && OnChange) OnChange(this);
}

void TTrackBar::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CN_HSCROLL:
    case CN_VSCROLL: {
      const int32_t pos = int32_t(Perform(TBM_GETPOS, 0, 0));
      if (pos != FPosition) {
        FPosition = pos;
        Changed();
      }
      Message.Result = 0;
      return;
    }
    default: TWinControl::Dispatch(Message); return;
  }
}
