#include "skin/controls/base/skinctrls.h"

#include <gtest/gtest.h>

#include "skin/controls/base/graphicskinctrls.h"
#include "skin/controls/testkit/skinkit_testing.h"
#include "skin/engine/data/skinmessages.h"

namespace {

using namespace SkinKit;

// A windowed test control of the kit, with a log of the skin-change steps.
class TKitControl : public TbsSkinCustomControl {
 public:
  TKitControl(TComponent* AOwner, const String& Name, bool Strips = false) : TbsSkinCustomControl(AOwner) {
    SetSkinDataName(Name);
    FPaintInStrips = Strips;
  }
  void BeforeChangeSkinData() override {
    TbsSkinCustomControl::BeforeChangeSkinData();
    Log.push_back("before " + std::to_string(FSkinIndex));
  }
  void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) override {
    TbsSkinCustomControl::SetBounds(ALeft, ATop, AWidth, AHeight);
    Log.push_back("size " + std::to_string(Width()) + "x" + std::to_string(Height()));
  }
  void SetControlRegion() override {
    TbsSkinCustomControl::SetControlRegion();
    Log.push_back("region");
  }
  void CalcSize(int32_t& AWidth, int32_t& AHeight) override {
    ++CalcSizes;
    TbsSkinCustomControl::CalcSize(AWidth, AHeight);
  }
  std::vector<String> Log;
  int32_t ParentChanges = 0;
  int32_t Images = 0;
  int32_t CalcSizes = 0;

 protected:
  void ParentBackgroundChanged() override { ++ParentChanges; }
  void CreateControlDefaultImage(TBitmap* B) override {
    ++Images;
    Log.push_back("paint");
    TbsSkinCustomControl::CreateControlDefaultImage(B);
  }
  void CreateControlSkinImage(TBitmap* B) override {
    ++Images;
    Log.push_back("paint");
    TbsSkinCustomControl::CreateControlSkinImage(B);
  }
};

class TKitGraphic : public TbsGraphicSkinCustomControl {
 public:
  TKitGraphic(TComponent* AOwner, const String& Name) : TbsGraphicSkinCustomControl(AOwner) { SetSkinDataName(Name); }
  void CalcSize(int32_t& AWidth, int32_t& AHeight) override {
    ++CalcSizes;
    TbsGraphicSkinCustomControl::CalcSize(AWidth, AHeight);
  }
  void Dispatch(TMessage& Message) override {
    if (Message.Msg == WM_SKIN_PARENTCHANGED) ++ParentChanges;
    TbsGraphicSkinCustomControl::Dispatch(Message);
  }
  int32_t CalcSizes = 0;
  int32_t ParentChanges = 0;
};

// A tool bar stand-in whose adjusted client area starts 4 pixels down.
class TFakeToolBar : public TCustomControl, public IbsToolBarHost {
 public:
  using TCustomControl::TCustomControl;
  bool AdjustControls() const override { return Adjust; }
  TRect AdjustedClientRect() override { return GetAdjustedClientRect(this); }
  TCustomImageList* Images() const override { return nullptr; }
  TCustomImageList* HotImages() const override { return nullptr; }
  TCustomImageList* DisabledImages() const override { return nullptr; }
  bool Adjust = true;

 protected:
  void AdjustClientRect(TRect& Rect) override { Rect.Top += 4; }
};

class SkinBase : public TSkinKitTest {
 public:
  TKitControl* Add(const String& Name, const TRect& R, bool Strips = false) {
    auto* c = new TKitControl(Form.get(), Name, Strips);
    c->SetParent(Form.get());
    c->SetBounds(R.Left, R.Top, R.Width(), R.Height());
    c->SetSkinData(Skin.get());
    return c;
  }
};

