#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <vector>

#include "platform/gui/win_paint.h"
#include "platform/gui/headless.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/drawframe.h"
#include "platform/vcl/stdctrls_testing.h"

namespace {

using Lines = std::vector<String>;

String HdnName(uint32_t code) {
  static const std::map<uint32_t, const char*> names = {
      {HDN_ITEMCHANGING, "changing"},  {HDN_ITEMCHANGED, "changed"},
      {HDN_ITEMCLICK, "click"},        {HDN_ITEMDBLCLICK, "dblclick"},
      {HDN_DIVIDERDBLCLICK, "divdbl"}, {HDN_BEGINTRACK, "begintrack"},
      {HDN_ENDTRACK, "endtrack"},      {HDN_TRACK, "track"},
      {HDN_BEGINDRAG, "begindrag"},    {HDN_ENDDRAG, "enddrag"},
  };
  auto it = names.find(code);
  return it == names.end() ? String() : String(it->second);
}

class THdnForm : public TForm {
 public:
  explicit THdnForm(TComponent* AOwner) : TForm(AOwner) {}
  Lines Log;
  // Answers NM_CUSTOMDRAW when set.
  std::function<LRESULT(NMCUSTOMDRAW*)> CustomDraw;
  void Dispatch(TMessage& Message) override {
    if (Message.Msg == WM_NOTIFY && CustomDraw) {
      auto* cd = reinterpret_cast<NMCUSTOMDRAW*>(Message.LParam);
      if (cd->hdr.code == NM_CUSTOMDRAW) {
        Message.Result = CustomDraw(cd);
        return;
      }
    }
    if (Message.Msg == WM_NOTIFY) {
      const auto* nm = reinterpret_cast<const NMHEADER*>(Message.LParam);
      const String name = HdnName(nm->hdr.code);
      if (!name.empty()) {
        String line = name + " " + std::to_string(nm->iItem);
        if (nm->pitem != nullptr && (nm->pitem->mask & HDI_WIDTH) != 0 &&
            (nm->hdr.code == HDN_ITEMCHANGED || nm->hdr.code == HDN_TRACK))
          line += " " + std::to_string(nm->pitem->cxy);
        Log.push_back(line);
      }
    }
    TForm::Dispatch(Message);
  }
  Lines Take() {
    Lines r;
    r.swap(Log);
    return r;
  }
};

// Logs the hit tests its window procedure sees and the framework's mouse calls.
class TProbeHeader : public THeaderControl {
 public:
  using THeaderControl::THeaderControl;
  Lines Log;
  void WndProc(TMessage& Message) override {
    THeaderControl::WndProc(Message);
    if (Message.Msg == HDM_HITTEST) {
      const auto* info = reinterpret_cast<const HDHITTESTINFO*>(Message.LParam);
      Log.push_back("hit " + std::to_string(info->flags));
    }
  }

