#include "skin/engine/form/skinhint.h"

#include <algorithm>
#include <vector>

#include "platform/gui/text.h"
#include "platform/gui/win_paint.h"
#include "skin/engine/data/skinimage.h"

namespace {

// The component whose handler the application's OnShowHint calls.
TbsSkinHint* gHintHookOwner = nullptr;

TBitmap* PictureAt(TbsSkinData* Skin, int32_t Index) {
  if (Skin == nullptr || Index < 0 || Index >= int32_t(Skin->ActivePictures.size())) return nullptr;
  TBitmap* b = Skin->ActivePictures[size_t(Index)].get();
  return b->Empty() ? nullptr : b;
}

// The 1-bit rows of a mask, top row first, each padded to 32 bits.
std::vector<uint8_t> MaskRows(HBITMAP Mask, int32_t& Width, int32_t& Height, int32_t& Stride) {
  BITMAP bm{};
  if (GetObject(Mask, sizeof(bm), &bm) == 0 || bm.bmBitsPixel != 1) return {};
  Width = bm.bmWidth;
  Height = bm.bmHeight;
  Stride = ((Width + 31) / 32) * 4;
  std::vector<uint8_t> bottomUp(size_t(Stride) * size_t(Height));
  std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + 2 * sizeof(RGBQUAD));
  auto* bi = reinterpret_cast<BITMAPINFO*>(info.data());
  bi->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi->bmiHeader.biWidth = Width;
  bi->bmiHeader.biHeight = Height;
  bi->bmiHeader.biPlanes = 1;
  bi->bmiHeader.biBitCount = 1;
  HDC dc = CreateCompatibleDC(nullptr);
  const int32_t lines = GetDIBits(dc, Mask, 0, uint32_t(Height), bottomUp.data(), bi, DIB_RGB_COLORS);
  DeleteDC(dc);
  if (lines != Height) return {};
  std::vector<uint8_t> rows(bottomUp.size());
  for (int32_t y = 0; y < Height; ++y)
    std::copy_n(&bottomUp[size_t(Height - 1 - y) * size_t(Stride)], Stride, &rows[size_t(y) * size_t(Stride)]);
  return rows;
}

// The lowest row in [From, To) with a byte other than Skip, or -1.
int32_t LowestRow(const std::vector<uint8_t>& Rows, int32_t Stride, int32_t From, int32_t To, uint8_t Skip) {
  for (int32_t y = To - 1; y >= From; --y)
    for (int32_t i = 0; i < Stride; ++i)
      if (Rows[size_t(y) * size_t(Stride) + size_t(i)] != Skip) return y;
  return -1;
}

}  // namespace

int32_t CursorHeightBelowHotSpot() {
  int32_t result = GetSystemMetrics(SM_CYCURSOR);
  ICONINFO info{};
  HCURSOR cursor = GetCursor();
  if (cursor == nullptr || !GetIconInfo(cursor, &info)) return result;
  int32_t w = 0, h = 0, stride = 0;
  const std::vector<uint8_t> rows =
      info.hbmMask != nullptr ? MaskRows(info.hbmMask, w, h, stride) : std::vector<uint8_t>{};
  if (!rows.empty() && w > 0) {
    const bool doubled = info.hbmColor == nullptr && h >= 2 * w;
    const int32_t andRows = std::min(doubled ? h / 2 : h, w);
    int32_t row = LowestRow(rows, stride, 0, andRows, 0xFF);
    if (row < 0 && doubled) {
      row = LowestRow(rows, stride, h / 2, std::min(h, h / 2 + w), 0x00);
      if (row >= 0) row -= h / 2;
    }
    if (row >= 0) result = row - int32_t(info.yHotspot);
  }
  if (info.hbmMask != nullptr) DeleteObject(info.hbmMask);
  if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
  return result;
}

TbsSkinHint* FindActiveSkinHint() {
  TCustomForm* main = Application != nullptr ? Application->MainForm() : nullptr;
  if (main == nullptr) return nullptr;
  for (int32_t i = 0; i < main->ComponentCount(); ++i)
    if (auto* h = dynamic_cast<TbsSkinHint*>(main->Components(i)); h != nullptr && h->Active()) return h;
  return nullptr;
}

