#include "skin/controls/testkit/skinkit_combos.h"

namespace SkinKit {
namespace {

void Fill(TBitmap* B, const TRect& R, TColor C) {
  B->Canvas()->Brush()->SetColor(C);
  B->Canvas()->FillRect(R);
}

void FrameBlock(TBitmap* B, int32_t Top, TColor Frame, TColor Face) {
  Fill(B, TRect{0, Top, 100, Top + 20}, Frame);
  Fill(B, TRect{1, Top + 1, 99, Top + 19}, Face);
  Fill(B, TRect{80, Top + 2, 97, Top + 18}, ComboButtonFace);
}

void ItemBlock(TBitmap* B, int32_t X, int32_t Y, TColor Middle) {
  Fill(B, TRect{X, Y, X + 60, Y + 14}, ComboItemCap);
  Fill(B, TRect{X + 5, Y, X + 55, Y + 14}, Middle);
}

void NineBlock(TBitmap* B, int32_t X, int32_t Y, TColor Face) {
  Fill(B, TRect{X, Y, X + 20, Y + 20}, ComboFrame);
  Fill(B, TRect{X + 3, Y + 3, X + 17, Y + 17}, Face);
}

std::unique_ptr<TBitmap> CombosPicture() {
  auto B = std::make_unique<TBitmap>();
  B->SetPixelFormat(TPixelFormat::pf24bit);
  B->SetSize(140, 80);
  Fill(B.get(), TRect{0, 0, 140, 80}, Rgb(255, 255, 255));
  FrameBlock(B.get(), 0, ComboFrame, ComboFace);
  FrameBlock(B.get(), 20, ComboActiveFrame, ComboActiveFace);
  Fill(B.get(), TRect{100, 0, 117, 16}, ComboButtonHot);
  Fill(B.get(), TRect{117, 0, 134, 16}, ComboButtonDown);
  Fill(B.get(), TRect{100, 16, 117, 32}, ComboButtonDisabled);
  ItemBlock(B.get(), 0, 40, ComboItem);
  ItemBlock(B.get(), 0, 54, ComboFocusItem);
  ItemBlock(B.get(), 60, 40, ComboActiveItem);
  NineBlock(B.get(), 100, 60, ComboNineFace);
  NineBlock(B.get(), 120, 60, ComboNineHot);
  return B;
}

}  // namespace
}  // namespace SkinKit

void AddKitComboDescriptions(TbsSkinData* S) {
  using namespace SkinKit;
  const int32_t picture = int32_t(S->ActivePictures.size());
  S->ActivePictures.push_back(CombosPicture());
  auto& L = S->ControlDescriptions;

  auto c = std::make_unique<TbsDataSkinComboBox>("combobox");
  c->PictureIndex = picture;
  c->SkinRect = ComboSkinRect;
  c->ActiveSkinRect = ComboActiveRect;
  c->LeftTopPoint = {5, 0};
  c->RightTopPoint = {78, 0};
  c->ClientRect = ComboClientRect;
  c->ItemRect = TRect{0, 40, 60, 54};
  c->FocusItemRect = TRect{0, 54, 60, 68};
  c->ActiveItemRect = TRect{60, 40, 120, 54};
  c->ItemLeftOffset = c->ItemRightOffset = 5;
  c->ItemTextRect = TRect{5, 0, 55, 14};
  c->FontName = "Arial";
  c->FontHeight = 13;
  c->FontColor = ComboFont;
  c->FocusFontColor = ComboFocusFont;
  c->ActiveFontColor = ComboActiveFont;
  c->ListBoxName = "listbox";
  c->ButtonRect = ComboButtonPlace;
  c->ActiveButtonRect = TRect{100, 0, 117, 16};
  c->DownButtonRect = TRect{117, 0, 134, 16};
  c->UnEnabledButtonRect = TRect{100, 16, 117, 32};
  L.push_back(std::move(c));

  auto b = std::make_unique<TbsDataSkinButtonControl>("combobutton");
  b->PictureIndex = picture;
  b->SkinRect = TRect{100, 60, 120, 80};
  b->ActiveSkinRect = TRect{120, 60, 140, 80};
  b->LeftTopPoint = {3, 3};
  b->RightTopPoint = {17, 3};
  b->LeftBottomPoint = {3, 17};
  b->RightBottomPoint = {17, 17};
  b->ClientRect = TRect{3, 3, 17, 17};
  b->FontColor = ComboFont;
  b->ActiveFontColor = ComboActiveFont;
  b->DownFontColor = Rgb(255, 255, 255);
  L.push_back(std::move(b));
}
