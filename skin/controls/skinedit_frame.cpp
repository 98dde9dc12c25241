// TbsSkinCustomEdit: description, frame geometry, frame and text-area
// painting, the edit button and the hot colours.
#include <algorithm>

#include "platform/gui/gdi.h"
#include "platform/gui/text.h"
#include "platform/gui/win_paint.h"
#include "platform/gui/windows.h"
#include "platform/rtl/arith.h"
#include "platform/vcl/drawframe.h"
#include "platform/vcl/messages.h"
#include "skin/controls/arrowbuttons.h"
#include "skin/controls/base/skinctrls.h"
#include "skin/controls/skinedit.h"
#include "skin/engine/data/skindraw.h"
#include "skin/engine/data/skinimage.h"
#include "skin/engine/data/skinmessages.h"

namespace {

// Hit codes of the edit's non-client parts (the window system's horizontal
// and vertical scroll bar codes, which it has no bars for).
constexpr LRESULT kHitButton = 6;
constexpr LRESULT kHitFrame = 7;

TRect MoveRight(const TRect& R, int32_t DX) { return TRect{R.Left + DX, R.Top, R.Right + DX, R.Bottom}; }

// Draws B onto DC at (0, 0).
void DrawBitmapTo(HDC DC, TBitmap* B) {
  TCanvas C;
  C.SetHandle(DC);
  C.Draw(0, 0, B);
  C.SetHandle(nullptr);
}

}  // namespace

TbsSkinCustomEdit::TbsSkinCustomEdit(TComponent* AOwner)
    : TbsCustomEdit(AOwner), FDefaultFont(CreateSkinDefaultFont()) {
  Font()->Assign(FDefaultFont.get());
  SetAutoSize(false);
  SetBorderStyle(TBorderStyle::bsNone);
  FTransparentText = true;
  SetBounds(Left(), Top(), Width(), 20);
  FDefaultFont->OnChange = [this](TObject*) { DefaultFontChanged(); };
}

TbsSkinCustomEdit::~TbsSkinCustomEdit() { FDefaultFont->OnChange = nullptr; }

void TbsSkinCustomEdit::Notification(TComponent* AComponent, TOperation Operation) {
  TbsCustomEdit::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FSkinData) FSkinData = nullptr;
}

void TbsSkinCustomEdit::Loaded() {
  TbsCustomEdit::Loaded();
  if (FSkinData != nullptr && FSkinData->ResourceStrData() != nullptr)
    Font()->SetCharset(FSkinData->ResourceStrData()->CharSet());
}

void TbsSkinCustomEdit::CreateParams(TCreateParams& Params) {
  TbsCustomEdit::CreateParams(Params);
  Params.ExStyle &= ~WS_EX_TRANSPARENT;
  Params.Style &= ~WS_BORDER;
  if (FAlignment == TAlignment::taRightJustify)
    Params.Style |= ES_RIGHT;
  else if (FAlignment == TAlignment::taCenter)
    Params.Style |= ES_CENTER;
}

void TbsSkinCustomEdit::Invalidate() {
  if (Parent() != nullptr && HandleAllocated()) RedrawWindow(Handle(), nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE);
}

// ---- Properties ---------------------------------------------------------------------------

void TbsSkinCustomEdit::SetSkinData(TbsSkinData* Value) {
  ReplaceSkinDataReference(this, FSkinData, Value);
  if (SkinDataReady(Value) && !ComponentState().Contains(TComponentStateItem::csDesigning)) ChangeSkinData();
}

void TbsSkinCustomEdit::SetDefaultColor(TColor Value) {
  FDefaultColor = Value;
  Invalidate();
}

void TbsSkinCustomEdit::SetUseSkinFont(bool Value) {
  FUseSkinFont = Value;
  if (FSkinData != nullptr) ChangeSkinData();
}

void TbsSkinCustomEdit::SetAlignment(TAlignment Value) {
  if (FAlignment == Value) return;
  FAlignment = Value;
  RecreateWnd();
}

