#include "platform/vcl/dialogs_shell.h"

#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <memory>

#include "platform/rtl/dates.h"
#include "platform/rtl/files.h"
#include "platform/rtl/strings.h"
#include "platform/shellapi/xdgdirs.h"
#include "platform/vcl/controls.h"
#include "platform/gui/win_paint.h"
#include "platform/vcl/dialogs_manager.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/messages.h"
#include "platform/vcl/stdctrls_native.h"

// ================================================================================
// Sizes
// ================================================================================

String FormatThousands(int64_t Value) {
  const bool negative = Value < 0;
  uint64_t v = negative ? uint64_t(0) - uint64_t(Value) : uint64_t(Value);
  String digits = std::to_string(v);
  String out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return negative ? "-" + out : out;
}

String FormatSizeBytesKB(int64_t Bytes) {
  const int64_t kb = Bytes <= 0 ? 0 : (Bytes - 1) / 1024 + 1;
  return FormatThousands(kb) + " KB (" + FormatThousands(Bytes) + (Bytes == 1 ? " byte)" : " bytes)");
}

// ================================================================================
// The properties window
// ================================================================================

namespace {

String Plural(int64_t n, const char* one, const char* many) { return FormatThousands(n) + " " + (n == 1 ? one : many); }

}  // namespace

std::vector<std::pair<String, String>> ShellPropertiesRows(const std::vector<TShellPropertiesInfo>& Items) {
  std::vector<std::pair<String, String>> rows;
  if (Items.empty()) return rows;
  if (Items.size() == 1) {
    const TShellPropertiesInfo& i = Items[0];
    rows.emplace_back("Name:", i.Name);
    rows.emplace_back("Type:", i.TypeName);
    rows.emplace_back("Location:", DisplayText(i.Location));
    if (i.IsFolder)
      rows.emplace_back("Contains:", Plural(i.EntryCount, "item", "items"));
    else
      rows.emplace_back("Size:", FormatSizeBytesKB(i.Size));
    rows.emplace_back("Modified:", FormatDateTime("yyyy-mm-dd hh:nn:ss", i.Modified));
    rows.emplace_back("Permissions:", i.ModeString);
    rows.emplace_back("Owner:", i.Owner);
    if (!i.ModeString.empty() && i.ModeString[0] == 'l') rows.emplace_back("Link target:", DisplayText(i.LinkTarget));
    return rows;
  }
  int64_t files = 0, folders = 0, total = 0;
  bool oneFolder = true;
  for (const TShellPropertiesInfo& i : Items) {
    if (i.IsFolder)
      ++folders;
    else
      ++files;
    total += i.Size;
    oneFolder = oneFolder && i.Location == Items[0].Location;
  }
  String count = FormatThousands(int64_t(Items.size())) + " (" + Plural(files, "file", "files") + ", " +
                 Plural(folders, "folder", "folders") + ")";
  rows.emplace_back("Items:", count);
  rows.emplace_back("Size:", FormatSizeBytesKB(total));
  if (oneFolder) rows.emplace_back("Location:", DisplayText(Items[0].Location));
  return rows;
}

namespace {

inline constexpr int32_t kPropLabelId = 0xFFFF;
inline constexpr int32_t kPropFirstValueId = 1000;

struct TPropertiesRun {
  String Caption;
  std::vector<std::pair<String, String>> Rows;
};

intptr_t PropertiesProc(HWND h, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG: {
      const auto* run = reinterpret_cast<const TPropertiesRun*>(lParam);
      TDialogInfo info;
      info.Kind = TDialogKind::dkProperties;
      info.Caption = run->Caption;
      for (const auto& [label, value] : run->Rows) info.Text += label + " " + value + "\n";
      info.Buttons = {"OK"};
      SetDialogInfo(h, info);
      return 1;
    }
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(h, IDOK);
        return 1;
      }
      return 0;
    default: return 0;
  }
}

}  // namespace

