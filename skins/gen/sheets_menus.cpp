// The menus page of the contact sheets: real popup windows of the skin
// engine, opened on the headless desktop and read back from it.
#include <algorithm>
#include <memory>

#include "platform/gui/win_readback.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/imglist.h"
#include "skin/engine/data/skindata.h"
#include "skin/engine/menus/skinmenus.h"
#include "skins/gen/generator.h"
#include "skins/gen/lint.h"
#include "skins/gen/sheets.h"

namespace {

constexpr uint32_t kDown = 40, kRight = 39;

// Twelve items showing every mark an item has; "Recent" has a submenu.
void FillMenu(TPopupMenu* Menu, TCustomImageList* Images) {
  Menu->SetImages(Images);
  TMenuItem* root = Menu->Items();
  const auto add = [&](TMenuItem* Parent, const String& Caption) {
    auto* item = new TMenuItem(Menu);
    item->SetCaption(Caption);
    Parent->Add(item);
    return item;
  };
  TMenuItem* item = add(root, "&New");
  item->SetImageIndex(0);
  item->SetShortCut(ShortCut('N', TShiftState{TShiftStateItem::ssCtrl}));
  add(root, "&Open...");
  TMenuItem* recent = add(root, "&Recent");
  for (const char* name : {"holiday.jpg", "scan-0042.tif", "logo.png"}) add(recent, name);
  add(root, "&Save")->SetShortCut(ShortCut('S', TShiftState{TShiftStateItem::ssCtrl}));
  add(root, "-");
  add(root, "Show &grid")->SetChecked(true);
  item = add(root, "&Fit to window");
  item->SetRadioItem(true);
  item->SetChecked(true);
  add(root, "&Actual size")->SetRadioItem(true);
  add(root, "&Print")->SetEnabled(false);
  add(root, "-");
  add(root, "Propert&ies");
  item = add(root, "&Close");
  item->SetName("BSF_CLOSE");
}

std::unique_ptr<TCustomImageList> MakeImages() {
  auto images = std::make_unique<TCustomImageList>(nullptr, 16, 16);
  TBitmap glyph;
  glyph.SetSize(16, 16);
  TCanvas* c = glyph.Canvas();
  c->Brush()->SetColor(clWhite);
  c->FillRect(TRect{0, 0, 16, 16});
  c->Brush()->SetColor(TColor(0x00B06020));
  c->FillRect(TRect{3, 1, 13, 15});
  c->Brush()->SetColor(clWhite);
  c->FillRect(TRect{5, 4, 11, 5});
  c->FillRect(TRect{5, 7, 11, 8});
  images->Add(&glyph, nullptr);
  return images;
}

// The desktop under the open windows of the menu, with a margin.
TRaster Capture(TbsSkinMenu& Menu) {
  TRect r{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
  for (int32_t i = 0; i < Menu.WindowCount(); ++i) {
    const TRect b = Menu.Windows(i)->BoundsRect();
    r = TRect{std::min(r.Left, b.Left), std::min(r.Top, b.Top), std::max(r.Right, b.Right),
              std::max(r.Bottom, b.Bottom)};
  }
  const TRaster desk = BitmapToRaster(*DesktopPixels());
  r = TRect{std::max(0, r.Left - 8), std::max(0, r.Top - 8), std::min(desk.Width(), r.Right + 8),
            std::min(desk.Height(), r.Bottom + 8)};
  TRaster out(r.Right - r.Left, r.Bottom - r.Top);
  for (int32_t y = r.Top; y < r.Bottom; ++y)
    for (int32_t x = r.Left; x < r.Right; ++x) out.Set(x - r.Left, y - r.Top, desk.At(x, y));
  return out;
}

// Opens the menu at (X, Y) and walks the keyboard to the submenu of
// "Recent", which opens with its first entry hot.
TRaster ShowWithSubmenu(TbsSkinMenu& Menu, TbsSkinData* Skin, TPopupMenu* Popup, int32_t X, int32_t Y) {
  Menu.Popup(nullptr, Skin, false, Popup->Items(), TRect{X, Y, X, Y}, 0);
  for (int32_t i = 0; i < 2; ++i) Menu.LastWindow()->ProcessKey(kDown);
  Menu.LastWindow()->ProcessKey(kRight);
  if (Application != nullptr) Application->ProcessMessages();
  TRaster r = Capture(Menu);
  Menu.CloseMenu();
  return r;
}

TRaster Beside(const std::vector<TRaster>& Parts) {
  int32_t w = 20, h = 0;
  for (const TRaster& p : Parts) {
    w += p.Width() + 20;
    h = std::max(h, p.Height());
  }
  TRaster page(w, h + 40, TRgb{255, 255, 255});
  int32_t x = 20;
  for (const TRaster& p : Parts) {
    page.Blit(p, x, 20);
    x += p.Width() + 20;
  }
  return page;
}

}  // namespace

TRaster MenusPage(TbsSkinData& Skin) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 200, 100);
  form.HandleNeeded();
  auto images = MakeImages();
  TPopupMenu popup(nullptr);
  FillMenu(&popup, images.get());
  TbsSkinMenu menu(nullptr, &form);
  // Hover effects would still be running when the page is read back.
  const bool effects = Skin.EnableSkinEffects();
  Skin.SetEnableSkinEffects(false);
  std::vector<TRaster> parts;
  parts.push_back(ShowWithSubmenu(menu, &Skin, &popup, 40, 40));
  parts.push_back(ShowWithSubmenu(menu, nullptr, &popup, 40, 40));
  TPopupMenu many(nullptr);
  for (int32_t i = 0; i < 30; ++i) {
    auto* item = new TMenuItem(&many);
    item->SetCaption("Item " + IntToStr(i + 1));
    many.Items()->Add(item);
  }
  menu.MaxMenuItemsInWindow = 10;
  menu.Popup(nullptr, &Skin, false, many.Items(), TRect{40, 40, 40, 40}, 0);
  for (int32_t i = 0; i < 12; ++i) menu.LastWindow()->ProcessKey(kDown);
  parts.push_back(Capture(menu));
  menu.CloseMenu();
  Skin.SetEnableSkinEffects(effects);
  if (Application != nullptr) Application->ProcessMessages();
  return Beside(parts);
}
