#include <algorithm>

#include "platform/gui/win_menus.h"
#include "platform/gui/win_paint.h"
#include "platform/rtl/clock.h"
#include "platform/rtl/scopeguard.h"
#include "platform/rtl/strings.h"
#include "skin/engine/data/skindraw.h"
#include "skin/engine/data/skinimage.h"
#include "skin/engine/menus/skinmenus.h"

namespace {

constexpr uintptr_t kScrollTimer = 1;
constexpr uint32_t VK_ENTER = 13, VK_ESC = 27, VK_LEFTKEY = 37, VK_UPKEY = 38, VK_RIGHTKEY = 39, VK_DOWNKEY = 40;

TbsDataSkinMenuItem* FirstMenuItemObject(TbsSkinData* Skin) {
  for (const auto& o : Skin->SkinObjects)
    if (auto* m = dynamic_cast<TbsDataSkinMenuItem*>(o.get())) return m;
  return nullptr;
}

TBitmap* ActivePicture(TbsSkinData* Skin, int32_t Index) {
  if (Index < 0 || Index >= int32_t(Skin->ActivePictures.size())) return nullptr;
  return Skin->ActivePictures[size_t(Index)].get();
}

bool InRect(const TRect& R, const TPoint& P) {
  return P.X >= R.Left && P.X < R.Right && P.Y >= R.Top && P.Y < R.Bottom;
}

}  // namespace

TbsSkinPopupWindow::TbsSkinPopupWindow(TbsSkinMenu* AOwner, TbsDataSkinPopupWindow* AData)
    : TCustomControl(AOwner), FOwnerMenu(AOwner) {
  SetVisible(false);
  TbsSkinData* skin = AOwner->MenuSkinData;
  // A window picture out of range, or no menu-item object, leaves the whole
  // menu in the default look rather than half-skinned.
  if (AData != nullptr && skin != nullptr && !skin->Empty && AData->WindowPictureIndex != -1) {
    TBitmap* picture = ActivePicture(skin, AData->WindowPictureIndex);
    TbsDataSkinMenuItem* item = FirstMenuItemObject(skin);
    if (picture != nullptr && !picture->Empty() && item != nullptr) {
      WindowSkinData = skin;
      WindowDescription = AData;
      FramePicture = picture;
      FrameMask = ActivePicture(skin, AData->MaskPictureIndex);
    }
  }
  FTrackTimer = new TTimer(this);
  FTrackTimer->SetEnabled(false);
  FTrackTimer->SetInterval(50);
  FTrackTimer->SetOnTimer([this](TObject* Sender) { TrackTick(Sender); });
  FEffectTimer = new TTimer(this);
  FEffectTimer->SetEnabled(false);
  FEffectTimer->SetInterval(20);
  FEffectTimer->SetOnTimer([this](TObject* Sender) { EffectTick(Sender); });
}

TbsSkinPopupWindow::~TbsSkinPopupWindow() {
  MenuItems.clear();
  DestroyComponents();
}

void TbsSkinPopupWindow::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.Style = WS_POPUP;
  Params.ExStyle = WS_EX_TOOLWINDOW;
  Params.WndParent = nullptr;
  Params.WindowClass.style |= CS_SAVEBITS;
  if (IsWindowsXP() || IsWindowsVistaOrLater()) Params.WindowClass.style |= CS_DROPSHADOW;
}

void TbsSkinPopupWindow::WndProc(TMessage& Message) {
  ++FHandlerDepth;
  auto done = ScopeExit([this] {
    if (--FHandlerDepth == 0 && FClosed) FOwnerMenu->ScheduleRelease();
  });
  TCustomControl::WndProc(Message);
}

void TbsSkinPopupWindow::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_ERASEBKGND: WMEraseBkgnd(Message); return;
    case WM_TIMER: WMTimer(Message); return;
    case WM_MOUSEACTIVATE: Message.Result = MA_NOACTIVATE; return;
    default: TCustomControl::Dispatch(Message); return;
  }
}

// ---- Showing --------------------------------------------------------------------------------

void TbsSkinPopupWindow::Show(const TRect& R, TMenuItem* Item, int32_t StartIndex, bool PopupUp, bool Beside) {
  DoShow(R, Item, nullptr, StartIndex, PopupUp, Beside);
}

