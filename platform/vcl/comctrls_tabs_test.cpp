#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/gui/text.h"
#include "platform/gui/win_paint.h"
#include "platform/vcl/drawframe.h"
#include "platform/gui/win_scrollbars.h"
#include "platform/vcl/barctrls.h"
#include "platform/vcl/comctrls_common.h"
#include "platform/vcl/comctrls_tabs.h"
#include "platform/vcl/stdctrls_testing.h"

namespace {

// A form logging the tab notifications its children send it.
class ComTabTest : public TStdTest {
 public:
  void SetUp() override {
    TStdTest::SetUp();
    Form->SetBounds(50, 50, 400, 300);
    Inner = Form->WindowProc;
    Form->WindowProc = [this](TMessage& M) {
      if (M.Msg == WM_NOTIFY) {
        const auto* nm = reinterpret_cast<const NMHDR*>(M.LParam);
        if (nm->code == TCN_SELCHANGING) Log.push_back("SELCHANGING");
        if (nm->code == TCN_SELCHANGE) Log.push_back("SELCHANGE");
        if (nm->code == TCN_SELCHANGING && Refuse) {
          M.Result = 1;
          return;
        }
      }
      Inner(M);
    };
  }
  void TearDown() override {
    Form->WindowProc = Inner;
    TStdTest::TearDown();
  }
  // A native tab control of fixed 60 x 20 tabs.
  HWND Native(uint32_t Style, int32_t Count, int32_t W = 300, int32_t Ht = 200) {
    RegisterTabControlClass();
    HWND h = CreateWindowEx(0, "SysTabControl32", "", WS_CHILD | WS_VISIBLE | TCS_FIXEDWIDTH | Style, 10, 10, W, Ht,
                            Form->Handle(), reinterpret_cast<HMENU>(intptr_t(900)), nullptr, nullptr);
    SendMessage(h, TCM_SETITEMSIZE, 0, MAKELPARAM(60, 20));
    for (int32_t i = 0; i < Count; ++i) Insert(h, i, "Tab " + std::to_string(i));
    Pump();
    return h;
  }
  static void Insert(HWND h, int32_t Index, const String& Text) {
    TCITEM ti;
    ti.mask = TCIF_TEXT;
    ti.pszText = const_cast<char*>(Text.c_str());
    SendMessage(h, TCM_INSERTITEM, WPARAM(Index), reinterpret_cast<LPARAM>(&ti));
  }
  static TRect ItemRect(HWND h, int32_t i) {
    TRect r{0, 0, 0, 0};
    SendMessage(h, TCM_GETITEMRECT, WPARAM(i), reinterpret_cast<LPARAM>(&r));
    return r;
  }
  static TRect Adjust(HWND h, bool Larger, TRect r) {
    SendMessage(h, TCM_ADJUSTRECT, Larger ? 1 : 0, reinterpret_cast<LPARAM>(&r));
    return r;
  }
  static HWND Scroller(HWND h) {
    for (HWND c = GetWindow(h, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT))
      if (GetClassNameString(c) == "msctls_updown32") return c;
    return nullptr;
  }
  static TRect ChildRect(HWND parent, HWND child) {
    TRect r;
    GetWindowRect(child, &r);
    TPoint tl{r.Left, r.Top};
    ScreenToClient(parent, &tl);
    return TRect{tl.X, tl.Y, tl.X + r.Width(), tl.Y + r.Height()};
  }

