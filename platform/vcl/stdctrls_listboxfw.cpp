// The framework's list box over the native "ListBox" class.
#include <algorithm>

#include "platform/gui/syscolors.h"
#include "platform/gui/text.h"
#include "platform/rtl/clock.h"
#include "platform/vcl/stdctrls.h"
#include "platform/rtl/scopeguard.h"
#include "platform/rtl/strings.h"

TOwnerDrawState OwnerDrawStateFromBits(uint32_t Bits) {
  TOwnerDrawState r;
  if ((Bits & ODS_SELECTED) != 0) r.Include(TOwnerDrawStateItem::odSelected);
  if ((Bits & ODS_GRAYED) != 0) r.Include(TOwnerDrawStateItem::odGrayed);
  if ((Bits & ODS_DISABLED) != 0) r.Include(TOwnerDrawStateItem::odDisabled);
  if ((Bits & ODS_CHECKED) != 0) r.Include(TOwnerDrawStateItem::odChecked);
  if ((Bits & ODS_FOCUS) != 0) r.Include(TOwnerDrawStateItem::odFocused);
  if ((Bits & ODS_DEFAULT) != 0) r.Include(TOwnerDrawStateItem::odDefault);
  if ((Bits & ODS_HOTLIGHT) != 0) r.Include(TOwnerDrawStateItem::odHotLight);
  if ((Bits & ODS_NOACCEL) != 0) r.Include(TOwnerDrawStateItem::odNoAccel);
  if ((Bits & ODS_COMBOBOXEDIT) != 0) r.Include(TOwnerDrawStateItem::odComboBoxEdit);
  return r;
}

// The items of a list box, kept in its window.
class TListBoxStrings : public TStrings {
 public:
  explicit TListBoxStrings(TCustomListBox* ListBox) : FListBox(ListBox) {}
  const char* ClassName() const override { return "TListBoxStrings"; }

  int32_t Add(const String& S) override {
    const LRESULT r = Send(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(S.c_str()));
    if (r < 0) throw EOutOfResources("Insufficient memory for list box");
    return int32_t(r);
  }
  int32_t AddObject(const String& S, void* AObject) override {
    const int32_t i = Add(S);
    PutObject(i, AObject);
    return i;
  }
  void Insert(int32_t Index, const String& S) override {
    if (Send(LB_INSERTSTRING, WPARAM(Index), reinterpret_cast<LPARAM>(S.c_str())) < 0)
      Error("List index out of bounds (%d)", Index);
  }
  void Put(int32_t Index, const String& S) override {
    const int32_t selected = FListBox->ItemIndex();
    void* data = GetObject(Index);
    Delete(Index);
    InsertObject(Index, S, data);
    FListBox->SetItemIndex(selected);
  }
  void PutObject(int32_t Index, void* AObject) override {
    if (Index < 0 || Index >= GetCount()) Error("List index out of bounds (%d)", Index);
    FListBox->SetItemData(Index, reinterpret_cast<uintptr_t>(AObject));
  }
  void Delete(int32_t Index) override { FListBox->DeleteString(Index); }
  void Clear() override { FListBox->ResetContent(); }
  int32_t IndexOf(const String& S) const override {
    return int32_t(Send(LB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>(S.c_str())));
  }

 protected:
  String Get(int32_t Index) const override {
    const LRESULT len = Send(LB_GETTEXTLEN, WPARAM(Index), 0);
    if (len < 0) Error("List index out of bounds (%d)", Index);
    String s(size_t(len) + 1, '\0');
    Send(LB_GETTEXT, WPARAM(Index), reinterpret_cast<LPARAM>(s.data()));
    s.resize(size_t(len));
    return s;
  }
  int32_t GetCount() const override { return int32_t(Send(LB_GETCOUNT, 0, 0)); }
  void* GetObject(int32_t Index) const override {
    if (Index < 0 || Index >= GetCount()) Error("List index out of bounds (%d)", Index);
    return reinterpret_cast<void*>(FListBox->GetItemData(Index));
  }
  void SetUpdateState(bool Updating) override {
    Send(WM_SETREDRAW, Updating ? 0 : 1, 0);
    if (!Updating) FListBox->Refresh();
  }

