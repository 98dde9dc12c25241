#include "platform/vcl/clipbrd.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "platform/gui/graphics.h"
#include "platform/gui/headless.h"
#include "platform/rtl/strings.h"

namespace {

class VclClipboard : public ::testing::Test {
 protected:
  THeadlessSession Session;
  TClipboard Board;  // a private object: the shared one stays untouched

  // Stores wide text the way the wide-text clipboard does: UTF-16 with its NUL.
  void PutWide(const WideString& text) {
    Board.SetBuffer(CF_UNICODETEXT, text.c_str(), (text.size() + 1) * sizeof(char16_t));
  }
  WideString Wide() {
    Board.Open();
    WideString out;
    HGLOBAL h = GetClipboardData(CF_UNICODETEXT);
    if (h != 0) {
      const auto* p = static_cast<const char16_t*>(GlobalLock(h));
      out = p;
      GlobalUnlock(h);
    }
    Board.Close();
    return out;
  }
};

TEST_F(VclClipboard, StoresInsideOneOpenAddFormatsStoresOutsideReplace) {
  struct Case {
    const char* Name;
    bool Bracketed;
    const char* Text;   // expected CF_TEXT afterwards
    const char16_t* W;  // expected CF_UNICODETEXT afterwards
  };
  const Case cases[] = {
      {"bracketed by Open/Close: both kept", true, "ansi", u"wide"},
      {"separate stores: the second empties the first", false, "wide", u"wide"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Board.Clear();
    if (c.Bracketed) Board.Open();
    Board.SetAsText("ansi");
    PutWide(u"wide");
    if (c.Bracketed) Board.Close();
    EXPECT_EQ(Board.OpenCount(), 0);
    EXPECT_EQ(Board.AsText(), c.Text);
    EXPECT_EQ(Wide(), c.W);
  }
}

TEST_F(VclClipboard, OpenAndCloseAreCounted) {
  EXPECT_EQ(GetOpenClipboardWindow(), nullptr);
  Board.Open();
  HWND window = Board.Handle();
  ASSERT_NE(window, nullptr);
  Board.Open();
  EXPECT_EQ(Board.Handle(), window);
  Board.Close();
  EXPECT_EQ(GetOpenClipboardWindow(), window) << "one Open still stands";
  Board.Close();
  EXPECT_EQ(GetOpenClipboardWindow(), nullptr);
  EXPECT_EQ(Board.Handle(), nullptr);
  EXPECT_FALSE(IsWindow(window));
  Board.Close();  // unbalanced: ignored
  EXPECT_EQ(Board.OpenCount(), 0);
}

TEST_F(VclClipboard, OpenFailsWhileAnotherWindowHoldsTheClipboard) {
  TClipboard other;
  other.Open();
  EXPECT_THROW(Board.Open(), EClipboardException);
  EXPECT_EQ(Board.OpenCount(), 0);
  EXPECT_EQ(Board.Handle(), nullptr);
  EXPECT_THROW(Board.SetAsText("lost"), EClipboardException);
  other.Close();
  Board.SetAsText("kept");
  EXPECT_EQ(Board.AsText(), "kept");
}

TEST_F(VclClipboard, TextBuffersAreCutWithTheirTerminator) {
  Board.SetTextBuf("hello");
  char buf[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(Board.GetTextBuf(buf, 4), 3);
  EXPECT_STREQ(buf, "hel");
  char big[16];
  EXPECT_EQ(Board.GetTextBuf(big, sizeof big), 5);
  EXPECT_STREQ(big, "hello");
  Board.Clear();
  EXPECT_EQ(Board.GetTextBuf(big, sizeof big), 0);
  EXPECT_STREQ(big, "");
  EXPECT_EQ(Board.AsText(), "");
}

TEST_F(VclClipboard, HandlesOfRegisteredFormatsAndTheFormatList) {
  const uint32_t own = RegisterClipboardFormat("Vcl Clipboard Test");
  Board.Open();
  Board.SetAsText("t");
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 3);
  std::memcpy(GlobalLock(block), "abc", 3);
  GlobalUnlock(block);
  Board.SetAsHandle(own, block);
  Board.Close();

  EXPECT_TRUE(Board.HasFormat(own));
  EXPECT_TRUE(Board.HasFormat(CF_TEXT));
  EXPECT_FALSE(Board.HasFormat(CF_DIB));
  EXPECT_EQ(Board.GetAsHandle(own), block);
  EXPECT_EQ(Board.GetAsHandle(CF_DIB), HGLOBAL(0));
  // Put formats first in their order, then the text made from CF_TEXT.
  ASSERT_GE(Board.FormatCount(), 2);
  EXPECT_EQ(Board.Formats(0), CF_TEXT);
  EXPECT_EQ(Board.Formats(1), own);
  EXPECT_EQ(Board.Formats(Board.FormatCount()), 0u);
}

TEST_F(VclClipboard, BitmapsTravelAsPackedDibs) {
  TBitmap source;
  source.SetPixelFormat(TPixelFormat::pf24bit);
  source.SetSize(3, 2);
  source.Canvas()->SetPixels(0, 0, clRed);
  source.Canvas()->SetPixels(2, 1, clBlue);
  Board.SetAsText("replaced by the picture");
  Board.Assign(&source);
  EXPECT_TRUE(Board.HasFormat(CF_DIB));
  EXPECT_FALSE(Board.HasFormat(CF_TEXT));

  TBitmap back;
  back.Assign(&Board);
  ASSERT_EQ(back.Width(), 3);
  ASSERT_EQ(back.Height(), 2);
  EXPECT_EQ(back.Canvas()->Pixels(0, 0), clRed);
  EXPECT_EQ(back.Canvas()->Pixels(2, 1), clBlue);
  EXPECT_EQ(back.Canvas()->Pixels(1, 0), clBlack);

  TPicture picture;
  picture.Assign(&Board);
  ASSERT_NE(picture.Graphic(), nullptr);
  EXPECT_EQ(picture.Width(), 3);

  TPicture unrelated;
  EXPECT_THROW(Board.Assign(&unrelated), EConvertError) << "an empty picture is no bitmap";
}

TEST_F(VclClipboard, TheSharedObjectIsMadeOnceAndReplaceable) {
  TClipboard* first = Clipboard();
  EXPECT_EQ(Clipboard(), first);
  auto* mine = new TClipboard();
  std::unique_ptr<TClipboard> old(SetClipboard(mine));
  EXPECT_EQ(old.get(), first);
  EXPECT_EQ(Clipboard(), mine);
  delete SetClipboard(old.release());  // the first back; ours comes back to be freed
  EXPECT_EQ(Clipboard(), first);
}

}  // namespace
