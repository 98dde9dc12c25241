// The header control: the native class "SysHeader32" (column sections that
// can be clicked, resized by their dividers and reordered by dragging) and
// the framework's THeaderControl over it.
//
// Every press, move and release first sends HDM_HITTEST for the point to the
// header itself (through its window procedure, so a subclass sees it) before
// the header acts on it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/gui/imagelist.h"
#include "platform/gui/windows.h"
#include "platform/rtl/components.h"
#include "platform/vcl/comctrls_common.h"
#include "platform/vcl/controls.h"

// Registers "SysHeader32" once per process.
void RegisterHeaderClass();

inline constexpr uint32_t HDS_HORZ = 0x0000;
inline constexpr uint32_t HDS_BUTTONS = 0x0002;
inline constexpr uint32_t HDS_HOTTRACK = 0x0004;
inline constexpr uint32_t HDS_HIDDEN = 0x0008;
inline constexpr uint32_t HDS_DRAGDROP = 0x0040;
inline constexpr uint32_t HDS_FULLDRAG = 0x0080;
inline constexpr uint32_t HDS_FLAT = 0x0200;

inline constexpr uint32_t HDM_FIRST = 0x1200;
inline constexpr uint32_t HDM_GETITEMCOUNT = 0x1200;
inline constexpr uint32_t HDM_DELETEITEM = 0x1202;    // wParam index
inline constexpr uint32_t HDM_LAYOUT = 0x1205;        // lParam HDLAYOUT*
inline constexpr uint32_t HDM_HITTEST = 0x1206;       // lParam HDHITTESTINFO*; answers the item or -1
inline constexpr uint32_t HDM_GETITEMRECT = 0x1207;   // wParam index, lParam TRect*
inline constexpr uint32_t HDM_SETIMAGELIST = 0x1208;  // lParam HIMAGELIST; answers the old one
inline constexpr uint32_t HDM_GETIMAGELIST = 0x1209;
inline constexpr uint32_t HDM_INSERTITEM = 0x120A;  // wParam index, lParam HDITEM*; answers the index
inline constexpr uint32_t HDM_GETITEM = 0x120B;     // wParam index, lParam HDITEM*
inline constexpr uint32_t HDM_SETITEM = 0x120C;     // wParam index, lParam HDITEM*
inline constexpr uint32_t HDM_ORDERTOINDEX = 0x120F;
inline constexpr uint32_t HDM_GETORDERARRAY = 0x1211;  // wParam count, lParam int32_t*
inline constexpr uint32_t HDM_SETORDERARRAY = 0x1212;  // wParam count, lParam const int32_t*

inline constexpr uint32_t HDI_WIDTH = 0x0001;
inline constexpr uint32_t HDI_HEIGHT = HDI_WIDTH;
inline constexpr uint32_t HDI_TEXT = 0x0002;
inline constexpr uint32_t HDI_FORMAT = 0x0004;
inline constexpr uint32_t HDI_LPARAM = 0x0008;
inline constexpr uint32_t HDI_BITMAP = 0x0010;
inline constexpr uint32_t HDI_IMAGE = 0x0020;
inline constexpr uint32_t HDI_ORDER = 0x0080;

inline constexpr int32_t HDF_LEFT = 0;
inline constexpr int32_t HDF_RIGHT = 1;
inline constexpr int32_t HDF_CENTER = 2;
inline constexpr int32_t HDF_JUSTIFYMASK = 3;
inline constexpr int32_t HDF_IMAGE = 0x0800;
inline constexpr int32_t HDF_BITMAP_ON_RIGHT = 0x1000;
inline constexpr int32_t HDF_BITMAP = 0x2000;
inline constexpr int32_t HDF_STRING = 0x4000;
inline constexpr int32_t HDF_OWNERDRAW = 0x8000;

inline constexpr uint32_t HHT_NOWHERE = 0x0001;
inline constexpr uint32_t HHT_ONHEADER = 0x0002;
inline constexpr uint32_t HHT_ONDIVIDER = 0x0004;
inline constexpr uint32_t HHT_ONDIVOPEN = 0x0008;
inline constexpr uint32_t HHT_ABOVE = 0x0100;
inline constexpr uint32_t HHT_BELOW = 0x0200;
inline constexpr uint32_t HHT_TORIGHT = 0x0400;
inline constexpr uint32_t HHT_TOLEFT = 0x0800;

inline constexpr uint32_t HDN_ITEMCHANGING = uint32_t(-320);
inline constexpr uint32_t HDN_ITEMCHANGED = uint32_t(-321);
inline constexpr uint32_t HDN_ITEMCLICK = uint32_t(-322);
inline constexpr uint32_t HDN_ITEMDBLCLICK = uint32_t(-323);
inline constexpr uint32_t HDN_DIVIDERDBLCLICK = uint32_t(-325);
inline constexpr uint32_t HDN_BEGINTRACK = uint32_t(-326);
inline constexpr uint32_t HDN_ENDTRACK = uint32_t(-327);
inline constexpr uint32_t HDN_TRACK = uint32_t(-328);
inline constexpr uint32_t HDN_BEGINDRAG = uint32_t(-310);
inline constexpr uint32_t HDN_ENDDRAG = uint32_t(-311);

inline constexpr uint32_t ODT_HEADER = 100;

// Text is UTF-8; HDM_GETITEM copies at most cchTextMax bytes into pszText.
struct HDITEM {
  uint32_t mask = 0;
  int32_t cxy = 0;
  char* pszText = nullptr;
  HBITMAP hbm = nullptr;
  int32_t cchTextMax = 0;
  int32_t fmt = 0;
  LPARAM lParam = 0;
  int32_t iImage = 0;
  int32_t iOrder = 0;
};

