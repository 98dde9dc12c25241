#include "skin/controls/skinedit.h"

#include <gtest/gtest.h>

#include "platform/rtl/stringlist.h"
#include "platform/vcl/clipbrd.h"
#include "skin/engine/data/resstrdata.h"
#include "skin/controls/bars_testing.h"
#include "skin/controls/skinbutton.h"
#include "skin/controls/skinspinedit.h"
#include "skin/controls/testkit/skinkit_edits.h"
#include "skin/engine/form/skinform.h"
#include "skin/engine/menus/skinmenus.h"
#include "skin/engine/menus/skinpopupmenu.h"

namespace {

using namespace SkinKit;

class SkinEdit : public TSkinBarTest {
 public:
  TbsCustomEdit* AddEdit(const String& Text) {
    ShowForm();
    auto* e = new TbsCustomEdit(Form.get());
    e->SetParent(Form.get());
    e->SetBounds(20, 20, 120, 20);
    e->SetText(Text);
    Pump();
    return e;
  }
  // A skin component on the form so the skinned menus open.
  TbsSkinForm* AddSkinForm() {
    auto* f = new TbsSkinForm(Form.get());
    f->SetSkinData(Skin.get());
    return f;
  }
  void Focus(TWinControl* C) {
    C->SetFocus();
    Pump();
  }
  // The enabled states of the context menu's items (separators left out).
  std::vector<std::pair<String, bool>> MenuItems(TbsCustomEdit* E) {
    std::vector<std::pair<String, bool>> r;
    if (E->EditMenu() == nullptr) return r;
    TMenuItem* root = E->EditMenu()->Items();
    for (int32_t i = 0; i < root->Count(); ++i)
      if (root->Items(i)->Caption() != "-") r.emplace_back(root->Items(i)->Caption(), root->Items(i)->Enabled());
    return r;
  }
  void ContextMenuAt(TbsCustomEdit* E, int32_t X, int32_t Y) {
    SendMessage(E->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(E->Handle()), MAKELPARAM(X, Y));
    Pump();
  }
  std::vector<String> Log;
};

TEST_F(SkinEdit, EnterAndEscapeWorkTheDialogButtonsAndInsertNothing) {
  TbsCustomEdit* e = AddEdit("abc");
  auto* ok = new TbsSkinButton(Form.get());
  ok->SetParent(Form.get());
  ok->SetBounds(20, 60, 75, 25);
  ok->SetDefault(true);
  ok->OnClick = [this](TObject*) { Log.push_back("ok"); };
  auto* cancel = new TbsSkinButton(Form.get());
  cancel->SetParent(Form.get());
  cancel->SetBounds(100, 60, 75, 25);
  cancel->SetCancel(true);
  cancel->OnClick = [this](TObject*) { Log.push_back("cancel"); };
  e->OnKeyPress = [this](TObject*, char32_t& Key) {
    Log.push_back("key " + std::to_string(uint32_t(Key)));
    Key = 'x';  // a copy: changing it inserts nothing
  };
  Focus(e);
  e->SetSelStart(3);
  Press(VK_RETURN);
  Press(VK_ESCAPE);
  EXPECT_EQ(Log, (std::vector<String>{"key 13", "ok", "key 27", "cancel"}));
  EXPECT_EQ(e->Text(), "abc");
}

TEST_F(SkinEdit, ContextMenuEnablingTable) {
  struct {
    const char* What;
    String Text;
    int32_t SelStart, SelLength;
    bool ClipboardText;
    bool Cut, Paste, SelectAll;
  } cases[] = {
      {"no selection", "hello", 2, 0, true, false, true, true},
      {"part selected, empty clipboard", "hello", 1, 2, false, true, false, true},
      {"all selected", "hello", 0, 5, true, true, true, false},
      {"empty edit", "", 0, 0, true, false, true, false},
  };
  TbsCustomEdit* e = AddEdit("");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    e->SetText(c.Text);
    e->ClearUndo();
    e->SetSelStart(c.SelStart);
    e->SetSelLength(c.SelLength);
    if (c.ClipboardText)
      Clipboard()->SetAsText("pasted");
    else
      Clipboard()->Clear();
    ContextMenuAt(e, 30, 30);
    const std::vector<std::pair<String, bool>> expected = {{"Undo", false},   {"Cut", c.Cut},
                                                           {"Copy", c.Cut},   {"Paste", c.Paste},
                                                           {"Delete", c.Cut}, {"Select All", c.SelectAll}};
    EXPECT_EQ(MenuItems(e), expected);
  }
  // Typing makes Undo possible.
  Focus(e);
  H().TypeText("z");
  Pump();
  ContextMenuAt(e, 30, 30);
  EXPECT_TRUE(MenuItems(e).at(0).second);
}

