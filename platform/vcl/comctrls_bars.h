// Bars of the common controls: the status bar ("msctls_statusbar32",
// TStatusBar), the tool bar (TToolBar with TToolButton children laid out by
// the framework), the cool bar ("ReBarWindow32", TCoolBar with its bands)
// and the control bar (TCustomControlBar / TControlBar, framework only).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/gui/gdi.h"
#include "platform/gui/graphics.h"
#include "platform/gui/imagelist.h"
#include "platform/gui/windows.h"
#include "platform/rtl/collection.h"
#include "platform/vcl/controls.h"

class TCustomImageList;
class TChangeLink;
class TPopupMenu;

// Registers "msctls_statusbar32" and "ReBarWindow32" once per process.
void RegisterComBarClasses();

// Styles shared by the bar classes.
inline constexpr uint32_t CCS_TOP = 0x0001;
inline constexpr uint32_t CCS_NOMOVEY = 0x0002;
inline constexpr uint32_t CCS_BOTTOM = 0x0003;
inline constexpr uint32_t CCS_NORESIZE = 0x0004;
inline constexpr uint32_t CCS_NOPARENTALIGN = 0x0008;
inline constexpr uint32_t CCS_ADJUSTABLE = 0x0020;
inline constexpr uint32_t CCS_NODIVIDER = 0x0040;
inline constexpr uint32_t CCS_VERT = 0x0080;

// ---- "msctls_statusbar32" ----------------------------------------------------------------
// The bar does not move itself: its owner places it.
inline constexpr uint32_t SBARS_SIZEGRIP = 0x0100;

inline constexpr uint32_t SB_SETPARTS = 0x0404;  // wParam count (<= 256), lParam int32_t* right edges (-1: to the end)
inline constexpr uint32_t SB_GETPARTS = 0x0406;  // wParam size, lParam int32_t*; answers the count
inline constexpr uint32_t SB_GETBORDERS = 0x0407;  // lParam int32_t[3]
inline constexpr uint32_t SB_SETMINHEIGHT = 0x0408;
inline constexpr uint32_t SB_SIMPLE = 0x0409;         // wParam non-zero: one simple part
inline constexpr uint32_t SB_GETRECT = 0x040A;        // wParam part, lParam TRect*
inline constexpr uint32_t SB_SETTEXT = 0x040B;        // wParam part | SBT_*, lParam UTF-8 text (owner draw: the data)
inline constexpr uint32_t SB_GETTEXTLENGTH = 0x040C;  // answers MAKELONG(length, SBT_ type)
inline constexpr uint32_t SB_GETTEXT = 0x040D;        // wParam part, lParam buffer (no size: take the length first)
inline constexpr uint32_t SB_ISSIMPLE = 0x040E;

// The part of the simple mode.
inline constexpr uint32_t SB_SIMPLEID = 0x00FF;
inline constexpr uint32_t SBT_OWNERDRAW = 0x1000;
inline constexpr uint32_t SBT_NOBORDERS = 0x0100;
inline constexpr uint32_t SBT_POPOUT = 0x0200;

// ---- "ReBarWindow32" ------------------------------------------------------------------------
inline constexpr uint32_t RBS_TOOLTIPS = 0x0100;
inline constexpr uint32_t RBS_VARHEIGHT = 0x0200;
inline constexpr uint32_t RBS_BANDBORDERS = 0x0400;
inline constexpr uint32_t RBS_FIXEDORDER = 0x0800;
inline constexpr uint32_t RBS_AUTOSIZE = 0x2000;
inline constexpr uint32_t RBS_VERTICALGRIPPER = 0x4000;
inline constexpr uint32_t RBS_DBLCLKTOGGLE = 0x8000;