void TbsSkinCustomEdit::SetShowEditButton(bool Value) {
  FShowEditButton = Value;
  if (!HandleAllocated()) return;
  SetWindowPos(Handle(), nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
  RepaintFrame();
}

void TbsSkinCustomEdit::DefaultFontChanged() {
  if (FIndex != -1) return;
  Font()->Assign(FDefaultFont.get());
}

// ---- Description and geometry --------------------------------------------------------------

void TbsSkinCustomEdit::GetSkinData() {
  FIndex = SkinDescriptionIndex(FSkinData, FSkinDataName);
  auto* D = FIndex == -1 ? nullptr
                         : dynamic_cast<TbsDataSkinEditControl*>(FSkinData->ControlDescriptions[size_t(FIndex)].get());
  if (D == nullptr) {
    FIndex = -1;
    FEditPicture = nullptr;
    return;
  }
  FEditPicture = SkinActivePicture(FSkinData, D->PictureIndex);
  FSkinRect = D->SkinRect;
  FSkinClientRect = D->ClientRect;
  FActiveSkinRect = IsNullRect(D->ActiveSkinRect) ? D->SkinRect : D->ActiveSkinRect;
  FLeftCapWidth = D->LeftTopPoint.X;
  FRightCapWidth = RectWidth(D->SkinRect) - D->RightTopPoint.X;
  FSkinFontName = D->FontName;
  FSkinFontStyle = D->FontStyle;
  FSkinFontHeight = D->FontHeight;
  FSkinFontColor = D->FontColor;
  FSkinDisabledFontColor = D->DisabledFontColor;
  FSkinActiveFontColor = D->ActiveFontColor;
  FButtonRect = D->ButtonRect;
  FActiveButtonRect = D->ActiveButtonRect;
  FDownButtonRect = IsNullRect(D->DownButtonRect) ? D->ActiveButtonRect : D->DownButtonRect;
  FUnEnabledButtonRect = D->UnEnabledButtonRect;
  FStretchEffect = D->StretchEffect;
}

void TbsSkinCustomEdit::CalcRects() {
  const int32_t W = Width(), H = Height();
  if (FIndex == -1) {
    FEditButtonRect = FShowEditButton ? TRect{W - H, 0, W, H} : TRect{W, 0, W, H};
    FTextRect = TRect{2, 2, FEditButtonRect.Left - 2, H - 2};
    return;
  }
  const int32_t SW = RectWidth(FSkinRect), SH = RectHeight(FSkinRect);
  FTextRect = FSkinClientRect;
  FTextRect.Right += W - SW;
  FEditButtonRect = FButtonRect;
  if (FEditButtonRect.Left >= SW - FRightCapWidth) FEditButtonRect = MoveRight(FEditButtonRect, W - SW);
  if (!FUseSkinFont) {
    FTextRect.Bottom += H - SH;
    FEditButtonRect.Bottom += H - SH;
  }
}

int32_t TbsSkinCustomEdit::CalcHeight() {
  if (FIndex != -1 && FUseSkinFont) return RectHeight(FSkinRect);
  const int32_t text = StdFontHeight(Font()->Handle());
  if (FIndex == -1) return text + 4;
  return text + RectHeight(FSkinRect) - RectHeight(FSkinClientRect);
}

void TbsSkinCustomEdit::SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) {
  if (AWidth != Width() || AHeight != Height()) {
    GetSkinData();
    if ((FIndex != -1 && FUseSkinFont) || !FUseSkinFont) AHeight = CalcHeight();
  }
  if (Align() != TAlign::alNone) CentreOnToolBar(this, ATop, AHeight);
  TbsCustomEdit::SetBounds(ALeft, ATop, AWidth, AHeight);
  CalcRects();
  Invalidate();
  RepaintFrame();
}

void TbsSkinCustomEdit::ChangeSkinData() {
  GetSkinData();
  if (FIndex == -1) {
    Font()->Assign(FDefaultFont.get());
    if (FDefaultWidth > 0) SetWidth(FDefaultWidth);
    if (FDefaultHeight > 0) SetHeight(FDefaultHeight);
  } else if (FUseSkinFont) {
    Font()->SetName(FSkinFontName);
    Font()->SetStyle(FSkinFontStyle);
    SetHeight(RectHeight(FSkinRect));
    Font()->SetHeight(FSkinFontHeight);
  } else {
    Font()->Assign(FDefaultFont.get());
  }
  if (FSkinData != nullptr && FSkinData->ResourceStrData() != nullptr)
    Font()->SetCharset(FSkinData->ResourceStrData()->CharSet());
  else
    Font()->SetCharset(FDefaultFont->Charset());
  RecreateWnd();
  if (FIndex == -1)
    Font()->SetColor(FDefaultFont->Color());
  else
    ApplyFontColor(HandleAllocated() && Focused());
  if (!FUseSkinFont) SetHeight(CalcHeight());
  CalcRects();
  RepaintFrame();
}

