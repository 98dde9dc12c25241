// The frame's geometry for the current size, the placing of its objects,
// and the painting of the skinned and the plain frame.
#include "platform/gui/text.h"
#include "platform/gui/win_paint.h"
#include "skin/engine/data/skindraw.h"
#include "skin/engine/data/skinimage.h"
#include "skin/engine/form/skinform.h"
#include "skin/engine/menus/effectbmp.h"

namespace {

TPoint Moved(const TPoint& P, int32_t DX, int32_t DY) { return TPoint{P.X + DX, P.Y + DY}; }

// Both corners inside A; A's right and bottom edges are outside.
bool PointIn(const TRect& A, int32_t X, int32_t Y) { return X >= A.Left && X < A.Right && Y >= A.Top && Y < A.Bottom; }
bool RectIn(const TRect& A, const TRect& R) { return PointIn(A, R.Left, R.Top) && PointIn(A, R.Right, R.Bottom); }

bool IsTool(const TCustomForm* Form) {
  const TBorderStyle s = Form->BorderStyle();
  return s == TBorderStyle::bsToolWindow || s == TBorderStyle::bsSizeToolWin;
}

TColor ObjectSysColor(TColor C) { return TColor(ColorToRGB(C)); }

}  // namespace

int32_t TbsSkinForm::PlainCaptionHeight() const { return IsTool(FOwnerForm) ? 15 : 19; }
int32_t TbsSkinForm::PlainButtonSize() const { return IsTool(FOwnerForm) ? 13 : 17; }

bool TbsSkinForm::UseInactiveImage() const {
  return FSkinData != nullptr && !FSkinData->Empty && FSkinData->FormInfo.AutoRenderingInActiveImage;
}

// ---- Geometry -------------------------------------------------------------------------------------

void TbsSkinForm::CalcSizedGeometry() {
  if (FFrameWidth == 0) FFrameWidth = FOwnerForm->Width();
  if (FFrameHeight == 0) FFrameHeight = FOwnerForm->Height();
  if (FSkinData == nullptr || FSkinData->Empty) return;
  const TbsSkinFormInfo& fi = FSkinData->FormInfo;
  const int32_t pw = FSkinData->MainPicture->Width();
  const int32_t dx = FFrameWidth - pw, dy = FFrameHeight - FSkinData->MainPicture->Height();
  FSizedLeftTop = fi.LeftTopPoint;
  FSizedRightTop = Moved(fi.RightTopPoint, dx, 0);
  FSizedLeftBottom = Moved(fi.LeftBottomPoint, 0, dy);
  FSizedRightBottom = Moved(fi.RightBottomPoint, dx, dy);
  FSizedClientRect = TRect{fi.ClientRect.Left, fi.ClientRect.Top, fi.ClientRect.Right + dx, fi.ClientRect.Bottom + dy};
  FSizedCaptionRect = fi.CaptionRect;
  if (!IsRectEmpty(FSizedCaptionRect)) FSizedCaptionRect.Right += dx;
  FSizedButtonsRect = fi.ButtonsRect;
  if (!IsRectEmpty(FSizedButtonsRect) && FSizedButtonsRect.Left > pw / 2) OffsetRect(FSizedButtonsRect, dx, 0);
  FButtonsOffset = fi.ButtonsOffset;
  FButtonsInLeft = fi.ButtonsInLeft;
  FSizedHitLeftTop = fi.HitTestLeftTopPoint;
  FSizedHitRightTop = Moved(fi.HitTestRightTopPoint, dx, 0);
  FSizedHitLeftBottom = Moved(fi.HitTestLeftBottomPoint, 0, dy);
  FSizedHitRightBottom = Moved(fi.HitTestRightBottomPoint, dx, dy);
  FSizedMaskArea =
      TRect{fi.MaskRectArea.Left, fi.MaskRectArea.Top, fi.MaskRectArea.Right + dx, fi.MaskRectArea.Bottom + dy};
}

