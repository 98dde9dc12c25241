// Item-ID list routines, file probes and the process-wide shell objects,
// under the test's own HOME.
#include "shell/idlists.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <thread>
#include <vector>

#include "platform/rtl/files.h"
#include "platform/shellapi/shell_testing.h"
#include "platform/shellapi/shellui.h"
#include "platform/shellapi/xdgdirs.h"
#include "platform/vcl/stdctrls.h"
#include "platform/vcl/vcl_testing.h"

using namespace shelltest;

namespace {

// A list of the given items (each its payload bytes) from the allocator.
LPITEMIDLIST MakeList(const std::vector<String>& items) {
  uint32_t size = 2;
  for (const String& i : items) size += uint32_t(i.size()) + 2;
  LPITEMIDLIST list = AllocIDList(size);
  auto* p = reinterpret_cast<uint8_t*>(list);
  for (const String& i : items) {
    const uint16_t cb = uint16_t(i.size() + 2);
    p[0] = uint8_t(cb & 0xFF);
    p[1] = uint8_t(cb >> 8);
    std::memcpy(p + 2, i.data(), i.size());
    p += cb;
  }
  return list;
}

bool SameBytes(LPCITEMIDLIST a, LPCITEMIDLIST b) {
  return a && b && IDListSize(a) == IDListSize(b) && std::memcmp(a, b, IDListSize(a)) == 0;
}

LPITEMIDLIST SpecialList(int32_t csidl) {
  PIDLIST_ABSOLUTE l = nullptr;
  return SUCCEEDED(SHGetSpecialFolderLocation(nullptr, csidl, &l)) ? l : nullptr;
}

}  // namespace

TEST(ShellIdListRoutines, SizesCountsItemsAndJoins) {
  TPidl empty(AllocIDList(2));
  TPidl one(MakeList({"abc"}));
  TPidl three(MakeList({"a1", "bb22", "cc"}));
  EXPECT_EQ(IDListSize(empty.P), 2u);
  EXPECT_EQ(IDListCount(empty.P), 0);
  EXPECT_EQ(IDListSize(one.P), 7u);
  EXPECT_EQ(IDListCount(three.P), 3);
  EXPECT_EQ(IDListSize(three.P), 2u + 4 + 6 + 4);

  // Joining with the empty list, or with nil, gives the other list.
  const struct {
    const char* What;
    LPCITEMIDLIST First, Second, Want;
  } joins[] = {{"empty + one", empty.P, one.P, one.P},
               {"one + empty", one.P, empty.P, one.P},
               {"nil + one", nullptr, one.P, one.P},
               {"one + nil", one.P, nullptr, one.P}};
  for (const auto& j : joins) {
    TPidl joined(ConcatIDLists(j.First, j.Second));
    EXPECT_TRUE(SameBytes(joined.P, j.Want)) << j.What;
    EXPECT_NE(joined.P, j.Want) << j.What;
  }
  TPidl both(ConcatIDLists(one.P, three.P));
  EXPECT_EQ(IDListCount(both.P), 4);
  EXPECT_EQ(IDListSize(both.P), IDListSize(one.P) + IDListSize(three.P) - 2);
  EXPECT_EQ(ConcatIDLists(nullptr, nullptr), nullptr);

  // Items by index; the count itself and beyond are nil.
  TPidl second(IDListItem(three.P, 1));
  TPidl wantSecond(MakeList({"bb22"}));
  EXPECT_TRUE(SameBytes(second.P, wantSecond.P));
  TPidl last(IDListItem(three.P, 2));
  TPidl wantLast(MakeList({"cc"}));
  EXPECT_TRUE(SameBytes(last.P, wantLast.P));
  EXPECT_EQ(IDListItem(three.P, 3), nullptr);
  EXPECT_EQ(IDListItem(three.P, -1), nullptr);
  EXPECT_EQ(IDListItem(empty.P, 0), nullptr);
  TPidl copy(CopyIDList(three.P));
  EXPECT_TRUE(SameBytes(copy.P, three.P));

  // A count of 1 makes the list malformed: nothing is read past it.
  TPidl bad(AllocIDList(6));
  reinterpret_cast<uint8_t*>(bad.P)[0] = 1;
  EXPECT_EQ(IDListCount(bad.P), 0);
  EXPECT_EQ(IDListItem(bad.P, 0), nullptr);
  EXPECT_EQ(CopyIDList(bad.P), nullptr);
}

