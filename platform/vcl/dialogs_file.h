// The file dialog: the flat GetOpenFileName / GetSaveFileName with the
// OPENFILENAME record, the hook and template protocol (a child dialog inside
// the file dialog that receives the CDN_* notifications and sends CDM_*
// messages to its parent), and the framework's TOpenDialog / TSaveDialog.
//
// Every folder and file shown comes from the shell namespace. Names are
// identified and returned by their bytes; a name that is not valid UTF-8 is
// shown read as Windows-1252. The dialog never writes a file, never changes
// the current folder and never cuts a name (nMaxFile is ignored).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/gui/windows.h"
#include "platform/rtl/sets.h"
#include "platform/rtl/stringlist.h"
#include "platform/shellapi/shlobj.h"
#include "platform/vcl/dialogs_common.h"
#include "platform/vcl/dialogs_manager.h"
#include "platform/vcl/messages.h"

using LPOFNHOOKPROC = DLGPROC;

// ---- Flags ----------------------------------------------------------------------------
inline constexpr uint32_t OFN_READONLY = 0x00000001;
inline constexpr uint32_t OFN_OVERWRITEPROMPT = 0x00000002;
inline constexpr uint32_t OFN_HIDEREADONLY = 0x00000004;
inline constexpr uint32_t OFN_NOCHANGEDIR = 0x00000008;
inline constexpr uint32_t OFN_SHOWHELP = 0x00000010;
inline constexpr uint32_t OFN_ENABLEHOOK = 0x00000020;
inline constexpr uint32_t OFN_ENABLETEMPLATE = 0x00000040;
inline constexpr uint32_t OFN_ENABLETEMPLATEHANDLE = 0x00000080;
inline constexpr uint32_t OFN_NOVALIDATE = 0x00000100;
inline constexpr uint32_t OFN_ALLOWMULTISELECT = 0x00000200;
inline constexpr uint32_t OFN_EXTENSIONDIFFERENT = 0x00000400;
inline constexpr uint32_t OFN_PATHMUSTEXIST = 0x00000800;
inline constexpr uint32_t OFN_FILEMUSTEXIST = 0x00001000;
inline constexpr uint32_t OFN_CREATEPROMPT = 0x00002000;
inline constexpr uint32_t OFN_SHAREAWARE = 0x00004000;
inline constexpr uint32_t OFN_NOREADONLYRETURN = 0x00008000;
inline constexpr uint32_t OFN_NOTESTFILECREATE = 0x00010000;
inline constexpr uint32_t OFN_NONETWORKBUTTON = 0x00020000;
inline constexpr uint32_t OFN_NOLONGNAMES = 0x00040000;
inline constexpr uint32_t OFN_EXPLORER = 0x00080000;
inline constexpr uint32_t OFN_NODEREFERENCELINKS = 0x00100000;
inline constexpr uint32_t OFN_LONGNAMES = 0x00200000;
inline constexpr uint32_t OFN_ENABLEINCLUDENOTIFY = 0x00400000;
inline constexpr uint32_t OFN_ENABLESIZING = 0x00800000;
inline constexpr uint32_t OFN_DONTADDTORECENT = 0x02000000;
inline constexpr uint32_t OFN_FORCESHOWHIDDEN = 0x10000000;
inline constexpr uint32_t OFN_EX_NOPLACESBAR = 0x00000001;

// ---- Extended errors (CommDlgExtendedError) -------------------------------------------
inline constexpr uint32_t CDERR_STRUCTSIZE = 0x0001;
inline constexpr uint32_t CDERR_INITIALIZATION = 0x0002;
inline constexpr uint32_t CDERR_FINDRESFAILURE = 0x0006;
inline constexpr uint32_t CDERR_NOHOOK = 0x000B;
inline constexpr uint32_t FNERR_INVALIDFILENAME = 0x3002;
// The last error of a common dialog of this thread; 0 after a cancel.
uint32_t CommDlgExtendedError();

