// The rich edit: the "Edit" engine with a host that gives it the rich edit's
// colours, font and event mask, and the framework classes over it.
#include "platform/vcl/comctrls_richedit.h"

#include <algorithm>
#include <cstring>

#include "platform/gui/syscolors.h"
#include "platform/gui/win_paint.h"
#include "platform/gui/win_scrollbars.h"
#include "platform/rtl/arith.h"
#include "platform/vcl/comctrls_common.h"
#include "platform/vcl/stdctrls_internal.h"

// ================================================================================
// "RICHEDIT50W"
// ================================================================================

namespace {

constexpr int32_t kHostSlot = int32_t(sizeof(intptr_t));

class TRichHost : public TEditHost {
 public:
  ~TRichHost() override {
    if (Brush != nullptr) DeleteObject(Brush);
    if (Font != nullptr) DeleteObject(Font);
  }

  HBRUSH EditColors(HWND, HDC dc) override {
    const COLORREF back = SystemBack ? GetSysColor(COLOR_WINDOW) : Back;
    SetTextColor(dc, (Format.dwEffects & CFE_AUTOCOLOR) != 0 ? GetSysColor(COLOR_WINDOWTEXT) : Format.crTextColor);
    SetBkColor(dc, back);
    if (Brush == nullptr || BrushColor != back) {
      if (Brush != nullptr) DeleteObject(Brush);
      Brush = CreateSolidBrush(back);
      BrushColor = back;
    }
    return Brush;
  }
  bool EditNotifies(HWND, uint32_t code) override {
    switch (code) {
      case EN_CHANGE: return (EventMask & ENM_CHANGE) != 0;
      case EN_UPDATE: return (EventMask & ENM_UPDATE) != 0;
      default: return true;
    }
  }
  uint32_t EditScrollFlags(HWND) override { return DisableNoScroll ? SIF_DISABLENOSCROLL : 0; }

