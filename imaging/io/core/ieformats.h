// The file-format registry: the one list of the image formats the system
// knows, with each format's code, display name, extensions, options pages
// and read, write and content-test procedures. Filled with the nineteen
// built-in rows at start-up (IEInitImageIO), may grow by rows registered at
// run time, freed at shutdown (IEShutdownImageIO).
//
// A codec that the image I/O component does not handle itself registers a
// row with Internal false and its procedures; the component then calls them
// (non-nil ReadProc: readable, non-nil WriteProc: writable). Registering or
// unregistering while loads run on worker threads is not supported.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/io/contract/iecodec.h"
#include "imaging/io/contract/ieformatcode.h"
#include "platform/rtl/sets.h"
#include "platform/rtl/threads.h"
#include "platform/rtl/types.h"

class TIOParamsVals;

// Pages of the format-options dialog. As a bit mask: ppAll 1, ppAuto 2,
// ppJPEG 4, ppTIFF 8, ppGIF 16, ppBMP 32, ppPCX 64, ppPNG 128, ppTGA 256,
// ppJPEG2000 512.
enum class TIEPreviewPage : uint8_t { ppAll, ppAuto, ppJPEG, ppTIFF, ppGIF, ppBMP, ppPCX, ppPNG, ppTGA, ppJPEG2000 };
using TIEPreviewPages = Set<TIEPreviewPage>;

// Longest FullName and Extensions kept; longer texts are cut.
inline constexpr int32_t IEFormatTextMax = 80;

// One row. Rows are copied into the registry, which owns the copies.
struct TIEFormatRecord {
  int32_t FileType = 0;   // a TIEFormatCode value; lookups by code take the first row
  String FullName;        // e.g. "TIFF Bitmap"
  String Extensions;      // upper case, no dots, separated by ";"
  bool Internal = false;  // the I/O component has its own load and save methods for it
  TIEPreviewPages OptionsPages;
  TIEReadProc ReadProc = nullptr;    // nil: cannot be read
  TIEWriteProc WriteProc = nullptr;  // nil: cannot be written
  TIETestProc TestProc = nullptr;
};

// ---- Start-up and shutdown of the I/O unit --------------------------------------
// Sets the LZW hooks, builds the registry with its built-in rows, sets the
// colour-row hook and switches colour management off, creates the plugin
// list. Runs once per process however often it is called (std::call_once);
// everything of the I/O layer that needs the registry or the hooks calls it
// first. Codec libraries with start-up work of their own add it here.
void IEInitImageIO();
// Frees the registry and empties the plugin list. Does nothing when the unit
// was not started or was already shut down; IEInitImageIO does not start it
// again afterwards.
void IEShutdownImageIO();

// ---- Registry ------------------------------------------------------------------
// Creates the registry and adds the nineteen built-in rows in their order
// (called by IEInitImageIO; a second call rebuilds it).
void IERegisterBuiltinFormats();
// Appends a copy of Row (texts cut to IEFormatTextMax); answers its index.
int32_t IERegisterFormat(const TIEFormatRecord& Row);
// Removes and releases the first row with that code; nothing when none.
void IEUnregisterFormat(int32_t FileType);
// The first row with that code, or nil. Valid until the row is removed.
TIEFormatRecord* IEFindFormatByType(int32_t FileType);
// The row whose extension list holds Extension (any case, one leading "."
// ignored; "arw", "rw2" and "x3f" are looked up as "srf"), or nil.
TIEFormatRecord* IEFindFormatByExtension(const String& Extension);
// Extensions of the code's row, counted up to the first empty item; 0
// without a row.
int32_t IEFormatExtensionCount(int32_t FileType);
// The Index-th (0-based) extension of the code's row as stored (upper case,
// no dot); empty past the end or without a row.
String IEFormatExtension(int32_t FileType, int32_t Index);
// GIF row: ReadProc is the placeholder while the GIF decoder hook is set,
// else nil; WriteProc likewise with the encoder hook.
void IEUpdateGIFAvailability();
// Frees every row and the list.
void IEFreeFormatRegistry();
// The rows in registry order; empty before start-up and after shutdown.
const std::vector<std::unique_ptr<TIEFormatRecord>>& IEFormatRegistry();

// The one-line description of a record's format shown under the open
// dialog's preview, e.g. "TIFF Bitmap (TIF) LZW". Empty without a row.
void IEFormatDescription(const TIOParamsVals& Params, String& Text);

// ---- Plugin list -----------------------------------------------------------------
// Codec libraries loaded at run time. Nothing in this system adds to it; at
// shutdown each entry's format is unregistered, its lock deleted unless
// bit 0 of Flags says none was made, its library released.
struct TIEPluginEntry {
  void* LibraryHandle = nullptr;  // from dlopen
  int32_t FileType = 0;
  std::unique_ptr<TCriticalSection> Lock;  // nil when Flags bit 0 is set
  uint8_t Flags = 0;
};
std::vector<TIEPluginEntry>& IEPluginList();
