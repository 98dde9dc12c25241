#include "platform/gui/win_clipboard.h"

#include <cstring>
#include <mutex>
#include <string_view>
#include <vector>

#include "platform/gui/win_paint_internal.h"
#include "platform/rtl/strings.h"

namespace {

struct TClipEntry {
  uint32_t Format = 0;
  HGLOBAL Data = 0;
  bool Made = false;  // made from another text format, not put
};

struct TClipboard {
  bool Open = false;
  HWND Opener = nullptr;
  HWND Owner = nullptr;
  std::vector<TClipEntry> Entries;  // in the order put
  // Desktop mirror: what happened while open, to publish when closed.
  bool TextPut = false;
  bool Emptied = false;
};

TClipboard& Clip() {
  static TClipboard* clip = new TClipboard;  // outlives static destructors
  return *clip;
}

TClipboardMirror& Mirror() {
  static TClipboardMirror* mirror = new TClipboardMirror;
  return *mirror;
}

void FreeData(uint32_t format, HGLOBAL data) {
  if (!data) return;
  if (format == CF_BITMAP)
    DeleteObject(reinterpret_cast<HGDIOBJ>(data));
  else
    GlobalFree(data);
}

TClipEntry* Find(uint32_t format) {
  for (TClipEntry& e : Clip().Entries)
    if (e.Format == format) return &e;
  return nullptr;
}

void Remove(uint32_t format) {
  std::vector<TClipEntry>& list = Clip().Entries;
  for (size_t i = 0; i < list.size(); ++i) {
    if (list[i].Format == format) {
      FreeData(list[i].Format, list[i].Data);
      list.erase(list.begin() + static_cast<ptrdiff_t>(i));
      return;
    }
  }
}

// The text format that can be made from `format`, or 0.
uint32_t Partner(uint32_t format) {
  if (format == CF_TEXT) return CF_UNICODETEXT;
  if (format == CF_UNICODETEXT) return CF_TEXT;
  return 0;
}

// A text format that is not there but whose partner was put.
bool CanMake(uint32_t format) {
  const uint32_t partner = Partner(format);
  if (!partner || Find(format)) return false;
  const TClipEntry* p = Find(partner);
  return p && !p->Made;
}

HGLOBAL BlockOfBytes(const void* data, size_t size) {
  HGLOBAL h = GlobalAlloc(GHND, size);
  if (!h) return 0;
  std::memcpy(GlobalLock(h), data, size);
  GlobalUnlock(h);
  return h;
}

// Makes `format` from its partner's text: up to the first NUL or the end of
// the block, converted, NUL-terminated.
HGLOBAL MakeText(uint32_t format) {
  const TClipEntry* src = Find(Partner(format));
  if (!src) return 0;
  const size_t size = GlobalSize(src->Data);
  const char* p = static_cast<const char*>(GlobalLock(src->Data));
  if (!p) return 0;
  HGLOBAL out = 0;
  if (format == CF_UNICODETEXT) {
    const void* nul = std::memchr(p, 0, size);
    const size_t n = nul ? static_cast<const char*>(nul) - p : size;
    const WideString w = UTF8ToUTF16(std::string_view(p, n));
    std::vector<uint8_t> bytes;
    bytes.reserve((w.size() + 1) * 2);
    for (char16_t c : w) {
      bytes.push_back(static_cast<uint8_t>(c & 0xFF));
      bytes.push_back(static_cast<uint8_t>(c >> 8));
    }
    bytes.push_back(0);
    bytes.push_back(0);
    out = BlockOfBytes(bytes.data(), bytes.size());
  } else {
    WideString w;
    for (size_t i = 0; i + 1 < size; i += 2) {
      const char16_t c = static_cast<char16_t>(uint8_t(p[i]) | (uint8_t(p[i + 1]) << 8));
      if (c == 0) break;
      w += c;
    }
    const String s = UTF16ToUTF8(w);
    out = BlockOfBytes(s.c_str(), s.size() + 1);
  }
  GlobalUnlock(src->Data);
  return out;
}

// ---- Desktop mirror ----

// Takes the desktop's text when the mirror says it is newer.
void PullDesktopText() {
  TClipboard& c = Clip();
  if (c.Open || !Mirror().DesktopText) return;
  String text;
  if (!Mirror().DesktopText(text)) return;
  for (const TClipEntry& e : c.Entries) FreeData(e.Format, e.Data);
  c.Entries.clear();
  c.Owner = nullptr;
  if (HGLOBAL h = BlockOfBytes(text.c_str(), text.size() + 1)) c.Entries.push_back(TClipEntry{CF_TEXT, h, false});
}

void PublishText() {
  TClipboard& c = Clip();
  const bool put = c.TextPut, emptied = c.Emptied;
  c.TextPut = c.Emptied = false;
  if (!Mirror().Publish || (!put && !emptied)) return;
  String text;
  if (put) {
    HGLOBAL made = 0;
    const TClipEntry* e = Find(CF_TEXT);
    HGLOBAL h = e ? e->Data : (made = MakeText(CF_TEXT));
    if (const char* p = h ? static_cast<const char*>(GlobalLock(h)) : nullptr) {
      const size_t size = GlobalSize(h);
      const void* nul = std::memchr(p, 0, size);
      text.assign(p, nul ? static_cast<const char*>(nul) - p : size);
      GlobalUnlock(h);
    }
    if (made) GlobalFree(made);
  }
  Mirror().Publish(text);
}

// Registered format names; a process-wide table any thread may use.
struct TFormatNames {
  std::mutex Lock;
  std::vector<String> Names;  // index + CF_REGISTERED_FIRST is the format
};

TFormatNames& FormatNames() {
  static TFormatNames* names = new TFormatNames;
  return *names;
}

}  // namespace