TEST_F(SkinBase, ResizeModesAndCalcSize) {
  struct {
    const char* Name;
    int32_t Mode, W, H;
    TRect Client;
  } cases[] = {
      {"kitpanel", 1, 50, 40, {10, 10, 40, 30}},
      {"kithbar", 2, 50, 10, {10, 0, 40, 10}},
      {"kitvbar", 3, 10, 40, {0, 10, 10, 30}},
      {"kitfixed", 0, 24, 18, {0, 0, 0, 0}},
      {"kitnopicture", 0, 30, 30, {0, 0, 0, 0}},
      // Another kind of description: mode 0, no picture, no skin size.
      {"kitother", 0, 50, 40, {0, 0, 0, 0}},
  };
  ShowForm();
  for (const auto& c : cases) {
    TKitControl* k = Add(c.Name, TRect{0, 0, 20, 20});
    k->SetBounds(0, 0, 50, 40);
    EXPECT_EQ(k->ResizeMode(), c.Mode) << c.Name;
    EXPECT_EQ(k->Width(), c.W) << c.Name;
    EXPECT_EQ(k->Height(), c.H) << c.Name;
    EXPECT_EQ(k->SizedClientRect(), c.Client) << c.Name;
    // Every later SetBounds keeps the fixed dimensions.
    k->SetBounds(0, 0, 70, 70);
    EXPECT_EQ(k->Width(), c.Mode == 3 ? 10 : c.Mode == 0 && c.W != 50 ? c.W : 70) << c.Name;
    EXPECT_EQ(k->Height(), c.Mode == 2 ? 10 : c.Mode == 0 && c.H != 40 ? c.H : 70) << c.Name;
    delete k;
  }
}

TEST_F(SkinBase, MapSkinRectTable) {
  struct {
    const char* Name;
    TRect R, Expected;
  } cases[] = {
      // Nine-part at 50 x 40: dW 20, dH 10.
      {"kitpanel", {1, 1, 5, 5}, {1, 1, 5, 5}},
      {"kitpanel", {21, 1, 25, 5}, {41, 1, 45, 5}},
      {"kitpanel", {1, 21, 5, 25}, {1, 31, 5, 35}},
      {"kitpanel", {21, 21, 25, 25}, {41, 31, 45, 35}},
      {"kitpanel", {0, 0, 10, 10}, {0, 0, 10, 10}},  // the area's own right and bottom edges are outside it
      {"kitpanel", {2, 2, 25, 8}, {2, 2, 45, 8}},
      {"kitpanel", {2, 2, 25, 25}, {2, 2, 45, 35}},
      {"kitpanel", {2, 22, 25, 28}, {2, 32, 45, 38}},
      {"kitpanel", {2, 2, 8, 25}, {2, 2, 8, 35}},
      {"kitpanel", {22, 2, 28, 25}, {42, 2, 48, 35}},
      {"kitpanel", {12, 12, 18, 18}, {12, 12, 18, 18}},
      // Three-part at 50 wide (dW 20) and 40 high (dH 10).
      {"kithbar", {2, 2, 25, 8}, {2, 2, 45, 8}},
      {"kithbar", {21, 1, 25, 5}, {41, 1, 45, 5}},
      {"kithbar", {2, 2, 8, 8}, {2, 2, 8, 8}},
      {"kitvbar", {1, 2, 5, 25}, {1, 2, 5, 35}},
      {"kitvbar", {1, 21, 5, 25}, {1, 31, 5, 35}},
      {"kitfixed", {1, 1, 5, 5}, {1, 1, 5, 5}},
  };
  ShowForm();
  for (const auto& c : cases) {
    TKitControl* k = Add(c.Name, TRect{0, 0, 50, 40});
    TRect mapped;
    k->MapSkinRect(c.R, mapped);
    EXPECT_EQ(mapped, c.Expected) << c.Name << " " << c.R.Left << "," << c.R.Top << "," << c.R.Right << ","
                                  << c.R.Bottom;
    delete k;
  }
}

