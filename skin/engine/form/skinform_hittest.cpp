// Where the mouse can move and size a skinned frame: the hit test over the
// skin's borders, mask and objects (or the plain look's edges), the caption
// double click, and the frame's share of the system move and size loop with
// the magnetic snapping to the work area.
#include <cstdlib>

#include "platform/gui/gdi.h"
#include "skin/engine/form/skinform.h"

namespace {

// A point on the right or bottom edge of R is not inside.
bool Inside(const TRect& R, int32_t X, int32_t Y) { return X >= R.Left && X < R.Right && Y >= R.Top && Y < R.Bottom; }

bool BlackAt(TBitmap* B, int32_t X, int32_t Y) {
  if (B == nullptr || X < 0 || Y < 0 || X >= B->Width() || Y >= B->Height()) return false;
  return B->Canvas()->Pixels(X, Y) == clBlack;
}

// One axis of the magnet: Pos is the form's edge coordinate, Edge the
// area's, Cursor and Mark the cursor now and where the snap began.
int32_t SnapAxis(int32_t Pos, int32_t Edge, int32_t M, int32_t Cursor, int32_t& Mark, bool& Snapped, int32_t Offset) {
  const bool near = Edge - M < Pos + Offset && Pos + Offset < Edge + M;
  int32_t result = Pos;
  if (near && !Snapped) {
    result = Edge - Offset;
    Mark = Cursor;
  } else if (Snapped) {
    result = std::abs(Cursor - Mark) > M ? Cursor + Edge - Offset - Mark : Edge - Offset;
  }
  Snapped = near;
  return result;
}

}  // namespace

bool TbsSkinForm::IsSizeable() const {
  const TBorderStyle s = FOwnerForm->BorderStyle();
  return s == TBorderStyle::bsSizeable || s == TBorderStyle::bsSizeToolWin;
}

bool TbsSkinForm::OverCaptionObject(const TPoint& P) const {
  return dynamic_cast<TbsSkinCaptionObject*>(Objects(ObjectAt(P))) != nullptr;
}

bool TbsSkinForm::PointInMask(const TPoint& P) const {
  const TRect& a = FSizedMaskArea;
  if (Inside(a, P.X, P.Y)) return true;
  if (P.Y <= a.Top) return BlackAt(FMaskTop.get(), P.X, P.Y);
  if (P.Y >= a.Bottom) return BlackAt(FMaskBottom.get(), P.X, P.Y - a.Bottom);
  if (P.X > a.Left) return BlackAt(FMaskRight.get(), P.X - a.Right, P.Y - a.Top);
  return BlackAt(FMaskLeft.get(), P.X, P.Y - a.Top);
}

bool TbsSkinForm::OnSkinBorder(const TPoint& P) const {
  const int32_t b = FSkinData->FormInfo.BorderWidth, w = FOwnerForm->Width(), h = FOwnerForm->Height();
  const TPoint probes[] = {{P.X - b, P.Y}, {P.X, P.Y - b}, {P.X + b, P.Y}, {P.X, P.Y + b}};
  const bool masked = !FSkinData->MaskPicture->Empty();
  if (masked && Inside(FSizedMaskArea, P.X, P.Y)) return false;
  for (const TPoint& q : probes)
    if (masked ? !PointInMask(q) : !Inside(TRect{0, 0, w, h}, q.X, q.Y)) return true;
  return false;
}

LRESULT TbsSkinForm::SkinBorderCode(const TPoint& P) const {
  const int32_t x = P.X, y = P.Y, w = FOwnerForm->Width(), h = FOwnerForm->Height();
  const TPoint &lt = FSizedHitLeftTop, &rt = FSizedHitRightTop, &lb = FSizedHitLeftBottom, &rb = FSizedHitRightBottom;
  const TRect& c = FSizedClientRect;
  if (x <= lt.X && y <= lt.Y) return HTTOPLEFT;
  if (x >= rt.X && y <= rt.Y) return HTTOPRIGHT;
  if (x <= lb.X && y >= lb.Y) return HTBOTTOMLEFT;
  if (x >= rb.X && y >= rb.Y) return HTBOTTOMRIGHT;
  if (Inside(TRect{lt.X, 0, rt.X, c.Top}, x, y)) return HTTOP;
  if (Inside(TRect{lb.X, c.Bottom, rb.X, h}, x, y)) return HTBOTTOM;
  if (Inside(TRect{0, lt.Y, c.Left, lb.Y}, x, y)) return HTLEFT;
  if (Inside(TRect{c.Right, rt.Y, w, rb.Y}, x, y)) return HTRIGHT;
  return HTNOWHERE;
}

LRESULT TbsSkinForm::HitTestSkin(const TPoint& P) const {
  if (FRolledUp || FWindowState == 1) return OverCaptionObject(P) ? HTCAPTION : HTOBJECT;
  if (FActiveObject != -1 && !OverCaptionObject(P) && !Inside(FSizedClientRect, P.X, P.Y) && !FInSizeMove)
    return HTOBJECT;
  if (IsSizeable() && FWindowState != 2 && OnSkinBorder(P)) {
    const LRESULT code = SkinBorderCode(P);
    if (code != HTNOWHERE) return code;
  }
  if (Inside(FSizedClientRect, P.X, P.Y)) return HTCLIENT;
  return OverCaptionObject(P) ? HTCAPTION : HTOBJECT;
}

