#include <cstring>

#include "platform/shellapi/shell_testing.h"

using namespace shelltest;

namespace {

// A list in a fresh allocator block of exactly the given bytes.
ITEMIDLIST* Block(const std::vector<uint8_t>& bytes) {
  auto* p = static_cast<uint8_t*>(CoTaskMemAlloc(bytes.size()));
  if (!bytes.empty()) std::memcpy(p, bytes.data(), bytes.size());
  return reinterpret_cast<ITEMIDLIST*>(p);
}

}  // namespace

TEST(ShellIdList, RoutinesOnWellFormedLists) {
  TPidl empty(Block({0, 0}));
  EXPECT_EQ(ILGetSize(empty.P), 2u);
  EXPECT_EQ(ILCount(empty.P), 0);
  EXPECT_TRUE(ILIsEmpty(empty.P));
  // [Home] and a file item "ab".
  TPidl home(Block({4, 0, SHITEM_HOME, 0, 0, 0}));
  TPidl file(Block({6, 0, SHITEM_FILE, 0, 'a', 'b', 0, 0}));
  EXPECT_EQ(ILGetSize(home.P), 6u);
  TPidl both(ILCombine(home.P, file.P));
  ASSERT_TRUE(both.P);
  EXPECT_EQ(ILGetSize(both.P), 12u);
  EXPECT_EQ(ILCount(both.P), 2);
  EXPECT_EQ(ILValidate(both.P), S_OK);
  // Joining the empty list changes nothing.
  TPidl same(ILCombine(empty.P, file.P));
  EXPECT_EQ(ILGetSize(same.P), ILGetSize(file.P));
  EXPECT_EQ(std::memcmp(same.P, file.P, 8), 0);
  EXPECT_EQ(reinterpret_cast<const uint8_t*>(ILFindLastID(both.P)), reinterpret_cast<const uint8_t*>(both.P) + 4);
  EXPECT_EQ(reinterpret_cast<const uint8_t*>(ILGetNext(both.P)), reinterpret_cast<const uint8_t*>(both.P) + 4);
  EXPECT_TRUE(ILIsParent(home.P, both.P, true));
  EXPECT_FALSE(ILIsParent(both.P, home.P, false));
  TPidl first(ILCloneFirst(both.P));
  EXPECT_EQ(ILGetSize(first.P), 6u);
  TPidl clone(ILClone(both.P));
  EXPECT_TRUE(ILRemoveLastID(clone.P));
  EXPECT_EQ(ILGetSize(clone.P), 6u);
  EXPECT_TRUE(ILRemoveLastID(clone.P));
  EXPECT_FALSE(ILRemoveLastID(clone.P));
  // The allocator knows its blocks.
  IMalloc* m = nullptr;
  ASSERT_EQ(SHGetMalloc(&m), S_OK);
  EXPECT_EQ(m->GetSize(both.P), 12u);
  EXPECT_EQ(m->DidAlloc(both.P), 1);
  int local = 0;
  EXPECT_EQ(m->DidAlloc(&local), 0);
  m->Release();
}

TEST(ShellIdList, MalformedListsAreRefusedWithoutReadingPastTheBlock) {
  struct TCase {
    const char* Name;
    std::vector<uint8_t> Bytes;
  };
  const TCase cases[] = {
      {"count 1", {1, 0, 0, 0}},
      {"count 3", {3, 0, SHITEM_FILE, 0, 0, 0}},
      {"past the block", {40, 0, SHITEM_FILE, 0, 'x'}},
      {"no terminator", {5, 0, SHITEM_FILE, 0, 'x'}},
      {"unknown kind", {5, 0, 9, 0, 'x', 0, 0}},
      {"file with slash", {7, 0, SHITEM_FILE, 0, 'a', '/', 'b', 0, 0}},
      {"dot dot", {6, 0, SHITEM_FILE, 0, '.', '.', 0, 0}},
      {"home with payload", {5, 0, SHITEM_HOME, 0, 'x', 0, 0}},
      {"relative volume", {5, 0, SHITEM_VOLUME, 0, 'x', 0, 0}},
      {"one byte", {0}},
  };
  ComPtr<IShellFolder> desk;
  SHGetDesktopFolder(desk.ReleaseAndGetAddressOf());
  for (const TCase& c : cases) {
    TPidl p(Block(c.Bytes));
    EXPECT_EQ(ILValidate(p.P), E_INVALIDARG) << c.Name;
    STRRET s;
    EXPECT_EQ(desk->GetDisplayNameOf(p.P, SHGDN_NORMAL, &s), E_INVALIDARG) << c.Name;
    EXPECT_EQ(desk->CompareIDs(0, p.P, p.P), E_INVALIDARG) << c.Name;
    SFGAOF a = SFGAO_FOLDER;
    PCUITEMID_CHILD items[] = {p.P};
    EXPECT_EQ(desk->GetAttributesOf(1, items, &a), E_INVALIDARG) << c.Name;
    String path;
    EXPECT_FALSE(SHGetPathFromIDList(p.P, path)) << c.Name;
  }
  // Structural routines fail on the structurally broken ones.
  TPidl past(Block({40, 0, SHITEM_FILE, 0, 'x'}));
  EXPECT_EQ(ILGetSize(past.P), 0u);
  EXPECT_EQ(ILClone(past.P), nullptr);
  EXPECT_EQ(ILCombine(past.P, past.P), nullptr);
  EXPECT_EQ(ILCount(past.P), -1);
}
