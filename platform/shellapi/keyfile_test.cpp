#include "platform/shellapi/keyfile.h"

#include <gtest/gtest.h>

#include "platform/shellapi/xdgdirs.h"

TEST(ShellKeyFile, ParsesGroupsEscapesAndSkipsLocalizedKeys) {
  const String text =
      "# comment\n"
      "[Desktop Entry]\n"
      "Type = Link\n"
      "Name=Plain\n"
      "Name[de]=Lokal\n"
      "Comment=a\\sb\\nc\\td\\\\e\\q\r\n"
      "Type=Second\n"
      "[Other]\n"
      "Name=Other name\n";
  TKeyFile k;
  ASSERT_TRUE(k.Parse(text.data(), text.size()));
  EXPECT_EQ(k.Value("Desktop Entry", "Type"), "Link");  // the first value wins
  EXPECT_EQ(k.Value("Desktop Entry", "Name"), "Plain");
  EXPECT_FALSE(k.HasKey("Desktop Entry", "Name[de]"));
  EXPECT_EQ(k.Value("Desktop Entry", "Comment"), "a b\nc\td\\e\\q");
  EXPECT_EQ(k.Value("Other", "Name"), "Other name");
  EXPECT_EQ(k.Value("Other", "Missing", "dflt"), "dflt");
  // A key before any group, or too much data, is refused.
  const String early = "Key=1\n[G]\n";
  EXPECT_FALSE(k.Parse(early.data(), early.size()));
  const String big(KeyFileMaxSize + 1, 'x');
  EXPECT_FALSE(k.Parse(big.data(), big.size()));
  EXPECT_EQ(PercentDecode("a%20b%2fc%zz%4"), "a b/c%zz%4");
}

TEST(ShellKeyFile, UserDirsValues) {
  const String text =
      "XDG_DESKTOP_DIR=\"$HOME/Desk top\"\n"
      "XDG_PICTURES_DIR=\"$HOME/Pictures/\"\n"
      "XDG_MUSIC_DIR=\"/srv/music\"\n"
      "XDG_VIDEOS_DIR=\"relative/path\"\n"
      "XDG_TEMPLATES_DIR=\"$HOME\"\n"
      "  # XDG_DOCUMENTS_DIR=\"$HOME/no\"\n"
      "XDG_DOWNLOAD_DIR=\"$HOME/unclosed\n"
      "XDG_PUBLICSHARE_DIR=$HOME/Pub\\ lic\n";
  const auto dirs = ParseUserDirs(text.data(), text.size(), "/home/u");
  const std::map<String, String> want = {{"DESKTOP", "/home/u/Desk top"},
                                         {"PICTURES", "/home/u/Pictures"},
                                         {"MUSIC", "/srv/music"},
                                         {"TEMPLATES", "/home/u"},
                                         {"PUBLICSHARE", "/home/u/Pub lic"}};
  EXPECT_EQ(dirs, want);
}
