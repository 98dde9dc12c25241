#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <map>

#include "platform/rtl/strings.h"
#include "platform/shellapi/shell_testing.h"
#include "platform/shellapi/shellvolumes.h"

using namespace shelltest;

namespace {

// The namespace fixture: every kind of entry the walk must cope with.
struct TFixture {
  String Base;
  String LongDir;
  String LongFile;
  TFixture() {
    Base = NewDir("ns");
    WriteFile(Base + "/plain.txt", "plain");
    WriteFile(Base +
                  "/\xC3\x9Cn\xC3\xAF"
                  "code.jpg",
              "x");                                 // non-ASCII, valid UTF-8
    WriteFile(Base + "/\xE9.txt", "latin-1 byte");  // not UTF-8
    WriteFile(Base + "/.dot", "");
    WriteFile(Base + "/listed.txt", "");
    WriteFile(Base + "/.hidden", "listed.txt\n");
    ForceDirectories(Base + "/sub");
    WriteFile(Base + "/sub/inner.txt", "");
    EXPECT_EQ(symlink("sub", (Base + "/linkdir").c_str()), 0);
    EXPECT_EQ(symlink("nowhere", (Base + "/dangle").c_str()), 0);
    WriteFile(Base + "/link.desktop", "[Desktop Entry]\nType=Link\nURL=file://" + Base + "/sub\n");
    const int fd = ::open((Base + "/big.bin").c_str(), O_CREAT | O_WRONLY, 0644);
    EXPECT_EQ(ftruncate(fd, int64_t(5) << 30), 0);  // sparse: no space used
    ::close(fd);
    LongDir = Base + "/long";
    for (int i = 0; i < 6; ++i) LongDir += "/" + String(60, char('a' + i));
    ForceDirectories(LongDir);
    LongFile = LongDir + "/" + String(40, 'z') + ".txt";
    WriteFile(LongFile, "deep");
    EXPECT_GT(LongFile.size(), 300u);
  }
};

std::vector<String> EnumNames(IShellFolder* f, uint32_t flags, uint32_t nameFlags = SHGDN_INFOLDER | SHGDN_FORPARSING) {
  std::vector<String> out;
  ComPtr<IEnumIDList> e;
  if (FAILED(f->EnumObjects(nullptr, flags, e.ReleaseAndGetAddressOf()))) return {"<fail>"};
  PITEMID_CHILD item = nullptr;
  uint32_t got = 0;
  while (e->Next(1, &item, &got) == S_OK && got == 1) {
    out.push_back(NameOf(f, item, nameFlags));
    ILFree(item);
  }
  return out;
}

}  // namespace