void TbsSkinCustomEdit::ApplyFontColor(bool Active) {
  Font()->SetColor(Active ? FSkinActiveFontColor : FSkinFontColor);
}

void TbsSkinCustomEdit::RepaintFrame() {
  if (HandleAllocated()) SendMessage(Handle(), WM_NCPAINT, 0, 0);
}

// ---- Messages --------------------------------------------------------------------------------

void TbsSkinCustomEdit::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_SIZE:
      TbsCustomEdit::Dispatch(Message);
      CalcRects();
      RepaintFrame();
      break;
    case WM_PAINT: WMPaint(Message); break;
    case WM_ERASEBKGND: WMEraseBkgnd(Message); break;
    case WM_NCCALCSIZE: WMNCCalcSize(Message); break;
    case WM_NCPAINT: WMNCPaint(Message); break;
    case WM_SKIN_PAINTFRAME: WMSkinPaintFrame(Message); break;
    case WM_NCHITTEST: WMNCHitTest(Message); break;
    case WM_NCMOUSEMOVE: WMNCMouseMove(Message); break;
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK: WMNCLButtonDown(Message); break;
    case WM_NCLBUTTONUP: WMNCLButtonUp(Message); break;
    case WM_MOUSEMOVE:
      if (FEditButtonHot) {
        FEditButtonHot = false;
        RepaintFrame();
      }
      TbsCustomEdit::Dispatch(Message);
      break;
    case WM_SETFOCUS: WMFocus(Message, true); break;
    case WM_KILLFOCUS: WMFocus(Message, false); break;
    case CM_MOUSEENTER: CMMouse(Message, true); break;
    case CM_MOUSELEAVE: CMMouse(Message, false); break;
    case CM_ENABLEDCHANGED:
      TbsCustomEdit::Dispatch(Message);
      Invalidate();
      break;
    case CM_FONTCHANGED: CMFontChanged(Message); break;
    default: TbsCustomEdit::Dispatch(Message); break;
  }
}

void TbsSkinCustomEdit::WMNCCalcSize(TMessage& Message) {
  auto* params = reinterpret_cast<NCCALCSIZE_PARAMS*>(Message.LParam);
  TRect* r = Message.WParam != 0 ? &params->rgrc[0] : reinterpret_cast<TRect*>(Message.LParam);
  GetSkinData();
  if (FIndex == -1) {
    const int32_t button = FShowEditButton ? r->Height() : 0;
    *r = TRect{r->Left + 2, r->Top + 2, r->Right - 2 - button, r->Bottom - 2};
  } else {
    const int32_t SW = RectWidth(FSkinRect), SH = RectHeight(FSkinRect);
    *r = TRect{r->Left + FSkinClientRect.Left, r->Top + FSkinClientRect.Top, r->Right - (SW - FSkinClientRect.Right),
               r->Bottom - (SH - FSkinClientRect.Bottom)};
  }
  if (r->Right < r->Left) r->Right = r->Left;
  if (r->Bottom < r->Top) r->Bottom = r->Top;
  Message.Result = 0;
}

void TbsSkinCustomEdit::WMNCPaint(TMessage& Message) {
  HDC dc = GetWindowDC(Handle());
  PaintFrame(dc);
  ReleaseDC(Handle(), dc);
  Message.Result = 0;
}

void TbsSkinCustomEdit::WMSkinPaintFrame(TMessage& Message) {
  if (Message.LParam != bsSkinPaintAnswer) return TbsCustomEdit::Dispatch(Message);
  PaintFrame(reinterpret_cast<HDC>(Message.WParam));
  Message.Result = bsSkinPaintAnswer;
}

bool TbsSkinCustomEdit::ButtonActive() const {
  return FShowEditButton && !ComponentState().Contains(TComponentStateItem::csDesigning);
}

void TbsSkinCustomEdit::WMNCHitTest(TMessage& Message) {
  if (!ButtonActive()) return TbsCustomEdit::Dispatch(Message);
  TPoint P = ScreenToClient(LParamToPoint(Message.LParam));
  const TPoint shift = FIndex == -1 ? TPoint{2, 2} : TPoint{FSkinClientRect.Left, FSkinClientRect.Top};
  P = TPoint{P.X + shift.X, P.Y + shift.Y};
  if (PtInRect(FEditButtonRect, P))
    Message.Result = kHitButton;
  else if (!PtInRect(FTextRect, P))
    Message.Result = kHitFrame;
  else
    TbsCustomEdit::Dispatch(Message);
}

