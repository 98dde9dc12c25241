#include <algorithm>
#include <cstring>

#include "platform/gui/text.h"
#include "platform/rtl/strings.h"
#include "skin/engine/data/skindraw.h"
#include "skin/engine/data/skinimage.h"
#include "skin/engine/menus/effectbmp.h"
#include "skin/engine/menus/skinmenus.h"

namespace {

constexpr TColor kDefaultHotFrame = TColor(0x800000);  // navy (0, 0, 128)
constexpr TColor kDefaultHotFill = TColor(182 | (189 << 8) | (210 << 16));

bool SkinUsable(const TbsSkinData* Skin) { return Skin != nullptr && !Skin->Empty && Skin->EnableSkinEffects(); }

}  // namespace

// ---- Creation and state ----------------------------------------------------------------

TbsSkinMenuItem::TbsSkinMenuItem(TbsSkinPopupWindow* AParent, TbsDataSkinMenuItem* AData, TMenuItem* AMenuItem)
    : ListWindow(AParent), Description(AData), SourceItem(AMenuItem) {
  if (Description == nullptr) return;
  FSkinRect = Description->SkinRect;
  FActiveSkinRect = Description->ActiveSkinRect;
  TbsSkinData* skin = ListWindow->WindowSkinData;
  const int32_t index = Description->ActivePictureIndex;
  if (skin != nullptr && index >= 0 && index < int32_t(skin->ActivePictures.size())) {
    SkinPicture = skin->ActivePictures[size_t(index)].get();
  } else {
    FSkinRect = NullRect();
    FActiveSkinRect = NullRect();
  }
}

int32_t TbsSkinMenuItem::ItemHeight() const {
  if (Description != nullptr)
    return IsSeparator() ? RectHeight(Description->DividerRect) : RectHeight(Description->SkinRect);
  return IsSeparator() ? 4 : ListWindow->OwnerMenu()->DefMenuItemHeight;
}

bool TbsSkinMenuItem::CanMorph() const {
  return Description != nullptr && Description->Morphing && SkinUsable(ListWindow->WindowSkinData);
}

bool TbsSkinMenuItem::CanAnimate() const {
  return Description != nullptr && !IsNullRect(Description->AnimateSkinRect) && SkinUsable(ListWindow->WindowSkinData);
}

bool TbsSkinMenuItem::MorphPending() {
  if (!Shown && MorphPos != 0) {
    IsHot = false;
    SubmenuOpen = false;
    MorphPos = 0;
  }
  return Shown && ((IsHighlighted() && MorphPos < 1) || (!IsHighlighted() && MorphPos > 0));
}

void TbsSkinMenuItem::SetMorphPos(double Value) { MorphPos = std::clamp(Value, 0.0, 1.0); }

void TbsSkinMenuItem::MorphStep() {
  SetMorphPos(MorphPos + (IsHighlighted() ? 0.2 : -0.2));
  ListWindow->RedrawItem(this);
}

void TbsSkinMenuItem::StartEffect() {
  TTimer* timer = ListWindow->EffectTimer();
  if (Description != nullptr && CanAnimate()) {
    timer->SetInterval(uint32_t(Description->AnimateInterval));
    if (IsHighlighted() || Description->InActiveAnimation) {
      timer->SetEnabled(true);
    } else {
      FrameIndex = 0;
      ListWindow->RedrawItem(this);
    }
  } else if (Description != nullptr && CanMorph()) {
    timer->SetInterval(20);
    timer->SetEnabled(true);
  } else {
    ListWindow->RedrawItem(this);
  }
}

bool TbsSkinMenuItem::EffectTick() {
  if (CanMorph() && MorphPending()) {
    MorphStep();
    return true;
  }
  if (!CanAnimate()) return false;
  if (IsHighlighted() && FrameIndex <= Description->FrameCount) {
    ++FrameIndex;
  } else if (!IsHighlighted() && FrameIndex > 0) {
    --FrameIndex;
  } else {
    return false;
  }
  ListWindow->RedrawItem(this);
  return true;
}

void TbsSkinMenuItem::MouseEnter(bool Kb) {
  IsHot = true;
  if (CanAnimate()) FrameIndex = 0;
  for (const auto& other : ListWindow->MenuItems)
    if (other.get() != this && other->SubmenuOpen) {
      other->SubmenuOpen = false;
      other->StartEffect();
    }
  if (AutoSelected && !Kb) {
    StartEffect();
  } else if (SubmenuOpen) {
    ListWindow->CloseSubmenusOf();
  } else {
    StartEffect();
    ListWindow->OwnerMenu()->ExecuteItem(ListWindow, this, Kb, false);
  }
  if (ListWindow->Hint() != SourceItem->Hint()) ListWindow->SetHint(SourceItem->Hint());
}

