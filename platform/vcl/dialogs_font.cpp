// The font dialog: three simple combo boxes (family, style, size), the
// effects (strike-out, underline, colour) and a sample the dialog draws with
// the chosen font. Each box compares its text with what it started with, so
// whatever the user leaves alone goes back exactly as it came.
#include "platform/vcl/dialogs_font.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>

#include "platform/gui/syscolors.h"
#include "platform/gui/text.h"
#include "platform/gui/fonts.h"
#include "platform/gui/win_paint.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/strings.h"
#include "platform/vcl/dialogs_manager.h"
#include "platform/vcl/dialogs_msgbox.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls_native.h"

namespace {

inline constexpr int32_t kMaxPoints = 1638;  // the largest size a LOGFONT height of 16 bits can hold at 96 ppi
const int32_t kSizes[] = {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};
const char* const kStyles[] = {"Regular", "Italic", "Bold", "Bold Italic"};

struct TNamedColor {
  const char* Name;
  TColor Color;
};
const TNamedColor kColors[] = {
    {"Black", clBlack},   {"Maroon", clMaroon},   {"Green", clGreen}, {"Olive", clOlive},
    {"Navy", clNavy},     {"Purple", clPurple},   {"Teal", clTeal},   {"Gray", clGray},
    {"Silver", clSilver}, {"Red", clRed},         {"Lime", clLime},   {"Yellow", clYellow},
    {"Blue", clBlue},     {"Fuchsia", clFuchsia}, {"Aqua", clAqua},   {"White", clWhite},
};

// Dialog-unit layout.
const TRect kSampleArea{98, 102, 258, 154};

struct TFontDlg {
  CHOOSEFONT* Cf = nullptr;
  LOGFONT Initial;  // what the boxes started from
  String InitialFamily, InitialStyle, InitialSize;
  int32_t InitialTenths = 0;  // the size shown at the start, tenths of a point
  int32_t MinPoints = 1, MaxPoints = kMaxPoints;
  std::vector<String> Families;
  TRect Sample;
  bool Effects = false;
};

TFontDlg* State(HWND h) { return reinterpret_cast<TFontDlg*>(GetWindowLong(h, DWLP_USER)); }

intptr_t CallHook(HWND h, TFontDlg* s, uint32_t msg, WPARAM w, LPARAM l) {
  if (s == nullptr || (s->Cf->Flags & CF_ENABLEHOOK) == 0 || s->Cf->lpfnHook == nullptr) return 0;
  return s->Cf->lpfnHook(h, msg, w, l);
}

String StyleName(int32_t weight, bool italic) {
  const bool bold = weight >= FW_SEMIBOLD;
  return kStyles[(bold ? 2 : 0) + (italic ? 1 : 0)];
}

// Tenths of a point of a LOGFONT height: a character height directly, a cell
// height (or 0, the default cell) through the face's internal leading.
int32_t TenthsOfHeight(const LOGFONT& lf) {
  int32_t em = -lf.lfHeight;
  if (lf.lfHeight >= 0) {
    HFONT f = CreateFontIndirect(lf);
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, f);
    TEXTMETRIC tm;
    GetTextMetrics(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    DeleteObject(f);
    em = tm.tmHeight - tm.tmInternalLeading;
  }
  return MulDiv(em, 72, 96) * 10;  // whole points, as the framework's font sizes
}

String TenthsText(int32_t tenths) {
  String s = IntToStr(tenths / 10);
  if (tenths % 10 != 0) s += "." + IntToStr(tenths % 10);
  return s;
}

// A size typed as digits with at most one decimal; false otherwise.
bool ParseTenths(const String& text, int32_t& tenths) {
  const String t = Trim(text);
  size_t i = 0;
  int64_t whole = 0;
  while (i < t.size() && t[i] >= '0' && t[i] <= '9' && whole < 100000) whole = whole * 10 + (t[i++] - '0');
  if (i == 0) return false;
  int32_t frac = 0;
  if (i < t.size() && (t[i] == '.' || t[i] == ',')) {
    ++i;
    if (i < t.size() && t[i] >= '0' && t[i] <= '9') frac = t[i++] - '0';
  }
  if (i != t.size()) return false;
  tenths = int32_t(std::min<int64_t>(whole * 10 + frac, INT32_MAX / 2));
  return true;
}

String BoxText(HWND h, int32_t id) { return GetDlgItemTextString(h, id); }

// The listed family equal to name ignoring case; "" when none.
String ListedFamily(const TFontDlg* s, const String& name) {
  const String t = Trim(name);
  for (const String& f : s->Families)
    if (SameText(f, t)) return f;
  return String();
}

// The face name the family box stands for.
String FaceOf(HWND h, const TFontDlg* s) {
  const String text = BoxText(h, kFontFamilyId);
  if (text == s->InitialFamily) return s->Initial.lfFaceName;
  const String listed = ListedFamily(s, text);
  return listed.empty() ? Trim(text) : listed;
}

int32_t StyleIndex(const String& text) {
  for (int32_t i = 0; i < 4; ++i)
    if (SameText(Trim(text), kStyles[i])) return i;
  return -1;
}

COLORREF CurrentColor(HWND h, const TFontDlg* s) {
  if (!s->Effects) return s->Cf->rgbColors;
  const LRESULT i = SendDlgItemMessage(h, kFontColorId, CB_GETCURSEL, 0, 0);
  if (i < 0) return s->Cf->rgbColors;
  return COLORREF(SendDlgItemMessage(h, kFontColorId, CB_GETITEMDATA, WPARAM(i), 0));
}

// The font the boxes describe; parts that cannot be read keep their start.
LOGFONT CurrentLogFont(HWND h, const TFontDlg* s, int32_t* tenthsOut = nullptr) {
  LOGFONT lf = s->Initial;
  lf.lfFaceName = FaceOf(h, s);
  const String style = BoxText(h, kFontStyleId);
  if (style != s->InitialStyle)
    if (const int32_t i = StyleIndex(style); i >= 0) {
      lf.lfWeight = i >= 2 ? FW_BOLD : FW_NORMAL;
      lf.lfItalic = (i % 2) != 0 ? 1 : 0;
    }
  int32_t tenths = s->InitialTenths;
  const String size = BoxText(h, kFontSizeId);
  if (size != s->InitialSize && ParseTenths(size, tenths) && tenths > 0)
    lf.lfHeight = -MulDiv(tenths, 96, 720);
  else
    tenths = s->InitialTenths;
  if (tenthsOut != nullptr) *tenthsOut = tenths;
  if (s->Effects) {
    lf.lfStrikeOut = IsDlgButtonChecked(h, kFontStrikeOutId) == BST_CHECKED ? 1 : 0;
    lf.lfUnderline = IsDlgButtonChecked(h, kFontUnderlineId) == BST_CHECKED ? 1 : 0;
  }
  return lf;
}

void InvalidateSample(HWND h, TFontDlg* s) { InvalidateRect(h, &s->Sample, true); }

void PaintSample(HWND h, TFontDlg* s) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(h, &ps);
  TRect r = s->Sample;
  DrawEdge(dc, r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  FillRect(dc, r, GetSysColorBrush(COLOR_BTNFACE));
  const int32_t saved = SaveDC(dc);
  IntersectClipRect(dc, r.Left, r.Top, r.Right, r.Bottom);
  HFONT f = CreateFontIndirect(CurrentLogFont(h, s));
  SelectObject(dc, f);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, s->Effects ? CurrentColor(h, s) : GetSysColor(COLOR_WINDOWTEXT));
  String text = "AaBbYyZz";
  DrawText(dc, text, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  RestoreDC(dc, saved);
  DeleteObject(f);
  EndPaint(h, &ps);
}

void Refuse(HWND h, int32_t focusId, const String& text) {
  PlainMessageBox(h, text, "Font", MB_OK | MB_ICONEXCLAMATION);
  if (HWND c = GetDlgItem(h, focusId)) {
    SetFocus(c);
    SendMessage(c, CB_SETEDITSEL, 0, MAKELPARAM(0, 0xFFFF));
  }
}

bool Validate(HWND h, TFontDlg* s) {
  const String family = BoxText(h, kFontFamilyId);
  if (Trim(family).empty()) {
    Refuse(h, kFontFamilyId, "Choose a font from the list of fonts.");
    return false;
  }
  if ((s->Cf->Flags & CF_FORCEFONTEXIST) != 0) {
    const String face = FaceOf(h, s);
    if (ListedFamily(s, face).empty() && FontSubstitute(face).empty()) {
      Refuse(h, kFontFamilyId, "The font \"" + face + "\" is not installed.\nChoose a font from the list of fonts.");
      return false;
    }
  }
  const String style = BoxText(h, kFontStyleId);
  if (style != s->InitialStyle && StyleIndex(style) < 0) {
    Refuse(h, kFontStyleId, "This font has no style \"" + Trim(style) + "\".\nChoose a style from the list of styles.");
    return false;
  }
  int32_t tenths = s->InitialTenths;
  const String size = BoxText(h, kFontSizeId);
  if (size != s->InitialSize && (!ParseTenths(size, tenths) || tenths <= 0)) {
    Refuse(h, kFontSizeId, "Size must be a number.");
    return false;
  }
  if (tenths < s->MinPoints * 10 || tenths > s->MaxPoints * 10) {
    Refuse(h, kFontSizeId,
           "Size must be between " + IntToStr(s->MinPoints) + " and " + IntToStr(s->MaxPoints) + " points.");
    return false;
  }
  return true;
}

void Accept(HWND h, TFontDlg* s) {
  if (!Validate(h, s)) return;
  int32_t tenths = 0;
  const LOGFONT lf = CurrentLogFont(h, s, &tenths);
  *s->Cf->lpLogFont = lf;
  s->Cf->iPointSize = tenths;
  s->Cf->rgbColors = CurrentColor(h, s);
  s->Cf->nFontType = uint16_t(SCREEN_FONTTYPE | (lf.lfWeight >= FW_SEMIBOLD ? BOLD_FONTTYPE : 0) |
                              (lf.lfItalic ? ITALIC_FONTTYPE : 0) |
                              (lf.lfWeight < FW_SEMIBOLD && !lf.lfItalic ? REGULAR_FONTTYPE : 0));
  EndDialog(h, IDOK);
}

// Typing in a box selects the list item it names, leaving the text alone.
void SyncList(HWND h, int32_t id) {
  HWND combo = GetDlgItem(h, id);
  HWND list = GetDlgItem(combo, 1000);
  if (list == nullptr) return;
  const String text = Trim(BoxText(h, id));
  const LRESULT i = SendMessage(list, LB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>(text.c_str()));
  SendMessage(list, LB_SETCURSEL, WPARAM(i), 0);
  if (i >= 0) SendMessage(list, LB_SETTOPINDEX, WPARAM(i), 0);
}

void SelectInitial(HWND h, int32_t id, const String& text) {
  const LRESULT i = SendDlgItemMessage(h, id, CB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>(text.c_str()));
  if (i >= 0) SendDlgItemMessage(h, id, CB_SETCURSEL, WPARAM(i), 0);
  SetDlgItemText(h, id, text.c_str());
  HWND list = GetDlgItem(GetDlgItem(h, id), 1000);
  if (list != nullptr && i >= 0) SendMessage(list, LB_SETTOPINDEX, WPARAM(i), 0);
}

void Init(HWND h, TFontDlg* s) {
  CHOOSEFONT* cf = s->Cf;
  s->Effects = (cf->Flags & CF_EFFECTS) != 0;
  s->Families = FontDialogFamilies();
  if ((cf->Flags & CF_INITTOLOGFONTSTRUCT) != 0) {
    s->Initial = *cf->lpLogFont;
  } else {
    s->Initial = LOGFONT{};
    s->Initial.lfFaceName = s->Families.empty() ? String() : s->Families.front();
    s->Initial.lfHeight = -MulDiv(10, 96, 72);
    s->Initial.lfWeight = FW_NORMAL;
  }
  if ((cf->Flags & CF_LIMITSIZE) != 0) {
    s->MinPoints = std::clamp(cf->nSizeMin, 1, kMaxPoints);
    s->MaxPoints = cf->nSizeMax > 0 ? std::clamp(cf->nSizeMax, s->MinPoints, kMaxPoints) : kMaxPoints;
  }
  s->InitialTenths = TenthsOfHeight(s->Initial);
  s->InitialFamily = s->Initial.lfFaceName;
  s->InitialStyle = StyleName(s->Initial.lfWeight, s->Initial.lfItalic != 0);
  s->InitialSize = TenthsText(s->InitialTenths);
  s->Sample = TRect(kSampleArea);
  MapDialogRect(h, &s->Sample);

  for (const String& f : s->Families)
    SendDlgItemMessage(h, kFontFamilyId, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(f.c_str()));
  for (const char* st : kStyles) SendDlgItemMessage(h, kFontStyleId, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(st));
  for (int32_t size : kSizes)
    if (size >= s->MinPoints && size <= s->MaxPoints) {
      const String t = IntToStr(size);
      SendDlgItemMessage(h, kFontSizeId, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(t.c_str()));
    }
  SelectInitial(h, kFontFamilyId, s->InitialFamily);
  SelectInitial(h, kFontStyleId, s->InitialStyle);
  SelectInitial(h, kFontSizeId, s->InitialSize);

  if (s->Effects) {
    CheckDlgButton(h, kFontStrikeOutId, s->Initial.lfStrikeOut ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(h, kFontUnderlineId, s->Initial.lfUnderline ? BST_CHECKED : BST_UNCHECKED);
    const COLORREF start = cf->rgbColors;
    LRESULT sel = -1;
    for (const TNamedColor& c : kColors) {
      const LRESULT i = SendDlgItemMessage(h, kFontColorId, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(c.Name));
      SendDlgItemMessage(h, kFontColorId, CB_SETITEMDATA, WPARAM(i), LPARAM(c.Color));
      if (COLORREF(c.Color) == start) sel = i;
    }
    if (sel < 0) {  // a colour of its own keeps its exact value
      sel = SendDlgItemMessage(h, kFontColorId, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Custom"));
      SendDlgItemMessage(h, kFontColorId, CB_SETITEMDATA, WPARAM(sel), LPARAM(start));
    }
    SendDlgItemMessage(h, kFontColorId, CB_SETCURSEL, WPARAM(sel), 0);
  }

  // Centred on the owner's monitor.
  HWND owner = GetParent(h);
  MONITORINFO mi;
  GetMonitorInfo(owner != nullptr ? MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST)
                                  : MonitorFromPoint(TPoint{0, 0}, MONITOR_DEFAULTTOPRIMARY),
                 &mi);
  TRect wr;
  GetWindowRect(h, &wr);
  SetWindowPos(h, nullptr, mi.rcWork.Left + std::max(0, (mi.rcWork.Width() - wr.Width()) / 2),
               mi.rcWork.Top + std::max(0, (mi.rcWork.Height() - wr.Height()) / 2), 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  TDialogInfo info;
  info.Kind = TDialogKind::dkFont;
  info.Caption = "Font";
  info.Text = s->InitialFamily;
  for (int32_t id : {IDOK, IDCANCEL, kFontApplyId, kFontHelpId})
    if (GetDlgItem(h, id) != nullptr) info.Buttons.push_back(GetDlgItemTextString(h, id));
  SetDialogInfo(h, info);
}

bool Command(HWND h, TFontDlg* s, int32_t id, uint32_t code) {
  switch (id) {
    case kFontFamilyId:
    case kFontStyleId:
    case kFontSizeId:
      if (code == CBN_EDITCHANGE) SyncList(h, id);
      if (code == CBN_EDITCHANGE || code == CBN_SELCHANGE) InvalidateSample(h, s);
      return true;
    case kFontColorId:
      if (code == CBN_SELCHANGE) InvalidateSample(h, s);
      return true;
    case kFontStrikeOutId:
    case kFontUnderlineId:
      if (code == BN_CLICKED) InvalidateSample(h, s);
      return true;
    case IDOK:
      if (code == BN_CLICKED) Accept(h, s);
      return true;
    case IDCANCEL:
      if (code == BN_CLICKED) EndDialog(h, IDCANCEL);
      return true;
    case kFontHelpId:
      if (code == BN_CLICKED) {
        HWND owner = s->Cf->hwndOwner;
        if (owner == nullptr && Application != nullptr) owner = Application->Handle();
        if (owner != nullptr)
          SendMessage(owner, RegisterWindowMessage(HELPMSGSTRING), reinterpret_cast<WPARAM>(h),
                      reinterpret_cast<LPARAM>(s->Cf));
      }
      return true;
    default: return false;
  }
}

intptr_t FontProc(HWND h, uint32_t msg, WPARAM w, LPARAM l) {
  TFontDlg* s = msg == WM_INITDIALOG ? reinterpret_cast<TFontDlg*>(l) : State(h);
  if (s == nullptr) return 0;
  if (msg == WM_INITDIALOG) {
    SetWindowLong(h, DWLP_USER, l);
    Init(h, s);
    if ((s->Cf->Flags & CF_ENABLEHOOK) != 0 && s->Cf->lpfnHook != nullptr)
      return s->Cf->lpfnHook(h, msg, w, reinterpret_cast<LPARAM>(s->Cf));
    return 1;
  }
  if (const intptr_t r = CallHook(h, s, msg, w, l); r != 0) return r;
  switch (msg) {
    case WM_CHOOSEFONT_GETLOGFONT:  // also DM_SETDEFID, which carries no pointer
      if (l == 0) return 0;
      *reinterpret_cast<LOGFONT*>(l) = CurrentLogFont(h, s);
      SetWindowLong(h, DWLP_MSGRESULT, 1);
      return 1;
    case WM_PAINT: PaintSample(h, s); return 1;
    case WM_COMMAND: return Command(h, s, LOWORD(w), HIWORD(w)) ? 1 : 0;
    default: return 0;
  }
}

TDialogTemplate FontTemplate(uint32_t flags) {
  TDialogTemplate t;
  t.Style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
  t.ExStyle = WS_EX_DLGMODALFRAME;
  t.CX = 264;
  t.CY = 160;
  t.Title = "Font";
  const uint32_t label = WS_CHILD | WS_VISIBLE | SS_LEFT;
  const uint32_t combo = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_GROUP | CBS_SIMPLE | CBS_AUTOHSCROLL | CBS_HASSTRINGS;
  const uint32_t button = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
  t.Items = {
      {"Static", 0x0440, "&Font:", label, 0, 6, 3, 94, 9},
      {"ComboBox", kFontFamilyId, "", combo, 0, 6, 13, 94, 76},
      {"Static", 0x0441, "Font st&yle:", label, 0, 108, 3, 64, 9},
      {"ComboBox", kFontStyleId, "", combo, 0, 108, 13, 64, 76},
      {"Static", 0x0442, "&Size:", label, 0, 179, 3, 32, 9},
      {"ComboBox", kFontSizeId, "", combo, 0, 179, 13, 32, 76},
      {"Button", IDOK, "OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, 0, 218, 6, 40, 14},
      {"Button", IDCANCEL, "Cancel", button, 0, 218, 23, 40, 14},
  };
  int32_t y = 40;
  if ((flags & CF_APPLY) != 0) {
    t.Items.push_back({"Button", kFontApplyId, "&Apply", button, 0, 218, y, 40, 14});
    y += 17;
  }
  if ((flags & CF_SHOWHELP) != 0) t.Items.push_back({"Button", kFontHelpId, "&Help", button, 0, 218, y, 40, 14});
  if ((flags & CF_EFFECTS) != 0) {
    t.Items.push_back(
        {"Button", kFontEffectsGroupId, "Effects", WS_CHILD | WS_VISIBLE | BS_GROUPBOX, 0, 6, 92, 84, 62});
    t.Items.push_back({"Button", kFontStrikeOutId, "Stri&keout",
                       WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_GROUP | BS_AUTOCHECKBOX, 0, 12, 104, 70, 10});
    t.Items.push_back({"Button", kFontUnderlineId, "&Underline", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX,
                       0, 12, 116, 70, 10});
    t.Items.push_back({"Static", kFontColorLabelId, "&Color:", label, 0, 12, 128, 70, 9});
    t.Items.push_back({"ComboBox", kFontColorId, "",
                       WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_GROUP | CBS_DROPDOWNLIST | CBS_HASSTRINGS, 0, 12, 138,
                       70, 12});
  }
  t.Items.push_back({"Static", 0x0445, "Sample", label, 0, 98, 92, 60, 9});
  return t;
}

}  // namespace

std::vector<String> FontDialogFamilies() {
  std::vector<String> out;
  FcPattern* pattern = FcPatternCreate();
  FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
  if (pattern != nullptr && objects != nullptr) {
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    if (FcFontSet* set = FcFontList(nullptr, pattern, objects)) {
      for (int i = 0; i < set->nfont; ++i) {
        FcChar8* family = nullptr;
        if (FcPatternGetString(set->fonts[i], FC_FAMILY, 0, &family) == FcResultMatch && family != nullptr)
          out.emplace_back(reinterpret_cast<const char*>(family));
      }
      FcFontSetDestroy(set);
    }
  }
  if (objects != nullptr) FcObjectSetDestroy(objects);
  if (pattern != nullptr) FcPatternDestroy(pattern);
  std::sort(out.begin(), out.end(), [](const String& a, const String& b) {
    const int32_t c = CompareText(a, b);
    return c != 0 ? c < 0 : a < b;
  });
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

bool ChooseFont(CHOOSEFONT* cf) {
  if (cf == nullptr || cf->lStructSize != sizeof(CHOOSEFONT) || cf->lpLogFont == nullptr) return false;
  TFontDlg state;
  state.Cf = cf;
  const intptr_t r = DialogBoxIndirectParam(nullptr, FontTemplate(cf->Flags), cf->hwndOwner, FontProc,
                                            reinterpret_cast<LPARAM>(&state));
  return r == IDOK;
}

// ================================================================================
// TFontDialog
// ================================================================================

TFontDialog::TFontDialog(TComponent* AOwner) : TCommonDialog(AOwner), FFont(new TFont) {}

TFontDialog::~TFontDialog() { delete FFont; }

intptr_t TFontDialog::Hook(HWND hdlg, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  if (msg != WM_INITDIALOG) return 0;
  auto* cf = reinterpret_cast<CHOOSEFONT*>(lParam);
  reinterpret_cast<TFontDialog*>(cf->lCustData)->AttachDialog(hdlg, msg, wParam, lParam);
  return 1;
}

void TFontDialog::WndProc(TMessage& Message) {
  if (Message.Msg == WM_COMMAND && LOWORD(Message.WParam) == kFontApplyId && HIWORD(Message.WParam) == BN_CLICKED) {
    TakeFrom(Handle());
    if (OnApply) OnApply(this, Handle());
    Message.Result = 0;
    return;
  }
  TCommonDialog::WndProc(Message);
}

void TFontDialog::TakeFrom(HWND hdlg) {
  LOGFONT lf;
  SendMessage(hdlg, WM_CHOOSEFONT_GETLOGFONT, 0, reinterpret_cast<LPARAM>(&lf));
  FFont->SetHandle(CreateFontIndirect(lf));
  if (!FOptions.Contains(TFontDialogOption::fdEffects)) return;
  const LRESULT i = SendDlgItemMessage(hdlg, kFontColorId, CB_GETCURSEL, 0, 0);
  if (i < 0) return;
  const COLORREF rgb = COLORREF(SendDlgItemMessage(hdlg, kFontColorId, CB_GETITEMDATA, WPARAM(i), 0));
  FFont->SetColor(rgb == COLORREF(ColorToRGB(FColorIn)) ? FColorIn : TColor(rgb));
}

bool TFontDialog::Execute(HWND ParentWnd) {
  LOGFONT lf;
  GetObject(FFont->Handle(), int32_t(sizeof(LOGFONT)), &lf);
  FColorIn = FFont->Color();
  CHOOSEFONT cf;
  cf.hwndOwner = ParentWnd;
  cf.lpLogFont = &lf;
  cf.rgbColors = COLORREF(ColorToRGB(FColorIn)) & 0xFFFFFF;
  cf.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_ENABLEHOOK;
  const std::pair<TFontDialogOption, uint32_t> flags[] = {
      {TFontDialogOption::fdAnsiOnly, CF_ANSIONLY},
      {TFontDialogOption::fdTrueTypeOnly, CF_TTONLY},
      {TFontDialogOption::fdEffects, CF_EFFECTS},
      {TFontDialogOption::fdFixedPitchOnly, CF_FIXEDPITCHONLY},
      {TFontDialogOption::fdForceFontExist, CF_FORCEFONTEXIST},
      {TFontDialogOption::fdNoFaceSel, CF_NOFACESEL},
      {TFontDialogOption::fdNoSimulations, CF_NOSIMULATIONS},
      {TFontDialogOption::fdNoSizeSel, CF_NOSIZESEL},
      {TFontDialogOption::fdNoStyleSel, CF_NOSTYLESEL},
      {TFontDialogOption::fdNoVectorFonts, CF_NOVECTORFONTS},
      {TFontDialogOption::fdShowHelp, CF_SHOWHELP},
      {TFontDialogOption::fdWysiwyg, CF_WYSIWYG},
      {TFontDialogOption::fdLimitSize, CF_LIMITSIZE},
      {TFontDialogOption::fdScalableOnly, CF_SCALABLEONLY},
      {TFontDialogOption::fdApplyButton, CF_APPLY},
  };
  for (const auto& [option, flag] : flags)
    if (FOptions.Contains(option)) cf.Flags |= flag;
  if (FOptions.Contains(TFontDialogOption::fdLimitSize)) {
    cf.nSizeMin = FMinFontSize;
    cf.nSizeMax = FMaxFontSize;
  }
  cf.lCustData = reinterpret_cast<LPARAM>(this);
  cf.lpfnHook = &TFontDialog::Hook;
  const bool result = TaskModalDialog([&] { return ChooseFont(&cf); });
  if (result) {
    FFont->SetHandle(CreateFontIndirect(lf));
    if (FOptions.Contains(TFontDialogOption::fdEffects))
      FFont->SetColor(cf.rgbColors == (COLORREF(ColorToRGB(FColorIn)) & 0xFFFFFF) ? FColorIn : TColor(cf.rgbColors));
  }
  return result;
}
