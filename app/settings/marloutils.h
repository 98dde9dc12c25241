// Free routines the application's windows share: message texts, paths and
// files, the OS version code, special folders, window placement and focus,
// font quality, component texts, alpha flattening and the preview zoom steps.
// Paths use "/"; nothing here changes the process's current folder.
#pragma once

#include <cstdint>

#include "platform/gui/gdi.h"
#include "platform/gui/windows.h"
#include "platform/rtl/graphtypes.h"
#include "platform/rtl/types.h"

class TCanvas;
class TComponent;
class TControl;
class TCustomListView;
class TFont;
class TIEBitmap;
class TImgView;
class TWinControl;

// ---- Text and numbers ------------------------------------------------------

// Every "%1%" becomes A1 (an empty A1 removes it); then "%2%".."%4%" become
// A2..A4, each only when its argument is not empty. Literal, case-sensitive,
// in that order, so a placeholder brought in by an earlier argument is
// replaced too.
String FormatMessageArgs(const String& Message, const String& A1, const String& A2 = String(),
                         const String& A3 = String(), const String& A4 = String());
// The number with "0" put in front up to Width characters; never cut.
String ZeroPad(int64_t Number, int32_t Width);
// Size / 1024 rounded up (toward +infinity, also for negative sizes), with
// thousands separators, then Separator, then "KB": 1025 bytes -> "2 KB".
String FormatSizeKB(const String& Separator, int64_t Size);
// Value to Digits decimals without trailing zeros ("0.5"); empty on failure.
String FormatFloatTrimmed(int32_t Precision, int32_t Digits, double Value);
void SwapInts(int32_t& A, int32_t& B);
// End, Home and the four arrow keys.
bool IsNavigationKey(uint16_t Key);

// ---- Paths and files -------------------------------------------------------

// The per-user settings folder below the application-data folder.
inline constexpr const char* kSettingsSubFolder = "Corvane/CVPV/";

// Appends "/" to a non-empty path that does not end with one.
String AddTrailingBackslash(const String& Path);
// Drops a final "/" except from the root "/" itself.
String RemoveTrailingBackslash(const String& Path);
// The name of the folder holding Path; empty for an item directly in "/".
String ParentFolderName(const String& Path);
// 1-based position of the last C in Text; 0 when absent.
int32_t LastCharPos(const String& Text, char C);
// The file name up to its last "."; the whole name when it has no "." or
// when its only "." is its first character (".profile").
String NameWithoutExtension(const String& Path);
// Something that is not a folder exists at Path (links followed).
bool FastFileExists(const String& Path);
// An absolute path on a fixed disk (not removable, remote, a RAM disk or
// missing).
bool IsFixedDrivePath(const String& Path);
// Path taken relative to Base, joined lexically.
String ExpandRelativeFolder(const String& Base, const String& Path);
// The path as the shell spells it; unchanged when the shell cannot parse it.
String ShellNormalizedPath(const String& Path);
// Both exist and are the same folder (device and inode, so links and other
// spellings agree), or neither resolves and their normalised forms are equal
// byte for byte. Case is significant.
bool SameFolder(const String& A, const String& B);
// Last-write time as a local date; 0 when the file is missing.
TDateTime GetFileDate(const String& Path);
// Sets the last-write time from a local date; true on success.
bool SetFileDate(const String& Path, TDateTime Date);
// The size in bytes (0 for a folder); -1 when Path does not exist.
int64_t GetFileSize64(const String& Path);
// Deletes the file, making it writable first.
void DeleteFileForced(const String& Path);
// Deletes the regular files directly in Folder, each on its own: links,
// hidden (dot) files, read-only files and subfolders stay.
void DeleteFilesInFolder(const String& Folder);
// The "-Unstall" clean-up of the per-user settings folder.
void UninstallCleanup();

// ---- System ----------------------------------------------------------------

// 0 Windows 95, 1 98, 2 98 SE, 3 ME, 4 NT 4 or older, 5 2000, 6 XP and
// Server 2003, 7 Vista and later; -1 unknown.
int32_t GetOSVersionCode();
bool IsWinXPOrLater();
// The file-system path of a special folder (CSIDL number); empty when it has
// none.
String GetSpecialFolderPath(int32_t Csidl);
String GetAppDataFolder();
// Removes every pending keyboard message from the thread's queue.
void DiscardKeyboardMessages();
void ShowHourglass();

// ---- Windows and controls --------------------------------------------------

// Restores a minimised window and brings it to the front; true when it is the
// foreground window afterwards.
bool ForceForegroundWindow(HWND Wnd);
// Focuses Control while the application is active; errors ignored.
void SafeFocus(TWinControl* Control);
// Lock: no redrawing. Unlock: redraw the window, its frame and its children.
void SetRedrawLock(TWinControl* Control, bool Lock);
void SetIconSpacing(TCustomListView* ListView, int32_t Cx, int32_t Cy);
// The normal (restored) rectangle of the window's placement into Rect; Rect
// is left as it was and false returned when it cannot be read.
bool GetNormalWindowRect(HWND Wnd, TRect& Rect);
// Placement with the normal rectangle (Left, Top, Width x Height), minimised
// and maximised positions (-1, -1), show command 0 and no flags.
void SetNormalWindowRect(HWND Wnd, int32_t Left, int32_t Top, int32_t Width, int32_t Height);
// The mouse is left of, right of or above Panel, or below its first Height
// rows (a Height below 1 stands for the panel's height).
bool IsCursorOutsidePanel(TControl* Panel, int32_t Height);
// The font gets a handle with antialiased quality; errors ignored.
void SetFontAntialiased(TFont* Font);

// A copy of a canvas font with another quality, selected into the canvas's DC
// for the text output that follows. The copy lives as long as this object;
// its destructor selects the previous font back when the copy is still
// selected, then deletes the copy.
class TCanvasFontQuality {
 public:
  TCanvasFontQuality() = default;
  TCanvasFontQuality(HDC Dc, HFONT Copy, HGDIOBJ Previous) : FDc(Dc), FCopy(Copy), FPrevious(Previous) {}
  TCanvasFontQuality(TCanvasFontQuality&& Other) noexcept;
  TCanvasFontQuality& operator=(TCanvasFontQuality&& Other) noexcept;
  ~TCanvasFontQuality();
  bool Selected() const { return FCopy != nullptr; }

 private:
  void Restore();
  HDC FDc = nullptr;
  HFONT FCopy = nullptr;
  HGDIOBJ FPrevious = nullptr;
};
[[nodiscard]] TCanvasFontQuality SelectCanvasFontQuality(TCanvas* Canvas, bool Antialiased);

// ---- Component texts -------------------------------------------------------

// The component's binary stream in its text form.
String ComponentToText(TComponent* Component);
// A new component without owner from the text form; its class must be
// registered. Errors propagate.
TComponent* TextToComponent(const String& Text);

// ---- Images and zoom -------------------------------------------------------

// Flattens an alpha channel onto Colour (alpha 255 keeps the pixel, 0 gives
// the colour) and removes it; errors ignored.
void FlattenAlpha(TIEBitmap* Bitmap, TColor Colour);
// Percent that fits a picture into a client area less 4 pixels each way;
// 100 when it fits already or is empty.
double FitZoom(int32_t BitmapWidth, int32_t BitmapHeight, int32_t ClientWidth, int32_t ClientHeight);
// The same for the view's bitmap in the view's client area.
double FitZoom(TImgView* View);
// The next zoom step above or below Current, with Fit in place of the step
// nearest to it; Current when there is none.
double NextZoomIn(double Fit, double Current);
double NextZoomOut(double Fit, double Current);