void TbsSkinPopupWindow::ShowMerged(const TRect& R, TMenuItem* A, TMenuItem* B, int32_t StartIndex, bool PopupUp,
                                    bool Beside) {
  DoShow(R, A, B, StartIndex, PopupUp, Beside);
}

void TbsSkinPopupWindow::DoShow(const TRect& R, TMenuItem* A, TMenuItem* B, int32_t StartIndex, bool PopupUp,
                                bool Beside) {
  const TbsSkinMenu& menu = *FOwnerMenu;
  const bool fade = menu.AlphaBlend && menu.AlphaBlendAnimation && menu.FirstWindow;
  if (fade && Application != nullptr) Application->ProcessMessages();
  HandleNeeded();
  CreateItems(A, B, StartIndex);
  CalcSize(B != nullptr);
  PlaceFrame();
  SetSkinRegion();
  ArrangeItems();
  FindShowPos(R, PopupUp, Beside);
  if (menu.AlphaBlend) {
    SetWindowLong(Handle(), GWL_EXSTYLE, GetWindowLong(Handle(), GWL_EXSTYLE) | WS_EX_LAYERED);
    SetWindowAlpha(Handle(), fade ? 0 : menu.AlphaBlendValue);
  }
  ShowWindowAt();
  if (fade) FadeIn();
  FTrackTimer->SetEnabled(true);
  AutoSelectFirst();
}

void TbsSkinPopupWindow::ShowWindowAt() {
  SetBounds(ShowPos.X, ShowPos.Y, Width(), Height());
  SetWindowPos(Handle(), HWND_TOPMOST, ShowPos.X, ShowPos.Y, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW | SWP_NOACTIVATE);
  Invalidate();
  Update();
}

// Blocking on purpose: the first window appears before anything else runs.
// Sleep(1) between checks keeps the loop off the processor.
void TbsSkinPopupWindow::FadeIn() {
  const uint8_t target = FOwnerMenu->AlphaBlendValue;
  int32_t alpha = 0;
  uint32_t last = ::GetTickCount();
  while (alpha < target) {
    const uint32_t now = ::GetTickCount();
    if (now - last > 5) {
      alpha = std::min<int32_t>(target, alpha + 10);
      SetWindowAlpha(Handle(), uint8_t(alpha));
      last = now;
    } else {
      ::Sleep(1);
    }
  }
}

void TbsSkinPopupWindow::AutoSelectFirst() {
  HotIndex = -1;
  for (int32_t i = 0; i < ItemCount(); ++i) {
    TbsSkinMenuItem* item = Items(i);
    if (!item->Selectable()) continue;
    item->AutoSelected = true;
    HotIndex = i;
    item->MouseEnter(true);
    return;
  }
}

void TbsSkinPopupWindow::Hide() {
  FTrackTimer->SetEnabled(false);
  FEffectTimer->SetEnabled(false);
  if (!HandleAllocated()) return;
  KillTimer(Handle(), kScrollTimer);
  ShowWindow(Handle(), SW_HIDE);
}

// ---- Items, size and layout ---------------------------------------------------------------------

void TbsSkinPopupWindow::CreateItems(TMenuItem* A, TMenuItem* B, int32_t StartIndex) {
  ItemDescription = WindowSkinData != nullptr ? FirstMenuItemObject(WindowSkinData) : nullptr;
  SetWindowFont();
  TMenu* menu = A->GetParentMenu();
  ItemImages = menu != nullptr ? menu->Images() : nullptr;
  AddItems(A, StartIndex);
  if (B != nullptr) AddItems(B, std::max(0, StartIndex - A->Count()));
}

void TbsSkinPopupWindow::AddItems(TMenuItem* Source, int32_t From) {
  TMenu* menu = Source->GetParentMenu();
  const bool reduce = menu != nullptr && menu->AutoLineReduction() == TMenuAutoFlag::maAutomatic;
  if (reduce) Source->RethinkLines();
  for (int32_t i = From; i < Source->Count(); ++i) {
    TMenuItem* child = Source->Items(i);
    if (!(reduce ? child->IsShown() : child->Visible())) continue;
    child->InitiateAction();
    MenuItems.push_back(std::make_unique<TbsSkinMenuItem>(this, ItemDescription, child));
  }
}

