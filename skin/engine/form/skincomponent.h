// TbsSkinComponent, the base of the non-visual components a form's skin
// component tells of every skin change, and TbsSkinFrame, which skins a
// TFrame placed on a form: it paints the frame's background from the skin
// and can hand one skin to every control of the frame.
#pragma once

#include "platform/vcl/controls.h"
#include "platform/vcl/forms.h"
#include "skin/engine/data/skindata.h"

class TbsSkinComponent : public TComponent {
 public:
  explicit TbsSkinComponent(TComponent* AOwner) : TComponent(AOwner) {}
  const char* ClassName() const override { return "TbsSkinComponent"; }

  TbsSkinData* SkinData() const { return FSkinData; }
  virtual void SetSkinData(TbsSkinData* Value);
  // Before a skin loads, and after it loaded.
  virtual void BeforeChangeSkinData() {}
  virtual void ChangeSkinData() {}

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

  TbsSkinData* FSkinData = nullptr;
};

// Owned by anything but a TFrame it does nothing at all.
class TbsSkinFrame : public TbsSkinComponent {
 public:
  explicit TbsSkinFrame(TComponent* AOwner);
  // Gives the frame its window procedure back.
  ~TbsSkinFrame() override;
  const char* ClassName() const override { return "TbsSkinFrame"; }

  TFrame* Frame() const { return FFrame; }
  bool DrawBackground() const { return FDrawBackground; }
  void SetDrawBackground(bool Value) { FDrawBackground = Value; }
  TbsSkinData* CtrlsSkinData() const { return FCtrlsSkinData; }
  // A new value goes to every control the frame owns, once.
  void SetCtrlsSkinData(TbsSkinData* Value);
  // The frame repaints with the new background.
  void ChangeSkinData() override;

  // The background of the frame's client area into DC, from SkinData.
  void PaintFrameBackground(HDC DC);

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  bool Designing() const { return ComponentState().Contains(TComponentStateItem::csDesigning); }
  void ApplyCtrlsSkinData(TControl* Control);
  void FrameWindowProc(TMessage& Message);

  TFrame* FFrame = nullptr;
  TWndMethod FSavedFrameProc;
  bool FDrawBackground = true;
  TbsSkinData* FCtrlsSkinData = nullptr;
};
