#include "skin/controls/skinmenuspeedbutton.h"

#include "platform/rtl/arith.h"
#include "skin/controls/skintoolbar.h"
#include "skin/engine/data/skindraw.h"
#include "skin/engine/data/skinimage.h"
#include "skin/engine/data/skinmessages.h"
#include "skin/engine/menus/skinpopupmenu.h"

namespace {

constexpr TColor NavyFrame = TColor(0x800000);
constexpr TColor DownFill = TColor(0xB59385);
constexpr TColor HotFill = TColor(0xD2BDB6);

// Edges included.
bool Within(const TRect& R, int32_t X, int32_t Y) { return X >= R.Left && X <= R.Right && Y >= R.Top && Y <= R.Bottom; }

TRect OrElse(const TRect& R, const TRect& Fallback) { return IsNullRect(R) ? Fallback : R; }

}  // namespace

TbsSkinMenuSpeedButton::TbsSkinMenuSpeedButton(TComponent* AOwner) : TbsSkinSpeedButton(AOwner) {
  FSkinDataName = "toolmenubutton";
}

// The images menu may outlive the button: its notices must not reach it.
TbsSkinMenuSpeedButton::~TbsSkinMenuSpeedButton() {
  if (IbsImagesMenu* m = SkinImagesMenu()) {
    m->SetOnItemChange(nullptr);
    m->SetOnMenuClose(nullptr);
  }
}

void TbsSkinMenuSpeedButton::Notification(TComponent* AComponent, TOperation Operation) {
  TbsSkinSpeedButton::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FSkinPopupMenu) FSkinPopupMenu = nullptr;
}

// ---- Properties ------------------------------------------------------------------------

void TbsSkinMenuSpeedButton::SetNewStyle(bool Value) {
  FNewStyle = Value;
  if (Value) FSkinDataName = "resizetoolbutton";
  Invalidate();
}

void TbsSkinMenuSpeedButton::SetTrackPosition(TbsTrackPosition Value) {
  FTrackPosition = Value;
  Invalidate();
}

void TbsSkinMenuSpeedButton::SetTrackButtonMode(bool Value) {
  FTrackButtonMode = Value;
  if (FSkinIndex == -1) Invalidate();
}

void TbsSkinMenuSpeedButton::SetSkinPopupMenu(TbsSkinPopupMenu* Value) {
  if (FSkinPopupMenu != nullptr) FSkinPopupMenu->RemoveFreeNotification(this);
  FSkinPopupMenu = Value;
  if (Value != nullptr) Value->FreeNotification(this);
}

void TbsSkinMenuSpeedButton::SetSkinImagesMenu(IbsImagesMenu* Value) {
  if (IbsImagesMenu* old = SkinImagesMenu(); old != nullptr && old != Value) {
    old->SetOnItemChange(nullptr);
    old->SetOnMenuClose(nullptr);
  }
  TbsSkinSpeedButton::SetSkinImagesMenu(Value);
  if (Value != nullptr) Value->SetOnItemChange([this](TObject*) { Invalidate(); });
}

void TbsSkinMenuSpeedButton::GetSkinData() {
  TbsSkinSpeedButton::GetSkinData();
  if (FSkinIndex == -1) return;
  if (auto* D = dynamic_cast<TbsDataSkinMenuButtonControl*>(FSkinData->ControlDescriptions[size_t(FSkinIndex)].get()))
    FTrackButtonRect = D->TrackButtonRect;
}

TbsDataSkinButtonControl* TbsSkinMenuSpeedButton::Description(const String& Name) const {
  const int32_t i = SkinDescriptionIndex(FSkinData, Name);
  return i == -1 ? nullptr : dynamic_cast<TbsDataSkinButtonControl*>(FSkinData->ControlDescriptions[size_t(i)].get());
}

// ---- Geometry --------------------------------------------------------------------------

bool TbsSkinMenuSpeedButton::ResizeSection() const {
  return FSkinDataName == "resizebutton" || FSkinDataName == "resizetoolbutton" || FSkinDataName == "toolbutton" ||
         FSkinDataName == "bigtoolbutton";
}

