// The dialog manager: templates, dialog creation, the modal loop, the
// default dialog procedure and the dialog keyboard interface.
#include "platform/vcl/dialogs_manager.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>

#include "platform/gui/gdi.h"
#include "platform/gui/headless.h"
#include "platform/gui/syscolors.h"
#include "platform/gui/text.h"
#include "platform/gui/win_paint.h"
#include "platform/rtl/arith.h"
#include "platform/vcl/controls_internal.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/messages.h"
#include "platform/vcl/stdctrls_native.h"
#include "platform/rtl/scopeguard.h"

namespace {

String Lower(const String& s) {
  String r = s;
  for (char& c : r) c = char(std::tolower(static_cast<unsigned char>(c)));
  return r;
}

std::map<String, TDialogTemplate>& Templates() {
  static std::map<String, TDialogTemplate> templates;
  return templates;
}

struct TDlgState {
  HFONT Font = nullptr;
  bool OwnFont = false;
  TSize Base{4, 8};
  bool Modal = false;
  bool Ended = false;
  intptr_t Result = 0;
  int32_t DefId = 0;  // 0: the first BS_DEFPUSHBUTTON
  HWND SavedFocus = nullptr;
  TDialogInfo Info;
};

std::map<HWND, TDlgState>& States() {
  static std::map<HWND, TDlgState> states;
  return states;
}

TDlgState* FindState(HWND h) {
  auto it = States().find(h);
  return it == States().end() ? nullptr : &it->second;
}

TDialogWatcher& Watcher() {
  static TDialogWatcher watcher;
  return watcher;
}

// The dialog procedure calls on the stack: a dialog procedure that calls
// DefDlgProc for its own message must not be asked again.
struct TProcCall {
  HWND Hwnd;
  uint32_t Msg;
  WPARAM WParam;
  LPARAM LParam;
};
std::vector<TProcCall>& ProcCalls() {
  static std::vector<TProcCall> calls;
  return calls;
}

void ReportException() {
  if (Application != nullptr) {
    Application->HandleException(nullptr);
  } else {
    try {
      throw;
    } catch (const Exception& e) {
      std::fprintf(stderr, "exception in a dialog procedure: %s\n", e.Message().c_str());
    } catch (...) {
      std::fprintf(stderr, "exception in a dialog procedure\n");
    }
  }
}

void EnsureDialogClass() {
  RegisterStdControlClasses();
  WNDCLASS wc;
  if (GetClassInfo(nullptr, WC_DIALOG, &wc)) return;
  wc = WNDCLASS{};
  wc.style = CS_DBLCLKS | CS_SAVEBITS;
  wc.lpfnWndProc = DefDlgProc;
  wc.cbWndExtra = DLGWINDOWEXTRA;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(intptr_t(COLOR_BTNFACE + 1));
  wc.lpszClassName = WC_DIALOG;
  RegisterClass(wc);
}

// The control's own state: the dialog itself may not be shown yet.
bool ShownAndEnabled(HWND h) {
  const intptr_t style = GetWindowLong(h, GWL_STYLE);
  return (style & WS_VISIBLE) != 0 && (style & WS_DISABLED) == 0;
}

bool IsTabCandidate(HWND h) { return ShownAndEnabled(h) && (GetWindowLong(h, GWL_STYLE) & WS_TABSTOP) != 0; }

// A child dialog (DS_CONTROL) or a WS_EX_CONTROLPARENT child takes part in
// its parent's keyboard interface.
bool IsControlParent(HWND h) {
  if (GetWindowLong(h, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) return true;
  return (GetWindowLong(h, GWL_STYLE) & DS_CONTROL) != 0 && FindState(h) != nullptr;
}

void CollectControls(HWND parent, std::vector<HWND>& out) {
  for (HWND c = GetWindow(parent, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
    if (IsControlParent(c)) {
      if (ShownAndEnabled(c)) CollectControls(c, out);
    } else {
      out.push_back(c);
    }
  }
}

// The index in List of Control or of its nearest ancestor there; -1 if none.
int32_t IndexOf(const std::vector<HWND>& list, HWND control) {
  for (HWND h = control; h != nullptr; h = GetParent(h)) {
    auto it = std::find(list.begin(), list.end(), h);
    if (it != list.end()) return int32_t(it - list.begin());
  }
  return -1;
}

int32_t DefaultButtonId(HWND hdlg) {
  std::vector<HWND> all;
  CollectControls(hdlg, all);
  for (HWND c : all)
    if (SendMessage(c, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON) return GetDlgCtrlID(c);
  return 0;
}

void FocusControl(HWND control) {
  if (control == nullptr) return;
  SetFocus(control);
  if (SendMessage(control, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessage(control, EM_SETSEL, 0, -1);
}

bool AnswersDirectly(uint32_t msg) {
  return (msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC) || msg == WM_COMPAREITEM || msg == WM_VKEYTOITEM ||
         msg == WM_CHARTOITEM || msg == WM_QUERYDRAGICON || msg == WM_INITDIALOG;
}

void CenterOnMonitor(HWND h, HWND owner) {
  TRect r;
  GetWindowRect(h, &r);
  MONITORINFO mi;
  HMONITOR m = owner != nullptr && IsWindowVisible(owner) ? MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST)
                                                          : MonitorFromPoint(TPoint{0, 0}, MONITOR_DEFAULTTOPRIMARY);
  if (!GetMonitorInfo(m, &mi)) return;
  const TRect& w = mi.rcWork;
  const int32_t x = std::max(w.Left, w.Left + (w.Width() - r.Width()) / 2);
  const int32_t y = std::max(w.Top, w.Top + (w.Height() - r.Height()) / 2);
  SetWindowPos(h, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

// ================================================================================
// Templates
// ================================================================================

void RegisterDialogTemplate(const String& Name, const TDialogTemplate& Template) {
  Templates()[Lower(Name)] = Template;
}

bool UnregisterDialogTemplate(const String& Name) { return Templates().erase(Lower(Name)) != 0; }

const TDialogTemplate* FindDialogTemplate(const String& Name) {
  auto it = Templates().find(Lower(Name));
  return it == Templates().end() ? nullptr : &it->second;
}

String DialogFontFace(const String& Name) {
  const String l = Lower(Name);
  if (l == "helv" || l == "ms shell dlg" || l == "ms shell dlg 2") return "MS Sans Serif";
  return Name;
}

TSize DialogBaseUnitsOfFont(HFONT Font) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, Font != nullptr ? Font : GetStockObject(DEFAULT_GUI_FONT));
  static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  TSize size{0, 0};
  GetTextExtentPoint32(dc, kLetters, 52, &size);
  TEXTMETRIC tm;
  GetTextMetrics(dc, &tm);
  SelectObject(dc, old);
  DeleteDC(dc);
  return TSize{std::max(1, (size.cx / 26 + 1) / 2), std::max(1, tm.tmHeight)};
}

int32_t GetDialogBaseUnits() {
  const TSize b = DialogBaseUnitsOfFont(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
  return int32_t(MAKELONG(uint16_t(b.cx), uint16_t(b.cy)));
}

bool MapDialogRect(HWND hdlg, TRect* rect) {
  TDlgState* s = FindState(hdlg);
  if (s == nullptr || rect == nullptr) return false;
  rect->Left = MulDiv(rect->Left, s->Base.cx, 4);
  rect->Right = MulDiv(rect->Right, s->Base.cx, 4);
  rect->Top = MulDiv(rect->Top, s->Base.cy, 8);
  rect->Bottom = MulDiv(rect->Bottom, s->Base.cy, 8);
  return true;
}

// ================================================================================
// Creation
// ================================================================================

HWND CreateDialogIndirectParam(HINSTANCE Instance, const TDialogTemplate& Template, HWND Parent, DLGPROC DialogFunc,
                               LPARAM InitParam) {
  VclCheckThread("CreateDialogIndirectParam");
  EnsureDialogClass();
  HFONT font = nullptr;
  bool ownFont = false;
  if (Template.Style & DS_SETFONT) {
    LOGFONT lf;
    lf.lfHeight = -MulDiv(Template.PointSize, 96, 72);
    lf.lfWeight = FW_NORMAL;
    lf.lfFaceName = DialogFontFace(Template.FontName);
    font = CreateFontIndirect(lf);
    ownFont = font != nullptr;
  }
  if (font == nullptr) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  const TSize base = DialogBaseUnitsOfFont(font);
  auto px = [&](int32_t v) { return MulDiv(v, base.cx, 4); };
  auto py = [&](int32_t v) { return MulDiv(v, base.cy, 8); };

  const bool child = (Template.Style & WS_CHILD) != 0;
  const uint32_t style = Template.Style & ~WS_VISIBLE;
  HWND h = CreateWindowEx(Template.ExStyle | (child ? WS_EX_CONTROLPARENT : 0), WC_DIALOG, Template.Title.c_str(),
                          style, px(Template.X), py(Template.Y), px(Template.CX), py(Template.CY), Parent, nullptr,
                          Instance, nullptr);
  if (h == nullptr) {
    if (ownFont) DeleteObject(font);
    return nullptr;
  }
  TDlgState& s = States()[h];
  s.Font = font;
  s.OwnFont = ownFont;
  s.Base = base;
  s.Info.Caption = Template.Title;
  if (!child) {
    // The template gives the client size; the frame comes on top.
    TRect wr, cr;
    GetWindowRect(h, &wr);
    GetClientRect(h, &cr);
    SetWindowPos(h, nullptr, 0, 0, px(Template.CX) + wr.Width() - cr.Width(),
                 py(Template.CY) + wr.Height() - cr.Height(), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (Template.Style & DS_CENTER) {
      CenterOnMonitor(h, GetParent(h));
    } else if (HWND owner = GetParent(h)) {
      TPoint p{px(Template.X), py(Template.Y)};
      ClientToScreen(owner, &p);
      SetWindowPos(h, nullptr, p.X, p.Y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
  SetWindowLong(h, DWLP_DLGPROC, reinterpret_cast<intptr_t>(DialogFunc));
  SendMessage(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
  for (const TDialogItemTemplate& item : Template.Items) {
    HWND c = CreateWindowEx(item.ExStyle, item.ClassName.c_str(), item.Text.c_str(), item.Style | WS_CHILD, px(item.X),
                            py(item.Y), px(item.CX), py(item.CY), h, reinterpret_cast<HMENU>(intptr_t(item.Id)),
                            Instance, nullptr);
    if (c == nullptr) {
      if (Template.Style & DS_NOFAILCREATE) continue;
      DestroyWindow(h);
      return nullptr;
    }
    SendMessage(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
  }
  HWND first = GetNextDlgTabItem(h, nullptr, false);
  const LRESULT focus = SendMessage(h, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), InitParam);
  if (!IsWindow(h)) return nullptr;
  if (TDlgState* st = FindState(h)) st->SavedFocus = focus != 0 ? first : nullptr;
  if (Template.Style & WS_VISIBLE) {
    ShowWindow(h, child ? SW_SHOWNA : SW_SHOWNORMAL);
    if (focus != 0 && first != nullptr && IsWindow(first)) FocusControl(first);
  }
  return h;
}

HWND CreateDialogParam(HINSTANCE Instance, const char* TemplateName, HWND Parent, DLGPROC DialogFunc,
                       LPARAM InitParam) {
  const TDialogTemplate* t = TemplateName != nullptr ? FindDialogTemplate(TemplateName) : nullptr;
  if (t == nullptr) return nullptr;
  const TDialogTemplate copy = *t;  // a dialog procedure may register templates meanwhile
  return CreateDialogIndirectParam(Instance, copy, Parent, DialogFunc, InitParam);
}

// ================================================================================
// The modal loop
// ================================================================================

intptr_t DialogBoxIndirectParam(HINSTANCE Instance, const TDialogTemplate& Template, HWND Parent, DLGPROC DialogFunc,
                                LPARAM InitParam) {
  VclCheckThread("DialogBoxIndirectParam");
  HWND owner = Parent != nullptr ? GetAncestor(Parent, GA_ROOT) : nullptr;
  if (owner != nullptr && GetParent(owner) == nullptr && !IsWindowVisible(owner)) owner = nullptr;
  HWND previousActive = GetActiveWindow();
  TDialogTemplate t = Template;
  t.Style &= ~(WS_VISIBLE | WS_CHILD);
  t.Style |= WS_POPUP;
  HWND h = CreateDialogIndirectParam(Instance, t, owner, DialogFunc, InitParam);
  if (h == nullptr) return -1;
  TDlgState* s = FindState(h);
  if (s == nullptr) return -1;
  s->Modal = true;
  const bool ownerWasDisabled = owner != nullptr ? EnableWindow(owner, false) : true;
  intptr_t result = IDCANCEL;
  TDialogInfo info = s->Info;

  auto finish = [&]() {
    if (owner != nullptr && !ownerWasDisabled && IsWindow(owner)) EnableWindow(owner, true);
    if (IsWindow(h)) DestroyWindow(h);
    if (previousActive != nullptr && IsWindow(previousActive) && IsWindowVisible(previousActive) &&
        GetActiveWindow() != previousActive)
      SetActiveWindow(previousActive);
  };

  {
    auto cleanup = ScopeExit([&] { finish(); });
    if (!s->Ended) {
      ShowWindow(h, SW_SHOWNORMAL);
      if (TDlgState* st = FindState(h); st != nullptr && st->SavedFocus != nullptr && IsWindow(st->SavedFocus))
        FocusControl(st->SavedFocus);
      else if (HWND first = GetNextDlgTabItem(h, nullptr, false);
               first != nullptr && GetFocus() != first && !IsChild(h, GetFocus()))
        FocusControl(first);
    }
    if (TDlgState* st = FindState(h)) info = st->Info;
    if (Watcher().OnStart && IsWindow(h)) Watcher().OnStart(h, info);
    for (;;) {
      TDlgState* st = FindState(h);
      if (st == nullptr || st->Ended) break;
      if (Application != nullptr && Application->Terminated()) {
        st->Result = IDCANCEL;
        break;
      }
      TMSG msg;
      if (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
          PostQuitMessage(int32_t(msg.wParam));  // for the loop outside
          break;
        }
        try {
          if (!IsDialogMessage(h, &msg)) {
            TranslateMessage(&msg);
            DispatchMessage(&msg);
          }
        } catch (const EHeadlessHang&) {
          throw;
        } catch (...) {
          ReportException();
        }
        continue;
      }
      if (Application != nullptr) Application->DoIdle();
      st = FindState(h);
      if (st == nullptr || st->Ended) break;
      WaitMessage();
    }
    if (TDlgState* st = FindState(h)) result = st->Result;
  }
  if (Watcher().OnEnd) Watcher().OnEnd(h, info, result);
  return result;
}

intptr_t DialogBoxParam(HINSTANCE Instance, const char* TemplateName, HWND Parent, DLGPROC DialogFunc,
                        LPARAM InitParam) {
  const TDialogTemplate* t = TemplateName != nullptr ? FindDialogTemplate(TemplateName) : nullptr;
  if (t == nullptr) return -1;
  const TDialogTemplate copy = *t;
  return DialogBoxIndirectParam(Instance, copy, Parent, DialogFunc, InitParam);
}

bool EndDialog(HWND hdlg, intptr_t Result) {
  TDlgState* s = FindState(hdlg);
  if (s == nullptr) return false;
  s->Ended = true;
  s->Result = Result;
  if (!s->Modal) ShowWindow(hdlg, SW_HIDE);
  return true;
}

void SetDialogInfo(HWND hdlg, const TDialogInfo& Info) {
  if (TDlgState* s = FindState(hdlg)) s->Info = Info;
}

void SetDialogWatcher(TDialogWatcher W) { Watcher() = std::move(W); }

// ================================================================================
// The default dialog procedure
// ================================================================================

LRESULT DefDlgProc(HWND hdlg, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  auto proc = reinterpret_cast<DLGPROC>(GetWindowLong(hdlg, DWLP_DLGPROC));
  const auto& calls = ProcCalls();
  const bool reentered = !calls.empty() && calls.back().Hwnd == hdlg && calls.back().Msg == msg &&
                         calls.back().WParam == wParam && calls.back().LParam == lParam;
  if (proc != nullptr && !reentered) {
    intptr_t r = 0;
    ProcCalls().push_back(TProcCall{hdlg, msg, wParam, lParam});
    try {
      r = proc(hdlg, msg, wParam, lParam);
    } catch (const EHeadlessHang&) {
      ProcCalls().pop_back();
      throw;
    } catch (...) {
      ProcCalls().pop_back();
      ReportException();
      return 0;
    }
    ProcCalls().pop_back();
    if (r != 0) {
      if (AnswersDirectly(msg)) return r;
      return IsWindow(hdlg) ? GetWindowLong(hdlg, DWLP_MSGRESULT) : 0;
    }
    if (!IsWindow(hdlg)) return 0;
  }
  TDlgState* s = FindState(hdlg);
  switch (msg) {
    case WM_CLOSE: {
      HWND cancel = GetDlgItem(hdlg, IDCANCEL);
      if (cancel == nullptr || IsWindowEnabled(cancel))
        PostMessage(hdlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
      return 0;
    }
    case DM_GETDEFID: {
      const int32_t id = s != nullptr && s->DefId != 0 ? s->DefId : DefaultButtonId(hdlg);
      return id != 0 ? MAKELRESULT(id, DC_HASDEFID) : 0;
    }
    case DM_SETDEFID: {
      const int32_t old = s != nullptr && s->DefId != 0 ? s->DefId : DefaultButtonId(hdlg);
      if (HWND b = old != 0 ? GetDlgItem(hdlg, old) : nullptr)
        if (SendMessage(b, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON) SendMessage(b, BM_SETSTYLE, BS_PUSHBUTTON, 1);
      if (HWND b = GetDlgItem(hdlg, int32_t(wParam)))
        if (SendMessage(b, WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON)
          SendMessage(b, BM_SETSTYLE, BS_DEFPUSHBUTTON, 1);
      if (s != nullptr) s->DefId = int32_t(wParam);
      return 1;
    }
    case WM_NEXTDLGCTL: {
      HWND target = LOWORD(uintptr_t(lParam)) != 0 ? reinterpret_cast<HWND>(wParam)
                                                   : GetNextDlgTabItem(hdlg, GetFocus(), wParam != 0);
      FocusControl(target);
      return 0;
    }
    case WM_SETFONT:
      if (s != nullptr && reinterpret_cast<HFONT>(wParam) != s->Font) {
        if (s->OwnFont) DeleteObject(s->Font);
        s->Font = reinterpret_cast<HFONT>(wParam);
        s->OwnFont = false;
      }
      return 0;
    case WM_GETFONT: return s != nullptr ? reinterpret_cast<LRESULT>(s->Font) : 0;
    case WM_ACTIVATE:
      if (s != nullptr) {
        if (LOWORD(wParam) == WA_INACTIVE) {
          HWND f = GetFocus();
          if (f != nullptr && IsChild(hdlg, f)) s->SavedFocus = f;
        } else {
          HWND f = s->SavedFocus != nullptr && IsWindow(s->SavedFocus) ? s->SavedFocus
                                                                       : GetNextDlgTabItem(hdlg, nullptr, false);
          if (f != nullptr && !IsChild(hdlg, GetFocus())) FocusControl(f);
        }
      }
      return 0;
    case WM_NCDESTROY: {
      auto it = States().find(hdlg);
      if (it != States().end()) {
        if (it->second.OwnFont) DeleteObject(it->second.Font);
        States().erase(it);
      }
      return DefWindowProc(hdlg, msg, wParam, lParam);
    }
    default: break;
  }
  return DefWindowProc(hdlg, msg, wParam, lParam);
}

// ================================================================================
// Controls of a dialog
// ================================================================================

HWND GetDlgItem(HWND hdlg, int32_t Id) {
  for (HWND c = GetWindow(hdlg, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT))
    if (int32_t(GetWindowLong(c, GWL_ID)) == Id) return c;
  return nullptr;
}

int32_t GetDlgCtrlID(HWND hwnd) { return IsWindow(hwnd) ? int32_t(GetWindowLong(hwnd, GWL_ID)) : 0; }

bool SetDlgItemText(HWND hdlg, int32_t Id, const char* Text) {
  HWND c = GetDlgItem(hdlg, Id);
  return c != nullptr && SetWindowText(c, Text != nullptr ? Text : "");
}

uint32_t GetDlgItemText(HWND hdlg, int32_t Id, char* Buffer, int32_t Size) {
  HWND c = GetDlgItem(hdlg, Id);
  if (c == nullptr) {
    if (Buffer != nullptr && Size > 0) Buffer[0] = 0;
    return 0;
  }
  return uint32_t(GetWindowText(c, Buffer, Size));
}

String GetDlgItemTextString(HWND hdlg, int32_t Id) {
  HWND c = GetDlgItem(hdlg, Id);
  return c != nullptr ? GetWindowTextString(c) : String();
}

bool SetDlgItemInt(HWND hdlg, int32_t Id, uint32_t Value, bool Signed) {
  char buf[16];
  if (Signed)
    std::snprintf(buf, sizeof(buf), "%d", int32_t(Value));
  else
    std::snprintf(buf, sizeof(buf), "%u", Value);
  return SetDlgItemText(hdlg, Id, buf);
}

uint32_t GetDlgItemInt(HWND hdlg, int32_t Id, bool* Translated, bool Signed) {
  const String s = GetDlgItemTextString(hdlg, Id);
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool negative = false;
  if (Signed && i < s.size() && s[i] == '-') {
    negative = true;
    ++i;
  }
  const size_t start = i;
  int64_t v = 0;
  bool ok = true;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    v = v * 10 + (s[i] - '0');
    if (v > (Signed ? int64_t(0x80000000LL) : int64_t(0xFFFFFFFFLL))) ok = false;
  }
  while (i < s.size() && s[i] == ' ') ++i;
  if (i == start || i != s.size() || (Signed && !negative && v > 0x7FFFFFFF)) ok = false;
  if (Translated != nullptr) *Translated = ok;
  if (!ok) return 0;
  return negative ? uint32_t(-v) : uint32_t(v);
}

LRESULT SendDlgItemMessage(HWND hdlg, int32_t Id, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  HWND c = GetDlgItem(hdlg, Id);
  return c != nullptr ? SendMessage(c, msg, wParam, lParam) : 0;
}

bool CheckDlgButton(HWND hdlg, int32_t Id, uint32_t Check) {
  HWND c = GetDlgItem(hdlg, Id);
  if (c == nullptr) return false;
  SendMessage(c, BM_SETCHECK, Check, 0);
  return true;
}

uint32_t IsDlgButtonChecked(HWND hdlg, int32_t Id) { return uint32_t(SendDlgItemMessage(hdlg, Id, BM_GETCHECK, 0, 0)); }

bool CheckRadioButton(HWND hdlg, int32_t FirstId, int32_t LastId, int32_t CheckId) {
  for (int32_t id = FirstId; id <= LastId; ++id)
    SendDlgItemMessage(hdlg, id, BM_SETCHECK, id == CheckId ? BST_CHECKED : BST_UNCHECKED, 0);
  return true;
}

HWND GetNextDlgTabItem(HWND hdlg, HWND Control, bool Previous) {
  std::vector<HWND> all;
  CollectControls(hdlg, all);
  if (all.empty()) return nullptr;
  const int32_t n = int32_t(all.size());
  int32_t pos = Control != nullptr ? IndexOf(all, Control) : -1;
  if (pos < 0) pos = Previous ? 0 : n - 1;
  for (int32_t step = 1; step <= n; ++step) {
    const int32_t i = ((pos + (Previous ? -step : step)) % n + n) % n;
    if (IsTabCandidate(all[size_t(i)])) return all[size_t(i)];
  }
  return Control != nullptr && IsTabCandidate(Control) ? Control : nullptr;
}

HWND GetNextDlgGroupItem(HWND hdlg, HWND Control, bool Previous) {
  std::vector<HWND> all;
  CollectControls(hdlg, all);
  const int32_t pos = IndexOf(all, Control);
  if (pos < 0) return nullptr;
  auto isGroupStart = [&](int32_t i) { return i == 0 || (GetWindowLong(all[size_t(i)], GWL_STYLE) & WS_GROUP) != 0; };
  int32_t first = pos;
  while (!isGroupStart(first)) --first;
  int32_t last = pos;
  while (last + 1 < int32_t(all.size()) && !isGroupStart(last + 1)) ++last;
  const int32_t n = last - first + 1;
  for (int32_t step = 1; step < n; ++step) {
    const int32_t i = first + ((pos - first + (Previous ? -step : step)) % n + n) % n;
    HWND c = all[size_t(i)];
    if (ShownAndEnabled(c)) return c;
  }
  return all[size_t(pos)];
}

// ================================================================================
// The keyboard interface
// ================================================================================

bool IsDialogMessage(HWND hdlg, TMSG* msg) {
  if (msg == nullptr || hdlg == nullptr || !IsWindow(hdlg)) return false;
  if (msg->hwnd != hdlg && !IsChild(hdlg, msg->hwnd)) return false;
  if (msg->message == WM_KEYDOWN) {
    const LRESULT code = SendMessage(msg->hwnd, WM_GETDLGCODE, msg->wParam, reinterpret_cast<LPARAM>(msg));
    const bool wantsAll = (code & DLGC_WANTMESSAGE) != 0;
    HWND focus = GetFocus();
    switch (msg->wParam) {
      case VK_TAB:
        if (wantsAll || (code & DLGC_WANTTAB)) break;
        if ((GetKeyState(VK_CONTROL) & 0x8000) == 0) {
          FocusControl(GetNextDlgTabItem(hdlg, focus, (GetKeyState(VK_SHIFT) & 0x8000) != 0));
          return true;
        }
        break;
      case VK_LEFT:
      case VK_UP:
      case VK_RIGHT:
      case VK_DOWN:
        if (wantsAll || (code & DLGC_WANTARROWS)) break;
        if (focus != nullptr && IsChild(hdlg, focus)) {
          HWND next = GetNextDlgGroupItem(hdlg, focus, msg->wParam == VK_LEFT || msg->wParam == VK_UP);
          if (next != nullptr && next != focus) {
            SetFocus(next);
            if (SendMessage(next, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) SendMessage(next, BM_CLICK, 0, 0);
          }
        }
        return true;
      case VK_RETURN: {
        if (wantsAll) break;
        int32_t id = IDOK;
        HWND control = nullptr;
        if (focus != nullptr && IsChild(hdlg, focus) &&
            (SendMessage(focus, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON))) {
          control = focus;
          id = GetDlgCtrlID(focus);
        } else {
          const LRESULT d = SendMessage(hdlg, DM_GETDEFID, 0, 0);
          if (HIWORD(uintptr_t(d)) == DC_HASDEFID) id = LOWORD(uintptr_t(d));
          control = GetDlgItem(hdlg, id);
        }
        if (control != nullptr && !IsWindowEnabled(control)) {
          MessageBeep(0);
          return true;
        }
        SendMessage(hdlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
        return true;
      }
      case VK_ESCAPE: {
        if (wantsAll) break;
        HWND cancel = GetDlgItem(hdlg, IDCANCEL);
        if (cancel != nullptr && !IsWindowEnabled(cancel)) {
          MessageBeep(0);
          return true;
        }
        SendMessage(hdlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
        return true;
      }
      default: break;
    }
  }
  TranslateMessage(msg);
  DispatchMessage(msg);
  return true;
}
