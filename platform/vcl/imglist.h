// Image lists as components: TCustomImageList / TImageList over an image-list
// handle of the drawing layer, with change links for the controls that show
// one.
//
// The handle is made on first use. It can be handed to controls and taken
// from elsewhere (SetHandle); with ShareImages the list never destroys it.
// Changing Width or Height starts a new, empty handle; changing Masked moves
// the images over to a new handle.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gui/graphics.h"
#include "platform/gui/imagelist.h"
#include "platform/rtl/components.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/graphtypes.h"

class TCanvas;
class TCustomImageList;

// How an image is drawn: dsFocus and dsSelected blend in BlendColor (25 % /
// 50 %), dsNormal fills the masked parts with BkColor (when not clNone),
// dsTransparent leaves them alone.
enum class TDrawingStyle : uint8_t { dsFocus, dsSelected, dsNormal, dsTransparent };
// itImage draws the image, itMask its shape in the canvas's text colour.
enum class TImageType : uint8_t { itImage, itMask };

// A control's subscription to an image list's changes. It leaves the list
// when it is destroyed.
class TChangeLink : public TObject {
 public:
  TChangeLink() = default;
  ~TChangeLink() override;
  TChangeLink(const TChangeLink&) = delete;
  TChangeLink& operator=(const TChangeLink&) = delete;
  const char* ClassName() const override { return "TChangeLink"; }

  // The list the link is registered with (nil once that list is gone).
  TCustomImageList* Sender() const { return FSender; }
  void SetSender(TCustomImageList* Value) { FSender = Value; }
  // Fires OnChange with the list as Sender.
  virtual void Change();

  TNotifyEvent OnChange;

 private:
  TCustomImageList* FSender = nullptr;
};

class TCustomImageList : public TComponent {
 public:
  explicit TCustomImageList(TComponent* AOwner);
  // A list of AWidth x AHeight images.
  TCustomImageList(TComponent* AOwner, int32_t AWidth, int32_t AHeight);
  ~TCustomImageList() override;
  const char* ClassName() const override { return "TCustomImageList"; }

  // From another list: its size, colours, styles, Masked and a copy of its
  // images.
  void Assign(TPersistent* Source) override;

  int32_t Width() const { return FWidth; }
  void SetWidth(int32_t Value);
  int32_t Height() const { return FHeight; }
  void SetHeight(int32_t Value);
  // Capacity step of the handle.
  int32_t AllocBy() const { return FAllocBy; }
  void SetAllocBy(int32_t Value) { FAllocBy = Value; }
  int32_t Count() const;

  TColor BkColor() const { return FBkColor; }
  void SetBkColor(TColor Value);
  TColor BlendColor() const { return FBlendColor; }
  void SetBlendColor(TColor Value);
  TDrawingStyle DrawingStyle() const { return FDrawingStyle; }
  void SetDrawingStyle(TDrawingStyle Value);
  TImageType ImageType() const { return FImageType; }
  void SetImageType(TImageType Value);
  bool Masked() const { return FMasked; }
  void SetMasked(bool Value);
  bool ShareImages() const { return FShareImages; }
  void SetShareImages(bool Value) { FShareImages = Value; }

  // Made on first use.
  HIMAGELIST Handle();
  // Takes Value as the list's handle (its image size becomes the list's);
  // the previous handle is destroyed unless ShareImages. nullptr detaches.
  void SetHandle(HIMAGELIST Value);
  bool HandleAllocated() const { return FHandle != nullptr; }

  // Adding answers the index of the first image added, -1 when nothing
  // could be added (no image, or one narrower than Width). An image wider
  // than Width adds one image per Width pixels. In a mask white marks the
  // transparent pixels; without one every pixel shows.
  int32_t Add(TBitmap* Image, TBitmap* Mask);
  // The pixels of MaskColor are transparent.
  int32_t AddMasked(TBitmap* Image, TColor MaskColor);
  // The icon scaled to the list's size, its mask (or alpha) giving the shape.
  int32_t AddIcon(TIcon* Image);
  // Copies every image of Value.
  void AddImages(TCustomImageList* Value);
  // Insert at Index (0..Count); later images move up. A bad index raises
  // EInvalidOperation "Invalid ImageList Index".
  void Insert(int32_t Index, TBitmap* Image, TBitmap* Mask);
  void InsertMasked(int32_t Index, TBitmap* Image, TColor MaskColor);
  void InsertIcon(int32_t Index, TIcon* Image);
  // EInvalidOperation for a bad index, "Unable to Replace Image" when the
  // image cannot be read.
  void Replace(int32_t Index, TBitmap* Image, TBitmap* Mask);
  void ReplaceMasked(int32_t Index, TBitmap* NewImage, TColor MaskColor);
  void ReplaceIcon(int32_t Index, TIcon* Image);
  void Delete(int32_t Index);
  // Moves one image; those between shift by one.
  void Move(int32_t CurIndex, int32_t NewIndex);
  void Clear();

  // Draws image Index at (X, Y) in the list's DrawingStyle and ImageType;
  // disabled, its shape in the greyed look (highlight offset by one pixel,
  // shadow on top). A bad index draws nothing.
  void Draw(TCanvas* Canvas, int32_t X, int32_t Y, int32_t Index, bool Enabled = true);
  void Draw(TCanvas* Canvas, int32_t X, int32_t Y, int32_t Index, TDrawingStyle ADrawingStyle, TImageType AImageType,
            bool Enabled = true);

  // Image Index as a Width x Height bitmap, its transparent pixels black;
  // false for a bad index or nil.
  bool GetBitmap(int32_t Index, TBitmap* Image);
  // Image Index as an icon with its mask; false for a bad index or nil.
  bool GetIcon(int32_t Index, TIcon* Image);

  // Makes image ImageIndex overlay Overlay (0..14), which controls draw over
  // an image as the handle's overlay Overlay + 1. False for a bad index.
  bool Overlay(int32_t ImageIndex, int32_t Overlay);

  void RegisterChanges(TChangeLink* Value);
  void UnRegisterChanges(TChangeLink* Value);

  TNotifyEvent OnChange;

 protected:
  // Tells the change links, then OnChange.
  virtual void Change();
  virtual void DoDraw(int32_t Index, TCanvas* Canvas, int32_t X, int32_t Y, uint32_t Style, bool Enabled);

 private:
  void CheckIndex(int32_t Index, int32_t Limit) const;
  void FreeHandle();
  // Drops the handle after a size or mask change; a new one is made on use.
  void Recreate();
  // Moves the images from From (the end) to Index, keeping their order.
  void MoveTail(int32_t From, int32_t Index);

  HIMAGELIST FHandle = nullptr;
  int32_t FWidth = 16;
  int32_t FHeight = 16;
  int32_t FAllocBy = 4;
  TColor FBkColor = clNone;
  TColor FBlendColor = clNone;
  TDrawingStyle FDrawingStyle = TDrawingStyle::dsNormal;
  TImageType FImageType = TImageType::itImage;
  bool FMasked = true;
  bool FShareImages = false;
  std::vector<TChangeLink*> FClients;
};

class TImageList : public TCustomImageList {
 public:
  using TCustomImageList::TCustomImageList;
  const char* ClassName() const override { return "TImageList"; }
};

// Points Field at Value, moving Owner's change link and free notification
// from the old list to the new one. False when Field already is Value.
bool ReplaceImageList(TComponent* Owner, TCustomImageList*& Field, TCustomImageList* Value, TChangeLink* Link);
