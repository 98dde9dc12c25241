// The shell browser's actions over fixture folders under the test's own
// HOME: the merged context menu driven by scripted clicks, verbs without a
// menu, links to folders and thumbnails. The opener and the properties
// window are recording hooks and message boxes are scripted: no test starts
// a real program.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

// jpeglib.h needs FILE declared first.
#include <jpeglib.h>

#include "platform/gui/headless.h"
#include "platform/gui/win_clipboard.h"
#include "platform/gui/win_readback.h"
#include "platform/rtl/strings.h"
#include "platform/shellapi/shell_testing.h"
#include "platform/shellapi/shellapi.h"
#include "platform/shellapi/shellui.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/vcl_testing.h"
#include "shell/shellbrowser.h"

using namespace shelltest;

namespace {

// A baseline JPEG, left half red and right half blue.
String JpegBytes(int32_t width, int32_t height) {
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &buffer, &size);
  c.image_width = JDIMENSION(width);
  c.image_height = JDIMENSION(height);
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 90, TRUE);
  jpeg_start_compress(&c, TRUE);
  std::vector<uint8_t> row(size_t(width) * 3);
  for (int32_t x = 0; x < width; ++x) {
    row[size_t(x) * 3] = x < width / 2 ? 255 : 0;
    row[size_t(x) * 3 + 2] = x < width / 2 ? 0 : 255;
  }
  while (c.next_scanline < c.image_height) {
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  String out(reinterpret_cast<const char*>(buffer), size);
  std::free(buffer);
  return out;
}

struct TClipFiles {
  std::vector<String> Files;
  uint32_t Effect = 0;
};

TClipFiles ClipboardFiles() {
  TClipFiles r;
  if (!OpenClipboard(nullptr)) return r;
  if (HGLOBAL drop = GetClipboardData(CF_HDROP)) {
    const uint32_t n = DragQueryFile(drop, 0xFFFFFFFFu, nullptr, 0);
    for (uint32_t i = 0; i < n; ++i) {
      char name[4096] = {};
      DragQueryFile(drop, i, name, sizeof name);
      r.Files.push_back(name);
    }
  }
  if (HGLOBAL effect = GetClipboardData(RegisterClipboardFormat(CFSTR_PREFERREDDROPEFFECT))) {
    std::memcpy(&r.Effect, GlobalLock(effect), sizeof r.Effect);
    GlobalUnlock(effect);
  }
  CloseClipboard();
  return r;
}

void EmptyTheClipboard() {
  if (OpenClipboard(nullptr)) {
    EmptyClipboard();
    CloseClipboard();
  }
}

// The caption of the item at Pos without "&" and short-cut; "-" for lines.
String CaptionAt(HMENU Menu, int32_t Pos) {
  if (GetMenuState(Menu, uint32_t(Pos), MF_BYPOSITION) & MF_SEPARATOR) return "-";
  char text[256] = {};
  GetMenuString(Menu, uint32_t(Pos), text, sizeof text, MF_BYPOSITION);
  String t = text;
  if (t.find('\t') != String::npos) t.resize(t.find('\t'));
  return StripHotkey(t);
}

// -1 when no item has the caption.
int32_t PosOf(HMENU Menu, const String& Caption) {
  for (int32_t i = 0; i < GetMenuItemCount(Menu); ++i)
    if (CaptionAt(Menu, i) == Caption) return i;
  return -1;
}

std::vector<String> Captions(HMENU Menu) {
  std::vector<String> out;
  for (int32_t i = 0; i < GetMenuItemCount(Menu); ++i) out.push_back(CaptionAt(Menu, i));
  return out;
}

TSize BitmapSize(HBITMAP Bitmap) {
  BITMAP bm;
  if (!Bitmap || GetObject(Bitmap, sizeof bm, &bm) == 0) return TSize{0, 0};
  return TSize{bm.bmWidth, bm.bmHeight};
}

