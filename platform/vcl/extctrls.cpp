#include "platform/vcl/extctrls.h"

#include <algorithm>

#include "platform/gui/syscolors.h"
#include "platform/gui/text.h"
#include "platform/vcl/drawframe.h"
#include "platform/rtl/scopeguard.h"

// ================================================================================
// TBevel
// ================================================================================

TBevel::TBevel(TComponent* AOwner) : TGraphicControl(AOwner) {
  TControlStyle style = ControlStyle();
  style.Include(TControlStyleItem::csReplicatable);
  SetControlStyle(style);
  SetBounds(0, 0, 50, 50);
}

void TBevel::SetShape(TBevelShape Value) {
  if (FShape == Value) return;
  FShape = Value;
  Invalidate();
}

void TBevel::SetStyle(TBevelStyle Value) {
  if (FStyle == Value) return;
  FStyle = Value;
  Invalidate();
}

void TBevel::DrawLine(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, TColor C) {
  TCanvas* canvas = TGraphicControl::Canvas();
  canvas->Pen()->SetColor(C);
  canvas->MoveTo(X1, Y1);
  canvas->LineTo(X2, Y2);
}

void TBevel::DrawBevelRect(const TRect& R, TColor C1, TColor C2) {
  TCanvas* canvas = TGraphicControl::Canvas();
  if (C1 != clNone) {
    canvas->Pen()->SetColor(C1);
    const TPoint a[] = {{R.Left, R.Bottom}, {R.Left, R.Top}, {R.Right, R.Top}};
    canvas->Polyline(a, 3);
  }
  if (C2 != clNone) {
    canvas->Pen()->SetColor(C2);
    const TPoint b[] = {{R.Right, R.Top}, {R.Right, R.Bottom}, {R.Left, R.Bottom}};
    canvas->Polyline(b, 3);
  }
}

void TBevel::Paint() {
  TCanvas* canvas = TGraphicControl::Canvas();
  canvas->Pen()->SetStyle(TPenStyle::psSolid);
  canvas->Pen()->SetMode(TPenMode::pmCopy);
  canvas->Pen()->SetWidth(1);
  canvas->Pen()->SetColor(clBlack);
  const TColor c1 = FStyle == TBevelStyle::bsLowered ? DarkColor() : LightColor();
  const TColor c2 = FStyle == TBevelStyle::bsLowered ? LightColor() : DarkColor();
  const int32_t w = Width(), h = Height();
  switch (FShape) {
    case TBevelShape::bsBox: DrawBevelRect(Rect(0, 0, w - 1, h - 1), c1, c2); break;
    case TBevelShape::bsFrame:
      DrawBevelRect(Rect(1, 1, w - 1, h - 1), c2, c2);
      DrawBevelRect(Rect(0, 0, w - 2, h - 2), c1, c1);
      break;
    case TBevelShape::bsTopLine:
      DrawLine(0, 0, w, 0, c1);
      DrawLine(0, 1, w, 1, c2);
      break;
    case TBevelShape::bsBottomLine:
      DrawLine(0, h - 2, w, h - 2, c1);
      DrawLine(0, h - 1, w, h - 1, c2);
      break;
    case TBevelShape::bsLeftLine:
      DrawLine(0, 0, 0, h, c1);
      DrawLine(1, 0, 1, h, c2);
      break;
    case TBevelShape::bsRightLine:
      DrawLine(w - 2, 0, w - 2, h, c1);
      DrawLine(w - 1, 0, w - 1, h, c2);
      break;
    case TBevelShape::bsSpacer: break;
  }
}

// ================================================================================
// TShape
// ================================================================================

TShape::TShape(TComponent* AOwner) : TGraphicControl(AOwner) {
  TControlStyle style = ControlStyle();
  style.Include(TControlStyleItem::csReplicatable);
  SetControlStyle(style);
  SetBounds(0, 0, 65, 65);
  FPen = std::make_unique<TPen>();
  FPen->OnChange = [this](TObject*) { Invalidate(); };
  FBrush = std::make_unique<TBrush>();
  FBrush->OnChange = [this](TObject*) { Invalidate(); };
}

void TShape::SetShape(TShapeType Value) {
  if (FShape == Value) return;
  FShape = Value;
  Invalidate();
}

