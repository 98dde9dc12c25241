// TIEBitmap storage: allocation and the choice between memory and a temporary
// file, row access, the palette, the alpha channel and whole-image copies.
#include "imaging/model/pixels/iebitmap.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "imaging/model/pixels/iepixelblock.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/scopeguard.h"

int32_t IEMemoryThresholdOverride = -1;

namespace {

constexpr int64_t kMaxAvailableMemory = 2000000000;
constexpr int32_t kFallbackThreshold = 33554432;

int64_t ReadMemAvailable() {
  const int fd = ::open("/proc/meminfo", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  char text[4096];
  ssize_t n;
  do {
    n = ::read(fd, text, sizeof(text) - 1);
  } while (n < 0 && errno == EINTR);
  ::close(fd);
  if (n <= 0) return -1;
  text[n] = '\0';
  const char* p = std::strstr(text, "MemAvailable:");
  if (!p) return -1;
  const long long kb = std::strtoll(p + 13, nullptr, 10);
  return kb < 0 ? -1 : static_cast<int64_t>(kb) * 1024;
}

// Raises the pixel buffer's refusal of an image too large to address.
[[noreturn]] void RaiseImageTooLarge(int32_t Width, int32_t Height, int32_t Bits) {
  throw Exception("Image too large: " + std::to_string(Width) + " x " + std::to_string(Height) + " pixels of " +
                  std::to_string(Bits) + " bits exceed " + std::to_string(IEMaxImageBytes) + " bytes");
}

}  // namespace

int64_t IEAvailablePhysicalMemory() {
  int64_t bytes = ReadMemAvailable();
  if (bytes < 0) {
    const long pages = ::sysconf(_SC_AVPHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    bytes = (pages > 0 && pageSize > 0) ? int64_t(pages) * pageSize : 0;
  }
  return Min(bytes, kMaxAvailableMemory);
}

// ---- Construction ------------------------------------------------------------------

TIEBitmap::TIEBitmap() : FFileBuffer(std::make_unique<TIEFileBuffer>()) {
  if (IEMemoryThresholdOverride != -1) {
    FMemoryThreshold = IEMemoryThresholdOverride;
  } else {
    const int64_t available = IEAvailablePhysicalMemory();
    FMemoryThreshold = available == 0 ? kFallbackThreshold : static_cast<int32_t>(available / 2);
  }
}

TIEBitmap::~TIEBitmap() { FreeImage(true); }

std::unique_ptr<TIEBitmap> TIEBitmap::CreateAsAlphaChannel(int32_t ImageWidth, int32_t ImageHeight,
                                                           TIELocation ImageLocation) {
  auto alpha = std::make_unique<TIEBitmap>();
  alpha->FIsAlphaChannel = true;
  alpha->FLocation = ImageLocation == TIELocation::ieTBitmap ? TIELocation::ieMemory : ImageLocation;
  alpha->Allocate(ImageWidth, ImageHeight, TIEPixelFormat::ie8g);
  alpha->Fill(255);
  return alpha;
}

// ---- Allocation --------------------------------------------------------------------

void TIEBitmap::Allocate(int32_t ImageWidth, int32_t ImageHeight, TIEPixelFormat ImagePixelFormat) {
  if (FTBitmapExternal)
    RemoveAlphaChannel();  // the caller's platform bitmap is reshaped, not freed
  else
    FreeImage(true);
  FWidth = ImageWidth;
  FHeight = ImageHeight;
  FPixelFormat = ImagePixelFormat;
  AllocateImage();
}

void TIEBitmap::AllocateImage() {
  if (FWidth <= 0 || FHeight <= 0 || FPixelFormat == TIEPixelFormat::ienull) return;

  // Everything is checked before anything is allocated. Sizes come from file
  // headers, so they are computed in 64 bits.
  const int32_t bits = IEBitsPerPixel(FPixelFormat);
  const int64_t rowLen = IEBitmapRowLen(FWidth, bits, FRowAlignment);
  if (rowLen <= 0) throw Exception("Invalid row alignment: " + std::to_string(FRowAlignment) + " bits");
  if (rowLen > IEMaxImageBytes || rowLen * FHeight > IEMaxImageBytes) {
    const int32_t w = FWidth, h = FHeight;
    FWidth = 0;
    FHeight = 0;
    RaiseImageTooLarge(w, h, bits);
  }
  const int64_t size = rowLen * FHeight;
  if (FLocation == TIELocation::ieTBitmap) {
    const TIEPixelFormat refused = FPixelFormat;
    // A platform bitmap that is kept (Assign into it) keeps its own shape.
    if (refused == TIEPixelFormat::ie32f || refused == TIEPixelFormat::ieCMYK || refused == TIEPixelFormat::ieRGB48)
      SyncFromTBitmap();
    switch (refused) {
      case TIEPixelFormat::ie32f: throw Exception("ie32f pixel format not allowed when Location=ieTBitmap");
      case TIEPixelFormat::ieCMYK: throw Exception("ieCMYK pixel format not allowed when Location=ieTBitmap");
      case TIEPixelFormat::ieRGB48: throw Exception("ieRGB48 pixel format not allowed when Location=ieTBitmap");
      default: break;
    }
  }

  // Storage left from an earlier allocation (a platform bitmap is reshaped).
  ReleasePixelStorage();

  std::unique_ptr<TRGB[]> palette;
  if (FPixelFormat == TIEPixelFormat::ie8p)
    palette = TranslateOutOfMemory([] { return std::unique_ptr<TRGB[]>(new TRGB[256]()); });

  // Equal sizes keep the Location asked for; a threshold of 0 sends every
  // image to a file.
  if (FLocation == TIELocation::ieFile && size < FMemoryThreshold) FLocation = TIELocation::ieMemory;
  if (FLocation == TIELocation::ieMemory && size > FMemoryThreshold) FLocation = TIELocation::ieFile;

  if (FLocation == TIELocation::ieFile && !FFileBuffer->AllocateFile("IMG", size)) FLocation = TIELocation::ieMemory;
  if (FLocation == TIELocation::ieMemory) {
    // Zero-filled, with room to start the pixels on a 32-byte boundary.
    void* block = IEAllocPixelBlock(static_cast<size_t>(size) + 32);
    if (!block) {
      FWidth = 0;
      FHeight = 0;
      throw EOutOfMemory("Out of memory: cannot allocate " + std::to_string(size) + " bytes");
    }
    const uintptr_t aligned = (reinterpret_cast<uintptr_t>(block) + 31) & ~uintptr_t(31);
    FReserved = block;
    FMemory = reinterpret_cast<uint8_t*>(aligned);
  }

  FPalette = std::move(palette);
  FPaletteLength = FPalette ? 256 : 0;
  FBitCount = bits;
  FRowLen = static_cast<int32_t>(rowLen);
  if (FLocation == TIELocation::ieTBitmap) AllocateTBitmapImage();
  FFull = false;
}

void TIEBitmap::ReleasePixelStorage() {
  FPalette.reset();
  FPaletteLength = 0;
  // The file is deleted at once, so pending row buffers need no write-back.
  FCurrentRow = nullptr;
  FRowBuffers.clear();
  FFileBuffer->Close();
  if (FReserved && !FMemoryExternal) IEFreePixelBlock(FReserved);
  FReserved = nullptr;
  FMemory = nullptr;
  FMemoryExternal = false;
}

void TIEBitmap::FreeStorage() {
  ReleasePixelStorage();
  FreeTBitmapImage();
}

void TIEBitmap::FreeImage(bool FreeAlpha) {
  if (FreeAlpha) FAlphaChannel.reset();
  FreeStorage();
  FWidth = 0;
  FHeight = 0;
  FRowLen = 0;
  FBitCount = 0;
  FFull = false;
  FTBitmapExternal = false;
  FMemoryExternal = false;
}

void TIEBitmap::EncapsulateMemory(void* Buffer, int32_t ImageWidth, int32_t ImageHeight,
                                  TIEPixelFormat ImagePixelFormat, bool FreeFirst) {
  // Without FreeFirst the alpha channel survives; the storage held so far is
  // released either way, since the new block replaces it.
  FreeImage(FreeFirst);
  if (!Buffer) return;
  FPixelFormat = ImagePixelFormat;
  if (ImageWidth <= 0 || ImageHeight <= 0 || ImagePixelFormat == TIEPixelFormat::ienull) {
    FWidth = ImageWidth;
    FHeight = ImageHeight;
    return;
  }
  const int32_t bits = IEBitsPerPixel(ImagePixelFormat);
  const int64_t rowLen = IEBitmapRowLen(ImageWidth, bits, FRowAlignment);
  if (rowLen <= 0) throw Exception("Invalid row alignment: " + std::to_string(FRowAlignment) + " bits");
  if (rowLen > IEMaxImageBytes || rowLen * ImageHeight > IEMaxImageBytes)
    RaiseImageTooLarge(ImageWidth, ImageHeight, bits);
  FWidth = ImageWidth;
  FHeight = ImageHeight;
  FBitCount = bits;
  FRowLen = static_cast<int32_t>(rowLen);
  FLocation = TIELocation::ieMemory;
  FMemoryExternal = true;
  FMemory = static_cast<uint8_t*>(Buffer);
  FReserved = Buffer;
}

// ---- Location ----------------------------------------------------------------------

void TIEBitmap::SetLocation(TIELocation Value) {
  if (Value == FLocation) return;
  // Refused before the image is moved out, so that it stays as it was.
  if (Value == TIELocation::ieTBitmap && !IsEmpty()) {
    switch (FPixelFormat) {
      case TIEPixelFormat::ie32f: throw Exception("ie32f pixel format not allowed when Location=ieTBitmap");
      case TIEPixelFormat::ieCMYK: throw Exception("ieCMYK pixel format not allowed when Location=ieTBitmap");
      case TIEPixelFormat::ieRGB48: throw Exception("ieRGB48 pixel format not allowed when Location=ieTBitmap");
      default: break;
    }
  }
  TIEBitmap old;
  MoveTo(&old);
  FLocation = Value;
  {
    auto cleanup = ScopeFail([&] {
      old.MoveTo(this);  // puts the image back where it was
    });
    old.FreeRowBuffers();  // rows still held in buffers reach the old file first
    Allocate(old.FWidth, old.FHeight, old.FPixelFormat);
    CopyPixelsFrom(&old);
  }
  FIsAlphaChannel = old.FIsAlphaChannel;
  FAlphaChannel = std::move(old.FAlphaChannel);
  FFull = false;
}

// ---- Rows --------------------------------------------------------------------------

void* TIEBitmap::StoredScanLine(int32_t Row) {
  if (FLocation == TIELocation::ieFile) {
    if (FCurrentRow) {
      void* previous = FCurrentRow;
      FCurrentRow = nullptr;
      FFileBuffer->Unmap(previous);
    }
    FCurrentRow = FFileBuffer->Map(FAccess, static_cast<int64_t>(Row) * FRowLen, FRowLen);
    return FCurrentRow;
  }
  return FBitmapScanline[static_cast<size_t>(Row)];
}

void* TIEBitmap::GetRow(int32_t Row) {
  if (FLocation != TIELocation::ieFile) return ScanLine(Row);
  TranslateOutOfMemory([&] { FRowBuffers.reserve(FRowBuffers.size() + 1); });
  void* buffer = FFileBuffer->Map(FAccess, static_cast<int64_t>(Row) * FRowLen, FRowLen);
  FRowBuffers.push_back(TRowBuffer{Row, buffer});
  return buffer;
}

void TIEBitmap::FreeRow(int32_t Row) {
  if (FLocation != TIELocation::ieFile) return;
  for (auto it = FRowBuffers.begin(); it != FRowBuffers.end(); ++it) {
    if (it->Row == Row) {
      void* buffer = it->Buffer;
      FRowBuffers.erase(it);
      FFileBuffer->Unmap(buffer);
      return;
    }
  }
}

void TIEBitmap::FreeRowBuffers() {
  if (FCurrentRow) {
    void* current = FCurrentRow;
    FCurrentRow = nullptr;
    FFileBuffer->Unmap(current);
  }
  while (!FRowBuffers.empty()) {
    void* buffer = FRowBuffers.back().Buffer;
    FRowBuffers.pop_back();
    FFileBuffer->Unmap(buffer);
  }
}

// ---- Palette -----------------------------------------------------------------------

void TIEBitmap::GetPaletteColor(int32_t Index, TRGB& Colour) const {
  if (Index >= 0 && Index < FPaletteLength) Colour = FPalette[static_cast<size_t>(Index)];
}

void TIEBitmap::SetPaletteColor(int32_t Index, const TRGB& Colour) {
  if (Index >= 0 && Index < FPaletteLength) FPalette[static_cast<size_t>(Index)] = Colour;
  if (FLocation == TIELocation::ieTBitmap) UpdateTBitmapPalette();
}

// ---- Alpha channel -----------------------------------------------------------------

TIEBitmap* TIEBitmap::AlphaChannel() {
  if (FIsAlphaChannel) return nullptr;
  if (!FAlphaChannel) FAlphaChannel = CreateAsAlphaChannel(FWidth, FHeight, FLocation);
  return FAlphaChannel.get();
}

void TIEBitmap::RemoveAlphaChannel() {
  if (!FIsAlphaChannel) FAlphaChannel.reset();
}

// ---- Copies ------------------------------------------------------------------------

void TIEBitmap::CopyPixelsFrom(TIEBitmap* S) {
  if (CopyPixelsIntoTBitmap(S)) return;  // levels a platform bitmap holds differently
  const TIEDataAccess sourceAccess = S->FAccess;
  const TIEDataAccess ownAccess = FAccess;
  S->FAccess = kIEReadOnly;
  FAccess = kIEWriteOnly;
  {
    auto cleanup = ScopeExit([&] {
      S->FAccess = sourceAccess;
      FAccess = ownAccess;
    });
    if (FLocation == TIELocation::ieFile && S->FLocation == TIELocation::ieFile && FFileBuffer->IsAllocated() &&
        S->FFileBuffer->IsAllocated()) {
      FreeRowBuffers();
      S->FreeRowBuffers();
      S->FFileBuffer->CopyTo(FFileBuffer.get(), 0, static_cast<int64_t>(FRowLen) * FHeight);
    } else if (!IsEmpty() && !S->IsEmpty()) {
      const size_t count = static_cast<size_t>(Min(FRowLen, S->FRowLen));
      const int32_t rows = Min(FHeight, S->FHeight);
      for (int32_t y = 0; y < rows; ++y) {
        const void* source = S->ScanLine(y);  // fetched first: it may replace a buffer
        std::memcpy(ScanLine(y), source, count);
      }
      // The last row would otherwise wait for the next ScanLine, and a GetRow
      // of it would read what the file held before.
      if (FLocation == TIELocation::ieFile) FreeRowBuffers();
    }
  }
  for (int32_t i = 0; i < FPaletteLength; ++i) S->GetPaletteColor(i, FPalette[static_cast<size_t>(i)]);
  if (FLocation == TIELocation::ieTBitmap) UpdateTBitmapPalette();
}

void TIEBitmap::AssignBitmap(TIEBitmap* S, bool KeepOwnAlpha) {
  S->SyncTBitmapShape();  // its fields are read directly below
  if (KeepOwnAlpha && S->IsEmpty()) return;
  // Copying this bitmap's own alpha channel into it: keep the source alive
  // while the old image is freed.
  std::unique_ptr<TIEBitmap> ownAlpha;
  if (S == FAlphaChannel.get() && !KeepOwnAlpha) ownAlpha = std::move(FAlphaChannel);
  if (FLocation == TIELocation::ieTBitmap) {
    if (S->IsEmpty()) return;
  } else {
    FreeImage(!KeepOwnAlpha);
  }
  FWidth = S->FWidth;
  FHeight = S->FHeight;
  FPixelFormat = S->FPixelFormat;
  if (!KeepOwnAlpha) FRowAlignment = S->FRowAlignment;
  AllocateImage();
  FFull = KeepOwnAlpha ? false : S->FFull;
  CopyPixelsFrom(S);
  if (KeepOwnAlpha) return;
  if (!FIsAlphaChannel) {
    if (S->FAlphaChannel) {
      if (!FAlphaChannel) {
        FAlphaChannel = std::make_unique<TIEBitmap>();
        FAlphaChannel->FIsAlphaChannel = true;
        FAlphaChannel->FLocation = FLocation == TIELocation::ieTBitmap ? TIELocation::ieMemory : FLocation;
      }
      FAlphaChannel->AssignBitmap(S->FAlphaChannel.get(), false);
    } else {
      RemoveAlphaChannel();
    }
  }
  FBWConversion = S->FBWConversion;
}

void TIEBitmap::Assign(TObject* Source) {
  if (auto* bitmap = dynamic_cast<TIEBitmap*>(Source)) {
    if (bitmap != this) AssignBitmap(bitmap, false);
    return;
  }
  AssignFromPlatformBitmap(Source);  // any other object: nothing
}

void TIEBitmap::CopyFromTIEBitmap(TIEBitmap* S) {
  if (S && S != this) AssignBitmap(S, true);
}

void TIEBitmap::MoveTo(TIEBitmap* Dest) {
  if (!Dest || Dest == this) return;
  SyncTBitmapShape();  // the platform bitmap may have changed behind our back
  Dest->FreeImage(true);
  // Dest's emptied file buffer becomes this bitmap's new one.
  std::swap(Dest->FFileBuffer, FFileBuffer);
  Dest->FCurrentRow = FCurrentRow;
  Dest->FRowBuffers = std::move(FRowBuffers);
  Dest->FPalette = std::move(FPalette);
  Dest->FPaletteLength = FPaletteLength;
  Dest->FAlphaChannel = std::move(FAlphaChannel);
  Dest->FIsAlphaChannel = FIsAlphaChannel;
  Dest->FMemory = FMemory;
  Dest->FReserved = FReserved;
  Dest->FBitmap = FBitmap;
  Dest->FBitmapScanline = std::move(FBitmapScanline);
  Dest->FWidth = FWidth;
  Dest->FHeight = FHeight;
  Dest->FBitCount = FBitCount;
  Dest->FRowLen = FRowLen;
  Dest->FPixelFormat = FPixelFormat;
  Dest->FLocation = FLocation;
  Dest->FFull = FFull;
  Dest->FTBitmapExternal = FTBitmapExternal;
  Dest->FMemoryExternal = FMemoryExternal;
  Dest->FBWConversion = FBWConversion;
  Dest->FRowAlignment = FRowAlignment;

  // Left empty. IsAlphaChannel stays: an alpha channel that parks its pixels
  // in a temporary bitmap while it is rebuilt remains an alpha channel.
  FCurrentRow = nullptr;
  FRowBuffers.clear();
  FPalette.reset();
  FPaletteLength = 0;
  FMemory = nullptr;
  FReserved = nullptr;
  FBitmap = nullptr;
  FBitmapScanline.clear();
  FWidth = 0;
  FHeight = 0;
  FBitCount = 0;
  FRowLen = 0;
  FPixelFormat = TIEPixelFormat::ienull;
  FFull = false;
  FTBitmapExternal = false;
  FMemoryExternal = false;
}
