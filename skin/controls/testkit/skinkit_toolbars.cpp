#include "skin/controls/testkit/skinkit_toolbars.h"

#include "skin/engine/data/skindraw.h"

namespace SkinKit {
namespace {

void Fill(TBitmap* B, const TRect& R, TColor C) {
  B->Canvas()->Brush()->SetColor(C);
  B->Canvas()->FillRect(R);
}

void DrawFrames(TBitmap* B) {
  Fill(B, TRect{0, 0, 30, 24}, ToolMiddle);
  Fill(B, TRect{0, 0, 5, 24}, ToolCap);
  Fill(B, TRect{25, 0, 30, 24}, ToolCap);
  Fill(B, TRect{0, 30, 30, 50}, StatusEdge);
  Fill(B, TRect{3, 33, 27, 47}, StatusFace);
  Fill(B, StatusGripRect, StatusGrip);
  Fill(B, TRect{50, 0, 58, 40}, SplitCap);
  Fill(B, TRect{50, 5, 58, 35}, SplitMiddle);
  Fill(B, TRect{60, 0, 64, 10}, SplitGrip);
  Fill(B, TRect{70, 0, 110, 8}, SplitCap);
  Fill(B, TRect{75, 0, 105, 8}, SplitMiddle);
  Fill(B, TRect{60, 12, 70, 16}, SplitGrip);
}

void DrawButtons(TBitmap* B) {
  for (int32_t i = 0; i < 3; ++i) {
    const int32_t x = 40 * i;
    Fill(B, TRect{x, 60, x + 40, 80}, MenuFace[i]);
    Fill(B, TRect{x + 22, 60, x + 40, 80}, MenuStrip[i]);
    Fill(B, TRect{120 + 7 * i, 60, 127 + 7 * i, 64}, Rgb(255, 255, 255));
    Fill(B, TRect{121 + 7 * i, 61, 126 + 7 * i, 63}, MenuMarker[i]);
    Fill(B, TRect{30 * i, 84, 30 * i + 30, 104}, ResizeToolEdge);
    Fill(B, TRect{30 * i + 3, 87, 30 * i + 27, 101}, ResizeToolFace[i]);
    Fill(B, TRect{90 + 15 * i, 84, 105 + 15 * i, 104}, ResizeToolEdge);
    Fill(B, TRect{92 + 15 * i, 86, 103 + 15 * i, 102}, TrackFace[i]);
  }
}

std::unique_ptr<TBitmap> ToolBarPicture() {
  auto B = std::make_unique<TBitmap>();
  B->SetPixelFormat(TPixelFormat::pf24bit);
  B->SetSize(170, 110);
  Fill(B.get(), TRect{0, 0, 170, 110}, Rgb(255, 255, 255));
  DrawFrames(B.get());
  DrawButtons(B.get());
  return B;
}

template <class T>
std::unique_ptr<T> Frame(const String& Name, int32_t Picture, const TRect& Skin, int32_t Edge) {
  auto D = std::make_unique<T>(Name);
  D->PictureIndex = Picture;
  D->SkinRect = Skin;
  const int32_t w = RectWidth(Skin), h = RectHeight(Skin);
  D->LeftTopPoint = {Edge, Edge};
  D->RightTopPoint = {w - Edge, Edge};
  D->LeftBottomPoint = {Edge, h - Edge};
  D->RightBottomPoint = {w - Edge, h - Edge};
  D->ClientRect = TRect{Edge, Edge, w - Edge, h - Edge};
  return D;
}

std::unique_ptr<TbsDataSkinPanelControl> ToolPanel(int32_t Picture) {
  auto D = std::make_unique<TbsDataSkinPanelControl>("toolpanel");
  D->PictureIndex = Picture;
  D->SkinRect = TRect{0, 0, 30, 24};
  D->LeftTopPoint = {5, 0};
  D->RightTopPoint = {25, 0};
  D->ClientRect = TRect{5, 0, 25, 24};
  return D;
}

std::unique_ptr<TbsDataSkinSplitterControl> Splitter(const String& Name, int32_t Picture, bool Vertical) {
  auto D = std::make_unique<TbsDataSkinSplitterControl>(Name);
  D->PictureIndex = Picture;
  if (Vertical) {
    D->SkinRect = TRect{50, 0, 58, 40};
    D->LeftTopPoint = {0, 5};
    D->LeftBottomPoint = {0, 35};
    D->GripperRect = TRect{60, 0, 64, 10};
  } else {
    D->SkinRect = TRect{70, 0, 110, 8};
    D->LeftTopPoint = {5, 0};
    D->RightTopPoint = {35, 0};
    D->GripperRect = TRect{60, 12, 70, 16};
  }
  return D;
}

template <class T>
void SetStates(T* D, const TRect& Active, const TRect& Down, TColor Font) {
  D->ActiveSkinRect = Active;
  D->DownSkinRect = Down;
  D->FontName = "Arial";
  D->FontHeight = 13;
  D->FontColor = D->ActiveFontColor = D->DownFontColor = Font;
}

std::unique_ptr<TbsDataSkinMenuButtonControl> MenuButton(int32_t Picture) {
  auto D = std::make_unique<TbsDataSkinMenuButtonControl>("toolmenubutton");
  D->PictureIndex = Picture;
  D->SkinRect = TRect{0, 60, 40, 80};
  D->LeftTopPoint = {3, 0};
  D->RightTopPoint = {25, 0};
  D->ClientRect = TRect{3, 0, 25, 20};
  SetStates(D.get(), TRect{40, 60, 80, 80}, TRect{80, 60, 120, 80}, Rgb(0, 0, 0));
  D->TrackButtonRect = TRect{22, 0, 40, 20};
  D->MenuMarkerRect = TRect{120, 60, 127, 64};
  D->MenuMarkerActiveRect = TRect{127, 60, 134, 64};
  D->MenuMarkerDownRect = TRect{134, 60, 141, 64};
  D->MenuMarkerTransparentColor = Rgb(255, 255, 255);
  return D;
}

std::unique_ptr<TbsDataSkinButtonControl> StateButton(const String& Name, int32_t Picture, int32_t X, int32_t W,
                                                      int32_t Edge) {
  auto D = Frame<TbsDataSkinButtonControl>(Name, Picture, TRect{X, 84, X + W, 104}, Edge);
  SetStates(D.get(), TRect{X + W, 84, X + 2 * W, 104}, TRect{X + 2 * W, 84, X + 3 * W, 104}, Rgb(0, 0, 0));
  return D;
}

}  // namespace

void AddToolBarDescriptions(TbsSkinData* Skin) {
  const int32_t picture = int32_t(Skin->ActivePictures.size());
  Skin->ActivePictures.push_back(ToolBarPicture());
  auto& L = Skin->ControlDescriptions;
  L.push_back(ToolPanel(picture));
  auto status = Frame<TbsDataSkinPanelControl>("statusbar", picture, TRect{0, 30, 30, 50}, 3);
  status->GripperRect = StatusGripRect;
  L.push_back(std::move(status));
  L.push_back(Frame<TbsDataSkinPanelControl>("kitstatusnogrip", picture, TRect{0, 30, 30, 50}, 3));
  L.push_back(Splitter("vsplitter", picture, true));
  L.push_back(Splitter("hsplitter", picture, false));
  auto bevel = std::make_unique<TbsDataSkinBevel>("bevel");
  bevel->LightColor = BevelLight;
  bevel->DarkColor = BevelDark;
  L.push_back(std::move(bevel));
  L.push_back(std::make_unique<TbsDataSkinBevel>("kitbevelnokeys"));
  L.push_back(MenuButton(picture));
  L.push_back(StateButton("resizetoolbutton", picture, 0, 30, 3));
  L.push_back(StateButton("htracktoolbutton", picture, 90, 15, 2));
  L.push_back(StateButton("vtracktoolbutton", picture, 90, 15, 2));
}

}  // namespace SkinKit