TRect TbsSkinForm::MapSkinRect(const TRect& R) const {
  if (FSkinData == nullptr || FSkinData->Empty) return R;
  const TbsSkinFormInfo& fi = FSkinData->FormInfo;
  const int32_t pw = FSkinData->MainPicture->Width(), ph = FSkinData->MainPicture->Height();
  const TRect lt{0, 0, fi.LeftTopPoint.X, fi.LeftTopPoint.Y};
  const TRect rt{fi.RightTopPoint.X, 0, pw, fi.RightTopPoint.Y};
  const TRect lb{0, fi.LeftBottomPoint.Y, fi.LeftBottomPoint.X, ph};
  const TRect rb{fi.RightBottomPoint.X, fi.RightBottomPoint.Y, pw, ph};
  const int32_t dx = FSizedRightBottom.X - fi.RightBottomPoint.X, dy = FSizedRightBottom.Y - fi.RightBottomPoint.Y;
  TRect r = R;
  if (RectIn(lt, R)) return r;
  if (RectIn(rt, R)) return OffsetRect(r, dx, 0), r;
  if (RectIn(lb, R)) return OffsetRect(r, 0, dy), r;
  if (RectIn(rb, R)) return OffsetRect(r, dx, dy), r;
  auto tl = [&](const TRect& A) { return PointIn(A, R.Left, R.Top); };
  auto br = [&](const TRect& A) { return PointIn(A, R.Right, R.Bottom); };
  if (tl(lt) && br(rb)) {
    r.Right += dx, r.Bottom += dy;
  } else if (tl(lt) && br(rt)) {
    r.Right += dx;
  } else if (tl(lb) && br(rb)) {
    r.Right += dx;
    OffsetRect(r, 0, dy);
  } else if (tl(lt) && br(lb)) {
    r.Bottom += dy;
  } else if (tl(rt) && br(rb)) {
    OffsetRect(r, dx, 0);
    r.Bottom += dy;
  }
  return r;
}

// The first button of each command in this order, then every cmdefault one.
std::vector<TbsActiveSkinObject*> TbsSkinForm::StripButtons() const {
  std::vector<TbsActiveSkinObject*> result;
  auto commandOf = [](TbsActiveSkinObject* o, TbsStdCommand& c) {
    if (auto* b = dynamic_cast<TbsSkinStdButtonObject*>(o)) return c = b->FButtonCommand, true;
    if (auto* a = dynamic_cast<TbsSkinAnimateObject*>(o)) return c = a->FButtonCommand, true;
    return false;
  };
  for (TbsStdCommand want : {TbsStdCommand::cmClose, TbsStdCommand::cmMaximize, TbsStdCommand::cmMinimize,
                             TbsStdCommand::cmRollUp, TbsStdCommand::cmMinimizeToTray, TbsStdCommand::cmDefault})
    for (const auto& o : FObjects) {
      TbsStdCommand c;
      if (!o->FVisible || !o->FInObjectPicture || !commandOf(o.get(), c) || c != want) continue;
      result.push_back(o.get());
      if (want != TbsStdCommand::cmDefault) break;
    }
  return result;
}

TbsActiveSkinObject* TbsSkinForm::FindObject(TbsStdCommand Command, bool OwnPicture) const {
  for (const auto& o : FObjects) {
    if (OwnPicture && (!o->FVisible || !o->FInObjectPicture)) continue;
    if (auto* b = dynamic_cast<TbsSkinStdButtonObject*>(o.get()); b != nullptr && b->FButtonCommand == Command)
      return b;
    if (auto* a = dynamic_cast<TbsSkinAnimateObject*>(o.get()); a != nullptr && a->FButtonCommand == Command) return a;
  }
  return nullptr;
}

TbsActiveSkinObject* TbsSkinForm::CaptionObject() const {
  for (const auto& o : FObjects)
    if (dynamic_cast<TbsSkinCaptionObject*>(o.get()) != nullptr) return o.get();
  return nullptr;
}

TSize TbsSkinForm::ObjectSize(TbsActiveSkinObject* O) {
  auto* b = dynamic_cast<TbsSkinStdButtonObject*>(O);
  if (b != nullptr && b->FButtonCommand == TbsStdCommand::cmSysMenu && FShowIcon) return GetSmallIconSize();
  return TSize{O->FNormalRect.Width(), O->FNormalRect.Height()};
}

