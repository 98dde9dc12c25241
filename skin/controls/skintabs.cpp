#include "skin/controls/skintabs.h"

#include "platform/gui/gdi.h"
#include "platform/gui/syscolors.h"
#include "platform/gui/text.h"
#include "platform/gui/windows.h"
#include "platform/rtl/arith.h"
#include "platform/vcl/imglist.h"
#include "skin/controls/skinpanel.h"
#include "skin/controls/updown.h"
#include "skin/engine/data/skindraw.h"
#include "skin/engine/data/skinimage.h"
#include "skin/engine/menus/effectbmp.h"

namespace {

constexpr TColor PlainHotFill = TColor(0xD2BDB6);
constexpr TColor PlainFocusFill = TColor(0xB59385);

// Restores a DC's saved state when the scope ends.
class TSavedState {
 public:
  explicit TSavedState(HDC DC) : FDC(DC), FSaved(SaveDC(DC)) {}
  ~TSavedState() { RestoreDC(FDC, FSaved); }
  TSavedState(const TSavedState&) = delete;
  TSavedState& operator=(const TSavedState&) = delete;

 private:
  HDC FDC;
  int32_t FSaved;
};

TRect Moved(const TRect& R, int32_t DX, int32_t DY) {
  return TRect{R.Left + DX, R.Top + DY, R.Right + DX, R.Bottom + DY};
}

// B upside down, in place.
void FlipBitmap(TBitmap* B) {
  std::unique_ptr<TbsEffectBmp> src = TbsEffectBmp::CreateFromHandle(B->Handle());
  TbsEffectBmp flipped(B->Width(), B->Height());
  src->FlipVertical(&flipped);
  flipped.Draw(B->Canvas()->Handle(), 0, 0);
}

// B turned a quarter (counter-clockwise for left tabs, clockwise for right
// ones) at (X, Y) of C.
void DrawRotated(TCanvas* C, TBitmap* B, int32_t X, int32_t Y, bool CounterClockwise) {
  std::unique_ptr<TbsEffectBmp> src = TbsEffectBmp::CreateFromHandle(B->Handle());
  TbsEffectBmp turned(B->Height(), B->Width());
  if (CounterClockwise)
    src->Rotate90CCW(&turned);
  else
    src->Rotate90CW(&turned);
  turned.Draw(C->Handle(), X, Y);
}

}  // namespace

void DrawTabImageText(TCanvas* C, int32_t W, int32_t H, TCustomImageList* Images, int32_t ImageIndex, bool Enabled,
                      const String& Text) {
  String text = Text;
  TRect calc{0, 0, 0, 0};
  DrawText(C->Handle(), text, &calc, DT_CALCRECT);
  const int32_t tw = RectWidth(calc) + 2, th = RectHeight(calc);
  const int32_t block = Images->Width() + tw + 2;
  const int32_t x0 = Div(W, 2) - Div(block, 2);
  Images->Draw(C, x0, Div(H, 2) - Div(Images->Height(), 2), ImageIndex, Enabled);
  TRect r{x0 + Images->Width() + 2, Div(H, 2) - Div(th, 2), 0, 0};
  r.Right = r.Left + tw;
  r.Bottom = r.Top + th;
  C->Brush()->SetStyle(TBrushStyle::bsClear);
  DrawText(C->Handle(), text, &r, DT_CENTER);
}

// ---- Construction and the description ------------------------------------------------

TbsSkinTabs::TbsSkinTabs(TCustomTabControl* Control, IbsSkinTabItems* Items)
    : DefaultFont(CreateSkinDefaultFont()), FControl(Control), FItems(Items) {
  DefaultFont->SetColor(clBtnText);
}

TbsSkinTabs::~TbsSkinTabs() = default;

