// The skin library's item-ID list routines and shell folder objects.
#include "skin/controls/shellfolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>

#include "platform/shellapi/shell_testing.h"

using namespace shelltest;

namespace {

bool SameBytes(LPCITEMIDLIST a, LPCITEMIDLIST b) {
  return a && b && ItemIdListSize(a) == ItemIdListSize(b) && std::memcmp(a, b, ItemIdListSize(a)) == 0;
}

// A list of our own (freed with FreeItemIdList) for the path.
LPITEMIDLIST ParsePath(const String& path) {
  TPidl p = Parse(path);
  return std::exchange(p.P, nullptr);
}

}  // namespace

TEST(SkinShellFolder, ItemIdListRoutines) {
  const String dir = NewDir("skinshell");
  WriteFile(dir + "/a.jpg", "x");
  LPITEMIDLIST file = ParsePath(dir + "/a.jpg");
  ASSERT_NE(file, nullptr);
  const int32_t count = ILCount(file);
  ASSERT_GE(count, 2);

  LPITEMIDLIST empty = AllocItemIdList(2);
  EXPECT_EQ(ItemIdListSize(empty), 2u);
  EXPECT_EQ(ItemIdListSize(nullptr), 0u);
  EXPECT_EQ(NextItemId(empty), nullptr);
  EXPECT_EQ(NextItemId(nullptr), nullptr);
  EXPECT_EQ(CopyItemIdList(nullptr), nullptr);

  // NextItemId walks the items up to the terminator.
  int32_t steps = 0;
  for (LPCITEMIDLIST p = file; p && p->mkid.cb != 0; p = NextItemId(p)) ++steps;
  EXPECT_EQ(steps, count);

  // Joins: nil or the empty list first copies the second list.
  const struct {
    const char* What;
    LPCITEMIDLIST First;
  } firsts[] = {{"nil", nullptr}, {"empty", empty}};
  for (const auto& f : firsts) {
    LPITEMIDLIST joined = JoinItemIdLists(f.First, file);
    EXPECT_TRUE(SameBytes(joined, file)) << f.What;
    EXPECT_NE(joined, file) << f.What;
    FreeItemIdList(joined);
  }
  LPITEMIDLIST copy = CopyItemIdList(file);
  LPITEMIDLIST twice = JoinItemIdLists(file, copy);
  EXPECT_EQ(ItemIdListSize(twice), 2 * ItemIdListSize(file) - 2);
  EXPECT_EQ(ILCount(twice), 2 * count);
  for (LPITEMIDLIST l : {empty, file, copy, twice}) FreeItemIdList(l);
  FreeItemIdList(nullptr);

  LPITEMIDLIST desktop = GetDesktopItemIdList();
  ASSERT_NE(desktop, nullptr);
  EXPECT_EQ(ItemIdListSize(desktop), 2u);
  FreeItemIdList(desktop);
}

TEST(SkinShellFolder, DesktopFolderObjectAndFoldersBelowIt) {
  TbsShellFolder* desktop = DesktopFolderObject();
  ASSERT_NE(desktop, nullptr);
  EXPECT_EQ(DesktopFolderObject(), desktop);
  EXPECT_EQ(desktop->Parent(), nullptr);
  EXPECT_EQ(ItemIdListSize(desktop->AbsoluteID()), 2u);
  EXPECT_EQ(ItemIdListSize(desktop->RelativeID()), 2u);
  EXPECT_NE(desktop->ShellFolder(), nullptr);
  EXPECT_EQ(desktop->Level(), 0);
  ASSERT_NE(desktop->Details(), nullptr);

  // A folder made without a parent hangs below the desktop object; its
  // lists are copies.
  const String dir = NewDir("skinfolders");
  ForceDirectories(dir + "/sub");
  LPITEMIDLIST dirList = ParsePath(dir);
  TbsShellFolder top(nullptr, desktop->ShellFolder(), dirList);
  EXPECT_EQ(top.Parent(), desktop);
  EXPECT_EQ(top.Level(), 0);
  EXPECT_TRUE(SameBytes(top.RelativeID(), dirList));
  EXPECT_NE(top.RelativeID(), dirList);
  EXPECT_TRUE(SameBytes(top.AbsoluteID(), dirList));

  LPITEMIDLIST subList = ParsePath(dir + "/sub");
  const uint8_t* last = reinterpret_cast<const uint8_t*>(ILFindLastID(subList));
  LPITEMIDLIST child = JoinItemIdLists(nullptr, reinterpret_cast<LPCITEMIDLIST>(last));
  TbsShellFolder sub(&top, nullptr, child);
  EXPECT_EQ(sub.Parent(), &top);
  EXPECT_EQ(sub.Level(), 1);
  EXPECT_TRUE(SameBytes(sub.AbsoluteID(), subList));
  String path;
  EXPECT_TRUE(SHGetPathFromIDList(sub.AbsoluteID(), path));
  EXPECT_EQ(path, dir + "/sub");
  for (LPITEMIDLIST l : {dirList, subList, child}) FreeItemIdList(l);
}
