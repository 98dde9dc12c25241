#include "platform/vcl/imglist.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "platform/gui/canvas.h"
#include "platform/gui/syscolors.h"

namespace {

COLORREF ListColor(TColor c) {
  if (c == clNone) return CLR_NONE;
  if (c == clDefault) return CLR_DEFAULT;
  return ColorToRGB(c);
}

constexpr uint32_t kDrawingStyles[] = {ILD_FOCUS, ILD_SELECTED, ILD_NORMAL, ILD_TRANSPARENT};

// One image taken out of a list: its pixels (transparent ones black) and a
// mask that is white where it is transparent, as ImageList_Add takes them.
struct TStoredImage {
  std::unique_ptr<TBitmap> Image = std::make_unique<TBitmap>();
  std::unique_ptr<TBitmap> Mask = std::make_unique<TBitmap>();
};

// Draws image index of list into Image (its size set to w x h, the
// transparent pixels black) and, when Mask is given, its shape into Mask.
bool ReadBack(HIMAGELIST list, int32_t index, int32_t w, int32_t h, TBitmap& Image, TBitmap* Mask) {
  Image.SetSize(w, h);
  HDC dc = Image.Canvas()->Handle();
  PatBlt(dc, 0, 0, w, h, BLACKNESS);
  if (!ImageList_DrawEx(list, index, dc, 0, 0, 0, 0, 0, CLR_NONE, ILD_NORMAL)) return false;
  if (Mask == nullptr) return true;
  Mask->SetSize(w, h);
  HDC mdc = Mask->Canvas()->Handle();
  SetTextColor(mdc, 0x000000);
  SetBkColor(mdc, 0xFFFFFF);
  return ImageList_DrawEx(list, index, mdc, 0, 0, 0, 0, CLR_NONE, CLR_NONE, ILD_MASK);
}

std::vector<TStoredImage> ReadRange(HIMAGELIST list, int32_t first, int32_t last, int32_t w, int32_t h) {
  std::vector<TStoredImage> out;
  for (int32_t i = first; i <= last; ++i) {
    TStoredImage s;
    ReadBack(list, i, w, h, *s.Image, s.Mask.get());
    out.push_back(std::move(s));
  }
  return out;
}

// The pixels of a bitmap handle as 0x00BBGGRR values (alpha in the top
// byte when the bitmap has 32 bits), rows top to bottom. Takes over bitmap.
std::vector<uint32_t> PixelsOf(HBITMAP bitmap, int32_t& w, int32_t& h, bool& has32) {
  TBitmap b;
  b.SetHandle(bitmap);
  has32 = b.PixelFormat() == TPixelFormat::pf32bit || b.PixelFormat() == TPixelFormat::pfDevice;
  if (!has32) b.SetPixelFormat(TPixelFormat::pf32bit);
  w = b.Width();
  h = b.Height();
  std::vector<uint32_t> out(size_t(w) * size_t(h));
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* row = b.ScanLine(y);
    for (int32_t x = 0; x < w; ++x) {
      const uint8_t* p = row + 4 * x;
      out[size_t(y) * size_t(w) + size_t(x)] =
          uint32_t(p[2]) | uint32_t(p[1]) << 8 | uint32_t(p[0]) << 16 | uint32_t(p[3]) << 24;
    }
  }
  return out;
}

void PutPixel(TBitmap& b, int32_t x, int32_t y, uint32_t rgb) {
  uint8_t* p = b.ScanLine(y) + 4 * x;
  p[0] = uint8_t(rgb >> 16);
  p[1] = uint8_t(rgb >> 8);
  p[2] = uint8_t(rgb);
  p[3] = 0;
}

