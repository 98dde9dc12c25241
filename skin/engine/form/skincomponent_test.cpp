#include "skin/engine/form/skincomponent.h"

#include "skin/controls/base/skinctrls.h"
#include "skin/engine/form/skinframe_testing.h"

namespace {

// A skinned control that counts the skins handed to it.
class TCountingControl : public TbsSkinControl {
 public:
  using TbsSkinControl::TbsSkinControl;
  void SetSkinData(TbsSkinData* Value) override {
    ++Sets;
    TbsSkinControl::SetSkinData(Value);
  }
  int32_t Sets = 0;
};

class SkinComponentTest : public SkinFrameTest {
 public:
  void SetUp() override {
    SkinFrameTest::SetUp();
    Frame = new TFrame(Form.get());
    Frame->SetParent(Form.get());
    Frame->SetBounds(20, 20, 150, 90);
    FrameSkin = new TbsSkinFrame(Frame);
  }
  // What an erase of the frame leaves in a 60 x 40 bitmap filled with Mark.
  std::unique_ptr<TBitmap> Erase(TColor Mark, LRESULT* Result = nullptr) {
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(TPixelFormat::pf24bit);
    b->SetSize(60, 40);
    Fill(b.get(), TRect{0, 0, 60, 40}, Mark);
    const LRESULT r = SendMessage(Frame->Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(b->Canvas()->Handle()), 0);
    if (Result != nullptr) *Result = r;
    return b;
  }
  int32_t CountOf(TBitmap* B, TColor C) {
    int32_t n = 0;
    for (int32_t y = 0; y < B->Height(); ++y)
      for (int32_t x = 0; x < B->Width(); ++x) n += PixelAt(B, x, y) == C;
    return n;
  }
  TFrame* Frame = nullptr;
  TbsSkinFrame* FrameSkin = nullptr;
};

TEST_F(SkinComponentTest, TheFramesEraseIsSwallowedAndPaintedOnlyWithDrawBackground) {
  const TColor mark = 0x123456;
  ShowActive();
  LRESULT result = 0;
  // No skin: the plain face.
  EXPECT_EQ(CountOf(Erase(mark, &result).get(), ColorToRGB(clBtnFace)), 60 * 40);
  EXPECT_EQ(result, 1);
  LoadSkin9();
  FrameSkin->SetSkinData(Skin.get());
  auto skinned = Erase(mark);
  EXPECT_EQ(CountOf(skinned.get(), mark), 0);
  // The frame shows the form's own background tile from its top-left.
  const TbsSkinFormInfo& fi = Skin->FormInfo;
  if (fi.BGPictureIndex < 0) {
    EXPECT_EQ(PixelAt(skinned.get(), 0, 0), Skin->MainPicture->Canvas()->Pixels(fi.ClientRect.Left, fi.ClientRect.Top));
  }
  FrameSkin->SetDrawBackground(false);
  EXPECT_EQ(CountOf(Erase(mark, &result).get(), mark), 60 * 40);
  EXPECT_EQ(result, 1);
  // Gone, the component gives the frame its own erase back.
  delete FrameSkin;
  EXPECT_EQ(CountOf(Erase(mark).get(), mark), 0);
}

TEST_F(SkinComponentTest, ControlsSkinIsHandedOnOncePerValue) {
  auto* a = new TCountingControl(Frame);
  auto* b = new TCountingControl(Frame);
  auto* onForm = new TCountingControl(Form.get());
  TbsSkinData other(nullptr);
  b->SetSkinData(&other);
  b->Sets = 0;
  FrameSkin->SetCtrlsSkinData(&other);
  FrameSkin->SetCtrlsSkinData(&other);
  EXPECT_EQ(a->Sets, 1);
  EXPECT_EQ(b->Sets, 0);  // it had that skin already
  EXPECT_EQ(a->SkinData(), &other);
  FrameSkin->SetCtrlsSkinData(Skin.get());
  EXPECT_EQ(a->Sets, 2);
  EXPECT_EQ(b->Sets, 1);
  EXPECT_EQ(onForm->Sets, 0);
  // A component on no frame does nothing.
  auto* loose = new TbsSkinFrame(Form.get());
  loose->SetCtrlsSkinData(&other);
  EXPECT_EQ(onForm->Sets, 0);
  EXPECT_EQ(loose->Frame(), nullptr);
}

TEST_F(SkinComponentTest, ReferencesClearWhenTheSkinGoes) {
  auto skin = std::make_unique<TbsSkinData>(nullptr);
  FrameSkin->SetSkinData(skin.get());
  FrameSkin->SetCtrlsSkinData(skin.get());
  skin.reset();
  EXPECT_EQ(FrameSkin->SkinData(), nullptr);
  EXPECT_EQ(FrameSkin->CtrlsSkinData(), nullptr);
}

// A form with two components answers the first; the MDI look-ups go
// through the main form's children.
TEST_F(SkinComponentTest, FindingAFormsComponent) {
  auto* second = new TbsSkinForm(Form.get());
  EXPECT_EQ(FindSkinForm(Form.get()), SF);
  EXPECT_NE(second, SF);
  EXPECT_EQ(FindSkinForm(nullptr), nullptr);

  class TStubFrame : public TForm {
   public:
    using TForm::TForm;
    int32_t MDIChildCount() const override { return int32_t(Children.size()); }
    TCustomForm* MDIChildren(int32_t Index) const override { return Children[size_t(Index)]; }
    TCustomForm* ActiveMDIChild() const override { return Active; }
    std::vector<TCustomForm*> Children;
    TCustomForm* Active = nullptr;
  };
  EXPECT_EQ(FindActiveMDISkinForm(), nullptr);  // no main form
  TStubFrame* main = nullptr;
  App->CreateForm(main);
  TForm bare(nullptr), skinned(nullptr);
  auto* skinnedSkin = new TbsSkinForm(&skinned);
  main->Children = {&bare, &skinned, Form.get()};
  main->Active = &bare;
  EXPECT_EQ(FindActiveMDISkinForm(), nullptr);
  main->Active = &skinned;
  EXPECT_EQ(FindActiveMDISkinForm(), skinnedSkin);
  EXPECT_EQ(FindMaximizedMDISkinForm(), nullptr);
  Form->Show();
  skinned.Show();
  Pump();
  SF->SetWindowState(2);
  skinnedSkin->SetWindowState(2);
  EXPECT_EQ(FindMaximizedMDISkinForm(), skinnedSkin);
}

// Pictures to look at: a skin-9 form with a skinned frame on it whose skin
// has a marked background tile (so the tiling over the frame's client size
// shows), and the same frame without its background.
TEST_F(SkinComponentTest, FramePictures) {
  LoadSkin9();
  TbsSkinData marked(nullptr);
  TbsCompressedStoredSkin container(nullptr);
  container.LoadFromCompressedFile(SKINS_BUILD_DIR "/skn/9.skn");
  ASSERT_TRUE(marked.LoadCompressedStoredSkin(&container));
  const TbsSkinFormInfo& fi = marked.FormInfo;
  ASSERT_LT(fi.BGPictureIndex, 0);
  const TRect& cr = fi.ClientRect;
  TCanvas* c = marked.MainPicture->Canvas();
  c->Pen()->SetColor(0x2060C0);
  c->MoveTo(cr.Left, cr.Top);
  c->LineTo(cr.Right, cr.Bottom);
  c->Brush()->SetColor(0x40A040);
  c->FillRect(TRect{cr.Left, cr.Top, cr.Left + 4, cr.Top + 4});
  FrameSkin->SetSkinData(&marked);
  ShowActive();
  Save(WindowPixels(Form->Handle(), true).get(), "skinframe_component.png");
  auto tiled = Erase(clBlack);
  EXPECT_EQ(PixelAt(tiled.get(), 0, 0), TColor(0x40A040));
  if (cr.Width() < 60) {
    EXPECT_EQ(PixelAt(tiled.get(), cr.Width(), 0), TColor(0x40A040));
  }
  FrameSkin->SetDrawBackground(false);
  RedrawWindow(Form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  Pump();
  Save(WindowPixels(Form->Handle(), true).get(), "skinframe_component_nobackground.png");
  FrameSkin->SetSkinData(nullptr);
}

}  // namespace
