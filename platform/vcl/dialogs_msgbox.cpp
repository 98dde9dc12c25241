// The plain message box: a dialog made at run time from its text, icon and
// buttons, laid out in dialog units of the dialog font.
#include "platform/vcl/dialogs_msgbox.h"

#include <algorithm>

#include "platform/gui/graphics.h"
#include "platform/gui/text.h"
#include "platform/gui/win_paint.h"
#include "platform/vcl/clipbrd.h"
#include "platform/vcl/dialogs_common.h"
#include "platform/vcl/dialogs_manager.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/stdctrls.h"
#include "platform/vcl/stdctrls_native.h"
#include "platform/rtl/scopeguard.h"

namespace {

inline constexpr int32_t kTextId = 0xFFFF;
inline constexpr int32_t kHelpId = 0x0E;  // not a result: mrNoToAll is 9
inline constexpr int32_t kIconSize = 32;

struct TBoxButton {
  int32_t Id;
  String Caption;
};

struct TPlainBox {
  String Text;
  String Caption;
  uint32_t IconId = 0;  // IDI_*, 0: none
  std::vector<TBoxButton> Buttons;
  size_t DefaultIndex = 0;
  int32_t EscapeId = 0;  // what Escape and the close box answer; 0: they do nothing
  bool Positioned = false;
  TPoint Position;
  HICON Icon = nullptr;
  TRect IconRect;
  std::vector<std::pair<HWND, WNDPROC>> ButtonProcs;  // the buttons' own procedures
};

// The box as text: caption, text and the buttons without their "&" marks.
String BoxAsText(const String& Caption, const String& Text, const std::vector<String>& Buttons) {
  const String rule = "---------------------------\n";
  String s = rule + Caption + "\n" + rule + Text + "\n" + rule;
  for (const String& b : Buttons) s += StripHotkey(b) + "   ";
  return s + "\n" + rule;
}

TPlainBox* BoxOf(HWND hdlg) { return reinterpret_cast<TPlainBox*>(GetWindowLong(hdlg, DWLP_USER)); }

// The buttons of a box take the keys a box answers wherever the focus is:
// Ctrl+C copies the box as text; a letter, with Alt or without, presses the
// button whose "&" accelerator it is.
LRESULT BoxButtonProc(HWND h, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  HWND dlg = GetParent(h);
  TPlainBox* box = BoxOf(dlg);
  WNDPROC own = nullptr;
  if (box != nullptr)
    for (const auto& [b, p] : box->ButtonProcs)
      if (b == h) own = p;
  if (own == nullptr) return DefWindowProc(h, msg, wParam, lParam);
  switch (msg) {
    case WM_KEYDOWN:
      if (wParam == 'C' && (GetKeyState(VK_CONTROL) & 0x8000) != 0 && (GetKeyState(VK_MENU) & 0x8000) == 0) {
        std::vector<String> captions;
        for (const TBoxButton& b : box->Buttons) captions.push_back(b.Caption);
        Clipboard()->SetAsText(BoxAsText(box->Caption, box->Text, captions));
        return 0;
      }
      break;
    case WM_CHAR:
    case WM_SYSCHAR:
      if (wParam > ' ')
        for (const TBoxButton& b : box->Buttons)
          if (IsAccel(uint32_t(wParam), b.Caption)) {
            SendMessage(GetDlgItem(dlg, b.Id), BM_CLICK, 0, 0);
            return 0;
          }
      break;
    default: break;
  }
  return CallWindowProc(own, h, msg, wParam, lParam);
}

TRect DlgUnits(HWND h, int32_t l, int32_t t, int32_t r, int32_t b) {
  TRect rc{l, t, r, b};
  MapDialogRect(h, &rc);
  return rc;
}

void Layout(HWND h, TPlainBox& box) {
  const TRect m = DlgUnits(h, 7, 7, 50, 14);  // margins; Right/Bottom: button size
  const TRect gap = DlgUnits(h, 4, 10, 10, 0);
  HWND owner = GetParent(h);
  MONITORINFO mi;
  GetMonitorInfo(owner != nullptr ? MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST)
                                  : MonitorFromPoint(TPoint{0, 0}, MONITOR_DEFAULTTOPRIMARY),
                 &mi);
  const int32_t textLeft = m.Left + (box.Icon != nullptr ? kIconSize + gap.Right : 0);
  const int32_t maxText = std::max(50, mi.rcWork.Width() * 2 / 3 - textLeft - m.Left);

