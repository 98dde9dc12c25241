#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "platform/gui/win_clipboard.h"
#include "platform/gui/win_scrollbars.h"
#include "platform/vcl/drawframe.h"
#include "platform/vcl/stdctrls.h"
#include "platform/vcl/stdctrls_testing.h"

namespace {

using Codes = std::vector<uint32_t>;

String ClipText() {
  String r;
  if (!OpenClipboard(nullptr)) return r;
  if (HGLOBAL mem = GetClipboardData(CF_TEXT)) {
    r = static_cast<const char*>(GlobalLock(mem));
    GlobalUnlock(mem);
  }
  CloseClipboard();
  return r;
}

void SetClip(const String& Text) {
  OpenClipboard(nullptr);
  EmptyClipboard();
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, Text.size() + 1);
  std::memcpy(GlobalLock(mem), Text.c_str(), Text.size() + 1);
  GlobalUnlock(mem);
  SetClipboardData(CF_TEXT, mem);
  CloseClipboard();
}

class StdEdit : public TStdTest {
 public:
  void SetUp() override {
    TStdTest::SetUp();
    Edit = new TEdit(Form.get());
    Edit->SetParent(Form.get());
    Edit->SetBounds(10, 10, 200, 21);
    Edit->OnChange = [this](TObject*) { ++Changes; };
    Other = new TEdit(Form.get());
    Other->SetParent(Form.get());
    Other->SetBounds(10, 50, 200, 21);
    ShowForm();
    Edit->SetFocus();
    Pump();
  }
  void Type(const String& Text) {
    H().TypeText(Text);
    Pump();
  }
  std::pair<int32_t, int32_t> Sel() { return {Edit->SelStart(), Edit->SelLength()}; }

  TEdit* Edit = nullptr;
  TEdit* Other = nullptr;
  int Changes = 0;
};

TEST_F(StdEdit, TypingSelectionAndWordKeys) {
  struct TStep {
    std::function<void(StdEdit&)> Do;
    String Text;
    int32_t SelStart, SelLength;
  };
  auto key = [](uint32_t vk, uint32_t mods = 0) { return [vk, mods](StdEdit& t) { t.Press(vk, mods); }; };
  auto type = [](const char* s) { return [s](StdEdit& t) { t.Type(s); }; };
  const std::vector<TStep> steps = {
      {type("one two three"), "one two three", 13, 0},
      {key(VK_LEFT, hkCtrl), "one two three", 8, 0},
      {key(VK_LEFT, hkCtrl), "one two three", 4, 0},
      {key(VK_RIGHT, hkCtrl | hkShift), "one two three", 4, 4},
      {key(VK_LEFT), "one two three", 4, 0},  // collapses to the start
      {key(VK_END, hkShift), "one two three", 4, 9},
      {key(VK_BACK), "one ", 4, 0},
      {key(VK_HOME), "one ", 0, 0},
      {key(VK_DELETE), "ne ", 0, 0},
      {key('A', hkCtrl), "ne ", 0, 3},
      {key('C', hkCtrl), "ne ", 0, 3},
      {key('X', hkCtrl), "", 0, 0},
      {key('V', hkCtrl), "ne ", 3, 0},
      {key('V', hkCtrl), "ne ne ", 6, 0},
      {key(VK_LEFT, hkShift), "ne ne ", 5, 1},
      {key(VK_DELETE, hkShift), "ne ne", 5, 0},  // Shift+Delete cuts the blank
      {key(VK_HOME), "ne ne", 0, 0},
      {key(VK_INSERT, hkShift), " ne ne", 1, 0},
      {key(VK_RIGHT, hkShift), " ne ne", 1, 1},
      {key(VK_INSERT, hkCtrl), " ne ne", 1, 1},
      {key('Z', hkCtrl), "ne ne", 0, 0},  // undoes the paste
  };
  for (size_t i = 0; i < steps.size(); ++i) {
    steps[i].Do(*this);
    EXPECT_EQ(Edit->Text(), steps[i].Text) << "step " << i;
    EXPECT_EQ(Sel(), std::make_pair(steps[i].SelStart, steps[i].SelLength)) << "step " << i;
  }
  EXPECT_EQ(ClipText(), "n");
}

