#include "platform/vcl/dialogs_file.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "platform/gui/win_readback.h"
#include "platform/rtl/files.h"
#include "platform/rtl/strings.h"
#include "platform/shellapi/idlist.h"
#include "platform/shellapi/shellui.h"
#include "platform/shellapi/shlobj.h"
#include "platform/vcl/comctrls_listview.h"
#include "platform/vcl/dialog_script_testing.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/stdctrls_native.h"
#include "platform/vcl/vcl_testing.h"

using namespace std::string_literals;

namespace {

String NewDir(const String& tag) {
  static int n = 0;
  const String d = String(std::getenv("HOME")) + "/fd-" + tag + "-" + std::to_string(++n);
  ForceDirectories(d);
  return d;
}

void Touch(const String& path, const String& content = "x") {
  std::ofstream f(path, std::ios::binary);
  f << content;
}

String CodeName(uint32_t code) {
  switch (code) {
    case CDN_INITDONE: return "INITDONE";
    case CDN_SELCHANGE: return "SELCHANGE";
    case CDN_FOLDERCHANGE: return "FOLDERCHANGE";
    case CDN_HELP: return "HELP";
    case CDN_FILEOK: return "FILEOK";
    case CDN_TYPECHANGE: return "TYPECHANGE";
    case CDN_INCLUDEITEM: return "INCLUDEITEM";
    default: return "CDN " + std::to_string(int32_t(code));
  }
}

// What a logging hook saw; one run at a time.
struct THookLog {
  std::vector<String> Events;
  HWND Child = nullptr;
  OPENFILENAME* Ofn = nullptr;
  bool InitLParamWasOfn = false;
  bool ShownAtInitDone = true;
  bool ListLaidOutAtInitDone = false;
  uint32_t FilterIndexAtTypeChange = 0;
  int32_t RefuseFileOk = 0;  // refusals left
  bool RefuseBySlot = false;
  std::function<void(HWND child, uint32_t code)> OnNotify;
};
THookLog* gLog = nullptr;

intptr_t LoggingHook(HWND h, uint32_t msg, WPARAM, LPARAM lParam) {
  if (gLog == nullptr) return 0;
  if (msg == WM_INITDIALOG) {
    gLog->Child = h;
    gLog->InitLParamWasOfn = reinterpret_cast<OPENFILENAME*>(lParam) == gLog->Ofn;
    gLog->Events.push_back("INITDIALOG");
    return 1;
  }
  if (msg != WM_NOTIFY) return 0;
  const auto* n = reinterpret_cast<const OFNOTIFY*>(lParam);
  if (n->hdr.hwndFrom != GetParent(h)) gLog->Events.push_back("wrong hwndFrom");
  gLog->Events.push_back(CodeName(n->hdr.code));
  if (n->hdr.code == CDN_INITDONE) {
    gLog->ShownAtInitDone = IsWindowVisible(GetParent(h));
    TRect r;
    GetWindowRect(GetDlgItem(GetParent(h), lst1), &r);
    gLog->ListLaidOutAtInitDone = r.Width() > 50 && r.Height() > 50;
  }
  if (n->hdr.code == CDN_TYPECHANGE) gLog->FilterIndexAtTypeChange = n->lpOFN->nFilterIndex;
  if (gLog->OnNotify) gLog->OnNotify(h, n->hdr.code);
  if (n->hdr.code == CDN_FILEOK && gLog->RefuseFileOk > 0) {
    --gLog->RefuseFileOk;
    if (gLog->RefuseBySlot) {
      SetWindowLong(h, DWLP_MSGRESULT, 1);
      return 1;
    }
    return 1;  // the answer alone
  }
  return 0;
}

class DlgFile : public TVclTest {
 protected:
  DlgFile() { gLog = &Log; }
  ~DlgFile() override { gLog = nullptr; }

  OPENFILENAME Ofn(const String& dir, const String& filter = "All files\0*.*\0\0"s) {
    OPENFILENAME o;
    o.lpstrFilter = filter;
    o.lpstrInitialDir = dir;
    return o;
  }
  OPENFILENAME Hooked(const String& dir, const String& filter = "All files\0*.*\0\0"s) {
    OPENFILENAME o = Ofn(dir, filter);
    o.Flags = OFN_EXPLORER | OFN_ENABLEHOOK;
    o.lpfnHook = LoggingHook;
    return o;
  }
  static int32_t ListCount(HWND dlg) { return int32_t(SendMessage(GetDlgItem(dlg, lst1), LVM_GETITEMCOUNT, 0, 0)); }
  static std::vector<String> ListNames(HWND dlg) {
    std::vector<String> r;
    HWND list = GetDlgItem(dlg, lst1);
    for (int32_t i = 0; i < ListCount(dlg); ++i) {
      char buf[512];
      LVITEM it;
      it.iSubItem = 0;
      it.pszText = buf;
      it.cchTextMax = sizeof(buf);
      SendMessage(list, LVM_GETITEMTEXT, WPARAM(i), reinterpret_cast<LPARAM>(&it));
      r.push_back(buf);
    }
    return r;
  }