// ---- Control ids of the file dialog ---------------------------------------------------
inline constexpr int32_t chx1 = 0x410;     // open as read-only
inline constexpr int32_t pshHelp = 0x40E;  // Help
inline constexpr int32_t stc2 = 0x441;     // "Files of type:"
inline constexpr int32_t stc3 = 0x442;     // "File name:"
inline constexpr int32_t stc4 = 0x443;     // "Look in:"
inline constexpr int32_t stc32 = 0x45F;    // the placeholder of a template for the standard controls
inline constexpr int32_t lst1 = 0x460;     // the file list (SysListView32 in report view)
inline constexpr int32_t cmb1 = 0x470;     // file types
inline constexpr int32_t cmb2 = 0x471;     // Look in
inline constexpr int32_t cmb13 = 0x47C;    // the name box (alias of edt1 in CDM_* messages)
inline constexpr int32_t edt1 = 0x480;     // the name box
inline constexpr int32_t ctl1 = 0x4A0;     // the places bar
inline constexpr int32_t pshUpFolder = 0xA001;
inline constexpr int32_t pshNewFolder = 0xA002;

// ---- The record -----------------------------------------------------------------------
inline constexpr uint32_t OPENFILENAME_SIZE_VERSION_400 = 76;
inline constexpr uint32_t OPENFILENAME_SIZE = 88;

struct OPENFILENAME {
  uint32_t lStructSize = OPENFILENAME_SIZE;  // 76 or 88
  HWND hwndOwner = nullptr;
  HINSTANCE hInstance = nullptr;  // ignored
  // "description\0pattern;pattern\0...\0\0"
  String lpstrFilter;
  String lpstrCustomFilter;  // accepted and ignored
  uint32_t nMaxCustFilter = 0;
  uint32_t nFilterIndex = 0;  // 1-based; 0 reads as 1
  // In: the initial name; out: the full path, or the folder, NUL, each
  // name, NUL and a final NUL for several files.
  String lpstrFile;
  uint32_t nMaxFile = 0;  // ignored: names are never cut
  String lpstrFileTitle;  // out: the name without its folder
  uint32_t nMaxFileTitle = 0;
  String lpstrInitialDir;
  String lpstrTitle;
  uint32_t Flags = 0;
  uint16_t nFileOffset = 0;
  uint16_t nFileExtension = 0;
  String lpstrDefExt;
  LPARAM lCustData = 0;
  LPOFNHOOKPROC lpfnHook = nullptr;
  String lpTemplateName;  // a registered dialog template
  void* pvReserved = nullptr;
  uint32_t dwReserved = 0;
  uint32_t FlagsEx = 0;
};
using OPENFILENAMEA = OPENFILENAME;
using OPENFILENAMEW = OPENFILENAME;
using LPOPENFILENAME = OPENFILENAME*;

// Modal; true when a name was accepted. One implementation serves the A
// and W names (text is UTF-8).
bool GetOpenFileName(OPENFILENAME* ofn);
bool GetSaveFileName(OPENFILENAME* ofn);
inline bool GetOpenFileNameA(OPENFILENAME* ofn) { return GetOpenFileName(ofn); }
inline bool GetOpenFileNameW(OPENFILENAME* ofn) { return GetOpenFileName(ofn); }
inline bool GetSaveFileNameA(OPENFILENAME* ofn) { return GetSaveFileName(ofn); }
inline bool GetSaveFileNameW(OPENFILENAME* ofn) { return GetSaveFileName(ofn); }

// ---- Notifications to the hook (WM_NOTIFY) --------------------------------------------
inline constexpr uint32_t CDN_FIRST = uint32_t(-601);
inline constexpr uint32_t CDN_INITDONE = uint32_t(-601);
inline constexpr uint32_t CDN_SELCHANGE = uint32_t(-602);
inline constexpr uint32_t CDN_FOLDERCHANGE = uint32_t(-603);
inline constexpr uint32_t CDN_SHAREVIOLATION = uint32_t(-604);
inline constexpr uint32_t CDN_HELP = uint32_t(-605);
inline constexpr uint32_t CDN_FILEOK = uint32_t(-606);
inline constexpr uint32_t CDN_TYPECHANGE = uint32_t(-607);
inline constexpr uint32_t CDN_INCLUDEITEM = uint32_t(-608);

