#include "platform/vcl/dialogs_color.h"

#include <gtest/gtest.h>

#include <random>

#include "platform/gui/syscolors.h"
#include "platform/vcl/dialog_script_testing.h"
#include "platform/vcl/dialogs_manager.h"
#include "platform/vcl/stdctrls_native.h"
#include "platform/vcl/vcl_testing.h"

namespace {

class DlgColor : public TVclTest {
 protected:
  // Clicks a client point of the dialog (as an idle action).
  static void ClickDialog(HWND h, TPoint p) {
    ClientToScreen(h, &p);
    Headless().Click(p.X, p.Y);
  }
  static TPoint CentreOf(const TRect& r) { return TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2}; }
};

TEST_F(DlgColor, UntouchedColorsComeBackExactly) {
  std::vector<TColor> colors;
  for (int32_t i = 0; i < 48; ++i) colors.push_back(TColor(ColorDialogBasicColors()[i]));
  std::mt19937 rng(20261210);
  for (int32_t i = 0; i < 24; ++i) colors.push_back(TColor(rng() & 0xFFFFFF));
  // Colours whose hue and luminance round trip would drift.
  colors.push_back(RGB(1, 2, 3));
  colors.push_back(RGB(254, 255, 253));
  colors.push_back(RGB(127, 128, 129));
  for (size_t i = 0; i < colors.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "colour 0x" << std::hex << colors[i]);
    TColorDialog dlg(nullptr);
    dlg.SetColor(colors[i]);
    if (i % 2 == 1) dlg.SetOptions({TColorDialogOption::cdFullOpen});
    TDialogScript script;
    script.Expect(TScriptKind::Color).Caption("Color").Press(IDOK);
    ASSERT_TRUE(dlg.Execute());
    EXPECT_EQ(dlg.Color(), colors[i]);
  }
}

TEST_F(DlgColor, TaskModalRunAndSystemColor) {
  TForm* form = new TForm(App.get());
  form->Show();
  Pump();
  TColorDialog dlg(nullptr);
  dlg.SetColor(clBtnFace);
  int32_t shows = 0, closes = 0;
  HWND handleInside = nullptr;
  bool formEnabledInside = true;
  dlg.OnShow = [&](TObject*) {
    ++shows;
    handleInside = dlg.Handle();
    formEnabledInside = IsWindowEnabled(form->Handle());
  };
  dlg.OnClose = [&](TObject*) { ++closes; };
  TDialogScript script;
  script.Expect(TScriptKind::Color).Press(IDOK);
  ASSERT_TRUE(dlg.Execute());
  EXPECT_EQ(dlg.Color(), TColor(ColorToRGB(clBtnFace)));
  EXPECT_EQ(shows, 1);
  EXPECT_EQ(closes, 1);
  EXPECT_NE(handleInside, nullptr);
  EXPECT_EQ(dlg.Handle(), nullptr);
  EXPECT_FALSE(formEnabledInside);
  EXPECT_TRUE(IsWindowEnabled(form->Handle()));
  EXPECT_EQ(GetActiveWindow(), form->Handle());

  COLORREF custom[16] = {};
  CHOOSECOLOR cc;
  cc.rgbResult = COLORREF(clWindow);
  cc.lpCustColors = custom;
  cc.Flags = CC_RGBINIT | CC_FULLOPEN;
  script.Expect(TScriptKind::Color).Press(IDOK);
  ASSERT_TRUE(ChooseColor(&cc));
  EXPECT_EQ(cc.rgbResult, ColorToRGB(clWindow));
}

