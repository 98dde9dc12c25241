// The caption object: its images, its text, the activation animation and
// the form's share of the caption's activation.
#include <algorithm>

#include "platform/gui/text.h"
#include "skin/engine/data/skindraw.h"
#include "skin/engine/data/skinimage.h"
#include "skin/engine/form/skinform.h"
#include "skin/engine/menus/effectbmp.h"

TbsSkinCaptionObject::TbsSkinCaptionObject(TbsSkinForm* AForm, const TbsDataSkinCaption* AData)
    : TbsActiveSkinObject(AForm, AData) {
  if (AData == nullptr) return;
  FFontName = AData->FontName;
  FFontStyle = AData->FontStyle;
  FFontHeight = AData->FontHeight;
  FFontColor = AData->FontColor;
  FActiveFontColor = AData->ActiveFontColor;
  FShadowColor = AData->ShadowColor;
  FActiveShadowColor = AData->ActiveShadowColor;
  FShadow = AData->Shadow;
  FLightColor = AData->LightColor;
  FActiveLightColor = AData->ActiveLightColor;
  FLight = AData->Light;
  FAlignment = AData->Alignment;
  FTextRect = AData->TextRect;
  FFrameRect = AData->FrameRect;
  FActiveFrameRect = AData->ActiveFrameRect;
  FFrameLeftOffset = AData->FrameLeftOffset;
  FFrameRightOffset = AData->FrameRightOffset;
  FFrameTextRect = AData->FrameTextRect;
  FStretchEffect = AData->StretchEffect;
  FAnimateRect = AData->AnimateSkinRect;
  FFrameCount = AData->FrameCount;
  FAnimateInterval = AData->AnimateInterval;
  FInactiveAnimation = AData->InActiveAnimation;
  FFullFrame = AData->FullFrame;
}

// A frame count below 1 means no animation (its frame size would divide by
// zero).
bool TbsSkinCaptionObject::CanAnimate() const {
  TbsSkinData* skin = FSkinForm->SkinData();
  return skin != nullptr && !skin->Empty && skin->EnableSkinEffects() && !IsRectEmpty(FAnimateRect) &&
         FFrameCount >= 1 && FObjectPicture != nullptr;
}

TRect TbsSkinCaptionObject::AnimationFrame(int32_t Index) const {
  if (FFrameCount < 1 || Index < 1 || Index > FFrameCount) return TRect{0, 0, 0, 0};
  const TRect& a = FAnimateRect;
  if (a.Height() > FNormalRect.Height()) {
    const int32_t h = a.Height() / FFrameCount;
    return TRect{a.Left, a.Top + (Index - 1) * h, a.Right, a.Top + Index * h};
  }
  const int32_t w = a.Width() / FFrameCount;
  return TRect{a.Left + (Index - 1) * w, a.Top, a.Left + Index * w, a.Bottom};
}

bool TbsSkinCaptionObject::AnimationStep() {
  const bool forward = FHot && FCurFrame <= FFrameCount, back = !FHot && FCurFrame > 0;
  if (!forward && !back) return false;
  if (FAnimElapsed < FAnimateInterval) {
    FAnimElapsed += 25;
    return true;
  }
  FCurFrame += forward ? 1 : -1;
  FAnimElapsed = 25;
  Redraw();
  return true;
}

std::unique_ptr<TBitmap> TbsSkinCaptionObject::BuildCaptionImage(const TRect& SourceRect, TBitmap* Picture) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(TPixelFormat::pf24bit);
  b->SetSize(FBounds.Width(), FBounds.Height());
  if (Picture == nullptr || IsRectEmpty(SourceRect) || b->Empty()) return b;
  TbsSkinData* skin = FSkinForm->SkinData();
  int32_t lo = 0, ro = 0;
  if (skin != nullptr) {
    lo = std::max(0, skin->FormInfo.LeftTopPoint.X - FNormalRect.Left);
    ro = std::max(0, FNormalRect.Right - skin->FormInfo.RightTopPoint.X);
  }
  if (lo > 0 || ro > 0)
    BuildHSkinImage(lo, ro, b.get(), Picture, SourceRect, b->Width(), b->Height(), FStretchEffect);
  else
    b->Canvas()->CopyRect(TRect{0, 0, SourceRect.Width(), SourceRect.Height()}, Picture->Canvas(), SourceRect);
  return b;
}

TRect TbsSkinCaptionObject::TextArea() const {
  TRect r = FTextRect;
  r.Right += FBounds.Width() - FNormalRect.Width();
  if (IsRectEmpty(FFrameRect)) return r;
  r.Top += FFrameTextRect.Top;
  r.Left += FFrameTextRect.Left;
  r.Right += FFrameTextRect.Right - FFrameRect.Width();
  return r;
}

