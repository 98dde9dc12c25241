// Window placement, focus, redrawing and font quality.
#include "app/settings/marloutils.h"

#include <utility>

#include "platform/gui/canvas.h"
#include "platform/gui/win_paint.h"
#include "platform/rtl/exceptions.h"
#include "platform/vcl/comctrls_listview.h"
#include "platform/vcl/controls.h"
#include "platform/vcl/forms.h"

namespace {

// A new font from Font's own description with the given quality; nullptr
// when the description cannot be read.
HFONT FontWithQuality(HFONT Font, uint8_t Quality) {
  LOGFONT lf;
  if (!Font || GetObject(Font, int32_t(sizeof(LOGFONT)), &lf) <= 0) return nullptr;
  lf.lfQuality = Quality;
  return CreateFontIndirect(lf);
}

}  // namespace

bool ForceForegroundWindow(HWND Wnd) {
  if (!IsWindow(Wnd)) return false;
  if (IsIconic(Wnd)) ShowWindow(Wnd, SW_RESTORE);
  if (GetForegroundWindow() == Wnd) return true;
  BringWindowToTop(Wnd);
  SetForegroundWindow(Wnd);
  return GetForegroundWindow() == Wnd;
}

void SafeFocus(TWinControl* Control) {
  if (!Control || !Application || !Application->Active()) return;
  try {
    if (!Control->Focused()) Control->SetFocus();
  } catch (const Exception&) {
    // A control that cannot take the focus now (hidden, disabled) keeps
    // the focus where it is.
  }
}

void SetRedrawLock(TWinControl* Control, bool Lock) {
  if (!Control || !Control->HandleAllocated()) return;
  const HWND wnd = Control->Handle();
  if (Lock) {
    SendMessage(wnd, WM_SETREDRAW, 0, 0);
    return;
  }
  SendMessage(wnd, WM_SETREDRAW, 1, 0);
  RedrawWindow(wnd, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void SetIconSpacing(TCustomListView* ListView, int32_t Cx, int32_t Cy) {
  if (!ListView) return;
  SendMessage(ListView->Handle(), LVM_SETICONSPACING, 0, MAKELPARAM(Cx, Cy));
}

bool GetNormalWindowRect(HWND Wnd, TRect& Rect) {
  WINDOWPLACEMENT placement;
  if (!GetWindowPlacement(Wnd, &placement)) return false;
  Rect = placement.rcNormalPosition;
  return true;
}

void SetNormalWindowRect(HWND Wnd, int32_t Left, int32_t Top, int32_t Width, int32_t Height) {
  WINDOWPLACEMENT placement;
  placement.rcNormalPosition = TRect{Left, Top, Left + Width, Top + Height};
  placement.ptMinPosition = TPoint{-1, -1};
  placement.ptMaxPosition = TPoint{-1, -1};
  SetWindowPlacement(Wnd, &placement);
}

bool IsCursorOutsidePanel(TControl* Panel, int32_t Height) {
  TPoint pt;
  if (!Panel || !GetCursorPos(&pt)) return false;
  pt = Panel->ScreenToClient(pt);
  if (pt.X < 0 || pt.X > Panel->Width() || pt.Y < 0) return true;
  return pt.Y > (Height < 1 ? Panel->Height() : Height);
}

void SetFontAntialiased(TFont* Font) {
  if (!Font || GetOSVersionCode() <= 4) return;
  if (HFONT h = FontWithQuality(Font->Handle(), ANTIALIASED_QUALITY)) Font->SetHandle(h);
}

TCanvasFontQuality::TCanvasFontQuality(TCanvasFontQuality&& Other) noexcept
    : FDc(std::exchange(Other.FDc, nullptr)),
      FCopy(std::exchange(Other.FCopy, nullptr)),
      FPrevious(std::exchange(Other.FPrevious, nullptr)) {}

TCanvasFontQuality& TCanvasFontQuality::operator=(TCanvasFontQuality&& Other) noexcept {
  if (this != &Other) {
    Restore();
    FDc = std::exchange(Other.FDc, nullptr);
    FCopy = std::exchange(Other.FCopy, nullptr);
    FPrevious = std::exchange(Other.FPrevious, nullptr);
  }
  return *this;
}

TCanvasFontQuality::~TCanvasFontQuality() { Restore(); }

void TCanvasFontQuality::Restore() {
  if (!FCopy) return;
  // The canvas may have selected its own font again in the meantime.
  if (GetCurrentObject(FDc, OBJ_FONT) == FCopy) SelectObject(FDc, FPrevious);
  DeleteObject(FCopy);
  FCopy = nullptr;
}

TCanvasFontQuality SelectCanvasFontQuality(TCanvas* Canvas, bool Antialiased) {
  if (!Canvas || GetOSVersionCode() <= 4) return TCanvasFontQuality();
  try {
    const HDC dc = Canvas->Handle();
    const HFONT copy =
        FontWithQuality(Canvas->Font()->Handle(), Antialiased ? ANTIALIASED_QUALITY : NONANTIALIASED_QUALITY);
    if (!copy) return TCanvasFontQuality();
    return TCanvasFontQuality(dc, copy, SelectObject(dc, copy));
  } catch (const Exception&) {
    // A canvas that cannot draw has no font to change.
    return TCanvasFontQuality();
  }
}
