// The tab control: the native class "SysTabControl32" with its styles,
// messages and notifications, and the framework's TCustomTabControl,
// TTabControl, TPageControl and TTabSheet on it.
//
// The framework never computes tab or page geometry itself: DisplayRect and
// TabRect are Perform(TCM_ADJUSTRECT / TCM_GETITEMRECT) through WindowProc, so
// a descendant or a subclass that corrects those answers moves the pages.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/gui/gdi.h"
#include "platform/gui/windows.h"
#include "platform/rtl/stringlist.h"
#include "platform/vcl/controls.h"

class TCustomImageList;
class TChangeLink;

// Registers "SysTabControl32" once per process.
void RegisterTabControlClass();

// ---- "SysTabControl32" ------------------------------------------------------------------
inline constexpr uint32_t TCS_SCROLLOPPOSITE = 0x0001;
inline constexpr uint32_t TCS_BOTTOM = 0x0002;
inline constexpr uint32_t TCS_RIGHT = 0x0002;  // with TCS_VERTICAL
inline constexpr uint32_t TCS_MULTISELECT = 0x0004;
inline constexpr uint32_t TCS_FLATBUTTONS = 0x0008;
inline constexpr uint32_t TCS_FORCEICONLEFT = 0x0010;
inline constexpr uint32_t TCS_FORCELABELLEFT = 0x0020;
inline constexpr uint32_t TCS_HOTTRACK = 0x0040;
inline constexpr uint32_t TCS_VERTICAL = 0x0080;  // implies TCS_MULTILINE
inline constexpr uint32_t TCS_TABS = 0x0000;
inline constexpr uint32_t TCS_BUTTONS = 0x0100;
inline constexpr uint32_t TCS_SINGLELINE = 0x0000;
inline constexpr uint32_t TCS_MULTILINE = 0x0200;
inline constexpr uint32_t TCS_RIGHTJUSTIFY = 0x0000;
inline constexpr uint32_t TCS_FIXEDWIDTH = 0x0400;
inline constexpr uint32_t TCS_RAGGEDRIGHT = 0x0800;
inline constexpr uint32_t TCS_FOCUSONBUTTONDOWN = 0x1000;
inline constexpr uint32_t TCS_OWNERDRAWFIXED = 0x2000;
inline constexpr uint32_t TCS_TOOLTIPS = 0x4000;
inline constexpr uint32_t TCS_FOCUSNEVER = 0x8000;

inline constexpr uint32_t TCM_GETIMAGELIST = 0x1302;
inline constexpr uint32_t TCM_SETIMAGELIST = 0x1303;  // lParam HIMAGELIST; answers the old one
inline constexpr uint32_t TCM_GETITEMCOUNT = 0x1304;
inline constexpr uint32_t TCM_DELETEITEM = 0x1308;
inline constexpr uint32_t TCM_DELETEALLITEMS = 0x1309;
inline constexpr uint32_t TCM_GETITEMRECT = 0x130A;  // wParam index, lParam TRect*
inline constexpr uint32_t TCM_GETCURSEL = 0x130B;
inline constexpr uint32_t TCM_SETCURSEL = 0x130C;    // notifies nothing; answers the old selection
inline constexpr uint32_t TCM_HITTEST = 0x130D;      // lParam TCHITTESTINFO*
inline constexpr uint32_t TCM_ADJUSTRECT = 0x1328;   // wParam FALSE: window -> display; TRUE: the reverse
inline constexpr uint32_t TCM_SETITEMSIZE = 0x1329;  // lParam MAKELONG(width, height); answers the old
inline constexpr uint32_t TCM_SETPADDING = 0x132B;
inline constexpr uint32_t TCM_GETROWCOUNT = 0x132C;
inline constexpr uint32_t TCM_GETCURFOCUS = 0x132F;
inline constexpr uint32_t TCM_SETCURFOCUS = 0x1330;
inline constexpr uint32_t TCM_SETMINTABWIDTH = 0x1331;
inline constexpr uint32_t TCM_GETITEM = 0x133C;     // wParam index, lParam TCITEM*
inline constexpr uint32_t TCM_SETITEM = 0x133D;     // wParam index, lParam TCITEM*
inline constexpr uint32_t TCM_INSERTITEM = 0x133E;  // wParam index, lParam TCITEM*; answers the index

inline constexpr uint32_t TCIF_TEXT = 0x0001;
inline constexpr uint32_t TCIF_IMAGE = 0x0002;
inline constexpr uint32_t TCIF_RTLREADING = 0x0004;
inline constexpr uint32_t TCIF_PARAM = 0x0008;
inline constexpr uint32_t TCIF_STATE = 0x0010;

