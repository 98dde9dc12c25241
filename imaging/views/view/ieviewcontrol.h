// TIEViewControl: the windowed control under both image views. It answers the
// model layer's view services (TIEView) with a background colour, a border
// with an optional sunken edge, mouse enter and leave events, a resolution and
// the bitmap-change listeners through which the I/O and processing components
// follow the view's image.
#pragma once

#include <cstdint>

#include "imaging/model/processing/ieview.h"
#include "platform/vcl/controls.h"

class TIEBitmap;

class TIEViewControl : public TCustomControl, public TIEView {
 public:
  explicit TIEViewControl(TComponent* AOwner);
  // Every listener still registered hears Destroying true once, in
  // registration order.
  ~TIEViewControl() override;
  const char* ClassName() const override { return "TIEViewControl"; }

  // ---- TIEView ----
  int32_t AddBitmapChangeListener(TIEBitmapChangeEvent Callback) override;
  void RemoveBitmapChangeListener(int32_t Handle) override;
  TBitmap* GetBitmap() override { return nullptr; }
  TIEBitmap* GetIEBitmap() override { return nullptr; }
  void SetDpiX(int32_t Value) override;
  void SetDpiY(int32_t Value) override;
  int32_t GetDpiX() const override { return FDpiX; }
  int32_t GetDpiY() const override { return FDpiY; }
  void ImageChange() override {}
  void SetBackground(TColor Value) override { FBackground = Value; }
  TColor Background() const override { return FBackground; }
  TCanvas* GetCanvas() override { return Canvas(); }
  HWND Handle() override { return TWinControl::Handle(); }
  TComponent* ViewComponent() override { return this; }
  // Framework repaint and the view's recomputation are one operation.
  void Update() override { TCustomControl::Update(); }

  // ---- What the views add ----
  virtual TIEBitmap* GetAlphaChannel() = 0;
  virtual bool HasAlphaChannel() = 0;
  // Merge: blend over the background first.
  virtual void RemoveAlphaChannel(bool Merge) = 0;
  // Answers the new count.
  virtual int32_t UnlockPaint() = 0;
  // Every listener with Destroying false.
  virtual void CallBitmapChangeListeners();

  // ---- Properties ----
  // Changing either re-creates the window.
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle Value);
  bool Ctl3D() const { return FCtl3D; }
  void SetCtl3D(bool Value);
  bool ParentCtl3D() const { return FParentCtl3D; }
  void SetParentCtl3D(bool Value) { FParentCtl3D = Value; }
  int32_t ListenerCount() const { return FListeners.Count(); }

  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;

  void Dispatch(TMessage& Message) override;

 protected:
  // bsSingle: a client edge with Ctl3D, else a plain border; never the
  // redraw-on-resize class styles.
  void CreateParams(TCreateParams& Params) override;

 private:
  void CMMouseEnter(TMessage& Message);
  void CMMouseLeave(TMessage& Message);

  TBorderStyle FBorderStyle = TBorderStyle::bsSingle;
  TIEBitmapChangeListeners FListeners;
  TColor FBackground = clBtnFace;
  int32_t FDpiX = 0;
  int32_t FDpiY = 0;
  bool FCtl3D = true;
  bool FParentCtl3D = true;
};
