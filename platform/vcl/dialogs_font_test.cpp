#include "platform/vcl/dialogs_font.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "platform/gui/syscolors.h"
#include "platform/gui/win_paint.h"
#include "platform/gui/win_readback.h"
#include "platform/vcl/dialog_script_testing.h"
#include "platform/vcl/dialogs_manager.h"
#include "platform/vcl/stdctrls_native.h"
#include "platform/vcl/vcl_testing.h"

namespace {

class DlgFont : public TVclTest {};

std::vector<String> ComboItems(HWND h, int32_t id) {
  std::vector<String> items;
  const LRESULT n = SendDlgItemMessage(h, id, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < n; ++i) {
    String t(size_t(SendDlgItemMessage(h, id, CB_GETLBTEXTLEN, WPARAM(i), 0)) + 1, '\0');
    SendDlgItemMessage(h, id, CB_GETLBTEXT, WPARAM(i), reinterpret_cast<LPARAM>(t.data()));
    t.resize(t.size() - 1);
    items.push_back(t);
  }
  return items;
}

// A family the list holds that differs from the fonts the tests start from.
String ListedFamily() {
  const std::vector<String> families = FontDialogFamilies();
  for (const char* f : {"Liberation Serif", "DejaVu Serif", "DejaVu Sans"})
    if (std::find(families.begin(), families.end(), f) != families.end()) return f;
  return families.empty() ? String() : families.back();
}

TEST_F(DlgFont, FamilyListIsFontconfigsScalableFamilies) {
  if (!std::filesystem::exists("/usr/bin/fc-list")) {
    if (std::getenv("CI") != nullptr) FAIL() << "fc-list is not installed (package fontconfig)";
    GTEST_SKIP() << "fc-list not installed";
  }
  // First family name of each line; "\," and "\-" are fc-list's escapes.
  std::set<String> expected;
  FILE* p = popen("fc-list :scalable=true family 2>/dev/null", "r");
  ASSERT_NE(p, nullptr);
  char line[1024];
  while (fgets(line, sizeof line, p) != nullptr) {
    String name;
    for (const char* c = line; *c != 0 && *c != '\n'; ++c) {
      if (*c == '\\' && c[1] != 0) {
        name += *++c;
        continue;
      }
      if (*c == ',') break;
      name += *c;
    }
    if (!name.empty()) expected.insert(name);
  }
  pclose(p);
  ASSERT_FALSE(expected.empty());

  std::vector<String> listed;
  LOGFONT lf;
  CHOOSEFONT cf;
  cf.lpLogFont = &lf;
  TDialogScript script;
  script.Expect(TScriptKind::Font)
      .Do([&](TScriptTarget t, const auto&) { listed = ComboItems(t.Dialog, kFontFamilyId); })
      .Press(IDCANCEL);
  EXPECT_FALSE(ChooseFont(&cf));
  EXPECT_EQ(std::set<String>(listed.begin(), listed.end()), expected);
  EXPECT_EQ(listed.size(), expected.size());  // each family once
  EXPECT_TRUE(std::is_sorted(listed.begin(), listed.end(),
                             [](const String& a, const String& b) { return CompareText(a, b) < 0; }));
}

TEST_F(DlgFont, UntouchedFontComesBackExactly) {
  struct TCase {
    const char* Name;
    int32_t Height;
    TFontStyles Style;
    TColor Color;
  };
  const TCase cases[] = {
      {"Verdana", -24, {TFontStyle::fsBold}, RGB(10, 20, 30)},  // 18 pt
      {"Tahoma", -11, {TFontStyle::fsItalic}, clWindowText},
      {"Arial", -14, {TFontStyle::fsUnderline, TFontStyle::fsStrikeOut}, clRed},  // 10.5 pt
      {"Liberation Sans", 20, {}, RGB(1, 2, 3)},                                  // a cell height
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TFontDialog dlg(nullptr);
    dlg.Font()->SetName(c.Name);
    dlg.Font()->SetHeight(c.Height);
    dlg.Font()->SetStyle(c.Style);
    dlg.Font()->SetColor(c.Color);
    TDialogScript script;
    script.Expect(TScriptKind::Font).Caption("Font").Text(c.Name).Press(IDOK);
    ASSERT_TRUE(dlg.Execute());
    EXPECT_EQ(dlg.Font()->Name(), c.Name);
    EXPECT_EQ(dlg.Font()->Height(), c.Height);
    EXPECT_EQ(dlg.Font()->Style(), c.Style);
    EXPECT_EQ(dlg.Font()->Color(), c.Color);
  }
  // The flat call reports the size in tenths and the font type.
  LOGFONT lf;
  lf.lfFaceName = "Verdana";
  lf.lfHeight = -24;
  lf.lfWeight = 600;
  CHOOSEFONT cf;
  cf.lpLogFont = &lf;
  cf.Flags = CF_INITTOLOGFONTSTRUCT | CF_EFFECTS;
  cf.rgbColors = COLORREF(RGB(10, 20, 30));
  TDialogScript script;
  script.Expect(TScriptKind::Font).Press(IDOK);
  ASSERT_TRUE(ChooseFont(&cf));
  EXPECT_EQ(lf.lfFaceName, "Verdana");
  EXPECT_EQ(lf.lfHeight, -24);
  EXPECT_EQ(lf.lfWeight, 600);
  EXPECT_EQ(cf.iPointSize, 180);
  EXPECT_EQ(cf.rgbColors, COLORREF(RGB(10, 20, 30)));
  EXPECT_EQ(cf.nFontType, SCREEN_FONTTYPE | BOLD_FONTTYPE);
}

TEST_F(DlgFont, PickedFromTheListsUnderFontconfigsName) {
  const String family = ListedFamily();
  ASSERT_FALSE(family.empty());
  TFontDialog dlg(nullptr);
  dlg.Font()->SetName("Verdana");
  dlg.Font()->SetSize(18);
  dlg.Font()->SetColor(clTeal);
  TDialogScript script;
  script.Expect(TScriptKind::Font).PickFont(family, "Bold Italic", "24").Press(IDOK);
  ASSERT_TRUE(dlg.Execute());
  EXPECT_EQ(dlg.Font()->Name(), family);
  EXPECT_EQ(dlg.Font()->Size(), 24);
  EXPECT_EQ(dlg.Font()->Height(), -32);
  EXPECT_EQ(dlg.Font()->Style(), (TFontStyles{TFontStyle::fsBold, TFontStyle::fsItalic}));
  EXPECT_EQ(dlg.Font()->Color(), clTeal);

  // Typing a listed name in another case takes the list's spelling; the
  // effects change strike-out and colour.
  TDialogScript typed;
  typed.Expect(TScriptKind::Font)
      .Do([](TScriptTarget t, const auto&) {
        HWND edit = GetDlgItem(GetDlgItem(t.Dialog, kFontFamilyId), kComboEditId);
        SetFocus(edit);
        SendMessage(edit, EM_SETSEL, 0, -1);
      })
      .Type(UpperCase(family))
      .Press(kFontStrikeOutId)
      .Do([](TScriptTarget t, const auto&) {
        HWND colors = GetDlgItem(t.Dialog, kFontColorId);
        SetFocus(colors);
        const LRESULT i = SendMessage(colors, CB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>("Red"));
        SendMessage(colors, CB_SETCURSEL, WPARAM(i - 1), 0);
      })
      .Key(VK_DOWN)
      .Press(IDOK);
  dlg.Font()->SetName("Tahoma");
  ASSERT_TRUE(dlg.Execute());
  EXPECT_EQ(dlg.Font()->Name(), family);
  EXPECT_TRUE(dlg.Font()->Style().Contains(TFontStyle::fsStrikeOut));
  EXPECT_EQ(dlg.Font()->Color(), clRed);
}

// A refused OK shows a box over the dialog; the box's script then cancels
// the dialog through its own Cancel command.
void ExpectRefusal(TDialogScript& script, HWND& dialog, const String& text) {
  script.ExpectMessageBox()
      .Caption("Font")
      .Text(text)
      .Do([&dialog](TScriptTarget, const auto&) {
        EXPECT_TRUE(IsWindowVisible(dialog));
        PostMessage(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
      })
      .Key(VK_RETURN);
}

TEST_F(DlgFont, SizeLimits) {
  struct TCase {
    const char* Typed;
    const char* Refusal;  // nullptr: accepted
  };
  const TCase cases[] = {
      {"30", "between 10 and 20"},
      {"9", "between 10 and 20"},
      {"big", "must be a number"},
      {"20", nullptr},
      {"10", nullptr},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Typed);
    TFontDialog dlg(nullptr);
    dlg.SetOptions({TFontDialogOption::fdEffects, TFontDialogOption::fdLimitSize});
    dlg.SetMinFontSize(10);
    dlg.SetMaxFontSize(20);
    dlg.Font()->SetSize(14);
    std::vector<String> sizes;
    HWND dialog = nullptr;
    TDialogScript script;
    script.Expect(TScriptKind::Font)
        .Do([&](TScriptTarget t, const auto&) {
          dialog = t.Dialog;
          sizes = ComboItems(t.Dialog, kFontSizeId);
        })
        .PickFont(String(), String(), c.Typed)
        .Press(IDOK);
    if (c.Refusal != nullptr) ExpectRefusal(script, dialog, c.Refusal);
    EXPECT_EQ(dlg.Execute(), c.Refusal == nullptr);
    EXPECT_EQ(sizes, (std::vector<String>{"10", "11", "12", "14", "16", "18", "20"}));
    EXPECT_EQ(dlg.Font()->Size(), c.Refusal == nullptr ? atoi(c.Typed) : 14);
  }
}

TEST_F(DlgFont, ForceFontExist) {
  struct TCase {
    const char* Name;
    bool Force;
    bool Refused;
  };
  const TCase cases[] = {
      {"No Such Family 37", true, true},
      {"No Such Family 37", false, false},  // comes back unchanged
      {"Verdana", true, false},             // the drawing layer's substitution knows it
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Name << (c.Force ? " forced" : ""));
    TFontDialog dlg(nullptr);
    if (c.Force) dlg.SetOptions({TFontDialogOption::fdEffects, TFontDialogOption::fdForceFontExist});
    dlg.Font()->SetName(c.Name);
    HWND dialog = nullptr;
    TDialogScript script;
    script.Expect(TScriptKind::Font).Do([&](TScriptTarget t, const auto&) { dialog = t.Dialog; }).Press(IDOK);
    if (c.Refused) ExpectRefusal(script, dialog, "not installed");
    EXPECT_EQ(dlg.Execute(), !c.Refused);
    EXPECT_EQ(dlg.Font()->Name(), c.Name);
  }
}

