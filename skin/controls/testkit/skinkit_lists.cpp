#include "skin/controls/testkit/skinkit_lists.h"

namespace SkinKit {
namespace {

void Fill(TBitmap* B, const TRect& R, TColor C) {
  B->Canvas()->Brush()->SetColor(C);
  B->Canvas()->FillRect(R);
}

// A 60 x 18 item picture at Y with 5-pixel caps.
void ItemBlock(TBitmap* B, int32_t Y, TColor Middle) {
  Fill(B, TRect{0, Y, 60, Y + ListItemHeight}, ListItemCap);
  Fill(B, TRect{5, Y, 55, Y + ListItemHeight}, Middle);
}

std::unique_ptr<TBitmap> ListsPicture() {
  auto B = std::make_unique<TBitmap>();
  B->SetPixelFormat(TPixelFormat::pf24bit);
  B->SetSize(100, 140);
  Fill(B.get(), TRect{0, 0, 100, 140}, Rgb(255, 255, 255));
  Fill(B.get(), ListRect, ListFrame);
  Fill(B.get(), TRect{0, 0, 100, 20}, ListCaption);
  Fill(B.get(), ListClientRect, ListClient);
  Fill(B.get(), TRect{10, 20, 12, 22}, ListClientMark);
  for (const TRect& r : {ListCheckButton, ListDownButton, ListUpButton}) Fill(B.get(), r, ListButton);
  ItemBlock(B.get(), 62, ListItem);
  ItemBlock(B.get(), 82, ListActiveItem);
  ItemBlock(B.get(), 102, ListFocusItem);
  Fill(B.get(), TRect{0, 122, 12, 136}, ListButtonHot);
  Fill(B.get(), TRect{12, 122, 24, 136}, ListButtonDown);
  return B;
}

std::unique_ptr<TbsDataSkinListBox> ListBox(const String& Name, int32_t Picture, bool Items) {
  auto D = std::make_unique<TbsDataSkinListBox>(Name);
  D->PictureIndex = Picture;
  D->SkinRect = ListRect;
  D->LeftTopPoint = {10, 20};
  D->RightTopPoint = {40, 20};
  D->LeftBottomPoint = {10, 50};
  D->RightBottomPoint = {90, 50};
  D->ClientRect = ListClientRect;
  if (Items) {
    D->ItemRect = TRect{0, 62, 60, 80};
    D->ActiveItemRect = TRect{0, 82, 60, 100};
    D->FocusItemRect = TRect{0, 102, 60, 120};
  }
  D->ItemLeftOffset = D->ItemRightOffset = 5;
  D->ItemTextRect = TRect{5, 1, 55, 17};
  D->FontName = "Arial";
  D->FontHeight = 13;
  D->FontColor = ListFont;
  D->ActiveFontColor = ListActiveFont;
  D->FocusFontColor = ListFocusFont;
  D->CaptionRect = TRect{12, 2, 52, 18};
  D->CaptionFontHeight = 13;
  D->CaptionFontColor = ListCaptionFont;
  D->UpButtonRect = ListUpButton;
  D->DownButtonRect = ListDownButton;
  D->CheckButtonRect = ListCheckButton;
  const TRect hot{0, 122, 12, 136}, pressed{12, 122, 24, 136};
  D->ActiveUpButtonRect = D->ActiveDownButtonRect = D->ActiveCheckButtonRect = hot;
  D->DownUpButtonRect = D->DownDownButtonRect = D->DownCheckButtonRect = pressed;
  return D;
}

}  // namespace
}  // namespace SkinKit

void AddKitListDescriptions(TbsSkinData* S) {
  using namespace SkinKit;
  const int32_t picture = int32_t(S->ActivePictures.size());
  S->ActivePictures.push_back(ListsPicture());
  S->ControlDescriptions.push_back(ListBox("listbox", picture, true));
  S->ControlDescriptions.push_back(ListBox("listboxnoitem", picture, false));
}
