#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/gui/win_paint.h"
#include "platform/vcl/barctrls.h"
#include "platform/vcl/stdctrls.h"
#include "platform/vcl/stdctrls_testing.h"

namespace {

// ================================================================================
// Progress bar
// ================================================================================

class StdProgressBar : public TStdTest {
 public:
  HWND Native(uint32_t Style, int32_t W = 100, int32_t H = 18) {
    RegisterBarControlClasses();
    HWND h = CreateWindowEx(0, "msctls_progress32", "", WS_CHILD | WS_VISIBLE | Style, 10, 10, W, H, Form->Handle(),
                            reinterpret_cast<HMENU>(intptr_t(700)), nullptr, nullptr);
    Pump();
    return h;
  }
};

TEST_F(StdProgressBar, MessagesClampThePositionAndAnswerOldValues) {
  ShowForm();
  HWND h = Native(0);
  struct TStep {
    uint32_t Msg;
    WPARAM W;
    LPARAM L;
    LRESULT Answer;
    int32_t PosAfter;
  };
  const TStep steps[] = {
      {PBM_SETRANGE32, 10, 50, MAKELONG(0, 100), 10},  // 0 clamped up to the new min
      {PBM_SETPOS, 30, 0, 10, 30},
      {PBM_SETPOS, 80, 0, 30, 50},
      {PBM_SETSTEP, 15, 0, 10, 50},
      {PBM_SETPOS, 20, 0, 50, 20},
      {PBM_STEPIT, 0, 0, 20, 35},
      {PBM_STEPIT, 0, 0, 35, 50},
      {PBM_STEPIT, 0, 0, 50, 50},
      {PBM_DELTAPOS, WPARAM(-100), 0, 50, 10},
      {PBM_SETRANGE, 0, MAKELPARAM(0, 20), MAKELONG(10, 50), 10},
      {PBM_SETPOS, 25, 0, 10, 20},
  };
  for (const TStep& s : steps) {
    EXPECT_EQ(SendMessage(h, s.Msg, s.W, s.L), s.Answer) << std::hex << s.Msg;
    EXPECT_EQ(SendMessage(h, PBM_GETPOS, 0, 0), s.PosAfter) << std::hex << s.Msg;
  }
  PBRANGE r;
  EXPECT_EQ(SendMessage(h, PBM_GETRANGE, 1, reinterpret_cast<LPARAM>(&r)), 0);
  EXPECT_EQ(SendMessage(h, PBM_GETRANGE, 0, 0), 20);
  EXPECT_EQ(r.iLow, 0);
  EXPECT_EQ(r.iHigh, 20);
}

TEST_F(StdProgressBar, PlainLookBlocksSmoothBarVerticalAndColours) {
  ShowForm();
  const TColor hl = Rgb(clHighlight), face = Rgb(clBtnFace);
  // 100 x 18: inside the 1-pixel edge and 1-pixel margin x runs 2 .. 97;
  // blocks are 12 long with 2-pixel gaps.
  HWND blocks = Native(0);
  SendMessage(blocks, PBM_SETPOS, 50, 0);
  Pump();
  EXPECT_EQ(PixelOf(blocks, 2, 9), hl);
  EXPECT_EQ(PixelOf(blocks, 13, 9), hl);
  EXPECT_EQ(PixelOf(blocks, 14, 9), face) << "gap";
  EXPECT_EQ(PixelOf(blocks, 15, 9), face) << "gap";
  EXPECT_EQ(PixelOf(blocks, 16, 9), hl);
  EXPECT_EQ(PixelOf(blocks, 70, 9), face) << "beyond the position";
  EXPECT_EQ(PixelOf(blocks, 0, 0), Rgb(clBtnShadow)) << "sunken edge";
  EXPECT_EQ(PixelOf(blocks, 99, 17), Rgb(clBtnHighlight));

  HWND smooth = Native(PBS_SMOOTH);
  SendMessage(smooth, PBM_SETPOS, 50, 0);
  SendMessage(smooth, PBM_SETBKCOLOR, 0, LPARAM(RGB(0, 0, 255)));
  Pump();
  std::unique_ptr<TBitmap> bmp = WindowPixels(smooth, false);
  int32_t lit = 0;
  for (int32_t x = 2; x < 98; ++x) lit += bmp->Canvas()->Pixels(x, 9) == hl;
  EXPECT_EQ(lit, 48) << "one continuous bar over half the channel";
  EXPECT_EQ(PixelOf(smooth, 80, 9), TColor(RGB(0, 0, 255)));

  HWND vertical = Native(PBS_VERTICAL | PBS_SMOOTH, 18, 100);
  SendMessage(vertical, PBM_SETPOS, 25, 0);
  SendMessage(vertical, PBM_SETBARCOLOR, 0, LPARAM(RGB(255, 0, 0)));
  Pump();
  EXPECT_EQ(PixelOf(vertical, 9, 96), TColor(RGB(255, 0, 0))) << "fills from the bottom";
  EXPECT_EQ(PixelOf(vertical, 9, 10), face);
}

TEST_F(StdProgressBar, PaintsIntoAGivenDeviceContextOnly) {
  ShowForm();
  HWND h = Native(PBS_SMOOTH);
  SendMessage(h, PBM_SETPOS, 100, 0);
  Pump();
  auto bmp = std::make_unique<TBitmap>();
  bmp->SetPixelFormat(TPixelFormat::pf24bit);
  bmp->SetSize(100, 18);
  bmp->Canvas()->Brush()->SetColor(clLime);
  bmp->Canvas()->FillRect(TRect{0, 0, 100, 18});
  SendMessage(h, PBM_SETBARCOLOR, 0, LPARAM(RGB(255, 0, 0)));  // invalidates; not yet shown
  SendMessage(h, WM_PAINT, reinterpret_cast<WPARAM>(bmp->Canvas()->Handle()), 0);
  EXPECT_EQ(bmp->Canvas()->Pixels(50, 9), TColor(RGB(255, 0, 0)));
  EXPECT_EQ(PixelOf(h, 50, 9), Rgb(clHighlight)) << "the window's own surface is untouched";
}

TEST_F(StdProgressBar, FrameworkKeepsValuesWithoutWindowAndRepaintShowsAtOnce) {
  auto* pb = new TProgressBar(Form.get());
  pb->SetParent(Form.get());
  pb->SetBounds(10, 10, 100, 18);
  pb->SetSmooth(true);
  pb->SetMax(200);
  pb->SetPosition(300);
  EXPECT_EQ(pb->Position(), 200) << "clamped while no window exists";
  pb->SetMin(50);
  pb->SetPosition(0);
  EXPECT_EQ(pb->Position(), 50);
  pb->SetStep(25);
  pb->StepIt();
  pb->StepBy(-5);
  EXPECT_EQ(pb->Position(), 70);
  EXPECT_FALSE(pb->HandleAllocated());
  ShowForm();
  ASSERT_TRUE(pb->HandleAllocated());
  EXPECT_EQ(SendMessage(pb->Handle(), PBM_GETPOS, 0, 0), 70);
  EXPECT_EQ(SendMessage(pb->Handle(), PBM_GETRANGE, 1, 0), 50);
  EXPECT_EQ(SendMessage(pb->Handle(), PBM_GETRANGE, 0, 0), 200);
  pb->StepIt();
  EXPECT_EQ(pb->Position(), 95);
  pb->SetOrientation(TProgressBarOrientation::pbVertical);  // re-creates
  EXPECT_EQ(pb->Position(), 95);
  EXPECT_NE(GetWindowLong(pb->Handle(), GWL_STYLE) & PBS_VERTICAL, 0);
  pb->SetOrientation(TProgressBarOrientation::pbHorizontal);
  Pump();

  pb->SetPosition(200);
  pb->Repaint();  // no message loop in between
  EXPECT_EQ(PixelOf(pb->Handle(), 95, 9), Rgb(clHighlight));
}

// ================================================================================
// Scroll bar
// ================================================================================

// A form that logs the WM_HSCROLL / WM_VSCROLL and WM_NOTIFY its children
// send it; Refuse answers every WM_NOTIFY with 1.
class TBarTest : public TStdTest {
 public:
  struct TNote {
    uint32_t Msg;
    uint32_t Code;
    int32_t Pos;
    friend bool operator==(const TNote&, const TNote&) = default;
  };
  void SetUp() override {
    TStdTest::SetUp();
    Inner = Form->WindowProc;
    Form->WindowProc = [this](TMessage& M) {
      if (M.Msg == WM_HSCROLL || M.Msg == WM_VSCROLL)
        Notes.push_back(TNote{M.Msg, LOWORD(M.WParam), int16_t(HIWORD(M.WParam))});
      if (M.Msg == WM_NOTIFY) {
        const auto* nm = reinterpret_cast<const NMUPDOWN*>(M.LParam);
        Notes.push_back(TNote{M.Msg, nm->hdr.code, nm->iPos * 1000 + nm->iDelta});
        if (Refuse) {
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
  std::vector<uint32_t> Sent() const {
    std::vector<uint32_t> r;
    for (const TNote& n : Notes) r.push_back(n.Code);
    return r;
  }
  HWND Native(const char* Class, uint32_t Style, int32_t W, int32_t H, int32_t X = 10, int32_t Y = 10) {
    RegisterBarControlClasses();
    RegisterStdControlClasses();
    HWND h = CreateWindowEx(0, Class, "", WS_CHILD | WS_VISIBLE | Style, X, Y, W, H, Form->Handle(),
                            reinterpret_cast<HMENU>(intptr_t(701)), nullptr, nullptr);
    Pump();
    return h;
  }
  void Down(HWND h, int32_t X, int32_t Y) {
    TPoint p{X, Y};
    ClientToScreen(h, &p);
    H().MouseDown(p.X, p.Y);
    Pump();
  }
  void Move(HWND h, int32_t X, int32_t Y) {
    TPoint p{X, Y};
    ClientToScreen(h, &p);
    H().MouseMove(p.X, p.Y);
    Pump();
  }
  void Up(HWND h, int32_t X, int32_t Y) {
    TPoint p{X, Y};
    ClientToScreen(h, &p);
    H().MouseUp(p.X, p.Y);
    Pump();
  }
  TWndMethod Inner;
  std::vector<TNote> Notes;
  bool Refuse = false;
};

class StdScrollBar : public TBarTest {
 public:
  HWND Native(uint32_t Style, int32_t W, int32_t H) { return TBarTest::Native("ScrollBar", WS_TABSTOP | Style, W, H); }
};

using Codes = std::vector<uint32_t>;

TEST_F(StdScrollBar, KeysSendTheirCodeThenEndScroll) {
  ShowForm();
  HWND h = Native(SBS_VERT, 17, 120);
  SetFocus(h);
  Pump();
  const struct {
    uint32_t Vk;
    uint32_t Code;
  } keys[] = {{VK_DOWN, SB_LINEDOWN}, {VK_RIGHT, SB_LINEDOWN}, {VK_UP, SB_LINEUP}, {VK_LEFT, SB_LINEUP},
              {VK_NEXT, SB_PAGEDOWN}, {VK_PRIOR, SB_PAGEUP},   {VK_HOME, SB_TOP},  {VK_END, SB_BOTTOM}};
  for (const auto& k : keys) {
    Notes.clear();
    Press(k.Vk);
    EXPECT_EQ(Sent(), (Codes{k.Code, SB_ENDSCROLL})) << k.Vk;
    for (const TNote& n : Notes) EXPECT_EQ(n.Msg, WM_VSCROLL);
  }
  SendMessage(h, SBM_SETRANGE, 0, 0);  // nothing to scroll: keys are quiet
  Notes.clear();
  Press(VK_DOWN);
  EXPECT_TRUE(Notes.empty());
}

TEST_F(StdScrollBar, HeldArrowRepeatsOnTheClockWhileThePointerIsOverIt) {
  ShowForm();
  HWND h = Native(SBS_HORZ, 150, 17);
  Down(h, 145, 8);  // the right arrow
  EXPECT_EQ(Sent(), (Codes{SB_LINEDOWN}));
  EXPECT_EQ(GetCapture(), h);
  struct {
    uint64_t Ms;
    size_t Count;
  } steps[] = {{499, 1}, {1, 2}, {49, 2}, {1, 3}, {100, 5}};
  for (const auto& s : steps) {
    H().AdvanceClock(s.Ms);
    Pump();
    EXPECT_EQ(Notes.size(), s.Count) << "after +" << s.Ms;
  }
  SCROLLBARINFO info;
  SendMessage(h, SBM_GETSCROLLBARINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_NE(info.rgstate[5] & STATE_SYSTEM_PRESSED, 0u);
  Move(h, 60, 8);  // off the arrow: no repeats, shown released
  H().AdvanceClock(200);
  Pump();
  EXPECT_EQ(Notes.size(), 5u);
  SendMessage(h, SBM_GETSCROLLBARINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.rgstate[5] & STATE_SYSTEM_PRESSED, 0u);
  Up(h, 60, 8);
  EXPECT_EQ(Notes.back().Code, SB_ENDSCROLL);
  EXPECT_EQ(Notes.size(), 6u);
  EXPECT_EQ(GetCapture(), nullptr);
  H().AdvanceClock(500);
  Pump();
  EXPECT_EQ(Notes.size(), 6u) << "the timer is gone";
  for (const TNote& n : Notes) EXPECT_EQ(n.Msg, WM_HSCROLL);
}

TEST_F(StdScrollBar, MessagesKeepRangePageAndPositionTogether) {
  ShowForm();
  HWND h = Native(SBS_VERT, 17, 117);  // a track of 83 pixels
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  si.nMin = 0;
  si.nMax = 99;
  si.nPage = 10;
  si.nPos = 95;
  EXPECT_EQ(SendMessage(h, SBM_SETSCROLLINFO, 1, reinterpret_cast<LPARAM>(&si)), 90) << "max - page + 1";
  EXPECT_EQ(SendMessage(h, SBM_SETPOS, 200, 1), 90);
  EXPECT_EQ(SendMessage(h, SBM_GETPOS, 0, 0), 90);
  EXPECT_EQ(SendMessage(h, SBM_SETRANGE, 0, 50), 90);
  EXPECT_EQ(SendMessage(h, SBM_GETPOS, 0, 0), 41);
  int32_t lo = -1, hi = -1;
  SendMessage(h, SBM_GETRANGE, reinterpret_cast<WPARAM>(&lo), reinterpret_cast<LPARAM>(&hi));
  EXPECT_EQ(lo, 0);
  EXPECT_EQ(hi, 50);
  si.fMask = SIF_PAGE;
  si.nPage = 500;  // cut to the range
  SendMessage(h, SBM_SETSCROLLINFO, 0, reinterpret_cast<LPARAM>(&si));
  SCROLLINFO got;
  got.fMask = SIF_ALL;
  SendMessage(h, SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(&got));
  EXPECT_EQ(got.nPage, 51u);
  EXPECT_EQ(got.nPos, 0);
  SCROLLBARINFO info;
  SendMessage(h, SBM_GETSCROLLBARINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_NE(info.rgstate[0] & STATE_SYSTEM_UNAVAILABLE, 0u) << "page covers the range";
  EXPECT_NE(info.rgstate[3] & STATE_SYSTEM_INVISIBLE, 0u);

  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  si.nMax = 99;
  si.nPage = 50;
  si.nPos = 25;
  SendMessage(h, SBM_SETSCROLLINFO, 1, reinterpret_cast<LPARAM>(&si));
  SendMessage(h, SBM_GETSCROLLBARINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.dxyLineButton, 17);
  EXPECT_EQ(info.xyThumbTop, 17 + 21);  // thumb 83 * 50 / 100 = 41 long, (83 - 41) * 25 / 50 in
  EXPECT_EQ(info.xyThumbBottom, 17 + 21 + 41);
  EXPECT_EQ(info.rgstate[0], 0u);
  // Disabled arrows refuse presses.
  EXPECT_EQ(SendMessage(h, SBM_ENABLE_ARROWS, ESB_DISABLE_UP, 0), 1);
  Down(h, 8, 5);
  Up(h, 8, 5);
  EXPECT_TRUE(Notes.empty());
  Down(h, 8, 112);
  Up(h, 8, 112);
  EXPECT_EQ(Sent(), (Codes{SB_LINEDOWN, SB_ENDSCROLL}));
  Pump();
  // The look: track in clScrollBar, a raised thumb in clBtnFace.
  EXPECT_EQ(PixelOf(h, 8, 25), Rgb(clScrollBar));
  EXPECT_EQ(PixelOf(h, 8, 55), Rgb(clBtnFace));
  EXPECT_EQ(PixelOf(h, 1, 50), Rgb(clBtnHighlight)) << "raised thumb";
  EXPECT_EQ(PixelOf(h, 15, 50), Rgb(clBtnShadow));
}

TEST_F(StdScrollBar, ScrollFunctionsWithSbCtlReachTheControl) {
  ShowForm();
  HWND h = Native(SBS_HORZ, 150, 17);
  std::vector<uint32_t> seen;
  WNDPROC inner = reinterpret_cast<WNDPROC>(GetWindowLong(h, GWL_WNDPROC));
  static std::vector<uint32_t>* log = nullptr;
  static WNDPROC next = nullptr;
  log = &seen;
  next = inner;
  SetWindowLong(h, GWL_WNDPROC, reinterpret_cast<intptr_t>(+[](HWND w, uint32_t m, WPARAM wp, LPARAM lp) -> LRESULT {
                  if (m >= SBM_SETPOS && m <= SBM_GETSCROLLBARINFO) log->push_back(m);
                  return CallWindowProc(next, w, m, wp, lp);
                }));
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  si.nMin = 0;
  si.nMax = 99;
  si.nPage = 10;
  si.nPos = 95;
  EXPECT_EQ(SetScrollInfo(h, SB_CTL, &si, true), 90);
  EXPECT_EQ(SendMessage(h, SBM_GETPOS, 0, 0), 90);
  EXPECT_EQ(SetScrollPos(h, SB_CTL, 40, true), 90) << "the old position";
  EXPECT_EQ(GetScrollPos(h, SB_CTL), 40);
  EXPECT_TRUE(SetScrollRange(h, SB_CTL, 10, 60, false));
  int32_t lo = -1, hi = -1;
  EXPECT_TRUE(GetScrollRange(h, SB_CTL, &lo, &hi));
  EXPECT_EQ(lo, 10);
  EXPECT_EQ(hi, 60);
  SCROLLINFO got;
  got.fMask = SIF_ALL;
  EXPECT_TRUE(GetScrollInfo(h, SB_CTL, &got));
  EXPECT_EQ(got.nMin, 10);
  EXPECT_EQ(got.nMax, 60);
  EXPECT_EQ(got.nPage, 10u);
  EXPECT_EQ(got.nPos, 40);
  EXPECT_EQ(seen, (std::vector<uint32_t>{SBM_SETSCROLLINFO, SBM_GETPOS, SBM_SETPOS, SBM_GETPOS, SBM_SETRANGE,
                                         SBM_GETRANGE, SBM_GETSCROLLINFO}));
  EXPECT_EQ(GetWindowLong(Form->Handle(), GWL_STYLE) & (WS_HSCROLL | WS_VSCROLL), 0)
      << "the window bars of the control stay untouched";
  SetWindowLong(h, GWL_WNDPROC, reinterpret_cast<intptr_t>(inner));
  log = nullptr;
}

TEST_F(StdScrollBar, TheParentColoursTheTrack) {
  ShowForm();
  HWND h = Native(SBS_VERT, 17, 117);
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  si.nMin = 0;
  si.nMax = 99;
  si.nPage = 50;
  si.nPos = 25;
  SetScrollInfo(h, SB_CTL, &si, true);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  HBRUSH answer = nullptr;
  int asked = 0;
  TWndMethod outer = Form->WindowProc;
  Form->WindowProc = [&](TMessage& M) {
    if (M.Msg == WM_CTLCOLORSCROLLBAR && reinterpret_cast<HWND>(M.LParam) == h) {
      ++asked;
      if (answer != nullptr) {
        M.Result = reinterpret_cast<LRESULT>(answer);
        return;
      }
    }
    outer(M);
  };
  const struct {
    HBRUSH Answer;
    TColor Track;
  } cases[] = {{nullptr, Rgb(clScrollBar)}, {red, TColor(RGB(255, 0, 0))}};
  for (const auto& c : cases) {
    answer = c.Answer;
    asked = 0;
    InvalidateRect(h, nullptr, false);
    Pump();
    EXPECT_GT(asked, 0);
    EXPECT_EQ(PixelOf(h, 8, 25), c.Track);
    EXPECT_EQ(PixelOf(h, 8, 55), Rgb(clBtnFace)) << "the thumb keeps its face";
  }
  Form->WindowProc = outer;
  DeleteObject(red);
  // The framework bar answers with its Color, clScrollBar unless changed.
  auto* bar = new TScrollBar(Form.get());
  bar->SetParent(Form.get());
  bar->SetBounds(100, 10, 150, 17);
  bar->SetPageSize(10);
  Pump();
  EXPECT_EQ(bar->Color(), clScrollBar);
  EXPECT_EQ(PixelOf(bar->Handle(), 100, 8), Rgb(clScrollBar));
  bar->SetColor(clRed);
  Pump();
  EXPECT_EQ(PixelOf(bar->Handle(), 100, 8), TColor(RGB(255, 0, 0)));
}

TEST_F(StdScrollBar, FrameworkThumbDragAndPagePressFollowTheParentProtocol) {
  auto* sb = new TScrollBar(Form.get());
  sb->SetParent(Form.get());
  sb->SetBounds(10, 10, 200, 17);
  sb->SetLargeChange(10);
  std::vector<std::pair<TScrollCode, int32_t>> scrolls;
  int changes = 0;
  sb->OnScroll = [&](TObject*, TScrollCode c, int32_t& p) { scrolls.push_back({c, p}); };
  sb->OnChange = [&](TObject*) { ++changes; };
  ShowForm();
  HWND h = sb->Handle();
  // Thumb: 17 long at 17 .. 34; the room is 200 - 34 - 17 = 149 pixels.
  Down(h, 20, 8);
  Move(h, 20 + 75, 8);
  Move(h, 20 + 149, 8);
  Move(h, 20 + 400, 8);  // beyond the end: stays at the maximum
  Up(h, 20 + 400, 8);
  EXPECT_EQ(Sent(), (Codes{SB_THUMBTRACK, SB_THUMBTRACK, SB_THUMBPOSITION, SB_ENDSCROLL}));
  using S = TScrollCode;
  const std::vector<std::pair<TScrollCode, int32_t>> expect = {
      {S::scTrack, 50}, {S::scTrack, 100}, {S::scPosition, 100}, {S::scEndScroll, 100}};
  EXPECT_EQ(scrolls, expect);
  EXPECT_EQ(sb->Position(), 100);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(SendMessage(h, SBM_GETPOS, 0, 0), 100);

  // A held press on the page area left of the thumb pages until the thumb
  // reaches the pointer, then stops.
  Notes.clear();
  scrolls.clear();
  Down(h, 40, 8);
  H().AdvanceClock(2000);
  Pump();
  Up(h, 40, 8);
  EXPECT_EQ(sb->Position(), 10) << "the thumb (at 17 + 149 * pos / 100) covers x = 40";
  Codes pages(Notes.size() - 1, SB_PAGEUP);
  pages.push_back(SB_ENDSCROLL);
  EXPECT_EQ(Sent(), pages);
  EXPECT_EQ(Notes.size(), 10u) << "nine pages from 100 to 10";
}

TEST_F(StdScrollBar, FrameworkSettersEventsAndRecreation) {
  auto* sb = new TScrollBar(Form.get());
  sb->SetParent(Form.get());
  int changes = 0;
  sb->OnChange = [&](TObject*) { ++changes; };
  sb->SetParams(30, 0, 200);
  sb->SetPosition(30);
  EXPECT_EQ(changes, 1) << "only a real change";
  sb->SetPageSize(50);
  sb->SetPosition(500);
  EXPECT_EQ(sb->Position(), 151);
  EXPECT_EQ(changes, 2);
  EXPECT_THROW(sb->SetParams(0, 10, 5), EInvalidOperation);
  ShowForm();  // creation applies the stored values and fires nothing
  EXPECT_EQ(changes, 2);
  SCROLLINFO si;
  si.fMask = SIF_ALL;
  SendMessage(sb->Handle(), SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(&si));
  EXPECT_EQ(si.nMax, 200);
  EXPECT_EQ(si.nPage, 50u);
  EXPECT_EQ(si.nPos, 151);
  const int32_t w = sb->Width(), hgt = sb->Height();
  sb->SetKind(TScrollBarKind::sbVertical);
  EXPECT_EQ(sb->Width(), hgt);
  EXPECT_EQ(sb->Height(), w);
  EXPECT_NE(GetWindowLong(sb->Handle(), GWL_STYLE) & SBS_VERT, 0);
  EXPECT_EQ(SendMessage(sb->Handle(), SBM_GETPOS, 0, 0), 151);
  EXPECT_EQ(changes, 2);
  sb->SetFocus();
  Press(VK_HOME);
  EXPECT_EQ(sb->Position(), 0);
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(Sent(), (Codes{SB_TOP, SB_ENDSCROLL}));
  EXPECT_EQ(Notes[0].Msg, WM_VSCROLL);
}

// ================================================================================
// Up-down
// ================================================================================

class StdUpDown : public TBarTest {
 public:
  // A "Static" buddy at (10, 10) 60 x 20 and an up-down 16 x 20 bound to it.
  HWND Buddy = nullptr;
  HWND Spin(uint32_t Style) {
    Buddy = Native("Static", 0, 60, 20);
    HWND h = Native("msctls_updown32", UDS_SETBUDDYINT | Style, 16, 20, 100, 10);
    SendMessage(h, UDM_SETBUDDY, reinterpret_cast<WPARAM>(Buddy), 0);
    return h;
  }
};

constexpr uint32_t kDelta = UDN_DELTAPOS;

TEST_F(StdUpDown, HeldArrowStepsRepeatsAndEndsWithEndScroll) {
  ShowForm();
  HWND h = Spin(0);
  EXPECT_EQ(GetWindowTextString(Buddy), "0");
  Down(h, 8, 3);  // the upper half
  const std::vector<TNote> first = {{WM_NOTIFY, kDelta, 0 * 1000 + 1}, {WM_VSCROLL, SB_THUMBPOSITION, 1}};
  EXPECT_EQ(Notes, first);
  EXPECT_EQ(GetWindowTextString(Buddy), "1");
  struct {
    uint64_t Ms;
    int32_t Pos;
  } steps[] = {{499, 1}, {1, 2}, {99, 2}, {1, 3}, {100, 4}, {300, 7}};
  for (const auto& st : steps) {
    H().AdvanceClock(st.Ms);
    Pump();
    EXPECT_EQ(SendMessage(h, UDM_GETPOS32, 0, 0), st.Pos) << "after +" << st.Ms;
  }
  Move(h, 8, 16);  // over the other half: holds still
  H().AdvanceClock(300);
  Pump();
  EXPECT_EQ(SendMessage(h, UDM_GETPOS32, 0, 0), 7);
  Notes.clear();
  Up(h, 8, 16);
  EXPECT_EQ(Notes, (std::vector<TNote>{{WM_VSCROLL, SB_ENDSCROLL, 7}}));
  EXPECT_EQ(GetCapture(), nullptr);
  H().AdvanceClock(1000);
  Pump();
  EXPECT_EQ(SendMessage(h, UDM_GETPOS32, 0, 0), 7);

  // Down half, and a refused step.
  Notes.clear();
  Down(h, 8, 16);
  Up(h, 8, 16);
  EXPECT_EQ(Sent(), (std::vector<uint32_t>{kDelta, SB_THUMBPOSITION, SB_ENDSCROLL}));
  EXPECT_EQ(GetWindowTextString(Buddy), "6");
  Notes.clear();
  Refuse = true;
  Down(h, 8, 3);
  Up(h, 8, 3);
  EXPECT_EQ(Sent(), (std::vector<uint32_t>{kDelta, SB_ENDSCROLL}));
  EXPECT_EQ(GetWindowTextString(Buddy), "6");
}

TEST_F(StdUpDown, PlainLookPushedHalfAndInactiveArrowAtTheLimit) {
  ShowForm();
  HWND h = Spin(0);  // 16 x 20: halves of 10 rows
  SendMessage(h, UDM_SETRANGE32, 0, 5);
  const TRect upper{0, 0, 16, 10}, lower{0, 10, 16, 20};
  const TColor idle = PixelOf(h, 0, 0);
  // An active arrow is drawn in clBtnText, an inactive one embossed.
  EXPECT_GT(CountColor(h, upper, clBtnText), 0);
  EXPECT_EQ(CountColor(h, lower, clBtnText), 0) << "at the minimum the down arrow is inactive";
  Down(h, 8, 3);
  EXPECT_NE(PixelOf(h, 0, 0), idle) << "the held half shows pushed";
  EXPECT_EQ(PixelOf(h, 0, 10), idle);
  Up(h, 8, 3);
  EXPECT_EQ(PixelOf(h, 0, 0), idle);
  EXPECT_GT(CountColor(h, lower, clBtnText), 0);
  SendMessage(h, UDM_SETPOS32, 0, 5);
  Pump();
  EXPECT_EQ(CountColor(h, upper, clBtnText), 0) << "at the maximum the up arrow is inactive";
}

TEST_F(StdUpDown, ClampOrWrapHorizontalAndArrowKeysInTheBuddy) {
  ShowForm();
  struct TCase {
    uint32_t Style;
    std::vector<int32_t> After;  // positions after each of four steps up, then two down
  };
  const TCase cases[] = {
      {0, {1, 2, 2, 2, 1, 0}},
      {UDS_WRAP, {1, 2, 0, 1, 0, 2}},
  };
  for (const TCase& c : cases) {
    HWND h = Spin(c.Style | UDS_ARROWKEYS);
    SendMessage(h, UDM_SETRANGE32, 0, 2);
    SetFocus(Buddy);
    Pump();
    std::vector<int32_t> got;
    for (uint32_t vk : {VK_UP, VK_UP, VK_UP, VK_UP, VK_DOWN, VK_DOWN}) {
      Press(vk);
      got.push_back(int32_t(SendMessage(h, UDM_GETPOS32, 0, 0)));
    }
    EXPECT_EQ(got, c.After) << c.Style;
    DestroyWindow(h);
    DestroyWindow(Buddy);
  }
  // UDS_HORZ: the right half counts up and the parent hears WM_HSCROLL.
  Notes.clear();
  HWND h = Native("msctls_updown32", UDS_HORZ, 32, 16, 10, 60);
  Down(h, 28, 8);
  Up(h, 28, 8);
  Down(h, 28, 8);
  Up(h, 28, 8);
  Down(h, 3, 8);
  Up(h, 3, 8);
  EXPECT_EQ(SendMessage(h, UDM_GETPOS32, 0, 0), 1);
  for (const TNote& n : Notes) EXPECT_TRUE(n.Msg == WM_NOTIFY || n.Msg == WM_HSCROLL) << n.Msg;
}

TEST_F(StdUpDown, BuddyTextThousandsAndReadingItBack) {
  ShowForm();
  HWND h = Spin(0);
  SendMessage(h, UDM_SETRANGE32, WPARAM(-5000), 5000);
  const struct {
    uint32_t Style;
    int32_t Pos;
    const char* Text;
  } cases[] = {{0, 1000, "1,000"}, {0, -1234, "-1,234"}, {0, 999, "999"}, {UDS_NOTHOUSANDS, 1000, "1000"}};
  for (const auto& c : cases) {
    SetWindowLong(h, GWL_STYLE, (GetWindowLong(h, GWL_STYLE) & ~intptr_t(UDS_NOTHOUSANDS)) | intptr_t(c.Style));
    SendMessage(h, UDM_SETPOS32, 0, c.Pos);
    EXPECT_EQ(GetWindowTextString(Buddy), c.Text);
  }
  SetWindowLong(h, GWL_STYLE, GetWindowLong(h, GWL_STYLE) & ~intptr_t(UDS_NOTHOUSANDS));
  // The buddy's text is read first.
  const struct {
    const char* Text;
    int32_t Pos;
    bool Error;
  } reads[] = {{"1,234", 1234, false}, {"42", 42, false}, {"abc", 42, true}, {"99999", 42, true}, {"-7", -7, false}};
  for (const auto& r : reads) {
    SetWindowText(Buddy, r.Text);
    const LRESULT got = SendMessage(h, UDM_GETPOS, 0, 0);
    EXPECT_EQ(int16_t(LOWORD(uintptr_t(got))), r.Pos) << r.Text;
    EXPECT_EQ(HIWORD(uintptr_t(got)) != 0, r.Error) << r.Text;
  }
  // A step starts from what the buddy says.
  SetWindowText(Buddy, "2,000");
  Down(h, 8, 3);
  Up(h, 8, 3);
  EXPECT_EQ(GetWindowTextString(Buddy), "2,001");
  // Hexadecimal.
  EXPECT_EQ(SendMessage(h, UDM_SETBASE, 16, 0), 10);
  SendMessage(h, UDM_SETPOS32, 0, 255);
  EXPECT_EQ(GetWindowTextString(Buddy), "0x00FF");
}

TEST_F(StdUpDown, FrameworkEventsAssociateAndProgrammaticPosition) {
  auto* buddy = new TStaticText(Form.get());
  buddy->SetParent(Form.get());
  buddy->SetAutoSize(false);
  buddy->SetBounds(10, 10, 80, 20);
  auto* ud = new TUpDown(Form.get());
  ud->SetParent(Form.get());
  ud->SetMax(2000);
  ud->SetPosition(1000);
  ud->SetIncrement(5);
  ud->SetAssociate(buddy);
  std::vector<String> log;
  bool allow = true;
  ud->OnChanging = [&](TObject*, bool& a) {
    log.push_back("changing");
    a = allow;
  };
  ud->OnChangingEx = [&](TObject*, bool&, int32_t v, TUpDownDirection d) {
    log.push_back("ex " + std::to_string(v) + (d == TUpDownDirection::updUp ? " up" : " down"));
  };
  ud->OnClick = [&](TObject*, TUDBtnType b) { log.push_back(b == TUDBtnType::btNext ? "next" : "prev"); };
  ShowForm();
  EXPECT_EQ(buddy->Caption(), "1,000") << "Thousands is on by default";
  EXPECT_EQ(ud->Left(), 10 + 80 - ud->Width()) << "aligned at the buddy's right edge";
  EXPECT_EQ(buddy->Width(), 80 - ud->Width());
  EXPECT_TRUE(log.empty()) << "creation fires nothing";
  HWND h = ud->Handle();
  const int32_t half = ud->Height() / 2;
  Down(h, 4, 2);
  Up(h, 4, 2);
  Down(h, 4, half + 2);
  Up(h, 4, half + 2);
  allow = false;
  Down(h, 4, 2);
  Up(h, 4, 2);
  EXPECT_EQ(log,
            (std::vector<String>{"changing", "ex 1005 up", "next", "changing", "ex 1000 down", "prev", "changing"}));
  EXPECT_EQ(ud->Position(), 1000);
  log.clear();
  ud->SetPosition(1500);
  EXPECT_TRUE(log.empty()) << "a programmatic position fires nothing";
  EXPECT_EQ(buddy->Caption(), "1,500");
  ud->SetThousands(false);  // re-creates and keeps the position
  EXPECT_EQ(ud->Position(), 1500);
  EXPECT_EQ(buddy->Caption(), "1500");
  buddy->SetCaption("1700");
  EXPECT_EQ(ud->Position(), 1700) << "read through the buddy";
  delete buddy;
  EXPECT_EQ(ud->Associate(), nullptr);
  EXPECT_EQ(SendMessage(h = ud->Handle(), UDM_GETBUDDY, 0, 0), 0);
}

// ================================================================================
// Track bar
// ================================================================================

// A 150 x 45 horizontal track bar 0 .. 10 with a 20-pixel thumb: value v
// sits at x = 9 + 131 * v / 10, the thumb 11 wide over y 2 .. 21, its point
// down to y 21, the channel at y 10 .. 13, ticks from y 23.
class StdTrackBar : public TBarTest {
 public:
  void SetUp() override {
    TBarTest::SetUp();
    Bar = new TTrackBar(Form.get());
    Bar->SetParent(Form.get());
    Bar->SetBounds(10, 10, 150, 45);
    Bar->OnChange = [this](TObject*) { Changes.push_back(Bar->Position()); };
  }
  TTrackBar* Bar = nullptr;
  std::vector<int32_t> Changes;
};

TEST_F(StdTrackBar, KeysMoveByLineAndPageThenEndTrack) {
  ShowForm();
  Bar->SetFocus();
  Pump();
  const struct {
    uint32_t Vk;
    uint32_t Code;
    int32_t Pos;
  } keys[] = {{VK_RIGHT, TB_LINEDOWN, 1}, {VK_NEXT, TB_PAGEDOWN, 3},   {VK_DOWN, TB_LINEDOWN, 4},
              {VK_LEFT, TB_LINEUP, 3},    {VK_PRIOR, TB_PAGEUP, 1},    {VK_PRIOR, TB_PAGEUP, 0},
              {VK_END, TB_BOTTOM, 10},    {VK_RIGHT, TB_LINEDOWN, 10}, {VK_HOME, TB_TOP, 0}};
  for (const auto& k : keys) {
    Notes.clear();
    Press(k.Vk);
    EXPECT_EQ(Sent(), (std::vector<uint32_t>{k.Code, TB_ENDTRACK})) << k.Vk;
    EXPECT_EQ(Notes.front().Msg, WM_HSCROLL);
    EXPECT_EQ(Bar->Position(), k.Pos) << k.Vk;
  }
  EXPECT_EQ(Changes, (std::vector<int32_t>{1, 3, 4, 3, 1, 0, 10, 0})) << "only real changes";
}

TEST_F(StdTrackBar, ChannelPressPagesOnTheClockUntilTheThumbArrives) {
  ShowForm();
  HWND h = Bar->Handle();
  Down(h, 130, 12);
  EXPECT_EQ(Bar->Position(), 2);
  EXPECT_EQ(GetFocus(), h);
  struct {
    uint64_t Ms;
    int32_t Pos;
  } steps[] = {{499, 2}, {1, 4}, {50, 6}, {50, 8}, {50, 10}, {500, 10}};
  for (const auto& st : steps) {
    H().AdvanceClock(st.Ms);
    Pump();
    EXPECT_EQ(Bar->Position(), st.Pos) << "+" << st.Ms;
  }
  Up(h, 130, 12);
  EXPECT_EQ(Sent(),
            (std::vector<uint32_t>{TB_PAGEDOWN, TB_PAGEDOWN, TB_PAGEDOWN, TB_PAGEDOWN, TB_PAGEDOWN, TB_ENDTRACK}));
  // And back: a press left of the thumb pages up.
  Notes.clear();
  Down(h, 60, 12);
  Up(h, 60, 12);
  EXPECT_EQ(Sent(), (std::vector<uint32_t>{TB_PAGEUP, TB_ENDTRACK}));
  EXPECT_EQ(Bar->Position(), 8);
}

TEST_F(StdTrackBar, ThumbDragTracksThenReportsThePosition) {
  ShowForm();
  HWND h = Bar->Handle();
  TRect thumb;
  SendMessage(h, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
  EXPECT_EQ(thumb, (TRect{4, 2, 15, 22}));
  Down(h, 9, 8);
  Move(h, 75, 30);  // off the bar across: the drag goes on
  Move(h, 76, 8);
  Move(h, 400, 8);
  Up(h, 400, 8);
  const std::vector<TNote> expect = {{WM_HSCROLL, TB_THUMBTRACK, 5},
                                     {WM_HSCROLL, TB_THUMBTRACK, 10},
                                     {WM_HSCROLL, TB_THUMBPOSITION, 10},
                                     {WM_HSCROLL, TB_ENDTRACK, 0}};
  EXPECT_EQ(Notes, expect);
  EXPECT_EQ(Changes, (std::vector<int32_t>{5, 10}));
}

TEST_F(StdTrackBar, ProgrammaticValuesLookAndRecreation) {
  Bar->SetMax(20);
  Bar->SetPosition(15);
  Bar->SetPosition(15);
  Bar->SetPosition(99);
  EXPECT_EQ(Changes, (std::vector<int32_t>{15, 20}));
  Bar->SetSelStart(5);
  Bar->SetSelEnd(10);
  Bar->SetFrequency(5);
  Changes.clear();
  ShowForm();
  HWND h = Bar->Handle();
  EXPECT_TRUE(Changes.empty()) << "creation fires nothing";
  EXPECT_EQ(SendMessage(h, TBM_GETPOS, 0, 0), 20);
  EXPECT_EQ(SendMessage(h, TBM_GETRANGEMAX, 0, 0), 20);
  EXPECT_EQ(SendMessage(h, TBM_GETSELEND, 0, 0), 10);
  EXPECT_EQ(SendMessage(h, TBM_GETNUMTICS, 0, 0), 5) << "0, 5, 10, 15, 20";
  EXPECT_EQ(SendMessage(h, TBM_GETPAGESIZE, 0, 0), 2);
  EXPECT_EQ(SendMessage(h, TBM_GETLINESIZE, 0, 0), 1);
  EXPECT_EQ(SendMessage(h, TBM_GETTHUMBLENGTH, 0, 0), 20);
  SendMessage(h, TBM_SETPOS, 1, 4);
  Pump();
  EXPECT_TRUE(Notes.empty()) << "TBM_SETPOS notifies nothing";
  EXPECT_TRUE(Changes.empty());

  // Look: a sunken channel, white inside, the selection in clHighlight, ticks
  // in clWindowText, the raised thumb on clBtnFace.
  const int32_t x5 = 9 + 131 * 5 / 20, x10 = 9 + 131 * 10 / 20, x4 = 9 + 131 * 4 / 20;
  EXPECT_EQ(PixelOf(h, 130, 10), Rgb(clBtnShadow)) << "channel top edge";
  EXPECT_EQ(PixelOf(h, 130, 12), Rgb(clWindow));
  EXPECT_EQ(PixelOf(h, (x5 + x10) / 2 + 8, 12), Rgb(clHighlight));
  EXPECT_EQ(PixelOf(h, x5, 24), Rgb(clWindowText)) << "tick";
  EXPECT_EQ(PixelOf(h, x5 + 3, 24), Rgb(clBtnFace));
  EXPECT_EQ(PixelOf(h, x4, 8), Rgb(clBtnFace)) << "thumb face";
  EXPECT_EQ(PixelOf(h, x4 - 4, 8), Rgb(clBtnHighlight)) << "thumb's light left side";
  EXPECT_EQ(PixelOf(h, x4 + 5, 8), Rgb(cl3DDkShadow)) << "thumb's dark right side";
  EXPECT_EQ(PixelOf(h, x4, 20), Rgb(clBtnFace)) << "the point";
  EXPECT_EQ(PixelOf(h, x4 - 5, 21), Rgb(clBtnFace)) << "beside the point";

  Bar->SetOrientation(TTrackBarOrientation::trVertical);
  EXPECT_EQ(Bar->Width(), 45);
  EXPECT_EQ(Bar->Height(), 150);
  EXPECT_EQ(SendMessage(Bar->Handle(), TBM_GETPOS, 0, 0), 4);
  EXPECT_EQ(SendMessage(Bar->Handle(), TBM_GETSELSTART, 0, 0), 5);
  Bar->SetFocus();
  Pump();
  Notes.clear();
  Press(VK_DOWN);
  EXPECT_EQ(Notes.front(), (TNote{WM_VSCROLL, TB_LINEDOWN, 0}));
  EXPECT_EQ(Bar->Position(), 5);
}

}  // namespace