// The icon scaled (nearest pixel) to w x h as an image and a mask: the AND
// mask, or the alpha channel of a 32-bit image whose alpha is used.
bool IconToBitmaps(TIcon* icon, int32_t w, int32_t h, TStoredImage& out) {
  if (icon == nullptr || icon->Empty()) return false;
  ICONINFO info;
  if (!GetIconInfo(icon->Handle(), &info)) return false;
  int32_t mw = 0, mh = 0, cw = 0, ch = 0;
  bool mask32 = false, color32 = false;
  HBITMAP colorHandle = info.hbmColor;
  const std::vector<uint32_t> mask = PixelsOf(info.hbmMask, mw, mh, mask32);
  std::vector<uint32_t> color;
  if (colorHandle != nullptr) color = PixelsOf(colorHandle, cw, ch, color32);
  const int32_t iw = colorHandle ? cw : mw;
  const int32_t ih = colorHandle ? ch : mh / 2;
  if (iw <= 0 || ih <= 0 || mw < iw || mh < ih) return false;
  bool alpha = false;
  if (color32)
    for (uint32_t c : color)
      if ((c >> 24) != 0) {
        alpha = true;
        break;
      }
  for (TBitmap* b : {out.Image.get(), out.Mask.get()}) {
    b->SetPixelFormat(TPixelFormat::pf32bit);
    b->SetSize(w, h);
  }
  for (int32_t y = 0; y < h; ++y) {
    const int32_t sy = int32_t((int64_t(2 * y + 1) * ih) / (2 * h));
    for (int32_t x = 0; x < w; ++x) {
      const int32_t sx = int32_t((int64_t(2 * x + 1) * iw) / (2 * w));
      const size_t s = size_t(sy) * size_t(iw) + size_t(sx);
      bool transparent;
      uint32_t c;
      if (colorHandle) {
        c = color[s];
        transparent = alpha ? (c >> 24) < 128 : (mask[size_t(sy) * size_t(mw) + size_t(sx)] & 0xFFFFFF) != 0;
      } else {
        c = mask[size_t(sy + ih) * size_t(mw) + size_t(sx)];
        transparent = (mask[size_t(sy) * size_t(mw) + size_t(sx)] & 0xFFFFFF) != 0;
      }
      PutPixel(*out.Image, x, y, transparent ? 0 : (c & 0xFFFFFF));
      PutPixel(*out.Mask, x, y, transparent ? 0xFFFFFF : 0);
    }
  }
  return true;
}

[[noreturn]] void IndexError() { throw EInvalidOperation("Invalid ImageList Index"); }

}  // namespace

// ---- TChangeLink ----------------------------------------------------------------

TChangeLink::~TChangeLink() {
  if (FSender != nullptr) FSender->UnRegisterChanges(this);
}

void TChangeLink::Change() {
  if (OnChange) OnChange(FSender);
}

// ---- TCustomImageList --------------------------------------------------------------

TCustomImageList::TCustomImageList(TComponent* AOwner) : TComponent(AOwner) {}

TCustomImageList::TCustomImageList(TComponent* AOwner, int32_t AWidth, int32_t AHeight) : TComponent(AOwner) {
  if (AWidth < 1 || AHeight < 1) throw EInvalidOperation("Invalid image size");
  FWidth = AWidth;
  FHeight = AHeight;
}

TCustomImageList::~TCustomImageList() {
  // Users unregister their change links when told the list goes.
  NotifyRemoval();
  for (TChangeLink* link : FClients) link->SetSender(nullptr);
  FClients.clear();
  FreeHandle();
}

void TCustomImageList::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TCustomImageList*>(Source);
  if (src == nullptr) {
    TComponent::Assign(Source);
    return;
  }
  if (src == this) return;
  FreeHandle();
  FWidth = src->FWidth;
  FHeight = src->FHeight;
  FAllocBy = src->FAllocBy;
  FBkColor = src->FBkColor;
  FBlendColor = src->FBlendColor;
  FDrawingStyle = src->FDrawingStyle;
  FImageType = src->FImageType;
  FMasked = src->FMasked;
  AddImages(src);
}

void TCustomImageList::SetWidth(int32_t Value) {
  if (Value == FWidth) return;
  if (Value < 1) throw EInvalidOperation("Invalid image size");
  FWidth = Value;
  Recreate();
  Change();
}

void TCustomImageList::SetHeight(int32_t Value) {
  if (Value == FHeight) return;
  if (Value < 1) throw EInvalidOperation("Invalid image size");
  FHeight = Value;
  Recreate();
  Change();
}

