// TImgView: the single-image view. It shows the current layer's TIEBitmap,
// creates its I/O and processing components on first use, and keeps what
// depends on the image size (extent, zoom, scroll bars, selection mask,
// coordinate tables) consistent through one central Update.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "imaging/model/containers/ielists.h"
#include "imaging/model/containers/iemask.h"
#include "imaging/model/containers/ieresample.h"
#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/pixels/ieprogress.h"
#include "imaging/views/view/iebackground.h"
#include "imaging/views/view/ieviewcontrol.h"
#include "platform/gui/graphics.h"
#include "platform/rtl/sets.h"
#include "platform/vcl/stdctrls.h"

class TIETransitionEffects;
class TImgIO;
class TImgProc;
class TImgView;
class TMemoryStream;
class TTimer;

// ---- Enumerations and small types ------------------------------------------------------

enum class TIESelectionBase : uint8_t { iesbClientArea, iesbBitmap };
enum class TIESelectionOptionsItem : uint8_t {
  iesoAnimated,
  iesoSizeable,
  iesoMoveable,
  iesoFilled,
  iesoCutBorders,
  iesoMarkOuter,
  iesoCanScroll,
  iesoSelectTranspLayers
};
using TIESelectionOptions = Set<TIESelectionOptionsItem>;
enum class TIEMouseInteractItems : uint8_t {
  miZoom,
  miScroll,
  miSelect,
  miSelectPolygon,
  miSelectCircle,
  miSelectZoom,
  miSelectMagicWand,
  miSelectLasso,
  miMoveLayers,
  miResizeLayers
};
using TIEMouseInteract = Set<TIEMouseInteractItems>;
using TIEGrip = int32_t;
using TIELayerEvent = int32_t;

// Change 0: the view origin moved; 1: the zoom changed.
using TViewChangeEvent = std::function<void(TObject* Sender, int32_t Change)>;
using TIEMouseInResizingGripEvent = std::function<void(TObject* Sender, TIEGrip Grip)>;
using TIEZoomEvent = std::function<void(TObject* Sender, double& NewZoom)>;
using TIESpecialKeyEvent = std::function<void(TObject* Sender, uint16_t CharCode, bool& Handled)>;
using TIEOnDrawCanvas = std::function<void(TObject* Sender, TCanvas* ACanvas, const TRect& ARect)>;
using TIEOnDrawBackground = std::function<void(TObject* Sender, TCanvas* ACanvas, const TRect& ARect, bool& Handled)>;
using TIELayerNotify = std::function<void(TObject* Sender, int32_t Layer, TIELayerEvent Event)>;

// One animated selection outline: polygons in bitmap coordinates, separated
// by the point (IEPolygonSeparator, IEPolygonSeparator).
struct TIEPolygonRecord {
  std::vector<TPoint> Points;
  TColor ColorA = clBlack;
  TColor ColorB = clWhite;
  bool Animated = true;
  int32_t Phase = 0;
  int32_t DashCounter = 0;
  TCanvas* Canvas = nullptr;
  int32_t BoxLeft = 0, BoxTop = 0, BoxRight = 0, BoxBottom = 0;
  bool Visible = true;
  bool Sizeable = true;
};

// One layer of the view: its bitmap, placement and drawing options.
class TIELayer {
 public:
  // Attach: the layer takes Bitmap; otherwise it makes an empty bitmap
  // modelled on it (a platform bitmap of its format and size when the model
  // keeps its pixels in one, else the model's location, size and format).
  TIELayer(TImgView* AOwner, TIEBitmap* ABitmap, bool Attach);
  ~TIELayer();
  TIELayer(const TIELayer&) = delete;
  TIELayer& operator=(const TIELayer&) = delete;

  int32_t DisplayWidth() const;
  int32_t DisplayHeight() const;
  // The layer pixel under a client point of the owner (not limited).
  int32_t ClientToLayerX(int32_t X) const;
  int32_t ClientToLayerY(int32_t Y) const;
  // Frees the bitmap (and the platform bitmap it wraps) when owned.
  void FreeBitmap();