TEST_F(StdEdit, ClipboardLimitsNumbersAndPasswords) {
  SetClip("first\r\nsecond");
  Press('V', hkCtrl);
  EXPECT_EQ(Edit->Text(), "first") << "a single-line paste stops at the line break";

  Edit->SetText("");
  Edit->SetMaxLength(4);
  Form->Notes.clear();
  Type("abcdef");
  EXPECT_EQ(Edit->Text(), "abcd");
  const Codes codes = Form->Codes(Edit->Handle());
  EXPECT_EQ(std::count(codes.begin(), codes.end(), EN_MAXTEXT), 2);
  SetClip("xyz");
  Press(VK_HOME);
  Press(VK_DELETE);
  Press('V', hkCtrl);
  EXPECT_EQ(Edit->Text(), "xbcd") << "an insertion is cut at the limit";
  Edit->SetMaxLength(0);

  auto* number = new TEdit(Form.get());
  number->SetParent(Form.get());
  number->SetTop(100);
  SetWindowLong(number->Handle(), GWL_STYLE, GetWindowLong(number->Handle(), GWL_STYLE) | ES_NUMBER);
  number->SetFocus();
  H().ClearBeeps();
  Type("1a2");
  EXPECT_EQ(number->Text(), "12");
  EXPECT_EQ(H().Beeps().size(), 1u);

  auto* secret = new TEdit(Form.get());
  secret->SetParent(Form.get());
  secret->SetTop(140);
  secret->SetPasswordChar(U'*');
  secret->SetText("hidden");
  secret->SetFocus();
  Pump();
  SetClip("before");
  Press('A', hkCtrl);
  Press('C', hkCtrl);
  Press('X', hkCtrl);
  Press(VK_INSERT, hkCtrl);
  EXPECT_EQ(ClipText(), "before");
  EXPECT_EQ(secret->Text(), "hidden") << "no cut from a password edit";
  EXPECT_EQ(secret->Perform(EM_GETPASSWORDCHAR, 0, 0), LRESULT('*'));
}

TEST_F(StdEdit, UndoSequence) {
  Type("abc");
  Press(VK_LEFT);
  Type("d");
  EXPECT_EQ(Edit->Text(), "abdc");
  EXPECT_TRUE(Edit->CanUndo());
  Edit->Undo();
  EXPECT_EQ(Edit->Text(), "abc") << "the caret move started a new operation";
  Edit->Undo();
  EXPECT_EQ(Edit->Text(), "abdc") << "undo twice redoes";
  Press(VK_BACK);
  Press(VK_BACK);
  Type("x");
  Press('Z', hkCtrl);
  EXPECT_EQ(Edit->Text(), "abdc") << "typing and deleting at the caret are one operation";
  Edit->Perform(EM_REPLACESEL, 1, reinterpret_cast<LPARAM>("R"));
  Edit->Undo();
  EXPECT_EQ(Edit->Text(), "abdc");
  Edit->Perform(WM_SETTEXT, 0, reinterpret_cast<LPARAM>("new"));
  EXPECT_FALSE(Edit->CanUndo()) << "WM_SETTEXT empties the buffer";
  Type("z");
  Edit->ClearUndo();
  EXPECT_FALSE(Edit->CanUndo());
  Edit->SetReadOnly(true);
  Type("q");
  Press(VK_BACK);
  EXPECT_EQ(Edit->Text(), "znew");
  Edit->Perform(EM_REPLACESEL, 0, reinterpret_cast<LPARAM>("!"));
  EXPECT_EQ(Edit->Text(), "z!new") << "EM_REPLACESEL works while read-only";
}