void TbsSkinPopupWindow::SetWindowFont() {
  TFont* f = Canvas()->Font();
  if (ItemDescription != nullptr && FOwnerMenu->UseSkinFont) {
    f->SetHeight(ItemDescription->FontHeight);
    f->SetStyle(ItemDescription->FontStyle);
    f->SetName(ItemDescription->FontName);
  } else {
    f->Assign(FOwnerMenu->DefMenuItemFont());
  }
  if (WindowSkinData != nullptr && WindowSkinData->ResourceStrData() != nullptr)
    f->SetCharset(WindowSkinData->ResourceStrData()->CharSet());
  else
    f->SetCharset(FOwnerMenu->DefMenuItemFont()->Charset());
}

int32_t TbsSkinPopupWindow::ItemHeightOf(const TbsSkinMenuItem& Item) const { return Item.ItemHeight(); }

int32_t TbsSkinPopupWindow::NormalItemHeight() const {
  return ItemDescription != nullptr ? RectHeight(ItemDescription->SkinRect) : FOwnerMenu->DefMenuItemHeight;
}

void TbsSkinPopupWindow::CalcSize(bool TwoSources) {
  int32_t w = 0;
  for (const auto& item : MenuItems) {
    String text = item->SourceItem->Caption();
    if (item->SourceItem->ShortCut() != scNone) text += "  " + ShortCutToText(item->SourceItem->ShortCut());
    w = std::max(w, TextWidthW(Canvas(), UTF8ToUTF16(text)));
  }
  w += 2;
  GlyphColumn = ItemImages != nullptr ? ItemImages->Width() + 5 : 19;
  const int32_t a = w + GlyphColumn + 19;
  const int32_t n = ItemCount();
  int32_t sum = 0;
  for (const auto& item : MenuItems) sum += ItemHeightOf(*item);
  int32_t width, height;
  Scrolling = false;
  ScrollByLimit = false;
  const int32_t limit = FOwnerMenu->MaxMenuItemsInWindow;
  if (Skinned()) {
    const TRect& ir = WindowDescription->ItemsRect;
    const TbsDataSkinMenuItem& d = *ItemDescription;
    width = FramePicture->Width() - RectWidth(ir) + a + d.TextRect.Left + (RectWidth(d.SkinRect) - d.TextRect.Right);
    const int32_t frame = FramePicture->Height() - RectHeight(ir);
    height = frame + sum;
    if (limit > 0 && limit < n) height = frame + NormalItemHeight() * limit + 20;
  } else {
    width = a + 10;
    height = sum + (TwoSources ? 6 : 4);
    if (limit > 0 && limit < n) height = NormalItemHeight() * limit + (TwoSources ? 26 : 24);
  }
  if (limit > 0 && limit < n) Scrolling = ScrollByLimit = true;
  if (height > RectHeight(FOwnerMenu->MenuArea)) {
    height = RectHeight(FOwnerMenu->MenuArea);
    Scrolling = true;
  }
  SetBounds(Left(), Top(), width, height);
}

void TbsSkinPopupWindow::PlaceFrame() {
  const int32_t w = Width(), h = Height();
  if (!Skinned()) {
    ItemsArea = TRect{2, 2, w - 2, h - 2};
    return;
  }
  const TbsDataSkinPopupWindow& d = *WindowDescription;
  const int32_t pw = FramePicture->Width(), ph = FramePicture->Height();
  FrameLT = d.LeftTopPoint;
  FrameRT = TPoint{w + d.RightTopPoint.X - pw, d.RightTopPoint.Y};
  FrameLB = TPoint{d.LeftBottomPoint.X, h + d.LeftBottomPoint.Y - ph};
  FrameRB = TPoint{w + d.RightBottomPoint.X - pw, h + d.RightBottomPoint.Y - ph};
  ItemsArea = TRect{d.ItemsRect.Left, d.ItemsRect.Top, w + d.ItemsRect.Right - pw, h + d.ItemsRect.Bottom - ph};
}

