// Skinned hints: a hint window drawn from the skin's HINTWINDOW description,
// and the component that makes it the application's hint window and shows
// hints on demand (frame objects, image menu cells).
#pragma once

#include <cstdint>
#include <memory>

#include "platform/vcl/forms.h"
#include "platform/vcl/hints.h"
#include "platform/vcl/timers.h"
#include "skin/engine/data/skindata.h"

class TbsSkinHint;

class TbsSkinHintWindow : public THintWindow {
 public:
  explicit TbsSkinHintWindow(TComponent* AOwner);
  ~TbsSkinHintWindow() override;
  const char* ClassName() const override { return "TbsSkinHintWindow"; }

  // Sized for the text, flipped off the screen edges and shown at Rect's
  // top-left; nothing without an active TbsSkinHint on the main form.
  void ActivateHint(TRect Rect, const String& AHint) override;
  void Dispatch(TMessage& Message) override;

  TbsSkinData* HintSkinData() const { return FHintSkinData; }
  TRect ClientArea() const { return FClientArea; }

 protected:
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;

 private:
  // The settings the current hint is shown with (the skin, the font).
  void PrepareFont(TCanvas* C);
  TRect MeasureText(const String& Text);
  const TbsDataSkinHintWindow* HintData() const;
  TBitmap* WindowPicture() const;
  void ApplyLayered();
  void ApplyRegion(int32_t W, int32_t H);

  HRGN FWindowRegion = nullptr;  // what the window was given; it owns it
  bool FLayeredOn = false;
  uint8_t FAppliedAlpha = 0;
  TbsSkinData* FHintSkinData = nullptr;
  TbsSkinHint* FSettingsHint = nullptr;
  TRect FClientArea{};
  TPoint FFrameLT{}, FFrameRT{}, FFrameLB{}, FFrameRB{};
};

class TbsSkinHint : public TComponent {
 public:
  explicit TbsSkinHint(TComponent* AOwner);
  ~TbsSkinHint() override;
  const char* ClassName() const override { return "TbsSkinHint"; }

  bool Active() const { return FActive; }
  // True deactivates every other active hint component of the main form.
  void SetActive(bool Value);
  TbsSkinData* SkinData() const { return FSkinData; }
  void SetSkinData(TbsSkinData* Value);
  bool AlphaBlend = false;
  uint8_t AlphaBlendValue = 0;
  TFont* DefaultFont() const { return FDefaultFont.get(); }
  void SetDefaultFont(TFont* Value) { FDefaultFont->Assign(Value); }
  bool UseSkinFont = true;
  TShowHintEvent OnShowHint;

  // Shows Text below the cursor after the application's HintPause; a second
  // call before then replaces the first.
  void ActivateHintText(const String& Text);
  void HideHint();
  TbsSkinHintWindow* OwnHintWindow() const { return FOwnHintWindow; }

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  void HookApplication();
  void ShowPending();
  void StopTimer();

  TbsSkinHintWindow* FOwnHintWindow = nullptr;
  std::unique_ptr<TTimer> FHintTimer;
  String FPendingHintText;
  bool FShowing = false;  // the timer counts the time the hint stays
  bool FActive = true;
  TbsSkinData* FSkinData = nullptr;
  std::unique_ptr<TFont> FDefaultFont = std::make_unique<TFont>();
};

// The first active TbsSkinHint among the main form's components, or nullptr.
TbsSkinHint* FindActiveSkinHint();
// The height of the current cursor below its hot spot: the lowest
// non-transparent row of its mask, SM_CYCURSOR when it has no monochrome
// mask.
int32_t CursorHeightBelowHotSpot();