 protected:
  void MouseDown(TMouseButton B, TShiftState S, int32_t X, int32_t Y) override {
    Log.push_back("down");
    THeaderControl::MouseDown(B, S, X, Y);
  }
  void MouseMove(TShiftState S, int32_t X, int32_t Y) override {
    Log.push_back("move");
    THeaderControl::MouseMove(S, X, Y);
  }
  void MouseUp(TMouseButton B, TShiftState S, int32_t X, int32_t Y) override {
    Log.push_back("up");
    THeaderControl::MouseUp(B, S, X, Y);
  }
};

class ComHeader : public TVclTest {
 public:
  void SetUp() override {
    TVclTest::SetUp();
    Form = std::make_unique<THdnForm>(nullptr);
    Form->SetBorderStyle(TBorderStyle::bsNone);
    Form->SetBounds(50, 50, 400, 200);
    Header = new TProbeHeader(Form.get());
    Header->SetParent(Form.get());
    for (const char* t : {"One", "Two", "Three"}) {
      THeaderSection* s = Header->Sections()->Add();
      s->SetText(t);
      s->SetWidth(60);
    }
    Form->Show();
    Pump();
    Form->Take();
  }
  void TearDown() override {
    Form.reset();
    TVclTest::TearDown();
  }
  void Drag(int32_t X0, int32_t X1, int32_t X2) {
    const TPoint a = At(Header, X0, 8);
    Clock().Advance(GetDoubleClickTime() + 1);
    TVclTest::H().MouseDown(a.X, a.Y);
    Pump();
    TVclTest::H().MouseMove(a.X + X1 - X0, a.Y);
    Pump();
    TVclTest::H().MouseMove(a.X + X2 - X0, a.Y);
    Pump();
    TVclTest::H().MouseUp(a.X + X2 - X0, a.Y);
    Pump();
  }
  std::unique_ptr<THdnForm> Form;
  TProbeHeader* Header = nullptr;
};

TEST_F(ComHeader, HitTestComesBeforeThePressMoveAndRelease) {
  const TPoint p = At(Header, 20, 8);
  TVclTest::H().MouseMove(p.X, p.Y);
  Pump();
  Header->Log.clear();
  TVclTest::H().MouseDown(p.X, p.Y);
  Pump();
  TVclTest::H().MouseMove(p.X + 1, p.Y);
  Pump();
  TVclTest::H().MouseUp(p.X + 1, p.Y);
  Pump();
  const String on = "hit " + std::to_string(HHT_ONHEADER);
  EXPECT_EQ(Header->Log, (Lines{on, "down", on, "move", on, "up"}));
  // The divider zone is 4 pixels each side of a right edge.
  struct TCase {
    int32_t X;
    uint32_t Flags;
    int32_t Item;
  };
  for (const TCase& c : {TCase{55, HHT_ONHEADER, 0}, TCase{56, HHT_ONDIVIDER, 0}, TCase{63, HHT_ONDIVIDER, 0},
                         TCase{64, HHT_ONHEADER, 1}, TCase{200, HHT_NOWHERE, -1}}) {
    HDHITTESTINFO info;
    info.pt = TPoint{c.X, 5};
    EXPECT_EQ(Header->Perform(HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)), c.Item) << c.X;
    EXPECT_EQ(info.flags, c.Flags) << c.X;
  }
}

TEST_F(ComHeader, DividerDragsClicksAndSectionDrags) {
  std::vector<String> events;
  Header->OnSectionResize = [&](THeaderControl*, THeaderSection* S) { events.push_back("resize " + S->Text()); };
  Header->OnSectionTrack = [&](THeaderControl*, THeaderSection*, int32_t W, TSectionTrackState St) {
    events.push_back("track " + std::to_string(W) + " " + std::to_string(int(St)));
  };
  Header->OnSectionClick = [&](THeaderControl*, THeaderSection* S) { events.push_back("click " + S->Text()); };
  struct TCase {
    const char* What;
    std::function<void()> Act;
    Lines Expected;
  };
  const TCase cases[] = {
      {"full drag: a change per move",
       [&] { Drag(60, 70, 80); },
       {"begintrack 0", "track 0 70", "changing 0", "changed 0 70", "track 0 80", "changing 0", "changed 0 80",
        "endtrack 0"}},
      {"click", [&] { Drag(100, 101, 102); }, {"click 1"}},
      {"release outside the pressed section: no click", [&] { Drag(100, 170, 200); }, {}},
  };
  for (const TCase& c : cases) {
    Form->Take();
    c.Act();
    EXPECT_EQ(Form->Take(), c.Expected) << c.What;
  }
  EXPECT_EQ(Header->Sections()->Items(0)->Width(), 80);
  EXPECT_EQ(events,
            (Lines{"track 60 0", "track 70 1", "resize One", "track 80 1", "resize One", "track 80 2", "click Two"}));
  // Without full drag: an inverted line while moving, one change at the end.
  Header->SetFullDrag(false);
  Form->Take();
  Drag(80, 90, 95);
  EXPECT_EQ(Form->Take(),
            (Lines{"begintrack 0", "track 0 90", "track 0 95", "changing 0", "changed 0 95", "endtrack 0"}));
  // Sections dragged by 4 pixels move in the order.
  Header->SetDragReorder(true);
  Form->Take();
  // Widths now 95, 60, 60: dropped past the middle of the last section.
  Drag(20, 25, 200);
  EXPECT_EQ(Form->Take(), (Lines{"begindrag 0", "enddrag 0"}));
  EXPECT_EQ(Header->Sections()->Items(0)->Text(), "Two");
  EXPECT_EQ(Header->Sections()->Items(2)->Text(), "One");
  EXPECT_EQ(Header->Sections()->Items(2)->Index(), 2);
  int32_t order[3] = {};
  ASSERT_NE(Header->Perform(HDM_GETORDERARRAY, 3, reinterpret_cast<LPARAM>(order)), 0);
  EXPECT_EQ(order[0], 1);
  EXPECT_EQ(order[2], 0);
  // Between two sections: dropped left of a middle.
  Drag(5, 10, 100);
  EXPECT_EQ(Header->Sections()->Items(0)->Text(), "Three");
  EXPECT_EQ(Header->Sections()->Items(1)->Text(), "Two");
}