void TbsSkinPopupWindow::SetSkinRegion() {
  if (!Skinned() || FrameMask == nullptr || FrameMask->Empty()) return;
  const TbsDataSkinPopupWindow& d = *WindowDescription;
  HRGN rgn = nullptr;
  RegionFromSkinMask(rgn, d.LeftTopPoint, d.RightTopPoint, d.LeftBottomPoint, d.RightBottomPoint, d.ItemsRect, FrameLT,
                     FrameRT, FrameLB, FrameRB, ItemsArea, FrameMask, Width(), Height());
  // The window owns the region it is given and frees the one it replaces.
  SetWindowRgn(Handle(), rgn, true);
  WindowRegion = rgn;
}

void TbsSkinPopupWindow::ArrangeItems() {
  ShownCount = 0;
  int32_t y = ItemsArea.Top + (Scrolling ? 10 : 0);
  const int32_t bottom = ItemsArea.Bottom - (Scrolling ? 10 : 0);
  for (int32_t i = FirstShown; i < ItemCount(); ++i) {
    TbsSkinMenuItem* item = Items(i);
    const int32_t h = ItemHeightOf(*item);
    item->ItemRect = TRect{ItemsArea.Left, y, ItemsArea.Right, y + h};
    y += h;
    if (y > bottom) break;
    item->Shown = true;
    ++ShownCount;
  }
  if (!Scrolling) return;
  for (int32_t i = 0; i < ItemCount(); ++i)
    if (i < FirstShown || i >= FirstShown + ShownCount) Items(i)->Shown = false;
}

void TbsSkinPopupWindow::FindShowPos(const TRect& R, bool PopupUp, bool Beside) {
  const TRect& A = FOwnerMenu->MenuArea;
  const int32_t w = Width(), h = Height();
  const bool cut = Scrolling && !ScrollByLimit;
  const bool upperHalf = R.Top < A.Top + RectHeight(A) / 2;
  bool overlap = false;
  int32_t y;
  if (cut) {
    y = A.Top;
  } else if (Beside) {
    if (R.Top + h - ItemsArea.Top <= A.Bottom)
      y = R.Top - ItemsArea.Top;
    else if (upperHalf)
      y = A.Bottom - h;
    else
      y = std::max(A.Top, R.Bottom + ItemsArea.Top - h);
  } else if (PopupUp) {
    if (R.Top - h >= A.Top) {
      y = R.Top - h;
    } else if (upperHalf) {
      y = R.Bottom + h <= A.Bottom ? R.Bottom : A.Bottom - h;
      overlap = R.Bottom + h > A.Bottom;
    } else {
      y = A.Top;
      overlap = true;
    }
  } else {
    if (R.Bottom + h <= A.Bottom) {
      y = R.Bottom;
    } else if (upperHalf) {
      y = A.Bottom - h;
      overlap = true;
    } else if (R.Top - h >= A.Top) {
      y = R.Top - h;
    } else {
      y = A.Top;
      overlap = true;
    }
  }
  int32_t x;
  if (Beside || cut || overlap)
    x = R.Right + w + 1 <= A.Right ? R.Right + 1 : R.Left - w - 1;
  else if (R.Left + w > A.Right)
    x = A.Right - w;
  else if (R.Left < A.Left)
    x = A.Left;
  else
    x = R.Left;
  ShowPos = TPoint{x, y};
}

// ---- Painting --------------------------------------------------------------------------------------

void TbsSkinPopupWindow::WMEraseBkgnd(TMessage& Message) {
  PaintMenu(reinterpret_cast<HDC>(Message.WParam));
  Message.Result = 1;
}

void TbsSkinPopupWindow::PaintMenu(HDC DC) {
  const int32_t w = Width(), h = Height();
  if (w <= 0 || h <= 0 || DC == nullptr) return;
  TBitmap b;
  b.SetSize(w, h);
  PaintBackground(b.Canvas());
  for (int32_t i = FirstShown; i < std::min(ItemCount(), FirstShown + ShownCount); ++i) Items(i)->Draw(b.Canvas());
  if (Scrolling) DrawScrollStrips(b.Canvas());
  BitBlt(DC, 0, 0, w, h, b.Canvas()->Handle(), 0, 0, SRCCOPY);
}