// A 45 x 45 nine-part control: its client part (10, 10, 35, 35) is 25 wide
// and high, filled from a 10 x 10 tile marked at its top-left.
TEST_F(SkinBase, ClientFillTiledAndStretchedByPixelProbes) {
  struct {
    const char* Name;
    TPoint MarkAt[3], ClientAt[2];
  } cases[] = {
      {"kitpanel", {{10, 10}, {21, 21}, {31, 31}}, {{12, 12}, {34, 34}}},
      {"kitpanelfull", {{10, 10}, {14, 14}, {11, 14}}, {{15, 15}, {31, 31}}},
      {"kitpanelhorz", {{10, 10}, {21, 14}, {31, 12}}, {{12, 10}, {22, 12}}},
      {"kitpanelvert", {{10, 10}, {14, 21}, {12, 31}}, {{10, 12}, {12, 22}}},
  };
  ShowForm();
  for (bool strips : {true, false}) {
    for (const auto& c : cases) {
      TKitControl* k = Add(c.Name, TRect{10, 10, 55, 55}, strips);
      Pump();
      for (const TPoint& p : c.MarkAt) EXPECT_EQ(Probe(k, p.X, p.Y), Mark) << c.Name << " " << p.X << "," << p.Y;
      for (const TPoint& p : c.ClientAt)
        EXPECT_EQ(Probe(k, p.X, p.Y), Client) << c.Name << " " << p.X << "," << p.Y << " strips " << strips;
      EXPECT_EQ(Probe(k, 0, 0), TopLeft);
      EXPECT_EQ(Probe(k, 44, 0), TopRight);
      EXPECT_EQ(Probe(k, 0, 44), BottomLeft);
      EXPECT_EQ(Probe(k, 44, 44), BottomRight);
      EXPECT_EQ(Probe(k, 22, 2), TopSide) << c.Name;
      EXPECT_EQ(Probe(k, 40, 22), RightSide) << c.Name;
      delete k;
    }
  }
}

// The form component's walk: BeforeChangeSkinData, then ChangeSkinData
// (look-up, resize through SetBounds, region, repaint).
TEST_F(SkinBase, SkinChangeSequenceAndPlainLook) {
  ShowForm();
  TKitControl* k = Add("kitfixed", TRect{10, 10, 60, 50});
  k->SetBounds(10, 10, 50, 40);
  EXPECT_EQ(k->Width(), 24);
  Pump();
  EXPECT_EQ(Probe(k, 5, 5), Fixed);
  EXPECT_EQ(Probe(k, 0, 0), Mark);
  k->Log.clear();
  k->BeforeChangeSkinData();
  EXPECT_EQ(k->SkinIndex(), -1);
  k->SetSkinDataName("kitpanel");
  k->ChangeSkinData();
  EXPECT_EQ(k->SkinIndex(), Skin->GetControlIndex("kitpanel"));
  EXPECT_EQ(k->Log, (std::vector<String>{"before -1", "region", "paint"}));
  // A fixed description applies its width, then its height.
  k->SetBounds(10, 10, 50, 40);
  k->Log.clear();
  k->SetSkinDataName("kitfixed");
  k->ChangeSkinData();
  // The width goes through SetBounds, whose own CalcSize fixes the height too.
  EXPECT_EQ(k->Log, (std::vector<String>{"region", "paint", "size 24x18"}));

  // A missing name: unskinned, no message.
  k->SetSkinDataName("nosuchcontrol");
  k->ChangeSkinData();
  Pump();
  EXPECT_EQ(k->SkinIndex(), -1);
  EXPECT_EQ(Probe(k, 5, 5), Rgb(clBtnFace));
  // Removing the skin data clears the reference: plain again.
  k->SetSkinDataName("kitfixed");
  k->ChangeSkinData();
  Pump();
  EXPECT_EQ(Probe(k, 5, 5), Fixed);
  Skin.reset();
  EXPECT_EQ(k->SkinData(), nullptr);
  k->Repaint();
  EXPECT_EQ(Probe(k, 5, 5), Rgb(clBtnFace));
  // A description without picture paints the plain look too.
  Skin = CreateKitSkinData(nullptr);
  TKitControl* nopic = Add("kitnopicture", TRect{100, 10, 130, 40});
  Pump();
  EXPECT_GE(nopic->SkinIndex(), 0);
  EXPECT_EQ(Probe(nopic, 5, 5), Rgb(clBtnFace));
}

