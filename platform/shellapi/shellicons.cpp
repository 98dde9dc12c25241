// File information: the built-in icon set in two system image lists, and
// icons and type names by file type.
#include <sys/stat.h>

#include <cstring>
#include <mutex>

#include "platform/gui/bmpfile.h"
#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"
#include "platform/shellapi/shell_internal.h"
#include "platform/shellapi/shellapi.h"
#include "platform/shellapi/shellresources.h"
#include "platform/shellapi/shellvolumes.h"
#include "platform/shellapi/xdgdirs.h"

namespace {

// Index order of the system image lists.
const char* const kIconNames[] = {
    "folder",         "folder-open",           "user-home",       "user-desktop",      "computer",
    "drive-harddisk", "drive-removable-media", "drive-optical",   "user-trash",        "image-x-generic",
    "text-x-generic", "audio-x-generic",       "video-x-generic", "package-x-generic", "application-x-executable",
    "unknown"};
constexpr int32_t kIconCount = int32_t(sizeof kIconNames / sizeof kIconNames[0]);

struct TExtType {
  const char* Ext;  // lower case, without the dot
  const char* Icon;
  const char* Type;
};

const TExtType kExtTypes[] = {
    {"jpg", "image-x-generic", "JPEG image"},
    {"jpeg", "image-x-generic", "JPEG image"},
    {"jpe", "image-x-generic", "JPEG image"},
    {"bmp", "image-x-generic", "BMP image"},
    {"gif", "image-x-generic", "GIF image"},
    {"tif", "image-x-generic", "TIFF image"},
    {"tiff", "image-x-generic", "TIFF image"},
    {"png", "image-x-generic", "PNG image"},
    {"pcx", "image-x-generic", "PCX image"},
    {"jp2", "image-x-generic", "JPEG 2000 image"},
    {"j2k", "image-x-generic", "JPEG 2000 image"},
    {"tga", "image-x-generic", "TGA image"},
    {"ppm", "image-x-generic", "PPM image"},
    {"pgm", "image-x-generic", "PGM image"},
    {"pbm", "image-x-generic", "PBM image"},
    {"wmf", "image-x-generic", "WMF image"},
    {"emf", "image-x-generic", "EMF image"},
    {"psd", "image-x-generic", "PSD image"},
    {"ico", "image-x-generic", "Icon"},
    {"cur", "image-x-generic", "Cursor"},
    {"crw", "image-x-generic", "Camera raw image"},
    {"cr2", "image-x-generic", "Camera raw image"},
    {"nef", "image-x-generic", "Camera raw image"},
    {"raf", "image-x-generic", "Camera raw image"},
    {"orf", "image-x-generic", "Camera raw image"},
    {"pef", "image-x-generic", "Camera raw image"},
    {"dng", "image-x-generic", "Camera raw image"},
    {"arw", "image-x-generic", "Camera raw image"},
    {"mrw", "image-x-generic", "Camera raw image"},
    {"srf", "image-x-generic", "Camera raw image"},
    {"x3f", "image-x-generic", "Camera raw image"},
    {"rw2", "image-x-generic", "Camera raw image"},
    {"dcr", "image-x-generic", "Camera raw image"},
    {"kdc", "image-x-generic", "Camera raw image"},
    {"raw", "image-x-generic", "Camera raw image"},
    {"txt", "text-x-generic", "Text document"},
    {"log", "text-x-generic", "Text document"},
    {"ini", "text-x-generic", "Configuration settings"},
    {"csv", "text-x-generic", "CSV document"},
    {"md", "text-x-generic", "Text document"},
    {"xml", "text-x-generic", "XML document"},
    {"htm", "text-x-generic", "HTML document"},
    {"html", "text-x-generic", "HTML document"},
    {"mp3", "audio-x-generic", "MP3 audio"},
    {"wav", "audio-x-generic", "WAV audio"},
    {"ogg", "audio-x-generic", "Ogg audio"},
    {"flac", "audio-x-generic", "FLAC audio"},
    {"m4a", "audio-x-generic", "MPEG-4 audio"},
    {"wma", "audio-x-generic", "WMA audio"},
    {"avi", "video-x-generic", "AVI video"},
    {"mpg", "video-x-generic", "MPEG video"},
    {"mpeg", "video-x-generic", "MPEG video"},
    {"mp4", "video-x-generic", "MPEG-4 video"},
    {"mov", "video-x-generic", "QuickTime video"},
    {"wmv", "video-x-generic", "WMV video"},
    {"mkv", "video-x-generic", "Matroska video"},
    {"webm", "video-x-generic", "WebM video"},
    {"zip", "package-x-generic", "ZIP archive"},
    {"rar", "package-x-generic", "RAR archive"},
    {"7z", "package-x-generic", "7-Zip archive"},
    {"tar", "package-x-generic", "Tar archive"},
    {"gz", "package-x-generic", "Gzip archive"},
    {"tgz", "package-x-generic", "Tar archive"},
    {"bz2", "package-x-generic", "Bzip2 archive"},
    {"xz", "package-x-generic", "XZ archive"},
    {"cab", "package-x-generic", "Cabinet archive"},
};

const TExtType* FindExt(const String& name) {
  const size_t dot = name.rfind('.');
  if (dot == String::npos || dot == 0 || dot + 1 == name.size()) return nullptr;
  const String ext = LowerCase(name.substr(dot + 1));
  for (const TExtType& e : kExtTypes)
    if (ext == e.Ext) return &e;
  return nullptr;
}

String PlainTypeName(const String& name) {
  const size_t dot = name.rfind('.');
  if (dot == String::npos || dot == 0 || dot + 1 == name.size()) return "File";
  return UpperCase(name.substr(dot + 1)) + " File";
}

std::mutex gIconLock;
HIMAGELIST gLists[2] = {nullptr, nullptr};  // small, large

// A built-in icon's bitmap (32-bit with alpha); nullptr when missing.
HBITMAP LoadIconBitmap(int32_t index, int32_t size) {
  if (index < 0 || index >= kIconCount) return nullptr;
  InitShellResources();
  try {
    TResourceStream s(String("shellicons/") + kIconNames[index] + "-" + std::to_string(size) + ".bmp");
    return ReadBmpFile(s);
  } catch (const Exception&) {
    return nullptr;
  }
}

// White where the icon is transparent.
HBITMAP MaskOf(HBITMAP image, int32_t size) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = size;
  bi.bmiHeader.biHeight = -size;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  std::vector<uint32_t> px(size_t(size) * size);
  HDC dc = CreateCompatibleDC(nullptr);
  GetDIBits(dc, image, 0, uint32_t(size), px.data(), &bi, DIB_RGB_COLORS);
  void* bits = nullptr;
  HBITMAP mask = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (mask && bits) {
    auto* m = static_cast<uint32_t*>(bits);
    for (size_t i = 0; i < px.size(); ++i) m[i] = (px[i] >> 24) < 128 ? 0x00FFFFFFu : 0;
  }
  DeleteDC(dc);
  return mask;
}