TEST_F(ComHeader, BitmapOnRightIsDrawnRightOfTheText) {
  RegisterHeaderClass();
  HWND h = CreateWindowEx(0, "SysHeader32", "", WS_CHILD | WS_VISIBLE | HDS_BUTTONS, 0, 100, 300, 24, Form->Handle(),
                          nullptr, nullptr, nullptr);
  HDC screen = GetDC(nullptr);
  HBITMAP bmp = CreateCompatibleBitmap(screen, 8, 8);
  ReleaseDC(nullptr, screen);
  HDC mem = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(mem, bmp);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  FillRect(mem, TRect{0, 0, 8, 8}, red);
  SelectObject(mem, old);
  DeleteDC(mem);
  DeleteObject(red);
  String text = "Name";
  for (int32_t fmt : {HDF_STRING | HDF_BITMAP | HDF_BITMAP_ON_RIGHT, HDF_STRING | HDF_BITMAP}) {
    HDITEM it;
    it.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT | HDI_BITMAP;
    it.cxy = 150;
    it.pszText = text.data();
    it.fmt = fmt;
    it.hbm = bmp;
    SendMessage(h, HDM_DELETEITEM, 0, 0);
    ASSERT_EQ(SendMessage(h, HDM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&it)), 0);
    UpdateWindow(h);
    std::unique_ptr<TBitmap> px = WindowPixels(h, false);
    int32_t redLeft = 1000, textRight = -1, textLeft = 1000;
    for (int32_t x = 2; x < 148; ++x)
      for (int32_t y = 3; y < 21; ++y) {
        const TColor c = px->Canvas()->Pixels(x, y);
        if (c == TColor(ColorToRGB(clRed))) redLeft = std::min(redLeft, x);
        if (c == TColor(ColorToRGB(clBtnText))) {
          textRight = std::max(textRight, x);
          textLeft = std::min(textLeft, x);
        }
      }
    ASSERT_LT(redLeft, 1000);
    ASSERT_GE(textRight, 0);
    if (fmt & HDF_BITMAP_ON_RIGHT)
      EXPECT_GT(redLeft, textRight);
    else
      EXPECT_LT(redLeft, textLeft);
  }
  DestroyWindow(h);
  DeleteObject(bmp);
}

