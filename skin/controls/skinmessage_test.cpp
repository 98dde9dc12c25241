#include "skin/controls/skinmessage.h"

#include <gtest/gtest.h>

#include "platform/vcl/dialog_script_testing.h"
#include "platform/vcl/extctrls.h"
#include "skin/controls/skinbutton.h"
#include "skin/controls/skincheckradio.h"
#include "skin/controls/skinlabels.h"
#include "skin/controls/testkit/skinkit_testing.h"
#include "skin/engine/data/resstrdata.h"
#include "skin/engine/data/storedskin.h"
#include "skin/engine/form/skinform.h"

namespace {

using B = TMsgDlgBtn;

// The generated skin 9, for pictures of whole skinned windows.
std::unique_ptr<TbsSkinData> LoadSkin9() {
  auto skin = std::make_unique<TbsSkinData>(nullptr);
  TbsCompressedStoredSkin container(nullptr);
  container.LoadFromCompressedFile(SKINS_BUILD_DIR "/skn/9.skn");
  EXPECT_TRUE(skin->LoadCompressedStoredSkin(&container));
  return skin;
}

TbsSkinButton* ButtonOf(TForm* F, const String& Name) { return dynamic_cast<TbsSkinButton*>(F->FindComponent(Name)); }

std::vector<TbsSkinButton*> ButtonsOf(TForm* F) {
  std::vector<TbsSkinButton*> r;
  for (int32_t i = 0; i < F->ComponentCount(); ++i)
    if (auto* b = dynamic_cast<TbsSkinButton*>(F->Components(i))) r.push_back(b);
  return r;
}

class SkinMessage : public TSkinKitTest {
 public:
  std::unique_ptr<TbsMessageForm> Build(const String& Msg, TMsgDlgType T, TMsgDlgButtons Buttons) {
    return std::unique_ptr<TbsMessageForm>(M.CreateMessageForm(Msg, T, Buttons));
  }
  // The text width of the box's text in its own font.
  static int32_t TextWidthIn(TForm* F, TFont* Font, const String& S) {
    F->Canvas()->Font()->Assign(Font);
    return F->Canvas()->TextWidth(S);
  }
  TbsSkinMessage M{nullptr};
};

TEST_F(SkinMessage, ButtonSetsRolesAndLayout) {
  struct TCase {
    const char* Name;
    TMsgDlgButtons Buttons;
    std::vector<String> Order;
    const char* Default;  // "" none
    const char* Cancel;
  };
  const TCase cases[] = {
      {"OK and Cancel", mbOKCancel, {"OK", "Cancel"}, "OK", "Cancel"},
      {"Yes and No", TMsgDlgButtons{B::mbYes, B::mbNo}, {"Yes", "No"}, "Yes", "No"},
      {"Abort, Retry, Ignore", mbAbortRetryIgnore, {"Abort", "Retry", "Ignore"}, "Retry", ""},
      {"all the application's", mbYesAllNoAllCancel, {"Yes", "No", "Cancel", "NoToAll", "YesToAll"}, "Yes", "Cancel"},
      {"empty", TMsgDlgButtons{}, {}, "", ""},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    auto f = Build("Proceed?", TMsgDlgType::mtConfirmation, c.Buttons);
    const std::vector<TbsSkinButton*> bs = ButtonsOf(f.get());
    ASSERT_EQ(bs.size(), c.Order.size());
    const int32_t row = c.Order.empty() ? 0 : int32_t(c.Order.size()) * 90 - 15;
    int32_t x = (f->ClientWidth() - row) / 2;
    for (size_t i = 0; i < bs.size(); ++i) {
      EXPECT_EQ(bs[i]->Name(), c.Order[i]);
      EXPECT_EQ(bs[i]->Default(), bs[i]->Name() == c.Default) << bs[i]->Name();
      EXPECT_EQ(bs[i]->Cancel(), bs[i]->Name() == c.Cancel) << bs[i]->Name();
      EXPECT_EQ(bs[i]->BoundsRect(), (TRect{x, f->ClientHeight() - 35, x + 75, f->ClientHeight() - 10}));
      x += 90;
    }
    TbsSkinStdLabel* l = f->MessageLabel();
    EXPECT_EQ(l->Left(), 55);
    EXPECT_EQ(l->Top(), 15);
    EXPECT_EQ(f->ClientWidth(), std::max(row, l->Left() + l->Width()) + 80);
    EXPECT_EQ(f->ClientHeight(), 25 + l->Height() + 50);
  }
}

TEST_F(SkinMessage, ModalResultOfAScriptedClickForEachSetInUse) {
  struct TCase {
    TMsgDlgButtons Buttons;
    const char* Press;
    int32_t Result;
  };
  const TCase cases[] = {
      {TMsgDlgButtons{B::mbOK}, "OK", 1},
      {mbOKCancel, "Cancel", 2},
      {TMsgDlgButtons{B::mbYes, B::mbNo}, "No", 7},
      {mbYesNoCancel, "Yes", 6},
      {TMsgDlgButtons{B::mbYes, B::mbNo, B::mbCancel, B::mbYesToAll}, "&YesToAll", 10},
      {mbYesAllNoAllCancel, "N&oToAll", 9},
      {mbAbortRetryIgnore, "Ignore", 5},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Press);
    TDialogScript script;
    script.ExpectModalForm("Confirm").PressCaption(c.Press);
    EXPECT_EQ(M.MessageDlg("Replace the file?", TMsgDlgType::mtConfirmation, c.Buttons, 0), c.Result);
  }
}