void TbsSkinCustomEdit::WMNCMouseMove(TMessage& Message) {
  if (ButtonActive() && Message.WParam == WPARAM(kHitButton)) {
    if (!FEditButtonHot) {
      FEditButtonHot = true;
      RepaintFrame();
      Invalidate();
    }
    Message.Result = 0;
    return;
  }
  if (FEditButtonHot) {
    FEditButtonHot = false;
    RepaintFrame();
  }
  DefWndProc(Message);
}

void TbsSkinCustomEdit::WMNCLButtonDown(TMessage& Message) {
  if (!ButtonActive() || Message.WParam != WPARAM(kHitButton)) return TbsCustomEdit::Dispatch(Message);
  FEditButtonDown = true;
  RepaintFrame();
  Message.Result = 0;
}

void TbsSkinCustomEdit::WMNCLButtonUp(TMessage& Message) {
  if (!ButtonActive() || Message.WParam != WPARAM(kHitButton)) return TbsCustomEdit::Dispatch(Message);
  FEditButtonDown = false;
  RepaintFrame();
  if (!Focused() && CanFocus()) SetFocus();
  if (OnEditButtonClick) OnEditButtonClick(this);
  Message.Result = 0;
}

void TbsSkinCustomEdit::WMFocus(TMessage& Message, bool Gained) {
  TbsCustomEdit::Dispatch(Message);
  if (FIndex == -1) return;
  if (!FMouseInside) ApplyFontColor(Gained);
  RepaintFrame();
  Invalidate();
}

void TbsSkinCustomEdit::CMMouse(TMessage& Message, bool Entered) {
  TbsCustomEdit::Dispatch(Message);
  FMouseInside = Entered;
  if (!Entered && (FEditButtonDown || FEditButtonHot)) {
    FEditButtonDown = FEditButtonHot = false;
    RepaintFrame();
  }
  if (FIndex != -1 && !Focused()) {
    ApplyFontColor(Entered);
    RepaintFrame();
    Invalidate();
  }
  const TNotifyEvent& event = Entered ? OnMouseEnter : OnMouseLeave;
  if (event) event(this);
}

void TbsSkinCustomEdit::CMFontChanged(TMessage& Message) {
  TbsCustomEdit::Dispatch(Message);
  if (FUseSkinFont) return;
  if (ComponentState().Contains(TComponentStateItem::csDesigning) &&
      ComponentState().Contains(TComponentStateItem::csLoading))
    return;
  GetSkinData();
  SetHeight(CalcHeight());
  if (FIndex == -1) RecreateWnd();
}

// ---- Painting --------------------------------------------------------------------------------

void TbsSkinCustomEdit::PaintFrame(HDC DC) {
  GetSkinData();
  CalcRects();
  TBitmap B;
  B.SetPixelFormat(TPixelFormat::pf24bit);
  B.SetSize(Width(), Height());
  PaintFrameImage(&B);
  const int32_t saved = SaveDC(DC);
  ExcludeClipRect(DC, FTextRect.Left, FTextRect.Top, FTextRect.Right, FTextRect.Bottom);
  DrawBitmapTo(DC, &B);
  RestoreDC(DC, saved);
}

void TbsSkinCustomEdit::PaintFrameImage(TBitmap* B) {
  if (FIndex == -1 || FEditPicture == nullptr) return PaintPlainFrame(B);
  const bool active = FMouseInside || (HandleAllocated() && Focused());
  const TRect& src = active ? FActiveSkinRect : FSkinRect;
  if (FUseSkinFont) {
    BuildHSkinImage(FLeftCapWidth, FRightCapWidth, B, FEditPicture, src, Width(), Height(), FStretchEffect);
    if (FShowEditButton) PaintSkinButton(B->Canvas());
    return;
  }
  BuildStretchedSkinImage(B, FEditPicture, src, FSkinClientRect, false);
  if (FShowEditButton) PaintStretchedButton(B->Canvas());
}

void TbsSkinCustomEdit::PaintPlainFrame(TBitmap* B) {
  TCanvas* C = B->Canvas();
  const int32_t W = Width(), H = Height();
  const TRect R{0, 0, W - (FShowEditButton ? RectWidth(FEditButtonRect) : 0), H};
  C->Brush()->SetColor(clBtnShadow);
  C->FrameRect(R);
  C->Brush()->SetColor(clBtnFace);
  C->FrameRect(TRect{R.Left + 1, R.Top + 1, R.Right - 1, R.Bottom - 1});
  C->Brush()->SetColor(FDefaultColor);
  C->FillRect(TRect{R.Left + 2, R.Top + 2, R.Right - 2, R.Bottom - 2});
  if (FShowEditButton) DrawPlainPartFrame(C, FEditButtonRect, FEditButtonDown && FEditButtonHot, FEditButtonHot);
}

