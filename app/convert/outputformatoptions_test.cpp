#include "app/convert/outputformatoptions.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "app/settings/commonclass.h"
#include "app/settings/settings_testing.h"
#include "platform/gui/headless.h"
#include "platform/vcl/dialog_script_testing.h"
#include "platform/vcl/extctrls.h"
#include "skin/controls/skinbutton.h"
#include "skin/controls/skincheckradio.h"
#include "skin/controls/skincombobox.h"
#include "skin/controls/skinedit.h"
#include "skin/controls/skinlabels.h"
#include "skin/controls/skinpagecontrol.h"
#include "skin/controls/skinspinedit.h"
#include "skin/controls/slider.h"
#include "skin/controls/testkit/skinkit_testing.h"
#include "skin/engine/data/storedskin.h"

namespace {

constexpr const char* kCaption = "Output format options";

class OutputFormatOptions : public TSkinKitTest {
 public:
  void SetUp() override {
    TSkinKitTest::SetUp();
    RegisterConvertSettingsClasses();
    Dialog = std::make_unique<TOutputFormatOptions>(nullptr, Paras, Skin.get());
  }
  void TearDown() override {
    Dialog.reset();
    TSkinKitTest::TearDown();
  }
  // Shows the dialog modally while Script acts on it; answers its result.
  TModalResult RunModal(const std::function<void(TDialogExpectation&)>& Script) {
    return RunScript([&](TDialogScript& S) { Script(S.ExpectModalForm(kCaption)); });
  }
  // The same with a script of several dialogs. Another form is made active
  // first, so the script sees the dialog become active at every showing.
  TModalResult RunScript(const std::function<void(TDialogScript&)>& Script) {
    Form->Show();
    Form->SetFocus();
    Pump();
    TDialogScript script;
    Script(script);
    return Dialog->ShowModal();
  }
  String Bytes() { return settingstest::StreamBytes(&Paras); }
  std::vector<String> Described() { return settingstest::Describe(&Paras, IOParasClass()); }
  static TPoint CentreOf(TControl* C) { return C->ClientToScreen(TPoint{C->Width() / 2, C->Height() / 2}); }
  static void ClickOn(TControl* C) {
    const TPoint p = CentreOf(C);
    Headless().Click(p.X, p.Y);
  }

  // An action for a dialog opened from the options dialog: once that dialog
  // has closed, OK is clicked on the options dialog.
  auto ThenOK() {
    return [this](TScriptTarget, const std::function<void(const String&)>&) {
      Headless().QueueIdleAction([this] { ClickOn(Dialog->BntOK); });
    };
  }