TEST_F(SkinMessage, EnterAndEscape) {
  struct TCase {
    const char* Name;
    TMsgDlgButtons Buttons;
    uint32_t Key;
    int32_t Result;
  };
  const TCase cases[] = {
      {"Enter: OK", mbOKCancel, VK_RETURN, 1},
      {"Escape: Cancel", mbOKCancel, VK_ESCAPE, 2},
      {"Enter: Yes", TMsgDlgButtons{B::mbYes, B::mbNo}, VK_RETURN, 6},
      {"Escape: No", TMsgDlgButtons{B::mbYes, B::mbNo}, VK_ESCAPE, 7},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TDialogScript script;
    script.ExpectModalForm("Warning").Key(c.Key);
    EXPECT_EQ(M.MessageDlg("Careful", TMsgDlgType::mtWarning, c.Buttons, 0), c.Result);
  }
}

TEST_F(SkinMessage, EscapeClosesNothingWithoutACancelRole) {
  TDialogScript script;
  script.ExpectModalForm("Error").Key(VK_ESCAPE).Do([](TScriptTarget t, const auto& fail) {
    if (t.Form == nullptr || t.Form->ModalResult() != mrNone) fail("Escape closed the box");
    if (t.Form != nullptr) t.Form->SetModalResult(mrRetry);
  });
  EXPECT_EQ(M.MessageDlg("Disk error", TMsgDlgType::mtError, mbAbortRetryIgnore, 0), mrRetry);
}

TEST_F(SkinMessage, HelpButtonHandsTheContextToTheApplicationAndStaysOpen) {
  Application->SetHelpContext(0);
  TDialogScript script;
  script.ExpectModalForm("Information")
      .PressCaption("Help")
      .Do([](TScriptTarget t, const auto& fail) {
        if (t.Form == nullptr || t.Form->ModalResult() != mrNone) fail("Help closed the box");
      })
      .PressCaption("OK");
  EXPECT_EQ(M.MessageDlg("Read this", TMsgDlgType::mtInformation, TMsgDlgButtons{B::mbOK, B::mbHelp}, 42), mrOk);
  EXPECT_EQ(Application->HelpContext(), 42);
}

