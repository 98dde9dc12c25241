#include "platform/vcl/comctrls_common.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/gui/canvas.h"
#include "platform/gui/syscolors.h"
#include "platform/gui/win_paint.h"
#include "platform/vcl/drawframe.h"
#include "platform/vcl/stdctrls_native.h"

// ---- Notifications ----------------------------------------------------------------------

LRESULT ComNotify(HWND hwnd, uint32_t code, NMHDR* hdr) {
  hdr->hwndFrom = hwnd;
  hdr->idFrom = uintptr_t(GetWindowLong(hwnd, GWL_ID));
  hdr->code = code;
  HWND parent = GetParent(hwnd);
  if (parent == nullptr) return 0;
  return SendMessage(parent, WM_NOTIFY, WPARAM(hdr->idFrom), reinterpret_cast<LPARAM>(hdr));
}

LRESULT ComNotifyCode(HWND hwnd, uint32_t code) {
  NMHDR hdr;
  return ComNotify(hwnd, code, &hdr);
}

void ComRegisterClass(const char* Name, WNDPROC Proc) {
  WNDCLASS existing;
  if (GetClassInfo(nullptr, Name, &existing)) return;
  WNDCLASS wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = Proc;
  wc.cbWndExtra = sizeof(intptr_t);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = Name;
  RegisterClass(wc);
}

void ComCopyText(const String& Text, char* Buffer, int32_t Size) {
  if (Buffer == nullptr || Size <= 0) return;
  size_t n = std::min(Text.size(), size_t(Size - 1));
  while (n > 0 && n < Text.size() && (uint8_t(Text[n]) & 0xC0) == 0x80) --n;
  std::memcpy(Buffer, Text.data(), n);
  Buffer[n] = '\0';
}

// ---- Text measuring (added with the tree view) ----------------------------------------------

int32_t ComTextWidth(HWND hwnd, HFONT Font, const String& Text) {
  if (Text.empty()) return 0;
  HDC dc = GetDC(hwnd);
  const int32_t saved = SaveDC(dc);
  if (Font != nullptr) SelectObject(dc, Font);
  TSize sz{0, 0};
  GetTextExtentPoint32(dc, Text.c_str(), int32_t(Text.size()), &sz);
  RestoreDC(dc, saved);
  ReleaseDC(hwnd, dc);
  return sz.cx;
}

// ---- Custom draw ----------------------------------------------------------------------------

uint32_t ComCustomDraw(HWND hwnd, NMCUSTOMDRAW* cd, uint32_t stage) {
  cd->dwDrawStage = stage;
  return uint32_t(ComNotify(hwnd, NM_CUSTOMDRAW, &cd->hdr));
}

void TComCustomDrawDriver::Begin(TCanvas* Canvas, HDC DC, TFont* Font, TColor Color) {
  FCanvas = Canvas;
  FDC = DC;
  FSaved = SaveDC(DC);
  Canvas->Lock();
  Canvas->SetHandle(DC);
  if (Font != nullptr) Canvas->Font()->Assign(Font);
  Canvas->Brush()->SetColor(Color);
  Canvas->Brush()->SetStyle(TBrushStyle::bsSolid);
  FFontColor = Canvas->Font()->Color();
  FBrushColor = Canvas->Brush()->Color();
  FFontName = Canvas->Font()->Name();
  FFontHeight = Canvas->Font()->Height();
  FFontStyle = uint32_t(Canvas->Font()->Style().ToBits());
}