void TbsSkinPopupWindow::PaintBackground(TCanvas* Cnvs) {
  const int32_t w = Width(), h = Height();
  if (Skinned()) {
    const TbsDataSkinPopupWindow& d = *WindowDescription;
    TBitmap b;
    BuildWindowSkinImage(d.LeftTopPoint, d.RightTopPoint, d.LeftBottomPoint, d.RightBottomPoint, d.ItemsRect, FrameLT,
                         FrameRT, FrameLB, FrameRB, ItemsArea, &b, FramePicture,
                         TRect{0, 0, FramePicture->Width(), FramePicture->Height()}, w, h, Scrolling, d.LeftStretch,
                         d.TopStretch, d.RightStretch, d.BottomStretch, d.StretchEffect, d.StretchType);
    Cnvs->Draw(0, 0, &b);
    return;
  }
  const int32_t column = ItemImages != nullptr ? GlyphColumn + 2 : 21;
  Cnvs->Brush()->SetStyle(TBrushStyle::bsSolid);
  Cnvs->Brush()->SetColor(clBtnFace);
  Cnvs->FillRect(TRect{0, 0, column + 1, h});
  Cnvs->Brush()->SetColor(clWindow);
  Cnvs->FillRect(TRect{column + 1, 0, w, h});
  Cnvs->Brush()->SetColor(clBtnShadow);
  Cnvs->FrameRect(TRect{0, 0, w, h});
  Cnvs->Brush()->SetColor(clWindow);
  Cnvs->FrameRect(TRect{1, 1, w - 1, h - 1});
}

TRect TbsSkinPopupWindow::UpStrip() const {
  if (Skinned()) return TRect{ItemsArea.Left, ItemsArea.Top, ItemsArea.Right, ItemsArea.Top + 10};
  return TRect{3, 3, Width() - 3, 13};
}

TRect TbsSkinPopupWindow::DownStrip() const {
  if (Skinned()) return TRect{ItemsArea.Left, ItemsArea.Bottom - 10, ItemsArea.Right, ItemsArea.Bottom};
  return TRect{3, Height() - 10, Width() - 3, Height() - 3};
}

void TbsSkinPopupWindow::DrawScrollStrips(TCanvas* Cnvs) {
  TColor normal = clBtnShadow, active = clBtnText;
  if (Skinned()) {
    normal = WindowDescription->ScrollMarkerColor;
    active = WindowDescription->ScrollMarkerActiveColor;
  }
  DrawArrow(Cnvs, UpStrip(), ScrollDirection == 1 ? active : normal, 3);
  DrawArrow(Cnvs, DownStrip(), ScrollDirection == 2 ? active : normal, 4);
}

void TbsSkinPopupWindow::RedrawStrips() {
  if (!HandleAllocated() || !Scrolling) return;
  for (const TRect& r : {UpStrip(), DownStrip()}) InvalidateRect(Handle(), &r, true);
  Update();
}

void TbsSkinPopupWindow::RedrawItem(TbsSkinMenuItem* Item) {
  if (!HandleAllocated() || !IsWindowVisible(Handle()) || !Item->Shown) return;
  // A device context of the window as it is now: the canvas's own one may
  // date from before the window got its size.
  HDC dc = GetDC(Handle());
  auto release = ScopeExit([&] { ReleaseDC(Handle(), dc); });
  TCanvas c;
  c.SetHandle(dc);
  Item->Draw(&c);
  c.SetHandle(nullptr);
}

// ---- Scrolling ------------------------------------------------------------------------------------

void TbsSkinPopupWindow::StartScroll(int32_t Direction) {
  ScrollDirection = Direction;
  RedrawStrips();
  FOwnerMenu->CloseLevels(FOwnerMenu->IndexOfWindow(this) + 1);
  SetTimer(Handle(), kScrollTimer, 100, nullptr);
}

void TbsSkinPopupWindow::StopScroll() {
  ScrollDirection = 0;
  RedrawStrips();
  if (HandleAllocated()) KillTimer(Handle(), kScrollTimer);
}

void TbsSkinPopupWindow::WMTimer(TMessage& Message) {
  if (Message.WParam != kScrollTimer) return;
  if (ScrollDirection == 1 && CanScrollUp())
    ScrollUp(false);
  else if (ScrollDirection == 2 && CanScrollDown())
    ScrollDown(false);
  else
    StopScroll();
}