  HDC dc = GetDC(h);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessage(h, WM_GETFONT, 0, 0)));
  TRect tr{0, 0, maxText, 0};
  String text = box.Text;
  DrawText(dc, text.c_str(), int32_t(text.size()), &tr, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
  SelectObject(dc, old);
  ReleaseDC(h, dc);

  const int32_t textH = std::max(tr.Height(), 1);
  const int32_t iconH = box.Icon != nullptr ? kIconSize : 0;
  const int32_t top = m.Top;
  const int32_t textTop = top + std::max(0, (iconH - textH) / 2);
  const int32_t contentBottom = std::max(textTop + textH, top + iconH);
  const int32_t n = int32_t(box.Buttons.size());
  const int32_t buttonsW = n * m.Right + (n - 1) * gap.Left;
  const int32_t clientW = std::max(textLeft + tr.Width() + m.Left, buttonsW + 2 * m.Left);
  const int32_t buttonsTop = contentBottom + gap.Top;
  const int32_t clientH = buttonsTop + m.Bottom + m.Top;

  box.IconRect = TRect{m.Left, top, m.Left + kIconSize, top + kIconSize};
  MoveWindow(GetDlgItem(h, kTextId), textLeft, textTop, tr.Width(), textH, false);
  int32_t x = (clientW - buttonsW) / 2;
  for (const TBoxButton& b : box.Buttons) {
    MoveWindow(GetDlgItem(h, b.Id), x, buttonsTop, m.Right, m.Bottom, false);
    x += m.Right + gap.Left;
  }
  // The frame measured on a window large enough to hold it (the box starts
  // out empty, where the frame has no room).
  SetWindowPos(h, nullptr, 0, 0, clientW + 200, clientH + 200, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  TRect wr, cr;
  GetWindowRect(h, &wr);
  GetClientRect(h, &cr);
  const int32_t w = clientW + wr.Width() - cr.Width();
  const int32_t hh = clientH + wr.Height() - cr.Height();
  int32_t px, py;
  if (box.Positioned) {
    px = box.Position.X;
    py = box.Position.Y;
  } else {
    px = mi.rcWork.Left + std::max(0, (mi.rcWork.Width() - w) / 2);
    py = mi.rcWork.Top + std::max(0, (mi.rcWork.Height() - hh) / 2);
  }
  SetWindowPos(h, nullptr, px, py, w, hh, SWP_NOZORDER | SWP_NOACTIVATE);
}

intptr_t BoxProc(HWND h, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  auto* box = reinterpret_cast<TPlainBox*>(GetWindowLong(h, DWLP_USER));
  switch (msg) {
    case WM_INITDIALOG: {
      box = reinterpret_cast<TPlainBox*>(lParam);
      SetWindowLong(h, DWLP_USER, lParam);
      Layout(h, *box);
      TDialogInfo info;
      info.Kind = TDialogKind::dkMessageBox;
      info.Caption = box->Caption;
      info.Text = box->Text;
      for (const TBoxButton& b : box->Buttons) info.Buttons.push_back(b.Caption);
      SetDialogInfo(h, info);
      for (const TBoxButton& b : box->Buttons) {
        HWND bh = GetDlgItem(h, b.Id);
        box->ButtonProcs.emplace_back(bh, reinterpret_cast<WNDPROC>(GetWindowLong(bh, GWL_WNDPROC)));
        SetWindowLong(bh, GWL_WNDPROC, reinterpret_cast<intptr_t>(&BoxButtonProc));
      }
      SetFocus(GetDlgItem(h, box->Buttons[box->DefaultIndex].Id));
      return 0;  // the focus is set
    }
    case WM_PAINT: {
      if (box == nullptr || box->Icon == nullptr) return 0;
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(h, &ps);
      DrawIconEx(dc, box->IconRect.Left, box->IconRect.Top, box->Icon, kIconSize, kIconSize, 0, nullptr, DI_NORMAL);
      EndPaint(h, &ps);
      return 1;
    }
    case WM_COMMAND: {
      if (box == nullptr || HIWORD(wParam) != BN_CLICKED) return 0;
      const int32_t id = LOWORD(wParam);
      if (id == kHelpId) return 1;  // no help system behind the box
      for (const TBoxButton& b : box->Buttons)
        if (b.Id == id) {
          EndDialog(h, id);
          return 1;
        }
      if (id == IDCANCEL && box->EscapeId != 0) EndDialog(h, box->EscapeId);
      return 1;
    }
    default: return 0;
  }
}

intptr_t RunBox(HWND Owner, TPlainBox& box, bool TaskModal) {
  TDialogTemplate t;
  t.Style = WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT | (box.EscapeId != 0 ? WS_SYSMENU : 0);
  t.ExStyle = WS_EX_DLGMODALFRAME;
  t.Title = box.Caption;
  t.Items.push_back(
      TDialogItemTemplate{"Static", kTextId, box.Text, WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, 0, 0, 0, 0});
  box.DefaultIndex = std::min(box.DefaultIndex, box.Buttons.size() - 1);
  for (size_t i = 0; i < box.Buttons.size(); ++i)
    t.Items.push_back(TDialogItemTemplate{"Button", box.Buttons[i].Id, box.Buttons[i].Caption,
                                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | (i == 0 ? WS_GROUP : 0) |
                                              (i == box.DefaultIndex ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON),
                                          0, 0, 0, 0, 0});
  if (box.IconId != 0) box.Icon = LoadIcon(nullptr, box.IconId);
  std::vector<HWND> disabled;
  if (TaskModal) {
    disabled = DisableTaskWindows(nullptr);
    Owner = nullptr;
  }
  intptr_t r = 0;
  {
    auto cleanup = ScopeExit([&] { EnableTaskWindows(disabled); });
    r = DialogBoxIndirectParam(nullptr, t, Owner, BoxProc, reinterpret_cast<LPARAM>(&box));
  }
  return r;
}

uint32_t IconOfType(TMsgDlgType t) {
  switch (t) {
    case TMsgDlgType::mtWarning: return IDI_EXCLAMATION;
    case TMsgDlgType::mtError: return IDI_HAND;
    case TMsgDlgType::mtInformation: return IDI_ASTERISK;
    case TMsgDlgType::mtConfirmation: return IDI_QUESTION;
    default: return 0;
  }
}

uint32_t BeepOfType(TMsgDlgType t) {
  switch (t) {
    case TMsgDlgType::mtWarning: return MB_ICONEXCLAMATION;
    case TMsgDlgType::mtError: return MB_ICONHAND;
    case TMsgDlgType::mtInformation: return MB_ICONASTERISK;
    case TMsgDlgType::mtConfirmation: return MB_ICONQUESTION;
    default: return 0;
  }
}

}  // namespace

