// The form the program shows until the application's own windows exist: a
// menu bar (File, Help), a custom control that draws shapes and text with a
// hint and a popup menu, a layered popup that never takes activation, and a
// drop target that reports files dropped from the desktop.
#pragma once

#include <vector>

#include "platform/vcl/forms.h"

class TMainMenu;
class TPopupMenu;
class TMenuItem;
class TShapesControl;
class TLayeredPopup;
class TDemoDropTarget;

class TDemoForm : public TForm {
 public:
  explicit TDemoForm(TComponent* AOwner);
  ~TDemoForm() override;
  const char* ClassName() const override { return "TDemoForm"; }

  // Shows the layered popup with its top-left corner at the screen point.
  void ShowLayeredPopup(const TPoint& ScreenPos);
  void HideLayeredPopup();
  // Files dropped on the form from outside (also shown on the form).
  void FilesDropped(const std::vector<String>& Files, const TPoint& ScreenPos);
  // What the shapes control shows below its drawing.
  void Report(const String& Line);

  TShapesControl* Shapes() const { return FShapes; }
  TLayeredPopup* LayeredPopup() const { return FPopup; }

 protected:
  void CreateWnd() override;
  void DestroyWnd() override;

 private:
  TMenuItem* AddItem(TMenuItem* Parent, const String& Caption, TNotifyEvent OnClick, uint16_t ShortCutKey = 0,
                     TShiftState Shift = TShiftState());

  TMainMenu* FMainMenu = nullptr;
  TPopupMenu* FPopupMenu = nullptr;
  TShapesControl* FShapes = nullptr;
  TLayeredPopup* FPopup = nullptr;
  TDemoDropTarget* FDropTarget = nullptr;
};