TRect TbsSkinMenuSpeedButton::StripRect() const {
  if (BottomStrip()) return TRect{0, Height() - TrackSize, Width(), Height()};
  return TRect{Width() - TrackSize, 0, Width(), Height()};
}

TRect TbsSkinMenuSpeedButton::TextRect(const TRect&) const {
  if (BottomStrip()) return TRect{0, 0, Width(), Height() - TrackSize};
  return TRect{0, 0, Width() - TrackSize, Height()};
}

TRect TbsSkinMenuSpeedButton::TrackArea() const {
  TRect R = FTrackButtonRect;
  if (FResizeMode == 2) OffsetRect(R, Width() - RectWidth(FSkinRect), 0);
  if (FResizeMode == 3) OffsetRect(R, 0, Height() - RectHeight(FSkinRect));
  return R;
}

bool TbsSkinMenuSpeedButton::InDropDownArea(int32_t X, int32_t Y) const {
  if (FSkinPopupMenu == nullptr && SkinImagesMenu() == nullptr) return false;
  if (!FTrackButtonMode) return true;
  if (FSkinIndex != -1 && !ResizeSection()) return Within(TrackArea(), X, Y);
  return Within(StripRect(), X, Y);
}

// ---- Menus -----------------------------------------------------------------------------

void TbsSkinMenuSpeedButton::ShowTrackMenu() {
  const TPoint p = ClientToScreen(TPoint{0, 0});
  const TRect R{p.X, p.Y, p.X + Width(), p.Y + Height()};
  if (FSkinPopupMenu != nullptr) {
    FSkinPopupMenu->PopupFromRect(this, R, false);
    if (OnShowTrackMenu) OnShowTrackMenu(this);
  }
  if (IbsImagesMenu* m = SkinImagesMenu()) {
    m->SetOnMenuClose([this](TObject*) { TrackMenuClosed(); });
    m->Popup(R);
    if (OnShowTrackMenu) OnShowTrackMenu(this);
  }
}

void TbsSkinMenuSpeedButton::TrackMenuClosed() {
  FMenuOpen = false;
  SetDown(false);
  if (OnHideTrackMenu) OnHideTrackMenu(this);
  FPointerInside = false;
  Invalidate();
}

void TbsSkinMenuSpeedButton::WMSkinMenuClosed(TMessage&) {
  FMenuOpen = false;
  SetDown(false);
  if (OnHideTrackMenu) OnHideTrackMenu(this);
}

// ---- Mouse -----------------------------------------------------------------------------

void TbsSkinMenuSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (Button != TMouseButton::mbLeft || Designing()) {
    TbsSkinSpeedButton::MouseDown(Button, Shift, X, Y);
    return;
  }
  GetSkinData();
  FMenuOpen = InDropDownArea(X, Y);
  FPointerInside = true;
  if (!FMenuOpen) {
    TbsSkinSpeedButton::MouseDown(Button, Shift, X, Y);
    return;
  }
  if (!Down()) SetDown(true);
  ShowTrackMenu();
}

void TbsSkinMenuSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (!FMenuOpen) TbsSkinSpeedButton::MouseUp(Button, Shift, X, Y);
}

// While the menu is open only the hover flag follows the mouse.
void TbsSkinMenuSpeedButton::CMMouseEnterLeave(TMessage& Message, bool Inside) {
  if (!FMenuOpen) {
    TbsSkinSpeedButton::Dispatch(Message);
    return;
  }
  if (!Designing()) FPointerInside = Inside;
}

void TbsSkinMenuSpeedButton::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_SKIN_MENUCLOSED: WMSkinMenuClosed(Message); break;
    case CM_MOUSEENTER: CMMouseEnterLeave(Message, true); break;
    case CM_MOUSELEAVE: CMMouseEnterLeave(Message, false); break;
    default: TbsSkinSpeedButton::Dispatch(Message); break;
  }
}

// ---- Painting --------------------------------------------------------------------------