  TIOParas Paras;
  std::unique_ptr<TOutputFormatOptions> Dialog;
};

// Settings unlike the defaults, every one inside its control's range.
void SetOddValues(TIOParas& S) {
  S.JPEGQuality = 63;
  S.JPEGUseOriginalQuality = true;
  S.JPEGPhotometric = 4;
  S.JPEGSubSampling = 1;
  S.JPEGSmoothing = 17;
  S.JPEGOptimalHuffman = false;
  S.JPEGProgressive = true;
  S.JPEGKeepEXIF = false;
  S.BMPCompression = 1;
  S.BMPColor = 3;
  S.GIFColor = 6;
  S.GIFTransparent = true;
  S.GIFTransColor = TColor(0x123456);
  S.GIFInterlaced = true;
  S.PNGColor = 2;
  S.PNGCompression = 9;
  S.PNGFilter = 1;
  S.PNGInterlaced = true;
  S.PNGBackground = TColor(0x654321);
  S.JPEG2000Rate = 250;
  S.JPEG2000Photometric = 1;
  S.TIFFCompression = 3;
  S.TIFFPhotometric = 5;
}

TEST_F(OutputFormatOptions, LoadAndStoreRoundTripTheMappingTable) {
  SetOddValues(Paras);
  const std::vector<String> before = Described();
  // What each setting shows in its control.
  struct {
    const char* Name;
    std::function<bool(TOutputFormatOptions&)> Shows;
  } shows[] = {
      {"quality", [](auto& d) { return d.JPEGSlide->Value() == 63 && d.JPEGEdit->Value() == 63; }},
      {"source quality", [](auto& d) { return d.ChkUseOriginalJPEGQuality->Checked(); }},
      {"smoothing", [](auto& d) { return d.JPEGSmoothing->Value() == 17; }},
      {"photometric", [](auto& d) { return d.JPEGPhotometric->ItemIndex() == 4; }},
      {"subsampling", [](auto& d) { return d.JPEGSubSampling->ItemIndex() == 1; }},
      {"JPEG boxes",
       [](auto& d) {
         return !d.JPEGOptimalHuffman->Checked() && d.JPEGProgressive->Checked() && !d.JPEGKeepEXIF->Checked();
       }},
      {"BMP RLE", [](auto& d) { return d.BMPRLE->Checked() && !d.BMPUncompr->Checked(); }},
      {"BMP colour", [](auto& d) { return d.BMPColor->ItemIndex() == 3; }},
      {"GIF colour", [](auto& d) { return d.GifColor->ItemIndex() == 6; }},
      {"GIF transparency",
       [](auto& d) {
         return d.ChkGIFTransparent->Checked() && d.GifTransparentColor->Visible() &&
                d.GifTransparentColor->Color() == TColor(0x123456);
       }},
      {"PNG", [](auto& d) { return d.PNGColor->ItemIndex() == 2 && d.PNGCompression->ItemIndex() == 9; }},
      {"PNG filter Sub",
       [](auto& d) { return d.PNGSub->Checked() && !d.PNGNone->Checked() && !d.PNGPaeth->Checked(); }},
      {"PNG background", [](auto& d) { return d.PNGBackgroundColor->Color() == TColor(0x654321); }},
      {"JPEG 2000 rate", [](auto& d) { return d.JPEG2000Slide->Value() == 250 && d.JPEG2000Edit->Value() == 250; }},
      {"JPEG 2000 grey", [](auto& d) { return d.JPEG2000GrayScale->Checked() && !d.JPEG2000RGB->Checked(); }},
      {"TIFF PackBits", [](auto& d) { return d.TIFFCommpress[3]->Checked() && d.TIFFPhotometric->Visible(); }},
      {"TIFF photometric", [](auto& d) { return d.TIFFPhotometric->ItemIndex() == 5; }},
  };
  EXPECT_EQ(RunModal([&](TDialogExpectation& e) {
              e.Do([&](TScriptTarget, const auto&) {
                 for (const auto& s : shows) EXPECT_TRUE(s.Shows(*Dialog)) << s.Name;
               }).PressCaption("OK");
            }),
            mrOk);
  EXPECT_EQ(Described(), before) << "OK stores what was loaded";

  // The other way: choices made in the controls reach the settings.
  EXPECT_EQ(RunModal([&](TDialogExpectation& e) {
              e.Do([&](TScriptTarget, const auto&) {
                 Dialog->BMPUncompr->SetChecked(true);
                 Dialog->PNGPaeth->SetChecked(true);
                 Dialog->JPEG2000RGB->SetChecked(true);
                 Dialog->TIFFCommpress[6]->SetChecked(true);
                 Dialog->ChkGIFTransparent->SetChecked(false);
               }).PressCaption("OK");
            }),
            mrOk);
  EXPECT_EQ(Paras.BMPCompression, 0);
  EXPECT_EQ(Paras.PNGFilter, 2);
  EXPECT_EQ(Paras.JPEG2000Photometric, 0);
  EXPECT_EQ(Paras.TIFFCompression, 6);
  EXPECT_FALSE(Paras.GIFTransparent);
}

TEST_F(OutputFormatOptions, TypingIntoTheQualityEditMovesTheSlider) {
  EXPECT_EQ(RunModal([&](TDialogExpectation& e) {
              e.Do([&](TScriptTarget, const auto&) {
                 Dialog->JPEGEdit->Editor()->SetFocus();
                 Dialog->JPEGEdit->Editor()->SelectAll();
               })
                  .Type("75")
                  .Do([&](TScriptTarget, const auto&) { EXPECT_EQ(Dialog->JPEGSlide->Value(), 75); })
                  .PressCaption("OK");
            }),
            mrOk);
  EXPECT_EQ(Paras.JPEGQuality, 75);
}

// The smoothing edit shares the quality edit's handler; it must not drag
// the quality slider to its own value.
TEST_F(OutputFormatOptions, SmoothingChangeLeavesTheQualitySlider) {
  EXPECT_EQ(RunModal([&](TDialogExpectation& e) {
              e.Do([&](TScriptTarget, const auto&) {
                 Dialog->JPEGSmoothing->Editor()->SetFocus();
                 Dialog->JPEGSmoothing->Editor()->SelectAll();
               })
                  .Type("40")
                  .Do([&](TScriptTarget, const auto&) {
                    EXPECT_EQ(Dialog->JPEGSmoothing->Value(), 40);
                    EXPECT_EQ(Dialog->JPEGSlide->Value(), 90);
                    EXPECT_EQ(Dialog->JPEGEdit->Value(), 90);
                  })
                  .PressCaption("OK");
            }),
            mrOk);
  EXPECT_EQ(Paras.JPEGSmoothing, 40);
  EXPECT_EQ(Paras.JPEGQuality, 90);
}

TEST_F(OutputFormatOptions, ResetThenCancelOrEscapeLeavesTheSettings) {
  SetOddValues(Paras);
  const String before = Bytes();
  EXPECT_EQ(RunModal([&](TDialogExpectation& e) {
              e.PressCaption("Reset this page")
                  .Do([&](TScriptTarget, const auto&) {
                    EXPECT_EQ(Dialog->JPEGSlide->Value(), 90);
                    EXPECT_EQ(Dialog->JPEGEdit->Value(), 90);
                    EXPECT_EQ(Dialog->JPEGSubSampling->ItemIndex(), 2);
                    EXPECT_TRUE(Dialog->JPEGKeepEXIF->Checked());
                    EXPECT_TRUE(Dialog->BMPRLE->Checked()) << "only the active page is reset";
                  })
                  .PressCaption("Cancel");
            }),
            mrCancel);
  EXPECT_EQ(Bytes(), before);
  EXPECT_EQ(RunModal([&](TDialogExpectation& e) { e.PressCaption("Reset this page").Key(VK_ESCAPE); }), mrCancel);
  EXPECT_EQ(Bytes(), before);
  // The next showing loads the settings again.
  EXPECT_EQ(RunModal([&](TDialogExpectation& e) {
              e.Do([&](TScriptTarget, const auto&) { EXPECT_EQ(Dialog->JPEGSlide->Value(), 63); }).PressCaption("OK");
            }),
            mrOk);
  EXPECT_EQ(Bytes(), before);
}

TEST_F(OutputFormatOptions, ResetOfEveryOtherPage) {
  SetOddValues(Paras);
  Dialog->ShowFormatPage(0);
  RunModal([&](TDialogExpectation& e) {
    e.Do([&](TScriptTarget, const auto&) {
       for (int32_t page = 1; page <= 5; ++page) {
         Dialog->ShowFormatPage(page);
         Dialog->BntEffectsResetClick(nullptr);
       }
     }).PressCaption("OK");
  });
  // The JPEG page and PNG interlacing keep their values.
  TIOParas defaults;
  SetOddValues(defaults);
  defaults.BMPCompression = 0, defaults.BMPColor = 0;
  defaults.GIFColor = 0, defaults.GIFTransparent = false, defaults.GIFTransColor = TColor(0xFFFFFF);
  defaults.GIFInterlaced = false;
  defaults.PNGColor = 0, defaults.PNGCompression = 6, defaults.PNGFilter = 0, defaults.PNGBackground = TColor(0xFFFFFF);
  defaults.JPEG2000Rate = 800, defaults.JPEG2000Photometric = 0;
  defaults.TIFFCompression = 0, defaults.TIFFPhotometric = 0;
  EXPECT_EQ(Described(), settingstest::Describe(&defaults, IOParasClass()));
}

TEST_F(OutputFormatOptions, FaxCompressionsHideThePhotometricChoice) {
  Dialog->ShowFormatPage(5);
  RunModal([&](TDialogExpectation& e) {
    e.Do([&](TScriptTarget, const auto&) { EXPECT_TRUE(Dialog->TIFFPhotometric->Visible()); })
        .PressCaption("G4FAX")
        .Do([&](TScriptTarget, const auto&) {
          EXPECT_FALSE(Dialog->TIFFPhotometric->Visible());
          EXPECT_FALSE(Dialog->Label35->Visible());
        })
        .PressCaption("LZW")
        .Do([&](TScriptTarget, const auto&) {
          EXPECT_TRUE(Dialog->TIFFPhotometric->Visible());
          EXPECT_TRUE(Dialog->Label35->Visible());
        })
        .PressCaption("OK");
  });
  EXPECT_EQ(Paras.TIFFCompression, 1);
}

TEST_F(OutputFormatOptions, UnknownTIFFCompressionChecksNoRadioAndIsKept) {
  Paras.TIFFCompression = 9;
  Dialog->ShowFormatPage(5);
  RunModal([&](TDialogExpectation& e) {
    e.Do([&](TScriptTarget, const auto&) {
       for (int32_t i = 0; i < 7; ++i) EXPECT_FALSE(Dialog->TIFFCommpress[i]->Checked()) << i;
     }).PressCaption("OK");
  });
  EXPECT_EQ(Paras.TIFFCompression, 9);
}

TEST_F(OutputFormatOptions, MouseEnterFocusesAndTheWheelSteps) {
  struct {
    int32_t Page;
    TbsSkinSlider* TOutputFormatOptions::*Slider;
    int32_t Start, Step;
  } cases[] = {{0, &TOutputFormatOptions::JPEGSlide, 90, 1}, {4, &TOutputFormatOptions::JPEG2000Slide, 800, 100}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Page);
    Dialog->ShowFormatPage(c.Page);
    TbsSkinSlider* slider = (*Dialog).*c.Slider;
    RunModal([&](TDialogExpectation& e) {
      e.Do([&](TScriptTarget, const auto&) {
         const TPoint p = CentreOf(slider);
         Headless().MouseMove(p.X, p.Y);
       })
          .Do([&](TScriptTarget, const auto&) {
            EXPECT_TRUE(slider->Focused());
            const TPoint p = CentreOf(slider);
            Headless().Wheel(p.X, p.Y, -120);
          })
          .Do([&](TScriptTarget, const auto&) {
            EXPECT_EQ(slider->Value(), c.Start + c.Step) << "turned down: raised";
            const TPoint p = CentreOf(slider);
            Headless().Wheel(p.X, p.Y, 120);
            Headless().Wheel(p.X, p.Y, 120);
          })
          .Do([&](TScriptTarget, const auto&) { EXPECT_EQ(slider->Value(), c.Start - c.Step); })
          .PressCaption("Cancel");
    });
  }
}