  THookLog Log;
};

TDialogTemplate PreviewTemplate(int32_t stcW, int32_t stcH);

// ---- The hook protocol -------------------------------------------------------------

TEST_F(DlgFile, HookMessageSequence) {
  const String dir = NewDir("seq");
  ForceDirectories(dir + "/sub");
  Touch(dir + "/sub/a.jpg");
  Touch(dir + "/sub/b.png");
  OPENFILENAME o = Hooked(dir, "JPEG\0*.jpg\0PNG\0*.png\0\0"s);
  Log.Ofn = &o;
  {
    TDialogScript script;
    script.Expect(TScriptKind::Open)
        .Caption("Open")
        .GoToFolder(dir + "/sub")
        .SelectNames({"a.jpg"})
        .ChooseType(2)
        .Press(IDOK);
    ASSERT_TRUE(GetOpenFileName(&o));
  }
  const std::vector<String> expected = {"INITDIALOG", "INITDONE",   "FOLDERCHANGE", "FOLDERCHANGE",
                                        "SELCHANGE",  "TYPECHANGE", "FILEOK"};
  EXPECT_EQ(Log.Events, expected);
  EXPECT_TRUE(Log.InitLParamWasOfn);
  EXPECT_FALSE(Log.ShownAtInitDone);
  EXPECT_TRUE(Log.ListLaidOutAtInitDone);
  EXPECT_EQ(Log.FilterIndexAtTypeChange, 2u);
  EXPECT_EQ(o.lpstrFile, dir + "/sub/a.jpg");
  EXPECT_EQ(o.nFilterIndex, 2u);
  EXPECT_EQ(CommDlgExtendedError(), 0u);
}

TEST_F(DlgFile, RefusedFileOkKeepsTheDialog) {
  for (bool bySlot : {false, true}) {
    SCOPED_TRACE(bySlot ? "DWLP_MSGRESULT" : "return value");
    const String dir = NewDir("refuse");
    Touch(dir + "/a.jpg");
    Log = THookLog{};
    OPENFILENAME o = Hooked(dir);
    Log.Ofn = &o;
    Log.RefuseFileOk = 2;
    Log.RefuseBySlot = bySlot;
    bool openAfterRefusal = false;
    {
      TDialogScript script;
      script.Expect(TScriptKind::Open)
          .TypeName("a.jpg")
          .Press(IDOK)
          .Press(IDOK)
          .Do([&](TScriptTarget t, const auto&) { openAfterRefusal = IsWindowVisible(t.Dialog); })
          .Press(IDOK);
      EXPECT_TRUE(GetOpenFileName(&o));
    }
    EXPECT_TRUE(openAfterRefusal);
    EXPECT_EQ(std::count(Log.Events.begin(), Log.Events.end(), "FILEOK"), 3);
    EXPECT_EQ(o.lpstrFile, dir + "/a.jpg");
  }
}

TEST_F(DlgFile, ControlMessages) {
  const String dir = NewDir("cdm");
  Touch(dir + "/a.jpg");
  OPENFILENAME o = Hooked(dir, "JPEG\0*.jpg\0PNG\0*.png\0\0"s);
  Log.Ofn = &o;
  // Writing the name box at each type change, as an application does to
  // follow the type's extension: no further notification comes of it.
  Log.OnNotify = [](HWND child, uint32_t code) {
    if (code == CDN_TYPECHANGE) CommDlg_OpenSave_SetControlText(GetParent(child), edt1, "renamed.png");
  };
  struct TCase {
    String Typed;
    String FilePath;  // "" : the folder plus the typed text
  } const cases[] = {
      {"x.png", ""},
      {"sub/y.png", ""},
      {"/elsewhere/z.png", "/elsewhere/z.png"},
      {"\"one.jpg\" \"two.jpg\"", "one.jpg"},
  };
  std::vector<String> seen;
  {
    TDialogScript script;
    auto& e = script.Expect(TScriptKind::Open);
    for (const TCase& c : cases) {
      e.TypeName(c.Typed).Do([&, c](TScriptTarget t, const auto&) {
        String s;
        EXPECT_GT(CommDlg_OpenSave_GetFilePath(t.Dialog, &s), 0);
        const String want = c.FilePath.empty()          ? dir + "/" + c.Typed
                            : c.FilePath.front() == '/' ? c.FilePath
                                                        : dir + "/" + c.FilePath;
        EXPECT_EQ(s, want) << c.Typed;
        EXPECT_EQ(CommDlg_OpenSave_GetSpec(t.Dialog, &s), LRESULT(c.Typed.size() + 1));
        EXPECT_EQ(s, c.Typed);
      });
    }
    e.Do([&](TScriptTarget t, const auto&) {
       String s;
       EXPECT_EQ(CommDlg_OpenSave_GetFolderPath(t.Dialog, &s), LRESULT(dir.size() + 1));
       EXPECT_EQ(s, dir);
       PIDLIST_ABSOLUTE pidl = nullptr;
       EXPECT_GT(CommDlg_OpenSave_GetFolderIDList(t.Dialog, &pidl), 0);
       String path;
       EXPECT_TRUE(SHGetPathFromIDList(pidl, path));
       EXPECT_EQ(path, dir);
       ILFree(pidl);
       const size_t before = Log.Events.size();
       CommDlg_OpenSave_SetControlText(t.Dialog, cmb13, "typed.jpg");
       EXPECT_EQ(Log.Events.size(), before);
       EXPECT_EQ(GetDlgItemTextString(t.Dialog, edt1), "typed.jpg");
       CommDlg_OpenSave_SetControlText(t.Dialog, IDOK, "Pick");
       EXPECT_EQ(GetDlgItemTextString(t.Dialog, IDOK), "Pick");
       CommDlg_OpenSave_HideControl(t.Dialog, stc2);
       EXPECT_FALSE(IsWindowVisible(GetDlgItem(t.Dialog, stc2)));
     })
        .ChooseType(2)
        .Do([&](TScriptTarget t, const auto&) {
          seen = Log.Events;
          EXPECT_EQ(GetDlgItemTextString(t.Dialog, edt1), "renamed.png");
        })
        .Press(IDCANCEL);
    EXPECT_FALSE(GetOpenFileName(&o));
  }
  EXPECT_EQ(CommDlgExtendedError(), 0u);
  EXPECT_EQ(std::count(seen.begin(), seen.end(), "TYPECHANGE"), 1);
  EXPECT_EQ(std::count(seen.begin(), seen.end(), "SELCHANGE"), 0);
}

TEST_F(DlgFile, SetDefExtFromTheHook) {
  const String dir = NewDir("defext");
  OPENFILENAME o = Hooked(dir);
  o.lpstrDefExt = "jpg";
  Log.Ofn = &o;
  Log.OnNotify = [](HWND child, uint32_t code) {
    if (code == CDN_INITDONE) CommDlg_OpenSave_SetDefExt(GetParent(child), "png");
  };
  TDialogScript script;
  script.Expect(TScriptKind::Save).TypeName("out").Press(IDOK);
  ASSERT_TRUE(GetSaveFileName(&o));
  EXPECT_EQ(o.lpstrFile, dir + "/out.png");
}

// ---- Results -------------------------------------------------------------------------

TEST_F(DlgFile, OneAndSeveralFiles) {
  const String dir = NewDir("results");
  for (const char* n : {"a.jpg", "b.jpg", "noext", "dot."}) Touch(dir + "/" + n);
  struct TCase {
    std::vector<String> Select;  // empty: type Typed
    String Typed;
    bool Multi;
    String File;
    uint16_t Offset, Extension;
  } const cases[] = {
      {{"a.jpg"}, "", false, dir + "/a.jpg", uint16_t(dir.size() + 1), uint16_t(dir.size() + 3)},
      {{}, "noext", false, dir + "/noext", uint16_t(dir.size() + 1), uint16_t(dir.size() + 6)},
      {{}, "dot.", false, dir + "/dot.", uint16_t(dir.size() + 1), 0},
      {{"a.jpg", "b.jpg"}, "", true, dir + "\0a.jpg\0b.jpg\0\0"s, uint16_t(dir.size() + 1), 0},
      {{}, "\"b.jpg\" \"a.jpg\"", true, dir + "\0b.jpg\0a.jpg\0\0"s, uint16_t(dir.size() + 1), 0},
      {{"a.jpg"}, "", true, dir + "/a.jpg", uint16_t(dir.size() + 1), uint16_t(dir.size() + 3)},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Typed + (c.Select.empty() ? "" : c.Select[0]));
    OPENFILENAME o = Ofn(dir);
    o.Flags = OFN_FILEMUSTEXIST | (c.Multi ? OFN_ALLOWMULTISELECT : 0);
    o.nMaxFile = 4;  // ignored: nothing is cut
    {
      TDialogScript script;
      auto& e = script.Expect(TScriptKind::Open);
      if (c.Select.empty())
        e.TypeName(c.Typed);
      else
        e.SelectNames(c.Select);
      e.Press(IDOK);
      ASSERT_TRUE(GetOpenFileName(&o));
    }
    EXPECT_EQ(o.lpstrFile, c.File);
    EXPECT_EQ(o.nFileOffset, c.Offset);
    EXPECT_EQ(o.nFileExtension, c.Extension);
  }
}