TEST_F(DlgColor, CustomColorsInAndOut) {
  TColorDialog dlg(nullptr);
  dlg.SetColor(RGB(0x56, 0x34, 0x12));
  dlg.CustomColors()->Add("ColorA=00FF00");
  dlg.CustomColors()->Add("ColorC=123456");
  dlg.CustomColors()->Add("ColorD=not hex");
  dlg.CustomColors()->Add("Other=kept");
  {
    // Untouched: every entry back, missing and unreadable ones as white.
    TDialogScript script;
    script.Expect(TScriptKind::Color).Press(IDOK);
    ASSERT_TRUE(dlg.Execute());
  }
  EXPECT_EQ(dlg.Color(), RGB(0x56, 0x34, 0x12));
  EXPECT_EQ(dlg.CustomColors()->Values("ColorA"), "00FF00");
  EXPECT_EQ(dlg.CustomColors()->Values("ColorB"), "FFFFFF");
  EXPECT_EQ(dlg.CustomColors()->Values("ColorC"), "123456");
  EXPECT_EQ(dlg.CustomColors()->Values("ColorD"), "FFFFFF");
  EXPECT_EQ(dlg.CustomColors()->Values("ColorP"), "FFFFFF");
  EXPECT_EQ(dlg.CustomColors()->Values("Other"), "kept");

  // A colour added goes to the first slot; a click on a slot picks its colour.
  {
    TDialogScript script;
    script.Expect(TScriptKind::Color)
        .PickColor(RGB(10, 20, 30))
        .Press(COLOR_ADD)
        .Do([](TScriptTarget t, const auto&) {
          ClickDialog(t.Dialog, CentreOf(ColorDialogCellRect(t.Dialog, 48 + 2)));  // the slot of ColorC
        })
        .Press(IDOK);
    ASSERT_TRUE(dlg.Execute());
  }
  EXPECT_EQ(dlg.CustomColors()->Values("ColorA"), "1E140A");
  EXPECT_EQ(dlg.CustomColors()->Values("ColorC"), "123456");
  EXPECT_EQ(dlg.Color(), TColor(0x123456));

  // The flat array is written back after Cancel too.
  COLORREF custom[16];
  for (int32_t i = 0; i < 16; ++i) custom[i] = COLORREF(i * 0x10101);
  CHOOSECOLOR cc;
  cc.lpCustColors = custom;
  cc.Flags = CC_FULLOPEN;
  TDialogScript script;
  script.Expect(TScriptKind::Color).PickColor(RGB(9, 8, 7)).Press(COLOR_ADD).Press(COLOR_ADD).Press(IDCANCEL);
  EXPECT_FALSE(ChooseColor(&cc));
  EXPECT_EQ(custom[0], COLORREF(RGB(9, 8, 7)));
  EXPECT_EQ(custom[1], COLORREF(RGB(9, 8, 7)));
  EXPECT_EQ(custom[2], COLORREF(2 * 0x10101));
  EXPECT_EQ(custom[15], COLORREF(15 * 0x10101));
}

TEST_F(DlgColor, ValuesTypedInTheEdits) {
  struct TCase {
    int32_t Id;
    const char* Text;
    int32_t Shown;  // what the edit holds once it lost the focus
  };
  struct TTyping {
    COLORREF Start;
    std::vector<TCase> Typed;
    COLORREF Expected;
  };
  const TTyping cases[] = {
      {0, {{COLOR_RED, "200", 200}, {COLOR_GREEN, "100", 100}, {COLOR_BLUE, "50", 50}}, COLORREF(RGB(200, 100, 50))},
      {COLORREF(RGB(1, 2, 3)), {{COLOR_GREEN, "999", 255}}, COLORREF(RGB(1, 255, 3))},
      {COLORREF(RGB(255, 0, 0)), {{COLOR_LUM, "60", 60}}, ColorHLSToRGB(THls{0, 60, 240})},
      {COLORREF(RGB(40, 40, 40)),
       {{COLOR_HUE, "80", 80}, {COLOR_SAT, "240", 240}, {COLOR_LUM, "120", 120}},
       ColorHLSToRGB(THls{80, 120, 240})},
      {COLORREF(RGB(40, 40, 40)), {{COLOR_HUE, "300", 239}}, ColorHLSToRGB(THls{239, 38, 0})},
  };
  for (const TTyping& c : cases) {
    SCOPED_TRACE(testing::Message() << "start 0x" << std::hex << c.Start);
    COLORREF custom[16] = {};
    CHOOSECOLOR cc;
    cc.rgbResult = c.Start;
    cc.lpCustColors = custom;
    cc.Flags = CC_RGBINIT | CC_FULLOPEN;
    TDialogScript script;
    auto& e = script.Expect(TScriptKind::Color);
    for (const TCase& t : c.Typed)
      e.Do([id = t.Id](TScriptTarget s, const auto&) {
         HWND edit = GetDlgItem(s.Dialog, id);
         SetFocus(edit);
         SendMessage(edit, EM_SETSEL, 0, -1);
       }).Type(t.Text);
    std::vector<int32_t> shown;
    e.Do([&](TScriptTarget s, const auto&) { SetFocus(GetDlgItem(s.Dialog, IDOK)); })
        .Do([&](TScriptTarget s, const auto&) {
          for (const TCase& t : c.Typed) shown.push_back(int32_t(GetDlgItemInt(s.Dialog, t.Id, nullptr, false)));
        })
        .Press(IDOK);
    ASSERT_TRUE(ChooseColor(&cc));
    EXPECT_EQ(cc.rgbResult, c.Expected);
    ASSERT_EQ(shown.size(), c.Typed.size());
    for (size_t i = 0; i < shown.size(); ++i) EXPECT_EQ(shown[i], c.Typed[i].Shown) << c.Typed[i].Text;
  }
}