TEST_F(StdEdit, ChangeNotificationCounts) {
  struct TCase {
    const char* Name;
    std::function<void()> Do;
    int Expected;
  };
  const TCase cases[] = {
      {"typing two characters", [&] { Type("ab"); }, 2},
      {"Text with a new value", [&] { Edit->SetText("xy"); }, 1},
      {"Text with the same value", [&] { Edit->SetText("xy"); }, 0},
      {"WM_SETTEXT with equal text", [&] { Edit->Perform(WM_SETTEXT, 0, reinterpret_cast<LPARAM>("xy")); }, 1},
      {"EM_REPLACESEL", [&] { Edit->SetSelText("!"); }, 1},
      {"RecreateWnd",
       [&] {
         Edit->SetPasswordChar(U'#');
         Pump();
       },
       0},
      {"a caret move", [&] { Press(VK_LEFT); }, 0},
  };
  for (const TCase& c : cases) {
    Changes = 0;
    c.Do();
    EXPECT_EQ(Changes, c.Expected) << c.Name;
  }
  EXPECT_EQ(Edit->Text(), "!xy") << "re-creation keeps the text (WM_SETTEXT put the caret first)";
  // Creation fires nothing.
  int created = 0;
  auto* late = new TEdit(Form.get());
  late->SetText("start");
  late->OnChange = [&](TObject*) { ++created; };
  late->SetParent(Form.get());
  Pump();
  EXPECT_TRUE(late->HandleAllocated());
  EXPECT_EQ(created, 0);
  EXPECT_EQ(GetWindowTextString(late->Handle()), "start");
}

TEST_F(StdEdit, UnicodePositionsAreBytesOnCharacterStarts) {
  Type(
      "a\xC3\xA9\xF0\x9D\x84\x9E"
      "b");
  EXPECT_EQ(Edit->Text(),
            "a\xC3\xA9\xF0\x9D\x84\x9E"
            "b");
  EXPECT_EQ(Sel(), std::make_pair(8, 0));
  std::vector<int32_t> stops;
  for (int i = 0; i < 4; ++i) {
    Press(VK_LEFT);
    stops.push_back(Edit->SelStart());
  }
  EXPECT_EQ(stops, (std::vector<int32_t>{7, 3, 1, 0}));
  Edit->Perform(EM_SETSEL, 2, 5);
  EXPECT_EQ(Sel(), std::make_pair(1, 2)) << "positions inside a character move to its start";
  Press(VK_END);
  Press(VK_LEFT, hkShift);
  Press(VK_LEFT, hkShift);
  EXPECT_EQ(Sel(), std::make_pair(3, 5));
  Press(VK_BACK);
  EXPECT_EQ(Edit->Text(), "a\xC3\xA9");
}

TEST_F(StdEdit, MouseClickDragDoubleClickAndShiftClick) {
  Edit->SetText("alpha beta gamma");
  Pump();
  auto xOf = [&](int32_t pos) { return int32_t(int16_t(LOWORD(Edit->Perform(EM_POSFROMCHAR, WPARAM(pos), 0)))); };
  ClickAt(Edit, xOf(6) + 1, 5);
  EXPECT_EQ(Sel(), std::make_pair(6, 0));
  TPoint a = At(Edit, xOf(6), 5), b = At(Edit, xOf(10), 5);
  Clock().Advance(1000);
  H().MouseDown(a.X, a.Y);
  H().MouseMove(b.X, b.Y);
  H().MouseUp(b.X, b.Y);
  Pump();
  EXPECT_EQ(Sel(), std::make_pair(6, 4));
  EXPECT_EQ(Edit->SelText(), "beta");
  Clock().Advance(1000);
  TPoint g = At(Edit, xOf(12), 5);
  H().DoubleClick(g.X, g.Y);
  Pump();
  EXPECT_EQ(Edit->SelText(), "gamma");
  ClickAt(Edit, xOf(0), 5);
  Clock().Advance(1000);
  H().PressKey(VK_SHIFT);  // state only
  TPoint s = At(Edit, xOf(5), 5);
  H().KeyDown(VK_SHIFT);
  H().Click(s.X, s.Y);
  H().KeyUp(VK_SHIFT);
  Pump();
  EXPECT_EQ(Sel(), std::make_pair(0, 5));
}

