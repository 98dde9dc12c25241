// The About window: the product name and version, the maker's home page and
// a close button. Enter and Esc close it too.
#pragma once

#include "platform/vcl/forms.h"

class TbsSkinButton;
class TbsSkinData;
class TbsSkinStdLabel;

class TAboutWindow : public TForm {
 public:
  // The main window as owner gives it the program's skin.
  explicit TAboutWindow(TComponent* AOwner);
  const char* ClassName() const override { return "TAboutWindow"; }

  TbsSkinStdLabel* ProductLabel = nullptr;
  TbsSkinButton* BntClose = nullptr;
  TbsSkinButton* BntHomePage = nullptr;

  void FormKeyDown(TObject* Sender, uint16_t& Key, TShiftState Shift);
};