uint32_t TComCustomDrawDriver::Finish(bool DefaultDraw, COLORREF* ClrText, COLORREF* ClrTextBk) {
  uint32_t result = CDRF_DODEFAULT;
  HFONT newFont = nullptr;
  if (!DefaultDraw) {
    result = CDRF_SKIPDEFAULT;
  } else if (ClrText != nullptr && ClrTextBk != nullptr) {
    TFont* f = FCanvas->Font();
    if (f->Color() != FFontColor) {
      *ClrText = ColorToRGB(f->Color());
      result |= CDRF_NEWFONT;
    }
    if (FCanvas->Brush()->Color() != FBrushColor) {
      *ClrTextBk = ColorToRGB(FCanvas->Brush()->Color());
      result |= CDRF_NEWFONT;
    }
    if (f->Name() != FFontName || f->Height() != FFontHeight || uint32_t(f->Style().ToBits()) != FFontStyle) {
      newFont = f->Handle();
      result |= CDRF_NEWFONT;
    }
  }
  FCanvas->SetHandle(nullptr);
  RestoreDC(FDC, FSaved);
  // The control draws on with the handler's font; the font object stays
  // alive in the canvas until its next change.
  if (newFont != nullptr) SelectObject(FDC, newFont);
  FCanvas->Unlock();
  FCanvas = nullptr;
  return result;
}

// ---- Label editor -----------------------------------------------------------------------------

TComLabelEditor::~TComLabelEditor() { Abandon(); }

HWND TComLabelEditor::Start(HWND Owner, const TRect& Rect, const String& Text, HFONT Font, TEndEvent OnEnd) {
  if (FEdit != nullptr) End(true);
  RegisterStdControlClasses();
  HWND edit = CreateWindowEx(0, "Edit", Text.c_str(), WS_CHILD | WS_BORDER | ES_AUTOHSCROLL, Rect.Left, Rect.Top,
                             Rect.Width(), Rect.Height(), Owner, nullptr, nullptr, nullptr);
  if (edit == nullptr) return nullptr;
  FEdit = edit;
  FOwner = Owner;
  FOnEnd = std::move(OnEnd);
  FEnding = false;
  SetWindowLong(edit, GWL_USERDATA, reinterpret_cast<intptr_t>(this));
  FOldProc = reinterpret_cast<WNDPROC>(SetWindowLong(edit, GWL_WNDPROC, reinterpret_cast<intptr_t>(&EditProc)));
  if (Font != nullptr) SendMessage(edit, WM_SETFONT, reinterpret_cast<WPARAM>(Font), 0);
  SendMessage(edit, EM_SETSEL, 0, -1);
  ShowWindow(edit, SW_SHOW);
  SetFocus(edit);
  return edit;
}

void TComLabelEditor::End(bool Accept) {
  if (FEdit == nullptr || FEnding) return;
  FEnding = true;
  HWND edit = FEdit;
  const String text = GetWindowTextString(edit);
  TEndEvent onEnd = std::move(FOnEnd);
  FOnEnd = nullptr;
  if (onEnd) onEnd(Accept, text);
  // Destroyed only now that the notification has returned.
  if (IsWindow(edit)) {
    if (GetFocus() == edit && IsWindow(FOwner)) SetFocus(FOwner);
    DestroyWindow(edit);
  }
  FEdit = nullptr;
  FEnding = false;
}

void TComLabelEditor::Abandon() {
  if (FEdit == nullptr) return;
  HWND edit = FEdit;
  FEnding = true;
  FOnEnd = nullptr;
  if (IsWindow(edit)) DestroyWindow(edit);
  FEdit = nullptr;
  FEnding = false;
}

LRESULT TComLabelEditor::EditProc(HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<TComLabelEditor*>(GetWindowLong(hwnd, GWL_USERDATA));
  WNDPROC old = self != nullptr ? self->FOldProc : nullptr;
  if (self == nullptr || old == nullptr) return DefWindowProc(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_GETDLGCODE: return CallWindowProc(old, hwnd, msg, wParam, lParam) | DLGC_WANTALLKEYS;
    case WM_KEYDOWN:
      if (wParam == VK_RETURN || wParam == VK_ESCAPE) {
        self->End(wParam == VK_RETURN);
        return 0;
      }
      break;
    case WM_CHAR:
      if (wParam == '\r' || wParam == 27 || wParam == '\n') return 0;
      break;
    case WM_KILLFOCUS: {
      const LRESULT r = CallWindowProc(old, hwnd, msg, wParam, lParam);
      if (!self->FEnding) self->End(true);
      return r;
    }
    case WM_NCDESTROY:
      SetWindowLong(hwnd, GWL_WNDPROC, reinterpret_cast<intptr_t>(old));
      SetWindowLong(hwnd, GWL_USERDATA, 0);
      if (self->FEdit == hwnd) {
        // Destroyed from outside (the owner went away).
        self->FEdit = nullptr;
        self->FOnEnd = nullptr;
      }
      return CallWindowProc(old, hwnd, msg, wParam, lParam);
    default: break;
  }
  return CallWindowProc(old, hwnd, msg, wParam, lParam);
}