void TbsSkinCustomEdit::PaintSkinButton(TCanvas* C) {
  TRect src;
  if (!Enabled() && !IsNullRect(FUnEnabledButtonRect))
    src = FUnEnabledButtonRect;
  else if (FEditButtonDown && FEditButtonHot)
    src = FDownButtonRect;
  else if (FEditButtonHot)
    src = FActiveButtonRect;
  if (!IsNullRect(src)) C->CopyRect(FEditButtonRect, FEditPicture->Canvas(), src);
}

void TbsSkinCustomEdit::PaintStretchedButton(TCanvas* C) {
  DrawSkinEditButton(C, FSkinData, FEditButtonRect, FEditButtonDown && FEditButtonHot, FEditButtonHot, 0);
}

void TbsSkinCustomEdit::PaintTextBackground(HDC DC) {
  const int32_t w = FTextRect.Width(), h = FTextRect.Height();
  if (w <= 0 || h <= 0) return;
  TBitmap B;
  B.SetPixelFormat(TPixelFormat::pf24bit);
  B.SetSize(w, h);
  if (FIndex == -1 || FEditPicture == nullptr) {
    B.Canvas()->Brush()->SetColor(FDefaultColor);
    B.Canvas()->FillRect(TRect{0, 0, w, h});
    return DrawBitmapTo(DC, &B);
  }
  const bool active = FMouseInside || (HandleAllocated() && Focused());
  const TRect& src = active ? FActiveSkinRect : FSkinRect;
  const TRect part{src.Left + FSkinClientRect.Left, src.Top + FSkinClientRect.Top, src.Left + FSkinClientRect.Right,
                   src.Top + FSkinClientRect.Bottom};
  const int32_t SW = RectWidth(FSkinRect);
  const int32_t left = std::max(0, FLeftCapWidth - FSkinClientRect.Left);
  const int32_t right = std::max(0, FSkinClientRect.Right + FRightCapWidth - SW);
  if (FUseSkinFont) {
    BuildHSkinImage(left, right, &B, FEditPicture, part, w, h, FStretchEffect);
  } else {
    TBitmap sized;
    BuildHSkinImage(left, right, &sized, FEditPicture, part, w, RectHeight(part), FStretchEffect);
    B.Canvas()->StretchDraw(TRect{0, 0, w, h}, &sized);
  }
  DrawBitmapTo(DC, &B);
}

void TbsSkinCustomEdit::WMEraseBkgnd(TMessage& Message) {
  HDC dc = reinterpret_cast<HDC>(Message.WParam);
  GetSkinData();
  CalcRects();
  PaintTextBackground(dc);
  SendMessage(Handle(), WM_PAINT, WPARAM(dc), 0);
  Message.Result = 1;
}

void TbsSkinCustomEdit::WMPaint(TMessage& Message) {
  if (Enabled()) return TbsCustomEdit::Dispatch(Message);
  PAINTSTRUCT ps;
  HDC dc = Message.WParam != 0 ? reinterpret_cast<HDC>(Message.WParam) : BeginPaint(Handle(), &ps);
  PaintDisabledText(dc);
  if (Message.WParam == 0) EndPaint(Handle(), &ps);
  Message.Result = 0;
}

void TbsSkinCustomEdit::PaintDisabledText(HDC DC) {
  TCanvas C;
  C.SetHandle(DC);
  const bool skinFont = FIndex != -1 && FUseSkinFont;
  SetSkinControlFont(C.Font(), skinFont, FSkinFontName, FSkinFontHeight, FSkinFontStyle, FDefaultFont.get(), FSkinData);
  C.Font()->SetColor(FIndex == -1 ? clGrayText : FSkinDisabledFontColor);
  const TRect R{0, 0, FTextRect.Width(), FTextRect.Height()};
  const String text = Text();
  const int32_t tw = C.TextWidth(text);
  int32_t x = 2;
  if (FAlignment == TAlignment::taRightJustify)
    x = R.Width() - tw - 1;
  else if (FAlignment == TAlignment::taCenter)
    x = Div(R.Width(), 2) - Div(tw, 2);
  C.Brush()->SetStyle(TBrushStyle::bsClear);
  C.TextRect(R, x, 0, text);
  C.SetHandle(nullptr);
}