TEST_F(SkinBase, EmptySizePaintsNothingAndDefaultWidthZeroKeepsWidth) {
  ShowForm();
  TKitControl* k = Add("kitpanel", TRect{10, 10, 60, 50});
  Pump();
  k->Images = 0;
  k->Repaint();
  EXPECT_EQ(k->Images, 1);
  for (const TRect& r : {TRect{10, 10, 10, 50}, TRect{10, 10, 60, 10}}) {
    k->SetBounds(r.Left, r.Top, r.Width(), r.Height());
    k->Images = 0;
    k->Repaint();
    EXPECT_EQ(k->Images, 0) << r.Width() << "x" << r.Height();
  }
  k->SetBounds(10, 10, 50, 40);
  k->SetDefaultWidth(0);
  k->SetDefaultHeight(33);
  k->SetSkinDataName("nosuchcontrol");
  k->ChangeSkinData();
  EXPECT_EQ(k->Width(), 50);
  EXPECT_EQ(k->Height(), 33);
}

// The mask's left half is the window: a press on the right half goes to the
// window below.
TEST_F(SkinBase, MaskedControlPassesClicksOutsideItsRegion) {
  std::vector<String> log;
  auto* below = new TTestButton(Form.get());
  below->SetParent(Form.get());
  below->SetBounds(10, 10, 40, 40);
  below->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int32_t, int32_t) { log.push_back("below"); };
  ShowForm();
  TKitControl* k = Add("kitmasked", TRect{10, 10, 40, 40});
  k->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int32_t, int32_t) { log.push_back("masked"); };
  k->BringToFront();
  Pump();
  ASSERT_NE(k->Region(), nullptr);
  EXPECT_EQ(Probe(k, 5, 5), Masked);
  ClickAt(k, 5, 5);
  ClickAt(k, 20, 5);
  EXPECT_EQ(log, (std::vector<String>{"masked", "below"}));
  // Without a description the region goes.
  k->SetSkinDataName("nosuchcontrol");
  k->ChangeSkinData();
  EXPECT_EQ(k->Region(), nullptr);
}

TEST_F(SkinBase, CentredOnAToolBarHost) {
  auto* bar = new TFakeToolBar(Form.get());
  bar->SetParent(Form.get());
  bar->SetBounds(0, 0, 200, 40);
  ShowForm();
  // Adjusted client area (0, 4, 200, 40): centre 4 + 18.
  auto* plain = new TKitControl(Form.get(), "nosuchcontrol");
  plain->SetParent(bar);
  plain->SetBounds(0, 0, 20, 11);
  EXPECT_EQ(plain->Top(), 17);
  auto* fixed = new TKitControl(Form.get(), "kitfixed");
  fixed->SetParent(bar);
  fixed->SetSkinData(Skin.get());
  fixed->SetBounds(30, 0, 30, 30);
  EXPECT_EQ(fixed->Top(), 13);
  auto* graphic = new TKitGraphic(Form.get(), "kitfixed");
  graphic->SetParent(bar);
  graphic->SetSkinData(Skin.get());
  graphic->SetBounds(70, 2, 30, 30);
  EXPECT_EQ(graphic->Top(), 13);
  bar->Adjust = false;
  plain->SetBounds(0, 2, 20, 11);
  EXPECT_EQ(plain->Top(), 2);
}

TEST_F(SkinBase, WindowlessControlUsesTheGeometryOfItsLastSetBounds) {
  ShowForm();
  auto* fixed = new TKitGraphic(Form.get(), "kitfixed");
  fixed->SetParent(Form.get());
  fixed->SetSkinData(Skin.get());
  fixed->SetBounds(10, 10, 60, 60);
  EXPECT_EQ(fixed->Width(), 24);
  EXPECT_EQ(fixed->Height(), 18);

  auto* panel = new TKitGraphic(Form.get(), "kitpanel");
  panel->SetParent(Form.get());
  panel->SetSkinData(Skin.get());
  panel->SetBounds(100, 10, 45, 45);
  EXPECT_EQ(panel->SizedClientRect(), (TRect{10, 10, 35, 35}));
  panel->CalcSizes = 0;
  panel->Repaint();
  Pump();
  EXPECT_EQ(panel->CalcSizes, 0) << "painting reuses the geometry of SetBounds";
  EXPECT_EQ(PixelOf(Form->Handle(), 100 + 44, 10), TopRight);
  EXPECT_EQ(PixelOf(Form->Handle(), 100 + 12, 10 + 12), Client);
  EXPECT_EQ(PixelOf(Form->Handle(), 10 + 5, 10 + 5), Fixed);

  // The windowed one brings its geometry up to date on every paint.
  TKitControl* windowed = Add("kitpanel", TRect{160, 10, 205, 55});
  Pump();
  windowed->CalcSizes = 0;
  windowed->Repaint();
  EXPECT_GT(windowed->CalcSizes, 0);

  auto* plain = new TKitGraphic(Form.get(), "nosuchcontrol");
  plain->SetParent(Form.get());
  plain->SetBounds(10, 100, 20, 20);
  plain->SetSkinData(Skin.get());
  Pump();
  EXPECT_EQ(PixelOf(Form->Handle(), 15, 105), Rgb(clBtnFace));
}