// ---- Slow second click -----------------------------------------------------------------------

void TComSlowClick::Arm(HWND Owner, int32_t Item) {
  Disarm();
  FOwner = Owner;
  FItem = Item;
  SetTimer(Owner, TimerId, GetDoubleClickTime(), nullptr);
}

void TComSlowClick::Disarm() {
  if (FOwner != nullptr && IsWindow(FOwner)) KillTimer(FOwner, TimerId);
  FOwner = nullptr;
  FItem = -1;
}

int32_t TComSlowClick::Fire(WPARAM TimerIdParam) {
  if (TimerIdParam != TimerId) return -1;
  const int32_t item = FItem;
  Disarm();
  return item;
}

// ---- Drag start ----------------------------------------------------------------------------

void TComDragDetect::Press(const TPoint& Pos, bool Right, int32_t Item) {
  FArmed = true;
  FStarted = false;
  FRight = Right;
  FItem = Item;
  FStart = Pos;
}

bool TComDragDetect::Move(const TPoint& Pos) {
  if (!FArmed || FStarted) return false;
  const int32_t cx = GetSystemMetrics(SM_CXDRAG), cy = GetSystemMetrics(SM_CYDRAG);
  if (std::abs(Pos.X - FStart.X) < cx && std::abs(Pos.Y - FStart.Y) < cy) return false;
  FStarted = true;
  return true;
}

// ---- Check-box state list ---------------------------------------------------------------------

HIMAGELIST ComCheckBoxStateList() {
  static HIMAGELIST list = [] {
    HIMAGELIST l = ImageList_Create(16, 16, ILC_MASK | ILC_COLOR32, 2, 0);
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateBitmap(32, 16, 1, 32, nullptr);
    HGDIOBJ old = SelectObject(dc, bmp);
    const COLORREF key = RGB(255, 0, 255);
    HBRUSH keyBrush = CreateSolidBrush(key);
    const TRect all{0, 0, 32, 16};
    FillRect(dc, all, keyBrush);
    DeleteObject(keyBrush);
    for (int32_t i = 0; i < 2; ++i) {
      TRect r{i * 16 + 1, 1, i * 16 + 1 + StdCheckSize, 1 + StdCheckSize};
      DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONCHECK | (i == 1 ? DFCS_CHECKED : 0));
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    ImageList_AddMasked(l, bmp, key);
    DeleteObject(bmp);
    return l;
  }();
  return list;
}

// ---- Drag images ------------------------------------------------------------------------------

namespace {

struct TDragImageState {
  HIMAGELIST List = nullptr;  // our copy of the image
  int32_t Cx = 0, Cy = 0;
  TPoint Hotspot;
  HWND Popup = nullptr;
  HWND Lock = nullptr;
  TPoint Pos;
  bool Shown = false;
};

TDragImageState& Drag() {
  static TDragImageState s;
  return s;
}

LRESULT DragImageProc(HWND h, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_NCHITTEST: return HTTRANSPARENT;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT:
      return StdPaintMessage(h, wParam, [&](HDC dc) {
        TRect c;
        GetClientRect(h, &c);
        FillRect(dc, c, GetSysColorBrush(COLOR_WINDOW));
        if (Drag().List != nullptr) ImageList_Draw(Drag().List, 0, dc, 0, 0, ILD_TRANSPARENT);
      });
    default: return DefWindowProc(h, msg, wParam, lParam);
  }
}