void TbsSkinCaptionObject::SetCaptionFont(TCanvas* Cnvs, TColor Color) {
  TFont* f = Cnvs->Font();
  f->SetName(FFontName);
  f->SetStyle(FFontStyle);
  f->SetHeight(FFontHeight);
  f->SetColor(Color);
  TbsSkinData* skin = FSkinForm->SkinData();
  if (skin != nullptr && skin->ResourceStrData() != nullptr)
    f->SetCharset(TFontCharset(skin->ResourceStrData()->CharSet()));
  else
    f->SetCharset(FSkinForm->DefCaptionFont()->Charset());
}

// The frame image behind the text: across the caption with FFullFrame,
// else as wide as the text plus the frame's margins.
void TbsSkinCaptionObject::DrawTextFrame(TCanvas* Cnvs, int32_t TextX, int32_t TextY, int32_t TextWidth, int32_t DX,
                                         bool AActive) {
  if (FObjectPicture == nullptr) return;
  const TRect src = AActive && !IsRectEmpty(FActiveFrameRect) ? FActiveFrameRect : FFrameRect;
  int32_t x, w;
  if (FFullFrame) {
    TbsSkinData* skin = FSkinForm->SkinData();
    const int32_t offset = skin != nullptr ? skin->FormInfo.ButtonsOffset : 0;
    x = DX + offset;
    w = FBounds.Width() - 2 * offset;
  } else {
    x = TextX - FFrameTextRect.Left;
    w = src.Width() + TextWidth - FFrameTextRect.Width();
  }
  if (w <= 0) return;
  TBitmap b;
  b.SetPixelFormat(TPixelFormat::pf24bit);
  b.SetSize(w, src.Height());
  BuildHSkinImage(FFrameLeftOffset, FFrameRightOffset, &b, FObjectPicture, src, w, src.Height(), false);
  Cnvs->Draw(x, TextY - FFrameTextRect.Top, &b);
}