void TShape::Paint() {
  TCanvas* canvas = TGraphicControl::Canvas();
  canvas->SetPen(FPen.get());
  canvas->SetBrush(FBrush.get());
  const int32_t pw = FPen->Width();
  int32_t x = pw / 2, y = x;
  int32_t w = Width() - pw + 1, h = Height() - pw + 1;
  if (pw == 0) {
    --w;
    --h;
  }
  const int32_t s = std::min(w, h);
  if (FShape == TShapeType::stSquare || FShape == TShapeType::stRoundSquare || FShape == TShapeType::stCircle) {
    x += (w - s) / 2;
    y += (h - s) / 2;
    w = s;
    h = s;
  }
  switch (FShape) {
    case TShapeType::stRectangle:
    case TShapeType::stSquare: canvas->Rectangle(x, y, x + w, y + h); break;
    case TShapeType::stRoundRect:
    case TShapeType::stRoundSquare: canvas->RoundRect(x, y, x + w, y + h, s / 4, s / 4); break;
    case TShapeType::stEllipse:
    case TShapeType::stCircle: canvas->Ellipse(x, y, x + w, y + h); break;
  }
}

// ================================================================================
// TPaintBox
// ================================================================================

TPaintBox::TPaintBox(TComponent* AOwner) : TGraphicControl(AOwner) {
  TControlStyle style = ControlStyle();
  style.Include(TControlStyleItem::csReplicatable);
  SetControlStyle(style);
  SetBounds(0, 0, 105, 105);
}

void TPaintBox::Paint() {
  TCanvas* canvas = TGraphicControl::Canvas();
  canvas->SetFont(Font());
  canvas->Brush()->SetColor(Color());
  if (OnPaint) OnPaint(this);
}

// ================================================================================
// TImage
// ================================================================================

TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner) {
  TControlStyle style = ControlStyle();
  style.Include(TControlStyleItem::csReplicatable);
  SetControlStyle(style);
  FPicture = std::make_unique<TPicture>();
  FPicture->OnChange = [this](TObject* Sender) { PictureChanged(Sender); };
  SetBounds(0, 0, 105, 105);
}

TImage::~TImage() { FPicture->OnChange = nullptr; }

TCanvas* TImage::Canvas() {
  if (FPicture->Graphic() == nullptr) {
    auto bmp = std::make_unique<TBitmap>();
    bmp->SetSize(Width(), Height());
    FPicture->SetGraphic(bmp.get());
  }
  auto* bmp = dynamic_cast<TBitmap*>(FPicture->Graphic());
  if (bmp == nullptr) throw EInvalidOperation("Can only modify an image if it contains a bitmap");
  return bmp->Canvas();
}

void TImage::SetStretch(bool Value) {
  if (FStretch == Value) return;
  FStretch = Value;
  PictureChanged(this);
}

void TImage::SetProportional(bool Value) {
  if (FProportional == Value) return;
  FProportional = Value;
  PictureChanged(this);
}

void TImage::SetCenter(bool Value) {
  if (FCenter == Value) return;
  FCenter = Value;
  PictureChanged(this);
}

void TImage::SetTransparent(bool Value) {
  if (FTransparent == Value) return;
  FTransparent = Value;
  PictureChanged(this);
}

TRect TImage::DestRect() {
  int32_t w = FPicture->Width(), h = FPicture->Height();
  const int32_t cw = ClientWidth(), ch = ClientHeight();
  if (FStretch || (FProportional && (w > cw || h > ch))) {
    if (FProportional && w > 0 && h > 0) {
      const double aspect = double(w) / double(h);
      if (w > h) {
        w = cw;
        h = int32_t(cw / aspect);
        if (h > ch) {
          h = ch;
          w = int32_t(ch * aspect);
        }
      } else {
        h = ch;
        w = int32_t(ch * aspect);
        if (w > cw) {
          w = cw;
          h = int32_t(cw / aspect);
        }
      }
    } else {
      w = cw;
      h = ch;
    }
  }
  TRect r = Rect(0, 0, w, h);
  if (FCenter) OffsetRect(r, (cw - w) / 2, (ch - h) / 2);
  return r;
}

