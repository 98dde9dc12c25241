#include "skin/controls/testkit/skinkit_containers.h"

namespace SkinKit {
namespace {

void Fill(TBitmap* B, const TRect& R, TColor C) {
  B->Canvas()->Brush()->SetColor(C);
  B->Canvas()->FillRect(R);
}

void DrawPanelBlock(TBitmap* B) {
  Fill(B, TRect{0, 0, 40, 40}, PanelSide);
  Fill(B, TRect{0, 0, 40, 20}, PanelCaption);
  Fill(B, TRect{0, 32, 40, 40}, PanelBottom);
  Fill(B, TRect{8, 20, 32, 32}, PanelClient);
  Fill(B, TRect{8, 20, 10, 22}, PanelMark);
  Fill(B, TRect{40, 0, 52, 12}, PanelChecked);
  Fill(B, TRect{52, 0, 64, 12}, PanelUnchecked);
  B->Canvas()->SetPixels(40, 11, PanelKey);
  B->Canvas()->SetPixels(52, 11, PanelKey);
  Fill(B, TRect{64, 0, 74, 16}, PanelMarkFrame);
  Fill(B, TRect{40, 20, 70, 36}, GroupFrame);
}

// One tab state: caps, a face and its top edge.
void DrawTab(TBitmap* B, int32_t X, TColor Face) {
  Fill(B, TRect{X, 50, X + 30, 74}, Face);
  Fill(B, TRect{X + 5, 50, X + 25, 53}, TabTopEdge);
  Fill(B, TRect{X, 50, X + 5, 74}, TabLeftCap);
  Fill(B, TRect{X + 25, 50, X + 30, 74}, TabRightCap);
}

void DrawTabBlock(TBitmap* B) {
  Fill(B, TRect{0, 50, 40, 90}, TabFrame);
  Fill(B, TRect{4, 54, 36, 86}, TabClient);
  DrawTab(B, 50, TabFace);
  DrawTab(B, 80, TabActiveFace);
  DrawTab(B, 110, TabHotFace);
  Fill(B, TRect{140, 50, 150, 60}, TabsBG);
}

std::unique_ptr<TBitmap> ContainerPicture() {
  auto B = std::make_unique<TBitmap>();
  B->SetPixelFormat(TPixelFormat::pf24bit);
  B->SetSize(160, 100);
  Fill(B.get(), TRect{0, 0, 160, 100}, Rgb(255, 255, 255));
  DrawPanelBlock(B.get());
  DrawTabBlock(B.get());
  return B;
}

std::unique_ptr<TBitmap> BackgroundPicture() {
  auto B = std::make_unique<TBitmap>();
  B->SetPixelFormat(TPixelFormat::pf24bit);
  B->SetSize(16, 16);
  Fill(B.get(), TRect{0, 0, 16, 16}, BGTile);
  Fill(B.get(), TRect{0, 0, 8, 8}, BGMark);
  return B;
}

std::unique_ptr<TbsDataSkinPanelControl> Panel(const String& Name, int32_t Picture) {
  auto D = std::make_unique<TbsDataSkinPanelControl>(Name);
  D->PictureIndex = Picture;
  D->SkinRect = TRect{0, 0, 40, 40};
  D->LeftTopPoint = {8, 20};
  D->RightTopPoint = {32, 20};
  D->LeftBottomPoint = {8, 32};
  D->RightBottomPoint = {32, 32};
  D->ClientRect = TRect{8, 20, 32, 32};
  D->CaptionRect = TRect{8, 2, 32, 18};
  D->Alignment = TAlignment::taLeftJustify;
  D->FontName = "Arial";
  D->FontHeight = 13;
  D->FontColor = PanelFont;
  D->CheckImageRect = TRect{40, 0, 52, 12};
  D->UnCheckImageRect = TRect{52, 0, 64, 12};
  D->MarkFrameRect = TRect{64, 0, 74, 16};
  return D;
}

std::unique_ptr<TbsDataSkinTabControl> Tab(const String& Name, int32_t Picture) {
  auto D = std::make_unique<TbsDataSkinTabControl>(Name);
  D->PictureIndex = Picture;
  D->SkinRect = TRect{0, 50, 40, 90};
  D->LeftTopPoint = {4, 4};
  D->RightTopPoint = {36, 4};
  D->LeftBottomPoint = {4, 36};
  D->RightBottomPoint = {36, 36};
  D->ClientRect = TRect{4, 4, 36, 36};
  D->TabRect = TabPictureRect;
  D->ActiveTabRect = TRect{80, 50, 110, 74};
  D->MouseInTabRect = TRect{110, 50, 140, 74};
  D->TabsBGRect = TRect{140, 50, 150, 60};
  D->TabLeftOffset = 5;
  D->TabRightOffset = 5;
  D->FontName = "Arial";
  D->FontHeight = 13;
  D->FontColor = TabFont;
  D->ActiveFontColor = TabActiveFont;
  D->FocusFontColor = TabActiveFont;
  D->MouseInFontColor = TabFont;
  D->UpDown = "hupdown";
  return D;
}

}  // namespace

void AddContainerDescriptions(TbsSkinData* Skin) {
  const int32_t picture = int32_t(Skin->ActivePictures.size());
  Skin->ActivePictures.push_back(ContainerPicture());
  Skin->ActivePictures.push_back(BackgroundPicture());
  auto& L = Skin->ControlDescriptions;
  L.push_back(Panel("panel", picture));
  auto group = Panel("groupbox", picture);
  group->FrameRect = TRect{40, 20, 70, 36};
  group->FrameTextRect = TRect{5, 0, 25, 16};
  group->FrameLeftOffset = 5;
  group->FrameRightOffset = 5;
  L.push_back(std::move(group));
  auto bg = Panel("kitbgpanel", picture);
  bg->BGPictureIndex = picture + 1;
  L.push_back(std::move(bg));
  L.push_back(Tab("tab", picture));
  auto bgTab = Tab("kitbgtab", picture);
  bgTab->BGPictureIndex = picture + 1;
  L.push_back(std::move(bgTab));
  auto same = Tab("kittabsame", picture);
  same->ActiveTabRect = TRect{0, 0, 0, 0};
  L.push_back(std::move(same));
}

}  // namespace SkinKit