HRESULT ShowShellProperties(HWND Owner, const std::vector<String>& Paths) {
  if (Paths.empty()) return E_INVALIDARG;
  std::vector<TShellPropertiesInfo> items(Paths.size());
  for (size_t i = 0; i < Paths.size(); ++i)
    if (!SHGetPropertiesInfo(Paths[i], items[i])) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  TPropertiesRun run;
  run.Caption = items.size() == 1 ? items[0].Name + " Properties" : String("Properties");
  run.Rows = ShellPropertiesRows(items);

  // Dialog units: a label column and a value column, OK below.
  constexpr int32_t kMargin = 7, kLabelW = 50, kValueW = 190, kRowH = 12, kButtonW = 50, kButtonH = 14;
  TDialogTemplate t;
  t.Style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_CENTER;  // on the owner's monitor
  t.Title = run.Caption;
  t.CX = kMargin * 2 + kLabelW + 4 + kValueW;
  int32_t y = kMargin;
  for (size_t i = 0; i < run.Rows.size(); ++i, y += kRowH) {
    t.Items.push_back(TDialogItemTemplate{"Static", kPropLabelId, run.Rows[i].first,
                                          WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, kMargin, y, kLabelW, 9});
    // Read-only edits: a value can be selected and copied.
    t.Items.push_back(TDialogItemTemplate{"Edit", kPropFirstValueId + int32_t(i), run.Rows[i].second,
                                          WS_CHILD | WS_VISIBLE | ES_READONLY | ES_AUTOHSCROLL, 0,
                                          kMargin + kLabelW + 4, y, kValueW, 10});
  }
  y += 6;
  t.Items.push_back(TDialogItemTemplate{"Button", IDOK, "OK",
                                        WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, 0,
                                        t.CX - kMargin - kButtonW, y, kButtonW, kButtonH});
  t.CY = y + kButtonH + kMargin;
  HWND owner = Owner != nullptr ? GetAncestor(Owner, GA_ROOT) : nullptr;
  const intptr_t r = DialogBoxIndirectParam(nullptr, t, owner, PropertiesProc, reinterpret_cast<LPARAM>(&run));
  return r < 0 ? E_FAIL : S_OK;
}

// ================================================================================
// The auto-complete popup
// ================================================================================

namespace {

inline constexpr int32_t kPopupRows = 8;

class TAutoComplete {
 public:
  uint32_t Flags = 0;
  // The next procedure of the edit (its own, or what was there before).
  std::function<LRESULT(uint32_t, WPARAM, LPARAM)> Next;
  std::function<HWND()> Edit;

  ~TAutoComplete() { DestroyPopup(); }

  LRESULT Handle(uint32_t msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
      case WM_GETDLGCODE: {
        LRESULT r = Next(msg, wParam, lParam);
        if (Shown()) r |= DLGC_WANTALLKEYS | DLGC_WANTARROWS | DLGC_WANTTAB;
        return r;
      }
      case CM_WANTSPECIALKEY:
        if (Shown() && IsPopupKey(uint32_t(wParam))) return 1;
        return Next(msg, wParam, lParam);
      case WM_KEYDOWN:
        if (Shown() && IsPopupKey(uint32_t(wParam))) {
          PopupKey(uint32_t(wParam));
          return 0;
        }
        return WatchText(msg, wParam, lParam);
      case WM_CHAR:
        if (FSwallowChar) {
          FSwallowChar = false;
          if (wParam == '\r' || wParam == '\t' || wParam == 0x1B) return 0;
        }
        return WatchText(msg, wParam, lParam);
      case WM_PASTE:
      case WM_CUT:
      case WM_CLEAR:
      case WM_UNDO: return WatchText(msg, wParam, lParam);
      case WM_KILLFOCUS: Hide(); return Next(msg, wParam, lParam);
      case WM_DESTROY: DestroyPopup(); return Next(msg, wParam, lParam);
      default: return Next(msg, wParam, lParam);
    }
  }