void TImage::Paint() {
  TGraphic* g = FPicture->Graphic();
  if (g == nullptr || g->Empty()) return;
  FDrawing = true;
  auto cleanup = ScopeExit([&] { FDrawing = false; });
  TGraphicControl::Canvas()->StretchDraw(DestRect(), g);
}

bool TImage::CanAutoSize(int32_t& NewWidth, int32_t& NewHeight) {
  if (FPicture->Width() <= 0 || FPicture->Height() <= 0) return false;
  NewWidth = FPicture->Width();
  NewHeight = FPicture->Height();
  return true;
}

void TImage::PictureChanged(TObject*) {
  if (FDrawing) return;
  if (TGraphic* g = FPicture->Graphic()) {
    if (dynamic_cast<TIcon*>(g) == nullptr && g->Transparent() != FTransparent) g->SetTransparent(FTransparent);
  }
  if (AutoSize()) AdjustSize();
  Invalidate();
}

// ================================================================================
// Panels
// ================================================================================

void Frame3D(TCanvas* Canvas, TRect& Rect, TColor TopColor, TColor BottomColor, int32_t Width) {
  Canvas->Pen()->SetWidth(1);
  Canvas->Pen()->SetStyle(TPenStyle::psSolid);
  --Rect.Bottom;
  --Rect.Right;
  for (int32_t i = 0; i < Width; ++i) {
    Canvas->Pen()->SetColor(TopColor);
    const TPoint a[] = {{Rect.Left, Rect.Bottom}, {Rect.Left, Rect.Top}, {Rect.Right, Rect.Top}};
    Canvas->Polyline(a, 3);
    Canvas->Pen()->SetColor(BottomColor);
    const TPoint b[] = {{Rect.Right, Rect.Top}, {Rect.Right, Rect.Bottom}, {Rect.Left - 1, Rect.Bottom}};
    Canvas->Polyline(b, 3);
    InflateRect(Rect, -1, -1);
  }
  ++Rect.Bottom;
  ++Rect.Right;
}

namespace {

void BevelColors(TBevelCut Bevel, TColor Face, TColor& Top, TColor& Bottom) {
  Top = clBtnHighlight;
  Bottom = clBtnShadow;
  if (Bevel == TBevelCut::bvLowered) std::swap(Top, Bottom);
  if (Bevel == TBevelCut::bvSpace) Top = Bottom = Face;
}

uint32_t AlignmentFormat(TAlignment A) {
  switch (A) {
    case TAlignment::taLeftJustify: return DT_LEFT;
    case TAlignment::taRightJustify: return DT_RIGHT;
    default: return DT_CENTER;
  }
}

}  // namespace

TCustomPanel::TCustomPanel(TComponent* AOwner) : TCustomControl(AOwner) {
  SetControlStyle(TControlStyle{TControlStyleItem::csAcceptsControls, TControlStyleItem::csCaptureMouse,
                                TControlStyleItem::csClickEvents, TControlStyleItem::csSetCaption,
                                TControlStyleItem::csOpaque, TControlStyleItem::csDoubleClicks,
                                TControlStyleItem::csReplicatable});
  SetBounds(0, 0, 185, 41);
  FColor = clBtnFace;
  FParentColor = false;
  Brush()->SetColor(clBtnFace);
}

void TCustomPanel::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  if (FBorderStyle == TBorderStyle::bsSingle) Params.Style |= WS_BORDER;
  Params.WindowClass.style &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TCustomPanel::SetAlignment(TAlignment Value) {
  if (FAlignment == Value) return;
  FAlignment = Value;
  Invalidate();
}

void TCustomPanel::SetBevelInner(TBevelCut Value) {
  if (FBevelInner == Value) return;
  FBevelInner = Value;
  Realign();
  Invalidate();
}

void TCustomPanel::SetBevelOuter(TBevelCut Value) {
  if (FBevelOuter == Value) return;
  FBevelOuter = Value;
  Realign();
  Invalidate();
}

void TCustomPanel::SetBevelWidth(int32_t Value) {
  if (FBevelWidth == Value) return;
  FBevelWidth = Value;
  Realign();
  Invalidate();
}