TEST_F(OutputFormatOptions, ColourPanelsPickThroughTheColourDialog) {
  Dialog->ShowFormatPage(2);
  EXPECT_EQ(RunScript([&](TDialogScript& script) {
              script.ExpectModalForm(kCaption)
                  .Do([&](TScriptTarget, const auto&) { EXPECT_FALSE(Dialog->GifTransparentColor->Visible()); })
                  .PressCaption("Transparent")
                  .Do([&](TScriptTarget, const auto&) {
                    EXPECT_TRUE(Dialog->GifTransparentColor->Visible());
                    EXPECT_TRUE(Dialog->LabelTransparentColor->Visible());
                    ClickOn(Dialog->GifTransparentColor);
                  });
              script.Expect(TScriptKind::Color).PickColor(RGB(10, 20, 30)).Do(ThenOK()).Press(IDOK);
            }),
            mrOk);
  EXPECT_TRUE(Paras.GIFTransparent);
  EXPECT_EQ(Paras.GIFTransColor, TColor(RGB(10, 20, 30)));

  Dialog->ShowFormatPage(3);
  EXPECT_EQ(
      RunScript([&](TDialogScript& script) {
        script.ExpectModalForm(kCaption).Do([&](TScriptTarget, const auto&) { ClickOn(Dialog->PNGBackgroundColor); });
        script.Expect(TScriptKind::Color).PickColor(RGB(200, 100, 50)).Do(ThenOK()).Press(IDCANCEL);
      }),
      mrOk);
  EXPECT_EQ(Paras.PNGBackground, TColor(0xFFFFFF)) << "a cancelled pick keeps the colour";
}

