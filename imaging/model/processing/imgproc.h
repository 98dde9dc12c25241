// TImgProc: the component that edits one image in place. Its working image
// is its own, the image of an attached view, or a TIEBitmap handed to it.
// Every operation runs in one frame: a pixel-format check, an optional undo
// copy (kept in a temporary file), an optional restriction to the view's
// selection, the worker, then an update of whatever shows the image.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

#include "imaging/model/containers/ieresample.h"
#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/pixels/iedefs.h"
#include "imaging/model/pixels/ieprogress.h"
#include "imaging/model/processing/ieview.h"
#include "platform/rtl/components.h"
#include "platform/rtl/sets.h"
#include "platform/rtl/stringlist.h"

class TBitmap;
class TFont;
class TForm;
class TIEMask;
class TImage;

using TIEPixelFormatSet = Set<TIEPixelFormat>;

enum class TPRPreviewsParamsItems : uint8_t { prppDefaultLockPreview };
using TPRPreviewsParams = Set<TPRPreviewsParamsItems>;
using TIEPreviewEvent = std::function<void(TObject* Sender, TForm* PreviewForm)>;

class TImgProc : public TComponent {
 public:
  explicit TImgProc(TComponent* AOwner);
  ~TImgProc() override;
  const char* ClassName() const override { return "TImgProc"; }

  // ---- Published properties, in stream order ----
  TIEView* AttachedImg() const { return FAttachedImg; }
  void SetAttachedImg(TIEView* Value);
  bool AutoUndo() const { return FAutoUndo; }
  void SetAutoUndo(bool Value) { FAutoUndo = Value; }
  // The attached view's background when a view is attached.
  TColor Background() const;
  void SetBackground(TColor Value);
  TIEProgressEvent OnProgress;
  TMsgLanguage MsgLanguage() const { return FMsgLanguage; }
  void SetMsgLanguage(TMsgLanguage Value) { FMsgLanguage = Value; }
  TPRPreviewsParams PreviewsParams() const { return FPreviewsParams; }
  void SetPreviewsParams(TPRPreviewsParams Value) { FPreviewsParams = Value; }
  TFont* PreviewFont() const { return FPreviewFont.get(); }
  void SetPreviewFont(TFont* Value);  // copies
  // The TImage whose picture bitmap is edited. Attaching one switches to an
  // image of the component's own wrapping that bitmap.
  TImage* AttachedTImage() const { return FAttachedTImage; }
  void SetAttachedTImage(TImage* Value);
  TIEPreviewEvent OnPreview;
  int32_t UndoLimit() const { return FUndoLimit; }
  void SetUndoLimit(int32_t Value) { FUndoLimit = Value < 1 ? 1 : Value; }

  // The location asked for undo copies.
  TIELocation UndoLocation = TIELocation::ieFile;

  // ---- Attachment ----
  // A caller's bitmap (not owned). nil while a view is attached only removes
  // the view listener.
  void SetAttachedBitmap(TIEBitmap* Bitmap);
  // The working image (never nil).
  TIEBitmap* IEBitmap() const { return FIEBitmap; }
  // The bitmap-change callback registered with the attached view.
  void ViewBitmapChanged(TObject* Sender, bool Destroying);

  // ---- Frame ----
  // The working image exists and its format is in Formats (empty = any).
  bool CheckBitmap(TIEPixelFormatSet Formats);
  // Tells the attached view (or marks the platform bitmap modified).
  void Update();
  // The rectangle to process (X2, Y2 exclusive) and the view's selection.
  virtual bool GetSelection(int32_t& X1, int32_t& Y1, int32_t& X2, int32_t& Y2, TIEMask*& Mask, const TPoint*& Points,
                            int32_t& PointCount);
  // The prologue of a selection-aware operation; Work is the working image
  // or a copy of the selection box.
  bool BeginImageProcessing(TIEPixelFormatSet Formats, const String& Caption, int32_t& X1, int32_t& Y1, int32_t& X2,
                            int32_t& Y2, TIEMask*& Mask, TIEBitmap*& Work);
  // Puts a Work copy back through the mask (an 8-bit mask blends), frees it,
  // then updates.
  void EndImageProcessing(TIEBitmap* Work, TIEMask* Mask);

  // ---- The operation frame ----
  using TIERectWorker = std::function<void(TIEBitmap* Work, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2)>;
  using TIEImageWorker = std::function<void(TIEBitmap* Image)>;
  // A selection-aware operation: BeginImageProcessing, Worker on Work over
  // X1..X2-1 x Y1..Y2-1, EndImageProcessing. Nothing when the format is
  // refused.
  void RunSelectionOp(TIEPixelFormatSet Formats, const String& Caption, const TIERectWorker& Worker);
  // An operation on the whole image: CheckBitmap, the undo entry when
  // AutoUndo, Worker on the working image, Update.
  void RunWholeImageOp(TIEPixelFormatSet Formats, const String& Caption, const TIEImageWorker& Worker);

