#include "skin/controls/skinspinedit.h"

#include "platform/gui/gdi.h"
#include "platform/gui/win_paint.h"
#include "platform/gui/windows.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/format.h"
#include "platform/rtl/strings.h"
#include "platform/vcl/drawframe.h"
#include "platform/vcl/messages.h"
#include "skin/engine/data/skindraw.h"
#include "platform/rtl/scopeguard.h"
#include "skin/engine/data/skinimage.h"

namespace {

constexpr uintptr_t kRepeatTimer = 1;

bool IsDigit(char32_t C) { return C >= '0' && C <= '9'; }

}  // namespace

// ---- TbsSkinNumEdit --------------------------------------------------------------------

void TbsSkinNumEdit::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_MOUSEWHEEL: {
      // Turned away from the user steps down, as the skinned scroll bar does.
      const TNotifyEvent& step = GET_WHEEL_DELTA_WPARAM(Message.WParam) > 0 ? FDecreaseHandler : FIncreaseHandler;
      if (step) step(this);
      Message.Result = 1;
      break;
    }
    case CM_MOUSEENTER:
      TbsCustomEdit::Dispatch(Message);
      if (FEnterHandler) FEnterHandler(this);
      break;
    case CM_MOUSELEAVE:
      TbsCustomEdit::Dispatch(Message);
      if (FLeaveHandler) FLeaveHandler(this);
      break;
    default: TbsCustomEdit::Dispatch(Message); break;
  }
}

void TbsSkinNumEdit::KeyDown(uint16_t& Key, TShiftState Shift) {
  if (Key == VK_UP || Key == VK_DOWN) {
    const TNotifyEvent& step = Key == VK_UP ? FIncreaseHandler : FDecreaseHandler;
    Key = 0;
    if (step) step(this);
    return;
  }
  TbsCustomEdit::KeyDown(Key, Shift);
}

bool TbsSkinNumEdit::Accepts(char32_t Key) {
  const char32_t separator = char32_t(FormatSettings().DecimalSeparator);
  const bool control = Key < 32 && Key != 13;
  const bool allowed = FFloat ? (Key == '-' || IsDigit(Key) || Key == separator || control)
                              : (Key == '+' || Key == '-' || IsDigit(Key) || control);
  if (!allowed) return false;
  if (!FEditorEnabled && (Key >= 32 || Key == 8)) return false;
  const String text = Text();
  if (FFloat && Key == separator && text.find(char(separator)) != String::npos) return false;
  if (Key == '-' && text.find('-') != String::npos) return false;
  if (Key == '+' && text.find('+') != String::npos) return false;
  return true;
}

void TbsSkinNumEdit::KeyPress(char32_t& Key) {
  if (!Accepts(Key)) {
    Key = 0;
    MessageBeep(0);
    return;
  }
  TbsCustomEdit::KeyPress(Key);
}

// ---- TbsSkinSpinEdit: value -----------------------------------------------------------

TbsSkinSpinEdit::TbsSkinSpinEdit(TComponent* AOwner) : TbsSkinCustomControl(AOwner) {
  SetControlStyle(TControlStyle{TControlStyleItem::csAcceptsControls, TControlStyleItem::csCaptureMouse,
                                TControlStyleItem::csOpaque, TControlStyleItem::csDoubleClicks});
  FPair.HalfOpenHitTest = true;
  FPair.Repaint = [this] { Repaint(); };
  FPair.StartTimer = [this](uint32_t Ms) { SetTimer(Handle(), kRepeatTimer, Ms, nullptr); };
  FPair.StopTimer = [this] { KillTimer(Handle(), kRepeatTimer); };
  FPair.Step = [this](int32_t Direction) { StepBy(Direction == 2 ? FIncrement : -FIncrement); };
  FPair.Click = [](int32_t) {};
  SetSkinDataName("spinedit");
  SetBounds(Left(), Top(), 120, 20);

  FEditor = new TbsSkinNumEdit(this);
  FEditor->SetAutoSize(false);
  FEditor->SetParent(this);
  FEditor->SetVisible(true);
  FEditor->Font()->Assign(DefaultFont());
  FEditor->SetColor(FDefaultColor);
  FEditor->OnChange = [this](TObject*) { EditorChanged(); };
  FEditor->OnKeyDown = [this](TObject* S, uint16_t& K, TShiftState Sh) { EditKeyDown(S, K, Sh); };
  FEditor->OnKeyUp = [this](TObject* S, uint16_t& K, TShiftState Sh) { EditKeyUp(S, K, Sh); };
  FEditor->OnKeyPress = [this](TObject* S, char32_t& K) { EditKeyPress(S, K); };
  FEditor->OnEnter = [this](TObject* S) { EditEnter(S); };
  FEditor->OnExit = [this](TObject* S) { EditExit(S); };
  FEditor->FIncreaseHandler = [this](TObject*) { StepBy(FIncrement); };
  FEditor->FDecreaseHandler = [this](TObject*) { StepBy(-FIncrement); };
  FEditor->FEnterHandler = [this](TObject*) { SetHot(true); };
  FEditor->FLeaveHandler = [this](TObject*) { SetHot(false); };
  {
    const auto update = FlagScope(FInValueUpdate);
    SetText("0");
  }
  Layout();
}