inline constexpr uint32_t RB_DELETEBAND = 0x0402;   // wParam index
inline constexpr uint32_t RB_GETBARINFO = 0x0403;   // lParam REBARINFO*
inline constexpr uint32_t RB_SETBARINFO = 0x0404;   // lParam REBARINFO* (the image list)
inline constexpr uint32_t RB_GETRECT = 0x0409;      // wParam index, lParam TRect*: the band's rectangle
inline constexpr uint32_t RB_INSERTBAND = 0x040A;   // wParam index (-1: at the end), lParam REBARBANDINFO*
inline constexpr uint32_t RB_SETBANDINFO = 0x040B;  // wParam index, lParam REBARBANDINFO*
inline constexpr uint32_t RB_GETBANDCOUNT = 0x040C;
inline constexpr uint32_t RB_GETROWCOUNT = 0x040D;
inline constexpr uint32_t RB_GETROWHEIGHT = 0x040E;  // wParam band index
inline constexpr uint32_t RB_SETBKCOLOR = 0x0413;
inline constexpr uint32_t RB_GETBARHEIGHT = 0x041B;    // the rows' total height (width when vertical)
inline constexpr uint32_t RB_GETBANDINFO = 0x041C;     // wParam index, lParam REBARBANDINFO*
inline constexpr uint32_t RB_GETBANDBORDERS = 0x0422;  // wParam index, lParam TRect*: Left is the header size

inline constexpr uint32_t RBBIM_STYLE = 0x0001;
inline constexpr uint32_t RBBIM_COLORS = 0x0002;
inline constexpr uint32_t RBBIM_TEXT = 0x0004;
inline constexpr uint32_t RBBIM_IMAGE = 0x0008;
inline constexpr uint32_t RBBIM_CHILD = 0x0010;
inline constexpr uint32_t RBBIM_CHILDSIZE = 0x0020;
inline constexpr uint32_t RBBIM_SIZE = 0x0040;
inline constexpr uint32_t RBBIM_BACKGROUND = 0x0080;
inline constexpr uint32_t RBBIM_ID = 0x0100;
inline constexpr uint32_t RBBIM_LPARAM = 0x0400;
inline constexpr uint32_t RBBIM_HEADERSIZE = 0x0800;

inline constexpr uint32_t RBBS_BREAK = 0x0001;
inline constexpr uint32_t RBBS_FIXEDSIZE = 0x0002;
inline constexpr uint32_t RBBS_CHILDEDGE = 0x0004;
inline constexpr uint32_t RBBS_HIDDEN = 0x0008;
inline constexpr uint32_t RBBS_NOVERT = 0x0010;
inline constexpr uint32_t RBBS_FIXEDBMP = 0x0020;
inline constexpr uint32_t RBBS_GRIPPERALWAYS = 0x0080;
inline constexpr uint32_t RBBS_NOGRIPPER = 0x0100;

inline constexpr uint32_t RBN_HEIGHTCHANGE = uint32_t(-831);

struct REBARINFO {
  uint32_t cbSize = sizeof(REBARINFO);
  uint32_t fMask = 0;  // RBIM_IMAGELIST 1
  HIMAGELIST himl = nullptr;
};
inline constexpr uint32_t RBIM_IMAGELIST = 0x0001;

// Text UTF-8; RB_GETBANDINFO copies at most cch - 1 bytes into lpText.
struct REBARBANDINFO {
  uint32_t cbSize = sizeof(REBARBANDINFO);
  uint32_t fMask = 0;
  uint32_t fStyle = 0;
  COLORREF clrFore = CLR_DEFAULT;
  COLORREF clrBack = CLR_DEFAULT;
  char* lpText = nullptr;
  int32_t cch = 0;
  int32_t iImage = -1;
  HWND hwndChild = nullptr;
  int32_t cxMinChild = 0;
  int32_t cyMinChild = 0;
  int32_t cx = 0;
  HBITMAP hbmBack = nullptr;  // tiled from the bar's origin
  uint32_t wID = 0;
  LPARAM lParam = 0;
  int32_t cxHeader = -1;  // -1: computed
};

// ================================================================================
// TStatusBar
// ================================================================================

class TStatusBar;

enum class TStatusPanelStyle : uint8_t { psText, psOwnerDraw };
enum class TStatusPanelBevel : uint8_t { pbNone, pbLowered, pbRaised };

class TStatusPanel : public TCollectionItem {
 public:
  explicit TStatusPanel(TCollection* Collection) : TCollectionItem(Collection) { Changed(true); }
  const char* ClassName() const override { return "TStatusPanel"; }
  void Assign(TPersistent* Source) override;

