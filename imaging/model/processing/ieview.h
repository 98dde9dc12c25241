// The services of the image display controls that the image library calls,
// as abstract interfaces: the processing, transition and I/O components work
// against these, and the display controls of the view layer implement them
// (a control derives from its control base and from the interfaces, so a
// member of the same signature, such as Update, serves both).
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/gui/windows.h"
#include "platform/rtl/components.h"
#include "platform/rtl/graphtypes.h"

class TBitmap;
class TCanvas;
class TIEBitmap;
class TIEMask;
class TStream;

// Posted to a view's window from a worker thread: update the view on its own
// thread (both parameters are ignored).
inline constexpr uint32_t IEM_UPDATE = 8024;
// Notifications of the media-frame reader to a view's window.
inline constexpr uint32_t IEM_NEWFRAME = 8025;
inline constexpr uint32_t IEM_EVENT = 8026;

// The resolution given to images whose file states none.
extern int32_t IEDefaultDpiX;
extern int32_t IEDefaultDpiY;

// Called with Destroying false after the view's image changed, and once with
// Destroying true while the view is being destroyed; after that call the
// listener must not touch the view.
using TIEBitmapChangeEvent = std::function<void(TObject* Sender, bool Destroying)>;

// The listener list a view keeps. Handles are positive ids, never reused;
// -1 stands for "no listener".
class TIEBitmapChangeListeners {
 public:
  int32_t Add(TIEBitmapChangeEvent Callback);
  // A negative or unknown handle changes nothing.
  void Remove(int32_t Handle);
  // Calls every listener registered when the call starts and still
  // registered when its turn comes (a listener may remove itself or others).
  void Notify(TObject* Sender, bool Destroying);
  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }

 private:
  struct TItem {
    int32_t Handle;
    TIEBitmapChangeEvent Callback;
  };
  std::vector<TItem> FItems;
  int32_t FNextHandle = 1;
};

// The base view (single image or thumbnails).
class TIEView {
 public:
  virtual ~TIEView() = default;

  virtual int32_t AddBitmapChangeListener(TIEBitmapChangeEvent Callback) = 0;
  virtual void RemoveBitmapChangeListener(int32_t Handle) = 0;

  // The platform bitmap shown, or nil (thumbnails: that of the selected image).
  virtual TBitmap* GetBitmap() = 0;
  // The current TIEBitmap; components attached to the view edit it in place.
  virtual TIEBitmap* GetIEBitmap() = 0;

  // A value of 0 is ignored.
  virtual void SetDpiX(int32_t Value) = 0;
  virtual void SetDpiY(int32_t Value) = 0;
  virtual void SetDpi(int32_t X, int32_t Y) {
    SetDpiX(X);
    SetDpiY(Y);
  }
  // The view's resolution, which an attached I/O component takes over.
  virtual int32_t GetDpiX() const = 0;
  virtual int32_t GetDpiY() const = 0;

  // The image was changed from outside the view.
  virtual void ImageChange() = 0;
  // May hold a system colour; resolve it with ColorToTRGB for pixel values.
  virtual void SetBackground(TColor Value) = 0;
  virtual TColor Background() const = 0;

  virtual TCanvas* GetCanvas() = 0;
  virtual void LockPaint() = 0;
  // Lowers the paint lock when above 0 and returns it; never repaints.
  virtual int32_t UnlockPaintNoUpdate() = 0;
  // Recomputes the display after the image changed; pixels stay.
  virtual void Update() = 0;

  // The window that receives IEM_UPDATE, IEM_NEWFRAME and IEM_EVENT.
  virtual HWND Handle() = 0;
  // The view as a component: owner of components created with it, and the
  // sender of free notifications.
  virtual TComponent* ViewComponent() = 0;
};

// What the single-image view adds for the processing and I/O components.
class TIEImgViewServices {
 public:
  virtual ~TIEImgViewServices() = default;

  // The selection: the mask marks the selected pixels while HasSelection.
  virtual TIEMask* SelectionMask() = 0;
  virtual bool HasSelection() const = 0;
  // The selection polygons, separated by the point (IEPolygonSeparator,
  // IEPolygonSeparator) of iemask.h.
  virtual const TPoint* GetSelectionPoints() = 0;
  virtual int32_t GetSelectionPointCount() = 0;

  // Appends the selection state at the stream's position (layout at
  // IEWriteSelectionState).
  virtual void SaveSelectionToStream(TStream* Stream) = 0;
  // Reads it back from the stream's position and fits the mask to the image.
  virtual bool LoadSelectionFromStream(TStream* Stream) = 0;

  // A 1 x 1 image of the background colour without alpha channel.
  virtual void ClearImage() = 0;
  // Shows a caller-owned bitmap (never freed by the view) and calls the
  // listeners; nil gives the view a new empty bitmap of its own, silently.
  virtual void SetExternalBitmap(TIEBitmap* Bitmap) = 0;
};

// Kinds of the last image-list change of the thumbnail view.
inline constexpr int32_t IEMV_OP_NONE = 0;
inline constexpr int32_t IEMV_OP_INSERT = 1;
inline constexpr int32_t IEMV_OP_DELETE = 2;
inline constexpr int32_t IEMV_OP_MOVE = 3;
inline constexpr int32_t IEMV_OP_SWAP = 4;

// What the thumbnail view adds for the multi-image I/O.
class TIEMViewServices {
 public:
  virtual ~TIEMViewServices() = default;

  virtual int32_t GetImageCount() = 0;
  // Inserts an empty image at Index (appends at or past the end), records the
  // change and calls the listeners.
  virtual void InsertImage(int32_t Index) = 0;
  // Stores a copy of Bitmap; nil or an index out of range is ignored.
  virtual void SetImageBitmap(int32_t Index, TIEBitmap* Bitmap) = 0;
  virtual void SetImageDelayTime(int32_t Index, int32_t Milliseconds) = 0;
  virtual void SetSelectedImage(int32_t Index) = 0;
  // -1 when no image is selected.
  virtual int32_t SelectedIndex() const = 0;
  // IEMV_OP_*; back to 0 once the listeners ran.
  virtual int32_t GetLastOperation() = 0;
  virtual int32_t GetLastOperationIndex() = 0;
  // The move target or swap partner.
  virtual int32_t GetLastOperationTarget() = 0;
};

// The selection state in its stream layout, little-endian:
//   mask width, mask height, point count (int32 each); the points (x, y as
//   int32); the four int32 of the polygon record; the has-selection flag (1
//   byte); the mask's bits per pixel (int32); the mask box X1, Y1, X2, Y2
//   (int32 each); the mask's Full flag (1 byte); the mask rows (height x row
//   length bytes, bottom row first as the mask stores them).
// The writer appends at the stream's position.
void IEWriteSelectionState(TStream* Stream, const TIEMask& Mask, const std::vector<TPoint>& Points,
                           const int32_t PolyRecord[4], bool HasSelection);
// Reads that layout from the stream's position and fits the mask to
// ImageWidth x ImageHeight. False, with the outputs untouched, when the data
// is short or inconsistent.
bool IEReadSelectionState(TStream* Stream, TIEMask& Mask, std::vector<TPoint>& Points, int32_t PolyRecord[4],
                          bool& HasSelection, int32_t ImageWidth, int32_t ImageHeight);