double TbsSkinSpinEdit::Clamp(double AValue) const {
  if (FMaxValue == FMinValue) return AValue;
  if (AValue < FMinValue) return FMinValue;
  if (AValue > FMaxValue) return FMaxValue;
  return AValue;
}

String TbsSkinSpinEdit::FormatValue(double AValue) const {
  if (FValueType == TbsValueType::vtFloat) return FloatToStrF(AValue, ffFixed, 15, FDecimal);
  return IntToStr(Round(AValue));
}

void TbsSkinSpinEdit::SetValue(double AValue) {
  FValue = Clamp(AValue);
  const bool nested = FInValueUpdate;
  FInValueUpdate = true;
  if (nested)
    FEditor->SetText(FormatValue(FValue));
  else
    SetText(FormatValue(FValue));
  FInValueUpdate = nested;
  if (!nested) Change();
}

void TbsSkinSpinEdit::SetMinValue(double AValue) {
  FMinValue = AValue;
  if (FValue < FMinValue) SetValue(FMinValue);
}

void TbsSkinSpinEdit::SetMaxValue(double AValue) {
  FMaxValue = AValue;
  if (FValue > FMaxValue) SetValue(FMaxValue);
}

void TbsSkinSpinEdit::SetValueType(TbsValueType AValue) {
  if (FValueType != AValue && AValue == TbsValueType::vtInteger) {
    FIncrement = double(Round(FIncrement));
    if (FIncrement == 0) FIncrement = 1;
  }
  FValueType = AValue;
  FEditor->FFloat = AValue == TbsValueType::vtFloat;
}

void TbsSkinSpinEdit::SetDefaultColor(TColor AValue) {
  FDefaultColor = AValue;
  if (FSkinIndex == -1) FEditor->SetColor(AValue);
}

void TbsSkinSpinEdit::Change() {
  const auto update = FlagScope(FInValueUpdate);
  if (OnChange) OnChange(this);
}

// The test typed text must pass before it is converted.
bool TbsSkinSpinEdit::IsValidText(const String& S) const {
  if (S.empty() || S == "-" || S == "+") return false;
  const char separator = FormatSettings().DecimalSeparator;
  const bool isFloat = FValueType == TbsValueType::vtFloat;
  for (size_t i = 0; i < S.size(); ++i) {
    const char c = S[i];
    const bool sep = isFloat && c == separator;
    if (!IsDigit(char32_t(uint8_t(c))) && c != '-' && c != '+' && !sep) return false;
    if (c == '-' && i != 0) return false;
    if (sep && (i == 0 || S.find(separator) != i)) return false;
  }
  return true;
}

void TbsSkinSpinEdit::EditorChanged() {
  const auto copying = FlagScope(FFromEditor);
  SetText(FEditor->Text());
}

void TbsSkinSpinEdit::WriteEditor(double AValue) {
  const auto update = FlagScope(FInValueUpdate);
  FEditor->SetText(FormatValue(AValue));
}

void TbsSkinSpinEdit::TextChanged(TMessage& Message) {
  TbsSkinCustomControl::Dispatch(Message);
  if (!FFromEditor) FEditor->SetText(Text());
  if (FInValueUpdate) return;
  const String S = FEditor->Text();
  if (!IsValidText(S)) return;
  double P = 0;
  if (FValueType == TbsValueType::vtFloat) {
    if (!TryStrToFloat(S, P)) return;
  } else {
    int32_t i = 0;
    if (!TryStrToInt(S, i)) return;
    P = i;
  }
  const double C = Clamp(P);
  if (C != FValue) {
    FValue = C;
    Change();
  }
  if ((C < 0 && P < 0 && P < C) || P > C || (FMinValue > 0 && P < 0) || (FMaxValue < 0 && P > 0)) WriteEditor(C);
}

// ---- Editor events and hot tracking -----------------------------------------------------

void TbsSkinSpinEdit::EditKeyDown(TObject*, uint16_t& Key, TShiftState Shift) {
  if (OnEditKeyDown) OnEditKeyDown(this, Key, Shift);
}

void TbsSkinSpinEdit::EditKeyUp(TObject*, uint16_t& Key, TShiftState Shift) {
  if (OnEditKeyUp) OnEditKeyUp(this, Key, Shift);
}

void TbsSkinSpinEdit::EditKeyPress(TObject*, char32_t& Key) {
  if (OnEditKeyPress) OnEditKeyPress(this, Key);
}

TColor TbsSkinSpinEdit::NormalColor() const { return FSkinIndex == -1 ? DefaultFont()->Color() : FSkinFontColor; }
TColor TbsSkinSpinEdit::ActiveColor() const { return FSkinIndex == -1 ? DefaultFont()->Color() : FSkinActiveFontColor; }