TEST_F(DlgFile, FilterWithNulsAndIndexZero) {
  const String dir = NewDir("filter");
  for (const char* n : {"a.jpg", "B.JPEG", "c.png", "d.txt"}) Touch(dir + "/" + n);
  ForceDirectories(dir + "/folder");
  OPENFILENAME o = Ofn(dir, "Pictures\0*.jpg; *.jpeg;*.png\0Text\0*.txt\0Everything\0*.*\0\0"s);
  o.nFilterIndex = 0;
  std::vector<std::vector<String>> lists;
  int32_t types = 0;
  {
    TDialogScript script;
    script.Expect(TScriptKind::Open)
        .Do([&](TScriptTarget t, const auto&) {
          types = int32_t(SendDlgItemMessage(t.Dialog, cmb1, CB_GETCOUNT, 0, 0));
          lists.push_back(ListNames(t.Dialog));
        })
        .ChooseType(2)
        .Do([&](TScriptTarget t, const auto&) { lists.push_back(ListNames(t.Dialog)); })
        .ChooseType(3)
        .Do([&](TScriptTarget t, const auto&) { lists.push_back(ListNames(t.Dialog)); })
        .TypeName("*.PNG")
        .Press(IDOK)
        .Do([&](TScriptTarget t, const auto&) {
          lists.push_back(ListNames(t.Dialog));
          EXPECT_EQ(GetDlgItemTextString(t.Dialog, edt1), "");
        })
        .Press(IDCANCEL);
    EXPECT_FALSE(GetOpenFileName(&o));
  }
  EXPECT_EQ(types, 3);
  ASSERT_EQ(lists.size(), 4u);
  EXPECT_EQ(lists[0], (std::vector<String>{"folder", "a.jpg", "B.JPEG", "c.png"}));
  EXPECT_EQ(lists[1], (std::vector<String>{"folder", "d.txt"}));
  EXPECT_EQ(lists[2], (std::vector<String>{"folder", "a.jpg", "B.JPEG", "c.png", "d.txt"}));
  EXPECT_EQ(lists[3], (std::vector<String>{"folder", "c.png"}));
  EXPECT_EQ(o.nFilterIndex, 3u);
}

TEST_F(DlgFile, DefaultExtension) {
  const String dir = NewDir("defext");
  Touch(dir + "/plain");
  Touch(dir + "/taken.jpg");
  const String pictures = "PNG\0*.png\0Anything\0*.*\0\0"s;
  struct TCase {
    bool Save;
    uint32_t Type;
    String Typed;
    String Result;
    bool Different;
  } const cases[] = {
      {true, 1, "pic", "pic.png", true},      // the type's plain pattern
      {true, 2, "pic", "pic.jpg", false},     // "*.*": the default extension
      {true, 2, "pic.gif", "pic.gif", true},  // an extension of its own
      {true, 2, "PIC.JPG", "PIC.JPG", false},
      {false, 2, "plain", "plain", true},  // the open dialog keeps an existing name
      {false, 2, "taken", "taken.jpg", false},
      {false, 1, "missing", "missing.png", true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Typed);
    OPENFILENAME o = Ofn(dir, pictures);
    o.nFilterIndex = c.Type;
    o.lpstrDefExt = "jpg";
    {
      TDialogScript script;
      script.Expect(c.Save ? TScriptKind::Save : TScriptKind::Open).TypeName(c.Typed).Press(IDOK);
      ASSERT_TRUE(c.Save ? GetSaveFileName(&o) : GetOpenFileName(&o));
    }
    EXPECT_EQ(o.lpstrFile, dir + "/" + c.Result);
    EXPECT_EQ((o.Flags & OFN_EXTENSIONDIFFERENT) != 0, c.Different);
  }
}

TEST_F(DlgFile, RecordErrors) {
  OPENFILENAME o = Ofn(NewDir("errors"));
  o.lStructSize = 60;
  EXPECT_FALSE(GetOpenFileName(&o));
  EXPECT_EQ(CommDlgExtendedError(), CDERR_STRUCTSIZE);
  o.lStructSize = OPENFILENAME_SIZE_VERSION_400;
  o.Flags = OFN_ENABLEHOOK | OFN_ENABLETEMPLATE;
  o.lpfnHook = LoggingHook;
  o.lpTemplateName = "NO SUCH TEMPLATE";
  EXPECT_FALSE(GetOpenFileName(&o));
  EXPECT_EQ(CommDlgExtendedError(), CDERR_FINDRESFAILURE);
  o.Flags = 0;
  o.lpstrFile = String(300, 'n');
  EXPECT_FALSE(GetSaveFileName(&o));
  EXPECT_EQ(CommDlgExtendedError(), FNERR_INVALIDFILENAME);
  o.lpstrFile.clear();
  {
    TDialogScript script;
    script.Expect(TScriptKind::Open).Key(VK_ESCAPE);
    EXPECT_FALSE(GetOpenFileName(&o));
  }
  EXPECT_EQ(CommDlgExtendedError(), 0u);
}

// ---- The OK sequence and its prompts ---------------------------------------------------

// A file or folder that access(W_OK) refuses: its mode, or for root (who
// passes mode checks) the immutable flag; both undone at the end.
class TReadOnlyPath {
 public:
  explicit TReadOnlyPath(const String& path) : FPath(path) {
    ::chmod(path.c_str(), DirectoryExists(path) ? 0555 : 0444);
    if (::access(path.c_str(), W_OK) != 0) return;
    FFd = ::open(path.c_str(), O_RDONLY);
    int flags = 0;
    if (FFd < 0 || ::ioctl(FFd, FS_IOC_GETFLAGS, &flags) != 0) return;
    flags |= FS_IMMUTABLE_FL;
    FImmutable = ::ioctl(FFd, FS_IOC_SETFLAGS, &flags) == 0;
  }
  ~TReadOnlyPath() {
    if (FImmutable) {
      int flags = 0;
      ::ioctl(FFd, FS_IOC_GETFLAGS, &flags);
      flags &= ~FS_IMMUTABLE_FL;
      ::ioctl(FFd, FS_IOC_SETFLAGS, &flags);
    }
    if (FFd >= 0) ::close(FFd);
    ::chmod(FPath.c_str(), DirectoryExists(FPath) ? 0755 : 0644);
  }
  bool Ok() const { return ::access(FPath.c_str(), W_OK) != 0; }

 private:
  String FPath;
  int FFd = -1;
  bool FImmutable = false;
};

