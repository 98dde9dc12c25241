// The framework's edits and memos over the native "Edit" class.
#include <algorithm>

#include "platform/gui/text.h"
#include "platform/gui/win_paint.h"
#include "platform/vcl/drawframe.h"
#include "platform/vcl/stdctrls.h"

// ================================================================================
// TCustomEdit
// ================================================================================

TCustomEdit::TCustomEdit(TComponent* AOwner) : TWinControl(AOwner) {
  SetControlStyle(TControlStyle{TControlStyleItem::csCaptureMouse, TControlStyleItem::csClickEvents,
                                TControlStyleItem::csSetCaption, TControlStyleItem::csDoubleClicks});
  SetBounds(0, 0, 121, 21);
  SetTabStop(true);
  FColor = clWindow;
  FParentColor = false;
  Brush()->SetColor(clWindow);
  SetAutoSize(true);
}

void TCustomEdit::CreateParams(TCreateParams& Params) {
  RegisterStdControlClasses();
  TWinControl::CreateParams(Params);
  CreateSubClass(Params, "Edit");
  Params.Style |= ES_AUTOHSCROLL | ES_AUTOVSCROLL;
  if (FBorderStyle == TBorderStyle::bsSingle) {
    if (FCtl3D)
      Params.ExStyle |= WS_EX_CLIENTEDGE;
    else
      Params.Style |= WS_BORDER;
  }
  if (FPasswordChar != 0) Params.Style |= ES_PASSWORD;
  if (FReadOnly) Params.Style |= ES_READONLY;
  if (!FHideSelection) Params.Style |= ES_NOHIDESEL;
  if (FCharCase == TEditCharCase::ecUpperCase) Params.Style |= ES_UPPERCASE;
  if (FCharCase == TEditCharCase::ecLowerCase) Params.Style |= ES_LOWERCASE;
}

void TCustomEdit::CreateWnd() {
  TWinControl::CreateWnd();
  Perform(EM_LIMITTEXT, WPARAM(FMaxLength), 0);
  if (FPasswordChar != 0) Perform(EM_SETPASSWORDCHAR, WPARAM(FPasswordChar), 0);
  Perform(EM_SETMODIFY, FModified ? 1 : 0, 0);
  Perform(EM_SETSEL, WPARAM(FSavedSelStart), FSavedSelEnd);
  AdjustSize();
}

void TCustomEdit::DestroyWnd() {
  FModified = Perform(EM_GETMODIFY, 0, 0) != 0;
  Perform(EM_GETSEL, reinterpret_cast<WPARAM>(&FSavedSelStart), reinterpret_cast<LPARAM>(&FSavedSelEnd));
  TWinControl::DestroyWnd();
}

void TCustomEdit::AdjustSize() {
  if (!AutoSize() || ControlState().Contains(TControlStateItem::csReadingState)) return;
  int32_t h = StdFontHeight(Font()->Handle());
  if (FBorderStyle == TBorderStyle::bsSingle) h += FCtl3D ? 8 : 6;
  SetBounds(Left(), Top(), Width(), h);
}

void TCustomEdit::SetBorderStyle(TBorderStyle Value) {
  if (FBorderStyle == Value) return;
  FBorderStyle = Value;
  RecreateWnd();
  AdjustSize();
}

void TCustomEdit::SetCtl3D(bool Value) {
  if (FCtl3D == Value) return;
  FCtl3D = Value;
  RecreateWnd();
  AdjustSize();
}

void TCustomEdit::SetCharCase(TEditCharCase Value) {
  if (FCharCase == Value) return;
  FCharCase = Value;
  RecreateWnd();
}

void TCustomEdit::SetHideSelection(bool Value) {
  if (FHideSelection == Value) return;
  FHideSelection = Value;
  RecreateWnd();
}

void TCustomEdit::SetMaxLength(int32_t Value) {
  FMaxLength = std::max<int32_t>(0, Value);
  if (HandleAllocated()) Perform(EM_LIMITTEXT, WPARAM(FMaxLength), 0);
}

bool TCustomEdit::Modified() {
  if (HandleAllocated()) FModified = Perform(EM_GETMODIFY, 0, 0) != 0;
  return FModified;
}

void TCustomEdit::SetModified(bool Value) {
  FModified = Value;
  if (HandleAllocated()) Perform(EM_SETMODIFY, Value ? 1 : 0, 0);
}