void TbsSkinTabs::GetSkinData() {
  FSkinIndex = SkinDescriptionIndex(SkinData, SkinDataName);
  if (FSkinIndex == -1) return;
  auto* D = dynamic_cast<TbsDataSkinTabControl*>(SkinData->ControlDescriptions[size_t(FSkinIndex)].get());
  if (D == nullptr) return;
  FD = *D;
  if (IsNullRect(FD.ActiveTabRect)) FD.ActiveTabRect = FD.TabRect;
  if (IsNullRect(FD.FocusTabRect)) FD.FocusTabRect = FD.ActiveTabRect;
  FTabPicture = SkinActivePicture(SkinData, FD.PictureIndex);
}

TBitmap* TbsSkinTabs::BGPicture() const {
  return Described() && FD.BGPictureIndex != -1 ? SkinActivePicture(SkinData, FD.BGPictureIndex) : nullptr;
}

bool TbsSkinTabs::Vertical() const {
  const TTabPosition p = FControl->TabPosition();
  return p == TTabPosition::tpLeft || p == TTabPosition::tpRight;
}

// ---- Geometry -----------------------------------------------------------------------

int32_t TbsSkinTabs::TabSizeHeight() {
  if (FControl->TabHeight() > 0) return FControl->TabHeight();
  GetSkinData();
  return Described() ? RectHeight(FD.TabRect) : DefaultItemHeight;
}

void TbsSkinTabs::SetTabSize(int32_t W, int32_t H) {
  if (FControl->HandleAllocated()) FControl->Perform(TCM_SETITEMSIZE, 0, MAKELPARAM(uint16_t(W), uint16_t(H)));
}

void TbsSkinTabs::ApplyFont() {
  TFont* F = FControl->Font();
  if (Described() && UseSkinFont) {
    F->SetName(FD.FontName);
    F->SetHeight(FD.FontHeight);
    F->SetStyle(FD.FontStyle);
  } else {
    F->Assign(DefaultFont.get());
  }
  if (SkinData != nullptr && SkinData->ResourceStrData() != nullptr)
    F->SetCharset(SkinData->ResourceStrData()->CharSet());
  else
    F->SetCharset(DefaultFont->Charset());
  if (Described()) F->SetColor(FD.FontColor);
}

void TbsSkinTabs::FrameWidths(int32_t& L, int32_t& T, int32_t& FR, int32_t& FB) const {
  L = FD.ClientRect.Left;
  T = FD.ClientRect.Top;
  FR = RectWidth(FD.SkinRect) - FD.ClientRect.Right;
  FB = RectHeight(FD.SkinRect) - FD.ClientRect.Bottom;
}

void TbsSkinTabs::CorrectDisplayRect(TRect& R, bool UseFrame) {
  GetSkinData();
  const int32_t CW = FControl->ClientWidth(), CH = FControl->ClientHeight();
  if (!Described()) {
    switch (FControl->TabPosition()) {
      case TTabPosition::tpTop: R = TRect{1, R.Top - 5, CW - 1, CH - 1}; break;
      case TTabPosition::tpBottom: R = TRect{1, 1, CW - 1, R.Bottom + 3}; break;
      case TTabPosition::tpLeft: R = TRect{R.Left - 3, R.Top - 5, CW - 1, CH - 1}; break;
      case TTabPosition::tpRight: R = TRect{R.Left - 3, R.Top - 5, R.Right + 3, CH - 1}; break;
    }
    return;
  }
  int32_t L = 0, T = 0, FR = 0, FB = 0;
  if (UseFrame) FrameWidths(L, T, FR, FB);
  switch (FControl->TabPosition()) {
    case TTabPosition::tpTop: R = TRect{L, R.Top + T - 6, CW - FR, CH - FB}; break;
    case TTabPosition::tpBottom: R = TRect{L, R.Top + T - 4, CW - FR, R.Bottom + 4 - FB}; break;
    case TTabPosition::tpLeft: R = TRect{R.Left + L - 4, R.Top + T - 4, CW - FR, CH - FB}; break;
    case TTabPosition::tpRight: R = TRect{L, R.Top + T - 4, R.Right + 4 - FR, CH - FB}; break;
  }
}

