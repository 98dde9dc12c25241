// PaintParentImage and the system routines of skindraw.h.
#include "platform/gui/win_paint.h"
#include "platform/vcl/controls.h"
#include "platform/vcl/forms.h"
#include "skin/engine/data/skindraw.h"

// ---- Painting what lies under a control --------------------------------------------------

namespace {

// Marks a control as painting a copy while it lives.
class TPaintCopyMark {
 public:
  explicit TPaintCopyMark(TControl* C) : FControl(C) {
    FControl->SetControlState(FControl->ControlState().Include(TControlStateItem::csPaintCopy));
  }
  ~TPaintCopyMark() { FControl->SetControlState(FControl->ControlState().Exclude(TControlStateItem::csPaintCopy)); }
  TPaintCopyMark(const TPaintCopyMark&) = delete;
  TPaintCopyMark& operator=(const TPaintCopyMark&) = delete;

 private:
  TControl* FControl;
};

// Saves the DC's state, moves its origin by (DX, DY) from where it stood and
// clips to (0, 0, W, H) there; restores the state when it goes.
class TMovedDC {
 public:
  TMovedDC(HDC DC, int32_t DX, int32_t DY, int32_t W, int32_t H) : FDC(DC), FSaved(SaveDC(DC)) {
    OffsetViewportOrgEx(FDC, DX, DY, nullptr);
    IntersectClipRect(FDC, 0, 0, W, H);
  }
  ~TMovedDC() { RestoreDC(FDC, FSaved); }
  TMovedDC(const TMovedDC&) = delete;
  TMovedDC& operator=(const TMovedDC&) = delete;

 private:
  HDC FDC;
  int32_t FSaved;
};

WPARAM AsWParam(HDC DC) { return reinterpret_cast<WPARAM>(DC); }

void PaintParentBackground(TWinControl* Parent, HDC DC) {
  auto* form = dynamic_cast<TCustomForm*>(Parent);
  if (form != nullptr && form->FormStyle() == TFormStyle::fsMDIForm && form->ClientHandle() != nullptr) {
    SendMessage(form->ClientHandle(), WM_ERASEBKGND, AsWParam(DC), 0);
  } else if (auto* painter = dynamic_cast<IbsClientBackgroundPainter*>(Parent)) {
    painter->PaintClientBackground(DC);
  } else {
    Parent->Perform(WM_ERASEBKGND, AsWParam(DC), 0);
    if (form == nullptr) Parent->PaintWindowOnly(DC);
  }
}

// Parent's background, then its graphic children before Control that
// overlap Control, painted as if Cnvs's origin were Control's point Offset.
void PaintUnder(TControl* Control, const TPoint& Offset, TCanvas* Cnvs) {
  if (Control == nullptr || Control->Parent() == nullptr) return;
  TWinControl* parent = Control->Parent();
  HDC dc = Cnvs->Handle();
  TPaintCopyMark parentMark(parent);
  {
    TMovedDC moved(dc, -Control->Left() - Offset.X, -Control->Top() - Offset.Y, parent->ClientWidth(),
                   parent->ClientHeight());
    PaintParentBackground(parent, dc);
  }
  const TRect bounds = Control->BoundsRect();
  for (int32_t i = 0; i < parent->ControlCount(); ++i) {
    TControl* sibling = parent->Controls(i);
    if (sibling == Control) break;
    TRect overlap;
    if (dynamic_cast<TGraphicControl*>(sibling) == nullptr || !sibling->Visible() ||
        !IntersectRect(overlap, bounds, sibling->BoundsRect()))
      continue;
    TPaintCopyMark siblingMark(sibling);
    TMovedDC moved(dc, sibling->Left() - Control->Left() - Offset.X, sibling->Top() - Control->Top() - Offset.Y,
                   sibling->Width(), sibling->Height());
    sibling->Perform(WM_PAINT, AsWParam(dc), 0);
  }
}

}  // namespace

void PaintParentImage(TControl* Control, TCanvas* Cnvs) { PaintUnder(Control, TPoint{0, 0}, Cnvs); }

void PaintParentImageRect(TControl* Control, const TRect& R, TCanvas* Cnvs) {
  PaintUnder(Control, TPoint{R.Left, R.Top}, Cnvs);
}

// ---- System ------------------------------------------------------------------------------

void GetWindowsVersion(int32_t& Major, int32_t& Minor) {
  const uint32_t v = GetVersion();
  Major = int32_t(v & 0xFF);
  Minor = int32_t((v >> 8) & 0xFF);
}

bool IsWindowsVistaOrLater(int32_t Major, int32_t) { return Major > 5; }

bool IsWindowsXP(int32_t Major, int32_t Minor) { return Major > 5 || (Major == 5 && Minor == 1); }

bool IsWindows2000OrLater(int32_t Major, int32_t Minor) {
  return Major > 5 || (Major == 5 && Minor >= 0 && Minor <= 2);
}

namespace {

template <bool (*Test)(int32_t, int32_t)>
bool OnThisSystem() {
  int32_t major = 0, minor = 0;
  GetWindowsVersion(major, minor);
  return Test(major, minor);
}

}  // namespace

bool IsWindowsVistaOrLater() { return OnThisSystem<IsWindowsVistaOrLater>(); }
bool IsWindowsXP() { return OnThisSystem<IsWindowsXP>(); }
bool IsWindows2000OrLater() { return OnThisSystem<IsWindows2000OrLater>(); }

void SetWindowAlpha(HWND Wnd, uint8_t Alpha) { SetLayeredWindowAttributes(Wnd, 0, Alpha, LWA_ALPHA); }

void GetMonitorRect(HWND Wnd, bool WorkArea, TRect& R) {
  if (GetSystemMetrics(SM_CMONITORS) > 1 && HaveGetMonitorInfo) {
    MONITORINFO info;
    info.cbSize = 40;
    if (GetMonitorInfo(MonitorFromWindow(Wnd, MONITOR_DEFAULTTONEAREST), &info))
      R = WorkArea ? info.rcWork : info.rcMonitor;
    return;
  }
  if (WorkArea)
    SystemParametersInfo(SPI_GETWORKAREA, 0, &R, 0);
  else
    R = TRect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

bool SafeGetScrollBarInfo(HWND Wnd, int32_t ObjectId, SCROLLBARINFO& Info) {
  if constexpr (HaveGetScrollBarInfo) {
    return GetScrollBarInfo(Wnd, ObjectId, &Info);
  } else {
    Info.rgstate[0] = STATE_SYSTEM_INVISIBLE;
    return false;
  }
}