int32_t TCustomImageList::Count() const {
  return FHandle != nullptr ? std::max(ImageList_GetImageCount(FHandle), 0) : 0;
}

void TCustomImageList::SetBkColor(TColor Value) {
  if (Value == FBkColor) return;
  FBkColor = Value;
  if (FHandle != nullptr) ImageList_SetBkColor(FHandle, Value == clDefault ? CLR_NONE : ListColor(Value));
  Change();
}

void TCustomImageList::SetBlendColor(TColor Value) {
  if (Value == FBlendColor) return;
  FBlendColor = Value;
  Change();
}

void TCustomImageList::SetDrawingStyle(TDrawingStyle Value) {
  if (Value == FDrawingStyle) return;
  FDrawingStyle = Value;
  Change();
}

void TCustomImageList::SetImageType(TImageType Value) {
  if (Value == FImageType) return;
  FImageType = Value;
  Change();
}

void TCustomImageList::SetMasked(bool Value) {
  if (Value == FMasked) return;
  // The images move over to a handle with or without masks.
  std::vector<TStoredImage> images;
  if (FHandle != nullptr) images = ReadRange(FHandle, 0, Count() - 1, FWidth, FHeight);
  FMasked = Value;
  Recreate();
  for (TStoredImage& s : images) ImageList_Add(Handle(), s.Image->Handle(), s.Mask->Handle());
  Change();
}

HIMAGELIST TCustomImageList::Handle() {
  if (FHandle == nullptr) {
    FHandle = ImageList_Create(FWidth, FHeight, ILC_COLORDDB | (FMasked ? ILC_MASK : 0), FAllocBy, FAllocBy);
    if (FHandle == nullptr) throw EInvalidOperation("Invalid image size");
    if (FBkColor != clNone && FBkColor != clDefault) ImageList_SetBkColor(FHandle, ListColor(FBkColor));
  }
  return FHandle;
}

void TCustomImageList::SetHandle(HIMAGELIST Value) {
  if (Value == FHandle) return;
  FreeHandle();
  FHandle = Value;
  if (FHandle != nullptr) {
    int32_t cx = 0, cy = 0;
    if (ImageList_GetIconSize(FHandle, &cx, &cy)) {
      FWidth = cx;
      FHeight = cy;
    }
    const COLORREF bk = ImageList_GetBkColor(FHandle);
    FBkColor = bk == CLR_NONE ? clNone : static_cast<TColor>(bk);
  }
  Change();
}

void TCustomImageList::FreeHandle() {
  if (FHandle != nullptr && !FShareImages) ImageList_Destroy(FHandle);
  FHandle = nullptr;
}

void TCustomImageList::Recreate() {
  if (FHandle != nullptr) FreeHandle();
}

void TCustomImageList::CheckIndex(int32_t Index, int32_t Limit) const {
  if (Index < 0 || Index > Limit) IndexError();
}

int32_t TCustomImageList::Add(TBitmap* Image, TBitmap* Mask) {
  if (Image == nullptr || Image->Empty()) return -1;
  const int32_t r = ImageList_Add(Handle(), Image->Handle(), Mask ? Mask->Handle() : nullptr);
  if (r >= 0) Change();
  return r;
}

int32_t TCustomImageList::AddMasked(TBitmap* Image, TColor MaskColor) {
  if (Image == nullptr || Image->Empty()) return -1;
  const int32_t r = ImageList_AddMasked(Handle(), Image->Handle(), ColorToRGB(MaskColor));
  if (r >= 0) Change();
  return r;
}

int32_t TCustomImageList::AddIcon(TIcon* Image) {
  TStoredImage s;
  if (!IconToBitmaps(Image, FWidth, FHeight, s)) return -1;
  return Add(s.Image.get(), s.Mask.get());
}

void TCustomImageList::AddImages(TCustomImageList* Value) {
  if (Value == nullptr || Value == this) return;
  const int32_t n = Value->Count();
  HIMAGELIST mine = Handle();
  for (TStoredImage& s : ReadRange(Value->FHandle, 0, n - 1, Value->FWidth, Value->FHeight))
    ImageList_Add(mine, s.Image->Handle(), s.Mask->Handle());
  Change();
}