void TbsSkinTabs::CorrectTabRect(TRect& R) {
  if (FControl->Style() != TTabStyle::tsTabs) return;
  const bool single = !FControl->MultiLine();
  switch (FControl->TabPosition()) {
    case TTabPosition::tpTop:
      R.Top -= 2;
      R.Bottom -= 2;
      if (single) OffsetRect(R, -2, 0);
      break;
    case TTabPosition::tpBottom:
      R.Top += 2;
      R.Bottom += 2;
      if (single) OffsetRect(R, -2, 0);
      break;
    case TTabPosition::tpLeft:
      R.Left -= 2;
      R.Right -= 2;
      break;
    case TTabPosition::tpRight:
      R.Left += 2;
      R.Right += 2;
      break;
  }
}

TRect TbsSkinTabs::GetTabRect(int32_t Tab) {
  TRect R = FControl->TabRect(Tab);
  if (Tab == 0 && !FControl->MultiLine()) ++R.Left;
  return R;
}

TRect TbsSkinTabs::FrameRect(bool UseFrame) {
  TRect F = FControl->DisplayRect();
  if (!Described() || !UseFrame) return F;
  int32_t L = 0, T = 0, FR = 0, FB = 0;
  FrameWidths(L, T, FR, FB);
  return TRect{F.Left - L, F.Top - T, F.Right + FR, F.Bottom + FB};
}

// ---- Scroller -----------------------------------------------------------------------

int32_t TbsSkinTabs::HiddenTabCount() {
  const int32_t X = FControl->Width() - 3 - (FScroller != nullptr ? FScroller->Width() : 0);
  int32_t n = 0;
  for (int32_t t = 0; t < FItems->VisibleTabCount(); ++t) {
    const TRect R = GetTabRect(t);
    if (R.Right > X || R.Right <= 0) ++n;
  }
  return n;
}

int32_t TbsSkinTabs::ScrolledTabCount() {
  int32_t n = 0;
  for (int32_t t = 0; t < FItems->VisibleTabCount(); ++t)
    if (GetTabRect(t).Right <= 0) ++n;
  return n;
}

void TbsSkinTabs::UpdateScroller(bool FreeInMultiLine) {
  if (!FControl->HandleAllocated()) return;
  // The native scroller the tab window makes at layout time would cover ours.
  while (HWND native = FindWindowEx(FControl->Handle(), nullptr, "msctls_updown32", nullptr)) DestroyWindow(native);
  const int32_t n = HiddenTabCount();
  if (n == 0 || (FreeInMultiLine && FControl->MultiLine())) {
    FreeScroller();
    return;
  }
  if (FScroller == nullptr) CreateScroller();
  PlaceScroller();
}

void TbsSkinTabs::CreateScroller() {
  auto* s = new TbsSkinUpDown(FControl);
  const bool fixed = ScrollerSize.cx > 0 && ScrollerSize.cy > 0;
  s->SetBounds(0, 0, fixed ? ScrollerSize.cx : 2 * DefaultItemHeight, fixed ? ScrollerSize.cy : DefaultItemHeight);
  s->SetMin(0);
  s->SetMax(HiddenTabCount());
  s->SetPosition(ScrolledTabCount());
  s->SetIncrement(1);
  s->SetSkinDataName(FD.UpDown);
  s->SetSkinData(SkinData);
  s->SetParent(FControl);
  s->SetVisible(true);
  FScroller = s;
  s->OnChange = [this](TObject*) { ScrollerChange(); };
}

void TbsSkinTabs::ScrollerChange() {
  FScroller->SetMax(HiddenTabCount());
  SendMessage(FControl->Handle(), WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, uint16_t(FScroller->Position())), 0);
}

void TbsSkinTabs::PlaceScroller() {
  if (FScroller == nullptr) return;
  FScroller->SetMax(HiddenTabCount());
  const bool top = FControl->TabPosition() == TTabPosition::tpTop;
  FScroller->SetBounds(FControl->Width() - FScroller->Width(), top ? 0 : FControl->Height() - FScroller->Height(),
                       FScroller->Width(), FScroller->Height());
}