 private:
  LRESULT Send(uint32_t Msg, WPARAM W, LPARAM L) const {
    FListBox->HandleNeeded();
    return FListBox->Perform(Msg, W, L);
  }
  TCustomListBox* FListBox;
};

TCustomListBox::TCustomListBox(TComponent* AOwner) : TWinControl(AOwner) {
  SetControlStyle(TControlStyle{TControlStyleItem::csSetCaption, TControlStyleItem::csDoubleClicks});
  SetBounds(0, 0, 121, 97);
  SetTabStop(true);
  FColor = clWindow;
  FParentColor = false;
  Brush()->SetColor(clWindow);
  FItems = std::make_unique<TListBoxStrings>(this);
  FCanvas = std::make_unique<TControlCanvas>();
  FCanvas->SetControl(this);
}

TCustomListBox::~TCustomListBox() { FCanvas->FreeHandle(); }

void TCustomListBox::CreateParams(TCreateParams& Params) {
  RegisterStdControlClasses();
  TWinControl::CreateParams(Params);
  CreateSubClass(Params, "ListBox");
  Params.Style |= WS_VSCROLL | WS_HSCROLL | LBS_HASSTRINGS | LBS_NOTIFY;
  Params.ExStyle |= WS_EX_CLIENTEDGE;
  if (FSorted) Params.Style |= LBS_SORT;
  if (FMultiSelect) Params.Style |= FExtendedSelect ? LBS_EXTENDEDSEL : LBS_MULTIPLESEL;
  if (FColumns > 0) Params.Style |= LBS_MULTICOLUMN;
  if (FStyle == TListBoxStyle::lbOwnerDrawFixed) Params.Style |= LBS_OWNERDRAWFIXED;
  if (FStyle == TListBoxStyle::lbOwnerDrawVariable) Params.Style |= LBS_OWNERDRAWVARIABLE;
  if (!FIntegralHeight) Params.Style |= LBS_NOINTEGRALHEIGHT;
  if (FTabWidth != 0) Params.Style |= LBS_USETABSTOPS;
}

void TCustomListBox::CreateWnd() {
  TWinControl::CreateWnd();
  if (FColumns > 0) Perform(LB_SETCOLUMNWIDTH, WPARAM((Width() + FColumns - 3) / FColumns), 0);
  if (FScrollWidth > 0) Perform(LB_SETHORIZONTALEXTENT, WPARAM(FScrollWidth), 0);
  if (!FHasSaved) return;
  FHasSaved = false;
  std::vector<TSavedItem> saved;
  saved.swap(FSaved);
  Perform(WM_SETREDRAW, 0, 0);
  for (const TSavedItem& item : saved) {
    const LRESULT i = Perform(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.Text.c_str()));
    if (i >= 0) SetItemData(int32_t(i), item.Data);
  }
  Perform(WM_SETREDRAW, 1, 0);
  SetItemIndex(FSavedIndex);
  SetTopIndex(FSavedTop);
}

void TCustomListBox::DestroyWnd() {
  const int32_t n = int32_t(Perform(LB_GETCOUNT, 0, 0));
  FSaved.clear();
  for (int32_t i = 0; i < n; ++i) FSaved.push_back(TSavedItem{FItems->Strings(i), GetItemData(i)});
  FSavedIndex = ItemIndex();
  FSavedTop = TopIndex();
  FHasSaved = true;
  FCanvas->FreeHandle();
  TWinControl::DestroyWnd();
}

int32_t TCustomListBox::ItemIndex() {
  HandleNeeded();
  if (FMultiSelect) return int32_t(Perform(LB_GETCOUNT, 0, 0)) == 0 ? -1 : int32_t(Perform(LB_GETCARETINDEX, 0, 0));
  return int32_t(Perform(LB_GETCURSEL, 0, 0));
}

void TCustomListBox::SetItemIndex(int32_t Value) {
  HandleNeeded();
  if (FMultiSelect)
    Perform(LB_SETCARETINDEX, WPARAM(Value), 0);
  else
    Perform(LB_SETCURSEL, WPARAM(Value), 0);
}

