#include "skin/controls/testkit/skinkit.h"

#include "skin/controls/testkit/skinkit_bars.h"
#include "skin/controls/testkit/skinkit_buttons.h"
#include "skin/controls/testkit/skinkit_lists.h"
#include "skin/controls/testkit/skinkit_containers.h"
#include "skin/controls/testkit/skinkit_toolbars.h"
#include "skin/controls/testkit/skinkit_combos.h"
#include "skin/controls/testkit/skinkit_edits.h"

namespace SkinKit {
namespace {

void Fill(TBitmap* B, const TRect& R, TColor C) {
  B->Canvas()->Brush()->SetColor(C);
  B->Canvas()->FillRect(R);
}

TRect Offset(const TRect& R, int32_t DX, int32_t DY) {
  return TRect{R.Left + DX, R.Top + DY, R.Right + DX, R.Bottom + DY};
}

const std::vector<TKitBlock>& PanelBlocks() {
  static const std::vector<TKitBlock> blocks = {
      {{0, 0, 10, 10}, TopLeft},       {{20, 0, 30, 10}, TopRight},   {{0, 20, 10, 30}, BottomLeft},
      {{20, 20, 30, 30}, BottomRight}, {{10, 0, 20, 10}, TopSide},    {{10, 20, 20, 30}, BottomSide},
      {{0, 10, 10, 20}, LeftSide},     {{20, 10, 30, 20}, RightSide}, {{10, 12, 20, 20}, Client},
      {{12, 10, 20, 12}, Client},      {{10, 10, 12, 12}, Mark}};
  return blocks;
}

std::vector<TKitBlock> HBarBlocks() {
  return {{Offset({0, 0, 10, 10}, 0, HBarRect.Top), HLeft},
          {Offset({10, 2, 20, 10}, 0, HBarRect.Top), HMiddle},
          {Offset({12, 0, 20, 2}, 0, HBarRect.Top), HMiddle},
          {Offset({10, 0, 12, 2}, 0, HBarRect.Top), Mark},
          {Offset({20, 0, 30, 10}, 0, HBarRect.Top), HRight}};
}

std::vector<TKitBlock> VBarBlocks() {
  return {{Offset({0, 0, 10, 10}, VBarRect.Left, 0), VTop},
          {Offset({0, 10, 10, 20}, VBarRect.Left, 0), VMiddle},
          {Offset({0, 20, 10, 30}, VBarRect.Left, 0), VBottom}};
}

}  // namespace

std::vector<TKitEntry> Entries() {
  const std::vector<TKitBlock> fixed = {{{44, 1, 68, 18}, Fixed}, {{45, 0, 68, 1}, Fixed}, {{44, 0, 45, 1}, Mark}};
  const std::vector<TKitBlock> masked = {{MaskedRect, Masked}};
  return {{"kitpanel", PanelBlocks()},
          {"kitpanelfull", PanelBlocks()},
          {"kitpanelhorz", PanelBlocks()},
          {"kitpanelvert", PanelBlocks()},
          {"kithbar", HBarBlocks()},
          {"kitvbar", VBarBlocks()},
          {"kitfixed", fixed},
          {"kitmasked", masked},
          {"kitnopicture", {}},
          {"kitother", {}}};
}

}  // namespace SkinKit

namespace {

using namespace SkinKit;

std::unique_ptr<TBitmap> KitPicture() {
  auto B = std::make_unique<TBitmap>();
  B->SetPixelFormat(TPixelFormat::pf24bit);
  B->SetSize(PictureWidth, PictureHeight);
  Fill(B.get(), TRect{0, 0, PictureWidth, PictureHeight}, Rgb(255, 255, 255));
  for (const TKitEntry& e : Entries())
    for (const TKitBlock& b : e.Blocks) Fill(B.get(), b.Rect, b.Color);
  return B;
}

std::unique_ptr<TBitmap> KitMask() {
  auto B = std::make_unique<TBitmap>();
  B->SetPixelFormat(TPixelFormat::pf24bit);
  B->SetSize(30, 30);
  Fill(B.get(), TRect{0, 0, 30, 30}, Rgb(255, 255, 255));
  Fill(B.get(), TRect{0, 0, 15, 30}, Rgb(0, 0, 0));
  return B;
}

std::unique_ptr<TbsDataSkinCustomControl> Describe(const String& Name, const TRect& SkinRect) {
  auto D = std::make_unique<TbsDataSkinCustomControl>(Name);
  D->PictureIndex = 0;
  D->SkinRect = SkinRect;
  return D;
}

std::unique_ptr<TbsDataSkinControl> NinePart(const String& Name, bool Stretch, TbsStretchType Type) {
  auto D = Describe(Name, PanelRect);
  D->LeftTopPoint = {10, 10};
  D->RightTopPoint = {20, 10};
  D->LeftBottomPoint = {10, 20};
  D->RightBottomPoint = {20, 20};
  D->ClientRect = TRect{10, 10, 20, 20};
  D->StretchEffect = Stretch;
  D->StretchType = Type;
  return D;
}

}  // namespace

std::unique_ptr<TbsSkinData> CreateKitSkinData(TComponent* AOwner) {
  auto S = std::make_unique<TbsSkinData>(AOwner);
  S->ActivePictures.push_back(KitPicture());
  S->ActivePictures.push_back(KitMask());
  auto& L = S->ControlDescriptions;
  L.push_back(NinePart("kitpanel", false, TbsStretchType::stFull));
  L.push_back(NinePart("kitpanelfull", true, TbsStretchType::stFull));
  L.push_back(NinePart("kitpanelhorz", true, TbsStretchType::stHorz));
  L.push_back(NinePart("kitpanelvert", true, TbsStretchType::stVert));
  auto h = Describe("kithbar", HBarRect);
  h->LeftTopPoint = {10, 0};
  h->RightTopPoint = {20, 0};
  h->ClientRect = TRect{10, 0, 20, 10};
  L.push_back(std::move(h));
  auto v = Describe("kitvbar", VBarRect);
  v->LeftTopPoint = {0, 10};
  v->LeftBottomPoint = {0, 20};
  v->ClientRect = TRect{0, 10, 10, 20};
  L.push_back(std::move(v));
  L.push_back(Describe("kitfixed", FixedRect));
  auto m = Describe("kitmasked", MaskedRect);
  m->MaskPictureIndex = 1;
  L.push_back(std::move(m));
  auto n = Describe("kitnopicture", PanelRect);
  n->PictureIndex = 99;  // beyond every picture the kit adds
  L.push_back(std::move(n));
  auto o = std::make_unique<TbsDataSkinControl>("kitother");
  o->PictureIndex = 0;
  o->SkinRect = FixedRect;
  L.push_back(std::move(o));
  AddKitBarDescriptions(S.get());
  SkinKit::AddButtonDescriptions(S.get());
  AddKitListDescriptions(S.get());
  SkinKit::AddContainerDescriptions(S.get());
  SkinKit::AddToolBarDescriptions(S.get());
  AddKitEditDescriptions(S.get());
  AddKitComboDescriptions(S.get());
  S->Empty = false;
  return S;
}
