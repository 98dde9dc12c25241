#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <deque>

#include "platform/gui/headless.h"
#include "platform/gui/win_clipboard.h"
#include "platform/gui/win_menus.h"
#include "platform/gui/win_msgbox.h"
#include "platform/rtl/clock.h"
#include "platform/rtl/dates.h"
#include "platform/shellapi/shell_testing.h"
#include "platform/shellapi/shellapi.h"
#include "platform/shellapi/shellui.h"

using namespace shelltest;

namespace {

// Message boxes answered from a script, each one recorded.
struct TScriptedBoxes {
  std::deque<int32_t> Answers;
  std::vector<String> Texts;
  std::vector<uint32_t> Flags;
  TScriptedBoxes() {
    SetMessageBoxHook([this](HWND, const String& text, const String&, uint32_t flags) {
      Texts.push_back(text);
      Flags.push_back(flags);
      if (Answers.empty()) {
        ADD_FAILURE() << "unscripted message box: " << text;
        return IDCANCEL;
      }
      const int32_t a = Answers.front();
      Answers.pop_front();
      return a;
    });
  }
  ~TScriptedBoxes() { SetMessageBoxHook(nullptr); }
};

ComPtr<IContextMenu> MenuOf(const std::vector<String>& paths) {
  std::vector<TFolderItem> fis;
  std::vector<PCUITEMID_CHILD> items;
  for (const String& p : paths) {
    fis.push_back(FolderItem(p));
    items.push_back(fis.back().Child.P);
  }
  ComPtr<IContextMenu> m;
  if (!fis.empty() && fis[0].Folder)
    fis[0].Folder->GetUIObjectOf(nullptr, uint32_t(items.size()), items.data(), IID_IContextMenu, nullptr,
                                 reinterpret_cast<void**>(m.ReleaseAndGetAddressOf()));
  return m;
}

HRESULT Invoke(IContextMenu* m, const char* verb, uint32_t mask = 0) {
  CMINVOKECOMMANDINFO ci;
  ci.lpVerb = verb;
  ci.fMask = mask;
  return m->InvokeCommand(&ci);
}

// The menu's items as "text|state" ("-" for separators).
std::vector<String> Layout(HMENU menu) {
  std::vector<String> out;
  for (int32_t i = 0; i < GetMenuItemCount(menu); ++i) {
    MENUITEMINFO mi;
    mi.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_STATE | MIIM_ID;
    GetMenuItemInfo(menu, uint32_t(i), true, &mi);
    if (mi.fType & MFT_SEPARATOR) {
      out.push_back("-");
      continue;
    }
    String s = mi.dwTypeData;
    if (mi.fState & MFS_DEFAULT) s += "|default";
    if ((mi.fState & MFS_DISABLED) == MFS_DISABLED) s += "|off";
    out.push_back(s);
  }
  return out;
}

}  // namespace