void TbsSkinMenuSpeedButton::DrawMenuMarker(TCanvas* C, const TRect& R, bool ADown, bool AActive, bool AFlat) {
  const TRect src = ADown     ? FMenuMarkerDownRect
                    : AActive ? FMenuMarkerActiveRect
                    : AFlat   ? FMenuMarkerFlatRect
                              : FMenuMarkerRect;
  if (IsNullRect(src) || FPicture == nullptr) return;
  TBitmap M;
  M.SetSize(RectWidth(src), RectHeight(src));
  M.Canvas()->CopyRect(TRect{0, 0, M.Width(), M.Height()}, FPicture->Canvas(), src);
  M.SetTransparentColor(FMenuMarkerTransparentColor);
  M.SetTransparent(true);
  C->Draw(R.Left + Div(RectWidth(R), 2) - Div(M.Width(), 2), R.Top + Div(RectHeight(R), 2) - Div(M.Height(), 2), &M);
}

void TbsSkinMenuSpeedButton::DrawDropArrow(TCanvas* C, TRect R, int32_t Shift, bool MarkerDown, bool Active,
                                           TColor Color) {
  OffsetRect(R, Shift, Shift);
  if (!IsNullRect(FMenuMarkerRect))
    DrawMenuMarker(C, R, MarkerDown, Active, false);
  else
    DrawComboArrow(C, R, Color);
}

void TbsSkinMenuSpeedButton::Paint() {
  if (Width() < 1 || Height() < 1) return;
  GetSkinData();
  if (FPointerInside || Down() || FMenuOpen || !Transparent())
    TbsSkinSpeedButton::Paint();
  else
    PaintTransparentAtRest();
}

void TbsSkinMenuSpeedButton::PaintTransparentAtRest() {
  TCanvas* C = Canvas();
  const bool skinned = FSkinIndex != -1 && FPicture != nullptr;
  const bool sized = skinned && !ResizeSection();
  const TRect strip = sized ? TRect{FSizedClientRect.Right, 0, Width(), Height()} : StripRect();
  const TRect text = sized ? FSizedClientRect : TextRect(strip);
  SetSkinControlFont(C->Font(), skinned && UseSkinFont(), FLook.FontName, FLook.FontHeight, FLook.FontStyle,
                     DefaultFont(), FSkinData);
  if (skinned)
    C->Font()->SetColor(!Enabled()           ? FSkinData->SkinColors.CBtnShadow
                        : UseSkinFontColor() ? FSkinData->SkinColors.CBtnText
                                             : DefaultFont()->Color());
  else if (!Enabled())
    C->Font()->SetColor(clBtnShadow);
  DrawFace(C, text, false, false, false, false);
  if (skinned && !IsNullRect(FMenuMarkerFlatRect))
    DrawMenuMarker(C, strip, false, false, true);
  else
    DrawComboArrow(C, strip, skinned ? FSkinData->SkinColors.CBtnText : clBtnText);
}

void TbsSkinMenuSpeedButton::CreateButtonImage(TBitmap* B, const TRect& R, bool ADown, bool AMouseIn) {
  if (FNewStyle && FSkinDataName == "resizetoolbutton")
    CreateNewStyleImage(B, ADown, AMouseIn);
  else if (FSkinDataName == "toolbutton" || FSkinDataName == "bigtoolbutton")
    CreatePartsImage(B, ADown, AMouseIn, true);
  else if (FSkinDataName != "resizebutton" && FSkinDataName != "resizetoolbutton")
    CreateDefaultStyleImage(B, R, ADown, AMouseIn);
  else
    CreatePartsImage(B, ADown, AMouseIn, false);
}