// ---- TbsSkinHintWindow -------------------------------------------------------------------------

TbsSkinHintWindow::TbsSkinHintWindow(TComponent* AOwner) : THintWindow(AOwner) {}

TbsSkinHintWindow::~TbsSkinHintWindow() = default;

void TbsSkinHintWindow::CreateParams(TCreateParams& Params) {
  THintWindow::CreateParams(Params);
  Params.Style &= ~uint32_t(WS_BORDER);
  Params.WindowClass.style |= CS_DROPSHADOW;
}

void TbsSkinHintWindow::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_NCPAINT) return;
  if (Message.Msg == WM_ERASEBKGND) {
    Message.Result = 1;
    return;
  }
  THintWindow::Dispatch(Message);
}

const TbsDataSkinHintWindow* TbsSkinHintWindow::HintData() const {
  return FHintSkinData != nullptr ? &FHintSkinData->HintWindowData : nullptr;
}

TBitmap* TbsSkinHintWindow::WindowPicture() const {
  const TbsDataSkinHintWindow* d = HintData();
  return d != nullptr ? PictureAt(FHintSkinData, d->WindowPictureIndex) : nullptr;
}

void TbsSkinHintWindow::PrepareFont(TCanvas* C) {
  const TbsDataSkinHintWindow* d = HintData();
  if (d != nullptr && FSettingsHint->UseSkinFont) {
    C->Font()->SetHeight(d->FontHeight);
    C->Font()->SetName(d->FontName);
    C->Font()->SetStyle(d->FontStyle);
  } else {
    C->Font()->Assign(FSettingsHint->DefaultFont());
  }
  TbsSkinData* skin = FSettingsHint->SkinData();
  if (skin != nullptr && skin->ResourceStrData() != nullptr)
    C->Font()->SetCharset(TFontCharset(skin->ResourceStrData()->CharSet()));
  else
    C->Font()->SetCharset(FSettingsHint->DefaultFont()->Charset());
}

// The text block in the hint's font: lines break at line breaks only.
TRect TbsSkinHintWindow::MeasureText(const String& Text) {
  TBitmap b;
  b.SetSize(1, 1);
  PrepareFont(b.Canvas());
  String t = Text;
  TRect m{0, 0, 0, 0};
  DrawText(b.Canvas()->Handle(), t, &m, DT_CALCRECT | DT_LEFT | DT_NOPREFIX);
  return m;
}

void TbsSkinHintWindow::ActivateHint(TRect Rect, const String& AHint) {
  FSettingsHint = FindActiveSkinHint();
  if (FSettingsHint == nullptr) return;
  TbsSkinData* skin = FSettingsHint->SkinData();
  FHintSkinData = skin != nullptr && !skin->Empty && skin->HintWindowData.WindowPictureIndex != -1 ? skin : nullptr;
  if (WindowPicture() == nullptr) FHintSkinData = nullptr;
  SetCaption(AHint);
  const TRect m = MeasureText(AHint);
  int32_t w = m.Width() + 4, h = m.Height() + 4;
  if (TBitmap* p = WindowPicture()) {
    const TbsDataSkinHintWindow& d = *HintData();
    const TRect& c = d.ClientRect;
    const int32_t pw = p->Width(), ph = p->Height();
    w = std::max(m.Width() + c.Left + (pw - c.Right), pw);
    h = std::max(m.Height() + c.Top + (ph - c.Bottom), ph);
    FClientArea = TRect{c.Left, c.Top, w - (pw - c.Right), h - (ph - c.Bottom)};
    FFrameLT = d.LeftTopPoint;
    FFrameRT = TPoint{w - pw + d.RightTopPoint.X, d.RightTopPoint.Y};
    FFrameLB = TPoint{d.LeftBottomPoint.X, d.LeftBottomPoint.Y + h - ph};
    FFrameRB = TPoint{w - pw + d.RightBottomPoint.X, d.RightBottomPoint.Y + h - ph};
  }
  TRect r{Rect.Left, Rect.Top, Rect.Left + w, Rect.Top + h};
  if (r.Right > GetSystemMetrics(SM_CXSCREEN)) OffsetRect(r, -(w + 2), 0);
  if (r.Bottom > GetSystemMetrics(SM_CYSCREEN)) OffsetRect(r, 0, -(h + 2));
  SetBoundsRect(r);
  ApplyLayered();
  ApplyRegion(w, h);
  SetWindowPos(Handle(), HWND_TOPMOST, r.Left, r.Top, 0, 0, SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOSIZE);
  SetVisible(true);
  Invalidate();
}

