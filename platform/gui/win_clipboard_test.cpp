#include <gtest/gtest.h>

#include <cstring>

#include "platform/gui/win_clipboard.h"
#include "platform/gui/win_layer_testing.h"

namespace {

HGLOBAL Block(const void* data, size_t size) {
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, size);
  std::memcpy(GlobalLock(h), data, size);
  GlobalUnlock(h);
  return h;
}

std::vector<uint8_t> Bytes(HGLOBAL h) {
  const size_t n = GlobalSize(h);
  const uint8_t* p = static_cast<const uint8_t*>(GlobalLock(h));
  std::vector<uint8_t> out(p, p + n);
  GlobalUnlock(h);
  return out;
}

std::vector<uint8_t> Utf16Le(const std::u16string& s) {
  std::vector<uint8_t> out;
  for (char16_t c : s) {
    out.push_back(uint8_t(c & 0xFF));
    out.push_back(uint8_t(c >> 8));
  }
  out.push_back(0);
  out.push_back(0);
  return out;
}

std::vector<uint8_t> Utf8z(const std::string& s) {
  std::vector<uint8_t> out(s.begin(), s.end());
  out.push_back(0);
  return out;
}

TEST(WinClipboard, TextFormatsAreMadeFromEachOther) {
  TTestScene s;
  HWND owner = s.Make(WS_POPUP, 0, Bounds(0, 0, 10, 10));
  const struct {
    const char* Name;
    uint32_t Put;
    std::vector<uint8_t> Data;
    uint32_t Other;
    std::vector<uint8_t> Made;
  } cases[] = {
      {"utf-8 to utf-16", CF_TEXT, Utf8z("h\xC3\xA9llo \xF0\x9F\x98\x80"), CF_UNICODETEXT,
       Utf16Le(u"h\u00E9llo \U0001F600")},
      {"utf-16 to utf-8", CF_UNICODETEXT, Utf16Le(u"\u65E5\u672C"), CF_TEXT, Utf8z("\xE6\x97\xA5\xE6\x9C\xAC")},
      // Up to the first terminator; an unterminated block up to its end.
      {"stops at nul", CF_TEXT, {'a', 'b', 0, 'c', 0}, CF_UNICODETEXT, Utf16Le(u"ab")},
      {"unterminated", CF_TEXT, {'x', 'y'}, CF_UNICODETEXT, Utf16Le(u"xy")},
      {"odd byte dropped", CF_UNICODETEXT, {'A', 0, 'B'}, CF_TEXT, Utf8z("A")},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(OpenClipboard(owner));
    ASSERT_TRUE(EmptyClipboard());
    EXPECT_NE(SetClipboardData(c.Put, Block(c.Data.data(), c.Data.size())), 0u);
    EXPECT_TRUE(CloseClipboard());
    EXPECT_TRUE(IsClipboardFormatAvailable(c.Other)) << c.Name;
    EXPECT_EQ(CountClipboardFormats(), 2) << c.Name;
    ASSERT_TRUE(OpenClipboard(owner));
    EXPECT_EQ(EnumClipboardFormats(0), c.Put);
    EXPECT_EQ(EnumClipboardFormats(c.Put), c.Other);
    EXPECT_EQ(EnumClipboardFormats(c.Other), 0u);
    HGLOBAL made = GetClipboardData(c.Other);
    ASSERT_NE(made, 0u) << c.Name;
    EXPECT_EQ(Bytes(made), c.Made) << c.Name;
    EXPECT_EQ(GetClipboardData(c.Other), made);  // made once, then kept
    EXPECT_EQ(CountClipboardFormats(), 2);
    EXPECT_TRUE(CloseClipboard());
  }
  // Both put: nothing is made, each keeps its own.
  ASSERT_TRUE(OpenClipboard(owner));
  EmptyClipboard();
  const std::vector<uint8_t> a = Utf8z("one"), w = Utf16Le(u"two");
  SetClipboardData(CF_TEXT, Block(a.data(), a.size()));
  SetClipboardData(CF_UNICODETEXT, Block(w.data(), w.size()));
  EXPECT_EQ(Bytes(GetClipboardData(CF_TEXT)), a);
  EXPECT_EQ(Bytes(GetClipboardData(CF_UNICODETEXT)), w);
  // Replacing the text drops what was made from the old one.
  EmptyClipboard();
  SetClipboardData(CF_TEXT, Block(a.data(), a.size()));
  GetClipboardData(CF_UNICODETEXT);
  const std::vector<uint8_t> b = Utf8z("new");
  SetClipboardData(CF_TEXT, Block(b.data(), b.size()));
  EXPECT_EQ(Bytes(GetClipboardData(CF_UNICODETEXT)), Utf16Le(u"new"));
  CloseClipboard();
}

