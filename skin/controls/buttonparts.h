// What the skinned buttons and boxes share: the 20 ms hover morph between
// their normal and active images, the walk over the members of a group in
// one parent, and on-demand timers on the program's clock.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/gui/graphics.h"
#include "platform/vcl/controls.h"
#include "platform/vcl/timers.h"
#include "skin/engine/data/skindata.h"

// Skin effects are on: a loaded skin with EnableSkinEffects.
bool SkinEffectsOn(TbsSkinData* SkinData);

// Moves a morph position one 0.2 step towards 1 (Forward) or 0, ending
// exactly on the bound; answers false when it was there already.
bool StepMorphPos(double& Pos, bool Forward);

// Draws Normal transformed towards Active by K with Kind at (0, 0) of Canvas.
// Both bitmaps have the same size.
void DrawMorphed(TCanvas* Canvas, TBitmap* Normal, TBitmap* Active, double K, TbsMorphKind Kind);

// Calls Fn for every other control of Self's parent that is a T with the
// same GroupIndex; Fn may change the controls it gets.
template <class T, class F>
void ForEachGroupMember(T* Self, int32_t GroupIndex, F Fn) {
  TWinControl* parent = Self->Parent();
  if (parent == nullptr || GroupIndex == 0) return;
  for (int32_t i = 0; i < parent->ControlCount(); ++i) {
    auto* other = dynamic_cast<T*>(parent->Controls(i));
    if (other != nullptr && other != Self && other->GroupIndex() == GroupIndex) Fn(other);
  }
}

// A timer made on first start and stopped (not freed) when it ends, so that
// it can end from inside its own tick.
class TbsOnDemandTimer {
 public:
  explicit TbsOnDemandTimer(std::function<void()> OnTick) : FOnTick(std::move(OnTick)) {}
  void Start(uint32_t Interval);
  // Starts only when it is not running already.
  void Ensure(uint32_t Interval);
  void Stop();
  bool Running() const { return FTimer != nullptr && FTimer->Enabled(); }

 private:
  std::function<void()> FOnTick;
  std::unique_ptr<TTimer> FTimer;
};

// What a button copies from its description, with the fallbacks: an empty
// active image is the normal one, an empty down image the active one.
struct TbsButtonLook {
  String FontName;
  TFontStyles FontStyle;
  int32_t FontHeight = 0;
  TColor FontColor = 0, ActiveFontColor = 0, DownFontColor = 0, DisabledFontColor = 0;
  TRect ActiveSkinRect, DownSkinRect, DisabledSkinRect, AnimateSkinRect;
  bool Morphing = false;
  TbsMorphKind MorphKind = TbsMorphKind::mkDefault;
  int32_t FrameCount = 0;
  int32_t AnimateInterval = 25;
  bool ShowFocus = false;

  void CopyFrom(const TbsDataSkinButtonControl& D, const TRect& SkinRect);
  // The caption colour of a state image.
  TColor StateColor(bool Enabled, bool UseSkinFontColor, TFont* DefaultFont, bool ADown, bool AMouseIn) const;
  // Frame K (from 1) of the animation: side by side when the animation
  // rectangle is wider than SkinRect, else one under the other.
  TRect FrameRect(const TRect& SkinRect, int32_t K) const;
};

// The state image of a freely sized button (a resize mode other than nine
// parts): mode 0 stretches R over B, modes 2 and 3 stretch every part;
// TextArea is the client rectangle grown by B's size less R's.
void ComposeFreeSizeImage(TBitmap* B, TBitmap* Picture, int32_t ResizeMode, const TRect& R, const TRect& SkinClientRect,
                          int32_t W, int32_t H, TRect& TextArea);