  CHARFORMAT Format;
  bool SystemBack = true;
  COLORREF Back = 0;
  uint32_t EventMask = 0;
  bool DisableNoScroll = false;
  bool Ready = false;
  CHARRANGE LastSel;
  HFONT Font = nullptr;
  HBRUSH Brush = nullptr;
  COLORREF BrushColor = 0;
};

TRichHost* Host(HWND h) { return static_cast<TRichHost*>(StdEditHost(h)); }

void SetFace(CHARFORMAT& f, const String& face) {
  const size_t n = std::min(face.size(), sizeof f.szFaceName - 1);
  std::memcpy(f.szFaceName, face.data(), n);
  f.szFaceName[n] = 0;
}

// The engine's font from the format.
void ApplyFormatFont(HWND h, TRichHost* host, bool redraw) {
  LOGFONT lf;
  lf.lfHeight = -MulDiv(host->Format.yHeight, 96, 1440);
  lf.lfWeight = (host->Format.dwEffects & CFE_BOLD) != 0 ? 700 : 400;
  lf.lfItalic = (host->Format.dwEffects & CFE_ITALIC) != 0 ? 1 : 0;
  lf.lfUnderline = (host->Format.dwEffects & CFE_UNDERLINE) != 0 ? 1 : 0;
  lf.lfStrikeOut = (host->Format.dwEffects & CFE_STRIKEOUT) != 0 ? 1 : 0;
  lf.lfCharSet = host->Format.bCharSet;
  lf.lfFaceName = host->Format.szFaceName;
  HFONT font = CreateFontIndirect(lf);
  HFONT old = host->Font;
  host->Font = font;
  StdEditWndProc(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw ? 1 : 0);
  if (old != nullptr) DeleteObject(old);
}

void MergeFormat(CHARFORMAT& into, const CHARFORMAT& from) {
  const uint32_t effects = from.dwMask & CFM_EFFECTS;
  into.dwEffects = (into.dwEffects & ~effects) | (from.dwEffects & effects);
  if ((from.dwMask & CFM_COLOR) != 0) {
    into.dwEffects = (into.dwEffects & ~CFE_AUTOCOLOR) | (from.dwEffects & CFE_AUTOCOLOR);
    into.crTextColor = from.crTextColor;
  }
  if ((from.dwMask & CFM_SIZE) != 0 && from.yHeight > 0) into.yHeight = from.yHeight;
  if ((from.dwMask & CFM_FACE) != 0 && from.szFaceName[0] != 0) SetFace(into, from.szFaceName);
  if ((from.dwMask & CFM_CHARSET) != 0) into.bCharSet = from.bCharSet;
}

// The format as a font would give it.
void FormatFromFont(CHARFORMAT& f, HFONT font) {
  LOGFONT lf;
  if (font == nullptr || GetObject(font, int32_t(sizeof lf), &lf) == 0) return;
  const int32_t px = lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight;
  if (px > 0) f.yHeight = MulDiv(px, 1440, 96);
  if (!lf.lfFaceName.empty()) SetFace(f, lf.lfFaceName);
  f.dwEffects &= ~(CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE | CFE_STRIKEOUT);
  if (lf.lfWeight >= 600) f.dwEffects |= CFE_BOLD;
  if (lf.lfItalic != 0) f.dwEffects |= CFE_ITALIC;
  if (lf.lfUnderline != 0) f.dwEffects |= CFE_UNDERLINE;
  if (lf.lfStrikeOut != 0) f.dwEffects |= CFE_STRIKEOUT;
  f.bCharSet = lf.lfCharSet;
}

CHARRANGE EngineSel(HWND h) {
  CHARRANGE r;
  StdEditWndProc(h, EM_GETSEL, reinterpret_cast<WPARAM>(&r.cpMin), reinterpret_cast<LPARAM>(&r.cpMax));
  return r;
}

// EN_SELCHANGE after anything that moved the caret or the selection.
void CheckSelection(HWND h) {
  TRichHost* host = Host(h);
  if (host == nullptr || !host->Ready) return;
  const CHARRANGE sel = EngineSel(h);
  if (sel.cpMin == host->LastSel.cpMin && sel.cpMax == host->LastSel.cpMax) return;
  host->LastSel = sel;
  if ((host->EventMask & ENM_SELCHANGE) == 0) return;
  SELCHANGE nm;
  nm.chrg = sel;
  nm.seltyp = sel.cpMin == sel.cpMax ? SEL_EMPTY : SEL_TEXT;
  ComNotify(h, EN_SELCHANGE, &nm.nmhdr);
}

LRESULT RichEditWndProc(HWND h, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  TRichHost* host = Host(h);
  switch (msg) {
    case WM_NCCREATE: {
      host = new TRichHost;
      host->Format.dwMask = CFM_ALL;
      host->Format.dwEffects = CFE_AUTOCOLOR;
      host->Format.yHeight = 165;  // 8.25 points: the default 11-pixel font
      SetFace(host->Format, "MS Sans Serif");
      SetWindowLong(h, kHostSlot, reinterpret_cast<intptr_t>(host));
      // The engine reads 0x2000 as ES_NUMBER: the rich edit keeps it to itself.
      const uint32_t style = uint32_t(GetWindowLong(h, GWL_STYLE));
      host->DisableNoScroll = (style & ES_DISABLENOSCROLL) != 0;
      if (host->DisableNoScroll) SetWindowLong(h, GWL_STYLE, intptr_t(style & ~ES_DISABLENOSCROLL));
      return StdEditWndProc(h, msg, wParam, lParam);
    }
    case WM_CREATE: {
      const LRESULT r = StdEditWndProc(h, msg, wParam, lParam);
      if ((host = Host(h)) != nullptr) {
        ApplyFormatFont(h, host, false);
        host->LastSel = EngineSel(h);
        host->Ready = true;
      }
      return r;
    }
    case WM_NCDESTROY: {
      const LRESULT r = StdEditWndProc(h, msg, wParam, lParam);
      SetWindowLong(h, kHostSlot, 0);
      delete host;
      return r;
    }
    default: break;
  }
  if (host == nullptr) return StdEditWndProc(h, msg, wParam, lParam);
  switch (msg) {
    case WM_SETFONT:
      FormatFromFont(host->Format, reinterpret_cast<HFONT>(wParam));
      ApplyFormatFont(h, host, lParam != 0);
      return 0;
    case EM_SETBKGNDCOLOR: {
      const COLORREF old = host->SystemBack ? GetSysColor(COLOR_WINDOW) : host->Back;
      host->SystemBack = wParam != 0;
      host->Back = COLORREF(lParam);
      InvalidateRect(h, nullptr, true);
      return LRESULT(old);
    }
    case EM_SETCHARFORMAT: {
      const auto* f = reinterpret_cast<const CHARFORMAT*>(lParam);
      if (f == nullptr) return 0;
      MergeFormat(host->Format, *f);
      ApplyFormatFont(h, host, true);
      return 1;
    }
    case EM_GETCHARFORMAT: {
      auto* f = reinterpret_cast<CHARFORMAT*>(lParam);
      if (f == nullptr) return 0;
      *f = host->Format;
      f->dwMask = CFM_ALL & ~CFM_PROTECTED;
      return LRESULT(f->dwMask);
    }
    case EM_SETEVENTMASK: {
      const uint32_t old = host->EventMask;
      host->EventMask = uint32_t(lParam);
      return LRESULT(old);
    }
    case EM_GETEVENTMASK: return LRESULT(host->EventMask);
    case EM_EXGETSEL:
      if (auto* r = reinterpret_cast<CHARRANGE*>(lParam)) *r = EngineSel(h);
      return 0;
    case EM_EXSETSEL: {
      const auto* r = reinterpret_cast<const CHARRANGE*>(lParam);
      if (r == nullptr) return 0;
      StdEditWndProc(h, EM_SETSEL, WPARAM(intptr_t(r->cpMin)), r->cpMax);
      CheckSelection(h);
      return EngineSel(h).cpMax;
    }
    case WM_STYLECHANGING:
      if (wParam == WPARAM(GWL_STYLE))
        if (auto* ss = reinterpret_cast<STYLESTRUCT*>(lParam);
            ss != nullptr && (ss->styleNew & ES_DISABLENOSCROLL) != 0) {
          host->DisableNoScroll = true;
          ss->styleNew &= ~ES_DISABLENOSCROLL;
        }
      return StdEditWndProc(h, msg, wParam, lParam);
    default: break;
  }
  const LRESULT r = StdEditWndProc(h, msg, wParam, lParam);
  CheckSelection(h);
  return r;
}

}  // namespace