// hdr.hwndFrom is the file dialog (the hook's parent).
struct OFNOTIFY {
  NMHDR hdr;
  OPENFILENAME* lpOFN = nullptr;
  const char* pszFile = nullptr;
};
// CDN_INCLUDEITEM: the folder (IShellFolder*) and the item's child list.
struct OFNOTIFYEX {
  NMHDR hdr;
  OPENFILENAME* lpOFN = nullptr;
  void* psf = nullptr;
  void* pidl = nullptr;
};

// ---- Messages to the file dialog (GetParent of the hook's window) --------------------
// Strings travel as String* in lParam. Answers: the length of the text plus
// one, or -1 when there is none (a virtual folder has no path).
inline constexpr uint32_t CDM_FIRST = WM_USER + 100;
inline constexpr uint32_t CDM_GETSPEC = CDM_FIRST + 0;          // lParam String*: the name box
inline constexpr uint32_t CDM_GETFILEPATH = CDM_FIRST + 1;      // lParam String*: folder and name
inline constexpr uint32_t CDM_GETFOLDERPATH = CDM_FIRST + 2;    // lParam String*
inline constexpr uint32_t CDM_GETFOLDERIDLIST = CDM_FIRST + 3;  // lParam PIDLIST_ABSOLUTE*: a copy (ILFree it)
inline constexpr uint32_t CDM_SETCONTROLTEXT = CDM_FIRST + 4;   // wParam id, lParam const String*
inline constexpr uint32_t CDM_HIDECONTROL = CDM_FIRST + 5;      // wParam id
inline constexpr uint32_t CDM_SETDEFEXT = CDM_FIRST + 6;        // lParam const String*

inline LRESULT CommDlg_OpenSave_GetSpec(HWND hdlg, String* psz) {
  return SendMessage(hdlg, CDM_GETSPEC, 0, reinterpret_cast<LPARAM>(psz));
}
inline LRESULT CommDlg_OpenSave_GetFilePath(HWND hdlg, String* psz) {
  return SendMessage(hdlg, CDM_GETFILEPATH, 0, reinterpret_cast<LPARAM>(psz));
}
inline LRESULT CommDlg_OpenSave_GetFolderPath(HWND hdlg, String* psz) {
  return SendMessage(hdlg, CDM_GETFOLDERPATH, 0, reinterpret_cast<LPARAM>(psz));
}
inline LRESULT CommDlg_OpenSave_GetFolderIDList(HWND hdlg, PIDLIST_ABSOLUTE* pidl) {
  return SendMessage(hdlg, CDM_GETFOLDERIDLIST, 0, reinterpret_cast<LPARAM>(pidl));
}
inline void CommDlg_OpenSave_SetControlText(HWND hdlg, int32_t id, const String& text) {
  SendMessage(hdlg, CDM_SETCONTROLTEXT, WPARAM(id), reinterpret_cast<LPARAM>(&text));
}
inline void CommDlg_OpenSave_HideControl(HWND hdlg, int32_t id) { SendMessage(hdlg, CDM_HIDECONTROL, WPARAM(id), 0); }
inline void CommDlg_OpenSave_SetDefExt(HWND hdlg, const String& ext) {
  SendMessage(hdlg, CDM_SETDEFEXT, 0, reinterpret_cast<LPARAM>(&ext));
}