  const String& Text() const { return FText; }
  void SetText(const String& Value);
  int32_t Width() const { return FWidth; }
  void SetWidth(int32_t Value);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  TStatusPanelBevel Bevel() const { return FBevel; }
  void SetBevel(TStatusPanelBevel Value);
  TStatusPanelStyle Style() const { return FStyle; }
  void SetStyle(TStatusPanelStyle Value);

 private:
  String FText;
  int32_t FWidth = 50;
  TAlignment FAlignment = TAlignment::taLeftJustify;
  TStatusPanelBevel FBevel = TStatusPanelBevel::pbLowered;
  TStatusPanelStyle FStyle = TStatusPanelStyle::psText;
};

class TStatusPanels : public TCollection {
 public:
  explicit TStatusPanels(TStatusBar* StatusBar);
  const char* ClassName() const override { return "TStatusPanels"; }
  TStatusPanel* Add() { return static_cast<TStatusPanel*>(TCollection::Add()); }
  TStatusPanel* Items(int32_t Index) const { return static_cast<TStatusPanel*>(TCollection::Items(Index)); }

 protected:
  void Update(TCollectionItem* Item) override;
  TPersistent* GetOwner() const override;

 private:
  TStatusBar* FStatusBar;
};

using TDrawPanelEvent = std::function<void(TStatusBar* StatusBar, TStatusPanel* Panel, const TRect& Rect)>;

class TStatusBar : public TWinControl {
 public:
  explicit TStatusBar(TComponent* AOwner);
  ~TStatusBar() override;
  const char* ClassName() const override { return "TStatusBar"; }

  TStatusPanels* Panels() const { return FPanels.get(); }
  bool SimplePanel() const { return FSimplePanel; }
  void SetSimplePanel(bool Value);
  const String& SimpleText() const { return FSimpleText; }
  void SetSimpleText(const String& Value);
  bool SizeGrip() const { return FSizeGrip; }
  void SetSizeGrip(bool Value);
  TCanvas* Canvas() const { return FCanvas.get(); }

  void Dispatch(TMessage& Message) override;

  TDrawPanelEvent OnDrawPanel;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  virtual void DrawPanel(TStatusPanel* Panel, const TRect& Rect);

 private:
  friend class TStatusPanels;
  void UpdatePanels();
  void UpdatePanel(TStatusPanel* Panel);

  std::unique_ptr<TStatusPanels> FPanels;
  std::unique_ptr<TControlCanvas> FCanvas;
  bool FSimplePanel = false;
  String FSimpleText;
  bool FSizeGrip = true;
};

// ================================================================================
// TToolBar / TToolButton
// ================================================================================

class TToolBar;

enum class TToolButtonStyle : uint8_t { tbsButton, tbsCheck, tbsDropDown, tbsSeparator, tbsDivider };

// A flat button painted by itself: a frame under the mouse, sunken while
// pressed or down.
class TToolButton : public TGraphicControl {
 public:
  explicit TToolButton(TComponent* AOwner);
  const char* ClassName() const override { return "TToolButton"; }

  TToolButtonStyle Style() const { return FStyle; }
  void SetStyle(TToolButtonStyle Value);
  int32_t ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int32_t Value);
  bool Down() const { return FDown; }
  // Down in a group raises the others of the group.
  void SetDown(bool Value);
  // Checked buttons next to each other form a group.
  bool Grouped() const { return FGrouped; }
  void SetGrouped(bool Value) { FGrouped = Value; }
  bool AllowAllUp() const { return FAllowAllUp; }
  void SetAllowAllUp(bool Value) { FAllowAllUp = Value; }
  TPopupMenu* DropdownMenu() const { return FDropdownMenu; }
  void SetDropdownMenu(TPopupMenu* Value) { FDropdownMenu = Value; }
  TToolBar* ToolBar() const;
  // Whether the mouse is over it (the flat frame shows).
  bool Hot() const { return FHot; }

  void Click() override;
  void Dispatch(TMessage& Message) override;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;

 private:
  TToolButtonStyle FStyle = TToolButtonStyle::tbsButton;
  int32_t FImageIndex = -1;
  bool FDown = false;
  bool FGrouped = false;
  bool FAllowAllUp = false;
  bool FPressed = false;
  bool FHot = false;
  TPopupMenu* FDropdownMenu = nullptr;
};

class TToolBar : public TWinControl {
 public:
  explicit TToolBar(TComponent* AOwner);
  ~TToolBar() override;
  const char* ClassName() const override { return "TToolBar"; }