void TbsSkinMenuItem::MouseLeave() {
  IsHot = false;
  if (CanAnimate()) FrameIndex = Description->FrameCount + 1;
  AutoSelected = false;
  if (!SubmenuOpen) StartEffect();
  TbsSkinMenu* menu = ListWindow->OwnerMenu();
  if (menu->PendingItem == this) {
    menu->SubmenuTimer()->SetEnabled(false);
    menu->PendingItem = nullptr;
  }
}

void TbsSkinMenuItem::Click() {
  AutoSelected = false;
  if (!SubmenuOpen && SourceItem->Enabled()) ListWindow->OwnerMenu()->ExecuteItem(ListWindow, this, false, true);
}

// ---- Painting -------------------------------------------------------------------------------

void TbsSkinMenuItem::Draw(TCanvas* Cnvs) {
  if (!Shown) return;
  if (Description == nullptr)
    DrawDefault(Cnvs);
  else
    DrawSkinned(Cnvs);
}

TRect TbsSkinMenuItem::FrameRect(int32_t N) const {
  const TRect& a = Description->AnimateSkinRect;
  const int32_t count = std::max(1, Description->FrameCount);
  if (RectHeight(a) > RectHeight(Description->SkinRect)) {
    const int32_t h = RectHeight(a) / count;
    return TRect{a.Left, a.Top + h * (N - 1), a.Right, a.Top + h * N};
  }
  const int32_t w = RectWidth(a) / count;
  return TRect{a.Left + w * (N - 1), a.Top, a.Left + w * N, a.Bottom};
}

void TbsSkinMenuItem::DrawSkinned(TCanvas* Cnvs) {
  const int32_t w = RectWidth(ItemRect), h = RectHeight(ItemRect);
  if (w <= 0 || h <= 0) return;
  TBitmap b;
  b.SetSize(w, h);
  const TbsDataSkinMenuItem& d = *Description;
  if (IsSeparator()) {
    if (SkinPicture != nullptr)
      BuildHSkinImage(d.DividerLeftOffset, d.DividerRightOffset, &b, SkinPicture, d.DividerRect, w, h,
                      d.DividerStretchEffect);
  } else if (CanAnimate() && FrameIndex > 0 && FrameIndex <= d.FrameCount) {
    DrawSkinnedItem(&b, IsHighlighted(), FrameIndex);
  } else if (!CanMorph() || (IsHighlighted() && MorphPos == 1) || (!IsHighlighted() && MorphPos == 0)) {
    DrawSkinnedItem(&b, IsHighlighted(), 0);
  } else {
    TBitmap normal, hot;
    normal.SetSize(w, h);
    hot.SetSize(w, h);
    DrawSkinnedItem(&normal, false, 0);
    DrawSkinnedItem(&hot, true, 0);
    auto e1 = TbsEffectBmp::CreateFromHandle(normal.Handle());
    auto e2 = TbsEffectBmp::CreateFromHandle(hot.Handle());
    MorphByKind(e1.get(), e2.get(), MorphPos, d.MorphKind);
    e1->Draw(b.Canvas()->Handle(), 0, 0);
  }
  Cnvs->Draw(ItemRect.Left, ItemRect.Top, &b);
}

void TbsSkinMenuItem::SetItemFont(TCanvas* Cnvs, bool Skinned) {
  TbsSkinMenu* menu = ListWindow->OwnerMenu();
  TFont* f = Cnvs->Font();
  if (Skinned && menu->UseSkinFont) {
    f->SetName(Description->FontName);
    f->SetStyle(Description->FontStyle);
    f->SetHeight(Description->FontHeight);
  } else {
    f->Assign(menu->DefMenuItemFont());
  }
  TbsSkinData* skin = ListWindow->WindowSkinData;
  if (skin != nullptr && skin->ResourceStrData() != nullptr)
    f->SetCharset(skin->ResourceStrData()->CharSet());
  else
    f->SetCharset(menu->DefMenuItemFont()->Charset());
}

TSize TbsSkinMenuItem::GlyphSize() {
  if (TBitmap* bmp = SourceItem->Bitmap(); bmp != nullptr && !bmp->Empty()) return TSize{bmp->Width(), bmp->Height()};
  TCustomImageList* images = ListWindow->ItemImages;
  const int32_t index = SourceItem->ImageIndex();
  if (images != nullptr && index >= 0 && index < images->Count()) return TSize{images->Width(), images->Height()};
  return TSize{0, 0};
}

