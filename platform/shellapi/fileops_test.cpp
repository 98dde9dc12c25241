#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "platform/gui/headless.h"
#include "platform/gui/win_clipboard.h"
#include "platform/shellapi/shell_testing.h"
#include "platform/shellapi/shellapi.h"

using namespace shelltest;

namespace {

std::vector<String> List(const String& dir) {
  std::vector<String> out;
  if (DIR* d = ::opendir(dir.c_str())) {
    while (struct dirent* e = ::readdir(d))
      if (String(e->d_name) != "." && String(e->d_name) != "..") out.push_back(e->d_name);
    ::closedir(d);
  }
  std::sort(out.begin(), out.end());
  return out;
}

int32_t Op(uint32_t func, std::vector<String> from, const String& to) {
  SHFILEOPSTRUCT op;
  op.wFunc = func;
  op.pFrom = std::move(from);
  op.pTo = {to};
  op.fFlags = FOF_NOCONFIRMATION;
  return SHFileOperation(&op);
}

struct TFaultHook {
  explicit TFaultHook(std::function<int(const char*, const String&)> f) { SetFileOperationFaultHook(std::move(f)); }
  ~TFaultHook() { SetFileOperationFaultHook(nullptr); }
};

HRESULT Invoke(IContextMenu* m, const char* verb, uint32_t mask = 0) {
  CMINVOKECOMMANDINFO ci;
  ci.lpVerb = verb;
  ci.fMask = mask;
  return m->InvokeCommand(&ci);
}

ComPtr<IContextMenu> ItemMenu(const String& path) {
  TFolderItem fi = FolderItem(path);
  ComPtr<IContextMenu> m;
  PCUITEMID_CHILD items[] = {fi.Child.P};
  if (fi.Folder)
    fi.Folder->GetUIObjectOf(nullptr, 1, items, IID_IContextMenu, nullptr,
                             reinterpret_cast<void**>(m.ReleaseAndGetAddressOf()));
  return m;
}

ComPtr<IContextMenu> BackgroundMenu(const String& dir) {
  TPidl p = Parse(dir);
  ComPtr<IShellFolder> f = Bind(p.P);
  ComPtr<IContextMenu> m;
  if (f) f->CreateViewObject(nullptr, IID_IContextMenu, reinterpret_cast<void**>(m.ReleaseAndGetAddressOf()));
  return m;
}

}  // namespace

TEST(ShellFileOps, RenameRefusesTakenAndBadNamesAndHandlesCase) {
  const String dir = NewDir("rename");
  WriteFile(dir + "/a.txt", "A");
  WriteFile(dir + "/b.txt", "B");
  WriteFile(dir + "/Case.txt", "C");
  ForceDirectories(dir + "/d");
  struct TCase {
    String From, To;
    HRESULT Result;
  };
  const HRESULT bad = HRESULT_FROM_WIN32(ERROR_INVALID_NAME);
  const std::vector<TCase> cases = {
      {"a.txt", "b.txt", HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS)},
      {"a.txt", "", bad},
      {"a.txt", ".", bad},
      {"a.txt", "..", bad},
      {"a.txt", "a/b", bad},
      {"a.txt", String("a\0b", 3), bad},
      {"Case.txt", "case.txt", S_OK},
      {"a.txt", "c.txt", S_OK},
      {"d", "e", S_OK},
  };
  for (const TCase& c : cases) {
    TFolderItem fi = FolderItem(dir + "/" + c.From);
    ASSERT_TRUE(fi.Folder) << c.From;
    PITEMID_CHILD fresh = nullptr;
    EXPECT_EQ(fi.Folder->SetNameOf(nullptr, fi.Child.P, c.To, SHGDN_INFOLDER, &fresh), c.Result) << c.To;
    if (c.Result == S_OK) {
      ASSERT_TRUE(fresh);
      EXPECT_EQ(NameOf(fi.Folder.Get(), fresh, SHGDN_INFOLDER | SHGDN_FORPARSING), c.To);
    }
    ILFree(fresh);
  }
  EXPECT_EQ(List(dir), (std::vector<String>{"b.txt", "c.txt", "case.txt", "e"}));
  EXPECT_EQ(ReadFile(dir + "/b.txt"), "B");
  EXPECT_EQ(ReadFile(dir + "/c.txt"), "A");
  EXPECT_EQ(ReadFile(dir + "/case.txt"), "C");
}