// A stretched background tells its children after every resize.
TEST_F(SkinBase, StretchedParentBroadcastsToItsChildren) {
  ShowForm();
  TKitControl* parent = Add("kitpanelfull", TRect{10, 10, 80, 80});
  auto* child = new TKitControl(Form.get(), "kitfixed");
  child->SetParent(parent);
  auto* graphic = new TKitGraphic(Form.get(), "kitfixed");
  graphic->SetParent(parent);
  parent->SetBounds(10, 10, 90, 90);
  EXPECT_EQ(child->ParentChanges, 1);
  EXPECT_EQ(graphic->ParentChanges, 1);
  TKitControl* tiled = Add("kitpanel", TRect{100, 10, 150, 60});
  auto* other = new TKitControl(Form.get(), "kitfixed");
  other->SetParent(tiled);
  tiled->SetBounds(100, 10, 160, 70);
  EXPECT_EQ(other->ParentChanges, 0);
}

// The canvas font of skinned text: the description's or the default font,
// with the charset of the skin's resource strings when there are some.
TEST_F(SkinBase, SkinControlFontRule) {
  std::unique_ptr<TFont> def = CreateSkinDefaultFont();
  def->SetCharset(0);
  TFont f;
  SetSkinControlFont(&f, true, "Tahoma", 11, TFontStyles{TFontStyle::fsBold}, def.get(), Skin.get());
  EXPECT_EQ(f.Name(), "Tahoma");
  EXPECT_EQ(f.Height(), 11);
  EXPECT_TRUE(f.Style().Contains(TFontStyle::fsBold));
  EXPECT_EQ(f.Charset(), 0);
  TbsResourceStrData strings(nullptr);
  strings.SetCharSet(204);
  Skin->SetResourceStrData(&strings);
  SetSkinControlFont(&f, false, "Tahoma", 11, TFontStyles{}, def.get(), Skin.get());
  EXPECT_EQ(f.Name(), "Arial");
  EXPECT_EQ(f.Height(), 14);
  EXPECT_EQ(f.Charset(), 204);
  Skin->SetResourceStrData(nullptr);
}

TEST_F(SkinBase, SkinWinControlKeepsOnlyAReference) {
  auto* w = new TbsSkinWinControl(Form.get());
  w->SetParent(Form.get());
  ShowForm();
  w->SetSkinData(Skin.get());
  EXPECT_EQ(w->SkinData(), Skin.get());
  Skin.reset();
  EXPECT_EQ(w->SkinData(), nullptr);
}

// Plain and kit-skinned test controls at three sizes, saved for a look.
TEST_F(SkinBase, ContactSheet) {
  Form->SetColor(clWhite);
  Form->SetBounds(50, 50, 540, 180);
  ShowForm();
  const char* names[] = {"nosuchcontrol", "kitpanel", "kitpanelfull", "kithbar", "kitvbar", "kitfixed", "kitmasked"};
  const TPoint sizes[] = {{30, 30}, {45, 45}, {70, 60}};
  int32_t y = 5;
  for (const TPoint& s : sizes) {
    int32_t x = 5;
    for (const char* n : names) {
      Add(n, TRect{x, y, x + s.X, y + s.Y}, String(n) == "kitpanel");
      x += s.X + 6;
    }
    y += s.Y + 8;
  }
  Pump();
  TKitControl* first = dynamic_cast<TKitControl*>(Form->Controls(Form->ControlCount() - 7));
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(Probe(first, 5, 5), Rgb(clBtnFace));
  const std::filesystem::path file = SaveSheet(Form.get(), "skin_controls_base_sheet");
  EXPECT_TRUE(std::filesystem::exists(file));
}

}  // namespace