  TWndMethod Inner;
  std::vector<String> Log;
  bool Refuse = false;
};

// ---- Native geometry ----------------------------------------------------------------------

TEST_F(ComTabTest, GeometryPerPositionAndRows) {
  ShowForm();
  struct TCase {
    const char* Name;
    uint32_t Style;
    int32_t Count;
    int32_t Probe;
    TRect Tab;      // TCM_GETITEMRECT of tab Probe (unselected)
    TRect Display;  // TCM_ADJUSTRECT FALSE of the 300 x 200 client area
    int32_t Rows;
  };
  const TCase cases[] = {
      {"top", 0, 3, 1, {62, 2, 122, 22}, {4, 26, 296, 196}, 1},
      {"bottom", TCS_BOTTOM, 3, 1, {62, 178, 122, 198}, {4, 4, 296, 174}, 1},
      {"left", TCS_VERTICAL, 3, 1, {2, 62, 22, 122}, {26, 4, 296, 196}, 1},
      {"right", TCS_VERTICAL | TCS_RIGHT, 3, 1, {278, 62, 298, 122}, {4, 4, 274, 196}, 1},
      // Four 60-pixel tabs fit in a row of 296: the second row (tabs 4, 5)
      // stacks above the selected tab's row, which stays next to the display.
      {"two rows, far row", TCS_MULTILINE, 6, 4, {2, 2, 62, 22}, {4, 46, 296, 196}, 2},
      {"two rows, near row", TCS_MULTILINE, 6, 1, {62, 22, 122, 42}, {4, 46, 296, 196}, 2},
      {"two rows at the bottom", TCS_MULTILINE | TCS_BOTTOM, 6, 4, {2, 178, 62, 198}, {4, 4, 296, 154}, 2},
  };
  for (const TCase& c : cases) {
    HWND h = Native(c.Style, c.Count);
    const TRect client{0, 0, 300, 200};
    EXPECT_EQ(ItemRect(h, c.Probe), c.Tab) << c.Name;
    EXPECT_EQ(Adjust(h, false, client), c.Display) << c.Name;
    EXPECT_EQ(Adjust(h, true, c.Display), client) << c.Name;
    EXPECT_EQ(SendMessage(h, TCM_GETROWCOUNT, 0, 0), c.Rows) << c.Name;
    DestroyWindow(h);
  }
}

TEST_F(ComTabTest, SelectingATabOfTheFarRowBringsItsRowNextToTheDisplay) {
  ShowForm();
  HWND h = Native(TCS_MULTILINE, 6);
  SendMessage(h, TCM_SETCURSEL, 4, 0);
  EXPECT_EQ(ItemRect(h, 4), (TRect{2, 22, 62, 42}));
  EXPECT_EQ(ItemRect(h, 0), (TRect{2, 2, 62, 22}));
}

TEST_F(ComTabTest, MeasuredTabSizeFromTextAndImage) {
  ShowForm();
  RegisterTabControlClass();
  HWND h = CreateWindowEx(0, "SysTabControl32", "", WS_CHILD | WS_VISIBLE, 10, 10, 300, 200, Form->Handle(), nullptr,
                          nullptr, nullptr);
  SendMessage(h, WM_SETFONT, reinterpret_cast<WPARAM>(Form->Font()->Handle()), 0);
  Insert(h, 0, "Abc");
  Insert(h, 1, "Wide tab");
  const int32_t textH = StdFontHeight(Form->Font()->Handle());
  HDC dc = GetDC(h);
  SelectObject(dc, Form->Font()->Handle());
  TSize abc, wide;
  GetTextExtentPoint32(dc, "Abc", 3, &abc);
  GetTextExtentPoint32(dc, "Wide tab", 8, &wide);
  ReleaseDC(h, dc);
  EXPECT_EQ(ItemRect(h, 1), (TRect{2 + abc.cx + 12, 2, 2 + abc.cx + 12 + wide.cx + 12, 2 + textH + 6}));

  // A 24-pixel image list: the image is taller than the text and adds its width + 3.
  HIMAGELIST il = ImageList_Create(24, 24, ILC_COLOR32, 2, 0);
  TBitmap bmp;
  bmp.SetSize(48, 24);
  ImageList_Add(il, bmp.Handle(), nullptr);
  SendMessage(h, TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(il));
  TCITEM ti;
  ti.mask = TCIF_IMAGE;
  ti.iImage = 1;
  SendMessage(h, TCM_SETITEM, 0, reinterpret_cast<LPARAM>(&ti));
  EXPECT_EQ(ItemRect(h, 0), (TRect{2, 2, 2 + abc.cx + 24 + 3 + 12, 2 + std::max(textH, 24) + 6}));
  // TCM_SETITEMSIZE's height wins over the measured one.
  SendMessage(h, TCM_SETITEMSIZE, 0, MAKELPARAM(0, 30));
  EXPECT_EQ(ItemRect(h, 0).Height(), 30);
  DestroyWindow(h);
  ImageList_Destroy(il);
}

// ---- Scrolling and the scroller -------------------------------------------------------------

TEST_F(ComTabTest, ScrolledTabsEndAtOrBeforeZero) {
  ShowForm();
  HWND h = Native(0, 8);  // 8 x 60 in 300 pixels
  SendMessage(h, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 2), 0);
  EXPECT_EQ(ItemRect(h, 0), (TRect{-120, 2, -60, 22}));
  EXPECT_EQ(ItemRect(h, 1), (TRect{-60, 2, 0, 22}));
  EXPECT_EQ(ItemRect(h, 2), (TRect{0, 2, 60, 22}));
  EXPECT_GT(ItemRect(h, 7).Right, 300);
  // Back at the start the first tab is 2 pixels in again.
  SendMessage(h, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 0), 0);
  EXPECT_EQ(ItemRect(h, 0), (TRect{2, 2, 62, 22}));
  // A hit test follows the scroll.
  SendMessage(h, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 3), 0);
  TCHITTESTINFO ht;
  ht.pt = TPoint{10, 10};
  EXPECT_EQ(SendMessage(h, TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&ht)), 3);
  EXPECT_EQ(ht.flags, TCHT_ONITEMLABEL);
}

