#include "skin/engine/menus/skinmenus.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "platform/gui/win_paint.h"
#include "platform/gui/win_readback.h"
#include "platform/rtl/clock.h"
#include "platform/vcl/vcl_testing.h"
#include "skin/engine/data/skindraw.h"
#include "skin/engine/data/skinmessages.h"

namespace {

using TLog = std::vector<String>;

String MessageName(uint32_t Msg) {
  if (Msg == WM_SKIN_MENUCLOSED) return "closed";
  if (Msg == WM_SKIN_MENUCOMMAND) return "command";
  return "";
}

// The form that owns the menu, logging the menu messages it receives.
class TLogForm : public TForm {
 public:
  TLogForm(TComponent* AOwner, TLog& ALog) : TForm(AOwner), Log(ALog) {}
  void Dispatch(TMessage& Message) override {
    if (!MessageName(Message.Msg).empty()) Log.push_back("form " + MessageName(Message.Msg));
    TForm::Dispatch(Message);
  }
  TLog& Log;
};

// The control that opens the menus (a menu bar, a button).
class TOpener : public TCustomControl {
 public:
  TOpener(TComponent* AOwner, TLog& ALog) : TCustomControl(AOwner), Log(ALog) {}
  void Dispatch(TMessage& Message) override {
    if (!MessageName(Message.Msg).empty()) Log.push_back("opener " + MessageName(Message.Msg));
    TCustomControl::Dispatch(Message);
  }
  TLog& Log;
};

// A clock whose Sleep reports to the test before it advances.
class TObservedClock : public VirtualClock {
 public:
  explicit TObservedClock(uint64_t Ticks) : VirtualClock(36526.0, Ticks) {}
  void Sleep(uint32_t ms) override {
    if (OnSleep) OnSleep();
    VirtualClock::Sleep(ms);
  }
  std::function<void()> OnSleep;
};

std::filesystem::path ArtifactDir() {
  const char* tmp = std::getenv("TMPDIR");
  const std::filesystem::path dir = std::filesystem::path(tmp && *tmp ? tmp : "/tmp") / "pictoval-artifacts";
  std::filesystem::create_directories(dir);
  return dir;
}

class SkinMenuTest : public TVclTest {
 public:
  void SetUp() override {
    TVclTest::SetUp();
    Form = std::make_unique<TLogForm>(nullptr, Log);
    Form->SetBorderStyle(TBorderStyle::bsNone);
    Form->SetBounds(40, 40, 300, 200);
    Opener = new TOpener(Form.get(), Log);
    Opener->SetParent(Form.get());
    Opener->SetBounds(0, 0, 80, 20);
    Form->Show();
    Pump();
    Popup = std::make_unique<TPopupMenu>(nullptr);
    Menu = std::make_unique<TbsSkinMenu>(nullptr, Form.get());
  }
  void TearDown() override {
    Menu.reset();
    Popup.reset();
    Skin.reset();
    Form.reset();
    Pump();
    TVclTest::TearDown();
  }

  TMenuItem* Add(TMenuItem* Parent, const String& Caption, bool Enabled = true) {
    auto* item = new TMenuItem(Popup.get());
    item->SetCaption(Caption);
    item->SetEnabled(Enabled);
    item->OnClick = [this, Caption](TObject*) { Log.push_back("click " + Caption); };
    Parent->Add(item);
    return item;
  }
  void AddMany(TMenuItem* Parent, int32_t Count) {
    for (int32_t i = 0; i < Count; ++i) Add(Parent, "Item " + IntToStr(i));
  }
  TMenuItem* Root() { return Popup->Items(); }