// A subclass that refuses clipboard changes, the way skinned editors do.
TEST_F(StdEdit, SubclassDroppingClipboardMessagesBlocksKeysAndMenu) {
  Edit->SetText("keep");
  Pump();
  TWndMethod old = Edit->WindowProc;
  Edit->WindowProc = [old](TMessage& M) {
    if (M.Msg == WM_CUT || M.Msg == WM_PASTE || (M.Msg == WM_CHAR && M.WParam == 24)) return;
    old(M);
  };
  SetClip("XX");
  Press('A', hkCtrl);
  Press('X', hkCtrl);
  Press(VK_DELETE, hkShift);
  Press('V', hkCtrl);
  Press(VK_INSERT, hkShift);
  EXPECT_EQ(Edit->Text(), "keep");
  // The context menu's Cut and Paste are messages to the edit too.
  for (const char* accel : {"t", "p"}) {
    H().QueueIdleAction([this, accel] { H().TypeText(accel); });
    Edit->Perform(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Edit->Handle()), MAKELPARAM(-1, -1));
    Pump();
    EXPECT_EQ(Edit->Text(), "keep") << accel;
  }
  // Copy passes.
  H().QueueIdleAction([this] { H().TypeText("c"); });
  Edit->Perform(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Edit->Handle()), MAKELPARAM(-1, -1));
  Pump();
  EXPECT_EQ(ClipText(), "keep");
  Edit->WindowProc = old;
  // Without the subclass the menu's Delete removes the selection.
  H().QueueIdleAction([this] { H().TypeText("d"); });
  Edit->Perform(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Edit->Handle()), MAKELPARAM(-1, -1));
  Pump();
  EXPECT_EQ(Edit->Text(), "");
}