void TbsSkinHintWindow::ApplyLayered() {
  const bool on = FSettingsHint->AlphaBlend;
  if (on != FLayeredOn) {
    const intptr_t ex = GetWindowLong(Handle(), GWL_EXSTYLE);
    SetWindowLong(Handle(), GWL_EXSTYLE, on ? (ex | WS_EX_LAYERED) : (ex & ~intptr_t(WS_EX_LAYERED)));
    FLayeredOn = on;
    if (on) FAppliedAlpha = 0;
  }
  if (on && FSettingsHint->AlphaBlendValue != FAppliedAlpha) {
    SetLayeredWindowAttributes(Handle(), 0, FSettingsHint->AlphaBlendValue, LWA_ALPHA);
    FAppliedAlpha = FSettingsHint->AlphaBlendValue;
  }
}

// The window owns the region it is given and frees the previous one.
void TbsSkinHintWindow::ApplyRegion(int32_t W, int32_t H) {
  const TbsDataSkinHintWindow* d = HintData();
  TBitmap* mask = d != nullptr ? PictureAt(FHintSkinData, d->MaskPictureIndex) : nullptr;
  if (mask == nullptr) {
    if (FWindowRegion != nullptr) SetWindowRgn(Handle(), nullptr, false);
    FWindowRegion = nullptr;
    return;
  }
  HRGN rgn = nullptr;
  RegionFromSkinMask(rgn, d->LeftTopPoint, d->RightTopPoint, d->LeftBottomPoint, d->RightBottomPoint, d->ClientRect,
                     FFrameLT, FFrameRT, FFrameLB, FFrameRB, FClientArea, mask, W, H);
  SetWindowRgn(Handle(), rgn, false);
  FWindowRegion = rgn;
}

void TbsSkinHintWindow::Paint() {
  if (FSettingsHint == nullptr || FindActiveSkinHint() != FSettingsHint) return;
  const int32_t w = Width(), h = Height();
  TBitmap b;
  b.SetSize(w, h);
  TCanvas* c = b.Canvas();
  String text = Caption();
  // The picture is looked up again: a skin change may have replaced it.
  TBitmap* p = FHintSkinData == FSettingsHint->SkinData() ? WindowPicture() : nullptr;
  if (p != nullptr) {
    const TbsDataSkinHintWindow& d = *HintData();
    BuildWindowSkinImage(d.LeftTopPoint, d.RightTopPoint, d.LeftBottomPoint, d.RightBottomPoint, d.ClientRect, FFrameLT,
                         FFrameRT, FFrameLB, FFrameRB, FClientArea, &b, p, TRect{0, 0, p->Width(), p->Height()}, w, h,
                         true, d.LeftStretch, d.TopStretch, d.RightStretch, d.BottomStretch, d.StretchEffect,
                         d.StretchType);
    PrepareFont(c);
    c->Font()->SetColor(d.FontColor);
    c->Brush()->SetStyle(TBrushStyle::bsClear);
    const TRect m = MeasureText(text);
    const int32_t x = FClientArea.Left + FClientArea.Width() / 2 - m.Width() / 2;
    const int32_t y = FClientArea.Top + FClientArea.Height() / 2 - m.Height() / 2;
    TRect r{x, y, x + m.Width(), y + m.Height()};
    DrawText(c->Handle(), text, &r, DT_LEFT | DT_NOPREFIX);
  } else {
    c->Brush()->SetColor(clInfoBk);
    c->FillRect(TRect{0, 0, w, h});
    c->Brush()->SetColor(clBtnShadow);
    c->FrameRect(TRect{0, 0, w, h});
    c->Font()->Assign(FSettingsHint->DefaultFont());
    c->Font()->SetColor(clInfoText);
    c->Brush()->SetStyle(TBrushStyle::bsClear);
    TRect r{2, 2, w - 2, h - 2};
    DrawText(c->Handle(), text, &r, DT_LEFT | DT_NOPREFIX);
  }
  Canvas()->Draw(0, 0, &b);
}

