// Framework-only standard controls: the speed button, the splitter and the
// scroll box.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/gui/graphics.h"
#include "platform/vcl/controls.h"

enum class TButtonLayout : uint8_t { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum class TSpeedButtonState : uint8_t { bsUp, bsDisabled, bsDown, bsExclusive };

// A graphic push button with an optional glyph strip; buttons of one
// GroupIndex on one parent are exclusive.
class TSpeedButton : public TGraphicControl {
 public:
  explicit TSpeedButton(TComponent* AOwner);
  ~TSpeedButton() override;
  const char* ClassName() const override { return "TSpeedButton"; }

  // A strip of NumGlyphs images: up, disabled, down, exclusive. Its
  // bottom-left pixel is the transparent colour. A missing disabled image is
  // the first one greyed; other missing images are the first.
  TBitmap* Glyph() const { return FGlyph.get(); }
  void SetGlyph(TBitmap* Value);
  int32_t NumGlyphs() const { return FNumGlyphs; }
  void SetNumGlyphs(int32_t Value);
  TButtonLayout Layout() const { return FLayout; }
  void SetLayout(TButtonLayout Value);
  // -1 centres glyph and caption as one block.
  int32_t Margin() const { return FMargin; }
  void SetMargin(int32_t Value);
  int32_t Spacing() const { return FSpacing; }
  void SetSpacing(int32_t Value);
  // A frame only while the pointer is over it (or it is down).
  bool Flat() const { return FFlat; }
  void SetFlat(bool Value);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool Value);
  bool Down() const { return FDown; }
  // Only with a GroupIndex; raising the down button of a group needs AllowAllUp.
  void SetDown(bool Value);
  int32_t GroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(int32_t Value);
  bool AllowAllUp() const { return FAllowAllUp; }
  // Shared by the whole group.
  void SetAllowAllUp(bool Value);
  TSpeedButtonState State() const { return FState; }
  bool MouseInControl() const { return FMouseInControl; }

  void Dispatch(TMessage& Message) override;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;

 private:
  void UpdateExclusive();
  void DrawGlyph(int32_t X, int32_t Y, TSpeedButtonState State);

  std::unique_ptr<TBitmap> FGlyph;
  int32_t FNumGlyphs = 1;
  TButtonLayout FLayout = TButtonLayout::blGlyphLeft;
  int32_t FMargin = -1;
  int32_t FSpacing = 4;
  bool FFlat = false;
  bool FTransparent = true;
  bool FDown = false;
  int32_t FGroupIndex = 0;
  bool FAllowAllUp = false;
  TSpeedButtonState FState = TSpeedButtonState::bsUp;
  bool FDragging = false;
  bool FMouseInControl = false;
};

// ================================================================================
// TSplitter
// ================================================================================

enum class TResizeStyle : uint8_t { rsNone, rsLine, rsUpdate, rsPattern };
using TSplitterCanResizeEvent = std::function<void(TObject* Sender, int32_t& NewSize, bool& Accept)>;

// A bar that resizes its neighbour: the visible, enabled control of the same
// alignment whose edge touches it.
class TSplitter : public TGraphicControl {
 public:
  explicit TSplitter(TComponent* AOwner);
  ~TSplitter() override;
  const char* ClassName() const override { return "TSplitter"; }

  bool Beveled() const { return FBeveled; }
  void SetBeveled(bool Value);
  // The least size of the neighbour and of the rest of the parent.
  int32_t MinSize() const { return FMinSize; }
  void SetMinSize(int32_t Value) { FMinSize = Value < 1 ? 1 : Value; }
  TResizeStyle ResizeStyle() const { return FResizeStyle; }
  void SetResizeStyle(TResizeStyle Value) { FResizeStyle = Value; }
  // A size below MinSize snaps the neighbour to 0.
  bool AutoSnap() const { return FAutoSnap; }
  void SetAutoSnap(bool Value) { FAutoSnap = Value; }

  TSplitterCanResizeEvent OnCanResize;
  TNotifyEvent OnMoved;

 protected:
  void Paint() override;
  // Keeps the cursor matching the direction of the alignment.
  void RequestAlign() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  using TGraphicControl::CanResize;
  virtual bool CanResize(int32_t& NewSize);
  virtual void Moved();

 private:
  TControl* FindControl();
  void CalcSplitSize(int32_t X, int32_t Y, int32_t& NewSize, int32_t& Split);
  bool DoCanResize(int32_t& NewSize);
  void UpdateControlSize();
  void AllocateLineDC();
  void ReleaseLineDC();
  void DrawLine();
  void StopSizing();
  // Escape during a drag: the focused control's keys pass through a hook
  // while the drag lasts.
  void HookFocusedKeys();
  void UnhookFocusedKeys();
  void CancelSizing();
  bool Horizontal() const { return Align() == TAlign::alLeft || Align() == TAlign::alRight; }

  bool FBeveled = false;
  int32_t FMinSize = 30;
  TResizeStyle FResizeStyle = TResizeStyle::rsPattern;
  bool FAutoSnap = true;
  // While dragging:
  TControl* FControl = nullptr;
  TPoint FDownPos;
  int32_t FMaxSize = 0;
  int32_t FNewSize = 0;
  int32_t FOldSize = -1;
  int32_t FSplit = 0;
  HDC FLineDC = nullptr;
  HWND FLineWnd = nullptr;
  HBRUSH FBrush = nullptr;
  bool FLineVisible = false;
  int32_t FStartSize = 0;
  TComponentRef<TWinControl> FKeyControl;
  TWndMethod FOldKeyProc;
};

// ================================================================================
// TScrollBox
// ================================================================================

// A scrolling container; bsSingle (the default) gives it a sunken client edge.
class TScrollBox : public TScrollingWinControl {
 public:
  explicit TScrollBox(TComponent* AOwner);
  const char* ClassName() const override { return "TScrollBox"; }

  TBorderStyle BorderStyle() const { return FBorderStyle; }
  // bsNone or bsSingle; re-creates the window.
  void SetBorderStyle(TBorderStyle Value);

 protected:
  void CreateParams(TCreateParams& Params) override;

 private:
  TBorderStyle FBorderStyle = TBorderStyle::bsSingle;
};