TEST_F(ComTabTest, ScrollerMadeAtLayoutAndMayBeDestroyedFromOutside) {
  ShowForm();
  HWND h = Native(0, 4);  // 4 x 60 fits
  EXPECT_EQ(Scroller(h), nullptr);
  Insert(h, 4, "five");
  Insert(h, 5, "six");  // 362 > 300: the scroller appears at the row's right end
  HWND ud = Scroller(h);
  ASSERT_NE(ud, nullptr);
  EXPECT_EQ(ChildRect(h, ud), (TRect{260, 2, 300, 22}));
  EXPECT_NE(uint32_t(GetWindowLong(ud, GWL_STYLE)) & UDS_HORZ, 0u);

  // A click on its right half scrolls one tab through WM_HSCROLL.
  TPoint p{30, 10};
  ClientToScreen(ud, &p);
  Clock().Advance(1000);
  H().Click(p.X, p.Y);
  Pump();
  EXPECT_EQ(ItemRect(h, 1).Left, 0);

  // Destroyed by somebody else: forgotten without error, scrolling goes on.
  DestroyWindow(ud);
  Pump();
  EXPECT_EQ(Scroller(h), nullptr);
  SendMessage(h, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 2), 0);
  EXPECT_EQ(ItemRect(h, 2).Left, 0);
  InvalidateRect(h, nullptr, true);
  UpdateWindow(h);
  EXPECT_EQ(Scroller(h), nullptr);  // painting is no layout
  // The next layout that needs one makes it again.
  SetWindowPos(h, nullptr, 0, 0, 280, 200, SWP_NOMOVE | SWP_NOZORDER);
  Pump();
  ud = Scroller(h);
  ASSERT_NE(ud, nullptr);
  EXPECT_EQ(ChildRect(h, ud), (TRect{240, 2, 280, 22}));
  EXPECT_EQ(SendMessage(ud, UDM_GETPOS32, 0, 0), 2);
  // Wide enough again: the scroller goes and the tabs start at 2.
  SetWindowPos(h, nullptr, 0, 0, 390, 200, SWP_NOMOVE | SWP_NOZORDER);
  Pump();
  EXPECT_EQ(Scroller(h), nullptr);
  EXPECT_EQ(ItemRect(h, 0).Left, 2);
}

// ---- Native selection ------------------------------------------------------------------------

