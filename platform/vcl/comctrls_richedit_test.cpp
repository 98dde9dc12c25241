#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/gui/win_paint.h"
#include "platform/gui/win_scrollbars.h"
#include "platform/vcl/comctrls_richedit.h"
#include "platform/vcl/stdctrls_testing.h"

namespace {

class ComRichEditTest : public TStdTest {
 public:
  void SetUp() override {
    TStdTest::SetUp();
    Inner = Form->WindowProc;
    Form->WindowProc = [this](TMessage& M) {
      if (M.Msg == WM_NOTIFY) {
        const auto* nm = reinterpret_cast<const SELCHANGE*>(M.LParam);
        if (nm->nmhdr.code == EN_SELCHANGE)
          Sel.push_back(std::to_string(nm->chrg.cpMin) + "-" + std::to_string(nm->chrg.cpMax) + " " +
                        std::to_string(nm->seltyp));
      }
      if (M.Msg == WM_CTLCOLOREDIT && GreenParent) {
        static HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
        M.Result = reinterpret_cast<LRESULT>(green);
        return;
      }
      Inner(M);
    };
  }
  void TearDown() override {
    Form->WindowProc = Inner;
    TStdTest::TearDown();
  }
  HWND Native(uint32_t Style, const char* Text = "") {
    RegisterRichEditClass();
    HWND h = CreateWindowEx(0, "RICHEDIT50W", Text, WS_CHILD | WS_VISIBLE | ES_MULTILINE | Style, 10, 10, 200, 100,
                            Form->Handle(), reinterpret_cast<HMENU>(intptr_t(910)), nullptr, nullptr);
    Pump();
    return h;
  }
  static uint32_t BarState(HWND h) {
    SCROLLBARINFO sbi;
    GetScrollBarInfo(h, OBJID_VSCROLL, &sbi);
    return sbi.rgstate[0];
  }
  static String ManyLines(int32_t N) {
    String s;
    for (int32_t i = 0; i < N; ++i) s += (i ? "\r\n" : "") + std::string("line ") + std::to_string(i);
    return s;
  }

  TWndMethod Inner;
  std::vector<String> Sel;
  bool GreenParent = false;
};

TEST_F(ComRichEditTest, ScrollInformationAndTheInvisibleState) {
  ShowForm();
  auto* re = new TRichEdit(Form.get());
  re->SetParent(Form.get());
  re->SetBounds(10, 10, 200, 100);
  re->SetScrollBars(TScrollStyle::ssVertical);
  re->SetText("short");
  Pump();
  // Not needed: reported invisible.
  EXPECT_NE(BarState(re->Handle()) & STATE_SYSTEM_INVISIBLE, 0u);
  re->SetText(ManyLines(30));
  Pump();
  EXPECT_EQ(BarState(re->Handle()) & STATE_SYSTEM_INVISIBLE, 0u);
  SCROLLINFO si;
  si.fMask = SIF_ALL;
  GetScrollInfo(re->Handle(), SB_VERT, &si);
  EXPECT_EQ(si.nMin, 0);
  EXPECT_EQ(si.nMax, 29);
  EXPECT_GT(si.nPage, 1u);
  EXPECT_LT(si.nPage, 30u);
  // The skinned bar of a descendant scrolls by WM_VSCROLL.
  re->Perform(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 7), 0);
  EXPECT_EQ(re->Perform(EM_GETFIRSTVISIBLELINE, 0, 0), 7);
  GetScrollInfo(re->Handle(), SB_VERT, &si);
  EXPECT_EQ(si.nPos, 7);
  re->Perform(WM_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(re->Perform(EM_GETFIRSTVISIBLELINE, 0, 0), 8);

  // HideScrollBars False: the unneeded bar stays, disabled.
  re->SetHideScrollBars(false);
  re->SetText("short");
  Pump();
  const uint32_t state = BarState(re->Handle());
  EXPECT_EQ(state & STATE_SYSTEM_INVISIBLE, 0u);
  EXPECT_NE(state & STATE_SYSTEM_UNAVAILABLE, 0u);
  // The style bit is no ES_NUMBER to the engine: letters still go in.
  re->SetFocus();
  re->Perform(EM_SETSEL, 0, -1);
  H().TypeText("abc");
  Pump();
  EXPECT_EQ(re->Text(), "abc");
}

TEST_F(ComRichEditTest, BackgroundAndCharacterFormatFromTheirMessages) {
  GreenParent = true;  // a parent's WM_CTLCOLOREDIT answer is not used
  ShowForm();
  HWND h = Native(0, "WWWWWW");
  EXPECT_EQ(PixelOf(h, 190, 90), Rgb(clWindow));
  EXPECT_EQ(SendMessage(h, EM_SETBKGNDCOLOR, 0, LPARAM(RGB(255, 255, 0))), LRESULT(ColorToRGB(clWindow)));
  CHARFORMAT cf;
  cf.dwMask = CFM_COLOR | CFM_BOLD | CFM_SIZE;
  cf.dwEffects = CFE_BOLD;
  cf.crTextColor = RGB(255, 0, 0);
  cf.yHeight = 20 * 20;  // 20 points
  EXPECT_EQ(SendMessage(h, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf)), 1);
  Pump();
  EXPECT_EQ(PixelOf(h, 190, 90), TColor(RGB(255, 255, 0)));
  EXPECT_GT(CountColor(h, TRect{0, 0, 200, 40}, TColor(RGB(255, 0, 0))), 20);
  EXPECT_EQ(CountColor(h, TRect{0, 0, 200, 100}, TColor(RGB(0, 255, 0))), 0);