void TbsSkinTabs::FreeScroller() {
  TbsSkinUpDown* s = FScroller;
  FScroller = nullptr;
  delete s;
}

// ---- Frames and backgrounds ---------------------------------------------------------------

void TbsSkinTabs::PaintDefaultFrame(TCanvas* C) {
  C->Brush()->SetStyle(TBrushStyle::bsSolid);
  C->Brush()->SetColor(clBtnFace);
  C->FillRect(TRect{0, 0, FControl->ClientWidth(), FControl->ClientHeight()});
  TRect R = FControl->DisplayRect();
  InflateRect(R, 1, 1);
  C->Brush()->SetColor(clBtnShadow);
  C->FrameRect(R);
}

void TbsSkinTabs::PaintPageFrame(TCanvas* C, const TRect& F) {
  if (FTabPicture == nullptr) return;
  const int32_t W = RectWidth(F), H = RectHeight(F);
  const int32_t dW = W - RectWidth(FD.SkinRect), dH = H - RectHeight(FD.SkinRect);
  const TPoint NRT{FD.RightTopPoint.X + dW, FD.RightTopPoint.Y};
  const TPoint NLB{FD.LeftBottomPoint.X, FD.LeftBottomPoint.Y + dH};
  const TPoint NRB{FD.RightBottomPoint.X + dW, FD.RightBottomPoint.Y + dH};
  const TRect NCR{FD.ClientRect.Left, FD.ClientRect.Top, FD.ClientRect.Right + dW, FD.ClientRect.Bottom + dH};
  TBitmap left, top, right, bottom;
  BuildSkinBorderImages(FD.LeftTopPoint, FD.RightTopPoint, FD.LeftBottomPoint, FD.RightBottomPoint, FD.ClientRect,
                        FD.LeftTopPoint, NRT, NLB, NRB, NCR, &left, &top, &right, &bottom, FTabPicture, FD.SkinRect, W,
                        H, FD.LeftStretch, FD.TopStretch, FD.RightStretch, FD.BottomStretch);
  C->Draw(F.Left, F.Top, &top);
  C->Draw(F.Left, F.Top + top.Height(), &left);
  C->Draw(F.Right - right.Width(), F.Top + top.Height(), &right);
  C->Draw(F.Left, F.Bottom - bottom.Height(), &bottom);
}

void TbsSkinTabs::FillClientPart(TCanvas* C, const TRect& Area) {
  TbsPanelFrame::DrawClientPart(C, FTabPicture, FD.SkinRect, FD.ClientRect, Area, FD.StretchEffect, FD.StretchType);
}

void TbsSkinTabs::FillBackground(TCanvas* C, const TRect& Area) {
  TBitmap* picture = BGPicture();
  if (picture == nullptr) {
    FillClientPart(C, Area);
    return;
  }
  FillSkinTiles(C, picture, Area, FD.StretchEffect, FD.StretchType);
}

TRect TbsSkinTabs::TabsBGRect() const {
  if (!IsNullRect(FD.TabsBGRect)) return FD.TabsBGRect;
  return Moved(FD.ClientRect, FD.SkinRect.Left, FD.SkinRect.Top);
}

// ---- Tab row ------------------------------------------------------------------------------