class ShellActions : public TVclTest {
 protected:
  // doc.txt and the folder sub.
  ShellActions() : Dir(NewDir("act")), Doc(Dir + "/doc.txt"), Sub(Dir + "/sub") {
    WriteFile(Doc, "text");
    ForceDirectories(Sub);
    SetShellLauncher([this](const String& target, const String&) {
      Launched.push_back(target);
      return true;
    });
    ShellUI().ShowProperties = [this](HWND, const std::vector<String>& paths) {
      Shown.insert(Shown.end(), paths.begin(), paths.end());
      return S_OK;
    };
    EmptyTheClipboard();
  }
  ~ShellActions() override {
    SetShellLauncher(nullptr);
    ShellUI().ShowProperties = nullptr;
  }

  void Select(const String& Name) {
    B.SetFolder(Dir);
    B.SetObjectName(Name);
  }
  void Forget() {
    Launched.clear();
    Shown.clear();
    Boxes.clear();
    EmptyTheClipboard();
  }

  // Runs the shell menu with the steps as idle actions; answers the verb.
  String Popup(std::vector<std::function<void()>> Steps, TPopupMenu* Menu = nullptr, TShellBrowser* Browser = nullptr) {
    for (auto& step : Steps) H().QueueIdleAction(std::move(step));
    String verb = "unset";
    (Browser ? Browser : &B)->PopupShellMenu(TPoint{100, 100}, Menu, verb);
    EXPECT_EQ(H().PendingIdleActions(), 0u) << "the menu closed before the script ended";
    return verb;
  }
  // Clicks an item of the open menu: Path names it through the submenus.
  std::function<void()> Click(std::vector<String> Path) {
    return [this, Path] {
      HMENU menu = GetTrackedMenu();
      int32_t pos = -1;
      for (size_t i = 0; i < Path.size() && menu; ++i) {
        pos = PosOf(menu, Path[i]);
        if (i + 1 < Path.size()) menu = pos >= 0 ? GetSubMenu(menu, pos) : nullptr;
      }
      TRect r;
      if (!menu || pos < 0 || !GetMenuItemRect(nullptr, menu, uint32_t(pos), &r)) {
        ADD_FAILURE() << "no item " << Path.back() << " in the open menu";
        Cancel();
        return;
      }
      const TPoint p{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
      H().MouseMove(p.X, p.Y);
      H().Click(p.X, p.Y);
    };
  }
  // A press outside the menu closes it.
  void Cancel() { H().Click(5, 5); }
  // Runs Check on the open menu, then closes it.
  std::function<void()> Look(std::function<void(HMENU)> Check) {
    return [this, Check] {
      Check(GetTrackedMenu());
      Cancel();
    };
  }

  const String Dir;
  const String Doc;
  const String Sub;
  std::vector<String> Launched;
  std::vector<String> Shown;
  TShellBrowser B{nullptr};
};

}  // namespace

// ---- The shell menu ------------------------------------------------------------------------------

