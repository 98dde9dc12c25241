// The clipboard: an in-process store of memory blocks by format, with
// registered format names and CF_TEXT / CF_UNICODETEXT made from each other
// when only one of them was put. A backend may mirror the text formats to the
// desktop's clipboard.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/gui/windows.h"
#include "platform/rtl/globalmem.h"

// Standard formats. Text is NUL-terminated: CF_TEXT in UTF-8, CF_UNICODETEXT
// in UTF-16LE. CF_BITMAP holds an HBITMAP (cast to the handle type), every
// other format a memory block (HGLOBAL).
inline constexpr uint32_t CF_TEXT = 1;
inline constexpr uint32_t CF_BITMAP = 2;
inline constexpr uint32_t CF_METAFILEPICT = 3;
inline constexpr uint32_t CF_DIB = 8;
inline constexpr uint32_t CF_PALETTE = 9;
inline constexpr uint32_t CF_UNICODETEXT = 13;
inline constexpr uint32_t CF_ENHMETAFILE = 14;
inline constexpr uint32_t CF_HDROP = 15;
inline constexpr uint32_t CF_LOCALE = 16;
inline constexpr uint32_t CF_DIBV5 = 17;
// Registered formats are numbered from here on.
inline constexpr uint32_t CF_REGISTERED_FIRST = 0xC000;

// The format name shared by file-list transfers (a 32-bit DROPEFFECT value).
inline constexpr const char* CFSTR_PREFERREDDROPEFFECT = "Preferred DropEffect";

// Opens the clipboard for the window (0: no window). Fails while another
// window has it open; opening it again for the same window succeeds.
bool OpenClipboard(HWND owner);
bool CloseClipboard();
// Frees every block held and makes the opener the owner. Needs the
// clipboard open.
bool EmptyClipboard();
// Takes ownership of the block (freeing a block of the same format held
// before) and answers it; 0 when the clipboard is not open or data is 0.
HGLOBAL SetClipboardData(uint32_t format, HGLOBAL data);
// The block of the format, owned by the clipboard (valid until the next
// EmptyClipboard or SetClipboardData of that format); 0 when the clipboard is
// not open or the format is not there. A text format that was not put but
// can be made from the other one is made on the first request.
HGLOBAL GetClipboardData(uint32_t format);
bool IsClipboardFormatAvailable(uint32_t format);
// Formats in the order they were put, then those that can be made from
// them. 0 starts; 0 at the end or when the clipboard is not open.
uint32_t EnumClipboardFormats(uint32_t format);
int32_t CountClipboardFormats();
HWND GetClipboardOwner();
HWND GetOpenClipboardWindow();

// 0xC000 and up; equal names (ignoring case) give equal numbers; 0 for an
// empty name. Any thread.
uint32_t RegisterClipboardFormat(const char* name);
// Copies the registered name (cut to size - 1 bytes, NUL-terminated) and
// answers its length; 0 for standard or unknown formats.
int32_t GetClipboardFormatName(uint32_t format, char* buffer, int32_t size);

// ---- Desktop clipboard (for backends) ------------------------------------------------
// A backend that shares text with the desktop's clipboard installs a mirror
// (an empty one removes it). Publish gets the text (UTF-8) when the clipboard
// is closed after the program put CF_TEXT or CF_UNICODETEXT, and "" when it
// was emptied without text being put. DesktopText is asked before the
// clipboard is read (OpenClipboard, and IsClipboardFormatAvailable or
// CountClipboardFormats while it is closed): answering true with the
// desktop's text means that text is newer than what the program put, and the
// clipboard then holds only that text, without an owner.
struct TClipboardMirror {
  std::function<void(const String& utf8)> Publish;
  std::function<bool(String& utf8)> DesktopText;
};
void SetClipboardMirror(TClipboardMirror mirror);