void TbsSkinTabs::PaintTabRow(TCanvas* C, const TRect& F) {
  const int32_t count = FItems->VisibleTabCount();
  if (count == 0) return;
  const int32_t active = FControl->TabIndex();
  if (!Described()) {
    for (int32_t t = 0; t < count; ++t) PaintSkinTab(FItems->ItemOfTab(t), GetTabRect(t), C, t == active, t == FHotTab);
    return;
  }
  const int32_t W = FControl->Width(), H = FControl->Height();
  TRect strip{0, 0, W, F.Top};
  switch (FControl->TabPosition()) {
    case TTabPosition::tpBottom: strip = TRect{0, F.Bottom, W, H}; break;
    case TTabPosition::tpLeft: strip = TRect{0, 0, F.Left, H}; break;
    case TTabPosition::tpRight: strip = TRect{F.Right, 0, W, H}; break;
    default: break;
  }
  if (!IsNullRect(strip)) {
    TBitmap S;
    S.SetSize(RectWidth(strip), RectHeight(strip));
    if (TabsBGTransparent)
      PaintParentImageRect(FControl, strip, S.Canvas());
    else
      FillSkinPart(S.Canvas(), FTabPicture, TabsBGRect(), TRect{0, 0, S.Width(), S.Height()}, false,
                   TbsStretchType::stFull);
    for (int32_t t = 0; t < count; ++t)
      PaintSkinTab(FItems->ItemOfTab(t), Moved(GetTabRect(t), -strip.Left, -strip.Top), S.Canvas(), t == active,
                   t == FHotTab);
    C->Draw(strip.Left, strip.Top, &S);
  }
  if (active < 0 || active >= count) return;
  TRect R = GetTabRect(active);
  if (RectHeight(FD.TabRect) != RectHeight(FD.ActiveTabRect)) {
    if (FControl->TabPosition() == TTabPosition::tpBottom) R = Moved(R, 0, -1);
    if (FControl->TabPosition() == TTabPosition::tpRight) R = Moved(R, -1, 0);
  }
  PaintSkinTab(FItems->ItemOfTab(active), R, C, true, active == FHotTab);
}

// ---- One tab ------------------------------------------------------------------------------

void TbsSkinTabs::PaintPlainFace(TBitmap* B, int32_t TW, int32_t TH, bool Active, bool MouseIn, bool Focused) {
  B->SetSize(TW, TH);
  TCanvas* C = B->Canvas();
  C->Brush()->SetStyle(TBrushStyle::bsSolid);
  const TRect all{0, 0, TW, TH};
  if (!Active) {
    C->Brush()->SetColor(MouseIn ? PlainHotFill : clBtnFace);
    C->FillRect(all);
  } else {
    C->Brush()->SetColor(Focused ? PlainFocusFill : PlainHotFill);
    C->FillRect(all);
    C->Brush()->SetColor(clNavy);
    C->FrameRect(all);
  }
  C->Font()->Assign(FControl->Font());
  if (SkinData != nullptr && SkinData->ResourceStrData() != nullptr)
    C->Font()->SetCharset(SkinData->ResourceStrData()->CharSet());
}

void TbsSkinTabs::ComposeSkinFace(TBitmap* B, int32_t TW, int32_t TH, bool Active, bool MouseIn, bool Focused) {
  const bool hot = MouseIn && !Active;
  TRect src = Active ? (Focused ? FD.FocusTabRect : FD.ActiveTabRect) : FD.TabRect;
  if (hot && !IsNullRect(FD.MouseInTabRect)) src = FD.MouseInTabRect;
  B->SetPixelFormat(TPixelFormat::pf24bit);
  if (FTabPicture == nullptr || IsNullRect(src)) {
    PaintPlainFace(B, TW, TH, Active, MouseIn, Focused);
  } else if (FControl->TabHeight() > 0) {
    TBitmap face;
    BuildHSkinImage(FD.TabLeftOffset, FD.TabRightOffset, &face, FTabPicture, src, TW, RectHeight(FD.TabRect),
                    FD.TabStretchEffect);
    B->SetSize(TW, TH);
    B->Canvas()->StretchDraw(TRect{0, 0, TW, TH}, &face);
  } else {
    BuildHSkinImage(FD.TabLeftOffset, FD.TabRightOffset, B, FTabPicture, src, TW, RectHeight(src), FD.TabStretchEffect);
  }
  if (FControl->TabPosition() == TTabPosition::tpBottom) FlipBitmap(B);
  TFont* F = B->Canvas()->Font();
  F->Assign(FControl->Font());
  SetSkinControlFont(F, UseSkinFont, FD.FontName, FD.FontHeight, FD.FontStyle, FControl->Font(), SkinData);
  F->SetColor(hot ? FD.MouseInFontColor
                  : (!Active ? FD.FontColor : (Focused ? FD.FocusFontColor : FD.ActiveFontColor)));
}