  // ---- Undo and redo ----
  // Kind 1: a copy of the image; kind 2: the attached view's selection.
  static constexpr int32_t ieuImage = 1;
  static constexpr int32_t ieuSelection = 2;
  virtual void SaveUndo(int32_t Kind = ieuImage);
  void SaveUndoCaptioned(const String& Caption, int32_t Kind = ieuImage);
  // Index 0 is the newest entry; the entry stays in the list.
  virtual void UndoAt(int32_t Index);
  virtual void Undo() { UndoAt(0); }
  bool CanUndo() const { return !FUndoList.empty(); }
  int32_t UndoCount() const { return static_cast<int32_t>(FUndoList.size()); }
  String UndoCaptions(int32_t Index) const;
  void ClearAllUndo();
  virtual void SaveRedo(int32_t Kind = ieuImage);
  void SaveRedoCaptioned(const String& Caption, int32_t Kind = ieuImage);
  virtual void ClearRedo();
  virtual void RedoAt(int32_t Index);
  virtual void Redo() { RedoAt(0); }
  bool CanRedo() const { return !FRedoList.empty(); }
  int32_t RedoCount() const { return static_cast<int32_t>(FRedoList.size()); }
  String RedoCaptions(int32_t Index) const;
  void ClearAllRedo();
  // The undo copy of entry Index (0 = newest), nil for a selection entry.
  TIEBitmap* UndoBitmap(int32_t Index) const;

  // ---- Colour adjustments (selection-aware) ----
  void ConvertToGray();
  void HSLvar(int32_t Hue, int32_t Saturation, int32_t Lightness);
  void Contrast(int32_t Value);
  void IntensityRGBall(int32_t Red, int32_t Green, int32_t Blue);
  void Negative();
  void GammaCorrect(double Gamma, uint8_t Channels);
  // Alpha := Alpha where the colour lies in MinColor..MaxColor.
  void SetTransparentColors(const TRGB& MinColor, const TRGB& MaxColor, int32_t Alpha);

  // ---- Geometry and filters ----
  // Any angle; Background -1 is Background(). AntiAliasMode 1 (bilinear) or
  // 2 (bicubic) with AntiAlias samples by inverse mapping, other modes shear
  // (iegeometry.h). An alpha channel turns alongside, 0 in the new corners.
  void Rotate(double Angle, bool AntiAlias, uint8_t AntiAliasMode, TColor Background);
  // 0 left-right, 1 upside down.
  void Flip(int32_t Direction);
  // Canvas size: the picture aligned by HAlign and VAlign (0 left/top, 1
  // centre, 2 right/bottom) on an opaque Background. Nothing for a size <= 0.
  void ImageResize(int32_t NewWidth, int32_t NewHeight, int32_t HAlign, int32_t VAlign);
  // The working image resampled to the size ResampleTo computes.
  void Resample(int32_t NewWidth, int32_t NewHeight, TResampleFilter Filter);
  // Dest := the working image resampled. -1 for one side keeps the aspect
  // ratio (for the width it scales by the height argument itself), 0 keeps
  // the current side, other negative sizes count as their absolute value,
  // and each side is at least 1. Nothing when both sizes are negative.
  void ResampleTo(TIEBitmap* Dest, int32_t NewWidth, int32_t NewHeight, TResampleFilter Filter);
  // Crops to the selection's box on Background; pixels outside the
  // selection become transparent.
  void CropSel();
  void Clear();
  // Selection-aware (ie8g, ie24RGB).
  void Blur(double Radius);
  // Selection-aware (ie24RGB). Intensity in tenths.
  void Sharpen(int32_t Intensity, int32_t NeighbourSize);
  // Intensity 100 gives ShadowColor itself, 0 white.
  void AddSoftShadow(double Radius, int32_t OffsetX, int32_t OffsetY, bool Enlarge, TColor ShadowColor,
                     int32_t Intensity, bool ShadowOnly);

  // ---- Colour depth ----
  // ie24RGB only. Colors < 3: to ie1g by the threshold at the gray of the
  // mean colour (UseThreshold) or by the ordered dither; 3..1024: at most
  // Colors colours, still ie24RGB; more: nothing (the undo entry is kept).
  void ConvertTo(int32_t Colors, bool UseThreshold);
  // ie1g only: to ie24RGB black and white (the alpha channel is dropped).
  void ConvertTo24Bit();

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  struct TUndoEntry;
  using TUndoList = std::vector<std::unique_ptr<TUndoEntry>>;

