// TbsSkinPopupMenu: a popup menu shown through the menu controller of its
// form's skin component, in that form's skin or a skin of its own. Without
// a skin component on the form it opens nothing.
#pragma once

#include <cstdint>

#include "platform/vcl/menus.h"
#include "skin/engine/data/skindata.h"

class TbsSkinForm;

class TbsSkinPopupMenu : public TPopupMenu {
 public:
  explicit TbsSkinPopupMenu(TComponent* AOwner);
  const char* ClassName() const override { return "TbsSkinPopupMenu"; }

  void Popup(int32_t X, int32_t Y) override;
  // From a menu button: opens beside R (screen), upwards when asked.
  void PopupFromRect(TControl* Button, const TRect& R, bool PopupUp);
  // From an edit's context menu; needs a skin.
  void PopupFromControl(TControl* Edit, int32_t X, int32_t Y);
  // The menu's way in for PopupSkinMenuAtRect.
  void PopupAtRect(const TRect& R, bool PopupUp);

  TbsSkinData* SkinData() const { return FSkinData; }
  void SetSkinData(TbsSkinData* Value);
  TCustomForm* HostForm() const { return FHostForm; }
  void SetHostForm(TCustomForm* Value) { FHostForm = Value; }
  TPoint LastPopupPoint() const { return FLastPopupPoint; }

  TNotifyEvent OnMenuClose;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  // OnPopup, the skin form and the skin; the skin form, or nullptr when
  // nothing may open.
  TbsSkinForm* Prepare();
  void Show(TbsSkinForm* Form, TControl* Opener, const TRect& R, bool PopupUp);

  TPoint FLastPopupPoint{-1, -1};
  TbsSkinData* FSkinData = nullptr;
  TCustomForm* FHostForm = nullptr;
};

void PopupSkinMenuAtRect(TbsSkinPopupMenu* Menu, const TRect& R, bool PopupUp);
