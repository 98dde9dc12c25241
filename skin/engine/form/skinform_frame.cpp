// Size limits, the component's own window states and roll-up, and the
// entry points through which the form component reaches its frame, the
// frame objects and the MDI parts.
#include "platform/gui/gdi.h"
#include "platform/gui/win_paint.h"
#include "skin/engine/form/skinform.h"

// ---- Size limits ------------------------------------------------------------------------------------

int32_t TbsSkinForm::GetMinWidth() const {
  if (!FSkinActive) return FMinWidth > 0 ? FMinWidth : 120;
  const int32_t pictureWidth = FSkinData->MainPicture->Width();
  if (pictureWidth < FMinWidth && FWindowState != 1) return FMinWidth;
  if (FSkinData->FormInfo.FormMinWidth > 0) return FSkinData->FormInfo.FormMinWidth;
  return pictureWidth;
}

// The frame without its client part, or MinHeight when that is larger.
int32_t TbsSkinForm::GetMinHeight() const {
  const int32_t frame = FSkinActive ? FSkinData->MainPicture->Height() - FSkinData->FormInfo.ClientRect.Height()
                                    : PlainCaptionHeight() + 6;
  if (frame >= FMinHeight || FRolledUp || FWindowState == 1) return frame;
  return FMinHeight;
}

int32_t TbsSkinForm::GetMaxWidth() const {
  TMonitor* monitor = FOwnerForm->Monitor();
  const TRect area = MaximizeOnFullScreen ? monitor->BoundsRect() : monitor->WorkareaRect();
  return FMaxWidth != 0 && FMaxWidth < area.Width() ? FMaxWidth : area.Width();
}

int32_t TbsSkinForm::GetMaxHeight() const {
  TMonitor* monitor = FOwnerForm->Monitor();
  const TRect area = MaximizeOnFullScreen ? monitor->BoundsRect() : monitor->WorkareaRect();
  return FMaxHeight != 0 && FMaxHeight < area.Height() ? FMaxHeight : area.Height();
}

// ---- Window states and roll-up ----------------------------------------------------------------

// Rolled up, the form keeps only its frame; rolled down, its height (or the
// published client height) comes back.
void TbsSkinForm::SetRollUpState(bool Value) {
  if (!FBorderIcons.Contains(TbsBorderIcon::biRollUp) || FWindowState == 1) return;
  if (FRolledUp && FWindowState == 2 && !FMaxRolledUp) return;
  if (FWindowState == 2) FMaxRolledUp = Value;
  FRolledUp = Value;
  if (Value) {
    FRollUpOldHeight = FOwnerForm->Height();
    FOwnerForm->SetHeight(GetMinHeight());
  } else if (FClientHeight != 0) {
    FOwnerForm->SetClientHeight(FClientHeight);
  } else {
    FOwnerForm->SetHeight(FRollUpOldHeight);
  }
  if (OnChangeRollUpState) OnChangeRollUpState(this);
}

// ---- The MDI parts ------------------------------------------------------------------------------
// What each of these does so far; the MDI code fills them in.

// The MDI frame's window menu, menu bar and tabs bar follow its children:
// no form has MDI children yet.
void TbsSkinForm::UpdateMDIFrameBars() {}
void TbsSkinForm::ResizeMDIChildren() {}

// Drop-downs and edits of an MDI frame leave their modes with its menus:
// no form has MDI children yet.
void TbsSkinForm::CancelFrameEditModes() {}