TEST_F(SkinMessage, ShowAgainFlagValueInAndOut) {
  struct TCase {
    const char* Name;
    bool In;
    bool Click;  // toggles the box before OK
    bool Out;
  };
  const TCase cases[] = {
      {"starts ticked, left ticked", false, false, false},
      {"starts ticked, unticked", false, true, true},
      {"starts unticked, left", true, false, true},
      {"starts unticked, ticked", true, true, false},
  };
  M.ShowAgainFlag = true;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    M.ShowAgainFlagValue = c.In;
    TDialogScript script;
    auto& e = script.ExpectModalForm("Information").Do([c](TScriptTarget t, const auto& fail) {
      auto* box = t.Form != nullptr ? dynamic_cast<TbsSkinCheckRadioBox*>(t.Form->FindComponent("checkbox")) : nullptr;
      if (box == nullptr || box->Checked() != !c.In) fail("the box does not start as asked");
    });
    if (c.Click) e.PressCaption("Do not display this message again");
    e.PressCaption("OK");
    EXPECT_EQ(M.MessageDlg("Done", TMsgDlgType::mtInformation, TMsgDlgButtons{B::mbOK}, 0), mrOk);
    EXPECT_EQ(M.ShowAgainFlagValue, c.Out);
  }
}

TEST_F(SkinMessage, ShowAgainFlagValueWrittenAndBoxFreedWhenTheLoopThrows) {
  M.ShowAgainFlag = true;
  M.ShowAgainFlagValue = false;
  TComponentRef<TCustomForm> seen;
  TDialogScript script;
  script.ExpectModalForm("Information").Do([&seen](TScriptTarget t, const auto&) {
    seen = t.Form;
    dynamic_cast<TbsSkinCheckRadioBox*>(t.Form->FindComponent("checkbox"))->SetChecked(false);
    throw std::runtime_error("handler failed");
  });
  EXPECT_THROW(M.MessageDlg("Done", TMsgDlgType::mtInformation, TMsgDlgButtons{B::mbOK}, 0), std::runtime_error);
  EXPECT_TRUE(M.ShowAgainFlagValue);
  EXPECT_FALSE(seen.Assigned()) << "the box is freed";
}

TEST_F(SkinMessage, ButtonTextsFromTheTableWithBuiltInFallback) {
  TbsResourceStrData table(nullptr);
  struct TCase {
    const char* Name;
    bool UseTable;
    std::vector<String> Lines;
    String Yes, No;
  };
  const TCase cases[] = {
      {"no table", false, {}, "&Yes", "&No"},
      {"full table", true, {"MSG_BTN_YES=&Ja", "MSG_BTN_NO=&Nein", "MSG_CAP_CONFIRM=Frage"}, "&Ja", "&Nein"},
      {"table without MSG_BTN_NO", true, {"MSG_BTN_YES=&Ja"}, "&Ja", "&No"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    table.ResStrings()->Clear();
    for (const String& l : c.Lines) table.ResStrings()->Add(l);
    Skin->SetResourceStrData(c.UseTable ? &table : nullptr);
    M.SetCtrlSkinData(Skin.get());
    auto f = Build("Sure?", TMsgDlgType::mtConfirmation, TMsgDlgButtons{B::mbYes, B::mbNo});
    EXPECT_EQ(ButtonOf(f.get(), "Yes")->Caption(), c.Yes);
    EXPECT_EQ(ButtonOf(f.get(), "No")->Caption(), c.No);
    EXPECT_EQ(f->Caption(), c.Lines.size() == 3 ? "Frage" : "Confirm");
  }
  Skin->SetResourceStrData(nullptr);
}

TEST_F(SkinMessage, KindsGiveCaptionAndIcon) {
  Application->SetTitle("Pictoval");
  struct TCase {
    TMsgDlgType Kind;
    const char* Caption;
    bool Icon;
  };
  const TCase cases[] = {{TMsgDlgType::mtWarning, "Warning", true},
                         {TMsgDlgType::mtError, "Error", true},
                         {TMsgDlgType::mtInformation, "Information", true},
                         {TMsgDlgType::mtConfirmation, "Confirm", true},
                         {TMsgDlgType::mtCustom, "Pictoval", false}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Caption);
    auto f = Build("Text", c.Kind, TMsgDlgButtons{B::mbOK});
    EXPECT_EQ(f->Caption(), c.Caption);
    auto* image = dynamic_cast<TImage*>(f->FindComponent("Image"));
    ASSERT_EQ(image != nullptr, c.Icon);
    if (image == nullptr) continue;
    TbsSkinStdLabel* l = f->MessageLabel();
    EXPECT_EQ(image->BoundsRect(), (TRect{10, std::max(10, l->Top() + l->Height() / 2 - 16), 42,
                                          std::max(10, l->Top() + l->Height() / 2 - 16) + 32}));
  }
}