void RegisterRichEditClass() {
  WNDCLASS existing;
  if (GetClassInfo(nullptr, "RICHEDIT50W", &existing)) return;
  WNDCLASS wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = RichEditWndProc;
  wc.cbWndExtra = 2 * sizeof(intptr_t);  // the engine's state, then the host
  wc.hCursor = LoadCursor(nullptr, IDC_IBEAM);
  wc.lpszClassName = "RICHEDIT50W";
  RegisterClass(wc);
}

// ================================================================================
// TTextAttributes
// ================================================================================

CHARFORMAT TTextAttributes::Get() {
  CHARFORMAT f;
  if (FRichEdit->HandleAllocated()) {
    FRichEdit->Perform(EM_GETCHARFORMAT, FType == TAttributeType::atSelected ? SCF_SELECTION : SCF_DEFAULT,
                       reinterpret_cast<LPARAM>(&f));
    return f;
  }
  // Without a window the default format is the control's font.
  TFont* font = FRichEdit->Font();
  f.dwMask = CFM_ALL & ~CFM_PROTECTED;
  f.yHeight = MulDiv(std::abs(font->Height()), 1440, 96);
  SetFace(f, font->Name());
  f.crTextColor = COLORREF(ColorToRGB(font->Color()));
  const TFontStyles st = font->Style();
  if (st.Contains(TFontStyle::fsBold)) f.dwEffects |= CFE_BOLD;
  if (st.Contains(TFontStyle::fsItalic)) f.dwEffects |= CFE_ITALIC;
  if (st.Contains(TFontStyle::fsUnderline)) f.dwEffects |= CFE_UNDERLINE;
  if (st.Contains(TFontStyle::fsStrikeOut)) f.dwEffects |= CFE_STRIKEOUT;
  f.bCharSet = font->Charset();
  return f;
}