  int32_t Width = 0, Height = 0;  // 0: the bitmap's own
  TImgView* Owner;
  TIEBitmap* Bitmap = nullptr;
  bool Visible = true;
  bool Framed = true;
  int32_t Transparency = 255;
  int32_t PosX = 0, PosY = 0;
  int32_t BoxLeft = 0, BoxTop = 0, BoxRight = 0, BoxBottom = 0;
  bool Cropped = false;
  bool Locked = false;
  bool Magnifier = false;
  double MagnifyFactor = 2.0;
  uint8_t MagnifierShape = 0;
  uint8_t MagnifierSource = 1;
  uint8_t BlendOperation = 0;
  bool OwnsBitmap = true;
  TResampleFilter ResampleFilter = TResampleFilter::rfNone;
  bool UseResampleFilter = false;
};

// A coordinate table, and a window into one: entry i of the window is
// (*Table)[Start + i] - Bias.
using TIECoordTable = std::vector<int32_t>;
struct TIECoordWindow {
  const TIECoordTable* Table = nullptr;
  int32_t Start = 0;
  int32_t Count = 0;
  int32_t Bias = 0;
  int32_t At(int32_t i) const { return (*Table)[static_cast<size_t>(Start + i)] - Bias; }
};

// Screen cursors of the view: 1777 + the index of its cursor table.
inline constexpr TCursor IECursorBase = 1777;
inline constexpr TCursor IECursorFirst = 1778;
inline constexpr TCursor IECursorLast = 1796;
// The largest zoomed side: zooms are lowered so that no side passes it.
inline constexpr int64_t IEMaxZoomedSide = int64_t(1) << 20;
// Messages of the view's window (see ieview.h).
inline constexpr const char* IEImgVersion = "2.2.0";

class TImgView : public TIEViewControl, public TIEImgViewServices {
 public:
  explicit TImgView(TComponent* AOwner);
  ~TImgView() override;
  const char* ClassName() const override { return "TImgView"; }

  // ---- TIEView and TIEViewControl ----
  TBitmap* GetBitmap() override { return LegacyTBitmap; }
  TIEBitmap* GetIEBitmap() override { return Bitmap; }
  TIEBitmap* GetAlphaChannel() override { return Bitmap->AlphaChannel(); }
  bool HasAlphaChannel() override { return Bitmap->HasAlphaChannel(); }
  // Merge blends an ie24RGB image over the background (alpha 255 keeps the
  // pixel, 0 gives the background); the alpha channel goes in any case.
  void RemoveAlphaChannel(bool Merge) override;
  void LockPaint() override { ++PaintLock; }
  int32_t UnlockPaint() override;
  int32_t UnlockPaintNoUpdate() override;
  void ImageChange() override;
  void SetBackground(TColor Value) override;
  // Recomputes everything that depends on the image and the view's size.
  void Update() override;

  // ---- TIEImgViewServices ----
  TIEMask* SelectionMask() override { return Mask.get(); }
  bool HasSelection() const override { return Selected; }
  const TPoint* GetSelectionPoints() override;
  int32_t GetSelectionPointCount() override;
  void SaveSelectionToStream(TStream* Stream) override;
  bool LoadSelectionFromStream(TStream* Stream) override;
  void ClearImage() override;
  void SetExternalBitmap(TIEBitmap* ABitmap) override;

  // ---- Components ----
  // Created on first use, attached to this view, never nil.
  TImgIO* GetImageIO();
  TImgProc* GetImageProc();
  virtual void SetOnProgress(const TIEProgressEvent& Handler);
  virtual TIEProgressEvent GetOnProgress() { return ProgressHandler; }