void TbsSkinPopupWindow::ScrollUp(bool Cycle) {
  if (FirstShown > 0)
    --FirstShown;
  else if (Cycle)
    FirstShown = LastPageStart();
  else
    return;
  Relayout();
}

void TbsSkinPopupWindow::ScrollDown(bool Cycle) {
  if (CanScrollDown())
    ++FirstShown;
  else if (Cycle)
    FirstShown = 0;
  else
    return;
  Relayout();
}

int32_t TbsSkinPopupWindow::LastPageStart() const {
  int32_t r = ItemsArea.Bottom - 10;
  int32_t count = 0;
  for (int32_t i = ItemCount() - 1; i >= 0; --i) {
    r -= ItemHeightOf(*Items(i));
    if (r < ItemsArea.Top + 10) break;
    ++count;
  }
  return ItemCount() - count;
}

void TbsSkinPopupWindow::Relayout() {
  ArrangeItems();
  if (!HandleAllocated()) return;
  Invalidate();
  Update();
}

// ---- Mouse -------------------------------------------------------------------------------------------

void TbsSkinPopupWindow::TrackTick(TObject*) {
  TPoint screen;
  GetCursorPos(&screen);
  const TPoint p = ScreenToClient(screen);
  if (p == LastMousePos) return;
  if (WindowFromPoint(screen) == Handle())
    TestMouse(p);
  else if (Scrolling && ScrollDirection != 0)
    StopScroll();
  LastMousePos = p;
}

void TbsSkinPopupWindow::TrackScrollStrips(const TPoint& P) {
  if (!Scrolling) return;
  if (InRect(UpStrip(), P)) {
    if (ScrollDirection == 0 && CanScrollUp()) StartScroll(1);
  } else if (InRect(DownStrip(), P)) {
    if (ScrollDirection == 0 && CanScrollDown()) StartScroll(2);
  } else if (ScrollDirection != 0) {
    StopScroll();
  }
}

void TbsSkinPopupWindow::TestMouse(const TPoint& P) {
  TrackScrollStrips(P);
  if (MenuItems.empty()) return;
  PrevHotIndex = HotIndex;
  for (int32_t i = 0; i < ItemCount(); ++i)
    if (Items(i)->Shown && InRect(Items(i)->ItemRect, P)) {
      HotIndex = i;
      break;
    }
  if (HotIndex >= ItemCount()) HotIndex = -1;
  if (HotIndex == PrevHotIndex) {
    if (HotIndex == -1) return;
    TbsSkinMenuItem* item = Items(HotIndex);
    if (!item->AutoSelected) return;
    item->AutoSelected = false;
    if (item->SourceItem->Count() > 0) item->MouseEnter(false);
    return;
  }
  if (PrevHotIndex >= 0 && PrevHotIndex < ItemCount() && Items(PrevHotIndex)->Selectable())
    Items(PrevHotIndex)->MouseLeave();
  if (HotIndex >= 0 && Items(HotIndex)->Selectable()) Items(HotIndex)->MouseEnter(false);
}

void TbsSkinPopupWindow::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TCustomControl::MouseUp(Button, Shift, X, Y);
  const TPoint p{X, Y};
  TestMouse(p);
  if (Button != TMouseButton::mbLeft || HotIndex == -1) return;
  TbsSkinMenuItem* item = Items(HotIndex);
  if (item->Shown && InRect(item->ItemRect, p) && !item->IsSeparator()) item->Click();
}

void TbsSkinPopupWindow::EffectTick(TObject*) {
  bool changed = false;
  for (const auto& item : MenuItems) changed = item->EffectTick() || changed;
  if (!changed) FEffectTimer->SetEnabled(false);
}

// ---- Keyboard ---------------------------------------------------------------------------------------

void TbsSkinPopupWindow::ProcessKey(uint32_t KeyCode) {
  if (!HandleAllocated() || !IsWindowVisible(Handle())) return;
  if (IsWindowEnabled(Handle()) && ProcessAccel(KeyCode)) return;
  switch (KeyCode) {
    case VK_ENTER: ClickHot(false); break;
    case VK_ESC: CloseLastLevel(); break;
    case VK_LEFTKEY:
      if (FOwnerMenu->WindowCount() >= 2) CloseLastLevel();
      break;
    case VK_UPKEY: SelectPrev(); break;
    case VK_RIGHTKEY: ClickHot(true); break;
    case VK_DOWNKEY: SelectNext(); break;
    default: break;
  }
}