TEST_F(ComTabTest, UserSelectionNotifiesAndMayBeRefusedCodeDoesNot) {
  ShowForm();
  HWND h = Native(0, 3);
  EXPECT_EQ(SendMessage(h, TCM_GETCURSEL, 0, 0), 0);
  struct TStep {
    const char* Name;
    std::function<void()> Act;
    bool Refuse;
    int32_t Sel;
    std::vector<String> Log;
  };
  const TStep steps[] = {
      {"click",
       [&] { ClickAt(FindControl(Form->Handle()), 10 + 92, 10 + 10); },
       false,
       1,
       {"SELCHANGING", "SELCHANGE"}},
      {"refused click", [&] { ClickAt(FindControl(Form->Handle()), 10 + 152, 10 + 10); }, true, 1, {"SELCHANGING"}},
      {"TCM_SETCURSEL", [&] { SendMessage(h, TCM_SETCURSEL, 2, 0); }, false, 2, {}},
      {"Left key",
       [&] {
         SetFocus(h);
         Press(VK_LEFT);
       },
       false,
       1,
       {"SELCHANGING", "SELCHANGE"}},
  };
  for (const TStep& s : steps) {
    Log.clear();
    Refuse = s.Refuse;
    s.Act();
    EXPECT_EQ(Log, s.Log) << s.Name;
    EXPECT_EQ(SendMessage(h, TCM_GETCURSEL, 0, 0), s.Sel) << s.Name;
  }
}

TEST_F(ComTabTest, NativeLookRaisedTabsOnButtonFace) {
  ShowForm();
  HWND h = Native(0, 3);
  // Inside an unselected tab and inside the display area: the button face;
  // the frame's outer top-left edge is the light edge.
  EXPECT_EQ(PixelOf(h, 112, 8), Rgb(clBtnFace));
  EXPECT_EQ(PixelOf(h, 150, 120), Rgb(clBtnFace));
  EXPECT_EQ(PixelOf(h, 150, 22), Rgb(cl3DLight));
  EXPECT_EQ(PixelOf(h, 299, 120), Rgb(cl3DDkShadow));
}

// ---- Framework ----------------------------------------------------------------------------

TPageControl* MakePages(TComponent* Owner, TWinControl* Parent, std::vector<TTabSheet*>& Sheets, int32_t Count) {
  auto* pc = new TPageControl(Owner);
  pc->SetParent(Parent);
  pc->SetBounds(10, 10, 300, 200);
  pc->SetTabHeight(20);
  pc->SetTabWidth(60);
  for (int32_t i = 0; i < Count; ++i) {
    auto* sheet = new TTabSheet(Owner);
    sheet->SetCaption("Page " + std::to_string(i));
    sheet->SetPageControl(pc);
    Sheets.push_back(sheet);
  }
  return pc;
}

TEST_F(ComTabTest, ActiveSheetTakesTheDisplayRectAndFollowsACorrectingSubclass) {
  std::vector<TTabSheet*> sheets;
  TPageControl* pc = MakePages(Form.get(), Form.get(), sheets, 3);
  ShowForm();
  EXPECT_EQ(pc->ActivePage(), sheets[0]);
  EXPECT_EQ(pc->DisplayRect(), (TRect{4, 26, 296, 196}));
  EXPECT_EQ(sheets[0]->BoundsRect(), (TRect{4, 26, 296, 196}));
  EXPECT_TRUE(sheets[0]->Visible());
  EXPECT_FALSE(sheets[1]->Visible());
  EXPECT_EQ(pc->TabRect(1), (TRect{62, 2, 122, 22}));

  // A skin-like subclass moves the display area and the tabs: the sheets follow.
  TWndMethod inner = pc->WindowProc;
  pc->WindowProc = [&](TMessage& M) {
    inner(M);
    if (M.Msg == TCM_ADJUSTRECT && M.WParam == 0) reinterpret_cast<TRect*>(M.LParam)->Top -= 5;
    if (M.Msg == TCM_GETITEMRECT) OffsetRect(*reinterpret_cast<TRect*>(M.LParam), 0, -2);
  };
  pc->Realign();
  EXPECT_EQ(sheets[0]->BoundsRect(), (TRect{4, 21, 296, 196}));
  EXPECT_EQ(pc->TabRect(1), (TRect{62, 0, 122, 20}));
  pc->SetActivePage(sheets[2]);
  EXPECT_EQ(sheets[2]->BoundsRect(), (TRect{4, 21, 296, 196}));
  pc->WindowProc = inner;
}