  bool Shown() const { return FPopup != nullptr && IsWindowVisible(FPopup); }
  HWND Popup() const { return Shown() ? FPopup : nullptr; }
  void DestroyPopup() {
    if (FPopup == nullptr) return;
    Popups().erase(FPopup);
    if (IsWindow(FPopup)) DestroyWindow(FPopup);
    FPopup = nullptr;
  }

  // Clicking an item chooses it; the popup never takes the focus.
  static LRESULT PopupProc(HWND h, uint32_t msg, WPARAM wParam, LPARAM lParam) {
    auto it = Popups().find(h);
    if (it == Popups().end()) return DefWindowProc(h, msg, wParam, lParam);
    TAutoComplete* self = it->second;
    if (msg == WM_MOUSEACTIVATE) return MA_NOACTIVATE;
    if (msg == WM_LBUTTONDOWN) {
      const LRESULT hit = CallWindowProc(self->FListProc, h, LB_ITEMFROMPOINT, 0, lParam);
      if (HIWORD(uintptr_t(hit)) == 0) self->Choose(int32_t(LOWORD(uintptr_t(hit))));
      return 0;
    }
    return CallWindowProc(self->FListProc, h, msg, wParam, lParam);
  }

 private:
  static std::map<HWND, TAutoComplete*>& Popups() {
    static auto* popups = new std::map<HWND, TAutoComplete*>;  // never torn down at exit
    return *popups;
  }

  static bool IsPopupKey(uint32_t vk) {
    return vk == VK_UP || vk == VK_DOWN || vk == VK_RETURN || vk == VK_TAB || vk == VK_ESCAPE;
  }

  String Text() const {
    HWND e = Edit();
    const int32_t n = GetWindowTextLength(e);
    String s(size_t(std::max(n, 0)) + 1, '\0');
    s.resize(size_t(std::max(GetWindowText(e, s.data(), n + 1), 0)));
    return s;
  }

  // Passes a message that may change the text on; a change shows the
  // candidates for the new text.
  LRESULT WatchText(uint32_t msg, WPARAM wParam, LPARAM lParam) {
    const String before = Text();
    const LRESULT r = Next(msg, wParam, lParam);
    if (IsWindow(Edit())) {
      const String after = Text();
      if (after != before) Update(after);
    }
    return r;
  }

  void PopupKey(uint32_t vk) {
    const int32_t count = int32_t(FNames.size());
    const int32_t sel = int32_t(SendMessage(FPopup, LB_GETCURSEL, 0, 0));
    switch (vk) {
      case VK_DOWN: SendMessage(FPopup, LB_SETCURSEL, WPARAM(sel + 1 < count ? sel + 1 : count - 1), 0); break;
      case VK_UP: SendMessage(FPopup, LB_SETCURSEL, WPARAM(sel > 0 ? sel - 1 : 0), 0); break;
      case VK_RETURN:
      case VK_TAB:
        FSwallowChar = true;
        if (sel >= 0)
          Choose(sel);
        else
          Hide();
        break;
      default:
        FSwallowChar = true;
        Hide();
        break;
    }
  }

  void Choose(int32_t index) {
    if (index < 0 || size_t(index) >= FNames.size()) return;
    const String name = FNames[size_t(index)];
    Hide();
    const String text = Text();
    const size_t slash = text.rfind('/');
    const String done = (slash == String::npos ? String() : text.substr(0, slash + 1)) + name;
    HWND e = Edit();
    SetWindowText(e, done.c_str());
    SendMessage(e, EM_SETSEL, WPARAM(done.size()), LPARAM(done.size()));
  }