TEST_F(OutputFormatOptions, ShowFormatPageShowsOnlyThatPage) {
  struct {
    int32_t Format, Page;
  } cases[] = {{0, 0}, {3, 3}, {5, 5}, {9, 5}, {-2, 0}};
  for (const auto& c : cases) {
    Dialog->ShowFormatPage(c.Format);
    EXPECT_EQ(Dialog->Pages->ActivePageIndex(), c.Page) << c.Format;
    for (int32_t i = 0; i < 6; ++i) EXPECT_EQ(Dialog->Pages->Pages(i)->TabVisible(), i == c.Page) << c.Format;
  }
}

// Pictures of every page in the generated skin 9, frame included.
TEST_F(OutputFormatOptions, PicturesOfEveryPageInSkin9) {
  auto skin9 = std::make_unique<TbsSkinData>(nullptr);
  TbsCompressedStoredSkin container(nullptr);
  container.LoadFromCompressedFile(SKINS_BUILD_DIR "/skn/9.skn");
  ASSERT_TRUE(skin9->LoadCompressedStoredSkin(&container));
  Paras.GIFTransparent = true;
  Paras.GIFTransColor = TColor(0x2080F0);
  auto dialog = std::make_unique<TOutputFormatOptions>(nullptr, Paras, skin9.get());
  const char* names[] = {"jpeg", "bmp", "gif", "png", "jpeg2000", "tiff"};
  dialog->Show();
  Pump();
  EXPECT_EQ(dialog->ClientWidth(), TOutputFormatOptions::kClientWidth);
  EXPECT_EQ(dialog->ClientHeight(), TOutputFormatOptions::kClientHeight);
  for (int32_t i = 0; i < 6; ++i) {
    dialog->Pages->SetActivePageIndex(i);
    Pump();
    SaveSheet(dialog.get(), String("outputformatoptions-skin9-") + names[i]);
  }
  dialog->ShowFormatPage(4);
  Pump();
  SaveSheet(dialog.get(), "outputformatoptions-skin9-only-jpeg2000");
  dialog.reset();
}

}  // namespace