  void Open(const TRect& R = TRect{100, 100, 100, 100}, bool Up = false) {
    Menu->Popup(Opener, Skin.get(), Up, Root(), R, 0);
    Pump();
  }
  TbsSkinPopupWindow* Level(int32_t L) { return Menu->Windows(L); }
  // Time passes in 10 ms steps, every timer firing on the way.
  void Tick(int32_t Ms) {
    for (int32_t t = 0; t < Ms; t += 10) {
      Clock().Advance(10);
      Pump();
    }
  }
  TPoint ItemCentre(TbsSkinPopupWindow* W, int32_t Index) {
    const TRect& r = W->Items(Index)->ItemRect;
    return TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
  }
  void Hover(TbsSkinPopupWindow* W, int32_t Index) {
    const TPoint p = ItemCentre(W, Index);
    MoveTo(W, p.X, p.Y);
    Tick(50);
  }
  void Key(uint32_t Vk) {
    Menu->LastWindow()->ProcessKey(Vk);
    Pump();
  }
  void LoadSkin9() {
    Skin = std::make_unique<TbsSkinData>(nullptr);
    TbsCompressedStoredSkin container(nullptr);
    container.LoadFromCompressedFile(SKINS_BUILD_DIR "/skn/9.skn");
    ASSERT_TRUE(Skin->LoadCompressedStoredSkin(&container));
    Pump();
  }
  static TColor Pixel(TbsSkinPopupWindow* W, int32_t X, int32_t Y) {
    std::unique_ptr<TBitmap> bmp = WindowPixels(W->Handle(), false);
    return bmp ? bmp->Canvas()->Pixels(X, Y) : TColor(-1);
  }
  static TColor Rgb(TColor C) { return TColor(ColorToRGB(C)); }
  static void Save(TbsSkinPopupWindow* W, const String& Name) {
    std::unique_ptr<TBitmap> shot = WindowPixels(W->Handle(), false);
    ASSERT_TRUE(shot != nullptr);
    EXPECT_TRUE(SavePng(*shot, (ArtifactDir() / (Name + ".png")).string()));
  }
  void SetWorkArea(int32_t W, int32_t H) {
    H_().SetMonitors({TMonitorDesc{TRect{0, 0, W, H}, TRect{0, 0, W, H}, "\\\\.\\DISPLAY1"}});
  }
  THeadlessBackend& H_() { return H(); }

