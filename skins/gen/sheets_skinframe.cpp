// The "skinframe" page: the skinned frame of a form as the engine paints it
// (at the picture's size, twice as wide and at the minimum width, active and
// inactive), the plain look, every caption button in each state, the window
// region over a checkerboard, and skinned hints of one and two lines.
#include <algorithm>
#include <memory>
#include <vector>

#include "platform/gui/win_paint.h"
#include "platform/gui/win_readback.h"
#include "platform/vcl/forms.h"
#include "skin/engine/data/skindata.h"
#include "skin/engine/form/skinform.h"
#include "skin/engine/form/skinhint.h"
#include "skins/gen/lint.h"
#include "skins/gen/sheets.h"

namespace {

void Pump() {
  if (Application != nullptr) Application->ProcessMessages();
}

TRaster WindowRaster(HWND Wnd) {
  auto b = WindowPixels(Wnd, true);
  return b ? BitmapToRaster(*b) : TRaster(1, 1);
}

// The window's pixels inside its region, a checkerboard outside it.
TRaster RegionOverCheckerboard(HWND Wnd) {
  const TRaster w = WindowRaster(Wnd);
  TRaster out(w.Width(), w.Height());
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  const bool hasRegion = GetWindowRgn(Wnd, rgn) != ERROR;
  for (int32_t y = 0; y < w.Height(); ++y)
    for (int32_t x = 0; x < w.Width(); ++x) {
      const bool dark = ((x / 4) + (y / 4)) % 2 == 0;
      const bool inside = !hasRegion || PtInRegion(rgn, x, y);
      out.Set(x, y, inside ? w.At(x, y) : dark ? TRgb{160, 160, 160} : TRgb{230, 230, 230});
    }
  DeleteObject(rgn);
  return out;
}

// Parts side by side in rows, on white.
class TPageBuilder {
 public:
  void Add(TRaster Part) { FRows.back().push_back(std::move(Part)); }
  void NewRow() { FRows.emplace_back(); }
  TRaster Build() const { return BuildSheetPage(FRows); }

 private:
  std::vector<std::vector<TRaster>> FRows{1};
};

class TFrameSheet {
 public:
  explicit TFrameSheet(TbsSkinData& Skin) : FSkin(Skin) {
    FForm = std::make_unique<TForm>(nullptr);
    FForm->SetBorderStyle(TBorderStyle::bsSizeable);
    FForm->SetCaption("Pictoval");
    FOther = std::make_unique<TForm>(nullptr);
    FOther->SetBounds(900, 700, 60, 60);
    FSkinForm = new TbsSkinForm(FForm.get());
  }

  TRaster Render() {
    FSkinForm->SetSkinData(&FSkin);
    const int32_t pw = FSkin.MainPicture->Width(), ph = FSkin.MainPicture->Height();
    for (int32_t w : {pw, 2 * pw, FSkinForm->GetMinWidth()}) FramesAt(w, ph);
    FPage.NewRow();
    ButtonStates();
    FPage.NewRow();
    FSkinForm->SetSkinData(nullptr);
    FSkinForm->ChangeSkinData();
    FramesAt(300, 160);
    FPage.NewRow();
    Hints();
    return FPage.Build();
  }