bool TbsSkinMenuItem::DrawGlyph(TCanvas* Cnvs, int32_t X, int32_t Y, TColor FrameColor) {
  const TSize size = GlyphSize();
  if (size.cx == 0) return false;
  if (SourceItem->Checked()) {
    Cnvs->Brush()->SetStyle(TBrushStyle::bsClear);
    Cnvs->Pen()->SetColor(FrameColor);
    Cnvs->Rectangle(X - 1, Y - 1, X + size.cx + 1, Y + size.cy + 1);
  }
  if (TBitmap* bmp = SourceItem->Bitmap(); bmp != nullptr && !bmp->Empty())
    Cnvs->Draw(X, Y, bmp);
  else
    ListWindow->ItemImages->Draw(Cnvs, X, Y, SourceItem->ImageIndex(), SourceItem->Enabled());
  return true;
}

bool TbsSkinMenuItem::DrawSystemGlyph(TCanvas* Cnvs, int32_t X, int32_t Y, TColor Color) {
  using TGlyphPainter = void (*)(TCanvas*, int32_t, int32_t, TColor);
  static const std::pair<const char*, TGlyphPainter> kGlyphs[] = {
      {"BSF_CLOSE", DrawCloseGlyph},      {"TRAY_BSF_CLOSE", DrawCloseGlyph}, {"BSF_MINITEM", DrawMinimizeGlyph},
      {"BSF_MAXITEM", DrawMaximizeGlyph}, {"BSF_RESTORE", DrawRestoreGlyph},  {"TRAY_BSF_RESTORE", DrawRestoreGlyph},
      {"BSF_ROLLUP", DrawRollUpGlyph},    {"BSF_MINTOTRAY", DrawTrayGlyph}};
  const String& name = SourceItem->Name();
  for (const auto& [n, paint] : kGlyphs)
    if (name == n) {
      paint(Cnvs, X, Y, Color);
      return true;
    }
  return false;
}

void TbsSkinMenuItem::DrawTexts(TCanvas* Cnvs, const TRect& T, int32_t Glyph, int32_t Offset, int32_t Gap) {
  const int32_t centre = T.Top + RectHeight(T) / 2;
  const WideString caption = UTF8ToUTF16(SourceItem->Caption());
  TRect r{T.Left + Glyph, 0, T.Right - Gap, 0};
  DrawTextWide(Cnvs, caption, r, DT_CALCRECT | DT_LEFT);
  const int32_t th = RectHeight(r);
  r = TRect{r.Left + Offset, centre - th / 2, r.Right + Offset + 2, centre - th / 2 + th};
  DrawTextWide(Cnvs, caption, r, DT_CENTER | DT_SINGLELINE);
  if (SourceItem->ShortCut() != scNone) {
    const WideString sc = UTF8ToUTF16(ShortCutToText(SourceItem->ShortCut()));
    const int32_t sw = TextWidthW(Cnvs, sc);
    TRect s{T.Right - Gap - sw, r.Top, T.Right - Gap, r.Bottom};
    DrawTextWide(Cnvs, sc, s, DT_LEFT | DT_SINGLELINE);
  }
  if (SourceItem->Count() > 0) {
    // A right-pointing arrow, 4 columns of 7, 5, 3 and 1 pixels.
    Cnvs->Pen()->SetColor(Cnvs->Font()->Color());
    const int32_t ax = T.Right - 7, ay = centre - 4;
    for (int32_t i = 0; i < 4; ++i) {
      Cnvs->MoveTo(ax + i, ay + i);
      Cnvs->LineTo(ax + i, ay + 7 - i);
    }
  }
}