void TTextAttributes::Set(CHARFORMAT& Format) {
  if (FRichEdit->HandleAllocated()) {
    FRichEdit->Perform(EM_SETCHARFORMAT, FType == TAttributeType::atSelected ? SCF_SELECTION : SCF_ALL,
                       reinterpret_cast<LPARAM>(&Format));
    return;
  }
  TFont* font = FRichEdit->Font();
  if ((Format.dwMask & CFM_COLOR) != 0) font->SetColor(TColor(Format.crTextColor));
  if ((Format.dwMask & CFM_FACE) != 0) font->SetName(Format.szFaceName);
  if ((Format.dwMask & CFM_SIZE) != 0) font->SetHeight(-MulDiv(Format.yHeight, 96, 1440));
  if ((Format.dwMask & CFM_CHARSET) != 0) font->SetCharset(Format.bCharSet);
  if ((Format.dwMask & CFM_EFFECTS) != 0) {
    TFontStyles st;
    if ((Format.dwEffects & CFE_BOLD) != 0) st.Include(TFontStyle::fsBold);
    if ((Format.dwEffects & CFE_ITALIC) != 0) st.Include(TFontStyle::fsItalic);
    if ((Format.dwEffects & CFE_UNDERLINE) != 0) st.Include(TFontStyle::fsUnderline);
    if ((Format.dwEffects & CFE_STRIKEOUT) != 0) st.Include(TFontStyle::fsStrikeOut);
    font->SetStyle(st);
  }
}

TColor TTextAttributes::Color() {
  const CHARFORMAT f = Get();
  return (f.dwEffects & CFE_AUTOCOLOR) != 0 ? clWindowText : TColor(f.crTextColor);
}

void TTextAttributes::SetColor(TColor Value) {
  CHARFORMAT f;
  f.dwMask = CFM_COLOR;
  if (Value == clWindowText)
    f.dwEffects = CFE_AUTOCOLOR;
  else
    f.crTextColor = COLORREF(ColorToRGB(Value));
  Set(f);
}

String TTextAttributes::Name() { return Get().szFaceName; }

void TTextAttributes::SetName(const String& Value) {
  CHARFORMAT f;
  f.dwMask = CFM_FACE;
  SetFace(f, Value);
  Set(f);
}

int32_t TTextAttributes::Size() { return Get().yHeight / 20; }

void TTextAttributes::SetSize(int32_t Value) {
  CHARFORMAT f;
  f.dwMask = CFM_SIZE;
  f.yHeight = Value * 20;
  Set(f);
}

int32_t TTextAttributes::Height() { return MulDiv(Size(), 96, 72); }

void TTextAttributes::SetHeight(int32_t Value) { SetSize(MulDiv(std::abs(Value), 72, 96)); }

TFontStyles TTextAttributes::Style() {
  const CHARFORMAT f = Get();
  TFontStyles st;
  if ((f.dwEffects & CFE_BOLD) != 0) st.Include(TFontStyle::fsBold);
  if ((f.dwEffects & CFE_ITALIC) != 0) st.Include(TFontStyle::fsItalic);
  if ((f.dwEffects & CFE_UNDERLINE) != 0) st.Include(TFontStyle::fsUnderline);
  if ((f.dwEffects & CFE_STRIKEOUT) != 0) st.Include(TFontStyle::fsStrikeOut);
  return st;
}

void TTextAttributes::SetStyle(TFontStyles Value) {
  CHARFORMAT f;
  f.dwMask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT;
  if (Value.Contains(TFontStyle::fsBold)) f.dwEffects |= CFE_BOLD;
  if (Value.Contains(TFontStyle::fsItalic)) f.dwEffects |= CFE_ITALIC;
  if (Value.Contains(TFontStyle::fsUnderline)) f.dwEffects |= CFE_UNDERLINE;
  if (Value.Contains(TFontStyle::fsStrikeOut)) f.dwEffects |= CFE_STRIKEOUT;
  Set(f);
}

TFontCharset TTextAttributes::Charset() { return Get().bCharSet; }

void TTextAttributes::SetCharset(TFontCharset Value) {
  CHARFORMAT f;
  f.dwMask = CFM_CHARSET;
  f.bCharSet = Value;
  Set(f);
}

