// The native "Edit" class: single- and multi-line text editing with
// selection, one level of undo, the clipboard, and colours from the parent.
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/gui/syscolors.h"
#include "platform/gui/text.h"
#include "platform/gui/win_caret.h"
#include "platform/gui/win_clipboard.h"
#include "platform/gui/win_paint.h"
#include "platform/gui/win_scrollbars.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/stdctrls_internal.h"
#include "platform/vcl/stdctrls_native.h"
#include "platform/rtl/strings.h"

namespace {

constexpr int32_t kMaxLimit = 0x7FFFFFFE;

enum TUndoKind { ukClosed, ukTyping, ukOther };

struct TEditLine {
  int32_t Start = 0;
  int32_t End = 0;  // excludes the line break
};

struct TEditState {
  String Text;
  int32_t Anchor = 0;
  int32_t Caret = 0;
  bool CanUndo = false;
  TUndoKind UndoKind = ukClosed;
  String UndoText;
  int32_t UndoAnchor = 0;
  int32_t UndoCaret = 0;
  int32_t Limit = kMaxLimit;
  int32_t LeftMargin = 1;
  int32_t RightMargin = 1;
  bool HasRect = false;
  TRect Rect;
  HFONT Font = nullptr;
  bool Focused = false;
  bool Modified = false;
  bool Captured = false;
  bool Creating = true;
  char32_t PasswordChar = U'*';
  int32_t ScrollX = 0;
  int32_t FirstLine = 0;
  std::vector<TEditLine> Lines;
};

// ---- UTF-8 positions ----
bool IsTrail(char c) { return (uint8_t(c) & 0xC0) == 0x80; }
int32_t Snap(const String& t, int32_t p) {
  p = std::clamp<int32_t>(p, 0, int32_t(t.size()));
  while (p > 0 && p < int32_t(t.size()) && IsTrail(t[size_t(p)])) --p;
  return p;
}
int32_t NextPos(const String& t, int32_t p) {
  if (p >= int32_t(t.size())) return int32_t(t.size());
  ++p;
  while (p < int32_t(t.size()) && IsTrail(t[size_t(p)])) ++p;
  return p;
}
int32_t PrevPos(const String& t, int32_t p) {
  if (p <= 0) return 0;
  --p;
  while (p > 0 && IsTrail(t[size_t(p)])) --p;
  return p;
}
String EncodeUtf8(char32_t c) {
  String s;
  AppendUTF8(s, c);
  return s;
}
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

uint32_t Style(HWND h) { return uint32_t(GetWindowLong(h, GWL_STYLE)); }
bool Multi(HWND h) { return (Style(h) & ES_MULTILINE) != 0; }
bool ReadOnly(HWND h) { return (Style(h) & ES_READONLY) != 0; }
bool Password(HWND h) { return (Style(h) & ES_PASSWORD) != 0 && !Multi(h); }

// A screen DC with the edit's font selected.
class TMeasureDC {
 public:
  TMeasureDC(HWND h, HFONT font) : FWnd(h) {
    FDC = GetDC(h);
    FSaved = SaveDC(FDC);
    if (font != nullptr) SelectObject(FDC, font);
  }
  ~TMeasureDC() {
    RestoreDC(FDC, FSaved);
    ReleaseDC(FWnd, FDC);
  }
  HDC DC() const { return FDC; }