void TCustomEdit::SetPasswordChar(char32_t Value) {
  if (FPasswordChar == Value) return;
  FPasswordChar = Value;
  RecreateWnd();
}

void TCustomEdit::SetReadOnly(bool Value) {
  if (FReadOnly == Value) return;
  FReadOnly = Value;
  if (HandleAllocated()) Perform(EM_SETREADONLY, Value ? 1 : 0, 0);
}

int32_t TCustomEdit::SelStart() {
  int32_t a = 0, b = 0;
  Perform(EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
  return a;
}

void TCustomEdit::SetSelStart(int32_t Value) { Perform(EM_SETSEL, WPARAM(Value), Value); }

int32_t TCustomEdit::SelLength() {
  int32_t a = 0, b = 0;
  Perform(EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
  return b - a;
}

void TCustomEdit::SetSelLength(int32_t Value) {
  const int32_t start = SelStart();
  Perform(EM_SETSEL, WPARAM(start), start + Value);
  Perform(EM_SCROLLCARET, 0, 0);
}

String TCustomEdit::SelText() {
  int32_t a = 0, b = 0;
  Perform(EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
  return Text().substr(size_t(a), size_t(b - a));
}

void TCustomEdit::SetSelText(const String& Value) {
  Perform(EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(Value.c_str()));
}

void TCustomEdit::SelectAll() { Perform(EM_SETSEL, 0, -1); }
void TCustomEdit::ClearSelection() { Perform(WM_CLEAR, 0, 0); }
void TCustomEdit::CopyToClipboard() { Perform(WM_COPY, 0, 0); }
void TCustomEdit::CutToClipboard() { Perform(WM_CUT, 0, 0); }
void TCustomEdit::PasteFromClipboard() { Perform(WM_PASTE, 0, 0); }
void TCustomEdit::Undo() { Perform(WM_UNDO, 0, 0); }
bool TCustomEdit::CanUndo() { return Perform(EM_CANUNDO, 0, 0) != 0; }
void TCustomEdit::ClearUndo() { Perform(EM_EMPTYUNDOBUFFER, 0, 0); }

void TCustomEdit::Change() {
  if (OnChange) OnChange(this);
}

void TCustomEdit::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CN_COMMAND:
      if (HIWORD(Message.WParam) == EN_CHANGE) Change();
      return;
    case CM_ENTER:
      if (FAutoSelect && !ControlState().Contains(TControlStateItem::csLButtonDown) &&
          (uint32_t(GetWindowLong(Handle(), GWL_STYLE)) & ES_MULTILINE) == 0)
        SelectAll();
      break;
    case CM_FONTCHANGED:
      TWinControl::Dispatch(Message);
      AdjustSize();
      return;
    default: break;
  }
  TWinControl::Dispatch(Message);
}

// ================================================================================
// TCustomMemo
// ================================================================================

namespace {

// The memo's lines, read and changed through its window.
class TMemoStrings : public TStrings {
 public:
  explicit TMemoStrings(TCustomMemo* Memo) : FMemo(Memo) {}
  const char* ClassName() const override { return "TMemoStrings"; }

  void Put(int32_t Index, const String& S) override {
    SelectLine(Index, false);
    FMemo->Perform(EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(S.c_str()));
  }
  void Insert(int32_t Index, const String& S) override {
    if (Index < 0 || Index > GetCount()) Error("List index out of bounds (%d)", Index);
    const int32_t count = GetCount();
    const bool empty = FMemo->GetTextLen() == 0;
    String text;
    int32_t pos;
    if (Index < count && !empty) {
      pos = int32_t(FMemo->Perform(EM_LINEINDEX, WPARAM(Index), 0));
      text = S + "\r\n";
    } else {
      pos = FMemo->GetTextLen();
      // A final empty line after a break is where the new line goes.
      const String all = FMemo->Text();
      const bool endsWithBreak = all.size() >= 2 && all.compare(all.size() - 2, 2, "\r\n") == 0;
      text = empty || endsWithBreak ? S : "\r\n" + S;
      if (endsWithBreak) text += "\r\n";
    }
    FMemo->Perform(EM_SETSEL, WPARAM(pos), pos);
    FMemo->Perform(EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  void Delete(int32_t Index) override {
    if (Index < 0 || Index >= GetCount()) Error("List index out of bounds (%d)", Index);
    SelectLine(Index, true);
    FMemo->Perform(EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(""));
  }
  void Clear() override { FMemo->SetText(""); }

 protected:
  String Get(int32_t Index) const override {
    const int32_t start = int32_t(FMemo->Perform(EM_LINEINDEX, WPARAM(Index), 0));
    if (start < 0) Error("List index out of bounds (%d)", Index);
    const int32_t len = int32_t(FMemo->Perform(EM_LINELENGTH, WPARAM(start), 0));
    return FMemo->Text().substr(size_t(start), size_t(len));
  }
  int32_t GetCount() const override {
    if (FMemo->GetTextLen() == 0) return 0;
    const String all = FMemo->Text();
    int32_t n = int32_t(FMemo->Perform(EM_GETLINECOUNT, 0, 0));
    // The empty line after a final break is no line of the list.
    if (all.size() >= 2 && all.compare(all.size() - 2, 2, "\r\n") == 0) --n;
    return n;
  }
  String GetTextStr() const override { return FMemo->Text(); }
  void SetTextStr(const String& Value) override { FMemo->SetText(Value); }

 private:
  // Selects the line (with its break when WithBreak).
  void SelectLine(int32_t Index, bool WithBreak) {
    const int32_t start = int32_t(FMemo->Perform(EM_LINEINDEX, WPARAM(Index), 0));
    if (start < 0) Error("List index out of bounds (%d)", Index);
    int32_t end = start + int32_t(FMemo->Perform(EM_LINELENGTH, WPARAM(start), 0));
    if (WithBreak) {
      const String all = FMemo->Text();
      if (all.compare(size_t(end), 2, "\r\n") == 0)
        end += 2;
      else if (Index > 0)  // the last line takes the break before it
        FMemo->Perform(EM_SETSEL, WPARAM(start - 2), end), end = -1;
    }
    if (end >= 0) FMemo->Perform(EM_SETSEL, WPARAM(start), end);
  }
  TCustomMemo* FMemo;
};

}  // namespace

TCustomMemo::TCustomMemo(TComponent* AOwner) : TCustomEdit(AOwner) {
  SetBounds(Left(), Top(), 185, 89);
  SetAutoSize(false);
  SetAutoSelect(false);
  FLines = std::make_unique<TMemoStrings>(this);
}

TCustomMemo::~TCustomMemo() = default;

void TCustomMemo::CreateParams(TCreateParams& Params) {
  TCustomEdit::CreateParams(Params);
  Params.Style &= ~(ES_AUTOHSCROLL | ES_LEFT | ES_CENTER | ES_RIGHT);
  Params.Style |= ES_MULTILINE | ES_AUTOVSCROLL;
  if (!FWordWrap) Params.Style |= ES_AUTOHSCROLL;
  if (FAlignment == TAlignment::taCenter) Params.Style |= ES_CENTER;
  if (FAlignment == TAlignment::taRightJustify) Params.Style |= ES_RIGHT;
  if (FScrollBars == TScrollStyle::ssVertical || FScrollBars == TScrollStyle::ssBoth) Params.Style |= WS_VSCROLL;
  if ((FScrollBars == TScrollStyle::ssHorizontal || FScrollBars == TScrollStyle::ssBoth) && !FWordWrap)
    Params.Style |= WS_HSCROLL;
}

void TCustomMemo::SetAlignment(TAlignment Value) {
  if (FAlignment == Value) return;
  FAlignment = Value;
  RecreateWnd();
}

void TCustomMemo::SetWordWrap(bool Value) {
  if (FWordWrap == Value) return;
  FWordWrap = Value;
  RecreateWnd();
}

void TCustomMemo::SetScrollBars(TScrollStyle Value) {
  if (FScrollBars == Value) return;
  FScrollBars = Value;
  RecreateWnd();
}

void TCustomMemo::KeyPress(char32_t& Key) {
  TCustomEdit::KeyPress(Key);
  if ((Key == U'\r' && !FWantReturns) || (Key == U'\t' && !FWantTabs)) Key = 0;
}

void TCustomMemo::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_GETDLGCODE) {
    TCustomEdit::Dispatch(Message);
    if (!FWantReturns) Message.Result &= ~DLGC_WANTALLKEYS;
    if (FWantTabs) Message.Result |= DLGC_WANTTAB;
    return;
  }
  TCustomEdit::Dispatch(Message);
}
