#include "platform/vcl/clipbrd.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/gui/bmpfile.h"
#include "platform/gui/graphics.h"
#include "platform/rtl/streams.h"

namespace {

// Open for the scope of a call, closed also when it throws.
class TOpenScope {
 public:
  explicit TOpenScope(TClipboard& c) : FClipboard(c) { FClipboard.Open(); }
  ~TOpenScope() { FClipboard.Close(); }
  TOpenScope(const TOpenScope&) = delete;
  TOpenScope& operator=(const TOpenScope&) = delete;

 private:
  TClipboard& FClipboard;
};

// A locked view of a block, unlocked at the end of the scope.
class TLockedBlock {
 public:
  explicit TLockedBlock(HGLOBAL h) : FHandle(h) {
    if (h != 0) {
      FData = static_cast<const uint8_t*>(GlobalLock(h));
      FSize = FData ? GlobalSize(h) : 0;
    }
  }
  ~TLockedBlock() {
    if (FData) GlobalUnlock(FHandle);
  }
  TLockedBlock(const TLockedBlock&) = delete;
  TLockedBlock& operator=(const TLockedBlock&) = delete;
  const uint8_t* Data() const { return FData; }
  size_t Size() const { return FSize; }

 private:
  HGLOBAL FHandle;
  const uint8_t* FData = nullptr;
  size_t FSize = 0;
};

std::unique_ptr<TClipboard>& ClipboardSlot() {
  static std::unique_ptr<TClipboard> slot;
  return slot;
}

// The bytes of a BMP file after its file header: a packed DIB.
std::vector<uint8_t> PackedDibOf(TBitmap& bitmap) {
  TMemoryStream stream;
  WriteBmpFile(stream, bitmap.Handle());
  const auto* bytes = static_cast<const uint8_t*>(stream.Memory());
  const size_t size = static_cast<size_t>(stream.Size());
  const size_t header = sizeof(BITMAPFILEHEADER);
  if (size <= header) return {};
  return std::vector<uint8_t>(bytes + header, bytes + size);
}

}  // namespace

TClipboard::~TClipboard() {
  if (FOpenRefCount > 0) {
    FOpenRefCount = 1;
    Close();
  }
}

void TClipboard::Open() {
  if (FOpenRefCount == 0) {
    FClipboardWindow =
        AllocateHWnd([this](TMessage& m) { m.Result = DefWindowProc(FClipboardWindow, m.Msg, m.WParam, m.LParam); });
    if (!OpenClipboard(FClipboardWindow)) {
      DeallocateHWnd(FClipboardWindow);
      FClipboardWindow = nullptr;
      throw EClipboardException("Cannot open clipboard");
    }
    FEmptied = false;
  }
  ++FOpenRefCount;
}

void TClipboard::Close() {
  if (FOpenRefCount == 0) return;
  if (--FOpenRefCount == 0) {
    CloseClipboard();
    DeallocateHWnd(FClipboardWindow);
    FClipboardWindow = nullptr;
  }
}

void TClipboard::Clear() {
  TOpenScope scope(*this);
  EmptyClipboard();
}

void TClipboard::Adding() {
  if (FOpenRefCount != 0 && !FEmptied) {
    Clear();
    FEmptied = true;
  }
}

bool TClipboard::HasFormat(uint32_t Format) { return IsClipboardFormatAvailable(Format); }

int32_t TClipboard::FormatCount() {
  TOpenScope scope(*this);
  return CountClipboardFormats();
}

uint32_t TClipboard::Formats(int32_t Index) {
  if (Index < 0) return 0;
  TOpenScope scope(*this);
  uint32_t format = 0;
  for (int32_t i = 0; i <= Index; ++i) {
    format = EnumClipboardFormats(format);
    if (format == 0) break;
  }
  return format;
}

String TClipboard::AsText() {
  TOpenScope scope(*this);
  TLockedBlock block(GetClipboardData(CF_TEXT));
  if (!block.Data()) return String();
  const auto* p = reinterpret_cast<const char*>(block.Data());
  const void* nul = std::memchr(p, 0, block.Size());
  const size_t n = nul ? static_cast<size_t>(static_cast<const char*>(nul) - p) : block.Size();
  return String(p, n);
}

void TClipboard::SetAsText(const String& Value) { SetBuffer(CF_TEXT, Value.c_str(), Value.size() + 1); }

int32_t TClipboard::GetTextBuf(char* Buffer, int32_t BufSize) {
  if (Buffer == nullptr || BufSize <= 0) return 0;
  const String text = AsText();
  const size_t n = std::min(text.size(), static_cast<size_t>(BufSize - 1));
  std::memcpy(Buffer, text.data(), n);
  Buffer[n] = '\0';
  return static_cast<int32_t>(n);
}

void TClipboard::SetTextBuf(const char* Buffer) { SetAsText(Buffer ? String(Buffer) : String()); }

HGLOBAL TClipboard::GetAsHandle(uint32_t Format) {
  TOpenScope scope(*this);
  return GetClipboardData(Format);
}

void TClipboard::SetAsHandle(uint32_t Format, HGLOBAL Value) {
  TOpenScope scope(*this);
  Adding();
  SetClipboardData(Format, Value);
}

void TClipboard::SetBuffer(uint32_t Format, const void* Buffer, size_t Size) {
  TOpenScope scope(*this);
  Adding();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, Size);
  if (block == 0) throw EOutOfMemory("Out of memory");
  if (Size > 0) {
    void* p = GlobalLock(block);
    std::memcpy(p, Buffer, Size);
    GlobalUnlock(block);
  }
  if (SetClipboardData(Format, block) == 0) GlobalFree(block);
}

void TClipboard::Assign(TPersistent* Source) {
  TBitmap* bitmap = dynamic_cast<TBitmap*>(Source);
  if (auto* picture = dynamic_cast<TPicture*>(Source)) bitmap = dynamic_cast<TBitmap*>(picture->Graphic());
  if (bitmap == nullptr) {
    TPersistent::Assign(Source);
    return;
  }
  if (bitmap->Empty()) {
    Clear();
    return;
  }
  const std::vector<uint8_t> dib = PackedDibOf(*bitmap);
  SetBuffer(CF_DIB, dib.data(), dib.size());
}

void TClipboard::AssignTo(TPersistent* Dest) {
  TBitmap* bitmap = dynamic_cast<TBitmap*>(Dest);
  if (auto* picture = dynamic_cast<TPicture*>(Dest)) bitmap = picture->Bitmap();
  if (bitmap == nullptr) {
    TPersistent::AssignTo(Dest);
    return;
  }
  TOpenScope scope(*this);
  TLockedBlock block(GetClipboardData(CF_DIB));
  if (!block.Data()) return;
  HBITMAP image = ReadPackedDib(block.Data(), block.Size());
  bitmap->SetHandle(image);
}

TClipboard* Clipboard() {
  std::unique_ptr<TClipboard>& slot = ClipboardSlot();
  if (!slot) slot = std::make_unique<TClipboard>();
  return slot.get();
}

TClipboard* SetClipboard(TClipboard* NewClipboard) {
  std::unique_ptr<TClipboard>& slot = ClipboardSlot();
  TClipboard* old = slot.release();
  slot.reset(NewClipboard);
  return old;
}