TEST(ShellVerbs, MenusListTheVerbsTheAttributesAllow) {
  THeadlessSession session;
  const String dir = NewDir("menu");
  WriteFile(dir + "/f.txt", "");
  ComPtr<IContextMenu> m = MenuOf({dir + "/f.txt"});
  ASSERT_TRUE(m);
  HMENU menu = CreatePopupMenu();
  EXPECT_EQ(m->QueryContextMenu(menu, 0, 1, 0x7FFF, CMF_EXPLORE | CMF_CANRENAME), MAKE_HRESULT(0, 0, 7));
  EXPECT_EQ(Layout(menu), (std::vector<String>{"&Open|default", "-", "Cu&t", "&Copy", "-", "&Delete", "Rena&me", "-",
                                               "P&roperties"}));
  EXPECT_EQ(GetMenuDefaultItem(menu, false, 0), 1u);
  DestroyMenu(menu);
  menu = CreatePopupMenu();
  EXPECT_EQ(m->QueryContextMenu(menu, 0, 1, 0x7FFF, CMF_DEFAULTONLY), MAKE_HRESULT(0, 0, 1));
  EXPECT_EQ(Layout(menu), std::vector<String>{"&Open|default"});
  DestroyMenu(menu);
  const char* verbs[] = {"open", "cut", "copy", "paste", "delete", "rename", "properties"};
  for (uintptr_t i = 0; i < 7; ++i) {
    String v;
    EXPECT_EQ(m->GetCommandString(i, GCS_VERBA, nullptr, v), S_OK);
    EXPECT_EQ(v, verbs[i]);
  }
  String none;
  EXPECT_EQ(m->GetCommandString(7, GCS_VERBA, nullptr, none), E_INVALIDARG);
  EXPECT_EQ(Invoke(m.Get(), "frobnicate"), E_INVALIDARG);
  EXPECT_EQ(Invoke(m.Get(), MAKEINTRESOURCEA(5)), S_OK);  // rename: the caller edits in place

  // The background offers Paste only with files on the clipboard.
  TPidl p = Parse(dir);
  ComPtr<IShellFolder> f = Bind(p.P);
  ComPtr<IContextMenu> bg;
  ASSERT_EQ(f->CreateViewObject(nullptr, IID_IContextMenu, reinterpret_cast<void**>(bg.ReleaseAndGetAddressOf())),
            S_OK);
  ComPtr<IContextMenu> unused;
  EXPECT_EQ(f->CreateViewObject(nullptr, IID_IShellDetails, reinterpret_cast<void**>(unused.ReleaseAndGetAddressOf())),
            E_NOINTERFACE);
  OpenClipboard(nullptr);
  EmptyClipboard();
  CloseClipboard();
  menu = CreatePopupMenu();
  bg->QueryContextMenu(menu, 0, 1, 0x7FFF, 0);
  EXPECT_EQ(Layout(menu), (std::vector<String>{"&Paste|off", "-", "P&roperties"}));
  DestroyMenu(menu);
  ASSERT_EQ(Invoke(m.Get(), "copy"), S_OK);
  menu = CreatePopupMenu();
  bg->QueryContextMenu(menu, 0, 1, 0x7FFF, 0);
  EXPECT_EQ(Layout(menu)[0], "&Paste");
  DestroyMenu(menu);

  // Properties waits for the dialog layer's window.
  EXPECT_EQ(Invoke(m.Get(), "Properties"), E_NOTIMPL);
  std::vector<String> shown;
  ShellUI().ShowProperties = [&](HWND, const std::vector<String>& paths) {
    shown = paths;
    return S_OK;
  };
  EXPECT_EQ(Invoke(m.Get(), "properties"), S_OK);
  EXPECT_EQ(shown, std::vector<String>{dir + "/f.txt"});
  ShellUI().ShowProperties = nullptr;
  TShellPropertiesInfo info;
  ASSERT_TRUE(SHGetPropertiesInfo(dir + "/f.txt", info));
  EXPECT_EQ(info.Name, "f.txt");
  EXPECT_EQ(info.TypeName, "Text document");
  EXPECT_EQ(info.Location, dir);
  EXPECT_EQ(info.ModeString.substr(0, 1), "-");
  EXPECT_EQ(SHAutoComplete(nullptr, SHACF_FILESYS_DIRS), E_NOTIMPL);
}

TEST(ShellVerbs, DeleteAsksAndMovesToTheTrash) {
  THeadlessSession session;
  TScriptedBoxes boxes;
  VirtualClock clock(EncodeDateTime(2021, 3, 4, 5, 6, 7, 0));
  struct TClockGuard {
    explicit TClockGuard(Clock* c) { SetClock(c); }
    ~TClockGuard() { SetClock(nullptr); }
  } guard(&clock);
  const String dir = NewDir("del");
  const String file = dir + "/victim name.txt";
  WriteFile(file, "precious");
  ComPtr<IContextMenu> m = MenuOf({file});
  ASSERT_TRUE(m);
  boxes.Answers = {IDNO};
  EXPECT_EQ(Invoke(m.Get(), "delete"), HRESULT_FROM_WIN32(ERROR_CANCELLED));
  EXPECT_EQ(ReadFile(file), "precious");
  ASSERT_EQ(boxes.Texts.size(), 1u);
  EXPECT_EQ(boxes.Texts[0], "Move 1 item(s) to the Trash?");
  EXPECT_EQ(boxes.Flags[0], MB_YESNO | MB_ICONQUESTION);
  boxes.Answers = {IDYES};
  EXPECT_EQ(Invoke(m.Get(), "delete"), S_OK);
  EXPECT_FALSE(Exists(file));
  // The trash holds it, named after it, with where it came from.
  bool found = false;
  for (const TTrashEntry& t : ListHomeTrash())
    if (t.OriginalPath == file) {
      found = true;
      EXPECT_EQ(t.DeletionDate, "2021-03-04T05:06:07");
      EXPECT_EQ(ReadFile(XdgDirs()->DataHome + "/Trash/files/" + t.Name), "precious");
    }
  EXPECT_TRUE(found);
  if (HaveTool("trash-list")) {
    const String out = RunCommand("trash-list 2>/dev/null");
    EXPECT_NE(out.find("2021-03-04 05:06:07 " + file), String::npos) << out;
  }
  // Without UI nothing is asked.
  WriteFile(file, "again");
  ComPtr<IContextMenu> m2 = MenuOf({file});
  EXPECT_EQ(Invoke(m2.Get(), "delete", CMIC_MASK_FLAG_NO_UI), S_OK);
  EXPECT_FALSE(Exists(file));
  EXPECT_EQ(boxes.Texts.size(), 2u);
  // A second item of the same name takes another trash name.
  size_t same = 0;
  for (const TTrashEntry& t : ListHomeTrash()) same += t.OriginalPath == file;
  EXPECT_EQ(same, 2u);
}

