#include "imaging/views/view/imgview.h"

#include <algorithm>

#include "imaging/io/core/ieimgio.h"
#include "imaging/io/media/iedirectshow.h"
#include "imaging/model/pixels/iedefs.h"
#include "imaging/model/processing/imgproc.h"
#include "imaging/model/transitions/ietransitions.h"
#include "imaging/views/view/imgview_internal.h"
#include "platform/gui/canvas.h"
#include "platform/gui/win_scrollbars.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/streams.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/messages.h"
#include "platform/vcl/timers.h"

// ---- Layers ----------------------------------------------------------------------------------

TIELayer::TIELayer(TImgView* AOwner, TIEBitmap* ABitmap, bool Attach) : Owner(AOwner) {
  if (Attach) {
    Bitmap = ABitmap;
    return;
  }
  Bitmap = new TIEBitmap();
  if (ABitmap->Location() == TIELocation::ieTBitmap) {
    auto* platform = new TBitmap();
    platform->SetPixelFormat(ABitmap->GetTBitmap()->PixelFormat());
    platform->SetSize(ABitmap->Width(), ABitmap->Height());
    Bitmap->EncapsulateTBitmap(platform, true);
  } else {
    Bitmap->SetLocation(ABitmap->Location());
    Bitmap->Allocate(ABitmap->Width(), ABitmap->Height(), ABitmap->PixelFormat());
  }
}

TIELayer::~TIELayer() { FreeBitmap(); }

void TIELayer::FreeBitmap() {
  if (!OwnsBitmap || !Bitmap) return;
  // A wrapped platform bitmap the TIEBitmap treats as external is the layer's.
  TBitmap* platform = nullptr;
  if (Bitmap->Location() == TIELocation::ieTBitmap && Bitmap->TBitmapExternal()) platform = Bitmap->GetTBitmap();
  delete Bitmap;
  delete platform;
  Bitmap = nullptr;
}

int32_t TIELayer::DisplayWidth() const { return Width != 0 ? Width : Bitmap->Width(); }
int32_t TIELayer::DisplayHeight() const { return Height != 0 ? Height : Bitmap->Height(); }

TIELayer* TImgView::GetLayer(int32_t Index) const {
  if (Index < 0 || Index >= GetLayerCount()) return nullptr;
  return Layers[static_cast<size_t>(Index)].get();
}

// ---- Construction ----------------------------------------------------------------------------

TImgView::TImgView(TComponent* AOwner) : TIEViewControl(AOwner) {
  UpdateLock = 1;
  auto* legacy = new TBitmap();
  legacy->SetPixelFormat(TPixelFormat::pf24bit);
  legacy->SetSize(Width(), Height());
  Bitmap = new TIEBitmap();
  Bitmap->EncapsulateTBitmap(legacy, true);
  LegacyTBitmap = legacy;
  ExtentWidth = Bitmap->Width();
  ExtentHeight = Bitmap->Height();
  auto layer0 = std::make_unique<TIELayer>(this, Bitmap, true);
  layer0->Framed = false;
  layer0->Locked = true;
  Layers.push_back(std::move(layer0));
  CurrentLayer = 0;
  HasOwner = AOwner != nullptr;
  Transitions = std::make_unique<TIETransitionEffects>(this);
  LoadViewCursors();
  TIEViewControl::SetBounds(Left(), Top(), 105, 105);
  SetDpi(IEDefaultDpiX, IEDefaultDpiY);
  AntsTimer = new TTimer(this);
  AntsTimer->SetEnabled(false);
  AntsTimer->SetInterval(210);
  AntsTimer->SetOnTimer([this](TObject* Sender) { AntsTick(Sender); });
  PolygonRecords.push_back(std::make_unique<TIEPolygonRecord>());
  if (!ComponentState().Contains(TComponentStateItem::csDesigning)) {
    AntsTimer->SetEnabled(true);
    BackBuffer = std::make_unique<TBitmap>();
    BackBuffer->SetPixelFormat(TPixelFormat::pf24bit);
    PolygonRecords[0]->Visible = false;
  }
  Mask = std::make_unique<TIEMask>();
  Mask->Allocate(Bitmap->Width(), Bitmap->Height(), MaskBitsPerPixel);
  FWallPaper = std::make_unique<TPicture>();
  UnlockUpdate();
}

