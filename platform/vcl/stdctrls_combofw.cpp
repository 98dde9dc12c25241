// The framework's combo box over the native "ComboBox" class.
#include <algorithm>

#include "platform/vcl/drawframe.h"
#include "platform/vcl/stdctrls.h"
#include "platform/rtl/scopeguard.h"

class TComboBoxStrings : public TStrings {
 public:
  explicit TComboBoxStrings(TCustomComboBox* Combo) : FCombo(Combo) {}
  const char* ClassName() const override { return "TComboBoxStrings"; }

  int32_t Add(const String& S) override {
    const LRESULT r = Send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(S.c_str()));
    if (r < 0) throw EOutOfResources("Insufficient memory for combo box");
    return int32_t(r);
  }
  void Insert(int32_t Index, const String& S) override {
    if (Send(CB_INSERTSTRING, WPARAM(Index), reinterpret_cast<LPARAM>(S.c_str())) < 0)
      Error("List index out of bounds (%d)", Index);
  }
  void PutObject(int32_t Index, void* AObject) override {
    if (Send(CB_SETITEMDATA, WPARAM(Index), reinterpret_cast<LPARAM>(AObject)) < 0)
      Error("List index out of bounds (%d)", Index);
  }
  void Delete(int32_t Index) override {
    if (Send(CB_DELETESTRING, WPARAM(Index), 0) < 0) Error("List index out of bounds (%d)", Index);
  }
  void Clear() override { Send(CB_RESETCONTENT, 0, 0); }
  int32_t IndexOf(const String& S) const override {
    return int32_t(Send(CB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>(S.c_str())));
  }

 protected:
  String Get(int32_t Index) const override {
    const LRESULT len = Send(CB_GETLBTEXTLEN, WPARAM(Index), 0);
    if (len < 0) Error("List index out of bounds (%d)", Index);
    String s(size_t(len) + 1, '\0');
    Send(CB_GETLBTEXT, WPARAM(Index), reinterpret_cast<LPARAM>(s.data()));
    s.resize(size_t(len));
    return s;
  }
  int32_t GetCount() const override { return int32_t(Send(CB_GETCOUNT, 0, 0)); }
  void* GetObject(int32_t Index) const override {
    const LRESULT r = Send(CB_GETITEMDATA, WPARAM(Index), 0);
    if (Index < 0 || Index >= GetCount()) Error("List index out of bounds (%d)", Index);
    return reinterpret_cast<void*>(r);
  }
  void SetUpdateState(bool Updating) override {
    Send(WM_SETREDRAW, Updating ? 0 : 1, 0);
    if (!Updating) FCombo->Refresh();
  }

 private:
  LRESULT Send(uint32_t Msg, WPARAM W, LPARAM L) const {
    FCombo->HandleNeeded();
    return FCombo->Perform(Msg, W, L);
  }
  TCustomComboBox* FCombo;
};

TCustomComboBox::TCustomComboBox(TComponent* AOwner) : TWinControl(AOwner) {
  SetControlStyle(TControlStyle{TControlStyleItem::csSetCaption, TControlStyleItem::csDoubleClicks});
  SetBounds(0, 0, 145, 21);
  SetTabStop(true);
  FColor = clWindow;
  FParentColor = false;
  Brush()->SetColor(clWindow);
  FItems = std::make_unique<TComboBoxStrings>(this);
  FCanvas = std::make_unique<TControlCanvas>();
  FCanvas->SetControl(this);
}

TCustomComboBox::~TCustomComboBox() { FCanvas->FreeHandle(); }

void TCustomComboBox::CreateParams(TCreateParams& Params) {
  RegisterStdControlClasses();
  TWinControl::CreateParams(Params);
  CreateSubClass(Params, "ComboBox");
  Params.Style |= CBS_HASSTRINGS | CBS_AUTOHSCROLL;
  switch (FStyle) {
    case TComboBoxStyle::csDropDown: Params.Style |= CBS_DROPDOWN; break;
    case TComboBoxStyle::csSimple: Params.Style |= CBS_SIMPLE; break;
    case TComboBoxStyle::csDropDownList: Params.Style |= CBS_DROPDOWNLIST; break;
    case TComboBoxStyle::csOwnerDrawFixed: Params.Style |= CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED; break;
    case TComboBoxStyle::csOwnerDrawVariable: Params.Style |= CBS_DROPDOWNLIST | CBS_OWNERDRAWVARIABLE; break;
  }
  if (FSorted) Params.Style |= CBS_SORT;
}

