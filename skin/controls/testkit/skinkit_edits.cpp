#include "skin/controls/testkit/skinkit_edits.h"

namespace SkinKit {
namespace {

void Fill(TBitmap* B, const TRect& R, TColor C) {
  B->Canvas()->Brush()->SetColor(C);
  B->Canvas()->FillRect(R);
}

// A 60 x 20 edit picture at Top: a one-pixel frame around Face, and the
// right cap's button place in ButtonFace.
void EditBlock(TBitmap* B, int32_t Top, TColor Frame, TColor Face, TColor ButtonFace, const TRect& Place) {
  Fill(B, TRect{0, Top, 60, Top + 20}, Frame);
  Fill(B, TRect{1, Top + 1, 59, Top + 19}, Face);
  Fill(B, TRect{Place.Left, Top + Place.Top, Place.Right, Top + Place.Bottom}, ButtonFace);
}

std::unique_ptr<TBitmap> EditsPicture() {
  auto B = std::make_unique<TBitmap>();
  B->SetPixelFormat(TPixelFormat::pf24bit);
  B->SetSize(140, 80);
  Fill(B.get(), TRect{0, 0, 140, 80}, Rgb(255, 255, 255));
  EditBlock(B.get(), 0, EditFrame, EditFace, EditButtonFace, EditButtonPlace);
  EditBlock(B.get(), 20, EditActiveFrame, EditActiveFace, EditButtonFace, EditButtonPlace);
  const TColor buttons[3] = {EditButtonHot, EditButtonDown, EditButtonDisabled};
  for (int32_t i = 0; i < 3; ++i) Fill(B.get(), TRect{60 + i * 15, 0, 75 + i * 15, 14}, buttons[i]);
  EditBlock(B.get(), 40, EditFrame, SpinFace, SpinButtonFace, TRect{45, 2, 58, 18});
  EditBlock(B.get(), 60, EditActiveFrame, SpinActiveFace, SpinButtonFace, TRect{45, 2, 58, 18});
  Fill(B.get(), TRect{45, 49, 58, 51}, EditFrame);  // the line between the spin buttons
  Fill(B.get(), TRect{45, 69, 58, 71}, EditActiveFrame);
  const TColor states[4] = {SpinButtonHot, SpinButtonDown, SpinButtonHot, SpinButtonDown};
  for (int32_t i = 0; i < 4; ++i)
    Fill(B.get(), TRect{60 + (i % 2) * 13, 20 + (i / 2) * 10, 73 + (i % 2) * 13, 28 + (i / 2) * 10}, states[i]);
  for (int32_t i = 0; i < 3; ++i) {
    const TRect R{90 + (i == 0 ? 0 : (i - 1) * 20), i == 0 ? 40 : 60, 110 + (i == 0 ? 0 : (i - 1) * 20),
                  i == 0 ? 60 : 80};
    Fill(B.get(), R, EditFrame);
    Fill(B.get(), TRect{R.Left + 3, R.Top + 3, R.Right - 3, R.Bottom - 3}, i == 0 ? EditButtonNine : buttons[i - 1]);
  }
  return B;
}

}  // namespace
}  // namespace SkinKit

void AddKitEditDescriptions(TbsSkinData* S) {
  using namespace SkinKit;
  const int32_t picture = int32_t(S->ActivePictures.size());
  S->ActivePictures.push_back(EditsPicture());
  auto& L = S->ControlDescriptions;

  auto e = std::make_unique<TbsDataSkinEditControl>("edit");
  e->PictureIndex = picture;
  e->SkinRect = EditSkinRect;
  e->ActiveSkinRect = EditActiveRect;
  e->LeftTopPoint = {5, 0};
  e->RightTopPoint = {40, 0};
  e->ClientRect = EditClientRect;
  e->FontName = "Arial";
  e->FontHeight = 13;
  e->FontColor = EditFont;
  e->ActiveFontColor = EditActiveFont;
  e->DisabledFontColor = EditDisabledFont;
  e->ButtonRect = EditButtonPlace;
  e->ActiveButtonRect = TRect{60, 0, 75, 14};
  e->DownButtonRect = TRect{75, 0, 90, 14};
  e->UnEnabledButtonRect = TRect{90, 0, 105, 14};
  L.push_back(std::move(e));

  auto s = std::make_unique<TbsDataSkinSpinEditControl>("spinedit");
  s->PictureIndex = picture;
  s->SkinRect = SpinSkinRect;
  s->ActiveSkinRect = SpinActiveRect;
  s->LeftTopPoint = {5, 0};
  s->RightTopPoint = {44, 0};
  s->ClientRect = SpinClientRect;
  s->FontName = "Arial";
  s->FontHeight = 13;
  s->FontColor = EditFont;
  s->ActiveFontColor = EditActiveFont;
  s->DisabledFontColor = EditDisabledFont;
  s->UpButtonRect = SpinUpPlace;
  s->ActiveUpButtonRect = TRect{60, 20, 73, 28};
  s->DownUpButtonRect = TRect{73, 20, 86, 28};
  s->DownButtonRect = SpinDownPlace;
  s->ActiveDownButtonRect = TRect{60, 30, 73, 38};
  s->DownDownButtonRect = TRect{73, 30, 86, 38};
  L.push_back(std::move(s));

  auto b = std::make_unique<TbsDataSkinButtonControl>("editbutton");
  b->PictureIndex = picture;
  b->SkinRect = TRect{90, 40, 110, 60};
  b->ActiveSkinRect = TRect{90, 60, 110, 80};
  b->DownSkinRect = TRect{110, 60, 130, 80};
  b->LeftTopPoint = {3, 3};
  b->RightTopPoint = {17, 3};
  b->LeftBottomPoint = {3, 17};
  b->RightBottomPoint = {17, 17};
  b->ClientRect = TRect{3, 3, 17, 17};
  b->FontColor = EditFont;
  b->ActiveFontColor = EditActiveFont;
  b->DownFontColor = Rgb(255, 255, 255);
  L.push_back(std::move(b));
}