 private:
  HWND FWnd;
  HDC FDC;
  int32_t FSaved;
};

int32_t LineHeight(HWND h, TEditState* s) {
  TMeasureDC m(h, s->Font);
  TEXTMETRIC tm;
  GetTextMetrics(m.DC(), &tm);
  return std::max<int32_t>(1, tm.tmHeight);
}

// What is shown for text[a, b): password characters per character.
String Shown(HWND h, TEditState* s, int32_t a, int32_t b) {
  String part = s->Text.substr(size_t(a), size_t(b - a));
  if (!Password(h)) return part;
  String mask = EncodeUtf8(s->PasswordChar), r;
  for (int32_t p = 0; p < int32_t(part.size()); p = NextPos(part, p)) r += mask;
  return r;
}

int32_t Width(HDC dc, const String& text) {
  if (text.empty()) return 0;
  TSize sz;
  GetTextExtentPoint32(dc, text.c_str(), int32_t(text.size()), &sz);
  return sz.cx;
}

TRect FormatRect(HWND h, TEditState* s) {
  if (s->HasRect) return s->Rect;
  TRect r;
  GetClientRect(h, &r);
  r.Left += s->LeftMargin;
  r.Right -= s->RightMargin;
  if (r.Right < r.Left) r.Right = r.Left;
  return r;
}

void Layout(HWND h, TEditState* s) {
  s->Lines.clear();
  const String& t = s->Text;
  if (!Multi(h)) {
    s->Lines.push_back(TEditLine{0, int32_t(t.size())});
    return;
  }
  const uint32_t style = Style(h);
  const bool wrap = (style & (ES_AUTOHSCROLL | WS_HSCROLL)) == 0;
  const int32_t width = FormatRect(h, s).Width();
  TMeasureDC m(h, s->Font);
  int32_t p = 0;
  const int32_t n = int32_t(t.size());
  for (;;) {
    int32_t e = p;
    while (e < n && t[size_t(e)] != '\r' && t[size_t(e)] != '\n') ++e;
    int32_t a = p;
    if (wrap && width > 0) {
      while (a < e && Width(m.DC(), Shown(h, s, a, e)) > width) {
        // Longest prefix that fits; break after the last blank in it.
        int32_t fit = NextPos(t, a);
        for (int32_t q = NextPos(t, fit - 0); q <= e; q = NextPos(t, q)) {
          if (Width(m.DC(), Shown(h, s, a, q)) > width) break;
          fit = q;
          if (q == e) break;
        }
        int32_t brk = fit;
        for (int32_t q = fit; q > a; --q)
          if (t[size_t(q - 1)] == ' ') {
            brk = q;
            break;
          }
        s->Lines.push_back(TEditLine{a, brk});
        a = brk;
      }
    }
    s->Lines.push_back(TEditLine{a, e});
    if (e >= n) break;
    p = e + ((t[size_t(e)] == '\r' && e + 1 < n && t[size_t(e + 1)] == '\n') ? 2 : 1);
    if (p >= n) {
      s->Lines.push_back(TEditLine{n, n});
      break;
    }
  }
}

int32_t LineOf(TEditState* s, int32_t pos) {
  for (size_t i = 0; i < s->Lines.size(); ++i) {
    const TEditLine& l = s->Lines[i];
    const bool last = i + 1 == s->Lines.size();
    if (pos < l.End || (pos == l.End && (last || s->Lines[i + 1].Start > pos))) return int32_t(i);
    if (!last && pos < s->Lines[i + 1].Start) return int32_t(i);
  }
  return int32_t(s->Lines.size()) - 1;
}

// The x of the line's first character relative to the format rectangle.
int32_t LineX0(HWND h, TEditState* s, HDC dc, int32_t line) {
  const uint32_t align = Style(h) & 3;
  if (align == ES_LEFT) return 0;
  const TEditLine& l = s->Lines[size_t(line)];
  const int32_t free = FormatRect(h, s).Width() - Width(dc, Shown(h, s, l.Start, l.End));
  return align == ES_CENTER ? free / 2 : free;
}

int32_t XOf(HWND h, TEditState* s, HDC dc, int32_t pos) {
  const int32_t line = LineOf(s, pos);
  const TEditLine& l = s->Lines[size_t(line)];
  return LineX0(h, s, dc, line) + Width(dc, Shown(h, s, l.Start, std::min(pos, l.End)));
}

int32_t PosFromX(HWND h, TEditState* s, HDC dc, int32_t line, int32_t x) {
  const TEditLine& l = s->Lines[size_t(line)];
  int32_t best = l.Start, prevW = LineX0(h, s, dc, line);
  for (int32_t q = l.Start; q < l.End;) {
    const int32_t nq = NextPos(s->Text, q);
    const int32_t w = LineX0(h, s, dc, line) + Width(dc, Shown(h, s, l.Start, nq));
    if (x < (prevW + w) / 2) return q;
    best = nq;
    prevW = w;
    q = nq;
  }
  return best;
}

int32_t VisibleLines(HWND h, TEditState* s) {
  return std::max<int32_t>(1, FormatRect(h, s).Height() / LineHeight(h, s));
}

int32_t PosFromPoint(HWND h, TEditState* s, TPoint p) {
  TRect r = FormatRect(h, s);
  int32_t line = s->FirstLine;
  if (Multi(h)) line = s->FirstLine + (p.Y - r.Top) / LineHeight(h, s) - (p.Y < r.Top ? 1 : 0);
  line = std::clamp<int32_t>(line, 0, int32_t(s->Lines.size()) - 1);
  TMeasureDC m(h, s->Font);
  return PosFromX(h, s, m.DC(), line, p.X - r.Left + s->ScrollX);
}

void UpdateScrollInfo(HWND h, TEditState* s) {
  if (!Multi(h)) return;
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  if (TEditHost* host = StdEditHost(h)) si.fMask |= host->EditScrollFlags(h);
  si.nMin = 0;
  si.nMax = int32_t(s->Lines.size()) - 1;
  si.nPage = uint32_t(VisibleLines(h, s));
  si.nPos = s->FirstLine;
  SetScrollInfo(h, SB_VERT, &si, true);
  TMeasureDC m(h, s->Font);
  int32_t widest = 0;
  for (size_t i = 0; i < s->Lines.size(); ++i)
    widest = std::max(widest, Width(m.DC(), Shown(h, s, s->Lines[i].Start, s->Lines[i].End)));
  si.nMax = std::max<int32_t>(0, widest - 1);
  si.nPage = uint32_t(std::max<int32_t>(0, FormatRect(h, s).Width()));
  si.nPos = s->ScrollX;
  SetScrollInfo(h, SB_HORZ, &si, true);
}

void UpdateCaret(HWND h, TEditState* s) {
  if (!s->Focused) return;
  TMeasureDC m(h, s->Font);
  TRect r = FormatRect(h, s);
  const int32_t line = LineOf(s, s->Caret);
  SetCaretPos(r.Left + XOf(h, s, m.DC(), s->Caret) - s->ScrollX, r.Top + (line - s->FirstLine) * LineHeight(h, s));
}

void ScrollToCaret(HWND h, TEditState* s) {
  TRect r = FormatRect(h, s);
  const int32_t width = r.Width();
  const uint32_t style = Style(h);
  if (Multi(h)) {
    const int32_t line = LineOf(s, s->Caret), vis = VisibleLines(h, s);
    if (line < s->FirstLine) s->FirstLine = line;
    if (line >= s->FirstLine + vis) s->FirstLine = line - vis + 1;
    s->FirstLine = std::clamp<int32_t>(s->FirstLine, 0, std::max<int32_t>(0, int32_t(s->Lines.size()) - 1));
  }
  if ((style & ES_AUTOHSCROLL) != 0 || (Multi(h) && (style & WS_HSCROLL) != 0)) {
    TMeasureDC m(h, s->Font);
    const int32_t x = XOf(h, s, m.DC(), s->Caret);
    if (x < s->ScrollX) s->ScrollX = std::max<int32_t>(0, x - width / 4);
    if (x >= s->ScrollX + width) s->ScrollX = x - width + std::max<int32_t>(1, width / 4);
  } else {
    s->ScrollX = 0;
  }
  UpdateScrollInfo(h, s);
  UpdateCaret(h, s);
}

void Redraw(HWND h) { InvalidateRect(h, nullptr, true); }

void Notify(HWND h, TEditState* s, uint32_t code) {
  TEditHost* host = StdEditHost(h);
  if (!s->Creating && (host == nullptr || host->EditNotifies(h, code))) StdNotifyParent(h, code);
}

// The background brush with the DC's colours set: the host's, else the parent's.
HBRUSH EditColors(HWND h, bool readOnly, HDC dc) {
  if (TEditHost* host = StdEditHost(h)) return host->EditColors(h, dc);
  return StdCtlColor(h, readOnly ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT, dc);
}

void SetSel(HWND h, TEditState* s, int32_t anchor, int32_t caret) {
  s->Anchor = Snap(s->Text, anchor);
  s->Caret = Snap(s->Text, caret);
  ScrollToCaret(h, s);
  Redraw(h);
}

// Replaces the whole text (undo and notifications are the caller's).
void ChangeText(HWND h, TEditState* s, String text, int32_t anchor, int32_t caret) {
  s->Text = std::move(text);
  s->Modified = true;
  Layout(h, s);
  s->Anchor = Snap(s->Text, anchor);
  s->Caret = Snap(s->Text, caret);
  ScrollToCaret(h, s);
  Redraw(h);
  Notify(h, s, EN_UPDATE);
  Notify(h, s, EN_CHANGE);
}

void SaveUndo(TEditState* s, TUndoKind kind) {
  if (kind == ukTyping && s->UndoKind == ukTyping) return;
  s->UndoText = s->Text;
  s->UndoAnchor = s->Anchor;
  s->UndoCaret = s->Caret;
  s->CanUndo = true;
  s->UndoKind = kind;
}

// Replaces the selection with text, within the limit. Answers whether anything changed.
bool ReplaceSelection(HWND h, TEditState* s, String text, TUndoKind undo, bool canUndo = true) {
  if (!Multi(h)) {
    const size_t br = text.find_first_of("\r\n");
    if (br != String::npos) text.resize(br);
  }
  const uint32_t style = Style(h);
  if ((style & (ES_UPPERCASE | ES_LOWERCASE)) != 0)
    for (char& c : text)
      if (uint8_t(c) < 0x80)
        c = char((style & ES_UPPERCASE) != 0 ? std::toupper(uint8_t(c)) : std::tolower(uint8_t(c)));
  const int32_t a = std::min(s->Anchor, s->Caret), b = std::max(s->Anchor, s->Caret);
  const int32_t room = s->Limit - (int32_t(s->Text.size()) - (b - a));
  if (int32_t(text.size()) > room) {
    text.resize(size_t(Snap(text, std::max<int32_t>(0, room))));
    Notify(h, s, EN_MAXTEXT);
    if (text.empty() && a == b) return false;
  }
  if (text.empty() && a == b) return false;
  if (canUndo)
    SaveUndo(s, undo);
  else
    s->CanUndo = false, s->UndoKind = ukClosed;
  String t = s->Text.substr(0, size_t(a)) + text + s->Text.substr(size_t(b));
  const int32_t caret = a + int32_t(text.size());
  ChangeText(h, s, std::move(t), caret, caret);
  if (undo == ukOther) s->UndoKind = ukClosed;
  return true;
}

String SelectedText(TEditState* s) {
  const int32_t a = std::min(s->Anchor, s->Caret), b = std::max(s->Anchor, s->Caret);
  return s->Text.substr(size_t(a), size_t(b - a));
}

void ClipboardPut(HWND h, const String& text) {
  if (!OpenClipboard(h)) return;
  EmptyClipboard();
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
  if (mem != 0) {
    std::memcpy(GlobalLock(mem), text.c_str(), text.size() + 1);
    GlobalUnlock(mem);
    SetClipboardData(CF_TEXT, mem);
  }
  CloseClipboard();
}

String ClipboardGet(HWND h) {
  String r;
  if (!OpenClipboard(h)) return r;
  if (HGLOBAL mem = GetClipboardData(CF_TEXT)) {
    const char* p = static_cast<const char*>(GlobalLock(mem));
    if (p != nullptr) r.assign(p, strnlen(p, GlobalSize(mem)));
    GlobalUnlock(mem);
  }
  CloseClipboard();
  return r;
}

void DoCopy(HWND h, TEditState* s) {
  if (Password(h) || s->Anchor == s->Caret) return;
  ClipboardPut(h, SelectedText(s));
}

void DoCut(HWND h, TEditState* s) {
  if (Password(h) || ReadOnly(h) || s->Anchor == s->Caret) return;
  ClipboardPut(h, SelectedText(s));
  ReplaceSelection(h, s, String(), ukOther);
}

void DoPaste(HWND h, TEditState* s) {
  if (ReadOnly(h)) return;
  ReplaceSelection(h, s, ClipboardGet(h), ukOther);
}

void DoClear(HWND h, TEditState* s) {
  if (ReadOnly(h)) return;
  ReplaceSelection(h, s, String(), ukOther);
}

void DoUndo(HWND h, TEditState* s) {
  if (!s->CanUndo || ReadOnly(h)) return;
  String text = s->UndoText;
  const int32_t anchor = s->UndoAnchor, caret = s->UndoCaret;
  s->UndoText = s->Text;
  s->UndoAnchor = s->Anchor;
  s->UndoCaret = s->Caret;
  s->UndoKind = ukClosed;
  ChangeText(h, s, std::move(text), anchor, caret);
}

int32_t WordLeft(const String& t, int32_t p) {
  while (p > 0 && IsBlank(t[size_t(p - 1)])) --p;
  while (p > 0 && !IsBlank(t[size_t(p - 1)])) --p;
  return p;
}
int32_t WordRight(const String& t, int32_t p) {
  const int32_t n = int32_t(t.size());
  while (p < n && !IsBlank(t[size_t(p)])) ++p;
  while (p < n && IsBlank(t[size_t(p)])) ++p;
  return p;
}

// Moves the caret (extending the selection with Shift); a move closes the typing undo.
void MoveCaret(HWND h, TEditState* s, int32_t pos, bool extend) {
  s->UndoKind = ukClosed;
  SetSel(h, s, extend ? s->Anchor : pos, pos);
}

void KeyDown(HWND h, TEditState* s, uint32_t vk) {
  const bool shift = GetKeyState(VK_SHIFT) < 0, ctrl = GetKeyState(VK_CONTROL) < 0;
  const String& t = s->Text;
  const int32_t a = std::min(s->Anchor, s->Caret), b = std::max(s->Anchor, s->Caret);
  const int32_t line = LineOf(s, s->Caret);
  auto lineMove = [&](int32_t delta) {
    TMeasureDC m(h, s->Font);
    const int32_t x = XOf(h, s, m.DC(), s->Caret);
    const int32_t target = std::clamp<int32_t>(line + delta, 0, int32_t(s->Lines.size()) - 1);
    return PosFromX(h, s, m.DC(), target, x);
  };
  switch (vk) {
    case VK_LEFT:
      if (ctrl)
        MoveCaret(h, s, WordLeft(t, s->Caret), shift);
      else if (!shift && a != b)
        MoveCaret(h, s, a, false);
      else
        MoveCaret(h, s,
                  s->Caret > 0 && line > 0 && s->Caret == s->Lines[size_t(line)].Start &&
                          s->Lines[size_t(line - 1)].End < s->Caret
                      ? s->Lines[size_t(line - 1)].End
                      : PrevPos(t, s->Caret),
                  shift);
      break;
    case VK_RIGHT:
      if (ctrl)
        MoveCaret(h, s, WordRight(t, s->Caret), shift);
      else if (!shift && a != b)
        MoveCaret(h, s, b, false);
      else if (line + 1 < int32_t(s->Lines.size()) && s->Caret == s->Lines[size_t(line)].End)
        MoveCaret(h, s, s->Lines[size_t(line + 1)].Start, shift);
      else
        MoveCaret(h, s, NextPos(t, s->Caret), shift);
      break;
    case VK_UP:
      if (Multi(h)) MoveCaret(h, s, lineMove(-1), shift);
      break;
    case VK_DOWN:
      if (Multi(h)) MoveCaret(h, s, lineMove(1), shift);
      break;
    case VK_PRIOR:
      if (Multi(h)) MoveCaret(h, s, lineMove(-VisibleLines(h, s)), shift);
      break;
    case VK_NEXT:
      if (Multi(h)) MoveCaret(h, s, lineMove(VisibleLines(h, s)), shift);
      break;
    case VK_HOME: MoveCaret(h, s, ctrl || !Multi(h) ? 0 : s->Lines[size_t(line)].Start, shift); break;
    case VK_END: MoveCaret(h, s, ctrl || !Multi(h) ? int32_t(t.size()) : s->Lines[size_t(line)].End, shift); break;
    case VK_DELETE:
      if (shift) {
        SendMessage(h, WM_CUT, 0, 0);
      } else if (!ReadOnly(h)) {
        if (a == b) {
          if (b >= int32_t(t.size())) break;
          int32_t e = NextPos(t, b);
          if (t[size_t(b)] == '\r' && e < int32_t(t.size()) && t[size_t(e)] == '\n') ++e;
          s->Anchor = a;
          s->Caret = e;
        }
        ReplaceSelection(h, s, String(), ukTyping);
      }
      break;
    case VK_INSERT:
      // Keyboard clipboard commands go through the window, so a subclass can refuse them.
      if (ctrl) SendMessage(h, WM_COPY, 0, 0);
      if (shift) SendMessage(h, WM_PASTE, 0, 0);
      break;
    default: break;
  }
}

void Char(HWND h, TEditState* s, char32_t c) {
  switch (c) {
    case 1: SetSel(h, s, 0, int32_t(s->Text.size())); return;
    case 3: SendMessage(h, WM_COPY, 0, 0); return;
    case 22: SendMessage(h, WM_PASTE, 0, 0); return;
    case 24: SendMessage(h, WM_CUT, 0, 0); return;
    case 26: SendMessage(h, WM_UNDO, 0, 0); return;
    case 8: {
      if (ReadOnly(h)) return;
      if (s->Anchor == s->Caret) {
        if (s->Caret == 0) return;
        int32_t p = PrevPos(s->Text, s->Caret);
        if (s->Text[size_t(p)] == '\n' && p > 0 && s->Text[size_t(p - 1)] == '\r') --p;
        s->Anchor = p;
      }
      ReplaceSelection(h, s, String(), ukTyping);
      return;
    }
    case 13:
      if (!Multi(h) || ReadOnly(h)) return;
      ReplaceSelection(h, s, "\r\n", ukTyping);
      return;
    case 9:
      if (!Multi(h) || ReadOnly(h)) return;
      ReplaceSelection(h, s, "\t", ukTyping);
      return;
    default: break;
  }
  if (c < 0x20 || c == 0x7F || ReadOnly(h)) return;
  if ((Style(h) & ES_NUMBER) != 0 && (c < '0' || c > '9')) {
    MessageBeep(0);
    return;
  }
  ReplaceSelection(h, s, EncodeUtf8(c), ukTyping);
}

void SelectWordAt(HWND h, TEditState* s, int32_t pos) {
  const String& t = s->Text;
  int32_t a = pos, b = pos;
  while (a > 0 && !IsBlank(t[size_t(a - 1)])) --a;
  while (b < int32_t(t.size()) && !IsBlank(t[size_t(b)])) ++b;
  while (b < int32_t(t.size()) && t[size_t(b)] == ' ') ++b;
  SetSel(h, s, a, b);
}

void Paint(HWND h, HDC dc, TEditState* s) {
  HideCaret(h);
  const int32_t saved = SaveDC(dc);
  if (s->Font != nullptr) SelectObject(dc, s->Font);
  const bool enabled = IsWindowEnabled(h);
  const bool ro = ReadOnly(h) || !enabled;
  HBRUSH brush = EditColors(h, ro, dc);
  if (brush == nullptr) {
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(ro ? COLOR_BTNFACE : COLOR_WINDOW));
    brush = GetSysColorBrush(ro ? COLOR_BTNFACE : COLOR_WINDOW);
  }
  if (!enabled) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
  TRect client;
  GetClientRect(h, &client);
  if (!StdIsNullBrush(brush)) FillRect(dc, client, brush);
  const TRect r = FormatRect(h, s);
  IntersectClipRect(dc, r.Left, r.Top, r.Right, r.Bottom);
  const int32_t lh = LineHeight(h, s);
  const bool showSel = s->Anchor != s->Caret && (s->Focused || (Style(h) & ES_NOHIDESEL) != 0);
  const int32_t sa = std::min(s->Anchor, s->Caret), sb = std::max(s->Anchor, s->Caret);
  for (int32_t i = s->FirstLine; i < int32_t(s->Lines.size()); ++i) {
    const int32_t y = r.Top + (i - s->FirstLine) * lh;
    if (y >= r.Bottom) break;
    const TEditLine& l = s->Lines[size_t(i)];
    const int32_t x0 = r.Left + LineX0(h, s, dc, i) - s->ScrollX;
    const String shown = Shown(h, s, l.Start, l.End);
    TextOut(dc, x0, y, shown.c_str(), int32_t(shown.size()));
    if (!showSel) continue;
    const int32_t a = std::max(sa, l.Start), b = std::min(sb, l.End);
    if (a >= b) continue;
    const int32_t xa = x0 + Width(dc, Shown(h, s, l.Start, a));
    const String part = Shown(h, s, a, b);
    const int32_t oldMode = SetBkMode(dc, OPAQUE);
    const COLORREF oldText = SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    const COLORREF oldBk = SetBkColor(dc, GetSysColor(COLOR_HIGHLIGHT));
    TRect sel{xa, y, xa + Width(dc, part), y + lh};
    FillRect(dc, sel, GetSysColorBrush(COLOR_HIGHLIGHT));
    TextOut(dc, xa, y, part.c_str(), int32_t(part.size()));
    SetBkMode(dc, oldMode);
    SetTextColor(dc, oldText);
    SetBkColor(dc, oldBk);
  }
  RestoreDC(dc, saved);
  ShowCaret(h);
}