TImgView::~TImgView() {
  // The overview shows this view's bitmap: it gets one of its own back.
  SetLinkedOverview(nullptr);
  if (Transitions) StopTransition();
  Transitions.reset();
  delete ImageIO;
  delete ImageProc;
  BackBuffer.reset();
  Layers.clear();
  Bitmap = nullptr;
  LegacyTBitmap = nullptr;
}

void TImgView::Notification(TComponent* AComponent, TOperation Operation) {
  TIEViewControl::Notification(AComponent, Operation);
  if (Operation != TOperation::opRemove) return;
  if (AComponent == ImageIO) ImageIO = nullptr;
  if (AComponent == ImageProc) ImageProc = nullptr;
  if (AComponent == LinkedOverview) LinkedOverview = nullptr;
}

// ---- Components ------------------------------------------------------------------------------

TImgIO* TImgView::GetImageIO() {
  if (!ImageIO) {
    ImageIO = new TImgIO(this);
    ImageIO->SetAttachedImg(this);
    ImageIO->OnProgress = ProgressHandler;
  }
  return ImageIO;
}

TImgProc* TImgView::GetImageProc() {
  if (!ImageProc) {
    ImageProc = new TImgProc(this);
    ImageProc->SetAttachedImg(this);
    ImageProc->OnProgress = ProgressHandler;
  }
  return ImageProc;
}

void TImgView::SetOnProgress(const TIEProgressEvent& Handler) {
  ProgressHandler = Handler;
  if (ImageIO) ImageIO->OnProgress = Handler;
  if (ImageProc) ImageProc->OnProgress = Handler;
}

// ---- The image -------------------------------------------------------------------------------

bool TImgView::IsEmpty() { return Bitmap->Width() < 2 && Bitmap->Height() < 2; }

void TImgView::FillWithBackground() {
  Bitmap->Fill(BackgroundFillValue(Background()));
  Bitmap->RemoveAlphaChannel();
}

void TImgView::StopTransition() {
  if (Transitions && Transitions->Running) Transitions->Stop();
}

void TImgView::ClearImage() {
  StopTransition();
  const TIEPixelFormat format =
      Bitmap->PixelFormat() == TIEPixelFormat::ienull ? TIEPixelFormat::ie24RGB : Bitmap->PixelFormat();
  Bitmap->Allocate(1, 1, format);
  FillWithBackground();
  Update();
}

void TImgView::SetExternalBitmap(TIEBitmap* ABitmap) {
  TIELayer* layer = CurrentLayerObject();
  if (!layer) return;
  if (!ABitmap) {
    // Listeners may hold an owned bitmap that goes now: only then they hear of it.
    const bool freed = layer->OwnsBitmap && layer->Bitmap;
    layer->FreeBitmap();
    layer->OwnsBitmap = true;
    layer->Bitmap = new TIEBitmap();
    Bitmap = layer->Bitmap;
    LegacyTBitmap = nullptr;
    if (freed) CallBitmapChangeListeners();
    return;
  }
  if (layer->Bitmap != ABitmap) layer->FreeBitmap();
  layer->Bitmap = ABitmap;
  layer->OwnsBitmap = false;
  Bitmap = ABitmap;
  LegacyTBitmap = ABitmap->Location() == TIELocation::ieTBitmap ? ABitmap->GetTBitmap() : nullptr;
  CallBitmapChangeListeners();
  Update();
}