TEST_F(ComTabTest, UserChangesFireEventsCodeChangesDoNot) {
  std::vector<TTabSheet*> sheets;
  TPageControl* pc = MakePages(Form.get(), Form.get(), sheets, 3);
  auto* tc = new TTabControl(Form.get());
  tc->SetParent(Form.get());
  tc->SetBounds(10, 215, 300, 60);
  tc->Tabs()->Add("one");
  tc->Tabs()->Add("two");
  tc->Tabs()->Add("three");
  std::vector<String> log;
  bool allow = true;
  for (auto* c : std::vector<TCustomTabControl*>{pc, tc}) {
    const String n = c == pc ? "pc" : "tc";
    c->OnChanging = [&log, &allow, n](TObject*, bool& Allow) {
      log.push_back(n + " changing");
      Allow = allow;
    };
    c->OnChange = [&log, n](TObject*) { log.push_back(n + " change"); };
  }
  for (TTabSheet* s : sheets) {
    s->OnShow = [&log, s](TObject*) { log.push_back("show " + s->Caption()); };
    s->OnHide = [&log, s](TObject*) { log.push_back("hide " + s->Caption()); };
  }
  ShowForm();
  log.clear();
  struct TStep {
    const char* Name;
    std::function<void()> Act;
    bool Allow;
    std::vector<String> Log;
  };
  const TStep steps[] = {
      {"click a page tab",
       [&] { ClickAt(pc, 92, 10); },
       true,
       {"pc changing", "hide Page 0", "show Page 1", "pc change"}},
      {"refused click", [&] { ClickAt(pc, 152, 10); }, false, {"pc changing"}},
      {"ActivePage", [&] { pc->SetActivePage(sheets[2]); }, true, {"hide Page 1", "show Page 2"}},
      {"ActivePageIndex", [&] { pc->SetActivePageIndex(0); }, true, {"hide Page 2", "show Page 0"}},
      {"Ctrl+Tab",
       [&] {
         pc->SetFocus();
         Press(VK_TAB, hkCtrl);
       },
       true,
       {"pc changing", "hide Page 0", "show Page 1", "pc change"}},
      {"SelectNextPage back",
       [&] { pc->SelectNextPage(false); },
       true,
       {"pc changing", "hide Page 1", "show Page 0", "pc change"}},
      {"tab control TabIndex", [&] { tc->SetTabIndex(2); }, true, {}},
      {"tab control click", [&] { ClickAt(tc, 10, 10); }, true, {"tc changing", "tc change"}},
      {"tab control Right key",
       [&] {
         tc->SetFocus();
         Press(VK_RIGHT);
       },
       true,
       {"tc changing", "tc change"}},
  };
  for (const TStep& s : steps) {
    log.clear();
    allow = s.Allow;
    s.Act();
    EXPECT_EQ(log, s.Log) << s.Name;
  }
  EXPECT_EQ(pc->ActivePage(), sheets[0]);
  EXPECT_EQ(pc->TabIndex(), 0);
  EXPECT_EQ(tc->TabIndex(), 1);
}

TEST_F(ComTabTest, HiddenTabsAreSkippedAndTheActivePageMovesOn) {
  std::vector<TTabSheet*> sheets;
  TPageControl* pc = MakePages(Form.get(), Form.get(), sheets, 4);
  ShowForm();
  pc->SetActivePage(sheets[1]);
  sheets[1]->SetTabVisible(false);
  EXPECT_EQ(pc->Tabs()->Count(), 3);
  EXPECT_EQ(pc->ActivePage(), sheets[2]);
  EXPECT_EQ(sheets[1]->TabIndex(), -1);
  EXPECT_EQ(sheets[2]->TabIndex(), 1);
  EXPECT_EQ(sheets[2]->PageIndex(), 2);
  EXPECT_EQ(pc->TabIndex(), 1);
  EXPECT_EQ(pc->Tabs()->Strings(1), "Page 2");
  EXPECT_FALSE(sheets[1]->Visible());
  EXPECT_EQ(pc->FindNextPage(sheets[0], true, true), sheets[2]);
  // Back in place, in page order.
  sheets[1]->SetTabVisible(true);
  EXPECT_EQ(pc->Tabs()->Strings(1), "Page 1");
  EXPECT_EQ(pc->ActivePage(), sheets[2]);
  EXPECT_EQ(pc->TabIndex(), 2);
  // A caption change reaches the tab; deleting a sheet removes its tab.
  sheets[3]->SetCaption("Last");
  EXPECT_EQ(pc->Tabs()->Strings(3), "Last");
  delete sheets[2];
  EXPECT_EQ(pc->PageCount(), 3);
  EXPECT_EQ(pc->Tabs()->Count(), 3);
  EXPECT_EQ(pc->ActivePage(), sheets[3]);
}

