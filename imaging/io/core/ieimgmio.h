// The companion of the thumbnail view: one parameter record per image of the
// view, in the view's order, kept in step through the view's listener; the
// format-options dialog for one frame or for all; acquired bitmaps as new
// frames. It reads and writes no files itself.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/io/core/ieacquire.h"
#include "imaging/io/core/ieimgio.h"

class TImgMIO : public TComponent {
 public:
  explicit TImgMIO(TComponent* AOwner = nullptr);
  ~TImgMIO() override;
  const char* ClassName() const override { return "TImgMIO"; }

  // Unless OnAcquireBitmap handles it, Bitmap becomes a new image at
  // AcquirePosition (clamped to the image count); ParamsOut its record.
  virtual void AcquiredBitmap(TIEBitmap* Bitmap, TIOParamsVals*& ParamsOut);
  virtual void ResetAcquire() { FAcquireState = 0; }
  // OnProgress(100), then OnFinishWork, each only when assigned.
  virtual void DoFinishWork();
  // Created on first use.
  virtual TIEWia* GetWIAParams();

  // A thumbnail view (or nil). Records are appended, copies of the last one,
  // until there is one per image; a view that is not a thumbnail view raises
  // EInvalidCast.
  void SetAttachedMView(TIEView* View);
  TIEView* AttachedMView() const { return FView; }
  int32_t ListenerHandle() const { return FListenerHandle; }

  int32_t GetParamsCount() const { return int32_t(FRecords.size()); }
  // nil outside 0 .. count - 1.
  TIOParamsVals* GetParams(int32_t Index);
  // A standalone record copying its neighbour: the record at Index, or the
  // last one when Index is at or past the end (then appended).
  void InsertParams(int32_t Index);
  // Outside the list: nothing.
  void DeleteParams(int32_t Index);
  void MoveParams(int32_t Index, int32_t NewIndex);
  void SwapParams(int32_t Index1, int32_t Index2);
  // Frame 0's encoding choices to every frame.
  void SpreadFirstParams();
  // The format-options dialog for frame Index, or for all frames (edited
  // through frame 0, then spread) when Index is negative.
  bool DoPreviews(int32_t Index, TIEPreviewPages Pages);
  void UpdateView();
  void ViewChanged(TObject* Sender, bool Destroying);

  TIETWainParams& TWainParams() { return *FTWainParams; }
  TFont* PreviewFont() const { return FPreviewFont.get(); }
  void SetPreviewFont(TFont* Value);
  int32_t AcquireState() const { return FAcquireState; }

  TMsgLanguage MsgLanguage = TMsgLanguage::msSystem;
  TIOPreviewsParams PreviewsParams;
  int32_t AcquirePosition = 0;
  bool AutoAdjustDPI = false;
  bool FilteredAdjustDPI = false;
  uint8_t MonoConversion = 1;
  TIEDialogsMeasureUnit DialogsMeasureUnit = TIEDialogsMeasureUnit::ieduInches;
  bool SimplifiedParamsDialogs = true;
  TIEProgressEvent OnProgress;
  TIEAcquireBitmapEvent OnAcquireBitmap;
  TNotifyEvent OnFinishWork;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  TIEMViewServices* Thumbnails() const;
  void RemoveListener();

  TIEView* FView = nullptr;
  TComponent* FViewComponent = nullptr;
  int32_t FListenerHandle = -1;
  std::vector<std::unique_ptr<TIOParamsVals>> FRecords;
  std::unique_ptr<TIETWainParams> FTWainParams;
  std::unique_ptr<TIEWia> FWia;
  std::unique_ptr<TFont> FPreviewFont;
  int32_t FAcquireState = 0;
};
