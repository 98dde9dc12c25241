// Graphic objects: the abstract TGraphic, the DIB bitmap TBitmap, TIcon, and
// TPicture with its registry of file formats.
//
// A TBitmap is one DIB section (rows bottom-up, each padded to 32 bits). Its
// canvas draws straight into that memory, so what it draws is seen through
// ScanLine at once; row addresses change only when the size or the pixel
// format does.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/gui/canvas.h"
#include "platform/gui/gdi.h"
#include "platform/rtl/components.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/graphtypes.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/types.h"

RTL_DECLARE_EXCEPTION(EInvalidGraphic, Exception);
RTL_DECLARE_EXCEPTION(EInvalidGraphicOperation, Exception);
// A bitmap that cannot be had (size or memory): "Out of system resources".
RTL_DECLARE_EXCEPTION(EOutOfResources, EOutOfMemory);

enum class TProgressStage : uint8_t { psStarting, psRunning, psEnding };
using TProgressEvent = std::function<void(TObject* Sender, TProgressStage Stage, uint8_t PercentDone, bool RedrawNow,
                                          const TRect& R, const String& Msg)>;

class TGraphic : public TPersistent {
 public:
  TGraphic() = default;
  ~TGraphic() override = default;
  const char* ClassName() const override { return "TGraphic"; }

  // A new, empty graphic of the same class (the caller owns it).
  virtual TGraphic* CreateNew() const = 0;

  virtual bool Empty() const = 0;
  virtual int32_t Width() const = 0;
  virtual void SetWidth(int32_t Value) = 0;
  virtual int32_t Height() const = 0;
  virtual void SetHeight(int32_t Value) = 0;
  virtual void SetSize(int32_t AWidth, int32_t AHeight);
  virtual bool Transparent() const { return FTransparent; }
  virtual void SetTransparent(bool Value);
  bool Modified() const { return FModified; }
  // Setting it fires OnChange; clearing it does not.
  void SetModified(bool Value);
  virtual HPALETTE Palette() { return nullptr; }
  virtual void SetPalette(HPALETTE) {}

  virtual void LoadFromStream(TStream* Stream) = 0;
  virtual void SaveToStream(TStream* Stream) = 0;
  virtual void LoadFromFile(const String& FileName);
  // Through a temporary file renamed into place: a failed save leaves an
  // existing file as it was.
  virtual void SaveToFile(const String& FileName);

  TNotifyEvent OnChange;
  TProgressEvent OnProgress;

 protected:
  friend class TCanvas;
  friend class TPicture;

  // Marks the graphic modified and fires OnChange.
  virtual void Changed(TObject* Sender);
  void Progress(TObject* Sender, TProgressStage Stage, uint8_t PercentDone, bool RedrawNow, const TRect& R,
                const String& Msg);
  // Draws the whole graphic stretched into Rect of ACanvas.
  virtual void Draw(TCanvas* ACanvas, const TRect& Rect) = 0;

  bool FTransparent = false;

 private:
  bool FModified = false;
};

// A graphic class for the picture registry: a function making a new object.
using TGraphicClass = TGraphic* (*)();
template <class T>
TGraphic* NewGraphic() {
  return new T();
}

enum class TPixelFormat : uint8_t {
  pfDevice,  // the screen's format: 32 bits
  pf1bit,
  pf4bit,
  pf8bit,
  pf15bit,  // 5-5-5
  pf16bit,  // 5-6-5
  pf24bit,
  pf32bit,
  pfCustom  // any other layout (a handle or file with other masks)
};
enum class TBitmapHandleType : uint8_t { bmDIB, bmDDB };
enum class TTransparentMode : uint8_t { tmAuto, tmFixed };

class TBitmapCanvas;

class TBitmap : public TGraphic {
 public:
  TBitmap();
  ~TBitmap() override;
  const char* ClassName() const override { return "TBitmap"; }
  TGraphic* CreateNew() const override { return new TBitmap(); }

  // From a TBitmap: a copy of its pixels, format, palette and transparency
  // settings (no memory is shared). nullptr empties the bitmap.
  void Assign(TPersistent* Source) override;

