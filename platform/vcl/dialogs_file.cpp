// TOpenDialog and TSaveDialog over the flat file dialog.
#include "platform/vcl/dialogs_file.h"

#include <algorithm>

#include "platform/rtl/files.h"

uint32_t OpenOptionFlag(TOpenOption Option) {
  switch (Option) {
    case TOpenOption::ofReadOnly: return OFN_READONLY;
    case TOpenOption::ofOverwritePrompt: return OFN_OVERWRITEPROMPT;
    case TOpenOption::ofHideReadOnly: return OFN_HIDEREADONLY;
    case TOpenOption::ofNoChangeDir: return OFN_NOCHANGEDIR;
    case TOpenOption::ofShowHelp: return OFN_SHOWHELP;
    case TOpenOption::ofNoValidate: return OFN_NOVALIDATE;
    case TOpenOption::ofAllowMultiSelect: return OFN_ALLOWMULTISELECT;
    case TOpenOption::ofExtensionDifferent: return OFN_EXTENSIONDIFFERENT;
    case TOpenOption::ofPathMustExist: return OFN_PATHMUSTEXIST;
    case TOpenOption::ofFileMustExist: return OFN_FILEMUSTEXIST;
    case TOpenOption::ofCreatePrompt: return OFN_CREATEPROMPT;
    case TOpenOption::ofShareAware: return OFN_SHAREAWARE;
    case TOpenOption::ofNoReadOnlyReturn: return OFN_NOREADONLYRETURN;
    case TOpenOption::ofNoTestFileCreate: return OFN_NOTESTFILECREATE;
    case TOpenOption::ofNoNetworkButton: return OFN_NONETWORKBUTTON;
    case TOpenOption::ofNoLongNames: return OFN_NOLONGNAMES;
    case TOpenOption::ofOldStyleDialog: return 0;
    case TOpenOption::ofNoDereferenceLinks: return OFN_NODEREFERENCELINKS;
    case TOpenOption::ofEnableIncludeNotify: return OFN_ENABLEINCLUDENOTIFY;
    case TOpenOption::ofEnableSizing: return OFN_ENABLESIZING;
    case TOpenOption::ofDontAddToRecent: return OFN_DONTADDTORECENT;
    case TOpenOption::ofForceShowHidden: return OFN_FORCESHOWHIDDEN;
  }
  return 0;
}

uint32_t OpenOptionsToFlags(const TOpenOptions& Options) {
  uint32_t flags = OFN_EXPLORER;
  for (TOpenOption o : Options) flags |= OpenOptionFlag(o);
  return flags;
}

TOpenDialog::TOpenDialog(TComponent* AOwner) : TCommonDialog(AOwner), FFiles(std::make_unique<TStringList>()) {}

TOpenDialog::~TOpenDialog() = default;

bool TOpenDialog::Execute(HWND ParentWnd) { return DoExecute(false, ParentWnd); }

bool TSaveDialog::Execute(HWND ParentWnd) { return DoExecute(true, ParentWnd); }

String TOpenDialog::FileName() const {
  if (Handle() != nullptr) {
    String s;
    if (CommDlg_OpenSave_GetFilePath(GetParent(Handle()), &s) > 0) return s;
  }
  return FFileName;
}

bool TOpenDialog::DoExecute(bool Save, HWND ParentWnd) {
  OPENFILENAME ofn;
  ofn.hwndOwner = ParentWnd;
  String filter = FFilter;
  for (char& c : filter)
    if (c == '|') c = '\0';
  if (!filter.empty()) filter.append(2, '\0');
  ofn.lpstrFilter = filter;
  ofn.nFilterIndex = uint32_t(std::max(0, FFilterIndex));
  ofn.lpstrFile = FFileName;
  ofn.lpstrInitialDir = FInitialDir;
  ofn.lpstrTitle = FTitle;
  ofn.lpstrDefExt = FDefaultExt;
  ofn.Flags = OpenOptionsToFlags(FOptions) | OFN_ENABLEHOOK;
  if (!Template().empty()) {
    ofn.Flags |= OFN_ENABLETEMPLATE;
    ofn.lpTemplateName = Template();
  }
  if (FOptionsEx.Contains(TOpenOptionEx::ofExNoPlacesBar)) ofn.FlagsEx |= OFN_EX_NOPLACESBAR;
  ofn.lpfnHook = &HookProc;
  ofn.lCustData = reinterpret_cast<LPARAM>(this);
  FFiles->Clear();
  const bool ok = TaskModalDialog([&] { return Save ? GetSaveFileName(&ofn) : GetOpenFileName(&ofn); });
  FFilterIndex = int32_t(ofn.nFilterIndex);
  if (ok) {
    ReadResults(ofn);
    if (ofn.Flags & OFN_READONLY)
      FOptions.Include(TOpenOption::ofReadOnly);
    else
      FOptions.Exclude(TOpenOption::ofReadOnly);
    if (ofn.Flags & OFN_EXTENSIONDIFFERENT)
      FOptions.Include(TOpenOption::ofExtensionDifferent);
    else
      FOptions.Exclude(TOpenOption::ofExtensionDifferent);
  }
  return ok;
}