void TCustomImageList::MoveTail(int32_t From, int32_t Index) {
  const int32_t last = Count() - 1;
  if (Index >= From || From > last) return;
  std::vector<TStoredImage> range = ReadRange(FHandle, Index, last, FWidth, FHeight);
  std::rotate(range.begin(), range.begin() + (From - Index), range.end());
  for (size_t k = 0; k < range.size(); ++k)
    ImageList_Replace(FHandle, Index + int32_t(k), range[k].Image->Handle(), range[k].Mask->Handle());
}

void TCustomImageList::Insert(int32_t Index, TBitmap* Image, TBitmap* Mask) {
  const int32_t old = Count();
  CheckIndex(Index, old);
  if (Image == nullptr || Image->Empty()) return;
  if (ImageList_Add(Handle(), Image->Handle(), Mask ? Mask->Handle() : nullptr) < 0) return;
  MoveTail(old, Index);
  Change();
}

void TCustomImageList::InsertMasked(int32_t Index, TBitmap* Image, TColor MaskColor) {
  const int32_t old = Count();
  CheckIndex(Index, old);
  if (Image == nullptr || Image->Empty()) return;
  if (ImageList_AddMasked(Handle(), Image->Handle(), ColorToRGB(MaskColor)) < 0) return;
  MoveTail(old, Index);
  Change();
}

void TCustomImageList::InsertIcon(int32_t Index, TIcon* Image) {
  CheckIndex(Index, Count());
  TStoredImage s;
  if (!IconToBitmaps(Image, FWidth, FHeight, s)) return;
  Insert(Index, s.Image.get(), s.Mask.get());
}

void TCustomImageList::Replace(int32_t Index, TBitmap* Image, TBitmap* Mask) {
  CheckIndex(Index, Count() - 1);
  if (Image == nullptr || Image->Empty() ||
      !ImageList_Replace(FHandle, Index, Image->Handle(), Mask ? Mask->Handle() : nullptr))
    throw EInvalidOperation("Unable to Replace Image");
  Change();
}

void TCustomImageList::ReplaceMasked(int32_t Index, TBitmap* NewImage, TColor MaskColor) {
  CheckIndex(Index, Count() - 1);
  if (NewImage == nullptr || NewImage->Empty()) throw EInvalidOperation("Unable to Replace Image");
  TBitmap mask;
  mask.Assign(NewImage);
  mask.Mask(MaskColor);
  Replace(Index, NewImage, &mask);
}

void TCustomImageList::ReplaceIcon(int32_t Index, TIcon* Image) {
  CheckIndex(Index, Count() - 1);
  TStoredImage s;
  if (!IconToBitmaps(Image, FWidth, FHeight, s)) throw EInvalidOperation("Unable to Replace Image");
  Replace(Index, s.Image.get(), s.Mask.get());
}

void TCustomImageList::Delete(int32_t Index) {
  CheckIndex(Index, Count() - 1);
  ImageList_Remove(FHandle, Index);
  Change();
}

void TCustomImageList::Move(int32_t CurIndex, int32_t NewIndex) {
  const int32_t n = Count();
  CheckIndex(CurIndex, n - 1);
  CheckIndex(NewIndex, n - 1);
  if (CurIndex == NewIndex) return;
  const int32_t first = std::min(CurIndex, NewIndex), last = std::max(CurIndex, NewIndex);
  std::vector<TStoredImage> range = ReadRange(FHandle, first, last, FWidth, FHeight);
  if (CurIndex < NewIndex)
    std::rotate(range.begin(), range.begin() + 1, range.end());
  else
    std::rotate(range.rbegin(), range.rbegin() + 1, range.rend());
  for (size_t k = 0; k < range.size(); ++k)
    ImageList_Replace(FHandle, first + int32_t(k), range[k].Image->Handle(), range[k].Mask->Handle());
  Change();
}

