// Shell links: .desktop files of Type=Link with a file:// URL, and symbolic
// links, read through IShellLinkA and IPersistFile.
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "platform/rtl/files.h"
#include "platform/shellapi/keyfile.h"
#include "platform/shellapi/shell_internal.h"

namespace {

class TShellLink final : public IShellLinkA, public IPersistFile {
 public:
  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IShellLinkA) {
      *object = static_cast<IShellLinkA*>(this);
    } else if (riid == IID_IPersistFile || riid == IID_IPersist) {
      *object = static_cast<IPersistFile*>(this);
    } else {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  uint32_t AddRef() override { return FRef.AddRefCount(); }
  uint32_t Release() override {
    const uint32_t n = FRef.ReleaseCount();
    if (n == 0) delete this;
    return n;
  }

  // ---- IShellLinkA ----
  HRESULT GetPath(String& file, WIN32_FIND_DATA* data, uint32_t) override {
    file = FPath;
    if (data) *data = WIN32_FIND_DATA{};
    if (FPath.empty()) return S_FALSE;
    if (data) {
      struct stat st;
      data->cFileName = ExtractFileName(FPath);
      if (::stat(FPath.c_str(), &st) == 0) {
        data->dwFileAttributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
        const uint64_t size = S_ISDIR(st.st_mode) ? 0 : uint64_t(st.st_size);
        data->nFileSizeHigh = uint32_t(size >> 32);
        data->nFileSizeLow = uint32_t(size);
        data->ftLastWriteTime = TimespecToFileTime(st.st_mtim);
        data->ftLastAccessTime = TimespecToFileTime(st.st_atim);
        data->ftCreationTime = data->ftLastWriteTime;
      }
    }
    return S_OK;
  }
  HRESULT GetDescription(String& description) override {
    description = FDescription;
    return S_OK;
  }
  HRESULT SetPath(const String& file) override {
    FPath = file;
    FDirty = true;
    return S_OK;
  }
  HRESULT SetDescription(const String& description) override {
    FDescription = description;
    FDirty = true;
    return S_OK;
  }
  HRESULT GetArguments(String& arguments) override {
    arguments.clear();
    return S_OK;
  }
  HRESULT GetWorkingDirectory(String& dir) override {
    dir.clear();
    return S_OK;
  }
  HRESULT Resolve(HWND, uint32_t) override { return S_OK; }

  // ---- IPersistFile ----
  HRESULT GetClassID(CLSID* clsid) override {
    if (!clsid) return E_POINTER;
    *clsid = CLSID_ShellLink;
    return S_OK;
  }
  HRESULT IsDirty() override { return FDirty ? S_OK : S_FALSE; }
  HRESULT Load(const String& fileName, uint32_t) override;
  HRESULT Save(const String&, bool) override { return E_NOTIMPL; }
  HRESULT SaveCompleted(const String&) override { return S_OK; }
  HRESULT GetCurFile(String& fileName) override {
    fileName = FFile;
    return FFile.empty() ? S_FALSE : S_OK;
  }

 private:
  ~TShellLink() = default;
  TComRefCount FRef;
  String FFile;
  String FPath;
  String FDescription;
  bool FDirty = false;
};

// The local path of a file:// URL; "" for other URLs and remote hosts.
String LocalPathOfUrl(const String& url) {
  if (url.compare(0, 7, "file://") != 0) return String();
  String rest = url.substr(7);
  if (rest.compare(0, 9, "localhost") == 0) rest.erase(0, 9);
  if (rest.empty() || rest[0] != '/') return String();
  const size_t cut = rest.find_first_of("?#");
  if (cut != String::npos) rest.resize(cut);
  const String path = PercentDecode(rest);
  if (path.find('\0') != String::npos) return String();
  return ShellNormalizePath(path);
}

HRESULT TShellLink::Load(const String& fileName, uint32_t) {
  FFile = fileName;
  FPath.clear();
  FDescription.clear();
  FDirty = false;
  struct stat st;
  if (fileName.empty() || ::lstat(fileName.c_str(), &st) != 0) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  if (S_ISLNK(st.st_mode)) {
    std::vector<char> buf(size_t(st.st_size > 0 ? st.st_size : 255) + 2);
    const ssize_t n = ::readlink(fileName.c_str(), buf.data(), buf.size());
    if (n < 0 || size_t(n) >= buf.size()) return E_FAIL;
    String target(buf.data(), size_t(n));
    if (target.empty()) return E_FAIL;
    if (target[0] != '/') {
      String dir = ExtractFileDir(fileName[0] == '/' ? fileName : JoinPath(GetCurrentDir(), fileName));
      target = JoinPath(dir, target);
    }
    FPath = ShellNormalizePath(target);
    return S_OK;
  }
  TKeyFile k;
  if (!S_ISREG(st.st_mode) || !k.LoadFromFile(fileName) || !k.HasGroup("Desktop Entry")) return E_FAIL;
  FDescription = k.Value("Desktop Entry", "Comment", k.Value("Desktop Entry", "Name"));
  if (k.Value("Desktop Entry", "Type") == "Link") FPath = LocalPathOfUrl(k.Value("Desktop Entry", "URL"));
  return S_OK;
}

}  // namespace

IShellLinkA* CreateShellLinkObject() { return new TShellLink(); }