bool TCustomListBox::Selected(int32_t Index) {
  HandleNeeded();
  const LRESULT r = Perform(LB_GETSEL, WPARAM(Index), 0);
  if (r < 0) throw EListError("List index out of bounds (%d)", {Index});
  return r != 0;
}

void TCustomListBox::SetSelected(int32_t Index, bool Value) {
  HandleNeeded();
  if (FMultiSelect) {
    if (Perform(LB_SETSEL, Value ? 1 : 0, Index) < 0) throw EListError("List index out of bounds (%d)", {Index});
  } else if (Value) {
    SetItemIndex(Index);
  } else if (ItemIndex() == Index) {
    SetItemIndex(-1);
  }
}

int32_t TCustomListBox::SelCount() {
  HandleNeeded();
  return int32_t(Perform(LB_GETSELCOUNT, 0, 0));
}

void TCustomListBox::SelectAll() {
  if (FMultiSelect) Perform(LB_SETSEL, 1, -1);
}

int32_t TCustomListBox::TopIndex() {
  HandleNeeded();
  return int32_t(Perform(LB_GETTOPINDEX, 0, 0));
}

void TCustomListBox::SetTopIndex(int32_t Value) {
  HandleNeeded();
  Perform(LB_SETTOPINDEX, WPARAM(Value), 0);
}

int32_t TCustomListBox::ItemHeight() {
  if (HandleAllocated() && FStyle == TListBoxStyle::lbStandard) return int32_t(Perform(LB_GETITEMHEIGHT, 0, 0));
  return FItemHeight;
}

void TCustomListBox::SetItemHeight(int32_t Value) {
  if (Value <= 0 || FItemHeight == Value) return;
  FItemHeight = Value;
  if (FStyle != TListBoxStyle::lbStandard) RecreateWnd();
}

TRect TCustomListBox::ItemRect(int32_t Index) {
  HandleNeeded();
  TRect r{0, 0, 0, 0};
  const int32_t n = int32_t(Perform(LB_GETCOUNT, 0, 0));
  if (Index == 0 || Index < n) {
    Perform(LB_GETITEMRECT, WPARAM(Index), reinterpret_cast<LPARAM>(&r));
  } else if (Index == n) {
    Perform(LB_GETITEMRECT, WPARAM(Index - 1), reinterpret_cast<LPARAM>(&r));
    OffsetRect(r, 0, r.Height());
  }
  return r;
}

int32_t TCustomListBox::ItemAtPos(const TPoint& Pos, bool Existing) {
  HandleNeeded();
  const int32_t n = int32_t(Perform(LB_GETCOUNT, 0, 0));
  if (PtInRect(ClientRect(), Pos) && n > 0) {
    const LRESULT r = Perform(LB_ITEMFROMPOINT, 0, PointToLParam(Pos));
    if (HIWORD(uint32_t(r)) == 0) return int32_t(LOWORD(uint32_t(r)));
  }
  return Existing ? -1 : n;
}

void TCustomListBox::SetColumns(int32_t Value) {
  if (FColumns == Value) return;
  if ((FColumns == 0) != (Value == 0)) {
    FColumns = Value;
    RecreateWnd();
    return;
  }
  FColumns = Value;
  if (HandleAllocated() && Value > 0) Perform(LB_SETCOLUMNWIDTH, WPARAM((Width() + Value - 3) / Value), 0);
}

void TCustomListBox::SetSorted(bool Value) {
  if (FSorted == Value) return;
  FSorted = Value;
  RecreateWnd();
}

void TCustomListBox::SetMultiSelect(bool Value) {
  if (FMultiSelect == Value) return;
  FMultiSelect = Value;
  RecreateWnd();
}

void TCustomListBox::SetExtendedSelect(bool Value) {
  if (FExtendedSelect == Value) return;
  FExtendedSelect = Value;
  RecreateWnd();
}

void TCustomListBox::SetStyle(TListBoxStyle Value) {
  if (FStyle == Value) return;
  FStyle = Value;
  RecreateWnd();
}