 private:
  void Activate(TForm* Form) {
    Form->Show();
    Pump();
    SetActiveWindow(Form->Handle());
    Pump();
  }
  void Repaint() {
    RedrawWindow(FForm->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    Pump();
  }

  void FramesAt(int32_t W, int32_t H) {
    FForm->SetBounds(40, 40, W, H);
    Activate(FForm.get());
    Repaint();
    FPage.Add(RegionOverCheckerboard(FForm->Handle()));
    Activate(FOther.get());
    Repaint();
    FPage.Add(RegionOverCheckerboard(FForm->Handle()));
  }

  // Each caption button: normal, hot, pressed, disabled, inactive, restore.
  void ButtonStates() {
    FForm->SetBounds(40, 40, FSkin.MainPicture->Width(), FSkin.MainPicture->Height());
    Activate(FForm.get());
    Repaint();
    for (int32_t i = 0; i < FSkinForm->ObjectCount(); ++i) {
      auto* b = dynamic_cast<TbsSkinStdButtonObject*>(FSkinForm->Objects(i));
      if (b == nullptr || IsRectEmpty(b->FBounds)) continue;
      FPage.Add(ButtonRow(b));
    }
  }

  TRaster ButtonRow(TbsSkinStdButtonObject* B) {
    const TRect saved = B->FBounds;
    const int32_t w = saved.Width(), h = saved.Height();
    TBitmap row;
    row.SetSize(6 * (w + 4), h);
    row.Canvas()->Brush()->SetColor(clWhite);
    row.Canvas()->FillRect(TRect{0, 0, row.Width(), h});
    const bool enabled = B->FEnabled, visible = B->FVisible;
    auto draw = [&](int32_t Slot, bool Hot, bool Down, bool Enabled) {
      B->FHot = B->FMouseOver = Hot;
      B->FMorphPos = Hot ? 1 : 0;
      B->FDown = Down;
      B->FEnabled = Enabled;
      B->FBounds = TRect{Slot * (w + 4), 0, Slot * (w + 4) + w, h};
      B->Draw(row.Canvas(), true);
    };
    draw(0, false, false, true);
    draw(1, true, false, true);
    draw(2, true, true, true);
    draw(3, false, false, false);
    Activate(FOther.get());
    draw(4, false, false, true);
    Activate(FForm.get());
    const bool restoreable = B->FButtonCommand == TbsStdCommand::cmMaximize;
    if (restoreable) FSkinForm->SetWindowState(2);
    draw(5, false, false, true);
    if (restoreable) FSkinForm->SetWindowState(0);
    B->FHot = B->FMouseOver = B->FDown = false;
    B->FMorphPos = 0;
    B->FEnabled = enabled;
    B->FVisible = visible;
    B->FBounds = saved;
    return BitmapToRaster(row);
  }

  // The hint settings are looked up on the main form: one is made when the
  // application has none (the application frees it).
  void Hints() {
    if (Application == nullptr) return;
    TCustomForm* main = Application->MainForm();
    if (main == nullptr) {
      TForm* host = nullptr;
      Application->CreateForm(host);
      main = host;
    }
    auto* hint = new TbsSkinHint(main);
    hint->SetSkinData(&FSkin);
    TbsSkinHintWindow window(nullptr);
    for (const char* text : {"Close", "Rename the selected files\nwith the pattern"}) {
      window.ActivateHint(TRect{100, 100, 100, 100}, text);
      window.Repaint();
      Pump();
      if (window.HandleAllocated()) FPage.Add(WindowRaster(window.Handle()));
    }
    delete hint;
  }

  TbsSkinData& FSkin;
  std::unique_ptr<TForm> FForm, FOther;
  TbsSkinForm* FSkinForm = nullptr;
  TPageBuilder FPage;
};

}  // namespace

TRaster BuildSheetPage(const std::vector<std::vector<TRaster>>& Rows) {
  int32_t w = 0, h = 20;
  for (const auto& row : Rows) {
    int32_t rw = 20, rh = 0;
    for (const TRaster& p : row) rw += p.Width() + 20, rh = std::max(rh, p.Height());
    w = std::max(w, rw);
    h += rh + 20;
  }
  TRaster page(w, h, TRgb{255, 255, 255});
  int32_t y = 20;
  for (const auto& row : Rows) {
    int32_t x = 20, rh = 0;
    for (const TRaster& p : row) {
      page.Blit(p, x, y);
      x += p.Width() + 20;
      rh = std::max(rh, p.Height());
    }
    y += rh + 20;
  }
  return page;
}

TRaster SkinFramePage(TbsSkinData& Skin) {
  // Hover effects would still be running when the page is read back.
  const bool effects = Skin.EnableSkinEffects();
  Skin.SetEnableSkinEffects(false);
  TRaster page = TFrameSheet(Skin).Render();
  Skin.SetEnableSkinEffects(effects);
  Pump();
  return page;
}