void TCustomPanel::SetBorderStyle(TBorderStyle Value) {
  if (FBorderStyle == Value) return;
  FBorderStyle = Value;
  RecreateWnd();
}

void TCustomPanel::AdjustClientRect(TRect& Rect) {
  TCustomControl::AdjustClientRect(Rect);
  int32_t bevel = 0;
  if (FBevelOuter != TBevelCut::bvNone) bevel += FBevelWidth;
  if (FBevelInner != TBevelCut::bvNone) bevel += FBevelWidth;
  InflateRect(Rect, -bevel, -bevel);
}

void TCustomPanel::Paint() {
  TCanvas* canvas = TCustomControl::Canvas();
  TRect r = ClientRect();
  TColor top, bottom;
  if (FBevelOuter != TBevelCut::bvNone) {
    BevelColors(FBevelOuter, Color(), top, bottom);
    Frame3D(canvas, r, top, bottom, FBevelWidth);
  }
  Frame3D(canvas, r, Color(), Color(), BorderWidth());
  if (FBevelInner != TBevelCut::bvNone) {
    BevelColors(FBevelInner, Color(), top, bottom);
    Frame3D(canvas, r, top, bottom, FBevelWidth);
  }
  canvas->Brush()->SetColor(Color());
  canvas->Brush()->SetStyle(TBrushStyle::bsSolid);
  canvas->FillRect(r);
  const String caption = Caption();
  if (caption.empty()) return;
  canvas->SetFont(Font());
  StdDrawCaption(canvas->Handle(), caption, r, DT_SINGLELINE | DT_VCENTER | AlignmentFormat(FAlignment), Enabled(),
                 ColorToRGB(Font()->Color()));
}

void TCustomPanel::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_TEXTCHANGED:
    case CM_ENABLEDCHANGED:
      TCustomControl::Dispatch(Message);
      Invalidate();
      return;
    default: TCustomControl::Dispatch(Message); return;
  }
}

// ================================================================================
// TCustomGroupBox
// ================================================================================

TCustomGroupBox::TCustomGroupBox(TComponent* AOwner) : TCustomControl(AOwner) {
  SetControlStyle(TControlStyle{TControlStyleItem::csAcceptsControls, TControlStyleItem::csCaptureMouse,
                                TControlStyleItem::csClickEvents, TControlStyleItem::csSetCaption,
                                TControlStyleItem::csDoubleClicks, TControlStyleItem::csReplicatable});
  SetBounds(0, 0, 185, 105);
}

void TCustomGroupBox::AdjustClientRect(TRect& Rect) {
  TCustomControl::AdjustClientRect(Rect);
  Rect.Top += StdFontHeight(Font()->Handle());
  InflateRect(Rect, -2, -2);
}

void TCustomGroupBox::Paint() {
  TCanvas* canvas = TCustomControl::Canvas();
  canvas->SetFont(Font());
  const int32_t h = StdFontHeight(Font()->Handle());
  TRect client = ClientRect();
  canvas->Brush()->SetColor(Color());
  canvas->Brush()->SetStyle(TBrushStyle::bsSolid);
  canvas->FillRect(client);
  HDC dc = canvas->Handle();
  TRect frame = client;
  frame.Top += h / 2;
  DrawEdge(dc, frame, EDGE_ETCHED, BF_RECT);
  const String caption = Caption();
  if (caption.empty()) return;
  TRect calc{0, 0, 0, 0};
  String c = caption;
  DrawText(dc, c, &calc, DT_CALCRECT | DT_SINGLELINE);
  TRect tr{8, 0, 8 + calc.Width() + 2, h};
  canvas->FillRect(tr);
  tr.Left += 1;
  StdDrawCaption(dc, caption, tr, DT_LEFT | DT_SINGLELINE, Enabled(), ColorToRGB(Font()->Color()));
}

void TCustomGroupBox::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_TEXTCHANGED:
    case CM_ENABLEDCHANGED:
      TCustomControl::Dispatch(Message);
      Invalidate();
      return;
    case CM_FONTCHANGED:
      TCustomControl::Dispatch(Message);
      Realign();
      Invalidate();
      return;
    default: TCustomControl::Dispatch(Message); return;
  }
}