TEST_F(DlgFile, PromptsAnsweredByScript) {
  const String dir = NewDir("prompts");
  Touch(dir + "/a.jpg");
  struct TCase {
    const char* Name;
    bool Save;
    uint32_t Flags;
    String Typed;
    String Prompt;  // "" : none
    int32_t Answer;
    bool Accepted;
  } const cases[] = {
      {"file must exist", false, OFN_FILEMUSTEXIST, "missing.jpg", "was not found", IDOK, false},
      {"path must exist", false, OFN_PATHMUSTEXIST, "nodir/x.jpg", "folder does not exist", IDOK, false},
      {"path must exist, save", true, OFN_PATHMUSTEXIST, "nodir/x.jpg", "folder does not exist", IDOK, false},
      {"create: yes", false, OFN_CREATEPROMPT, "new.jpg", "Do you want to create it?", IDYES, true},
      {"create: no", false, OFN_CREATEPROMPT, "new.jpg", "Do you want to create it?", IDNO, false},
      {"overwrite: yes", true, OFN_OVERWRITEPROMPT, "a.jpg", "a.jpg already exists.\nDo you want to replace it?", IDYES,
       true},
      {"overwrite: Enter is No", true, OFN_OVERWRITEPROMPT, "a.jpg", "already exists", 0, false},
      {"no prompt without the flags", false, 0, "missing.jpg", "", 0, true},
      {"no overwrite prompt without the flag", true, 0, "a.jpg", "", 0, true},
      {"create prompt only for new files", false, OFN_CREATEPROMPT, "a.jpg", "", 0, true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Log = THookLog{};
    OPENFILENAME o = Hooked(dir);
    o.Flags |= c.Flags;
    Log.Ofn = &o;
    bool stillOpen = false;
    bool result = false;
    {
      TDialogScript script;
      // OK returns once its prompt was answered; a dialog that stayed is cancelled.
      script.Expect(c.Save ? TScriptKind::Save : TScriptKind::Open)
          .TypeName(c.Typed)
          .Do([&](TScriptTarget t, const auto&) {
            SendMessage(GetDlgItem(t.Dialog, IDOK), BM_CLICK, 0, 0);
            stillOpen = std::count(Log.Events.begin(), Log.Events.end(), "FILEOK") == 0;
            if (stillOpen) SendMessage(GetDlgItem(t.Dialog, IDCANCEL), BM_CLICK, 0, 0);
          });
      if (!c.Prompt.empty()) {
        auto& box = script.ExpectMessageBox().Caption(c.Save ? "Save As" : "Open").Text(c.Prompt);
        if (c.Answer == 0)
          box.Key(VK_RETURN);
        else
          box.Press(c.Answer);
      }
      result = c.Save ? GetSaveFileName(&o) : GetOpenFileName(&o);
    }
    EXPECT_EQ(result, c.Accepted);
    EXPECT_EQ(stillOpen, !c.Accepted);
    if (c.Accepted) {
      EXPECT_EQ(o.lpstrFile, dir + "/" + c.Typed);
    }
  }
  // The dialog never makes the file it was asked to create.
  EXPECT_FALSE(FileExists(dir + "/new.jpg"));
  EXPECT_FALSE(FileExists(dir + "/missing.jpg"));
}

TEST_F(DlgFile, SaveRefusesReadOnlyFolder) {
  const String dir = NewDir("ro");
  ForceDirectories(dir + "/locked");
  TReadOnlyPath locked(dir + "/locked");
  if (!locked.Ok()) GTEST_SKIP() << "no way to make a folder that this user cannot write";
  OPENFILENAME o = Ofn(dir);
  o.Flags = OFN_NOTESTFILECREATE;
  bool stillOpen = false;
  {
    TDialogScript script;
    script.Expect(TScriptKind::Save).TypeName("locked/out.jpg").Do([&](TScriptTarget t, const auto&) {
      SendMessage(GetDlgItem(t.Dialog, IDOK), BM_CLICK, 0, 0);
      stillOpen = IsWindowVisible(t.Dialog);
      SendMessage(GetDlgItem(t.Dialog, IDCANCEL), BM_CLICK, 0, 0);
    });
    script.ExpectMessageBox().Text("cannot save").Press(IDOK);
    EXPECT_FALSE(GetSaveFileName(&o));
  }
  EXPECT_TRUE(stillOpen);
  EXPECT_FALSE(FileExists(dir + "/locked/out.jpg"));
}

TEST_F(DlgFile, NoReadOnlyReturn) {
  const String dir = NewDir("noro");
  Touch(dir + "/fixed.jpg");
  TReadOnlyPath fixed(dir + "/fixed.jpg");
  if (!fixed.Ok()) GTEST_SKIP() << "no way to make a file that this user cannot write";
  Touch(dir + "/free.jpg");
  for (bool flag : {true, false}) {
    OPENFILENAME o = Ofn(dir);
    o.Flags = flag ? OFN_NOREADONLYRETURN : 0;
    bool stillOpen = false;
    {
      TDialogScript script;
      script.Expect(TScriptKind::Open).TypeName("fixed.jpg").Do([&](TScriptTarget t, const auto&) {
        SendMessage(GetDlgItem(t.Dialog, IDOK), BM_CLICK, 0, 0);
        stillOpen = o.lpstrFile.empty();
        if (stillOpen) SendMessage(GetDlgItem(t.Dialog, IDCANCEL), BM_CLICK, 0, 0);
      });
      if (flag) script.ExpectMessageBox().Text("read-only").Press(IDOK);
      EXPECT_EQ(GetOpenFileName(&o), !flag);
    }
    EXPECT_EQ(stillOpen, flag);
  }
}

TEST_F(DlgFile, HookExceptionsGoToTheApplication) {
  const String dir = NewDir("raise");
  Touch(dir + "/a.jpg");
  OPENFILENAME o = Hooked(dir);
  Log.Ofn = &o;
  Log.OnNotify = [](HWND, uint32_t code) {
    if (code == CDN_SELCHANGE) throw EInvalidOperation("the hook failed");
  };
  {
    TDialogScript script;
    script.Expect(TScriptKind::Open).SelectNames({"a.jpg"}).Press(IDOK);
    EXPECT_TRUE(GetOpenFileName(&o));
  }
  const std::vector<TRecordedException> raised = TakeExceptions();
  ASSERT_EQ(raised.size(), 1u);
  EXPECT_EQ(raised[0].Message, "the hook failed");
  EXPECT_EQ(o.lpstrFile, dir + "/a.jpg");
}

TEST_F(DlgFile, NonUtf8NameReturnedAsBytes) {
  const String dir = NewDir("bytes");
  const String name = "caf\xE9.jpg";  // Windows-1252 bytes, not UTF-8
  Touch(dir + "/" + name);
  OPENFILENAME o = Ofn(dir);
  o.Flags = OFN_FILEMUSTEXIST;
  String shownInBox;
  {
    TDialogScript script;
    script.Expect(TScriptKind::Open)
        .SelectNames({"caf\xC3\xA9.jpg"})
        .Do([&](TScriptTarget t, const auto&) { shownInBox = GetDlgItemTextString(t.Dialog, edt1); })
        .Press(IDOK);
    ASSERT_TRUE(GetOpenFileName(&o));
  }
  EXPECT_EQ(shownInBox, "caf\xC3\xA9.jpg");
  EXPECT_EQ(o.lpstrFile, dir + "/" + name);
  EXPECT_EQ(o.lpstrFileTitle, name);
}

TEST_F(DlgFile, PlacesBarHiddenByFlagsEx) {
  const String dir = NewDir("places");
  struct TCase {
    uint32_t Size, FlagsEx;
    bool Shown;
  } const cases[] = {{OPENFILENAME_SIZE, 0, true},
                     {OPENFILENAME_SIZE, OFN_EX_NOPLACESBAR, false},
                     {OPENFILENAME_SIZE_VERSION_400, OFN_EX_NOPLACESBAR, true}};  // no FlagsEx in the short record
  for (const TCase& c : cases) {
    OPENFILENAME o = Ofn(dir);
    o.lStructSize = c.Size;
    o.FlagsEx = c.FlagsEx;
    bool shown = !c.Shown;
    int32_t listLeft = 0, nameLeft = 0;
    {
      TDialogScript script;
      script.Expect(TScriptKind::Open)
          .Do([&](TScriptTarget t, const auto&) {
            shown = IsWindowVisible(GetDlgItem(t.Dialog, ctl1));
            TRect l, n;
            GetWindowRect(GetDlgItem(t.Dialog, lst1), &l);
            GetWindowRect(GetDlgItem(t.Dialog, stc4), &n);
            listLeft = l.Left;
            nameLeft = n.Left;
          })
          .Press(IDCANCEL);
      EXPECT_FALSE(GetOpenFileName(&o));
    }
    EXPECT_EQ(shown, c.Shown);
    // Without the bar the list starts at the left margin.
    EXPECT_EQ(listLeft == nameLeft, !c.Shown);
  }
}

TEST_F(DlgFile, PlacesBarAndUpNavigate) {
  String pictures;
  ASSERT_EQ(SHGetFolderPath(nullptr, CSIDL_MYPICTURES, nullptr, 0, pictures), S_OK);
  const String dir = NewDir("nav");
  ForceDirectories(dir + "/inner");
  OPENFILENAME o = Hooked(dir);
  Log.Ofn = &o;
  std::vector<String> folders;
  auto folder = [&](TScriptTarget t, const auto&) {
    String s;
    CommDlg_OpenSave_GetFolderPath(t.Dialog, &s);
    folders.push_back(s);
  };
  {
    TDialogScript script;
    script.Expect(TScriptKind::Open)
        .Do([](TScriptTarget t, const auto&) {
          SendDlgItemMessage(t.Dialog, ctl1, LB_SETCURSEL, 2, 0);  // Pictures
          SendMessage(t.Dialog, WM_COMMAND, MAKEWPARAM(ctl1, LBN_SELCHANGE),
                      reinterpret_cast<LPARAM>(GetDlgItem(t.Dialog, ctl1)));
        })
        .Do(folder)
        .GoToFolder("~")
        .Do(folder)
        .GoToFolder(dir + "/inner")
        .Press(pshUpFolder)
        .Do(folder)
        .TypeName("inner")
        .Key(VK_RETURN)
        .Do(folder)
        .Do([](TScriptTarget t, const auto&) {
          // "Look in" holds the path from the desktop down; its next-to-last entry is the parent.
          HWND look = GetDlgItem(t.Dialog, cmb2);
          const LRESULT n = SendMessage(look, CB_GETCOUNT, 0, 0);
          EXPECT_EQ(SendMessage(look, CB_GETCURSEL, 0, 0), n - 1);
          SendMessage(look, CB_SETCURSEL, WPARAM(n - 2), 0);
          SendMessage(t.Dialog, WM_COMMAND, MAKEWPARAM(cmb2, CBN_SELCHANGE), reinterpret_cast<LPARAM>(look));
        })
        .Do(folder)
        .Press(IDCANCEL);
    EXPECT_FALSE(GetOpenFileName(&o));
  }
  EXPECT_EQ(folders, (std::vector<String>{pictures, String(std::getenv("HOME")), dir, dir + "/inner", dir}));
  EXPECT_EQ(std::count(Log.Events.begin(), Log.Events.end(), "FOLDERCHANGE"), 7);
}

TEST_F(DlgFile, HiddenEntriesAndOutsideChanges) {
  const String dir = NewDir("hidden");
  Touch(dir + "/seen.jpg");
  Touch(dir + "/.secret.jpg");
  std::vector<std::vector<String>> lists;
  auto list = [&](TScriptTarget t, const auto&) { lists.push_back(ListNames(t.Dialog)); };
  OPENFILENAME o = Ofn(dir);
  {
    TDialogScript script;
    script.Expect(TScriptKind::Open)
        .Do(list)
        .Do([](TScriptTarget t, const auto&) { SetFocus(GetDlgItem(t.Dialog, lst1)); })
        .Key('H', hkCtrl)
        .Do(list)
        .Do([&](TScriptTarget, const auto&) {
          Touch(dir + "/later.jpg");
          Clock().Advance(1000);
        })
        .Do(list)
        .Press(IDCANCEL);
    EXPECT_FALSE(GetOpenFileName(&o));
  }
  ASSERT_EQ(lists.size(), 3u);
  EXPECT_EQ(lists[0], (std::vector<String>{"seen.jpg"}));
  EXPECT_EQ(lists[1], (std::vector<String>{".secret.jpg", "seen.jpg"}));
  EXPECT_EQ(lists[2], (std::vector<String>{".secret.jpg", "later.jpg", "seen.jpg"}));
  o.Flags = OFN_FORCESHOWHIDDEN;
  {
    TDialogScript script;
    script.Expect(TScriptKind::Open).Do(list).Press(IDCANCEL);
    EXPECT_FALSE(GetOpenFileName(&o));
  }
  EXPECT_EQ(lists.back(), (std::vector<String>{".secret.jpg", "later.jpg", "seen.jpg"}));
}

TEST_F(DlgFile, DesktopLinks) {
  const String dir = NewDir("links");
  ForceDirectories(dir + "/target");
  Touch(dir + "/target/pic.jpg");
  auto link = [&](const String& name, const String& target) {
    Touch(dir + "/" + name, "[Desktop Entry]\nType=Link\nName=" + name + "\nURL=file://" + target + "\n");
  };
  link("folder.desktop", dir + "/target");
  link("file.desktop", dir + "/target/pic.jpg");
  struct TCase {
    String Typed;
    uint32_t Flags;
    String Folder;  // the folder shown after the first OK
    String Result;  // "" : still open
  } const cases[] = {
      {"folder.desktop", 0, dir + "/target", ""},
      {"file.desktop", 0, dir, dir + "/target/pic.jpg"},
      {"file.desktop", OFN_NODEREFERENCELINKS, dir, dir + "/file.desktop"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Typed);
    OPENFILENAME o = Ofn(dir);
    o.Flags = c.Flags;
    String folder;
    bool result = false;
    {
      TDialogScript script;
      script.Expect(TScriptKind::Open).TypeName(c.Typed).Do([&](TScriptTarget t, const auto&) {
        SendMessage(GetDlgItem(t.Dialog, IDOK), BM_CLICK, 0, 0);
        CommDlg_OpenSave_GetFolderPath(t.Dialog, &folder);
        if (c.Result.empty()) SendMessage(GetDlgItem(t.Dialog, IDCANCEL), BM_CLICK, 0, 0);
      });
      result = GetOpenFileName(&o);
    }
    EXPECT_EQ(folder, c.Folder);
    EXPECT_EQ(result, !c.Result.empty());
    if (result) {
      EXPECT_EQ(o.lpstrFile, c.Result);
    }
  }
}

TEST_F(DlgFile, VirtualFoldersCanBeBrowsed) {
  OPENFILENAME o = Ofn(NewDir("virtual"));
  struct TSeen {
    LRESULT PathAnswer;
    int32_t Items;
  };
  std::vector<TSeen> seen;
  auto look = [&](TScriptTarget t, const auto&) {
    String s;
    seen.push_back(TSeen{CommDlg_OpenSave_GetFolderPath(t.Dialog, &s), ListCount(t.Dialog)});
  };
  auto place = [](int32_t index) {
    return [index](TScriptTarget t, const auto&) {
      SendDlgItemMessage(t.Dialog, ctl1, LB_SETCURSEL, WPARAM(index), 0);
      SendMessage(t.Dialog, WM_COMMAND, MAKEWPARAM(ctl1, LBN_SELCHANGE),
                  reinterpret_cast<LPARAM>(GetDlgItem(t.Dialog, ctl1)));
    };
  };
  {
    TDialogScript script;
    script.Expect(TScriptKind::Open)
        .Do(place(1))  // Desktop
        .Do(look)
        .TypeName("Computer")
        .Key(VK_RETURN)
        .Do(look)
        .Do(place(1))
        .Do([](TScriptTarget t, const auto&) {
          // The Trash item by its shown name, through the list and OK.
          LVFINDINFO fi;
          fi.flags = LVFI_STRING;
          fi.psz = "Trash";
          HWND list = GetDlgItem(t.Dialog, lst1);
          const LRESULT i = SendMessage(list, LVM_FINDITEM, WPARAM(-1), reinterpret_cast<LPARAM>(&fi));
          ASSERT_GE(i, 0);
          LVITEM st;
          st.stateMask = st.state = LVIS_SELECTED | LVIS_FOCUSED;
          SetFocus(list);
          SendMessage(list, LVM_SETITEMSTATE, WPARAM(i), reinterpret_cast<LPARAM>(&st));
        })
        .Press(IDOK)
        .Do(look)
        .Press(IDCANCEL);
    EXPECT_FALSE(GetOpenFileName(&o));
  }
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].PathAnswer, -1);  // the desktop, Computer and Trash have no path
  EXPECT_GE(seen[0].Items, 3);        // Home, Computer, Trash at least
  EXPECT_EQ(seen[1].PathAnswer, -1);
  EXPECT_GE(seen[1].Items, 1);  // "/" at least
  EXPECT_EQ(seen[2].PathAnswer, -1);
}

