// What the shell list and tree share for their interaction: the operation
// codes they report, file lists read from the clipboard and from data
// objects, the drag source of a drag out, and the drop-target object that
// hands the window system's drop calls to the control.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/gui/win_ole.h"
#include "platform/rtl/components.h"
#include "platform/rtl/stringlist.h"

// Operation codes of OnOperation.
inline constexpr int32_t ZavOperationDelete = 0xC0;
inline constexpr int32_t ZavOperationPasteCopied = 0x121;
inline constexpr int32_t ZavOperationPasteMoved = 0x122;
inline constexpr int32_t ZavOperationTreePaste = 0x120;  // plus 1 (copied) or 2 (moved)
inline constexpr int32_t ZavOperationRename = 0x200;
inline constexpr int32_t ZavOperationDragCopy = 5;
inline constexpr int32_t ZavOperationDragMove = 0x86;
inline constexpr int32_t ZavOperationDragOther = 4;
inline constexpr int32_t ZavOperationDropCopy = 9;
inline constexpr int32_t ZavOperationDropMove = 10;
inline constexpr int32_t ZavOperationDropLink = 8;
// A code with this flag first takes the selected items out of the list.
inline constexpr int32_t ZavOperationRemovesSelection = 0x40;
// Codes with any of these flags (move, delete, rename) make the linked
// controls refresh.
inline constexpr int32_t ZavOperationChangesFolders = 0x2C2;

// The key state bits a drop keeps (both mouse buttons and the middle one).
inline constexpr uint32_t ZavDropButtons = 0x13;

// The files of the clipboard's file list; empty when it holds none.
std::unique_ptr<TStringList> ClipboardFileList();
// The files of a data object's CF_HDROP list; empty when it has none.
std::unique_ptr<TStringList> DataObjectFileList(IDataObject* Data);
// The paste report: copied while the first file is still where it was.
int32_t PasteOperation(TStrings* Files);
// The drop report for an effect; 0 for none.
int32_t DropOperation(uint32_t Effect);
bool ShellPathExists(const String& Path);

// The drag source of a drag out: cancels on Escape or a button other than
// the starting one, drops when the starting button is up.
class TShellDropSource final : public TComObject<IDropSource, IID_IDropSource> {
 public:
  // Button: MK_LBUTTON or MK_RBUTTON.
  explicit TShellDropSource(uint32_t Button) : FButton(Button) {}
  HRESULT QueryContinueDrag(bool EscapePressed, uint32_t KeyState) override;
  HRESULT GiveFeedback(uint32_t) override { return DRAGDROP_S_USEDEFAULTCURSORS; }

 private:
  ~TShellDropSource() = default;
  uint32_t FButton;
};

// The drop calls of a control; the control answers them itself.
class IShellDropHandler {
 public:
  virtual HRESULT DragEnter(IDataObject* Data, uint32_t KeyState, POINTL Point, uint32_t* Effect) = 0;
  virtual HRESULT DragOver(uint32_t KeyState, POINTL Point, uint32_t* Effect) = 0;
  virtual HRESULT DragLeave() = 0;
  virtual HRESULT Drop(IDataObject* Data, uint32_t KeyState, POINTL Point, uint32_t* Effect) = 0;

 protected:
  ~IShellDropHandler() = default;
};

// Registered for a control's window; forwards while the control lives.
class TShellDropTarget final : public TComObject<IDropTarget, IID_IDropTarget> {
 public:
  TShellDropTarget(TComponent* Control, IShellDropHandler* Handler) : FControl(Control), FHandler(Handler) {}
  HRESULT DragEnter(IDataObject* Data, uint32_t KeyState, POINTL Point, uint32_t* Effect) override;
  HRESULT DragOver(uint32_t KeyState, POINTL Point, uint32_t* Effect) override;
  HRESULT DragLeave() override;
  HRESULT Drop(IDataObject* Data, uint32_t KeyState, POINTL Point, uint32_t* Effect) override;

 private:
  ~TShellDropTarget() = default;
  bool Alive(uint32_t* Effect);
  TComponentRef<TComponent> FControl;
  IShellDropHandler* FHandler;
};

// Registers the control's window as a drop target; false when the window
// system refused.
bool RegisterShellDropTarget(HWND Window, TComponent* Control, IShellDropHandler* Handler);

// A reference-counted pointer's release, for drop targets and data objects.
template <typename T>
void ReleaseRef(T*& Object) {
  if (Object == nullptr) return;
  T* o = Object;
  Object = nullptr;
  o->Release();
}
