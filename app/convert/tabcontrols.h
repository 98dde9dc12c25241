// Small builders for the tabs' controls: each makes one control with its
// name, parent and bounds, so that a form builder reads as its control list.
#pragma once

#include <cstdint>

#include "platform/rtl/types.h"

class TComponent;
class TWinControl;
class TbsSkinButton;
class TbsSkinCheckRadioBox;
class TbsSkinSpeedButton;
class TbsSkinStdLabel;
class TImgView;
class TMenuItem;
class TPopupMenu;
class TTimer;

namespace tabcontrols {

template <class T>
T* Make(TComponent* Owner, TWinControl* Parent, const char* Name, int32_t X, int32_t Y, int32_t W, int32_t H) {
  auto* c = new T(Owner);
  c->SetName(Name);
  c->SetParent(Parent);
  c->SetBounds(X, Y, W, H);
  return c;
}

enum class TToolGlyph : uint8_t { Up, Refresh, Details, List, Thumbnails };

TbsSkinButton* MakeButton(TComponent* Owner, TWinControl* Parent, const char* Name, const String& Caption, int32_t X,
                          int32_t Y, int32_t W, int32_t H);
// A flat 25 x 22 tool button with a drawn picture.
TbsSkinSpeedButton* MakeSpeedButton(TComponent* Owner, TWinControl* Parent, const char* Name, TToolGlyph Glyph,
                                    int32_t X, int32_t Y, const String& Hint);
TbsSkinStdLabel* MakeLabel(TComponent* Owner, TWinControl* Parent, const char* Name, const String& Caption, int32_t X,
                           int32_t Y);
TbsSkinCheckRadioBox* MakeCheck(TComponent* Owner, TWinControl* Parent, const char* Name, const String& Caption,
                                int32_t X, int32_t Y, int32_t W);
// A preview view filling its 105 x 80 frame: white, no border, no scroll
// bars, the wheel without effect, hidden.
TImgView* MakePreviewView(TComponent* Owner, TWinControl* Parent, const char* Name);
TMenuItem* AddMenuItem(TComponent* Owner, TPopupMenu* Menu, const char* Name, const String& Caption);
TTimer* MakeTimer(TComponent* Owner, const char* Name, uint32_t Interval, bool Enabled);

}  // namespace tabcontrols
