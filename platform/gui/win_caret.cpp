#include "platform/gui/win_caret.h"

#include "platform/gui/win_paint.h"
#include "platform/gui/win_paint_internal.h"
#include "platform/rtl/threads.h"

namespace {

struct TCaret {
  HWND Owner = nullptr;
  HBITMAP Shape = nullptr;  // the caller's bitmap (not copied, as on the platform)
  bool Gray = false;
  int32_t Width = 0;
  int32_t Height = 0;
  TPoint Pos;
  int32_t HideCount = 1;   // a new caret is hidden
  int32_t PaintHides = 0;  // hides by BeginPaint still to be undone by EndPaint
  bool Drawn = false;
  uintptr_t Timer = 0;
};

TCaret& Caret() {
  static TCaret* caret = new TCaret;
  return *caret;
}

uint32_t& BlinkTime() {
  static uint32_t ms = 530;
  return ms;
}

// Inverts the caret's rectangle on its window (clipped like any client DC).
void Invert() {
  TCaret& c = Caret();
  HDC dc = GetDC(c.Owner);
  if (!dc) return;
  if (c.Shape && GetObjectType(c.Shape) == OBJ_BITMAP) {
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mem, c.Shape);
    BitBlt(dc, c.Pos.X, c.Pos.Y, c.Width, c.Height, mem, 0, 0, SRCINVERT);
    SelectObject(mem, old);
    DeleteDC(mem);
  } else if (c.Gray) {
    // Every other pixel, like a 50 % grey pattern.
    static const uint16_t rows[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
    HBITMAP pattern = CreateBitmap(8, 8, 1, 1, rows);
    HBRUSH brush = CreatePatternBrush(pattern);
    HGDIOBJ old = SelectObject(dc, brush);
    const COLORREF oldText = SetTextColor(dc, 0xFFFFFF);
    const COLORREF oldBk = SetBkColor(dc, 0x000000);
    PatBlt(dc, c.Pos.X, c.Pos.Y, c.Width, c.Height, PATINVERT);
    SetTextColor(dc, oldText);
    SetBkColor(dc, oldBk);
    SelectObject(dc, old);
    DeleteObject(brush);
    DeleteObject(pattern);
  } else {
    PatBlt(dc, c.Pos.X, c.Pos.Y, c.Width, c.Height, DSTINVERT);
  }
  ReleaseDC(c.Owner, dc);
  c.Drawn = !c.Drawn;
}

void Erase() {
  if (Caret().Drawn) Invert();
}

void Blink() {
  TCaret& c = Caret();
  if (c.Owner && c.HideCount == 0) Invert();
}

void StopTimer() {
  TCaret& c = Caret();
  if (c.Timer) WinKillInternalTimer(c.Timer);
  c.Timer = 0;
}

// Shows the caret now and starts a full "on" period.
void DrawAndRestart() {
  TCaret& c = Caret();
  StopTimer();
  if (!c.Owner || c.HideCount != 0) return;
  if (!c.Drawn) Invert();
  if (BlinkTime() != INFINITE) c.Timer = WinSetInternalTimer(c.Owner, BlinkTime(), Blink);
}

bool IsCaretWindow(HWND hwnd) {
  const TCaret& c = Caret();
  return c.Owner && (hwnd == nullptr || hwnd == c.Owner);
}

}  // namespace

bool CreateCaret(HWND hwnd, HBITMAP bitmap, int32_t width, int32_t height) {
  WinAssertMainThread("CreateCaret");
  if (!WinFind(hwnd)) return false;
  DestroyCaret();
  TCaret& c = Caret();
  c = TCaret{};
  c.Owner = hwnd;
  const uintptr_t shape = reinterpret_cast<uintptr_t>(bitmap);
  if (shape == 1) {
    c.Gray = true;
  } else if (bitmap) {
    BITMAP bm;
    if (GetObject(bitmap, sizeof bm, &bm) == 0) return DestroyCaret(), false;
    c.Shape = bitmap;
    width = bm.bmWidth;
    height = bm.bmHeight;
  }
  c.Width = width > 0 ? width : GetSystemMetrics(SM_CXBORDER);
  c.Height = height > 0 ? height : GetSystemMetrics(SM_CYBORDER);
  return true;
}

bool DestroyCaret() {
  TCaret& c = Caret();
  if (!c.Owner) return false;
  if (WinFind(c.Owner)) Erase();
  StopTimer();
  c = TCaret{};
  return true;
}

bool HideCaret(HWND hwnd) {
  if (!IsCaretWindow(hwnd)) return false;
  TCaret& c = Caret();
  if (c.HideCount++ == 0) {
    StopTimer();
    Erase();
  }
  return true;
}

bool ShowCaret(HWND hwnd) {
  if (!IsCaretWindow(hwnd)) return false;
  TCaret& c = Caret();
  if (c.HideCount == 0) return true;
  if (--c.HideCount == 0) DrawAndRestart();
  return true;
}

bool SetCaretPos(int32_t x, int32_t y) {
  TCaret& c = Caret();
  if (!c.Owner) return false;
  if (c.Pos == TPoint{x, y}) return true;
  Erase();
  c.Pos = TPoint{x, y};
  if (c.HideCount == 0) DrawAndRestart();
  return true;
}

bool GetCaretPos(TPoint* pt) {
  if (!pt) return false;
  *pt = Caret().Owner ? Caret().Pos : TPoint{};
  return true;
}

uint32_t GetCaretBlinkTime() { return BlinkTime(); }

bool SetCaretBlinkTime(uint32_t ms) {
  if (ms == 0) return false;
  BlinkTime() = ms;
  TCaret& c = Caret();
  if (c.Owner && c.HideCount == 0) DrawAndRestart();
  return true;
}

bool CaretDrawn() { return Caret().Drawn; }

void WinCaretHideForPaint(HWND hwnd) {
  TCaret& c = Caret();
  if (!c.Owner || c.Owner != hwnd) return;
  ++c.PaintHides;
  HideCaret(hwnd);
}

void WinCaretShowAfterPaint(HWND hwnd) {
  TCaret& c = Caret();
  if (!c.Owner || c.Owner != hwnd || c.PaintHides == 0) return;
  --c.PaintHides;
  ShowCaret(hwnd);
}

void WinCaretWindowGone(HWND hwnd) {
  TCaret& c = Caret();
  if (c.Owner != hwnd) return;
  // The window's surface goes with it: nothing to erase.
  StopTimer();
  c = TCaret{};
}

void WinCaretReset() {
  StopTimer();
  Caret() = TCaret{};
  BlinkTime() = 530;
}
