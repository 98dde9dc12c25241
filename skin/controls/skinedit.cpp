#include "skin/controls/skinedit.h"

#include "platform/gui/gdi.h"
#include "platform/gui/win_clipboard.h"
#include "platform/gui/win_paint.h"
#include "platform/gui/windows.h"
#include "platform/rtl/arith.h"
#include "platform/vcl/clipbrd.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/messages.h"
#include "skin/engine/data/resstrdata.h"
#include "skin/engine/data/skinmessages.h"
#include "skin/engine/form/skinform.h"
#include "skin/engine/menus/skinpopupmenu.h"

namespace {

// Posted to the edit after a menu command: the controller has let go of
// the menu by the time it arrives.
constexpr uint32_t CM_RELEASEEDITMENU = WM_APP + 0x2E1;

// Text up to its first line break: the edit shows one line.
String FirstLine(const String& S) {
  const size_t n = S.find_first_of("\r\n");
  return n == String::npos ? S : S.substr(0, n);
}

}  // namespace

TbsCustomEdit::TbsCustomEdit(TComponent* AOwner) : TCustomMaskEdit(AOwner) {
  TControlStyle style = ControlStyle();
  style.Include(TControlStyleItem::csOpaque);
  SetControlStyle(style);
}

void TbsCustomEdit::CreateParams(TCreateParams& Params) {
  TCustomMaskEdit::CreateParams(Params);
  Params.Style &= ~WS_BORDER;
  Params.ExStyle &= ~WS_EX_CLIENTEDGE;
  if (FTransparentText) Params.ExStyle |= WS_EX_TRANSPARENT;
  Params.Style |= PasswordChar() != 0 ? ES_PASSWORD : ES_MULTILINE;
}

void TbsCustomEdit::SetTransparentText(bool Value) {
  FTransparentText = Value;
  RecreateWnd();
}

void TbsCustomEdit::Invalidate() {
  if (!FTransparentText) return TCustomMaskEdit::Invalidate();
  if (Parent() == nullptr || !HandleAllocated() || !Parent()->HandleAllocated()) return;
  TRect R = ClientRect();
  MapWindowPoints(Handle(), Parent()->Handle(), &R);
  InvalidateRect(Parent()->Handle(), &R, true);
  RedrawWindow(Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
}

void TbsCustomEdit::Change() {
  TCustomMaskEdit::Change();
  if (FTransparentText) Invalidate();
}

void TbsCustomEdit::InheritedAndInvalidate(TMessage& Message) {
  TCustomMaskEdit::Dispatch(Message);
  if (FTransparentText) Invalidate();
}

void TbsCustomEdit::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_CHAR: WMChar(Message); break;
    case WM_SETTEXT: WMSetText(Message); break;
    case WM_PASTE: WMPaste(Message); break;
    case WM_CONTEXTMENU: WMContextMenu(Message); break;
    case WM_SETFOCUS: WMSetFocus(Message); break;
    case WM_SETFONT:
      TCustomMaskEdit::Dispatch(Message);
      Perform(EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELONG(2, 0));
      break;
    case WM_KEYDOWN:
    case WM_MOVE:
    case WM_CUT:
    case WM_CLEAR:
    case WM_UNDO:
    case WM_KILLFOCUS: InheritedAndInvalidate(Message); break;
    case WM_LBUTTONDOWN:
      FLButtonDown = true;
      InheritedAndInvalidate(Message);
      break;
    case WM_LBUTTONUP:
      FLButtonDown = false;
      TCustomMaskEdit::Dispatch(Message);
      break;
    case WM_MOUSEMOVE:
      TCustomMaskEdit::Dispatch(Message);
      if (FLButtonDown && FTransparentText) Invalidate();
      break;
    case WM_ERASEBKGND:
      if (!FTransparentText) return TCustomMaskEdit::Dispatch(Message);
      Invalidate();
      Message.Result = 1;
      break;
    case CN_CTLCOLOREDIT:
    case CN_CTLCOLORSTATIC: CNCtlColor(Message); break;
    case CM_CANCELMODE:
      TCustomMaskEdit::Dispatch(Message);
      if (FCancelModeHandler) FCancelModeHandler(reinterpret_cast<TObject*>(Message.LParam));
      break;
    case WM_SKIN_MENUCOMMAND: WMSkinMenuCommand(Message); break;
    case CM_RELEASEEDITMENU: ReleaseEditMenu(Message); break;
    default: TCustomMaskEdit::Dispatch(Message); break;
  }
}

// Enter and Escape work the form's default and cancel buttons; the edit
// never inserts them.
void TbsCustomEdit::WMChar(TMessage& Message) {
  const WPARAM ch = Message.WParam;
  if (ch != 13 && ch != 27) return TCustomMaskEdit::Dispatch(Message);
  if (OnKeyPress) {
    char32_t copy = char32_t(ch);
    OnKeyPress(this, copy);
  }
  TComponentRef<TbsCustomEdit> self(this);
  if (!self) return;
  if (TCustomForm* form = GetParentForm(this)) form->Perform(CM_DIALOGKEY, ch, Message.LParam);
}

