// The clipboard's mirror hook, which the SDL2 backend uses to share text with
// the desktop: what is published when, and how newer desktop text replaces
// the clipboard's content.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/gui/headless.h"
#include "platform/gui/win_clipboard.h"
#include "platform/gui/windows.h"
#include "platform/rtl/globalmem.h"

namespace {

HGLOBAL Block(const void* data, size_t size) {
  HGLOBAL h = GlobalAlloc(GHND, size);
  std::memcpy(GlobalLock(h), data, size);
  GlobalUnlock(h);
  return h;
}

String TextOf(uint32_t format) {
  HGLOBAL h = GetClipboardData(format);
  if (!h) return "<none>";
  String s;
  const char* p = static_cast<const char*>(GlobalLock(h));
  if (format == CF_UNICODETEXT)
    for (size_t i = 0; p[i] || p[i + 1]; i += 2) s += char(p[i]);  // ASCII in the tests
  else
    s = p;
  GlobalUnlock(h);
  return s;
}

class GuiClipboardMirror : public ::testing::Test {
 protected:
  GuiClipboardMirror() {
    SetClipboardMirror(TClipboardMirror{[this](const String& t) { Published.push_back(t); },
                                        [this](String& t) {
                                          ++Asked;
                                          if (Desktop.empty()) return false;
                                          t = Desktop;
                                          Desktop.clear();
                                          return true;
                                        }});
  }
  ~GuiClipboardMirror() override { SetClipboardMirror(TClipboardMirror{}); }

  THeadlessSession Session;
  std::vector<String> Published;
  String Desktop;  // newer desktop text, taken once
  int Asked = 0;
};

TEST_F(GuiClipboardMirror, TextIsPublishedWhenTheClipboardCloses) {
  const char16_t wide[] = u"wide text";
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  SetClipboardData(CF_UNICODETEXT, Block(wide, sizeof wide));
  const uint32_t other = RegisterClipboardFormat("Private bytes");
  SetClipboardData(other, Block("xy", 2));
  EXPECT_TRUE(Published.empty()) << "published before the clipboard closed";
  CloseClipboard();
  EXPECT_EQ(Published, (std::vector<String>{"wide text"}));

  // Only other formats: the desktop's text is cleared, as another program
  // taking the clipboard would clear it.
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  SetClipboardData(other, Block("xy", 2));
  CloseClipboard();
  EXPECT_EQ(Published.back(), "");

  // Reading publishes nothing.
  const size_t before = Published.size();
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_EQ(TextOf(CF_TEXT), "<none>");
  CloseClipboard();
  EXPECT_EQ(Published.size(), before);
}

TEST_F(GuiClipboardMirror, NewerDesktopTextReplacesTheContent) {
  WNDCLASS wc;
  wc.lpfnWndProc = DefWindowProc;
  wc.lpszClassName = "MirrorOwner";
  RegisterClass(wc);
  HWND owner = CreateWindowEx(0, "MirrorOwner", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(OpenClipboard(owner));
  EmptyClipboard();
  SetClipboardData(CF_TEXT, Block("ours", 5));
  SetClipboardData(RegisterClipboardFormat("Private bytes"), Block("xy", 2));
  CloseClipboard();
  ASSERT_EQ(GetClipboardOwner(), owner);

  Desktop = "theirs";
  EXPECT_EQ(CountClipboardFormats(), 2) << "CF_TEXT and the CF_UNICODETEXT made from it";
  EXPECT_FALSE(IsClipboardFormatAvailable(RegisterClipboardFormat("Private bytes")));
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_EQ(TextOf(CF_TEXT), "theirs");
  EXPECT_EQ(TextOf(CF_UNICODETEXT), "theirs");
  EXPECT_EQ(GetClipboardOwner(), nullptr);
  CloseClipboard();
  EXPECT_EQ(Published, (std::vector<String>{"ours"})) << "taking the desktop's text publishes nothing";

  // While the program holds the clipboard open the desktop is not asked.
  ASSERT_TRUE(OpenClipboard(nullptr));
  const int asked = Asked;
  Desktop = "later";
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
  EXPECT_EQ(TextOf(CF_TEXT), "theirs");
  EXPECT_EQ(Asked, asked);
  CloseClipboard();
}

}  // namespace
