// The link between shell trees and file lists: every linked control
// registers its window, and a control that changes folder, goes up,
// refreshes or selects has the link send a message to all the others so
// that they follow. Messages are sent, not posted: each control handles one
// before the next gets its copy, and the item-ID lists they carry belong to
// the sender and live only during the call.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gui/windows.h"
#include "platform/rtl/components.h"
#include "platform/shellapi/shlobj.h"
#include "shell/selectionlist.h"

class TWinControl;

// The link messages.
inline constexpr uint32_t ZSL_FOLDERCHANGE = 1664;  // wParam: absolute list of the folder to show
inline constexpr uint32_t ZSL_SELECTALL = 1665;
inline constexpr uint32_t ZSL_REPOPULATE = 1666;
inline constexpr uint32_t ZSL_REFRESH = 1667;
inline constexpr uint32_t ZSL_GOUP = 1668;       // a control that went up answers 1
inline constexpr uint32_t ZSL_SELECTION = 1669;  // wParam: folder list; lParam: relative list of the object

class TZavShellLink : public TComponent {
 public:
  explicit TZavShellLink(TComponent* AOwner);
  const char* ClassName() const override { return "TZavShellLink"; }

  // Each window at most once, in registration order.
  void RegisterWindow(HWND Window);
  void UnregisterWindow(HWND Window);
  int32_t WindowCount() const { return int32_t(FLinkedWindows.size()); }

  // Broadcasts to every registered window but the sender's; nothing while
  // disabled. The link is disabled during a round, so a control that
  // notifies again from its handler starts no nested round.
  void NotifyFolderChange(TWinControl* Sender, LPCITEMIDLIST Folder);
  void NotifySelection(TWinControl* Sender, LPCITEMIDLIST Folder, LPCITEMIDLIST Object);
  void SelectAllOthers(TWinControl* Sender);
  void RepopulateOthers(TWinControl* Sender);
  void RefreshOthers(TWinControl* Sender);
  // Asks the others in order; the first that answers 1 ends the round.
  // When none does, the sender itself gets the message.
  void GoUp(TWinControl* Sender);

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value) { FEnabled = Value; }
  // Whether linked lists may show their parent-folder item; a tree clears
  // it while its root is selected.
  bool ShowParentItem() const { return FShowParentItem; }
  void SetShowParentItem(bool Value) { FShowParentItem = Value; }
  // The checked selection the controls' check boxes edit.
  TZavSelectionList* Selection() const { return FSelection.get(); }
  String Version() const { return String(ClassName()) + " V3.02"; }
  void SetVersion(const String&) {}

  TNotifyEvent OnChange;

 private:
  // Sends to the others; false when the link was disabled.
  bool Broadcast(TWinControl* Sender, uint32_t Msg, WPARAM WParam, LPARAM LParam);

  std::vector<HWND> FLinkedWindows;
  std::unique_ptr<TZavSelectionList> FSelection = std::make_unique<TZavSelectionList>();
  bool FEnabled = true;
  bool FShowParentItem = true;
};