void TbsSkinCaptionObject::DrawCaptionText(TCanvas* Cnvs, int32_t DX, int32_t DY, bool AActive) {
  TCustomForm* form = FSkinForm->OwnerForm();
  if (FSkinForm->OnCaptionPaint) {
    FSkinForm->OnCaptionPaint(FSkinForm, Cnvs, TRect{DX, DY, DX + FBounds.Width(), DY + FBounds.Height()}, AActive);
    return;
  }
  String text = form->Caption();
  if (form->FormStyle() == TFormStyle::fsMDIForm) {
    TCustomForm* child = form->ActiveMDIChild();
    TbsSkinForm* childSkin = child != nullptr ? FindFormSkinForm(child) : nullptr;
    if (childSkin != nullptr && childSkin->WindowState() == 2) text += " - [" + child->Caption() + "]";
  }
  const TRect area = TextArea();
  if (text.empty() || IsRectEmpty(area)) return;
  SetCaptionFont(Cnvs, AActive ? FActiveFontColor : FFontColor);
  TrimTextToWidth(Cnvs, text, area.Width());
  const TSize ext = Cnvs->TextExtent(text);
  int32_t x = area.Left;
  if (FAlignment == TAlignment::taRightJustify) x = area.Right - ext.cx;
  if (FAlignment == TAlignment::taCenter) x = area.Left + area.Width() / 2 - ext.cx / 2;
  x += DX;
  const int32_t y = area.Top + area.Height() / 2 - ext.cy / 2 + DY;
  Cnvs->Brush()->SetStyle(TBrushStyle::bsClear);
  if (!IsRectEmpty(FFrameRect)) DrawTextFrame(Cnvs, x, y, ext.cx, DX, AActive);
  auto out = [&](int32_t OX, int32_t OY, TColor C) {
    Cnvs->Font()->SetColor(C);
    TRect r{x + OX, y + OY, x + OX, y + OY};
    DrawText(Cnvs->Handle(), text, &r, DT_CALCRECT | DT_SINGLELINE);
    DrawText(Cnvs->Handle(), text, &r, DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  };
  if (FLight) out(-1, -1, AActive ? FActiveLightColor : FLightColor);
  if (FShadow) out(1, 1, AActive ? FActiveShadowColor : FShadowColor);
  out(0, 0, AActive ? FActiveFontColor : FFontColor);
  Cnvs->Brush()->SetStyle(TBrushStyle::bsSolid);
}

std::unique_ptr<TBitmap> TbsSkinCaptionObject::StateImage(const TRect& Src, TBitmap* Picture, bool TextActive) {
  auto b = BuildCaptionImage(Src, Picture);
  if (!b->Empty()) DrawCaptionText(b->Canvas(), 0, 0, TextActive);
  return b;
}

void TbsSkinCaptionObject::DrawBitmap(TCanvas* Cnvs, TBitmap* B, bool InactiveEffect) {
  if (B->Empty()) return;
  TbsSkinData* skin = FSkinForm->SkinData();
  if (!InactiveEffect || skin == nullptr || !skin->FormInfo.AutoRenderingInActiveImage) {
    Cnvs->Draw(FBounds.Left, FBounds.Top, B);
    return;
  }
  auto e = TbsEffectBmp::CreateFromHandle(B->Handle());
  ApplyInactiveEffect(e.get(), skin->FormInfo.InActiveEffect);
  e->Draw(Cnvs->Handle(), FBounds.Left, FBounds.Top);
}

void TbsSkinCaptionObject::Draw(TCanvas* Cnvs, bool) {
  if (IsRectEmpty(FBounds)) return;
  TBitmap* main = FSourcePicture;
  if (AnimationRunning()) {
    // The text keeps the look of the state being left.
    auto b = StateImage(AnimationFrame(FCurFrame), FObjectPicture, !FHot);
    DrawBitmap(Cnvs, b.get(), false);
    return;
  }
  const bool morphs = CanMorph();
  if (morphs && MorphUnderWay() && !IsRectEmpty(FHoverRect)) {
    auto normal = StateImage(FNormalRect, main, false);
    auto hover = StateImage(FHoverRect, FObjectPicture, true);
    TbsSkinData* skin = FSkinForm->SkinData();
    auto n = TbsEffectBmp::CreateFromHandle(normal->Handle());
    if (!FHot && skin->FormInfo.AutoRenderingInActiveImage) ApplyInactiveEffect(n.get(), skin->FormInfo.InActiveEffect);
    auto h = TbsEffectBmp::CreateFromHandle(hover->Handle());
    MorphByKind(n.get(), h.get(), FMorphPos, FMorphStyle);
    n->Draw(Cnvs->Handle(), FBounds.Left, FBounds.Top);
    return;
  }
  const bool rich = morphs || CanAnimate() || FStretchEffect;
  if (IsRectEmpty(FHoverRect) || (!FHot && !rich)) return DrawCaptionText(Cnvs, FBounds.Left, FBounds.Top, FHot);
  if (!FHot) {
    auto b = StateImage(FNormalRect, main, false);
    return DrawBitmap(Cnvs, b.get(), true);
  }
  auto b = StateImage(FHoverRect, FObjectPicture, true);
  DrawBitmap(Cnvs, b.get(), false);
}

void TbsSkinCaptionObject::MouseDown(int32_t X, int32_t Y, TMouseButton Button) {
  FSkinForm->FireObjectMouseDown(this, X, Y, Button);
}

void TbsSkinCaptionObject::MouseUp(int32_t X, int32_t Y, TMouseButton Button) {
  FSkinForm->FireObjectMouseUp(this, X, Y, Button);
}

void TbsSkinCaptionObject::MouseEnter() {
  FMouseOver = true;
  FSkinForm->FireObjectMouseEnter(this);
}

void TbsSkinCaptionObject::MouseLeave() {
  FMouseOver = false;
  FSkinForm->FireObjectMouseLeave(this);
}

// ---- The form's side ----------------------------------------------------------------------------------

// The first caption whose state differs takes the form's; the events fire
// every time.
void TbsSkinForm::UpdateCaptionActive(bool Animate) {
  const bool active = IsFormActive();
  for (auto& o : FObjects) {
    auto* c = dynamic_cast<TbsSkinCaptionObject*>(o.get());
    if (c == nullptr || c->FHot == active) continue;
    c->FHot = active;
    if (Animate) {
      if (c->CanAnimate()) {
        c->FAnimElapsed = 25;
        c->FCurFrame = active ? 1 : c->FInactiveAnimation ? c->FFrameCount : 0;
        FAnimateTimer->SetEnabled(true);
      }
      RepaintFrame();
      if (c->CanMorph()) FMorphTimer->SetEnabled(true);
    } else if (c->CanMorph()) {
      c->FMorphPos = active ? 1 : 0;
    }
    break;
  }
  if (active && OnActivate) OnActivate(this);
  if (!active && OnDeActivate) OnDeActivate(this);
}