TEST_F(ComHeader, OwnerDrawSectionsAndLayout) {
  std::vector<String> drawn;
  Header->Sections()->Items(1)->SetStyle(THeaderSectionStyle::hsOwnerDraw);
  Header->OnDrawSection = [&](THeaderControl* HC, THeaderSection* S, const TRect& R, bool) {
    drawn.push_back(S->Text());
    HC->Canvas()->Brush()->SetColor(clLime);
    HC->Canvas()->FillRect(R);
  };
  Header->Invalidate();
  Pump();
  EXPECT_EQ(drawn, (Lines{"Two"}));
  std::unique_ptr<TBitmap> px = WindowPixels(Header->Handle(), false);
  EXPECT_EQ(px->Canvas()->Pixels(90, 8), TColor(ColorToRGB(clLime)));
  // HDM_LAYOUT: text height + 6 from the top of the rectangle.
  TRect rc{0, 10, 200, 100};
  WINDOWPOS wp;
  HDLAYOUT l;
  l.prc = &rc;
  l.pwpos = &wp;
  ASSERT_NE(Header->Perform(HDM_LAYOUT, 0, reinterpret_cast<LPARAM>(&l)), 0);
  const int32_t textH = StdFontHeight(reinterpret_cast<HFONT>(Header->Perform(WM_GETFONT, 0, 0)));
  EXPECT_EQ(wp.cy, textH + 6);
  EXPECT_EQ(wp.y, 10);
  EXPECT_EQ(rc.Top, 10 + textH + 6);
}

TEST_F(ComHeader, CustomDrawSkipsTheDefaultLookOfAnItem) {
  std::vector<uint32_t> stages;
  Form->CustomDraw = [&](NMCUSTOMDRAW* cd) -> LRESULT {
    stages.push_back(cd->dwDrawStage);
    if (cd->dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    if (cd->dwDrawStage == CDDS_ITEMPREPAINT && cd->dwItemSpec == 1) {
      HBRUSH b = CreateSolidBrush(RGB(0, 255, 0));
      FillRect(cd->hdc, cd->rc, b);
      DeleteObject(b);
      return CDRF_SKIPDEFAULT;
    }
    return CDRF_DODEFAULT;
  };
  Header->Invalidate();
  Pump();
  EXPECT_EQ(stages, (std::vector<uint32_t>{CDDS_PREPAINT, CDDS_ITEMPREPAINT, CDDS_ITEMPREPAINT, CDDS_ITEMPREPAINT}));
  std::unique_ptr<TBitmap> px = WindowPixels(Header->Handle(), false);
  EXPECT_EQ(px->Canvas()->Pixels(61, 1), TColor(ColorToRGB(clLime))) << "no edge over the handler's drawing";
  EXPECT_NE(px->Canvas()->Pixels(1, 1), TColor(ColorToRGB(clLime)));
}

TEST(ComDragImage, ShowsAHalfTransparentTopmostPopupThatNeverActivates) {
  THeadlessSession session;
  HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR32, 1, 0);
  HBITMAP bmp = CreateBitmap(16, 16, 1, 32, nullptr);
  ImageList_Add(list, bmp, nullptr);
  DeleteObject(bmp);
  ASSERT_TRUE(ImageList_BeginDrag(list, 0, 4, 4));
  ImageList_Destroy(list);  // the drag keeps its own copy
  HWND popup = ComDragImageWindow();
  ASSERT_NE(popup, nullptr);
  HWND before = GetActiveWindow();
  ASSERT_TRUE(ImageList_DragEnter(nullptr, 100, 50));
  EXPECT_TRUE(IsWindowVisible(popup));
  EXPECT_EQ(GetActiveWindow(), before);
  const uint32_t ex = uint32_t(GetWindowLong(popup, GWL_EXSTYLE));
  EXPECT_NE(ex & WS_EX_TOPMOST, 0u);
  EXPECT_NE(ex & WS_EX_LAYERED, 0u);
  EXPECT_NE(ex & WS_EX_NOACTIVATE, 0u);
  uint8_t alpha = 0;
  uint32_t flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(popup, nullptr, &alpha, &flags));
  EXPECT_EQ(alpha, 128);
  ImageList_DragMove(120, 70);
  TRect r;
  GetWindowRect(popup, &r);
  EXPECT_EQ(r.Left, 116);
  EXPECT_EQ(r.Top, 66);
  ImageList_DragLeave(nullptr);
  EXPECT_FALSE(IsWindowVisible(popup));
  ImageList_EndDrag();
  EXPECT_FALSE(IsWindow(popup));
  EXPECT_EQ(ComDragImageWindow(), nullptr);
}

}  // namespace