void TTextAttributes::Assign(TPersistent* Source) {
  if (auto* font = dynamic_cast<TFont*>(Source)) {
    CHARFORMAT f;
    f.dwMask = CFM_ALL & ~CFM_PROTECTED;
    f.yHeight = MulDiv(std::abs(font->Height()), 1440, 96);
    SetFace(f, font->Name());
    if (font->Color() == clWindowText)
      f.dwEffects |= CFE_AUTOCOLOR;
    else
      f.crTextColor = COLORREF(ColorToRGB(font->Color()));
    const TFontStyles st = font->Style();
    if (st.Contains(TFontStyle::fsBold)) f.dwEffects |= CFE_BOLD;
    if (st.Contains(TFontStyle::fsItalic)) f.dwEffects |= CFE_ITALIC;
    if (st.Contains(TFontStyle::fsUnderline)) f.dwEffects |= CFE_UNDERLINE;
    if (st.Contains(TFontStyle::fsStrikeOut)) f.dwEffects |= CFE_STRIKEOUT;
    f.bCharSet = font->Charset();
    Set(f);
    return;
  }
  if (auto* attrs = dynamic_cast<TTextAttributes*>(Source)) {
    CHARFORMAT f = attrs->Get();
    f.dwMask = CFM_ALL & ~CFM_PROTECTED;
    Set(f);
    return;
  }
  TPersistent::Assign(Source);
}

void TTextAttributes::AssignTo(TPersistent* Dest) {
  auto* font = dynamic_cast<TFont*>(Dest);
  if (font == nullptr) {
    TPersistent::AssignTo(Dest);
    return;
  }
  font->SetColor(Color());
  font->SetName(Name());
  font->SetHeight(-Height());
  font->SetStyle(Style());
  font->SetCharset(Charset());
}

// ================================================================================
// TCustomRichEdit
// ================================================================================

TCustomRichEdit::TCustomRichEdit(TComponent* AOwner) : TCustomMemo(AOwner) {
  FDefAttributes = std::make_unique<TTextAttributes>(this, TAttributeType::atDefaultText);
  FSelAttributes = std::make_unique<TTextAttributes>(this, TAttributeType::atSelected);
}

TCustomRichEdit::~TCustomRichEdit() = default;

void TCustomRichEdit::CreateParams(TCreateParams& Params) {
  RegisterRichEditClass();
  TCustomMemo::CreateParams(Params);
  CreateSubClass(Params, "RICHEDIT50W");
  if (!FHideScrollBars) Params.Style |= ES_DISABLENOSCROLL;
}

void TCustomRichEdit::CreateWnd() {
  TCustomMemo::CreateWnd();
  Perform(EM_SETEVENTMASK, 0, LPARAM(ENM_CHANGE | ENM_SELCHANGE));
  ApplyColor();
  ApplyFont();
}

void TCustomRichEdit::ApplyColor() {
  if (HandleAllocated()) Perform(EM_SETBKGNDCOLOR, 0, LPARAM(ColorToRGB(Color())));
}

void TCustomRichEdit::ApplyFont() {
  if (HandleAllocated()) FDefAttributes->Assign(Font());
}

void TCustomRichEdit::SetHideScrollBars(bool Value) {
  if (Value == FHideScrollBars) return;
  FHideScrollBars = Value;
  RecreateWnd();
}

void TCustomRichEdit::SelectionChange() {
  if (OnSelectionChange) OnSelectionChange(this);
}

void TCustomRichEdit::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CN_NOTIFY: {
      const auto* nm = reinterpret_cast<const NMHDR*>(Message.LParam);
      if (nm != nullptr && nm->code == EN_SELCHANGE) {
        SelectionChange();
        Message.Result = 0;
        return;
      }
      break;
    }
    case CM_COLORCHANGED:
      TCustomMemo::Dispatch(Message);
      ApplyColor();
      return;
    case CM_FONTCHANGED:
      TCustomMemo::Dispatch(Message);
      ApplyFont();
      return;
    default: break;
  }
  TCustomMemo::Dispatch(Message);
}