  bool Empty() const override { return FHandle == nullptr; }
  int32_t Width() const override { return FWidth; }
  void SetWidth(int32_t Value) override { SetSize(Value, FHeight); }
  int32_t Height() const override { return FHeight; }
  void SetHeight(int32_t Value) override { SetSize(FWidth, Value); }
  // Keeps the top-left overlap; new areas are zero (black or palette entry
  // 0). EOutOfResources when the image cannot be had.
  void SetSize(int32_t AWidth, int32_t AHeight) override;

  // A new bitmap is pfDevice. Setting another format converts the pixels
  // (to the nearest entry of the new format's default palette when going to
  // 1, 4 or 8 bits); pfDevice and pf32bit share one layout. pfCustom cannot
  // be set (EInvalidGraphic).
  TPixelFormat PixelFormat() const { return FPixelFormat; }
  void SetPixelFormat(TPixelFormat Value);
  // Stored only: every bitmap is a DIB section.
  TBitmapHandleType HandleType() const { return FHandleType; }
  void SetHandleType(TBitmapHandleType Value) { FHandleType = Value; }
  bool Monochrome() const;
  // True converts to pf1bit black and white; false makes a monochrome bitmap
  // pfDevice.
  void SetMonochrome(bool Value);

  // Row Row (0 = the top row, stored at the highest address). Raises
  // EInvalidGraphicOperation "Scan line index out of range".
  uint8_t* ScanLine(int32_t Row);
  const uint8_t* ScanLine(int32_t Row) const;

  // Drawing straight into the pixels.
  TCanvas* Canvas();
  // The DIB section (nullptr while empty); the bitmap owns it.
  HBITMAP Handle() const { return FHandle; }
  // Takes over a bitmap handle; its layout gives the pixel format.
  // EInvalidGraphic for a handle that is not a bitmap.
  void SetHandle(HBITMAP Value);
  // Hands the current handle to the caller and goes on with a copy of it.
  HBITMAP ReleaseHandle();
  void Dormant() {}
  void FreeImage() {}

  // For 1/4/8 bits a palette of the colour table, owned by the bitmap;
  // nullptr for other formats unless one was set. Setting one copies its
  // entries into the colour table (the pixels keep their indexes) and gives
  // it to the bitmap.
  HPALETTE Palette() override;
  void SetPalette(HPALETTE Value) override;

  // tmAuto: the bottom-left pixel; tmFixed: the colour set. The answer carries
  // the 0x02000000 flag (a palette-relative colour).
  TColor TransparentColor() const;
  // clDefault switches to tmAuto, any other colour to tmFixed.
  void SetTransparentColor(TColor Value);
  TTransparentMode TransparentMode() const { return FTransparentMode; }
  void SetTransparentMode(TTransparentMode Value);
  // Turns the bitmap into a pf1bit mask: white where the colour was, black
  // elsewhere.
  void Mask(TColor TransparentColor);

  // A BMP file from the stream's position (the stream ends up right after
  // it); no data left gives an empty bitmap. EInvalidGraphic for bad data.
  void LoadFromStream(TStream* Stream) override;
  // A BMP file; nothing for an empty bitmap.
  void SaveToStream(TStream* Stream) override;
  // An embedded resource: a BMP file or a packed DIB, by its name or the name
  // with ".bmp" added (EResNotFound otherwise). Instance is not looked at.
  void LoadFromResourceName(const void* Instance, const String& ResName);

 protected:
  void Draw(TCanvas* ACanvas, const TRect& Rect) override;

 private:
  friend class TBitmapCanvas;
  // Installs NewHandle (may be nullptr) of the given size, deleting the old
  // image; the canvas lets go of its DC first.
  void ReplaceImage(HBITMAP NewHandle, int32_t AWidth, int32_t AHeight);
  void Adopt(HBITMAP NewHandle);
  void FreePalette();

  HBITMAP FHandle = nullptr;
  int32_t FWidth = 0;
  int32_t FHeight = 0;
  uint8_t* FBits = nullptr;
  int32_t FStride = 0;
  bool FTopDown = false;
  TPixelFormat FPixelFormat = TPixelFormat::pfDevice;
  TBitmapHandleType FHandleType = TBitmapHandleType::bmDIB;
  HPALETTE FPalette = nullptr;
  TColor FTransparentColor = clDefault;
  TTransparentMode FTransparentMode = TTransparentMode::tmAuto;
  std::unique_ptr<TBitmapCanvas> FCanvas;
};

