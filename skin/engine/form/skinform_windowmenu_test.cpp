#include "skin/engine/form/skinframe_testing.h"

namespace {

using TNames = std::vector<String>;

// An MDI frame whose children and window menu the test sets.
class TStubFrame : public TForm {
 public:
  using TForm::TForm;
  int32_t MDIChildCount() const override { return int32_t(Children.size()); }
  TCustomForm* MDIChildren(int32_t Index) const override { return Children[size_t(Index)]; }
  TCustomForm* ActiveMDIChild() const override { return Active; }
  TMenuItem* WindowMenu() const override { return Window; }
  std::vector<TCustomForm*> Children;
  TCustomForm* Active = nullptr;
  TMenuItem* Window = nullptr;
};

class WindowMenuTest : public SkinFrameTest {
 public:
  void SetUp() override {
    SkinFrameTest::SetUp();
    App->CreateForm(Main);
    Main->SetFormStyle(TFormStyle::fsMDIForm);
    MainSkin = new TbsSkinForm(Main);
    auto* menu = new TMainMenu(Main);
    Main->Window = new TMenuItem(Main);
    Main->Window->SetCaption("&Window");
    menu->Items()->Add(Main->Window);
    auto* tile = new TMenuItem(Main);
    tile->SetName("Tile");
    Main->Window->Add(tile);
    Main->Show();
    for (const char* name : {"Photo1", "Photo2", "Photo3"}) {
      auto child = std::make_unique<TForm>(nullptr);
      child->SetName(name);
      child->SetCaption(String(name) + ".png");
      child->SetFormStyle(TFormStyle::fsMDIChild);
      Skins.push_back(new TbsSkinForm(child.get()));
      Main->Children.push_back(child.get());
      Children.push_back(std::move(child));
    }
  }
  void TearDown() override {
    Children.clear();
    SkinFrameTest::TearDown();
  }
  TNames Items() const {
    TNames names;
    for (int32_t i = 0; i < Main->Window->Count(); ++i) names.push_back(Main->Window->Items(i)->Name());
    return names;
  }
  TMenuItem* Item(int32_t Index) const { return Main->Window->Items(Index); }
  TStubFrame* Main = nullptr;
  TbsSkinForm* MainSkin = nullptr;
  std::vector<std::unique_ptr<TForm>> Children;
  std::vector<TbsSkinForm*> Skins;
};

TEST_F(WindowMenuTest, ThreeChildrenComeAndGo) {
  for (auto& c : Children) c->Show();
  Pump();
  EXPECT_EQ(Items(), (TNames{"Tile", "Photo1_BSFCHILDITEM", "Photo2_BSFCHILDITEM", "Photo3_BSFCHILDITEM"}));
  EXPECT_EQ(Item(2)->Caption(), "Photo2.png");
  EXPECT_EQ(Item(2)->Owner(), Skins[1]);
  Children[1]->SetCaption("renamed.png");
  EXPECT_EQ(Item(2)->Caption(), "renamed.png");

  Main->Active = Children[2].get();
  Skins[0]->CheckActiveChildMenuItem();
  EXPECT_EQ((std::vector<bool>{Item(1)->Checked(), Item(2)->Checked(), Item(3)->Checked()}),
            (std::vector<bool>{false, false, true}));

  // A click restores a minimised child.
  Skins[0]->SetWindowState(1);
  Item(1)->Click();
  EXPECT_EQ(Skins[0]->WindowState(), 0);

  // The last child's name changed after its item was made: its own item is
  // not found by name, yet none is left once no child remains.
  Children[2]->SetName("Photo9");
  for (size_t i = 0; i < Children.size(); ++i) {
    Main->Children.erase(Main->Children.begin());
    Children[i]->Hide();
  }
  EXPECT_EQ(Items(), TNames{"Tile"});
}

TEST_F(WindowMenuTest, NothingWithoutAWindowMenuOrAComponentOnTheMainForm) {
  TMenuItem* window = Main->Window;
  Main->Window = nullptr;
  Children[0]->Show();
  Main->Window = window;
  delete MainSkin;
  Children[1]->Show();
  Pump();
  EXPECT_EQ(Items(), TNames{"Tile"});
}

}  // namespace
