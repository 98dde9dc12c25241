#include "shell/shell_dragdrop.h"

#include <sys/stat.h>

#include <vector>

#include "platform/gui/win_clipboard.h"

namespace {

std::unique_ptr<TStringList> DropBlockToList(HDROP Drop) {
  auto files = std::make_unique<TStringList>();
  if (Drop == 0) return files;
  const uint32_t count = DragQueryFile(Drop, 0xFFFFFFFFu, nullptr, 0);
  for (uint32_t i = 0; i < count; ++i) {
    // Lengths count UTF-16 units; UTF-8 needs at most three bytes for each.
    std::vector<char> name(size_t(DragQueryFile(Drop, i, nullptr, 0)) * 3 + 1);
    DragQueryFile(Drop, i, name.data(), uint32_t(name.size()));
    files->Add(name.data());
  }
  return files;
}

}  // namespace

std::unique_ptr<TStringList> ClipboardFileList() {
  if (!IsClipboardFormatAvailable(CF_HDROP) || !OpenClipboard(nullptr)) return std::make_unique<TStringList>();
  auto files = DropBlockToList(GetClipboardData(CF_HDROP));
  CloseClipboard();
  return files;
}

std::unique_ptr<TStringList> DataObjectFileList(IDataObject* Data) {
  if (Data == nullptr) return std::make_unique<TStringList>();
  FORMATETC format;
  format.cfFormat = CF_HDROP;
  STGMEDIUM medium;
  if (Data->GetData(&format, &medium) != S_OK) return std::make_unique<TStringList>();
  auto files = DropBlockToList(medium.hGlobal);
  ReleaseStgMedium(&medium);
  return files;
}

bool ShellPathExists(const String& Path) {
  struct stat st;
  return !Path.empty() && ::lstat(Path.c_str(), &st) == 0;
}

int32_t PasteOperation(TStrings* Files) {
  const bool copied = Files == nullptr || Files->Count() == 0 || ShellPathExists(Files->Strings(0));
  return copied ? ZavOperationPasteCopied : ZavOperationPasteMoved;
}

int32_t DropOperation(uint32_t Effect) {
  switch (Effect & (DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK)) {
    case DROPEFFECT_COPY: return ZavOperationDropCopy;
    case DROPEFFECT_MOVE: return ZavOperationDropMove;
    case DROPEFFECT_LINK: return ZavOperationDropLink;
    default: return 0;
  }
}

HRESULT TShellDropSource::QueryContinueDrag(bool EscapePressed, uint32_t KeyState) {
  if (EscapePressed || (KeyState & (FButton ^ ZavDropButtons)) != 0) return DRAGDROP_S_CANCEL;
  return (KeyState & FButton) != 0 ? S_OK : DRAGDROP_S_DROP;
}

bool TShellDropTarget::Alive(uint32_t* Effect) {
  if (FControl) return true;
  if (Effect != nullptr) *Effect = DROPEFFECT_NONE;
  return false;
}

HRESULT TShellDropTarget::DragEnter(IDataObject* Data, uint32_t KeyState, POINTL Point, uint32_t* Effect) {
  return Alive(Effect) ? FHandler->DragEnter(Data, KeyState, Point, Effect) : E_UNEXPECTED;
}

HRESULT TShellDropTarget::DragOver(uint32_t KeyState, POINTL Point, uint32_t* Effect) {
  return Alive(Effect) ? FHandler->DragOver(KeyState, Point, Effect) : E_UNEXPECTED;
}

HRESULT TShellDropTarget::DragLeave() { return Alive(nullptr) ? FHandler->DragLeave() : S_OK; }

HRESULT TShellDropTarget::Drop(IDataObject* Data, uint32_t KeyState, POINTL Point, uint32_t* Effect) {
  return Alive(Effect) ? FHandler->Drop(Data, KeyState, Point, Effect) : E_UNEXPECTED;
}

bool RegisterShellDropTarget(HWND Window, TComponent* Control, IShellDropHandler* Handler) {
  auto* target = new TShellDropTarget(Control, Handler);
  const HRESULT hr = RegisterDragDrop(Window, target);
  target->Release();
  return SUCCEEDED(hr);
}