  int32_t ButtonCount() const;
  TToolButton* Buttons(int32_t Index) const;
  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* Value);
  bool Flat() const { return FFlat; }
  void SetFlat(bool Value);
  bool ShowCaptions() const { return FShowCaptions; }
  void SetShowCaptions(bool Value);
  int32_t ButtonWidth() const { return FButtonWidth; }
  void SetButtonWidth(int32_t Value);
  int32_t ButtonHeight() const { return FButtonHeight; }
  void SetButtonHeight(int32_t Value);
  // Captions right of the images.
  bool List() const { return FList; }
  void SetList(bool Value);
  // Buttons wrap to new rows at the right edge.
  bool Wrapable() const { return FWrapable; }
  void SetWrapable(bool Value);

 protected:
  void AlignControls(TControl* AControl, TRect& Rect) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void PaintWindow(HDC DC) override;

 private:
  friend class TToolButton;
  // The buttons in their left-to-right order.
  std::vector<TToolButton*> OrderedButtons() const;
  TSize ButtonSize(TToolButton* Button) const;

  TCustomImageList* FImages = nullptr;
  std::unique_ptr<TChangeLink> FImageChangeLink;
  bool FFlat = true;
  bool FShowCaptions = false;
  int32_t FButtonWidth = 23;
  int32_t FButtonHeight = 22;
  bool FList = false;
  bool FWrapable = true;
  bool FAligning = false;
};

// ================================================================================
// TCoolBar
// ================================================================================

class TCoolBar;

class TCoolBand : public TCollectionItem {
 public:
  explicit TCoolBand(TCollection* Collection);
  ~TCoolBand() override;
  const char* ClassName() const override { return "TCoolBand"; }
  void Assign(TPersistent* Source) override;

  TWinControl* Control() const { return FControl; }
  // Puts the control on the cool bar in this band.
  void SetControl(TWinControl* Value);
  const String& Text() const { return FText; }
  void SetText(const String& Value);
  int32_t ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int32_t Value);
  // 0: as wide as its content or the rest of the row.
  int32_t Width() const { return FWidth; }
  void SetWidth(int32_t Value);
  int32_t MinWidth() const { return FMinWidth; }
  void SetMinWidth(int32_t Value);
  int32_t MinHeight() const { return FMinHeight; }
  void SetMinHeight(int32_t Value);
  // Starts a new row.
  bool Break() const { return FBreak; }
  void SetBreak(bool Value);
  bool FixedSize() const { return FFixedSize; }
  void SetFixedSize(bool Value);
  bool FixedBackground() const { return FFixedBackground; }
  void SetFixedBackground(bool Value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);
  bool HorizontalOnly() const { return FHorizontalOnly; }
  void SetHorizontalOnly(bool Value);
  TCoolBar* CoolBar() const;

 private:
  friend class TCoolBar;
  friend class TCoolBands;
  TWinControl* FControl = nullptr;
  String FText;
  int32_t FImageIndex = -1;
  int32_t FWidth = 0;
  int32_t FMinWidth = 0;
  int32_t FMinHeight = 25;
  bool FBreak = true;
  bool FFixedSize = false;
  bool FFixedBackground = true;
  bool FVisible = true;
  bool FHorizontalOnly = false;
};

class TCoolBands : public TCollection {
 public:
  explicit TCoolBands(TCoolBar* CoolBar);
  const char* ClassName() const override { return "TCoolBands"; }
  TCoolBand* Add() { return static_cast<TCoolBand*>(TCollection::Add()); }
  TCoolBand* Items(int32_t Index) const { return static_cast<TCoolBand*>(TCollection::Items(Index)); }
  // The band holding the control (nullptr when none).
  TCoolBand* FindBand(TControl* AControl) const;
  TCoolBar* CoolBar() const { return FCoolBar; }

 protected:
  void Update(TCollectionItem* Item) override;
  TPersistent* GetOwner() const override;

 private:
  TCoolBar* FCoolBar;
};

enum class TCoolBandMaximize : uint8_t { bmNone, bmClick, bmDblClick };

class TCoolBar : public TWinControl {
 public:
  explicit TCoolBar(TComponent* AOwner);
  ~TCoolBar() override;
  const char* ClassName() const override { return "TCoolBar"; }