  TLog Log;
  std::unique_ptr<TLogForm> Form;
  TOpener* Opener = nullptr;
  std::unique_ptr<TPopupMenu> Popup;
  std::unique_ptr<TbsSkinMenu> Menu;
  std::unique_ptr<TbsSkinData> Skin;
};

// ---- Placement ----------------------------------------------------------------------------------

TEST_F(SkinMenuTest, ThirtyItemsFillTheWorkAreaBesideTheAnchorAndScrollOnTheLowerStrip) {
  SetWorkArea(800, 400);
  AddMany(Root(), 30);
  Open(TRect{100, 150, 100, 150});
  TbsSkinPopupWindow* w = Level(0);
  EXPECT_EQ(w->Height(), 400);
  EXPECT_TRUE(w->Scrolling);
  EXPECT_FALSE(w->ScrollByLimit);
  EXPECT_EQ(w->ShowPos, (TPoint{101, 0}));
  EXPECT_EQ(w->BoundsRect().Top, 0);
  EXPECT_EQ(w->FirstShown, 0);
  // The items between the strips: (400 - 4 - 20) / 20 whole ones.
  EXPECT_EQ(w->ShownCount, 18);
  Save(w, "skinmenu-30-items");

  MoveTo(w, w->Width() / 2, w->Height() - 6);
  Tick(50);
  EXPECT_EQ(w->ScrollDirection, 2);
  Tick(100);
  EXPECT_EQ(w->FirstShown, 1);
  Tick(100 * 20);
  EXPECT_EQ(w->FirstShown, 12);  // the last item is in view
  EXPECT_TRUE(w->Items(29)->Shown);
  EXPECT_EQ(w->ScrollDirection, 0);
}

TEST_F(SkinMenuTest, PlacementKeepsTheWindowInsideTheWorkArea) {
  SetWorkArea(800, 400);
  AddMany(Root(), 3);  // 100 x 64 or so
  struct TCase {
    const char* Name;
    TRect Anchor;
    bool Up;
    // Expected position from the window size (W, H).
    std::function<TPoint(int32_t W, int32_t H)> Expected;
  };
  const TCase cases[] = {
      {"below the point", TRect{100, 100, 100, 100}, false,
       [](int32_t, int32_t) {
         return TPoint{100, 100};
       }},
      {"near the bottom-right corner: above and shifted left", TRect{790, 390, 790, 390}, false,
       [](int32_t W, int32_t H) {
         return TPoint{800 - W, 390 - H};
       }},
      {"upwards", TRect{100, 300, 160, 320}, true,
       [](int32_t, int32_t H) {
         return TPoint{100, 300 - H};
       }},
      {"upwards without room above: below the anchor", TRect{100, 10, 160, 30}, true,
       [](int32_t, int32_t) {
         return TPoint{100, 30};
       }},
  };
  for (const TCase& c : cases) {
    Open(c.Anchor, c.Up);
    TbsSkinPopupWindow* w = Level(0);
    EXPECT_EQ((TPoint{w->Left(), w->Top()}), c.Expected(w->Width(), w->Height())) << c.Name;
    Menu->CloseMenu();
    Pump();
  }
}

TEST_F(SkinMenuTest, SubmenuOfAnItemAtTheRightEdgeOpensToTheLeft) {
  SetWorkArea(800, 400);
  TMenuItem* file = Add(Root(), "File");
  AddMany(file, 3);
  Add(Root(), "Edit");
  Open(TRect{780, 50, 780, 50});
  TbsSkinPopupWindow* w0 = Level(0);
  EXPECT_EQ(w0->BoundsRect().Right, 800);
  Key(39);  // Right opens the submenu of the hot item
  ASSERT_EQ(Menu->WindowCount(), 2);
  TbsSkinPopupWindow* w1 = Level(1);
  const TRect parent = w0->Items(0)->ItemRect;
  const int32_t parentLeft = w0->BoundsRect().Left + parent.Left;
  EXPECT_EQ(w1->BoundsRect().Left, parentLeft - w1->Width() - 1);
  // The first item level with the parent item.
  EXPECT_EQ(w1->BoundsRect().Top + w1->Items(0)->ItemRect.Top, w0->BoundsRect().Top + parent.Top);
  EXPECT_TRUE(w0->Items(0)->SubmenuOpen);
}

// ---- Keyboard --------------------------------------------------------------------------------------

TEST_F(SkinMenuTest, MaxItemsInWindowScrollsByOneOnDownAtTheFifth) {
  Menu->MaxMenuItemsInWindow = 5;
  AddMany(Root(), 8);
  Open();
  TbsSkinPopupWindow* w = Level(0);
  EXPECT_TRUE(w->Scrolling);
  EXPECT_TRUE(w->ScrollByLimit);
  EXPECT_EQ(w->Height(), 20 * 5 + 24);
  EXPECT_EQ(w->ShownCount, 5);
  EXPECT_EQ(w->HotIndex, 0);
  for (int32_t i = 0; i < 4; ++i) Key(40);
  EXPECT_EQ(w->HotIndex, 4);
  EXPECT_EQ(w->FirstShown, 0);
  Key(40);
  EXPECT_EQ(w->HotIndex, 5);
  EXPECT_EQ(w->FirstShown, 1);
  Key(40);
  Key(40);
  EXPECT_EQ(w->HotIndex, 7);
  Key(40);  // wraps to the first item and the first page
  EXPECT_EQ(w->HotIndex, 0);
  EXPECT_EQ(w->FirstShown, 0);
  Key(38);  // and back to the last page
  EXPECT_EQ(w->HotIndex, 7);
  EXPECT_EQ(w->FirstShown, 3);
}

TEST_F(SkinMenuTest, DownAndUpSkipDisabledItemsAndSeparatorsAndWrapOnce) {
  Add(Root(), "A");
  Add(Root(), "B", false);
  Add(Root(), "-");
  Add(Root(), "C");
  Add(Root(), "D", false);
  Add(Root(), "-");
  Open();
  TbsSkinPopupWindow* w = Level(0);
  struct TStep {
    uint32_t Key;
    int32_t Hot;
  };
  const TStep steps[] = {
      {40, 3},  // A -> C over a disabled item and a separator
      {40, 3},  // only a disabled item and a separator follow: nothing changes
      {38, 0},  // C -> A
      {38, 3},  // A wraps to the end and walks back to C
  };
  EXPECT_EQ(w->HotIndex, 0);
  for (const TStep& s : steps) {
    Key(s.Key);
    EXPECT_EQ(w->HotIndex, s.Hot) << "key " << s.Key;
  }
  // On the last item Down wraps to the first enabled one.
  Menu->CloseMenu();
  Popup->Items()->Clear();
  Add(Root(), "Off", false);
  Add(Root(), "X");
  Add(Root(), "Y");
  Open();
  w = Level(0);
  EXPECT_EQ(w->HotIndex, 1);
  Key(40);
  EXPECT_EQ(w->HotIndex, 2);
  Key(40);
  EXPECT_EQ(w->HotIndex, 1);
}

TEST_F(SkinMenuTest, AcceleratorChoosesItsItem) {
  Add(Root(), "&Open");
  Add(Root(), "&Save");
  Open();
  Log.clear();
  Key('S');
  EXPECT_EQ(Log, (TLog{"opener closed", "form closed", "click &Save", "opener command"}));
  EXPECT_FALSE(Menu->IsOpen);
}

// ---- Submenus and closing ---------------------------------------------------------------------------

TEST_F(SkinMenuTest, SubmenuOpensAfterHalfASecondOfHoverAndLeavingCancelsIt) {
  TMenuItem* file = Add(Root(), "File");
  AddMany(file, 2);
  Add(Root(), "Edit");
  Open();
  TbsSkinPopupWindow* w = Level(0);
  Hover(w, 0);  // the auto-selected item, touched by the mouse: the delay starts
  EXPECT_EQ(Menu->PendingItem, w->Items(0));
  Tick(440);  // the delay started within the tracking's 50 ms
  EXPECT_EQ(Menu->WindowCount(), 1);
  Tick(60);
  EXPECT_EQ(Menu->WindowCount(), 2);
  EXPECT_EQ(Menu->PendingItem, nullptr);

  Key(27);
  Hover(w, 1);
  Hover(w, 0);
  Tick(200);
  Hover(w, 1);  // left before the delay ran out
  EXPECT_EQ(Menu->PendingItem, nullptr);
  Tick(600);
  EXPECT_EQ(Menu->WindowCount(), 1);
}

TEST_F(SkinMenuTest, LeftWhileASubmenuIsPendingDropsThePendingItem) {
  TMenuItem* file = Add(Root(), "File");
  TMenuItem* recent = Add(file, "Recent");
  AddMany(recent, 2);
  Add(file, "Close");
  Open();
  Key(39);
  ASSERT_EQ(Menu->WindowCount(), 2);
  TbsSkinPopupWindow* w1 = Level(1);
  Hover(w1, 1);
  Hover(w1, 0);
  ASSERT_EQ(Menu->PendingItem, w1->Items(0));
  Key(37);  // Left closes level 1, which holds the pending item
  EXPECT_EQ(Menu->WindowCount(), 1);
  EXPECT_EQ(Menu->PendingItem, nullptr);
  EXPECT_FALSE(Menu->SubmenuTimer()->Enabled());
  Tick(600);
  EXPECT_EQ(Menu->WindowCount(), 1);
  EXPECT_FALSE(Level(0)->Items(0)->SubmenuOpen);
}

TEST_F(SkinMenuTest, EscapeAtLevelZeroEndsTheMenuOnce) {
  AddMany(Root(), 3);
  Open();
  int32_t closes = 0;
  Menu->OnMenuClose = [&](TObject* Sender) {
    EXPECT_EQ(Sender, Menu.get());
    ++closes;
  };
  Log.clear();
  Key(27);
  EXPECT_EQ(Log, (TLog{"opener closed"}));
  EXPECT_EQ(closes, 1);
  EXPECT_FALSE(Menu->IsOpen);
  EXPECT_EQ(Menu->WindowCount(), 0);
  EXPECT_FALSE(Menu->OnMenuClose);  // one-shot
  Menu->CloseLevels(0);
  EXPECT_EQ(closes, 1);
}

// Choosing by mouse release, by Enter and by the submenu's item: the closing
// messages come before the command, the command message after it.
TEST_F(SkinMenuTest, ChoosingAnItemNotifiesInOrder) {
  TMenuItem* file = Add(Root(), "File");
  Add(file, "Open");
  Add(Root(), "Quit");
  const TLog expected{"opener closed", "form closed", "click Quit", "opener command"};

  Open();
  Log.clear();
  const TPoint p = At(Level(0), ItemCentre(Level(0), 1).X, ItemCentre(Level(0), 1).Y);
  H().MouseMove(p.X, p.Y);
  Pump();
  Clock().Advance(GetDoubleClickTime() + 1);
  H().Click(p.X, p.Y);
  Pump();
  EXPECT_EQ(Log, expected);
  EXPECT_EQ(Menu->WindowCount(), 0);

  Open();
  Key(40);
  Log.clear();
  Key(13);
  EXPECT_EQ(Log, expected);

  Open();
  Key(39);
  Log.clear();
  Key(13);
  EXPECT_EQ(Log, (TLog{"opener closed", "form closed", "click Open", "opener command"}));
}

// Under ASan: windows closed from inside their own handlers live until the
// handlers return.
TEST_F(SkinMenuTest, ClosingFromEveryLevelFreesNoWindowInUse) {
  TMenuItem* a = Add(Root(), "A");
  TMenuItem* b = Add(a, "B");
  Add(b, "C");
  Add(b, "D");
  for (const uint32_t last : {uint32_t(27), uint32_t(37), uint32_t(13)}) {
    Open();
    Key(39);
    Key(39);
    ASSERT_EQ(Menu->WindowCount(), 3);
    for (int32_t level = 2; level >= 0 && Menu->WindowCount() > 0; --level) Key(last);
    Pump();
    EXPECT_EQ(Menu->WindowCount(), last == 37 ? 1 : 0) << last;
    Menu->CloseMenu();
    Pump();
  }
  // A click on the deepest level closes all three from its own handler.
  Open();
  Key(39);
  Key(39);
  TbsSkinPopupWindow* w2 = Level(2);
  const TPoint p = At(w2, ItemCentre(w2, 1).X, ItemCentre(w2, 1).Y);
  H().MouseMove(p.X, p.Y);
  Pump();
  Clock().Advance(GetDoubleClickTime() + 1);
  Log.clear();
  H().Click(p.X, p.Y);
  Pump();
  EXPECT_EQ(Log, (TLog{"opener closed", "form closed", "click D", "opener command"}));
  EXPECT_EQ(Menu->WindowCount(), 0);
}

// ---- Fade-in -----------------------------------------------------------------------------------------

TEST_F(SkinMenuTest, FadeInRaisesTheAlphaByTenInVirtualTime) {
  AddMany(Root(), 2);
  Menu->AlphaBlend = true;
  Menu->AlphaBlendAnimation = true;
  TObservedClock clock(Clock().GetTickCount64());
  std::vector<int32_t> seen;
  clock.OnSleep = [&] {
    TbsSkinPopupWindow* w = Menu->LastWindow();
    uint8_t alpha = 0;
    if (w == nullptr || !GetLayeredWindowAttributes(w->Handle(), nullptr, &alpha, nullptr)) return;
    if (seen.empty() || seen.back() != alpha) seen.push_back(alpha);
  };
  SetClock(&clock);
  Open();
  SetClock(&Clock());
  std::vector<int32_t> expected;
  for (int32_t a = 0; a < 150; a += 10) expected.push_back(a);
  EXPECT_EQ(seen, expected);
  uint8_t alpha = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(Level(0)->Handle(), nullptr, &alpha, nullptr));
  EXPECT_EQ(alpha, 150);
  EXPECT_LT(clock.GetTickCount64() - Clock().GetTickCount64(), 200u);

