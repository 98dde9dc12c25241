#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "app/settings/marloutils.h"
#include "platform/gui/graphics.h"
#include "platform/gui/text.h"
#include "platform/gui/win_paint.h"
#include "platform/vcl/comctrls_listview.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"
#include "platform/vcl/vcl_testing.h"

namespace {

class AppWindows : public TVclTest {
 protected:
  AppWindows() {
    Form = std::make_unique<TForm>(nullptr);
    Form->SetBounds(40, 40, 320, 240);
  }
  ~AppWindows() override { Form.reset(); }

  template <class T>
  T* Add(int32_t Left, int32_t Top, int32_t Width, int32_t Height) {
    auto* c = new T(Form.get());
    c->SetParent(Form.get());
    c->SetBounds(Left, Top, Width, Height);
    return c;
  }

  std::unique_ptr<TForm> Form;
};

TEST_F(AppWindows, TheSystemAnswersAsWindows7) {
  EXPECT_EQ(GetOSVersionCode(), 7);
  EXPECT_TRUE(IsWinXPOrLater());
}

TEST_F(AppWindows, ForceForegroundWindowRestoresAndActivates) {
  TForm other(nullptr);
  Form->Show();
  other.Show();
  Pump();
  ShowWindow(Form->Handle(), SW_MINIMIZE);
  Pump();
  ASSERT_TRUE(IsIconic(Form->Handle()));
  ASSERT_NE(GetForegroundWindow(), Form->Handle());
  EXPECT_TRUE(ForceForegroundWindow(Form->Handle()));
  EXPECT_FALSE(IsIconic(Form->Handle()));
  EXPECT_EQ(GetForegroundWindow(), Form->Handle());
  EXPECT_TRUE(ForceForegroundWindow(Form->Handle()));  // already in front
  EXPECT_FALSE(ForceForegroundWindow(nullptr));
}

TEST_F(AppWindows, NormalWindowRectRoundTrip) {
  Form->Show();
  Pump();
  SetNormalWindowRect(Form->Handle(), 30, 50, 300, 200);
  TRect r{1, 2, 3, 4};
  ASSERT_TRUE(GetNormalWindowRect(Form->Handle(), r));
  EXPECT_EQ(r, (TRect{30, 50, 330, 250}));
  EXPECT_EQ(Form->Width(), 300);
  EXPECT_EQ(Form->Height(), 200);
  TRect kept{1, 2, 3, 4};
  EXPECT_FALSE(GetNormalWindowRect(nullptr, kept));
  EXPECT_EQ(kept, (TRect{1, 2, 3, 4}));
}

TEST_F(AppWindows, CursorOutsidePanelStrip) {
  auto* panel = Add<TPanel>(10, 20, 100, 50);
  Form->Show();
  Pump();
  struct Case {
    int32_t x, y, height;
    bool outside;
  };
  const Case cases[] = {
      {50, 10, 0, false}, {50, 50, 0, false}, {100, 10, 0, false},  // inside; x = width still counts
      {-1, 10, 0, true},  {101, 10, 0, true}, {50, -1, 0, true},
      {50, 51, 0, true},  {50, 31, 30, true}, {50, 30, 30, false},  // only the first Height rows
  };
  for (const Case& c : cases) {
    MoveTo(panel, c.x, c.y);
    EXPECT_EQ(IsCursorOutsidePanel(panel, c.height), c.outside) << c.x << "," << c.y << " height " << c.height;
  }
}

TEST_F(AppWindows, DiscardKeyboardMessagesLeavesOtherMessages) {
  Form->Show();
  Pump();
  const HWND h = Form->Handle();
  PostMessage(h, WM_KEYDOWN, 'A', 0);
  PostMessage(h, WM_USER + 1, 0, 0);
  PostMessage(h, WM_CHAR, 'a', 0);
  PostMessage(h, WM_KEYUP, 'A', 0);
  DiscardKeyboardMessages();
  TMSG msg;
  EXPECT_FALSE(PeekMessage(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_NOREMOVE));
  ASSERT_TRUE(PeekMessage(&msg, h, WM_USER + 1, WM_USER + 1, PM_REMOVE));
}

TEST_F(AppWindows, SafeFocusIgnoresWhatCannotTakeTheFocus) {
  auto* first = Add<TEdit>(10, 10, 100, 22);
  auto* second = Add<TEdit>(10, 40, 100, 22);
  auto* hidden = Add<TEdit>(10, 70, 100, 22);
  hidden->SetVisible(false);
  Form->Show();
  Pump();
  first->SetFocus();
  SafeFocus(second);
  EXPECT_TRUE(second->Focused());
  SafeFocus(hidden);  // would raise "Cannot focus a disabled or invisible window"
  EXPECT_TRUE(second->Focused());
  SafeFocus(nullptr);
}

TEST_F(AppWindows, RedrawLockFreezesAndUnlockRepaintsAll) {
  auto* child = Add<TPanel>(10, 10, 50, 50);
  Form->Show();
  Pump();
  SetRedrawLock(Form.get(), true);
  EXPECT_TRUE(IsRedrawFrozen(Form->Handle()));
  SetRedrawLock(Form.get(), false);
  EXPECT_FALSE(IsRedrawFrozen(Form->Handle()));
  TRect r;
  EXPECT_TRUE(GetUpdateRect(Form->Handle(), &r, false));
  EXPECT_TRUE(GetUpdateRect(child->Handle(), &r, false));
  TPanel unparented(nullptr);
  SetRedrawLock(&unparented, true);  // no window: nothing to do
  EXPECT_FALSE(unparented.HandleAllocated());
}

TEST_F(AppWindows, IconSpacingOfAListView) {
  auto* lv = Add<TListView>(10, 10, 200, 150);
  Form->Show();
  Pump();
  SetIconSpacing(lv, 100, 90);
  EXPECT_EQ(SendMessage(lv->Handle(), LVM_GETITEMSPACING, 0, 0), MAKELONG(100, 90));
}

TEST_F(AppWindows, HourglassCursor) {
  ShowHourglass();
  EXPECT_EQ(Screen->Cursor(), crHourGlass);
  Screen->SetCursor(crDefault);
}

uint8_t QualityOf(HGDIOBJ Font) {
  LOGFONT lf;
  EXPECT_GT(GetObject(Font, int32_t(sizeof(LOGFONT)), &lf), 0);
  return lf.lfQuality;
}

TEST(AppFonts, SetFontAntialiasedKeepsTheDescription) {
  TFont font;
  font.SetName("Arial");
  font.SetSize(14);
  font.SetStyle(TFontStyles{TFontStyle::fsBold});
  SetFontAntialiased(&font);
  EXPECT_EQ(QualityOf(font.Handle()), ANTIALIASED_QUALITY);
  EXPECT_EQ(font.Name(), "Arial");
  EXPECT_EQ(font.Size(), 14);
  EXPECT_TRUE(font.Style().Contains(TFontStyle::fsBold));
}

// The distinct grey levels of black text drawn on white.
std::set<uint8_t> GreyLevelsOfText(bool Antialiased) {
  TBitmap bmp;
  bmp.SetPixelFormat(TPixelFormat::pf24bit);
  bmp.SetSize(160, 40);
  TCanvas* c = bmp.Canvas();
  c->Brush()->SetColor(clWhite);
  c->FillRect(TRect{0, 0, 160, 40});
  c->Font()->SetName("Arial");
  c->Font()->SetSize(16);
  c->Font()->SetColor(clBlack);
  c->Brush()->SetStyle(TBrushStyle::bsClear);
  {
    TCanvasFontQuality quality = SelectCanvasFontQuality(c, Antialiased);
    EXPECT_TRUE(quality.Selected());
    EXPECT_EQ(QualityOf(GetCurrentObject(c->Handle(), OBJ_FONT)),
              Antialiased ? ANTIALIASED_QUALITY : NONANTIALIASED_QUALITY);
    TextOut(c->Handle(), 4, 4, "Pictoval 47%", 12);
  }
  // The canvas's own font is back once the copy is gone.
  EXPECT_EQ(QualityOf(GetCurrentObject(c->Handle(), OBJ_FONT)), DEFAULT_QUALITY);
  std::set<uint8_t> levels;
  for (int32_t y = 0; y < bmp.Height(); ++y)
    for (int32_t x = 0; x < bmp.Width(); ++x) levels.insert(bmp.ScanLine(y)[x * 3]);
  return levels;
}

TEST(AppFonts, SelectCanvasFontQualityDrawsCrispOrSmoothText) {
  EXPECT_EQ(GreyLevelsOfText(false), (std::set<uint8_t>{0, 255}));
  EXPECT_GT(GreyLevelsOfText(true).size(), 4u);
}

}  // namespace