void TImgView::SetLegacyBitmap(bool Value) {
  if (Value == LegacyBitmap) return;
  TIELayer* layer = CurrentLayerObject();
  if (!Value) {
    TBitmap* platform = nullptr;
    if (Bitmap->Location() == TIELocation::ieTBitmap && Bitmap->TBitmapExternal()) platform = Bitmap->GetTBitmap();
    Bitmap->SetLocation(TIELocation::ieMemory);
    if (layer && layer->OwnsBitmap) delete platform;
    LegacyTBitmap = nullptr;
  } else {
    Bitmap->SetLocation(TIELocation::ieTBitmap);
    LegacyTBitmap = Bitmap->GetTBitmap();
  }
  LegacyBitmap = Value;
  CallBitmapChangeListeners();
  Update();
}

void TImgView::RemoveAlphaChannel(bool Merge) {
  if (Merge && Bitmap->PixelFormat() == TIEPixelFormat::ie24RGB && Bitmap->HasAlphaChannel())
    IEMergeAlphaWithBackground(Bitmap, Background());
  else
    Bitmap->RemoveAlphaChannel();
}

void TImgView::SetBackground(TColor Value) {
  TIEViewControl::SetBackground(Value);
  if (ComponentState().Contains(TComponentStateItem::csDesigning)) ClearImage();
  Update();
  ImageChange();
}

void TImgView::ImageChange() {
  if (OnImageChange) OnImageChange(this);
}

void TImgView::DoViewChange(int32_t Change) {
  if (OnViewChange) OnViewChange(this, Change);
  RefreshOverview();
}

// ---- Linked overview -------------------------------------------------------------------------

void TImgView::SetLinkedOverview(TImgView* Overview) {
  if (TImgView* previous = LinkedOverview) {
    LinkedOverview = nullptr;
    previous->OnSelectionChanging = nullptr;
    previous->SetExternalBitmap(nullptr);
    RemoveFreeNotification(previous);
  }
  if (!Overview || Overview == this) return;
  LinkedOverview = Overview;
  Overview->SetAutoFit(true);
  Overview->SetMouseInteract(TIEMouseInteract{TIEMouseInteractItems::miSelect});
  Overview->SelectionBase = TIESelectionBase::iesbBitmap;
  Overview->SetSelectionOptions(
      TIESelectionOptions{TIESelectionOptionsItem::iesoMoveable, TIESelectionOptionsItem::iesoCanScroll});
  Overview->SetExternalBitmap(Bitmap);
  Overview->OnSelectionChanging = [this](TObject* Sender) { OverviewSelectionChanging(Sender); };
  FreeNotification(Overview);
  RefreshOverview();
}

// The overview selects this view's visible area at a fixed size.
void TImgView::RefreshOverview() {
  if (!LinkedOverview || OverviewBusy) return;
  TFlagScope busy(OverviewBusy, true);
  RepaintNow();
  const int32_t x1 = ScreenToBitmapX(OffsetX), y1 = ScreenToBitmapY(OffsetY);
  const int32_t x2 = ScreenToBitmapX(OffsetX + PaintWidth), y2 = ScreenToBitmapY(OffsetY + PaintHeight);
  TImgView* overview = LinkedOverview;
  overview->FixedSelectionWidth = x2 - x1;
  overview->FixedSelectionHeight = y2 - y1;
  overview->SetSelectionAspectRatio(0);
  overview->SelectRect(x1, y1, x2, y2, 0);
}

void TImgView::OverviewSelectionChanging(TObject*) {
  if (!LinkedOverview || OverviewBusy) return;
  TFlagScope busy(OverviewBusy, true);
  const double z = FZoom / 100;
  SetViewOrigin(static_cast<int32_t>(Trunc(LinkedOverview->SelectionLeft() * z)),
                static_cast<int32_t>(Trunc(LinkedOverview->SelectionTop() * z)));
}