  void Update(const String& typed) {
    if (Flags & SHACF_AUTOSUGGEST_FORCE_OFF) {  // turned off by a later attach
      Hide();
      return;
    }
    String path = typed;
    if (!path.empty() && path[0] == '~' && (path.size() == 1 || path[1] == '/')) {
      String home = XdgDirs()->Home;
      while (home.size() > 1 && home.back() == '/') home.pop_back();
      path = home + path.substr(1);
    }
    FNames.clear();
    if (path.empty() || path[0] != '/') {  // only absolute paths have candidates
      Hide();
      return;
    }
    const bool foldersOnly = (Flags & SHACF_FILESYS_DIRS) != 0;
    for (const String& c : AutoCompleteCandidates(path, foldersOnly)) {
      struct stat st;
      const bool folder = foldersOnly || (::stat(c.c_str(), &st) == 0 && S_ISDIR(st.st_mode));
      FNames.push_back(ExtractFileName(c) + (folder ? "/" : ""));
    }
    if (FNames.empty()) {
      Hide();
      return;
    }
    Show();
  }

  void Show() {
    HWND e = Edit();
    if (FPopup == nullptr || !IsWindow(FPopup)) {
      Popups().erase(FPopup);
      RegisterStdControlClasses();
      FPopup = CreateWindowEx(WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, "ListBox", "",
                              WS_POPUP | WS_BORDER | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, 0, 0, 10, 10,
                              GetAncestor(e, GA_ROOT), nullptr, nullptr, nullptr);
      if (FPopup == nullptr) return;
      SendMessage(FPopup, WM_SETFONT, WPARAM(SendMessage(e, WM_GETFONT, 0, 0)), 0);
      FListProc = reinterpret_cast<WNDPROC>(GetWindowLong(FPopup, GWL_WNDPROC));
      SetWindowLong(FPopup, GWL_WNDPROC, reinterpret_cast<intptr_t>(&PopupProc));
      Popups()[FPopup] = this;
    }
    SendMessage(FPopup, WM_SETREDRAW, 0, 0);
    SendMessage(FPopup, LB_RESETCONTENT, 0, 0);
    for (const String& n : FNames) {
      const String shown = DisplayText(n);
      SendMessage(FPopup, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(shown.c_str()));
    }
    SendMessage(FPopup, LB_SETCURSEL, WPARAM(-1), 0);
    SendMessage(FPopup, WM_SETREDRAW, 1, 0);
    TRect er;
    GetWindowRect(e, &er);
    const int32_t itemH = std::max<int32_t>(int32_t(SendMessage(FPopup, LB_GETITEMHEIGHT, 0, 0)), 1);
    const int32_t rows = std::min<int32_t>(int32_t(FNames.size()), kPopupRows);
    TRect wr, cr;
    GetWindowRect(FPopup, &wr);
    GetClientRect(FPopup, &cr);
    const int32_t h = rows * itemH + (wr.Height() - cr.Height());
    SetWindowPos(FPopup, HWND_TOPMOST, er.Left, er.Bottom, er.Width(), h, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    InvalidateRect(FPopup, nullptr, true);
  }

  void Hide() {
    if (Shown()) ShowWindow(FPopup, SW_HIDE);
  }

  HWND FPopup = nullptr;
  WNDPROC FListProc = nullptr;
  std::vector<String> FNames;
  bool FSwallowChar = false;
};

// Edits subclassed through GWL_WNDPROC, with their earlier procedures.
struct TNativeAttachment {
  WNDPROC Old = nullptr;
  std::shared_ptr<TAutoComplete> Popup;  // shared: a handler may destroy the edit meanwhile
};
std::map<HWND, TNativeAttachment>& NativeEdits() {
  static auto* edits = new std::map<HWND, TNativeAttachment>;  // never torn down at exit
  return *edits;
}
// Framework edits: the control (gone once freed) and its popup.
struct TFrameworkAttachment {
  TComponentRef<TWinControl> Control;
  std::unique_ptr<TAutoComplete> Popup;
};
std::vector<TFrameworkAttachment>& FrameworkEdits() {
  static auto& edits = *new std::vector<TFrameworkAttachment>;  // never torn down at exit
  std::erase_if(edits, [](const TFrameworkAttachment& a) { return a.Control.Get() == nullptr; });
  return edits;
}
TFrameworkAttachment* FindFramework(TWinControl* control) {
  for (TFrameworkAttachment& a : FrameworkEdits())
    if (a.Control.Get() == control) return &a;
  return nullptr;
}

LRESULT NativeEditProc(HWND h, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  auto it = NativeEdits().find(h);
  if (it == NativeEdits().end()) return DefWindowProc(h, msg, wParam, lParam);
  if (msg == WM_NCDESTROY) {
    const WNDPROC old = it->second.Old;
    NativeEdits().erase(it);
    SetWindowLong(h, GWL_WNDPROC, reinterpret_cast<intptr_t>(old));
    return CallWindowProc(old, h, msg, wParam, lParam);
  }
  const std::shared_ptr<TAutoComplete> popup = it->second.Popup;
  return popup->Handle(msg, wParam, lParam);
}

}  // namespace