TEST(ShellNamespace, WalksFromTheDesktopToAFixtureAndListsIt) {
  TFixture fx;
  ComPtr<IShellFolder> desk;
  ASSERT_EQ(SHGetDesktopFolder(desk.ReleaseAndGetAddressOf()), S_OK);
  // The desktop starts with its three virtual folders, in this order.
  const std::vector<String> top = EnumNames(desk.Get(), SHCONTF_FOLDERS, SHGDN_NORMAL);
  ASSERT_GE(top.size(), 3u);
  EXPECT_EQ(std::vector<String>(top.begin(), top.begin() + 3), (std::vector<String>{"Home", "Computer", "Trash"}));
  // Computer shows "/" first.
  TPidl computer = Parse("::Computer");
  ComPtr<IShellFolder> comp = Bind(computer.P);
  ASSERT_TRUE(comp);
  const std::vector<String> vols = EnumNames(comp.Get(), SHCONTF_FOLDERS, SHGDN_NORMAL);
  ASSERT_FALSE(vols.empty());
  EXPECT_EQ(vols[0], "File System");
  // The fixture path parses as [Computer]["/"][one item per segment].
  TPidl pidl = Parse(fx.Base + "/./sub/..//");
  ASSERT_TRUE(pidl.P);
  std::vector<String> segs;
  for (const String& s : {fx.Base}) {
    size_t pos = 1;
    while (pos < s.size()) {
      size_t e = s.find('/', pos);
      if (e == String::npos) e = s.size();
      segs.push_back(s.substr(pos, e - pos));
      pos = e + 1;
    }
  }
  EXPECT_EQ(ILCount(pidl.P), int32_t(segs.size()) + 2);
  String path;
  ASSERT_TRUE(SHGetPathFromIDList(pidl.P, path));
  EXPECT_EQ(path, fx.Base);
  ComPtr<IShellFolder> folder = Bind(pidl.P);
  ASSERT_TRUE(folder);
  // Byte order of the names; hidden ones only when asked.
  const std::vector<String> visible = EnumNames(folder.Get(), SHCONTF_FOLDERS | SHCONTF_NONFOLDERS);
  EXPECT_EQ(visible, (std::vector<String>{"big.bin", "dangle", "link.desktop", "linkdir", "long", "plain.txt", "sub",
                                          "\xC3\x9Cn\xC3\xAF"
                                          "code.jpg",
                                          "\xE9.txt"}));
  EXPECT_EQ(EnumNames(folder.Get(), SHCONTF_FOLDERS), (std::vector<String>{"linkdir", "long", "sub"}));
  const std::vector<String> all = EnumNames(folder.Get(), SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN);
  EXPECT_EQ(all.size(), visible.size() + 3);
  EXPECT_TRUE(std::count(all.begin(), all.end(), ".dot") && std::count(all.begin(), all.end(), "listed.txt"));
  // Binding goes into folders and links to them, not into files.
  for (const char* name : {"sub", "linkdir", "long"}) {
    TPidl child = Parse(fx.Base + "/" + name);
    EXPECT_TRUE(Bind(child.P)) << name;
  }
  TPidl file = Parse(fx.Base + "/plain.txt");
  ComPtr<IShellFolder> none;
  ComPtr<IShellFolder> parent = Bind(pidl.P);
  EXPECT_EQ(parent->BindToObject(ILFindLastID(file.P), nullptr, IID_IShellFolder,
                                 reinterpret_cast<void**>(none.ReleaseAndGetAddressOf())),
            E_INVALIDARG);
  // Missing segments: the last one is a file not found, an earlier one a path.
  HRESULT hr = S_OK;
  Parse(fx.Base + "/missing.txt", &hr);
  EXPECT_EQ(hr, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
  Parse(fx.Base + "/nodir/x.txt", &hr);
  EXPECT_EQ(hr, HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
  // A folder takes relative names and refuses "..".
  PIDLIST_RELATIVE rel = nullptr;
  EXPECT_EQ(folder->ParseDisplayName(nullptr, nullptr, "sub/inner.txt", nullptr, &rel, nullptr), S_OK);
  EXPECT_EQ(ILCount(rel), 2);
  ILFree(rel);
  EXPECT_EQ(folder->ParseDisplayName(nullptr, nullptr, "sub/../plain.txt", nullptr, &rel, nullptr), E_INVALIDARG);
}

TEST(ShellNamespace, AttributesAndNamesOfEveryKindOfEntry) {
  TFixture fx;
  struct TCase {
    String Name;
    SFGAOF Set;    // must be present
    SFGAOF Clear;  // must be absent
  };
  const SFGAOF kAsk = 0xFFFFFFFFu;
  const std::vector<TCase> cases = {
      {"plain.txt", SFGAO_FILESYSTEM | SFGAO_CANRENAME | SFGAO_CANDELETE | SFGAO_CANMOVE | SFGAO_CANCOPY,
       SFGAO_FOLDER | SFGAO_LINK | SFGAO_HIDDEN | SFGAO_FILESYSANCESTOR},
      {"sub", SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR | SFGAO_DROPTARGET,
       SFGAO_LINK | SFGAO_HASSUBFOLDER},
      {"long", SFGAO_FOLDER | SFGAO_HASSUBFOLDER, SFGAO_LINK},
      {"linkdir", SFGAO_FOLDER | SFGAO_FILESYSANCESTOR, SFGAO_LINK},
      {"dangle", SFGAO_LINK | SFGAO_CANCOPY, SFGAO_FOLDER},
      {"link.desktop", SFGAO_LINK, SFGAO_FOLDER},
      {".dot", SFGAO_HIDDEN, SFGAO_FOLDER},
      {"listed.txt", SFGAO_HIDDEN, SFGAO_LINK},
      {"\xE9.txt", SFGAO_FILESYSTEM | SFGAO_CANRENAME, SFGAO_HIDDEN},
  };
  for (const TCase& c : cases) {
    TFolderItem fi = FolderItem(fx.Base + "/" + c.Name);
    ASSERT_TRUE(fi.Folder && fi.Child.P) << c.Name;
    SFGAOF a = kAsk;
    PCUITEMID_CHILD items[] = {fi.Child.P};
    ASSERT_EQ(fi.Folder->GetAttributesOf(1, items, &a), S_OK);
    EXPECT_EQ(a & c.Set, c.Set) << c.Name;
    EXPECT_EQ(a & c.Clear, 0u) << c.Name;
    // Only what was asked comes back.
    SFGAOF one = SFGAO_FOLDER;
    fi.Folder->GetAttributesOf(1, items, &one);
    EXPECT_EQ(one & ~SFGAO_FOLDER, 0u);
  }
  // Names: shown text reads invalid UTF-8 as Windows-1252; parsing names keep the bytes.
  TFolderItem latin = FolderItem(fx.Base + "/\xE9.txt");
  EXPECT_EQ(NameOf(latin.Folder.Get(), latin.Child.P, SHGDN_NORMAL), "\xC3\xA9.txt");
  EXPECT_EQ(NameOf(latin.Folder.Get(), latin.Child.P, SHGDN_INFOLDER | SHGDN_FORPARSING), "\xE9.txt");
  EXPECT_EQ(NameOf(latin.Folder.Get(), latin.Child.P, SHGDN_FORPARSING), fx.Base + "/\xE9.txt");
  TFolderItem deep = FolderItem(fx.LongFile);
  EXPECT_EQ(NameOf(deep.Folder.Get(), deep.Child.P, SHGDN_FORPARSING), fx.LongFile);
  EXPECT_EQ(NameOf(deep.Folder.Get(), deep.Child.P, SHGDN_FOREDITING), String(40, 'z') + ".txt");
  // Virtual items parse back from their parsing names.
  ComPtr<IShellFolder> desk;
  SHGetDesktopFolder(desk.ReleaseAndGetAddressOf());
  for (const char* v : {"::Home", "::Computer", "::Trash"}) {
    TPidl p = Parse(v);
    ASSERT_TRUE(p.P) << v;
    EXPECT_EQ(NameOf(desk.Get(), p.P, SHGDN_FORPARSING), v);
  }
  // The non-UTF-8 name round-trips through ParseDisplayName.
  PIDLIST_RELATIVE back = nullptr;
  ASSERT_EQ(latin.Folder->ParseDisplayName(nullptr, nullptr, "\xE9.txt", nullptr, &back, nullptr), S_OK);
  EXPECT_EQ(CompareIDsResult(latin.Folder->CompareIDs(0, back, latin.Child.P)), 0);
  ILFree(back);
}

TEST(ShellNamespace, CompareIDsOrdersFoldersFirstNaturallyAndByExactBytes) {
  const String base = NewDir("order");
  for (const char* n : {"file10.txt", "file2.txt", "B.txt", "a.txt", "A.txt"}) WriteFile(base + "/" + n, "");
  ForceDirectories(base + "/zdir");
  ForceDirectories(base + "/Adir");
  TPidl pidl = Parse(base);
  ComPtr<IShellFolder> f = Bind(pidl.P);
  ComPtr<IEnumIDList> e;
  ASSERT_EQ(f->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, e.ReleaseAndGetAddressOf()), S_OK);
  std::vector<PITEMID_CHILD> items;
  PITEMID_CHILD it;
  uint32_t got;
  while (e->Next(1, &it, &got) == S_OK) items.push_back(it);
  std::sort(items.begin(), items.end(),
            [&](PITEMID_CHILD a, PITEMID_CHILD b) { return CompareIDsResult(f->CompareIDs(0, a, b)) < 0; });
  std::vector<String> names;
  for (PITEMID_CHILD p : items) names.push_back(NameOf(f.Get(), p, SHGDN_INFOLDER));
  EXPECT_EQ(names, (std::vector<String>{"Adir", "zdir", "A.txt", "a.txt", "B.txt", "file2.txt", "file10.txt"}));
  for (size_t i = 0; i < items.size(); ++i)
    for (size_t j = 0; j < items.size(); ++j) {
      const int r = CompareIDsResult(f->CompareIDs(0, items[i], items[j]));
      EXPECT_EQ(r, i < j ? -1 : i > j ? 1 : 0) << names[i] << " vs " << names[j];
    }
  for (PITEMID_CHILD p : items) ILFree(p);
  // The desktop's own order: Home, Computer, Trash, then entries.
  ComPtr<IShellFolder> desk;
  SHGetDesktopFolder(desk.ReleaseAndGetAddressOf());
  TPidl home = Parse("::Home"), comp = Parse("::Computer"), trash = Parse("::Trash");
  EXPECT_EQ(CompareIDsResult(desk->CompareIDs(0, home.P, comp.P)), -1);
  EXPECT_EQ(CompareIDsResult(desk->CompareIDs(0, comp.P, trash.P)), -1);
  EXPECT_EQ(CompareIDsResult(desk->CompareIDs(0, trash.P, home.P)), 1);
  // Home reached by its item or by its path is one object.
  TPidl homePath = Parse(std::getenv("HOME"));
  EXPECT_EQ(CompareIDsResult(desk->CompareIDs(0, home.P, homePath.P)), 0);
  EXPECT_TRUE(ILIsEqual(home.P, homePath.P));
}

TEST(ShellNamespace, PathsFindDataAndTheSpecialPicturesFolder) {
  TFixture fx;
  // Paths round-trip; virtual places have none.
  for (const String& p : {fx.Base + "/plain.txt", fx.LongFile, fx.Base + "/\xE9.txt", String("/")}) {
    TPidl pidl = Parse(p);
    String back;
    ASSERT_TRUE(SHGetPathFromIDList(pidl.P, back)) << p;
    EXPECT_EQ(back, p);
  }
  for (const char* v : {"::Computer", "::Trash"}) {
    TPidl pidl = Parse(v);
    String back = "x";
    EXPECT_FALSE(SHGetPathFromIDList(pidl.P, back)) << v;
    EXPECT_EQ(back, "");
  }
  TPidl desktop(static_cast<ITEMIDLIST*>(CoTaskMemAlloc(2)));
  String none;
  EXPECT_FALSE(SHGetPathFromIDList(desktop.P, none));
  TPidl home = Parse("::Home");
  String homePath;
  EXPECT_TRUE(SHGetPathFromIDList(home.P, homePath));
  EXPECT_EQ(homePath, std::getenv("HOME"));

  // Find data: 64-bit size in two words; volumes and virtual items fail.
  TFolderItem big = FolderItem(fx.Base + "/big.bin");
  WIN32_FIND_DATA fd;
  ASSERT_EQ(SHGetDataFromIDList(big.Folder.Get(), big.Child.P, SHGDFIL_FINDDATA, &fd, 320), S_OK);
  EXPECT_EQ(fd.nFileSizeHigh, 1u);
  EXPECT_EQ(fd.nFileSizeLow, 0x40000000u);
  EXPECT_EQ(fd.cFileName, "big.bin");
  EXPECT_EQ(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
  struct stat st;
  ::stat((fx.Base + "/big.bin").c_str(), &st);
  EXPECT_EQ(FileTimeToTimespec(fd.ftLastWriteTime).tv_sec, st.st_mtim.tv_sec);
  TFolderItem sub = FolderItem(fx.Base + "/sub");
  ASSERT_EQ(SHGetDataFromIDList(sub.Folder.Get(), sub.Child.P, SHGDFIL_FINDDATA, &fd, 320), S_OK);
  EXPECT_NE(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_NE(SHGetDataFromIDList(sub.Folder.Get(), sub.Child.P, SHGDFIL_NETRESOURCE, &fd, 320), S_OK);
  TFolderItem root = FolderItem("/");
  EXPECT_NE(SHGetDataFromIDList(root.Folder.Get(), root.Child.P, SHGDFIL_FINDDATA, &fd, 320), S_OK);
  ComPtr<IShellFolder> desk;
  SHGetDesktopFolder(desk.ReleaseAndGetAddressOf());
  EXPECT_NE(SHGetDataFromIDList(desk.Get(), home.P, SHGDFIL_FINDDATA, &fd, 320), S_OK);

  // CompareIDs finds the pictures folder however it was reached.
  const String home0 = std::getenv("HOME");
  const String conf = XdgDirs()->ConfigHome + "/user-dirs.dirs";
  ForceDirectories(home0 + "/My Pics");
  WriteFile(conf, "XDG_PICTURES_DIR=\"$HOME/My Pics\"\n");
  ResetShellCaches();
  PIDLIST_ABSOLUTE pics = nullptr;
  ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_MYPICTURES, &pics), S_OK);
  TPidl viaPath = Parse(home0 + "/My Pics");
  EXPECT_EQ(CompareIDsResult(desk->CompareIDs(0, pics, viaPath.P)), 0);
  ComPtr<IShellFolder> homeFolder = Bind(home.P);
  PIDLIST_RELATIVE rel = nullptr;
  ASSERT_EQ(homeFolder->ParseDisplayName(nullptr, nullptr, "My Pics", nullptr, &rel, nullptr), S_OK);
  TPidl viaHome(ILCombine(home.P, rel));
  ILFree(rel);
  EXPECT_EQ(CompareIDsResult(desk->CompareIDs(0, pics, viaHome.P)), 0);
  EXPECT_NE(CompareIDsResult(desk->CompareIDs(0, pics, home.P)), 0);
  ILFree(pics);
  ::unlink(conf.c_str());
  ResetShellCaches();
}

TEST(ShellNamespace, InjectedMountTableGivesVolumesLongestMatchesAndDriveTypes) {
  const String base = NewDir("mounts");
  for (const char* d : {"nfs", "nfs/local", "cd", "ram", "disk"}) ForceDirectories(base + "/" + d);
  const char* saved = std::getenv("USER");
  const String savedUser = saved ? saved : "";
  const String u = "tester";
  setenv("USER", u.c_str(), 1);
  SetMountTableSource([base, u] {
    return "/dev/sda1 / ext4 rw 0 0\n"
           "proc /proc proc rw 0 0\n"
           "/dev/sdb1 /media/u/USB\\040Stick vfat rw 0 0\n"
           "/dev/sdb2 /media/u/USB vfat rw 0 0\n"
           "tmpfs /mnt/scratch tmpfs rw 0 0\n"
           "srv:/x /mnt/net nfs4 rw 0 0\n"
           "/dev/sdc1 /run/media/" +
           u +
           "/CAM exfat rw 0 0\n"
           "garbage\n" +
           "srv:/y " + base + "/nfs nfs rw 0 0\n" + "/dev/sdd " + base + "/nfs/local ext4 rw 0 0\n" + "/dev/sr0 " +
           base + "/cd iso9660 ro 0 0\n" + "none " + base + "/ram ramfs rw 0 0\n";
  });
  EXPECT_EQ(ShellVolumes(),
            (std::vector<String>{"/", "/media/u/USB", "/media/u/USB Stick", "/mnt/net", "/run/media/" + u + "/CAM"}));
  struct TLongest {
    String Path;
    String Volume;
  };
  for (const TLongest& c : std::vector<TLongest>{{"/media/u/USB/a/b", "/media/u/USB"},
                                                 {"/media/u/USB Stick/x", "/media/u/USB Stick"},
                                                 {"/media/u/USB2/x", "/"},
                                                 {"/media/u/USB", "/media/u/USB"},
                                                 {"/mnt/net/../net/d", "/mnt/net"},
                                                 {"/home/u", "/"}})
    EXPECT_EQ(LongestVolume(c.Path, ShellVolumes()), c.Volume) << c.Path;
  struct TDrive {
    String Path;
    uint32_t Type;
  };
  for (const TDrive& c : std::vector<TDrive>{{base + "/nfs", DRIVE_REMOTE},
                                             {base + "/nfs/local", DRIVE_FIXED},
                                             {base + "/cd", DRIVE_CDROM},
                                             {base + "/ram", DRIVE_RAMDISK},
                                             {base + "/disk", DRIVE_FIXED},
                                             {base + "/missing", DRIVE_NO_ROOT_DIR},
                                             {"", DRIVE_NO_ROOT_DIR}})
    EXPECT_EQ(GetDriveType(c.Path), c.Type) << c.Path;
  for (const TDrive& c : std::vector<TDrive>{{"/media/u/USB", DRIVE_REMOVABLE},
                                             {"/run/media/u/CAM", DRIVE_REMOVABLE},
                                             {"/mnt/net", DRIVE_REMOTE},
                                             {"/", DRIVE_FIXED}}) {
    TMountEntry m;
    ASSERT_TRUE(FindMount(c.Path == "/run/media/u/CAM" ? "/run/media/" + u + "/CAM" : c.Path, m)) << c.Path;
    EXPECT_EQ(DriveTypeOfMount(m), c.Type) << c.Path;
  }
  EXPECT_TRUE(PathIsRoot("/"));
  EXPECT_TRUE(PathIsRoot("/media/u/USB/"));
  EXPECT_FALSE(PathIsRoot("/media/u"));
  // A remote folder is said to have subfolders without a scan.
  TPidl nfs = Parse(base);
  ComPtr<IShellFolder> f = Bind(nfs.P);
  PIDLIST_RELATIVE rel = nullptr;
  ASSERT_EQ(f->ParseDisplayName(nullptr, nullptr, "nfs", nullptr, &rel, nullptr), S_OK);
  SFGAOF a = SFGAO_HASSUBFOLDER;
  PCUITEMID_CHILD items[] = {rel};
  ::rmdir((base + "/nfs/local").c_str());
  f->GetAttributesOf(1, items, &a);
  EXPECT_EQ(a, SFGAO_HASSUBFOLDER);
  ILFree(rel);
  SetMountTableSource(nullptr);
  if (saved)
    setenv("USER", savedUser.c_str(), 1);
  else
    unsetenv("USER");
}

TEST(ShellNamespace, DriveTypeOfRealPathsMatchesDf) {
  if (!HaveTool("df")) GTEST_SKIP() << "df missing";
  const String base = NewDir("df");
  for (const String& p : {String("/"), base}) {
    const String out = RunCommand("df --output=fstype " + Quote(p) + " | tail -n 1");
    TMountEntry m;
    m.FsType = Trim(out);
    m.MountPoint = TrimEnd(RunCommand("df --output=target " + Quote(p) + " | tail -n 1"));
    EXPECT_EQ(GetDriveType(p), DriveTypeOfMount(m)) << p << " " << m.FsType;
  }
  uint64_t freeBytes = 0, total = 0, totalFree = 0;
  EXPECT_TRUE(GetDiskFreeSpaceEx(base, &freeBytes, &total, &totalFree));
  EXPECT_GT(total, 0u);
  EXPECT_FALSE(GetDiskFreeSpaceEx(base + "/missing", &freeBytes, &total, &totalFree));
}