int32_t MessageBox(HWND hwnd, const String& Text, const String& Caption, uint32_t Type) {
  TPlainBox box;
  box.Text = Text;
  box.Caption = Caption.empty() ? String("Error") : Caption;
  auto add = [&](int32_t id, const char* caption) { box.Buttons.push_back(TBoxButton{id, caption}); };
  switch (Type & MB_TYPEMASK) {
    case MB_OKCANCEL:
      add(IDOK, "OK");
      add(IDCANCEL, "Cancel");
      break;
    case MB_ABORTRETRYIGNORE:
      add(IDABORT, "&Abort");
      add(IDRETRY, "&Retry");
      add(IDIGNORE, "&Ignore");
      break;
    case MB_YESNOCANCEL:
      add(IDYES, "&Yes");
      add(IDNO, "&No");
      add(IDCANCEL, "Cancel");
      break;
    case MB_YESNO:
      add(IDYES, "&Yes");
      add(IDNO, "&No");
      break;
    case MB_RETRYCANCEL:
      add(IDRETRY, "&Retry");
      add(IDCANCEL, "Cancel");
      break;
    default: add(IDOK, "OK"); break;
  }
  for (const TBoxButton& b : box.Buttons)
    if (b.Id == IDCANCEL) box.EscapeId = IDCANCEL;
  if (box.Buttons.size() == 1) box.EscapeId = IDOK;
  box.DefaultIndex = (Type & MB_DEFBUTTON3) ? 2 : (Type & MB_DEFBUTTON2) ? 1 : 0;
  switch (Type & MB_ICONMASK) {
    case MB_ICONHAND: box.IconId = IDI_HAND; break;
    case MB_ICONQUESTION: box.IconId = IDI_QUESTION; break;
    case MB_ICONEXCLAMATION: box.IconId = IDI_EXCLAMATION; break;
    case MB_ICONASTERISK: box.IconId = IDI_ASTERISK; break;
    default: break;
  }
  MessageBeep(Type & MB_ICONMASK);
  return int32_t(RunBox(hwnd, box, (Type & MB_TASKMODAL) != 0));
}