void ContextMenu(HWND h, TEditState* s, LPARAM lParam) {
  TPoint p = LParamToPoint(lParam);
  if (p.X == -1 && p.Y == -1) {
    TRect c;
    GetClientRect(h, &c);
    p = TPoint{c.Width() / 2, c.Height() / 2};
    ClientToScreen(h, &p);
  }
  const bool ro = ReadOnly(h), sel = s->Anchor != s->Caret, pw = Password(h);
  const bool paste = IsClipboardFormatAvailable(CF_TEXT);
  HMENU menu = CreatePopupMenu();
  auto item = [&](uint32_t id, const char* text, bool enabled) {
    AppendMenu(menu, MF_STRING | (enabled ? 0 : MF_GRAYED), id, text);
  };
  item(WM_UNDO, "&Undo", s->CanUndo && !ro);
  AppendMenu(menu, MF_SEPARATOR, 0, nullptr);
  item(WM_CUT, "Cu&t", sel && !ro && !pw);
  item(WM_COPY, "&Copy", sel && !pw);
  item(WM_PASTE, "&Paste", paste && !ro);
  item(WM_CLEAR, "&Delete", sel && !ro);
  AppendMenu(menu, MF_SEPARATOR, 0, nullptr);
  item(EM_SETSEL, "Select &All",
       !s->Text.empty() &&
           !(sel && std::min(s->Anchor, s->Caret) == 0 && std::max(s->Anchor, s->Caret) == int32_t(s->Text.size())));
  const int32_t cmd = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_RIGHTBUTTON, p.X, p.Y, 0, h, nullptr);
  DestroyMenu(menu);
  if (cmd == 0 || !IsWindow(h)) return;
  if (uint32_t(cmd) == EM_SETSEL)
    SendMessage(h, EM_SETSEL, 0, -1);
  else
    SendMessage(h, uint32_t(cmd), 0, 0);
}

}  // namespace

