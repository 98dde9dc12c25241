#include "skin/controls/testkit/skinkit_bars.h"

namespace SkinKit {
namespace {

void Fill(TBitmap* B, const TRect& R, TColor C) {
  B->Canvas()->Brush()->SetColor(C);
  B->Canvas()->FillRect(R);
}

// A thumb state: solid, its bottom-left pixel the key colour.
void ThumbBlock(TBitmap* B, const TRect& R, TColor C) {
  Fill(B, R, C);
  B->Canvas()->SetPixels(R.Left, R.Bottom - 1, SliderKey);
}

std::unique_ptr<TBitmap> BarsPicture() {
  auto B = std::make_unique<TBitmap>();
  B->SetPixelFormat(TPixelFormat::pf24bit);
  B->SetSize(210, 110);
  Fill(B.get(), TRect{0, 0, 210, 110}, Rgb(255, 255, 255));
  for (int32_t y : {0, 40}) {
    Fill(B.get(), TRect{0, y, 15, y + 15}, BarArrow);
    Fill(B.get(), TRect{15, y, 45, y + 15}, BarTrack);
    Fill(B.get(), TRect{45, y, 60, y + 15}, BarArrow);
  }
  Fill(B.get(), TRect{60, 40, 75, 55}, BarCorner);
  Fill(B.get(), TRect{100, 0, 115, 15}, BarArrow);
  Fill(B.get(), TRect{100, 15, 115, 45}, BarTrack);
  Fill(B.get(), TRect{100, 45, 115, 60}, BarArrow);
  const TColor states[4] = {HotUp, DownUp, HotDown, DownDown};
  for (int32_t i = 0; i < 4; ++i) Fill(B.get(), TRect{i * 15, 20, i * 15 + 15, 35}, states[i]);
  const TColor thumbs[3] = {Thumb, HotThumb, DownThumb};
  for (int32_t i = 0; i < 3; ++i) {
    Fill(B.get(), TRect{64 + i * 10, 0, 74 + i * 10, 13}, thumbs[i]);
    Fill(B.get(), TRect{120, i * 10, 133, i * 10 + 10}, thumbs[i]);
  }
  Fill(B.get(), TRect{140, 0, 185, 30}, UpDownFace);
  const TColor resize[3] = {ResizeFace, ResizeHot, ResizeDown};
  for (int32_t i = 0; i < 3; ++i) Fill(B.get(), TRect{140 + i * 20, 40, 160 + i * 20, 60}, resize[i]);
  Fill(B.get(), TRect{0, 60, 40, 65}, SliderRuler);
  Fill(B.get(), TRect{0, 65, 40, 66}, SliderKey);
  ThumbBlock(B.get(), TRect{40, 60, 51, 73}, SliderThumb);
  ThumbBlock(B.get(), TRect{51, 60, 62, 73}, SliderThumbDown);
  Fill(B.get(), TRect{70, 60, 75, 100}, SliderRuler);
  Fill(B.get(), TRect{75, 60, 76, 100}, SliderKey);
  Fill(B.get(), TRect{70, 99, 71, 100}, SliderKey);
  ThumbBlock(B.get(), TRect{80, 60, 93, 71}, SliderThumb);
  ThumbBlock(B.get(), TRect{93, 60, 106, 71}, SliderThumbDown);
  return B;
}

std::unique_ptr<TbsDataSkinScrollBarControl> ScrollBar(const String& Name, int32_t Picture, bool Vertical, bool Both) {
  auto D = std::make_unique<TbsDataSkinScrollBarControl>(Name);
  D->PictureIndex = Picture;
  if (Vertical) {
    D->SkinRect = TRect{100, 0, 115, 60};
    D->LeftTopPoint = {0, 15};
    D->LeftBottomPoint = {0, 45};
    D->TrackArea = TRect{0, 15, 15, 45};
    D->UpButtonRect = TRect{0, 45, 15, 60};
    D->ThumbRect = TRect{120, 0, 133, 10};
    D->ActiveThumbRect = TRect{120, 10, 133, 20};
    D->DownThumbRect = TRect{120, 20, 133, 30};
  } else {
    D->SkinRect = Both ? TRect{0, 40, 75, 55} : TRect{0, 0, 60, 15};
    D->LeftTopPoint = {15, 0};
    D->RightTopPoint = {45, 0};
    D->TrackArea = TRect{15, 0, 45, 15};
    D->UpButtonRect = TRect{45, 0, 60, 15};
    D->ThumbRect = TRect{64, 0, 74, 13};
    D->ActiveThumbRect = TRect{74, 0, 84, 13};
    D->DownThumbRect = TRect{84, 0, 94, 13};
  }
  D->DownButtonRect = TRect{0, 0, 15, 15};
  D->ActiveUpButtonRect = TRect{0, 20, 15, 35};
  D->DownUpButtonRect = TRect{15, 20, 30, 35};
  D->ActiveDownButtonRect = TRect{30, 20, 45, 35};
  D->DownDownButtonRect = TRect{45, 20, 60, 35};
  D->ThumbOffset1 = D->ThumbOffset2 = 3;
  return D;
}

std::unique_ptr<TbsDataSkinUpDownControl> UpDown(const String& Name, int32_t Picture, bool Vertical) {
  auto D = std::make_unique<TbsDataSkinUpDownControl>(Name);
  D->PictureIndex = Picture;
  D->SkinRect = Vertical ? TRect{170, 0, 185, 30} : TRect{140, 0, 170, 15};
  D->UpButtonRect = Vertical ? TRect{0, 0, 15, 15} : TRect{15, 0, 30, 15};
  D->DownButtonRect = Vertical ? TRect{0, 15, 15, 30} : TRect{0, 0, 15, 15};
  D->ActiveUpButtonRect = TRect{0, 20, 15, 35};
  D->DownUpButtonRect = TRect{15, 20, 30, 35};
  D->ActiveDownButtonRect = TRect{30, 20, 45, 35};
  D->DownDownButtonRect = TRect{45, 20, 60, 35};
  return D;
}

std::unique_ptr<TbsDataSkinButtonControl> ResizeButton(int32_t Picture) {
  auto D = std::make_unique<TbsDataSkinButtonControl>("resizebutton");
  D->PictureIndex = Picture;
  D->SkinRect = TRect{140, 40, 160, 60};
  D->ActiveSkinRect = TRect{160, 40, 180, 60};
  D->DownSkinRect = TRect{180, 40, 200, 60};
  D->LeftTopPoint = {5, 5};
  D->RightTopPoint = {15, 5};
  D->LeftBottomPoint = {5, 15};
  D->RightBottomPoint = {15, 15};
  D->ClientRect = TRect{5, 5, 15, 15};
  D->FontColor = ResizeArrow;
  D->ActiveFontColor = ResizeHotArrow;
  D->DownFontColor = ResizeDownArrow;
  return D;
}

std::unique_ptr<TbsDataSkinSlider> Slider(int32_t Picture) {
  auto D = std::make_unique<TbsDataSkinSlider>("slider");
  D->PictureIndex = Picture;
  D->HRulerRect = TRect{0, 60, 40, 66};
  D->HThumbRect = TRect{40, 60, 62, 73};
  D->VRulerRect = TRect{70, 60, 76, 100};
  D->VThumbRect = TRect{80, 60, 106, 71};
  D->EdgeSize = 2;
  D->BGColor = SliderBG;
  D->PointsColor = SliderPoints;
  return D;
}

}  // namespace
}  // namespace SkinKit

void AddKitBarDescriptions(TbsSkinData* S) {
  using namespace SkinKit;
  const int32_t picture = int32_t(S->ActivePictures.size());
  S->ActivePictures.push_back(BarsPicture());
  auto& L = S->ControlDescriptions;
  L.push_back(ScrollBar("hscrollbar", picture, false, false));
  L.push_back(ScrollBar("vscrollbar", picture, true, false));
  L.push_back(ScrollBar("bothhscrollbar", picture, false, true));
  L.push_back(UpDown("hupdown", picture, false));
  L.push_back(UpDown("vupdown", picture, true));
  L.push_back(ResizeButton(picture));
  L.push_back(Slider(picture));
}