  TCoolBands* Bands() const { return FBands.get(); }
  bool Vertical() const { return FVertical; }
  void SetVertical(bool Value);
  bool ShowText() const { return FShowText; }
  void SetShowText(bool Value);
  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* Value);
  bool FixedOrder() const { return FFixedOrder; }
  void SetFixedOrder(bool Value);
  // bsSingle: etched lines between the bands (RBS_BANDBORDERS).
  TBorderStyle BandBorderStyle() const { return FBandBorderStyle; }
  void SetBandBorderStyle(TBorderStyle Value);
  // Tiled behind the bands.
  TBitmap* Bitmap() const { return FBitmap.get(); }
  void SetBitmap(TBitmap* Value);
  // The height (width when vertical) follows the rows.
  void SetAutoSize(bool Value) override;

  void Dispatch(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // Gives the bands to the window, which places their controls.
  void AlignControls(TControl* AControl, TRect& Rect) override;

 private:
  friend class TCoolBands;
  friend class TCoolBand;
  void UpdateBands();
  void FillBandInfo(TCoolBand* Band, REBARBANDINFO& Info, String& Text);
  void BitmapChanged(TObject* Sender);

  std::unique_ptr<TCoolBands> FBands;
  std::unique_ptr<TBitmap> FBitmap;
  std::unique_ptr<TChangeLink> FImageChangeLink;
  TCustomImageList* FImages = nullptr;
  bool FVertical = false;
  bool FShowText = true;
  bool FFixedOrder = false;
  TBorderStyle FBandBorderStyle = TBorderStyle::bsSingle;
  int32_t FUpdating = 0;
};

// ================================================================================
// TCustomControlBar / TControlBar
// ================================================================================

enum class TBandPaintOption : uint8_t { bpoGrabber, bpoFrame };
using TBandPaintOptions = Set<TBandPaintOption>;
using TBandPaintEvent =
    std::function<void(TObject* Sender, TControl* Control, TCanvas* Canvas, TRect& ARect, TBandPaintOptions& Options)>;
using TBandMoveEvent = std::function<void(TObject* Sender, TControl* Control, TRect& ARect)>;

// Every child is a band: its bounds grown by 11 on the left (the grabber)
// and 2 on the other sides, in rows of RowSize.
class TCustomControlBar : public TCustomControl {
 public:
  explicit TCustomControlBar(TComponent* AOwner);
  ~TCustomControlBar() override;
  const char* ClassName() const override { return "TCustomControlBar"; }

  int32_t RowSize() const { return FRowSize; }
  void SetRowSize(int32_t Value);
  bool RowSnap() const { return FRowSnap; }
  void SetRowSnap(bool Value);
  // A press on a grabber drags its band.
  bool AutoDrag() const { return FAutoDrag; }
  void SetAutoDrag(bool Value) { FAutoDrag = Value; }
  // Tiled as the background when it holds a graphic.
  TPicture* Picture() const { return FPicture.get(); }
  void SetPicture(TPicture* Value);
  // The band of a child.
  static TRect BandRect(TControl* Control);
  // The child whose band holds the client point (nullptr when none).
  TControl* BandAt(const TPoint& Pos);
  // The height (width when vertical) follows the rows.
  void SetAutoSize(bool Value) override;

  void Dispatch(TMessage& Message) override;

  TBandPaintEvent OnBandPaint;
  TBandMoveEvent OnBandMove;

 protected:
  void Paint() override;
  virtual void PaintControlFrame(TCanvas* Canvas, TControl* AControl, const TRect& ARect);
  void AlignControls(TControl* AControl, TRect& Rect) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;

 private:
  void PictureChanged(TObject* Sender);
  std::unique_ptr<TPicture> FPicture;
  int32_t FRowSize = 26;
  bool FRowSnap = true;
  bool FAutoDrag = true;
  bool FAligning = false;
  TBandPaintOptions FPaintOptions;
  TControl* FDragControl = nullptr;
  TPoint FDragOffset;
};

class TControlBar : public TCustomControlBar {
 public:
  explicit TControlBar(TComponent* AOwner) : TCustomControlBar(AOwner) {}
  const char* ClassName() const override { return "TControlBar"; }
};