LRESULT StdEditWndProc(HWND h, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  TEditState* s = StdState<TEditState>(h);
  if (s == nullptr && msg != WM_NCCREATE) return DefWindowProc(h, msg, wParam, lParam);
  switch (msg) {
    case WM_NCCREATE: {
      s = new TEditState;
      SetWindowLong(h, 0, reinterpret_cast<intptr_t>(s));
      if (auto* cs = reinterpret_cast<const CREATESTRUCT*>(lParam); cs != nullptr && cs->lpszName != nullptr)
        s->Text = cs->lpszName;
      if (!Multi(h)) {
        const size_t br = s->Text.find_first_of("\r\n");
        if (br != String::npos) s->Text.resize(br);
      }
      return DefWindowProc(h, msg, wParam, lParam);
    }
    case WM_CREATE:
      Layout(h, s);
      UpdateScrollInfo(h, s);
      s->Creating = false;
      return 0;
    case WM_NCDESTROY:
      SetWindowLong(h, 0, 0);
      delete s;
      return DefWindowProc(h, msg, wParam, lParam);
    case WM_SIZE:
    case WM_STYLECHANGED:
      Layout(h, s);
      ScrollToCaret(h, s);
      Redraw(h);
      return 0;
    case WM_GETDLGCODE: {
      LRESULT r = DLGC_WANTARROWS | DLGC_HASSETSEL | DLGC_WANTCHARS;
      if (Multi(h)) r |= DLGC_WANTALLKEYS;
      return r;
    }
    case WM_SETTEXT: {
      String t = lParam != 0 ? String(reinterpret_cast<const char*>(lParam)) : String();
      if (!Multi(h)) {
        const size_t br = t.find_first_of("\r\n");
        if (br != String::npos) t.resize(br);
      }
      s->CanUndo = false;
      s->UndoKind = ukClosed;
      s->FirstLine = 0;
      s->ScrollX = 0;
      ChangeText(h, s, std::move(t), 0, 0);
      s->Modified = false;
      return 1;
    }
    case WM_GETTEXT: {
      if (wParam == 0 || lParam == 0) return 0;
      char* buf = reinterpret_cast<char*>(lParam);
      const int32_t n = Snap(s->Text, std::min<int32_t>(int32_t(wParam) - 1, int32_t(s->Text.size())));
      std::memcpy(buf, s->Text.data(), size_t(n));
      buf[n] = 0;
      return n;
    }
    case WM_GETTEXTLENGTH: return LRESULT(s->Text.size());
    case WM_SETFONT:
      s->Font = reinterpret_cast<HFONT>(wParam);
      Layout(h, s);
      ScrollToCaret(h, s);
      if (s->Focused) {
        CreateCaret(h, nullptr, 1, LineHeight(h, s));
        UpdateCaret(h, s);
        ShowCaret(h);
      }
      if (lParam != 0) Redraw(h);
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(s->Font);
    case WM_ERASEBKGND: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      const bool ro = ReadOnly(h) || !IsWindowEnabled(h);
      HBRUSH brush = EditColors(h, ro, dc);
      if (brush == nullptr) brush = GetSysColorBrush(ro ? COLOR_BTNFACE : COLOR_WINDOW);
      TRect c;
      GetClientRect(h, &c);
      if (!StdIsNullBrush(brush)) FillRect(dc, c, brush);
      return 1;
    }
    case WM_PAINT:
      if (wParam != 0) {
        Paint(h, reinterpret_cast<HDC>(wParam), s);
      } else {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(h, &ps);
        Paint(h, dc, s);
        EndPaint(h, &ps);
      }
      return 0;
    case WM_ENABLE: Redraw(h); return 0;
    case WM_SETFOCUS:
      s->Focused = true;
      CreateCaret(h, nullptr, 1, LineHeight(h, s));
      UpdateCaret(h, s);
      ShowCaret(h);
      Redraw(h);
      Notify(h, s, EN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      s->Focused = false;
      if (s->Captured) ReleaseCapture();
      DestroyCaret();
      Redraw(h);
      Notify(h, s, EN_KILLFOCUS);
      return 0;
    case WM_LBUTTONDOWN: {
      if (GetFocus() != h) SetFocus(h);
      const int32_t pos = PosFromPoint(h, s, LParamToPoint(lParam));
      MoveCaret(h, s, pos, (wParam & MK_SHIFT) != 0);
      SetCapture(h);
      s->Captured = true;
      return 0;
    }
    case WM_LBUTTONDBLCLK:
      SelectWordAt(h, s, PosFromPoint(h, s, LParamToPoint(lParam)));
      s->UndoKind = ukClosed;
      return 0;
    case WM_MOUSEMOVE:
      if (s->Captured) SetSel(h, s, s->Anchor, PosFromPoint(h, s, LParamToPoint(lParam)));
      return 0;
    case WM_LBUTTONUP:
      if (s->Captured) ReleaseCapture();
      return 0;
    case WM_CAPTURECHANGED: s->Captured = false; return 0;
    case WM_MOUSEWHEEL:
      if (Multi(h)) {
        uint32_t lines = 3;
        SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
        const int32_t delta = -GET_WHEEL_DELTA_WPARAM(wParam) * int32_t(lines) / WHEEL_DELTA;
        SendMessage(h, EM_LINESCROLL, 0, delta);
      }
      return 0;
    case WM_VSCROLL:
    case WM_HSCROLL: {
      const bool vert = msg == WM_VSCROLL;
      const int32_t code = LOWORD(wParam);
      const int32_t page = vert ? VisibleLines(h, s) : FormatRect(h, s).Width();
      const int32_t unit = vert ? 1 : std::max<int32_t>(1, LineHeight(h, s) / 2);
      int32_t pos = vert ? s->FirstLine : s->ScrollX;
      switch (code) {
        case SB_LINEUP: pos -= unit; break;
        case SB_LINEDOWN: pos += unit; break;
        case SB_PAGEUP: pos -= page; break;
        case SB_PAGEDOWN: pos += page; break;
        case SB_THUMBPOSITION:
        case SB_THUMBTRACK: pos = int16_t(HIWORD(wParam)); break;
        case SB_TOP: pos = 0; break;
        case SB_BOTTOM: pos = 0x7FFFFFFF; break;
        default: return 0;
      }
      if (vert)
        SendMessage(h, EM_LINESCROLL, 0, pos - s->FirstLine);
      else
        SendMessage(h, EM_LINESCROLL, 0, 0), s->ScrollX = std::max<int32_t>(0, pos), UpdateScrollInfo(h, s),
                                             UpdateCaret(h, s), Redraw(h);
      return 0;
    }
    case WM_KEYDOWN: KeyDown(h, s, uint32_t(wParam)); return 0;
    case WM_CHAR: Char(h, s, char32_t(wParam)); return 0;
    case WM_CONTEXTMENU: ContextMenu(h, s, lParam); return 0;
    case WM_CUT: DoCut(h, s); return 0;
    case WM_COPY: DoCopy(h, s); return 0;
    case WM_PASTE: DoPaste(h, s); return 0;
    case WM_CLEAR: DoClear(h, s); return 0;
    case WM_UNDO:
    case EM_UNDO: DoUndo(h, s); return s->CanUndo ? 1 : 0;
    case EM_CANUNDO: return s->CanUndo ? 1 : 0;
    case EM_EMPTYUNDOBUFFER:
      s->CanUndo = false;
      s->UndoKind = ukClosed;
      return 0;
    case EM_GETSEL: {
      const int32_t a = std::min(s->Anchor, s->Caret), b = std::max(s->Anchor, s->Caret);
      if (wParam != 0) *reinterpret_cast<int32_t*>(wParam) = a;
      if (lParam != 0) *reinterpret_cast<int32_t*>(lParam) = b;
      return LRESULT(MAKELONG(uint16_t(std::min(a, 0xFFFF)), uint16_t(std::min(b, 0xFFFF))));
    }
    case EM_SETSEL: {
      int32_t a = int32_t(intptr_t(wParam)), b = int32_t(lParam);
      const int32_t n = int32_t(s->Text.size());
      if (a == -1) {
        a = b = s->Caret;
      } else {
        if (b < 0 || b > n) b = n;
        if (a > n) a = n;
      }
      s->UndoKind = ukClosed;
      SetSel(h, s, a, b);
      return 0;
    }
    case EM_REPLACESEL: {
      const char* text = reinterpret_cast<const char*>(lParam);
      ReplaceSelection(h, s, text != nullptr ? String(text) : String(), ukOther, wParam != 0);
      return 0;
    }
    case EM_GETRECT:
      if (lParam != 0) *reinterpret_cast<TRect*>(lParam) = FormatRect(h, s);
      return 0;
    case EM_SETRECT:
    case EM_SETRECTNP:
      if (lParam == 0) {
        s->HasRect = false;
      } else {
        s->HasRect = true;
        s->Rect = *reinterpret_cast<const TRect*>(lParam);
      }
      Layout(h, s);
      ScrollToCaret(h, s);
      if (msg == EM_SETRECT) Redraw(h);
      return 0;
    case EM_SETMARGINS:
      if ((wParam & EC_LEFTMARGIN) != 0) s->LeftMargin = int16_t(LOWORD(lParam));
      if ((wParam & EC_RIGHTMARGIN) != 0) s->RightMargin = int16_t(HIWORD(lParam));
      Layout(h, s);
      ScrollToCaret(h, s);
      Redraw(h);
      return 0;
    case EM_GETMARGINS: return LRESULT(MAKELONG(uint16_t(s->LeftMargin), uint16_t(s->RightMargin)));
    case EM_GETMODIFY: return s->Modified ? 1 : 0;
    case EM_SETMODIFY: s->Modified = wParam != 0; return 0;
    case EM_GETLINECOUNT: return LRESULT(s->Lines.size());
    case EM_LINEINDEX: {
      int32_t line = int32_t(intptr_t(wParam));
      if (line == -1) line = LineOf(s, s->Caret);
      if (line < 0 || line >= int32_t(s->Lines.size())) return -1;
      return s->Lines[size_t(line)].Start;
    }
    case EM_LINEFROMCHAR: {
      int32_t pos = int32_t(intptr_t(wParam));
      if (pos == -1) pos = s->Caret;
      return LineOf(s, Snap(s->Text, pos));
    }
    case EM_LINELENGTH: {
      int32_t pos = int32_t(intptr_t(wParam));
      if (pos == -1) pos = s->Caret;
      const TEditLine& l = s->Lines[size_t(LineOf(s, Snap(s->Text, pos)))];
      return l.End - l.Start;
    }
    case EM_GETLINE: {
      const int32_t line = int32_t(wParam);
      if (line < 0 || line >= int32_t(s->Lines.size()) || lParam == 0) return 0;
      char* buf = reinterpret_cast<char*>(lParam);
      uint16_t size = 0;
      std::memcpy(&size, buf, sizeof(size));
      const TEditLine& l = s->Lines[size_t(line)];
      const int32_t n = std::min<int32_t>(size, l.End - l.Start);
      std::memcpy(buf, s->Text.data() + l.Start, size_t(n));
      return n;
    }
    case EM_LIMITTEXT: s->Limit = wParam == 0 ? kMaxLimit : int32_t(std::min<WPARAM>(wParam, kMaxLimit)); return 0;
    case EM_GETLIMITTEXT: return s->Limit;
    case EM_SETPASSWORDCHAR:
      s->PasswordChar = char32_t(wParam);
      SetWindowLong(h, GWL_STYLE, intptr_t(wParam != 0 ? Style(h) | ES_PASSWORD : Style(h) & ~ES_PASSWORD));
      Layout(h, s);
      Redraw(h);
      return 0;
    case EM_GETPASSWORDCHAR: return Password(h) ? LRESULT(s->PasswordChar) : 0;
    case EM_SETREADONLY:
      SetWindowLong(h, GWL_STYLE, intptr_t(wParam != 0 ? Style(h) | ES_READONLY : Style(h) & ~ES_READONLY));
      Redraw(h);
      return 1;
    case EM_GETFIRSTVISIBLELINE: return s->FirstLine;
    case EM_LINESCROLL: {
      if (!Multi(h)) return 0;
      const int32_t maxFirst = std::max<int32_t>(0, int32_t(s->Lines.size()) - VisibleLines(h, s));
      s->FirstLine = std::clamp<int32_t>(s->FirstLine + int32_t(lParam), 0, maxFirst);
      UpdateScrollInfo(h, s);
      UpdateCaret(h, s);
      Redraw(h);
      return 1;
    }
    case EM_SCROLL: {
      const int32_t step = wParam == SB_LINEUP     ? -1
                           : wParam == SB_LINEDOWN ? 1
                           : wParam == SB_PAGEUP   ? -VisibleLines(h, s)
                           : wParam == SB_PAGEDOWN ? VisibleLines(h, s)
                                                   : 0;
      SendMessage(h, EM_LINESCROLL, 0, step);
      return LRESULT(MAKELONG(uint16_t(std::abs(step)), 1));
    }
    case EM_SCROLLCARET:
      ScrollToCaret(h, s);
      Redraw(h);
      return 1;
    case EM_POSFROMCHAR: {
      const int32_t pos = Snap(s->Text, int32_t(wParam));
      TMeasureDC m(h, s->Font);
      TRect r = FormatRect(h, s);
      const int32_t x = r.Left + XOf(h, s, m.DC(), pos) - s->ScrollX;
      const int32_t y = r.Top + (LineOf(s, pos) - s->FirstLine) * LineHeight(h, s);
      return LRESULT(MAKELONG(uint16_t(int16_t(x)), uint16_t(int16_t(y))));
    }
    case EM_CHARFROMPOS: {
      const int32_t pos = PosFromPoint(h, s, LParamToPoint(lParam));
      return LRESULT(MAKELONG(uint16_t(std::min(pos, 0xFFFF)), uint16_t(LineOf(s, pos))));
    }
    case EM_FMTLINES:
    case EM_SETTABSTOPS:
    case EM_SETWORDBREAKPROC:
    case EM_GETWORDBREAKPROC:
    case EM_GETHANDLE:
    case EM_GETTHUMB: return 0;
    default: return DefWindowProc(h, msg, wParam, lParam);
  }
}
