#include "platform/rtl/winerror.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <thread>

#include "platform/rtl/filetime.h"

TEST(RtlWinError, TextsCodesAndTheThreadsLastError) {
  const struct {
    uint32_t Code;
    const char* Text;
  } table[] = {{ERROR_FILE_NOT_FOUND, "The system cannot find the file specified."},
               {ERROR_ACCESS_DENIED, "Access is denied."},
               {ERROR_NOT_SAME_DEVICE, "The system cannot move the file to a different disk drive."},
               {ERROR_DISK_FULL, "There is not enough space on the disk."},
               {ERROR_ALREADY_EXISTS, "Cannot create a file when that file already exists."},
               {ERROR_CANCELLED, "The operation was canceled by the user."},
               {uint32_t(HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND)), "The system cannot find the path specified."},
               {0x80004001u, "Not implemented"},
               {0x80040154u, "Class not registered"},
               {0x800A004Cu, "Path not found."},
               {0x12345678u, "Unknown error 0x12345678"},
               {0x8007FFFFu, "Unknown error 0x8007FFFF"}};
  for (const auto& t : table) {
    String s;
    EXPECT_EQ(FormatMessage(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, t.Code, 0, s),
              String(t.Text).size());
    EXPECT_EQ(s, t.Text);
  }
  char small[8];
  EXPECT_EQ(FormatMessage(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_ACCESS_DENIED, 0, small, sizeof small, nullptr),
            7u);
  EXPECT_STREQ(small, "Access ");
  String none;
  EXPECT_EQ(FormatMessage(0, nullptr, 2, 0, none), 0u);
  EXPECT_EQ(HRESULT_FROM_WIN32(5), static_cast<HRESULT>(0x80070005u));
  EXPECT_EQ(HRESULT_FROM_WIN32(0), 0);
  EXPECT_EQ(HRESULT_CODE(HRESULT_FROM_WIN32(1223)), 1223u);
  const struct {
    int Errno;
    uint32_t Code;
  } map[] = {{ENOENT, 2},   {ENOTDIR, 3},  {EACCES, 5},      {EPERM, 5},       {EXDEV, 17},
             {EEXIST, 183}, {ENOSPC, 112}, {ENOTEMPTY, 145}, {ECANCELED, 1223}};
  for (const auto& m : map) EXPECT_EQ(Win32ErrorFromErrno(m.Errno), m.Code) << m.Errno;
  SetLastError(42);
  std::thread([] { EXPECT_EQ(GetLastError(), 0u); }).join();
  EXPECT_EQ(GetLastError(), 42u);
}

TEST(RtlWinError, FileTimesAndTheControlWord) {
  // 2004-09-30 12:34:56.789 UTC, a Thursday.
  SYSTEMTIME st{2004, 9, 0, 30, 12, 34, 56, 789};
  FILETIME ft;
  ASSERT_TRUE(SystemTimeToFileTime(&st, &ft));
  struct timespec ts = FileTimeToTimespec(ft);
  EXPECT_EQ(ts.tv_sec, 1096547696);
  EXPECT_EQ(ts.tv_nsec, 789000000);
  EXPECT_EQ(TimespecToFileTime(ts), ft);
  SYSTEMTIME back;
  ASSERT_TRUE(FileTimeToSystemTime(&ft, &back));
  EXPECT_EQ(back.wDayOfWeek, 4);
  EXPECT_EQ(back.wYear * 10000 + back.wMonth * 100 + back.wDay, 20040930);
  EXPECT_EQ(back.wMilliseconds, 789);
  uint16_t date = 0, time = 0;
  ASSERT_TRUE(FileTimeToDosDateTime(&ft, &date, &time));
  EXPECT_EQ(date, ((2004 - 1980) << 9) | (9 << 5) | 30);
  EXPECT_EQ(time, (12 << 11) | (34 << 5) | 28);
  SYSTEMTIME old{1970, 1, 0, 1, 0, 0, 0, 0};
  FILETIME oft;
  ASSERT_TRUE(SystemTimeToFileTime(&old, &oft));
  EXPECT_FALSE(FileTimeToDosDateTime(&oft, &date, &time));
  SYSTEMTIME bad{2003, 2, 0, 29, 0, 0, 0, 0};
  EXPECT_FALSE(SystemTimeToFileTime(&bad, &ft));
  FILETIME local;
  ASSERT_TRUE(FileTimeToLocalFileTime(&oft, &local));
  const uint16_t cw = Get8087CW();
  Set8087CW(0x133F);
  EXPECT_EQ(Get8087CW(), 0x133F);
  Set8087CW(cw);
}