TEST(ShellVerbs, TrashPutEntriesAppearInOurTrash) {
  if (!HaveTool("trash-put")) GTEST_SKIP() << "trash-put missing (package trash-cli)";
  const String dir = NewDir("tput");
  WriteFile(dir + "/from-cli.txt", "cli");
  int status = -1;
  RunCommand("trash-put " + Quote(dir + "/from-cli.txt") + " 2>&1", &status);
  ASSERT_EQ(status, 0);
  TPidl trash = Parse("::Trash");
  ComPtr<IShellFolder> f = Bind(trash.P);
  ASSERT_TRUE(f);
  ComPtr<IEnumIDList> e;
  ASSERT_EQ(f->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, e.ReleaseAndGetAddressOf()), S_OK);
  PITEMID_CHILD it;
  uint32_t got;
  bool found = false;
  while (e->Next(1, &it, &got) == S_OK) {
    if (NameOf(f.Get(), it, SHGDN_NORMAL) == "from-cli.txt") {
      found = true;
      // Trash entries cannot be renamed, moved or deleted.
      SFGAOF a = SFGAO_CANRENAME | SFGAO_CANDELETE | SFGAO_CANMOVE | SFGAO_CANCOPY;
      PCUITEMID_CHILD items[] = {it};
      f->GetAttributesOf(1, items, &a);
      EXPECT_EQ(a, SFGAO_CANCOPY);
      EXPECT_NE(f->SetNameOf(nullptr, it, "other.txt", 0, nullptr), S_OK);
    }
    ILFree(it);
  }
  EXPECT_TRUE(found);
}

TEST(ShellVerbs, ReadOnlyFolderDisablesAndRefusesDelete) {
  THeadlessSession session;
  const String dir = NewDir("ro");
  WriteFile(dir + "/keep.txt", "k");
  ::chmod(dir.c_str(), 0555);
  ComPtr<IContextMenu> m = MenuOf({dir + "/keep.txt"});
  ASSERT_TRUE(m);
  HMENU menu = CreatePopupMenu();
  m->QueryContextMenu(menu, 0, 1, 0x7FFF, CMF_CANRENAME);
  const std::vector<String> layout = Layout(menu);
  DestroyMenu(menu);
  EXPECT_EQ(layout, (std::vector<String>{"&Open|default", "-", "Cu&t|off", "&Copy", "-", "&Delete|off", "Rena&me|off",
                                         "-", "P&roperties"}));
  EXPECT_EQ(Invoke(m.Get(), "delete", CMIC_MASK_FLAG_NO_UI), E_ACCESSDENIED);
  EXPECT_TRUE(Exists(dir + "/keep.txt"));
  ::chmod(dir.c_str(), 0755);
}