  // Switching straight to another menu does not fade again.
  seen.clear();
  SetClock(&clock);
  Open();
  SetClock(&Clock());
  EXPECT_TRUE(seen.empty());
}

// ---- Pixels ------------------------------------------------------------------------------------------

TEST_F(SkinMenuTest, DefaultLookPixels) {
  Add(Root(), "Normal");
  Add(Root(), "-");
  Add(Root(), "Checked")->SetChecked(true);
  TMenuItem* radio = Add(Root(), "Radio");
  radio->SetRadioItem(true);
  radio->SetChecked(true);
  Add(Root(), "Off", false);
  Open();
  TbsSkinPopupWindow* w = Level(0);
  Save(w, "skinmenu-default");
  const TRect hot = w->Items(0)->ItemRect;
  EXPECT_EQ(Pixel(w, hot.Left, hot.Top), Rgb(TColor(0x800000)));  // navy frame
  EXPECT_EQ(Pixel(w, hot.Right - 3, hot.Top + 2), Rgb(TColor(182 | (189 << 8) | (210 << 16))));
  const TRect sep = w->Items(1)->ItemRect;
  EXPECT_EQ(Pixel(w, sep.Left + 30, sep.Top + 2), Rgb(clBtnShadow));
  EXPECT_EQ(Pixel(w, sep.Left + 30, sep.Top + 1), Rgb(clWindow));
  EXPECT_EQ(Pixel(w, sep.Left + 5, sep.Top + 1), Rgb(clBtnFace));
  // Tick: its first stroke starts at (I.Left + 3, centre - 4 + 5).
  const TRect chk = w->Items(2)->ItemRect;
  const int32_t cx = chk.Left + 2 + 3, cy = (chk.Top + 2 + chk.Bottom - 2) / 2 - 4;
  EXPECT_EQ(Pixel(w, cx, cy + 5), Rgb(clWindowText));
  EXPECT_EQ(Pixel(w, cx, cy), Rgb(clBtnFace));
  // The radio dot is a filled square: its corner is set.
  const TRect rad = w->Items(3)->ItemRect;
  const int32_t rx = rad.Left + 2 + 3, ry = (rad.Top + 2 + rad.Bottom - 2) / 2 - 3;
  EXPECT_EQ(Pixel(w, rx, ry), Rgb(clWindowText));
  EXPECT_EQ(Pixel(w, rx + 5, ry + 5), Rgb(clWindowText));
  EXPECT_EQ(Pixel(w, rx + 6, ry + 6), Rgb(clBtnFace));
  // The border: clBtnShadow, then clWindow inside.
  EXPECT_EQ(Pixel(w, 0, w->Height() / 2), Rgb(clBtnShadow));
  EXPECT_EQ(Pixel(w, w->Width() - 2, w->Height() / 2), Rgb(clWindow));
  // Disabled text is clBtnShadow somewhere in the caption.
  const TRect off = w->Items(4)->ItemRect;
  int32_t shadow = 0;
  for (int32_t x = off.Left + 21; x < off.Left + 60; ++x)
    for (int32_t y = off.Top; y < off.Bottom; ++y) shadow += Pixel(w, x, y) == Rgb(clBtnShadow);
  EXPECT_GT(shadow, 2);
}