TEST_F(SkinMessage, WidthsForALongMessageAndALongCheckBoxText) {
  const String longMsg(60, 'W');
  auto f = Build(longMsg, TMsgDlgType::mtInformation, TMsgDlgButtons{B::mbOK});
  TbsSkinStdLabel* l = f->MessageLabel();
  EXPECT_GT(l->Width(), 75);
  EXPECT_EQ(f->ClientWidth(), 55 + l->Width() + 80);

  // Wider than the screen: the form-skin component's limit applies.
  auto huge = Build(String(400, 'W'), TMsgDlgType::mtInformation, TMsgDlgButtons{B::mbOK});
  EXPECT_EQ(huge->Width(), huge->SkinForm()->GetMaxWidth());
  EXPECT_LT(huge->ClientWidth(), 55 + huge->MessageLabel()->Width() + 80);

  TbsResourceStrData table(nullptr);
  const String longBox = "Never show this message again, whatever happens in the batch that follows";
  table.ResStrings()->Clear();
  table.ResStrings()->Add("MSG_CAP_SHOWFLAG=" + longBox);
  Skin->SetResourceStrData(&table);
  M.SetCtrlSkinData(Skin.get());
  M.ShowAgainFlag = true;
  M.UseSkinFont = false;
  auto g = Build("Short", TMsgDlgType::mtInformation, TMsgDlgButtons{B::mbOK});
  const int32_t tw = TextWidthIn(g.get(), M.DefaultFont(), longBox);
  EXPECT_EQ(g->ShowAgainBox()->Caption(), longBox);
  EXPECT_EQ(g->ClientWidth(), tw + 60);
  const int32_t bh = M.ButtonHeight();
  EXPECT_EQ(g->ShowAgainBox()->BoundsRect(),
            (TRect{5, g->ClientHeight() - bh - 50, 5 + tw + 55, g->ClientHeight() - bh - 50 + 30}));
  EXPECT_EQ(g->ClientHeight(), bh + g->MessageLabel()->Height() + 50 + 40);
  Skin->SetResourceStrData(nullptr);
}

TEST_F(SkinMessage, ContactSheetPlainAndSkinned) {
  for (bool skinned : {false, true}) {
    if (skinned) {
      M.SetCtrlSkinData(Skin.get());
      M.ShowAgainFlag = true;
    }
    auto f = Build("The folder holds 12 files of another type.\nConvert them as well?", TMsgDlgType::mtConfirmation,
                   mbYesAllNoAllCancel);
    f->Show();
    Pump();
    SaveSheet(f.get(), skinned ? "skinmessage-skinned" : "skinmessage-plain");
  }
}

TEST_F(SkinMessage, PictureInSkin9WithItsFrame) {
  std::unique_ptr<TbsSkinData> skin9 = LoadSkin9();
  M.SetSkinData(skin9.get());
  M.SetCtrlSkinData(skin9.get());
  auto f = Build("The folder holds 12 files of another type.\nConvert them as well?", TMsgDlgType::mtConfirmation,
                 mbYesAllNoAllCancel);
  f->Show();
  Pump();
  SaveSheet(f.get(), "skinmessage-skin9");
  f.reset();
  M.SetSkinData(nullptr);
  M.SetCtrlSkinData(nullptr);
}

}  // namespace