TEST_F(DlgFont, ApplyEffectsAndSample) {
  const String family = ListedFamily();
  TFontDialog dlg(nullptr);
  dlg.SetOptions({TFontDialogOption::fdEffects, TFontDialogOption::fdApplyButton});
  dlg.Font()->SetName("Verdana");
  dlg.Font()->SetSize(28);
  dlg.Font()->SetColor(RGB(200, 0, 0));
  String applied;
  HWND appliedWnd = nullptr;
  dlg.OnApply = [&](TObject*, HWND Wnd) {
    applied = dlg.Font()->Name();
    appliedWnd = Wnd;
  };
  int32_t reddish = 0;
  HWND shown = nullptr;
  TDialogScript script;
  script.Expect(TScriptKind::Font)
      .Do([&](TScriptTarget t, const auto&) {
        shown = t.Dialog;
        UpdateWindow(t.Dialog);
        std::unique_ptr<TBitmap> pixels = WindowPixels(t.Dialog, false);
        TRect sample{98, 102, 258, 154};
        MapDialogRect(t.Dialog, &sample);
        for (int32_t y = sample.Top; y < sample.Bottom; ++y)
          for (int32_t x = sample.Left; x < sample.Right; ++x) {
            const TColor c = pixels->Canvas()->Pixels(x, y);
            if (GetRValue(c) > 150 && GetGValue(c) < 60 && GetBValue(c) < 60) ++reddish;
          }
      })
      .PickFont(family)
      .Press(kFontApplyId)
      .Press(IDCANCEL);
  EXPECT_FALSE(dlg.Execute());
  EXPECT_GT(reddish, 20);  // the sample is drawn in the font's colour
  EXPECT_EQ(applied, family);
  EXPECT_EQ(appliedWnd, shown);

  // Without effects there is no strike-out, underline or colour to choose.
  LOGFONT lf;
  CHOOSEFONT cf;
  cf.lpLogFont = &lf;
  cf.rgbColors = COLORREF(RGB(5, 6, 7));
  TDialogScript plain;
  plain.Expect(TScriptKind::Font)
      .Do([](TScriptTarget t, const auto&) {
        for (int32_t id : {kFontStrikeOutId, kFontUnderlineId, kFontColorId, kFontApplyId})
          EXPECT_EQ(GetDlgItem(t.Dialog, id), nullptr) << id;
      })
      .Press(IDOK);
  ASSERT_TRUE(ChooseFont(&cf));
  EXPECT_EQ(cf.rgbColors, COLORREF(RGB(5, 6, 7)));
  EXPECT_EQ(lf.lfFaceName, FontDialogFamilies().front());
  EXPECT_EQ(cf.iPointSize, 100);
}