void InstallPlainMessageBox() {
  SetMessageBoxHook([](HWND Owner, const String& Text, const String& Caption, uint32_t Flags) {
    return MessageBox(Owner, Text, Caption, Flags);
  });
}

String MsgDlgCaption(TMsgDlgType DlgType) {
  switch (DlgType) {
    case TMsgDlgType::mtWarning: return "Warning";
    case TMsgDlgType::mtError: return "Error";
    case TMsgDlgType::mtInformation: return "Information";
    case TMsgDlgType::mtConfirmation: return "Confirm";
    default: return Application != nullptr ? Application->Title() : String();
  }
}

String MsgDlgButtonCaption(TMsgDlgBtn Button) {
  static const char* const kCaptions[] = {"&Yes",    "&No",  "OK",         "Cancel",      "&Abort", "&Retry",
                                          "&Ignore", "&All", "N&o to All", "Yes to &All", "&Help"};
  return kCaptions[size_t(Button)];
}

TModalResult MsgDlgModalResult(TMsgDlgBtn Button) {
  static const TModalResult kResults[] = {mrYes,    mrNo,  mrOk,      mrCancel,   mrAbort, mrRetry,
                                          mrIgnore, mrAll, mrNoToAll, mrYesToAll, mrNone};
  return kResults[size_t(Button)];
}

TMsgDlgBtn MsgDlgDefaultButton(TMsgDlgButtons Buttons) {
  if (Buttons.Contains(TMsgDlgBtn::mbOK)) return TMsgDlgBtn::mbOK;
  if (Buttons.Contains(TMsgDlgBtn::mbYes)) return TMsgDlgBtn::mbYes;
  for (uint8_t b = 0; b <= uint8_t(TMsgDlgBtn::mbHelp); ++b)
    if (Buttons.Contains(TMsgDlgBtn(b))) return TMsgDlgBtn(b);
  return TMsgDlgBtn::mbOK;
}

bool MsgDlgCancelButton(TMsgDlgButtons Buttons, TMsgDlgBtn& Button) {
  for (TMsgDlgBtn b : {TMsgDlgBtn::mbCancel, TMsgDlgBtn::mbNo, TMsgDlgBtn::mbOK})
    if (Buttons.Contains(b)) {
      Button = b;
      return true;
    }
  return false;
}

int32_t MessageDlgPos(const String& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int32_t, int32_t X, int32_t Y) {
  if (Buttons.Empty()) Buttons.Include(TMsgDlgBtn::mbOK);
  TPlainBox box;
  box.Text = Msg;
  box.Caption = MsgDlgCaption(DlgType);
  box.IconId = IconOfType(DlgType);
  const TMsgDlgBtn def = MsgDlgDefaultButton(Buttons);
  for (uint8_t i = 0; i <= uint8_t(TMsgDlgBtn::mbHelp); ++i) {
    const TMsgDlgBtn b = TMsgDlgBtn(i);
    if (!Buttons.Contains(b)) continue;
    if (b == def) box.DefaultIndex = box.Buttons.size();
    box.Buttons.push_back(TBoxButton{b == TMsgDlgBtn::mbHelp ? kHelpId : MsgDlgModalResult(b), MsgDlgButtonCaption(b)});
  }
  TMsgDlgBtn cancel;
  if (MsgDlgCancelButton(Buttons, cancel)) box.EscapeId = MsgDlgModalResult(cancel);
  if (X != -1 && Y != -1) {
    box.Positioned = true;
    box.Position = TPoint{X, Y};
  }
  MessageBeep(BeepOfType(DlgType));
  const intptr_t r = RunBox(GetActiveWindow(), box, false);
  return r < 0 ? mrCancel : int32_t(r);
}

int32_t MessageDlg(const String& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int32_t HelpCtx) {
  return MessageDlgPos(Msg, DlgType, Buttons, HelpCtx, -1, -1);
}

void ShowMessage(const String& Msg) {
  TPlainBox box;
  box.Text = Msg;
  box.Caption = Application != nullptr ? Application->Title() : String();
  box.Buttons.push_back(TBoxButton{mrOk, MsgDlgButtonCaption(TMsgDlgBtn::mbOK)});
  box.EscapeId = mrOk;
  RunBox(GetActiveWindow(), box, false);
}