TEST(ShellVerbs, OpenHandsOneArgumentToTheOpenerWithoutAShell) {
  const String dir = NewDir("open");
  const String bin = dir + "/bin";
  ForceDirectories(bin);
  WriteFile(bin + "/xdg-open",
            "#!/bin/sh\nprintf '%s\\n' \"$#\" > \"$SHELLTEST_OUT.tmp\"\nprintf '%s' \"$1\" >> \"$SHELLTEST_OUT.tmp\"\n"
            "pwd >> \"$SHELLTEST_OUT.tmp\"\nmv \"$SHELLTEST_OUT.tmp\" \"$SHELLTEST_OUT\"\n");
  ::chmod((bin + "/xdg-open").c_str(), 0755);
  const String docs = dir + "/docs";
  ForceDirectories(docs);
  const String name = "a b;$(touch x).jpg";
  WriteFile(docs + "/" + name, "jpeg");
  const String oldPath = std::getenv("PATH");
  setenv("PATH", (bin + ":" + oldPath).c_str(), 1);
  setenv("SHELLTEST_OUT", (dir + "/args").c_str(), 1);
  const uintptr_t r =
      ShellExecuteResult(ShellExecute(nullptr, "open", (docs + "/" + name).c_str(), nullptr, docs.c_str(), 1));
  EXPECT_GT(r, 32u);
  EXPECT_TRUE(WaitForShellLaunches(20000));
  EXPECT_EQ(ReadFile(dir + "/args"), "1\n" + docs + "/" + name + docs + "\n");
  EXPECT_FALSE(Exists(docs + "/x"));
  EXPECT_FALSE(Exists("x"));
  // A program is never run; a missing file is reported.
  WriteFile(docs + "/tool", "#!/bin/sh\ntouch ran\n");
  ::chmod((docs + "/tool").c_str(), 0755);
  EXPECT_EQ(ShellExecuteResult(ShellExecute(nullptr, nullptr, (docs + "/tool").c_str(), nullptr, nullptr, 1)),
            SE_ERR_NOASSOC);
  EXPECT_EQ(ShellExecuteResult(ShellExecute(nullptr, "open", (docs + "/gone.jpg").c_str(), nullptr, nullptr, 1)),
            ERROR_FILE_NOT_FOUND);
  // No opener at all.
  setenv("PATH", (dir + "/empty").c_str(), 1);
  EXPECT_EQ(ShellExecuteResult(ShellExecute(nullptr, "open", (docs + "/" + name).c_str(), nullptr, nullptr, 1)),
            SE_ERR_NOASSOC);
  setenv("PATH", oldPath.c_str(), 1);
  unsetenv("SHELLTEST_OUT");
}

TEST(ShellVerbs, AutoCompleteCandidatesAndDataObjects) {
  const String dir = NewDir("ac");
  ForceDirectories(dir + "/Photos");
  ForceDirectories(dir + "/photo2");
  ForceDirectories(dir + "/.photo-hidden");
  WriteFile(dir + "/photo.jpg", "");
  WriteFile(dir + "/other.txt", "");
  EXPECT_EQ(AutoCompleteCandidates(dir + "/pho", true), (std::vector<String>{dir + "/photo2", dir + "/Photos"}));
  EXPECT_EQ(AutoCompleteCandidates(dir + "/PHO", false),
            (std::vector<String>{dir + "/photo.jpg", dir + "/photo2", dir + "/Photos"}));
  EXPECT_EQ(AutoCompleteCandidates(dir + "/.pho", true), std::vector<String>{dir + "/.photo-hidden"});
  EXPECT_TRUE(AutoCompleteCandidates(dir + "/missing/x", false).empty());
  EXPECT_TRUE(AutoCompleteCandidates("relative", false).empty());
  // The data object of items: UTF-16 names, or raw bytes when one is not UTF-8.
  WriteFile(dir + "/\xE9.jpg", "");
  for (const String& name : {String("photo.jpg"), String("\xE9.jpg")}) {
    TFolderItem fi = FolderItem(dir + "/" + name);
    ComPtr<IDataObject> data;
    PCUITEMID_CHILD items[] = {fi.Child.P};
    ASSERT_EQ(fi.Folder->GetUIObjectOf(nullptr, 1, items, IID_IDataObject, nullptr,
                                       reinterpret_cast<void**>(data.ReleaseAndGetAddressOf())),
              S_OK);
    FORMATETC f;
    f.cfFormat = CF_HDROP;
    STGMEDIUM m;
    ASSERT_EQ(data->GetData(&f, &m), S_OK);
    DROPFILES head;
    std::memcpy(&head, GlobalLock(m.hGlobal), sizeof head);
    GlobalUnlock(m.hGlobal);
    EXPECT_EQ(head.fWide, name == "photo.jpg" ? 1 : 0);
    char buf[4096];
    const uint32_t n = DragQueryFile(m.hGlobal, 0, buf, sizeof buf);
    EXPECT_EQ(String(buf, n), dir + "/" + name);
    ReleaseStgMedium(&m);
  }
}