TEST_F(ComTabTest, TabsSurviveRecreationAndKeepTheirSelection) {
  auto* tc = new TTabControl(Form.get());
  tc->SetParent(Form.get());
  tc->SetBounds(10, 10, 300, 100);
  tc->Tabs()->Add("a");
  tc->Tabs()->AddObject("b", tc);
  tc->SetTabIndex(1);  // kept before a window exists
  ShowForm();
  EXPECT_EQ(tc->TabIndex(), 1);
  tc->SetTabPosition(TTabPosition::tpBottom);
  EXPECT_EQ(tc->Tabs()->Count(), 2);
  EXPECT_EQ(tc->Tabs()->Objects(1), tc);
  EXPECT_EQ(tc->TabIndex(), 1);
  EXPECT_NE(uint32_t(GetWindowLong(tc->Handle(), GWL_STYLE)) & TCS_BOTTOM, 0u);
  // Child controls are placed in the display area.
  auto* inner = new TTabControl(Form.get());
  inner->SetParent(tc);
  inner->SetAlign(TAlign::alClient);
  EXPECT_EQ(inner->BoundsRect(), tc->DisplayRect());
}

// A descendant that paints the whole control itself.
class TRedTabs : public TTabControl {
 public:
  using TTabControl::TTabControl;

 protected:
  void PaintWindow(HDC DC) override {
    HBRUSH b = CreateSolidBrush(RGB(255, 0, 0));
    TRect r{0, 0, Width(), Height()};
    FillRect(DC, r, b);
    DeleteObject(b);
  }
};

TEST_F(ComTabTest, PaintWindowReplacesTheNativeLook) {
  auto* tc = new TRedTabs(Form.get());
  tc->SetParent(Form.get());
  tc->SetBounds(10, 10, 200, 100);
  tc->Tabs()->Add("a");
  ShowForm();
  EXPECT_EQ(PixelOf(tc->Handle(), 10, 10), TColor(RGB(255, 0, 0)));
  EXPECT_EQ(PixelOf(tc->Handle(), 100, 60), TColor(RGB(255, 0, 0)));
}

TEST_F(ComTabTest, OwnerDrawnTabsAndSheetImages) {
  std::vector<TTabSheet*> sheets;
  TPageControl* pc = MakePages(Form.get(), Form.get(), sheets, 2);
  pc->SetOwnerDraw(true);
  std::vector<String> draws;
  pc->OnDrawTab = [&](TCustomTabControl* C, int32_t Index, const TRect& R, bool Active) {
    draws.push_back(std::to_string(Index) + (Active ? " active" : ""));
    EXPECT_EQ(R, C->TabRect(Index));
    C->Canvas()->Brush()->SetColor(clBlue);
    C->Canvas()->FillRect(R);
  };
  sheets[1]->SetImageIndex(3);
  ShowForm();
  EXPECT_EQ(draws, (std::vector<String>{"1", "0 active"}));
  EXPECT_EQ(PixelOf(pc->Handle(), 90, 12), Rgb(clBlue));
  TCITEM ti;
  ti.mask = TCIF_IMAGE | TCIF_PARAM;
  pc->Perform(TCM_GETITEM, 1, reinterpret_cast<LPARAM>(&ti));
  EXPECT_EQ(ti.iImage, 3);
  EXPECT_EQ(reinterpret_cast<TTabSheet*>(ti.lParam), sheets[1]);
}

}  // namespace