inline constexpr uint32_t TCIS_BUTTONPRESSED = 0x0001;
inline constexpr uint32_t TCIS_HIGHLIGHTED = 0x0002;

inline constexpr uint32_t TCHT_NOWHERE = 0x0001;
inline constexpr uint32_t TCHT_ONITEMICON = 0x0002;
inline constexpr uint32_t TCHT_ONITEMLABEL = 0x0004;
inline constexpr uint32_t TCHT_ONITEM = TCHT_ONITEMICON | TCHT_ONITEMLABEL;

inline constexpr uint32_t TCN_KEYDOWN = uint32_t(-550);
inline constexpr uint32_t TCN_SELCHANGE = uint32_t(-551);
inline constexpr uint32_t TCN_SELCHANGING = uint32_t(-552);  // a non-zero answer refuses

inline constexpr uint32_t ODT_TAB = 101;

// UTF-8 text; TCM_GETITEM copies at most cchTextMax - 1 bytes into pszText.
struct TCITEM {
  uint32_t mask = 0;
  uint32_t dwState = 0;
  uint32_t dwStateMask = 0;
  char* pszText = nullptr;
  int32_t cchTextMax = 0;
  int32_t iImage = -1;
  LPARAM lParam = 0;
};

struct TCHITTESTINFO {
  TPoint pt;
  uint32_t flags = 0;
};

// WM_NOTIFY TCN_KEYDOWN.
struct NMTCKEYDOWN {
  NMHDR hdr;
  uint16_t wVKey = 0;
  uint32_t flags = 0;
};

// ================================================================================
// Framework
// ================================================================================

enum class TTabPosition : uint8_t { tpTop, tpBottom, tpLeft, tpRight };
enum class TTabStyle : uint8_t { tsTabs, tsButtons, tsFlatButtons };

using TTabChangingEvent = std::function<void(TObject* Sender, bool& AllowChange)>;
using TDrawTabEvent =
    std::function<void(class TCustomTabControl* Control, int32_t TabIndex, const TRect& Rect, bool Active)>;
using TTabGetImageEvent = std::function<void(TObject* Sender, int32_t TabIndex, int32_t& ImageIndex)>;

class TCustomTabControl : public TWinControl {
 public:
  explicit TCustomTabControl(TComponent* AOwner);
  ~TCustomTabControl() override;
  const char* ClassName() const override { return "TCustomTabControl"; }

  // The captions; every change is a message to the window (kept while there is none).
  TStrings* Tabs() const { return FTabs.get(); }
  void SetTabs(TStrings* Value) { FTabs->Assign(Value); }
  // The selected tab (-1: none); setting it fires nothing.
  int32_t TabIndex();
  void SetTabIndex(int32_t Value);
  bool MultiLine() const { return FMultiLine; }
  void SetMultiLine(bool Value);
  TTabPosition TabPosition() const { return FTabPosition; }
  void SetTabPosition(TTabPosition Value);
  // 0: measured from the text and image.
  int16_t TabHeight() const { return FTabHeight; }
  void SetTabHeight(int16_t Value);
  // Positive: every tab has this width (TCS_FIXEDWIDTH).
  int16_t TabWidth() const { return FTabWidth; }
  void SetTabWidth(int16_t Value);
  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* Value);
  TTabStyle Style() const { return FStyle; }
  void SetStyle(TTabStyle Value);
  bool OwnerDraw() const { return FOwnerDraw; }
  void SetOwnerDraw(bool Value);
  bool HotTrack() const { return FHotTrack; }
  void SetHotTrack(bool Value);
  bool RaggedRight() const { return FRaggedRight; }
  void SetRaggedRight(bool Value);
  bool ScrollOpposite() const { return FScrollOpposite; }
  void SetScrollOpposite(bool Value);
  TCanvas* Canvas() const { return FCanvas.get(); }

  // The area inside the frame: TCM_ADJUSTRECT on the client rectangle through WindowProc.
  TRect DisplayRect();
  // TCM_GETITEMRECT through WindowProc.
  TRect TabRect(int32_t Index);
  int32_t IndexOfTabAt(int32_t X, int32_t Y);
  int32_t RowCount();
  // Moves the selection by one tab (wrapping), with OnChanging and OnChange.
  void SelectNextTab(bool GoForward);

  void Dispatch(TMessage& Message) override;

  TTabChangingEvent OnChanging;
  TNotifyEvent OnChange;
  TDrawTabEvent OnDrawTab;
  TTabGetImageEvent OnGetImageIndex;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void AdjustClientRect(TRect& Rect) override;
  // TCN_SELCHANGING: OnChanging; false refuses.
  virtual bool CanChange();
  // TCN_SELCHANGE: OnChange.
  virtual void Change();
  // Owner draw (CN_DRAWITEM): OnDrawTab, else the caption on Canvas.
  virtual void DrawTab(int32_t TabIndex, const TRect& Rect, bool Active);
  virtual int32_t GetImageIndex(int32_t TabIndex);
  // The user or the keyboard changed the selection to Index: CanChange, select, Change.
  bool UserSelect(int32_t Index);
  void UpdateTabImages();
  // Called when the native tabs changed (insertion, deletion, size).
  virtual void TabsChanged();

 private:
  friend class TTabControlStrings;
  friend class TPageControl;
  struct TSavedTab {
    String Text;
    void* Object = nullptr;
  };
  void ApplyItemSize();
  void ImageListChange(TObject* Sender);
  void CMDialogKey(TMessage& Message);

  std::unique_ptr<TStrings> FTabs;
  std::unique_ptr<TControlCanvas> FCanvas;
  std::unique_ptr<TChangeLink> FImageChangeLink;
  std::vector<TSavedTab> FSaved;
  int32_t FSavedIndex = -1;
  bool FMultiLine = false;
  TTabPosition FTabPosition = TTabPosition::tpTop;
  int16_t FTabHeight = 0;
  int16_t FTabWidth = 0;
  TCustomImageList* FImages = nullptr;
  TTabStyle FStyle = TTabStyle::tsTabs;
  bool FOwnerDraw = false;
  bool FHotTrack = false;
  bool FRaggedRight = false;
  bool FScrollOpposite = false;
};