// The speed button's image; with the menu open in track button mode the
// drop-down part shows pressed over the active image.
void TbsSkinMenuSpeedButton::CreateDefaultStyleImage(TBitmap* B, const TRect& R, bool ADown, bool AMouseIn) {
  const TbsDataSkinButtonControl* D = Description(FSkinDataName);
  if (!(FMenuOpen && FTrackButtonMode && D != nullptr && !IsNullRect(FTrackButtonRect) &&
        !IsNullRect(D->DownSkinRect))) {
    TbsSkinSpeedButton::CreateButtonImage(B, R, ADown, AMouseIn);
    return;
  }
  TbsSkinSpeedButton::CreateButtonImage(B, FLook.ActiveSkinRect, false, true);
  TRect src = FTrackButtonRect;
  OffsetRect(src, D->DownSkinRect.Left, D->DownSkinRect.Top);
  const TRect target = TrackArea();
  B->Canvas()->CopyRect(target, FPicture->Canvas(), src);
}

TColor TbsSkinMenuSpeedButton::DrawStateFace(TBitmap* B, const TbsDataSkinButtonControl& D, const TRect& Area,
                                             bool DownDrawn, bool AMouseIn) {
  TCanvas* C = B->Canvas();
  SetSkinControlFont(C->Font(), UseSkinFont(), D.FontName, D.FontHeight, D.FontStyle, DefaultFont(), FSkinData);
  const TColor color = Enabled() && !UseSkinFontColor() ? DefaultFont()->Color()
                       : !Enabled()                     ? D.DisabledFontColor
                       : DownDrawn                      ? D.DownFontColor
                       : !AMouseIn                      ? D.FontColor
                                                        : D.ActiveFontColor;
  C->Font()->SetColor(color);
  DrawFace(C, Area, DownDrawn, AMouseIn, DownDrawn || AMouseIn, DownDrawn);
  return color;
}

// Stretched ("toolbutton", "bigtoolbutton") or nine-part ("resizebutton",
// "resizetoolbutton") state images; in track button mode the drop-down
// strip is a part of its own.
void TbsSkinMenuSpeedButton::CreatePartsImage(TBitmap* B, bool ADown, bool AMouseIn, bool Stretched) {
  const TbsDataSkinButtonControl* D = Description(FSkinDataName);
  if (D == nullptr || FPicture == nullptr) return;
  const TRect normal = D->SkinRect, active = OrElse(D->ActiveSkinRect, normal), down = OrElse(D->DownSkinRect, active);
  const int32_t W = Width(), H = Height();
  auto draw = [&](const TRect& R, int32_t X, int32_t PartWidth) {
    TBitmap P;
    if (Stretched) {
      P.SetSize(PartWidth, H);
      BuildStretchedSkinImage(&P, FPicture, R, D->ClientRect, true);
    } else {
      BuildButtonStateImage(&P, FPicture, *D, R, PartWidth, H);
    }
    B->Canvas()->Draw(X, 0, &P);
  };
  const bool pressed = ADown && AMouseIn;
  bool downDrawn = false;
  if (FTrackButtonMode) {
    const TRect* main = FMenuOpen ? &active : pressed ? &down : AMouseIn ? &active : !Flat() ? &normal : nullptr;
    const TRect* strip = FMenuOpen ? &down : main;
    downDrawn = !FMenuOpen && pressed;
    if (main != nullptr) {
      draw(*main, 0, W - TrackSize);
      draw(*strip, W - TrackSize, TrackSize);
    }
  } else {
    const TRect* state = pressed ? &down : AMouseIn ? &active : !Flat() ? &normal : nullptr;
    downDrawn = pressed;
    if (state != nullptr) draw(*state, 0, W);
  }
  const TColor color = DrawStateFace(B, *D, TRect{0, 0, W - TrackSize, H}, downDrawn, AMouseIn);
  const bool shifted = pressed || FMenuOpen;
  DrawDropArrow(B->Canvas(), TRect{W - TrackSize, 0, W, H}, shifted ? 2 : 0, shifted, AMouseIn,
                FMenuOpen ? D->DownFontColor : color);
}

void TbsSkinMenuSpeedButton::DrawPart(TBitmap* B, const TbsDataSkinButtonControl* D, const TRect& R, bool ADown,
                                      bool AActive) {
  TBitmap* picture = SkinActivePicture(FSkinData, D->PictureIndex);
  if (picture == nullptr || IsNullRect(R)) return;
  const TRect active = OrElse(D->ActiveSkinRect, D->SkinRect), down = OrElse(D->DownSkinRect, active);
  TBitmap P;
  BuildButtonStateImage(&P, picture, *D,
                        ADown && AActive ? down
                        : AActive        ? active
                                         : D->SkinRect,
                        RectWidth(R), RectHeight(R));
  B->Canvas()->Draw(R.Left, R.Top, &P);
}

