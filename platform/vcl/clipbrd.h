// The clipboard object: the process's one TClipboard over the clipboard
// functions of the window system.
//
// Open and Close nest: the clipboard is opened for a message-only window of
// its own on the first Open and closed on the last Close. Within one Open the
// first format put empties the clipboard and the later ones are added, so a
// caller that wants several formats side by side (text and wide text)
// brackets the stores with Open/Close; each store on its own replaces
// everything.
#pragma once

#include <cstdint>

#include "platform/gui/win_clipboard.h"
#include "platform/gui/windows.h"
#include "platform/rtl/components.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/globalmem.h"
#include "platform/rtl/types.h"

// "Cannot open clipboard": another window holds it open.
RTL_DECLARE_EXCEPTION(EClipboardException, Exception);

class TClipboard : public TPersistent {
 public:
  TClipboard() = default;
  ~TClipboard() override;
  const char* ClassName() const override { return "TClipboard"; }

  // EClipboardException when the clipboard cannot be opened.
  void Open();
  // Unbalanced calls are ignored.
  void Close();
  // Empties the clipboard.
  void Clear();
  int32_t OpenCount() const { return FOpenRefCount; }

  bool HasFormat(uint32_t Format);
  int32_t FormatCount();
  // The formats in the order the clipboard lists them; 0 past the end.
  uint32_t Formats(int32_t Index);

  // CF_TEXT (UTF-8); empty when there is none.
  String AsText();
  void SetAsText(const String& Value);
  // Copies at most BufSize - 1 bytes and a NUL; answers the bytes copied.
  int32_t GetTextBuf(char* Buffer, int32_t BufSize);
  void SetTextBuf(const char* Buffer);

  // The clipboard's block of the format (still owned by the clipboard); 0
  // when the format is not there.
  HGLOBAL GetAsHandle(uint32_t Format);
  // The clipboard takes over the block.
  void SetAsHandle(uint32_t Format, HGLOBAL Value);
  // Copies Size bytes into a new block of the format.
  void SetBuffer(uint32_t Format, const void* Buffer, size_t Size);

  // A TBitmap (or a TPicture holding one) goes on the clipboard as a packed
  // DIB (CF_DIB), an empty one empties the clipboard; anything else:
  // EConvertError.
  void Assign(TPersistent* Source) override;

  // The window the clipboard is opened for while open; 0 otherwise.
  HWND Handle() const { return FClipboardWindow; }

 protected:
  // Into a TBitmap or TPicture: the CF_DIB picture (the destination is left
  // alone when there is none).
  void AssignTo(TPersistent* Dest) override;

 private:
  // The first store inside an Open empties the clipboard; later ones add.
  void Adding();

  int32_t FOpenRefCount = 0;
  HWND FClipboardWindow = nullptr;
  bool FEmptied = false;
};

// The process's clipboard object, made on first use.
TClipboard* Clipboard();
// Puts NewClipboard in place (taking ownership; nullptr: a fresh one is made
// on the next use) and answers the previous object, which the caller owns.
TClipboard* SetClipboard(TClipboard* NewClipboard);
