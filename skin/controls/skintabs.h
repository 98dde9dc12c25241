// The tab painting the skinned page control and tab control share: the copy
// of the skin's tab description, the page frame, the row of tabs with one
// picture per state (bottom tabs flipped, side tabs rotated), hot tracking,
// the corrections of the native display and tab rectangles, and the skinned
// up-down that replaces the native tab scroller.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/vcl/comctrls_tabs.h"
#include "skin/controls/base/skinctrls.h"

class TbsSkinUpDown;

// Replaces the drawing of a tab's content (not of its background).
using TbsDrawSkinTabEvent =
    std::function<void(int32_t TabIndex, const TRect& Rct, bool Active, bool MouseIn, TCanvas* Cnvs)>;

// What the shared painting asks of its control. Tabs are the visible tabs
// (native items); items are what they show (pages of a page control, tabs of
// a tab control).
class IbsSkinTabItems {
 public:
  virtual ~IbsSkinTabItems() = default;
  virtual int32_t VisibleTabCount() = 0;
  virtual int32_t ItemOfTab(int32_t Tab) = 0;
  virtual int32_t ItemCount() = 0;
  virtual String ItemText(int32_t Item) = 0;
  virtual int32_t ItemImageIndex(int32_t Item) = 0;
  virtual bool ItemEnabled(int32_t Item) = 0;
};

class TbsSkinTabs {
 public:
  TbsSkinTabs(TCustomTabControl* Control, IbsSkinTabItems* Items);
  ~TbsSkinTabs();
  TbsSkinTabs(const TbsSkinTabs&) = delete;
  TbsSkinTabs& operator=(const TbsSkinTabs&) = delete;

  // ---- Settings (the controls' published properties) ----
  TbsSkinData* SkinData = nullptr;
  String SkinDataName = "tab";
  std::unique_ptr<TFont> DefaultFont;
  bool UseSkinFont = true;
  int32_t DefaultItemHeight = 20;
  bool TabsBGTransparent = false;
  TbsDrawSkinTabEvent OnDrawSkinTab;
  // The scroller's fixed size; empty: 2 x DefaultItemHeight by DefaultItemHeight.
  TSize ScrollerSize{0, 0};

  // ---- The description ----
  // Looks the description up; a description of another kind keeps the
  // index and the previous copy.
  void GetSkinData();
  bool Described() const { return FSkinIndex != -1; }
  int32_t SkinIndex() const { return FSkinIndex; }
  const TbsDataSkinTabControl& Description() const { return FD; }
  TBitmap* TabPicture() const { return FTabPicture; }
  TBitmap* BGPicture() const;

  // ---- Geometry ----
  // TabHeight when positive, else the skin's tab picture height or
  // DefaultItemHeight without a description.
  int32_t TabSizeHeight();
  void SetTabSize(int32_t W, int32_t H);
  // The control's Font from the description (or DefaultFont).
  void ApplyFont();
  // Frame widths left, top, right, bottom of the description.
  void FrameWidths(int32_t& L, int32_t& T, int32_t& FR, int32_t& FB) const;
  // Corrections of the native answers, after the inherited handling.
  void CorrectDisplayRect(TRect& R, bool UseFrame);
  void CorrectTabRect(TRect& R);
  // Visible tab Tab's rectangle; tab 0 outside multi-line mode one pixel
  // narrower on the left.
  TRect GetTabRect(int32_t Tab);
  // The display rectangle grown by the frame widths (UseFrame).
  TRect FrameRect(bool UseFrame = true);

  // ---- Scroller ----
  TbsSkinUpDown* Scroller() const { return FScroller; }
  // Visible tabs ending beyond the row's end (before the scroller) or at or
  // before 0; those ending at or before 0.
  int32_t HiddenTabCount();
  int32_t ScrolledTabCount();
  // Destroys the native scroller, then creates, places or frees the skinned
  // one; with FreeInMultiLine a multi-line control never has one.
  void UpdateScroller(bool FreeInMultiLine);
  void PlaceScroller();
  void FreeScroller();

  // ---- Painting ----
  void PaintDefaultFrame(TCanvas* C);
  void PaintPageFrame(TCanvas* C, const TRect& F);
  // The tab row outside frame rect F, then the active tab once more.
  void PaintTabRow(TCanvas* C, const TRect& F);
  void PaintSkinTab(int32_t Item, const TRect& R, TCanvas* C, bool Active, bool MouseIn);
  // The description's background picture, or its client part of the tab
  // picture, stretched by its stretch type or tiled over Area.
  void FillBackground(TCanvas* C, const TRect& Area);
  void FillClientPart(TCanvas* C, const TRect& Area);

  // ---- Hot tracking ----
  int32_t HotTab() const { return FHotTab; }
  int32_t HotItem() const { return FHotTab == -1 ? -1 : FHotItem; }
  void TrackHotTab(int32_t X, int32_t Y);
  // The pointer left Source (nullptr: the control); the leaves of children,
  // passed up to their parents, change nothing.
  void MouseLeave(TControl* Source);

 private:
  bool Vertical() const;
  void ComposeSkinFace(TBitmap* B, int32_t TW, int32_t TH, bool Active, bool MouseIn, bool Focused);
  void PaintPlainFace(TBitmap* B, int32_t TW, int32_t TH, bool Active, bool MouseIn, bool Focused);
  void DrawContent(TBitmap* B, int32_t Item, int32_t TW, int32_t TH, bool Active, bool MouseIn);
  void DrawPlainHotState(int32_t Tab, bool Hot);
  void CreateScroller();
  void ScrollerChange();
  TRect TabsBGRect() const;

  TCustomTabControl* FControl;
  IbsSkinTabItems* FItems;
  int32_t FSkinIndex = -1;
  TBitmap* FTabPicture = nullptr;
  TbsDataSkinTabControl FD{""};
  TbsSkinUpDown* FScroller = nullptr;
  int32_t FHotTab = -1, FOldHotTab = -1, FHotItem = -1;
};

// An image and a text side by side, centred on a W x H tab bitmap.
void DrawTabImageText(TCanvas* C, int32_t W, int32_t H, TCustomImageList* Images, int32_t ImageIndex, bool Enabled,
                      const String& Text);
