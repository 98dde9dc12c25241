#include "platform/rtl/md5.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

TEST(RtlMD5, KnownDigestsAndTheSystemTool) {
  const struct {
    String Text;
    const char* Hex;
  } table[] = {{"", "d41d8cd98f00b204e9800998ecf8427e"},
               {"a", "0cc175b9c0f1b6a831c399e269772661"},
               {"abc", "900150983cd24fb0d6963f7d28e17f72"},
               {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
               {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
                "57edf4a22be3c955ac49da2e2107b67a"}};
  for (const auto& t : table) EXPECT_EQ(MD5Hex(t.Text), t.Hex) << t.Text;
  // Lengths around the block edges, against md5sum when it is there.
  if (std::system("command -v md5sum >/dev/null 2>&1") != 0) GTEST_SKIP() << "md5sum missing";
  for (size_t n : {55u, 56u, 63u, 64u, 65u, 119u, 120u, 1000u}) {
    String s;
    for (size_t i = 0; i < n; ++i) s += char('a' + i % 26);
    String cmd = "printf '%s' '" + s + "' | md5sum";
    FILE* p = popen(cmd.c_str(), "r");
    char buf[64] = {};
    ASSERT_TRUE(p && std::fgets(buf, sizeof buf, p));
    pclose(p);
    EXPECT_EQ(MD5Hex(s), String(buf, 32)) << n;
  }
  // Feeding in pieces gives the same digest.
  TMD5 m;
  m.Update("mess", 4);
  m.Update("age digest", 10);
  uint8_t d[16];
  m.Final(d);
  uint8_t whole[16];
  MD5("message digest", 14, whole);
  EXPECT_EQ(std::memcmp(d, whole, 16), 0);
}