void TImgView::Assign(TPersistent* Source) {
  if (!Source) {
    FillWithBackground();
    Update();
    return;
  }
  if (auto* view = dynamic_cast<TImgView*>(Source)) {
    Bitmap->Assign(view->Bitmap);
    TIEViewControl::SetBackground(view->Background());
    SetDpi(view->GetDpiX(), view->GetDpiY());
  } else if (auto* platform = dynamic_cast<TBitmap*>(Source)) {
    Bitmap->CopyFromTBitmap(platform);
    const TIEPixelFormat format = Bitmap->PixelFormat();
    if (format != TIEPixelFormat::ie1g && format != TIEPixelFormat::ie24RGB)
      Bitmap->ConvertFormat(TIEPixelFormat::ie24RGB);
  } else {
    return;
  }
  Update();
  ImageChange();
}

void TImgView::SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) {
  TIEViewControl::SetBounds(ALeft, ATop, AWidth, AHeight);
  const TComponentState state = ComponentState();
  if (!state.Contains(TComponentStateItem::csReading) && !state.Contains(TComponentStateItem::csLoading) &&
      !state.Contains(TComponentStateItem::csDesigning))
    return;
  Bitmap->Allocate(Width(), Height(), TIEPixelFormat::ie24RGB);
  FillWithBackground();
  Update();
}

// ---- Locks -----------------------------------------------------------------------------------

int32_t TImgView::UnlockPaint() {
  if (PaintLock > 0) --PaintLock;
  if (PaintLock == 0) Update();
  return PaintLock;
}

int32_t TImgView::UnlockPaintNoUpdate() {
  if (PaintLock > 0) --PaintLock;
  return PaintLock;
}

int32_t TImgView::UnlockUpdate() {
  if (UpdateLock > 0) --UpdateLock;
  if (UpdateLock == 0) Update();
  return UpdateLock;
}

int32_t TImgView::GetViewWidth() { return HasParentWindow() ? ClientWidth() : 50; }
int32_t TImgView::GetViewHeight() { return HasParentWindow() ? ClientHeight() : 50; }
bool TImgView::HasParentWindow() { return Parent() != nullptr || ParentWindow() != nullptr; }

// ---- Layer synchronisation -------------------------------------------------------------------

void TImgView::SyncLayers() {
  if (LegacyTBitmap) {
    // Changes made on the platform bitmap itself are taken over; a bitmap
    // whose storage moved exposes its new platform bitmap.
    if (Bitmap->Location() == TIELocation::ieTBitmap && Bitmap->GetTBitmap() == LegacyTBitmap) {
      // The re-read replaces an alpha channel of the old size by a clear one;
      // an image resized that way stays opaque.
      const bool alphaResized =
          Bitmap->HasAlphaChannel() && (Bitmap->AlphaChannel()->Width() != LegacyTBitmap->Width() ||
                                        Bitmap->AlphaChannel()->Height() != LegacyTBitmap->Height());
      Bitmap->SyncFromTBitmap();
      if (alphaResized && Bitmap->HasAlphaChannel()) {
        Bitmap->AlphaChannel()->Fill(255);
        Bitmap->AlphaChannel()->SetFull(true);
      }
    } else
      LegacyTBitmap = Bitmap->Location() == TIELocation::ieTBitmap ? Bitmap->GetTBitmap() : nullptr;
  }
  if (TIELayer* layer = CurrentLayerObject()) layer->Bitmap = Bitmap;
  ExtentWidth = Layers[0]->Bitmap->Width();
  ExtentHeight = Layers[0]->Bitmap->Height();
  if (!SyncLayerExtent || Layers.size() < 2) return;
  for (const auto& layer : Layers) {
    ExtentWidth = std::max(ExtentWidth, layer->Bitmap->Width());
    ExtentHeight = std::max(ExtentHeight, layer->Bitmap->Height());
  }
  const double fill = BackgroundFillValue(Background());
  for (const auto& layer : Layers) {
    TIEBitmap* b = layer->Bitmap;
    if (b->Width() != ExtentWidth || b->Height() != ExtentHeight) {
      b->AlphaChannel();
      b->Resize(ExtentWidth, ExtentHeight, fill, 0, 0, 0);
    }
    if (b->HasAlphaChannel()) {
      TIEBitmap* alpha = b->AlphaChannel();
      if (alpha->Width() != ExtentWidth || alpha->Height() != ExtentHeight)
        alpha->Resize(ExtentWidth, ExtentHeight, 0, 0, 0, 0);
    }
  }
}

