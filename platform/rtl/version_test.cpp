#include "platform/rtl/version.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(RtlVersion, AnswersWindows7ServicePack1) {
  EXPECT_EQ(Win32Platform, 2);
  EXPECT_EQ(Win32MajorVersion, 6);
  EXPECT_EQ(Win32MinorVersion, 1);
  EXPECT_EQ(Win32BuildNumber, 7601);
  EXPECT_EQ(Win32CSDVersion, "Service Pack 1");

  const uint32_t v = GetVersion();
  EXPECT_EQ(v & 0xFF, 6u);
  EXPECT_EQ((v >> 8) & 0xFF, 1u);
  EXPECT_EQ(v & 0x80000000u, 0u);  // NT family

  OSVERSIONINFO info;
  std::memset(&info, 0xCC, sizeof info);
  info.dwOSVersionInfoSize = sizeof info;
  ASSERT_TRUE(GetVersionEx(info));
  EXPECT_EQ(info.dwOSVersionInfoSize, 148u);
  EXPECT_EQ(info.dwPlatformId, VER_PLATFORM_WIN32_NT);
  EXPECT_EQ(info.dwMajorVersion, 6u);
  EXPECT_EQ(info.dwMinorVersion, 1u);
  EXPECT_EQ(info.dwBuildNumber, 7601u);
  EXPECT_STREQ(info.szCSDVersion, "Service Pack 1");
  EXPECT_EQ(info.szCSDVersion[sizeof info.szCSDVersion - 1], '\0');
}

}  // namespace