// ---- TbsSkinHint -----------------------------------------------------------------------------------

TbsSkinHint::TbsSkinHint(TComponent* AOwner) : TComponent(AOwner) {
  FOwnHintWindow = new TbsSkinHintWindow(this);
  if (ComponentState().Contains(TComponentStateItem::csDesigning) || Application == nullptr) return;
  Application->SetHintWindowClass([](TComponent* Owner) { return new TbsSkinHintWindow(Owner); });
  // The application makes its hint window again with the new class.
  const bool show = Application->ShowHint();
  Application->SetShowHint(!show);
  Application->SetShowHint(show);
  HookApplication();
  Application->SetHintShortPause(100);
}

// The application's OnShowHint must not call a component that is gone.
TbsSkinHint::~TbsSkinHint() {
  StopTimer();
  if (gHintHookOwner != this) return;
  gHintHookOwner = nullptr;
  if (Application != nullptr) Application->OnShowHint = nullptr;
}

void TbsSkinHint::HookApplication() {
  gHintHookOwner = this;
  Application->OnShowHint = [this](String& HintStr, bool& CanShow, THintInfo& HintInfo) {
    if (OnShowHint) OnShowHint(HintStr, CanShow, HintInfo);
  };
}

void TbsSkinHint::SetActive(bool Value) {
  FActive = Value;
  if (!Value) return;
  TCustomForm* main = Application != nullptr ? Application->MainForm() : nullptr;
  if (main != nullptr)
    for (int32_t i = 0; i < main->ComponentCount(); ++i)
      if (auto* h = dynamic_cast<TbsSkinHint*>(main->Components(i)); h != nullptr && h != this && h->Active())
        h->SetActive(false);
  if (!ComponentState().Contains(TComponentStateItem::csDesigning) && Application != nullptr) HookApplication();
}

void TbsSkinHint::SetSkinData(TbsSkinData* Value) {
  FSkinData = Value;
  if (Value != nullptr) Value->FreeNotification(this);
}

void TbsSkinHint::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FSkinData) FSkinData = nullptr;
}

void TbsSkinHint::StopTimer() {
  if (FHintTimer) FHintTimer->SetEnabled(false);
  FShowing = false;
}

// One timer, never replaced while it runs: first the pause, then the time
// the hint stays.
void TbsSkinHint::ActivateHintText(const String& Text) {
  StopTimer();
  FPendingHintText = Text;
  if (!FHintTimer) {
    FHintTimer = std::make_unique<TTimer>(nullptr);
    FHintTimer->SetEnabled(false);
    FHintTimer->SetOnTimer([this](TObject*) { FShowing ? HideHint() : ShowPending(); });
  }
  FHintTimer->SetInterval(uint32_t(std::max(1, Application->HintPause())));
  FHintTimer->SetEnabled(true);
}

void TbsSkinHint::ShowPending() {
  TPoint p;
  GetCursorPos(&p);
  p.Y += CursorHeightBelowHotSpot();
  FOwnHintWindow->ActivateHint(TRect{p.X, p.Y, p.X, p.Y}, FPendingHintText);
  FShowing = true;
  FHintTimer->SetEnabled(false);
  FHintTimer->SetInterval(uint32_t(std::max(1, Application->HintHidePause())));
  FHintTimer->SetEnabled(true);
}

void TbsSkinHint::HideHint() {
  StopTimer();
  if (FOwnHintWindow->HandleAllocated() && FOwnHintWindow->Visible()) {
    FOwnHintWindow->SetVisible(false);
    SetWindowPos(FOwnHintWindow->Handle(), HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOSIZE | SWP_NOMOVE);
  }
}