TPoint DragOrigin(HWND lock) {
  if (lock == nullptr) return TPoint{0, 0};
  TRect r;
  GetWindowRect(lock, &r);
  return TPoint{r.Left, r.Top};
}

void PlacePopup() {
  TDragImageState& s = Drag();
  if (s.Popup == nullptr) return;
  const TPoint o = DragOrigin(s.Lock);
  SetWindowPos(s.Popup, HWND_TOPMOST, o.X + s.Pos.X - s.Hotspot.X, o.Y + s.Pos.Y - s.Hotspot.Y, s.Cx, s.Cy,
               SWP_NOACTIVATE | (s.Shown ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
}

}  // namespace

bool ImageList_BeginDrag(HIMAGELIST list, int32_t index, int32_t dxHotspot, int32_t dyHotspot) {
  ImageList_EndDrag();
  int32_t cx = 0, cy = 0;
  if (!ImageList_GetIconSize(list, &cx, &cy) || index < 0 || index >= ImageList_GetImageCount(list)) return false;
  // Copy the image and its shape so the caller's list may go.
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP image = CreateBitmap(cx, cy, 1, 32, nullptr);
  HBITMAP mask = CreateBitmap(cx, cy, 1, 32, nullptr);
  HGDIOBJ old = SelectObject(dc, image);
  const TRect all{0, 0, cx, cy};
  FillRect(dc, all, reinterpret_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  ImageList_Draw(list, index, dc, 0, 0, ILD_TRANSPARENT);
  SelectObject(dc, mask);
  SetTextColor(dc, RGB(0, 0, 0));
  SetBkColor(dc, RGB(255, 255, 255));
  ImageList_Draw(list, index, dc, 0, 0, ILD_MASK);
  SelectObject(dc, old);
  DeleteDC(dc);
  TDragImageState& s = Drag();
  s.List = ImageList_Create(cx, cy, ILC_MASK | ILC_COLOR32, 1, 0);
  ImageList_Add(s.List, image, mask);
  DeleteObject(image);
  DeleteObject(mask);
  s.Cx = cx;
  s.Cy = cy;
  s.Hotspot = TPoint{dxHotspot, dyHotspot};
  ComRegisterClass("ComDragImage", DragImageProc);
  s.Popup = CreateWindowEx(WS_EX_LAYERED | WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TRANSPARENT | WS_EX_TOOLWINDOW,
                           "ComDragImage", "", WS_POPUP, 0, 0, cx, cy, nullptr, nullptr, nullptr, nullptr);
  if (s.Popup != nullptr) SetLayeredWindowAttributes(s.Popup, 0, 128, LWA_ALPHA);
  return true;
}

bool ImageList_DragEnter(HWND hwndLock, int32_t x, int32_t y) {
  TDragImageState& s = Drag();
  if (s.Popup == nullptr) return false;
  s.Lock = hwndLock;
  s.Pos = TPoint{x, y};
  s.Shown = true;
  PlacePopup();
  return true;
}

bool ImageList_DragMove(int32_t x, int32_t y) {
  TDragImageState& s = Drag();
  if (s.Popup == nullptr) return false;
  s.Pos = TPoint{x, y};
  PlacePopup();
  return true;
}

bool ImageList_DragLeave(HWND) {
  TDragImageState& s = Drag();
  if (s.Popup == nullptr) return false;
  s.Shown = false;
  PlacePopup();
  return true;
}

void ImageList_EndDrag() {
  TDragImageState& s = Drag();
  if (s.Popup != nullptr && IsWindow(s.Popup)) DestroyWindow(s.Popup);
  if (s.List != nullptr) ImageList_Destroy(s.List);
  s = TDragImageState{};
}

HWND ComDragImageWindow() { return Drag().Popup; }
