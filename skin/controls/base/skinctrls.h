// The bases of every skinned control: a control tied to a description of the
// loaded skin, looked up by name on every paint and painted through one
// off-screen bitmap, either its plain (unskinned) image or one composed from
// the skin picture for the control's current size.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/gui/canvas.h"
#include "platform/gui/graphics.h"
#include "platform/vcl/controls.h"
#include "skin/controls/base/skinintf.h"
#include "skin/engine/data/skindata.h"

// Index of the description named Name (exact, case-sensitive); -1 without
// skin data or while it is empty.
int32_t SkinDescriptionIndex(TbsSkinData* SkinData, const String& Name);
// Item Index of the skin data's active pictures; nullptr when out of range.
TBitmap* SkinActivePicture(TbsSkinData* SkinData, int32_t Index);
// The canvas font of a skinned control that draws text: the description's
// font when UseSkinFont, else DefaultFont; the charset of the skin's
// resource strings when it has some.
void SetSkinControlFont(TFont* Target, bool UseSkinFont, const String& FontName, int32_t FontHeight,
                        TFontStyles FontStyle, TFont* DefaultFont, TbsSkinData* SkinData);

// The picture geometry of a nine-part description and the composition of a
// control image of any size from it; shared by the windowed and window-less
// custom bases.
class TbsSkinGeometry {
 public:
  int32_t ResizeMode() const { return FResizeMode; }
  const TRect& SizedClientRect() const { return FSizedClientRect; }

 protected:
  // Copies the geometry and picture of D; a description of another kind
  // leaves mode 0 and no picture.
  void CopyGeometry(TbsSkinData* SkinData, TbsDataSkinControl* D);
  int32_t GetResizeMode() const;
  // The sized points and client rect for AWidth x AHeight; a fixed-size or
  // three-part mode changes the dimension it fixes.
  void CalcGeometry(int32_t& AWidth, int32_t& AHeight);
  // Composes B (W x H) from rect R of Picture; Compose1 false skips mode 1.
  void ComposeSkinImage(TBitmap* B, TBitmap* Picture, const TRect& R, int32_t W, int32_t H, bool Compose1);
  // R (skin rect coordinates) mapped to a W x H control.
  void MapRect(const TRect& R, TRect& NewR, int32_t W, int32_t H) const;

  TPoint FLeftTop, FRightTop, FLeftBottom, FRightBottom;
  TRect FSkinRect, FSkinClientRect;
  TPoint FSizedLeftTop, FSizedRightTop, FSizedLeftBottom, FSizedRightBottom;
  TRect FSizedClientRect;
  TBitmap* FPicture = nullptr;
  int32_t FResizeMode = -1;
  bool FStretchEffect = false;
  TbsStretchType FStretchType = TbsStretchType::stFull;
  bool FLeftStretch = false, FTopStretch = false, FRightStretch = false, FBottomStretch = false;
};

// A windowed control that takes its look from a skin description.
class TbsSkinControl : public TCustomControl, public IbsSkinAware {
 public:
  explicit TbsSkinControl(TComponent* AOwner);
  const char* ClassName() const override { return "TbsSkinControl"; }

  TbsSkinData* SkinData() const override { return FSkinData; }
  void SetSkinData(TbsSkinData* Value) override;
  const String& SkinDataName() const { return FSkinDataName; }
  virtual void SetSkinDataName(const String& Value) { FSkinDataName = Value; }
  int32_t SkinIndex() const { return FSkinIndex; }
  HRGN Region() const { return FRegion; }

  virtual void GetSkinData();
  void ChangeSkinData() override;
  virtual void BeforeChangeSkinData() { FSkinIndex = -1; }
  void Dispatch(TMessage& Message) override;

  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;

 protected:
  void Paint() override;
  virtual void CreateControlDefaultImage(TBitmap*) {}
  virtual void CreateControlSkinImage(TBitmap*) {}
  virtual void ParentBackgroundChanged() {}
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // One off-screen image, plain or skinned, drawn in one operation.
  void PaintImage();
  // The same image onto another canvas (a DC given to the control).
  void PaintImageTo(TCanvas* C);
  void WMPaint(TMessage& Message);
  void WMEraseBkgnd(TMessage& Message) { Message.Result = 1; }
  void CMMouseEnter(TMessage& Message);
  void CMMouseLeave(TMessage& Message);