void TOpenDialog::ReadResults(const OPENFILENAME& ofn) {
  FFiles->Clear();
  const String& r = ofn.lpstrFile;
  const size_t nul = r.find('\0');
  if (nul == String::npos) {
    FFileName = r;
    FFiles->Add(r);
    return;
  }
  // The folder, then each name (an absolute name stands as it is).
  const String folder = r.substr(0, nul);
  size_t p = nul + 1;
  while (p < r.size() && r[p] != '\0') {
    const size_t e = r.find('\0', p);
    const String name = r.substr(p, e == String::npos ? String::npos : e - p);
    FFiles->Add(name.front() == '/' ? name : IncludeTrailingPathDelimiter(folder) + name);
    if (e == String::npos) break;
    p = e + 1;
  }
  FFileName = FFiles->Count() > 0 ? FFiles->Strings(0) : String();
}

intptr_t TOpenDialog::HookProc(HWND hdlg, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  if (msg != WM_INITDIALOG) return 0;
  const auto* ofn = reinterpret_cast<const OPENFILENAME*>(lParam);
  auto* self = ofn != nullptr ? reinterpret_cast<TOpenDialog*>(ofn->lCustData) : nullptr;
  return self != nullptr ? self->AttachDialog(hdlg, msg, wParam, lParam) : 0;
}

bool TOpenDialog::DoCanClose() {
  bool canClose = true;
  if (OnCanClose) OnCanClose(this, canClose);
  return canClose;
}

void TOpenDialog::DoFolderChange() {
  if (OnFolderChange) OnFolderChange(this);
}

void TOpenDialog::DoSelectionChange() {
  if (OnSelectionChange) OnSelectionChange(this);
}

void TOpenDialog::DoTypeChange() {
  if (OnTypeChange) OnTypeChange(this);
}

void TOpenDialog::DoIncludeItem(const OFNOTIFYEX& OFN, bool& Include) {
  if (OnIncludeItem) OnIncludeItem(this, OFN, Include);
}

void TOpenDialog::WndProc(TMessage& Message) {
  if (Message.Msg == WM_INITDIALOG) {
    // The child of an Explorer-style dialog: shown at CDN_INITDONE, once laid out.
    Message.Result = 0;
    return;
  }
  if (Message.Msg == WM_NOTIFY && Message.LParam != 0) {
    const auto* n = reinterpret_cast<const OFNOTIFY*>(Message.LParam);
    switch (n->hdr.code) {
      case CDN_FILEOK:
        if (n->lpOFN != nullptr) ReadResults(*n->lpOFN);
        if (!DoCanClose()) {
          Message.Result = 1;
          SetWindowLong(Handle(), DWLP_MSGRESULT, 1);
          return;
        }
        break;
      case CDN_INITDONE: DoShow(); break;
      case CDN_SELCHANGE: DoSelectionChange(); break;
      case CDN_FOLDERCHANGE: DoFolderChange(); break;
      case CDN_TYPECHANGE:
        if (n->lpOFN != nullptr) FFilterIndex = int32_t(n->lpOFN->nFilterIndex);
        DoTypeChange();
        break;
      case CDN_INCLUDEITEM: {
        bool include = true;
        DoIncludeItem(*reinterpret_cast<const OFNOTIFYEX*>(Message.LParam), include);
        Message.Result = include ? 1 : 0;
        return;
      }
      default: break;
    }
  }
  TCommonDialog::WndProc(Message);
}
