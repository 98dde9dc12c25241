#include "skin/controls/testkit/skinkit_buttons.h"

namespace SkinKit {
namespace {

void Fill(TBitmap* B, const TRect& R, TColor C) {
  B->Canvas()->Brush()->SetColor(C);
  B->Canvas()->FillRect(R);
}

void Framed(TBitmap* B, const TRect& R, TColor Frame, TColor Inside, int32_t Width) {
  Fill(B, R, Frame);
  Fill(B, TRect{R.Left + Width, R.Top + Width, R.Right - Width, R.Bottom - Width}, Inside);
}

TRect CheckRect(int32_t I) { return TRect{I * CheckSize, 60, (I + 1) * CheckSize, 60 + CheckSize}; }

std::unique_ptr<TBitmap> ButtonPicture() {
  auto B = std::make_unique<TBitmap>();
  B->SetPixelFormat(TPixelFormat::pf24bit);
  B->SetSize(200, 150);
  Fill(B.get(), TRect{0, 0, 200, 150}, Rgb(255, 255, 255));
  const TColor states[] = {BtnNormal, BtnActive, BtnDown, BtnDisabled};
  for (int32_t i = 0; i < 4; ++i) Framed(B.get(), TRect{i * 30, 0, i * 30 + 30, 20}, BtnFrame, states[i], 3);
  for (int32_t i = 0; i < 3; ++i) Framed(B.get(), TRect{i * 30, 20, i * 30 + 30, 40}, BtnFrame, BtnAnim[i], 3);
  Fill(B.get(), TRect{0, 40, 100, 60}, BoxFrame);
  Fill(B.get(), TRect{100, 40, 200, 60}, BoxActiveFrame);
  for (int32_t i = 0; i < 8; ++i) {
    const TRect R = CheckRect(i);
    Framed(B.get(), TRect{R.Left + 1, R.Top + 1, R.Right - 1, R.Bottom - 1}, BoxEdge, CheckFill[i], 1);
  }
  Fill(B.get(), TRect{0, 80, 60, 90}, GaugeFrame);
  Fill(B.get(), TRect{60, 80, 90, 86}, GaugeBar);
  Fill(B.get(), TRect{63, 80, 64, 86}, GaugeMark);
  Fill(B.get(), TRect{60, 80, 63, 86}, GaugeCap);
  Fill(B.get(), TRect{87, 80, 90, 86}, GaugeCap);
  Fill(B.get(), TRect{100, 80, 110, 140}, GaugeFrame);
  Fill(B.get(), TRect{120, 80, 126, 110}, GaugeBar);
  Fill(B.get(), TRect{120, 106, 126, 107}, GaugeMark);
  Fill(B.get(), TRect{120, 80, 126, 83}, GaugeCap);
  Fill(B.get(), TRect{120, 107, 126, 110}, GaugeCap);
  Fill(B.get(), TRect{130, 80, 190, 100}, LabelFace);
  Fill(B.get(), TRect{130, 80, 134, 100}, LabelCap);
  Fill(B.get(), TRect{186, 80, 190, 100}, LabelCap);
  Framed(B.get(), TRect{130, 104, 160, 124}, PanelEdge, PanelFace, 3);
  return B;
}

std::unique_ptr<TbsDataSkinGaugeControl> Gauge(const String& Name, int32_t Picture, bool Vertical) {
  auto D = std::make_unique<TbsDataSkinGaugeControl>(Name);
  D->PictureIndex = Picture;
  D->BeginOffset = 3;
  D->EndOffset = 3;
  D->FontColor = GaugeFont;
  D->Vertical = Vertical;
  if (Vertical) {
    D->SkinRect = TRect{100, 80, 110, 140};
    D->LeftTopPoint = {0, 4};
    D->LeftBottomPoint = {0, 56};
    D->ClientRect = TRect{0, 4, 10, 56};
    D->ProgressArea = TRect{2, 2, 8, 58};
    D->ProgressRect = TRect{120, 80, 126, 110};
  } else {
    D->SkinRect = TRect{0, 80, 60, 90};
    D->LeftTopPoint = {4, 0};
    D->RightTopPoint = {56, 0};
    D->ClientRect = TRect{4, 0, 56, 10};
    D->ProgressArea = TRect{2, 2, 58, 8};
    D->ProgressRect = TRect{60, 80, 90, 86};
  }
  return D;
}

std::unique_ptr<TbsDataSkinButtonControl> Button(const String& Name, int32_t Picture) {
  auto D = std::make_unique<TbsDataSkinButtonControl>(Name);
  D->PictureIndex = Picture;
  D->SkinRect = TRect{0, 0, 30, 20};
  D->LeftTopPoint = {3, 3};
  D->RightTopPoint = {27, 3};
  D->LeftBottomPoint = {3, 17};
  D->RightBottomPoint = {27, 17};
  D->ClientRect = TRect{3, 3, 27, 17};
  D->ActiveSkinRect = TRect{30, 0, 60, 20};
  D->DownSkinRect = TRect{60, 0, 90, 20};
  D->DisabledSkinRect = TRect{90, 0, 120, 20};
  D->FontColor = BtnFont;
  D->ActiveFontColor = BtnActiveFont;
  D->DownFontColor = BtnDownFont;
  D->DisabledFontColor = BtnDisabledFont;
  D->FontName = "Arial";
  D->FontHeight = 14;
  return D;
}

std::unique_ptr<TbsDataSkinCheckRadioControl> Box(const String& Name, int32_t Picture, bool Radio) {
  auto D = std::make_unique<TbsDataSkinCheckRadioControl>(Name);
  D->PictureIndex = Picture;
  D->SkinRect = TRect{0, 40, 100, 60};
  D->LeftTopPoint = {4, 0};
  D->RightTopPoint = {96, 0};
  D->ClientRect = TRect{4, 0, 96, 20};
  D->ActiveSkinRect = TRect{100, 40, 200, 60};
  D->TextArea = TRect{20, 0, 96, 20};
  D->CheckImageArea = TRect{2, 2, 18, 18};
  D->CheckImageRect = CheckRect(Radio ? 6 : 0);
  D->UnCheckImageRect = CheckRect(Radio ? 7 : 1);
  if (!Radio) {
    D->ActiveCheckImageRect = CheckRect(2);
    D->ActiveUnCheckImageRect = CheckRect(3);
    D->UnEnabledCheckImageRect = CheckRect(4);
    D->UnEnabledUnCheckImageRect = CheckRect(5);
  }
  D->FontColor = BoxFont;
  D->ActiveFontColor = BoxActiveFont;
  D->FrameFontColor = BoxFrameFont;
  D->UnEnabledFontColor = BoxDisabledFont;
  D->Morphing = true;
  return D;
}

std::unique_ptr<TbsDataSkinLabelControl> FramedLabel(const String& Name, int32_t Picture) {
  auto D = std::make_unique<TbsDataSkinLabelControl>(Name);
  D->PictureIndex = Picture;
  D->FontColor = FramedFont;
  if (Name == "label") {
    D->SkinRect = TRect{130, 80, 190, 100};
    D->LeftTopPoint = {4, 0};
    D->RightTopPoint = {56, 0};
    D->ClientRect = TRect{4, 2, 56, 18};
  } else {
    D->SkinRect = TRect{130, 104, 160, 124};
    D->LeftTopPoint = {3, 3};
    D->RightTopPoint = {27, 3};
    D->LeftBottomPoint = {3, 17};
    D->RightBottomPoint = {27, 17};
    D->ClientRect = TRect{3, 3, 27, 17};
  }
  return D;
}

}  // namespace

void AddButtonDescriptions(TbsSkinData* Skin) {
  const int32_t picture = int32_t(Skin->ActivePictures.size());
  Skin->ActivePictures.push_back(ButtonPicture());
  auto& L = Skin->ControlDescriptions;
  auto button = Button("button", picture);
  button->Morphing = true;
  button->ShowFocus = true;
  L.push_back(std::move(button));
  auto anim = Button("kitbuttonanim", picture);
  anim->AnimateSkinRect = TRect{0, 20, 90, 40};
  anim->FrameCount = 3;
  anim->AnimateInterval = 30;
  L.push_back(std::move(anim));
  auto fixed = Button("kitbuttonfixed", picture);
  fixed->LeftTopPoint = fixed->RightTopPoint = fixed->LeftBottomPoint = fixed->RightBottomPoint = TPoint{};
  fixed->MaskPictureIndex = 1;
  L.push_back(std::move(fixed));
  L.push_back(Box("checkbox", picture, false));
  L.push_back(Box("radiobox", picture, true));
  L.push_back(Button("toolbutton", picture));
  auto label = std::make_unique<TbsDataSkinStdLabelControl>("stdlabel");
  label->FontColor = LabelFont;
  label->ActiveFontColor = LabelActiveFont;
  label->FontHeight = 16;
  L.push_back(std::move(label));
  L.push_back(Gauge("gauge", picture, false));
  L.push_back(Gauge("vgauge", picture, true));
  L.push_back(FramedLabel("label", picture));
  L.push_back(FramedLabel("statuspanel", picture));
}

}  // namespace SkinKit