void TbsSkinForm::ArrangeObjects() {
  for (auto& o : FObjects)
    if (!o->FInObjectPicture) o->FBounds = MapSkinRect(o->FNormalRect);
  const bool useButtons = !IsRectEmpty(FSizedButtonsRect);
  const TRect strip = useButtons ? FSizedButtonsRect : FSizedCaptionRect;
  if (IsRectEmpty(strip)) return;
  TbsActiveSkinObject* caption = CaptionObject();
  TbsActiveSkinObject* sys = FindObject(TbsStdCommand::cmSysMenu, true);
  int32_t x = FButtonsInLeft ? strip.Left : strip.Right;
  for (TbsActiveSkinObject* o : StripButtons()) {
    const TSize s = ObjectSize(o);
    if (FButtonsInLeft) {
      o->FBounds = TRect{x, strip.Top, x + s.cx, strip.Top + s.cy};
      x += s.cx + FButtonsOffset;
    } else {
      o->FBounds = TRect{x - s.cx, strip.Top, x, strip.Top + s.cy};
      x -= s.cx + FButtonsOffset;
    }
  }
  if (FButtonsInLeft) {
    if (useButtons) return;
    if (sys != nullptr) {
      const TSize s = ObjectSize(sys);
      sys->FBounds = TRect{x, strip.Top, x + s.cx, strip.Top + s.cy};
      x += s.cx + FButtonsOffset;
    }
    if (caption != nullptr) caption->FBounds.Left = x + FButtonsOffset;
    return;
  }
  if (!useButtons && caption != nullptr) caption->FBounds.Right = x + FButtonsOffset;
  if (sys == nullptr) return;
  const TSize s = ObjectSize(sys);
  const int32_t left = FSizedCaptionRect.Left;
  const int32_t top = FSizedCaptionRect.Top + FSizedCaptionRect.Height() / 2 - s.cy / 2;
  sys->FBounds = TRect{left, top, left + s.cx, top + s.cy};
  if (caption != nullptr) caption->FBounds.Left = sys->FBounds.Right;
}

// The client part of the frame in window coordinates, whichever look.
TRect TbsSkinForm::FrameClientRect() const {
  if (FSkinActive) return FSizedClientRect;
  const int32_t ch = PlainCaptionHeight();
  return TRect{3, ch + 3, FFrameWidth - 3, FFrameHeight - 3};
}

// ---- WM_NCCALCSIZE ----------------------------------------------------------------------------------

void TbsSkinForm::WMNCCalcSize(TMessage& Message) {
  if (!FSkinnable) return CallOld(Message);
  TRect* r = Message.WParam != 0 ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(Message.LParam)->rgrc[0]
                                 : reinterpret_cast<TRect*>(Message.LParam);
  Message.Result = 0;
  if (r == nullptr || FOwnerForm->BorderStyle() == TBorderStyle::bsNone || IsMaximizedMDIChild()) return;
  if (FSkinData == nullptr || FSkinData->Empty) {
    r->Left += 3, r->Right -= 3, r->Bottom -= 3;
    r->Top += PlainCaptionHeight() + 3;
  } else {
    FFrameWidth = r->Width();
    FFrameHeight = r->Height();
    CalcSizedGeometry();
    const TRect& cr = FSkinData->FormInfo.ClientRect;
    r->Left += cr.Left;
    r->Top += cr.Top;
    r->Right -= FSkinData->MainPicture->Width() - cr.Right;
    r->Bottom -= FSkinData->MainPicture->Height() - cr.Bottom;
  }
  if (r->Right < r->Left) r->Right = r->Left;
  if (r->Bottom < r->Top) r->Bottom = r->Top;
}

// ---- WM_NCPAINT -----------------------------------------------------------------------------------------

void TbsSkinForm::WMNCPaint(TMessage& Message) {
  if (!FSkinnable || FOwnerForm->BorderStyle() == TBorderStyle::bsNone || IsMaximizedMDIChild())
    return CallOld(Message);
  if (FSkinActive)
    PaintNCSkin(nullptr, false);
  else if (!FSkinChanging && !(FSkinData != nullptr && FSkinData->SkinChanging))
    PaintNCDefault(nullptr, false);
  Message.Result = 0;
}

// The DC to paint into: the given one, or the window's.
HDC TbsSkinForm::FrameDC(HDC DC, bool UseDC) const {
  if (UseDC) return DC;
  return FOwnerForm->HandleAllocated() ? GetWindowDC(FOwnerForm->Handle()) : nullptr;
}