TEST_F(DlgFile, HelpReadOnlyBoxAndOwner) {
  const String dir = NewDir("help");
  Touch(dir + "/a.jpg");
  TForm* main = new TForm(App.get());
  main->Show();
  Pump();
  TOpenDialog dlg(nullptr);
  dlg.SetInitialDir(dir);
  dlg.SetHelpContext(77);
  dlg.SetOptions(TOpenOptions{TOpenOption::ofShowHelp});
  std::vector<String> seen;
  {
    TDialogScript script;
    script.Expect(TScriptKind::Open)
        .Do([&](TScriptTarget t, const auto&) {
          seen.push_back(IsWindowVisible(GetDlgItem(t.Dialog, chx1)) ? "box shown" : "box hidden");
          seen.push_back(IsWindowEnabled(main->Handle()) ? "owner enabled" : "owner disabled");
          // Centred on the owner's monitor.
          TRect w, m;
          GetWindowRect(t.Dialog, &w);
          MONITORINFO mi;
          GetMonitorInfo(MonitorFromWindow(main->Handle(), MONITOR_DEFAULTTONEAREST), &mi);
          m = mi.rcWork;
          EXPECT_NEAR(w.Left + w.Width() / 2, m.Left + m.Width() / 2, 1);
        })
        .Press(pshHelp)
        .Press(chx1)
        .SelectNames({"a.jpg"})
        .Press(IDOK);
    // The application window as owner, as an application passes it: the
    // help message reaches the component's hook there.
    ASSERT_TRUE(dlg.Execute(App->Handle()));
  }
  EXPECT_EQ(seen, (std::vector<String>{"box shown", "owner disabled"}));
  EXPECT_EQ(App->HelpContext(), 77);
  EXPECT_TRUE(dlg.Options().Contains(TOpenOption::ofReadOnly));
  EXPECT_TRUE(IsWindowEnabled(main->Handle()));
  EXPECT_EQ(GetActiveWindow(), main->Handle());

  // A hidden owner counts as none and is left as it was.
  main->Hide();
  dlg.SetOptions(TOpenOptions{TOpenOption::ofHideReadOnly});
  bool boxShown = true;
  {
    TDialogScript script;
    script.Expect(TScriptKind::Open)
        .Do([&](TScriptTarget t, const auto&) { boxShown = IsWindowVisible(GetDlgItem(t.Dialog, chx1)); })
        .Press(IDCANCEL);
    EXPECT_FALSE(dlg.Execute(main->Handle()));
  }
  EXPECT_FALSE(boxShown);
  EXPECT_TRUE(IsWindowEnabled(main->Handle()));

  // The flat call disables its owner itself.
  main->Show();
  Pump();
  OPENFILENAME o = Ofn(dir);
  o.hwndOwner = main->Handle();
  bool ownerEnabled = true;
  {
    TDialogScript script;
    script.Expect(TScriptKind::Open)
        .Do([&](TScriptTarget, const auto&) { ownerEnabled = IsWindowEnabled(main->Handle()); })
        .Press(IDCANCEL);
    EXPECT_FALSE(GetOpenFileName(&o));
  }
  EXPECT_FALSE(ownerEnabled);
  EXPECT_TRUE(IsWindowEnabled(main->Handle()));
  delete main;
}