TEST(ShellIdListRoutines, NilArgumentsGiveEmptyAnswers) {
  EXPECT_EQ(IDListSize(nullptr), 0u);
  EXPECT_EQ(IDListCount(nullptr), 0);
  EXPECT_EQ(CopyIDList(nullptr), nullptr);
  EXPECT_EQ(IDListItem(nullptr, 0), nullptr);
  EXPECT_EQ(IDListSpecialFolder(nullptr), 0);
  EXPECT_FALSE(IDListInNetwork(nullptr));
  EXPECT_EQ(PathFromIDList(nullptr), "");
  EXPECT_EQ(DropHandleToList(0), nullptr);
  EXPECT_FALSE(EnableFolderAutoComplete(nullptr));
  STRRET none;
  none.uType = STRRET_OFFSET;
  EXPECT_EQ(StrRetToString(nullptr, none), "");
  FreeIDList(nullptr);
}

TEST(ShellIdListRoutines, PathsRoundTripThroughLists) {
  const String dir = NewDir("roundtrip");
  String longDir = dir;
  for (int i = 0; i < 5; ++i) longDir += "/" + String(60, char('a' + i));
  ForceDirectories(longDir);
  const String paths[] = {dir + "/Bild\xC3\xA9r \xE2\x82\xAC.jpg",  // UTF-8 "Bildér €"
                          dir + "/caf\xE9.jpg",                     // a lone byte 0xE9: no UTF-8
                          longDir + "/photo.jpg", dir};
  ASSERT_GT(paths[2].size(), 300u);
  for (const String& p : paths) {
    if (p != dir) WriteFile(p, "x");
    TPidl list(IDListFromPath(nullptr, p));
    ASSERT_NE(list.P, nullptr) << p;
    EXPECT_EQ(PathFromIDList(list.P), p);
    EXPECT_EQ(IDListInNetwork(list.P), false) << p;
  }
  // Relative to a folder of the namespace.
  IShellFolder* desktop = ShellObjects().DesktopFolder.Get();
  TPidl folderList(IDListFromPath(nullptr, dir));
  ComPtr<IShellFolder> folder;
  ASSERT_EQ(desktop->BindToObject(folderList.P, nullptr, IID_IShellFolder,
                                  reinterpret_cast<void**>(folder.ReleaseAndGetAddressOf())),
            S_OK);
  TPidl child(IDListFromPath(folder.Get(), "caf\xE9.jpg"));
  ASSERT_NE(child.P, nullptr);
  TPidl full(ConcatIDLists(folderList.P, child.P));
  EXPECT_EQ(PathFromIDList(full.P), paths[1]);
  EXPECT_EQ(IDListFromPath(nullptr, dir + "/missing.jpg"), nullptr);
}

TEST(ShellIdListRoutines, PathsOfVirtualAndRealObjects) {
  const String home = std::getenv("HOME");
  const String desk = XdgUserDir("DESKTOP");
  ForceDirectories(desk);
  WriteFile(desk + "/on-desktop.txt", "x");
  const String file = NewDir("paths") + "/a.png";
  WriteFile(file, "x");
  const struct {
    const char* What;
    LPITEMIDLIST List;
    String Want;
  } cases[] = {{"Desktop", SpecialList(CSIDL_DESKTOP), ""},
               {"Home", SpecialList(CSIDL_PERSONAL), home},
               {"Computer", SpecialList(CSIDL_DRIVES), ""},
               {"Trash", SpecialList(CSIDL_BITBUCKET), ""},
               {"root", IDListFromPath(nullptr, "/"), "/"},
               {"a file", IDListFromPath(nullptr, file), file},
               {"a file on the desktop", IDListFromPath(nullptr, desk + "/on-desktop.txt"), desk + "/on-desktop.txt"}};
  for (const auto& c : cases) {
    TPidl owned(c.List);
    ASSERT_NE(c.List, nullptr) << c.What;
    EXPECT_EQ(PathFromIDList(c.List), c.Want) << c.What;
  }
}