TEST_F(SkinMenuTest, SkinNineItemsDrawFromTheirPictureWithACircularRadioMark) {
  LoadSkin9();
  Add(Root(), "Normal");
  Add(Root(), "Other");
  TMenuItem* radio = Add(Root(), "Radio");
  radio->SetRadioItem(true);
  radio->SetChecked(true);
  Open();
  TbsSkinPopupWindow* w = Level(0);
  ASSERT_TRUE(w->Skinned());
  ASSERT_NE(w->ItemDescription, nullptr);
  Tick(200);  // skin 9 morphs its items: the transition runs to its end
  EXPECT_EQ(w->Items(0)->MorphPos, 1.0);
  Save(w, "skinmenu-skin9");
  const TbsDataSkinMenuItem& d = *w->ItemDescription;
  TBitmap* pic = Skin->ActivePictures[size_t(d.ActivePictureIndex)].get();
  const TRect hot = w->Items(0)->ItemRect, rest = w->Items(1)->ItemRect;
  EXPECT_EQ(Pixel(w, hot.Left + 1, hot.Top + 1),
            pic->Canvas()->Pixels(d.ActiveSkinRect.Left + 1, d.ActiveSkinRect.Top + 1));
  EXPECT_EQ(Pixel(w, rest.Left + 1, rest.Top + 1), pic->Canvas()->Pixels(d.SkinRect.Left + 1, d.SkinRect.Top + 1));
  EXPECT_EQ(RectHeight(rest), RectHeight(d.SkinRect));
  // The radio circle, 6 x 6 at (x, y + 1), centred on "imagerect".
  const TRect rad = w->Items(2)->ItemRect;
  const int32_t x = rad.Left + d.ImageRect.Left + RectWidth(d.ImageRect) / 2 - 4;
  const int32_t y = rad.Top + d.ImageRect.Top + RectHeight(d.ImageRect) / 2 - 4 + 1;
  const TColor mark = Rgb(d.FontColor);
  EXPECT_EQ(Pixel(w, x + 3, y + 3), mark);
  EXPECT_NE(Pixel(w, x, y), mark);  // a circle leaves its corners
}