bool OpenClipboard(HWND owner) {
  TClipboard& c = Clip();
  if (c.Open) return c.Opener == owner;
  PullDesktopText();
  c.Open = true;
  c.Opener = owner;
  return true;
}

bool CloseClipboard() {
  TClipboard& c = Clip();
  if (!c.Open) return false;
  c.Open = false;
  c.Opener = nullptr;
  PublishText();
  return true;
}

bool EmptyClipboard() {
  TClipboard& c = Clip();
  if (!c.Open) return false;
  for (const TClipEntry& e : c.Entries) FreeData(e.Format, e.Data);
  c.Entries.clear();
  c.Owner = c.Opener;
  c.Emptied = true;
  c.TextPut = false;
  return true;
}

HGLOBAL SetClipboardData(uint32_t format, HGLOBAL data) {
  TClipboard& c = Clip();
  if (!c.Open || !data || format == 0) return 0;
  if (TClipEntry* e = Find(format)) {
    if (e->Data != data) FreeData(e->Format, e->Data);
    e->Data = data;
    e->Made = false;
  } else {
    c.Entries.push_back(TClipEntry{format, data, false});
  }
  if (Partner(format)) c.TextPut = true;
  // A text made from the old partner is stale now.
  if (const uint32_t partner = Partner(format)) {
    const TClipEntry* p = Find(partner);
    if (p && p->Made) Remove(partner);
  }
  return data;
}

HGLOBAL GetClipboardData(uint32_t format) {
  TClipboard& c = Clip();
  if (!c.Open) return 0;
  if (TClipEntry* e = Find(format)) return e->Data;
  if (!CanMake(format)) return 0;
  HGLOBAL made = MakeText(format);
  if (!made) return 0;
  c.Entries.push_back(TClipEntry{format, made, true});
  return made;
}

bool IsClipboardFormatAvailable(uint32_t format) {
  PullDesktopText();
  return format != 0 && (Find(format) != nullptr || CanMake(format));
}

namespace {

// Put formats first, then the ones that can be made (whether or not they
// were made already).
std::vector<uint32_t> FormatList() {
  std::vector<uint32_t> list;
  for (const TClipEntry& e : Clip().Entries)
    if (!e.Made) list.push_back(e.Format);
  for (const TClipEntry& e : Clip().Entries)
    if (!e.Made && Partner(e.Format) && !Find(Partner(e.Format))) list.push_back(Partner(e.Format));
  for (const TClipEntry& e : Clip().Entries)
    if (e.Made) list.push_back(e.Format);
  return list;
}

}  // namespace

uint32_t EnumClipboardFormats(uint32_t format) {
  if (!Clip().Open) return 0;
  const std::vector<uint32_t> list = FormatList();
  if (format == 0) return list.empty() ? 0 : list.front();
  for (size_t i = 0; i + 1 < list.size(); ++i)
    if (list[i] == format) return list[i + 1];
  return 0;
}

int32_t CountClipboardFormats() {
  PullDesktopText();
  return static_cast<int32_t>(FormatList().size());
}

HWND GetClipboardOwner() { return Clip().Owner && IsWindow(Clip().Owner) ? Clip().Owner : nullptr; }

HWND GetOpenClipboardWindow() { return Clip().Open ? Clip().Opener : nullptr; }

uint32_t RegisterClipboardFormat(const char* name) {
  if (!name || !*name) return 0;
  TFormatNames& t = FormatNames();
  std::lock_guard<std::mutex> guard(t.Lock);
  for (size_t i = 0; i < t.Names.size(); ++i)
    if (SameText(t.Names[i], name)) return CF_REGISTERED_FIRST + static_cast<uint32_t>(i);
  if (t.Names.size() > 0xFFFF - CF_REGISTERED_FIRST) return 0;
  t.Names.emplace_back(name);
  return CF_REGISTERED_FIRST + static_cast<uint32_t>(t.Names.size() - 1);
}

int32_t GetClipboardFormatName(uint32_t format, char* buffer, int32_t size) {
  if (format < CF_REGISTERED_FIRST || !buffer || size <= 0) return 0;
  TFormatNames& t = FormatNames();
  std::lock_guard<std::mutex> guard(t.Lock);
  const size_t index = format - CF_REGISTERED_FIRST;
  if (index >= t.Names.size()) return 0;
  const String& name = t.Names[index];
  size_t n = name.size() < size_t(size - 1) ? name.size() : size_t(size - 1);
  // Never a partial UTF-8 sequence.
  while (n > 0 && n < name.size() && (uint8_t(name[n]) & 0xC0) == 0x80) --n;
  std::memcpy(buffer, name.data(), n);
  buffer[n] = '\0';
  return static_cast<int32_t>(n);
}

void WinClipboardReset() {
  TClipboard& c = Clip();
  for (const TClipEntry& e : c.Entries) FreeData(e.Format, e.Data);
  c.Entries.clear();
  c.Open = false;
  c.Opener = nullptr;
  c.Owner = nullptr;
  c.TextPut = c.Emptied = false;
}

void SetClipboardMirror(TClipboardMirror mirror) { Mirror() = std::move(mirror); }