struct HDLAYOUT {
  TRect* prc = nullptr;
  WINDOWPOS* pwpos = nullptr;
};

struct HDHITTESTINFO {
  TPoint pt;
  uint32_t flags = 0;
  int32_t iItem = -1;
};

// HDN_*: iButton 0 left, 1 right; pitem the item's values (HDN_ITEMCHANGING:
// the new width; HDN_ENDDRAG: the new iOrder).
struct NMHEADER {
  NMHDR hdr;
  int32_t iItem = -1;
  int32_t iButton = 0;
  HDITEM* pitem = nullptr;
};

// ================================================================================
// THeaderControl
// ================================================================================

class THeaderControl;

enum class THeaderSectionStyle : uint8_t { hsText, hsOwnerDraw };
enum class THeaderStyle : uint8_t { hsButtons, hsFlat };
enum class TSectionTrackState : uint8_t { tsTrackBegin, tsTrackMove, tsTrackEnd };

class THeaderSection : public TObject {
 public:
  THeaderSection(THeaderControl* AHeader) : FHeader(AHeader) {}
  const char* ClassName() const override { return "THeaderSection"; }

  const String& Text() const { return FText; }
  void SetText(const String& Value);
  // Read from the window while it exists (a divider drag changes it there).
  int32_t Width() const;
  void SetWidth(int32_t Value);
  int32_t MinWidth() const { return FMinWidth; }
  void SetMinWidth(int32_t Value);
  int32_t MaxWidth() const { return FMaxWidth; }
  void SetMaxWidth(int32_t Value);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  int32_t ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int32_t Value);
  THeaderSectionStyle Style() const { return FStyle; }
  void SetStyle(THeaderSectionStyle Value);
  // The display position (sections dragged by the user move).
  int32_t Index() const;
  int32_t Left() const;
  int32_t Right() const { return Left() + Width(); }

 private:
  friend class THeaderControl;
  friend class THeaderSections;
  // The index of the window's item.
  int32_t NativeIndex() const;
  THeaderControl* FHeader;
  String FText;
  int32_t FWidth = 50;
  int32_t FMinWidth = 0;
  int32_t FMaxWidth = 10000;
  TAlignment FAlignment = TAlignment::taLeftJustify;
  int32_t FImageIndex = -1;
  THeaderSectionStyle FStyle = THeaderSectionStyle::hsText;
};

class THeaderSections : public TObject {
 public:
  explicit THeaderSections(THeaderControl* AHeader) : FHeader(AHeader) {}
  const char* ClassName() const override { return "THeaderSections"; }

  THeaderSection* Add();
  THeaderSection* Insert(int32_t Index);
  void Delete(int32_t Index);
  void Clear();
  int32_t Count() const { return int32_t(FItems.size()); }
  // By display position (sections dragged by the user move).
  THeaderSection* Items(int32_t Index) const;
  THeaderSection* operator[](int32_t Index) const { return Items(Index); }

 private:
  friend class THeaderControl;
  friend class THeaderSection;
  THeaderControl* FHeader;
  std::vector<std::unique_ptr<THeaderSection>> FItems;
};

using TSectionNotifyEvent = std::function<void(THeaderControl* HeaderControl, THeaderSection* Section)>;
using TSectionTrackEvent = std::function<void(THeaderControl* HeaderControl, THeaderSection* Section, int32_t Width,
                                              TSectionTrackState State)>;
using TSectionDragEvent =
    std::function<void(TObject* Sender, THeaderSection* FromSection, THeaderSection* ToSection, bool& AllowDrag)>;
using TDrawSectionEvent =
    std::function<void(THeaderControl* HeaderControl, THeaderSection* Section, const TRect& Rect, bool Pressed)>;

class THeaderControl : public TWinControl {
 public:
  explicit THeaderControl(TComponent* AOwner);
  ~THeaderControl() override;
  const char* ClassName() const override { return "THeaderControl"; }

  THeaderSections* Sections() const { return FSections.get(); }
  THeaderStyle Style() const { return FStyle; }
  void SetStyle(THeaderStyle Value);
  bool DragReorder() const { return FDragReorder; }
  void SetDragReorder(bool Value);
  bool FullDrag() const { return FFullDrag; }
  void SetFullDrag(bool Value);
  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* Value);
  TCanvas* Canvas() const { return FCanvas.get(); }

  void Dispatch(TMessage& Message) override;

  TSectionNotifyEvent OnSectionClick;
  TSectionNotifyEvent OnSectionResize;
  TSectionTrackEvent OnSectionTrack;
  TSectionDragEvent OnSectionDrag;
  TNotifyEvent OnSectionEndDrag;
  TDrawSectionEvent OnDrawSection;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  // WM_PAINT reaches this through the paint handler; the default lets the
  // native procedure paint into DC.
  void PaintWindow(HDC DC) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  virtual void DrawSection(THeaderSection* Section, const TRect& Rect, bool Pressed);
  virtual void SectionClick(THeaderSection* Section);
  virtual void SectionResize(THeaderSection* Section);
  virtual void SectionTrack(THeaderSection* Section, int32_t Width, TSectionTrackState State);
  virtual bool SectionDrag(THeaderSection* FromSection, THeaderSection* ToSection);
  virtual void SectionEndDrag();

 private:
  friend class THeaderSection;
  friend class THeaderSections;
  void UpdateSection(int32_t Index, bool Width = false);
  void InsertNative(int32_t Index);
  void CNNotify(TMessage& Message);

  std::unique_ptr<THeaderSections> FSections;
  std::unique_ptr<TControlCanvas> FCanvas;
  THeaderStyle FStyle = THeaderStyle::hsButtons;
  bool FDragReorder = false;
  bool FFullDrag = true;
  TCustomImageList* FImages = nullptr;
  std::unique_ptr<class TChangeLink> FImageLink;
};