TEST_F(DlgFile, SizingKeepsTemplateMargins) {
  TDialogTemplate t = PreviewTemplate(278, 145);
  RegisterDialogTemplate("SIZINGTEMPLATE", t);
  OPENFILENAME o = Hooked(NewDir("sizing"));
  o.Flags |= OFN_ENABLETEMPLATE | OFN_ENABLESIZING;
  o.lpTemplateName = "SIZINGTEMPLATE";
  Log.Ofn = &o;
  int32_t listGrowth = 0, marginBefore = 0, marginAfter = 0;
  {
    TDialogScript script;
    script.Expect(TScriptKind::Open)
        .Do([&](TScriptTarget t, const auto&) {
          auto margin = [&] {
            TRect c, s;
            GetClientRect(t.Dialog, &c);
            GetWindowRect(GetDlgItem(Log.Child, stc32), &s);
            MapWindowPoints(nullptr, t.Dialog, &s);
            return c.Right - s.Right;
          };
          TRect before, after, w;
          GetWindowRect(GetDlgItem(t.Dialog, lst1), &before);
          marginBefore = margin();
          GetWindowRect(t.Dialog, &w);
          SetWindowPos(t.Dialog, nullptr, 0, 0, w.Width() + 60, w.Height() + 40, SWP_NOMOVE | SWP_NOZORDER);
          GetWindowRect(GetDlgItem(t.Dialog, lst1), &after);
          listGrowth = after.Width() - before.Width();
          marginAfter = margin();
        })
        .Press(IDCANCEL);
    EXPECT_FALSE(GetOpenFileName(&o));
  }
  UnregisterDialogTemplate("SIZINGTEMPLATE");
  EXPECT_EQ(listGrowth, 60);
  EXPECT_EQ(marginAfter, marginBefore);
}

TEST_F(DlgFile, NewFolderNeverReplaces) {
  const String dir = NewDir("newfolder");
  ForceDirectories(dir + "/New Folder");
  Touch(dir + "/New Folder/keep.jpg");
  OPENFILENAME o = Ofn(dir);
  {
    TDialogScript script;
    script.Expect(TScriptKind::Open).Press(pshNewFolder).Type("Made").Key(VK_RETURN).Press(IDCANCEL);
    EXPECT_FALSE(GetOpenFileName(&o));
  }
  EXPECT_TRUE(FileExists(dir + "/New Folder/keep.jpg"));
  EXPECT_TRUE(DirectoryExists(dir + "/Made"));
  EXPECT_FALSE(DirectoryExists(dir + "/New Folder (2)"));
}

TEST_F(DlgFile, TypingInTheListAndHelp) {
  const String dir = NewDir("typing");
  for (const char* n : {"apple.jpg", "banana.jpg", "cherry.jpg"}) Touch(dir + "/" + n);
  OPENFILENAME o = Hooked(dir);
  o.Flags |= OFN_SHOWHELP;
  Log.Ofn = &o;
  {
    TDialogScript script;
    script.Expect(TScriptKind::Open)
        .Do([](TScriptTarget t, const auto&) { SetFocus(GetDlgItem(t.Dialog, lst1)); })
        .Type("b")
        .Press(pshHelp)
        .Key(VK_RETURN);
    ASSERT_TRUE(GetOpenFileName(&o));
  }
  EXPECT_EQ(o.lpstrFile, dir + "/banana.jpg");
  const std::vector<String> tail(Log.Events.end() - 3, Log.Events.end());
  EXPECT_EQ(tail, (std::vector<String>{"SELCHANGE", "HELP", "FILEOK"}));
}

TEST_F(DlgFile, NameBoxGetsTheAutoCompleteHook) {
  HWND attached = nullptr;
  uint32_t flags = 0;
  auto saved = ShellUI().AutoComplete;
  ShellUI().AutoComplete = [&](HWND edit, uint32_t f) {
    attached = edit;
    flags = f;
    return S_OK;
  };
  OPENFILENAME o = Ofn(NewDir("complete"));
  HWND box = nullptr;
  {
    TDialogScript script;
    script.Expect(TScriptKind::Open)
        .Do([&](TScriptTarget t, const auto&) { box = GetDlgItem(t.Dialog, edt1); })
        .Press(IDCANCEL);
    EXPECT_FALSE(GetOpenFileName(&o));
  }
  ShellUI().AutoComplete = saved;
  EXPECT_EQ(attached, box);
  EXPECT_EQ(flags, SHACF_FILESYSTEM);
}

// ---- The framework -------------------------------------------------------------------

