// The seams through which the skin engine reaches skinned controls built on
// top of it: small abstract interfaces, implemented by the controls.
#pragma once

#include <cstdint>

#include "platform/rtl/graphtypes.h"
#include "platform/rtl/types.h"
#include "platform/vcl/controls.h"

class TbsSkinData;
class TCustomImageList;

// Every control the form component walks on a skin change.
class IbsSkinAware {
 public:
  virtual ~IbsSkinAware() = default;
  virtual TbsSkinData* SkinData() const = 0;
  virtual void SetSkinData(TbsSkinData* Value) = 0;
  virtual void ChangeSkinData() = 0;
};

// A tool bar that lays out its children: with AdjustControls they are
// centred vertically in AdjustedClientRect.
class IbsToolBarHost {
 public:
  virtual ~IbsToolBarHost() = default;
  virtual bool AdjustControls() const = 0;
  virtual TRect AdjustedClientRect() = 0;
  virtual TCustomImageList* Images() const = 0;
  virtual TCustomImageList* HotImages() const = 0;
  virtual TCustomImageList* DisabledImages() const = 0;
};

// A status bar with a size grip, switched off while its form is maximised.
class IbsSizeGripBar {
 public:
  virtual ~IbsSizeGripBar() = default;
  virtual bool SizeGrip() const = 0;
  virtual void SetGripEnabled(bool Value) = 0;
};

// A menu of pictures whose selected item a button shows.
class IbsImagesMenu {
 public:
  virtual ~IbsImagesMenu() = default;
  virtual TCustomImageList* SelectedImages() const = 0;
  virtual int32_t SelectedImageIndex() const = 0;
  virtual String SelectedCaption() const = 0;
  // Pops the menu up beside R (screen coordinates).
  virtual void Popup(const TRect& R) = 0;
  // The selection changed; the menu closed.
  virtual void SetOnItemChange(TNotifyEvent Value) = 0;
  virtual void SetOnMenuClose(TNotifyEvent Value) = 0;
};

// (0, 0, Width, Height) through Control's AdjustClientRect.
TRect GetAdjustedClientRect(TWinControl* Control);