void TbsSkinSpinEdit::EditEnter(TObject*) {
  if (OnEditEnter) OnEditEnter(this);
  FEditFocused = true;
  if (!IsNullRect(FActiveSkinRect)) Repaint();
  if (ActiveColor() != NormalColor()) FEditor->Font()->SetColor(ActiveColor());
}

void TbsSkinSpinEdit::EditExit(TObject*) {
  if (OnEditExit) OnEditExit(this);
  FEditFocused = false;
  if (!IsNullRect(FActiveSkinRect)) Repaint();
  if (!FMouseOver) FEditor->Font()->SetColor(NormalColor());
  WriteEditor(FValue);
}

void TbsSkinSpinEdit::SetHot(bool Active) {
  FMouseOver = Active;
  if (FEditFocused) return;
  if (!IsNullRect(FActiveSkinRect)) Repaint();
  FEditor->Font()->SetColor(Active ? ActiveColor() : NormalColor());
}

void TbsSkinSpinEdit::MouseEntered(TMessage& Message) {
  TbsSkinCustomControl::Dispatch(Message);
  FPair.HitTest(-1, -1);
  if (FEditFocused) return;
  if (!IsNullRect(FActiveSkinRect)) {
    FMouseOver = true;
    Repaint();
  }
  FEditor->Font()->SetColor(ActiveColor());
}

void TbsSkinSpinEdit::MouseLeft(TMessage& Message) {
  TbsSkinCustomControl::Dispatch(Message);
  FPair.Leave();
  TPoint p;
  GetCursorPos(&p);
  if (FEditor->HandleAllocated() && WindowFromPoint(p) == FEditor->Handle()) return;
  if (FEditFocused) return;
  if (!IsNullRect(FActiveSkinRect)) {
    FMouseOver = false;
    Repaint();
  }
  FEditor->Font()->SetColor(NormalColor());
}

void TbsSkinSpinEdit::EnabledChanged(TMessage& Message) {
  TbsSkinCustomControl::Dispatch(Message);
  if (Enabled())
    FEditor->Font()->SetColor(FSkinIndex == -1 ? DefaultFont()->Color() : FSkinFontColor);
  else
    FEditor->Font()->SetColor(FSkinIndex == -1 ? clGrayText : FSkinDisabledFontColor);
  Repaint();
}

// ---- Messages ---------------------------------------------------------------------------

void TbsSkinSpinEdit::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_SIZE:
      TbsSkinCustomControl::Dispatch(Message);
      Layout();
      break;
    case WM_ERASEBKGND: EraseBackground(Message); break;
    case WM_TIMER:
      TbsSkinCustomControl::Dispatch(Message);
      if (Message.WParam == kRepeatTimer) FPair.Tick();
      break;
    case CM_MOUSEENTER: MouseEntered(Message); break;
    case CM_MOUSELEAVE: MouseLeft(Message); break;
    case CM_ENABLEDCHANGED: EnabledChanged(Message); break;
    case CM_FOCUSCHANGED:
      TbsSkinCustomControl::Dispatch(Message);
      if (reinterpret_cast<TWinControl*>(Message.LParam) == this && FEditor->HandleAllocated()) FEditor->SetFocus();
      break;
    case CM_TEXTCHANGED: TextChanged(Message); break;
    default: TbsSkinCustomControl::Dispatch(Message); break;
  }
}

void TbsSkinSpinEdit::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  FPair.Press(X, Y);
  TbsSkinCustomControl::MouseDown(Button, Shift, X, Y);
}

void TbsSkinSpinEdit::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  TbsSkinCustomControl::MouseMove(Shift, X, Y);
  FPair.HitTest(X, Y);
}

void TbsSkinSpinEdit::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  FPair.Release();
  TbsSkinCustomControl::MouseUp(Button, Shift, X, Y);
}

// The control and then its editor into one DC, so a transparent editor's
// glyphs land on the skin image.
void TbsSkinSpinEdit::EraseBackground(TMessage& Message) {
  Message.Result = 1;
  if (FInPaintMessage) return;
  HDC dc = reinterpret_cast<HDC>(Message.WParam);
  TCanvas C;
  C.SetHandle(dc);
  GetSkinData();
  PaintImageTo(&C);
  C.SetHandle(nullptr);
  if (!FEditor->HandleAllocated()) return;
  const int32_t saved = SaveDC(dc);
  OffsetViewportOrgEx(dc, FEditor->Left(), FEditor->Top(), nullptr);
  IntersectClipRect(dc, 0, 0, FEditor->Width(), FEditor->Height());
  SendMessage(FEditor->Handle(), WM_PAINT, WPARAM(dc), 0);
  RestoreDC(dc, saved);
}

void TbsSkinSpinEdit::Invalidate() {
  TbsSkinCustomControl::Invalidate();
  if (FSkinIndex != -1 && FEditor != nullptr) FEditor->Invalidate();
}
