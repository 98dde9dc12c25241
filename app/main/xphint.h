// The application's hint window: a flat one-pixel frame, sized to its text,
// kept on the desktop.
#pragma once

#include "platform/vcl/hints.h"

class TXPHintWindow : public THintWindow {
 public:
  explicit TXPHintWindow(TComponent* AOwner) : THintWindow(AOwner) {}
  const char* ClassName() const override { return "TXPHintWindow"; }

  void ActivateHint(TRect Rect, const String& AHint) override;
  void Dispatch(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;

 private:
  void WMNCPaint(TMessage& Message);
  void CMTextChanged(TMessage& Message);
  bool FActivating = false;
};
