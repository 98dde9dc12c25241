// What the main window asks of the pages it hosts. The convert and rename
// tabs live in libraries above the window, so a page made by a registered
// factory (tabregistry.h) answers these through this interface; a plain
// frame that does not implement it is shown as it is.
#pragma once

#include "platform/rtl/types.h"

class TBatchConvert;
class TbsSkinData;
class TDropFileTarget;
class TPictovalSettings;
class TWinControl;

class IMainTab {
 public:
  virtual ~IMainTab() = default;

  // The window whose services and settings the page uses.
  virtual void SetMainForm(TBatchConvert* Form) = 0;
  // The page's controls from the live settings, once, right after creation.
  virtual void LoadControls(TPictovalSettings& Settings) = 0;
  // The controls back into the settings before they are written.
  virtual void StoreControls(TPictovalSettings& Settings) = 0;

  // The folder its shell list shows; empty when none.
  virtual String ShellListPath() = 0;
  // The shell list goes to Folder and the source-folder edit shows it.
  virtual void OpenFolder(const String& Folder) = 0;
  // The last steps of loading: the source-folder edit takes the shell list's
  // path and the folder edits complete folder names.
  virtual void FinishLoading() = 0;

  // The page's file drop target and the control it is bound to: the window
  // binds them once the page is loaded and unbinds them when it closes.
  virtual TDropFileTarget* DropFileTarget() = 0;
  virtual TWinControl* TreeView() = 0;

  // The skin of the buttons that one skin leaves plain (the rename-help
  // button and the rename tab's clear buttons); nullptr draws them plain.
  virtual void SetPlainButtonsSkin(TbsSkinData* SkinData) = 0;
  // An information message with an OK button through the page's skinned
  // message component.
  virtual void ShowInformation(const String& Text) = 0;
};