void TbsSkinForm::PaintNCSkin(HDC DC, bool UseDC) {
  if (FSkinData == nullptr || FSkinData->Empty) return;
  if (FFrameWidth == 0) FFrameWidth = FOwnerForm->Width();
  if (FFrameHeight == 0) FFrameHeight = FOwnerForm->Height();
  if (FFrameWidth < GetMinWidth() || FFrameHeight < GetMinHeight()) return;
  CalcSizedGeometry();
  ArrangeObjects();
  const TbsSkinFormInfo& fi = FSkinData->FormInfo;
  TBitmap* source = !IsFormActive() && !FSkinData->InactivePicture->Empty() ? FSkinData->InactivePicture.get()
                                                                            : FSkinData->MainPicture.get();
  TBitmap top, left, right, bottom;
  const TRect full{0, 0, source->Width(), source->Height()};
  BuildSkinBorderImages(fi.LeftTopPoint, fi.RightTopPoint, fi.LeftBottomPoint, fi.RightBottomPoint, fi.ClientRect,
                        FSizedLeftTop, FSizedRightTop, FSizedLeftBottom, FSizedRightBottom, FSizedClientRect, &left,
                        &top, &right, &bottom, source, full, FFrameWidth, FFrameHeight, fi.LeftStretch, fi.TopStretch,
                        fi.RightStretch, fi.BottomStretch);
  DrawObjectsInto(&top, &bottom);
  HDC dc = FrameDC(DC, UseDC);
  if (dc == nullptr) return;
  const int32_t saved = SaveDC(dc);
  if (!IsRectEmpty(FSizedClientRect))
    ExcludeClipRect(dc, FSizedClientRect.Left, FSizedClientRect.Top, FSizedClientRect.Right, FSizedClientRect.Bottom);
  const bool effect = !IsFormActive() && UseInactiveImage();
  const int32_t th = top.Height();
  DrawStrip(dc, &top, 0, 0, effect);
  DrawStrip(dc, &left, 0, th, effect);
  DrawStrip(dc, &right, FFrameWidth - right.Width(), th, effect);
  DrawStrip(dc, &bottom, 0, FFrameHeight - bottom.Height(), effect);
  RestoreDC(dc, saved);
  if (!UseDC) ReleaseDC(FOwnerForm->Handle(), dc);
}

// Objects above the client part go into the top strip, the others into
// the bottom one (whose origin is the client part's bottom).
void TbsSkinForm::DrawObjectsInto(TBitmap* Top, TBitmap* Bottom) {
  for (auto& o : FObjects) {
    if (!o->FVisible) continue;
    if (o->FBounds.Bottom <= FSizedClientRect.Top) {
      if (!Top->Empty()) o->Draw(Top->Canvas(), false);
      continue;
    }
    if (Bottom->Empty()) continue;
    const TRect saved = o->FBounds;
    OffsetRect(o->FBounds, 0, -FSizedClientRect.Bottom);
    o->Draw(Bottom->Canvas(), false);
    o->FBounds = saved;
  }
}

void TbsSkinForm::DrawStrip(HDC DC, TBitmap* Strip, int32_t X, int32_t Y, bool InactiveEffect) {
  if (Strip->Empty()) return;
  if (!InactiveEffect) {
    BitBlt(DC, X, Y, Strip->Width(), Strip->Height(), Strip->Canvas()->Handle(), 0, 0, SRCCOPY);
    return;
  }
  auto e = TbsEffectBmp::CreateFromHandle(Strip->Handle());
  ApplyInactiveEffect(e.get(), FSkinData->FormInfo.InActiveEffect);
  e->Draw(DC, X, Y);
}

// ---- The plain look ---------------------------------------------------------------------------------

void TbsSkinForm::LayoutDefaultButtons() {
  if (FObjects.empty()) return;
  int32_t x = FFrameWidth - 3;
  const int32_t size = PlainButtonSize();
  FPlainCaptionRect = TRect{3, 3, x, PlainCaptionHeight()};
  for (TbsStdCommand c : {TbsStdCommand::cmClose, TbsStdCommand::cmMaximize, TbsStdCommand::cmMinimize,
                          TbsStdCommand::cmRollUp, TbsStdCommand::cmMinimizeToTray})
    for (auto& o : FObjects) {
      auto* b = dynamic_cast<TbsSkinStdButtonObject*>(o.get());
      if (b == nullptr || b->FButtonCommand != c || !b->FVisible) continue;
      b->FBounds = TRect{x - size, 4, x, 4 + size};
      x -= size;
      break;
    }
  FPlainCaptionRect.Right = x;
  if (TbsActiveSkinObject* sys = FindObject(TbsStdCommand::cmSysMenu, false)) {
    const TSize s = FShowIcon ? GetSmallIconSize() : TSize{size, size};
    sys->FBounds = TRect{3, 4, 3 + s.cx, 4 + s.cy};
    if (sys->FVisible) FPlainCaptionRect.Left = sys->FBounds.Right;
  }
}

