// The drop-down list of the skinned combo box: a skinned list box in a
// borderless tool window owned by the box, shown at a screen point without
// ever taking the activation, so the box keeps the focus. It can be
// translucent and fade in, as its owning box asks.
#pragma once

#include <cstdint>

#include "skin/controls/skinlistbox.h"

// What the drop-down reads from the box that owns it (the skinned combo box).
class IbsPopupListOwner {
 public:
  virtual ~IbsPopupListOwner() = default;
  virtual bool AlphaBlend() const = 0;
  virtual uint8_t AlphaBlendValue() const = 0;
  virtual bool AlphaBlendAnimation() const = 0;
};

class TbsPopupListBox : public TbsSkinListBox {
 public:
  explicit TbsPopupListBox(TComponent* AOwner);
  const char* ClassName() const override { return "TbsPopupListBox"; }

  // Shows the window with its top-left at the screen point Pos; with the
  // owner's animation it returns once faded in (or once the list or its
  // owner is gone or hidden).
  void Show(const TPoint& Pos);
  void Hide();
  void Dispatch(TMessage& Message) override;

  bool AlphaApplied() const { return FAlphaApplied; }
  uint8_t AlphaValue() const { return FAlphaValue; }

 protected:
  void CreateParams(TCreateParams& Params) override;

 private:
  // The layered style and opacity for the owner's settings; answers whether
  // the owner asks for a fade-in.
  bool ApplyAlpha(IbsPopupListOwner* Owner);

  bool FAlphaApplied = false;
  uint8_t FAlphaValue = 0;
};