  void RemoveListener();
  void ReplaceWorkingImage(TIEBitmap* Bitmap, bool Owned);
  void ForgetView();
  void ForgetTImage();
  void DropDestroyedView();
  bool SaveEntry(TUndoList& List, TStringList& Captions, int32_t Kind);
  void RestoreEntry(TUndoList& List, int32_t Index);
  TIEImgViewServices* ImgViewServices() const;

  TIEView* FAttachedImg = nullptr;
  // The view as a component, kept for the removal notification (by then the
  // view's own part is gone, so it must not be asked again).
  TComponent* FAttachedComponent = nullptr;
  bool FLastSaveAdded = false;
  TImage* FAttachedTImage = nullptr;
  bool FAutoUndo = true;
  TMsgLanguage FMsgLanguage = TMsgLanguage::msSystem;
  TPRPreviewsParams FPreviewsParams;
  std::unique_ptr<TFont> FPreviewFont;
  int32_t FUndoLimit = 1;
  TColor FBackground = 0;
  int32_t FListenerHandle = -1;
  TIEBitmap* FIEBitmap = nullptr;
  bool FIEBitmapOwned = false;
  TUndoList FUndoList;
  TStringList FUndoCaptions;
  TUndoList FRedoList;
  TStringList FRedoCaptions;
  TBitmap* FAttachedBitmap = nullptr;
};

// ---- The operation table ----
// Format sets of the operations (the empty set accepts every format).
inline const TIEPixelFormatSet IEProcAllFormats{};
inline const TIEPixelFormatSet IEProcRGBFormats{TIEPixelFormat::ie24RGB};
inline const TIEPixelFormatSet IEProcGrayRGBFormats{TIEPixelFormat::ie8g, TIEPixelFormat::ie24RGB};
inline const TIEPixelFormatSet IEProcBWFormats{TIEPixelFormat::ie1g};
// Undo captions: Name, then the values in decimal separated by "," after a
// space ("ImageResize 640,480"); a real value in the general float-to-text
// form with "." ("Rotate 90", "Blur 2.5").
String IEProcCaption(const String& Name, std::initializer_list<int32_t> Values);
String IEProcCaption(const String& Name, double Value);

// ---- Colour routines ----
// Mean colour on the 0..255 scale: each row's channel sums are divided by the
// width first, then the totals by the height.
void AverageColor(TIEBitmap* Bitmap, int32_t& R, int32_t& G, int32_t& B);
// Hue 0..359 (one wrap of out-of-range values), Saturation and Value 0..99.
void HSVToRGB(TRGB& Pixel, int32_t Hue, int32_t Saturation, int32_t Value);

// ---- Workers: Work over X1..X2-1 x Y1..Y2-1 ----
void ApplyGray(TIEBitmap* Work, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, TObject* Sender,
               const TIEProgressEvent& OnProgress);
void ApplyHSLVar(TIEBitmap* Work, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t Hue, int32_t Saturation,
                 int32_t Lightness, TObject* Sender, const TIEProgressEvent& OnProgress);
// Mean is the mean colour of the whole working image (not of Work).
void ApplyContrast(TIEBitmap* Work, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t Value, int32_t MeanR,
                   int32_t MeanG, int32_t MeanB, TObject* Sender, const TIEProgressEvent& OnProgress);
void ApplyIntensity(TIEBitmap* Work, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t Red, int32_t Green,
                    int32_t Blue, TObject* Sender, const TIEProgressEvent& OnProgress);
void ApplyNegative(TIEBitmap* Work, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, TObject* Sender,
                   const TIEProgressEvent& OnProgress);
// ie24RGB only (other formats, and a Gamma whose table cannot be built, are
// left unchanged).
void ApplyGamma(TIEBitmap* Work, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, double Gamma, uint8_t Channels,
                TObject* Sender, const TIEProgressEvent& OnProgress);
void ApplyTransparentColors(TIEBitmap* Work, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, const TRGB& MinColor,
                            const TRGB& MaxColor, int32_t Alpha, TObject* Sender, const TIEProgressEvent& OnProgress);

// The common per-row progress: after row Y of rows Y1..Y2-1,
// trunc((Y - Y1 + 1) * (100 / (Y2 - Y1 - 1 + 0.5))), clamped to 0..100.
void IEProcRowProgress(TObject* Sender, const TIEProgressEvent& OnProgress, int32_t Y, int32_t Y1, int32_t Y2);
