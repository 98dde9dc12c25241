// Framework-only controls: bevels, shapes, paint boxes, images (graphic
// controls) and panels and group boxes (windowed containers that paint
// themselves).
#pragma once

#include <cstdint>
#include <memory>

#include "platform/gui/canvas.h"
#include "platform/gui/graphics.h"
#include "platform/vcl/controls.h"

// ---- TBevel ----------------------------------------------------------------------------

enum class TBevelShape : uint8_t { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum class TBevelStyle : uint8_t { bsLowered, bsRaised };

class TBevel : public TGraphicControl {
 public:
  explicit TBevel(TComponent* AOwner);
  const char* ClassName() const override { return "TBevel"; }

  TBevelShape Shape() const { return FShape; }
  void SetShape(TBevelShape Value);
  TBevelStyle Style() const { return FStyle; }
  void SetStyle(TBevelStyle Value);

 protected:
  void Paint() override;
  // The two colours of the bevel (clBtnHighlight and clBtnShadow here).
  virtual TColor LightColor() const { return clBtnHighlight; }
  virtual TColor DarkColor() const { return clBtnShadow; }
  // The bevel rectangle R: left and top edges in C1, right and bottom in C2
  // (clNone leaves that half out).
  void DrawBevelRect(const TRect& R, TColor C1, TColor C2);
  void DrawLine(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, TColor C);

 private:
  TBevelShape FShape = TBevelShape::bsBox;
  TBevelStyle FStyle = TBevelStyle::bsLowered;
};

// ---- TShape ----------------------------------------------------------------------------

enum class TShapeType : uint8_t { stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle };

class TShape : public TGraphicControl {
 public:
  explicit TShape(TComponent* AOwner);
  const char* ClassName() const override { return "TShape"; }

  TShapeType Shape() const { return FShape; }
  void SetShape(TShapeType Value);
  TPen* Pen() const { return FPen.get(); }
  void SetPen(TPen* Value) { FPen->Assign(Value); }
  TBrush* Brush() const { return FBrush.get(); }
  void SetBrush(TBrush* Value) { FBrush->Assign(Value); }

 protected:
  // Drawn half a pen width inside the bounds.
  void Paint() override;

 private:
  TShapeType FShape = TShapeType::stRectangle;
  std::unique_ptr<TPen> FPen;
  std::unique_ptr<TBrush> FBrush;
};

// ---- TPaintBox -------------------------------------------------------------------------

class TPaintBox : public TGraphicControl {
 public:
  explicit TPaintBox(TComponent* AOwner);
  const char* ClassName() const override { return "TPaintBox"; }
  TNotifyEvent OnPaint;

 protected:
  void Paint() override;
};

// ---- TImage ----------------------------------------------------------------------------

class TImage : public TGraphicControl {
 public:
  explicit TImage(TComponent* AOwner);
  ~TImage() override;
  const char* ClassName() const override { return "TImage"; }

  TPicture* Picture() const { return FPicture.get(); }
  void SetPicture(TPicture* Value) { FPicture->Assign(Value); }
  // The picture's bitmap canvas; without a picture a bitmap of the control's
  // size is made. EInvalidOperation when the picture holds another graphic.
  TCanvas* Canvas();
  bool Stretch() const { return FStretch; }
  void SetStretch(bool Value);
  bool Proportional() const { return FProportional; }
  void SetProportional(bool Value);
  bool Center() const { return FCenter; }
  void SetCenter(bool Value);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool Value);
  // Where the picture is drawn in the client area.
  TRect DestRect();

 protected:
  void Paint() override;
  bool CanAutoSize(int32_t& NewWidth, int32_t& NewHeight) override;
  virtual void PictureChanged(TObject* Sender);

 private:
  std::unique_ptr<TPicture> FPicture;
  bool FStretch = false;
  bool FProportional = false;
  bool FCenter = false;
  bool FTransparent = false;
  bool FDrawing = false;
};

// ---- Panels ----------------------------------------------------------------------------

enum class TBevelCut : uint8_t { bvNone, bvLowered, bvRaised, bvSpace };

// Draws Width frames of one pixel around Rect (top-left in TopColor,
// bottom-right in BottomColor) and shrinks Rect by them.
void Frame3D(TCanvas* Canvas, TRect& Rect, TColor TopColor, TColor BottomColor, int32_t Width);

class TCustomPanel : public TCustomControl {
 public:
  explicit TCustomPanel(TComponent* AOwner);
  const char* ClassName() const override { return "TCustomPanel"; }

  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  TBevelCut BevelInner() const { return FBevelInner; }
  void SetBevelInner(TBevelCut Value);
  TBevelCut BevelOuter() const { return FBevelOuter; }
  void SetBevelOuter(TBevelCut Value);
  int32_t BevelWidth() const { return FBevelWidth; }
  void SetBevelWidth(int32_t Value);
  // bsSingle: a one-pixel window border.
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle Value);
  bool FullRepaint() const { return FFullRepaint; }
  void SetFullRepaint(bool Value) { FFullRepaint = Value; }
  bool Locked() const { return FLocked; }
  void SetLocked(bool Value) { FLocked = Value; }

  void Dispatch(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  // Border width and bevels off the client area.
  void AdjustClientRect(TRect& Rect) override;
  void Paint() override;

 private:
  TAlignment FAlignment = TAlignment::taCenter;
  TBevelCut FBevelInner = TBevelCut::bvNone;
  TBevelCut FBevelOuter = TBevelCut::bvRaised;
  int32_t FBevelWidth = 1;
  TBorderStyle FBorderStyle = TBorderStyle::bsNone;
  bool FFullRepaint = true;
  bool FLocked = false;
};

class TPanel : public TCustomPanel {
 public:
  explicit TPanel(TComponent* AOwner) : TCustomPanel(AOwner) {}
  const char* ClassName() const override { return "TPanel"; }
};

// A container with an etched frame and a caption; its client area starts
// below the caption.
class TCustomGroupBox : public TCustomControl {
 public:
  explicit TCustomGroupBox(TComponent* AOwner);
  const char* ClassName() const override { return "TCustomGroupBox"; }
  void Dispatch(TMessage& Message) override;

 protected:
  void AdjustClientRect(TRect& Rect) override;
  void Paint() override;
};

class TGroupBox : public TCustomGroupBox {
 public:
  explicit TGroupBox(TComponent* AOwner) : TCustomGroupBox(AOwner) {}
  const char* ClassName() const override { return "TGroupBox"; }
};
