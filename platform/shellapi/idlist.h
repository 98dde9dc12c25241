// Item-ID lists: the shell's path form. A list is a run of items, each a
// 16-bit little-endian byte count that includes itself followed by the
// item's bytes; a count of 0 ends the list, and the empty list (the two zero
// bytes alone) is the desktop. Lists come from the task allocator and go
// back to it (ILFree).
//
// Our items are [count][kind][flags][payload]: kind 1 a file-system entry
// (payload: the name's bytes as on disk), 2 a volume (its mount path), 3 Home,
// 4 Computer, 5 Trash. The flags (directory, link, hidden as seen when the
// item was made) are hints, never part of an item's identity.
//
// Lists are walked within the allocator block they live in: a count that runs
// past the block, or a count of 1 to 3, makes the list malformed, and the
// routines answer their failure value instead of reading on.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/shellapi/comframe.h"

#pragma pack(push, 1)
struct SHITEMID {
  uint16_t cb;
  uint8_t abID[1];
};
struct ITEMIDLIST {
  SHITEMID mkid;
};
#pragma pack(pop)

using LPITEMIDLIST = ITEMIDLIST*;
using LPCITEMIDLIST = const ITEMIDLIST*;
using PIDLIST_ABSOLUTE = ITEMIDLIST*;
using PCIDLIST_ABSOLUTE = const ITEMIDLIST*;
using PIDLIST_RELATIVE = ITEMIDLIST*;
using PCUIDLIST_RELATIVE = const ITEMIDLIST*;
using PITEMID_CHILD = ITEMIDLIST*;
using PCUITEMID_CHILD = const ITEMIDLIST*;
using PCUITEMID_CHILD_ARRAY = const PCUITEMID_CHILD*;

inline constexpr uint8_t SHITEM_FILE = 1;
inline constexpr uint8_t SHITEM_VOLUME = 2;
inline constexpr uint8_t SHITEM_HOME = 3;
inline constexpr uint8_t SHITEM_COMPUTER = 4;
inline constexpr uint8_t SHITEM_TRASH = 5;

inline constexpr uint8_t SHITEMFLAG_DIRECTORY = 0x01;
inline constexpr uint8_t SHITEMFLAG_SYMLINK = 0x02;
inline constexpr uint8_t SHITEMFLAG_HIDDEN = 0x04;

// Total bytes with the terminator; 0 for nullptr or a malformed list.
uint32_t ILGetSize(PCUIDLIST_RELATIVE pidl);
// The item after the first one, or nullptr at the end (or when malformed).
PCUIDLIST_RELATIVE ILGetNext(PCUIDLIST_RELATIVE pidl);
// The last item (the list itself when empty); nullptr when malformed.
PCUIDLIST_RELATIVE ILFindLastID(PCUIDLIST_RELATIVE pidl);
// Cuts the last item off in place; false for the empty or a malformed list.
bool ILRemoveLastID(PIDLIST_RELATIVE pidl);
// Copies from the allocator; nullptr for nullptr, a malformed list or no memory.
PIDLIST_RELATIVE ILClone(PCUIDLIST_RELATIVE pidl);
// A copy of the first item as a one-item list.
PITEMID_CHILD ILCloneFirst(PCUIDLIST_RELATIVE pidl);
// The items of the first followed by those of the second; either may be nullptr.
PIDLIST_ABSOLUTE ILCombine(PCIDLIST_ABSOLUTE first, PCUIDLIST_RELATIVE second);
// Whether the two absolute lists name the same object (the desktop's
// CompareIDs answers 0).
bool ILIsEqual(PCIDLIST_ABSOLUTE a, PCIDLIST_ABSOLUTE b);
// Whether parent's items begin child's (immediate: exactly one item more).
bool ILIsParent(PCIDLIST_ABSOLUTE parent, PCIDLIST_ABSOLUTE child, bool immediate);
bool ILIsEmpty(PCUIDLIST_RELATIVE pidl);
void ILFree(void* pidl);
// The number of items; -1 when malformed.
int32_t ILCount(PCUIDLIST_RELATIVE pidl);
// S_OK when the list is well formed and every item is one of ours
// (known kind, a payload where the kind needs one); E_INVALIDARG otherwise.
HRESULT ILValidate(PCUIDLIST_RELATIVE pidl);