TEST(ShellIdListRoutines, RelativePathStaysBelowTheBase) {
  const struct {
    const char* Base;
    const char* Path;
    const char* Want;
  } cases[] = {
      {"/data", "/data/sub/x.jpg", "sub/x.jpg"},
      {"/data", "/data", "."},
      {"/data", "/data/", "."},
      {"/data/", "/data/sub", "sub"},
      {"/data", "/database/x", ""},
      {"/data", "/da", ""},
      {"/data", "/Data/sub", ""},  // byte-exact: no case folding
      {"/data", "/other/x", ""},
      {"/", "/etc/x", "etc/x"},
      {"", "/x", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(RelativePath(c.Base, c.Path), c.Want) << c.Base << " " << c.Path;
  // Below the base the answer is what coreutils computes.
  if (!HaveTool("realpath")) return;
  for (const auto& c : cases) {
    if (String(c.Want).empty()) continue;
    const String want = TrimEnd(RunCommand("realpath -m --relative-to=" + Quote(c.Base) + " " + Quote(c.Path)));
    EXPECT_EQ(RelativePath(c.Base, c.Path), want) << c.Base << " " << c.Path;
  }
}

TEST(ShellIdListRoutines, FileProbes) {
  const String dir = NewDir("probes");
  const String file = dir + "/f.txt";
  WriteFile(file, "12345");
  ASSERT_EQ(::symlink((dir + "/gone").c_str(), (dir + "/dangling").c_str()), 0);
  // A dangling link exists as an entry of its own, the size of its text.
  const int64_t linkSize = int64_t((dir + "/gone").size());
  const struct {
    String Path;
    bool Exists;
    int64_t Size;
  } cases[] = {{"/", true, -1},
               {file, true, 5},
               {dir, true, 0},
               {dir + "/dangling", true, linkSize},
               {dir + "/none", false, -1},
               {dir + "/none/x", false, -1},
               {"", false, -1}};
  for (const auto& c : cases) {
    EXPECT_EQ(PathExists(c.Path), c.Exists) << c.Path;
    EXPECT_EQ(FindFileSize(c.Path), c.Size) << c.Path;
  }
  EXPECT_TRUE(IsDriveRoot("/"));
  EXPECT_FALSE(IsDriveRoot(dir));
  EXPECT_FALSE(IsDriveRoot(""));

  // A 5 GiB sparse file: the size needs 64 bits.
  const String big = dir + "/big.bin";
  WriteFile(big, "");
  ASSERT_EQ(::truncate(big.c_str(), int64_t(5) << 30), 0);
  EXPECT_EQ(FindFileSize(big), int64_t(5) << 30);
  if (HaveTool("stat")) {
    EXPECT_EQ(std::to_string(FindFileSize(big)), TrimEnd(RunCommand("stat -c %s " + Quote(big))));
  }

  const std::pair<String, String> slashes[] = {{"", ""}, {"/data", "/data/"}, {"/data/", "/data/"}, {"/", "/"}};
  for (const auto& [in, want] : slashes) EXPECT_EQ(AddBackslash(in), want) << in;
}

TEST(ShellIdListRoutines, ErrorTextsAndNameRecords) {
  EXPECT_EQ(GetSystemErrorText(0x800A004Cu), "Path not found.");
  EXPECT_EQ(GetSystemErrorText(ERROR_ACCESS_DENIED), "Access is denied.");

  // A UTF-16 record: converted, and its string freed (nothing left for FreeStrRet).
  STRRET wide;
  wide.uType = STRRET_WSTR;
  const std::u16string text = u"Bild\u00E9r";
  wide.pOleStr = static_cast<char16_t*>(CoTaskMemAlloc((text.size() + 1) * sizeof(char16_t)));
  std::memcpy(wide.pOleStr, text.c_str(), (text.size() + 1) * sizeof(char16_t));
  EXPECT_EQ(StrRetToString(nullptr, wide), "Bild\xC3\xA9r");
  EXPECT_EQ(wide.pOleStr, nullptr);
  FreeStrRet(wide);

  // FreeStrRet alone frees a record that was never read.
  STRRET unread;
  unread.pOleStr = static_cast<char16_t*>(CoTaskMemAlloc(2 * sizeof(char16_t)));
  unread.pOleStr[0] = u'x';
  unread.pOleStr[1] = 0;
  FreeStrRet(unread);
  EXPECT_EQ(unread.pOleStr, nullptr);

  STRRET bytes;
  bytes.uType = STRRET_CSTR;
  bytes.cStr = "caf\xE9";
  EXPECT_EQ(StrRetToString(nullptr, bytes), "caf\xE9");
  FreeStrRet(bytes);
  EXPECT_EQ(bytes.cStr, "caf\xE9");

  TPidl item(MakeList({String("\x01\x00name", 6)}));
  STRRET offset;
  offset.uType = STRRET_OFFSET;
  offset.uOffset = 4;
  EXPECT_EQ(StrRetToString(item.P, offset), "name");
  EXPECT_EQ(StrRetToString(nullptr, offset), "");
}

TEST(ShellIdListRoutines, DroppedPathsKeepTheirOrderAndLength) {
  const std::vector<String> paths = {"/b/second.jpg", "/a/" + String(400, 'n') + ".png", "/c/Bild\xC3\xA9r.tif"};
  HGLOBAL drop = CreateDropFilesBlock(paths);
  ASSERT_NE(drop, 0u);
  std::unique_ptr<TStringList> list = DropHandleToList(drop);
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->Count(), 3);
  for (int32_t i = 0; i < 3; ++i) EXPECT_EQ(list->Strings(i), paths[size_t(i)]);
  DragFinish(drop);
  HGLOBAL none = CreateDropFilesBlock({});
  EXPECT_EQ(DropHandleToList(none), nullptr);
  DragFinish(none);
}

TEST(ShellIdListRoutines, ProcessWideObjectsAndTables) {
  const TShellObjects* fromWorker = nullptr;
  std::thread worker([&] { fromWorker = &ShellObjects(); });
  const TShellObjects& o = ShellObjects();
  worker.join();
  EXPECT_EQ(fromWorker, &o);
  ASSERT_TRUE(o.Allocator);
  ASSERT_TRUE(o.DesktopFolder);
  EXPECT_EQ(IDListSize(o.EmptyIDList), 2u);
  EXPECT_EQ(IDListCount(o.EmptyIDList), 0);
  EXPECT_FALSE(o.OldShell);
  EXPECT_TRUE(o.NTFamily);
  // Lists from AllocIDList go back through the same allocator.
  LPITEMIDLIST l = AllocIDList(8);
  EXPECT_EQ(o.Allocator->DidAlloc(l), 1);
  FreeIDList(l);

  const std::pair<TZavShellFolder, int32_t> csidls[] = {{TZavShellFolder::SF_FILESYSTEMFOLDER, 0x11},
                                                        {TZavShellFolder::SF_BITBUCKET, 0x0A},
                                                        {TZavShellFolder::SF_PERSONAL, 0x05},
                                                        {TZavShellFolder::SF_COMMON_STARTMENU, 0x16},
                                                        {TZavShellFolder::SF_INTERNET, 0x01},
                                                        {TZavShellFolder::SF_MYPICTURES, 0x27},
                                                        {TZavShellFolder::SF_PROGRAM_FILES_COMMON, 0x2B}};
  for (const auto& [folder, csidl] : csidls) EXPECT_EQ(ShellFolderCSIDL(folder), csidl) << int(folder);
  EXPECT_EQ(int(TZavShellFolder::SF_PROGRAM_FILES_COMMON) + 1, ZavShellFolderCount);
  const struct {
    const char* Caption;
    TAlignment Alignment;
    int32_t Width;
  } columns[] = {{"Name", TAlignment::taLeftJustify, 150},
                 {"Size", TAlignment::taRightJustify, 60},
                 {"Type", TAlignment::taLeftJustify, 120},
                 {"Changed", TAlignment::taLeftJustify, 100}};
  for (int i = 0; i < DefaultDetailsColumnCount; ++i) {
    EXPECT_STREQ(DefaultDetailsColumns[i].Caption, columns[i].Caption);
    EXPECT_EQ(DefaultDetailsColumns[i].Alignment, columns[i].Alignment);
    EXPECT_EQ(DefaultDetailsColumns[i].Width, columns[i].Width);
  }
}

// ---- Special folders ------------------------------------------------------------------------

// User folders that differ from one another, set in user-dirs.dirs.
class ShellSpecialFolderOrdinals : public ::testing::Test {
 protected:
  ShellSpecialFolderOrdinals() {
    Home = std::getenv("HOME");
    Conf = XdgDirs()->ConfigHome + "/user-dirs.dirs";
    WriteFile(Conf,
              "XDG_DESKTOP_DIR=\"$HOME/Desk\"\nXDG_PICTURES_DIR=\"$HOME/Pics\"\n"
              "XDG_DOCUMENTS_DIR=\"$HOME/Docs\"\nXDG_TEMPLATES_DIR=\"$HOME/Tmpl\"\n");
    for (const char* d : {"Desk", "Pics", "Docs", "Tmpl", "Other"}) ForceDirectories(Home + "/" + d);
    WriteFile(Home + "/Pics/x.jpg", "x");
    ResetShellCaches();
  }
  ~ShellSpecialFolderOrdinals() override {
    ::unlink(Conf.c_str());
    ResetShellCaches();
  }
  String Home, Conf;
};

TEST_F(ShellSpecialFolderOrdinals, FirstMatchingOrdinalOrZero) {
  const struct {
    const char* What;
    LPITEMIDLIST List;
    int32_t Want;
  } cases[] = {
      {"pictures", IDListFromPath(nullptr, Home + "/Pics"), int32_t(TZavShellFolder::SF_MYPICTURES)},
      {"an unmapped folder", IDListFromPath(nullptr, Home + "/Other"), 0},
      {"a file in pictures", IDListFromPath(nullptr, Home + "/Pics/x.jpg"), 0},
      {"desktop folder", IDListFromPath(nullptr, Home + "/Desk"), int32_t(TZavShellFolder::SF_DESKTOPDIRECTORY)},
      {"templates", IDListFromPath(nullptr, Home + "/Tmpl"), int32_t(TZavShellFolder::SF_TEMPLATES)},
      {"home", SpecialList(CSIDL_PERSONAL), int32_t(TZavShellFolder::SF_PERSONAL)},
      {"desktop", SpecialList(CSIDL_DESKTOP), int32_t(TZavShellFolder::SF_DESKTOP)},
      {"computer", SpecialList(CSIDL_DRIVES), int32_t(TZavShellFolder::SF_DRIVES)},
      {"trash", SpecialList(CSIDL_BITBUCKET), int32_t(TZavShellFolder::SF_BITBUCKET)},
  };
  for (const auto& c : cases) {
    TPidl owned(c.List);
    ASSERT_NE(c.List, nullptr) << c.What;
    EXPECT_EQ(IDListSpecialFolder(c.List), c.Want) << c.What;
  }
}

// ---- Folder auto-complete -------------------------------------------------------------------

class ShellIdListAutoComplete : public TVclTest {
 protected:
  ~ShellIdListAutoComplete() override { ShellUI() = TShellUI{}; }
};

TEST_F(ShellIdListAutoComplete, OnlyWhenTheShellOffersIt) {
  TForm* form = new TForm(App.get());
  TEdit* edit = new TEdit(form);
  edit->SetParent(form);
  EXPECT_FALSE(EnableFolderAutoComplete(edit));
  HWND seenEdit = nullptr;
  uint32_t seenFlags = 0;
  ShellUI().AutoComplete = [&](HWND e, uint32_t flags) {
    seenEdit = e;
    seenFlags = flags;
    return S_OK;
  };
  EXPECT_TRUE(EnableFolderAutoComplete(edit));
  EXPECT_EQ(seenEdit, edit->Handle());
  EXPECT_EQ(seenFlags, 0x90000020u);
  ShellUI().AutoComplete = [](HWND, uint32_t) { return E_FAIL; };
  EXPECT_FALSE(EnableFolderAutoComplete(edit));
}