void TCustomImageList::Clear() {
  if (FHandle != nullptr) ImageList_Remove(FHandle, -1);
  Change();
}

void TCustomImageList::Draw(TCanvas* Canvas, int32_t X, int32_t Y, int32_t Index, bool Enabled) {
  Draw(Canvas, X, Y, Index, FDrawingStyle, FImageType, Enabled);
}

void TCustomImageList::Draw(TCanvas* Canvas, int32_t X, int32_t Y, int32_t Index, TDrawingStyle ADrawingStyle,
                            TImageType AImageType, bool Enabled) {
  if (Canvas == nullptr || FHandle == nullptr || Index < 0 || Index >= Count()) return;
  const uint32_t style =
      kDrawingStyles[static_cast<size_t>(ADrawingStyle)] | (AImageType == TImageType::itMask ? ILD_MASK : 0);
  DoDraw(Index, Canvas, X, Y, style, Enabled);
}

void TCustomImageList::DoDraw(int32_t Index, TCanvas* Canvas, int32_t X, int32_t Y, uint32_t Style, bool Enabled) {
  HDC dc = Canvas->Handle();
  if (Enabled)
    ImageList_DrawEx(FHandle, Index, dc, X, Y, 0, 0, ListColor(FBkColor), ListColor(FBlendColor), Style);
  else
    ImageList_DrawDisabled(FHandle, Index, dc, X, Y);
}

bool TCustomImageList::GetBitmap(int32_t Index, TBitmap* Image) {
  if (Image == nullptr || FHandle == nullptr || Index < 0 || Index >= Count()) return false;
  return ReadBack(FHandle, Index, FWidth, FHeight, *Image, nullptr);
}

bool TCustomImageList::Overlay(int32_t ImageIndex, int32_t Overlay) {
  if (ImageIndex < 0 || ImageIndex >= Count() || Overlay < 0 || Overlay > 14) return false;
  return ImageList_SetOverlayImage(Handle(), ImageIndex, Overlay + 1);
}

bool TCustomImageList::GetIcon(int32_t Index, TIcon* Image) {
  if (Image == nullptr || FHandle == nullptr || Index < 0 || Index >= Count()) return false;
  TStoredImage s;
  if (!ReadBack(FHandle, Index, FWidth, FHeight, *s.Image, s.Mask.get())) return false;
  s.Mask->SetMonochrome(true);
  ICONINFO info;
  info.fIcon = true;
  info.hbmMask = s.Mask->Handle();
  info.hbmColor = s.Image->Handle();
  HICON icon = CreateIconIndirect(info);
  if (icon == nullptr) return false;
  Image->SetHandle(icon);
  return true;
}

void TCustomImageList::RegisterChanges(TChangeLink* Value) {
  if (Value == nullptr) return;
  if (Value->Sender() != nullptr && Value->Sender() != this) Value->Sender()->UnRegisterChanges(Value);
  Value->SetSender(this);
  if (std::find(FClients.begin(), FClients.end(), Value) == FClients.end()) FClients.push_back(Value);
}

void TCustomImageList::UnRegisterChanges(TChangeLink* Value) {
  auto it = std::find(FClients.begin(), FClients.end(), Value);
  if (it == FClients.end()) return;
  FClients.erase(it);
  Value->SetSender(nullptr);
}

void TCustomImageList::Change() {
  // A link's handler may unregister links: walk a copy and skip the gone.
  const std::vector<TChangeLink*> links = FClients;
  for (TChangeLink* link : links)
    if (std::find(FClients.begin(), FClients.end(), link) != FClients.end()) link->Change();
  if (OnChange) OnChange(this);
}

bool ReplaceImageList(TComponent* Owner, TCustomImageList*& Field, TCustomImageList* Value, TChangeLink* Link) {
  if (Field == Value) return false;
  if (Field != nullptr) {
    Field->UnRegisterChanges(Link);
    Field->RemoveFreeNotification(Owner);
  }
  Field = Value;
  if (Value != nullptr) {
    Value->RegisterChanges(Link);
    Value->FreeNotification(Owner);
  }
  return true;
}