// An icon or cursor image: colour bitmap with a 1-bit AND mask, or 32 bits
// with alpha. Its size is fixed by the image.
class TIcon : public TGraphic {
 public:
  TIcon();
  ~TIcon() override;
  const char* ClassName() const override { return "TIcon"; }
  TGraphic* CreateNew() const override { return new TIcon(); }
  void Assign(TPersistent* Source) override;

  bool Empty() const override { return FHandle == nullptr; }
  int32_t Width() const override;
  int32_t Height() const override;
  // EInvalidGraphicOperation "Cannot change the size of an icon".
  void SetWidth(int32_t Value) override;
  void SetHeight(int32_t Value) override;
  bool Transparent() const override { return true; }

  HICON Handle() const { return FHandle; }
  // Takes over an icon handle.
  void SetHandle(HICON Value);

  // An .ico or .cur file: of its BMP-based images the one closest to 32 x 32
  // with the most colours (PNG-compressed images are passed over). The stream
  // ends up after the file. EInvalidGraphic "Icon image is not valid".
  void LoadFromStream(TStream* Stream) override;
  // A one-image .ico file: 24 bits and the mask, or 32 bits with alpha.
  void SaveToStream(TStream* Stream) override;

 protected:
  void Draw(TCanvas* ACanvas, const TRect& Rect) override;

 private:
  HICON FHandle = nullptr;
};

// The standard icons (32 x 32 art of our own).
inline constexpr uint32_t IDI_APPLICATION = 32512;
inline constexpr uint32_t IDI_HAND = 32513;
inline constexpr uint32_t IDI_QUESTION = 32514;
inline constexpr uint32_t IDI_EXCLAMATION = 32515;
inline constexpr uint32_t IDI_ASTERISK = 32516;
inline constexpr uint32_t IDI_WARNING = IDI_EXCLAMATION;
inline constexpr uint32_t IDI_ERROR = IDI_HAND;
inline constexpr uint32_t IDI_INFORMATION = IDI_ASTERISK;

// A shared icon that stays valid for the process (do not destroy it);
// nullptr for an unknown id. Instance is not looked at.
HICON LoadIcon(const void* Instance, uint32_t IconId);

// Holds one graphic of any registered class.
class TPicture : public TPersistent {
 public:
  TPicture() = default;
  ~TPicture() override;
  const char* ClassName() const override { return "TPicture"; }

  // From a TPicture or a TGraphic: a copy of its graphic; nullptr empties.
  void Assign(TPersistent* Source) override;

  TGraphic* Graphic() const { return FGraphic.get(); }
  // Keeps a copy of Value (nullptr: none).
  void SetGraphic(TGraphic* Value);
  // The graphic as a bitmap / icon; a graphic of another class is replaced
  // by an empty one of that class first.
  TBitmap* Bitmap();
  void SetBitmap(TBitmap* Value) { SetGraphic(Value); }
  TIcon* Icon();
  void SetIcon(TIcon* Value) { SetGraphic(Value); }
  int32_t Width() const { return FGraphic ? FGraphic->Width() : 0; }
  int32_t Height() const { return FGraphic ? FGraphic->Height() : 0; }

  // The class registered for the file's extension (case-insensitive) loads
  // it; EInvalidGraphic "Unknown picture file extension (.%s)" when none is.
  // On failure the picture keeps its graphic.
  void LoadFromFile(const String& FileName);
  void SaveToFile(const String& FileName);

  // Extension without the dot; the latest registration of an extension wins.
  // "bmp" (TBitmap) and "ico" (TIcon) are registered from the start.
  static void RegisterFileFormat(const String& AExtension, const String& ADescription, TGraphicClass AGraphicClass);
  // Removes every extension registered for the class.
  static void UnregisterGraphicClass(TGraphicClass AClass);

  TNotifyEvent OnChange;
  TProgressEvent OnProgress;

 protected:
  void AssignTo(TPersistent* Dest) override;
  virtual void Changed(TObject* Sender);

 private:
  void Install(TGraphic* NewGraphic);
  std::unique_ptr<TGraphic> FGraphic;
};