TEST_F(DlgFont, HookAndCurrentFont) {
  static LPARAM initParam = 0;
  static LOGFONT fromHook;
  LOGFONT lf;
  lf.lfFaceName = "Verdana";
  lf.lfHeight = -16;
  CHOOSEFONT cf;
  cf.lpLogFont = &lf;
  cf.Flags = CF_INITTOLOGFONTSTRUCT | CF_ENABLEHOOK;
  cf.lpfnHook = [](HWND, uint32_t msg, WPARAM, LPARAM lParam) -> intptr_t {
    if (msg == WM_INITDIALOG) initParam = lParam;
    return 0;
  };
  TDialogScript script;
  script.Expect(TScriptKind::Font)
      .PickFont(String(), "Italic", "20")
      .Do([&](TScriptTarget t, const auto&) {
        SendMessage(t.Dialog, WM_CHOOSEFONT_GETLOGFONT, 0, reinterpret_cast<LPARAM>(&fromHook));
      })
      .Press(IDCANCEL);
  EXPECT_FALSE(ChooseFont(&cf));
  EXPECT_EQ(initParam, reinterpret_cast<LPARAM>(&cf));
  EXPECT_EQ(fromHook.lfFaceName, "Verdana");
  EXPECT_EQ(fromHook.lfItalic, 1);
  EXPECT_EQ(fromHook.lfHeight, -MulDiv(20, 96, 72));
  EXPECT_EQ(lf.lfHeight, -16);  // Cancel leaves the caller's font alone

  CHOOSEFONT bad;
  bad.lpLogFont = &lf;
  bad.lStructSize = 8;
  EXPECT_FALSE(ChooseFont(&bad));
  CHOOSEFONT none;
  EXPECT_FALSE(ChooseFont(&none));
}

}  // namespace