TEST(DlgFileOptions, OptionsAgainstFlags) {
  struct TCase {
    TOpenOption Option;
    uint32_t Flag;
  } const cases[] = {
      {TOpenOption::ofReadOnly, OFN_READONLY},
      {TOpenOption::ofOverwritePrompt, OFN_OVERWRITEPROMPT},
      {TOpenOption::ofHideReadOnly, OFN_HIDEREADONLY},
      {TOpenOption::ofNoChangeDir, OFN_NOCHANGEDIR},
      {TOpenOption::ofShowHelp, OFN_SHOWHELP},
      {TOpenOption::ofNoValidate, OFN_NOVALIDATE},
      {TOpenOption::ofAllowMultiSelect, OFN_ALLOWMULTISELECT},
      {TOpenOption::ofExtensionDifferent, OFN_EXTENSIONDIFFERENT},
      {TOpenOption::ofPathMustExist, OFN_PATHMUSTEXIST},
      {TOpenOption::ofFileMustExist, OFN_FILEMUSTEXIST},
      {TOpenOption::ofCreatePrompt, OFN_CREATEPROMPT},
      {TOpenOption::ofShareAware, OFN_SHAREAWARE},
      {TOpenOption::ofNoReadOnlyReturn, OFN_NOREADONLYRETURN},
      {TOpenOption::ofNoTestFileCreate, OFN_NOTESTFILECREATE},
      {TOpenOption::ofNoNetworkButton, OFN_NONETWORKBUTTON},
      {TOpenOption::ofNoLongNames, OFN_NOLONGNAMES},
      {TOpenOption::ofOldStyleDialog, 0},  // always Explorer-style
      {TOpenOption::ofNoDereferenceLinks, OFN_NODEREFERENCELINKS},
      {TOpenOption::ofEnableIncludeNotify, OFN_ENABLEINCLUDENOTIFY},
      {TOpenOption::ofEnableSizing, OFN_ENABLESIZING},
      {TOpenOption::ofDontAddToRecent, OFN_DONTADDTORECENT},
      {TOpenOption::ofForceShowHidden, OFN_FORCESHOWHIDDEN},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(OpenOptionFlag(c.Option), c.Flag) << int(c.Option);
    EXPECT_EQ(OpenOptionsToFlags(TOpenOptions{c.Option}), OFN_EXPLORER | c.Flag) << int(c.Option);
  }
  TOpenDialog d(nullptr);
  EXPECT_EQ(d.Options(), TOpenOptions{TOpenOption::ofHideReadOnly});
  EXPECT_EQ(d.FilterIndex(), 1);
}

TEST_F(DlgFile, OpenDialogEvents) {
  const String dir = NewDir("events");
  for (const char* n : {"a.jpg", "b.png", "hide.jpg"}) Touch(dir + "/" + n);
  ForceDirectories(dir + "/sub");
  TOpenDialog dlg(nullptr);
  dlg.SetInitialDir(dir);
  dlg.SetFilter("JPEG|*.jpg|PNG|*.png");
  dlg.SetOptions(
      TOpenOptions{TOpenOption::ofHideReadOnly, TOpenOption::ofFileMustExist, TOpenOption::ofEnableIncludeNotify});
  std::vector<String> events;
  int32_t refusals = 1;
  dlg.OnShow = [&](TObject*) { events.push_back("show " + std::to_string(dlg.Handle() != nullptr)); };
  dlg.OnClose = [&](TObject*) { events.push_back("close"); };
  dlg.OnFolderChange = [&](TObject*) { events.push_back("folder"); };
  dlg.OnSelectionChange = [&](TObject*) { events.push_back("selection " + dlg.FileName()); };
  dlg.OnTypeChange = [&](TObject*) { events.push_back("type " + std::to_string(dlg.FilterIndex())); };
  dlg.OnIncludeItem = [&](TObject*, const OFNOTIFYEX& n, bool& include) {
    auto* f = static_cast<IShellFolder*>(n.psf);
    STRRET name;
    String s;
    f->GetDisplayNameOf(static_cast<PCUITEMID_CHILD>(n.pidl), SHGDN_INFOLDER | SHGDN_FORPARSING, &name);
    StrRetToStr(&name, static_cast<PCUITEMID_CHILD>(n.pidl), s);
    include = s != "hide.jpg";
  };
  dlg.OnCanClose = [&](TObject*, bool& canClose) {
    events.push_back("canclose " + dlg.FileName() + " " + std::to_string(dlg.Files()->Count()));
    canClose = refusals-- <= 0;
  };
  std::vector<String> listed;
  {
    TDialogScript script;
    script.Expect(TScriptKind::Open)
        .Do([&](TScriptTarget t, const auto&) { listed = ListNames(t.Dialog); })
        .SelectNames({"a.jpg"})
        .ChooseType(2)
        .TypeName("b.png")
        .Press(IDOK)
        .Press(IDOK);
    ASSERT_TRUE(dlg.Execute());
  }
  EXPECT_EQ(listed, (std::vector<String>{"sub", "a.jpg"}));
  const std::vector<String> expected = {"show 1",
                                        "folder",
                                        "selection " + dir + "/a.jpg",
                                        "type 2",
                                        "canclose " + dir + "/b.png 1",
                                        "canclose " + dir + "/b.png 1",
                                        "close"};
  EXPECT_EQ(events, expected);
  EXPECT_EQ(dlg.FileName(), dir + "/b.png");
  EXPECT_EQ(dlg.FilterIndex(), 2);
  ASSERT_EQ(dlg.Files()->Count(), 1);
  EXPECT_EQ(dlg.Files()->Strings(0), dir + "/b.png");
  EXPECT_EQ(dlg.Handle(), nullptr);

  // Several files, and the save dialog's default extension.
  dlg.SetOptions(TOpenOptions{TOpenOption::ofAllowMultiSelect});
  dlg.OnCanClose = nullptr;
  dlg.SetFilterIndex(1);
  {
    TDialogScript script;
    script.Expect(TScriptKind::Open).TypeName("\"a.jpg\" \"sub/../hide.jpg\"").Press(IDOK);
    ASSERT_TRUE(dlg.Execute());
  }
  ASSERT_EQ(dlg.Files()->Count(), 2);
  EXPECT_EQ(dlg.Files()->Strings(0), dir + "/a.jpg");
  EXPECT_EQ(dlg.Files()->Strings(1), dir + "/hide.jpg");
  TSaveDialog save(nullptr);
  save.SetInitialDir(dir);
  save.SetDefaultExt("jpg");
  save.SetOptions(TOpenOptions{TOpenOption::ofOverwritePrompt});
  {
    TDialogScript script;
    script.Expect(TScriptKind::Save).Caption("Save As").TypeName("out").Press(IDOK);
    ASSERT_TRUE(save.Execute());
  }
  EXPECT_EQ(save.FileName(), dir + "/out.jpg");
  EXPECT_FALSE(save.Options().Contains(TOpenOption::ofExtensionDifferent));
}

// ---- A component written against the flat API ----------------------------------------

// Like a picture-preview open dialog of an application: a task-modal run, a
// hook that subclasses the child dialog at WM_INITDIALOG, and panels placed
// from the placeholder's rectangle at CDN_INITDONE.
class TPreviewOpenDialog : public TCommonDialog {
 public:
  explicit TPreviewOpenDialog(TComponent* AOwner) : TCommonDialog(AOwner) {}
  using TCommonDialog::Execute;

  bool Execute(HWND ParentWnd) override {
    OPENFILENAME ofn;
    ofn.hwndOwner = ParentWnd;
    ofn.lpstrFilter = "All files\0*.*\0\0"s;
    ofn.lpstrInitialDir = InitialDir;
    ofn.Flags = OFN_EXPLORER | OFN_ENABLEHOOK | OFN_ENABLETEMPLATE | OFN_HIDEREADONLY;
    ofn.lpTemplateName = "PREVIEWTEMPLATE";
    ofn.lpfnHook = &Hook;
    ofn.lCustData = reinterpret_cast<LPARAM>(this);
    return TaskModalDialog([&] { return GetOpenFileName(&ofn); });
  }