TEST_F(DlgColor, HueLuminanceAndSaturation) {
  struct TCase {
    COLORREF Rgb;
    THls Hls;
  };
  const TCase cases[] = {
      {COLORREF(RGB(255, 0, 0)), {0, 120, 240}},   {COLORREF(RGB(0, 255, 0)), {80, 120, 240}},
      {COLORREF(RGB(0, 0, 255)), {160, 120, 240}}, {COLORREF(RGB(255, 255, 255)), {160, 240, 0}},
      {COLORREF(RGB(0, 0, 0)), {160, 0, 0}},       {COLORREF(RGB(128, 128, 128)), {160, 120, 0}},
      {COLORREF(RGB(128, 0, 0)), {0, 60, 240}},    {COLORREF(RGB(255, 128, 255)), {200, 180, 240}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "0x" << std::hex << c.Rgb);
    EXPECT_EQ(ColorRGBToHLS(c.Rgb), c.Hls);
  }
  for (COLORREF rgb : {COLORREF(RGB(255, 0, 0)), COLORREF(RGB(0, 255, 0)), COLORREF(RGB(0, 0, 255)),
                       COLORREF(RGB(255, 255, 255)), COLORREF(RGB(0, 0, 0)), COLORREF(RGB(255, 255, 0))})
    EXPECT_EQ(ColorHLSToRGB(ColorRGBToHLS(rgb)), rgb);
}

TEST_F(DlgColor, MouseOnGridFieldAndBar) {
  COLORREF custom[16] = {};
  CHOOSECOLOR cc;
  cc.lpCustColors = custom;
  cc.Flags = CC_FULLOPEN;
  THls afterField, afterBar;
  TDialogScript script;
  script.Expect(TScriptKind::Color)
      .Do([](TScriptTarget t, const auto&) { ClickDialog(t.Dialog, CentreOf(ColorDialogCellRect(t.Dialog, 21))); })
      .Do([&](TScriptTarget t, const auto&) {
        EXPECT_EQ(GetDlgItemInt(t.Dialog, COLOR_BLUE, nullptr, false), 255u);
        EXPECT_EQ(GetDlgItemInt(t.Dialog, COLOR_RED, nullptr, false), 0u);
        // A click in the hue and saturation field: a quarter across, at the top.
        TRect field{152, 4, 270, 118};
        MapDialogRect(t.Dialog, &field);
        ClickDialog(t.Dialog, TPoint{field.Left + field.Width() / 4, field.Top});
      })
      .Do([&](TScriptTarget t, const auto&) {
        afterField = THls{int32_t(GetDlgItemInt(t.Dialog, COLOR_HUE, nullptr, false)),
                          int32_t(GetDlgItemInt(t.Dialog, COLOR_LUM, nullptr, false)),
                          int32_t(GetDlgItemInt(t.Dialog, COLOR_SAT, nullptr, false))};
        TRect bar{276, 4, 284, 118};
        MapDialogRect(t.Dialog, &bar);
        ClickDialog(t.Dialog, TPoint{bar.Left + 2, bar.Top + bar.Height() / 4});
      })
      .Do([&](TScriptTarget t, const auto&) {
        afterBar = THls{int32_t(GetDlgItemInt(t.Dialog, COLOR_HUE, nullptr, false)),
                        int32_t(GetDlgItemInt(t.Dialog, COLOR_LUM, nullptr, false)),
                        int32_t(GetDlgItemInt(t.Dialog, COLOR_SAT, nullptr, false))};
      })
      .Press(IDOK);
  ASSERT_TRUE(ChooseColor(&cc));
  EXPECT_NEAR(afterField.H, 60, 1);
  EXPECT_EQ(afterField.S, 240);
  EXPECT_EQ(afterField.L, 120);  // the luminance of the blue before
  EXPECT_EQ(afterBar.H, afterField.H);
  EXPECT_EQ(afterBar.S, 240);
  EXPECT_NEAR(afterBar.L, 180, 2);
  EXPECT_EQ(cc.rgbResult, ColorHLSToRGB(afterBar));
}