HRESULT AttachAutoComplete(HWND Edit, uint32_t Flags) {
  if (Edit == nullptr || !IsWindow(Edit)) return E_INVALIDARG;
  if (TWinControl* control = FindControl(Edit)) {
    if (TFrameworkAttachment* a = FindFramework(control)) {
      a->Popup->Flags = Flags;
      return S_OK;
    }
    if (Flags & SHACF_AUTOSUGGEST_FORCE_OFF) return S_OK;
    auto popup = std::make_unique<TAutoComplete>();
    popup->Flags = Flags;
    TWndMethod previous = control->WindowProc;
    popup->Next = [previous](uint32_t msg, WPARAM w, LPARAM l) {
      TMessage m{msg, w, l, 0};
      previous(m);
      return m.Result;
    };
    popup->Edit = [control] { return control->HandleAllocated() ? control->Handle() : nullptr; };
    TAutoComplete* raw = popup.get();
    FrameworkEdits().push_back(TFrameworkAttachment{TComponentRef<TWinControl>(control), std::move(popup)});
    control->WindowProc = [raw](TMessage& m) { m.Result = raw->Handle(m.Msg, m.WParam, m.LParam); };
    return S_OK;
  }
  auto& edits = NativeEdits();
  if (auto it = edits.find(Edit); it != edits.end()) {
    it->second.Popup->Flags = Flags;
    return S_OK;
  }
  if (Flags & SHACF_AUTOSUGGEST_FORCE_OFF) return S_OK;
  TNativeAttachment& a = edits[Edit];
  a.Old = reinterpret_cast<WNDPROC>(GetWindowLong(Edit, GWL_WNDPROC));
  a.Popup = std::make_shared<TAutoComplete>();
  a.Popup->Flags = Flags;
  const WNDPROC old = a.Old;
  a.Popup->Next = [Edit, old](uint32_t msg, WPARAM w, LPARAM l) { return CallWindowProc(old, Edit, msg, w, l); };
  a.Popup->Edit = [Edit] { return Edit; };
  SetWindowLong(Edit, GWL_WNDPROC, reinterpret_cast<intptr_t>(&NativeEditProc));
  return S_OK;
}

HWND AutoCompletePopup(HWND Edit) {
  if (auto it = NativeEdits().find(Edit); it != NativeEdits().end()) return it->second.Popup->Popup();
  if (TWinControl* control = FindControl(Edit))
    if (TFrameworkAttachment* a = FindFramework(control)) return a->Popup->Popup();
  return nullptr;
}

void InstallShellDialogs() {
  TShellUI& ui = ShellUI();
  ui.ShowProperties = [](HWND Owner, const std::vector<String>& Paths) { return ShowShellProperties(Owner, Paths); };
  ui.AutoComplete = [](HWND Edit, uint32_t Flags) { return AttachAutoComplete(Edit, Flags); };
}