TEST_F(StdEdit, DialogCodesAndLook) {
  EXPECT_EQ(Edit->Perform(WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS | DLGC_HASSETSEL | DLGC_WANTCHARS);
  EXPECT_EQ(Edit->Height(), StdFontHeight(Edit->Font()->Handle()) + 8);
  EXPECT_NE(GetWindowLong(Edit->Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
  Edit->SetText("sel");
  Edit->SelectAll();
  Pump();
  HWND h = Edit->Handle();
  EXPECT_GT(CountColor(h, Rect(0, 0, 40, 17), Rgb(clHighlight)), 0) << "focused: selection shows";
  EXPECT_EQ(PixelOf(h, 150, 8), Rgb(clWindow));
  Other->SetFocus();
  Pump();
  EXPECT_EQ(CountColor(h, Rect(0, 0, 40, 17), Rgb(clHighlight)), 0) << "unfocused: hidden";
  Edit->SetHideSelection(false);
  Pump();
  EXPECT_GT(CountColor(Edit->Handle(), Rect(0, 0, 40, 17), Rgb(clHighlight)), 0) << "ES_NOHIDESEL";
  Edit->SetReadOnly(true);
  Pump();
  EXPECT_EQ(PixelOf(Edit->Handle(), 150, 8), Rgb(clWindow)) << "the framework answers with its Color";
  Edit->Perform(EM_SETSEL, 0, 0);
  Edit->SetEnabled(false);
  Pump();
  EXPECT_GT(CountColor(Edit->Handle(), Rect(0, 0, 40, 17), Rgb(clGrayText)), 0);
}

// ---- Memos and transparent editing ----------------------------------------------------

class StdMemo : public TStdTest {};

TEST_F(StdMemo, ScrollInformationInLinesAndPixels) {
  auto* memo = new TMemo(Form.get());
  memo->SetParent(Form.get());
  const int32_t lh = StdFontHeight(memo->Font()->Handle());
  memo->SetBounds(10, 10, 150, 10 * lh + 4);  // a 2-pixel client edge on each side
  ShowForm();
  for (int n : {9, 10, 11}) {
    String text;
    for (int i = 0; i < n; ++i) text += (i ? "\r\n" : "") + std::string("line ") + std::to_string(i);
    memo->SetText(text);
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    ASSERT_TRUE(GetScrollInfo(memo->Handle(), SB_VERT, &si));
    EXPECT_EQ(si.nMin, 0);
    EXPECT_EQ(si.nMax, n - 1) << n;
    EXPECT_EQ(si.nPage, uint32_t(std::min(n, 10))) << n << ": the page, within the range";
    EXPECT_EQ(si.nPos, 0);
    EXPECT_EQ(memo->Lines()->Count(), n);
  }
  memo->Perform(WM_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(memo->Perform(EM_GETFIRSTVISIBLELINE, 0, 0), 1);
  memo->Perform(WM_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(memo->Perform(EM_GETFIRSTVISIBLELINE, 0, 0), 1) << "the last page is the limit";
  SCROLLINFO si;
  si.fMask = SIF_POS;
  GetScrollInfo(memo->Handle(), SB_VERT, &si);
  EXPECT_EQ(si.nPos, 1);

  memo->SetWordWrap(false);
  memo->SetText("a line much wider than the formatting rectangle of this memo");
  TRect fr;
  memo->Perform(EM_GETRECT, 0, reinterpret_cast<LPARAM>(&fr));
  si.fMask = SIF_ALL;
  GetScrollInfo(memo->Handle(), SB_HORZ, &si);
  EXPECT_EQ(si.nPage, uint32_t(fr.Width()));
  EXPECT_GT(si.nMax + 1, fr.Width());
  memo->SetWordWrap(true);
  EXPECT_GT(memo->Perform(EM_GETLINECOUNT, 0, 0), 1) << "wrapped at blanks";
}

TEST_F(StdMemo, LinesGoThroughTheWindow) {
  auto* memo = new TMemo(Form.get());
  memo->SetParent(Form.get());
  int changes = 0;
  memo->OnChange = [&](TObject*) { ++changes; };
  ShowForm();
  memo->Lines()->Add("one");
  memo->Lines()->Add("two");
  memo->Lines()->Insert(1, "half");
  EXPECT_EQ(memo->Text(), "one\r\nhalf\r\ntwo");
  memo->Lines()->Delete(0);
  memo->Lines()->SetStrings(1, "three");
  EXPECT_EQ(memo->Text(), "half\r\nthree");
  memo->Lines()->Delete(1);
  EXPECT_EQ(memo->Text(), "half");
  EXPECT_EQ(changes, 6);
  memo->Lines()->SetText("x\r\ny");
  EXPECT_EQ(memo->Lines()->Count(), 2);
  EXPECT_EQ(memo->Lines()->Strings(1), "y");
  EXPECT_EQ(changes, 7);
  EXPECT_EQ(memo->Perform(WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS | DLGC_HASSETSEL | DLGC_WANTCHARS | DLGC_WANTALLKEYS);
  memo->SetWantReturns(false);
  memo->SetWantTabs(true);
  EXPECT_EQ(memo->Perform(WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS | DLGC_HASSETSEL | DLGC_WANTCHARS | DLGC_WANTTAB);
  memo->SetFocus();
  Pump();
  Press(VK_END, hkCtrl);
  Press(VK_TAB);
  Press(VK_RETURN);
  EXPECT_EQ(memo->Text(), "x\r\ny\t");
  memo->SetWantReturns(true);
  Press(VK_RETURN);
  EXPECT_EQ(memo->Text(), "x\r\ny\t\r\n");
}

// Paints the "skin" itself and answers with the null brush and transparent text.
class TTransparentEdit : public TMemo {
 public:
  explicit TTransparentEdit(TComponent* AOwner) : TMemo(AOwner) {}
  void Dispatch(TMessage& Message) override {
    if (Message.Msg == CN_CTLCOLOREDIT || Message.Msg == CN_CTLCOLORSTATIC) {
      HDC dc = reinterpret_cast<HDC>(Message.WParam);
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, RGB(0, 0, 0));
      Message.Result = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
      return;
    }
    if (Message.Msg == WM_ERASEBKGND) {
      TRect r = ClientRect();
      HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
      FillRect(reinterpret_cast<HDC>(Message.WParam), r, red);
      DeleteObject(red);
      Message.Result = 1;
      return;
    }
    TMemo::Dispatch(Message);
  }
};

TEST_F(StdMemo, TransparentEditingSetRectAndPaintingIntoADC) {
  auto* edit = new TTransparentEdit(Form.get());
  edit->SetParent(Form.get());
  edit->SetBounds(10, 10, 200, 60);
  edit->SetBorderStyle(TBorderStyle::bsNone);
  edit->SetText("Hello world");
  ShowForm();
  HWND h = edit->Handle();
  const TRect area = edit->ClientRect();
  const int32_t total = area.Width() * area.Height();
  const int32_t red = CountColor(h, area, clRed), black = CountColor(h, area, clBlack);
  EXPECT_GT(black, 0) << "the glyphs";
  EXPECT_EQ(red + black + (total - red - black), total);
  EXPECT_GT(red, total - 400) << "nothing behind the glyphs but the skin";
  edit->SetFocus();
  edit->Perform(EM_SETSEL, 0, 5);
  Pump();
  EXPECT_GT(CountColor(h, area, Rgb(clHighlight)), 0) << "the selection is opaque";

  // EM_SETRECTNP moves the text.
  edit->Perform(EM_SETSEL, 0, 0);
  TRect fr = Rect(40, 30, 200, 60);
  edit->Perform(EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&fr));
  edit->Invalidate();
  Pump();
  EXPECT_EQ(CountColor(h, Rect(0, 0, 200, 30), clBlack), 0);
  EXPECT_EQ(CountColor(h, Rect(0, 0, 40, 60), clBlack), 0);
  EXPECT_GT(CountColor(h, Rect(40, 30, 200, 60), clBlack), 0);

  // WM_PAINT with a memory DC paints into that DC only.
  std::unique_ptr<TBitmap> before = WindowPixels(h, false);
  TBitmap mem;
  mem.SetPixelFormat(TPixelFormat::pf32bit);
  mem.SetSize(200, 60);
  mem.Canvas()->Brush()->SetColor(clLime);
  mem.Canvas()->FillRect(Rect(0, 0, 200, 60));
  HDC dc = mem.Canvas()->Handle();
  edit->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  edit->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
  int32_t memBlack = 0, memRed = 0;
  for (int32_t y = 0; y < 60; ++y)
    for (int32_t x = 0; x < 200; ++x) {
      memBlack += mem.Canvas()->Pixels(x, y) == clBlack ? 1 : 0;
      memRed += mem.Canvas()->Pixels(x, y) == clRed ? 1 : 0;
    }
  EXPECT_GT(memBlack, 0);
  EXPECT_GT(memRed, 0);
  std::unique_ptr<TBitmap> after = WindowPixels(h, false);
  int32_t differ = 0;
  for (int32_t y = 0; y < 60; ++y)
    for (int32_t x = 0; x < 200; ++x) differ += before->Canvas()->Pixels(x, y) != after->Canvas()->Pixels(x, y) ? 1 : 0;
  EXPECT_EQ(differ, 0) << "the window's own surface is untouched";
}

}  // namespace