TEST_F(DlgColor, FlagsAndStructure) {
  COLORREF custom[16] = {};
  struct TCase {
    uint32_t Flags;
    bool EditsShown;
    bool MixEnabled;
    bool Help;
  };
  const TCase cases[] = {
      {0, false, true, false},
      {CC_FULLOPEN, true, false, false},
      {CC_PREVENTFULLOPEN | CC_SHOWHELP, false, false, true},
      {CC_FULLOPEN | CC_PREVENTFULLOPEN, false, false, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "flags 0x" << std::hex << c.Flags);
    CHOOSECOLOR cc;
    cc.lpCustColors = custom;
    cc.Flags = c.Flags;
    TDialogScript script;
    script.Expect(TScriptKind::Color)
        .Do([&](TScriptTarget t, const auto&) {
          EXPECT_EQ(IsWindowVisible(GetDlgItem(t.Dialog, COLOR_RED)), c.EditsShown);
          EXPECT_EQ(IsWindowEnabled(GetDlgItem(t.Dialog, COLOR_MIX)), c.MixEnabled);
          EXPECT_EQ(GetDlgItem(t.Dialog, kColorHelpId) != nullptr, c.Help);
          EXPECT_NE(GetFocus(), nullptr);
        })
        .Key(VK_ESCAPE);
    EXPECT_FALSE(ChooseColor(&cc));
  }
  // "Define Custom Colors >>" widens the dialog and shows the edits.
  CHOOSECOLOR cc;
  cc.lpCustColors = custom;
  TRect before, after;
  TDialogScript script;
  script.Expect(TScriptKind::Color)
      .Do([&](TScriptTarget t, const auto&) { GetWindowRect(t.Dialog, &before); })
      .Press(COLOR_MIX)
      .Do([&](TScriptTarget t, const auto&) {
        GetWindowRect(t.Dialog, &after);
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(t.Dialog, COLOR_BLUE)));
      })
      .Press(IDCANCEL);
  EXPECT_FALSE(ChooseColor(&cc));
  EXPECT_GT(after.Width(), before.Width() * 3 / 2);

  // A wrong structure size or no custom colours: no dialog.
  CHOOSECOLOR bad;
  bad.lpCustColors = custom;
  bad.lStructSize = 12;
  EXPECT_FALSE(ChooseColor(&bad));
  CHOOSECOLOR none;
  EXPECT_FALSE(ChooseColor(&none));
}

TEST_F(DlgColor, HookSeesInitAndMayRefuseOk) {
  struct THookLog {
    LPARAM InitParam = 0;
    int32_t OkAsked = 0;
  };
  static THookLog* log = nullptr;
  THookLog l;
  log = &l;
  COLORREF custom[16] = {};
  CHOOSECOLOR cc;
  cc.lpCustColors = custom;
  cc.Flags = CC_ENABLEHOOK | CC_RGBINIT;
  cc.rgbResult = COLORREF(RGB(9, 9, 9));
  cc.lpfnHook = [](HWND, uint32_t msg, WPARAM, LPARAM lParam) -> intptr_t {
    if (msg == WM_INITDIALOG) log->InitParam = lParam;
    if (msg == RegisterWindowMessage(COLOROKSTRING)) return ++log->OkAsked == 1 ? 1 : 0;  // refuse once
    return 0;
  };
  bool openAfterRefusal = false;
  TDialogScript script;
  script.Expect(TScriptKind::Color)
      .Press(IDOK)
      .Do([&](TScriptTarget t, const auto&) {
        openAfterRefusal = IsWindowVisible(t.Dialog);
        SendMessage(t.Dialog, RegisterWindowMessage(SETRGBSTRING), 0, LPARAM(RGB(1, 2, 3)));
      })
      .Press(IDOK);
  ASSERT_TRUE(ChooseColor(&cc));
  EXPECT_EQ(l.InitParam, reinterpret_cast<LPARAM>(&cc));
  EXPECT_TRUE(openAfterRefusal);
  EXPECT_EQ(l.OkAsked, 2);
  EXPECT_EQ(cc.rgbResult, COLORREF(RGB(1, 2, 3)));
  log = nullptr;
}

}  // namespace
