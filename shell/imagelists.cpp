#include "shell/imagelists.h"

#include "platform/gui/graphics.h"
#include "platform/shellapi/shellapi.h"
#include "shell/shellcontrolresources.h"

// ---- TZavSystemImageList ------------------------------------------------------------------

TZavSystemImageList::TZavSystemImageList(TComponent* AOwner) : TCustomImageList(AOwner) {
  SetHandle(nullptr);
  TCustomImageList::SetShareImages(true);
  SetSize(TZavImageListSize::si_small);
}

uint32_t TZavSystemImageList::IconSizeFlag() const {
  return FSize == TZavImageListSize::si_large ? SHGFI_LARGEICON : SHGFI_SMALLICON;
}

void TZavSystemImageList::AttachSystemList() {
  SHFILEINFO info;
  const auto system =
      reinterpret_cast<HIMAGELIST>(SHGetFileInfo("/", 0, &info, sizeof info, SHGFI_SYSICONINDEX | IconSizeFlag()));
  if (ShareImages()) {
    SetHandle(system);
    return;
  }
  // A copy of the images: the system's handle itself is never ours to keep.
  TCustomImageList shared(nullptr);
  shared.SetShareImages(true);
  shared.SetHandle(system);
  Assign(&shared);
  Change();
}

void TZavSystemImageList::SetSize(TZavImageListSize Value) {
  FSize = Value;
  AttachSystemList();
}

void TZavSystemImageList::SetShareImages(bool Value) {
  SetHandle(nullptr);
  TCustomImageList::SetShareImages(Value);
  AttachSystemList();
}

int32_t TZavSystemImageList::GetFileIconIndex(const String& Path) const {
  SHFILEINFO info;
  SHGetFileInfo(Path, 0, &info, sizeof info, SHGFI_SYSICONINDEX | IconSizeFlag());
  return info.iIcon;
}

// ---- TZavSelectionStateImageList --------------------------------------------------------------

TZavSelectionStateImageList::TZavSelectionStateImageList(TComponent* AOwner) : TCustomImageList(AOwner) {
  InitShellControlResources();
  for (const char* name : ZavSelectionStateResources) {
    TBitmap picture;
    picture.LoadFromResourceName(nullptr, name);
    AddMasked(&picture, clWhite);
  }
}