HIMAGELIST BuildList(int32_t size) {
  HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, kIconCount, 0);
  if (!list) return nullptr;
  for (int32_t i = 0; i < kIconCount; ++i) {
    HBITMAP b = LoadIconBitmap(i, size);
    HBITMAP m = b ? MaskOf(b, size) : nullptr;
    if (!b || !m || ImageList_Add(list, b, m) != i) {
      // Keep indexes aligned even without the art.
      if (!b) b = CreateBitmap(size, size, 1, 32, nullptr);
      ImageList_Add(list, b, nullptr);
    }
    if (b) DeleteObject(b);
    if (m) DeleteObject(m);
  }
  return list;
}

HICON MakeIcon(int32_t index, int32_t size) {
  HBITMAP b = LoadIconBitmap(index, size);
  if (!b) return nullptr;
  HBITMAP m = MaskOf(b, size);
  ICONINFO ii;
  ii.fIcon = true;
  ii.hbmColor = b;
  ii.hbmMask = m;
  HICON icon = CreateIconIndirect(ii);
  DeleteObject(b);
  if (m) DeleteObject(m);
  return icon;
}

// What to show for a place: icon, type name and display name.
struct TLook {
  String Icon;
  String Type;
  String Name;
  bool Folder = false;
};

String VolumeIcon(const String& mount) {
  if (mount == "/") return "drive-harddisk";
  switch (GetDriveType(mount)) {
    case DRIVE_REMOVABLE: return "drive-removable-media";
    case DRIVE_CDROM: return "drive-optical";
    default: return "drive-harddisk";
  }
}

bool LookOfPath(const String& path0, bool useAttributes, uint32_t attributes, TLook& look) {
  const String path = ShellNormalizePath(path0);
  bool isDir = false, exec = false;
  if (useAttributes) {
    isDir = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  } else {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
      struct stat lst;
      if (::lstat(path.c_str(), &lst) != 0) return false;
      st = lst;  // a dangling link
    }
    isDir = S_ISDIR(st.st_mode);
    exec = S_ISREG(st.st_mode) && (st.st_mode & 0111);
  }
  const String name = ExtractFileName(path);
  look.Name = DisplayText(name.empty() ? path : name);
  look.Folder = isDir;
  if (isDir) {
    look.Type = "Folder";
    look.Icon = "folder";
    if (!useAttributes) {
      if (path == XdgDirs()->Home)
        look.Icon = "user-home";
      else if (path == DesktopDirectory())
        look.Icon = "user-desktop";
      else if (PathIsRoot(path)) {
        look.Icon = VolumeIcon(path);
        look.Type = "File System";
        if (path == "/") look.Name = "File System";
      }
    }
    return true;
  }
  if (const TExtType* e = FindExt(name)) {
    look.Icon = e->Icon;
    look.Type = e->Type;
  } else {
    look.Type = PlainTypeName(name);
    const bool noExt = name.rfind('.') == String::npos || name.rfind('.') == 0;
    look.Icon = exec && noExt ? "application-x-executable" : "unknown";
  }
  return true;
}

