#include "platform/vcl/dialogs_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "platform/rtl/files.h"
#include "platform/shellapi/shellapi.h"
#include "platform/vcl/comctrls_treeview.h"
#include "platform/vcl/dialog_script_testing.h"
#include "platform/vcl/dialogs_msgbox.h"
#include "platform/vcl/vcl_testing.h"

namespace {

struct TCall {
  uint32_t Msg;
  String Arg;  // the selected path, or the text that failed validation
};

// What the callback saw, and what it sends back at BFFM_INITIALIZED.
struct TCallbackLog {
  std::vector<TCall> Calls;
  std::function<void(HWND)> OnInitialized;
  int32_t ValidateAnswer = 0;
};

int32_t LoggingCallback(HWND hwnd, uint32_t msg, LPARAM lParam, LPARAM data) {
  auto* log = reinterpret_cast<TCallbackLog*>(data);
  String arg;
  if (msg == BFFM_SELCHANGED && !SHGetPathFromIDList(reinterpret_cast<PCIDLIST_ABSOLUTE>(lParam), arg)) arg = "?";
  if (msg == BFFM_VALIDATEFAILED) arg = reinterpret_cast<const char*>(lParam);
  log->Calls.push_back(TCall{msg, arg});
  if (msg == BFFM_INITIALIZED && log->OnInitialized) log->OnInitialized(hwnd);
  return msg == BFFM_VALIDATEFAILED ? log->ValidateAnswer : 0;
}

class DlgFolder : public TVclTest {
 protected:
  DlgFolder() {
    InstallPlainMessageBox();
    static int n = 0;
    Root = String(std::getenv("HOME")) + "/browse-" + std::to_string(++n);
    for (const char* d : {"a", "b/c", "New Folder"}) ForceDirectories(Root + "/" + d);
    std::ofstream(Root + "/New Folder/keep.txt") << "kept";
    std::ofstream(Root + "/x.txt") << "x";
    ComPtr<IShellFolder> desktop;
    SHGetDesktopFolder(desktop.ReleaseAndGetAddressOf());
    EXPECT_EQ(desktop->ParseDisplayName(nullptr, nullptr, Root, nullptr, &RootPidl, nullptr), S_OK);
    Info.pidlRoot = RootPidl;
    Info.lpszTitle = "Pick a folder";
    Info.lpfn = LoggingCallback;
    Info.lParam = reinterpret_cast<LPARAM>(&Log);
  }
  ~DlgFolder() override { ILFree(RootPidl); }

  // Runs the dialog; answers the chosen path ("" for none).
  String Run() {
    PIDLIST_ABSOLUTE r = SHBrowseForFolder(&Info);
    if (r == nullptr) return String();
    String path;
    EXPECT_TRUE(SHGetPathFromIDList(r, path));
    ILFree(r);
    return path;
  }