  static TRect StaticRect(HWND child) {
    TRect r;
    GetWindowRect(GetDlgItem(child, stc32), &r);
    MapWindowPoints(nullptr, child, &r);
    return r;
  }

  String InitialDir;
  HWND Child = nullptr;
  TPanel* Side = nullptr;
  TPanel* Bottom = nullptr;
  std::function<void(TPreviewOpenDialog&)> AtShow;

 private:
  static TPreviewOpenDialog*& Current() {
    static TPreviewOpenDialog* c = nullptr;
    return c;
  }
  static intptr_t Hook(HWND h, uint32_t msg, WPARAM, LPARAM lParam) {
    if (msg != WM_INITDIALOG) return 0;
    auto* self = reinterpret_cast<TPreviewOpenDialog*>(reinterpret_cast<OPENFILENAME*>(lParam)->lCustData);
    self->Child = h;
    Current() = self;
    self->OldProc = reinterpret_cast<WNDPROC>(SetWindowLong(h, GWL_WNDPROC, reinterpret_cast<intptr_t>(&Sub)));
    return 1;
  }
  static LRESULT Sub(HWND h, uint32_t msg, WPARAM wParam, LPARAM lParam) {
    TPreviewOpenDialog* self = Current();
    if (msg == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lParam)->code == CDN_INITDONE) self->PlacePanels();
    if (msg == WM_NCDESTROY) {
      SetWindowLong(h, GWL_WNDPROC, reinterpret_cast<intptr_t>(self->OldProc));
      delete self->Side;
      delete self->Bottom;
      self->Side = self->Bottom = nullptr;
    }
    return CallWindowProc(self->OldProc, h, msg, wParam, lParam);
  }
  void PlacePanels() {
    const TRect s = StaticRect(Child);
    TRect client;
    GetClientRect(Child, &client);
    Side = new TPanel(nullptr);
    Side->SetParentWindow(Child);
    Side->SetBounds(s.Right + 4, s.Top, client.Right - s.Right - 8, s.Height());
    Side->SetColor(clRed);
    Bottom = new TPanel(nullptr);
    Bottom->SetParentWindow(Child);
    Bottom->SetBounds(s.Left, s.Bottom + 4, s.Width(), client.Bottom - s.Bottom - 8);
    Bottom->SetColor(clBlue);
    Side->Show();
    Bottom->Show();
    if (AtShow) AtShow(*this);
  }

  WNDPROC OldProc = nullptr;
};

TDialogTemplate PreviewTemplate(int32_t stcW, int32_t stcH) {
  TDialogTemplate t;
  t.Style = DS_SETFONT | DS_CONTROL | WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
  t.CX = 382;
  t.CY = 181;
  t.Items = {{"Static", stc32, "", WS_CHILD, 0, 2, 4, stcW, stcH},
             {"Button", 3001, "Options", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 300, 10, 60, 14},
             {"Button", 3002, "Below", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 10, 160, 60, 14}};
  return t;
}

TEST_F(DlgFile, TemplateLayoutAroundThePlaceholder) {
  struct TCase {
    int32_t W, H;  // the placeholder's size in dialog units
  } const cases[] = {{278, 145}, {100, 60}};
  const String dir = NewDir("tmpl");
  Touch(dir + "/a.jpg");
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.W) + "x" + std::to_string(c.H));
    RegisterDialogTemplate("PREVIEWTEMPLATE", PreviewTemplate(c.W, c.H));
    TForm* main = new TForm(App.get());
    main->Show();
    Pump();
    TPreviewOpenDialog dlg(nullptr);
    dlg.InitialDir = dir;
    bool checked = false;
    dlg.AtShow = [&](TPreviewOpenDialog& d) {
      HWND parent = GetParent(d.Child);
      const TRect s = TPreviewOpenDialog::StaticRect(d.Child);
      TRect units{0, 0, 382 - 2 - c.W, 181 - 4 - c.H};  // 102 x 32 for the 278 x 145 placeholder
      MapDialogRect(d.Child, &units);
      TRect client, childClient;
      GetClientRect(parent, &client);
      GetClientRect(d.Child, &childClient);
      EXPECT_EQ(childClient.Width(), client.Width());
      EXPECT_EQ(childClient.Height(), client.Height());
      // The margins right of and below the placeholder keep their template size
      // (each template coordinate is mapped on its own, as the manager does).
      TRect tx{0, 0, 382, 181}, sx{0, 0, 2, 4}, sw{0, 0, c.W, c.H};
      MapDialogRect(d.Child, &tx);
      MapDialogRect(d.Child, &sx);
      MapDialogRect(d.Child, &sw);
      EXPECT_EQ(client.Width() - s.Right, tx.Right - sx.Right - sw.Right);
      EXPECT_EQ(client.Height() - s.Bottom, tx.Bottom - sx.Bottom - sw.Bottom);
      EXPECT_NEAR(client.Width() - s.Right, units.Right, 1);
      EXPECT_NEAR(client.Height() - s.Bottom, units.Bottom, 1);
      for (int32_t id : {lst1, edt1, cmb1, cmb2, IDOK, IDCANCEL, ctl1, stc3}) {
        TRect r;
        GetWindowRect(GetDlgItem(parent, id), &r);
        MapWindowPoints(nullptr, parent, &r);
        EXPECT_TRUE(r.Left >= s.Left && r.Top >= s.Top && r.Right <= s.Right && r.Bottom <= s.Bottom)
            << "control " << id;
      }
      // Template controls keep their side of the placeholder.
      TRect opt, below;
      GetWindowRect(GetDlgItem(d.Child, 3001), &opt);
      MapWindowPoints(nullptr, d.Child, &opt);
      GetWindowRect(GetDlgItem(d.Child, 3002), &below);
      MapWindowPoints(nullptr, d.Child, &below);
      EXPECT_GE(opt.Left, s.Right);
      EXPECT_GE(below.Top, s.Bottom);
      checked = true;
    };
    TPoint sideCentre, bottomCentre;
    HWND fileDlg = nullptr;
    {
      TDialogScript script;
      script.Expect(TScriptKind::Open)
          .Do([&](TScriptTarget t, const auto&) {
            fileDlg = t.Dialog;
            EXPECT_FALSE(IsWindowEnabled(main->Handle()));
            auto centre = [&](TPanel* p) {
              TPoint pt{p->Width() / 2, p->Height() / 2};
              ClientToScreen(p->Handle(), &pt);
              TRect w;
              GetWindowRect(t.Dialog, &w);
              return TPoint{pt.X - w.Left, pt.Y - w.Top};
            };
            sideCentre = centre(dlg.Side);
            bottomCentre = centre(dlg.Bottom);
            std::unique_ptr<TBitmap> shot = WindowPixels(t.Dialog, true);
            ASSERT_NE(shot, nullptr);
            EXPECT_EQ(shot->Canvas()->Pixels(sideCentre.X, sideCentre.Y), clRed);
            EXPECT_EQ(shot->Canvas()->Pixels(bottomCentre.X, bottomCentre.Y), clBlue);
          })
          .Press(IDCANCEL);
      EXPECT_FALSE(dlg.Execute(App->Handle()));
    }
    EXPECT_TRUE(checked);
    EXPECT_NE(fileDlg, nullptr);
    EXPECT_TRUE(IsWindowEnabled(main->Handle()));
    delete main;
  }
  UnregisterDialogTemplate("PREVIEWTEMPLATE");
}

}  // namespace
