#include "platform/vcl/dialogs_shell.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/rtl/dates.h"
#include "platform/rtl/files.h"
#include "platform/shellapi/xdgdirs.h"
#include "platform/vcl/dialog_script_testing.h"
#include "platform/vcl/dialogs_manager.h"
#include "platform/vcl/dialogs_msgbox.h"
#include "platform/vcl/stdctrls.h"
#include "platform/vcl/stdctrls_native.h"
#include "platform/vcl/vcl_testing.h"

namespace {

// A fresh folder below the process's own HOME.
String NewFolder(const String& tag) {
  static int n = 0;
  const String dir = String(std::getenv("HOME")) + "/" + tag + "-" + std::to_string(++n);
  ForceDirectories(dir);
  return dir;
}

void MakeFile(const String& path, off_t size, mode_t mode, time_t mtime) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(fd, 0) << path;
  ASSERT_EQ(::ftruncate(fd, size), 0);  // sparse: no bytes written
  ::close(fd);
  ASSERT_EQ(::chmod(path.c_str(), mode), 0);
  const timespec times[2] = {{mtime, 0}, {mtime, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
}

String UserName() {
  const passwd* pw = ::getpwuid(::getuid());
  return pw != nullptr ? String(pw->pw_name) : std::to_string(::getuid());
}

TEST(DlgShellSizes, ThousandsAndKilobytes) {
  const std::pair<int64_t, const char*> thousands[] = {{0, "0"},
                                                       {999, "999"},
                                                       {1000, "1,000"},
                                                       {1234567, "1,234,567"},
                                                       {-12345, "-12,345"},
                                                       {int64_t(9007199254740993), "9,007,199,254,740,993"}};
  for (const auto& [v, text] : thousands) EXPECT_EQ(FormatThousands(v), text) << v;
  const std::pair<int64_t, const char*> sizes[] = {{0, "0 KB (0 bytes)"},
                                                   {1, "1 KB (1 byte)"},
                                                   {1024, "1 KB (1,024 bytes)"},
                                                   {1025, "2 KB (1,025 bytes)"},
                                                   {1234567, "1,206 KB (1,234,567 bytes)"}};
  for (const auto& [v, text] : sizes) EXPECT_EQ(FormatSizeBytesKB(v), text) << v;
}

class DlgShellProperties : public TVclTest {
 protected:
  DlgShellProperties() {
    InstallPlainMessageBox();
    InstallShellDialogs();
    Dir = NewFolder("props");
    MakeFile(Dir + "/photo.jpg", 1234567, 0644, kMTime);
    MakeFile(Dir + "/notes.txt", 2048, 0600, kMTime);
    ForceDirectories(Dir + "/album");
    MakeFile(Dir + "/album/a.png", 10, 0644, kMTime);
    MakeFile(Dir + "/album/b.png", 10, 0644, kMTime);
    EXPECT_EQ(::symlink("photo.jpg", (Dir + "/link.jpg").c_str()), 0);
  }
  ~DlgShellProperties() override { ShellUI() = TShellUI{}; }

  static constexpr time_t kMTime = 1700000000;
  String Dir;
};

TEST_F(DlgShellProperties, WindowShowsTheFixturesValues) {
  const String modified = FormatDateTime("yyyy-mm-dd hh:nn:ss", UnixToLocalDateTime(kMTime));
  struct TCase {
    std::vector<String> Names;
    String Caption;
    std::vector<std::pair<String, String>> Rows;  // label, value; a value "*" is only checked to be there
  };
  const TCase cases[] = {
      {{"photo.jpg"},
       "photo.jpg Properties",
       {{"Name:", "photo.jpg"},
        {"Type:", "*"},
        {"Location:", Dir},
        {"Size:", "1,206 KB (1,234,567 bytes)"},
        {"Modified:", modified},
        {"Permissions:", "-rw-r--r--"},
        {"Owner:", UserName()}}},
      {{"link.jpg"},
       "link.jpg Properties",
       {{"Name:", "link.jpg"},
        {"Type:", "*"},
        {"Location:", Dir},
        {"Size:", "1 KB (9 bytes)"},  // the link itself: its target's text
        {"Modified:", "*"},
        {"Permissions:", "lrwxrwxrwx"},
        {"Owner:", UserName()},
        {"Link target:", "photo.jpg"}}},
      {{"album"},
       "album Properties",
       {{"Name:", "album"},
        {"Type:", "*"},
        {"Location:", Dir},
        {"Contains:", "2 items"},
        {"Modified:", "*"},
        {"Permissions:", "*"},
        {"Owner:", UserName()}}},
      {{"photo.jpg", "notes.txt", "album"},
       "Properties",
       {{"Items:", "3 (2 files, 1 folder)"}, {"Size:", "1,208 KB (1,236,615 bytes)"}, {"Location:", Dir}}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Caption);
    std::vector<String> paths;
    for (const String& n : c.Names) paths.push_back(Dir + "/" + n);
    TDialogScript script;
    std::vector<std::pair<String, String>> shown;
    bool ownerDisabled = false;
    TForm* owner = new TForm(App.get());
    owner->Show();
    Pump();
    script.Expect(TScriptKind::Properties)
        .Caption(c.Caption)
        .Do([&](TScriptTarget t, const auto&) {
          ownerDisabled = !IsWindowEnabled(owner->Handle());
          for (int32_t id = 1000; GetDlgItem(t.Dialog, id) != nullptr; ++id) {
            // Each value's label stands just before its edit.
            HWND label = GetWindow(GetDlgItem(t.Dialog, id), GW_HWNDPREV);
            shown.emplace_back(GetWindowTextString(label), GetDlgItemTextString(t.Dialog, id));
          }
        })
        .Key(VK_ESCAPE);
    EXPECT_EQ(ShellUI().ShowProperties(owner->Handle(), paths), S_OK);
    EXPECT_TRUE(ownerDisabled);
    EXPECT_TRUE(IsWindowEnabled(owner->Handle()));
    ASSERT_EQ(shown.size(), c.Rows.size());
    for (size_t i = 0; i < shown.size(); ++i) {
      EXPECT_EQ(shown[i].first, c.Rows[i].first);
      if (c.Rows[i].second == "*")
        EXPECT_FALSE(shown[i].second.empty()) << c.Rows[i].first;
      else
        EXPECT_EQ(shown[i].second, c.Rows[i].second) << c.Rows[i].first;
    }
    ASSERT_EQ(script.Log().size(), 1u);
    EXPECT_NE(script.Log()[0].Text.find(c.Rows[0].first + " " + shown[0].second), String::npos);
    delete owner;
  }
}

TEST_F(DlgShellProperties, MissingPathOrNoneShowsNothing) {
  TDialogScript script;  // any window would fail as unexpected
  EXPECT_EQ(ShellUI().ShowProperties(nullptr, {Dir + "/photo.jpg", Dir + "/gone.jpg"}),
            HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(ShellUI().ShowProperties(nullptr, {}), E_INVALIDARG);
  EXPECT_TRUE(script.Log().empty());
}

// ---- Auto-complete ----

class DlgAutoComplete : public TVclTest {
 protected:
  DlgAutoComplete() {
    InstallShellDialogs();
    SavedHome = std::getenv("HOME");
    Home = NewFolder("home");
    setenv("HOME", Home.c_str(), 1);
    ResetShellCaches();
    for (const char* d : {"Pictures", "Public", "Music"}) ForceDirectories(Home + "/" + d);
    MakeFile(Home + "/Pics.txt", 1, 0644, 1700000000);
  }
  ~DlgAutoComplete() override {
    setenv("HOME", SavedHome.c_str(), 1);
    ResetShellCaches();
    ShellUI() = TShellUI{};
  }

  static std::vector<String> Items(HWND list) {
    std::vector<String> out;
    const int32_t n = int32_t(SendMessage(list, LB_GETCOUNT, 0, 0));
    for (int32_t i = 0; i < n; ++i) {
      String s(size_t(SendMessage(list, LB_GETTEXTLEN, WPARAM(i), 0)) + 1, '\0');
      s.resize(size_t(SendMessage(list, LB_GETTEXT, WPARAM(i), reinterpret_cast<LPARAM>(s.data()))));
      out.push_back(s);
    }
    return out;
  }

  String SavedHome;
  String Home;
};

// A framework edit on a form (through WindowProc).
TEST_F(DlgAutoComplete, FrameworkEditOffersFoldersAndEnterCompletes) {
  TForm* form = new TForm(App.get());
  TEdit* edit = new TEdit(form);
  edit->SetParent(form);
  edit->SetBounds(10, 10, 200, 24);
  TEdit* other = new TEdit(form);
  other->SetParent(form);
  other->SetBounds(10, 60, 200, 24);
  TButton* ok = new TButton(form);
  ok->SetParent(form);
  ok->SetDefault(true);
  int32_t okClicks = 0;
  ok->OnClick = [&](TObject*) { ++okClicks; };
  form->Show();
  edit->SetFocus();
  Pump();
  ASSERT_EQ(SHAutoComplete(edit->Handle(), SHACF_FILESYS_DIRS), S_OK);

  H().TypeText("~/Pic");
  Pump();
  HWND popup = AutoCompletePopup(edit->Handle());
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(Items(popup), std::vector<String>{"Pictures/"});
  EXPECT_EQ(edit->Text(), "~/Pic");  // nothing appended on its own
  EXPECT_TRUE(GetWindowLong(popup, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_TRUE(GetWindowLong(popup, GWL_EXSTYLE) & WS_EX_NOACTIVATE);
  EXPECT_EQ(GetActiveWindow(), form->Handle());
  EXPECT_EQ(GetFocus(), edit->Handle());
  TRect er, pr;
  GetWindowRect(edit->Handle(), &er);
  GetWindowRect(popup, &pr);
  EXPECT_EQ(pr.Top, er.Bottom);
  EXPECT_EQ(pr.Left, er.Left);

  Press(VK_DOWN);
  EXPECT_EQ(SendMessage(popup, LB_GETCURSEL, 0, 0), 0);
  Press(VK_RETURN);
  EXPECT_EQ(edit->Text(), "~/Pictures/");
  EXPECT_EQ(AutoCompletePopup(edit->Handle()), nullptr);
  EXPECT_EQ(okClicks, 0);  // the popup took Enter, not the form

  // Escape closes without completing; a focus change closes too.
  edit->SetText("");
  H().TypeText("~/Pu");
  Pump();
  popup = AutoCompletePopup(edit->Handle());
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(Items(popup), std::vector<String>{"Public/"});
  Press(VK_ESCAPE);
  EXPECT_EQ(AutoCompletePopup(edit->Handle()), nullptr);
  EXPECT_EQ(edit->Text(), "~/Pu");
  H().TypeText("b");
  Pump();
  ASSERT_NE(AutoCompletePopup(edit->Handle()), nullptr);
  other->SetFocus();
  Pump();
  EXPECT_EQ(AutoCompletePopup(edit->Handle()), nullptr);
  // With the popup closed, Enter is the form's again.
  edit->SetFocus();
  Press(VK_RETURN);
  EXPECT_EQ(okClicks, 1);
}

// A plain edit of a dialog (subclassed): files are offered too, Tab
// completes, and neither Tab, Enter nor Escape reaches the dialog meanwhile.
TEST_F(DlgAutoComplete, DialogEditOffersFilesAndTabCompletes) {
  TDialogTemplate t;
  t.Title = "Go to";
  t.CX = 200;
  t.CY = 60;
  t.Items.push_back(
      TDialogItemTemplate{"Edit", 100, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 0, 7, 7, 186, 12});
  t.Items.push_back(TDialogItemTemplate{"Button", IDOK, "OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0,
                                        143, 39, 50, 14});
  auto proc = [](HWND h, uint32_t msg, WPARAM wParam, LPARAM) -> intptr_t {
    if (msg == WM_INITDIALOG) {
      SHAutoComplete(GetDlgItem(h, 100), SHACF_DEFAULT);
      return 1;
    }
    if (msg == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
      EndDialog(h, LOWORD(wParam));
      return 1;
    }
    return 0;
  };
  TDialogScript script;
  std::vector<String> offered, offeredAfterTab;
  String afterTab, afterEscape;
  bool editFocusedAfterTab = false;
  script.Expect(TScriptKind::Dialog)
      .Caption("Go to")
      .Type("~/Pic")
      .Do([&](TScriptTarget t, const auto&) {
        HWND popup = AutoCompletePopup(GetDlgItem(t.Dialog, 100));
        if (popup != nullptr) offered = Items(popup);
      })
      .Key(VK_DOWN)
      .Key(VK_DOWN)
      .Key(VK_TAB)
      .Do([&](TScriptTarget t, const auto&) {
        afterTab = GetDlgItemTextString(t.Dialog, 100);
        editFocusedAfterTab = GetFocus() == GetDlgItem(t.Dialog, 100);
        // Completing shows nothing new on its own.
        if (HWND popup = AutoCompletePopup(GetDlgItem(t.Dialog, 100))) offeredAfterTab = Items(popup);
      })
      .Type("x")  // no candidates: no popup
      .Key(VK_BACK)
      .Key(VK_BACK)  // "~/Pictures" offers "Pictures/" again
      .Key(VK_ESCAPE)
      .Do([&](TScriptTarget t, const auto&) { afterEscape = GetDlgItemTextString(t.Dialog, 100); })
      .Key(VK_ESCAPE);  // the popup is closed: this one cancels the dialog
  EXPECT_EQ(DialogBoxIndirectParam(nullptr, t, nullptr, proc, 0), IDCANCEL);
  EXPECT_EQ(offered, (std::vector<String>{"Pics.txt", "Pictures/"}));
  EXPECT_EQ(afterTab, "~/Pictures/");
  EXPECT_TRUE(offeredAfterTab.empty());
  EXPECT_TRUE(editFocusedAfterTab);
  EXPECT_EQ(afterEscape, "~/Pictures");
}

}  // namespace