class TTabControl : public TCustomTabControl {
 public:
  explicit TTabControl(TComponent* AOwner) : TCustomTabControl(AOwner) {}
  const char* ClassName() const override { return "TTabControl"; }
};

class TPageControl;

class TTabSheet : public TWinControl {
 public:
  explicit TTabSheet(TComponent* AOwner);
  ~TTabSheet() override;
  const char* ClassName() const override { return "TTabSheet"; }

  TPageControl* PageControl() const { return FPageControl; }
  // Puts the sheet (as its last page) on a page control, or takes it off.
  void SetPageControl(TPageControl* Value);
  int32_t ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int32_t Value);
  bool TabVisible() const { return FTabVisible; }
  void SetTabVisible(bool Value);
  // The position among the pages.
  int32_t PageIndex() const;
  void SetPageIndex(int32_t Value);
  // The index of the sheet's tab among the visible tabs; -1 when it has none.
  int32_t TabIndex() const;
  bool Highlighted() const { return FHighlighted; }
  void SetHighlighted(bool Value) { FHighlighted = Value; }

  void Dispatch(TMessage& Message) override;

  TNotifyEvent OnShow;
  TNotifyEvent OnHide;

 protected:
  virtual void DoShow();
  virtual void DoHide();

 private:
  friend class TPageControl;
  TPageControl* FPageControl = nullptr;
  int32_t FImageIndex = -1;
  bool FTabVisible = true;
  bool FTabShowing = false;
  bool FHighlighted = false;
};

class TPageControl : public TCustomTabControl {
 public:
  explicit TPageControl(TComponent* AOwner);
  ~TPageControl() override;
  const char* ClassName() const override { return "TPageControl"; }

  int32_t PageCount() const { return int32_t(FPages.size()); }
  TTabSheet* Pages(int32_t Index) const;
  TTabSheet* ActivePage() const { return FActivePage; }
  // Selects without OnChanging or OnChange (the sheets' OnHide / OnShow still fire).
  void SetActivePage(TTabSheet* Page);
  int32_t ActivePageIndex() const;
  void SetActivePageIndex(int32_t Value);
  // The page after (or before) CurrentPage, wrapping; nullptr when none fits.
  TTabSheet* FindNextPage(TTabSheet* CurrentPage, bool GoForward, bool CheckTabVisible) const;
  // A user change: OnChanging first, OnChange after.
  void SelectNextPage(bool GoForward, bool CheckTabVisible = true);

 protected:
  void Change() override;
  int32_t GetImageIndex(int32_t TabIndex) override;

 private:
  friend class TTabSheet;
  void InsertPage(TTabSheet* Page);
  void RemovePage(TTabSheet* Page);
  void MovePage(TTabSheet* Page, int32_t NewIndex);
  // Adds or removes the sheet's tab to match its TabVisible.
  void UpdateTab(TTabSheet* Page);
  void ChangeActivePage(TTabSheet* Page);
  void SyncTabIndex();

  std::vector<TTabSheet*> FPages;
  TTabSheet* FActivePage = nullptr;
};
