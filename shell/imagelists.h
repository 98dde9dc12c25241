// The image lists of the shell controls: the system's file-type icons by
// index, and the check-state pictures of the lists' and trees' check boxes.
#pragma once

#include <cstdint>

#include "platform/vcl/imglist.h"

enum class TZavImageListSize : uint8_t { si_small = 0, si_large = 1 };

// The system image list of one size (16 or 32 pixels) behind an image
// list component, so that items can use the icon indexes the shell
// reports. Sharing (the default) uses the system's handle itself, which
// this list never frees or changes; without sharing it holds a copy of the
// system's images.
class TZavSystemImageList : public TCustomImageList {
 public:
  explicit TZavSystemImageList(TComponent* AOwner);
  const char* ClassName() const override { return "TZavSystemImageList"; }

  bool GetShareImages() const { return ShareImages(); }
  void SetShareImages(bool Value);
  TZavImageListSize Size() const { return FSize; }
  void SetSize(TZavImageListSize Value);

  // The index of the path's icon in the system list of this list's size.
  int32_t GetFileIconIndex(const String& Path) const;

 private:
  void AttachSystemList();
  uint32_t IconSizeFlag() const;

  TZavImageListSize FSize = TZavImageListSize::si_small;
};

// The check-state pictures, 16 x 16 with white transparent, indexed by
// check state (state images count from 1, so index 0 is a placeholder).
class TZavSelectionStateImageList : public TCustomImageList {
 public:
  explicit TZavSelectionStateImageList(TComponent* AOwner);
  const char* ClassName() const override { return "TZavSelectionStateImageList"; }
};

// The pictures' resource names, in index order.
inline constexpr const char* ZavSelectionStateResources[] = {
    "TZAVSELECTIONSTATE_DUMMY", "TZAVSELECTIONSTATE_NONE", "TZAVSELECTIONSTATE_CHECKED", "TZAVSELECTIONSTATE_UNCHECKED",
    "TZAVSELECTIONSTATE_GRAYED"};