TEST_F(SkinMenuTest, InvalidWindowPictureFallsBackToTheDefaultLook) {
  LoadSkin9();
  Skin->PopupWindowData.WindowPictureIndex = 99;
  AddMany(Root(), 3);
  Open();
  TbsSkinPopupWindow* w = Level(0);
  EXPECT_FALSE(w->Skinned());
  EXPECT_EQ(w->ItemDescription, nullptr);
  EXPECT_EQ(w->Items(1)->Description, nullptr);
  EXPECT_EQ(w->ItemsArea, (TRect{2, 2, w->Width() - 2, w->Height() - 2}));
  EXPECT_EQ(Pixel(w, 0, 0), Rgb(clBtnShadow));
  const TRect rest = w->Items(2)->ItemRect;
  EXPECT_EQ(Pixel(w, rest.Left + 3, rest.Top + 3), Rgb(clBtnFace));
}

TEST(SkinMenuCloseMessages, ExactlyTheThirteen) {
  const uint32_t closing[] = {3, 5, 6, 8, 31, 33, 161, 164, 167, 513, 516, 519, 528};
  int32_t count = 0;
  for (uint32_t m = 0; m < 1024; ++m) count += IsMenuCloseMessage(m);
  EXPECT_EQ(count, 13);
  for (uint32_t m : closing) EXPECT_TRUE(IsMenuCloseMessage(m)) << m;
}

}  // namespace
