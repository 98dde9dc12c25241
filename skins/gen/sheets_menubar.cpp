// The "menubar" page: the skinned main menu bar on a form of the headless
// desktop, first in the skin, then in the default look. Each half shows a
// bar of six items (the second hot, the fifth pressed with its drop-down
// open), a narrow bar with its chevron, and the system menu of the form
// normal, maximised and rolled up.
#include <algorithm>
#include <memory>
#include <vector>

#include "platform/gui/win_readback.h"
#include "platform/vcl/forms.h"
#include "skin/engine/data/skindata.h"
#include "skin/engine/form/skinform.h"
#include "skin/engine/menus/skinmainmenubar.h"
#include "skins/gen/lint.h"
#include "skins/gen/sheets.h"

namespace {

void Pump() {
  if (Application != nullptr) Application->ProcessMessages();
}

// The desktop inside R (screen).
TRaster DesktopPart(TRect R) {
  const TRaster desk = BitmapToRaster(*DesktopPixels());
  R = TRect{std::max(0, R.Left), std::max(0, R.Top), std::min(desk.Width(), R.Right),
            std::min(desk.Height(), R.Bottom)};
  TRaster out(std::max(1, R.Right - R.Left), std::max(1, R.Bottom - R.Top));
  for (int32_t y = R.Top; y < R.Bottom; ++y)
    for (int32_t x = R.Left; x < R.Right; ++x) out.Set(x - R.Left, y - R.Top, desk.At(x, y));
  return out;
}

TRect Union(const TRect& A, const TRect& B) {
  return TRect{std::min(A.Left, B.Left), std::min(A.Top, B.Top), std::max(A.Right, B.Right),
               std::max(A.Bottom, B.Bottom)};
}

class TBarSheet {
 public:
  // Skin nullptr: the default look.
  explicit TBarSheet(TbsSkinData* Skin) : FSkin(Skin) {
    FForm = std::make_unique<TForm>(nullptr);
    FForm->SetBorderStyle(TBorderStyle::bsNone);
    FForm->SetBounds(30, 30, 560, 200);
    FSkinForm = new TbsSkinForm(FForm.get());
    FSkinForm->SetSkinData(Skin);
    FMenu = new TbsSkinMainMenu(FForm.get());
    const char* captions[] = {"&File", "&Edit", "&View", "&Image", "&Tools", "&Help"};
    for (int32_t i = 0; i < 6; ++i) {
      TMenuItem* top = Add(FMenu->Items(), "Top" + IntToStr(i), captions[i]);
      for (const char* sub : {"&Open...", "&Save", "-", "Propert&ies"}) Add(top, "", sub);
    }
    FBar = new TbsSkinMainMenuBar(FForm.get());
    FBar->SetParent(FForm.get());
    FBar->SetSkinForm(FSkinForm);
    FSkinForm->SetMainMenuBar(FBar);
    FBar->SetSkinData(Skin);
    FBar->SetMainMenu(FMenu);
    FForm->Show();
    Pump();
  }

  void Render(std::vector<std::vector<TRaster>>& Rows) {
    Rows.push_back({SixItems()});
    Rows.push_back({NarrowBar()});
    Rows.push_back(SystemMenus());
  }

 private:
  TMenuItem* Add(TMenuItem* Parent, const String& Name, const String& Caption) {
    auto* item = new TMenuItem(FForm.get());
    if (!Name.empty()) item->SetName(Name);
    item->SetCaption(Caption);
    Parent->Add(item);
    return item;
  }
  TRect BarScreenRect() const {
    const TPoint p = FBar->ClientToScreen(TPoint{0, 0});
    return TRect{p.X, p.Y, p.X + FBar->Width(), p.Y + FBar->Height()};
  }
  TRect MenuScreenRect(TRect R) const {
    TbsSkinMenu* menu = FSkinForm->SkinMenu();
    for (int32_t i = 0; i < menu->WindowCount(); ++i) R = Union(R, menu->Windows(i)->BoundsRect());
    return R;
  }

  TRaster SixItems() {
    FBar->Items(4)->MouseDown(0, 0, TMouseButton::mbLeft);
    TbsSkinMainMenuBarItem* hot = FBar->Items(1);
    hot->IsHot = hot->MouseIn = true;
    hot->MorphPos = 1;
    FBar->Repaint();
    Pump();
    TRaster r = DesktopPart(MenuScreenRect(BarScreenRect()));
    FSkinForm->SkinMenu()->CloseMenu();
    FBar->ResetItems();
    hot->IsHot = hot->MouseIn = false;
    Pump();
    return r;
  }

  TRaster NarrowBar() {
    FBar->SetAlign(TAlign::alNone);
    FBar->SetBounds(0, 0, 190, FBar->Height());
    FBar->Repaint();
    Pump();
    TRaster r = DesktopPart(BarScreenRect());
    FBar->SetAlign(TAlign::alTop);
    return r;
  }

  // Normal, maximised and rolled up, each at the form's top-left corner.
  std::vector<TRaster> SystemMenus() {
    std::vector<TRaster> parts;
    const auto shot = [&] {
      TMenuItem* items = FSkinForm->GetSysMenuItems();
      if (items == nullptr || items->Count() == 0) return;
      const TPoint p = FForm->ClientToScreen(TPoint{0, 0});
      FSkinForm->SkinMenuOpened();
      FSkinForm->SkinMenu()->Popup(nullptr, FSkin, false, items, TRect{p.X, p.Y, p.X, p.Y}, 0);
      Pump();
      if (FSkinForm->SkinMenu()->WindowCount() > 0)
        parts.push_back(DesktopPart(FSkinForm->SkinMenu()->Windows(0)->BoundsRect()));
      FSkinForm->SkinMenu()->CloseMenu();
      Pump();
    };
    shot();
    FSkinForm->SetWindowState(2);
    shot();
    FSkinForm->SetWindowState(0);
    FSkinForm->SetRollUpState(true);
    shot();
    FSkinForm->SetRollUpState(false);
    return parts;
  }

  TbsSkinData* FSkin;
  std::unique_ptr<TForm> FForm;
  TbsSkinForm* FSkinForm = nullptr;
  TbsSkinMainMenu* FMenu = nullptr;
  TbsSkinMainMenuBar* FBar = nullptr;
};

}  // namespace

TRaster MenuBarPage(TbsSkinData& Skin) {
  // Hover effects would still be running when the page is read back.
  const bool effects = Skin.EnableSkinEffects();
  Skin.SetEnableSkinEffects(false);
  std::vector<std::vector<TRaster>> rows;
  for (TbsSkinData* skin : {&Skin, static_cast<TbsSkinData*>(nullptr)}) {
    TBarSheet sheet(skin);
    sheet.Render(rows);
  }
  Skin.SetEnableSkinEffects(effects);
  Pump();
  return BuildSheetPage(rows);
}
