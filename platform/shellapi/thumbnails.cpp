#include "platform/shellapi/thumbnails.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <mutex>

#include "platform/gui/bmpfile.h"
#include "platform/rtl/files.h"
#include "platform/rtl/md5.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"
#include "platform/shellapi/shell_internal.h"
#include "platform/shellapi/thumb_internal.h"
#include "platform/shellapi/xdgdirs.h"

HBITMAP ThumbImageToBitmap(const TThumbImage& image) {
  if (image.Width <= 0 || image.Height <= 0) return nullptr;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = image.Width;
  bi.bmiHeader.biHeight = image.Height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bmp || !bits) return nullptr;
  const size_t stride = (size_t(image.Width) * 3 + 3) & ~size_t(3);
  auto* base = static_cast<uint8_t*>(bits);
  for (int32_t y = 0; y < image.Height; ++y)
    std::memcpy(base + size_t(image.Height - 1 - y) * stride, &image.Bgr[size_t(y) * size_t(image.Width) * 3],
                size_t(image.Width) * 3);
  return bmp;
}

// ---- The cache ----------------------------------------------------------------------------

String ThumbnailCacheUri(const String& path) {
  static const char kHex[] = "0123456789ABCDEF";
  String out = "file://";
  for (unsigned char c : path) {
    const bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                      std::strchr("-._~!$&'()*+,=:@/", c) != nullptr;
    if (keep && c != 0) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

namespace {

// A file mapped for reading.
class TMappedFile {
 public:
  explicit TMappedFile(const String& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
      void* p = ::mmap(nullptr, size_t(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
      if (p != MAP_FAILED) {
        FData = static_cast<const uint8_t*>(p);
        FSize = size_t(st.st_size);
      }
    }
    ::close(fd);
  }
  ~TMappedFile() {
    if (FData) ::munmap(const_cast<uint8_t*>(FData), FSize);
  }
  TMappedFile(const TMappedFile&) = delete;
  TMappedFile& operator=(const TMappedFile&) = delete;
  const uint8_t* Data() const { return FData; }
  size_t Size() const { return FSize; }

 private:
  const uint8_t* FData = nullptr;
  size_t FSize = 0;
};

bool FromCache(const String& path, const struct stat& st, int32_t boxW, int32_t boxH, TThumbImage& out) {
  const String uri = ThumbnailCacheUri(path);
  const String name = MD5Hex(uri) + ".png";
  const String base = XdgDirs()->CacheHome + "/thumbnails/";
  const struct {
    const char* Dir;
    int32_t Size;
  } kSizes[] = {{"normal", 128}, {"large", 256}, {"x-large", 512}, {"xx-large", 1024}};
  const int32_t need = std::max(boxW, boxH);
  for (const auto& s : kSizes) {
    if (s.Size < need && s.Size != 1024) continue;
    TMappedFile f(base + s.Dir + "/" + name);
    if (!f.Data()) continue;
    std::map<String, String> texts;
    TThumbImage img;
    if (!DecodePngThumbnail(f.Data(), f.Size(), boxW, boxH, img, &texts)) continue;
    if (texts["Thumb::URI"] != uri) continue;
    if (texts["Thumb::MTime"] != std::to_string(int64_t(st.st_mtim.tv_sec))) continue;
    out = std::move(img);
    return true;
  }
  return false;
}

bool DecodeBmp(const uint8_t* data, size_t size, int32_t boxW, int32_t boxH, TThumbImage& out) {
  HBITMAP bmp = nullptr;
  try {
    TMemoryStream s;
    s.WriteBuffer(data, int64_t(size));
    s.SetPosition(0);
    bmp = ReadBmpFile(s);
  } catch (const Exception&) {
    return false;
  }
  if (!bmp) return false;
  BITMAP bm;
  bool ok = GetObject(bmp, sizeof bm, &bm) != 0 && bm.bmWidth > 0 && bm.bmHeight > 0;
  TThumbImage full;
  if (ok) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = bm.bmWidth;
    bi.bmiHeader.biHeight = -bm.bmHeight;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    const size_t stride = (size_t(bm.bmWidth) * 3 + 3) & ~size_t(3);
    std::vector<uint8_t> rows(stride * size_t(bm.bmHeight));
    HDC dc = CreateCompatibleDC(nullptr);
    ok = GetDIBits(dc, bmp, 0, uint32_t(bm.bmHeight), rows.data(), &bi, DIB_RGB_COLORS) != 0;
    DeleteDC(dc);
    full.Width = bm.bmWidth;
    full.Height = bm.bmHeight;
    full.Bgr.resize(size_t(bm.bmWidth) * size_t(bm.bmHeight) * 3);
    for (int32_t y = 0; ok && y < bm.bmHeight; ++y)
      std::memcpy(&full.Bgr[size_t(y) * size_t(bm.bmWidth) * 3], &rows[size_t(y) * stride], size_t(bm.bmWidth) * 3);
  }
  DeleteObject(bmp);
  if (!ok) return false;
  int32_t w, h;
  ThumbnailFitSize(full.Width, full.Height, boxW, boxH, w, h);
  return ThumbnailBoxScale(full, w, h, out);
}

std::mutex gProviderLock;
std::map<String, TThumbnailProvider> gProviders;  // by lower-case extension with its dot

}  // namespace

void RegisterThumbnailProvider(const String& extensions, TThumbnailProvider provider) {
  std::lock_guard<std::mutex> g(gProviderLock);
  size_t pos = 0;
  while (pos <= extensions.size()) {
    size_t semi = extensions.find(';', pos);
    if (semi == String::npos) semi = extensions.size();
    String e = Trim(extensions.substr(pos, semi - pos));
    pos = semi + 1;
    if (e.compare(0, 1, "*") == 0) e.erase(0, 1);
    if (e.empty()) continue;
    if (e[0] != '.') e = "." + e;
    gProviders[LowerCase(e)] = provider;
  }
}

void ClearThumbnailProviders() {
  std::lock_guard<std::mutex> g(gProviderLock);
  gProviders.clear();
}

HBITMAP ExtractThumbnail(const String& path, int32_t boxW, int32_t boxH) {
  if (boxW <= 0 || boxH <= 0) return nullptr;
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
  const String absolute = ShellNormalizePath(path[0] == '/' ? path : JoinPath(GetCurrentDir(), path));
  TThumbImage img;
  if (FromCache(absolute, st, boxW, boxH, img)) return ThumbImageToBitmap(img);
  {
    TMappedFile f(absolute);
    const uint8_t* d = f.Data();
    const size_t n = f.Size();
    bool done = false;
    if (d && n >= 3 && d[0] == 0xFF && d[1] == 0xD8 && d[2] == 0xFF)
      done = DecodeJpegThumbnail(d, n, boxW, boxH, img);
    else if (d && n >= 8 && std::memcmp(d, "\x89PNG\r\n\x1a\n", 8) == 0)
      done = DecodePngThumbnail(d, n, boxW, boxH, img);
    else if (d && n >= 2 && d[0] == 'B' && d[1] == 'M')
      done = DecodeBmp(d, n, boxW, boxH, img);
    if (done) return ThumbImageToBitmap(img);
    if (d && n >= 2 &&
        ((d[0] == 0xFF && d[1] == 0xD8) || (d[0] == 0x89 && d[1] == 'P') || (d[0] == 'B' && d[1] == 'M')))
      return nullptr;  // ours, and broken
  }
  TThumbnailProvider provider;
  {
    std::lock_guard<std::mutex> g(gProviderLock);
    auto it = gProviders.find(LowerCase(ExtractFileExt(absolute)));
    if (it != gProviders.end()) provider = it->second;
  }
  return provider ? provider(absolute, boxW, boxH) : nullptr;
}

// ---- The extractor object -------------------------------------------------------------

namespace {

class TThumbnailExtractor final : public TComObject<IExtractImage, IID_IExtractImage> {
 public:
  explicit TThumbnailExtractor(String path) : FPath(std::move(path)) {}
  HRESULT GetLocation(String& location, uint32_t* priority, const TSize* size, uint32_t, uint32_t* flags) override {
    location = FPath;
    if (size) FSize = *size;
    if (priority) FPriority = *priority;
    if (flags) FFlags = *flags;
    return S_OK;
  }
  HRESULT Extract(HBITMAP* bitmap) override {
    if (!bitmap) return E_POINTER;
    *bitmap = ExtractThumbnail(FPath, FSize.cx, FSize.cy);
    return *bitmap ? S_OK : E_FAIL;
  }

 private:
  ~TThumbnailExtractor() = default;
  String FPath;
  TSize FSize{128, 128};
  uint32_t FPriority = 0;
  uint32_t FFlags = 0;
};

}  // namespace

IExtractImage* CreateThumbnailExtractor(const String& path) { return new TThumbnailExtractor(path); }