  // The format is the whole text's: read back by selection or default alike.
  CHARFORMAT got;
  SendMessage(h, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&got));
  EXPECT_EQ(got.yHeight, 400);
  EXPECT_EQ(got.crTextColor, RGB(255, 0, 0));
  EXPECT_EQ(got.dwEffects & (CFE_BOLD | CFE_ITALIC | CFE_AUTOCOLOR), CFE_BOLD);
  // The line height follows the 20-point (27-pixel) font.
  SendMessage(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("a\r\nb"));
  const int32_t y1 = int16_t(HIWORD(uintptr_t(SendMessage(h, EM_POSFROMCHAR, 3, 0))));
  EXPECT_GE(y1, 27);
  // wParam non-zero returns to the system colour.
  SendMessage(h, EM_SETBKGNDCOLOR, 1, 0);
  Pump();
  EXPECT_EQ(PixelOf(h, 190, 90), Rgb(clWindow));
}

TEST_F(ComRichEditTest, FrameworkColorAndFontGoThroughTheMessages) {
  auto* re = new TRichEdit(Form.get());
  re->SetParent(Form.get());
  re->SetBounds(10, 10, 200, 100);
  re->SetColor(clAqua);
  re->Font()->SetColor(clMaroon);
  re->Font()->SetSize(12);
  re->SetText("MMMM");
  ShowForm();
  EXPECT_EQ(PixelOf(re->Handle(), 150, 80), Rgb(clAqua));
  EXPECT_GT(CountColor(re->Handle(), TRect{0, 0, 100, 30}, Rgb(clMaroon)), 10);
  EXPECT_EQ(re->DefAttributes()->Size(), 12);
  EXPECT_EQ(re->DefAttributes()->Color(), Rgb(clMaroon));
  TFont copy;
  copy.Assign(re->DefAttributes());
  EXPECT_EQ(copy.Size(), 12);
  EXPECT_EQ(copy.Color(), Rgb(clMaroon));
  // Selection attributes are the whole text's.
  re->SelAttributes()->SetStyle(TFontStyles{TFontStyle::fsItalic});
  EXPECT_TRUE(re->DefAttributes()->Style().Contains(TFontStyle::fsItalic));
  re->SetColor(clYellow);
  Pump();
  EXPECT_EQ(PixelOf(re->Handle(), 150, 80), Rgb(clYellow));
  EXPECT_TRUE(re->PlainText());
}

TEST_F(ComRichEditTest, SelChangeAndChangeOnlyWithTheirMask) {
  ShowForm();
  HWND h = Native(0, "hello");
  struct TStep {
    const char* Name;
    uint32_t Mask;
    std::function<void()> Act;
    std::vector<String> Sel;
    std::vector<uint32_t> Commands;
  };
  const TStep steps[] = {
      {"no mask", ENM_NONE, [&] { SendMessage(h, EM_SETSEL, 1, 3); }, {}, {}},
      {"EM_SETSEL", ENM_SELCHANGE, [&] { SendMessage(h, EM_SETSEL, 0, 2); }, {"0-2 1"}, {}},
      {"same selection again", ENM_SELCHANGE, [&] { SendMessage(h, EM_SETSEL, 0, 2); }, {}, {}},
      {"EM_EXSETSEL",
       ENM_SELCHANGE,
       [&] {
         CHARRANGE r{4, 4};
         EXPECT_EQ(SendMessage(h, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&r)), 4);
       },
       {"4-4 0"},
       {}},
      {"caret key",
       ENM_SELCHANGE,
       [&] {
         SetFocus(h);
         Press(VK_RIGHT);
       },
       {"5-5 0"},
       {}},
      {"typing without ENM_CHANGE",
       ENM_SELCHANGE,
       [&] {
         H().TypeText("!");
         Pump();
       },
       {"6-6 0"},
       {}},
      {"typing with ENM_CHANGE",
       ENM_CHANGE,
       [&] {
         H().TypeText("?");
         Pump();
       },
       {},
       {EN_CHANGE}},
  };
  for (const TStep& s : steps) {
    SendMessage(h, EM_SETEVENTMASK, 0, LPARAM(s.Mask));
    Sel.clear();
    Form->Notes.clear();
    s.Act();
    EXPECT_EQ(Sel, s.Sel) << s.Name;
    std::vector<uint32_t> cmds;
    for (uint32_t c : Form->Codes(h))
      if (c != EN_SETFOCUS && c != EN_KILLFOCUS) cmds.push_back(c);
    EXPECT_EQ(cmds, s.Commands) << s.Name;
  }
  CHARRANGE r;
  SendMessage(h, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(r.cpMin, 7);
  EXPECT_EQ(r.cpMax, 7);
  EXPECT_EQ(GetWindowTextString(h), "hello!?");
}

TEST_F(ComRichEditTest, FrameworkEvents) {
  auto* re = new TRichEdit(Form.get());
  re->SetParent(Form.get());
  re->SetBounds(10, 10, 200, 100);
  re->SetText("abc");
  std::vector<String> log;
  re->OnSelectionChange = [&](TObject*) { log.push_back("sel " + std::to_string(re->SelStart())); };
  re->OnChange = [&](TObject*) { log.push_back("change"); };
  ShowForm();
  re->SetFocus();
  log.clear();
  re->SetSelStart(1);
  Press(VK_RIGHT);
  H().TypeText("x");
  Pump();
  EXPECT_EQ(log, (std::vector<String>{"sel 1", "sel 2", "change", "sel 3"}));
  EXPECT_EQ(re->Lines()->Strings(0), "abxc");
}

}  // namespace