  // ---- Image and state ----
  // A 1 x 1 or 0 x 0 image.
  virtual bool IsEmpty();
  virtual void SetLegacyBitmap(bool Value);
  bool GetLegacyBitmap() const { return LegacyBitmap; }
  void LockUpdate() { ++UpdateLock; }
  // Runs Update when the count reaches 0; answers it.
  int32_t UnlockUpdate();
  virtual void DoViewChange(int32_t Change);
  virtual int32_t GetViewWidth();
  virtual int32_t GetViewHeight();
  virtual bool HasParentWindow();
  // From nil (clears), another TImgView or a platform TBitmap; anything else
  // is ignored.
  void Assign(TPersistent* Source) override;
  void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) override;
  String ImgVersion() const { return IEImgVersion; }
  void SetImgVersion(const String&) {}
  void SetDrawVersion(bool Value);
  bool DrawVersion() const { return FDrawVersion; }
  void SetCenter(bool Value);
  bool Center() const { return FCenter; }
  void SetZoomFilter(TResampleFilter Value);
  TResampleFilter ZoomFilter() const { return FZoomFilter; }
  void SetEnableAlphaChannel(bool Value);
  bool EnableAlphaChannel() const { return FEnableAlphaChannel; }
  void SetBackgroundStyle(TIEBackgroundStyle Value);
  TIEBackgroundStyle BackgroundStyle() const { return FBackgroundStyle; }
  void SetWallPaper(TPicture* Value);
  TPicture* WallPaper() const { return FWallPaper.get(); }
  void SetWallPaperStyle(TIEWallPaperStyle Value);
  TIEWallPaperStyle WallPaperStyle() const { return FWallPaperStyle; }
  void SetScrollBarsAlwaysVisible(bool Value);
  bool ScrollBarsAlwaysVisible() const { return FScrollBarsAlwaysVisible; }
  // The configured cursor; applied only to a view that has an owner.
  void SetCursor(TCursor Value);
  TCursor Cursor() const { return ShownCursor; }
  // Shows Value as the view's cursor (the interactions' cursors too).
  void ApplyCursor(TCursor Value);
  // Loads the view cursors into the screen's cursor table.
  static void LoadViewCursors();

  // ---- Zoom, origin and scroll bars ----
  double Zoom() const { return FZoom; }
  void SetZoom(double Value);
  virtual void ApplyZoom(double NewZoom);
  void ZoomAroundPoint(int32_t X, int32_t Y, bool KeepCentre, double NewZoom);
  void FitToWindow();
  // The zoom at which the extent fills the control's outer size (100 for an
  // empty extent).
  double GetControlFitZoom();
  double GetFitZoom();
  int32_t ViewOriginX() const { return FViewOriginX; }
  int32_t ViewOriginY() const { return FViewOriginY; }
  void SetViewOrigin(int32_t X, int32_t Y);
  void SetViewOriginX(int32_t X);
  void SetViewOriginY(int32_t Y);
  void CenterView();
  int32_t MaxOriginX();
  int32_t MaxOriginY();
  bool IsScrollable();
  virtual void SetScrollBars(TScrollStyle Value);
  TScrollStyle ScrollBars() const { return FScrollBars; }
  void SetFlatScrollBars(bool Value);
  bool FlatScrollBars() const { return FFlatScrollBars; }
  void SetAutoFit(bool Value);
  bool AutoFit() const { return FAutoFit; }
  void SetAutoStretch(bool Value);
  bool AutoStretch() const { return FAutoStretch; }
  void SetAutoShrink(bool Value);
  bool AutoShrink() const { return FAutoShrink; }

  // ---- Coordinates ----
  virtual void UpdateExtent();
  virtual void UpdateDisplayRect();
  virtual void BuildCoordinateTables();
  // Both, swallowing errors.
  void UpdateDisplayTables();
  int32_t ScreenToBitmapX(int32_t X);
  int32_t ScreenToBitmapY(int32_t Y);
  int32_t ScreenToBitmapClampX(int32_t X);
  int32_t ScreenToBitmapClampY(int32_t Y);
  int32_t BitmapToScreenX(int32_t BX);
  int32_t BitmapToScreenY(int32_t BY);
  int32_t AlignX(int32_t ZX);
  int32_t AlignY(int32_t ZY);

  // ---- Layers ----
  int32_t GetLayerCount() const { return static_cast<int32_t>(Layers.size()); }
  TIELayer* GetLayer(int32_t Index) const;
  TIELayer* CurrentLayerObject() const { return GetLayer(CurrentLayer); }
  // Stores the view's bitmap back into the current layer and shows Index's.
  virtual void SetCurrentLayer(int32_t Index);
  // A layer modelled on the current bitmap, filled with Background, made
  // current; answers its index.
  int32_t AddLayer();
  // Only while two or more layers exist.
  void RemoveLayer(int32_t Index);
  // Replaces the lower of A and B (and the upper with RemoveUpper) by their
  // merge, which becomes current. Nothing when A = B or either is no layer.
  void MergeLayers(int32_t A, int32_t B, bool RemoveUpper);
  void SetSyncLayerExtent(bool Value);
  // Fires OnLayerNotify with SelectionBase holding the property's value.
  virtual void DoLayerNotify(int32_t Layer, TIELayerEvent Event);
  // The topmost layer hit at a client point, -1 when none.
  int32_t LayerAt(int32_t X, int32_t Y);
  // The current layer's grip (1 .. 8) at a client point, 0 when none.
  int32_t LayerGripAt(int32_t X, int32_t Y);
  // Resizes the current layer by the held LayerGrip to the client point.
  void ResizeLayerByGrip(int32_t X, int32_t Y, bool Constrain);
  // Takes over a legacy bitmap's size, stores the bitmap back into the
  // current layer, recomputes the extent and pads the layers to it.
  void SyncLayers();

  // ---- Selection ----
  // Coordinates follow SelectionBase unless a gesture says otherwise; the
  // gesture operations (drags, wand, polygons, grips) take client points.
  void ClearSelection();
  // Op 0 replaces the selection, 1 adds the rectangle to it.
  virtual void SelectRect(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t Op);
  virtual void AddSelectionPoint(int32_t X, int32_t Y);
  void StartNewPolygon();
  // Fills the mask from all polygons; an empty result drops the selection.
  virtual void UpdateSelectionMask();
  void SetSelectionOptions(TIESelectionOptions Value);
  void SetSelectionAspectRatio(double Value);
  void SetAntsColors(TColor A, TColor B);
  void CopySelectionToBitmap(TIEBitmap* Dest);
  int32_t SelectionLeft();
  int32_t SelectionTop();
  int32_t SelectionRight();
  int32_t SelectionBottom();
  void ZoomToSelection();
  // In bitmap pixels.
  void MoveSelection(int32_t dx, int32_t dy);
  // Drags from the button-down point C to the mouse P (client points).
  void DragSelectionRect(int32_t CX, int32_t CY, int32_t PX, int32_t PY, bool Adding, bool Constrain);
  void DragSelectionEllipse(int32_t CX, int32_t CY, int32_t PX, int32_t PY, bool Adding, bool Constrain);
  // The first point of a polygon or lasso; closing it fills the mask.
  void BeginPolygon(int32_t X, int32_t Y, bool Adding, bool IsLasso);
  void ClosePolygon(bool Adding, bool DropLastPoint);
  // At a bitmap point, in WandMode.
  void MagicWandSelect(int32_t BX, int32_t BY, bool Adding);
  // 0 or the grip (1 .. 8) under a client point.
  TIEGrip GripAt(int32_t X, int32_t Y, bool Shift);
  // 0 when a client point may start moving the selection, else -1.
  int32_t SelectionIndexAt(int32_t X, int32_t Y, bool Shift);
  // Answers the held grip, flipped when the rectangle turned over.
  TIEGrip ResizeSelectionByGrip(TIEGrip G, int32_t X, int32_t Y, bool Constrain);
  bool IsSingleRectangle() const;
  void PushSelection();
  bool PopSelection();
  // Fires Event with SelectionBase holding the property's own value.
  void FireSelectionEvent(const TNotifyEvent& Event);

  // ---- Linked overview ----
  // Overview shows this view's bitmap with the visible area as a fixed-size
  // selection; moving that selection scrolls this view. nil unlinks.
  void SetLinkedOverview(TImgView* Overview);
  void RefreshOverview();

  // ---- Painting ----
  // Rebuilds the back buffer: the background, the visible layers, the
  // selection marks and the pixel grid.
  virtual void PaintBackBuffer(TBitmap* ABitmap, std::vector<uint8_t*>& Rows, const TRect& ClipRect);
  // Stored for the next rebuild of the back buffer.
  void SetChessboardStyle(int32_t Size, TBrushStyle BrushStyle);
  // The marching ants, grips and thirds grid of every visible polygon record,
  // drawn on the window (never into the back buffer); then the timer
  // switching and countdowns. Caller: the view or the ants timer.
  void DrawSelectionOverlay(TObject* Caller, bool FromTimerOrRequest);
  // The inverted segment from the mouse to the last point of a polygon
  // being drawn; drawing it twice restores the window.
  void DrawRubberBand();

  // ---- Mouse and keyboard ----
  TIEMouseInteract MouseInteract() const { return FMouseInteract; }
  // Trims Value by the exclusivity rules; closes a polygon in progress first.
  virtual void SetMouseInteract(TIEMouseInteract Value);
  virtual void OffsetMouseAnchors(int32_t dx, int32_t dy);
  // The click-zoom steps.
  static double NextZoomIn(double Z);
  static double NextZoomOut(double Z);

  // ---- Messages ----
  void Dispatch(TMessage& Message) override;

  // ---- Events ----
  TNotifyEvent OnImageChange;
  TViewChangeEvent OnViewChange;
  TNotifyEvent OnPaint;
  TIEMouseInResizingGripEvent OnMouseInResizingGrip;
  TIEZoomEvent OnZoomIn, OnZoomOut;
  TNotifyEvent OnDrawBackBuffer;
  TIELayerNotify OnLayerNotify;
  TIESpecialKeyEvent OnSpecialKey;
  TNotifyEvent OnDShowNewFrame, OnDShowEvent;
  TIEOnDrawBackground OnDrawBackground;
  TIEOnDrawCanvas OnDrawCanvas;
  TNotifyEvent OnSelectionChanging, OnSelectionChange, OnBeforeSelectionChange, OnMouseInSel;

  // ---- Fields (in the order of the design) ----
  bool LegacyBitmap = true;
  bool UseDrawDib = true;
  TCursor CursorSetting = crDefault;
  TCursor ShownCursor = crDefault;
  TResampleFilter SavedZoomFilter = TResampleFilter::rfNone;
  bool DelayZoomFilter = false;
  bool NoZoomFileterWhenZoomIn = false;
  bool WandMaxFilter = false;
  int32_t WandTolerance = 15;
  uint8_t WandMode = 0;
  double HScrollFactor = 1.0, VScrollFactor = 1.0;
  bool ShowPixelGrid = false;
  bool VScrollShown = false, HScrollShown = false;
  int32_t OutlinePhase = 0;
  bool HideSelectionWhileMoving = true;
  TIEProgressEvent ProgressHandler;
  bool FullRepaint = true;
  bool RectangleMoving = false;
  double SelectionAspectRatio = -1.0;
  int32_t FixedSelectionWidth = 100, FixedSelectionHeight = 100;
  TImgView* LinkedOverview = nullptr;
  bool OverviewBusy = false, UpdateReentered = false, InUpdate = false;
  int32_t AntsTimeShare = -20;
  TRect LayerRectAtGrip;
  double TableZoom = -1.0;
  int32_t TableSizes[4] = {-1, -1, -1, -1};  // PaintWidth, PaintHeight, ExtentWidth, ExtentHeight
  TPoint OriginAtMouseDown;
  int32_t VisibleBitmapX = 0, VisibleBitmapY = 0, VisibleBitmapWidth = 0, VisibleBitmapHeight = 0;
  int32_t PaintWidth = 0, PaintHeight = 0;
  TPoint LastBitmapSize;
  std::unique_ptr<TIETransitionEffects> Transitions;
  int32_t MinDrawnLayerSize = 2;
  int32_t ZoomFilterDelayTicks = 4, SelectionHideTicks = 2;
  int32_t ZoomFilterCountdown = 0, SelectionHideCountdown = 0;
  bool BackBufferDirty = true;
  std::unique_ptr<TBitmap> BackBuffer;
  std::vector<uint8_t*> BackBufferRows;
  double ZoomFactor = 1.0, InvZoomFactor = 1.0;
  int32_t PaintLock = 0;
  int32_t OffsetX = 0, OffsetY = 0;
  int32_t DrawnWidth = 0, DrawnHeight = 0;
  int32_t ZoomedWidth = 0, ZoomedHeight = 0;
  TBitmap* LegacyTBitmap = nullptr;
  uint8_t DibHeader[48] = {};
  bool DoubleBuffer = true;
  // Selection state.
  bool Selected = false, PolygonSelecting = false, Lasso = false, RectSelecting = false, CircleSelecting = false;
  TIEGrip Grip = 0;
  int32_t MovingIndex = -1;
  // Mouse state.
  int32_t MouseDownX = 0, MouseDownY = 0, PrevX = 0, PrevY = 0, PrevRawX = 0, PrevRawY = 0;
  int32_t LastMouseX = 0, LastMouseY = 0, AnchorX = -1, AnchorY = -1;
  TIESelectionBase SelectionBase = TIESelectionBase::iesbClientArea;
  TIESelectionBase SavedSelectionBase = TIESelectionBase::iesbClientArea;
  // Set while a gesture runs with the client-area base swapped in.
  bool SelectionBaseSwapped = false;
  TIESelectionOptions SelectionOptions{TIESelectionOptionsItem::iesoAnimated, TIESelectionOptionsItem::iesoSizeable,
                                       TIESelectionOptionsItem::iesoMoveable, TIESelectionOptionsItem::iesoCanScroll};
  int32_t PointCountAtMouseDown = 0;
  std::unique_ptr<TIEMask> Mask;
  int32_t MaskBitsPerPixel = 1, SelectionFillValue = 1;
  TColor AntsColorA = clBlack, AntsColorB = clWhite;
  TColor GripPenColor = clBlack, GripBrushColor = clWhite;
  TBrushStyle GripBrushStyle = TBrushStyle::bsSolid;
  int32_t GripSize = 5;
  bool CenterGrips = true;
  int32_t ChessboardSize = 16;
  TBrushStyle ChessboardBrushStyle = TBrushStyle::bsSolid;
  bool ConstrainAlways = false;
  bool InAutoScroll = false;
  std::vector<std::unique_ptr<TMemoryStream>> SelectionUndo;
  bool ShiftAddsSelection = true;
  TColor GradientEndColor = 16711680;
  int32_t UpdateLock = 0;
  // The first record is the view's own selection outline (Polygons).
  std::vector<std::unique_ptr<TIEPolygonRecord>> PolygonRecords;
  TComponentRef<TTimer> AntsTimer;
  TIEMouseInteract FMouseInteract;
  TIEScrollBarParams VScrollParams, HScrollParams;
  TIEMouseWheelParams WheelParams;
  TRect GripStartRect;
  // The current layer's bitmap: what every component works on.
  TIEBitmap* Bitmap = nullptr;
  TImgIO* ImageIO = nullptr;
  TImgProc* ImageProc = nullptr;
  std::vector<std::unique_ptr<TIELayer>> Layers;
  int32_t CurrentLayer = 0;
  int32_t ExtentWidth = 0, ExtentHeight = 0;
  bool SyncLayerExtent = true;
  bool ShowAllLayerFrames = false;
  int32_t MovingLayer = -1;
  uint8_t LayerGrip = 0;
  TIECoordTable ZoomedToBitmapX, ZoomedToBitmapY, BitmapToZoomedX, BitmapToZoomedY;
  TIECoordWindow ScreenToBitmapXTable, ScreenToBitmapYTable, BitmapToScreenXTable, BitmapToScreenYTable;
  bool HasOwner = false;

 protected:
  // Blits the back buffer (rebuilt when dirty) and draws the overlay.
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void KeyDown(uint16_t& Key, TShiftState Shift) override;
  void KeyUp(uint16_t& Key, TShiftState Shift) override;
  // True when a vector-object view: mouse points are not limited.
  virtual bool RawMousePoints() const { return false; }
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  // ---- Update steps ----
  bool UpdateAllowed();
  void ApplyFitRules();
  double FitRuleZoom();
  void CheckBitmapSize();
  void UpdateOriginAndScrollBars();
  void SetupScrollBar(int32_t Bar, int32_t MaxOrigin, int32_t ViewSize, int32_t Origin, double& Factor, bool& Shown);
  void HideScrollBar(int32_t Bar, bool& Shown);
  bool BarAllowed(int32_t Bar) const;
  // ---- Zoom ----
  double LimitZoom(double Value) const;
  // The origin that keeps bitmap column (row) B under client point X at the
  // current zoom, from the axis's tables.
  int64_t OriginKeeping(int32_t B, int32_t X, const TIECoordTable& ZToB, const TIECoordTable& BToZ);
  void SetZoomFields(double Value);
  void MaxOrigin(int32_t& MX, int32_t& MY);
  void MarkMoved();
  void MoveThumbs();
  void BuildAxisTables(int32_t Zoomed, int32_t Paint, int32_t Extent, TIECoordTable& ZToB, TIECoordTable& BToZ);
  void PlaceAxisWindows(int32_t Origin, int32_t VisibleStart, const TIECoordTable& ZToB, const TIECoordTable& BToZ,
                        int32_t PaintSize, TIECoordWindow& SToB, TIECoordWindow& BToS);
  int32_t ScrollTarget(uint32_t Code, int32_t Pos, int32_t Origin, int32_t ViewSize, int32_t Max,
                       const TIEScrollBarParams& Params, double Factor);
  // ---- Messages ----
  void WMSize(TMessage& Message);
  void WMEraseBkgnd(TMessage& Message);
  void WMFocus(TMessage& Message);
  void WMPaletteChanged(TMessage& Message);
  void WMHScroll(TMessage& Message);
  void WMVScroll(TMessage& Message);
  void IEMUpdate(TMessage& Message);
  void IEMMedia(TMessage& Message);
  void StopTransition();
  void FillWithBackground();
  // ---- Selection ----
  void AppendSelectionPoint(int32_t X, int32_t Y);
  void ClearSelectionPoints();
  // Removes the polygon added since the button went down.
  void DropGesturePolygon();
  void BuildRectangle(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t Op, bool ClientBase, bool Square,
                      bool KeepInside, bool FromAnchor);
  void ApplyAspectRatio(int32_t X1, int32_t Y1, int32_t& X2, int32_t& Y2, bool Square) const;
  int32_t ClientToBitmapEdgeX(int32_t X);
  int32_t ClientToBitmapEdgeY(int32_t Y);
  // Moves the box and the points, each coordinate kept in the image.
  void ShiftSelectionPoints(int32_t dx, int32_t dy);
  void MoveSelectionPoints(int32_t dx, int32_t dy);
  void ConstrainGrip(TIEGrip& G, int32_t& X, int32_t& Y, double R);
  void FitConstrainedBox(TRect& Box, TIEGrip G, double R);
  void ShowSelection();
  void RepaintNow();
  bool ShapeInProgress() const;
  void OverviewSelectionChanging(TObject* Sender);
  // ---- Painting ----
  void Blit(const TRect& Area);
  void DrawBackBufferBackground(TBitmap* Target, const TRect* Clip, bool Force, const TIELayer* Next);
  bool LayerDrawable(const TIELayer& Layer) const;
  TResampleFilter LayerFilter(const TIELayer& Layer) const;
  // Renders a layer placed through the view's display rectangle.
  void RenderLayer(TBitmap* Target, std::vector<uint8_t*>& Rows, TIELayer& Layer, const TRect& Clip, bool FirstDrawn);
  void DrawSelectionMarks(TBitmap* Target);
  // ---- Layers ----
  // Placed by position and display size; the layer's box is set.
  void RenderPositionedLayer(TBitmap* Target, std::vector<uint8_t*>& Rows, TIELayer& Layer, const TRect& Clip,
                             bool FirstDrawn);
  void CropToImage(const TIELayer& Layer, TRect& Dst, TRect& Src);
  // Refills a magnifier layer from layer 0 or from what is painted below.
  void FillMagnifier(TBitmap* Target, TIELayer& Layer);
  void DrawLayerFrame(TBitmap* Target, const TIELayer& Layer);
  void ConstrainLayerGrip(int32_t& G, int32_t X, int32_t Y, int32_t& BX, int32_t& BY, const TIELayer& Layer);
  // Runs F with SelectionBase holding the property's own value.
  template <class F>
  void WithOwnSelectionBase(F&& Fn) {
    const TIESelectionBase running = SelectionBase;
    if (SelectionBaseSwapped) SelectionBase = SavedSelectionBase;
    struct TRestore {
      TIESelectionBase& Base;
      TIESelectionBase Value;
      ~TRestore() { Base = Value; }
    } restore{SelectionBase, running};
    Fn();
  }
  void DrawPixelGrid(TBitmap* Target);
  void FillDibHeader();
  // "Img Version ..." at the bottom-right corner.
  void PaintVersion(TCanvas* ACanvas);
  void AntsTick(TObject* Sender);
  // ---- Mouse and keyboard ----
  // The point limited to the drawn area (raw for a vector-object view).
  TPoint LimitMousePoint(int32_t X, int32_t Y) const;
  void SwapInClientBase();
  void RestoreSelectionBase();
  bool AddsSelection(TShiftState Shift) const;
  bool Constrained(TShiftState Shift) const;
  bool AnySelectMode() const;
  bool LayerMode() const;
  void LeftButtonDown(TShiftState Shift, int32_t X, int32_t Y, TPoint P);
  void PolygonButtonDown(TShiftState Shift, TPoint P);
  void RectButtonDown(TShiftState Shift, int32_t X, int32_t Y, TPoint P);
  void ZoomRectButtonDown();
  void CircleButtonDown(TShiftState Shift, TPoint P);
  void LayerButtonDown(int32_t X, int32_t Y);
  void HeldMove(TShiftState Shift, int32_t X, int32_t Y, TPoint& P);
  void HeldLayerMove(TShiftState Shift, int32_t X, int32_t Y);
  void HoverMove(TShiftState Shift, int32_t X, int32_t Y);
  bool MoveRubberBand(TShiftState Shift, TPoint P);
  void ClickZoom(TMouseButton Button, TPoint P);
  // Answers whether the selection changed.
  bool LeftButtonUp(TShiftState Shift, int32_t X, int32_t Y, TPoint P);
  void FinishLeftGesture(bool Changed);
  // Scrolls while the mouse is past an edge of the drawn area, one paced
  // step at a time; answers whether the origin moved.
  bool AutoScroll();
  void WMMouseWheel(TMessage& Message);
  void WheelScroll(int32_t D, bool Ctrl);
  void WheelZoom(int32_t D, TPoint Mouse);
  void WMLButtonDblClk(TMessage& Message);
  void CMWantSpecialKey(TMessage& Message);
  // ---- Overlay ----
  // A shape drawn, a grip held or a move under way.
  bool OverlayGestureRunning() const;
  void DrawRecordOverlay(TIEPolygonRecord& R, TCanvas* ACanvas);
  void DrawSelectionGrips(const TIEPolygonRecord& R, TCanvas* ACanvas);
  TRect OutlineRect(const TIEPolygonRecord& R);
  void DrawEditingOutline(TIEPolygonRecord& R, TCanvas* ACanvas);
  void DrawPolygonOutline(TIEPolygonRecord& R, HDC DC);
  void DrawRestingOutline(TIEPolygonRecord& R, TCanvas* ACanvas);
  void DrawThirdsGrid(const TIEPolygonRecord& R, TCanvas* ACanvas);
  // Timer switching and the zoom-filter and selection-hide countdowns.
  void OverlayCommonEnd(bool Animated);

  bool FCenter = true;
  TResampleFilter FZoomFilter = TResampleFilter::rfNone;
  TIEBackgroundStyle FBackgroundStyle = TIEBackgroundStyle::iebsSolid;
  bool FDrawVersion = false;
  bool FFlatScrollBars = false;
  std::unique_ptr<TPicture> FWallPaper;
  TIEWallPaperStyle FWallPaperStyle = TIEWallPaperStyle::iewoNormal;
  int32_t FViewOriginX = 0, FViewOriginY = 0;
  double FZoom = 100;
  TScrollStyle FScrollBars = TScrollStyle::ssBoth;
  bool FAutoFit = false, FAutoStretch = false, FAutoShrink = false;
  bool FScrollBarsAlwaysVisible = false;
  bool FEnableAlphaChannel = false;
  TPoint FNotedViewSize;
};

// Marks the view's back buffer for a rebuild and invalidates Rect of its
// window without erasing.
void InvalidateViewRect(TImgView* View, const TRect& Rect);