// ---- The framework --------------------------------------------------------------------
enum class TOpenOption : uint8_t {
  ofReadOnly,
  ofOverwritePrompt,
  ofHideReadOnly,
  ofNoChangeDir,
  ofShowHelp,
  ofNoValidate,
  ofAllowMultiSelect,
  ofExtensionDifferent,
  ofPathMustExist,
  ofFileMustExist,
  ofCreatePrompt,
  ofShareAware,
  ofNoReadOnlyReturn,
  ofNoTestFileCreate,
  ofNoNetworkButton,
  ofNoLongNames,
  ofOldStyleDialog,
  ofNoDereferenceLinks,
  ofEnableIncludeNotify,
  ofEnableSizing,
  ofDontAddToRecent,
  ofForceShowHidden
};
using TOpenOptions = Set<TOpenOption>;
enum class TOpenOptionEx : uint8_t { ofExNoPlacesBar };
using TOpenOptionsEx = Set<TOpenOptionEx>;

// The OFN_* flag of each option (ofOldStyleDialog: 0, the dialog is always
// Explorer-style).
uint32_t OpenOptionFlag(TOpenOption Option);
uint32_t OpenOptionsToFlags(const TOpenOptions& Options);

using TIncludeItemEvent = std::function<void(TObject* Sender, const OFNOTIFYEX& OFN, bool& Include)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

class TOpenDialog : public TCommonDialog {
 public:
  explicit TOpenDialog(TComponent* AOwner);
  ~TOpenDialog() override;
  const char* ClassName() const override { return "TOpenDialog"; }
  using TCommonDialog::Execute;
  bool Execute(HWND ParentWnd) override;

  const String& DefaultExt() const { return FDefaultExt; }
  void SetDefaultExt(const String& Value) { FDefaultExt = Value; }
  // While the dialog is open: the name the dialog holds now.
  String FileName() const;
  void SetFileName(const String& Value) { FFileName = Value; }
  // The names chosen (one per selected file, full paths).
  TStrings* Files() const { return FFiles.get(); }
  // "Description|patterns|Description|patterns".
  const String& Filter() const { return FFilter; }
  void SetFilter(const String& Value) { FFilter = Value; }
  // 1-based; follows the type chosen while the dialog is open.
  int32_t FilterIndex() const { return FFilterIndex; }
  void SetFilterIndex(int32_t Value) { FFilterIndex = Value; }
  const String& InitialDir() const { return FInitialDir; }
  void SetInitialDir(const String& Value) { FInitialDir = Value; }
  TOpenOptions Options() const { return FOptions; }
  void SetOptions(const TOpenOptions& Value) { FOptions = Value; }
  TOpenOptionsEx OptionsEx() const { return FOptionsEx; }
  void SetOptionsEx(const TOpenOptionsEx& Value) { FOptionsEx = Value; }
  const String& Title() const { return FTitle; }
  void SetTitle(const String& Value) { FTitle = Value; }

  TCloseQueryEvent OnCanClose;
  TNotifyEvent OnFolderChange;
  TNotifyEvent OnSelectionChange;
  TNotifyEvent OnTypeChange;
  TIncludeItemEvent OnIncludeItem;

 protected:
  bool DoExecute(bool Save, HWND ParentWnd);
  virtual bool DoCanClose();
  virtual void DoFolderChange();
  virtual void DoSelectionChange();
  virtual void DoTypeChange();
  virtual void DoIncludeItem(const OFNOTIFYEX& OFN, bool& Include);
  void WndProc(TMessage& Message) override;

 private:
  static intptr_t HookProc(HWND hdlg, uint32_t msg, WPARAM wParam, LPARAM lParam);
  void ReadResults(const OPENFILENAME& ofn);

  String FDefaultExt;
  String FFileName;
  std::unique_ptr<TStringList> FFiles;
  String FFilter;
  int32_t FFilterIndex = 1;
  String FInitialDir;
  TOpenOptions FOptions{TOpenOption::ofHideReadOnly};
  TOpenOptionsEx FOptionsEx;
  String FTitle;
};

class TSaveDialog : public TOpenDialog {
 public:
  explicit TSaveDialog(TComponent* AOwner) : TOpenDialog(AOwner) {}
  const char* ClassName() const override { return "TSaveDialog"; }
  using TCommonDialog::Execute;
  bool Execute(HWND ParentWnd) override;
};