HWND TCustomComboBox::EditHandle() {
  if (!HandleAllocated()) return nullptr;
  for (HWND c = GetWindow(Handle(), GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT))
    if (GetWindowLong(c, GWL_ID) == kComboEditId) return c;
  return nullptr;
}

void TCustomComboBox::CreateWnd() {
  const String text = FText;
  TWinControl::CreateWnd();
  Perform(CB_SETMINVISIBLE, WPARAM(FDropDownCount), 0);
  if (FMaxLength > 0) Perform(CB_LIMITTEXT, WPARAM(FMaxLength), 0);
  if (HWND e = EditHandle(); e != nullptr && FCharCase != TEditCharCase::ecNormal)
    SetWindowLong(
        e, GWL_STYLE,
        GetWindowLong(e, GWL_STYLE) | (FCharCase == TEditCharCase::ecUpperCase ? ES_UPPERCASE : ES_LOWERCASE));
  if (FHasSaved) {
    FHasSaved = false;
    std::vector<TSavedItem> saved;
    saved.swap(FSaved);
    for (const TSavedItem& item : saved) {
      const LRESULT i = Perform(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.Text.c_str()));
      if (i >= 0) Perform(CB_SETITEMDATA, WPARAM(i), LPARAM(item.Data));
    }
    Perform(CB_SETCURSEL, WPARAM(FSavedIndex), 0);
  }
  if (FSavedIndex < 0 && !text.empty()) Perform(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void TCustomComboBox::DestroyWnd() {
  const int32_t n = int32_t(Perform(CB_GETCOUNT, 0, 0));
  FSaved.clear();
  for (int32_t i = 0; i < n; ++i)
    FSaved.push_back(TSavedItem{FItems->Strings(i), uintptr_t(Perform(CB_GETITEMDATA, WPARAM(i), 0))});
  FSavedIndex = int32_t(Perform(CB_GETCURSEL, 0, 0));
  FHasSaved = true;
  FCanvas->FreeHandle();
  TWinControl::DestroyWnd();
}

int32_t TCustomComboBox::ItemIndex() {
  HandleNeeded();
  return int32_t(Perform(CB_GETCURSEL, 0, 0));
}

void TCustomComboBox::SetItemIndex(int32_t Value) {
  HandleNeeded();
  Perform(CB_SETCURSEL, WPARAM(Value), 0);
}

void TCustomComboBox::SetStyle(TComboBoxStyle Value) {
  if (FStyle == Value) return;
  FStyle = Value;
  RecreateWnd();
}

void TCustomComboBox::SetDropDownCount(int32_t Value) {
  FDropDownCount = std::max<int32_t>(1, Value);
  if (HandleAllocated()) Perform(CB_SETMINVISIBLE, WPARAM(FDropDownCount), 0);
}

bool TCustomComboBox::DroppedDown() { return HandleAllocated() && Perform(CB_GETDROPPEDSTATE, 0, 0) != 0; }
void TCustomComboBox::SetDroppedDown(bool Value) { Perform(CB_SHOWDROPDOWN, Value ? 1 : 0, 0); }

void TCustomComboBox::SetSorted(bool Value) {
  if (FSorted == Value) return;
  FSorted = Value;
  RecreateWnd();
}

void TCustomComboBox::SetCharCase(TEditCharCase Value) {
  if (FCharCase == Value) return;
  FCharCase = Value;
  RecreateWnd();
}

void TCustomComboBox::SetMaxLength(int32_t Value) {
  FMaxLength = std::max<int32_t>(0, Value);
  if (HandleAllocated()) Perform(CB_LIMITTEXT, WPARAM(FMaxLength), 0);
}

void TCustomComboBox::SetItemHeight(int32_t Value) {
  if (Value <= 0 || FItemHeight == Value) return;
  FItemHeight = Value;
  if (FStyle == TComboBoxStyle::csOwnerDrawFixed || FStyle == TComboBoxStyle::csOwnerDrawVariable) RecreateWnd();
}

int32_t TCustomComboBox::SelStart() {
  int32_t a = 0, b = 0;
  Perform(CB_GETEDITSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
  return a;
}

void TCustomComboBox::SetSelStart(int32_t Value) {
  if (HWND e = EditHandle()) SendMessage(e, EM_SETSEL, WPARAM(Value), Value);
}

int32_t TCustomComboBox::SelLength() {
  int32_t a = 0, b = 0;
  Perform(CB_GETEDITSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
  return b - a;
}

void TCustomComboBox::SetSelLength(int32_t Value) {
  const int32_t start = SelStart();
  if (HWND e = EditHandle()) SendMessage(e, EM_SETSEL, WPARAM(start), start + Value);
}

String TCustomComboBox::SelText() { return Text().substr(size_t(SelStart()), size_t(SelLength())); }

void TCustomComboBox::SetSelText(const String& Value) {
  if (HWND e = EditHandle()) SendMessage(e, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(Value.c_str()));
}

void TCustomComboBox::Change() {
  if (OnChange) OnChange(this);
}

void TCustomComboBox::Select() {
  if (OnSelect)
    OnSelect(this);
  else
    Change();
}

void TCustomComboBox::DropDown() {
  if (OnDropDown) OnDropDown(this);
}

void TCustomComboBox::CloseUp() {
  if (OnCloseUp) OnCloseUp(this);
}

void TCustomComboBox::DrawItem(int32_t Index, const TRect& Rect, TOwnerDrawState State) {
  if (OnDrawItem) {
    OnDrawItem(this, Index, Rect, State);
    return;
  }
  FCanvas->FillRect(Rect);
  if (Index >= 0 && Index < FItems->Count()) FCanvas->TextOut(Rect.Left + 2, Rect.Top, FItems->Strings(Index));
}

void TCustomComboBox::MeasureItem(int32_t Index, int32_t& Height) {
  if (OnMeasureItem) OnMeasureItem(this, Index, Height);
}

void TCustomComboBox::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CN_COMMAND: {
      TComponentRef<TCustomComboBox> self(this);
      switch (HIWORD(Message.WParam)) {
        case CBN_SELCHANGE: {
          const int32_t i = int32_t(Perform(CB_GETCURSEL, 0, 0));
          if (i >= 0 && EditHandle() != nullptr) SetText(FItems->Strings(i));
          Click();
          if (self) Select();
          break;
        }
        case CBN_EDITCHANGE: Change(); break;
        case CBN_DROPDOWN: DropDown(); break;
        case CBN_CLOSEUP: CloseUp(); break;
        default: break;
      }
      return;
    }
    case CN_DRAWITEM: {
      auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam);
      TOwnerDrawState state = OwnerDrawStateFromBits(d->itemState);
      FCanvas->Lock();
      const int32_t saved = SaveDC(d->hDC);
      FCanvas->SetHandle(d->hDC);
      FCanvas->SetFont(Font());
      FCanvas->Brush()->Assign(Brush());
      if (state.Contains(TOwnerDrawStateItem::odSelected)) {
        FCanvas->Brush()->SetColor(clHighlight);
        FCanvas->Font()->SetColor(clHighlightText);
      }
      {
        auto cleanup = ScopeExit([&] {
          FCanvas->SetHandle(nullptr);
          RestoreDC(d->hDC, saved);
          FCanvas->Unlock();
        });
        DrawItem(int32_t(d->itemID), d->rcItem, state);
        if (state.Contains(TOwnerDrawStateItem::odFocused)) DrawFocusRect(d->hDC, d->rcItem);
      }
      Message.Result = 1;
      return;
    }
    case CN_MEASUREITEM: {
      auto* m = reinterpret_cast<MEASUREITEMSTRUCT*>(Message.LParam);
      int32_t h = FItemHeight;
      if (FStyle == TComboBoxStyle::csOwnerDrawVariable && int32_t(m->itemID) >= 0) MeasureItem(int32_t(m->itemID), h);
      m->itemHeight = uint32_t(std::max<int32_t>(1, h));
      Message.Result = 1;
      return;
    }
    default: TWinControl::Dispatch(Message); return;
  }
}
