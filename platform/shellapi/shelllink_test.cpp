#include <unistd.h>

#include "platform/shellapi/shell_testing.h"

using namespace shelltest;

namespace {

struct TLinkResult {
  HRESULT Load = E_FAIL;
  HRESULT Get = E_FAIL;
  String Path;
  uint32_t Attributes = 0;
};

TLinkResult ReadLink(const String& file) {
  TLinkResult r;
  ComPtr<IShellLinkA> link;
  EXPECT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                             reinterpret_cast<void**>(link.ReleaseAndGetAddressOf())),
            S_OK);
  ComPtr<IPersistFile> pf;
  EXPECT_EQ(link.As(IID_IPersistFile, pf), S_OK);
  r.Load = pf->Load(file, 0);
  if (FAILED(r.Load)) return r;
  EXPECT_EQ(pf->IsDirty(), S_FALSE);
  WIN32_FIND_DATA fd;
  r.Get = link->GetPath(r.Path, &fd, 0);
  r.Attributes = fd.dwFileAttributes;
  EXPECT_EQ(link->Resolve(nullptr, 0), S_OK);
  return r;
}

}  // namespace

TEST(ShellLinks, DesktopFilesAndSymbolicLinks) {
  const String dir = NewDir("links");
  ForceDirectories(dir + "/My Folder");
  WriteFile(dir + "/target.txt", "t");
  WriteFile(dir + "/folder.desktop",
            "[Desktop Entry]\nType=Link\nName=Folder\nName[fr]=Dossier\nURL=file://" + dir + "/My%20Folder\n");
  WriteFile(dir + "/file.desktop", "[Desktop Entry]\nType=Link\nURL=file:///" + dir.substr(1) + "/target.txt\n");
  WriteFile(dir + "/web.desktop", "[Desktop Entry]\nType=Link\nURL=https://example.org/\n");
  WriteFile(dir + "/app.desktop", "[Desktop Entry]\nType=Application\nExec=true\n");
  WriteFile(dir + "/broken.desktop", "Type=Link\nno group at all\n");
  ::symlink("My Folder", (dir + "/rel-link").c_str());
  ::symlink((dir + "/target.txt").c_str(), (dir + "/abs-link").c_str());
  struct TCase {
    const char* Name;
    HRESULT Load;
    HRESULT Get;
    String Path;
    bool Directory;
  };
  const std::vector<TCase> cases = {
      {"folder.desktop", S_OK, S_OK, dir + "/My Folder", true},
      {"file.desktop", S_OK, S_OK, dir + "/target.txt", false},
      {"web.desktop", S_OK, S_FALSE, "", false},
      {"app.desktop", S_OK, S_FALSE, "", false},
      {"broken.desktop", E_FAIL, E_FAIL, "", false},
      {"rel-link", S_OK, S_OK, dir + "/My Folder", true},
      {"abs-link", S_OK, S_OK, dir + "/target.txt", false},
  };
  for (const TCase& c : cases) {
    const TLinkResult r = ReadLink(dir + "/" + c.Name);
    EXPECT_EQ(r.Load, c.Load) << c.Name;
    if (FAILED(c.Load)) continue;
    EXPECT_EQ(r.Get, c.Get) << c.Name;
    EXPECT_EQ(r.Path, c.Path) << c.Name;
    EXPECT_EQ((r.Attributes & FILE_ATTRIBUTE_DIRECTORY) != 0, c.Directory) << c.Name;
  }
  EXPECT_NE(ReadLink(dir + "/missing.desktop").Load, S_OK);
  void* obj = nullptr;
  EXPECT_EQ(CoCreateInstance(IID_IShellFolder, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &obj), REGDB_E_CLASSNOTREG);
  EXPECT_EQ(obj, nullptr);
}
