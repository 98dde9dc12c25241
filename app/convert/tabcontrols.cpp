#include "app/convert/tabcontrols.h"

#include <memory>

#include "imaging/io/core/ieimgio.h"
#include "imaging/model/processing/imgproc.h"
#include "imaging/views/view/imgview.h"
#include "platform/gui/graphics.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/stdctrls.h"
#include "platform/vcl/timers.h"
#include "skin/controls/skinbutton.h"
#include "skin/controls/skincheckradio.h"
#include "skin/controls/skinlabels.h"
#include "skin/controls/skinspeedbutton.h"

namespace tabcontrols {

namespace {

// The pictures of the file list's tool buttons, 16 x 16 in dark grey on the
// transparent colour.
void DrawGlyph(TCanvas* C, TToolGlyph Glyph) {
  C->Brush()->SetColor(clFuchsia);
  C->FillRect(TRect{0, 0, 16, 16});
  C->Pen()->SetColor(TColor(0x404040));
  C->Brush()->SetColor(TColor(0x404040));
  switch (Glyph) {
    case TToolGlyph::Up:
      C->Polygon(std::vector<TPoint>{{8, 2}, {2, 8}, {6, 8}, {6, 13}, {10, 13}, {10, 8}, {14, 8}});
      break;
    case TToolGlyph::Refresh:
      // Three quarters of a circle, its arrow head on the right end.
      C->Pen()->SetWidth(2);
      C->Brush()->SetStyle(TBrushStyle::bsClear);
      C->Arc(2, 2, 14, 14, 8, 2, 14, 8);
      C->Pen()->SetWidth(1);
      C->Brush()->SetStyle(TBrushStyle::bsSolid);
      C->Polygon(std::vector<TPoint>{{10, 8}, {16, 8}, {13, 4}});
      break;
    case TToolGlyph::Details:
      for (int32_t y : {3, 7, 11}) {
        C->FillRect(TRect{2, y, 4, y + 2});
        C->FillRect(TRect{6, y, 14, y + 2});
      }
      break;
    case TToolGlyph::List:
      for (int32_t y : {3, 7, 11})
        for (int32_t x : {1, 9}) {
          C->FillRect(TRect{x, y, x + 2, y + 2});
          C->FillRect(TRect{x + 3, y, x + 6, y + 2});
        }
      break;
    case TToolGlyph::Thumbnails:
      for (int32_t y : {2, 9})
        for (int32_t x : {2, 9}) C->FillRect(TRect{x, y, x + 5, y + 5});
      break;
  }
}

}  // namespace

TbsSkinButton* MakeButton(TComponent* Owner, TWinControl* Parent, const char* Name, const String& Caption, int32_t X,
                          int32_t Y, int32_t W, int32_t H) {
  auto* b = Make<TbsSkinButton>(Owner, Parent, Name, X, Y, W, H);
  b->SetCaption(Caption);
  return b;
}

TbsSkinSpeedButton* MakeSpeedButton(TComponent* Owner, TWinControl* Parent, const char* Name, TToolGlyph Glyph,
                                    int32_t X, int32_t Y, const String& Hint) {
  auto* b = Make<TbsSkinSpeedButton>(Owner, Parent, Name, X, Y, 25, 22);
  TBitmap glyph;
  glyph.SetPixelFormat(TPixelFormat::pf24bit);
  glyph.SetSize(16, 16);
  DrawGlyph(glyph.Canvas(), Glyph);
  b->SetGlyph(&glyph);
  b->SetFlat(true);
  b->SetHint(Hint);
  b->SetShowHint(true);
  return b;
}

TbsSkinStdLabel* MakeLabel(TComponent* Owner, TWinControl* Parent, const char* Name, const String& Caption, int32_t X,
                           int32_t Y) {
  auto* l = new TbsSkinStdLabel(Owner);
  l->SetName(Name);
  l->SetParent(Parent);
  l->SetLeft(X);
  l->SetTop(Y);
  l->SetCaption(Caption);
  return l;
}

TbsSkinCheckRadioBox* MakeCheck(TComponent* Owner, TWinControl* Parent, const char* Name, const String& Caption,
                                int32_t X, int32_t Y, int32_t W) {
  auto* c = Make<TbsSkinCheckRadioBox>(Owner, Parent, Name, X, Y, W, 20);
  c->SetCaption(Caption);
  return c;
}

TImgView* MakePreviewView(TComponent* Owner, TWinControl* Parent, const char* Name) {
  auto* v = Make<TImgView>(Owner, Parent, Name, 1, 1, 103, 78);
  v->SetBorderStyle(TBorderStyle::bsNone);
  v->SetScrollBars(TScrollStyle::ssNone);
  v->SetZoomFilter(TResampleFilter::rfFastLinear);
  v->SetCenter(true);
  v->ClearImage();
  v->GetImageIO()->Params().JPEGQuality = 90;
  v->SetBackground(clWhite);
  v->GetImageProc()->SetBackground(clWhite);
  v->GetImageIO()->SetBackground(clWhite);
  v->GetImageIO()->Params().SetImageIndex(0);
  v->WheelParams.Action = TIEMouseWheelAction::iemwNone;
  v->SetVisible(false);
  return v;
}

TMenuItem* AddMenuItem(TComponent* Owner, TPopupMenu* Menu, const char* Name, const String& Caption) {
  auto* item = new TMenuItem(Owner);
  item->SetName(Name);
  item->SetCaption(Caption);
  Menu->Items()->Add(item);
  return item;
}

TTimer* MakeTimer(TComponent* Owner, const char* Name, uint32_t Interval, bool Enabled) {
  auto* t = new TTimer(Owner);
  t->SetName(Name);
  t->SetInterval(Interval);
  t->SetEnabled(Enabled);
  return t;
}

}  // namespace tabcontrols