// ---- Update ----------------------------------------------------------------------------------

bool TImgView::UpdateAllowed() {
  if (UpdateLock > 0) return false;
  const TComponentState state = ComponentState();
  const TComponentState designing{TComponentStateItem::csDesigning};
  if (state == designing && !HasParentWindow()) return false;
  return state.Empty() || state == designing || state == TComponentState{TComponentStateItem::csFreeNotification};
}

void TImgView::Update() {
  if (!UpdateAllowed()) return;
  TFlagScope inUpdate(InUpdate, true);
  SyncLayers();
  ApplyFitRules();
  CheckBitmapSize();
  if (!ComponentState().Contains(TComponentStateItem::csDesigning)) UpdateOriginAndScrollBars();
  UpdateExtent();
  BackBufferDirty = true;
  FullRepaint = true;
  if (HasParentWindow()) Invalidate();
  if (LinkedOverview) {
    LinkedOverview->Update();
    RefreshOverview();
  }
}

void TImgView::ApplyFitRules() {
  if (!(FAutoFit || FAutoStretch || FAutoShrink) || ExtentWidth == 0 || ExtentHeight == 0) return;
  SetZoomFields(LimitZoom(FitRuleZoom()));
  UpdateDisplayTables();
  DoViewChange(1);
  ZoomFilterCountdown = 0;
  SelectionHideCountdown = 0;
}

void TImgView::CheckBitmapSize() {
  const int32_t w = Bitmap->Width(), h = Bitmap->Height();
  if (w == LastBitmapSize.X && h == LastBitmapSize.Y) return;
  LastBitmapSize = TPoint{w, h};
  if (Selected) {
    Selected = false;
    PolygonRecords[0]->Points.clear();
  }
  Mask->Allocate(w, h, MaskBitsPerPixel);
  if (Bitmap->HasAlphaChannel()) {
    TIEBitmap* alpha = Bitmap->AlphaChannel();
    if (alpha->Width() != w || alpha->Height() != h) {
      alpha->Allocate(w, h, TIEPixelFormat::ie8g);
      alpha->Fill(255);
      alpha->SetFull(true);
    }
  }
}

void TImgView::UpdateOriginAndScrollBars() {
  const TPoint viewSize{GetViewWidth(), GetViewHeight()};
  int32_t mx = 0, my = 0;
  MaxOrigin(mx, my);
  bool moved = false;
  if (FViewOriginX > mx) FViewOriginX = mx, moved = true;
  if (FViewOriginY > my) FViewOriginY = my, moved = true;
  if (moved) DoViewChange(0);
  if (HasParentWindow()) {
    try {
      if (BarAllowed(SB_HORZ)) SetupScrollBar(SB_HORZ, mx, viewSize.X, FViewOriginX, HScrollFactor, HScrollShown);
      if (BarAllowed(SB_VERT)) SetupScrollBar(SB_VERT, my, viewSize.Y, FViewOriginY, VScrollFactor, VScrollShown);
    } catch (const Exception&) {
      // A failing scroll bar leaves the rest of the update to run.
    }
  }
  if ((GetViewWidth() != viewSize.X || GetViewHeight() != viewSize.Y) && !UpdateReentered) {
    TFlagScope reentered(UpdateReentered, true);
    Update();
  }
}

// ---- Properties ------------------------------------------------------------------------------

void TImgView::SetDrawVersion(bool Value) {
  FDrawVersion = Value;
  Update();
}

void TImgView::SetCenter(bool Value) {
  if (Value == FCenter) return;
  FCenter = Value;
  Update();
}