  bool FInPaintMessage = false;
  TbsSkinData* FSkinData = nullptr;
  String FSkinDataName;
  HRGN FRegion = nullptr;
  int32_t FSkinIndex = -1;
};

// A windowed skinned control with the picture geometry of its description:
// resize modes, a window region from the mask, a default size and font.
class TbsSkinCustomControl : public TbsSkinControl, public TbsSkinGeometry {
 public:
  explicit TbsSkinCustomControl(TComponent* AOwner);
  ~TbsSkinCustomControl() override;
  const char* ClassName() const override { return "TbsSkinCustomControl"; }

  void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) override;
  void GetSkinData() override;
  void ChangeSkinData() override;
  virtual void DefaultFontChanged() {}
  virtual void CalcSize(int32_t& AWidth, int32_t& AHeight);
  virtual void SetControlRegion();
  // R in skin rect coordinates mapped to the current size.
  void MapSkinRect(const TRect& R, TRect& NewR) const { MapRect(R, NewR, Width(), Height()); }
  void BroadcastParentChanged();

  TFont* DefaultFont() const { return FDefaultFont.get(); }
  void SetDefaultFont(TFont* Value);
  int32_t DefaultWidth() const { return FDefaultWidth; }
  void SetDefaultWidth(int32_t Value);
  int32_t DefaultHeight() const { return FDefaultHeight; }
  void SetDefaultHeight(int32_t Value);
  bool UseSkinFont() const { return FUseSkinFont; }
  void SetUseSkinFont(bool Value) { FUseSkinFont = Value; }
  TBitmap* MaskPicture() const { return FMaskPicture; }

 protected:
  void Paint() override;
  void CreateControlDefaultImage(TBitmap* B) override;
  void CreateControlSkinImage(TBitmap* B) override;
  void CreateSkinImageFrom(TBitmap* B, TBitmap* Picture, const TRect& R);
  // The nine-part frame strips straight on the canvas, the client part filled.
  void PaintStrips();
  void FillClientPart();
  void CreateWnd() override;
  // A press takes the focus before the control acts on it; answers true
  // (swallow the press) when the focus could not be taken. While the focus
  // moves, FFocusingByMouse is set, so a CN_COMMAND it causes can be told apart.
  bool TakeFocusOnPress();

  bool FFocusingByMouse = false;
  bool FPaintInStrips = false;
  bool FFillClientPart = true;
  int32_t FDefaultWidth = 0;
  int32_t FDefaultHeight = 0;
  std::unique_ptr<TFont> FDefaultFont;
  bool FUseSkinFont = true;
  TBitmap* FMaskPicture = nullptr;

 private:
  void DefaultFontChange(TObject* Sender);
  HRGN BuildMaskRegion();
};

// A plain windowed control that only keeps a skin data reference.
class TbsSkinWinControl : public TWinControl, public IbsSkinAware {
 public:
  explicit TbsSkinWinControl(TComponent* AOwner) : TWinControl(AOwner) {}
  const char* ClassName() const override { return "TbsSkinWinControl"; }
  TbsSkinData* SkinData() const override { return FSkinData; }
  void SetSkinData(TbsSkinData* Value) override;
  void ChangeSkinData() override { Repaint(); }

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

  TbsSkinData* FSkinData = nullptr;
};

// Creates the default font of the unskinned state: "Arial", height 14.
std::unique_ptr<TFont> CreateSkinDefaultFont();
// Stores a skin data reference with free notification between the two.
void ReplaceSkinDataReference(TComponent* Holder, TbsSkinData*& Field, TbsSkinData* Value);
// Centres a control vertically on a tool bar parent that adjusts its
// controls (whatever top was asked).
void CentreOnToolBar(TControl* Control, int32_t& ATop, int32_t AHeight);
// Whether a new skin data value should be applied at once.
inline bool SkinDataReady(TbsSkinData* Value) { return Value != nullptr && !Value->Empty; }