// The composite look: a nine-part main part and, under the mouse in track
// button mode, a strip of its own.
void TbsSkinMenuSpeedButton::CreateNewStyleImage(TBitmap* B, bool ADown, bool AMouseIn) {
  const TbsDataSkinButtonControl* mainD = Description("resizetoolbutton");
  if (mainD == nullptr) mainD = Description("resizebutton");
  if (mainD == nullptr) return;
  const TRect strip = StripRect(), whole{0, 0, Width(), Height()};
  const bool split = FTrackButtonMode && AMouseIn;
  const TbsDataSkinButtonControl* stripD =
      split ? Description(BottomStrip() ? "htracktoolbutton" : "vtracktoolbutton") : nullptr;
  const TRect mainR = !split || stripD != nullptr ? whole : TextRect(strip);
  if (split && stripD == nullptr) stripD = mainD;
  const bool mainDown = ADown && AMouseIn && !(FMenuOpen && FTrackButtonMode);
  DrawPart(B, mainD, mainR, mainDown, AMouseIn);
  if (split) DrawPart(B, stripD, strip, FMenuOpen, AMouseIn);
  const TColor color = DrawStateFace(B, *mainD, TextRect(strip), mainDown, AMouseIn);
  const bool shift = FTrackButtonMode ? FMenuOpen : ADown && AMouseIn;
  DrawDropArrow(B->Canvas(), strip, shift ? 1 : 0, (ADown && AMouseIn) || FMenuOpen, AMouseIn,
                FMenuOpen ? mainD->DownFontColor : color);
}

void TbsSkinMenuSpeedButton::DrawPlainPart(TCanvas* C, const TRect& R, TColor Fill, TColor Frame) {
  C->Brush()->SetStyle(TBrushStyle::bsSolid);
  C->Brush()->SetColor(Fill);
  C->FillRect(R);
  if (Frame == clNone) return;
  C->Brush()->SetColor(Frame);
  C->FrameRect(R);
}

void TbsSkinMenuSpeedButton::CreateControlDefaultImage(TBitmap* B) {
  TCanvas* C = B->Canvas();
  const TRect strip = StripRect(), text = TextRect(strip), whole{0, 0, Width(), Height()};
  const bool hovered = FPointerInside, pressed = Down() && hovered;
  const bool split = FTrackButtonMode && (!FNewStyle || hovered);
  const TColor restFrame = Flat() ? clNone : clBtnShadow;
  if (split) {
    const TColor mainFill = FMenuOpen || (!pressed && hovered) ? HotFill : pressed ? DownFill : clBtnFace;
    const TColor stripFill = FMenuOpen || pressed ? DownFill : hovered ? HotFill : clBtnFace;
    const TColor frame = FMenuOpen || hovered ? NavyFrame : restFrame;
    DrawPlainPart(C, text, mainFill, frame);
    DrawPlainPart(C, strip, stripFill, frame);
  } else {
    DrawPlainPart(C, whole, pressed ? DownFill : hovered ? HotFill : clBtnFace, hovered ? NavyFrame : restFrame);
  }
  SetSkinControlFont(C->Font(), false, String(), 0, TFontStyles{}, DefaultFont(), FSkinData);
  if (!Enabled()) C->Font()->SetColor(clBtnShadow);
  const bool shifted = pressed && !(split && FMenuOpen);
  DrawFace(C, text, Down(), hovered, hovered || Down(), shifted);
  const bool arrowShift = FNewStyle && FTrackButtonMode ? FMenuOpen : pressed || FMenuOpen;
  TRect arrow = strip;
  if (arrowShift) OffsetRect(arrow, 2, 2);
  DrawComboArrow(C, arrow, clBtnText);
}