void TImgView::SetZoomFilter(TResampleFilter Value) {
  SavedZoomFilter = Value;
  if (Value == FZoomFilter) return;
  FZoomFilter = Value;
  Update();
}

void TImgView::SetEnableAlphaChannel(bool Value) {
  FEnableAlphaChannel = Value;
  Update();
}

void TImgView::SetBackgroundStyle(TIEBackgroundStyle Value) {
  FBackgroundStyle = Value;
  if (HasParentWindow()) Invalidate();
  Update();
}

void TImgView::SetWallPaper(TPicture* Value) {
  FWallPaper->Assign(Value);
  Update();
}

void TImgView::SetWallPaperStyle(TIEWallPaperStyle Value) {
  if (Value == FWallPaperStyle) return;
  FWallPaperStyle = Value;
  Update();
}

void TImgView::SetScrollBarsAlwaysVisible(bool Value) {
  FScrollBarsAlwaysVisible = Value;
  Update();
}

void TImgView::SetAutoFit(bool Value) {
  FAutoFit = Value;
  Update();
}

void TImgView::SetAutoStretch(bool Value) {
  FAutoStretch = Value;
  Update();
}

void TImgView::SetAutoShrink(bool Value) {
  FAutoShrink = Value;
  Update();
}

void TImgView::SetCursor(TCursor Value) {
  CursorSetting = Value;
  ApplyCursor(Value);
}

void TImgView::ApplyCursor(TCursor Value) {
  if (!HasOwner) return;
  TIEViewControl::SetCursor(Value);
  ShownCursor = Value;
  if (Screen) ::SetCursor(Screen->Cursors(Value));
}

// ---- Messages --------------------------------------------------------------------------------

void TImgView::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_SIZE: WMSize(Message); return;
    case WM_ERASEBKGND: WMEraseBkgnd(Message); return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: WMFocus(Message); return;
    case WM_PALETTECHANGED: WMPaletteChanged(Message); return;
    case WM_HSCROLL: WMHScroll(Message); return;
    case WM_VSCROLL: WMVScroll(Message); return;
    case IEM_UPDATE: IEMUpdate(Message); return;
    case WM_MOUSEWHEEL: WMMouseWheel(Message); return;
    case WM_LBUTTONDBLCLK: WMLButtonDblClk(Message); return;
    case CM_WANTSPECIALKEY: CMWantSpecialKey(Message); return;
    case IEM_NEWFRAME:
    case IEM_EVENT: IEMMedia(Message); return;
    default: TIEViewControl::Dispatch(Message); return;
  }
}

void TImgView::WMSize(TMessage& Message) {
  TIEViewControl::Dispatch(Message);
  if (InUpdate) return;
  StopTransition();
  Update();
}

void TImgView::WMEraseBkgnd(TMessage& Message) { Message.Result = 0; }

void TImgView::WMFocus(TMessage& Message) {
  TIEViewControl::Dispatch(Message);
  Invalidate();
}

void TImgView::WMPaletteChanged(TMessage& Message) {
  // The screen has 24 bits, so realising a palette changes nothing; only a
  // missing main form canvas asks for a repaint.
  if (!Application || !Application->MainForm()) Invalidate();
  Message.Result = 1;
}

void TImgView::IEMUpdate(TMessage&) { Update(); }

void TImgView::IEMMedia(TMessage& Message) {
  // The media object is the I/O component's; a parameter naming anything
  // else is not followed.
  TIEIOSlot* slot = ImageIO ? ImageIO->DShowParams.get() : nullptr;
  auto* media = dynamic_cast<TIEDirectShow*>(slot);
  if (!media || reinterpret_cast<LPARAM>(media) != Message.LParam || !media->IsConnected()) return;
  const TNotifyEvent& event = Message.Msg == IEM_NEWFRAME ? OnDShowNewFrame : OnDShowEvent;
  if (event) event(this);
}
