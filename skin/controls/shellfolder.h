// The skin library's own shell-namespace helpers: item-ID list routines,
// the folder object TbsShellFolder, and the desktop folder object the
// library keeps for the whole run (made on first use, freed at exit).
//
// Lists are raw pointers into the shell allocator's blocks; every list a
// routine returns is new and belongs to the caller (FreeItemIdList).
#pragma once

#include <cstdint>
#include <memory>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/stringlist.h"
#include "platform/shellapi/shlobj.h"

// A failed shell call, with its result code.
class EOleSysError : public Exception {
 public:
  EOleSysError(const String& Message, HRESULT ErrorCode) : Exception(Message), FErrorCode(ErrorCode) {}
  const char* ClassName() const override { return "EOleSysError"; }
  HRESULT ErrorCode() const { return FErrorCode; }

 private:
  HRESULT FErrorCode;
};

// Size bytes from the shell allocator, zero-filled; nil when none are left.
LPITEMIDLIST AllocItemIdList(uint32_t Size);
// The item after the first; nil at the terminator (or for a malformed list).
LPCITEMIDLIST NextItemId(LPCITEMIDLIST List);
// Bytes with the terminator; 0 for nil.
uint32_t ItemIdListSize(LPCITEMIDLIST List);
LPITEMIDLIST CopyItemIdList(LPCITEMIDLIST List);
// The items of First (nil: none) followed by Second.
LPITEMIDLIST JoinItemIdLists(LPCITEMIDLIST First, LPCITEMIDLIST Second);
void FreeItemIdList(LPITEMIDLIST List);
// The desktop's folder; raises EOleSysError when the shell has none.
ComPtr<IShellFolder> GetDesktopShellFolder();
// The desktop's own list (the caller frees it); nil when the shell has none.
LPITEMIDLIST GetDesktopItemIdList();

// A folder of the namespace: its list relative to its parent and its
// absolute list (both its own copies), its parent and its shell folder.
class TbsShellFolder : public TObject {
 public:
  // Without a parent the folder's parent is the desktop folder object (none
  // while that object itself is being made).
  TbsShellFolder(TbsShellFolder* AParent, IShellFolder* AShellFolder, LPCITEMIDLIST AIdList);
  ~TbsShellFolder() override;
  TbsShellFolder(const TbsShellFolder&) = delete;
  TbsShellFolder& operator=(const TbsShellFolder&) = delete;
  const char* ClassName() const override { return "TbsShellFolder"; }

  TbsShellFolder* Parent() const { return FParent; }
  LPCITEMIDLIST RelativeID() const { return FPIDL; }
  LPCITEMIDLIST AbsoluteID() const { return FFullPIDL; }
  IShellFolder* ShellFolder() const { return FIShellFolder.Get(); }
  // The number of ancestors of the parent given at creation.
  int32_t Level() const { return FLevel; }
  TStringList* Details() const { return FDetails.get(); }

 private:
  LPITEMIDLIST FPIDL = nullptr;
  LPITEMIDLIST FFullPIDL = nullptr;
  TbsShellFolder* FParent = nullptr;
  ComPtr<IShellFolder> FIShellFolder;
  ComPtr<IUnknown> FIShellFolder2;
  ComPtr<IUnknown> FIShellDetails;
  int32_t FLevel = 0;
  std::unique_ptr<TStringList> FDetails;
};

// The desktop's folder object, made with OLE initialised on first use and
// freed at exit; nil when the shell gives no desktop list.
TbsShellFolder* DesktopFolderObject();