void TbsCustomEdit::WMSetText(TMessage& Message) {
  const char* text = reinterpret_cast<const char*>(Message.LParam);
  if (text != nullptr) {
    const String line = FirstLine(text);
    Message.LParam = reinterpret_cast<LPARAM>(line.c_str());
    InheritedAndInvalidate(Message);
    Message.LParam = reinterpret_cast<LPARAM>(text);
    return;
  }
  InheritedAndInvalidate(Message);
}

void TbsCustomEdit::WMPaste(TMessage& Message) {
  const String text = Clipboard()->HasFormat(CF_TEXT) ? Clipboard()->AsText() : String();
  const String line = FirstLine(text);
  if (line.size() == text.size() || ReadOnly()) return InheritedAndInvalidate(Message);
  Perform(EM_REPLACESEL, 1, reinterpret_cast<LPARAM>(line.c_str()));
  if (FTransparentText) Invalidate();
}

void TbsCustomEdit::WMSetFocus(TMessage& Message) {
  InheritedAndInvalidate(Message);
  if (AutoSelect()) SelectAll();
}

void TbsCustomEdit::CNCtlColor(TMessage& Message) {
  if (!FTransparentText) return TCustomMaskEdit::Dispatch(Message);
  HDC dc = reinterpret_cast<HDC>(Message.WParam);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColorToRGB(Font()->Color()));
  Message.Result = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
}

// ---- Context menu ----------------------------------------------------------------------

void TbsCustomEdit::WMContextMenu(TMessage& Message) {
  if (PopupMenu() != nullptr) return TCustomMaskEdit::Dispatch(Message);
  TPoint P = LParamToPoint(Message.LParam);
  if (P.X < 0 || P.Y < 0) {
    const TPoint origin = ClientOrigin();
    P = TPoint{origin.X + Div(Width(), 2), origin.Y + Div(Height(), 2)};
  }
  BuildEditMenu();
  FEditMenu->PopupFromControl(this, P.X, P.Y);
  Message.Result = 1;
}

void TbsCustomEdit::BuildEditMenu() {
  delete FEditMenu;
  FEditMenu = new TbsSkinPopupMenu(this);
  TCustomForm* form = GetParentForm(this);
  TbsSkinForm* skinForm = FindFormSkinForm(form);
  if (form != nullptr && form->FormStyle() == TFormStyle::fsMDIChild && Application != nullptr)
    form = Application->MainForm();
  FEditMenu->SetHostForm(form);
  const TbsResourceStrData* strings = nullptr;
  if (skinForm != nullptr && skinForm->SkinData() != nullptr) strings = skinForm->SkinData()->ResourceStrData();

  const int32_t length = GetTextLen();
  const bool selection = SelLength() > 0;
  const bool allSelected = SelStart() == 0 && SelStart() + SelLength() == length;
  struct TEntry {
    const char* Name;
    bool Enabled;
    std::function<void()> Action;
  };
  const TEntry entries[] = {
      {"EDIT_UNDO", CanUndo(), [this] { Undo(); }},
      {nullptr, true, nullptr},
      {"EDIT_CUT", selection, [this] { CutToClipboard(); }},
      {"EDIT_COPY", selection, [this] { CopyToClipboard(); }},
      {"EDIT_PASTE", Clipboard()->HasFormat(CF_TEXT), [this] { PasteFromClipboard(); }},
      {"EDIT_DELETE", selection, [this] { ClearSelection(); }},
      {nullptr, true, nullptr},
      {"EDIT_SELECTALL", !allSelected, [this] { SelectAll(); }},
  };
  for (const TEntry& e : entries) {
    auto* item = new TMenuItem(FEditMenu);
    item->SetCaption(e.Name == nullptr ? String("-") : SkinResStr(strings, e.Name));
    item->SetEnabled(e.Enabled);
    if (e.Action) item->OnClick = [action = e.Action](TObject*) { action(); };
    FEditMenu->Items()->Add(item);
  }
}

// The controller is still inside the item's command when it sends this:
// the menu goes once that has returned.
void TbsCustomEdit::WMSkinMenuCommand(TMessage& Message) {
  Message.Result = 0;
  if (FEditMenu == nullptr) return;
  delete FRetiredMenu;
  FRetiredMenu = FEditMenu;
  FEditMenu = nullptr;
  if (HandleAllocated()) PostMessage(Handle(), CM_RELEASEEDITMENU, 0, 0);
}

void TbsCustomEdit::ReleaseEditMenu(TMessage& Message) {
  Message.Result = 0;
  delete FRetiredMenu;
  FRetiredMenu = nullptr;
}