TEST_F(SkinEdit, MenuTextsComeFromTheSkinsResourceTable) {
  TbsResourceStrData strings(nullptr);
  auto lines = std::make_unique<TStringList>();
  lines->SetText("EDIT_UNDO=Zurück\nEDIT_SELECTALL=Alles");
  strings.SetResStrings(lines.get());
  Skin->SetResourceStrData(&strings);
  AddSkinForm();
  TbsCustomEdit* e = AddEdit("abc");
  ContextMenuAt(e, 100, 100);
  const std::vector<std::pair<String, bool>> items = MenuItems(e);
  ASSERT_EQ(items.size(), 6u);
  EXPECT_EQ(items[0].first, "Zurück");
  EXPECT_EQ(items[5].first, "Alles");
  EXPECT_EQ(items[1].first, "") << "a name the table lacks";
  FindFormSkinForm(Form.get())->SkinMenu()->CloseMenu();
  Skin->SetResourceStrData(nullptr);
}

TEST_F(SkinEdit, KeyboardRequestsOpenTheMenuAtTheCentre) {
  AddSkinForm();
  TbsCustomEdit* e = AddEdit("abc");
  const TPoint origin = e->ClientOrigin();
  const TPoint centre{origin.X + 60, origin.Y + 10};
  struct {
    const char* What;
    uint32_t Vk, Modifiers;
  } cases[] = {{"shift+f10", VK_F10, hkShift}, {"menu key", VK_APPS, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    Focus(e);
    TbsSkinPopupMenu* before = e->EditMenu();
    Press(c.Vk, c.Modifiers);
    ASSERT_NE(e->EditMenu(), nullptr);
    EXPECT_NE(e->EditMenu(), before);
    EXPECT_EQ(e->EditMenu()->LastPopupPoint(), centre);
    FindFormSkinForm(Form.get())->SkinMenu()->CloseMenu();
    Pump();
  }
  ContextMenuAt(e, 200, 150);
  EXPECT_EQ(e->EditMenu()->LastPopupPoint(), (TPoint{200, 150}));
}

TEST_F(SkinEdit, AMenuCommandRunsAndTheMenuGoesAfterwards) {
  TbsCustomEdit* e = AddEdit("hello");
  TbsSkinForm* sf = AddSkinForm();
  Focus(e);
  e->SetSelStart(1);
  ContextMenuAt(e, 100, 100);
  TbsSkinMenu* menu = sf->SkinMenu();
  ASSERT_TRUE(menu->IsOpen);
  TbsSkinPopupWindow* w = menu->Windows(0);
  const TRect r = w->Items(7)->ItemRect;  // Select All
  ClickAt(w, (r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
  EXPECT_EQ(e->SelLength(), 5);
  EXPECT_EQ(e->EditMenu(), nullptr);
  EXPECT_FALSE(menu->IsOpen);
}

TEST_F(SkinEdit, AnAssignedPopupMenuReplacesTheSkinnedOne) {
  TbsCustomEdit* e = AddEdit("abc");
  AddSkinForm();
  auto* own = new TbsSkinPopupMenu(Form.get());
  auto* item = new TMenuItem(own);
  item->SetCaption("Own");
  own->Items()->Add(item);
  own->OnPopup = [this](TObject*) { Log.push_back("own"); };
  e->SetPopupMenu(own);
  ContextMenuAt(e, 100, 100);
  EXPECT_EQ(Log, (std::vector<String>{"own"}));
  EXPECT_EQ(e->EditMenu(), nullptr);
}

TEST_F(SkinEdit, PasteAndSetTextKeepOneLine) {
  TbsCustomEdit* e = AddEdit("ab");
  Focus(e);
  e->SetSelStart(1);
  Clipboard()->SetAsText("12\r\n3");
  Focus(e);
  e->SetSelStart(1);
  e->SetSelLength(0);
  e->PasteFromClipboard();
  EXPECT_EQ(e->Text(), "a12b");
  e->SetText("one\rtwo");
  EXPECT_EQ(e->Text(), "one");
}

TEST_F(SkinEdit, CancelModeRunsTheHandlerWithTheSender) {
  TbsCustomEdit* e = AddEdit("abc");
  TObject* sender = nullptr;
  e->FCancelModeHandler = [&sender](TObject* Sender) { sender = Sender; };
  e->Perform(CM_CANCELMODE, 0, reinterpret_cast<LPARAM>(Form.get()));
  EXPECT_EQ(sender, Form.get());
}

TEST_F(SkinEdit, TransparentTextLeavesTheParentPixelsBetweenGlyphs) {
  TbsCustomEdit* e = AddEdit("1");
  Form->SetColor(EditFace);
  e->SetTransparentText(true);
  e->Invalidate();
  Pump();
  EXPECT_EQ(Probe(e, 100, 10), Rgb(EditFace));
  EXPECT_EQ(Probe(e, 5, 1), Rgb(EditFace));
  e->SetTransparentText(false);
  Pump();
  EXPECT_EQ(Probe(e, 100, 10), Rgb(clWindow));
}

// ---- TbsSkinCustomEdit ---------------------------------------------------------------

class SkinEditFramed : public SkinEdit {
 public:
  TbsSkinCustomEdit* Add(bool Skinned, bool Button) {
    ShowForm();
    auto* e = new TbsSkinCustomEdit(Form.get());
    e->SetParent(Form.get());
    e->SetShowEditButton(Button);
    if (Skinned) e->SetSkinData(Skin.get());
    e->SetBounds(20, 20, 100, 20);
    e->SetText("MMMM");
    e->OnEditButtonClick = [this](TObject*) { Log.push_back("button"); };
    Pump();
    return e;
  }
};

TEST_F(SkinEditFramed, GeometryPlainAndSkinned) {
  TbsSkinCustomEdit* plain = Add(false, true);
  EXPECT_EQ(plain->EditButtonRect(), (TRect{80, 0, 100, 20}));
  EXPECT_EQ(plain->TextRect(), (TRect{2, 2, 78, 18}));
  EXPECT_EQ(plain->ClientWidth(), 76);
  TbsSkinCustomEdit* skinned = Add(true, true);
  EXPECT_EQ(skinned->Height(), 20);
  EXPECT_EQ(skinned->TextRect(), (TRect{5, 3, 80, 17}));
  EXPECT_EQ(skinned->EditButtonRect(), (TRect{82, 3, 97, 17}));
  EXPECT_EQ(skinned->ClientWidth(), 75);
  EXPECT_EQ(skinned->ClientHeight(), 14);
}

TEST_F(SkinEditFramed, ReleaseOverTheButtonClicksAndFocuses) {
  TbsSkinCustomEdit* e = Add(false, true);
  auto* other = new TbsCustomEdit(Form.get());
  other->SetParent(Form.get());
  other->SetBounds(20, 80, 100, 20);
  Focus(other);
  // Window point (90, 10) is client (88, 8).
  Down(e, 88, 8);
  EXPECT_TRUE(e->EditButtonDown());
  Up(e, 88, 8);
  EXPECT_EQ(Log, (std::vector<String>{"button"}));
  EXPECT_TRUE(e->Focused());
  EXPECT_FALSE(e->EditButtonDown());
  // The frame answers a hit code no bar stands behind: a press there tracks nothing.
  Down(e, -1, 5);
  EXPECT_EQ(GetCapture(), nullptr);
  Up(e, -1, 5);
  EXPECT_EQ(Log.size(), 1u);
}

TEST_F(SkinEditFramed, DisabledUndescribedEditDrawsGrayText) {
  TbsSkinCustomEdit* e = Add(false, false);
  const TRect area{0, 0, e->ClientWidth(), e->ClientHeight()};
  const int32_t enabled = CountColor(e->Handle(), area, clGrayText);
  e->SetEnabled(false);
  Pump();
  EXPECT_GT(CountColor(e->Handle(), area, clGrayText), enabled + 10);
  EXPECT_EQ(CountColor(e->Handle(), area, clBlack), 0);
}

TEST_F(SkinEditFramed, SkinnedFrameFollowsFocus) {
  TbsSkinCustomEdit* e = Add(true, false);
  std::unique_ptr<TBitmap> shot = WindowPixels(e->Handle(), true);
  ASSERT_TRUE(shot);
  EXPECT_EQ(shot->Canvas()->Pixels(0, 0), Rgb(EditFrame));
  EXPECT_EQ(e->Font()->Color(), EditFont);
  Focus(e);
  shot = WindowPixels(e->Handle(), true);
  EXPECT_EQ(shot->Canvas()->Pixels(0, 0), Rgb(EditActiveFrame));
  EXPECT_EQ(e->Font()->Color(), EditActiveFont);
}

}  // namespace

namespace {

// Plain and skinned edits at rest, with the button, focused with a
// selection, under the mouse and disabled, saved for looking at.
TEST_F(SkinEditFramed, ContactSheet) {
  Form->SetBounds(50, 50, 360, 150);
  Form->SetColor(clBtnFace);
  struct {
    bool Skinned, Button;
    int32_t X, Y;
    String Text;
  } cells[] = {
      {false, false, 10, 10, "Plain"},    {false, true, 120, 10, "Button"},  {false, false, 230, 10, "Focused"},
      {false, false, 10, 50, "Disabled"}, {true, false, 120, 50, "Skinned"}, {true, true, 230, 50, "Button"},
      {true, false, 10, 90, "Hot"},       {true, false, 120, 90, "Focused"}, {true, false, 230, 90, "Disabled"}};
  std::vector<TbsSkinCustomEdit*> edits;
  for (const auto& c : cells) {
    TbsSkinCustomEdit* e = Add(c.Skinned, c.Button);
    e->SetBounds(c.X, c.Y, 100, e->Height());
    e->SetText(c.Text);
    edits.push_back(e);
  }
  edits[3]->SetEnabled(false);
  edits[8]->SetEnabled(false);
  Focus(edits[2]);
  edits[2]->SetSelStart(1);
  edits[2]->SetSelLength(3);
  MoveTo(edits[6], 20, 5);
  Focus(edits[7]);
  edits[7]->SetSelStart(0);
  edits[7]->SetSelLength(4);
  Form->Invalidate();
  Pump();
  EXPECT_TRUE(std::filesystem::exists(SaveSheet(Form.get(), "skinedit")));
}

}  // namespace
