// The calling convention every file-format reader and writer follows: the
// three procedure shapes the format registry stores, and the progress and
// abort protocol a codec runs under.
//
// One flag serves both directions. The caller clears it and puts its address
// in Progress.AbortFlag; the user (any thread) sets it to cancel, and a codec
// sets it to report bad data, returning without throwing. The caller reads it
// after the codec returns: set means the operation failed.
#pragma once

#include <atomic>
#include <cstdint>

#include "imaging/model/pixels/ieprogress.h"

class TStream;
class TIEBitmap;
class TIOParamsVals;

// Decodes the image at the stream's position into Bitmap and IOParams. With
// Preview true only IOParams is filled from the header; Bitmap stays as it is.
using TIEReadProc = void (*)(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIECodecProgress& Progress,
                             bool Preview);
// Encodes Bitmap at the stream's position with the choices in IOParams.
using TIEWriteProc = void (*)(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIECodecProgress& Progress);
// True when the content at the stream's position is of this format. FileType
// is the registry row's own code, so one procedure can serve several rows.
// May move the stream; answers false for short or foreign input.
using TIETestProc = bool (*)(TStream* Stream, int32_t FileType);

// ---- Declared sizes against the data -----------------------------------------
// True when DataBytes could never fill RawBytes of picture even at the
// format's greatest compression ratio (MaxRatio raw bytes from one byte of
// data): a few bytes declaring gigabytes are refused before any allocation.
inline bool IEDataCannotFill(int64_t DataBytes, int64_t RawBytes, int64_t MaxRatio) {
  return RawBytes / MaxRatio > (DataBytes > 0 ? DataBytes : 0);
}
// Deflate's greatest ratio: one 258-byte match costs at least two bits.
inline constexpr int64_t IEDeflateMaxRatio = 1032;

// ---- Abort flag --------------------------------------------------------------
// The flag is written by one thread and read by another; relaxed accesses
// suffice (it carries no data with it). A nil AbortFlag reads as not set.
inline bool IEAborting(const TIECodecProgress& Progress) {
  return Progress.AbortFlag != nullptr && Progress.AbortFlag->load(std::memory_order_relaxed);
}
// Reports a failure (bad signature, impossible header, truncated data, an
// error of a linked library) or a cancellation.
inline void IESetAborting(TIECodecProgress& Progress) {
  if (Progress.AbortFlag != nullptr) Progress.AbortFlag->store(true, std::memory_order_relaxed);
}

// ---- Progress ------------------------------------------------------------------
// Per1 := 100 / Rows and, when Units > 0, Per2 := 100 / Units; Counter := 0.
// A count below 1 gives 0 (nothing to spread over).
void IEProgressStart(TIECodecProgress& Progress, int64_t Rows, int64_t Units = 0);
// Before decoding row Row: calls Event (only when assigned) with
// Trunc(Row × Per1), clamped to 0..100, then answers whether the flag is set,
// i.e. whether the codec must stop now.
bool IEProgressRow(TIECodecProgress& Progress, int64_t Row);
// For codecs that count units other than the rows of one loop: increments
// Counter, reports Trunc(Counter × Per2) (PerUnit true: strips, tiles,
// passes) or Trunc(Counter × Per1), and answers whether the flag is set.
bool IEProgressStep(TIECodecProgress& Progress, bool PerUnit = true);
// The percentage reported for Value × Per, clamped to 0..100 (no overflow
// for any real).
int32_t IEProgressPercent(double Value, double Per);
