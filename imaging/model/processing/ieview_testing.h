// A view for tests: the view services over a TIEBitmap and a TIEMask.
#pragma once

#include <memory>
#include <vector>

#include "imaging/model/containers/iemask.h"
#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/processing/ieview.h"

class TIEFakeView : public TComponent, public TIEView, public TIEImgViewServices {
 public:
  explicit TIEFakeView(TComponent* AOwner = nullptr) : TComponent(AOwner) {}
  ~TIEFakeView() override { FListeners.Notify(this, true); }

  int32_t AddBitmapChangeListener(TIEBitmapChangeEvent Callback) override {
    return FListeners.Add(std::move(Callback));
  }
  void RemoveBitmapChangeListener(int32_t Handle) override { FListeners.Remove(Handle); }
  // With Platform set the view shows that platform bitmap and no TIEBitmap.
  TBitmap* GetBitmap() override { return Platform; }
  TIEBitmap* GetIEBitmap() override { return Platform ? nullptr : FCurrent; }
  void SetDpiX(int32_t Value) override {
    if (Value != 0) DpiX = Value;
  }
  void SetDpiY(int32_t Value) override {
    if (Value != 0) DpiY = Value;
  }
  int32_t GetDpiX() const override { return DpiX; }
  int32_t GetDpiY() const override { return DpiY; }
  void ImageChange() override { ++ImageChanges; }
  void SetBackground(TColor Value) override { FBackground = Value; }
  TColor Background() const override { return FBackground; }
  TCanvas* GetCanvas() override { return nullptr; }
  void LockPaint() override { ++FLock; }
  int32_t UnlockPaintNoUpdate() override {
    if (FLock > 0) --FLock;
    return FLock;
  }
  void Update() override { ++Updates; }
  HWND Handle() override { return nullptr; }
  TComponent* ViewComponent() override { return this; }

  TIEMask* SelectionMask() override { return &Mask; }
  bool HasSelection() const override { return Selected; }
  const TPoint* GetSelectionPoints() override { return Points.empty() ? nullptr : Points.data(); }
  int32_t GetSelectionPointCount() override { return static_cast<int32_t>(Points.size()); }
  void SaveSelectionToStream(TStream* Stream) override {
    IEWriteSelectionState(Stream, Mask, Points, PolyRecord, Selected);
  }
  bool LoadSelectionFromStream(TStream* Stream) override {
    return IEReadSelectionState(Stream, Mask, Points, PolyRecord, Selected, FCurrent->Width(), FCurrent->Height());
  }
  void ClearImage() override {
    FCurrent->Allocate(1, 1, TIEPixelFormat::ie24RGB);
    const TRGB c = ColorToTRGB(FBackground);
    FCurrent->Fill(c.r | c.g << 8 | c.b << 16);
    FCurrent->RemoveAlphaChannel();
    Update();
  }
  void SetExternalBitmap(TIEBitmap* Bitmap) override {
    FCurrent = Bitmap ? Bitmap : &Own;
    if (Bitmap) NotifyChanged();
    Update();
  }

  // A polygon selection (1-bit mask of the image's size).
  void SelectPolygon(const std::vector<TPoint>& Polygon) {
    Mask.Allocate(FCurrent->Width(), FCurrent->Height(), 1);
    Points = Polygon;
    Mask.FillPolygon(1, Points.data(), static_cast<int32_t>(Points.size()));
    Selected = true;
  }
  int32_t ListenerCount() const { return FListeners.Count(); }
  void NotifyChanged() { FListeners.Notify(this, false); }

  TIEBitmap Own;
  TBitmap* Platform = nullptr;
  TIEMask Mask;
  std::vector<TPoint> Points;
  int32_t PolyRecord[4] = {0, 0, 0, 0};
  bool Selected = false;
  int32_t DpiX = 0, DpiY = 0, Updates = 0, ImageChanges = 0;

 private:
  TIEBitmap* FCurrent = &Own;
  TIEBitmapChangeListeners FListeners;
  TColor FBackground = clBtnFace;
  int32_t FLock = 0;
};

// A thumbnail view for tests: images are TIEBitmap copies.
class TIEFakeMView : public TIEFakeView, public TIEMViewServices {
 public:
  using TIEFakeView::TIEFakeView;
  int32_t GetImageCount() override { return static_cast<int32_t>(Images.size()); }
  void InsertImage(int32_t Index) override {
    if (Index < 0) Index = 0;
    if (Index > GetImageCount()) Index = GetImageCount();
    Images.insert(Images.begin() + Index, std::make_unique<TIEBitmap>());
    Delays.insert(Delays.begin() + Index, 0);
    FLastOp = IEMV_OP_INSERT;
    FLastIndex = Index;
    FLastTarget = -1;
    NotifyChanged();
    FLastOp = IEMV_OP_NONE;
  }
  void SetImageBitmap(int32_t Index, TIEBitmap* Bitmap) override {
    if (Bitmap && Index >= 0 && Index < GetImageCount()) Images[static_cast<size_t>(Index)]->Assign(Bitmap);
  }
  void SetImageDelayTime(int32_t Index, int32_t Milliseconds) override {
    if (Index >= 0 && Index < GetImageCount()) Delays[static_cast<size_t>(Index)] = Milliseconds;
  }
  void SetSelectedImage(int32_t Index) override {
    if (Index >= 0 && Index < GetImageCount()) FSelected = Index;
  }
  int32_t SelectedIndex() const override { return FSelected; }
  int32_t GetLastOperation() override { return FLastOp; }
  int32_t GetLastOperationIndex() override { return FLastIndex; }
  int32_t GetLastOperationTarget() override { return FLastTarget; }

  std::vector<std::unique_ptr<TIEBitmap>> Images;
  std::vector<int32_t> Delays;

 private:
  int32_t FSelected = -1, FLastOp = IEMV_OP_NONE, FLastIndex = -1, FLastTarget = -1;
};
