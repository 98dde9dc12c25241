#include "skin/controls/shellfolder.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/gui/win_ole.h"
#include "platform/rtl/winerror.h"

namespace {

void OleCheck(HRESULT hr) {
  if (FAILED(hr)) throw EOleSysError(SystemErrorText(uint32_t(hr)), hr);
}

ComPtr<IMalloc> ShellAllocator() {
  ComPtr<IMalloc> allocator;
  OleCheck(SHGetMalloc(allocator.ReleaseAndGetAddressOf()));
  return allocator;
}

}  // namespace

LPITEMIDLIST AllocItemIdList(uint32_t Size) {
  void* block = ShellAllocator()->Alloc(Size);
  if (block) std::memset(block, 0, Size);
  return static_cast<LPITEMIDLIST>(block);
}

LPCITEMIDLIST NextItemId(LPCITEMIDLIST List) { return List ? ILGetNext(List) : nullptr; }

uint32_t ItemIdListSize(LPCITEMIDLIST List) { return List ? ILGetSize(List) : 0; }

LPITEMIDLIST CopyItemIdList(LPCITEMIDLIST List) { return List ? ILClone(List) : nullptr; }

LPITEMIDLIST JoinItemIdLists(LPCITEMIDLIST First, LPCITEMIDLIST Second) { return ILCombine(First, Second); }

void FreeItemIdList(LPITEMIDLIST List) {
  if (List) ShellAllocator()->Free(List);
}

ComPtr<IShellFolder> GetDesktopShellFolder() {
  ComPtr<IShellFolder> desktop;
  OleCheck(SHGetDesktopFolder(desktop.ReleaseAndGetAddressOf()));
  return desktop;
}

LPITEMIDLIST GetDesktopItemIdList() {
  PIDLIST_ABSOLUTE list = nullptr;
  return SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &list)) ? list : nullptr;
}

// ---- TbsShellFolder ---------------------------------------------------------------------------

namespace {

// The desktop folder object; set once its construction has ended.
TbsShellFolder* gDesktopFolderObject = nullptr;
std::once_flag gStartOnce;
// True on the thread making the desktop folder object, which has no parent.
thread_local bool tMakingDesktop = false;
struct TMakingDesktop {
  TMakingDesktop() { tMakingDesktop = true; }
  ~TMakingDesktop() { tMakingDesktop = false; }
};

// The absolute list of a folder below Parent (nil: the desktop).
LPITEMIDLIST AbsoluteListBelow(TbsShellFolder* Parent, LPCITEMIDLIST IdList) {
  if (Parent) return JoinItemIdLists(Parent->AbsoluteID(), IdList);
  LPITEMIDLIST desktop = GetDesktopItemIdList();
  LPITEMIDLIST full = JoinItemIdLists(desktop, IdList);
  FreeItemIdList(desktop);
  return full;
}

void CloseDown() {
  delete gDesktopFolderObject;
  gDesktopFolderObject = nullptr;
  OleUninitialize();
}

void CreateDesktopShellFolder() {
  LPITEMIDLIST list = GetDesktopItemIdList();
  if (!list) return;
  {
    TMakingDesktop making;
    gDesktopFolderObject = new TbsShellFolder(nullptr, GetDesktopShellFolder().Get(), list);
  }
  FreeItemIdList(list);
}

void StartUp() {
  CreateDesktopShellFolder();
  OleInitialize(nullptr);
  std::atexit(CloseDown);
}

}  // namespace

TbsShellFolder::TbsShellFolder(TbsShellFolder* AParent, IShellFolder* AShellFolder, LPCITEMIDLIST AIdList)
    : FParent(AParent), FIShellFolder(AShellFolder), FDetails(std::make_unique<TStringList>()) {
  FPIDL = CopyItemIdList(AIdList);
  FFullPIDL = AbsoluteListBelow(AParent, AIdList);
  if (!FParent && !tMakingDesktop) FParent = DesktopFolderObject();
  for (TbsShellFolder* p = AParent ? AParent->FParent : nullptr; p; p = p->FParent) ++FLevel;
}

TbsShellFolder::~TbsShellFolder() {
  FreeItemIdList(FPIDL);
  FreeItemIdList(FFullPIDL);
}

TbsShellFolder* DesktopFolderObject() {
  std::call_once(gStartOnce, StartUp);
  return gDesktopFolderObject;
}
