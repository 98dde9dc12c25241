// The shell browser's actions: the shell's context menu merged with the
// caller's items, verbs without a menu, links to folders and thumbnails.
#include <sys/stat.h>

#include <vector>

#include "platform/rtl/filetime.h"
#include "platform/rtl/strings.h"
#include "platform/shellapi/shellapi.h"
#include "platform/vcl/menus.h"
#include "shell/shellbrowser.h"
#include "shell/shellbrowser_internal.h"

namespace {

// The shell's commands in a menu; the menu items of the framework number
// theirs above this range, so neither shadows the other.
constexpr uint32_t kFirstVerb = 1;
constexpr uint32_t kLastVerb = 0x7FFF;

// The platform keeps the floating-point control word as a stored value; the
// shell's calls run with every exception masked, as the shell expects.
class TShellCallFpu {
 public:
  TShellCallFpu() : FSaved(Get8087CW()) { Set8087CW(0x133F); }
  ~TShellCallFpu() { Set8087CW(FSaved); }
  TShellCallFpu(const TShellCallFpu&) = delete;
  TShellCallFpu& operator=(const TShellCallFpu&) = delete;

 private:
  uint16_t FSaved;
};

// Verb: its text, or its index as MAKEINTRESOURCEA.
HRESULT InvokeVerb(IContextMenu* Shell, HWND Owner, const char* Verb) {
  CMINVOKECOMMANDINFO info;
  info.hwnd = Owner;
  info.lpVerb = Verb;
  info.nShow = SW_SHOWNORMAL;
  TShellCallFpu fpu;
  return Shell->InvokeCommand(&info);
}

// The shell's menu help texts must not reach the status line while its
// menu is open.
class THintMute {
 public:
  THintMute() {
    if (Application) std::swap(FSaved, Application->OnHint);
  }
  ~THintMute() {
    if (Application) Application->OnHint = std::move(FSaved);
  }
  THintMute(const THintMute&) = delete;
  THintMute& operator=(const THintMute&) = delete;