LRESULT TbsSkinForm::HitTestPlain(const TPoint& P) const {
  const int32_t x = P.X, y = P.Y, w = FOwnerForm->Width(), h = FOwnerForm->Height();
  if (FWindowState == 0 && !FRolledUp && IsSizeable()) {
    if (FActiveObject != -1) return HTOBJECT;
    const bool l = x <= 2, t = y <= 2, r = x >= w - 2, b = y >= h - 2;
    if (l && t) return HTTOPLEFT;
    if (r && t) return HTTOPRIGHT;
    if (l && b) return HTBOTTOMLEFT;
    if (r && b) return HTBOTTOMRIGHT;
    if (l) return HTLEFT;
    if (t) return HTTOP;
    if (r) return HTRIGHT;
    if (b) return HTBOTTOM;
  }
  if (Inside(FPlainCaptionRect, x, y)) return HTCAPTION;
  return Inside(TRect{3, PlainCaptionHeight() + 3, w - 3, h - 3}, x, y) ? HTCLIENT : HTOBJECT;
}

// The old procedure is not asked: the frame is the component's.
void TbsSkinForm::WMNCHitTest(TMessage& Message) {
  if (!FSkinnable || FOwnerForm->BorderStyle() == TBorderStyle::bsNone || IsMaximizedMDIChild())
    return CallOld(Message);
  const TPoint p = ScreenToWindow(Message.LParam);
  if (!FSkinActive) LayoutDefaultButtons();
  Message.Result = FSkinActive ? HitTestSkin(p) : HitTestPlain(p);
  if (Message.Result == HTOBJECT && !FMouseTimer->Enabled()) {
    UpdateHotObject(p.X, p.Y, true);
    FMouseTimer->SetEnabled(true);
  }
}

// A double click on the caption: restore a minimised form, maximise or
// restore a sizeable one, else roll it up or down.
void TbsSkinForm::CaptionDoubleClick() {
  const bool sizeable = IsSizeable();
  if (sizeable && FWindowState == 1)
    SetWindowState(0);
  else if (sizeable && FWindowState == 0 && !FRolledUp && FBorderIcons.Contains(TbsBorderIcon::biMaximize))
    SetWindowState(2);
  else if (sizeable && FWindowState == 2 && !FMaxRolledUp)
    SetWindowState(0);
  else
    SetRollUpState(!FRolledUp);
}

// The frame is recomposed for the proposed size before the window takes it.
void TbsSkinForm::WMSizing(TMessage& Message) {
  if (!FSkinnable || !FInSizeMove || !FFullDrag) return CallOld(Message);
  FMagnetLeft = FMagnetTop = FMagnetRight = FMagnetBottom = false;
  CallOld(Message);
  const TRect* r = reinterpret_cast<const TRect*>(Message.LParam);
  if (r == nullptr) return;
  const int32_t oldW = FOwnerForm->Width(), oldH = FOwnerForm->Height();
  FFrameWidth = r->Width();
  FFrameHeight = r->Height();
  if (FSkinData == nullptr || oldW < GetMinWidth() || oldH < GetMinHeight()) return;
  if (FFrameWidth == oldW && FFrameHeight == oldH) return;
  UpdateSkinFrame(true);
  if (FSkinActive) PaintNCSkin(nullptr, false);
}

// A maximised form stays where it is; a magnetic one snaps to the area.
void TbsSkinForm::WMMoving(TMessage& Message) {
  auto* r = reinterpret_cast<TRect*>(Message.LParam);
  if (FSkinnable && r != nullptr) {
    if (FWindowState == 2 && !IsMDIChild()) {
      *r = FOwnerForm->BoundsRect();
    } else if (Magnetic) {
      int32_t x = r->Left, y = r->Top;
      const int32_t w = r->Width(), h = r->Height();
      Snap(x, y, h, w);
      *r = TRect{x, y, x + w, y + h};
    }
  }
  CallOld(Message);
}

TRect TbsSkinForm::MagnetArea() const {
  TCustomForm* main = Application != nullptr ? Application->MainForm() : nullptr;
  if (IsMDIChild() && main != nullptr && main->ClientHandle() != nullptr) {
    TRect r{};
    GetWindowRect(main->ClientHandle(), &r);
    return r;
  }
  return FOwnerForm->Monitor()->WorkareaRect();
}

void TbsSkinForm::Snap(int32_t& X, int32_t& Y, int32_t H, int32_t W) {
  const TRect a = MagnetArea();
  const int32_t m = MagneticSize;
  TPoint c;
  GetCursorPos(&c);
  X = SnapAxis(X, a.Left, m, c.X, FMagnetMouseX, FMagnetLeft, 0);
  Y = SnapAxis(Y, a.Top, m, c.Y, FMagnetMouseY, FMagnetTop, 0);
  X = SnapAxis(X, a.Right, m, c.X, FMagnetMouseX, FMagnetRight, W);
  Y = SnapAxis(Y, a.Bottom, m, c.Y, FMagnetMouseY, FMagnetBottom, H);
}