  String Root;
  PIDLIST_RELATIVE RootPidl = nullptr;
  BROWSEINFO Info;
  TCallbackLog Log;
};

TEST_F(DlgFolder, CallbacksInOrderAndWhatTheCallbackMaySend) {
  Info.ulFlags = BIF_STATUSTEXT | BIF_RETURNONLYFSDIRS;
  LRESULT selectedInside = -1, selectedOutside = -1, expanded = -1;
  Log.OnInitialized = [&](HWND h) {
    SendMessage(h, BFFM_SETSTATUSTEXT, 0, reinterpret_cast<LPARAM>("Where to?"));
    SendMessage(h, BFFM_SETOKTEXT, 0, reinterpret_cast<LPARAM>("Use"));
    selectedInside = SendMessage(h, BFFM_SETSELECTION, 1, reinterpret_cast<LPARAM>((Root + "/b/c").c_str()));
    selectedOutside = SendMessage(h, BFFM_SETSELECTIONW, 1, reinterpret_cast<LPARAM>("/"));
    expanded = SendMessage(h, BFFM_SETEXPANDED, 1, reinterpret_cast<LPARAM>((Root + "/New Folder").c_str()));
    SendMessage(h, BFFM_ENABLEOK, 0, 0);
  };
  TDialogScript script;
  String status, okText;
  bool okEnabled = true, okEnabledAfterSelect = false;
  String treeSelection;
  script.Expect(TScriptKind::Folder)
      .Caption("Browse For Folder")
      .Text("Pick a folder")
      .Do([&](TScriptTarget t, const auto&) {
        status = GetDlgItemTextString(t.Dialog, IDC_BFF_STATUS);
        okText = GetDlgItemTextString(t.Dialog, IDOK);
        okEnabled = IsWindowEnabled(GetDlgItem(t.Dialog, IDOK));
        // The tree shows the selection made by path.
        HWND tree = GetDlgItem(t.Dialog, IDC_BFF_TREE);
        HTREEITEM sel = reinterpret_cast<HTREEITEM>(SendMessage(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
        char text[64] = {};
        TVITEM item;
        item.mask = TVIF_TEXT | TVIF_HANDLE;
        item.hItem = sel;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessage(tree, TVM_GETITEM, 0, reinterpret_cast<LPARAM>(&item));
        treeSelection = text;
      })
      .SelectFolder(Root + "/a")
      .Do([&](TScriptTarget t, const auto&) { okEnabledAfterSelect = IsWindowEnabled(GetDlgItem(t.Dialog, IDOK)); })
      .Press(IDOK);
  EXPECT_EQ(Run(), Root + "/a");
  EXPECT_EQ(selectedInside, 1);
  EXPECT_EQ(selectedOutside, 0);  // not below the root
  EXPECT_EQ(expanded, 1);
  EXPECT_EQ(status, "Where to?");
  EXPECT_EQ(okText, "Use");
  EXPECT_FALSE(okEnabled);
  EXPECT_TRUE(okEnabledAfterSelect);
  EXPECT_EQ(treeSelection, "c");
  ASSERT_EQ(Log.Calls.size(), 3u);
  EXPECT_EQ(Log.Calls[0].Msg, BFFM_INITIALIZED);
  EXPECT_EQ(Log.Calls[1].Msg, BFFM_SELCHANGED);
  EXPECT_EQ(Log.Calls[1].Arg, Root + "/b/c");
  EXPECT_EQ(Log.Calls[2].Msg, BFFM_SELCHANGED);
  EXPECT_EQ(Log.Calls[2].Arg, Root + "/a");
  // The name and the image of the item chosen.
  EXPECT_EQ(Info.pszDisplayName, "a");
  SHFILEINFO fi;
  ASSERT_NE(SHGetFileInfo(Root + "/a", 0, &fi, sizeof fi, SHGFI_SYSICONINDEX | SHGFI_SMALLICON), 0u);
  EXPECT_EQ(Info.iImage, fi.iIcon);

  // Without a selection of the callback's the root is selected and told.
  Log = TCallbackLog{};
  script.Expect(TScriptKind::Folder).Press(IDCANCEL);
  EXPECT_EQ(Run(), "");
  ASSERT_EQ(Log.Calls.size(), 2u);
  EXPECT_EQ(Log.Calls[1].Msg, BFFM_SELCHANGED);
  EXPECT_EQ(Log.Calls[1].Arg, Root);
}

TEST_F(DlgFolder, NameBoxAndValidateFailed) {
  struct TCase {
    String Typed;
    int32_t ValidateAnswer;
    String Result;  // "" none
    bool Failed;    // BFFM_VALIDATEFAILED sent
  };
  const TCase cases[] = {
      {"c", 0, "/b/c", false},      // a name inside the selected folder
      {"", 0, "/b", false},         // the selection itself
      {"ROOT/a", 0, "/a", false},   // a path
      {"nope", 0, "", true},        // refused: the callback ends the dialog
      {"ROOT/x.txt", 0, "", true},  // a file without BIF_BROWSEINCLUDEFILES
      {"/", 0, "", true},           // outside the root
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE("typed \"" + c.Typed + "\"");
    Log = TCallbackLog{};
    Log.ValidateAnswer = c.ValidateAnswer;
    Info.ulFlags = BIF_EDITBOX | BIF_VALIDATE;
    String typed = c.Typed;
    if (typed.rfind("ROOT", 0) == 0) typed = Root + typed.substr(4);
    TDialogScript script;
    script.Expect(TScriptKind::Folder)
        .SelectFolder(Root + "/b")
        .Do([&](TScriptTarget t, const auto&) {
          EXPECT_EQ(GetDlgItemTextString(t.Dialog, IDC_BFF_EDIT), "b");
          if (!typed.empty()) SetDlgItemText(t.Dialog, IDC_BFF_EDIT, typed.c_str());
        })
        .Press(IDOK);
    EXPECT_EQ(Run(), c.Result.empty() ? String() : Root + c.Result);
    const bool failed = !Log.Calls.empty() && Log.Calls.back().Msg == BFFM_VALIDATEFAILED;
    EXPECT_EQ(failed, c.Failed);
    if (failed) {
      EXPECT_EQ(Log.Calls.back().Arg, typed);
    }
  }
  // A non-zero answer keeps the dialog open for another try.
  Log = TCallbackLog{};
  Log.ValidateAnswer = 1;
  TDialogScript script;
  bool openAfterFailure = false;
  script.Expect(TScriptKind::Folder)
      .Do([&](TScriptTarget t, const auto&) { SetDlgItemText(t.Dialog, IDC_BFF_EDIT, "nope"); })
      .Press(IDOK)
      .Do([&](TScriptTarget t, const auto&) {
        openAfterFailure = IsWindowVisible(t.Dialog);
        SetDlgItemText(t.Dialog, IDC_BFF_EDIT, "a");
      })
      .Press(IDOK);
  EXPECT_EQ(Run(), Root + "/a");
  EXPECT_TRUE(openAfterFailure);
}

TEST_F(DlgFolder, MakeNewFolderNeverReplacesAndIsNamedInPlace) {
  Info.ulFlags = BIF_RETURNONLYFSDIRS;
  TDialogScript script;
  script.Expect(TScriptKind::Folder)
      .SelectFolder(Root)
      .Press(IDC_BFF_NEWFOLDER)
      .Do([&](TScriptTarget, const auto&) {
        // "New Folder" is taken: the next free name is made.
        EXPECT_TRUE(DirectoryExists(Root + "/New Folder (2)"));
      })
      .Type("Trips")
      .Key(VK_RETURN)
      .Press(IDOK);
  EXPECT_EQ(Run(), Root + "/Trips");
  EXPECT_EQ(Info.pszDisplayName, "Trips");
  EXPECT_FALSE(DirectoryExists(Root + "/New Folder (2)"));
  EXPECT_TRUE(FileExists(Root + "/New Folder/keep.txt"));

  // A name taken by another entry is refused with a message; the made
  // folder keeps its name.
  HWND dialog = nullptr;
  script.Expect(TScriptKind::Folder)
      .Do([&](TScriptTarget t, const auto&) { dialog = t.Dialog; })
      .SelectFolder(Root)
      .Press(IDC_BFF_NEWFOLDER)
      .Type("a")
      .Key(VK_RETURN);
  // The box's actions end with it: its one action answers it and then
  // confirms the folder dialog underneath.
  script.ExpectMessageBox().Caption("Rename").Text("exists already").Do([&](TScriptTarget t, const auto&) {
    SendMessage(GetDlgItem(t.Dialog, IDOK), BM_CLICK, 0, 0);
    SendMessage(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
  });
  EXPECT_EQ(Run(), Root + "/New Folder (2)");
  EXPECT_TRUE(FileExists(Root + "/New Folder/keep.txt"));
}

TEST_F(DlgFolder, DesktopRootFilesAndNoNewFolderButton) {
  Info.pidlRoot = nullptr;
  Info.ulFlags = BIF_BROWSEINCLUDEFILES | BIF_NONEWFOLDERBUTTON;
  TDialogScript script;
  bool hasNewFolder = true;
  script.Expect(TScriptKind::Folder)
      .Do([&](TScriptTarget t, const auto&) { hasNewFolder = GetDlgItem(t.Dialog, IDC_BFF_NEWFOLDER) != nullptr; })
      .SelectFolder(Root + "/x.txt")
      .Press(IDOK);
  EXPECT_EQ(Run(), Root + "/x.txt");
  EXPECT_FALSE(hasNewFolder);
  EXPECT_EQ(Log.Calls.front().Msg, BFFM_INITIALIZED);
}

}  // namespace