TForm* CreateMessageDialog(const String& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons) {
  static const char* const kNames[] = {"Yes",    "No",  "OK",      "Cancel",   "Abort", "Retry",
                                       "Ignore", "All", "NoToAll", "YesToAll", "Help"};
  if (Buttons.Empty()) Buttons.Include(TMsgDlgBtn::mbOK);
  auto* form = new TForm(Application);
  form->SetBorderStyle(TBorderStyle::bsDialog);
  form->SetCaption(MsgDlgCaption(DlgType));
  form->SetPosition(TPosition::poScreenCenter);
  form->SetDefaultMonitor(TDefaultMonitor::dmActiveForm);

  // The plain box's layout in dialog units of the form's font.
  const TSize bu = DialogBaseUnitsOfFont(form->Font()->Handle());
  auto dx = [&](int32_t v) { return MulDiv(v, bu.cx, 4); };
  auto dy = [&](int32_t v) { return MulDiv(v, bu.cy, 8); };
  const int32_t margin = dx(7), marginY = dy(7), buttonW = dx(50), buttonH = dy(14), gapX = dx(4), gapY = dy(10);
  TMonitor* monitor = nullptr;
  if (Screen != nullptr) {
    TCustomForm* active = Screen->ActiveCustomForm();
    monitor = active != nullptr && active->HandleAllocated() ? Screen->MonitorFromWindow(active->Handle())
                                                             : Screen->PrimaryMonitor();
  }
  const int32_t workW = monitor != nullptr ? monitor->WorkareaRect().Width() : 1024;
  const uint32_t iconId = IconOfType(DlgType);
  const int32_t textLeft = margin + (iconId != 0 ? kIconSize + dx(10) : 0);
  const int32_t maxText = std::max(50, workW * 2 / 3 - textLeft - margin);

  TRect tr{0, 0, maxText, 0};
  TCanvas* canvas = form->Canvas();
  canvas->Font()->Assign(form->Font());
  DrawText(canvas->Handle(), Msg.c_str(), int32_t(Msg.size()), &tr,
           DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
  const int32_t textH = std::max(tr.Height(), 1);
  const int32_t iconH = iconId != 0 ? kIconSize : 0;
  const int32_t textTop = marginY + std::max(0, (iconH - textH) / 2);

  if (iconId != 0) {
    auto* image = new TPaintBox(form);
    image->SetName("Image");
    image->SetParent(form);
    image->SetBounds(margin, marginY, kIconSize, kIconSize);
    HICON icon = LoadIcon(nullptr, iconId);
    image->OnPaint = [image, icon](TObject*) {
      DrawIconEx(image->Canvas()->Handle(), 0, 0, icon, kIconSize, kIconSize, 0, nullptr, DI_NORMAL);
    };
  }
  auto* message = new TLabel(form);
  message->SetName("Message");
  message->SetParent(form);
  message->SetAutoSize(false);
  message->SetWordWrap(true);
  message->SetShowAccelChar(false);
  message->SetCaption(Msg);
  message->SetBounds(textLeft, textTop, tr.Width(), textH);

  const TMsgDlgBtn def = MsgDlgDefaultButton(Buttons);
  TMsgDlgBtn cancel = TMsgDlgBtn::mbOK;
  const bool hasCancel = MsgDlgCancelButton(Buttons, cancel);
  const int32_t n = int32_t(Buttons.Count());
  const int32_t buttonsW = n * buttonW + (n - 1) * gapX;
  const int32_t clientW = std::max(textLeft + tr.Width() + margin, buttonsW + 2 * margin);
  const int32_t buttonsTop = std::max(textTop + textH, marginY + iconH) + gapY;
  int32_t x = (clientW - buttonsW) / 2;
  TButton* defButton = nullptr;
  for (uint8_t i = 0; i <= uint8_t(TMsgDlgBtn::mbHelp); ++i) {
    const TMsgDlgBtn b = TMsgDlgBtn(i);
    if (!Buttons.Contains(b)) continue;
    auto* button = new TButton(form);
    button->SetName(kNames[i]);
    button->SetParent(form);
    button->SetCaption(MsgDlgButtonCaption(b));
    button->SetModalResult(MsgDlgModalResult(b));
    button->SetBounds(x, buttonsTop, buttonW, buttonH);
    if (b == def) {
      button->SetDefault(true);
      defButton = button;
    }
    if (hasCancel && b == cancel) button->SetCancel(true);
    x += buttonW + gapX;
  }
  form->SetClientWidth(clientW);
  form->SetClientHeight(buttonsTop + buttonH + marginY);
  if (defButton != nullptr) form->SetActiveControl(defButton);
  return form;
}