TEST_F(ShellActions, MenuVerbsPassTheVetoes) {
  enum TSelect { NoHandler, Refuse, Allow };
  struct TCase {
    const char* Name;
    bool ReadOnly;
    TSelect Select;
    String Object;
    const char* Caption;
    const char* Verb;
    std::vector<String> Launched;
    std::vector<String> Shown;
    std::vector<String> Clipboard;
  };
  const std::vector<TCase> cases = {
      {"read-only refuses Delete", true, NoHandler, "doc.txt", "Delete", "", {}, {}, {}},
      {"read-only refuses Cut", true, NoHandler, "doc.txt", "Cut", "", {}, {}, {}},
      {"read-only lets Properties run", true, NoHandler, "doc.txt", "Properties", "properties", {}, {Doc}, {}},
      {"read-only lets Copy run", true, NoHandler, "doc.txt", "Copy", "copy", {}, {}, {Doc}},
      {"a refusing handler blocks Open", false, Refuse, "doc.txt", "Open", "", {}, {}, {}},
      {"a refusing handler blocks Properties", false, Refuse, "doc.txt", "Properties", "", {}, {}, {}},
      {"the handler decides over read-only", true, Allow, "doc.txt", "Cut", "cut", {}, {}, {Doc}},
      {"Open hands the file to the opener", false, NoHandler, "doc.txt", "Open", "open", {Doc}, {}, {}},
      {"Open hands a folder to the opener", false, NoHandler, "sub", "Open", "open", {Sub}, {}, {}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Forget();
    Select(c.Object);
    B.SetReadOnly(c.ReadOnly);
    std::vector<String> asked;
    B.OnContextMenuSelect = nullptr;
    if (c.Select != NoHandler)
      B.OnContextMenuSelect = [&asked, &c](const String& Command, bool& Execute) {
        asked.push_back(Command);
        Execute = c.Select == Allow;
      };
    EXPECT_EQ(Popup({Click({c.Caption})}), c.Verb);
    EXPECT_EQ(Launched, c.Launched);
    EXPECT_EQ(Shown, c.Shown);
    EXPECT_EQ(ClipboardFiles().Files, c.Clipboard);
    EXPECT_EQ(asked, c.Select == NoHandler ? std::vector<String>{} : std::vector<String>{LowerCase(c.Caption)});
    EXPECT_TRUE(Exists(Doc));
    EXPECT_TRUE(Boxes.empty());
  }
}

TEST_F(ShellActions, RenameIsOfferedOnlyToAnOnRenameHandler) {
  Select("doc.txt");
  std::vector<String> layout;
  Popup({Look([&](HMENU menu) { layout = Captions(menu); })});
  EXPECT_EQ(layout, (std::vector<String>{"Open", "-", "Cut", "Copy", "-", "Delete", "-", "Properties"}));

  std::vector<TObject*> renamed;
  B.OnRename = [&](TObject* Sender) { renamed.push_back(Sender); };
  Popup({Look([&](HMENU menu) { layout = Captions(menu); })});
  EXPECT_EQ(layout, (std::vector<String>{"Open", "-", "Cut", "Copy", "-", "Delete", "Rename", "-", "Properties"}));
  EXPECT_EQ(Popup({Click({"Rename"})}), "rename");
  EXPECT_EQ(renamed, std::vector<TObject*>{&B});
  EXPECT_TRUE(Exists(Doc)) << "the handler renames, not the shell";
}

// The caller's items follow the verbs; a chosen one runs its handler with
// the copy as sender, the chosen sub-item likewise, and no verb runs.
TEST_F(ShellActions, OwnItemsAreMergedAfterTheVerbs) {
  TPopupMenu own(nullptr);
  auto item = [&](TMenuItem* parent, const String& caption) {
    auto* it = new TMenuItem(&own);
    it->SetCaption(caption);
    parent->Add(it);
    return it;
  };
  TMenuItem* refresh = item(own.Items(), "&Refresh");
  refresh->SetShortCut(VK_F5);
  refresh->SetChecked(true);
  item(own.Items(), "-");
  TMenuItem* more = item(own.Items(), "&More");
  TMenuItem* inner = item(more, "&Inner");
  TMenuItem* off = item(own.Items(), "&Off");
  off->SetEnabled(false);
  std::vector<TObject*> senders;
  for (TMenuItem* it : {refresh, inner}) it->OnClick = [&](TObject* Sender) { senders.push_back(Sender); };
  int popups = 0;
  own.OnPopup = [&](TObject* Sender) {
    EXPECT_EQ(Sender, &own);
    ++popups;
  };
  bool hintMuted = false;
  int hints = 0;
  App->OnHint = [&](TObject*) { ++hints; };
  Select("doc.txt");

  std::vector<String> layout;
  const std::filesystem::path shots =
      std::filesystem::path(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") / "pictoval-artifacts";
  std::filesystem::create_directories(shots);
  const String png = (shots / "shell_context_menu.png").string();
  std::filesystem::remove(png);
  EXPECT_EQ(Popup({Click({"More"}), Look([&](HMENU menu) {
                     layout = Captions(menu);
                     hintMuted = !App->OnHint;
                     TRect all{0, 0, 0, 0};
                     for (HWND w : GetMenuPopupWindows()) {
                       TRect r;
                       GetWindowRect(w, &r);
                       UnionRect(all, all, r);
                     }
                     InflateRect(all, 8, 8);
                     auto desktop = DesktopPixels();
                     TBitmap shot;
                     shot.SetSize(all.Right - all.Left, all.Bottom - all.Top);
                     shot.Canvas()->CopyRect(TRect{0, 0, shot.Width(), shot.Height()}, desktop->Canvas(), all);
                     EXPECT_TRUE(SavePng(shot, png));
                   })},
                  &own),
            "");
  EXPECT_EQ(layout, (std::vector<String>{"Open", "-", "Cut", "Copy", "-", "Delete", "-", "Properties", "Refresh", "-",
                                         "More", "Off"}));
  EXPECT_TRUE(hintMuted);
  EXPECT_TRUE(static_cast<bool>(App->OnHint)) << "OnHint comes back";

  EXPECT_EQ(Popup({Click({"Refresh"})}, &own), "");
  EXPECT_EQ(Popup({Click({"More"}), Click({"More", "Inner"})}, &own), "");
  ASSERT_EQ(senders.size(), 2u);
  EXPECT_NE(senders[0], refresh) << "the copy is the sender";
  EXPECT_NE(senders[1], inner);
  EXPECT_TRUE(Launched.empty());
  EXPECT_EQ(popups, 3);
  EXPECT_EQ(hints, 0);
  EXPECT_EQ(own.Items()->Count(), 4) << "the caller's menu is left as it was";
}

TEST_F(ShellActions, CloneMenuItemCopiesTheItem) {
  TMenuItem original(nullptr);
  original.SetCaption("&Sort");
  original.SetShortCut(scCtrl | 'S');
  original.SetBreak(TMenuBreak::mbBarBreak);
  original.SetRadioItem(true);
  original.SetGroupIndex(3);
  original.SetChecked(true);
  original.SetDefault(true);
  original.SetEnabled(false);
  original.SetHelpContext(42);
  original.SetTag(7);
  original.SetVisible(false);
  original.SetName("SortItem");
  original.SetImageIndex(5);
  int clicks = 0;
  original.OnClick = [&](TObject*) { ++clicks; };
  std::unique_ptr<TMenuItem> clone(B.CloneMenuItem(&original));
  EXPECT_EQ(clone->Owner(), nullptr);
  EXPECT_EQ(clone->Caption(), "&Sort");
  EXPECT_EQ(clone->ShortCut(), TShortCut(scCtrl | 'S'));
  EXPECT_EQ(clone->Break(), TMenuBreak::mbBarBreak);
  EXPECT_TRUE(clone->RadioItem());
  EXPECT_EQ(clone->GroupIndex(), 3);
  EXPECT_TRUE(clone->Checked());
  EXPECT_TRUE(clone->Default());
  EXPECT_FALSE(clone->Enabled());
  EXPECT_EQ(clone->HelpContext(), 42);
  EXPECT_EQ(clone->Tag(), 7);
  EXPECT_FALSE(clone->Visible());
  EXPECT_EQ(clone->Name(), "SortItem");
  EXPECT_EQ(clone->ImageIndex(), 5);
  EXPECT_NE(clone->Command(), original.Command());
  clone->OnClick(clone.get());
  EXPECT_EQ(clicks, 1);
}

// Once the framework's command numbers went all the way round, the copies
// still never take a verb's number: each verb chosen is that verb.
TEST_F(ShellActions, CopiesNeverShadowTheVerbs) {
  uint16_t previous = TMenuItem(nullptr).Command();
  for (int32_t i = 0; i < 0x20000; ++i) {
    const uint16_t command = TMenuItem(nullptr).Command();
    if (command < previous) break;  // wrapped round
    previous = command;
  }
  TPopupMenu own(nullptr);
  int ownClicks = 0;
  for (const char* caption : {"One", "Two", "Three", "Four", "Five", "Six", "Seven"}) {
    auto* it = new TMenuItem(&own);
    it->SetCaption(caption);
    it->OnClick = [&](TObject*) { ++ownClicks; };
    own.Items()->Add(it);
  }
  std::vector<uint32_t> ownCommands;
  Select("doc.txt");
  Popup({Look([&](HMENU menu) {
          for (int32_t i = PosOf(menu, "One"); i >= 0 && i < GetMenuItemCount(menu); ++i)
            ownCommands.push_back(GetMenuItemID(menu, i));
        })},
        &own);
  ASSERT_EQ(ownCommands.size(), 7u);
  for (uint32_t command : ownCommands) EXPECT_GT(command, 0x7FFFu);

  std::vector<String> asked;
  B.OnContextMenuSelect = [&](const String& Command, bool&) { asked.push_back(Command); };
  int renames = 0;
  B.OnRename = [&](TObject*) { ++renames; };
  QueueAnswer(IDNO);  // the delete's question
  for (const char* caption : {"Open", "Cut", "Copy", "Delete", "Rename", "Properties"}) {
    SCOPED_TRACE(caption);
    Select("doc.txt");
    const String verb = Popup({Click({caption})}, &own);
    EXPECT_EQ(verb, SameText(caption, "Delete") ? String() : LowerCase(caption));
  }
  EXPECT_EQ(asked, (std::vector<String>{"open", "cut", "copy", "delete", "rename", "properties"}));
  EXPECT_EQ(ownClicks, 0);
  EXPECT_EQ(Launched, std::vector<String>{Doc});
  EXPECT_EQ(Shown, std::vector<String>{Doc});
  EXPECT_EQ(renames, 1);
  EXPECT_EQ(Boxes.size(), 1u);
  EXPECT_EQ(ClipboardFiles().Effect, uint32_t(DROPEFFECT_COPY | DROPEFFECT_LINK)) << "the copy came after the cut";
}

// A handler may free the browser while its menu is open or leave by an
// exception: nothing of the browser is touched afterwards, and the
// application's hint handler comes back.
TEST_F(ShellActions, MenuSurvivesHandlersThatFreeOrThrow) {
  TPopupMenu own(nullptr);
  auto* gone = new TMenuItem(&own);
  gone->SetCaption("Gone");
  own.Items()->Add(gone);
  auto* browser = new TShellBrowser(nullptr);
  browser->SetFolder(Dir);
  browser->SetObjectName("doc.txt");
  gone->OnClick = [&](TObject*) { delete browser; };
  EXPECT_EQ(Popup({Click({"Gone"})}, &own, browser), "");

  App->OnHint = [](TObject*) {};
  gone->OnClick = [](TObject*) { throw Exception("handler failed"); };
  Select("doc.txt");
  H().QueueIdleAction(Click({"Gone"}));
  String verb;
  EXPECT_THROW(B.PopupShellMenu(TPoint{100, 100}, &own, verb), Exception);
  EXPECT_TRUE(static_cast<bool>(App->OnHint));
  EXPECT_EQ(GetTrackedMenu(), nullptr);
}

// ---- Deleting ------------------------------------------------------------------------------------

TEST_F(ShellActions, DeleteMovesToTheTrashOnlyWhenAccepted) {
  const String victim = Dir + "/victim name.txt";
  for (bool menu : {true, false}) {
    SCOPED_TRACE(menu ? "menu" : "ExecuteVerb");
    WriteFile(victim, "precious");
    Select("victim name.txt");
    QueueAnswer(IDNO);
    if (menu)
      EXPECT_EQ(Popup({Click({"Delete"})}), "");
    else
      EXPECT_FALSE(B.ExecuteVerb("delete"));
    EXPECT_EQ(ReadFile(victim), "precious");
    QueueAnswer(IDYES);
    if (menu)
      EXPECT_EQ(Popup({Click({"Delete"})}), "delete");
    else
      EXPECT_TRUE(B.ExecuteVerb("DELETE"));
    EXPECT_FALSE(Exists(victim));
  }
  ASSERT_EQ(Boxes.size(), 4u);
  EXPECT_EQ(Boxes[0].Text, "Move 1 item(s) to the Trash?");
  size_t trashed = 0;
  for (const TTrashEntry& t : ListHomeTrash()) trashed += t.OriginalPath == victim;
  EXPECT_EQ(trashed, 2u);
  if (HaveTool("trash-list")) {
    const String out = RunCommand("trash-list 2>/dev/null");
    EXPECT_NE(out.find(" " + victim + "\n"), String::npos) << out;
  }
}

TEST_F(ShellActions, DeleteInAReadOnlyFolderIsRefused) {
  const String locked = Dir + "/locked";
  ForceDirectories(locked);
  WriteFile(locked + "/keep.txt", "k");
  ::chmod(locked.c_str(), 0555);
  B.SetFolder(locked);
  B.SetObjectName("keep.txt");
  EXPECT_FALSE(B.ExecuteVerb("delete"));
  B.MultiObjects()->Add("keep.txt");
  EXPECT_FALSE(B.ExecuteVerb("delete"));
  EXPECT_EQ(B.MultiObjects()->Count(), 0);
  EXPECT_TRUE(Exists(locked + "/keep.txt"));
  EXPECT_TRUE(Boxes.empty());
  ::chmod(locked.c_str(), 0755);
}

// ---- Verbs without a menu ----------------------------------------------------------------------

TEST_F(ShellActions, ExecuteVerbRunsTheNamedOrDefaultVerb) {
  struct TCase {
    const char* Name;
    std::vector<String> Objects;  // one: the current object; more: MultiObjects
    const char* Verb;
    bool Refuse;
    bool Result;
    std::vector<String> Launched;
    std::vector<String> Shown;
    int Renames;
  };
  const std::vector<TCase> cases = {
      {"no verb opens a file", {"doc.txt"}, "", false, true, {Doc}, {}, 0},
      {"DEFAULT opens a folder", {"sub"}, "DEFAULT", false, true, {Sub}, {}, 0},
      {"Properties", {"doc.txt"}, "Properties", false, true, {}, {Doc}, 0},
      {"rename goes to OnRename", {"doc.txt"}, "rename", false, true, {}, {}, 1},
      {"a refusing handler", {"doc.txt"}, "open", true, false, {}, {}, 0},
      {"an unknown verb", {"doc.txt"}, "frobnicate", false, false, {}, {}, 0},
      {"no object", {""}, "open", false, false, {}, {}, 0},
      {"several objects", {"doc.txt", "sub"}, "open", false, true, {Doc, Sub}, {}, 0},
      {"a missing name is left out", {"doc.txt", "missing.txt"}, "properties", false, true, {}, {Doc}, 0},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Forget();
    Select(c.Objects.size() == 1 ? c.Objects[0] : String());
    if (c.Objects.size() > 1)
      for (const String& name : c.Objects) B.MultiObjects()->Add(name);
    int renames = 0;
    B.OnRename = [&](TObject* Sender) {
      EXPECT_EQ(Sender, &B);
      ++renames;
    };
    B.OnContextMenuSelect = nullptr;
    if (c.Refuse) B.OnContextMenuSelect = [](const String&, bool& Execute) { Execute = false; };
    EXPECT_EQ(B.ExecuteVerb(c.Verb), c.Result);
    EXPECT_EQ(Launched, c.Launched);
    EXPECT_EQ(Shown, c.Shown);
    EXPECT_EQ(renames, c.Renames);
    EXPECT_EQ(B.MultiObjects()->Count(), 0);
    EXPECT_EQ(Scr->Cursor(), crDefault);
  }
}

TEST_F(ShellActions, CutAndCopyPutTheFilesOnTheClipboard) {
  struct TCase {
    const char* Verb;
    std::vector<String> Names;
    uint32_t Effect;
  };
  const TCase cases[] = {
      {"cut", {"doc.txt"}, DROPEFFECT_MOVE},
      {"copy", {"doc.txt"}, DROPEFFECT_COPY | DROPEFFECT_LINK},
      {"Copy", {"doc.txt", "sub"}, DROPEFFECT_COPY | DROPEFFECT_LINK},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Verb);
    Forget();
    Select(c.Names.size() == 1 ? c.Names[0] : String());
    std::vector<String> paths;
    for (const String& name : c.Names) {
      if (c.Names.size() > 1) B.MultiObjects()->Add(name);
      paths.push_back(Dir + "/" + name);
    }
    EXPECT_TRUE(B.ExecuteVerb(c.Verb));
    const TClipFiles clip = ClipboardFiles();
    EXPECT_EQ(clip.Files, paths);
    EXPECT_EQ(clip.Effect, c.Effect);
    EXPECT_TRUE(Exists(Doc)) << "a cut moves nothing until the paste";
  }
}

// The hourglass shows while a verb runs and goes on every way out.
TEST_F(ShellActions, TheHourglassGoesAlsoWhenAHandlerThrows) {
  Select("doc.txt");
  TCursor during = crDefault;
  B.OnRename = [&](TObject*) {
    during = Scr->Cursor();
    throw Exception("rename failed");
  };
  EXPECT_THROW(B.ExecuteVerb("rename"), Exception);
  EXPECT_EQ(during, crHourGlass);
  EXPECT_EQ(Scr->Cursor(), crDefault);
}

// ---- Links and thumbnails ------------------------------------------------------------------------

TEST_F(ShellActions, ResolveLinkAnswersOnlyFoldersBehindLinks) {
  ForceDirectories(Dir + "/My Folder");
  WriteFile(Dir + "/folder.desktop", "[Desktop Entry]\nType=Link\nName=Folder\nURL=file://" + Dir + "/My%20Folder\n");
  WriteFile(Dir + "/file.desktop", "[Desktop Entry]\nType=Link\nURL=file://" + Doc + "\n");
  WriteFile(Dir + "/app.desktop", "[Desktop Entry]\nType=Application\nExec=true\n");
  ASSERT_EQ(::symlink("My Folder", (Dir + "/folder-link").c_str()), 0);
  ASSERT_EQ(::symlink(Doc.c_str(), (Dir + "/file-link").c_str()), 0);
  ASSERT_EQ(::symlink("nowhere", (Dir + "/broken-link").c_str()), 0);
  const struct {
    const char* Name;
    String Target;
  } cases[] = {
      {"folder.desktop", Dir + "/My Folder"},
      {"folder-link", Dir + "/My Folder"},
      {"file.desktop", ""},
      {"file-link", ""},
      {"broken-link", ""},
      {"app.desktop", ""},
      {"My Folder", ""},
      {"doc.txt", ""},
  };
  for (const auto& c : cases) {
    Select(c.Name);
    EXPECT_EQ(B.ResolveLink(), c.Target) << c.Name;
  }
  B.SetObjectName("");
  EXPECT_EQ(B.ResolveLink(), "");
}

TEST_F(ShellActions, ExtractThumbnailFitsTheBox) {
  const String jpeg = JpegBytes(400, 300);
  WriteFile(Dir + "/photo.jpg", jpeg);
  WriteFile(Dir + "/cut.jpg", jpeg.substr(0, jpeg.size() / 2));
  struct TCase {
    const char* Name;
    int32_t Width, Height;
    TSize Expected;
  };
  const TCase cases[] = {
      {"photo.jpg", 100, 75, {100, 75}},   {"photo.jpg", 0, 0, {64, 48}}, {"photo.jpg", -3, 200, {64, 48}},
      {"photo.jpg", 800, 600, {400, 300}}, {"cut.jpg", 100, 75, {0, 0}},  {"sub", 100, 75, {0, 0}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(String(c.Name) + " " + std::to_string(c.Width) + "x" + std::to_string(c.Height));
    Select(c.Name);
    HBITMAP bitmap = B.ExtractThumbnail(c.Width, c.Height);
    const TSize size = BitmapSize(bitmap);
    EXPECT_EQ(size.cx, c.Expected.cx);
    EXPECT_EQ(size.cy, c.Expected.cy);
    if (bitmap) {
      // Red on the left, blue on the right, the right way round.
      DIBSECTION ds;
      ASSERT_NE(GetObject(bitmap, sizeof ds, &ds), 0);
      const auto* bits = static_cast<const uint8_t*>(ds.dsBm.bmBits);
      EXPECT_GT(bits[2], 200);                          // left: red
      EXPECT_GT(bits[(size_t(size.cx) - 1) * 3], 200);  // right: blue
      DeleteObject(bitmap);
    }
  }
  B.SetObjectName("");
  EXPECT_EQ(B.ExtractThumbnail(100, 75), nullptr);

  // A worker extracts on a browser of its own.
  TSize fromWorker{0, 0};
  std::thread worker([&] {
    TShellBrowser own(nullptr);
    own.SetObjectName(Dir + "/photo.jpg");
    HBITMAP bitmap = own.ExtractThumbnail(100, 75);
    fromWorker = BitmapSize(bitmap);
    DeleteObject(bitmap);
  });
  worker.join();
  EXPECT_EQ(fromWorker.cx, 100);
  EXPECT_EQ(fromWorker.cy, 75);
}