TEST(ShellFileOps, PasteKeepsBothUnderAFreeNameAndCopiesInPlace) {
  THeadlessSession session;
  const String src = NewDir("src"), dst = NewDir("dst");
  WriteFile(src + "/a.jpg", "source");
  WriteFile(dst + "/a.jpg", "target");
  ComPtr<IContextMenu> item = ItemMenu(src + "/a.jpg");
  ASSERT_TRUE(item);
  ASSERT_EQ(Invoke(item.Get(), "copy"), S_OK);
  ComPtr<IContextMenu> bg = BackgroundMenu(dst);
  ASSERT_TRUE(bg);
  ASSERT_EQ(Invoke(bg.Get(), "paste"), S_OK);
  ASSERT_EQ(Invoke(bg.Get(), "Paste"), S_OK);  // verbs match ignoring case
  EXPECT_EQ(List(dst), (std::vector<String>{"a (2).jpg", "a (3).jpg", "a.jpg"}));
  EXPECT_EQ(ReadFile(dst + "/a.jpg"), "target");
  EXPECT_EQ(ReadFile(dst + "/a (2).jpg"), "source");
  EXPECT_EQ(List(src), (std::vector<String>{"a.jpg"}));
  // A copy into its own folder, and of a name without an extension.
  WriteFile(src + "/noext", "n");
  EXPECT_EQ(Op(FO_COPY, {src + "/a.jpg", src + "/noext"}, src), 0);
  EXPECT_EQ(List(src), (std::vector<String>{"a (2).jpg", "a.jpg", "noext", "noext (2)"}));
  // Mode and time come along; set-id bits do not.
  ::chmod((src + "/noext").c_str(), 04751);
  const struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
  ::utimensat(AT_FDCWD, (src + "/noext").c_str(), times, 0);
  ASSERT_EQ(Op(FO_COPY, {src + "/noext"}, dst), 0);
  struct stat st;
  ASSERT_EQ(::stat((dst + "/noext").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0751u);
  EXPECT_EQ(st.st_mtim.tv_sec, 1000000000);
  // A folder into itself or below it is refused.
  ForceDirectories(src + "/f/g");
  EXPECT_NE(Op(FO_COPY, {src + "/f"}, src + "/f/g"), 0);
  EXPECT_NE(Op(FO_MOVE, {src + "/f"}, src + "/f"), 0);
  EXPECT_EQ(List(src + "/f/g"), std::vector<String>{});
}

TEST(ShellFileOps, MovesKeepInodesAndCrossDevicesOnlyAfterACompleteCopy) {
  const String src = NewDir("mvsrc"), dst = NewDir("mvdst");
  WriteFile(src + "/one.txt", "1");
  struct stat before, after;
  ::stat((src + "/one.txt").c_str(), &before);
  ASSERT_EQ(Op(FO_MOVE, {src + "/one.txt"}, dst), 0);
  ASSERT_EQ(::stat((dst + "/one.txt").c_str(), &after), 0);
  EXPECT_EQ(before.st_ino, after.st_ino);
  EXPECT_FALSE(Exists(src + "/one.txt"));

  // An injected EXDEV: the tree is copied, then the source removed.
  ForceDirectories(src + "/tree/deep");
  WriteFile(src + "/tree/x.txt", "x");
  WriteFile(src + "/tree/deep/y.txt", "y");
  ::symlink("deep/y.txt", (src + "/tree/ylink").c_str());
  {
    std::atomic<int> renames{0};
    TFaultHook hook(
        [&](const char* step, const String&) { return String(step) == "rename" && renames++ == 0 ? EXDEV : 0; });
    ASSERT_EQ(Op(FO_MOVE, {src + "/tree"}, dst), 0);
  }
  EXPECT_FALSE(Exists(src + "/tree"));
  EXPECT_EQ(ReadFile(dst + "/tree/deep/y.txt"), "y");
  EXPECT_EQ(ReadFile(dst + "/tree/ylink"), "y");
  struct stat lst;
  ASSERT_EQ(::lstat((dst + "/tree/ylink").c_str(), &lst), 0);
  EXPECT_TRUE(S_ISLNK(lst.st_mode));

  // EXDEV followed by a full disk: nothing of the source is lost, nothing of
  // ours is left.
  ForceDirectories(src + "/full");
  for (int i = 0; i < 4; ++i) WriteFile(src + "/full/f" + std::to_string(i), String(1000, 'a' + char(i)));
  {
    std::atomic<int> renames{0}, writes{0};
    TFaultHook hook([&](const char* step, const String&) {
      if (String(step) == "rename" && renames++ == 0) return EXDEV;
      if (String(step) == "write" && ++writes == 6) return ENOSPC;
      return 0;
    });
    EXPECT_EQ(Op(FO_MOVE, {src + "/full"}, dst), int32_t(ERROR_DISK_FULL));
  }
  EXPECT_EQ(List(src + "/full").size(), 4u);
  EXPECT_EQ(ReadFile(src + "/full/f3"), String(1000, 'd'));
  EXPECT_FALSE(Exists(dst + "/full"));
  for (const String& n : List(dst)) EXPECT_EQ(n.find(".pv-copy-"), String::npos) << n;
}

TEST(ShellFileOps, LinkLoopsStayLinksAndAFullDiskLeavesNoTemporaryFiles) {
  const String src = NewDir("loop"), dst = NewDir("loopdst");
  ForceDirectories(src + "/loop");
  WriteFile(src + "/loop/file.txt", "f");
  ::symlink(".", (src + "/loop/self").c_str());
  ::symlink("..", (src + "/loop/up").c_str());
  ASSERT_EQ(Op(FO_COPY, {src + "/loop"}, dst), 0);
  struct stat st;
  ASSERT_EQ(::lstat((dst + "/loop/self").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(List(dst + "/loop"), (std::vector<String>{"file.txt", "self", "up"}));
  {
    TFaultHook hook([](const char* step, const String&) { return String(step) == "write" ? ENOSPC : 0; });
    WriteFile(src + "/big.bin", String(100000, 'b'));
    EXPECT_EQ(Op(FO_COPY, {src + "/big.bin"}, dst), int32_t(ERROR_DISK_FULL));
  }
  EXPECT_EQ(List(dst), (std::vector<String>{"loop"}));
  EXPECT_EQ(ReadFile(src + "/big.bin").size(), 100000u);
}

TEST(ShellFileOps, NonUtf8NameSurvivesCutAndPaste) {
  THeadlessSession session;
  const String src = NewDir("cut"), dst = NewDir("cutdst");
  const String name = "\xE9t\xE9 \x80.jpg";
  WriteFile(src + "/" + name, "raw");
  WriteFile(src + "/plain.jpg", "p");
  TFolderItem a = FolderItem(src + "/" + name), b = FolderItem(src + "/plain.jpg");
  ComPtr<IContextMenu> m;
  PCUITEMID_CHILD items[] = {a.Child.P, b.Child.P};
  ASSERT_EQ(a.Folder->GetUIObjectOf(nullptr, 2, items, IID_IContextMenu, nullptr,
                                    reinterpret_cast<void**>(m.ReleaseAndGetAddressOf())),
            S_OK);
  ASSERT_EQ(Invoke(m.Get(), "cut"), S_OK);
  // The list went 8-bit with the bytes as they are.
  ASSERT_TRUE(OpenClipboard(nullptr));
  HGLOBAL h = GetClipboardData(CF_HDROP);
  ASSERT_TRUE(h);
  DROPFILES head;
  std::memcpy(&head, GlobalLock(h), sizeof head);
  GlobalUnlock(h);
  EXPECT_EQ(head.fWide, 0);
  HGLOBAL e = GetClipboardData(RegisterClipboardFormat(CFSTR_PREFERREDDROPEFFECT));
  ASSERT_TRUE(e);
  uint32_t effect = 0;
  std::memcpy(&effect, GlobalLock(e), 4);
  GlobalUnlock(e);
  EXPECT_EQ(effect, DROPEFFECT_MOVE);
  HGLOBAL t = GetClipboardData(CF_TEXT);
  ASSERT_TRUE(t);
  EXPECT_EQ(String(static_cast<const char*>(GlobalLock(t))), src + "/" + name + "\n" + src + "/plain.jpg\n");
  GlobalUnlock(t);
  CloseClipboard();
  ComPtr<IContextMenu> bg = BackgroundMenu(dst);
  ASSERT_EQ(Invoke(bg.Get(), "paste"), S_OK);
  EXPECT_EQ(List(dst), (std::vector<String>{"plain.jpg", name}));
  EXPECT_EQ(ReadFile(dst + "/" + name), "raw");
  EXPECT_EQ(List(src), std::vector<String>{});
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_HDROP));  // a move empties the clipboard
}