bool TbsSkinPopupWindow::ProcessAccel(uint32_t KeyCode) {
  for (int32_t i = 0; i < ItemCount(); ++i) {
    TbsSkinMenuItem* item = Items(i);
    if (!IsAccel(KeyCode, item->SourceItem->Caption())) continue;
    const int32_t prev = HotIndex;
    HotIndex = i;
    if (prev != i && prev >= 0 && prev < ItemCount()) Items(prev)->MouseLeave();
    if (prev != i) item->MouseEnter(false);
    item->Click();
    return true;
  }
  return false;
}

void TbsSkinPopupWindow::ClickHot(bool OnlyWithChildren) {
  if (HotIndex < 0 || HotIndex >= ItemCount()) return;
  TbsSkinMenuItem* item = Items(HotIndex);
  if (!OnlyWithChildren || item->SourceItem->Count() > 0) item->Click();
}

void TbsSkinPopupWindow::CloseLastLevel() {
  TbsSkinMenu* menu = FOwnerMenu;
  menu->CloseLevels(menu->WindowCount() - 1);
  TbsSkinPopupWindow* last = menu->LastWindow();
  if (last == nullptr || last->HotIndex < 0 || last->HotIndex >= last->ItemCount()) return;
  TbsSkinMenuItem* hot = last->Items(last->HotIndex);
  hot->SubmenuOpen = false;
  hot->StartEffect();
}

void TbsSkinPopupWindow::ChangeHot(int32_t NewIndex, bool Kb) {
  const int32_t prev = HotIndex;
  if (NewIndex == prev) return;
  HotIndex = NewIndex;
  if (prev >= 0 && prev < ItemCount() && Items(prev)->Selectable()) Items(prev)->MouseLeave();
  TbsSkinMenuItem* item = Items(NewIndex);
  item->AutoSelected = Kb;
  item->MouseEnter(Kb);
}

bool TbsSkinPopupWindow::StepWalkDown(int32_t Index) {
  if (Scrolling && ScrollDirection == 0 && Index > FirstShown + ShownCount - 1) {
    ScrollDown(true);
    return true;
  }
  return false;
}

bool TbsSkinPopupWindow::StepWalkUp(int32_t Index) {
  if (Scrolling && ScrollDirection == 0 && Index < FirstShown) {
    ScrollUp(true);
    return true;
  }
  return false;
}

// Down wraps once, from the end to the first item, then walks forward
// without wrapping: with only disabled items and separators after the hot
// item, nothing changes.
void TbsSkinPopupWindow::SelectNext() {
  const int32_t n = ItemCount();
  if (n == 0) return;
  if (HotIndex >= 0 && HotIndex == FirstShown + ShownCount - 1) StepWalkDown(HotIndex + 1);
  int32_t i = HotIndex + 1;
  if (i >= n) i = 0;
  for (; i < n; ++i) {
    StepWalkDown(i);
    if (Items(i)->Selectable()) {
      ChangeHot(i, true);
      return;
    }
  }
}

void TbsSkinPopupWindow::SelectPrev() {
  const int32_t n = ItemCount();
  if (n == 0) return;
  if (HotIndex >= 0 && HotIndex == FirstShown) StepWalkUp(HotIndex - 1);
  int32_t i = HotIndex - 1;
  if (HotIndex <= 0) i = n - 1;
  for (; i >= 0; --i) {
    StepWalkUp(i);
    if (Items(i)->Selectable()) {
      ChangeHot(i, true);
      return;
    }
  }
}

void TbsSkinPopupWindow::CloseSubmenusOf() {
  const int32_t level = FOwnerMenu->IndexOfWindow(this);
  if (level + 1 >= FOwnerMenu->WindowCount()) return;
  TbsSkinPopupWindow* sub = FOwnerMenu->Windows(level + 1);
  FOwnerMenu->CloseLevels(level + 2);
  for (const auto& i : sub->MenuItems) {
    if (!i->SubmenuOpen) continue;
    i->SubmenuOpen = false;
    if (i->CanAnimate() && !i->Description->InActiveAnimation) i->FrameIndex = 0;
    sub->RedrawItem(i.get());
  }
}