TEST(WinClipboard, OpeningOwningAndEmptying) {
  TTestScene s;
  HWND a = s.Make(WS_POPUP, 0, Bounds(0, 0, 10, 10));
  HWND b = s.Make(WS_POPUP, 0, Bounds(0, 0, 10, 10));
  const std::vector<uint8_t> x = Utf8z("x");
  // Closed: nothing can be put or read.
  HGLOBAL h = Block(x.data(), x.size());
  EXPECT_EQ(SetClipboardData(CF_TEXT, h), 0u);
  GlobalFree(h);
  EXPECT_FALSE(EmptyClipboard());
  EXPECT_FALSE(CloseClipboard());
  ASSERT_TRUE(OpenClipboard(a));
  EXPECT_TRUE(OpenClipboard(a));
  EXPECT_FALSE(OpenClipboard(b));
  EXPECT_EQ(GetOpenClipboardWindow(), a);
  EmptyClipboard();
  EXPECT_EQ(GetClipboardOwner(), a);
  SetClipboardData(CF_TEXT, Block(x.data(), x.size()));
  EXPECT_EQ(GetClipboardData(CF_DIB), 0u);
  CloseClipboard();
  EXPECT_EQ(GetClipboardData(CF_TEXT), 0u);  // closed
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_HDROP));
  EXPECT_EQ(EnumClipboardFormats(0), 0u);  // closed
  // A bitmap is held as its handle and deleted with the clipboard's content.
  ASSERT_TRUE(OpenClipboard(b));
  HBITMAP bmp = CreateBitmap(4, 4, 1, 32, nullptr);
  SetClipboardData(CF_BITMAP, reinterpret_cast<HGLOBAL>(bmp));
  EXPECT_EQ(GetClipboardData(CF_BITMAP), reinterpret_cast<HGLOBAL>(bmp));
  EmptyClipboard();
  EXPECT_EQ(GetObjectType(bmp), 0u);
  EXPECT_EQ(CountClipboardFormats(), 0);
  CloseClipboard();
}

TEST(WinClipboard, RegisteredFormats) {
  const uint32_t vect = RegisterClipboardFormat("IMGLIB VECT");
  const uint32_t memo = RegisterClipboardFormat("IMGLIB TEXTMEMO2");
  const uint32_t effect = RegisterClipboardFormat(CFSTR_PREFERREDDROPEFFECT);
  for (uint32_t f : {vect, memo, effect}) {
    EXPECT_GE(f, CF_REGISTERED_FIRST);
    EXPECT_LE(f, 0xFFFFu);
  }
  EXPECT_NE(vect, memo);
  EXPECT_NE(memo, effect);
  EXPECT_EQ(RegisterClipboardFormat("imglib vect"), vect);
  EXPECT_EQ(RegisterClipboardFormat("preferred dropeffect"), effect);
  EXPECT_EQ(RegisterClipboardFormat(""), 0u);
  char name[64];
  EXPECT_EQ(GetClipboardFormatName(memo, name, sizeof name), 16);
  EXPECT_STREQ(name, "IMGLIB TEXTMEMO2");
  EXPECT_EQ(GetClipboardFormatName(memo, name, 7), 6);
  EXPECT_STREQ(name, "IMGLIB");
  EXPECT_EQ(GetClipboardFormatName(CF_TEXT, name, sizeof name), 0);
  EXPECT_EQ(GetClipboardFormatName(0xFFFF, name, sizeof name), 0);
  // A registered format travels like any other.
  TTestScene s;
  const std::vector<uint8_t> data = {1, 2, 3};
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  SetClipboardData(vect, Block(data.data(), data.size()));
  CloseClipboard();
  EXPECT_TRUE(IsClipboardFormatAvailable(vect));
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_EQ(Bytes(GetClipboardData(vect)), data);
  CloseClipboard();
}

}  // namespace