String TbsSkinForm::PlainCaptionText() const {
  String text = FOwnerForm->Caption();
  if (!IsMDIFrame() || !FChildMaximized) return text;
  if (TCustomForm* child = FOwnerForm->ActiveMDIChild()) text += " - [" + child->Caption() + "]";
  return text;
}

void TbsSkinForm::PaintNCDefault(HDC DC, bool UseDC) {
  if (FFrameWidth == 0) FFrameWidth = FOwnerForm->Width();
  if (FFrameHeight == 0) FFrameHeight = FOwnerForm->Height();
  if (FObjects.empty()) CreateDefaultButtons();
  LayoutDefaultButtons();
  const int32_t ch = PlainCaptionHeight(), w = FFrameWidth - 6;
  if (w <= 0 || ch <= 0) return;
  TBitmap caption;
  caption.SetSize(w, ch);
  TCanvas* c = caption.Canvas();
  c->Brush()->SetColor(clBtnFace);
  c->FillRect(TRect{0, 0, w, ch});
  const int32_t l = FPlainCaptionRect.Left - 3, r = FPlainCaptionRect.Right;
  for (int32_t y = 2, i = 0; ch - 4 > 1 && y <= ch - 4; ++y, ++i) {
    c->Pen()->SetColor(i % 2 == 0 ? clBtnHighlight : clBtnShadow);
    c->MoveTo(l + 2, y);
    c->LineTo(r - 6, y);
  }
  PaintPlainCaptionText(c, l, r, ch);
  for (auto& o : FObjects) {
    if (!o->FVisible) continue;
    const TRect saved = o->FBounds;
    OffsetRect(o->FBounds, -3, -3);
    o->Draw(c, true);
    o->FBounds = saved;
  }
  HDC dc = FrameDC(DC, UseDC);
  if (dc == nullptr) return;
  const int32_t saved = SaveDC(dc);
  ExcludeClipRect(dc, 3, ch + 3, FFrameWidth - 3, FFrameHeight - 3);
  BitBlt(dc, 3, 3, w, ch, c->Handle(), 0, 0, SRCCOPY);
  PaintPlainBorders(dc);
  RestoreDC(dc, saved);
  if (!UseDC) ReleaseDC(FOwnerForm->Handle(), dc);
}

void TbsSkinForm::PaintPlainCaptionText(TCanvas* C, int32_t L, int32_t R, int32_t CH) {
  const bool active = IsFormActive();
  C->Font()->Assign(active ? FDefCaptionFont.get() : FDefInActiveCaptionFont.get());
  if (FSkinData != nullptr && FSkinData->ResourceStrData() != nullptr)
    C->Font()->SetCharset(TFontCharset(FSkinData->ResourceStrData()->CharSet()));
  if (OnCaptionPaint) return OnCaptionPaint(this, C, TRect{L, 0, R - 3, CH}, active);
  String text = PlainCaptionText();
  if (text.empty()) return;
  TrimTextToWidth(C, text, R - L);
  const TSize ext = C->TextExtent(text);
  const int32_t x = L + (R - L) / 2 - (ext.cx + 5) / 2, y = CH / 2 - ext.cy / 2;
  TRect tr{x, y, x + ext.cx + 5, y + ext.cy};
  C->Brush()->SetColor(clBtnFace);
  C->FillRect(TRect{tr.Left - 2, tr.Top - 2, tr.Right + 2, tr.Bottom + 2});
  C->Brush()->SetStyle(TBrushStyle::bsClear);
  DrawText(C->Handle(), text, &tr, DT_VCENTER | DT_SINGLELINE);
  C->Brush()->SetStyle(TBrushStyle::bsSolid);
}

// Three nested one-pixel frames: 3D light and dark shadow, highlight and
// shadow, then button face.
void TbsSkinForm::PaintPlainBorders(HDC DC) {
  TCanvas c;
  c.SetHandle(DC);
  TRect r{0, 0, FFrameWidth, FFrameHeight};
  DrawFrame3D(&c, r, ObjectSysColor(cl3DLight), ObjectSysColor(cl3DDkShadow));
  InflateRect(r, -1, -1);
  DrawFrame3D(&c, r, ObjectSysColor(clBtnHighlight), ObjectSysColor(clBtnShadow));
  InflateRect(r, -1, -1);
  DrawFrame3D(&c, r, ObjectSysColor(clBtnFace), ObjectSysColor(clBtnFace));
  c.SetHandle(nullptr);
}