void TbsSkinTabs::DrawContent(TBitmap* B, int32_t Item, int32_t TW, int32_t TH, bool Active, bool MouseIn) {
  TCanvas* C = B->Canvas();
  if (OnDrawSkinTab) {
    OnDrawSkinTab(Item, TRect{0, 0, TW, TH}, Active, MouseIn, C);
    return;
  }
  TCustomImageList* images = FControl->Images();
  const String text = FItems->ItemText(Item);
  if (images != nullptr && Item < images->Count()) {
    DrawTabImageText(C, TW, TH, images, FItems->ItemImageIndex(Item), FItems->ItemEnabled(Item), text);
    return;
  }
  String s = text;
  TRect r{0, 0, TW, TH};
  C->Brush()->SetStyle(TBrushStyle::bsClear);
  DrawText(C->Handle(), s, &r, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
}

void TbsSkinTabs::PaintSkinTab(int32_t Item, const TRect& R, TCanvas* C, bool Active, bool MouseIn) {
  if (Item < 0 || Item >= FItems->ItemCount()) return;
  const bool side = Vertical();
  const int32_t TW = side ? RectHeight(R) : RectWidth(R), TH = side ? RectWidth(R) : RectHeight(R);
  if (TW <= 0 || TH <= 0) return;
  const bool focused = FControl->Focused();
  TBitmap B;
  if (Described())
    ComposeSkinFace(&B, TW, TH, Active, MouseIn, focused);
  else
    PaintPlainFace(&B, TW, TH, Active, MouseIn, focused);
  if (Described() && FD.ShowFocus && focused && Active) {
    B.Canvas()->Brush()->SetStyle(TBrushStyle::bsSolid);
    B.Canvas()->Brush()->SetColor(SkinData->SkinColors.CBtnFace);
    B.Canvas()->DrawFocusRect(TRect{FD.FocusOffsetX, FD.FocusOffsetY, TW - FD.FocusOffsetX, TH - FD.FocusOffsetY});
  }
  DrawContent(&B, Item, TW, TH, Active, MouseIn);
  switch (FControl->TabPosition()) {
    case TTabPosition::tpLeft: DrawRotated(C, &B, R.Left, R.Top, true); break;
    case TTabPosition::tpRight: DrawRotated(C, &B, R.Left, R.Top, false); break;
    default: C->Draw(R.Left, R.Top, &B); break;
  }
}

// ---- Hot tracking ---------------------------------------------------------------------------

void TbsSkinTabs::DrawPlainHotState(int32_t Tab, bool Hot) {
  if (Tab < 0 || Tab == FControl->TabIndex() || Tab >= FItems->VisibleTabCount()) return;
  GetSkinData();
  PaintSkinTab(FItems->ItemOfTab(Tab), GetTabRect(Tab), FControl->Canvas(), false, Hot);
}

void TbsSkinTabs::TrackHotTab(int32_t X, int32_t Y) {
  FOldHotTab = FHotTab;
  FHotTab = -1;
  for (int32_t t = 0; t < FItems->VisibleTabCount(); ++t)
    if (PtInRect(GetTabRect(t), TPoint{X, Y})) {
      FHotTab = t;
      FHotItem = FItems->ItemOfTab(t);
      break;
    }
  if (FHotTab == FOldHotTab) return;
  DrawPlainHotState(FOldHotTab, false);
  DrawPlainHotState(FHotTab, true);
}

void TbsSkinTabs::MouseLeave(TControl* Source) {
  if (Source != nullptr && Source != FControl) return;
  DrawPlainHotState(FOldHotTab, false);
  DrawPlainHotState(FHotTab, false);
  FOldHotTab = FHotTab = -1;
}