 private:
  TNotifyEvent FSaved;
};

// A clone (or a direct sub-item of one) with the command and a click
// handler runs the handler with itself as sender; true when one did.
bool ClickClone(TPopupMenu* Popup, uint32_t Command) {
  std::vector<TMenuItem*> candidates;
  for (int32_t i = 0; i < Popup->Items()->Count(); ++i) {
    TMenuItem* item = Popup->Items()->Items(i);
    candidates.push_back(item);
    for (int32_t k = 0; k < item->Count(); ++k) candidates.push_back(item->Items(k));
  }
  for (TMenuItem* item : candidates)
    if (item->Command() == Command && item->OnClick) {
      const TNotifyEvent handler = item->OnClick;
      handler(item);
      return true;
    }
  return false;
}

void AddClone(TShellBrowser* Browser, TMenuItem* Parent, TMenuItem* Item) {
  std::unique_ptr<TMenuItem> clone(Browser->CloneMenuItem(Item));
  Parent->Add(clone.get());
  clone.release();
}

bool IsSymbolicLink(const String& Path) {
  struct stat st;
  return !Path.empty() && ::lstat(Path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

}  // namespace

// The objects a menu or verb acts on, and the path that tells afterwards
// whether a delete happened.
struct TShellBrowser::TActedObjects {
  std::vector<TOwnedIDList> Lists;
  String FirstPath;

  std::vector<PCUITEMID_CHILD> Items() const {
    std::vector<PCUITEMID_CHILD> items;
    for (const TOwnedIDList& list : Lists) items.push_back(list.get());
    return items;
  }
};

// The names of MultiObjects parsed in the folder (a name that does not parse
// is looked for by SetObjectName; one not found is left out), else the
// current object. MultiObjects is emptied.
TShellBrowser::TActedObjects TShellBrowser::CollectObjects() {
  TActedObjects objects;
  if (FMultiObjects->Count() == 0) {
    if (FObjectIDList) objects.Lists.push_back(Own(CopyIDList(FObjectIDList)));
    objects.FirstPath = ObjectPath(FObjectIDList, GetObjectName());
    return objects;
  }
  std::vector<String> names;
  for (int32_t i = 0; i < FMultiObjects->Count(); ++i) names.push_back(FMultiObjects->Strings(i));
  FMultiObjects->Clear();
  for (const String& name : names) {
    LPITEMIDLIST item = IDListFromPath(FShellFolder.Get(), name);
    // A name with "/" would move the folder under the lists made so far.
    if (!item && name.find('/') == String::npos) {
      try {
        SetObjectName(name);
        item = GetCurrentIDList();
      } catch (const EShellBrowserError&) {
      }
    }
    TOwnedIDList owned = Own(item);
    if (IDListCount(item) == 1) objects.Lists.push_back(std::move(owned));
  }
  objects.FirstPath = ObjectPath(objects.Lists.empty() ? nullptr : objects.Lists[0].get(), names[0]);
  return objects;
}

// The file-system path of an object of the folder, also for the entries the
// desktop shows (its folder has no path); else Folder + Name.
String TShellBrowser::ObjectPath(LPCITEMIDLIST Item, const String& Name) {
  TOwnedIDList absolute = Own(Item ? ConcatIDLists(FFolderIDList, Item) : nullptr);
  const String path = PathFromIDList(absolute.get());
  return !path.empty() || FFolder.empty() ? path : FFolder + Name;
}

ComPtr<IContextMenu> TShellBrowser::ContextMenuOf(const TActedObjects& Objects, HRESULT& Result) {
  const std::vector<PCUITEMID_CHILD> items = Objects.Items();
  void* object = nullptr;
  Result = FShellFolder ? FShellFolder->GetUIObjectOf(OwnerWindow(), uint32_t(items.size()), items.data(),
                                                      IID_IContextMenu, nullptr, &object)
                        : E_FAIL;
  if (SUCCEEDED(Result) && !object) Result = E_NOINTERFACE;
  return ComPtr<IContextMenu>::Adopt(SUCCEEDED(Result) ? static_cast<IContextMenu*>(object) : nullptr);
}

// ---- The merged menu -----------------------------------------------------------------------------

TMenuItem* TShellBrowser::CloneMenuItem(TMenuItem* Item) {
  auto clone = std::make_unique<TMenuItem>(nullptr);
  clone->SetCaption(Item->Caption());
  clone->SetShortCut(Item->ShortCut());
  clone->OnClick = Item->OnClick;
  clone->SetBreak(Item->Break());
  clone->SetGroupIndex(Item->GroupIndex());
  clone->SetRadioItem(Item->RadioItem());
  clone->SetChecked(Item->Checked());
  clone->SetDefault(Item->Default());
  clone->SetEnabled(Item->Enabled());
  clone->SetHelpContext(Item->HelpContext());
  clone->SetTag(Item->Tag());
  clone->SetVisible(Item->Visible());
  clone->SetName(Item->Name());
  clone->SetImageIndex(Item->ImageIndex());
  return clone.release();
}

// A new popup with clones of the menu's items and of their direct sub-items.
std::unique_ptr<TPopupMenu> TShellBrowser::MergedPopup(TPopupMenu* Menu) {
  auto popup = std::make_unique<TPopupMenu>(nullptr);
  if (!Menu) return popup;
  TMenuItem* own = Menu->Items();
  for (int32_t i = 0; i < own->Count(); ++i) {
    AddClone(this, popup->Items(), own->Items(i));
    TMenuItem* clone = popup->Items()->Items(popup->Items()->Count() - 1);
    for (int32_t k = 0; k < own->Items(i)->Count(); ++k) AddClone(this, clone, own->Items(i)->Items(k));
  }
  return popup;
}

void TShellBrowser::PopupShellMenu(const TPoint& Point, TPopupMenu* Menu, String& Verb) {
  Verb.clear();
  // Held here, not by the browser: a handler may free the browser while the
  // menu is open.
  std::unique_ptr<TPopupMenu> popup = MergedPopup(Menu);
  THintMute mute;
  const TActedObjects objects = CollectObjects();
  HRESULT result = S_OK;
  ComPtr<IContextMenu> shell = ContextMenuOf(objects, result);
  if (shell) Verb = TrackShellMenu(shell.Get(), popup.get(), Point, Menu);
  // A delete the user declined leaves the first object in place.
  if (SameText(Verb, "delete") && PathExists(objects.FirstPath)) Verb.clear();
}

String TShellBrowser::TrackShellMenu(IContextMenu* Shell, TPopupMenu* Popup, const TPoint& Point, TPopupMenu* Menu) {
  TComponentRef<TShellBrowser> self(this);
  const HMENU handle = Popup->Handle();
  const uint32_t flags = CMF_EXPLORE | (OnRename ? CMF_CANRENAME : 0);
  if (FAILED(Shell->QueryContextMenu(handle, 0, kFirstVerb, kLastVerb, flags))) return String();
  if (Menu && Menu->OnPopup) {
    const TNotifyEvent handler = Menu->OnPopup;
    handler(Menu);
    if (!self) return String();
  }
  const int32_t command =
      TrackPopupMenu(handle, TPM_RETURNCMD | TPM_RIGHTBUTTON, Point.X, Point.Y, 0, OwnerWindow(), nullptr);
  // The menu ran a message loop: the browser may be gone.
  if (!self || command <= 0 || ClickClone(Popup, uint32_t(command))) return String();
  return RunChosenCommand(Shell, uint32_t(command));
}

// Verb: what ran; "" when it was refused, failed or is no shell command.
String TShellBrowser::RunChosenCommand(IContextMenu* Shell, uint32_t Command) {
  if (Command < kFirstVerb || Command > kLastVerb) return String();
  const uintptr_t index = Command - kFirstVerb;
  String verb;
  if (FAILED(Shell->GetCommandString(index, GCS_VERBA, nullptr, verb))) return String();
  TComponentRef<TShellBrowser> self(this);
  if (!MayRun(verb) || !self) return String();
  if (SameText(verb, "rename") && OnRename) {
    const TNotifyEvent handler = OnRename;
    handler(this);
    return verb;
  }
  return SUCCEEDED(InvokeVerb(Shell, OwnerWindow(), MAKEINTRESOURCEA(index))) ? verb : String();
}

// OnContextMenuSelect decides; without it a read-only browser refuses the
// verbs that change the folder.
bool TShellBrowser::MayRun(const String& Verb) {
  bool execute = true;
  if (OnContextMenuSelect) {
    const TOnContextMenuSelectEvent handler = OnContextMenuSelect;
    handler(Verb, execute);
  } else if (FReadOnly) {
    execute = !SameText(Verb, "delete") && !SameText(Verb, "cut") && !SameText(Verb, "paste");
  }
  return execute;
}

// ---- Verbs without a menu ------------------------------------------------------------------------

bool TShellBrowser::ExecuteVerb(const String& Verb) {
  if (OnContextMenuSelect) {
    TComponentRef<TShellBrowser> self(this);
    bool execute = true;
    const TOnContextMenuSelectEvent handler = OnContextMenuSelect;
    handler(Verb, execute);
    if (!execute || !self) return false;
  }
  if ((!FObjectIDList && FMultiObjects->Count() == 0) || !FFolderIDList || !FShellFolder) return false;
  const String verb = Verb.empty() ? String("default") : Verb;
  const bool isDelete = SameText(verb, "delete");
  if (isDelete && FMultiObjects->Count() == 0 && GetAttributes(SFGAO_CANDELETE) == 0) return false;
  THourglass hourglass;
  const TActedObjects objects = CollectObjects();
  HRESULT result = S_OK;
  ComPtr<IContextMenu> shell = ContextMenuOf(objects, result);
  if (shell) result = RunVerb(shell.Get(), verb);
  return SUCCEEDED(result) && !(isDelete && PathExists(objects.FirstPath));
}

// The answer of the shell's call; S_OK when none was made.
HRESULT TShellBrowser::RunVerb(IContextMenu* Shell, const String& Verb) {
  if (SameText(Verb, "default")) {
    const HMENU menu = CreatePopupMenu();
    Shell->QueryContextMenu(menu, 0, kFirstVerb, kLastVerb, CMF_DEFAULTONLY);
    const uint32_t command = GetMenuDefaultItem(menu, false, 0);
    DestroyMenu(menu);
    if (command < kFirstVerb || command > kLastVerb) return S_OK;
    return InvokeVerb(Shell, OwnerWindow(), MAKEINTRESOURCEA(command - kFirstVerb));
  }
  if (SameText(Verb, "rename")) {
    if (OnRename) {
      const TNotifyEvent handler = OnRename;
      handler(this);
    }
    return S_OK;
  }
  return InvokeVerb(Shell, OwnerWindow(), Verb.c_str());
}

// ---- Links and thumbnails --------------------------------------------------------------------------

String TShellBrowser::ResolveLink() {
  if (!FObjectIDList) return String();
  const String file = ObjectPath(FObjectIDList, GetObjectName());
  // Symbolic links to folders show as the folders themselves, yet they are
  // links as much as .desktop files are.
  if (!IsLink() && !IsSymbolicLink(file)) return String();
  void* object = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, &object)) || !object)
    return String();
  ComPtr<IShellLinkA> link = ComPtr<IShellLinkA>::Adopt(static_cast<IShellLinkA*>(object));
  ComPtr<IPersistFile> persist;
  if (FAILED(link.As(IID_IPersistFile, persist)) || FAILED(persist->Load(file, 0))) return String();
  String path;
  WIN32_FIND_DATA data;
  if (FAILED(link->GetPath(path, &data, 0)) || !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return String();
  return path;
}

HBITMAP TShellBrowser::ExtractThumbnail(int32_t Width, int32_t Height) {
  if (ShellObjects().OldShell || !FShellFolder || !FObjectIDList) return nullptr;
  const PCUITEMID_CHILD items[1] = {FObjectIDList};
  void* object = nullptr;
  // No owner window: this runs on the thumbnail thread too.
  if (FAILED(FShellFolder->GetUIObjectOf(nullptr, 1, items, IID_IExtractImage, nullptr, &object)) || !object)
    return nullptr;
  ComPtr<IExtractImage> extractor = ComPtr<IExtractImage>::Adopt(static_cast<IExtractImage*>(object));
  const TSize size = Width <= 0 || Height <= 0 ? TSize{64, 64} : TSize{Width, Height};
  uint32_t priority = 2;
  uint32_t flags = IEIFLAG_SCREEN;
  constexpr uint32_t kColorDepth = 16;
  String location;
  HBITMAP bitmap = nullptr;
  if (FAILED(extractor->GetLocation(location, &priority, &size, kColorDepth, &flags)) ||
      FAILED(extractor->Extract(&bitmap)))
    return nullptr;
  return bitmap;
}