bool LookOfList(PCIDLIST_ABSOLUTE pidl, TLook& look) {
  TItems items;
  TLocation loc;
  if (!DecodeList(pidl, items) || !ResolveItems(items, loc)) return false;
  look.Folder = true;
  switch (loc.Kind) {
    case TLocKind::Desktop: look = {"user-desktop", "System Folder", "Desktop", true}; return true;
    case TLocKind::Computer: look = {"computer", "System Folder", "Computer", true}; return true;
    case TLocKind::Trash: look = {"user-trash", "System Folder", "Trash", true}; return true;
    case TLocKind::Home: look = {"user-home", "Folder", "Home", true}; return true;
    case TLocKind::Volume:
      look.Icon = VolumeIcon(loc.Path);
      look.Type = "File System";
      look.Name = loc.Path == "/" ? String("File System") : DisplayText(ExtractFileName(loc.Path));
      return true;
    default: break;
  }
  if (!LookOfPath(loc.Path, false, 0, look)) return false;
  TLocation parent;
  TItems parentItems(items.begin(), items.end() - 1);
  if (ResolveItems(parentItems, parent)) look.Name = ItemDisplayName(parent, items.back());
  return true;
}

uintptr_t Answer(const TLook& look, PCIDLIST_ABSOLUTE pidl, const String& path, SHFILEINFO* info, uint32_t flags) {
  const bool small = (flags & SHGFI_SMALLICON) != 0;
  String iconName = look.Icon;
  if ((flags & SHGFI_OPENICON) && iconName == "folder") iconName = "folder-open";
  const int32_t index = ShellIconIndex(iconName);
  if (info) {
    info->iIcon = index;
    if (flags & SHGFI_DISPLAYNAME) info->szDisplayName = look.Name;
    if (flags & SHGFI_TYPENAME) info->szTypeName = look.Type;
    if (flags & SHGFI_ICON) info->hIcon = MakeIcon(index, small ? 16 : 32);
    if (flags & SHGFI_ATTRIBUTES) {
      PIDLIST_ABSOLUTE own = nullptr;
      if (!pidl) {
        ComPtr<IShellFolder> desk;
        SHGetDesktopFolder(desk.ReleaseAndGetAddressOf());
        desk->ParseDisplayName(nullptr, nullptr, path, nullptr, &own, nullptr);
        pidl = own;
      }
      TItems items;
      TLocation parent;
      info->dwAttributes = 0;
      if (pidl && DecodeList(pidl, items) && !items.empty()) {
        TItems parentItems(items.begin(), items.end() - 1);
        if (ResolveItems(parentItems, parent))
          info->dwAttributes = ItemAttributes(parent, items.back(), 0xFFFFFFFFu & ~SFGAO_HASSUBFOLDER);
      }
      if (own) ILFree(own);
    }
  }
  if (flags & SHGFI_SYSICONINDEX) return reinterpret_cast<uintptr_t>(ShellSystemImageList(small));
  return 1;
}

}  // namespace

void ShellResetIcons() {
  // The lists and their indexes are fixed for the process; nothing is cached
  // per path.
}

HIMAGELIST ShellSystemImageList(bool small) {
  std::lock_guard<std::mutex> g(gIconLock);
  HIMAGELIST& l = gLists[small ? 0 : 1];
  if (!l) {
    l = BuildList(small ? 16 : 32);
    // Shared by every caller: nobody may destroy or change it.
    if (l) ImageList_SetSystemOwned(l);
  }
  return l;
}

int32_t ShellIconIndex(const String& iconName) {
  for (int32_t i = 0; i < kIconCount; ++i)
    if (iconName == kIconNames[i]) return i;
  return -1;
}

String ShellTypeName(const String& path, bool isDir) {
  TLook look;
  if (!LookOfPath(path, true, isDir ? FILE_ATTRIBUTE_DIRECTORY : 0, look)) return "File";
  return look.Type;
}

uintptr_t SHGetFileInfo(const String& path, uint32_t attributes, SHFILEINFO* info, uint32_t, uint32_t flags) {
  if (flags & SHGFI_PIDL) return 0;  // the list form takes the list
  if (path.empty()) return 0;
  TLook look;
  if (!LookOfPath(path, (flags & SHGFI_USEFILEATTRIBUTES) != 0, attributes, look)) return 0;
  return Answer(look, nullptr, path, info, flags);
}

uintptr_t SHGetFileInfo(PCIDLIST_ABSOLUTE pidl, uint32_t, SHFILEINFO* info, uint32_t, uint32_t flags) {
  TLook look;
  if (!pidl || !LookOfList(pidl, look)) return 0;
  return Answer(look, pidl, String(), info, flags);
}