void TCustomListBox::SetIntegralHeight(bool Value) {
  if (FIntegralHeight == Value) return;
  FIntegralHeight = Value;
  RecreateWnd();
}

void TCustomListBox::SetScrollWidth(int32_t Value) {
  FScrollWidth = std::max<int32_t>(0, Value);
  if (HandleAllocated()) Perform(LB_SETHORIZONTALEXTENT, WPARAM(FScrollWidth), 0);
}

void TCustomListBox::SetTabWidth(int32_t Value) {
  if (FTabWidth == Value) return;
  FTabWidth = Value;
  RecreateWnd();
}

void TCustomListBox::DeleteString(int32_t Index) {
  HandleNeeded();
  if (Perform(LB_DELETESTRING, WPARAM(Index), 0) < 0) throw EListError("List index out of bounds (%d)", {Index});
}

void TCustomListBox::ResetContent() {
  HandleNeeded();
  Perform(LB_RESETCONTENT, 0, 0);
}

uintptr_t TCustomListBox::GetItemData(int32_t Index) {
  HandleNeeded();
  return uintptr_t(Perform(LB_GETITEMDATA, WPARAM(Index), 0));
}

void TCustomListBox::SetItemData(int32_t Index, uintptr_t AData) {
  HandleNeeded();
  Perform(LB_SETITEMDATA, WPARAM(Index), LPARAM(AData));
}

void TCustomListBox::KeyPress(char32_t& Key) {
  TWinControl::KeyPress(Key);
  if (!FAutoComplete || Key == 0) return;
  if (Key == U'\b') {
    if (!FFilter.empty()) {
      size_t p = FFilter.size() - 1;
      while (p > 0 && (uint8_t(FFilter[p]) & 0xC0) == 0x80) --p;
      FFilter.resize(p);
    }
    FLastTime = GetTickCount64();
    Key = 0;
    return;
  }
  if (Key < 0x20) return;
  const uint64_t now = GetTickCount64();
  if (now - FLastTime >= 500) FFilter.clear();
  FLastTime = now;
  AppendUTF8(FFilter, Key);
  const LRESULT i = Perform(LB_FINDSTRING, WPARAM(-1), reinterpret_cast<LPARAM>(FFilter.c_str()));
  if (i >= 0) {
    if (FMultiSelect) {
      Perform(LB_SETSEL, 0, -1);
      Perform(LB_SETSEL, 1, i);
    }
    SetItemIndex(int32_t(i));
    Click();
  }
  Key = 0;
}

void TCustomListBox::DrawItem(int32_t Index, const TRect& Rect, TOwnerDrawState State) {
  if (OnDrawItem) {
    OnDrawItem(this, Index, Rect, State);
    return;
  }
  FCanvas->FillRect(Rect);
  if (Index >= 0 && Index < Count()) FCanvas->TextOut(Rect.Left + 2, Rect.Top, FItems->Strings(Index));
}

void TCustomListBox::MeasureItem(int32_t Index, int32_t& Height) {
  if (OnMeasureItem) OnMeasureItem(this, Index, Height);
}

void TCustomListBox::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CN_COMMAND:
      switch (HIWORD(Message.WParam)) {
        case LBN_SELCHANGE: Click(); break;
        case LBN_DBLCLK: DblClick(); break;
        default: break;
      }
      return;
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
        if (int32_t(d->itemID) >= 0) DrawItem(int32_t(d->itemID), d->rcItem, state);
        if (state.Contains(TOwnerDrawStateItem::odFocused)) DrawFocusRect(d->hDC, d->rcItem);
      }
      Message.Result = 1;
      return;
    }
    case CN_MEASUREITEM: {
      auto* m = reinterpret_cast<MEASUREITEMSTRUCT*>(Message.LParam);
      int32_t h = FItemHeight;
      if (FStyle == TListBoxStyle::lbOwnerDrawVariable) MeasureItem(int32_t(m->itemID), h);
      m->itemHeight = uint32_t(std::max<int32_t>(1, h));
      Message.Result = 1;
      return;
    }
    default: TWinControl::Dispatch(Message); return;
  }
}
