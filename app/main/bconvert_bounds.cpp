#include "app/main/bconvert.h"
#include "app/settings/guarded.h"
#include "app/settings/marloutils.h"
#include "platform/rtl/arith.h"
#include "skin/controls/skingauge.h"
#include "skin/engine/data/skindata.h"
#include "skin/engine/form/skinform.h"

namespace {

// The client size a first start gets, by the primary screen's size.
TPoint DefaultClientSize(int32_t ScreenW, int32_t ScreenH) {
  const int32_t w = ScreenW >= 1600 ? 1270 : ScreenW >= 1280 ? 1130 : ScreenW >= 1024 ? 870 : 730;
  const int32_t h = ScreenH >= 1200 ? 900 : ScreenH >= 1024 ? 760 : ScreenH >= 768 ? 570 : 480;
  return TPoint{w, h};
}

int32_t Half(int32_t V) { return int32_t(Round(V / 2.0)); }

}  // namespace

void TBatchConvert::RestoreWindowBounds() {
  Guarded([&] {
    const TProgramSettings& ps = *FProgramSettings;
    const int32_t sw = Screen->Width(), sh = Screen->Height();
    const TRect desk = Screen->DesktopRect();
    const bool skinned = bsSkinData1->SkinnableForm();
    const bool stored = desk.Width() == ps.lastScreenWidth && desk.Height() == ps.lastScreenHeight &&
                        ps.lastWidth > 100 && ps.lastWidth <= desk.Width() && ps.lastHeight > 100 &&
                        ps.lastHeight <= desk.Height();
    if (stored) {
      const int32_t left = std::min(std::max(desk.Left, ps.lastX), desk.Left + desk.Width() - 100);
      const int32_t top = std::min(std::max(desk.Top, ps.lastY), desk.Top + desk.Height() - 100);
      if (skinned)
        SetBounds(left, top, ps.lastWidth, ps.lastHeight);
      else
        SetNormalWindowRect(Handle(), left, top, ps.lastWidth, ps.lastHeight);
    } else {
      SetClientSize(DefaultClientSize(sw, sh));
      SetBounds(Half(sw - Width()), Half(sh - Height()), Width(), Height());
    }
    if (sw < 1024 || ps.Maximized) {
      if (skinned)
        bsSkinForm1->SetWindowState(2);
      else
        SetWindowState(TWindowState::wsMaximized);
    }
    if (Width() < 480) TabSheetLoading->SetWidth(Width() - 80);
  });
}

void TBatchConvert::StoreWindowBounds() {
  TProgramSettings& ps = *FProgramSettings;
  const TRect desk = Screen->DesktopRect();
  ps.lastScreenWidth = desk.Width();
  ps.lastScreenHeight = desk.Height();
  Guarded([&] {
    if (bsSkinData1->SkinnableForm()) {
      const bool maximized = bsSkinForm1->WindowState() == 2;
      TRect r = BoundsRect();
      if (maximized) bsSkinForm1->GetRestoreRect(r);
      const bool store = maximized ? r.Width() >= 1 && r.Height() >= 1 : !bsSkinForm1->RolledUp();
      if (store) {
        ps.lastX = r.Left;
        ps.lastY = r.Top;
        ps.lastWidth = r.Width();
        ps.lastHeight = r.Height();
      }
      ps.Maximized = maximized;
    } else {
      TRect r = BoundsRect();
      GetNormalWindowRect(Handle(), r);
      ps.lastX = r.Left;
      ps.lastY = r.Top;
      ps.lastWidth = r.Width();
      ps.lastHeight = r.Height();
      ps.Maximized = WindowState() == TWindowState::wsMaximized;
    }
  });
}