void TbsSkinMenuItem::DrawSkinnedItem(TBitmap* B, bool Hot, int32_t Frame) {
  const TbsDataSkinMenuItem& d = *Description;
  const int32_t w = RectWidth(ItemRect), h = RectHeight(ItemRect);
  TRect source = Hot ? FActiveSkinRect : FSkinRect;
  bool stretch = Hot ? d.StretchEffect : d.InActiveStretchEffect;
  if (Frame > 0) {
    source = FrameRect(Frame);
    if (!Hot && !d.InActiveStretchEffect && d.StretchEffect) stretch = true;
  }
  if (SkinPicture != nullptr && !IsNullRect(source))
    BuildHSkinImage(d.ItemLeftOffset, d.ItemRightOffset, B, SkinPicture, source, w, RectHeight(source), stretch);
  B->SetSize(w, h);
  TCanvas* c = B->Canvas();
  const bool images = ListWindow->ItemImages != nullptr;
  const int32_t g = !IsNullRect(d.ImageRect) ? 0 : (images ? ListWindow->GlyphColumn : 16);
  TRect t = d.TextRect;
  t.Right += w - RectWidth(d.SkinRect);
  SetItemFont(c, true);
  c->Brush()->SetStyle(TBrushStyle::bsClear);
  c->Font()->SetColor(Hot ? d.ActiveFontColor : (SourceItem->Enabled() ? d.FontColor : d.UnEnabledFontColor));
  if (SourceItem->OnDrawItem) {
    SourceItem->OnDrawItem(this, c, t, Hot);
    return;
  }
  DrawTexts(c, t, g, 4, 16);
  TColor color = c->Font()->Color();
  if (d.UseImageColor) color = Hot ? d.ActiveImageColor : d.ImageColor;
  const int32_t centre = t.Top + RectHeight(t) / 2;
  const TSize gs = GlyphSize();
  int32_t x, y;
  if (IsNullRect(d.ImageRect)) {
    x = t.Left + 2;
    y = centre - gs.cy / 2;
  } else {
    x = d.ImageRect.Left + (RectWidth(d.ImageRect) - gs.cx) / 2;
    y = d.ImageRect.Top + (RectHeight(d.ImageRect) - gs.cy) / 2;
  }
  if (DrawGlyph(c, x, y, color)) return;
  if (IsNullRect(d.ImageRect)) {
    y = centre - 4;
  } else {
    x = d.ImageRect.Left + RectWidth(d.ImageRect) / 2 - 4;
    y = d.ImageRect.Top + RectHeight(d.ImageRect) / 2 - 4;
  }
  DrawMark(c, x, y, x, y + 1, color, false);
}

void TbsSkinMenuItem::DrawMark(TCanvas* Cnvs, int32_t X, int32_t Y, int32_t RX, int32_t RY, TColor Color,
                               bool SquareDot) {
  if (DrawSystemGlyph(Cnvs, X, Y, Color) || !SourceItem->Checked()) return;
  if (!SourceItem->RadioItem()) {
    DrawCheckMark(Cnvs, X + (SquareDot ? 1 : 0), Y, Color);
  } else if (SquareDot) {
    DrawRadioDot(Cnvs, RX, RY, Color);
  } else {
    // A filled 6 x 6 circle.
    Cnvs->Pen()->SetColor(Color);
    Cnvs->Brush()->SetStyle(TBrushStyle::bsSolid);
    Cnvs->Brush()->SetColor(Color);
    Cnvs->Ellipse(RX, RY, RX + 6, RY + 6);
    Cnvs->Brush()->SetStyle(TBrushStyle::bsClear);
  }
}

void TbsSkinMenuItem::DrawDefault(TCanvas* Cnvs) {
  const int32_t w = RectWidth(ItemRect), h = RectHeight(ItemRect);
  if (w <= 0 || h <= 0) return;
  TBitmap b;
  b.SetSize(w, h);
  TCanvas* c = b.Canvas();
  const int32_t s = ListWindow->ItemImages != nullptr ? ListWindow->GlyphColumn : 19;
  SetItemFont(c, false);
  const bool hot = IsHighlighted() && !IsSeparator();
  c->Brush()->SetStyle(TBrushStyle::bsSolid);
  if (hot) {
    c->Brush()->SetColor(kDefaultHotFill);
    c->FillRect(TRect{0, 0, w, h});
    c->Brush()->SetColor(kDefaultHotFrame);
    c->FrameRect(TRect{0, 0, w, h});
    c->Font()->SetColor(clWindowText);
  } else {
    c->Brush()->SetColor(clBtnFace);
    c->FillRect(TRect{0, 0, s + 1, h});
    c->Brush()->SetColor(clWindow);
    c->FillRect(TRect{s + 1, 0, w, h});
    c->Font()->SetColor(SourceItem->Enabled() ? clWindowText : clBtnShadow);
  }
  if (IsSeparator()) {
    c->Pen()->SetColor(clBtnShadow);
    c->MoveTo(s, h / 2);
    c->LineTo(w, h / 2);
  } else {
    DrawDefaultContent(c, TRect{2, 2, w - 2, h - 2}, s);
  }
  Cnvs->Draw(ItemRect.Left, ItemRect.Top, &b);
}

void TbsSkinMenuItem::DrawDefaultContent(TCanvas* Cnvs, const TRect& I, int32_t S) {
  Cnvs->Brush()->SetStyle(TBrushStyle::bsClear);
  if (SourceItem->OnDrawItem) {
    SourceItem->OnDrawItem(this, Cnvs, I, IsHighlighted());
    return;
  }
  DrawTexts(Cnvs, I, S, 0, 19);
  const int32_t centre = I.Top + RectHeight(I) / 2;
  const TColor color = Cnvs->Font()->Color();
  if (DrawGlyph(Cnvs, I.Left + 2, centre - GlyphSize().cy / 2, color)) return;
  DrawMark(Cnvs, I.Left + 2, centre - 4, I.Left + 3, centre - 3, color, true);
}
